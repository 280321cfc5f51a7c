#pragma once
// Helpers of the dataset tests: a fresh fixture database with a connection
// and the main window's transaction (read committed, auto-committing), and
// queries set up the way the catalogue declares them.
#include "dataset/IB_DataSource.h"
#include "dataset/IB_Query.h"
#include "db/IB_Connection.h"
#include "db/IB_Transaction.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace varnel::dstest {

using namespace varnel::db;

// The designed SQL of the catalogue's table list and field list.
inline const TIB_StringList kTableSQL = {"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS",
                                         "WHERE RDB$VIEW_BLR IS NULL"};
inline const TIB_StringList kTableItems = {"RDB$RELATION_NAME=RDB$RELATION_NAME ASC; RDB$RELATION_NAME DESC"};
inline const TIB_StringList kFieldSQL = {
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , rf.RDB$NULL_FLAG",
    "     , rf.RDB$DESCRIPTION",
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , t.RDB$TYPE_NAME",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE",
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
    "ORDER BY RDB$FIELD_POSITION",
};

// A fresh fixture copy, connected through the embedded engine, with the
// main window's transaction. Queries made here use both.
class DatasetTest : public ::testing::Test {
protected:
    explicit DatasetTest(varnel::test::DatabaseOptions options = {}) : db_(std::move(options)) {}

    void SetUp() override
    {
        session_ = TIB_Session::Default();
        conn_ = std::make_unique<TIB_Connection>(session_);
        conn_->SetName("IB_Connection");
        conn_->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
        conn_->SetDatabaseName(db_.path());
        tr_ = std::make_unique<TIB_Transaction>(session_);
        tr_->SetName("IB_Transaction");
        tr_->SetIB_Connection(conn_.get());
        tr_->SetAutoCommit(true);
        tr_->SetIsolation(TIB_Isolation::tiCommitted);
        conn_->Connect();
    }

    void TearDown() override
    {
        session_->Clock = nullptr;
        session_->OnFetchProgress = nullptr;
        session_->OnProcessMessages = nullptr;
        session_->OnShowException = nullptr;
    }

    // Without KeyLinks: the key is not defined automatically unless a test
    // asks for it (the catalogue's queries never define it themselves).
    std::unique_ptr<TIB_Query> Query(const TIB_StringList& sql, const std::string& name = "Query")
    {
        auto q = std::make_unique<TIB_Query>(session_);
        q->SetName(name);
        q->SetKeyLinksAutoDefine(false);
        q->SetIB_Connection(conn_.get());
        q->SetIB_Transaction(tr_.get());
        q->SetSQL(sql);
        return q;
    }

    // Runs one statement in the test's transaction (committed at once);
    // ":" is no parameter marker here (PSQL variables in DML need it).
    void Exec(const std::string& sql)
    {
        TIB_Statement s(session_);
        s.SetIB_Connection(conn_.get());
        s.SetIB_Transaction(tr_.get());
        s.SetParamCheck(false);
        s.SetSQLText(sql);
        s.Execute();
    }

    // A second connection to the same file ("another user"), with its own
    // auto-committing transaction.
    struct Other {
        std::unique_ptr<TIB_Connection> conn;
        std::unique_ptr<TIB_Transaction> tr;
        void Exec(const std::string& sql)
        {
            TIB_Statement s(conn->SessionPtr());
            s.SetIB_Connection(conn.get());
            s.SetIB_Transaction(tr.get());
            s.SetParamCheck(false);
            s.SetSQLText(sql);
            s.Execute();
        }
        std::string Value(const std::string& sql)
        {
            TIB_Statement s(conn->SessionPtr());
            s.SetIB_Connection(conn.get());
            s.SetIB_Transaction(tr.get());
            s.SetSQLText(sql);
            s.Execute();
            return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
        }
    };
    Other OtherConnection()
    {
        Other o;
        o.conn = std::make_unique<TIB_Connection>(session_);
        o.conn->SetName("Other");
        o.conn->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
        o.conn->SetDatabaseName(db_.path());
        o.tr = std::make_unique<TIB_Transaction>(session_);
        o.tr->SetIB_Connection(o.conn.get());
        o.tr->SetAutoCommit(true);
        o.tr->SetIsolation(TIB_Isolation::tiCommitted);
        o.conn->Connect();
        return o;
    }

    // A table NUMS (N primary key 1..count, LABEL 'row N', NOTE text blob
    // 'note N' on even rows).
    void MakeNumbers(int count)
    {
        Exec("CREATE TABLE NUMS (N INTEGER NOT NULL PRIMARY KEY, LABEL VARCHAR(20), NOTE BLOB SUB_TYPE TEXT)");
        Exec("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(count) +
             ") DO BEGIN INSERT INTO NUMS VALUES (:I, 'row ' || :I, IIF(MOD(:I, 2) = 0, 'note ' || :I, NULL)); "
             "I = I + 1; END END");
    }

    // The values of one column over all rows, walked with First/Next.
    static std::vector<std::string> Walk(TIB_Dataset& q, const std::string& column)
    {
        std::vector<std::string> r;
        q.First();
        while (!q.Eof()) {
            r.push_back(q.FieldByName(column).AsString());
            q.Next();
        }
        return r;
    }

    varnel::test::TestDatabase db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
};

} // namespace varnel::dstest
