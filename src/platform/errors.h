#pragma once

#include <stdexcept>
#include <string>

namespace corvina {

// A failure of the operating-system layer on one file or folder. what() is the full text a user
// sees (it names the path and gives the system's reason); path() and reason() give the parts.
class FileError : public std::runtime_error {
public:
    FileError(std::string message, std::string path, std::string reason)
        : std::runtime_error(std::move(message)), path_(std::move(path)), reason_(std::move(reason)) {}

    const std::string& path() const noexcept { return path_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// Builds a FileError for an operation that failed with the C errno value `errorNumber`.
// `what` says what was attempted, in the program's language, e.g. "ファイルを開けません".
// The message reads: <what>: "<path>" (<system reason>)
FileError MakeFileError(const std::string& what, const std::string& path, int errorNumber);

// Builds a FileError whose reason is a text of the program's own (no errno behind it).
FileError MakeFileError(const std::string& what, const std::string& path, const std::string& reason);

// Malformed or unsupported content in data read from outside (a picture, a tag block).
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvina
