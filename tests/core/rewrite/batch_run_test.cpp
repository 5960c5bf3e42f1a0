#include "core/rewrite/batch_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/formats/sat_tags.h"
#include "core/os/clock.h"
#include "support/links.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Everything the run shows, in order, as one log: boxes, progress and pauses.
class Recorder : public Messages, public BatchProgress, public Clock {
public:
    bool Show(MessageKind kind, std::string_view text) override {
        log.push_back((kind == MessageKind::Plain ? "plain: " : "error: ") + std::string(text));
        return false;
    }
    void Show() override { log.push_back("show"); }
    void SetText(std::string_view text) override {
        log.push_back("text: " + std::string(text));
        if (onText) onText(text);
    }
    void SetPosition(int percent) override { log.push_back("bar " + std::to_string(percent)); }
    void Close() override { log.push_back("close"); }
    std::uint64_t MonotonicMilliseconds() override { return 0; }
    void SleepMilliseconds(unsigned ms) override { log.push_back("pause " + std::to_string(ms)); }
    std::uint64_t Seed() override { return seed; }

    std::vector<std::string> log;
    std::uint64_t seed = 42;
    std::function<void(std::string_view)> onText;  // what happens meanwhile to the files
};

Bytes PatternFile(std::size_t size, int salt) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + 11 + salt) % 255 + 1);
    return bytes;
}

Picture15 Gradient() {
    Picture15 picture(kJacketWidth, kJacketHeight);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.set(x, y, static_cast<std::uint16_t>((x * 437 + y * 31) & 0x7FFF));
    return picture;
}

// A player folder with three SAT files in MUSIC, and the run's collaborators.
class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "player" / "GBSYSTEM" / "IMAGE");
        fs::create_directories(dir_ / "player" / "MUSIC");
        for (int i = 0; i < 3; ++i) {
            const fs::path file = dir_ / "player" / "MUSIC" / ("T" + std::to_string(i) + ".SAT");
            WriteBytes(file, PatternFile(1024, i));
            files_.push_back(file.string());
        }
    }

    BatchOutcome Run(const std::optional<RewriteRequest>& request,
                     std::vector<std::string> targets) {
        asked_ = false;
        BatchRun run{paths_, recorder_, recorder_, recorder_, [&] {
                         asked_ = true;
                         return request;
                     }};
        return RunBatch(targets, Root(), run);
    }

    std::string Root() const { return (dir_ / "player").string(); }
    fs::path ImageFolder() const { return dir_ / "player" / "GBSYSTEM" / "IMAGE"; }
    std::vector<std::string> ImageFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(ImageFolder()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static RewriteRequest Tags(bool number) {
        RewriteRequest request;
        request.writeTags = true;
        request.texts = TagTexts{"さくら", "春", "J-POP"};
        request.numberTracks = number;
        return request;
    }
    static RewriteRequest Jacket() {
        RewriteRequest request;
        request.writeJacket = true;
        request.jacket = Gradient();
        return request;
    }

    TempDir dir_;
    HostPathSpace paths_{dir_ / "player"};
    Recorder recorder_;
    std::vector<std::string> files_;
    bool asked_ = false;
};

TEST_F(BatchRunTest, ChecksBeforeTheDialogEndTheRunWithTheirBoxAlone) {
    // Empty list: the player need not be there.
    fs::remove_all(dir_ / "player" / "GBSYSTEM");
    EXPECT_EQ(Run(Tags(false), {}).kind, BatchOutcome::Kind::EmptyList);
    EXPECT_EQ(recorder_.log,
              std::vector<std::string>{"error: " + std::string(kEmptyTargetListMessage)});
    EXPECT_FALSE(asked_);

    recorder_.log.clear();
    EXPECT_EQ(Run(Tags(false), files_).kind, BatchOutcome::Kind::NoPlayer);
    EXPECT_EQ(recorder_.log,
              std::vector<std::string>{"error: " + std::string(kDeviceAbsentMessage)});
    EXPECT_FALSE(asked_);

    // A file named GBSYSTEM is no player either.
    WriteBytes(dir_ / "player" / "GBSYSTEM", {1});
    EXPECT_EQ(Run(Tags(false), files_).kind, BatchOutcome::Kind::NoPlayer);
    EXPECT_EQ(ReadBytes(files_[0]), PatternFile(1024, 0));
}

