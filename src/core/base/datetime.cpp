#include "core/base/datetime.h"

#include <ctime>

#include "core/base/case_fold.h"
#include "core/base/utf8.h"

namespace corvina {

namespace {

void AppendNumber(std::string& out, int value, int minDigits) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (value < 0) out += '-';
    if (static_cast<int>(digits.size()) < minDigits)
        out.append(static_cast<std::size_t>(minDigits) - digits.size(), '0');
    out += digits;
}

// The first character of a UTF-8 text.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty()) return text;
    std::size_t pos = 0;
    NextCodePoint(text, pos);
    return text.substr(0, pos);
}

void AppendFormatted(std::string& out, const DateTime& value, std::string_view pattern,
                     const DateTimeFormat& format) {
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '\'' || c == '"') {
            const std::size_t close = pattern.find(c, pos + 1);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(pos + 1, end - pos - 1));
            pos = end == pattern.size() ? end : end + 1;
            continue;
        }
        std::size_t run = 1;
        while (pos + run < pattern.size() && pattern[pos + run] == c) ++run;
        const int width = run >= 2 ? 2 : 1;
        const int hour12 = value.hour % 12 == 0 ? 12 : value.hour % 12;
        switch (c) {
            case 'y':
                if (run >= 3)
                    AppendNumber(out, value.year, 4);
                else
                    AppendNumber(out, ((value.year % 100) + 100) % 100, width);
                break;
            case 'M':
                AppendNumber(out, value.month, width);
                break;
            case 'd':
                AppendNumber(out, value.day, width);
                break;
            case 'H':
                AppendNumber(out, value.hour, width);
                break;
            case 'h':
                AppendNumber(out, hour12, width);
                break;
            case 'm':
                AppendNumber(out, value.minute, width);
                break;
            case 's':
                AppendNumber(out, value.second, width);
                break;
            case 't': {
                const std::string& mark = value.hour < 12 ? format.amText : format.pmText;
                out.append(run >= 2 ? std::string_view(mark) : FirstCharacter(mark));
                break;
            }
            default:
                out.append(run, c);
                break;
        }
        pos += run;
    }
}

}  // namespace

FileTime FileTimeFromUnix(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return FileTime{};  // out of the calendar's range
    FileTime result;
    result.year = local.tm_year + 1900;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    // A FAT entry stores seconds / 2; a leap second (60) becomes 58 like any other.
    result.second = (local.tm_sec > 59 ? 59 : local.tm_sec) / 2 * 2;
    return result;
}

std::string DateTimeToString(const DateTime& value, const DateTimeFormat& format) {
    std::string text;
    AppendFormatted(text, value, format.shortDate, format);
    if (value.hour != 0 || value.minute != 0 || value.second != 0) {
        text += ' ';
        AppendFormatted(text, value, format.longTime, format);
    }
    return text;
}

}  // namespace corvina
