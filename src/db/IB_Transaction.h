#pragma once
// TIB_Transaction: one server transaction over one or more connections.
// It starts on demand when a statement needs it, commits a change right
// after it executed when AutoCommit is on (Activate), ends with a hard
// commit or rollback, and is closed by its connection before a detach.
// Datasets register with it (TIB_TransactionUser) so that pending edits
// are posted or cancelled and the datasets closed when it ends.
#include "db/IB_Component.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace varnel::db {

class TIB_Connection;
class TIB_Statement;

enum class TIB_Isolation { tiConcurrency, tiConsistency, tiCommitted };

enum class TIB_TransactionState {
    tsNone,
    tsInactivePending,
    tsInactive,
    tsActivePending,
    tsActive,
    tsSavePointPending,
    tsLosePointPending,
    tsCommitRetainingPending,
    tsCommitPending,
    tsCommitRefreshPending,
    tsRollbackRetainingPending,
    tsRollbackPending,
    tsRollbackRefreshPending
};

struct TIB_TPBOptions {
    bool ReadOnly = false;
    TIB_Isolation Isolation = TIB_Isolation::tiConcurrency;
    bool RecVersion = true;
    bool LockWait = false;
    bool ServerAutoCommit = false;
};

// Builds the TPB: 3 (version 3); 8 read / 9 write; 2 concurrency,
// 1 consistency, 15 read committed (then 17 rec version / 18 no rec
// version); 6 wait / 7 nowait; 16 with server autocommit.
std::vector<std::uint8_t> BuildTPB(const TIB_TPBOptions& options);

// Idle-transaction settings; times in seconds, turned into days by
// dividing by 88400.
struct TIB_TimeoutProps {
    int AllowCheckOAT = 120;
    int Attempt = 1200;
    int AttemptMaxRows = 5000;
    int AttemptTicks = 150;
    int AttemptRetry = 5;
    int PromptUser = 0;
    int PromptUserDuration = 15;
    int PromptUserRetry = 60;
    int ForceClosed = 0;
};

// What the dataset layer implements so that a transaction can finish the
// datasets of its statements. Register with RegisterUser; unregister
// before the object goes.
class TIB_TransactionUser {
public:
    virtual ~TIB_TransactionUser() = default;
    // An edit is pending (dssEdit, dssInsert or dssDelete).
    virtual bool NeedToPost() const = 0;
    // Posts the pending edit; raises when it cannot.
    virtual void PostForTransaction() = 0;
    // Cancels the pending edit (old values back, nothing sent).
    virtual void CancelForTransaction() = 0;
    // Before a hard commit (commit true) or rollback: a unidirectional
    // dataset, or any dataset when `closing`, is closed; otherwise its
    // CommitAction decides (caClose: close an open cursor or buffer).
    virtual void EndOfTransaction(bool commit, bool closing) = 0;
    // After the server transaction ended.
    virtual void AfterEndOfTransaction(bool commit) {}
};

class TIB_Transaction : public TIB_Component {
public:
    explicit TIB_Transaction(std::shared_ptr<TIB_Session> session = nullptr);
    ~TIB_Transaction() override;
    std::string ClassName() const override { return "TIB_Transaction"; }

    // --- connections ------------------------------------------------------
    // The first connection; assigning links the transaction into the
    // connection's transaction list.
    TIB_Connection* IB_Connection() const { return connections_.empty() ? nullptr : connections_.front(); }
    void SetIB_Connection(TIB_Connection* c);
    void AddConnection(TIB_Connection* c);
    void RemoveConnection(TIB_Connection* c);
    const std::vector<TIB_Connection*>& Connections() const { return connections_; }

