// The buffered query: opening, moving, the lazy fetch policy, the buffer
// position, refreshing and locating.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class Navigation : public DatasetTest {};

const TIB_StringList kNumsSQL = {"SELECT N, LABEL, NOTE", "FROM NUMS", "ORDER BY N"};

TEST_F(Navigation, WalkVisitsEveryRowOnceAndFetchesEachOnce)
{
    MakeNumbers(10);
    auto q = Query(kNumsSQL);
    q->Open();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(q->RowNum(), 1);
    EXPECT_EQ(q->FetchedRowCount(), 1);
    std::vector<std::string> seen;
    q->First();
    while (!q->Eof()) {
        seen.push_back(q->FieldByName("N").AsString());
        q->Next();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(q->FetchedRowCount(), 10);
    EXPECT_TRUE(q->AllRowsFetched());
    EXPECT_FALSE(q->CursorIsOpen()) << "the cursor closes at the end of the data";
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
    EXPECT_EQ(q->RowNum(), 11);
    // At EOF the row reads null.
    EXPECT_TRUE(q->FieldByName("N").IsNull());
    try {
        q->Next();
        FAIL() << "moved beyond the end";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "At end of Dataset");
    }
    // Back over the buffered rows: nothing fetched again.
    q->Prior();
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 10);
    EXPECT_EQ(q->MoveBy(-4), -4);
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "row 6");
    EXPECT_EQ(q->MoveBy(-100), -6);
    EXPECT_TRUE(q->Bof());
    try {
        q->Prior();
        FAIL() << "moved before the start";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "At beginning of Dataset");
    }
    q->Last();
    EXPECT_EQ(q->RowNum(), 10);
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->FetchedRowCount(), 10);
    q->Close();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssPrepared);
    EXPECT_EQ(q->BufferRowCount(), 0);
}

TEST_F(Navigation, EmptyResultIsBothEofAndBof)
{
    auto q = Query({"SELECT ID, LABEL FROM EMPTY_DOC"});
    q->Open();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Bof());
    q->First();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Bof());
    EXPECT_THROW(q->Next(), EIB_DatasetError);
    q->Last();
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->FieldByName("LABEL").IsNull());
}

TEST_F(Navigation, LargeListFetchesOnlyWhatIsRead)
{
    MakeNumbers(10000);
    auto q = Query(kNumsSQL);
    int scrolls = 0, dataChanges = 0;
    q->AfterScroll = [&](TIB_Dataset&) { ++scrolls; };
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    TIB_DataLink link;
    link.OnDataChange = [&](TIB_DataLink&, TIB_Column*) { ++dataChanges; };
    link.SetDataSource(&ds);
    q->Open();
    EXPECT_EQ(q->FetchedRowCount(), 1);
    scrolls = dataChanges = 0;
    // A grid shows the first page: 20 rows through the buffer position.
    EXPECT_EQ(q->FetchTo(20), 20);
    for (int n = 1; n <= 20; ++n) {
        ASSERT_TRUE(q->ReadBufferRow(n));
        EXPECT_EQ(q->BufferFields().ByName("N").AsInteger(), n);
        EXPECT_EQ(q->BufferFields().ByName("LABEL").AsString(), "row " + std::to_string(n));
    }
    EXPECT_EQ(q->FetchedRowCount(), 20);
    EXPECT_EQ(q->BufferRowCount(), 20);
    EXPECT_FALSE(q->AllRowsFetched());
    EXPECT_EQ(q->RowNum(), 1) << "reading buffer rows never moves the current row";
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 1);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(dataChanges, 0) << "fetching into the buffer sends no data change";
    // Beyond the buffer: ReadBufferRow never fetches, SetBufferRowNum does.
    EXPECT_FALSE(q->ReadBufferRow(21));
    EXPECT_TRUE(q->BufferFields().ByName("N").IsNull());
    EXPECT_TRUE(q->SetBufferRowNum(25));
    EXPECT_EQ(q->BufferFields().ByName("N").AsInteger(), 25);
    EXPECT_EQ(q->FetchedRowCount(), 25);
    // Moving the current row far down fetches up to it, once.
    EXPECT_EQ(q->MoveBy(99), 99);
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 100);
    EXPECT_EQ(q->FetchedRowCount(), 100);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(dataChanges, 1);
    q->Last();
    EXPECT_EQ(q->FetchedRowCount(), 10000);
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 10000);
    EXPECT_TRUE(q->AllRowsFetched());
}

