#include "editor/SrcEditPrintHeaderFooter.h"

#include <QLocale>
#include <algorithm>

QString IntToRoman(int value) {
  static const struct {
    int value;
    const char* text;
  } kSteps[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
  QString out;
  for (const auto& s : kSteps) {
    while (value >= s.value) {
      out += QLatin1String(s.text);
      value -= s.value;
    }
  }
  return out;
}

int THeaderFooter::Add(const QString& text, const QFont* font, int alignment, int lineNumber) {
  THeaderFooterItem item;
  item.Text = text;
  item.Font = font ? *font : DefaultFont;
  item.Color = DefaultColor;
  item.Alignment = alignment;
  item.LineNumber = lineNumber;
  item.Index = Count();
  items_.push_back(item);
  return item.Index;
}

QString THeaderFooter::GetText(const THeaderFooterItem& item, int pageNum) const {
  const QString& s = item.Text;
  QString out;
  qsizetype i = 0;
  while (i < s.size()) {
    const qsizetype open = s.indexOf(u'$', i);
    const qsizetype close = open < 0 ? -1 : s.indexOf(u'$', open + 1);
    if (close < 0) {
      out += QStringView(s).mid(i);
      break;
    }
    out += QStringView(s).mid(i, open - i);
    const QString name = s.mid(open + 1, close - open - 1).toUpper();
    QString value;
    bool known = true;
    if (name == u"PAGENUM")
      value = RomanNumbers ? IntToRoman(pageNum) : QString::number(pageNum);
    else if (name == u"PAGECOUNT")
      value = QString::number(pageCount_);
    else if (name == u"TITLE")
      value = title_;
    else if (name == u"DATE")
      value = date_;
    else if (name == u"TIME")
      value = time_;
    else if (name == u"DATETIME")
      value = date_ + u' ' + time_;
    else if (name == u"TIMEDATE")
      value = time_ + u' ' + date_;
    else
      known = false;
    if (known) {
      out += value;
      i = close + 1;
    } else {
      // Not a macro: keep the first "$" and go on at the second.
      out += QStringView(s).mid(open, close - open);
      i = close;
    }
  }
  return out;
}

void THeaderFooter::InitPrint(TPrintCanvas& canvas, int pageCount, const QString& title,
                              const TSrcEditPrintMargins& margins, const QDateTime& now) {
  const QFont saved = canvas.Font();
  const QLocale locale;
  date_ = locale.toString(now.date(), QLocale::ShortFormat);
  time_ = locale.toString(now.time(), QLocale::ShortFormat);
  pageCount_ = pageCount;
  title_ = title;
  margins_ = &margins;
  std::stable_sort(items_.begin(), items_.end(),
                   [](const THeaderFooterItem& a, const THeaderFooterItem& b) { return a.LineNumber < b.LineNumber; });
  // Lines numbered 1, 2, 3 ... in order of appearance.
  lines_.clear();
  int previous = 0;
  for (THeaderFooterItem& item : items_) {
    if (lines_.empty() || item.LineNumber != previous) lines_.emplace_back();
    previous = item.LineNumber;
    item.LineNumber = static_cast<int>(lines_.size());
    canvas.SetFont(item.Font);
    const TPrintFontMetrics m = canvas.Metrics();
    LineInfo& line = lines_.back();
    line.LineHeight = std::max(line.LineHeight, m.Height);
    line.MaxBaseDist = std::max(line.MaxBaseDist, m.Height - m.Descent);
  }
  height_ = -1;
  if (!items_.empty()) {
    height_ = 2 * margins.PHFInternalMargin;
    for (const LineInfo& l : lines_) height_ += l.LineHeight;
  }
  canvas.SetFont(saved);
}

void THeaderFooter::Print(TPrintCanvas& canvas, int pageNum) {
  if (height_ <= 0 || !margins_) return;
  const QFont saved = canvas.Font();
  const TSrcEditPrintMargins& m = *margins_;
  const int areaTop = kind_ == hftHeader ? m.PHeader - height_ : m.PFooter;
  if (FrameTypes & (ftBox | ftShaded)) {
    canvas.DrawRect(QRect(m.PLeft, areaTop, m.PRight - m.PLeft, height_), (FrameTypes & ftBox) ? LineColor : QColor(),
                    (FrameTypes & ftShaded) ? ShadedColor : QColor());
  }
  if (FrameTypes & ftLine) {
    const int y = kind_ == hftHeader ? m.PHeader : m.PFooter;
    canvas.DrawLine(m.PLeft, y, m.PRight, y, LineColor);
  }
  int top = areaTop + m.PHFInternalMargin;
  int line = 1;
  for (const THeaderFooterItem& item : items_) {
    canvas.SetFont(item.Font);
    if (item.LineNumber != line) {
      top += lines_[line - 1].LineHeight;
      line = item.LineNumber;
    }
    const QString text = GetText(item, pageNum);
    int alignment = item.Alignment;
    if (MirrorPosition && pageNum % 2 == 0 && alignment != 2) alignment = 1 - alignment;
    const int width = canvas.TextWidth(text);
    int x = m.PLeftHFTextIndent;
    if (alignment == 1)
      x = m.PRightHFTextIndent - width;
    else if (alignment == 2)
      x = (m.PLeftHFTextIndent + m.PRightHFTextIndent) / 2 - width / 2;
    canvas.DrawText(x, top + lines_[line - 1].MaxBaseDist, text, item.Color, QColor(), 0, true);
  }
  canvas.SetFont(saved);
}
