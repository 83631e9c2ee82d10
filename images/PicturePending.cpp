#include "images/PicturePending.h"

#include <QPainter>

TPicturePending::TPicturePending(QWidget* parent) : QWidget(parent) {}

void TPicturePending::paintEvent(QPaintEvent*) {
  const int side = qMin(96, qMin(width(), height()) - 8);
  if (side < 8) return;
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
  p.drawRect(QRect((width() - side) / 2, (height() - side) / 2, side - 1, side - 1));
}
