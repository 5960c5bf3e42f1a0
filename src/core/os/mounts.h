#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The player among the mounted file systems. A desktop mounts the player's drive on its own
// (under /media/USER/ or /run/media/USER/); its root folder holds the GBSYSTEM folder. Finding it
// looks only at the root folder of each local mount, never deeper, and never looks into network,
// FUSE or kernel file systems, where a look may block while a server is away.
namespace corvina {

// One line of a mount table in the format of /proc/self/mountinfo, escapes decoded.
struct MountEntry {
    std::string device;  // "major:minor" of the file system
    std::string root;    // the file system's folder seen at the mount point: "/" unless bound
    std::filesystem::path mountPoint;
    std::string fsType;
    std::string source;  // "/dev/sdb1", "server:/export", "//server/share", "none"...
};

// The lines of a mountinfo text that parse, in order; a malformed line is skipped.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// Network file systems (by type or by a "server:/path" or "//server/share" source), every FUSE
// file system except the block-device one (fuseblk), automount points, read-only image file
// systems and the kernel's pseudo file systems.
bool IsSkippedMount(const MountEntry& entry);

// The mount points whose root folder holds a folder named GBSYSTEM in any case, in table order.
// Only the visible mount of a mount point counts (a later mount on the same point hides the
// earlier), and a file system folder mounted twice (a bind mount of the player) counts once, at
// its first mount.
std::vector<std::filesystem::path> FindPlayerRoots(std::string_view mountTable);

// The text of a mount table file, by default the process's own; nothing when it cannot be read.
// A text longer than 16 MB is cut there.
std::optional<std::string> ReadMountTable(
    const std::filesystem::path& file = "/proc/self/mountinfo");

enum class PlayerLink {
    kLive,      // the letter leads to a folder already and was left alone
    kLinked,    // the letter now links to a player's mount point
    kNoPlayer,  // the letter leads nowhere and no mounted file system holds a player
    kFailed,    // a player was found but the link could not be made (see message)
};

struct PlayerLinkResult {
    PlayerLink outcome;
    std::filesystem::path folder;  // kLinked: the player's mount point
    std::string message;           // kFailed: why
};

// Maps `letter` (either case) in the drive map at `prefix` to the first player of `mountTable`
// when the letter is unmapped or its link leads nowhere: <prefix>/dosdevices/<letter>: becomes a
// link to the player's mount point, replacing a dead link in one step. A letter that leads to a
// folder, whatever the folder holds, is never changed. Never throws.
PlayerLinkResult LinkPlayerDrive(const std::filesystem::path& prefix, char letter,
                                 std::string_view mountTable);

// Gives the text of a mount table: the system's (SystemMountTable), or a test's.
using MountTableReader = std::function<std::string()>;

// The process's own mount table, or an empty text when it cannot be read.
std::string SystemMountTable();

// As above with the mount table `readMountTable` gives, which is asked for only when the letter
// leads nowhere; a live letter costs one look at its link.
PlayerLinkResult LinkPlayerDrive(const std::filesystem::path& prefix, char letter,
                                 const MountTableReader& readMountTable);

// As above with the system's mount table.
PlayerLinkResult LinkPlayerDrive(const std::filesystem::path& prefix, char letter);

#ifdef _WIN32
// Windows has drives in place of mounts: the roots ("F:\") of the removable and fixed drives
// (GetDriveTypeW) whose root folder holds GBSYSTEM, in letter order. Network, optical and RAM
// drives are never looked into.
std::vector<std::filesystem::path> FindPlayerDrives();
#endif

}  // namespace corvina
