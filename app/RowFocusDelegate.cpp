// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RowFocusDelegate.h"

#include <QAbstractItemView>
#include <QPainter>

namespace app {

RowFocusDelegate::RowFocusDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {}

void RowFocusDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem cell(option);
  cell.state &= ~QStyle::State_HasFocus;
  QStyledItemDelegate::paint(painter, cell, index);
  const QModelIndex current = view_->currentIndex();
  if (!view_->hasFocus() || !current.isValid() || current.row() != index.row()) return;

  painter->save();
  painter->setPen(Qt::NoPen);
  painter->setBrush(option.palette.brush(QPalette::Active, QPalette::Highlight));
  const QRect r = option.rect;
  const int w = kFrameWidth;
  painter->drawRect(r.left(), r.top(), r.width(), w);
  painter->drawRect(r.left(), r.bottom() - w + 1, r.width(), w);
  if (index.column() == 0) painter->drawRect(r.left(), r.top(), w, r.height());
  if (index.column() == index.model()->columnCount() - 1) painter->drawRect(r.right() - w + 1, r.top(), w, r.height());
  painter->restore();
}

}  // namespace app
