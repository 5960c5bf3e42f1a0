#pragma once

#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "core/formats/sat_tags.h"

// The options of a command: "--name VALUE" and "--flag", each given at most once, in any order
// among the operands; after "--" every word is an operand.
namespace corvina::cli {

struct Options {
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;
    std::vector<std::string> operands;

    std::optional<std::string> Value(std::string_view name) const;
    bool Flag(std::string_view name) const { return flags.contains(name); }
};

// Parses `args`; on a mistake (an unknown option, one given twice, a value missing) returns
// nothing and puts the problem's text into `problem`.
std::optional<Options> ParseOptions(Args args, std::span<const std::string_view> valueNames,
                                    std::span<const std::string_view> flagNames,
                                    std::string& problem);

// The texts of --artist, --album and --genre, which go together: false when only some of them
// are given; otherwise `texts` holds the three, or nothing when none is given.
bool TagTextOptions(const Options& options, std::optional<TagTexts>& texts);

}  // namespace corvina::cli
