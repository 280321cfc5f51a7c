// The command and event handlers of the main window.
#include "app/About.h"
#include "app/MainForm.h"
#include "app/WaitCursor.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "ui/IB_Memo.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

void TMainForm::DbPathEditChange() { FUi.LoginButton->setEnabled(!FUi.DbPathEdit->text().isEmpty()); }

void TMainForm::LoginButtonClick()
{
    TWaitCursor wait;
    // Opening and closing the lists is no change of their sort order. The
    // notifications come back however the command ends.
    struct OrderingDetached {
        TMainForm& form;
        explicit OrderingDetached(TMainForm& f) : form(f) { form.AttachOrderingChanged(false); }
        ~OrderingDetached() { form.AttachOrderingChanged(true); }
    } detached(*this);
    if (FLoginButtonTag != 0)
        Disconnect();
    else
        Connect();
}

void TMainForm::Connect()
{
    IB_Connection->SetConnected(false);
    IB_Connection->SetDatabaseName(FUi.DbPathEdit->text().toLatin1().toStdString());
    // Shows the login prompt; raises when the attach fails or the prompt
    // was cancelled, leaving the window disconnected.
    IB_Connection->SetConnected(true);
    // Each master before its detail. A list that fails to open leaves the
    // window disconnected with the connection open; the next Connect
    // disconnects and connects again.
    FCatalogue->OpenBrowseQueries();
    FUi.LoginButton->setText(QStringLiteral("Disconnect"));
    FLoginButtonTag = 1;
    SetExportButtonsEnabled(true);
    FUi.DbPathEdit->setText(QString::fromLatin1(IB_Connection->DatabaseName()));
    FUi.DbPathEdit->setEnabled(false);
}

void TMainForm::Disconnect()
{
    IB_Connection->SetConnected(false);
    FUi.LoginButton->setText(QStringLiteral("Connect..."));
    FLoginButtonTag = 0;
    SetExportButtonsEnabled(false);
    FUi.DbPathEdit->setEnabled(true);
}

void TMainForm::SetExportButtonsEnabled(bool enabled)
{
    FUi.HTMLExportButton->setEnabled(enabled);
    FUi.XMLExportButton->setEnabled(enabled);
    FUi.ScriptExportButton->setEnabled(enabled);
}

void TMainForm::SystemDataCheckBoxClick()
{
    FCatalogue->SystemDataCheckBoxClick();
    FSettingsChanged = true;
}

void TMainForm::SettingsChanged() { FSettingsChanged = true; }

void TMainForm::OrderingChanged() { FSettingsChanged = true; }

void TMainForm::MemoExit(QObject* Sender)
{
    auto* memo = qobject_cast<varnel::ui::TIB_Memo*>(Sender);
    if (!memo || !memo->DataSource() || !memo->DataSource()->Dataset())
        return;
    memo->DataSource()->Dataset()->CheckBrowseMode();
}

void TMainForm::PopupObjectList(QWidget* grid, const QPoint& pos)
{
    FPopupComponent = grid;
    FUi.PopupMenu1->popup(grid->mapToGlobal(pos));
}

void TMainForm::MenuFileLoadClick()
{
    if (!FDialogs.Execute(INIOpenDialog))
        return;
    LoadSettings(INIOpenDialog.FileName);
    FUi.MenuFileSave->setEnabled(true);
}

void TMainForm::MenuFileSaveClick() { SaveSettings(FSettingsFile); }

void TMainForm::MenuFileSaveAsClick()
{
    if (!FDialogs.Execute(INISaveDialog))
        return;
    SaveSettings(INISaveDialog.FileName);
    FSettingsFile = INISaveDialog.FileName;
    FUi.MenuFileSave->setEnabled(true);
    UpdateCaption();
}

void TMainForm::MenuFileQuitClick() { close(); }

void TMainForm::MenuInfoAboutClick()
{
    TAboutForm about(this);
    FDialogs.RunModal(about);
}

void TMainForm::FormCloseQuery(bool& canClose)
{
    canClose = false;
    if (!FSettingsChanged) {
        canClose = true;
        return;
    }
    TMsgResult answer = FDialogs.MessageBox("Settings have been changed. Do you wish to save them?",
                                            "Varnel Settings", TMsgButtons::YesNoCancel, TMsgIcon::Question);
    if (answer == TMsgResult::Cancel)
        return;
    if (answer == TMsgResult::No) {
        canClose = true;
        return;
    }
    if (!FSettingsFile.empty()) {
        SaveSettings(FSettingsFile);
        canClose = true;
        return;
    }
    if (!FDialogs.Execute(INISaveDialog))
        return;
    SaveSettings(INISaveDialog.FileName);
    FSettingsFile = INISaveDialog.FileName;
    FUi.MenuFileSave->setEnabled(true);
    UpdateCaption();
    canClose = true;
}
