#include "app/main_window.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "app/about_window.h"
#include "app/settings.h"
#include "app/settings_window.h"
#include "app/startup.h"
#include "controls/anchors.h"
#include "controls/designer.h"
#include "controls/directory_list_box.h"
#include "controls/drive_combo_box.h"
#include "controls/file_list_box.h"
#include "controls/handler.h"
#include "controls/message_boxes.h"
#include "platform/mounts.h"
#include "rewrite/progress_window.h"
#include "rewrite/rewrite_settings_window.h"
#include "wallpaper/wallpaper_window.h"

namespace corvina {

TForm1* Form1 = nullptr;

namespace {

constexpr QSize kClientSize(678, 633);
constexpr QSize kPageSize(665, 582);  // a page of PageControl1 at design size
constexpr const char* kNoImage = ":/NoImage.bmp";

QFrame* MakePanel(QWidget* parent, const char* name, QRect geometry) {
    auto* panel = MakeControl<QFrame>(parent, name, geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

QFrame* MakeBevel(QWidget* parent, const char* name, QRect geometry) {
    auto* bevel = MakeControl<QFrame>(parent, name, geometry);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return bevel;
}

QLabel* MakeImage(QWidget* parent, const char* name, QRect geometry) {
    auto* image = MakeControl<QLabel>(parent, name, geometry);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

QAction* MakeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* MakeSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

TForm1::TForm1(const DriveMap& drives, QWidget* parent) : QMainWindow(parent), drives_(drives) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kMainWindowCaption));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->resize(kClientSize);
    setCentralWidget(client);

    PageControl1 = MakeControl<QTabWidget>(client, "PageControl1", QRect(0, 0, 673, 609));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, QStringLiteral("SAT Batch Rewrite Mode"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Filer Mode"));
    PageControl1->addTab(TabSheet3, QStringLiteral("GBP View Mode"));

    StatusBar1 = MakeControl<QStatusBar>(client, "StatusBar1", QRect(0, 614, 678, 19));
    StatusBar1->setSizeGripEnabled(false);

    AnchorLayout* anchors = Anchors(client, kClientSize);
    anchors->Add(PageControl1, kAnchorAll);
    anchors->Add(StatusBar1, kAnchorLeft | kAnchorRight | kAnchorBottom);

    BuildMenus();
    BuildTabSheet1();
    BuildTabSheet2();
    BuildTabSheet3();
    PageControl1->setCurrentIndex(0);

    resize(kClientSize.width(), kClientSize.height() + MainMenu1->sizeHint().height());
    CenterOnWindow(this, nullptr);

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);

    X1 = MainMenu1->addMenu(QStringLiteral("Mode(&M)"));
    X1->setObjectName(QStringLiteral("X1"));
    SATRewriteModeR1 =
        MakeAction(X1, "SATRewriteModeR1", QStringLiteral("SAT Batch Rewrite Mode(&R)"));
    FilerModeF1 = MakeAction(X1, "FilerModeF1", QStringLiteral("Filer Mode(&F)"));
    GBPViewModeG1 = MakeAction(X1, "GBPViewModeG1", QStringLiteral("GBP View Mode(&G)"));
    W1 = MakeAction(X1, "W1", QStringLiteral("Wallpaper Transporter(&W)"));
    N1 = MakeSeparator(X1, "N1");
    X2 = MakeAction(X1, "X2", QStringLiteral("Exit(&X)"));

    ExecuteE1 = MainMenu1->addMenu(QStringLiteral("Execute(&E)"));
    ExecuteE1->setObjectName(QStringLiteral("ExecuteE1"));
    LibraryUpdateL1 =
        MakeAction(ExecuteE1, "LibraryUpdateL1", QStringLiteral("Library Update(&L)"));

    O1 = MainMenu1->addMenu(QStringLiteral("Option(&O)"));
    O1->setObjectName(QStringLiteral("O1"));
    S1 = MakeAction(O1, "S1", QStringLiteral("Setting(&S)"));

    H1 = MainMenu1->addMenu(QStringLiteral("Help(&H)"));
    H1->setObjectName(QStringLiteral("H1"));
    V1 = MakeAction(H1, "V1", QStringLiteral("Infomation(&V)"));
    N3 = MakeSeparator(H1, "N3");
    H2 = MakeAction(H1, "H2", QStringLiteral("Author's Homepage(&H)"));

    Wire(SATRewriteModeR1, &TForm1::SATRewriteModeR1Click);
    Wire(FilerModeF1, &TForm1::FilerModeF1Click);
    Wire(GBPViewModeG1, &TForm1::GBPViewModeG1Click);
    Wire(W1, &TForm1::W1Click);
    Wire(X2, &TForm1::X2Click);
    Wire(LibraryUpdateL1, &TForm1::LibraryUpdateL1Click);
    Wire(S1, &TForm1::S1Click);
    Wire(V1, &TForm1::V1Click);
    Wire(H2, &TForm1::H2Click);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    MenuItem1 = MakeAction(PopupMenu3, "MenuItem1", QStringLiteral("選択中のアイテムを送る(&M)"));
    MenuItem2 = MakeSeparator(PopupMenu3, "MenuItem2");
    MenuItem3 = MakeAction(PopupMenu3, "MenuItem3", QStringLiteral("全てを選択する(&A)"));
    MenuItem4 = MakeAction(PopupMenu3, "MenuItem4", QStringLiteral("全てを対象リストに送る(&S)"));
    Wire(MenuItem1, &TForm1::M1Click);
    Wire(MenuItem3, &TForm1::N1Click);
    Wire(MenuItem4, &TForm1::SATS1Click);

    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    MenuItem5 =
        MakeAction(PopupMenu4, "MenuItem5", QStringLiteral("選択中のアイテムを消去する(&D)"));
    MenuItem6 = MakeAction(PopupMenu4, "MenuItem6", QStringLiteral("全てのアイテムを消去する(&A)"));
    Wire(MenuItem5, &TForm1::D1Click);
    Wire(MenuItem6, &TForm1::A1Click);

    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    MenuItem10 = MakeAction(PopupMenu5, "MenuItem10", QStringLiteral("選択したファイルの削除(&D)"));
    Wire(MenuItem10, &TForm1::MenuItem10Click);
}

void TForm1::BuildTabSheet1() {
    AnchorLayout* page = Anchors(TabSheet1, kPageSize);

    Panel2 = MakePanel(TabSheet1, "Panel2", QRect(0, 0, 664, 241));
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
    LinkBrowser(DriveComboBox1, DirectoryListBox1, FileListBox1);

    Panel3 = MakePanel(TabSheet1, "Panel3", QRect(0, 248, 524, 329));
    page->Add(Panel3, kAnchorAll);
    ListBox1 = MakeControl<QListWidget>(TabSheet1, "ListBox1", QRect(8, 256, 508, 311));
    page->Add(ListBox1, kAnchorAll);
    Bevel2 = MakeBevel(TabSheet1, "Bevel2", QRect(531, 248, 129, 265));
    page->Add(Bevel2, kAnchorTop | kAnchorRight);

    SpeedButton1 = MakeControl<QToolButton>(TabSheet1, "SpeedButton1", QRect(536, 272, 89, 41));
    SpeedButton1->setText(QStringLiteral("  Send"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    BitBtn1 = MakeControl<QPushButton>(TabSheet1, "BitBtn1", QRect(536, 328, 105, 41));
    BitBtn1->setText(QStringLiteral("  All Send"));
    BitBtn2 = MakeControl<QPushButton>(TabSheet1, "BitBtn2", QRect(540, 392, 105, 41));
    BitBtn2->setText(QStringLiteral("All Erase"));
    BitBtn3 = MakeControl<QPushButton>(TabSheet1, "BitBtn3", QRect(540, 456, 109, 41));
    BitBtn3->setText(QStringLiteral("Batch"));
    for (QWidget* button : {static_cast<QWidget*>(SpeedButton1), static_cast<QWidget*>(BitBtn1),
                            static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(BitBtn3)}) {
        page->Add(button, kAnchorTop | kAnchorRight);
    }

    AttachPopup(FileListBox1, PopupMenu3);
    AttachPopup(ListBox1, PopupMenu4);
}

void TForm1::BuildTabSheet2() {
    AnchorLayout* page = Anchors(TabSheet2, kPageSize);

    DirectoryListBox2 =
        MakeControl<DirectoryListBox>(TabSheet2, "DirectoryListBox2", QRect(8, 8, 448, 153));
    page->Add(DirectoryListBox2, kAnchorLeft | kAnchorTop | kAnchorRight);
    DriveComboBox2 =
        MakeControl<DriveComboBox>(TabSheet2, "DriveComboBox2", QRect(8, 168, 448, 18));
    page->Add(DriveComboBox2, kAnchorLeft | kAnchorTop | kAnchorRight);
    FileListBox2 = MakeControl<FileListBox>(TabSheet2, "FileListBox2", QRect(8, 192, 448, 100));
    FileListBox2->SetMask("*.SAT");
    FileListBox2->hide();
    LinkBrowser(DriveComboBox2, DirectoryListBox2, FileListBox2);

    StringGrid1 = MakeControl<QTableWidget>(TabSheet2, "StringGrid1", QRect(8, 192, 448, 383));
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

    Panel1 = MakePanel(TabSheet2, "Panel1", QRect(471, -8, 194, 585));
    page->Add(Panel1, kAnchorTop | kAnchorRight | kAnchorBottom);
    GroupBox1 = MakeControl<QGroupBox>(Panel1, "GroupBox1", QRect(8, 16, 177, 561));
    GroupBox1->setTitle(QStringLiteral("SAT Tag Infomation"));
    Bevel1 = MakeBevel(GroupBox1, "Bevel1", QRect(8, 40, 79, 79));
    Image1 = MakeImage(GroupBox1, "Image1", QRect(10, 42, 75, 75));
}

void TForm1::BuildTabSheet3() {
    AnchorLayout* page = Anchors(TabSheet3, kPageSize);

    Panel4 = MakePanel(TabSheet3, "Panel4", QRect(0, 0, 661, 233));
    page->Add(Panel4, kAnchorAll);
    DirectoryListBox3 =
        MakeControl<DirectoryListBox>(Panel4, "DirectoryListBox3", QRect(8, 8, 257, 193));
    DriveComboBox3 = MakeControl<DriveComboBox>(Panel4, "DriveComboBox3", QRect(8, 208, 257, 18));
    FileListBox3 = MakeControl<FileListBox>(Panel4, "FileListBox3", QRect(272, 8, 381, 193));
    FileListBox3->SetMask("*.GBP");
    FileListBox3->SetMultiSelect(true);
    LinkBrowser(DriveComboBox3, DirectoryListBox3, FileListBox3);

    Panel5 = MakePanel(TabSheet3, "Panel5", QRect(0, 240, 661, 329));
    Bevel3 = MakeBevel(Panel5, "Bevel3", QRect(16, 8, 79, 79));
    Image2 = MakeImage(Panel5, "Image2", QRect(18, 10, 75, 75));

    AttachPopup(FileListBox3, PopupMenu5);
}

void TForm1::LinkBrowser(DriveComboBox* drive, DirectoryListBox* tree, FileListBox* files) {
    files->SetDriveMap(&drives_);
    tree->SetDriveMap(&drives_);
    tree->SetFileList(files);
    drive->SetDriveMap(&drives_);
    drive->SetDirList(tree);
    // Before anything moves them, the browsers show the process's current folder.
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    RunHandler(this, [&] {
        tree->SetDirectory(StartFolder(drives_, error ? std::filesystem::path() : current));
        drive->SetDrive(tree->Drive());
    });
}

void TForm1::Wire(QAction* action, void (TForm1::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunHandler(this, [this, handler] { (this->*handler)(); }); });
}

void TForm1::AttachPopup(QWidget* control, QMenu* menu) {
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(control, &QWidget::customContextMenuRequested, this,
            [control, menu](const QPoint& pos) { menu->popup(control->mapToGlobal(pos)); });
}

void TForm1::LoadSettings() {
    Settings settings = corvina::LoadSettings(drives_);
    RoomPath = std::move(settings.roomPath);
    DeviceDrive = std::move(settings.deviceDrive);
}

void TForm1::FormCreate() {
    RunHandler(this, [this] {
        LoadSettings();
        LinkPlayerDrive(drives_.prefix(), DeviceLetter(DeviceDrive));  // a player plugged in
        const StartupPlan plan = PlanStartup(drives_, DeviceDrive);
        if (plan.devicePresent) {
            DriveComboBox1->SetDrive(plan.deviceLetter);
            DriveComboBox2->SetDrive(plan.deviceLetter);
            DriveComboBox3->SetDrive(plan.deviceLetter);
            // A missing GBSYSTEM\IMAGE ends the creation here, with the folder-change error in the
            // default error box: the table header and the pictures stay empty.
            DirectoryListBox3->SetDirectory(plan.gbpFolder);
        } else {
            ShowErrorBox(this, QString::fromUtf8(kDeviceAbsentMessage));
        }
        for (int column = 0; column < StringGrid1->columnCount(); ++column) {
            StringGrid1->horizontalHeaderItem(column)->setText(
                QString::fromUtf8(kTagTableHeaders[static_cast<std::size_t>(column)]));
        }
        const QPixmap noImage(QString::fromLatin1(kNoImage));
        Image1->setPixmap(noImage);
        Image2->setPixmap(noImage);
    });
}

void TForm1::SATRewriteModeR1Click() { PageControl1->setCurrentIndex(0); }

void TForm1::FilerModeF1Click() { PageControl1->setCurrentIndex(1); }

void TForm1::GBPViewModeG1Click() { PageControl1->setCurrentIndex(2); }

void TForm1::W1Click() {
    CenterOnWindow(Form4, this);
    Form4->exec();
}

void TForm1::X2Click() { close(); }

void TForm1::LibraryUpdateL1Click() {
    // The library update launcher runs here.
}

void TForm1::S1Click() {
    CenterOnWindow(Form2, this);
    Form2->exec();
}

void TForm1::V1Click() {
    TAboutBox1 aboutBox(this);
    aboutBox.exec();
}

void TForm1::H2Click() {
    // A failure to open the page is not reported.
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void TForm1::M1Click() {}

void TForm1::N1Click() { FileListBox1->SelectAll(); }

void TForm1::SATS1Click() {}

void TForm1::D1Click() {}

void TForm1::A1Click() {}

void TForm1::MenuItem10Click() {}

void CreateForms(const DriveMap& drives) {
    Form1 = new TForm1(drives);
    Form1->show();
    Form2 = new TForm2(Form1);
    Form3 = new TForm3(Form1);
    Form4 = new TForm4(Form1);
    Form5 = new TForm5(Form1);
}

void DestroyForms() {
    delete Form1;  // the other four are its children
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
    Form4 = nullptr;
    Form5 = nullptr;
}

}  // namespace corvina
