// Line lengths and character offsets of the editor: the lengths kept in step
// with the buffer, the longest line, and offsets to and from positions.
#include <algorithm>

#include "editor/SrcEdit.h"

// ------------------------------------------------------------------ offsets

void TCustomSrcEdit::InvalidateOffsets(int index) { offsetsValid_ = std::max(1, std::min(offsetsValid_, index + 1)); }

void TLineLengths::MoveGap(int index) {
  const int gap = Gap();
  if (index < gapStart_)
    std::move_backward(store_.begin() + index, store_.begin() + gapStart_, store_.begin() + gapStart_ + gap);
  else if (index > gapStart_)
    std::move(store_.begin() + gapStart_ + gap, store_.begin() + index + gap, store_.begin() + gapStart_);
  gapStart_ = index;
}

void TLineLengths::Insert(int index, int n) {
  if (Gap() < n) {
    // Grow, leaving the new gap at the insertion point.
    std::vector<int> grown(static_cast<size_t>(count_) + n + std::max(1024, count_ / 4));
    for (int i = 0; i < index; ++i) grown[i] = At(i);
    const int newGap = static_cast<int>(grown.size()) - count_;
    for (int i = index; i < count_; ++i) grown[i + newGap] = At(i);
    store_.swap(grown);
    gapStart_ = index;
  } else {
    MoveGap(index);
  }
  gapStart_ += n;
  count_ += n;
}

void TLineLengths::Erase(int index, int n) {
  MoveGap(index);
  count_ -= n;
}

void TLineLengths::Clear() {
  store_.clear();
  gapStart_ = count_ = 0;
}

void TLineLengths::Resize(int n) {
  store_.assign(n, 0);
  gapStart_ = count_ = n;
}

void TCustomSrcEdit::LengthsInserted(int index) {
  InvalidateOffsets(index);
  const int added = LineCount() - lengths_.Count();
  if (added <= 0 || index < 0 || index > lengths_.Count()) {
    lengths_.Clear();  // out of step: rebuilt on demand
    return;
  }
  lengths_.Insert(index, added);
  for (int i = index; i < index + added; ++i) lengths_.At(i) = lines_->LineLength(i);
}

void TCustomSrcEdit::LengthsDeleted(int index) {
  InvalidateOffsets(index);
  const int removed = lengths_.Count() - LineCount();
  if (removed <= 0 || index < 0 || index + removed > lengths_.Count()) {
    lengths_.Clear();
    return;
  }
  lengths_.Erase(index, removed);
}

int TCustomSrcEdit::LongestLength() const {
  if (longestLength_ < 0 || !longestExact_ || longestTabWidth_ != lines_->TabWidth()) {
    longestLength_ = 0;
    longestIndex_ = -1;
    longestExact_ = true;
    longestTabWidth_ = lines_->TabWidth();
    for (int i = 0; i < LineCount(); ++i) LongestLineReplaced(i);
  }
  return longestLength_;
}

// Lines added (delta > 0) or removed at `index`.
void TCustomSrcEdit::LongestLinesMoved(int index, int delta) {
  if (longestLength_ < 0 || delta == 0) return;
  if (delta < 0 && longestIndex_ >= index && longestIndex_ < index - delta) {
    longestExact_ = false;  // the longest line is gone: its length stays a bound
    return;
  }
  if (longestIndex_ >= index) longestIndex_ += delta;
  for (int i = index; i < index + delta; ++i) LongestLineReplaced(i);
}

void TCustomSrcEdit::LongestLineReplaced(int index) const {
  if (longestLength_ < 0) return;
  const int length = lines_->ExpandedLength(index);
  if (length > longestLength_ || (length == longestLength_ && (!longestExact_ || index < longestIndex_))) {
    // Past the bound, or at it: the longest length is known again.
    longestLength_ = length;
    longestIndex_ = index;
    longestExact_ = true;
  } else if (longestExact_ && index == longestIndex_ && length < longestLength_) {
    // It grew shorter: a near line of its old length may keep the mark;
    // otherwise the old length stays as a bound, counted again only when a
    // caller needs the exact length.
    const int count = LineCount();
    for (int d = 1; d <= 64; ++d) {
      for (const int j : {index + d, index - d}) {
        if (j >= 0 && j < count && lines_->ExpandedLength(j) == longestLength_) {
          longestIndex_ = j;
          return;
        }
      }
    }
    longestExact_ = false;
  }
}

