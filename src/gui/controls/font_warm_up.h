#pragma once

#include <thread>

namespace corvina {

// Reads the system's font configuration on a second thread from the start of the program, while
// the display connection is made. Reading it (dozens of configuration files, then the font caches)
// costs more than anything else before the main window can show its first text, and it needs
// nothing from the window system. Wait() returns once it is read, and must come before the first
// text is measured: the font system would otherwise read it a second time. Where the platform has
// no such configuration, nothing is done.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void Wait();

private:
    std::thread thread_;
};

}  // namespace corvina
