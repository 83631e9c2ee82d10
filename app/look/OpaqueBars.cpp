#include "app/look/OpaqueBars.h"

#include <QPaintEngine>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int kKeptEdge = 6;  // pixels kept at each end of a shrunk side

// The row (or column) range that pixel `i` of a side shrunk to `small` pixels
// covers on the full side of `full` pixels: the ends stay, the middle pixel
// stretches.
std::pair<int, int> StretchedSpan(int i, int small, int full) {
  if (small == full || i < kKeptEdge) return {i, i};
  if (i > kKeptEdge) return {full - small + i, full - small + i};
  return {kKeptEdge, full - 1 - kKeptEdge};
}

// The pixel of a side shrunk to `small` pixels that stands for pixel `f` of
// the full side.
int ShrunkPixel(int f, int small, int full) {
  if (small == full || f < kKeptEdge) return f;
  return f > full - 1 - kKeptEdge ? small - (full - f) : kKeptEdge;
}

// The pixel format `painter` paints into: blending rounds by it.
QImage::Format TargetFormat(const QPainter* painter) {
  const QPaintDevice* device = painter->paintEngine() ? painter->paintEngine()->paintDevice() : nullptr;
  return device && device->devType() == QInternal::Image ? static_cast<const QImage*>(device)->format()
                                                         : QImage::Format_ARGB32_Premultiplied;
}

// `under` (opaque) with what `draw` paints laid over it, as it would be in
// an image of `format`; the pixels `draw` leaves untouched come out
// transparent.
QImage Laid(const QImage& under, QImage::Format format, const std::function<void(QPainter*)>& draw) {
  QImage laid = under.convertToFormat(format);
  QImage touched(under.size(), QImage::Format_ARGB32_Premultiplied);
  touched.fill(Qt::transparent);
  for (QImage* image : {&laid, &touched}) {
    QPainter painter(image);
    draw(&painter);
  }
  laid.convertTo(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < laid.height(); ++y) {
    const auto* drawn = reinterpret_cast<const QRgb*>(touched.constScanLine(y));
    auto* line = reinterpret_cast<QRgb*>(laid.scanLine(y));
    for (int x = 0; x < laid.width(); ++x)
      if (qAlpha(drawn[x]) == 0) line[x] = 0;
  }
  return laid;
}

// Paints `picture`, made with its sides shrunk, over `rect` with opaque
// fills, one per run of like pixels; transparent pixels are left out.
void FillStretched(QPainter* painter, const QRect& rect, const QImage& picture) {
  for (int y = 0; y < picture.height(); ++y) {
    const auto [top, bottom] = StretchedSpan(y, picture.height(), rect.height());
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0, end = 0; x < picture.width(); x = end) {
      for (end = x + 1; end < picture.width() && line[end] == line[x];) ++end;
      if (qAlpha(line[x]) == 0) continue;
      const int left = StretchedSpan(x, picture.width(), rect.width()).first;
      const int right = StretchedSpan(end - 1, picture.width(), rect.width()).second;
      painter->fillRect(QRect(rect.left() + left, rect.top() + top, right - left + 1, bottom - top + 1),
                        QColor::fromRgb(line[x]));
    }
  }
}

// `size` with the sides asked for shrunk to the small picture's.
QSize Shrunk(QSize size, bool width, bool height) {
  constexpr int kSmall = 2 * kKeptEdge + 1;
  if (width) size.setWidth(std::min(size.width(), kSmall));
  if (height) size.setHeight(std::min(size.height(), kSmall));
  return size;
}

}  // namespace

TOpaqueBarStyle::TOpaqueBarStyle(QStyle* base)
    : QProxyStyle(base), stretches_(base && base->name().compare(u"fusion", Qt::CaseInsensitive) == 0) {}

void TOpaqueBarStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const {
  if (element == PE_FrameTabWidget && Stretchable(option, painter)) {
    if (const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option)) {
      // Beneath the frame's outer lines lies the window's background.
      QImage under(Shrunk(option->rect.size(), true, true), QImage::Format_ARGB32_Premultiplied);
      under.fill(option->palette.color(QPalette::Window));
      QStyleOptionTabWidgetFrame small = *frame;
      small.rect = under.rect();
      FillStretched(painter, option->rect, Laid(under, TargetFormat(painter), [&](QPainter* p) {
                      baseStyle()->drawPrimitive(element, &small, p, widget);
                    }));
      return;
    }
  }
  if (element == PE_IndicatorToolBarHandle && Stretchable(option, painter)) {
    if (const QImage under = BarBackground(widget, option->rect); !under.isNull()) {
      QStyleOption small = *option;
      small.rect = under.rect();
      FillStretched(painter, option->rect, Laid(under, TargetFormat(painter), [&](QPainter* p) {
                      baseStyle()->drawPrimitive(element, &small, p, widget);
                    }));
      return;
    }
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TOpaqueBarStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
  if (const auto* bar = qstyleoption_cast<const QStyleOptionToolBar*>(option);
      bar && element == CE_ToolBar && Stretchable(option, painter)) {
    // A tool bar's look runs along it: shrunk along its length only.
    const bool horizontal = option->state & State_Horizontal;
    QImage under(Shrunk(option->rect.size(), horizontal, !horizontal), QImage::Format_ARGB32_Premultiplied);
    under.fill(option->palette.color(QPalette::Window));
    QStyleOptionToolBar small = *bar;
    small.rect = under.rect();
    const QImage picture = Laid(under, TargetFormat(painter),
                                [&](QPainter* p) { baseStyle()->drawControl(element, &small, p, widget); });
    FillStretched(painter, option->rect, picture);
    lastBar_ = {widget, option->rect, picture};
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

// The background of the last tool bar drawn beneath `rect`, on which its
// grip is drawn next; null when `widget` is not that tool bar or its look
// left some of it unpainted.
QImage TOpaqueBarStyle::BarBackground(const QWidget* widget, const QRect& rect) const {
  if (widget != lastBar_.widget || !lastBar_.rect.contains(rect)) return {};
  const QImage& bar = lastBar_.picture;
  const QPoint at = rect.topLeft() - lastBar_.rect.topLeft();
  QImage under(rect.size(), QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < under.height(); ++y)
    for (int x = 0; x < under.width(); ++x) {
      const QRgb pixel = bar.pixel(ShrunkPixel(at.x() + x, bar.width(), lastBar_.rect.width()),
                                   ShrunkPixel(at.y() + y, bar.height(), lastBar_.rect.height()));
      if (qAlpha(pixel) != 255) return {};
      under.setPixel(x, y, pixel);
    }
  return under;
}

// Whether the look's picture of an element may be stretched onto this
// painter: pixel for pixel, drawn opaque as it comes.
bool TOpaqueBarStyle::Stretchable(const QStyleOption* option, const QPainter* painter) const {
  return stretches_ && option && !option->rect.isEmpty() && painter->device() &&
         painter->device()->devicePixelRatio() == 1 && painter->transform().type() <= QTransform::TxTranslate &&
         qFuzzyCompare(painter->opacity(), 1.0) && painter->compositionMode() == QPainter::CompositionMode_SourceOver;
}
