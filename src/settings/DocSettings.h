#pragma once
// The 81 documentation settings: one table (VARNEL_SETTINGS) in file order
// that names each setting's section, key, type, holding control, form
// default, missing-key value and whether editing it marks the settings as
// changed. The enum, the loader and the writer are all generated from it.
//
// Values are handled in the form their control holds them ("held" form):
// a one-line text as an edit holds it, a multi-line text as a memo holds it
// (every line followed by CR LF), a Boolean as "1" or "0", an integer as
// decimal digits.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>


// X(section, key, type, holder, form default, missing-key value, marks change)
// The multi-line form defaults DefaultHeader ... DefaultTOCBegin are defined
// in DocSettings.cpp, the only place where this list is expanded with them.
#define VARNEL_SETTINGS(X) \
  X(Settings,   Database,               Text,      "DbPathEdit",                     "",         "",  false) \
  X(Settings,   DbUsername,             Text,      "IB_Connection.Username",         "SYSDBA",   "",  false) \
  X(Settings,   SQLRole,                Text,      "IB_Connection.SQLRole",          "",         "",  false) \
  X(Settings,   HTMLDir,                Text,      "SaveDialog",                     "",         "",  false) \
  X(Settings,   SystemData,             Boolean,   "SystemDataCheckBox",             "0",        "0", true)  \
  X(Settings,   TableSortOrder,         Integer,   "TableQuery.OrderingItemNo",      "1",        "1", true)  \
  X(Settings,   ProcedureSortOrder,     Integer,   "ProcedureQuery.OrderingItemNo",  "1",        "1", true)  \
  X(Settings,   ViewSortOrder,          Integer,   "ViewQuery.OrderingItemNo",       "1",        "1", true)  \
  X(HTML,       Header,                 MultiLine, "HeaderMemo",                     DefaultHeader, "", true) \
  X(HTML,       Footer,                 MultiLine, "EndTagMemo",                     DefaultFooter, "", true) \
  X(Tables,     IncludeInHTML,          Boolean,   "IncludeTablesCheckBox",          "1",        "1", false) \
  X(Tables,     BeforeCaption,          Text,      "TablesBeforeCaptionEdit",        "<h1 style=\"page-break-before:always\">", "", true) \
  X(Tables,     Caption,                Text,      "TablesCaptionEdit",              "Tables",   "",  true)  \
  X(Tables,     AfterCaption,           Text,      "TablesAfterCaptionEdit",         "</h1>",    "",  true)  \
  X(Tables,     BeforeTableName,        Text,      "BeforeTableNameEdit",            "<h2>",     "",  true)  \
  X(Tables,     AfterTableName,         Text,      "AfterTableNameEdit",             "</h2>",    "",  true)  \
  X(Tables,     BeforeTableDesc,        Text,      "BeforeTableDescEdit",            "<p>",      "",  true)  \
  X(Tables,     AfterTableDesc,         Text,      "AfterTableDescEdit",             "</p>",     "",  true)  \
  X(Tables,     FieldTableStart,        MultiLine, "FieldTableStartMemo",            DefaultFieldTableStart, "", true) \
  X(Tables,     FieldColumnStart,       Text,      "FieldColumnStartEdit",           "<tr><td valign=top>", "", true) \
  X(Tables,     FieldColumnEnd,         Text,      "FieldColumnEndEdit",             "</td>",    "",  true)  \
  X(Tables,     TypeColumnStart,        Text,      "TypeColumnStartEdit",            "<td valign=top>", "", true) \
  X(Tables,     TypeColumnEnd,          Text,      "TypeColumnEndEdit",              "</td>",    "",  true)  \
  X(Tables,     NotNullColumnStart,     Text,      "NotNullColumnStartEdit",         "<td align=center valign=top>", "", true) \
  X(Tables,     NotNullColumnText,      Text,      "NotNullColumnTextEdit",          "X",        "X", true)  \
  X(Tables,     NotNullColumnEnd,       Text,      "NotNullColumnEndEdit",           "</td>",    "",  true)  \
  X(Tables,     DescriptionColumnStart, Text,      "DescriptionColumnStartEdit",     "<td valign=top>", "", true) \
  X(Tables,     DescriptionColumnEnd,   Text,      "DescriptionColumnEndEdit",       "</td></tr>", "", true) \
  X(Tables,     FieldTableEnd,          MultiLine, "FieldTableEndMemo",              "</table>\r\n", "", true) \
  X(Views,      IncludeInHTML,          Boolean,   "IncludeViewsCheckBox",           "1",        "1", false) \
  X(Views,      BeforeCaption,          Text,      "ViewsBeforeCaptionEdit",         "<h1 style=\"page-break-before:always\">", "", true) \
  X(Views,      Caption,                Text,      "ViewsCaptionEdit",               "Views",    "",  true)  \
  X(Views,      AfterCaption,           Text,      "ViewsAfterCaptionEdit",          "</h1>",    "",  true)  \
  X(Views,      BeforeTableName,        Text,      "BeforeViewNameEdit",             "<h2>",     "",  true)  \
  X(Views,      AfterTableName,         Text,      "AfterViewNameEdit",              "</h2>",    "",  true)  \
  X(Views,      BeforeTableDesc,        Text,      "BeforeViewDescEdit",             "<p>",      "",  true)  \
  X(Views,      AfterTableDesc,         Text,      "AfterViewDescEdit",              "</p>",     "",  true)  \
  X(Views,      FieldTableStart,        MultiLine, "ViewFieldTableStartMemo",        DefaultViewFieldTableStart, "", true) \
  X(Views,      FieldColumnStart,       Text,      "ViewFieldColumnStartEdit",       "<tr><td valign=top>", "", true) \
  X(Views,      FieldColumnEnd,         Text,      "ViewFieldColumnEndEdit",         "</td>",    "",  true)  \
  X(Views,      BaseTableStart,         Text,      "ViewBaseTableColumnStartEdit",   "<td valign=top>", "", true) \
  X(Views,      BaseTableEnd,           Text,      "ViewBaseTableColumnEndEdit",     "</td>",    "",  true)  \
  X(Views,      BaseFieldStart,         Text,      "ViewBaseFieldColumnStartEdit",   "<td align=center valign=top>", "", true) \
  X(Views,      BaseFieldEnd,           Text,      "ViewBaseFieldColumnEndEdit",     "</td>",    "",  true)  \
  X(Views,      DescriptionColumnStart, Text,      "ViewDescriptionColumnStartEdit", "<td valign=top>", "", true) \
  X(Views,      DescriptionColumnEnd,   Text,      "ViewDescriptionColumnEndEdit",   "</td></tr>", "", true) \
  X(Views,      FieldTableEnd,          MultiLine, "ViewFieldTableEndMemo",          "</table>\r\n", "", true) \
  X(Views,      IncludeSource,          Boolean,   "ViewSourceCheckBox",             "0",        "0", false) \
  X(Views,      BeforeSource,           MultiLine, "ViewSourceStartMemo",            DefaultBeforeSource, "", false) \
  X(Views,      AfterSource,            MultiLine, "ViewSourceEndMemo",              "</pre>\r\n", "", false) \
  X(Procedures, IncludeInHTML,          Boolean,   "IncludeProceduresCheckBox",      "1",        "1", false) \
  X(Procedures, BeforeCaption,          Text,      "ProceduresBeforeCaptionEdit",    "<h1 style=\"page-break-before:always\">", "", true) \
  X(Procedures, Caption,                Text,      "ProceduresCaptionEdit",          "Stored Procedures", "", true) \
  X(Procedures, AfterCaption,           Text,      "ProceduresAfterCaptionEdit",     "</h1>",    "",  true)  \
  X(Procedures, BeforeProcName,         Text,      "BeforeProcNameEdit",             "<h2>",     "",  true)  \
  X(Procedures, AfterProcName,          Text,      "AfterProcNameEdit",              "</h2>",    "",  true)  \
  X(Procedures, BeforeProcDesc,         Text,      "BeforeProcDescEdit",             "<p>",      "",  true)  \
  X(Procedures, AfterProcDesc,          Text,      "AfterProcDescEdit",              "</p>",     "",  true)  \
  X(Procedures, ParamTableStart,        MultiLine, "ParamTableStartMemo",            DefaultParamTableStart, "", true) \
  X(Procedures, ParamColumnStart,       Text,      "ParamColumnStartEdit",           "<tr><td valign=top>", "", true) \
  X(Procedures, ParamColumnEnd,         Text,      "ParamColumnEndEdit",             "</td>",    "",  true)  \
  X(Procedures, ParamTypeColumnStart,   Text,      "ParamTypeColumnStartEdit",       "<td valign=top>", "", true) \
  X(Procedures, ParamTypeColumnEnd,     Text,      "ParamTypeColumnEndEdit",         "</td>",    "",  true)  \
  X(Procedures, InOutColumnStart,       Text,      "InOutColumnStartEdit",           "<td valign=top>", "", true) \
  X(Procedures, InOutColumnEnd,         Text,      "InOutColumnEndEdit",             "</td>",    "",  true)  \
  X(Procedures, ParamDescStart,         Text,      "ParamDescStartEdit",             "<td valign=top>", "", true) \
  X(Procedures, ParamDescEnd,           Text,      "ParamDescEndEdit",               "</td>",    "",  true)  \
  X(Procedures, ParamTableEnd,          MultiLine, "ParamTableEndMemo",              "</table>\r\n", "", true) \
  X(Procedures, IncludeSource,          Boolean,   "ProcedureSourceCheckBox",        "0",        "0", false) \
  X(Procedures, BeforeSource,           MultiLine, "SourceStartMemo",                DefaultBeforeSource, "", false) \
  X(Procedures, AfterSource,            MultiLine, "SourceEndMemo",                  "</pre>\r\n", "", false) \
  X(TOC,        CreateTOC,              Boolean,   "TOCCheckBox",                    "0",        "0", true)  \
  X(TOC,        Position,               Integer,   "TOCPositionRadioGroup",          "0",        "0", true)  \
  X(TOC,        Begin,                  MultiLine, "TOCBeginMemo",                   DefaultTOCBegin, "", true) \
  X(TOC,        BeforeCaption,          Text,      "TOCBeforeCaptionEdit",           "<li>",     "",  true)  \
  X(TOC,        AfterCaption,           Text,      "TOCAfterCaptionEdit",            "</li>",    "",  true)  \
  X(TOC,        ItemBlockStart,         Text,      "TOCItemBlockStartEdit",          "<ul>",     "",  true)  \
  X(TOC,        BeforeItem,             Text,      "TOCBeforeItemEdit",              "<li>",     "",  true)  \
  X(TOC,        AfterItem,              Text,      "TOCAfterItemEdit",               "</li>",    "",  true)  \
  X(TOC,        ItemBlockEnd,           Text,      "TOCItemBlockEndEdit",            "</ul>",    "",  true)  \
  X(TOC,        End,                    MultiLine, "TOCEndMemo",                     "</ul>\r\n", "", true)

