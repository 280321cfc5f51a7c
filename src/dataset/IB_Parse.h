#pragma once
// SQL text functions of the dataset layer: locating and replacing the
// clauses of a statement, joining search conditions into a WHERE clause,
// processing the where-condition lists, and building the ORDER BY of an
// ordering item. All functions are pure: they read their arguments and
// return new text; nothing here touches a database.
//
// Scanning rules shared by every clause function: text inside single quotes,
// inside double quotes, inside "/* ... */" and from "//" to the end of the
// line is skipped, and so is everything inside parentheses. A keyword
// matches case-insensitively as a whole word: at the start of the text,
// after a delimiter or a comment, and followed by a delimiter, a comment or
// the end of the text; the delimiters are the characters up to and
// including space, "(", ")" and ";". Positions are 0-based byte offsets.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dataset/IB_StringList.h"
#include "db/IB_Error.h"

// The nine clause sections in their numbering (1 to 9).
enum class SQLSection {
    Select = 1,
    From,
    Where,
    Group,
    Having,
    Union,
    Plan,
    Order,
    ForUpdate,
};

// A clause found in a statement text. `text` is the clause as written,
// keyword included, trimmed; `start` is the position of its keyword and
// `end` the position where it ends (its end keyword, or the text's end), so
// [start, end) holds the clause with the white space that follows it. An
// absent clause has empty text and start == end == npos.
struct SQLClause {
    std::string text;
    std::size_t start = std::string::npos;
    std::size_t end = std::string::npos;
    bool found() const { return start != std::string::npos; }
};

// Clause location. SELECT counts only as the first word of the statement
// (leading white space, comments and "(" aside), so a trigger or procedure
// definition, INSERT INTO ... SELECT or GRANT/REVOKE has no SELECT clause.
// A FROM, WHERE, GROUP or HAVING inside the UNION clause belongs to the
// second select and does not count.
SQLClause GetSQLSelect(const std::string& sql);
SQLClause GetSQLFrom(const std::string& sql);
SQLClause GetSQLWhere(const std::string& sql);
SQLClause GetSQLGroup(const std::string& sql);
SQLClause GetSQLHaving(const std::string& sql);
SQLClause GetSQLUnion(const std::string& sql);
SQLClause GetSQLPlan(const std::string& sql);
SQLClause GetSQLOrder(const std::string& sql);
SQLClause GetSQLForUpdate(const std::string& sql);
SQLClause GetSQLClause(SQLSection section, const std::string& sql);
// All nine at once, indexed by section number - 1 (for a per-text cache).
std::array<SQLClause, 9> GetSQLClauses(const std::string& sql);

// Clause replacement. With the clause present at [s, e) the result is
//   trim(sql[0, s)) + CR LF + trim(clause) + CR LF + trim(sql[e, end));
// an absent clause is inserted the same way at its insertion point. An
// empty (after trimming) clause removes a present clause, leaving
//   trim(before) + CR LF + trim(after),
// and leaves a text without that clause unchanged. Trimming removes only
// characters up to and including space at both ends.
std::string SetSQLSelect(const std::string& sql, const std::string& clause);
std::string SetSQLFrom(const std::string& sql, const std::string& clause);
std::string SetSQLWhere(const std::string& sql, const std::string& clause);
std::string SetSQLGroup(const std::string& sql, const std::string& clause);
std::string SetSQLHaving(const std::string& sql, const std::string& clause);
std::string SetSQLUnion(const std::string& sql, const std::string& clause);
std::string SetSQLPlan(const std::string& sql, const std::string& clause);
std::string SetSQLOrder(const std::string& sql, const std::string& clause);
std::string SetSQLForUpdate(const std::string& sql, const std::string& clause);
std::string SetSQLClause(SQLSection section, const std::string& sql, const std::string& clause);

// Where an absent clause goes: the end of the nearest clause before it in
// section order that exists (WHERE: FROM, SELECT; ORDER: PLAN, UNION,
// HAVING, GROUP, WHERE, FROM, SELECT; likewise for the others), else 0.
std::size_t SQLInsertionPoint(SQLSection section, const std::string& sql);

