#include "db/IB_Statement.h"

#include "db/IB_Api.h"
#include "db/IB_Connection.h"
#include "db/IB_Markers.h"
#include "db/IB_Transaction.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace varnel::db {

namespace {

struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

std::string Name(const ISC_SCHAR* s, ISC_SHORT len)
{
    if (len <= 0)
        return {};
    return std::string(s, static_cast<size_t>(std::min<int>(len, 32)));
}

TIB_ColumnDef DefOf(const XSQLVAR& v)
{
    TIB_ColumnDef d;
    d.SQLType = v.sqltype;
    d.SQLScale = v.sqlscale;
    d.SQLSubType = v.sqlsubtype;
    d.SQLLen = v.sqllen;
    d.SQLName = Name(v.sqlname, v.sqlname_length);
    d.RelName = Name(v.relname, v.relname_length);
    d.OwnName = Name(v.ownname, v.ownname_length);
    d.AliasName = Name(v.aliasname, v.aliasname_length);
    return d;
}

// A part of a parameter name: quotes removed; upper case unless quoted in
// dialect 3; at most 32 bytes.
std::string NamePart(const std::string& part, int dialect)
{
    std::string p = Trim(part);
    std::string r = (dialect >= 3 && IsQuoted(p)) ? Unquote(p) : UpperCase(Unquote(p));
    if (r.size() > 32)
        r.resize(32);
    return r;
}

// The first words of a text, upper-cased, comments skipped.
std::string LeadingWords(const std::string& text, int count)
{
    std::string out;
    size_t i = 0;
    int words = 0;
    while (i < text.size() && words < count) {
        if (text.compare(i, 2, "/*") == 0) {
            size_t e = text.find("*/", i + 2);
            i = e == std::string::npos ? text.size() : e + 2;
            continue;
        }
        if (text.compare(i, 2, "--") == 0) {
            while (i < text.size() && text[i] != '\n')
                ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ') {
            ++i;
            continue;
        }
        size_t b = i;
        while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ' && text[i] != '(')
            ++i;
        if (i == b)
            ++i;
        if (!out.empty())
            out += ' ';
        out += UpperCase(text.substr(b, i - b));
        ++words;
    }
    return out;
}

// A procedure or trigger definition: its body names local variables with
// ":", which are no parameters.
bool IsRoutineDefinition(const std::string& text)
{
    std::string w = LeadingWords(text, 4);
    for (const char* p : {"CREATE PROCEDURE", "ALTER PROCEDURE", "RECREATE PROCEDURE", "CREATE OR ALTER PROCEDURE",
                          "CREATE TRIGGER", "ALTER TRIGGER", "RECREATE TRIGGER", "CREATE OR ALTER TRIGGER"})
        if (w.rfind(p, 0) == 0)
            return true;
    return false;
}

} // namespace

TIB_Statement::TIB_Statement(std::shared_ptr<TIB_Session> session)
    : TIB_Component(std::move(session)), params_(TIB_RowKind::rkInput, this), fields_(TIB_RowKind::rkOutput, this)
{
}

TIB_Statement::~TIB_Statement()
{
    SetDestroying();
    CloseCursorQuietly();
    prepared_ = false;
    params_.Reset();
    fields_.Reset();
    ReleaseHandle();
    if (registered_)
        registered_->RemoveStatement(this);
    registered_ = nullptr;
    if (connection_)
        connection_->RemoveStatement(this);
    if (ownTransaction_) {
        try {
            ownTransaction_->Close();
        } catch (...) {
        }
        ownTransaction_.reset();
    }
}

// --- wiring ----------------------------------------------------------------------

void TIB_Statement::SetIB_Connection(TIB_Connection* c)
{
    if (c == connection_)
        return;
    if (prepared_)
        Unprepare();
    CloseCursorQuietly();
    ReleaseHandle();
    if (connection_)
        connection_->RemoveStatement(this);
    connection_ = c;
    if (c)
        c->AddStatement(this);
    if (ownTransaction_)
        ownTransaction_->SetIB_Connection(c);
}

void TIB_Statement::SetIB_Transaction(TIB_Transaction* t)
{
    if (t == transaction_)
        return;
    CloseCursorQuietly();
    transaction_ = t;
    Register(t);
}

void TIB_Statement::SetDatabaseName(const std::string& name)
{
    databaseName_ = name;
    if (TIB_Connection* c = Session().FindConnection(name))
        SetIB_Connection(c);
}

void TIB_Statement::Register(TIB_Transaction* t)
{
    if (registered_ == t)
        return;
    if (registered_)
        registered_->RemoveStatement(this);
    registered_ = t;
    if (t)
        t->AddStatement(this);
    if (!Destroying())
        SysRegistered(t);
}

TIB_Transaction* TIB_Statement::EffectiveTransaction()
{
    TIB_Transaction* t = transaction_;
    if (!t && connection_)
        t = connection_->DefaultTransaction();
    if (!t && connection_) {
        if (!ownTransaction_) {
            ownTransaction_ = std::make_unique<TIB_Transaction>(SessionPtr());
            ownTransaction_->SetName("tr" + this->Name());
            ownTransaction_->SetAutoCommit(true);
            ownTransaction_->SetIsolation(TIB_Isolation::tiCommitted);
            ownTransaction_->SetIB_Connection(connection_);
        }
        t = ownTransaction_.get();
    }
    Register(t);
    return t;
}

// --- SQL ---------------------------------------------------------------------------

void TIB_Statement::SetSQL(const TIB_StringList& lines)
{
    if (lines == sql_)
        return;
    if (prepared_ && !preparing_)
        Unprepare();
    sql_ = lines;
    InvalidateSQL();
}

void TIB_Statement::ReplaceSQL(const TIB_StringList& lines)
{
    if (lines == sql_)
        return;
    sql_ = lines;
    InvalidateSQL();
}

void TIB_Statement::SetParamCheck(bool v)
{
    if (v == paramCheck_)
        return;
    paramCheck_ = v;
    InvalidateSQL();
}

void TIB_Statement::SetParamChar(char c)
{
    if (c == paramChar_)
        return;
    paramChar_ = c;
    InvalidateSQL();
}

void TIB_Statement::SysAssembleSQL(std::string& serverSQL, TIB_StringList& paramNames)
{
    TIB_ServerSQL s = MakeServerSQL(SQLText(), paramChar_, paramCheck_);
    serverSQL = std::move(s.Text);
    paramNames = std::move(s.ParamNames);
}

// --- prepare -----------------------------------------------------------------------

void TIB_Statement::Allocate()
{
    if (!connection_ && !databaseName_.empty())
        SetIB_Connection(Session().FindConnection(databaseName_));
    if (!connection_) {
        std::string who = Name().empty() ? "<no name>" : Name();
        if (Owner() && !Owner()->Name.empty())
            who = Owner()->Name + "." + who;
        throw EIB_StatementError("Statement must have an IB_Connection assigned: " + who);
    }
    connection_->SetConnected(true);
    if (!connection_->Connected())
        throw EIB_StatementError("Statement failed to prepare");
    dialect_ = connection_->SQLDialect();
    if (handle_ == 0)
        handle_ = connection_->TakeStatementHandle();
}

void TIB_Statement::Prepare()
{
    if (prepared_ && sqlCurrent_)
        return;
    TIB_BusyScope busy(Session());
    if (!prepared_) {
        Allocate();
        TIB_Transaction* t = EffectiveTransaction();
        t->StartOnDemand();
        ServerPrepare(false);
        if (prepared_ && !sqlCurrent_)
            ServerPrepare(true);
    } else {
        if (cursorOpen_)
            SysCloseCursor();
        Allocate();
        EffectiveTransaction()->StartOnDemand();
        ServerPrepare(true);
    }
}

void TIB_Statement::SaveParams()
{
    savedParams_.clear();
    for (int i = 0; i < params_.ColumnCount(); ++i) {
        TIB_Column& c = params_.Columns(i);
        SavedParam p;
        p.Def = c.Def();
        p.Name = c.FieldName();
        p.Bytes.assign(c.ind_, c.ind_ + 2);
        p.Bytes.insert(p.Bytes.end(), c.data_, c.data_ + c.DataSize());
        p.Node = c.node_;
        p.Null = c.IsNull();
        if (!p.Null && !c.IsBlob())
            p.Text = c.AsString();
        savedParams_.push_back(std::move(p));
    }
}

void TIB_Statement::RestoreParams()
{
    std::vector<SavedParam> saved = std::move(savedParams_);
    savedParams_.clear();
    for (const SavedParam& p : saved) {
        for (int i = 0; i < params_.ColumnCount(); ++i) {
            TIB_Column& c = params_.Columns(i);
            if (c.FieldName() != p.Name)
                continue;
            if ((c.def_.SQLType & ~1) == (p.Def.SQLType & ~1) && c.def_.SQLLen == p.Def.SQLLen &&
                c.def_.SQLScale == p.Def.SQLScale) {
                std::memcpy(c.ind_, p.Bytes.data(), 2);
                std::memcpy(c.data_, p.Bytes.data() + 2, p.Bytes.size() - 2);
                c.node_ = p.Node;
            } else if (!p.Null && !c.IsBlob()) {
                try {
                    c.PutText(p.Text);
                } catch (...) {
                    // A value the new type cannot take stays null.
                }
            }
        }
    }
}

void TIB_Statement::ServerPrepare(bool wasPrepared)
{
    if (wasPrepared)
        SaveParams();
    else if (BeforePrepare && !Destroying())
        BeforePrepare(*this);
    auto fail = [&] {
        prepared_ = false;
        prepareFailed_ = true;
        params_.Reset();
        fields_.Reset();
        paramCount_ = fieldCount_ = 0;
        typeKnown_ = false;
    };
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    std::vector<TIB_ColumnDef> outDefs, inDefs;
    {
        FlagScope preparing(preparing_);
        sqlCurrent_ = true;
        prepareFailed_ = false;
        std::string server;
        TIB_StringList names;
        try {
            SysAssembleSQL(server, names);
        } catch (...) {
            fail();
            throw;
        }
        serverSQL_ = server;
        paramNames_ = names;
        if (Trim(serverSQL_).empty()) {
            fail();
            throw EIB_StatementError("Blank SQL statement not allowed");
        }
        TIB_Transaction* t = EffectiveTransaction();
        if (handle_ == 0)
            handle_ = connection_->TakeStatementHandle();

        TIB_DescriptorArea& outArea = Session().OutputArea();
        auto* out = static_cast<XSQLDA*>(outArea.Ensure(wasPrepared ? fieldCount_ : std::max(expectedFieldCount_, 1)));
        out->sqln = static_cast<ISC_SHORT>(outArea.Capacity());
        long rc = api.dll_dsql_prepare(st, t->HandlePtr(), &handle_, 0, serverSQL_.c_str(),
                                       static_cast<unsigned short>(dialect_), out);
        if (rc == isc_code_dsql_error && paramCheck_ && IsRoutineDefinition(serverSQL_)) {
            // A routine body refers to its variables with ":": send the text
            // without parameter substitution.
            serverSQL_ = Trim(SQLText());
            paramNames_.clear();
            rc = api.dll_dsql_prepare(st, t->HandlePtr(), &handle_, 0, serverSQL_.c_str(),
                                      static_cast<unsigned short>(dialect_), out);
        }
        if (rc != 0) {
            fail();
            ReportAPIError(rc);
            return;
        }
        if (out->sqld > out->sqln) {
            out = static_cast<XSQLDA*>(outArea.Ensure(out->sqld));
            rc = api.dll_dsql_describe(st, &handle_, static_cast<unsigned short>(dialect_), out);
            if (rc != 0) {
                fail();
                ReportAPIError(rc);
                return;
            }
        }
        for (int i = 0; i < out->sqld; ++i)
            outDefs.push_back(DefOf(out->sqlvar[i]));

        TIB_DescriptorArea& inArea = Session().InputArea();
        auto* in = static_cast<XSQLDA*>(inArea.Ensure(std::max<int>(static_cast<int>(paramNames_.size()), 1)));
        in->sqln = static_cast<ISC_SHORT>(inArea.Capacity());
        rc = api.dll_dsql_describe_bind(st, &handle_, static_cast<unsigned short>(dialect_), in);
        if (rc == 0 && in->sqld > in->sqln) {
            in = static_cast<XSQLDA*>(inArea.Ensure(in->sqld));
            rc = api.dll_dsql_describe_bind(st, &handle_, static_cast<unsigned short>(dialect_), in);
        }
        if (rc != 0) {
            fail();
            ReportAPIError(rc);
            return;
        }
        const int names_ = static_cast<int>(paramNames_.size());
        unnamedSurplus_ = std::max(0, in->sqld - names_);
        for (int i = 0; i < in->sqld; ++i) {
            TIB_ColumnDef d = DefOf(in->sqlvar[i]);
            std::string name;
            if (i < names_) {
                name = paramNames_[static_cast<size_t>(i)];
            } else {
                int j = i - unnamedSurplus_;
                name = (j >= 0 && j < names_) ? paramNames_[static_cast<size_t>(j)] : "PRM__" + std::to_string(i);
            }
            int dot = getLitSafePos('.', name, 1);
            std::string rel, field = name;
            if (dot > 0) {
                rel = NamePart(name.substr(0, static_cast<size_t>(dot - 1)), dialect_);
                field = NamePart(name.substr(static_cast<size_t>(dot)), dialect_);
            } else {
                field = NamePart(name, dialect_);
            }
            if (SameText(field, "DB_KEY"))
                field = "RDB$DB_KEY";
            d.SQLName = field;
            d.RelName = rel;
            d.AliasName = field;
            inDefs.push_back(std::move(d));
        }
    }

    // The output row keeps its layout on a re-prepare unless the server now
    // describes different columns.
    bool rebuildFields = !wasPrepared || fields_.ServerCount() != static_cast<int>(outDefs.size());
    for (size_t i = 0; !rebuildFields && i < outDefs.size(); ++i) {
        const TIB_ColumnDef& a = fields_.BySQLNo(static_cast<int>(i)).Def();
        const TIB_ColumnDef& b = outDefs[i];
        rebuildFields = (a.SQLType & ~1) != (b.SQLType & ~1) || a.SQLLen != b.SQLLen || a.SQLScale != b.SQLScale ||
                        a.SQLSubType != b.SQLSubType;
    }
    TIB_RowOptions options;
    options.Dialect = dialect_;
    options.NoTrimming = connection_->DefaultNoTrimming();
    try {
        params_.Build(inDefs, {}, options);
        if (rebuildFields)
            fields_.Build(outDefs, SysCalculatedColumns(), options);
    } catch (...) {
        fail();
        throw;
    }
    paramCount_ = static_cast<int>(inDefs.size());
    fieldCount_ = static_cast<int>(outDefs.size());
    prepared_ = true;
    typeKnown_ = false;
    rowsKnown_ = false;
    SysPrepared();
    if (fieldCount_ > 0 && rebuildFields)
        fields_.BlankValues();
    RestoreParams();
    if (AfterPrepare && !Destroying())
        AfterPrepare(*this);
    // A warning from the prepare goes to the error events only.
    if (st[0] == isc_arg_gds && st[1] == 0 && st[2] == isc_arg_warning) {
        Session().SetERRCODE(0);
        Session().HandleException(this);
    }
    if (!Destroying())
        SysAfterPrepare();
}

void TIB_Statement::Unprepare()
{
    if (!prepared_)
        return;
    TIB_BusyScope busy(Session());
    if (!Destroying())
        SysBeforeUnprepare();
    if (!prepared_)
        return;
    if (cursorOpen_)
        CloseCursorQuietly();
    if (BeforeUnprepare && !Destroying())
        BeforeUnprepare(*this);
    SaveParams();
    prepared_ = false;
    serverSQL_.clear();
    paramNames_.clear();
    paramCount_ = fieldCount_ = 0;
    params_.Reset();
    fields_.Reset();
    sqlCurrent_ = false;
    typeKnown_ = false;
    rowsKnown_ = false;
    SysUnprepared();
    if (AfterUnprepare && !Destroying())
        AfterUnprepare(*this);
    ReleaseHandle();
}

void TIB_Statement::ReleaseHandle() noexcept
{
    if (handle_ == 0)
        return;
    std::uint32_t h = handle_;
    handle_ = 0;
    if (connection_) {
        try {
            connection_->CacheStatementHandle(h);
        } catch (...) {
        }
    }
}

void TIB_Statement::ReleaseServerResources()
{
    Unprepare();
    ReleaseHandle();
}

void TIB_Statement::SysDeallocate()
{
    CloseCursorQuietly();
    if (prepared_)
        Unprepare();
    ReleaseHandle();
    if (ownTransaction_ && ownTransaction_->Started())
        ownTransaction_->Close();
}

void TIB_Statement::SysConnectionGone()
{
    cursorOpen_ = false;
    prepared_ = false;
    params_.Reset();
    fields_.Reset();
    paramCount_ = fieldCount_ = 0;
    handle_ = 0;
    connection_ = nullptr;
}

void TIB_Statement::SysTransactionGone()
{
    if (cursorOpen_ && cursorTransaction_)
        cursorOpen_ = false;
    cursorTransaction_ = nullptr;
    if (registered_)
        registered_ = nullptr;
    transaction_ = nullptr;
}

void TIB_Statement::SysConnectionLost()
{
    if (connection_)
        connection_->MarkLost();
    if (registered_)
        registered_->lost_ = true;
}

void TIB_Statement::SysErrorEvents(TIB_ErrorInfo& info, bool& raise)
{
    if (preparing_)
        info.SQL = SplitLines(serverSQL_);
    info.ErrorMessage.push_back("");
    info.ErrorMessage.push_back("STATEMENT:");
    info.ErrorMessage.push_back(ClassName() + ": \"" + ComponentPath() + "\"");
    const bool warning = info.ERRCODE == 0;
    RunOnError(info, raise);
    TIB_Transaction* t = transaction_ ? transaction_ : registered_;
    if (t && (raise || warning))
        t->RunOnError(info, raise);
    if (connection_ && (raise || warning))
        connection_->RunOnError(info, raise);
}

// --- rows ---------------------------------------------------------------------------

TIB_Column& TIB_Statement::FieldByName(std::string_view name)
{
    if (!prepared_)
        Prepare();
    return fields_.ByName(name);
}

TIB_Column& TIB_Statement::ParamByName(std::string_view name)
{
    if (!prepared_)
        Prepare();
    return params_.ByName(name);
}

TIB_StatementType TIB_Statement::StatementType()
{
    if (typeKnown_)
        return type_;
    const TIB_StatementType fromSQL = SysStatementTypeFromSQL();
    if (fromSQL != TIB_StatementType::stUnknown)
        return fromSQL;
    if (!prepared_ || handle_ == 0)
        return TIB_StatementType::stUnknown;
    try {
        const auto& api = detail::Api();
        ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
        const char item = isc_info_sql_stmt_type;
        char buf[51] = {};
        long rc = api.dll_dsql_sql_info(st, &handle_, 1, &item, sizeof buf, buf);
        if (rc != 0)
            ReportAPIError(rc);
        if (buf[0] != isc_info_sql_stmt_type)
            throw EIB_StatementError("Invalid data returned from isc_dsql_sql_info");
        long len = api.dll_vax_integer(buf + 1, 2);
        if (len > 255)
            throw EIB_StatementError("Unanticipated length in isc_dsql_sql_info");
        int code = static_cast<unsigned char>(buf[3]);
        type_ = (code >= 1 && code <= 14) ? static_cast<TIB_StatementType>(code) : TIB_StatementType::stUnknown;
        typeKnown_ = true;
    } catch (const std::exception& e) {
        Session().ShowException(e);
        return TIB_StatementType::stUnknown;
    }
    return type_;
}

void TIB_Statement::ReadRowsAffected()
{
    rowsSelected_ = rowsInserted_ = rowsUpdated_ = rowsDeleted_ = -1;
    rowsKnown_ = true;
    if (!prepared_ || handle_ == 0)
        return;
    const auto& api = detail::Api();
    ISC_STATUS_ARRAY st = {};
    const char item = isc_info_sql_records;
    char buf[256] = {};
    if (api.dll_dsql_sql_info(st, &handle_, 1, &item, sizeof buf, buf) != 0)
        return;
    try {
        if (buf[0] != isc_info_sql_records)
            throw EIB_Error("Invalid RowsAffected buffer");
        long total = api.dll_vax_integer(buf + 1, 2);
        if (total > 255)
            throw EIB_Error("Invalid RowsAffected buffer");
        long selected = -1, inserted = -1, updated = -1, deleted = -1;
        size_t i = 3;
        for (;;) {
            if (i >= sizeof buf)
                throw EIB_Error("Invalid RowsAffected buffer");
            int tag = static_cast<unsigned char>(buf[i]);
            if (tag == isc_info_end)
                break;
            if (i + 3 > sizeof buf)
                throw EIB_Error("Invalid RowsAffected buffer");
            long len = api.dll_vax_integer(buf + i + 1, 2);
            if (len < 0 || i + 3 + static_cast<size_t>(len) > sizeof buf)
                throw EIB_Error("Invalid RowsAffected buffer");
            long v = api.dll_vax_integer(buf + i + 3, static_cast<short>(len));
            switch (tag) {
            case isc_info_req_select_count: selected = v; break;
            case isc_info_req_insert_count: inserted = v; break;
            case isc_info_req_update_count: updated = v; break;
            case isc_info_req_delete_count: deleted = v; break;
            default: throw EIB_Error("Invalid RowsAffected buffer");
            }
            i += 3 + static_cast<size_t>(len);
        }
        rowsSelected_ = selected;
        rowsInserted_ = inserted;
        rowsUpdated_ = updated;
        rowsDeleted_ = deleted;
    } catch (const std::exception& e) {
        rowsSelected_ = rowsInserted_ = rowsUpdated_ = rowsDeleted_ = -1;
        Session().ShowException(e);
    }
}

long TIB_Statement::RowsAffected()
{
    if (!rowsKnown_)
        ReadRowsAffected();
    switch (StatementType()) {
    case TIB_StatementType::stSelect:
    case TIB_StatementType::stSelectForUpdate: return rowsSelected_;
    case TIB_StatementType::stInsert: return rowsInserted_;
    case TIB_StatementType::stUpdate: return rowsUpdated_;
    case TIB_StatementType::stDelete: return rowsDeleted_;
    default: return -1;
    }
}

const std::string& TIB_Statement::CursorName()
{
    if (cursorName_.empty()) {
        using namespace std::chrono;
        auto now = system_clock::now();
        std::time_t tt = system_clock::to_time_t(now);
        std::tm tm{};
        localtime_r(&tt, &tm);
        long ms = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
        unsigned long id = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(this) >> 4) % 100000000UL;
        cursorName_ = "C" + std::to_string(id) + std::to_string(ms) + std::to_string(tm.tm_sec) +
                      std::to_string(tm.tm_min) + std::to_string(Session().NextCursorNumber());
        if (cursorName_.size() > 31)
            cursorName_.resize(31);
    }
    return cursorName_;
}

