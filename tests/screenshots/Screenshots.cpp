// varnel-screenshots DATABASE FOLDER: the main window connected to
// DATABASE, a row picked on each object list, and a picture of each of the
// pages "Tables", "Views", "Procedures" and "HTML settings" written to
// FOLDER as PNG files. Run by scripts/screenshots.sh under Xvfb, to look
// at the window as a person would.
#include "app/MainForm.h"
#include "guisupport/ScriptedDialogs.h"
#include "ui/IB_Grid.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <string>

namespace {

void Settle()
{
    for (int i = 0; i < 30; ++i)
        QApplication::processEvents();
}

// Selects the row-th row of a list (when it has that many), as a click would.
void Pick(varnel::ui::TIB_Grid* grid, int row)
{
    if (grid->model()->rowCount() > row)
        grid->setCurrentIndex(grid->model()->index(row, 0));
    Settle();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnel-screenshots DATABASE FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    varnel::test::ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    Settle();
    const TMainFormLayout& ui = form.Ui();
    ui.DbPathEdit->setText(QString::fromLocal8Bit(argv[1]));
    dialogs.AnswerLogin("SYSDBA", "");
    ui.LoginButton->click();
    Settle();
    if (form.ConnectedState() != 1) {
        for (const std::string& e : dialogs.Errors)
            std::fprintf(stderr, "varnel-screenshots: %s\n", e.c_str());
        return 1;
    }
    Pick(ui.TableGrid, 1);
    Pick(ui.IB_Grid2, 1);
    Pick(ui.ViewGrid, 0);
    Pick(ui.IB_Grid6, 1);
    Pick(ui.ProcedureGrid, 0);
    Pick(ui.IB_Grid4, 0);
    const char* names[] = {"1-tables", "2-views", "3-procedures", "4-html-settings"};
    for (int page = 0; page < 4; ++page) {
        ui.MainPageControl->setCurrentIndex(page);
        Settle();
        const QString file = QString::fromLocal8Bit(argv[2]) + "/" + names[page] + ".png";
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "varnel-screenshots: could not write %s\n", file.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", file.toLocal8Bit().constData());
    }
    return 0;
}
