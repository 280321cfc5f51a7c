// The data-aware memo: loading on every row change (null empty, lines,
// "Could not load memo"), the first keystroke starting the edit, leaving
// writing the lines with CR LF and running OnExit (which posts through the
// dataset's EditSQL), unchanged text sending nothing, and the auto label.
#include "UiTestUtil.h"
#include "ui/IB_Memo.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <functional>

namespace varnel::uitest {
namespace {

using varnel::ui::TIB_AutoLabelKind;
using varnel::ui::TIB_Memo;

// What the memo shows, no-break spaces kept (toPlainText turns them into blanks).
QString Shows(const TIB_Memo& m)
{
    QString t = m.document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return t;
}

class Memo : public UiDbTest {
protected:
    void SetUp() override
    {
        UiDbTest::SetUp();
        MakeMasterDetail();
        groups_ = GroupQuery();
        source_.SetDataset(groups_.get());
        memo_ = new TIB_Memo(&window_);
        memo_->setGeometry(10, 40, 300, 100);
        memo_->SetDataSource(&source_);
        memo_->SetDataField("DESCR");
        // The main window's MemoExit: check the browse mode of the memo's dataset.
        memo_->OnExit = [this](TIB_Memo& sender) {
            ++exits_;
            sender.DataSource()->Dataset()->CheckBrowseMode();
        };
        other_ = new QLineEdit(&window_);
        other_->setGeometry(10, 150, 100, 20);
        window_.resize(400, 200);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    void Enter()
    {
        memo_->setFocus(Qt::MouseFocusReason);
        Settle();
        ASSERT_TRUE(memo_->hasFocus());
    }
    void Leave()
    {
        other_->setFocus(Qt::TabFocusReason);
        Settle();
        ASSERT_FALSE(memo_->hasFocus());
    }
    std::string Stored(int g = 1) { return Value("SELECT DESCR FROM GROUPS WHERE G = " + std::to_string(g)); }

    std::unique_ptr<TIB_Query> groups_;
    TIB_DataSource source_;
    QWidget window_;
    TIB_Memo* memo_ = nullptr;
    QLineEdit* other_ = nullptr;
    int exits_ = 0;
};

TEST_F(Memo, LoadsTheColumnOnEveryRowChange)
{
    EXPECT_EQ(memo_->toPlainText(), "");
    EXPECT_TRUE(memo_->isReadOnly()) << "no open dataset";
    groups_->Open();
    EXPECT_EQ(memo_->toPlainText(), "First group");
    EXPECT_FALSE(memo_->isReadOnly());
    groups_->Next();
    EXPECT_EQ(memo_->toPlainText(), "") << "beta has no description";
    groups_->Next();
    EXPECT_EQ(memo_->toPlainText(), "Third\ngroup");
    EXPECT_FALSE(memo_->Modified());
    EXPECT_FALSE(memo_->document()->isModified());
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    // A change of the column itself is shown too.
    groups_->Edit();
    groups_->FieldByName("DESCR").SetAsString("set\r\nby code\r\n");
    EXPECT_EQ(memo_->toPlainText(), "set\nby code");
    groups_->Cancel();
    EXPECT_EQ(memo_->toPlainText(), "Third\ngroup");
    groups_->Close();
    EXPECT_EQ(memo_->toPlainText(), "");
    EXPECT_TRUE(memo_->isReadOnly());
    EXPECT_EQ(Updates(), 0);
}

struct EditCase {
    std::string name;
    std::function<void(TIB_Memo&)> type;
    std::string stored;
    QString shownAfter;
};

class MemoEdit : public Memo, public ::testing::WithParamInterface<EditCase> {};

TEST_P(MemoEdit, LeavingPostsTheLinesEachEndedWithCRLF)
{
    groups_->Open();
    Enter();
    GetParam().type(*memo_);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssEdit) << "the first keystroke starts the edit";
    EXPECT_TRUE(memo_->Modified());
    Leave();
    EXPECT_EQ(exits_, 1);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(Updates(), 1);
    EXPECT_EQ(Stored(), GetParam().stored);
    EXPECT_EQ(Shows(*memo_), GetParam().shownAfter);
    EXPECT_FALSE(memo_->Modified());
    EXPECT_TRUE(errors_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Grid, MemoEdit,
    ::testing::Values(
        EditCase{"OneLineGainsCRLF",
                 [](TIB_Memo& m) {
                     m.moveCursor(QTextCursor::End);
                     QTest::keyClicks(&m, " more");
                 },
                 "First group more\r\n", "First group more"},
        EditCase{"SeveralLines",
                 [](TIB_Memo& m) {
                     m.selectAll();
                     QTest::keyClicks(&m, "one");
                     QTest::keyClick(&m, Qt::Key_Return);
                     QTest::keyClicks(&m, "two");
                 },
                 "one\r\ntwo\r\n", "one\ntwo"},
        EditCase{"FinalLineBreakIsNoLine",
                 [](TIB_Memo& m) {
                     m.selectAll();
                     QTest::keyClicks(&m, "one");
                     QTest::keyClick(&m, Qt::Key_Return);
                 },
                 "one\r\n", "one\n"},
        EditCase{"EmptyLineInside",
                 [](TIB_Memo& m) {
                     m.selectAll();
                     QTest::keyClicks(&m, "a");
                     QTest::keyClick(&m, Qt::Key_Return);
                     QTest::keyClick(&m, Qt::Key_Return);
                     QTest::keyClicks(&m, "b");
                 },
                 "a\r\n\r\nb\r\n", "a\n\nb"},
        EditCase{"Latin1Text",
                 [](TIB_Memo& m) {
                     m.selectAll();
                     for (QChar c : QString::fromLatin1("Gr\xf6\xdf" "e\xa0" "caf\xe9"))
                         QTest::sendKeyEvent(QTest::Click, &m, Qt::Key_unknown, QString(c), Qt::NoModifier);
                 },
                 "Gr\xf6\xdf" "e\xa0" "caf\xe9\r\n", QString::fromLatin1("Gr\xf6\xdf" "e\xa0" "caf\xe9")},
        EditCase{"EmptiedMemoStoresNull",
                 [](TIB_Memo& m) {
                     m.selectAll();
                     QTest::keyClick(&m, Qt::Key_Delete);
                 },
                 "<null>", ""}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST_F(Memo, UnchangedTextSendsNothing)
{
    groups_->Open();
    Enter();
    Leave();
    EXPECT_EQ(exits_, 1);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);

    // Typed and taken back: the edit is cancelled, nothing is sent, even
    // though the stored text has no final line break.
    Enter();
    memo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo_, "x");
    ASSERT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    QTest::keyClick(memo_, Qt::Key_Backspace);
    Leave();
    EXPECT_EQ(exits_, 2);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(Updates(), 0);
    EXPECT_EQ(Stored(), "First group");

    // The same on a row without a description.
    groups_->Next();
    Enter();
    QTest::keyClicks(memo_, "y");
    QTest::keyClick(memo_, Qt::Key_Backspace);
    Leave();
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(Updates(), 0);
    EXPECT_EQ(Stored(2), "<null>");
}

TEST_F(Memo, PopupOrOtherWindowTakingTheFocusIsNoExit)
{
    groups_->Open();
    Enter();
    memo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo_, "?");
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(memo_, &out);
    }
    EXPECT_EQ(exits_, 0);
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    EXPECT_TRUE(memo_->Modified());
    Leave();
    EXPECT_EQ(exits_, 1);
    EXPECT_EQ(Stored(), "First group?\r\n");
}

TEST_F(Memo, LeavingWritesTheColumnOnlyWhileTheDatasetEdits)
{
    memo_->OnExit = nullptr;
    groups_->Open();
    Enter();
    memo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo_, "!");
    Leave();
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(groups_->FieldByName("DESCR").AsString(), "First group!\r\n");
    EXPECT_EQ(Updates(), 0);
    groups_->CheckBrowseMode();
    EXPECT_EQ(Updates(), 1);
    EXPECT_EQ(Stored(), "First group!\r\n");
}

