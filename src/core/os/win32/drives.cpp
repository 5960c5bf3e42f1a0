#include "core/os/drives.h"

#include <windows.h>

#include <algorithm>
#include <system_error>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/os/drive_paths.h"
#include "core/os/win32/win32_text.h"

// On Windows the drive model is the identity: a Windows path is the host's path, and the drives
// are the system's own (GetLogicalDriveStringsW), each its own root "X:\". No prefix folder maps
// anything; the prefix stays only as the folder where the program keeps its files.
namespace fs = std::filesystem;

namespace corvina {

namespace {

using win32::Narrow;
using win32::WidePath;

// Opens an entry itself, a reparse point not followed, for its identity.
HANDLE OpenEntry(const fs::path& path, bool follow) noexcept {
    return ::CreateFileW(
        WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

class SystemLookup : public FolderLookup {
public:
    std::optional<EntryId> Find(const fs::path& path) const override {
        win32::HandleGuard entry(OpenEntry(path, false));
        if (entry.get() == INVALID_HANDLE_VALUE) return std::nullopt;
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(entry.get(), &info)) return std::nullopt;
        return EntryId{
            info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }

    std::vector<Entry> Entries(const fs::path& folder) const override {
        std::vector<Entry> entries;
        WIN32_FIND_DATAW data{};
        const HANDLE find = ::FindFirstFileExW(WidePath(folder / L"*").c_str(), FindExInfoBasic,
                                               &data, FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return entries;
        do {
            const std::wstring_view name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            // A junction or a symbolic link: any reparse point counts as a link.
            entries.push_back(
                {Narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
        return entries;
    }
};

// The final path of an existing entry with every reparse point followed, without the "\\?\"
// the system puts before it.
std::optional<fs::path> FinalPath(const fs::path& path) {
    win32::HandleGuard entry(OpenEntry(path, true));
    if (entry.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(entry.get(), text.data(), static_cast<DWORD>(text.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        if (length < text.size()) {
            text.resize(length);
            if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) return fs::path(L"\\\\" + text.substr(8));
            if (text.rfind(L"\\\\?\\", 0) == 0) text.erase(0, 4);
            return fs::path(text);
        }
        text.resize(length);
    }
    return std::nullopt;
}

}  // namespace

namespace drive_paths {

// The longest existing start of the path, followed to its end by the system; the rest kept as
// spelt.
std::optional<fs::path> FollowLinks(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec) return std::nullopt;
    fs::path existing = absolute;
    std::vector<fs::path> rest;
    while (true) {
        if (LookAtEntry(existing).exists) break;
        if (!existing.has_relative_path()) return absolute;  // not even the drive is there
        rest.push_back(existing.filename());
        existing = existing.parent_path();
    }
    std::optional<fs::path> result = FinalPath(existing);
    if (!result) return std::nullopt;
    for (auto it = rest.rbegin(); it != rest.rend(); ++it) *result /= *it;
    return result;
}

EntryKind LookAtEntry(const fs::path& path) noexcept {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    return {true, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

}  // namespace drive_paths

void DriveMap::CreateLayout() const {
    // The program's files lie beside it; there is no drive map to lay out, only its folder.
    std::error_code ec;
    if (fs::is_directory(prefix_, ec)) return;
    fs::create_directories(prefix_, ec);
    if (ec) throw MakeFileError("フォルダを作成できません", win32::PathText(prefix_), ec.value());
}

std::string DriveMap::ProgramFolder() const {
    // The prefix is the program's folder itself ("C:\Program Files\Corvina"); a relative one
    // counts from the current folder.
    std::error_code ec;
    const fs::path absolute = fs::absolute(prefix_, ec);
    return FolderText(win32::PathText((ec ? prefix_ : absolute).lexically_normal()));
}

fs::path DriveMap::PrefixFromEnvironment() {
    // The executable's folder holds the settings file and the undo folder.
    std::wstring module(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0)
            throw win32::MakeWin32FileError("設定フォルダが決まりません", "", ::GetLastError());
        if (length < module.size()) {
            module.resize(length);
            break;
        }
        module.resize(module.size() * 2);
    }
    return fs::path(module).parent_path();
}

DriveSnapshot DriveMap::Snapshot() const {
    std::vector<Drive> drives;
    wchar_t buffer[4 * 26 + 1] = {};
    const DWORD length = ::GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
    if (length > 0 && length < std::size(buffer)) {
        for (const wchar_t* root = buffer; *root != L'\0'; root += std::wcslen(root) + 1) {
            const wchar_t letter = root[0];
            if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z')))
                continue;
            drives.push_back({AsciiToLower(static_cast<char>(letter)), fs::path(root)});
        }
    }
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    return DriveSnapshot(prefix_, std::move(drives));
}

const FolderLookup& FolderLookup::System() {
    static const SystemLookup lookup;  // stateless
    return lookup;
}

void InsideFolder::Check(const fs::path& path, const std::string& shown) {
    // Each path gets the whole check: the system follows junctions and links in one call.
    CheckInsideFolder(path, root_, shown);
}

}  // namespace corvina
