// SQL assembly through a real prepare: the server texts of the catalogue
// queries byte for byte, the where-condition lists, the restored SQL.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class SqlAssembly : public DatasetTest {};

TIB_StringList Concat(TIB_StringList a, const TIB_StringList& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TIB_StringList Head(const TIB_StringList& l, size_t n) { return TIB_StringList(l.begin(), l.begin() + n); }

// The table list as the main window declares it, with its system-data filter.
struct TableList {
    std::unique_ptr<TIB_Query> query;
    bool hideSystem = true;
    int assemblies = 0;
};

TEST_F(SqlAssembly, TableListServerTexts)
{
    TableList t;
    t.query = Query(kTableSQL, "TableQuery");
    t.query->SetOrderingItems(kTableItems);
    t.query->SetOrderingItemNo(1);
    t.query->OnPrepareSQL = [&](TIB_Dataset& d) {
        ++t.assemblies;
        if (t.hideSystem)
            d.WhereConditions().push_back("RDB$SYSTEM_FLAG = 0");
    };
    t.query->Open();
    EXPECT_EQ(t.query->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION",
                                               "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
                                               "  AND RDB$SYSTEM_FLAG = 0", "ORDER BY RDB$RELATION_NAME ASC"}));
    EXPECT_EQ(t.query->SQL(), kTableSQL) << "SQL keeps its designed text";
    EXPECT_EQ(t.assemblies, 1);
    EXPECT_EQ(Walk(*t.query, "RDB$RELATION_NAME"),
              (std::vector<std::string>{"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"}));

    // "Show system data": invalidate and refresh.
    t.hideSystem = false;
    t.query->InvalidateSQL();
    t.query->Refresh();
    EXPECT_EQ(t.assemblies, 2);
    EXPECT_EQ(t.query->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION",
                                               "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
                                               "ORDER BY RDB$RELATION_NAME ASC"}));
    EXPECT_GT(Walk(*t.query, "RDB$RELATION_NAME").size(), 20u);

    t.hideSystem = true;
    t.query->SetOrderingItemNo(-1);
    EXPECT_EQ(t.assemblies, 3);
    EXPECT_EQ(t.query->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION",
                                               "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
                                               "  AND RDB$SYSTEM_FLAG = 0", "ORDER BY RDB$RELATION_NAME DESC"}));
    EXPECT_EQ(t.query->OrderingColumns(), TIB_StringList{"RDB$RELATION_NAME=DESC"});
    EXPECT_EQ(Walk(*t.query, "RDB$RELATION_NAME").front(), "odd names");
}

