#include "controls/file_list_box.h"

#include <algorithm>
#include <cerrno>

#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace corvina {

namespace {

// The list control's order: texts compared ignoring the case of ASCII letters, then exactly.
bool ListOrder(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    const auto less = [&](char x, char y) {
        return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less)) return false;
    return a < b;
}

}  // namespace

std::string FolderTextOnDisk(const DriveMap& drives, std::string_view windowsFolder) {
    const std::string text = FolderText(windowsFolder);
    // "." and ".." are folded away: the folder texts of the controls never hold them.
    std::vector<std::string> names;
    for (std::size_t start = 3; start < text.size();) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        std::string name = text.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (name != ".") {
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    std::string folder = text.substr(0, 3);
    for (std::size_t i = 0; i < names.size(); ++i) folder += (i > 0 ? "\\" : "") + names[i];
    const auto host = drives.Resolve(folder);
    if (!host || !FolderExists(*host)) {
        throw MakeFileError("フォルダを変更できません", folder, ENOENT);
    }
    // The resolved host path ends in the stored spellings of the folder's names.
    std::vector<std::string> stored;
    for (const auto& part : *host) stored.push_back(part.string());
    while (!stored.empty() && stored.back().empty()) stored.pop_back();
    if (stored.size() < names.size()) return folder;
    std::string result = text.substr(0, 3);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) result += '\\';
        result += stored[stored.size() - names.size() + i];
    }
    return result;
}

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

std::vector<std::string> FileListBox::ReadNames(std::string_view folderText) const {
    if (drives_ == nullptr) throw std::logic_error("FileListBox without a drive map");
    const auto host = drives_->Resolve(folderText);
    if (!host || !FolderExists(*host)) {
        throw MakeFileError("フォルダを変更できません", std::string(folderText), ENOENT);
    }
    std::vector<std::string> names;
    for (const DirEntry& entry : ListFolder(*host, mask_)) {
        if ((entry.attributes & kAttrHidden) && !(include_ & kIncludeHidden)) continue;
        if ((entry.attributes & kAttrSystem) && !(include_ & kIncludeSystem)) continue;
        if (entry.IsFolder()) {
            if (include_ & kIncludeFolders) names.push_back("[" + entry.name + "]");
            continue;
        }
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), ListOrder);
    return names;
}

void FileListBox::Fill(const std::vector<std::string>& names) {
    clear();
    for (const std::string& name : names) addItem(QString::fromStdString(name));
}

void FileListBox::SetDirectory(std::string_view windowsFolder) {
    if (drives_ == nullptr) throw std::logic_error("FileListBox without a drive map");
    const std::string folderText = FolderTextOnDisk(*drives_, windowsFolder);
    const std::vector<std::string> names = ReadNames(folderText);
    directory_ = folderText;
    Fill(names);
}

void FileListBox::Update() {
    if (directory_.empty()) return;
    Fill(ReadNames(directory_));
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
