#include "db/IB_Transaction.h"

#include "db/IB_Api.h"
#include "db/IB_Connection.h"
#include "db/IB_Statement.h"

#include <algorithm>
#include <chrono>

namespace varnel::db {

using TS = TIB_TransactionState;

std::vector<std::uint8_t> BuildTPB(const TIB_TPBOptions& o)
{
    std::vector<std::uint8_t> tpb;
    tpb.push_back(isc_tpb_version3);
    tpb.push_back(o.ReadOnly ? isc_tpb_read : isc_tpb_write);
    switch (o.Isolation) {
    case TIB_Isolation::tiConcurrency: tpb.push_back(isc_tpb_concurrency); break;
    case TIB_Isolation::tiConsistency: tpb.push_back(isc_tpb_consistency); break;
    case TIB_Isolation::tiCommitted:
        tpb.push_back(isc_tpb_read_committed);
        tpb.push_back(o.RecVersion ? isc_tpb_rec_version : isc_tpb_no_rec_version);
        break;
    }
    tpb.push_back(o.LockWait ? isc_tpb_wait : isc_tpb_nowait);
    if (o.ServerAutoCommit)
        tpb.push_back(isc_tpb_autocommit);
    return tpb;
}

namespace {

// One transaction-existence block of isc_start_multiple.
struct TransactionExistenceBlock {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
};

// Clears a flag on every way out.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

TIB_Transaction::TIB_Transaction(std::shared_ptr<TIB_Session> session) : TIB_Component(std::move(session)) {}

TIB_Transaction::~TIB_Transaction()
{
    SetDestroying();
    try {
        Close();
    } catch (...) {
    }
    if (handle_ != 0) {
        ServerRollback();
    }
    for (TIB_Statement* s : std::vector<TIB_Statement*>(statements_))
        s->SysTransactionGone();
    for (TIB_Connection* c : std::vector<TIB_Connection*>(connections_))
        c->RemoveTransaction(this);
    users_.clear();
}

void TIB_Transaction::SetIB_Connection(TIB_Connection* c)
{
    if (IB_Connection() == c)
        return;
    if (TIB_Connection* old = IB_Connection()) {
        old->RemoveTransaction(this);
        connections_.erase(connections_.begin());
    }
    if (c) {
        connections_.insert(connections_.begin(), c);
        c->AddTransaction(this);
    }
}

void TIB_Transaction::AddConnection(TIB_Connection* c)
{
    if (!c || std::find(connections_.begin(), connections_.end(), c) != connections_.end())
        return;
    connections_.push_back(c);
    c->AddTransaction(this);
}

void TIB_Transaction::RemoveConnection(TIB_Connection* c)
{
    auto it = std::find(connections_.begin(), connections_.end(), c);
    if (it == connections_.end())
        return;
    connections_.erase(it);
    c->RemoveTransaction(this);
}

void TIB_Transaction::CheckNotStarted(const char* message) const
{
    if (Started())
        throw EIB_TransactionError(message);
}

void TIB_Transaction::SetServerAutoCommit(bool v) { serverAutoCommit_ = v; }

void TIB_Transaction::SetIsolation(TIB_Isolation v)
{
    CheckNotStarted("Cannot change Isolation when started");
    isolation_ = v;
}

void TIB_Transaction::SetReadOnly(bool v)
{
    CheckNotStarted("Cannot change ReadOnly when started");
    readOnly_ = v;
}

void TIB_Transaction::SetRecVersion(bool v)
{
    CheckNotStarted("Cannot change RecVersion when started");
    recVersion_ = v;
}

void TIB_Transaction::SetLockWait(bool v)
{
    CheckNotStarted("Cannot change LockWait when started");
    lockWait_ = v;
}

TIB_TPBOptions TIB_Transaction::TPBOptions() const
{
    TIB_TPBOptions o;
    o.ReadOnly = readOnly_;
    o.Isolation = isolation_;
    o.RecVersion = recVersion_;
    o.LockWait = lockWait_;
    o.ServerAutoCommit = serverAutoCommit_;
    return o;
}

void TIB_Transaction::Fire(const std::function<void(TIB_Transaction&)>& e)
{
    if (e && !Destroying())
        e(*this);
}

void TIB_Transaction::SetStarted(bool v)
{
    if (v)
        StartOnDemand();
    else
        Close();
}

bool TIB_Transaction::TransactionIsActive() const
{
    if (postPending_ > 0)
        return true;
    switch (state_) {
    case TS::tsActivePending:
    case TS::tsActive:
    case TS::tsSavePointPending:
    case TS::tsCommitRetainingPending:
    case TS::tsCommitPending:
    case TS::tsCommitRefreshPending:
    case TS::tsRollbackRetainingPending:
    case TS::tsRollbackPending:
    case TS::tsRollbackRefreshPending: return true;
    default: return false;
    }
}

std::int64_t TIB_Transaction::ActiveMilliseconds() const
{
    return Started() ? Session().TickCount() - startTick_ : 0;
}

bool TIB_Transaction::SavePointWouldEnd() const
{
    if (!Started() || openCursors_ > 0 || isolation_ != TIB_Isolation::tiCommitted || explicit_)
        return false;
    // Active longer than AllowCheckOAT / 88400 days.
    return ActiveMilliseconds() * 88400 > static_cast<std::int64_t>(timeoutProps_.AllowCheckOAT) * 86400000;
}

void TIB_Transaction::RecomputeState() { state_ = postPending_ > 0 ? TS::tsActivePending : TS::tsInactive; }

void TIB_Transaction::StartTransaction()
{
    if (explicit_)
        throw EIB_TransactionError("Transaction has already been started");
    if (serverAutoCommit_)
        throw EIB_TransactionError("Explicit trans. not allowed with ServerAutoCommit");
    explicit_ = true;
}

void TIB_Transaction::StartOnDemand()
{
    if (!Started())
        DoStart();
}

void TIB_Transaction::DoStart()
{
    const TS previous = state_;
    if (state_ == TS::tsNone)
        state_ = TS::tsInactivePending;
    try {
        Fire(BeforeStart);
        for (TIB_Connection* c : std::vector<TIB_Connection*>(connections_)) {
            auto cs = c->ConnectionStatus();
            if (cs != TIB_ConnectionStatus::csDisconnectPending && cs != TIB_ConnectionStatus::csDropPending)
                c->SetConnected(true);
        }
        if (connections_.empty())
            throw EIB_TransactionError("Transaction has no connections");
        bool readOnly = readOnly_;
        for (TIB_Connection* c : connections_) {
            c->SetConnected(true);
            if (c->Connected() && c->Characteristics().ReadOnly)
                readOnly = true;
        }
        for (TIB_Connection* c : connections_)
            if (!c->Connected())
                throw EIB_TransactionError("Transaction has no connections");

        TIB_TPBOptions o = TPBOptions();
        o.ReadOnly = readOnly;
        std::vector<std::uint8_t> shared = BuildTPB(o);
        if (connections_.size() > 1 && OnCustomizeTPB)
            OnCustomizeTPB(*this, nullptr, shared);
        std::vector<std::vector<std::uint8_t>> tpbs;
        std::vector<TransactionExistenceBlock> blocks;
        tpbs.reserve(connections_.size());
        for (TIB_Connection* c : connections_) {
            tpbs.push_back(shared);
            if (OnCustomizeTPB)
                OnCustomizeTPB(*this, c, tpbs.back());
        }
        for (size_t i = 0; i < connections_.size(); ++i)
            blocks.push_back({connections_[i]->DbHandlePtr(), static_cast<int>(tpbs[i].size()),
                              reinterpret_cast<const char*>(tpbs[i].data())});

        const auto& api = detail::Api();
        ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
        // Retried for up to 2000 ms (real time, not the session's clock,
        // which tests may hold still).
        const auto first = std::chrono::steady_clock::now();
        long rc;
        for (;;) {
            handle_ = 0;
            rc = api.dll_start_multiple(st, &handle_, static_cast<short>(blocks.size()), blocks.data());
            if (rc != isc_code_lost_db_connection ||
                std::chrono::steady_clock::now() - first >= std::chrono::milliseconds(2000))
                break;
        }
        if (rc != 0) {
            handle_ = 0;
            ReportAPIError(rc);
            state_ = previous;
            return;
        }
    } catch (...) {
        state_ = previous;
        throw;
    }
    startTick_ = Session().TickCount();
    lost_ = false;
    if (state_ == TS::tsInactivePending || state_ == TS::tsNone)
        RecomputeState();
    Fire(AfterStart);
}

void TIB_Transaction::ServerCommitRetaining()
{
    if (!Started())
        return;
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = detail::Api().dll_commit_retaining(st, &handle_);
    if (rc != 0)
        ReportAPIError(rc);
}

void TIB_Transaction::ServerCommit()
{
    if (!Started())
        return;
    // Cursors of plain statements end with the transaction.
    for (TIB_Statement* s : std::vector<TIB_Statement*>(statements_))
        if (s->CursorIsOpen())
            s->CloseCursorQuietly();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = detail::Api().dll_commit_transaction(st, &handle_);
    if (rc == 0) {
        handle_ = 0;
        return;
    }
    if (StatusShowsLostConnection() || StatusShowsLostTransaction()) {
        ReportAPIError(rc);
        return;
    }
    for (TIB_Connection* c : connections_)
        c->FlushSchemaCache();
    rc = detail::Api().dll_commit_transaction(st, &handle_);
    if (rc == 0) {
        handle_ = 0;
        return;
    }
    idleCommitDisabled_ = true;
    ReportAPIError(rc);
}

void TIB_Transaction::ServerRollback() noexcept
{
    if (!Started())
        return;
    for (TIB_Statement* s : std::vector<TIB_Statement*>(statements_))
        if (s->CursorIsOpen())
            s->CloseCursorQuietly();
    bool lost = lost_;
    for (TIB_Connection* c : connections_)
        if (c->ConnectionWasLost() || !c->Connected())
            lost = true;
    if (!lost && detail::Api().dll_rollback_transaction) {
        ISC_STATUS_ARRAY st = {};
        detail::Api().dll_rollback_transaction(st, &handle_);
    }
    handle_ = 0;
}

void TIB_Transaction::SavePoint()
{
    const TS previous = state_;
    state_ = TS::tsSavePointPending;
    bool ended = false;
    try {
        Fire(BeforeSavePoint);
        if (Started()) {
            if (SavePointWouldEnd()) {
                ServerCommit();
                ended = true;
            } else {
                ServerCommitRetaining();
            }
        }
    } catch (...) {
        state_ = previous;
        throw;
    }
    RecomputeState();
    Fire(AfterSavePoint);
    if (ended)
        Fire(AfterEnd);
}

void TIB_Transaction::Activate()
{
    switch (state_) {
    case TS::tsSavePointPending:
    case TS::tsCommitRetainingPending:
    case TS::tsCommitPending:
    case TS::tsCommitRefreshPending:
    case TS::tsRollbackRetainingPending:
    case TS::tsRollbackPending:
    case TS::tsRollbackRefreshPending: return;
    case TS::tsInactivePending:
    case TS::tsLosePointPending: throw EIB_TransactionError("Invalid transaction state. Cannot activate");
    default: break;
    }
    if (AutoCommit() && !explicit_)
        SavePoint();
    else
        state_ = TS::tsActive;
}

void TIB_Transaction::PostPending()
{
    bool failed = false;
    for (TIB_TransactionUser* u : std::vector<TIB_TransactionUser*>(users_)) {
        if (!u->NeedToPost())
            continue;
        try {
            u->PostForTransaction();
        } catch (const std::exception& e) {
            Session().ShowException(e);
            failed = true;
        }
        if (u->NeedToPost())
            failed = true;
    }
    if (failed)
        throw EIB_TransactionError("Failed to post all datasets");
}

void TIB_Transaction::PostAll()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    PostPending();
}

void TIB_Transaction::CancelAll()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    for (TIB_TransactionUser* u : std::vector<TIB_TransactionUser*>(users_)) {
        try {
            if (u->NeedToPost())
                u->CancelForTransaction();
        } catch (const std::exception& e) {
            Session().ShowException(e);
        }
    }
}