// --- execution ----------------------------------------------------------------------

void TIB_Statement::Execute()
{
    if (Destroying())
        return;
    TIB_BusyScope busy(Session());
    if (cursorOpen_)
        SysCloseCursor();
    if (!prepared_ || !sqlCurrent_)
        Prepare();
    if (!prepared_)
        throw EIB_StatementError("Statement failed to prepare");
    DoExecute();
}

long TIB_Statement::ExecuteServer(bool withOutput)
{
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    TIB_Transaction* t = EffectiveTransaction();
    XSQLDA* in = paramCount_ > 0 ? static_cast<XSQLDA*>(params_.SQLDA()) : nullptr;
    if (!withOutput)
        return api.dll_dsql_execute(st, t->HandlePtr(), &handle_, static_cast<unsigned short>(dialect_), in);
    XSQLDA* out = fieldCount_ > 0 ? static_cast<XSQLDA*>(fields_.SQLDA()) : nullptr;
    return api.dll_dsql_execute2(st, t->HandlePtr(), &handle_, static_cast<unsigned short>(dialect_), in, out);
}

void TIB_Statement::DoExecute()
{
    using ST = TIB_StatementType;
    if (BeforeExecute && !Destroying())
        BeforeExecute(*this);
    SysBeforeExecute();
    TIB_Transaction* t = EffectiveTransaction();
    if (!t)
        throw EIB_StatementError("No active transaction to execute with");
    const ST type = StatementType();
    const bool transactionControl = type == ST::stStartTrans || type == ST::stCommit || type == ST::stRollback ||
                                    type == ST::stSetGenerator || type == ST::stSavePoint;
    if (!transactionControl) {
        t->StartOnDemand();
        if (!t->Started())
            throw EIB_StatementError("No active transaction to execute with");
    }
    if (paramCount_ > 0 && params_.HasChangedBlobs())
        params_.WriteChangedBlobs(*connection_, *t);
    rowsKnown_ = false;
    long rc = 0;
    bool activate = false;
    switch (type) {
    case ST::stSelect:
    case ST::stSelectForUpdate: SysExecSelect(); break;
    case ST::stInsert:
    case ST::stUpdate:
    case ST::stDelete:
        if (BeforeExecDML && !Destroying())
            BeforeExecDML(*this);
        rc = ExecuteServer(false);
        if (rc == 0 && AfterExecDML && !Destroying())
            AfterExecDML(*this);
        activate = true;
        break;
    case ST::stDDL:
        if (BeforeExecDDL && !Destroying())
            BeforeExecDDL(*this);
        rc = ExecuteServer(false);
        if (rc == 0) {
            connection_->FlushSchemaCache();
            if (AfterExecDDL && !Destroying())
                AfterExecDDL(*this);
        }
        activate = true;
        break;
    case ST::stGetSegment:
    case ST::stPutSegment:
    case ST::stSetGenerator:
    case ST::stSavePoint: rc = ExecuteServer(false); break;
    case ST::stExecProcedure:
        rc = ExecuteServer(true);
        activate = fieldCount_ == 0;
        break;
    case ST::stStartTrans: t->StartOnDemand(); break;
    case ST::stCommit: t->Commit(); break;
    case ST::stRollback: t->Rollback(); break;
    default:
        throw EIB_StatementError("Attempt to execute an unknown statement: " + std::to_string(static_cast<int>(type)));
    }
    if (rc != 0) {
        if (type == ST::stInsert || type == ST::stUpdate || type == ST::stExecProcedure)
            params_.ResetBlobWrites();
        ReportAPIError(rc);
        return;
    }
    params_.ConfirmBlobWrites();
    if (activate && t->Started())
        SysActivate(*t);
    if (AfterExecute && !Destroying())
        AfterExecute(*this);
}

