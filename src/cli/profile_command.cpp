// corvina-cli profile get|set: reads or writes one key of a profile (INI) file in code page 932,
// exactly as the program reads and writes its settings file.
#include <exception>
#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "core/base/path_text.h"
#include "core/text/profile.h"

namespace corvina::cli {

namespace {

constexpr const char* kUsage =
    "usage: corvina-cli profile get FILE SECTION KEY [DEFAULT]\n"
    "       corvina-cli profile set FILE SECTION KEY VALUE\n";

int Usage(Streams io) {
    io.err << kUsage;
    return kExitUsage;
}

}  // namespace

int RunProfile(Args args, const Environment&, Streams io) {
    if (args.empty()) return Usage(io);
    const std::string& action = args[0];
    if (action == "get") {
        if (args.size() < 4 || args.size() > 5) return Usage(io);
        const std::string defaultValue = args.size() == 5 ? args[4] : std::string();
        io.out << GetPrivateProfileString(args[2], args[3], defaultValue, kProfileBufferSize,
                                          PathFromUtf8(args[1]))
               << "\n";
        return kExitOk;
    }
    if (action == "set") {
        if (args.size() != 5) return Usage(io);
        try {
            WritePrivateProfileString(args[2], args[3], args[4], PathFromUtf8(args[1]));
        } catch (const std::exception& error) {  // FileError, or a value with a line break
            io.err << "corvina-cli: " << error.what() << "\n";
            return kExitFailure;
        }
        return kExitOk;
    }
    io.err << "corvina-cli: unknown profile action '" << action << "'\n";
    return Usage(io);
}

}  // namespace corvina::cli
