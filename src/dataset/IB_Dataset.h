#pragma once
// TIB_Dataset: a SELECT statement that the user interface and the
// exporters work with as a set of rows. It keeps the designed SQL and, at
// every prepare, assembles the text sent to the server from it: the
// where-condition lists that OnPrepareSQL handlers fill, the master-link
// conditions of a detail, the ORDER BY of the current ordering item, the
// DB_KEY of a dataset keyed by it, then the parameter markers converted.
// It has the dataset states, tells its data sources (and through them the
// controls and detail datasets) of every change, follows a master, carries
// calculated columns, edits the current row and posts it through its
// update statements (TIB_UpdateSQL), and registers with its transaction so
// that pending edits are posted or cancelled and the dataset closed when
// the transaction ends.
//
// The row buffer and navigation are TIB_BDataset's; TIB_Query is the class
// the application uses. A dataset does not own its data sources, its
// master's data source, its connection or its transaction; it owns its
// update statements and its master link.
#include "dataset/IB_DataSource.h"
#include "dataset/IB_UpdateSQL.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnel::db {

enum class TIB_DatasetState { dssInactive, dssPrepared, dssSearch, dssBrowse, dssEdit, dssInsert, dssDelete };
enum class TIB_RefreshAction { raOpen, raKeepRowNum, raKeepDataPos };
// What a dataset does when its transaction ends with a hard commit.
enum class TIB_CommitAction { caClose, caFetchAll, caRefresh };
// The answer of an OnPostError handler.
enum class TIB_DataAction { dacFail, dacAbort, dacRetry };

enum class TIB_LocateOption : unsigned { lopCaseInsensitive = 1, lopPartialKey = 2, lopFindNearest = 4 };
class TIB_LocateOptions {
public:
    TIB_LocateOptions() = default;
    TIB_LocateOptions(std::initializer_list<TIB_LocateOption> options)
    {
        for (auto o : options)
            bits_ |= static_cast<unsigned>(o);
    }
    bool Has(TIB_LocateOption o) const { return (bits_ & static_cast<unsigned>(o)) != 0; }

private:
    unsigned bits_ = 0;
};

class TIB_Dataset;
using TIB_DatasetEvent = std::function<void(TIB_Dataset&)>;
// OnCalculateField: the row to compute and the column (null when
// CalculateAllFields is on). The handler writes through ARow.
using TIB_RowFieldEvent = std::function<void(TIB_Statement& Sender, TIB_Row& ARow, TIB_Column* AField)>;
// OnCallback: replaces the session's fetch-progress hook for this dataset.
using TIB_CallbackEvent = std::function<void(TIB_Dataset& Sender, TIB_CallbackStatus status, long rows, bool& abort)>;
using TIB_PostErrorEvent = std::function<void(TIB_Dataset& Sender, const std::exception& error, TIB_DataAction& action)>;

class TIB_Dataset : public TIB_Statement, public TIB_TransactionUser {
public:
    ~TIB_Dataset() override;
    std::string ClassName() const override { return "TIB_Dataset"; }

    // --- state ------------------------------------------------------------------
    TIB_DatasetState State() const { return state_; }
    // Open: browsing or editing.
    bool Active() const;
    void SetActive(bool v) { v ? Open() : Close(); }
    bool NeedToPost() const override;
    bool GetNeedToPost() const { return NeedToPost(); }
    // True while a post runs.
    bool Posting() const { return posting_; }

    // --- navigation (TIB_BDataset) -------------------------------------------------
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Prior() = 0;
    virtual void Last() = 0;
    virtual int MoveBy(int distance) = 0;
    virtual bool Eof() const = 0;
    virtual bool Bof() const = 0;
    virtual int RowNum() const = 0;
    virtual void Refresh() = 0;
    virtual void RefreshKeys() = 0;
    // keyFields: names separated by ",", ";" or line breaks; one value per
    // field (nullopt searches for null).
    virtual bool Locate(const std::string& keyFields, const std::vector<std::optional<std::string>>& keyValues,
                        TIB_LocateOptions options = {}) = 0;

