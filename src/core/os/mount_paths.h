#pragma once

#include <filesystem>
#include <string_view>

// What finding the player asks of the system (core/os/mounts.cpp has the rest).
namespace corvina::mount_paths {

// GBSYSTEM in any case.
bool IsPlayerFolderName(std::string_view name);

// True when `folder` holds a folder (or a link to one) named GBSYSTEM in any case. Reads this
// one folder only. (System.)
bool HoldsDeviceFolder(const std::filesystem::path& folder);

}  // namespace corvina::mount_paths
