// The main window's position kept in the per-user store across runs, and
// the fetch progress dialog installed as the session's hook by the window.
#include "MainFormTestBase.h"

#include "db/IB_Session.h"
#include "db/IB_Statement.h"
#include "ui/dlgCancelQuery.h"

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTest>

using namespace varnel::test;
using namespace varnel::db;

namespace {

QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Ostrel", "Varnel"); }

void PutPosition(std::optional<int> left, std::optional<int> top)
{
    QSettings s = Store();
    s.remove("Left");
    s.remove("Top");
    if (left)
        s.setValue("Left", *left);
    if (top)
        s.setValue("Top", *top);
    s.sync();
}

class MainFormPlacementTest : public MainFormTest {
protected:
    void StartShown()
    {
        Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QPoint Where() const { return form->frameGeometry().topLeft(); }
};

TEST_F(MainFormPlacementTest, FirstStartCreatesLeftAndTopAtExit)
{
    StartShown();
    EXPECT_FALSE(Store().contains("Left"));
    form->move(140, 95);
    End();
    QSettings s = Store();
    EXPECT_EQ(s.value("Left").toInt(), 140);
    EXPECT_EQ(s.value("Top").toInt(), 95);
    EXPECT_FALSE(s.contains("Width"));
    EXPECT_FALSE(s.contains("State"));
    EXPECT_EQ(store.Remembered(), std::optional<std::string>("")) << "beside the settings file's value";

    StartShown();
    EXPECT_EQ(Where(), QPoint(140, 95)) << "the next start opens there";
}

TEST_F(MainFormPlacementTest, OnlyLeftPresentRestoresOnlyTheLeftEdge)
{
    StartShown();
    QPoint designed = Where();
    End();
    PutPosition(designed.x() + 230, std::nullopt);
    StartShown();
    EXPECT_EQ(Where(), QPoint(designed.x() + 230, designed.y()));
}

TEST_F(MainFormPlacementTest, QuittingMaximisedLeavesTheStoredPositionUnchanged)
{
    PutPosition(180, 130);
    StartShown();
    EXPECT_EQ(Where(), QPoint(180, 130));
    form->showMaximized();
    QTest::qWait(20);
    ASSERT_TRUE(form->isMaximized());
    End();
    QSettings s = Store();
    EXPECT_EQ(s.value("Left").toInt(), 180);
    EXPECT_EQ(s.value("Top").toInt(), 130);
    EXPECT_FALSE(s.contains("State"));

    StartShown();
    EXPECT_FALSE(form->isMaximized()) << "the state is not kept";
    EXPECT_EQ(Where(), QPoint(180, 130));
}

TEST_F(MainFormPlacementTest, PositionOffTheScreenIsAppliedUnchanged)
{
    PutPosition(-2500, 6000);
    StartShown();
    EXPECT_FALSE(form->screen()->geometry().intersects(form->frameGeometry()));
    EXPECT_EQ(Where(), QPoint(-2500, 6000));
}

// The fetch progress dialog of a statement on the window's session.
varnel::ui::TdlgCancelQuery* VisibleFetchDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<varnel::ui::TdlgCancelQuery*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

TEST_F(MainFormPlacementTest, WindowInstallsTheFetchDialogWithItsConfirmation)
{
    Start();
    std::shared_ptr<TIB_Session> session = TIB_Session::Default();
    ASSERT_TRUE(session->OnFetchProgress);
    TIB_Statement query;
    bool abort = false;
    session->OnFetchProgress(query, TIB_CallbackStatus::csInit, 0, abort);
    session->OnFetchProgress(query, TIB_CallbackStatus::csRefresh, 15, abort);
    varnel::ui::TdlgCancelQuery* d = VisibleFetchDialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->lbRowNum->text(), "Row# 15");
    EXPECT_EQ(d->windowTitle(), "Varnel");

    dialogs.AnswerMessage(TMsgResult::Ok);
    d->CancelBtn->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "Are you sure you want to abort?");
    EXPECT_EQ(dialogs.Messages[0].Buttons, TMsgButtons::OkCancel);
    EXPECT_EQ(VisibleFetchDialog(), nullptr);
    session->OnFetchProgress(query, TIB_CallbackStatus::csRefresh, 20, abort);
    EXPECT_TRUE(abort);
    session->OnFetchProgress(query, TIB_CallbackStatus::csFinal, 20, abort);

    End();
    EXPECT_FALSE(session->OnFetchProgress) << "the hook goes with the window";
}

} // namespace
