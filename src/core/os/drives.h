#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drive letters and Windows paths. Everywhere in the windows, messages and the settings file a
// path is a Windows path ("F:\MUSIC\A.SAT"). On Linux a prefix folder maps drive letters to host
// folders as Wine does: <prefix>/dosdevices/<letter>: are links to host folders, and
// <prefix>/drive_c is drive C's own folder.
namespace corvina {

// The program's own path in the drive map of Linux; on Windows the program lies where it was
// installed (DriveMap::ProgramFolder).
inline constexpr std::string_view kExecutablePath = "C:\\Corvina\\Corvina.exe";

struct Drive {
    char letter;                   // lower case, 'a' to 'z'
    std::filesystem::path target;  // the host folder the letter maps to, as the link says
};

// How resolving asks about the entries of a folder. Resolve uses the system's own lookup unless
// given another; tests give one that behaves as a case-insensitive file system (the player's
// FAT), which the machine running them may not have.
class FolderLookup {
public:
    // The identity of a folder entry (device and inode on Linux).
    struct EntryId {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool operator==(const EntryId&) const = default;
    };

    // An entry as its folder's listing gives it.
    struct Entry {
        std::string name;     // as the folder stores it
        bool isLink = false;  // a symbolic link (of a file or of a folder), not followed
    };

    virtual ~FolderLookup() = default;

    // The entry the file system finds for `path`, without following a last symbolic link;
    // nothing when it finds none. A case-insensitive file system finds it in any spelling.
    virtual std::optional<EntryId> Find(const std::filesystem::path& path) const = 0;

    // The entries a folder stores (never "." or ".."), in no particular order; empty when the
    // folder cannot be read.
    virtual std::vector<Entry> Entries(const std::filesystem::path& folder) const = 0;

    // The entry of `folder` that spells `name` ignoring case, as the folder stores it: the exact
    // spelling when the folder holds it, otherwise the first match in byte order; empty when
    // there is none. This one reads the folder only where the spelling may differ from the
    // typed one: when Find finds nothing for the typed spelling, or when another spelling finds
    // the same entry (the folder ignores case).
    virtual std::string Spelling(const std::filesystem::path& folder, std::string_view name) const;

    // The lookup of the machine's own file systems.
    static const FolderLookup& System();
};

// The folders one operation (a batch run, an undo) has read, each read at most once: resolving
// through it answers every component from its folder's listing, with no look-up of the name on
// its own. On the player's FAT file system (run by a user-space driver on Linux) each look-up of
// a name costs time that grows with the folder, so a run over 2,000 files of one folder reads
// that folder once (and each folder above it once) instead. A listing is kept from its first
// read: entries the operation creates or removes afterwards are seen only after Forget.
class FolderListings : public FolderLookup {
public:
    // Reads folders through `inner`, which must outlive the listings.
    explicit FolderListings(const FolderLookup& inner = FolderLookup::System()) : inner_(inner) {}
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;

    // The entry of `folder` that spells `name` ignoring case (the exact spelling first, then the
    // first match in byte order), from the folder's listing; null when there is none. The entry
    // stays valid until Forget(folder).
    const Entry* Match(const std::filesystem::path& folder, std::string_view name) const;

    // Find asks the inner lookup; Entries and Spelling answer from the kept listing.
    std::optional<EntryId> Find(const std::filesystem::path& path) const override;
    std::vector<Entry> Entries(const std::filesystem::path& folder) const override;
    std::string Spelling(const std::filesystem::path& folder, std::string_view name) const override;

    // Drops the listing of a folder the operation has changed; it is read again when needed.
    void Forget(const std::filesystem::path& folder);

private:
    // The entries of `folder` in NameOrder, so that the matches of a name ignoring case stand
    // together, in byte order.
    const std::vector<Entry>& Listing(const std::filesystem::path& folder) const;

    const FolderLookup& inner_;
    mutable std::map<std::string, std::vector<Entry>> listings_;  // by folder path
};

// The drive list of a prefix as it was read at one moment. An operation that resolves several
// paths (a folder change, a file list, a batch run) takes one snapshot and resolves through it,
// so that it reads the dosdevices folder once. A snapshot never reads the drive list again;
// resolving reads the folders of the drives themselves.
class DriveSnapshot {
public:
    DriveSnapshot(std::filesystem::path prefix, std::vector<Drive> drives)
        : prefix_(std::move(prefix)), drives_(std::move(drives)) {}

