#pragma once

#include <QDialog>

#include "gui/controls/open_dialogs.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvina {

class DriveComboBox;
class SharedState;

// The settings dialog: the path of GBRoom.exe and the player's drive letter. It is made once at
// start-up and keeps what its controls last held between openings. OK writes only the settings
// file; the main window's fields change at the next LoadSettings.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2(QWidget* parent, SharedState& state);

    QFrame* Panel1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QLabel* Label2;
    DriveComboBox* DriveComboBox1;
    QPushButton* Button2;
    QPushButton* Button3;
    OpenDialogRequest OpenDialog1;

public slots:
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    // The dialog closes only through its own buttons: neither Escape nor the window manager's
    // close request rejects it.
    void reject() override {}
    // Enter presses only a button that has the focus; nothing is the default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    SharedState& state_;
};

extern TForm2* Form2;

}  // namespace corvina
