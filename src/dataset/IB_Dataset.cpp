#include "dataset/IB_Dataset.h"

#include "dataset/IB_CalcFieldDecl.h"
#include "dataset/IB_Parse.h"
#include "dataset/IB_StringList.h"
#include "dataset/IB_UpdateSQL.h"
#include "db/IB_Connection.h"
#include "db/IB_Markers.h"

#include <algorithm>
#include <cstring>

namespace varnel::db {

namespace {

struct FlagScope {
    bool& flag;
    bool saved;
    explicit FlagScope(bool& f) : flag(f), saved(f) { flag = true; }
    ~FlagScope() { flag = saved; }
};

struct CountScope {
    int& n;
    explicit CountScope(int& v) : n(v) { ++n; }
    ~CountScope() { --n; }
};

// A statement with the cursor calls, for the primary-key query.
class KeyQuery : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;
    void Open() { SysOpenCursor(); }
    bool Fetch() { return SysFetchRow(); }
    void Close() { SysCloseCursor(); }
};

const char* const kPrimaryKeySQL = "SELECT S.RDB$FIELD_NAME\r\n"
                                   "FROM RDB$RELATION_CONSTRAINTS C\r\n"
                                   "   , RDB$INDICES I\r\n"
                                   "   , RDB$INDEX_SEGMENTS S\r\n"
                                   "WHERE C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'\r\n"
                                   "  AND C.RDB$RELATION_NAME = I.RDB$RELATION_NAME\r\n"
                                   "  AND C.RDB$INDEX_NAME = I.RDB$INDEX_NAME\r\n"
                                   "  AND I.RDB$INDEX_NAME = S.RDB$INDEX_NAME\r\n"
                                   "  AND I.RDB$RELATION_NAME = ?RDB$RELATION_NAME\r\n"
                                   "ORDER BY S.RDB$FIELD_POSITION\r\n";

// The bytes of a value, for key data and change detection: a null mark,
// then the data (a VARCHAR only up to its length).
void AppendValue(std::string& out, const TIB_Column& c)
{
    if (c.IsNull()) {
        out += '\0';
        return;
    }
    out += '\1';
    const char* d = reinterpret_cast<const char*>(c.Data());
    if (c.DataType() == SQLTYPE_VARYING) {
        std::uint16_t len;
        std::memcpy(&len, d, 2);
        len = std::min<std::uint16_t>(len, static_cast<std::uint16_t>(c.SQLLen()));
        out.append(d, 2);
        out.append(d + 2, len);
    } else {
        out.append(d, static_cast<size_t>(std::max(c.DataSize(), 0)));
    }
}

bool IsIdentChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// `word` occurs in `text` as a whole word (both upper-cased by the caller).
bool ContainsWord(const std::string& text, const std::string& word)
{
    if (word.empty())
        return false;
    for (size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) {
        bool left = p == 0 || !IsIdentChar(text[p - 1]);
        size_t e = p + word.size();
        bool right = e >= text.size() || !IsIdentChar(text[e]);
        if (left && right)
            return true;
    }
    return false;
}

// A word followed (after blanks) by "(".
bool ContainsCall(const std::string& upper, const char* name)
{
    const std::string w = name;
    for (size_t p = upper.find(w); p != std::string::npos; p = upper.find(w, p + 1)) {
        if (p > 0 && IsIdentChar(upper[p - 1]))
            continue;
        size_t e = p + w.size();
        while (e < upper.size() && static_cast<unsigned char>(upper[e]) <= ' ')
            ++e;
        if (e < upper.size() && upper[e] == '(')
            return true;
    }
    return false;
}

// The number of top-level items in a select list ("SELECT a, b" -> 2).
int CountSelectColumns(const std::string& select)
{
    if (select.size() <= 6)
        return 0;
    int depth = 0, count = 1;
    char quote = 0;
    for (size_t i = 6; i < select.size(); ++i) {
        char c = select[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"')
            quote = c;
        else if (c == '(')
            ++depth;
        else if (c == ')')
            depth = std::max(0, depth - 1);
        else if (c == ',' && depth == 0)
            ++count;
    }
    return count;
}

// The first token of a text (a quoted identifier whole) and the rest.
std::pair<std::string, std::string> FirstToken(const std::string& text)
{
    std::string t = Trim(text);
    size_t i = 0;
    if (!t.empty() && t[0] == '"') {
        i = 1;
        while (i < t.size()) {
            if (t[i] == '"') {
                if (i + 1 < t.size() && t[i + 1] == '"') {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
    } else {
        while (i < t.size() && static_cast<unsigned char>(t[i]) > ' ')
            ++i;
    }
    return {t.substr(0, i), Trim(t.substr(i))};
}

bool IsEditState(TIB_DatasetState s)
{
    return s == TIB_DatasetState::dssEdit || s == TIB_DatasetState::dssInsert || s == TIB_DatasetState::dssDelete;
}

} // namespace

// --- construction ---------------------------------------------------------------

TIB_Dataset::TIB_Dataset(std::shared_ptr<TIB_Session> session)
    : TIB_Statement(std::move(session)), masterLink_(std::make_unique<TIB_MasterDataLink>(*this)),
      updateSQL_(std::make_unique<TIB_UpdateSQL>(*this))
{
}

TIB_Dataset::~TIB_Dataset()
{
    SetDestroying();
    if (NeedToPost()) {
        Fields().RestoreOldValues();
        if (userOf_)
            userOf_->AdjustPostPending(-1);
    }
    state_ = TIB_DatasetState::dssInactive;
    updateSQL_->Unprepare();
    masterLink_->SetDataSource(nullptr);
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->DatasetGone();
    dataSources_.clear();
    if (userOf_)
        userOf_->UnregisterUser(this);
    userOf_ = nullptr;
}

// --- state ---------------------------------------------------------------------------

bool TIB_Dataset::Active() const
{
    return state_ != TIB_DatasetState::dssInactive && state_ != TIB_DatasetState::dssPrepared;
}

bool TIB_Dataset::NeedToPost() const { return IsEditState(state_); }

void TIB_Dataset::SetState(TIB_DatasetState s)
{
    if (s == state_)
        return;
    const bool before = NeedToPost();
    state_ = s;
    const bool after = NeedToPost();
    if (before != after && userOf_)
        userOf_->AdjustPostPending(after ? 1 : -1);
    NotifyStateChanged();
}

void TIB_Dataset::RunEvent(const TIB_DatasetEvent& e)
{
    if (e && !Destroying())
        e(*this);
}

// --- notifications --------------------------------------------------------------------

void TIB_Dataset::AddDataSource(TIB_DataSource* ds, bool atFront)
{
    std::erase(dataSources_, ds);
    if (atFront)
        dataSources_.insert(dataSources_.begin(), ds);
    else
        dataSources_.push_back(ds);
}

void TIB_Dataset::RemoveDataSource(TIB_DataSource* ds) { std::erase(dataSources_, ds); }

void TIB_Dataset::NotifyStateChanged()
{
    if (Destroying())
        return;
    if (controlsDisabled_ > 0) {
        stateDue_ = true;
        return;
    }
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->StateChanged();
}

void TIB_Dataset::NotifyDataChange(TIB_Column* column)
{
    if (Destroying())
        return;
    if (controlsDisabled_ > 0) {
        dataDue_ = true;
        return;
    }
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->DataChange(column);
}

void TIB_Dataset::NotifyLayoutChanged()
{
    if (Destroying())
        return;
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->LayoutChanged();
}

void TIB_Dataset::NotifyOrderingChanged()
{
    if (Destroying())
        return;
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->OrderingChanged();
}

void TIB_Dataset::NotifyBufferChanged(int rowNum)
{
    if (Destroying())
        return;
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->BufferChanged(rowNum);
}

void TIB_Dataset::NotifyUpdateData()
{
    if (Destroying())
        return;
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->UpdateData();
}

void TIB_Dataset::NotifyCheckBrowseMode()
{
    if (Destroying())
        return;
    for (TIB_DataSource* ds : std::vector<TIB_DataSource*>(dataSources_))
        ds->NotifyCheckBrowseMode();
}

void TIB_Dataset::DisableControls() { ++controlsDisabled_; }

void TIB_Dataset::EnableControls()
{
    if (controlsDisabled_ == 0)
        return;
    if (--controlsDisabled_ > 0)
        return;
    const bool state = stateDue_, scroll = afterScrollDue_, data = dataDue_ || afterScrollDue_;
    stateDue_ = afterScrollDue_ = dataDue_ = false;
    if (state)
        NotifyStateChanged();
    if (scroll)
        RunEvent(AfterScroll);
    if (data)
        NotifyDataChange(nullptr);
}

void TIB_Dataset::EnableControlsQuietly() noexcept
{
    try {
        EnableControls();
    } catch (...) {
    }
}

void TIB_Dataset::RunAfterScroll()
{
    if (controlsDisabled_ > 0)
        afterScrollDue_ = true;
    else
        RunEvent(AfterScroll);
}

// --- SQL assembly ----------------------------------------------------------------------

void TIB_Dataset::SetJoinLinks(const TIB_StringList& v)
{
    if (v == joinLinks_)
        return;
    joinLinks_ = v;
    InvalidateSQL();
}

void TIB_Dataset::InvalidateSQL()
{
    if (assembling_)
        return;
    TIB_Statement::InvalidateSQL();
    RunEvent(OnInvalidateSQL);
}

TIB_StringList TIB_Dataset::GetSQLSection(int n) const
{
    if (n < 1 || n > 9)
        return {};
    return SplitLines(GetSQLClause(static_cast<SQLSection>(n), SQLText()).text);
}

void TIB_Dataset::SetSQLSection(int n, const std::string& clause)
{
    if (n < 1 || n > 9)
        return;
    const auto section = static_cast<SQLSection>(n);
    TIB_StringList lines = SplitLines(SetSQLClause(section, SQLText(), clause));
    if (section == SQLSection::Where || section == SQLSection::Order)
        ReplaceSQL(lines);
    else
        SetSQL(lines);
}

void TIB_Dataset::AddSQLWhereClause(const std::string& condition)
{
    SetSQLSection(static_cast<int>(SQLSection::Where), AddWhereClause(GetSQLWhere(SQLText()).text, condition));
}

void TIB_Dataset::SetColumnAttributes(const TIB_StringList& v)
{
    if (v == columnAttributes_)
        return;
    columnAttributes_ = v;
    InvalidateSQL();
}

void TIB_Dataset::SysAssembleSQL(std::string& serverSQL, TIB_StringList& paramNames)
{
    // A re-prepare of an open dataset: its rows belong to the old text.
    if (Active())
        SysCloseDataset(false);
    const TIB_StringList designed = SQL();
    const TIB_StringList designedJoins = joinLinks_;
    auto restore = [&] {
        if (SQL() != designed)
            ReplaceSQL(designed);
        joinLinks_ = designedJoins;
    };
    FlagScope assembling(assembling_);
    try {
        SysInitRawSQL();
        SysPrepareSQL();
        SysFinishRawSQL();
        TIB_ServerSQL s = MakeServerSQL(rawSQL_, ParamChar(), ParamCheck());
        serverSQL = std::move(s.Text);
        paramNames = std::move(s.ParamNames);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TIB_Dataset::SysInitRawSQL()
{
    leading_.clear();
    where_.clear();
    trailing_.clear();
    rawSQL_.clear();
}

void TIB_Dataset::SysPrepareSQL()
{
    RunEvent(OnPrepareSQL);
    if (SQL().empty())
        throw EIB_StatementError("Cannot Prepare a blank statement");
    rawSQL_ = SQLText();
    const int dialect = IB_Connection() ? IB_Connection()->SQLDialect() : SQLDialect();
    calcDefs_.clear();
    for (const std::string& line : calculatedFields_) {
        if (Trim(line).empty())
            continue;
        TIB_CalcFieldDecl d = ParseCalcFieldDecl(line, dialect);
        TIB_ColumnDef def;
        def.SQLType = d.xsqlType();
        def.SQLScale = d.scale;
        def.SQLSubType = d.subType;
        def.SQLLen = d.length;
        def.SQLName = d.name;
        def.AliasName = d.name;
        def.RelName = d.relation;
        calcDefs_.push_back(def);
    }
    DefineKey(rawSQL_);
    SetExpectedFieldCount(CountSelectColumns(GetSQLSelect(rawSQL_).text));
}

TIB_StringList TIB_Dataset::PrimaryKeyOf(const std::string& relation)
{
    for (const auto& [rel, cols] : primaryKeyCache_)
        if (rel == relation)
            return cols;
    TIB_StringList cols;
    KeyQuery q(SessionPtr());
    q.SetName(Name() + "KeyQuery");
    q.SetIB_Connection(IB_Connection());
    q.SetIB_Transaction(EffectiveTransaction());
    q.SetSQLText(kPrimaryKeySQL);
    q.Prepare();
    q.ParamByName("RDB$RELATION_NAME").SetAsString(relation);
    q.Open();
    while (q.Fetch())
        cols.push_back(Trim(q.Fields().Columns(0).AsString()));
    q.Close();
    primaryKeyCache_.emplace_back(relation, cols);
    return cols;
}

void TIB_Dataset::DefineKey(std::string& text)
{
    keyRelation_.clear();
    keyIsDBKey_ = false;
    effectiveKeyLinks_ = keyLinks_;
    if (!keyLinks_.empty() || !keyLinksAutoDefine_)
        return;
    const SQLClause select = GetSQLSelect(text);
    const SQLClause from = GetSQLFrom(text);
    if (!select.found() || !from.found() || GetSQLUnion(text).found() || GetSQLGroup(text).found() ||
        GetSQLHaving(text).found())
        return;
    const std::string selUpper = UpperCase(select.text);
    for (const char* agg : {"COUNT", "SUM", "MIN", "MAX", "AVG", "LIST"})
        if (ContainsCall(selUpper, agg))
            return;
    if (ContainsWord(selUpper, "DISTINCT"))
        return;
    const std::string relations = Trim(from.text.substr(4));
    if (UpperCase(" " + relations + " ").find(" JOIN ") != std::string::npos ||
        FindOutsideQuotes(relations, ',') != std::string::npos || relations.find('(') != std::string::npos)
        return;
    auto [relToken, rest] = FirstToken(relations);
    if (relToken.empty())
        return;
    auto [aliasToken, more] = FirstToken(rest);
    if (SameText(aliasToken, "AS"))
        aliasToken = FirstToken(more).first;
    const int dialect = IB_Connection() ? IB_Connection()->SQLDialect() : SQLDialect();
    const std::string relation = (dialect >= 3 && IsQuoted(relToken)) ? Unquote(relToken) : UpperCase(Unquote(relToken));
    const std::string relName = FormatIdentifier(dialect, relation);
    // The select list refers to the relation by its alias when it has one.
    const std::string qualifier = aliasToken.empty() ? relToken : aliasToken;
    keyRelation_ = relation;

    const TIB_StringList pk = PrimaryKeyOf(relation);
    bool usable = !pk.empty();
    const bool star = select.text.find('*') != std::string::npos;
    for (const std::string& col : pk)
        if (!star && !ContainsWord(selUpper, UpperCase(FormatIdentifier(dialect, col))))
            usable = false;
    if (usable) {
        effectiveKeyLinks_.clear();
        for (const std::string& col : pk)
            effectiveKeyLinks_.push_back(relName + "." + FormatIdentifier(dialect, col));
        return;
    }
    keyIsDBKey_ = true;
    effectiveKeyLinks_ = {relName + ".RDB$DB_KEY"};
    std::string newSelect = select.text;
    if (Trim(newSelect.substr(6)) == "*")
        newSelect = "SELECT " + qualifier + ".*";
    newSelect += "\r\n     , " + qualifier + ".RDB$DB_KEY";
    const bool atStart = Trim(text.substr(0, select.start)).empty();
    text = SetSQLSelect(text, newSelect);
    // Nothing stood before SELECT: no empty first line.
    if (atStart && text.rfind("\r\n", 0) == 0)
        text.erase(0, 2);
}

void TIB_Dataset::SysFinishRawSQL()
{
    std::string& text = rawSQL_;
    const std::string designedWhere = GetSQLWhere(text).text;
    std::string w = designedWhere;
    w = ProcessSQLWhereStrings(joinLinks_, w, true);
    w = ProcessSQLWhereStrings(leading_, w, true);
    if (MasterSource() != nullptr && !masterLinks_.empty()) {
        for (int i = static_cast<int>(masterLinks_.size()) - 1; i >= 0; --i) {
            const std::string detail = Trim(SplitNameValue(masterLinks_[static_cast<size_t>(i)]).name);
            if (detail.empty())
                continue;
            w = AddWhereClauseHigh(w, detail + "=?" + MasterLinkParamName(i));
        }
    }
    w = ProcessSQLWhereStrings(where_, w, false);
    w = ProcessSQLWhereStrings(trailing_, w, false);
    if (Trim(w) != Trim(designedWhere))
        text = SetSQLWhere(text, w);

    const OrderByRewrite order =
        RewriteOrderBy(OrderingText(orderingItems_, orderingItemNo_, text), NocaseFromColumnAttributes(columnAttributes_));
    orderingColumns_ = order.orderingColumns;
    if (!order.section.empty())
        text = SetSQLOrder(text, order.section);
    // A replaced clause in the middle trims the text after it: every line
    // of the assembled text ends with CR LF, as the designed lines do.
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
}

TIB_StatementType TIB_Dataset::SysStatementTypeFromSQL()
{
    const std::string text = SQLText();
    if (text == typeText_)
        return typeFromText_;
    typeText_ = text;
    typeFromText_ = TIB_StatementType::stUnknown;
    if (GetSQLSelect(text).found())
        typeFromText_ =
            GetSQLForUpdate(text).found() ? TIB_StatementType::stSelectForUpdate : TIB_StatementType::stSelect;
    return typeFromText_;
}

// --- prepare / unprepare -----------------------------------------------------------------

void TIB_Dataset::SysPrepared()
{
    TIB_Row& f = Fields();
    serverDefs_.clear();
    required_.assign(static_cast<size_t>(f.ColumnCount()), false);
    for (int i = 0; i < f.ColumnCount(); ++i) {
        const TIB_Column& c = f.Columns(i);
        if (!c.IsCalculated()) {
            serverDefs_.push_back(c.Def());
            required_[static_cast<size_t>(i)] = !c.IsNullable();
        }
    }
    if (f.Generation() != fieldsGeneration_) {
        updateSQL_->Unprepare();
        fieldsGeneration_ = f.Generation();
    }
    ResolveKeyColumns();
    RegisterWithTransaction();
}

void TIB_Dataset::ResolveKeyColumns()
{
    keyIndexes_.clear();
    keyRelName_.clear();
    TIB_Row& f = Fields();
    for (const std::string& link : effectiveKeyLinks_) {
        TIB_Column* c = f.FindByName(Trim(link));
        if (!c) {
            keyIndexes_.clear();
            return;
        }
        for (int i = 0; i < f.ColumnCount(); ++i)
            if (&f.Columns(i) == c)
                keyIndexes_.push_back(i);
    }
    if (!keyIndexes_.empty())
        keyRelName_ = f.Columns(keyIndexes_.front()).RelName();
}

std::vector<TIB_Column*> TIB_Dataset::KeyColumns()
{
    std::vector<TIB_Column*> r;
    if (!Prepared())
        return r;
    for (int i : keyIndexes_)
        r.push_back(&Fields().Columns(i));
    return r;
}

void TIB_Dataset::SysAfterPrepare()
{
    if (state_ == TIB_DatasetState::dssInactive)
        SetState(TIB_DatasetState::dssPrepared);
    NotifyLayoutChanged();
    if (orderingChangeLevel_ == 0)
        RunEvent(OnOrderingChanged);
}

void TIB_Dataset::SysBeforeUnprepare()
{
    if (Active())
        SysCloseDataset(Destroying());
}

void TIB_Dataset::SysUnprepared()
{
    updateSQL_->Unprepare();
    keyIndexes_.clear();
    keyRelName_.clear();
    serverDefs_.clear();
    required_.clear();
    SetState(TIB_DatasetState::dssInactive);
    NotifyLayoutChanged();
}

void TIB_Dataset::SysBeforeExecute() { CopyMasterValues(true); }

void TIB_Dataset::SysDeallocate()
{
    if (Active())
        SysCloseDataset(true);
    primaryKeyCache_.clear();
    updateSQL_->Unprepare();
    TIB_Statement::SysDeallocate();
}

void TIB_Dataset::SysConnectionGone()
{
    if (Active()) {
        try {
            SysCloseDataset(true);
        } catch (...) {
        }
    }
    primaryKeyCache_.clear();
    TIB_Statement::SysConnectionGone();
    keyIndexes_.clear();
    serverDefs_.clear();
    state_ = TIB_DatasetState::dssInactive;
    NotifyLayoutChanged();
    NotifyStateChanged();
}

void TIB_Dataset::SysTransactionGone()
{
    TIB_Statement::SysTransactionGone();
    userOf_ = nullptr;
}

void TIB_Dataset::RegisterWithTransaction()
{
    // EffectiveTransaction registers the statement, which calls SysRegistered.
    if (IB_Connection())
        EffectiveTransaction();
    else if (IB_Transaction())
        SysRegistered(IB_Transaction());
}

void TIB_Dataset::SysRegistered(TIB_Transaction* t)
{
    if (t == userOf_)
        return;
    const bool pending = NeedToPost();
    if (userOf_) {
        userOf_->UnregisterUser(this);
        if (pending)
            userOf_->AdjustPostPending(-1);
    }
    userOf_ = t;
    if (t) {
        t->RegisterUser(this);
        if (pending)
            t->AdjustPostPending(+1);
    }
}

void TIB_Dataset::BuildLikeFields(TIB_Row& row) const
{
    TIB_RowOptions options;
    options.Dialect = SQLDialect();
    options.NoTrimming = IB_Connection() && IB_Connection()->DefaultNoTrimming();
    row.Build(serverDefs_, calcDefs_, options);
    if (row.RecordSize() != const_cast<TIB_Dataset*>(this)->Fields().RecordSize())
        throw EIB_DatasetError("Row buffer layout differs from the statement's columns");
}

// --- ordering -----------------------------------------------------------------------------------

void TIB_Dataset::SetOrderingItems(const TIB_StringList& v)
{
    if (v == orderingItems_)
        return;
    orderingItems_ = v;
    ApplyOrdering();
}

void TIB_Dataset::SetOrderingItemNo(int n)
{
    if (n == orderingItemNo_)
        return;
    orderingItemNo_ = n;
    ApplyOrdering();
}

void TIB_Dataset::ApplyOrdering()
{
    {
        CountScope level(orderingChangeLevel_);
        if (!Preparing())
            InvalidateSQL();
        NotifyOrderingChanged();
        if (Active() && !assembling_ && !Preparing())
            RefreshKeys();
    }
    if (orderingChangeLevel_ == 0)
        RunEvent(OnOrderingChanged);
}

void TIB_Dataset::SetOrderingLinks(const TIB_StringList& v)
{
    if (v == orderingLinks_)
        return;
    orderingLinks_ = v;
    NotifyOrderingChanged();
}

std::optional<std::string> TIB_Dataset::OrderingLink() const
{
    return OrderingLinkColumn(orderingLinks_, orderingItemNo_);
}

int TIB_Dataset::ColumnOrderingItemNo(const TIB_Column& column)
{
    const std::string name = ColumnListName(column);
    for (const std::string& line : orderingLinks_) {
        IB_NameValue nv = SplitNameValue(line);
        if (nv.hasValue && SameColumnName(nv.name, name))
            return OrderingLinkItemNo(nv.value);
    }
    return -1;
}

std::string TIB_Dataset::OrderingItemText(int n) const { return GetOrderingSQL(orderingItems_, n); }

// --- keys ----------------------------------------------------------------------------------------

void TIB_Dataset::SetKeyLinks(const TIB_StringList& v)
{
    if (v == keyLinks_)
        return;
    keyLinks_ = v;
    if (assembling_)
        return;
    if (Prepared())
        Unprepare();
    InvalidateSQL();
}

void TIB_Dataset::SetKeyLinksAutoDefine(bool v)
{
    if (v == keyLinksAutoDefine_)
        return;
    keyLinksAutoDefine_ = v;
    if (assembling_)
        return;
    if (Prepared())
        Unprepare();
    InvalidateSQL();
}

std::string TIB_Dataset::KeyDataOf(const TIB_Row& row, std::uint64_t sequence) const
{
    std::string key;
    if (keyIndexes_.empty()) {
        key.assign(reinterpret_cast<const char*>(&sequence), sizeof sequence);
        return key;
    }
    for (int i : keyIndexes_)
        AppendValue(key, row.Columns(i));
    return key;
}

// --- master-detail -----------------------------------------------------------------------------------

TIB_Dataset* TIB_Dataset::MasterDataset() const
{
    TIB_DataSource* ds = MasterSource();
    return ds ? ds->Dataset() : nullptr;
}

bool TIB_Dataset::IsDetailOf(const TIB_Dataset* other) const
{
    const TIB_Dataset* d = this;
    for (int guard = 0; d && guard < 1000; ++guard) {
        const TIB_Dataset* m = d->MasterDataset();
        if (m == other)
            return true;
        d = m;
    }
    return false;
}

void TIB_Dataset::SetMasterSource(TIB_DataSource* ds)
{
    if (ds == MasterSource())
        return;
    if (ds && ds->Dataset() && (ds->Dataset() == this || ds->Dataset()->IsDetailOf(this)))
        throw EIB_DatasetError("Circular reference not allowed");
    const bool linkedBefore = MasterSource() != nullptr && !masterLinks_.empty();
    const bool linkedAfter = ds != nullptr && !masterLinks_.empty();
    if (linkedBefore != linkedAfter && Prepared() && !assembling_)
        Unprepare();
    // The link's assignment copies the new master's values at once.
    masterLink_->SetDataSource(ds);
}

void TIB_Dataset::SetMasterLinks(const TIB_StringList& v)
{
    if (v == masterLinks_)
        return;
    masterLinks_ = v;
    if (assembling_)
        return;
    if (Prepared())
        Unprepare();
    InvalidateSQL();
}

std::string TIB_Dataset::MasterLinkParamName(int i) const
{
    if (i < 0 || i >= static_cast<int>(masterLinks_.size()))
        return {};
    const std::string detail = Trim(SplitNameValue(masterLinks_[static_cast<size_t>(i)]).name);
    const std::string col = Trim(SplitQualifiedName(detail).second);
    std::string c = IsQuoted(col) ? Unquote(col) : UpperCase(col);
    if (c.size() > 30)
        c.resize(30);
    const int dialect = IB_Connection() ? IB_Connection()->SQLDialect() : SQLDialect();
    return FormatIdentifier(dialect, "MLNK_" + c + "_" + std::to_string(i));
}

void TIB_Dataset::MasterDataChange(TIB_Column* masterColumn)
{
    if (Destroying())
        return;
    if (masterColumn) {
        bool relevant = false;
        for (const std::string& line : masterLinks_) {
            const std::string master = Trim(SplitQualifiedName(SplitNameValue(line).value).second);
            if (SameColumnName(master, masterColumn->FieldName()) || SameColumnName(master, masterColumn->SQLName()))
                relevant = true;
        }
        for (const std::string& line : masterParamLinks_) {
            const std::string master = Trim(SplitQualifiedName(SplitNameValue(line).value).second);
            if (SameColumnName(master, masterColumn->FieldName()) || SameColumnName(master, masterColumn->SQLName()))
                relevant = true;
        }
        if (!relevant)
            return;
    }
    CopyMasterValues(false);
}

void TIB_Dataset::MasterStateChanged()
{
    // A master's open, close or edit does not by itself re-execute the
    // detail; the data change that goes with it does.
}

void TIB_Dataset::CopyMasterValues(bool fromExecute)
{
    TIB_Dataset* m = MasterDataset();
    if (!m || !m->Prepared() || !Prepared())
        return;
    if (masterChangeLevel_ > 0) {
        ++masterChangesSeen_;
        return;
    }
    masterChangesSeen_ = 0;
    bool changed = false;
    auto assign = [&](TIB_Column* param, const std::string& masterName) {
        if (!param)
            return;
        std::string before, after;
        AppendValue(before, *param);
        TIB_Column* source = m->Fields().FindByName(masterName);
        if (source)
            param->Assign(*source);
        else
            param->SetIsNull(true);
        AppendValue(after, *param);
        if (before != after)
            changed = true;
    };
    {
        CountScope level(masterChangeLevel_);
        for (;;) {
            const int seen = masterChangesSeen_;
            for (size_t i = 0; i < masterLinks_.size(); ++i) {
                const std::string master = Trim(SplitQualifiedName(SplitNameValue(masterLinks_[i]).value).second);
                assign(Params().FindByName(MasterLinkParamName(static_cast<int>(i))), master);
            }
            for (const std::string& line : masterParamLinks_) {
                IB_NameValue nv = SplitNameValue(line);
                assign(Params().FindByName(Trim(nv.name)), Trim(SplitQualifiedName(nv.value).second));
            }
            if (masterChangesSeen_ == seen)
                break;
        }
    }
    if (changed && !fromExecute)
        ParamsChanged();
}

bool TIB_Dataset::ConnectionEnding() const
{
    TIB_Connection* c = IB_Connection();
    if (!c)
        return false;
    auto s = c->ConnectionStatus();
    return s == TIB_ConnectionStatus::csDisconnectPending || s == TIB_ConnectionStatus::csDropPending;
}

void TIB_Dataset::ParamsChanged()
{
    if (!Active() || NeedToPost() || posting_ || ConnectionEnding())
        return;
    // A master closed by the end of its transaction: this detail is closed
    // by the same end, not opened again inside it.
    if (userOf_) {
        switch (userOf_->TransactionState()) {
        case TIB_TransactionState::tsCommitPending:
        case TIB_TransactionState::tsCommitRefreshPending:
        case TIB_TransactionState::tsRollbackPending:
        case TIB_TransactionState::tsRollbackRefreshPending: return;
        default: break;
        }
    }
    if (callbackLevel_ > 0)
        abortRequested_ = true;
    SysReopen();
}

// --- calculated columns ----------------------------------------------------------------------------------

void TIB_Dataset::SetCalculatedFields(const TIB_StringList& v)
{
    if (v == calculatedFields_)
        return;
    calculatedFields_ = v;
    if (assembling_)
        return;
    if (Prepared())
        Unprepare();
    InvalidateSQL();
}

void TIB_Dataset::CalculateRow(TIB_Row& row)
{
    if (!Prepared() || !OnCalculateField || calculatingRow_ == &row)
        return;
    const TIB_Row* previous = calculatingRow_;
    calculatingRow_ = &row;
    ++calculating_;
    try {
        if (calculateAllFields_) {
            OnCalculateField(*this, row, nullptr);
        } else {
            for (int i = 0; i < row.ColumnCount(); ++i) {
                TIB_Column& c = row.Columns(i);
                if (c.IsCalculated())
                    OnCalculateField(*this, row, &c);
            }
        }
    } catch (...) {
        --calculating_;
        calculatingRow_ = previous;
        throw;
    }
    --calculating_;
    calculatingRow_ = previous;
}

void TIB_Dataset::CalculateFields()
{
    if (!Prepared())
        return;
    const TIB_StatementType t = StatementType();
    if (t != TIB_StatementType::stSelect && t != TIB_StatementType::stSelectForUpdate)
        return;
    CalculateRow(Fields());
    if (!NeedToPost()) {
        Fields().SaveOldValues();
        SysStoreCurrentRow();
    }
}

// --- editing -------------------------------------------------------------------------------------------------

const TIB_StringList& TIB_Dataset::EditSQL() const { return updateSQL_->EditSQL(); }
void TIB_Dataset::SetEditSQL(const TIB_StringList& v) { updateSQL_->SetEditSQL(v); }
const TIB_StringList& TIB_Dataset::InsertSQL() const { return updateSQL_->InsertSQL(); }
void TIB_Dataset::SetInsertSQL(const TIB_StringList& v) { updateSQL_->SetInsertSQL(v); }
const TIB_StringList& TIB_Dataset::DeleteSQL() const { return updateSQL_->DeleteSQL(); }
void TIB_Dataset::SetDeleteSQL(const TIB_StringList& v) { updateSQL_->SetDeleteSQL(v); }
const TIB_StringList& TIB_Dataset::LockSQL() const { return updateSQL_->LockSQL(); }
void TIB_Dataset::SetLockSQL(const TIB_StringList& v) { updateSQL_->SetLockSQL(v); }

bool TIB_Dataset::CanEdit() const
{
    return state_ == TIB_DatasetState::dssBrowse && SysHasCurrentRow() && !readOnly_ && !preventEditing_ &&
           (!updateSQL_->EditSQL().empty() || !keyIndexes_.empty());
}

void TIB_Dataset::Edit()
{
    if (NeedToPost())
        return;
    if (!Prepared())
        Prepare();
    if (!CanEdit())
        throw EIB_DatasetError("Cannot Edit current Row");
    RegisterWithTransaction();
    WithControlsDisabled([&] {
        RunEvent(BeforeEdit);
        Fields().SaveOldValues();
        markedModified_ = false;
        SetState(TIB_DatasetState::dssEdit);
        RunEvent(AfterEdit);
    });
}

void TIB_Dataset::Post()
{
    if (!NeedToPost())
        throw EIB_DatasetError("Cannot Post current Row");
    SysPost(true);
}

void TIB_Dataset::Cancel()
{
    if (!NeedToPost())
        return;
    WithControlsDisabled([&] { InternalCancel(); });
}

void TIB_Dataset::InternalCancel()
{
    if (!NeedToPost())
        return;
    RunEvent(BeforeCancel);
    Fields().RestoreOldValues();
    markedModified_ = false;
    SetState(TIB_DatasetState::dssBrowse);
    NotifyDataChange(nullptr);
    RunEvent(AfterCancel);
}

bool TIB_Dataset::GetModified() const
{
    return markedModified_ || const_cast<TIB_Dataset*>(this)->Fields().IsModified();
}

void TIB_Dataset::CheckBrowseMode()
{
    if (!Active())
        return;
    if (state_ == TIB_DatasetState::dssEdit || state_ == TIB_DatasetState::dssInsert ||
        state_ == TIB_DatasetState::dssSearch)
        NotifyUpdateData();
    NotifyCheckBrowseMode();
    if (NeedToPost())
        SysPost(false);
}

void TIB_Dataset::SysPost(bool fromPostCall)
{
    if (posting_ || !NeedToPost())
        return;
    if (state_ == TIB_DatasetState::dssEdit || state_ == TIB_DatasetState::dssInsert)
        NotifyUpdateData();
    WithControlsDisabled([&] {
        FlagScope posting(posting_);
        const bool post = fromPostCall ? !ConnectionEnding() : GetModified();
        if (!post) {
            InternalCancel();
            return;
        }
        RunEvent(BeforePost);
        if (checkRequired_ && (state_ == TIB_DatasetState::dssEdit || state_ == TIB_DatasetState::dssInsert)) {
            TIB_Row& f = Fields();
            for (int i = 0; i < f.ColumnCount() && i < static_cast<int>(required_.size()); ++i)
                if (required_[static_cast<size_t>(i)] && f.Columns(i).IsNull())
                    throw EIB_DatasetError(f.Columns(i).FullFieldName() + " is a required field");
        }
        NotifyCheckBrowseMode();
        for (;;) {
            try {
                TIB_Transaction* t = EffectiveTransaction();
                if (!t)
                    throw EIB_StatementError("No active transaction to execute with");
                t->StartOnDemand();
                Fields().WriteChangedBlobs(*IB_Connection(), *t);
                try {
                    updateSQL_->ExecuteEdit();
                } catch (...) {
                    Fields().ResetBlobWrites();
                    throw;
                }
                Fields().ConfirmBlobWrites();
                break;
            } catch (const EIB_Abort&) {
                throw;
            } catch (const std::exception& e) {
                if (!OnPostError)
                    throw;
                TIB_DataAction action = TIB_DataAction::dacFail;
                OnPostError(*this, e, action);
                if (action == TIB_DataAction::dacRetry)
                    continue;
                if (action == TIB_DataAction::dacAbort) {
                    InternalCancel();
                    throw EIB_Abort();
                }
                throw;
            }
        }
        SetState(TIB_DatasetState::dssBrowse);
        markedModified_ = false;
        if (Fields().CalculatedCount() > 0)
            CalculateRow(Fields());
        Fields().SaveOldValues();
        SysStoreCurrentRow();
        RunEvent(AfterPost);
    });
}

bool TIB_Dataset::GetColumnIsReadOnly(const TIB_Column& column) const
{
    if (column.IsCalculated())
        return true;
    if (auto v = AttributeOf(fieldsReadOnly_, column); v && SameText(Trim(*v), "TRUE"))
        return true;
    if (!updateSQL_->EditSQL().empty()) {
        if (!(state_ == TIB_DatasetState::dssBrowse || state_ == TIB_DatasetState::dssEdit ||
              state_ == TIB_DatasetState::dssInsert))
            return true;
        const std::string text = JoinLines(updateSQL_->EditSQL());
        if (text != editNamesText_) {
            editNamesText_ = text;
            editNames_ = updateSQL_->EditParamNames();
        }
        const std::string name = ColumnListName(column);
        for (const std::string& p : editNames_)
            if (SameColumnName(p, name))
                return false;
        return true;
    }
    if (column.Computed() || keyIndexes_.empty() || column.SQLName() == "RDB$DB_KEY")
        return true;
    return column.RelName() != keyRelName_;
}

// --- transaction user ----------------------------------------------------------------------------------------

void TIB_Dataset::PostForTransaction() { SysPost(false); }

void TIB_Dataset::CancelForTransaction() { Cancel(); }

void TIB_Dataset::EndOfTransaction(bool commit, bool closing)
{
    if (!Active())
        return;
    if (closing || !commit || commitAction_ == TIB_CommitAction::caClose) {
        SysCloseDataset(!commit);
    } else if (commitAction_ == TIB_CommitAction::caFetchAll) {
        SysFetchAll();
    } else {
        SysCloseDataset(false);
        reopenAfterTransaction_ = true;
    }
}

void TIB_Dataset::AfterEndOfTransaction(bool)
{
    if (!reopenAfterTransaction_)
        return;
    reopenAfterTransaction_ = false;
    if (!Destroying() && IB_Connection() && IB_Connection()->Connected())
        Open();
}

// --- display attributes ----------------------------------------------------------------------------------------

std::string TIB_Dataset::ColumnListName(const TIB_Column& column) const
{
    return column.RelName().empty() ? column.FieldName() : column.RelName() + "." + column.FieldName();
}

std::optional<std::string> TIB_Dataset::AttributeOf(const TIB_StringList& list, const TIB_Column& column) const
{
    if (list.empty())
        return std::nullopt;
    if (auto v = ValueOfName(list, ColumnListName(column)))
        return v;
    if (column.SQLName() == column.FieldName() || column.SQLName().empty())
        return std::nullopt;
    // An aliased column is also found by its server name, unless another
    // column of the row carries that name: "vr.RDB$RELATION_NAME AS
    // BASE_TABLE" beside "rf.RDB$RELATION_NAME" must not take the other
    // column's entries.
    const TIB_Row& row = column.Row();
    for (int i = 0; i < row.ColumnCount(); ++i)
        if (&row.Columns(i) != &column && SameText(row.Columns(i).FieldName(), column.SQLName()))
            return std::nullopt;
    return ValueOfName(list, column.RelName().empty() ? column.SQLName() : column.RelName() + "." + column.SQLName());
}

std::string TIB_Dataset::DisplayLabel(const TIB_Column& column) const
{
    if (auto v = AttributeOf(displayLabel_, column)) {
        std::string t = Trim(*v);
        return t == "-" ? std::string() : t;
    }
    std::string name = Unquote(column.FieldName());
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string TIB_Dataset::DisplayName(const TIB_Column& column) const
{
    if (auto v = AttributeOf(displayLabel_, column)) {
        std::string t = Trim(*v);
        if (t == "-")
            return {};
        if (t == "/-")
            return "-";
        return t;
    }
    return Unquote(column.FieldName());
}

int TIB_Dataset::DisplayWidth(const TIB_Column& column) const
{
    if (auto v = AttributeOf(displayWidth_, column)) {
        try {
            return std::stoi(Trim(*v));
        } catch (...) {
        }
    }
    int chars;
    switch (column.DataType()) {
    case SQLTYPE_TEXT:
    case SQLTYPE_VARYING: chars = std::clamp(column.SQLLen(), 4, 40); break;
    case SQLTYPE_SHORT: chars = 6; break;
    case SQLTYPE_LONG: chars = 11; break;
    case SQLTYPE_DATE:
    case SQLTYPE_TIME: chars = 10; break;
    case SQLTYPE_TIMESTAMP: chars = 19; break;
    default: chars = 15; break;
    }
    return chars * 8 + 4;
}

void TIB_Dataset::SetDisplayWidth(const TIB_Column& column, int width)
{
    SetValueOfName(displayWidth_, ColumnListName(column), std::to_string(width));
}

bool TIB_Dataset::IsVisible(const TIB_Column& column) const
{
    auto v = AttributeOf(visible_, column);
    return !(v && SameText(Trim(*v), "FALSE"));
}

std::string TIB_Dataset::Alignment(const TIB_Column& column) const
{
    auto v = AttributeOf(alignment_, column);
    return v ? UpperCase(Trim(*v)) : std::string();
}

// --- fetch callbacks -------------------------------------------------------------------------------------------

void TIB_Dataset::BeginCallbackFetch()
{
    if (callbackLevel_++ > 0)
        return;
    callbackStart_ = callbackLast_ = Session().TickCount();
    abortRequested_ = false;
    Session().BeginBusy();
    if (callbackInc_ >= 0)
        RaiseCallback(TIB_CallbackStatus::csInit, 0);
}

void TIB_Dataset::AfterCallbackRow(long rows)
{
    if (callbackLevel_ == 0 || callbackInc_ < 0 || callbackFrozen_ > 0)
        return;
    if (callbackInc_ > 0 && rows % callbackInc_ != 0)
        return;
    if (callbackInc_ > 0) {
        const std::int64_t now = Session().TickCount();
        if (now - callbackStart_ > callbackInitInt_ && now - callbackLast_ >= callbackRefreshInt_) {
            callbackLast_ = now;
            RaiseCallback(TIB_CallbackStatus::csRefresh, rows);
        }
    }
    try {
        Session().ProcessMessages();
    } catch (const std::exception& e) {
        abortRequested_ = true;
        Session().ShowException(e);
    }
}

void TIB_Dataset::EndCallbackFetch(long rows)
{
    if (callbackLevel_ == 0 || --callbackLevel_ > 0)
        return;
    Session().EndBusy();
    if (callbackInc_ >= 0)
        RaiseCallback(TIB_CallbackStatus::csFinal, rows);
}

void TIB_Dataset::RaiseCallback(TIB_CallbackStatus status, long rows)
{
    bool abort = false;
    if (OnCallback)
        OnCallback(*this, status, rows, abort);
    else if (Session().OnFetchProgress)
        Session().OnFetchProgress(*this, status, rows, abort);
    if (abort)
        abortRequested_ = true;
}

// --- column changes ---------------------------------------------------------------------------------------------

void TIB_Dataset::SysBeforeColumnChange(TIB_Row& row, TIB_Column& column)
{
    if (&row != &Fields() || calculating_ > 0 || posting_ || Destroying())
        return;
    if (column.IsCalculated() || column.Computed())
        return;
    switch (state_) {
    case TIB_DatasetState::dssInactive:
    case TIB_DatasetState::dssPrepared: throw EIB_DatasetError("Dataset is inactive");
    case TIB_DatasetState::dssBrowse:
        if (readOnly_)
            throw EIB_DatasetError("Dataset is readonly");
        if (GetColumnIsReadOnly(column))
            throw EIB_DatasetError(column.FullFieldName() + " is readonly");
        Edit();
        break;
    case TIB_DatasetState::dssEdit:
    case TIB_DatasetState::dssInsert:
        if (GetColumnIsReadOnly(column))
            throw EIB_DatasetError(column.FullFieldName() + " is readonly");
        break;
    default: break;
    }
}

void TIB_Dataset::SysColumnChanged(TIB_Row& row, TIB_Column& column)
{
    if (&row != &Fields() || calculating_ > 0)
        return;
    NotifyDataChange(&column);
}

} // namespace varnel::db
