#include "dataset/IB_Parse.h"

#include <initializer_list>
#include <string_view>

using varnel::db::JoinLines;
using varnel::db::SameText;
using varnel::db::Trim;
using varnel::db::UpperCase;

namespace {

constexpr std::size_t npos = std::string::npos;
const char* const CRLF = "\r\n";

bool IsDelimiter(char c)
{
    return static_cast<unsigned char>(c) <= ' ' || c == '(' || c == ')' || c == ';';
}

bool IsBlockCommentAt(const std::string& s, std::size_t i)
{
    return i + 1 < s.size() && s[i] == '/' && s[i + 1] == '*';
}

bool IsLineCommentAt(const std::string& s, std::size_t i)
{
    return i + 1 < s.size() && s[i] == '/' && s[i + 1] == '/';
}

bool IsCommentAt(const std::string& s, std::size_t i)
{
    return IsBlockCommentAt(s, i) || IsLineCommentAt(s, i);
}

// Position after the literal or quoted identifier that starts at i; an
// unterminated one runs to the end. A doubled quote inside simply reads as
// two adjacent quoted runs, which skips the same text.
std::size_t SkipQuoted(const std::string& s, std::size_t i)
{
    std::size_t j = s.find(s[i], i + 1);
    return j == npos ? s.size() : j + 1;
}

// Position after the comment that starts at i: "/* */" up to its end,
// "//" up to (not including) the line break.
std::size_t SkipComment(const std::string& s, std::size_t i)
{
    if (IsBlockCommentAt(s, i)) {
        std::size_t j = s.find("*/", i + 2);
        return j == npos ? s.size() : j + 2;
    }
    std::size_t j = s.find_first_of("\r\n", i + 2);
    return j == npos ? s.size() : j;
}

// Calls visit(pos, boundary) for every character of s from `from` on that
// lies outside literals, quoted identifiers, comments and parentheses;
// `boundary` tells whether a word may start there. Stops when visit
// returns true. Parentheses themselves are not visited; a ")" without its
// "(" is passed over.
template <class Visit>
void ScanTopLevel(const std::string& s, std::size_t from, Visit&& visit)
{
    int depth = 0;
    bool boundary = from == 0 || IsDelimiter(s[from - 1]);
    std::size_t i = from;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\'' || c == '"') {
            i = SkipQuoted(s, i);
            boundary = false;
            continue;
        }
        if (IsCommentAt(s, i)) {
            i = SkipComment(s, i);
            boundary = true;
            continue;
        }
        if (c == '(') {
            ++depth;
            boundary = true;
            ++i;
            continue;
        }
        if (c == ')') {
            if (depth > 0)
                --depth;
            boundary = true;
            ++i;
            continue;
        }
        if (depth == 0 && visit(i, boundary))
            return;
        boundary = IsDelimiter(c);
        ++i;
    }
}

// Whether keyword kw stands at i as a whole word (the left side is the
// caller's `boundary`).
bool WordAt(const std::string& s, std::size_t i, bool boundary, std::string_view kw)
{
    if (!boundary || i + kw.size() > s.size())
        return false;
    for (std::size_t k = 0; k < kw.size(); ++k) {
        char c = s[i + k];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kw[k])
            return false;
    }
    std::size_t after = i + kw.size();
    return after == s.size() || IsDelimiter(s[after]) || IsCommentAt(s, after);
}

struct Range {
    std::size_t start = npos;
    std::size_t end = npos;
    bool contains(std::size_t p) const { return start != npos && p >= start && p < end; }
};

// First top-level occurrence of kw at or after `from` that is not inside
// `excluded`; npos if none.
std::size_t FindKeyword(const std::string& s, std::size_t from, std::string_view kw, Range excluded = {})
{
    std::size_t found = npos;
    ScanTopLevel(s, from, [&](std::size_t i, bool boundary) {
        if (excluded.contains(i) || !WordAt(s, i, boundary, kw))
            return false;
        found = i;
        return true;
    });
    return found;
}

// First top-level end keyword (or ";") at or after `from`; the text's end
// if none.
std::size_t FindClauseEnd(const std::string& s, std::size_t from, std::initializer_list<std::string_view> ends)
{
    std::size_t found = s.size();
    ScanTopLevel(s, from, [&](std::size_t i, bool boundary) {
        if (s[i] == ';') {
            found = i;
            return true;
        }
        for (auto kw : ends)
            if (WordAt(s, i, boundary, kw)) {
                found = i;
                return true;
            }
        return false;
    });
    return found;
}