    // --- SQL assembly ----------------------------------------------------------------
    // Emptied at the start of every assembly; OnPrepareSQL handlers add
    // conditions ("A = 1"), groups ("(", ..., "OR", ..., ")").
    TIB_StringList& LeadingWhereConditions() { return leading_; }
    TIB_StringList& WhereConditions() { return where_; }
    TIB_StringList& TrailingWhereConditions() { return trailing_; }
    const TIB_StringList& JoinLinks() const { return joinLinks_; }
    void SetJoinLinks(const TIB_StringList& v);
    // Fired once per assembly, after the lists were emptied.
    TIB_DatasetEvent OnPrepareSQL;
    TIB_DatasetEvent OnInvalidateSQL;
    // Fires OnInvalidateSQL; the next open or prepare assembles again. An
    // open dataset stays open.
    void InvalidateSQL() override;
    // The clause n (1 SELECT ... 9 FOR UPDATE) of SQL as lines, keyword
    // included; empty when absent.
    TIB_StringList GetSQLSection(int n) const;
    // Replaces clause n in SQL. WHERE and ORDER only invalidate the
    // assembled text; any other clause unprepares.
    void SetSQLSection(int n, const std::string& clause);
    // Joins a condition into the WHERE clause of SQL itself (permanent).
    void AddSQLWhereClause(const std::string& condition);
    // ORDER BY columns of the last assembly, each "COL=ASC" / "COL=DESC".
    const TIB_StringList& OrderingColumns() const { return orderingColumns_; }
    // NAME=ATTR lines; NOCASE=expr replaces a column in the ORDER BY.
    const TIB_StringList& ColumnAttributes() const { return columnAttributes_; }
    void SetColumnAttributes(const TIB_StringList& v);

    // --- ordering ------------------------------------------------------------------------
    const TIB_StringList& OrderingItems() const { return orderingItems_; }
    void SetOrderingItems(const TIB_StringList& v);
    int OrderingItemNo() const { return orderingItemNo_; }
    // A different value: invalidate, tell the links, find the ordering
    // link, refresh when open (keeping the row number), fire
    // OnOrderingChanged. The same value does nothing.
    void SetOrderingItemNo(int n);
    const TIB_StringList& OrderingLinks() const { return orderingLinks_; }
    void SetOrderingLinks(const TIB_StringList& v);
    // The column (as written in OrderingLinks) linked to |OrderingItemNo|.
    std::optional<std::string> OrderingLink() const;
    // The ordering item a column is linked to; -1 when none.
    int ColumnOrderingItemNo(const TIB_Column& column);
    // The order text of item n (>0 ascending, <0 descending); empty when
    // the item has none.
    std::string OrderingItemText(int n) const;
    TIB_DatasetEvent OnOrderingChanged;

    // --- keys --------------------------------------------------------------------------------
    const TIB_StringList& KeyLinks() const { return keyLinks_; }
    // Changing the key links unprepares.
    void SetKeyLinks(const TIB_StringList& v);
    bool KeyLinksAutoDefine() const { return keyLinksAutoDefine_; }
    void SetKeyLinksAutoDefine(bool v);
    // The key links in effect (KeyLinks, or those defined automatically).
    const TIB_StringList& EffectiveKeyLinks() const { return effectiveKeyLinks_; }
    // The single relation a key was defined for (empty when none).
    const std::string& KeyRelation() const { return keyRelation_; }
    // The Fields columns of the key (valid while prepared).
    std::vector<TIB_Column*> KeyColumns();

