#pragma once
// Base of every data-access component: a reference on the client library
// for its lifetime, the session it belongs to, its name and owner chain
// (for error reports), its error event, and the reporting of failed API
// calls. Components are not copyable; the window (or test) that creates
// one owns it.
#include "db/IB_Client.h"
#include "db/IB_Error.h"
#include "db/IB_Session.h"

#include <memory>
#include <string>

namespace varnel::db {

// A named owner outside the layer (the main window, the application). A
// component without a name appears as "<" + class name + ">" in paths.
struct TIB_Owner {
    std::string Name;
    std::string ClassName;
    const TIB_Owner* Owner = nullptr;
};

class TIB_Component {
public:
    // Without a session the component joins the thread's default session.
    explicit TIB_Component(std::shared_ptr<TIB_Session> session = nullptr);
    virtual ~TIB_Component();
    TIB_Component(const TIB_Component&) = delete;
    TIB_Component& operator=(const TIB_Component&) = delete;

    TIB_Session& Session() const { return *session_; }
    const std::shared_ptr<TIB_Session>& SessionPtr() const { return session_; }

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    const TIB_Owner* Owner() const { return owner_; }
    void SetOwner(const TIB_Owner* owner) { owner_ = owner; }
    virtual std::string ClassName() const { return "TIB_Component"; }
    // From the outermost owner inwards, each name followed by "."; a
    // nameless one as "<" + class + ">.". Ends with this component.
    std::string ComponentPath() const;

    // Error event of this component (see TIB_ErrorEvent).
    TIB_ErrorEvent OnError;

    // True once the destructor of the most derived class has begun.
    bool Destroying() const { return destroying_; }

protected:
    void SetDestroying() { destroying_ = true; }
    // Reports a failed API call whose result is rc and whose status is in
    // the session's vector: marks lost connections, then raises through
    // the session unless an error event cancels it.
    void ReportAPIError(long rc);
    // True when the session's status vector holds one of the lost codes.
    bool StatusShowsLostConnection() const;
    bool StatusShowsLostTransaction() const;
    // Called by ReportAPIError when the status shows a lost connection.
    virtual void SysConnectionLost() {}

    // The error events for a report about this component; the default
    // runs OnError. A statement adds its SQL and STATEMENT block and runs
    // its transaction's and connection's events too.
    virtual void SysErrorEvents(TIB_ErrorInfo& info, bool& raise);
    friend class TIB_Session;

    // Runs this component's OnError on the report.
    void RunOnError(TIB_ErrorInfo& info, bool& raise);

private:
    TIB_ClientRef clientRef_;
    std::shared_ptr<TIB_Session> session_;
    std::string name_;
    const TIB_Owner* owner_ = nullptr;
    bool destroying_ = false;
};

} // namespace varnel::db
