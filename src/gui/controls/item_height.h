#pragma once

class QAbstractItemView;

namespace corvina {

// Gives every item of a list the same height in pixels, as the classic list boxes had.
void SetItemHeight(QAbstractItemView* view, int pixels);

}  // namespace corvina
