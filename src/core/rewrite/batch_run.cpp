#include "core/rewrite/batch_run.h"

#include <algorithm>
#include <exception>
#include <map>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/base/path_text.h"
#include "core/base/product.h"
#include "core/formats/gbp.h"
#include "core/formats/player.h"
#include "core/os/clock.h"
#include "core/os/files.h"
#include "core/os/run_lock.h"
#include "core/rewrite/journal_writer.h"
#include "core/session/shared_state.h"

namespace corvina {

namespace {

// Pauses that let the progress window show before the first file is read and after the last is
// rewritten.
constexpr unsigned kPauseBeforeFiles = 100;
constexpr unsigned kPauseAfterFiles = 20;
constexpr int kJacketNameCharacters = 16;
constexpr std::string_view kReplaced = "一括書き換えの準備の後に別のファイルに置き換えられています";
constexpr std::string_view kChangedMeanwhile = "一括書き換えの準備の後に変更されています";

std::string NothingRewritten(std::size_t total) {
    return std::to_string(total) + " 個のファイルはどれも書き換えていません。";
}

// The bytes of a file from the first to the last that a rewrite can change.
using Block = std::array<std::uint8_t, kTagBlockWriteEnd - ComposedRewrite::kImageStart>;

std::span<const std::uint8_t> RangeOf(const Block& block, const ComposedRewrite::Range& range) {
    return std::span<const std::uint8_t>(block).subspan(range.offset - ComposedRewrite::kImageStart,
                                                        range.size);
}

// Reads the block of a file just opened; FormatError when it is too short for a tag block.
void ReadBlock(const File& file, Block& block) {
    const std::uint64_t size = file.GetStamp().size;  // as the open found it a moment ago
    if (size < kTagBlockWriteEnd || file.ReadAt(ComposedRewrite::kImageStart, block) != block.size())
        throw FormatError("タグを書き込めません", file.path(),
                          "SAT ファイルが短すぎます: " + std::to_string(size) + " バイト、" +
                              std::to_string(kTagBlockWriteEnd) + " バイト以上が必要です");
}

}  // namespace

namespace {

std::string_view FailureOf(BatchError::Step step) {
    switch (step) {
        case BatchError::Step::Read:
            return "書き換えられません";
        case BatchError::Step::Jacket:
            return "保存できませんでした";
        case BatchError::Step::Rewrite:
            break;
    }
    return "書き換えられませんでした";
}

}  // namespace

BatchError::BatchError(Step step, std::string file, std::string reason, std::size_t done,
                       std::size_t total)
    : Error(std::string(FailureOf(step)), std::move(file), std::move(reason)),
      step_(step),
      done_(done),
      total_(total) {}

std::string BatchErrorText(const BatchError& error) {
    std::string text = ShownPath(error.file());
    text += error.step() == BatchError::Step::Read ? " は" : " を";
    text += error.failure() + "。\r(" + error.reason() + ")\r";
    if (error.step() != BatchError::Step::Rewrite) return text + NothingRewritten(error.total());
    return text + std::to_string(error.total()) +
           " 個のファイルのうち、書き換えたのはこれより前の " + std::to_string(error.done()) +
           " 個です。これ以降のファイルは変更していません。";
}

void WindowsPathSpace::NewRun() {
    snapshot_ = drives_.Snapshot();
    listings_ = std::make_unique<FolderListings>();
}

std::string WindowsPathSpace::Join(std::string_view folder, std::string_view name) const {
    return JoinPath(folder, name);
}

std::filesystem::path WindowsPathSpace::Host(std::string_view shown) {
    if (!snapshot_) NewRun();
    return snapshot_->ResolveInside(shown, *listings_);
}

JournalPath WindowsPathSpace::Record(std::string_view shown) const {
    return {std::string(shown), false};
}

JournalPath WindowsPathSpace::RootOf(std::string_view shown) const {
    const std::optional<char> letter = DriveLetterOf(shown);
    return {letter ? FolderText(shown.substr(0, 2)) : std::string(shown), false};
}

namespace {

#ifndef _WIN32
// True when `path` is absolute and has no empty, "." or ".." part: already what making it
// absolute and normal would give.
bool IsPlainAbsolute(std::string_view path) noexcept {
    if (!path.starts_with('/')) return false;
    for (std::size_t start = 1;;) {
        const std::size_t end = path.find('/', start);
        const std::string_view part =
            path.substr(start, end == path.npos ? path.npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == path.npos) return true;
        start = end + 1;
    }
}
#endif

std::filesystem::path AbsoluteNormal(const std::filesystem::path& path) {
#ifndef _WIN32  // a Windows path is never plain in this sense: it takes the general way
    if (IsPlainAbsolute(path.native())) return path;
#endif
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) absolute = path;
    absolute = absolute.lexically_normal();
    // "/player/" and "/player" are one folder.
    if (absolute.has_relative_path() && !absolute.has_filename()) absolute = absolute.parent_path();
    return absolute;
}

}  // namespace

