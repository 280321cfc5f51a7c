// The twelve catalogue queries on the fixture databases: their wiring,
// the server texts byte for byte, the rows of every list, the system-data
// filter and its toggle, and the packaged routines left out.
#include "CatalogueTestUtil.h"

#include "settings/DocSettings.h"

#include <algorithm>

namespace varnel::cattest {
namespace {

using Rows = std::vector<std::string>;

const Rows kUserTables = {"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"};
const Rows kViews = {"V_CUSTOMER_CREDIT", "V_ORDERS_CUST"};
const Rows kProcedures = {"P_NOTHING", "P_ORDERS", "P_OUT"};

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// Every query and data source by name, and the links between them.
TEST(CatalogueWiring, NamesSourcesAndLinks)
{
    auto session = TIB_Session::Default();
    TIB_Connection c(session);
    TIB_Transaction t(session);
    t.SetIB_Connection(&c);
    SettingsValues settings;
    TCatalogue cat(c, t, settings);

    const std::vector<std::string> queries = {"TableQuery",       "FieldQuery",           "ViewQuery",
                                              "ViewFieldQuery",   "ProcedureQuery",       "ParameterQuery",
                                              "TableExportQuery", "FieldExportQuery",     "ViewExportQuery",
                                              "ViewFieldExportQuery", "ProcedureExportQuery", "ParamsExportQuery"};
    auto all = cat.Queries();
    for (size_t i = 0; i < queries.size(); ++i) {
        EXPECT_EQ(all[i]->Name(), queries[i]);
        EXPECT_EQ(cat.QueryByName(queries[i]), all[i]);
        EXPECT_EQ(all[i]->IB_Connection(), &c);
        EXPECT_EQ(all[i]->IB_Transaction(), &t);
        EXPECT_TRUE(all[i]->FetchWholeRows());
    }
    EXPECT_EQ(cat.QueryByName("NoQuery"), nullptr);

    struct Link {
        const char* source;
        TIB_Query* dataset;
        TIB_Query* detail; // null: no detail
        TIB_StringList masterLinks;
    };
    const std::vector<Link> links = {
        {"TableDataSource", &cat.TableQuery, &cat.FieldQuery, {"RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"}},
        {"FieldDataSource", &cat.FieldQuery, nullptr, {}},
        {"ViewDataSource", &cat.ViewQuery, &cat.ViewFieldQuery,
         {"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"}},
        {"ViewFieldDataSource", &cat.ViewFieldQuery, nullptr, {}},
        {"ProcedureDataSource", &cat.ProcedureQuery, &cat.ParameterQuery,
         {"RDB$PROCEDURE_NAME=RDB$PROCEDURES.RDB$PROCEDURE_NAME"}},
        {"ParameterDataSource", &cat.ParameterQuery, nullptr, {}},
        {"TableExportDataSource", &cat.TableExportQuery, &cat.FieldExportQuery,
         {"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"}},
        {"ViewExportDataSource", &cat.ViewExportQuery, &cat.ViewFieldExportQuery,
         {"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"}},
        {"ProcedureExportDataSource", &cat.ProcedureExportQuery, &cat.ParamsExportQuery,
         {"RDB$PROCEDURE_NAME=RDB$PROCEDURES.RDB$PROCEDURE_NAME"}},
    };
    for (const Link& l : links) {
        SCOPED_TRACE(l.source);
        TIB_DataSource* ds = cat.DataSourceByName(l.source);
        ASSERT_NE(ds, nullptr);
        EXPECT_EQ(ds->Dataset(), l.dataset);
        if (l.detail) {
            EXPECT_EQ(l.detail->MasterSource(), ds);
            EXPECT_EQ(l.detail->MasterLinks(), l.masterLinks);
        }
    }
    EXPECT_EQ(cat.DataSourceByName("NoSource"), nullptr);
    for (TIB_Query* q : {&cat.TableQuery, &cat.ViewQuery, &cat.ProcedureQuery, &cat.TableExportQuery,
                         &cat.ViewExportQuery, &cat.ProcedureExportQuery})
        EXPECT_EQ(q->MasterSource(), nullptr) << q->Name();
}

TEST(CatalogueWiring, DesignedProperties)
{
    auto session = TIB_Session::Default();
    TIB_Connection c(session);
    TIB_Transaction t(session);
    SettingsValues settings;
    TCatalogue cat(c, t, settings);

    for (TIB_Query* q : {&cat.TableQuery, &cat.ViewQuery}) {
        EXPECT_EQ(q->KeyLinks(), TIB_StringList{"RDB$RELATIONS.RDB$RELATION_NAME"});
        EXPECT_FALSE(q->KeyLinksAutoDefine());
        EXPECT_EQ(q->OrderingItems(),
                  TIB_StringList{"RDB$RELATION_NAME=RDB$RELATION_NAME ASC; RDB$RELATION_NAME DESC"});
        EXPECT_EQ(q->OrderingLinks(), TIB_StringList{"RDB$RELATION_NAME=1"});
        EXPECT_EQ(q->OrderingItemNo(), 1);
        EXPECT_EQ(q->FieldsDisplayWidth(), (TIB_StringList{"RDB$RELATION_NAME=142", "RDB$DESCRIPTION=84"}));
        EXPECT_EQ(q->FieldsVisible(), (TIB_StringList{"DB_KEY=FALSE", "RDB$DESCRIPTION=FALSE"}));
    }
    EXPECT_EQ(cat.TableQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$RELATION_NAME=Table", "RDB$DESCRIPTION=Table description"}));
    EXPECT_EQ(cat.ViewQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$RELATION_NAME=View", "RDB$DESCRIPTION=View description"}));

    EXPECT_EQ(cat.FieldQuery.KeyLinks(),
              (TIB_StringList{"RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$RELATION_FIELDS.RDB$RELATION_NAME"}));
    // RDB$TYPE_NAME is filled from the per-connection cache of RDB$TYPES.
    EXPECT_EQ(cat.FieldQuery.CalculatedFields(),
              (TIB_StringList{"FIELD_TYPE=VARCHAR(30)", "MANDATORY=VARCHAR(5)", "RDB$TYPE_NAME=CHAR(31)"}));
    EXPECT_EQ(cat.FieldQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$FIELD_NAME=Field", "RDB$DESCRIPTION=Field description", "FIELD_TYPE=Type",
                              "MANDATORY=NOT NULL"}));
    EXPECT_EQ(cat.FieldQuery.FieldsDisplayWidth(), (TIB_StringList{"RDB$FIELD_NAME=120", "RDB$DESCRIPTION=116"}));
    EXPECT_EQ(cat.FieldQuery.FieldsAlignment(), TIB_StringList{"MANDATORY=CENTER"});

    EXPECT_EQ(cat.ViewFieldQuery.KeyLinks(), cat.FieldQuery.KeyLinks());
    EXPECT_EQ(cat.ViewFieldQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$FIELD_NAME=Field", "RDB$DESCRIPTION=Field description", "BASE_TABLE=Base table",
                              "RDB$BASE_FIELD=Base field"}));
    EXPECT_EQ(cat.ViewFieldQuery.FieldsDisplayWidth(), (TIB_StringList{"RDB$FIELD_NAME=259", "BASE_TABLE=149"}));
    EXPECT_EQ(cat.ViewFieldQuery.FieldsVisible(), TIB_StringList{"RDB$RELATION_NAME=FALSE"});
    EXPECT_TRUE(cat.ViewFieldQuery.CalculatedFields().empty());

