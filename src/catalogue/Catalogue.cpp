#include "catalogue/Catalogue.h"

#include "catalogue/SourceText.h"
#include "catalogue/TypeText.h"
#include "db/IB_Connection.h"
#include "db/IB_Row.h"
#include "db/IB_Transaction.h"
#include "settings/DocSettings.h"

#include <optional>
#include <vector>

using namespace varnel::db;

namespace {

const TIB_StringList kTableSQL = {
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NULL",
};

const TIB_StringList kViewSQL = {
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NOT NULL",
};

// RDB$TYPE_NAME of the field and parameter queries: a calculated column
// filled from the catalogue's cache of RDB$TYPES. Joining RDB$TYPES in the
// query made the server scan that unindexed table for every row.
const char* const kTypeNameColumn = "RDB$TYPE_NAME=CHAR(31)";

// The field SQL: FieldQuery and FieldExportQuery.
const TIB_StringList kFieldSQL = {
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , rf.RDB$NULL_FLAG",
    "     , rf.RDB$DESCRIPTION",
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "ORDER BY RDB$FIELD_POSITION",
};

const TIB_StringList kViewFieldSQL = {
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , vr.RDB$RELATION_NAME AS BASE_TABLE",
    "     , rf.RDB$BASE_FIELD",
    "     , rf.RDB$DESCRIPTION",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$VIEW_RELATIONS vr",
    "ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME",
    "AND rf.RDB$VIEW_CONTEXT = vr.RDB$VIEW_CONTEXT",
    "ORDER BY RDB$FIELD_POSITION",
};

const TIB_StringList kProcedureSQL = {
    "SELECT RDB$PROCEDURE_NAME",
    "     , RDB$DESCRIPTION",
    "FROM RDB$PROCEDURES",
};

// The parameter SQL: ParameterQuery and ParamsExportQuery.
const TIB_StringList kParameterSQL = {
    "SELECT p.RDB$PARAMETER_NAME",
    "     , p.RDB$PARAMETER_TYPE",
    "     , p.RDB$DESCRIPTION",
    "     , p.RDB$PROCEDURE_NAME",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$PROCEDURE_PARAMETERS p",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE",
    "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER",
};

const TIB_StringList kTableExportSQL = {
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NULL",
    "ORDER BY RDB$RELATION_NAME",
};

const TIB_StringList kViewExportSQL = {
    "SELECT RDB$RELATION_NAME",
    "     , RDB$DESCRIPTION",
    "     , RDB$VIEW_SOURCE",
    "FROM RDB$RELATIONS",
    "WHERE RDB$VIEW_BLR IS NOT NULL",
    "ORDER BY RDB$RELATION_NAME",
};

const TIB_StringList kViewFieldExportSQL = {
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , vr.RDB$RELATION_NAME AS BASE_TABLE",
    "     , rf.RDB$BASE_FIELD",
    "     , rf.RDB$DESCRIPTION",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$VIEW_RELATIONS vr ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME",
    "AND rf.RDB$VIEW_CONTEXT = vr.RDB$VIEW_CONTEXT",
    "ORDER BY RDB$FIELD_POSITION",
};

const TIB_StringList kProcedureExportSQL = {
    "SELECT RDB$PROCEDURE_NAME",
    "     , RDB$DESCRIPTION",
    "     , RDB$PROCEDURE_SOURCE",
    "FROM RDB$PROCEDURES",
    "ORDER BY RDB$PROCEDURE_NAME",
};

const TIB_StringList kRelationEditSQL = {
    "UPDATE RDB$RELATIONS",
    "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
    "WHERE RDB$RELATION_NAME = :RDB$RELATION_NAME",
};

const TIB_StringList kFieldEditSQL = {
    "UPDATE RDB$RELATION_FIELDS",
    "SET RDB$DESCRIPTION=:RDB$DESCRIPTION",
    "WHERE RDB$FIELD_NAME=:RDB$FIELD_NAME",
    "AND RDB$RELATION_NAME=:RDB$RELATION_NAME",
};

const TIB_StringList kViewFieldEditSQL = {
    "UPDATE RDB$RELATION_FIELDS",
    "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
    "WHERE RDB$FIELD_NAME = :RDB$FIELD_NAME",
    "AND RDB$RELATION_NAME = :RDB$RELATION_NAME",
};

const TIB_StringList kProcedureEditSQL = {
    "UPDATE RDB$PROCEDURES",
    "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
    "WHERE RDB$PROCEDURE_NAME = :RDB$PROCEDURE_NAME",
};

const TIB_StringList kParameterEditSQL = {
    "UPDATE RDB$PROCEDURE_PARAMETERS",
    "SET RDB$DESCRIPTION = :RDB$DESCRIPTION",
    "WHERE RDB$PROCEDURE_NAME = :RDB$PROCEDURE_NAME",
    "AND RDB$PARAMETER_NAME = :RDB$PARAMETER_NAME",
};

constexpr const char* kSystemFilter = "RDB$SYSTEM_FLAG = 0";

// The COMMENT ON statement of a description edit, as an EXECUTE BLOCK. Its
// inputs take the names of the UPDATE's parameters, so the dataset binds
// them to the row's columns exactly as it binds the UPDATE; the body
// refers to them without colons (a colon would make a statement parameter
// of them). The description input is a BLOB, so the statement text made
// from it is one too, and a description longer than a VARCHAR can hold
// still reaches EXECUTE STATEMENT. The inputs are declared in the
// connection's character set, the one the row's values are in.
TIB_StringList CommentBlock(const char* object, const std::vector<std::string>& inputs,
                            const std::vector<std::string>& nameParts, int dialect, const std::string& charSet)
{
    std::string cs;
    if (!charSet.empty() && !SameText(charSet, "NONE"))
        cs = " CHARACTER SET " + UpperCase(charSet);
    TIB_StringList sql;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string& n = inputs[i];
        // Metadata names are 31 characters up to Firebird 3 and 63 from
        // Firebird 4 on; the wider input holds both.
        std::string type = n == "RDB$DESCRIPTION" ? "BLOB SUB_TYPE TEXT" : "VARCHAR(63)";
        sql.push_back(std::string(i == 0 ? "EXECUTE BLOCK (" : "             , ") + n + " " + type + cs + " = :" + n +
                      (i + 1 == inputs.size() ? ")" : ""));
    }
    sql.push_back("AS");
    sql.push_back("BEGIN");
    // Names trimmed of their padding; in dialect 3 double-quoted with
    // embedded double quotes doubled, below it bare (no quoted identifiers).
    const std::string quote = dialect >= 3 ? "\"" : "";
    std::string statement = std::string("  EXECUTE STATEMENT 'COMMENT ON ") + object + " " + quote + "'";
    for (size_t i = 0; i < nameParts.size(); ++i) {
        std::string name = "TRIM(TRAILING FROM " + nameParts[i] + ")";
        if (dialect >= 3)
            name = "REPLACE(" + name + ", '\"', '\"\"')";
        const std::string after = quote + (i + 1 < nameParts.size() ? "." + quote : "");
        statement += " || " + name + (after.empty() ? "" : " || '" + after + "'");
    }
    sql.push_back(statement);
    // The text as a literal with its apostrophes doubled; a null text
    // removes the description.
    sql.push_back("    || ' IS ' || COALESCE('''' || REPLACE(RDB$DESCRIPTION, '''', '''''') || '''', 'NULL');");
    sql.push_back("END");
    return sql;
}

