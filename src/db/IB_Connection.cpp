#include "db/IB_Connection.h"

#include "db/IB_Api.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace varnel::db {

namespace {

// A statement that exposes the cursor calls, for the connection's own
// catalogue queries.
class TInternalCursor : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;
    void Open() { SysOpenCursor(); }
    bool Fetch() { return SysFetchRow(); }
    void Close() { SysCloseCursor(); }
};

bool IsIdentifier(std::string_view s)
{
    if (s.empty())
        return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!letter(s[0]))
        return false;
    for (char c : s)
        if (!letter(c) && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

void PutItem(std::vector<std::uint8_t>& dpb, std::uint8_t item, const std::string& value)
{
    dpb.push_back(item);
    dpb.push_back(static_cast<std::uint8_t>(value.size()));
    dpb.insert(dpb.end(), value.begin(), value.end());
}

void PutByte(std::vector<std::uint8_t>& dpb, std::uint8_t item, std::uint8_t value)
{
    dpb.push_back(item);
    dpb.push_back(1);
    dpb.push_back(value);
}

} // namespace

std::vector<std::uint8_t> BuildDPB(const TIB_DPBValues& v)
{
    for (const std::string* s : {&v.UserName, &v.Password, &v.SQLRole, &v.CharSet, &v.SysDBA, &v.MessageFile})
        if (s->size() >= 256)
            throw EIB_ConnectionError("Invalid DPB: Contents over 255 characters");
    std::vector<std::uint8_t> dpb;
    dpb.push_back(isc_dpb_version1);
    if (!v.UserName.empty())
        PutItem(dpb, isc_dpb_user_name, v.UserName);
    if (!v.Password.empty())
        PutItem(dpb, isc_dpb_password, v.Password);
    if (!v.SQLRole.empty())
        PutItem(dpb, isc_dpb_sql_role_name, v.SQLRole);
    std::string scope = UpperCase(Trim(v.DBKeyScope));
    if (scope == "CONNECTION" || scope == "TRANSACTION")
        PutByte(dpb, isc_dpb_dbkey_scope, scope == "CONNECTION" ? 1 : 0);
    std::string forced = UpperCase(Trim(v.ForcedWrites));
    if (forced == "TRUE" || forced == "FALSE")
        PutByte(dpb, isc_dpb_force_write, forced == "TRUE" ? 1 : 0);
    std::string reserve = UpperCase(Trim(v.ReservePageSpace));
    if (reserve == "TRUE" || reserve == "FALSE")
        PutByte(dpb, isc_dpb_no_reserve, reserve == "TRUE" ? 0 : 1);
    if (!v.CharSet.empty())
        PutItem(dpb, isc_dpb_lc_ctype, v.CharSet);
    if (!v.SysDBA.empty())
        PutItem(dpb, isc_dpb_sys_user_name, v.SysDBA);
    if (!v.MessageFile.empty())
        PutItem(dpb, isc_dpb_lc_messages, v.MessageFile);
    if (dpb.size() > kDPBSize)
        throw EIB_ConnectionError("Invalid DPB: Contents over 1024 bytes");
    return dpb;
}

TIB_Connection::TIB_Connection(std::shared_ptr<TIB_Session> session) : TIB_Component(std::move(session))
{
    Session().AddConnection(this);
}

TIB_Connection::~TIB_Connection()
{
    SetDestroying();
    try {
        for (TIB_Transaction* t : std::vector<TIB_Transaction*>(transactions_))
            t->Close();
    } catch (...) {
    }
    try {
        if (Connected())
            DoDisconnect();
    } catch (...) {
    }
    if (dbHandle_ != 0) {
        // The disconnect sequence failed before the detach: detach anyway.
        ISC_STATUS_ARRAY st;
        if (detail::Api().dll_detach_database)
            detail::Api().dll_detach_database(st, &dbHandle_);
        dbHandle_ = 0;
    }
    DropCachedHandles();
    for (TIB_Statement* s : std::vector<TIB_Statement*>(statements_))
        s->SysConnectionGone();
    for (TIB_Transaction* t : std::vector<TIB_Transaction*>(transactions_))
        t->RemoveConnection(this);
    Session().RemoveConnection(this);
}

