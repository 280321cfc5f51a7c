// The description script carries every description: run with Firebird's
// isql on a second database of the same schema without descriptions, it
// gives that database the same descriptions, and the XML documents of
// both databases then agree. isql drops every CR of a script it reads, so
// the documents are compared without CR (and with the database name put
// aside).
#include "ExportTestUtil.h"

#include "export/ScriptExport.h"
#include "export/XMLExport.h"

namespace varnel::exporttest {
namespace {

struct RoundTripCase {
    const char* name;
    varnel::test::DatabaseOptions source;
    varnel::test::DatabaseOptions target;
};

const RoundTripCase kCases[] = {
    {"Fixture", {}, {.descriptions = ""}},
    {"Dialect1",
     {.schema = "schema_dialect1.sql", .descriptions = "descriptions_dialect1.sql", .dialect = 1},
     {.schema = "schema_dialect1.sql", .descriptions = "", .dialect = 1}},
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, ScriptGivesTheSecondDatabaseTheSameDescriptions)
{
    varnel::test::TempDir dir;
    SettingsValues settings;
    varnel::test::TestDatabase source(GetParam().source);
    varnel::test::TestDatabase target(GetParam().target);
    const std::string script = (dir / "descriptions.sql").string();
    std::string before, expected, after;
    {
        CatalogueOn on(source.path(), settings);
        ScriptExport(*on.cat, script);
        XMLExport(*on.cat, (dir / "source.xml").string());
        expected = NormalizeOutput(varnel::test::readFile(dir / "source.xml"), source.path());
    }
    {
        CatalogueOn on(target.path(), settings);
        XMLExport(*on.cat, (dir / "before.xml").string());
        before = NormalizeOutput(varnel::test::readFile(dir / "before.xml"), target.path());
    }
    ASSERT_NE(before, expected) << "the target must start without descriptions";

    std::string dialect = GetParam().target.dialect == 1 ? "SET SQL DIALECT 1;\n" : "";
    target.isql(dialect + varnel::test::readFile(script));

    {
        CatalogueOn on(target.path(), settings);
        XMLExport(*on.cat, (dir / "after.xml").string());
        after = NormalizeOutput(varnel::test::readFile(dir / "after.xml"), target.path());
    }
    EXPECT_EQ(WithoutCR(after), WithoutCR(expected));
    // isql really dropped the CRs: the CR LF descriptions differ by them.
    if (GetParam().source.dialect == 3) {
        EXPECT_NE(after, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, RoundTrip, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RoundTripCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace varnel::exporttest
