// Headers and footers of printed pages: lines of text items with macros
// ("$PAGENUM$", "$PAGECOUNT$", "$TITLE$", "$DATE$", "$TIME$", "$DATETIME$",
// "$TIMEDATE$"), an optional frame and Roman page numbers.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <vector>

#include "editor/SrcEditPrintMargins.h"

enum TFrameType { ftLine = 1, ftBox = 2, ftShaded = 4 };
using TFrameTypes = int;

enum THeaderFooterType { hftHeader, hftFooter };

struct THeaderFooterItem {
  QString Text;
  QFont Font;
  QColor Color;
  int LineNumber = 1;
  int Alignment = 0;  // 0 left, 1 right, 2 centre
  int Index = 0;
};

class THeaderFooter {
 public:
  explicit THeaderFooter(THeaderFooterType kind) : kind_(kind) {}

  TFrameTypes FrameTypes = ftLine;
  QColor ShadedColor = QColor(0xC0, 0xC0, 0xC0);
  QColor LineColor = Qt::black;
  QFont DefaultFont{QStringLiteral("Arial"), 10};
  QColor DefaultColor = Qt::black;
  bool RomanNumbers = false;
  bool MirrorPosition = false;

  THeaderFooterType Kind() const { return kind_; }
  // Appends an item; without a font it takes DefaultFont. Returns its index.
  int Add(const QString& text, const QFont* font, int alignment, int lineNumber);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const THeaderFooterItem& Item(int index) const { return items_[index]; }

  // Takes date and time, page count, title and margins (kept by reference:
  // each page's layout applies), sorts the items into lines and measures
  // them on `canvas`.
  void InitPrint(TPrintCanvas& canvas, int pageCount, const QString& title, const TSrcEditPrintMargins& margins,
                 const QDateTime& now);
  // The text of an item on page `pageNum`, with its macros expanded.
  QString GetText(const THeaderFooterItem& item, int pageNum) const;
  // Total height in pixels; -1 without items.
  int Height() const { return height_; }
  // Draws on `canvas` for page `pageNum` (when it has a height).
  void Print(TPrintCanvas& canvas, int pageNum);

 private:
  struct LineInfo {
    int LineHeight = 0;
    int MaxBaseDist = 0;
  };
  THeaderFooterType kind_;
  std::vector<THeaderFooterItem> items_;
  std::vector<LineInfo> lines_;
  QString date_, time_, title_;
  int pageCount_ = 0;
  const TSrcEditPrintMargins* margins_ = nullptr;
  int height_ = -1;
};

class THeader : public THeaderFooter {
 public:
  THeader() : THeaderFooter(hftHeader) {}
};

class TFooter : public THeaderFooter {
 public:
  TFooter() : THeaderFooter(hftFooter) {}
};

// `value` in Roman numerals; empty for 0 and below.
QString IntToRoman(int value);
