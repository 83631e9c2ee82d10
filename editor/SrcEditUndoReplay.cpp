// Undo and redo of the editor: the recorded changes replayed item by item.
#include <algorithm>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

namespace {

// Options that Undo and Redo switch for the time of a replay.
constexpr TSrcEditorOptions kReplayOptions = eoScrollPastEol | eoTrimTrailingSpaces;

// The editor's selection mode and options while one recorded item is
// replayed: the item's mode, and options that put back exactly the recorded
// text (no trimming, columns beyond the line end allowed). The editor's own
// come back at the end of the scope.
class TReplaySettings {
 public:
  TReplaySettings(TSrcSelectionMode& mode, TSrcEditorOptions& options, TSrcSelectionMode itemMode)
      : mode_(mode), options_(options), oldMode_(mode), oldOptions_(options) {
    mode_ = itemMode;
    options_ = (options_ | eoScrollPastEol) & ~eoTrimTrailingSpaces;
  }
  ~TReplaySettings() {
    mode_ = oldMode_;
    options_ = (options_ & ~kReplayOptions) | (oldOptions_ & kReplayOptions);
  }
  TReplaySettings(const TReplaySettings&) = delete;
  TReplaySettings& operator=(const TReplaySettings&) = delete;
  // The editor's own options, from before the replay.
  TSrcEditorOptions OldOptions() const { return oldOptions_; }

 private:
  TSrcSelectionMode& mode_;
  TSrcEditorOptions& options_;
  TSrcSelectionMode oldMode_;
  TSrcEditorOptions oldOptions_;
};

QString TrimRight(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && (s[n - 1] == QLatin1Char(' ') || s[n - 1] == QLatin1Char('\t'))) --n;
  return n == s.size() ? s : s.left(n);
}

bool IsBlank(const QString& s) { return TrimRight(s).isEmpty(); }

QString Spaces(int n) { return n > 0 ? QString(n, QLatin1Char(' ')) : QString(); }

// An item whose replay changes no text goes over to the list `to` as it is;
// of these, the one of word wrap switched on turns it off, and the one of
// word wrap switched off turns it on, whether undone or redone.
void PassItemOn(TCustomSrcEdit& edit, std::unique_ptr<TSrcEditUndoItem> item, TSrcEditUndoList& to) {
  if (item->fChangeReason == crWordWrapOn)
    edit.SetWordWrap(false);
  else if (item->fChangeReason == crWordWrapOff)
    edit.SetWordWrap(true);
  to.PushItem(std::move(item));
}

}  // namespace

// ----------------------------------------------------------- undo and redo

bool TCustomSrcEdit::CanUndo() const { return !ReadOnly() && undoList_.CanUndo(); }
bool TCustomSrcEdit::CanRedo() const { return !ReadOnly() && redoList_.CanUndo(); }

void TCustomSrcEdit::SetMaxUndo(int value) {
  if (value < 0) return;
  undoList_.SetMaxUndoActions(value);
  redoList_.SetMaxUndoActions(value);
}

void TCustomSrcEdit::ClearUndo() {
  undoList_.ClearList();
  redoList_.ClearList();
}

void TCustomSrcEdit::BeginUndoBlock() {
  const bool outermost = undoList_.BlockCount() == 0;
  if (outermost) undoList_.AddGroupBreak();
  undoList_.BeginBlock();
  if (outermost) undoList_.SetSelectionBefore(SelectionState());
}

void TCustomSrcEdit::EndUndoBlock() {
  undoList_.EndBlock();
  if (undoList_.BlockCount() == 0) undoList_.AddGroupBreak();
}

void TCustomSrcEdit::LockUndo() {
  undoList_.Lock();
  redoList_.Lock();
}

void TCustomSrcEdit::UnlockUndo() {
  undoList_.Unlock();
  redoList_.Unlock();
}

