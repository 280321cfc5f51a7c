// Datasets as users of their transaction: post-pending and cursor counts,
// the end of a transaction, disconnecting, going away in any order.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class TransactionUser : public DatasetTest {
protected:
    void SetUp() override
    {
        DatasetTest::SetUp();
        MakeNumbers(5);
    }
    std::unique_ptr<TIB_Query> Numbers()
    {
        auto q = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"});
        q->SetKeyLinks({"NUMS.N"});
        q->SetEditSQL({"UPDATE NUMS SET LABEL = :LABEL WHERE N = :N"});
        return q;
    }
};

TEST_F(TransactionUser, CountsFollowCursorsAndEdits)
{
    auto a = Numbers();
    auto b = Numbers();
    a->Open();
    b->Open();
    EXPECT_EQ(tr_->OpenCursorCount(), 2);
    b->Last();
    EXPECT_EQ(tr_->OpenCursorCount(), 1) << "the end of data closes the cursor";
    a->Edit();
    b->Edit();
    EXPECT_EQ(tr_->PostPendingCount(), 2);
    EXPECT_EQ(tr_->TransactionState(), TIB_TransactionState::tsActivePending);
    a->Cancel();
    b->FieldByName("LABEL").SetAsString("b");
    b->Post();
    EXPECT_EQ(tr_->PostPendingCount(), 0);
    a->Close();
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
}

TEST_F(TransactionUser, DisconnectPostsAModifiedEditAndCommits)
{
    auto q = Numbers();
    q->Open();
    q->FieldByName("LABEL").SetAsString("kept");
    conn_->Disconnect();
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
    conn_->Connect();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "kept");
    q->Open();
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "kept");
}

TEST_F(TransactionUser, DisconnectCancelsAnUnmodifiedEdit)
{
    auto q = Numbers();
    q->Open();
    q->Edit();
    conn_->Disconnect();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
    EXPECT_EQ(tr_->PostPendingCount(), 0);
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 0);
}

TEST_F(TransactionUser, RollbackCancelsAndCloses)
{
    tr_->SetAutoCommit(false);
    auto q = Numbers();
    q->Open();
    q->FieldByName("LABEL").SetAsString("gone");
    tr_->Rollback();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssPrepared);
    EXPECT_EQ(tr_->PostPendingCount(), 0);
    q->Open();
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "row 1");
}

TEST_F(TransactionUser, HardCommitClosesOrFetchesAll)
{
    auto closing = Numbers();
    auto fetching = Numbers();
    fetching->SetCommitAction(TIB_CommitAction::caFetchAll);
    closing->Open();
    fetching->Open();
    fetching->MoveBy(1);
    tr_->StartTransaction();
    tr_->Commit();
    EXPECT_EQ(closing->State(), TIB_DatasetState::dssPrepared);
    EXPECT_TRUE(fetching->Active());
    EXPECT_TRUE(fetching->AllRowsFetched());
    EXPECT_EQ(fetching->BufferRowCount(), 5);
    EXPECT_EQ(fetching->RowNum(), 2);
}

TEST_F(TransactionUser, TransactionOrConnectionGoingFirst)
{
    auto q = Numbers();
    q->Open();
    q->Edit();
    tr_.reset();
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->IB_Transaction(), nullptr);
    conn_.reset();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
    EXPECT_EQ(q->IB_Connection(), nullptr);
    EXPECT_THROW(q->Open(), EIB_StatementError);
}

} // namespace
} // namespace varnel::dstest

namespace varnel::dstest {
namespace {

TEST_F(TransactionUser, AnotherTransactionTakesOverTheEdit)
{
    auto q = Numbers();
    q->Open();
    q->Edit();
    auto second = std::make_unique<TIB_Transaction>(session_);
    second->SetIB_Connection(conn_.get());
    second->SetAutoCommit(true);
    second->SetIsolation(TIB_Isolation::tiCommitted);
    q->SetIB_Transaction(second.get());
    EXPECT_EQ(tr_->PostPendingCount(), 0);
    EXPECT_EQ(second->PostPendingCount(), 1);
    tr_.reset(); // the first one goes: nothing of it is left in the dataset
    q->Cancel();
    EXPECT_EQ(second->PostPendingCount(), 0);
    q.reset();
}

} // namespace
} // namespace varnel::dstest

namespace varnel::dstest {
namespace {

TEST_F(TransactionUser, EndOfTransactionClosesMasterAndDetailWithoutReopening)
{
    auto master = Numbers();
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    auto detail = Query({"SELECT N FROM NUMS"}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"N=N"});
    int executions = 0;
    detail->BeforeExecute = [&](TIB_Statement&) { ++executions; };
    // The master registered first: its close reaches the detail before the
    // detail's own end of transaction.
    master->Open();
    detail->Open();
    executions = 0;
    tr_->StartTransaction();
    tr_->Commit();
    EXPECT_FALSE(master->Active());
    EXPECT_FALSE(detail->Active());
    EXPECT_EQ(executions, 0);
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
}

} // namespace
} // namespace varnel::dstest
