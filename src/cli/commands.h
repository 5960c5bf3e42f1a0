#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "core/os/drives.h"

// The commands of corvina-cli. Each takes the words after its own name and writes to `out` and
// `err`; it returns the process exit status: kExitOk, kExitFailure, or kExitUsage for wrong usage
// (after printing a short usage line to `err`).
namespace corvina::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

using Args = std::span<const std::string>;

// The environment a command may look at, read once by main() (tests pass their own).
struct Environment {
    std::string prefix;  // the drive map's prefix folder, as UTF-8 text on Windows
};

struct Command {
    std::string_view name;
    std::string_view synopsis;  // for --help: the usage, a tab, and what the command does
    int (*run)(Args args, const Environment& env, Streams io);
};

// The drive map of the environment's prefix; FileError when there is none (drives_command.cpp).
DriveMap OpenDriveMap(const Environment& env);

// Every command, in the order --help lists them.
std::span<const Command> AllCommands();

// Runs a whole command line (argv without the program name), --help and unknown commands
// included.
int RunCommandLine(Args args, const Environment& env, Streams io);

// Command entry points, one file each under src/cli/.
int RunDrives(Args args, const Environment& env, Streams io);     // drives_command.cpp
int RunPath(Args args, const Environment& env, Streams io);       // drives_command.cpp
int RunProfile(Args args, const Environment& env, Streams io);    // profile_command.cpp
int RunTags(Args args, const Environment& env, Streams io);       // tags_command.cpp
int RunRewrite(Args args, const Environment& env, Streams io);    // tags_command.cpp
int RunGbpToBmp(Args args, const Environment& env, Streams io);   // gbp_command.cpp
int RunGbpInfo(Args args, const Environment& env, Streams io);    // gbp_info_command.cpp
int RunJacket(Args args, const Environment& env, Streams io);     // picture_commands.cpp
int RunWallpaper(Args args, const Environment& env, Streams io);  // picture_commands.cpp
int RunBatch(Args args, const Environment& env, Streams io);      // batch_command.cpp
int RunUndo(Args args, const Environment& env, Streams io);       // undo_command.cpp

int RunFindPlayer(Args args, const Environment& env, Streams io);  // find_player_command.cpp

}  // namespace corvina::cli
