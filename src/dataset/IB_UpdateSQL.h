#pragma once
// TIB_UpdateSQL: the custom statements of a dataset (EditSQL, InsertSQL,
// DeleteSQL, LockSQL) and the statement that posts an edit. The edit
// statement is a separate statement on the dataset's connection and
// transaction, prepared once and kept until the dataset is unprepared or
// the text changes. At preparation each of its parameters is bound to a
// buffer of the dataset's Fields row by name: a column of the dataset
// (qualified or not) sends the column's current value, "OLD_" + column or
// "OLD." + column its old value (the value when the edit began), a key
// column its key value; anything else is "Invalid custom DML column
// reference: %s". The binding shares the row's buffers, so every execution
// sends the then current values without copying.
//
// A statement whose row count is known runs inside a save point: touching
// no row or several rows raises (the several rows undone first); only
// then is the transaction activated (with AutoCommit: committed).
//
// Without EditSQL the statement is generated from the key relation:
// "UPDATE rel" / "  SET col = :col" (each writable column of the key
// relation) / "WHERE key = :OLD.key" ...
//
// Owned by its dataset; it owns its statements.
#include "db/IB_Statement.h"
#include "db/IB_Text.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace varnel::db {

class TIB_Dataset;

class TIB_UpdateSQL {
public:
    explicit TIB_UpdateSQL(TIB_Dataset& dataset);
    ~TIB_UpdateSQL();
    TIB_UpdateSQL(const TIB_UpdateSQL&) = delete;
    TIB_UpdateSQL& operator=(const TIB_UpdateSQL&) = delete;

    const TIB_StringList& EditSQL() const { return editSQL_; }
    void SetEditSQL(const TIB_StringList& v);
    const TIB_StringList& InsertSQL() const { return insertSQL_; }
    void SetInsertSQL(const TIB_StringList& v) { insertSQL_ = v; }
    const TIB_StringList& DeleteSQL() const { return deleteSQL_; }
    void SetDeleteSQL(const TIB_StringList& v) { deleteSQL_ = v; }
    const TIB_StringList& LockSQL() const { return lockSQL_; }
    void SetLockSQL(const TIB_StringList& v) { lockSQL_ = v; }

    // The parameter names of EditSQL's markers, in order (no server call).
    TIB_StringList EditParamNames() const;
    // The update text: EditSQL, else the generated statement; raises
    // "Unable to initialize default EditDSQL" when none can be made.
    std::string EditText() const;

    // Prepares and binds the edit statement when needed, executes it and
    // checks the rows it touched: none gives "Record was not located to
    // update", more than one "Multiple records updated" (a statement whose
    // count is unknown, as EXECUTE BLOCK, raises neither). Output values
    // go back into the dataset's row.
    void ExecuteEdit();
    // The edit statement once it was first used; null before.
    TIB_Statement* EditStatement() const { return edit_.get(); }
    // Executions of the edit statement so far.
    long EditExecutions() const { return executions_; }
    // Unprepares the statements (the dataset was unprepared or its row
    // rebuilt); the next post prepares and binds again.
    void Unprepare();

private:
    void PrepareEdit();
    void Bind(TIB_Statement& s);
    void RunSavePointStatement(const char* sql);

    TIB_Dataset& dataset_;
    TIB_StringList editSQL_, insertSQL_, deleteSQL_, lockSQL_;
    std::unique_ptr<TIB_Statement> edit_;
    std::map<std::string, std::unique_ptr<TIB_Statement>> savePointStatements_;
    bool bound_ = false;
    std::uint64_t boundGeneration_ = 0;
    long executions_ = 0;
};

} // namespace varnel::db
