#include "wallpaper/wallpaper_window.h"

namespace corvina {

TForm4* Form4 = nullptr;

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Wallpaper Transporter"));
    setFixedSize(413, 452);
}

}  // namespace corvina
