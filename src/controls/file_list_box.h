#pragma once

#include <QListWidget>
#include <string>
#include <string_view>
#include <vector>

namespace corvina {

class DriveMap;

// The folder text of an existing folder with each name spelt as it is stored on disk
// ("f:\music" gives "F:\MUSIC" when the folder is stored as MUSIC; "." and ".." are folded
// away). Throws FileError when the path does not name a folder.
std::string FolderTextOnDisk(const DriveMap& drives, std::string_view windowsFolder);

// The file list: the names (without folder) of the entries of one folder that match a mask,
// sorted ignoring case. Which entries count is set by the attribute filter; sub-folders show as
// "[name]". It reads its folder when the folder is set and again when asked to (Update).
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    enum Include : unsigned {
        kIncludeHidden = 0x1,   // hidden entries (dot names, the FAT hidden attribute)
        kIncludeSystem = 0x2,   // entries with the FAT system attribute
        kIncludeFolders = 0x4,  // sub-folders whose names match the mask
    };

    explicit FileListBox(QWidget* parent = nullptr);

    void SetDriveMap(const DriveMap* drives) { drives_ = drives; }
    void SetMask(std::string mask);  // e.g. "*.SAT"; read again when a folder is set
    const std::string& Mask() const noexcept { return mask_; }
    void SetInclude(unsigned include);
    void SetMultiSelect(bool multiSelect);

    // The folder text: "F:\" at a drive root, "F:\MUSIC" elsewhere; empty before the first
    // folder is set.
    const std::string& Directory() const noexcept { return directory_; }

    // Moves to a folder (Windows path) and reads it. Throws FileError, changing nothing, when the
    // folder does not exist or cannot be read.
    void SetDirectory(std::string_view windowsFolder);

    // Reads the folder again; no item stays selected.
    void Update();

    // The names in list order, folders in their brackets.
    int Count() const { return count(); }
    std::string Name(int index) const;
    bool IsSelected(int index) const;
    std::vector<std::string> Names() const;
    // Marks every name selected; a single-selection list is left as it is.
    void SelectAll();

private:
    void Fill(const std::vector<std::string>& names);
    std::vector<std::string> ReadNames(std::string_view folderText) const;

    const DriveMap* drives_ = nullptr;
    std::string mask_ = "*.*";
    unsigned include_ = 0;
    std::string directory_;
};

}  // namespace corvina
