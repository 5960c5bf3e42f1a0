#pragma once

#include <QWidget>

class QAction;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class SharedState;

// Page 2 of the main window, "GBP View Mode": GBP pictures shown and deleted.
class GbpViewPage : public QWidget {
    Q_OBJECT
public:
    explicit GbpViewPage(SharedState& state, QWidget* parent = nullptr);

    QFrame* Panel4;
    DirectoryListBox* DirectoryListBox3;
    DriveComboBox* DriveComboBox3;
    FileListBox* FileListBox3;
    QFrame* Panel5;
    QFrame* Bevel3;
    QLabel* Image2;
    QGroupBox* GroupBox3;
    QLabel* Label7;
    QLabel* Label8;  // file name
    QLabel* Label9;
    QLabel* Label10;  // kind
    QLabel* Label11;
    QLabel* Label12;  // time stamp
    QLabel* Label13;
    QLabel* Label14;  // size
    QMenu* PopupMenu5;
    QAction* MenuItem10;

public slots:
    void FileListBox3Click();
    void FileListBox3KeyDown(QKeyEvent* event);
    void MenuItem10Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DeleteSelected();

    SharedState& state_;
};

}  // namespace corvina
