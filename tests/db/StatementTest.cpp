// Statements against fixture databases: prepare and describe, binding by
// name, statement types, execution by type, the cursor calls, the rows
// affected, the handle cache and the error reports of failed calls.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

using namespace varnel::dbtest;
using varnel::test::TestDatabase;

namespace {

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_ = std::make_shared<TIB_Session>();
        session_->OnShowException = [this](const std::exception& e) { shown_.push_back(e.what()); };
        conn_ = MakeConnection(db_.path(), session_);
        tr_ = MakeTransaction(*conn_);
    }

    std::unique_ptr<TIB_Statement> Stmt(const std::string& sql, TIB_Transaction* t = nullptr)
    {
        auto s = std::make_unique<TIB_Statement>(session_);
        s->SetName("Statement");
        s->SetIB_Connection(conn_.get());
        s->SetIB_Transaction(t ? t : tr_.get());
        s->SetSQLText(sql);
        return s;
    }

    // A value seen by a separate read-committed transaction.
    std::string Other(const std::string& sql)
    {
        TIB_Transaction other(session_);
        other.SetIB_Connection(conn_.get());
        other.SetIsolation(TIB_Isolation::tiCommitted);
        auto q = MakeQuery(*conn_, &other, sql);
        auto v = q->Column(0);
        return v.empty() ? "<none>" : v.front();
    }

    TestDatabase db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
    std::vector<std::string> shown_;
};

TEST_F(StatementTest, FieldByNamePreparesConnectsAndStartsOnDemand)
{
    auto q = MakeQuery(*conn_, tr_.get(), "SELECT RDB$RELATION_NAME, RDB$DESCRIPTION FROM RDB$RELATIONS");
    EXPECT_FALSE(conn_->Connected());
    TIB_Column& c = q->FieldByName("RDB$RELATION_NAME");
    EXPECT_TRUE(q->Prepared());
    EXPECT_TRUE(conn_->Connected());
    EXPECT_TRUE(tr_->Started());
    EXPECT_EQ(c.ClassName(), "TIB_ColumnText");
    EXPECT_EQ(c.SQLLen(), 31) << "ISO8859_1: one byte per character";
    EXPECT_EQ(q->FieldCount(), 2);
    EXPECT_EQ(q->ParamCount(), 0);
    EXPECT_EQ(q->StatementType(), TIB_StatementType::stSelect);
    EXPECT_EQ(q->ServerSQL(), "SELECT RDB$RELATION_NAME, RDB$DESCRIPTION FROM RDB$RELATIONS\r\n");
    try {
        q->FieldByName("NOPE");
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "FieldName: NOPE not found");
    }
    EXPECT_EQ(q->FindField("NOPE"), nullptr);
}

TEST_F(StatementTest, SelectOfMoreThanThirtyColumnsGrowsTheArea)
{
    std::string sql = "SELECT ";
    for (int i = 1; i <= 40; ++i)
        sql += (i > 1 ? ", " : "") + std::to_string(i) + " AS C" + std::to_string(i);
    sql += " FROM RDB$DATABASE";
    auto s = Stmt(sql);
    s->Execute(); // a plain statement fetches the single row
    EXPECT_EQ(s->FieldCount(), 40);
    EXPECT_GE(session_->OutputArea().Capacity(), 40);
    EXPECT_EQ(s->FieldByName("C1").AsInteger(), 1);
    EXPECT_EQ(s->FieldByName("C40").AsInteger(), 40);
}

TEST_F(StatementTest, BlankSQLAndMissingConnection)
{
    auto s = Stmt("   \r\n  ");
    try {
        s->Prepare();
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "Blank SQL statement not allowed");
    }
    EXPECT_FALSE(s->Prepared());

    TIB_Owner app{"", "TApplication"}, form{"MainForm", "TMainForm", &app};
    TIB_Statement orphan(session_);
    orphan.SetSQLText("SELECT 1 FROM RDB$DATABASE");
    try {
        orphan.Prepare();
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "Statement must have an IB_Connection assigned: <no name>");
    }
    orphan.SetName("Query");
    orphan.SetOwner(&form);
    try {
        orphan.Prepare();
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "Statement must have an IB_Connection assigned: MainForm.Query");
    }
    // DatabaseName finds the session's connection.
    orphan.SetDatabaseName(db_.path());
    EXPECT_EQ(orphan.IB_Connection(), conn_.get());
    orphan.Prepare();
    EXPECT_TRUE(orphan.Prepared());
    EXPECT_NE(orphan.EffectiveTransaction(), nullptr) << "its own transaction";
    EXPECT_EQ(orphan.EffectiveTransaction()->Name(), "trQuery");
}

