// corvina-cli jacket and wallpaper: a JPEG or bitmap picture made into the player's GBP files,
// through the same import as the windows (host paths).
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/base/path_text.h"
#include "core/formats/gbp.h"
#include "core/os/files.h"
#include "core/pictures/bitmap.h"
#include "core/pictures/picture_import.h"
#include "core/wallpaper/wallpaper_transport.h"

namespace corvina::cli {

namespace {

constexpr std::string_view kJacketUsage = "usage: corvina-cli jacket PICTURE OUT.GBP\n";
constexpr std::string_view kWallpaperUsage =
    "usage: corvina-cli wallpaper PICTURE OUT.GBP [--bmp OUT.BMP]\n";

int Usage(Streams io, std::string_view command, std::string_view usage, std::string_view problem) {
    io.err << "corvina-cli: " << command << ": " << problem << "\n" << usage;
    return kExitUsage;
}

}  // namespace

int RunJacket(Args args, const Environment&, Streams io) {
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, {}, {}, problem);
    if (!options) return Usage(io, "jacket", kJacketUsage, problem);
    const std::vector<std::string>& paths = options->operands;
    if (paths.size() != 2)
        return Usage(io, "jacket", kJacketUsage, "needs a picture and a GBP file");
    try {
        const Picture15 picture =
            ImportPicture(PathFromUtf8(paths[0]), kJacketWidth, kJacketHeight);
        WriteWholeFile(PathFromUtf8(paths[1]), WriteJacketGbp(picture));
    } catch (const std::exception& e) {
        io.err << "corvina-cli: jacket: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

int RunWallpaper(Args args, const Environment&, Streams io) {
    static constexpr std::string_view kValues[] = {"--bmp"};
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, kValues, {}, problem);
    if (!options) return Usage(io, "wallpaper", kWallpaperUsage, problem);
    const std::string bitmapPath = options->Value("--bmp").value_or("");
    if (options->Value("--bmp") && bitmapPath.empty())
        return Usage(io, "wallpaper", kWallpaperUsage, "--bmp needs a file name");
    const std::vector<std::string>& paths = options->operands;
    if (paths.size() != 2)
        return Usage(io, "wallpaper", kWallpaperUsage, "needs a picture and a GBP file");
    try {
        const Picture15 picture =
            ImportPicture(PathFromUtf8(paths[0]), kWallpaperWidth, kWallpaperHeight);
        WriteWallpaperFiles(picture, PathFromUtf8(paths[1]), PathFromUtf8(bitmapPath));
    } catch (const std::exception& e) {
        io.err << "corvina-cli: wallpaper: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace corvina::cli