void TIB_Connection::CheckNotConnected() const
{
    if (Connected())
        throw EIB_ConnectionError("Cannot change while connected");
}

void TIB_Connection::SetParams(const TIB_StringList& params)
{
    CheckNotConnected();
    params_ = params;
}

void TIB_Connection::SetParam(std::string_view name, std::string_view value)
{
    CheckNotConnected();
    SetValueOf(params_, name, value);
}

std::string TIB_Connection::Password() const
{
    if (passwordSet_)
        return password_;
    if (Protocol() == TIB_Protocol::cpLocal && IndexOfName(params_, "LOCAL PASSWORD") >= 0)
        return ValueOf(params_, "LOCAL PASSWORD");
    return ValueOf(params_, "PASSWORD");
}

void TIB_Connection::SetPassword(const std::string& v)
{
    CheckNotConnected();
    password_ = v;
    passwordSet_ = true;
    SetValueOf(params_, "PASSWORD", "");
}

std::string TIB_Connection::SQLRole()
{
    if (IndexOfName(params_, "ROLE NAME") < 0) {
        for (const char* old : {"SQL ROLE NAME", "ROLE"}) {
            int i = IndexOfName(params_, old);
            if (i >= 0) {
                std::string v = ValueOf(params_, old);
                params_.erase(params_.begin() + i);
                SetValueOf(params_, "ROLE NAME", v);
                break;
            }
        }
    }
    return ValueOf(params_, "ROLE NAME");
}

void TIB_Connection::SetSQLRole(const std::string& v)
{
    CheckNotConnected();
    SetValueOf(params_, "ROLE", "");
    SetValueOf(params_, "SQL ROLE NAME", "");
    SetValueOf(params_, "ROLE NAME", v);
}

TIB_Protocol TIB_Connection::Protocol() const
{
    std::string p = UpperCase(Trim(ValueOf(params_, "PROTOCOL")));
    if (p == "NETBEUI")
        return TIB_Protocol::cpNetBEUI;
    if (p == "TCP/IP")
        return TIB_Protocol::cpTCP_IP;
    if (p == "NOVELL")
        return TIB_Protocol::cpNovell;
    return TIB_Protocol::cpLocal;
}

void TIB_Connection::SetProtocol(TIB_Protocol p)
{
    CheckNotConnected();
    switch (p) {
    case TIB_Protocol::cpNetBEUI: SetValueOf(params_, "PROTOCOL", "NETBEUI"); break;
    case TIB_Protocol::cpTCP_IP: SetValueOf(params_, "PROTOCOL", "TCP/IP"); break;
    case TIB_Protocol::cpNovell: SetValueOf(params_, "PROTOCOL", "NOVELL"); break;
    case TIB_Protocol::cpLocal: SetValueOf(params_, "PROTOCOL", ""); break;
    }
}

int TIB_Connection::SQLDialect()
{
    long d;
    if (Connected())
        d = Characteristics().SQLDialect;
    else
        d = std::strtol(Trim(ValueOf(params_, "SQL DIALECT")).c_str(), nullptr, 10);
    return d <= 0 ? 1 : static_cast<int>(d);
}

void TIB_Connection::SetSQLDialect(int dialect)
{
    CheckNotConnected();
    SetValueOf(params_, "SQL DIALECT", dialect <= 1 ? std::string() : std::to_string(dialect));
}

std::string TIB_Connection::Database() const
{
    switch (Protocol()) {
    case TIB_Protocol::cpNetBEUI: return "\\\\" + Server() + "\\" + Path();
    case TIB_Protocol::cpTCP_IP: return Server() + ":" + Path();
    case TIB_Protocol::cpNovell: return Server() + "@" + Path();
    case TIB_Protocol::cpLocal: break;
    }
    return Path();
}

