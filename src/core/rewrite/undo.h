#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Undo of a batch run from its journal (rewrite/journal.h): the newest journal not yet undone
// gives each file the run rewrote its old tag bytes back, in the rewrite's ranges only and only
// where those ranges still hold what the run wrote, and the jacket file the run made is removed.
namespace corvina {

class BatchProgress;
class DriveMap;
class Messages;

inline constexpr std::string_view kNothingToUndoMessage = "元に戻せる一括書き換えはありません。";

struct UndoProblem {
    std::string file;  // as the journal names it
    std::string reason;
};

struct UndoReport {
    bool found = false;  // false: no journal left to undo
    bool dryRun = false;
    std::string journal;        // the journal's file name
    std::size_t files = 0;      // files of the run
    bool stoppedEarly = false;  // the run ended before its last file
    // A root folder of the run's files that is not there (the player unplugged): nothing was
    // written and the journal stays to be undone once it is back.
    std::string missingRoot;
    std::size_t restored = 0;                  // files given their old bytes back, each once
    std::vector<UndoProblem> leftAlone;        // files left as they are, in list order
    std::vector<UndoProblem> damagedJournals;  // newer journals set aside as damaged
    enum class Jacket { None, Removed, Missing, Kept };
    Jacket jacket = Jacket::None;
    std::string jacketFile;  // as the journal names it
    std::string jacketReason;
    bool leftoverRemoved = false;  // the temporary file of a jacket the run was writing
};

// How far undo is. It goes through the journal's files twice: first it finds each file and
// tells files listed twice apart (Checking), then it restores each file once (Restoring).
struct UndoStep {
    enum class Pass { Checking, Restoring };
    Pass pass;
    std::size_t done;       // files of this pass done so far
    std::size_t total;      // files of this pass
    std::string_view file;  // the file about to be looked at, as the journal names it
};

// The progress window's text for a step: "<file> を確かめています。" or "<file>
// を元に戻しています。".
std::string UndoProgressText(const UndoStep& step);

// The bar's position at a step: the first pass fills its first half, the second its second half.
int UndoProgressPercent(const UndoStep& step) noexcept;

// Undoes the newest journal not yet undone in the undo folder and marks it undone; with `dryRun`
// only finds out what it would do and writes nothing. Holds the run lock throughout, in the name
// of `program` (RunLockHeld when another batch or undo holds it). A damaged journal is set aside
// (with `dryRun` only named) and the one before it is taken. A journal that cannot be read
// throws (FileError) before any file is touched.
// `progress`, when given, is told before each file of each pass.
UndoReport UndoLastBatch(const DriveMap& drives, bool dryRun, std::string_view program,
                         const std::function<void(const UndoStep&)>& progress = {});

// What undo did, line by line: the summary first, then each file left alone with its reason.
std::vector<std::string> UndoSummaryLines(const UndoReport& report);
// The lines of the files left alone and of a jacket file kept (part of UndoSummaryLines).
std::vector<std::string> UndoProblemLines(const UndoReport& report);

// The menu's undo: UndoLastBatch and one box, plain with what it did, or an error box naming the
// reason when undo could not start or a drive of the run is missing. The progress window shows
// once undo reaches the journal's first file, and is closed before the box.
void RunUndo(const DriveMap& drives, Messages& messages, BatchProgress& progress);

}  // namespace corvina
