#include "core/rewrite/undo.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/base/path_text.h"
#include "core/base/product.h"
#include "core/formats/player.h"
#include "core/formats/sat_tags.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/os/run_lock.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/journal_folder.h"

namespace corvina {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kChangedSince = "一括書き換えの後に変更されています";
constexpr std::string_view kSizeChanged = "大きさが一括書き換えの時と違います";
constexpr std::string_view kOutsideRoots = "一括書き換えのドライブの外にあります";
constexpr std::string_view kNotOnPlayer =
    "プレーヤーの GBSYSTEM\\IMAGE フォルダにある、この一括書き換えの画像ではありません";
// The largest jacket file read to compare it with the one the run wrote.
constexpr std::uint64_t kMaxJacketBytes = 1 << 20;

// Where the journal's files and folders are on the host, each resolved through one snapshot of
// the drive map and read once per folder, and never through a link that leads out of its root.
class Places {
public:
    Places(const Journal& journal, const DriveMap& drives) : journal_(journal), drives_(drives) {
        windows_.NewRun();
    }

    // The host path of a journal's path that lies inside one of its roots; FileError otherwise.
    fs::path Host(const JournalPath& path) {
        if (!path.host) {
            const JournalPath root = windows_.RootOf(path.text);
            if (!HasRoot(root)) throw FileError("", path.text, std::string(kOutsideRoots));
            return windows_.Host(path.text);
        }
        // The root that holds the path, by its text; a path outside every root has none.
        for (const JournalRoot& root : journal_.roots) {
            if (!root.path.host) continue;
            const fs::path relative =
                PathFromUtf8(path.text).lexically_relative(PathFromUtf8(root.path.text));
            if (relative.empty() || *relative.begin() == "..") continue;
            auto& paths = hostPaths_[root.path.text];
            if (!paths) paths = std::make_unique<HostPathSpace>(PathFromUtf8(root.path.text));
            return paths->Host(path.text);
        }
        throw FileError("", path.text, std::string(kOutsideRoots));
    }

    // The root that is not there, if any: its folder gone (or its drive unmapped), or, for the
    // player's, its GBSYSTEM folder gone, as when the player is unplugged and only its mount
    // point is left.
    std::optional<std::string> MissingRoot() {
        for (const JournalRoot& root : journal_.roots) {
            bool present = false;
            try {
                if (!root.path.host) {
                    const std::optional<char> letter = DriveLetterOf(root.path.text);
                    const auto snapshotRoot = letter ? drives_.DriveRoot(*letter) : std::nullopt;
                    present = snapshotRoot && FolderExists(*snapshotRoot);
                } else {
                    present = FolderExists(PathFromUtf8(root.path.text));
                }
                if (present && root.player) {
                    present = HoldsDeviceFolder([&](std::string_view name) {
                        return Host({Join(root.path, name), root.path.host});
                    });
                }
            } catch (const std::exception&) {
                present = false;
            }
            if (!present) return root.path.text;
        }
        return std::nullopt;
    }

    // The path of `name` in the IMAGE folder of a root that held the player.
    bool InPlayerImageFolder(const JournalPath& path, std::string_view name) const {
        for (const JournalRoot& root : journal_.roots) {
            if (!root.player || root.path.host != path.host) continue;
            const std::string expected = Join(
                {Join(root.path, kJacketFolder), root.path.host}, name);
            if (EqualIgnoringCase(expected, path.text)) return true;
        }
        return false;
    }

private:
    bool HasRoot(const JournalPath& root) const {
        return std::any_of(journal_.roots.begin(), journal_.roots.end(), [&](const JournalRoot& r) {
            return r.path.host == root.host && EqualIgnoringCase(r.path.text, root.text);
        });
    }
    std::string Join(const JournalPath& folder, std::string_view name) const {
        return folder.host ? JoinHostPath(folder.text, name) : JoinPath(folder.text, name);
    }

