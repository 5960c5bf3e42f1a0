#include "app/startup.h"

#include "platform/files.h"

namespace corvina {

char DeviceLetter(std::string_view deviceDrive) {
    return deviceDrive.empty() ? '\0' : deviceDrive.front();
}

std::string JacketFolderPath(char letter) {
    return std::string(1, letter) + ":\\" + std::string(kJacketFolder);
}

bool IsDevicePresent(const DriveMap& drives, std::string_view deviceDrive) {
    const char letter = DeviceLetter(deviceDrive);
    if (letter == '\0') return false;
    const auto folder = drives.Resolve(std::string(1, letter) + ":\\" + std::string(kDeviceFolder));
    return folder && FolderExists(*folder);
}

StartupPlan PlanStartup(const DriveMap& drives, std::string_view deviceDrive) {
    StartupPlan plan;
    plan.deviceLetter = DeviceLetter(deviceDrive);
    plan.devicePresent = IsDevicePresent(drives, deviceDrive);
    if (plan.devicePresent) plan.gbpFolder = JacketFolderPath(plan.deviceLetter);
    return plan;
}

std::string StartFolder(const DriveMap& drives, const std::filesystem::path& currentHostFolder) {
    if (!currentHostFolder.empty()) {
        if (auto text = drives.ToWindowsPath(currentHostFolder)) return *text;
    }
    const std::string programFolder = FolderText(FolderOfPath(kExecutablePath));
    const auto host = drives.Resolve(programFolder);
    if (host && FolderExists(*host)) return programFolder;
    return FolderText(programFolder.substr(0, 3));
}

}  // namespace corvina
