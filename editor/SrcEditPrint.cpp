#include "editor/SrcEditPrint.h"

#include <algorithm>

#include "editor/SrcEditMiscProcs.h"

void TSrcEditPrint::SetLines(const QStringList& lines) {
  lines_.clear();
  lines_.reserve(lines.size());
  for (const QString& line : lines) lines_ << ExpandTabs(line, TabWidth).replace(u'\t', u' ');
  rangesValid_ = false;
}

void TSrcEditPrint::SetFont(const QFont& font) { font_ = PointSizedFont(font); }

void TSrcEditPrint::SetHighlighter(TSrcCustomHighlighter* highlighter) {
  highlighter_ = highlighter;
  rangesValid_ = false;
}

void TSrcEditPrint::SetSelection(TPoint begin, TPoint end, TSrcSelectionMode mode) {
  if (end.Y < begin.Y || (end.Y == begin.Y && end.X < begin.X)) std::swap(begin, end);
  selBegin_ = begin;
  selEnd_ = end;
  selMode_ = mode;
  hasSelection_ = true;
}

void TSrcEditPrint::ClearSelection() { hasSelection_ = false; }

namespace {

// The cells of a text before each of its positions; empty when every
// character takes one cell (then position and cell agree).
std::vector<int> CellOffsets(QStringView text) {
  std::vector<int> cells;
  if (!HasWideChars(text)) return cells;
  cells.resize(static_cast<size_t>(text.size()) + 1);
  int at = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    cells[static_cast<size_t>(i)] = at;
    at += CharCells(text[i]);
  }
  cells.back() = at;
  return cells;
}

// The end of the longest piece from `start` that fills at most `capacity`
// cells, never inside a surrogate pair, and at least one character.
int PieceEnd(QStringView text, int start, int capacity) {
  const int length = static_cast<int>(text.size());
  int end = start;
  for (int used = 0; end < length && (used += CharCells(text[end])) <= capacity;) ++end;
  if (end > start + 1 && end < length && text[end].isLowSurrogate() && text[end - 1].isHighSurrogate()) --end;
  if (end == start && end < length)
    end += end + 1 < length && text[end].isHighSurrogate() && text[end + 1].isLowSurrogate() ? 2 : 1;
  return end;
}

}  // namespace

std::vector<int> TSrcEditPrint::WrapPositions(QStringView text, int capacity) {
  capacity = std::max(capacity, 1);
  const int length = static_cast<int>(text.size());
  const std::vector<int> cells = CellOffsets(text);
  auto cell = [&](int i) { return cells.empty() ? i : cells[static_cast<size_t>(i)]; };
  std::vector<int> splits;
  if (cell(length) <= capacity) return splits;
  for (const QStringView set : {QStringView(u"\t ,-"), QStringView(u").;")}) {
    splits.clear();
    int start = 0;
    while (cell(length) - cell(start) > capacity) {
      int brk = -1;
      for (int i = start; i < length && cell(i + 1) - cell(start) <= capacity; ++i)
        if (set.contains(text[i])) brk = i;
      if (brk < 0) break;
      start = brk + 1;
      splits.push_back(start);
    }
    if (cell(length) - cell(start) <= capacity) return splits;
  }
  splits.clear();
  for (int p = PieceEnd(text, 0, capacity); p < length; p = PieceEnd(text, p, capacity)) splits.push_back(p);
  return splits;
}

void TSrcEditPrint::ComputeRanges() {
  ranges_.clear();
  TSrcCustomHighlighter* hl = highlighter_.data();
  if (!hl || lines_.isEmpty()) return;
  ranges_.resize(lines_.size());
  hl->ResetRange();
  ranges_[0] = hl->GetRange();
  for (int i = 1; i < lines_.size(); ++i) {
    hl->SetLine(lines_[i - 1], i);
    hl->ScanToLineEnd();
    ranges_[i] = hl->GetRange();
  }
  rangesValid_ = true;
}

void TSrcEditPrint::ComputePrintedLines() {
  printed_.clear();
  const int count = static_cast<int>(lines_.size());
  const auto length = [this](int i) { return static_cast<int>(lines_[i].size()); };
  if (!SelectedOnly) {
    for (int i = 0; i < count; ++i) printed_.push_back({i, 0, length(i)});
    return;
  }
  const int first = std::max(selBegin_.Y, 1) - 1, last = std::min(selEnd_.Y, count) - 1;
  for (int i = first; i <= last; ++i) {
    int from = 0, to = length(i);
    if (selMode_ == smColumn) {
      from = std::min(selBegin_.X, selEnd_.X) - 1;
      to = std::max(selBegin_.X, selEnd_.X) - 1;
    } else if (selMode_ == smNormal) {
      if (i == first) from = selBegin_.X - 1;
      if (i == last) to = selEnd_.X - 1;
      // A selection that ends at the start of a line leaves that line out.
      if (i == last && i > first && to <= 0) break;
    }
    from = std::clamp(from, 0, length(i));
    printed_.push_back({i, from, std::clamp(to, from, length(i))});
  }
}

