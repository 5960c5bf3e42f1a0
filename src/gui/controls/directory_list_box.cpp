#include "gui/controls/directory_list_box.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <stdexcept>

#include "core/base/case_fold.h"
#include "core/os/drives.h"
#include "core/os/folder_lists.h"
#include "gui/controls/control_icons.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"

namespace corvina {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 10;

class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + kIndentPixels * index.data(kDepthRole).toInt());
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

}  // namespace

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { RunHandler(this, [this, item] { Open(item); }); });
}

char DirectoryListBox::Drive() const noexcept {
    if (directory_.empty()) return '\0';
    return AsciiToLower(directory_.front());
}

void DirectoryListBox::SetDirectory(std::string_view windowsFolder) {
    if (drives_ == nullptr) throw std::logic_error("DirectoryListBox without a drive map");
    // One drive list for the whole move.
    const ListedFolder folder = FindListedFolder(drives_->Snapshot(), windowsFolder);
    // The file list reads first: when it cannot, nothing has moved yet.
    if (fileList_ != nullptr) fileList_->SetDirectory(folder);
    directory_ = folder.text;
    Fill(folder.host);
    emit Changed();
}

void DirectoryListBox::SetDrive(char letter) { SetDirectory(std::string(1, letter) + ":\\"); }

void DirectoryListBox::Fill(const std::filesystem::path& hostFolder) {
    clear();
    const QIcon& open = IconOf(ControlIcon::FolderOpen);
    const QIcon& closed = IconOf(ControlIcon::FolderClosed);
    const QIcon& driveIcon = IconOf(ControlIcon::Drive);

    // "F:\MUSIC\JPOP" gives the chain "F:\", "F:\MUSIC", "F:\MUSIC\JPOP".
    const std::string root = directory_.substr(0, 3);
    auto* rootItem = new QListWidgetItem(driveIcon, QString::fromStdString(root), this);
    rootItem->setData(kPathRole, QString::fromStdString(root));
    rootItem->setData(kDepthRole, 0);
    QListWidgetItem* current = rootItem;
    int depth = 0;
    std::size_t start = 3;
    while (start < directory_.size()) {
        std::size_t end = directory_.find('\\', start);
        if (end == std::string::npos) end = directory_.size();
        ++depth;
        current = new QListWidgetItem(
            open, QString::fromStdString(directory_.substr(start, end - start)), this);
        current->setData(kPathRole, QString::fromStdString(directory_.substr(0, end)));
        current->setData(kDepthRole, depth);
        start = end + 1;
    }
    for (const std::string& name : SubFolderNames(hostFolder)) {
        auto* sub = new QListWidgetItem(closed, QString::fromStdString(name), this);
        sub->setData(kPathRole, QString::fromStdString(JoinPath(directory_, name)));
        sub->setData(kDepthRole, depth + 1);
    }
    setCurrentItem(current);
}

void DirectoryListBox::Open(QListWidgetItem* item) {
    if (item == nullptr) return;
    SetDirectory(item->data(kPathRole).toString().toStdString());
}

}  // namespace corvina
