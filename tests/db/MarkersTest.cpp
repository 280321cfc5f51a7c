// Marker conversion and the quote-safe search: the server text and the
// parameter names a statement is prepared with.
#include "db/IB_Markers.h"

#include <gtest/gtest.h>

using namespace varnel::db;

namespace {

struct MarkerCase {
    const char* name;
    std::string text;
    std::string server;
    TIB_StringList names;
    char paramChar = ':';
    bool paramCheck = true;
};

void PrintTo(const MarkerCase& c, std::ostream* os) { *os << c.name; }

class MakeServerSQLTest : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(MakeServerSQLTest, ConvertsMarkers)
{
    const MarkerCase& c = GetParam();
    TIB_ServerSQL s = MakeServerSQL(c.text, c.paramChar, c.paramCheck);
    EXPECT_EQ(s.Text, c.server);
    EXPECT_EQ(s.ParamNames, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, MakeServerSQLTest,
    ::testing::Values(
        MarkerCase{"named_colon", "UPDATE RDB$RELATIONS\r\nSET RDB$DESCRIPTION = :RDB$DESCRIPTION\r\n",
                   "UPDATE RDB$RELATIONS\r\nSET RDB$DESCRIPTION = ? /* RDB$DESCRIPTION */ \r\n",
                   {"RDB$DESCRIPTION"}},
        MarkerCase{"master_link_question", "WHERE RDB$RELATION_NAME=?MLNK_RDB$RELATION_NAME_0\r\n",
                   "WHERE RDB$RELATION_NAME=? /* MLNK_RDB$RELATION_NAME_0 */ \r\n",
                   {"MLNK_RDB$RELATION_NAME_0"}},
        MarkerCase{"nameless_markers_numbered", "SELECT * FROM T WHERE A = ? AND B = :X AND C = ?",
                   "SELECT * FROM T WHERE A = ? AND B = ? /* X */  AND C = ?", {"PRM_0", "X", "PRM_2"}},
        MarkerCase{"delimiters_end_names", "WHERE (A=:A)AND B<:B,C>:C;", "WHERE (A=? /* A */ )AND B<? /* B */ ,C>? /* C */ ;",
                   {"A", "B", "C"}},
        MarkerCase{"qualified_name", "WHERE X = :REL.FIELD", "WHERE X = ? /* REL.FIELD */ ", {"REL.FIELD"}},
        MarkerCase{"quoted_name_part", "WHERE X = :\"odd name\"", "WHERE X = ? /* \"odd name\" */ ", {"\"odd name\""}},
        MarkerCase{"literal_untouched", "SELECT '?:X' FROM T WHERE A = 'it''s :Y ?'", "SELECT '?:X' FROM T WHERE A = 'it''s :Y ?'", {}},
        MarkerCase{"quoted_identifier_untouched", "SELECT \"A:B?\" FROM T", "SELECT \"A:B?\" FROM T", {}},
        MarkerCase{"comments_untouched", "SELECT /* :X ? */ A -- :Y ?\r\nFROM T WHERE A = :Z",
                   "SELECT /* :X ? */ A -- :Y ?\r\nFROM T WHERE A = ? /* Z */ ", {"Z"}},
        MarkerCase{"operators_end_names", "SELECT :A+1, :B||'x', :C-2 FROM T",
                   "SELECT ? /* A */ +1, ? /* B */ ||'x', ? /* C */ -2 FROM T", {"A", "B", "C"}},
        MarkerCase{"param_check_off_keeps_colon", "SELECT A FROM T WHERE A = :X OR B = ?",
                   "SELECT A FROM T WHERE A = :X OR B = ?", {"PRM_0"}, ':', false},
        MarkerCase{"other_param_char", "WHERE A = #X AND B = :Y", "WHERE A = ? /* X */  AND B = :Y", {"X"}, '#'},
        MarkerCase{"unterminated_literal_copied", "SELECT 'open :X", "SELECT 'open :X", {}},
        MarkerCase{"comment_end_in_quoted_name", "WHERE A = :\"x*/ ? y\"", "WHERE A = ? /* \"x* / ? y\" */ ",
                   {"\"x*/ ? y\""}},
        MarkerCase{"comment_ends_in_quoted_name", "WHERE A = :\"*/*/\" AND B = ?",
                   "WHERE A = ? /* \"* /* /\" */  AND B = ?", {"\"*/*/\"", "PRM_1"}}),
    [](const ::testing::TestParamInfo<MarkerCase>& info) { return std::string(info.param.name); });

TEST(GetLitSafePos, SkipsDoubleQuotedIdentifiers)
{
    EXPECT_EQ(getLitSafePos('.', "REL.FIELD"), 4);
    EXPECT_EQ(getLitSafePos('.', "\"a.b\".FIELD"), 6);
    EXPECT_EQ(getLitSafePos('.', "\"a.b\""), 0);
    EXPECT_EQ(getLitSafePos('=', "A=B=C", 3), 4);
    EXPECT_EQ(getLitSafePos(';', "\"x;y\";z", 1), 6);
    EXPECT_EQ(getLitSafePos('.', ""), 0);
}

} // namespace
