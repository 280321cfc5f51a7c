#include "dataset/IB_BDataset.h"

#include "db/IB_Connection.h"
#include "db/IB_Transaction.h"

#include <climits>
#include <cstring>

namespace varnel::db {

namespace {

TIB_StringList SplitFieldList(const std::string& text)
{
    TIB_StringList r;
    std::string cur;
    auto flush = [&] {
        std::string t = Trim(cur);
        if (!t.empty())
            r.push_back(t);
        cur.clear();
    };
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ',' || c == ';' || c == '\r' || c == '\n')) {
            flush();
            continue;
        }
        cur += c;
    }
    flush();
    return r;
}

bool IsTextColumn(const TIB_Column& c)
{
    const int t = c.DataType();
    return t == SQLTYPE_TEXT || t == SQLTYPE_VARYING || (t == SQLTYPE_BLOB && c.SQLSubType() == 1);
}

bool Matches(const TIB_Column& c, const std::optional<std::string>& value, TIB_LocateOptions options)
{
    if (!value)
        return c.IsNull();
    if (c.IsNull())
        return false;
    if (!IsTextColumn(c))
        return Trim(c.AsString()) == Trim(*value);
    std::string have = c.AsString();
    std::string want = *value;
    if (options.Has(TIB_LocateOption::lopCaseInsensitive)) {
        have = UpperCase(have);
        want = UpperCase(want);
    }
    if (options.Has(TIB_LocateOption::lopPartialKey))
        return have.compare(0, want.size(), want) == 0;
    return have == want;
}

} // namespace

TIB_BDataset::TIB_BDataset(std::shared_ptr<TIB_Session> session)
    : TIB_Dataset(std::move(session)), fetchRow_(TIB_RowKind::rkOutput, this),
      bufferRow_(TIB_RowKind::rkOutput, this), scanRow_(TIB_RowKind::rkOutput, this)
{
}

TIB_BDataset::~TIB_BDataset() { SetDestroying(); }

// --- prepare ---------------------------------------------------------------------

void TIB_BDataset::SysPrepared()
{
    TIB_Dataset::SysPrepared();
    BuildLikeFields(fetchRow_);
    BuildLikeFields(bufferRow_);
    BuildLikeFields(scanRow_);
    nullRecord_.assign(fetchRow_.CurrentBuffer(), fetchRow_.CurrentBuffer() + fetchRow_.RecordSize());
    // The server leaves the indicator of a column it describes as not
    // nullable alone: that column must read non-null in the fetch row.
    fetchRow_.BlankValues();
    nodes_.Reset(Fields().RecordSize());
    complete_ = true;
    fetched_ = 0;
}

void TIB_BDataset::SysUnprepared()
{
    nodes_.Reset(0);
    fetchRow_.Reset();
    bufferRow_.Reset();
    scanRow_.Reset();
    nullRecord_.clear();
    complete_ = true;
    fetched_ = 0;
    TIB_Dataset::SysUnprepared();
}

// --- open / close ------------------------------------------------------------------

void TIB_BDataset::SysExecSelect()
{
    if (Active())
        throw EIB_Error("Dataset is currently open");
    SysOpenCursor();
    nodes_.Reset(Fields().RecordSize());
    complete_ = false;
    fetched_ = 0;
    firstFetchTick_ = -1;
    LoadCurrent();
    LoadRecordInto(bufferRow_, 0);
    SetState(TIB_DatasetState::dssBrowse);
}

void TIB_BDataset::SysCloseCursor()
{
    TIB_Statement::SysCloseCursor();
    complete_ = true;
}

void TIB_BDataset::CloseCursorNoThrow()
{
    try {
        SysCloseCursor();
    } catch (...) {
        complete_ = true;
    }
}

void TIB_BDataset::ExecuteAndFill()
{
    Execute();
    NotifyBufferChanged(0);
}

void TIB_BDataset::Open()
{
    if (Active())
        return;
    TIB_BusyScope busy(Session());
    WithControlsDisabled([&] {
        RunEvent(BeforeOpen);
        ExecuteAndFill();
        if (autoFetchFirst_ && nodes_.CurrentRowNum() == 0)
            MoveTo(1);
        RegisterWithTransaction();
        RunEvent(AfterOpen);
        NotifyDataChange(nullptr);
    });
}

