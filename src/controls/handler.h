#pragma once

#include <functional>

class QWidget;

namespace corvina {

// Runs one handler to its end. A failure that the handler does not foresee (any exception) ends
// the handler and is shown in the application's default error box; the program goes on.
// Every slot of every window goes through here.
void RunHandler(QWidget* parent, const std::function<void()>& handler) noexcept;

}  // namespace corvina
