#pragma once
// TIB_Column and its classes: one typed value of a row (a parameter or an
// output column). A column does not own its bytes: its null indicator and
// data lie in its row's value buffer, which the client API reads and
// writes in place; every getter reads there. Text blobs are read lazily
// and cached per row by blob identifier; writing one keeps the text in a
// blob node until the statement executes (TIB_Row::WriteChangedBlobs).
//
// Change protocol: every setter first gives the statement a chance to
// veto (SysBeforeColumnChange), saves the column's indicator and data,
// stores the new value, then runs the column's OnChange and the
// statement's SysColumnChanged; if any of these raises, the saved bytes
// are put back and the exception propagates.
#include "db/IB_Text.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace varnel::db {

class TIB_Row;

// Type codes of the server (the null bit is the lowest bit).
constexpr int SQLTYPE_VARYING = 448;
constexpr int SQLTYPE_TEXT = 452;
constexpr int SQLTYPE_DOUBLE = 480;
constexpr int SQLTYPE_FLOAT = 482;
constexpr int SQLTYPE_LONG = 496;
constexpr int SQLTYPE_SHORT = 500;
constexpr int SQLTYPE_TIMESTAMP = 510;
constexpr int SQLTYPE_BLOB = 520;
constexpr int SQLTYPE_ARRAY = 540;
constexpr int SQLTYPE_QUAD = 550;
constexpr int SQLTYPE_TIME = 560;
constexpr int SQLTYPE_DATE = 570;
constexpr int SQLTYPE_INT64 = 580;
constexpr int SQLTYPE_IB_BOOLEAN = 590;
constexpr int SQLTYPE_BOOLEAN = 32764;
constexpr int SQLTYPE_NULL = 32766;

enum class TIB_ColumnTrimming { ctNone, ctAll, ctBoth, ctLeft, ctRight, ctSentence };
enum class TIB_CharCase { ccNone, ccUpper, ccLower };

// The description of one variable, as the server describes it (or as a
// calculated column is declared). Names are the raw names (unquoted).
struct TIB_ColumnDef {
    int SQLType = 0; // including the null bit
    int SQLScale = 0;
    int SQLSubType = 0;
    int SQLLen = 0;
    std::string SQLName;
    std::string RelName;
    std::string OwnName;
    std::string AliasName;
};

using TIB_BlobId = std::array<unsigned char, 8>;

// The contents of one blob, cached per row by identifier.
struct TIB_BlobNode {
    TIB_BlobId Id{};       // all zero for a blob not yet written
    std::string Data;      // the bytes (capacity: Data.capacity())
    bool Changed = false;  // written by the application, not yet stored
    bool Loaded = false;
};

class TIB_Column {
public:
    TIB_Column(TIB_Row& row, int index, const TIB_ColumnDef& def);
    virtual ~TIB_Column();
    TIB_Column(const TIB_Column&) = delete;
    TIB_Column& operator=(const TIB_Column&) = delete;
    virtual std::string ClassName() const { return "TIB_Column"; }

    TIB_Row& Row() const { return row_; }
    // Position in the descriptor area; negative for calculated columns.
    int Index() const { return index_; }
    bool IsCalculated() const { return index_ < 0; }

    int SQLType() const { return def_.SQLType; }
    int SQLScale() const { return def_.SQLScale; }
    int SQLSubType() const { return def_.SQLSubType; }
    int SQLLen() const { return def_.SQLLen; }
    // The type without the null bit.
    int DataType() const { return def_.SQLType & ~1; }
    bool IsNullable() const { return (def_.SQLType & 1) != 0; }
    // Bytes of data: SQLLen, plus 2 for VARCHAR.
    int DataSize() const;
    const TIB_ColumnDef& Def() const { return def_; }

