// The three object pages of the main window on the fixture database: the
// lists and memos with their captions, the detail list and both memos
// following the selection, descriptions edited by typing and leaving the
// memo (read back through a second connection), title clicks re-sorting a
// list, the lists' context menu, and an error leaving the window usable.
#include "MainFormTestBase.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "ui/IB_Grid.h"
#include "ui/IB_Memo.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <vector>

using namespace varnel::test;
using varnel::db::TIB_Connection;
using varnel::db::TIB_Statement;
using varnel::db::TIB_Transaction;
using varnel::ui::TIB_Grid;
using varnel::ui::TIB_Memo;

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
}

std::vector<std::string> Column(const TIB_Grid& grid, int col)
{
    std::vector<std::string> v;
    const QAbstractItemModel* m = grid.model();
    for (int r = 0; r < m->rowCount(); ++r)
        v.push_back(m->data(m->index(r, col)).toString().toStdString());
    return v;
}

std::vector<std::string> Titles(const TIB_Grid& grid)
{
    std::vector<std::string> v;
    for (int c = 0; c < grid.model()->columnCount(); ++c)
        v.push_back(grid.model()->headerData(c, Qt::Horizontal).toString().toStdString());
    return v;
}

class MainFormPagesTest : public MainFormTest {
protected:
    TestDatabase db;
    std::shared_ptr<varnel::db::TIB_Session> session = varnel::db::TIB_Session::Default();
    std::unique_ptr<TIB_Connection> second;
    std::unique_ptr<TIB_Transaction> secondTr;

    const TMainFormLayout& Ui() { return form->Ui(); }
    void StartConnected()
    {
        Start();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        Edit("DbPathEdit")->setText(QString::fromLatin1(db.path()));
        dialogs.AnswerLogin("SYSDBA", "");
        Find<QPushButton>("LoginButton")->click();
        ASSERT_EQ(form->ConnectedState(), 1) << (dialogs.Errors.empty() ? "" : dialogs.Errors.back());
        Settle();
    }
    void ShowPage(int index)
    {
        Ui().MainPageControl->setCurrentIndex(index);
        Settle();
    }
    // Clicks the row of the grid whose first column shows text.
    void ClickRow(TIB_Grid& grid, const std::string& text)
    {
        // A list on a page just shown fetches its rows once laid out.
        std::vector<std::string> names;
        (void)QTest::qWaitFor([&] {
            names = Column(grid, 0);
            return std::find(names.begin(), names.end(), text) != names.end();
        }, 2000);
        auto it = std::find(names.begin(), names.end(), text);
        ASSERT_NE(it, names.end()) << text;
        const QModelIndex index = grid.model()->index(int(it - names.begin()), 0);
        grid.scrollTo(index);
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.visualRect(index).center());
        Settle();
    }
    void TypeInto(TIB_Memo& memo, const QString& text)
    {
        QTest::mouseClick(memo.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        Settle();
        ASSERT_TRUE(memo.hasFocus());
        QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
        // One key event per character, Latin-1 letters included (which
        // QTest::keyClicks cannot type).
        for (QChar ch : text) {
            const int key = ch == u'\n' ? int(Qt::Key_Return) : ch.unicode() < 128 ? int(ch.toUpper().unicode()) : int(Qt::Key_unknown);
            const QString t = ch == u'\n' ? QString(u'\r') : QString(ch);
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, t);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, t);
            QApplication::sendEvent(&memo, &press);
            QApplication::sendEvent(&memo, &release);
        }
        Settle();
    }
    // The description as a second connection reads it; "<null>" for null.
    std::string Stored(const std::string& sql)
    {
        if (!second) {
            second = std::make_unique<TIB_Connection>(session);
            second->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
            second->SetDatabaseName(db.path());
            secondTr = std::make_unique<TIB_Transaction>(session);
            secondTr->SetIB_Connection(second.get());
            secondTr->SetAutoCommit(true);
            secondTr->SetIsolation(varnel::db::TIB_Isolation::tiCommitted);
            second->Connect();
        }
        TIB_Statement s(session);
        s.SetIB_Connection(second.get());
        s.SetIB_Transaction(secondTr.get());
        s.SetSQLText(sql);
        s.Execute();
        return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
    }
    void TearDown() override
    {
        secondTr.reset();
        second.reset();
        MainFormTest::TearDown();
    }
};

