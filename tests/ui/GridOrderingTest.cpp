// A click on a column title switches the ordering by the column's ordering
// link (the list is queried again, the row number kept, OnOrderingChanged
// fired), after a pending edit is posted; a column without an ordering
// link ignores it; the ordering column's title carries the marker.
#include "UiTestUtil.h"
#include "ui/IB_Grid.h"

#include <QHeaderView>
#include <QTest>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_Grid;

class GridOrdering : public UiDbTest {
protected:
    void SetUp() override
    {
        UiDbTest::SetUp();
        MakeMasterDetail();
        groups_ = GroupQuery();
        groups_->OnOrderingChanged = [this](TIB_Dataset&) { ++orderingEvents_; };
        source_.SetDataset(groups_.get());
    }

    void Show(TIB_Grid& grid)
    {
        grid.SetDataSource(&source_);
        grid.SetIndicateRow(false);
        grid.SetRowSelect(true);
        grid.resize(400, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        groups_->Open();
        Settle();
        orderingEvents_ = 0;
    }

    // A real click released on the title of grid column col.
    static void ClickTitle(TIB_Grid& grid, int col)
    {
        QHeaderView* h = grid.horizontalHeader();
        const QPoint p(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, p);
        Settle();
    }

    std::vector<std::string> Names(TIB_Grid& grid)
    {
        std::vector<std::string> r;
        grid.GridModel()->fetchMore(QModelIndex());
        for (int row = 1; row <= grid.GridModel()->rowCount(); ++row)
            r.push_back(grid.GridModel()->CellText(row, 0).toStdString());
        return r;
    }

    std::unique_ptr<TIB_Query> groups_;
    TIB_DataSource source_;
    int orderingEvents_ = 0;
};

TEST_F(GridOrdering, TitleClickTogglesBetweenAscendingAndDescending)
{
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    Show(grid);
    EXPECT_EQ(Names(grid), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(grid.OrderingColumnIndex(), 0);
    EXPECT_TRUE(grid.horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    groups_->MoveBy(1);
    Settle();

    ClickTitle(grid, 0);
    EXPECT_EQ(groups_->OrderingItemNo(), -1);
    EXPECT_NE(groups_->ServerSQL().find("ORDER BY NAME DESC"), std::string::npos) << groups_->ServerSQL();
    EXPECT_EQ(Names(grid), (std::vector<std::string>{"gamma", "beta", "alpha"}));
    EXPECT_EQ(groups_->RowNum(), 2) << "the row number is kept";
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_EQ(orderingEvents_, 1);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    ClickTitle(grid, 0);
    EXPECT_EQ(groups_->OrderingItemNo(), 1);
    EXPECT_EQ(Names(grid), (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(orderingEvents_, 2);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(GridOrdering, ColumnWithoutOrderingLinkIgnoresTheClick)
{
    TIB_Grid grid;
    grid.SetGridLinks({"NAME", "G"});
    Show(grid);
    const std::string sql = groups_->ServerSQL();
    ClickTitle(grid, 1);
    EXPECT_EQ(groups_->OrderingItemNo(), 1);
    EXPECT_EQ(groups_->ServerSQL(), sql);
    EXPECT_EQ(orderingEvents_, 0);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 0) << "the marker stays on the ordering column";
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(GridOrdering, PendingEditIsPostedBeforeTheListIsQueriedAgain)
{
    TIB_Grid grid;
    Show(grid);
    groups_->Edit();
    groups_->FieldByName("DESCR").SetAsString("posted first");
    ClickTitle(grid, 0);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(Updates(), 1);
    EXPECT_EQ(Value("SELECT DESCR FROM GROUPS WHERE G = 1"), "posted first");
    EXPECT_EQ(groups_->OrderingItemNo(), -1);
}

// The rule for the next ordering number: the current one's opposite when
// the column already orders the list and has that direction, else the
// column's ascending item, else its descending one, else no change.
struct ClickCase {
    std::string name;
    std::string item; // OrderingItems line of NAME (item 1)
    int before;
    int after;
};

class GridOrderingRule : public GridOrdering, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(GridOrderingRule, NextOrderingNumber)
{
    const ClickCase& c = GetParam();
    groups_->SetOrderingItems({"G=G", c.item});
    groups_->SetOrderingLinks({"NAME=2"});
    groups_->SetOrderingItemNo(c.before);
    TIB_Grid grid;
    Show(grid);
    ClickTitle(grid, 0);
    EXPECT_EQ(groups_->OrderingItemNo(), c.after);
    EXPECT_EQ(orderingEvents_, c.after == c.before ? 0 : 1);
    EXPECT_EQ(grid.OrderingColumnIndex(), std::abs(c.after) == 2 ? 0 : -1);
    EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), std::abs(c.after) == 2 ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridOrderingRule,
    ::testing::Values(ClickCase{"OtherItemToAscending", "NAME=NAME ASC;NAME DESC", 1, 2},
                      ClickCase{"NoOrderingToAscending", "NAME=NAME ASC;NAME DESC", 0, 2},
                      ClickCase{"AscendingToDescending", "NAME=NAME ASC;NAME DESC", 2, -2},
                      ClickCase{"DescendingToAscending", "NAME=NAME ASC;NAME DESC", -2, 2},
                      ClickCase{"NoDescendingTextStays", "NAME=NAME", 2, 2},
                      ClickCase{"OnlyDescendingText", "NAME=;NAME DESC", 1, -2}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return info.param.name; });

} // namespace
} // namespace varnel::uitest
