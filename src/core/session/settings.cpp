#include "core/session/settings.h"

#include <exception>
#include <stdexcept>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/text/profile.h"

namespace corvina {

namespace {

// The dialog shows its own text word for word; the parts keep the cause's reason.
FileError WriteFailure(const DriveMap& drives, const std::string& reason) {
    return FileError("書き込めません", SettingsWindowsPath(drives), reason);
}

void WriteKey(const DriveMap& drives, std::string_view key, std::string_view value) {
    try {
        WritePrivateProfileString(kSettingsSection, key, value, SettingsHostPath(drives));
    } catch (const FileError& error) {
        throw WriteFailure(drives, error.reason());
    } catch (const UsageError& error) {
        // A line break in the value would corrupt the file; nothing was written.
        throw WriteFailure(drives, error.reason());
    }
}

}  // namespace

std::string SettingsWindowsPath(const DriveMap& drives) {
    return JoinPath(drives.ProgramFolder(), kSettingsFileName);
}

std::filesystem::path SettingsHostPath(const DriveMap& drives) {
    return drives.ResolveOrThrow(SettingsWindowsPath(drives));
}

Settings LoadSettings(const DriveMap& drives) {
    // Without the program folder's drive there is no settings file to read: the defaults apply, as for a missing one.
    const auto file = drives.Resolve(SettingsWindowsPath(drives));
    if (!file) return Settings{std::string(kDefaultRoom), std::string(kDefaultDrive)};
    Settings settings;
    settings.roomPath = GetPrivateProfileString(kSettingsSection, kRoomKey, kDefaultRoom,
                                                kProfileBufferSize, *file);
    settings.deviceDrive = GetPrivateProfileString(kSettingsSection, kDriveKey, kDefaultDrive,
                                                   kProfileBufferSize, *file);
    return settings;
}

std::string DriveSettingText(char letter) {
    if (letter == '\0') return {};
    return std::string(1, AsciiToLower(letter));
}

std::string SettingsWriteFailureText(const FileError& error) {
    std::string text(kSettingsWriteFailure);
    text.replace(text.find("%s"), 2, ShownPath(error.path()));
    return text;
}

void SaveSettings(const DriveMap& drives, std::string_view roomPath, char driveLetter) {
    WriteKey(drives, kRoomKey, roomPath);
    WriteKey(drives, kDriveKey, DriveSettingText(driveLetter));
}

}  // namespace corvina