TEST_F(Memo, UpdateDataWritesWithoutLeaving)
{
    groups_->Open();
    Enter();
    memo_->selectAll();
    QTest::keyClicks(memo_, "posted while focused");
    groups_->Post();
    EXPECT_EQ(Stored(), "posted while focused\r\n");
    EXPECT_TRUE(memo_->hasFocus());
    // Moving on posts too: the next row's edit goes to the next row.
    groups_->Next();
    memo_->selectAll();
    QTest::keyClicks(memo_, "second");
    groups_->Next();
    EXPECT_EQ(Stored(2), "second\r\n");
    EXPECT_EQ(memo_->toPlainText(), "Third\ngroup");
    EXPECT_EQ(Updates(), 2);
}

TEST_F(Memo, FailedPostKeepsTheEditAndTheText)
{
    groups_->Open();
    Exec("DELETE FROM GROUPS WHERE G = 1");
    Enter();
    memo_->selectAll();
    QTest::keyClicks(memo_, "orphan");
    Leave();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Record was not located to update"), std::string::npos) << errors_[0];
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(memo_->toPlainText(), "orphan");
    EXPECT_EQ(exits_, 1);
    groups_->Cancel();
    EXPECT_EQ(memo_->toPlainText(), "First group");
}

TEST_F(Memo, UnreadableTextShowsCouldNotLoadMemo)
{
    // The group list on a connection of its own, every row buffered; then
    // that connection is shut down from ours, so reading a description
    // that is not loaded yet fails on the server.
    std::unique_ptr<TIB_Transaction> victimTr;
    auto victim = Connect("Victim", "ISO8859_1", victimTr);
    auto groups = GroupQuery();
    groups->SetIB_Connection(victim.get());
    groups->SetIB_Transaction(victimTr.get());
    TIB_DataSource source;
    source.SetDataset(groups.get());
    memo_->SetDataSource(&source);
    groups->Open();
    groups->FetchAll();
    ASSERT_EQ(memo_->toPlainText(), "First group");
    std::string id;
    {
        TIB_Statement s(session_);
        s.SetIB_Connection(victim.get());
        s.SetIB_Transaction(victimTr.get());
        s.SetSQLText("SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
        s.Execute();
        id = s.Fields().Columns(0).AsString();
    }
    Exec("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + id);

    groups->Last();
    EXPECT_EQ(groups->FieldByName("NAME").AsString(), "gamma");
    EXPECT_EQ(memo_->toPlainText(), "Could not load memo");
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("ISC ERROR CODE:"), std::string::npos) << errors_[0];
    EXPECT_FALSE(memo_->Modified());
    EXPECT_FALSE(memo_->document()->isModified());
    EXPECT_FALSE(memo_->isReadOnly()) << "the memo stays usable";
    // Untouched, leaving it sends nothing and the edit state never began.
    Enter();
    Leave();
    EXPECT_EQ(groups->State(), TIB_DatasetState::dssBrowse);
    // Rows whose text needs no server still show.
    groups->Prior();
    EXPECT_EQ(memo_->toPlainText(), "");
    groups->First();
    EXPECT_EQ(memo_->toPlainText(), "First group") << "already loaded";
    EXPECT_EQ(errors_.size(), 1u);
    memo_->SetDataSource(&source_);
}

TEST_F(Memo, RefusedEditUndoesTheKeystroke)
{
    source_.SetAutoEdit(false);
    groups_->Open();
    Enter();
    memo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo_, "x");
    EXPECT_EQ(memo_->toPlainText(), "First group");
    EXPECT_EQ(groups_->State(), TIB_DatasetState::dssBrowse);
    EXPECT_FALSE(memo_->Modified());
    Leave();
    EXPECT_EQ(Updates(), 0);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Memo, ReadOnlyWithoutARowOrAWritableColumn)
{
    auto empty = Query({"SELECT G, DESCR FROM GROUPS WHERE G < 0"}, "Empty");
    empty->SetEditSQL({"UPDATE GROUPS SET DESCR = :DESCR WHERE G = :G"});
    TIB_DataSource emptySource;
    emptySource.SetDataset(empty.get());
    memo_->SetDataSource(&emptySource);
    empty->Open();
    EXPECT_TRUE(memo_->isReadOnly()) << "no current row";

    // NAME is not a parameter of the EditSQL: not writable.
    memo_->SetDataSource(&source_);
    memo_->SetDataField("NAME");
    groups_->Open();
    EXPECT_EQ(memo_->toPlainText(), "alpha");
    EXPECT_TRUE(memo_->isReadOnly());
    memo_->SetDataField("DESCR");
    EXPECT_FALSE(memo_->isReadOnly());
    EXPECT_EQ(memo_->toPlainText(), "First group");
}

