#include "files/FrTreeView.h"

#include <QPainter>

TFrCustomTreeView::TFrCustomTreeView(QWidget* parent) : TFramedScrollArea<QTreeWidget>(parent) {
  selectionPen_ = QPen(ToQColor(clBtnShadow), 1, Qt::SolidLine);
  setFocusPolicy(Qt::StrongFocus);
  setHeaderHidden(true);
  setAutoFillBackground(true);
}

void TFrCustomTreeView::SetSelectionPen(const QPen& pen) {
  if (pen == selectionPen_) return;
  selectionPen_ = pen;
  viewport()->update();
}

void TFrCustomTreeView::SetHideSelection(bool v) {
  if (v == hideSelection_) return;
  hideSelection_ = v;
  viewport()->update();
}

void TFrCustomTreeView::paintEvent(QPaintEvent* e) {
  QTreeWidget::paintEvent(e);
  QTreeWidgetItem* item = currentItem();
  if (hideSelection_ || hasFocus() || !item || !item->isSelected()) return;
  QRect r = visualItemRect(item);
  if (r.isEmpty()) return;
  // Around the node's text only, not the indentation.
  const int textWidth = fontMetrics().horizontalAdvance(item->text(0)) + 4;
  const int iconWidth = item->icon(0).isNull() ? 0 : iconSize().width() + 4;
  r.setLeft(r.left() + iconWidth);
  r.setWidth(std::min(r.width(), textWidth));
  QPainter p(viewport());
  p.setPen(selectionPen_);
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}
