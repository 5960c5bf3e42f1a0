#include "core/os/run_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <utility>

#include "core/base/utf8.h"
#include "core/os/posix/positioned_io.h"

namespace corvina {

namespace {

constexpr const char* kCannotOpen = "ファイルを開けません";
constexpr const char* kCannotLock = "ファイルをロックできません";
constexpr const char* kCannotWrite = "ファイルに書き込めません";
constexpr const char* kNotRegular = "通常のファイルではありません";
constexpr const char* kRunning = "別の一括書き換えか取り消しが実行中です";
constexpr const char* kUnknownHolder = "不明";

// The locked byte: far beyond the holder's text, so that the text stays readable where locks
// keep others from the bytes they cover (Windows).
constexpr off_t kLockOffset = off_t{1} << 30;
// The most of the file read for the holder's text; a real text is well under it.
constexpr std::size_t kMaxHolderText = 1024;

// The holder's text: the program, the process id and the start time, one a line.
//     corvina-cli\n1234\n2026/12/09 13:05:10\n
constexpr std::string_view kTimePattern = "dddd/dd/dd dd:dd:dd";

struct flock LockedByte(short type) noexcept {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kLockOffset;
    range.l_len = 1;
    return range;  // l_pid stays 0, as open-file-description locks require
}

// Well-formed UTF-8 without control characters (so without line breaks).
bool IsPlainText(std::string_view text) noexcept {
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextCodePoint(text, pos);
        if (c < 0x20 || c == 0x7F || c >= 0x110000) return false;
    }
    return true;
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsProcessId(std::string_view text) noexcept {
    if (text.empty() || text.size() > 10 || text[0] == '0') return false;
    for (const char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

bool IsTimeText(std::string_view text) noexcept {
    if (text.size() != kTimePattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kTimePattern[i] == 'd' ? !IsDigit(text[i]) : text[i] != kTimePattern[i]) return false;
    }
    return true;
}

// The local time now as the holder's text gives it, e.g. "2026/12/09 13:05:10".
std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32];
    // Cannot fail for the present; an empty time would only make the holder "不明".
    if (localtime_r(&now, &local) == nullptr) return {};
    const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return std::string(text, length);
}

// The holder as those refused read it: "corvina-cli (プロセス 1234、2026/12/09 13:05:10 から)",
// or "不明" for anything but a whole, well-formed text.
std::string DescribeHolder(std::string_view text) {
    std::string_view fields[3];
    for (std::string_view& field : fields) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return kUnknownHolder;
        field = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    const auto [program, processId, started] = fields;
    if (!text.empty() || program.empty() || !IsPlainText(program) || !IsProcessId(processId) ||
        !IsTimeText(started))
        return kUnknownHolder;
    return std::string(program) + " (プロセス " + std::string(processId) + "、" +
           std::string(started) + " から)";
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

RunLockHeld::RunLockHeld(std::string lockFile, std::string holder)
    : Error(kRunning, std::move(lockFile), std::move(holder)) {}

std::string RunLockHeldMessage(const RunLockHeld& error) {
    return std::string(kRunning) + "。\r実行中: " + error.holder() +
           "\r終わってからもう一度実行してください。";
}

RunLock RunLock::Acquire(const std::filesystem::path& lockFile, std::string_view program) {
    const std::string path = lockFile.string();
    if (program.empty() || !IsPlainText(program))
        throw UsageError("実行中のプログラムの名前が正しくありません", path, std::string(program));

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
    const std::string text =
        std::string(program) + '\n' + std::to_string(::getpid()) + '\n' + NowText() + '\n';
    if (::ftruncate(fd, 0) != 0) throw MakeFileError(kCannotWrite, path, errno);
    if (const int error = WriteText(fd, text); error != 0)
        throw MakeFileError(kCannotWrite, path, error);
    return lock;
}

RunLock::RunLock(RunLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RunLock& RunLock::operator=(RunLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

RunLock::~RunLock() { Release(); }

void RunLock::Release() noexcept {
    if (fd_ < 0) return;
    // Closing alone would let the lock go too, but only once no started process shares the
    // open any more (a child between its fork and its exec).
    struct flock range = LockedByte(F_UNLCK);
    ::fcntl(fd_, F_OFD_SETLK, &range);
    ::close(std::exchange(fd_, -1));
}

}  // namespace corvina