TSrcEditSelectionState TCustomSrcEdit::SelectionState() const {
  // Recorded positions are those of the file's own lines.
  if (lines_->WordWrap())
    return {WrappedToLogical(CaretXY()), WrappedToLogical(blockBegin_), WrappedToLogical(blockEnd_), selectionMode_};
  return {CaretXY(), blockBegin_, blockEnd_, selectionMode_};
}

void TCustomSrcEdit::RestoreSelectionState(const TSrcEditSelectionState& state) {
  SetCaretXYEx(false, state.caret);
  if (state.mode == selectionMode_) {
    blockBegin_ = ClampPoint(state.blockBegin);
    blockEnd_ = ClampPoint(state.blockEnd);
  } else {
    blockBegin_ = blockEnd_ = CaretXY();
  }
  StatusChanged(scSelection);
  viewport()->update();
  EnsureCursorPosVisible();
}

void TCustomSrcEdit::UndoRedoAdded(TSrcEditUndoList* sender) {
  SetModified(undoList_.CanUndo() || undoList_.FullUndoImpossible());
  if (sender == &undoList_ && !(stateFlags_ & sfRedoInProgress) && undoList_.LastChangeReason() != crGroupBreak)
    redoList_.ClearList();
  if (OnChange) OnChange(this);
}

namespace {

// How the newest change of `list` stands to a grouped run of `reason`.
enum class TRunPart : std::uint8_t {
  None,   // not part of it
  Joins,  // part of it; earlier changes may be too
  Opens,  // typing that replaced a selection: the run's first change
};

// Every item of the newest change has the reason, or, for typing, the change
// is one typed step: the character after the blanks that pad the line to
// the caret or after the characters it overwrote, or the first character
// typed over a selection, which takes the selection's text along. A change
// made of other items (a replacement inside an undo block) is never taken
// half.
TRunPart RunPart(const TSrcEditUndoList& list, TSrcChangeReason reason) {
  const int n = list.ItemCount();
  if (n == 0 || list.Item(n - 1)->fChangeReason != reason) return TRunPart::None;
  const int number = list.Item(n - 1)->fChangeNumber;
  TRunPart part = TRunPart::Joins;
  for (int i = n - 2; i >= 0 && list.Item(i)->fChangeNumber == number; --i) {
    const TSrcChangeReason r = list.Item(i)->fChangeReason;
    if (r == reason) continue;
    if (reason != crInsert || part == TRunPart::Opens) return TRunPart::None;
    if (r == crDelete && (i == 0 || list.Item(i - 1)->fChangeNumber != number)) {
      part = TRunPart::Opens;  // the selection typed over: the change's first item
    } else if (r != crPadding && r != crSilentDeleteAfterCursor) {
      return TRunPart::None;
    }
  }
  return part;
}

}  // namespace

void TCustomSrcEdit::Undo() { TakeBack(false); }
void TCustomSrcEdit::Redo() { TakeBack(true); }

