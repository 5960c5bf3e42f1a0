#pragma once

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QKeyEvent;
class QListWidget;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class SharedState;

// Page 0 of the main window, "SAT Batch Rewrite Mode": a browser for SAT files, the target list
// the files are sent to, and "Batch", which runs the batch rewrite over the list.
class RewritePage : public QWidget {
    Q_OBJECT
public:
    // `statusBar` is the main window's, which a completed batch clears.
    RewritePage(SharedState& state, QStatusBar* statusBar, QWidget* parent = nullptr);

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

    // The target list's entries, first to last.
    std::vector<std::string> Targets() const;

public slots:
    void SpeedButton1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void M1Click();
    void N1Click();
    void SATS1Click();
    void D1Click();
    void A1Click();
    void ListBox1KeyDown(QKeyEvent* event);
    // Files dropped from the desktop's file manager (host paths, in the order dropped).
    void ListBox1DragDrop(const std::vector<std::filesystem::path>& files);

    // The batch rewrite run over the target list.
    void RunBatchRewrite();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SendSelected();
    void SendAll();
    void RemoveSelected();
    void Append(const std::vector<std::string>& paths);

    SharedState& state_;
    QStatusBar* statusBar_;
};

}  // namespace corvina
