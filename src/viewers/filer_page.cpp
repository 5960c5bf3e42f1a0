#include "viewers/filer_page.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QTableWidget>

#include "app/shared_state.h"
#include "app/startup.h"
#include "controls/anchors.h"
#include "controls/browser.h"
#include "controls/designer.h"
#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/file_list_box.h"
#include "viewers/filer.h"

namespace corvina {

namespace {

constexpr QSize kPageSize(665, 582);

}  // namespace

FilerPage::FilerPage(SharedState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName(QStringLiteral("TabSheet2"));
    AnchorLayout* page = Anchors(this, kPageSize);

    DirectoryListBox2 =
        MakeControl<DirectoryListBox>(this, "DirectoryListBox2", QRect(8, 8, 448, 153));
    page->Add(DirectoryListBox2, kAnchorLeft | kAnchorTop | kAnchorRight);
    DriveComboBox2 = MakeControl<DriveComboBox>(this, "DriveComboBox2", QRect(8, 168, 448, 18));
    page->Add(DriveComboBox2, kAnchorLeft | kAnchorTop | kAnchorRight);
    FileListBox2 = MakeControl<FileListBox>(this, "FileListBox2", QRect(8, 192, 448, 100));
    FileListBox2->SetMask("*.SAT");
    FileListBox2->hide();

    StringGrid1 = MakeControl<QTableWidget>(this, "StringGrid1", QRect(8, 192, 448, 383));
    page->Add(StringGrid1, kAnchorAll);
    // Row 0 of the classic grid, the fixed header row, is the horizontal header here; the
    // design has one empty data row below it.
    StringGrid1->setColumnCount(static_cast<int>(kTagTableHeaders.size()));
    StringGrid1->setRowCount(1);
    for (int column = 0; column < StringGrid1->columnCount(); ++column) {
        StringGrid1->setHorizontalHeaderItem(column, new QTableWidgetItem(QString()));
        StringGrid1->setColumnWidth(column, kTagTableWidths[static_cast<std::size_t>(column)]);
    }
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(14);
    StringGrid1->verticalHeader()->setDefaultSectionSize(14);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setFocusPolicy(Qt::ClickFocus);
    StringGrid1->setWordWrap(false);

    Panel1 = MakePanel(this, "Panel1", QRect(471, -8, 194, 585));
    page->Add(Panel1, kAnchorTop | kAnchorRight | kAnchorBottom);
    GroupBox1 = MakeControl<QGroupBox>(Panel1, "GroupBox1", QRect(8, 16, 177, 561));
    GroupBox1->setTitle(QStringLiteral("SAT Tag Infomation"));
    Bevel1 = MakeBevel(GroupBox1, "Bevel1", QRect(8, 40, 79, 79));
    Image1 = MakeImage(GroupBox1, "Image1", QRect(10, 42, 75, 75));

    LinkBrowser(this, state_.Drives(), DriveComboBox2, DirectoryListBox2, FileListBox2,
                StartFolder(state_.Drives()));
}

}  // namespace corvina
