#include "core/os/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/utf8.h"
#include "core/os/clock.h"
#include "core/os/file_messages.h"
#include "core/os/posix/positioned_io.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

using namespace file_messages;

// Closes a descriptor on every path out of a scope unless released.
class FdGuard {
public:
    explicit FdGuard(int fd) noexcept : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const noexcept { return fd_; }
    int Release() noexcept { return std::exchange(fd_, -1); }

private:
    int fd_;
};

File::Stamp StampOf(const struct stat& st) noexcept {
    return {static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}};
}

// Opens an existing regular file and tells its stamp. O_NONBLOCK keeps the open itself from
// waiting on a FIFO or a device; the type check on the open descriptor then refuses anything but
// a regular file. On regular files the flag has no effect, so it stays set. One path lookup only:
// the tag block reader opens thousands of files in a row.
int OpenRegular(const fs::path& path, int access, File::Stamp& stamp) {
    int fd;
    while (true) {
        fd = ::open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) break;
        if (errno == EPERM && (access & O_NOATIME) != 0) {
            access &= ~O_NOATIME;  // only the file's owner may ask for it
            continue;
        }
        if (errno != EINTR) throw MakeFileError(kCannotOpen, path.string(), errno);
    }
    FdGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw MakeFileError(kCannotOpen, path.string(), errno);
    if (S_ISDIR(st.st_mode)) throw MakeFileError(kCannotOpen, path.string(), EISDIR);
    if (!S_ISREG(st.st_mode)) throw FileError(kCannotOpen, path.string(), kNotRegular);
    stamp = StampOf(st);
    return guard.Release();
}

bool IsFatFileSystem(const fs::path& path) noexcept {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == MSDOS_SUPER_MAGIC;
}

// The FAT attribute byte (ATTR_* of <linux/msdos_fs.h>), or nothing where the file system does
// not keep one.
std::optional<std::uint32_t> FatAttributes(const fs::path& path, bool folder) noexcept {
    const int fd = ::open(
        path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) return std::nullopt;
    std::uint32_t attributes = 0;
    const bool ok = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return attributes;
}

DirEntry EntryFromStat(std::string name, const struct stat& st, const fs::path& path, bool fat) {
    DirEntry entry;
    const bool folder = S_ISDIR(st.st_mode);
    entry.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    entry.lastWrite = FileTimeFromUnix(st.st_mtim.tv_sec);
    if (folder) entry.attributes |= kAttrFolder;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) entry.attributes |= kAttrReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..") entry.attributes |= kAttrHidden;
    if (fat && (folder || S_ISREG(st.st_mode))) {
        if (const auto fatAttributes = FatAttributes(path, folder)) {
            if (*fatAttributes & ATTR_RO) entry.attributes |= kAttrReadOnly;
            if (*fatAttributes & ATTR_HIDDEN) entry.attributes |= kAttrHidden;
            if (*fatAttributes & ATTR_SYS) entry.attributes |= kAttrSystem;
            if (*fatAttributes & ATTR_ARCH) entry.attributes |= kAttrArchive;
        }
    }
    entry.name = std::move(name);
    return entry;
}

// The spelling of `name` as its folder stores it: itself when an entry has exactly that name,
// otherwise the entry for the same file that matches ignoring case (a FAT file system finds
// "a.sat" for "A.SAT").
std::string StoredName(const fs::path& folder, const std::string& name, const struct stat& st) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return name;
    std::string found;
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view entryName = item->d_name;
        if (entryName == name) {
            found = name;
            break;
        }
        if (!found.empty() || !EqualIgnoringCase(entryName, name)) continue;
        struct stat other {};
        if (::fstatat(::dirfd(dir), item->d_name, &other, 0) == 0 && other.st_dev == st.st_dev &&
            other.st_ino == st.st_ino)
            found = entryName;
    }
    ::closedir(dir);
    return found.empty() ? name : found;
}

}  // namespace

File File::OpenRead(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, O_RDONLY, stamp);
    return File(fd, path.native(), stamp);
}

File File::OpenWrite(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, O_WRONLY, stamp);
    return File(fd, path.native(), stamp);
}

File File::OpenReadWrite(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, O_RDWR | O_NOATIME, stamp);
    return File(fd, path.native(), stamp);
}

