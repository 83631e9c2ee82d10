#include "app/look/AngleLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <cstdlib>

TAngleDirection AngleToDirection(qint64 angle) {
  qint64 a = angle % 360;
  if (a < 0) a += 360;
  return static_cast<TAngleDirection>(((a + 23) % 360) / 45);
}

TAngleTextPosition CalcAngleTextPosition(TAngleDirection direction, const QRect& measured, int fontHeight) {
  const int h = fontHeight;
  const int s = std::abs(h) + static_cast<int>(std::lround(measured.width() * 0.7071067));
  const QRect square(measured.topLeft(), QSize(s, s));
  const QRect swapped(measured.topLeft(), measured.size().transposed());
  QRect r = measured;
  if (direction == adNoth || direction == adSouth) r = swapped;
  if (direction % 2 == 1) r = square;
  // The origin is taken from the label's new bounds, so that the turned text
  // ends inside them.
  const int l = r.left(), t = r.top(), rt = r.left() + r.width(), b = r.top() + r.height();
  switch (direction) {
    case adEast:
      return {r, {l, t}};
    case adNothEast:
      return {r, {l, b + h}};
    case adNoth:
      return {r, {l, b}};
    case adNothWest:
      return {r, {rt + h, b}};
    case adWest:
      return {r, {rt, b}};
    case adSouthWest:
      return {r, {rt, t - h}};
    case adSouth:
      return {r, {rt, t}};
    case adSouthEast:
      return {r, {l - h, t}};
  }
  return {r, {l, t}};
}

TAngleLabel::TAngleLabel(QWidget* parent) : QWidget(parent) {
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(14);
  setFont(f);
  setAttribute(Qt::WA_TranslucentBackground);
  AdjustBounds();
}

void TAngleLabel::SetAngle(qint64 angle) { SetAngleDirection(AngleToDirection(angle)); }

void TAngleLabel::SetAngleDirection(TAngleDirection direction) {
  if (direction == direction_) return;
  direction_ = direction;
  angle_ = direction * 45;
  AdjustBounds();
  update();
}

void TAngleLabel::SetCaption(const QString& caption) {
  caption_ = caption;
  AdjustBounds();
  update();
}

void TAngleLabel::SetTransparent(bool value) {
  transparent_ = value;
  setAttribute(Qt::WA_TranslucentBackground, value);
  update();
}

void TAngleLabel::SetShowAccelChar(bool value) {
  showAccelChar_ = value;
  AdjustBounds();
  update();
}

int TAngleLabel::FontHeight() const { return -QFontMetrics(font()).height(); }

QString TAngleLabel::DisplayText() const {
  // An empty caption, or a lone "&" that only marks an accelerator, measures
  // as one blank.
  if (caption_.isEmpty() || (showAccelChar_ && caption_ == QLatin1String("&"))) return QStringLiteral(" ");
  if (!showAccelChar_) return caption_;
  QString text = caption_;
  text.replace(QLatin1String("&&"), QLatin1String("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text;
}

void TAngleLabel::AdjustBounds() {
  const QFontMetrics fm(font());
  const QRect measured(0, 0, fm.horizontalAdvance(DisplayText()), fm.height());
  const TAngleTextPosition pos = CalcAngleTextPosition(direction_, measured, FontHeight());
  origin_ = pos.origin;
  resize(pos.rect.size());
}

void TAngleLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    AdjustBounds();
    update();
  }
  QWidget::changeEvent(event);
}

void TAngleLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!transparent_) p.fillRect(rect(), palette().window());
  p.setFont(font());
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.translate(origin_);
  p.rotate(-angle_);
  // The text hangs below its origin, as text written from its top-left corner.
  p.drawText(QPoint(0, QFontMetrics(font()).ascent()), DisplayText());
}
