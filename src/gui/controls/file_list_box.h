#pragma once

#include <QListWidget>
#include <string>
#include <string_view>
#include <vector>

#include "core/os/folder_lists.h"

namespace corvina {

class DriveMap;

// The file list: shows the names FileListNames gives for one folder and mask (sub-folders as
// "[name]" when included). It reads its folder when the folder is set and again when asked to
// (Update).
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    enum Include : unsigned {
        kIncludeHidden = kListHidden,
        kIncludeSystem = kListSystem,
        kIncludeFolders = kListFolders,
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
    // Moves to a folder found already (by a folder tree moving with it) and reads it.
    void SetDirectory(const ListedFolder& folder);

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

    const DriveMap* drives_ = nullptr;
    std::string mask_ = "*.*";
    unsigned include_ = 0;
    std::string directory_;
};

}  // namespace corvina
