#include "files/FrListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

TFrCustomListView::TFrCustomListView(QWidget* parent) : TFramedScrollArea<QTreeWidget>(parent) {
  setRootIsDecorated(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionResized, this, [this](int section) {
    if (section != columnCount() - 1 && !filling_) DoFillLastColumn();
  });
  connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
    if (alphaSortAll_) SortByColumn(column);
    emit ColumnClick(column);
  });
}

TFrCustomListView::~TFrCustomListView() { destroying_ = true; }

void TFrCustomListView::SetFillLastColumn(bool v) {
  if (v == fillLastColumn_) return;
  fillLastColumn_ = v;
  if (v) DoFillLastColumn();
}

void TFrCustomListView::DoFillLastColumn() {
  if (!fillLastColumn_ || destroying_ || columnCount() < 2) return;
  filling_ = true;
  int available = viewport()->width();
  if (topLevelItemCount() == 0) available -= style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int others = 0;
  for (int i = 0; i < columnCount() - 1; ++i) others += header()->sectionSize(i);
  if (available > others) setColumnWidth(columnCount() - 1, std::max(5, available - others));
  filling_ = false;
}

void TFrCustomListView::SortByColumn(int column) {
  QList<QTreeWidgetItem*> items;
  while (topLevelItemCount() > 0) items.append(takeTopLevelItem(0));
  std::stable_sort(items.begin(), items.end(), [column](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    const QString x = a->text(column), y = b->text(column);
    if (x.isEmpty() != y.isEmpty()) return y.isEmpty();
    return QString::compare(x, y, Qt::CaseInsensitive) < 0;
  });
  addTopLevelItems(items);
}

void TFrCustomListView::resizeEvent(QResizeEvent* e) {
  TFramedScrollArea<QTreeWidget>::resizeEvent(e);
  DoFillLastColumn();
}

void TFrCustomListView::wheelEvent(QWheelEvent* e) {
  const int notches = WheelNotches(e, wheelRemainder_);
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() - notches * QApplication::wheelScrollLines() * 16);
  e->accept();
}

bool TFrCustomListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (!editOnRowClick_ && event &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
       event->type() == QEvent::MouseButtonDblClick)) {
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    const QTreeWidgetItem* item = itemFromIndex(index);
    QRect label = visualRect(index.siblingAtColumn(0));
    if (item) {
      const int iconWidth = item->icon(0).isNull() ? 0 : iconSize().width() + 4;
      label.setLeft(label.left() + iconWidth);
      label.setWidth(std::min(label.width(), fontMetrics().horizontalAdvance(item->text(0)) + 6));
    }
    if (!label.contains(pos)) return false;
  }
  return TFramedScrollArea<QTreeWidget>::edit(index, trigger, event);
}
