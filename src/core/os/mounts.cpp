#include "core/os/mounts.h"

#include <algorithm>
#include <functional>
#include <span>
#include <system_error>
#include <utility>

#include "core/base/case_fold.h"
#include "core/base/path_text.h"
#include "core/base/player_names.h"
#include "core/os/mount_paths.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

// The kernel writes blank, tab, newline and backslash in mount points and sources as "\ooo".
std::string Unescape(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t k) {
            return k < field.size() && field[k] >= '0' && field[k] <= '7';
        };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3) &&
            field[i + 1] <= '3') {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        std::size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
        if (end > pos) fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

constexpr std::string_view kNetworkTypes[] = {
    "nfs",       "nfs4", "cifs",   "smb3",     "smbfs", "ncpfs", "afs",
    "ceph",      "9p",   "coda",   "davfs",    "gfs2",  "ocfs2", "lustre",
    "glusterfs", "gpfs", "beegfs", "orangefs", "pvfs2", "sshfs", "virtiofs",
};

// Kernel interfaces, automount points (a look would mount them, maybe from the network) and
// read-only images of installed software.
constexpr std::string_view kPseudoTypes[] = {
    "proc",       "sysfs",    "devtmpfs",  "devpts",   "cgroup",      "cgroup2",
    "securityfs", "pstore",   "bpf",       "debugfs",  "tracefs",     "configfs",
    "fusectl",    "mqueue",   "hugetlbfs", "autofs",   "binfmt_misc", "rpc_pipefs",
    "nsfs",       "efivarfs", "selinuxfs", "squashfs", "erofs",
};

bool Contains(std::span<const std::string_view> list, std::string_view type) {
    return std::find(list.begin(), list.end(), type) != list.end();
}

}  // namespace

namespace mount_paths {

// Folding keeps ASCII letters ASCII and other characters not, so a name of plain ASCII matches
// only with as many bytes; this spares the full comparison for nearly every name.
bool IsPlayerFolderName(std::string_view name) {
    const bool ascii = std::all_of(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii && name.size() != kDeviceFolder.size()) return false;
    return EqualIgnoringCase(name, kDeviceFolder);
}

}  // namespace mount_paths

namespace {

using mount_paths::HoldsDeviceFolder;

bool IsLive(const fs::path& link) {
    std::error_code ec;
    return fs::is_directory(link, ec);  // follows the link
}

bool IsDriveEntry(const fs::path& path) {
    std::error_code ec;
    const fs::file_type type = fs::symlink_status(path, ec).type();
    return type == fs::file_type::symlink || type == fs::file_type::directory;
}

PlayerLinkResult Link(const fs::path& prefix, char letter,
                      const std::function<std::vector<fs::path>()>& findPlayers) {
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')))
        return {PlayerLink::kFailed, {}, std::string("not a drive letter: '") + letter + "'"};
    const char lower = static_cast<char>(letter | 0x20);
    const char upper = static_cast<char>(lower - 0x20);
    const fs::path devices = prefix / "dosdevices";
    // The drive map reads the lower-case link when both spellings exist, so that one decides.
    fs::path link = devices / PathFromUtf8(std::string{lower, ':'});
    if (!IsDriveEntry(link) && IsDriveEntry(devices / PathFromUtf8(std::string{upper, ':'})))
        link = devices / PathFromUtf8(std::string{upper, ':'});
    if (IsLive(link)) return {PlayerLink::kLive, {}, {}};

    const std::vector<fs::path> players = findPlayers();
    if (players.empty()) return {PlayerLink::kNoPlayer, {}, {}};
    const fs::path& player = players.front();

    std::error_code ec;
    const fs::file_type existing = fs::symlink_status(link, ec).type();
    if (existing != fs::file_type::not_found && existing != fs::file_type::symlink)
        return {PlayerLink::kFailed, player, Utf8FromPath(link) + " is not a link"};
    fs::create_directories(devices, ec);
    if (ec) return {PlayerLink::kFailed, player, Utf8FromPath(devices) + ": " + ec.message()};
    // The new link is made beside the old one and renamed over it, so that the letter never
    // goes missing halfway; its name is not a drive name, so the drive map never lists it.
    std::string freshName = Utf8FromPath(link.filename());
    freshName.insert(0, 1, '.');
    freshName += ".new";
    const fs::path fresh = devices / PathFromUtf8(freshName);
    fs::remove(fresh, ec);
    fs::create_directory_symlink(player, fresh, ec);
    if (!ec) fs::rename(fresh, link, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        return {PlayerLink::kFailed, player, Utf8FromPath(link) + ": " + ec.message()};
    }
    return {PlayerLink::kLinked, player, {}};
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 8) continue;
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") ++dash;
        if (dash + 1 >= fields.size()) continue;
        MountEntry entry;
        entry.device = std::string(fields[2]);
        entry.root = Unescape(fields[3]);
        entry.mountPoint = PathFromUtf8(Unescape(fields[4]));
        entry.fsType = Unescape(fields[dash + 1]);
        if (dash + 2 < fields.size()) entry.source = Unescape(fields[dash + 2]);
        if (!entry.mountPoint.is_absolute()) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsSkippedMount(const MountEntry& entry) {
    const std::string_view type = entry.fsType;
    if (type == "fuse" || type.starts_with("fuse.")) return true;
    if (Contains(kNetworkTypes, type) || Contains(kPseudoTypes, type)) return true;
    // A network share under a type this list does not know: "server:/export", "//server/share".
    const std::string_view source = entry.source;
    if (source.starts_with("//")) return true;
    const std::size_t colon = source.find(":/");
    return colon != std::string_view::npos && colon > 0 && !source.starts_with("/");
}

std::vector<fs::path> FindPlayerRoots(std::string_view mountTable) {
    const std::vector<MountEntry> entries = ParseMountTable(mountTable);
    std::vector<fs::path> roots;
    std::vector<const MountEntry*> counted;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        if (IsSkippedMount(entry)) continue;
        const bool hidden =
            std::any_of(entries.begin() + static_cast<std::ptrdiff_t>(i) + 1, entries.end(),
                        [&](const MountEntry& later) {
                            return later.mountPoint.native() == entry.mountPoint.native();
                        });
        if (hidden) continue;
        const bool seen = std::any_of(counted.begin(), counted.end(), [&](const MountEntry* e) {
            return e->device == entry.device && e->root == entry.root;
        });
        if (seen || !HoldsDeviceFolder(entry.mountPoint)) continue;
        counted.push_back(&entry);
        roots.push_back(entry.mountPoint);
    }
    return roots;
}

PlayerLinkResult LinkPlayerDrive(const fs::path& prefix, char letter, std::string_view mountTable) {
    return Link(prefix, letter, [&] { return FindPlayerRoots(mountTable); });
}

PlayerLinkResult LinkPlayerDrive(const fs::path& prefix, char letter,
                                 const MountTableReader& readMountTable) {
    return Link(prefix, letter, [&] { return FindPlayerRoots(readMountTable()); });
}

PlayerLinkResult LinkPlayerDrive(const fs::path& prefix, char letter) {
    return LinkPlayerDrive(prefix, letter, SystemMountTable);
}

}  // namespace corvina
