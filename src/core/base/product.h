#pragma once

#include <string_view>

// The program's own names, for every layer that shows them.
namespace corvina {

// The application title (task bar, plain and default error boxes) has two blanks; the main
// window's caption has one.
inline constexpr std::string_view kApplicationTitle = "Corvina  version 1.0";
inline constexpr std::string_view kMainWindowCaption = "Corvina version 1.0";

// How a run names the program that holds the batch's lock.
inline constexpr std::string_view kProgramName = "Corvina";
inline constexpr std::string_view kCliProgramName = "corvina-cli";

}  // namespace corvina
