// corvina-cli gbp-info: GBP files' name, kind, time stamp and size as the GBP view page shows
// them (host paths).
#include <exception>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/files.h"
#include "core/viewers/gbp_view.h"

namespace corvina::cli {

namespace {

constexpr std::string_view kUsage = "usage: corvina-cli gbp-info FILE...\n";

}  // namespace

int RunGbpInfo(Args args, const Environment&, Streams io) {
    if (args.empty()) {
        io.err << "corvina-cli: gbp-info: needs at least one GBP file\n" << kUsage;
        return kExitUsage;
    }
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            io.err << "corvina-cli: gbp-info: unknown option '" << arg << "'\n" << kUsage;
            return kExitUsage;
        }
    }
    int status = kExitOk;
    for (const std::string& path : args) {
        try {
            const DirEntry entry = LookUpEntry(PathFromUtf8(path));
            if (entry.IsFolder())
                throw FileError("GBP ファイルではありません", path, "フォルダです");
            const GbpFileInfo info = GbpInfoOfEntry(entry);
            io.out << info.texts.name << '\t' << info.kindText << '\t' << info.texts.timeStamp
                   << '\t' << info.texts.size << '\n';
        } catch (const std::exception& e) {
            io.err << "corvina-cli: gbp-info: " << e.what() << "\n";
            status = kExitFailure;
        }
    }
    return status;
}

}  // namespace corvina::cli
