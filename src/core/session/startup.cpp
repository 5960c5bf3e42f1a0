#include "core/session/startup.h"

#include <system_error>

#include "core/os/files.h"

namespace corvina {

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
    const std::string programFolder = drives.ProgramFolder();
    const auto host = drives.Resolve(programFolder);
    if (host && FolderExists(*host)) return programFolder;
    return FolderText(programFolder.substr(0, 3));
}

std::string StartFolder(const DriveMap& drives) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return StartFolder(drives, error ? std::filesystem::path() : current);
}

}  // namespace corvina
