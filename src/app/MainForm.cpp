// Construction, start-up and shut-down of the main window, and the wiring
// of its controls to the handlers (MainFormCommands.cpp,
// MainFormSettings.cpp).
#include "app/MainForm.h"

#include "app/ListOrdering.h"
#include "app/LoginParams.h"
#include "app/SettingsBinding.h"
#include "app/UserStore.h"

#include "catalogue/Catalogue.h"

#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "db/IB_Session.h"
#include "db/IB_Transaction.h"

#include "kit/KWFormStorage.h"
#include "ui/IB_Grid.h"
#include "ui/IB_Memo.h"
#include "ui/dlgCancelQuery.h"

#include <QAction>
#include <QCoreApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <cstdio>
#include <filesystem>

namespace {

// The form's settings as its binding reads them from the controls at the
// moment of each call.
class TFormSettingsView : public SettingsAccessor {
public:
    explicit TFormSettingsView(const TMainForm& form) : FForm(form) {}
    std::string Text(Setting s) const override { return FForm.Settings().Text(s); }
    bool Bool(Setting s) const override { return FForm.Settings().Bool(s); }
    int Int(Setting s) const override { return FForm.Settings().Int(s); }

private:
    const TMainForm& FForm;
};

} // namespace

TMainForm::TMainForm(TDialogs& dialogs, std::unique_ptr<TLoginParams> login,
                     std::unique_ptr<TListOrdering> ordering, QWidget* parent)
    : QMainWindow(parent),
      INIOpenDialog(MakeINIOpenDialog()),
      INISaveDialog(MakeINISaveDialog()),
      SaveDialog(MakeHTMLSaveDialog()),
      XMLSaveDialog(MakeXMLSaveDialog()),
      DescriptionExportDialog(MakeDescriptionExportDialog()),
      FDialogs(dialogs),
      FSession(varnel::db::TIB_Session::Default()),
      FOwner(std::make_unique<varnel::db::TIB_Owner>()),
      IB_Connection(std::make_unique<varnel::db::TIB_Connection>(FSession)),
      IB_Transaction(std::make_unique<varnel::db::TIB_Transaction>(FSession)),
      FSettingsView(std::make_unique<TFormSettingsView>(*this)),
      FCatalogue(std::make_unique<TCatalogue>(*IB_Connection, *IB_Transaction, *FSettingsView, FOwner.get())),
      FLoginParams(login ? std::move(login)
                         : std::make_unique<TLoginParamsOf<varnel::db::TIB_Connection>>(*IB_Connection)),
      FListOrdering(ordering ? std::move(ordering) : std::make_unique<TQueryListOrdering>(*FCatalogue))
{
    SetUpConnection();
    FUi = BuildMainFormLayout(*this);
    BindControls();
    KWFormStorage = std::make_unique<TKWFormStorage>(this);
    KWFormStorage->SetRegistryKey("\\Software\\Ostrel\\Varnel");
    KWFormStorage->Loaded();
    FBinding = std::make_unique<TSettingsBinding>(*this, *FLoginParams, *FListOrdering, SaveDialog);
    for (const SettingInfo& info : SettingsTable())
        FBinding->Assign(info.Id, info.FormDefault);
    WireHandlers();
    StartUp();
}

TMainForm::~TMainForm()
{
    ShutDown();
    FSession->OnShowException = nullptr;
    FSession->OnLoginPrompt = nullptr;
    FSession->OnProcessMessages = nullptr;
    varnel::ui::TFetchProgressDialogs::Uninstall(*FSession);
}