TEST_F(BatchRunTest, CancelAndTooManyToNumberWriteNothing) {
    fs::remove(ImageFolder());
    EXPECT_EQ(Run(std::nullopt, files_).kind, BatchOutcome::Kind::Cancelled);
    EXPECT_TRUE(recorder_.log.empty());

    std::vector<std::string> many(256, files_[0]);
    EXPECT_EQ(Run(Tags(true), many).kind, BatchOutcome::Kind::TooManyToNumber);
    EXPECT_EQ(recorder_.log,
              std::vector<std::string>{"error: " + std::string(kTooManyToNumberMessage)});
    // Without numbering 256 entries are fine, and 255 numbered ones too.
    many.resize(255);
    EXPECT_EQ(Run(Tags(true), many).kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(ReadTagBlock(files_[0]).track, "255");  // the last position wins
    EXPECT_TRUE(fs::is_directory(ImageFolder()));     // created by the run that went on
    EXPECT_EQ(ReadBytes(files_[1]), PatternFile(1024, 1));
}

TEST_F(BatchRunTest, WhatEachChoiceWritesAndTheOrderOfWhatTheRunShows) {
    struct Case {
        const char* name;
        RewriteRequest request;
        std::vector<std::string> tracks;  // per file after the run
        bool jacket;
    };
    const Case cases[] = {
        {"tags only", Tags(false), {}, false},
        {"tags numbered", Tags(true), {"1", "2", "3"}, false},
        {"jacket only", Jacket(), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TagBlock> before;
        for (const std::string& file : files_) before.push_back(ReadTagBlock(file));
        const std::vector<std::string> imagesBefore = ImageFiles();
        recorder_.log.clear();
        const BatchOutcome outcome = Run(c.request, files_);
        ASSERT_EQ(outcome.kind, BatchOutcome::Kind::Done);
        EXPECT_EQ(outcome.rewritten, 3u);

        for (std::size_t i = 0; i < files_.size(); ++i) {
            const TagBlock after = ReadTagBlock(files_[i]);
            const Bytes bytes = ReadBytes(files_[i]);
            EXPECT_EQ(bytes.size(), 1024u);
            EXPECT_EQ(after.title, before[i].title);
            EXPECT_EQ(after.artist, c.request.writeTags ? "さくら" : before[i].artist);
            EXPECT_EQ(after.genre, c.request.writeTags ? "J-POP" : before[i].genre);
            EXPECT_EQ(after.track, c.tracks.empty() ? before[i].track : c.tracks[i]);
            EXPECT_EQ(after.gbpFileName, c.jacket ? outcome.jacketName : before[i].gbpFileName);
            for (std::size_t k = 516; k < 524; ++k) EXPECT_EQ(bytes[k], 0) << k;
        }
        if (c.jacket) {
            EXPECT_TRUE(IsJacketFileName(outcome.jacketName));
            EXPECT_EQ(ImageFiles().size(), imagesBefore.size() + 1);
            EXPECT_EQ(ReadBytes(ImageFolder() / outcome.jacketName), WriteJacketGbp(Gradient()));
        } else {
            EXPECT_EQ(outcome.jacketName, kNoJacketText);
            EXPECT_EQ(ImageFiles(), imagesBefore);
        }
        // The window shows while the files are read for the journal, then while they are
        // rewritten, and closes before the summary.
        const std::vector<std::string> expected = {
            "show",
            "pause 100",
            "text: " + files_[0] + " を読み込んでいます。",
            "bar 33",
            "text: " + files_[1] + " を読み込んでいます。",
            "bar 67",
            "text: " + files_[2] + " を読み込んでいます。",
            "bar 100",
            "bar 0",
            "text: " + files_[0] + " を書き換えています。",
            "bar 33",
            "text: " + files_[1] + " を書き換えています。",
            "bar 67",
            "text: " + files_[2] + " を書き換えています。",
            "bar 100",
            "pause 20",
            "close",
            "plain: 3個のファイルに適用しますた。\r変換ジャケット画像ファイル名  " +
                outcome.jacketName};
        EXPECT_EQ(recorder_.log, expected);
    }
}

TEST_F(BatchRunTest, MissingImageFolderIsCreatedAndSaidBeforeAnyFileIsRewritten) {
    fs::remove(ImageFolder());
    ASSERT_EQ(Run(Tags(false), files_).kind, BatchOutcome::Kind::Done);
    EXPECT_TRUE(fs::is_directory(ImageFolder()));
    // Once the journal is in place, after the files were read.
    const auto box = std::find(recorder_.log.begin(), recorder_.log.end(),
                               "plain: " + std::string(kImageFolderCreatedMessage));
    ASSERT_NE(box, recorder_.log.end());
    ASSERT_GE(box - recorder_.log.begin(), 2);
    EXPECT_EQ(*(box - 2), "text: " + files_[2] + " を読み込んでいます。");
    EXPECT_EQ(*(box + 1), "bar 0");
    EXPECT_EQ(*(box + 2), "text: " + files_[0] + " を書き換えています。");
}

TEST_F(BatchRunTest, AFileThatCannotBeRewrittenStopsTheRunBeforeAnyWrite) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> spoil;  // done to the second file
        bool makesALink = false;
    };
    const fs::path outside = dir_ / "outside.SAT";
    const Case cases[] = {
        {"gone", [](const fs::path& file) { fs::remove(file); }},
        {"too short", [](const fs::path& file) { WriteBytes(file, Bytes(821, 7)); }},
        {"a folder", [](const fs::path& file) {
             fs::remove(file);
             fs::create_directory(file);
         }},
        {"a link out of the player", [&](const fs::path& file) {
             WriteBytes(outside, PatternFile(1024, 9));
             fs::remove(file);
             test::MakeLink(outside, file);
         },
         true},
    };
    const bool linksCanBeMade = test::WhyNoLinks(dir_.path()).empty();
    fs::remove(ImageFolder());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.makesALink && !linksCanBeMade) continue;  // Wine, or Windows without the right
        for (std::size_t i = 0; i < files_.size(); ++i) {
            fs::remove_all(files_[i]);
            WriteBytes(files_[i], PatternFile(1024, static_cast<int>(i)));
        }
        c.spoil(files_[1]);
        recorder_.log.clear();
        RewriteRequest request = Tags(true);
        request.writeJacket = true;
        request.jacket = Gradient();
        const BatchOutcome outcome = Run(request, files_);
        EXPECT_EQ(outcome.kind, BatchOutcome::Kind::Failed);
        EXPECT_EQ(outcome.rewritten, 0u);
        EXPECT_EQ(ReadBytes(files_[0]), PatternFile(1024, 0));
        EXPECT_EQ(ReadBytes(files_[2]), PatternFile(1024, 2));
        EXPECT_FALSE(fs::exists(ImageFolder()));  // neither the folder nor a jacket
        if (fs::exists(outside)) {
            EXPECT_EQ(ReadBytes(outside), PatternFile(1024, 9));
        }
        // The window, shown while the files were read, is closed before the box.
        const std::vector<std::string> shown = {"show",
                                                "pause 100",
                                                "text: " + files_[0] + " を読み込んでいます。",
                                                "bar 33",
                                                "text: " + files_[1] + " を読み込んでいます。",
                                                "close"};
        ASSERT_EQ(recorder_.log.size(), shown.size() + 1);
        EXPECT_TRUE(std::equal(shown.begin(), shown.end(), recorder_.log.begin()));
        const std::string& box = recorder_.log.back();
        EXPECT_EQ(box.rfind("error: " + files_[1] + " は書き換えられません。", 0), 0u) << box;
        EXPECT_NE(box.find("3 個のファイルはどれも書き換えていません。"), std::string::npos) << box;
    }
}