void TIB_Transaction::EndDatasets(bool commit, bool closing)
{
    for (TIB_TransactionUser* u : std::vector<TIB_TransactionUser*>(users_)) {
        try {
            if (!commit && u->NeedToPost())
                u->CancelForTransaction();
            u->EndOfTransaction(commit, closing);
        } catch (const std::exception& e) {
            Session().ShowException(e);
        }
    }
}

void TIB_Transaction::AfterEndDatasets(bool commit)
{
    for (TIB_TransactionUser* u : std::vector<TIB_TransactionUser*>(users_)) {
        try {
            u->AfterEndOfTransaction(commit);
        } catch (const std::exception& e) {
            Session().ShowException(e);
        }
    }
}

void TIB_Transaction::Commit()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    DoCommit(closing_);
}

void TIB_Transaction::DoCommit(bool closing)
{
    const TS previous = state_;
    state_ = TS::tsCommitPending;
    try {
        Fire(BeforeEnd);
        Fire(BeforeCommit);
        PostPending();
        EndDatasets(true, closing);
        ServerCommit();
    } catch (...) {
        state_ = previous == TS::tsNone ? TS::tsNone : previous;
        throw;
    }
    AfterEndDatasets(true);
    RecomputeState();
    explicit_ = false;
    Fire(AfterCommit);
    Fire(AfterEnd);
}

void TIB_Transaction::CommitRetaining()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    const TS previous = state_;
    state_ = TS::tsCommitRetainingPending;
    try {
        Fire(BeforeCommitRetaining);
        PostPending();
        ServerCommitRetaining();
    } catch (...) {
        state_ = previous;
        throw;
    }
    RecomputeState();
    explicit_ = false;
    Fire(AfterCommitRetaining);
}

void TIB_Transaction::Rollback()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    DoRollback(closing_);
}

void TIB_Transaction::DoRollback(bool closing)
{
    state_ = TS::tsRollbackPending;
    try {
        Fire(BeforeEnd);
        Fire(BeforeRollback);
    } catch (...) {
        RecomputeState();
        throw;
    }
    EndDatasets(false, closing);
    ServerRollback();
    AfterEndDatasets(false);
    RecomputeState();
    explicit_ = false;
    Fire(AfterRollback);
    Fire(AfterEnd);
}

void TIB_Transaction::RollbackRetaining()
{
    if (!HasPendingWork())
        return;
    TIB_BusyScope busy(Session());
    const auto& api = detail::Api();
    if (!api.dll_rollback_retaining || lost_) {
        DoRollback(false);
        return;
    }
    state_ = TS::tsRollbackRetainingPending;
    for (TIB_TransactionUser* u : std::vector<TIB_TransactionUser*>(users_)) {
        try {
            if (u->NeedToPost())
                u->CancelForTransaction();
        } catch (const std::exception& e) {
            Session().ShowException(e);
        }
    }
    if (Started()) {
        ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
        long rc = api.dll_rollback_retaining(st, &handle_);
        if (rc != 0) {
            RecomputeState();
            ReportAPIError(rc);
        }
    }
    RecomputeState();
    explicit_ = false;
}

