#include "files/FramedControl.h"

void TFrameState::SetFrameFlat(bool flat) {
  if (frameFlat_ == flat) return;
  frameFlat_ = flat;
  if (flat) {
    sides_ = kAllSides;
    style_ = flatStyle_;
    SetFrameVisible(true);
  }
  UpdateStyle();
}

void TFrameState::SetFrameVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  if (relayout) relayout();
}

void TFrameState::UpdateStyle() {
  if (frameFlat_) {
    const TFrameStyle s = (focused_ || mouseIn_) ? focusStyle_ : flatStyle_;
    style_ = s;
  }
  if (repaint) repaint();
}

void TFrameState::Track(QEvent::Type type) {
  switch (type) {
    case QEvent::Enter:
      mouseIn_ = true;
      if (OnMouseEnter) OnMouseEnter();
      break;
    case QEvent::Leave:
      mouseIn_ = false;
      if (OnMouseLeave) OnMouseLeave();
      break;
    case QEvent::FocusIn:
      focused_ = true;
      break;
    case QEvent::FocusOut:
      focused_ = false;
      break;
    case QEvent::Resize:
    case QEvent::PaletteChange:
      if (repaint) repaint();
      return;
    default:
      return;
  }
  UpdateStyle();
}

namespace {
struct Lines {
  TColor outerA, outerB, innerA, innerB;
  bool twoLines;
};

// One line on each framed side: left and top in `a`, right and bottom in `b`.
void Line(QPainter& p, const QRect& r, int sides, TColor a, TColor b) {
  const int l = r.left(), t = r.top(), rr = r.left() + r.width() - 1, bb = r.top() + r.height() - 1;
  p.setPen(ToQColor(a));
  if (sides & sdLeft) p.drawLine(l, t, l, bb);
  if (sides & sdTop) p.drawLine(l, t, rr, t);
  p.setPen(ToQColor(b));
  if (sides & sdRight) p.drawLine(rr, t, rr, bb);
  if (sides & sdBottom) p.drawLine(l, bb, rr, bb);
}

void Point(QPainter& p, int x, int y, TColor c) {
  p.setPen(ToQColor(c));
  p.drawPoint(x, y);
}

void Etched(QPainter& p, const QRect& r, int sides, TColor a, TColor b) {
  const int left = r.left(), top = r.top(), right = r.left() + r.width(), bottom = r.top() + r.height();
  Line(p, QRect(QPoint(left + 1, top + 1), QPoint(right - 1, bottom - 1)), sides, b, b);
  Line(p, QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)), sides, a, a);
  const bool L = sides & sdLeft, T = sides & sdTop, R = sides & sdRight, B = sides & sdBottom;
  if (R)
    Point(p, right - 1, top, b);
  else if (T)
    Point(p, right - 1, top, a);
  if (B)
    Point(p, left, bottom - 1, b);
  else if (L)
    Point(p, left, bottom - 1, a);
  if (T && !L) Point(p, left, top + 1, b);
  if (L && !T) Point(p, left + 1, top, b);
  if (B && !R) Point(p, right - 1, bottom - 2, a);
  if (R && !B) Point(p, right - 2, bottom - 1, a);
}
}  // namespace

void PaintFrame(QPainter& p, const QRect& rect, TFrameStyle style, int sides, TColor frameColor, TColor color) {
  p.save();
  p.setBrush(Qt::NoBrush);
  Line(p, rect, kAllSides, color, color);
  Line(p, rect.adjusted(1, 1, -1, -1), kAllSides, color, color);
  Lines lines{};
  switch (style) {
    case TFrameStyle::fsNone:
      break;
    case TFrameStyle::fsFlat:
      Line(p, rect, sides, frameColor, frameColor);
      break;
    case TFrameStyle::fsGroove:
      Etched(p, rect, sides, clBtnShadow, clBtnHighlight);
      break;
    case TFrameStyle::fsBump:
      Etched(p, rect, sides, clBtnHighlight, clBtnShadow);
      break;
    case TFrameStyle::fsLowered:
      lines = {clBtnShadow, clBtnHighlight, clBtnText, cl3DLight, true};
      break;
    case TFrameStyle::fsRaised:
      lines = {cl3DLight, clBtnText, clBtnHighlight, clBtnShadow, true};
      break;
    case TFrameStyle::fsButtonDown:
      lines = {clBtnText, clBtnText, clBtnShadow, clBtnShadow, true};
      break;
    case TFrameStyle::fsButtonUp:
      lines = {clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, true};
      break;
    case TFrameStyle::fsStatus:
      lines = {clBtnShadow, clBtnHighlight, 0, 0, false};
      break;
    case TFrameStyle::fsPopup:
      lines = {clBtnHighlight, clBtnShadow, 0, 0, false};
      break;
  }
  if (lines.outerA || lines.outerB) {
    Line(p, rect, sides, lines.outerA, lines.outerB);
    if (lines.twoLines)
      Line(p,
           rect.adjusted(sides & sdLeft ? 1 : 0, sides & sdTop ? 1 : 0, sides & sdRight ? -1 : 0,
                         sides & sdBottom ? -1 : 0),
           sides, lines.innerA, lines.innerB);
  }
  p.restore();
}
