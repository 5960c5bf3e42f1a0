#include "cli/options.h"

#include <algorithm>

namespace corvina::cli {

std::optional<std::string> Options::Value(std::string_view name) const {
    const auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

std::optional<Options> ParseOptions(Args args, std::span<const std::string_view> valueNames,
                                    std::span<const std::string_view> flagNames,
                                    std::string& problem) {
    const auto among = [](std::span<const std::string_view> names, std::string_view arg) {
        return std::find(names.begin(), names.end(), arg) != names.end();
    };
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (among(flagNames, arg)) {
            if (!options.flags.insert(arg).second) {
                problem = arg + " given twice";
                return std::nullopt;
            }
        } else if (among(valueNames, arg)) {
            if (i + 1 == args.size()) {
                problem = arg + " needs a value";
                return std::nullopt;
            }
            if (!options.values.emplace(arg, args[i + 1]).second) {
                problem = arg + " given twice";
                return std::nullopt;
            }
            ++i;
        } else {
            problem = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    return options;
}

bool TagTextOptions(const Options& options, std::optional<TagTexts>& texts) {
    const std::optional<std::string> artist = options.Value("--artist");
    const std::optional<std::string> album = options.Value("--album");
    const std::optional<std::string> genre = options.Value("--genre");
    texts.reset();
    if (!artist && !album && !genre) return true;
    if (!artist || !album || !genre) return false;
    texts = TagTexts{*artist, *album, *genre};
    return true;
}

}  // namespace corvina::cli
