// The framed tree view: a tree with the frame of the framed controls that,
// while it does not have the focus, outlines its selected node with a pen.
#pragma once

#include <QPen>
#include <QTreeWidget>

#include "files/FramedControl.h"

class TFrCustomTreeView : public TFramedScrollArea<QTreeWidget> {
  Q_OBJECT
 public:
  explicit TFrCustomTreeView(QWidget* parent = nullptr);

  const QPen& SelectionPen() const { return selectionPen_; }
  void SetSelectionPen(const QPen& pen);
  // False: the selection stays marked while the tree does not have the focus.
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QPen selectionPen_;
  bool hideSelection_ = true;
};

class TFrTreeView : public TFrCustomTreeView {
  Q_OBJECT
 public:
  using TFrCustomTreeView::TFrCustomTreeView;
};
