#include "guisupport/ScriptedDialogs.h"

#include "db/IB_Connection.h"

#include <gtest/gtest.h>

namespace varnel::test {

void ScriptedDialogs::AnswerFile(std::string fileName)
{
    FAnswers.push_back({Answer::Kind::File, true, std::move(fileName), TMsgResult::Ok, {}});
}

void ScriptedDialogs::CancelFile() { FAnswers.push_back({Answer::Kind::File, false, {}, TMsgResult::Cancel, {}}); }

void ScriptedDialogs::AnswerMessage(TMsgResult result)
{
    FAnswers.push_back({Answer::Kind::Message, true, {}, result, {}});
}

bool ScriptedDialogs::Execute(TFileDialog& dialog)
{
    FileDialogs.push_back(dialog);
    if (FAnswers.empty() || FAnswers.front().What != Answer::Kind::File) {
        ADD_FAILURE() << "unexpected file dialog " << dialog.Name;
        return false;
    }
    Answer a = FAnswers.front();
    FAnswers.pop_front();
    if (a.Ok)
        dialog.FileName = a.FileName;
    return a.Ok;
}

TMsgResult ScriptedDialogs::MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                       TMsgIcon icon)
{
    Messages.push_back({text, caption, buttons, icon});
    if (FAnswers.empty() || FAnswers.front().What != Answer::Kind::Message) {
        ADD_FAILURE() << "unexpected message box: " << text;
        return TMsgResult::Cancel;
    }
    TMsgResult r = FAnswers.front().Result;
    FAnswers.pop_front();
    return r;
}

void ScriptedDialogs::ShowError(const std::string& message) { Errors.push_back(message); }

void ScriptedDialogs::AnswerLogin(std::string user, std::string password)
{
    Answer a{Answer::Kind::Login, true, std::move(user), TMsgResult::Ok, {}};
    a.Password = std::move(password);
    FAnswers.push_back(std::move(a));
}

void ScriptedDialogs::CancelLogin() { FAnswers.push_back({Answer::Kind::Login, false, {}, TMsgResult::Cancel, {}}); }

bool ScriptedDialogs::Login(varnel::db::TIB_Connection& connection)
{
    Logins.push_back(connection.Database());
    if (FAnswers.empty() || FAnswers.front().What != Answer::Kind::Login) {
        ADD_FAILURE() << "unexpected login prompt for " << connection.Database();
        return false;
    }
    Answer a = FAnswers.front();
    FAnswers.pop_front();
    if (!a.Ok)
        return false;
    if (!a.FileName.empty())
        connection.SetUsername(a.FileName);
    connection.SetPassword(a.Password);
    return true;
}

} // namespace varnel::test
