// Fetch callbacks: when a multi-row fetch reports progress, lets the user
// interface respond, and stops on an abort keeping the rows fetched.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class Callbacks : public DatasetTest {
protected:
    void SetUp() override
    {
        DatasetTest::SetUp();
        MakeNumbers(1000);
        // Every reading of the clock is 100 ms later than the one before.
        session_->Clock = [this] { return now_ += 100; };
        session_->OnProcessMessages = [this] { ++messages_; };
    }

    struct Call {
        TIB_CallbackStatus status;
        long rows;
    };

    std::unique_ptr<TIB_Query> Numbers(std::vector<Call>& calls, int abortAtRefresh = 0)
    {
        auto q = Query({"SELECT N FROM NUMS ORDER BY N"});
        q->OnCallback = [&calls, abortAtRefresh](TIB_Dataset&, TIB_CallbackStatus s, long rows, bool& abort) {
            calls.push_back({s, rows});
            if (abortAtRefresh > 0 && s == TIB_CallbackStatus::csRefresh &&
                std::count_if(calls.begin(), calls.end(),
                              [](const Call& c) { return c.status == TIB_CallbackStatus::csRefresh; }) ==
                    abortAtRefresh)
                abort = true;
        };
        return q;
    }

    std::int64_t now_ = 0;
    int messages_ = 0;
};

TEST_F(Callbacks, ProgressAfterTheInitialIntervalAtMostEveryRefreshInterval)
{
    std::vector<Call> calls;
    auto q = Numbers(calls);
    q->Open();
    EXPECT_TRUE(calls.empty()) << "opening fetches one row: no callback fetch";
    q->Last();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().status, TIB_CallbackStatus::csInit);
    EXPECT_EQ(calls.back().status, TIB_CallbackStatus::csFinal);
    EXPECT_EQ(calls.back().rows, 1000);
    std::vector<long> refreshes;
    for (const Call& c : calls)
        if (c.status == TIB_CallbackStatus::csRefresh)
            refreshes.push_back(c.rows);
    // A check every 5 rows reads the clock once: the 31st check (row 155)
    // is the first after 3000 ms, then every third (250 ms) after that.
    ASSERT_FALSE(refreshes.empty());
    EXPECT_EQ(refreshes.front(), 155);
    for (size_t i = 1; i < refreshes.size(); ++i)
        EXPECT_EQ(refreshes[i] - refreshes[i - 1], 15);
    for (long r : refreshes)
        EXPECT_EQ(r % 5, 0);
    EXPECT_EQ(messages_, 200) << "the user interface responds at every check";
    EXPECT_EQ(q->BufferRowCount(), 1000);
    EXPECT_EQ(session_->BusyLevel(), 0);
}

TEST_F(Callbacks, AbortStopsTheFetchAndKeepsTheRows)
{
    std::vector<Call> calls;
    auto q = Numbers(calls, 2);
    q->Open();
    q->Last();
    EXPECT_EQ(calls.back().status, TIB_CallbackStatus::csFinal);
    EXPECT_EQ(q->BufferRowCount(), 170);
    EXPECT_FALSE(q->AllRowsFetched());
    EXPECT_EQ(q->RowNum(), 170);
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 170);
    // The rest can still be fetched.
    q->Next();
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 171);
    q->FetchAll();
    EXPECT_TRUE(q->AllRowsFetched());
    EXPECT_EQ(q->BufferRowCount(), 1000);
}

TEST_F(Callbacks, SingleRowFetchesNeverCallBack)
{
    std::vector<Call> calls;
    auto q = Numbers(calls);
    q->Open();
    EXPECT_EQ(Walk(*q, "N").size(), 1000u);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(messages_, 0);
}

TEST_F(Callbacks, QuickFetchShowsNoProgressAndTheSessionHookIsTheDefault)
{
    session_->Clock = [] { return std::int64_t(42); };
    std::vector<TIB_CallbackStatus> statuses;
    session_->OnFetchProgress = [&](TIB_Statement& s, TIB_CallbackStatus st, long, bool&) {
        EXPECT_EQ(s.Name(), "Query");
        statuses.push_back(st);
    };
    auto q = Query({"SELECT N FROM NUMS ORDER BY N"});
    q->Open();
    EXPECT_EQ(q->FetchTo(300), 300);
    EXPECT_EQ(statuses, (std::vector<TIB_CallbackStatus>{TIB_CallbackStatus::csInit, TIB_CallbackStatus::csFinal}));
}

TEST_F(Callbacks, IncrementZeroAndNegative)
{
    std::vector<Call> calls;
    auto q = Numbers(calls);
    q->SetCallbackInc(0);
    q->Open();
    q->FetchTo(101);
    EXPECT_EQ(messages_, 100) << "every row lets the interface respond";
    for (const Call& c : calls)
        EXPECT_NE(c.status, TIB_CallbackStatus::csRefresh);
    calls.clear();
    messages_ = 0;
    q->SetCallbackInc(-1);
    q->Last();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(messages_, 0);
    EXPECT_EQ(q->BufferRowCount(), 1000);
}

TEST_F(Callbacks, ErrorWhileProcessingMessagesAbortsAndIsShown)
{
    std::vector<std::string> shown;
    session_->OnShowException = [&](const std::exception& e) { shown.push_back(e.what()); };
    session_->OnProcessMessages = [] { throw EIB_Error("window gone"); };
    auto q = Query({"SELECT N FROM NUMS ORDER BY N"});
    q->Open();
    q->FetchAll();
    EXPECT_EQ(shown, std::vector<std::string>{"window gone"});
    EXPECT_EQ(q->BufferRowCount(), 5);
    EXPECT_FALSE(q->AllRowsFetched());
}

} // namespace
} // namespace varnel::dstest
