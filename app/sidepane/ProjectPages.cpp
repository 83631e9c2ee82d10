#include "app/sidepane/ProjectPages.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/look/Icons.h"
#include "files/FrDirectoryTree.h"
#include "files/FrTreeView.h"
#include "files/PromptDialogs.h"
#include "files/TreeText.h"
#include "platform/Exceptions.h"
#include "platform/OwnFile.h"
#include "platform/RegularFile.h"

namespace {

QToolButton* BarButton(QWidget* parent, QLayout* row, const char* name, const char* icon) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QLatin1String(name));
  b->setIcon(ThemeIcon(QLatin1String(icon)));
  b->setAutoRaise(true);
  row->addWidget(b);
  return b;
}

// The project (top-level node) that `item` belongs to.
QTreeWidgetItem* ProjectOf(QTreeWidgetItem* item) {
  while (item && item->parent()) item = item->parent();
  return item;
}

}  // namespace

// ------------------------------------------------------------------ project tree

TProjectTree::TProjectTree(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ProjectTree"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* row = new QHBoxLayout;
  SpeedButton3 = BarButton(this, row, "SpeedButton3", "folder-new");
  SpeedButton5 = BarButton(this, row, "SpeedButton5", "list-add");
  SpeedButton4 = BarButton(this, row, "SpeedButton4", "list-remove");
  row->addStretch();
  layout->addLayout(row);
  TreeView1 = new QTreeWidget(this);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setHeaderHidden(true);
  TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(TreeView1, 1);
  PopupMenu6 = new QMenu(this);
  EditSelectedItem1 = PopupMenu6->addAction(QString(), this, [this] { EditSelectedItem(); });
  EditSelectedItem1->setObjectName(QStringLiteral("EditSelectedItem1"));

  connect(SpeedButton3, &QToolButton::clicked, this, [this] { NewProject(); });
  connect(SpeedButton5, &QToolButton::clicked, this, [this] { AddFolder(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { RemoveSelected(); });
  connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { OpenSelected(); });
  connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    // Only a folder can be edited; elsewhere the menu does not show.
    if (IsFolderNode(TreeView1->currentItem())) PopupMenu6->popup(TreeView1->viewport()->mapToGlobal(at));
  });
  auto* del = new QAction(TreeView1);
  del->setShortcut(QKeySequence::Delete);
  del->setShortcutContext(Qt::WidgetShortcut);
  connect(del, &QAction::triggered, this, [this] { RemoveSelected(); });
  TreeView1->addAction(del);
}

void TProjectTree::ApplyLanguage() {
  SpeedButton3->setToolTip(LangText(QStringLiteral("PMNew")));
  SpeedButton5->setToolTip(LangText(QStringLiteral("PMAdd")));
  SpeedButton4->setToolTip(LangText(QStringLiteral("PMRem")));
  EditSelectedItem1->setText(LangText(QStringLiteral("PMEdit")));
}

bool TProjectTree::IsFolderNode(const QTreeWidgetItem* item) { return item && item->parent(); }

QString TProjectTree::FolderToOpen(const QTreeWidget& tree, const QTreeWidgetItem* item) {
  if (!item) return QString();
  if (IsFolderNode(item)) return item->text(0);
  // A project: the node after it, which is its first folder when it has one.
  const QTreeWidgetItem* next = item->childCount() > 0 ? item->child(0) : nullptr;
  if (!next) {
    const int index = tree.indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
    next = tree.topLevelItem(index + 1);
  }
  return IsFolderNode(next) ? next->text(0) : QString();
}

void TProjectTree::Load(const QString& fileName) {
  fileName_ = fileName;
  heldBack_ = false;
  if (!QFileInfo::exists(fileName)) return;
  QByteArray bytes;
  QString why;
  const TRegularOpen read = ReadRegularFile(fileName, bytes, &why);
  if (read == TRegularOpen::NotRegular) {
    // Neither read nor written over: a pipe or device stays as it is.
    heldBack_ = true;
    ShowMessageDlg(
        ComposeText({LangText(QStringLiteral("PMLoadErr")), fileName, LangText(QStringLiteral("NotRegularFile"))}), 2);
    return;
  }
  try {
    if (read == TRegularOpen::Failed) throw EFOpenError(fileName, why);
    TreeText::Fill(*TreeView1, TreeText::Parse(bytes));
  } catch (const Exception& e) {
    // Exit and later changes would write the empty tree over the projects.
    heldBack_ = true;
    QString message = ComposeText({LangText(QStringLiteral("PMLoadErr")), fileName, e.Message()});
    const QString kept = fileName + QStringLiteral(".bak");
    try {
      if (read == TRegularOpen::Failed) throw EFOpenError(fileName, why);
      SafeFile::Write(kept, bytes);
      message = ComposeText({message, LangText(QStringLiteral("PMKeptAs")), kept});
    } catch (const Exception& copyError) {
      message = ComposeText({message, copyError.Message()});
    }
    ShowMessageDlg(message, 2);
  }
}

