#include "dataset/IB_UpdateSQL.h"

#include "dataset/IB_Dataset.h"
#include "dataset/IB_StringList.h"
#include "db/IB_Connection.h"
#include "db/IB_Markers.h"
#include "db/IB_Transaction.h"

namespace varnel::db {

namespace {

// "OLD_X", "OLD.X" (also quoted, as the client layer already unquoted the
// parts): the column name X, else empty.
std::string OldColumnOf(const TIB_ColumnDef& def)
{
    if (SameText(def.RelName, "OLD") && !def.SQLName.empty())
        return def.SQLName;
    if (def.RelName.empty() && def.SQLName.size() > 4 && SameText(def.SQLName.substr(0, 4), "OLD_"))
        return def.SQLName.substr(4);
    return {};
}

// The edit statement: it leaves the activation of the transaction to
// ExecuteEdit, which first checks the rows the statement touched.
class UpdateStatement : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;

protected:
    void SysActivate(TIB_Transaction&) override {}
};

std::string QualifiedName(int dialect, const std::string& rel, const std::string& field)
{
    std::string f = FormatIdentifier(dialect, field);
    return rel.empty() ? f : FormatIdentifier(dialect, rel) + "." + f;
}

} // namespace

TIB_UpdateSQL::TIB_UpdateSQL(TIB_Dataset& dataset) : dataset_(dataset) {}

TIB_UpdateSQL::~TIB_UpdateSQL() = default;

void TIB_UpdateSQL::SetEditSQL(const TIB_StringList& v)
{
    if (v == editSQL_)
        return;
    editSQL_ = v;
    Unprepare();
}

TIB_StringList TIB_UpdateSQL::EditParamNames() const
{
    if (editSQL_.empty())
        return {};
    return MakeServerSQL(JoinLines(editSQL_), dataset_.ParamChar(), dataset_.ParamCheck()).ParamNames;
}

std::string TIB_UpdateSQL::EditText() const
{
    if (!editSQL_.empty())
        return JoinLines(editSQL_);
    // Generated from the key relation: every writable column of it.
    const int dialect = dataset_.SQLDialect();
    TIB_Row& f = dataset_.Fields();
    std::vector<TIB_Column*> keys = dataset_.KeyColumns();
    std::string rel;
    if (!keys.empty())
        rel = keys.front()->Def().RelName;
    std::string sets;
    for (int i = 0; rel.size() && i < f.ColumnCount(); ++i) {
        TIB_Column& c = f.Columns(i);
        if (c.IsCalculated() || c.Computed() || c.Def().RelName != rel || c.SQLName() == "RDB$DB_KEY" ||
            c.Def().SQLName.empty())
            continue;
        std::string name = FormatIdentifier(dialect, c.Def().SQLName);
        sets += sets.empty() ? "  SET " : "\r\n    , ";
        sets += name + " = :" + name;
    }
    if (sets.empty())
        throw EIB_DatasetError("Unable to initialize default EditDSQL");
    std::string where;
    for (TIB_Column* k : keys) {
        std::string name = k->SQLName() == "RDB$DB_KEY" ? std::string("RDB$DB_KEY")
                                                         : FormatIdentifier(dialect, k->Def().SQLName);
        where += where.empty() ? "\r\nWHERE " : "\r\n  AND ";
        where += name + " = :OLD." + name;
    }
    return "UPDATE " + FormatIdentifier(dialect, rel) + "\r\n" + sets + where;
}

// The statement objects stay: a connection may be walking its list of
// statements while it asks this dataset to let go of its server handles.
void TIB_UpdateSQL::Unprepare()
{
    bound_ = false;
    if (edit_) {
        try {
            edit_->Unprepare();
        } catch (...) {
        }
    }
    for (auto& [sql, st] : savePointStatements_) {
        try {
            st->Unprepare();
        } catch (...) {
        }
    }
}

void TIB_UpdateSQL::PrepareEdit()
{
    if (edit_ && bound_ && boundGeneration_ == dataset_.Fields().Generation() && edit_->Prepared())
        return;
    bound_ = false;
    if (!edit_) {
        edit_ = std::make_unique<UpdateStatement>(dataset_.SessionPtr());
        edit_->SetName(dataset_.Name().empty() ? "EditDSQL" : dataset_.Name() + "EditDSQL");
    }
    TIB_Statement& s = *edit_;
    s.SetIB_Connection(dataset_.IB_Connection());
    s.SetIB_Transaction(dataset_.EffectiveTransaction());
    s.SetParamChar(dataset_.ParamChar());
    s.SetParamCheck(dataset_.ParamCheck());
    s.SetSQLText(EditText());
    // A fresh prepare: the bindings replace the parameter objects.
    s.Unprepare();
    s.Prepare();
    try {
        Bind(s);
    } catch (...) {
        s.Unprepare();
        throw;
    }
    bound_ = true;
    boundGeneration_ = dataset_.Fields().Generation();
}

