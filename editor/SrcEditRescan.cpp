// Keeping every line's stored scanner state right after changes, and the
// ten numbered bookmarks.
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

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
//
// After a change the pass starts at the first line whose start state is
// still known to be right and stores each following line's state. It may
// stop once it has passed every changed line and the state it would store
// equals the one stored: below the changes the stored states follow one
// another already. The screen's lines are rescanned when the change ends;
// the rest runs in slices of about 2 ms from the event loop, nearest lines
// first, and anything that reads a state beyond the scanned point brings
// the pass up to that line first.

namespace {

constexpr qint64 kSliceNs = 2'000'000;

}  // namespace

// One change of the lines: the pass must start at line `start` (its stored
// state is still right) and reach line `last`; the lines from `index` on
// moved by the difference in the line count since the last change, which
// is returned.
int TCustomSrcEdit::NoteChangedLines(int start, int index, int last) {
  const int count = LineCount();
  const int delta = count - knownCount_;
  knownCount_ = count;
  if (!highlighter_) return delta;
  if (count == 0) {
    rescanFrom_ = rescanReach_ = -1;
    return delta;
  }
  start = std::max(0, start);
  if (rescanFrom_ < 0) {
    rescanFrom_ = start;
    rescanReach_ = last;
  } else {
    // A pending pass keeps its reach, moved with the lines below the change.
    if (rescanReach_ >= index) rescanReach_ += delta;
    rescanFrom_ = std::min(rescanFrom_, start);
    rescanReach_ = std::max(rescanReach_, last);
  }
  rescanFrom_ = std::min(rescanFrom_, count - 1);
  rescanReach_ = std::clamp(rescanReach_, rescanFrom_, count - 1);
  return delta;
}

// Every stored state is in doubt (a new or changed highlighter, lines
// rearranged without notice): the pass runs from the top to the end.
void TCustomSrcEdit::RescanEverything() {
  knownCount_ = LineCount();
  if (!highlighter_ || knownCount_ == 0) {
    rescanFrom_ = rescanReach_ = -1;
    return;
  }
  rescanFrom_ = 0;
  rescanReach_ = knownCount_ - 1;
}

// Scans from line `index` on (the highlighter holds its start state) and
// stores each next line's state, until a stored state matches past line
// `reach` (`matched`), the last line is reached, line `through` holds its
// state, or the time budget (0: none) is spent. Returns the line reached.
int TCustomSrcEdit::ScanOn(int index, int reach, int through, qint64 budgetNs, bool& matched) {
  TSrcCustomHighlighter* h = highlighter_.data();
  const int last = LineCount() - 1;
  matched = false;
  QElapsedTimer clock;
  if (budgetNs > 0) clock.start();
  int j = index;
  while (j < last && j < through && (budgetNs <= 0 || clock.nsecsElapsed() < budgetNs)) {
    const QString text = lines_->Get(j);
    h->SetLineView(text, j);  // read only until the line's end below
    h->ScanToLineEnd();
    const int state = h->GetRange();
    ++j;
    if (j > reach && state == lines_->LineRange(j)) {
      matched = true;
      break;
    }
    lines_->SetLineRange(j, state);
  }
  return j;
}

int TCustomSrcEdit::RescanRanges(int index) {
  const int count = LineCount();
  if (!highlighter_ || index >= count - 1) return index;
  RescanScope scope(inRescan_, *lines_);
  bool matched = false;
  const int j = ScanOn(index, index, count, 0, matched);
  return matched ? j - 1 : j;
}

void TCustomSrcEdit::RescanAll() {
  rescanFrom_ = rescanReach_ = -1;
  knownCount_ = LineCount();
  TSrcCustomHighlighter* h = highlighter_.data();
  const int count = LineCount();
  if (!h || count == 0) return;
  RescanScope scope(inRescan_, *lines_);
  h->ResetRange();
  for (int i = 0; i < count; ++i) {
    lines_->SetLineRange(i, h->GetRange());
    const QString text = lines_->Get(i);
    h->SetLineView(text, i);
    h->ScanToLineEnd();
  }
}

// Moves the pending pass on until line `through` holds its state, the pass
// is done, or the budget is spent; repaints what it changed on screen.
// Readers need no repaint: every line painted so far had its state brought
// up to date before, and the lines being painted use the new states.
void TCustomSrcEdit::ContinueRescan(int through, qint64 budgetNs, bool repaint) {
  const auto stopTimer = qScopeGuard([this] {
    if (rescanFrom_ < 0 && rescanTimer_) rescanTimer_->stop();
  });
  if (rescanFrom_ < 0) return;
  TSrcCustomHighlighter* h = highlighter_.data();
  const int count = LineCount();
  if (!h || count == 0) {
    rescanFrom_ = rescanReach_ = -1;
    return;
  }
  const int from = std::min(rescanFrom_, count - 1);
  int reached;
  bool matched;
  {
    RescanScope scope(inRescan_, *lines_);
    if (from == 0) {
      h->ResetRange();
      lines_->SetLineRange(0, h->GetRange());
    } else {
      h->SetRange(lines_->LineRange(from));
    }
    reached = ScanOn(from, rescanReach_, through, budgetNs, matched);
  }
  if (matched || reached >= count - 1) {
    rescanFrom_ = rescanReach_ = -1;
  } else {
    // Below the line reached the stored states need not follow from it:
    // a later pass, even one started higher up by another change, must not
    // stop before it.
    rescanFrom_ = reached;
    rescanReach_ = std::max(rescanReach_, reached);
  }
  if (repaint) InvalidateLines(from + 1, reached + 1);
}

void TCustomSrcEdit::RescanThrough(int index) {
  if (rescanFrom_ >= 0 && index > rescanFrom_) ContinueRescan(index, 0, false);
}

void TCustomSrcEdit::FinishRescan() { ContinueRescan(std::numeric_limits<int>::max(), 0, true); }

// One slice of the pass, run from the event loop.
void TCustomSrcEdit::RescanSlice() { ContinueRescan(std::numeric_limits<int>::max(), kSliceNs, true); }

// Runs when the outermost update block of the lines ends (and after a
// change of the highlighter): the lines on screen and a screen more are
// rescanned now, the rest from the event loop.
void TCustomSrcEdit::RunPendingRescan() {
  if (rescanFrom_ < 0) return;
  const int window = std::max(1, linesInWindow_);
  ContinueRescan(topLine_ - 1 + 2 * window, 0, true);
  if (rescanFrom_ < 0) return;
  if (!rescanTimer_) {
    rescanTimer_ = new QTimer(this);
    rescanTimer_->setInterval(0);
    connect(rescanTimer_, &QTimer::timeout, this, &TCustomSrcEdit::RescanSlice);
  }
  if (!rescanTimer_->isActive()) rescanTimer_->start();
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
