// corvina-cli find-player: the mounted file systems that hold a player.
#include <optional>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/base/path_text.h"
#include "core/os/mounts.h"

namespace corvina::cli {

int RunFindPlayer(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "usage: corvina-cli find-player [MOUNT-TABLE]\n";
    if (args.size() > 1 || (!args.empty() && args[0].starts_with("-"))) {
        io.err << kUsage;
        return kExitUsage;
    }
#ifdef _WIN32
    if (args.empty()) {
        const auto drives = FindPlayerDrives();
        if (drives.empty()) {
            io.err << "corvina-cli: no drive holds a GBSYSTEM folder\n";
            return kExitFailure;
        }
        for (const auto& root : drives) io.out << Utf8FromPath(root) << "\n";
        return kExitOk;
    }
#endif
    const std::string file = args.empty() ? std::string("/proc/self/mountinfo") : args[0];
    const std::optional<std::string> table = ReadMountTable(PathFromUtf8(file));
    if (!table) {
        io.err << "corvina-cli: cannot read the mount table " << file << "\n";
        return kExitFailure;
    }
    const auto roots = FindPlayerRoots(*table);
    if (roots.empty()) {
        io.err << "corvina-cli: no mounted file system holds a GBSYSTEM folder\n";
        return kExitFailure;
    }
    for (const auto& root : roots) io.out << Utf8FromPath(root) << "\n";
    return kExitOk;
}

}  // namespace corvina::cli
