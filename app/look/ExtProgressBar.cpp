#include "app/look/ExtProgressBar.h"

#include <QPainter>
#include <QPalette>

TExtProgressBar::TExtProgressBar(QWidget* parent)
    : QProgressBar(parent),
      color_(palette().color(QPalette::Button)),
      selectionColor_(palette().color(QPalette::Highlight)) {
  setTextVisible(false);
}

void TExtProgressBar::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void TExtProgressBar::SetSelectionColor(const QColor& color) {
  selectionColor_ = color;
  update();
}

void TExtProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, color_);
  const qint64 span = qint64(maximum()) - minimum();
  if (span <= 0) return;
  const double part = double(qint64(value()) - minimum()) / double(span);
  if (part <= 0) return;
  if (orientation() == Qt::Horizontal) {
    const int w = qRound(r.width() * qMin(part, 1.0));
    p.fillRect(QRect(r.left(), r.top(), w, r.height()), selectionColor_);
  } else {
    const int h = qRound(r.height() * qMin(part, 1.0));
    p.fillRect(QRect(r.left(), r.bottom() + 1 - h, r.width(), h), selectionColor_);
  }
}
