// The floor of the desktop program's start-up for bench/startup_ratio.sh: an empty Qt Widgets
// window, built with the same compiler, flags and Qt as the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty"));
    window.show();
    return QApplication::exec();
}
