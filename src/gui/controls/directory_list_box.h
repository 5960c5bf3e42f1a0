#pragma once

#include <QListWidget>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvina {

class DriveMap;
class FileListBox;

// The folder tree of one drive, drawn as the classic folder list: the drive root, each folder on
// the way down to the current folder, then the current folder's sub-folders (hidden ones left
// out), indented by depth. Double-click or Enter on an entry makes it the current folder. A linked
// file list follows the current folder before Changed is signalled.
class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    void SetDriveMap(const DriveMap* drives) { drives_ = drives; }
    void SetFileList(FileListBox* fileList) { fileList_ = fileList; }
    FileListBox* FileList() const noexcept { return fileList_; }

    // The current folder as a folder text ("F:\", "F:\MUSIC"); empty before the first move.
    const std::string& Directory() const noexcept { return directory_; }
    // The current drive, lower case; '\0' before the first move.
    char Drive() const noexcept;

    // Moves to a folder (Windows path): the list, then the linked file list, then Changed.
    // Throws FileError, changing nothing, when the folder does not exist or cannot be read.
    void SetDirectory(std::string_view windowsFolder);
    // Moves to the drive's current folder, its root.
    void SetDrive(char letter);

signals:
    void Changed();

private:
    void Fill(const std::filesystem::path& hostFolder);
    void Open(QListWidgetItem* item);

    const DriveMap* drives_ = nullptr;
    FileListBox* fileList_ = nullptr;
    std::string directory_;
};

}  // namespace corvina
