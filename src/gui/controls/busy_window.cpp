#include "gui/controls/busy_window.h"

namespace corvina {

BusyWindow::BusyWindow(QWidget* window) {
    // Disabling the window itself would disable its dialogs too; its parts are disabled instead.
    for (QWidget* part : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (part->isWindow() || !part->isEnabled()) continue;
        part->setEnabled(false);
        disabled_.emplace_back(part);
    }
}

BusyWindow::~BusyWindow() {
    for (const QPointer<QWidget>& part : disabled_)
        if (part) part->setEnabled(true);
}

}  // namespace corvina
