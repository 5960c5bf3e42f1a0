// corvina-cli profile get|set: reads or writes one key of a profile (INI) file in code page 932,
// exactly as the program reads and writes its settings file.
#include <exception>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "cli/commands.h"
#include "platform/errors.h"
#include "platform/profile.h"

namespace corvina::cli {

namespace {

// The size of the buffer the program reads its settings with, closing NUL included.
constexpr std::size_t kReadBufferSize = 2048;

constexpr const char* kUsage =
    "usage: corvina-cli profile get FILE SECTION KEY [DEFAULT]\n"
    "       corvina-cli profile set FILE SECTION KEY VALUE\n";

int Usage(Streams io) {
    io.err << kUsage;
    return kExitUsage;
}

}  // namespace

int RunProfile(Args args, const Environment&, Streams io) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        io.out << kUsage
               << "get prints the value (at most 2047 bytes in code page 932) and a newline, or "
                  "DEFAULT (empty when not given) when the file, the section or the key is "
                  "missing.\nset writes the value as it is, changing only that key's line.\n";
        return kExitOk;
    }
    if (args.empty()) return Usage(io);
    const std::string& action = args[0];
    if (action == "get") {
        if (args.size() < 4 || args.size() > 5) return Usage(io);
        const std::string defaultValue = args.size() == 5 ? args[4] : std::string();
        io.out << GetPrivateProfileString(args[2], args[3], defaultValue, kReadBufferSize,
                                          std::filesystem::path(args[1]))
               << "\n";
        return kExitOk;
    }
    if (action == "set") {
        if (args.size() != 5) return Usage(io);
        try {
            WritePrivateProfileString(args[2], args[3], args[4], std::filesystem::path(args[1]));
        } catch (const FileError& error) {
            io.err << "corvina-cli: " << error.what() << "\n";
            return kExitFailure;
        } catch (const std::invalid_argument& error) {
            io.err << "corvina-cli: " << error.what() << "\n";
            return kExitFailure;
        }
        return kExitOk;
    }
    io.err << "corvina-cli: unknown profile action '" << action << "'\n";
    return Usage(io);
}

}  // namespace corvina::cli
