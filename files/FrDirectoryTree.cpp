#include "files/FrDirectoryTree.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "files/FileServices.h"
#include "files/FrFileListBox.h"
#include "platform/SafeFile.h"

namespace {
const QString kMarker = QStringLiteral(":");

// Edits a node's name; the rename itself is the tree's business.
class TRenameDelegate : public QStyledItemDelegate {
 public:
  explicit TRenameDelegate(TFrDirectoryTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    const QString text = editor->property("text").toString();
    QTreeWidgetItem* item = tree_->itemFromIndex(index);
    if (item && text != item->text(0)) tree_->RenameNode(item, text);
  }

 private:
  TFrDirectoryTree* tree_;
};

int FlagOf(TDriveType t) {
  switch (t) {
    case TDriveType::Unknown:
      return dtUnknown;
    case TDriveType::Removable:
      return dtFloppy;
    case TDriveType::Fixed:
      return dtFixed;
    case TDriveType::Remote:
      return dtNetwork;
    case TDriveType::CDROM:
      return dtCDROM;
    case TDriveType::RAMDisk:
      return dtRAM;
    case TDriveType::NoRootDir:
      return 0;
  }
  return 0;
}

QString WithSlash(const QString& path) { return path.endsWith(u'/') ? path : path + u'/'; }

// Whether a volume of this type may be read while the tree is built (media
// and network shares are never touched: a dead share would stop the window).
bool Readable(TDriveType t) { return t == TDriveType::Fixed || t == TDriveType::RAMDisk; }

QStringList SortedFolders(const QString& path, bool hidden) {
  QDir::Filters f = QDir::Dirs | QDir::NoDotAndDotDot;
  if (hidden) f |= QDir::Hidden;
  QStringList names = QDir(path).entryList(f, QDir::Unsorted);
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}
}  // namespace

TFrDirectoryTree::TFrDirectoryTree(QWidget* parent, bool readNow) : TFrCustomTreeView(parent) {
  SetHideSelection(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new TRenameDelegate(this));
  // Names are never cut short: a narrow tree scrolls sideways.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  resize(250, 150);
  connect(this, &QTreeWidget::itemExpanded, this, &TFrDirectoryTree::OnExpanded);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { SelectionChanged(current); });
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { ReadVolumeAgainLater(item); });
  connect(&TMountWatcher::Instance(), &TMountWatcher::Changed, this, &TFrDirectoryTree::UpdateDrives);
  held_ = true;
  if (readNow) ReadHeld();
}

void TFrDirectoryTree::ReadHeld() {
  if (!held_) return;
  held_ = false;
  BuildDrives();
  try {
    OpenPath(heldPath_.isEmpty() ? QDir::currentPath() : heldPath_);
  } catch (const EInOutError&) {
    // the folder vanished: the roots stay without a selection
  }
  heldPath_.clear();
  if (fileList_) fileList_->ReadIfHeld();  // a tree in use shows its files
}

void TFrDirectoryTree::showEvent(QShowEvent* e) {
  ReadHeld();
  TFrCustomTreeView::showEvent(e);
  // Opened before the tree had its size: shown now at the size it has.
  if (currentItem()) ShowItem(currentItem());
}

TFrDirectoryTree::~TFrDirectoryTree() {
  if (fileList_) fileList_->SetDirectoryTreeLink(nullptr);
}

QString TFrDirectoryTree::VolumeCaption(const QString& label, const QString& root) {
  QString l = label.toLower();
  if (!l.isEmpty()) l[0] = l[0].toUpper();
  return l + QStringLiteral(" (") + root + u')';
}

QList<TMountEntry> TFrDirectoryTree::AvailableDrives() const {
  QList<TMountEntry> result;
  for (const TMountEntry& e : TMountWatcher::Instance().Mounts()) {
    const int flag = FlagOf(e.type);
    if (flag == 0 || (driveTypes_ & flag)) result.append(e);
  }
  return result;
}

