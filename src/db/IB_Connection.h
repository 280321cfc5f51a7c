#pragma once
// TIB_Connection: the attachment to one database. It holds the attachment
// settings as NAME=VALUE Params, composes the database string, runs the
// login loop through the session's login prompt, builds the database
// parameter buffer, attaches and detaches, reads the database's
// characteristics, and keeps a cache of free statement handles. The
// transactions and statements that use it register themselves; its
// destructor closes the transactions and detaches (never throwing).
#include "db/IB_Component.h"
#include "db/IB_Text.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varnel::db {

class TIB_Transaction;
class TIB_Statement;

enum class TIB_Protocol { cpLocal, cpNetBEUI, cpTCP_IP, cpNovell };
enum class TIB_ConnectionStatus {
    csDisconnected,
    csConnected,
    csDisconnectPending,
    csConnectPending,
    csDropPending,
    csCreatePending,
    csForcedConnectPending
};
enum class TIB_ParameterOrder { poAuto, poOld, poNew };

// The values that go into a database parameter buffer.
struct TIB_DPBValues {
    std::string UserName;
    std::string Password;
    std::string SQLRole;
    std::string DBKeyScope;       // "CONNECTION" / "TRANSACTION" / empty
    std::string ForcedWrites;     // "TRUE" / "FALSE" / empty
    std::string ReservePageSpace; // "TRUE" / "FALSE" / empty
    std::string CharSet;
    std::string SysDBA;
    std::string MessageFile;
};

constexpr size_t kDPBSize = 1024;

// Builds the DPB: the version byte 1, then (item, length, value) for each
// non-empty value in the order user name (28), password (29), role (60),
// DB_KEY scope (13), forced writes (24), no reserve (27, inverted),
// character set (48), SYSDBA (19), message file (47). Raises
// EIB_ConnectionError "Invalid DPB: Contents over 255 characters" for a
// value of 256 characters or more, and "Invalid DPB: Contents over 1024
// bytes" when the buffer would not fit.
std::vector<std::uint8_t> BuildDPB(const TIB_DPBValues& values);

// Server facts read once per connection with isc_database_info.
struct TIB_Characteristics {
    long Allocation = 0;
    long BaseLevel = 0;
    long Implementation = 0;
    bool NoReserve = false;
    bool ForcedWrites = false;
    long ODSMinorVersion = 0;
    long ODSMajorVersion = 0;
    long PageSize = 0;
    std::string DatabaseFile; // from the database id item
    std::string SiteName;
    std::string ServerVersion;
    std::string ServerProductVersion;
    long SweepInterval = 0;
    long PageBuffers = 0;
    long SQLDialect = 0;
    bool ReadOnly = false;
    long SizeInPages = 0;
};

class TIB_Connection : public TIB_Component {
public:
    explicit TIB_Connection(std::shared_ptr<TIB_Session> session = nullptr);
    ~TIB_Connection() override;
    std::string ClassName() const override { return "TIB_Connection"; }

    // --- attachment settings ------------------------------------------------
    // NAME=VALUE lines; lookups ignore case; an empty value removes a line.
    const TIB_StringList& Params() const { return params_; }
    void SetParams(const TIB_StringList& params);
    std::string Param(std::string_view name) const { return ValueOf(params_, name); }
    void SetParam(std::string_view name, std::string_view value);

