// Construction, start-up and shut-down of the main window, and the wiring
// of its controls to the handlers (MainFormCommands.cpp,
// MainFormSettings.cpp).
#include "app/MainForm.h"

#include "app/ListOrdering.h"
#include "app/LoginParams.h"
#include "app/SettingsBinding.h"
#include "app/UserStore.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <filesystem>

TMainForm::TMainForm(TDialogs& dialogs, std::unique_ptr<TLoginParams> login,
                     std::unique_ptr<TListOrdering> ordering, QWidget* parent)
    : QMainWindow(parent),
      INIOpenDialog(MakeINIOpenDialog()),
      INISaveDialog(MakeINISaveDialog()),
      SaveDialog(MakeHTMLSaveDialog()),
      XMLSaveDialog(MakeXMLSaveDialog()),
      DescriptionExportDialog(MakeDescriptionExportDialog()),
      FDialogs(dialogs),
      FLoginParams(login ? std::move(login) : std::make_unique<TStoredLoginParams>()),
      FListOrdering(ordering ? std::move(ordering) : std::make_unique<TStoredListOrdering>())
{
    FUi = BuildMainFormLayout(*this);
    FBinding = std::make_unique<TSettingsBinding>(*this, *FLoginParams, *FListOrdering, SaveDialog);
    for (const SettingInfo& info : SettingsTable())
        FBinding->Assign(info.Id, info.FormDefault);
    WireHandlers();
    StartUp();
}

TMainForm::~TMainForm() { ShutDown(); }

const SettingsAccessor& TMainForm::Settings() const { return *FBinding; }

void TMainForm::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        FDialogs.ShowError(e.what());
    }
}

void TMainForm::WireHandlers()
{
    auto on = [this](void (TMainForm::*handler)()) { return [this, handler] { Guard([&] { (this->*handler)(); }); }; };
    connect(FUi.DbPathEdit, &QLineEdit::textChanged, this, on(&TMainForm::DbPathEditChange));
    connect(FUi.LoginButton, &QPushButton::clicked, this, on(&TMainForm::LoginButtonClick));
    // Fires on the user's click and when a load changes the check state.
    connect(FUi.SystemDataCheckBox, &QCheckBox::toggled, this, on(&TMainForm::SystemDataCheckBoxClick));
    connect(FUi.HTMLExportButton, &QPushButton::clicked, this, on(&TMainForm::HTMLExportButtonClick));
    connect(FUi.XMLExportButton, &QPushButton::clicked, this, on(&TMainForm::XMLExportButtonClick));
    connect(FUi.ScriptExportButton, &QPushButton::clicked, this, on(&TMainForm::ScriptExportButtonClick));
    connect(FUi.MenuFileLoad, &QAction::triggered, this, on(&TMainForm::MenuFileLoadClick));
    connect(FUi.MenuFileSave, &QAction::triggered, this, on(&TMainForm::MenuFileSaveClick));
    connect(FUi.MenuFileSaveAs, &QAction::triggered, this, on(&TMainForm::MenuFileSaveAsClick));
    connect(FUi.MenuFileQuit, &QAction::triggered, this, on(&TMainForm::MenuFileQuitClick));
    connect(FUi.MenuInfoAbout, &QAction::triggered, this, on(&TMainForm::MenuInfoAboutClick));
    FBinding->ConnectChanges(this, [this] { SettingsChanged(); });
}

void TMainForm::StartUp()
{
    FSettingsChanged = false;
    FSettingsFile.clear();
    std::string remembered = ReadRememberedSettingsFile();
    std::error_code ec;
    if (!remembered.empty() && std::filesystem::exists(remembered, ec) &&
        !std::filesystem::is_directory(remembered, ec)) {
        LoadSettings(remembered);
        INISaveDialog.FileName = remembered;
        INIOpenDialog.FileName = remembered;
    }
    FUi.LoginButton->setEnabled(!FUi.DbPathEdit->text().isEmpty());
    if (FSettingsFile.empty())
        FUi.MenuFileSave->setEnabled(false);
    else
        UpdateCaption();
}

void TMainForm::ShutDown() noexcept
{
    try {
        WriteRememberedSettingsFile(FSettingsFile);
    } catch (const std::exception& e) {
        // The window is going; nothing is left to show a message box on.
        std::fprintf(stderr, "varnel: %s\n", e.what());
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    Guard([&] { FormCloseQuery(canClose); });
    event->setAccepted(canClose);
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    // "Connect..." is the window's default button: Enter in a control that
    // leaves it unused (an edit, a check box) activates it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier &&
        FUi.LoginButton->isEnabled()) {
        FUi.LoginButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}
