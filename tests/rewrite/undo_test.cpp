#include "rewrite/undo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/gbp.h"
#include "formats/sat_tags.h"
#include "platform/clock.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/messages.h"
#include "rewrite/batch_run.h"
#include "rewrite/journal.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class Quiet : public Messages, public BatchProgress, public Clock {
public:
    bool Show(MessageKind, std::string_view text) override {
        boxes.emplace_back(text);
        return false;
    }
    void Show() override {}
    void SetText(std::string_view) override {}
    void SetPosition(int) override {}
    void Close() override {}
    std::uint64_t MonotonicMilliseconds() override { return 0; }
    void SleepMilliseconds(unsigned) override {}
    std::uint64_t Seed() override { return ++seed; }

    std::vector<std::string> boxes;
    std::uint64_t seed = 7;
};

Bytes PatternFile(std::size_t size, int salt) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 41 + 3 + salt * 17) % 251);
    return bytes;
}

RewriteRequest FullRequest(const std::string& artist) {
    RewriteRequest request;
    request.writeTags = true;
    request.texts = TagTexts{artist, "春", "J-POP"};
    request.numberTracks = true;
    request.writeJacket = true;
    request.jacket = Picture15(kJacketWidth, kJacketHeight);
    return request;
}

// A player on drive F: with SAT files in two folders, the drive map's undo folder on drive C.
class UndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        drives_.CreateLayout();
        fs::create_directories(player_ / "GBSYSTEM" / "IMAGE");
        fs::create_directories(player_ / "MUSIC" / "A");
        fs::create_directories(player_ / "MUSIC" / "B");
        fs::create_directory_symlink(player_, drives_.prefix() / "dosdevices" / "f:");
        for (int i = 0; i < 4; ++i) {
            const std::string folder = i < 2 ? "A" : "B";
            const std::string name = "T" + std::to_string(i) + ".SAT";
            WriteBytes(player_ / "MUSIC" / folder / name, PatternFile(2048, i));
            targets_.push_back("F:\\MUSIC\\" + folder + "\\" + name);
        }
    }

    // More SAT files in folder A, up to `count` targets in all.
    void AddFiles(int count) {
        for (int i = static_cast<int>(targets_.size()); i < count; ++i) {
            const std::string name = "U" + std::to_string(i) + ".SAT";
            WriteBytes(player_ / "MUSIC" / "A" / name, PatternFile(1024, i));
            targets_.push_back("F:\\MUSIC\\A\\" + name);
        }
    }

    BatchOutcome Batch(const RewriteRequest& request) {
        JournalWriter journal(drives_, JournalWriter::Paths::Windows);
        BatchRun run{paths_, quiet_, quiet_, quiet_, [&] { return request; }, &journal};
        return RunBatch(targets_, "F:\\", run);
    }

    fs::path Host(const std::string& windowsPath) const {
        return drives_.ResolveOrThrow(windowsPath);
    }
    std::vector<Bytes> Contents() const {
        std::vector<Bytes> all;
        for (const std::string& target : targets_) all.push_back(ReadBytes(Host(target)));
        return all;
    }
    fs::path UndoFolder() const { return drives_.ResolveOrThrow(kUndoFolder); }
    std::size_t ImageCount() const {
        return static_cast<std::size_t>(std::distance(
            fs::directory_iterator(player_ / "GBSYSTEM" / "IMAGE"), fs::directory_iterator()));
    }

    TempDir dir_;
    fs::path player_ = dir_ / "player";
    DriveMap drives_{dir_ / "prefix"};
    WindowsPathSpace paths_{drives_};
    Quiet quiet_;
    std::vector<std::string> targets_;
};