TEST_F(SqlAssembly, FieldListMasterLinkText)
{
    auto tables = Query(kTableSQL, "TableQuery");
    TIB_DataSource tableSource;
    tableSource.SetDataset(tables.get());
    auto fields = Query(kFieldSQL, "FieldQuery");
    fields->SetMasterSource(&tableSource);
    fields->SetMasterLinks({"RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    fields->Prepare();
    EXPECT_EQ(fields->ServerSQL(),
              JoinLines(Concat(Head(kFieldSQL, 15), {"WHERE RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ",
                                                     "ORDER BY RDB$FIELD_POSITION ASC"})));
    EXPECT_EQ(fields->ParamNames(), TIB_StringList{"MLNK_RDB$RELATION_NAME_0"});
    EXPECT_NE(fields->FindParam("MLNK_RDB$RELATION_NAME_0"), nullptr);
    EXPECT_EQ(fields->SQL(), kFieldSQL);
}

TEST_F(SqlAssembly, ParameterListWithConditionAndTwoOrderColumns)
{
    TIB_StringList sql = {"SELECT p.RDB$PARAMETER_NAME",
                          "     , p.RDB$PROCEDURE_NAME",
                          "FROM RDB$PROCEDURE_PARAMETERS p",
                          "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER"};
    auto procs = Query({"SELECT RDB$PROCEDURE_NAME", "FROM RDB$PROCEDURES"}, "ProcedureQuery");
    TIB_DataSource ds;
    ds.SetDataset(procs.get());
    auto params = Query(sql, "ParameterQuery");
    params->SetMasterSource(&ds);
    params->SetMasterLinks({"RDB$PROCEDURE_NAME=RDB$PROCEDURES.RDB$PROCEDURE_NAME"});
    params->OnPrepareSQL = [](TIB_Dataset& d) { d.WhereConditions().push_back("p.RDB$PACKAGE_NAME IS NULL"); };
    params->Prepare();
    EXPECT_EQ(params->ServerSQL(),
              JoinLines({"SELECT p.RDB$PARAMETER_NAME", "     , p.RDB$PROCEDURE_NAME",
                         "FROM RDB$PROCEDURE_PARAMETERS p",
                         "WHERE RDB$PROCEDURE_NAME=? /* MLNK_RDB$PROCEDURE_NAME_0 */ ",
                         "  AND p.RDB$PACKAGE_NAME IS NULL", "ORDER BY RDB$PARAMETER_TYPE ASC",
                         "       , RDB$PARAMETER_NUMBER ASC"}));
}

TEST_F(SqlAssembly, LeadingInFrontReversedWhereAndTrailingAppended)
{
    auto q = Query({"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL"});
    q->OnPrepareSQL = [](TIB_Dataset& d) {
        d.LeadingWhereConditions() = {"RDB$SYSTEM_FLAG = 0", "RDB$FLAGS IS NOT NULL"};
        d.WhereConditions() = {"RDB$RELATION_ID > 0"};
        d.TrailingWhereConditions() = {"RDB$RELATION_NAME <> 'X'"};
    };
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(),
              JoinLines({"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS", "WHERE RDB$FLAGS IS NOT NULL",
                         "  AND RDB$SYSTEM_FLAG = 0", "  AND RDB$VIEW_BLR IS NULL", "  AND RDB$RELATION_ID > 0",
                         "  AND RDB$RELATION_NAME <> 'X'"}));
}

TEST_F(SqlAssembly, GroupWithOrIsOneConditionAndWrapsTheClause)
{
    auto q = Query({"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL"});
    q->OnPrepareSQL = [](TIB_Dataset& d) {
        d.WhereConditions() = {"(", "RDB$RELATION_NAME = 'ORDERS'", "OR", "RDB$RELATION_NAME = 'CUSTOMERS'", ")"};
    };
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(),
              JoinLines({"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS", "WHERE (", "      RDB$VIEW_BLR IS NULL",
                         "      )", "  AND (RDB$RELATION_NAME = 'ORDERS' OR RDB$RELATION_NAME = 'CUSTOMERS')"}));
    q->Open();
    EXPECT_EQ(Walk(*q, "RDB$RELATION_NAME").size(), 2u);
}

