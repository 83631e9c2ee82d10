// Pages 1 and 2 of the main window's side pane: the project tree, which
// keeps named projects with their folders in "WorkList.Dat", and the tag
// library, a read-only tree of HTML snippets read from the element file.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TFrTreeView;

class TProjectTree : public QWidget {
  Q_OBJECT
 public:
  explicit TProjectTree(QWidget* parent = nullptr);

  // Reads the project list. An unreadable file is reported, copied to
  // "<file>.bak" and left alone: nothing is written over it until the user
  // changes the tree.
  void Load(const QString& fileName);
  // Writes the whole tree to the file loaded from (atomically); a failure is
  // reported and the tree keeps its nodes. False when it was not written.
  bool Save();
  bool HeldBack() const { return heldBack_; }

  // The commands of the page.
  void NewProject();
  void AddFolder();
  void EditSelectedItem();
  void RemoveSelected();
  void OpenSelected();
  void ApplyLanguage();

  // Projects are the top-level nodes, every node below them is a folder.
  static bool IsFolderNode(const QTreeWidgetItem* item);
  // The folder a double click on `item` opens: its own text for a folder
  // node, else the text of the next node in depth-first order when that is
  // a folder node; empty when there is none.
  static QString FolderToOpen(const QTreeWidget& tree, const QTreeWidgetItem* item);
  static QString UntitledProject() { return QStringLiteral("Untitled Project"); }

  // Called with the folder a double click opens.
  std::function<void(const QString& folder)> OnOpenFolder;

  QToolButton* SpeedButton3;  // new project
  QToolButton* SpeedButton4;  // remove
  QToolButton* SpeedButton5;  // add folder
  QTreeWidget* TreeView1;
  QMenu* PopupMenu6;
  QAction* EditSelectedItem1;

 private:
  // Lets the user pick a folder (and a project name); false on Cancel or an
  // unusable folder.
  bool ChooseFolder(bool withName, const QString& start, QString& folder, QString& name);
  // A change made by the user: written at once.
  void Changed();

  QString fileName_;
  bool heldBack_ = false;
};

class TTagLibrary : public QWidget {
  Q_OBJECT
 public:
  explicit TTagLibrary(QWidget* parent = nullptr);

  // Reads the element file; a missing file leaves the tree empty, a damaged
  // one is reported.
  void Load(const QString& fileName);
  // What a double click on a node of `text` inserts: the text of an entry
  // (it holds "()" or begins with "<"), nothing for a category.
  static QString TextToInsert(const QString& text);
  void InsertSelected();

  // Puts text in at the caret of the active document.
  std::function<void(const QString& text)> OnInsert;

  TFrTreeView* FrTreeView1;
};