QTreeWidgetItem* TFrDirectoryTree::AddRoot(const TMountEntry& entry, int index) {
  auto* item = new QTreeWidgetItem;
  const QString path = WithSlash(entry.root);
  item->setData(0, kPathRole, path);
  item->setData(0, kListedRole, false);
  item->setIcon(0, TFileIconCache::Instance().FolderIcon());
  if (Readable(entry.type)) {
    const std::uint64_t serial = TMountWatcher::Instance().Source().VolumeSerial(entry.root);
    serials_.insert(entry.root, serial);
    item->setText(
        0, serial == UINT64_MAX ? QStringLiteral("(") + entry.root + u')' : VolumeCaption(entry.label, entry.root));
  } else {
    item->setText(0, VolumeCaption(entry.label, entry.root));
  }
  insertTopLevelItem(index, item);
  if (!Readable(entry.type) || HasSubFolder(path)) item->addChild(new QTreeWidgetItem(QStringList(kMarker)));
  return item;
}

void TFrDirectoryTree::BuildDrives() {
  if (held_) return ReadHeld();
  if (building_) return;  // never re-entered
  building_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setUpdatesEnabled(false);
  clear();
  serials_.clear();
  shown_ = AvailableDrives();
  for (const TMountEntry& e : shown_) AddRoot(e, topLevelItemCount());
  setUpdatesEnabled(true);
  if (currentItem()) ShowItem(currentItem());
  QApplication::restoreOverrideCursor();
  building_ = false;
  if (updatePending_) {  // the table changed while the roots were built
    updatePending_ = false;
    UpdateDrives();
  }
}

void TFrDirectoryTree::UpdateDrives() {
  if (held_) return;  // read in full when first needed
  if (building_) {
    updatePending_ = true;
    return;
  }
  building_ = true;
  const QList<TMountEntry> now = AvailableDrives();
  QTreeWidgetItem* before = currentItem();
  for (const TMountEntry& old : shown_) {
    const bool stays = std::any_of(now.begin(), now.end(), [&](const TMountEntry& e) { return e.root == old.root; });
    if (stays) continue;
    if (QTreeWidgetItem* root = RootOf(old.root)) {
      const int index = indexOfTopLevelItem(root);
      delete root;
      // The selection moves to a neighbouring root rather than to nothing.
      if (!currentItem() && topLevelItemCount() > 0)
        setCurrentItem(topLevelItem(std::min(index, topLevelItemCount() - 1)));
    }
    serials_.remove(old.root);
  }
  for (const TMountEntry& e : now) {
    if (RootOf(e.root)) continue;
    const QString path = WithSlash(e.root);
    int index = topLevelItemCount();
    for (int i = 0; i < topLevelItemCount(); ++i)
      if (PathOf(topLevelItem(i)) > path) {
        index = i;
        break;
      }
    AddRoot(e, index);
  }
  shown_ = now;
  building_ = false;
  viewport()->update();
  if (currentItem() != before) SelectionChanged(currentItem());
  if (updatePending_) {
    updatePending_ = false;
    UpdateDrives();
  }
}

QTreeWidgetItem* TFrDirectoryTree::RootOf(const QString& mountPoint) const {
  ReadHeld();
  const QString path = WithSlash(mountPoint);
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (PathOf(topLevelItem(i)) == path) return topLevelItem(i);
  return nullptr;
}

void TFrDirectoryTree::ResetNode(QTreeWidgetItem* item) {
  qDeleteAll(item->takeChildren());
  item->setData(0, kListedRole, false);
  AddMarkerIfNeeded(item);
}

bool TFrDirectoryTree::HasSubFolder(const QString& path) const {
  QDir::Filters f = QDir::Dirs | QDir::NoDotAndDotDot;
  if (showHiddenDirs_) f |= QDir::Hidden;
  QDirIterator it(path, f);
  return it.hasNext();
}

void TFrDirectoryTree::AddMarkerIfNeeded(QTreeWidgetItem* item) {
  if (Listed(item) || item->childCount() > 0) return;
  if (HasSubFolder(PathOf(item))) item->addChild(new QTreeWidgetItem(QStringList(kMarker)));
}

