// The catalogue in the main window: Connect opens the six browse lists,
// master before detail, without marking the settings; "Show system data"
// re-filters the table list; the settings file carries the lists' sort
// orders; a list that fails to open leaves the window disconnected.
#include "MainFormTestBase.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"

#include <QApplication>

#include <algorithm>
#include <vector>

using namespace varnel::test;
using varnel::db::TIB_Dataset;
using varnel::db::TIB_Query;

namespace {

std::vector<std::string> Walk(TIB_Dataset& q, const std::string& column)
{
    std::vector<std::string> r;
    for (q.First(); !q.Eof(); q.Next())
        r.push_back(q.FieldByName(column).AsString());
    return r;
}

class MainFormCatalogueTest : public MainFormTest {
protected:
    TestDatabase db;

    TCatalogue& Cat() { return form->Catalogue(); }
    void Connect()
    {
        Edit("DbPathEdit")->setText(QString::fromLatin1(db.path()));
        dialogs.AnswerLogin("SYSDBA", "");
        Find<QPushButton>("LoginButton")->click();
    }
    void Disconnect() { Find<QPushButton>("LoginButton")->click(); }
    std::string Current(TIB_Query& q, const char* column) { return q.FieldByName(column).AsString(); }
};

TEST_F(MainFormCatalogueTest, ConnectOpensTheSixListsMasterBeforeDetail)
{
    Start();
    std::vector<std::string> opened;
    for (TIB_Query* q : Cat().Queries())
        q->AfterOpen = [&opened](TIB_Dataset& d) { opened.push_back(d.Name()); };
    Connect();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    ASSERT_EQ(form->ConnectedState(), 1);
    EXPECT_EQ(opened, (std::vector<std::string>{"TableQuery", "FieldQuery", "ViewQuery", "ViewFieldQuery",
                                                "ProcedureQuery", "ParameterQuery"}));
    for (TIB_Query* q : Cat().BrowseQueries())
        EXPECT_TRUE(q->Active()) << q->Name();
    for (TIB_Query* q : {&Cat().TableExportQuery, &Cat().FieldExportQuery, &Cat().ViewExportQuery,
                         &Cat().ViewFieldExportQuery, &Cat().ProcedureExportQuery, &Cat().ParamsExportQuery})
        EXPECT_FALSE(q->Active()) << q->Name() << ": exports open their own";
    // Each detail shows its master's first row.
    EXPECT_EQ(Current(Cat().TableQuery, "RDB$RELATION_NAME"), "CUSTOMERS");
    EXPECT_EQ(Current(Cat().FieldQuery, "RDB$RELATION_NAME"), "CUSTOMERS");
    EXPECT_EQ(Current(Cat().ViewQuery, "RDB$RELATION_NAME"), "V_CUSTOMER_CREDIT");
    EXPECT_EQ(Current(Cat().ViewFieldQuery, "RDB$RELATION_NAME"), "V_CUSTOMER_CREDIT");
    EXPECT_EQ(Current(Cat().ProcedureQuery, "RDB$PROCEDURE_NAME"), "P_NOTHING");
    EXPECT_TRUE(Cat().ParameterQuery.Eof());
    EXPECT_EQ(Cat().TableQuery.Owner(), Cat().FieldQuery.Owner());
    ASSERT_NE(Cat().TableQuery.Owner(), nullptr);
    EXPECT_EQ(Cat().TableQuery.Owner()->Name, "MainForm");
    EXPECT_FALSE(form->SettingsChangedFlag());

    Disconnect();
    for (TIB_Query* q : Cat().Queries())
        EXPECT_FALSE(q->Active()) << q->Name();
    EXPECT_FALSE(form->SettingsChangedFlag());
}

TEST_F(MainFormCatalogueTest, LoadedOrderingsOpenTheListsWithoutMarkingTheSettings)
{
    std::string ini = Path("orders.ini");
    writeFile(ini, "[Settings]\r\nTableSortOrder=-1\r\nProcedureSortOrder=0\r\nViewSortOrder=-1\r\n");
    Start();
    dialogs.AnswerFile(ini);
    Find<QAction>("MenuFileLoad")->trigger();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    EXPECT_EQ(Cat().TableQuery.OrderingItemNo(), -1);
    EXPECT_EQ(Cat().ProcedureQuery.OrderingItemNo(), 0);
    EXPECT_EQ(Cat().ViewQuery.OrderingItemNo(), -1);
    EXPECT_FALSE(form->SettingsChangedFlag());

    for (int round = 0; round < 2; ++round) {
        Connect();
        ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
        EXPECT_EQ(Walk(Cat().TableQuery, "RDB$RELATION_NAME"),
                  (std::vector<std::string>{"odd names", "ORDERS", "O'Reilly", "EMPTY_DOC", "CUSTOMERS"}));
        EXPECT_EQ(Walk(Cat().ViewQuery, "RDB$RELATION_NAME"),
                  (std::vector<std::string>{"V_ORDERS_CUST", "V_CUSTOMER_CREDIT"}));
        EXPECT_EQ(Cat().ProcedureQuery.ServerSQL().find("ORDER BY"), std::string::npos) << "the server's order";
        EXPECT_FALSE(form->SettingsChangedFlag()) << round;
        Disconnect();
        EXPECT_FALSE(form->SettingsChangedFlag()) << round;
    }

    // The user re-sorting a list marks them.
    Connect();
    Cat().TableQuery.SetOrderingItemNo(1);
    EXPECT_TRUE(form->SettingsChangedFlag());
    EXPECT_EQ(Walk(Cat().TableQuery, "RDB$RELATION_NAME").front(), "CUSTOMERS");
}

TEST_F(MainFormCatalogueTest, SaveStoresTheListsOrderings)
{
    Start();
    Connect();
    Cat().TableQuery.SetOrderingItemNo(-1);
    Cat().ViewQuery.SetOrderingItemNo(-1);
    Cat().ProcedureQuery.SetOrderingItemNo(-1);
    EXPECT_TRUE(form->SettingsChangedFlag());
    std::string ini = Path("saved.ini");
    dialogs.AnswerFile(ini);
    Find<QAction>("MenuFileSaveAs")->trigger();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    const std::string text = readFile(ini);
    for (const char* line : {"TableSortOrder=-1\r\n", "ProcedureSortOrder=-1\r\n", "ViewSortOrder=-1\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_FALSE(form->SettingsChangedFlag());
}

TEST_F(MainFormCatalogueTest, ShowSystemDataTogglesTheTableList)
{
    Start();
    Connect();
    auto tables = [&] { return Walk(Cat().TableQuery, "RDB$RELATION_NAME"); };
    const std::vector<std::string> user = {"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"};
    ASSERT_EQ(tables(), user);

    Check("SystemDataCheckBox")->click();
    EXPECT_TRUE(form->SettingsChangedFlag());
    std::vector<std::string> all = tables();
    EXPECT_GT(all.size(), user.size());
    EXPECT_NE(std::find(all.begin(), all.end(), "RDB$RELATIONS"), all.end());
    EXPECT_EQ(Walk(Cat().ViewQuery, "RDB$RELATION_NAME").size(), 2u);
    // The field list follows the table the list now shows.
    ASSERT_TRUE(Cat().TableQuery.Locate("RDB$RELATION_NAME", {std::string("RDB$RELATIONS")}));
    std::vector<std::string> owners = Walk(Cat().FieldQuery, "RDB$RELATION_NAME");
    EXPECT_FALSE(owners.empty());
    EXPECT_EQ(owners, std::vector<std::string>(owners.size(), "RDB$RELATIONS"));

    Check("SystemDataCheckBox")->click();
    EXPECT_EQ(tables(), user);
    Cat().TableQuery.First();
    EXPECT_EQ(Current(Cat().FieldQuery, "RDB$RELATION_NAME"), "CUSTOMERS");
    EXPECT_TRUE(dialogs.Errors.empty());
}

TEST_F(MainFormCatalogueTest, AListThatFailsToOpenLeavesTheWindowDisconnected)
{
    Start();
    const auto designed = Cat().ViewQuery.SQL();
    Cat().ViewQuery.SetSQL({"SELECT NO_SUCH_COLUMN FROM RDB$RELATIONS"});
    Connect();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0].rfind("ISC ERROR CODE:", 0), 0u) << dialogs.Errors[0];
    EXPECT_TRUE(form->Connection().Connected());
    EXPECT_EQ(form->ConnectedState(), 0);
    EXPECT_EQ(Find<QPushButton>("LoginButton")->text().toStdString(), "Connect...");
    EXPECT_FALSE(Find<QPushButton>("HTMLExportButton")->isEnabled());
    EXPECT_TRUE(Edit("DbPathEdit")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->SettingsChangedFlag());
    // The ordering notifications are back after the failed command.
    Cat().TableQuery.SetOrderingItemNo(-1);
    EXPECT_TRUE(form->SettingsChangedFlag());

    // The next Connect disconnects and connects again.
    Cat().ViewQuery.SetSQL(designed);
    dialogs.AnswerLogin("SYSDBA", "");
    Find<QPushButton>("LoginButton")->click();
    ASSERT_EQ(dialogs.Errors.size(), 1u) << dialogs.Errors.back();
    EXPECT_EQ(form->ConnectedState(), 1);
    for (TIB_Query* q : Cat().BrowseQueries())
        EXPECT_TRUE(q->Active()) << q->Name();
}

TEST_F(MainFormCatalogueTest, CalculatedMarkReadsTheWindowsSetting)
{
    Start();
    Edit("NotNullColumnTextEdit")->setText("yes");
    Connect();
    EXPECT_EQ(Walk(Cat().FieldQuery, "MANDATORY").front(), "yes");
    EXPECT_NE(Cat().TableQuery.ServerSQL().find("RDB$SYSTEM_FLAG = 0"), std::string::npos);
}

} // namespace
