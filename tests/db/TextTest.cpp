// Identifier formatting and the NAME=VALUE lists the connection keeps.
#include "db/IB_Text.h"

#include <gtest/gtest.h>

using namespace varnel::db;

namespace {

struct IdentCase {
    const char* name;
    int dialect;
    std::string in;
    std::string out;
};
void PrintTo(const IdentCase& c, std::ostream* os) { *os << c.name; }

class FormatIdentifierTest : public ::testing::TestWithParam<IdentCase> {};

TEST_P(FormatIdentifierTest, Formats)
{
    EXPECT_EQ(FormatIdentifier(GetParam().dialect, GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, FormatIdentifierTest,
    ::testing::Values(IdentCase{"plain_upper", 3, "RDB$RELATION_NAME", "RDB$RELATION_NAME"},
                      IdentCase{"lower_case_quoted", 3, "lower", "\"lower\""},
                      IdentCase{"blank_quoted", 3, "with blank", "\"with blank\""},
                      IdentCase{"embedded_quote_doubled", 3, "say \"hi\"", "\"say \"\"hi\"\"\""},
                      IdentCase{"reserved_word_quoted", 3, "DATE", "\"DATE\""},
                      IdentCase{"leading_digit_quoted", 3, "1ST", "\"1ST\""},
                      IdentCase{"empty_dialect3", 3, "", "\"\""},
                      IdentCase{"dialect1_upper", 1, "lower", "LOWER"},
                      IdentCase{"dialect1_reserved_kept", 1, "DATE", "DATE"}),
    [](const ::testing::TestParamInfo<IdentCase>& info) { return std::string(info.param.name); });

TEST(NameValueList, LooksUpIgnoringCaseAndRemovesEmptyValues)
{
    TIB_StringList l = {"USER NAME=SYSDBA", "PATH=/x.fdb"};
    EXPECT_EQ(ValueOf(l, "user name"), "SYSDBA");
    SetValueOf(l, "path", "/y.fdb");
    EXPECT_EQ(l[1], "path=/y.fdb");
    SetValueOf(l, "User Name", "");
    EXPECT_EQ(l, TIB_StringList({"path=/y.fdb"}));
    SetValueOf(l, "ROLE NAME", "R");
    EXPECT_EQ(l.back(), "ROLE NAME=R");
}

TEST(Lines, JoinWithCrLfAfterEveryLineAndSplitAnyBreak)
{
    EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), TIB_StringList({"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), TIB_StringList({"a", ""}));
}

} // namespace