void TMainForm::SetUpConnection()
{
    using namespace varnel::db;
    FOwner->Name = "MainForm";
    FOwner->ClassName = "TMainForm";
    IB_Connection->SetName("IB_Connection");
    IB_Connection->SetOwner(FOwner.get());
    IB_Connection->SetLoginPrompt(true);
    IB_Connection->SetLoginCaption("Database Login");
    // The path entry is a placeholder: the path field replaces it at every
    // connect.
    IB_Connection->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA", "PROTOCOL=TCP/IP",
                              "SERVER=local", "PATH=varnel.fdb"});
    IB_Transaction->SetName("IB_Transaction");
    IB_Transaction->SetOwner(FOwner.get());
    IB_Transaction->SetIB_Connection(IB_Connection.get());
    IB_Transaction->SetAutoCommit(true);
    IB_Transaction->SetIsolation(TIB_Isolation::tiCommitted);
    IB_Connection->SetDefaultTransaction(IB_Transaction.get());

    // The login loop shows each failed attempt at once and asks again.
    FSession->OnShowException = [this](const std::exception& e) { FDialogs.ShowError(e.what()); };
    FSession->OnLoginPrompt = [this](TIB_Connection& connection) { return FDialogs.Login(connection); };
    FSession->OnProcessMessages = [] { QCoreApplication::processEvents(); };
    FFetchProgress = std::make_unique<varnel::ui::TFetchProgressDialogs>();
    FFetchProgress->Confirm = [this](const std::string& text) {
        return FDialogs.MessageBox(text, "Confirm", TMsgButtons::OkCancel, TMsgIcon::Question) == TMsgResult::Ok;
    };
    FFetchProgress->Install(*FSession);
}

void TMainForm::BindControls()
{
    TCatalogue& c = *FCatalogue;
    FUi.TableGrid->SetDataSource(&c.TableDataSource);
    FUi.IB_Grid2->SetDataSource(&c.FieldDataSource);
    FUi.ViewGrid->SetDataSource(&c.ViewDataSource);
    FUi.IB_Grid6->SetDataSource(&c.ViewFieldDataSource);
    FUi.ProcedureGrid->SetDataSource(&c.ProcedureDataSource);
    FUi.IB_Grid4->SetDataSource(&c.ParameterDataSource);
    FUi.IB_Memo1->SetDataSource(&c.TableDataSource);
    FUi.IB_Memo2->SetDataSource(&c.FieldDataSource);
    FUi.IB_Memo5->SetDataSource(&c.ViewDataSource);
    FUi.IB_Memo6->SetDataSource(&c.ViewFieldDataSource);
    FUi.IB_Memo4->SetDataSource(&c.ProcedureDataSource);
    FUi.IB_Memo3->SetDataSource(&c.ParameterDataSource);
}

const SettingsAccessor& TMainForm::Settings() const { return *FBinding; }

void TMainForm::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const varnel::db::EIB_Abort&) {
        // A cancelled login ends the command silently.
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
    // Errors of the memo's own write and of MemoExit go to the session's
    // show-exception hook, the same top-level display.
    for (varnel::ui::TIB_Memo* memo : {FUi.IB_Memo1, FUi.IB_Memo2, FUi.IB_Memo5, FUi.IB_Memo6, FUi.IB_Memo4, FUi.IB_Memo3})
        memo->OnExit = [this](varnel::ui::TIB_Memo& sender) { MemoExit(&sender); };
    for (varnel::ui::TIB_Grid* grid : {FUi.TableGrid, FUi.ViewGrid, FUi.ProcedureGrid})
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid](const QPoint& pos) { PopupObjectList(grid, pos); });
    connect(FUi.PopupMenuExportSQLScript, &QAction::triggered, this, [this] {
        Guard([&] {
            if (FPopupComponent == FUi.TableGrid)
                PopupMenuExportSQLScriptClick(TObjectList::Tables);
            else if (FPopupComponent == FUi.ViewGrid)
                PopupMenuExportSQLScriptClick(TObjectList::Views);
            else if (FPopupComponent == FUi.ProcedureGrid)
                PopupMenuExportSQLScriptClick(TObjectList::Procedures);
        });
    });
    FBinding->ConnectChanges(this, [this] { SettingsChanged(); });
    AttachOrderingChanged(true);
}

void TMainForm::AttachOrderingChanged(bool attach)
{
    for (varnel::db::TIB_Query* q : {&FCatalogue->TableQuery, &FCatalogue->ViewQuery, &FCatalogue->ProcedureQuery}) {
        if (attach)
            q->OnOrderingChanged = [this](varnel::db::TIB_Dataset&) { OrderingChanged(); };
        else
            q->OnOrderingChanged = nullptr;
    }
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
        IB_Connection->SetConnected(false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnel: %s\n", e.what());
    }
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
