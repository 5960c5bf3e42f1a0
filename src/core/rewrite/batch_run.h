#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/errors.h"
#include "core/formats/sat_tags.h"
#include "core/os/drives.h"
#include "core/os/files.h"
#include "core/pictures/picture.h"
#include "core/rewrite/journal_format.h"

// The batch rewrite: one set of tag texts, track numbers in list order and one new jacket picture
// for every file of a target list. The desktop program and corvina-cli run the same code; they
// differ only in how paths are shown and opened, how the choices are asked for, and how messages
// and progress are shown.
namespace corvina {

class Clock;
class Messages;
class SharedState;

inline constexpr std::string_view kEmptyTargetListMessage =
    "対象リストにSATファイルがありません。\r";
inline constexpr std::string_view kTooManyToNumberMessage =
    "トラック番号は255までしか付けられません。\r対象リストのファイルを255個以下にしてください。";
inline constexpr std::string_view kImageFolderCreatedMessage =
    "gigabeatFにIMAGEフォルダが存在しなかったので\r自動生成しました。";
// The first line of the error box when the journal cannot be written.
inline constexpr std::string_view kJournalFailedMessage =
    "元に戻すための記録を書き込めませんでした。";
// The line after kJournalFailedMessage when the undo folder cannot be made or written (a program
// installed where its user may not write, as under Program Files); %s is the folder.
inline constexpr std::string_view kUndoFolderUnwritableMessage =
    "%s には元に戻すための記録を書き込めません。";
// Stands for the jacket file name in the summary when no jacket is written.
inline constexpr std::string_view kNoJacketText = "ジャケット画像の変換はしていません。";

// What the rewrite settings dialog hands over on OK.
struct RewriteRequest {
    bool writeTags = false;     // the three texts, and the track numbers when numberTracks
    TagTexts texts;             // handed over whatever writeTags says
    bool numberTracks = false;  // counts only with writeTags
    bool writeJacket = false;
    Picture15 jacket;  // 75x75 whenever writeJacket
};

// One file of the run failed: which one (as the list shows it), why, how far the run got (how
// many of the list's files were rewritten before it, of how many) and in which step. what() is
// the usual layout of these fields; the box says it with BatchErrorText.
class BatchError : public Error {
public:
    enum class Step {
        Read,    // the first pass could not read the file: nothing is written
        Jacket,  // the IMAGE folder or the jacket file could not be saved: no SAT file written
        Rewrite  // the second pass could not rewrite the file: `done` files were rewritten
    };
    BatchError(Step step, std::string file, std::string reason, std::size_t done,
               std::size_t total);
    Step step() const noexcept { return step_; }
    const std::string& file() const noexcept { return path(); }
    std::size_t done() const noexcept { return done_; }
    std::size_t total() const noexcept { return total_; }

private:
    Step step_;
    std::size_t done_;
    std::size_t total_;
};

// The text of the error box that ends a run with `error`: the file, the reason, and what was
// rewritten before it and what was not.
std::string BatchErrorText(const BatchError& error);

// The undo folder cannot be made, or the run's lock cannot be written in it: the run is
// refused before it writes anything. path() is the folder as a Windows path.
class UndoFolderUnwritable : public FileError {
public:
    using FileError::FileError;
};

// The text of the box that refuses a run whose undo folder cannot be written: that the journal
// cannot be written, in which folder, why, and that none of the `total` files was rewritten.
std::string UndoFolderUnwritableText(const UndoFolderUnwritable& error, std::size_t total);

// Where the run's files are: the texts it shows (Windows paths in the program, host paths in the
// command-line tool), the host paths behind them and how its journal names them.
class PathSpace {
public:
    virtual ~PathSpace() = default;
    // Called as a run starts: the drives are looked up afresh, and each folder is read again at
    // most once until the next run.
    virtual void NewRun() {}
    virtual std::string Join(std::string_view folder, std::string_view name) const = 0;
    // The host file or folder behind a shown path, to read or write. FileError naming it when it
    // cannot name one (an unmapped drive) or when a symbolic link on its way leads outside the
    // root folder of its drive.
    virtual std::filesystem::path Host(std::string_view shown) = 0;
    // How the journal names the file, and the root folder of the drive it lies on.
    virtual JournalPath Record(std::string_view shown) const = 0;
    virtual JournalPath RootOf(std::string_view shown) const = 0;
};

// Windows paths through one snapshot of the drive map per run, as the program shows them.
class WindowsPathSpace : public PathSpace {
public:
    explicit WindowsPathSpace(const DriveMap& drives) : drives_(drives) {}
    void NewRun() override;
    std::string Join(std::string_view folder, std::string_view name) const override;
    std::filesystem::path Host(std::string_view shown) override;
    JournalPath Record(std::string_view shown) const override;
    JournalPath RootOf(std::string_view shown) const override;

private:
    const DriveMap& drives_;
    std::optional<DriveSnapshot> snapshot_;
    std::unique_ptr<FolderListings> listings_;
};

// Host paths as corvina-cli takes them, all inside the player's root folder: the journal names
// them absolute, so that undo finds them from any working folder.
class HostPathSpace : public PathSpace {
public:
    explicit HostPathSpace(std::filesystem::path root);
    void NewRun() override;
    std::string Join(std::string_view folder, std::string_view name) const override;
    std::filesystem::path Host(std::string_view shown) override;
    JournalPath Record(std::string_view shown) const override;
    JournalPath RootOf(std::string_view shown) const override;

private:
    std::filesystem::path root_;  // absolute
    std::string current_;         // the current folder, for paths given relative to it
    std::optional<InsideFolder> inside_;
};

// The progress window of a run that goes through many files (a batch, an undo): shown before the
// first file, told each file before its turn and the bar's position after, and closed before the
// box that ends the run, whether the run succeeded or failed. The window also keeps the program
// alive between files: it repaints every window there.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    virtual void Show() = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual void SetPosition(int percent) = 0;
    virtual void Close() = 0;
};