// Joins condition c into a WHERE section text `where` (keyword included).
// Both are trimmed; an empty c returns `where` unchanged; an empty `where`
// gives "WHERE " + c. With rest = where without its first six characters:
// when neither rest nor c contains "//" or "OR" (substring of the
// upper-cased texts) the result is where + "\r\n  AND " + c, otherwise
// " WHERE (\r\n      " + rest + "\r\n      )\r\n  AND " + c.
std::string AddWhereClause(const std::string& where, const std::string& condition);
// As AddWhereClause with c in front and rest trimmed: "WHERE " + c +
// "\r\n  AND " + rest, or "WHERE ( " + c + " ) \r\n  AND  ( " + rest +
// "\r\n)" when "//" or "OR" occurs.
std::string AddWhereClauseHigh(const std::string& where, const std::string& condition);

// Joins a where-condition list into `where`: each top-level entry becomes
// its own condition, an "(" ... ")" group becomes one condition whose
// members are ANDed unless an entry "AND" or "OR" stands between them.
// inFront selects AddWhereClauseHigh (each condition put first) instead of
// AddWhereClause. Blank entries are ignored. Unbalanced brackets (a ")"
// without its "(", or a "(" left open) raise varnel::db::EIB_Error
// "Invalid syntax: extra or missing parenthesis:\r\n" + JoinLines(list).
std::string ProcessSQLWhereStrings(const IB_StringList& list, const std::string& where, bool inFront);

// getLitSafePos (1-based position outside double quotes) is db/IB_Markers.h's.

// The order text of an ordering item. orderingItems holds
// NAME=ASCENDING[;DESCENDING] lines (the ";" outside double quotes).
// itemNo n > 0 gives the ascending text of item n (1-based), -n its
// descending text; the result is trimmed. Empty for 0, for a number beyond
// the items, and for a negative number whose item has no ";" part.
std::string GetOrderingSQL(const IB_StringList& orderingItems, int itemNo);

// An ORDER section text without its keywords: the first five characters
// dropped and trimmed, then the first two dropped and trimmed
// ("ORDER BY A, B" -> "A, B").
std::string StripOrderByKeywords(const std::string& orderSection);

// The ordering text o of an assembly: GetOrderingSQL(itemNo) when itemNo is
// not 0, else the ORDER section of `sql` without its keywords.
std::string OrderingText(const IB_StringList& orderingItems, int itemNo, const std::string& sql);

// NOCASE lookup for the ORDER BY rewrite: for a column, nullopt when it has
// no NOCASE attribute, else the attribute's parameter text (may be empty).
using NocaseLookup = std::function<std::optional<std::string>(const std::string& column)>;
// A NocaseLookup over ColumnAttributes lines "COLUMN=ATTR[=PARAM][;ATTR...]"
// (column names matched as in IndexOfName). The lines are copied.
NocaseLookup NocaseFromColumnAttributes(const IB_StringList& columnAttributes);

// Result of the ORDER BY rewrite.
struct OrderByRewrite {
    std::string section;                  // "ORDER BY ..."; empty when o names no column
    std::vector<std::string> orderingColumns; // "COL=ASC" / "COL=DESC", one per column
};

// Builds the ORDER section from the ordering text o (keywords already
// stripped, markers already converted). Comments are removed, characters
// below space become spaces, trailing ";" go (trimming after each). The
// text is split at "," outside quotes, literals and parentheses; per part a
// trailing " NULLS FIRST" / " NULLS LAST", then " ASC" or " DESC" are taken
// off (whole words outside quotes and parentheses), the rest trimmed is the
// column; a NOCASE parameter replaces it when not empty; blank parts are
// skipped. The section is "ORDER BY " + the columns, each with " ASC" or
// " DESC" and its " NULLS FIRST/LAST", separated by "\r\n       , ".
OrderByRewrite RewriteOrderBy(const std::string& o, const NocaseLookup& nocase = {});

// Item number of an OrderingLinks value: the value itself when it is a
// number, else its "ITEM" link parameter; -1 when it has neither.
int OrderingLinkItemNo(const std::string& linkValue);
// The column of the first OrderingLinks line linked to item |itemNo|
// (its name as written, trimmed); nullopt when none (or itemNo 0).
std::optional<std::string> OrderingLinkColumn(const IB_StringList& orderingLinks, int itemNo);
