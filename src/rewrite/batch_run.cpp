#include "rewrite/batch_run.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "app/shared_state.h"
#include "formats/gbp.h"
#include "formats/player.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "rewrite/journal.h"

namespace corvina {

namespace {

// Pauses that let the progress window show before the first file and after the last.
constexpr unsigned kPauseBeforeFiles = 100;
constexpr unsigned kPauseAfterFiles = 20;
constexpr int kJacketNameCharacters = 16;
// Descriptors left for the rest of the program while a run keeps its target files open: the
// journal, the jacket file, folder listings and the window system's own.
constexpr std::size_t kSpareDescriptors = 64;
// Descriptors given back when a file cannot be opened, in case the system is out of them.
constexpr std::size_t kSpareWhenOut = 16;
// Below this many files to open, a second thread costs more than it saves.
constexpr std::size_t kFewestForSecondThread = 256;

// What went wrong with a file the message names already: the failure and its reason, without the
// host path behind the name the user knows.
std::string ReasonOf(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return FormatErrorText({error->failure(), {}, error->reason()});
    return e.what();
}

std::string FailureMessage(std::string_view file, std::string_view reason, std::size_t done,
                           std::size_t total) {
    std::string text(file);
    text += " を書き換えられませんでした。\r(";
    text += reason;
    text += ")\r";
    text += std::to_string(total) + " 個のファイルのうち、書き換えたのはこれより前の " +
            std::to_string(done) + " 個です。これ以降のファイルは変更していません。";
    return text;
}

}  // namespace

std::string WindowsPathSpace::Join(std::string_view folder, std::string_view name) const {
    return JoinPath(folder, name);
}

std::filesystem::path WindowsPathSpace::Host(std::string_view shown) const {
    return drives_.ResolveOrThrow(shown);
}

std::string HostPathSpace::Join(std::string_view folder, std::string_view name) const {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    for (const char c : name) path += c == '\\' ? '/' : c;
    return path;
}

std::filesystem::path HostPathSpace::Host(std::string_view shown) const {
    return std::filesystem::path(std::string(shown));
}

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

std::string BatchSummary(std::size_t files, std::string_view jacketName) {
    return std::to_string(files) + "個のファイルに適用しますた。\r変換ジャケット画像ファイル名  " +
           std::string(jacketName);
}

TargetFiles::TargetFiles(std::span<const std::string> targets, const PathSpace& paths,
                         std::size_t limit)
    : kept_(targets.size()), journaled_(targets.size()) {
    const std::size_t wanted = std::min(limit, targets.size());
    // Opens the files from `from` up to `to`; the position of the first that cannot be opened,
    // or `to`. Stops early when `stop` is set.
    std::atomic<bool> stop = false;
    const auto open = [&](std::size_t from, std::size_t to) noexcept {
        for (std::size_t i = from; i < to; ++i) {
            if (stop.load(std::memory_order_relaxed)) return to;
            try {
                kept_[i].emplace(File::OpenReadWrite(paths.Host(targets[i])));
            } catch (const std::exception&) {
                return i;
            }
        }
        return to;
    };

    // The table of open files is grown at once, as growing it while the program's other threads
    // run waits for every processor.
    ReserveOpenFiles(wanted);
    // An open is a system call that takes some microseconds; in a long list a second thread opens
    // the later half meanwhile.
    std::size_t split = wanted;
    std::size_t secondStop = wanted;
    std::jthread second;
    if (wanted >= kFewestForSecondThread) {
        try {
            second = std::jthread([&, from = wanted / 2] { secondStop = open(from, wanted); });
            split = wanted / 2;
        } catch (const std::system_error&) {
        }
    }
    std::size_t failed = open(0, split);
    if (failed < split) stop = true;
    if (second.joinable()) second.join();
    if (failed == split) failed = secondStop;
    // Every file before the first failure is kept, and none after it, as if opened one by one.
    for (std::size_t i = failed; i < wanted; ++i) kept_[i].reset();
    keptCount_ = failed;
    if (failed == wanted) return;

    // The failure is met again, and reported, when the file is opened by path; the rest go by
    // path too. Most often the run ends at this file, as it cannot be rewritten; else the system
    // is out of descriptors (which shows here as any failure, as a drive lookup needs one too),
    // and some kept ones are given back for the journal, the jacket file and the opens by path.
    const std::size_t back = std::min(kSpareWhenOut, keptCount_);
    for (std::size_t i = keptCount_ - back; i < keptCount_; ++i) kept_[i].reset();
    keptCount_ -= back;
}

std::size_t TargetFiles::LimitFor(std::size_t files) noexcept {
    const std::size_t limit = RaiseOpenFileLimit(files + kSpareDescriptors);
    return limit > kSpareDescriptors ? std::min(files, limit - kSpareDescriptors) : 0;
}

const File* TargetFiles::Kept(std::size_t i) const noexcept {
    return i < kept_.size() && kept_[i] ? &*kept_[i] : nullptr;
}

void TargetFiles::Journaled(std::size_t i, const File::Id& id) {
    if (i < journaled_.size()) journaled_[i] = id;
}

File TargetFiles::ForRewrite(std::size_t i, const PathSpace& paths, std::string_view shown) {
    if (i < kept_.size() && kept_[i]) {
        // The file the journal read, wherever its path now leads: looking the path up again
        // would cost as much as the open that keeping it saves.
        File file = std::move(*kept_[i]);
        kept_[i].reset();
        return file;
    }
    const File::Id* journaled = i < journaled_.size() && journaled_[i] ? &*journaled_[i] : nullptr;
    const std::filesystem::path host = paths.Host(shown);
    File file = File::OpenWrite(host);
    if (journaled != nullptr && file.GetStamp().id != *journaled)
        throw FileError("ファイルを開けません", host.string(),
                        "元に戻すための記録の後に別のファイルに置き換えられています");
    return file;
}

void RewriteFiles(std::span<const std::string> files, const PathSpace& paths,
                  const TagRewrite& changes, bool numberTracks,
                  const std::function<void(std::size_t)>& beforeFile,
                  const std::function<void(std::size_t)>& afterFile, TargetFiles* opened) {
    if (numberTracks && files.size() > static_cast<std::size_t>(kMaxTrack))
        throw std::invalid_argument(std::string(kTooManyToNumberMessage));
    TagRewrite request = changes;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (beforeFile) beforeFile(i);
        if (numberTracks) request.track = static_cast<int>(i + 1);
        try {
            if (opened)
                RewriteTagBlock(opened->ForRewrite(i, paths, files[i]), request);
            else
                RewriteTagBlock(paths.Host(files[i]), request);
        } catch (const std::exception& e) {
            throw BatchError(FailureMessage(files[i], ReasonOf(e), i, files.size()), files[i], i,
                             files.size());
        }
        if (afterFile) afterFile(i);
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

BatchOutcome RunBatch(std::span<const std::string> targets, std::string_view playerRoot,
                      BatchRun& run) {
    using Kind = BatchOutcome::Kind;
    BatchOutcome outcome;
    if (targets.empty()) {
        run.messages.Error(kEmptyTargetListMessage);
        outcome.kind = Kind::EmptyList;
        return outcome;
    }
    const auto folderExists = [&](const std::string& shown) {
        try {
            return FolderExists(run.paths.Host(shown));
        } catch (const std::exception&) {
            return false;  // an unmapped drive holds no folder
        }
    };
    if (!folderExists(run.paths.Join(playerRoot, kDeviceFolder))) {
        run.messages.Error(kDeviceAbsentMessage);
        outcome.kind = Kind::NoPlayer;
        return outcome;
    }
    std::optional<RewriteRequest> request = run.askRequest();
    if (!request) {
        outcome.kind = Kind::Cancelled;
        return outcome;
    }
    const bool numberTracks = request->writeTags && request->numberTracks;
    if (numberTracks && targets.size() > static_cast<std::size_t>(kMaxTrack)) {
        run.messages.Error(kTooManyToNumberMessage);
        outcome.kind = Kind::TooManyToNumber;
        return outcome;
    }

    const std::string imageFolder = run.paths.Join(playerRoot, kJacketFolder);
    outcome.jacketName = MakeJacketName(run.clock.Seed(), [&](const std::string& name) {
        if (!request->writeJacket) return false;
        try {
            const auto host = run.paths.Host(run.paths.Join(imageFolder, name));
            return FileExists(host) || FolderExists(host);
        } catch (const std::exception&) {
            return false;
        }
    });

    TagRewrite changes;
    if (request->writeTags) changes.texts = request->texts;
    if (request->writeJacket) changes.jacketName = outcome.jacketName;
    std::string jacketFile;
    if (request->writeJacket) jacketFile = run.paths.Join(imageFolder, outcome.jacketName);

    // The files are opened once, before anything is written: the journal reads them, and each
    // is rewritten through the same descriptor.
    TargetFiles opened(targets, run.paths, TargetFiles::LimitFor(targets.size()));
    if (run.journal) {
        try {
            run.journal->Begin(targets, run.paths, changes, numberTracks, jacketFile, opened);
        } catch (const std::exception& e) {
            outcome.kind = Kind::NoJournal;
            run.messages.Error(std::string(kJournalFailedMessage) + "\r(" + e.what() + ")\r" +
                               std::to_string(targets.size()) +
                               " 個のファイルはどれも書き換えていません。");
            return outcome;
        }
    }

    try {
        if (!folderExists(imageFolder)) {
            // When the folder cannot be made the run goes on; saving the jacket then fails and
            // says why.
            bool created = true;
            try {
                CreateFolder(run.paths.Host(imageFolder));
            } catch (const std::exception&) {
                created = false;
            }
            if (created) run.messages.Plain(kImageFolderCreatedMessage);
        }
        if (request->writeJacket) {
            WriteWholeFile(run.paths.Host(jacketFile), WriteJacketGbp(request->jacket));
        }
    } catch (const std::exception& e) {
        outcome.kind = Kind::Failed;
        std::string text = jacketFile.empty() ? imageFolder : jacketFile;
        text += " を保存できませんでした。\r(";
        text += ReasonOf(e);
        text +=
            ")\r" + std::to_string(targets.size()) + " 個のファイルはどれも書き換えていません。";
        run.messages.Error(text);
        return outcome;
    }
    if (!request->writeJacket) outcome.jacketName = std::string(kNoJacketText);
    request->jacket = Picture15();  // released before the files are rewritten

    run.progress.Show();
    run.clock.SleepMilliseconds(kPauseBeforeFiles);
    try {
        RewriteFiles(
            targets, run.paths, changes, numberTracks,
            [&](std::size_t i) { run.progress.SetText(ProgressText(targets[i])); },
            [&](std::size_t i) {
                outcome.rewritten = i + 1;
                if (run.journal) run.journal->FileDone(i + 1);
                run.progress.SetPosition(ProgressPercent(i + 1, targets.size()));
            },
            &opened);
    } catch (const BatchError& e) {
        outcome.kind = Kind::Failed;
        run.messages.Error(e.what());
        return outcome;
    }
    run.clock.SleepMilliseconds(kPauseAfterFiles);
    run.progress.Close();
    run.messages.Plain(BatchSummary(targets.size(), outcome.jacketName));
    outcome.kind = Kind::Done;
    return outcome;
}

BatchOutcome RunBatchRewrite(SharedState& state, std::span<const std::string> targets,
                             BatchRun& run) {
    state.LoadSettings();
    JournalWriter journal(state.Drives(), JournalWriter::Paths::Windows);
    BatchRun withJournal = run;
    if (!withJournal.journal) withJournal.journal = &journal;
    return RunBatch(targets, DeviceRootPath(DeviceLetter(state.DeviceDrive)), withJournal);
}

}  // namespace corvina