TEST_F(MainFormPagesTest, PagesHoldTheListsAndCaptionedMemos)
{
    Start();
    struct Page {
        QWidget* page;
        TIB_Grid* list;
        TIB_Memo* memo;
        const char* caption;
        QTabWidget* details;
        const char* detailTitle;
        TIB_Grid* detail;
        TIB_Memo* detailMemo;
        const char* detailCaption;
    };
    const TMainFormLayout& ui = Ui();
    for (const Page& p : {Page{ui.TablesPage, ui.TableGrid, ui.IB_Memo1, "Table description", ui.FieldsPageControl,
                               "Fields", ui.IB_Grid2, ui.IB_Memo2, "Field description"},
                          Page{ui.ViewsPage, ui.ViewGrid, ui.IB_Memo5, "View description", ui.ViewFieldsPageControl,
                               "Fields", ui.IB_Grid6, ui.IB_Memo6, "Field description"},
                          Page{ui.ProceduresPage, ui.ProcedureGrid, ui.IB_Memo4, "Procedure description",
                               ui.ParametersPageControl, "Parameters", ui.IB_Grid4, ui.IB_Memo3,
                               "Parameter description"}}) {
        SCOPED_TRACE(p.caption);
        ui.MainPageControl->setCurrentWidget(p.page);
        Settle();
        EXPECT_EQ(p.list->width(), 233);
        EXPECT_EQ(p.memo->height(), 105);
        EXPECT_EQ(p.detail->height(), 189);
        EXPECT_GE(p.detailMemo->height(), 77);
        ASSERT_EQ(p.details->count(), 1);
        EXPECT_EQ(p.details->tabText(0).toStdString(), p.detailTitle);
        for (TIB_Grid* g : {p.list, p.detail}) {
            EXPECT_TRUE(g->RowSelect() && g->ListBoxStyle() && !g->IndicateRow()) << g->objectName().toStdString();
            EXPECT_EQ(g->model()->rowCount(), 0) << "empty before the first connect";
        }
        EXPECT_EQ(p.list->contextMenuPolicy(), Qt::CustomContextMenu);
        EXPECT_EQ(p.detail->contextMenuPolicy(), Qt::DefaultContextMenu);
        for (auto [memo, caption] : {std::pair{p.memo, p.caption}, std::pair{p.detailMemo, p.detailCaption}}) {
            EXPECT_EQ(memo->DataField(), "RDB$DESCRIPTION");
            EXPECT_EQ(memo->toPlainText(), "");
            QLabel* label = memo->AutoLabel().Label();
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdString(), caption);
            EXPECT_TRUE(label->isVisible());
            const QRect l = label->geometry(), m = memo->geometry();
            EXPECT_EQ(l.bottom() + 1, m.top()) << "directly above the memo";
            EXPECT_GE(l.top(), 0) << "inside its holder";
            EXPECT_EQ(l.left(), m.left());
        }
        // The object memo is above the detail page control, which sits right of the list.
        EXPECT_LT(p.memo->mapTo(form.get(), QPoint()).y(), p.details->mapTo(form.get(), QPoint()).y());
        EXPECT_GT(p.details->mapTo(form.get(), QPoint()).x(), p.list->mapTo(form.get(), QPoint()).x() + 233);
    }
    EXPECT_EQ(ui.PopupMenu1->actions().size(), 1);
    EXPECT_EQ(ui.PopupMenuExportSQLScript->text().toStdString(), "Export SQL script...");
}

