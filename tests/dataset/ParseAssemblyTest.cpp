// The where and ordering steps of an assembly, put together from the text
// functions, against the exact server texts of the catalogue queries.
#include <gtest/gtest.h>

#include "dataset/IB_Parse.h"

using varnel::db::Trim;
using varnel::db::JoinLines;

namespace {

// What one assembly of a SELECT dataset feeds into the where and ordering
// steps.
struct AssemblyInput {
    IB_StringList sql;               // designed lines
    IB_StringList leading;           // LeadingWhereConditions
    IB_StringList masterConditions;  // DETAIL + "=?" + parameter name, link 0 first
    IB_StringList where;             // WhereConditions
    IB_StringList trailing;          // TrailingWhereConditions
    IB_StringList orderingItems;
    int orderingItemNo = 0;
};

// The where step and the ordering step as the dataset runs them: every list
// joined into the WHERE section, the section replaced when it changed, then
// the ORDER section rebuilt from the ordering text.
std::string AssembleWhereAndOrder(const AssemblyInput& in)
{
    std::string text = JoinLines(in.sql);
    const std::string designedWhere = GetSQLWhere(text).text;
    std::string w = designedWhere;
    w = ProcessSQLWhereStrings(in.leading, w, true);
    for (auto it = in.masterConditions.rbegin(); it != in.masterConditions.rend(); ++it)
        w = AddWhereClauseHigh(w, *it);
    w = ProcessSQLWhereStrings(in.where, w, false);
    w = ProcessSQLWhereStrings(in.trailing, w, false);
    if (Trim(w) != Trim(designedWhere))
        text = SetSQLWhere(text, w);

    OrderByRewrite order = RewriteOrderBy(OrderingText(in.orderingItems, in.orderingItemNo, text));
    if (!order.section.empty())
        text = SetSQLOrder(text, order.section);
    return text;
}

// Stands in for the marker conversion of the client layer, for the link
// markers only: "?NAME" followed by a delimiter becomes "? /* NAME */ ".
std::string ConvertLinkMarkers(std::string text)
{
    std::size_t p = 0;
    while ((p = text.find("?MLNK_", p)) != std::string::npos) {
        std::size_t e = p + 1;
        while (e < text.size() && static_cast<unsigned char>(text[e]) > ' ')
            ++e;
        const std::string name = text.substr(p + 1, e - p - 1);
        const std::string replacement = "? /* " + name + " */ ";
        text.replace(p, e - p, replacement);
        p += replacement.size();
    }
    return text;
}

const IB_StringList kTableSQL = {"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS",
                                 "WHERE RDB$VIEW_BLR IS NULL"};
const IB_StringList kTableItems = {"RDB$RELATION_NAME=RDB$RELATION_NAME ASC; RDB$RELATION_NAME DESC"};

const IB_StringList kFieldSQL = {
    "SELECT rf.RDB$RELATION_NAME",
    "     , rf.RDB$FIELD_NAME",
    "     , rf.RDB$NULL_FLAG",
    "     , rf.RDB$DESCRIPTION",
    "     , f.RDB$NULL_FLAG AS NULL_FLAG2",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , t.RDB$TYPE_NAME",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$RELATION_FIELDS rf",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE",
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE",
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
    "ORDER BY RDB$FIELD_POSITION",
};

const IB_StringList kParameterSQL = {
    "SELECT p.RDB$PARAMETER_NAME",
    "     , p.RDB$PARAMETER_TYPE",
    "     , p.RDB$DESCRIPTION",
    "     , p.RDB$PROCEDURE_NAME",
    "     , f.RDB$FIELD_TYPE",
    "     , f.RDB$FIELD_SUB_TYPE",
    "     , t.RDB$TYPE_NAME",
    "     , f.RDB$FIELD_LENGTH",
    "     , f.RDB$FIELD_PRECISION",
    "     , f.RDB$FIELD_SCALE",
    "FROM RDB$PROCEDURE_PARAMETERS p",
    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE",
    "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE",
    "AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
    "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER",
};

// The designed lines up to and including the one that ends the FROM clause.
IB_StringList Head(const IB_StringList& sql, std::size_t count)
{
    return IB_StringList(sql.begin(), sql.begin() + static_cast<std::ptrdiff_t>(count));
}

IB_StringList Concat(IB_StringList a, const IB_StringList& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct AssemblyCase {
    std::string name;
    AssemblyInput input;
    IB_StringList serverLines; // each followed by CR LF
};

class Assembly : public ::testing::TestWithParam<AssemblyCase> {};

TEST_P(Assembly, GivesExactServerText)
{
    const AssemblyCase& c = GetParam();
    EXPECT_EQ(ConvertLinkMarkers(AssembleWhereAndOrder(c.input)), JoinLines(c.serverLines));
}

const AssemblyCase kAssemblyCases[] = {
    {"table_list_without_system_data",
     {kTableSQL, {}, {}, {"RDB$SYSTEM_FLAG = 0"}, {}, kTableItems, 1},
     {"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
      "  AND RDB$SYSTEM_FLAG = 0", "ORDER BY RDB$RELATION_NAME ASC"}},
    {"table_list_with_system_data",
     {kTableSQL, {}, {}, {}, {}, kTableItems, 1},
     {"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
      "ORDER BY RDB$RELATION_NAME ASC"}},
    {"table_list_descending",
     {kTableSQL, {}, {}, {"RDB$SYSTEM_FLAG = 0"}, {}, kTableItems, -1},
     {"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL",
      "  AND RDB$SYSTEM_FLAG = 0", "ORDER BY RDB$RELATION_NAME DESC"}},
    {"procedure_list_descending",
     {{"SELECT RDB$PROCEDURE_NAME", "     , RDB$DESCRIPTION", "FROM RDB$PROCEDURES"},
      {}, {}, {}, {},
      {"RDB$PROCEDURE_NAME=RDB$PROCEDURE_NAME;RDB$PROCEDURE_NAME DESC"}, -1},
     {"SELECT RDB$PROCEDURE_NAME", "     , RDB$DESCRIPTION", "FROM RDB$PROCEDURES",
      "ORDER BY RDB$PROCEDURE_NAME DESC"}},
    // The WHERE goes after the FROM clause, which ends where ORDER begins.
    {"field_list_master_link",
     {kFieldSQL, {}, {"RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0"}, {}, {}, {}, 0},
     Concat(Head(kFieldSQL, 15),
            {"WHERE RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ", "ORDER BY RDB$FIELD_POSITION ASC"})},
    {"field_export_list_qualified_link",
     {kFieldSQL, {}, {"rf.RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0"}, {}, {}, {}, 0},
     Concat(Head(kFieldSQL, 15),
            {"WHERE rf.RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ ", "ORDER BY RDB$FIELD_POSITION ASC"})},
    {"parameter_list_master_link_and_condition",
     {kParameterSQL, {}, {"RDB$PROCEDURE_NAME=?MLNK_RDB$PROCEDURE_NAME_0"}, {"p.RDB$PACKAGE_NAME IS NULL"}, {}, {}, 0},
     Concat(Head(kParameterSQL, 14),
            {"WHERE RDB$PROCEDURE_NAME=? /* MLNK_RDB$PROCEDURE_NAME_0 */ ", "  AND p.RDB$PACKAGE_NAME IS NULL",
             "ORDER BY RDB$PARAMETER_TYPE ASC", "       , RDB$PARAMETER_NUMBER ASC"})},
    {"two_master_links_link_zero_first",
     {{"SELECT A FROM T", "WHERE C = 1"}, {}, {"A=?MLNK_A_0", "B=?MLNK_B_1"}, {}, {}, {}, 0},
     {"SELECT A FROM T", "WHERE A=? /* MLNK_A_0 */ ", "  AND B=? /* MLNK_B_1 */ ", "  AND C = 1"}},
    {"leading_conditions_reversed_before_links",
     {{"SELECT A FROM T"}, {"L1", "L2"}, {"A=?MLNK_A_0"}, {"W"}, {"Z"}, {}, 0},
     {"SELECT A FROM T", "WHERE A=? /* MLNK_A_0 */ ", "  AND L2", "  AND L1", "  AND W", "  AND Z"}},
    // No ordering text: no ORDER BY is sent, or the designed one unchanged.
    {"no_order_by_sends_none",
     {{"SELECT A", "FROM T"}, {}, {}, {}, {}, {}, 0}, {"SELECT A", "FROM T"}},
    {"item_beyond_count_keeps_designed_order",
     {{"SELECT A", "FROM T", "ORDER BY A"}, {}, {}, {}, {}, kTableItems, 3}, {"SELECT A", "FROM T", "ORDER BY A"}},
    {"designed_order_gets_directions",
     {{"SELECT A", "FROM T", "ORDER BY A DESC, B"}, {}, {}, {}, {}, {}, 0},
     {"SELECT A", "FROM T", "ORDER BY A DESC", "       , B ASC"}},
};

INSTANTIATE_TEST_SUITE_P(Parse, Assembly, ::testing::ValuesIn(kAssemblyCases),
                         [](const auto& info) { return info.param.name; });

// Before the marker conversion the link condition is the plain "=?NAME".
TEST(Assembly, LinkConditionBeforeMarkerConversion)
{
    AssemblyInput in{kFieldSQL, {}, {"RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0"}, {}, {}, {}, 0};
    EXPECT_EQ(AssembleWhereAndOrder(in),
              JoinLines(Concat(Head(kFieldSQL, 15), {"WHERE RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0",
                                                         "ORDER BY RDB$FIELD_POSITION ASC"})));
}

} // namespace