TEST_F(BatchRunTest, AFileChangedDuringTheRunStopsItThereNeverReportedRewritten) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> meddle;  // done to the second file as its turn comes
        const char* reason;
    };
    const Case cases[] = {
        {"deleted", [](const fs::path& file) { fs::remove(file); }, "ファイルを開けません"},
        {"replaced by another file", [&](const fs::path& file) {
             WriteBytes(dir_ / "new.SAT", PatternFile(1024, 50));
             fs::rename(dir_ / "new.SAT", file);
         }, "置き換えられています"},
        {"its artist changed", [](const fs::path& file) {
             TagRewrite edit;
             edit.texts = TagTexts{"別の人", "", ""};
             RewriteTagBlock(file, edit);
         }, "変更されています"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t i = 0; i < files_.size(); ++i)
            WriteBytes(files_[i], PatternFile(1024, static_cast<int>(i)));
        Bytes meddled;
        recorder_.onText = [&](std::string_view text) {
            if (text != ProgressText(files_[1])) return;
            c.meddle(files_[1]);
            if (fs::exists(files_[1])) meddled = ReadBytes(files_[1]);
        };
        recorder_.log.clear();
        const BatchOutcome outcome = Run(Jacket(), files_);
        recorder_.onText = {};
        EXPECT_EQ(outcome.kind, BatchOutcome::Kind::Failed);
        EXPECT_EQ(outcome.rewritten, 1u);
        EXPECT_EQ(ReadTagBlock(files_[0]).gbpFileName, outcome.jacketName);
        if (fs::exists(files_[1])) {
            EXPECT_EQ(ReadBytes(files_[1]), meddled);
        }
        EXPECT_EQ(ReadBytes(files_[2]), PatternFile(1024, 2));
        // The jacket saved before stays; the window is closed before the box.
        EXPECT_TRUE(fs::exists(ImageFolder() / outcome.jacketName));
        ASSERT_GE(recorder_.log.size(), 3u);
        EXPECT_EQ(recorder_.log[recorder_.log.size() - 3],
                  "text: " + files_[1] + " を書き換えています。");
        EXPECT_EQ(recorder_.log[recorder_.log.size() - 2], "close");
        const std::string& box = recorder_.log.back();
        EXPECT_EQ(box.rfind("error: " + files_[1], 0), 0u) << box;
        EXPECT_NE(box.find(c.reason), std::string::npos) << box;
        EXPECT_NE(box.find("3 個のファイルのうち、書き換えたのはこれより前の 1 個です"),
                  std::string::npos)
            << box;
    }
}

