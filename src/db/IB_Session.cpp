#include "db/IB_Session.h"

#include "db/IB_Api.h"
#include "db/IB_Client.h"
#include "db/IB_Component.h"
#include "db/IB_Connection.h"

#include <chrono>
#include <cstring>

namespace varnel::db {

static_assert(sizeof(ISC_STATUS) == sizeof(std::intptr_t), "status cells are intptr_t");

TIB_DescriptorArea::TIB_DescriptorArea(int capacity)
{
    if (capacity > 0)
        Ensure(capacity);
}

void* TIB_DescriptorArea::Ensure(int n)
{
    if (n < 1)
        n = 1;
    if (!data_ || n > capacity_) {
        size_t bytes = XSQLDA_LENGTH(n);
        data_ = std::make_unique<unsigned char[]>(bytes);
        std::memset(data_.get(), 0, bytes);
        capacity_ = n;
    }
    auto* da = reinterpret_cast<XSQLDA*>(data_.get());
    da->version = SQLDA_VERSION1;
    da->sqln = static_cast<ISC_SHORT>(capacity_);
    return data_.get();
}

std::shared_ptr<TIB_Session> TIB_Session::Default()
{
    thread_local std::weak_ptr<TIB_Session> slot;
    std::shared_ptr<TIB_Session> s = slot.lock();
    if (!s) {
        s = std::make_shared<TIB_Session>();
        slot = s;
    }
    return s;
}

TIB_Session::TIB_Session() : inputArea_(5), outputArea_(30)
{
    Clock = [] {
        using namespace std::chrono;
        return static_cast<std::int64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
}

TIB_Session::~TIB_Session() = default;

std::int64_t TIB_Session::TickCount() const { return Clock ? Clock() : 0; }

void TIB_Session::ShowException(const std::exception& e) const
{
    if (dynamic_cast<const EIB_Abort*>(&e))
        return;
    if (OnShowException)
        OnShowException(e);
}

void TIB_Session::ProcessMessages() const
{
    if (OnProcessMessages)
        OnProcessMessages();
}

TIB_Connection* TIB_Session::FindConnection(std::string_view name) const
{
    for (TIB_Connection* c : connections_)
        if (SameText(c->DatabaseName(), name))
            return c;
    return nullptr;
}

void TIB_Session::AddConnection(TIB_Connection* c) { connections_.push_back(c); }

void TIB_Session::RemoveConnection(TIB_Connection* c) { std::erase(connections_, c); }

void TIB_Session::HandleException(TIB_Component* sender)
{
    const detail::TIB_EntryPoints& api = detail::Api();
    if (!api.dll_interprete)
        throw EIB_Error("InterBase Client GDS32.DLL is not installed");
    bool raise = errcode_ != 0;
    const bool warning = errcode_ == 0;

    std::vector<TIB_InterpretedMessage> messages;
    ISC_STATUS* p = reinterpret_cast<ISC_STATUS*>(status_);
    ISC_STATUS* const end = p + kStatusLength;
    char buffer[4096];
    while (p < end && *p != isc_arg_end) {
        long code = (p[0] == isc_arg_gds || p[0] == isc_arg_warning) ? static_cast<long>(p[1]) : 0;
        buffer[0] = 0;
        if (!api.dll_interprete(buffer, &p))
            break;
        buffer[sizeof buffer - 1] = 0;
        messages.push_back({buffer, code});
    }
    sqlcode_ = api.dll_sqlcode ? api.dll_sqlcode(reinterpret_cast<ISC_STATUS*>(status_)) : 0;
    std::string sqlText;
    if (sqlcode_ != 0 && sqlcode_ != -999 && api.dll_sql_interprete) {
        char sqlBuffer[4096] = {};
        api.dll_sql_interprete(static_cast<short>(sqlcode_), sqlBuffer, sizeof sqlBuffer);
        sqlBuffer[sizeof sqlBuffer - 1] = 0;
        sqlText = sqlBuffer;
    }
    TIB_ErrorInfo info = ComposeErrorInfo(errcode_, messages, sqlcode_, sqlText);

    if (sender && (raise || warning))
        sender->SysErrorEvents(info, raise);
    if ((raise || warning) && OnError)
        OnError(sender, info.ERRCODE, info.ErrorMessage, info.ErrorCodes, info.SQLCODE, info.SQLMessage,
                info.SQL, raise);
    if (raise && !warning)
        throw EIB_ISCError(std::move(info), sender);
}

} // namespace varnel::db