struct TypeCase {
    const char* name;
    std::string sql;
    TIB_StatementType type;
};
void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class StatementTypeTest : public StatementTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(StatementTypeTest, ComesFromTheServer)
{
    auto s = Stmt(GetParam().sql);
    s->Prepare();
    EXPECT_EQ(s->StatementType(), GetParam().type);
    EXPECT_TRUE(shown_.empty());
}

using ST = TIB_StatementType;
INSTANTIATE_TEST_SUITE_P(
    Types, StatementTypeTest,
    ::testing::Values(
        TypeCase{"select", "SELECT * FROM CUSTOMERS", ST::stSelect},
        TypeCase{"select_for_update", "SELECT * FROM CUSTOMERS FOR UPDATE", ST::stSelectForUpdate},
        TypeCase{"insert", "INSERT INTO EMPTY_DOC (ID) VALUES (1)", ST::stInsert},
        TypeCase{"update", "UPDATE EMPTY_DOC SET ID = 2", ST::stUpdate},
        TypeCase{"delete", "DELETE FROM EMPTY_DOC", ST::stDelete},
        TypeCase{"ddl", "CREATE TABLE T_X (A INTEGER)", ST::stDDL},
        TypeCase{"comment_on", "COMMENT ON TABLE EMPTY_DOC IS 'x'", ST::stDDL},
        TypeCase{"execute_procedure", "EXECUTE PROCEDURE P_NOTHING", ST::stExecProcedure},
        TypeCase{"execute_block_without_outputs", "EXECUTE BLOCK AS BEGIN END", ST::stExecProcedure},
        TypeCase{"execute_block_with_suspend", "EXECUTE BLOCK RETURNS (X INTEGER) AS BEGIN X = 1; SUSPEND; END",
                 ST::stSelect},
        TypeCase{"savepoint", "SAVEPOINT S1", ST::stSavePoint},
        TypeCase{"commit", "COMMIT", ST::stCommit},
        TypeCase{"rollback", "ROLLBACK", ST::stRollback},
        TypeCase{"set_transaction", "SET TRANSACTION", ST::stStartTrans}),
    [](const ::testing::TestParamInfo<TypeCase>& info) { return std::string(info.param.name); });

TEST_F(StatementTest, ParametersBindByNameAndStayPreparedAcrossExecutions)
{
    auto ins = Stmt("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT, NOTES) VALUES (:ORDER_ID, :CUST_ID, :AMOUNT, :NOTES)");
    int prepares = 0;
    ins->AfterPrepare = [&](TIB_Statement&) { ++prepares; };
    EXPECT_EQ(ins->ParamByName("order_id").SQLType() & ~1, SQLTYPE_LONG);
    EXPECT_EQ(ins->ParamNames(), TIB_StringList({"ORDER_ID", "CUST_ID", "AMOUNT", "NOTES"}));
    for (int i = 1; i <= 3; ++i) {
        ins->ParamByName("ORDER_ID").SetAsInteger(i);
        ins->ParamByName("CUST_ID").SetAsInteger(10 * i);
        ins->ParamByName("AMOUNT").SetAsString("12.5" + std::to_string(i));
        ins->ParamByName("NOTES").SetAsString(i == 2 ? "" : "note " + std::to_string(i));
        if (i == 3)
            ins->ParamByName("NOTES").SetIsNull(true);
        ins->Execute();
        EXPECT_EQ(ins->RowsAffected(), 1);
    }
    EXPECT_EQ(prepares, 1) << "prepared once for three executions";
    EXPECT_EQ(Other("SELECT LIST(ORDER_ID || '/' || CUST_ID || '/' || AMOUNT || '/' || COALESCE(NOTES, '<null>'), ';') "
                    "FROM (SELECT * FROM ORDERS ORDER BY ORDER_ID)"),
              "1/10/12.51/note 1;2/20/12.52/;3/30/12.53/<null>")
        << "each insert was committed right after it ran";
    ins->SetSQLText("DELETE FROM ORDERS WHERE ORDER_ID > :MIN_ID");
    EXPECT_FALSE(ins->Prepared()) << "a new SQL unprepares";
    ins->ParamByName("MIN_ID").SetAsInteger(1);
    ins->Execute();
    EXPECT_EQ(prepares, 2);
    EXPECT_EQ(ins->RowsAffected(), 2);
}

