#include "app/sidepane/FileManagerPane.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/FramePictures.h"
#include "app/dialogs/ShellDialogs.h"
#include "app/document/Documents.h"
#include "app/look/Icons.h"
#include "app/options/ConfigModel.h"
#include "app/sidepane/FileManagerDialogs.h"
#include "app/sidepane/FileOperations.h"
#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "files/PromptDialogs.h"
#include "images/uImageLoad.h"

namespace {
QString Text(const char* key) { return LangText(QLatin1String(key)); }
constexpr int kYes = 6, kNo = 7;
}  // namespace

const QStringList& TFileManagerPane::MaskItems() {
  static const QStringList items = {"*.html",
                                    "*.xhtml",
                                    "*.asp",
                                    "*.js",
                                    "*.php;*.php3;*.phtml;*.inc",
                                    "*.txt,",
                                    "*.doc",
                                    "*.css",
                                    "*.cgi",
                                    "*.pl",
                                    "*.bmp;*.ico;*.wmf;*.emf;*.gif;*.jpg;*.jpeg;*.png",
                                    "*.lms ",
                                    "*.sql",
                                    "*.xml,*.xsd,*.xsl,*.xslt,*.dtd",
                                    "*.vbs",
                                    "*.*"};
  return items;
}

QString TFileManagerPane::ListMask(const QString& text) {
  QStringList pieces;
  for (const QString& piece : QString(text).replace(u',', u';').split(u';', Qt::SkipEmptyParts))
    if (!piece.trimmed().isEmpty()) pieces << piece.trimmed();
  return pieces.join(u';');
}

TFileManagerPane::TFileManagerPane(IAppHost& host, QWidget* parent)
    : QWidget(parent),
      // The side pane is often hidden at start: the folders are read when
      // it is first shown or used.
      FrDirectoryTree1(new TFrDirectoryTree(nullptr, false)),
      FrFileListBox1(new TFrFileListBox(nullptr, false)),
      ComboBox2(new QComboBox),
      StatusBar1(new QStatusBar),
      StatusText(new QLabel),
      SpeedButton1(new QToolButton),
      SpeedButton2(new QToolButton),
      SpeedButton6(new QToolButton),
      ToolBar(new QToolBar),
      Splitter(new QSplitter(Qt::Vertical)),
      PopupMenu5(new QMenu(this)),
      PopupMenu1(new QMenu(this)),
      host_(host) {
  setObjectName(QStringLiteral("FileManagerPage"));
  FrDirectoryTree1->setObjectName(QStringLiteral("FrDirectoryTree1"));
  FrFileListBox1->setObjectName(QStringLiteral("FrFileListBox1"));
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton6->setObjectName(QStringLiteral("SpeedButton6"));
  PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  // Upper part: the tree and the three buttons beside it.
  auto* upper = new QWidget;
  auto* upperRow = new QHBoxLayout(upper);
  upperRow->setContentsMargins(0, 0, 0, 0);
  upperRow->setSpacing(1);
  upperRow->addWidget(FrDirectoryTree1, 1);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(1);
  const std::pair<QToolButton*, const char*> icons[] = {
      {SpeedButton2, "window-close"}, {SpeedButton1, "user-desktop"}, {SpeedButton6, "folder-documents"}};
  for (const auto& [button, icon] : icons) {
    button->setAutoRaise(true);
    button->setIcon(ThemeIcon(QLatin1String(icon)));
    buttons->addWidget(button);
  }
  buttons->addStretch();
  upperRow->addLayout(buttons);
  // Lower part: the list with its tool bar, the mask box and the status bar.
  auto* lower = new QWidget;
  auto* lowerLayout = new QVBoxLayout(lower);
  lowerLayout->setContentsMargins(0, 0, 0, 0);
  lowerLayout->setSpacing(2);
  auto* listRow = new QHBoxLayout;
  listRow->setSpacing(1);
  listRow->addWidget(FrFileListBox1, 1);
  ToolBar->setOrientation(Qt::Vertical);
  ToolBar->setIconSize(QSize(16, 16));
  listRow->addWidget(ToolBar);
  lowerLayout->addLayout(listRow, 1);
  lowerLayout->addWidget(ComboBox2);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->addWidget(StatusText, 1);
  lowerLayout->addWidget(StatusBar1);
  Splitter->addWidget(upper);
  Splitter->addWidget(lower);
  Splitter->setChildrenCollapsible(false);
  layout->addWidget(Splitter);

  FrFileListBox1->SetMultiSelect(true);
  FrFileListBox1->SetAllowOpen(false);  // the pane decides what opens how
  FrDirectoryTree1->SetFileList(FrFileListBox1);
  ComboBox2->setEditable(true);
  ComboBox2->setInsertPolicy(QComboBox::NoInsert);
  ComboBox2->addItems(MaskItems());
  ComboBox2->setCurrentIndex(-1);
  ComboBox2->setEditText(QStringLiteral("Filter ..."));

  connect(FrFileListBox1, &TFrFileListBox::Change, this, [this] {
    UpdateCount();
    UpdateGraphicItem();
  });
  connect(FrDirectoryTree1, &TFrDirectoryTree::Change, this, &TFileManagerPane::FolderChanged);
  connect(FrFileListBox1, &QListWidget::itemClicked, this, [this] {
    if (!host_.Options().DoubleClickOpen) OpenSelectedFile(false);
  });
  connect(FrFileListBox1, &QListWidget::itemDoubleClicked, this, [this] { OpenSelectedFile(true); });
  connect(ComboBox2, qOverload<int>(&QComboBox::activated), this, &TFileManagerPane::MaskChosen);
  connect(ComboBox2->lineEdit(), &QLineEdit::returnPressed, this, &TFileManagerPane::MaskEntered);
  ComboBox2->lineEdit()->installEventFilter(this);
  FrFileListBox1->installEventFilter(this);
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { host_.ShowSidePane(false); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { GoToShellFolder(true); });
  connect(SpeedButton6, &QToolButton::clicked, this, [this] { GoToShellFolder(false); });
  FrFileListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FrFileListBox1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu5->popup(FrFileListBox1->viewport()->mapToGlobal(pos)); });
  FrDirectoryTree1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FrDirectoryTree1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(FrDirectoryTree1->viewport()->mapToGlobal(pos)); });
  UpdateCount();
}