TEST_F(BatchRunTest, AFileListedTwiceUnderTwoSpellingsEndsWithItsLastEntry) {
    const std::string again = (dir_ / "player" / "MUSIC" / "." / "T0.SAT").string();
    const std::vector<std::string> targets = {files_[0], files_[1], again};
    ASSERT_EQ(Run(Tags(true), targets).kind, BatchOutcome::Kind::Done);
    EXPECT_EQ(ReadTagBlock(files_[0]).track, "3");
    EXPECT_EQ(ReadTagBlock(files_[1]).track, "2");
}

TEST_F(BatchRunTest, AJacketNameInUseIsNeverReplaced) {
    // The seed gives the same first name again: the run must draw another.
    const std::string first = MakeJacketName(recorder_.seed, {});
    WriteBytes(ImageFolder() / first, {1, 2, 3});
    const BatchOutcome outcome = Run(Jacket(), files_);
    ASSERT_EQ(outcome.kind, BatchOutcome::Kind::Done);
    EXPECT_NE(outcome.jacketName, first);
    EXPECT_EQ(ReadBytes(ImageFolder() / first), (Bytes{1, 2, 3}));

    for (std::uint64_t seed = 0; seed < 200; ++seed) {
        const std::string name = MakeJacketName(seed, {});
        EXPECT_TRUE(IsJacketFileName(name)) << name;
    }
}

