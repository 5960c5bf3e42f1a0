// Placeholder until the command is built.
#include <ostream>

#include "cli/commands.h"

namespace corvina::cli {

int RunDrives(Args, const Environment&, Streams io) {
    io.err << "corvina-cli: this command is not built yet\n";
    return kExitFailure;
}

int RunPath(Args, const Environment&, Streams io) {
    io.err << "corvina-cli: this command is not built yet\n";
    return kExitFailure;
}

}  // namespace corvina::cli
