#include "files/FrListView.h"
#include "tests/files/FilesFixture.h"

#include <QHeaderView>

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
  for (auto row : {QStringList{"b", ""}, QStringList{"C", "x"}, QStringList{"a", "Y"}})
    view.addTopLevelItem(new QTreeWidgetItem(row));
  int clicked = -1;
  QObject::connect(&view, &TFrCustomListView::ColumnClick, [&](int c) { clicked = c; });
  emit view.header()->sectionClicked(1);
  QStringList order;
  for (int i = 0; i < view.topLevelItemCount(); ++i) order << view.topLevelItem(i)->text(0);
  EXPECT_EQ(order, QStringList({"C", "a", "b"}));
  EXPECT_EQ(clicked, 1);
}
