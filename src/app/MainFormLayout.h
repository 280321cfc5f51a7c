#pragma once
// The controls of the main window, built from code. Every control carries
// its name as its Qt object name, so the settings binding and the tests find
// the settings controls by name. The window owns every widget (Qt parent).
class QAction;
class QCheckBox;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;

namespace varnel::ui {
class TIB_Grid;
class TIB_Memo;
} // namespace varnel::ui

struct TMainFormLayout {
    // Top bar.
    QLineEdit* DbPathEdit = nullptr;
    QPushButton* LoginButton = nullptr;
    QCheckBox* SystemDataCheckBox = nullptr;
    // Main page control: "Tables", "Views", "Procedures", "HTML settings".
    QTabWidget* MainPageControl = nullptr;
    QWidget* TablesPage = nullptr;
    QWidget* ViewsPage = nullptr;
    QWidget* ProceduresPage = nullptr;
    QWidget* HTMLSettingsPage = nullptr;
    // The object pages: on each, the object list on the left, its
    // description memo at the top right and, below it, a page control with
    // one page holding the detail list and the detail's description memo.
    // The grids and memos are bound to their data sources by the window.
    varnel::ui::TIB_Grid* TableGrid = nullptr;
    varnel::ui::TIB_Grid* IB_Grid2 = nullptr; // table fields
    varnel::ui::TIB_Grid* ViewGrid = nullptr;
    varnel::ui::TIB_Grid* IB_Grid6 = nullptr; // view fields
    varnel::ui::TIB_Grid* ProcedureGrid = nullptr;
    varnel::ui::TIB_Grid* IB_Grid4 = nullptr; // procedure parameters
    varnel::ui::TIB_Memo* IB_Memo1 = nullptr; // table
    varnel::ui::TIB_Memo* IB_Memo2 = nullptr; // table field
    varnel::ui::TIB_Memo* IB_Memo5 = nullptr; // view
    varnel::ui::TIB_Memo* IB_Memo6 = nullptr; // view field
    varnel::ui::TIB_Memo* IB_Memo4 = nullptr; // procedure
    varnel::ui::TIB_Memo* IB_Memo3 = nullptr; // parameter
    QTabWidget* FieldsPageControl = nullptr;
    QTabWidget* ViewFieldsPageControl = nullptr;
    QTabWidget* ParametersPageControl = nullptr;
    // The context menu of the three object lists: "Export SQL script...".
    QMenu* PopupMenu1 = nullptr;
    QAction* PopupMenuExportSQLScript = nullptr;
    // The six settings pages.
    QTabWidget* HTMLSettingsPageControl = nullptr;
    // Bottom bar.
    QPushButton* HTMLExportButton = nullptr;
    QPushButton* XMLExportButton = nullptr;
    QPushButton* ScriptExportButton = nullptr;
    // Menus.
    QAction* MenuFileLoad = nullptr;
    QAction* MenuFileSave = nullptr;
    QAction* MenuFileSaveAs = nullptr;
    QAction* MenuFileQuit = nullptr;
    QAction* MenuInfoAbout = nullptr;
};

// Builds the whole window: menus, top bar, pages, bottom bar; designed size
// 693 x 614 and caption "Varnel".
TMainFormLayout BuildMainFormLayout(QMainWindow& window);

// The "HTML settings" page control with its six pages and every settings
// control ("Header", "Tables", "Views", "Procedures", "End",
// "Table of Contents").
QTabWidget* BuildHTMLSettingsPages(QWidget* parent);
