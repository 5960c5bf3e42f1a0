#pragma once

#include <QDialog>
#include <optional>

#include "core/pictures/picture.h"
#include "core/rewrite/batch_run.h"
#include "gui/controls/open_dialogs.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvina {

class DriveMap;

// The rewrite settings dialog, shown modally by the batch run: what one batch changes. It is made
// once and keeps every choice from one batch to the next.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3(QWidget* parent, const DriveMap& drives);

    QCheckBox* CheckBox1;
    QGroupBox* GroupBox1;
    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label3;
    QLineEdit* Edit3;
    QLabel* Label5;
    QLineEdit* Edit4;
    QCheckBox* CheckBox3;
    QPushButton* BitBtn1;
    QCheckBox* CheckBox2;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QFrame* Bevel1;
    QLabel* Image1;
    QPushButton* Button3;
    QPushButton* Button1;
    QPushButton* Button2;
    KeptOpenDialog OpenPictureDialog1;

    // The jacket made by the last successful "Load Picture"; nothing before the first.
    std::optional<Picture15> JacketPreview;

    // Shows the dialog modally over `owner`, its preview showing the kept JacketPreview (the
    // placeholder before the first load), and returns what OK handed over, or nothing when the
    // dialog was cancelled or closed otherwise.
    std::optional<RewriteRequest> Ask(QWidget* owner);

public slots:
    void CheckBox1Click();
    void CheckBox2Click();
    void BitBtn1Click();
    void Button3Click();
    void Button1Click();
    void Button2Click();

protected:
    // Enter and Escape press neither OK nor Cancel; a close by the window system counts as Cancel.
    void keyPressEvent(QKeyEvent* event) override;

private:
    const DriveMap& drives_;
    std::optional<RewriteRequest> handedOver_;
};

extern TForm3* Form3;

}  // namespace corvina