TEST_F(MainFormPagesTest, DetailsAndMemosFollowTheSelection)
{
    StartConnected();
    const TMainFormLayout& ui = Ui();
    EXPECT_EQ(Column(*ui.TableGrid, 0),
              (std::vector<std::string>{"CUSTOMERS", "EMPTY_DOC", "O'Reilly", "ORDERS", "odd names"}));
    EXPECT_EQ(Titles(*ui.TableGrid), std::vector<std::string>{"Table"});
    EXPECT_EQ(Titles(*ui.IB_Grid2), (std::vector<std::string>{"Field", "Type", "NOT NULL"}));
    EXPECT_EQ(ui.IB_Grid2->columnWidth(1), 103);
    EXPECT_EQ(ui.IB_Grid2->columnWidth(2), 63);
    EXPECT_EQ(ui.IB_Grid2->StretchColumnIndex(), 0);
    EXPECT_EQ(Titles(*ui.IB_Grid6), (std::vector<std::string>{"Field", "Base table", "Base field", "Field description"}));
    EXPECT_EQ(Titles(*ui.IB_Grid4), (std::vector<std::string>{"Parameter", "Type", "In/Out"}));
    EXPECT_EQ(ui.IB_Grid4->columnWidth(1), 120);
    EXPECT_EQ(ui.IB_Grid4->columnWidth(2), 77);
    EXPECT_EQ(ui.IB_Memo1->toPlainText().toStdString(),
              "Customers of the shop: <b>bold</b> & \"quoted\", it's fine");

    // Tables: another table, then a field of it.
    ClickRow(*ui.TableGrid, "ORDERS");
    EXPECT_EQ(Column(*ui.IB_Grid2, 0), (std::vector<std::string>{"ORDER_ID", "CUST_ID", "AMOUNT", "NOTES"}));
    EXPECT_EQ(ui.IB_Memo1->toPlainText().toStdString(), "Orders placed by customers");
    EXPECT_EQ(ui.IB_Memo2->toPlainText().toStdString(), "CR\nalone");
    ClickRow(*ui.IB_Grid2, "AMOUNT");
    EXPECT_EQ(ui.IB_Memo2->toPlainText().toStdString(), "Amount > 0 and < 1000000");
    ClickRow(*ui.TableGrid, "EMPTY_DOC");
    EXPECT_EQ(Column(*ui.IB_Grid2, 0), (std::vector<std::string>{"ID", "LABEL"}));
    EXPECT_EQ(ui.IB_Memo1->toPlainText().toStdString(), "") << "no description";
    EXPECT_EQ(ui.IB_Memo2->toPlainText().toStdString(), "");

    // Views: the columns with their base table and field.
    ShowPage(1);
    ClickRow(*ui.ViewGrid, "V_ORDERS_CUST");
    EXPECT_EQ(ui.IB_Memo5->toPlainText().toStdString(), "Orders with the customer's name");
    std::vector<std::string> fields = Column(*ui.IB_Grid6, 0);
    auto name = std::find(fields.begin(), fields.end(), "NAME");
    ASSERT_NE(name, fields.end());
    const int row = int(name - fields.begin());
    EXPECT_EQ(Column(*ui.IB_Grid6, 1)[row], "CUSTOMERS");
    EXPECT_EQ(Column(*ui.IB_Grid6, 2)[row], "NAME");
    ClickRow(*ui.IB_Grid6, "NAME");
    EXPECT_EQ(ui.IB_Memo6->toPlainText().toStdString(), "From CUSTOMERS");

    // Procedures: inputs before outputs.
    ShowPage(2);
    ClickRow(*ui.ProcedureGrid, "P_ORDERS");
    EXPECT_EQ(ui.IB_Memo4->toPlainText().toStdString(), "Orders of one customer above an amount");
    EXPECT_EQ(Column(*ui.IB_Grid4, 0), (std::vector<std::string>{"CUST", "MIN_AMOUNT", "ORDER_ID", "AMOUNT"}));
    EXPECT_EQ(Column(*ui.IB_Grid4, 2), (std::vector<std::string>{"INPUT", "INPUT", "OUTPUT", "OUTPUT"}));
    ClickRow(*ui.IB_Grid4, "AMOUNT");
    EXPECT_EQ(ui.IB_Memo3->toPlainText().toStdString(), "Order amount");
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    EXPECT_FALSE(form->SettingsChangedFlag());
}