bool TProjectTree::Save() {
  if (fileName_.isEmpty() || heldBack_) return false;
  try {
    // A list that waits for a held folder lock tells its failure when it is written.
    SafeFile::WriteOwn(fileName_, TreeText::Format(TreeText::Collect(*TreeView1)),
                       [](TOwnFileTrouble trouble, const QString&, const Exception* failure) {
                         if (trouble == TOwnFileTrouble::NotWritten && failure)
                           ShowMessageDlg(ComposeText({LangText(QStringLiteral("PMSaveErr")), failure->Message()}), 2);
                       });
    return true;
  } catch (const Exception& e) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("PMSaveErr")), e.Message()}), 2);
    return false;
  }
}

void TProjectTree::Changed() {
  heldBack_ = false;
  Save();
}

bool TProjectTree::ChooseFolder(bool withName, const QString& start, QString& folder, QString& name) {
  TfSelDir dialog(window());
  dialog.Panel1->setVisible(withName);
  if (!start.isEmpty()) {
    dialog.FrDirectoryTree1->Refresh();
    try {
      dialog.FrDirectoryTree1->OpenPath(start);
    } catch (const Exception&) {
      // The folder is gone: the chooser stays where it opened.
    }
  }
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return false;
  folder = dialog.FrDirectoryTree1->GetDirectory();
  name = TreeText::CleanNodeText(dialog.Edit1->text());
  if (folder.isEmpty()) return false;
  // A line of the project list holds the path as it is, or not at all.
  if (TreeText::CleanNodeText(folder) != folder) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("PMBadFolder")), folder}), 2);
    return false;
  }
  return true;
}

void TProjectTree::NewProject() {
  QString folder, name;
  if (!ChooseFolder(true, QString(), folder, name)) return;
  auto* project = new QTreeWidgetItem(TreeView1, QStringList{name.isEmpty() ? UntitledProject() : name});
  new QTreeWidgetItem(project, QStringList{folder});
  project->setExpanded(true);
  Changed();
}

void TProjectTree::AddFolder() {
  QTreeWidgetItem* project = ProjectOf(TreeView1->currentItem());
  if (!project) return;
  QString folder, name;
  if (!ChooseFolder(false, QString(), folder, name)) return;
  new QTreeWidgetItem(project, QStringList{folder});
  project->setExpanded(true);
  Changed();
}

void TProjectTree::EditSelectedItem() {
  QTreeWidgetItem* item = TreeView1->currentItem();
  if (!IsFolderNode(item)) return;
  QString folder, name;
  if (!ChooseFolder(false, item->text(0), folder, name)) return;
  item->setText(0, folder);
  Changed();
}

void TProjectTree::RemoveSelected() {
  QTreeWidgetItem* item = TreeView1->currentItem();
  if (!item) return;
  const QString question = LangText(QStringLiteral("DelFile1")) + QStringLiteral(" \" ") + item->text(0) +
                           QStringLiteral(" \" ") + LangText(QStringLiteral("DelFile2"));
  if (ShowMessageDlg(question, 1) != 6) return;
  delete item;
  Changed();
}

void TProjectTree::OpenSelected() {
  const QString folder = FolderToOpen(*TreeView1, TreeView1->currentItem());
  if (folder.isEmpty()) return;
  if (OnOpenFolder) OnOpenFolder(folder);
  try {
    Settings::Open().WriteString(QStringLiteral("Work"), QStringLiteral("Dir"), folder);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
}

// ------------------------------------------------------------------ tag library

TTagLibrary::TTagLibrary(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TagLibrary"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FrTreeView1 = new TFrTreeView(this);
  FrTreeView1->setObjectName(QStringLiteral("FrTreeView1"));
  FrTreeView1->setHeaderHidden(true);
  layout->addWidget(FrTreeView1);
  connect(FrTreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { InsertSelected(); });
  const auto select = [this](QTreeWidgetItem* item) { FrTreeView1->setCurrentItem(item); };
  connect(FrTreeView1, &QTreeWidget::itemExpanded, this, select);
  connect(FrTreeView1, &QTreeWidget::itemCollapsed, this, select);
}

void TTagLibrary::Load(const QString& fileName) {
  FrTreeView1->clear();
  if (!QFileInfo::exists(fileName)) return;
  QByteArray bytes;
  QString why;
  const TRegularOpen read = ReadRegularFile(fileName, bytes, &why);
  if (read == TRegularOpen::NotRegular) {
    ShowMessageDlg(
        ComposeText({LangText(QStringLiteral("ElementsLE")), fileName, LangText(QStringLiteral("NotRegularFile"))}), 0);
    return;
  }
  try {
    if (read == TRegularOpen::Failed) throw EFOpenError(fileName, why);
    TreeText::Fill(*FrTreeView1, TreeText::Parse(bytes));
  } catch (const Exception& e) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("ElementsLE")), fileName, e.Message()}), 0);
  }
}

QString TTagLibrary::TextToInsert(const QString& text) {
  return text.contains(QLatin1String("()")) || text.startsWith(u'<') ? text : QString();
}

void TTagLibrary::InsertSelected() {
  const QTreeWidgetItem* item = FrTreeView1->currentItem();
  if (!item) return;
  const QString text = TextToInsert(item->text(0));
  if (!text.isEmpty() && OnInsert) OnInsert(text);
}
