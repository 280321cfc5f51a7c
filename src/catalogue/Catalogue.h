#pragma once
// TCatalogue: the schema catalogue of one connection. It owns the twelve
// catalogue queries over the RDB$ system tables (six browse queries, each
// object list with its detail list, and six export queries that only the
// exporters move) and their nine data sources, and carries their handlers:
// the system-data filter, the packaged-routine filter, the calculated type
// columns and the rebuilt CREATE VIEW / CREATE PROCEDURE texts.
//
// The connection, the transaction and the settings accessor are not owned;
// they must outlive the catalogue. The settings are read at the moment each
// handler runs ("show system data", the NOT NULL mark).
//
// What depends on the attached database is decided whenever a query
// assembles its SQL (the connection is attached then): on an on-disk
// structure of 12 or more (Firebird 3 and later) the procedure lists leave
// out the routines of packages, and the six browse queries post their
// descriptions through COMMENT ON instead of an UPDATE of the system
// tables, which those servers refuse.
#include "dataset/IB_DataSource.h"
#include "dataset/IB_Query.h"
#include "db/IB_Text.h"

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class SettingsAccessor;

namespace varnel::db {
class TIB_Connection;
class TIB_Transaction;
struct TIB_Owner;
} // namespace varnel::db

// The kinds of object whose description a browse query edits.
enum class TDescriptionKind { Table, View, TableColumn, ViewColumn, Procedure, Parameter };

class TCatalogue {
public:
    using TIB_Query = varnel::db::TIB_Query;
    using TIB_DataSource = varnel::db::TIB_DataSource;

    // owner: named owner of the queries in error reports (the main window);
    // may be null.
    TCatalogue(varnel::db::TIB_Connection& connection, varnel::db::TIB_Transaction& transaction,
               const SettingsAccessor& settings, const varnel::db::TIB_Owner* owner = nullptr);
    ~TCatalogue();
    TCatalogue(const TCatalogue&) = delete;
    TCatalogue& operator=(const TCatalogue&) = delete;

    // The data sources, declared before the queries so that they go last.
    TIB_DataSource TableDataSource;
    TIB_DataSource FieldDataSource;
    TIB_DataSource ViewDataSource;
    TIB_DataSource ViewFieldDataSource;
    TIB_DataSource ProcedureDataSource;
    TIB_DataSource ParameterDataSource;
    TIB_DataSource TableExportDataSource;
    TIB_DataSource ViewExportDataSource;
    TIB_DataSource ProcedureExportDataSource;

    // Browse queries (each master declared before its detail, so that the
    // details go first).
    TIB_Query TableQuery;
    TIB_Query FieldQuery;
    TIB_Query ViewQuery;
    TIB_Query ViewFieldQuery;
    TIB_Query ProcedureQuery;
    TIB_Query ParameterQuery;
    // Export queries.
    TIB_Query TableExportQuery;
    TIB_Query FieldExportQuery;
    TIB_Query ViewExportQuery;
    TIB_Query ViewFieldExportQuery;
    TIB_Query ProcedureExportQuery;
    TIB_Query ParamsExportQuery;

    // By component name ("TableQuery", "FieldDataSource", ...); null when
    // there is none of that name.
    TIB_Query* QueryByName(std::string_view name);
    TIB_DataSource* DataSourceByName(std::string_view name);
    // All twelve queries: the browse queries in their opening order, then
    // the export queries.
    std::array<TIB_Query*, 12> Queries();
    // The six browse queries in their opening order (each master before its
    // detail).
    std::array<TIB_Query*, 6> BrowseQueries();

    // Opens the six browse queries, master before detail.
    void OpenBrowseQueries();
    // Closes the six export queries, each detail before its master; never
    // throws (used on every way out of an export).
    void CloseExportQueries() noexcept;

    // --- handlers ---------------------------------------------------------------
    // OnPrepareSQL of TableQuery, TableExportQuery, ViewQuery and
    // ViewExportQuery: while "show system data" is clear, adds
    // "RDB$SYSTEM_FLAG = 0" to the where conditions of both table queries
    // (the one not being assembled drops it at its own next assembly).
    void TableQueryPrepareSQL(varnel::db::TIB_Dataset& Sender);
    // "Show system data" changed: re-assembles and refreshes the table list
    // and its field list, and marks both table export queries for
    // re-assembly.
    void SystemDataCheckBoxClick();
    // OnCalculateField of FieldQuery and FieldExportQuery: FIELD_TYPE and
    // MANDATORY of the row, whatever AField is.
    void FieldExportQueryCalculateField(varnel::db::TIB_Statement& Sender, varnel::db::TIB_Row& ARow,
                                        varnel::db::TIB_Column* AField);
    // OnCalculateField of ParameterQuery and ParamsExportQuery: INOUT, then
    // FIELD_TYPE.
    void ParamsExportQueryCalculateField(varnel::db::TIB_Statement& Sender, varnel::db::TIB_Row& ARow,
                                         varnel::db::TIB_Column* AField);

    // --- source builders ------------------------------------------------------------
    // CREATE VIEW for the current row of ViewExportQuery, its columns read
    // from ViewFieldExportQuery; CREATE PROCEDURE for the current row of
    // ProcedureExportQuery, its parameters from ParamsExportQuery. Each walks
    // its detail from First to Eof and leaves it there; the master stays.
    std::string BuildViewSource();
    std::string BuildProcedureSource();

    // --- the attached database -------------------------------------------------------
    // The connection is attached to a database of on-disk structure 12 or
    // more (Firebird 3 and later): packages exist and the system tables
    // cannot be updated.
    bool ModernStructure() const;

    // The EditSQL that posts a description of the kind: the UPDATE of the
    // system table for older structures (modern false); for modern ones an
    // EXECUTE BLOCK running COMMENT ON, whose inputs carry the same names as
    // the UPDATE's parameters, its names double-quoted in dialect 3 and bare
    // below; charSet is the connection's character set (the inputs' one;
    // empty or NONE: the database default).
    static varnel::db::TIB_StringList DescriptionEditSQL(TDescriptionKind kind, bool modern, int dialect,
                                                         const std::string& charSet);

private:
    void SetUp(TIB_Query& query, const char* name, const varnel::db::TIB_StringList& sql);
    // OnPrepareSQL step of each browse query: the EditSQL for the database.
    void AdaptEditSQL(TIB_Query& query, TDescriptionKind kind);
    // OnPrepareSQL step of the procedure and parameter queries.
    void ExcludePackagedRoutines(varnel::db::TIB_Dataset& query, const char* condition);

    // RDB$TYPE_NAME of the row from the cache (null when the type is
    // null or has no name).
    void FillTypeName(varnel::db::TIB_Row& ARow);
    // The name of a field type code; the cache of RDB$TYPES is read on
    // first use after each attach.
    const std::string* FieldTypeName(int fieldType);

    varnel::db::TIB_Connection& FConnection;
    varnel::db::TIB_Transaction& FTransaction;
    const SettingsAccessor& FSettings;
    const varnel::db::TIB_Owner* FOwner;
    std::map<int, std::string> FTypeNames;
    bool FTypeNamesRead = false;
    std::chrono::system_clock::time_point FTypeNamesConnectTime;
};
