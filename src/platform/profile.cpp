#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/cp932.h"
#include "platform/errors.h"

// The file is parsed as code page 932 bytes, one character (one or two bytes) at a time. Every
// byte that carries syntax (CR, LF, blanks, '=', ';', quotes) is below 0x40 and so can never be
// the second byte of a two-byte character; '[' and ']' and the ASCII letters can be, which is why
// section names are scanned and names compared character by character.
namespace corvina {

namespace {

const char* const kReadFailed = "ファイルを読み込めません";
const char* const kWriteFailed = "ファイルに書き込めません";

bool IsBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D);
}

// Blanks as the file's lines are trimmed of them: tab, LF, VT, FF, CR and space.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Requested names lose spaces only: a tab around a requested name makes the lookup fail.
std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Names are equal when they hold the same characters, ASCII letters compared ignoring case. A
// two-byte character is compared as it is, so "ア" (83 41) never matches "ヂ" (83 61).
bool NamesEqual(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t lengthA = cp932::CharLength(a.substr(i));
        const std::size_t lengthB = cp932::CharLength(b.substr(j));
        if (lengthA != lengthB) return false;
        if (lengthA == 1) {
            if (FoldAscii(a[i]) != FoldAscii(b[j])) return false;
        } else if (a.substr(i, 2) != b.substr(j, 2)) {
            return false;
        }
        i += lengthA;
        j += lengthB;
    }
    return i == a.size() && j == b.size();
}

// The offset of the first ']' that is a character of its own, or text.size().
std::size_t FindClosingBracket(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] != ']') pos += cp932::CharLength(text.substr(pos));
    return pos;
}

enum class LineKind { kOther, kSection, kKey };

// One line of the file: [begin, textEnd) is its text, [textEnd, end) its line break (CR LF, CR,
// LF, or nothing for an unterminated last line). Names and values are trimmed views into the
// file's content.
struct Line {
    std::size_t begin = 0;
    std::size_t textEnd = 0;
    std::size_t end = 0;
    LineKind kind = LineKind::kOther;
    std::string_view name;
    std::string_view value;
};

void ClassifyLine(std::string_view content, Line& line) {
    const std::string_view text = TrimBlanks(content.substr(line.begin, line.textEnd - line.begin));
    if (text.empty() || text.front() == ';') return;  // blank line or comment
    if (text.front() == '[') {
        // The name ends at the first ']', or at the end of a header that has none.
        const std::string_view inside = text.substr(1);
        line.kind = LineKind::kSection;
        line.name = TrimBlanks(inside.substr(0, FindClosingBracket(inside)));
        return;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return;  // not a key
    line.kind = LineKind::kKey;
    line.name = TrimBlanks(text.substr(0, equals));
    line.value = TrimBlanks(text.substr(equals + 1));
}

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        Line line;
        line.begin = pos;
        const std::size_t lineBreak = content.find_first_of("\r\n", pos);
        if (lineBreak == std::string_view::npos) {
            line.textEnd = line.end = content.size();
        } else {
            line.textEnd = lineBreak;
            line.end = lineBreak + 1;
            if (content[lineBreak] == '\r' && line.end < content.size() &&
                content[line.end] == '\n') {
                ++line.end;
            }
        }
        ClassifyLine(content, line);
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where a key is, or would go, in the file: indexes into the lines, kNone where absent. Only the
// first section of the name counts, and within it the first key of the name.
struct KeyPlace {
    std::size_t section = kNone;
    std::size_t key = kNone;
    std::size_t lastKey = kNone;  // the section's last key line, whatever its name
};

KeyPlace FindKey(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    KeyPlace place;
    std::size_t i = 0;
    while (i < lines.size() &&
           !(lines[i].kind == LineKind::kSection && NamesEqual(lines[i].name, section))) {
        ++i;
    }
    if (i == lines.size()) return place;
    place.section = i;
    for (++i; i < lines.size() && lines[i].kind != LineKind::kSection; ++i) {
        if (lines[i].kind != LineKind::kKey) continue;
        place.lastKey = i;
        if (place.key == kNone && NamesEqual(lines[i].name, key)) place.key = i;
    }
    return place;
}

// The longest start of `text` that fits `limit` bytes without splitting a character.
std::string_view CutToBytes(std::string_view text, std::size_t limit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t length = cp932::CharLength(text.substr(pos));
        if (pos + length > limit) break;
        pos += length;
    }
    return text.substr(0, pos);
}

