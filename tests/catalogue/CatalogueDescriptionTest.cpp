// Writing descriptions through the six browse queries on Firebird 3 and
// later: the EditSQL texts, posting through the dataset and reading back
// through another connection, quoted names, character sets, long texts,
// objects dropped meanwhile, open cursors across the commit, dialect 1.
#include "CatalogueTestUtil.h"

#include "db/IB_Error.h"

#include <optional>
#include <ostream>

namespace varnel::cattest {
namespace {

using K = TDescriptionKind;

// ISO-8859-1 bytes as UTF-8.
std::string Utf8(const std::string& latin1)
{
    std::string r;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            r += static_cast<char>(c);
        } else {
            r += static_cast<char>(0xC0 | (c >> 6));
            r += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return r;
}

// A literal for a name or text in a test query.
std::string Lit(const std::string& s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? std::string("''") : std::string(1, c);
    return r + "'";
}

std::string RelationDescription(const std::string& rel)
{
    return "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = " + Lit(rel);
}
std::string ColumnDescription(const std::string& rel, const std::string& field)
{
    return "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = " + Lit(rel) +
           " AND RDB$FIELD_NAME = " + Lit(field);
}
std::string ProcedureDescription(const std::string& proc)
{
    return "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = " + Lit(proc) +
           " AND RDB$PACKAGE_NAME IS NULL";
}
std::string ParameterDescription(const std::string& proc, const std::string& par)
{
    return "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = " + Lit(proc) +
           " AND RDB$PARAMETER_NAME = " + Lit(par) + " AND RDB$PACKAGE_NAME IS NULL";
}

// --- the texts -------------------------------------------------------------------------

struct TextCase {
    const char* name;
    K kind;
    int dialect;
    TIB_StringList expected;
};

class DescriptionEditSQLText : public ::testing::TestWithParam<TextCase> {};

TEST_P(DescriptionEditSQLText, Exact)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(c.kind, true, c.dialect, "ISO8859_1"), c.expected);
}

const char* const kIs = "    || ' IS ' || COALESCE('''' || REPLACE(RDB$DESCRIPTION, '''', '''''') || '''', 'NULL');";

