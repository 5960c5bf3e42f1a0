#include "core/base/case_fold.h"
#include "core/base/utf8.h"
#include "core/os/files.h"

// Windows wildcard masks, the same on every system.
namespace corvina {

namespace {

bool MatchesOneMask(std::string_view name, std::string_view mask) noexcept {
    if (mask == "*.*") return true;  // Windows reads "*.*" as every name, with a dot or not
    // Greedy matching with one backtracking point at the last '*': linear in practice and never
    // recursive, whatever the mask.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
            continue;
        }
        if (m < mask.size()) {
            std::size_t nextName = n;
            std::size_t nextMask = m;
            const char32_t c = FoldCase(NextCodePoint(name, nextName));
            bool same;
            if (mask[m] == '?') {
                ++nextMask;
                same = true;
            } else {
                same = c == FoldCase(NextCodePoint(mask, nextMask));
            }
            if (same) {
                n = nextName;
                m = nextMask;
                continue;
            }
        }
        if (starMask == std::string_view::npos) return false;
        m = starMask + 1;  // let the last '*' swallow one more character
        NextCodePoint(name, starName);
        n = starName;
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) noexcept {
    // Several masks may be given at once, separated by ';' ("*.jpg;*.bmp").
    std::size_t start = 0;
    while (true) {
        const std::size_t end = mask.find(';', start);
        const std::string_view one = mask.substr(start, end == mask.npos ? mask.npos : end - start);
        if (MatchesOneMask(name, one)) return true;
        if (end == mask.npos) return false;
        start = end + 1;
    }
}

}  // namespace corvina
