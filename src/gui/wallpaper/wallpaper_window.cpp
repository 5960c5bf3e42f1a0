#include "gui/wallpaper/wallpaper_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>

#include "core/formats/gbp.h"
#include "core/os/drives.h"
#include "core/session/shared_state.h"
#include "gui/controls/designer.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/picture_label.h"

namespace corvina {

TForm4* Form4 = nullptr;

namespace {

// The status bar as the transporter's status line. It is painted at once: the transport runs
// to its end before the event loop would get to paint it.
class StatusBarLine : public StatusLine {
public:
    explicit StatusBarLine(QStatusBar* bar) : bar_(bar) {}
    void SetText(std::string_view text) override {
        bar_->showMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        bar_->repaint();
    }

private:
    QStatusBar* bar_;
};

}  // namespace

// A fixed dialog box whose caption has only the close button.
TForm4::TForm4(QWidget* parent, SharedState& state)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      state_(state) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Wallpaper Transporter"));
    setFixedSize(413, 452);

    GroupBox1 = MakeControl<QGroupBox>(this, "GroupBox1", QRect(16, 16, 377, 369));
    GroupBox1->setTitle(QStringLiteral("Wallpaper"));
    Bevel1 = MakeBevel(GroupBox1, "Bevel1", QRect(16, 29, 244, 324));
    Image1 = MakeImage(GroupBox1, "Image1", QRect(18, 31, kWallpaperWidth, kWallpaperHeight));
    Button1 = MakeButton(GroupBox1, "Button1", QRect(264, 32, 105, 33), QStringLiteral("Load"));
    Button2 =
        MakeButton(GroupBox1, "Button2", QRect(264, 80, 105, 33), QStringLiteral("Transport"));
    Button3 = MakeButton(this, "Button3", QRect(296, 392, 97, 33), QStringLiteral("Close"));
    StatusBar1 = MakeControl<QStatusBar>(this, "StatusBar1", QRect(0, 432, 413, 20));
    StatusBar1->setSizeGripEnabled(false);

    OpenPictureDialog1.request.filter =
        QStringLiteral("JPEG イメージファイル (*.jpg)|*.jpg|ビットマップ (*.bmp)|*.bmp");

    Wire(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    Wire(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    Wire(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    RunHandler(this, [this] { FormCreate(); });
}

void TForm4::FormCreate() {
    QPixmap white(kWallpaperWidth, kWallpaperHeight);
    white.fill(Qt::white);
    Image1->setPixmap(white);
}

void TForm4::Button1Click() {
    const std::optional<std::filesystem::path> host =
        OpenPictureDialog1.Choose(this, state_.Drives());
    if (!host) return;
    // The preview gets its own copy: it keeps showing the picture after a transport released it.
    ShowPicture(Image1, transporter_.Load(*host));
}

void TForm4::Button2Click() {
    WindowMessages messages(this);
    StatusBarLine status(StatusBar1);
    transporter_.Transport(state_.Drives(), state_.DeviceDrive, messages, status);
}

void TForm4::Button3Click() { close(); }

}  // namespace corvina
