// Text replacement of the editor: the selected text, the replacing
// primitive in the three selection modes, and the recorded replacements
// built on it.
#include <algorithm>
#include <new>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString Spaces(int n) { return n > 0 ? QString(n, QLatin1Char(' ')) : QString(); }

}  // namespace

// ------------------------------------------------------------ selected text

QString TCustomSrcEdit::GetSelText() const { return SelTextEx(!HasOption(eoTrimTrailingSpaces)); }

QString TCustomSrcEdit::SelTextForUndo() const { return SelTextEx(false); }

QString TCustomSrcEdit::SelTextEx(bool padColumns) const {
  if (!SelAvail()) return QString();
  const TPoint first = BlockBegin();
  const TPoint last = BlockEnd();
  const int count = LineCount();
  QString out;
  switch (selectionMode_) {
    case smNormal: {
      if (first.Y == last.Y) return Line(first.Y).mid(first.X - 1, std::max(0, last.X - first.X));
      // Wrapped pieces of one line follow each other without a break.
      out = Line(first.Y).mid(first.X - 1);
      for (int y = first.Y + 1; y < last.Y; ++y) {
        if (!lines_->IsContinuation(y - 1)) out += kCRLF;
        out += Line(y);
      }
      if (!lines_->IsContinuation(last.Y - 1)) out += kCRLF;
      out += Line(last.Y).left(last.X - 1);
      return out;
    }
    case smLine:
      for (int y = first.Y; y <= last.Y; ++y) {
        out += Line(y);
        if (y < count && !lines_->IsContinuation(y)) out += kCRLF;
      }
      return out;
    case smColumn: {
      const int left = std::min(first.X, last.X);
      const int right = std::max(first.X, last.X);
      for (int y = first.Y; y <= last.Y; ++y) {
        const QString line = Line(y);
        int l = left, r = right;
        if (l >= 2 && l <= line.size() && line[l - 1].isLowSurrogate()) ++l;
        if (r >= 2 && r <= line.size() && line[r - 1].isLowSurrogate()) ++r;
        QString row = line.mid(l - 1, std::max(0, r - l));
        if (padColumns && row.size() < right - left) row += Spaces(right - left - static_cast<int>(row.size()));
        if (y > first.Y) out += kCRLF;
        out += row;
      }
      return out;
    }
  }
  return out;
}

// ---------------------------------------------------------------- primitive

void TCustomSrcEdit::SetSelTextPrimitive(TSrcSelectionMode mode, const QString& text) {
  const LogicalLines logical(this);
  SetSelTextPrimitiveEx(mode, text, -1);
}

void TCustomSrcEdit::SetSelTextPrimitiveEx(TSrcSelectionMode mode, const QString& text, int rowReason) {
  if (ReadOnly()) return;
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  lines_->BeginUpdate();
  ScopeExit endUpdate([this] { lines_->EndUpdate(); });
  if (SelAvail()) DeleteSelection();
  blockBegin_ = blockEnd_ = CaretXY();
  AllocationPoint();
  if (!text.isEmpty()) {
    const int insertionLine = std::max(1, std::min(caretY_, std::max(1, LineCount())));
    int added = 0;
    switch (mode) {
      case smNormal:
        added = InsertNormal(text);
        break;
      case smColumn:
        added = InsertColumn(text, rowReason);
        break;
      case smLine:
        added = InsertLineMode(text);
        break;
    }
    // Line mode inserts before the caret line, the others after it.
    AllocationPoint();
    if (added > 0) DoLinesInserted(mode == smLine ? insertionLine : insertionLine + 1, added);
    SetCaretXYEx(false, CaretXY());
  }
  if (caretY_ < 1) SetCaretRaw(TPoint{caretX_, 1});
}

