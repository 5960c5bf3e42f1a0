// corvina-cli gbp-to-bmp: a GBP picture as a 24-bit Windows bitmap (host paths).
#include <charconv>
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

namespace corvina::cli {

namespace {

constexpr std::string_view kUsage = "usage: corvina-cli gbp-to-bmp GBP BMP [--size WxH]\n";

// Each side of --size: enough for any picture a GBP file could reasonably hold.
constexpr int kMaxSide = 4096;

struct Size {
    int width;
    int height;
};

std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxSide)
        return std::nullopt;
    return value;
}

std::optional<Size> ParseSize(std::string_view text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    const auto width = ParseSide(text.substr(0, x));
    const auto height = ParseSide(text.substr(x + 1));
    if (!width || !height) return std::nullopt;
    return Size{*width, *height};
}

int Usage(Streams io, std::string_view problem) {
    io.err << "corvina-cli: gbp-to-bmp: " << problem << "\n" << kUsage;
    return kExitUsage;
}

}  // namespace

int RunGbpToBmp(Args args, const Environment&, Streams io) {
    static constexpr std::string_view kValues[] = {"--size"};
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, kValues, {}, problem);
    if (!options) return Usage(io, problem);
    std::optional<Size> size;
    if (const std::optional<std::string> text = options->Value("--size")) {
        size = ParseSize(*text);
        if (!size) {
            return Usage(io, "--size takes WxH, each from 1 to " + std::to_string(kMaxSide) +
                                 ", not '" + *text + "'");
        }
    }
    const std::vector<std::string>& paths = options->operands;
    if (paths.size() != 2) return Usage(io, "needs a GBP file and a BMP file");

    try {
        if (!size) {
            const GbpKindSize kind = GbpKindForFileSize(LookUpEntry(PathFromUtf8(paths[0])).size);
            size = Size{kind.width, kind.height};
        }
        const Picture15 picture = ReadGbpPicture(PathFromUtf8(paths[0]), size->width, size->height);
        WriteWholeFile(PathFromUtf8(paths[1]), EncodeBitmap24(picture));
    } catch (const std::exception& e) {
        io.err << "corvina-cli: gbp-to-bmp: " << e.what() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace corvina::cli
