// The export commands of the main window: each asks for the file, shows
// the hourglass, lets pending messages through once and runs its exporter.
// A cancelled dialog touches no file.
#include "app/MainForm.h"
#include "app/WaitCursor.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Session.h"
#include "export/HTMLExport.h"
#include "export/ScriptExport.h"
#include "export/XMLExport.h"
#include "xml/XMLFile.h"

void TMainForm::HTMLExportButtonClick()
{
    // The dialog's initial folder is [Settings] HTMLDir; the folder of the
    // name chosen here becomes that setting.
    if (!FDialogs.Execute(SaveDialog))
        return;
    TWaitCursor wait;
    FSession->ProcessMessages();
    HTMLExport(Settings(), *FCatalogue, SaveDialog.FileName);
}

void TMainForm::XMLExportButtonClick()
{
    if (!FDialogs.Execute(XMLSaveDialog))
        return;
    // The file is opened before anything is read from the database.
    TXMLFile out(XMLSaveDialog.FileName, "1.0", "ISO-8859-1", "");
    TWaitCursor wait;
    FSession->ProcessMessages();
    XMLExport(*FCatalogue, out);
    out.Close();
}

void TMainForm::ScriptExportButtonClick()
{
    if (!FDialogs.Execute(DescriptionExportDialog))
        return;
    TWaitCursor wait;
    FSession->ProcessMessages();
    ScriptExport(*FCatalogue, DescriptionExportDialog.FileName);
}

void TMainForm::PopupMenuExportSQLScriptClick(TObjectList List)
{
    varnel::db::TIB_Query* list = nullptr;
    const char* nameColumn = "RDB$RELATION_NAME";
    TDescribedObject kind = TDescribedObject::Table;
    switch (List) {
    case TObjectList::Tables:
        list = &FCatalogue->TableQuery;
        break;
    case TObjectList::Views:
        list = &FCatalogue->ViewQuery;
        kind = TDescribedObject::View;
        break;
    case TObjectList::Procedures:
        list = &FCatalogue->ProcedureQuery;
        nameColumn = "RDB$PROCEDURE_NAME";
        kind = TDescribedObject::Procedure;
        break;
    }
    // An empty or closed list has no selected object.
    if (!list->Active() || (list->Bof() && list->Eof()))
        return;
    const std::string name = list->FieldByName(nameColumn).AsString();
    // The dialog keeps this name for its next use, the whole script's too.
    DescriptionExportDialog.FileName = "DESC_" + name + ".sql";
    if (!FDialogs.Execute(DescriptionExportDialog))
        return;
    TWaitCursor wait;
    FSession->ProcessMessages();
    ObjectScriptExport(*FCatalogue, kind, name, DescriptionExportDialog.FileName);
}