void TSrcEditPrint::Prepare(TPrintCanvas& canvas) {
  info_.UpdateFrom(&canvas);
  canvas.SetFont(font_);
  const TPrintFontMetrics m = canvas.Metrics();
  charWidth_ = std::max(m.AveCharWidth, 1);
  lineHeight_ = std::max(m.Height + m.Leading, 1);
  ComputePrintedLines();
  const int highest = (printed_.empty() ? 0 : printed_.back().Source + 1) + LineOffset;
  Margins.LayoutPage(canvas, 1, info_, LineNumbers, LineNumbersInMargin, highest);

  // Characters per line: as many "W" as stay narrower than the text area.
  const int width = Margins.PRight - Margins.PLeft;
  int lo = 0, hi = 1;
  while (canvas.TextWidth(QString(hi, u'W')) < width && hi < (1 << 20)) hi *= 2;
  while (hi - lo > 1) {
    const int mid = (lo + hi) / 2;
    (canvas.TextWidth(QString(mid, u'W')) < width ? lo : hi) = mid;
  }
  capacity_ = std::max(lo, 1);
  textWidth_ = canvas.TextWidth(QString(capacity_, u'W'));

  // Pages: a page breaks before any row that would pass the bottom margin,
  // but never before the first row of a page.
  splits_.assign(printed_.size(), {});
  pages_.assign(1, TPagePos{});
  int y = Margins.PTop;
  for (int i = 0; i < static_cast<int>(printed_.size()); ++i) {
    const TPrintedLine& p = printed_[i];
    if (Wrap) splits_[i] = WrapPositions(QStringView(lines_[p.Source]).mid(p.From, p.To - p.From), capacity_);
    for (int row = 0; row < RowCount(i); ++row) {
      if (y + lineHeight_ > Margins.PBottom && y > Margins.PTop) {
        pages_.push_back({i, row});
        y = Margins.PTop;
      }
      y += lineHeight_;
    }
  }
  const QDateTime now = PrintTime.isValid() ? PrintTime : QDateTime::currentDateTime();
  Header.InitPrint(canvas, static_cast<int>(pages_.size()), Title, Margins, now);
  Footer.InitPrint(canvas, static_cast<int>(pages_.size()), Title, Margins, now);
  canvas.SetFont(font_);
  if (!rangesValid_) ComputeRanges();
  useHighlighter_ = Highlight && highlighter_ && !lines_.isEmpty();
}

int TSrcEditPrint::PageCount(TPrintCanvas& canvas) {
  Prepare(canvas);
  return static_cast<int>(pages_.size());
}

bool TSrcEditPrint::DoStatus(Status status, int pageNum) {
  bool abort = false;
  if (OnPrintStatus) OnPrintStatus(status, pageNum, abort);
  if (abort && printing_) abort_ = true;
  return !abort_;
}

bool TSrcEditPrint::PrintRange(TPrintCanvas& canvas, int firstPage, int lastPage) {
  if (SelectedOnly && !hasSelection_) return false;
  if (!canvas.BeginDoc(DocTitle.isEmpty() ? Title : DocTitle)) return false;
  printing_ = true;
  abort_ = false;
  if (DoStatus(psBegin, firstPage)) {
    Prepare(canvas);
    const int count = static_cast<int>(pages_.size());
    lastPage = lastPage < 0 ? count : std::clamp(lastPage, 1, count);
    firstPage = std::clamp(firstPage, 1, lastPage);
    const int copies = std::max(Copies, 1);
    for (int copy = 1; copy <= copies && !abort_; ++copy) {
      for (int page = firstPage; page <= lastPage && !abort_; ++page) {
        PrintPage(canvas, page);
        if (!abort_ && (page < lastPage || copy < copies)) canvas.NewPage();
        // A page that could not be written ends the job there.
        if (!canvas.Error().isEmpty()) abort_ = true;
      }
    }
    if (!abort_) DoStatus(psEnd, lastPage);
  }
  bool done = !abort_;
  if (done)
    done = canvas.EndDoc();
  else
    canvas.Abort();
  printing_ = false;
  return done;
}

void TSrcEditPrint::RowSpan(int index, int row, int& from, int& to) const {
  const TPrintedLine& p = printed_[index];
  const std::vector<int>& s = splits_[index];
  from = row == 0 ? 0 : s[row - 1];
  to = row < static_cast<int>(s.size()) ? s[row] : p.To - p.From;
  if (!Wrap) {
    // The first row only, as much of it as the text area holds.
    const QStringView text = QStringView(lines_[p.Source]).mid(p.From, p.To - p.From);
    to = std::min(to, PieceEnd(text, from, capacity_));
  }
}

