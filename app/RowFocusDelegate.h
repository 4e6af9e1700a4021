// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws the cells of a list and a frame in the palette's highlight colour around the whole
// current row while the list has the focus, so that the keyboard's place is plain to see
// (the style's own focus frame is a faint dotted line around one cell).
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace app {

class RowFocusDelegate : public QStyledItemDelegate {
public:
  explicit RowFocusDelegate(QAbstractItemView* view);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  static constexpr int kFrameWidth = 2;

private:
  QAbstractItemView* view_;
};

}  // namespace app
