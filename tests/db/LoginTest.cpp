// The login loop against the local server on 127.0.0.1: a wrong password
// is shown and the prompt comes back, three wrong ones end in "Login
// failed", Cancel ends silently.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

using namespace varnel::dbtest;
using varnel::test::DatabaseOptions;
using varnel::test::TestDatabase;

namespace {

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!varnel::test::serverRunning()) {
            ASSERT_TRUE(varnel::test::startServer()) << "the local Firebird server does not start";
        }
        DatabaseOptions o;
        o.forServer = true;
        db_ = std::make_unique<TestDatabase>(o);
        session_ = std::make_shared<TIB_Session>();
        session_->OnShowException = [this](const std::exception& e) { shown_.push_back(e.what()); };
        conn_ = MakeServerConnection(*db_, session_);
        conn_->SetLoginPrompt(true);
        conn_->SetLoginCaption("Database Login");
    }

    std::unique_ptr<TestDatabase> db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::vector<std::string> shown_;
};

TEST_F(LoginTest, WrongPasswordIsShownAndThePromptComesBack)
{
    const std::string right = varnel::test::serverLogin().password;
    int prompts = 0;
    session_->OnLoginPrompt = [&](TIB_Connection& c) {
        ++prompts;
        c.SetPassword(prompts == 1 ? right + "-wrong" : right);
        return true;
    };
    conn_->Connect();
    EXPECT_TRUE(conn_->Connected());
    EXPECT_EQ(prompts, 2);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].rfind("ISC ERROR CODE:335544472\r\n\r\nISC ERROR MESSAGE:\r\n", 0), 0u) << shown_[0];
    EXPECT_EQ(conn_->Characteristics().ODSMajorVersion, 12);
    EXPECT_EQ(conn_->Password(), right) << "kept privately";
    EXPECT_EQ(conn_->Param("PASSWORD"), "");
}

TEST_F(LoginTest, ThreeWrongPasswordsEndInLoginFailed)
{
    int prompts = 0;
    session_->OnLoginPrompt = [&](TIB_Connection& c) {
        ++prompts;
        c.SetPassword("definitely-wrong");
        return true;
    };
    try {
        conn_->Connect();
        FAIL();
    } catch (const EIB_ConnectionError& e) {
        EXPECT_STREQ(e.what(), "Login failed");
    }
    EXPECT_EQ(prompts, 3);
    EXPECT_EQ(shown_.size(), 3u);
    EXPECT_FALSE(conn_->Connected());
    EXPECT_FALSE(conn_->LoginAborted());
}

TEST_F(LoginTest, CancelEndsSilently)
{
    int prompts = 0;
    session_->OnLoginPrompt = [&](TIB_Connection&) {
        ++prompts;
        return false;
    };
    EXPECT_THROW(conn_->Connect(), EIB_Abort);
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(conn_->LoginAborted());
    EXPECT_FALSE(conn_->Connected());
    EXPECT_EQ(conn_->ConnectionStatus(), TIB_ConnectionStatus::csDisconnected);
}

TEST_F(LoginTest, ConnectionsOwnOnLoginReplacesThePrompt)
{
    bool sessionPrompt = false;
    session_->OnLoginPrompt = [&](TIB_Connection&) {
        sessionPrompt = true;
        return false;
    };
    conn_->OnLogin = [](TIB_Connection&) { return true; };
    conn_->Connect();
    EXPECT_TRUE(conn_->Connected());
    EXPECT_FALSE(sessionPrompt);
}

TEST_F(LoginTest, WithoutAPromptTheConnectionAttachesOnce)
{
    conn_->SetPassword("definitely-wrong");
    EXPECT_THROW(conn_->Connect(), EIB_ISCError) << "the headless path raises the server's error";
    EXPECT_TRUE(shown_.empty());
}

TEST_F(LoginTest, RoleReachesTheServer)
{
    session_->OnLoginPrompt = [](TIB_Connection&) { return true; };
    conn_->Connect();
    auto t = MakeTransaction(*conn_);
    auto q = MakeQuery(*conn_, t.get(), "SELECT TRIM(CURRENT_USER), TRIM(CURRENT_ROLE) FROM RDB$DATABASE");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    EXPECT_EQ(q->Fields().Columns(0).AsString(), varnel::test::serverLogin().user);
    const std::string role = varnel::test::serverLogin().role;
    EXPECT_EQ(q->Fields().Columns(1).AsString(), role.empty() ? "NONE" : role);
    q->Close();
}

} // namespace
