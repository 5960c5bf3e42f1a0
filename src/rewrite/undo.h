#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Undo of a batch run from its journal (rewrite/journal.h): the newest journal not yet undone
// gives each file the run rewrote its old tag bytes back, in the rewrite's ranges only and only
// where those ranges still hold what the run wrote, and the jacket file the run made is removed.
namespace corvina {

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
    std::string journal;    // the journal's file name
    std::size_t files = 0;  // files of the run
    std::size_t done = 0;   // files the run had rewritten when it ended, by its journal
    std::size_t restored = 0;
    std::vector<UndoProblem> leftAlone;  // files left as they are, in list order
    enum class Jacket { None, Removed, Missing, Kept };
    Jacket jacket = Jacket::None;
    std::string jacketFile;  // as the journal names it
    std::string jacketReason;
};

// Undoes the newest journal not yet undone in the undo folder and marks it undone; with `dryRun`
// only finds out what it would do and writes nothing. A journal that cannot be read or is damaged
// throws (FileError, FormatError) before any file is touched.
UndoReport UndoLastBatch(const DriveMap& drives, bool dryRun);

// What undo did, line by line: the summary first, then each file left alone with its reason.
std::vector<std::string> UndoSummaryLines(const UndoReport& report);
// The lines of the files left alone and of a jacket file kept (part of UndoSummaryLines).
std::vector<std::string> UndoProblemLines(const UndoReport& report);

// The menu's undo: UndoLastBatch and one box, plain with what it did, or an error box naming the
// journal and the reason when undo could not start.
void RunUndo(const DriveMap& drives, Messages& messages);

}  // namespace corvina
