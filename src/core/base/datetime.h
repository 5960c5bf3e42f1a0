#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Dates and times as the program shows them.
namespace corvina {

// A calendar date and time of day in local time.
struct DateTime {
    int year = 1980;
    int month = 1;   // 1-12
    int day = 1;     // 1-31
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
    int second = 0;  // 0-59
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// A file's last-write time as a FAT directory entry holds it: local time, seconds rounded down
// to an even number.
using FileTime = DateTime;

// The local time of a moment given as seconds since 1970-01-01 00:00 UTC, rounded down to the
// two-second precision of a FAT entry. Uses the process's time zone (TZ).
FileTime FileTimeFromUnix(std::int64_t unixSeconds);

// Format patterns as Windows' regional settings write them: yyyy, yy, y, MM, M, dd, d for the
// date; HH, H, hh, h, mm, m, ss, s for the time, and tt (or t, its first character) for the
// morning or afternoon mark; longer runs of a letter read as its longest form above. Other
// characters are copied, and text in single or double quotes is copied without the quotes.
struct DateTimeFormat {
    std::string shortDate = "yyyy/MM/dd";  // the Japanese defaults
    std::string longTime = "H:mm:ss";
    std::string amText = "午前";
    std::string pmText = "午後";
};

// Windows' standard conversion of a date-time to text: the short date, a blank and the long
// time; the time is left out when it is exactly midnight.
std::string DateTimeToString(const DateTime& value, const DateTimeFormat& format = {});

}  // namespace corvina
