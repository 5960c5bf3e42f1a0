#pragma once

#include <QDialog>

#include "core/wallpaper/wallpaper_transport.h"
#include "gui/controls/open_dialogs.h"

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QStatusBar;

namespace corvina {

class SharedState;

// The wallpaper transporter: loads a picture as a 240x320 preview and sends it to the player as
// its wallpaper. Made once; the picture, the preview and the status stay from one showing of the
// dialog to the next.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    TForm4(QWidget* parent, SharedState& state);

    QGroupBox* GroupBox1;
    QFrame* Bevel1;
    QLabel* Image1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QStatusBar* StatusBar1;
    KeptOpenDialog OpenPictureDialog1;

    const WallpaperTransporter& Transporter() const noexcept { return transporter_; }

public slots:
    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    SharedState& state_;
    WallpaperTransporter transporter_;
};

extern TForm4* Form4;

}  // namespace corvina
