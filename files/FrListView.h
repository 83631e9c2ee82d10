// The framed list view: a list of rows with columns whose last column can
// take the width left over, sorting by any column header, and in-place
// editing of a caption only when its label is clicked.
#pragma once

#include <QTreeWidget>

#include "files/FramedControl.h"

class TFrCustomListView : public TFramedScrollArea<QTreeWidget> {
  Q_OBJECT
 public:
  explicit TFrCustomListView(QWidget* parent = nullptr);
  ~TFrCustomListView() override;

  bool FillLastColumn() const { return fillLastColumn_; }
  void SetFillLastColumn(bool v);
  bool AlphaSortAll() const { return alphaSortAll_; }
  void SetAlphaSortAll(bool v) { alphaSortAll_ = v; }
  bool EditOnRowClick() const { return editOnRowClick_; }
  void SetEditOnRowClick(bool v) { editOnRowClick_ = v; }

  // Gives the last column the width the others leave (at least 5 pixels).
  void DoFillLastColumn();
  // Sorts the rows by `column` without regard to case, empty texts last.
  void SortByColumn(int column);

 signals:
  void ColumnClick(int column);

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

 private:
  bool fillLastColumn_ = true;
  bool alphaSortAll_ = false;
  bool editOnRowClick_ = false;
  bool destroying_ = false;
  bool filling_ = false;
  int wheelRemainder_ = 0;
};

class TFrListView : public TFrCustomListView {
  Q_OBJECT
 public:
  using TFrCustomListView::TFrCustomListView;
};