    const Journal& journal_;
    const DriveMap& drives_;
    WindowsPathSpace windows_{drives_};
    std::map<std::string, std::unique_ptr<HostPathSpace>> hostPaths_;  // by root
};

// The journal's entries grouped by the file they name now: a file listed twice, under one
// spelling or two, is one file to undo.
struct FileGroup {
    std::vector<std::size_t> entries;  // ascending
    fs::path host;
};

// Where each of a file's ranges stands against what the run found and what it wrote.
enum class FileState { AsBefore, AsWritten, Changed };

struct Look {
    FileState state = FileState::Changed;
    std::vector<bool> restore;  // per range: holds what the run wrote, which differs from before
};

using Block = std::array<std::uint8_t, kTagBlockWriteEnd - ComposedRewrite::kImageStart>;

// A range holding its old bytes or what any of the group's entries wrote is the run's doing (a
// run cut off inside the file leaves some of each); anything else in any range is someone
// else's.
Look Compare(const Journal& journal, const FileGroup& group, const Block& current) {
    const std::vector<std::uint8_t>& old = journal.files[group.entries.front()].oldBytes;
    std::vector<ComposedRewrite> written;
    for (const std::size_t i : group.entries) written.push_back(ComposeTagRewrite(journal.RewriteOf(i)));
    Look look;
    bool anyNew = false;
    std::size_t at = 0;
    for (const auto& range : written.front().Ranges()) {
        const auto now = std::span<const std::uint8_t>(current).subspan(
            range.offset - ComposedRewrite::kImageStart, range.size);
        const auto before = std::span(old).subspan(at, range.size);
        at += range.size;
        const bool isOld = std::equal(now.begin(), now.end(), before.begin());
        const bool isNew = std::any_of(written.begin(), written.end(), [&](const auto& w) {
            const auto bytes = w.Bytes(range);
            return std::equal(now.begin(), now.end(), bytes.begin());
        });
        if (!isOld && !isNew) return look;
        look.restore.push_back(!isOld);
        anyNew = anyNew || !isOld;
    }
    look.state = anyNew ? FileState::AsWritten : FileState::AsBefore;
    return look;
}

// Gives one file its old bytes back. Returns true when it restored (or, dry, would restore)
// the file; adds a problem when it leaves a file alone that the run rewrote.
bool UndoFile(const Journal& journal, const FileGroup& group, bool dryRun,
              std::vector<UndoProblem>& problems) {
    const JournalFile& entry = journal.files[group.entries.front()];
    // Files from the one the run was busy with on are only checked: a run that ended there never
    // rewrote them, unless it was killed before its count was written.
    const bool rewritten = group.entries.front() < journal.done;
    const auto problem = [&](std::string_view reason) {
        if (rewritten) problems.push_back({entry.path.text, std::string(reason)});
        return false;
    };
    try {
        Block block{};
        File::Stamp stamp;
        {
            const File file = File::OpenRead(group.host);
            stamp = file.GetStamp();
            if (stamp.size < kTagBlockWriteEnd ||
                file.ReadAt(ComposedRewrite::kImageStart, block) != block.size())
                return problem(kSizeChanged);
        }
        const Look look = Compare(journal, group, block);
        if (look.state == FileState::AsBefore) return false;
        if (look.state == FileState::Changed) return problem(kChangedSince);
        // The run never changes a file's size; another program did.
        if (stamp.size != entry.size) {
            problems.push_back({entry.path.text, std::string(kSizeChanged)});
            return false;
        }
        if (dryRun) return true;
        const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
        File file = File::OpenWrite(group.host);
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
            problems.push_back({entry.path.text, FailureText(e)});
        return false;
    }
}

// The files of the journal, each once, in list order of their first entry; entries that name no
// file the undo may write are problems.
std::vector<FileGroup> GroupFiles(const Journal& journal, Places& places,
                                  std::vector<UndoProblem>& problems,
                                  const std::function<void(const UndoStep&)>& progress) {
    std::vector<FileGroup> groups;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> byId;
    for (std::size_t i = 0; i < journal.files.size(); ++i) {
        const JournalFile& entry = journal.files[i];
        if (progress)
            progress({UndoStep::Pass::Checking, i, journal.files.size(), entry.path.text});
        try {
            fs::path host = places.Host(entry.path);
            const File::Id id = File::OpenRead(host).GetStamp().id;
            const auto [it, added] = byId.emplace(std::make_pair(id.device, id.inode), groups.size());
            if (added)
                groups.push_back({{i}, std::move(host)});
            else
                groups[it->second].entries.push_back(i);
        } catch (const std::exception& e) {
            // A file gone is no problem of a file the run never reached.
            if (i < journal.done || dynamic_cast<const FileError*>(&e) == nullptr ||
                static_cast<const FileError&>(e).failure().empty())
                problems.push_back({entry.path.text, FailureText(e)});
        }
    }
    return groups;
}

void UndoJacket(const Journal& journal, Places& places, bool dryRun, UndoReport& report) {
    const JournalJacket& jacket = *journal.jacket;
    const std::string& name = journal.changes.jacketName.value();
    report.jacketFile = jacket.file.text;
    const auto keep = [&](std::string reason) {
        report.jacket = UndoReport::Jacket::Kept;
        report.jacketReason = std::move(reason);
    };
    // Only a file the run itself made in the player's IMAGE folder is ever removed.
    if (!places.InPlayerImageFolder(jacket.file, name) ||
        !places.InPlayerImageFolder(jacket.temporary, JacketTemporaryName(name)))
        return keep(std::string(kNotOnPlayer));
    try {
        const fs::path temporary = places.Host(jacket.temporary);
        if (FileExists(temporary)) {
            if (!dryRun) DeleteFile(temporary);
            report.leftoverRemoved = true;
        }
        const fs::path host = places.Host(jacket.file);
        if (!FileExists(host)) {
            report.jacket = UndoReport::Jacket::Missing;
            return;
        }
        if (!report.leftAlone.empty())
            return keep("そのままにしたファイルがこの画像を指しているかもしれません");
        const std::vector<std::uint8_t> bytes = ReadWholeFile(host, kMaxJacketBytes);
        if (bytes.size() != jacket.size || Crc32(bytes) != jacket.crc)
            return keep(std::string(kChangedSince));
        if (!dryRun) DeleteFile(host);
        report.jacket = UndoReport::Jacket::Removed;
    } catch (const std::exception& e) {
        keep(FailureText(e));
    }
}

}  // namespace