// The bar's position after `done` of `total` files: done * 100 / total rounded to the nearest
// whole number, an exact half to the even neighbour (8 files: 12, 25, 38, 50, 62, 75, 88, 100).
int ProgressPercent(std::size_t done, std::size_t total) noexcept;

// The text of the progress window while a file is rewritten: "<file> を書き換えています。".
std::string ProgressText(std::string_view file);

// The text of the progress window while a file is read before anything is written:
// "<file> を読み込んでいます。".
std::string ReadingProgressText(std::string_view file);

// The text of the summary box.
std::string BatchSummary(std::size_t files, std::string_view jacketName);

// What a run found of each file before it wrote anything.
struct ReadTarget {
    std::filesystem::path host;
    File::Id id;
};

// The run's first pass: each file's old bytes in the ranges `changes` writes, read before
// anything is written, into a journal of the run (its roots, its files; the rest is the
// caller's). Stops at the first file that cannot be opened for reading and writing or read, or
// that is too short for a tag block, with a BatchError naming it (none rewritten). `beforeFile`
// and `afterFile` are told each position.
Journal ReadTargets(std::span<const std::string> targets, PathSpace& paths,
                    const TagRewrite& changes, bool numberTracks, std::vector<ReadTarget>& found,
                    const std::function<void(std::size_t)>& beforeFile = {},
                    const std::function<void(std::size_t)>& afterFile = {});

// The run's second pass: rewrites the files in list order, giving the file at position i the
// track i + 1 when `journal.numberTracks`. Each file is opened by path again and must still be
// the file the first pass read, holding the bytes it read there (or those this run wrote for an
// earlier entry of the same file); otherwise, or when a write fails, the run stops there with a
// BatchError, the files after it untouched. `beforeFile` and `afterFile` are told each position.
void RewriteFiles(std::span<const std::string> files, const Journal& journal,
                  std::span<const ReadTarget> found,
                  const std::function<void(std::size_t)>& beforeFile = {},
                  const std::function<void(std::size_t)>& afterFile = {});