SQLClause MakeClause(const std::string& s, std::size_t start, std::size_t end)
{
    SQLClause c;
    c.start = start;
    c.end = end;
    c.text = Trim(s.substr(start, end - start));
    return c;
}

SQLClause Locate(const std::string& s, std::string_view kw, std::initializer_list<std::string_view> ends, Range excluded = {})
{
    std::size_t start = FindKeyword(s, 0, kw, excluded);
    if (start == npos)
        return {};
    return MakeClause(s, start, FindClauseEnd(s, start + kw.size(), ends));
}

Range UnionRange(const std::string& s)
{
    SQLClause u = GetSQLUnion(s);
    if (!u.found())
        return {};
    return {u.start, u.end};
}

bool ContainsText(const std::string& s, std::string_view part)
{
    return s.find(part) != npos;
}

bool NeedsWrapping(const std::string& rest, const std::string& c)
{
    return ContainsText(rest, "//") || ContainsText(c, "//") || ContainsText(UpperCase(rest), "OR") ||
           ContainsText(UpperCase(c), "OR");
}

// Copies the text with every comment replaced by one blank; literals and
// quoted identifiers are copied unchanged.
std::string RemoveComments(const std::string& s)
{
    std::string r;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\'' || c == '"') {
            std::size_t j = SkipQuoted(s, i);
            r.append(s, i, j - i);
            i = j;
            continue;
        }
        if (IsCommentAt(s, i)) {
            i = SkipComment(s, i);
            r += ' ';
            continue;
        }
        r += c;
        ++i;
    }
    return r;
}

// Splits at every "," outside literals, quoted identifiers and parentheses
// (comments are gone by now).
IB_StringList SplitOrderColumns(const std::string& s)
{
    IB_StringList parts;
    std::size_t start = 0;
    ScanTopLevel(s, 0, [&](std::size_t i, bool) {
        if (s[i] == ',') {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
        return false;
    });
    parts.push_back(s.substr(start));
    return parts;
}

// First top-level whole word kw after the first character; npos if none.
std::size_t FindWordAfterFirst(const std::string& s, std::string_view kw)
{
    std::size_t found = npos;
    ScanTopLevel(s, 0, [&](std::size_t i, bool boundary) {
        if (i == 0 || !WordAt(s, i, boundary, kw))
            return false;
        found = i;
        return true;
    });
    return found;
}

bool ParseCount(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 9)
        return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

} // namespace

// ---------------------------------------------------------------- location

SQLClause GetSQLSelect(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) <= ' ' || s[i] == '(')
            ++i;
        else if (IsCommentAt(s, i))
            i = SkipComment(s, i);
        else
            break;
    }
    if (!WordAt(s, i, true, "SELECT"))
        return {};
    return MakeClause(s, i, FindClauseEnd(s, i + 6, {"FROM", "WHERE", "GROUP", "HAVING", "UNION", "PLAN", "ORDER", "ROWS", "FOR"}));
}

SQLClause GetSQLFrom(const std::string& s)
{
    return Locate(s, "FROM", {"WHERE", "GROUP", "HAVING", "UNION", "PLAN", "ORDER", "ROWS", "FOR"}, UnionRange(s));
}

// WHERE also ends at ROWS: ROWS is a reserved word, so a ROWS at the top
// level of a WHERE clause always starts the ROWS clause; letting WHERE run
// over it would put joined conditions and an inserted ORDER BY behind it.
SQLClause GetSQLWhere(const std::string& s)
{
    return Locate(s, "WHERE", {"ORDER", "GROUP", "HAVING", "UNION", "PLAN", "FOR", "ROWS"}, UnionRange(s));
}

SQLClause GetSQLGroup(const std::string& s)
{
    return Locate(s, "GROUP", {"HAVING", "UNION", "PLAN", "ORDER", "ROWS", "FOR"}, UnionRange(s));
}

SQLClause GetSQLHaving(const std::string& s)
{
    return Locate(s, "HAVING", {"UNION", "PLAN", "ORDER", "ROWS", "FOR"}, UnionRange(s));
}

SQLClause GetSQLUnion(const std::string& s)
{
    return Locate(s, "UNION", {"PLAN", "ORDER", "ROWS", "FOR"});
}

SQLClause GetSQLPlan(const std::string& s)
{
    return Locate(s, "PLAN", {"ORDER", "ROWS", "FOR"});
}

SQLClause GetSQLOrder(const std::string& s)
{
    return Locate(s, "ORDER", {"FOR", "ROWS"});
}

SQLClause GetSQLForUpdate(const std::string& s)
{
    return Locate(s, "FOR", {"WITH", "LOCK"});
}

