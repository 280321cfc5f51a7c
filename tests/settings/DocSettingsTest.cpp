// The settings table, the value conversions and the loader and writer over
// real files.
#include "settings/DocSettings.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsValues.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower((unsigned char)c));
    return s;
}

TEST(SettingsTable, RowsInFileOrder)
{
    const auto& t = SettingsTable();
    ASSERT_EQ(t.size(), 81u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(std::size_t(t[i].Id), i);
        EXPECT_TRUE(names.insert(Lower(std::string(t[i].Section) + "/" + t[i].Key)).second) << t[i].Key;
    }
    EXPECT_EQ(SettingName(Setting::Settings_Database), "[Settings] Database");
    EXPECT_EQ(SettingName(Setting::Views_BeforeTableName), "[Views] BeforeTableName");
    EXPECT_EQ(SettingName(Setting::TOC_End), "[TOC] End");
    EXPECT_EQ(std::size_t(Setting::HTML_Header), 8u);
    EXPECT_EQ(std::size_t(Setting::Tables_NotNullColumnText), 24u);
    EXPECT_EQ(std::size_t(Setting::TOC_CreateTOC), 71u);
}

TEST(SettingsTable, DefaultHeaderHas32LinesAnd830Characters)
{
    std::string h = InfoOf(Setting::HTML_Header).FormDefault;
    EXPECT_EQ(h.size(), 830u);
    std::size_t lines = 0;
    for (std::size_t at = h.find("\r\n"); at != std::string::npos; at = h.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 32u);
    EXPECT_EQ(h.substr(h.size() - 10), "</div>\r\n\r\n");
    EXPECT_NE(h.find("&copy;"), std::string::npos);
    EXPECT_EQ(EncodeLineBreaks(h).size(), 958u);
}

TEST(SettingsTable, MultiLineDefaultsAreMemoTexts)
{
    for (const SettingInfo& i : SettingsTable()) {
        if (i.Type == SettingType::MultiLine) {
            EXPECT_EQ(MemoText(i.FormDefault), i.FormDefault) << i.Key;
            EXPECT_STREQ(i.MissingKey, "") << i.Key;
        }
    }
}

