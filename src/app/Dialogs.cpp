#include "app/Dialogs.h"

TDialogs::~TDialogs() = default;

namespace {

TFileDialog Make(const char* name, TFileDialogKind kind, const char* title, TFileFilter first, const char* ext)
{
    TFileDialog d;
    d.Name = name;
    d.Kind = kind;
    d.Title = title;
    d.Filters = {std::move(first), {"All files (*.*)", "*.*"}};
    d.DefaultExt = ext;
    d.OverwritePrompt = kind == TFileDialogKind::Save;
    return d;
}

} // namespace

TFileDialog MakeINIOpenDialog()
{
    return Make("INIOpenDialog", TFileDialogKind::Open, "Load HTML Settings", {"INI files (*.ini)", "*.ini"}, ".ini");
}

TFileDialog MakeINISaveDialog()
{
    return Make("INISaveDialog", TFileDialogKind::Save, "Save HTML Settings", {"INI files (*.ini)", "*.ini"}, ".ini");
}

TFileDialog MakeHTMLSaveDialog()
{
    return Make("SaveDialog", TFileDialogKind::Save, "Save Database Documentation as",
                {"HTML Files (*.html, *.htm)", "*.html;*.htm"}, ".html");
}

TFileDialog MakeXMLSaveDialog()
{
    return Make("XMLSaveDialog", TFileDialogKind::Save, "", {"XML Files (*.xml)", "*.xml"}, ".xml");
}

TFileDialog MakeDescriptionExportDialog()
{
    return Make("DescriptionExportDialog", TFileDialogKind::Save, "", {"SQL files (*.sql)", "*.sql"}, ".sql");
}