    // --- settings -----------------------------------------------------------
    // Reads true also with ServerAutoCommit.
    bool AutoCommit() const { return autoCommit_ || serverAutoCommit_; }
    void SetAutoCommit(bool v) { autoCommit_ = v; }
    bool ServerAutoCommit() const { return serverAutoCommit_; }
    void SetServerAutoCommit(bool v);
    TIB_Isolation Isolation() const { return isolation_; }
    void SetIsolation(TIB_Isolation v);   // "Cannot change Isolation when started"
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);             // "Cannot change ReadOnly when started"
    bool RecVersion() const { return recVersion_; }
    void SetRecVersion(bool v);           // "Cannot change RecVersion when started"
    bool LockWait() const { return lockWait_; }
    void SetLockWait(bool v);             // "Cannot change LockWait when started"
    TIB_TimeoutProps& TimeoutProps() { return timeoutProps_; }
    // The TPB options of the next start.
    TIB_TPBOptions TPBOptions() const;

    // --- state ------------------------------------------------------------------
    TIB_TransactionState TransactionState() const { return state_; }
    bool Started() const { return handle_ != 0; }
    void SetStarted(bool v);
    bool TransactionIsActive() const;
    bool IsExplicit() const { return explicit_; }
    bool TransactionWasLost() const { return lost_; }
    // Milliseconds since the server transaction started (session clock).
    std::int64_t ActiveMilliseconds() const;
    // True when the save point would commit hard: read-committed, not
    // explicit, no open cursor and active longer than AllowCheckOAT.
    bool SavePointWouldEnd() const;

    // --- operations ---------------------------------------------------------------
    // Marks the transaction explicit; the server transaction still starts
    // on demand. "Transaction has already been started" /
    // "Explicit trans. not allowed with ServerAutoCommit".
    void StartTransaction();
    void Commit();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();
    // Commit when auto-committing (and not lost, not explicit), else roll
    // back; see the implementation for the failure rules.
    void Close();
    // Posts every registered dataset that needs it ("Failed to post all
    // datasets"); cancels them all.
    void PostAll();
    void CancelAll();
    // Commit of the changes so far keeping the context: commit retaining,
    // or a hard commit when read-committed with no open cursor and older
    // than AllowCheckOAT.
    void SavePoint();
    // Called after a data-changing statement executed: with AutoCommit (not
    // explicit) a save point at once, else the state becomes tsActive.
    void Activate();
    // Starts the server transaction if not started (statements call it).
    void StartOnDemand();

    // --- datasets -------------------------------------------------------------------
    void RegisterUser(TIB_TransactionUser* u);
    void UnregisterUser(TIB_TransactionUser* u);
    int PostPendingCount() const { return postPending_; }
    // Datasets add 1 entering and subtract 1 leaving their edit states.
    void AdjustPostPending(int delta);
    int OpenCursorCount() const { return openCursors_; }
    void AdjustOpenCursors(int delta);
    const std::vector<TIB_Statement*>& Statements() const { return statements_; }

    // --- events ---------------------------------------------------------------------
    std::function<void(TIB_Transaction&)> BeforeStart, AfterStart, BeforeCommit, AfterCommit,
        BeforeCommitRetaining, AfterCommitRetaining, BeforeSavePoint, AfterSavePoint, BeforeRollback,
        AfterRollback, BeforeEnd, AfterEnd;
    // Called with the shared buffer (connection null) when there is more
    // than one connection, then once per connection with its copy.
    std::function<void(TIB_Transaction&, TIB_Connection*, std::vector<std::uint8_t>&)> OnCustomizeTPB;

protected:
    void SysConnectionLost() override;

private:
    friend class TIB_Connection;
    friend class TIB_Statement;
    friend class TIB_Row;
    friend class TIB_Column;
    friend class TIB_ColumnBlob;

    std::uint32_t* HandlePtr() { return &handle_; }
    void CheckNotStarted(const char* message) const;
    void Fire(const std::function<void(TIB_Transaction&)>& e);
    void RecomputeState();
    bool HasPendingWork() const { return Started() || explicit_ || postPending_ > 0; }
    void DoStart();
    void DoCommit(bool closing);
    void DoRollback(bool closing);
    void DoCommitRetaining(TIB_TransactionState pendingState);
    void PostPending();
    void EndDatasets(bool commit, bool closing);
    void AfterEndDatasets(bool commit);
    void ServerCommitRetaining();
    void ServerCommit();
    void ServerRollback() noexcept;
    void AddStatement(TIB_Statement* s);
    void RemoveStatement(TIB_Statement* s);

    std::vector<TIB_Connection*> connections_;
    std::vector<TIB_Statement*> statements_;
    std::vector<TIB_TransactionUser*> users_;
    bool autoCommit_ = false;
    bool serverAutoCommit_ = false;
    TIB_Isolation isolation_ = TIB_Isolation::tiConcurrency;
    bool readOnly_ = false;
    bool recVersion_ = true;
    bool lockWait_ = false;
    TIB_TimeoutProps timeoutProps_;

    std::uint32_t handle_ = 0;
    TIB_TransactionState state_ = TIB_TransactionState::tsNone;
    bool explicit_ = false;
    bool lost_ = false;
    bool closing_ = false;
    bool idleCommitDisabled_ = false;
    int postPending_ = 0;
    int openCursors_ = 0;
    std::int64_t startTick_ = 0;
};

} // namespace varnel::db
