#pragma once

#include <utility>

namespace corvina {

// A service the windows reach program-wide (message boxes, open dialogs): the real one until a
// test sets its own. Set returns the previous service; the caller keeps ownership of the one it
// sets, and nullptr restores the real one.
template <typename Service>
class ServiceSlot {
public:
    explicit ServiceSlot(Service& real) : real_(real) {}
    Service& Get() const { return current_ != nullptr ? *current_ : real_; }
    Service* Set(Service* service) { return std::exchange(current_, service); }

private:
    Service& real_;
    Service* current_ = nullptr;
};

}  // namespace corvina
