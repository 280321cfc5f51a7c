// Splitting a rebuilt source into XML src lines.
#include "catalogue/SourceText.h"
#include "export/SourceLines.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string text;
    Lines lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SourceSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SourceSplit, SplitsAtEveryKindOfBreak)
{
    EXPECT_EQ(SplitSourceLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SourceSplit,
    ::testing::Values(
        SplitCase{"empty", "", {}},
        SplitCase{"oneLine", "AS", {"AS"}},
        SplitCase{"lf", "a\nb", {"a", "b"}},
        SplitCase{"crLf", "a\r\nb", {"a", "b"}},
        SplitCase{"loneCr", "a\rb", {"a", "b"}},
        SplitCase{"mixed", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        SplitCase{"finalLfNoEmptyLine", "a\nb\n", {"a", "b"}},
        SplitCase{"finalCrLfNoEmptyLine", "a\r\n", {"a"}},
        SplitCase{"finalCrNoEmptyLine", "a\r", {"a"}},
        SplitCase{"emptyLineInside", "a\n\nb", {"a", "", "b"}},
        SplitCase{"crThenCrLf", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"lfThenCr", "a\n\rb", {"a", "", "b"}},
        SplitCase{"emptyLastLineBeforeFinalBreak", "a\n\n", {"a", ""}},
        SplitCase{"onlyABreak", "\r\n", {""}},
        SplitCase{"leadingBreak", "\nb", {"", "b"}},
        SplitCase{"blanksKept", "  A  INTEGER,\n", {"  A  INTEGER,"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceSplit, BuiltProcedureSource)
{
    std::string text = BuildProcedureSourceText(
        "P", {{"A", "INTEGER", 0}, {"R", "INTEGER", 1}}, "\r\nBEGIN\r\n  IF (A < 1) THEN R = 0;\r\n\r\nEND\r\n");
    EXPECT_EQ(SplitSourceLines(text),
              (Lines{"CREATE PROCEDURE P", "(", "  A  INTEGER", ")", "RETURNS", "(", "  R  INTEGER", ")",
                     "AS", "BEGIN", "  IF (A < 1) THEN R = 0;", "", "END"}));
}

} // namespace