void TIB_Connection::SetDatabase(const std::string& text)
{
    CheckNotConnected();
    // 1. A drive path: letter, colon, and no other colon.
    if (text.size() > 2 && text[1] == ':' && text.find(':', 2) == std::string::npos) {
        SetPath(text);
        SetProtocol(TIB_Protocol::cpLocal);
        return;
    }
    // 2. \\server\path: the two backslashes start the text (taken
    // anywhere, they would cut off what stands before them).
    if (text.rfind("\\\\", 0) == 0) {
        std::string rest = text.size() > 2 ? text.substr(2) : std::string();
        size_t b = rest.find('\\');
        SetServer(rest.substr(0, b));
        SetPath(b == std::string::npos ? std::string() : rest.substr(b + 1));
        SetProtocol(TIB_Protocol::cpNetBEUI);
        return;
    }
    // 3. server@path, 4. server:path
    for (auto [sep, proto] : {std::pair{'@', TIB_Protocol::cpNovell}, std::pair{':', TIB_Protocol::cpTCP_IP}}) {
        size_t p = text.find(sep);
        if (p != std::string::npos) {
            SetServer(text.substr(0, p));
            SetPath(text.substr(p + 1));
            SetProtocol(proto);
            return;
        }
    }
    // 5. A local path.
    SetPath(text);
    SetProtocol(TIB_Protocol::cpLocal);
}

std::string TIB_Connection::DatabaseName() const { return alias_.empty() ? Database() : alias_; }

void TIB_Connection::SetDatabaseName(const std::string& name)
{
    if (name.find_first_of(".\\:@") != std::string::npos) {
        SetDatabase(name);
        alias_.clear();
        return;
    }
    if (name.empty()) {
        alias_.clear();
        return;
    }
    if (!IsIdentifier(name))
        throw EIB_ConnectionError("Invalid DatabaseName");
    std::string candidate = name;
    for (int n = 1;; ++n) {
        bool taken = false;
        for (TIB_Connection* c : Session().Connections())
            if (c != this && SameText(c->alias_, candidate))
                taken = true;
        if (!taken)
            break;
        candidate = name + "_" + std::to_string(n);
    }
    alias_ = candidate;
}

TIB_DPBValues TIB_Connection::DPBValues()
{
    TIB_DPBValues v;
    v.UserName = Trim(Username());
    v.Password = Password();
    v.SQLRole = SQLRole();
    v.DBKeyScope = DBKeyScope();
    v.ForcedWrites = ForcedWrites();
    v.ReservePageSpace = ReservePageSpace();
    v.CharSet = CharSet();
    v.SysDBA = SysDBA();
    v.MessageFile = MessageFile();
    return v;
}

void TIB_Connection::SetConnected(bool value)
{
    if (value == Connected())
        return;
    if (value)
        DoConnect();
    else
        DoDisconnect();
}

void TIB_Connection::DoConnect()
{
    status_ = TIB_ConnectionStatus::csConnectPending;
    try {
        if (BeforeConnect && !Destroying())
            BeforeConnect(*this);
        if (loginPrompt_)
            LoginLoop();
        else
            Attach();
    } catch (...) {
        status_ = TIB_ConnectionStatus::csDisconnected;
        throw;
    }
    if (!Connected()) {
        status_ = TIB_ConnectionStatus::csDisconnected;
        return;
    }
    status_ = TIB_ConnectionStatus::csConnected;
    characteristicsValid_ = false;
    try {
        DetermineParameterOrder();
    } catch (...) {
        // Do not leave a half-made connection behind.
        try {
            DoDisconnect();
        } catch (...) {
        }
        throw;
    }
    FlushSchemaCache();
    if (OnConnectedChanged && !Destroying())
        OnConnectedChanged(*this);
    if (AfterConnect && !Destroying())
        AfterConnect(*this);
}

void TIB_Connection::LoginLoop()
{
    loginAborted_ = false;
    const std::function<bool(TIB_Connection&)>& prompt = OnLogin ? OnLogin : Session().OnLoginPrompt;
    if (!prompt) {
        // No prompt installed (the headless exporter): one attempt with the
        // parameters as they are.
        Attach();
        return;
    }
    int attempts = 0;
    while (!Connected() && !loginAborted_ && attempts < loginAttempts_) {
        bool ok = prompt(*this);
        ++attempts;
        if (!ok) {
            loginAborted_ = true;
            break;
        }
        try {
            Attach();
        } catch (const std::exception& e) {
            Session().ShowException(e);
        }
    }
    if (Connected())
        return;
    if (loginAborted_)
        throw EIB_Abort();
    if (OnLoginFailure) {
        OnLoginFailure(*this);
        return;
    }
    throw EIB_ConnectionError("Login failed");
}