    // The alias as an identifier (or "COLUMN" + index below dialect 3
    // when empty); the server field name ("DB_KEY" reads as
    // "RDB$DB_KEY"); the relation name (empty when unknown).
    const std::string& FieldName() const { return fieldName_; }
    const std::string& SQLName() const { return sqlName_; }
    const std::string& RelName() const { return relName_; }
    std::string FullFieldName() const;
    std::string BestFieldName() const;
    // Server-computed column of a user relation (connection's catalogue
    // cache), or one marked with the COMPUTED attribute.
    bool Computed() const;
    void SetComputedAttribute(bool v) { computedAttribute_ = v; }

    // --- values (null reads as "", 0, false) ---------------------------------
    // Text: blobs whole, CHAR/VARCHAR of output rows right-trimmed.
    std::string AsString() const;
    void SetAsString(const std::string& value);
    // AsInteger is 32-bit (catalogue codes, lengths, flags); AsInt64 for
    // BIGINT values. Text that is no number raises EIB_ColumnError.
    int AsInteger() const { return static_cast<int>(AsInt64()); }
    void SetAsInteger(std::int64_t value);
    std::int64_t AsInt64() const;
    double AsDouble() const;
    void SetAsDouble(double value);
    bool IsNull() const;
    bool IsNotNull() const { return !IsNull(); }
    void SetIsNull(bool value);
    void Clear() { SetIsNull(true); }
    // Copies the value of another column (blobs: the whole contents).
    void Assign(const TIB_Column& source);

    // The value in the row's old-value buffer.
    std::string OldAsString() const;
    bool OldIsNull() const;
    // Current value differs from the old one (blob contents compared).
    bool IsModified() const;

    // --- attributes -------------------------------------------------------------
    TIB_ColumnTrimming Trimming() const { return trimming_; }
    void SetTrimming(TIB_ColumnTrimming t) { trimming_ = t; }
    TIB_CharCase CharCase() const { return charCase_; }
    void SetCharCase(TIB_CharCase c) { charCase_ = c; }
    bool BlankIsNull() const { return blankIsNull_; }
    void SetBlankIsNull(bool v) { blankIsNull_ = v; }
    bool Binary() const { return binary_; }
    void SetBinary(bool v) { binary_ = v; }
    // Byte that blanks the data: a space for CHAR/VARCHAR (unless Binary).
    char FillByte() const;

    // Runs after every change of the value (may veto by raising).
    std::function<void(TIB_Column&)> OnChange;

    // --- raw access (row buffer) -----------------------------------------------------
    const unsigned char* Data() const { return data_; }
    std::int16_t Indicator() const;

protected:
    friend class TIB_Row;
    friend class TIB_Statement;
    class ChangeScope;

    // Text of a non-null value whose data is at `data`.
    virtual std::string GetText(const unsigned char* data) const = 0;
    // Stores a value given as text (called inside the change protocol).
    virtual void PutText(const std::string& text) = 0;
    // Integer of a non-null value; default: parsed from the text.
    virtual std::int64_t GetInt(const unsigned char* data) const;
    virtual void PutInt(std::int64_t v) { PutText(std::to_string(v)); }
    virtual double GetFloat(const unsigned char* data) const;
    virtual void PutFloat(double v);
    virtual bool IsBlob() const { return false; }
    // Copies the value of `source` inside the change protocol.
    virtual void PutAssign(const TIB_Column& source);

    // Helpers for the classes.
    void SetIndicator(std::int16_t v);
    void Blank();
    // Empty text: 0 for a column the server says is not nullable (in an
    // output row only without BLANKISNULL), else null. Returns true when
    // the text was empty and has been handled.
    bool HandleEmptyNumber(const std::string& trimmed);
    std::string ApplyCase(std::string s) const;
    std::string ApplyTrim(std::string s) const;
    void AddNullBit();
    int Dialect() const;

