#include "editor/SrcEditPrinterInfo.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "editor/SrcEditMiscProcs.h"

void TSrcEditPrinterInfo::UpdateFrom(const TPrintCanvas* canvas) {
  geometry_ = canvas ? canvas->Geometry() : TSrcEditPrinterGeometry::A4();
  valid_ = true;
}

const TSrcEditPrinterGeometry& TSrcEditPrinterInfo::Geometry() const {
  if (!valid_) {
    geometry_ = TSrcEditPrinterGeometry::A4();
    valid_ = true;
  }
  return geometry_;
}

int TSrcEditPrinterInfo::PixFromLeft(double mm) const {
  return static_cast<int>(std::lround(mm * XPixPrMM() - LeftGutter()));
}
int TSrcEditPrinterInfo::PixFromRight(double mm) const {
  return static_cast<int>(std::lround(mm * XPixPrMM() - RightGutter()));
}
int TSrcEditPrinterInfo::PixFromTop(double mm) const {
  return static_cast<int>(std::lround(mm * YPixPrMM() - TopGutter()));
}
int TSrcEditPrinterInfo::PixFromBottom(double mm) const {
  return static_cast<int>(std::lround(mm * YPixPrMM() - BottomGutter()));
}

QFont PointSizedFont(const QFont& font) {
  QFont f = font;
  if (f.pointSizeF() <= 0) f.setPointSizeF(std::max(f.pixelSize(), 1) * 72.0 / 96.0);
  return f;
}
