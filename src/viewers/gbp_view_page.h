#pragma once

#include <QWidget>

class QAction;
class QFrame;
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
    QMenu* PopupMenu5;
    QAction* MenuItem10;

public slots:
    void MenuItem10Click();

private:
    SharedState& state_;
};

}  // namespace corvina
