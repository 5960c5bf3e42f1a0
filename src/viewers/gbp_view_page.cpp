#include "viewers/gbp_view_page.h"

#include "app/shared_state.h"
#include "app/startup.h"
#include "controls/anchors.h"
#include "controls/browser.h"
#include "controls/designer.h"
#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/file_list_box.h"
#include "controls/handler.h"

namespace corvina {

namespace {

constexpr QSize kPageSize(665, 582);

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
    FileListBox3->SetMask("*.GBP");
    FileListBox3->SetMultiSelect(true);

    Panel5 = MakePanel(this, "Panel5", QRect(0, 240, 661, 329));
    Bevel3 = MakeBevel(Panel5, "Bevel3", QRect(16, 8, 79, 79));
    Image2 = MakeImage(Panel5, "Image2", QRect(18, 10, 75, 75));

    PopupMenu5 = MakePopupMenu(FileListBox3, "PopupMenu5");
    MenuItem10 = MakeAction(PopupMenu5, "MenuItem10", QStringLiteral("選択したファイルの削除(&D)"));
    Wire(MenuItem10, &QAction::triggered, this, &GbpViewPage::MenuItem10Click);

    LinkBrowser(this, state_.Drives(), DriveComboBox3, DirectoryListBox3, FileListBox3,
                StartFolder(state_.Drives()));
}

void GbpViewPage::MenuItem10Click() {}

}  // namespace corvina
