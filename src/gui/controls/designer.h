#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
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

// A push button that Enter presses only while it has the focus: the classic dialogs have no
// default button.
inline QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry,
                               const QString& text) {
    auto* button = MakeControl<QPushButton>(parent, name, geometry);
    button->setText(text);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A raised panel and a sunken bevel, the two frames of the classic windows.
inline QFrame* MakePanel(QWidget* parent, const char* name, QRect geometry) {
    auto* panel = MakeControl<QFrame>(parent, name, geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

inline QFrame* MakeBevel(QWidget* parent, const char* name, QRect geometry) {
    auto* bevel = MakeControl<QFrame>(parent, name, geometry);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return bevel;
}

// A picture control: its picture sits unscaled at the top left.
inline QLabel* MakeImage(QWidget* parent, const char* name, QRect geometry) {
    auto* image = MakeControl<QLabel>(parent, name, geometry);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

// A menu item and a separator line, with their designer names.
inline QAction* MakeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

inline QAction* MakeSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A popup menu with its designer name, shown on a right click in `control`.
inline QMenu* MakePopupMenu(QWidget* control, const char* name) {
    auto* menu = new QMenu(control);
    menu->setObjectName(QString::fromLatin1(name));
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        control, &QWidget::customContextMenuRequested, menu,
        [control, menu](const QPoint& pos) { menu->popup(control->mapToGlobal(pos)); });
    return menu;
}

}  // namespace corvina
