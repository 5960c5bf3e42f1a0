#include "core/formats/player.h"

#include "core/base/case_fold.h"
#include "core/os/files.h"

namespace corvina {

char DeviceLetter(std::string_view deviceDrive) {
    return deviceDrive.empty() ? '\0' : deviceDrive.front();
}

std::string DeviceRootPath(char letter) { return std::string(1, AsciiToUpper(letter)) + ":\\"; }

std::string DeviceFolderPath(char letter) {
    return DeviceRootPath(letter) + std::string(kDeviceFolder);
}

std::string JacketFolderPath(char letter) {
    return DeviceRootPath(letter) + std::string(kJacketFolder);
}

bool IsDevicePresent(const DriveMap& drives, std::string_view deviceDrive) {
    const char letter = DeviceLetter(deviceDrive);
    if (letter == '\0') return false;
    const auto folder = drives.Resolve(DeviceFolderPath(letter));
    return folder && FolderExists(*folder);
}

bool HoldsDeviceFolder(
    const std::function<std::filesystem::path(std::string_view name)>& hostOf) noexcept {
    try {
        return FolderExists(hostOf(kDeviceFolder));
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace corvina
