#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace corvina {

// Keeps a window from taking any input while a long run works through its files: the controls
// and menu bar inside `window` are disabled for the object's lifetime, so that no handler of the
// window can run while the run lets events through to repaint. The window's own dialogs and
// message boxes, windows of their own, stay usable. Controls that were disabled already stay so.
class BusyWindow {
public:
    explicit BusyWindow(QWidget* window);
    ~BusyWindow();
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    std::vector<QPointer<QWidget>> disabled_;
};

}  // namespace corvina
