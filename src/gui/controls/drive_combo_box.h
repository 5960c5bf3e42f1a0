#pragma once

#include <QComboBox>

namespace corvina {

class DirectoryListBox;
class DriveMap;

// The drive box: one entry per mapped drive, "f: [player]" (lower-case letter, then the name of
// the host folder it maps to). It holds a drive letter of its own, kept in lower case, which
// may be one that no entry shows (then no entry is chosen) or none at all ('\0'). Choosing a
// drive, by the user or through SetDrive, moves a linked folder tree to that drive's root.
class DriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr);

    // Lists the drives of the map (again).
    void SetDriveMap(const DriveMap* drives);
    void SetDirList(DirectoryListBox* dirList) { dirList_ = dirList; }

    char Drive() const noexcept { return drive_; }

    // Holds `letter` (either case; '\0' for none). When it differs from the drive held, a linked
    // folder tree that is on another drive moves to the new drive's root; when that fails the
    // error propagates and the box keeps its old drive.
    void SetDrive(char letter);

signals:
    void DriveChanged(char letter);

private:
    void ShowDrive();
    void UserChose(int index);

    const DriveMap* drives_ = nullptr;
    DirectoryListBox* dirList_ = nullptr;
    char drive_ = '\0';
};

}  // namespace corvina
