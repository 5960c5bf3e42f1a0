#include "gui/controls/picture_label.h"

#include <QLabel>
#include <QPixmap>

#include "core/pictures/picture.h"

namespace corvina {

QImage ToImage(const Picture15& picture) {
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    const std::uint16_t* pixel = picture.pixels().data();
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x, ++pixel) {
            const auto widen = [](unsigned five) {
                return static_cast<int>((five << 3) | (five >> 2));
            };
            line[x] =
                qRgb(widen((*pixel >> 10) & 31), widen((*pixel >> 5) & 31), widen(*pixel & 31));
        }
    }
    return image;
}

void ShowPicture(QLabel* label, const Picture15& picture) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setPixmap(QPixmap::fromImage(ToImage(picture)));
}

}  // namespace corvina
