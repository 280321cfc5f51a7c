// The default button and the wait cursor.
#include "MainFormTestBase.h"
#include "app/WaitCursor.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace varnel::test;

namespace {

TEST_F(MainFormTest, EnterInAnEditActivatesConnect)
{
    Start();
    QSignalSpy clicks(form->Ui().LoginButton, &QPushButton::clicked);
    QLineEdit* path = form->Ui().DbPathEdit;
    path->setFocus();
    QTest::keyClick(path, Qt::Key_Return); // disabled while the path is empty
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyClicks(path, "db.fdb");
    dialogs.CancelLogin(); // Connect asks for the login; cancelling ends it
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
    // A memo keeps its Enter for a new line.
    form->Ui().MainPageControl->setCurrentWidget(form->Ui().HTMLSettingsPage);
    QPlainTextEdit* memo = Memo("HeaderMemo");
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(WaitCursor, ShowsHourglassAndRestoresAlsoOnError)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        TWaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        TWaitCursor wait;
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
