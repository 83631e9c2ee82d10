#include "editor/SrcEditMiscProcs.h"

#include <QPainter>
#include <algorithm>
#include <iterator>

TPoint LaterPoint(TPoint p, TPoint q) {
  if (p.Y != q.Y) return p.Y > q.Y ? p : q;
  return p.X > q.X ? p : q;
}

TPoint EarlierPoint(TPoint p, TPoint q) {
  if (p.Y != q.Y) return p.Y < q.Y ? p : q;
  return p.X < q.X ? p : q;
}

void FillRect(QPainter& painter, const QRect& rect, const QColor& color) { painter.fillRect(rect, color); }

bool HasTabs(QStringView text, int& charsBefore) {
  const qsizetype i = text.indexOf(u'\t');
  charsBefore = static_cast<int>(i < 0 ? text.size() : i);
  return i >= 0;
}

bool IsPowerOfTwo(int n) {
  for (int p = 2; p <= 65536; p <<= 1)
    if (n == p) return true;
  return false;
}

namespace {

// East Asian width W and F ranges of the basic plane (Unicode 15.1), sorted.
struct WideRange {
  char16_t first, last;
};
constexpr WideRange kWideRanges[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x23E9, 0x23EC}, {0x23F0, 0x23F0}, {0x23F3, 0x23F3},
    {0x25FD, 0x25FE}, {0x2614, 0x2615}, {0x2648, 0x2653}, {0x267F, 0x267F}, {0x2693, 0x2693}, {0x26A1, 0x26A1},
    {0x26AA, 0x26AB}, {0x26BD, 0x26BE}, {0x26C4, 0x26C5}, {0x26CE, 0x26CE}, {0x26D4, 0x26D4}, {0x26EA, 0x26EA},
    {0x26F2, 0x26F3}, {0x26F5, 0x26F5}, {0x26FA, 0x26FA}, {0x26FD, 0x26FD}, {0x2705, 0x2705}, {0x270A, 0x270B},
    {0x2728, 0x2728}, {0x274C, 0x274C}, {0x274E, 0x274E}, {0x2753, 0x2755}, {0x2757, 0x2757}, {0x2795, 0x2797},
    {0x27B0, 0x27B0}, {0x27BF, 0x27BF}, {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55}, {0x2E80, 0x2E99},
    {0x2E9B, 0x2EF3}, {0x2F00, 0x2FD5}, {0x2FF0, 0x303E}, {0x3041, 0x3096}, {0x3099, 0x30FF}, {0x3105, 0x312F},
    {0x3131, 0x318E}, {0x3190, 0x31E5}, {0x31EF, 0x321E}, {0x3220, 0x3247}, {0x3250, 0xA48C}, {0xA490, 0xA4C6},
    {0xA960, 0xA97C}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE52}, {0xFE54, 0xFE66},
    {0xFE68, 0xFE6B}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6},
};

// The grid text; `changed` tells whether it differs from the text. Without
// `fillWide` wide characters get no filler (they still count two cells).
QString LayOut(const QString& text, int tabWidth, bool fillWide, bool& changed) {
  int before = 0;
  const bool tabs = HasTabs(text, before);
  const bool wide = HasWideChars(text);
  changed = tabs || (wide && fillWide);
  if (!changed) return text;
  if (!wide && tabWidth < 2) {
    QString result = text;
    result.replace(u'\t', u' ');
    return result;
  }
  const bool mask = IsPowerOfTwo(tabWidth);
  const int m = tabWidth - 1;
  auto fill = [&](qsizetype column) {
    if (tabWidth < 2) return 1;
    return tabWidth - static_cast<int>(mask ? (column & m) : (column % tabWidth));
  };
  const QChar tabFiller = tabWidth < 2 ? QChar(u' ') : QChar(u'\t');
  // First the length, then the text in one pass.
  qsizetype length = 0, cells = 0;
  for (QChar c : text) {
    if (c == u'\t') {
      const int n = fill(cells);
      cells += n;
      length += n;
    } else {
      const int n = CharCells(c);
      cells += n;
      length += fillWide ? n : 1;
    }
  }
  QString result(length, Qt::Uninitialized);
  QChar* out = result.data();
  cells = 0;
  for (QChar c : text) {
    if (c == u'\t') {
      for (int n = fill(cells); n > 0; --n, ++cells) *out++ = tabFiller;
    } else {
      *out++ = c;
      ++cells;
      if (IsWideChar(c.unicode())) {
        ++cells;
        if (fillWide) *out++ = QChar(kWideFiller);
      }
    }
  }
  return result;
}

QString ConvertTabsEx(const QString& text, int tabWidth, bool& changed) {
  return LayOut(text, tabWidth, true, changed);
}