TEST_F(UndoTest, UndoGivesBackEveryFileAsItWasAfterFullAndFailedRuns) {
    struct Case {
        const char* name;
        int failAt;  // the file made too short for a tag block, or -1
        std::size_t restored;
    };
    for (const Case c : {Case{"whole run", -1, 4}, Case{"run failing at the third file", 2, 2}}) {
        SCOPED_TRACE(c.name);
        if (c.failAt >= 0) WriteBytes(Host(targets_[c.failAt]), PatternFile(800, 9));
        const std::vector<Bytes> before = Contents();
        const std::size_t imagesBefore = ImageCount();

        const BatchOutcome outcome = Batch(FullRequest("さくら"));
        ASSERT_EQ(outcome.kind,
                  c.failAt < 0 ? BatchOutcome::Kind::Done : BatchOutcome::Kind::Failed);
        ASSERT_NE(Contents(), before);
        ASSERT_EQ(ImageCount(), imagesBefore + 1);

        const UndoReport dry = UndoLastBatch(drives_, true);
        EXPECT_EQ(dry.restored, c.restored);
        EXPECT_NE(Contents(), before);  // a dry run writes nothing

        const UndoReport report = UndoLastBatch(drives_, false);
        EXPECT_TRUE(report.found);
        EXPECT_EQ(report.done, c.failAt < 0 ? 4u : static_cast<std::size_t>(c.failAt));
        EXPECT_EQ(report.restored, c.restored);
        EXPECT_TRUE(report.leftAlone.empty());
        EXPECT_EQ(report.jacket, UndoReport::Jacket::Removed);
        EXPECT_EQ(Contents(), before);
        EXPECT_EQ(ImageCount(), imagesBefore);
        EXPECT_FALSE(UndoLastBatch(drives_, false).found);
    }
}

TEST_F(UndoTest, FilesChangedSinceTheRunAreLeftAloneAndNamed) {
    const std::vector<Bytes> before = Contents();
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const std::vector<Bytes> after = Contents();

    // File 0: the artist changed by a later edit. File 1: one range put back by hand, as a run
    // cut off inside the file would leave it; still the run's doing. File 2: a byte outside the
    // ranges changed by another program, which is no reason to keep the tags. File 3: the size.
    TagRewrite edit;
    edit.texts = TagTexts{"別の人", "春", "J-POP"};
    edit.track = 1;
    RewriteTagBlock(Host(targets_[0]), edit);
    Bytes torn = after[1];
    std::copy(before[1].begin() + 256, before[1].begin() + 380, torn.begin() + 256);
    WriteBytes(Host(targets_[1]), torn);
    Bytes outside = after[2];
    outside[1000] ^= 0xFF;
    WriteBytes(Host(targets_[2]), outside);
    Bytes longer = after[3];
    longer.push_back(0);
    WriteBytes(Host(targets_[3]), longer);
    const Bytes edited = ReadBytes(Host(targets_[0]));

    const UndoReport report = UndoLastBatch(drives_, false);
    EXPECT_EQ(report.restored, 2u);
    ASSERT_EQ(report.leftAlone.size(), 2u);
    EXPECT_EQ(report.leftAlone[0].file, targets_[0]);
    EXPECT_EQ(report.leftAlone[1].file, targets_[3]);
    EXPECT_EQ(ReadBytes(Host(targets_[0])), edited);
    EXPECT_EQ(ReadBytes(Host(targets_[1])), before[1]);
    Bytes expected2 = before[2];
    expected2[1000] ^= 0xFF;
    EXPECT_EQ(ReadBytes(Host(targets_[2])), expected2);
    EXPECT_EQ(ReadBytes(Host(targets_[3])), longer);
    // Files left alone still name the jacket, so it stays.
    EXPECT_EQ(report.jacket, UndoReport::Jacket::Kept);
    EXPECT_EQ(ImageCount(), 1u);

    const std::vector<std::string> lines = UndoSummaryLines(report);
    const std::string text = lines.back();
    EXPECT_NE(text.find("ジャケット画像ファイル"), std::string::npos) << text;
    EXPECT_NE(lines[2].find(targets_[0]), std::string::npos) << lines[2];
}

TEST_F(UndoTest, AJournalThatCannotBeWrittenStopsTheRunBeforeAnyWrite) {
    fs::remove(player_ / "GBSYSTEM" / "IMAGE");
    WriteBytes(UndoFolder(), {1});  // a file where the folder should be
    const std::vector<Bytes> before = Contents();
    EXPECT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::NoJournal);
    EXPECT_EQ(Contents(), before);
    EXPECT_FALSE(fs::exists(player_ / "GBSYSTEM" / "IMAGE"));
    ASSERT_EQ(quiet_.boxes.size(), 1u);
    EXPECT_EQ(quiet_.boxes[0].rfind(kJournalFailedMessage, 0), 0u) << quiet_.boxes[0];
    EXPECT_NE(quiet_.boxes[0].find("4 個のファイルはどれも書き換えていません"), std::string::npos);
}