File File::CreateNew(const fs::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw MakeFileError(kCannotCreate, path.string(), errno);
    FdGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        throw MakeFileError(kCannotCreate, path.string(), error);
    }
    return File(guard.Release(), path.native(), StampOf(st));
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), stamp_(other.stamp_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        stamp_ = other.stamp_;
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
    if (fd_ < 0) throw MakeFileError(kCannotRead, path_, EBADF);
    const ReadResult read = ReadFullyAt(fd_, offset, buffer);
    if (read.error != 0) throw MakeFileError(kCannotRead, path_, read.error);
    return read.done;
}

void File::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const {
    if (fd_ < 0) throw MakeFileError(kCannotWrite, path_, EBADF);
    if (const int error = WriteFullyAt(fd_, offset, bytes); error != 0)
        throw MakeFileError(kCannotWrite, path_, error);
}

std::uint64_t File::Size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        throw MakeFileError(kCannotRead, path_, fd_ < 0 ? EBADF : errno);
    return static_cast<std::uint64_t>(st.st_size);
}

void File::Sync() const {
    if (fd_ < 0) throw MakeFileError(kCannotWrite, path_, EBADF);
    // EINVAL: the file system keeps nothing to sync (as some FUSE mounts say).
    if (::fsync(fd_) != 0 && errno != EINVAL) throw MakeFileError(kCannotWrite, path_, errno);
}

void File::Close() {
    if (fd_ < 0) return;
    // Linux releases the descriptor even when close() fails, so it is never retried.
    if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR)
        throw MakeFileError(kCannotWrite, path_, errno);
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path, std::uint64_t maxBytes) {
    File file = File::OpenRead(path);
    const std::uint64_t size = file.Size();
    if (size > maxBytes)
        throw FileError(kCannotRead, path.string(),
                        "ファイルが大きすぎます (" + std::to_string(size) + " バイト)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    bytes.resize(file.ReadAt(0, bytes));  // the file may have shrunk meanwhile
    return bytes;
}

namespace {

// The file that writing to `requested` replaces or creates: `requested` itself, or the end of its
// chain of symbolic links, which need not exist yet (a link to a missing file gets its file, as
// opening the link for writing would create it).
fs::path WriteTarget(const fs::path& requested) {
    fs::path path = requested;
    for (int links = 0; links < 40; ++links) {  // the system's own limit on a chain of links
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::error_code ec;
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) throw MakeFileError(kCannotCreate, requested.string(), ec.value());
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    throw MakeFileError(kCannotCreate, requested.string(), ELOOP);
}

}  // namespace

namespace {

// The file at `path` that writing `requested` would replace, when there is one (`existing` then
// holds its status): refused unless it is a regular file this process may write.
bool CheckReplaceable(const fs::path& requested, const fs::path& path, struct stat& existing) {
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        throw FileError(kCannotCreate, requested.string(),
                        S_ISDIR(existing.st_mode) ? std::string(std::strerror(EISDIR))
                                                  : std::string(kNotRegular));
    // Replacing goes through the folder, which would let a file we may not write be replaced
    // all the same; refuse it as writing it in place would be refused.
    if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        throw MakeFileError(kCannotWrite, requested.string(), errno);
    return exists;
}

// Creates a new hidden file with a random name in `folder`; its descriptor, and its path in
// `temporary`. Failures name `requested`.
int CreateTemporaryIn(const fs::path& folder, const fs::path& requested, fs::path& temporary) {
    Random random = Random::SeededFromClock();
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        // Not derived from the file's own name, which may already be as long as a name can be.
        std::string name = ".corvina-";
        for (int i = 0; i < 12; ++i)
            name += "0123456789abcdefghijklmnopqrstuvwxyz"[random.Below(36)];
        name += ".tmp";
        temporary = folder / name;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            throw MakeFileError(kCannotCreate, requested.string(), errno);
    }
    if (fd < 0) throw MakeFileError(kCannotCreate, requested.string(), EEXIST);
    return fd;
}

// Writes all of `bytes` into the new file behind `guard`, makes them durable and closes it; 0 or
// the errno value of the failure.
int WriteSyncAndClose(FdGuard& guard, std::span<const std::uint8_t> bytes) noexcept {
    int error = WriteFullyAt(guard.get(), 0, bytes);
    if (error == 0 && ::fsync(guard.get()) != 0 && errno != EINVAL && errno != EROFS) error = errno;
    if (error == 0 && ::close(guard.Release()) != 0 && errno != EINTR) error = errno;
    return error;
}

}  // namespace

