// The bare window of the start-up benchmark: a Qt main window of the same Qt as the program,
// the size of the login window, shown at once. It stays until it is ended (StartupBench ends it
// as soon as the window is mapped).

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Finestra nuda"));
    window.resize(696, 480);
    window.show();
    return app.exec();
}
