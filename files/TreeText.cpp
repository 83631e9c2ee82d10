#include "files/TreeText.h"

#include <QFile>
#include <QTreeWidget>

#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

namespace TreeText {

namespace {
bool IsIndent(QChar c) { return c == u'\t' || c == u' '; }
}  // namespace

QList<TTreeTextItem> Parse(QByteArrayView bytes) {
  const QString text = TextCodec::decodeFile(bytes).text;
  QList<TTreeTextItem> items;
  int previous = -1;
  qsizetype pos = 0;
  const qsizetype size = text.size();
  while (pos < size) {
    qsizetype end = pos;
    while (end < size && text[end] != u'\r' && text[end] != u'\n') ++end;
    const QStringView line = QStringView(text).mid(pos, end - pos);
    // CRLF, LF and a lone CR all end a line.
    pos = end + (end + 1 < size && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    qsizetype level = 0;
    while (level < line.size() && IsIndent(line[level])) ++level;
    if (level == line.size()) continue;  // blank line
    const QString node = line.mid(level).trimmed().toString();
    if (level > previous + 1)
      throw ETreeTextError(QStringLiteral("Invalid level (%1) for item \"%2\"").arg(level).arg(node));
    items.append({int(level), node});
    previous = int(level);
  }
  return items;
}

QByteArray Format(const QList<TTreeTextItem>& items) {
  QByteArray out;
  for (const TTreeTextItem& item : items) {
    out.append(item.level, '\t');
    out += CleanNodeText(item.text).toUtf8();
    out += "\r\n";
  }
  return out;
}

QString CleanNodeText(const QString& text) {
  QString clean = text;
  clean.replace(u'\r', u' ').replace(u'\n', u' ');
  qsizetype from = 0, to = clean.size();
  while (from < to && IsIndent(clean[from])) ++from;
  while (to > from && IsIndent(clean[to - 1])) --to;
  return clean.mid(from, to - from);
}

QList<TTreeTextItem> ReadFile(const QString& fileName) {
  // A FIFO or a device is refused before it is opened: it could hold the
  // open, or never come to an end.
  const QByteArray bytes = ReadRegularFileOrRaise(fileName);
  return Parse(bytes);
}

void Fill(QTreeWidget& tree, const QList<TTreeTextItem>& items) {
  const bool updates = tree.updatesEnabled();
  tree.setUpdatesEnabled(false);
  tree.clear();
  QList<QTreeWidgetItem*> parents;  // the last node seen at each level
  QList<QTreeWidgetItem*> roots;
  for (const TTreeTextItem& item : items) {
    parents.resize(item.level);
    auto* node = new QTreeWidgetItem(QStringList{item.text});
    if (parents.isEmpty())
      roots << node;
    else
      parents.last()->addChild(node);
    parents << node;
  }
  tree.addTopLevelItems(roots);
  tree.setUpdatesEnabled(updates);
}

QList<TTreeTextItem> Collect(const QTreeWidget& tree) {
  QList<TTreeTextItem> items;
  // Depth first without recursion: a stack of (node, level), children pushed last to first.
  QList<std::pair<const QTreeWidgetItem*, int>> stack;
  for (int i = tree.topLevelItemCount() - 1; i >= 0; --i) stack.append({tree.topLevelItem(i), 0});
  while (!stack.isEmpty()) {
    const auto [node, level] = stack.takeLast();
    items.append({level, node->text(0)});
    for (int i = node->childCount() - 1; i >= 0; --i) stack.append({node->child(i), level + 1});
  }
  return items;
}

int Level(const QTreeWidgetItem* item) {
  int level = 0;
  for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent()) ++level;
  return level;
}

}  // namespace TreeText