    const std::filesystem::path& prefix() const noexcept { return prefix_; }

    // The mapped drives, sorted by letter. A link counts when its name is one letter and a colon
    // (either case); it need not point to an existing folder.
    const std::vector<Drive>& Drives() const noexcept { return drives_; }

    // The host folder of a drive letter (either case), or nothing for an unmapped letter.
    std::optional<std::filesystem::path> DriveRoot(char letter) const;

    // The host folder of a listed drive: its link's target, read relative to the dosdevices
    // folder when relative ("../drive_c"), without "." and ".." components. Links further on
    // are not followed.
    std::filesystem::path HostFolder(const Drive& drive) const;

    // The host path of a Windows path "X:\...": the letter ignores case; '\' and '/' both
    // separate and doubled separators count as one; "." is skipped and ".." never climbs above
    // the drive root; each component is spelt as its folder stores it: the entry that matches
    // ignoring case (the exact spelling first, then the first match in byte order), so that a
    // case-insensitive file system that finds the typed spelling still gives the stored one; a
    // component that matches nothing is kept as spelt, so the result may name a file to create.
    // Nothing for a text that is not a drive path or an unmapped drive letter.
    // Each component is spelt by lookup.Spelling: the system's lookup reads a folder only where
    // the spelling may differ from the typed one; FolderListings reads each folder once.
    std::optional<std::filesystem::path> Resolve(
        std::string_view windowsPath, const FolderLookup& lookup = FolderLookup::System()) const;

    // As Resolve, but throws FileError ("no such drive" or "not a drive path") instead.
    std::filesystem::path ResolveOrThrow(std::string_view windowsPath) const;

    // The host path of a Windows path that is to be written or deleted: as Resolve through
    // `listings` gives it, checked to stay inside the drive. Throws FileError naming the Windows
    // path as ResolveOrThrow does, and when a component (a folder on the way or the last one) is
    // a symbolic link whose target, with every link followed, does not lie inside the drive's
    // host folder with its links followed; the reason is then the host path the link leads to.
    // The drive letter's own link is followed; a link inside the drive to a place inside it is
    // fine, and so is a last component that does not exist (a file to create). An existing path
    // without links costs no look-up beyond the listings of its folders; one that does not exist
    // costs one more, of its first missing component.
    std::filesystem::path ResolveInside(std::string_view windowsPath,
                                        FolderListings& listings) const;

    // The Windows path of a host path that lies inside a mapped drive: upper-case letter, '\'
    // separators, "X:\" for the drive root. When several drives hold it, the one with the
    // longest host folder wins (then the lowest letter). Nothing when no drive holds it.
    std::optional<std::string> ToWindowsPath(const std::filesystem::path& hostPath) const;

private:
    // Throws ResolveOrThrow's FileError for a path that is not a drive path or whose drive is
    // not mapped.
    [[noreturn]] static void ThrowNotResolved(std::string_view windowsPath);

    std::filesystem::path prefix_;
    std::vector<Drive> drives_;
};

// A prefix folder that maps drive letters to host folders. Opening one reads and writes nothing;
// the drive list is read when asked for (Snapshot, or once by each of the one-shot calls below),
// so drives mapped while the program runs are seen. Only CreateLayout writes.
class DriveMap {
public:
    // Uses `prefix` as it is, which need not exist yet.
    explicit DriveMap(std::filesystem::path prefix) noexcept : prefix_(std::move(prefix)) {}

    // The prefix chosen by the environment: on Linux $CORVINA_PREFIX when set and not empty,
    // otherwise ${XDG_DATA_HOME:-$HOME/.local/share}/corvina; on Windows the executable's folder.
    // Reads the environment; call it at the program's entry and hand the result down.
    static std::filesystem::path PrefixFromEnvironment();

    const std::filesystem::path& prefix() const noexcept { return prefix_; }

