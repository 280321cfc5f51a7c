// Clause location and replacement of the SQL parsing functions.
#include <gtest/gtest.h>

#include "dataset/IB_Parse.h"

using varnel::db::Trim;

namespace {

// The designed field list of a table: its FROM clause runs over two LEFT
// JOINs and a literal up to where ORDER begins.
const std::string kFieldSQL =
    "SELECT rf.RDB$RELATION_NAME\r\n"
    "     , rf.RDB$FIELD_NAME\r\n"
    "     , rf.RDB$NULL_FLAG\r\n"
    "     , rf.RDB$DESCRIPTION\r\n"
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2\r\n"
    "     , f.RDB$FIELD_TYPE\r\n"
    "     , f.RDB$FIELD_SUB_TYPE\r\n"
    "     , t.RDB$TYPE_NAME\r\n"
    "     , f.RDB$FIELD_LENGTH\r\n"
    "     , f.RDB$FIELD_PRECISION\r\n"
    "     , f.RDB$FIELD_SCALE\r\n"
    "FROM RDB$RELATION_FIELDS rf\r\n"
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE\r\n"
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE\r\n"
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'\r\n"
    "ORDER BY RDB$FIELD_POSITION\r\n";

struct LocateCase {
    std::string name;
    SQLSection section;
    std::string sql;
    std::string expected; // "" = clause absent
};

class ClauseLocation : public ::testing::TestWithParam<LocateCase> {};

TEST_P(ClauseLocation, FindsClauseText)
{
    const LocateCase& c = GetParam();
    SQLClause clause = GetSQLClause(c.section, c.sql);
    EXPECT_EQ(clause.text, c.expected);
    EXPECT_EQ(clause.found(), !c.expected.empty());
    if (clause.found()) {
        ASSERT_LE(clause.start, clause.end);
        ASSERT_LE(clause.end, c.sql.size());
        EXPECT_EQ(Trim(c.sql.substr(clause.start, clause.end - clause.start)), c.expected);
        // The keyword-specific getter agrees with the numbered one.
        EXPECT_EQ(GetSQLClauses(c.sql)[static_cast<int>(c.section) - 1].start, clause.start);
    } else {
        EXPECT_EQ(clause.end, std::string::npos);
    }
}

using S = SQLSection;

const LocateCase kLocateCases[] = {
    // SELECT: the first word only.
    {"select_plain", S::Select, "SELECT A, B FROM T", "SELECT A, B"},
    {"select_lower_case", S::Select, "select a, b from t", "select a, b"},
    {"select_without_from", S::Select, "SELECT 1", "SELECT 1"},
    {"select_after_comment_and_bracket", S::Select, "  /* list */ ( SELECT A FROM T )", "SELECT A"},
    {"select_after_line_comment", S::Select, "// head\r\nSELECT A\r\nFROM T", "SELECT A"},
    {"select_not_after_insert_into", S::Select, "INSERT INTO T (A) SELECT A FROM U", ""},
    {"select_not_in_procedure", S::Select,
     "CREATE PROCEDURE P RETURNS (A INTEGER) AS BEGIN FOR SELECT A FROM T INTO :A DO SUSPEND; END", ""},
    {"select_not_in_trigger", S::Select,
     "CREATE TRIGGER TR FOR T AFTER INSERT AS BEGIN SELECT COUNT(*) FROM U INTO :N; END", ""},
    {"select_not_in_grant", S::Select, "GRANT SELECT ON T TO PUBLIC", ""},
    {"select_not_in_revoke", S::Select, "REVOKE SELECT ON T FROM PUBLIC", ""},
    {"select_whole_word_only", S::Select, "SELECTED FROM T", ""},
    {"select_from_inside_brackets", S::Select, "SELECT EXTRACT(YEAR FROM D) FROM T", "SELECT EXTRACT(YEAR FROM D)"},
    {"select_words_containing_keywords", S::Select, "SELECT FROMAGE, ORDER_NO, T.WHERE_ FROM T",
     "SELECT FROMAGE, ORDER_NO, T.WHERE_"},
    {"select_ends_at_semicolon", S::Select, "SELECT 1;", "SELECT 1"},

    // FROM and its end keywords.
    {"from_ends_at_where", S::From, "SELECT A FROM T WHERE B = 1", "FROM T"},
    {"from_ends_at_group", S::From, "SELECT A FROM T GROUP BY A", "FROM T"},
    {"from_ends_at_having", S::From, "SELECT A FROM T HAVING COUNT(*) > 1", "FROM T"},
    {"from_ends_at_union", S::From, "SELECT A FROM T UNION SELECT B FROM U", "FROM T"},
    {"from_ends_at_plan", S::From, "SELECT A FROM T PLAN (T NATURAL)", "FROM T"},
    {"from_ends_at_order", S::From, "SELECT A FROM T ORDER BY A", "FROM T"},
    {"from_ends_at_rows", S::From, "SELECT A FROM T ROWS 5", "FROM T"},
    {"from_ends_at_for", S::From, "SELECT A FROM T FOR UPDATE", "FROM T"},
    {"from_ends_at_semicolon", S::From, "SELECT A FROM T; SELECT B FROM U WHERE C = 1", "FROM T"},
    {"from_runs_to_end", S::From, "SELECT A FROM T", "FROM T"},
    {"from_with_joins_and_literal", S::From, kFieldSQL,
     "FROM RDB$RELATION_FIELDS rf\r\n"
     "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE\r\n"
     "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE\r\n"
     "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'"},
    {"from_of_delete", S::From, "DELETE FROM T WHERE A = 1", "FROM T"},
    {"from_keyword_followed_by_bracket", S::From, "SELECT A FROM(T)WHERE(B=1)", "FROM(T)"},

    // WHERE and its end keywords.
    {"where_ends_at_order", S::Where, "SELECT A FROM T WHERE B = 1 ORDER BY A", "WHERE B = 1"},
    {"where_ends_at_group", S::Where, "SELECT A FROM T WHERE B = 1 GROUP BY A", "WHERE B = 1"},
    {"where_ends_at_having", S::Where, "SELECT A FROM T WHERE B = 1 HAVING COUNT(*) > 1", "WHERE B = 1"},
    {"where_ends_at_union", S::Where, "SELECT A FROM T WHERE B = 1 UNION SELECT C FROM U", "WHERE B = 1"},
    {"where_ends_at_plan", S::Where, "SELECT A FROM T WHERE B = 1 PLAN (T NATURAL)", "WHERE B = 1"},
    {"where_ends_at_for", S::Where, "SELECT A FROM T WHERE B = 1 FOR UPDATE", "WHERE B = 1"},
    {"where_ends_at_semicolon", S::Where, "SELECT A FROM T WHERE B = 1;", "WHERE B = 1"},
    {"where_ends_at_rows", S::Where, "SELECT A FROM T WHERE B = 1 ROWS 5", "WHERE B = 1"},
    {"where_after_bracket", S::Where, "SELECT A FROM(T)WHERE(B=1)", "WHERE(B=1)"},
    {"where_after_block_comment", S::Where, "SELECT A FROM T/* t */WHERE B = 1", "WHERE B = 1"},
    {"where_absent", S::Where, kFieldSQL, ""},
    {"where_subselect_inside_brackets", S::Where,
     "SELECT A FROM T WHERE B IN (SELECT C FROM U WHERE D = 1 ORDER BY C) ORDER BY A",
     "WHERE B IN (SELECT C FROM U WHERE D = 1 ORDER BY C)"},
    {"where_unterminated_literal_runs_to_end", S::Where, "SELECT A FROM T WHERE B = 'x ORDER BY A",
     "WHERE B = 'x ORDER BY A"},

    // Malformed text: an open bracket, literal, identifier or comment runs
    // to the end; a stray ")" is passed over.
    {"unclosed_bracket_runs_to_end", S::Where, "SELECT A FROM T WHERE (B = 1 ORDER BY A", "WHERE (B = 1 ORDER BY A"},
    {"stray_close_bracket_passed_over", S::Where, "SELECT A FROM T WHERE B = 1) ORDER BY A", "WHERE B = 1)"},
    {"unterminated_comment_hides_rest", S::Order, "SELECT A FROM T /* ORDER BY A", ""},
    {"unterminated_comment_in_from", S::From, "SELECT A FROM T /* ORDER BY A", "FROM T /* ORDER BY A"},
    {"unterminated_quoted_identifier", S::Select, "SELECT \"A FROM T", "SELECT \"A FROM T"},

    // A keyword in a literal, quoted identifier or comment ends nothing.
    {"keyword_in_literal", S::Where, "SELECT A FROM T WHERE B = ' ORDER BY x' ORDER BY A",
     "WHERE B = ' ORDER BY x'"},
    {"keyword_in_literal_with_doubled_quote", S::Where,
     "SELECT A FROM T WHERE B = 'it''s ORDER' ORDER BY A", "WHERE B = 'it''s ORDER'"},
    {"keyword_in_quoted_identifier", S::Where, "SELECT \"ORDER\" FROM T WHERE \"WHERE\" = 1 ORDER BY 1",
     "WHERE \"WHERE\" = 1"},
    {"keyword_in_quoted_identifier_select", S::Select, "SELECT \"FROM\" FROM T", "SELECT \"FROM\""},
    {"keyword_in_block_comment", S::From, "SELECT A FROM T /* WHERE x */ WHERE B = 1", "FROM T /* WHERE x */"},
    {"keyword_in_line_comment", S::From, "SELECT A FROM T // ORDER BY x\r\nWHERE B = 1", "FROM T // ORDER BY x"},
    {"keyword_after_line_comment", S::Where, "SELECT A FROM T // ORDER BY x\r\nWHERE B = 1", "WHERE B = 1"},

    // UNION: FROM, WHERE, GROUP and HAVING of the second select do not count.
    {"union_clause", S::Union, "SELECT A FROM T UNION SELECT B FROM U WHERE C = 1",
     "UNION SELECT B FROM U WHERE C = 1"},
    {"union_ends_at_order", S::Union, "SELECT A FROM T UNION ALL SELECT B FROM U ORDER BY 1",
     "UNION ALL SELECT B FROM U"},
    {"union_ends_at_plan", S::Union, "SELECT A FROM T UNION SELECT B FROM U PLAN (U NATURAL)",
     "UNION SELECT B FROM U"},
    {"union_ends_at_rows", S::Union, "SELECT A FROM T UNION SELECT B FROM U ROWS 3", "UNION SELECT B FROM U"},
    {"union_ends_at_for", S::Union, "SELECT A FROM T UNION SELECT B FROM U FOR UPDATE", "UNION SELECT B FROM U"},
    {"union_where_does_not_count", S::Where, "SELECT A FROM T UNION SELECT B FROM U WHERE C = 1", ""},
    {"union_first_where_counts", S::Where, "SELECT A FROM T WHERE X = 1 UNION SELECT B FROM U WHERE Y = 2",
     "WHERE X = 1"},
    {"union_from_of_first_select", S::From, "SELECT A FROM T UNION SELECT B FROM U", "FROM T"},
    {"union_from_when_first_has_none", S::From, "SELECT 1 UNION SELECT B FROM U", ""},
    {"union_group_does_not_count", S::Group, "SELECT A FROM T UNION SELECT B FROM U GROUP BY B", ""},
    {"union_having_does_not_count", S::Having, "SELECT A FROM T UNION SELECT B FROM U GROUP BY B HAVING COUNT(*) > 1", ""},
    {"union_order_counts", S::Order, "SELECT A FROM T UNION SELECT B FROM U ORDER BY 1", "ORDER BY 1"},

    // The other clauses.
    {"group_ends_at_having", S::Group, "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1", "GROUP BY A"},
    {"group_ends_at_order", S::Group, "SELECT A FROM T GROUP BY A ORDER BY A", "GROUP BY A"},
    {"group_ends_at_rows", S::Group, "SELECT A FROM T GROUP BY A ROWS 2", "GROUP BY A"},
    {"having_ends_at_order", S::Having, "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1 ORDER BY A",
     "HAVING COUNT(*) > 1"},
    {"having_ends_at_union", S::Having, "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1 UNION SELECT B FROM U",
     "HAVING COUNT(*) > 1"},
    {"plan_ends_at_order", S::Plan, "SELECT A FROM T PLAN (T NATURAL) ORDER BY A", "PLAN (T NATURAL)"},
    {"plan_ends_at_for", S::Plan, "SELECT A FROM T PLAN (T NATURAL) FOR UPDATE", "PLAN (T NATURAL)"},
    {"order_ends_at_rows", S::Order, "SELECT A FROM T ORDER BY A ROWS 10", "ORDER BY A"},
    {"order_ends_at_for", S::Order, "SELECT A FROM T ORDER BY A FOR UPDATE", "ORDER BY A"},
    {"order_ends_at_semicolon", S::Order, "SELECT A FROM T ORDER BY A;", "ORDER BY A"},
    {"order_lower_case", S::Order, "select a from t order by a desc", "order by a desc"},
    {"order_of_field_list", S::Order, kFieldSQL, "ORDER BY RDB$FIELD_POSITION"},
    {"for_update_ends_at_with_lock", S::ForUpdate, "SELECT A FROM T WHERE B = 1 FOR UPDATE WITH LOCK", "FOR UPDATE"},
    {"for_update_ends_at_lock", S::ForUpdate, "SELECT A FROM T FOR UPDATE OF A LOCK", "FOR UPDATE OF A"},
    {"for_update_absent", S::ForUpdate, "SELECT SUBSTRING(A FROM 1 FOR 2) FROM T", ""},
};

INSTANTIATE_TEST_SUITE_P(Parse, ClauseLocation, ::testing::ValuesIn(kLocateCases),
                         [](const auto& info) { return info.param.name; });

TEST(ClausePositions, StartAtKeywordEndAtNextClause)
{
    const std::string sql = "SELECT A\r\nFROM T\r\nWHERE B = 1\r\nORDER BY A\r\n";
    SQLClause from = GetSQLFrom(sql);
    SQLClause where = GetSQLWhere(sql);
    SQLClause order = GetSQLOrder(sql);
    EXPECT_EQ(from.start, sql.find("FROM"));
    EXPECT_EQ(from.end, sql.find("WHERE"));
    EXPECT_EQ(where.start, sql.find("WHERE"));
    EXPECT_EQ(where.end, sql.find("ORDER"));
    EXPECT_EQ(order.start, sql.find("ORDER"));
    EXPECT_EQ(order.end, sql.size());
    EXPECT_EQ(GetSQLSelect(sql).start, 0u);
}

// ----------------------------------------------------------- replacement

struct ReplaceCase {
    std::string name;
    SQLSection section;
    std::string sql;
    std::string clause;
    std::string expected;
};

class ClauseReplacement : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ClauseReplacement, GivesExactText)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(SetSQLClause(c.section, c.sql, c.clause), c.expected);
}