// Undo (or redo) takes back one change: the items of its change number, a
// bracketed run (auto-completion, paste, special), or with eoGroupUndo a run
// of whole changes of the same reason.
void TCustomSrcEdit::TakeBack(bool redo) {
  if (ReadOnly()) return;
  const LogicalLines logical(this);
  TSrcEditUndoList& from = redo ? redoList_ : undoList_;
  TSrcEditUndoList& to = redo ? undoList_ : redoList_;
  // The first item of a command carries where the user was before it:
  // taken along to the other list, and given back by Undo.
  auto step = [&] {
    const TSrcEditUndoItem* next = from.PeekItem();
    const std::optional<TSrcEditSelectionState> before = next ? next->fSelectionBefore : std::nullopt;
    to.SetSelectionBefore(before);
    ScopeExit taken([&to] { to.SetSelectionBefore(std::nullopt); });
    if (redo)
      RedoItem();
    else
      UndoItem();
    if (before && !redo) RestoreSelectionState(*before);
  };
  auto moveBreaks = [&] {
    while (from.LastChangeReason() == crGroupBreak) {
      from.PopItem();
      to.AddGroupBreak();
    }
  };
  moveBreaks();
  const TSrcEditUndoItem* item = from.PeekItem();
  if (!item) return;
  const TSrcChangeReason reason = item->fChangeReason;
  const int number = item->fChangeNumber;
  // Undo meets a bracketed run at its end marker, redo at its begin marker;
  // the partner marker is the neighbouring reason.
  const bool bracket = redo ? (reason == crAutoCompleteBegin || reason == crPasteBegin || reason == crSpecial1Begin)
                            : (reason == crAutoCompleteEnd || reason == crPasteEnd || reason == crSpecial1End);
  const int partner = static_cast<int>(reason) + (redo ? 1 : -1);
  const int oldBlock = to.BlockChangeNumber();
  to.SetBlockChangeNumber(number);
  ScopeExit restore([&to, oldBlock] { to.SetBlockChangeNumber(oldBlock); });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  ++replaying_;
  ScopeExit replayed([this] { --replaying_; });
  const bool grouping = HasOption(eoGroupUndo) && reason != crIndent && reason != crUnindent;
  int current = number;  // the change being taken back: always taken whole
  // A run ends with the typing that replaced a selection (its first change).
  bool runOpened = grouping && RunPart(from, reason) == TRunPart::Opens;
  for (;;) {
    step();
    const TSrcEditUndoItem* last = from.PeekItem();
    if (!last) break;
    bool more = false;
    if (bracket) {
      more = static_cast<int>(last->fChangeReason) != partner;
    } else if (last->fChangeNumber == current) {
      more = true;
    } else if (grouping && !runOpened) {
      const TRunPart part = RunPart(from, reason);
      more = part != TRunPart::None;
      current = last->fChangeNumber;
      runOpened = part == TRunPart::Opens;
    }
    if (!more) break;
  }
  moveBreaks();
  if (bracket && static_cast<int>(from.LastChangeReason()) == partner) step();
}

void TCustomSrcEdit::UndoItem() {
  std::unique_ptr<TSrcEditUndoItem> item = undoList_.PopItem();
  if (!item) return;
  const TReplaySettings settings(selectionMode_, options_, item->fChangeSelMode);
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  const TSrcChangeReason reason = item->fChangeReason;
  const TSrcSelectionMode mode = item->fChangeSelMode;
  TPoint start = item->fChangeStartPos;
  TPoint end = item->fChangeEndPos;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert:
    case crPadding: {
      start = ClampPoint(start);
      end = ClampPoint(end);
      SetSelectionRaw(start, end);
      redoList_.AddChange(reason, start, end, SelTextForUndo(), mode);
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    }
    case crDeleteAfterCursor:
    case crDelete:
    case crSilentDelete:
    case crSilentDeleteAfterCursor:
    case crDeleteAll: {
      TPoint p =
          mode == smColumn ? TPoint{std::min(start.X, end.X), std::min(start.Y, end.Y)} : EarlierPoint(start, end);
      if ((reason == crDeleteAfterCursor || reason == crSilentDeleteAfterCursor) && LineCount() < p.Y) {
        SetCaretXYEx(false, TPoint{1, LineCount()});
        lines_->Add(QString());
      }
      p = ClampPoint(p);
      SetCaretXYEx(false, p);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      if (reason != crSilentDelete && reason != crSilentDeleteAfterCursor) {
        SetCaretXYEx(false, reason == crDeleteAfterCursor ? start : end);
        blockBegin_ = ClampPoint(start);
        blockEnd_ = ClampPoint(end);
        StatusChanged(scSelection);
      } else {
        SetCaretXYEx(false, reason == crSilentDeleteAfterCursor ? start : end);
      }
      redoList_.AddChange(reason, start, end, QString(), mode);
      if (reason == crDeleteAll) {
        SetCaretXYEx(false, TPoint{1, 1});
        blockBegin_ = blockEnd_ = TPoint{1, 1};
      }
      EnsureCursorPosVisible();
      break;
    }
    case crLineBreak: {
      start = ClampPoint(start);
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      redoList_.AddChange(reason, start, end, QString(), mode);
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      QString line = Line(caretY_);
      if (line.size() < caretX_ - 1 && !IsBlank(item->fChangeStr))
        line += Spaces(caretX_ - 1 - static_cast<int>(line.size()));
      if (end.Y >= 0 && end.Y < LineCount()) lines_->Delete(end.Y);
      PutLine(caretY_, TrimIfWanted(line + item->fChangeStr));
      DoLinesDeleted(caretY_ + 1, 1);
      break;
    }
    case crIndent:
      SetCaretXYEx(false, end);
      blockBegin_ = ClampPoint(start);
      blockEnd_ = ClampPoint(end);
      redoList_.PushItem(std::move(item));
      break;
    case crUnindent: {
      SetCaretXYEx(false, TPoint{1, start.Y});
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(smColumn, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      blockBegin_ = ClampPoint(start);
      blockEnd_ = ClampPoint(end);
      redoList_.PushItem(std::move(item));
      break;
    }
    case crWordWrapOn:
    case crWordWrapOff:
    default:
      PassItemOn(*this, std::move(item), redoList_);
      break;
  }
}