void TFileManagerPane::ApplyLanguage() {
  SpeedButton2->setToolTip(Text("fmClosePane"));
  SpeedButton1->setToolTip(Text("fmDesktop"));
  SpeedButton6->setToolTip(Text("fmDocuments"));
  FrDirectoryTree1->setToolTip(Text("FrDirectoryTree"));
  ComboBox2->setToolTip(Text("ComboBox"));
  UpdateCount();
}

void TFileManagerPane::Restore(const QString& mask, const QString& folder) {
  if (!mask.trimmed().isEmpty()) {
    ComboBox2->setEditText(mask);
    FrFileListBox1->SetMask(ListMask(mask));
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
  try {
    FrDirectoryTree1->OpenPath(folder);
  } catch (const Exception&) {
  }
}

QString TFileManagerPane::Folder() const { return FrDirectoryTree1->GetDirectory(); }

QStringList TFileManagerPane::SelectedPaths() const {
  QStringList paths;
  const QDir dir(FrFileListBox1->Directory());
  for (int i = 0; i < FrFileListBox1->count(); ++i)
    if (FrFileListBox1->item(i)->isSelected()) paths << dir.filePath(FrFileListBox1->item(i)->text());
  return paths;
}

void TFileManagerPane::UpdateCount() {
  StatusText->setText(ComposeText({Text("FilesCounted"), QString::number(FrFileListBox1->count())}));
}

void TFileManagerPane::UpdateGraphicItem() {
  if (QAction* a = host_.Action(QStringLiteral("FM_EDGFX")))
    a->setEnabled(!FrFileListBox1->FilePath().isEmpty() && Documents::IsImageFile(FrFileListBox1->FilePath()));
}

void TFileManagerPane::FolderChanged() {
  // An image browser that is open follows the folder.
  if (TfImageBrowser* browser = CurrentImageBrowser()) {
    QCoreApplication::processEvents();
    if (CurrentImageBrowser() == browser && !Folder().isEmpty()) browser->RefillFromFolder(Folder());
    QCoreApplication::processEvents();
  }
}

// ------------------------------------------------------------ opening

void TFileManagerPane::OpenFile(const QString& file) {
  if (Documents::IsImageFile(file))
    host_.OpenImages({file});
  else
    host_.OpenDocument(false, true, file);
}

void TFileManagerPane::OpenSelectedFile(bool doubleClick) {
  const QListWidgetItem* item = FrFileListBox1->currentItem();
  if (!item) return;  // nothing has the focus: nothing to open
  const QString path = QDir(FrFileListBox1->Directory()).filePath(item->text());
  if (!Documents::IsImageFile(path) && !Documents::IsTextDocument(path)) {
    // Archives, programs and media go to the desktop's program, on a double click.
    if (doubleClick && !Launcher().Open(path)) ShowMessageDlg(Text("FLOpenFail"), 0);
    return;
  }
  // With single-click opening the click before a double click opened it.
  if (doubleClick && !host_.Options().DoubleClickOpen) return;
  OpenFile(path);
}

void TFileManagerPane::OpenAllSelected() {
  QStringList images;
  for (const QString& path : SelectedPaths()) {
    if (Documents::IsImageFile(path))
      images << path;
    else
      host_.OpenDocument(false, true, path);
  }
  if (!images.isEmpty()) host_.OpenImages(images);
}

QStringList TFileManagerPane::PicturesIn(const QString& folder) {
  if (folder.isEmpty()) return {};
  // Files only (links to them too): the entries are looked at, never opened.
  const QDir dir(folder);
  QStringList names;
  for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted))
    if (Documents::IsImageFile(name)) names << name;
  std::sort(names.begin(), names.end(), NameLess);
  QStringList paths;
  paths.reserve(names.size());
  for (const QString& name : std::as_const(names)) paths << dir.filePath(name);
  return paths;
}

