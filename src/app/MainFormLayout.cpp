#include "app/MainFormLayout.h"

#include "ui/IB_Grid.h"
#include "ui/IB_Memo.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
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

using varnel::ui::TIB_Grid;
using varnel::ui::TIB_Memo;

// A list: whole-row selection, list-box style, no row indicator.
TIB_Grid* List(QWidget* parent, const char* name, const varnel::db::TIB_StringList& gridLinks,
               const char* stretchColumn)
{
    auto* grid = Named(new TIB_Grid(parent), name);
    grid->SetGridLinks(gridLinks);
    if (stretchColumn)
        grid->SetStretchColumn(stretchColumn);
    grid->SetRowSelect(true);
    grid->SetListBoxStyle(true);
    grid->SetIndicateRow(false);
    return grid;
}

// A description memo with its caption above it. The caption is the memo's
// auto label, placed by geometry: the memo sits in a holder whose top
// margin leaves room for it.
TIB_Memo* DescriptionMemo(QWidget* parent, QBoxLayout* into, const char* name, const char* caption, int height,
                          int stretch)
{
    QWidget* holder = new QWidget(parent);
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, holder->fontMetrics().height() + 3, 0, 0);
    auto* memo = Named(new TIB_Memo(holder), name);
    memo->SetDataField("RDB$DESCRIPTION");
    memo->setMinimumHeight(height);
    if (stretch == 0)
        memo->setFixedHeight(height);
    column->addWidget(memo);
    memo->AutoLabel().SetKind(varnel::ui::TIB_AutoLabelKind::albTop);
    memo->AutoLabel().SetCaption(caption);
    into->addWidget(holder, stretch);
    return memo;
}

struct TObjectPageControls {
    TIB_Grid* List = nullptr;
    TIB_Memo* Memo = nullptr;
    QTabWidget* DetailPages = nullptr;
    TIB_Grid* Detail = nullptr;
    TIB_Memo* DetailMemo = nullptr;
};

struct TObjectPageDesign {
    const char* Title;
    const char* PageName;
    const char* ListName;
    const char* MemoName;
    const char* MemoCaption;
    const char* DetailPageTitle;
    const char* DetailPageControlName;
    const char* DetailName;
    varnel::db::TIB_StringList DetailGridLinks;
    const char* DetailStretchColumn;
    const char* DetailMemoName;
    const char* DetailMemoCaption;
};

// An object page: the object list (233 wide) over the full height on the
// left; on the right the object's memo (105 high) and a page control with
// one page: the detail list (189 high) over the detail's memo (77 high,
// taking what height is left).
TObjectPageControls ObjectPage(QTabWidget* pages, const TObjectPageDesign& d)
{
    TObjectPageControls c;
    QWidget* page = Named(new QWidget(pages), d.PageName);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(6);
    c.List = List(page, d.ListName, {}, nullptr);
    c.List->setFixedWidth(233);
    c.List->setContextMenuPolicy(Qt::CustomContextMenu);
    row->addWidget(c.List);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    c.Memo = DescriptionMemo(page, right, d.MemoName, d.MemoCaption, 105, 0);
    c.DetailPages = Named(new QTabWidget(page), d.DetailPageControlName);
    QWidget* detailPage = new QWidget(c.DetailPages);
    auto* detailColumn = new QVBoxLayout(detailPage);
    detailColumn->setContentsMargins(4, 4, 4, 4);
    detailColumn->setSpacing(4);
    c.Detail = List(detailPage, d.DetailName, d.DetailGridLinks, d.DetailStretchColumn);
    c.Detail->setFixedHeight(189);
    detailColumn->addWidget(c.Detail);
    c.DetailMemo = DescriptionMemo(detailPage, detailColumn, d.DetailMemoName, d.DetailMemoCaption, 77, 1);
    c.DetailPages->addTab(detailPage, QString::fromLatin1(d.DetailPageTitle));
    right->addWidget(c.DetailPages, 1);
    row->addLayout(right, 1);
    pages->addTab(page, QString::fromLatin1(d.Title));
    return c;
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
    const char* fieldName = "RDB$RELATION_FIELDS.RDB$FIELD_NAME";
    TObjectPageControls tables = ObjectPage(
        ui.MainPageControl,
        {"Tables", "TablesPage", "TableGrid", "IB_Memo1", "Table description", "Fields", "FieldsPageControl",
         "IB_Grid2", {"RDB$FIELD_NAME=WIDTH=181", "FIELD_TYPE=WIDTH=103", "MANDATORY=WIDTH=63"}, fieldName,
         "IB_Memo2", "Field description"});
    TObjectPageControls views = ObjectPage(ui.MainPageControl,
                                           {"Views", "ViewsPage", "ViewGrid", "IB_Memo5", "View description", "Fields",
                                            "ViewFieldsPageControl", "IB_Grid6", {}, fieldName, "IB_Memo6",
                                            "Field description"});
    TObjectPageControls procedures = ObjectPage(
        ui.MainPageControl,
        {"Procedures", "ProceduresPage", "ProcedureGrid", "IB_Memo4", "Procedure description", "Parameters",
         "ParametersPageControl", "IB_Grid4", {"RDB$PARAMETER_NAME", "FIELD_TYPE=WIDTH=120", "INOUT=WIDTH=77"},
         "RDB$PARAMETER_NAME", "IB_Memo3", "Parameter description"});
    ui.TablesPage = ui.MainPageControl->widget(0);
    ui.ViewsPage = ui.MainPageControl->widget(1);
    ui.ProceduresPage = ui.MainPageControl->widget(2);
    ui.TableGrid = tables.List;
    ui.IB_Memo1 = tables.Memo;
    ui.FieldsPageControl = tables.DetailPages;
    ui.IB_Grid2 = tables.Detail;
    ui.IB_Memo2 = tables.DetailMemo;
    ui.ViewGrid = views.List;
    ui.IB_Memo5 = views.Memo;
    ui.ViewFieldsPageControl = views.DetailPages;
    ui.IB_Grid6 = views.Detail;
    ui.IB_Memo6 = views.DetailMemo;
    ui.ProcedureGrid = procedures.List;
    ui.IB_Memo4 = procedures.Memo;
    ui.ParametersPageControl = procedures.DetailPages;
    ui.IB_Grid4 = procedures.Detail;
    ui.IB_Memo3 = procedures.DetailMemo;
    ui.PopupMenu1 = Named(new QMenu(&window), "PopupMenu1");
    ui.PopupMenuExportSQLScript = MenuItem(ui.PopupMenu1, "Export SQL script...", "PopupMenuExportSQLScript");
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
