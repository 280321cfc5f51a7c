#pragma once
// Helpers of the data-aware control tests: a fresh fixture database with
// the main window's kind of connection (ISO8859_1, dialect 3) and
// transaction (read committed, auto-committing), queries over it, and the
// errors the controls report through the session's show-exception hook.
#include "dataset/IB_DataSource.h"
#include "dataset/IB_Query.h"
#include "db/IB_Connection.h"
#include "db/IB_Transaction.h"
#include "support/TestEnv.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace varnel::uitest {

using namespace varnel::db;

// Lets the event loop run until nothing is pending (zero timers included).
inline void Settle()
{
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
}

// Qt's model tester on a model for the lifetime of the object; every
// failure it reports fails the running test. (The tester calls fetchMore
// itself after each model signal, so tests that count fetches go without.)
class ModelCheck {
public:
    explicit ModelCheck(QAbstractItemModel* model)
    {
        Failures().clear();
        previous_ = qInstallMessageHandler(&Handler);
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelCheck()
    {
        tester_.reset();
        qInstallMessageHandler(previous_);
        for (const std::string& f : Failures())
            ADD_FAILURE() << "QAbstractItemModelTester: " << f;
        Failures().clear();
    }
    ModelCheck(const ModelCheck&) = delete;
    ModelCheck& operator=(const ModelCheck&) = delete;

private:
    static std::vector<std::string>& Failures()
    {
        static std::vector<std::string> f;
        return f;
    }
    static void Handler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && message.contains(QLatin1String("FAIL")))
            Failures().push_back(message.toStdString());
    }
    QtMessageHandler previous_ = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

class UiDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_ = TIB_Session::Default();
        session_->OnShowException = [this](const std::exception& e) { errors_.push_back(e.what()); };
        conn_ = Connect("IB_Connection", "ISO8859_1", tr_);
    }

    void TearDown() override
    {
        session_->OnShowException = nullptr;
        session_->OnFetchProgress = nullptr;
        session_->OnProcessMessages = nullptr;
    }

    std::unique_ptr<TIB_Connection> Connect(const std::string& name, const std::string& charset,
                                            std::unique_ptr<TIB_Transaction>& tr)
    {
        auto c = std::make_unique<TIB_Connection>(session_);
        c->SetName(name);
        c->SetParams({"CHARACTER SET=" + charset, "SQL DIALECT=3", "USER NAME=SYSDBA"});
        c->SetDatabaseName(db_.path());
        tr = std::make_unique<TIB_Transaction>(session_);
        tr->SetName(name + "Transaction");
        tr->SetIB_Connection(c.get());
        tr->SetAutoCommit(true);
        tr->SetIsolation(TIB_Isolation::tiCommitted);
        c->Connect();
        return c;
    }

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

    // Runs one statement in the test's transaction (committed at once).
    void Exec(const std::string& sql)
    {
        TIB_Statement s(session_);
        s.SetParamCheck(false); // PSQL blocks refer to their variables as :NAME
        s.SetIB_Connection(conn_.get());
        s.SetIB_Transaction(tr_.get());
        s.SetSQLText(sql);
        s.Execute();
    }

    // The first column of a singleton SELECT; "<null>" for null.
    std::string Value(const std::string& sql)
    {
        TIB_Statement s(session_);
        s.SetIB_Connection(conn_.get());
        s.SetIB_Transaction(tr_.get());
        s.SetSQLText(sql);
        s.Execute();
        return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
    }

    // NUMS: N 1..count (primary key), LABEL 'row N', NOTE a text blob
    // 'note N' on even rows.
    void MakeNumbers(int count)
    {
        Exec("CREATE TABLE NUMS (N INTEGER NOT NULL PRIMARY KEY, LABEL VARCHAR(20), NOTE BLOB SUB_TYPE TEXT)");
        Exec("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(count) +
             ") DO BEGIN INSERT INTO NUMS VALUES (:I, 'row ' || :I, IIF(MOD(:I, 2) = 0, 'note ' || :I, NULL)); "
             "I = I + 1; END END");
    }

    // A master list and its detail: GROUPS (G, NAME) and ITEMS (G, ITEM,
    // DESCR text blob), each with a description column an EditSQL writes,
    // and UPD_LOG, which gets one row per UPDATE of either table.
    void MakeMasterDetail()
    {
        Exec("CREATE TABLE GROUPS (G INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), DESCR BLOB SUB_TYPE TEXT)");
        Exec("CREATE TABLE ITEMS (G INTEGER NOT NULL, ITEM VARCHAR(20) NOT NULL, DESCR BLOB SUB_TYPE TEXT, "
             "PRIMARY KEY (G, ITEM))");
        Exec("CREATE TABLE UPD_LOG (WHAT VARCHAR(20))");
        Exec("CREATE TRIGGER GROUPS_AU FOR GROUPS AFTER UPDATE AS BEGIN INSERT INTO UPD_LOG VALUES ('GROUPS'); END");
        Exec("CREATE TRIGGER ITEMS_AU FOR ITEMS AFTER UPDATE AS BEGIN INSERT INTO UPD_LOG VALUES ('ITEMS'); END");
        Exec("INSERT INTO GROUPS VALUES (1, 'alpha', 'First group')");
        Exec("INSERT INTO GROUPS VALUES (2, 'beta', NULL)");
        Exec("INSERT INTO GROUPS VALUES (3, 'gamma', 'Third' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'group')");
        Exec("INSERT INTO ITEMS VALUES (1, 'a1', 'item a1')");
        Exec("INSERT INTO ITEMS VALUES (1, 'a2', NULL)");
        Exec("INSERT INTO ITEMS VALUES (2, 'b1', 'item b1')");
        Exec("INSERT INTO ITEMS VALUES (3, 'c1', NULL)");
        Exec("INSERT INTO ITEMS VALUES (3, 'c2', NULL)");
        Exec("INSERT INTO ITEMS VALUES (3, 'c3', 'item c3')");
    }
    int Updates() { return std::stoi(Value("SELECT COUNT(*) FROM UPD_LOG")); }

    // The group list as the main window declares an object list.
    std::unique_ptr<TIB_Query> GroupQuery()
    {
        auto q = Query({"SELECT G, NAME, DESCR", "FROM GROUPS"}, "GroupQuery");
        q->SetKeyLinks({"GROUPS.G"});
        q->SetEditSQL({"UPDATE GROUPS", "SET DESCR = :DESCR", "WHERE G = :G"});
        q->SetOrderingItems({"NAME=NAME ASC; NAME DESC"});
        q->SetOrderingLinks({"NAME=1"});
        q->SetOrderingItemNo(1);
        q->SetFieldsDisplayLabel({"NAME=Group", "DESCR=Group description"});
        q->SetFieldsDisplayWidth({"NAME=142"});
        q->SetFieldsVisible({"G=FALSE", "DESCR=FALSE"});
        return q;
    }

    // The items of the current group (a detail with a master link).
    std::unique_ptr<TIB_Query> ItemQuery(TIB_DataSource& master)
    {
        auto q = Query({"SELECT i.G, i.ITEM, i.DESCR", "FROM ITEMS i", "ORDER BY i.ITEM"}, "ItemQuery");
        q->SetKeyLinks({"ITEMS.G", "ITEMS.ITEM"});
        q->SetEditSQL({"UPDATE ITEMS", "SET DESCR = :DESCR", "WHERE G = :G AND ITEM = :ITEM"});
        q->SetMasterSource(&master);
        q->SetMasterLinks({"i.G=GROUPS.G"});
        q->SetFieldsDisplayLabel({"ITEM=Item", "DESCR=Item description"});
        q->SetFieldsVisible({"G=FALSE"});
        return q;
    }

    varnel::test::TestDatabase db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
    std::vector<std::string> errors_;
};

} // namespace varnel::uitest
