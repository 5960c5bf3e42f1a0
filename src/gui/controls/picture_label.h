#pragma once

#include <QImage>

class QLabel;

namespace corvina {

class Picture15;

// The picture as the screen shows it: each 5-bit channel widened to 8 bits as the display does
// (the value repeated into the low bits).
QImage ToImage(const Picture15& picture);

// Shows the picture unscaled at the top left of the label.
void ShowPicture(QLabel* label, const Picture15& picture);

}  // namespace corvina
