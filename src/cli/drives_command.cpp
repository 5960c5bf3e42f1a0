// corvina-cli drives, corvina-cli path: the drive map as the program sees it.
#include <ostream>

#include "cli/commands.h"
#include "platform/drives.h"
#include "platform/errors.h"

namespace corvina::cli {

namespace {

bool IsHelp(Args args) { return args.size() == 1 && (args[0] == "--help" || args[0] == "-h"); }

}  // namespace

int RunDrives(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "Usage: corvina-cli drives\n";
    if (IsHelp(args)) {
        io.out << kUsage << "Lists the drive map: a line per drive, its letter and host folder.\n";
        return kExitOk;
    }
    if (!args.empty()) {
        io.err << kUsage;
        return kExitUsage;
    }
    try {
        const DriveMap drives(env.prefix);
        for (const Drive& drive : drives.Drives())
            io.out << drive.letter << ": " << drive.target.string() << "\n";
        return kExitOk;
    } catch (const FileError& error) {
        io.err << "corvina-cli: " << error.what() << "\n";
        return kExitFailure;
    }
}

int RunPath(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "Usage: corvina-cli path WINDOWS-PATH\n";
    if (IsHelp(args)) {
        io.out << kUsage
               << "Prints the host path that a Windows path such as 'F:\\MUSIC\\A.SAT' "
                  "resolves to.\n";
        return kExitOk;
    }
    if (args.size() != 1) {
        io.err << kUsage;
        return kExitUsage;
    }
    try {
        const DriveMap drives(env.prefix);
        io.out << drives.ResolveOrThrow(args[0]).string() << "\n";
        return kExitOk;
    } catch (const FileError& error) {
        io.err << "corvina-cli: " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace corvina::cli
