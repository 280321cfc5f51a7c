#pragma once
// The binding of the Firebird client library: one process-wide object
// owns the loaded library and the table of entry points every other class
// of the layer calls through. Nothing links against fbclient; the library
// is found at run time: the path in VARNEL_FBCLIENT when that is set, else
// "libfbclient.so.2", else "libfbclient.so".
//
// References: every data-access component holds one for its lifetime
// (TIB_ClientRef). The first reference binds; when the last one goes the
// library is released and the tables are cleared, so the next reference
// binds afresh. A failed load is silent; the connection retries the
// binding before each attach, so a library installed later is picked up
// at the next connect.
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_ClientLibrary {
public:
    static TIB_ClientLibrary& Instance();

    // Takes one reference. The first reference runs AcquireOriginalHooks
    // and RevertToOriginalHooks. With raise set, a library that lacks a
    // required entry point raises; components pass false so that a
    // constructor never throws (the error then surfaces at connect).
    void ReserveRef(bool raise);
    // Drops one reference; the last one unloads and clears the tables.
    void ReleaseRef() noexcept;
    int RefCount() const { return refCount_.load(); }

    // Loads the library when not loaded and fills the entry-point table.
    // Raises EIB_Error "Unable to locate DLL import <name>" for the first
    // required name the library lacks (entries resolved before it keep
    // their values). Without a loadable library it returns silently.
    void AcquireOriginalHooks();
    // Copies the entry-point table into the call table.
    void RevertToOriginalHooks();

    bool IsLoaded() const { return handle_ != nullptr; }
    // The platform handle of the loaded library, null when not loaded.
    void* GDS_Handle() const { return handle_; }
    // File name the library was loaded from (empty when not loaded).
    const std::string& LoadedName() const { return loadedName_; }
    // True when the call table holds the attach entry (bound and complete).
    bool AttachBound() const;
    // True when the call table holds the message interpreter.
    bool InterpreteBound() const;

    // Serialises every attach of the process.
    std::mutex& AttachLock() { return attachLock_; }

    // The names resolved, in order (required ones stop the binding when
    // missing, optional ones do not).
    static const std::vector<std::string>& RequiredNames();
    static const std::vector<std::string>& OptionalNames();

private:
    TIB_ClientLibrary() = default;
    void Unload() noexcept;

    std::atomic<int> refCount_{-1};
    void* handle_ = nullptr;
    std::string loadedName_;
    std::mutex attachLock_;
    std::recursive_mutex bindLock_;
};

// The reference every component holds (RAII).
class TIB_ClientRef {
public:
    explicit TIB_ClientRef(bool raise = false) { TIB_ClientLibrary::Instance().ReserveRef(raise); }
    ~TIB_ClientRef() { TIB_ClientLibrary::Instance().ReleaseRef(); }
    TIB_ClientRef(const TIB_ClientRef&) : TIB_ClientRef(false) {}
    TIB_ClientRef& operator=(const TIB_ClientRef&) { return *this; }
};

// The binding's operations under their established names.
void ReserveSessionHookRef();
void ReleaseSessionHookRef();
void AcquireOriginalHooks();
void RevertToOriginalHooks();

} // namespace varnel::db
