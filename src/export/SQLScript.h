#pragma once
// Pieces of the SQL description scripts: the banner, the date and the
// statement that carries one description.
//
// On a database of on-disk structure 12 or more (Firebird 3 and later,
// whose system tables refuse UPDATE) the statements are COMMENT ON with
// double-quoted names (bare names on a dialect 1 database); on older
// structures they are UPDATEs of the system tables. Apostrophes in a
// description or a name are doubled in either form, never dropped.
#include <ctime>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

enum class TDescribedObject { Table, View, Procedure };

// A description that a script cannot carry.
class EScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The longest description a COMMENT ON statement carries: Firebird refuses
// a string literal of more than 65535 bytes (doubled apostrophes count
// once).
constexpr std::size_t MaxCommentLiteral = 65535;

// Which statements a script holds.
struct TScriptForm {
    bool CommentOn = true; // COMMENT ON ... IS; false: UPDATE RDB$...
    int SQLDialect = 3;    // 1: names unquoted in COMMENT ON

    // The form for a database of this on-disk structure major version and
    // SQL dialect.
    static TScriptForm For(int OdsMajor, int SQLDialect);
};

// The nine banner lines (without line ends), each 75 characters wide
// except a third line whose path is longer than 69 characters (written
// whole). Lines 7 and 8 name COMMENT ON support for OdsMajor >= 12.
std::vector<std::string> ScriptBannerLines(const std::string& Path, const std::string& Date,
                                           int OdsMajor);

// "%4d/%02d/%02d".
std::string FormatScriptDate(int Year, int Month, int Day);
// The script's date: the UTC date of SourceDateEpoch when it is a decimal
// count of seconds (SOURCE_DATE_EPOCH), else the local date of Now.
std::string ScriptDate(const char* SourceDateEpoch, std::time_t Now);
// The same with the environment's SOURCE_DATE_EPOCH and the current time.
std::string ScriptDate();

// 'Text' with every apostrophe doubled.
std::string QuoteSQLString(std::string_view Text);
// "Name" with every double quote doubled; Name unchanged on dialect 1.
std::string QuoteSQLIdentifier(std::string_view Name, int SQLDialect);

// The statement that sets the description of a table, view or procedure
// Name (trimmed as read from the catalogue), without line end.
std::string ObjectDescriptionStatement(const TScriptForm& Form, TDescribedObject Kind,
                                       const std::string& Name, const std::string& Description);
// The statement for a member: a column of table or view Owner, or a
// parameter of procedure Owner.
std::string MemberDescriptionStatement(const TScriptForm& Form, TDescribedObject Kind,
                                       const std::string& Owner, const std::string& Member,
                                       const std::string& Description);

// One described member of an object block.
struct TDescribedMember {
    std::string Owner;  // the relation or procedure name of the detail row
    std::string Name;   // field or parameter name
    std::optional<std::string> Description; // null: no statement
};

// A whole object block, lines separated by LF: the object statement when
// its description is not null, one statement per member with a
// description, then "COMMIT;", a line end and an empty line. In the
// COMMENT ON form a description longer than MaxCommentLiteral bytes raises
// EScriptError naming the object or member and the length, since the
// statement could never be run; in either form so does a description
// holding a NUL character (isql reads a script only up to its first NUL).
std::string DescriptionBlockText(const TScriptForm& Form, TDescribedObject Kind,
                                 const std::string& Name,
                                 const std::optional<std::string>& Description,
                                 const std::vector<TDescribedMember>& Members);
