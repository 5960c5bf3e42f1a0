#include "rewrite/undo.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <optional>

#include "formats/sat_tags.h"
#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "rewrite/journal.h"

namespace corvina {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kChangedSince = "一括書き換えの後に変更されています";
constexpr std::string_view kSizeChanged = "大きさが一括書き換えの時と違います";
constexpr std::string_view kNotReadBefore =
    "一括書き換えの前に読めなかったので、元のバイトがありません";
constexpr std::string_view kNoSuchDrive = "ドライブが割り当てられていません";

std::string ReasonOf(const std::exception& e) {
    if (const auto* fileError = dynamic_cast<const FileError*>(&e)) return fileError->reason();
    return e.what();
}

std::optional<fs::path> HostOf(const JournalPath& path, const DriveMap& drives) {
    if (path.host) return fs::path(path.text);
    return drives.Resolve(path.text);
}

// Where each of a file's ranges stands against what the run found and what it wrote.
enum class FileState { AsBefore, AsWritten, Changed };

struct Look {
    FileState state = FileState::Changed;
    std::vector<bool> restore;  // per range: holds what the run wrote, which differs from before
};

// A range holding either its old or its new bytes is the run's doing (a run cut off inside the
// file leaves some of each); anything else in any range is someone else's.
Look Compare(const ComposedRewrite& composed, std::span<const std::uint8_t> current,
             std::span<const std::uint8_t> old) {
    Look look;
    bool anyNew = false;
    std::size_t at = 0;
    for (const auto& range : composed.Ranges()) {
        const auto now = current.subspan(range.offset - ComposedRewrite::kImageStart, range.size);
        const auto before = old.subspan(at, range.size);
        const auto written = composed.Bytes(range);
        at += range.size;
        const bool isOld = std::equal(now.begin(), now.end(), before.begin());
        const bool isNew = std::equal(now.begin(), now.end(), written.begin());
        if (!isOld && !isNew) return look;
        look.restore.push_back(!isOld);
        anyNew = anyNew || !isOld;
    }
    look.state = anyNew ? FileState::AsWritten : FileState::AsBefore;
    return look;
}

// Gives one file its old bytes back. Returns true when it restored (or, dry, would restore)
// the file; adds a problem when it leaves a file alone that the run rewrote.
bool UndoFile(const Journal& journal, std::size_t i, const DriveMap& drives, bool dryRun,
              std::vector<UndoProblem>& problems) {
    const JournalFile& entry = journal.files[i];
    // Files from the one the run was busy with on are only checked: a run that ended there never
    // rewrote them, unless a power cut kept the last counts from the disk.
    const bool rewritten = i < journal.done;
    const auto problem = [&](std::string_view reason) {
        if (rewritten) problems.push_back({entry.path.text, std::string(reason)});
        return false;
    };
    if (!entry.read) return problem(kNotReadBefore);
    const std::optional<fs::path> host = HostOf(entry.path, drives);
    if (!host) return problem(kNoSuchDrive);
    try {
        const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(i));
        std::array<std::uint8_t, kTagBlockWriteEnd - ComposedRewrite::kImageStart> block{};
        File::Stamp stamp;
        {
            const File file = File::OpenRead(*host);
            stamp = file.GetStamp();
            if (stamp.size < kTagBlockWriteEnd ||
                file.ReadAt(ComposedRewrite::kImageStart, block) != block.size())
                return problem(kSizeChanged);
        }
        const Look look = Compare(composed, block, entry.oldBytes);
        if (look.state == FileState::AsBefore) return false;
        if (look.state == FileState::Changed) return problem(kChangedSince);
        // The run never changes a file's size; another program did.
        if (stamp.size != entry.size) {
            problems.push_back({entry.path.text, std::string(kSizeChanged)});
            return false;
        }
        if (dryRun) return true;
        File file = File::OpenWrite(*host);
        std::size_t at = 0;
        for (std::size_t k = 0; k < composed.Ranges().size(); ++k) {
            const auto& range = composed.Ranges()[k];
            if (look.restore[k])
                file.WriteAt(range.offset, std::span(entry.oldBytes).subspan(at, range.size));
            at += range.size;
        }
        file.Close();
        return true;
    } catch (const std::exception& e) {
        if (rewritten || dynamic_cast<const FileError*>(&e) == nullptr)
            problems.push_back({entry.path.text, ReasonOf(e)});
        return false;
    }
}

}  // namespace