void WriteWholeFile(const fs::path& requested, std::span<const std::uint8_t> bytes) {
    // Replace what a link points to, not the link itself.
    const fs::path path = WriteTarget(requested);
    struct stat existing {};
    const bool exists = CheckReplaceable(requested, path, existing);

    // The temporary file lies in the same folder, so that rename() replaces the file in one
    // step, and starts with a dot, so that file lists hide it should it ever be left behind.
    const fs::path folder = path.parent_path();
    fs::path temporary;
    FdGuard guard(CreateTemporaryIn(folder, requested, temporary));
    if (exists) {
        // Keep the owner and the permissions of the file being replaced (the owner only where
        // the system allows it, as for the superuser). A FAT mount may refuse modes it cannot
        // store; the new file then keeps the mount's own.
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored =
                ::fchown(guard.get(), existing.st_uid, existing.st_gid);
        }
        (void)::fchmod(guard.get(), existing.st_mode & 07777);
    }
    const char* what = kCannotWrite;
    int error = WriteSyncAndClose(guard, bytes);
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        what = kCannotCreate;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw MakeFileError(what, requested.string(), error);
    }
    // Make the rename itself durable; a folder that cannot be synced changes nothing above.
    const int folderFd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
}

void WriteNewFile(const fs::path& path, const fs::path& temporary,
                  std::span<const std::uint8_t> bytes) {
    int fd;
    do {
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw MakeFileError(kCannotCreate, path.string(), errno);
    FdGuard guard(fd);
    int error = WriteSyncAndClose(guard, bytes);
    if (error == 0) {
        // Never over a file that is there. File systems that cannot refuse that in the rename
        // itself (FAT through FUSE) are asked first.
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) !=
            0) {
            error = errno;
            if (error == EINVAL || error == ENOSYS) {
                struct stat st {};
                error = ::lstat(path.c_str(), &st) == 0 ? EEXIST : 0;
                if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
            }
        }
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw MakeFileError(kCannotCreate, path.string(), error);
    }
    const fs::path folder = path.parent_path();
    SyncFolder(folder.empty() ? fs::path(".") : folder);
}

void MoveFile(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw MakeFileError("ファイルの名前を変更できません", from.string(), errno);
}

void DeleteFile(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw MakeFileError(kCannotDelete, path.string(), EISDIR);
    if (::unlink(path.c_str()) != 0) throw MakeFileError(kCannotDelete, path.string(), errno);
}

bool FileExists(const fs::path& path) noexcept {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const fs::path& path) noexcept {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void CreateFolder(const fs::path& path) {
    if (::mkdir(path.c_str(), 0777) != 0)
        throw MakeFileError(kCannotCreateFolder, path.string(), errno);
}

void SyncFolder(const fs::path& path) {
    const int fd =
        ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw MakeFileError(kCannotWrite, path.string(), errno);
    FdGuard guard(fd);
    if (::fsync(fd) != 0 && errno != EINVAL)
        throw MakeFileError(kCannotWrite, path.string(), errno);
}

DirEntry LookUpEntry(const fs::path& requested) {
    fs::path path = requested;
    // "folder/" names the folder itself.
    while (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw MakeFileError(kCannotOpen, path.string(), errno);
    const std::string name = path.filename().string();
    const bool plainName = !name.empty() && name != "." && name != "..";
    std::string stored = plainName ? StoredName(path.parent_path(), name, st) : name;
    if (stored.empty()) stored = path.string();
    return EntryFromStat(std::move(stored), st, path, IsFatFileSystem(path));
}

std::vector<DirEntry> ListFolder(const fs::path& folder, std::string_view mask) {
    const int folderFd =
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (folderFd < 0) throw MakeFileError(kCannotListFolder, folder.string(), errno);
    DIR* dir = ::fdopendir(folderFd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(folderFd);
        throw MakeFileError(kCannotListFolder, folder.string(), error);
    }
    const bool fat = IsFatFileSystem(folder);
    std::vector<DirEntry> entries;
    int error = 0;
    while (true) {
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (item == nullptr) {
            error = errno;
            break;
        }
        const std::string name = item->d_name;
        if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), item->d_name, &st, 0) != 0) continue;  // e.g. a broken link
        entries.push_back(EntryFromStat(name, st, folder / name, fat));
    }
    ::closedir(dir);
    if (error != 0) throw MakeFileError(kCannotListFolder, folder.string(), error);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return NameOrder(a.name, b.name); });
    return entries;
}

}  // namespace corvina
