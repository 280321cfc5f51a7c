// The transaction: its parameter buffer, start on demand, the
// auto-commit save point and its age rule, the end of the transaction and
// the datasets registered with it.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

using namespace varnel::dbtest;
using varnel::test::TestDatabase;

namespace {

struct TpbCase {
    const char* name;
    TIB_TPBOptions options;
    std::vector<std::uint8_t> bytes;
};
void PrintTo(const TpbCase& c, std::ostream* os) { *os << c.name; }

class TpbTest : public ::testing::TestWithParam<TpbCase> {};

TEST_P(TpbTest, BuildsTheBytes) { EXPECT_EQ(BuildTPB(GetParam().options), GetParam().bytes); }

TIB_TPBOptions Opt(TIB_Isolation i, bool ro = false, bool rec = true, bool wait = false, bool autoc = false)
{
    TIB_TPBOptions o;
    o.Isolation = i;
    o.ReadOnly = ro;
    o.RecVersion = rec;
    o.LockWait = wait;
    o.ServerAutoCommit = autoc;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Tpb, TpbTest,
    ::testing::Values(TpbCase{"main_window", Opt(TIB_Isolation::tiCommitted), {3, 9, 15, 17, 7}},
                      TpbCase{"defaults_concurrency", TIB_TPBOptions{}, {3, 9, 2, 7}},
                      TpbCase{"consistency_read_only_wait", Opt(TIB_Isolation::tiConsistency, true, true, true),
                              {3, 8, 1, 6}},
                      TpbCase{"committed_no_rec_version", Opt(TIB_Isolation::tiCommitted, false, false),
                              {3, 9, 15, 18, 7}},
                      TpbCase{"server_autocommit", Opt(TIB_Isolation::tiCommitted, false, true, false, true),
                              {3, 9, 15, 17, 7, 16}}),
    [](const ::testing::TestParamInfo<TpbCase>& info) { return std::string(info.param.name); });

// A fixture database, a connection with an injectable clock, and the main
// window's transaction.
class TransactionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_ = std::make_shared<TIB_Session>();
        session_->Clock = [this] { return now_; };
        session_->OnShowException = [this](const std::exception& e) { shown_.push_back(e.what()); };
        conn_ = MakeConnection(db_.path(), session_);
        conn_->Connect();
        tr_ = MakeTransaction(*conn_);
    }

    std::string One(const std::string& sql, TIB_Transaction* t = nullptr)
    {
        auto q = MakeQuery(*conn_, t ? t : tr_.get(), sql);
        auto v = q->Column(0);
        return v.empty() ? "<none>" : v.front();
    }

    TestDatabase db_;
    std::int64_t now_ = 1000000;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
    std::vector<std::string> shown_;
};

TEST_F(TransactionTest, StartsOnDemandWithTheMainWindowsSettings)
{
    EXPECT_FALSE(tr_->Started());
    EXPECT_EQ(tr_->TransactionState(), TIB_TransactionState::tsNone);
    int customized = 0;
    tr_->OnCustomizeTPB = [&](TIB_Transaction&, TIB_Connection* c, std::vector<std::uint8_t>& tpb) {
        ++customized;
        EXPECT_EQ(c, conn_.get());
        EXPECT_EQ(tpb, std::vector<std::uint8_t>({3, 9, 15, 17, 7}));
    };
    EXPECT_EQ(One("SELECT MON$ISOLATION_MODE || ',' || MON$LOCK_TIMEOUT || ',' || MON$READ_ONLY "
                  "FROM MON$TRANSACTIONS WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION"),
              "2,0,0")
        << "read committed record version, no wait, read-write";
    EXPECT_EQ(customized, 1);
    EXPECT_TRUE(tr_->Started());
    EXPECT_EQ(tr_->TransactionState(), TIB_TransactionState::tsInactive);
}

TEST_F(TransactionTest, SettingsCannotChangeWhileStarted)
{
    tr_->StartOnDemand();
    struct Change {
        std::function<void()> f;
        const char* text;
    };
    for (const Change& c : {Change{[&] { tr_->SetIsolation(TIB_Isolation::tiConcurrency); }, "Cannot change Isolation when started"},
                            Change{[&] { tr_->SetReadOnly(true); }, "Cannot change ReadOnly when started"},
                            Change{[&] { tr_->SetRecVersion(false); }, "Cannot change RecVersion when started"},
                            Change{[&] { tr_->SetLockWait(true); }, "Cannot change LockWait when started"}}) {
        try {
            c.f();
            ADD_FAILURE() << c.text;
        } catch (const EIB_TransactionError& e) {
            EXPECT_STREQ(e.what(), c.text);
        }
    }
    EXPECT_EQ(tr_->Isolation(), TIB_Isolation::tiCommitted);
}

