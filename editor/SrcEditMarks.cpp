#include "editor/SrcEditMarks.h"

#include "editor/SrcEdit.h"

TSrcEditMark::TSrcEditMark(TCustomSrcEdit* owner) : editor_(owner) {}

TCustomSrcEdit* TSrcEditMark::Edit() const { return editor_ && editor_->Marks().Contains(this) ? editor_ : nullptr; }

void TSrcEditMark::RepaintLine(int line) const {
  if (!visible_) return;
  if (TCustomSrcEdit* e = Edit()) e->InvalidateGutterLine(line);
}

void TSrcEditMark::SetLine(int value) {
  if (value == line_) return;
  if (line_ > 0) RepaintLine(line_);
  line_ = value;
  RepaintLine(line_);
}

void TSrcEditMark::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  RepaintLine(line_);
}

void TSrcEditMark::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (TCustomSrcEdit* e = Edit()) e->InvalidateGutterLine(line_);
}

void TSrcEditMark::SetInternalImage(bool value) {
  if (value == internalImage_) return;
  internalImage_ = value;
  RepaintLine(line_);
}

bool TSrcEditMarkList::Contains(const TSrcEditMark* mark) const {
  for (const auto& m : marks_)
    if (m.get() == mark) return true;
  return false;
}

void TSrcEditMarkList::Add(TSrcEditMark* mark) {
  marks_.emplace_back(mark);
  if (OnChange) OnChange(this);
}

std::unique_ptr<TSrcEditMark> TSrcEditMarkList::Remove(TSrcEditMark* mark) {
  for (auto it = marks_.begin(); it != marks_.end(); ++it) {
    if (it->get() == mark) {
      std::unique_ptr<TSrcEditMark> owned = std::move(*it);
      marks_.erase(it);
      if (OnChange) OnChange(this);
      return owned;
    }
  }
  return nullptr;
}

void TSrcEditMarkList::Clear() { marks_.clear(); }

void TSrcEditMarkList::GetMarksForLine(int line, TSrcEditMarks& marks) const {
  marks.fill(nullptr);
  int n = 0;
  for (const auto& m : marks_) {
    if (m->Line() != line) continue;
    marks[n++] = m.get();
    if (n == kMaxMarksPerLine) break;
  }
}

void TSrcEditMarkList::LinesInserted(int firstLine, int count) {
  if (count <= 0) return;
  for (const auto& m : marks_)
    if (m->Line() >= firstLine) m->SetLine(m->Line() + count);
}

void TSrcEditMarkList::LinesDeleted(int firstLine, int count) {
  if (count <= 0) return;
  for (const auto& m : marks_) {
    if (m->Line() >= firstLine + count)
      m->SetLine(m->Line() - count);
    else if (m->Line() > firstLine)
      m->SetLine(firstLine);
  }
}
