// The file list: the files of one folder with their icons, filtered by a mask
// of ";"-separated patterns (matched without regard to case), folders before
// files, each group in the user's alphabetical order without regard to case.
// The list never changes the process's current folder.
#pragma once

#include <QDateTime>
#include <QIcon>
#include <QListWidget>
#include <QPointer>
#include <vector>

#include "files/FramedControl.h"

class TFrDirectoryTree;

// File attributes, also the FileType filter's members.
enum TFileAttr {
  ftReadOnly = 1,
  ftHidden = 2,
  ftSystem = 4,
  ftVolumeID = 8,
  ftDirectory = 16,
  ftArchive = 32,
  ftNormal = 128,
};

struct TFrFileInfo {
  QString name;
  int attributes = 0;
  QDateTime time;
  qint64 size = 0;
  bool isFolder = false;
  QIcon icon;
};

class TFrFileListBox : public TFramedScrollArea<QListWidget> {
  Q_OBJECT
 public:
  // With `readNow` false the folder is read when the list is first shown or
  // asked to read (ReadFileNames); until then its settings are only kept.
  explicit TFrFileListBox(QWidget* parent = nullptr, bool readNow = true);
  ~TFrFileListBox() override;

  QString Directory() const { return directory_; }
  // Shows the files of `dir` (relative names count from the folder shown now).
  void SetDirectory(const QString& dir);
  QString Mask() const { return mask_; }
  void SetMask(const QString& mask);
  int FileType() const { return fileType_; }
  void SetFileType(int fileType);
  bool AllowOpen() const { return allowOpen_; }
  void SetAllowOpen(bool v) { allowOpen_ = v; }
  bool ShowLongNames() const { return showLongNames_; }
  void SetShowLongNames(bool v);
  bool ShowGlyphs() const { return showGlyphs_; }
  void SetShowGlyphs(bool v);
  bool MultiSelect() const { return selectionMode() == QAbstractItemView::ExtendedSelection; }
  void SetMultiSelect(bool v);

  // The focused item's name when it is selected, else empty.
  QString FileName() const;
  void SetFileName(const QString& name);
  // The folder and the selected name joined.
  QString FilePath() const;

  // Goes to a typed or given path: its folder is shown, a wildcard name
  // becomes the mask and any other name is selected. Throws EInOutError
  // "The <path> file does not exist" when the named file is missing.
  void ApplyFilePath(const QString& path);
  void ReadFileNames();
  // Reads the folder when the list was made with `readNow` false and has
  // not read it yet.
  void ReadIfHeld() {
    if (held_) ReadFileNames();
  }
  const TFrFileInfo& Info(int index) const { return infos_.at(static_cast<size_t>(index)); }
  // Folders first, then the names in the user's order without regard to case.
  static bool Less(const TFrFileInfo& a, const TFrFileInfo& b);
  int ItemHeight() const;
  // True while the list fills (the frame is not redrawn).
  bool Busy() const { return busy_; }
  // Whether the last fill showed the busy cursor (more than 100 entries).
  bool ShowedHourglass() const { return showedHourglass_; }

  TFrDirectoryTree* DirectoryTree() const { return tree_; }
  // Called by the tree when it links or unlinks itself.
  void SetDirectoryTreeLink(TFrDirectoryTree* tree) { tree_ = tree; }
  // Runs the double-click action on row `row`.
  void OpenItem(int row);

 signals:
  void Change();

 protected:
  void wheelEvent(QWheelEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void UpdateItemHeight();

  QString directory_;
  QString mask_ = QStringLiteral("*.*");
  int fileType_ = ftNormal;
  bool allowOpen_ = false;
  bool showLongNames_ = true;
  bool showGlyphs_ = true;
  bool busy_ = false;
  bool held_ = false;
  bool showedHourglass_ = false;
  int wheelRemainder_ = 0;
  std::vector<TFrFileInfo> infos_;
  TFrDirectoryTree* tree_ = nullptr;  // the tree clears the link when it goes
};
