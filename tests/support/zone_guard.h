#pragma once

#include <time.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace corvina::test {

// Sets TZ for one test and puts the old value back afterwards, so that results do not depend on
// the machine's time zone.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace corvina::test
