#include "settings/DocSettings.h"

#include "settings/ProfileFile.h"

#include <cstdint>
#include <stdexcept>

namespace {

// [HTML] Header: 32 lines, 830 characters with their CR LFs.
constexpr const char* DefaultHeader =
    "<html>\r\n"
    "\r\n"
    "<head>\r\n"
    "<style type=\"text/css\">\r\n"
    "<!--\r\n"
    "  body { font-family:Tahoma; font-size:10pt; }\r\n"
    "  td { font-family:Tahoma; font-size:10pt; }\r\n"
    "  h2 { margin-bottom:-15pt; }\r\n"
    "  .huge { font-size:36pt; }\r\n"
    "  .large { font-size:18pt; }\r\n"
    "  .medium { font-size:12pt; }\r\n"
    "  .small { font-size:8pt; }\r\n"
    "//-->\r\n"
    "</style>\r\n"
    "\r\n"
    "</head>\r\n"
    "\r\n"
    "<body width=650>\r\n"
    "\r\n"
    "<div align=right style=\"margin-top:6cm\">\r\n"
    "  <div class=\"huge\"><b>MyDb</b></div><br>\r\n"
    "  <div class=\"large\"><b>Database Reference Manual</b></div>\r\n"
    "  <div class=\"medium\"><b>Version x.x.x</b></div>\r\n"
    "</div>\r\n"
    "\r\n"
    "<div align=left style=\"margin-top:10cm\">\r\n"
    "  &copy; 2002-2003 My Company<br>\r\n"
    "  <div class=\"medium\"><b>My Company</b></div><br>\r\n"
    "  Internet: <a href=\"http://www.mycompany.com\">www.mycompany.com</a><br>\r\n"
    "  Email: <a href=\"mailto:info@mycompany.com\">info@mycompany.com</a>\r\n"
    "</div>\r\n"
    "\r\n";

constexpr const char* DefaultFooter = "</body>\r\n</html>\r\n";

constexpr const char* DefaultFieldTableStart =
    "<table width=650>\r\n"
    "<tr bgcolor=#C0C0C0>\r\n"
    "<td width=200><b>Field</b></td>\r\n"
    "<td width=100><b>Type</b></td>\r\n"
    "<td width=80 align=center><b>NOT NULL</b></td>\r\n"
    "<td width=270><b>Description</b></td>\r\n"
    "</tr>\r\n";

constexpr const char* DefaultViewFieldTableStart =
    "<table width=650>\r\n"
    "<tr bgcolor=#C0C0C0>\r\n"
    "<td width=120><b>Field</b></td>\r\n"
    "<td width=120><b>Base table</b></td>\r\n"
    "<td width=120><b>Base field</b></td>\r\n"
    "<td width=290><b>Description</b></td>\r\n"
    "</tr>\r\n";

constexpr const char* DefaultBeforeSource = "<h3>Source:</h3>\r\n<pre>\r\n";

constexpr const char* DefaultParamTableStart =
    "<table width=650>\r\n"
    "<tr bgcolor=#C0C0C0>\r\n"
    "<td width=200><b>Parameter</b></td>\r\n"
    "<td width=100><b>Type</b></td>\r\n"
    "<td width=80><b>In/Out</b></td>\r\n"
    "<td width=270><b>Description</b></td>\r\n"
    "</tr>\r\n";

constexpr const char* DefaultTOCBegin = "<h1 style=\"page-break-before:always\">Table of contents</h1>\r\n<ul>\r\n";

const std::array<SettingInfo, SettingCount> Table = {{
#define VARNEL_SETTING_ROW(section, key, type, holder, formDefault, missingKey, marks) \
    {Setting::section##_##key, #section, #key, SettingType::type, holder, formDefault, missingKey, marks},
    VARNEL_SETTINGS(VARNEL_SETTING_ROW)
#undef VARNEL_SETTING_ROW
}};

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

} // namespace

const std::array<SettingInfo, SettingCount>& SettingsTable() { return Table; }

const SettingInfo& InfoOf(Setting s) { return Table.at(std::size_t(s)); }

std::string SettingName(Setting s)
{
    const SettingInfo& i = InfoOf(s);
    return std::string("[") + i.Section + "] " + i.Key;
}

SettingsAccessor::~SettingsAccessor() = default;

std::string EncodeLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "<CRLF>";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string DecodeLineBreaks(std::string_view text)
{
    constexpr std::string_view Mark = "<CRLF>";
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t at = text.find(Mark, pos);
        if (at == std::string_view::npos) {
            out.append(text.substr(pos));
            return out;
        }
        out.append(text.substr(pos, at - pos));
        out += "\r\n";
        pos = at + Mark.size();
    }
}

std::string MemoText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && !IsBreak(text[end]))
            ++end;
        out.append(text.substr(i, end - i));
        out += "\r\n";
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    return out;
}

bool ParseSettingNumber(std::string_view text, int& value)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool hex = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        hex = true;
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    std::uint64_t n = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        n = n * (hex ? 16 : 10) + std::uint64_t(d);
        if (n > 0xFFFFFFFFull)
            return false;
    }
    if (hex) {
        std::uint32_t u = std::uint32_t(n);
        if (negative)
            u = 0u - u;
        value = std::int32_t(u);
        return true;
    }
    if (negative ? n > 2147483648ull : n > 2147483647ull)
        return false;
    value = negative ? int(-std::int64_t(n)) : int(n);
    return true;
}

std::string HeldFromStored(const SettingInfo& info, const std::string& stored)
{
    switch (info.Type) {
    case SettingType::Text:
        return stored;
    case SettingType::MultiLine:
        return MemoText(DecodeLineBreaks(stored));
    case SettingType::Boolean: {
        int v;
        if (!ParseSettingNumber(stored, v))
            return info.MissingKey;
        return v != 0 ? "1" : "0";
    }
    case SettingType::Integer: {
        int v;
        if (!ParseSettingNumber(stored, v))
            return info.MissingKey;
        // The position radio group has two items; like any radio group it
        // holds -1 (nothing chosen) up to its last item.
        if (info.Id == Setting::TOC_Position)
            v = v < -1 ? -1 : v > 1 ? 1 : v;
        return std::to_string(v);
    }
    }
    return stored;
}

std::string StoredFromHeld(const SettingInfo& info, const std::string& held)
{
    switch (info.Type) {
    case SettingType::Text:
        return held;
    case SettingType::MultiLine:
        return EncodeLineBreaks(held);
    case SettingType::Boolean: {
        int v = 0;
        return ParseSettingNumber(held, v) && v != 0 ? "1" : "0";
    }
    case SettingType::Integer: {
        int v = 0;
        ParseSettingNumber(held, v);
        return std::to_string(v);
    }
    }
    return held;
}

void LoadSettingsFile(const std::string& fileName,
                      const std::function<void(Setting, const std::string& held)>& assign)
{
    const TProfileFile file = TProfileFile::Read(fileName);
    for (const SettingInfo& info : Table)
        assign(info.Id, HeldFromStored(info, file.ReadString(info.Section, info.Key, info.MissingKey)));
}

void SaveSettingsFile(const std::string& fileName, const SettingsAccessor& values)
{
    std::vector<TProfileEntry> entries;
    entries.reserve(Table.size());
    for (const SettingInfo& info : Table)
        entries.push_back({info.Section, info.Key, StoredFromHeld(info, values.Text(info.Id))});
    WriteProfileStrings(fileName, entries);
}
