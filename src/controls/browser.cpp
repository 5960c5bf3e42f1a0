#include "controls/browser.h"

#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/file_list_box.h"
#include "controls/handler.h"

namespace corvina {

void LinkBrowser(QWidget* page, const DriveMap& drives, DriveComboBox* drive,
                 DirectoryListBox* tree, FileListBox* files, const std::string& startFolder) {
    files->SetDriveMap(&drives);
    tree->SetDriveMap(&drives);
    tree->SetFileList(files);
    drive->SetDriveMap(&drives);
    drive->SetDirList(tree);
    RunHandler(page, [&] {
        tree->SetDirectory(startFolder);
        drive->SetDrive(tree->Drive());
    });
}

}  // namespace corvina
