#include "gui/viewers/gbp_view_page.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>

#include "core/session/shared_state.h"
#include "core/session/startup.h"
#include "core/viewers/gbp_view.h"
#include "gui/controls/anchors.h"
#include "gui/controls/browser.h"
#include "gui/controls/designer.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/hourglass.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/picture_label.h"

namespace corvina {

namespace {

constexpr QSize kPageSize(665, 582);
// The picture area on the first wallpaper shown; it never shrinks back.
constexpr QSize kWallpaperImageSize(kWallpaperWidth, kWallpaperHeight);
constexpr QSize kWallpaperBevelSize(kWallpaperWidth + 4, kWallpaperHeight + 4);

}  // namespace

GbpViewPage::GbpViewPage(SharedState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName(QStringLiteral("TabSheet3"));
    AnchorLayout* page = Anchors(this, kPageSize);

    Panel4 = MakePanel(this, "Panel4", QRect(0, 0, 661, 233));
    page->Add(Panel4, kAnchorAll);
    DirectoryListBox3 =
        MakeControl<DirectoryListBox>(Panel4, "DirectoryListBox3", QRect(8, 8, 257, 193));
    DriveComboBox3 = MakeControl<DriveComboBox>(Panel4, "DriveComboBox3", QRect(8, 208, 257, 18));
    FileListBox3 = MakeControl<FileListBox>(Panel4, "FileListBox3", QRect(272, 8, 381, 193));
    FileListBox3->SetMask("*.GBP");  // files only, neither hidden nor system ones
    FileListBox3->SetMultiSelect(true);
    FileListBox3->installEventFilter(this);

    Panel5 = MakePanel(this, "Panel5", QRect(0, 240, 661, 329));
    Bevel3 = MakeBevel(Panel5, "Bevel3", QRect(16, 8, 79, 79));
    Image2 = MakeImage(Panel5, "Image2", QRect(18, 10, 75, 75));
    GroupBox3 = MakeControl<QGroupBox>(Panel5, "GroupBox3", QRect(388, 8, 265, 305));
    GroupBox3->setTitle(QStringLiteral("File Infomation"));
    const auto field = [this](const char* headingName, const char* caption, const char* valueName,
                              int step, QLabel*& heading, QLabel*& value) {
        const int top = 24 + 64 * step;
        heading = MakeLabel(GroupBox3, headingName, QPoint(16, top), QString::fromLatin1(caption));
        value = MakeLabel(GroupBox3, valueName, QPoint(32, top + 20), QStringLiteral("?"));
    };
    field("Label7", "File Name", "Label8", 0, Label7, Label8);
    field("Label9", "GBP Type", "Label10", 1, Label9, Label10);
    field("Label11", "Time Stamp", "Label12", 2, Label11, Label12);
    field("Label13", "File Size", "Label14", 3, Label13, Label14);

    PopupMenu5 = MakePopupMenu(FileListBox3, "PopupMenu5");
    MenuItem10 = MakeAction(PopupMenu5, "MenuItem10", QStringLiteral("選択したファイルの削除(&D)"));

    LinkBrowser(this, state_.Drives(), DriveComboBox3, DirectoryListBox3, FileListBox3,
                StartFolder(state_.Drives()));

    Wire(FileListBox3, &FileListBox::itemSelectionChanged, this, &GbpViewPage::FileListBox3Click);
    Wire(MenuItem10, &QAction::triggered, this, &GbpViewPage::MenuItem10Click);
}

void GbpViewPage::FileListBox3Click() {
    // The last selected item in list order is shown. When the change leaves nothing selected,
    // the picture and the values stay as they were.
    int shown = -1;
    for (int i = 0; i < FileListBox3->Count(); ++i)
        if (FileListBox3->IsSelected(i)) shown = i;
    if (shown < 0) return;

    const Hourglass hourglass;
    const GbpShown file = ShowGbpFile(
        state_.Drives(), GbpItemPath(FileListBox3->Directory(), FileListBox3->Name(shown)));
    if (file.info.kind.kind == GbpKind::Wallpaper) {
        Image2->resize(kWallpaperImageSize);
        Bevel3->resize(kWallpaperBevelSize);
    }
    ShowPicture(Image2, file.picture);
    const std::pair<QLabel*, const std::string*> values[] = {
        {Label8, &file.info.texts.name},
        {Label10, &file.info.kindText},
        {Label12, &file.info.texts.timeStamp},
        {Label14, &file.info.texts.size},
    };
    for (const auto& [label, text] : values) {
        label->setText(QString::fromStdString(*text));
        label->adjustSize();
    }
}

void GbpViewPage::DeleteSelected() {
    std::vector<std::string> names;
    for (int i = 0; i < FileListBox3->Count(); ++i)
        if (FileListBox3->IsSelected(i)) names.push_back(FileListBox3->Name(i));
    WindowMessages messages(window());
    DeleteGbpFiles(state_.Drives(), messages, FileListBox3->Directory(), names,
                   [this] { FileListBox3->Update(); });
}

void GbpViewPage::MenuItem10Click() { DeleteSelected(); }

void GbpViewPage::FileListBox3KeyDown(QKeyEvent* event) {
    // The Delete key, whatever Shift, Ctrl or Alt are held.
    if (event->key() == Qt::Key_Delete) DeleteSelected();
}

bool GbpViewPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FileListBox3 && event->type() == QEvent::KeyPress && FileListBox3->isEnabled()) {
        RunHandler(this, [this, event] { FileListBox3KeyDown(static_cast<QKeyEvent*>(event)); });
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvina
