// The calculated type columns: FIELD_TYPE, MANDATORY and INOUT.
#include "catalogue/TypeText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct TypeCase {
    const char* name;
    TColumnTypeInfo info;
    std::string expected;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class FieldType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FieldType, RendersDdlText)
{
    EXPECT_EQ(FieldTypeText(GetParam().info), GetParam().expected);
}

// FieldType, SubType, Length, Precision, Scale, TypeName
INSTANTIATE_TEST_SUITE_P(
    Types, FieldType,
    ::testing::Values(
        TypeCase{"smallint", {7, 0, 2, "", 0, "SHORT"}, "SMALLINT"},
        TypeCase{"smallintScaleIgnoredForSubType0", {7, 0, 2, "4", -2, "SHORT"}, "SMALLINT"},
        TypeCase{"smallintNumeric", {7, 1, 2, "4", -1, "SHORT"}, "NUMERIC(4,1)"},
        TypeCase{"smallintDecimal", {7, 2, 2, "4", -1, "SHORT"}, "DECIMAL(4,1)"},
        TypeCase{"integer", {8, 0, 4, "", 0, "LONG"}, "INTEGER"},
        TypeCase{"integerScaleIgnoredForSubType0", {8, 0, 4, "9", -3, "LONG"}, "INTEGER"},
        TypeCase{"type8OtherLengthTakesTypeName", {8, 0, 8, "", 0, "LONG"}, "LONG"},
        TypeCase{"type8OtherLengthWithoutTypeName", {8, 0, 2, "", 0, ""}, ""},
        TypeCase{"integerNumeric", {8, 1, 4, "9", -2, "LONG"}, "NUMERIC(9,2)"},
        TypeCase{"integerDecimal", {8, 2, 4, "9", -2, "LONG"}, "DECIMAL(9,2)"},
        TypeCase{"scaledTextIgnoresLength", {8, 1, 7, "9", -2, "LONG"}, "NUMERIC(9,2)"},
        TypeCase{"int64", {16, 0, 8, "", 0, "INT64"}, "INT64"},
        TypeCase{"int64ScaleIgnoredForSubType0", {16, 0, 8, "18", -4, "INT64"}, "INT64"},
        TypeCase{"numeric15_2", {16, 1, 8, "15", -2, "INT64"}, "NUMERIC(15,2)"},
        TypeCase{"decimal15_2", {16, 2, 8, "15", -2, "INT64"}, "DECIMAL(15,2)"},
        TypeCase{"undefinedSubTypeIsDecimal", {16, 3, 8, "15", -2, "INT64"}, "DECIMAL(15,2)"},
        TypeCase{"negativeSubTypeIsDecimal", {16, -1, 8, "15", -2, "INT64"}, "DECIMAL(15,2)"},
        TypeCase{"nullPrecision", {16, 1, 8, "", -2, "INT64"}, "NUMERIC(,2)"},
        TypeCase{"zeroScale", {8, 1, 4, "9", 0, "LONG"}, "NUMERIC(9,0)"},
        TypeCase{"smallestScaleDoesNotOverflow", {16, 1, 8, "18", INT_MIN, "INT64"},
                 "NUMERIC(18,2147483648)"},
        TypeCase{"char", {14, 0, 10, "", 0, "TEXT"}, "CHAR(10)"},
        TypeCase{"charAnySubType", {14, 4, 10, "", 0, "TEXT"}, "CHAR(10)"},
        TypeCase{"charByteLength", {14, 0, 40, "", 0, "TEXT"}, "CHAR(40)"},
        TypeCase{"varchar", {37, 0, 40, "", 0, "VARYING"}, "VARCHAR(40)"},
        TypeCase{"varcharFourByteCharsetShowsBytes", {37, 0, 40, "", 0, "VARYING"}, "VARCHAR(40)"},
        TypeCase{"varcharAnySubType", {37, 1, 8, "", 0, "VARYING"}, "VARCHAR(8)"},
        TypeCase{"float", {10, 0, 4, "", 0, "FLOAT"}, "FLOAT"},
        TypeCase{"date", {12, 0, 4, "", 0, "DATE"}, "DATE"},
        TypeCase{"time", {13, 0, 4, "", 0, "TIME"}, "TIME"},
        TypeCase{"double", {27, 0, 8, "", 0, "DOUBLE"}, "DOUBLE"},
        TypeCase{"timestamp", {35, 0, 8, "", 0, "TIMESTAMP"}, "TIMESTAMP"},
        TypeCase{"blobNameOnlyNoSubType", {261, 1, 8, "", 0, "BLOB"}, "BLOB"},
        TypeCase{"booleanTakesTypeName", {23, 0, 1, "", 0, "BOOLEAN"}, "BOOLEAN"},
        TypeCase{"otherCodeUnchangedName", {27, 0, 8, "", -2, "D_FLOAT"}, "D_FLOAT"},
        TypeCase{"code0TakesTypeName", {0, 0, 0, "", 0, "ODD"}, "ODD"},
        TypeCase{"missingDomainIsEmpty", {0, 0, 0, "", 0, ""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct MandatoryCase {
    const char* name;
    int nullFlag;
    int nullFlag2;
    std::string notNullText;
    bool mandatory;
    std::string expected;
};

void PrintTo(const MandatoryCase& c, std::ostream* os) { *os << c.name; }

class Mandatory : public ::testing::TestWithParam<MandatoryCase> {};

TEST_P(Mandatory, MarksNotNullFields)
{
    const auto& c = GetParam();
    EXPECT_EQ(IsMandatory(c.nullFlag, c.nullFlag2), c.mandatory);
    EXPECT_EQ(MandatoryText(c.nullFlag, c.nullFlag2, c.notNullText), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, Mandatory,
    ::testing::Values(
        MandatoryCase{"nullable", 0, 0, "X", false, ""},
        MandatoryCase{"columnFlag", 1, 0, "X", true, "X"},
        MandatoryCase{"domainFlagOnNullableColumn", 0, 1, "X", true, "X"},
        MandatoryCase{"bothFlags", 1, 1, "X", true, "X"},
        MandatoryCase{"flagAboveOne", 2, 0, "X", true, "X"},
        MandatoryCase{"negativeFlagsAreSignedNotMandatory", -1, -5, "X", false, ""},
        MandatoryCase{"negativeColumnPositiveDomain", -1, 1, "X", true, "X"},
        // The whole text; the VARCHAR(5) column cuts it when stored.
        MandatoryCase{"longTextReturnedWhole", 1, 0, "NOT NULL", true, "NOT NULL"},
        MandatoryCase{"emptyTextMarksNothing", 1, 1, "", true, ""},
        MandatoryCase{"nullableWithLongText", 0, 0, "NOT NULL", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TypeText, DeclaredWidths)
{
    EXPECT_EQ(FIELD_TYPE_WIDTH, 30);
    EXPECT_EQ(MANDATORY_WIDTH, 5);
    EXPECT_EQ(INOUT_WIDTH, 20);
}

TEST(TypeText, InOut)
{
    EXPECT_EQ(InOutText(0), "INPUT");
    EXPECT_EQ(InOutText(1), "OUTPUT");
    EXPECT_EQ(InOutText(2), "OUTPUT");
    EXPECT_EQ(InOutText(-1), "OUTPUT");
}

} // namespace