    // The named parameters. Every setter raises EIB_ConnectionError
    // "Cannot change while connected" while attached.
    std::string Username() const { return Param("USER NAME"); }
    void SetUsername(const std::string& v) { SetParam("USER NAME", v); }
    // The private password when set, else the PASSWORD parameter (with the
    // local protocol a LOCAL PASSWORD line wins).
    std::string Password() const;
    // Keeps the password privately and removes any PASSWORD line.
    void SetPassword(const std::string& v);
    std::string Server() const { return Param("SERVER"); }
    void SetServer(const std::string& v) { SetParam("SERVER", v); }
    // Reading moves an old "ROLE" or "SQL ROLE NAME" line to "ROLE NAME".
    std::string SQLRole();
    void SetSQLRole(const std::string& v);
    std::string Path() const { return Param("PATH"); }
    void SetPath(const std::string& v) { SetParam("PATH", v); }
    std::string SysDBA() const { return Param("SYSDBA"); }
    void SetSysDBA(const std::string& v) { SetParam("SYSDBA", v); }
    std::string CharSet() const { return Param("CHARACTER SET"); }
    void SetCharSet(const std::string& v) { SetParam("CHARACTER SET", v); }
    std::string MessageFile() const { return Param("MESSAGE FILE"); }
    void SetMessageFile(const std::string& v) { SetParam("MESSAGE FILE", v); }
    TIB_Protocol Protocol() const;
    void SetProtocol(TIB_Protocol p);
    std::string ForcedWrites() const { return Param("FORCED WRITES"); }
    void SetForcedWrites(const std::string& v) { SetParam("FORCED WRITES", v); }
    std::string ReservePageSpace() const { return Param("RESERVE PAGE SPACE"); }
    void SetReservePageSpace(const std::string& v) { SetParam("RESERVE PAGE SPACE", v); }
    std::string DBKeyScope() const { return Param("DB_KEY SCOPE"); }
    void SetDBKeyScope(const std::string& v) { SetParam("DB_KEY SCOPE", v); }
    // While connected the database's dialect, else the SQL DIALECT
    // parameter; 0 or less reads as 1.
    int SQLDialect();
    // Values of 1 or less are stored as an absent line.
    void SetSQLDialect(int dialect);

    // The composed database string (from Protocol, Server and Path), and
    // its split: see the rules in the implementation.
    std::string Database() const;
    void SetDatabase(const std::string& text);
    // The alias when one is set, else the composed database string. Set:
    // a text with ".", "\", ":" or "@" is a database string (split, alias
    // cleared); anything else is an alias (a valid identifier, made unique
    // in the session with "_1", "_2", ...).
    std::string DatabaseName() const;
    void SetDatabaseName(const std::string& name);

    // --- login ----------------------------------------------------------------
    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool v) { loginPrompt_ = v; }
    const std::string& LoginCaption() const { return loginCaption_; }
    void SetLoginCaption(std::string v) { loginCaption_ = std::move(v); }
    std::uint16_t LoginAttempts() const { return loginAttempts_; }
    void SetLoginAttempts(std::uint16_t v) { loginAttempts_ = v; }
    bool LoginAborted() const { return loginAborted_; }
    const std::string& LoginUsernamePrefix() const { return loginUsernamePrefix_; }
    void SetLoginUsernamePrefix(std::string v) { loginUsernamePrefix_ = std::move(v); }
    const std::string& LoginSQLRolePrefix() const { return loginSQLRolePrefix_; }
    void SetLoginSQLRolePrefix(std::string v) { loginSQLRolePrefix_ = std::move(v); }
    const std::string& LoginSQLRoleList() const { return loginSQLRoleList_; }
    void SetLoginSQLRoleList(std::string v) { loginSQLRoleList_ = std::move(v); }
    bool LoginDBReadOnly() const { return loginDBReadOnly_; }
    void SetLoginDBReadOnly(bool v) { loginDBReadOnly_ = v; }
    int LoginHelpContext() const { return loginHelpContext_; }
    void SetLoginHelpContext(int v) { loginHelpContext_ = v; }
    const std::string& LoginRegKey() const { return loginRegKey_; }
    void SetLoginRegKey(std::string v) { loginRegKey_ = std::move(v); }

    // --- state ------------------------------------------------------------------
    bool Connected() const { return dbHandle_ != 0; }
    // True runs the connect sequence (the login loop with LoginPrompt; a
    // Cancel raises the silent EIB_Abort), false the disconnect sequence.
    void SetConnected(bool value);
    void Connect() { SetConnected(true); }
    void Disconnect() { SetConnected(false); }
    TIB_ConnectionStatus ConnectionStatus() const { return status_; }
    // Set after a lost-connection error; cleared at the next attach.
    bool ConnectionWasLost() const { return lost_; }
    std::chrono::system_clock::time_point ConnectTime() const { return connectTime_; }
    std::chrono::system_clock::time_point DisconnectTime() const { return disconnectTime_; }

    // Read on first demand after connect; EIB_ConnectionError "Cannot get
    // connection characteristics" while detached.
    const TIB_Characteristics& Characteristics();

    TIB_ParameterOrder ParameterOrder() const { return parameterOrder_; }
    void SetParameterOrder(TIB_ParameterOrder v) { parameterOrder_ = v; }
    // The order in effect for this connection (determined at connect).
    bool OldParameterOrder() const { return oldParameterOrder_; }

    bool CacheStatementHandles() const { return cacheStatementHandles_; }
    void SetCacheStatementHandles(bool v) { cacheStatementHandles_ = v; }
    // Output text columns are not right-trimmed when set.
    bool DefaultNoTrimming() const { return defaultNoTrimming_; }
    void SetDefaultNoTrimming(bool v) { defaultNoTrimming_ = v; }

    // The transaction statements use when they have none assigned.
    TIB_Transaction* DefaultTransaction() const { return defaultTransaction_; }
    void SetDefaultTransaction(TIB_Transaction* t) { defaultTransaction_ = t; }

    const std::vector<TIB_Transaction*>& Transactions() const { return transactions_; }
    const std::vector<TIB_Statement*>& Statements() const { return statements_; }

    // Catalogue cache: "FIELD,RELATION" entries of the computed columns of
    // user relations, loaded on first use and dropped at connect,
    // disconnect and after DDL.
    const TIB_StringList& ComputedList();
    void FlushSchemaCache();

    // Number of free statement handles in the cache.
    size_t CachedHandleCount() const { return handleCache_.size(); }

    // --- events (each only if assigned, never while destroying) --------------
    std::function<void(TIB_Connection&)> BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect,
        OnConnectedChanged;
    // Replaces the login prompt: true for OK, false for Cancel.
    std::function<bool(TIB_Connection&)> OnLogin;
    // Replaces the "Login failed" exception.
    std::function<void(TIB_Connection&)> OnLoginFailure;
    // May append to the parameter buffer.
    std::function<void(TIB_Connection&, std::vector<std::uint8_t>&)> OnCustomizeDPB;

    // The DPB values this connection would attach with.
    TIB_DPBValues DPBValues();

