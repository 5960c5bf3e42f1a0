#include "gui/controls/drive_combo_box.h"

#include <system_error>

#include "core/base/case_fold.h"
#include "core/os/drives.h"
#include "core/os/folder_lists.h"
#include "gui/controls/control_icons.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/handler.h"

namespace corvina {

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this,
            [this](int index) { RunHandler(this, [this, index] { UserChose(index); }); });
}

void DriveComboBox::SetDriveMap(const DriveMap* drives) {
    drives_ = drives;
    clear();
    if (drives_ != nullptr) {
        const QIcon& icon = IconOf(ControlIcon::Drive);
        const DriveSnapshot snapshot = drives_->Snapshot();
        for (const corvina::Drive& drive : snapshot.Drives()) {
            addItem(icon, QString::fromStdString(DriveEntryText(snapshot, drive)),
                    QChar(QLatin1Char(drive.letter)));
        }
    }
    ShowDrive();
}

void DriveComboBox::ShowDrive() {
    setCurrentIndex(drive_ == '\0' ? -1 : findData(QChar(QLatin1Char(drive_))));
}

void DriveComboBox::SetDrive(char letter) {
    letter = AsciiToLower(letter);
    if (letter == drive_) return;
    // A tree already on that drive stays in its folder.
    if (dirList_ != nullptr && letter != '\0' && dirList_->Drive() != letter) {
        dirList_->SetDrive(letter);
    }
    drive_ = letter;
    ShowDrive();
    emit DriveChanged(drive_);
}

void DriveComboBox::UserChose(int index) {
    const QVariant data = itemData(index);
    if (!data.isValid()) return;
    const char letter = static_cast<char>(data.toChar().toLatin1());
    try {
        SetDrive(letter);
    } catch (...) {
        ShowDrive();  // the box goes back to the drive it holds
        throw;
    }
}

}  // namespace corvina
