#include "export/SQLScript.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// "/* " + Text padded with blanks to Width + " */".
std::string BoxLine(const std::string& Text, std::size_t Width = 69)
{
    std::string line = "/* " + Text;
    if (Text.size() < Width)
        line.append(Width - Text.size(), ' ');
    return line + " */";
}

std::string DoubleChar(std::string_view Text, char C)
{
    std::string out;
    out.reserve(Text.size() + 2);
    for (std::size_t i; (i = Text.find(C)) != std::string_view::npos; Text.remove_prefix(i + 1)) {
        out.append(Text.data(), i + 1);
        out += C;
    }
    out.append(Text.data(), Text.size());
    return out;
}

bool ParseEpoch(const char* Text, std::time_t& Out)
{
    if (!Text || !*Text)
        return false;
    unsigned long long value = 0;
    for (const char* p = Text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    if (value > static_cast<unsigned long long>(std::numeric_limits<std::time_t>::max()))
        return false;
    Out = static_cast<std::time_t>(value);
    return true;
}

// Raises when the script cannot carry Description: a NUL ends what isql
// reads of a script (the rest of the script would be lost), and the
// COMMENT ON form takes no literal longer than MaxCommentLiteral.
void CheckLiteral(const TScriptForm& Form, const std::string& What, const std::string& Description)
{
    if (Description.find('\0') != std::string::npos)
        throw EScriptError("The description of " + What +
                           " holds a NUL character, which an SQL script cannot carry");
    if (!Form.CommentOn || Description.size() <= MaxCommentLiteral)
        return;
    throw EScriptError("The description of " + What + " has " + std::to_string(Description.size()) +
                       " bytes: a COMMENT ON statement carries at most " + std::to_string(MaxCommentLiteral));
}

const char* KindName(TDescribedObject Kind)
{
    return Kind == TDescribedObject::Table ? "table" : Kind == TDescribedObject::View ? "view" : "procedure";
}

} // namespace

TScriptForm TScriptForm::For(int OdsMajor, int SQLDialect)
{
    TScriptForm f;
    f.CommentOn = OdsMajor >= 12;
    f.SQLDialect = SQLDialect;
    return f;
}

std::vector<std::string> ScriptBannerLines(const std::string& Path, const std::string& Date,
                                           int OdsMajor)
{
    const std::string rule = BoxLine(std::string(69, '-'));
    std::vector<std::string> lines;
    lines.push_back(rule);
    lines.push_back(BoxLine("Description script for database"));
    lines.push_back(BoxLine(Path));
    lines.push_back(BoxLine("Created by Varnel at " + Date));
    lines.push_back(BoxLine(""));
    lines.push_back(BoxLine("NOTE:"));
    if (OdsMajor >= 12) {
        lines.push_back(BoxLine("This script needs COMMENT ON support to work"));
        lines.push_back(BoxLine("(as implemented in Firebird 2.0 or higher)"));
    } else {
        lines.push_back(BoxLine("This script needs an implicit string-to-BLOB-conversion to work"));
        lines.push_back(BoxLine("(as implemented in FireBird 1.0 or higher)"));
    }
    lines.push_back(rule);
    return lines;
}

std::string FormatScriptDate(int Year, int Month, int Day)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d/%02d/%02d", Year, Month, Day);
    return buf;
}

std::string ScriptDate(const char* SourceDateEpoch, std::time_t Now)
{
    std::tm tm {};
    std::time_t epoch = 0;
    bool ok = ParseEpoch(SourceDateEpoch, epoch) ? gmtime_r(&epoch, &tm) != nullptr
                                                 : localtime_r(&Now, &tm) != nullptr;
    if (!ok)
        return FormatScriptDate(1970, 1, 1);
    return FormatScriptDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::string ScriptDate()
{
    return ScriptDate(std::getenv("SOURCE_DATE_EPOCH"), std::time(nullptr));
}

std::string QuoteSQLString(std::string_view Text)
{
    return "'" + DoubleChar(Text, '\'') + "'";
}

std::string QuoteSQLIdentifier(std::string_view Name, int SQLDialect)
{
    if (SQLDialect == 1)
        return std::string(Name);
    return "\"" + DoubleChar(Name, '"') + "\"";
}

std::string ObjectDescriptionStatement(const TScriptForm& Form, TDescribedObject Kind,
                                       const std::string& Name, const std::string& Description)
{
    const std::string d = QuoteSQLString(Description);
    if (Form.CommentOn) {
        const char* what = Kind == TDescribedObject::Table  ? "TABLE"
                           : Kind == TDescribedObject::View ? "VIEW"
                                                            : "PROCEDURE";
        return std::string("COMMENT ON ") + what + " " + QuoteSQLIdentifier(Name, Form.SQLDialect) +
               " IS " + d + ";";
    }
    if (Kind == TDescribedObject::Procedure)
        return "UPDATE RDB$PROCEDURES SET RDB$DESCRIPTION=" + d +
               " WHERE RDB$PROCEDURE_NAME=" + QuoteSQLString(Name) + ";";
    return "UPDATE RDB$RELATIONS SET RDB$DESCRIPTION=" + d + " WHERE RDB$RELATION_NAME=" +
           QuoteSQLString(Name) + ";";
}

std::string MemberDescriptionStatement(const TScriptForm& Form, TDescribedObject Kind,
                                       const std::string& Owner, const std::string& Member,
                                       const std::string& Description)
{
    const std::string d = QuoteSQLString(Description);
    if (Form.CommentOn) {
        const char* what = Kind == TDescribedObject::Procedure ? "PARAMETER" : "COLUMN";
        return std::string("COMMENT ON ") + what + " " + QuoteSQLIdentifier(Owner, Form.SQLDialect) +
               "." + QuoteSQLIdentifier(Member, Form.SQLDialect) + " IS " + d + ";";
    }
    if (Kind == TDescribedObject::Procedure)
        return "UPDATE RDB$PROCEDURE_PARAMETERS SET RDB$DESCRIPTION=" + d +
               " WHERE RDB$PARAMETER_NAME=" + QuoteSQLString(Member) +
               " AND RDB$PROCEDURE_NAME=" + QuoteSQLString(Owner) + ";";
    return "UPDATE RDB$RELATION_FIELDS SET RDB$DESCRIPTION=" + d +
           " WHERE RDB$FIELD_NAME=" + QuoteSQLString(Member) +
           " AND RDB$RELATION_NAME=" + QuoteSQLString(Owner) + ";";
}

std::string DescriptionBlockText(const TScriptForm& Form, TDescribedObject Kind,
                                 const std::string& Name,
                                 const std::optional<std::string>& Description,
                                 const std::vector<TDescribedMember>& Members)
{
    if (Description)
        CheckLiteral(Form, std::string(KindName(Kind)) + " " + Name, *Description);
    for (const auto& m : Members)
        if (m.Description)
            CheckLiteral(Form,
                         std::string(Kind == TDescribedObject::Procedure ? "parameter " : "column ") + m.Owner +
                             "." + m.Name,
                         *m.Description);
    std::string text;
    if (Description)
        text += ObjectDescriptionStatement(Form, Kind, Name, *Description) + "\n";
    for (const auto& m : Members)
        if (m.Description)
            text += MemberDescriptionStatement(Form, Kind, m.Owner, m.Name, *m.Description) + "\n";
    text += "COMMIT;\n\n";
    return text;
}
