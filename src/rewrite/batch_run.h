#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formats/sat_tags.h"
#include "platform/files.h"
#include "platform/picture.h"

// The batch rewrite: one set of tag texts, track numbers in list order and one new jacket picture
// for every file of a target list. The desktop program and corvina-cli run the same code; they
// differ only in how paths are shown and opened, how the choices are asked for, and how messages
// and progress are shown.
namespace corvina {

class Clock;
class DriveMap;
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

// One file of the list failed: which one (as the list shows it), and how many of the list's
// files were rewritten before it. what() is the whole message of the error box.
class BatchError : public std::runtime_error {
public:
    BatchError(const std::string& message, std::string file, std::size_t done, std::size_t total)
        : std::runtime_error(message), file_(std::move(file)), done_(done), total_(total) {}
    const std::string& file() const noexcept { return file_; }
    std::size_t done() const noexcept { return done_; }
    std::size_t total() const noexcept { return total_; }

private:
    std::string file_;
    std::size_t done_;
    std::size_t total_;
};

// Where the run's files are: the texts it shows (Windows paths in the program, host paths in the
// command-line tool) and the host paths behind them.
class PathSpace {
public:
    virtual ~PathSpace() = default;
    virtual std::string Join(std::string_view folder, std::string_view name) const = 0;
    // Throws when the text cannot name a host file (an unmapped drive).
    virtual std::filesystem::path Host(std::string_view shown) const = 0;
};

// Windows paths through the drive map, as the program shows them.
class WindowsPathSpace : public PathSpace {
public:
    explicit WindowsPathSpace(const DriveMap& drives) : drives_(drives) {}
    std::string Join(std::string_view folder, std::string_view name) const override;
    std::filesystem::path Host(std::string_view shown) const override;

private:
    const DriveMap& drives_;
};

// Host paths as they are, as corvina-cli takes them.
class HostPathSpace : public PathSpace {
public:
    std::string Join(std::string_view folder, std::string_view name) const override;
    std::filesystem::path Host(std::string_view shown) const override;
};

// The progress window: shown after the jacket is saved, told each file before it is rewritten and
// the bar's position after, closed after the last file. A failure leaves it as it is.
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

// The text of the summary box.
std::string BatchSummary(std::size_t files, std::string_view jacketName);

// The target files of a run, opened once for reading and writing before anything is written: the
// journal reads a file's old bytes through the descriptor that its rewrite then writes through, so
// the rewrite changes the very file whose bytes were kept, and each file is opened once instead of
// twice. At most `limit` files stay open, up to the first that cannot be opened for reading and
// writing; the others are opened by path for the journal and again for the rewrite, as before.
//
// A file moved over its path after the journal read it is never written. When the journaled file
// was kept open, the rewrite goes to it (wherever it now is) and the new file stays as it is, so
// that undo later names that path as changed since; when it was not, the rewrite of that
// position fails naming the path, and neither file is written.
class TargetFiles {
public:
    TargetFiles() = default;  // keeps none open
    TargetFiles(std::span<const std::string> targets, const PathSpace& paths, std::size_t limit);

    // The descriptors a run may keep: as many as it has files, within the process's limit of
    // open files (raised for it when it can be) less room for the rest of the program.
    static std::size_t LimitFor(std::size_t files) noexcept;

    // The file kept open at position i, or nullptr.
    const File* Kept(std::size_t i) const noexcept;
    // The journal read the file with this id at position i.
    void Journaled(std::size_t i, const File::Id& id);
    // The file to rewrite at position i, shown as `shown`: the kept one, or the one opened at its
    // host path now when it is still the file the journal read (FileError otherwise).
    File ForRewrite(std::size_t i, const PathSpace& paths, std::string_view shown);
    std::size_t KeptCount() const noexcept { return keptCount_; }

private:
    std::vector<std::optional<File>> kept_;
    std::vector<std::optional<File::Id>> journaled_;
    std::size_t keptCount_ = 0;
};

// Rewrites the files in list order with the same changes, giving the file at position i the
// track i + 1 when `numberTracks`. Stops at the first failure with a BatchError; the files
// after it are left untouched. `beforeFile` and `afterFile` are told each position.
// Numbering more than 255 files is refused before anything is written (std::invalid_argument).
// With `opened`, each file is taken from it (TargetFiles::ForRewrite).
void RewriteFiles(std::span<const std::string> files, const PathSpace& paths,
                  const TagRewrite& changes, bool numberTracks,
                  const std::function<void(std::size_t)>& beforeFile = {},
                  const std::function<void(std::size_t)>& afterFile = {},
                  TargetFiles* opened = nullptr);

// A new jacket file name: 16 characters, each a digit or a capital letter (one or the other with
// equal chance, then evenly among them), and ".GBP"; drawn again while `taken` says the name is
// in use.
std::string MakeJacketName(std::uint64_t seed,
                           const std::function<bool(const std::string&)>& taken);

// The record that lets a run be undone (rewrite/journal.h). Begin is told the run's files and
// changes once the request is known and the jacket name drawn, before the IMAGE folder, the
// jacket file or any SAT file is written; a throw from it ends the run with nothing written. It
// reads the files through `opened` and tells it the id of each file it read.
// FileDone follows each file whose rewrite returned, with the number of files done so far; it
// must not throw, as the rewrite it records has happened.
class BatchJournal {
public:
    virtual ~BatchJournal() = default;
    virtual void Begin(std::span<const std::string> targets, const PathSpace& paths,
                       const TagRewrite& changes, bool numberTracks, std::string_view jacketFile,
                       TargetFiles& opened) = 0;
    virtual void FileDone(std::size_t done) noexcept = 0;
};

struct BatchOutcome {
    enum class Kind { EmptyList, NoPlayer, Cancelled, TooManyToNumber, NoJournal, Failed, Done };
    Kind kind = Kind::Done;
    std::size_t rewritten = 0;  // files whose tag block was rewritten
    std::string jacketName;     // the name drawn, when the run got that far
};

// Everything the run talks to.
struct BatchRun {
    const PathSpace& paths;
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
// IMAGE folder, the jacket file, the rewrites with their progress, and the summary. Every box it
// shows goes through run.messages; a failure after the request ends the run with one error box
// naming the file, the reason and how many files were rewritten before it.
BatchOutcome RunBatch(std::span<const std::string> targets, std::string_view playerRoot,
                      BatchRun& run);

// The program's batch rewrite: reads the settings again (a drive changed in the settings dialog
// counts from this run on), then RunBatch on the drive of DeviceDrive, with a journal in the
// program's undo folder unless `run` brings its own.
BatchOutcome RunBatchRewrite(SharedState& state, std::span<const std::string> targets,
                             BatchRun& run);

}  // namespace corvina