    EXPECT_EQ(cat.ProcedureQuery.KeyLinks(), TIB_StringList{"RDB$PROCEDURE_NAME"});
    EXPECT_FALSE(cat.ProcedureQuery.KeyLinksAutoDefine());
    EXPECT_EQ(cat.ProcedureQuery.OrderingItems(),
              TIB_StringList{"RDB$PROCEDURE_NAME=RDB$PROCEDURE_NAME;RDB$PROCEDURE_NAME DESC"});
    EXPECT_EQ(cat.ProcedureQuery.OrderingLinks(), TIB_StringList{"RDB$PROCEDURE_NAME=1"});
    EXPECT_EQ(cat.ProcedureQuery.OrderingItemNo(), 1);
    EXPECT_EQ(cat.ProcedureQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$PROCEDURE_NAME=Procedure name", "RDB$DESCRIPTION=Procedure description"}));
    EXPECT_EQ(cat.ProcedureQuery.FieldsDisplayWidth(),
              (TIB_StringList{"RDB$PROCEDURE_NAME=178", "RDB$DESCRIPTION=48"}));
    EXPECT_EQ(cat.ProcedureQuery.FieldsVisible(), TIB_StringList{"RDB$DESCRIPTION=FALSE"});

    EXPECT_EQ(cat.ParameterQuery.KeyLinks(), (TIB_StringList{"RDB$PROCEDURE_NAME", "RDB$PARAMETER_NAME"}));
    EXPECT_FALSE(cat.ParameterQuery.KeyLinksAutoDefine());
    EXPECT_EQ(cat.ParameterQuery.CalculatedFields(),
              (TIB_StringList{"INOUT=VARCHAR(20)", "FIELD_TYPE=VARCHAR(30)", "RDB$TYPE_NAME=CHAR(31)"}));
    EXPECT_EQ(cat.ParameterQuery.FieldsDisplayLabel(),
              (TIB_StringList{"RDB$PARAMETER_NAME=Parameter", "INOUT=In/Out", "FIELD_TYPE=Type"}));
    EXPECT_EQ(cat.ParameterQuery.FieldsVisible(),
              (TIB_StringList{"RDB$PARAMETER_TYPE=FALSE", "RDB$DESCRIPTION=FALSE", "RDB$PROCEDURE_NAME=FALSE"}));

    // Export queries: read only, their own ORDER BY, no keys or orderings.
    for (TIB_Query* q : {&cat.TableExportQuery, &cat.FieldExportQuery, &cat.ViewExportQuery,
                         &cat.ViewFieldExportQuery, &cat.ProcedureExportQuery, &cat.ParamsExportQuery}) {
        EXPECT_TRUE(q->EditSQL().empty()) << q->Name();
        EXPECT_TRUE(q->KeyLinks().empty()) << q->Name();
        EXPECT_TRUE(q->OrderingItems().empty()) << q->Name();
    }
    for (TIB_Query* q : {&cat.TableExportQuery, &cat.ViewExportQuery, &cat.ProcedureExportQuery})
        EXPECT_FALSE(q->KeyLinksAutoDefine()) << q->Name();
    EXPECT_EQ(cat.FieldExportQuery.SQL(), cat.FieldQuery.SQL());
    EXPECT_EQ(cat.ParamsExportQuery.SQL(), cat.ParameterQuery.SQL());
    EXPECT_EQ(cat.FieldExportQuery.CalculatedFields(),
              (TIB_StringList{"FIELD_TYPE VARCHAR(30)", "MANDATORY VARCHAR(5)", "RDB$TYPE_NAME=CHAR(31)"}));
    EXPECT_EQ(cat.ViewFieldExportQuery.CalculatedFields(),
              (TIB_StringList{"FIELD_TYPE VARCHAR(30)", "MANDATORY VARCHAR(5)"}));
    EXPECT_FALSE(cat.ViewFieldExportQuery.OnCalculateField);
    EXPECT_EQ(cat.ParamsExportQuery.CalculatedFields(), cat.ParameterQuery.CalculatedFields());
}

// Fixture databases in both default character sets.
struct CharsetCase {
    const char* name;
    varnel::test::Charset charset;
    int bytesPerChar;
};

void PrintTo(const CharsetCase& c, std::ostream* os) { *os << c.name; }

class CatalogueRows : public CatalogueTest, public ::testing::WithParamInterface<CharsetCase> {
protected:
    CatalogueRows() : CatalogueTest({.charset = GetParam().charset}) {}
};

TEST_P(CatalogueRows, ObjectListsWithSystemDataHiddenAndShown)
{
    cat_->OpenBrowseQueries();
    for (TIB_Query* q : cat_->BrowseQueries())
        EXPECT_TRUE(q->Active()) << q->Name();
    EXPECT_EQ(Walk(cat_->TableQuery, "RDB$RELATION_NAME"), kUserTables);
    EXPECT_EQ(Walk(cat_->ViewQuery, "RDB$RELATION_NAME"), kViews);
    EXPECT_EQ(Walk(cat_->ProcedureQuery, "RDB$PROCEDURE_NAME"), kProcedures);
    cat_->TableExportQuery.Open();
    cat_->ViewExportQuery.Open();
    cat_->ProcedureExportQuery.Open();
    EXPECT_EQ(Walk(cat_->TableExportQuery, "RDB$RELATION_NAME"), kUserTables);
    EXPECT_EQ(Walk(cat_->ViewExportQuery, "RDB$RELATION_NAME"), kViews);
    EXPECT_EQ(Walk(cat_->ProcedureExportQuery, "RDB$PROCEDURE_NAME"), kProcedures);
    cat_->CloseExportQueries();

    settings_.SetBool(Setting::Settings_SystemData, true);
    cat_->SystemDataCheckBoxClick();
    const std::string allTables = Value("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$VIEW_BLR IS NULL");
    for (TIB_Query* q : {&cat_->TableQuery, &cat_->TableExportQuery}) {
        q->Open();
        Rows shown = Walk(*q, "RDB$RELATION_NAME");
        EXPECT_EQ(std::to_string(shown.size()), allTables) << q->Name();
        EXPECT_NE(std::find(shown.begin(), shown.end(), "RDB$RELATIONS"), shown.end()) << q->Name();
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << q->Name();
    }
    cat_->ViewQuery.Refresh();
    EXPECT_EQ(Walk(cat_->ViewQuery, "RDB$RELATION_NAME"), kViews);
    cat_->ViewExportQuery.Open();
    EXPECT_EQ(Walk(cat_->ViewExportQuery, "RDB$RELATION_NAME"), kViews);
    EXPECT_EQ(Walk(cat_->ProcedureQuery, "RDB$PROCEDURE_NAME"), kProcedures);
}

TEST_P(CatalogueRows, FieldListsFollowTheirTableInFieldOrder)
{
    cat_->OpenBrowseQueries();
    // The first table is current; its fields in declaration order.
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"),
              (Rows{"CUST_ID", "NAME", "CITY", "CREDIT", "DISCOUNT", "RATING", "BALANCE", "SCORE", "RATIO", "SINCE",
                    "CALL_TIME", "UPDATED_AT", "NOTES", "PHOTO", "ACTIVE", "EMAIL", "NAME_UTF"}));
    ASSERT_TRUE(cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("odd names")}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"), (Rows{"lower", "with blank", "it's", "say \"hi\""}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$RELATION_NAME"), Rows(4, "odd names"));
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$DESCRIPTION"),
              (Rows{"lower case name", "name with a blank", "name with an apostrophe", "name with double quotes"}));
    ASSERT_TRUE(cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("O'Reilly")}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"), Rows{"ID"});

    // The export pair the same way, walked master row by master row.
    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    std::vector<std::pair<std::string, size_t>> counts;
    for (cat_->TableExportQuery.First(); !cat_->TableExportQuery.Eof(); cat_->TableExportQuery.Next())
        counts.emplace_back(cat_->TableExportQuery.FieldByName("RDB$RELATION_NAME").AsString(),
                            Walk(cat_->FieldExportQuery, "RDB$FIELD_NAME").size());
    EXPECT_EQ(counts, (std::vector<std::pair<std::string, size_t>>{
                          {"CUSTOMERS", 17}, {"EMPTY_DOC", 2}, {"O'Reilly", 1}, {"ORDERS", 4}, {"odd names", 4}}));
}

