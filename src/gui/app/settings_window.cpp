#include "gui/app/settings_window.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "core/formats/player.h"
#include "core/session/settings.h"
#include "core/session/shared_state.h"
#include "gui/controls/designer.h"
#include "gui/controls/drive_combo_box.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"

namespace corvina {

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent, SharedState& state)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), state_(state) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Corvina 設定"));
    setFixedSize(424, 273);

    Panel1 = MakeControl<QFrame>(this, "Panel1", QRect(8, 8, 409, 209));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label1 =
        MakeLabel(Panel1, "Label1", QPoint(16, 16),
                  QStringLiteral(
                      "gigabeat roomのインストール場所をプログラムファイルごと指定してください。"));
    Edit1 = MakeControl<QLineEdit>(Panel1, "Edit1", QRect(16, 32, 321, 20));
    Edit1->setMaxLength(std::numeric_limits<int>::max());
    Button1 = MakeControl<QPushButton>(Panel1, "Button1", QRect(344, 32, 33, 17));
    Button1->setText(QStringLiteral("..."));
    Label2 = MakeLabel(
        Panel1, "Label2", QPoint(16, 72),
        QStringLiteral("gigabeatF接続時にgigabeatFに当てられるドライブレターを指定してください。"));
    DriveComboBox1 = MakeControl<DriveComboBox>(Panel1, "DriveComboBox1", QRect(16, 88, 321, 18));
    Button2 = MakeControl<QPushButton>(this, "Button2", QRect(216, 232, 89, 25));
    Button2->setText(QStringLiteral("OK"));
    Button3 = MakeControl<QPushButton>(this, "Button3", QRect(320, 232, 97, 25));
    Button3->setText(QStringLiteral("Cancel"));
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    OpenDialog1.filter = QStringLiteral("gigabeat roomプログラムファイル(GBRoom.exe)|GBRoom.exe");

    DriveComboBox1->SetDriveMap(&state_.Drives());

    Wire(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    Wire(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    Wire(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);

    RunHandler(this, [this] { FormCreate(); });
}

void TForm2::FormCreate() {
    Edit1->setText(QString::fromStdString(state_.RoomPath));
    DriveComboBox1->SetDrive(DeviceLetter(state_.DeviceDrive));
}

void TForm2::Button1Click() {
    if (const auto chosen = OpenDialogs().Open(this, OpenDialog1)) Edit1->setText(*chosen);
}

void TForm2::Button2Click() {
    // On a failed write the error goes to the default error box and the dialog stays open.
    try {
        SaveSettings(state_.Drives(), Edit1->text().toStdString(), DriveComboBox1->Drive());
    } catch (const FileError& error) {
        ShowDefaultErrorBox(this, QString::fromStdString(SettingsWriteFailureText(error)));
        return;
    }
    accept();
}

void TForm2::Button3Click() {
    FormCreate();
    done(QDialog::Rejected);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
            event->accept();
            return;
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace corvina