INSTANTIATE_TEST_SUITE_P(
    Firebird3, DescriptionEditSQLText,
    ::testing::Values(
        TextCase{"table",
                 K::Table,
                 3,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$RELATION_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$RELATION_NAME)", "AS",
                  "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON TABLE \"' || REPLACE(TRIM(TRAILING FROM RDB$RELATION_NAME), "
                  "'\"', '\"\"') || '\"'",
                  kIs, "END"}},
        TextCase{"view",
                 K::View,
                 3,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$RELATION_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$RELATION_NAME)", "AS",
                  "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON VIEW \"' || REPLACE(TRIM(TRAILING FROM RDB$RELATION_NAME), "
                  "'\"', '\"\"') || '\"'",
                  kIs, "END"}},
        TextCase{"table_column",
                 K::TableColumn,
                 3,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$FIELD_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$FIELD_NAME",
                  "             , RDB$RELATION_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$RELATION_NAME)", "AS",
                  "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON COLUMN \"' || REPLACE(TRIM(TRAILING FROM RDB$RELATION_NAME), "
                  "'\"', '\"\"') || '\".\"' || REPLACE(TRIM(TRAILING FROM RDB$FIELD_NAME), '\"', '\"\"') || '\"'",
                  kIs, "END"}},
        TextCase{"procedure",
                 K::Procedure,
                 3,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$PROCEDURE_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$PROCEDURE_NAME)",
                  "AS", "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON PROCEDURE \"' || REPLACE(TRIM(TRAILING FROM RDB$PROCEDURE_NAME), "
                  "'\"', '\"\"') || '\"'",
                  kIs, "END"}},
        TextCase{"parameter",
                 K::Parameter,
                 3,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$PROCEDURE_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$PROCEDURE_NAME",
                  "             , RDB$PARAMETER_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$PARAMETER_NAME)",
                  "AS", "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON PARAMETER \"' || REPLACE(TRIM(TRAILING FROM RDB$PROCEDURE_NAME), "
                  "'\"', '\"\"') || '\".\"' || REPLACE(TRIM(TRAILING FROM RDB$PARAMETER_NAME), '\"', '\"\"') || "
                  "'\"'",
                  kIs, "END"}},
        TextCase{"column_dialect1",
                 K::TableColumn,
                 1,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$FIELD_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$FIELD_NAME",
                  "             , RDB$RELATION_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$RELATION_NAME)", "AS",
                  "BEGIN",
                  "  EXECUTE STATEMENT 'COMMENT ON COLUMN ' || TRIM(TRAILING FROM RDB$RELATION_NAME) || '.' || "
                  "TRIM(TRAILING FROM RDB$FIELD_NAME)",
                  kIs, "END"}},
        TextCase{"table_dialect1",
                 K::Table,
                 1,
                 {"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1 = :RDB$DESCRIPTION",
                  "             , RDB$RELATION_NAME VARCHAR(63) CHARACTER SET ISO8859_1 = :RDB$RELATION_NAME)", "AS",
                  "BEGIN", "  EXECUTE STATEMENT 'COMMENT ON TABLE ' || TRIM(TRAILING FROM RDB$RELATION_NAME)", kIs,
                  "END"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DescriptionEditSQLText, OlderStructuresKeepTheUpdates)
{
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::Table, false, 3, "ISO8859_1"),
              (TIB_StringList{"UPDATE RDB$RELATIONS", "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
                              "WHERE RDB$RELATION_NAME = :RDB$RELATION_NAME"}));
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::View, false, 3, "ISO8859_1"),
              TCatalogue::DescriptionEditSQL(K::Table, false, 3, "ISO8859_1"));
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::TableColumn, false, 3, "ISO8859_1"),
              (TIB_StringList{"UPDATE RDB$RELATION_FIELDS", "SET RDB$DESCRIPTION=:RDB$DESCRIPTION",
                              "WHERE RDB$FIELD_NAME=:RDB$FIELD_NAME", "AND RDB$RELATION_NAME=:RDB$RELATION_NAME"}));
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::ViewColumn, false, 3, "ISO8859_1"),
              (TIB_StringList{"UPDATE RDB$RELATION_FIELDS", "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
                              "WHERE RDB$FIELD_NAME = :RDB$FIELD_NAME", "AND RDB$RELATION_NAME = :RDB$RELATION_NAME"}));
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::Procedure, false, 3, "ISO8859_1"),
              (TIB_StringList{"UPDATE RDB$PROCEDURES", "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
                              "WHERE RDB$PROCEDURE_NAME = :RDB$PROCEDURE_NAME"}));
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::Parameter, false, 3, "ISO8859_1"),
              (TIB_StringList{"UPDATE RDB$PROCEDURE_PARAMETERS", "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
                              "WHERE RDB$PROCEDURE_NAME = :RDB$PROCEDURE_NAME",
                              "AND RDB$PARAMETER_NAME = :RDB$PARAMETER_NAME"}));
    // Without a character set of the connection the inputs take the
    // database's default.
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::Table, true, 3, "NONE")[0],
              "EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT = :RDB$DESCRIPTION");
    EXPECT_EQ(TCatalogue::DescriptionEditSQL(K::Table, true, 3, "")[1],
              "             , RDB$RELATION_NAME VARCHAR(63) = :RDB$RELATION_NAME)");
}

TEST(DescriptionEditSQLText, DesignedUpdatesUntilADatabaseIsAttached)
{
    auto session = TIB_Session::Default();
    TIB_Connection c(session);
    TIB_Transaction t(session);
    SettingsValues settings;
    TCatalogue cat(c, t, settings);
    EXPECT_EQ(cat.TableQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::Table, false, 3, ""));
    EXPECT_EQ(cat.ViewQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::View, false, 3, ""));
    EXPECT_EQ(cat.FieldQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::TableColumn, false, 3, ""));
    EXPECT_EQ(cat.ViewFieldQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::ViewColumn, false, 3, ""));
    EXPECT_EQ(cat.ProcedureQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::Procedure, false, 3, ""));
    EXPECT_EQ(cat.ParameterQuery.EditSQL(), TCatalogue::DescriptionEditSQL(K::Parameter, false, 3, ""));
}

// --- posting -----------------------------------------------------------------------------

// Where a description lives and how the browse lists reach it.
struct PostCase {
    const char* name;
    K kind;
    const char* master;       // browse query of the object list
    const char* masterColumn;
    const char* masterValue;
    const char* detail;       // its detail list, or null to edit the master
    const char* detailColumn;
    const char* detailValue;
    std::string readBack;     // the stored description
    std::string untouched;    // a description that must keep its text (empty: none)
    const char* untouchedText;
};