bool TIB_BDataset::TransactionRollingBack() const
{
    TIB_Transaction* t = UserTransaction();
    if (!t)
        return false;
    auto s = t->TransactionState();
    return s == TIB_TransactionState::tsRollbackPending || s == TIB_TransactionState::tsRollbackRetainingPending ||
           s == TIB_TransactionState::tsRollbackRefreshPending;
}

void TIB_BDataset::Close()
{
    if (!Active())
        return;
    WithControlsDisabled([&] {
        RunEvent(BeforeClose);
        SysCloseDataset(false);
        RunEvent(AfterClose);
    });
}

void TIB_BDataset::SysCloseDataset(bool cancelEdit)
{
    if (!Active())
        return;
    if (NeedToPost()) {
        if (cancelEdit || Destroying() || TransactionRollingBack())
            InternalCancel();
        else
            SysPost(false);
    }
    nodes_.Reset(Fields().RecordSize());
    fetched_ = 0;
    LoadCurrent();
    if (bufferRow_.RecordSize())
        LoadRecordInto(bufferRow_, 0);
    Fields().ClearBlobCache();
    bufferRow_.ClearBlobCache();
    fetchRow_.ClearBlobCache();
    scanRow_.ClearBlobCache();
    SetState(TIB_DatasetState::dssPrepared);
    CloseCursorNoThrow();
    NotifyBufferChanged(0);
    NotifyDataChange(nullptr);
}

void TIB_BDataset::SysReopen()
{
    TIB_BusyScope busy(Session());
    WithControlsDisabled([&] {
        SysCloseDataset(false);
        ExecuteAndFill();
        if (autoFetchFirst_)
            MoveTo(1);
        NotifyDataChange(nullptr);
    });
}

// --- fetching ---------------------------------------------------------------------------

bool TIB_BDataset::FetchOne()
{
    if (complete_)
        return false;
    if (!CursorIsOpen()) {
        complete_ = true;
        return false;
    }
    if (maxRows_ > 0 && fetched_ >= maxRows_) {
        CloseCursorNoThrow();
        return false;
    }
    const std::int64_t now = maxTicks_ > 0 ? Session().TickCount() : 0;
    if (maxTicks_ > 0 && firstFetchTick_ >= 0 && now - firstFetchTick_ >= maxTicks_) {
        CloseCursorNoThrow();
        return false;
    }
    if (firstFetchTick_ < 0)
        firstFetchTick_ = maxTicks_ > 0 ? now : 0;
    bool got = false;
    try {
        got = SysFetchRowInto(fetchRow_);
    } catch (...) {
        // The error ends the fetch; the rows fetched so far stay.
        CloseCursorNoThrow();
        throw;
    }
    if (!got) {
        SysCloseCursor();
        return false;
    }
    try {
        CalculateRow(fetchRow_);
    } catch (...) {
        // The handler's error propagates; the row itself is not lost.
        nodes_.Append(fetchRow_.CurrentBuffer(), KeyDataOf(fetchRow_, nodes_.NextSequence()));
        ++fetched_;
        throw;
    }
    nodes_.Append(fetchRow_.CurrentBuffer(), KeyDataOf(fetchRow_, nodes_.NextSequence()));
    ++fetched_;
    return true;
}

void TIB_BDataset::FetchRows(int target)
{
    const int have = nodes_.Count();
    if (complete_ || target <= have)
        return;
    if (target - have == 1) {
        FetchOne();
        return;
    }
    BeginCallbackFetch();
    try {
        while (nodes_.Count() < target && FetchOne()) {
            AfterCallbackRow(nodes_.Count());
            if (FetchingAborted())
                break;
        }
    } catch (...) {
        try {
            EndCallbackFetch(nodes_.Count());
        } catch (...) {
        }
        throw;
    }
    EndCallbackFetch(nodes_.Count());
}

void TIB_BDataset::FetchAll()
{
    if (Active())
        FetchRows(INT_MAX);
}

int TIB_BDataset::FetchTo(int n)
{
    if (Active())
        FetchRows(n);
    return nodes_.Count();
}

