// The canvas over a QPrinter or a QPdfWriter, in a file of its own: only
// what prints on a printer (the print module, tests) brings in Qt's print
// support.
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "editor/SrcEditMiscProcs.h"
#include "editor/SrcEditPrinterInfo.h"

TPrinterCanvas::TPrinterCanvas(QPrinter& printer) : device_(printer), printer_(&printer) {}
TPrinterCanvas::TPrinterCanvas(QPdfWriter& writer) : device_(writer), writer_(&writer) {}
TPrinterCanvas::~TPrinterCanvas() {
  if (painter_ && painter_->isActive()) painter_->end();
}

TSrcEditPrinterGeometry TPrinterCanvas::Geometry() const {
  const int dpi = printer_ ? printer_->resolution() : writer_->resolution();
  const QRect full = device_.pageLayout().fullRectPixels(dpi);
  const QRect paint = device_.pageLayout().paintRectPixels(dpi);
  TSrcEditPrinterGeometry g;
  g.PhysicalWidth = full.width();
  g.PhysicalHeight = full.height();
  g.PrintableWidth = paint.width();
  g.PrintableHeight = paint.height();
  g.LeftGutter = paint.left() - full.left();
  g.TopGutter = paint.top() - full.top();
  g.XPixelsPerInch = g.YPixelsPerInch = dpi;
  return g;
}

bool TPrinterCanvas::BeginDoc(const QString& title) {
  if (printer_) {
    printer_->setDocName(title);
    printer_->setCopyCount(1);
  } else {
    writer_->setTitle(title);
  }
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(&device_)) return false;
  painter_->setFont(font_);
  return true;
}

void TPrinterCanvas::NewPage() { device_.newPage(); }

bool TPrinterCanvas::EndDoc() { return !painter_ || !painter_->isActive() || painter_->end(); }

void TPrinterCanvas::Abort() {
  // A PDF file's owner throws away what was written (see PrintModule::OpenCanvas).
  if (printer_) printer_->abort();
  EndDoc();
}

void TPrinterCanvas::SetFont(const QFont& font) {
  font_ = PointSizedFont(font);
  if (painter_ && painter_->isActive()) painter_->setFont(font_);
}

TPrintFontMetrics TPrinterCanvas::Metrics() const {
  const QFontMetrics m(font_, &device_);
  return {m.height(), m.ascent(), m.descent(), m.leading(), m.averageCharWidth()};
}

int TPrinterCanvas::TextWidth(const QString& text) const {
  return QFontMetrics(font_, &device_).horizontalAdvance(text);
}

void TPrinterCanvas::DrawText(int x, int y, const QString& text, const QColor& color, const QColor& background,
                              int cellWidth, bool baseline) {
  if (!painter_ || !painter_->isActive() || text.isEmpty()) return;
  const QFontMetrics m(font_, &device_);
  const int top = baseline ? y - m.ascent() : y;
  const int base = baseline ? y : y + m.ascent();
  const int width =
      cellWidth > 0 ? cellWidth * TextCells(text, 0, static_cast<int>(text.size())) : m.horizontalAdvance(text);
  if (background.isValid()) painter_->fillRect(QRect(x, top, width, m.height()), background);
  painter_->setPen(color);
  if (cellWidth <= 0 || m.horizontalAdvance(text) == width) {
    painter_->drawText(QPoint(x, base), text);
    return;
  }
  // Every character in its own cell, as on the editor's grid: a wide one
  // in the middle of two cells (squeezed into them when it is wider), a
  // surrogate pair in two.
  const QFontMetricsF metrics(font_, &device_);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
    const QString c = text.mid(i, pair ? 2 : 1);
    if (!pair && IsWideChar(text[i].unicode())) {
      const qreal span = 2 * cellWidth, advance = metrics.horizontalAdvance(c);
      painter_->save();
      painter_->translate(x + std::max<qreal>(0, (span - advance) / 2), base);
      if (advance > span) painter_->scale(span / advance, 1.0);
      painter_->drawText(QPointF(0, 0), c);
      painter_->restore();
      x += 2 * cellWidth;
      continue;
    }
    painter_->drawText(QPoint(x, base), c);
    x += cellWidth;
    if (pair) {
      x += cellWidth;
      ++i;
    }
  }
}

void TPrinterCanvas::FillRect(const QRect& rect, const QColor& color) {
  if (painter_ && painter_->isActive()) painter_->fillRect(rect, color);
}

void TPrinterCanvas::DrawRect(const QRect& rect, const QColor& pen, const QColor& brush) {
  if (!painter_ || !painter_->isActive()) return;
  painter_->setPen(pen.isValid() ? QPen(pen) : QPen(Qt::NoPen));
  painter_->setBrush(brush.isValid() ? QBrush(brush) : QBrush(Qt::NoBrush));
  painter_->drawRect(rect);
  painter_->setBrush(Qt::NoBrush);
}

void TPrinterCanvas::DrawLine(int x1, int y1, int x2, int y2, const QColor& color) {
  if (!painter_ || !painter_->isActive()) return;
  painter_->setPen(color);
  painter_->drawLine(x1, y1, x2, y2);
}