// The error names the file, the reason and how far the run got; the box says each of them and
// what that means for the files before and after it.
TEST_F(BatchRunTest, AFailedRewriteCarriesTheFileAndHowFarTheRunGot) {
    WriteBytes(files_[1], Bytes(821, 7));  // too short for a tag block
    TagRewrite changes;
    changes.texts = TagTexts{"a", "b", "c"};
    try {
        RewriteEach(files_, changes, true);
        FAIL() << "the second file should stop the run";
    } catch (const BatchError& e) {
        EXPECT_EQ(e.step(), BatchError::Step::Rewrite);
        EXPECT_EQ(e.file(), files_[1]);
        EXPECT_EQ(e.done(), 1u);
        EXPECT_EQ(e.total(), 3u);
        EXPECT_NE(e.reason().find("SAT ファイルが短すぎます"), std::string::npos) << e.reason();
        EXPECT_EQ(e.what(), FormatErrorText({e.failure(), e.file(), e.reason()}));
        EXPECT_EQ(BatchErrorText(e), files_[1] + " を書き換えられませんでした。\r(" + e.reason() +
                                         ")\r3 個のファイルのうち、書き換えたのはこれより前の 1 "
                                         "個です。これ以降のファイルは変更していません。");
    }
    EXPECT_EQ(ReadTagBlock(files_[0]).track, "1");
    EXPECT_EQ(ReadBytes(files_[1]), Bytes(821, 7));
    EXPECT_EQ(ReadBytes(files_[2]), PatternFile(1024, 2));

    // Steps before any SAT file is written say that none was.
    const std::pair<BatchError::Step, std::string> before[] = {
        {BatchError::Step::Read, " は書き換えられません。"},
        {BatchError::Step::Jacket, " を保存できませんでした。"},
    };
    for (const auto& [step, says] : before) {
        const BatchError e(step, "F:\\MUSIC\\A\rB.SAT", "理由", 0, 4);
        EXPECT_EQ(BatchErrorText(e), "F:\\MUSIC\\A\\x0DB.SAT" + says +
                                         "\r(理由)\r4 個のファイルはどれも書き換えていません。");
    }
}

TEST_F(BatchRunTest, NumberingMoreThan255FilesIsRefusedBeforeAnyIsTouched) {
    std::vector<std::string> many(256, files_[0]);
    TagRewrite changes;
    changes.texts = TagTexts{"a", "b", "c"};
    EXPECT_THROW(RewriteEach(many, changes, true), UsageError);
    EXPECT_EQ(ReadBytes(files_[0]), PatternFile(1024, 0));
}

// The journal names each file by its absolute path, so that undo finds it from any folder.
TEST(HostPathSpaceTest, RecordsEachFileByItsAbsolutePath) {
    TempDir dir;
    const HostPathSpace paths(dir.path());
    const fs::path file = dir / "MUSIC" / "A.SAT";
    EXPECT_EQ(paths.Record(file.string()), (JournalPath{file.string(), true}));
    EXPECT_EQ(paths.Record((dir / "MUSIC" / ".." / "MUSIC" / "A.SAT").string()).text, file.string());
    EXPECT_EQ(paths.Record("A.SAT").text, (fs::current_path() / "A.SAT").string());
    EXPECT_EQ(paths.RootOf("A.SAT"), (JournalPath{dir.path().string(), true}));
#ifdef _WIN32
    // A path with a drive letter is absolute whatever the current folder.
    EXPECT_EQ(paths.Record("G:\\MUSIC\\A.SAT").text, "G:\\MUSIC\\A.SAT");
    EXPECT_EQ(paths.Record("G:/MUSIC/../MUSIC/A.SAT").text, "G:\\MUSIC\\A.SAT");
#endif
}

TEST(BatchProgressTest, PositionsRoundHalvesToEven) {
    std::vector<int> eight;
    for (std::size_t i = 1; i <= 8; ++i) eight.push_back(ProgressPercent(i, 8));
    EXPECT_EQ(eight, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(ProgressPercent(1, 1), 100);
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(2, 3), 67);
    EXPECT_EQ(ProgressPercent(1, 200), 0);  // 0.5 goes to the even 0
    EXPECT_EQ(ProgressPercent(3, 200), 2);  // 1.5 goes to 2
}

}  // namespace
}  // namespace corvina
