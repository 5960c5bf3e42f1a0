#include "core/rewrite/target_list.h"

#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/drives.h"
#include "core/os/files.h"

namespace corvina {

std::string TargetEntry(char driveLetter, std::string_view folderText, std::string_view name) {
    if (driveLetter >= 'a' && driveLetter <= 'z') driveLetter = static_cast<char>(driveLetter - 32);
    const std::string root{driveLetter, ':', '\\'};
    std::string entry(folderText);
    if (folderText != root) entry += '\\';
    entry += name;
    return entry;
}

std::vector<std::string> TargetEntries(char driveLetter, std::string_view folderText,
                                       std::span<const std::string> names,
                                       std::span<const int> positions) {
    std::vector<std::string> entries;
    entries.reserve(positions.size());
    for (const int position : positions) {
        if (position < 0 || static_cast<std::size_t>(position) >= names.size()) continue;
        entries.push_back(TargetEntry(driveLetter, folderText, names[position]));
    }
    return entries;
}

DroppedFiles DroppedEntries(const DriveMap& drives, std::span<const std::filesystem::path> files) {
    DroppedFiles dropped;
    const DriveSnapshot snapshot = drives.Snapshot();
    for (const std::filesystem::path& file : files) {
        std::optional<std::string> entry = snapshot.ToWindowsPath(file);
        const char* problem = nullptr;
        if (!MatchesMask(Utf8FromPath(file.filename()), "*.SAT"))
            problem = " はSATファイルではないため、対象リストに追加できません。";
        else if (!entry)
            problem =
                " はどのドライブにも割り当てられていないフォルダにあるため、対象リストに追加できま"
                "せん。";
        if (problem != nullptr) {
            dropped.entries.clear();
            // Named as the lists would show it; a file outside every drive has only its host path.
            dropped.refused = ShownPath(entry ? *entry : Utf8FromPath(file)) + problem;
            return dropped;
        }
        dropped.entries.push_back(std::move(*entry));
    }
    return dropped;
}

}  // namespace corvina
