// Selecting a row in the grid moves the dataset with every effect of a
// move (a pending edit posted first, the detail following); a move of the
// dataset moves the selection; a move the dataset refuses puts the
// selection back.
#include "UiTestUtil.h"
#include "ui/IB_Grid.h"
#include "ui/IB_Memo.h"

#include <QHBoxLayout>
#include <QTest>
#include <QWidget>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_Grid;
using varnel::ui::TIB_Memo;

// The group list and its item list side by side, as an object page has them.
class GridSelection : public UiDbTest {
protected:
    void SetUp() override
    {
        UiDbTest::SetUp();
        MakeMasterDetail();
        groups_ = GroupQuery();
        groupSource_.SetDataset(groups_.get());
        items_ = ItemQuery(groupSource_);
        itemSource_.SetDataset(items_.get());

        auto* layout = new QHBoxLayout(&window_);
        groupGrid_ = new TIB_Grid;
        groupGrid_->SetDataSource(&groupSource_);
        groupGrid_->SetRowSelect(true);
        groupGrid_->SetListBoxStyle(true);
        groupGrid_->SetIndicateRow(false);
        itemGrid_ = new TIB_Grid;
        itemGrid_->SetDataSource(&itemSource_);
        itemGrid_->SetRowSelect(true);
        itemMemo_ = new TIB_Memo;
        itemMemo_->SetDataSource(&itemSource_);
        itemMemo_->SetDataField("DESCR");
        itemMemo_->OnExit = [](TIB_Memo& m) { m.DataSource()->Dataset()->CheckBrowseMode(); };
        layout->addWidget(groupGrid_);
        layout->addWidget(itemGrid_);
        layout->addWidget(itemMemo_);
        window_.resize(700, 300);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));

        groups_->Open();
        items_->Open();
        Settle();
    }

    void TearDown() override
    {
        window_.hide();
        UiDbTest::TearDown();
    }

    void ClickRow(TIB_Grid& grid, int row)
    {
        const QRect r = grid.visualRect(grid.GridModel()->index(row, 0));
        ASSERT_TRUE(r.isValid());
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        Settle();
    }

    std::vector<std::string> ItemsShown()
    {
        std::vector<std::string> r;
        for (int row = 1; row <= itemGrid_->GridModel()->rowCount(); ++row)
            r.push_back(itemGrid_->GridModel()->CellText(row, 0).toStdString());
        return r;
    }

    std::unique_ptr<TIB_Query> groups_, items_;
    TIB_DataSource groupSource_, itemSource_;
    QWidget window_;
    TIB_Grid* groupGrid_ = nullptr;
    TIB_Grid* itemGrid_ = nullptr;
    TIB_Memo* itemMemo_ = nullptr;
};

TEST_F(GridSelection, ClickAndKeysMoveTheDatasetAndTheDetailFollows)
{
    ModelCheck groupCheck(groupGrid_->GridModel());
    ModelCheck itemCheck(itemGrid_->GridModel());
    ASSERT_EQ(groupGrid_->GridModel()->rowCount(), 3);
    EXPECT_EQ(groupGrid_->currentIndex().row(), 0);
    EXPECT_EQ(ItemsShown(), (std::vector<std::string>{"a1", "a2"}));

    int scrolls = 0;
    groups_->AfterScroll = [&](TIB_Dataset&) { ++scrolls; };
    ClickRow(*groupGrid_, 2);
    EXPECT_EQ(groups_->RowNum(), 3);
    EXPECT_EQ(groups_->FieldByName("NAME").AsString(), "gamma");
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(ItemsShown(), (std::vector<std::string>{"c1", "c2", "c3"}));
    EXPECT_EQ(itemGrid_->currentIndex().row(), 0);
    // The whole row is selected.
    EXPECT_TRUE(groupGrid_->selectionModel()->isRowSelected(2, QModelIndex()));

    QTest::keyClick(groupGrid_, Qt::Key_Up);
    Settle();
    EXPECT_EQ(groups_->FieldByName("NAME").AsString(), "beta");
    EXPECT_EQ(ItemsShown(), (std::vector<std::string>{"b1"}));

    ClickRow(*itemGrid_, 0);
    EXPECT_EQ(items_->FieldByName("ITEM").AsString(), "b1");
    EXPECT_EQ(groups_->RowNum(), 2) << "the detail's selection leaves the master alone";
}