struct EditCase {
    const char* name;
    int page;
    TIB_Grid* TMainFormLayout::*list;
    const char* object;
    TIB_Grid* TMainFormLayout::*detail; // null: the object's own memo
    const char* member;
    TIB_Memo* TMainFormLayout::*memo;
    std::string stored; // SELECT of the description
};

TEST_F(MainFormPagesTest, TypingAndLeavingTheMemoPostsTheDescription)
{
    StartConnected();
    const EditCase cases[] = {
        {"table", 0, &TMainFormLayout::TableGrid, "O'Reilly", nullptr, nullptr, &TMainFormLayout::IB_Memo1,
         "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'O''Reilly'"},
        {"field", 0, &TMainFormLayout::TableGrid, "odd names", &TMainFormLayout::IB_Grid2, "it's",
         &TMainFormLayout::IB_Memo2,
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'odd names' AND "
         "RDB$FIELD_NAME = 'it''s'"},
        {"view field", 1, &TMainFormLayout::ViewGrid, "V_CUSTOMER_CREDIT", &TMainFormLayout::IB_Grid6,
         "DOUBLE_CREDIT", &TMainFormLayout::IB_Memo6,
         "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'V_CUSTOMER_CREDIT' AND "
         "RDB$FIELD_NAME = 'DOUBLE_CREDIT'"},
        {"procedure", 2, &TMainFormLayout::ProcedureGrid, "P_NOTHING", nullptr, nullptr, &TMainFormLayout::IB_Memo4,
         "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'P_NOTHING' AND "
         "RDB$PACKAGE_NAME IS NULL"},
        {"parameter", 2, &TMainFormLayout::ProcedureGrid, "P_OUT", &TMainFormLayout::IB_Grid4, "LABEL",
         &TMainFormLayout::IB_Memo3,
         "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = 'P_OUT' AND "
         "RDB$PARAMETER_NAME = 'LABEL' AND RDB$PACKAGE_NAME IS NULL"},
    };
    const TMainFormLayout& ui = Ui();
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        ShowPage(c.page);
        ClickRow(*(ui.*c.list), c.object);
        if (c.detail)
            ClickRow(*(ui.*c.detail), c.member);
        TIB_Memo& memo = *(ui.*c.memo);
        TypeInto(memo, QString::fromLatin1("Edited \xe9 it's\nsecond line"));
        EXPECT_EQ(memo.Dataset()->State(), varnel::db::TIB_DatasetState::dssEdit);
        // Leaving the memo: the list takes the focus.
        (ui.*c.list)->setFocus(Qt::TabFocusReason);
        Settle();
        EXPECT_EQ(memo.Dataset()->State(), varnel::db::TIB_DatasetState::dssBrowse);
        EXPECT_EQ(Stored(c.stored), "Edited \xe9 it's\r\nsecond line\r\n");
    }
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
    // The other packaged routine of the same name kept its description.
    EXPECT_EQ(Stored("SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PACKAGE_NAME = 'PKG'"),
              "Package routine, not the standalone P_OUT");
}

TEST_F(MainFormPagesTest, ClickingAnotherTablePostsTheFieldUnderTheOldTable)
{
    StartConnected();
    const TMainFormLayout& ui = Ui();
    ClickRow(*ui.TableGrid, "ORDERS");
    ClickRow(*ui.IB_Grid2, "CUST_ID");
    TypeInto(*ui.IB_Memo2, "Who ordered");
    ClickRow(*ui.TableGrid, "CUSTOMERS");
    EXPECT_EQ(Stored("SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'ORDERS' AND "
                     "RDB$FIELD_NAME = 'CUST_ID'"),
              "Who ordered\r\n");
    EXPECT_EQ(Stored("SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'CUSTOMERS' AND "
                     "RDB$FIELD_NAME = 'CUST_ID'"),
              "Primary key");
    EXPECT_EQ(Column(*ui.IB_Grid2, 0).front(), "CUST_ID");
    EXPECT_EQ(ui.IB_Memo2->toPlainText().toStdString(), "Primary key");
    EXPECT_EQ(ui.IB_Memo1->toPlainText().toStdString().rfind("Customers of the shop", 0), 0u);
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
}

