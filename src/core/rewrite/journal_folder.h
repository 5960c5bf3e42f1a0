#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/rewrite/journal_format.h"

// The undo folder: the journals of the last batch runs, each named by its run's number
// ("00000012.undo"), numbered one more than the highest there, compared as numbers; names grow past
// eight digits rather than wrap. A journal is put in place whole or not at all, and one found
// damaged is set aside under a name that is no longer read as a journal.
namespace corvina {

class DriveMap;

// Where the journals lie: this folder of the program's folder, shared by the program and
// corvina-cli.
inline constexpr std::string_view kUndoFolderName = "Undo";
// Journals beyond this many, counted from the newest, are removed when a run writes a new one.
inline constexpr std::size_t kJournalsKept = 10;
// What a damaged journal's name gets when it is set aside.
inline constexpr std::string_view kSetAsideExtension = ".damaged";

// The undo folder as a Windows path: "C:\Corvina\Undo" on Linux, "<the executable's folder>\Undo"
// on Windows.
std::string UndoFolderPath(const DriveMap& drives);

// The journal files of the folder, newest first.
std::vector<std::filesystem::path> ListJournals(const std::filesystem::path& folder);

// The path of the next run's journal.
std::filesystem::path NextJournalPath(const std::filesystem::path& folder);

// Puts a new journal in place as `path`: its bytes are written under a hidden temporary name,
// synced, read back through ReadJournal and compared with `journal`, then renamed to `path`, and
// the folder is synced. Throws (removing the temporary file) when any step fails.
void PlaceJournal(const std::filesystem::path& path, const Journal& journal,
                  std::span<const std::uint8_t> bytes);

// Removes the journals beyond the newest kJournalsKept and the temporary files of journals that
// a run killed while writing them left. Files that cannot be removed stay for the next run. Only
// a holder of the run lock may call it.
void PruneJournals(const std::filesystem::path& folder);

// The journal file at `path`; FileError when it cannot be read, FormatError (naming the file)
// when it is damaged.
Journal ReadJournal(const std::filesystem::path& path);

// Only the state of the header: true when undone. FormatError when the header is damaged.
bool JournalUndone(const std::filesystem::path& path);

// Marks the journal undone, in place, and syncs it.
void MarkJournalUndone(const std::filesystem::path& path);

// Renames a damaged journal so that it is no longer read as one; returns the new path.
std::filesystem::path SetJournalAside(const std::filesystem::path& path);

}  // namespace corvina