void TIB_Statement::SysActivate(TIB_Transaction& t) { t.Activate(); }

void TIB_Statement::SysExecSelect()
{
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = ExecuteServer(true);
    if ((rc == isc_code_dsql_error || rc == 335544358) && fieldCount_ > 0) {
        TIB_Transaction* t = EffectiveTransaction();
        if (api.dll_dsql_prepare(st, t->HandlePtr(), &handle_, 0, serverSQL_.c_str(),
                                 static_cast<unsigned short>(dialect_), nullptr) == 0)
            rc = ExecuteServer(true);
    }
    if (rc != 0) {
        ReportAPIError(rc);
        return;
    }
    if (fieldCount_ > 0) {
        // Firebird closes the singleton's cursor itself; older servers
        // need the close, whose status is therefore ignored.
        ISC_STATUS_ARRAY ignored = {};
        api.dll_dsql_free_statement(ignored, &handle_, DSQL_close);
    }
}

// --- cursor ----------------------------------------------------------------------------

void TIB_Statement::SysOpenCursor()
{
    if (cursorOpen_)
        throw EIB_DatasetError("Cursor is already open");
    if (!prepared_ || !sqlCurrent_)
        Prepare();
    TIB_Transaction* t = EffectiveTransaction();
    t->StartOnDemand();
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    if (paramCount_ > 0 && params_.HasChangedBlobs())
        params_.WriteChangedBlobs(*connection_, *t);
    long rc = ExecuteServer(false);
    if (rc != 0) {
        params_.ResetBlobWrites();
        ReportAPIError(rc);
        return;
    }
    params_.ConfirmBlobWrites();
    rc = api.dll_dsql_set_cursor_name(st, &handle_, CursorName().c_str(), 0);
    if (rc != 0) {
        std::intptr_t saved[TIB_Session::kStatusLength];
        std::memcpy(saved, st, sizeof saved);
        ISC_STATUS_ARRAY ignored = {};
        api.dll_dsql_free_statement(ignored, &handle_, DSQL_close);
        std::memcpy(st, saved, sizeof saved);
        ReportAPIError(rc);
        return;
    }
    cursorOpen_ = true;
    cursorAtEnd_ = false;
    cursorTransaction_ = t;
    t->AdjustOpenCursors(+1);
}

