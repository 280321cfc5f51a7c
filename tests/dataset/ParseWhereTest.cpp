// Joining search conditions into a WHERE clause and processing the
// where-condition lists.
#include <gtest/gtest.h>

#include "dataset/IB_Parse.h"

namespace {

struct JoinCase {
    std::string name;
    std::string where;
    std::string condition;
    std::string expected;
};

class JoinCondition : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinCondition, AddWhereClause)
{
    EXPECT_EQ(AddWhereClause(GetParam().where, GetParam().condition), GetParam().expected);
}

const JoinCase kJoinCases[] = {
    {"empty_where", "", "A = 1", "WHERE A = 1"},
    {"blank_where", " \r\n ", " A = 1 ", "WHERE A = 1"},
    {"empty_condition_changes_nothing", "WHERE A = 1 ", " \t", "WHERE A = 1 "},
    {"system_flag_joined", "WHERE RDB$VIEW_BLR IS NULL", "RDB$SYSTEM_FLAG = 0",
     "WHERE RDB$VIEW_BLR IS NULL\r\n  AND RDB$SYSTEM_FLAG = 0"},
    {"both_trimmed", "\r\n  WHERE A = 1\r\n", "\tB = 2 ", "WHERE A = 1\r\n  AND B = 2"},
    // "OR" anywhere, even inside a name, wraps the existing conditions.
    {"or_inside_name_wraps", "WHERE RDB$FORMAT = 2", "RDB$SYSTEM_FLAG = 0",
     " WHERE (\r\n      RDB$FORMAT = 2\r\n      )\r\n  AND RDB$SYSTEM_FLAG = 0"},
    {"lower_case_or_wraps", "WHERE a = 1 or b = 2", "C = 3",
     " WHERE (\r\n      a = 1 or b = 2\r\n      )\r\n  AND C = 3"},
    {"or_in_condition_wraps_rest_not_condition", "WHERE A = 1", "B = 1 OR C = 2",
     " WHERE (\r\n      A = 1\r\n      )\r\n  AND B = 1 OR C = 2"},
    {"line_comment_in_where_wraps", "WHERE A = 1 // note", "B = 2",
     " WHERE (\r\n      A = 1 // note\r\n      )\r\n  AND B = 2"},
    {"line_comment_in_condition_wraps", "WHERE A = 1", "B = 2 // note",
     " WHERE (\r\n      A = 1\r\n      )\r\n  AND B = 2 // note"},
    {"wrapped_where_wraps_again", " WHERE (\r\n      A = 1 OR B = 1\r\n      )\r\n  AND C = 1", "D = 1",
     " WHERE (\r\n      (\r\n      A = 1 OR B = 1\r\n      )\r\n  AND C = 1\r\n      )\r\n  AND D = 1"},
};

INSTANTIATE_TEST_SUITE_P(Parse, JoinCondition, ::testing::ValuesIn(kJoinCases),
                         [](const auto& info) { return info.param.name; });

class JoinConditionInFront : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinConditionInFront, AddWhereClauseHigh)
{
    EXPECT_EQ(AddWhereClauseHigh(GetParam().where, GetParam().condition), GetParam().expected);
}

const JoinCase kJoinHighCases[] = {
    {"empty_where", "", "RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0",
     "WHERE RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0"},
    {"empty_condition_changes_nothing", "WHERE A = 1", "", "WHERE A = 1"},
    {"condition_goes_first", "WHERE RDB$VIEW_BLR IS NULL", "rf.RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0",
     "WHERE rf.RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0\r\n  AND RDB$VIEW_BLR IS NULL"},
    {"rest_trimmed", "WHERE    A = 1 \r\n", " B = 2", "WHERE B = 2\r\n  AND A = 1"},
    {"or_in_rest_wraps_both", "WHERE RDB$FORMAT = 2", "A = 1",
     "WHERE ( A = 1 ) \r\n  AND  ( RDB$FORMAT = 2\r\n)"},
    {"or_in_condition_wraps_both", "WHERE A = 1", "(B = 1 OR C = 1)",
     "WHERE ( (B = 1 OR C = 1) ) \r\n  AND  ( A = 1\r\n)"},
    {"line_comment_wraps", "WHERE A = 1 // x", "B = 2", "WHERE ( B = 2 ) \r\n  AND  ( A = 1 // x\r\n)"},
};

