// corvina-cli drives, corvina-cli path: the drive map as the program sees it.
#include <ostream>

#include "cli/commands.h"
#include "platform/drives.h"
#include "platform/errors.h"

namespace corvina::cli {

// An empty prefix means that main() found none; it must not become the current folder, where the
// map would create its folders.
DriveMap OpenDriveMap(const Environment& env) {
    if (env.prefix.empty())
        throw MakeFileError("ドライブの割り当てを置くフォルダが決まりません", "$CORVINA_PREFIX",
                            "CORVINA_PREFIX も HOME も設定されていません");
    return DriveMap(env.prefix);
}

int RunDrives(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "usage: corvina-cli drives\n";
    if (!args.empty()) {
        io.err << kUsage;
        return kExitUsage;
    }
    try {
        const DriveMap drives = OpenDriveMap(env);
        for (const Drive& drive : drives.Drives())
            io.out << drive.letter << ": " << drives.HostFolder(drive).string() << "\n";
        return kExitOk;
    } catch (const FileError& error) {
        io.err << "corvina-cli: " << error.what() << "\n";
        return kExitFailure;
    }
}

int RunPath(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "usage: corvina-cli path WINDOWS-PATH\n";
    if (args.size() != 1) {
        io.err << kUsage;
        return kExitUsage;
    }
    try {
        const DriveMap drives = OpenDriveMap(env);
        io.out << drives.ResolveOrThrow(args[0]).string() << "\n";
        return kExitOk;
    } catch (const FileError& error) {
        io.err << "corvina-cli: " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace corvina::cli
