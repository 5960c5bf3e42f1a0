#pragma once

#include <time.h>

#include "support/environment_guard.h"

namespace corvina::test {

// Sets TZ for one test and puts the old value back afterwards, so that results do not depend on
// the machine's time zone.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) : tz_("TZ", zone) { tzset(); }

private:
    // Members go in reverse order: TZ is put back first, then the zone is read again.
    struct ReadZoneAgain {
        ~ReadZoneAgain() { tzset(); }
    } readAgain_;
    EnvironmentGuard tz_;
};

}  // namespace corvina::test
