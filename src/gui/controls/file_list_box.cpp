#include "gui/controls/file_list_box.h"

#include <stdexcept>

#include "core/os/drives.h"

namespace corvina {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void FileListBox::SetMask(std::string mask) { mask_ = std::move(mask); }

void FileListBox::SetInclude(unsigned include) { include_ = include; }

void FileListBox::SetMultiSelect(bool multiSelect) {
    setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
}

void FileListBox::Fill(const std::vector<std::string>& names) {
    clear();
    for (const std::string& name : names) addItem(QString::fromStdString(name));
}

void FileListBox::SetDirectory(std::string_view windowsFolder) {
    if (drives_ == nullptr) throw std::logic_error("FileListBox without a drive map");
    SetDirectory(FindListedFolder(drives_->Snapshot(), windowsFolder));
}

void FileListBox::SetDirectory(const ListedFolder& folder) {
    const std::vector<std::string> names = FileListNames(folder.host, mask_, include_);
    directory_ = folder.text;
    Fill(names);
}

void FileListBox::Update() {
    if (directory_.empty()) return;
    if (drives_ == nullptr) throw std::logic_error("FileListBox without a drive map");
    Fill(FileListNames(FindListedFolder(drives_->Snapshot(), directory_).host, mask_, include_));
}

std::string FileListBox::Name(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->text().toStdString() : std::string();
}

bool FileListBox::IsSelected(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr && entry->isSelected();
}

std::vector<std::string> FileListBox::Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < count(); ++i) names.push_back(Name(i));
    return names;
}

void FileListBox::SelectAll() {
    if (selectionMode() != QAbstractItemView::SingleSelection) selectAll();
}

}  // namespace corvina