SQLClause GetSQLClause(SQLSection section, const std::string& sql)
{
    switch (section) {
    case SQLSection::Select: return GetSQLSelect(sql);
    case SQLSection::From: return GetSQLFrom(sql);
    case SQLSection::Where: return GetSQLWhere(sql);
    case SQLSection::Group: return GetSQLGroup(sql);
    case SQLSection::Having: return GetSQLHaving(sql);
    case SQLSection::Union: return GetSQLUnion(sql);
    case SQLSection::Plan: return GetSQLPlan(sql);
    case SQLSection::Order: return GetSQLOrder(sql);
    case SQLSection::ForUpdate: return GetSQLForUpdate(sql);
    }
    return {};
}

std::array<SQLClause, 9> GetSQLClauses(const std::string& sql)
{
    std::array<SQLClause, 9> all;
    for (int n = 1; n <= 9; ++n)
        all[n - 1] = GetSQLClause(static_cast<SQLSection>(n), sql);
    return all;
}

// ------------------------------------------------------------- replacement

std::size_t SQLInsertionPoint(SQLSection section, const std::string& sql)
{
    for (int n = static_cast<int>(section) - 1; n >= 1; --n) {
        SQLClause c = GetSQLClause(static_cast<SQLSection>(n), sql);
        if (c.found())
            return c.end;
    }
    return 0;
}

std::string SetSQLClause(SQLSection section, const std::string& sql, const std::string& clause)
{
    const std::string newClause = Trim(clause);
    SQLClause c = GetSQLClause(section, sql);
    std::size_t s;
    std::size_t e;
    if (c.found()) {
        s = c.start;
        e = c.end;
    } else {
        if (newClause.empty())
            return sql;
        s = e = SQLInsertionPoint(section, sql);
    }
    std::string r = Trim(sql.substr(0, s));
    r += CRLF;
    if (!newClause.empty()) {
        r += newClause;
        r += CRLF;
    }
    r += Trim(sql.substr(e));
    return r;
}

std::string SetSQLSelect(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Select, sql, clause); }
std::string SetSQLFrom(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::From, sql, clause); }
std::string SetSQLWhere(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Where, sql, clause); }
std::string SetSQLGroup(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Group, sql, clause); }
std::string SetSQLHaving(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Having, sql, clause); }
std::string SetSQLUnion(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Union, sql, clause); }
std::string SetSQLPlan(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Plan, sql, clause); }
std::string SetSQLOrder(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::Order, sql, clause); }
std::string SetSQLForUpdate(const std::string& sql, const std::string& clause) { return SetSQLClause(SQLSection::ForUpdate, sql, clause); }

// -------------------------------------------------------------- conditions

std::string AddWhereClause(const std::string& where, const std::string& condition)
{
    const std::string c = Trim(condition);
    if (c.empty())
        return where;
    const std::string w = Trim(where);
    if (w.empty())
        return "WHERE " + c;
    const std::string rest = w.size() > 6 ? w.substr(6) : std::string();
    if (!NeedsWrapping(rest, c))
        return w + "\r\n  AND " + c;
    return " WHERE (\r\n      " + rest + "\r\n      )\r\n  AND " + c;
}

std::string AddWhereClauseHigh(const std::string& where, const std::string& condition)
{
    const std::string c = Trim(condition);
    if (c.empty())
        return where;
    const std::string w = Trim(where);
    if (w.empty())
        return "WHERE " + c;
    const std::string rest = Trim(w.size() > 6 ? w.substr(6) : std::string());
    if (!NeedsWrapping(rest, c))
        return "WHERE " + c + "\r\n  AND " + rest;
    return "WHERE ( " + c + " ) \r\n  AND  ( " + rest + "\r\n)";
}

std::string ProcessSQLWhereStrings(const IB_StringList& list, const std::string& where, bool inFront)
{
    std::string result = where;
    std::string group;
    int depth = 0;
    bool pending = false;
    for (const auto& line : list) {
        std::string entry = Trim(line);
        if (entry.empty())
            continue;
        if (entry == "(") {
            ++depth;
            if (pending) {
                entry = " AND " + entry;
                pending = false;
            }
        } else if (entry == ")") {
            --depth;
            pending = true;
        } else if (depth > 0) {
            if (SameText(entry, "AND") || SameText(entry, "OR")) {
                entry = " " + UpperCase(entry) + " ";
                pending = false;
            } else if (pending) {
                entry = " AND " + entry;
            } else {
                pending = true;
            }
        }
        if (depth < 0)
            break;
        group += entry;
        if (depth == 0) {
            result = inFront ? AddWhereClauseHigh(result, group) : AddWhereClause(result, group);
            group.clear();
            pending = false;
        }
    }
    if (depth != 0)
        throw varnel::db::EIB_Error("Invalid syntax: extra or missing parenthesis:\r\n" + JoinLines(list));
    return result;
}

