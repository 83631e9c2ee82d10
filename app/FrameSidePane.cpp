// The main window's side pane: three pages (files, projects, tag library)
// switched by the tabs at its foot, and the file-manager commands with their
// keys, which act only where the folder tree or the file list has the focus.
#include "app/FileManagerPane.h"
#include "app/Frame.h"
#include "app/Icons.h"
#include "app/Launcher.h"
#include "app/LanguageModule.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"
#include "files/FrFileListBox.h"
#include "platform/Exceptions.h"

#include <QAction>
#include <QApplication>
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
}  // namespace

void TfMain::BuildSidePane() {
  InstallFileServices();
  auto* sideLayout = new QVBoxLayout(Panel1);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  sideLayout->setSpacing(0);
  PageControl2 = new QTabWidget(Panel1);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  FileManager = new TFileManagerPane(*this);
  PageControl2->addTab(FileManager, QStringLiteral("Filemanager"));
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
  // The project tree sends the file manager to a folder (unless another
  // handler is in place already).
  if (!AppServices().ShowFolder)
    AppServices().ShowFolder = [this](const QString& folder) { FileManager->Restore(QString(), folder); };

  TFileManagerPane* pane = FileManager;
  TFrFileListBox* list = pane->FrFileListBox1;
  TFrDirectoryTree* tree = pane->FrDirectoryTree1;
  // Commands whose keys belong to one control (or two) of the pane.
  const auto scoped = [this](QAction* a, std::initializer_list<QWidget*> widgets) {
    removeAction(a);
    a->setShortcutContext(Qt::WidgetShortcut);
    for (QWidget* w : widgets) w->addAction(a);
    return a;
  };
  QAction* open = AddAction(nullptr, "fManOpenFile", "fManOpenFile", "", [pane] { pane->OpenAllSelected(); });
  QAction* copy = AddAction(nullptr, "fManCopyFile", "fManCopyFile", "", [pane] { pane->CopySelectedFiles(); });
  QAction* del = scoped(AddAction(nullptr, "fManDelFile", "fManDelFile", "Del", [pane] { pane->DeleteSelectedFiles(false); }),
                        {list});
  scoped(AddAction(nullptr, "fManDelForGood", "fManDelFile", "Shift+Del", [pane] { pane->DeleteSelectedFiles(true); }),
         {list});
  QAction* rename = scoped(AddAction(nullptr, "FM_RenFile", "FM_RenFile", "F2", [pane] { pane->RenameSelectedFile(); }),
                           {list});
  QAction* refresh = scoped(AddAction(nullptr, "fManRefresh", "fManRefresh", "F5", [pane] { pane->RefreshFiles(); }),
                            {list, tree});
  QAction* insert = AddAction(nullptr, "fManInsertFile", "fManInsertFile", "", [pane] { pane->AddFileToDocument(); });
  QAction* graphic = AddAction(nullptr, "FM_EDGFX", "FM_EDGFX", "", [pane] { pane->EditGraphic(); });
  QAction* properties = AddAction(nullptr, "FM_Prop", "FM_Prop", "", [pane] { pane->ShowProperties(); });
  QAction* selectAll = AddAction(nullptr, "SAllIT", "SAllIT", "", [pane] { pane->SelectAllFiles(); });
  QAction* run = AddAction(nullptr, "fManRunBox", "GotoFolderH", "", [pane] { pane->RunBoxClick(); });
  QAction* makeFolder = AddAction(nullptr, "rmCreateF", "rmCreateF", "", [pane] { pane->CreateFolder(); });
  QAction* dropFolder = scoped(AddAction(nullptr, "rmDelF", "rmDelF", "Del", [pane] { pane->DeleteFolder(); }), {tree});
  graphic->setEnabled(false);
  static const char* const icons[][2] = {
      {"fManOpenFile", "document-open"}, {"fManCopyFile", "edit-copy"},        {"fManDelFile", "edit-delete"},
      {"fManInsertFile", "insert-text"}, {"fManRunBox", "system-run"},         {"fManRefresh", "view-refresh"},
      {"FM_Prop", "document-properties"}, {"rmCreateF", "folder-new"},         {"FM_EDGFX", "applications-graphics"}};
  for (const auto& i : icons) Action(QLatin1String(i[0]))->setIcon(ThemeIcon(QLatin1String(i[1])));

  for (QAction* a : {open, copy, del, insert, run, refresh, Action(QStringLiteral("ToolButton22"))})
    pane->ToolBar->addAction(a);
  for (QAction* a : {open, copy, del, rename, properties}) pane->PopupMenu5->addAction(a);
  pane->PopupMenu5->addSeparator();
  for (QAction* a : {insert, graphic}) pane->PopupMenu5->addAction(a);
  pane->PopupMenu5->addSeparator();
  for (QAction* a : {refresh, selectAll}) pane->PopupMenu5->addAction(a);
  for (QAction* a : {makeFolder, dropFolder, refresh}) pane->PopupMenu1->addAction(a);

  // The tools menu shows the pane at the projects and the tag library.
  if (QMenu* tools = menus_.value(QStringLiteral("Tools"))) {
    AddAction(tools, "ProjectManager1", "PJMAN", "", [this] { ShowSidePage(1); });
    AddAction(tools, "TagLibrary1", "TagLib", "", [this] { ShowSidePage(2); });
  }
  // The folder tree's height is kept from one run to the next.
  connect(pane->Splitter, &QSplitter::splitterMoved, this,
          [this, pane] { DirectoryHeight = pane->Splitter->sizes().value(0); });
}

void TfMain::ApplySidePaneLanguage() {
  const char* sidePages[] = {"FMMAN", "PJMAN", "TagLib"};
  for (int i = 0; i < TabSet1->count() && i < 3; ++i) TabSet1->setTabText(i, LangText(QLatin1String(sidePages[i])));
  FileManager->ApplyLanguage();
}

void TfMain::RestoreSidePane(const TIniFile& ini) {
  Panel1->setVisible(ini.ReadBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), false));
  const QString work = ini.ReadString(QStringLiteral("Work"), QStringLiteral("Dir"), QString());
  FileManager->Restore(ini.ReadString(QStringLiteral("File"), QStringLiteral("Mask"), QString()),
                       work.isEmpty() ? LastFolder : work);
}

void TfMain::RestoreFolderTreeHeight() {
  QSplitter* split = FileManager->Splitter;
  const int total = std::max(split->height(), DirectoryHeight + 100);
  if (DirectoryHeight > 0) split->setSizes({DirectoryHeight, total - DirectoryHeight});
}

void TfMain::ShowSidePane(bool show) {
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
  KeepActiveDocument(Panel1, PageControl2, MDIClient, [this, index] { PageControl2->setCurrentIndex(index); });
  TabSet1->setCurrentIndex(index);
}


void TfMain::ImageBrowserOnFolder() { FileManager->ImageBrowserOnFolder(); }
