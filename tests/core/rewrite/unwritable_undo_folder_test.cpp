// A batch whose program folder cannot be written: the undo folder cannot be made there, so the
// run is refused with a box naming the folder, and nothing is written anywhere. The player is
// reached by host paths, as corvina-cli reaches it, so that no drive needs mapping on any system.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/os/drives.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_folder.h"
#include "core/rewrite/journal_writer.h"
#include "core/rewrite/undo_fixture.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace corvina::test {
namespace {

class UnwritableUndoFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(player_ / "GBSYSTEM" / "IMAGE");
        fs::create_directories(player_ / "MUSIC");
        for (int i = 0; i < 3; ++i) {
            const fs::path file = player_ / "MUSIC" / ("T" + std::to_string(i) + ".SAT");
            WriteBytes(file, PatternFile(2048, i));
            targets_.push_back(file.string());
        }
        drives_.CreateLayout();
    }

    // The program folder's host path: C:\Corvina of the drive map on Linux, the prefix on
    // Windows.
    fs::path ProgramFolder() const {
#ifdef _WIN32
        return drives_.prefix();
#else
        return drives_.prefix() / "drive_c" / "Corvina";
#endif
    }

    // Every entry under the test's folder: a file with its bytes, a folder as "/".
    std::map<std::string, Bytes> Everything() const {
        std::map<std::string, Bytes> all;
        for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
            if (entry.is_directory())
                all[entry.path().string()] = {'/'};
            else
                all[entry.path().string()] = ReadBytes(entry.path());
        }
        return all;
    }

    // The batch as corvina-cli runs it, with a jacket and the texts.
    BatchOutcome Batch() {
        JournalWriter journal(drives_, "corvina-cli");
        HostPathSpace paths(player_);
        BatchRun run{paths, quiet_, quiet_, quiet_, [] { return FullRequest("さくら"); },
                     &journal};
        return RunBatch(targets_, player_.string(), run);
    }

    // The run is refused with one box naming the undo folder, and nothing changed.
    void ExpectRefusedWithoutWriting() {
        const auto before = Everything();
        EXPECT_EQ(Batch().kind, BatchOutcome::Kind::NoJournal);
        EXPECT_EQ(Everything(), before);
        ASSERT_EQ(quiet_.boxes.size(), 1u);
        const std::string& box = quiet_.boxes[0];
        EXPECT_EQ(box.rfind(kJournalFailedMessage, 0), 0u) << box;
        EXPECT_NE(box.find("\r" + UndoFolderPath(drives_) + " には元に戻すための記録を書き込めません。\r("),
                  std::string::npos)
            << box;
        EXPECT_NE(box.find("3 個のファイルはどれも書き換えていません"), std::string::npos) << box;
    }

    TempDir dir_;
    fs::path player_ = dir_ / "player";
    DriveMap drives_{dir_ / "prefix"};
    Quiet quiet_;
    std::vector<std::string> targets_;
};

TEST_F(UnwritableUndoFolderTest, AProgramFolderThatIsNoFolderRefusesTheRun) {
    // A file where the program folder should be: no undo folder can be made in it.
    fs::remove_all(ProgramFolder());
    WriteBytes(ProgramFolder(), {1, 2, 3});
    ExpectRefusedWithoutWriting();
}

TEST_F(UnwritableUndoFolderTest, AReadOnlyProgramFolderRefusesTheRun) {
#ifdef _WIN32
    GTEST_SKIP() << "a folder's read-only attribute does not keep files out on Windows";
#else
    if (::geteuid() == 0) GTEST_SKIP() << "file modes do not bind root";
    // As under Program Files for a user: the folder is there, but nothing can be made in it.
    fs::permissions(ProgramFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    ExpectRefusedWithoutWriting();
    // With an undo folder already there, but read-only too.
    fs::permissions(ProgramFolder(), fs::perms::owner_all);
    fs::create_directory(ProgramFolder() / "Undo");
    fs::permissions(ProgramFolder() / "Undo", fs::perms::owner_read | fs::perms::owner_exec);
    quiet_.boxes.clear();
    ExpectRefusedWithoutWriting();
    fs::permissions(ProgramFolder() / "Undo", fs::perms::owner_all);
#endif
}

TEST_F(UnwritableUndoFolderTest, AWritableProgramFolderHoldsTheUndoFolder) {
    ASSERT_EQ(Batch().kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(drives_.ResolveOrThrow(UndoFolderPath(drives_)), ProgramFolder() / "Undo");
    EXPECT_EQ(ListJournals(ProgramFolder() / "Undo").size(), 1u);
}

}  // namespace
}  // namespace corvina::test