void TFrDirectoryTree::LoadChildren(QTreeWidgetItem* item) {
  if (Listed(item)) return;
  qDeleteAll(item->takeChildren());
  item->setData(0, kListedRole, true);
  const QString path = PathOf(item);
  for (const QString& name : SortedFolders(path, showHiddenDirs_)) {
    auto* child = new QTreeWidgetItem(QStringList(name));
    child->setData(0, kPathRole, path + name + u'/');
    child->setData(0, kListedRole, false);
    child->setIcon(0, TFileIconCache::Instance().FolderIcon());
    item->addChild(child);
  }
}

QTreeWidgetItem* TFrDirectoryTree::AddMissingChildren(QTreeWidgetItem* item, const QString& wanted) {
  // The folders now on disk, in the listing's order; the nodes already there
  // stay as they are (with their expanded sub-trees and the selection).
  const QString path = PathOf(item);
  int index = 0;
  for (const QString& name : SortedFolders(path, showHiddenDirs_)) {
    const QString childPath = path + name + u'/';
    if (index < item->childCount() && PathOf(item->child(index)) == childPath) {
      ++index;
      continue;
    }
    if (QTreeWidgetItem* there = FindChildByPath(item, childPath)) {
      index = item->indexOfChild(there) + 1;
      continue;
    }
    auto* child = new QTreeWidgetItem(QStringList(name));
    child->setData(0, kPathRole, childPath);
    child->setData(0, kListedRole, false);
    child->setIcon(0, TFileIconCache::Instance().FolderIcon());
    item->insertChild(index++, child);
  }
  return FindChildByPath(item, wanted);
}

void TFrDirectoryTree::OnExpanded(QTreeWidgetItem* item) {
  if (Listed(item)) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  LoadChildren(item);
  for (int i = 0; i < item->childCount(); ++i) AddMarkerIfNeeded(item->child(i));
  QApplication::restoreOverrideCursor();
}

QString TFrDirectoryTree::GetDirectory() const {
  ReadHeld();
  const QTreeWidgetItem* item = currentItem();
  if (!item) return QString();
  QString path = PathOf(item);
  if (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  return path;
}

QString TFrDirectoryTree::GetDrive() const {
  ReadHeld();
  const QTreeWidgetItem* item = currentItem();
  if (!item) return QString();
  while (item->parent()) item = item->parent();
  QString path = PathOf(item);
  if (path.size() > 1) path.chop(1);
  return path;
}

QTreeWidgetItem* TFrDirectoryTree::FindChildByPath(QTreeWidgetItem* parent, const QString& path) const {
  for (int i = 0; i < parent->childCount(); ++i)
    if (PathOf(parent->child(i)) == path) return parent->child(i);
  return nullptr;
}

void TFrDirectoryTree::OpenPath(const QString& given) {
  if (given.isEmpty()) return;
  if (held_ && QFileInfo(given).isAbsolute() && QFileInfo(given).isDir()) {
    heldPath_ = given;  // opened when the tree is first needed
    if (fileList_) fileList_->SetDirectory(given);
    return;
  }
  ReadHeld();
  QString path = QDir::cleanPath(QDir::current().absoluteFilePath(given));
  if (path == GetDirectory()) return;
  while (!QFileInfo(path).isDir()) {
    const int slash = path.lastIndexOf(u'/');
    if (path == QLatin1String("/") || slash < 0)
      throw EInOutError(QStringLiteral("The %1 directory does not exist").arg(given));
    path = slash == 0 ? QStringLiteral("/") : path.left(slash);
  }
  if (path == GetDirectory()) return;
  path = WithSlash(path);
  // The root whose mount point holds the path most closely.
  QTreeWidgetItem* node = nullptr;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = topLevelItem(i);
    if (path.startsWith(PathOf(root)) && (!node || PathOf(root).size() > PathOf(node).size())) node = root;
  }
  if (!node) return;
  const QString exchanged = ExchangedVolume(node);
  if (!exchanged.isEmpty()) ReadVolumeAgain(exchanged);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString prefix = PathOf(node);
  while (prefix != path) {
    LoadChildren(node);
    const int next = path.indexOf(u'/', prefix.size());
    prefix = path.left(next + 1);
    QTreeWidgetItem* child = FindChildByPath(node, prefix);
    // A folder made after its parent was listed: read the parent again.
    if (!child && QFileInfo(prefix).isDir()) child = AddMissingChildren(node, prefix);
    if (!child) {  // a level not shown (a hidden folder): the selection stays
      QApplication::restoreOverrideCursor();
      return;
    }
    for (int i = 0; i < node->childCount(); ++i) AddMarkerIfNeeded(node->child(i));
    node->setExpanded(true);
    node = child;
  }
  setCurrentItem(node);
  ShowItem(node);
  QApplication::restoreOverrideCursor();
}

