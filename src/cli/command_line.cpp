#include <array>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/commands.h"

namespace corvina::cli {

namespace {

// Each synopsis is the command's usage, a tab, and what it does.
constexpr std::array kCommands = {
    Command{"drives", "drives\tthe drive map: a line per drive letter with its host folder",
            RunDrives},
    Command{"path", "path WINDOWS-PATH\tthe host path a Windows path such as F:\\MUSIC resolves to",
            RunPath},
    Command{"find-player",
            "find-player [MOUNT-TABLE]\tthe mount points whose root folder holds a GBSYSTEM "
            "folder, one per\nline, in mount order; the desktop program maps its player's drive "
            "letter\nto the first when the letter leads nowhere. MOUNT-TABLE is a file in the\n"
            "format of /proc/self/mountinfo, by default that one",
            RunFindPlayer},
    Command{"profile",
            "profile get FILE SECTION KEY [DEFAULT]\nprofile set FILE SECTION KEY VALUE\t"
            "reads or writes one key of a profile (INI) file in code page 932, as the program\n"
            "reads and writes its settings: get prints the value (at most 2047 bytes) or\n"
            "DEFAULT (empty when not given); set writes the value as it is, changing only\n"
            "that key's line",
            RunProfile},
    Command{"tags", "tags [--json] FILE...\tthe tags of SAT files", RunTags},
    Command{"rewrite",
            "rewrite [--artist T --album T --genre T] [--track N | --number] [--jacket NAME] "
            "FILE...\trewrites the tags of SAT files in place",
            RunRewrite},
    Command{"batch",
            "batch --player DIR [--artist T --album T --genre T [--number]] [--picture FILE] "
            "FILE...\tthe batch rewrite of the desktop program: the jacket GBP file made from\n"
            "the picture under a new name in DIR/GBSYSTEM/IMAGE, then the texts, track numbers\n"
            "in the order given and the jacket name written to each SAT file; prints what the\n"
            "program's message boxes would show",
            RunBatch},
    Command{"undo",
            "undo [--dry-run]\tundoes the newest batch not yet undone (of the last ten, by the\n"
            "program or by batch): each SAT file gets its old tag bytes back where they still\n"
            "hold what the batch wrote, and the jacket file it made is removed; files changed\n"
            "since are left alone and named on stderr (exit status 1). --dry-run only says\n"
            "what would happen",
            RunUndo},
    Command{"gbp-to-bmp", "gbp-to-bmp GBP BMP [--size WxH]\ta GBP picture as a 24-bit bitmap",
            RunGbpToBmp},
    Command{"gbp-info",
            "gbp-info FILE...\ta line per GBP file: its name, kind (Jacket GBP File or Wallpaper "
            "GBP File),\ntime stamp and size, tab-separated",
            RunGbpInfo},
    Command{"jacket", "jacket PICTURE OUT.GBP\tthe 75x75 jacket GBP file of a picture", RunJacket},
    Command{"wallpaper",
            "wallpaper PICTURE OUT.GBP [--bmp OUT.BMP]\tthe 240x320 wallpaper GBP file of a "
            "picture, and its 16-bit bitmap copy",
            RunWallpaper},
};

// Prints a synopsis: each line of the usage indented by two blanks after `program`, each line of
// the description by six.
void PrintSynopsis(std::ostream& out, std::string_view synopsis, std::string_view program) {
    const std::size_t tab = synopsis.find('\t');
    const auto printLines = [&](std::string_view text, std::string_view indent) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            out << indent << text.substr(0, end) << "\n";
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
    };
    std::string usageIndent = "  ";
    usageIndent += program;
    printLines(synopsis.substr(0, tab), usageIndent);
    if (tab != std::string_view::npos) printLines(synopsis.substr(tab + 1), "      ");
}

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

#ifndef CORVINA_VERSION
#define CORVINA_VERSION "unknown"
#endif

void PrintHelp(std::ostream& out) {
    out << "Usage: corvina-cli COMMAND [ARGS...]\n"
           "  or:  corvina-cli COMMAND --help\n"
           "  or:  corvina-cli --help | --version\n"
           "Batch tools for the gigabeat F player's SAT and GBP files.\n"
           "Paths are host paths unless a command says otherwise.\n\nCommands:\n";
    for (const Command& command : kCommands) PrintSynopsis(out, command.synopsis, "");
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
    if (IsHelp(args[0]) || args[0] == "help") {
        PrintHelp(io.out);
        return kExitOk;
    }
    if (args[0] == "--version") {
        io.out << "corvina-cli " CORVINA_VERSION "\n";
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (args[0] != command.name) continue;
        if (args.size() == 2 && IsHelp(args[1])) {  // "corvina-cli COMMAND --help"
            io.out << "Usage:\n";
            PrintSynopsis(io.out, command.synopsis, "corvina-cli ");
            return kExitOk;
        }
        return command.run(args.subspan(1), env, io);
    }
    io.err << "corvina-cli: unknown command '" << args[0] << "' (see corvina-cli --help)\n";
    return kExitUsage;
}

}  // namespace corvina::cli