void TCustomSrcEdit::DeleteSelection() {
  const TPoint first = BlockBegin();
  const TPoint last = BlockEnd();
  const int count = LineCount();
  switch (selectionMode_) {
    case smNormal: {
      if (count == 0) break;
      // A start beyond the end of its line stands for blanks up to it: they
      // are kept when text follows, so the rest of the line keeps its place.
      QString left = Line(first.Y).left(first.X - 1);
      const QString right = Line(last.Y).mid(last.X - 1);
      if (!right.isEmpty() && left.size() < first.X - 1) left += Spaces(first.X - 1 - static_cast<int>(left.size()));
      // The rest of the line is left as it was (trailing blanks included), so
      // Undo can put back exactly what was there.
      const QString joined = left + right;
      if (last.Y > first.Y) lines_->DeleteLines(first.Y, std::min(last.Y, count) - first.Y);
      PutLine(first.Y, joined);
      SetCaretRaw(first);
      DoLinesDeleted(first.Y, last.Y - first.Y);
      break;
    }
    case smLine: {
      if (count == 0) break;
      const int lastLine = std::min(last.Y, count);
      const int n = lastLine - first.Y + 1;
      if (lastLine == count) {
        if (n > 1) lines_->DeleteLines(first.Y - 1, n - 1);
        PutLine(first.Y, QString());
        DoLinesDeleted(first.Y, n - 1);
      } else {
        lines_->DeleteLines(first.Y - 1, n);
        DoLinesDeleted(first.Y, n);
      }
      SetCaretRaw(TPoint{1, first.Y});
      break;
    }
    case smColumn: {
      const int left = std::min(first.X, last.X);
      const int right = std::max(first.X, last.X);
      for (int y = first.Y; y <= std::min(last.Y, count); ++y) {
        QString line = Line(y);
        int l = left, r = right;
        if (l >= 2 && l <= line.size() && line[l - 1].isLowSurrogate()) ++l;
        if (r >= 2 && r <= line.size() && line[r - 1].isLowSurrogate()) ++r;
        if (line.size() < l) continue;
        line.remove(l - 1, r - l);
        PutLine(y, line);
      }
      SetCaretRaw(TPoint{left, last.Y});
      break;
    }
  }
}

int TCustomSrcEdit::InsertNormal(const QString& text) {
  if (LineCount() == 0) lines_->Add(QString());
  const int y = std::clamp(caretY_, 1, LineCount());
  const int x = caretX_;
  const QString line = Line(y);
  const int kept = std::min(static_cast<int>(line.size()), x - 1);
  QString left = line.left(x - 1);
  if (left.size() < x - 1) left += Spaces(x - 1 - static_cast<int>(left.size()));
  const QString right = line.mid(x - 1);
  const QStringList pieces = SplitTextLines(text);
  if (pieces.size() == 1) {
    PutLine(y, left + text + right);
    SetCaretRaw(TPoint{x + static_cast<int>(text.size()), y});
    StatusChanged(scCaretX);
    return 0;
  }
  // Trailing blanks are trimmed off the inserted pieces only; what the lines
  // held before stays as it was, so Undo can put it back exactly.
  const int n = static_cast<int>(pieces.size()) - 1;
  QString first = left + pieces[0];
  if (HasOption(eoTrimTrailingSpaces)) {
    qsizetype end = first.size();
    while (end > kept && (first[end - 1] == QLatin1Char(' ') || first[end - 1] == QLatin1Char('\t'))) --end;
    first.truncate(end);
  }
  PutLine(y, first);
  lines_->InsertLines(y, n);
  for (int i = 1; i < n; ++i) PutLine(y + i, TrimIfWanted(pieces[i]));
  const QString lastLine = right.isEmpty() ? TrimIfWanted(pieces[n]) : pieces[n] + right;
  PutLine(y + n, lastLine);
  SetCaretRaw(TPoint{static_cast<int>(lastLine.size()) + 1 - static_cast<int>(right.size()), y + n});
  StatusChanged(scCaretX);
  return n;
}

int TCustomSrcEdit::InsertColumn(const QString& text, int rowReason) {
  if (LineCount() == 0) lines_->Add(QString());
  const int insCol = caretX_;
  int y = std::clamp(caretY_, 1, LineCount());
  const QStringList rows = SplitTextLines(text);
  const bool record = rowReason >= 0 || pasting_;
  const auto reason = static_cast<TSrcChangeReason>(rowReason >= 0 ? rowReason : crPaste);
  int appended = 0;
  TPoint appendStart;
  for (const QString& row : rows) {
    if (y <= LineCount() && appended == 0) {
      QString line = Line(y);
      int col = insCol;
      if (col >= 2 && col <= line.size() && line[col - 1].isLowSurrogate()) ++col;
      int startCol = col;
      // A row that ends the line loses its trailing blanks; a row that ends
      // up empty leaves the line alone.
      const bool atEnd = line.size() <= col - 1;
      const QString put = atEnd ? TrimIfWanted(row) : row;
      if (!put.isEmpty()) {
        if (line.size() < col - 1) {
          startCol = static_cast<int>(line.size()) + 1;
          line += Spaces(col - 1 - static_cast<int>(line.size()));
        }
        line.insert(col - 1, put);
        PutLine(y, line);
        if (record)
          undoList_.AddChange(reason, TPoint{startCol, y}, TPoint{col + static_cast<int>(put.size()), y}, QString(),
                              smColumn);
      }
    } else {
      if (appended == 0) appendStart = TPoint{static_cast<int>(Line(y - 1).size()) + 1, y - 1};
      lines_->Add(TrimIfWanted(Spaces(insCol - 1) + row));
      ++appended;
    }
    ++y;
  }
  // Appended lines may have been wrapped into several pieces: they end at
  // the last line.
  const int lastLine = appended > 0 ? LineCount() : y - 1;
  if (appended > 0 && record)
    undoList_.AddChange(reason, appendStart, TPoint{static_cast<int>(Line(lastLine).size()) + 1, lastLine}, QString(),
                        smNormal);
  SetCaretRaw(TPoint{insCol + static_cast<int>(rows.last().size()), lastLine});
  return appended > 0 ? LineCount() - (appendStart.Y) : 0;
}

