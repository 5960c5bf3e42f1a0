#pragma once

#include <string>

class QWidget;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class DriveMap;
class FileListBox;

// Links a page's drive box, folder tree and file list over the drive map, and shows
// `startFolder` (a Windows folder) in them; a failure to show it goes to the default error box
// over `page`.
void LinkBrowser(QWidget* page, const DriveMap& drives, DriveComboBox* drive,
                 DirectoryListBox* tree, FileListBox* files, const std::string& startFolder);

}  // namespace corvina
