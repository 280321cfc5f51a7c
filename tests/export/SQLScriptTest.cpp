// Pieces of the SQL description scripts: banner, date, statements, blocks.
#include "export/SQLScript.h"
#include "export/TextFile.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace varnel::test;

namespace {

std::string blanks(int n) { return std::string(n, ' '); }

const std::string kRule = "/* --------------------------------------------------------------------- */";

// Banner -------------------------------------------------------------------

TEST(ScriptBanner, OlderStructureKeepsTheUpdateNote)
{
    const std::string path = "/data/db/sample1.fdb";
    ASSERT_EQ(path.size(), 20u);
    std::vector<std::string> expected = {
        kRule,
        "/* Description script for database                                       */",
        "/* " + path + blanks(49) + " */",
        "/* Created by Varnel at 2004/03/07" + blanks(38) + " */",
        "/*                                                                       */",
        "/* NOTE:                                                                 */",
        "/* This script needs an implicit string-to-BLOB-conversion to work       */",
        "/* (as implemented in FireBird 1.0 or higher)                            */",
        kRule,
    };
    EXPECT_EQ(ScriptBannerLines(path, "2004/03/07", 11), expected);
}

TEST(ScriptBanner, CommentOnStructureNamesCommentOnSupport)
{
    auto lines = ScriptBannerLines("/data/db/sample1.fdb", "2004/03/07", 12);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[6], "/* This script needs COMMENT ON support to work" + blanks(25) + " */");
    EXPECT_EQ(lines[7], "/* (as implemented in Firebird 2.0 or higher)" + blanks(27) + " */");
    EXPECT_EQ(lines[2], "/* /data/db/sample1.fdb" + blanks(49) + " */");
    EXPECT_EQ(lines[0], kRule);
    EXPECT_EQ(lines[8], kRule);
    EXPECT_EQ(ScriptBannerLines("x", "2004/03/07", 13)[6], lines[6]);
}

TEST(ScriptBanner, EveryLineIs75Wide)
{
    for (int ods : {10, 11, 12, 13})
        for (const std::string& path : {std::string(), std::string("C:\\DB\\X.GDB"), std::string(69, 'p')})
            for (const auto& line : ScriptBannerLines(path, "2024/12/31", ods))
                EXPECT_EQ(line.size(), 75u) << "ods " << ods << ": " << line;
}

TEST(ScriptBanner, LongPathIsWrittenWhole)
{
    std::string path = "/very/long/path/" + std::string(70, 'd') + "/catalogue.fdb";
    auto lines = ScriptBannerLines(path, "2004/03/07", 12);
    EXPECT_EQ(lines[2], "/* " + path + " */");
    std::string seventy(70, 'q');
    EXPECT_EQ(ScriptBannerLines(seventy, "2004/03/07", 11)[2], "/* " + seventy + " */");
}

// Date ---------------------------------------------------------------------

TEST(ScriptDate, Format)
{
    EXPECT_EQ(FormatScriptDate(2004, 3, 7), "2004/03/07");
    EXPECT_EQ(FormatScriptDate(2024, 12, 31), "2024/12/31");
    EXPECT_EQ(FormatScriptDate(999, 1, 2), " 999/01/02");
}