void TFileManagerPane::ImageBrowserOnFolder() {
  const QString folder = Folder();
  host_.OpenImages(PicturesIn(folder), folder);  // with none, the browser says so
}

// ------------------------------------------------------------ delete, rename, copy

void TFileManagerPane::DeleteSelectedFiles(bool direct) {
  const QStringList paths = SelectedPaths();
  if (paths.isEmpty()) return;
  QStringList failures;
  const auto remove = [&failures, direct](const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return;  // gone in the meantime
    QString error;
    const bool done = direct ? FileOps::DeleteForGood(path, &error) : FileOps::MoveToTrash(path, &error);
    if (!done) failures << info.fileName() + QStringLiteral(": ") + error;
  };
  const auto reportFailures = [&failures] {
    ShowMessageDlg(ComposeText({Text("DelFileFail")}) + u'\n' + failures.join(u'\n'), 2);
  };
  if (paths.size() == 1) {
    const QString question = Text("DelFile1") + QStringLiteral(" [ ") + QFileInfo(paths.first()).fileName() +
                             QStringLiteral(" ] ") + Text("DelFile2");
    if (ShowMessageDlg(question, 1) != kYes) return;
    remove(paths.first());
    FrFileListBox1->ReadFileNames();
    if (!failures.isEmpty()) reportFailures();
    return;
  }
  if (ShowMessageDlg(Text("DelFileAll"), 1) != kYes) return;
  TfConfdel confirm(paths, this);
  Prompts().ExecModal(confirm);
  if (!confirm.Ok()) {
    ShowMessageDlg(Text("DelFileAbort"), 0);
    return;
  }
  for (const QString& path : paths) remove(path);
  FrFileListBox1->ReadFileNames();
  if (failures.isEmpty())
    ShowMessageDlg(Text("DelFileComp"), 0);
  else
    reportFailures();
}

void TFileManagerPane::RenameSelectedFile() {
  const QString path = FrFileListBox1->FilePath();
  if (path.isEmpty()) return;
  const QString name = QFileInfo(path).fileName();
  TfDosPrompt prompt(this);
  prompt.Setup(Text("ChFToN"), Text("ChFToNe"), name);
  if (!prompt.Execute()) return;
  QString error;
  switch (FileOps::RenameFile(path, prompt.Text(), &error)) {
    case FileOps::TNameResult::Done:
      FrFileListBox1->ReadFileNames();
      FrFileListBox1->SetFileName(prompt.Text());
      break;
    case FileOps::TNameResult::BadName:
      ShowMessageDlg(Text("RenameBad"), 2);
      break;
    case FileOps::TNameResult::Exists:
      ShowMessageDlg(ComposeText({Text("RenameExists"), prompt.Text()}), 2);
      break;
    case FileOps::TNameResult::Failed:
      ShowMessageDlg(ComposeText({Text("RenameFail"), name}) + u'\n' + error, 2);
      break;
    case FileOps::TNameResult::Missing:
      break;  // gone in the meantime
  }
}

void TFileManagerPane::CopySelectedFiles() {
  QStringList names;
  for (const QString& path : SelectedPaths()) names << QFileInfo(path).fileName();
  if (names.isEmpty()) return;
  TfFileCopy dialog(this);
  dialog.Setup(names, Folder().isEmpty() ? FrFileListBox1->Directory() : Folder());
  dialog.OnCopied = [this](const QString& folder) {
    FrDirectoryTree1->Refresh();
    try {
      FrDirectoryTree1->OpenPath(folder);
    } catch (const Exception&) {
    }
  };
  Prompts().ExecModal(dialog);
}

void TFileManagerPane::ShowProperties() {
  const QString path = FrFileListBox1->FilePath();
  if (path.isEmpty()) return;
  TfFileProperties dialog(this);
  dialog.Fill(path);
  Prompts().ExecModal(dialog);
}

// ------------------------------------------------------------ folders

void TFileManagerPane::CreateFolder() {
  if (Folder().isEmpty()) return;
  TfFolder dialog(FrDirectoryTree1, this);
  dialog.SetParentFolder(Folder());
  dialog.Execute();
}

