#pragma once

#include <QDialog>

namespace corvina {

// The wallpaper transporter: turns a picture into the player's wallpaper.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent);
};

extern TForm4* Form4;

}  // namespace corvina
