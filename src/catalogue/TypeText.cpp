#include "catalogue/TypeText.h"

namespace {

std::string ScaledText(const TColumnTypeInfo& Info)
{
    // Widened so that the negation of the smallest int cannot overflow.
    long long digits = -static_cast<long long>(Info.Scale);
    return (Info.SubType == 1 ? "NUMERIC(" : "DECIMAL(") + Info.Precision + "," +
           std::to_string(digits) + ")";
}

} // namespace

std::string FieldTypeText(const TColumnTypeInfo& Info)
{
    switch (Info.FieldType) {
    case 7:
        return Info.SubType == 0 ? "SMALLINT" : ScaledText(Info);
    case 8:
        if (Info.SubType != 0)
            return ScaledText(Info);
        return Info.Length == 4 ? "INTEGER" : Info.TypeName;
    case 16:
        return Info.SubType == 0 ? "INT64" : ScaledText(Info);
    case 14:
        return "CHAR(" + std::to_string(Info.Length) + ")";
    case 37:
        return "VARCHAR(" + std::to_string(Info.Length) + ")";
    default:
        return Info.TypeName;
    }
}

bool IsMandatory(int NullFlag, int NullFlag2)
{
    return NullFlag > 0 || NullFlag2 > 0;
}

std::string MandatoryText(int NullFlag, int NullFlag2, const std::string& NotNullText)
{
    return IsMandatory(NullFlag, NullFlag2) ? NotNullText : std::string();
}

std::string InOutText(int ParameterType)
{
    return ParameterType == 0 ? "INPUT" : "OUTPUT";
}
