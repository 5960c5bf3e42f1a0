// corvina-cli: the command-line tool over corvina_core.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/base/errors.h"
#include "core/os/drives.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        corvina::cli::Environment env;
        try {
            env.prefix = corvina::DriveMap::PrefixFromEnvironment().string();
        } catch (const corvina::FileError&) {
            // No prefix (no $CORVINA_PREFIX and no home folder): only the commands that use the
            // drive map need one, and they say so; --help and the others still work.
        }
        return corvina::cli::RunCommandLine(args, env, {std::cout, std::cerr});
    } catch (const std::exception& e) {
        std::cerr << "corvina-cli: " << e.what() << "\n";
        return corvina::cli::kExitFailure;
    }
}