    // --- master-detail -------------------------------------------------------------------------
    TIB_DataSource* MasterSource() const { return masterLink_->DataSource(); }
    // "Circular reference not allowed" when the data source's dataset is
    // this one or one of its details; the link is then unchanged.
    void SetMasterSource(TIB_DataSource* ds);
    TIB_Dataset* MasterDataset() const;
    const TIB_StringList& MasterLinks() const { return masterLinks_; }
    // Changing the links unprepares.
    void SetMasterLinks(const TIB_StringList& v);
    const TIB_StringList& MasterParamLinks() const { return masterParamLinks_; }
    void SetMasterParamLinks(const TIB_StringList& v) { masterParamLinks_ = v; }
    // The parameter of link line i: "MLNK_" + column + "_" + i, formatted
    // as an identifier for the dialect.
    std::string MasterLinkParamName(int i) const;
    // A master row or column changed (the master link calls this).
    void MasterDataChange(TIB_Column* masterColumn);
    void MasterStateChanged();

    // --- calculated columns ------------------------------------------------------------------------
    const TIB_StringList& CalculatedFields() const { return calculatedFields_; }
    // Changing the declarations unprepares.
    void SetCalculatedFields(const TIB_StringList& v);
    bool CalculateAllFields() const { return calculateAllFields_; }
    void SetCalculateAllFields(bool v) { calculateAllFields_ = v; }
    TIB_RowFieldEvent OnCalculateField;
    // Computes the current row's calculated columns and stores them in the
    // row buffer (unless an edit is pending).
    void CalculateFields();
    bool GetCalculatingFields() const { return calculating_ > 0; }

    // --- editing -------------------------------------------------------------------------------------
    TIB_UpdateSQL& UpdateSQL() { return *updateSQL_; }
    const TIB_StringList& EditSQL() const;
    void SetEditSQL(const TIB_StringList& v);
    const TIB_StringList& InsertSQL() const;
    void SetInsertSQL(const TIB_StringList& v);
    const TIB_StringList& DeleteSQL() const;
    void SetDeleteSQL(const TIB_StringList& v);
    const TIB_StringList& LockSQL() const;
    void SetLockSQL(const TIB_StringList& v);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool PreventEditing() const { return preventEditing_; }
    void SetPreventEditing(bool v) { preventEditing_ = v; }
    bool PreventInserting() const { return preventInserting_; }
    void SetPreventInserting(bool v) { preventInserting_ = v; }
    bool PreventDeleting() const { return preventDeleting_; }
    void SetPreventDeleting(bool v) { preventDeleting_ = v; }
    bool CheckRequired() const { return checkRequired_; }
    void SetCheckRequired(bool v) { checkRequired_ = v; }
    bool SearchedEdits() const { return searchedEdits_; }
    void SetSearchedEdits(bool v) { searchedEdits_ = v; }
    bool SearchedDeletes() const { return searchedDeletes_; }
    void SetSearchedDeletes(bool v) { searchedDeletes_ = v; }
    bool PreparedEdits() const { return preparedEdits_; }
    void SetPreparedEdits(bool v) { preparedEdits_ = v; }
    TIB_CommitAction CommitAction() const { return commitAction_; }
    void SetCommitAction(TIB_CommitAction v) { commitAction_ = v; }

    // Enters dssEdit (prepares when needed). "Cannot Edit current Row" when
    // editing is not possible (not open, no current row, read-only,
    // PreventEditing, nothing to update with).
    void Edit();
    // "Cannot Post current Row" without a pending edit; else posts.
    void Post();
    // Leaves the edit, old values back, nothing sent.
    void Cancel();
    // Posts a pending edit of a modified row, cancels one of an unmodified
    // row; first the controls write their values and the data sources'
    // details check their own browse mode.
    void CheckBrowseMode();
    // The current row differs from its old values (or was marked).
    bool GetModified() const;
    void SetModified(bool v) { markedModified_ = v; }
    // Whether a control may change the column: with EditSQL, writable
    // exactly when the column is one of its parameters; without, the
    // statement's own rule (calculated, computed and other relations'
    // columns are read-only). FieldsReadOnly entries "TRUE" are read-only.
    bool GetColumnIsReadOnly(const TIB_Column& column) const;
    TIB_PostErrorEvent OnPostError;

