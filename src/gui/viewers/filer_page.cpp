#include "gui/viewers/filer_page.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <algorithm>

#include "core/formats/gbp.h"
#include "core/session/shared_state.h"
#include "core/session/startup.h"
#include "core/viewers/filer.h"
#include "gui/controls/anchors.h"
#include "gui/controls/browser.h"
#include "gui/controls/designer.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/file_list_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/hourglass.h"
#include "gui/controls/picture_label.h"
#include "gui/rewrite/rewrite_settings_window.h"

namespace corvina {

namespace {

constexpr QSize kPageSize(665, 582);
constexpr int kRowHeight = 14;

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry) {
    return MakeControl<QLineEdit>(parent, name, geometry);
}

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
    FileListBox2->SetMask("*.SAT");  // files only, neither hidden nor system ones
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
    StringGrid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setFocusPolicy(Qt::ClickFocus);
    StringGrid1->setWordWrap(false);

    Panel1 = MakePanel(this, "Panel1", QRect(471, -8, 194, 585));
    page->Add(Panel1, kAnchorTop | kAnchorRight | kAnchorBottom);
    GroupBox1 = MakeControl<QGroupBox>(Panel1, "GroupBox1", QRect(8, 16, 177, 561));
    GroupBox1->setTitle(QStringLiteral("SAT Tag Infomation"));
    Label1 = MakeLabel(GroupBox1, "Label1", QPoint(8, 24), QStringLiteral("Jacket Preview"));
    Bevel1 = MakeBevel(GroupBox1, "Bevel1", QRect(8, 40, 79, 79));
    Image1 = MakeImage(GroupBox1, "Image1", QRect(10, 42, 75, 75));

    // The tag edits run down in steps of 48, each under its label.
    const auto tagField = [this](const char* labelName, const char* caption, const char* editName,
                                 int step, int width, QLabel*& label, QLineEdit*& edit) {
        const int top = 128 + 48 * step;
        label = MakeLabel(GroupBox1, labelName, QPoint(8, top), QString::fromLatin1(caption));
        edit = MakeEdit(GroupBox1, editName, QRect(8, top + 16, width, 20));
    };
    tagField("Label2", "Title", "Edit1", 0, 161, Label2, Edit1);
    tagField("Label3", "Artist", "Edit2", 1, 161, Label3, Edit2);
    tagField("Label4", "Album", "Edit3", 2, 161, Label4, Edit3);
    tagField("Label5", "Genre", "Edit4", 3, 161, Label5, Edit4);
    tagField("Label6", "Track", "Edit5", 4, 41, Label6, Edit5);

    BitBtn4 = MakeControl<QPushButton>(GroupBox1, "BitBtn4", QRect(8, 368, 161, 41));
    BitBtn4->setText(QStringLiteral("Send Tag To Rewrite"));

    GroupBox2 = MakeControl<QGroupBox>(GroupBox1, "GroupBox2", QRect(8, 416, 161, 137));
    GroupBox2->setTitle(QStringLiteral("File Infomation"));
    Label15 = MakeLabel(GroupBox2, "Label15", QPoint(8, 16), QStringLiteral("FileName"));
    Edit6 = MakeEdit(GroupBox2, "Edit6", QRect(8, 32, 145, 20));
    Label17 = MakeLabel(GroupBox2, "Label17", QPoint(8, 64), QStringLiteral("Time Stamp"));
    Label16 = MakeLabel(GroupBox2, "Label16", QPoint(16, 80), QStringLiteral("?"));
    Label19 = MakeLabel(GroupBox2, "Label19", QPoint(8, 104), QStringLiteral("FileSize"));
    Label18 = MakeLabel(GroupBox2, "Label18", QPoint(16, 120), QStringLiteral("?"));

    LinkBrowser(this, state_.Drives(), DriveComboBox2, DirectoryListBox2, FileListBox2,
                StartFolder(state_.Drives()));

    Wire(DirectoryListBox2, &DirectoryListBox::Changed, this, &FilerPage::DirectoryListBox2Change);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0) RunHandler(this, [this, row, column] { StringGrid1SelectCell(column, row); });
    });
    Wire(BitBtn4, &QPushButton::clicked, this, &FilerPage::BitBtn4Click);
}

QString FilerPage::Cell(int row, int column) const {
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void FilerPage::DirectoryListBox2Change() {
    const Hourglass hourglass;
    const std::vector<std::string> names = FileListBox2->Names();
    std::vector<TagRow> rows;
    if (!names.empty()) {
        rows = ListTagRows(state_.Drives().ResolveOrThrow(FileListBox2->Directory()), names);
    }

    // Every listing starts from an empty table, so that no row shows what an earlier listing
    // read; the table is filled in one go, without a repaint or a selection per cell.
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setUpdatesEnabled(false);
    StringGrid1->clearContents();
    StringGrid1->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c].empty()) continue;
            StringGrid1->setItem(static_cast<int>(r), static_cast<int>(c),
                                 new QTableWidgetItem(QString::fromStdString(rows[r][c])));
        }
    }
    // No cell is current, so that the first click on any row shows its details.
    StringGrid1->setCurrentCell(-1, -1);
    StringGrid1->setUpdatesEnabled(true);
}

void FilerPage::StringGrid1SelectCell(int /*column*/, int row) {
    const auto rowTexts = [this](int r) {
        TagRow texts;
        for (std::size_t c = 0; c < texts.size(); ++c)
            texts[c] = Cell(r, static_cast<int>(c)).toStdString();
        return texts;
    };
    const std::optional<TagDetail> detail = DetailOfRow(
        state_.Drives(), FileListBox2->Directory(), rowTexts(0), rowTexts(row), state_.DeviceDrive);
    if (!detail) return;

    QLineEdit* const edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5};
    for (std::size_t i = 0; i < detail->edits.size(); ++i)
        edits[i]->setText(QString::fromStdString(detail->edits[i]));
    // The chosen row's file is gone: no name, time stamp or size to show.
    const EntryTexts file = detail->file.value_or(EntryTexts{"", "?", "?"});
    Edit6->setText(QString::fromStdString(file.name));
    Label16->setText(QString::fromStdString(file.timeStamp));
    Label16->adjustSize();
    Label18->setText(QString::fromStdString(file.size));
    Label18->adjustSize();

    if (!detail->jacket) {
        Image1->setPixmap(QPixmap(QStringLiteral(":/NoImage.bmp")));
        return;
    }
    // A jacket that cannot be opened ends here in the default error box; the preview keeps its
    // picture.
    ShowPicture(Image1, ReadJacketOf(*detail));
}

void FilerPage::BitBtn4Click() {
    // Only the texts move; they count in the next batch whose dialog has its tag box ticked.
    Form3->Edit2->setText(Edit2->text());
    Form3->Edit3->setText(Edit3->text());
    Form3->Edit4->setText(Edit4->text());
}

}  // namespace corvina
