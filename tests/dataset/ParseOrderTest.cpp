// Ordering items, ordering links and the ORDER BY rewrite.
#include <climits>

#include <gtest/gtest.h>

#include "dataset/IB_Parse.h"

using varnel::db::getLitSafePos;

namespace {

const IB_StringList kTableItems = {"RDB$RELATION_NAME=RDB$RELATION_NAME ASC; RDB$RELATION_NAME DESC"};
const IB_StringList kProcedureItems = {"RDB$PROCEDURE_NAME=RDB$PROCEDURE_NAME;RDB$PROCEDURE_NAME DESC"};

struct ItemCase {
    std::string name;
    IB_StringList items;
    int itemNo;
    std::string expected;
};

class OrderingItem : public ::testing::TestWithParam<ItemCase> {};

TEST_P(OrderingItem, GetOrderingSQL)
{
    EXPECT_EQ(GetOrderingSQL(GetParam().items, GetParam().itemNo), GetParam().expected);
}

const ItemCase kItemCases[] = {
    {"table_ascending", kTableItems, 1, "RDB$RELATION_NAME ASC"},
    {"table_descending", kTableItems, -1, "RDB$RELATION_NAME DESC"},
    {"procedure_ascending", kProcedureItems, 1, "RDB$PROCEDURE_NAME"},
    {"procedure_descending", kProcedureItems, -1, "RDB$PROCEDURE_NAME DESC"},
    {"zero_is_none", kTableItems, 0, ""},
    {"beyond_items", kTableItems, 2, ""},
    {"negative_beyond_items", kTableItems, -2, ""},
    {"most_negative_number", kTableItems, INT_MIN, ""},
    {"negative_without_descending_part", {"A=A"}, -1, ""},
    {"ascending_without_descending_part", {"A=A"}, 1, "A"},
    {"second_item_ascending", {"A=A;A DESC", "B=B, C;B DESC, C DESC"}, 2, "B, C"},
    {"second_item_descending", {"A=A;A DESC", "B=B, C;B DESC, C DESC"}, -2, "B DESC, C DESC"},
    {"semicolon_in_quoted_identifier", {"X=\"A;B\" ASC;\"A;B\" DESC"}, -1, "\"A;B\" DESC"},
    {"equals_in_quoted_name", {"\"N=1\"=\"N=1\";\"N=1\" DESC"}, 1, "\"N=1\""},
    {"line_without_value", {"RDB$RELATION_NAME"}, 1, ""},
};

INSTANTIATE_TEST_SUITE_P(Parse, OrderingItem, ::testing::ValuesIn(kItemCases),
                         [](const auto& info) { return info.param.name; });

TEST(OrderingText, ItemOrDesignedOrderWithoutKeywords)
{
    const std::string sql = "SELECT A FROM T\r\norder  by\r\n  A, B DESC\r\n";
    EXPECT_EQ(OrderingText(kTableItems, 0, sql), "A, B DESC");
    EXPECT_EQ(OrderingText(kTableItems, -1, sql), "RDB$RELATION_NAME DESC");
    EXPECT_EQ(OrderingText(kTableItems, 5, sql), "");
    EXPECT_EQ(OrderingText({}, 0, "SELECT A FROM T"), "");
    EXPECT_EQ(StripOrderByKeywords("ORDER BY RDB$FIELD_POSITION"), "RDB$FIELD_POSITION");
    EXPECT_EQ(StripOrderByKeywords(""), "");
}

TEST(OrderingLinks, ItemNumbersAndColumn)
{
    EXPECT_EQ(OrderingLinkItemNo("1"), 1);
    EXPECT_EQ(OrderingLinkItemNo(" 12 "), 12);
    EXPECT_EQ(OrderingLinkItemNo("ITEM=2"), 2);
    EXPECT_EQ(OrderingLinkItemNo("POS=0;item=3"), 3);
    EXPECT_EQ(OrderingLinkItemNo("POS=0"), -1);
    EXPECT_EQ(OrderingLinkItemNo("X"), -1);
    EXPECT_EQ(OrderingLinkItemNo(""), -1);

    const IB_StringList links = {"RDB$RELATION_NAME=1", "T.OTHER=ITEM=2;POS=1"};
    EXPECT_EQ(OrderingLinkColumn(links, 1), "RDB$RELATION_NAME");
    EXPECT_EQ(OrderingLinkColumn(links, -1), "RDB$RELATION_NAME");
    EXPECT_EQ(OrderingLinkColumn(links, -2), "T.OTHER");
    EXPECT_EQ(OrderingLinkColumn(links, 3), std::nullopt);
    EXPECT_EQ(OrderingLinkColumn(links, 0), std::nullopt);
}

TEST(LiteralSafePosition, OutsideDoubleQuotesOneBased)
{
    EXPECT_EQ(getLitSafePos(';', "A;B"), 2);
    EXPECT_EQ(getLitSafePos(';', "\"A;B\";C"), 6);
    EXPECT_EQ(getLitSafePos(';', "A;B;C", 3), 4);
    EXPECT_EQ(getLitSafePos(';', "A;B;C", 2), 2);
    EXPECT_EQ(getLitSafePos(';', "\"A;B\""), 0);
    EXPECT_EQ(getLitSafePos('=', "ABC"), 0);
}

// ------------------------------------------------------------ ORDER BY

struct RewriteCase {
    std::string name;
    std::string o;
    IB_StringList columnAttributes;
    std::string section;
    std::vector<std::string> columns;
};

class OrderByRewriteTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(OrderByRewriteTest, SectionAndOrderingColumns)
{
    const RewriteCase& c = GetParam();
    OrderByRewrite r = RewriteOrderBy(c.o, NocaseFromColumnAttributes(c.columnAttributes));
    EXPECT_EQ(r.section, c.section);
    EXPECT_EQ(r.orderingColumns, c.columns);
}

const std::string kSep = "\r\n       , ";

const RewriteCase kRewriteCases[] = {
    {"field_position_gets_asc", "RDB$FIELD_POSITION", {}, "ORDER BY RDB$FIELD_POSITION ASC",
     {"RDB$FIELD_POSITION=ASC"}},
    {"parameter_order_two_columns", "RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER", {},
     "ORDER BY RDB$PARAMETER_TYPE ASC" + kSep + "RDB$PARAMETER_NUMBER ASC",
     {"RDB$PARAMETER_TYPE=ASC", "RDB$PARAMETER_NUMBER=ASC"}},
    {"explicit_asc_kept_once", "RDB$RELATION_NAME ASC", {}, "ORDER BY RDB$RELATION_NAME ASC",
     {"RDB$RELATION_NAME=ASC"}},
    {"descending", "RDB$RELATION_NAME DESC", {}, "ORDER BY RDB$RELATION_NAME DESC", {"RDB$RELATION_NAME=DESC"}},
    {"lower_case_direction", "name desc", {}, "ORDER BY name DESC", {"name=DESC"}},
    {"mixed_directions", "A DESC,B,C ASC", {}, "ORDER BY A DESC" + kSep + "B ASC" + kSep + "C ASC",
     {"A=DESC", "B=ASC", "C=ASC"}},
    {"nulls_last", "A DESC NULLS LAST", {}, "ORDER BY A DESC NULLS LAST", {"A=DESC"}},
    {"nulls_first_without_direction", "A nulls first", {}, "ORDER BY A ASC NULLS FIRST", {"A=ASC"}},
    {"nulls_without_position", "A NULLS", {}, "ORDER BY A ASC", {"A=ASC"}},
    {"control_characters_become_blanks", "A\r\n, B\tDESC", {}, "ORDER BY A ASC" + kSep + "B DESC",
     {"A=ASC", "B=DESC"}},
    {"trailing_semicolons_removed", " A DESC ; ;\r\n", {}, "ORDER BY A DESC", {"A=DESC"}},
    {"comments_removed", "A /* first, really */, B // last, too\r\n", {}, "ORDER BY A ASC" + kSep + "B ASC",
     {"A=ASC", "B=ASC"}},
    {"qualified_column", "t.RDB$FIELD_NAME DESC", {}, "ORDER BY t.RDB$FIELD_NAME DESC", {"t.RDB$FIELD_NAME=DESC"}},
    {"position_number", "2 DESC", {}, "ORDER BY 2 DESC", {"2=DESC"}},
    // A column whose name starts with DESC or ASC keeps its name.
    {"columns_starting_with_direction_words", "DESCRIPTION, ASCII_CODE DESC, X.DESC_NO", {},
     "ORDER BY DESCRIPTION ASC" + kSep + "ASCII_CODE DESC" + kSep + "X.DESC_NO ASC",
     {"DESCRIPTION=ASC", "ASCII_CODE=DESC", "X.DESC_NO=ASC"}},
    // Commas and direction words inside brackets or quotes belong to the column.
    {"function_with_comma", "COALESCE(A, B) DESC, C", {}, "ORDER BY COALESCE(A, B) DESC" + kSep + "C ASC",
     {"COALESCE(A, B)=DESC", "C=ASC"}},
    {"quoted_identifier_with_comma_and_desc", "\"A, DESC\" DESC", {}, "ORDER BY \"A, DESC\" DESC",
     {"\"A, DESC\"=DESC"}},
    {"literal_with_comma", "COALESCE(A, 'x, y')", {}, "ORDER BY COALESCE(A, 'x, y') ASC",
     {"COALESCE(A, 'x, y')=ASC"}},
    {"blank_parts_skipped", "A,,B, ", {}, "ORDER BY A ASC" + kSep + "B ASC", {"A=ASC", "B=ASC"}},
    {"empty", "", {}, "", {}},
    {"only_semicolons", " ; ;", {}, "", {}},
    {"only_blanks_and_controls", "\r\n\t ", {}, "", {}},
    {"only_comment", "/* nothing */", {}, "", {}},
    // NOCASE replaces the column by its parameter text.
    {"nocase_replaces_column", "NAME DESC", {"NAME=NOCASE=NAME_UPPER"}, "ORDER BY NAME_UPPER DESC",
     {"NAME_UPPER=DESC"}},
    {"nocase_among_attributes", "NAME", {"OTHER=NOCASE=X", "NAME=REQUIRED;nocase=UPPER(NAME)"},
     "ORDER BY UPPER(NAME) ASC", {"UPPER(NAME)=ASC"}},
    {"nocase_qualified_entry", "NAME", {"T.NAME=NOCASE=T.NAME_UP"}, "ORDER BY T.NAME_UP ASC", {"T.NAME_UP=ASC"}},
    {"nocase_without_parameter_keeps_column", "NAME", {"NAME=NOCASE"}, "ORDER BY NAME ASC", {"NAME=ASC"}},
    {"other_attribute_keeps_column", "NAME", {"NAME=REQUIRED"}, "ORDER BY NAME ASC", {"NAME=ASC"}},
};

INSTANTIATE_TEST_SUITE_P(Parse, OrderByRewriteTest, ::testing::ValuesIn(kRewriteCases),
                         [](const auto& info) { return info.param.name; });

TEST(OrderByRewriteCallback, CalledWithEachColumn)
{
    std::vector<std::string> asked;
    OrderByRewrite r = RewriteOrderBy("A, t.B DESC", [&](const std::string& column) -> std::optional<std::string> {
        asked.push_back(column);
        return std::nullopt;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"A", "t.B"}));
    EXPECT_EQ(r.section, "ORDER BY A ASC" + kSep + "t.B DESC");
    // Without a lookup nothing is replaced.
    EXPECT_EQ(RewriteOrderBy("A").section, "ORDER BY A ASC");
}

} // namespace