// --- moving --------------------------------------------------------------------------------

void TIB_BDataset::LoadRecordInto(TIB_Row& row, int n)
{
    if (!row.RecordSize())
        return;
    const TIB_Node* node = nodes_.Node(n);
    if (node)
        row.SetRecord(node->Record);
    else if (nullRecord_.size() == row.RecordSize())
        row.SetRecord(nullRecord_.data());
}

void TIB_BDataset::LoadCurrent()
{
    LoadRecordInto(Fields(), nodes_.CurrentRowNum());
    Fields().SaveOldValues();
}

void TIB_BDataset::MoveTo(int n)
{
    if (!Active())
        return;
    if (n > nodes_.Count())
        FetchRows(n);
    const int last = complete_ ? nodes_.Count() + 1 : nodes_.Count();
    const int target = n < 0 ? 0 : (n > last ? last : n);
    if (target == nodes_.CurrentRowNum())
        return;
    WithControlsDisabled([&] {
        RunEvent(BeforeScroll);
        CheckBrowseMode();
        nodes_.SetCurrentRowNum(target);
        LoadCurrent();
        NotifyDataChange(nullptr);
        RunAfterScroll();
    });
}

int TIB_BDataset::MoveBy(int distance)
{
    if (!Prepared())
        Prepare();
    if (!Active())
        Open();
    const int from = RowNum();
    long long to = static_cast<long long>(from) + distance;
    MoveTo(to > INT_MAX ? INT_MAX : (to < 0 ? 0 : static_cast<int>(to)));
    return RowNum() - from;
}

void TIB_BDataset::First()
{
    if (Active())
        CheckBrowseMode();
    else
        Open();
    MoveTo(1);
}

void TIB_BDataset::Next()
{
    if (Eof())
        throw EIB_DatasetError("At end of Dataset");
    MoveBy(1);
}

void TIB_BDataset::Prior()
{
    if (Bof())
        throw EIB_DatasetError("At beginning of Dataset");
    MoveBy(-1);
}

void TIB_BDataset::Last()
{
    if (!Active())
        Open();
    CheckBrowseMode();
    FetchRows(INT_MAX);
    MoveTo(nodes_.Count() > 0 ? nodes_.Count() : nodes_.Count() + 1);
}

bool TIB_BDataset::Eof() const
{
    if (!Active())
        return true;
    return complete_ && (nodes_.CurrentRowNum() > nodes_.Count() || nodes_.Count() == 0);
}

bool TIB_BDataset::Bof() const
{
    if (!Active())
        return true;
    return nodes_.CurrentRowNum() == 0 || (complete_ && nodes_.Count() == 0);
}

int TIB_BDataset::RowNum() const { return Active() ? nodes_.CurrentRowNum() : 0; }

bool TIB_BDataset::SysHasCurrentRow() const { return Active() && nodes_.Node(nodes_.CurrentRowNum()) != nullptr; }

void TIB_BDataset::SysStoreCurrentRow()
{
    const int cur = nodes_.CurrentRowNum();
    TIB_Node* node = nodes_.Node(cur);
    if (!node)
        return;
    Fields().GetRecord(node->Record);
    if (HasKeyColumns())
        nodes_.SetKey(*node, KeyDataOf(Fields(), 0));
    // Blobs the row now holds are loaded already: let the buffer row find
    // them (a new blob's identifier is only valid in this session).
    for (int i = 0; i < Fields().ColumnCount(); ++i)
        if (auto* b = dynamic_cast<const TIB_ColumnBlob*>(&Fields().Columns(i)); b && b->BlobNode() &&
                                                                                 b->BlobNode()->Loaded &&
                                                                                 !b->BlobNode()->Changed)
            bufferRow_.CacheBlob(b->BlobNode());
    if (nodes_.BufferRowNum() == cur)
        bufferRow_.SetRecord(node->Record);
    NotifyBufferChanged(cur);
}

// --- refresh -------------------------------------------------------------------------------

void TIB_BDataset::RestoreRowNum(int row, bool wasBof, bool wasEof)
{
    if (wasBof)
        return;
    if (wasEof) {
        FetchRows(INT_MAX);
        MoveTo(nodes_.Count() + 1);
        return;
    }
    MoveTo(row);
    if (RowNum() != row && nodes_.Count() > 0)
        MoveTo(nodes_.Count());
}

