// The frame shared by the framed controls: the frame properties, the tracking
// of focus and mouse that a flat frame follows, and the drawing of the frame
// around the control's border.
#pragma once

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>
#include <QRect>
#include <QWheelEvent>
#include <functional>

#include "platform/Colors.h"

enum class TFrameStyle {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup
};

enum TFrameSide { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
inline constexpr int kAllSides = sdLeft | sdTop | sdRight | sdBottom;

// Draws `style` on `sides` of `rect` (right and bottom exclusive) after two
// one-pixel rectangles in `color` on all sides; `frameColor` is the line of
// fsFlat.
void PaintFrame(QPainter& painter, const QRect& rect, TFrameStyle style, int sides, TColor frameColor, TColor color);

// The frame properties and their state. The control calls the On* functions
// from its events; `repaint` redraws the frame, `relayout` re-lays the border.
class TFrameState {
 public:
  TColor FrameColor() const { return frameColor_; }
  bool FrameFlat() const { return frameFlat_; }
  TFrameStyle FrameFlatStyle() const { return flatStyle_; }
  TFrameStyle FrameFocusStyle() const { return focusStyle_; }
  int FrameSides() const { return sides_; }
  TFrameStyle FrameStyle() const { return style_; }
  bool FrameVisible() const { return visible_; }
  bool UseFrameController() const { return useController_; }
  bool MouseInControl() const { return mouseIn_; }
  bool Focused() const { return focused_; }

  void SetFrameColor(TColor c) { Store(frameColor_, c); }
  void SetFrameFlat(bool flat);
  void SetFrameFlatStyle(TFrameStyle s) { Store(flatStyle_, s); }
  void SetFrameFocusStyle(TFrameStyle s) { Store(focusStyle_, s); }
  void SetFrameSides(int sides) { Store(sides_, sides); }
  void SetFrameStyle(TFrameStyle s) { Store(style_, s); }
  void SetFrameVisible(bool v);
  void SetUseFrameController(bool v) { useController_ = v; }

  std::function<void()> OnMouseEnter, OnMouseLeave;

  // Event handling; returns nothing, the event goes on as usual.
  void Track(QEvent::Type type);

  std::function<void()> repaint, relayout;

 private:
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    if (repaint) repaint();
  }
  void UpdateStyle();

  TColor frameColor_ = clBtnShadow;
  bool frameFlat_ = false;
  TFrameStyle flatStyle_ = TFrameStyle::fsStatus;
  TFrameStyle focusStyle_ = TFrameStyle::fsLowered;
  int sides_ = kAllSides;
  TFrameStyle style_ = TFrameStyle::fsFlat;
  bool visible_ = false;
  bool useController_ = true;
  bool mouseIn_ = false;
  bool focused_ = false;
};

// Whole wheel notches of `e` (120 units each; fine-grained wheels and touch
// pads send less), keeping what is left over in `remainder` for the next event.
inline int WheelNotches(const QWheelEvent* e, int& remainder) {
  remainder += e->angleDelta().y();
  const int notches = remainder / 120;
  remainder %= 120;
  return notches;
}

// A scrolling control (list, tree) with the frame drawn in its border.
template <class Base>
class TFramedScrollArea : public Base {
 public:
  explicit TFramedScrollArea(QWidget* parent = nullptr) : Base(parent) {
    frame_.repaint = [this] {
      if (frame_.FrameVisible()) this->update();
    };
    frame_.relayout = [this] {
      const bool visible = frame_.FrameVisible();
      this->setFrameShape(visible ? QFrame::NoFrame : QFrame::StyledPanel);
      this->setViewportMargins(visible ? 2 : 0, visible ? 2 : 0, visible ? 2 : 0, visible ? 2 : 0);
      this->update();
    };
  }
  TFrameState& Frame() { return frame_; }

 protected:
  bool event(QEvent* e) override {
    frame_.Track(e->type());
    const bool result = Base::event(e);
    if (e->type() == QEvent::Paint && frame_.FrameVisible()) {
      QPainter painter(this);
      PaintFrame(painter, this->rect(), frame_.FrameStyle(), frame_.FrameSides(), frame_.FrameColor(),
                 FromQColor(this->palette().color(QPalette::Base)));
    }
    return result;
  }

  TFrameState frame_;
};