    TIB_Row& row_;
    int index_;
    TIB_ColumnDef def_;
    std::string fieldName_, sqlName_, relName_;
    unsigned char* ind_ = nullptr;  // 16-bit indicator in the current buffer
    unsigned char* data_ = nullptr; // data in the current buffer
    size_t offset_ = 0;             // of the indicator in a buffer block
    const TIB_Column* shareSource_ = nullptr;
    bool shareOld_ = false;
    TIB_ColumnTrimming trimming_ = TIB_ColumnTrimming::ctNone;
    TIB_CharCase charCase_ = TIB_CharCase::ccNone;
    bool blankIsNull_ = false;
    bool binary_ = false;
    bool computedAttribute_ = false;
    bool serverNullable_ = false; // as the server described it
    bool dupFieldName_ = false;   // an earlier column of the row has the same FieldName
    bool dupSQLName_ = false;     // ... the same SQLName
    // Blob columns: the node last read or written.
    mutable std::shared_ptr<TIB_BlobNode> node_;
};

class TIB_ColumnText : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnText"; }

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
};

class TIB_ColumnVarText : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnVarText"; }

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
};

class TIB_ColumnDB_KEY : public TIB_ColumnText {
public:
    using TIB_ColumnText::TIB_ColumnText;
    std::string ClassName() const override { return "TIB_ColumnDB_KEY"; }

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
};

// SMALLINT, INTEGER and BIGINT without scale.
class TIB_ColumnIntegral : public TIB_Column {
public:
    using TIB_Column::TIB_Column;

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
    std::int64_t GetInt(const unsigned char* data) const override;
    void PutInt(std::int64_t v) override;
    double GetFloat(const unsigned char* data) const override { return static_cast<double>(GetInt(data)); }
    void PutFloat(double v) override;
};

class TIB_ColumnSmallInt : public TIB_ColumnIntegral {
public:
    using TIB_ColumnIntegral::TIB_ColumnIntegral;
    std::string ClassName() const override { return "TIB_ColumnSmallInt"; }
};
class TIB_ColumnInteger : public TIB_ColumnIntegral {
public:
    using TIB_ColumnIntegral::TIB_ColumnIntegral;
    std::string ClassName() const override { return "TIB_ColumnInteger"; }
};
class TIB_ColumnInt64 : public TIB_ColumnIntegral {
public:
    using TIB_ColumnIntegral::TIB_ColumnIntegral;
    std::string ClassName() const override { return "TIB_ColumnInt64"; }
};
class TIB_ColumnQuad : public TIB_ColumnIntegral {
public:
    using TIB_ColumnIntegral::TIB_ColumnIntegral;
    std::string ClassName() const override { return "TIB_ColumnQuad"; }
};

// A scaled number (NUMERIC/DECIMAL) stored as an integer or a double.
class TIB_ColumnNumeric : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnNumeric"; }

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
    std::int64_t GetInt(const unsigned char* data) const override;
    double GetFloat(const unsigned char* data) const override;
    void PutFloat(double v) override;
    void PutInt(std::int64_t v) override { PutFloat(static_cast<double>(v)); }
    // The unscaled integer (for integer storage).
    std::int64_t Raw(const unsigned char* data) const;
    void PutRaw(std::int64_t v);
};

class TIB_ColumnFloatBase : public TIB_Column {
public:
    using TIB_Column::TIB_Column;

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
    double GetFloat(const unsigned char* data) const override;
    void PutFloat(double v) override;
};
class TIB_ColumnDouble : public TIB_ColumnFloatBase {
public:
    using TIB_ColumnFloatBase::TIB_ColumnFloatBase;
    std::string ClassName() const override { return "TIB_ColumnDouble"; }
};
class TIB_ColumnFloat : public TIB_ColumnFloatBase {
public:
    using TIB_ColumnFloatBase::TIB_ColumnFloatBase;
    std::string ClassName() const override { return "TIB_ColumnFloat"; }
};

