#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The errors the program reports. Every failure a user reads about says what failed, where (the
// file, as the user knows it: a Windows path in the windows, a host path in corvina-cli) and
// why, in one layout:
//     <what>: "<where>" (<why>)
// A library's or the system's own reason (strerror, libjpeg) may stand in the parentheses as
// it comes; every other text is the program's own, in Japanese.
namespace corvina {

// The three parts of an error.
struct ErrorParts {
    std::string what;   // what failed, e.g. "ファイルを開けません"
    std::string where;  // the file; empty when no file is concerned
    std::string why;    // the reason; may be empty
};

// The one layout of an error's text: <what>: "<where>" (<why>), leaving out the parts that are
// empty. The file is shown as ShownPath shows it.
std::string FormatErrorText(const ErrorParts& parts);

// A file name as a message shows it: each control character (0x00 to 0x1F and 0x7F), which a
// name may hold but no box can show, as \xNN; everything else, backslashes too, as it is.
std::string ShownPath(std::string_view path);

// A failure that a user reads about; what() is FormatErrorText of its parts. A message that
// says them otherwise is built from the parts where it is shown.
class Error : public std::runtime_error {
public:
    Error(std::string what, std::string where, std::string why)
        : Error(ErrorParts{std::move(what), std::move(where), std::move(why)}) {}
    // The text is made before the parts move (the base is initialised first).
    explicit Error(ErrorParts parts)
        : std::runtime_error(FormatErrorText(parts)), parts_(std::move(parts)) {}

    const std::string& failure() const noexcept { return parts_.what; }
    const std::string& path() const noexcept { return parts_.where; }
    const std::string& reason() const noexcept { return parts_.why; }
    const ErrorParts& parts() const noexcept { return parts_; }

private:
    ErrorParts parts_;
};

// A failure of the operating-system layer on one file or folder.
class FileError : public Error {
public:
    using Error::Error;
};

// Malformed or unsupported content in data read from outside (a picture, a tag block), or a
// file whose content does not allow the change asked for.
class FormatError : public Error {
public:
    using Error::Error;
};

// A request refused before anything was touched because the caller asked for something the
// function does not take: a value out of range, a name that would corrupt the file, a size the
// caller should have checked. It is the caller's mistake, not the file's; when a file is
// concerned its text has the usual layout.
class UsageError : public std::invalid_argument {
public:
    explicit UsageError(const std::string& text) : UsageError(ErrorParts{text, {}, {}}) {}
    UsageError(std::string what, std::string where, std::string why)
        : UsageError(ErrorParts{std::move(what), std::move(where), std::move(why)}) {}
    explicit UsageError(ErrorParts parts)
        : std::invalid_argument(FormatErrorText(parts)), parts_(std::move(parts)) {}

    const std::string& failure() const noexcept { return parts_.what; }
    const std::string& path() const noexcept { return parts_.where; }
    const std::string& reason() const noexcept { return parts_.why; }

private:
    ErrorParts parts_;
};

// What went wrong, for a message that names the file already: an Error's failure and reason
// without its path ("<what> (<why>)", or the reason alone when it names no failure); any other
// exception's own text.
std::string FailureText(const std::exception& e);

// A FileError for an operation that failed with the C errno value `errorNumber`, whose reason
// is the system's text for it.
FileError MakeFileError(const std::string& what, const std::string& path, int errorNumber);

}  // namespace corvina