void TIB_Transaction::Close()
{
    if (closing_)
        return;
    FlagScope scope(closing_);
    bool lost = lost_;
    for (TIB_Connection* c : connections_)
        if (c->ConnectionWasLost())
            lost = true;
    try {
        if (AutoCommit() && !lost && !explicit_) {
            try {
                Commit();
            } catch (...) {
                if (Started() || postPending_ > 0)
                    DoRollback(true);
                else
                    throw;
            }
        } else {
            Rollback();
        }
    } catch (...) {
        explicit_ = false;
        if (!Destroying())
            throw;
    }
    explicit_ = false;
}

void TIB_Transaction::RegisterUser(TIB_TransactionUser* u)
{
    if (u && std::find(users_.begin(), users_.end(), u) == users_.end())
        users_.push_back(u);
}

void TIB_Transaction::UnregisterUser(TIB_TransactionUser* u) { std::erase(users_, u); }

void TIB_Transaction::AdjustPostPending(int delta)
{
    postPending_ = std::max(0, postPending_ + delta);
    if (state_ == TS::tsInactive || state_ == TS::tsActivePending)
        RecomputeState();
}

void TIB_Transaction::AdjustOpenCursors(int delta) { openCursors_ = std::max(0, openCursors_ + delta); }

void TIB_Transaction::AddStatement(TIB_Statement* s)
{
    if (std::find(statements_.begin(), statements_.end(), s) == statements_.end())
        statements_.push_back(s);
}

void TIB_Transaction::RemoveStatement(TIB_Statement* s) { std::erase(statements_, s); }

void TIB_Transaction::SysConnectionLost()
{
    lost_ = true;
    for (TIB_Connection* c : connections_)
        c->MarkLost();
}

} // namespace varnel::db