TEST_P(CatalogueRows, ViewColumnsWithBaseTablesAndAComputedColumn)
{
    cat_->OpenBrowseQueries();
    TIB_Query& vf = cat_->ViewFieldQuery;
    EXPECT_EQ(Walk(vf, "RDB$FIELD_NAME"), (Rows{"CUST_ID", "NAME", "DOUBLE_CREDIT"}));
    EXPECT_EQ(Walk(vf, "BASE_TABLE"), (Rows{"CUSTOMERS", "CUSTOMERS", "<null>"}));
    EXPECT_EQ(Walk(vf, "RDB$BASE_FIELD"), (Rows{"CUST_ID", "NAME", "<null>"}));
    EXPECT_EQ(Walk(vf, "RDB$DESCRIPTION"), (Rows{"<null>", "<null>", "Computed: CREDIT * 2"}));
    cat_->ViewQuery.Next();
    EXPECT_EQ(Walk(vf, "RDB$FIELD_NAME"), (Rows{"ORDER_ID", "AMOUNT", "NAME"}));
    EXPECT_EQ(Walk(vf, "BASE_TABLE"), (Rows{"ORDERS", "ORDERS", "CUSTOMERS"}));
    EXPECT_EQ(Walk(vf, "RDB$BASE_FIELD"), (Rows{"ORDER_ID", "AMOUNT", "NAME"}));

    cat_->ViewExportQuery.Open();
    cat_->ViewFieldExportQuery.Open();
    EXPECT_EQ(Walk(cat_->ViewFieldExportQuery, "BASE_TABLE"), (Rows{"CUSTOMERS", "CUSTOMERS", "<null>"}));
    EXPECT_EQ(Walk(cat_->ViewFieldExportQuery, "FIELD_TYPE"), Rows(3, "<null>")) << "no handler: stays null";
    cat_->ViewExportQuery.Next();
    EXPECT_EQ(Walk(cat_->ViewFieldExportQuery, "RDB$FIELD_NAME"), (Rows{"ORDER_ID", "AMOUNT", "NAME"}));
}

