#pragma once
// Exceptions of the client layer and the composition of a server error
// report. Every failed client API call becomes an EIB_ISCError whose
// message is what the user sees; the layer's own failures use the other
// classes with fixed English messages.
#include "db/IB_Text.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_Component;

class EIB_Error : public std::runtime_error {
public:
    explicit EIB_Error(const std::string& message) : std::runtime_error(message) {}
};

// The silent exception: an operation the user abandoned (Cancel in the
// login prompt). Top-level error displays show nothing for it.
class EIB_Abort : public EIB_Error {
public:
    EIB_Abort() : EIB_Error("Operation aborted") {}
};

class EIB_ConnectionError : public EIB_Error {
public:
    using EIB_Error::EIB_Error;
};
class EIB_TransactionError : public EIB_Error {
public:
    using EIB_Error::EIB_Error;
};
class EIB_StatementError : public EIB_Error {
public:
    using EIB_Error::EIB_Error;
};
class EIB_DatasetError : public EIB_Error {
public:
    using EIB_Error::EIB_Error;
};
class EIB_ColumnError : public EIB_Error {
public:
    using EIB_Error::EIB_Error;
};

// One text that the client library's interpreter returned, with the error
// code of the status-vector cluster it came from.
struct TIB_InterpretedMessage {
    std::string Text;
    long Code = 0;
};

// Everything an error report carries; the exception and the error events
// see the same lists.
struct TIB_ErrorInfo {
    long ERRCODE = 0;
    TIB_StringList ErrorMessage; // "ISC ERROR CODE:n", "", "ISC ERROR MESSAGE:", then the texts
    TIB_StringList ErrorCodes;   // one decimal code per interpreted text, repeats included
    long SQLCODE = 0;
    TIB_StringList SQLMessage;   // "SQL ERROR CODE:n", "", "SQL ERROR MESSAGE:", text; or empty
    TIB_StringList SQL;          // server SQL of a failed prepare
    std::string Message;         // the text shown, at most kMaxErrorMessage characters
};

constexpr size_t kMaxErrorMessage = 255;

// Server codes the layer looks at.
constexpr long isc_code_except = 335544517;   // exception raised by PSQL
constexpr long isc_code_random = 335544382;   // free text argument
constexpr long isc_code_dsql_error = 335544569;
constexpr long isc_code_segment = 335544366;  // segment only partly read
constexpr long isc_code_segstr_eof = 335544367; // end of blob
constexpr long isc_code_lost_db_connection = 335544648;

// Composes the report of a failed call from what the interpreter returned
// (in order), the SQLCODE and the SQL-code interpreter's text. Trims each
// text, drops an empty text and a text equal to the line before it, and
// fixes the message: with SQLCODE -836 the exception's own text, else all
// lines of ErrorMessage each followed by CR LF; cut to 255 characters.
TIB_ErrorInfo ComposeErrorInfo(long errcode, const std::vector<TIB_InterpretedMessage>& messages,
                               long sqlcode, const std::string& sqlInterpreted);

// The server error. Sender is the component whose call failed; it is only
// valid while that component lives.
class EIB_ISCError : public EIB_Error {
public:
    EIB_ISCError(TIB_ErrorInfo info, TIB_Component* sender);
    TIB_Component* Sender() const { return sender_; }
    long ERRCODE() const { return info_.ERRCODE; }
    const TIB_StringList& ErrorMessage() const { return info_.ErrorMessage; }
    const TIB_StringList& ErrorCodes() const { return info_.ErrorCodes; }
    long SQLCODE() const { return info_.SQLCODE; }
    const TIB_StringList& SQLMessage() const { return info_.SQLMessage; }
    const TIB_StringList& SQL() const { return info_.SQL; }
    const TIB_ErrorInfo& Info() const { return info_; }
    // True when any code of the report means the connection was lost.
    bool IsLostConnection() const;

private:
    TIB_ErrorInfo info_;
    TIB_Component* sender_;
};

// Codes that mark a connection as lost (335544528, 335544721 to
// 335544727, 335544741) and those that a transaction treats as lost
// (335544721, 335544648, 335544528).
bool IsConnectionLostCode(long code);
bool IsTransactionLostCode(long code);

// The error event of the components and the session. Handlers may add to
// the lists and clear RaiseException to suppress the exception.
using TIB_ErrorEvent = std::function<void(TIB_Component* Sender, long ERRCODE, TIB_StringList& ErrorMessage,
                                          TIB_StringList& ErrorCodes, long SQLCODE,
                                          TIB_StringList& SQLMessage, TIB_StringList& SQL,
                                          bool& RaiseException)>;

} // namespace varnel::db
