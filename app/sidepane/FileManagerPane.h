// The file-manager page of the main window's side pane: the folder tree
// linked to the file list, the mask box, the file count, and the commands on
// the selected files and folders.
#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class TFrDirectoryTree;
class TFrFileListBox;
class IAppHost;

class TFileManagerPane : public QWidget {
  Q_OBJECT
 public:
  explicit TFileManagerPane(IAppHost& host, QWidget* parent = nullptr);

  // The mask box's items, as the box lists them.
  static const QStringList& MaskItems();
  // A mask box text as the file list takes it: pieces split at ";" and ","
  // and trimmed.
  static QString ListMask(const QString& text);

  void ApplyLanguage();
  // Show-time state: the mask (File / Mask) and the folder.
  void Restore(const QString& mask, const QString& folder);
  // The tree's folder; empty when none is selected.
  QString Folder() const;
  // Full paths of the selected files, in list order.
  QStringList SelectedPaths() const;
  // Full paths of the pictures in `folder`, in the file list's order: read
  // from the folder itself, whatever the list shows; FIFOs, sockets and
  // devices named like pictures are passed over without being opened.
  static QStringList PicturesIn(const QString& folder);

  // ---- commands
  // Opens the focused file: a picture in a new image browser, a document in
  // the editor; refused kinds only on a double click, with the desktop's program.
  void OpenSelectedFile(bool doubleClick = false);
  void OpenAllSelected();
  // Del (to the trash) and Shift+Del (`direct`: for good).
  void DeleteSelectedFiles(bool direct);
  void RenameSelectedFile();
  void CopySelectedFiles();
  void ShowProperties();
  void CreateFolder();
  void DeleteFolder();
  void RefreshFiles();
  void SelectAllFiles();
  void AddFileToDocument();
  void EditGraphic();
  // Asks for a file, folder or tool and opens it; returns the folder named
  // (empty for anything else).
  QString RunCommandBox();
  // The run-box tool button: a folder named goes into the tree.
  void RunBoxClick();
  // F8: the tree's pictures in a new image browser.
  void ImageBrowserOnFolder();
  // The desktop (`desktop`) or documents folder in the tree.
  void GoToShellFolder(bool desktop);
  void MaskChosen(int index);
  void MaskEntered();

  TFrDirectoryTree* FrDirectoryTree1;
  TFrFileListBox* FrFileListBox1;
  QComboBox* ComboBox2;
  QStatusBar* StatusBar1;
  QLabel* StatusText;
  QToolButton* SpeedButton1;  // desktop
  QToolButton* SpeedButton2;  // closes the pane
  QToolButton* SpeedButton6;  // documents
  QToolBar* ToolBar;
  QSplitter* Splitter;
  QMenu* PopupMenu5;  // the file list's
  QMenu* PopupMenu1;  // the tree's

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateCount();
  void UpdateGraphicItem();
  void FolderChanged();
  // Opens `file` as a document or, for a picture, in an image browser.
  void OpenFile(const QString& file);

  IAppHost& host_;
  bool maskEnter_ = false;  // Enter in the mask box, not a choice from its list
};
