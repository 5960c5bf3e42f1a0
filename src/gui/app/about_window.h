#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace corvina {

// The about box: made by the main window each time the user asks for it, shown modally, centred
// on its owner.
class TAboutBox1 : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox1(QWidget* owner);

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Comments;
    QPushButton* OKButton;
};

}  // namespace corvina