TEST_F(UndoTest, ADamagedJournalIsRefusedWithNoFileTouched) {
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const std::vector<Bytes> after = Contents();
    const std::vector<fs::path> journals = ListJournals(UndoFolder());
    ASSERT_EQ(journals.size(), 1u);
    const Bytes good = ReadBytes(journals[0]);
    ASSERT_NO_THROW(DecodeJournal(good));

    struct Case {
        const char* name;
        Bytes bytes;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 40)},
        {"cut in the last file", Bytes(good.begin(), good.end() - 10)},
        {"one more byte", good},
        {"a byte of the body flipped", good},
        {"the done count changed", good},
        {"another version", good},
    };
    cases[3].bytes.push_back(0);
    cases[4].bytes[good.size() / 2] ^= 0x01;
    cases[5].bytes[16] = 0x03;
    cases[6].bytes[8] = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(journals[0], c.bytes);
        EXPECT_THROW(UndoLastBatch(drives_, false), FormatError);
        EXPECT_EQ(Contents(), after);
        EXPECT_EQ(ImageCount(), 1u);
        Quiet box;
        RunUndo(drives_, box);
        ASSERT_EQ(box.boxes.size(), 1u);
        EXPECT_NE(box.boxes[0].find(journals[0].string()), std::string::npos) << box.boxes[0];
    }
}