// A value as Windows hands it out: up to a NUL byte (the end of a C string), without blanks
// around it, and without one pair of enclosing quotes of the same kind.
std::string_view CleanValue(std::string_view value) {
    if (const std::size_t nul = value.find('\0'); nul != std::string_view::npos) {
        value = TrimBlanks(value.substr(0, nul));
    }
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// The whole content of a regular file, or nothing when it does not exist. Throws FileError when
// it exists but cannot be read, or is a folder, a device or a pipe (opened without blocking, so
// that a pipe never hangs the reader).
std::optional<std::string> ReadProfileFile(const std::filesystem::path& file) {
    const std::string pathText = file.string();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw MakeFileError(kReadFailed, pathText, errno);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw MakeFileError(kReadFailed, pathText, error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        if (S_ISDIR(status.st_mode)) throw MakeFileError(kReadFailed, pathText, EISDIR);
        throw MakeFileError(kReadFailed, pathText, std::string("通常のファイルではありません"));
    }
    std::string content;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw MakeFileError(kReadFailed, pathText, error);
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return content;
}

// Replaces the file with `content`: the new content goes to a file of its own in the same folder,
// which then takes the old file's place, so a failure at any point leaves the old file whole. A
// replaced file keeps its permissions (and its owner where allowed); a symbolic link keeps
// pointing at the file, which is replaced where it lies.
void ReplaceProfileFile(const std::filesystem::path& file, std::string_view content) {
    const std::string pathText = file.string();
    std::filesystem::path target = file;
    std::error_code ec;
    if (std::filesystem::is_symlink(file, ec)) {
        const std::filesystem::path resolved = std::filesystem::canonical(file, ec);
        if (!ec) target = resolved;
    }
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;

    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // A short name of our own beside the file, whatever the file's name (a name near the
    // system's length limit would otherwise fail).
    const auto seed =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                   (static_cast<std::uint64_t>(::getpid()) << 32));
    std::filesystem::path temp;
    int fd = -1;
    for (std::uint64_t attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".~ini%08llx.tmp",
                      static_cast<unsigned long long>((seed + attempt * 7919) & 0xFFFFFFFF));
        temp = folder / name;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw MakeFileError(kWriteFailed, pathText, errno);

    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw MakeFileError(kWriteFailed, pathText, error);
    };
    if (replacing) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) fail(errno);
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    }
    for (std::size_t written = 0; written < content.size();) {
        const ssize_t count = ::write(fd, content.data() + written, content.size() - written);
        if (count < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        written += static_cast<std::size_t>(count);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw MakeFileError(kWriteFailed, pathText, error);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw MakeFileError(kWriteFailed, pathText, error);
    }
}

void RefuseLineBreaks(std::string_view text, const char* what) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw std::invalid_argument(std::string(what) + "に改行文字や NUL 文字は使えません");
    }
}

// A name written to the file must read back as the same name, or every later write would add
// the line again: a key must not hold '=' or start like a comment or a section header, a section
// must not hold ']', and neither may start or end with a blank other than a space (spaces are
// dropped from both ends, as Windows drops them).
void RefuseUnreadableNames(std::string_view section, std::string_view key) {
    if (key.find('=') != std::string_view::npos ||
        (!key.empty() && (key.front() == ';' || key.front() == '['))) {
        throw std::invalid_argument("キー名に '=' は使えず、';' や '[' で始めることもできません");
    }
    if (FindClosingBracket(section) != section.size()) {
        throw std::invalid_argument("セクション名に ']' は使えません");
    }
    if (TrimBlanks(key).size() != key.size() || TrimBlanks(section).size() != section.size()) {
        throw std::invalid_argument("セクション名やキー名の前後にタブは使えません");
    }
}

// The file's content with `key` in `section` set to `value` (all in code page 932): a minimal
// edit that leaves every other byte as it was. New lines end in CR LF, as Windows writes them.
std::string EditProfile(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
    if (content.empty()) return "[" + std::string(section) + "]\r\n" + keyLine;

    const std::vector<Line> lines = SplitLines(content);
    const KeyPlace place = FindKey(lines, section, key);
    std::string out;
    out.reserve(content.size() + keyLine.size() + section.size() + 6);
    if (place.section == kNone) {
        out = content;
        if (out.back() != '\r' && out.back() != '\n') out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + keyLine;
    } else if (place.key != kNone) {
        // The key keeps the spelling it has in the file, and its line keeps its line break.
        const Line& line = lines[place.key];
        out.append(content.substr(0, line.begin));
        out.append(line.name);
        out += '=';
        out.append(value);
        if (line.textEnd == line.end) {
            out += "\r\n";
        } else {
            out.append(content.substr(line.textEnd, line.end - line.textEnd));
        }
        out.append(content.substr(line.end));
    } else {
        // After the section's last key line, so before any comments and blank lines that follow
        // it; right after the header when the section has no keys yet.
        const Line& line = lines[place.lastKey != kNone ? place.lastKey : place.section];
        out.append(content.substr(0, line.end));
        if (line.textEnd == line.end) out += "\r\n";
        out += keyLine;
        out.append(content.substr(line.end));
    }
    return out;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize,
                                    const std::filesystem::path& file) {
    const std::string sectionName = cp932::Utf8ToCp932(section);
    const std::string keyName = cp932::Utf8ToCp932(key);
    std::optional<std::string> content;
    try {
        content = ReadProfileFile(file);
    } catch (const FileError&) {
        content.reset();  // an unreadable file counts as missing
    }

    std::optional<std::string> result;
    if (content) {
        const std::vector<Line> lines = SplitLines(*content);
        const KeyPlace place = FindKey(lines, TrimSpaces(sectionName), TrimSpaces(keyName));
        if (place.key != kNone) result = std::string(CleanValue(lines[place.key].value));
    }
    if (!result) {
        // The default loses trailing spaces only; tabs and leading spaces stay.
        result = cp932::Utf8ToCp932(defaultValue);
        while (!result->empty() && result->back() == ' ') result->pop_back();
    }
    const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    return cp932::Cp932ToUtf8(CutToBytes(*result, limit));
}

void WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& file) {
    RefuseLineBreaks(section, "セクション名");
    RefuseLineBreaks(key, "キー名");
    RefuseLineBreaks(value, "値");
    const std::string sectionText = cp932::Utf8ToCp932(section);
    const std::string keyText = cp932::Utf8ToCp932(key);
    const std::string_view sectionName = TrimSpaces(sectionText);
    const std::string_view keyName = TrimSpaces(keyText);
    RefuseUnreadableNames(sectionName, keyName);

    std::optional<std::string> content;
    try {
        content = ReadProfileFile(file);
    } catch (const FileError& error) {
        // Without the old content there is no minimal edit: report it as a failed write.
        throw MakeFileError(kWriteFailed, error.path(), error.reason());
    }
    ReplaceProfileFile(file, EditProfile(content.value_or(std::string()), sectionName, keyName,
                                         cp932::Utf8ToCp932(value)));
}

}  // namespace corvina