    // --- display attributes ------------------------------------------------------------------------
    // COLUMN=VALUE lines, COLUMN qualified (RELATION.COLUMN) or not.
    const TIB_StringList& FieldsDisplayLabel() const { return displayLabel_; }
    void SetFieldsDisplayLabel(const TIB_StringList& v) { displayLabel_ = v; NotifyLayoutChanged(); }
    const TIB_StringList& FieldsDisplayWidth() const { return displayWidth_; }
    void SetFieldsDisplayWidth(const TIB_StringList& v) { displayWidth_ = v; NotifyLayoutChanged(); }
    const TIB_StringList& FieldsVisible() const { return visible_; }
    void SetFieldsVisible(const TIB_StringList& v) { visible_ = v; NotifyLayoutChanged(); }
    const TIB_StringList& FieldsAlignment() const { return alignment_; }
    void SetFieldsAlignment(const TIB_StringList& v) { alignment_ = v; NotifyLayoutChanged(); }
    const TIB_StringList& FieldsReadOnly() const { return fieldsReadOnly_; }
    void SetFieldsReadOnly(const TIB_StringList& v) { fieldsReadOnly_ = v; NotifyLayoutChanged(); }
    // The title: the entry ("-" gives ""), else the name with "_" as blanks.
    std::string DisplayLabel(const TIB_Column& column) const;
    // The name shown for a blob in a grid cell: the label; "-" gives "",
    // "/-" gives "-"; without a label the column name.
    std::string DisplayName(const TIB_Column& column) const;
    // The entry in pixels, else a default from the column's size.
    int DisplayWidth(const TIB_Column& column) const;
    // Stores a width (a grid column dragged wider) under the column's name.
    void SetDisplayWidth(const TIB_Column& column, int width);
    // False when the entry is "FALSE".
    bool IsVisible(const TIB_Column& column) const;
    // The entry ("CENTER", "RIGHT", ...), upper-cased; empty when none.
    std::string Alignment(const TIB_Column& column) const;
    bool ColorScheme() const { return colorScheme_; }
    void SetColorScheme(bool v) { colorScheme_ = v; }

    // --- data sources ------------------------------------------------------------------------------
    const std::vector<TIB_DataSource*>& DataSources() const { return dataSources_; }
    // Counted; while disabled, state changes and the after-scroll step are
    // held back and run once (then a whole-row data change) when the
    // outermost EnableControls runs.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }

    // --- fetch callbacks -------------------------------------------------------------------------------
    int CallbackInc() const { return callbackInc_; }
    void SetCallbackInc(int v) { callbackInc_ = v; }
    int CallbackInitInt() const { return callbackInitInt_; }
    void SetCallbackInitInt(int v) { callbackInitInt_ = v; }
    int CallbackRefreshInt() const { return callbackRefreshInt_; }
    void SetCallbackRefreshInt(int v) { callbackRefreshInt_ = v; }
    const std::string& CallbackCaption() const { return callbackCaption_; }
    void SetCallbackCaption(std::string v) { callbackCaption_ = std::move(v); }
    TIB_CallbackEvent OnCallback;
    // Counted: no progress checks while frozen.
    void FreezeCallbacks() { ++callbackFrozen_; }
    void ThawCallbacks() { if (callbackFrozen_ > 0) --callbackFrozen_; }
    // Asks a callback fetch in progress to stop at its next check.
    void AbortFetching() { abortRequested_ = true; }
    bool FetchingAborted() const { return abortRequested_; }

    // --- events ------------------------------------------------------------------------------------------
    TIB_DatasetEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll, BeforeEdit,
        AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel;