TEST_F(TransactionTest, ExplicitStartRules)
{
    tr_->StartTransaction();
    EXPECT_TRUE(tr_->IsExplicit());
    EXPECT_FALSE(tr_->Started()) << "the server transaction still starts on demand";
    try {
        tr_->StartTransaction();
        FAIL();
    } catch (const EIB_TransactionError& e) {
        EXPECT_STREQ(e.what(), "Transaction has already been started");
    }
    TIB_Transaction server(session_);
    server.SetServerAutoCommit(true);
    EXPECT_TRUE(server.AutoCommit());
    try {
        server.StartTransaction();
        FAIL();
    } catch (const EIB_TransactionError& e) {
        EXPECT_STREQ(e.what(), "Explicit trans. not allowed with ServerAutoCommit");
    }
    TIB_Transaction lonely(session_);
    try {
        lonely.StartOnDemand();
        FAIL();
    } catch (const EIB_TransactionError& e) {
        EXPECT_STREQ(e.what(), "Transaction has no connections");
    }
    EXPECT_EQ(lonely.TransactionState(), TIB_TransactionState::tsNone);
}

TEST_F(TransactionTest, ActivateWhileTheStartIsPendingRaises)
{
    std::string message;
    tr_->BeforeStart = [&](TIB_Transaction& t) {
        EXPECT_EQ(t.TransactionState(), TIB_TransactionState::tsInactivePending);
        try {
            t.Activate();
        } catch (const EIB_TransactionError& e) {
            message = e.what();
        }
    };
    tr_->StartOnDemand();
    EXPECT_EQ(message, "Invalid transaction state. Cannot activate");
}

// The save point after a change: commit retaining, or a hard commit when
// read committed, no cursor is open and the transaction is older than
// AllowCheckOAT (120) / 88400 days = 117285 ms.
struct AgeCase {
    const char* name;
    std::int64_t ageMs;
    bool openCursor;
    TIB_Isolation isolation;
    bool explicitStart;
    bool endsTransaction;
};
void PrintTo(const AgeCase& c, std::ostream* os) { *os << c.name; }

class SavePointAgeTest : public TransactionTest, public ::testing::WithParamInterface<AgeCase> {};

