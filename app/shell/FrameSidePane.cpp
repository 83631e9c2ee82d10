// The main window's side pane: three pages (files, projects, tag library)
// switched by the tabs at its foot, and the file-manager commands with their
// keys, which act only where the folder tree or the file list has the focus.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <functional>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/look/Icons.h"
#include "app/shell/Frame.h"
#include "app/sidepane/FileManagerPane.h"
#include "app/sidepane/ProjectPages.h"
#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "platform/Exceptions.h"

namespace {
// The file controls show their texts and dialogs the program's way.
void InstallFileServices() {
  TFileServices services;
  services.langText = [](const QString& key) { return LangText(key); };
  services.execModal = [](QDialog& dialog) { return Prompts().ExecModal(dialog); };
  services.messageDlg = [](const QString& text, int kind) { return ShowMessageDlg(text, kind); };
  services.openFile = [](const QString& path) { return Launcher().Open(path); };
  services.beep = [] { QApplication::beep(); };
  SetFileServices(services);
}

// Runs `change`, which hides a part of the side pane. The focus that leaves
// the hidden widgets would otherwise move on to the next window in the
// focus chain and make another document the active one; the active document
// stays, and the focus goes to the page the pane shows afterwards.
void KeepActiveDocument(QWidget* pane, QTabWidget* pages, QMdiArea* documents, const std::function<void()>& change) {
  const QPointer<QMdiSubWindow> active = documents->activeSubWindow();
  const QWidget* focus = QApplication::focusWidget();
  const bool paneHadFocus = focus && pane->isAncestorOf(focus);
  change();
  if (!paneHadFocus) return;
  if (active && documents->activeSubWindow() != active && documents->subWindowList().contains(active))
    documents->setActiveSubWindow(active);
  if (!pane->isVisible()) return;
  const QList<QWidget*> children = pages->currentWidget()->findChildren<QWidget*>();
  for (QWidget* w : children)
    if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w->setFocus();
}

// A page for another part of the program to fill.
QWidget* EmptyPage(const char* name) {
  auto* page = new QWidget;
  page->setObjectName(QLatin1String(name));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  return page;
}

// Builds the pane's pages when the pane is first shown by any means.
class TShowWatcher : public QObject {
 public:
  TShowWatcher(QWidget* watched, std::function<void()> onShow) : QObject(watched), onShow_(std::move(onShow)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) onShow_();
    return false;
  }

 private:
  std::function<void()> onShow_;
};

void Place(QWidget* page, QWidget* content) { page->layout()->addWidget(content); }
}  // namespace

// The pane is hidden by default: only its frame is built with the window,
// its pages when it is first shown or used (EnsureSidePane).
void TfMain::BuildSidePane() {
  InstallFileServices();
  auto* sideLayout = new QVBoxLayout(Panel1);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  sideLayout->setSpacing(0);
  PageControl2 = new QTabWidget(Panel1);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  PageControl2->addTab(EmptyPage("FilePage"), QStringLiteral("Filemanager"));
  PageControl2->addTab(EmptyPage("ProjectPage"), QStringLiteral("Project Manager"));
  PageControl2->addTab(EmptyPage("TagPage"), QStringLiteral("HTML Tags"));
  PageControl2->tabBar()->hide();
  PageControl2->setCurrentIndex(0);
  sideLayout->addWidget(PageControl2, 1);
  TabSet1 = new QTabBar(Panel1);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->setShape(QTabBar::RoundedSouth);
  TabSet1->setExpanding(false);
  TabSet1->setDrawBase(false);
  for (int i = 0; i < 3; ++i) TabSet1->addTab(QString());
  sideLayout->addWidget(TabSet1);
  connect(TabSet1, &QTabBar::currentChanged, this, &TfMain::SelectSidePage);
  connect(PageControl2, &QTabWidget::currentChanged, TabSet1, &QTabBar::setCurrentIndex);
  new TShowWatcher(Panel1, [this] { EnsureSidePane(); });
  // The project tree sends the file manager to a folder (unless another
  // handler is in place already).
  if (!AppServices().ShowFolder)
    AppServices().ShowFolder = [this](const QString& folder) {
      EnsureSidePane();
      FileManager->Restore(QString(), folder);
    };
  // The tools menu shows the pane at the projects and the tag library.
  if (QMenu* tools = menus_.value(QStringLiteral("Tools"))) {
    AddAction(tools, "ProjectManager1", "PJMAN", "", [this] { ShowSidePage(1); });
    AddAction(tools, "TagLibrary1", "TagLib", "", [this] { ShowSidePage(2); });
  }
}

