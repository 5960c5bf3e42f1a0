// The floor of the desktop program's start-up for bench/startup_ratio.sh: an empty Qt Widgets
// window, built with the same compiler, flags and Qt as the program. With "--text", the window
// holds one line of Japanese text in the program's font instead, which is what any window that
// shows text pays for the font system on top of the empty one.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty"));
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        QFont font(QStringLiteral("IPAPGothic"));
        font.setPixelSize(12);
        QApplication::setFont(font);
        auto* label = new QLabel(QStringLiteral("SAT 一括書き換え: 曲名、アーティスト名"), &window);
        label->adjustSize();
    }
    window.show();
    return QApplication::exec();
}
