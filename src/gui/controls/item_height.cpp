#include "gui/controls/item_height.h"

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace corvina {

namespace {

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    FixedHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height_);
    }

private:
    int height_;
};

}  // namespace

void SetItemHeight(QAbstractItemView* view, int pixels) {
    view->setItemDelegate(new FixedHeightDelegate(pixels, view));
}

}  // namespace corvina
