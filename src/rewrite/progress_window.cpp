#include "rewrite/progress_window.h"

namespace corvina {

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("ファイルを書き換えています。"));
    setFixedSize(514, 153);
}

}  // namespace corvina