int TCustomSrcEdit::InsertLineMode(const QString& text) {
  if (LineCount() == 0) lines_->Add(QString());
  int y = std::clamp(caretY_, 1, LineCount());
  const QStringList pieces = SplitTextLines(text);
  const int n = static_cast<int>(pieces.size()) - 1;
  if (n > 0) {
    lines_->InsertLines(y - 1, n);
    for (int i = 0; i < n; ++i) PutLine(y + i, TrimIfWanted(pieces[i]));
    y += n;
  }
  const QString& last = pieces[n];
  const QString line = Line(y);
  if (!last.isEmpty()) PutLine(y, line.isEmpty() && n > 0 ? TrimIfWanted(last) : last + line);
  SetCaretRaw(TPoint{static_cast<int>(last.size()) + 1, y});
  StatusChanged(scCaretX);
  return n;
}

// --------------------------------------------------------- SetSelText etc.

void TCustomSrcEdit::SetSelText(const QString& text) {
  if (ReadOnly()) return;
  BeginUndoBlock();
  ScopeExit endBlock([this] { EndUndoBlock(); });
  ReplaceSelText(text);
}

void TCustomSrcEdit::ReplaceSelText(const QString& text) {
  if (ReadOnly()) return;
  const LogicalLines logical(this);
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  const TSrcSelectionMode mode = selectionMode_;
  if (SelAvail()) DeleteSelectionRecorded(false, text.isEmpty());
  const TPoint start = InsertionStart(mode);
  if (mode == smColumn) {
    // Each inserted row is recorded by itself, so rows of any length are
    // taken back exactly.
    SetSelTextPrimitiveEx(smColumn, text, crInsert);
    if (text.isEmpty()) undoList_.AddChange(crInsert, start, start, QString(), smColumn);
    EnsureCursorPosVisible();
    return;
  }
  {
    LockUndo();
    ScopeExit unlockUndo([this] { UnlockUndo(); });
    SetSelTextPrimitiveEx(mode, text, -1);
  }
  // A line-mode insertion is a normal insertion at column 1 of its line, so
  // it is recorded as one.
  undoList_.AddChange(crInsert, start, text.isEmpty() ? start : CaretXY(), QString(), smNormal);
  // Text put in by the host is shown where it ends.
  EnsureCursorPosVisible();
}

int TCustomSrcEdit::InsertFragment(const QString& text) {
  if (ReadOnly()) return SelStart();
  const LogicalLines logical(this);
  BeginUndoBlock();
  ScopeExit endBlock([this] { EndUndoBlock(); });
  const TSrcSelectionMode mode = selectionMode_;
  TPoint at = CaretXY();
  if (!SelAvail()) {
    // A column block without width selects nothing: it must not become a
    // normal selection below.
    blockBegin_ = blockEnd_ = at;
  } else {
    const TPoint first = BlockBegin(), last = BlockEnd();
    at = first;
    if (mode != smNormal) {
      // Taken out in its own mode, short rows and line ends outside the
      // block untouched; the text goes in at the block's top-left corner.
      at = TPoint{mode == smColumn ? std::min(first.X, last.X) : 1, first.Y};
      DeleteSelectionRecorded(false, true);
      SetCaretXYEx(false, at);
      blockBegin_ = blockEnd_ = at = CaretXY();
    }
  }
  // Several lines put in as a column would be spread over the lines below.
  selectionMode_ = smNormal;
  ScopeExit restore([this, mode] { selectionMode_ = mode; });
  ReplaceSelText(text);
  // Blanks now reach a caret that stood past the line end, so `at` is a
  // place in the text (unless trimmed again: then the line end).
  if (at.Y >= 1 && at.Y <= LineCount()) at.X = std::min(at.X, static_cast<int>(Line(at.Y).size()) + 1);
  return static_cast<int>(PointToOffsetEx(at));
}

void TCustomSrcEdit::ReplaceWholeText(const QString& text) {
  if (ReadOnly()) return;
  BeginUndoBlock();
  ScopeExit endBlock([this] { EndUndoBlock(); });
  // A column or line block from the first to the last line is not the whole
  // text.
  const TSrcSelectionMode mode = selectionMode_;
  selectionMode_ = smNormal;
  ScopeExit restore([this, mode] { selectionMode_ = mode; });
  SelectAll();
  ReplaceSelText(text);
}

