#pragma once
// TIB_Statement: one dynamic SQL statement on the server: its SQL text
// (a list of lines), the server statement handle (taken from and given
// back to the connection's handle cache), the input row Params and the
// output row Fields. It prepares on demand (connecting and starting the
// transaction as needed), binds parameters by name, finds its statement
// type from the server, executes by type, and offers the cursor calls the
// datasets fetch with. A prepared statement stays prepared across
// executions; only a change of its SQL prepares again.
//
// The dataset layer derives from it; the protected Sys* members are its
// seams (documented one by one below).
#include "db/IB_Component.h"
#include "db/IB_Row.h"
#include "db/IB_Text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_Connection;
class TIB_Transaction;

enum class TIB_StatementType {
    stUnknown,
    stSelect,
    stInsert,
    stUpdate,
    stDelete,
    stDDL,
    stGetSegment,
    stPutSegment,
    stExecProcedure,
    stStartTrans,
    stCommit,
    stRollback,
    stSelectForUpdate,
    stSetGenerator,
    stSavePoint
};

class TIB_Statement : public TIB_Component {
public:
    explicit TIB_Statement(std::shared_ptr<TIB_Session> session = nullptr);
    ~TIB_Statement() override;
    std::string ClassName() const override { return "TIB_Statement"; }

    // --- wiring -----------------------------------------------------------------
    TIB_Connection* IB_Connection() const { return connection_; }
    void SetIB_Connection(TIB_Connection* c);
    TIB_Transaction* IB_Transaction() const { return transaction_; }
    void SetIB_Transaction(TIB_Transaction* t);
    // Looks up the session's connection of that DatabaseName (ignoring
    // case) and assigns it.
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    // The transaction the statement works in: the assigned one, else the
    // connection's default, else its own auto-committing read-committed
    // transaction "tr" + Name (created on first need).
    TIB_Transaction* EffectiveTransaction();

    // --- SQL ---------------------------------------------------------------------
    const TIB_StringList& SQL() const { return sql_; }
    // Changing the SQL of a prepared statement unprepares it.
    void SetSQL(const TIB_StringList& lines);
    // The lines joined with CR LF after every line.
    std::string SQLText() const { return JoinLines(sql_); }
    void SetSQLText(std::string_view text) { SetSQL(SplitLines(text)); }
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool v);
    char ParamChar() const { return paramChar_; }
    void SetParamChar(char c);
    // The text sent to the server and the parameter names of its markers
    // (valid while prepared).
    const std::string& ServerSQL() const { return serverSQL_; }
    const TIB_StringList& ParamNames() const { return paramNames_; }
    // False when the SQL or its assembly inputs changed since the last
    // prepare; the next use prepares again.
    bool SQLIsCurrent() const { return sqlCurrent_; }
    virtual void InvalidateSQL() { sqlCurrent_ = false; typeKnown_ = false; }

    // --- prepare -------------------------------------------------------------------
    void Prepare();
    void Unprepare();
    bool Prepared() const { return prepared_; }
    void SetPrepared(bool v) { v ? Prepare() : Unprepare(); }
    // True while the server prepare runs.
    bool Preparing() const { return preparing_; }

    // --- execution -------------------------------------------------------------------
    // Closes an open cursor, then executes by statement type.
    void Execute();
    void ExecSQL() { Execute(); }

    // --- rows --------------------------------------------------------------------------
    TIB_Row& Fields() { return fields_; }
    TIB_Row& Params() { return params_; }
    // Prepare first, then look up; EIB_StatementError "FieldName: %s not
    // found" when absent.
    TIB_Column& FieldByName(std::string_view name);
    TIB_Column& ParamByName(std::string_view name);
    // No prepare; null when absent.
    TIB_Column* FindField(std::string_view name) const { return fields_.FindByName(name); }
    TIB_Column* FindParam(std::string_view name) const { return params_.FindByName(name); }
    int FieldCount() const { return fieldCount_; }
    int ParamCount() const { return paramCount_; }

    // From the server once prepared (stUnknown before); an error while
    // asking is shown through the session and reads as stUnknown.
    TIB_StatementType StatementType();
    // Rows touched by the last execution, by statement type; -1 unknown.
    long RowsAffected();

    bool CursorIsOpen() const { return cursorOpen_; }
    // "C" + object number + milliseconds, seconds, minutes + counter.
    const std::string& CursorName();
    // The dialect the statement prepares with.
    int SQLDialect() const { return dialect_; }

    // --- events -------------------------------------------------------------------------
    std::function<void(TIB_Statement&)> BeforePrepare, AfterPrepare, BeforeUnprepare, AfterUnprepare,
        BeforeExecute, AfterExecute, BeforeExecDML, AfterExecDML, BeforeExecDDL, AfterExecDDL;

