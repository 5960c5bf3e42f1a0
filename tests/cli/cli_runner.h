#pragma once
// Runs corvina-cli command lines in the test process, capturing what they print.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/base/path_text.h"

namespace corvina::cli {

struct Result {
    int status;
    std::string out;
    std::string err;
};

// `prefix` is the drive map's prefix folder the command sees.
inline Result RunCli(const std::filesystem::path& prefix, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCommandLine(args, Environment{Utf8FromPath(prefix)}, {out, err});
    return {status, out.str(), err.str()};
}

inline Result RunCli(const std::vector<std::string>& args) { return RunCli({}, args); }

}  // namespace corvina::cli
