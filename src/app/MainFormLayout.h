#pragma once
// The controls of the main window, built from code. Every control carries
// its name as its Qt object name, so the settings binding and the tests find
// the settings controls by name. The window owns every widget (Qt parent).
class QAction;
class QCheckBox;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTabWidget;
class QWidget;

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