// DATE, TIME and TIMESTAMP as "YYYY-MM-DD", "HH:MM:SS[.ffff]" and both
// joined by a blank.
class TIB_ColumnDateTime : public TIB_Column {
public:
    using TIB_Column::TIB_Column;

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
};
class TIB_ColumnTimeStamp : public TIB_ColumnDateTime {
public:
    using TIB_ColumnDateTime::TIB_ColumnDateTime;
    std::string ClassName() const override { return "TIB_ColumnTimeStamp"; }
};
class TIB_ColumnDate : public TIB_ColumnDateTime {
public:
    using TIB_ColumnDateTime::TIB_ColumnDateTime;
    std::string ClassName() const override { return "TIB_ColumnDate"; }
};
class TIB_ColumnTime : public TIB_ColumnDateTime {
public:
    using TIB_ColumnDateTime::TIB_ColumnDateTime;
    std::string ClassName() const override { return "TIB_ColumnTime"; }
};

// BOOLEAN: "TRUE" / "FALSE"; reads "T", "Y", "1" and "TRUE" (any case) as
// true, "F", "N", "0" and "FALSE" as false.
class TIB_ColumnBoolean : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnBoolean"; }

protected:
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
    std::int64_t GetInt(const unsigned char* data) const override;
};

// A parameter the server types as NULL ("? IS NULL"): no data, only the
// indicator. An empty text makes it null, any other text non-null.
class TIB_ColumnNull : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnNull"; }

protected:
    std::string GetText(const unsigned char*) const override { return {}; }
    void PutText(const std::string& text) override;
};

// Size facts of a stored blob (isc_blob_info).
struct TIB_BlobInfo {
    long MaxSegment = 0;
    long TotalLength = 0;
    long Segments = 0;
};

// Blob columns: the value is the whole blob as one string.
class TIB_ColumnBlob : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnBlob"; }
    // Reads the stored blob's size facts from the server (null: zeros).
    TIB_BlobInfo ReadBlobInfo() const;
    // The column's blob node (the one last read or written), may be null.
    const std::shared_ptr<TIB_BlobNode>& BlobNode() const { return node_; }

protected:
    friend class TIB_Row;
    std::string GetText(const unsigned char* data) const override;
    void PutText(const std::string& text) override;
    void PutAssign(const TIB_Column& source) override;
    bool IsBlob() const override { return true; }
    // The BPB to open the blob with (none for text and binary blobs).
    virtual std::string BlobParameterBuffer() const { return {}; }
    // Ends each segment read with CR LF (BLR read as text).
    virtual bool SegmentsAsLines() const { return false; }
    // The node holding the data of blob `id` (loads it when needed); it
    // becomes the column's node when `current` (the id of the current value).
    std::shared_ptr<TIB_BlobNode> NodeFor(const TIB_BlobId& id, bool current) const;
    void Load(TIB_BlobNode& node) const;
};

class TIB_ColumnMemo : public TIB_ColumnBlob {
public:
    using TIB_ColumnBlob::TIB_ColumnBlob;
    std::string ClassName() const override { return "TIB_ColumnMemo"; }
};
class TIB_ColumnBinary : public TIB_ColumnBlob {
public:
    using TIB_ColumnBlob::TIB_ColumnBlob;
    std::string ClassName() const override { return "TIB_ColumnBinary"; }
};
// BLR, delivered by the server as text, each segment ended with CR LF.
class TIB_ColumnBLR : public TIB_ColumnBlob {
public:
    using TIB_ColumnBlob::TIB_ColumnBlob;
    std::string ClassName() const override { return "TIB_ColumnBLR"; }

protected:
    std::string BlobParameterBuffer() const override { return std::string("\x01\x02\x01\x01\x01\x01\x02", 7); }
    bool SegmentsAsLines() const override { return true; }
};
// ARRAY: only null and not null; the contents are not converted.
class TIB_ColumnArray : public TIB_Column {
public:
    using TIB_Column::TIB_Column;
    std::string ClassName() const override { return "TIB_ColumnArray"; }

protected:
    std::string GetText(const unsigned char*) const override { return {}; }
    void PutText(const std::string& text) override;
};

} // namespace varnel::db
