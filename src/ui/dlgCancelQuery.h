#pragma once
// The fetch progress dialog and the default handling of a dataset's fetch
// callbacks.
//
// TdlgCancelQuery is a small modeless window (fixed size, stays on top,
// centred on the screen) showing "Fetching Query Results", the row count
// in lbRowNum and the button CancelBtn "Abort" (also Esc). "Abort" hides
// it and asks "Are you sure you want to abort?"; OK marks the abort as
// requested, Cancel leaves the fetch running.
//
// TFetchProgressDialogs is the session's fetch-progress hook: csInit does
// nothing; csRefresh creates the sender's dialog on first need, shows
// "Row# n" and shows it; csFinal hides it. An abort the user confirmed is
// passed to the fetch loop through the hook's abort flag at the sender's
// next callback, and at once through OnAbortRequested when that is set.
// It owns one dialog per sender, kept until Forget() or its own end; it
// does not own the senders.
#include "db/IB_Session.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QLabel;
class QPushButton;

namespace varnel::ui {

class TdlgCancelQuery : public QDialog {
    Q_OBJECT
public:
    // confirm asks the question and returns true for OK.
    explicit TdlgCancelQuery(std::function<bool(const std::string& text)> confirm, QWidget* parent = nullptr);

    // "Row# n".
    void SetRowNum(long rows);
    // What "Abort" does: hide, ask, and on OK mark the abort as requested.
    void AbortClick();
    bool AbortRequested() const { return FAbortRequested; }
    void ClearAbortRequest() { FAbortRequested = false; }
    // Runs after the user confirmed an abort.
    std::function<void()> OnAbortConfirmed;

    QLabel* lbFetchingMessage = nullptr;
    QLabel* lbRowNum = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<bool(const std::string&)> FConfirm;
    bool FAbortRequested = false;
};

class TFetchProgressDialogs {
public:
    // applicationTitle: the caption when the sender has none of its own.
    explicit TFetchProgressDialogs(std::string applicationTitle = "Varnel");
    ~TFetchProgressDialogs();
    TFetchProgressDialogs(const TFetchProgressDialogs&) = delete;
    TFetchProgressDialogs& operator=(const TFetchProgressDialogs&) = delete;

    // The hook: see the class comment.
    void Handle(varnel::db::TIB_Statement& sender, varnel::db::TIB_CallbackStatus status, long rows, bool& abort);
    // Makes Handle the session's fetch-progress hook; this object must
    // outlive the installation (Uninstall, or clear the hook).
    void Install(varnel::db::TIB_Session& session);
    static void Uninstall(varnel::db::TIB_Session& session);

    // The question after "Abort"; returns true for OK. Unset: a Qt message
    // box with OK and Cancel.
    std::function<bool(const std::string& text)> Confirm;
    // The sender's own caption (a dataset's CallbackCaption); empty or
    // unset uses the application title.
    std::function<std::string(varnel::db::TIB_Statement& sender)> CaptionOf;
    // Tells the sender at once that the user confirmed an abort (a
    // dataset's AbortFetching); runs while the sender's fetch is under way.
    std::function<void(varnel::db::TIB_Statement& sender)> OnAbortRequested;

    // The sender's dialog; null while none was needed.
    TdlgCancelQuery* Dialog(const varnel::db::TIB_Statement& sender) const;
    // Drops the sender's dialog (when the sender goes).
    void Forget(const varnel::db::TIB_Statement& sender);

private:
    bool AskConfirmation(const std::string& text);

    std::string FApplicationTitle;
    std::map<const varnel::db::TIB_Statement*, std::unique_ptr<TdlgCancelQuery>> FDialogs;
};

} // namespace varnel::ui
