// The password typed at the login prompt of the main window never leaves
// the connection: not into the settings file a save writes, not into the
// per-user store the window writes when it goes, not into an error shown
// (a wrong password on the server, a database that is missing), not onto
// standard error (the program's only log), and not into the fields of the
// client layer's error.
#include "app/MainForm.h"
#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "guisupport/ScriptedDialogs.h"
#include "guisupport/UserStoreSandbox.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

// Distinctive, so that it cannot appear by chance.
const std::string kProbe = "Pr0be#Secret_9713";

// Standard error into a file for the object's lifetime.
class CapturedStderr {
public:
    explicit CapturedStderr(const fs::path& file) : FFile(file)
    {
        std::fflush(stderr);
        FSaved = ::dup(2);
        FILE* f = std::fopen(file.c_str(), "w");
        ::dup2(::fileno(f), 2);
        std::fclose(f);
    }
    ~CapturedStderr() { Restore(); }
    std::string Text()
    {
        Restore();
        return readFile(FFile);
    }

private:
    void Restore()
    {
        if (FSaved < 0)
            return;
        std::fflush(stderr);
        ::dup2(FSaved, 2);
        ::close(FSaved);
        FSaved = -1;
    }
    fs::path FFile;
    int FSaved = -1;
};

class PasswordLeak : public ::testing::Test {
protected:
    UserStoreSandbox store;
    TempDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<CapturedStderr> err;

    void SetUp() override
    {
        err = std::make_unique<CapturedStderr>(dir / "stderr.txt");
        form = std::make_unique<TMainForm>(dialogs);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        err.reset();
        EXPECT_TRUE(dialogs.AllAnswered()) << "answers left over";
    }

    QPushButton* Button(const char* name) const { return form->findChild<QPushButton*>(name); }
    void TypePath(const std::string& path)
    {
        form->findChild<QLineEdit*>("DbPathEdit")->setText(QString::fromLatin1(path));
    }
    void ClickLogin() { Button("LoginButton")->click(); }
    std::string Settings() const { return (dir / "settings.ini").string(); }

    // Saves the settings under a new name and again in place, then closes
    // the window (which writes the per-user store) and looks everywhere
    // the program wrote for the password.
    void SaveCloseAndSearch(const std::string& password)
    {
        dialogs.AnswerFile(Settings());
        form->Ui().MenuFileSaveAs->trigger();
        form->Ui().MenuFileSave->trigger();
        ASSERT_TRUE(fs::exists(Settings()));
        form.reset();
        ASSERT_EQ(store.Remembered(), Settings()) << "the store was written";

        Expect(readFile(Settings()), password, "the settings file");
        // Everything under the store's folder, the store itself included.
        for (const auto& e : fs::recursive_directory_iterator(store.StoreFile().parent_path().parent_path()))
            if (e.is_regular_file())
                Expect(readFile(e.path()), password, e.path().string());
        for (const std::string& e : dialogs.Errors)
            Expect(e, password, "an error shown");
        for (const auto& m : dialogs.Messages)
            Expect(m.Text + m.Caption, password, "a message box");
        Expect(err->Text(), password, "standard error");
    }

    static void Expect(const std::string& text, const std::string& password, const std::string& where)
    {
        EXPECT_EQ(text.find(password), std::string::npos) << "the password is in " << where;
    }
};

// The embedded engine takes any password: the typed one goes all the way
// through the login and the connection.
TEST_F(PasswordLeak, EmbeddedLoginThenSaveAndClose)
{
    TestDatabase db;
    TypePath(db.path());
    dialogs.AnswerLogin("SYSDBA", kProbe);
    ClickLogin();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    ASSERT_TRUE(form->Connection().Connected());
    EXPECT_EQ(form->Connection().Password(), kProbe);
    for (const std::string& line : form->Connection().Params())
        Expect(line, kProbe, "the connection's parameter lines");
    SaveCloseAndSearch(kProbe);
}

// A missing database: every attempt's error is shown without the password.
TEST_F(PasswordLeak, FailedAttachesAreShownWithoutIt)
{
    TypePath((dir / "missing.fdb").string());
    for (int i = 0; i < 3; ++i)
        dialogs.AnswerLogin("SYSDBA", kProbe);
    ClickLogin();
    ASSERT_EQ(dialogs.Errors.size(), 4u);
    EXPECT_EQ(dialogs.Errors.back(), "Login failed");
    SaveCloseAndSearch(kProbe);
}

class PasswordLeakServer : public PasswordLeak {
protected:
    void SetUp() override
    {
        if (!serverRunning()) {
            ASSERT_TRUE(startServer()) << "the local Firebird server does not start";
        }
        PasswordLeak::SetUp();
    }
};

// A wrong password on the server: each refusal is shown, and none of the
// texts holds what was typed; neither does any field of the error itself.
TEST_F(PasswordLeakServer, WrongPasswordIsShownWithoutIt)
{
    TestDatabase db({.forServer = true});
    TypePath(db.serverName());
    for (int i = 0; i < 3; ++i)
        dialogs.AnswerLogin(serverLogin().user, kProbe);
    ClickLogin();
    ASSERT_EQ(dialogs.Errors.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dialogs.Errors[i].rfind("ISC ERROR CODE:", 0), 0u) << dialogs.Errors[i];
    EXPECT_FALSE(form->Connection().Connected());

    {
        varnel::db::TIB_Connection c(std::make_shared<varnel::db::TIB_Session>());
        c.SetDatabaseName(db.serverName());
        c.SetUsername(serverLogin().user);
        c.SetPassword(kProbe);
        try {
            c.Connect();
            ADD_FAILURE() << "connected with a wrong password";
        } catch (const varnel::db::EIB_ISCError& e) {
            Expect(e.what(), kProbe, "the error's message");
            for (const auto* lines : {&e.ErrorMessage(), &e.ErrorCodes(), &e.SQLMessage(), &e.SQL()})
                for (const std::string& line : *lines)
                    Expect(line, kProbe, "a field of the error");
        }
    }
    SaveCloseAndSearch(kProbe);
}

// The real password on the server: connected, saved, closed; the
// password is nowhere the program wrote.
TEST_F(PasswordLeakServer, RealPasswordStaysInTheConnection)
{
    const std::string password = serverLogin().password;
    if (password.size() < 6)
        GTEST_SKIP() << "the server's password is too short to search for";
    TestDatabase db({.forServer = true});
    TypePath(db.serverName());
    dialogs.AnswerLogin(serverLogin().user, password);
    ClickLogin();
    ASSERT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    ASSERT_TRUE(form->Connection().Connected());
    SaveCloseAndSearch(password);
}

} // namespace