TEST_F(Memo, AutoLabelAboveTheMemo)
{
    EXPECT_EQ(memo_->AutoLabel().Label(), nullptr) << "albNone";
    memo_->AutoLabel().SetKind(TIB_AutoLabelKind::albTop);
    memo_->AutoLabel().SetCaption("Table description");
    QLabel* label = memo_->AutoLabel().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), &window_);
    EXPECT_EQ(label->text(), "Table description");
    EXPECT_EQ(label->buddy(), memo_);
    EXPECT_EQ(label->geometry().bottom() + 1, memo_->geometry().top());
    EXPECT_EQ(label->x(), memo_->x());
    EXPECT_TRUE(label->alignment() & Qt::AlignLeft);
    EXPECT_EQ(label->size(), label->sizeHint()) << "sized to its text";
    EXPECT_TRUE(label->isVisible());

    memo_->move(50, 80);
    EXPECT_EQ(label->geometry().bottom() + 1, 80);
    EXPECT_EQ(label->x(), 50);
    memo_->AutoLabel().SetMargin(4);
    EXPECT_EQ(label->x(), 54);
    memo_->setEnabled(false);
    EXPECT_FALSE(label->isEnabled());
    memo_->setEnabled(true);
    memo_->hide();
    EXPECT_FALSE(label->isVisible());
    memo_->show();
    EXPECT_TRUE(label->isVisible());

    memo_->AutoLabel().SetKind(TIB_AutoLabelKind::albLeft);
    label = memo_->AutoLabel().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry().right() + 1 + 4, memo_->x());
    EXPECT_EQ(label->y(), memo_->y());
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);

    memo_->AutoLabel().SetKind(TIB_AutoLabelKind::albNone);
    EXPECT_EQ(memo_->AutoLabel().Label(), nullptr);
}

TEST_F(Memo, AutoLabelFollowsTheMemoIntoItsParent)
{
    TIB_Memo memo;
    memo.AutoLabel().SetKind(TIB_AutoLabelKind::albTop);
    memo.AutoLabel().SetCaption("Field description");
    EXPECT_EQ(memo.AutoLabel().Label(), nullptr) << "no parent yet";
    QWidget page;
    memo.setParent(&page);
    memo.setGeometry(5, 30, 100, 50);
    page.show(); // a hidden page sends the memo's move when it is shown
    Settle();
    QLabel* label = memo.AutoLabel().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget(), &page);
    EXPECT_EQ(label->text(), "Field description");
    EXPECT_EQ(label->geometry().bottom() + 1, 30);
    memo.setParent(nullptr);
}

} // namespace
} // namespace varnel::uitest