void TIB_Connection::MoveServerName()
{
    int i = IndexOfName(params_, "SERVER NAME");
    if (i < 0)
        return;
    std::string v = ValueOf(params_, "SERVER NAME");
    params_.erase(params_.begin() + i);
    SetDatabase(v);
}

void TIB_Connection::Attach()
{
    std::string target = ValueOf(params_, "FORCED_DATABASE");
    if (target.empty())
        target = Database();
    if (Trim(target).empty() && IndexOfName(params_, "SERVER NAME") >= 0) {
        MoveServerName();
        target = Database();
    }
    if (Trim(target).empty()) {
        const char* env = std::getenv("ISC_DATABASE");
        if (!env || !*env)
            throw EIB_ConnectionError("DatabaseName cannot be blank");
        target = env;
    }
    // A colon in the path must start a drive or URL-like path ("C:\", "x:/").
    {
        std::string path = Path();
        char quote = 0;
        for (size_t i = 0; i < path.size(); ++i) {
            char c = path[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
                continue;
            }
            if (c == '\'' || c == '"') {
                quote = c;
                continue;
            }
            if (c == ':') {
                if (i + 1 < path.size() && path[i + 1] != '/' && path[i + 1] != '\\')
                    throw EIB_ConnectionError("Invalid connection path");
                break;
            }
        }
    }
    std::vector<std::uint8_t> dpb = BuildDPB(DPBValues());
    if (OnCustomizeDPB)
        OnCustomizeDPB(*this, dpb);
    if (dpb.size() > kDPBSize)
        throw EIB_ConnectionError("Invalid DPB: Contents over 1024 bytes");

    TIB_ClientLibrary& lib = TIB_ClientLibrary::Instance();
    if (!lib.AttachBound()) {
        lib.AcquireOriginalHooks();
        lib.RevertToOriginalHooks();
    }
    long rc;
    std::intptr_t* st = Session().StatusVector();
    std::fill(st, st + TIB_Session::kStatusLength, 0);
    if (!lib.AttachBound()) {
        rc = -1;
    } else {
        std::lock_guard<std::mutex> lock(lib.AttachLock());
        dbHandle_ = 0;
        rc = detail::Api().dll_attach_database(reinterpret_cast<ISC_STATUS*>(st), 0, target.c_str(), &dbHandle_,
                                               static_cast<short>(dpb.size()),
                                               reinterpret_cast<const char*>(dpb.data()));
    }
    if (rc != 0) {
        dbHandle_ = 0;
        ReportAPIError(rc);
        return;
    }
    connectTime_ = std::chrono::system_clock::now();
    lost_ = false;
}

void TIB_Connection::DetermineParameterOrder()
{
    switch (parameterOrder_) {
    case TIB_ParameterOrder::poOld: oldParameterOrder_ = true; return;
    case TIB_ParameterOrder::poNew: oldParameterOrder_ = false; return;
    case TIB_ParameterOrder::poAuto: break;
    }
    ReadCharacteristics();
    if (characteristics_.ODSMajorVersion <= 9) {
        oldParameterOrder_ = true;
        return;
    }
    TIB_Statement test(SessionPtr());
    test.SetName("ParameterOrderTest");
    test.SetIB_Connection(this);
    test.SetSQL({"/* OldParameterOrder test query */", "SELECT R.RDB$RELATION_NAME,", " (SELECT RDB$FIELD_NAME",
                 "  FROM RDB$RELATION_FIELDS F", "  WHERE F.RDB$RELATION_NAME=R.RDB$RELATION_NAME",
                 "    AND F.RDB$FIELD_POSITION=?) AS TESTFIELD", "FROM RDB$RELATIONS R",
                 "WHERE R.RDB$RELATION_NAME=?"});
    test.Prepare();
    int t = test.Params().ColumnCount() > 0 ? test.Params().BySQLNo(0).DataType() : 0;
    oldParameterOrder_ = t == SQLTYPE_TEXT;
}

const TIB_Characteristics& TIB_Connection::Characteristics()
{
    if (!Connected())
        throw EIB_ConnectionError("Cannot get connection characteristics");
    if (!characteristicsValid_)
        ReadCharacteristics();
    return characteristics_;
}

