// The declaration parser of calculated columns: the declarations come from
// settings files and the designer's lists.
// Input: the first byte picks the dialect (1 to 3), the rest is one
// declaration.
// Properties: a declaration parses or raises the declaration error and
// nothing else; a parsed one has a name, a known type with a positive
// length and a scale in [-precision, 0].
#include "FuzzSupport.h"
#include "dataset/IB_CalcFieldDecl.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int dialect = 1 + data[0] % 3;
    const std::string decl(fuzz::Text(data + 1, size - 1));
    TIB_CalcFieldDecl d;
    try {
        d = ParseCalcFieldDecl(decl, dialect);
    } catch (const EIB_CalcFieldDefError& e) {
        FUZZ_CHECK(std::string(e.what()).rfind("Invalid XSQLVAR Def string: ", 0) == 0, e.what());
        return 0;
    }
    FUZZ_CHECK(!d.name.empty(), decl);
    switch (d.sqlType) {
    case IB_SQLType::Text: case IB_SQLType::Varying: case IB_SQLType::Short: case IB_SQLType::Long:
    case IB_SQLType::Float: case IB_SQLType::Double: case IB_SQLType::Timestamp: case IB_SQLType::TypeTime:
    case IB_SQLType::TypeDate: case IB_SQLType::Int64: case IB_SQLType::Quad: case IB_SQLType::Blob:
        break;
    default:
        fuzz::Fail("unknown type code", decl);
    }
    FUZZ_CHECK(d.length > 0, decl);
    FUZZ_CHECK(d.scale <= 0, decl);
    // NUMERIC(p) without a scale takes scale 2 whatever p is.
    FUZZ_CHECK(d.precision == 0 || -d.scale <= (d.precision < 2 ? 2 : d.precision), decl);
    FUZZ_CHECK((d.xsqlType() & 1) == (d.nullable ? 1 : 0), decl);
    return 0;
}
