#include "core/rewrite/undo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/os/run_lock.h"
#include "core/rewrite/journal_folder.h"
#include "core/rewrite/journal_format.h"
#include "undo_fixture.h"

namespace corvina::test {
namespace {

using UndoTest = UndoFixture;

bool Contains(const std::vector<std::string>& lines, std::string_view part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != line.npos; });
}

TEST_F(UndoTest, UndoGivesBackEveryFileAsItWasAfterFullAndFailedRuns) {
    struct Case {
        const char* name;
        int failAt;  // the file deleted as its turn comes, or -1
        std::size_t restored;
    };
    for (const Case c : {Case{"whole run", -1, 4}, Case{"run failing at the third file", 2, 2}}) {
        SCOPED_TRACE(c.name);
        const std::vector<Bytes> before = Contents();
        const std::vector<std::string> imagesBefore = ImageFiles();
        Bytes removed;
        quiet_.onText = [&](std::string_view text) {
            if (c.failAt < 0 || text != ProgressText(targets_[c.failAt])) return;
            removed = ReadBytes(Host(targets_[c.failAt]));
            fs::remove(Host(targets_[c.failAt]));
        };
        const BatchOutcome outcome = Batch(FullRequest("さくら"));
        quiet_.onText = {};
        if (c.failAt >= 0) WriteBytes(Host(targets_[c.failAt]), removed);
        ASSERT_EQ(outcome.kind,
                  c.failAt < 0 ? BatchOutcome::Kind::Done : BatchOutcome::Kind::Failed);
        ASSERT_NE(Contents(), before);
        ASSERT_EQ(ImageFiles().size(), imagesBefore.size() + 1);

        const UndoReport dry = Undo(true);
        EXPECT_EQ(dry.restored, c.restored);
        EXPECT_NE(Contents(), before);  // a dry run writes nothing

        const UndoReport report = Undo();
        EXPECT_TRUE(report.found);
        EXPECT_EQ(report.stoppedEarly, c.failAt >= 0);
        EXPECT_EQ(report.restored, c.restored);
        EXPECT_TRUE(report.leftAlone.empty());
        EXPECT_EQ(report.jacket, UndoReport::Jacket::Removed);
        EXPECT_EQ(Contents(), before);
        EXPECT_EQ(ImageFiles(), imagesBefore);
        EXPECT_FALSE(Undo().found);
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

    const UndoReport report = Undo();
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
    EXPECT_EQ(ImageFiles().size(), 1u);

    const std::vector<std::string> lines = UndoSummaryLines(report);
    EXPECT_NE(lines.back().find("ジャケット画像ファイル"), std::string::npos) << lines.back();
    EXPECT_TRUE(Contains(lines, targets_[0] + " はそのままにしました"));
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

TEST_F(UndoTest, ADamagedJournalIsSetAsideAndTheBatchBeforeItUndone) {
    // Batch A over the first two files, batch B over the other two; B's journal is then damaged.
    const std::vector<Bytes> before = Contents();
    const std::vector<std::string> first(targets_.begin(), targets_.begin() + 2);
    const std::vector<std::string> second(targets_.begin() + 2, targets_.end());
    ASSERT_EQ(Batch(FullRequest("A"), first).kind, BatchOutcome::Kind::Done);
    const std::vector<fs::path> journals = ListJournals(UndoFolder());
    ASSERT_EQ(journals.size(), 1u);
    const Bytes journalA = ReadBytes(journals[0]);
    ASSERT_EQ(Batch(FullRequest("B"), second).kind, BatchOutcome::Kind::Done);
    const fs::path pathB = ListJournals(UndoFolder()).front();
    const Bytes good = ReadBytes(pathB);
    const std::vector<Bytes> afterB = Contents();
    const std::vector<std::string> imagesAfterB = ImageFiles();

    std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 40)},
        {"cut in the last file", Bytes(good.begin(), good.end() - 10)},
        {"one more byte", good},
        {"a byte of the body flipped", good},
        {"another version", good},
    };
    cases[3].second.push_back(0);
    cases[4].second[good.size() / 2] ^= 0x01;
    cases[5].second[8] = 2;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        WriteBytes(journals[0], journalA);
        WriteBytes(pathB, bytes);
        for (std::size_t i = 0; i < targets_.size(); ++i) WriteBytes(Host(targets_[i]), afterB[i]);
        for (const std::string& image : ImageFiles())
            if (std::find(imagesAfterB.begin(), imagesAfterB.end(), image) == imagesAfterB.end())
                fs::remove(player_ / "GBSYSTEM" / "IMAGE" / image);

        // A dry run names it and leaves it where it is.
        EXPECT_EQ(Undo(true).damagedJournals.size(), 1u);
        EXPECT_TRUE(fs::exists(pathB));
        Quiet box;
        RunUndo(drives_, box, box);
        ASSERT_EQ(box.boxes.size(), 1u);
        EXPECT_NE(box.boxes[0].find(pathB.string()), std::string::npos) << box.boxes[0];
        EXPECT_NE(box.boxes[0].find("2 個のファイルを元に戻しました"), std::string::npos)
            << box.boxes[0];
        // A's files are back, B's stay as B left them, B's journal no longer stands in the way.
        const std::vector<Bytes> now = Contents();
        EXPECT_EQ(now[0], before[0]);
        EXPECT_EQ(now[1], before[1]);
        EXPECT_EQ(now[2], afterB[2]);
        EXPECT_EQ(now[3], afterB[3]);
        EXPECT_FALSE(fs::exists(pathB));
        EXPECT_EQ(ReadBytes(fs::path(pathB.string() + ".damaged")), bytes);
        EXPECT_FALSE(Undo().found);
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
        const UndoReport report = Undo();
        ASSERT_TRUE(report.found);
        EXPECT_EQ(report.restored, 1u);
        EXPECT_EQ(ReadBytes(Host(targets_[0])), states[states.size() - 2 - k]);
    }
    EXPECT_FALSE(Undo().found);
    EXPECT_EQ(UndoSummaryLines(Undo(true)),
              std::vector<std::string>{std::string(kNothingToUndoMessage)});
    // A new run after them is undone first, and the undone ones stay marked.
    ASSERT_EQ(Batch(FullRequest("次")).kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(Undo().restored, 1u);
    EXPECT_FALSE(Undo().found);
}

