#include "core/os/run_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <utility>

#include "core/os/posix/positioned_io.h"
#include "core/os/run_lock_text.h"

namespace corvina {

namespace {

using namespace run_lock_text;

// The locked byte: far beyond the holder's text, so that the text stays readable where locks
// keep others from the bytes they cover (Windows).
constexpr off_t kLockOffset = off_t{1} << 30;

struct flock LockedByte(short type) noexcept {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kLockOffset;
    range.l_len = 1;
    return range;  // l_pid stays 0, as open-file-description locks require
}

// The start of the file, at most kMaxHolderText bytes; what could be read when reading fails.
std::string ReadHolderText(int fd) {
    std::string text(kMaxHolderText, '\0');
    const auto bytes = std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    text.resize(ReadFullyAt(fd, 0, bytes).done);
    return text;
}

// Writes all of `text` at the start of the file; 0 or the errno value of the failure.
int WriteText(int fd, std::string_view text) noexcept {
    return WriteFullyAt(fd, 0,
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace

RunLock RunLock::Acquire(const std::filesystem::path& lockFile, std::string_view program) {
    const std::string path = lockFile.string();
    if (program.empty() || !IsPlainText(program))
        throw UsageError(kBadProgram, path, std::string(program));

    // Never O_TRUNC: until the lock is ours, the text is the holder's.
    int fd;
    do {
        fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw MakeFileError(kCannotOpen, path, errno);
    RunLock lock(fd);  // closes the file on every way out

    struct stat st {};
    if (::fstat(fd, &st) != 0) throw MakeFileError(kCannotOpen, path, errno);
    if (!S_ISREG(st.st_mode)) throw FileError(kCannotOpen, path, kNotRegular);

    struct flock range = LockedByte(F_WRLCK);
    while (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EACCES)
            throw RunLockHeld(path, DescribeHolder(ReadHolderText(fd)));
        throw MakeFileError(kCannotLock, path, errno);
    }

    // Emptied first, so that a longer old text leaves nothing behind; a reader in between
    // finds no text and names the holder "不明".
    const std::string text = HolderText(program, static_cast<unsigned long>(::getpid()));
    if (::ftruncate(fd, 0) != 0) throw MakeFileError(kCannotWrite, path, errno);
    if (const int error = WriteText(fd, text); error != 0)
        throw MakeFileError(kCannotWrite, path, error);
    return lock;
}

void RunLock::Release() noexcept {
    if (fd_ < 0) return;
    // Closing alone would let the lock go too, but only once no started process shares the
    // open any more (a child between its fork and its exec).
    struct flock range = LockedByte(F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &range);
    ::close(std::exchange(fd_, -1));
}

}  // namespace corvina
