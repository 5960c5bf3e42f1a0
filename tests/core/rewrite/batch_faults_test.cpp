// A batch or an undo killed at many points, in a child process; after each, undo is run until
// nothing is left to undo, and every file must be as it was before the first batch, the picture
// folder must hold what it held, and the batch before the killed one must still be undone.
// The child is stopped by the system at a file write that exceeds its file size limit (the
// journal's, the jacket's: SIGXFSZ), or kills itself at a point the run reports (a box, a file
// done, an undo's progress).
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "undo_fixture.h"

namespace corvina::test {
namespace {

// How the child ended: the signal that killed it, or 0 when it ended by itself.
int InChild(const std::function<void()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// Lets the system kill the process at the first write that makes a file larger than `bytes`.
void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

class BatchFaultTest : public UndoFixture {
protected:
    // Undoes until nothing is left; how many batches were undone.
    int UndoAll() {
        int undone = 0;
        while (true) {
            const UndoReport report = Undo();
            if (!report.found) return undone;
            EXPECT_TRUE(report.leftAlone.empty()) << report.leftAlone[0].reason;
            EXPECT_TRUE(report.missingRoot.empty());
            ++undone;
        }
    }
};

TEST_F(BatchFaultTest, ABatchKilledAnywhereIsUndoneToTheLastByte) {
    struct Case {
        const char* name;
        std::function<void(Quiet&)> arm;  // in the child, before the batch
        int signal;
        int batchesToUndo;  // the killed one, when its journal got in place, and the one before
    };
    const Case cases[] = {
        {"during the journal's write", [](Quiet&) { LimitFileSize(100); }, SIGXFSZ, 1},
        {"after the journal is in place",
         [](Quiet& q) { q.onBox = [](std::string_view) { ::raise(SIGKILL); }; }, SIGKILL, 2},
        {"during the jacket's write", [](Quiet&) { LimitFileSize(5000); }, SIGXFSZ, 2},
        {"after the first file",
         [](Quiet& q) { q.onPosition = [](std::size_t k, int) { if (k == 1) ::raise(SIGKILL); }; },
         SIGKILL, 2},
        {"after the third file",
         [](Quiet& q) { q.onPosition = [](std::size_t k, int) { if (k == 3) ::raise(SIGKILL); }; },
         SIGKILL, 2},
        {"after the last file, before the summary",
         [](Quiet& q) { q.onBox = [](std::string_view) { ::raise(SIGKILL); }; }, SIGKILL, 2},
    };
    const std::vector<Bytes> original = Contents();
    const std::vector<std::string> imagesBefore = ImageFiles();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Batch(FullRequest("前の人")).kind, BatchOutcome::Kind::Done);
        // The IMAGE folder made by the batch says so in a box: the point after the journal.
        const bool noImageFolder = std::string(c.name) == "after the journal is in place";
        if (noImageFolder) {
            fs::rename(player_ / "GBSYSTEM" / "IMAGE", dir_ / "IMAGE");
        }
        const int signal = InChild([&] {
            quiet_.filesDone = 0;
            c.arm(quiet_);
            Batch(FullRequest("殺される人"));
        });
        EXPECT_EQ(signal, c.signal);
        if (noImageFolder) {
            fs::remove_all(player_ / "GBSYSTEM" / "IMAGE");
            fs::rename(dir_ / "IMAGE", player_ / "GBSYSTEM" / "IMAGE");
        }
        EXPECT_EQ(UndoAll(), c.batchesToUndo);
        EXPECT_EQ(Contents(), original);
        EXPECT_EQ(ImageFiles(), imagesBefore);
    }
}

TEST_F(BatchFaultTest, AnUndoKilledMidwayIsRunAgainToTheEnd) {
    const std::vector<Bytes> original = Contents();
    ASSERT_EQ(Batch(FullRequest("前の人")).kind, BatchOutcome::Kind::Done);
    ASSERT_EQ(Batch(FullRequest("次の人")).kind, BatchOutcome::Kind::Done);
    // Killed after the first file, then again after the third, of the same batch.
    for (const std::size_t at : {std::size_t{1}, std::size_t{3}}) {
        SCOPED_TRACE(at);
        const int signal = InChild([&] {
            UndoLastBatch(drives_, false, "test", [&](const UndoStep& step) {
                if (step.pass == UndoStep::Pass::Restoring && step.done == at) ::raise(SIGKILL);
            });
        });
        EXPECT_EQ(signal, SIGKILL);
    }
    EXPECT_EQ(UndoAll(), 2);
    EXPECT_EQ(Contents(), original);
    EXPECT_TRUE(ImageFiles().empty());
}

}  // namespace
}  // namespace corvina::test
