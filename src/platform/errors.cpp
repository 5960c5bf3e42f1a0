#include "platform/errors.h"

#include <cstring>

namespace corvina {

std::string FormatErrorText(const ErrorParts& parts) {
    std::string text = parts.what;
    if (!parts.where.empty()) text += ": \"" + parts.where + "\"";
    if (!parts.why.empty()) text += " (" + parts.why + ")";
    return text;
}

FileError MakeFileError(const std::string& what, const std::string& path, int errorNumber) {
    return FileError(what, path, std::string(std::strerror(errorNumber)));
}

}  // namespace corvina