TEST_P(CatalogueRows, ParametersInputsFirstAndPackagedRoutinesLeftOut)
{
    // The fixture really holds the package routine under the same name.
    ASSERT_EQ(Value("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_OUT'"), "2");

    cat_->OpenBrowseQueries();
    TIB_Query& p = cat_->ParameterQuery;
    ASSERT_EQ(cat_->ProcedureQuery.FieldByName("RDB$PROCEDURE_NAME").AsString(), "P_NOTHING");
    EXPECT_TRUE(p.Active());
    EXPECT_TRUE(p.Eof() && p.Bof()) << "a procedure without parameters";
    cat_->ProcedureQuery.Next();
    EXPECT_EQ(Walk(p, "RDB$PARAMETER_NAME"), (Rows{"CUST", "MIN_AMOUNT", "ORDER_ID", "AMOUNT"}));
    EXPECT_EQ(Walk(p, "INOUT"), (Rows{"INPUT", "INPUT", "OUTPUT", "OUTPUT"}));
    EXPECT_EQ(Walk(p, "RDB$PROCEDURE_NAME"), Rows(4, "P_ORDERS"));
    cat_->ProcedureQuery.Next();
    EXPECT_EQ(Walk(p, "RDB$PARAMETER_NAME"), (Rows{"TOTAL", "LABEL"})) << "only outputs, none of the package's";
    EXPECT_EQ(Walk(p, "INOUT"), (Rows{"OUTPUT", "OUTPUT"}));
    EXPECT_EQ(Walk(p, "RDB$DESCRIPTION"), (Rows{"Number of orders", "<null>"}));
    EXPECT_EQ(cat_->ProcedureQuery.FieldByName("RDB$DESCRIPTION").AsString(), "Only output parameters");

    cat_->ProcedureExportQuery.Open();
    cat_->ParamsExportQuery.Open();
    std::vector<Rows> params;
    for (cat_->ProcedureExportQuery.First(); !cat_->ProcedureExportQuery.Eof(); cat_->ProcedureExportQuery.Next())
        params.push_back(Walk(cat_->ParamsExportQuery, "RDB$PARAMETER_NAME"));
    EXPECT_EQ(params, (std::vector<Rows>{{}, {"CUST", "MIN_AMOUNT", "ORDER_ID", "AMOUNT"}, {"TOTAL", "LABEL"}}));
}

