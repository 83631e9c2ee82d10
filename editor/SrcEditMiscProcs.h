// Small string and arithmetic procedures used across the editor, the printer
// and the exporter. Text positions are counted from 1.
#pragma once

#include "editor/SrcEditTypes.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringView>

class QPainter;

inline int Max(int a, int b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }
inline int Clamp(int x, int lo, int hi) { return x < lo ? lo : (x > hi ? hi : x); }
inline void SwapInts(int& a, int& b) {
  const int t = a;
  a = b;
  b = t;
}
// Stores `value` in `field` when it differs; tells whether it did (property
// setters notify only on a real change).
template <class T, class V>
bool StoreIfChanged(T& field, const V& value) {
  if (field == value) return false;
  field = value;
  return true;
}

// The later / earlier of two positions, the line compared first.
TPoint LaterPoint(TPoint p, TPoint q);
TPoint EarlierPoint(TPoint p, TPoint q);

// Fills a rectangle with a colour (the background of text runs and margins).
void FillRect(QPainter& painter, const QRect& rect, const QColor& color);

// Whether the text holds a TAB; `charsBefore` receives the number of
// characters before the first one (the whole length when there is none).
bool HasTabs(QStringView text, int& charsBefore);

// Lays the text out on the character grid: each TAB becomes fillers up to the
// next multiple of `tabWidth` (TAB characters for widths of 2 and more, one
// blank for width 1 or less). Text without TAB is returned unchanged.
QString ExpandTabs(const QString& text, int tabWidth);

bool IsPowerOfTwo(int n);

// Tab converters for a tab width; the second kind also reports whether the
// text held a TAB.
using TConvertTabsProc = QString (*)(const QString& text, int tabWidth);
using TConvertTabsProcEx = QString (*)(const QString& text, int tabWidth, bool& hasTabs);
TConvertTabsProc GetTabConvertProc(int tabWidth);
TConvertTabsProcEx GetTabConvertProcEx(int tabWidth);

// First position >= start whose character is in `set`, or 0. A start on the
// second half of a surrogate pair moves one on; pairs are skipped whole.
int ScanForCharInSet(QStringView text, int start, QStringView set);
// Last position <= start whose character is in `set`, or 0; never stops on
// the second half of a surrogate pair.
int ScanBackForCharInSet(QStringView text, int start, QStringView set);
// First (last) position at or after (at or before) start that begins a
// surrogate pair, or 0 when there is none.
int ScanForLeadByte(QStringView text, int start);
int ScanBackForLeadByte(QStringView text, int start);

// Splits a text at CR LF, CR or LF. A break at the very end starts one more
// (empty) line unless `trailingBreakEndsText` is set.
QStringList SplitTextLines(const QString& text, bool trailingBreakEndsText = false);

// Position of the first NUL, line feed or carriage return; length + 1 when
// the text holds none.
int FindLineEnd(QStringView text);
