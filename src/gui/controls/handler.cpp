#include "gui/controls/handler.h"

#include <QString>
#include <exception>

#include "gui/controls/message_boxes.h"

namespace corvina {

void RunHandler(QWidget* parent, const std::function<void()>& handler) noexcept {
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        message = QStringLiteral("不明なエラーが発生しました");
    }
    try {
        ShowDefaultErrorBox(parent, message);
    } catch (...) {
        // Nothing is left to report a failure of the error box itself to.
    }
}

}  // namespace corvina