TEST_F(UndoTest, RepeatedUndosStepBackThroughTheLastTenBatches) {
    targets_.resize(1);
    std::vector<Bytes> states = {ReadBytes(Host(targets_[0]))};
    for (int run = 0; run < 12; ++run) {
        ASSERT_EQ(Batch(FullRequest("人" + std::to_string(run))).kind, BatchOutcome::Kind::Done);
        states.push_back(ReadBytes(Host(targets_[0])));
    }
    EXPECT_EQ(ListJournals(UndoFolder()).size(), kJournalsKept);
    for (std::size_t k = 0; k < kJournalsKept; ++k) {
        const UndoReport report = UndoLastBatch(drives_, false);
        ASSERT_TRUE(report.found);
        EXPECT_EQ(report.restored, 1u);
        EXPECT_EQ(ReadBytes(Host(targets_[0])), states[states.size() - 2 - k]);
    }
    EXPECT_FALSE(UndoLastBatch(drives_, false).found);
    EXPECT_EQ(UndoSummaryLines(UndoLastBatch(drives_, true)),
              std::vector<std::string>{std::string(kNothingToUndoMessage)});
    // A new run after them is undone first, and the undone ones stay marked.
    ASSERT_EQ(Batch(FullRequest("次")).kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(UndoLastBatch(drives_, false).restored, 1u);
    EXPECT_FALSE(UndoLastBatch(drives_, false).found);
}

TEST_F(UndoTest, FilesKeptOpenOrOpenedByPathAreRewrittenOnlyWhileStillTheFilesJournaled) {
    struct Case {
        const char* name;
        std::size_t limit;  // files kept open
        int replaceAt;      // the file moved over its path after the journal, or -1
    };
    const Case cases[] = {
        {"all kept", 4, -1},
        {"two kept", 2, -1},
        {"none kept", 0, -1},
        {"kept file replaced", 4, 1},
        {"file by path replaced", 0, 1},
    };
    TagRewrite changes;
    changes.texts = TagTexts{"さくら", "春", "J-POP"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t i = 0; i < targets_.size(); ++i)
            WriteBytes(Host(targets_[i]), PatternFile(2048, static_cast<int>(i)));
        const std::vector<Bytes> before = Contents();

        JournalWriter journal(drives_, JournalWriter::Paths::Windows);
        TargetFiles opened(targets_, paths_, c.limit);
        EXPECT_EQ(opened.KeptCount(), c.limit);
        journal.Begin(targets_, paths_, changes, true, "", opened);
        const Bytes replacement = PatternFile(2048, 99);
        if (c.replaceAt >= 0) {
            WriteBytes(dir_ / "new.SAT", replacement);
            fs::rename(dir_ / "new.SAT", Host(targets_[c.replaceAt]));
        }
        // A kept file is rewritten where it now is; one opened by path is refused.
        const bool refused = c.replaceAt >= 0 && c.limit == 0;
        std::size_t done = targets_.size();
        try {
            RewriteFiles(
                targets_, paths_, changes, true, {},
                [&](std::size_t i) { journal.FileDone(i + 1); }, &opened);
        } catch (const BatchError& e) {
            done = e.done();
            EXPECT_NE(std::string(e.what()).find("置き換えられています"), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(done, refused ? std::size_t(c.replaceAt) : targets_.size());
        if (c.replaceAt >= 0) {
            EXPECT_EQ(ReadBytes(Host(targets_[c.replaceAt])), replacement);
        }

        const UndoReport report = UndoLastBatch(drives_, false);
        EXPECT_EQ(report.restored, c.replaceAt >= 0 && !refused ? done - 1 : done);
        EXPECT_EQ(report.leftAlone.size(), c.replaceAt >= 0 && !refused ? 1u : 0u);
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            if (static_cast<int>(i) != c.replaceAt) {
                EXPECT_EQ(ReadBytes(Host(targets_[i])), before[i]) << i;
            }
        }
    }
}

TEST_F(UndoTest, ALongRunKeepsFilesOpenUpToAFailureAndJournalsEachFilesOwnBytes) {
    // Long enough for the later half to be opened and read on a second thread. A file too short
    // for a tag block lies there; with fewer kept open, the last files go by path.
    AddFiles(300);
    WriteBytes(Host(targets_[280]), PatternFile(800, 280));
    const std::vector<std::string> all = targets_;
    TagRewrite changes;
    changes.texts = TagTexts{"さくら", "春", "J-POP"};
    changes.jacketName = "0123456789ABCDEF.GBP";
    struct Case {
        std::size_t limit;
        int missing;  // the file that cannot be opened, or -1
    };
    for (const Case c : {Case{300, -1}, Case{200, -1}, Case{300, 60}, Case{300, 250}}) {
        SCOPED_TRACE(std::to_string(c.limit) + " kept at most, missing " +
                     std::to_string(c.missing));
        targets_ = all;
        if (c.missing >= 0) targets_[c.missing] = "F:\\MUSIC\\A\\NONE.SAT";
        TargetFiles opened(targets_, paths_, c.limit);
        const std::size_t kept = opened.KeptCount();
        if (c.missing < 0) {
            EXPECT_EQ(kept, c.limit);
        } else {
            // Some before the failure are given back, in case it was for want of descriptors.
            EXPECT_LT(kept, static_cast<std::size_t>(c.missing));
            EXPECT_GT(kept, static_cast<std::size_t>(c.missing) / 2);
        }
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            const File* file = opened.Kept(i);
            ASSERT_EQ(file != nullptr, i < kept) << i;
            if (file) {
                EXPECT_EQ(file->path(), Host(targets_[i]).string());
            }
        }

        JournalWriter writer(drives_, JournalWriter::Paths::Windows);
        writer.Begin(targets_, paths_, changes, false,
                     "F:\\GBSYSTEM\\IMAGE\\0123456789ABCDEF.GBP", opened);
        const Journal journal = ReadJournal(writer.path());
        ASSERT_EQ(journal.files.size(), targets_.size());
        const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            const JournalFile& file = journal.files[i];
            EXPECT_EQ(file.path.text, targets_[i]);
            ASSERT_EQ(file.read, i != 280 && static_cast<int>(i) != c.missing) << i;
            if (!file.read) continue;
            const Bytes bytes = ReadBytes(Host(targets_[i]));
            EXPECT_EQ(file.size, bytes.size());
            Bytes old;
            for (const auto& range : composed.Ranges())
                old.insert(old.end(), bytes.begin() + range.offset,
                           bytes.begin() + range.offset + range.size);
            EXPECT_EQ(file.oldBytes, old) << i;
        }
    }
}