void TCustomSrcEdit::RedoItem() {
  std::unique_ptr<TSrcEditUndoItem> item = redoList_.PopItem();
  if (!item) return;
  const TReplaySettings settings(selectionMode_, options_, item->fChangeSelMode);
  stateFlags_ |= sfRedoInProgress;
  ScopeExit redone([this] { stateFlags_ &= ~sfRedoInProgress; });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  const TSrcChangeReason reason = item->fChangeReason;
  const TSrcSelectionMode mode = item->fChangeSelMode;
  const TPoint start = ClampPoint(item->fChangeStartPos);
  const TPoint end = item->fChangeEndPos;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert: {
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, end);
      undoList_.AddChange(reason, start, end, QString(), mode);
      if (reason == crDragDropInsert) {
        blockBegin_ = start;
        blockEnd_ = ClampPoint(end);
      }
      break;
    }
    case crDeleteAfterCursor:
    case crDelete:
    case crSilentDelete:
    case crSilentDeleteAfterCursor:
    case crDeleteAll: {
      SetSelectionRaw(start, end);
      undoList_.AddChange(reason, start, end, SelTextForUndo(), mode);
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    }
    case crLineBreak: {
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      // The break is made again as it was made: with the editor's trimming.
      const TSrcEditorOptions replay = options_;
      options_ = (options_ & ~eoTrimTrailingSpaces) | (settings.OldOptions() & eoTrimTrailingSpaces);
      ScopeExit back([this, replay] { options_ = replay; });
      InsertLineBreak();
      break;
    }
    case crIndent:
      SetCaretXYEx(false, end);
      blockBegin_ = start;
      blockEnd_ = ClampPoint(end);
      undoList_.PushItem(std::move(item));
      break;
    case crUnindent: {
      // Takes the removed characters off each line again, but only where
      // the line still starts with them.
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      const QStringList rows = SplitTextLines(item->fChangeStr);
      int y = start.Y;
      int lastRemoved = 0;
      for (const QString& row : rows) {
        if (y > LineCount()) break;
        const QString line = Line(y);
        lastRemoved = line.startsWith(row) ? static_cast<int>(row.size()) : 0;
        if (lastRemoved > 0) PutLine(y, line.mid(lastRemoved));
        ++y;
      }
      SetCaretXYEx(false, TPoint{1, start.Y});
      blockBegin_ = ClampPoint(TPoint{start.X - tabWidth_, start.Y});
      blockEnd_ = ClampPoint(TPoint{end.X - lastRemoved, end.Y});
      undoList_.PushItem(std::move(item));
      break;
    }
    case crWordWrapOn:
    case crWordWrapOff:
    case crPadding:
      undoList_.AddChange(reason, start, end, QString(), mode);
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    default:
      PassItemOn(*this, std::move(item), undoList_);
      break;
  }
}
