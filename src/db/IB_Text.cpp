#include "db/IB_Text.h"

#include <algorithm>
#include <iterator>

namespace varnel::db {

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s)
{
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s)
{
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string JoinLines(const TIB_StringList& lines)
{
    std::string r;
    for (const auto& l : lines) {
        r += l;
        r += "\r\n";
    }
    return r;
}

TIB_StringList SplitLines(std::string_view text)
{
    TIB_StringList r;
    std::string cur;
    size_t i = 0;
    bool pending = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            r.push_back(cur);
            cur.clear();
            pending = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            cur += c;
            pending = true;
        }
        ++i;
    }
    if (pending)
        r.push_back(cur);
    return r;
}

int IndexOfName(const TIB_StringList& list, std::string_view name)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string& l = list[i];
        size_t eq = l.find('=');
        std::string_view n = eq == std::string::npos ? std::string_view(l) : std::string_view(l).substr(0, eq);
        if (SameText(n, name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string ValueOf(const TIB_StringList& list, std::string_view name)
{
    int i = IndexOfName(list, name);
    if (i < 0)
        return {};
    const std::string& l = list[static_cast<size_t>(i)];
    size_t eq = l.find('=');
    return eq == std::string::npos ? std::string() : l.substr(eq + 1);
}

void SetValueOf(TIB_StringList& list, std::string_view name, std::string_view value)
{
    int i = IndexOfName(list, name);
    if (value.empty()) {
        if (i >= 0)
            list.erase(list.begin() + i);
        return;
    }
    std::string line = std::string(name) + "=" + std::string(value);
    if (i >= 0)
        list[static_cast<size_t>(i)] = line;
    else
        list.push_back(line);
}

namespace {

// Reserved words of Firebird's SQL (3.0).
constexpr std::string_view kReserved[] = {
    "ADD", "ADMIN", "ALL", "ALTER", "AND", "ANY", "AS", "AT", "AVG", "BEGIN", "BETWEEN", "BIGINT",
    "BIT_LENGTH", "BLOB", "BOOLEAN", "BOTH", "BY", "CASE", "CAST", "CHAR", "CHARACTER",
    "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CLOSE", "COLLATE", "COLUMN", "COMMIT", "CONNECT",
    "CONSTRAINT", "CORR", "COUNT", "COVAR_POP", "COVAR_SAMP", "CREATE", "CROSS", "CURRENT",
    "CURRENT_CONNECTION", "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_TRANSACTION", "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEC", "DECIMAL", "DECLARE",
    "DEFAULT", "DELETE", "DELETING", "DETERMINISTIC", "DISCONNECT", "DISTINCT", "DOUBLE", "DROP",
    "ELSE", "END", "ESCAPE", "EXECUTE", "EXISTS", "EXTERNAL", "EXTRACT", "FALSE", "FETCH",
    "FILTER", "FLOAT", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION", "GDSCODE", "GLOBAL", "GRANT",
    "GROUP", "HAVING", "HOUR", "IN", "INDEX", "INNER", "INSENSITIVE", "INSERT", "INSERTING", "INT",
    "INTEGER", "INTO", "IS", "JOIN", "LEADING", "LEFT", "LIKE", "LONG", "LOWER", "MAX",
    "MAXIMUM_SEGMENT", "MERGE", "MIN", "MINUTE", "MONTH", "NATIONAL", "NATURAL", "NCHAR", "NO",
    "NOT", "NULL", "NUMERIC", "OCTET_LENGTH", "OF", "OFFSET", "ON", "ONLY", "OPEN", "OR", "ORDER",
    "OUTER", "OVER", "PARAMETER", "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PRIMARY",
    "PROCEDURE", "RDB$RECORD_VERSION", "REAL", "RECORD_VERSION", "RECREATE", "RECURSIVE",
    "REFERENCES", "REGR_AVGX", "REGR_AVGY", "REGR_COUNT", "REGR_INTERCEPT", "REGR_R2",
    "REGR_SLOPE", "REGR_SXX", "REGR_SXY", "REGR_SYY", "RELEASE", "RETURN", "RETURNING_VALUES",
    "RETURNS", "REVOKE", "RIGHT", "ROLLBACK", "ROW", "ROWS", "ROW_COUNT", "SAVEPOINT", "SCROLL",
    "SECOND", "SELECT", "SENSITIVE", "SET", "SIMILAR", "SMALLINT", "SOME", "SQLCODE", "SQLSTATE",
    "START", "STDDEV_POP", "STDDEV_SAMP", "SUM", "TABLE", "THEN", "TIME", "TIMESTAMP", "TO",
    "TRAILING", "TRIGGER", "TRIM", "TRUE", "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "UPDATING",
    "UPPER", "USER", "USING", "VALUE", "VALUES", "VARCHAR", "VARIABLE", "VARYING", "VAR_POP",
    "VAR_SAMP", "VIEW", "WHEN", "WHERE", "WHILE", "WITH", "YEAR",
};

} // namespace

bool IsReservedWord(std::string_view upperName)
{
    if (upperName.empty())
        return false;
    return std::find(std::begin(kReserved), std::end(kReserved), upperName) != std::end(kReserved);
}

bool IsQuoted(std::string_view s)
{
    return s.size() >= 2 && s.front() == '"' && s.back() == '"';
}

std::string Unquote(std::string_view s)
{
    if (!IsQuoted(s))
        return std::string(s);
    std::string r;
    std::string_view inner = s.substr(1, s.size() - 2);
    for (size_t i = 0; i < inner.size(); ++i) {
        r += inner[i];
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"')
            ++i;
    }
    return r;
}

std::string FormatIdentifier(int dialect, std::string_view name)
{
    if (dialect < 3)
        return UpperCase(name);
    if (name.empty())
        return "\"\"";
    bool plain = name[0] >= 'A' && name[0] <= 'Z';
    for (size_t i = 1; plain && i < name.size(); ++i) {
        char c = name[i];
        plain = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    }
    if (plain && !IsReservedWord(name))
        return std::string(name);
    std::string r = "\"";
    for (char c : name) {
        r += c;
        if (c == '"')
            r += '"';
    }
    return r + "\"";
}

} // namespace varnel::db
