#pragma once
// Helpers of the catalogue tests: a fresh fixture database, a connection
// and transaction set up as the main window's, settings held as the form
// holds them, and the catalogue over them.
#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "settings/SettingsValues.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace varnel::cattest {

using namespace varnel::db;

inline std::unique_ptr<TIB_Connection> MakeConnection(const std::shared_ptr<TIB_Session>& session,
                                                      const std::string& path, const std::string& name,
                                                      const std::string& charSet = "ISO8859_1")
{
    auto c = std::make_unique<TIB_Connection>(session);
    c->SetName(name);
    c->SetParams({"CHARACTER SET=" + charSet, "SQL DIALECT=3", "USER NAME=SYSDBA"});
    c->SetDatabaseName(path);
    return c;
}

inline std::unique_ptr<TIB_Transaction> MakeTransaction(const std::shared_ptr<TIB_Session>& session,
                                                        TIB_Connection& c, const std::string& name)
{
    auto t = std::make_unique<TIB_Transaction>(session);
    t->SetName(name);
    t->SetIB_Connection(&c);
    t->SetAutoCommit(true);
    t->SetIsolation(TIB_Isolation::tiCommitted);
    return t;
}

// One value of a one-row query (first column); "<null>" for null.
inline std::string Value(TIB_Connection& c, TIB_Transaction& t, const std::string& sql)
{
    TIB_Statement s(c.SessionPtr());
    s.SetIB_Connection(&c);
    s.SetIB_Transaction(&t);
    s.SetSQLText(sql);
    s.Execute();
    return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
}

inline void Exec(TIB_Connection& c, TIB_Transaction& t, const std::string& sql)
{
    TIB_Statement s(c.SessionPtr());
    s.SetIB_Connection(&c);
    s.SetIB_Transaction(&t);
    s.SetSQLText(sql);
    s.Execute();
}

// The values of one column over all rows, walked with First/Next.
inline std::vector<std::string> Walk(TIB_Dataset& q, const std::string& column)
{
    std::vector<std::string> r;
    q.First();
    while (!q.Eof()) {
        TIB_Column& c = q.FieldByName(column);
        r.push_back(c.IsNull() ? "<null>" : c.AsString());
        q.Next();
    }
    return r;
}

// The catalogue of a fresh fixture copy, connected through the embedded
// engine with the main window's settings (character set ISO8859_1,
// dialect 3 asked for).
class CatalogueTest : public ::testing::Test {
protected:
    explicit CatalogueTest(varnel::test::DatabaseOptions options = {}) : db_(std::move(options)) {}

    void SetUp() override
    {
        session_ = TIB_Session::Default();
        conn_ = MakeConnection(session_, db_.path(), "IB_Connection", connectionCharset_);
        tr_ = MakeTransaction(session_, *conn_, "IB_Transaction");
        conn_->SetDefaultTransaction(tr_.get());
        cat_ = std::make_unique<TCatalogue>(*conn_, *tr_, settings_);
        conn_->Connect();
    }

    void TearDown() override
    {
        cat_.reset();
        session_->OnShowException = nullptr;
        session_->OnProcessMessages = nullptr;
    }

    // A second connection to the same file ("another user") with its own
    // auto-committing transaction; characters set as asked.
    struct Other {
        std::unique_ptr<TIB_Connection> conn;
        std::unique_ptr<TIB_Transaction> tr;
        std::string Value(const std::string& sql) { return cattest::Value(*conn, *tr, sql); }
        void Exec(const std::string& sql) { cattest::Exec(*conn, *tr, sql); }
    };
    Other OtherConnection(const std::string& charSet = "ISO8859_1")
    {
        Other o;
        o.conn = MakeConnection(session_, db_.path(), "Other", charSet);
        o.tr = MakeTransaction(session_, *o.conn, "OtherTransaction");
        o.conn->Connect();
        return o;
    }

    std::string Value(const std::string& sql) { return cattest::Value(*conn_, *tr_, sql); }

    varnel::test::TestDatabase db_;
    // The character set of the catalogue's connection (set before SetUp).
    std::string connectionCharset_ = "ISO8859_1";
    SettingsValues settings_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
    std::unique_ptr<TCatalogue> cat_;
};

} // namespace varnel::cattest