TEST_F(UndoTest, NumbersGrowPastEightDigitsAndCompareAsNumbers) {
    fs::create_directories(UndoFolder());
    for (const char* name : {"00000002.undo", "99999999.undo", "7.undo", "x1.undo", "3.undo.tmp"})
        WriteBytes(UndoFolder() / name, {});
    EXPECT_EQ(NextJournalPath(UndoFolder()), UndoFolder() / "100000000.undo");
    WriteBytes(UndoFolder() / "100000000.undo", {});
    const std::vector<fs::path> expected = {UndoFolder() / "100000000.undo",
                                            UndoFolder() / "99999999.undo",
                                            UndoFolder() / "7.undo", UndoFolder() / "00000002.undo"};
    EXPECT_EQ(ListJournals(UndoFolder()), expected);

    // The empty ones are damaged: undo sets them aside and a new batch is undone all the same.
    targets_.resize(1);
    const Bytes before = ReadBytes(Host(targets_[0]));
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    EXPECT_TRUE(fs::exists(UndoFolder() / "100000001.undo"));
    EXPECT_EQ(Undo().restored, 1u);
    EXPECT_EQ(ReadBytes(Host(targets_[0])), before);
    const UndoReport rest = Undo();
    EXPECT_FALSE(rest.found);
    EXPECT_EQ(rest.damagedJournals.size(), 4u);
    EXPECT_EQ(ListJournals(UndoFolder()), std::vector<fs::path>{UndoFolder() / "100000001.undo"});
}

TEST_F(UndoTest, WhatTheRunWritesTheJournalHoldsAndUndoReads) {
    // An artist far longer than its field: the field keeps 61 characters, and so does the journal.
    const std::vector<Bytes> before = Contents();
    const std::string artist(4097, 'a');
    ASSERT_EQ(Batch(FullRequest(artist)).kind, BatchOutcome::Kind::Done);
    const Journal journal = ReadJournal(ListJournals(UndoFolder()).front());
    EXPECT_EQ(journal.changes.texts->artist, std::string(61, 'a'));
    EXPECT_EQ(ReadTagBlock(Host(targets_[0])).artist.size(), 50u);  // what a reader takes in
    EXPECT_EQ(Undo().restored, 4u);
    EXPECT_EQ(Contents(), before);

    // A journal of exactly what the run keeps comes back the same, with its old bytes' zeros.
    Journal made = journal;
    made.done = 3;
    made.files[1].oldBytes.assign(made.files[1].oldBytes.size(), 0);
    made.files[2].oldBytes.back() = 0x7F;
    EXPECT_EQ(DecodeJournal(EncodeJournal(made)), made);
    // What no run writes is refused before it is written.
    Journal tooLong = journal;
    tooLong.changes.texts->genre = std::string(300, 'g');
    EXPECT_THROW(EncodeJournal(tooLong), UsageError);
    Journal shortOld = journal;
    shortOld.files[0].oldBytes.pop_back();
    EXPECT_THROW(EncodeJournal(shortOld), UsageError);
}

