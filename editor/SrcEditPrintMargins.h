// The ten page margins of printing, kept in millimetres and shown in a unit
// system of choice, and their pixel positions on a page.
#pragma once

#include "editor/SrcEditPrinterInfo.h"

enum TUnitSystem { usMM, usCM, usInch, muThousandthsOfInches };

class TSrcEditPrintMargins {
 public:
  TUnitSystem UnitSystem = usMM;

  // The published values, in UnitSystem.
  double Left() const { return FromMM(left_); }
  double Right() const { return FromMM(right_); }
  double Top() const { return FromMM(top_); }
  double Bottom() const { return FromMM(bottom_); }
  double Header() const { return FromMM(header_); }
  double Footer() const { return FromMM(footer_); }
  double LeftHFTextIndent() const { return FromMM(leftHFTextIndent_); }
  double RightHFTextIndent() const { return FromMM(rightHFTextIndent_); }
  double HFInternalMargin() const { return FromMM(hfInternalMargin_); }
  double Gutter() const { return FromMM(gutter_); }
  void SetLeft(double v) { left_ = ToMM(v); }
  void SetRight(double v) { right_ = ToMM(v); }
  void SetTop(double v) { top_ = ToMM(v); }
  void SetBottom(double v) { bottom_ = ToMM(v); }
  void SetHeader(double v) { header_ = ToMM(v); }
  void SetFooter(double v) { footer_ = ToMM(v); }
  void SetLeftHFTextIndent(double v) { leftHFTextIndent_ = ToMM(v); }
  void SetRightHFTextIndent(double v) { rightHFTextIndent_ = ToMM(v); }
  void SetHFInternalMargin(double v) { hfInternalMargin_ = ToMM(v); }
  void SetGutter(double v) { gutter_ = ToMM(v); }
  bool MirrorMargins = false;

  // Computes the pixel positions below for `pageNum`. With line numbers
  // outside the margin, the text moves right by the width of the highest
  // line number and ": " in the canvas font. The text area is always at
  // least one pixel wide and high.
  void LayoutPage(const TPrintCanvas& canvas, int pageNum, const TSrcEditPrinterInfo& info, bool lineNumbers,
                  bool lineNumbersInMargin, int maxLineNumber);

  int PLeft = 0, PRight = 0, PTop = 0, PBottom = 0, PHeader = 0, PFooter = 0;
  int PLeftHFTextIndent = 0, PRightHFTextIndent = 0, PHFInternalMargin = 0, PGutter = 0;

  double ToMM(double value) const;
  double FromMM(double mm) const;

 private:
  double left_ = 25, right_ = 15, top_ = 25, bottom_ = 25, header_ = 15, footer_ = 15;
  double leftHFTextIndent_ = 2, rightHFTextIndent_ = 2, hfInternalMargin_ = 0.5, gutter_ = 0;
};
