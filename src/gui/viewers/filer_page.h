#pragma once

#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace corvina {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;
class SharedState;

// Page 1 of the main window, "Filer Mode": the tags of the SAT files of a folder as a table,
// with the details and the jacket of the chosen file. It only reads files.
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
    QLabel* Label1;  // "Jacket Preview"
    QFrame* Bevel1;
    QLabel* Image1;
    QLabel* Label2;
    QLineEdit* Edit1;  // title
    QLabel* Label3;
    QLineEdit* Edit2;  // artist
    QLabel* Label4;
    QLineEdit* Edit3;  // album
    QLabel* Label5;
    QLineEdit* Edit4;  // genre
    QLabel* Label6;
    QLineEdit* Edit5;  // track
    QPushButton* BitBtn4;
    QGroupBox* GroupBox2;
    QLabel* Label15;
    QLineEdit* Edit6;  // file name
    QLabel* Label17;
    QLabel* Label16;  // time stamp
    QLabel* Label19;
    QLabel* Label18;  // size

    // The text of a table cell; row 0 is the first data row.
    QString Cell(int row, int column) const;

public slots:
    void DirectoryListBox2Change();
    void StringGrid1SelectCell(int column, int row);
    void BitBtn4Click();

private:
    SharedState& state_;
};

}  // namespace corvina
