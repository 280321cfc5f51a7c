#pragma once
// Small text helpers for the NAME=VALUE configuration lists of the data
// access components (Params, MasterLinks, OrderingItems, OrderingLinks,
// KeyLinks, GridLinks, CalculatedFields, FieldsDisplayLabel, ...).
//
// A list is a vector of lines. A line is NAME, optionally followed by "="
// and a VALUE; the first "=" outside double quotes separates them, so an "="
// inside a quoted identifier belongs to the name. Column names may be
// qualified as RELATION.COLUMN (the first "." outside double quotes); a
// qualified name matches an unqualified entry with the same column part and
// vice versa, always ignoring case. A VALUE may itself be a list of link
// parameters separated by ";" ("WIDTH=181", "ITEM=1;POS=0").
//
// Text is ISO-8859-1 bytes; case folding is ASCII only. All functions are
// pure and own nothing.
#include "db/IB_Markers.h"
#include "db/IB_Text.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using IB_StringList = varnel::db::TIB_StringList;

// Trimming, case and line helpers are the client layer's (db/IB_Text.h):
// Trim, UpperCase, SameText, SplitLines, JoinLines.

// 0-based position of the first `ch` at or after `from` that lies outside
// double-quoted identifiers (the quote state is taken from the start of the
// text); npos when there is none. The 0-based form of getLitSafePos.
std::size_t FindOutsideQuotes(const std::string& text, char ch, std::size_t from = 0);

// One line split at its first "=" outside double quotes, both parts exactly
// as written. hasValue is false for a line without such "=".
struct IB_NameValue {
    std::string name;
    std::string value;
    bool hasValue = false;
};
IB_NameValue SplitNameValue(const std::string& line);

// A name split at its first "." outside double quotes: {relation, column};
// the relation is empty for an unqualified name. Parts are as written.
std::pair<std::string, std::string> SplitQualifiedName(const std::string& name);

// The matching rule of the configuration lists: both names are trimmed, each
// part loses one pair of enclosing double quotes (doubled quotes inside
// become one), and the names match when they are equal ignoring case, or
// when exactly one is qualified and the column parts are equal ignoring
// case. "A.X" and "B.X" do not match.
bool SameColumnName(const std::string& a, const std::string& b);

// Index of the line whose name matches `name`: the first line whose name is
// equal (ignoring case and quotes) wins; otherwise the first that matches
// through the qualified/unqualified rule. nullopt when none matches.
std::optional<std::size_t> IndexOfName(const IB_StringList& lines, const std::string& name);
// Value of the matching line (as written, after the "="; empty when the
// line has no "="); nullopt when no line matches.
std::optional<std::string> ValueOfName(const IB_StringList& lines, const std::string& name);
// Replaces the value of the matching line (keeping its name as written), or
// appends name + "=" + value when no line matches.
void SetValueOfName(IB_StringList& lines, const std::string& name, const std::string& value);

// The link parameters of a value: split at every ";" outside double quotes,
// each entry trimmed, empty entries dropped ("WIDTH=181;ALIGN=CENTER").
IB_StringList SplitLinkParams(const std::string& value);
// The text of parameter `param` (name compared ignoring case, text after its
// first "=" trimmed; empty for a parameter written without "="); nullopt
// when the value has no such parameter.
std::optional<std::string> LinkParam(const std::string& value, const std::string& param);
// The value with parameter `param` set to `text` (replaced in place, or
// appended after a ";"); other parameters keep their order and spelling.
std::string SetLinkParam(const std::string& value, const std::string& param, const std::string& text);