TEST_F(MainFormPagesTest, TitleClickResortsTheListAndMarksTheSettings)
{
    StartConnected();
    const TMainFormLayout& ui = Ui();
    EXPECT_FALSE(form->SettingsChangedFlag());
    QHeaderView* header = ui.TableGrid->horizontalHeader();
    auto clickTitle = [&] {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
        Settle();
    };
    clickTitle();
    EXPECT_EQ(form->Catalogue().TableQuery.OrderingItemNo(), -1);
    EXPECT_EQ(Column(*ui.TableGrid, 0).front(), "odd names");
    EXPECT_TRUE(form->SettingsChangedFlag());
    clickTitle();
    EXPECT_EQ(form->Catalogue().TableQuery.OrderingItemNo(), 1);
    EXPECT_EQ(Column(*ui.TableGrid, 0).front(), "CUSTOMERS");

    // Disconnect and Connect are no change of the order.
    std::string ini = Path("saved.ini");
    dialogs.AnswerFile(ini);
    Find<QAction>("MenuFileSaveAs")->trigger();
    ASSERT_FALSE(form->SettingsChangedFlag());
    Find<QPushButton>("LoginButton")->click();
    dialogs.AnswerLogin("SYSDBA", "");
    Find<QPushButton>("LoginButton")->click();
    EXPECT_EQ(form->ConnectedState(), 1);
    EXPECT_FALSE(form->SettingsChangedFlag());
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
}

TEST_F(MainFormPagesTest, ContextMenuWritesTheScriptOfTheListItWasOpenedOn)
{
    StartConnected();
    const TMainFormLayout& ui = Ui();
    ShowPage(1);
    ClickRow(*ui.ViewGrid, "V_ORDERS_CUST");
    ShowPage(0);
    ClickRow(*ui.TableGrid, "O'Reilly");
    for (auto [grid, object] :
         {std::pair{ui.ViewGrid, "V_ORDERS_CUST"}, std::pair{ui.TableGrid, "O'Reilly"}}) {
        emit grid->customContextMenuRequested(QPoint(10, 10));
        Settle();
        EXPECT_EQ(form->PopupComponent(), grid);
        EXPECT_TRUE(ui.PopupMenu1->isVisible());
        const std::string file = Path(std::string("DESC_") + object + ".sql");
        dialogs.AnswerFile(file);
        ui.PopupMenuExportSQLScript->trigger();
        ui.PopupMenu1->hide();
        ASSERT_FALSE(dialogs.FileDialogs.empty());
        EXPECT_EQ(dialogs.FileDialogs.back().FileName, std::string("DESC_") + object + ".sql");
        const std::string script = readFile(file);
        EXPECT_NE(script.find(std::string("\"") + object + "\""), std::string::npos) << script;
        EXPECT_EQ(script.find("COMMENT ON PROCEDURE"), std::string::npos);
    }
    EXPECT_TRUE(dialogs.Errors.empty()) << dialogs.Errors.front();
}

TEST_F(MainFormPagesTest, AnErrorIsShownAndTheWindowStaysUsable)
{
    StartConnected();
    const TMainFormLayout& ui = Ui();
    dialogs.AnswerFile(Path("missing/folder/doc.html"));
    ui.HTMLExportButton->click();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_NE(dialogs.Errors[0].find("missing/folder/doc.html"), std::string::npos) << dialogs.Errors[0];
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Browsing and editing carry on.
    ClickRow(*ui.TableGrid, "EMPTY_DOC");
    EXPECT_EQ(ui.IB_Memo1->toPlainText().toStdString(), "");
    TypeInto(*ui.IB_Memo1, "Now documented");
    ui.TableGrid->setFocus(Qt::TabFocusReason);
    Settle();
    EXPECT_EQ(Stored("SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'EMPTY_DOC'"),
              "Now documented\r\n");
    dialogs.AnswerFile(Path("doc.html"));
    ui.HTMLExportButton->click();
    EXPECT_EQ(dialogs.Errors.size(), 1u) << dialogs.Errors.back();
    EXPECT_NE(readFile(Path("doc.html")).find("Now documented"), std::string::npos);
}

} // namespace