TEST_F(UndoTest, ARunOutOfDescriptorsStillJournalsAndRewritesEveryFile) {
    AddFiles(100);
    const std::vector<Bytes> before = Contents();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A limit that cannot be raised, nearly used up: the run opens some files, runs out,
        // and goes on by path for the rest.
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max = std::min<rlim_t>(limit.rlim_max, 200);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        std::vector<int> taken;
        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) taken.push_back(fd);
        for (int k = 0; k < 30 && !taken.empty(); ++k) {
            ::close(taken.back());
            taken.pop_back();
        }
        const bool done = Batch(FullRequest("さくら")).kind == BatchOutcome::Kind::Done;
        for (const std::string& box : quiet_.boxes) std::fprintf(stderr, "%s\n", box.c_str());
        ::_exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const std::vector<Bytes> after = Contents();
    for (std::size_t i = 0; i < targets_.size(); ++i) EXPECT_NE(after[i], before[i]) << i;
    EXPECT_EQ(UndoLastBatch(drives_, false).restored, targets_.size());
    EXPECT_EQ(Contents(), before);
}

// The body's and the header's checksums made to fit the bytes again.
void Reseal(Bytes& bytes) {
    const auto crc = [&](std::size_t from, std::size_t to) {
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = from; i < to; ++i) {
            c ^= bytes[i];
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        return ~c;
    };
    const auto put = [&](std::size_t at, std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(24, bytes.size() - 40, 8);
    put(32, crc(40, bytes.size()), 4);
    put(36, crc(0, 36), 4);
}

TEST(JournalTest, Version2KeepsEachRangeUpToItsLastNonzeroByteAndVersion1IsStillRead) {
    Journal journal;
    journal.done = 2;
    journal.changes.texts = TagTexts{"さくら", "春", "J-POP"};
    journal.changes.jacketName = "0123456789ABCDEF.GBP";
    journal.numberTracks = true;
    journal.jacketFile = {"F:\\GBSYSTEM\\IMAGE\\0123456789ABCDEF.GBP", false};
    const std::size_t oldSize = ComposeTagRewrite(journal.RewriteOf(0)).TotalSize();
    // Old bytes with zeros in the middle and at the end of ranges, none read, all zeros (the
    // last file's, so that its last range's count is the journal's last byte), and no zero.
    Bytes mixed(oldSize, 0);
    for (std::size_t i = 0; i < oldSize; i += 3) mixed[i] = 'A';
    const std::vector<std::pair<bool, Bytes>> olds = {
        {true, mixed}, {false, {}}, {true, Bytes(oldSize, 0xFF)}, {true, Bytes(oldSize, 0)}};
    for (std::size_t i = 0; i < olds.size(); ++i) {
        JournalFile file;
        file.path = {"F:\\MUSIC\\T" + std::to_string(i) + ".SAT", false};
        file.read = olds[i].first;
        file.size = 4096 + i;
        file.lastWriteNs = 1'700'000'000'000'000'000 + static_cast<std::int64_t>(i);
        file.oldBytes = olds[i].second;
        journal.files.push_back(file);
    }
    std::vector<Bytes> encoded;
    for (const std::uint32_t version : {1u, 2u}) {
        SCOPED_TRACE(version);
        journal.version = version;
        encoded.push_back(EncodeJournal(journal));
        const Journal back = DecodeJournal(encoded.back());
        EXPECT_EQ(back.version, version);
        EXPECT_EQ(back.done, journal.done);
        EXPECT_EQ(back.files, journal.files);
    }
    EXPECT_LT(encoded[1].size(), encoded[0].size());

    // The last range kept with a nonzero byte is read; one ending in a zero, or longer than the
    // range, is not as written and is refused.
    const Bytes& good = encoded[1];
    for (const Bytes& tail : {Bytes{1, 7}, Bytes{1, 0}, Bytes(256, 1)}) {
        SCOPED_TRACE(tail.size() == 2 ? int{tail[1]} : -1);
        Bytes bytes(good.begin(), good.end() - 1);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        if (tail.size() == 256) bytes[good.size() - 1] = 0xFF;
        Reseal(bytes);
        if (tail == Bytes{1, 7}) {
            const Bytes old = DecodeJournal(bytes).files.back().oldBytes;
            EXPECT_EQ(std::count(old.begin(), old.end(), 7), 1);
            EXPECT_EQ(old.size(), oldSize);
        } else {
            EXPECT_THROW(DecodeJournal(bytes), FormatError);
        }
    }
}

}  // namespace
}  // namespace corvina
