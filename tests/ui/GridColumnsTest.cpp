// Which columns a grid shows and how: GridLinks or FieldsVisible, titles
// from display labels, widths from WIDTH= or display widths (stored back
// when a border is dragged), alignment, the list-box stretch column with
// its two-thirds floor, and the row options.
#include "UiTestUtil.h"
#include "ui/IB_Grid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_Grid;

class GridColumns : public UiDbTest {
protected:
    void SetUp() override
    {
        UiDbTest::SetUp();
        MakeNumbers(100);
        q_ = Query({"SELECT N, LABEL, N + 1 AS NEXT_N, NOTE FROM NUMS", "ORDER BY N"});
        q_->SetCalculatedFields({"TWICE=VARCHAR(10)"});
        q_->OnCalculateField = [](TIB_Statement&, TIB_Row& row, TIB_Column* field) {
            if (field)
                field->SetAsString(std::to_string(2 * row.ByName("N").AsInteger()));
        };
        q_->SetFieldsDisplayLabel({"N=Number", "LABEL=-", "NOTE=/-"});
        source_.SetDataset(q_.get());
    }

    std::vector<std::string> Shown(const TIB_Grid& grid) const
    {
        std::vector<std::string> r;
        for (int i = 0; i < grid.GridColumnCount(); ++i)
            r.push_back(grid.GridField(i)->FieldName());
        return r;
    }
    std::vector<std::string> Titles(const TIB_Grid& grid) const
    {
        std::vector<std::string> r;
        for (int i = 0; i < grid.GridColumnCount(); ++i)
            r.push_back(grid.GridModel()->headerData(i, Qt::Horizontal).toString().toStdString());
        return r;
    }
    std::vector<int> Widths(const TIB_Grid& grid) const
    {
        std::vector<int> r;
        for (int i = 0; i < grid.GridColumnCount(); ++i)
            r.push_back(grid.horizontalHeader()->sectionSize(i));
        return r;
    }
    void Show(TIB_Grid& grid, int width)
    {
        grid.SetIndicateRow(false);
        grid.SetDataSource(&source_);
        grid.resize(width, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
        q_->Open();
        Settle();
    }

    std::unique_ptr<TIB_Query> q_;
    TIB_DataSource source_;
};

struct ColumnCase {
    std::string name;
    TIB_StringList gridLinks;
    TIB_StringList fieldsVisible;
    std::vector<std::string> shown;
    std::vector<std::string> titles;
};

class GridColumnChoice : public GridColumns, public ::testing::WithParamInterface<ColumnCase> {};

TEST_P(GridColumnChoice, ShowsTheseColumnsWithTheseTitles)
{
    const ColumnCase& c = GetParam();
    q_->SetFieldsVisible(c.fieldsVisible);
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    grid.SetGridLinks(c.gridLinks);
    grid.SetDataSource(&source_);
    q_->Open();
    EXPECT_EQ(Shown(grid), c.shown);
    EXPECT_EQ(Titles(grid), c.titles);
    // The calculated column carries its value in the grid.
    for (int i = 0; i < grid.GridColumnCount(); ++i)
        if (grid.GridField(i)->FieldName() == "TWICE") {
            EXPECT_EQ(grid.GridModel()->CellText(1, i), "2");
            EXPECT_EQ(grid.GridModel()->CellText(grid.GridModel()->rowCount(), i),
                      QString::number(2 * grid.GridModel()->rowCount()));
        }
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridColumnChoice,
    ::testing::Values(
        ColumnCase{"EveryColumnWithoutGridLinks",
                   {},
                   {},
                   {"N", "LABEL", "NEXT_N", "NOTE", "TWICE"},
                   {"Number", "", "NEXT N", "-", "TWICE"}},
        ColumnCase{"FieldsVisibleHidesColumns",
                   {},
                   {"LABEL=FALSE", "NUMS.NOTE=FALSE", "TWICE=false", "N=TRUE"},
                   {"N", "NEXT_N"},
                   {"Number", "NEXT N"}},
        ColumnCase{"GridLinksInListOrderIgnoringFieldsVisible",
                   {"TWICE=WIDTH=50", "NOPE", "NUMS.N", "next_n", "OTHER.LABEL"},
                   {"N=FALSE", "TWICE=FALSE"},
                   {"TWICE", "N", "NEXT_N"},
                   {"TWICE", "Number", "NEXT N"}}),
    [](const ::testing::TestParamInfo<ColumnCase>& info) { return info.param.name; });

TEST_F(GridColumns, WidthsAndAlignment)
{
    q_->SetFieldsDisplayWidth({"LABEL=120"});
    q_->SetFieldsAlignment({"LABEL=CENTER", "NEXT_N=CENTER"});
    TIB_Grid grid;
    grid.SetGridLinks({"N=WIDTH=181", "LABEL", "TWICE=WIDTH=63;ALIGN=CENTER", "NEXT_N=ALIGN=LEFT"});
    Show(grid, 700);
    const int nextWidth = q_->DisplayWidth(q_->FieldByName("NEXT_N"));
    EXPECT_EQ(Widths(grid), (std::vector<int>{181, 120, 63, nextWidth}));
    auto align = [&](int col) {
        return grid.GridModel()->data(grid.GridModel()->index(0, col), Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignRight) << "a number without an entry";
    EXPECT_EQ(align(1), Qt::AlignHCenter) << "FieldsAlignment";
    EXPECT_EQ(align(2), Qt::AlignHCenter) << "ALIGN parameter";
    EXPECT_EQ(align(3), Qt::AlignLeft) << "ALIGN before FieldsAlignment";
}

TEST_F(GridColumns, DraggedWidthGoesIntoTheGridLinksLine)
{
    q_->SetFieldsDisplayWidth({"LABEL=120"});
    TIB_Grid grid;
    grid.SetGridLinks({"N=WIDTH=181", "LABEL", "TWICE=WIDTH=63;ALIGN=CENTER"});
    Show(grid, 700);
    // resizeSection sends the same signal as a drag of the border.
    grid.horizontalHeader()->resizeSection(0, 200);
    grid.horizontalHeader()->resizeSection(1, 150);
    grid.horizontalHeader()->resizeSection(2, 70);
    EXPECT_EQ(grid.GridLinks(), (TIB_StringList{"N=WIDTH=200", "LABEL=WIDTH=150", "TWICE=WIDTH=70;ALIGN=CENTER"}));
    EXPECT_EQ(q_->FieldsDisplayWidth(), TIB_StringList{"LABEL=120"});
    // The stored widths hold when the grid lays out its columns again.
    q_->Unprepare();
    q_->Open();
    Settle();
    EXPECT_EQ(Widths(grid), (std::vector<int>{200, 150, 70}));
}

TEST_F(GridColumns, DraggedWidthGoesIntoTheDisplayWidthWithoutGridLinks)
{
    q_->SetFieldsDisplayWidth({"LABEL=120"});
    q_->SetFieldsVisible({"NOTE=FALSE", "NEXT_N=FALSE", "TWICE=FALSE"});
    TIB_Grid grid;
    Show(grid, 700);
    ASSERT_EQ(Shown(grid), (std::vector<std::string>{"N", "LABEL"}));
    grid.horizontalHeader()->resizeSection(1, 150);
    grid.horizontalHeader()->resizeSection(0, 77);
    EXPECT_EQ(q_->DisplayWidth(q_->FieldByName("LABEL")), 150);
    EXPECT_EQ(q_->DisplayWidth(q_->FieldByName("N")), 77);
    EXPECT_TRUE(grid.GridLinks().empty());
    q_->Unprepare();
    q_->Open();
    Settle();
    EXPECT_EQ(Widths(grid), (std::vector<int>{77, 150}));
}

TEST_F(GridColumns, StretchColumnTakesTheRestOfTheWidthDownToTwoThirds)
{
    q_->SetFieldsDisplayWidth({"LABEL=120"});
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    grid.SetGridLinks({"N=WIDTH=60", "LABEL", "TWICE=WIDTH=63"});
    grid.SetStretchColumn("NUMS.LABEL");
    grid.SetListBoxStyle(true);
    Show(grid, 400);
    ASSERT_EQ(grid.StretchColumnIndex(), 1);
    auto client = [&] { return grid.viewport()->width(); };
    EXPECT_EQ(Widths(grid), (std::vector<int>{60, client() - 123, 63}));
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);

    grid.resize(600, 200);
    Settle();
    EXPECT_EQ(Widths(grid), (std::vector<int>{60, client() - 123, 63})) << "only the stretch column grows";
    const int wide = client() - 123;

    grid.resize(100, 200);
    Settle();
    ASSERT_LT(client(), 123);
    EXPECT_EQ(Widths(grid), (std::vector<int>{60, wide, 63})) << "the others fill the width: nothing changes";

    grid.resize(170, 200);
    Settle();
    ASSERT_LT(client() - 123, 80);
    EXPECT_EQ(Widths(grid), (std::vector<int>{60, 80, 63})) << "two thirds of the display width 120";

    // The stretch column's width is not stored; another column's is, and
    // the stretch column takes what is left.
    grid.resize(500, 200);
    Settle();
    grid.horizontalHeader()->resizeSection(1, 30);
    EXPECT_EQ(grid.horizontalHeader()->sectionSize(1), client() - 123);
    EXPECT_EQ(grid.GridLinks()[1], "LABEL");
    EXPECT_EQ(q_->DisplayWidth(q_->FieldByName("LABEL")), 120);
    grid.horizontalHeader()->resizeSection(0, 100);
    EXPECT_EQ(grid.GridLinks()[0], "N=WIDTH=100");
    EXPECT_EQ(Widths(grid), (std::vector<int>{100, client() - 163, 63}));
}

TEST_F(GridColumns, StretchColumnDefaultsToTheLastAndFitsBesideTheScrollBar)
{
    TIB_Grid grid;
    grid.SetGridLinks({"N=WIDTH=60", "LABEL=WIDTH=100"});
    grid.SetListBoxStyle(true);
    Show(grid, 300);
    EXPECT_EQ(grid.StretchColumnIndex(), 1);
    ASSERT_TRUE(grid.verticalScrollBar()->isVisible()) << "100 rows do not fit";
    EXPECT_EQ(Widths(grid)[0] + Widths(grid)[1], grid.viewport()->width());
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);
    // A stretch column that is not shown stretches nothing.
    grid.SetStretchColumn("NOTE");
    EXPECT_EQ(grid.StretchColumnIndex(), -1);
    EXPECT_EQ(Widths(grid), (std::vector<int>{60, 100}));
}

TEST_F(GridColumns, RowOptions)
{
    TIB_Grid grid;
    EXPECT_TRUE(grid.IndicateRow());
    EXPECT_FALSE(grid.RowSelect());
    EXPECT_FALSE(grid.ListBoxStyle());
    grid.SetDataSource(&source_);
    grid.resize(400, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    q_->Open();
    Settle();
    EXPECT_TRUE(grid.verticalHeader()->isVisible());
    EXPECT_EQ(grid.verticalHeader()->width(), 11);
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_EQ(grid.rowHeight(0), 17);
    EXPECT_EQ(grid.rowHeight(5), 17);

    grid.SetIndicateRow(false);
    grid.SetRowSelect(true);
    Settle();
    EXPECT_FALSE(grid.verticalHeader()->isVisible());
    EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(0, QModelIndex()));
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

} // namespace
} // namespace varnel::uitest
