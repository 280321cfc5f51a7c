// The login dialog on the offscreen platform: what it shows, what OK
// writes into the connection, and Cancel through the connection's login
// loop.
#include "db/IB_Connection.h"
#include "support/TestEnv.h"
#include "ui/dlgLogin.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace varnel::db;
using varnel::ui::TdlgLogin;

namespace {

std::unique_ptr<TIB_Connection> MainWindowConnection(std::shared_ptr<TIB_Session> session = nullptr)
{
    auto c = std::make_unique<TIB_Connection>(std::move(session));
    c->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA", "PROTOCOL=TCP/IP", "SERVER=local",
                  "PATH=/data/app.fdb"});
    c->SetLoginPrompt(true);
    c->SetLoginCaption("Database Login");
    return c;
}

// Runs `script` on the modal login dialog once it is shown.
void WhenShown(std::function<void(TdlgLogin&)> script)
{
    QTimer::singleShot(0, [script] {
        auto* dialog = qobject_cast<TdlgLogin*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no login dialog";
            return;
        }
        script(*dialog);
    });
}

TEST(LoginDialog, ShowsTheConnectionsSettings)
{
    auto c = MainWindowConnection();
    c->SetSQLRole("READER");
    TdlgLogin d(*c);
    EXPECT_EQ(d.windowTitle(), "Database Login");
    EXPECT_EQ(d.edDatabase->text(), "local:/data/app.fdb");
    EXPECT_EQ(d.edUserName->text(), "SYSDBA");
    EXPECT_EQ(d.edPassword->text(), "");
    EXPECT_EQ(d.edPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.cbSQLRole->currentText(), "READER");
    EXPECT_FALSE(d.edDatabase->isReadOnly());
    EXPECT_TRUE(d.HelpBtn->isHidden());
    EXPECT_EQ(d.OKBtn->text(), "OK");
    EXPECT_EQ(d.CancelBtn->text(), "Cancel");
    EXPECT_EQ(d.HelpBtn->text(), "&Help");

    c->SetLoginCaption("");
    c->SetLoginDBReadOnly(true);
    c->SetLoginHelpContext(7);
    QApplication::setApplicationDisplayName(" Varnel ");
    TdlgLogin d2(*c);
    EXPECT_EQ(d2.windowTitle(), "Varnel Login Dialog");
    EXPECT_TRUE(d2.edDatabase->isReadOnly());
    EXPECT_FALSE(d2.HelpBtn->isHidden());
}

TEST(LoginDialog, FocusGoesToTheUserNameOnlyWhenItIsEmpty)
{
    auto c = MainWindowConnection();
    TdlgLogin d(*c);
    d.show();
    QApplication::processEvents();
    EXPECT_EQ(d.focusWidget(), d.edPassword);
    d.close();
    c->SetUsername("");
    TdlgLogin e(*c);
    e.show();
    QApplication::processEvents();
    EXPECT_EQ(e.focusWidget(), e.edUserName);
    e.close();
}

TEST(LoginDialog, OkWritesDatabaseUserPasswordAndRole)
{
    auto c = MainWindowConnection();
    TdlgLogin d(*c);
    d.edDatabase->setText("dbhost:/srv/cat.fdb");
    d.edUserName->clear();
    QTest::keyClicks(d.edUserName, "reader");
    EXPECT_EQ(d.edUserName->text(), "READER") << "typed characters are upper-cased";
    QTest::keyClicks(d.edPassword, "s3cret");
    d.cbSQLRole->setEditText("R1");
    QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    d.ApplyToConnection();
    EXPECT_EQ(c->Server(), "dbhost");
    EXPECT_EQ(c->Path(), "/srv/cat.fdb");
    EXPECT_EQ(c->Protocol(), TIB_Protocol::cpTCP_IP);
    EXPECT_EQ(c->Username(), "READER");
    EXPECT_EQ(c->Password(), "s3cret");
    EXPECT_EQ(c->Param("PASSWORD"), "") << "kept privately, not in Params";
    EXPECT_EQ(c->SQLRole(), "R1");
    d.cbSQLRole->setEditText("");
    d.ApplyToConnection();
    EXPECT_EQ(IndexOfName(c->Params(), "ROLE NAME"), -1) << "an empty role removes the line";
}

TEST(LoginDialog, PrefixesAreHiddenAndAddedBack)
{
    auto c = MainWindowConnection();
    c->SetLoginUsernamePrefix("APP_");
    c->SetLoginSQLRolePrefix("R_");
    c->SetUsername("APP_JOE");
    c->SetSQLRole("R_READ");
    TdlgLogin d(*c);
    EXPECT_EQ(d.edUserName->text(), "JOE");
    EXPECT_EQ(d.cbSQLRole->currentText(), "READ");
    d.ApplyToConnection();
    EXPECT_EQ(c->Username(), "APP_JOE");
    EXPECT_EQ(c->SQLRole(), "R_READ");
    d.edUserName->setText("SYSDBA");
    d.ApplyToConnection();
    EXPECT_EQ(c->Username(), "SYSDBA") << "SYSDBA never gets the prefix";
}

TEST(LoginDialog, CancelInTheLoginLoopSetsLoginAborted)
{
    auto session = std::make_shared<TIB_Session>();
    TdlgLogin::Install(*session);
    int shown = 0;
    session->OnShowException = [&](const std::exception&) { ++shown; };
    auto c = MainWindowConnection(session);
    const TIB_StringList before = c->Params();
    WhenShown([](TdlgLogin& d) {
        d.edUserName->setText("OTHER");
        QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    });
    EXPECT_THROW(c->Connect(), EIB_Abort);
    EXPECT_TRUE(c->LoginAborted());
    EXPECT_FALSE(c->Connected());
    EXPECT_EQ(c->Params(), before) << "Cancel changes nothing";
    EXPECT_EQ(shown, 0);
}

TEST(LoginDialog, OkInTheLoginLoopAttaches)
{
    varnel::test::TestDatabase db;
    auto session = std::make_shared<TIB_Session>();
    TdlgLogin::Install(*session);
    auto c = MainWindowConnection(session);
    const std::string path = db.path();
    WhenShown([path](TdlgLogin& d) {
        d.edDatabase->setText(QString::fromLatin1(path.c_str()));
        QTest::mouseClick(d.OKBtn, Qt::LeftButton);
    });
    c->Connect();
    EXPECT_TRUE(c->Connected());
    EXPECT_FALSE(c->LoginAborted());
    EXPECT_EQ(c->Database(), path);
    c->Disconnect();
}

} // namespace