bool TCustomSrcEdit::WrapColumnRows(const QString& before, const QString& after) {
  if (ReadOnly() || selectionMode_ != smColumn || !SelAvail()) return false;
  const LogicalLines logical(this);
  const TPoint first = BlockBegin(), last = BlockEnd();
  if (first.Y == last.Y) return false;
  const int left = std::min(first.X, last.X);
  const int right = std::max(first.X, last.X);
  const int shift = static_cast<int>(before.size());
  BeginUndoBlock();
  ScopeExit endBlock([this] { EndUndoBlock(); });
  bool whole = true;  // every piece as wide as the block
  int wrapped = 0;
  TPoint caret{left + shift, first.Y};
  {
    // Each piece is replaced as running text within its own line.
    selectionMode_ = smNormal;
    ScopeExit restore([this] { selectionMode_ = smColumn; });
    for (int y = first.Y; y <= std::min(last.Y, LineCount()); ++y) {
      const QString line = Line(y);
      int l = left, r = right;
      if (l >= 2 && l <= line.size() && line[l - 1].isLowSurrogate()) ++l;
      if (r >= 2 && r <= line.size() && line[r - 1].isLowSurrogate()) ++r;
      if (line.size() < l) continue;  // the block lies beyond its end
      r = std::min(r, static_cast<int>(line.size()) + 1);
      whole = whole && r - l == right - left;
      const QString piece = line.mid(l - 1, r - l);
      SetSelectionRaw(TPoint{l, y}, TPoint{r, y});
      ReplaceSelText(before + piece + after);
      caret = TPoint{l + shift + static_cast<int>(piece.size()), y};
      ++wrapped;
    }
    if (wrapped == 0) {
      // Nothing to wrap: the pair goes in at the block's top-left corner.
      SetSelectionRaw(TPoint{left, first.Y}, TPoint{left, first.Y});
      ReplaceSelText(before + after);
    }
  }
  if (wrapped > 0 && whole) {
    // The old text, between the tags of every line, is again the block.
    SetCaretXYEx(false, TPoint{right + shift, last.Y});
    blockBegin_ = ClampPoint(TPoint{left + shift, first.Y});
    blockEnd_ = ClampPoint(TPoint{right + shift, last.Y});
    StatusChanged(scSelection);
  } else {
    SetCaretXYEx(false, caret);
    blockBegin_ = blockEnd_ = CaretXY();
    StatusChanged(scSelection);
  }
  EnsureCursorPosVisible();
  return true;
}

TPoint TCustomSrcEdit::InsertionStart(TSrcSelectionMode mode) const {
  TPoint start = CaretXY();
  if (mode == smLine) start.X = 1;
  // Blanks added to reach a caret beyond the line end belong to the
  // insertion, so its record starts at the line end.
  if (mode == smNormal) start.X = std::min(start.X, static_cast<int>(Line(start.Y).size()) + 1);
  return start;
}

void TCustomSrcEdit::ClearSelection() {
  if (SelAvail()) SetSelText(QString());
}

void TCustomSrcEdit::InsertBlock(TPoint begin, TPoint end, const QString& text, bool addToUndoList) {
  Q_UNUSED(end);
  if (lines_->WordWrap()) begin = WrappedToLogical(begin);
  const LogicalLines logical(this);
  SetCaretXYEx(false, begin);
  blockBegin_ = blockEnd_ = CaretXY();
  SetSelectionMode(smColumn);
  SetSelTextPrimitiveEx(smColumn, text, addToUndoList ? crPaste : -1);
  StatusChanged(scSelection);
}

void TCustomSrcEdit::RunWhole(const QString& message, const std::function<void()>& change) {
  const QStringList lines = lines_->ToStringList();
  TSrcEditUndoList undo, redo;
  undo.Assign(undoList_);
  redo.Assign(redoList_);
  const TPoint caret = CaretXY(), begin = blockBegin_, end = blockEnd_;
  const TSrcSelectionMode mode = selectionMode_;
  const bool wrap = wordWrap_, modified = modified_;
  const int top = topLine_, left = leftChar_;
  std::vector<int> markLines;
  for (int i = 0; i < marks_.Count(); ++i) markLines.push_back(marks_.Item(i)->Line());
  try {
    change();
  } catch (const std::bad_alloc&) {
    {
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      lines_->Clear();
      lines_->AddStrings(lines);
    }
    undoList_.Assign(undo);
    redoList_.Assign(redo);
    for (int i = 0; i < marks_.Count() && i < static_cast<int>(markLines.size()); ++i)
      marks_.Item(i)->SetLine(markLines[i]);
    wordWrap_ = wrap;
    selectionMode_ = mode;
    SetModified(modified);
    SetCaretRaw(caret);
    blockBegin_ = begin;
    blockEnd_ = end;
    SetTopLine(top);
    SetLeftChar(left);
    viewport()->update();
    throw ESrcEditError(message);
  }
}
