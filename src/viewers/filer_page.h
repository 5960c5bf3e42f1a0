#pragma once

#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QTableWidget;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class SharedState;

// Page 1 of the main window, "Filer Mode": the tags of the SAT files of a folder as a table,
// with the details and the jacket of the chosen file.
class FilerPage : public QWidget {
    Q_OBJECT
public:
    explicit FilerPage(SharedState& state, QWidget* parent = nullptr);

    DirectoryListBox* DirectoryListBox2;
    DriveComboBox* DriveComboBox2;
    FileListBox* FileListBox2;  // never shown
    QTableWidget* StringGrid1;
    QFrame* Panel1;
    QGroupBox* GroupBox1;
    QFrame* Bevel1;
    QLabel* Image1;

private:
    SharedState& state_;
};

}  // namespace corvina
