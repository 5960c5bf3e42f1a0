#pragma once

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

}  // namespace corvina