std::optional<std::string> TextOrNull(TIB_Column& c)
{
    if (c.IsNull())
        return std::nullopt;
    return c.AsString();
}

TColumnTypeInfo TypeInfoOf(TIB_Row& row)
{
    TColumnTypeInfo info;
    info.FieldType = row.ByName("RDB$FIELD_TYPE").AsInteger();
    info.SubType = row.ByName("RDB$FIELD_SUB_TYPE").AsInteger();
    info.Length = row.ByName("RDB$FIELD_LENGTH").AsInteger();
    info.Precision = row.ByName("RDB$FIELD_PRECISION").AsString();
    info.Scale = row.ByName("RDB$FIELD_SCALE").AsInteger();
    info.TypeName = row.ByName("RDB$TYPE_NAME").AsString();
    return info;
}

} // namespace

TIB_StringList TCatalogue::DescriptionEditSQL(TDescriptionKind kind, bool modern, int dialect,
                                              const std::string& charSet)
{
    const std::string d = "RDB$DESCRIPTION", rel = "RDB$RELATION_NAME", fld = "RDB$FIELD_NAME",
                      proc = "RDB$PROCEDURE_NAME", par = "RDB$PARAMETER_NAME";
    switch (kind) {
    case TDescriptionKind::Table:
        return modern ? CommentBlock("TABLE", {d, rel}, {rel}, dialect, charSet) : kRelationEditSQL;
    case TDescriptionKind::View:
        return modern ? CommentBlock("VIEW", {d, rel}, {rel}, dialect, charSet) : kRelationEditSQL;
    case TDescriptionKind::TableColumn:
        return modern ? CommentBlock("COLUMN", {d, fld, rel}, {rel, fld}, dialect, charSet) : kFieldEditSQL;
    case TDescriptionKind::ViewColumn:
        return modern ? CommentBlock("COLUMN", {d, fld, rel}, {rel, fld}, dialect, charSet) : kViewFieldEditSQL;
    case TDescriptionKind::Procedure:
        return modern ? CommentBlock("PROCEDURE", {d, proc}, {proc}, dialect, charSet) : kProcedureEditSQL;
    case TDescriptionKind::Parameter:
        return modern ? CommentBlock("PARAMETER", {d, proc, par}, {proc, par}, dialect, charSet)
                      : kParameterEditSQL;
    }
    return {};
}

