// Full-width frames and tool bars painted with opaque fills only.
//
// The desktop's look draws a tool bar, its grip and the frame of a tab
// widget with long translucent lines, and the toolkit's raster engine hands
// every long translucent line to its thread pool and waits for it: hundreds
// of waits before the main window's first paint. This style makes the look's
// picture of such an element at a small size, lays its translucent pixels
// over what lies beneath there, and stretches its middle row and column over
// the element: the same pixels, painted opaque.
//
// Measured on Qt 6.4.2 (Fusion look, X11 and off-screen). It can go once the
// toolkit paints long translucent lines without its thread pool: then
// bench_startup shows the bare window as fast with these bars as without.
#pragma once

#include <QProxyStyle>

class TOpaqueBarStyle : public QProxyStyle {
 public:
  // Over `base` (owned); the bars are painted opaque only where the base is
  // the Fusion look, whose frames and bars are known to run evenly.
  explicit TOpaqueBarStyle(QStyle* base);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;

 private:
  QImage BarBackground(const QWidget* widget, const QRect& rect) const;
  bool Stretchable(const QStyleOption* option, const QPainter* painter) const;

  const bool stretches_;
  // The last tool bar drawn, for the grip drawn on it next.
  struct TBar {
    const QWidget* widget = nullptr;
    QRect rect;
    QImage picture;
  };
  mutable TBar lastBar_;
};
