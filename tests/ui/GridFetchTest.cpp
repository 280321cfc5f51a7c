// The grid's rows: fetched only as the view asks (a 10,000-row list opens
// with about a screenful), read through the buffer position so drawing and
// scrolling never move the current row, fire scroll events or fetch rows
// beyond those shown; Qt's model tester over the model while rows come in.
#include "UiTestUtil.h"
#include "ui/IB_Grid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <iostream>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_Grid;

class GridFetch : public UiDbTest {
protected:
    // A grid 17 pixels a row shows this many rows, the last one perhaps in part.
    static int RowsInSight(const TIB_Grid& grid) { return (grid.viewport()->height() + 16) / 17; }

    void ShowGrid(TIB_Grid& grid, TIB_DataSource& source)
    {
        grid.SetDataSource(&source);
        grid.SetIndicateRow(false);
        grid.SetRowSelect(true);
        grid.resize(320, 400);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
};

TEST_F(GridFetch, TenThousandRowListOpensWithAboutAScreenful)
{
    MakeNumbers(10000);
    auto q = Query({"SELECT N, LABEL FROM NUMS", "ORDER BY N"});
    TIB_DataSource source;
    source.SetDataset(q.get());
    TIB_Grid grid;
    ShowGrid(grid, source);
    q->Open();
    Settle();

    const int inSight = RowsInSight(grid);
    const long fetched = q->FetchedRowCount();
    std::cout << "[ measured ] 10,000-row list, " << inSight << " rows in sight: " << fetched << " rows fetched\n";
    RecordProperty("RowsFetchedOnOpen", static_cast<int>(fetched));
    EXPECT_GE(fetched, inSight) << "every row in sight is there";
    EXPECT_LE(fetched, inSight + 3) << "about a screenful, not more";
    EXPECT_FALSE(q->AllRowsFetched());
    EXPECT_EQ(grid.GridModel()->rowCount(), fetched);
    EXPECT_EQ(q->RowNum(), 1);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(grid.GridModel()->CellText(static_cast<int>(fetched), 1), QString("row %1").arg(fetched));

    // Scrolling to the end of what is there asks for one more page.
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    Settle();
    const long afterScroll = q->FetchedRowCount();
    EXPECT_GT(afterScroll, fetched);
    EXPECT_LE(afterScroll, fetched + grid.GridModel()->PageRows());
    EXPECT_EQ(q->RowNum(), 1) << "scrolling does not move the current row";
}

TEST_F(GridFetch, GridAttachedToAnOpenListFetchesWhatItShows)
{
    MakeNumbers(10000);
    auto q = Query({"SELECT N, LABEL FROM NUMS", "ORDER BY N"});
    q->Open();
    EXPECT_EQ(q->FetchedRowCount(), 1);
    TIB_DataSource source;
    source.SetDataset(q.get());
    TIB_Grid grid;
    ShowGrid(grid, source);
    Settle();
    EXPECT_GE(q->FetchedRowCount(), RowsInSight(grid));
    EXPECT_LE(q->FetchedRowCount(), RowsInSight(grid) + 3);
}

TEST_F(GridFetch, DrawingAndScrollingNeverMoveTheCurrentRow)
{
    MakeNumbers(300);
    auto q = Query({"SELECT N, LABEL, NOTE FROM NUMS", "ORDER BY N"});
    TIB_DataSource source;
    source.SetDataset(q.get());
    TIB_Grid grid;
    ShowGrid(grid, source);
    q->Open();
    q->MoveBy(4);
    Settle();
    ASSERT_EQ(q->RowNum(), 5);
    EXPECT_EQ(grid.currentIndex().row(), 4);

    int scrolls = 0, dataChanges = 0;
    q->BeforeScroll = [&](TIB_Dataset&) { ++scrolls; };
    q->AfterScroll = [&](TIB_Dataset&) { ++scrolls; };
    TIB_DataLink watcher;
    watcher.SetDataSource(&source);
    watcher.OnDataChange = [&](TIB_DataLink&, TIB_Column*) { ++dataChanges; };

    const long before = q->FetchedRowCount();
    grid.grab();
    // Every cell read through the model: nothing fetched, nothing moved.
    for (int r = 0; r < grid.GridModel()->rowCount(); ++r)
        for (int c = 0; c < grid.GridModel()->columnCount(); ++c)
            grid.GridModel()->data(grid.GridModel()->index(r, c));
    EXPECT_EQ(q->FetchedRowCount(), before);

    for (int i = 0; i < 5; ++i) {
        grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
        Settle();
        grid.grab();
    }
    grid.verticalScrollBar()->setValue(0);
    Settle();
    grid.grab();

    EXPECT_EQ(q->RowNum(), 5);
    EXPECT_EQ(q->FieldByName("N").AsString(), "5");
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(dataChanges, 0);
    EXPECT_GT(q->FetchedRowCount(), before) << "rows came in as the view scrolled";
    EXPECT_LT(q->FetchedRowCount(), 300);
    EXPECT_EQ(grid.currentIndex().row(), 4);
}

TEST_F(GridFetch, ModelStaysConsistentWhileRowsComeAndGo)
{
    MakeNumbers(500);
    auto q = Query({"SELECT N, LABEL FROM NUMS", "ORDER BY N"});
    TIB_DataSource source;
    source.SetDataset(q.get());
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    ShowGrid(grid, source);
    q->Open();
    Settle();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    Settle();
    // The dataset fetching far ahead by itself: the rows it brought show.
    ASSERT_TRUE(q->Locate("N", {std::string("450")}));
    Settle();
    EXPECT_GE(grid.GridModel()->rowCount(), 450);
    EXPECT_EQ(grid.currentIndex().row(), 449);
    EXPECT_TRUE(grid.viewport()->rect().intersects(grid.visualRect(grid.currentIndex())));
    q->Last();
    Settle();
    EXPECT_EQ(grid.GridModel()->rowCount(), 500);
    EXPECT_FALSE(grid.GridModel()->canFetchMore(QModelIndex()));
    EXPECT_EQ(grid.currentIndex().row(), 499);
    // A refresh keeps the row number; a close empties the grid.
    q->Refresh();
    Settle();
    EXPECT_EQ(q->RowNum(), 500);
    EXPECT_EQ(grid.currentIndex().row(), 499);
    q->Close();
    Settle();
    EXPECT_EQ(grid.GridModel()->rowCount(), 0);
    EXPECT_FALSE(grid.currentIndex().isValid());
    q->Open();
    Settle();
    EXPECT_GT(grid.GridModel()->rowCount(), 0);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    q->Unprepare();
    Settle();
    EXPECT_EQ(grid.GridModel()->columnCount(), 0);
    EXPECT_EQ(grid.GridModel()->rowCount(), 0);
}

TEST_F(GridFetch, LocateWithoutMatchShowsTheRowsItFetched)
{
    MakeNumbers(100);
    auto q = Query({"SELECT N, LABEL FROM NUMS", "ORDER BY N"});
    TIB_DataSource source;
    source.SetDataset(q.get());
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    ShowGrid(grid, source);
    q->Open();
    Settle();
    EXPECT_FALSE(q->Locate("N", {std::string("1000")}));
    EXPECT_TRUE(q->AllRowsFetched());
    // No data change came (the row did not move): the view still finds them.
    EXPECT_TRUE(grid.GridModel()->canFetchMore(QModelIndex()));
    grid.GridModel()->fetchMore(QModelIndex());
    EXPECT_EQ(grid.GridModel()->rowCount(), 100);
    EXPECT_FALSE(grid.GridModel()->canFetchMore(QModelIndex()));
    EXPECT_EQ(q->RowNum(), 1);
}

} // namespace
} // namespace varnel::uitest