// One member per setting, in file order, named Section_Key.
enum class Setting {
#define VARNEL_SETTING_ENUM(section, key, ...) section##_##key,
    VARNEL_SETTINGS(VARNEL_SETTING_ENUM)
#undef VARNEL_SETTING_ENUM
};

enum class SettingType { Text, MultiLine, Boolean, Integer };

// One row of the settings table.
struct SettingInfo {
    Setting Id;
    const char* Section;
    const char* Key;
    SettingType Type;
    const char* Holder;        // control or property that holds the value in the window
    const char* FormDefault;   // held form, in effect before any file is loaded
    const char* MissingKey;    // held form, used when the file lacks the key
    bool MarksChange;          // editing it sets the window's "settings changed" flag
};

constexpr std::size_t SettingCount = 81;

// The table in file order; SettingsTable()[i].Id == Setting(i).
const std::array<SettingInfo, SettingCount>& SettingsTable();
const SettingInfo& InfoOf(Setting s);
// "[Section] Key", for messages and test names.
std::string SettingName(Setting s);

// Read-only view of the settings as their holders have them at the moment
// of the call. Text works for every setting (a Boolean gives "1" or "0", an
// integer its decimal digits); Bool only for Boolean settings and Int only
// for Integer settings (anything else raises std::logic_error).
class SettingsAccessor {
public:
    virtual ~SettingsAccessor();
    virtual std::string Text(Setting s) const = 0;
    virtual bool Bool(Setting s) const = 0;
    virtual int Int(Setting s) const = 0;
};

