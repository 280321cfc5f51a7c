// NAME=VALUE configuration lists: splitting, name matching, link parameters.
#include <gtest/gtest.h>

#include "dataset/IB_StringList.h"

using varnel::db::Trim;
using varnel::db::UpperCase;
using varnel::db::SplitLines;
using varnel::db::JoinLines;

namespace {

TEST(StringListText, TrimOnlyBlanksAndControls)
{
    EXPECT_EQ(Trim(" \t\r\n A B \x01\r\n"), "A B");
    EXPECT_EQ(Trim("\xA0X\xA0"), "\xA0X\xA0");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCase("rdb$é_x"), "RDB$é_X");
}

TEST(StringListText, LinesSplitAndJoined)
{
    EXPECT_EQ(SplitLines("A\r\nB\nC\rD"), (IB_StringList{"A", "B", "C", "D"}));
    EXPECT_EQ(SplitLines("A\r\n\r\nB\r\n"), (IB_StringList{"A", "", "B"}));
    EXPECT_EQ(SplitLines(""), IB_StringList{});
    EXPECT_EQ(JoinLines({"A", "", "B"}), "A\r\n\r\nB\r\n");
    EXPECT_EQ(JoinLines({}), "");
}

TEST(StringListText, NameValueSplitOutsideQuotes)
{
    IB_NameValue grid = SplitNameValue("RDB$FIELD_NAME=WIDTH=181");
    EXPECT_EQ(grid.name, "RDB$FIELD_NAME");
    EXPECT_EQ(grid.value, "WIDTH=181");
    EXPECT_TRUE(grid.hasValue);

    IB_NameValue quoted = SplitNameValue("\"A=B\"=C");
    EXPECT_EQ(quoted.name, "\"A=B\"");
    EXPECT_EQ(quoted.value, "C");

    IB_NameValue bare = SplitNameValue("RDB$PARAMETER_NAME");
    EXPECT_EQ(bare.name, "RDB$PARAMETER_NAME");
    EXPECT_EQ(bare.value, "");
    EXPECT_FALSE(bare.hasValue);

    IB_NameValue empty = SplitNameValue("X=");
    EXPECT_TRUE(empty.hasValue);
    EXPECT_EQ(empty.value, "");

    EXPECT_EQ(SplitQualifiedName("RDB$RELATIONS.RDB$RELATION_NAME"),
              (std::pair<std::string, std::string>{"RDB$RELATIONS", "RDB$RELATION_NAME"}));
    EXPECT_EQ(SplitQualifiedName("\"A.B\".C"), (std::pair<std::string, std::string>{"\"A.B\"", "C"}));
    EXPECT_EQ(SplitQualifiedName("\"A.B\""), (std::pair<std::string, std::string>{"", "\"A.B\""}));
    EXPECT_EQ(FindOutsideQuotes("\"a=b\"=c", '='), 5u);
    EXPECT_EQ(FindOutsideQuotes("a=b=c", '=', 2), 3u);
    EXPECT_EQ(FindOutsideQuotes("\"a=b\"", '='), std::string::npos);
}

struct MatchCase {
    std::string name;
    std::string a;
    std::string b;
    bool same;
};

class ColumnNameMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(ColumnNameMatch, BothWays)
{
    EXPECT_EQ(SameColumnName(GetParam().a, GetParam().b), GetParam().same);
    EXPECT_EQ(SameColumnName(GetParam().b, GetParam().a), GetParam().same);
}

const MatchCase kMatchCases[] = {
    {"equal", "RDB$FIELD_NAME", "RDB$FIELD_NAME", true},
    {"case_ignored", "rdb$field_name", "RDB$FIELD_NAME", true},
    {"qualified_matches_unqualified", "RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$FIELD_NAME", true},
    {"alias_matches_unqualified", "rf.rdb$relation_name", "RDB$RELATION_NAME", true},
    {"same_qualified", "RDB$RELATIONS.RDB$RELATION_NAME", "rdb$relations.rdb$relation_name", true},
    {"different_relations", "A.X", "B.X", false},
    {"different_columns", "RDB$FIELD_NAME", "RDB$FIELD_SOURCE", false},
    {"quotes_ignored", "\"RDB$FIELD_NAME\"", "RDB$FIELD_NAME", true},
    {"dot_inside_quotes_is_no_qualifier", "\"A.B\"", "B", false},
    {"blanks_ignored", " RDB$FIELD_NAME ", "RDB$FIELD_NAME", true},
    {"prefix_is_no_match", "RDB$FIELD", "RDB$FIELD_NAME", false},
};

INSTANTIATE_TEST_SUITE_P(StringList, ColumnNameMatch, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return info.param.name; });