    // The program's own folder as a Windows path, as FolderText spells it: the folder of the
    // settings file and of the undo folder, which the program and corvina-cli share. On Linux
    // the folder of kExecutablePath, "C:\Corvina" (drive_c/Corvina of the prefix); on Windows
    // the prefix itself, which PrefixFromEnvironment makes the executable's folder. Looks at no
    // file.
    std::string ProgramFolder() const;

    // Creates what is missing of <prefix>/dosdevices, <prefix>/drive_c, the program's folder
    // drive_c/Corvina and the link dosdevices/c: -> ../drive_c, leaving what exists alone (a
    // changed c: link stays). The desktop program calls it at start and the settings writes
    // before they write; read-only callers never do. Throws FileError when it cannot.
    void CreateLayout() const;

    // Reads the drive list now. A missing or unreadable dosdevices folder maps no drive.
    DriveSnapshot Snapshot() const;

    // One-shot calls: each reads the drive list once and answers as the snapshot does.
    std::vector<Drive> Drives() const { return Snapshot().Drives(); }
    std::optional<std::filesystem::path> DriveRoot(char letter) const {
        return Snapshot().DriveRoot(letter);
    }
    std::filesystem::path HostFolder(const Drive& drive) const {
        return DriveSnapshot(prefix_, {}).HostFolder(drive);  // reads nothing
    }
    std::optional<std::filesystem::path> Resolve(std::string_view windowsPath) const {
        return Snapshot().Resolve(windowsPath);
    }
    std::filesystem::path ResolveOrThrow(std::string_view windowsPath) const {
        return Snapshot().ResolveOrThrow(windowsPath);
    }
    std::optional<std::string> ToWindowsPath(const std::filesystem::path& hostPath) const {
        return Snapshot().ToWindowsPath(hostPath);
    }

private:
    std::filesystem::path prefix_;
};

// Refuses a host path to be written or deleted that leads out of `root`: throws FileError naming
// `shown` (the path as the user gave it) when `path`, with every symbolic link on the way
// followed (what does not exist kept as spelt), does not lie inside `root` with its links
// followed, compared component by component ("/a/bc" is not inside "/a/b"); the reason is the
// host path it leads to. Relative paths count from the current folder.
void CheckInsideFolder(const std::filesystem::path& path, const std::filesystem::path& root,
                       const std::string& shown);

// CheckInsideFolder for many paths under one root, as a run checks its files: the root's links
// are followed once, and those of each folder once, so that a file costs one look at itself.
class InsideFolder {
public:
    explicit InsideFolder(std::filesystem::path root) : root_(std::move(root)) {}
    void Check(const std::filesystem::path& path, const std::string& shown);

private:
    std::filesystem::path root_;
    std::optional<std::filesystem::path> followedRoot_;
    // Per folder as the paths spell it: where it leads, when that is inside the root.
    std::map<std::string, std::optional<std::string>> folders_;
};

// Folder texts as the drive, folder and file list controls report them: upper-case drive letter,
// '\' separators, a trailing backslash only at a drive root ("F:\", "F:\MUSIC"). Accepts '/' and
// doubled or trailing separators in its input.
std::string FolderText(std::string_view windowsFolder);

// Joins a folder text and a name with one backslash, or with none when the folder text already
// ends in a backslash (a drive root).
std::string JoinPath(std::string_view folderText, std::string_view name);

// The same for a host folder: joined with one slash, none after a trailing one; a backslash in
// `name` (as in the player's folder names) becomes a slash. On Windows, where host paths are
// Windows paths, the same with backslashes: none after a trailing '\' or '/', and a slash in
// `name` becomes a backslash.
std::string JoinHostPath(std::string_view folder, std::string_view name);

// The drive letter of a Windows path, lower case, or nothing when it does not start "X:".
std::optional<char> DriveLetterOf(std::string_view windowsPath);

// The folder part of a Windows path including its last backslash ("C:\Corvina\" for
// "C:\Corvina\Corvina.exe").
std::string FolderOfPath(std::string_view windowsPath);

// The extension of a file name: from the last '.' of its name part to the end, dot included;
// empty when the name part has no dot.
std::string ExtensionOf(std::string_view path);

}  // namespace corvina