HostPathSpace::HostPathSpace(std::filesystem::path root) : root_(AbsoluteNormal(root)) {
    std::error_code ec;
    current_ = Utf8FromPath(std::filesystem::current_path(ec));
}

std::string HostPathSpace::Join(std::string_view folder, std::string_view name) const {
    return JoinHostPath(folder, name);
}

void HostPathSpace::NewRun() { inside_.emplace(root_); }

std::filesystem::path HostPathSpace::Host(std::string_view shown) {
    const std::filesystem::path path = PathFromUtf8(shown);
    if (!inside_) NewRun();
    inside_->Check(path, std::string(shown));
    return path;
}

JournalPath HostPathSpace::Record(std::string_view shown) const {
#ifdef _WIN32
    // "G:\MUSIC\A.SAT" is absolute, "\MUSIC\A.SAT" and "G:A.SAT" are not: the system makes each
    // absolute in its own way.
    return {Utf8FromPath(AbsoluteNormal(PathFromUtf8(shown))), true};
#else
    std::string path;
    if (!shown.starts_with('/') && !current_.empty()) path = current_ + '/';
    path += shown;
    if (IsPlainAbsolute(path)) return {std::move(path), true};
    return {Utf8FromPath(AbsoluteNormal(PathFromUtf8(path))), true};
#endif
}

JournalPath HostPathSpace::RootOf(std::string_view) const { return {Utf8FromPath(root_), true}; }

int ProgressPercent(std::size_t done, std::size_t total) noexcept {
    if (total == 0) return 0;
    const std::size_t scaled = done * 100;
    std::size_t percent = scaled / total;
    const std::size_t remainder = scaled % total;
    if (2 * remainder > total || (2 * remainder == total && percent % 2 == 1)) ++percent;
    return static_cast<int>(percent);
}

std::string ProgressText(std::string_view file) {
    return std::string(file) + " を書き換えています。";
}

std::string ReadingProgressText(std::string_view file) {
    return std::string(file) + " を読み込んでいます。";
}

std::string BatchSummary(std::size_t files, std::string_view jacketName) {
    return std::to_string(files) + "個のファイルに適用しますた。\r変換ジャケット画像ファイル名  " +
           std::string(jacketName);
}

Journal ReadTargets(std::span<const std::string> targets, PathSpace& paths,
                    const TagRewrite& changes, bool numberTracks, std::vector<ReadTarget>& found,
                    const std::function<void(std::size_t)>& beforeFile,
                    const std::function<void(std::size_t)>& afterFile) {
    Journal journal;
    journal.changes = changes;
    journal.numberTracks = numberTracks;
    // Which ranges a rewrite writes depends only on what the request holds, the same for every
    // file.
    const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(0));
    found.clear();
    found.reserve(targets.size());
    journal.files.reserve(targets.size());
    Block block{};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string& target = targets[i];
        if (beforeFile) beforeFile(i);
        JournalFile file;
        try {
            ReadTarget read;
            read.host = paths.Host(target);
            // Opened for writing too, so that a file that cannot be written stops the run here,
            // before anything is written.
            const File opened = File::OpenReadWrite(read.host);
            ReadBlock(opened, block);
            read.id = opened.GetStamp().id;
            file.size = opened.GetStamp().size;
            file.lastWriteNs = opened.GetStamp().lastWriteNs;
            found.push_back(std::move(read));
        } catch (const std::exception& e) {
            throw BatchError(BatchError::Step::Read, target, FailureText(e), 0, targets.size());
        }
        file.path = paths.Record(target);
        for (const auto& range : composed.Ranges()) {
            const auto old = RangeOf(block, range);
            file.oldBytes.insert(file.oldBytes.end(), old.begin(), old.end());
        }
        journal.files.push_back(std::move(file));

        JournalPath root = paths.RootOf(target);
        const bool known = std::any_of(journal.roots.begin(), journal.roots.end(),
                                       [&](const JournalRoot& r) { return r.path == root; });
        if (!known) {
            const bool player = HoldsDeviceFolder(
                [&](std::string_view name) { return paths.Host(paths.Join(root.text, name)); });
            journal.roots.push_back({std::move(root), player});
        }
        if (afterFile) afterFile(i);
    }
    return journal;
}

