#include "core/os/folder_lists.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/base/path_text.h"
#include "core/os/files.h"

namespace corvina {

ListedFolder FindListedFolder(const DriveSnapshot& drives, std::string_view windowsFolder) {
    const std::string text = FolderText(windowsFolder);
    // "." and ".." are folded away: the folder texts of the lists never hold them.
    std::vector<std::string> names;
    for (std::size_t start = 3; start < text.size();) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (name != ".") {
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    std::string folder = text.substr(0, 3);
    for (std::size_t i = 0; i < names.size(); ++i) folder += (i > 0 ? "\\" : "") + names[i];
    const auto host = drives.Resolve(folder);
    if (!host || !FolderExists(*host)) {
        throw MakeFileError("フォルダを変更できません", folder, ENOENT);
    }
    // The resolved host path ends in the stored spellings of the folder's names.
    std::vector<std::string> stored;
    for (const auto& part : *host) stored.push_back(Utf8FromPath(part));
    while (!stored.empty() && stored.back().empty()) stored.pop_back();
    if (stored.size() < names.size()) return {folder, *host};
    std::string result = text.substr(0, 3);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) result += '\\';
        result += stored[stored.size() - names.size() + i];
    }
    return {result, *host};
}

std::string FolderTextOnDisk(const DriveSnapshot& drives, std::string_view windowsFolder) {
    return FindListedFolder(drives, windowsFolder).text;
}

std::vector<std::string> FileListNames(const std::filesystem::path& hostFolder,
                                       std::string_view mask, unsigned include) {
    std::vector<std::string> names;
    for (const DirEntry& entry : ListFolder(hostFolder, mask)) {
        if ((entry.attributes & kAttrHidden) && !(include & kListHidden)) continue;
        if ((entry.attributes & kAttrSystem) && !(include & kListSystem)) continue;
        if (entry.IsFolder()) {
            if (include & kListFolders) names.push_back("[" + entry.name + "]");
            continue;
        }
        names.push_back(entry.name);
    }
    // The brackets move a folder among the names; sorted again as ListFolder sorts.
    std::sort(names.begin(), names.end(), NameOrder);
    return names;
}

std::vector<std::string> SubFolderNames(const std::filesystem::path& hostFolder) {
    std::vector<std::string> names;
    try {
        for (const DirEntry& entry : ListFolder(hostFolder, "*")) {
            if (entry.IsFolder() && !(entry.attributes & kAttrHidden)) names.push_back(entry.name);
        }
    } catch (const FileError&) {
        // An unreadable folder shows no sub-folders.
    }
    return names;
}

std::string DriveEntryText(const DriveSnapshot& drives, const Drive& drive) {
    // From the link's target on, so that a link leading nowhere still shows its folder's name.
    std::error_code error;
    std::filesystem::path target =
        std::filesystem::weakly_canonical(drives.HostFolder(drive), error);
    if (error) target = drives.HostFolder(drive);
    std::string name = Utf8FromPath(target.filename());
    if (name.empty()) name = Utf8FromPath(target);
    return std::string(1, drive.letter) + ": [" + name + "]";
}

}  // namespace corvina
