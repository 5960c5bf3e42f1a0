#pragma once

#include <algorithm>
#include <array>
#include <string_view>

// The names the player gives its own folders on its drive, for the mount search of the
// operating-system layer and for the formats alike.
namespace corvina {

// The folder in the root of the player's drive whose presence marks the player.
inline constexpr std::string_view kDeviceFolder = "GBSYSTEM";

namespace player_names_detail {

inline constexpr std::string_view kImageFolder = "\\IMAGE";
inline constexpr auto kJacketFolderText = [] {
    std::array<char, kDeviceFolder.size() + kImageFolder.size()> text{};
    std::copy(kImageFolder.begin(), kImageFolder.end(),
              std::copy(kDeviceFolder.begin(), kDeviceFolder.end(), text.begin()));
    return text;
}();

}  // namespace player_names_detail

// "GBSYSTEM\IMAGE", the folder of the jacket pictures, relative to the drive's root.
inline constexpr std::string_view kJacketFolder{player_names_detail::kJacketFolderText.data(),
                                                player_names_detail::kJacketFolderText.size()};

}  // namespace corvina
