#include "db/IB_Markers.h"

namespace varnel::db {

bool IsMarkerDelimiter(char c)
{
    if (static_cast<unsigned char>(c) <= '!')
        return true;
    switch (c) {
    // The delimiters of named markers.
    case '(': case ')': case '*': case ',': case '/': case ':': case ';':
    case '<': case '=': case '>': case '?':
    // Operators and literal starts: a name never contains them, and
    // without them ":A+1" or ":A||'x'" would swallow the expression.
    case '+': case '-': case '|': case '\'': case '%': case '&': case '^':
    case '~': case '[': case ']': case '{': case '}': case '\\': case '@': case '`':
        return true;
    default:
        return false;
    }
}

TIB_ServerSQL MakeServerSQL(std::string_view text, char paramChar, bool paramCheck)
{
    TIB_ServerSQL out;
    std::string& r = out.Text;
    r.reserve(text.size() + 16);
    const size_t n = text.size();
    size_t i = 0;
    int markers = 0;
    while (i < n) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            // Literal or quoted identifier; a doubled quote stays inside.
            size_t j = i + 1;
            while (j < n) {
                if (text[j] == c) {
                    if (j + 1 < n && text[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            size_t stop = j < n ? j + 1 : n;
            r.append(text.substr(i, stop - i));
            i = stop;
            continue;
        }
        if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            size_t j = text.find("*/", i + 2);
            size_t stop = j == std::string_view::npos ? n : j + 2;
            r.append(text.substr(i, stop - i));
            i = stop;
            continue;
        }
        if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            size_t j = i + 2;
            while (j < n && text[j] != '\n' && text[j] != '\r')
                ++j;
            r.append(text.substr(i, j - i));
            i = j;
            continue;
        }
        if (c == '?' || (paramCheck && c == paramChar)) {
            size_t j = i + 1;
            bool quoted = false;
            while (j < n) {
                char d = text[j];
                if (d == '"')
                    quoted = !quoted;
                else if (!quoted && IsMarkerDelimiter(d))
                    break;
                ++j;
            }
            std::string name(text.substr(i + 1, j - i - 1));
            r += '?';
            if (name.empty()) {
                out.ParamNames.push_back("PRM_" + std::to_string(markers));
            } else {
                out.ParamNames.push_back(name);
                // The comment only names the marker; a quoted name holding
                // "*/" would end it early and turn the rest of the name
                // into statement text (a stray "?" marker, say).
                std::string shown = name;
                for (size_t k = shown.find("*/"); k != std::string::npos; k = shown.find("*/", k + 3))
                    shown.replace(k, 2, "* /");
                r += " /* " + shown + " */ ";
            }
            ++markers;
            i = j;
            continue;
        }
        r += c;
        ++i;
    }
    return out;
}

int getLitSafePos(char c, std::string_view text, int from)
{
    if (from < 1)
        from = 1;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char d = text[i];
        if (d == '"' && c != '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && d == c && static_cast<int>(i) + 1 >= from)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

} // namespace varnel::db