void TIB_BDataset::Refresh()
{
    if (!Active())
        return;
    TIB_BusyScope busy(Session());
    WithControlsDisabled([&] {
        // Post first: the remembered position is then the final one.
        CheckBrowseMode();
        const int row = RowNum();
        const bool wasBof = row == 0;
        const bool wasEof = complete_ && row > nodes_.Count();
        const TIB_Node* node = nodes_.Node(row);
        const std::string bookmark = node && HasKeyColumns() ? node->Key : std::string();
        SysCloseDataset(false);
        ExecuteAndFill();
        switch (RefreshAction()) {
        case TIB_RefreshAction::raOpen:
            if (autoFetchFirst_)
                MoveTo(1);
            break;
        case TIB_RefreshAction::raKeepRowNum: RestoreRowNum(row, wasBof, wasEof); break;
        case TIB_RefreshAction::raKeepDataPos: {
            int found = 0;
            if (!bookmark.empty()) {
                for (int i = 1;; ++i) {
                    if (i > nodes_.Count()) {
                        FetchRows(i);
                        if (i > nodes_.Count())
                            break;
                    }
                    if (nodes_.Node(i)->Key == bookmark) {
                        found = i;
                        break;
                    }
                }
            }
            if (found)
                MoveTo(found);
            else if (!wasBof && !wasEof && row > 0)
                RestoreRowNum(row, false, false);
            else
                MoveTo(1);
            break;
        }
        }
        NotifyDataChange(nullptr);
    });
}

// --- locate ------------------------------------------------------------------------------------

bool TIB_BDataset::Locate(const std::string& keyFields, const std::vector<std::optional<std::string>>& keyValues,
                          TIB_LocateOptions options)
{
    if (!Prepared())
        Prepare();
    if (!Active())
        Open();
    const TIB_StringList names = SplitFieldList(keyFields);
    if (names.empty() || names.size() != keyValues.size())
        throw EIB_DatasetError("Locate needs one value per field");
    std::vector<int> indexes;
    for (const std::string& name : names) {
        TIB_Column& c = Fields().ByName(name);
        for (int i = 0; i < Fields().ColumnCount(); ++i)
            if (&Fields().Columns(i) == &c)
                indexes.push_back(i);
    }
    for (int row = 1;; ++row) {
        if (row > nodes_.Count()) {
            FetchRows(row);
            if (row > nodes_.Count())
                return false;
        }
        LoadRecordInto(scanRow_, row);
        bool all = true;
        for (size_t k = 0; all && k < indexes.size(); ++k)
            all = Matches(scanRow_.Columns(indexes[k]), keyValues[k], options);
        if (all) {
            MoveTo(row);
            return true;
        }
    }
}

// --- buffer row --------------------------------------------------------------------------------------

bool TIB_BDataset::SetBufferRowNum(int n)
{
    if (Active() && n > nodes_.Count())
        FetchRows(n);
    return ReadBufferRow(n);
}

bool TIB_BDataset::ReadBufferRow(int n)
{
    nodes_.SetBufferRowNum(n);
    LoadRecordInto(bufferRow_, nodes_.BufferRowNum());
    return nodes_.Node(nodes_.BufferRowNum()) != nullptr;
}

std::optional<std::string> TIB_BDataset::LoadedBlobText(const TIB_Column& column) const
{
    if (column.IsNull())
        return std::string();
    if (column.DataType() != SQLTYPE_BLOB)
        return column.AsString();
    TIB_BlobId id;
    std::memcpy(id.data(), column.Data(), id.size());
    if (auto* b = dynamic_cast<const TIB_ColumnBlob*>(&column); b && b->BlobNode() && b->BlobNode()->Id == id &&
                                                                b->BlobNode()->Loaded)
        return b->BlobNode()->Data;
    TIB_BDataset* self = const_cast<TIB_BDataset*>(this);
    if (auto n = self->Fields().FindBlob(id))
        return n->Data;
    if (auto n = column.Row().FindBlob(id))
        return n->Data;
    return std::nullopt;
}

} // namespace varnel::db
