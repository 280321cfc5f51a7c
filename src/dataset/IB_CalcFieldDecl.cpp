#include "dataset/IB_CalcFieldDecl.h"

#include <optional>
#include <vector>

#include "dataset/IB_StringList.h"

using varnel::db::Trim;
using varnel::db::UpperCase;

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

std::size_t SkipBlanks(const std::string& s, std::size_t i)
{
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

// The word starting at i (after blanks), upper-cased, and the position after it.
std::pair<std::string, std::size_t> WordAfter(const std::string& s, std::size_t i)
{
    i = SkipBlanks(s, i);
    std::size_t b = i;
    while (i < s.size() && IsWordChar(s[i]))
        ++i;
    return {UpperCase(s.substr(b, i - b)), i};
}

// One part of a column name: a double-quoted part keeps its case in
// dialect 3 (doubled quotes inside stand for one); everything else is
// upper-cased.
std::string NormalizeNamePart(const std::string& part, int dialect)
{
    if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
        std::string inner;
        for (std::size_t i = 1; i + 1 < part.size(); ++i) {
            inner += part[i];
            if (part[i] == '"' && i + 2 < part.size() && part[i + 1] == '"')
                ++i;
        }
        return dialect >= 3 ? inner : UpperCase(inner);
    }
    return UpperCase(part);
}

bool ParseNumber(const std::string& text, int& out)
{
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 5)
        return false;
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > 32767)
        return false;
    out = v;
    return true;
}

// The numbers of a bracket "(a)" or "(a,b)" that follows at i (after
// blanks). nullopt when no bracket follows; `bad` is set for a malformed one.
std::optional<std::vector<int>> BracketAfter(const std::string& s, std::size_t i, bool& bad)
{
    i = SkipBlanks(s, i);
    if (i >= s.size() || s[i] != '(')
        return std::nullopt;
    std::size_t close = s.find(')', i);
    if (close == npos) {
        bad = true;
        return std::nullopt;
    }
    const std::string inner = s.substr(i + 1, close - i - 1);
    std::vector<int> numbers;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = inner.find(',', start);
        int v = 0;
        if (!ParseNumber(inner.substr(start, comma == npos ? npos : comma - start), v)) {
            bad = true;
            return std::nullopt;
        }
        numbers.push_back(v);
        if (comma == npos)
            break;
        start = comma + 1;
    }
    return numbers;
}

} // namespace

TIB_CalcFieldDecl ParseCalcFieldDecl(const std::string& declaration, int dialect)
{
    auto invalid = [&]() { return EIB_CalcFieldDefError("Invalid XSQLVAR Def string: " + declaration); };

    std::string s = declaration;
    if (std::size_t eq = FindOutsideQuotes(s, '='); eq != npos)
        s[eq] = ' ';

    // The name: up to the first blank outside double quotes.
    std::size_t i = SkipBlanks(s, 0);
    const std::size_t nameStart = i;
    bool quoted = false;
    while (i < s.size() && (quoted || !IsBlank(s[i]))) {
        if (s[i] == '"')
            quoted = !quoted;
        ++i;
    }
    const std::string nameToken = s.substr(nameStart, i - nameStart);
    auto [relationPart, columnPart] = SplitQualifiedName(nameToken);
    const bool qualified = FindOutsideQuotes(nameToken, '.') != npos;
    if (columnPart.empty() || (qualified && relationPart.empty()))
        throw invalid();

    TIB_CalcFieldDecl d;
    d.name = NormalizeNamePart(columnPart, dialect);
    if (qualified)
        d.relation = NormalizeNamePart(relationPart, dialect);
    // A part written as "" is just as empty.
    if (d.name.empty() || (qualified && d.relation.empty()))
        throw invalid();

    auto [word, afterWord] = WordAfter(s, i);
    if (word.empty())
        throw invalid();
    const std::string tail = UpperCase(s.substr(afterWord));
    d.nullable = !(tail.find("NOT ") != npos && tail.find(" NULL") != npos);

    bool bad = false;
    auto set = [&](short type, short length, short scale = 0) {
        d.sqlType = type;
        d.length = length;
        d.scale = scale;
    };

    if (word == "SMALLINT") {
        set(IB_SQLType::Short, 2);
    } else if (word == "INTEGER") {
        set(IB_SQLType::Long, 4);
    } else if (word == "FLOAT") {
        set(IB_SQLType::Float, 4);
    } else if (word == "DOUBLE") {
        if (WordAfter(s, afterWord).first != "PRECISION")
            throw invalid();
        set(IB_SQLType::Double, 8);
    } else if (word == "DATE") {
        if (dialect >= 3)
            set(IB_SQLType::TypeDate, 4);
        else
            set(IB_SQLType::Timestamp, 8);
    } else if (word == "TIME") {
        set(IB_SQLType::TypeTime, 4);
    } else if (word == "TIMESTAMP") {
        set(IB_SQLType::Timestamp, 8);
    } else if (word == "CHAR" || word == "CHARACTER" || word == "VARCHAR") {
        if (word != "VARCHAR" && WordAfter(s, afterWord).first == "VARYING")
            throw invalid();
        int n = 256;
        auto numbers = BracketAfter(s, afterWord, bad);
        if (bad || (numbers && (numbers->size() != 1 || (*numbers)[0] < 1)))
            throw invalid();
        if (numbers)
            n = (*numbers)[0];
        set(word == "VARCHAR" ? IB_SQLType::Varying : IB_SQLType::Text, static_cast<short>(n));
    } else if (word == "NUMERIC" || word == "DECIMAL") {
        auto numbers = BracketAfter(s, afterWord, bad);
        if (bad)
            throw invalid();
        if (!numbers) {
            set(IB_SQLType::Long, 4, -2);
        } else {
            if (numbers->size() > 2)
                throw invalid();
            const int p = (*numbers)[0];
            const int sc = numbers->size() == 2 ? (*numbers)[1] : 2;
            if (p < 1 || (numbers->size() == 2 && sc > p))
                throw invalid();
            d.precision = static_cast<short>(p);
            const short scale = static_cast<short>(-sc);
            if (p < 5)
                set(IB_SQLType::Short, 2, scale);
            else if (p <= 9)
                set(IB_SQLType::Long, 4, scale);
            else if (dialect >= 3)
                set(IB_SQLType::Int64, 8, scale);
            else
                set(IB_SQLType::Double, 8, scale);
        }
    } else if (word == "QUAD") {
        set(IB_SQLType::Quad, 8);
    } else if (word == "MEMO") {
        set(IB_SQLType::Blob, 8);
        d.subType = 1;
    } else if (word == "BLOB") {
        set(IB_SQLType::Blob, 8);
    } else {
        throw invalid();
    }
    return d;
}
