#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace corvina::test {

// Sets (or, given nullptr, removes) one environment variable for the guard's life and puts the
// old value back afterwards.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) saved_ = old;
        Set(value);
    }
    ~EnvironmentGuard() { Set(saved_ ? saved_->c_str() : nullptr); }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    void Set(const char* value) const {
#ifdef _WIN32
        // An empty value removes the variable; Windows keeps no empty ones.
        ::_putenv_s(name_.c_str(), value != nullptr ? value : "");
#else
        if (value != nullptr)
            ::setenv(name_.c_str(), value, 1);
        else
            ::unsetenv(name_.c_str());
#endif
    }

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace corvina::test