protected:
    // --- seams for the dataset layer -----------------------------------------------------
    // Assembles the server text and the parameter names before a prepare.
    // Base: MakeServerSQL on SQLText() with ParamChar/ParamCheck. A dataset
    // assembles its clauses first (and may raise to fail the prepare).
    virtual void SysAssembleSQL(std::string& serverSQL, TIB_StringList& paramNames);
    // The number of select-list columns the assembly found: pre-sizes the
    // output descriptor area of the next prepare (0: unknown).
    void SetExpectedFieldCount(int n) { expectedFieldCount_ = n; }
    // The statement type known from the SQL text before asking the server
    // (a dataset's section parser: stSelect / stSelectForUpdate); the base
    // knows nothing (stUnknown) and asks the server.
    virtual TIB_StatementType SysStatementTypeFromSQL() { return TIB_StatementType::stUnknown; }
    // Calculated columns appended to Fields when the output row is built.
    virtual std::vector<TIB_ColumnDef> SysCalculatedColumns() { return {}; }
    // After Params/Fields were rebuilt by a prepare (layout changed), and
    // after an unprepare emptied them.
    virtual void SysPrepared() {}
    virtual void SysUnprepared() {}
    // After a successful prepare has finished (parameters restored,
    // AfterPrepare fired): a dataset announces its new layout here.
    virtual void SysAfterPrepare() {}
    // At the start of an unprepare of a prepared statement, before its
    // cursor is closed and its rows emptied: a dataset closes itself.
    virtual void SysBeforeUnprepare() {}
    // Replaces the SQL lines without unpreparing; the next use prepares
    // again (a dataset's WHERE or ORDER section writes).
    void ReplaceSQL(const TIB_StringList& lines);
    // Right before the server execute (after BeforeExecute): a detail
    // dataset copies its master's values into its link parameters here.
    virtual void SysBeforeExecute() {}
    // Executes a SELECT. Base: a singleton fetch into Fields
    // (isc_dsql_execute2). A dataset opens its cursor (SysOpenCursor).
    virtual void SysExecSelect();
    // The cursor calls (datasets): open (execute with Params, then the
    // cursor name; counts on the transaction), fetch one row into Fields
    // (true; calculated columns are null afterwards) or report the end of
    // data (false, also on every later call), close.
    virtual void SysOpenCursor();
    virtual bool SysFetchRow();
    virtual void SysCloseCursor();
    // Fetches the next row into `row` instead of Fields: a row built with
    // the same column definitions as Fields (a dataset's fetch row), whose
    // calculated columns are null afterwards.
    bool SysFetchRowInto(TIB_Row& row);
    // Column change notifications from Params and Fields. The first runs
    // before a value is stored and may veto by raising (nothing changed);
    // the second runs after it was stored and may veto by raising (the old
    // bytes are put back).
    virtual void SysBeforeColumnChange(TIB_Row& row, TIB_Column& column) {}
    virtual void SysColumnChanged(TIB_Row& row, TIB_Column& column) {}
    // After a data-changing statement executed: with AutoCommit this
    // commits it (TIB_Transaction::Activate). A dataset's update statement
    // activates only once it has checked the rows it touched.
    virtual void SysActivate(TIB_Transaction& t);
    // Called by the connection before it disconnects: close, unprepare,
    // give the handle back. A dataset closes (cancelling edits) first.
    virtual void SysDeallocate();
    // Releases the server resources: unprepare and give the handle back.
    void ReleaseServerResources();
    // The statement now belongs to transaction t (or to none): it is in
    // t's list of statements, so t's destruction calls SysTransactionGone.
    // A dataset moves its registration as t's user here.
    virtual void SysRegistered(TIB_Transaction* t) {}
    // The connection or transaction is going away.
    virtual void SysConnectionGone();
    virtual void SysTransactionGone();

    void SysConnectionLost() override;
    void SysErrorEvents(TIB_ErrorInfo& info, bool& raise) override;

private:
    friend class TIB_Connection;
    friend class TIB_Transaction;
    friend class TIB_Row;
    friend class TIB_Column;
    friend class TIB_ColumnBlob;

    void Allocate();
    void ServerPrepare(bool wasPrepared);
    void BuildRows(bool rebuildFields);
    void ReleaseHandle() noexcept;
    void CloseCursorQuietly() noexcept;
    void DoExecute();
    long ExecuteServer(bool withOutput);
    void ReadRowsAffected();
    std::uint32_t* HandlePtr() { return &handle_; }
    void Register(TIB_Transaction* t);
    struct SavedParam {
        TIB_ColumnDef Def;
        std::string Name;
        std::vector<unsigned char> Bytes;
        std::shared_ptr<TIB_BlobNode> Node;
        std::string Text;
        bool Null = true;
    };
    void SaveParams();
    void RestoreParams();

    TIB_Connection* connection_ = nullptr;
    TIB_Transaction* transaction_ = nullptr;
    std::unique_ptr<TIB_Transaction> ownTransaction_;
    std::string databaseName_;
    TIB_StringList sql_;
    bool paramCheck_ = true;
    char paramChar_ = ':';
    std::string serverSQL_;
    TIB_StringList paramNames_;
    bool sqlCurrent_ = false;
    bool prepared_ = false;
    bool preparing_ = false;
    bool prepareFailed_ = false;
    std::uint32_t handle_ = 0;
    int dialect_ = 3;
    int paramCount_ = 0;
    int fieldCount_ = 0;
    int unnamedSurplus_ = 0;
    int expectedFieldCount_ = 0;
    TIB_Row params_;
    TIB_Row fields_;
    TIB_StatementType type_ = TIB_StatementType::stUnknown;
    bool typeKnown_ = false;
    bool cursorOpen_ = false;
    bool cursorAtEnd_ = false; // the server reported the end of data
    std::string cursorName_;
    long rowsSelected_ = -1, rowsInserted_ = -1, rowsUpdated_ = -1, rowsDeleted_ = -1;
    bool rowsKnown_ = false;
    TIB_Transaction* registered_ = nullptr;      // transaction listing this statement
    TIB_Transaction* cursorTransaction_ = nullptr; // transaction counting the open cursor
    std::vector<SavedParam> savedParams_;
};

} // namespace varnel::db