void TfMain::EnsureSidePane() {
  if (FileManager) return;
  FileManager = new TFileManagerPane(*this);
  Place(PageControl2->widget(0), FileManager);
  TFileManagerPane* pane = FileManager;
  TFrFileListBox* list = pane->FrFileListBox1;
  TFrDirectoryTree* tree = pane->FrDirectoryTree1;
  QList<QAction*> added;
  const auto add = [&](const char* name, const char* key, const char* keys, std::function<void()> handler) {
    added << AddAction(nullptr, QLatin1String(name), QLatin1String(key), QLatin1String(keys), std::move(handler));
    return added.last();
  };
  // Commands whose keys belong to one control (or two) of the pane.
  const auto scoped = [this](QAction* a, std::initializer_list<QWidget*> widgets) {
    removeAction(a);
    a->setShortcutContext(Qt::WidgetShortcut);
    for (QWidget* w : widgets) w->addAction(a);
    return a;
  };
  QAction* open = add("fManOpenFile", "fManOpenFile", "", [pane] { pane->OpenAllSelected(); });
  QAction* copy = add("fManCopyFile", "fManCopyFile", "", [pane] { pane->CopySelectedFiles(); });
  QAction* del = scoped(add("fManDelFile", "fManDelFile", "Del", [pane] { pane->DeleteSelectedFiles(false); }), {list});
  scoped(add("fManDelForGood", "fManDelFile", "Shift+Del", [pane] { pane->DeleteSelectedFiles(true); }), {list});
  QAction* rename = scoped(add("FM_RenFile", "FM_RenFile", "F2", [pane] { pane->RenameSelectedFile(); }), {list});
  QAction* refresh = scoped(add("fManRefresh", "fManRefresh", "F5", [pane] { pane->RefreshFiles(); }), {list, tree});
  QAction* insert = add("fManInsertFile", "fManInsertFile", "", [pane] { pane->AddFileToDocument(); });
  QAction* graphic = add("FM_EDGFX", "FM_EDGFX", "", [pane] { pane->EditGraphic(); });
  QAction* properties = add("FM_Prop", "FM_Prop", "", [pane] { pane->ShowProperties(); });
  QAction* selectAll = add("SAllIT", "SAllIT", "", [pane] { pane->SelectAllFiles(); });
  QAction* run = add("fManRunBox", "GotoFolderH", "", [pane] { pane->RunBoxClick(); });
  QAction* makeFolder = add("rmCreateF", "rmCreateF", "", [pane] { pane->CreateFolder(); });
  QAction* dropFolder = scoped(add("rmDelF", "rmDelF", "Del", [pane] { pane->DeleteFolder(); }), {tree});
  graphic->setEnabled(false);
  static const char* const icons[][2] = {
      {"fManOpenFile", "document-open"},  {"fManCopyFile", "edit-copy"}, {"fManDelFile", "edit-delete"},
      {"fManInsertFile", "insert-text"},  {"fManRunBox", "system-run"},  {"fManRefresh", "view-refresh"},
      {"FM_Prop", "document-properties"}, {"rmCreateF", "folder-new"},   {"FM_EDGFX", "applications-graphics"}};
  for (const auto& i : icons) Action(QLatin1String(i[0]))->setIcon(ThemeIcon(QLatin1String(i[1])));
  for (QAction* a : std::as_const(added)) ApplyActionLanguage(a);

  for (QAction* a : {open, copy, del, insert, run, refresh, Action(QStringLiteral("ToolButton22"))})
    pane->ToolBar->addAction(a);
  for (QAction* a : {open, copy, del, rename, properties}) pane->PopupMenu5->addAction(a);
  pane->PopupMenu5->addSeparator();
  for (QAction* a : {insert, graphic}) pane->PopupMenu5->addAction(a);
  pane->PopupMenu5->addSeparator();
  for (QAction* a : {refresh, selectAll}) pane->PopupMenu5->addAction(a);
  for (QAction* a : {makeFolder, dropFolder, refresh}) pane->PopupMenu1->addAction(a);
  // The folder tree's height is kept from one run to the next.
  connect(pane->Splitter, &QSplitter::splitterMoved, this,
          [this, pane] { DirectoryHeight = pane->Splitter->sizes().value(0); });

  // The project and tag-library pages, with their commands.
  const auto place = [](QWidget* page, QWidget* content) {
    if (!page->layout()) new QVBoxLayout(page);
    page->layout()->setContentsMargins(0, 0, 0, 0);
    page->layout()->addWidget(content);
  };
  ProjectPage = new TProjectTree;
  TagPage = new TTagLibrary;
  place(PageControl2->widget(1), ProjectPage);
  place(PageControl2->widget(2), TagPage);
  ProjectPage->OnOpenFolder = [this](const QString& folder) {
    if (AppServices().ShowFolder) AppServices().ShowFolder(folder);
    SelectSidePage(0);
  };
  TagPage->OnInsert = [this](const QString& text) {
    InsertTextAtCursor(text);
    // The user goes on typing in the page, not in the library.
    if (TChildForm* c = ActiveDocument()) c->Memo1->setFocus();
  };
  pane->ApplyLanguage();
  if (sidePaneState_.started) LoadSidePane();
}

