#pragma once
// TIB_BDataset: the buffered dataset. Opening executes the statement and
// opens its cursor; rows are fetched only when a position needs them (one
// at a time into a private fetch row, computed, and stored as a byte
// record in the row buffer, TIB_NodeList). The current row's values are
// in Fields (loaded from the buffer when the row becomes current); a grid
// reads any other row through the buffer position and BufferFields, which
// never moves the current row, fires no event and fetches nothing unless
// asked to (SetBufferRowNum, FetchTo).
//
// A fetch that brings more than one row in one go (Last, FetchAll, a
// buffer row or a move several rows beyond the last fetched one) is a
// callback fetch: every CallbackInc rows it reports progress (after
// CallbackInitInt ms, at most every CallbackRefreshInt ms) through
// OnCallback or the session's OnFetchProgress hook, lets the user
// interface process messages, and stops when asked to abort, keeping the
// rows fetched so far. Next never is a callback fetch.
//
// Grid use: rows known = BufferRowCount(); more to come = !AllRowsFetched();
// to grow, FetchTo(BufferRowCount() + page); to draw row n (1-based),
// ReadBufferRow(n) and read BufferFields().Columns(i) (same columns as
// Fields). The current row is RowNum(); moving it is MoveBy / a normal
// move with every effect (posts a pending edit, details follow).
#include "dataset/IB_Dataset.h"
#include "dataset/IB_NodeList.h"

#include <optional>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_BDataset : public TIB_Dataset {
public:
    explicit TIB_BDataset(std::shared_ptr<TIB_Session> session = nullptr);
    ~TIB_BDataset() override;
    std::string ClassName() const override { return "TIB_BDataset"; }

    // --- navigation -----------------------------------------------------------------
    // Nothing when open; else executes (preparing when needed), opens the
    // cursor and, with AutoFetchFirst, makes the first row current.
    void Open() override;
    // Posts a pending edit (cancels it while the transaction rolls back or
    // the dataset is destroyed), closes the cursor, empties the buffer.
    void Close() override;
    void First() override;
    // "At end of Dataset" at Eof; else moves by +1.
    void Next() override;
    // "At beginning of Dataset" at Bof; else moves by -1.
    void Prior() override;
    // Fetches every remaining row (a callback fetch) and makes the last current.
    void Last() override;
    // Moves the current row, fetching as needed; returns the distance moved.
    int MoveBy(int distance) override;
    // All rows fetched and the current position on the EOF (BOF) sentinel;
    // an empty result has both. A closed dataset reads true for both.
    bool Eof() const override;
    bool Bof() const override;
    int RowNum() const override;
    // Closes, drops the rows, opens again (re-prepared when invalidated)
    // and restores the position by RefreshAction.
    void Refresh() override;
    void RefreshAll() { Refresh(); }
    void RefreshKeys() override { Refresh(); }
    bool Locate(const std::string& keyFields, const std::vector<std::optional<std::string>>& keyValues,
                TIB_LocateOptions options = {}) override;
    // Fetches every remaining row (a callback fetch).
    void FetchAll();

    bool AutoFetchFirst() const { return autoFetchFirst_; }
    void SetAutoFetchFirst(bool v) { autoFetchFirst_ = v; }
    // Fetch limits (0: none): a fetch stops as at the end of data.
    int MaxRows() const { return maxRows_; }
    void SetMaxRows(int v) { maxRows_ = v; }
    int MaxTicks() const { return maxTicks_; }
    void SetMaxTicks(int v) { maxTicks_ = v; }
    TIB_RefreshAction RefreshAction() const { return refreshAction_; }
    void SetRefreshAction(TIB_RefreshAction v) { refreshAction_ = v; }
    bool FetchWholeRows() const { return fetchWholeRows_; }
    void SetFetchWholeRows(bool v) { fetchWholeRows_ = v; }

    // --- the row buffer ---------------------------------------------------------------
    // Rows in the buffer (all fetched so far).
    int BufferRowCount() const { return nodes_.Count(); }
    // Rows fetched from the server since the last open.
    long FetchedRowCount() const { return fetched_; }
    // The buffer knows its last row (the cursor reported the end, or the
    // dataset is closed).
    bool AllRowsFetched() const { return complete_; }
    // Makes sure rows 1..n are fetched (a callback fetch when more than
    // one row is needed); returns BufferRowCount().
    int FetchTo(int n);
    int BufferRowNum() const { return nodes_.BufferRowNum(); }
    // Puts the buffer position on row n, fetching up to it when needed;
    // false when there is no row n (BufferFields then reads null).
    bool SetBufferRowNum(int n);
    // As SetBufferRowNum, but never fetches.
    bool ReadBufferRow(int n);
    // The values of the buffer row, laid out like Fields.
    TIB_Row& BufferFields() { return bufferRow_; }
    TIB_Column& BufferFieldByName(std::string_view name) { return bufferRow_.ByName(name); }
    // The text of a blob column (of BufferFields or Fields) whose contents
    // are already loaded for its row; "" for null; nullopt when not loaded.
    std::optional<std::string> LoadedBlobText(const TIB_Column& column) const;
    const TIB_NodeList& NodeList() const { return nodes_; }

protected:
    void SysPrepared() override;
    void SysUnprepared() override;
    void SysExecSelect() override;
    void SysCloseCursor() override;
    void SysCloseDataset(bool cancelEdit) override;
    void SysReopen() override;
    bool SysHasCurrentRow() const override;
    void SysStoreCurrentRow() override;
    void SysFetchAll() override { FetchAll(); }

private:
    bool FetchOne();
    void FetchRows(int target);
    void MoveTo(int n);
    void LoadCurrent();
    void LoadRecordInto(TIB_Row& row, int n);
    void ExecuteAndFill();
    void RestoreRowNum(int row, bool wasBof, bool wasEof);
    bool TransactionRollingBack() const;
    void CloseCursorNoThrow();

    TIB_NodeList nodes_;
    TIB_Row fetchRow_, bufferRow_, scanRow_;
    std::vector<unsigned char> nullRecord_;
    bool complete_ = true;
    long fetched_ = 0;
    std::int64_t firstFetchTick_ = -1;
    bool autoFetchFirst_ = true;
    int maxRows_ = 0, maxTicks_ = 0;
    TIB_RefreshAction refreshAction_ = TIB_RefreshAction::raKeepRowNum;
    bool fetchWholeRows_ = true;
};

} // namespace varnel::db