struct TextCase {
    const char* name;
    std::string in;
    std::string out;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
std::string CaseName(const ::testing::TestParamInfo<TextCase>& i) { return i.param.name; }

class Encode : public ::testing::TestWithParam<TextCase> {};
TEST_P(Encode, Converts) { EXPECT_EQ(EncodeLineBreaks(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(LineBreaks, Encode,
                         ::testing::Values(TextCase{"twoLines", "a\r\nb\r\n", "a<CRLF>b<CRLF>"},
                                           TextCase{"loneCrAndLfStay", "a\rb\nc", "a\rb\nc"},
                                           TextCase{"crBeforePair", "\r\r\n", "\r<CRLF>"},
                                           TextCase{"lfCrIsNoPair", "\n\r", "\n\r"},
                                           TextCase{"empty", "", ""}),
                         CaseName);

class Decode : public ::testing::TestWithParam<TextCase> {};
TEST_P(Decode, Converts) { EXPECT_EQ(DecodeLineBreaks(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(LineBreaks, Decode,
                         ::testing::Values(TextCase{"twoLines", "a<CRLF>b<CRLF>", "a\r\nb\r\n"},
                                           TextCase{"adjacent", "<CRLF><CRLF>", "\r\n\r\n"},
                                           TextCase{"partialMarkStays", "<CRL<crlf>F>", "<CRL<crlf>F>"},
                                           TextCase{"overlapLeftToRight", "<CR<CRLF>LF>", "<CR\r\nLF>"}),
                         CaseName);

class Memo : public ::testing::TestWithParam<TextCase> {};
TEST_P(Memo, HoldsLinesWithCrLf) { EXPECT_EQ(MemoText(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Lines, Memo,
                         ::testing::Values(TextCase{"empty", "", ""},
                                           TextCase{"gainsFinalBreak", "a", "a\r\n"},
                                           TextCase{"keepsFinalBreak", "a\r\n", "a\r\n"},
                                           TextCase{"emptyLinesKept", "\r\n\r\na\r\n\r\n", "\r\n\r\na\r\n\r\n"},
                                           TextCase{"loneLf", "a\nb", "a\r\nb\r\n"},
                                           TextCase{"loneCr", "a\rb\r", "a\r\nb\r\n"},
                                           TextCase{"crThenPair", "a\r\r\n", "a\r\n\r\n"}),
                         CaseName);

struct NumberCase {
    const char* name;
    const char* text;
    bool ok;
    int value;
};
class Number : public ::testing::TestWithParam<NumberCase> {};
TEST_P(Number, Parses)
{
    int v = 12345;
    EXPECT_EQ(ParseSettingNumber(GetParam().text, v), GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(v, GetParam().value);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Stored, Number,
    ::testing::Values(NumberCase{"zero", "0", true, 0}, NumberCase{"one", "1", true, 1},
                      NumberCase{"minusOne", "-1", true, -1}, NumberCase{"plus", "+7", true, 7},
                      NumberCase{"leadingZeros", "007", true, 7}, NumberCase{"hex0x", "0x1F", true, 31},
                      NumberCase{"hex0X", "0X1f", true, 31}, NumberCase{"hexDollar", "$ff", true, 255},
                      NumberCase{"negativeHex", "-$10", true, -16},
                      NumberCase{"hexWraps32Bits", "0xFFFFFFFF", true, -1},
                      NumberCase{"max", "2147483647", true, 2147483647},
                      NumberCase{"min", "-2147483648", true, -2147483647 - 1},
                      NumberCase{"overflow", "2147483648", false, 0},
                      NumberCase{"hexOverflow", "0x100000000", false, 0}, NumberCase{"word", "true", false, 0},
                      NumberCase{"empty", "", false, 0}, NumberCase{"decimalPoint", "1.5", false, 0},
                      NumberCase{"prefixOnly", "0x", false, 0}, NumberCase{"dollarOnly", "$", false, 0},
                      NumberCase{"signOnly", "-", false, 0}, NumberCase{"hexDigitsWithoutPrefix", "1f", false, 0},
                      NumberCase{"innerBlank", "1 2", false, 0}),
    [](const auto& i) { return std::string(i.param.name); });

// Loading a hand-written value into a setting.
struct LoadCase {
    const char* name;
    Setting setting;
    const char* stored;
    const char* held;
};
class LoadValue : public ::testing::TestWithParam<LoadCase> {};
TEST_P(LoadValue, FromFile)
{
    const LoadCase& c = GetParam();
    TempDir dir;
    fs::path p = dir / "s.ini";
    const SettingInfo& info = InfoOf(c.setting);
    writeFile(p, std::string("[") + info.Section + "]\r\n" + info.Key + "=" + c.stored + "\r\n");
    EXPECT_EQ(SettingsValues::FromFile(p.string()).Text(c.setting), c.held);
}
INSTANTIATE_TEST_SUITE_P(
    Values, LoadValue,
    ::testing::Values(LoadCase{"trueIsNoNumberGivesFalse", Setting::Settings_SystemData, "true", "0"},
                      LoadCase{"trueIsNoNumberGivesTrue", Setting::Tables_IncludeInHTML, "true", "1"},
                      LoadCase{"twoIsTrue", Setting::Views_IncludeSource, "2", "1"},
                      LoadCase{"hexOneIsTrue", Setting::TOC_CreateTOC, "0x1", "1"},
                      LoadCase{"zeroIsFalse", Setting::Procedures_IncludeInHTML, "0", "0"},
                      LoadCase{"emptyBooleanIsMissing", Setting::Views_IncludeInHTML, "", "1"},
                      LoadCase{"negativeSortOrder", Setting::Settings_ViewSortOrder, "-1", "-1"},
                      LoadCase{"hexSortOrder", Setting::Settings_TableSortOrder, "$0", "0"},
                      LoadCase{"badSortOrder", Setting::Settings_ProcedureSortOrder, "up", "1"},
                      LoadCase{"positionBeyondLastItem", Setting::TOC_Position, "5", "1"},
                      LoadCase{"positionNone", Setting::TOC_Position, "-7", "-1"},
                      LoadCase{"memoDecoded", Setting::HTML_Footer, "a<CRLF>b<CRLF>", "a\r\nb\r\n"},
                      LoadCase{"memoGainsBreak", Setting::TOC_End, "</ul>", "</ul>\r\n"},
                      LoadCase{"literalCrlfMarkBecomesBreak", Setting::TOC_Begin, "x<CRLF>y", "x\r\ny\r\n"},
                      LoadCase{"textTrimmedAndUnquoted", Setting::Tables_Caption, " \"My tables\" ",
                               "My tables"}),
    [](const auto& i) { return std::string(i.param.name); });

// A value for every setting that differs from both its defaults.
SettingsValues Changed(bool checks)
{
    SettingsValues v;
    for (const SettingInfo& i : SettingsTable()) {
        std::string n = std::to_string(int(i.Id));
        switch (i.Type) {
        case SettingType::Text:
            v.SetText(i.Id, "t" + n + " <b>\xe4</b>");
            break;
        case SettingType::MultiLine:
            v.SetText(i.Id, "line " + n + "\r\n\r\n  indented\r\nlast");
            break;
        case SettingType::Boolean:
            v.SetBool(i.Id, checks);
            break;
        case SettingType::Integer:
            v.SetInt(i.Id, i.Id == Setting::TOC_Position ? 1 : -1);
            break;
        }
    }
    return v;
}

void ExpectSame(const SettingsValues& a, const SettingsValues& b)
{
    for (const SettingInfo& i : SettingsTable())
        EXPECT_EQ(a.Text(i.Id), b.Text(i.Id)) << SettingName(i.Id);
}

TEST(SettingsFile, SaveThenLoadRestoresEveryValue)
{
    for (bool checks : {false, true}) {
        TempDir dir;
        std::string p = (dir / "all.ini").string();
        SettingsValues saved = Changed(checks);
        saved.Save(p);
        ExpectSame(SettingsValues::FromFile(p), saved);
    }
}

TEST(SettingsFile, DefaultsRoundTripAndFileHoldsSixSectionsInOrder)
{
    TempDir dir;
    std::string p = (dir / "defaults.ini").string();
    SettingsValues().Save(p);
    ExpectSame(SettingsValues::FromFile(p), SettingsValues());

    std::string text = readFile(p);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t e = text.find("\r\n", pos);
        ASSERT_NE(e, std::string::npos);
        lines.push_back(text.substr(pos, e - pos));
        pos = e + 2;
    }
    ASSERT_EQ(lines.size(), 87u);
    std::vector<std::string> expected;
    std::string section;
    for (const SettingInfo& i : SettingsTable()) {
        if (section != i.Section) {
            section = i.Section;
            expected.push_back("[" + section + "]");
        }
        expected.push_back(std::string(i.Key) + "=" + StoredFromHeld(i, i.FormDefault));
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines[0], "[Settings]");
    EXPECT_EQ(lines[2], "DbUsername=SYSDBA");
    EXPECT_EQ(lines[11], "Footer=</body><CRLF></html><CRLF>");
    EXPECT_EQ(lines[10].size(), std::string("Header=").size() + 958);
}

TEST(SettingsFile, MissingFileGivesMissingKeyValuesAndStaysMissing)
{
    TempDir dir;
    fs::path p = dir / "gone.ini";
    SettingsValues v = SettingsValues::FromFile(p.string());
    EXPECT_FALSE(fs::exists(p));
    for (const SettingInfo& i : SettingsTable())
        EXPECT_EQ(v.Text(i.Id), i.MissingKey) << SettingName(i.Id);
    EXPECT_EQ(v.Text(Setting::Tables_NotNullColumnText), "X");
    EXPECT_TRUE(v.Bool(Setting::Views_IncludeInHTML));
    EXPECT_FALSE(v.Bool(Setting::TOC_CreateTOC));
    EXPECT_EQ(v.Int(Setting::Settings_TableSortOrder), 1);
    EXPECT_EQ(v.Text(Setting::Settings_DbUsername), "");
}

TEST(SettingsFile, FileWithoutHtmlSectionEmptiesHeaderAndFooter)
{
    TempDir dir;
    std::string p = (dir / "nohtml.ini").string();
    SettingsValues().Save(p);
    std::string text = readFile(p);
    std::size_t from = text.find("[HTML]"), to = text.find("[Tables]");
    writeFile(p, text.substr(0, from) + text.substr(to));
    SettingsValues v = SettingsValues::FromFile(p);
    EXPECT_EQ(v.Text(Setting::HTML_Header), "");
    EXPECT_EQ(v.Text(Setting::HTML_Footer), "");
    EXPECT_EQ(v.Text(Setting::Tables_Caption), "Tables");
}

TEST(SettingsFile, LongHeaderIsCutAfter2047StoredCharacters)
{
    TempDir dir;
    std::string p = (dir / "long.ini").string();
    SettingsValues v;
    std::string header;
    for (int i = 0; i < 300; ++i)
        header += "line" + std::to_string(i) + "\r\n";
    v.SetText(Setting::HTML_Header, header);
    v.Save(p);
    std::string stored = EncodeLineBreaks(header);
    ASSERT_GT(stored.size(), 2047u);
    EXPECT_EQ(SettingsValues::FromFile(p).Text(Setting::HTML_Header),
              MemoText(DecodeLineBreaks(stored.substr(0, 2047))));
}

TEST(SettingsFile, SaveKeepsForeignContentOfHandEditedFile)
{
    TempDir dir;
    std::string p = (dir / "hand.ini").string();
    writeFile(p, "; my settings\n[Extra]\nA=1\n[tables]\nCAPTION=Old\nMine=2\n");
    SettingsValues().Save(p);
    std::string text = readFile(p);
    EXPECT_EQ(text.rfind("; my settings\r\n[Extra]\r\nA=1\r\n[tables]\r\nCaption=Tables\r\nMine=2\r\n"
                         "IncludeInHTML=1\r\n",
                         0),
              0u)
        << text;
    EXPECT_EQ(SettingsValues::FromFile(p).Text(Setting::Tables_Caption), "Tables");
    EXPECT_NE(text.find("[Settings]\r\nDatabase=\r\n"), std::string::npos);
}

TEST(SettingsFile, SaveToFullDeviceRaises)
{
    EXPECT_THROW(SettingsValues().Save("/dev/full"), EProfileWriteError);
}

TEST(SettingsValuesAccessor, HoldsValuesAsTheControlsDo)
{
    SettingsValues v;
    v.SetText(Setting::HTML_Footer, "no break");
    EXPECT_EQ(v.Text(Setting::HTML_Footer), "no break\r\n");
    v.SetText(Setting::Tables_Caption, "one line");
    EXPECT_EQ(v.Text(Setting::Tables_Caption), "one line");
    v.SetInt(Setting::TOC_Position, 9);
    EXPECT_EQ(v.Int(Setting::TOC_Position), 1);
    EXPECT_EQ(v.Text(Setting::Tables_IncludeInHTML), "1");
    EXPECT_THROW(v.Bool(Setting::Tables_Caption), std::logic_error);
    EXPECT_THROW(v.Int(Setting::TOC_CreateTOC), std::logic_error);
    EXPECT_THROW(v.SetBool(Setting::TOC_Position, true), std::logic_error);
}

TEST(SettingsFile, SampleSettingsHoldTheFormDefaults)
{
    // sample/settings.ini is what ./run.sh starts the window with: the form
    // defaults with an empty database path that run.sh fills in.
    fs::path sample = fs::path(VARNEL_SOURCE_DIR) / "sample" / "settings.ini";
    TempDir dir;
    fs::path p = dir / "defaults.ini";
    SettingsValues().Save(p.string());
    EXPECT_EQ(readFile(sample), readFile(p));
}

} // namespace
