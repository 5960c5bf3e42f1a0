#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace corvina {

// Runs one handler to its end. A failure that the handler does not foresee (any exception) ends
// the handler and is shown in the application's default error box; the program goes on.
// Every slot of every window goes through here.
void RunHandler(QWidget* parent, const std::function<void()>& handler) noexcept;

// Connects a control's signal to a handler method of its window, run through RunHandler:
// Wire(Button1, &QPushButton::clicked, this, &TForm2::Button1Click).
template <typename Sender, typename Signal, typename Window>
void Wire(Sender* sender, Signal signal, Window* window, void (Window::*handler)()) {
    QObject::connect(sender, signal, window, [window, handler] {
        RunHandler(window, [window, handler] { (window->*handler)(); });
    });
}

}  // namespace corvina
