#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>

#include "files/FrListView.h"
#include "tests/files/FilesFixture.h"

class ListView : public FilesFixture {};

TEST_F(ListView, FillLastColumnTakesTheRest) {
  TFrListView view;
  view.setColumnCount(2);
  view.setColumnWidth(0, 100);
  view.setColumnWidth(1, 50);
  view.addTopLevelItem(new QTreeWidgetItem(QStringList{"a", "b"}));
  view.show();
  view.resize(400 + view.width() - view.viewport()->width(), 200);
  ASSERT_EQ(view.viewport()->width(), 400);
  view.DoFillLastColumn();
  EXPECT_EQ(view.columnWidth(1), 300);
  // other columns wider than the client area: the last one keeps its width
  view.setColumnWidth(0, 500);
  EXPECT_EQ(view.columnWidth(1), 300);
}

TEST_F(ListView, AlphaSortAllPutsEmptyTextsLast) {
  TFrListView view;
  view.setColumnCount(2);
  view.SetAlphaSortAll(true);
  for (const auto& row : {QStringList{"b", ""}, QStringList{"C", "x"}, QStringList{"a", "Y"}})
    view.addTopLevelItem(new QTreeWidgetItem(row));
  int clicked = -1;
  QObject::connect(&view, &TFrCustomListView::ColumnClick, [&](int c) { clicked = c; });
  emit view.header()->sectionClicked(1);
  QStringList order;
  for (int i = 0; i < view.topLevelItemCount(); ++i) order << view.topLevelItem(i)->text(0);
  EXPECT_EQ(order, QStringList({"C", "a", "b"}));
  EXPECT_EQ(clicked, 1);
}

namespace {
struct TEditableView : TFrListView {
  using TFrCustomListView::edit;
};
}  // namespace

TEST_F(ListView, CaptionsAreEditedFromTheirLabelOnly) {
  for (const bool onRow : {false, true}) {
    TEditableView view;
    view.setColumnCount(2);
    view.setColumnWidth(0, 200);
    view.setEditTriggers(QAbstractItemView::DoubleClicked);
    view.SetEditOnRowClick(onRow);
    auto* item = new QTreeWidgetItem(QStringList{"ab", "x"});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    view.addTopLevelItem(item);
    view.resize(300, 100);
    view.show();
    const QModelIndex index = view.model()->index(0, 0);
    const QRect r = view.visualRect(index);
    auto click = [&](int x) {
      QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(r.left() + x, r.center().y()), QPointF(), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
      return view.edit(index, QAbstractItemView::DoubleClicked, &e);
    };
    EXPECT_EQ(click(150), onRow);  // beside the caption
    if (!onRow) {
      EXPECT_TRUE(click(4));
    }  // on the caption
  }
}