void TIB_UpdateSQL::Bind(TIB_Statement& s)
{
    TIB_Row& fields = dataset_.Fields();
    const int dialect = s.SQLDialect();
    TIB_Row& params = s.Params();
    const TIB_StringList& keyLinks = dataset_.EffectiveKeyLinks();
    std::vector<TIB_Column*> keyColumns = dataset_.KeyColumns();
    // Collect first: ShareColumn replaces the parameter objects.
    std::vector<std::pair<TIB_Column*, std::pair<const TIB_Column*, bool>>> bindings;
    for (int i = 0; i < params.ColumnCount(); ++i) {
        TIB_Column& p = params.Columns(i);
        const TIB_ColumnDef& def = p.Def();
        const std::string full = QualifiedName(dialect, def.RelName, def.SQLName);
        const TIB_Column* source = nullptr;
        bool old = false;
        if (std::string oldName = OldColumnOf(def); !oldName.empty()) {
            source = fields.FindByName(FormatIdentifier(dialect, oldName));
            old = true;
        }
        if (!source)
            source = fields.FindByName(full);
        if (!source) {
            // A key link written differently from the column's own name.
            for (size_t k = 0; k < keyLinks.size() && k < keyColumns.size(); ++k) {
                if (SameColumnName(keyLinks[k], full) && keyColumns[k]) {
                    source = keyColumns[k];
                    old = true;
                    break;
                }
            }
        }
        if (!source)
            throw EIB_DatasetError("Invalid custom DML column reference: " + full);
        bindings.push_back({&p, {source, old}});
    }
    for (auto& [param, src] : bindings)
        params.ShareColumn(*param, *src.first, src.second);
}

void TIB_UpdateSQL::RunSavePointStatement(const char* sql)
{
    auto& s = savePointStatements_[sql];
    if (!s) {
        s = std::make_unique<TIB_Statement>(dataset_.SessionPtr());
        s->SetName("EditSavePoint");
        s->SetIB_Connection(dataset_.IB_Connection());
        s->SetIB_Transaction(dataset_.EffectiveTransaction());
        s->SetParamCheck(false);
        s->SetSQLText(sql);
    }
    s->Execute();
}

void TIB_UpdateSQL::ExecuteEdit()
{
    PrepareEdit();
    TIB_Statement& s = *edit_;
    TIB_Transaction* t = dataset_.EffectiveTransaction();
    if (!t)
        throw EIB_StatementError("No active transaction to execute with");
    t->StartOnDemand();
    const TIB_StatementType type = s.StatementType();
    // A statement whose row count the server reports is checked; one that
    // touched several rows is undone through a save point before the error
    // is raised, so that no commit can carry it.
    const bool counted = type == TIB_StatementType::stUpdate || type == TIB_StatementType::stDelete ||
                         type == TIB_StatementType::stInsert;
    if (counted)
        RunSavePointStatement("SAVEPOINT VARNEL_POST");
    try {
        s.Execute();
    } catch (...) {
        // The server undid the failed statement itself.
        if (counted) {
            try {
                RunSavePointStatement("RELEASE SAVEPOINT VARNEL_POST");
            } catch (...) {
            }
        }
        throw;
    }
    ++executions_;
    if (counted) {
        const long rows = s.RowsAffected();
        if (rows > 1)
            RunSavePointStatement("ROLLBACK TO SAVEPOINT VARNEL_POST");
        RunSavePointStatement("RELEASE SAVEPOINT VARNEL_POST");
        if (rows == 0)
            throw EIB_DatasetError("Record was not located to update");
        if (rows > 1)
            throw EIB_DatasetError("Multiple records updated");
    }
    if (t->Started())
        t->Activate();
    // Output values of the statement go back into the row.
    TIB_Row& out = s.Fields();
    for (int i = 0; i < out.ColumnCount(); ++i) {
        TIB_Column& o = out.Columns(i);
        if (TIB_Column* target = dataset_.Fields().FindByName(o.FieldName()); target && !target->IsCalculated())
            target->Assign(o);
    }
}

} // namespace varnel::db
