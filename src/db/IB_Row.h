#pragma once
// TIB_Row: the parameters (input) or output columns of a statement. It
// owns one contiguous value buffer of two blocks of equal size, the
// current values and the old values; each column's indicator and data lie
// in the current block, and the row's own descriptor area (XSQLDA) points
// there, so the client API reads and writes values in place. It also owns
// the column objects (rebuilt with the row) and the blob nodes, cached by
// blob identifier.
//
// The dataset layer stores whole rows elsewhere: GetRecord/SetRecord copy
// the current block (indicators, data, blob ids and calculated columns)
// to and from a record of RecordSize() bytes.
#include "db/IB_Column.h"
#include "db/IB_Session.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnel::db {

class TIB_Statement;
class TIB_Connection;
class TIB_Transaction;

enum class TIB_RowKind { rkInput, rkOutput };

struct TIB_RowOptions {
    int Dialect = 3;
    bool NoTrimming = false; // output text columns keep trailing blanks
};

class TIB_Row {
public:
    explicit TIB_Row(TIB_RowKind kind, TIB_Statement* statement = nullptr);
    ~TIB_Row();
    TIB_Row(const TIB_Row&) = delete;
    TIB_Row& operator=(const TIB_Row&) = delete;

    TIB_RowKind Kind() const { return kind_; }
    TIB_Statement* Statement() const { return statement_; }
    int Dialect() const { return options_.Dialect; }

    // Frees the previous columns, buffers and blob nodes and builds the
    // row: one column per server variable (class by type; an unknown type
    // raises EIB_StatementError "Unsupported Column type: %d"), then the
    // calculated columns, which get negative indexes. All values null.
    void Build(const std::vector<TIB_ColumnDef>& server, const std::vector<TIB_ColumnDef>& calculated,
               const TIB_RowOptions& options);
    // Empties the row.
    void Reset();
    // Grows with every Build and Reset: pointers into the row's columns and
    // buffers taken at one generation are void at the next.
    std::uint64_t Generation() const { return generation_; }

    // Columns in row order (an input row keeps "MLNK_" and "QBE_"
    // parameters at the end).
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TIB_Column& Columns(int i) const { return *columns_.at(static_cast<size_t>(i)); }
    int ServerCount() const { return serverCount_; }
    int CalculatedCount() const { return ColumnCount() - serverCount_; }

    // Name lookup: see the implementation for the rules (dialect 3 case
    // rules, aliases, REL.FIELD, quoted forms). ByName raises
    // EIB_StatementError "FieldName: %s not found".
    bool GetByName(std::string_view name, TIB_Column*& column) const;
    TIB_Column* FindByName(std::string_view name) const;
    TIB_Column& ByName(std::string_view name) const;
    TIB_Column& ParamByName(std::string_view name) const { return ByName(name); }
    // The column at descriptor position n; EIB_Error "FieldNo: %d not found".
    TIB_Column& BySQLNo(int n) const;
    int RelationCount() const { return static_cast<int>(relations_.size()); }
    const TIB_StringList& RelationNames() const { return relations_; }

    // --- values ---------------------------------------------------------------
    size_t RecordSize() const { return blockSize_; }
    void GetRecord(void* record) const;
    void SetRecord(const void* record);
    const unsigned char* CurrentBuffer() const { return buffer_.get(); }
    const unsigned char* OldBuffer() const { return buffer_.get() + blockSize_; }
    // old := current / current := old.
    void SaveOldValues();
    void RestoreOldValues();
    // Some column's current value differs from its old value.
    bool IsModified() const;
    // Every value null (both blocks), blob nodes dropped.
    void ClearValues();
    // Data filled with each column's fill byte; columns the server
    // describes as not nullable become non-null, all others null.
    void BlankValues();

    // --- blobs ------------------------------------------------------------------
    bool HasChangedBlobs() const;
    // Stores every changed, non-null blob column whose identifier is zero:
    // a new blob written in pieces of at most 65535 bytes; the new
    // identifier goes into the column's data.
    void WriteChangedBlobs(TIB_Connection& connection, TIB_Transaction& transaction);
    // After a successful execute: the written nodes stay cached under
    // their new identifiers.
    void ConfirmBlobWrites();
    // After a failed execute: identifiers of changed blobs back to zero so
    // that a retry writes them again.
    void ResetBlobWrites();
    void ClearBlobCache();
    size_t CachedBlobCount() const { return blobCache_.size(); }
    // Cached node with this identifier, or null.
    std::shared_ptr<TIB_BlobNode> FindBlob(const TIB_BlobId& id) const;
    void CacheBlob(const std::shared_ptr<TIB_BlobNode>& node) const;

    // --- sharing ----------------------------------------------------------------
    // Makes the column `param` of this (input) row read its value straight
    // from `source`'s current (or old) buffer, with source's type: the
    // update statements of a dataset send the row's values without
    // copying. Valid until either row is rebuilt.
    void ShareColumn(TIB_Column& param, const TIB_Column& source, bool oldValue);

    // The row's XSQLDA (server variables in sqld), for the client API.
    void* SQLDA() const { return area_.Data(); }

private:
    friend class TIB_Column;
    friend class TIB_ColumnBlob;
    void BeforeChange(TIB_Column& c);
    void AfterChange(TIB_Column& c);
    void ColumnChanged(TIB_Column& c);
    std::unique_ptr<TIB_Column> MakeColumn(int index, const TIB_ColumnDef& def);
    bool Matches(const std::string& a, const std::string& b) const;
    bool FindBy(const std::string& key, bool bySQLName, TIB_Column*& out) const;
    bool FindByRel(const std::string& rel, const std::string& field, bool bySQLName, TIB_Column*& out) const;
    bool LookupPlain(std::string_view name, bool allowRetry, TIB_Column*& out) const;
    bool LookupDotted(std::string_view name, size_t dot, bool allowRetry, TIB_Column*& out) const;
    void UpdateVar(TIB_Column& c);

    TIB_RowKind kind_;
    TIB_Statement* statement_;
    TIB_RowOptions options_;
    std::vector<std::unique_ptr<TIB_Column>> columns_;
    std::vector<TIB_Column*> bySQLNo_;
    int serverCount_ = 0;
    TIB_StringList relations_;
    TIB_DescriptorArea area_;
    std::unique_ptr<unsigned char[]> buffer_;
    size_t blockSize_ = 0;
    mutable std::list<std::shared_ptr<TIB_BlobNode>> blobCache_;
    mutable int lastHit_ = -1;
    // Names already looked up, as given, and the column each found: a
    // lookup resolves the same name to the same column until the columns
    // change, and the export loops look up the same few names per row.
    struct TNameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    mutable std::unordered_map<std::string, TIB_Column*, TNameHash, std::equal_to<>> found_;
    bool propagating_ = false;
    std::uint64_t generation_ = 0;
};

} // namespace varnel::db
