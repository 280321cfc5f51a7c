#pragma once
// The modal dialogs of the main window, reached through TDialogs so that
// the window's commands can run against scripted answers in tests. Texts
// are ISO-8859-1 bytes; file names are the system's 8-bit file names.
#include <string>
#include <vector>

namespace varnel::db {
class TIB_Connection;
}

enum class TFileDialogKind { Open, Save };

struct TFileFilter {
    std::string Description; // "INI files (*.ini)"
    std::string Pattern;     // "*.ini", several separated by ";"
};

// A file dialog as the window keeps it: its designed properties and the
// name last chosen. Plain data, owned by the window.
struct TFileDialog {
    std::string Name;  // "INIOpenDialog"
    TFileDialogKind Kind = TFileDialogKind::Save;
    std::string Title; // empty: the platform's default title
    std::vector<TFileFilter> Filters;
    std::string DefaultExt; // ".ini": added to a name typed without extension
    bool OverwritePrompt = false;
    bool AcceptMissingFile = true; // an open dialog accepts a name that does not exist
    std::string FileName;   // preset name, and the name chosen on OK
    std::string InitialDir; // folder shown when FileName is empty
};

enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgResult { Ok, Cancel, Yes, No };

class TDialogs {
public:
    virtual ~TDialogs();
    // Shows the dialog modally. OK: stores the chosen name in
    // dialog.FileName and returns true; Cancel returns false.
    virtual bool Execute(TFileDialog& dialog) = 0;
    virtual TMsgResult MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                  TMsgIcon icon) = 0;
    // The application's top-level error display: shows the message.
    virtual void ShowError(const std::string& message) = 0;
    // The login prompt of the connection (TdlgLogin): OK writes the user's
    // entries into the connection and returns true; Cancel returns false.
    virtual bool Login(varnel::db::TIB_Connection& connection) = 0;
};

// The designed dialogs of the main window.
TFileDialog MakeINIOpenDialog();
TFileDialog MakeINISaveDialog();
TFileDialog MakeHTMLSaveDialog();
TFileDialog MakeXMLSaveDialog();
TFileDialog MakeDescriptionExportDialog();