TEST_F(StatementTest, ParameterNamedTwiceGetsTheValueInBothPlaces)
{
    auto s = Stmt("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :N OR RDB$OWNER_NAME = :N");
    s->Prepare();
    ASSERT_EQ(s->ParamCount(), 2);
    s->ParamByName("N").SetAsString("CUSTOMERS");
    EXPECT_EQ(TrimRight(s->Params().BySQLNo(1).AsString()), "CUSTOMERS");
    s->Execute();
    EXPECT_EQ(s->Fields().Columns(0).AsInteger(), 1);
}

TEST_F(StatementTest, ExecuteBlockWithoutOutputsCommitsThroughActivate)
{
    // The body refers to its input without a colon (a colon would make it
    // a marker of the statement).
    auto s = Stmt("EXECUTE BLOCK (ID INTEGER = :ID) AS BEGIN\r\n"
                  "  EXECUTE STATEMENT 'INSERT INTO EMPTY_DOC (ID, LABEL) VALUES (' || ID || ', ''blk'')';\r\nEND");
    s->ParamByName("ID").SetAsInteger(5);
    int savePoints = 0;
    tr_->AfterSavePoint = [&](TIB_Transaction&) { ++savePoints; };
    s->Execute();
    EXPECT_EQ(s->StatementType(), TIB_StatementType::stExecProcedure);
    EXPECT_EQ(savePoints, 1);
    EXPECT_EQ(Other("SELECT LABEL FROM EMPTY_DOC WHERE ID = 5"), "blk");
}

TEST_F(StatementTest, ExecuteProcedureWithOutputsReturnsThemAndIsNotActivated)
{
    auto s = Stmt("EXECUTE PROCEDURE P_OUT");
    int savePoints = 0;
    tr_->AfterSavePoint = [&](TIB_Transaction&) { ++savePoints; };
    s->Execute();
    EXPECT_EQ(s->StatementType(), TIB_StatementType::stExecProcedure);
    EXPECT_EQ(s->FieldByName("TOTAL").AsInteger(), 0);
    EXPECT_EQ(s->FieldByName("LABEL").AsString(), "orders");
    EXPECT_EQ(savePoints, 0);
}

TEST_F(StatementTest, FailingUpdateRaisesAndIsNotCommitted)
{
    auto ok = Stmt("INSERT INTO EMPTY_DOC (ID, LABEL) VALUES (1, 'one')");
    ok->Execute();
    int savePoints = 0;
    tr_->AfterSavePoint = [&](TIB_Transaction&) { ++savePoints; };
    auto bad = Stmt("UPDATE EMPTY_DOC SET LABEL = 'far too long for ten' WHERE ID = 1");
    EXPECT_THROW(bad->Execute(), EIB_ISCError);
    EXPECT_EQ(savePoints, 0);
    EXPECT_EQ(Other("SELECT LABEL FROM EMPTY_DOC WHERE ID = 1"), "one");
}

TEST_F(StatementTest, RowsAffectedByStatementType)
{
    for (int i = 1; i <= 4; ++i)
        Stmt("INSERT INTO EMPTY_DOC (ID) VALUES (" + std::to_string(i) + ")")->Execute();
    auto upd = Stmt("UPDATE EMPTY_DOC SET LABEL = 'x' WHERE ID <= 3");
    upd->Execute();
    EXPECT_EQ(upd->RowsAffected(), 3);
    auto del = Stmt("DELETE FROM EMPTY_DOC WHERE ID = 4");
    del->Execute();
    EXPECT_EQ(del->RowsAffected(), 1);
    auto none = Stmt("UPDATE EMPTY_DOC SET LABEL = 'y' WHERE ID = 99");
    none->Execute();
    EXPECT_EQ(none->RowsAffected(), 0);
    auto ddl = Stmt("CREATE TABLE T_RA (A INTEGER)");
    ddl->Execute();
    EXPECT_EQ(ddl->RowsAffected(), -1);
    auto q = MakeQuery(*conn_, tr_.get(), "SELECT ID FROM EMPTY_DOC");
    EXPECT_EQ(q->Column(0).size(), 3u);
    EXPECT_EQ(q->RowsAffected(), 3);
}

