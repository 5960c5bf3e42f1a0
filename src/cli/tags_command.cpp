// corvina-cli tags / rewrite: the SAT tag block of files given as host paths.
#include <charconv>
#include <cstdint>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/base/path_text.h"
#include "core/base/utf8.h"
#include "core/formats/sat_tags.h"
#include "core/rewrite/batch_run.h"

namespace corvina::cli {

namespace {

constexpr std::string_view kTagsUsage = "usage: corvina-cli tags [--json] FILE...\n";
constexpr std::string_view kRewriteUsage =
    "usage: corvina-cli rewrite [--artist T --album T --genre T] [--track N | --number] "
    "[--jacket NAME] FILE...\n";

// A text in one tab-separated cell: tab, newline and backslash escaped.
std::string Cell(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A JSON string literal. Bytes that are not UTF-8 (possible in a host file name) become U+FFFD.
std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (c >= 0x80) {
            std::size_t length = 0;
            if (NextCodePoint(text, length) > 0x10FFFF) {
                out += "\\ufffd";  // a malformed byte, skipped alone
            } else {
                out += text.substr(0, length);
            }
            text.remove_prefix(length);
            continue;
        } else {
            out += static_cast<char>(c);
        }
        text.remove_prefix(1);
    }
    out += '"';
    return out;
}

void PrintJsonObject(std::ostream& out, const std::string& file, const TagBlock& tags) {
    out << "{\"file\":" << JsonString(file) << ",\"title\":" << JsonString(tags.title)
        << ",\"artist\":" << JsonString(tags.artist) << ",\"album\":" << JsonString(tags.album)
        << ",\"genre\":" << JsonString(tags.genre) << ",\"track\":" << JsonString(tags.track)
        << ",\"gbp\":" << JsonString(tags.gbpFileName) << "}";
}

std::optional<int> ParseTrack(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < kMinTrack || value > kMaxTrack) return std::nullopt;
    return value;
}

int Usage(Streams io, std::string_view problem, std::string_view usage) {
    io.err << "corvina-cli: " << problem << "\n" << usage;
    return kExitUsage;
}

}  // namespace

int RunTags(Args args, const Environment&, Streams io) {
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Usage(io, "tags: unknown option '" + arg + "'", kTagsUsage);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return Usage(io, "tags: no FILE given", kTagsUsage);

    int status = kExitOk;
    bool first = true;
    if (json) io.out << "[";
    for (const std::string& file : files) {
        TagBlock tags;
        try {
            tags = ReadTagBlock(PathFromUtf8(file));
        } catch (const std::exception& e) {
            io.err << "corvina-cli: tags: " << e.what() << "\n";
            status = kExitFailure;
            continue;
        }
        if (json) {
            io.out << (first ? "\n" : ",\n");
            PrintJsonObject(io.out, file, tags);
        } else {
            io.out << Cell(file) << '\t' << Cell(tags.title) << '\t' << Cell(tags.artist) << '\t'
                   << Cell(tags.album) << '\t' << Cell(tags.genre) << '\t' << tags.track << '\t'
                   << Cell(tags.gbpFileName) << '\n';
        }
        first = false;
    }
    if (json) io.out << (first ? "]\n" : "\n]\n");
    io.out.flush();
    return status;
}

int RunRewrite(Args args, const Environment&, Streams io) {
    constexpr std::string_view kValues[] = {"--artist", "--album", "--genre", "--jacket",
                                            "--track"};
    constexpr std::string_view kFlags[] = {"--number"};
    std::string problem;
    const std::optional<Options> options = ParseOptions(args, kValues, kFlags, problem);
    if (!options) return Usage(io, "rewrite: " + problem, kRewriteUsage);
    const std::optional<std::string> jacket = options->Value("--jacket");
    const bool number = options->Flag("--number");
    const std::vector<std::string>& files = options->operands;
    std::optional<int> track;
    if (const std::optional<std::string> value = options->Value("--track")) {
        track = ParseTrack(*value);
        if (!track) {
            return Usage(io, "rewrite: --track takes a number from 1 to 255, not '" + *value + "'",
                         kRewriteUsage);
        }
    }

    std::optional<TagTexts> texts;
    if (!TagTextOptions(*options, texts))
        return Usage(io, "rewrite: --artist, --album and --genre go together", kRewriteUsage);
    if (track && number)
        return Usage(io, "rewrite: --track and --number exclude each other", kRewriteUsage);
    if (jacket && !IsJacketFileName(*jacket)) {
        return Usage(io,
                     "rewrite: --jacket takes 16 digits or capital letters and \".GBP\", not '" +
                         *jacket + "'",
                     kRewriteUsage);
    }
    if (!texts && !track && !number && !jacket)
        return Usage(io, "rewrite: nothing to do", kRewriteUsage);
    if (files.empty()) return Usage(io, "rewrite: no FILE given", kRewriteUsage);
    if (number && files.size() > static_cast<std::size_t>(kMaxTrack)) {
        return Usage(io,
                     "rewrite: --number numbers at most " + std::to_string(kMaxTrack) +
                         " files, not " + std::to_string(files.size()),
                     kRewriteUsage);
    }

    TagRewrite request;
    request.texts = texts;
    request.track = track;
    request.jacketName = jacket;
    try {
        RewriteEach(files, request, number);
    } catch (const BatchError& e) {
        io.err << "corvina-cli: rewrite: " << BatchErrorText(e) << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace corvina::cli
