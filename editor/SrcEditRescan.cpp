// Keeping every line's stored scanner state right after changes, and the
// ten numbered bookmarks.
#include "editor/SrcEdit.h"

#include "platform/ScopeExit.h"

#include <algorithm>

namespace {

// Marks the editor as rescanning and holds an update block of its lines, so
// that storing the states is one change that touches no text.
class RescanScope {
 public:
  RescanScope(bool& flag, TSrcEditStringList& lines) : flag_(flag), old_(flag), lines_(lines) {
    flag_ = true;
    lines_.BeginUpdate();
  }
  ~RescanScope() {
    lines_.EndUpdate();
    flag_ = old_;
  }

 private:
  bool& flag_;
  bool old_;
  TSrcEditStringList& lines_;
};

}  // namespace

// --------------------------------------------------------------- rescan

void TCustomSrcEdit::NoteChangedLines(int first, int last) {
  if (!highlighter_) return;
  rescanFirst_ = rescanFirst_ < 0 ? first : std::min(rescanFirst_, first);
  rescanLast_ = std::max(rescanLast_, last);
}

int TCustomSrcEdit::RescanRanges(int index) { return RescanRangesFrom(index, index); }

// Scans line `index` and the lines after it, storing each one's start state,
// at least through line `mustReach` and then until a stored state matches.
int TCustomSrcEdit::RescanRangesFrom(int index, int mustReach) {
  TSrcCustomHighlighter* h = highlighter_.data();
  const int count = LineCount();
  if (!h || index >= count - 1) return index;
  RescanScope scope(inRescan_, *lines_);
  h->SetLine(lines_->Get(index), index);
  h->ScanToLineEnd();
  int j = index + 1;
  for (; j < count; ++j) {
    const int state = h->GetRange();
    if (j > mustReach && state == lines_->LineRange(j)) break;
    lines_->SetLineRange(j, state);
    h->SetLine(lines_->Get(j), j);
    h->ScanToLineEnd();
  }
  return j - 1;
}

void TCustomSrcEdit::RescanAll() {
  rescanFirst_ = rescanLast_ = -1;
  TSrcCustomHighlighter* h = highlighter_.data();
  const int count = LineCount();
  if (!h || count == 0) return;
  RescanScope scope(inRescan_, *lines_);
  h->ResetRange();
  for (int i = 0; i < count; ++i) {
    lines_->SetLineRange(i, h->GetRange());
    h->SetLine(lines_->Get(i), i);
    h->ScanToLineEnd();
  }
}

// Runs once when the outermost update block of the lines ends: from the
// line before the lowest changed one, through the highest changed one, and
// on until the stored states match again.
void TCustomSrcEdit::RunPendingRescan() {
  if (rescanFirst_ < 0) return;
  int first = rescanFirst_;
  // Lines added inside the block lie below the highest change noted.
  int last = std::max(rescanLast_, first + std::max(0, LineCount() - countAtChanging_));
  rescanFirst_ = rescanLast_ = -1;
  TSrcCustomHighlighter* h = highlighter_.data();
  if (!h || LineCount() == 0) return;
  last = std::min(last, LineCount() - 1);
  int from;
  if (first <= 0) {
    h->ResetRange();
    {
      RescanScope scope(inRescan_, *lines_);
      lines_->SetLineRange(0, h->GetRange());
    }
    from = 0;
  } else {
    first = std::min(first, LineCount());
    from = first - 1;
    h->SetRange(lines_->LineRange(from));
  }
  const int lastRescanned = RescanRangesFrom(from, last);
  InvalidateLines(from + 1, lastRescanned + 2);
}

// ------------------------------------------------------------ bookmarks

void TCustomSrcEdit::SetBookmark(int bookmark, int x, int y) {
  if (bookmark < 0 || bookmark > 9 || y < 1 || y > std::max(1, LineCount())) return;
  auto mark = std::make_unique<TSrcEditMark>(this);
  mark->SetLine(y);
  mark->SetColumn(x);
  mark->SetImageIndex(bookmark);
  mark->SetBookmarkNumber(bookmark);
  mark->SetVisible(true);
  mark->SetInternalImage(bookMarkOpt_.BookmarkImages() == nullptr);
  TSrcEditMark* placed = mark.get();
  DoOnPlaceBookmark(placed);
  if (!placed) return;  // the handler discarded it
  if (placed != mark.get()) mark.reset(placed);
  if (Bookmark(bookmark)) ClearBookmark(bookmark);
  bookmarks_[bookmark] = mark.get();
  marks_.Add(mark.release());
}

void TCustomSrcEdit::ClearBookmark(int bookmark) {
  TSrcEditMark* mark = Bookmark(bookmark);
  if (!mark) return;
  DoOnClearBookmark(mark);
  bookmarks_[bookmark] = nullptr;
  marks_.Remove(mark);  // the returned owner frees it
}

bool TCustomSrcEdit::GetBookmark(int bookmark, int& x, int& y) const {
  const TSrcEditMark* mark = Bookmark(bookmark);
  if (!mark) return false;
  x = mark->Column();
  y = mark->Line();
  return true;
}

void TCustomSrcEdit::GotoBookmark(int bookmark) {
  const TSrcEditMark* mark = Bookmark(bookmark);
  if (!mark || mark->Line() > LineCount()) return;
  SetCaretXYEx(false, TPoint{mark->Column(), mark->Line()});
  if (SelAvail()) SetBlockBegin(CaretXY());
  ScrollCaretToMiddle();
}

// Brings the caret line into view in the middle of the window.
void TCustomSrcEdit::ScrollCaretToMiddle() {
  const int half = std::max(1, linesInWindow_) / 2;
  if (caretY_ < topLine_)
    SetTopLine(std::max(1, caretY_ - half + 1));
  else if (caretY_ > topLine_ + linesInWindow_ - 1)
    SetTopLine(caretY_ - (linesInWindow_ - 1) + half);
  EnsureCursorPosVisible();
}
