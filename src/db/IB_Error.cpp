#include "db/IB_Error.h"

#include <cstdlib>

namespace varnel::db {

namespace {

// The text of a PSQL exception. Firebird reports "exception N", then the
// exception's name, then its text (two free-text clusters); older servers
// gave the text right after "exception N".
bool ExceptionText(const std::vector<TIB_InterpretedMessage>& messages, std::string& text)
{
    for (size_t i = 0; i < messages.size(); ++i) {
        if (messages[i].Code != isc_code_except)
            continue;
        if (i + 2 < messages.size() && messages[i + 1].Code == isc_code_random &&
            messages[i + 2].Code == isc_code_random) {
            text = Trim(messages[i + 2].Text);
            return true;
        }
        if (i + 1 < messages.size()) {
            text = Trim(messages[i + 1].Text);
            return true;
        }
        return false;
    }
    return false;
}

} // namespace

TIB_ErrorInfo ComposeErrorInfo(long errcode, const std::vector<TIB_InterpretedMessage>& messages,
                               long sqlcode, const std::string& sqlInterpreted)
{
    TIB_ErrorInfo info;
    info.ERRCODE = errcode;
    info.SQLCODE = sqlcode;
    info.ErrorMessage.push_back("ISC ERROR CODE:" + std::to_string(errcode));
    info.ErrorMessage.push_back("");
    info.ErrorMessage.push_back("ISC ERROR MESSAGE:");
    for (const auto& m : messages) {
        std::string t = Trim(m.Text);
        if (!t.empty() && t != info.ErrorMessage.back())
            info.ErrorMessage.push_back(t);
        info.ErrorCodes.push_back(std::to_string(m.Code));
    }
    if (sqlcode != 0 && sqlcode != -999) {
        std::string t = Trim(sqlInterpreted);
        if (t != info.ErrorMessage.back()) {
            info.SQLMessage.push_back("SQL ERROR CODE:" + std::to_string(sqlcode));
            info.SQLMessage.push_back("");
            info.SQLMessage.push_back("SQL ERROR MESSAGE:");
            info.SQLMessage.push_back(t);
        }
    }
    std::string text;
    if (sqlcode == -836 && ExceptionText(messages, text) && !text.empty()) {
        info.Message = text;
    } else if (sqlcode == -836 && info.ErrorMessage.size() >= 5) {
        info.Message = info.ErrorMessage[4];
    } else {
        info.Message = JoinLines(info.ErrorMessage);
    }
    if (info.Message.size() > kMaxErrorMessage)
        info.Message.resize(kMaxErrorMessage);
    return info;
}

EIB_ISCError::EIB_ISCError(TIB_ErrorInfo info, TIB_Component* sender)
    : EIB_Error(info.Message), info_(std::move(info)), sender_(sender)
{
}

bool EIB_ISCError::IsLostConnection() const
{
    if (IsConnectionLostCode(info_.ERRCODE) || IsTransactionLostCode(info_.ERRCODE))
        return true;
    for (const auto& c : info_.ErrorCodes) {
        long v = std::strtol(c.c_str(), nullptr, 10);
        if (IsConnectionLostCode(v) || IsTransactionLostCode(v))
            return true;
    }
    return false;
}

bool IsConnectionLostCode(long code)
{
    return code == 335544528 || (code >= 335544721 && code <= 335544727) || code == 335544741;
}

bool IsTransactionLostCode(long code)
{
    return code == 335544721 || code == 335544648 || code == 335544528;
}

} // namespace varnel::db