void TIB_Connection::ReadCharacteristics()
{
    static const char items[] = {isc_info_allocation,
                                 isc_info_base_level,
                                 isc_info_db_id,
                                 isc_info_implementation,
                                 isc_info_no_reserve,
                                 isc_info_forced_writes,
                                 isc_info_ods_minor_version,
                                 isc_info_ods_version,
                                 isc_info_page_size,
                                 isc_info_version,
                                 static_cast<char>(isc_info_firebird_version),
                                 isc_info_sweep_interval,
                                 isc_info_set_page_buffers,
                                 isc_info_db_sql_dialect,
                                 isc_info_db_read_only,
                                 isc_info_db_size_in_pages,
                                 isc_info_end};
    std::vector<char> buf(4096, 0);
    const auto& api = detail::Api();
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = api.dll_database_info(st, &dbHandle_, sizeof items, items, static_cast<short>(buf.size()), buf.data());
    if (rc != 0)
        ReportAPIError(rc);
    TIB_Characteristics c;
    auto vax = [&](const char* p, int len) { return static_cast<long>(api.dll_vax_integer(p, static_cast<short>(len))); };
    auto firstString = [](const char* p, int len) {
        // count byte, then length-prefixed strings
        if (len < 2)
            return std::string();
        int l = static_cast<unsigned char>(p[1]);
        return std::string(p + 2, static_cast<size_t>(std::min(l, len - 2)));
    };
    size_t i = 0;
    while (i < buf.size()) {
        int tag = static_cast<unsigned char>(buf[i]);
        if (tag == isc_info_end)
            break;
        if (tag == isc_info_truncated)
            throw EIB_Error("Database information return buffer was truncated");
        if (i + 3 > buf.size())
            break;
        int len = static_cast<int>(vax(&buf[i + 1], 2));
        const char* d = &buf[i + 3];
        if (i + 3 + static_cast<size_t>(len) > buf.size())
            throw EIB_Error("Database information return buffer was truncated");
        switch (tag) {
        case isc_info_allocation: c.Allocation = vax(d, len); break;
        case isc_info_base_level: c.BaseLevel = len > 1 ? static_cast<unsigned char>(d[1]) : vax(d, len); break;
        case isc_info_db_id: {
            c.DatabaseFile = firstString(d, len);
            size_t next = 2 + c.DatabaseFile.size();
            if (len > 0 && static_cast<unsigned char>(d[0]) > 1 && next < static_cast<size_t>(len)) {
                int l = static_cast<unsigned char>(d[next]);
                c.SiteName.assign(d + next + 1, static_cast<size_t>(std::min<int>(l, len - static_cast<int>(next) - 1)));
            }
            break;
        }
        case isc_info_implementation: c.Implementation = len > 1 ? static_cast<unsigned char>(d[1]) : 0; break;
        case isc_info_no_reserve: c.NoReserve = vax(d, len) != 0; break;
        case isc_info_forced_writes: c.ForcedWrites = vax(d, len) != 0; break;
        case isc_info_ods_minor_version: c.ODSMinorVersion = vax(d, len); break;
        case isc_info_ods_version: c.ODSMajorVersion = vax(d, len); break;
        case isc_info_page_size: c.PageSize = vax(d, len); break;
        case isc_info_version: c.ServerVersion = firstString(d, len); break;
        case isc_info_firebird_version: c.ServerProductVersion = firstString(d, len); break;
        case isc_info_sweep_interval: c.SweepInterval = vax(d, len); break;
        case isc_info_set_page_buffers: c.PageBuffers = vax(d, len); break;
        case isc_info_db_sql_dialect: c.SQLDialect = vax(d, len); break;
        case isc_info_db_read_only: c.ReadOnly = vax(d, len) != 0; break;
        case isc_info_db_size_in_pages: c.SizeInPages = vax(d, len); break;
        default: break;
        }
        i += 3 + static_cast<size_t>(len);
    }
    characteristics_ = c;
    characteristicsValid_ = true;
}