void RewriteFiles(std::span<const std::string> files, const Journal& journal,
                  std::span<const ReadTarget> found,
                  const std::function<void(std::size_t)>& beforeFile,
                  const std::function<void(std::size_t)>& afterFile) {
    // The entry of each file that this run rewrote last, for a file listed twice.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> lastWritten;
    Block block{};
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (beforeFile) beforeFile(i);
        const ReadTarget& target = found[i];
        const auto key = std::make_pair(target.id.device, target.id.inode);
        try {
            File file = File::OpenReadWrite(target.host);
            if (file.GetStamp().id != target.id)
                throw FileError("ファイルを書き換えません", Utf8FromPath(target.host),
                                std::string(kReplaced));
            ReadBlock(file, block);
            // What the file must hold now: the bytes read before the run, or what this run
            // wrote for an earlier entry of the same file.
            const auto earlier = lastWritten.find(key);
            const ComposedRewrite composed = ComposeTagRewrite(journal.RewriteOf(i));
            const std::optional<ComposedRewrite> before =
                earlier == lastWritten.end()
                    ? std::nullopt
                    : std::optional(ComposeTagRewrite(journal.RewriteOf(earlier->second)));
            std::size_t at = 0;
            for (const auto& range : composed.Ranges()) {
                const auto now = RangeOf(block, range);
                const auto expected =
                    before ? before->Bytes(range)
                           : std::span(journal.files[i].oldBytes).subspan(at, range.size);
                at += range.size;
                if (!std::equal(now.begin(), now.end(), expected.begin(), expected.end()))
                    throw FileError("ファイルを書き換えません", Utf8FromPath(target.host),
                                    std::string(kChangedMeanwhile));
            }
            RewriteTagBlock(std::move(file), journal.RewriteOf(i));
        } catch (const std::exception& e) {
            throw BatchError(BatchError::Step::Rewrite, files[i], FailureText(e), i, files.size());
        }
        lastWritten[key] = i;
        if (afterFile) afterFile(i);
    }
}

void RewriteEach(std::span<const std::string> files, const TagRewrite& changes,
                 bool numberTracks) {
    if (numberTracks && files.size() > static_cast<std::size_t>(kMaxTrack))
        throw UsageError("トラック番号は" + std::to_string(kMaxTrack) + "までしか付けられません",
                         {}, std::to_string(files.size()) + " 個のファイル");
    TagRewrite request = changes;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (numberTracks) request.track = static_cast<int>(i + 1);
        try {
            RewriteTagBlock(PathFromUtf8(files[i]), request);
        } catch (const std::exception& e) {
            throw BatchError(BatchError::Step::Rewrite, files[i], FailureText(e), i, files.size());
        }
    }
}

std::string MakeJacketName(std::uint64_t seed,
                           const std::function<bool(const std::string&)>& taken) {
    Random random(seed);
    std::string name;
    do {
        name.clear();
        for (int i = 0; i < kJacketNameCharacters; ++i) {
            if (random.Below(2) == 1)
                name += static_cast<char>('0' + random.Below(10));
            else
                name += static_cast<char>('A' + random.Below(26));
        }
        name += ".GBP";
    } while (taken && taken(name));
    return name;
}

