// Placeholder until the command is built.
#include <ostream>

#include "cli/commands.h"

namespace corvina::cli {

int RunJacket(Args, const Environment&, Streams io) {
    io.err << "corvina-cli: this command is not built yet\n";
    return kExitFailure;
}

int RunWallpaper(Args, const Environment&, Streams io) {
    io.err << "corvina-cli: this command is not built yet\n";
    return kExitFailure;
}

}  // namespace corvina::cli
