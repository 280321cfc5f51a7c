// The rebuilt CREATE VIEW / CREATE PROCEDURE texts, byte for byte.
#include "catalogue/SourceText.h"

#include <gtest/gtest.h>

namespace {

using Params = std::vector<TProcedureParameterText>;
using Source = std::optional<std::string>;

struct ProcCase {
    const char* name;
    Params params;
    Source source;
    std::string expected;
};

void PrintTo(const ProcCase& c, std::ostream* os) { *os << c.name; }

class ProcedureSource : public ::testing::TestWithParam<ProcCase> {};

TEST_P(ProcedureSource, BuildsText)
{
    const auto& c = GetParam();
    EXPECT_EQ(BuildProcedureSourceText("P", c.params, c.source), c.expected);
}

const Params kExample = {{"A", "INTEGER", 0}, {"B", "VARCHAR(10)", 0}, {"R", "INTEGER", 1}};
const std::string kExampleHead =
    "CREATE PROCEDURE P\n(\n  A  INTEGER,\n  B  VARCHAR(10)\n)\nRETURNS\n(\n  R  INTEGER\n)\n";

INSTANTIATE_TEST_SUITE_P(
    Procedures, ProcedureSource,
    ::testing::Values(
        // A source stored with its leading line break follows "AS" directly.
        ProcCase{"exampleWithLeadingLineBreak", kExample, "\r\nBEGIN\r\n  SUSPEND;\r\nEND",
                 kExampleHead + "AS\r\nBEGIN\r\n  SUSPEND;\r\nEND"},
        ProcCase{"exampleLfSource", kExample, "\nBEGIN\n  SUSPEND;\nEND",
                 kExampleHead + "AS\nBEGIN\n  SUSPEND;\nEND"},
        // Firebird 3 stores the body without the white space after AS.
        ProcCase{"sourceWithoutLeadingSpaceGetsOneLf", kExample, "BEGIN\n  SUSPEND;\nEND",
                 kExampleHead + "AS\nBEGIN\n  SUSPEND;\nEND"},
        ProcCase{"sourceWithLeadingBlank", kExample, " BEGIN END", kExampleHead + "AS BEGIN END"},
        ProcCase{"sourceWithLeadingTab", kExample, "\tBEGIN END", kExampleHead + "AS\tBEGIN END"},
        ProcCase{"sourceWithLeadingCr", kExample, "\rBEGIN END", kExampleHead + "AS\rBEGIN END"},
        ProcCase{"nullSource", kExample, std::nullopt, kExampleHead + "AS"},
        ProcCase{"emptySource", kExample, "", kExampleHead + "AS"},
        ProcCase{"noParameters", {}, "\nBEGIN END", "CREATE PROCEDURE P\nAS\nBEGIN END"},
        ProcCase{"noParametersFirebird3Source", {}, "BEGIN END", "CREATE PROCEDURE P\nAS\nBEGIN END"},
        ProcCase{"onlyOutputs", {{"R", "INTEGER", 1}, {"S", "CHAR(3)", 1}}, "\nBEGIN END",
                 "CREATE PROCEDURE P\nRETURNS\n(\n  R  INTEGER,\n  S  CHAR(3)\n)\nAS\nBEGIN END"},
        ProcCase{"onlyInputs", {{"A", "INTEGER", 0}}, "\nBEGIN END",
                 "CREATE PROCEDURE P\n(\n  A  INTEGER\n)\nAS\nBEGIN END"},
        ProcCase{"otherParameterTypeSkipped", {{"A", "INTEGER", 0}, {"X", "DATE", 2}, {"R", "INTEGER", 1}},
                 std::nullopt, "CREATE PROCEDURE P\n(\n  A  INTEGER\n)\nRETURNS\n(\n  R  INTEGER\n)\nAS"},
        ProcCase{"onlySkippedParameters", {{"X", "DATE", 2}, {"Y", "DATE", -1}}, std::nullopt,
                 "CREATE PROCEDURE P\nAS"},
        ProcCase{"emptyTypeText", {{"A", "", 0}, {"B", "INTEGER", 0}}, std::nullopt,
                 "CREATE PROCEDURE P\n(\n  A  ,\n  B  INTEGER\n)\nAS"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ViewCase {
    const char* name;
    std::vector<std::string> fields;
    Source source;
    std::string expected;
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }

class ViewSource : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewSource, BuildsText)
{
    const auto& c = GetParam();
    EXPECT_EQ(BuildViewSourceText("V_ORDERS", c.fields, c.source), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Views, ViewSource,
    ::testing::Values(
        ViewCase{"columnsAndFirebird3Source", {"ID", "TOTAL"}, "SELECT ID, TOTAL FROM ORDERS",
                 "CREATE VIEW V_ORDERS\n(\n  ID,\n  TOTAL\n)\nAS\nSELECT ID, TOTAL FROM ORDERS"},
        ViewCase{"sourceWithLeadingBlank", {"ID"}, " SELECT ID FROM ORDERS",
                 "CREATE VIEW V_ORDERS\n(\n  ID\n)\nAS SELECT ID FROM ORDERS"},
        ViewCase{"sourceWithLeadingCrLfKeepsItsLineEnds", {"ID"}, "\r\nSELECT ID\r\nFROM ORDERS",
                 "CREATE VIEW V_ORDERS\n(\n  ID\n)\nAS\r\nSELECT ID\r\nFROM ORDERS"},
        ViewCase{"noColumnsKeepsOpenList", {}, "SELECT 1 FROM RDB$DATABASE",
                 "CREATE VIEW V_ORDERS\n(\nAS\nSELECT 1 FROM RDB$DATABASE"},
        ViewCase{"noColumnsNullSource", {}, std::nullopt, "CREATE VIEW V_ORDERS\n(\nAS"},
        ViewCase{"nullSource", {"ID"}, std::nullopt, "CREATE VIEW V_ORDERS\n(\n  ID\n)\nAS"},
        ViewCase{"emptySource", {"ID"}, "", "CREATE VIEW V_ORDERS\n(\n  ID\n)\nAS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceBuilders, FinishLeavesTheBuilderReusable)
{
    TProcedureSourceBuilder p("P");
    p.AddParameter("A", "INTEGER", 0);
    EXPECT_EQ(p.Finish(std::nullopt), "CREATE PROCEDURE P\n(\n  A  INTEGER\n)\nAS");
    p.AddParameter("R", "INTEGER", 1);
    EXPECT_EQ(p.Finish("BEGIN END"),
              "CREATE PROCEDURE P\n(\n  A  INTEGER\n)\nRETURNS\n(\n  R  INTEGER\n)\nAS\nBEGIN END");

    TViewSourceBuilder v("V");
    EXPECT_EQ(v.Finish(std::nullopt), "CREATE VIEW V\n(\nAS");
    v.AddColumn("A");
    EXPECT_EQ(v.Finish(std::nullopt), "CREATE VIEW V\n(\n  A\n)\nAS");
}

} // namespace