UndoReport UndoLastBatch(const DriveMap& drives, bool dryRun) {
    UndoReport report;
    report.dryRun = dryRun;
    const fs::path folder = drives.ResolveOrThrow(kUndoFolder);
    if (!FolderExists(folder)) return report;
    fs::path path;
    for (const fs::path& candidate : ListJournals(folder)) {
        if (!JournalUndone(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.empty()) return report;

    // Read and checked whole before any file is touched.
    const Journal journal = ReadJournal(path);
    report.found = true;
    report.journal = path.filename().string();
    report.files = journal.files.size();
    report.done = journal.done;

    // Backwards, as the run went forwards: a file listed twice ends with what its last entry
    // wrote, which that entry then takes back first.
    for (std::size_t i = journal.files.size(); i-- > 0;) {
        if (UndoFile(journal, i, drives, dryRun, report.leftAlone)) ++report.restored;
    }
    std::reverse(report.leftAlone.begin(), report.leftAlone.end());

    if (!journal.jacketFile.empty()) {
        report.jacketFile = journal.jacketFile.text;
        const std::optional<fs::path> host = HostOf(journal.jacketFile, drives);
        if (!host || !FileExists(*host)) {
            report.jacket = UndoReport::Jacket::Missing;
        } else if (!report.leftAlone.empty()) {
            // Files left alone may still name it.
            report.jacket = UndoReport::Jacket::Kept;
            report.jacketReason = "そのままにしたファイルがこの画像を指しているかもしれません";
        } else {
            try {
                if (!dryRun) DeleteFile(*host);
                report.jacket = UndoReport::Jacket::Removed;
            } catch (const std::exception& e) {
                report.jacket = UndoReport::Jacket::Kept;
                report.jacketReason = ReasonOf(e);
            }
        }
    }
    if (!dryRun) {
        try {
            MarkJournalUndone(path);
        } catch (const std::exception& e) {
            // The next undo then takes this journal again, which finds its files as before.
            report.leftAlone.push_back({path.string(), ReasonOf(e)});
        }
    }
    return report;
}

std::vector<std::string> UndoProblemLines(const UndoReport& report) {
    std::vector<std::string> lines;
    const std::string verb = report.dryRun ? "そのままにします" : "そのままにしました";
    for (const UndoProblem& problem : report.leftAlone)
        lines.push_back(problem.file + " は" + verb + " (" + problem.reason + ")。");
    if (report.jacket == UndoReport::Jacket::Kept) {
        lines.push_back("ジャケット画像ファイル " + report.jacketFile + " は" +
                        (report.dryRun ? "残します" : "残しました") + " (" + report.jacketReason +
                        ")。");
    }
    return lines;
}

std::vector<std::string> UndoSummaryLines(const UndoReport& report) {
    if (!report.found) return {std::string(kNothingToUndoMessage)};
    std::vector<std::string> lines;
    const std::string files = std::to_string(report.files) + " 個のファイル";
    if (report.dryRun) {
        lines.push_back("次の一括書き換えを元に戻せます (記録 " + report.journal + "、" + files +
                        ")。何も書き換えていません。");
    } else {
        lines.push_back("一括書き換えを元に戻しました (記録 " + report.journal + "、" + files +
                        ")。");
    }
    if (report.done < report.files) {
        lines.push_back("この一括書き換えは " + std::to_string(report.files) + " 個のうち " +
                        std::to_string(report.done) + " 個を書き換えたところで終わっていました。");
    }
    lines.push_back(std::to_string(report.restored) + " 個のファイルを元に戻" +
                    (report.dryRun ? "します。" : "しました。"));
    if (report.jacket == UndoReport::Jacket::Removed) {
        lines.push_back("ジャケット画像ファイル " + report.jacketFile + " を削除" +
                        (report.dryRun ? "します。" : "しました。"));
    } else if (report.jacket == UndoReport::Jacket::Missing) {
        lines.push_back("ジャケット画像ファイル " + report.jacketFile + " はありません。");
    }
    for (std::string& line : UndoProblemLines(report)) lines.push_back(std::move(line));
    return lines;
}

void RunUndo(const DriveMap& drives, Messages& messages) {
    UndoReport report;
    try {
        report = UndoLastBatch(drives, false);
    } catch (const std::exception& e) {
        messages.Error("一括書き換えを元に戻せませんでした。ファイルは何も変更していません。\r" +
                       std::string(e.what()));
        return;
    }
    std::string text;
    for (const std::string& line : UndoSummaryLines(report)) {
        if (!text.empty()) text += '\r';
        text += line;
    }
    messages.Plain(text);
}

}  // namespace corvina
