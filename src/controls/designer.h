#pragma once

#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

// Controls placed the way the windows were designed: the designer name as the objectName (tests
// find controls by it), and fixed positions and sizes in pixels.
namespace corvina {

template <typename Widget>
Widget* MakeControl(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

// A label sized to its text, with its top-left corner at `position`.
inline QLabel* MakeLabel(QWidget* parent, const char* name, QPoint position, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(position);
    label->adjustSize();
    return label;
}

}  // namespace corvina