TCatalogue::TCatalogue(TIB_Connection& connection, TIB_Transaction& transaction, const SettingsAccessor& settings,
                       const TIB_Owner* owner)
    : TableQuery(connection.SessionPtr()),
      FieldQuery(connection.SessionPtr()),
      ViewQuery(connection.SessionPtr()),
      ViewFieldQuery(connection.SessionPtr()),
      ProcedureQuery(connection.SessionPtr()),
      ParameterQuery(connection.SessionPtr()),
      TableExportQuery(connection.SessionPtr()),
      FieldExportQuery(connection.SessionPtr()),
      ViewExportQuery(connection.SessionPtr()),
      ViewFieldExportQuery(connection.SessionPtr()),
      ProcedureExportQuery(connection.SessionPtr()),
      ParamsExportQuery(connection.SessionPtr()),
      FConnection(connection),
      FTransaction(transaction),
      FSettings(settings),
      FOwner(owner)
{
    struct Source {
        TIB_DataSource& ds;
        const char* name;
        TIB_Query& q;
    };
    for (Source s : {Source{TableDataSource, "TableDataSource", TableQuery},
                     Source{FieldDataSource, "FieldDataSource", FieldQuery},
                     Source{ViewDataSource, "ViewDataSource", ViewQuery},
                     Source{ViewFieldDataSource, "ViewFieldDataSource", ViewFieldQuery},
                     Source{ProcedureDataSource, "ProcedureDataSource", ProcedureQuery},
                     Source{ParameterDataSource, "ParameterDataSource", ParameterQuery},
                     Source{TableExportDataSource, "TableExportDataSource", TableExportQuery},
                     Source{ViewExportDataSource, "ViewExportDataSource", ViewExportQuery},
                     Source{ProcedureExportDataSource, "ProcedureExportDataSource", ProcedureExportQuery}}) {
        s.ds.SetName(s.name);
        s.ds.SetDataset(&s.q);
    }

    // Each handler fills every calculated column of the row; the dataset
    // calls it once per calculated column, so only the call for the first
    // one (or the call for the whole row) does the work.
    auto firstOfRow = [](TIB_Row& r, TIB_Column* c) { return !c || c == &r.Columns(r.ServerCount()); };
    auto calcField = [this, firstOfRow](TIB_Statement& s, TIB_Row& r, TIB_Column* c) {
        if (firstOfRow(r, c))
            FieldExportQueryCalculateField(s, r, c);
    };
    auto calcParam = [this, firstOfRow](TIB_Statement& s, TIB_Row& r, TIB_Column* c) {
        if (firstOfRow(r, c))
            ParamsExportQueryCalculateField(s, r, c);
    };
    const TIB_StringList relationOrdering = {"RDB$RELATION_NAME=RDB$RELATION_NAME ASC; RDB$RELATION_NAME DESC"};
    const TIB_StringList relationOrderingLinks = {"RDB$RELATION_NAME=1"};

    // 1. Tables.
    SetUp(TableQuery, "TableQuery", kTableSQL);
    TableQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        AdaptEditSQL(TableQuery, TDescriptionKind::Table);
        TableQueryPrepareSQL(d);
    };
    TableQuery.SetEditSQL(kRelationEditSQL);
    TableQuery.SetKeyLinks({"RDB$RELATIONS.RDB$RELATION_NAME"});
    TableQuery.SetKeyLinksAutoDefine(false);
    TableQuery.SetOrderingItems(relationOrdering);
    TableQuery.SetOrderingLinks(relationOrderingLinks);
    TableQuery.SetOrderingItemNo(1);
    TableQuery.SetFieldsDisplayLabel({"RDB$RELATION_NAME=Table", "RDB$DESCRIPTION=Table description"});
    TableQuery.SetFieldsDisplayWidth({"RDB$RELATION_NAME=142", "RDB$DESCRIPTION=84"});
    TableQuery.SetFieldsVisible({"DB_KEY=FALSE", "RDB$DESCRIPTION=FALSE"});

    // 2. Fields of the current table.
    SetUp(FieldQuery, "FieldQuery", kFieldSQL);
    FieldQuery.SetMasterSource(&TableDataSource);
    FieldQuery.SetMasterLinks({"RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    FieldQuery.SetCalculatedFields({"FIELD_TYPE=VARCHAR(30)", "MANDATORY=VARCHAR(5)", kTypeNameColumn});
    FieldQuery.OnCalculateField = calcField;
    FieldQuery.OnPrepareSQL = [this](TIB_Dataset&) { AdaptEditSQL(FieldQuery, TDescriptionKind::TableColumn); };
    FieldQuery.SetEditSQL(kFieldEditSQL);
    FieldQuery.SetKeyLinks({"RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$RELATION_FIELDS.RDB$RELATION_NAME"});
    FieldQuery.SetFieldsDisplayLabel({"RDB$FIELD_NAME=Field", "RDB$DESCRIPTION=Field description", "FIELD_TYPE=Type",
                                      "MANDATORY=NOT NULL"});
    FieldQuery.SetFieldsDisplayWidth({"RDB$FIELD_NAME=120", "RDB$DESCRIPTION=116"});
    FieldQuery.SetFieldsAlignment({"MANDATORY=CENTER"});

    // 3. Views.
    SetUp(ViewQuery, "ViewQuery", kViewSQL);
    ViewQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        AdaptEditSQL(ViewQuery, TDescriptionKind::View);
        TableQueryPrepareSQL(d);
    };
    ViewQuery.SetEditSQL(kRelationEditSQL);
    ViewQuery.SetKeyLinks({"RDB$RELATIONS.RDB$RELATION_NAME"});
    ViewQuery.SetKeyLinksAutoDefine(false);
    ViewQuery.SetOrderingItems(relationOrdering);
    ViewQuery.SetOrderingLinks(relationOrderingLinks);
    ViewQuery.SetOrderingItemNo(1);
    ViewQuery.SetFieldsDisplayLabel({"RDB$RELATION_NAME=View", "RDB$DESCRIPTION=View description"});
    ViewQuery.SetFieldsDisplayWidth({"RDB$RELATION_NAME=142", "RDB$DESCRIPTION=84"});
    ViewQuery.SetFieldsVisible({"DB_KEY=FALSE", "RDB$DESCRIPTION=FALSE"});

    // 4. Columns of the current view. The link names the alias: once the
    // table has one, Firebird refuses its own name.
    SetUp(ViewFieldQuery, "ViewFieldQuery", kViewFieldSQL);
    ViewFieldQuery.SetMasterSource(&ViewDataSource);
    ViewFieldQuery.SetMasterLinks({"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    ViewFieldQuery.OnPrepareSQL = [this](TIB_Dataset&) {
        AdaptEditSQL(ViewFieldQuery, TDescriptionKind::ViewColumn);
    };
    ViewFieldQuery.SetEditSQL(kViewFieldEditSQL);
    ViewFieldQuery.SetKeyLinks({"RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$RELATION_FIELDS.RDB$RELATION_NAME"});
    ViewFieldQuery.SetFieldsDisplayLabel({"RDB$FIELD_NAME=Field", "RDB$DESCRIPTION=Field description",
                                          "BASE_TABLE=Base table", "RDB$BASE_FIELD=Base field"});
    ViewFieldQuery.SetFieldsDisplayWidth({"RDB$FIELD_NAME=259", "BASE_TABLE=149"});
    ViewFieldQuery.SetFieldsVisible({"RDB$RELATION_NAME=FALSE"});

    // 5. Procedures.
    SetUp(ProcedureQuery, "ProcedureQuery", kProcedureSQL);
    ProcedureQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        AdaptEditSQL(ProcedureQuery, TDescriptionKind::Procedure);
        ExcludePackagedRoutines(d, "RDB$PACKAGE_NAME IS NULL");
    };
    ProcedureQuery.SetEditSQL(kProcedureEditSQL);
    ProcedureQuery.SetKeyLinks({"RDB$PROCEDURE_NAME"});
    ProcedureQuery.SetKeyLinksAutoDefine(false);
    ProcedureQuery.SetOrderingItems({"RDB$PROCEDURE_NAME=RDB$PROCEDURE_NAME;RDB$PROCEDURE_NAME DESC"});
    ProcedureQuery.SetOrderingLinks({"RDB$PROCEDURE_NAME=1"});
    ProcedureQuery.SetOrderingItemNo(1);
    ProcedureQuery.SetFieldsDisplayLabel(
        {"RDB$PROCEDURE_NAME=Procedure name", "RDB$DESCRIPTION=Procedure description"});
    ProcedureQuery.SetFieldsDisplayWidth({"RDB$PROCEDURE_NAME=178", "RDB$DESCRIPTION=48"});
    ProcedureQuery.SetFieldsVisible({"RDB$DESCRIPTION=FALSE"});

    // 6. Parameters of the current procedure.
    SetUp(ParameterQuery, "ParameterQuery", kParameterSQL);
    ParameterQuery.SetMasterSource(&ProcedureDataSource);
    ParameterQuery.SetMasterLinks({"RDB$PROCEDURE_NAME=RDB$PROCEDURES.RDB$PROCEDURE_NAME"});
    ParameterQuery.SetCalculatedFields({"INOUT=VARCHAR(20)", "FIELD_TYPE=VARCHAR(30)", kTypeNameColumn});
    ParameterQuery.OnCalculateField = calcParam;
    ParameterQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        AdaptEditSQL(ParameterQuery, TDescriptionKind::Parameter);
        ExcludePackagedRoutines(d, "p.RDB$PACKAGE_NAME IS NULL");
    };
    ParameterQuery.SetEditSQL(kParameterEditSQL);
    ParameterQuery.SetKeyLinks({"RDB$PROCEDURE_NAME", "RDB$PARAMETER_NAME"});
    ParameterQuery.SetKeyLinksAutoDefine(false);
    ParameterQuery.SetFieldsDisplayLabel({"RDB$PARAMETER_NAME=Parameter", "INOUT=In/Out", "FIELD_TYPE=Type"});
    ParameterQuery.SetFieldsVisible(
        {"RDB$PARAMETER_TYPE=FALSE", "RDB$DESCRIPTION=FALSE", "RDB$PROCEDURE_NAME=FALSE"});

    // 7. - 12. The export queries: read only, sorted by their own ORDER BY.
    SetUp(TableExportQuery, "TableExportQuery", kTableExportSQL);
    TableExportQuery.OnPrepareSQL = [this](TIB_Dataset& d) { TableQueryPrepareSQL(d); };
    TableExportQuery.SetKeyLinksAutoDefine(false);

    SetUp(FieldExportQuery, "FieldExportQuery", kFieldSQL);
    FieldExportQuery.SetMasterSource(&TableExportDataSource);
    FieldExportQuery.SetMasterLinks({"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    FieldExportQuery.SetCalculatedFields({"FIELD_TYPE VARCHAR(30)", "MANDATORY VARCHAR(5)", kTypeNameColumn});
    FieldExportQuery.OnCalculateField = calcField;

    SetUp(ViewExportQuery, "ViewExportQuery", kViewExportSQL);
    ViewExportQuery.OnPrepareSQL = [this](TIB_Dataset& d) { TableQueryPrepareSQL(d); };
    ViewExportQuery.SetKeyLinksAutoDefine(false);

    // Its two calculated columns have no handler: nothing reads them.
    SetUp(ViewFieldExportQuery, "ViewFieldExportQuery", kViewFieldExportSQL);
    ViewFieldExportQuery.SetMasterSource(&ViewExportDataSource);
    ViewFieldExportQuery.SetMasterLinks({"rf.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    ViewFieldExportQuery.SetCalculatedFields({"FIELD_TYPE VARCHAR(30)", "MANDATORY VARCHAR(5)"});

    SetUp(ProcedureExportQuery, "ProcedureExportQuery", kProcedureExportSQL);
    ProcedureExportQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        ExcludePackagedRoutines(d, "RDB$PACKAGE_NAME IS NULL");
    };
    ProcedureExportQuery.SetKeyLinksAutoDefine(false);

    SetUp(ParamsExportQuery, "ParamsExportQuery", kParameterSQL);
    ParamsExportQuery.SetMasterSource(&ProcedureExportDataSource);
    ParamsExportQuery.SetMasterLinks({"RDB$PROCEDURE_NAME=RDB$PROCEDURES.RDB$PROCEDURE_NAME"});
    ParamsExportQuery.SetCalculatedFields({"INOUT=VARCHAR(20)", "FIELD_TYPE=VARCHAR(30)", kTypeNameColumn});
    ParamsExportQuery.OnCalculateField = calcParam;
    ParamsExportQuery.OnPrepareSQL = [this](TIB_Dataset& d) {
        ExcludePackagedRoutines(d, "p.RDB$PACKAGE_NAME IS NULL");
    };
}

TCatalogue::~TCatalogue()
{
    // The handlers refer to this object: none may run while it goes.
    for (TIB_Query* q : Queries()) {
        q->OnPrepareSQL = nullptr;
        q->OnCalculateField = nullptr;
        q->OnOrderingChanged = nullptr;
    }
}

void TCatalogue::SetUp(TIB_Query& query, const char* name, const TIB_StringList& sql)
{
    query.SetName(name);
    query.SetOwner(FOwner);
    query.SetIB_Connection(&FConnection);
    query.SetIB_Transaction(&FTransaction);
    query.SetFetchWholeRows(true);
    query.SetSQL(sql);
}

TIB_Query* TCatalogue::QueryByName(std::string_view name)
{
    for (TIB_Query* q : Queries())
        if (q->Name() == name)
            return q;
    return nullptr;
}

TIB_DataSource* TCatalogue::DataSourceByName(std::string_view name)
{
    for (TIB_DataSource* ds : {&TableDataSource, &FieldDataSource, &ViewDataSource, &ViewFieldDataSource,
                               &ProcedureDataSource, &ParameterDataSource, &TableExportDataSource,
                               &ViewExportDataSource, &ProcedureExportDataSource})
        if (ds->Name() == name)
            return ds;
    return nullptr;
}

std::array<TIB_Query*, 12> TCatalogue::Queries()
{
    return {&TableQuery,       &FieldQuery,           &ViewQuery,
            &ViewFieldQuery,   &ProcedureQuery,       &ParameterQuery,
            &TableExportQuery, &FieldExportQuery,     &ViewExportQuery,
            &ViewFieldExportQuery, &ProcedureExportQuery, &ParamsExportQuery};
}

std::array<TIB_Query*, 6> TCatalogue::BrowseQueries()
{
    return {&TableQuery, &FieldQuery, &ViewQuery, &ViewFieldQuery, &ProcedureQuery, &ParameterQuery};
}

void TCatalogue::OpenBrowseQueries()
{
    for (TIB_Query* q : BrowseQueries())
        q->SetActive(true);
}

void TCatalogue::CloseExportQueries() noexcept
{
    for (TIB_Query* q : {&FieldExportQuery, &TableExportQuery, &ViewFieldExportQuery, &ViewExportQuery,
                         &ParamsExportQuery, &ProcedureExportQuery}) {
        try {
            q->SetActive(false);
        } catch (...) {
            // An export query has nothing to post; a failing close (a lost
            // connection) leaves nothing to keep.
        }
    }
}

bool TCatalogue::ModernStructure() const
{
    return FConnection.Connected() && FConnection.Characteristics().ODSMajorVersion >= 12;
}

void TCatalogue::AdaptEditSQL(TIB_Query& query, TDescriptionKind kind)
{
    if (!FConnection.Connected())
        return;
    query.SetEditSQL(DescriptionEditSQL(kind, ModernStructure(), FConnection.SQLDialect(), FConnection.CharSet()));
}

void TCatalogue::ExcludePackagedRoutines(TIB_Dataset& query, const char* condition)
{
    if (ModernStructure())
        query.WhereConditions().push_back(condition);
}

void TCatalogue::TableQueryPrepareSQL(TIB_Dataset&)
{
    if (FSettings.Bool(Setting::Settings_SystemData))
        return;
    TableQuery.WhereConditions().push_back(kSystemFilter);
    TableExportQuery.WhereConditions().push_back(kSystemFilter);
}

void TCatalogue::SystemDataCheckBoxClick()
{
    TableQuery.InvalidateSQL();
    TableQuery.Refresh();
    FieldQuery.InvalidateSQL();
    FieldQuery.Refresh();
    TableExportQuery.InvalidateSQL();
    FieldExportQuery.InvalidateSQL();
}

const std::string* TCatalogue::FieldTypeName(int fieldType)
{
    // One read per attachment: the cache goes with the connection it was
    // read on.
    if (!FTypeNamesRead || FTypeNamesConnectTime != FConnection.ConnectTime()) {
        FTypeNames.clear();
        TIB_Query q(FConnection.SessionPtr());
        q.SetName("FieldTypeNames");
        q.SetIB_Connection(&FConnection);
        q.SetIB_Transaction(&FTransaction);
        q.SetKeyLinksAutoDefine(false);
        q.SetSQL({"SELECT RDB$TYPE, RDB$TYPE_NAME FROM RDB$TYPES WHERE RDB$FIELD_NAME = 'RDB$FIELD_TYPE'"});
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
            FTypeNames.emplace(q.FieldByName("RDB$TYPE").AsInteger(), q.FieldByName("RDB$TYPE_NAME").AsString());
        q.Close();
        FTypeNamesConnectTime = FConnection.ConnectTime();
        FTypeNamesRead = true;
    }
    auto it = FTypeNames.find(fieldType);
    return it == FTypeNames.end() ? nullptr : &it->second;
}

void TCatalogue::FillTypeName(TIB_Row& ARow)
{
    TIB_Column& typeName = ARow.ByName("RDB$TYPE_NAME");
    TIB_Column& fieldType = ARow.ByName("RDB$FIELD_TYPE");
    const std::string* name = fieldType.IsNull() ? nullptr : FieldTypeName(fieldType.AsInteger());
    if (name)
        typeName.SetAsString(*name);
    else
        typeName.Clear();
}

void TCatalogue::FieldExportQueryCalculateField(TIB_Statement&, TIB_Row& ARow, TIB_Column*)
{
    FillTypeName(ARow);
    ARow.ByName("FIELD_TYPE").SetAsString(FieldTypeText(TypeInfoOf(ARow)));
    ARow.ByName("MANDATORY").SetAsString(MandatoryText(ARow.ByName("RDB$NULL_FLAG").AsInteger(),
                                                       ARow.ByName("NULL_FLAG2").AsInteger(),
                                                       FSettings.Text(Setting::Tables_NotNullColumnText)));
}

void TCatalogue::ParamsExportQueryCalculateField(TIB_Statement&, TIB_Row& ARow, TIB_Column*)
{
    FillTypeName(ARow);
    ARow.ByName("INOUT").SetAsString(InOutText(ARow.ByName("RDB$PARAMETER_TYPE").AsInteger()));
    ARow.ByName("FIELD_TYPE").SetAsString(FieldTypeText(TypeInfoOf(ARow)));
}

std::string TCatalogue::BuildViewSource()
{
    TViewSourceBuilder b(ViewExportQuery.FieldByName("RDB$RELATION_NAME").AsString());
    ViewFieldExportQuery.First();
    while (!ViewFieldExportQuery.Eof()) {
        b.AddColumn(ViewFieldExportQuery.FieldByName("RDB$FIELD_NAME").AsString());
        ViewFieldExportQuery.Next();
    }
    return b.Finish(TextOrNull(ViewExportQuery.FieldByName("RDB$VIEW_SOURCE")));
}

std::string TCatalogue::BuildProcedureSource()
{
    TProcedureSourceBuilder b(ProcedureExportQuery.FieldByName("RDB$PROCEDURE_NAME").AsString());
    ParamsExportQuery.First();
    while (!ParamsExportQuery.Eof()) {
        b.AddParameter(ParamsExportQuery.FieldByName("RDB$PARAMETER_NAME").AsString(),
                       ParamsExportQuery.FieldByName("FIELD_TYPE").AsString(),
                       ParamsExportQuery.FieldByName("RDB$PARAMETER_TYPE").AsInteger());
        ParamsExportQuery.Next();
    }
    return b.Finish(TextOrNull(ProcedureExportQuery.FieldByName("RDB$PROCEDURE_SOURCE")));
}
