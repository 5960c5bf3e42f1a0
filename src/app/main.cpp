// Program entry of the desktop program.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvina  version 1.0");
    QMainWindow window;
    window.setWindowTitle("Corvina version 1.0");
    window.resize(678, 633);
    window.show();
    return app.exec();
}
