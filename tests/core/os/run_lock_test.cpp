#include "core/os/run_lock.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "core/base/errors.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using testing::MatchesRegex;
using testing::StartsWith;

namespace corvina {
namespace {

// A holder's whole text as Acquire writes it.
const char* const kHolderTextPattern =
    "[a-zA-Z-]+\n[0-9]+\n[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\n";

// The size and the first bytes of a file, read without regard to its size.
std::pair<std::uintmax_t, std::string> Snapshot(const fs::path& path) {
    std::string head(4096, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return {fs::file_size(path), head};
}

// The holder named by a refused Acquire, or "(not refused)".
std::string RefusedHolder(const fs::path& file, std::string* message = nullptr) {
    try {
        RunLock::Acquire(file, "Corvina");
    } catch (const RunLockHeld& e) {
        EXPECT_EQ(e.path(), file.string());
        if (message != nullptr) *message = RunLockHeldMessage(e);
        return e.holder();
    }
    return "(not refused)";
}

class RunLockTest : public testing::Test {
protected:
    test::TempDir dir_;
    fs::path file_ = dir_ / kRunLockName;
};

TEST_F(RunLockTest, ASecondTakerIsRefusedNamingTheHolderUntilTheLockIsLetGo) {
    const std::string pid = std::to_string(::getpid());
    const std::vector<std::pair<const char*, std::function<void(std::optional<RunLock>&)>>>
        waysToLetGo = {
            {"Release, twice", [](auto& lock) { lock->Release(), lock->Release(); }},
            {"destruction", [](auto& lock) { lock.reset(); }},
            {"an empty lock moved over it", [](auto& lock) { *lock = RunLock(); }},
            {"moved to another that is destroyed",
             [this](auto& lock) {
                 RunLock other = std::move(*lock);
                 EXPECT_TRUE(!lock->held() && other.held());
                 EXPECT_NE(RefusedHolder(file_), "(not refused)");
             }},
        };
    for (const auto& [way, letGo] : waysToLetGo) {
        SCOPED_TRACE(way);
        std::optional<RunLock> lock = RunLock::Acquire(file_, "corvina-cli");
        const std::string text = test::ReadText(file_);
        ASSERT_THAT(text, MatchesRegex(kHolderTextPattern));
        ASSERT_THAT(text, StartsWith("corvina-cli\n" + pid + "\n"));
        const std::string started = text.substr(text.size() - 20, 19);

        std::string message;
        const std::string holder = "corvina-cli (プロセス " + pid + "、" + started + " から)";
        EXPECT_EQ(RefusedHolder(file_, &message), holder);
        EXPECT_EQ(message, "別の一括書き換えか取り消しが実行中です。\r実行中: " + holder +
                               "\r終わってからもう一度実行してください。");
        EXPECT_EQ(test::ReadText(file_), text);

        letGo(lock);
        EXPECT_NO_THROW(RunLock::Acquire(file_, "Corvina"));
    }
}

// A child that takes the lock and holds it until it is killed (SIGKILL at the latest when the
// test ends); `holds` once it has it.
struct LockingChild {
    explicit LockingChild(const fs::path& file) {
        int fds[2];
        if (::pipe(fds) != 0 || (pid = ::fork()) < 0) return;
        if (pid == 0) {
            try {
                RunLock lock = RunLock::Acquire(file, "corvina-cli");
                (void)!::write(fds[1], "1", 1);
                while (true) ::pause();
            } catch (...) {
                ::_exit(1);
            }
        }
        char taken = '0';
        ::close(fds[1]);
        holds = ::read(fds[0], &taken, 1) == 1 && taken == '1';
        ::close(fds[0]);
    }
    ~LockingChild() { Kill(); }
    bool Kill() {
        int status = 0;
        return pid > 0 && ::kill(pid, SIGKILL) == 0 &&
               ::waitpid(std::exchange(pid, -1), &status, 0) > 0 && WIFSIGNALED(status);
    }
    pid_t pid = -1;
    bool holds = false;
};

TEST_F(RunLockTest, AnotherProcessIsNamedWhileItHoldsAndItsLockGoesWhenItIsKilled) {
    LockingChild child(file_);
    ASSERT_TRUE(child.holds);
    EXPECT_THAT(RefusedHolder(file_),
                StartsWith("corvina-cli (プロセス " + std::to_string(child.pid) + "、"));
    // The text's bytes are free, for systems whose locks keep others from the bytes they cover.
    const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock text = {
        .l_type = F_WRLCK, .l_whence = SEEK_SET, .l_start = 0, .l_len = 1 << 20, .l_pid = 0};
    EXPECT_EQ(::fcntl(fd, F_OFD_GETLK, &text), 0);
    EXPECT_EQ(text.l_type, F_UNLCK);
    ::close(fd);

    ASSERT_TRUE(child.Kill());
    RunLock lock = RunLock::Acquire(file_, "Corvina");
    EXPECT_THAT(test::ReadText(file_), StartsWith("Corvina\n" + std::to_string(::getpid()) + "\n"));
}

TEST_F(RunLockTest, AnUnreadableHolderIsUnknownAndAFreeFileGetsAWholeNewText) {
    const std::string good = "Corvina\n42\n2026/12/09 13:05:10\n";
    const struct {
        const char* name;
        std::string content;
        std::uintmax_t size;  // grown to this size (sparse) when larger than the content
        const char* holder;
    } cases[] = {
        {"a well-formed text", good, 0, "Corvina (プロセス 42、2026/12/09 13:05:10 から)"},
        {"empty: the holder is about to write", "", 0, "不明"},
        {"a text still being written", good.substr(0, good.size() - 1), 0, "不明"},
        {"a line too many", good + "x\n", 0, "不明"},
        {"a process id with a letter", "Corvina\n4x\n2026/12/09 13:05:10\n", 0, "不明"},
        {"a short time", "Corvina\n42\n2026/12/09 13:05\n", 0, "不明"},
        {"a program that is no UTF-8", "\xff\xfe\n42\n2026/12/09 13:05:10\n", 0, "不明"},
        {"a good text in a 4 GiB file", good, std::uintmax_t{4} << 30, "不明"},
        {"2 KiB of garbage", std::string(2048, 'x'), 0, "不明"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<RunLock> holder = RunLock::Acquire(file_, "corvina-cli");
        test::WriteText(file_, c.content);
        if (c.size > c.content.size()) fs::resize_file(file_, c.size);
        const auto before = Snapshot(file_);

        EXPECT_EQ(RefusedHolder(file_), c.holder);
        EXPECT_EQ(Snapshot(file_), before);

        holder.reset();
        RunLock lock = RunLock::Acquire(file_, "corvina-cli");
        const auto [size, head] = Snapshot(file_);
        EXPECT_EQ(size, head.size());
        EXPECT_THAT(head, MatchesRegex(kHolderTextPattern));
    }
}

TEST_F(RunLockTest, AFileThatCannotBeOpenedOrAProgramNameThatCannotBeWrittenIsAnError) {
    fs::create_directory(dir_ / "folder");
    for (const fs::path& file : {dir_ / "missing" / kRunLockName, dir_ / "folder"}) {
        try {
            RunLock::Acquire(file, "Corvina");
            ADD_FAILURE() << file << " was not refused";
        } catch (const FileError& e) {
            EXPECT_EQ(e.what(), "ファイルを開けません: \"" + file.string() + "\" (" +
                                    std::strerror(file == dir_ / "folder" ? EISDIR : ENOENT) + ")");
        }
    }
    EXPECT_THROW(RunLock::Acquire(file_, ""), UsageError);
    EXPECT_THROW(RunLock::Acquire(file_, "corvina\n1\n"), UsageError);
    EXPECT_FALSE(fs::exists(file_));
}

}  // namespace
}  // namespace corvina
