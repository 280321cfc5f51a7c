// Program entry of the Varnel main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("Varnel");
    w.resize(693, 614);
    w.show();
    return app.exec();
}