bool TIB_Statement::SysFetchRow() { return SysFetchRowInto(fields_); }

bool TIB_Statement::SysFetchRowInto(TIB_Row& row)
{
    // After the end of data the server refuses further fetches.
    if (fieldCount_ == 0 || !cursorOpen_ || cursorAtEnd_)
        return false;
    if (row.ServerCount() != fieldCount_)
        throw EIB_StatementError("Fetch row does not match the statement's columns");
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = api.dll_dsql_fetch(st, &handle_, static_cast<unsigned short>(dialect_),
                                 static_cast<XSQLDA*>(row.SQLDA()));
    if (rc == 0) {
        // The server fills the server columns only.
        for (int i = 0; i < row.ColumnCount(); ++i) {
            TIB_Column& c = row.Columns(i);
            if (c.IsCalculated()) {
                c.SetIndicator(-1);
                c.Blank();
            }
        }
        return true;
    }
    if (rc == 100) {
        cursorAtEnd_ = true;
        return false;
    }
    ReportAPIError(rc);
    return false;
}

void TIB_Statement::SysCloseCursor()
{
    if (!cursorOpen_)
        return;
    cursorOpen_ = false;
    if (cursorTransaction_)
        cursorTransaction_->AdjustOpenCursors(-1);
    cursorTransaction_ = nullptr;
    if (handle_ == 0 || !connection_ || !connection_->Connected() || connection_->ConnectionWasLost())
        return;
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = detail::Api().dll_dsql_free_statement(st, &handle_, DSQL_close);
    if (rc != 0)
        ReportAPIError(rc);
}

void TIB_Statement::CloseCursorQuietly() noexcept
{
    if (!cursorOpen_)
        return;
    cursorOpen_ = false;
    if (cursorTransaction_)
        cursorTransaction_->AdjustOpenCursors(-1);
    cursorTransaction_ = nullptr;
    if (handle_ == 0 || !connection_ || !connection_->Connected() || connection_->ConnectionWasLost() ||
        !detail::Api().dll_dsql_free_statement)
        return;
    ISC_STATUS_ARRAY st = {};
    detail::Api().dll_dsql_free_statement(st, &handle_, DSQL_close);
}

} // namespace varnel::db