TEST_P(SavePointAgeTest, CommitsRetainingOrHard)
{
    const AgeCase& c = GetParam();
    Exec(*conn_, *tr_, "CREATE TABLE T_AGE (A INTEGER)");
    tr_->Close();
    tr_->SetIsolation(c.isolation);
    if (c.explicitStart)
        tr_->StartTransaction();
    tr_->StartOnDemand();
    std::unique_ptr<TestCursor> cursor;
    if (c.openCursor) {
        cursor = MakeQuery(*conn_, tr_.get(), "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS");
        cursor->Open();
        ASSERT_TRUE(cursor->Fetch());
        EXPECT_EQ(tr_->OpenCursorCount(), 1);
    }
    ASSERT_TRUE(tr_->Started());
    int ended = 0;
    tr_->AfterEnd = [&](TIB_Transaction&) { ++ended; };
    now_ += c.ageMs;
    EXPECT_EQ(tr_->SavePointWouldEnd(), c.endsTransaction);
    TIB_Statement ins(session_);
    ins.SetIB_Connection(conn_.get());
    ins.SetIB_Transaction(tr_.get());
    ins.SetSQLText("INSERT INTO T_AGE VALUES (1)");
    ins.Execute(); // Activate: the auto-commit save point
    EXPECT_EQ(tr_->Started(), !c.endsTransaction || c.explicitStart);
    EXPECT_EQ(ended, c.endsTransaction ? 1 : 0);
    if (c.openCursor) {
        EXPECT_TRUE(cursor->Fetch()) << "commit retaining keeps the cursor";
    }
    // Committed either way: another transaction sees the row.
    TIB_Transaction other(session_);
    other.SetIB_Connection(conn_.get());
    other.SetIsolation(TIB_Isolation::tiCommitted);
    if (!c.explicitStart) {
        EXPECT_EQ(One("SELECT COUNT(*) FROM T_AGE", &other), "1");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Age, SavePointAgeTest,
    ::testing::Values(AgeCase{"young", 1000, false, TIB_Isolation::tiCommitted, false, false},
                      AgeCase{"at_the_limit", 117285, false, TIB_Isolation::tiCommitted, false, false},
                      AgeCase{"just_over_the_limit", 117286, false, TIB_Isolation::tiCommitted, false, true},
                      AgeCase{"old_with_open_cursor", 600000, true, TIB_Isolation::tiCommitted, false, false},
                      AgeCase{"old_concurrency", 600000, false, TIB_Isolation::tiConcurrency, false, false},
                      AgeCase{"old_explicit", 600000, false, TIB_Isolation::tiCommitted, true, false}),
    [](const ::testing::TestParamInfo<AgeCase>& info) { return std::string(info.param.name); });

TEST_F(TransactionTest, WithoutAutoCommitActivateLeavesTheChangePending)
{
    tr_->SetAutoCommit(false);
    Exec(*conn_, *tr_, "CREATE TABLE T_PEND (A INTEGER)");
    tr_->Commit();
    Exec(*conn_, *tr_, "INSERT INTO T_PEND VALUES (1)");
    EXPECT_EQ(tr_->TransactionState(), TIB_TransactionState::tsActive);
    EXPECT_TRUE(tr_->TransactionIsActive());
    tr_->Close(); // not auto-committing: rolled back
    EXPECT_FALSE(tr_->Started());
    EXPECT_EQ(One("SELECT COUNT(*) FROM T_PEND"), "0");
}

TEST_F(TransactionTest, CloseCommitsAnAutoCommittingTransaction)
{
    Exec(*conn_, *tr_, "CREATE TABLE T_CLOSE (A INTEGER)");
    tr_->SetAutoCommit(false);
    Exec(*conn_, *tr_, "INSERT INTO T_CLOSE VALUES (1)");
    tr_->SetAutoCommit(true);
    tr_->Close();
    EXPECT_FALSE(tr_->Started());
    EXPECT_EQ(One("SELECT COUNT(*) FROM T_CLOSE"), "1");
}

// A dataset as the transaction sees it.
struct FakeDataset : TIB_TransactionUser {
    bool pending = false;
    bool failPost = false;
    std::vector<std::string> calls;
    bool NeedToPost() const override { return pending; }
    void PostForTransaction() override
    {
        calls.push_back("post");
        if (failPost)
            throw EIB_DatasetError("Record was not located to update");
        pending = false;
    }
    void CancelForTransaction() override
    {
        calls.push_back("cancel");
        pending = false;
    }
    void EndOfTransaction(bool commit, bool closing) override
    {
        calls.push_back(std::string(commit ? "end-commit" : "end-rollback") + (closing ? "-closing" : ""));
    }
    void AfterEndOfTransaction(bool commit) override { calls.push_back(commit ? "after-commit" : "after-rollback"); }
};

TEST_F(TransactionTest, CommitPostsPendingEditsAndEndsTheDatasets)
{
    FakeDataset ds;
    tr_->RegisterUser(&ds);
    tr_->StartOnDemand();
    ds.pending = true;
    tr_->AdjustPostPending(+1);
    EXPECT_EQ(tr_->TransactionState(), TIB_TransactionState::tsActivePending);
    EXPECT_TRUE(tr_->TransactionIsActive());
    tr_->Commit();
    tr_->AdjustPostPending(-1);
    EXPECT_EQ(ds.calls, std::vector<std::string>({"post", "end-commit", "after-commit"}));
    EXPECT_FALSE(tr_->Started());
    tr_->UnregisterUser(&ds);
}

TEST_F(TransactionTest, RollbackCancelsPendingEdits)
{
    FakeDataset ds;
    tr_->RegisterUser(&ds);
    tr_->StartOnDemand();
    ds.pending = true;
    tr_->Rollback();
    EXPECT_EQ(ds.calls, std::vector<std::string>({"cancel", "end-rollback", "after-rollback"}));
    tr_->UnregisterUser(&ds);
}

TEST_F(TransactionTest, FailedPostFailsTheCommit)
{
    FakeDataset ds;
    ds.failPost = true;
    tr_->RegisterUser(&ds);
    tr_->StartOnDemand();
    ds.pending = true;
    try {
        tr_->Commit();
        FAIL();
    } catch (const EIB_TransactionError& e) {
        EXPECT_STREQ(e.what(), "Failed to post all datasets");
    }
    EXPECT_TRUE(tr_->Started()) << "nothing was committed";
    EXPECT_EQ(shown_, std::vector<std::string>({"Record was not located to update"}));
    // Closing (disconnect) rolls back instead and does not report.
    ds.calls.clear();
    conn_->Disconnect();
    EXPECT_FALSE(tr_->Started());
    EXPECT_EQ(ds.calls, std::vector<std::string>({"post", "cancel", "end-rollback-closing", "after-rollback"}));
    tr_->UnregisterUser(&ds);
}

TEST_F(TransactionTest, DisconnectClosesTheDatasets)
{
    FakeDataset ds;
    tr_->RegisterUser(&ds);
    tr_->StartOnDemand();
    conn_->Disconnect();
    EXPECT_EQ(ds.calls, std::vector<std::string>({"end-commit-closing", "after-commit"}));
    tr_->UnregisterUser(&ds);
}

TEST_F(TransactionTest, OperationsOnAnIdleTransactionOnlyAnnounce)
{
    int events = 0;
    tr_->BeforeCommit = tr_->BeforeRollback = [&](TIB_Transaction&) { ++events; };
    tr_->Commit();
    tr_->Rollback();
    tr_->CommitRetaining();
    tr_->Close();
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(tr_->Started());
}

} // namespace