// Sets TZ for the life of the object (UTC+14, without tzdata).
class ScopedTZ {
public:
    explicit ScopedTZ(const char* tz)
    {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTZ()
    {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

constexpr std::time_t k20040307Noon = 1078660800; // 2004-03-07 12:00 UTC

struct DateCase {
    const char* name;
    const char* epoch;
    std::string expected;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

class ScriptDateSource : public ::testing::TestWithParam<DateCase> {};

TEST_P(ScriptDateSource, UtcDateOfTheEpochElseLocalDate)
{
    ScopedTZ tz("XYZ-14"); // local noon UTC is already the next day
    EXPECT_EQ(ScriptDate(GetParam().epoch, k20040307Noon), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Epochs, ScriptDateSource,
    ::testing::Values(
        DateCase{"unsetUsesLocalDate", nullptr, "2004/03/08"},
        DateCase{"epochStartOfDay", "1078617600", "2004/03/07"},
        DateCase{"epochLateUtcStaysUtc", "1078703999", "2004/03/07"},
        DateCase{"epochZero", "0", "1970/01/01"},
        DateCase{"emptyIgnored", "", "2004/03/08"},
        DateCase{"negativeIgnored", "-5", "2004/03/08"},
        DateCase{"trailingTextIgnored", "1078617600x", "2004/03/08"},
        DateCase{"wordIgnored", "yesterday", "2004/03/08"},
        DateCase{"overflowIgnored", "999999999999999999999999", "2004/03/08"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptDate, ReadsSourceDateEpochFromTheEnvironment)
{
    const char* old = std::getenv("SOURCE_DATE_EPOCH");
    std::string saved = old ? old : "";
    ::setenv("SOURCE_DATE_EPOCH", "1078617600", 1);
    std::string date = ScriptDate();
    if (old)
        ::setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1);
    else
        ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(date, "2004/03/07");
}

// Statements ---------------------------------------------------------------

TEST(SQLQuoting, StringsAndIdentifiers)
{
    EXPECT_EQ(QuoteSQLString(""), "''");
    EXPECT_EQ(QuoteSQLString("It's new"), "'It''s new'");
    EXPECT_EQ(QuoteSQLString("''"), "''''''");
    EXPECT_EQ(QuoteSQLString("a \"b\""), "'a \"b\"'");
    EXPECT_EQ(QuoteSQLIdentifier("ORDERS", 3), "\"ORDERS\"");
    EXPECT_EQ(QuoteSQLIdentifier("My \"Table\"", 3), "\"My \"\"Table\"\"\"");
    EXPECT_EQ(QuoteSQLIdentifier("it's", 3), "\"it's\"");
    EXPECT_EQ(QuoteSQLIdentifier("ORDERS", 1), "ORDERS");
}

struct StatementCase {
    const char* name;
    TScriptForm form;
    TDescribedObject kind;
    std::string owner;  // object name, or the member's owner
    std::string member; // empty: object statement
    std::string description;
    std::string expected;
};

void PrintTo(const StatementCase& c, std::ostream* os) { *os << c.name; }

class DescriptionStatement : public ::testing::TestWithParam<StatementCase> {};

TEST_P(DescriptionStatement, ExactText)
{
    const auto& c = GetParam();
    std::string text = c.member.empty()
                           ? ObjectDescriptionStatement(c.form, c.kind, c.owner, c.description)
                           : MemberDescriptionStatement(c.form, c.kind, c.owner, c.member, c.description);
    EXPECT_EQ(text, c.expected);
}

const TScriptForm kComment3{true, 3};
const TScriptForm kComment1{true, 1};
const TScriptForm kUpdate{false, 3};
using K = TDescribedObject;

INSTANTIATE_TEST_SUITE_P(
    Statements, DescriptionStatement,
    ::testing::Values(
        StatementCase{"commentTable", kComment3, K::Table, "ORDERS", "", "All orders",
                      "COMMENT ON TABLE \"ORDERS\" IS 'All orders';"},
        StatementCase{"commentTableColumn", kComment3, K::Table, "ORDERS", "ID", "Key",
                      "COMMENT ON COLUMN \"ORDERS\".\"ID\" IS 'Key';"},
        StatementCase{"commentView", kComment3, K::View, "V_ORDERS", "", "Open orders",
                      "COMMENT ON VIEW \"V_ORDERS\" IS 'Open orders';"},
        StatementCase{"commentViewColumn", kComment3, K::View, "V_ORDERS", "TOTAL", "Sum",
                      "COMMENT ON COLUMN \"V_ORDERS\".\"TOTAL\" IS 'Sum';"},
        StatementCase{"commentProcedure", kComment3, K::Procedure, "P_ORDERS", "", "Lists orders",
                      "COMMENT ON PROCEDURE \"P_ORDERS\" IS 'Lists orders';"},
        StatementCase{"commentParameter", kComment3, K::Procedure, "P_ORDERS", "A", "Input",
                      "COMMENT ON PARAMETER \"P_ORDERS\".\"A\" IS 'Input';"},
        StatementCase{"commentApostrophesDoubled", kComment3, K::Table, "T", "", "It's new",
                      "COMMENT ON TABLE \"T\" IS 'It''s new';"},
        StatementCase{"commentQuotedNames", kComment3, K::Table, "Mixed \"Case\"", "it's \"f\"", "d",
                      "COMMENT ON COLUMN \"Mixed \"\"Case\"\"\".\"it's \"\"f\"\"\" IS 'd';"},
        StatementCase{"commentLineBreakKept", kComment3, K::Table, "T", "", "one\r\ntwo",
                      "COMMENT ON TABLE \"T\" IS 'one\r\ntwo';"},
        StatementCase{"commentEmptyText", kComment3, K::View, "V", "", "",
                      "COMMENT ON VIEW \"V\" IS '';"},
        StatementCase{"dialect1BareNames", kComment1, K::Table, "ORDERS", "", "x",
                      "COMMENT ON TABLE ORDERS IS 'x';"},
        StatementCase{"dialect1BareColumn", kComment1, K::View, "V_ORDERS", "ID", "It's",
                      "COMMENT ON COLUMN V_ORDERS.ID IS 'It''s';"},
        StatementCase{"dialect1BareParameter", kComment1, K::Procedure, "P", "A", "x",
                      "COMMENT ON PARAMETER P.A IS 'x';"},
        StatementCase{"updateTable", kUpdate, K::Table, "ORDERS", "", "All orders",
                      "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION='All orders' WHERE RDB$RELATION_NAME='ORDERS';"},
        StatementCase{"updateViewAsTable", kUpdate, K::View, "V_ORDERS", "", "Open",
                      "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION='Open' WHERE RDB$RELATION_NAME='V_ORDERS';"},
        StatementCase{"updateField", kUpdate, K::Table, "ORDERS", "ID", "Key",
                      "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION='Key' WHERE RDB$FIELD_NAME='ID' AND "
                      "RDB$RELATION_NAME='ORDERS';"},
        StatementCase{"updateViewField", kUpdate, K::View, "V_ORDERS", "TOTAL", "Sum",
                      "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION='Sum' WHERE RDB$FIELD_NAME='TOTAL' AND "
                      "RDB$RELATION_NAME='V_ORDERS';"},
        StatementCase{"updateProcedure", kUpdate, K::Procedure, "P_ORDERS", "", "Lists",
                      "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION='Lists' WHERE RDB$PROCEDURE_NAME='P_ORDERS';"},
        StatementCase{"updateParameter", kUpdate, K::Procedure, "P_ORDERS", "A", "In",
                      "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION='In' WHERE RDB$PARAMETER_NAME='A' "
                      "AND RDB$PROCEDURE_NAME='P_ORDERS';"},
        StatementCase{"updateApostrophesDoubledNotDeleted", kUpdate, K::Table, "T", "", "It's new",
                      "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION='It''s new' WHERE RDB$RELATION_NAME='T';"},
        StatementCase{"updateApostropheInNames", kUpdate, K::Table, "O'T", "F'1", "x",
                      "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION='x' WHERE RDB$FIELD_NAME='F''1' AND "
                      "RDB$RELATION_NAME='O''T';"},
        StatementCase{"updateDoubleQuotesUntouched", kUpdate, K::Procedure, "P\"Q", "", "say \"hi\"",
                      "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION='say \"hi\"' WHERE RDB$PROCEDURE_NAME='P\"Q';"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptForm, ChosenByStructureAndDialect)
{
    EXPECT_FALSE(TScriptForm::For(11, 3).CommentOn);
    EXPECT_TRUE(TScriptForm::For(12, 3).CommentOn);
    EXPECT_TRUE(TScriptForm::For(13, 1).CommentOn);
    EXPECT_EQ(TScriptForm::For(13, 1).SQLDialect, 1);
}

// Blocks -------------------------------------------------------------------

TEST(DescriptionBlock, OnlyDescribedMembersAndTheCommit)
{
    std::vector<TDescribedMember> members = {
        {"ORDERS", "ID", std::nullopt},
        {"ORDERS", "TOTAL", std::string("Sum of it's lines")},
    };
    EXPECT_EQ(DescriptionBlockText(kComment3, K::Table, "ORDERS", std::nullopt, members),
              "COMMENT ON COLUMN \"ORDERS\".\"TOTAL\" IS 'Sum of it''s lines';\nCOMMIT;\n\n");
}

TEST(DescriptionBlock, NoDescriptionGivesTheCommitOnly)
{
    EXPECT_EQ(DescriptionBlockText(kUpdate, K::View, "V", std::nullopt, {{"V", "A", std::nullopt}}),
              "COMMIT;\n\n");
    EXPECT_EQ(DescriptionBlockText(kComment3, K::Procedure, "P", std::nullopt, {}), "COMMIT;\n\n");
}

TEST(DescriptionBlock, ObjectThenMembersInOrder)
{
    std::vector<TDescribedMember> members = {
        {"P_ORDERS", "A", std::string("first")},
        {"P_ORDERS", "R", std::string("")},
    };
    EXPECT_EQ(DescriptionBlockText(kUpdate, K::Procedure, "P_ORDERS", std::string("proc"), members),
              "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION='proc' WHERE RDB$PROCEDURE_NAME='P_ORDERS';\n"
              "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION='first' WHERE RDB$PARAMETER_NAME='A' AND "
              "RDB$PROCEDURE_NAME='P_ORDERS';\n"
              "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION='' WHERE RDB$PARAMETER_NAME='R' AND "
              "RDB$PROCEDURE_NAME='P_ORDERS';\n"
              "COMMIT;\n\n");
}

// Firebird refuses a string literal of more than 65535 bytes, so COMMENT
// ON cannot carry a longer description: the block is refused with the
// object named rather than written as a statement that cannot run.
TEST(DescriptionBlock, CommentOnRefusesADescriptionLongerThanALiteral)
{
    const std::string longest(MaxCommentLiteral, 'x');
    const std::string tooLong = longest + "y";
    // Doubled apostrophes count once: the limit is on the text.
    const std::string quoted = std::string(MaxCommentLiteral - 2, 'x') + "''";
    EXPECT_NO_THROW(DescriptionBlockText(kComment3, K::Table, "T", longest, {{"T", "C", quoted}}));

    struct Refused {
        const char* name;
        K kind;
        std::optional<std::string> object;
        std::vector<TDescribedMember> members;
        std::string message;
    };
    const std::string limit = " bytes: a COMMENT ON statement carries at most 65535";
    const std::vector<Refused> cases = {
        {"table", K::Table, tooLong, {}, "The description of table T has 65536" + limit},
        {"view column", K::View, std::nullopt, {{"V", "A", std::string("a")}, {"V", "B", tooLong}},
         "The description of column V.B has 65536" + limit},
        {"parameter", K::Procedure, std::string("p"), {{"P", "X", tooLong + tooLong}},
         "The description of parameter P.X has 131072" + limit},
    };
    for (const Refused& c : cases) {
        const std::string name = c.kind == K::Table ? "T" : c.kind == K::View ? "V" : "P";
        try {
            DescriptionBlockText(kComment3, c.kind, name, c.object, c.members);
            ADD_FAILURE() << c.name << ": not refused";
        } catch (const EScriptError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
        // The UPDATE of an older structure takes the text as a blob.
        EXPECT_NO_THROW(DescriptionBlockText(kUpdate, c.kind, name, c.object, c.members)) << c.name;
    }
}

// isql reads a script only up to its first NUL: a description holding one
// is refused in every form, naming the object or member, before anything
// of the block is written.
TEST(DescriptionBlock, EveryFormRefusesANulCharacter)
{
    const std::string nul("a\0b", 3);
    for (const TScriptForm& form : {kComment3, kComment1, kUpdate}) {
        try {
            DescriptionBlockText(form, K::Table, "T", nul, {});
            ADD_FAILURE() << "table not refused";
        } catch (const EScriptError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The description of table T holds a NUL character, which an SQL script cannot carry");
        }
        try {
            DescriptionBlockText(form, K::Procedure, "P", std::string("fine"), {{"P", "X", nul}});
            ADD_FAILURE() << "parameter not refused";
        } catch (const EScriptError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The description of parameter P.X holds a NUL character, which an SQL script cannot carry");
        }
    }
}

// The pieces written through the text file, as the script exporter does.
TEST(ScriptFile, BannerAndBlockBytes)
{
    TempDir dir;
    std::string name = (dir / "desc.sql").string();
    {
        TTextFile f(name);
        for (const auto& line : ScriptBannerLines("/data/db/sample1.fdb", "2004/03/07", 12))
            f.WriteLine(line);
        f.WriteLine();
        f.WriteLine("/* Tables */");
        f.WriteLine();
        f.Write(DescriptionBlockText(kComment3, K::Table, "T", std::string("one\r\ntwo"), {}));
        f.WriteLine("/* Views */");
        f.WriteLine();
        f.Close();
    }
    std::string bytes = readFile(name);
    std::string head = kRule + "\r\n";
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    EXPECT_EQ(bytes.substr(9 * 77, std::string::npos),
              "\r\n/* Tables */\r\n\r\n"
              "COMMENT ON TABLE \"T\" IS 'one\r\r\ntwo';\r\nCOMMIT;\r\n\r\n"
              "/* Views */\r\n\r\n");
}

} // namespace
