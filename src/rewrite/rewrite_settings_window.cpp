#include "rewrite/rewrite_settings_window.h"

namespace corvina {

TForm3* Form3 = nullptr;

// A tool window with no buttons in its caption.
TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("書き換え設定"));
    setFixedSize(404, 464);
}

}  // namespace corvina
