#include "gui/app/main_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>

#include "core/base/product.h"
#include "core/os/mounts.h"
#include "core/os/processes.h"
#include "core/rewrite/undo.h"
#include "core/room/library_update.h"
#include "core/session/settings.h"
#include "core/session/startup.h"
#include "core/viewers/filer.h"
#include "gui/app/about_window.h"
#include "gui/app/settings_window.h"
#include "gui/controls/anchors.h"
#include "gui/controls/busy_window.h"
#include "gui/controls/designer.h"
#include "gui/controls/directory_list_box.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"
#include "gui/rewrite/progress_window.h"
#include "gui/rewrite/rewrite_page.h"
#include "gui/rewrite/rewrite_settings_window.h"
#include "gui/viewers/filer_page.h"
#include "gui/viewers/gbp_view_page.h"
#include "gui/wallpaper/wallpaper_window.h"

namespace corvina {

TForm1* Form1 = nullptr;

namespace {

constexpr QSize kClientSize(678, 633);
constexpr const char* kNoImage = ":/NoImage.bmp";

}  // namespace

TForm1::TForm1(const DriveMap& drives, const MountTableReader& readMountTable, QWidget* parent)
    : QMainWindow(parent), Session(drives) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kMainWindowCaption));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->resize(kClientSize);
    setCentralWidget(client);

    PageControl1 = MakeControl<QTabWidget>(client, "PageControl1", QRect(0, 0, 673, 609));
    StatusBar1 = MakeControl<QStatusBar>(client, "StatusBar1", QRect(0, 614, 678, 19));
    StatusBar1->setSizeGripEnabled(false);

    BuildMenus();
    UndoProgressForm = MakeUndoProgressWindow(this);
    TabSheet1 = new RewritePage(Session, StatusBar1);
    TabSheet2 = new FilerPage(Session);
    TabSheet3 = new GbpViewPage(Session);
    PageControl1->addTab(TabSheet1, QStringLiteral("SAT Batch Rewrite Mode"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Filer Mode"));
    PageControl1->addTab(TabSheet3, QStringLiteral("GBP View Mode"));

    AnchorLayout* anchors = Anchors(client, kClientSize);
    anchors->Add(PageControl1, kAnchorAll);
    anchors->Add(StatusBar1, kAnchorLeft | kAnchorRight | kAnchorBottom);

    PageControl1->setCurrentIndex(0);

    resize(kClientSize.width(), kClientSize.height() + MainMenu1->sizeHint().height());
    CenterOnWindow(this, nullptr);

    FormCreate(readMountTable);
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
    UndoU1 = MakeAction(ExecuteE1, "UndoU1", QStringLiteral("直前の書き換えを元に戻す(&U)"));

    O1 = MainMenu1->addMenu(QStringLiteral("Option(&O)"));
    O1->setObjectName(QStringLiteral("O1"));
    S1 = MakeAction(O1, "S1", QStringLiteral("Setting(&S)"));

    H1 = MainMenu1->addMenu(QStringLiteral("Help(&H)"));
    H1->setObjectName(QStringLiteral("H1"));
    V1 = MakeAction(H1, "V1", QStringLiteral("Infomation(&V)"));
    N3 = MakeSeparator(H1, "N3");
    H2 = MakeAction(H1, "H2", QStringLiteral("Author's Homepage(&H)"));

    Wire(SATRewriteModeR1, &QAction::triggered, this, &TForm1::SATRewriteModeR1Click);
    Wire(FilerModeF1, &QAction::triggered, this, &TForm1::FilerModeF1Click);
    Wire(GBPViewModeG1, &QAction::triggered, this, &TForm1::GBPViewModeG1Click);
    Wire(W1, &QAction::triggered, this, &TForm1::W1Click);
    Wire(X2, &QAction::triggered, this, &TForm1::X2Click);
    Wire(LibraryUpdateL1, &QAction::triggered, this, &TForm1::LibraryUpdateL1Click);
    Wire(UndoU1, &QAction::triggered, this, &TForm1::UndoU1Click);
    Wire(S1, &QAction::triggered, this, &TForm1::S1Click);
    Wire(V1, &QAction::triggered, this, &TForm1::V1Click);
    Wire(H2, &QAction::triggered, this, &TForm1::H2Click);
}

void TForm1::FormCreate(const MountTableReader& readMountTable) {
    RunHandler(this, [this, &readMountTable] {
        Session.LoadSettings();
        // A player plugged in: its drive is new to the drive boxes, which list the drives again.
        const PlayerLinkResult link = LinkPlayerDrive(
            Session.Drives().prefix(), DeviceLetter(Session.DeviceDrive), readMountTable);
        if (link.outcome == PlayerLink::kLinked) {
            for (DriveComboBox* box :
                 {TabSheet1->DriveComboBox1, TabSheet2->DriveComboBox2, TabSheet3->DriveComboBox3})
                box->SetDriveMap(&Session.Drives());
        }
        const StartupPlan plan = PlanStartup(Session.Drives(), Session.DeviceDrive);
        if (plan.devicePresent) {
            TabSheet1->DriveComboBox1->SetDrive(plan.deviceLetter);
            TabSheet2->DriveComboBox2->SetDrive(plan.deviceLetter);
            TabSheet3->DriveComboBox3->SetDrive(plan.deviceLetter);
            // A missing GBSYSTEM\IMAGE ends the creation here, with the folder-change error in the
            // default error box: the table header and the pictures stay empty.
            TabSheet3->DirectoryListBox3->SetDirectory(plan.gbpFolder);
        } else {
            ShowErrorBox(this, QString::fromUtf8(kDeviceAbsentMessage));
        }
        for (int column = 0; column < TabSheet2->StringGrid1->columnCount(); ++column) {
            TabSheet2->StringGrid1->horizontalHeaderItem(column)->setText(
                QString::fromUtf8(kTagTableHeaders[static_cast<std::size_t>(column)]));
        }
        const QPixmap noImage(QString::fromLatin1(kNoImage));
        TabSheet2->Image1->setPixmap(noImage);
        TabSheet3->Image2->setPixmap(noImage);
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
    const std::unique_ptr<Processes> processes = MakeSystemProcesses(Session.Drives());
    WindowMessages messages(this);
    LaunchGigabeatRoom({*processes, messages,
                        [this] {
                            Session.LoadSettings();
                            return Session.RoomPath;
                        },
                        [this](std::string_view text) {
                            StatusBar1->showMessage(
                                QString::fromUtf8(text.data(), qsizetype(text.size())));
                        },
                        [this] {
                            // Other handlers, even this one again, may run in here. A closed
                            // main window means the program is ending: the update stops.
                            QCoreApplication::processEvents();
                            return isVisible();
                        }});
}

void TForm1::UndoU1Click() {
    const BusyWindow busy(this);
    WindowMessages messages(this);
    ProgressWindow progress(UndoProgressForm, this);
    RunUndo(Session.Drives(), messages, progress);
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

void CreateForms(const DriveMap& drives, const MountTableReader& readMountTable) {
    Form1 = new TForm1(drives, readMountTable);
    Form1->show();
    Form2 = new TForm2(Form1, Form1->Session);
    Form3 = new TForm3(Form1, drives);
    Form4 = new TForm4(Form1, Form1->Session);
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
