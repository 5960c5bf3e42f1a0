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
#include "core/base/utf8.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

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

// The components of the part after "X:", with "." dropped and ".." applied, never climbing above
// the root.
std::vector<std::string_view> Components(std::string_view rest) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && IsSeparator(rest[pos])) ++pos;
        std::size_t end = pos;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string_view part = rest.substr(pos, end - pos);
        pos = end;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    return parts;
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

// `name` with the case of its letters changed, the same text when it has no letter whose case
// can be changed (non-ASCII lower-case letters, whose upper case the folding tables lack, stay).
std::string OtherCase(std::string_view name) {
    std::string other;
    other.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = NextCodePoint(name, pos);
        if (c < 0x80) {
            const char ascii = static_cast<char>(c);
            other += AsciiToLower(ascii) != ascii ? AsciiToLower(ascii) : AsciiToUpper(ascii);
        } else if (c > 0x10FFFF) {
            other += static_cast<char>(c - 0x110000);  // a malformed byte stays as it is
        } else {
            AppendUtf8(other, FoldCase(c));
        }
    }
    return other;
}

// `path` as the system reaches it: every symbolic link on the way followed to the end of its
// chain, ".." applied where it stands (after the link before it, as the system applies it),
// what does not exist kept as spelt. Nothing when the links cannot be read or go round in a
// loop (more links than the system follows).
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

// `inner` lies inside or is `outer`, compared component by component; the rest goes to `rest`.
bool StartsWithPath(const fs::path& inner, const fs::path& outer, std::vector<std::string>& rest) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // the empty last element of a path with a trailing '/'
        if (i == inner.end() || *i != *o) return false;
    }
    rest.clear();
    for (; i != inner.end(); ++i)
        if (!i->empty()) rest.push_back(i->string());
    return true;
}

// Throws FileError `failure` naming `shown` when `path` with its links followed does not lie
// inside `root` with its links followed.
void CheckFollowedInside(const fs::path& path, const fs::path& root, const std::string& shown,
                         const char* failure) {
    const std::optional<fs::path> target = FollowLinks(path);
    if (!target) throw FileError(failure, shown, "リンクの先をたどれません: " + path.string());
    const std::optional<fs::path> realRoot = FollowLinks(root);
    std::vector<std::string> rest;
    if (!realRoot || !StartsWithPath(*target, *realRoot, rest))
        throw FileError(failure, shown, target->string());
}

constexpr const char* kOutsideDrive = "ドライブの外を指すリンクには書き込みません";
constexpr const char* kOutsideFolder = "フォルダの外を指すリンクには書き込みません";

bool IsDriveLinkName(const std::string& name) noexcept {
    return name.size() == 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

}  // namespace

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

std::optional<fs::path> DriveSnapshot::DriveRoot(char letter) const {
    if (!IsAsciiLetter(letter)) return std::nullopt;
    letter = AsciiToLower(letter);
    for (const Drive& drive : drives_) {
        if (drive.letter == letter) return HostFolder(drive);
    }
    return std::nullopt;
}

fs::path DriveSnapshot::HostFolder(const Drive& drive) const {
    const fs::path target =
        drive.target.is_absolute() ? drive.target : prefix_ / "dosdevices" / drive.target;
    fs::path normal = target.lexically_normal();
    if (normal.has_relative_path() && !normal.has_filename()) normal = normal.parent_path();
    return normal;
}

const FolderLookup& FolderLookup::System() {
    static const SystemLookup lookup;  // stateless
    return lookup;
}

std::string FolderLookup::Spelling(const fs::path& folder, std::string_view name) const {
    const std::string typed(name);
    if (const auto found = Find(folder / typed)) {
        // A case-sensitive folder found the typed spelling itself; a case-insensitive one (FAT)
        // finds any spelling, and only its entries tell the stored one. Another spelling that
        // finds the same entry shows which kind the folder is, without reading it.
        const std::string other = OtherCase(typed);
        const bool onlyAscii = std::all_of(typed.begin(), typed.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        });
        if (other == typed && onlyAscii) return typed;  // no letters: one spelling only
        if (other != typed && Find(folder / other) != found) return typed;
    }
    const std::vector<Entry> entries = Entries(folder);
    const Entry* best = nullptr;
    for (const Entry& entry : entries) {
        if (entry.name == typed) return typed;
        if (EqualIgnoringCase(entry.name, name) && (best == nullptr || entry.name < best->name))
            best = &entry;
    }
    return best != nullptr ? best->name : std::string();
}

