// corvina-cli drives, corvina-cli path: the drive map as the program sees it.
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/drives.h"

namespace corvina::cli {

// The drive map of the environment's prefix. An empty prefix means that main() found none; it
// must not become the current folder.
DriveMap OpenDriveMap(const Environment& env) {
    if (env.prefix.empty())
        throw FileError("ドライブの割り当てを置くフォルダが決まりません", "$CORVINA_PREFIX",
                        "CORVINA_PREFIX も HOME も設定されていません");
    // UTF-8 text, read as such: the executable's folder may hold any character.
    const std::filesystem::path prefix = PathFromUtf8(env.prefix);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(prefix, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw MakeFileError("ドライブの割り当てを読み込めません", env.prefix, ec.value());
    if (!ec && !std::filesystem::is_directory(status))
        throw MakeFileError("ドライブの割り当てを読み込めません", env.prefix, ENOTDIR);
    return DriveMap(prefix);
}

namespace {

// The drive list of the environment's prefix, read without writing anything: a prefix that
// does not exist yet maps no drive.
DriveSnapshot ReadDrives(const Environment& env) { return OpenDriveMap(env).Snapshot(); }

}  // namespace

int RunDrives(Args args, const Environment& env, Streams io) {
    constexpr const char* kUsage = "usage: corvina-cli drives\n";
    if (!args.empty()) {
        io.err << kUsage;
        return kExitUsage;
    }
    try {
        const DriveSnapshot drives = ReadDrives(env);
        for (const Drive& drive : drives.Drives())
            io.out << drive.letter << ": " << Utf8FromPath(drives.HostFolder(drive)) << "\n";
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
        const DriveSnapshot drives = ReadDrives(env);
        io.out << Utf8FromPath(drives.ResolveOrThrow(args[0])) << "\n";
        return kExitOk;
    } catch (const FileError& error) {
        io.err << "corvina-cli: " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace corvina::cli
