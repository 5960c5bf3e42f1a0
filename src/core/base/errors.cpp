#include "core/base/errors.h"

#include <cstring>

namespace corvina {

std::string FormatErrorText(const ErrorParts& parts) {
    std::string text = parts.what;
    if (!parts.where.empty()) text += ": \"" + ShownPath(parts.where) + "\"";
    if (!parts.why.empty()) text += " (" + parts.why + ")";
    return text;
}

std::string ShownPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string FailureText(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e)) {
        if (error->failure().empty()) return error->reason();
        return FormatErrorText({error->failure(), {}, error->reason()});
    }
    return e.what();
}

FileError MakeFileError(const std::string& what, const std::string& path, int errorNumber) {
    return FileError(what, path, std::string(std::strerror(errorNumber)));
}

}  // namespace corvina
