#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The target list of the batch rewrite: full Windows paths of SAT files, in the order they were
// sent. Nothing checks them when they are added; the batch run deals with what it finds.
namespace corvina {

// The entry of a name sent from the file list: the folder text and the name, joined by one
// backslash unless the folder text equals the drive root "<D>:\" of the drive box's letter
// (upper-cased), compared exactly.
std::string TargetEntry(char driveLetter, std::string_view folderText, std::string_view name);

// The entries of the names at the given positions of the file list, in ascending order.
std::vector<std::string> TargetEntries(char driveLetter, std::string_view folderText,
                                       std::span<const std::string> names,
                                       std::span<const int> positions);

class DriveMap;

// The entries of files dropped onto the target list (host paths, in the order dropped): their
// Windows paths through the drive map. Only SAT files (named *.SAT, in any case) can join the
// list, since a batch writes at fixed offsets of every file in it. When one dropped file is not
// a SAT file or lies outside every mapped drive, nothing of the drop counts: `refused` is the
// error box's text, naming that file by its Windows path (its host path when no drive holds it),
// and `entries` is empty.
struct DroppedFiles {
    std::vector<std::string> entries;
    std::string refused;
};
DroppedFiles DroppedEntries(const DriveMap& drives, std::span<const std::filesystem::path> files);

}  // namespace corvina
