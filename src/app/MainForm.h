#pragma once
// The main window and controller of the application. It owns the
// connection and its transaction, the schema catalogue on them (TCatalogue:
// the twelve catalogue queries), the controls (TMainFormLayout), the
// settings binding, the file dialogs' state and the two seams for the
// connection's login parameters and the lists' sort orders; it does not own
// the dialogs service, which must outlive it.
//
// Construction runs the start-up steps (the remembered settings file is
// loaded); destruction writes the current settings file's name to the
// per-user store. Every handler runs under the top-level error display:
// an exception shows its message through TDialogs::ShowError and the user
// carries on.
#include "app/Dialogs.h"
#include "app/ListOrdering.h"
#include "app/LoginParams.h"
#include "app/MainFormLayout.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class SettingsAccessor;
class TCatalogue;
class TSettingsBinding;
class TKWFormStorage;

namespace varnel::ui {
class TFetchProgressDialogs;
}

namespace varnel::db {
class TIB_Connection;
class TIB_Session;
class TIB_Transaction;
struct TIB_Owner;
} // namespace varnel::db

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // login / ordering: the seams; null login uses the window's connection,
    // null ordering the catalogue's three browse lists.
    explicit TMainForm(TDialogs& dialogs, std::unique_ptr<TLoginParams> login = nullptr,
                       std::unique_ptr<TListOrdering> ordering = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Controller state.
    const std::string& SettingsFile() const { return FSettingsFile; }
    bool SettingsChangedFlag() const { return FSettingsChanged; }
    const TMainFormLayout& Ui() const { return FUi; }
    // The documentation settings as the controls hold them at the moment
    // of each call (for the exporters and the catalogue).
    const SettingsAccessor& Settings() const;
    TLoginParams& LoginParams() { return *FLoginParams; }
    // The window's connection and its auto-committing read-committed
    // transaction.
    varnel::db::TIB_Connection& Connection() { return *IB_Connection; }
    varnel::db::TIB_Transaction& Transaction() { return *IB_Transaction; }
    // The catalogue queries and data sources on that connection.
    TCatalogue& Catalogue() { return *FCatalogue; }
    // The connected state as the Connect/Disconnect command keeps it
    // (LoginButton.Tag): 1 after a successful Connect, else 0.
    int ConnectedState() const { return FLoginButtonTag; }
    TListOrdering& ListOrdering() { return *FListOrdering; }

    // Settings file (load applies every value, then clears the changed flag,
    // makes the file current and updates the caption; save writes every
    // value, clears the flag and makes the file current).
    void LoadSettings(const std::string& fileName);
    void SaveSettings(const std::string& fileName);
    void UpdateCaption();

    // Handlers, wired to the controls and menus.
    void DbPathEditChange();
    void LoginButtonClick();
    void SystemDataCheckBoxClick();
    void SettingsChanged();
    void OrderingChanged();
    // OnExit of the six description memos: a pending edit of the memo's
    // dataset is posted (CheckBrowseMode); any other sender does nothing.
    void MemoExit(QObject* Sender);
    void MenuFileLoadClick();
    void MenuFileSaveClick();
    void MenuFileSaveAsClick();
    void MenuFileQuitClick();
    void MenuInfoAboutClick();
    void FormCloseQuery(bool& canClose);
    void HTMLExportButtonClick();
    void XMLExportButtonClick();
    void ScriptExportButtonClick();
    // "Export SQL script..." of the context menu of the object list List.
    void PopupMenuExportSQLScriptClick(TObjectList List);
    // Opens the context menu of an object list at pos (grid coordinates)
    // and remembers the list it was opened on for the menu's command.
    void PopupObjectList(QWidget* grid, const QPoint& pos);
    // The object list the context menu was last opened on, or null.
    QWidget* PopupComponent() const { return FPopupComponent; }

    // Runs a handler under the top-level error display.
    void Guard(const std::function<void()>& handler);

    // The window's file dialogs (designed properties and last names).
    TFileDialog INIOpenDialog;
    TFileDialog INISaveDialog;
    TFileDialog SaveDialog;
    TFileDialog XMLSaveDialog;
    TFileDialog DescriptionExportDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BindControls();
    void WireHandlers();
    void StartUp();
    void ShutDown() noexcept;
    void SetUpConnection();
    void Connect();
    void Disconnect();
    void SetExportButtonsEnabled(bool enabled);
    // OnOrderingChanged of the three object lists: OrderingChanged, or none
    // (while Connect and Disconnect open and close them).
    void AttachOrderingChanged(bool attach);

    TDialogs& FDialogs;
    // The session, connection and transaction come before the seams that
    // forward to them.
    std::shared_ptr<varnel::db::TIB_Session> FSession;
    std::unique_ptr<varnel::db::TIB_Owner> FOwner;
    std::unique_ptr<varnel::db::TIB_Connection> IB_Connection;
    std::unique_ptr<varnel::db::TIB_Transaction> IB_Transaction;
    // The catalogue reads the settings through this view of the binding,
    // which is made after it.
    std::unique_ptr<SettingsAccessor> FSettingsView;
    std::unique_ptr<TCatalogue> FCatalogue;
    int FLoginButtonTag = 0;
    std::unique_ptr<TLoginParams> FLoginParams;
    std::unique_ptr<TListOrdering> FListOrdering;
    TMainFormLayout FUi;
    std::unique_ptr<TSettingsBinding> FBinding;
    std::string FSettingsFile;
    bool FSettingsChanged = false;
    std::unique_ptr<varnel::ui::TFetchProgressDialogs> FFetchProgress;
    QWidget* FPopupComponent = nullptr;
    // Restores the window position while the window is built; stores it
    // when the members go, after the shut-down steps.
    std::unique_ptr<TKWFormStorage> KWFormStorage;
};
