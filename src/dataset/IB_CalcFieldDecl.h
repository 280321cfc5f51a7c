#pragma once
// Parser of the declarations in a statement's CalculatedFields list, one
// declaration per line: NAME, then the type, separated by white space or
// by "=" (the first "=" outside double quotes counts as a blank), e.g.
// "FIELD_TYPE=VARCHAR(30)" or "MANDATORY VARCHAR(5) NOT NULL".
// Pure text work; the statement turns the result into a column.
#include <stdexcept>
#include <string>

// The column type codes of the client API (XSQLVAR sqltype without the
// nullable bit). Kept here under own names so this header never clashes
// with the macros of ibase.h.
namespace IB_SQLType {
inline constexpr short Text = 452;      // SQL_TEXT
inline constexpr short Varying = 448;   // SQL_VARYING
inline constexpr short Short = 500;     // SQL_SHORT
inline constexpr short Long = 496;      // SQL_LONG
inline constexpr short Float = 482;     // SQL_FLOAT
inline constexpr short Double = 480;    // SQL_DOUBLE
inline constexpr short Timestamp = 510; // SQL_TIMESTAMP
inline constexpr short TypeTime = 560;  // SQL_TYPE_TIME
inline constexpr short TypeDate = 570;  // SQL_TYPE_DATE
inline constexpr short Int64 = 580;     // SQL_INT64
inline constexpr short Quad = 550;      // SQL_QUAD
inline constexpr short Blob = 520;      // SQL_BLOB
} // namespace IB_SQLType

// Raised for a declaration whose type word is unknown or whose bracket is
// malformed: "Invalid XSQLVAR Def string: " + the declaration. A plain
// exception (not a database error); the prepare that parses it fails.
class EIB_CalcFieldDefError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One parsed declaration.
struct TIB_CalcFieldDecl {
    std::string relation; // empty for an unqualified name
    std::string name;     // the column name the column is found under
    short sqlType = 0;    // an IB_SQLType code
    short length = 0;     // bytes (characters for CHAR/VARCHAR)
    short scale = 0;      // 0 or negative
    short subType = 0;    // blob sub type: 1 for MEMO, 0 otherwise
    short precision = 0;  // p of NUMERIC(p,s)/DECIMAL(p,s); 0 otherwise
    bool nullable = true;
    // sqltype as an XSQLVAR carries it: the code, plus 1 when nullable.
    short xsqlType() const { return static_cast<short>(sqlType | (nullable ? 1 : 0)); }
};

// Parses one declaration for a connection of the given SQL dialect (1, 2
// or 3).
// Name: qualified as RELATION.COLUMN at the first "." outside double
// quotes; in dialect 3 a double-quoted part keeps its case without the
// quotes (a doubled quote inside stands for one), every other part is
// upper-cased; in dialects 1 and 2 every part is upper-cased, quotes
// removed.
// Type word (case-insensitive) and result:
//   SMALLINT -> Short 2; INTEGER -> Long 4; FLOAT -> Float 4;
//   DOUBLE PRECISION -> Double 8; TIME -> TypeTime 4; TIMESTAMP -> Timestamp 8;
//   DATE -> TypeDate 4 in dialect 3, Timestamp 8 in dialects 1 and 2;
//   CHAR(n)/CHARACTER(n) -> Text n; VARCHAR(n) -> Varying n (256 without n);
//   NUMERIC(p[,s])/DECIMAL(p[,s]) -> p < 5 Short 2, p 5..9 Long 4, p >= 10
//     Int64 8 in dialect 3 and Double 8 in dialects 1 and 2; scale -s, or -2
//     without s; NUMERIC/DECIMAL without bracket -> Long 4 scale -2;
//   QUAD -> Quad 8; MEMO -> Blob 8 sub type 1; BLOB -> Blob 8 sub type 0.
// Nullable unless the text after the type word contains both "NOT " and
// " NULL" (ignoring case). A bracket after another type word is ignored.
// Raises EIB_CalcFieldDefError for an empty name, a missing or unknown type
// word (also CHAR/CHARACTER VARYING and DOUBLE without PRECISION), and a
// bracket that is not "(n)" / "(p)" / "(p,s)" with n, p >= 1 and 0 <= s <= p.
TIB_CalcFieldDecl ParseCalcFieldDecl(const std::string& declaration, int dialect);
