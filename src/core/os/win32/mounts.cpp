#include "core/os/mounts.h"

#include <windows.h>

#include "core/os/files.h"
#include "core/os/mount_paths.h"
#include "core/os/win32/win32_text.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

// A mount table given as a file (a test's) is cut here.
constexpr std::uint64_t kMaxMountTableBytes = std::uint64_t{16} << 20;

}  // namespace

namespace mount_paths {

bool HoldsDeviceFolder(const fs::path& folder) {
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(win32::WidePath(folder / L"*").c_str(), FindExInfoBasic,
                                           &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        found = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                IsPlayerFolderName(win32::Narrow(data.cFileName));
    } while (!found && ::FindNextFileW(find, &data));
    ::FindClose(find);
    return found;
}

}  // namespace mount_paths

// Windows keeps no mount table: only a table given as a file is read.
std::optional<std::string> ReadMountTable(const fs::path& file) {
    try {
        std::vector<std::uint8_t> bytes = ReadWholeFile(file);
        if (bytes.size() > kMaxMountTableBytes) bytes.resize(kMaxMountTableBytes);
        return std::string(bytes.begin(), bytes.end());
    } catch (const FileError&) {
        return std::nullopt;
    }
}

std::string SystemMountTable() { return {}; }

std::vector<fs::path> FindPlayerDrives() {
    std::vector<fs::path> roots;
    wchar_t buffer[4 * 26 + 1] = {};
    const DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
    if (length == 0 || length >= std::size(buffer)) return roots;
    for (const wchar_t* root = buffer; *root != L'\0'; root += std::wcslen(root) + 1) {
        // Network, optical and RAM drives are never looked into: a look may wait for a server
        // or a disc.
        const UINT type = ::GetDriveTypeW(root);
        if (type != DRIVE_REMOVABLE && type != DRIVE_FIXED) continue;
        if (mount_paths::HoldsDeviceFolder(root)) roots.emplace_back(root);
    }
    return roots;
}

}  // namespace corvina
