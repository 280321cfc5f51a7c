#include "dataset/IB_StringList.h"

using varnel::db::SameText;
using varnel::db::Trim;
using varnel::db::UpperCase;

namespace {

// One name part for comparison: trimmed, one pair of enclosing double quotes
// removed with doubled quotes undone, upper-cased.
std::string ComparablePart(const std::string& part)
{
    return UpperCase(varnel::db::Unquote(Trim(part)));
}

// Splits at every `sep` outside double quotes, parts as written.
IB_StringList SplitOutsideQuotes(const std::string& text, char sep)
{
    IB_StringList parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = FindOutsideQuotes(text, sep, start);
        if (p == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, p - start));
        start = p + 1;
    }
}

} // namespace

std::size_t FindOutsideQuotes(const std::string& text, char ch, std::size_t from)
{
    if (from >= text.size())
        return std::string::npos;
    const int p = varnel::db::getLitSafePos(ch, text, static_cast<int>(from) + 1);
    return p == 0 ? std::string::npos : static_cast<std::size_t>(p - 1);
}

IB_NameValue SplitNameValue(const std::string& line)
{
    IB_NameValue nv;
    std::size_t p = FindOutsideQuotes(line, '=');
    if (p == std::string::npos) {
        nv.name = line;
        return nv;
    }
    nv.name = line.substr(0, p);
    nv.value = line.substr(p + 1);
    nv.hasValue = true;
    return nv;
}

std::pair<std::string, std::string> SplitQualifiedName(const std::string& name)
{
    std::size_t p = FindOutsideQuotes(name, '.');
    if (p == std::string::npos)
        return {std::string(), name};
    return {name.substr(0, p), name.substr(p + 1)};
}

namespace {

struct ComparableName {
    bool qualified = false;
    std::string relation;
    std::string column;
};

ComparableName MakeComparable(const std::string& name)
{
    auto [rel, col] = SplitQualifiedName(Trim(name));
    ComparableName c;
    c.qualified = FindOutsideQuotes(Trim(name), '.') != std::string::npos;
    c.relation = ComparablePart(rel);
    c.column = ComparablePart(col);
    return c;
}

bool SameFullName(const ComparableName& a, const ComparableName& b)
{
    return a.qualified == b.qualified && a.relation == b.relation && a.column == b.column;
}

bool SameByQualifierRule(const ComparableName& a, const ComparableName& b)
{
    if (a.qualified == b.qualified)
        return SameFullName(a, b);
    return a.column == b.column;
}

} // namespace

bool SameColumnName(const std::string& a, const std::string& b)
{
    return SameByQualifierRule(MakeComparable(a), MakeComparable(b));
}

std::optional<std::size_t> IndexOfName(const IB_StringList& lines, const std::string& name)
{
    const ComparableName wanted = MakeComparable(name);
    std::optional<std::size_t> loose;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ComparableName entry = MakeComparable(SplitNameValue(lines[i]).name);
        if (SameFullName(entry, wanted))
            return i;
        if (!loose && SameByQualifierRule(entry, wanted))
            loose = i;
    }
    return loose;
}

std::optional<std::string> ValueOfName(const IB_StringList& lines, const std::string& name)
{
    auto i = IndexOfName(lines, name);
    if (!i)
        return std::nullopt;
    return SplitNameValue(lines[*i]).value;
}

void SetValueOfName(IB_StringList& lines, const std::string& name, const std::string& value)
{
    auto i = IndexOfName(lines, name);
    if (!i) {
        lines.push_back(name + "=" + value);
        return;
    }
    lines[*i] = SplitNameValue(lines[*i]).name + "=" + value;
}

IB_StringList SplitLinkParams(const std::string& value)
{
    IB_StringList params;
    for (const auto& p : SplitOutsideQuotes(value, ';')) {
        std::string t = Trim(p);
        if (!t.empty())
            params.push_back(t);
    }
    return params;
}

std::optional<std::string> LinkParam(const std::string& value, const std::string& param)
{
    const std::string wanted = Trim(param);
    for (const auto& p : SplitLinkParams(value)) {
        IB_NameValue nv = SplitNameValue(p);
        if (SameText(Trim(nv.name), wanted))
            return Trim(nv.value);
    }
    return std::nullopt;
}

std::string SetLinkParam(const std::string& value, const std::string& param, const std::string& text)
{
    const std::string wanted = Trim(param);
    IB_StringList parts = SplitOutsideQuotes(value, ';');
    bool done = false;
    for (auto& p : parts) {
        IB_NameValue nv = SplitNameValue(p);
        if (!done && SameText(Trim(nv.name), wanted)) {
            p = Trim(nv.name) + "=" + text;
            done = true;
        }
    }
    std::string r;
    for (const auto& p : parts) {
        if (Trim(p).empty())
            continue;
        if (!r.empty())
            r += ';';
        r += p;
    }
    if (!done) {
        if (!r.empty())
            r += ';';
        r += wanted + "=" + text;
    }
    return r;
}