    // --- transaction user -----------------------------------------------------------------------------------
    void PostForTransaction() override;
    void CancelForTransaction() override;
    void EndOfTransaction(bool commit, bool closing) override;
    void AfterEndOfTransaction(bool commit) override;

protected:
    explicit TIB_Dataset(std::shared_ptr<TIB_Session> session = nullptr);

    // --- the assembly steps -----------------------------------------------------------------------------------
    void SysAssembleSQL(std::string& serverSQL, TIB_StringList& paramNames) override;
    // Empties the three where-condition lists.
    virtual void SysInitRawSQL();
    // OnPrepareSQL, the blank check, the calculated declarations, the key
    // and the DB_KEY column (on rawSQL_).
    virtual void SysPrepareSQL();
    // Joins, where conditions, master links and the ordering (on rawSQL_).
    virtual void SysFinishRawSQL();
    TIB_StatementType SysStatementTypeFromSQL() override;
    std::vector<TIB_ColumnDef> SysCalculatedColumns() override { return calcDefs_; }
    void SysPrepared() override;
    void SysAfterPrepare() override;
    void SysBeforeUnprepare() override;
    void SysUnprepared() override;
    void SysBeforeExecute() override;
    void SysBeforeColumnChange(TIB_Row& row, TIB_Column& column) override;
    void SysColumnChanged(TIB_Row& row, TIB_Column& column) override;
    void SysDeallocate() override;
    void SysConnectionGone() override;
    void SysTransactionGone() override;
    void SysRegistered(TIB_Transaction* t) override;

    // --- what the buffered dataset supplies ----------------------------------------------------------------------
    // Closes (edits posted, or cancelled with cancelEdit), buffer emptied.
    virtual void SysCloseDataset(bool cancelEdit) = 0;
    // Re-executes after the link parameters changed: opened again at its
    // first row.
    virtual void SysReopen() = 0;
    // There is a current row (not at BOF/EOF).
    virtual bool SysHasCurrentRow() const = 0;
    // Stores Fields into the current row's buffer entry (after a post or
    // a computation).
    virtual void SysStoreCurrentRow() = 0;
    // Fetches all remaining rows (commit action caFetchAll).
    virtual void SysFetchAll() = 0;

    // --- helpers for the buffered dataset --------------------------------------------------------------------------
    void SetState(TIB_DatasetState s);
    void NotifyStateChanged();
    void NotifyDataChange(TIB_Column* column);
    void NotifyLayoutChanged();
    void NotifyOrderingChanged();
    void NotifyBufferChanged(int rowNum);
    void NotifyUpdateData();
    void NotifyCheckBrowseMode();
    // Runs f with the dataset's controls disabled; the held-back
    // notifications run afterwards (their errors propagate unless f failed).
    template <class F> void WithControlsDisabled(F&& f)
    {
        DisableControls();
        try {
            f();
        } catch (...) {
            EnableControlsQuietly();
            throw;
        }
        EnableControls();
    }
    void EnableControlsQuietly() noexcept;
    void RunEvent(const TIB_DatasetEvent& e);
    void RunAfterScroll();

    // Posts (fromPostCall) or checks (CheckBrowseMode rule) a pending edit.
    void SysPost(bool fromPostCall);
    void InternalCancel();
    // Registers with the transaction in use; unregisters from a previous one.
    void RegisterWithTransaction();
    TIB_Transaction* UserTransaction() const { return userOf_; }

    // Computes the calculated columns of `row` (a fetched row, or Fields).
    void CalculateRow(TIB_Row& row);
    // The key data of a row built like Fields: the key columns' values, or
    // the sequence number when there are no key columns.
    std::string KeyDataOf(const TIB_Row& row, std::uint64_t sequence) const;
    bool HasKeyColumns() const { return !keyIndexes_.empty(); }
    // A row laid out like Fields (same definitions and options), for the
    // fetch, buffer and scan rows.
    void BuildLikeFields(TIB_Row& row) const;