TEST_F(Navigation, BlobsKeepTheirIdsAndLoadOnDemand)
{
    MakeNumbers(4);
    auto q = Query(kNumsSQL);
    q->Open();
    q->Next();
    EXPECT_EQ(q->FieldByName("NOTE").AsString(), "note 2");
    // The buffer row of the current row finds the text loaded for Fields.
    ASSERT_TRUE(q->ReadBufferRow(2));
    EXPECT_EQ(q->LoadedBlobText(q->BufferFieldByName("NOTE")), std::optional<std::string>("note 2"));
    ASSERT_TRUE(q->SetBufferRowNum(4));
    EXPECT_EQ(q->LoadedBlobText(q->BufferFieldByName("NOTE")), std::nullopt) << "row 4's note is not loaded";
    EXPECT_EQ(q->BufferFieldByName("NOTE").AsString(), "note 4");
    EXPECT_EQ(q->LoadedBlobText(q->BufferFieldByName("NOTE")), std::optional<std::string>("note 4"));
    ASSERT_TRUE(q->ReadBufferRow(3));
    EXPECT_EQ(q->LoadedBlobText(q->BufferFieldByName("NOTE")), std::optional<std::string>(""));
    EXPECT_EQ(q->FieldByName("NOTE").AsString(), "note 2");
}

struct RefreshCase {
    std::string name;
    std::string deleteWhere; // rows deleted elsewhere before the refresh
    int expectedRow;
    int expectedN;
    friend void PrintTo(const RefreshCase& c, std::ostream* os) { *os << c.name; }
};

class RefreshKeepsRowNumber : public DatasetTest, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshKeepsRowNumber, AfterRowsWereDeletedElsewhere)
{
    const RefreshCase& c = GetParam();
    MakeNumbers(10);
    auto q = Query(kNumsSQL);
    q->Open();
    q->MoveBy(6);
    ASSERT_EQ(q->RowNum(), 7);
    auto other = OtherConnection();
    other.Exec("DELETE FROM NUMS WHERE " + c.deleteWhere);
    q->Refresh();
    EXPECT_EQ(q->RowNum(), c.expectedRow);
    EXPECT_EQ(q->FieldByName("N").AsInteger(), c.expectedN);
    EXPECT_FALSE(q->Eof());
}

INSTANTIATE_TEST_SUITE_P(Dataset, RefreshKeepsRowNumber,
                         ::testing::Values(RefreshCase{"three_of_ten_deleted", "N IN (2, 4, 5)", 7, 10},
                                           RefreshCase{"five_left", "N > 5", 5, 5},
                                           RefreshCase{"nothing_deleted", "N > 100", 7, 7}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Navigation, RefreshActions)
{
    MakeNumbers(10);
    auto q = Query(kNumsSQL);
    q->SetKeyLinks({"NUMS.N"});
    q->Open();
    q->MoveBy(5);
    ASSERT_EQ(q->FieldByName("N").AsInteger(), 6);
    auto other = OtherConnection();
    other.Exec("DELETE FROM NUMS WHERE N IN (1, 2)");
    q->SetRefreshAction(TIB_RefreshAction::raKeepDataPos);
    q->Refresh();
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 6) << "back on the same row";
    EXPECT_EQ(q->RowNum(), 4);
    other.Exec("DELETE FROM NUMS WHERE N = 6");
    q->Refresh();
    EXPECT_EQ(q->RowNum(), 4) << "the row is gone: the row number is kept";
    q->SetRefreshAction(TIB_RefreshAction::raOpen);
    q->Refresh();
    EXPECT_EQ(q->RowNum(), 1);
    // A refresh at EOF stays at EOF.
    q->SetRefreshAction(TIB_RefreshAction::raKeepRowNum);
    q->Last();
    q->Next();
    ASSERT_TRUE(q->Eof());
    q->Refresh();
    EXPECT_TRUE(q->Eof());
}

