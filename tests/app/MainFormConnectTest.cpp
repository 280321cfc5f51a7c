// The Connect/Disconnect command of the main window on a real database:
// the state table, the login prompt, failed and cancelled connects, and a
// settings load while connected.
#include "app/MainForm.h"
#include "db/IB_Connection.h"
#include "guisupport/ScriptedDialogs.h"
#include "guisupport/UserStoreSandbox.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

using namespace varnel::test;

namespace {

class MainFormConnectTest : public ::testing::Test {
protected:
    UserStoreSandbox store;
    TempDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        form = std::make_unique<TMainForm>(dialogs);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        EXPECT_TRUE(dialogs.AllAnswered()) << "answers left over";
    }
    QLineEdit* PathEdit() const { return form->findChild<QLineEdit*>("DbPathEdit"); }
    QPushButton* Button(const char* name) const { return form->findChild<QPushButton*>(name); }
    void TypePath(const std::string& path) { PathEdit()->setText(QString::fromLatin1(path)); }
    void ClickLogin() { Button("LoginButton")->click(); }

    void ExpectDisconnected()
    {
        EXPECT_EQ(form->ConnectedState(), 0);
        EXPECT_EQ(Button("LoginButton")->text().toStdString(), "Connect...");
        EXPECT_FALSE(Button("HTMLExportButton")->isEnabled());
        EXPECT_FALSE(Button("XMLExportButton")->isEnabled());
        EXPECT_FALSE(Button("ScriptExportButton")->isEnabled());
        EXPECT_TRUE(PathEdit()->isEnabled());
    }
};

TEST_F(MainFormConnectTest, ConnectAndDisconnectFollowTheStateTable)
{
    TestDatabase db;
    TypePath(db.path());
    dialogs.AnswerLogin("SYSDBA", "");
    ClickLogin();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    ASSERT_EQ(dialogs.Logins.size(), 1u);
    EXPECT_EQ(dialogs.Logins[0], db.path());
    EXPECT_TRUE(form->Connection().Connected());
    EXPECT_EQ(form->ConnectedState(), 1);
    EXPECT_EQ(Button("LoginButton")->text().toStdString(), "Disconnect");
    EXPECT_TRUE(Button("LoginButton")->isEnabled());
    EXPECT_TRUE(Button("HTMLExportButton")->isEnabled());
    EXPECT_TRUE(Button("XMLExportButton")->isEnabled());
    EXPECT_TRUE(Button("ScriptExportButton")->isEnabled());
    EXPECT_FALSE(PathEdit()->isEnabled());
    EXPECT_EQ(PathEdit()->text().toStdString(), form->Connection().DatabaseName());
    EXPECT_FALSE(form->SettingsChangedFlag());

    ClickLogin();
    EXPECT_FALSE(form->Connection().Connected());
    ExpectDisconnected();
    EXPECT_EQ(PathEdit()->text().toStdString(), db.path());
    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormConnectTest, PathFieldShowsTheConnectionsNormalisedName)
{
    if (!serverRunning())
        GTEST_SKIP() << "local server not running";
    TestDatabase db({.forServer = true});
    TypePath("127.0.0.1:" + db.path());
    dialogs.AnswerLogin(serverLogin().user, serverLogin().password);
    ClickLogin();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    EXPECT_EQ(PathEdit()->text().toStdString(), "127.0.0.1:" + db.path());
    EXPECT_EQ(form->Connection().Path(), db.path());
}

TEST_F(MainFormConnectTest, EveryFailedAttemptIsShownThenLoginFailed)
{
    TypePath((dir / "missing.fdb").string());
    for (int i = 0; i < 3; ++i)
        dialogs.AnswerLogin("SYSDBA", "");
    ClickLogin();
    ASSERT_EQ(dialogs.Errors.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dialogs.Errors[i].rfind("ISC ERROR CODE:", 0), 0u) << dialogs.Errors[i];
    EXPECT_EQ(dialogs.Errors[3], "Login failed");
    ExpectDisconnected();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormConnectTest, CancelledLoginEndsSilently)
{
    TestDatabase db;
    TypePath(db.path());
    dialogs.CancelLogin();
    ClickLogin();
    EXPECT_TRUE(dialogs.Errors.empty());
    ExpectDisconnected();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormConnectTest, LoadWhileConnectedStopsAfterThePathField)
{
    TestDatabase db;
    TypePath(db.path());
    dialogs.AnswerLogin("SYSDBA", "");
    ClickLogin();
    ASSERT_EQ(form->ConnectedState(), 1);

    std::string ini = (dir / "other.ini").string();
    writeFile(ini, "[Settings]\r\nDatabase=/elsewhere/other.fdb\r\nDbUsername=ALICE\r\n[Tables]\r\nCaption=Changed\r\n");
    dialogs.AnswerFile(ini);
    form->findChild<QAction*>("MenuFileLoad")->trigger();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_EQ(dialogs.Errors[0], "Cannot change while connected");
    EXPECT_EQ(PathEdit()->text().toStdString(), "/elsewhere/other.fdb");
    EXPECT_EQ(form->Connection().Username(), "SYSDBA");
    EXPECT_EQ(form->findChild<QLineEdit*>("TablesCaptionEdit")->text().toStdString(), "Tables");
    EXPECT_TRUE(form->SettingsFile().empty());
    EXPECT_EQ(form->windowTitle().toStdString(), "Varnel");
    EXPECT_FALSE(form->findChild<QAction*>("MenuFileSave")->isEnabled());
}

} // namespace