namespace {

using Kind = BatchOutcome::Kind;

// The checks before the request is asked for: a box and the outcome's kind when the run ends
// there, nothing when it goes on.
std::optional<Kind> CheckBeforeRequest(std::span<const std::string> targets,
                                       std::string_view playerRoot, BatchRun& run) {
    if (targets.empty()) {
        run.messages.Error(kEmptyTargetListMessage);
        return Kind::EmptyList;
    }
    run.paths.NewRun();
    if (!HoldsDeviceFolder([&](std::string_view name) {
            return run.paths.Host(run.paths.Join(playerRoot, name));
        })) {
        run.messages.Error(kDeviceAbsentMessage);
        return Kind::NoPlayer;
    }
    return std::nullopt;
}

// The box that ends a run whose journal cannot be kept: nothing is written.
std::string JournalFailedText(const std::exception& e, std::size_t total) {
    return std::string(kJournalFailedMessage) + "\r(" + e.what() + ")\r" + NothingRewritten(total);
}

// One at a time: from here until the last write, no other batch or undo runs. A box and the
// outcome's kind when the lock cannot be had.
std::optional<Kind> TakeLock(BatchRun& run, std::size_t total) {
    if (!run.journal) return std::nullopt;
    try {
        run.journal->Lock();
    } catch (const RunLockHeld& e) {
        run.messages.Error(RunLockHeldMessage(e));
        return Kind::Busy;
    } catch (const UndoFolderUnwritable& e) {
        run.messages.Error(UndoFolderUnwritableText(e, total));
        return Kind::NoJournal;
    } catch (const std::exception& e) {
        run.messages.Error(JournalFailedText(e, total));
        return Kind::NoJournal;
    }
    return std::nullopt;
}

// A jacket name that names nothing in the IMAGE folder yet.
std::string DrawJacketName(BatchRun& run, const std::string& imageFolder, bool writeJacket) {
    return MakeJacketName(run.clock.Seed(), [&](const std::string& name) {
        if (!writeJacket) return false;
        try {
            const auto host = run.paths.Host(run.paths.Join(imageFolder, name));
            return FileExists(host) || FolderExists(host);
        } catch (const std::exception&) {
            return false;
        }
    });
}

// What the run writes besides the tag blocks.
struct JacketPlan {
    std::string imageFolder;
    std::string file;       // empty when no jacket is written
    std::string temporary;  // the name it is written under before it is moved into place
    std::vector<std::uint8_t> bytes;
};

JacketPlan PlanJacket(PathSpace& paths, std::string_view playerRoot, std::string_view jacketName,
                      const RewriteRequest& request) {
    JacketPlan plan;
    plan.imageFolder = paths.Join(playerRoot, kJacketFolder);
    if (!request.writeJacket) return plan;
    plan.file = paths.Join(plan.imageFolder, jacketName);
    // Named after the jacket, so that undo knows a leftover of a killed run.
    plan.temporary = paths.Join(plan.imageFolder, JacketTemporaryName(jacketName));
    plan.bytes = WriteJacketGbp(request.jacket);
    return plan;
}

// The IMAGE folder, made (and said so) when missing, and the jacket file when the run writes
// one; BatchError naming the one that cannot be saved. When the folder cannot be made the run
// goes on; saving the jacket then fails and says why.
void SaveJacket(BatchRun& run, const JacketPlan& plan, std::size_t total) {
    const auto folderExists = [&](const std::string& shown) {
        try {
            return FolderExists(run.paths.Host(shown));
        } catch (const std::exception&) {
            return false;  // an unmapped drive holds no folder
        }
    };
    try {
        if (!folderExists(plan.imageFolder)) {
            bool created = true;
            try {
                CreateFolder(run.paths.Host(plan.imageFolder));
            } catch (const std::exception&) {
                created = false;
            }
            if (created) run.messages.Plain(kImageFolderCreatedMessage);
        }
        if (!plan.file.empty())
            WriteNewFile(run.paths.Host(plan.file), run.paths.Host(plan.temporary), plan.bytes);
    } catch (const std::exception& e) {
        throw BatchError(BatchError::Step::Jacket, plan.file.empty() ? plan.imageFolder : plan.file,
                         FailureText(e), 0, total);
    }
}

// What ends a run once its progress window is shown: the outcome's kind and the box's text.
struct Stop {
    Kind kind;
    std::string text;
};

// The first pass over `targets` and the journal of the run, written whole before anything else
// is: what stops the run when a file cannot be read or the journal cannot be written.
std::optional<Stop> ReadAndRecord(std::span<const std::string> targets, BatchRun& run,
                                  const TagRewrite& changes, bool numberTracks,
                                  const JacketPlan& jacket,
                                  const std::function<void(std::size_t)>& showDone,
                                  std::vector<ReadTarget>& found, Journal& journal) {
    try {
        journal = ReadTargets(
            targets, run.paths, changes, numberTracks, found,
            [&](std::size_t i) { run.progress.SetText(ReadingProgressText(targets[i])); },
            showDone);
    } catch (const BatchError& e) {
        return Stop{Kind::Failed, BatchErrorText(e)};
    }
    if (!jacket.file.empty()) {
        journal.jacket =
            JournalJacket{run.paths.Record(jacket.file), run.paths.Record(jacket.temporary),
                          jacket.bytes.size(), Crc32(jacket.bytes)};
    }
    if (run.journal) {
        try {
            run.journal->Write(journal);
        } catch (const std::exception& e) {
            return Stop{Kind::NoJournal, JournalFailedText(e, targets.size())};
        }
    }
    return std::nullopt;
}

}  // namespace

