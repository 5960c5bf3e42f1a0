#include "core/os/drives.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/os/drive_paths.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    // No $HOME (a service or a stripped environment): the password database knows.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr)
        return result->pw_dir;
    return {};
}

class SystemLookup : public FolderLookup {
public:
    std::optional<EntryId> Find(const fs::path& path) const override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
        return EntryId{static_cast<std::uint64_t>(st.st_dev),
                       static_cast<std::uint64_t>(st.st_ino)};
    }

    std::vector<Entry> Entries(const fs::path& folder) const override {
        std::vector<Entry> entries;
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) return entries;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool isLink = entry->d_type == DT_LNK;
            if (entry->d_type == DT_UNKNOWN) {  // a file system that keeps no type in its folders
                struct stat st {};
                isLink = ::lstat((folder / name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
            }
            entries.push_back({std::string(name), isLink});
        }
        ::closedir(dir);
        return entries;
    }
};

bool IsDriveLinkName(const std::string& name) noexcept {
    return name.size() == 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

}  // namespace

namespace drive_paths {

std::optional<fs::path> FollowLinks(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> pending;  // the components still to walk, the next one last
    const auto walkNext = [&pending](const fs::path& part) {
        std::vector<std::string> parts;
        for (const fs::path& component : part.relative_path()) parts.push_back(component.string());
        pending.insert(pending.end(), parts.rbegin(), parts.rend());
    };
    walkNext(absolute);
    fs::path result = absolute.root_path();
    int links = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            result = result.parent_path();  // the root's parent is the root
            continue;
        }
        fs::path next = result / part;
        struct stat st {};
        if (::lstat(next.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            if (++links > 40) return std::nullopt;  // the system's own limit on links in a path
            const fs::path target = fs::read_symlink(next, ec);
            if (ec) return std::nullopt;
            // A relative target counts from the link's folder, which `result` is.
            if (target.is_absolute()) result = target.root_path();
            walkNext(target);
            continue;
        }
        result = std::move(next);
    }
    return result;
}

EntryKind LookAtEntry(const fs::path& path) noexcept {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {true, S_ISLNK(st.st_mode)};
}

}  // namespace drive_paths

using drive_paths::FollowLinks;
using drive_paths::StartsWithPath;

void DriveMap::CreateLayout() const {
    const fs::path devices = prefix_ / "dosdevices";
    const fs::path driveC = prefix_ / "drive_c";
    // The executable's folder (C:\Corvina) exists wherever the program runs; the settings file
    // is written there.
    const fs::path programFolder = driveC / "Corvina";
    for (const fs::path& folder : {prefix_, devices, driveC, programFolder}) {
        std::error_code ec;
        if (fs::is_directory(folder, ec)) continue;
        fs::create_directories(folder, ec);
        if (ec) throw MakeFileError("フォルダを作成できません", folder.string(), ec.value());
    }
    std::error_code ec;
    for (const char* name : {"c:", "C:"}) {
        if (fs::symlink_status(devices / name, ec).type() != fs::file_type::not_found) return;
    }
    fs::create_directory_symlink("../drive_c", devices / "c:", ec);
    if (ec && ec != std::errc::file_exists)  // another process may have made it meanwhile
        throw MakeFileError("ドライブ C: を作成できません", (devices / "c:").string(), ec.value());
}

std::string DriveMap::ProgramFolder() const {
    return FolderText(FolderOfPath(kExecutablePath));
}

fs::path DriveMap::PrefixFromEnvironment() {
    const std::string explicitPrefix = Environment("CORVINA_PREFIX");
    if (!explicitPrefix.empty()) return explicitPrefix;
    // The XDG base directory rules ignore a relative XDG_DATA_HOME.
    const std::string dataHome = Environment("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome.front() == '/') return fs::path(dataHome) / "corvina";
    const std::string home = HomeFolder();
    if (home.empty())
        throw FileError("設定フォルダが決まりません", "$HOME",
                        "CORVINA_PREFIX も HOME も設定されていません");
    return fs::path(home) / ".local" / "share" / "corvina";
}

DriveSnapshot DriveMap::Snapshot() const {
    std::vector<Drive> drives;
    std::error_code ec;
    for (fs::directory_iterator it(prefix_ / "dosdevices", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsDriveLinkName(name)) continue;
        std::error_code linkEc;
        Drive drive{AsciiToLower(name[0]), {}};
        if (it->is_symlink(linkEc)) {
            drive.target = fs::read_symlink(it->path(), linkEc);
            if (linkEc) continue;
        } else if (it->is_directory(linkEc)) {
            drive.target = it->path();  // a plain folder serves as the drive itself
        } else {
            continue;
        }
        // "f:" and "F:" both present: the lower-case link, as Wine makes them, wins.
        auto same = std::find_if(drives.begin(), drives.end(),
                                 [&](const Drive& d) { return d.letter == drive.letter; });
        if (same == drives.end())
            drives.push_back(std::move(drive));
        else if (name[0] == drive.letter)
            *same = std::move(drive);
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
    if (!followedRoot_) {
        followedRoot_ = FollowLinks(root_);
        if (!followedRoot_) return CheckInsideFolder(path, root_, shown);  // says why
    }
    const std::string& text = path.native();
    const std::size_t slash = text.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : text.substr(0, slash);
    auto known = folders_.find(folder);
    if (known == folders_.end()) {
        std::optional<std::string> inside;
        std::vector<std::string> rest;
        if (const std::optional<fs::path> followed = FollowLinks(folder);
            followed && StartsWithPath(*followed, *followedRoot_, rest))
            inside = followed->native();
        known = folders_.emplace(folder, std::move(inside)).first;
    }
    // A folder outside, or a file that is a link: the whole check says why, or lets it be.
    if (!known->second) return CheckInsideFolder(path, root_, shown);
    std::string file = *known->second;
    if (file.back() != '/') file += '/';
    file.append(text, slash == std::string::npos ? 0 : slash + 1);
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) CheckInsideFolder(path, root_, shown);
}

}  // namespace corvina