void TFileManagerPane::DeleteFolder() {
  // The folder is taken before the tree moves to its parent.
  const QString folder = Folder();
  if (folder.isEmpty()) return;
  if (ShowMessageDlg(ComposeText({Text("DelFolder1"), folder, Text("DelFolder2")}), 1) != kYes) return;
  FrDirectoryTree1->SelectParent();
  if (!QDir().rmdir(folder))
    ShowMessageDlg(Text("ErrorDel1") + QStringLiteral(" [ ") + folder + QStringLiteral(" ] ") + Text("ErrorDel2"), 0);
  FrDirectoryTree1->Refresh();
}

void TFileManagerPane::RefreshFiles() {
  FrDirectoryTree1->Refresh();
  FrFileListBox1->ReadFileNames();
}

void TFileManagerPane::SelectAllFiles() {
  QCoreApplication::processEvents();
  FrFileListBox1->ReadFileNames();
  FrFileListBox1->selectAll();
  QCoreApplication::processEvents();
}

// ------------------------------------------------------------ other commands

void TFileManagerPane::AddFileToDocument() {
  const QString path = FrFileListBox1->FilePath();
  if (path.isEmpty() || !host_.ActiveDocument()) return;
  const QString name = QFileInfo(path).fileName();
  if (FileOps::IsInsertablePicture(name)) {
    InsertImage(host_, path);
    return;
  }
  const int answer = ShowMessageDlg(Text("Incl"), 3);
  if (answer != kYes && answer != kNo) return;
  if (!host_.ActiveDocument()) return;
  host_.InsertTextAtCursor(answer == kYes ? FileOps::IncludeFragment(name) : FileOps::LinkFragment(name));
}

void TFileManagerPane::EditGraphic() {
  const QString path = FrFileListBox1->FilePath();
  if (path.isEmpty() || !Documents::IsImageFile(path)) return;
  const QString program =
      Settings::Open().ReadString(QStringLiteral("GFX"), QStringLiteral("Path"), QString()).trimmed();
  if (!program.isEmpty()) {
    host_.OpenWithProgram(program, path);
    return;
  }
  host_.ShowOptions(3, 1);
}

QString TFileManagerPane::RunCommandBox() {
  TfDosPrompt prompt(this);
  prompt.Setup(Text("DP_Show"), Text("DP_CMD"));
  if (!prompt.Execute() || prompt.Text().trimmed().isEmpty()) return {};
  const FileOps::TRunTarget target = FileOps::ResolveRunText(prompt.Text());
  switch (target.kind) {
    case FileOps::TRunTarget::File:
      OpenFile(target.path);
      return {};
    case FileOps::TRunTarget::Tool:
      if (target.path == u"cmd" || target.path == u"command") {
        TWtCommandPrompt terminal;
        terminal.folder = Folder();
        terminal.Execute();
      } else {
        StartFirstTool(FileOps::ToolPrograms(target.path));
      }
      return {};
    case FileOps::TRunTarget::Folder:
      FrDirectoryTree1->Refresh();
      return target.path;
    case FileOps::TRunTarget::Nothing:
      return {};
  }
  return {};
}

void TFileManagerPane::RunBoxClick() {
  const QString folder = RunCommandBox();
  if (folder.isEmpty()) return;
  try {
    FrDirectoryTree1->OpenPath(folder);
  } catch (const Exception&) {
  }
}

void TFileManagerPane::GoToShellFolder(bool desktop) {
  FrDirectoryTree1->Refresh();
  const QString folder =
      QStandardPaths::writableLocation(desktop ? QStandardPaths::DesktopLocation : QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
  try {
    FrDirectoryTree1->OpenPath(folder);
  } catch (const Exception&) {
  }
}

bool TFileManagerPane::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool enter =
      (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier;
  if (enter && watched == ComboBox2->lineEdit()) {
    // Everything this key sets off runs before the timer.
    maskEnter_ = true;
    QTimer::singleShot(0, this, [this] { maskEnter_ = false; });
  }
  if (enter && watched == FrFileListBox1) {
    OpenSelectedFile();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TFileManagerPane::MaskChosen(int index) {
  if (index < 0) return;
  const QString text = ComboBox2->itemText(index);
  FrFileListBox1->SetMask(ListMask(text));
  // A typed mask that happens to equal an item is not kept.
  if (maskEnter_) return;
  try {
    Settings::Open().WriteString(QStringLiteral("File"), QStringLiteral("Mask"), text);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
}

void TFileManagerPane::MaskEntered() {
  const QString mask = ListMask(ComboBox2->currentText());
  if (!mask.isEmpty()) FrFileListBox1->SetMask(mask);
}