TEST_F(Navigation, LocateScansFetchingAsNeeded)
{
    MakeNumbers(50);
    auto q = Query(kNumsSQL);
    q->Open();
    int scrolls = 0;
    q->AfterScroll = [&](TIB_Dataset&) { ++scrolls; };
    EXPECT_TRUE(q->Locate("LABEL", {"row 30"}));
    EXPECT_EQ(q->RowNum(), 30);
    EXPECT_EQ(q->FetchedRowCount(), 30);
    EXPECT_EQ(scrolls, 1);
    EXPECT_TRUE(q->Locate("N", {"12"}));
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "row 12");
    EXPECT_TRUE(q->Locate("LABEL;N", {"row 40", "40"}));
    EXPECT_EQ(q->RowNum(), 40);
    EXPECT_FALSE(q->Locate("LABEL", {"ROW 41"}));
    EXPECT_TRUE(q->Locate("LABEL", {"ROW 41"}, {TIB_LocateOption::lopCaseInsensitive}));
    EXPECT_EQ(q->RowNum(), 41);
    EXPECT_TRUE(q->Locate("LABEL", {"row 4"}, {TIB_LocateOption::lopPartialKey}));
    EXPECT_EQ(q->RowNum(), 4);
    // The notes of odd rows are null.
    EXPECT_TRUE(q->Locate("NOTE", {std::nullopt}));
    EXPECT_EQ(q->RowNum(), 1);
    // Not present: everything fetched, current row unchanged.
    q->MoveBy(2);
    scrolls = 0;
    EXPECT_FALSE(q->Locate("LABEL", {"row 99"}));
    EXPECT_EQ(q->RowNum(), 3);
    EXPECT_EQ(q->FetchedRowCount(), 50);
    EXPECT_TRUE(q->AllRowsFetched());
    EXPECT_EQ(scrolls, 0);
}

TEST_F(Navigation, LocateWithAValueReadFromAnotherQuery)
{
    auto a = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ORDERS'"});
    auto b = Query({"SELECT RDB$RELATION_NAME, RDB$DESCRIPTION FROM RDB$RELATIONS", "ORDER BY RDB$RELATION_NAME"});
    a->Open();
    const std::string name = a->FieldByName("RDB$RELATION_NAME").AsString();
    EXPECT_EQ(name, "ORDERS");
    EXPECT_TRUE(b->Locate("RDB$RELATION_NAME", {name}));
    EXPECT_EQ(b->FieldByName("RDB$DESCRIPTION").AsString(), "Orders placed by customers");
}

TEST_F(Navigation, MaxRowsEndsTheFetchAsAtTheEnd)
{
    MakeNumbers(10);
    auto q = Query(kNumsSQL);
    q->SetMaxRows(3);
    q->Open();
    EXPECT_EQ(Walk(*q, "N"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(q->AllRowsFetched());
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
}

TEST_F(Navigation, OpenWithoutConnectionOrAfterExecuteErrors)
{
    TIB_Query q(session_);
    q.SetName("Lonely");
    q.SetSQLText("SELECT 1 FROM RDB$DATABASE");
    EXPECT_THROW(q.Open(), EIB_StatementError);
    EXPECT_FALSE(q.Active());

    auto r = Query({"SELECT 1 AS ONE FROM RDB$DATABASE"});
    r->Open();
    try {
        r->Execute();
        FAIL() << "executed an open dataset";
    } catch (const EIB_Error& e) {
        EXPECT_EQ(std::string(e.what()), "Dataset is currently open");
    }
    EXPECT_TRUE(r->Active());
}

TEST_F(Navigation, StatesAndSQLChangeUnprepares)
{
    MakeNumbers(3);
    auto q = Query(kNumsSQL);
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
    q->Prepare();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssPrepared);
    q->SetActive(true);
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(tr_->OpenCursorCount(), 1);
    q->SetSQL({"SELECT N FROM NUMS"});
    EXPECT_EQ(q->State(), TIB_DatasetState::dssInactive);
    EXPECT_EQ(tr_->OpenCursorCount(), 0);
    q->Open();
    EXPECT_EQ(Walk(*q, "N").size(), 3u);
}

} // namespace
} // namespace varnel::dstest
