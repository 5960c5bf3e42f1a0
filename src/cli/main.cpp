// corvina-cli: the command-line tool over corvina_core.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/drives.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        corvina::cli::Environment env{corvina::DriveMap::PrefixFromEnvironment().string()};
        return corvina::cli::RunCommandLine(args, env, {std::cout, std::cerr});
    } catch (const std::exception& e) {
        std::cerr << "corvina-cli: " << e.what() << "\n";
        return corvina::cli::kExitFailure;
    }
}