const std::vector<FolderLookup::Entry>& FolderListings::Listing(const fs::path& folder) const {
    auto [it, added] = listings_.try_emplace(folder.string());
    if (added) {
        it->second = inner_.Entries(folder);
        std::sort(it->second.begin(), it->second.end(),
                  [](const Entry& a, const Entry& b) { return NameOrder(a.name, b.name); });
    }
    return it->second;
}

const FolderLookup::Entry* FolderListings::Match(const fs::path& folder,
                                                 std::string_view name) const {
    const std::vector<Entry>& entries = Listing(folder);
    auto it = std::lower_bound(entries.begin(), entries.end(), name, [](const Entry& e, auto n) {
        return CompareIgnoringCase(e.name, n) < 0;
    });
    // The matches ignoring case stand together in byte order: the first is the fallback.
    const Entry* first = nullptr;
    for (; it != entries.end() && EqualIgnoringCase(it->name, name); ++it) {
        if (it->name == name) return &*it;
        if (first == nullptr) first = &*it;
    }
    return first;
}

std::optional<FolderLookup::EntryId> FolderListings::Find(const fs::path& path) const {
    return inner_.Find(path);
}

std::vector<FolderLookup::Entry> FolderListings::Entries(const fs::path& folder) const {
    return Listing(folder);
}

std::string FolderListings::Spelling(const fs::path& folder, std::string_view name) const {
    const Entry* entry = Match(folder, name);
    return entry != nullptr ? entry->name : std::string();
}

void FolderListings::Forget(const fs::path& folder) { listings_.erase(folder.string()); }

