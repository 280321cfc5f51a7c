// The SQL clause parser of the dataset layer and the assembly steps built
// on it: statement texts come from settings files and user input.
// Input: line 1 a clause text, line 2 an ordering item number, the rest a
// statement; its lines also serve as where-condition and ordering lists.
// Properties: a found clause lies inside the text, in section order, and
// its text is what the text holds there; replacing a clause by its own
// text finds the same clause text again; nothing but the documented
// syntax error is raised.
#include "FuzzSupport.h"
#include "dataset/IB_Parse.h"

#include <cstdlib>
#include <string>

using varnel::db::EIB_Error;
using varnel::db::SplitLines;
using varnel::db::Trim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view in = fuzz::Text(data, size);
    const std::string clause = fuzz::TakeLine(in);
    const int itemNo = std::atoi(fuzz::TakeLine(in).c_str());
    const std::string sql(in);

    const auto clauses = GetSQLClauses(sql);
    for (int s = 1; s <= 9; ++s) {
        const SQLClause& c = clauses[s - 1];
        const auto section = static_cast<SQLSection>(s);
        FUZZ_CHECK(GetSQLClause(section, sql).text == c.text, sql);
        if (c.found()) {
            FUZZ_CHECK(c.start <= c.end && c.end <= sql.size(), sql);
            FUZZ_CHECK(Trim(sql.substr(c.start, c.end - c.start)) == c.text, sql);
        } else {
            FUZZ_CHECK(c.text.empty() && c.end == std::string::npos, sql);
        }
        FUZZ_CHECK(SQLInsertionPoint(section, sql) <= sql.size(), sql);

        std::string replaced = SetSQLClause(section, sql, clause);
        (void)GetSQLClauses(replaced);
        if (c.found()) {
            std::string same = SetSQLClause(section, sql, c.text);
            FUZZ_CHECK(GetSQLClause(section, same).text == c.text, sql);
        }
    }

    const IB_StringList lines = SplitLines(sql);
    try {
        std::string w = ProcessSQLWhereStrings(lines, clauses[2].text, false);
        w = ProcessSQLWhereStrings(lines, w, true);
        (void)SetSQLWhere(sql, w);
    } catch (const EIB_Error&) {
        // Unbalanced brackets in the list: the documented error.
    }
    (void)AddWhereClause(clauses[2].text, clause);
    (void)AddWhereClauseHigh(clauses[2].text, clause);

    (void)GetOrderingSQL(lines, itemNo);
    const OrderByRewrite order = RewriteOrderBy(OrderingText(lines, itemNo, sql), NocaseFromColumnAttributes(lines));
    FUZZ_CHECK(order.section.empty() == order.orderingColumns.empty(), order.section);
    (void)RewriteOrderBy(clause);
    (void)StripOrderByKeywords(clauses[7].text);
    (void)OrderingLinkItemNo(clause);
    (void)OrderingLinkColumn(lines, itemNo);
    return 0;
}