TEST_F(UndoTest, UndoRemovesOnlyTheJacketItsRunMadeOnThePlayer) {
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const fs::path journalPath = ListJournals(UndoFolder()).front();
    const Journal journal = ReadJournal(journalPath);
    const Bytes journalBytes = ReadBytes(journalPath);
    const std::string jacketName = journal.changes.jacketName.value();
    const fs::path jacket = player_ / "GBSYSTEM" / "IMAGE" / jacketName;
    const Bytes jacketBytes = ReadBytes(jacket);
    const std::vector<Bytes> after = Contents();
    const fs::path victim = dir_ / "victim.txt";
    const fs::path settings = drives_.prefix() / "drive_c" / "Corvina" / "Corvina.ini";

    struct Case {
        const char* name;
        std::function<void(Journal&)> craft;  // the journal changed, or nothing
        std::function<void()> meddle;         // the files changed
        UndoReport::Jacket expected;
    };
    const Case cases[] = {
        {"a host file named as the jacket",
         [&](Journal& j) { j.jacket->file = {victim.string(), true}; }, {},
         UndoReport::Jacket::Kept},
        {"the settings file named as the jacket",
         [&](Journal& j) { j.jacket->file = {"C:\\Corvina\\Corvina.ini", false}; }, {},
         UndoReport::Jacket::Kept},
        {"another file of the IMAGE folder",
         [&](Journal& j) { j.jacket->file.text = "F:\\GBSYSTEM\\IMAGE\\OTHER.GBP"; }, {},
         UndoReport::Jacket::Kept},
        {"the jacket replaced by the user", {},
         [&] {
             Bytes other = jacketBytes;
             other[100] ^= 1;
             WriteBytes(jacket, other);
         },
         UndoReport::Jacket::Kept},
        {"a leftover of its writing",
         {},
         [&] { fs::rename(jacket, player_ / "GBSYSTEM" / "IMAGE" / JacketTemporaryName(jacketName)); },
         UndoReport::Jacket::Missing},
        {"as the run left it", {}, {}, UndoReport::Jacket::Removed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(victim, {1, 2, 3});
        WriteBytes(settings, {'[', ']'});
        WriteBytes(jacket, jacketBytes);
        for (std::size_t i = 0; i < targets_.size(); ++i) WriteBytes(Host(targets_[i]), after[i]);
        Journal crafted = journal;
        if (c.craft) c.craft(crafted);
        WriteBytes(journalPath, c.craft ? EncodeJournal(crafted) : journalBytes);
        if (c.meddle) c.meddle();
        const std::vector<std::string> imagesBefore = ImageFiles();

        const UndoReport report = Undo();
        EXPECT_EQ(report.jacket, c.expected);
        EXPECT_EQ(ReadBytes(victim), (Bytes{1, 2, 3}));
        EXPECT_EQ(ReadBytes(settings), (Bytes{'[', ']'}));
        if (c.expected == UndoReport::Jacket::Kept) {
            EXPECT_EQ(ImageFiles(), imagesBefore);
            EXPECT_TRUE(Contains(UndoProblemLines(report), "ジャケット画像ファイル"));
        } else {
            EXPECT_TRUE(ImageFiles().empty());  // the leftover goes too
        }
    }
}

TEST_F(UndoTest, UndoWritesOnlyInsideTheRootsOfItsRunAndNeverThroughALinkOutOfThem) {
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const fs::path journalPath = ListJournals(UndoFolder()).front();
    const Journal journal = ReadJournal(journalPath);
    const std::vector<Bytes> after = Contents();
    const fs::path elsewhere = dir_ / "elsewhere";
    fs::create_directories(elsewhere);
    WriteBytes(elsewhere / "X.SAT", after[1]);
    fs::create_directory_symlink(dir_.path(), drives_.prefix() / "dosdevices" / "g:");

    struct Case {
        const char* name;
        std::function<void(Journal&)> craft;
        std::function<void()> meddle;
    };
    const Case cases[] = {
        {"a file on a drive the run did not use",
         [&](Journal& j) { j.files[1].path.text = "G:\\elsewhere\\X.SAT"; }, {}},
        {"a host file in a Windows journal",
         [&](Journal& j) { j.files[1].path = {(elsewhere / "X.SAT").string(), true}; }, {}},
        {"a link on the player to a file outside it", {},
         [&] {
             fs::remove(Host(targets_[1]));
             fs::create_symlink(elsewhere / "X.SAT", player_ / "MUSIC" / "A" / "T1.SAT");
         }},
        {"a linked folder leading outside", {},
         [&] {
             fs::rename(player_ / "MUSIC" / "A", dir_ / "A");
             fs::create_directory_symlink(elsewhere, player_ / "MUSIC" / "A");
             fs::copy_file(dir_ / "A" / "T1.SAT", elsewhere / "T1.SAT",
                           fs::copy_options::overwrite_existing);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal crafted = journal;
        if (c.craft) c.craft(crafted);
        WriteBytes(journalPath, EncodeJournal(crafted));
        if (c.meddle) c.meddle();
        const Bytes outsideBefore = ReadBytes(elsewhere / "X.SAT");
        const UndoReport report = Undo();
        EXPECT_EQ(ReadBytes(elsewhere / "X.SAT"), outsideBefore);
        if (fs::exists(elsewhere / "T1.SAT")) {
            EXPECT_EQ(ReadBytes(elsewhere / "T1.SAT"), after[1]);
        }
        // Every file of a folder that leads out is left, the others are restored.
        const bool folder = std::string(c.name).find("folder") != std::string::npos;
        ASSERT_EQ(report.leftAlone.size(), folder ? 2u : 1u);
        EXPECT_EQ(report.leftAlone.back().file, crafted.files[1].path.text);
        EXPECT_EQ(report.restored, folder ? 2u : 3u);
        // Put back for the next case.
        if (fs::is_symlink(player_ / "MUSIC" / "A")) {
            fs::remove(player_ / "MUSIC" / "A");
            fs::rename(dir_ / "A", player_ / "MUSIC" / "A");
        }
        fs::remove(player_ / "MUSIC" / "A" / "T1.SAT");
        for (std::size_t i = 0; i < targets_.size(); ++i) WriteBytes(Host(targets_[i]), after[i]);
        WriteBytes(elsewhere / "X.SAT", after[1]);
        fs::remove(elsewhere / "T1.SAT");
    }
}

TEST_F(UndoTest, WithThePlayerAwayUndoWritesNothingAndCanBeRunAgainOnceItIsBack) {
    const std::vector<Bytes> before = Contents();
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const std::vector<Bytes> after = Contents();
    const fs::path link = drives_.prefix() / "dosdevices" / "f:";
    const fs::path away = dir_ / "away";

    struct Case {
        const char* name;
        std::function<void()> pull;
        std::function<void()> plugBack;
    };
    const Case cases[] = {
        {"the drive unmapped", [&] { fs::remove(link); },
         [&] { fs::create_directory_symlink(player_, link); }},
        {"its folder gone", [&] { fs::rename(player_, away); }, [&] { fs::rename(away, player_); }},
        {"only the mount point left",
         [&] {
             fs::rename(player_, away);
             fs::create_directory(player_);
         },
         [&] {
             fs::remove(player_);
             fs::rename(away, player_);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.pull();
        for (const bool dry : {true, false}) {
            const UndoReport report = Undo(dry);
            EXPECT_TRUE(report.found);
            EXPECT_EQ(report.missingRoot, "F:\\");
            EXPECT_EQ(report.restored, 0u);
        }
        Quiet box;
        RunUndo(drives_, box, box);
        ASSERT_EQ(box.boxes.size(), 1u);
        EXPECT_NE(box.boxes[0].find("F:\\ が見つかりません"), std::string::npos) << box.boxes[0];
        EXPECT_NE(box.boxes[0].find("もう一度"), std::string::npos) << box.boxes[0];
        c.plugBack();
        EXPECT_EQ(Contents(), after);
        EXPECT_FALSE(JournalUndone(ListJournals(UndoFolder()).front()));
    }
    EXPECT_EQ(Undo().restored, 4u);
    EXPECT_EQ(Contents(), before);
}

TEST_F(UndoTest, ReportsCountEachFileOnceAndWhatUndoReallyDid) {
    // One file under two spellings, numbered: undo restores it once and leaves nothing alone.
    const std::vector<Bytes> before = Contents();
    std::vector<std::string> twice = targets_;
    twice.push_back("f:\\music\\a\\t0.sat");
    ASSERT_EQ(Batch(FullRequest("さくら"), twice).kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(ReadTagBlock(Host(targets_[0])).track, "5");
    UndoReport report = Undo();
    EXPECT_EQ(report.restored, 4u);
    EXPECT_TRUE(report.leftAlone.empty());
    EXPECT_EQ(Contents(), before);

    // A run killed before its count reached the disk: the box says what undo restored.
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    const fs::path journalPath = ListJournals(UndoFolder()).front();
    Bytes bytes = ReadBytes(journalPath);
    SetJournalDone(std::span(bytes).first(kJournalHeaderSize), 0);
    WriteBytes(journalPath, bytes);
    report = Undo();
    const std::vector<std::string> lines = UndoSummaryLines(report);
    EXPECT_TRUE(Contains(lines, "4 個のファイルを元に戻しました")) << lines[0];
    EXPECT_FALSE(Contains(lines, "0 個"));
    EXPECT_TRUE(Contains(lines, "途中で終わっていました"));

    // Control characters in a name show escaped; backslashes stay.
    report = UndoReport{};
    report.found = true;
    report.leftAlone.push_back({"F:\\A\x01\nB\x7F.SAT", "理由"});
    EXPECT_EQ(UndoProblemLines(report).front(), "F:\\A\\x01\\x0AB\\x7F.SAT はそのままにしました (理由)。");
}

// What the menu's undo shows, in order, as one log.
class UndoLog : public Messages, public BatchProgress {
public:
    bool Show(MessageKind, std::string_view text) override {
        log.push_back("box: " + std::string(text.substr(0, text.find('\r'))));
        return false;
    }
    void Show() override { log.push_back("show"); }
    void SetText(std::string_view text) override { log.push_back("text: " + std::string(text)); }
    void SetPosition(int percent) override { log.push_back("bar " + std::to_string(percent)); }
    void Close() override { log.push_back("close"); }
    std::vector<std::string> log;
};

TEST_F(UndoTest, TheMenusUndoShowsItsTwoPassesAndClosesItsWindowBeforeTheBox) {
    // Nothing to undo: the box alone.
    UndoLog nothing;
    RunUndo(drives_, nothing, nothing);
    EXPECT_EQ(nothing.log, std::vector<std::string>{"box: " + std::string(kNothingToUndoMessage)});

    // Five entries, the first file listed twice: five files checked, four restored.
    std::vector<std::string> targets = targets_;
    targets.push_back(targets_[0]);
    ASSERT_EQ(Batch(FullRequest("さくら"), targets).kind, BatchOutcome::Kind::Done);
    UndoLog undo;
    RunUndo(drives_, undo, undo);
    std::vector<std::string> expected = {"show"};
    const int checking[] = {0, 10, 20, 30, 40};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        expected.push_back("text: " + targets[i] + " を確かめています。");
        expected.push_back("bar " + std::to_string(checking[i]));
    }
    const int restoring[] = {50, 62, 75, 88};
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        expected.push_back("text: " + targets_[i] + " を元に戻しています。");
        expected.push_back("bar " + std::to_string(restoring[i]));
    }
    expected.push_back("close");
    ASSERT_EQ(undo.log.size(), expected.size() + 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), undo.log.begin()));
    EXPECT_EQ(undo.log.back().rfind("box: 一括書き換えを元に戻しました", 0), 0u) << undo.log.back();
}

TEST_F(UndoTest, OneBatchOrUndoAtATime) {
    fs::create_directories(UndoFolder());
    const std::vector<Bytes> before = Contents();
    {
        const RunLock held = RunLock::Acquire(UndoFolder() / kRunLockName, "corvina-cli");
        EXPECT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Busy);
        ASSERT_EQ(quiet_.boxes.size(), 1u);
        EXPECT_NE(quiet_.boxes[0].find("corvina-cli"), std::string::npos) << quiet_.boxes[0];
        EXPECT_EQ(Contents(), before);
        EXPECT_TRUE(ImageFiles().empty());
        EXPECT_TRUE(ListJournals(UndoFolder()).empty());
        EXPECT_THROW(Undo(), RunLockHeld);
        Quiet box;
        RunUndo(drives_, box, box);
        ASSERT_EQ(box.boxes.size(), 1u);
        EXPECT_NE(box.boxes[0].find("corvina-cli"), std::string::npos) << box.boxes[0];
    }
    // The batch holds it until its last write, and gives it back before its summary.
    bool heldDuringRun = false;
    quiet_.onPosition = [&](std::size_t, int) {
        try {
            RunLock::Acquire(UndoFolder() / kRunLockName, "probe");
        } catch (const RunLockHeld&) {
            heldDuringRun = true;
        }
    };
    bool freeAtSummary = false;
    quiet_.onBox = [&](std::string_view) {
        freeAtSummary = RunLock::Acquire(UndoFolder() / kRunLockName, "probe").held();
    };
    ASSERT_EQ(Batch(FullRequest("さくら")).kind, BatchOutcome::Kind::Done);
    EXPECT_TRUE(heldDuringRun);
    EXPECT_TRUE(freeAtSummary);
}

}  // namespace
}  // namespace corvina::test
