#include "core/text/profile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/files.h"
#include "core/text/cp932.h"

// The file is parsed as code page 932 bytes, one character (one or two bytes) at a time. Every
// byte that carries syntax (CR, LF, blanks, '=', ';', quotes) is below 0x40 and so can never be
// the second byte of a two-byte character; '[' and ']' and the ASCII letters can be, which is why
// section names are scanned and names compared character by character.
namespace corvina {

namespace {

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
            if (AsciiToUpper(a[i]) != AsciiToUpper(b[j])) return false;
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

// The line that starts at `begin` (below content.size()).
Line LineAt(std::string_view content, std::size_t begin) {
    Line line;
    line.begin = begin;
    const std::size_t lineBreak = content.find_first_of("\r\n", begin);
    if (lineBreak == std::string_view::npos) {
        line.textEnd = line.end = content.size();
    } else {
        line.textEnd = lineBreak;
        line.end = lineBreak + 1;
        if (content[lineBreak] == '\r' && line.end < content.size() && content[line.end] == '\n')
            ++line.end;
    }
    ClassifyLine(content, line);
    return line;
}

// Where a key is, or would go, in the file. Only the first section of the name counts, and
// within it the first key of the name. The lines are looked at one by one and never stored, so
// a file of many short lines costs no more memory than its bytes.
struct KeyPlace {
    std::optional<Line> section;
    std::optional<Line> key;
    std::optional<Line> lastKey;  // the section's last key line, whatever its name
};

KeyPlace FindKey(std::string_view content, std::string_view section, std::string_view key) {
    KeyPlace place;
    for (std::size_t pos = 0; pos < content.size();) {
        const Line line = LineAt(content, pos);
        pos = line.end;
        if (line.kind == LineKind::kSection) {
            if (place.section) break;  // the end of the section
            if (NamesEqual(line.name, section)) place.section = line;
        } else if (line.kind == LineKind::kKey && place.section) {
            place.lastKey = line;
            if (!place.key && NamesEqual(line.name, key)) place.key = line;
        }
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

// The file's content, or nothing when no file stands at that name (nor a folder on the way, nor
// the target of a link). Throws FileError when something else stands there or it cannot be read.
std::optional<std::string> ReadProfileFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::status(file, ec).type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
    return std::string(bytes.begin(), bytes.end());
}

void RefuseLineBreaks(std::string_view text, const char* what, const std::filesystem::path& file) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw UsageError(kWriteFailed, Utf8FromPath(file),
                         std::string(what) + "に改行文字や NUL 文字は使えません");
    }
}

// A name written to the file must read back as the same name, or every later write would add
// the line again: a key must not hold '=' or start like a comment or a section header, a section
// must not hold ']', and neither may start or end with a blank other than a space (spaces are
// dropped from both ends, as Windows drops them).
void RefuseUnreadableNames(std::string_view section, std::string_view key,
                           const std::filesystem::path& file) {
    const auto refuse = [&](const char* reason) {
        throw UsageError(kWriteFailed, Utf8FromPath(file), reason);
    };
    if (key.find('=') != std::string_view::npos ||
        (!key.empty() && (key.front() == ';' || key.front() == '['))) {
        refuse("キー名に '=' は使えず、';' や '[' で始めることもできません");
    }
    if (FindClosingBracket(section) != section.size()) refuse("セクション名に ']' は使えません");
    if (TrimBlanks(key).size() != key.size() || TrimBlanks(section).size() != section.size()) {
        refuse("セクション名やキー名の前後にタブは使えません");
    }
}

// The file's content with `key` in `section` set to `value` (all in code page 932): a minimal
// edit that leaves every other byte as it was. New lines end in CR LF, as Windows writes them.
std::string EditProfile(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
    if (content.empty()) return "[" + std::string(section) + "]\r\n" + keyLine;

    const KeyPlace place = FindKey(content, section, key);
    std::string out;
    out.reserve(content.size() + keyLine.size() + section.size() + 6);
    if (!place.section) {
        out = content;
        if (out.back() != '\r' && out.back() != '\n') out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + keyLine;
    } else if (place.key) {
        // The key keeps the spelling it has in the file, and its line keeps its line break.
        const Line& line = *place.key;
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
        const Line& line = place.lastKey ? *place.lastKey : *place.section;
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
        const KeyPlace place = FindKey(*content, TrimSpaces(sectionName), TrimSpaces(keyName));
        if (place.key) result = std::string(CleanValue(place.key->value));
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
    RefuseLineBreaks(section, "セクション名", file);
    RefuseLineBreaks(key, "キー名", file);
    RefuseLineBreaks(value, "値", file);
    const std::string sectionText = cp932::Utf8ToCp932(section);
    const std::string keyText = cp932::Utf8ToCp932(key);
    const std::string_view sectionName = TrimSpaces(sectionText);
    const std::string_view keyName = TrimSpaces(keyText);
    RefuseUnreadableNames(sectionName, keyName, file);

    std::optional<std::string> content;
    try {
        content = ReadProfileFile(file);
    } catch (const FileError& error) {
        // Without the old content there is no minimal edit: report it as a failed write.
        throw FileError(kWriteFailed, error.path(), error.reason());
    }
    const std::string edited = EditProfile(content.value_or(std::string()), sectionName, keyName,
                                           cp932::Utf8ToCp932(value));
    try {
        WriteWholeFile(
            file, std::span(reinterpret_cast<const std::uint8_t*>(edited.data()), edited.size()));
    } catch (const FileError& error) {
        throw FileError(kWriteFailed, error.path(), error.reason());
    }
}

}  // namespace corvina