TEST(StringListLookup, ExactEntryBeforeQualifierRule)
{
    const IB_StringList lines = {"A.X=1", "X=2"};
    EXPECT_EQ(IndexOfName(lines, "X"), 1u);
    EXPECT_EQ(IndexOfName(lines, "a.x"), 0u);
    EXPECT_EQ(IndexOfName(lines, "B.X"), 1u);
    EXPECT_EQ(IndexOfName({"A.X=1", "B.X=2"}, "X"), 0u);
    EXPECT_EQ(IndexOfName({"A.X=1"}, "B.X"), std::nullopt);
    EXPECT_EQ(IndexOfName({}, "X"), std::nullopt);
}

TEST(StringListLookup, CatalogueLists)
{
    const IB_StringList labels = {"RDB$FIELD_NAME=Field", "RDB$DESCRIPTION=Field description", "FIELD_TYPE=Type",
                                  "MANDATORY=NOT NULL"};
    EXPECT_EQ(ValueOfName(labels, "RDB$RELATION_FIELDS.RDB$FIELD_NAME"), "Field");
    EXPECT_EQ(ValueOfName(labels, "mandatory"), "NOT NULL");
    EXPECT_EQ(ValueOfName(labels, "RDB$NULL_FLAG"), std::nullopt);

    const IB_StringList keys = {"RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$RELATION_FIELDS.RDB$RELATION_NAME"};
    EXPECT_EQ(IndexOfName(keys, "RDB$RELATION_NAME"), 1u);
    EXPECT_EQ(ValueOfName(keys, "RDB$FIELD_NAME"), "");

    const IB_StringList visible = {"DB_KEY=FALSE", "RDB$DESCRIPTION=FALSE"};
    EXPECT_EQ(ValueOfName(visible, "RDB$RELATIONS.RDB$DESCRIPTION"), "FALSE");
}

TEST(StringListLookup, SetValueKeepsNameOrAppends)
{
    IB_StringList widths = {"RDB$RELATION_NAME=142", "RDB$DESCRIPTION=84"};
    SetValueOfName(widths, "RDB$RELATIONS.RDB$RELATION_NAME", "150");
    SetValueOfName(widths, "OTHER", "10");
    EXPECT_EQ(widths, (IB_StringList{"RDB$RELATION_NAME=150", "RDB$DESCRIPTION=84", "OTHER=10"}));
}

TEST(LinkParams, GridLinkWidthAndAlign)
{
    const IB_StringList gridLinks = {"RDB$FIELD_NAME=WIDTH=181", "FIELD_TYPE=WIDTH=103", "MANDATORY=WIDTH=63",
                                     "RDB$PARAMETER_NAME", "X=ALIGN=CENTER; width = 40"};
    EXPECT_EQ(LinkParam(*ValueOfName(gridLinks, "RDB$RELATION_FIELDS.RDB$FIELD_NAME"), "WIDTH"), "181");
    EXPECT_EQ(LinkParam(*ValueOfName(gridLinks, "MANDATORY"), "width"), "63");
    EXPECT_EQ(LinkParam(*ValueOfName(gridLinks, "RDB$PARAMETER_NAME"), "WIDTH"), std::nullopt);
    EXPECT_EQ(LinkParam(*ValueOfName(gridLinks, "X"), "ALIGN"), "CENTER");
    EXPECT_EQ(LinkParam(*ValueOfName(gridLinks, "X"), "WIDTH"), "40");
    EXPECT_EQ(LinkParam("NOCASE;REQUIRED", "NOCASE"), "");
    EXPECT_EQ(LinkParam("A=\"x;y\";B=2", "A"), "\"x;y\"");
    EXPECT_EQ(SplitLinkParams(" A=1 ;; B "), (IB_StringList{"A=1", "B"}));
}

TEST(LinkParams, SetParamReplacesOrAppends)
{
    EXPECT_EQ(SetLinkParam("WIDTH=181;ALIGN=CENTER", "width", "200"), "WIDTH=200;ALIGN=CENTER");
    EXPECT_EQ(SetLinkParam("ALIGN=CENTER", "WIDTH", "90"), "ALIGN=CENTER;WIDTH=90");
    EXPECT_EQ(SetLinkParam("", "WIDTH", "90"), "WIDTH=90");

    IB_StringList gridLinks = {"RDB$FIELD_NAME=WIDTH=181", "RDB$PARAMETER_NAME"};
    SetValueOfName(gridLinks, "RDB$FIELD_NAME",
                   SetLinkParam(*ValueOfName(gridLinks, "RDB$FIELD_NAME"), "WIDTH", "222"));
    SetValueOfName(gridLinks, "RDB$PARAMETER_NAME",
                   SetLinkParam(*ValueOfName(gridLinks, "RDB$PARAMETER_NAME"), "WIDTH", "50"));
    EXPECT_EQ(gridLinks, (IB_StringList{"RDB$FIELD_NAME=WIDTH=222", "RDB$PARAMETER_NAME=WIDTH=50"}));
}

} // namespace