protected:
    void SysConnectionLost() override;

private:
    friend class TIB_Transaction;
    friend class TIB_Statement;
    friend class TIB_Row;
    friend class TIB_Column;
    friend class TIB_ColumnBlob;

    void CheckNotConnected() const;
    void DoConnect();
    void DoDisconnect();
    void Attach();
    void LoginLoop();
    void DetermineParameterOrder();
    void ReadCharacteristics();
    void MoveServerName();

    // Handles (used by the transaction, the statements and the rows).
    std::uint32_t* DbHandlePtr() { return &dbHandle_; }
    std::uint32_t TakeStatementHandle();
    void CacheStatementHandle(std::uint32_t handle);
    void DropCachedHandles() noexcept;
    void MarkLost() { lost_ = true; }

    void AddTransaction(TIB_Transaction* t);
    void RemoveTransaction(TIB_Transaction* t);
    void AddStatement(TIB_Statement* s);
    void RemoveStatement(TIB_Statement* s);

    TIB_StringList params_;
    std::string password_;
    bool passwordSet_ = false;
    std::string alias_;
    bool loginPrompt_ = false;
    std::string loginCaption_;
    std::uint16_t loginAttempts_ = 3;
    bool loginAborted_ = false;
    std::string loginUsernamePrefix_, loginSQLRolePrefix_, loginSQLRoleList_;
    bool loginDBReadOnly_ = false;
    int loginHelpContext_ = 0;
    std::string loginRegKey_;
    bool cacheStatementHandles_ = true;
    bool defaultNoTrimming_ = false;
    TIB_ParameterOrder parameterOrder_ = TIB_ParameterOrder::poAuto;
    bool oldParameterOrder_ = false;

    std::uint32_t dbHandle_ = 0;
    TIB_ConnectionStatus status_ = TIB_ConnectionStatus::csDisconnected;
    bool lost_ = false;
    std::chrono::system_clock::time_point connectTime_{}, disconnectTime_{};
    TIB_Characteristics characteristics_;
    bool characteristicsValid_ = false;
    bool computedLoaded_ = false;
    TIB_StringList computed_;

    std::vector<std::uint32_t> handleCache_;
    std::vector<TIB_Transaction*> transactions_;
    std::vector<TIB_Statement*> statements_;
    TIB_Transaction* defaultTransaction_ = nullptr;
};

} // namespace varnel::db
