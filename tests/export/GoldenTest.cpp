// The four documents of the fixture database, byte for byte against the
// golden files in tests/export/golden. The database path varies with each
// test copy: NormalizeOutput puts "@DATABASE@" in its place (and pads the
// SQL banner line for the placeholder). The SQL date comes from
// SOURCE_DATE_EPOCH (2004/03/07).
#include "ExportTestUtil.h"

#include "export/HTMLExport.h"
#include "export/ScriptExport.h"
#include "export/XMLExport.h"

#include <cstdlib>
#include <functional>

namespace varnel::exporttest {
namespace {

constexpr const char* kEpoch = "1078617600"; // 2004-03-07 00:00:00 UTC

struct GoldenCase {
    const char* name; // golden file name, also the test name
    std::function<void(SettingsValues&)> settings;
    std::function<void(const SettingsAccessor&, TCatalogue&, const std::string&)> exporter;
};

void Html(const SettingsAccessor& s, TCatalogue& c, const std::string& f) { HTMLExport(s, c, f); }
void Xml(const SettingsAccessor&, TCatalogue& c, const std::string& f) { XMLExport(c, f); }
void Sql(const SettingsAccessor&, TCatalogue& c, const std::string& f) { ScriptExport(c, f); }

const GoldenCase kCases[] = {
    {"defaults.html", [](SettingsValues&) {}, Html},
    {"toc_after_header_sources.html",
     [](SettingsValues& s) {
         s.SetBool(Setting::TOC_CreateTOC, true);
         s.SetInt(Setting::TOC_Position, 0);
         s.SetBool(Setting::Views_IncludeSource, true);
         s.SetBool(Setting::Procedures_IncludeSource, true);
     },
     Html},
    {"toc_before_end.html",
     [](SettingsValues& s) {
         s.SetBool(Setting::TOC_CreateTOC, true);
         s.SetInt(Setting::TOC_Position, 1);
     },
     Html},
    {"catalogue.xml", [](SettingsValues&) {}, Xml},
    {"descriptions.sql", [](SettingsValues&) {}, Sql},
};

class GoldenOutput : public ExportTest, public ::testing::WithParamInterface<GoldenCase> {
protected:
    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", kEpoch, 1);
        GetParam().settings(settings_);
        ExportTest::SetUp();
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        ::unsetenv("SOURCE_DATE_EPOCH");
    }
};

TEST_P(GoldenOutput, MatchesTheGoldenFile)
{
    const GoldenCase& c = GetParam();
    GetParam().exporter(settings_, Cat(), Out(c.name));
    ExpectGolden(c.name, Read(c.name), db_.path());
    // Only the document is left beside it.
    EXPECT_EQ(Files(), std::vector<std::string>{c.name});
    EXPECT_TRUE(ExportQueriesClosed());
}

std::string CaseName(const ::testing::TestParamInfo<GoldenCase>& info)
{
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
}

INSTANTIATE_TEST_SUITE_P(Fixture, GoldenOutput, ::testing::ValuesIn(kCases), CaseName);

} // namespace
} // namespace varnel::exporttest