class DescriptionPost : public CatalogueTest {
protected:
    using CatalogueTest::CatalogueTest;

    // Opens the browse lists and puts them on the case's object; returns
    // the query that edits its description.
    TIB_Query& Reach(const PostCase& c)
    {
        cat_->OpenBrowseQueries();
        TIB_Query& m = *cat_->QueryByName(c.master);
        EXPECT_TRUE(m.Locate(c.masterColumn, {std::string(c.masterValue)})) << c.masterValue;
        if (!c.detail)
            return m;
        TIB_Query& d = *cat_->QueryByName(c.detail);
        EXPECT_TRUE(d.Locate(c.detailColumn, {std::string(c.detailValue)})) << c.detailValue;
        return d;
    }

    // What the main window does: a memo writes the text into the column
    // and, on leaving it, CheckBrowseMode posts.
    static void Describe(TIB_Query& q, const std::optional<std::string>& text)
    {
        q.Edit();
        TIB_Column& d = q.FieldByName("RDB$DESCRIPTION");
        if (text)
            d.SetAsString(*text);
        else
            d.SetIsNull(true);
        q.CheckBrowseMode();
    }
};

void PrintTo(const PostCase& c, std::ostream* os) { *os << c.name; }

class DescriptionKinds : public DescriptionPost, public ::testing::WithParamInterface<PostCase> {};

const std::string kText = "Gr\xf6\xdf" "e, caf\xe9: it's \"quoted\"\r\nsecond line; 100% <b>&</b>";

