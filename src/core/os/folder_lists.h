#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/os/drives.h"

// What the drive box, the folder tree and the file lists show. The rules live here; the controls
// only show the texts these functions give.
namespace corvina {

// Which entries a file list shows besides the plain files that match its mask.
enum ListInclude : unsigned {
    kListHidden = 0x1,   // hidden entries (dot names, the FAT hidden attribute)
    kListSystem = 0x2,   // entries with the FAT system attribute
    kListFolders = 0x4,  // sub-folders whose names match the mask, shown as "[name]"
};

// A folder as the lists show it: its folder text ("F:\", "F:\MUSIC") with each name spelt as it
// is stored on disk, and the host folder it stands for.
struct ListedFolder {
    std::string text;
    std::filesystem::path host;
};

// The existing folder a Windows path names, through one drive list ("f:\music" gives
// "F:\MUSIC" when the folder is stored as MUSIC; "." and ".." are folded away). Throws
// FileError when the path does not name a folder.
ListedFolder FindListedFolder(const DriveSnapshot& drives, std::string_view windowsFolder);

// The folder text of FindListedFolder.
std::string FolderTextOnDisk(const DriveSnapshot& drives, std::string_view windowsFolder);

// The names a file list shows for a host folder: the entries matching `mask`, without hidden
// and system entries unless `include` asks for them, sub-folders as "[name]" when it asks for
// them, in the order of ListFolder (ignoring case, then by bytes). Throws FileError when the
// folder cannot be read.
std::vector<std::string> FileListNames(const std::filesystem::path& hostFolder,
                                       std::string_view mask, unsigned include);

// The sub-folders a folder tree shows below a host folder: every folder but the hidden ones, in
// the order of ListFolder. Empty when the folder cannot be read.
std::vector<std::string> SubFolderNames(const std::filesystem::path& hostFolder);

// The drive box's entry for a drive: "f: [player]", the lower-case letter and the name of the
// host folder the drive leads to (links followed where they lead somewhere).
std::string DriveEntryText(const DriveSnapshot& drives, const Drive& drive);

}  // namespace corvina
