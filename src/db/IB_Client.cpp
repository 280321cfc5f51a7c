#include "db/IB_Client.h"

#include "db/IB_Api.h"
#include "db/IB_Error.h"

#include <cstdlib>
#include <dlfcn.h>

namespace varnel::db {

namespace detail {
namespace {

TIB_EntryPoints gEntries; // filled by the binding
TIB_EntryPoints gCalls;   // what the layer calls through

// A stub for an optional entry point the library lacks.
template <typename F>
struct StubFor;
template <typename R, typename... A>
struct StubFor<R (*)(A...)> {
    template <const char* Message>
    static R Call(A...)
    {
        throw EIB_Error(Message);
    }
};

constexpr char kAddUser[] = "isc_add_user() not implemented";
constexpr char kDeleteUser[] = "isc_delete_user() not implemented";
constexpr char kModifyUser[] = "isc_modify_user() not implemented";
constexpr char kServiceAttach[] = "isc_service_attach() not implemented";
constexpr char kServiceDetach[] = "isc_service_dettach() not implemented";
constexpr char kServiceQuery[] = "isc_service_query() not implemented";
constexpr char kServiceStart[] = "isc_service_start() not implemented";
constexpr char kPortableInteger[] = "isc_portable_integer() not implemented";

} // namespace

const TIB_EntryPoints& Api() { return gCalls; }

} // namespace detail

using detail::gCalls;
using detail::gEntries;

TIB_ClientLibrary& TIB_ClientLibrary::Instance()
{
    static TIB_ClientLibrary instance;
    return instance;
}

const std::vector<std::string>& TIB_ClientLibrary::RequiredNames()
{
    static const std::vector<std::string> names = {
#define VARNEL_IB_NAME(n) "isc_" #n,
        VARNEL_IB_REQUIRED(VARNEL_IB_NAME)
#undef VARNEL_IB_NAME
    };
    return names;
}

const std::vector<std::string>& TIB_ClientLibrary::OptionalNames()
{
    static const std::vector<std::string> names = {
#define VARNEL_IB_NAME(n) "isc_" #n,
        VARNEL_IB_OPTIONAL(VARNEL_IB_NAME)
#undef VARNEL_IB_NAME
    };
    return names;
}

void TIB_ClientLibrary::ReserveRef(bool raise)
{
    int expected = -1;
    if (refCount_.compare_exchange_strong(expected, 0)) {
        // First reference: bind. A failure leaves the tables as they are;
        // the connection binds again before it attaches.
        try {
            AcquireOriginalHooks();
            RevertToOriginalHooks();
        } catch (...) {
            ++refCount_;
            if (raise)
                throw;
            return;
        }
    }
    ++refCount_;
}

void TIB_ClientLibrary::ReleaseRef() noexcept
{
    if (--refCount_ == 0) {
        Unload();
        refCount_ = -1;
    }
}

void TIB_ClientLibrary::Unload() noexcept
{
    std::lock_guard<std::recursive_mutex> lock(bindLock_);
    gEntries = {};
    gCalls = {};
    if (handle_) {
        // Loaded with RTLD_NODELETE: the code stays mapped (the client
        // library keeps threads of its own), only the handle goes.
        dlclose(handle_);
        handle_ = nullptr;
    }
    loadedName_.clear();
}

void TIB_ClientLibrary::AcquireOriginalHooks()
{
    std::lock_guard<std::recursive_mutex> lock(bindLock_);
    if (!handle_) {
        std::vector<std::string> candidates;
        const char* env = std::getenv("VARNEL_FBCLIENT");
        if (env && *env)
            candidates.push_back(env);
        else
            candidates = {"libfbclient.so.2", "libfbclient.so"};
        for (const auto& name : candidates) {
            handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            if (handle_) {
                loadedName_ = name;
                break;
            }
        }
    }
    if (!handle_)
        return;

#define VARNEL_IB_RESOLVE(n)                                                                       \
    {                                                                                              \
        void* p = dlsym(handle_, "isc_" #n);                                                       \
        if (!p)                                                                                    \
            throw EIB_Error("Unable to locate DLL import isc_" #n);                                \
        gEntries.dll_##n = reinterpret_cast<decltype(gEntries.dll_##n)>(p);                        \
    }
    VARNEL_IB_REQUIRED(VARNEL_IB_RESOLVE)
#undef VARNEL_IB_RESOLVE

#define VARNEL_IB_RESOLVE_OPTIONAL(n)                                                              \
    gEntries.dll_##n = reinterpret_cast<decltype(gEntries.dll_##n)>(dlsym(handle_, "isc_" #n));
    VARNEL_IB_OPTIONAL(VARNEL_IB_RESOLVE_OPTIONAL)
#undef VARNEL_IB_RESOLVE_OPTIONAL

    using namespace detail;
#define VARNEL_IB_STUB(n, msg)                                                                     \
    if (!gEntries.dll_##n)                                                                         \
        gEntries.dll_##n = &StubFor<decltype(gEntries.dll_##n)>::template Call<msg>;
    VARNEL_IB_STUB(add_user, kAddUser)
    VARNEL_IB_STUB(delete_user, kDeleteUser)
    VARNEL_IB_STUB(modify_user, kModifyUser)
    VARNEL_IB_STUB(service_attach, kServiceAttach)
    VARNEL_IB_STUB(service_detach, kServiceDetach)
    VARNEL_IB_STUB(service_query, kServiceQuery)
    VARNEL_IB_STUB(service_start, kServiceStart)
    VARNEL_IB_STUB(portable_integer, kPortableInteger)
#undef VARNEL_IB_STUB
}

void TIB_ClientLibrary::RevertToOriginalHooks()
{
    std::lock_guard<std::recursive_mutex> lock(bindLock_);
    gCalls = gEntries;
}

bool TIB_ClientLibrary::AttachBound() const { return gCalls.dll_attach_database != nullptr; }

bool TIB_ClientLibrary::InterpreteBound() const { return gCalls.dll_interprete != nullptr; }

void ReserveSessionHookRef() { TIB_ClientLibrary::Instance().ReserveRef(true); }
void ReleaseSessionHookRef() { TIB_ClientLibrary::Instance().ReleaseRef(); }
void AcquireOriginalHooks() { TIB_ClientLibrary::Instance().AcquireOriginalHooks(); }
void RevertToOriginalHooks() { TIB_ClientLibrary::Instance().RevertToOriginalHooks(); }

} // namespace varnel::db
