#include "gui/rewrite/rewrite_page.h"

#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include "core/base/path_text.h"
#include "core/os/clock.h"
#include "core/rewrite/batch_run.h"
#include "core/rewrite/target_list.h"
#include "core/session/shared_state.h"
#include "core/session/startup.h"
#include "gui/controls/anchors.h"
#include "gui/controls/browser.h"
#include "gui/controls/busy_window.h"
#include "gui/controls/designer.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/item_height.h"
#include "gui/controls/message_boxes.h"
#include "gui/rewrite/progress_window.h"
#include "gui/rewrite/rewrite_settings_window.h"

namespace corvina {

namespace {

constexpr QSize kPageSize(665, 582);  // a page of the main window at design size

}  // namespace

RewritePage::RewritePage(SharedState& state, QStatusBar* statusBar, QWidget* parent)
    : QWidget(parent), state_(state), statusBar_(statusBar) {
    setObjectName(QStringLiteral("TabSheet1"));
    AnchorLayout* page = Anchors(this, kPageSize);

    Panel2 = MakePanel(this, "Panel2", QRect(0, 0, 664, 241));
    page->Add(Panel2, kAnchorLeft | kAnchorTop | kAnchorRight);
    AnchorLayout* panel = Anchors(Panel2, QSize(664, 241));
    DirectoryListBox1 =
        MakeControl<DirectoryListBox>(Panel2, "DirectoryListBox1", QRect(8, 8, 201, 201));
    panel->Add(DirectoryListBox1, kAnchorLeftTop);
    FileListBox1 = MakeControl<FileListBox>(Panel2, "FileListBox1", QRect(216, 8, 440, 225));
    FileListBox1->SetMask("*.SAT");
    FileListBox1->SetInclude(FileListBox::kIncludeHidden | FileListBox::kIncludeSystem |
                             FileListBox::kIncludeFolders);
    // Several names can be selected, so that "select all" and "send selected" act on many.
    FileListBox1->SetMultiSelect(true);
    panel->Add(FileListBox1, kAnchorLeft | kAnchorTop | kAnchorRight);
    DriveComboBox1 = MakeControl<DriveComboBox>(Panel2, "DriveComboBox1", QRect(8, 215, 201, 18));
    panel->Add(DriveComboBox1, kAnchorLeftTop);

    Panel3 = MakePanel(this, "Panel3", QRect(0, 248, 524, 329));
    page->Add(Panel3, kAnchorAll);
    ListBox1 = MakeControl<QListWidget>(this, "ListBox1", QRect(8, 256, 508, 311));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->installEventFilter(this);
    ListBox1->setAcceptDrops(true);
    ListBox1->viewport()->setAcceptDrops(true);
    ListBox1->viewport()->installEventFilter(this);
    SetItemHeight(ListBox1, 12);
    SetItemHeight(DirectoryListBox1, 16);
    SetItemHeight(FileListBox1, 12);
    page->Add(ListBox1, kAnchorAll);
    Bevel2 = MakeBevel(this, "Bevel2", QRect(531, 248, 129, 265));
    page->Add(Bevel2, kAnchorTop | kAnchorRight);

    SpeedButton1 = MakeControl<QToolButton>(this, "SpeedButton1", QRect(536, 272, 89, 41));
    SpeedButton1->setText(QStringLiteral("  Send"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    BitBtn1 = MakeControl<QPushButton>(this, "BitBtn1", QRect(536, 328, 105, 41));
    BitBtn1->setText(QStringLiteral("  All Send"));
    BitBtn2 = MakeControl<QPushButton>(this, "BitBtn2", QRect(540, 392, 105, 41));
    BitBtn2->setText(QStringLiteral("All Erase"));
    BitBtn3 = MakeControl<QPushButton>(this, "BitBtn3", QRect(540, 456, 109, 41));
    BitBtn3->setText(QStringLiteral("Batch"));
    for (QWidget* button : {static_cast<QWidget*>(SpeedButton1), static_cast<QWidget*>(BitBtn1),
                            static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(BitBtn3)}) {
        page->Add(button, kAnchorTop | kAnchorRight);
    }

    PopupMenu3 = MakePopupMenu(FileListBox1, "PopupMenu3");
    MenuItem1 = MakeAction(PopupMenu3, "MenuItem1", QStringLiteral("選択中のアイテムを送る(&M)"));
    MenuItem2 = MakeSeparator(PopupMenu3, "MenuItem2");
    MenuItem3 = MakeAction(PopupMenu3, "MenuItem3", QStringLiteral("全てを選択する(&A)"));
    MenuItem4 = MakeAction(PopupMenu3, "MenuItem4", QStringLiteral("全てを対象リストに送る(&S)"));
    PopupMenu4 = MakePopupMenu(ListBox1, "PopupMenu4");
    MenuItem5 =
        MakeAction(PopupMenu4, "MenuItem5", QStringLiteral("選択中のアイテムを消去する(&D)"));
    MenuItem6 = MakeAction(PopupMenu4, "MenuItem6", QStringLiteral("全てのアイテムを消去する(&A)"));

    Wire(SpeedButton1, &QToolButton::clicked, this, &RewritePage::SpeedButton1Click);
    Wire(BitBtn1, &QPushButton::clicked, this, &RewritePage::BitBtn1Click);
    Wire(BitBtn2, &QPushButton::clicked, this, &RewritePage::BitBtn2Click);
    Wire(BitBtn3, &QPushButton::clicked, this, &RewritePage::BitBtn3Click);
    Wire(MenuItem1, &QAction::triggered, this, &RewritePage::M1Click);
    Wire(MenuItem3, &QAction::triggered, this, &RewritePage::N1Click);
    Wire(MenuItem4, &QAction::triggered, this, &RewritePage::SATS1Click);
    Wire(MenuItem5, &QAction::triggered, this, &RewritePage::D1Click);
    Wire(MenuItem6, &QAction::triggered, this, &RewritePage::A1Click);

    LinkBrowser(this, state_.Drives(), DriveComboBox1, DirectoryListBox1, FileListBox1,
                StartFolder(state_.Drives()));
}

std::vector<std::string> RewritePage::Targets() const {
    std::vector<std::string> targets;
    targets.reserve(static_cast<std::size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        targets.push_back(ListBox1->item(i)->text().toStdString());
    return targets;
}

void RewritePage::Append(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) ListBox1->addItem(QString::fromStdString(path));
}

void RewritePage::SendSelected() {
    std::vector<int> positions;
    for (int i = 0; i < FileListBox1->Count(); ++i)
        if (FileListBox1->IsSelected(i)) positions.push_back(i);
    Append(TargetEntries(DriveComboBox1->Drive(), FileListBox1->Directory(), FileListBox1->Names(),
                         positions));
}

void RewritePage::SendAll() {
    std::vector<int> positions(static_cast<std::size_t>(FileListBox1->Count()));
    for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<int>(i);
    Append(TargetEntries(DriveComboBox1->Drive(), FileListBox1->Directory(), FileListBox1->Names(),
                         positions));
}

void RewritePage::RemoveSelected() {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (!selected.isEmpty()) delete ListBox1->takeItem(ListBox1->row(selected.front()));
}

void RewritePage::SpeedButton1Click() { SendSelected(); }
void RewritePage::M1Click() { SendSelected(); }
void RewritePage::BitBtn1Click() { SendAll(); }
void RewritePage::SATS1Click() { SendAll(); }
void RewritePage::BitBtn2Click() { ListBox1->clear(); }
void RewritePage::A1Click() { ListBox1->clear(); }
void RewritePage::D1Click() { RemoveSelected(); }
void RewritePage::N1Click() { FileListBox1->SelectAll(); }
void RewritePage::BitBtn3Click() { RunBatchRewrite(); }

void RewritePage::ListBox1KeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) RemoveSelected();
}

bool RewritePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox1->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls()) drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            std::vector<std::filesystem::path> files;
            for (const QUrl& url : drop->mimeData()->urls())
                if (url.isLocalFile())
                    files.push_back(PathFromUtf8(url.toLocalFile().toStdString()));
            drop->acceptProposedAction();
            RunHandler(this, [this, files] { ListBox1DragDrop(files); });
            return true;
        }
    }
    // A disabled list (the batch runs) handles no key: its filter sees the key before the list.
    if (watched == ListBox1 && event->type() == QEvent::KeyPress && ListBox1->isEnabled()) {
        // The key passes on to the list after the handler, whatever it is.
        RunHandler(this, [this, event] { ListBox1KeyDown(static_cast<QKeyEvent*>(event)); });
    }
    return QWidget::eventFilter(watched, event);
}

void RewritePage::ListBox1DragDrop(const std::vector<std::filesystem::path>& files) {
    const DroppedFiles dropped = DroppedEntries(state_.Drives(), files);
    if (!dropped.refused.empty()) {
        ShowErrorBox(this, QString::fromStdString(dropped.refused));
        return;
    }
    Append(dropped.entries);
}

void RewritePage::RunBatchRewrite() {
    const std::vector<std::string> targets = Targets();
    // For the whole run no handler of the main window runs, so the target list stays as it is.
    const BusyWindow busy(window());
    WindowMessages messages(window());
    ProgressWindow progress(Form5, window());
    SystemClock clock;
    WindowsPathSpace paths(state_.Drives());
    BatchRun run{paths, messages, progress, clock, [this] { return Form3->Ask(window()); }};
    const BatchOutcome outcome = corvina::RunBatchRewrite(state_, targets, run);
    if (outcome.kind == BatchOutcome::Kind::Done) statusBar_->clearMessage();
}

}  // namespace corvina
