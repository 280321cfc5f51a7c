#pragma once
// Small text helpers of the client layer. Text is std::string of
// ISO-8859-1 bytes; case rules are those of SQL identifiers (ASCII).
#include <string>
#include <string_view>
#include <vector>

namespace varnel::db {

using TIB_StringList = std::vector<std::string>;

// Removes the characters up to and including space at both ends.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

// The lines joined with CR LF after every line, the last one included.
std::string JoinLines(const TIB_StringList& lines);
// Splits at CR LF, LF or a lone CR; a final line break adds no empty line.
TIB_StringList SplitLines(std::string_view text);

// NAME=VALUE lists (Params and friends): names compared ignoring case.
// Index of the first line whose name is `name`, -1 when absent.
int IndexOfName(const TIB_StringList& list, std::string_view name);
std::string ValueOf(const TIB_StringList& list, std::string_view name);
// Sets the value of `name`; an empty value removes the line.
void SetValueOf(TIB_StringList& list, std::string_view name, std::string_view value);

// Quoting of identifiers for the connection's dialect: below 3 upper case;
// dialect 3 keeps a plain upper-case name (A-Z, then A-Z, 0-9, "_", "$")
// unless it is a reserved word, and double-quotes anything else with
// embedded double quotes doubled. An empty name becomes "" in dialect 3.
std::string FormatIdentifier(int dialect, std::string_view name);
bool IsReservedWord(std::string_view upperName);
// True when `s` is enclosed in double quotes.
bool IsQuoted(std::string_view s);
// Removes one pair of enclosing double quotes and undoubles embedded ones.
std::string Unquote(std::string_view s);

} // namespace varnel::db
