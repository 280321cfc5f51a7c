#include "db/IB_Row.h"

#include "db/IB_Api.h"
#include "db/IB_Connection.h"
#include "db/IB_Markers.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"

#include <algorithm>
#include <cstring>

namespace varnel::db {

namespace {

constexpr size_t kAlign = 8;

size_t Align(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

void CopyName(ISC_SHORT& length, ISC_SCHAR* dest, const std::string& name)
{
    size_t n = std::min<size_t>(name.size(), 31);
    std::memcpy(dest, name.data(), n);
    dest[n] = 0;
    length = static_cast<ISC_SHORT>(n);
}

std::string Quote(std::string_view s)
{
    std::string r = "\"";
    for (char c : s) {
        r += c;
        if (c == '"')
            r += '"';
    }
    return r + "\"";
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

struct BlobHandle {
    isc_blob_handle h = 0;
    ~BlobHandle()
    {
        if (h && detail::Api().dll_cancel_blob) {
            ISC_STATUS_ARRAY st = {};
            detail::Api().dll_cancel_blob(st, &h);
        }
    }
};

} // namespace

TIB_Row::TIB_Row(TIB_RowKind kind, TIB_Statement* statement) : kind_(kind), statement_(statement) {}

TIB_Row::~TIB_Row() = default;

void TIB_Row::Reset()
{
    ++generation_;
    columns_.clear();
    bySQLNo_.clear();
    relations_.clear();
    serverCount_ = 0;
    buffer_.reset();
    blockSize_ = 0;
    blobCache_.clear();
    lastHit_ = -1;
    found_.clear();
    if (area_.Data()) {
        auto* da = static_cast<XSQLDA*>(area_.Data());
        da->sqld = 0;
    }
}

std::unique_ptr<TIB_Column> TIB_Row::MakeColumn(int index, const TIB_ColumnDef& def)
{
    const int type = def.SQLType & ~1;
    const bool scaled = def.SQLScale != 0;
    switch (type) {
    case SQLTYPE_VARYING: return std::make_unique<TIB_ColumnVarText>(*this, index, def);
    case SQLTYPE_TEXT: {
        bool nameIsKey = SameText(def.SQLName, "DB_KEY") || SameText(def.SQLName, "RDB$DB_KEY");
        bool aliasIsKey = SameText(def.AliasName, "DB_KEY") || SameText(def.AliasName, "RDB$DB_KEY");
        if (nameIsKey || (aliasIsKey && def.SQLLen > 0 && def.SQLLen % 8 == 0))
            return std::make_unique<TIB_ColumnDB_KEY>(*this, index, def);
        return std::make_unique<TIB_ColumnText>(*this, index, def);
    }
    case SQLTYPE_DOUBLE:
        if (scaled)
            return std::make_unique<TIB_ColumnNumeric>(*this, index, def);
        return std::make_unique<TIB_ColumnDouble>(*this, index, def);
    case SQLTYPE_FLOAT: return std::make_unique<TIB_ColumnFloat>(*this, index, def);
    case SQLTYPE_LONG:
        if (scaled)
            return std::make_unique<TIB_ColumnNumeric>(*this, index, def);
        return std::make_unique<TIB_ColumnInteger>(*this, index, def);
    case SQLTYPE_SHORT:
        if (scaled)
            return std::make_unique<TIB_ColumnNumeric>(*this, index, def);
        return std::make_unique<TIB_ColumnSmallInt>(*this, index, def);
    case SQLTYPE_TIMESTAMP: return std::make_unique<TIB_ColumnTimeStamp>(*this, index, def);
    case SQLTYPE_BLOB:
        if (def.SQLSubType == 1)
            return std::make_unique<TIB_ColumnMemo>(*this, index, def);
        if (def.SQLSubType == 2)
            return std::make_unique<TIB_ColumnBLR>(*this, index, def);
        return std::make_unique<TIB_ColumnBinary>(*this, index, def);
    case SQLTYPE_ARRAY: return std::make_unique<TIB_ColumnArray>(*this, index, def);
    case SQLTYPE_QUAD:
        if (scaled)
            return std::make_unique<TIB_ColumnNumeric>(*this, index, def);
        return std::make_unique<TIB_ColumnQuad>(*this, index, def);
    case SQLTYPE_TIME: return std::make_unique<TIB_ColumnTime>(*this, index, def);
    case SQLTYPE_DATE: return std::make_unique<TIB_ColumnDate>(*this, index, def);
    case SQLTYPE_INT64:
        if (scaled)
            return std::make_unique<TIB_ColumnNumeric>(*this, index, def);
        return std::make_unique<TIB_ColumnInt64>(*this, index, def);
    case SQLTYPE_IB_BOOLEAN:
    case SQLTYPE_BOOLEAN: return std::make_unique<TIB_ColumnBoolean>(*this, index, def);
    case SQLTYPE_NULL: return std::make_unique<TIB_ColumnNull>(*this, index, def);
    default: throw EIB_StatementError("Unsupported Column type: " + std::to_string(type));
    }
}

void TIB_Row::Build(const std::vector<TIB_ColumnDef>& server, const std::vector<TIB_ColumnDef>& calculated,
                    const TIB_RowOptions& options)
{
    Reset();
    options_ = options;
    const int n = static_cast<int>(server.size());
    const int m = static_cast<int>(calculated.size());
    std::vector<std::unique_ptr<TIB_Column>> made;
    made.reserve(static_cast<size_t>(n + m));
    for (int i = 0; i < n; ++i)
        made.push_back(MakeColumn(i, server[static_cast<size_t>(i)]));
    for (int j = 0; j < m; ++j)
        made.push_back(MakeColumn(-(j + 1), calculated[static_cast<size_t>(j)]));

    // Layout: each column an aligned indicator followed by aligned data.
    size_t offset = 0;
    for (auto& c : made) {
        c->offset_ = offset;
        offset += kAlign + Align(static_cast<size_t>(std::max(c->DataSize(), 0)));
    }
    blockSize_ = offset;
    buffer_ = std::make_unique<unsigned char[]>(blockSize_ * 2 + 1);
    for (auto& c : made) {
        c->ind_ = buffer_.get() + c->offset_;
        c->data_ = c->ind_ + kAlign;
        int t = c->DataType();
        if (kind_ == TIB_RowKind::rkOutput && !options.NoTrimming && (t == SQLTYPE_TEXT || t == SQLTYPE_VARYING) &&
            !dynamic_cast<TIB_ColumnDB_KEY*>(c.get()))
            c->trimming_ = TIB_ColumnTrimming::ctRight;
    }

    area_.Ensure(std::max(n + m, 1));
    auto* da = static_cast<XSQLDA*>(area_.Data());
    da->sqln = static_cast<ISC_SHORT>(area_.Capacity());
    da->sqld = static_cast<ISC_SHORT>(n);
    serverCount_ = n;
    bySQLNo_.resize(static_cast<size_t>(n));
    for (auto& c : made) {
        if (c->index_ >= 0)
            bySQLNo_[static_cast<size_t>(c->index_)] = c.get();
        UpdateVar(*c);
    }

    // Master-link and search parameters go to the end of an input row.
    if (kind_ == TIB_RowKind::rkInput) {
        std::stable_partition(made.begin(), made.end(), [](const std::unique_ptr<TIB_Column>& c) {
            const std::string& name = c->Def().AliasName;
            return !(StartsWith(name, "MLNK_") || StartsWith(name, "QBE_"));
        });
    }
    columns_ = std::move(made);
    for (size_t i = 0; i < columns_.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (Matches(columns_[j]->FieldName(), columns_[i]->FieldName()))
                columns_[i]->dupFieldName_ = true;
            if (Matches(columns_[j]->SQLName(), columns_[i]->SQLName()))
                columns_[i]->dupSQLName_ = true;
        }
    }
    for (auto& c : columns_)
        if (!c->RelName().empty() &&
            std::find(relations_.begin(), relations_.end(), c->RelName()) == relations_.end())
            relations_.push_back(c->RelName());
    std::sort(relations_.begin(), relations_.end());
    ClearValues();
}

void TIB_Row::UpdateVar(TIB_Column& c)
{
    auto* da = static_cast<XSQLDA*>(area_.Data());
    if (!da)
        return;
    int slot = c.index_ >= 0 ? c.index_ : serverCount_ + (-c.index_ - 1);
    if (slot >= da->sqln)
        return;
    XSQLVAR& v = da->sqlvar[slot];
    v.sqltype = static_cast<ISC_SHORT>(c.def_.SQLType | (kind_ == TIB_RowKind::rkInput ? 1 : 0));
    v.sqlscale = static_cast<ISC_SHORT>(c.def_.SQLScale);
    v.sqlsubtype = static_cast<ISC_SHORT>(c.def_.SQLSubType);
    v.sqllen = static_cast<ISC_SHORT>(c.def_.SQLLen);
    v.sqldata = reinterpret_cast<ISC_SCHAR*>(c.data_);
    v.sqlind = reinterpret_cast<ISC_SHORT*>(c.ind_);
    CopyName(v.sqlname_length, v.sqlname, c.def_.SQLName);
    CopyName(v.relname_length, v.relname, c.def_.RelName);
    CopyName(v.ownname_length, v.ownname, c.def_.OwnName);
    CopyName(v.aliasname_length, v.aliasname, c.def_.AliasName);
}

// --- lookup ----------------------------------------------------------------------

bool TIB_Row::Matches(const std::string& a, const std::string& b) const
{
    return options_.Dialect >= 3 ? a == b : SameText(a, b);
}

bool TIB_Row::FindBy(const std::string& key, bool bySQLName, TIB_Column*& out) const
{
    auto test = [&](size_t i) {
        const TIB_Column& c = *columns_[i];
        return Matches(bySQLName ? c.SQLName() : c.FieldName(), key);
    };
    // The column after the last hit is tried first (lookups in column
    // order), but only a column whose name no earlier column has: the
    // same name always finds the same column.
    size_t next = static_cast<size_t>(lastHit_ + 1);
    if (next < columns_.size() && !(bySQLName ? columns_[next]->dupSQLName_ : columns_[next]->dupFieldName_) &&
        test(next)) {
        out = columns_[next].get();
        lastHit_ = static_cast<int>(next);
        return true;
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (test(i)) {
            out = columns_[i].get();
            lastHit_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool TIB_Row::FindByRel(const std::string& rel, const std::string& field, bool bySQLName, TIB_Column*& out) const
{
    auto test = [&](size_t i) {
        const TIB_Column& c = *columns_[i];
        return Matches(c.RelName(), rel) && Matches(bySQLName ? c.SQLName() : c.FieldName(), field);
    };
    size_t next = static_cast<size_t>(lastHit_ + 1);
    if (next < columns_.size() && !(bySQLName ? columns_[next]->dupSQLName_ : columns_[next]->dupFieldName_) &&
        test(next)) {
        out = columns_[next].get();
        lastHit_ = static_cast<int>(next);
        return true;
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (test(i)) {
            out = columns_[i].get();
            lastHit_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool TIB_Row::LookupPlain(std::string_view name, bool allowRetry, TIB_Column*& out) const
{
    const std::string n = Trim(name);
    const bool quoted = IsQuoted(n);
    const std::string key = quoted ? FormatIdentifier(options_.Dialect, Unquote(n)) : UpperCase(n);
    if (FindBy(key, false, out) || FindBy(key, true, out))
        return true;
    if (quoted || !allowRetry)
        return false;
    // A reserved word stored quoted ("DATE"), then the name as given in
    // quotes (a lower-case column named without its quotes).
    const std::string formatted = FormatIdentifier(options_.Dialect, UpperCase(n));
    if (formatted != key && (FindBy(formatted, false, out) || FindBy(formatted, true, out)))
        return true;
    return LookupPlain(Quote(n), false, out);
}

bool TIB_Row::LookupDotted(std::string_view name, size_t dot, bool allowRetry, TIB_Column*& out) const
{
    const std::string rel = Trim(name.substr(0, dot));
    const std::string field = Trim(name.substr(dot + 1));
    auto norm = [&](const std::string& part) {
        return IsQuoted(part) ? FormatIdentifier(options_.Dialect, Unquote(part)) : UpperCase(part);
    };
    const std::string r = norm(rel), f = norm(field);
    if (FindByRel(r, f, false, out) || FindByRel(r, f, true, out))
        return true;
    if (!allowRetry || (IsQuoted(rel) && IsQuoted(field)))
        return false;
    const std::string qrel = IsQuoted(rel) ? rel : Quote(rel);
    const std::string q = qrel + "." + (IsQuoted(field) ? field : Quote(field));
    return LookupDotted(q, qrel.size(), false, out);
}

bool TIB_Row::GetByName(std::string_view name, TIB_Column*& column) const
{
    column = nullptr;
    if (columns_.empty())
        return false;
    if (auto hit = found_.find(name); hit != found_.end()) {
        column = hit->second;
        return true;
    }
    const std::string n = Trim(name);
    if (n.empty())
        return false;
    int dot = getLitSafePos('.', n, 1);
    const bool ok = dot > 0 ? LookupDotted(n, static_cast<size_t>(dot - 1), true, column)
                            : LookupPlain(n, true, column);
    // Bounded: names come from code and settings, but a caller looking up
    // many different names must not grow the row without end.
    if (ok && found_.size() < 256)
        found_.emplace(std::string(name), column);
    return ok;
}

TIB_Column* TIB_Row::FindByName(std::string_view name) const
{
    TIB_Column* c = nullptr;
    return GetByName(name, c) ? c : nullptr;
}

TIB_Column& TIB_Row::ByName(std::string_view name) const
{
    TIB_Column* c = nullptr;
    if (!GetByName(name, c))
        throw EIB_StatementError("FieldName: " + std::string(name) + " not found");
    return *c;
}

TIB_Column& TIB_Row::BySQLNo(int n) const
{
    if (n < 0 || n >= static_cast<int>(bySQLNo_.size()))
        throw EIB_Error("FieldNo: " + std::to_string(n) + " not found");
    return *bySQLNo_[static_cast<size_t>(n)];
}

// --- values ----------------------------------------------------------------------

void TIB_Row::GetRecord(void* record) const
{
    if (blockSize_)
        std::memcpy(record, buffer_.get(), blockSize_);
}

void TIB_Row::SetRecord(const void* record)
{
    if (blockSize_)
        std::memcpy(buffer_.get(), record, blockSize_);
}

void TIB_Row::SaveOldValues()
{
    if (blockSize_)
        std::memcpy(buffer_.get() + blockSize_, buffer_.get(), blockSize_);
}

void TIB_Row::RestoreOldValues()
{
    if (blockSize_)
        std::memcpy(buffer_.get(), buffer_.get() + blockSize_, blockSize_);
    for (auto& c : columns_)
        if (c->node_ && c->node_->Changed)
            c->node_.reset();
}

bool TIB_Row::IsModified() const
{
    for (auto& c : columns_)
        if (c->IsModified())
            return true;
    return false;
}

void TIB_Row::ClearValues()
{
    if (!buffer_)
        return;
    std::memset(buffer_.get(), 0, blockSize_ * 2);
    const std::int16_t null = -1;
    for (auto& c : columns_) {
        std::memcpy(buffer_.get() + c->offset_, &null, 2);
        std::memcpy(buffer_.get() + blockSize_ + c->offset_, &null, 2);
        c->node_.reset();
    }
    blobCache_.clear();
}

void TIB_Row::BlankValues()
{
    for (auto& c : columns_) {
        c->Blank();
        c->SetIndicator(c->serverNullable_ || c->IsCalculated() ? -1 : 0);
        c->node_.reset();
    }
}

// --- change notifications ---------------------------------------------------------

void TIB_Row::BeforeChange(TIB_Column& c)
{
    if (statement_)
        statement_->SysBeforeColumnChange(*this, c);
}

void TIB_Row::ColumnChanged(TIB_Column& c)
{
    if (statement_)
        statement_->SysColumnChanged(*this, c);
}

void TIB_Row::AfterChange(TIB_Column& c)
{
    // A parameter named twice in the SQL gets the value in both places.
    if (kind_ != TIB_RowKind::rkInput || propagating_)
        return;
    propagating_ = true;
    try {
        for (auto& other : columns_) {
            TIB_Column& o = *other;
            if (&o == &c || o.shareSource_ || !Matches(o.FieldName(), c.FieldName()) ||
                !Matches(o.RelName(), c.RelName()))
                continue;
            if (o.def_.SQLType == c.def_.SQLType && o.def_.SQLLen == c.def_.SQLLen &&
                o.def_.SQLScale == c.def_.SQLScale) {
                std::memcpy(o.ind_, c.ind_, 2);
                std::memcpy(o.data_, c.data_, static_cast<size_t>(c.DataSize()));
                o.node_ = c.node_;
            } else if (c.IsNull()) {
                o.SetIsNull(true);
            } else {
                o.SetAsString(c.AsString());
            }
        }
    } catch (...) {
        propagating_ = false;
        throw;
    }
    propagating_ = false;
}

// --- blobs ----------------------------------------------------------------------------

std::shared_ptr<TIB_BlobNode> TIB_Row::FindBlob(const TIB_BlobId& id) const
{
    for (auto& n : blobCache_)
        if (n->Id == id && !n->Changed)
            return n;
    return nullptr;
}

void TIB_Row::CacheBlob(const std::shared_ptr<TIB_BlobNode>& node) const
{
    blobCache_.remove(node);
    blobCache_.push_front(node);
}

void TIB_Row::ClearBlobCache()
{
    blobCache_.clear();
    for (auto& c : columns_)
        if (!(c->node_ && c->node_->Changed))
            c->node_.reset();
}

bool TIB_Row::HasChangedBlobs() const
{
    for (auto& c : columns_)
        if (c->IsBlob() && c->node_ && c->node_->Changed && !c->IsNull())
            return true;
    return false;
}

void TIB_Row::WriteChangedBlobs(TIB_Connection& connection, TIB_Transaction& transaction)
{
    static const TIB_BlobId zero{};
    const auto& api = detail::Api();
    for (auto& c : columns_) {
        if (!c->IsBlob() || c->shareSource_ || !c->node_ || !c->node_->Changed || c->IsNull())
            continue;
        TIB_BlobId current;
        std::memcpy(current.data(), c->data_, 8);
        if (current != zero)
            continue;
        transaction.StartOnDemand();
        TIB_Component* reporter = statement_ ? static_cast<TIB_Component*>(statement_) : &connection;
        ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(reporter->Session().StatusVector());
        BlobHandle blob;
        ISC_QUAD quad = {};
        long rc = api.dll_create_blob2(st, connection.DbHandlePtr(), transaction.HandlePtr(), &blob.h, &quad, 0,
                                       nullptr);
        auto fail = [&](long code) {
            if (statement_)
                statement_->ReportAPIError(code);
            else
                connection.ReportAPIError(code);
        };
        if (rc != 0) {
            blob.h = 0;
            fail(rc);
            return;
        }
        const std::string& data = c->node_->Data;
        size_t offset = 0;
        while (offset < data.size()) {
            unsigned short piece = static_cast<unsigned short>(std::min<size_t>(data.size() - offset, 65535));
            rc = api.dll_put_segment(st, &blob.h, piece, data.data() + offset);
            if (rc != 0) {
                fail(rc);
                return;
            }
            offset += piece;
        }
        rc = api.dll_close_blob(st, &blob.h);
        if (rc != 0) {
            fail(rc);
            return;
        }
        blob.h = 0;
        std::memcpy(c->data_, &quad, 8);
        std::memcpy(c->node_->Id.data(), &quad, 8);
    }
}

void TIB_Row::ConfirmBlobWrites()
{
    static const TIB_BlobId zero{};
    for (auto& c : columns_) {
        if (!c->IsBlob() || !c->node_ || !c->node_->Changed || c->node_->Id == zero)
            continue;
        c->node_->Changed = false;
        c->node_->Loaded = true;
        CacheBlob(c->node_);
    }
}

void TIB_Row::ResetBlobWrites()
{
    for (auto& c : columns_) {
        if (!c->IsBlob() || !c->node_ || !c->node_->Changed)
            continue;
        c->node_->Id = TIB_BlobId{};
        std::memset(c->data_, 0, 8);
    }
}

// --- sharing ----------------------------------------------------------------------------

void TIB_Row::ShareColumn(TIB_Column& param, const TIB_Column& source, bool oldValue)
{
    auto it = std::find_if(columns_.begin(), columns_.end(), [&](const auto& c) { return c.get() == &param; });
    if (it == columns_.end())
        throw EIB_Error("FieldName: " + param.FieldName() + " not found");
    TIB_ColumnDef def = param.def_;
    def.SQLType = source.def_.SQLType | 1;
    def.SQLScale = source.def_.SQLScale;
    def.SQLSubType = source.def_.SQLSubType;
    def.SQLLen = source.def_.SQLLen;
    std::unique_ptr<TIB_Column> shared = MakeColumn(param.index_, def);
    shared->offset_ = param.offset_;
    shared->shareSource_ = &source;
    shared->shareOld_ = oldValue;
    if (oldValue) {
        shared->ind_ = const_cast<unsigned char*>(source.row_.OldBuffer()) + source.offset_;
        shared->data_ = shared->ind_ + (source.data_ - source.ind_);
    } else {
        shared->ind_ = source.ind_;
        shared->data_ = source.data_;
    }
    shared->trimming_ = param.trimming_;
    shared->dupFieldName_ = param.dupFieldName_;
    shared->dupSQLName_ = param.dupSQLName_;
    if (param.index_ >= 0)
        bySQLNo_[static_cast<size_t>(param.index_)] = shared.get();
    UpdateVar(*shared);
    *it = std::move(shared);
    lastHit_ = -1;
    found_.clear();
}

} // namespace varnel::db
