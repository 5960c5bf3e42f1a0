#include "gui/controls/browser.h"

#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"

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
