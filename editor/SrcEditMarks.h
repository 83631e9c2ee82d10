// Gutter marks and bookmarks of an editor.
#pragma once

#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Types.h"

class TCustomSrcEdit;

class TSrcEditMark : public TObject {
 public:
  explicit TSrcEditMark(TCustomSrcEdit* owner = nullptr);
  const char* ClassName() const override { return "TSrcEditMark"; }

  int Line() const { return line_; }
  int Column() const { return column_; }
  int ImageIndex() const { return imageIndex_; }
  int BookmarkNumber() const { return bookmarkNumber_; }
  bool Visible() const { return visible_; }
  bool InternalImage() const { return internalImage_; }
  bool IsBookmark() const { return bookmarkNumber_ >= 0; }
  // The editor, while the mark is in that editor's mark list.
  TCustomSrcEdit* Edit() const;

  // Setters repaint the gutter line(s) concerned when the mark is visible
  // and belongs to an editor.
  void SetLine(int value);
  void SetColumn(int value) { column_ = value; }
  void SetImageIndex(int value);
  void SetBookmarkNumber(int value) { bookmarkNumber_ = value; }
  void SetVisible(bool value);
  void SetInternalImage(bool value);

 private:
  void RepaintLine(int line) const;
  int line_ = 0;
  int column_ = 0;
  int imageIndex_ = 0;
  QPointer<TCustomSrcEdit> editor_;  // reads as none once the editor is gone
  bool visible_ = false;
  bool internalImage_ = false;
  int bookmarkNumber_ = -1;
};

inline constexpr int kMaxMarksPerLine = 16;
using TSrcEditMarks = std::array<TSrcEditMark*, kMaxMarksPerLine>;

// The marks of an editor, in order; the list owns them.
class TSrcEditMarkList : public TObject {
 public:
  const char* ClassName() const override { return "TSrcEditMarkList"; }
  int Count() const { return static_cast<int>(marks_.size()); }
  TSrcEditMark* Item(int index) const { return marks_[index].get(); }
  bool Contains(const TSrcEditMark* mark) const;
  // Takes ownership; fires OnChange.
  void Add(TSrcEditMark* mark);
  // Removes the mark from the list and hands it back (the caller owns it).
  std::unique_ptr<TSrcEditMark> Remove(TSrcEditMark* mark);
  void Clear();
  // The first 16 marks on `line`, in list order; the rest none.
  void GetMarksForLine(int line, TSrcEditMarks& marks) const;
  // Moves the marks for `count` lines inserted at `firstLine`.
  void LinesInserted(int firstLine, int count);
  // Moves the marks for `count` lines deleted from `firstLine` on.
  void LinesDeleted(int firstLine, int count);

  std::function<void(TObject* sender)> OnChange;

 private:
  std::vector<std::unique_ptr<TSrcEditMark>> marks_;
};