// Every CR LF pair, left to right, becomes the six characters "<CRLF>"; a
// lone CR or LF stays.
std::string EncodeLineBreaks(std::string_view text);
// Every "<CRLF>", left to right, becomes CR LF.
std::string DecodeLineBreaks(std::string_view text);

// The text as a memo holds it: the text is cut into lines at CR LF, lone CR
// and lone LF, and every line is followed by CR LF. An empty text has no
// lines; a text without a final line break gains one.
std::string MemoText(std::string_view text);

// A stored number: optional sign, then decimal digits, or hexadecimal after
// "0x", "0X" or "$" (up to 32 bits, wrapping as a 32-bit integer). Returns
// false when the text is not such a number or does not fit 32 bits.
bool ParseSettingNumber(std::string_view text, int& value);

// The held value a control gets when the loader assigns the stored text
// (already read with the missing-key value as default): multi-line texts
// decoded into memo form, numbers parsed (not a number: the missing-key
// value), a Boolean "1" when the number is not 0.
std::string HeldFromStored(const SettingInfo& info, const std::string& stored);
// The text written to the file for a held value.
std::string StoredFromHeld(const SettingInfo& info, const std::string& held);

// Reads every setting of the file in table order and passes its held value
// to assign. A missing or unreadable file gives the missing-key values.
// An exception from assign stops the load there.
void LoadSettingsFile(const std::string& fileName,
                      const std::function<void(Setting, const std::string& held)>& assign);
// Writes every setting, in table order, from the accessor into the file in
// place (see WriteProfileStrings). Raises EProfileWriteError.
void SaveSettingsFile(const std::string& fileName, const SettingsAccessor& values);