void TFrDirectoryTree::ShowItem(QTreeWidgetItem* item) {
  scrollToItem(item);
  executeDelayedItemsLayout();
  updateGeometries();
  // The name starts one indentation after the left edge, where its arrow is.
  const QRect r = visualItemRect(item);
  if (r.left() < indentation() || r.left() + qMin(r.width(), viewport()->width() / 2) > viewport()->width())
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + r.left() - indentation());
}

void TFrDirectoryTree::Refresh() {
  const QString keep = GetDirectory();
  BuildDrives();
  if (!keep.isEmpty()) {
    try {
      OpenPath(keep);
    } catch (const EInOutError&) {
    }
  }
}

void TFrDirectoryTree::SelectParent() {
  ReadHeld();
  QTreeWidgetItem* item = currentItem();
  if (item && item->parent()) setCurrentItem(item->parent());
}

void TFrDirectoryTree::SetDriveTypes(int types) {
  driveTypes_ = types;
  UpdateDrives();
}

void TFrDirectoryTree::SetShowHiddenDirs(bool v) {
  showHiddenDirs_ = v;
  Refresh();
}

void TFrDirectoryTree::SetFileList(TFrFileListBox* list) {
  if (list == fileList_) return;
  if (fileList_) fileList_->SetDirectoryTreeLink(nullptr);
  fileList_ = list;
  if (list) {
    list->SetDirectoryTreeLink(this);
    if (!held_ && !GetDirectory().isEmpty()) list->SetDirectory(GetDirectory());
  }
}

void TFrDirectoryTree::SetDirLabel(QLabel* label) {
  dirLabel_ = label;
  UpdateLabel();
}

void TFrDirectoryTree::UpdateLabel() {
  if (!dirLabel_) return;
  const int width = dirLabel_->wordWrap() ? this->width() : dirLabel_->width();
  dirLabel_->setText(dirLabel_->fontMetrics().elidedText(GetDirectory(), Qt::ElideMiddle, width));
}

QString TFrDirectoryTree::ExchangedVolume(QTreeWidgetItem* item) const {
  if (!item) return QString();
  while (item->parent()) item = item->parent();
  QString mount = PathOf(item);
  if (mount.size() > 1) mount.chop(1);
  const auto entry = std::find_if(shown_.begin(), shown_.end(), [&](const TMountEntry& e) { return e.root == mount; });
  if (entry == shown_.end() || !Readable(entry->type)) return QString();  // network shares and media are not asked
  const std::uint64_t serial = TMountWatcher::Instance().Source().VolumeSerial(mount);
  return serial == serials_.value(mount) ? QString() : mount;
}

