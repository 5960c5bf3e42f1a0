#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/datetime.h"

// Files and folders, on host paths (a Windows path is resolved through DriveMap first). Every
// failure throws FileError naming the path and the system's reason. Existing files are opened
// with full sharing: on Linux no lock is taken, so other programs may read and write them too.
namespace corvina {

// An open existing regular file. Opening never creates, truncates or extends a file, and never
// blocks: a FIFO, a device node or a folder is refused with FileError.
class File {
public:
    static File OpenRead(const std::filesystem::path& path);
    static File OpenWrite(const std::filesystem::path& path);  // write only, no read access
    // Reading through it leaves the file's access time alone where the system lets it (for the
    // file's owner): a read before a rewrite is no use of the file, and on a disk the update of
    // the time costs a write of the file's entry of its own.
    static File OpenReadWrite(const std::filesystem::path& path);
    // A new, empty file for writing; refuses (FileError) when the name is taken.
    static File CreateNew(const std::filesystem::path& path);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Reads up to buffer.size() bytes at `offset`; fewer only at the end of the file.
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const;

    // Writes all of `bytes` at `offset`, or throws (a short write is an error).
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const;

    // The current size, looked up now.
    std::uint64_t Size() const;
    // Which file it is: two opens of one file agree; a file moved over its path does not.
    struct Id {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        friend bool operator==(const Id&, const Id&) = default;
    };
    // The size, the exact last-write time and the file's id.
    struct Stamp {
        std::uint64_t size = 0;
        std::int64_t lastWriteNs = 0;  // nanoseconds since 1970-01-01 00:00 UTC
        Id id;
    };
    // The stamp as the open found it, kept from the open's own type check, so that it costs no
    // look at the file: the size and time are those of the moment of opening, not of now.
    const Stamp& GetStamp() const noexcept { return stamp_; }

    // Waits until what was written has reached the disk.
    void Sync() const;
    // The path the file was opened by, as text (for messages).
    const std::string& path() const noexcept { return path_; }

    // Closes now and reports a failure of the close itself (a late write error).
    void Close();

private:
    File(int fd, std::string path, const Stamp& stamp) noexcept
        : fd_(fd), path_(std::move(path)), stamp_(stamp) {}
    int fd_ = -1;
    std::string path_;  // plain text: a filesystem::path copy also splits the path up
    Stamp stamp_;
};

// The whole content of a regular file; throws FileError when it is larger than maxBytes.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                        std::uint64_t maxBytes = std::uint64_t{1} << 30);

// Creates the file or replaces all of its content. The new content is written beside it and
// moved into place, so a failure never leaves a half-written or lost file behind.
void WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Creates a file that must not exist yet: the content is written to `temporary` (in the same
// folder, created anew), synced and then moved to `path`, so that `path` holds the whole content
// or does not exist. A failure removes the temporary file; a process killed meanwhile leaves it,
// under the name its caller chose, for the caller to clear up.
void WriteNewFile(const std::filesystem::path& path, const std::filesystem::path& temporary,
                  std::span<const std::uint8_t> bytes);

// Renames a file, replacing a file of the new name.
void MoveFile(const std::filesystem::path& from, const std::filesystem::path& to);

void DeleteFile(const std::filesystem::path& path);             // a file, never a folder
bool FileExists(const std::filesystem::path& path) noexcept;    // true only for a file
bool FolderExists(const std::filesystem::path& path) noexcept;  // true only for a folder
void CreateFolder(const std::filesystem::path& path);           // one level; parent must exist
// Waits until the folder's entries (a file created, renamed or removed) have reached the disk.
void SyncFolder(const std::filesystem::path& path);

// File attributes as a file list shows them.
enum Attribute : unsigned {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,  // a name starting with '.', or the FAT hidden attribute
    kAttrSystem = 0x04,  // the FAT system attribute, where the file system reports it
    kAttrFolder = 0x10,
    kAttrArchive = 0x20,
};

struct DirEntry {
    std::string name;        // as stored on disk (UTF-8)
    std::uint64_t size = 0;  // bytes; 0 for a folder
    FileTime lastWrite;      // local time at the two-second precision of a FAT entry
    unsigned attributes = 0;
    bool IsFolder() const noexcept { return (attributes & kAttrFolder) != 0; }
};

// The directory entry of a file or folder; throws FileError when it does not exist.
DirEntry LookUpEntry(const std::filesystem::path& path);

// True when `name` matches a Windows wildcard mask ('*' any run, '?' one character), ignoring
// the case of ASCII letters: "*.SAT" matches "a.sat". "*.*" and "*" match every name.
bool MatchesMask(std::string_view name, std::string_view mask) noexcept;

// The entries of a folder (never "." or "..") whose names match `mask`, sorted by name ignoring
// case. Folders are included only when they match the mask too.
std::vector<DirEntry> ListFolder(const std::filesystem::path& folder, std::string_view mask);

}  // namespace corvina