std::optional<fs::path> DriveSnapshot::Resolve(std::string_view windowsPath,
                                               const FolderLookup& lookup) const {
    // A NUL would cut the path short at the system call.
    if (windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
    const std::optional<char> letter = DriveLetterOf(windowsPath);
    if (!letter) return std::nullopt;
    std::optional<fs::path> root = DriveRoot(*letter);
    if (!root) return std::nullopt;
    // "X:name" has no current folder of its own here, so it counts from the drive root.
    fs::path result = *root;
    bool exists = true;  // once a component is missing, nothing below it can exist either
    for (std::string_view part : Components(windowsPath.substr(2))) {
        std::string name;
        if (exists) name = lookup.Spelling(result, part);
        if (name.empty()) {
            exists = false;
            name = std::string(part);
        }
        result /= name;
    }
    return result;
}

fs::path DriveSnapshot::ResolveOrThrow(std::string_view windowsPath) const {
    if (std::optional<fs::path> path = Resolve(windowsPath)) return *path;
    ThrowNotResolved(windowsPath);
}

void DriveSnapshot::ThrowNotResolved(std::string_view windowsPath) {
    const std::string text(windowsPath);
    if (!DriveLetterOf(windowsPath) || windowsPath.find('\0') != std::string_view::npos)
        throw FileError("ドライブのパスではありません", text, std::string());
    throw FileError(
        "ドライブがありません", text,
        std::string("ドライブ ") + AsciiToUpper(windowsPath[0]) + ": は割り当てられていません");
}

fs::path DriveSnapshot::ResolveInside(std::string_view windowsPath,
                                      FolderListings& listings) const {
    const std::optional<char> letter = DriveLetterOf(windowsPath);
    const std::optional<fs::path> root = letter ? DriveRoot(*letter) : std::nullopt;
    if (!root || windowsPath.find('\0') != std::string_view::npos) ThrowNotResolved(windowsPath);
    // The same walk as Resolve's, which also learns from the listings which entries are links.
    fs::path result = *root;
    bool listed = true;   // the folder's listing holds every component so far
    bool present = true;  // the components so far exist
    for (std::string_view part : Components(windowsPath.substr(2))) {
        const FolderLookup::Entry* entry = listed ? listings.Match(result, part) : nullptr;
        bool isLink = false;
        if (entry != nullptr) {
            result /= entry->name;
            isLink = entry->isLink;
        } else {
            listed = false;
            result /= part;
            // Missing from the listing: a file to create, or the entry of a folder that could not
            // be read; only the system tells which.
            struct stat st {};
            if (present) present = ::lstat(result.c_str(), &st) == 0;
            isLink = present && S_ISLNK(st.st_mode);
        }
        if (isLink) CheckFollowedInside(result, *root, std::string(windowsPath), kOutsideDrive);
    }
    return result;
}

void CheckInsideFolder(const fs::path& path, const fs::path& root, const std::string& shown) {
    CheckFollowedInside(path, root, shown, kOutsideFolder);
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

std::optional<std::string> DriveSnapshot::ToWindowsPath(const fs::path& hostPath) const {
    std::error_code ec;
    const fs::path absolute = fs::absolute(hostPath, ec);
    if (ec) return std::nullopt;
    const fs::path lexical = absolute.lexically_normal();
    const fs::path canonical = fs::weakly_canonical(absolute, ec);

    std::optional<char> bestLetter;
    std::size_t bestLength = 0;
    std::vector<std::string> bestRest;
    std::vector<std::string> rest;
    const auto consider = [&](char letter, const fs::path& root, const fs::path& path) {
        if (root.empty() || path.empty() || !StartsWithPath(path, root, rest)) return;
        const std::size_t length = root.native().size();
        if (!bestLetter || length > bestLength) {
            bestLetter = letter;
            bestLength = length;
            bestRest = rest;
        }
    };
    for (const Drive& drive : drives_) {  // sorted by letter, so ties keep the lowest
        const fs::path root = HostFolder(drive);
        consider(drive.letter, root, lexical);
        std::error_code rootEc;
        const fs::path realRoot = fs::weakly_canonical(root, rootEc);
        if (!rootEc && !ec) consider(drive.letter, realRoot, canonical);
    }
    if (!bestLetter) return std::nullopt;
    std::string text{AsciiToUpper(*bestLetter), ':', '\\'};
    for (std::size_t i = 0; i < bestRest.size(); ++i) {
        if (i > 0) text += '\\';
        text += bestRest[i];
    }
    return text;
}

std::string FolderText(std::string_view windowsFolder) {
    std::string text;
    text.reserve(windowsFolder.size() + 1);
    std::size_t pos = 0;
    if (DriveLetterOf(windowsFolder)) {
        text += AsciiToUpper(windowsFolder[0]);
        text += ":\\";
        pos = 2;
    }
    for (; pos < windowsFolder.size(); ++pos) {
        const char c = windowsFolder[pos];
        if (IsSeparator(c)) {
            if (text.empty() || text.back() != '\\') text += '\\';
        } else {
            text += c;
        }
    }
    const std::size_t rootLength = DriveLetterOf(windowsFolder) ? 3 : 1;
    if (text.size() > rootLength && text.back() == '\\') text.pop_back();
    return text;
}

std::string JoinPath(std::string_view folderText, std::string_view name) {
    std::string path(folderText);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

std::string JoinHostPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    for (const char c : name) path += c == '\\' ? '/' : c;
    return path;
}

std::optional<char> DriveLetterOf(std::string_view windowsPath) {
    if (windowsPath.size() < 2 || !IsAsciiLetter(windowsPath[0]) || windowsPath[1] != ':')
        return std::nullopt;
    return AsciiToLower(windowsPath[0]);
}

std::string FolderOfPath(std::string_view windowsPath) {
    const std::size_t last = windowsPath.find_last_of("\\/:");
    if (last == std::string_view::npos) return {};
    return std::string(windowsPath.substr(0, last + 1));
}

std::string ExtensionOf(std::string_view path) {
    const std::size_t last = path.find_last_of(".\\/:");
    if (last == std::string_view::npos || path[last] != '.') return {};
    return std::string(path.substr(last));
}

}  // namespace corvina