void TSrcEditPrint::PrintPage(TPrintCanvas& canvas, int pageNum) {
  if (!DoStatus(psNewPage, pageNum)) return;
  Margins.LayoutPage(canvas, pageNum, info_, LineNumbers, LineNumbersInMargin,
                     (printed_.empty() ? 0 : printed_.back().Source + 1) + LineOffset);
  canvas.FillRect(QRect(Margins.PLeft, Margins.PTop, Margins.PRight - Margins.PLeft, Margins.PBottom - Margins.PTop),
                  Color);
  Header.Print(canvas, pageNum + PageOffset);
  y_ = Margins.PTop;
  const TPagePos from = pages_[pageNum - 1];
  const TPagePos to = pageNum < static_cast<int>(pages_.size()) ? pages_[pageNum] : TPagePos{int(printed_.size()), 0};
  for (int i = from.Line; i < static_cast<int>(printed_.size()) && (i < to.Line || (i == to.Line && to.Row > 0)); ++i) {
    const int rowTo = i == to.Line ? to.Row : RowCount(i);
    PrintLine(canvas, i, i == from.Line ? from.Row : 0, rowTo);
    if (rowTo == RowCount(i) && OnPrintLine) OnPrintLine(printed_[i].Source + 1, pageNum);
  }
  Footer.Print(canvas, pageNum + PageOffset);
}

void TSrcEditPrint::PrintLine(TPrintCanvas& canvas, int index, int rowFrom, int rowTo) {
  const TPrintedLine& p = printed_[index];
  if (LineNumbers && rowFrom == 0) {
    QFont plain = font_;
    plain.setBold(false);
    plain.setItalic(false);
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    canvas.SetFont(plain);
    const QString number = QString::number(p.Source + 1 + LineOffset) + QStringLiteral(": ");
    canvas.DrawText(Margins.PLeft - canvas.TextWidth(number), y_, number, Qt::black, QColor(), 0, false);
    canvas.SetFont(font_);
  }
  const int rowTop = y_;
  const QString& text = lines_[p.Source];
  if (!useHighlighter_) {
    for (int row = rowFrom; row < rowTo; ++row) {
      int from, to;
      RowSpan(index, row, from, to);
      canvas.DrawText(Margins.PLeft, rowTop + (row - rowFrom) * lineHeight_, text.mid(p.From + from, to - from),
                      FontColor, QColor(), charWidth_, false);
    }
  } else {
    TSrcCustomHighlighter* hl = highlighter_.data();
    hl->SetRange(ranges_[p.Source]);
    hl->SetLine(text, p.Source + 1);
    int row = rowFrom;
    for (int n = hl->MaxTokens(); n > 0 && !hl->AtLineEnd(); --n, hl->ScanNext()) {
      // The token in the printed part's own columns.
      const int tokenFrom = std::max(hl->GetTokenPos() - p.From, 0);
      const int tokenTo = std::min(hl->GetTokenPos() + hl->GetTokenLength() - p.From, p.To - p.From);
      if (tokenTo <= tokenFrom) continue;
      const TSrcHighlighterAttributes* a = hl->GetTokenAttribute();
      QFont f = font_;
      QColor fg = FontColor, bg = Color;
      if (a) {
        f.setBold(a->Style() & fsBold);
        f.setItalic(a->Style() & fsItalic);
        f.setUnderline(a->Style() & fsUnderline);
        f.setStrikeOut(a->Style() & fsStrikeOut);
        if (Colors) {
          if (a->Foreground() != clNone) fg = ToQColor(a->Foreground());
          if (a->Background() != clNone) bg = ToQColor(a->Background());
        }
      }
      canvas.SetFont(f);
      // Tokens come in order: the rows before this one are done with.
      for (int r = row; r < rowTo; ++r) {
        int from, to;
        RowSpan(index, r, from, to);
        if (from >= tokenTo) break;
        row = r;
        const int a0 = std::max(from, tokenFrom), a1 = std::min(to, tokenTo);
        if (a1 <= a0) continue;
        const int x = Margins.PLeft + TextCells(text, p.From + from, p.From + a0) * charWidth_;
        canvas.DrawText(x, rowTop + (r - rowFrom) * lineHeight_, text.mid(p.From + a0, a1 - a0), fg,
                        bg == Color ? QColor() : bg, charWidth_, false);
      }
    }
    canvas.SetFont(font_);
  }
  y_ = rowTop + (rowTo - rowFrom) * lineHeight_;
}
