#include "platform/errors.h"

#include <cstring>

namespace corvina {

FileError MakeFileError(const std::string& what, const std::string& path, int errorNumber) {
    return MakeFileError(what, path, std::string(std::strerror(errorNumber)));
}

FileError MakeFileError(const std::string& what, const std::string& path, const std::string& reason) {
    std::string message = what + ": \"" + path + "\"";
    if (!reason.empty()) message += " (" + reason + ")";
    return FileError(std::move(message), path, reason);
}

}  // namespace corvina