TEST_F(StatementTest, CursorCallsOpenFetchAndClose)
{
    auto q = MakeQuery(*conn_, tr_.get(), "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0");
    q->Open();
    EXPECT_TRUE(q->CursorIsOpen());
    EXPECT_EQ(tr_->OpenCursorCount(), 1);
    EXPECT_EQ(q->CursorName().front(), 'C');
    try {
        q->Open();
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_STREQ(e.what(), "Cursor is already open");
    }
    int rows = 0;
    while (q->Fetch())
        ++rows;
    EXPECT_EQ(rows, 7);
    EXPECT_FALSE(q->Fetch()) << "after the end: end of data again, no error";
    q->Close();
    EXPECT_FALSE(q->CursorIsOpen());
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
    q->Open(); // and again, still prepared
    EXPECT_TRUE(q->Fetch());
    q->Prepare();
    EXPECT_TRUE(q->CursorIsOpen()) << "a current prepared statement keeps its cursor";
    q->Close();
    EXPECT_EQ(tr_->OpenCursorCount(), 0);

    auto one = MakeQuery(*conn_, tr_.get(), "SELECT COUNT(*) FROM RDB$DATABASE");
    one->Open();
    one->Execute(); // closes the open cursor, then fetches the single row
    EXPECT_FALSE(one->CursorIsOpen());
    EXPECT_EQ(one->Fields().Columns(0).AsInteger(), 1);
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
}

TEST_F(StatementTest, HandlesAreRecycledThroughTheConnectionsCache)
{
    auto a = MakeQuery(*conn_, tr_.get(), "SELECT 1 FROM RDB$DATABASE");
    a->Prepare();
    EXPECT_EQ(conn_->CachedHandleCount(), 0u);
    a->Release();
    EXPECT_FALSE(a->Prepared());
    EXPECT_EQ(conn_->CachedHandleCount(), 1u);
    auto b = MakeQuery(*conn_, tr_.get(), "SELECT 2 FROM RDB$DATABASE");
    b->Execute();
    EXPECT_EQ(conn_->CachedHandleCount(), 0u) << "the cached handle was taken";
    EXPECT_EQ(b->Fields().Columns(0).AsInteger(), 2);
    a->Execute(); // a fresh handle, prepared again
    EXPECT_EQ(a->Fields().Columns(0).AsInteger(), 1);
    conn_->SetCacheStatementHandles(false);
    a->Unprepare();
    EXPECT_EQ(conn_->CachedHandleCount(), 0u) << "dropped at once without caching";
}

TEST_F(StatementTest, PrepareErrorCarriesTheSQLAndTheStatementBlock)
{
    TIB_Owner app{"", "TApplication"}, form{"MainForm", "TMainForm", &app};
    auto s = Stmt("SELECT NO_SUCH_COLUMN\r\nFROM RDB$DATABASE");
    s->SetName("Query");
    s->SetOwner(&form);
    std::vector<std::string> order;
    auto record = [&](const char* who) {
        return [&order, who](TIB_Component*, long, TIB_StringList&, TIB_StringList&, long, TIB_StringList&,
                             TIB_StringList&, bool&) { order.push_back(who); };
    };
    s->OnError = record("statement");
    tr_->OnError = record("transaction");
    conn_->OnError = record("connection");
    session_->OnError = record("session");
    try {
        s->Prepare();
        FAIL();
    } catch (const EIB_ISCError& e) {
        EXPECT_EQ(e.ERRCODE(), 335544569);
        EXPECT_EQ(e.SQL(), TIB_StringList({"SELECT NO_SUCH_COLUMN", "FROM RDB$DATABASE"}));
        const TIB_StringList& m = e.ErrorMessage();
        ASSERT_GE(m.size(), 7u);
        EXPECT_EQ(m[m.size() - 3], "");
        EXPECT_EQ(m[m.size() - 2], "STATEMENT:");
        EXPECT_EQ(m.back(), "TIB_Statement: \"<TApplication>.MainForm.Query.\"");
        // The message was fixed before the events: no STATEMENT block.
        std::string what = e.what();
        EXPECT_EQ(what.find("STATEMENT:"), std::string::npos);
        EXPECT_NE(what.find("Column unknown\r\nNO_SUCH_COLUMN\r\n"), std::string::npos) << what;
        EXPECT_EQ(e.SQLCODE(), -206);
        EXPECT_EQ(e.Sender(), s.get());
    }
    EXPECT_EQ(order, std::vector<std::string>({"statement", "transaction", "connection", "session"}));
    EXPECT_FALSE(s->Prepared());
}

TEST_F(StatementTest, ErrorEventCanSuppressAFailedPrepare)
{
    auto s = Stmt("SELECT NO_SUCH_COLUMN FROM RDB$DATABASE");
    s->OnError = [](TIB_Component*, long, TIB_StringList&, TIB_StringList&, long, TIB_StringList&, TIB_StringList&,
                    bool& raise) { raise = false; };
    EXPECT_NO_THROW(s->Prepare());
    EXPECT_FALSE(s->Prepared()) << "the caller goes on with the state the failed call left";
    try {
        s->Execute();
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "Statement failed to prepare");
    }
}

