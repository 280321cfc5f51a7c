#pragma once
// The session every data-access component belongs to: the API status
// vector and error codes, the error report, and the hooks through which
// the core reaches the user interface. One default session per thread,
// created on first use and freed when its last holder lets it go; a
// program that installs hooks keeps a reference to it (Default()) for as
// long as the hooks are to stay.
#include "db/IB_Error.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::db {

class TIB_Component;
class TIB_Connection;
class TIB_Statement;

enum class TIB_CallbackStatus { csInit, csRefresh, csFinal };

// An XSQLDA owned by the session or a row: grows (freed and allocated
// anew, larger), never shrinks. The bytes are laid out by ibase.h inside
// src/db; other folders only pass the area on.
class TIB_DescriptorArea {
public:
    explicit TIB_DescriptorArea(int capacity = 0);
    // Makes room for n variables (keeping nothing) and returns the area.
    void* Ensure(int n);
    void* Data() const { return data_.get(); }
    int Capacity() const { return capacity_; }

private:
    std::unique_ptr<unsigned char[]> data_;
    int capacity_ = 0;
};

class TIB_Session {
public:
    // The calling thread's default session, named "DefaultSession".
    static std::shared_ptr<TIB_Session> Default();

    TIB_Session();
    ~TIB_Session();
    TIB_Session(const TIB_Session&) = delete;
    TIB_Session& operator=(const TIB_Session&) = delete;

    const std::string& Name() const { return name_; }

    // --- status of the last API call -----------------------------------
    static constexpr int kStatusLength = 20;
    // Passed as the first argument of every API call.
    std::intptr_t* StatusVector() { return status_; }
    const std::intptr_t* StatusVector() const { return status_; }
    // Result of the last failed call (0 = success; -1 = no client library).
    long ERRCODE() const { return errcode_; }
    void SetERRCODE(long code) { errcode_ = code; }
    // Computed from the status vector when an error is reported.
    long SQLCODE() const { return sqlcode_; }

    // Turns the status vector and ERRCODE into an exception: EIB_Error
    // "InterBase Client GDS32.DLL is not installed" without a client
    // library, else EIB_ISCError after the error events of the sender and
    // the session (any of which may cancel it). Returns only when
    // cancelled, or for a warning (ERRCODE 0).
    void HandleException(TIB_Component* sender);
    TIB_ErrorEvent OnError;

    // --- hooks the programs install ---------------------------------------
    // The application's error display. EIB_Abort is never passed to it.
    std::function<void(const std::exception&)> OnShowException;
    // The login prompt; returns true for OK, false for Cancel. Without it
    // a connection attaches once without prompting.
    std::function<bool(TIB_Connection&)> OnLoginPrompt;
    // Lets the user interface process pending messages.
    std::function<void()> OnProcessMessages;
    // Fetch progress of a dataset's multi-row fetch (sender, status, rows
    // fetched so far); setting abort stops the fetch loop.
    std::function<void(TIB_Statement& sender, TIB_CallbackStatus status, long rows, bool& abort)> OnFetchProgress;
    // Millisecond clock (steady); tests inject their own.
    std::function<std::int64_t()> Clock;

    std::int64_t TickCount() const;
    void ShowException(const std::exception& e) const;
    void ProcessMessages() const;

    // --- busy operations ---------------------------------------------------
    void BeginBusy() { ++busy_; }
    void EndBusy() { if (busy_ > 0) --busy_; }
    int BusyLevel() const { return busy_; }

    // --- members -----------------------------------------------------------
    const std::vector<TIB_Connection*>& Connections() const { return connections_; }
    // The connection whose DatabaseName equals `name` ignoring case.
    TIB_Connection* FindConnection(std::string_view name) const;
    // Grows with every cursor name built.
    long NextCursorNumber() { return ++cursorCounter_; }

    // The descriptor areas all statements of the session prepare with:
    // 5 input and 30 output variables at first.
    TIB_DescriptorArea& InputArea() { return inputArea_; }
    TIB_DescriptorArea& OutputArea() { return outputArea_; }

private:
    friend class TIB_Connection;
    void AddConnection(TIB_Connection* c);
    void RemoveConnection(TIB_Connection* c);

    std::string name_ = "DefaultSession";
    std::intptr_t status_[kStatusLength] = {};
    long errcode_ = 0;
    long sqlcode_ = 0;
    int busy_ = 0;
    long cursorCounter_ = 0;
    std::vector<TIB_Connection*> connections_;
    TIB_DescriptorArea inputArea_;
    TIB_DescriptorArea outputArea_;
};

// Scoped busy operation of a session.
class TIB_BusyScope {
public:
    explicit TIB_BusyScope(TIB_Session& s) : s_(s) { s_.BeginBusy(); }
    ~TIB_BusyScope() { s_.EndBusy(); }
    TIB_BusyScope(const TIB_BusyScope&) = delete;
    TIB_BusyScope& operator=(const TIB_BusyScope&) = delete;

private:
    TIB_Session& s_;
};

} // namespace varnel::db