TEST_P(DescriptionKinds, PostedThroughTheDatasetAndReadBackElsewhere)
{
    const PostCase& c = GetParam();
    TIB_Query& q = Reach(c);
    EXPECT_EQ(q.EditSQL(), TCatalogue::DescriptionEditSQL(c.kind, true, 3, "ISO8859_1"));
    EXPECT_FALSE(q.GetColumnIsReadOnly(q.FieldByName("RDB$DESCRIPTION")));

    Describe(q, kText);
    EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(), kText);
    EXPECT_EQ(OtherConnection().Value(c.readBack), kText) << "committed at once";
    EXPECT_EQ(OtherConnection("UTF8").Value(c.readBack), Utf8(kText));
    if (!c.untouched.empty()) {
        EXPECT_EQ(OtherConnection().Value(c.untouched), c.untouchedText);
    }

    // A null text removes the description; so does an empty one (COMMENT
    // ON stores no empty text).
    Describe(q, std::nullopt);
    EXPECT_EQ(OtherConnection().Value(c.readBack), "<null>");
    Describe(q, "again");
    Describe(q, "");
    EXPECT_EQ(OtherConnection().Value(c.readBack), "<null>");
    if (!c.untouched.empty()) {
        EXPECT_EQ(OtherConnection().Value(c.untouched), c.untouchedText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SixKinds, DescriptionKinds,
    ::testing::Values(
        PostCase{"table", K::Table, "TableQuery", "RDB$RELATION_NAME", "ORDERS", nullptr, nullptr, nullptr,
                 RelationDescription("ORDERS"), RelationDescription("CUSTOMERS"),
                 "Customers of the shop: <b>bold</b> & \"quoted\", it's fine"},
        PostCase{"view", K::View, "ViewQuery", "RDB$RELATION_NAME", "V_ORDERS_CUST", nullptr, nullptr, nullptr,
                 RelationDescription("V_ORDERS_CUST"), "", ""},
        // A column name that two tables share keeps two descriptions.
        PostCase{"table_column", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "ORDERS", "FieldQuery",
                 "RDB$FIELD_NAME", "CUST_ID", ColumnDescription("ORDERS", "CUST_ID"),
                 ColumnDescription("CUSTOMERS", "CUST_ID"), "Primary key"},
        PostCase{"view_column", K::ViewColumn, "ViewQuery", "RDB$RELATION_NAME", "V_CUSTOMER_CREDIT",
                 "ViewFieldQuery", "RDB$FIELD_NAME", "DOUBLE_CREDIT",
                 ColumnDescription("V_CUSTOMER_CREDIT", "DOUBLE_CREDIT"),
                 ColumnDescription("V_CUSTOMER_CREDIT", "NAME"), "<null>"},
        // The standalone P_OUT, not the package routine of the same name.
        PostCase{"procedure", K::Procedure, "ProcedureQuery", "RDB$PROCEDURE_NAME", "P_OUT", nullptr, nullptr,
                 nullptr, ProcedureDescription("P_OUT"),
                 "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PACKAGE_NAME = 'PKG'",
                 "Package routine, not the standalone P_OUT"},
        PostCase{"parameter", K::Parameter, "ProcedureQuery", "RDB$PROCEDURE_NAME", "P_OUT", "ParameterQuery",
                 "RDB$PARAMETER_NAME", "LABEL", ParameterDescription("P_OUT", "LABEL"),
                 ParameterDescription("P_OUT", "TOTAL"), "Number of orders"}),
    [](const auto& info) { return std::string(info.param.name); });

// Names that need quoting: a blank, an apostrophe, a double quote, lower case.
struct NameCase {
    const char* name;
    K kind;
    const char* relation;
    const char* field; // null: the relation itself
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class DescriptionQuotedNames : public DescriptionPost, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DescriptionQuotedNames, ReachTheRightObject)
{
    const NameCase& n = GetParam();
    PostCase c{n.name, n.kind, "TableQuery", "RDB$RELATION_NAME", n.relation,
               n.field ? "FieldQuery" : nullptr, "RDB$FIELD_NAME", n.field,
               n.field ? ColumnDescription(n.relation, n.field) : RelationDescription(n.relation), "", ""};
    TIB_Query& q = Reach(c);
    const std::string text = std::string("About ") + (n.field ? n.field : n.relation) + ": it's";
    Describe(q, text);
    EXPECT_EQ(OtherConnection().Value(c.readBack), text);
}

INSTANTIATE_TEST_SUITE_P(Identifiers, DescriptionQuotedNames,
                         ::testing::Values(NameCase{"lower_case", K::TableColumn, "odd names", "lower"},
                                           NameCase{"blank", K::TableColumn, "odd names", "with blank"},
                                           NameCase{"apostrophe", K::TableColumn, "odd names", "it's"},
                                           NameCase{"double_quote", K::TableColumn, "odd names", "say \"hi\""},
                                           NameCase{"table_with_blank", K::Table, "odd names", nullptr},
                                           NameCase{"table_with_apostrophe", K::Table, "O'Reilly", nullptr},
                                           NameCase{"column_of_apostrophe_table", K::TableColumn, "O'Reilly", "ID"}),
                         [](const auto& info) { return std::string(info.param.name); });

class DescriptionEdges : public DescriptionPost {};

TEST_F(DescriptionEdges, LongTextsUpToTheServersLiteralLimit)
{
    TIB_Query& q = Reach({"notes", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "ORDERS", "FieldQuery",
                          "RDB$FIELD_NAME", "NOTES", "", "", ""});
    const std::string read = "SELECT CHAR_LENGTH(RDB$DESCRIPTION) FROM RDB$RELATION_FIELDS "
                             "WHERE RDB$RELATION_NAME = 'ORDERS' AND RDB$FIELD_NAME = 'NOTES'";
    ASSERT_EQ(Value(read), "65000") << "the fixture's long description";
    // Beyond a VARCHAR statement text, within the 65535-byte literal.
    for (size_t n : {40000u, 65535u}) {
        Describe(q, std::string(n - 1, 'x') + "'");
        EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse) << n;
        EXPECT_EQ(OtherConnection().Value(read), std::to_string(n));
    }
    // A longer text is refused by the server (its literals hold at most
    // 65535 bytes, counted after the doubled apostrophes are read as one):
    // its error, and the edit stays pending with the user's text.
    const std::string tooLong = std::string(65535, 'y') + "'";
    q.Edit();
    q.FieldByName("RDB$DESCRIPTION").SetAsString(tooLong);
    try {
        q.CheckBrowseMode();
        FAIL() << "posted";
    } catch (const EIB_ISCError& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "String literal with 65536 bytes exceeds the maximum length of 65535 bytes"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(q.State(), TIB_DatasetState::dssEdit);
    EXPECT_TRUE(q.NeedToPost());
    EXPECT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(), tooLong);
    EXPECT_EQ(OtherConnection().Value(read), "65535");
    // Shortened, the same edit posts.
    q.FieldByName("RDB$DESCRIPTION").SetAsString("short again");
    q.CheckBrowseMode();
    EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(OtherConnection().Value(read), "11");
}