QString ConvertTabs(const QString& text, int tabWidth) {
  bool changed = false;
  return LayOut(text, tabWidth, true, changed);
}

}  // namespace

bool IsWideCharSlow(char16_t c) {
  const auto* end = std::end(kWideRanges);
  const auto* it =
      std::lower_bound(std::begin(kWideRanges), end, c, [](const WideRange& r, char16_t v) { return r.last < v; });
  return it != end && it->first <= c;
}

bool HasWideChars(QStringView text) {
  for (QChar c : text)
    if (IsWideChar(c.unicode())) return true;
  return false;
}

int TextCells(QStringView text, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, static_cast<int>(text.size()));
  int cells = std::max(0, to - from);
  for (int i = from; i < to; ++i) cells += IsWideChar(text[i].unicode());
  return cells;
}

int CharToDisplayColumn(QStringView line, int column, int tabWidth) {
  tabWidth = std::max(tabWidth, 1);
  const int walk = std::max(0, column - 1);
  const int inside = std::min(walk, static_cast<int>(line.size()));
  int cells = 0;
  for (int i = 0; i < inside; ++i) {
    const char16_t c = line[i].unicode();
    cells += c == u'\t' ? tabWidth - cells % tabWidth : 1 + IsWideChar(c);
  }
  return cells + (walk - inside) + 1;
}

int DisplayToCharColumn(QStringView line, int display, int tabWidth, bool* inside) {
  tabWidth = std::max(tabWidth, 1);
  const int target = std::max(0, display - 1);
  const int n = static_cast<int>(line.size());
  int cells = 0, i = 0;
  if (inside) *inside = false;
  while (i < n) {
    const QChar c = line[i];
    int width = 1, units = 1;
    if (c == u'\t') {
      width = tabWidth - cells % tabWidth;
    } else if (c.isHighSurrogate() && i + 1 < n && line[i + 1].isLowSurrogate()) {
      width = units = 2;
    } else if (IsWideChar(c.unicode())) {
      width = 2;
    }
    if (cells + width > target) {
      if (inside && c != u'\t') *inside = target > cells;
      break;
    }
    cells += width;
    i += units;
  }
  // Past the text every column is one cell wide.
  if (i >= n) return n + 1 + (target - cells);
  return i + 1;
}

QString GridText(const QString& text, int tabWidth) { return ConvertTabs(text, tabWidth); }

QString ExpandTabs(const QString& text, int tabWidth) {
  bool changed = false;
  return LayOut(text, tabWidth, false, changed);
}

TConvertTabsProc GetTabConvertProc(int) { return &ConvertTabs; }
TConvertTabsProcEx GetTabConvertProcEx(int) { return &ConvertTabsEx; }

int ScanForCharInSet(QStringView text, int start, QStringView set) {
  const int len = static_cast<int>(text.size());
  if (start < 1) start = 1;
  if (start > 1 && start <= len && text[start - 1].isLowSurrogate() && text[start - 2].isHighSurrogate()) ++start;
  for (int i = start; i <= len; ++i) {
    const QChar c = text[i - 1];
    if (c.isHighSurrogate() && i < len && text[i].isLowSurrogate()) {
      ++i;
      continue;
    }
    if (set.contains(c)) return i;
  }
  return 0;
}

int ScanBackForCharInSet(QStringView text, int start, QStringView set) {
  const int len = static_cast<int>(text.size());
  if (start > len) start = len;
  for (int i = start; i >= 1; --i) {
    const QChar c = text[i - 1];
    if (c.isLowSurrogate() && i > 1 && text[i - 2].isHighSurrogate()) {
      --i;
      continue;
    }
    if (set.contains(c)) return i;
  }
  return 0;
}

int ScanForLeadByte(QStringView text, int start) {
  const int len = static_cast<int>(text.size());
  for (int i = Max(start, 1); i < len; ++i)
    if (text[i - 1].isHighSurrogate() && text[i].isLowSurrogate()) return i;
  return 0;
}

int ScanBackForLeadByte(QStringView text, int start) {
  const int len = static_cast<int>(text.size());
  for (int i = Min(start, len - 1); i >= 1; --i)
    if (text[i - 1].isHighSurrogate() && text[i].isLowSurrogate()) return i;
  return 0;
}

int FindLineEnd(QStringView text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == 0 || c == u'\n' || c == u'\r') return static_cast<int>(i) + 1;
  }
  return static_cast<int>(text.size()) + 1;
}

QStringList SplitTextLines(const QString& text, bool trailingBreakEndsText) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (!trailingBreakEndsText || start < n) lines.append(text.mid(start));
  return lines;
}
