#include "gui/controls/anchors.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace corvina {

AnchorLayout::AnchorLayout(QWidget* parent, QSize designSize)
    : QObject(parent), parent_(parent), designSize_(designSize) {
    setObjectName(QStringLiteral("AnchorLayout"));
    parent->installEventFilter(this);
}

void AnchorLayout::Add(QWidget* control, unsigned anchors) {
    items_.push_back(Item{control, control->geometry(), anchors});
    Apply();
}

void AnchorLayout::Apply() {
    const int dx = parent_->width() - designSize_.width();
    const int dy = parent_->height() - designSize_.height();
    for (const Item& item : items_) {
        QRect r = item.design;
        if (item.anchors & kAnchorRight) {
            if (item.anchors & kAnchorLeft) {
                r.setWidth(std::max(0, r.width() + dx));
            } else {
                r.moveLeft(r.left() + dx);
            }
        }
        if (item.anchors & kAnchorBottom) {
            if (item.anchors & kAnchorTop) {
                r.setHeight(std::max(0, r.height() + dy));
            } else {
                r.moveTop(r.top() + dy);
            }
        }
        if (item.control->geometry() != r) item.control->setGeometry(r);
    }
}

bool AnchorLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent_ && event->type() == QEvent::Resize) Apply();
    return false;
}

AnchorLayout* Anchors(QWidget* parent, QSize designSize) {
    auto* layout = parent->findChild<AnchorLayout*>(QString(), Qt::FindDirectChildrenOnly);
    return layout != nullptr ? layout : new AnchorLayout(parent, designSize);
}

void CenterOnWindow(QWidget* window, const QWidget* owner) {
    QRect area;
    if (owner != nullptr) {
        area = owner->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    // A window that has never been shown has no frame yet; its frame will be like its owner's.
    const auto marginsOf = [](const QWidget* w) {
        const QRect frame = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                        frame.right() - inner.right(), frame.bottom() - inner.bottom());
    };
    QMargins frame = marginsOf(window);
    if (frame.isNull() && owner != nullptr) frame = marginsOf(owner);
    const QSize size = window->size().grownBy(frame);
    // For a top-level window, move() places the frame's top-left corner.
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}

}  // namespace corvina
