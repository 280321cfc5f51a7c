#pragma once
// The calculated type columns of the field and parameter queries, as pure
// functions of the row's values.
#include <string>

// Declared widths of the calculated columns (VARCHAR lengths). The
// functions below return their whole text; storing it in the column keeps
// at most this many characters.
constexpr int FIELD_TYPE_WIDTH = 30;
constexpr int MANDATORY_WIDTH = 5;
constexpr int INOUT_WIDTH = 20;

// The domain columns a type text is made of, as the row reads them: a null
// integer is 0, a null text is empty.
struct TColumnTypeInfo {
    int FieldType = 0;     // RDB$FIELD_TYPE
    int SubType = 0;       // RDB$FIELD_SUB_TYPE
    int Length = 0;        // RDB$FIELD_LENGTH, in bytes
    std::string Precision; // RDB$FIELD_PRECISION as text, empty when null
    int Scale = 0;         // RDB$FIELD_SCALE, 0 or negative
    std::string TypeName;  // RDB$TYPE_NAME (trimmed), empty when null
};

// FIELD_TYPE: the type as DDL text.
//   7 / 8 / 16 with sub type 0: "SMALLINT" / "INTEGER" (length 4, else the
//   type name) / "INT64", the scale ignored; with any other sub type the
//   scaled text "NUMERIC(" (sub type 1) or "DECIMAL(" + precision + "," +
//   the negated scale + ")". 14: "CHAR(L)", 37: "VARCHAR(L)" with L the byte
//   length. Every other code, 0 included, gives the type name unchanged.
std::string FieldTypeText(const TColumnTypeInfo& Info);

// True when RDB$NULL_FLAG or NULL_FLAG2 (the domain's flag) is greater
// than 0; null reads as 0.
bool IsMandatory(int NullFlag, int NullFlag2);

// MANDATORY: NotNullText (the setting [Tables] NotNullColumnText, as the
// edit holds it) for a mandatory field, else the empty text. The text is
// returned whole; the VARCHAR(5) column keeps its first MANDATORY_WIDTH
// characters.
std::string MandatoryText(int NullFlag, int NullFlag2, const std::string& NotNullText);

// INOUT: "INPUT" for parameter type 0, "OUTPUT" for any other value.
std::string InOutText(int ParameterType);
