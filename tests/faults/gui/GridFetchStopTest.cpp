// The server stops while a grid fetches a long list page by page over
// 127.0.0.1: the error is shown once through the session's error display,
// the rows fetched so far stay in the grid and read as before, and the
// grid asks for no more. The server is started again on every way out.
#include "dataset/IB_DataSource.h"
#include "dataset/IB_Query.h"
#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "support/TestEnv.h"
#include "ui/IB_Grid.h"
#include "ui/IB_GridModel.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace varnel::db;
using namespace varnel::test;

namespace {

struct RestartServer {
    RestartServer()
    {
        if (!serverRunning()) {
            EXPECT_TRUE(startServer());
        }
    }
    ~RestartServer() { startServer(); }
};

void Settle()
{
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
}

TEST(GridFetchStop, ErrorShownAndTheRowsSoFarStay)
{
    RestartServer restart;
    TestDatabase db({.forServer = true});
    auto session = std::make_shared<TIB_Session>();
    std::vector<std::string> shown;
    session->OnShowException = [&](const std::exception& e) { shown.push_back(e.what()); };
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
    c.Connect();
    {
        TIB_Statement ddl(session);
        ddl.SetIB_Connection(&c);
        ddl.SetIB_Transaction(&t);
        ddl.SetSQLText("CREATE PROCEDURE NUMBERS (N INTEGER) RETURNS (I INTEGER) AS BEGIN I = 0; "
                       "WHILE (I < N) DO BEGIN I = I + 1; SUSPEND; END END");
        ddl.Execute();
    }
    TIB_Query q(session);
    q.SetIB_Connection(&c);
    q.SetIB_Transaction(&t);
    q.SetSQL({"SELECT I FROM NUMBERS(300000)"});
    TIB_DataSource source;
    source.SetDataset(&q);
    varnel::ui::TIB_Grid grid;
    grid.SetDataSource(&source);
    grid.resize(320, 400);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    q.Open();
    Settle();
    ASSERT_GT(grid.GridModel()->rowCount(), 0);

    ASSERT_TRUE(stopServer());
    // Page down until the rows the client library still holds run out.
    for (int i = 0; i < 2000 && shown.empty(); ++i) {
        grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
        Settle();
    }
    ASSERT_EQ(shown.size(), 1u) << "the lost connection is shown once";
    EXPECT_EQ(shown[0].rfind("ISC ERROR CODE:", 0), 0u) << shown[0];
    EXPECT_NE(shown[0].find("Error reading data from the connection."), std::string::npos) << shown[0];

    const long kept = q.FetchedRowCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 300000);
    EXPECT_TRUE(q.AllRowsFetched());
    EXPECT_EQ(grid.GridModel()->rowCount(), kept) << "every row fetched is shown";
    EXPECT_FALSE(grid.GridModel()->canFetchMore(QModelIndex()));
    for (long n : {1L, kept / 2, kept})
        EXPECT_EQ(grid.GridModel()->CellText(static_cast<int>(n), 0).toStdString(), std::to_string(n));
    // Scrolling on asks for nothing more and shows nothing more.
    grid.verticalScrollBar()->setValue(0);
    Settle();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    Settle();
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(q.FetchedRowCount(), kept);

    ASSERT_TRUE(startServer());
    grid.SetDataSource(nullptr);
    q.Close();
    c.Disconnect();
}

} // namespace
