#include <array>
#include <ostream>

#include "cli/commands.h"

namespace corvina::cli {

namespace {

constexpr std::array kCommands = {
    Command{"drives", "drives                          list the drive map", RunDrives},
    Command{"path", "path WINDOWS-PATH                the host path a Windows path resolves to",
            RunPath},
    Command{"profile",
            "profile get FILE SECTION KEY [DEFAULT] | profile set FILE SECTION KEY VALUE",
            RunProfile},
    Command{"tags", "tags [--json] FILE...           the tags of SAT files", RunTags},
    Command{"rewrite",
            "rewrite [--artist T --album T --genre T] [--track N | --number] [--jacket NAME] "
            "FILE...",
            RunRewrite},
    Command{"gbp-to-bmp", "gbp-to-bmp GBP BMP [--size WxH] a GBP picture as a 24-bit bitmap",
            RunGbpToBmp},
    Command{"jacket", "jacket PICTURE OUT.GBP           the 75x75 jacket GBP file of a picture",
            RunJacket},
    Command{"wallpaper",
            "wallpaper PICTURE OUT.GBP [--bmp OUT.BMP]  the 240x320 wallpaper GBP file",
            RunWallpaper},
};

void PrintHelp(std::ostream& out) {
    out << "Usage: corvina-cli COMMAND [ARGS...]\n"
           "Batch tools for the gigabeat F player's SAT and GBP files.\n"
           "Paths are host paths unless a command says otherwise.\n\nCommands:\n";
    for (const Command& command : kCommands) out << "  " << command.synopsis << "\n";
    out << "\nExit status: 0 success, 1 failure, 2 wrong usage.\n"
           "The drive map's prefix is $CORVINA_PREFIX, or ${XDG_DATA_HOME:-$HOME/.local/share}/"
           "corvina.\n";
}

}  // namespace

std::span<const Command> AllCommands() { return kCommands; }

int RunCommandLine(Args args, const Environment& env, Streams io) {
    if (args.empty()) {
        PrintHelp(io.err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(io.out);
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (args[0] == command.name) return command.run(args.subspan(1), env, io);
    }
    io.err << "corvina-cli: unknown command '" << args[0] << "' (see corvina-cli --help)\n";
    return kExitUsage;
}

}  // namespace corvina::cli
