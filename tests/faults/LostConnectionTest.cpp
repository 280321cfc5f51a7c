// The server goes away under an open connection over 127.0.0.1: the next
// call raises the server error, the connection is marked lost, and
// disconnecting still succeeds. The server is started again on every way
// out.
#include "db/IB_Connection.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace varnel::db;
using namespace varnel::test;

namespace {

struct RestartServer {
    ~RestartServer() { startServer(); }
};

// Exposes the cursor calls of a dataset.
class Cursor : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;
    void Open() { SysOpenCursor(); }
    bool Fetch() { return SysFetchRow(); }
};

TEST(LostConnection, NextCallRaisesAndDisconnectStillSucceeds)
{
    if (!serverRunning()) {
        ASSERT_TRUE(startServer());
    }
    RestartServer restart;
    TestDatabase db({.forServer = true});
    auto session = std::make_shared<TIB_Session>();
    TIB_Connection c(session);
    c.SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3"});
    c.SetDatabaseName(db.serverName());
    c.SetUsername(serverLogin().user);
    c.SetPassword(serverLogin().password);
    c.SetSQLRole(serverLogin().role);
    TIB_Transaction t(session);
    t.SetIB_Connection(&c);
    t.SetAutoCommit(true);
    t.SetIsolation(TIB_Isolation::tiCommitted);
    Cursor q(session);
    q.SetIB_Connection(&c);
    q.SetIB_Transaction(&t);
    q.SetSQLText("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS");
    q.Open();
    ASSERT_TRUE(q.Fetch());
    ASSERT_TRUE(c.Connected());
    ASSERT_TRUE(t.Started());

    ASSERT_TRUE(stopServer());
    ASSERT_FALSE(serverRunning());

    TIB_Statement next(session);
    next.SetIB_Connection(&c);
    next.SetIB_Transaction(&t);
    next.SetSQLText("SELECT COUNT(*) FROM RDB$DATABASE");
    try {
        next.Execute();
        FAIL() << "the call went through without a server";
    } catch (const EIB_ISCError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("ISC ERROR CODE:", 0), 0u);
        EXPECT_TRUE(e.IsLostConnection()) << e.what();
    }
    EXPECT_TRUE(c.ConnectionWasLost());

    EXPECT_NO_THROW(c.Disconnect());
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(t.Started());
    EXPECT_FALSE(q.Prepared());
    EXPECT_EQ(c.ConnectionStatus(), TIB_ConnectionStatus::csDisconnected);

    ASSERT_TRUE(startServer());
    c.Connect(); // the same connection attaches again
    EXPECT_TRUE(c.Connected());
    EXPECT_FALSE(c.ConnectionWasLost());
    EXPECT_EQ(next.Fields().ColumnCount(), 0);
    next.Execute();
    EXPECT_EQ(next.Fields().Columns(0).AsInteger(), 1);
    c.Disconnect();
}

} // namespace