// ---------------------------------------------------------------- ordering

std::string GetOrderingSQL(const IB_StringList& orderingItems, int itemNo)
{
    if (itemNo == 0)
        return {};
    const long long n = itemNo < 0 ? -static_cast<long long>(itemNo) : itemNo;
    if (n > static_cast<long long>(orderingItems.size()))
        return {};
    const std::string value = SplitNameValue(orderingItems[static_cast<std::size_t>(n - 1)]).value;
    const std::size_t p = FindOutsideQuotes(value, ';');
    if (itemNo > 0)
        return Trim(p == npos ? value : value.substr(0, p));
    if (p == npos)
        return {};
    return Trim(value.substr(p + 1));
}

std::string StripOrderByKeywords(const std::string& orderSection)
{
    std::string o = Trim(orderSection);
    o = Trim(o.size() > 5 ? o.substr(5) : std::string());
    o = Trim(o.size() > 2 ? o.substr(2) : std::string());
    return o;
}

std::string OrderingText(const IB_StringList& orderingItems, int itemNo, const std::string& sql)
{
    if (itemNo != 0)
        return GetOrderingSQL(orderingItems, itemNo);
    return StripOrderByKeywords(GetSQLOrder(sql).text);
}

NocaseLookup NocaseFromColumnAttributes(const IB_StringList& columnAttributes)
{
    return [lines = columnAttributes](const std::string& column) -> std::optional<std::string> {
        auto value = ValueOfName(lines, column);
        if (!value)
            return std::nullopt;
        return LinkParam(*value, "NOCASE");
    };
}

OrderByRewrite RewriteOrderBy(const std::string& text, const NocaseLookup& nocase)
{
    std::string o = RemoveComments(text);
    for (char& c : o)
        if (static_cast<unsigned char>(c) < ' ')
            c = ' ';
    o = Trim(o);
    while (!o.empty() && o.back() == ';') {
        o.pop_back();
        o = Trim(o);
    }

    OrderByRewrite r;
    if (o.empty())
        return r;
    for (const auto& raw : SplitOrderColumns(o)) {
        std::string part = Trim(raw);
        std::string nulls;
        std::size_t k = FindWordAfterFirst(part, "NULLS");
        if (k != npos) {
            std::size_t j = k + 5;
            while (j < part.size() && static_cast<unsigned char>(part[j]) <= ' ')
                ++j;
            std::size_t cut = k + 5;
            if (WordAt(part, j, true, "FIRST")) {
                nulls = "FIRST";
                cut = j + 5;
            } else if (WordAt(part, j, true, "LAST")) {
                nulls = "LAST";
                cut = j + 4;
            }
            part = part.substr(0, k) + part.substr(cut);
        }
        k = FindWordAfterFirst(part, "ASC");
        if (k != npos)
            part = part.substr(0, k);
        bool descending = false;
        k = FindWordAfterFirst(part, "DESC");
        if (k != npos) {
            part = part.substr(0, k);
            descending = true;
        }
        std::string column = Trim(part);
        if (column.empty())
            continue;
        if (nocase) {
            if (auto replacement = nocase(column)) {
                std::string rep = Trim(*replacement);
                if (!rep.empty())
                    column = rep;
            }
        }
        r.section += r.orderingColumns.empty() ? "ORDER BY " : "\r\n       , ";
        r.section += column;
        r.section += descending ? " DESC" : " ASC";
        if (!nulls.empty())
            r.section += " NULLS " + nulls;
        r.orderingColumns.push_back(column + (descending ? "=DESC" : "=ASC"));
    }
    return r;
}

int OrderingLinkItemNo(const std::string& linkValue)
{
    int n = -1;
    if (ParseCount(Trim(linkValue), n))
        return n;
    if (auto item = LinkParam(linkValue, "ITEM"); item && ParseCount(*item, n))
        return n;
    return -1;
}

std::optional<std::string> OrderingLinkColumn(const IB_StringList& orderingLinks, int itemNo)
{
    if (itemNo == 0)
        return std::nullopt;
    const long long n = itemNo < 0 ? -static_cast<long long>(itemNo) : itemNo;
    for (const auto& line : orderingLinks) {
        IB_NameValue nv = SplitNameValue(line);
        if (nv.hasValue && OrderingLinkItemNo(nv.value) == n)
            return Trim(nv.name);
    }
    return std::nullopt;
}