    // Callback fetch: Begin (outermost), after each row, End (outermost).
    void BeginCallbackFetch();
    void AfterCallbackRow(long rows);
    void EndCallbackFetch(long rows);
    void RaiseCallback(TIB_CallbackStatus status, long rows);

private:
    friend class TIB_DataSource;
    friend class TIB_UpdateSQL;
    void AddDataSource(TIB_DataSource* ds, bool atFront);
    void RemoveDataSource(TIB_DataSource* ds);
    void DefineKey(std::string& text);
    TIB_StringList PrimaryKeyOf(const std::string& relation);
    void ResolveKeyColumns();
    void ApplyOrdering();
    void CopyMasterValues(bool fromExecute);
    void ParamsChanged();
    bool CanEdit() const;
    bool IsDetailOf(const TIB_Dataset* other) const;
    std::string ColumnListName(const TIB_Column& column) const;
    std::optional<std::string> AttributeOf(const TIB_StringList& list, const TIB_Column& column) const;
    bool ConnectionEnding() const;

    TIB_DatasetState state_ = TIB_DatasetState::dssInactive;
    TIB_StringList leading_, where_, trailing_, joinLinks_;
    std::string rawSQL_;
    bool assembling_ = false;
    TIB_StringList orderingColumns_;
    TIB_StringList columnAttributes_;
    TIB_StringList orderingItems_, orderingLinks_;
    int orderingItemNo_ = 0;
    int orderingChangeLevel_ = 0;
    TIB_StringList keyLinks_, effectiveKeyLinks_;
    bool keyLinksAutoDefine_ = true;
    std::string keyRelation_;
    bool keyIsDBKey_ = false;
    std::vector<int> keyIndexes_; // Fields column positions of the key
    std::string keyRelName_;      // relation of the first key column, as Fields names it
    std::vector<std::pair<std::string, TIB_StringList>> primaryKeyCache_;
    std::unique_ptr<TIB_MasterDataLink> masterLink_;
    TIB_StringList masterLinks_, masterParamLinks_;
    int masterChangeLevel_ = 0;
    int masterChangesSeen_ = 0;
    TIB_StringList calculatedFields_;
    std::vector<TIB_ColumnDef> calcDefs_;
    bool calculateAllFields_ = false;
    int calculating_ = 0;
    const TIB_Row* calculatingRow_ = nullptr;
    std::unique_ptr<TIB_UpdateSQL> updateSQL_;
    std::uint64_t fieldsGeneration_ = 0;
    mutable std::string editNamesText_;
    mutable TIB_StringList editNames_;
    std::vector<TIB_ColumnDef> serverDefs_; // Fields' server columns as described
    std::vector<bool> required_;            // per Fields column: not nullable
    std::string typeText_;
    TIB_StatementType typeFromText_ = TIB_StatementType::stUnknown;
    bool readOnly_ = false, preventEditing_ = false, preventInserting_ = false, preventDeleting_ = false;
    bool checkRequired_ = true, searchedEdits_ = true, searchedDeletes_ = true, preparedEdits_ = true;
    bool markedModified_ = false;
    bool posting_ = false;
    TIB_CommitAction commitAction_ = TIB_CommitAction::caClose;
    bool reopenAfterTransaction_ = false;
    TIB_StringList displayLabel_, displayWidth_, visible_, alignment_, fieldsReadOnly_;
    bool colorScheme_ = false;
    std::vector<TIB_DataSource*> dataSources_;
    int controlsDisabled_ = 0;
    bool stateDue_ = false, dataDue_ = false, afterScrollDue_ = false;
    int callbackInc_ = 5, callbackInitInt_ = 3000, callbackRefreshInt_ = 250;
    std::string callbackCaption_;
    int callbackLevel_ = 0, callbackFrozen_ = 0;
    std::int64_t callbackStart_ = 0, callbackLast_ = 0;
    bool abortRequested_ = false;
    TIB_Transaction* userOf_ = nullptr;
};

} // namespace varnel::db