BatchOutcome RunBatch(std::span<const std::string> targets, std::string_view playerRoot,
                      BatchRun& run) {
    BatchOutcome outcome;
    const auto end = [&](Kind kind) {
        outcome.kind = kind;
        return outcome;
    };
    if (const auto refused = CheckBeforeRequest(targets, playerRoot, run)) return end(*refused);
    std::optional<RewriteRequest> request = run.askRequest();
    if (!request) return end(Kind::Cancelled);
    const bool numberTracks = request->writeTags && request->numberTracks;
    if (numberTracks && targets.size() > static_cast<std::size_t>(kMaxTrack)) {
        run.messages.Error(kTooManyToNumberMessage);
        return end(Kind::TooManyToNumber);
    }
    if (const auto refused = TakeLock(run, targets.size())) return end(*refused);

    outcome.jacketName =
        DrawJacketName(run, run.paths.Join(playerRoot, kJacketFolder), request->writeJacket);
    TagRewrite changes;
    if (request->writeTags) changes.texts = CutToFields(request->texts);
    if (request->writeJacket) changes.jacketName = outcome.jacketName;
    const JacketPlan jacket = PlanJacket(run.paths, playerRoot, outcome.jacketName, *request);
    request->jacket = Picture15();  // released before the files are read

    run.progress.Show();
    run.clock.SleepMilliseconds(kPauseBeforeFiles);
    // Every way out once the progress window is shown ends the journal's part and closes the
    // window before its box.
    const auto fail = [&](Kind kind, const std::string& text) {
        if (run.journal) run.journal->Finish();
        run.progress.Close();
        run.messages.Error(text);
        return end(kind);
    };
    const auto showDone = [&](std::size_t i) {
        run.progress.SetPosition(ProgressPercent(i + 1, targets.size()));
    };

    // First pass: every file read, and the journal whole on the disk, before anything is
    // written.
    std::vector<ReadTarget> found;
    Journal journal;
    if (const auto stop =
            ReadAndRecord(targets, run, changes, numberTracks, jacket, showDone, found, journal)) {
        return fail(stop->kind, stop->text);
    }
    try {
        SaveJacket(run, jacket, targets.size());
    } catch (const BatchError& e) {
        return fail(Kind::Failed, BatchErrorText(e));
    }
    if (!request->writeJacket) outcome.jacketName = std::string(kNoJacketText);

    run.progress.SetPosition(0);  // the second pass starts the bar again
    try {
        RewriteFiles(
            targets, journal, found,
            [&](std::size_t i) { run.progress.SetText(ProgressText(targets[i])); },
            [&](std::size_t i) {
                outcome.rewritten = i + 1;
                if (run.journal) run.journal->FileDone(i + 1);
                showDone(i);
            });
    } catch (const BatchError& e) {
        return fail(Kind::Failed, BatchErrorText(e));
    }
    if (run.journal) run.journal->Finish();
    run.clock.SleepMilliseconds(kPauseAfterFiles);
    run.progress.Close();
    run.messages.Plain(BatchSummary(targets.size(), outcome.jacketName));
    return end(Kind::Done);
}

BatchOutcome RunBatchRewrite(SharedState& state, std::span<const std::string> targets,
                             BatchRun& run) {
    state.LoadSettings();
    JournalWriter journal(state.Drives(), kProgramName);
    BatchRun withJournal = run;
    if (!withJournal.journal) withJournal.journal = &journal;
    return RunBatch(targets, DeviceRootPath(DeviceLetter(state.DeviceDrive)), withJournal);
}

std::string UndoFolderUnwritableText(const UndoFolderUnwritable& error, std::size_t total) {
    std::string folder(kUndoFolderUnwritableMessage);
    folder.replace(folder.find("%s"), 2, ShownPath(error.path()));
    return std::string(kJournalFailedMessage) + "\r" + folder + "\r(" + error.reason() + ")\r" +
           NothingRewritten(total);
}

std::string JacketTemporaryName(std::string_view jacketName) {
    return ".corvina-" + std::string(jacketName.substr(0, jacketName.find('.'))) + ".tmp";
}

}  // namespace corvina
