// varnel-bench-window DATABASE: the main window on the offscreen platform,
// connected to DATABASE with the login confirmed at once; prints the time
// from the confirmed login to the first drawn page of the table list and
// the number of table rows fetched by then:
//   first page: 12.3 ms
//   rows fetched: 27
//   attach: 8.1 ms        (the part of the first figure spent attaching)
// Built by the main project (target varnel-bench-window, not part of
// "all"), since it needs the window itself.
#include "app/MainForm.h"
#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "ui/IB_Grid.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

// Confirms the login prompt and notes when; every other dialog is an
// error of the benchmark.
class TBenchDialogs : public TDialogs {
public:
    Clock::time_point Confirmed;
    bool Failed = false;
    bool Execute(TFileDialog&) override { return false; }
    TMsgResult MessageBox(const std::string& text, const std::string&, TMsgButtons, TMsgIcon) override
    {
        std::fprintf(stderr, "varnel-bench-window: unexpected message: %s\n", text.c_str());
        Failed = true;
        return TMsgResult::Cancel;
    }
    void ShowError(const std::string& message) override
    {
        std::fprintf(stderr, "varnel-bench-window: %s\n", message.c_str());
        Failed = true;
    }
    bool Login(varnel::db::TIB_Connection&) override
    {
        Confirmed = Clock::now();
        return true;
    }
    int RunModal(QDialog&) override { return 0; }
};

class TPaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: varnel-bench-window DATABASE\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TBenchDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();

    varnel::ui::TIB_Grid* grid = form.Ui().TableGrid;
    TPaintWatch watch;
    form.Ui().DbPathEdit->setText(QString::fromLocal8Bit(argv[1]));
    grid->viewport()->installEventFilter(&watch);
    Clock::time_point attached{};
    form.Connection().AfterConnect = [&](varnel::db::TIB_Connection&) { attached = Clock::now(); };
    form.Ui().LoginButton->click();
    // The rows arrive with the grid's first layout and paint.
    while (!watch.Painted && !dialogs.Failed && form.ConnectedState() == 1)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const Clock::time_point drawn = Clock::now();
    if (dialogs.Failed || form.ConnectedState() != 1)
        return 1;
    const double ms = std::chrono::duration<double, std::milli>(drawn - dialogs.Confirmed).count();
    std::printf("first page: %.1f ms\n", ms);
    std::printf("rows fetched: %ld\n", form.Catalogue().TableQuery.FetchedRowCount());
    std::printf("rows shown: %d\n", grid->model()->rowCount());
    std::printf("attach: %.1f ms\n", std::chrono::duration<double, std::milli>(attached - dialogs.Confirmed).count());
    return 0;
}
