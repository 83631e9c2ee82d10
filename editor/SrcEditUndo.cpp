#include "editor/SrcEditUndo.h"

#include <algorithm>
#include <utility>

void TSrcEditUndoList::AddChange(TSrcChangeReason reason, TPoint start, TPoint end, const QString& text,
                                 TSrcSelectionMode mode) {
  if (lockCount_ > 0) return;
  auto item = std::make_unique<TSrcEditUndoItem>();
  item->fChangeReason = reason;
  item->fChangeSelMode = mode;
  item->fChangeStartPos = start;
  item->fChangeEndPos = end;
  item->fChangeStr = text;
  if (reason != crGroupBreak) item->fSelectionBefore = std::exchange(selectionBefore_, std::nullopt);
  if (blockChangeNumber_ != 0) {
    item->fChangeNumber = blockChangeNumber_;
  } else {
    item->fChangeNumber = nextChangeNumber_;
    IncNextChangeNumber();
  }
  PushItem(std::move(item));
}

void TSrcEditUndoList::PushItem(std::unique_ptr<TSrcEditUndoItem> item) {
  const TSrcChangeReason reason = item->fChangeReason;
  items_.push_back(std::move(item));
  EnforceMaxEntries();
  if (reason != crGroupBreak && OnAdded) OnAdded(this);
}

void TSrcEditUndoList::IncNextChangeNumber() {
  ++nextChangeNumber_;
  if (nextChangeNumber_ == 0) ++nextChangeNumber_;
}

void TSrcEditUndoList::BeginBlock() {
  ++blockCount_;
  blockChangeNumber_ = nextChangeNumber_;
}

void TSrcEditUndoList::EndBlock() {
  if (blockCount_ <= 0) return;
  if (--blockCount_ == 0) {
    blockChangeNumber_ = 0;
    selectionBefore_.reset();
    IncNextChangeNumber();
    if (maxUndoActions_ == 0 && !items_.empty()) {
      EnforceMaxEntries();
      if (OnAdded) OnAdded(this);
    }
  }
}

void TSrcEditUndoList::AddGroupBreak() {
  if (!items_.empty() && items_.back()->fChangeReason != crGroupBreak)
    AddChange(crGroupBreak, TPoint{0, 0}, TPoint{0, 0}, QString(), smNormal);
}

void TSrcEditUndoList::ClearList() {
  items_.clear();
  fullUndoImpossible_ = false;
}

std::unique_ptr<TSrcEditUndoItem> TSrcEditUndoList::PopItem() {
  if (items_.empty()) return nullptr;
  auto item = std::move(items_.back());
  items_.pop_back();
  return item;
}

void TSrcEditUndoList::SetMaxUndoActions(int value) {
  value = std::max(value, 0);
  if (value == maxUndoActions_) return;
  maxUndoActions_ = value;
  EnforceMaxEntries();
}

void TSrcEditUndoList::EnforceMaxEntries() {
  while (static_cast<int>(items_.size()) > maxUndoActions_) {
    const int oldest = items_.front()->fChangeNumber;
    if (blockCount_ > 0 && oldest == blockChangeNumber_) break;
    // The newest change: the group break that follows a command is none.
    const std::size_t n = items_.size();
    const int newest = items_[n > 1 && items_.back()->fChangeReason == crGroupBreak ? n - 2 : n - 1]->fChangeNumber;
    // One change fills the list: the newest group stays whole (checked first,
    // so that a change of many items does not rescan the list per item).
    if (maxUndoActions_ > 0 && oldest == newest) break;
    auto groupEnd = std::find_if(items_.begin(), items_.end(),
                                 [oldest](const auto& item) { return item->fChangeNumber != oldest; });
    if (groupEnd == items_.end() && maxUndoActions_ > 0) break;  // the newest group stays whole
    // A group break left in front separates nothing: it goes too.
    while (groupEnd != items_.end() && (*groupEnd)->fChangeReason == crGroupBreak) ++groupEnd;
    items_.erase(items_.begin(), groupEnd);
    fullUndoImpossible_ = true;
  }
}

void TSrcEditUndoList::Assign(const TSrcEditUndoList& source) {
  items_.clear();
  for (const auto& item : source.items_) items_.push_back(std::make_unique<TSrcEditUndoItem>(*item));
  blockChangeNumber_ = source.blockChangeNumber_;
  blockCount_ = source.blockCount_;
  fullUndoImpossible_ = source.fullUndoImpossible_;
  maxUndoActions_ = source.maxUndoActions_;
  nextChangeNumber_ = source.nextChangeNumber_;
  selectionBefore_ = source.selectionBefore_;
}