struct DroppedCase {
    const char* name;
    const char* drop;
    PostCase where;
    const char* message; // part of the server's message
};

void PrintTo(const DroppedCase& c, std::ostream* os) { *os << c.name; }

class DescriptionDropped : public DescriptionPost, public ::testing::WithParamInterface<DroppedCase> {};

TEST_P(DescriptionDropped, ServersErrorAndTheEditStaysPending)
{
    const DroppedCase& c = GetParam();
    TIB_Query& q = Reach(c.where);
    OtherConnection().Exec(c.drop);
    q.Edit();
    q.FieldByName("RDB$DESCRIPTION").SetAsString("too late");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            q.CheckBrowseMode();
            FAIL() << "posted";
        } catch (const EIB_ISCError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(q.State(), TIB_DatasetState::dssEdit);
        EXPECT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(), "too late");
    }
    q.Cancel();
    EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(OtherConnection().Value("SELECT COUNT(*) FROM (" + c.where.readBack + ")"), "0") << "the object is gone";
    // The connection goes on working: another description posts.
    cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("CUSTOMERS")});
    Describe(cat_->TableQuery, "still fine");
    EXPECT_EQ(OtherConnection().Value(RelationDescription("CUSTOMERS")), "still fine");
}

INSTANTIATE_TEST_SUITE_P(
    ByAnotherConnection, DescriptionDropped,
    ::testing::Values(
        DroppedCase{"table", "DROP TABLE EMPTY_DOC",
                    PostCase{"", K::Table, "TableQuery", "RDB$RELATION_NAME", "EMPTY_DOC", nullptr, nullptr, nullptr,
                             RelationDescription("EMPTY_DOC"), "", ""},
                    "Table EMPTY_DOC not found"},
        DroppedCase{"column", "ALTER TABLE EMPTY_DOC DROP LABEL",
                    PostCase{"", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "EMPTY_DOC", "FieldQuery",
                             "RDB$FIELD_NAME", "LABEL", ColumnDescription("EMPTY_DOC", "LABEL"), "", ""},
                    "column LABEL does not exist in table/view EMPTY_DOC"},
        DroppedCase{"procedure", "DROP PROCEDURE P_NOTHING",
                    PostCase{"", K::Procedure, "ProcedureQuery", "RDB$PROCEDURE_NAME", "P_NOTHING", nullptr, nullptr,
                             nullptr, ProcedureDescription("P_NOTHING"), "", ""},
                    "Procedure P_NOTHING not found"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DescriptionEdges, OpenCursorsSurviveTheCommit)
{
    cat_->OpenBrowseQueries();
    TIB_Query& tables = cat_->TableQuery;
    TIB_Query& fields = cat_->FieldQuery;
    ASSERT_FALSE(tables.AllRowsFetched());
    ASSERT_FALSE(fields.AllRowsFetched());
    ASSERT_EQ(tables.FieldByName("RDB$RELATION_NAME").AsString(), "CUSTOMERS");
    const long fetchedTables = tables.FetchedRowCount();

    Describe(fields, "The key");
    Describe(tables, "Described while the lists were open");
    EXPECT_EQ(OtherConnection().Value(RelationDescription("CUSTOMERS")), "Described while the lists were open");
    EXPECT_EQ(OtherConnection().Value(ColumnDescription("CUSTOMERS", "CUST_ID")), "The key");

    // The same cursors go on delivering the remaining rows.
    EXPECT_TRUE(tables.CursorIsOpen());
    EXPECT_TRUE(fields.CursorIsOpen());
    EXPECT_EQ(tables.FetchedRowCount(), fetchedTables);
    std::vector<std::string> rest;
    while (!tables.Eof()) {
        rest.push_back(tables.FieldByName("RDB$RELATION_NAME").AsString());
        tables.Next();
    }
    EXPECT_EQ(rest, (std::vector<std::string>{"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"}));
    tables.First();
    EXPECT_EQ(Walk(fields, "RDB$FIELD_NAME").size(), 17u);
    EXPECT_EQ(Walk(fields, "RDB$DESCRIPTION").front(), "The key");
}

// An ISO8859_1 database: the texts reach it the same way.
class DescriptionLatin1 : public DescriptionPost {
protected:
    DescriptionLatin1() : DescriptionPost({.charset = varnel::test::Charset::ISO8859_1}) {}
};

TEST_F(DescriptionLatin1, AccentedTextRoundTrips)
{
    TIB_Query& q = Reach({"", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "CUSTOMERS", "FieldQuery",
                          "RDB$FIELD_NAME", "NAME", ColumnDescription("CUSTOMERS", "NAME"), "", ""});
    EXPECT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(),
              "Name of the customer (Gr\xf6\xdf" "e, caf\xe9, Stra\xdf" "e)");
    Describe(q, kText);
    EXPECT_EQ(OtherConnection().Value(ColumnDescription("CUSTOMERS", "NAME")), kText);
    EXPECT_EQ(OtherConnection("UTF8").Value(ColumnDescription("CUSTOMERS", "NAME")), Utf8(kText));
}

// A catalogue connected in UTF8: the inputs are declared in UTF8 and the
// padded names still fit them.
class DescriptionUtf8Connection : public DescriptionPost {
protected:
    DescriptionUtf8Connection() { connectionCharset_ = "UTF8"; }
};

TEST_F(DescriptionUtf8Connection, TextAndQuotedNamesRoundTrip)
{
    TIB_Query& q = Reach({"", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "odd names", "FieldQuery",
                          "RDB$FIELD_NAME", "it's", ColumnDescription("odd names", "it's"), "", ""});
    EXPECT_EQ(q.EditSQL(), TCatalogue::DescriptionEditSQL(K::TableColumn, true, 3, "UTF8"));
    Describe(q, Utf8(kText));
    EXPECT_EQ(OtherConnection().Value(ColumnDescription("odd names", "it's")), kText);
    EXPECT_EQ(OtherConnection("UTF8").Value(ColumnDescription("odd names", "it's")), Utf8(kText));
}

// Dialect 1: the names go bare.
class DescriptionDialect1 : public DescriptionPost, public ::testing::WithParamInterface<PostCase> {
protected:
    DescriptionDialect1()
        : DescriptionPost({.schema = "schema_dialect1.sql", .descriptions = "descriptions_dialect1.sql", .dialect = 1})
    {
    }
};

TEST_P(DescriptionDialect1, BareNames)
{
    const PostCase& c = GetParam();
    TIB_Query& q = Reach(c);
    EXPECT_EQ(q.EditSQL(), TCatalogue::DescriptionEditSQL(c.kind, true, 1, "ISO8859_1"));
    EXPECT_EQ(JoinLines(q.EditSQL()).find('"'), std::string::npos);
    Describe(q, kText);
    EXPECT_EQ(OtherConnection().Value(c.readBack), kText);
}

INSTANTIATE_TEST_SUITE_P(
    SixKinds, DescriptionDialect1,
    ::testing::Values(
        PostCase{"table", K::Table, "TableQuery", "RDB$RELATION_NAME", "ITEMS", nullptr, nullptr, nullptr,
                 RelationDescription("ITEMS"), "", ""},
        PostCase{"view", K::View, "ViewQuery", "RDB$RELATION_NAME", "V_ITEMS", nullptr, nullptr, nullptr,
                 RelationDescription("V_ITEMS"), "", ""},
        PostCase{"table_column", K::TableColumn, "TableQuery", "RDB$RELATION_NAME", "ITEMS", "FieldQuery",
                 "RDB$FIELD_NAME", "PRICE", ColumnDescription("ITEMS", "PRICE"), "", ""},
        PostCase{"view_column", K::ViewColumn, "ViewQuery", "RDB$RELATION_NAME", "V_ITEMS", "ViewFieldQuery",
                 "RDB$FIELD_NAME", "TITLE", ColumnDescription("V_ITEMS", "TITLE"), "", ""},
        PostCase{"procedure", K::Procedure, "ProcedureQuery", "RDB$PROCEDURE_NAME", "P_ITEM", nullptr, nullptr,
                 nullptr, ProcedureDescription("P_ITEM"), "", ""},
        PostCase{"parameter", K::Parameter, "ProcedureQuery", "RDB$PROCEDURE_NAME", "P_ITEM", "ParameterQuery",
                 "RDB$PARAMETER_NAME", "TITLE", ParameterDescription("P_ITEM", "TITLE"), "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace varnel::cattest
