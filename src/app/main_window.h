#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "platform/picture.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class DriveMap;
class FileListBox;

// The web page "Author's Homepage(&H)" opens.
inline constexpr const char* kHomePageUrl = "https://corvina.example.org/";

// The main window: three pages (batch rewrite, filer, GBP view), the main menu, the status bar,
// and the state the other windows share through Form1.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate; the window is shown by the caller afterwards.
    explicit TForm1(const DriveMap& drives, QWidget* parent = nullptr);
    ~TForm1() override;

    const DriveMap& Drives() const noexcept { return drives_; }

    // Shared state, in this order. Only LoadSettings sets RoomPath and DeviceDrive; the rewrite
    // settings dialog fills the rewrite request and the batch run consumes it.
    std::unique_ptr<Picture15> JacketBitmap;  // 75x75 once filled
    std::string RoomPath;                     // full Windows path of GBRoom.exe
    std::string DeviceDrive;                  // its first character is the player's drive letter
    std::string NewArtist;
    std::string NewAlbum;
    std::string NewGenre;
    bool RewriteCancelled = false;

    // Reads the settings file into RoomPath and DeviceDrive.
    void LoadSettings();

    // Controls, by their designer names.
    QMenuBar* MainMenu1;
    QMenu* X1;
    QAction* SATRewriteModeR1;
    QAction* FilerModeF1;
    QAction* GBPViewModeG1;
    QAction* W1;
    QAction* N1;
    QAction* X2;
    QMenu* ExecuteE1;
    QAction* LibraryUpdateL1;
    QMenu* O1;
    QAction* S1;
    QMenu* H1;
    QAction* V1;
    QAction* N3;
    QAction* H2;

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QStatusBar* StatusBar1;

    // Page 0: batch rewrite.
    QFrame* Panel2;
    DirectoryListBox* DirectoryListBox1;
    FileListBox* FileListBox1;
    DriveComboBox* DriveComboBox1;
    QFrame* Panel3;
    QListWidget* ListBox1;
    QFrame* Bevel2;
    QToolButton* SpeedButton1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QMenu* PopupMenu3;
    QAction* MenuItem1;
    QAction* MenuItem2;
    QAction* MenuItem3;
    QAction* MenuItem4;
    QMenu* PopupMenu4;
    QAction* MenuItem5;
    QAction* MenuItem6;

    // Page 1: filer.
    DirectoryListBox* DirectoryListBox2;
    DriveComboBox* DriveComboBox2;
    FileListBox* FileListBox2;  // never shown
    QTableWidget* StringGrid1;
    QFrame* Panel1;
    QGroupBox* GroupBox1;
    QFrame* Bevel1;
    QLabel* Image1;

    // Page 2: GBP view.
    QFrame* Panel4;
    DirectoryListBox* DirectoryListBox3;
    DriveComboBox* DriveComboBox3;
    FileListBox* FileListBox3;
    QFrame* Panel5;
    QFrame* Bevel3;
    QLabel* Image2;
    QMenu* PopupMenu5;
    QAction* MenuItem10;

public slots:
    void FormCreate();

    void SATRewriteModeR1Click();
    void FilerModeF1Click();
    void GBPViewModeG1Click();
    void W1Click();
    void X2Click();
    void LibraryUpdateL1Click();
    void S1Click();
    void V1Click();
    void H2Click();

    // Popup menus of the batch rewrite page and the GBP view page.
    void M1Click();
    void N1Click();
    void SATS1Click();
    void D1Click();
    void A1Click();
    void MenuItem10Click();

private:
    void BuildMenus();
    void BuildTabSheet1();
    void BuildTabSheet2();
    void BuildTabSheet3();
    void LinkBrowser(DriveComboBox* drive, DirectoryListBox* tree, FileListBox* files);
    void Wire(QAction* action, void (TForm1::*handler)());
    void AttachPopup(QWidget* control, QMenu* menu);

    const DriveMap& drives_;
};

// The five windows, made once by CreateForms and reached program-wide through these references;
// only window code uses them.
extern TForm1* Form1;

// Creates TForm1 (its FormCreate runs, then it is shown), then TForm2, TForm3, TForm4 and TForm5,
// in that order. DestroyForms destroys them all and clears the references.
void CreateForms(const DriveMap& drives);
void DestroyForms();

}  // namespace corvina
