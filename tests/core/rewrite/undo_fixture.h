#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/messages.h"
#include "core/formats/gbp.h"
#include "core/formats/sat_tags.h"
#include "core/os/clock.h"
#include "core/os/drives.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_folder.h"
#include "core/rewrite/journal_writer.h"
#include "core/rewrite/undo.h"
#include "support/links.h"
#include "support/temp_dir.h"

// A player on drive F: of a drive map, with SAT files in two folders and the undo folder on drive
// C, for the tests of the batch's journal and its undo.
namespace corvina::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The run's boxes, progress and clock; `onPosition` (told after each file rewritten) and `onBox`
// let a test act in the middle.
class Quiet : public Messages, public BatchProgress, public Clock {
public:
    bool Show(MessageKind, std::string_view text) override {
        boxes.emplace_back(text);
        if (onBox) onBox(text);
        return false;
    }
    void Show() override {}
    void SetText(std::string_view text) override {
        rewriting = text.ends_with(" を書き換えています。");
        if (onText) onText(text);
    }
    void SetPosition(int percent) override {
        if (!rewriting) return;  // the files read before anything is written
        ++filesDone;
        if (onPosition) onPosition(filesDone, percent);
    }
    void Close() override {}
    std::uint64_t MonotonicMilliseconds() override { return 0; }
    void SleepMilliseconds(unsigned) override {}
    std::uint64_t Seed() override { return ++seed; }

    std::vector<std::string> boxes;
    std::uint64_t seed = 7;
    std::size_t filesDone = 0;
    bool rewriting = false;
    std::function<void(std::string_view)> onBox;
    std::function<void(std::string_view)> onText;
    std::function<void(std::size_t, int)> onPosition;
};

inline Bytes PatternFile(std::size_t size, int salt) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 41 + 3 + salt * 17) % 251);
    return bytes;
}

inline RewriteRequest FullRequest(const std::string& artist, bool number = true) {
    RewriteRequest request;
    request.writeTags = true;
    request.texts = TagTexts{artist, "春", "J-POP"};
    request.numberTracks = number;
    request.writeJacket = true;
    request.jacket = Picture15(kJacketWidth, kJacketHeight);
    return request;
}

class UndoFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CORVINA_REQUIRE_PREFIX_DRIVES();
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

    BatchOutcome Batch(const RewriteRequest& request) { return Batch(request, targets_); }
    BatchOutcome Batch(const RewriteRequest& request, const std::vector<std::string>& targets) {
        JournalWriter journal(drives_, "Corvina");
        WindowsPathSpace paths(drives_);
        BatchRun run{paths, quiet_, quiet_, quiet_, [&] { return request; }, &journal};
        return RunBatch(targets, "F:\\", run);
    }
    UndoReport Undo(bool dryRun = false) { return UndoLastBatch(drives_, dryRun, "test"); }

    fs::path Host(const std::string& windowsPath) const {
        return drives_.ResolveOrThrow(windowsPath);
    }
    std::vector<Bytes> Contents() const {
        std::vector<Bytes> all;
        for (const std::string& target : targets_) all.push_back(ReadBytes(Host(target)));
        return all;
    }
    fs::path UndoFolder() const { return drives_.ResolveOrThrow(UndoFolderPath(drives_)); }
    std::vector<std::string> ImageFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(player_ / "GBSYSTEM" / "IMAGE"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Writes a journal of its own making as the newest.
    fs::path PutJournal(const Journal& journal) {
        fs::create_directories(UndoFolder());
        const fs::path path = NextJournalPath(UndoFolder());
        WriteBytes(path, EncodeJournal(journal));
        return path;
    }

    TempDir dir_;
    fs::path player_ = dir_ / "player";
    DriveMap drives_{dir_ / "prefix"};
    Quiet quiet_;
    std::vector<std::string> targets_;
};

}  // namespace corvina::test
