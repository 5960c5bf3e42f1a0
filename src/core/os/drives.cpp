#include "core/os/drives.h"

#include <algorithm>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/base/utf8.h"
#include "core/os/drive_paths.h"

// The drive model's rules, the same on every system; the drive list, the system's folder lookup
// and the following of links come from the system's source (posix/drives.cpp, win32/drives.cpp).
namespace fs = std::filesystem;

namespace corvina {

namespace drive_paths {

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

}  // namespace

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

bool StartsWithPath(const fs::path& inner, const fs::path& outer, std::vector<std::string>& rest) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // the empty last element of a path with a trailing '/'
        if (i == inner.end() || *i != *o) return false;
    }
    rest.clear();
    for (; i != inner.end(); ++i)
        if (!i->empty()) rest.push_back(Utf8FromPath(*i));
    return true;
}

void CheckFollowedInside(const fs::path& path, const fs::path& root, const std::string& shown,
                         const char* failure) {
    const std::optional<fs::path> target = FollowLinks(path);
    if (!target) throw FileError(failure, shown, "リンクの先をたどれません: " + Utf8FromPath(path));
    const std::optional<fs::path> realRoot = FollowLinks(root);
    std::vector<std::string> rest;
    if (!realRoot || !StartsWithPath(*target, *realRoot, rest))
        throw FileError(failure, shown, Utf8FromPath(*target));
}

}  // namespace drive_paths

namespace {

using drive_paths::CheckFollowedInside;
using drive_paths::Components;
using drive_paths::IsSeparator;
using drive_paths::kOutsideFolder;
using drive_paths::StartsWithPath;

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

constexpr const char* kOutsideDrive = "ドライブの外を指すリンクには書き込みません";

}  // namespace

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

std::string FolderLookup::Spelling(const fs::path& folder, std::string_view name) const {
    const std::string typed(name);
    if (const auto found = Find(folder / PathFromUtf8(typed))) {
        // A case-sensitive folder found the typed spelling itself; a case-insensitive one (FAT)
        // finds any spelling, and only its entries tell the stored one. Another spelling that
        // finds the same entry shows which kind the folder is, without reading it.
        const std::string other = OtherCase(typed);
        const bool onlyAscii = std::all_of(typed.begin(), typed.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        });
        if (other == typed && onlyAscii) return typed;  // no letters: one spelling only
        if (other != typed && Find(folder / PathFromUtf8(other)) != found) return typed;
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
    auto [it, added] = listings_.try_emplace(Utf8FromPath(folder));
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

void FolderListings::Forget(const fs::path& folder) { listings_.erase(Utf8FromPath(folder)); }

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
        result /= PathFromUtf8(name);
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
            result /= PathFromUtf8(entry->name);
            isLink = entry->isLink;
        } else {
            listed = false;
            result /= PathFromUtf8(part);
            // Missing from the listing: a file to create, or the entry of a folder that could not
            // be read; only the system tells which.
            if (present) {
                const drive_paths::EntryKind kind = drive_paths::LookAtEntry(result);
                present = kind.exists;
                isLink = kind.isLink;
            }
        }
        if (isLink) CheckFollowedInside(result, *root, std::string(windowsPath), kOutsideDrive);
    }
    return result;
}

void CheckInsideFolder(const fs::path& path, const fs::path& root, const std::string& shown) {
    CheckFollowedInside(path, root, shown, kOutsideFolder);
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
#ifdef _WIN32
    // A host path is a Windows path: '\\' separates, and a folder ending in '/' needs none.
    std::string path(folder);
    if (!path.empty() && !IsSeparator(path.back())) path += '\\';
    for (const char c : name) path += c == '/' ? '\\' : c;
    return path;
#else
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    for (const char c : name) path += c == '\\' ? '/' : c;
    return path;
#endif
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
