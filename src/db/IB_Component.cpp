#include "db/IB_Component.h"

#include "db/IB_Api.h"

namespace varnel::db {

TIB_Component::TIB_Component(std::shared_ptr<TIB_Session> session)
    : clientRef_(false), session_(session ? std::move(session) : TIB_Session::Default())
{
}

TIB_Component::~TIB_Component() = default;

std::string TIB_Component::ComponentPath() const
{
    std::vector<std::string> parts;
    parts.push_back(name_.empty() ? "<" + ClassName() + ">" : name_);
    for (const TIB_Owner* o = owner_; o; o = o->Owner)
        parts.push_back(o->Name.empty() ? "<" + o->ClassName + ">" : o->Name);
    std::string path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        path += *it + ".";
    return path;
}

namespace {

// Calls f(code) for every error code in the status vector.
template <typename F>
bool AnyCode(const std::intptr_t* st, F f)
{
    int i = 0;
    while (i < TIB_Session::kStatusLength && st[i] != isc_arg_end) {
        std::intptr_t t = st[i];
        if ((t == isc_arg_gds || t == isc_arg_warning) && i + 1 < TIB_Session::kStatusLength) {
            if (f(static_cast<long>(st[i + 1])))
                return true;
            i += 2;
        } else if (t == isc_arg_cstring) {
            i += 3;
        } else {
            i += 2;
        }
    }
    return false;
}

} // namespace

bool TIB_Component::StatusShowsLostConnection() const
{
    return AnyCode(session_->StatusVector(), [](long c) { return IsConnectionLostCode(c); });
}

bool TIB_Component::StatusShowsLostTransaction() const
{
    return AnyCode(session_->StatusVector(), [](long c) { return IsTransactionLostCode(c); });
}

void TIB_Component::ReportAPIError(long rc)
{
    session_->SetERRCODE(rc);
    if (rc != 0 && (StatusShowsLostConnection() || StatusShowsLostTransaction()))
        SysConnectionLost();
    session_->HandleException(this);
}

void TIB_Component::RunOnError(TIB_ErrorInfo& info, bool& raise)
{
    if (OnError)
        OnError(this, info.ERRCODE, info.ErrorMessage, info.ErrorCodes, info.SQLCODE, info.SQLMessage, info.SQL,
                raise);
}

void TIB_Component::SysErrorEvents(TIB_ErrorInfo& info, bool& raise) { RunOnError(info, raise); }

} // namespace varnel::db