TEST_F(GridSelection, DatasetMovesMoveTheSelection)
{
    ASSERT_TRUE(groups_->Locate("NAME", {std::string("gamma")}));
    Settle();
    EXPECT_EQ(groupGrid_->currentIndex().row(), 2);
    EXPECT_EQ(ItemsShown(), (std::vector<std::string>{"c1", "c2", "c3"}));
    items_->Last();
    Settle();
    EXPECT_EQ(itemGrid_->currentIndex().row(), 2);
    groups_->First();
    Settle();
    EXPECT_EQ(groupGrid_->currentIndex().row(), 0);
    EXPECT_EQ(itemGrid_->currentIndex().row(), 0);
}

TEST_F(GridSelection, PendingEditIsPostedBeforeTheRowMoves)
{
    groups_->Edit();
    groups_->FieldByName("DESCR").SetAsString("changed");
    ASSERT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    ClickRow(*groupGrid_, 1);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(Updates(), 1);
    EXPECT_EQ(Value("SELECT DESCR FROM GROUPS WHERE G = 1"), "changed");
    EXPECT_EQ(groups_->FieldByName("NAME").AsString(), "beta");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(GridSelection, DescriptionTypedInTheDetailIsPostedForItsOwnRowBeforeTheMasterMoves)
{
    // The memo of item a1 (group alpha) has the focus and a typed text.
    itemMemo_->setFocus(Qt::MouseFocusReason);
    Settle();
    ASSERT_TRUE(itemMemo_->hasFocus());
    itemMemo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(itemMemo_, " edited");
    ASSERT_EQ(items_->State(), TIB_DatasetState::dssEdit);

    // Clicking another group: the memo leaves first and posts, then the
    // group list moves and the items follow.
    std::vector<std::string> order;
    items_->AfterPost = [&](TIB_Dataset&) { order.push_back("post " + groupSource_.Dataset()->FieldByName("NAME").AsString()); };
    groups_->AfterScroll = [&](TIB_Dataset& d) { order.push_back("scroll " + d.FieldByName("NAME").AsString()); };
    ClickRow(*groupGrid_, 2);
    EXPECT_EQ(order, (std::vector<std::string>{"post alpha", "scroll gamma"}));
    EXPECT_EQ(Value("SELECT DESCR FROM ITEMS WHERE G = 1 AND ITEM = 'a1'"), "item a1 edited\r\n");
    EXPECT_EQ(Value("SELECT COUNT(*) FROM ITEMS WHERE DESCR LIKE '%edited%'"), "1");
    EXPECT_EQ(ItemsShown(), (std::vector<std::string>{"c1", "c2", "c3"}));
    EXPECT_EQ(itemMemo_->toPlainText(), "") << "c1 has no description";
    EXPECT_TRUE(errors_.empty());
}

TEST_F(GridSelection, RefusedMoveKeepsTheSelectionOnTheDatasetsRow)
{
    // An edit that cannot be posted: the row is gone from the table.
    Exec("DELETE FROM ITEMS WHERE G = 1");
    Exec("DELETE FROM GROUPS WHERE G = 1");
    groups_->Edit();
    groups_->FieldByName("DESCR").SetAsString("lost");
    ClickRow(*groupGrid_, 1);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Record was not located to update"), std::string::npos) << errors_[0];
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(groups_->RowNum(), 1);
    EXPECT_EQ(groupGrid_->currentIndex().row(), 0) << "the selection went back to the dataset's row";
    EXPECT_TRUE(groupGrid_->selectionModel()->isRowSelected(0, QModelIndex()));
    groups_->Cancel();
}

} // namespace
} // namespace varnel::uitest