void TFrDirectoryTree::ReadVolumeAgain(const QString& mount) {
  QTreeWidgetItem* root = RootOf(mount);
  const auto entry = std::find_if(shown_.begin(), shown_.end(), [&](const TMountEntry& e) { return e.root == mount; });
  if (!root || entry == shown_.end()) return;
  const std::uint64_t serial = TMountWatcher::Instance().Source().VolumeSerial(mount);
  serials_.insert(mount, serial);
  QTreeWidgetItem* selected = currentItem();
  while (selected && selected->parent()) selected = selected->parent();
  if (selected == root && currentItem() != root) setCurrentItem(root);
  // A volume that cannot be read gets no marker.
  if (serial == UINT64_MAX) {
    qDeleteAll(root->takeChildren());
    root->setData(0, kListedRole, false);
  } else {
    ResetNode(root);
  }
  root->setText(0, serial == UINT64_MAX ? QStringLiteral("(") + mount + u')' : VolumeCaption(entry->label, mount));
}

void TFrDirectoryTree::ReadVolumeAgainLater(QTreeWidgetItem* item) {
  // Not while the view is still busy with the node that changed.
  const QString mount = ExchangedVolume(item);
  if (!mount.isEmpty())
    QMetaObject::invokeMethod(
        this, [this, mount] { ReadVolumeAgain(mount); }, Qt::QueuedConnection);
}

void TFrDirectoryTree::SelectionChanged(QTreeWidgetItem* item) {
  if (building_) return;
  ReadVolumeAgainLater(item);
  const QString drive = GetDrive();
  if (drive != lastDrive_) {
    lastDrive_ = drive;
    emit DriveChange();
  }
  if (fileList_ && !GetDirectory().isEmpty()) fileList_->SetDirectory(GetDirectory());
  UpdateLabel();
  emit Change();
}

bool TFrDirectoryTree::StartRename() {
  ReadHeld();
  QTreeWidgetItem* item = currentItem();
  if (!item || !item->parent()) return false;  // volume roots keep their names
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  editItem(item);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return true;
}

void TFrDirectoryTree::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F2) {
    StartRename();
    return;
  }
  TFrCustomTreeView::keyPressEvent(e);
}

bool TFrDirectoryTree::RenameNode(QTreeWidgetItem* item, const QString& name) {
  if (!item || !item->parent()) return false;
  static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
  const bool unfit =
      !IsSingleFolderName(name) || std::any_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
  if (unfit) {
    QStringList chars;
    for (QChar c : forbidden) chars << QString(c);
    FilesMessage(FilesText(QStringLiteral("DirNameChars")) + u'\r' + chars.join(u' '), kMsgError);
    return false;
  }
  const QString oldPath = PathOf(item);
  const QString parentPath = PathOf(item->parent());
  const QString oldDir = oldPath.left(oldPath.size() - 1);
  const QString newDir = parentPath + name;
  // What lies at the new name, an empty folder too, is never replaced.
  if (const int error = SafeFile::RenameNoReplace(oldDir, newDir); error != 0) {
    FilesMessage(FilesText(QStringLiteral("DirRenameFail")) + u' ' + SafeFile::Reason(error), kMsgError);
    return false;
  }
  item->setText(0, name);
  // The node and the nodes read below it carry the new path.
  const QString newPath = newDir + u'/';
  QList<QTreeWidgetItem*> todo{item};
  while (!todo.isEmpty()) {
    QTreeWidgetItem* n = todo.takeLast();
    const QString p = PathOf(n);
    if (p.startsWith(oldPath)) n->setData(0, kPathRole, newPath + p.mid(oldPath.size()));
    for (int i = 0; i < n->childCount(); ++i) todo.append(n->child(i));
  }
  SelectionChanged(item);
  return true;
}

bool TFrDirectoryTree::event(QEvent* e) {
  if (e->type() == QEvent::ParentChange) AutoLink(this);
  return TFrCustomTreeView::event(e);
}

void TFrDirectoryTree::AutoLink(QWidget* widget) {
  QWidget* form = widget->window();
  if (!form || form == widget) return;
  const auto trees = form->findChildren<TFrDirectoryTree*>();
  const auto lists = form->findChildren<TFrFileListBox*>();
  for (TFrDirectoryTree* tree : trees) {
    if (tree->FileList()) continue;
    for (TFrFileListBox* list : lists)
      if (!list->DirectoryTree()) {
        tree->SetFileList(list);
        break;
      }
  }
}
