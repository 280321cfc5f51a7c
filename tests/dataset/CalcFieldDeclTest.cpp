// Declarations of calculated columns: names, types and nullability.
#include <gtest/gtest.h>

#include "dataset/IB_CalcFieldDecl.h"

namespace {

namespace T = IB_SQLType;

struct DeclCase {
    std::string name;
    std::string declaration;
    int dialect;
    std::string relation;
    std::string column;
    short sqlType;
    short length;
    short scale;
    short subType;
    bool nullable;
};

class CalcFieldDecl : public ::testing::TestWithParam<DeclCase> {};

TEST_P(CalcFieldDecl, Parses)
{
    const DeclCase& c = GetParam();
    TIB_CalcFieldDecl d = ParseCalcFieldDecl(c.declaration, c.dialect);
    EXPECT_EQ(d.relation, c.relation);
    EXPECT_EQ(d.name, c.column);
    EXPECT_EQ(d.sqlType, c.sqlType);
    EXPECT_EQ(d.length, c.length);
    EXPECT_EQ(d.scale, c.scale);
    EXPECT_EQ(d.subType, c.subType);
    EXPECT_EQ(d.nullable, c.nullable);
    EXPECT_EQ(d.xsqlType(), c.sqlType + (c.nullable ? 1 : 0));
}

const DeclCase kDeclCases[] = {
    // The catalogue's own declarations, in both forms.
    {"field_type_equals", "FIELD_TYPE=VARCHAR(30)", 3, "", "FIELD_TYPE", T::Varying, 30, 0, 0, true},
    {"field_type_blank", "FIELD_TYPE VARCHAR(30)", 3, "", "FIELD_TYPE", T::Varying, 30, 0, 0, true},
    {"mandatory", "MANDATORY=VARCHAR(5)", 3, "", "MANDATORY", T::Varying, 5, 0, 0, true},
    {"inout", "INOUT=VARCHAR(20)", 1, "", "INOUT", T::Varying, 20, 0, 0, true},
    {"equals_with_blanks", "  X =  VARCHAR ( 12 )  ", 3, "", "X", T::Varying, 12, 0, 0, true},
    // Types.
    {"varchar_without_length", "X VARCHAR", 3, "", "X", T::Varying, 256, 0, 0, true},
    {"char_n", "X CHAR(10)", 3, "", "X", T::Text, 10, 0, 0, true},
    {"character_n", "X character(3)", 3, "", "X", T::Text, 3, 0, 0, true},
    {"char_without_length", "X CHAR", 3, "", "X", T::Text, 256, 0, 0, true},
    {"smallint", "X SMALLINT", 3, "", "X", T::Short, 2, 0, 0, true},
    {"integer", "X INTEGER", 3, "", "X", T::Long, 4, 0, 0, true},
    {"float", "X FLOAT", 3, "", "X", T::Float, 4, 0, 0, true},
    {"double_precision", "X DOUBLE  PRECISION", 3, "", "X", T::Double, 8, 0, 0, true},
    {"date_dialect3", "X DATE", 3, "", "X", T::TypeDate, 4, 0, 0, true},
    {"date_dialect1", "X DATE", 1, "", "X", T::Timestamp, 8, 0, 0, true},
    {"date_dialect2", "X DATE", 2, "", "X", T::Timestamp, 8, 0, 0, true},
    {"time", "X TIME", 3, "", "X", T::TypeTime, 4, 0, 0, true},
    {"timestamp", "X TIMESTAMP", 1, "", "X", T::Timestamp, 8, 0, 0, true},
    {"numeric_4_1_smallint", "X NUMERIC(4,1)", 3, "", "X", T::Short, 2, -1, 0, true},
    {"numeric_9_3_integer", "X NUMERIC(9,3)", 3, "", "X", T::Long, 4, -3, 0, true},
    {"numeric_15_2_dialect3_bigint", "X NUMERIC(15,2)", 3, "", "X", T::Int64, 8, -2, 0, true},
    {"numeric_15_2_dialect1_double", "X NUMERIC(15,2)", 1, "", "X", T::Double, 8, -2, 0, true},
    {"decimal_18_4", "X DECIMAL(18, 4)", 3, "", "X", T::Int64, 8, -4, 0, true},
    {"numeric_10_0_dialect2_double", "X NUMERIC(10,0)", 2, "", "X", T::Double, 8, 0, 0, true},
    {"numeric_without_scale", "X NUMERIC(5)", 3, "", "X", T::Long, 4, -2, 0, true},
    {"numeric_without_bracket", "X NUMERIC", 3, "", "X", T::Long, 4, -2, 0, true},
    {"decimal_without_bracket", "X DECIMAL NOT NULL", 1, "", "X", T::Long, 4, -2, 0, false},
    {"quad", "X QUAD", 3, "", "X", T::Quad, 8, 0, 0, true},
    {"memo", "X MEMO", 3, "", "X", T::Blob, 8, 0, 1, true},
    {"blob", "X BLOB", 3, "", "X", T::Blob, 8, 0, 0, true},
    {"bracket_after_other_type_ignored", "X FLOAT(10)", 3, "", "X", T::Float, 4, 0, 0, true},
    // NOT NULL.
    {"not_null", "X INTEGER NOT NULL", 3, "", "X", T::Long, 4, 0, 0, false},
    {"not_null_lower_case", "X varchar(5) not null", 3, "", "X", T::Varying, 5, 0, 0, false},
    {"double_precision_not_null", "X DOUBLE PRECISION NOT NULL", 3, "", "X", T::Double, 8, 0, 0, false},
    {"null_only", "X INTEGER NULL", 3, "", "X", T::Long, 4, 0, 0, true},
    {"not_only", "X INTEGER NOT", 3, "", "X", T::Long, 4, 0, 0, true},
    // Names.
    {"name_upper_cased", "field_type=varchar(30)", 3, "", "FIELD_TYPE", T::Varying, 30, 0, 0, true},
    {"quoted_name_keeps_case_dialect3", "\"MixedCase\" INTEGER", 3, "", "MixedCase", T::Long, 4, 0, 0, true},
    {"quoted_name_upper_cased_dialect1", "\"MixedCase\" INTEGER", 1, "", "MIXEDCASE", T::Long, 4, 0, 0, true},
    {"quoted_name_with_equals", "\"A=B\"=INTEGER", 3, "", "A=B", T::Long, 4, 0, 0, true},
    {"quoted_name_with_blank", "\"My Col\" INTEGER", 3, "", "My Col", T::Long, 4, 0, 0, true},
    {"quoted_name_with_doubled_quote", "\"A\"\"b\" INTEGER", 3, "", "A\"b", T::Long, 4, 0, 0, true},
    {"qualified_name", "rf.mandatory=VARCHAR(5)", 3, "RF", "MANDATORY", T::Varying, 5, 0, 0, true},
    {"qualified_quoted_name", "\"Rel\".\"Col\" SMALLINT", 3, "Rel", "Col", T::Short, 2, 0, 0, true},
    {"quoted_dot_is_no_qualifier", "\"A.B\" SMALLINT", 3, "", "A.B", T::Short, 2, 0, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Dataset, CalcFieldDecl, ::testing::ValuesIn(kDeclCases),
                         [](const auto& info) { return info.param.name; });

TEST(CalcFieldDecl, NumericPrecisionKept)
{
    EXPECT_EQ(ParseCalcFieldDecl("X NUMERIC(15,2)", 3).precision, 15);
    EXPECT_EQ(ParseCalcFieldDecl("X NUMERIC", 3).precision, 0);
    EXPECT_EQ(ParseCalcFieldDecl("X INTEGER", 3).precision, 0);
}

struct BadDeclCase {
    std::string name;
    std::string declaration;
};

class InvalidCalcFieldDecl : public ::testing::TestWithParam<BadDeclCase> {};

TEST_P(InvalidCalcFieldDecl, RaisesWithDeclaration)
{
    const std::string& decl = GetParam().declaration;
    try {
        ParseCalcFieldDecl(decl, 3);
        ADD_FAILURE() << "no exception for " << decl;
    } catch (const EIB_CalcFieldDefError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid XSQLVAR Def string: " + decl);
    }
}

const BadDeclCase kBadDecls[] = {
    {"char_varying", "X CHAR VARYING(10)"},
    {"character_varying", "X CHARACTER VARYING"},
    {"double_without_precision", "X DOUBLE"},
    {"double_not_null", "X DOUBLE NOT NULL"},
    {"bigint_unknown", "X BIGINT"},
    {"int_unknown", "X INT"},
    {"boolean_unknown", "X=BOOLEAN"},
    {"no_type", "FIELD_TYPE"},
    {"no_type_after_equals", "FIELD_TYPE="},
    {"empty", ""},
    {"length_not_a_number", "X VARCHAR(abc)"},
    {"length_zero", "X VARCHAR(0)"},
    {"length_too_large", "X VARCHAR(40000)"},
    {"two_numbers_for_varchar", "X VARCHAR(10,2)"},
    {"bracket_not_closed", "X VARCHAR(30"},
    {"empty_bracket", "X CHAR()"},
    {"scale_above_precision", "X NUMERIC(5,6)"},
    {"three_numbers", "X NUMERIC(1,2,3)"},
    {"precision_zero", "X NUMERIC(0)"},
    {"empty_relation", ".X INTEGER"},
    {"empty_column", "R. INTEGER"},
    {"empty_quoted_name", "\"\" MEMO"},
    {"empty_quoted_column", "R.\"\" INTEGER"},
    {"empty_quoted_relation", "\"\".X INTEGER"},
};

INSTANTIATE_TEST_SUITE_P(Dataset, InvalidCalcFieldDecl, ::testing::ValuesIn(kBadDecls),
                         [](const auto& info) { return info.param.name; });

} // namespace