const ReplaceCase kReplaceCases[] = {
    {"where_replaced", S::Where, "SELECT A\r\nFROM T\r\nWHERE B = 1\r\nORDER BY A\r\n", "WHERE C = 2",
     "SELECT A\r\nFROM T\r\nWHERE C = 2\r\nORDER BY A"},
    {"where_replaced_at_end_keeps_final_line_break", S::Where, "SELECT A\r\nFROM T\r\nWHERE B = 1\r\n",
     "WHERE C = 2", "SELECT A\r\nFROM T\r\nWHERE C = 2\r\n"},
    {"new_clause_trimmed", S::Where, "SELECT A FROM T WHERE B = 1", " \r\n WHERE C = 2 \t\r\n",
     "SELECT A FROM T\r\nWHERE C = 2\r\n"},
    {"indentation_inside_kept", S::Where, "SELECT A\r\n     , B\r\nFROM T\r\n", "WHERE X\r\n  AND Y",
     "SELECT A\r\n     , B\r\nFROM T\r\nWHERE X\r\n  AND Y\r\n"},
    {"only_blanks_and_controls_trimmed", S::Where, "SELECT A FROM T", "WHERE N = '\xA0'\xA0",
     "SELECT A FROM T\r\nWHERE N = '\xA0'\xA0\r\n"},
    {"where_inserted_after_from", S::Where, "SELECT A\r\nFROM T\r\nORDER BY A\r\n", "WHERE C = 2",
     "SELECT A\r\nFROM T\r\nWHERE C = 2\r\nORDER BY A"},
    {"where_inserted_before_rows", S::Where, "SELECT A FROM T ROWS 5", "WHERE C = 2",
     "SELECT A FROM T\r\nWHERE C = 2\r\nROWS 5"},
    {"where_inserted_after_select", S::Where, "SELECT 1", "WHERE C = 2", "SELECT 1\r\nWHERE C = 2\r\n"},
    {"where_inserted_at_start", S::Where, "EXECUTE PROCEDURE P", "WHERE C = 2",
     "\r\nWHERE C = 2\r\nEXECUTE PROCEDURE P"},
    {"where_inserted_before_second_select", S::Where, "SELECT A FROM T UNION SELECT B FROM U WHERE X = 1",
     "WHERE C = 2", "SELECT A FROM T\r\nWHERE C = 2\r\nUNION SELECT B FROM U WHERE X = 1"},
    {"order_inserted_after_where", S::Order, "SELECT A FROM T WHERE B = 1", "ORDER BY A",
     "SELECT A FROM T WHERE B = 1\r\nORDER BY A\r\n"},
    {"order_inserted_after_plan", S::Order, "SELECT A FROM T WHERE B = 1 PLAN (T NATURAL) FOR UPDATE",
     "ORDER BY A", "SELECT A FROM T WHERE B = 1 PLAN (T NATURAL)\r\nORDER BY A\r\nFOR UPDATE"},
    {"order_inserted_after_union", S::Order, "SELECT A FROM T UNION SELECT B FROM U", "ORDER BY 1",
     "SELECT A FROM T UNION SELECT B FROM U\r\nORDER BY 1\r\n"},
    {"order_inserted_after_having", S::Order, "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1 ROWS 3",
     "ORDER BY A", "SELECT A FROM T GROUP BY A HAVING COUNT(*) > 1\r\nORDER BY A\r\nROWS 3"},
    {"order_inserted_after_group", S::Order, "SELECT A FROM T GROUP BY A", "ORDER BY A",
     "SELECT A FROM T GROUP BY A\r\nORDER BY A\r\n"},
    {"order_inserted_after_from", S::Order, "SELECT A FROM T FOR UPDATE", "ORDER BY A",
     "SELECT A FROM T\r\nORDER BY A\r\nFOR UPDATE"},
    {"order_inserted_after_select", S::Order, "SELECT 1", "ORDER BY 1", "SELECT 1\r\nORDER BY 1\r\n"},
    {"order_inserted_at_start", S::Order, "", "ORDER BY 1", "\r\nORDER BY 1\r\n"},
    {"order_inserted_before_rows_after_where", S::Order, "SELECT A FROM T WHERE B = 1 ROWS 5", "ORDER BY A",
     "SELECT A FROM T WHERE B = 1\r\nORDER BY A\r\nROWS 5"},
    {"order_replaced", S::Order, kFieldSQL, "ORDER BY RDB$FIELD_POSITION ASC",
     kFieldSQL.substr(0, kFieldSQL.find("\r\nORDER")) + "\r\nORDER BY RDB$FIELD_POSITION ASC\r\n"},
    {"select_replaced", S::Select, "SELECT A FROM T", "SELECT B", "\r\nSELECT B\r\nFROM T"},
    {"from_replaced", S::From, "SELECT A FROM T WHERE B = 1", "FROM U", "SELECT A\r\nFROM U\r\nWHERE B = 1"},
    {"group_inserted_after_where", S::Group, "SELECT A FROM T WHERE B = 1 ORDER BY A", "GROUP BY A",
     "SELECT A FROM T WHERE B = 1\r\nGROUP BY A\r\nORDER BY A"},
    {"having_inserted_after_group", S::Having, "SELECT A FROM T GROUP BY A ORDER BY A", "HAVING COUNT(*) > 1",
     "SELECT A FROM T GROUP BY A\r\nHAVING COUNT(*) > 1\r\nORDER BY A"},
    {"plan_inserted_after_where", S::Plan, "SELECT A FROM T WHERE B = 1 ORDER BY A", "PLAN (T NATURAL)",
     "SELECT A FROM T WHERE B = 1\r\nPLAN (T NATURAL)\r\nORDER BY A"},
    {"union_inserted_after_from", S::Union, "SELECT A FROM T ORDER BY 1", "UNION SELECT B FROM U",
     "SELECT A FROM T\r\nUNION SELECT B FROM U\r\nORDER BY 1"},
    {"for_update_inserted_after_order", S::ForUpdate, "SELECT A FROM T ORDER BY A", "FOR UPDATE",
     "SELECT A FROM T ORDER BY A\r\nFOR UPDATE\r\n"},
    {"empty_clause_removes", S::Where, "SELECT A FROM T WHERE B = 1 ORDER BY A", "  ",
     "SELECT A FROM T\r\nORDER BY A"},
    {"empty_clause_on_absent_changes_nothing", S::Where, "SELECT A FROM T ORDER BY A\r\n", "",
     "SELECT A FROM T ORDER BY A\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Parse, ClauseReplacement, ::testing::ValuesIn(kReplaceCases),
                         [](const auto& info) { return info.param.name; });

TEST(ClauseReplacement, NamedSettersMatchSections)
{
    const std::string sql = "SELECT A FROM T WHERE B = 1 GROUP BY A HAVING C > 0 PLAN (T NATURAL) ORDER BY A";
    EXPECT_EQ(SetSQLSelect(sql, "SELECT X"), SetSQLClause(S::Select, sql, "SELECT X"));
    EXPECT_EQ(SetSQLFrom(sql, "FROM X"), SetSQLClause(S::From, sql, "FROM X"));
    EXPECT_EQ(SetSQLWhere(sql, "WHERE X"), SetSQLClause(S::Where, sql, "WHERE X"));
    EXPECT_EQ(SetSQLGroup(sql, "GROUP BY X"), SetSQLClause(S::Group, sql, "GROUP BY X"));
    EXPECT_EQ(SetSQLHaving(sql, "HAVING X"), SetSQLClause(S::Having, sql, "HAVING X"));
    EXPECT_EQ(SetSQLUnion(sql, "UNION SELECT 1 FROM U"), SetSQLClause(S::Union, sql, "UNION SELECT 1 FROM U"));
    EXPECT_EQ(SetSQLPlan(sql, "PLAN (X)"), SetSQLClause(S::Plan, sql, "PLAN (X)"));
    EXPECT_EQ(SetSQLOrder(sql, "ORDER BY X"), SetSQLClause(S::Order, sql, "ORDER BY X"));
    EXPECT_EQ(SetSQLForUpdate(sql, "FOR UPDATE"), SetSQLClause(S::ForUpdate, sql, "FOR UPDATE"));
    EXPECT_EQ(SetSQLHaving(sql, "HAVING X"), "SELECT A FROM T WHERE B = 1 GROUP BY A\r\nHAVING X\r\nPLAN (T NATURAL) ORDER BY A");
}

TEST(ClauseInsertionPoint, NearestEarlierClause)
{
    const std::string sql = "SELECT A FROM T WHERE B = 1 ROWS 5";
    EXPECT_EQ(SQLInsertionPoint(S::Select, sql), 0u);
    EXPECT_EQ(SQLInsertionPoint(S::Where, "SELECT A FROM T ORDER BY A"), std::string("SELECT A FROM T ").size());
    EXPECT_EQ(SQLInsertionPoint(S::Order, sql), sql.find("ROWS"));
    EXPECT_EQ(SQLInsertionPoint(S::Order, kFieldSQL), kFieldSQL.find("ORDER"));
    EXPECT_EQ(SQLInsertionPoint(S::Where, kFieldSQL), kFieldSQL.find("ORDER"));
    EXPECT_EQ(SQLInsertionPoint(S::Where, "UPDATE T SET A = 1"), 0u);
}

} // namespace
