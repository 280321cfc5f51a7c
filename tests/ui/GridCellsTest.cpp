// What a grid cell shows: values through the buffer position, the blob
// placeholder "( name )" until the text blob is loaded for that row, the
// text once it is, nothing for null; the row being edited as it is now.
#include "UiTestUtil.h"
#include "ui/IB_Grid.h"
#include "ui/IB_Memo.h"

#include <QTest>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_Grid;
using varnel::ui::TIB_Memo;

class GridCells : public UiDbTest {
protected:
    void SetUp() override
    {
        UiDbTest::SetUp();
        MakeMasterDetail();
        groups_ = GroupQuery();
        groupSource_.SetDataset(groups_.get());
        items_ = ItemQuery(groupSource_);
        itemSource_.SetDataset(items_.get());
    }
    // Grid column of the column named `name`.
    static int Col(const TIB_Grid& grid, const std::string& name)
    {
        for (int i = 0; i < grid.GridColumnCount(); ++i)
            if (grid.GridField(i)->FieldName() == name)
                return i;
        ADD_FAILURE() << "no grid column " << name;
        return -1;
    }

    std::unique_ptr<TIB_Query> groups_, items_;
    TIB_DataSource groupSource_, itemSource_;
};

struct BlobNameCase {
    std::string name;
    TIB_StringList labels;
    QString placeholder;
};

class GridBlobName : public GridCells, public ::testing::WithParamInterface<BlobNameCase> {};

TEST_P(GridBlobName, UnloadedTextBlobShowsItsDisplayName)
{
    items_->SetFieldsDisplayLabel(GetParam().labels);
    TIB_Grid grid;
    grid.SetDataSource(&itemSource_);
    groups_->Open();
    items_->Open();
    const int descr = Col(grid, "DESCR");
    EXPECT_EQ(grid.GridModel()->CellText(1, descr), GetParam().placeholder) << "a1 has a description";
    EXPECT_EQ(grid.GridModel()->CellText(2, descr), "") << "a2 has none";
}

INSTANTIATE_TEST_SUITE_P(
    Grid, GridBlobName,
    ::testing::Values(BlobNameCase{"Label", {"DESCR=Item description"}, "( Item description )"},
                      BlobNameCase{"DashLabelGivesNoName", {"DESCR=-"}, "(  )"},
                      BlobNameCase{"EscapedDashLabelGivesDash", {"DESCR=/-"}, "( - )"},
                      BlobNameCase{"NoLabelGivesTheColumnName", {}, "( DESCR )"}),
    [](const ::testing::TestParamInfo<BlobNameCase>& info) { return info.param.name; });

TEST_F(GridCells, TextBlobShowsItsTextOnceTheMemoLoadedIt)
{
    TIB_Grid grid;
    ModelCheck check(grid.GridModel());
    grid.SetDataSource(&itemSource_);
    grid.resize(400, 200);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    groups_->Open();
    items_->Open();
    ASSERT_TRUE(groups_->Locate("NAME", {std::string("gamma")}));
    Settle();
    const int descr = Col(grid, "DESCR");
    ASSERT_EQ(grid.GridModel()->rowCount(), 3);
    EXPECT_EQ(grid.GridModel()->CellText(3, descr), "( Item description )");

    // The memo shows the current row's description; the grid then has it.
    TIB_Memo memo;
    memo.SetDataSource(&itemSource_);
    memo.SetDataField("DESCR");
    items_->Last();
    Settle();
    EXPECT_EQ(memo.toPlainText(), "item c3");
    EXPECT_EQ(grid.GridModel()->CellText(3, descr), "item c3");
    EXPECT_EQ(grid.GridModel()->data(grid.GridModel()->index(2, descr)).toString(), "item c3");
    EXPECT_EQ(grid.GridModel()->CellText(1, descr), "") << "c1 has none";
    EXPECT_EQ(items_->RowNum(), 3);
}

TEST_F(GridCells, MultiLineTextShowsOnOneLine)
{
    // The group list with its description column shown.
    groups_->SetFieldsVisible({});
    TIB_Grid grid;
    grid.SetDataSource(&groupSource_);
    TIB_Memo memo;
    memo.SetDataSource(&groupSource_);
    memo.SetDataField("DESCR");
    groups_->Open();
    ASSERT_TRUE(groups_->Locate("NAME", {std::string("gamma")}));
    EXPECT_EQ(memo.toPlainText(), "Third\ngroup");
    EXPECT_EQ(grid.GridModel()->CellText(3, Col(grid, "DESCR")), "Third group");
    EXPECT_EQ(grid.GridModel()->CellText(3, Col(grid, "NAME")), "gamma");
    EXPECT_EQ(grid.GridModel()->CellText(3, Col(grid, "G")), "3");
}

TEST_F(GridCells, RowBeingEditedShowsItsNewValuesAndKeepsThemAfterThePost)
{
    groups_->SetFieldsVisible({});
    TIB_Grid grid;
    grid.SetDataSource(&groupSource_);
    groups_->Open();
    const int descr = Col(grid, "DESCR");
    groups_->Edit();
    groups_->FieldByName("DESCR").SetAsString("new text");
    EXPECT_EQ(grid.GridModel()->CellText(1, descr), "new text");
    groups_->Post();
    EXPECT_EQ(grid.GridModel()->CellText(1, descr), "new text") << "the posted row's buffer entry";
    groups_->Next();
    EXPECT_EQ(grid.GridModel()->CellText(1, descr), "new text");
}

} // namespace
} // namespace varnel::uitest