TEST_F(StatementTest, ProcedureExceptionShowsItsOwnTextCutTo255)
{
    Stmt("CREATE EXCEPTION E_TEST 'Customer is blocked'")->Execute();
    Stmt("CREATE PROCEDURE P_FAIL AS BEGIN EXCEPTION E_TEST; END")->Execute();
    try {
        Stmt("EXECUTE PROCEDURE P_FAIL")->Execute();
        FAIL();
    } catch (const EIB_ISCError& e) {
        EXPECT_STREQ(e.what(), "Customer is blocked");
        EXPECT_EQ(e.SQLCODE(), -836);
        EXPECT_EQ(e.ErrorMessage().at(3), "exception 1");
    }
    const std::string longText(300, 'L');
    try {
        Stmt("EXECUTE BLOCK AS BEGIN EXCEPTION E_TEST '" + longText + "'; END")->Execute();
        FAIL();
    } catch (const EIB_ISCError& e) {
        EXPECT_EQ(std::string(e.what()), longText.substr(0, 255));
        EXPECT_NE(std::find(e.ErrorMessage().begin(), e.ErrorMessage().end(), longText), e.ErrorMessage().end());
    }
}

TEST_F(StatementTest, RoutineDefinitionIsSentWithoutParameterSubstitution)
{
    auto s = Stmt("CREATE PROCEDURE P_VARS (A INTEGER) RETURNS (B INTEGER) AS\r\n"
                  "BEGIN\r\n  SELECT :A + 1 FROM RDB$DATABASE INTO :B;\r\n  SUSPEND;\r\nEND");
    s->Execute();
    auto q = Stmt("SELECT B FROM P_VARS(41)");
    q->Execute();
    EXPECT_EQ(q->Fields().Columns(0).AsInteger(), 42);
}

} // namespace

namespace {

// A dataset-like statement: calculated columns, its own assembly and a
// statement type known from the text.
class CalculatingStatement : public TestCursor {
public:
    using TestCursor::TestCursor;
    int assembled = 0;

protected:
    std::vector<TIB_ColumnDef> SysCalculatedColumns() override
    {
        TIB_ColumnDef d;
        d.SQLType = SQLTYPE_VARYING | 1;
        d.SQLLen = 30;
        d.SQLName = d.AliasName = "FIELD_TYPE";
        return {d};
    }
    void SysAssembleSQL(std::string& serverSQL, TIB_StringList& names) override
    {
        ++assembled;
        TIB_Statement::SysAssembleSQL(serverSQL, names);
        serverSQL += "ORDER BY 1 DESC\r\n";
    }
    TIB_StatementType SysStatementTypeFromSQL() override { return TIB_StatementType::stSelect; }
};

TEST_F(StatementTest, DatasetSeamsAssembleAndAddCalculatedColumns)
{
    CalculatingStatement q(session_);
    q.SetIB_Connection(conn_.get());
    q.SetIB_Transaction(tr_.get());
    q.SetSQL({"SELECT RDB$RELATION_NAME", "FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0"});
    EXPECT_EQ(q.SQLText(), "SELECT RDB$RELATION_NAME\r\nFROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0\r\n");
    EXPECT_EQ(q.StatementType(), TIB_StatementType::stSelect) << "known before the prepare";
    q.Prepare();
    EXPECT_EQ(q.assembled, 1);
    EXPECT_EQ(q.ServerSQL(), "SELECT RDB$RELATION_NAME\r\nFROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0\r\nORDER BY 1 DESC\r\n");
    EXPECT_EQ(q.Fields().ColumnCount(), 2);
    EXPECT_EQ(q.FieldCount(), 1) << "the server's columns";
    TIB_Column& calc = q.FieldByName("FIELD_TYPE");
    EXPECT_TRUE(calc.IsCalculated());
    q.Open();
    ASSERT_TRUE(q.Fetch());
    EXPECT_EQ(q.Fields().Columns(0).AsString(), "odd names") << "the assembled ORDER BY ... DESC";
    EXPECT_TRUE(calc.IsNull());
    calc.SetAsString("computed");
    ASSERT_TRUE(q.Fetch());
    EXPECT_TRUE(calc.IsNull()) << "each fetched row starts with null calculated columns";
    q.Close();
    q.InvalidateSQL();
    q.Open(); // prepares again with a new assembly, keeping the select list
    EXPECT_EQ(q.assembled, 2);
    EXPECT_EQ(&q.FieldByName("FIELD_TYPE"), &calc);
    q.Close();
}

} // namespace
