// Small string and arithmetic procedures used across the editor, the printer
// and the exporter. Text positions are counted from 1.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "editor/SrcEditTypes.h"

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

// ---- cells of the character grid
// A character of East Asian width W or F (CJK, Hangul, kana, fullwidth forms,
// emoji shown as pictures) takes two cells of the grid, any other one cell.
// A surrogate pair takes two cells, one per half, whatever its character
// (the wide ones of the other planes, CJK extension B and emoji, fill both).
// A TAB reaches the next multiple of the tab width.
bool IsWideCharSlow(char16_t c);
// Everything below U+1100 is narrow: Latin-1 text costs one comparison.
inline bool IsWideChar(char16_t c) { return c >= 0x1100 && IsWideCharSlow(c); }
inline int CharCells(QChar c) { return IsWideChar(c.unicode()) ? 2 : 1; }
// Whether the text holds a wide character of the basic plane.
bool HasWideChars(QStringView text);
// The cells the characters [from, to) of a text without TAB take.
int TextCells(QStringView text, int from, int to);
// The grid text marks the second cell of a wide character with this filler.
constexpr char16_t kWideFiller = 0xFFFF;
// Whether column `column` (from 1) of a grid text is the second cell of a
// wide character.
inline bool IsWideFiller(QStringView grid, int column) {
  return column >= 2 && column <= grid.size() && grid[column - 1].unicode() == kWideFiller &&
         IsWideChar(grid[column - 2].unicode());
}

// Display column (from 1) of character column `column` of a line: the cells
// of the characters before it, plus one cell per column past the end.
int CharToDisplayColumn(QStringView line, int column, int tabWidth);
// Character column of the character that covers display column `display`
// (never the second half of a surrogate pair); past the end one column per
// cell. `inside` tells whether the display column is the second cell of a
// wide character or of a surrogate pair (not a cell of a TAB).
int DisplayToCharColumn(QStringView line, int display, int tabWidth, bool* inside = nullptr);

// Lays the text out on the character grid, one unit per cell: each TAB
// becomes fillers up to the next multiple of `tabWidth` (TAB characters for
// widths of 2 and more, one blank for width 1 or less) and a wide character
// is followed by kWideFiller. Text without TAB or wide character is returned
// unchanged.
QString GridText(const QString& text, int tabWidth);
// Expands the TABs alone as GridText does (wide characters stay as they
// are, counting two cells for the tab stops).
QString ExpandTabs(const QString& text, int tabWidth);

bool IsPowerOfTwo(int n);

// Grid-text converters (GridText) for a tab width; the second kind also
// reports whether the grid text differs from the text (a TAB or a wide
// character).
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