std::string UndoProgressText(const UndoStep& step) {
    return std::string(step.file) + (step.pass == UndoStep::Pass::Checking
                                         ? " を確かめています。"
                                         : " を元に戻しています。");
}

int UndoProgressPercent(const UndoStep& step) noexcept {
    const std::size_t before = step.pass == UndoStep::Pass::Checking ? 0 : step.total;
    return ProgressPercent(before + step.done, 2 * step.total);
}

namespace {

// The newest journal not undone yet, read and checked whole before any file is touched (into
// `journal`); an empty path when there is none. A damaged journal on the way is reported and,
// unless `dryRun`, set aside, so that it no longer stands before the batches behind it.
fs::path FindJournalToUndo(const fs::path& folder, bool dryRun, UndoReport& report,
                           Journal& journal) {
    for (const fs::path& candidate : ListJournals(folder)) {
        try {
            if (JournalUndone(candidate)) continue;
            journal = ReadJournal(candidate);
        } catch (const FormatError& e) {
            report.damagedJournals.push_back({Utf8FromPath(candidate), e.reason()});
            if (!dryRun) SetJournalAside(candidate);
            continue;
        }
        return candidate;
    }
    return {};
}

// The problems in the order of the batch's list; those about other files after them.
void SortInListOrder(std::vector<UndoProblem>& problems, const Journal& journal) {
    const auto position = [&](const UndoProblem& p) {
        for (std::size_t i = 0; i < journal.files.size(); ++i)
            if (journal.files[i].path.text == p.file) return i;
        return journal.files.size();
    };
    std::stable_sort(
        problems.begin(), problems.end(),
        [&](const UndoProblem& a, const UndoProblem& b) { return position(a) < position(b); });
}

}  // namespace

UndoReport UndoLastBatch(const DriveMap& drives, bool dryRun, std::string_view program,
                         const std::function<void(const UndoStep&)>& progress) {
    UndoReport report;
    report.dryRun = dryRun;
    const fs::path folder = drives.ResolveOrThrow(UndoFolderPath(drives));
    if (!FolderExists(folder)) return report;
    const RunLock lock = RunLock::Acquire(folder / kRunLockName, program);

    Journal journal;
    const fs::path path = FindJournalToUndo(folder, dryRun, report, journal);
    if (path.empty()) return report;
    report.found = true;
    report.journal = Utf8FromPath(path.filename());
    report.files = journal.files.size();
    report.stoppedEarly = journal.done < journal.files.size();

    Places places(journal, drives);
    if (const std::optional<std::string> missing = places.MissingRoot()) {
        report.missingRoot = *missing;
        return report;
    }
    const std::vector<FileGroup> groups = GroupFiles(journal, places, report.leftAlone, progress);
    for (std::size_t k = 0; k < groups.size(); ++k) {
        if (progress) {
            progress({UndoStep::Pass::Restoring, k, groups.size(),
                      journal.files[groups[k].entries.front()].path.text});
        }
        if (UndoFile(journal, groups[k], dryRun, report.leftAlone)) ++report.restored;
    }
    SortInListOrder(report.leftAlone, journal);
    if (journal.jacket) UndoJacket(journal, places, dryRun, report);
    if (!dryRun) {
        try {
            MarkJournalUndone(path);
        } catch (const std::exception& e) {
            // The next undo then takes this journal again, which finds its files as before.
            report.leftAlone.push_back({Utf8FromPath(path), FailureText(e)});
        }
    }
    return report;
}

