// The fetch progress dialog driven through the fetch-progress hook with the
// statuses and row counts a dataset's fetch loop sends, and the user's
// "Abort" with scripted confirmations.
#include "db/IB_Session.h"
#include "db/IB_Statement.h"
#include "ui/dlgCancelQuery.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnel::db;
using varnel::ui::TdlgCancelQuery;
using varnel::ui::TFetchProgressDialogs;

namespace {

class CancelQueryTest : public ::testing::Test {
protected:
    TIB_Statement query;
    TFetchProgressDialogs progress;
    std::vector<std::string> questions;
    std::vector<bool> answers; // consumed in order
    std::vector<TIB_Statement*> abortsRequested;

    CancelQueryTest()
    {
        progress.Confirm = [this](const std::string& text) {
            questions.push_back(text);
            EXPECT_FALSE(answers.empty()) << "unexpected question";
            if (answers.empty())
                return false;
            bool a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        progress.OnAbortRequested = [this](TIB_Statement& s) { abortsRequested.push_back(&s); };
    }

    // One callback as the fetch loop raises it; returns the abort flag.
    bool Send(TIB_CallbackStatus status, long rows, TIB_Statement* sender = nullptr)
    {
        bool abort = false;
        progress.Handle(sender ? *sender : query, status, rows, abort);
        return abort;
    }
    TdlgCancelQuery* Dialog() const { return progress.Dialog(query); }
    std::string RowText() const { return Dialog()->lbRowNum->text().toStdString(); }
};

TEST_F(CancelQueryTest, DialogShowsItsDesign)
{
    TdlgCancelQuery d({});
    EXPECT_EQ(d.lbFetchingMessage->text(), "Fetching Query Results");
    EXPECT_GT(d.lbFetchingMessage->font().pointSizeF(), d.lbRowNum->font().pointSizeF());
    EXPECT_EQ(d.lbRowNum->text(), "Row#");
    EXPECT_TRUE(d.lbRowNum->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(d.CancelBtn->text(), "Abort");
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.isModal());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "fixed size";
    QRect screen = d.screen()->availableGeometry();
    EXPECT_LE((d.frameGeometry().center() - screen.center()).manhattanLength(), 2) << "centred";
}

TEST_F(CancelQueryTest, InitAndFinalAloneCreateNoDialog)
{
    EXPECT_FALSE(Send(TIB_CallbackStatus::csInit, 0));
    EXPECT_FALSE(Send(TIB_CallbackStatus::csFinal, 4));
    EXPECT_EQ(Dialog(), nullptr);
}

TEST_F(CancelQueryTest, RefreshShowsTheRowCountAndFinalHidesIt)
{
    Send(TIB_CallbackStatus::csInit, 0);
    EXPECT_FALSE(Send(TIB_CallbackStatus::csRefresh, 15));
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(RowText(), "Row# 15");
    EXPECT_EQ(Dialog()->windowTitle(), "Varnel");
    Send(TIB_CallbackStatus::csRefresh, 1250);
    EXPECT_EQ(RowText(), "Row# 1250");
    EXPECT_FALSE(Send(TIB_CallbackStatus::csFinal, 1253));
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(RowText(), "Row# 1250") << "the final count is not shown";

    // The next long fetch of the same query uses the same dialog.
    TdlgCancelQuery* first = Dialog();
    Send(TIB_CallbackStatus::csInit, 0);
    Send(TIB_CallbackStatus::csRefresh, 20);
    EXPECT_EQ(Dialog(), first);
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(RowText(), "Row# 20");
}

TEST_F(CancelQueryTest, CaptionIsTheSendersOwnElseTheApplicationTitle)
{
    TIB_Statement named;
    progress.CaptionOf = [&](TIB_Statement& s) { return &s == &named ? std::string("Tables \xE4") : std::string(); };
    Send(TIB_CallbackStatus::csRefresh, 5, &named);
    Send(TIB_CallbackStatus::csRefresh, 5);
    EXPECT_EQ(progress.Dialog(named)->windowTitle(), QString::fromLatin1("Tables \xE4"));
    EXPECT_EQ(Dialog()->windowTitle(), "Varnel");

    TFetchProgressDialogs other("Another Title");
    bool abort = false;
    other.Handle(query, TIB_CallbackStatus::csRefresh, 5, abort);
    EXPECT_EQ(other.Dialog(query)->windowTitle(), "Another Title");
}

TEST_F(CancelQueryTest, EachSenderHasItsOwnDialogUntilForgotten)
{
    TIB_Statement detail;
    Send(TIB_CallbackStatus::csRefresh, 10);
    Send(TIB_CallbackStatus::csRefresh, 35, &detail);
    ASSERT_NE(progress.Dialog(detail), nullptr);
    EXPECT_NE(progress.Dialog(detail), Dialog());
    EXPECT_EQ(progress.Dialog(detail)->lbRowNum->text(), "Row# 35");
    EXPECT_EQ(RowText(), "Row# 10");
    Send(TIB_CallbackStatus::csFinal, 40, &detail);
    EXPECT_FALSE(progress.Dialog(detail)->isVisible());
    EXPECT_TRUE(Dialog()->isVisible());
    progress.Forget(detail);
    EXPECT_EQ(progress.Dialog(detail), nullptr);
}

// How the user presses "Abort".
struct AbortWay {
    const char* name;
    void (*press)(TdlgCancelQuery&);
};

class CancelQueryAbort : public CancelQueryTest, public ::testing::WithParamInterface<AbortWay> {};

TEST_P(CancelQueryAbort, ConfirmedAbortStopsTheFetch)
{
    Send(TIB_CallbackStatus::csInit, 0);
    Send(TIB_CallbackStatus::csRefresh, 15);
    answers = {true};
    GetParam().press(*Dialog());
    EXPECT_EQ(questions, std::vector<std::string>{"Are you sure you want to abort?"});
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(abortsRequested, std::vector<TIB_Statement*>{&query});
    // The loop's next callback carries the abort and shows nothing.
    EXPECT_TRUE(Send(TIB_CallbackStatus::csRefresh, 20));
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_FALSE(Send(TIB_CallbackStatus::csFinal, 20));
    // A later fetch starts without the old request.
    Send(TIB_CallbackStatus::csInit, 0);
    EXPECT_FALSE(Send(TIB_CallbackStatus::csRefresh, 5));
    EXPECT_TRUE(Dialog()->isVisible());
}

TEST_P(CancelQueryAbort, CancelledAbortLetsTheFetchRunAndShowsAgain)
{
    Send(TIB_CallbackStatus::csInit, 0);
    Send(TIB_CallbackStatus::csRefresh, 15);
    answers = {false};
    GetParam().press(*Dialog());
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_FALSE(Dialog()->isVisible()) << "hidden while asking, and until the next update";
    EXPECT_TRUE(abortsRequested.empty());
    EXPECT_FALSE(Send(TIB_CallbackStatus::csRefresh, 40));
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(RowText(), "Row# 40");
    EXPECT_FALSE(Send(TIB_CallbackStatus::csFinal, 42));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CancelQueryAbort,
    ::testing::Values(AbortWay{"ClickAbort",
                               [](TdlgCancelQuery& d) {
                                   QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
                               }},
                      AbortWay{"PressEsc", [](TdlgCancelQuery& d) { QTest::keyClick(&d, Qt::Key_Escape); }}),
    [](const ::testing::TestParamInfo<AbortWay>& i) { return std::string(i.param.name); });

TEST_F(CancelQueryTest, AbortConfirmedAfterTheLastRefreshStillReachesTheLoopAtTheEnd)
{
    progress.OnAbortRequested = nullptr;
    Send(TIB_CallbackStatus::csRefresh, 15);
    answers = {true};
    Dialog()->CancelBtn->click();
    // The loop ends before another refresh: the final callback carries it,
    // and the request does not outlive the fetch.
    EXPECT_TRUE(Send(TIB_CallbackStatus::csFinal, 18));
    EXPECT_FALSE(Send(TIB_CallbackStatus::csRefresh, 5));
}

TEST_F(CancelQueryTest, InstalledAsTheSessionsHook)
{
    auto session = std::make_shared<TIB_Session>();
    TIB_Statement stmt(session);
    progress.Install(*session);
    ASSERT_TRUE(session->OnFetchProgress);
    bool abort = false;
    session->OnFetchProgress(stmt, TIB_CallbackStatus::csRefresh, 25, abort);
    ASSERT_NE(progress.Dialog(stmt), nullptr);
    EXPECT_EQ(progress.Dialog(stmt)->lbRowNum->text(), "Row# 25");
    TFetchProgressDialogs::Uninstall(*session);
    EXPECT_FALSE(session->OnFetchProgress);
}

} // namespace