TEST_P(CatalogueRows, DescendingOrderingOfTheThreeLists)
{
    cat_->TableQuery.SetOrderingItemNo(-1);
    cat_->ViewQuery.SetOrderingItemNo(-1);
    cat_->ProcedureQuery.SetOrderingItemNo(-1);
    cat_->OpenBrowseQueries();
    EXPECT_EQ(Walk(cat_->TableQuery, "RDB$RELATION_NAME"), Rows(kUserTables.rbegin(), kUserTables.rend()));
    EXPECT_EQ(Walk(cat_->ViewQuery, "RDB$RELATION_NAME"), Rows(kViews.rbegin(), kViews.rend()));
    EXPECT_EQ(Walk(cat_->ProcedureQuery, "RDB$PROCEDURE_NAME"), Rows(kProcedures.rbegin(), kProcedures.rend()));
    // Each detail follows the master's first row.
    cat_->TableQuery.First();
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$RELATION_NAME"), Rows(4, "odd names"));
    cat_->ProcedureQuery.First();
    EXPECT_EQ(Walk(cat_->ParameterQuery, "RDB$PARAMETER_NAME"), (Rows{"TOTAL", "LABEL"}));
}

INSTANTIATE_TEST_SUITE_P(Charsets, CatalogueRows,
                         ::testing::Values(CharsetCase{"utf8", varnel::test::Charset::UTF8, 4},
                                           CharsetCase{"iso8859_1", varnel::test::Charset::ISO8859_1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

class CatalogueServerSQL : public CatalogueTest {};

TEST_F(CatalogueServerSQL, TableListWithAndWithoutFilterAndDescending)
{
    cat_->TableQuery.Open();
    EXPECT_EQ(cat_->TableQuery.ServerSQL(),
              "SELECT RDB$RELATION_NAME\r\n     , RDB$DESCRIPTION\r\nFROM RDB$RELATIONS\r\n"
              "WHERE RDB$VIEW_BLR IS NULL\r\n  AND RDB$SYSTEM_FLAG = 0\r\nORDER BY RDB$RELATION_NAME ASC\r\n");

    settings_.SetBool(Setting::Settings_SystemData, true);
    cat_->SystemDataCheckBoxClick();
    EXPECT_EQ(cat_->TableQuery.ServerSQL(),
              "SELECT RDB$RELATION_NAME\r\n     , RDB$DESCRIPTION\r\nFROM RDB$RELATIONS\r\n"
              "WHERE RDB$VIEW_BLR IS NULL\r\nORDER BY RDB$RELATION_NAME ASC\r\n");

    settings_.SetBool(Setting::Settings_SystemData, false);
    cat_->TableQuery.SetOrderingItemNo(-1);
    EXPECT_EQ(cat_->TableQuery.ServerSQL(),
              "SELECT RDB$RELATION_NAME\r\n     , RDB$DESCRIPTION\r\nFROM RDB$RELATIONS\r\n"
              "WHERE RDB$VIEW_BLR IS NULL\r\n  AND RDB$SYSTEM_FLAG = 0\r\nORDER BY RDB$RELATION_NAME DESC\r\n");
    EXPECT_EQ(cat_->TableQuery.SQL(), (TIB_StringList{"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION",
                                                      "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL"}));
}

TEST_F(CatalogueServerSQL, DetailListsWithTheirMasterLinks)
{
    cat_->OpenBrowseQueries();
    const std::string fieldHead =
        "SELECT rf.RDB$RELATION_NAME\r\n     , rf.RDB$FIELD_NAME\r\n     , rf.RDB$NULL_FLAG\r\n"
        "     , rf.RDB$DESCRIPTION\r\n     , f.RDB$NULL_FLAG AS NULL_FLAG2\r\n     , f.RDB$FIELD_TYPE\r\n"
        "     , f.RDB$FIELD_SUB_TYPE\r\n     , f.RDB$FIELD_LENGTH\r\n"
        "     , f.RDB$FIELD_PRECISION\r\n     , f.RDB$FIELD_SCALE\r\nFROM RDB$RELATION_FIELDS rf\r\n"
        "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE\r\n";
    EXPECT_EQ(cat_->FieldQuery.ServerSQL(), fieldHead +
                                                "WHERE RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ \r\n"
                                                "ORDER BY RDB$FIELD_POSITION ASC\r\n");
    EXPECT_EQ(cat_->FieldQuery.ParamNames(), TIB_StringList{"MLNK_RDB$RELATION_NAME_0"});

    // The view field list names the alias in its link.
    EXPECT_EQ(cat_->ViewFieldQuery.ServerSQL(),
              "SELECT rf.RDB$RELATION_NAME\r\n     , rf.RDB$FIELD_NAME\r\n"
              "     , vr.RDB$RELATION_NAME AS BASE_TABLE\r\n     , rf.RDB$BASE_FIELD\r\n     , rf.RDB$DESCRIPTION\r\n"
              "FROM RDB$RELATION_FIELDS rf\r\nLEFT JOIN RDB$VIEW_RELATIONS vr\r\n"
              "ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME\r\nAND rf.RDB$VIEW_CONTEXT = vr.RDB$VIEW_CONTEXT\r\n"
              "WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ \r\nORDER BY RDB$FIELD_POSITION ASC\r\n");
    EXPECT_EQ(cat_->ViewFieldQuery.ParamNames(), TIB_StringList{"MLNK_RDB$RELATION_NAME_0"});

    EXPECT_EQ(cat_->ProcedureQuery.ServerSQL(), "SELECT RDB$PROCEDURE_NAME\r\n     , RDB$DESCRIPTION\r\n"
                                                "FROM RDB$PROCEDURES\r\nWHERE RDB$PACKAGE_NAME IS NULL\r\n"
                                                "ORDER BY RDB$PROCEDURE_NAME ASC\r\n");
    const std::string paramHead =
        "SELECT p.RDB$PARAMETER_NAME\r\n     , p.RDB$PARAMETER_TYPE\r\n     , p.RDB$DESCRIPTION\r\n"
        "     , p.RDB$PROCEDURE_NAME\r\n     , f.RDB$FIELD_TYPE\r\n     , f.RDB$FIELD_SUB_TYPE\r\n"
        "     , f.RDB$FIELD_LENGTH\r\n     , f.RDB$FIELD_PRECISION\r\n"
        "     , f.RDB$FIELD_SCALE\r\nFROM RDB$PROCEDURE_PARAMETERS p\r\n"
        "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE\r\n";
    const std::string paramTail = "WHERE RDB$PROCEDURE_NAME=? /* MLNK_RDB$PROCEDURE_NAME_0 */ \r\n"
                                  "  AND p.RDB$PACKAGE_NAME IS NULL\r\n"
                                  "ORDER BY RDB$PARAMETER_TYPE ASC\r\n       , RDB$PARAMETER_NUMBER ASC\r\n";
    EXPECT_EQ(cat_->ParameterQuery.ServerSQL(), paramHead + paramTail);

    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    cat_->ViewExportQuery.Open();
    cat_->ProcedureExportQuery.Open();
    cat_->ParamsExportQuery.Open();
    EXPECT_EQ(cat_->TableExportQuery.ServerSQL(),
              "SELECT RDB$RELATION_NAME\r\n     , RDB$DESCRIPTION\r\nFROM RDB$RELATIONS\r\n"
              "WHERE RDB$VIEW_BLR IS NULL\r\n  AND RDB$SYSTEM_FLAG = 0\r\nORDER BY RDB$RELATION_NAME ASC\r\n");
    EXPECT_EQ(cat_->FieldExportQuery.ServerSQL(), fieldHead +
                                                      "WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ \r\n"
                                                      "ORDER BY RDB$FIELD_POSITION ASC\r\n");
    EXPECT_EQ(cat_->ViewExportQuery.ServerSQL(),
              "SELECT RDB$RELATION_NAME\r\n     , RDB$DESCRIPTION\r\n     , RDB$VIEW_SOURCE\r\nFROM RDB$RELATIONS\r\n"
              "WHERE RDB$VIEW_BLR IS NOT NULL\r\nORDER BY RDB$RELATION_NAME ASC\r\n");
    EXPECT_EQ(cat_->ProcedureExportQuery.ServerSQL(),
              "SELECT RDB$PROCEDURE_NAME\r\n     , RDB$DESCRIPTION\r\n     , RDB$PROCEDURE_SOURCE\r\n"
              "FROM RDB$PROCEDURES\r\nWHERE RDB$PACKAGE_NAME IS NULL\r\nORDER BY RDB$PROCEDURE_NAME ASC\r\n");
    EXPECT_EQ(cat_->ParamsExportQuery.ServerSQL(), paramHead + paramTail);
}

TEST_F(CatalogueServerSQL, SystemFilterExactlyOncePerAssemblyAndNeverOnViews)
{
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(Count(cat_->TableQuery.ServerSQL(), "RDB$SYSTEM_FLAG"), 1);
        if (cat_->TableExportQuery.Prepared()) {
            EXPECT_EQ(Count(cat_->TableExportQuery.ServerSQL(), "RDB$SYSTEM_FLAG"), 1);
        }
        for (TIB_Query* v : {&cat_->ViewQuery, &cat_->ViewExportQuery}) {
            if (v->Prepared()) {
                EXPECT_EQ(Count(v->ServerSQL(), "RDB$SYSTEM_FLAG"), 0) << v->Name();
            }
        }
    };
    cat_->TableQuery.Open();
    check("table list opened");
    EXPECT_EQ(cat_->TableQuery.WhereConditions(), TIB_StringList{"RDB$SYSTEM_FLAG = 0"});
    // The view lists' assemblies add to the table queries' lists too; each
    // table query starts its own assembly from empty lists.
    cat_->ViewQuery.Open();
    cat_->ViewExportQuery.Open();
    cat_->TableExportQuery.Open();
    check("views and export tables opened");
    for (int i = 0; i < 3; ++i) {
        cat_->TableQuery.InvalidateSQL();
        cat_->TableQuery.Refresh();
        cat_->ViewQuery.InvalidateSQL();
        cat_->ViewQuery.Refresh();
        cat_->TableExportQuery.InvalidateSQL();
        cat_->TableExportQuery.Refresh();
        cat_->ViewExportQuery.InvalidateSQL();
        cat_->ViewExportQuery.Refresh();
    }
    cat_->TableQuery.InvalidateSQL();
    cat_->TableQuery.Refresh();
    check("after repeated assemblies");
    EXPECT_EQ(cat_->TableQuery.WhereConditions(), TIB_StringList{"RDB$SYSTEM_FLAG = 0"});
    EXPECT_EQ(Walk(cat_->TableQuery, "RDB$RELATION_NAME"), kUserTables);
}

TEST_F(CatalogueServerSQL, ToggleRefreshesTableAndFieldListsAndMarksTheExports)
{
    cat_->TableQuery.SetOrderingItemNo(-1);
    cat_->OpenBrowseQueries();
    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    cat_->TableQuery.MoveBy(1);
    ASSERT_EQ(cat_->TableQuery.FieldByName("RDB$RELATION_NAME").AsString(), "ORDERS");
    ASSERT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"), (Rows{"ORDER_ID", "CUST_ID", "AMOUNT", "NOTES"}));
    int viewAssemblies = 0;
    auto viewHandler = cat_->ViewQuery.OnPrepareSQL;
    cat_->ViewQuery.OnPrepareSQL = [&](TIB_Dataset& d) {
        ++viewAssemblies;
        viewHandler(d);
    };

    settings_.SetBool(Setting::Settings_SystemData, true);
    cat_->SystemDataCheckBoxClick();
    // Same row number, now a system table; the fields follow at once.
    EXPECT_EQ(cat_->TableQuery.RowNum(), 2);
    const std::string current = cat_->TableQuery.FieldByName("RDB$RELATION_NAME").AsString();
    EXPECT_EQ(Value("SELECT RDB$SYSTEM_FLAG FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + current + "'"), "1")
        << current;
    Rows fieldsOf = Walk(cat_->FieldQuery, "RDB$RELATION_NAME");
    EXPECT_FALSE(fieldsOf.empty());
    EXPECT_EQ(fieldsOf, Rows(fieldsOf.size(), current));
    EXPECT_FALSE(cat_->TableExportQuery.SQLIsCurrent());
    EXPECT_FALSE(cat_->FieldExportQuery.SQLIsCurrent());
    EXPECT_EQ(viewAssemblies, 0) << "views are not touched";

    settings_.SetBool(Setting::Settings_SystemData, false);
    cat_->SystemDataCheckBoxClick();
    EXPECT_EQ(cat_->TableQuery.FieldByName("RDB$RELATION_NAME").AsString(), "ORDERS");
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"), (Rows{"ORDER_ID", "CUST_ID", "AMOUNT", "NOTES"}));
}

TEST_F(CatalogueServerSQL, CloseExportQueriesClosesAllSixAndTheNextOpenStartsAtTheFirstRow)
{
    for (TIB_Query* q : {&cat_->TableExportQuery, &cat_->FieldExportQuery, &cat_->ViewExportQuery,
                         &cat_->ViewFieldExportQuery, &cat_->ProcedureExportQuery, &cat_->ParamsExportQuery})
        q->Open();
    cat_->TableExportQuery.Last();
    cat_->ProcedureExportQuery.Next();
    cat_->CloseExportQueries();
    for (TIB_Query* q : cat_->Queries())
        EXPECT_FALSE(q->Active()) << q->Name();
    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    EXPECT_EQ(cat_->TableExportQuery.FieldByName("RDB$RELATION_NAME").AsString(), "CUSTOMERS");
    EXPECT_EQ(cat_->FieldExportQuery.FieldByName("RDB$RELATION_NAME").AsString(), "CUSTOMERS");
}

TEST(CatalogueClosed, ToggleWhileDisconnectedChangesNothing)
{
    auto session = TIB_Session::Default();
    TIB_Connection c(session);
    TIB_Transaction t(session);
    t.SetIB_Connection(&c);
    SettingsValues settings;
    TCatalogue cat(c, t, settings);
    EXPECT_NO_THROW(cat.SystemDataCheckBoxClick());
    for (TIB_Query* q : cat.Queries())
        EXPECT_FALSE(q->Active()) << q->Name();
    EXPECT_FALSE(cat.ModernStructure());
    EXPECT_NO_THROW(cat.CloseExportQueries());
}

// Dialect 1: the same lists on a database without quoted identifiers.
class CatalogueDialect1 : public CatalogueTest {
protected:
    CatalogueDialect1()
        : CatalogueTest({.schema = "schema_dialect1.sql", .descriptions = "descriptions_dialect1.sql", .dialect = 1})
    {
    }
};

TEST_F(CatalogueDialect1, ListsAndTypes)
{
    cat_->OpenBrowseQueries();
    EXPECT_EQ(Walk(cat_->FieldQuery, "RDB$FIELD_NAME"), (Rows{"ITEM_ID", "TITLE", "PRICE"}));
    // Dialect 1 stores NUMERIC(9,2) as a scaled INTEGER; the database's
    // default character set is UTF8.
    EXPECT_EQ(Walk(cat_->FieldQuery, "FIELD_TYPE"), (Rows{"INTEGER", "VARCHAR(120)", "NUMERIC(9,2)"}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "MANDATORY"), (Rows{"X", "", ""}));
    EXPECT_EQ(Walk(cat_->TableQuery, "RDB$RELATION_NAME"), Rows{"ITEMS"});
    EXPECT_EQ(Walk(cat_->ViewFieldQuery, "BASE_TABLE"), (Rows{"ITEMS", "ITEMS"}));
    EXPECT_EQ(Walk(cat_->ViewQuery, "RDB$RELATION_NAME"), Rows{"V_ITEMS"});
    EXPECT_EQ(Walk(cat_->ParameterQuery, "RDB$PARAMETER_NAME"), (Rows{"ID", "TITLE"}));
    EXPECT_EQ(Walk(cat_->ParameterQuery, "FIELD_TYPE"), (Rows{"INTEGER", "VARCHAR(120)"}));
    EXPECT_EQ(Walk(cat_->ProcedureQuery, "RDB$PROCEDURE_NAME"), Rows{"P_ITEM"});
}

} // namespace
} // namespace varnel::cattest