void TCustomSrcEdit::LengthReplaced(int index) {
  InvalidateOffsets(index);
  if (index >= 0 && index < lengths_.Count() && lengths_.Count() == LineCount())
    lengths_.At(index) = lines_->LineLength(index);
  else
    lengths_.Clear();
}

qint64 TCustomSrcEdit::LineStartOffset(int line) const {
  const int count = LineCount();
  if (lengths_.Count() != count) {
    lengths_.Resize(count);
    for (int i = 0; i < count; ++i) lengths_.At(i) = lines_->LineLength(i);
    offsetsValid_ = 1;
  }
  const int n = std::clamp(line - 1, 0, count);
  if (static_cast<int>(offsets_.size()) < count + 1) offsets_.resize(count + 1);
  if (offsetsValid_ <= n) {
    qint64 sum = offsets_[offsetsValid_ - 1];
    qint64* out = offsets_.data();
    for (int i = offsetsValid_; i <= n; ++i) out[i] = sum += lengths_.At(i - 1) + 2;
    offsetsValid_ = n + 1;
  }
  return offsets_[n];
}

qint64 TCustomSrcEdit::WrapBreaksBefore(int line) const {
  if (!lines_->WordWrap()) return 0;
  qint64 breaks = 0;
  for (int i = 1, last = std::min(line - 1, LineCount() - 1); i <= last; ++i)
    if (lines_->IsContinuation(i)) breaks += 2;
  return breaks;
}

int TCustomSrcEdit::SelStart() const {
  const TPoint p = SelAvail() ? BlockBegin() : CaretXY();
  const int count = LineCount();
  if (p.Y > count)
    return static_cast<int>(LineStartOffset(count + 1) - WrapBreaksBefore(count + 1) + 2 * (p.Y - 1 - count) +
                            std::min(p.X, 1));
  return static_cast<int>(LineStartOffset(p.Y) - WrapBreaksBefore(p.Y) +
                          std::min(p.X, static_cast<int>(Line(p.Y).size()) + 1));
}

int TCustomSrcEdit::SelEnd() const { return static_cast<int>(PointToOffsetEx(SelAvail() ? BlockEnd() : CaretXY())); }

TPoint TCustomSrcEdit::OffsetToPoint(qint64 value) const {
  const int count = LineCount();
  if (count == 0) return TPoint{static_cast<int>(value), 1};
  if (lines_->WordWrap()) {
    // The rows of a wrapped line follow each other without a break; a value
    // at a row's end is the next row's start.
    qint64 start = 0;
    int row = 0;
    for (; row < count - 1; ++row) {
      const qint64 end = start + lines_->LineLength(row) + (lines_->IsContinuation(row + 1) ? 0 : 2);
      if (value <= end) break;
      start = end;
    }
    return TPoint{static_cast<int>(value - start), row + 1};
  }
  LineStartOffset(count + 1);
  // The first line whose end (with its break) reaches the value; past the
  // text the search stops at the last line.
  const auto first = offsets_.begin() + 1;
  const auto it = std::lower_bound(first, first + count, value);
  const int index = std::min(static_cast<int>(it - first), count - 1);
  return TPoint{static_cast<int>(value - offsets_[index]), index + 1};
}

void TCustomSrcEdit::SetSelStart(int value) {
  SetCaretXY(OffsetToPoint(value));
  SetBlockBegin(CaretXY());
}

void TCustomSrcEdit::SetSelEnd(int value) { SetBlockEnd(OffsetToPoint(value)); }

qint64 TCustomSrcEdit::PointToOffsetEx(TPoint p) const {
  if (p.Y > LineCount())
    return LineStartOffset(LineCount() + 1) - WrapBreaksBefore(LineCount() + 1) + 2 * (p.Y - 1 - LineCount()) + p.X;
  return LineStartOffset(p.Y) - WrapBreaksBefore(p.Y) + p.X;
}
