#include "editor/SrcEditMiscProcs.h"

#include <QPainter>

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

QString ConvertTabsEx(const QString& text, int tabWidth, bool& hasTabs) {
  int before = 0;
  hasTabs = HasTabs(text, before);
  if (!hasTabs) return text;
  if (tabWidth < 2) {
    QString result = text;
    result.replace(u'\t', u' ');
    return result;
  }
  const bool mask = IsPowerOfTwo(tabWidth);
  const int m = tabWidth - 1;
  auto fill = [&](qsizetype column) {
    return tabWidth - static_cast<int>(mask ? (column & m) : (column % tabWidth));
  };
  // First the length, then the text in one pass.
  qsizetype length = 0;
  for (QChar c : text) length += c == u'\t' ? fill(length) : 1;
  QString result(length, Qt::Uninitialized);
  QChar* out = result.data();
  qsizetype column = 0;
  for (QChar c : text) {
    if (c == u'\t') {
      for (int n = fill(column); n > 0; --n) out[column++] = u'\t';
    } else {
      out[column++] = c;
    }
  }
  return result;
}

QString ConvertTabs(const QString& text, int tabWidth) {
  bool hasTabs = false;
  return ConvertTabsEx(text, tabWidth, hasTabs);
}

}  // namespace

QString ExpandTabs(const QString& text, int tabWidth) { return ConvertTabs(text, tabWidth); }

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