void TfMain::ApplySidePaneLanguage() {
  const char* sidePages[] = {"FMMAN", "PJMAN", "TagLib"};
  for (int i = 0; i < TabSet1->count() && i < 3; ++i) TabSet1->setTabText(i, LangText(QLatin1String(sidePages[i])));
  if (FileManager) FileManager->ApplyLanguage();
}

void TfMain::RestoreSidePane(const TIniFile& ini) {
  sidePaneState_.visible = ini.ReadBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), false);
  const QString work = ini.ReadString(QStringLiteral("Work"), QStringLiteral("Dir"), QString());
  sidePaneState_.mask = ini.ReadString(QStringLiteral("File"), QStringLiteral("Mask"), QString());
  sidePaneState_.folder = work.isEmpty() ? LastFolder : work;
}

void TfMain::StartSidePane() {
  sidePaneState_.started = true;
  if (sidePaneState_.visible)
    EnsureSidePane();
  else if (FileManager)
    LoadSidePane();
  Panel1->setVisible(sidePaneState_.visible);
}

void TfMain::LoadSidePane() {
  FileManager->Restore(sidePaneState_.mask, sidePaneState_.folder);
  // Texts, project list and tag library.
  ProjectPage->ApplyLanguage();
  ProjectPage->Load(ProgramFolder + QStringLiteral("WorkList.Dat"));
  try {
    TagPage->Load(Settings::ElementsPath());
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  RestoreFolderTreeHeight();
}

void TfMain::RestoreFolderTreeHeight() {
  if (!FileManager) return;
  QSplitter* split = FileManager->Splitter;
  const int total = std::max(split->height(), DirectoryHeight + 100);
  if (DirectoryHeight > 0) split->setSizes({DirectoryHeight, total - DirectoryHeight});
}

void TfMain::ShowSidePane(bool show) {
  if (show) EnsureSidePane();
  KeepActiveDocument(Panel1, PageControl2, MDIClient, [this, show] { Panel1->setVisible(show); });
  try {
    Settings::Open().WriteBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), show);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
}

void TfMain::ShowSidePage(int index) {
  ShowSidePane(true);
  SelectSidePage(index);
}

void TfMain::SelectSidePage(int index) {
  EnsureSidePane();
  KeepActiveDocument(Panel1, PageControl2, MDIClient, [this, index] { PageControl2->setCurrentIndex(index); });
  TabSet1->setCurrentIndex(index);
}

QString TfMain::FileManagerFolder() const {
  const QString folder = FileManager ? FileManager->Folder() : sidePaneState_.folder;
  return QFileInfo(folder).isDir() ? folder : StartFolder();
}

void TfMain::ImageBrowserOnFolder() {
  // Read from the folder itself: the pane need not be built, nor its list read.
  const QString folder = FileManagerFolder();
  OpenImages(TFileManagerPane::PicturesIn(folder), folder);
}
