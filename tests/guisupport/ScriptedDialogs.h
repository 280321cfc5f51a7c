#pragma once
// TDialogs for GUI tests: the user's answers are queued beforehand and
// consumed in the order the dialogs appear; every dialog shown and every
// error displayed is recorded. A dialog whose answer is missing or of the
// wrong kind fails the test and is cancelled.
#include "app/Dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace varnel::test {

class ScriptedDialogs : public TDialogs {
public:
    // The next file dialog is confirmed with this name.
    void AnswerFile(std::string fileName);
    // The next file dialog is cancelled.
    void CancelFile();
    // The next message box is answered with this button.
    void AnswerMessage(TMsgResult result);
    // The next login prompt is confirmed with this user name (empty keeps
    // the connection's) and password.
    void AnswerLogin(std::string user, std::string password);
    // The next login prompt is cancelled.
    void CancelLogin();
    // True when every queued answer was used.
    bool AllAnswered() const { return FAnswers.empty(); }

    bool Execute(TFileDialog& dialog) override;
    TMsgResult MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon) override;
    void ShowError(const std::string& message) override;
    bool Login(varnel::db::TIB_Connection& connection) override;

    struct ShownMessage {
        std::string Text;
        std::string Caption;
        TMsgButtons Buttons;
        TMsgIcon Icon;
    };
    std::vector<TFileDialog> FileDialogs; // as they were when shown
    std::vector<ShownMessage> Messages;
    std::vector<std::string> Errors;
    // The database string each login prompt showed.
    std::vector<std::string> Logins;

private:
    struct Answer {
        enum class Kind { File, Message, Login } What;
        bool Ok = false;
        std::string FileName; // the file name; for a login the user name
        TMsgResult Result = TMsgResult::Cancel;
        std::string Password;
    };
    std::deque<Answer> FAnswers;
};

} // namespace varnel::test
