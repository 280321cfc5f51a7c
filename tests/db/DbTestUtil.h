#pragma once
// Helpers of the client-layer tests: connections to fixture databases and
// a statement that exposes the cursor calls the datasets use.
#include "db/IB_Connection.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "support/TestEnv.h"

#include <memory>
#include <string>
#include <vector>

namespace varnel::dbtest {

using namespace varnel::db;

// A connection to `path` with the main window's settings (ISO8859_1,
// dialect 3, SYSDBA), not yet connected.
inline std::unique_ptr<TIB_Connection> MakeConnection(const std::string& database,
                                                      std::shared_ptr<TIB_Session> session = nullptr)
{
    auto c = std::make_unique<TIB_Connection>(std::move(session));
    c->SetName("IB_Connection");
    c->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
    c->SetDatabaseName(database);
    return c;
}

// A connection to the local server with the test login.
inline std::unique_ptr<TIB_Connection> MakeServerConnection(const varnel::test::TestDatabase& db,
                                                            std::shared_ptr<TIB_Session> session = nullptr)
{
    auto c = MakeConnection(db.serverName(), std::move(session));
    const auto& login = varnel::test::serverLogin();
    c->SetUsername(login.user);
    c->SetPassword(login.password);
    c->SetSQLRole(login.role);
    return c;
}

// The main window's transaction: auto-committing, read committed.
inline std::unique_ptr<TIB_Transaction> MakeTransaction(TIB_Connection& c)
{
    auto t = std::make_unique<TIB_Transaction>(c.SessionPtr());
    t->SetName("IB_Transaction");
    t->SetIB_Connection(&c);
    t->SetAutoCommit(true);
    t->SetIsolation(TIB_Isolation::tiCommitted);
    return t;
}

// A statement with the cursor calls of a dataset made public.
class TestCursor : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;
    void Open() { SysOpenCursor(); }
    bool Fetch() { return SysFetchRow(); }
    void Close() { SysCloseCursor(); }
    void Release() { ReleaseServerResources(); }
    // All rows of column `col` as text.
    std::vector<std::string> Column(int col)
    {
        std::vector<std::string> r;
        Open();
        while (Fetch())
            r.push_back(Fields().Columns(col).AsString());
        Close();
        return r;
    }
};

inline std::unique_ptr<TestCursor> MakeQuery(TIB_Connection& c, TIB_Transaction* t, const std::string& sql)
{
    auto q = std::make_unique<TestCursor>(c.SessionPtr());
    q->SetName("Query");
    q->SetIB_Connection(&c);
    if (t)
        q->SetIB_Transaction(t);
    q->SetSQLText(sql);
    return q;
}

// Executes one statement in `t`.
inline void Exec(TIB_Connection& c, TIB_Transaction& t, const std::string& sql)
{
    TIB_Statement s(c.SessionPtr());
    s.SetIB_Connection(&c);
    s.SetIB_Transaction(&t);
    s.SetSQLText(sql);
    s.Execute();
}

} // namespace varnel::dbtest
