#include "editor/SrcEditPrintMargins.h"

#include <algorithm>
#include <cmath>

double TSrcEditPrintMargins::ToMM(double value) const {
  switch (UnitSystem) {
    case usCM:
      return value * 10;
    case usInch:
      return value * 25.4;
    case muThousandthsOfInches:
      return value * 25.4 / 1000;
    default:
      return value;
  }
}

double TSrcEditPrintMargins::FromMM(double mm) const {
  switch (UnitSystem) {
    case usCM:
      return mm / 10;
    case usInch:
      return mm / 25.4;
    case muThousandthsOfInches:
      return mm * 1000 / 25.4;
    default:
      return mm;
  }
}

void TSrcEditPrintMargins::LayoutPage(const TPrintCanvas& canvas, int pageNum, const TSrcEditPrinterInfo& info,
                                      bool lineNumbers, bool lineNumbersInMargin, int maxLineNumber) {
  if (pageNum % 2 == 0 && MirrorMargins) {
    PLeft = info.PixFromLeft(right_);
    PRight = info.PrintableWidth() - info.PixFromRight(left_ + gutter_);
  } else {
    PLeft = info.PixFromLeft(left_ + gutter_);
    PRight = info.PrintableWidth() - info.PixFromRight(right_);
  }
  if (lineNumbers && !lineNumbersInMargin)
    PLeft += canvas.TextWidth(QString::number(maxLineNumber) + QStringLiteral(": "));
  PTop = info.PixFromTop(top_);
  PBottom = info.PrintableHeight() - info.PixFromBottom(bottom_);
  PHeader = info.PixFromTop(header_);
  PFooter = info.PrintableHeight() - info.PixFromBottom(footer_);
  // Margins that leave no room still give the text one pixel.
  PRight = std::max(PRight, PLeft + 1);
  PBottom = std::max(PBottom, PTop + 1);
  PHFInternalMargin = static_cast<int>(std::lround(info.YPixPrMM() * hfInternalMargin_));
  PGutter = static_cast<int>(std::lround(info.XPixPrMM() * gutter_));
  PRightHFTextIndent = PRight - static_cast<int>(std::lround(info.XPixPrMM() * rightHFTextIndent_));
  PLeftHFTextIndent = PLeft + static_cast<int>(std::lround(info.XPixPrMM() * leftHFTextIndent_));
}
