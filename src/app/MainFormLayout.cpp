#include "app/MainFormLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class W>
W* Named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QAction* MenuItem(QMenu* menu, const char* text, const char* name)
{
    return Named(menu->addAction(QString::fromLatin1(text)), name);
}

// An object page; the lists, memos and detail pages are placed on it when
// the catalogue is in place.
QWidget* ObjectPage(QTabWidget* pages, const char* title, const char* name)
{
    QWidget* page = Named(new QWidget(pages), name);
    pages->addTab(page, QString::fromLatin1(title));
    return page;
}

} // namespace

TMainFormLayout BuildMainFormLayout(QMainWindow& window)
{
    TMainFormLayout ui;
    window.setObjectName("MainForm");
    window.setWindowTitle("Varnel");
    window.resize(693, 614);

    QMenu* file = Named(window.menuBar()->addMenu("File"), "MenuFile");
    ui.MenuFileLoad = MenuItem(file, "Load settings...", "MenuFileLoad");
    ui.MenuFileSave = MenuItem(file, "Save settings", "MenuFileSave");
    ui.MenuFileSaveAs = MenuItem(file, "Save settings as...", "MenuFileSaveAs");
    file->addSeparator();
    ui.MenuFileQuit = MenuItem(file, "Quit", "MenuFileQuit");
    QMenu* info = Named(window.menuBar()->addMenu("Info"), "MenuInfo");
    ui.MenuInfoAbout = MenuItem(info, "About Varnel...", "MenuInfoAbout");

    QWidget* central = Named(new QWidget(&window), "CentralPanel");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QWidget* top = Named(new QWidget(central), "TopPanel");
    top->setFixedHeight(37);
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(8, 4, 8, 4);
    auto* dbLabel = Named(new QLabel("Database:", top), "DbPathLabel");
    ui.DbPathEdit = Named(new QLineEdit(top), "DbPathEdit");
    ui.DbPathEdit->setFixedWidth(281);
    dbLabel->setBuddy(ui.DbPathEdit);
    ui.LoginButton = Named(new QPushButton("Connect...", top), "LoginButton");
    ui.LoginButton->setDefault(true);
    ui.LoginButton->setProperty("Tag", 0);
    ui.SystemDataCheckBox = Named(new QCheckBox("Show system data", top), "SystemDataCheckBox");
    topRow->addWidget(dbLabel);
    topRow->addWidget(ui.DbPathEdit);
    topRow->addWidget(ui.LoginButton);
    topRow->addSpacing(12);
    topRow->addWidget(ui.SystemDataCheckBox);
    topRow->addStretch(1);
    column->addWidget(top);

    ui.MainPageControl = Named(new QTabWidget(central), "MainPageControl");
    ui.TablesPage = ObjectPage(ui.MainPageControl, "Tables", "TablesPage");
    ui.ViewsPage = ObjectPage(ui.MainPageControl, "Views", "ViewsPage");
    ui.ProceduresPage = ObjectPage(ui.MainPageControl, "Procedures", "ProceduresPage");
    ui.HTMLSettingsPage = Named(new QWidget(ui.MainPageControl), "HTMLSettingsPage");
    auto* settingsColumn = new QVBoxLayout(ui.HTMLSettingsPage);
    settingsColumn->setContentsMargins(4, 4, 4, 4);
    ui.HTMLSettingsPageControl = BuildHTMLSettingsPages(ui.HTMLSettingsPage);
    settingsColumn->addWidget(ui.HTMLSettingsPageControl);
    ui.MainPageControl->addTab(ui.HTMLSettingsPage, "HTML settings");
    ui.MainPageControl->setCurrentIndex(0);
    column->addWidget(ui.MainPageControl, 1);

    QWidget* bottom = Named(new QWidget(central), "BottomPanel");
    bottom->setFixedHeight(41);
    auto* bottomRow = new QHBoxLayout(bottom);
    bottomRow->setContentsMargins(8, 6, 8, 6);
    ui.HTMLExportButton = Named(new QPushButton("HTML export...", bottom), "HTMLExportButton");
    ui.XMLExportButton = Named(new QPushButton("XML export...", bottom), "XMLExportButton");
    ui.ScriptExportButton = Named(new QPushButton("SQL export...", bottom), "ScriptExportButton");
    for (QPushButton* b : {ui.HTMLExportButton, ui.XMLExportButton, ui.ScriptExportButton}) {
        b->setEnabled(false);
        b->setAutoDefault(false);
        bottomRow->addWidget(b);
    }
    bottomRow->addStretch(1);
    column->addWidget(bottom);

    window.setCentralWidget(central);
    return ui;
}
