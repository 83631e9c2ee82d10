// The plain tree-text format of the project tree and the tag library: one
// node per line in depth-first order, each line indented by its depth.
// Written with one TAB per level and CRLF line ends; read with TABs and
// blanks mixed freely as indentation. Blank lines are skipped.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/Exceptions.h"

class QTreeWidget;
class QTreeWidgetItem;

// A line more than one level deeper than the line before it.
class ETreeTextError : public Exception {
 public:
  using Exception::Exception;
};

struct TTreeTextItem {
  int level = 0;
  QString text;
  bool operator==(const TTreeTextItem&) const = default;
};

namespace TreeText {

// The nodes of `bytes` (any encoding the text codec recognises). Raises
// ETreeTextError "Invalid level (%d) for item "%s"" for a level jump.
QList<TTreeTextItem> Parse(QByteArrayView bytes);
// The file form of `items` (UTF-8, TAB indentation, CRLF).
QByteArray Format(const QList<TTreeTextItem>& items);
// A node text that reads back as written: line breaks become blanks and
// leading and trailing blanks and TABs are dropped.
QString CleanNodeText(const QString& text);

// Reads the file; raises EFOpenError when it cannot be read or is no regular
// file (a FIFO or device is never opened) and ETreeTextError for a level jump.
QList<TTreeTextItem> ReadFile(const QString& fileName);

// Replaces the nodes of `tree` with `items` (one update of the tree).
void Fill(QTreeWidget& tree, const QList<TTreeTextItem>& items);
// The nodes of `tree`, depth first.
QList<TTreeTextItem> Collect(const QTreeWidget& tree);
// The depth of `item` (0 for a top-level node).
int Level(const QTreeWidgetItem* item);

}  // namespace TreeText
