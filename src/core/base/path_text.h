#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths and the program's UTF-8 text. A path is made from text, and text from a path, only
// through these two: on Linux a path is its bytes, and they pass unchanged; on Windows a path is
// UTF-16, and the text's UTF-8 is converted as UTF-8 (the compiler's library would otherwise
// take each byte for a character of the system's code page).
namespace corvina {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace corvina
