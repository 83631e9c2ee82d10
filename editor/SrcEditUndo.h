// The editor's change history: every change is recorded as an item (reason,
// positions, removed text); items that share a change number form one group
// and are taken back together.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editor/SrcEditTypes.h"
#include "platform/Types.h"

// Why a change was made. The numbers are stored in items and compared by the
// grouping rules of Undo and Redo.
enum TSrcChangeReason : std::uint8_t {
  crInsert = 0,
  crPaste = 1,
  crDragDropInsert = 2,
  crDeleteAfterCursor = 3,
  crDelete = 4,
  crLineBreak = 5,
  crIndent = 6,
  crUnindent = 7,
  crSilentDelete = 8,
  crSilentDeleteAfterCursor = 9,
  crAutoCompleteBegin = 10,
  crAutoCompleteEnd = 11,
  crPasteBegin = 12,
  crPasteEnd = 13,
  crSpecial1Begin = 14,
  crSpecial1End = 15,
  crNothing = 16,
  crGroupBreak = 17,
  crDeleteAll = 18,
  crWordWrapOn = 19,   // word wrap switched back on after a paste
  crWordWrapOff = 20,  // word wrap switched off for a paste
  crPadding = 21,
};

// The caret and the selection (anchor and moving end, in their mode) as the
// user had them.
struct TSrcEditSelectionState {
  TPoint caret;
  TPoint blockBegin;
  TPoint blockEnd;
  TSrcSelectionMode mode = smNormal;
};

class TSrcEditUndoItem {
 public:
  TSrcChangeReason fChangeReason = crNothing;
  TSrcSelectionMode fChangeSelMode = smNormal;
  TPoint fChangeStartPos;
  TPoint fChangeEndPos;
  QString fChangeStr;
  int fChangeNumber = 0;
  // Where the user was before the command that this item begins: Undo of
  // the command gives it back. Only the first item of a command has one.
  std::optional<TSrcEditSelectionState> fSelectionBefore;

  void Assign(const TSrcEditUndoItem& source) { *this = source; }
};

class TSrcEditUndoList : public TObject {
 public:
  TSrcEditUndoList() = default;
  TSrcEditUndoList(const TSrcEditUndoList&) = delete;
  TSrcEditUndoList& operator=(const TSrcEditUndoList&) = delete;
  const char* ClassName() const override { return "TSrcEditUndoList"; }

  // Records a change unless the list is locked. The first change recorded
  // after SetSelectionBefore carries that state.
  void AddChange(TSrcChangeReason reason, TPoint start, TPoint end, const QString& text, TSrcSelectionMode mode);
  // Appends an item as it is (keeping its change number).
  void PushItem(std::unique_ptr<TSrcEditUndoItem> item);
  void BeginBlock();
  void EndBlock();
  void AddGroupBreak();
  void ClearList();
  bool CanUndo() const { return !items_.empty(); }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  void Lock() { ++lockCount_; }
  void Unlock() {
    if (lockCount_ > 0) --lockCount_;
  }
  bool IsLocked() const { return lockCount_ > 0; }
  const TSrcEditUndoItem* PeekItem() const { return items_.empty() ? nullptr : items_.back().get(); }
  const TSrcEditUndoItem* Item(int index) const { return items_[index].get(); }
  std::unique_ptr<TSrcEditUndoItem> PopItem();
  TSrcChangeReason LastChangeReason() const { return items_.empty() ? crNothing : items_.back()->fChangeReason; }
  int MaxUndoActions() const { return maxUndoActions_; }
  void SetMaxUndoActions(int value);
  bool FullUndoImpossible() const { return fullUndoImpossible_; }

  // The number given to items while a block is open (0 = none). Undo and
  // Redo set it so that everything moved in one step shares one number.
  int BlockChangeNumber() const { return blockChangeNumber_; }
  void SetBlockChangeNumber(int value) { blockChangeNumber_ = value; }
  int BlockCount() const { return blockCount_; }
  int NextChangeNumber() const { return nextChangeNumber_; }

  // The state the next recorded change carries (none: nullopt). Closing the
  // outermost block drops a state that no change took.
  void SetSelectionBefore(const std::optional<TSrcEditSelectionState>& state) { selectionBefore_ = state; }

  void Assign(const TSrcEditUndoList& source);

  std::function<void(TSrcEditUndoList* sender)> OnAdded;

 private:
  void IncNextChangeNumber();
  // Trims whole groups, oldest first, while there are more items than the
  // limit. The open block is never cut, and with a limit above 0 the newest
  // group stays whole, so the last change can always be taken back.
  void EnforceMaxEntries();

  int blockChangeNumber_ = 0;
  int blockCount_ = 0;
  bool fullUndoImpossible_ = false;
  std::vector<std::unique_ptr<TSrcEditUndoItem>> items_;
  int lockCount_ = 0;
  int maxUndoActions_ = 1024;
  int nextChangeNumber_ = 1;
  std::optional<TSrcEditSelectionState> selectionBefore_;
};
