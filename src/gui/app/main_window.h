#pragma once

#include <QMainWindow>

#include "core/os/mounts.h"
#include "core/session/shared_state.h"

class QAction;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTabWidget;

namespace corvina {

class DriveMap;
class FilerPage;
class GbpViewPage;
class RewritePage;
class TForm5;

// The web page "Author's Homepage(&H)" opens.
inline constexpr const char* kHomePageUrl = "https://corvina.example.org/";

// The main window: the frame of the three pages (batch rewrite, filer, GBP view), the main menu,
// the status bar, and the session state it shares with the pages and the other windows.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate, which looks for a plugged-in player in the mount
    // table `readMountTable` gives; the window is shown by the caller afterwards.
    explicit TForm1(const DriveMap& drives,
                    const MountTableReader& readMountTable = SystemMountTable,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // The drive map, the room path and the player's drive; the pages and windows hold it by
    // reference.
    SharedState Session;

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
    QAction* UndoU1;  // undo of the last batch rewrite
    QMenu* O1;
    QAction* S1;
    QMenu* H1;
    QAction* V1;
    QAction* N3;
    QAction* H2;

    // The progress window of undo from the menu.
    TForm5* UndoProgressForm;

    QTabWidget* PageControl1;
    RewritePage* TabSheet1;
    FilerPage* TabSheet2;
    GbpViewPage* TabSheet3;
    QStatusBar* StatusBar1;

public slots:
    void FormCreate(const MountTableReader& readMountTable);

    void SATRewriteModeR1Click();
    void FilerModeF1Click();
    void GBPViewModeG1Click();
    void W1Click();
    void X2Click();
    void LibraryUpdateL1Click();
    void UndoU1Click();
    void S1Click();
    void V1Click();
    void H2Click();

private:
    void BuildMenus();
};

// The five windows, made once by CreateForms and reached program-wide through these references;
// only window code uses them.
extern TForm1* Form1;

// Creates TForm1 (its FormCreate runs, then it is shown), then TForm2, TForm3, TForm4 and TForm5,
// in that order. DestroyForms destroys them all and clears the references.
void CreateForms(const DriveMap& drives, const MountTableReader& readMountTable = SystemMountTable);
void DestroyForms();

}  // namespace corvina