// Rewrites host files in the order given, without a journal (corvina-cli rewrite), giving the
// file at position i the track i + 1 when `numberTracks`. Stops at the first failure with a
// BatchError; the files after it are left untouched. UsageError, with nothing touched, when
// more files than kMaxTrack are to be numbered.
void RewriteEach(std::span<const std::string> files, const TagRewrite& changes,
                 bool numberTracks);

// A new jacket file name: 16 characters, each a digit or a capital letter (one or the other with
// equal chance, then evenly among them), and ".GBP"; drawn again while `taken` says the name is
// in use.
std::string MakeJacketName(std::uint64_t seed,
                           const std::function<bool(const std::string&)>& taken);

// The name the jacket file is written under before it is moved into place, in the same folder:
// hidden, and told by the jacket's name ("0123456789ABCDEF.GBP": ".corvina-0123456789ABCDEF.tmp").
std::string JacketTemporaryName(std::string_view jacketName);

// The record that lets a run be undone (rewrite/journal_writer.h).
class BatchJournal {
public:
    virtual ~BatchJournal() = default;
    // Once the request is known, before the files are read: only one batch or undo runs at a
    // time. RunLockHeld when another holds the lock, UndoFolderUnwritable when the undo folder
    // cannot be made or the lock cannot be written there, FileError when it cannot be taken.
    virtual void Lock() = 0;
    // The run's journal, whole on the disk before the IMAGE folder, the jacket file or any SAT
    // file is written; a throw ends the run with nothing written.
    virtual void Write(const Journal& journal) = 0;
    // Follows each file whose rewrite returned, with the number of files done so far; it must
    // not throw, as the rewrite it records has happened.
    virtual void FileDone(std::size_t done) noexcept = 0;
    // After the run's last write, before its last box: the final count, and the lock given back.
    virtual void Finish() noexcept = 0;
};

struct BatchOutcome {
    enum class Kind {
        EmptyList,
        NoPlayer,
        Cancelled,
        TooManyToNumber,
        Busy,  // another batch or undo holds the lock
        NoJournal,
        Failed,
        Done
    };
    Kind kind = Kind::Done;
    std::size_t rewritten = 0;  // files whose tag block was rewritten
    std::string jacketName;     // the name drawn, when the run got that far
};

// Everything the run talks to.
struct BatchRun {
    PathSpace& paths;
    Messages& messages;
    BatchProgress& progress;
    Clock& clock;
    // Asks for the changes; nothing when the user cancels. Called once the checks have passed.
    std::function<std::optional<RewriteRequest>()> askRequest;
    // Kept before anything is written, when given.
    BatchJournal* journal = nullptr;
};

// The run over `targets` on the player whose root folder is `playerRoot` (as shown): the checks
// (empty list, player present, at most 255 files to number), the request, the jacket name, the
// lock, then with the progress window shown the first pass, the journal, the IMAGE folder, the
// jacket file and the rewrites, and the summary once the window is closed. Every box it shows
// goes through run.messages. A failure before the first write (a file that cannot be read, the
// journal) ends the run with one error box and nothing written; a failure after it with one
// error box naming the file, the reason and how many files were rewritten before it. The
// progress window is closed before either box.
BatchOutcome RunBatch(std::span<const std::string> targets, std::string_view playerRoot,
                      BatchRun& run);

// The program's batch rewrite: reads the settings again (a drive changed in the settings dialog
// counts from this run on), then RunBatch on the drive of DeviceDrive, with a journal in the
// program's undo folder unless `run` brings its own.
BatchOutcome RunBatchRewrite(SharedState& state, std::span<const std::string> targets,
                             BatchRun& run);

}  // namespace corvina