TEST_F(SqlAssembly, ListsEmptiedAtEveryAssemblyAndForeignEntriesDiscarded)
{
    auto a = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"}, "A");
    auto b = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"}, "B");
    // A's handler adds to both; B assembles later and starts empty.
    a->OnPrepareSQL = [&](TIB_Dataset& d) {
        d.WhereConditions().push_back("RDB$SYSTEM_FLAG = 0");
        b->WhereConditions().push_back("RDB$SYSTEM_FLAG = 1");
    };
    a->Prepare();
    EXPECT_EQ(b->WhereConditions(), TIB_StringList{"RDB$SYSTEM_FLAG = 1"});
    b->Prepare();
    EXPECT_EQ(b->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"}));
    EXPECT_TRUE(b->WhereConditions().empty());
    // Reassembling A does not accumulate.
    a->InvalidateSQL();
    a->Prepare();
    EXPECT_EQ(a->WhereConditions(), TIB_StringList{"RDB$SYSTEM_FLAG = 0"});
    EXPECT_EQ(a->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0"}));
}

TEST_F(SqlAssembly, ErrorsFailThePrepareAndKeepTheDesignedSQL)
{
    const TIB_StringList sql = {"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS"};
    auto q = Query(sql);
    q->OnPrepareSQL = [](TIB_Dataset& d) {
        d.WhereConditions() = {"(", "A = 1"};
        d.SetSQLText("SELECT 1 FROM RDB$DATABASE");
    };
    try {
        q->Prepare();
        FAIL() << "prepared";
    } catch (const EIB_Error& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid syntax: extra or missing parenthesis:\r\n(\r\nA = 1\r\n");
    }
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->SQL(), sql);
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);

    // A condition the server rejects.
    q->OnPrepareSQL = [](TIB_Dataset& d) { d.WhereConditions() = {"NO_SUCH_COLUMN = 1"}; };
    EXPECT_THROW(q->Open(), EIB_ISCError);
    EXPECT_EQ(q->SQL(), sql);
    q->OnPrepareSQL = nullptr;
    q->Open();
    EXPECT_TRUE(q->Active());

    auto blank = Query({});
    try {
        blank->Prepare();
        FAIL() << "prepared";
    } catch (const EIB_StatementError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot Prepare a blank statement");
    }
}

TEST_F(SqlAssembly, MarkersInLiteralsStayAndNamedMarkersConvert)
{
    auto q = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$RELATION_NAME <> 'a?b :c'",
                    "  AND RDB$RELATION_NAME = :NAME"});
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS",
                                         "WHERE RDB$RELATION_NAME <> 'a?b :c'",
                                         "  AND RDB$RELATION_NAME = ? /* NAME */ "}));
    q->ParamByName("NAME").SetAsString("ORDERS");
    q->Open();
    EXPECT_EQ(Walk(*q, "RDB$RELATION_NAME"), std::vector<std::string>{"ORDERS"});
}

TEST_F(SqlAssembly, SectionsReadAndWrite)
{
    auto q = Query(kTableSQL);
    EXPECT_EQ(q->GetSQLSection(3), TIB_StringList{"WHERE RDB$VIEW_BLR IS NULL"});
    EXPECT_EQ(q->GetSQLSection(2), TIB_StringList{"FROM RDB$RELATIONS"});
    EXPECT_TRUE(q->GetSQLSection(8).empty());
    q->Open();
    // A WHERE written through its section only invalidates: still open.
    q->SetSQLSection(3, "WHERE RDB$RELATION_NAME = 'CUSTOMERS'");
    EXPECT_TRUE(q->Active());
    EXPECT_FALSE(q->SQLIsCurrent());
    q->Refresh();
    EXPECT_EQ(Walk(*q, "RDB$RELATION_NAME"), std::vector<std::string>{"CUSTOMERS"});
    q->AddSQLWhereClause("RDB$SYSTEM_FLAG = 0");
    EXPECT_EQ(q->GetSQLSection(3), (TIB_StringList{"WHERE RDB$RELATION_NAME = 'CUSTOMERS'", "  AND RDB$SYSTEM_FLAG = 0"}));
    // Another clause unprepares.
    q->SetSQLSection(2, "FROM RDB$RELATIONS r");
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
}

TEST_F(SqlAssembly, NocaseColumnAttributeReplacesTheOrderingColumn)
{
    auto q = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0"});
    q->SetOrderingItems(kTableItems);
    q->SetOrderingItemNo(-1);
    q->SetColumnAttributes({"RDB$RELATION_NAME=NOCASE=UPPER(RDB$RELATION_NAME)"});
    q->Open();
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0",
                                         "ORDER BY UPPER(RDB$RELATION_NAME) DESC"}));
    EXPECT_EQ(q->FieldByName("RDB$RELATION_NAME").AsString(), "V_ORDERS_CUST");
}

TEST_F(SqlAssembly, InvalidateFiresEventAndKeepsDatasetOpen)
{
    auto q = Query(kTableSQL);
    int invalidated = 0;
    q->OnInvalidateSQL = [&](TIB_Dataset&) { ++invalidated; };
    q->Open();
    q->InvalidateSQL();
    EXPECT_EQ(invalidated, 1);
    EXPECT_TRUE(q->Active());
    EXPECT_FALSE(q->SQLIsCurrent());
}

} // namespace
} // namespace varnel::dstest