void TIB_Connection::DoDisconnect()
{
    status_ = TIB_ConnectionStatus::csDisconnectPending;
    try {
        if (BeforeDisconnect && !Destroying())
            BeforeDisconnect(*this);
        for (TIB_Transaction* t : std::vector<TIB_Transaction*>(transactions_))
            t->Close();
        for (TIB_Statement* s : std::vector<TIB_Statement*>(statements_))
            s->SysDeallocate();
    } catch (...) {
        status_ = TIB_ConnectionStatus::csConnected;
        throw;
    }
    DropCachedHandles();
    // The detach status is ignored: also a lost connection detaches.
    ISC_STATUS_ARRAY st = {};
    if (detail::Api().dll_detach_database)
        detail::Api().dll_detach_database(st, &dbHandle_);
    dbHandle_ = 0;
    status_ = TIB_ConnectionStatus::csDisconnected;
    disconnectTime_ = std::chrono::system_clock::now();
    characteristicsValid_ = false;
    FlushSchemaCache();
    if (OnConnectedChanged && !Destroying())
        OnConnectedChanged(*this);
    if (AfterDisconnect && !Destroying())
        AfterDisconnect(*this);
}

void TIB_Connection::SysConnectionLost() { lost_ = true; }

std::uint32_t TIB_Connection::TakeStatementHandle()
{
    if (!handleCache_.empty()) {
        std::uint32_t h = handleCache_.back();
        handleCache_.pop_back();
        return h;
    }
    std::uint32_t h = 0;
    ISC_STATUS* st = reinterpret_cast<ISC_STATUS*>(Session().StatusVector());
    long rc = detail::Api().dll_dsql_allocate_statement(st, &dbHandle_, &h);
    if (rc != 0) {
        h = 0;
        ReportAPIError(rc);
    }
    return h;
}

void TIB_Connection::CacheStatementHandle(std::uint32_t handle)
{
    if (handle == 0)
        return;
    if (cacheStatementHandles_ && Connected() && !lost_) {
        handleCache_.push_back(handle);
        return;
    }
    if (Connected() && !lost_ && detail::Api().dll_dsql_free_statement) {
        ISC_STATUS_ARRAY st = {};
        detail::Api().dll_dsql_free_statement(st, &handle, DSQL_drop);
    }
}

void TIB_Connection::DropCachedHandles() noexcept
{
    if (Connected() && !lost_ && detail::Api().dll_dsql_free_statement) {
        for (std::uint32_t h : handleCache_) {
            ISC_STATUS_ARRAY st = {};
            detail::Api().dll_dsql_free_statement(st, &h, DSQL_drop);
        }
    }
    handleCache_.clear();
    handleCache_.shrink_to_fit();
}

void TIB_Connection::AddTransaction(TIB_Transaction* t)
{
    if (std::find(transactions_.begin(), transactions_.end(), t) == transactions_.end())
        transactions_.push_back(t);
}

void TIB_Connection::RemoveTransaction(TIB_Transaction* t)
{
    std::erase(transactions_, t);
    if (defaultTransaction_ == t)
        defaultTransaction_ = nullptr;
}

void TIB_Connection::AddStatement(TIB_Statement* s)
{
    if (std::find(statements_.begin(), statements_.end(), s) == statements_.end())
        statements_.push_back(s);
}

void TIB_Connection::RemoveStatement(TIB_Statement* s) { std::erase(statements_, s); }

void TIB_Connection::FlushSchemaCache()
{
    computed_.clear();
    computedLoaded_ = false;
}

const TIB_StringList& TIB_Connection::ComputedList()
{
    if (computedLoaded_ || !Connected())
        return computed_;
    computedLoaded_ = true;
    TInternalCursor q(SessionPtr());
    q.SetName("ComputedFields");
    q.SetIB_Connection(this);
    q.SetSQL({"SELECT R.RDB$FIELD_NAME", "     , R.RDB$RELATION_NAME", "FROM RDB$RELATION_FIELDS R, RDB$FIELDS F",
              "WHERE R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME", "  AND F.RDB$COMPUTED_SOURCE IS NOT NULL",
              "  AND NOT R.RDB$RELATION_NAME STARTING WITH 'RDB$'", "ORDER BY 1"});
    q.Prepare();
    int dialect = SQLDialect();
    q.Open();
    while (q.Fetch()) {
        computed_.push_back(FormatIdentifier(dialect, Trim(q.Fields().Columns(0).AsString())) + "," +
                            FormatIdentifier(dialect, Trim(q.Fields().Columns(1).AsString())));
    }
    q.Close();
    return computed_;
}

} // namespace varnel::db