INSTANTIATE_TEST_SUITE_P(Parse, JoinConditionInFront, ::testing::ValuesIn(kJoinHighCases),
                         [](const auto& info) { return info.param.name; });

// ------------------------------------------------------- condition lists

struct ListCase {
    std::string name;
    IB_StringList list;
    std::string where;
    bool inFront;
    std::string expected;
};

class ConditionList : public ::testing::TestWithParam<ListCase> {};

TEST_P(ConditionList, ProcessSQLWhereStrings)
{
    const ListCase& c = GetParam();
    EXPECT_EQ(ProcessSQLWhereStrings(c.list, c.where, c.inFront), c.expected);
}

const ListCase kListCases[] = {
    {"and_group", {"(", "A = 1", "B = 2", ")"}, "", false, "WHERE (A = 1 AND B = 2)"},
    {"or_group", {"(", "A = 1", "OR", "B = 2", ")"}, "", false, "WHERE (A = 1 OR B = 2)"},
    {"explicit_and_group", {"(", "A = 1", "AND", "B = 2", ")"}, "", false, "WHERE (A = 1 AND B = 2)"},
    {"lower_case_joiner", {"(", "A = 1", "or", "B = 2", ")"}, "", false, "WHERE (A = 1 OR B = 2)"},
    {"three_members_or_then_and", {"(", "A = 1", "OR", "B = 2", "C = 3", ")"}, "", false,
     "WHERE (A = 1 OR B = 2 AND C = 3)"},
    {"nested_groups", {"(", "(", "A = 1", "OR", "B = 2", ")", "C = 3", ")"}, "", false,
     "WHERE ((A = 1 OR B = 2) AND C = 3)"},
    {"group_after_member", {"(", "C = 3", "(", "A = 1", "OR", "B = 2", ")", ")"}, "", false,
     "WHERE (C = 3 AND (A = 1 OR B = 2))"},
    {"system_flag_appended", {"RDB$SYSTEM_FLAG = 0"}, "WHERE RDB$VIEW_BLR IS NULL", false,
     "WHERE RDB$VIEW_BLR IS NULL\r\n  AND RDB$SYSTEM_FLAG = 0"},
    {"top_level_entries_each_anded", {"A = 1", "B = 2"}, "WHERE X = 1", false,
     "WHERE X = 1\r\n  AND A = 1\r\n  AND B = 2"},
    {"in_front_reverses_order", {"A = 1", "B = 2"}, "WHERE X = 1", true,
     "WHERE B = 2\r\n  AND A = 1\r\n  AND X = 1"},
    {"group_then_condition", {"(", "A = 1", "OR", "B = 2", ")", "C = 3"}, "", false,
     " WHERE (\r\n      (A = 1 OR B = 2)\r\n      )\r\n  AND C = 3"},
    {"entries_trimmed_blanks_ignored", {"", "  (", " ", "\tA = 1 ", ") "}, "", false, "WHERE (A = 1)"},
    {"empty_list_keeps_where", {}, "  WHERE A = 1", false, "  WHERE A = 1"},
};

INSTANTIATE_TEST_SUITE_P(Parse, ConditionList, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return info.param.name; });

struct BadListCase {
    std::string name;
    IB_StringList list;
};

class UnbalancedConditionList : public ::testing::TestWithParam<BadListCase> {};

TEST_P(UnbalancedConditionList, RaisesWithListText)
{
    const IB_StringList& list = GetParam().list;
    std::string text;
    for (const auto& line : list)
        text += line + "\r\n";
    for (bool inFront : {false, true}) {
        try {
            ProcessSQLWhereStrings(list, "WHERE X = 1", inFront);
            ADD_FAILURE() << "no exception";
        } catch (const varnel::db::EIB_Error& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid syntax: extra or missing parenthesis:\r\n" + text);
        }
    }
}

const BadListCase kBadLists[] = {
    {"missing_close", {"(", "A = 1"}},
    {"extra_close", {"A = 1", ")"}},
    {"close_before_open", {")", "A = 1", "("}},
    {"one_of_two_groups_open", {"(", "A = 1", ")", "(", "(", "B = 2", ")"}},
};

INSTANTIATE_TEST_SUITE_P(Parse, UnbalancedConditionList, ::testing::ValuesIn(kBadLists),
                         [](const auto& info) { return info.param.name; });

TEST(UnbalancedConditionList, IsAStdRuntimeError)
{
    EXPECT_THROW(ProcessSQLWhereStrings({"("}, "", false), std::runtime_error);
}

} // namespace
