#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QVector>

class QWidget;

namespace corvina {

// Edges of its parent a control keeps its distance to.
enum Anchor : unsigned {
    kAnchorLeft = 0x1,
    kAnchorTop = 0x2,
    kAnchorRight = 0x4,
    kAnchorBottom = 0x8,
    kAnchorLeftTop = kAnchorLeft | kAnchorTop,
    kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
};

// Keeps the controls of one parent at their designed distances to the anchored edges while the
// parent is resized: anchored left and right, a control grows with the parent; anchored right
// only, it moves with the right edge (likewise top and bottom). Geometry is in the parent's
// pixels; the design size is the parent's size that the designed positions belong to.
class AnchorLayout : public QObject {
    Q_OBJECT
public:
    AnchorLayout(QWidget* parent, QSize designSize);

    // Records the control's current geometry as its designed one and applies the anchors.
    void Add(QWidget* control, unsigned anchors);

    // Moves every control for the parent's present size.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QWidget* control;
        QRect design;
        unsigned anchors;
    };
    QWidget* parent_;
    QSize designSize_;
    QVector<Item> items_;
};

// The layout of `parent`, made on first use with `designSize` (later calls keep the first size).
AnchorLayout* Anchors(QWidget* parent, QSize designSize);

// Places `window` so that its centre is the centre of `owner`'s frame (the screen's centre when
// owner is null).
void CenterOnWindow(QWidget* window, const QWidget* owner);

}  // namespace corvina