std::vector<std::string> UndoProblemLines(const UndoReport& report) {
    std::vector<std::string> lines;
    const std::string verb = report.dryRun ? "そのままにします" : "そのままにしました";
    for (const UndoProblem& problem : report.leftAlone)
        lines.push_back(ShownPath(problem.file) + " は" + verb + " (" + problem.reason + ")。");
    if (report.jacket == UndoReport::Jacket::Kept) {
        lines.push_back("ジャケット画像ファイル " + ShownPath(report.jacketFile) + " は" +
                        (report.dryRun ? "残します" : "残しました") + " (" + report.jacketReason +
                        ")。");
    }
    return lines;
}

std::vector<std::string> UndoSummaryLines(const UndoReport& report) {
    std::vector<std::string> lines;
    for (const UndoProblem& damaged : report.damagedJournals) {
        lines.push_back("記録 " + ShownPath(damaged.file) + " は壊れているので" +
                        (report.dryRun ? "脇に置きます" : "脇に置きました") + " (" +
                        damaged.reason + ")。");
    }
    if (!report.found) {
        lines.push_back(std::string(kNothingToUndoMessage));
        return lines;
    }
    const std::string files = std::to_string(report.files) + " 個のファイル";
    if (!report.missingRoot.empty()) {
        lines.push_back("一括書き換えを元に戻せません (記録 " + report.journal + "、" + files + ")。");
        lines.push_back(ShownPath(report.missingRoot) +
                        " が見つかりません。ファイルは何も変更していません。");
        lines.push_back("プレーヤーをつなぎ直してから、もう一度元に戻してください。");
        return lines;
    }
    if (report.dryRun) {
        lines.push_back("次の一括書き換えを元に戻せます (記録 " + report.journal + "、" + files +
                        ")。何も書き換えていません。");
    } else {
        lines.push_back("一括書き換えを元に戻しました (記録 " + report.journal + "、" + files +
                        ")。");
    }
    if (report.stoppedEarly) lines.push_back("この一括書き換えは途中で終わっていました。");
    lines.push_back(std::to_string(report.restored) + " 個のファイルを元に戻" +
                    (report.dryRun ? "します。" : "しました。"));
    if (report.jacket == UndoReport::Jacket::Removed) {
        lines.push_back("ジャケット画像ファイル " + ShownPath(report.jacketFile) + " を削除" +
                        (report.dryRun ? "します。" : "しました。"));
    } else if (report.jacket == UndoReport::Jacket::Missing) {
        lines.push_back("ジャケット画像ファイル " + ShownPath(report.jacketFile) + " はありません。");
    }
    if (report.leftoverRemoved) {
        lines.push_back(std::string("書きかけのジャケット画像ファイルを削除") +
                        (report.dryRun ? "します。" : "しました。"));
    }
    for (std::string& line : UndoProblemLines(report)) lines.push_back(std::move(line));
    return lines;
}

void RunUndo(const DriveMap& drives, Messages& messages, BatchProgress& progress) {
    bool shown = false;
    const auto step = [&](const UndoStep& at) {
        if (!shown) progress.Show();
        shown = true;
        progress.SetText(UndoProgressText(at));
        progress.SetPosition(UndoProgressPercent(at));
    };
    const auto close = [&] {
        if (shown) progress.Close();
    };
    UndoReport report;
    try {
        report = UndoLastBatch(drives, false, kProgramName, step);
    } catch (const RunLockHeld& e) {
        close();
        messages.Error(RunLockHeldMessage(e));
        return;
    } catch (const std::exception& e) {
        close();
        messages.Error("一括書き換えを元に戻せませんでした。ファイルは何も変更していません。\r" +
                       std::string(e.what()));
        return;
    }
    close();
    std::string text;
    for (const std::string& line : UndoSummaryLines(report)) {
        if (!text.empty()) text += '\r';
        text += line;
    }
    if (!report.missingRoot.empty())
        messages.Error(text);
    else
        messages.Plain(text);
}

}  // namespace corvina
