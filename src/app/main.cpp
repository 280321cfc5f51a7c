// Program entry of the Varnel main window. The program takes no arguments.
#include "app/MainForm.h"
#include "app/QtDialogs.h"

#include <QApplication>

#include <exception>

namespace {

// Catches what a handler let escape into the event loop and shows it with
// the application's error display; the user carries on.
class TVarnelApplication : public QApplication {
public:
    using QApplication::QApplication;
    TDialogs* Dialogs = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            if (Dialogs)
                Dialogs->ShowError(e.what());
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    TVarnelApplication app(argc, argv);
    TQtDialogs dialogs;
    app.Dialogs = &dialogs;
    try {
        TMainForm form(dialogs);
        dialogs.SetParent(&form);
        form.show();
        app.exec();
        dialogs.SetParent(nullptr);
    } catch (const std::exception& e) {
        dialogs.ShowError(e.what());
    }
    return 0;
}
