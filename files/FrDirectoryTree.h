// The folder tree: mounted volumes as roots and their folders below them.
// Sub-folders are read only when a node is opened; a node that may hold
// sub-folders it has not read yet carries one child ":" as expand marker.
// Volumes that come and go are followed through the mount watcher. A linked
// file list shows the files of the selected folder.
#pragma once

#include <QHash>
#include <QLabel>
#include <QPointer>

#include "files/FrFileListBox.h"
#include "files/FrTreeView.h"
#include "platform/MountWatcher.h"

enum TDriveTypeFlag {
  dtUnknown = 1,
  dtNoDrive = 2,
  dtFloppy = 4,
  dtFixed = 8,
  dtNetwork = 16,
  dtCDROM = 32,
  dtRAM = 64,
};
inline constexpr int kAllDriveTypesButNoDrive = dtUnknown | dtFloppy | dtFixed | dtNetwork | dtCDROM | dtRAM;

class TFrDirectoryTree : public TFrCustomTreeView {
  Q_OBJECT
 public:
  static constexpr int kPathRole = Qt::UserRole;
  static constexpr int kListedRole = Qt::UserRole + 1;

  // With `readNow` false nothing is read until the tree is first shown or
  // asked about its folders (a tree on a hidden page costs nothing at start).
  explicit TFrDirectoryTree(QWidget* parent = nullptr, bool readNow = true);
  ~TFrDirectoryTree() override;

  void BuildDrives();
  void UpdateDrives();
  // The selected folder ("/" for the root, no trailing "/" otherwise); empty
  // when nothing is selected.
  QString GetDirectory() const;
  // Expands the tree down to `path` and selects it; a missing folder falls
  // back to its nearest existing parent. Throws EInOutError "The <path>
  // directory does not exist" when no parent exists.
  void OpenPath(const QString& path);
  // The mount point holding the selected folder; empty when nothing is selected.
  QString GetDrive() const;
  void Refresh();
  void SelectParent();

  int DriveTypes() const { return driveTypes_; }
  void SetDriveTypes(int types);
  bool ShowHiddenDirs() const { return showHiddenDirs_; }
  void SetShowHiddenDirs(bool v);
  TFrFileListBox* FileList() const { return fileList_; }
  void SetFileList(TFrFileListBox* list);
  QLabel* DirLabel() const { return dirLabel_; }
  void SetDirLabel(QLabel* label);

  // Renames the folder of `item` to `name` in its parent folder; refuses
  // unfit names and existing targets with a message. True on success.
  bool RenameNode(QTreeWidgetItem* item, const QString& name);
  // Starts editing the selected node's name (F2); false for volume roots.
  bool StartRename();
  QTreeWidgetItem* RootOf(const QString& mountPoint) const;
  static QString PathOf(const QTreeWidgetItem* item) { return item->data(0, kPathRole).toString(); }
  static bool Listed(const QTreeWidgetItem* item) { return item->data(0, kListedRole).toBool(); }
  // The caption of a volume root: "Data disk (/media/d)".
  static QString VolumeCaption(const QString& label, const QString& root);

  // Links a file list and a folder tree on the window of `widget` that are
  // not linked yet.
  static void AutoLink(QWidget* widget);

 signals:
  void DriveChange();
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  // Reads what the constructor left unread: the roots, then the folder
  // opened meanwhile (else the current one).
  void ReadHeld();
  void ReadHeld() const { const_cast<TFrDirectoryTree*>(this)->ReadHeld(); }
  QList<TMountEntry> AvailableDrives() const;
  QTreeWidgetItem* AddRoot(const TMountEntry& entry, int index);
  void ResetNode(QTreeWidgetItem* item);
  void LoadChildren(QTreeWidgetItem* item);
  bool HasSubFolder(const QString& path) const;
  void AddMarkerIfNeeded(QTreeWidgetItem* item);
  void OnExpanded(QTreeWidgetItem* item);
  void SelectionChanged(QTreeWidgetItem* item);
  // Scrolls to `item` so that its name shows, with its arrow, however deep
  // it lies and however narrow the tree is.
  void ShowItem(QTreeWidgetItem* item);
  // The mount point of `item`'s volume when a different medium is there now.
  QString ExchangedVolume(QTreeWidgetItem* item) const;
  // Reads the volume at `mount` again: new caption, nodes dropped.
  void ReadVolumeAgain(const QString& mount);
  void ReadVolumeAgainLater(QTreeWidgetItem* item);
  void UpdateLabel();
  QTreeWidgetItem* FindChildByPath(QTreeWidgetItem* parent, const QString& path) const;
  // Adds the sub-folders of a listed node that appeared since it was read;
  // returns the child for `wanted`, if there is one now.
  QTreeWidgetItem* AddMissingChildren(QTreeWidgetItem* item, const QString& wanted);

  int driveTypes_ = kAllDriveTypesButNoDrive;
  bool showHiddenDirs_ = false;
  bool building_ = false;
  bool updatePending_ = false;
  bool held_ = false;
  QString heldPath_;
  QList<TMountEntry> shown_;
  QHash<QString, std::uint64_t> serials_;
  QString lastDrive_;
  QPointer<TFrFileListBox> fileList_;
  QPointer<QLabel> dirLabel_;
};
