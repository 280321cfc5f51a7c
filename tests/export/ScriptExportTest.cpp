// The SQL description scripts beyond the golden file: each object's own
// script is exactly its block of the whole script, objects found by their
// stored name only, a dialect 1 database's bare names, and an empty
// database.
#include "ExportTestUtil.h"

#include "export/ScriptExport.h"
#include "export/TextFile.h"

namespace varnel::exporttest {
namespace {

constexpr const char* kEpoch = "1078617600";

const std::vector<std::string> kTables = {"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"};
const std::vector<std::string> kViews = {"V_CUSTOMER_CREDIT", "V_ORDERS_CUST"};
const std::vector<std::string> kProcedures = {"P_NOTHING", "P_ORDERS", "P_OUT"};

class ScriptExportTest : public ExportTest {
protected:
    explicit ScriptExportTest(varnel::test::DatabaseOptions o = {}) : ExportTest(std::move(o)) {}
    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", kEpoch, 1);
        ExportTest::SetUp();
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        ::unsetenv("SOURCE_DATE_EPOCH");
    }
    std::string Object(TDescribedObject kind, const std::string& name)
    {
        EXPECT_TRUE(ObjectScriptExport(Cat(), kind, name, Out("object.sql"))) << name;
        return Read("object.sql");
    }
    std::string Script()
    {
        ScriptExport(Cat(), Out("all.sql"));
        return Read("all.sql");
    }
    // The text between two section comments of the whole script.
    static std::string Between(const std::string& text, const std::string& from, const std::string& to)
    {
        std::size_t a = text.find(from);
        std::size_t b = to.empty() ? text.size() : text.find(to);
        EXPECT_NE(a, std::string::npos);
        EXPECT_NE(b, std::string::npos);
        return text.substr(a + from.size(), b - a - from.size());
    }
};

TEST_F(ScriptExportTest, EachObjectScriptIsItsBlockOfTheWholeScript)
{
    const std::string all = Script();
    struct Section {
        TDescribedObject kind;
        const std::vector<std::string>* names;
        std::string body;
    };
    const std::vector<Section> sections = {
        {TDescribedObject::Table, &kTables, Between(all, "/* Tables */\r\n\r\n", "/* Views */")},
        {TDescribedObject::View, &kViews, Between(all, "/* Views */\r\n\r\n", "/* Procedures */")},
        // To the end: the script's own "COMMIT;" and empty line follow the last block.
        {TDescribedObject::Procedure, &kProcedures, Between(all, "/* Procedures */\r\n\r\n", "")},
    };
    const std::string finalCommit = "COMMIT;\r\n\r\n";
    for (const Section& s : sections) {
        std::string joined;
        for (const std::string& name : *s.names)
            joined += Object(s.kind, name);
        if (s.kind == TDescribedObject::Procedure)
            joined += finalCommit;
        EXPECT_EQ(joined, s.body);
    }
    EXPECT_TRUE(ExportQueriesClosed());
}

TEST_F(ScriptExportTest, ProcedureScriptHoldsOnlyItsOwnStatements)
{
    EXPECT_EQ(Object(TDescribedObject::Procedure, "P_ORDERS"),
              "COMMENT ON PROCEDURE \"P_ORDERS\" IS 'Orders of one customer above an amount';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"CUST\" IS 'Customer id';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"AMOUNT\" IS 'Order amount';\r\n"
              "COMMIT;\r\n\r\n");
    // The standalone P_OUT, not the package routine of the same name.
    EXPECT_EQ(Object(TDescribedObject::Procedure, "P_OUT"),
              "COMMENT ON PROCEDURE \"P_OUT\" IS 'Only output parameters';\r\n"
              "COMMENT ON PARAMETER \"P_OUT\".\"TOTAL\" IS 'Number of orders';\r\n"
              "COMMIT;\r\n\r\n");
}

TEST_F(ScriptExportTest, QuotedNamesAndApostrophesAreDoubledNotDropped)
{
    EXPECT_EQ(Object(TDescribedObject::Table, "odd names"),
              "COMMENT ON TABLE \"odd names\" IS 'Quoted identifiers';\r\n"
              "COMMENT ON COLUMN \"odd names\".\"lower\" IS 'lower case name';\r\n"
              "COMMENT ON COLUMN \"odd names\".\"with blank\" IS 'name with a blank';\r\n"
              "COMMENT ON COLUMN \"odd names\".\"it's\" IS 'name with an apostrophe';\r\n"
              "COMMENT ON COLUMN \"odd names\".\"say \"\"hi\"\"\" IS 'name with double quotes';\r\n"
              "COMMIT;\r\n\r\n");
    EXPECT_EQ(Object(TDescribedObject::View, "V_ORDERS_CUST"),
              "COMMENT ON VIEW \"V_ORDERS_CUST\" IS 'Orders with the customer''s name';\r\n"
              "COMMENT ON COLUMN \"V_ORDERS_CUST\".\"NAME\" IS 'From CUSTOMERS';\r\n"
              "COMMIT;\r\n\r\n");
}

TEST_F(ScriptExportTest, ObjectWithoutDescriptionsGivesTheCommitOnly)
{
    EXPECT_EQ(Object(TDescribedObject::Table, "EMPTY_DOC"), "COMMIT;\r\n\r\n");
}

// The name must match as stored: no other case, no partial name, no
// other kind of object. The file is then empty.
TEST_F(ScriptExportTest, ObjectNotFoundWritesNoBlock)
{
    struct Miss {
        TDescribedObject kind;
        const char* name;
    };
    for (const Miss& m : {Miss{TDescribedObject::Table, "DROPPED_TABLE"}, Miss{TDescribedObject::Table, "customers"},
                          Miss{TDescribedObject::Table, "CUST"}, Miss{TDescribedObject::Table, "V_ORDERS_CUST"},
                          Miss{TDescribedObject::Procedure, "PKG.P_OUT"}, Miss{TDescribedObject::View, "ORDERS"}}) {
        EXPECT_FALSE(ObjectScriptExport(Cat(), m.kind, m.name, Out("miss.sql"))) << m.name;
        EXPECT_EQ(Read("miss.sql"), "") << m.name;
    }
    EXPECT_TRUE(ExportQueriesClosed());
}

TEST_F(ScriptExportTest, ProgressNamesEachSectionAndCountsItsObjects)
{
    std::vector<std::string> seen;
    ScriptExport(Cat(), Out("all.sql"),
                 [&](const std::string& section, int n) { seen.push_back(section + " " + std::to_string(n)); });
    const std::vector<std::string> expected = {"Tables 0", "Tables 1", "Tables 2", "Tables 3", "Tables 4",
                                               "Tables 5", "Views 0",  "Views 1",  "Views 2",  "Procedures 0",
                                               "Procedures 1", "Procedures 2", "Procedures 3"};
    EXPECT_EQ(seen, expected);
}

TEST_F(ScriptExportTest, SystemTablesOnlyWithShowSystemData)
{
    EXPECT_EQ(Script().find("RDB$"), std::string::npos);
    settings_.SetBool(Setting::Settings_SystemData, true);
    Cat().TableExportQuery.InvalidateSQL();
    // System tables carry their own descriptions on some servers; the
    // block of each is there either way.
    ScriptExport(Cat(), Out("system.sql"));
    EXPECT_NE(Read("system.sql"), Read("all.sql"));
    EXPECT_TRUE(ObjectScriptExport(Cat(), TDescribedObject::Table, "RDB$RELATIONS", Out("rdb.sql")));
}

class DialectOneScript : public ScriptExportTest {
protected:
    DialectOneScript()
        : ScriptExportTest({.schema = "schema_dialect1.sql", .descriptions = "descriptions_dialect1.sql", .dialect = 1})
    {
    }
};

TEST_F(DialectOneScript, NamesAreBare)
{
    const std::string all = Script();
    const std::size_t body = all.find("/* Tables */");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(all.substr(body), "/* Tables */\r\n\r\n"
                                "COMMENT ON TABLE ITEMS IS 'Items for sale, it''s a dialect 1 table';\r\n"
                                "COMMENT ON COLUMN ITEMS.TITLE IS 'Title of the item';\r\n"
                                "COMMIT;\r\n\r\n"
                                "/* Views */\r\n\r\n"
                                "COMMENT ON VIEW V_ITEMS IS 'Item titles';\r\n"
                                "COMMIT;\r\n\r\n"
                                "/* Procedures */\r\n\r\n"
                                "COMMENT ON PROCEDURE P_ITEM IS 'Title of one item';\r\n"
                                "COMMENT ON PARAMETER P_ITEM.ID IS 'Item id';\r\n"
                                "COMMIT;\r\n\r\n"
                                "COMMIT;\r\n\r\n");
}

class EmptyScript : public ScriptExportTest {
protected:
    EmptyScript() : ScriptExportTest({.schema = "", .descriptions = ""}) {}
};

TEST_F(EmptyScript, BannerSectionCommentsAndTheFinalCommit)
{
    const std::vector<std::string> banner = ScriptBannerLines(db_.path(), "2004/03/07", 12);
    std::string expected;
    for (const std::string& line : banner)
        expected += line + "\r\n";
    expected += "\r\n/* Tables */\r\n\r\n/* Views */\r\n\r\n/* Procedures */\r\n\r\nCOMMIT;\r\n\r\n";
    EXPECT_EQ(Script(), expected);
    EXPECT_EQ(banner[3], "/* Created by Varnel at 2004/03/07" + std::string(38, ' ') + " */");
}

} // namespace
} // namespace varnel::exporttest
