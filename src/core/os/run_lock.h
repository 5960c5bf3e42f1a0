#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/errors.h"

// One batch rewrite or undo at a time, across processes: the desktop program and corvina-cli
// share the undo folder, and each run holds a lock on a file there for its whole length, so two
// runs never write the same files at once.
//
// The lock covers one byte far beyond the file's text (a lock may lie past the end of a file);
// the text says who holds it, so that those refused can name the holder. On Linux it is an
// open-file-description lock: it belongs to the open of the file, so two takers in one process
// exclude each other too, and it goes when the holder closes the file or its process ends, even
// when killed. The file stays when the lock is released: removing it would race with the next
// taker.
namespace corvina {

// The lock file's name in the folder the runs share.
inline constexpr std::string_view kRunLockName = "corvina.lock";

// The lock is held by another run. where() is the lock file; reason() and holder() describe
// the holder, e.g. "corvina-cli (プロセス 1234、2026/12/09 13:05:10 から)", or "不明" when its
// text cannot be read (a holder that is just writing it, a damaged file).
class RunLockHeld : public Error {
public:
    RunLockHeld(std::string lockFile, std::string holder);
    const std::string& holder() const noexcept { return reason(); }
};

// The text of the error box for a refused run: what runs and what to do.
std::string RunLockHeldMessage(const RunLockHeld& error);

class RunLock {
public:
    // Creates the lock file when it is missing, takes the lock without waiting, and writes the
    // holder's text: `program` (e.g. "Corvina", "corvina-cli"), the process id and the local
    // time now. Throws RunLockHeld, leaving the file untouched, when another holds it;
    // FileError naming the file when it cannot be opened, locked or written (a missing folder,
    // one without write access); UsageError for an empty `program` or one with control
    // characters.
    static RunLock Acquire(const std::filesystem::path& lockFile, std::string_view program);

    RunLock() noexcept = default;  // holds nothing
    RunLock(RunLock&& other) noexcept;
    RunLock& operator=(RunLock&& other) noexcept;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock();

    bool held() const noexcept { return fd_ >= 0; }
    // Lets the lock go now (a no-op when nothing is held). The file and its text stay; the next
    // holder replaces the text.
    void Release() noexcept;

private:
    explicit RunLock(int fd) noexcept : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace corvina
