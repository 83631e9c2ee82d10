#include "app/shell/Frame.h"
#include "app/options/uconfig.h"

#include "app/document/Documents.h"
#include "app/document/EmbeddedBrowser.h"
#include "app/look/FlatLook.h"
#include "app/dialogs/FramePictures.h"
#include "app/look/Icons.h"
#include "app/core/Launcher.h"
#include "app/core/LanguageModule.h"
#include "app/sidepane/ProjectPages.h"
#include "app/core/Prompts.h"
#include "app/core/RecentFiles.h"
#include "app/core/Settings.h"
#include "app/dialogs/ShellDialogs.h"
#include "app/dialogs/UpdateConsole.h"
#include "app/dialogs/uAbout.h"
#include "app/dialogs/uPrintDlg.h"
#include "editor/SrcExportRTF.h"
#include "images/uImageLoad.h"
#include "platform/BrowserView.h"
#include "platform/Exceptions.h"
#include "platform/ProgramFolder.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QSaveFile>
#include <QScreen>
#include <QSet>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QLabel>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>


namespace {
// Properties of actions and menus: the module keys of caption and hint.
constexpr const char* kLangKey = "langKey";
constexpr const char* kHintKey = "hintKey";
// Pictures of the tab strip's tabs: a document and an image browser.
constexpr int kDocumentTabImage = 69;
constexpr int kImageBrowserTabImage = 110;

// Rich-text and word-processor documents, which open as HTML made from them.
bool IsImportedDocument(const QString& path) {
  const QString ext = Documents::ExtractFileExt(path);
  return ext == u".doc" || ext == u".rtf";
}
}  // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("fMain"));
  connect(&signals_, &TAppSignals::LanguageChanged, this, &TfMain::ApplyLanguage);
  connect(&signals_, &TAppSignals::CharsetChanged, this, &TfMain::ApplyCharset);
  connect(&signals_, &TAppSignals::BrowserListChanged, this, &TfMain::LoadBrowserList);
  connect(&signals_, &TAppSignals::RecentFilesCleared, this, [this] { RecentFiles2->clear(); });
  connect(&signals_, &TAppSignals::TagLibraryChosen, this, [this](const QString& file) {
    if (TagPage) TagPage->Load(file);  // a damaged file is reported there
  });
  BuildString = QStringLiteral("1.0.0");
  setAcceptDrops(true);
  ProgramFolder = ::ProgramFolder();

  auto* split = new QSplitter(Qt::Horizontal, this);
  Panel1 = new QWidget(split);
  Panel1->setObjectName(QStringLiteral("Panel1"));

  auto* right = new QWidget(split);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  PageControl1 = new QTabWidget(right);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  for (const char* page : {"Common", "HTML", "Forms"}) {
    auto* bar = new QToolBar(PageControl1);
    PageControl1->addTab(bar, QLatin1String(page));
  }
  PageControl1->setCurrentIndex(0);
  PageControl1->setMaximumHeight(60);
  MDIClient = new QMdiArea(right);
  MDIClient->setObjectName(QStringLiteral("MDIClient"));
  layout->addWidget(PageControl1);
  split->addWidget(Panel1);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  setCentralWidget(split);
  MDITab1 = new TMDITab(this, MDIClient);
  MDITab1->setShape(QTabBar::RoundedNorth);
  layout->addWidget(MDITab1);
  layout->addWidget(MDIClient, 1);
  Panel1->hide();

  BuildMenusAndBars();
  BuildSidePane();
  connect(MDIClient, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { UpdateSaveActions(); });
  // The last tab goes only when its window is destroyed.
  connect(MDITab1, &QTabBar::currentChanged, this, [this](int) { UpdateSaveActions(); });
  ApplyLanguage();
  resize(1000, 700);
}

TfMain::~TfMain() {
  // The windows go after this object's own fields: they must not call back.
  MDIClient->disconnect(this);
  MDITab1->disconnect(this);
  for (TChildForm* c : Documents()) c->OnModifiedChange = nullptr;
}

QAction* TfMain::AddAction(QMenu* menu, const QString& name, const QString& key, const QString& keys,
                           std::function<void()> handler, bool later) {
  auto* action = new QAction(this);
  action->setObjectName(name);
  action->setProperty(kLangKey, key);
  // "a; b" gives a second key, where a desktop takes the first one for itself.
  if (!keys.isEmpty()) action->setShortcuts(QKeySequence::listFromString(keys));
  if (handler) connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  // Commands whose windows are not part of the program yet stay disabled.
  action->setEnabled(!later);
  action->setProperty("later", later);
  if (menu) menu->addAction(action);
  addAction(action);
  actions_.insert(name, action);
  return action;
}

void TfMain::BuildMenusAndBars() {
  QMenuBar* bar = menuBar();
  const auto menu = [this, bar](const char* name, const char* key) {
    QMenu* m = bar->addMenu(QString());
    m->setObjectName(QLatin1String(name) + QStringLiteral("1"));
    m->setProperty(kLangKey, QLatin1String(key));
    menus_.insert(QLatin1String(name), m);
    return m;
  };
  QMenu* file = menu("File", "File");
  AddAction(file, "New1", "New", "Ctrl+N", [this] { New1Click(); });
  AddAction(file, "LoadDocs1", "LoadDocs1", "", [this] { New1Click(); });
  AddAction(file, "ToolButton33", "TB1", "", [this] { ToolButton33Click(); });
  AddAction(file, "ActionOpen", "Open", "Ctrl+O", [this] { ActionOpenExecute(); });
  RecentFiles2 = file->addMenu(QString());
  RecentFiles2->setObjectName(QStringLiteral("RecentFiles2"));
  RecentFiles2->setProperty(kLangKey, QStringLiteral("RecentFiles"));
  menus_.insert(QStringLiteral("RecentFiles"), RecentFiles2);
  AddAction(file, "Save2", "Save", "Ctrl+S", [this] { ActionSaveExecute(); });
  AddAction(file, "SaveAs1", "SaveAs", "", [this] { SaveAs1Click(); });
  AddAction(file, "SaveAll", "SaveAll", "", [this] { SaveAllExecute(); });
  AddAction(file, "Close1", "Close", "", [this] {
    if (QMdiSubWindow* w = MDIClient->currentSubWindow()) w->close();
  });
  AddAction(file, "CloseAll", "CloseAll", "Ctrl+Alt+F4; Ctrl+Shift+W", [this] { CloseAllExecute(); });
  file->addSeparator();
  AddAction(file, "ImpRTF1", "ImpRTF1", "F6", [this] { ImportRTFExecute(); });
  AddAction(file, "ImpDoc1", "ImpDoc1", "F7", [this] { ImportWordExecute(); });
  QMenu* exportMenu = file->addMenu(QString());
  exportMenu->setObjectName(QStringLiteral("Export1"));
  exportMenu->setProperty(kLangKey, QStringLiteral("Export"));
  menus_.insert(QStringLiteral("Export"), exportMenu);
  AddAction(exportMenu, "ExpDoc1", "ExpDoc1", "", [this] { Documenttortf1Click(); });
  AddAction(file, "PR_DOC1", "PR_DOC1", "", [this] { PrintDocument1Click(); });
  file->addSeparator();
  AddAction(file, "Exit1", "Exit", "", [this] { Exit1Click(); });

  QMenu* edit = menu("Edit", "Edit");
  const auto onEditor = [this](auto f) {
    return [this, f] {
      if (TChildForm* c = ActiveDocument()) f(c->Memo1);
    };
  };
  AddAction(edit, "Undo1", "Undo", "Ctrl+Z", onEditor([](TSrcEdit* e) { e->Undo(); }));
  AddAction(edit, "Redo1", "Redo", "Ctrl+Alt+Z", onEditor([](TSrcEdit* e) { e->Redo(); }));
  edit->addSeparator();
  AddAction(edit, "Cut1", "Cut", "Ctrl+X", onEditor([](TSrcEdit* e) { e->CutToClipboard(); }));
  AddAction(edit, "Copy1", "Copy", "Ctrl+C", onEditor([](TSrcEdit* e) { e->CopyToClipboard(); }));
  AddAction(edit, "Paste1", "Paste", "Ctrl+V", onEditor([](TSrcEdit* e) { e->PasteFromClipboard(); }));
  AddAction(edit, "SelectAll1", "SelectAll", "Ctrl+A", onEditor([](TSrcEdit* e) { e->SelectAll(); }));
  edit->addSeparator();
  AddAction(edit, "GotoLine1", "GotoLine1", "Ctrl+G", [this] { GotoLine1Click(); });
  AddAction(edit, "WWrap1", "WWrap1", "", [this] { Wordwrap1Click(); });

  QMenu* search = menu("Search", "Search");
  const auto onDocument = [this](auto f) {
    return [this, f] {
      if (TChildForm* c = ActiveDocument()) f(c);
    };
  };
  AddAction(search, "Search1", "Search", "Ctrl+F", onDocument([](TChildForm* c) { c->ShowSearchDialog(false); }));
  AddAction(search, "SearchReplace", "SearchReplace", "Ctrl+R",
            onDocument([](TChildForm* c) { c->ShowSearchDialog(true); }));
  AddAction(search, "FindNext", "FindNext", "F3", onDocument([](TChildForm* c) { c->DoSearchReplace(false, false); }));
  AddAction(search, "FindPrevious", "FindPrevious", "Ctrl+F2",
            onDocument([](TChildForm* c) { c->DoSearchReplace(false, true); }));

  QMenu* insert = menu("Insert", "InsertMenu");
  BuildInsertCommands(insert);
  AddAction(insert, "ToolButton18", "LinkToDoc", "", [this] { InsertLink(*this); });
  AddAction(insert, "ToolButton19", "AddImgMain", "", [this] { InsertImage(*this); });

  QMenu* tools = menu("Tools", "Tools");
  AddAction(tools, "preview", "PreviewSite", "F9", [this] { previewExecute(); });
  AddAction(tools, "nopreview", "BackToEditor", "F10", [this] { nopreviewExecute(); });
  AddAction(tools, "LoadBrowser", "LoadBrowser", "F12", [this] { LoadBrowserExecute(); });
  AddAction(tools, "ImgBrowser", "ImgBrowser", "F8", [this] { ImageBrowserOnFolder(); });
  AddAction(tools, "ToolButton22", "rmvfLinks", "", onDocument([](TChildForm* c) { c->vfLinksClick(); }));
  AddAction(tools, "stFTPcl", "stFTPcl", "", [this] { FTPExecute(); });
  AddAction(tools, "ConfigScreen", "Options", "Ctrl+Alt+C", [this] {
    ShowOptions(-1, -1);
  });
  AddAction(tools, "TBCD", "TBCD", "", [this] {
    ShowOptions(4, -1);
  });
  AddAction(tools, "C_Lang", "C_Lang", "", [this] {
    ShowOptions(2, -1);
  });
  AddAction(tools, "FileMan1", "FileMan1", "F11", [this] { ShowSidePane(!Panel1->isVisible()); });

  QMenu* ops = menu("Ops", "MM_Ops");
  QMenu* network = ops->addMenu(QString());
  network->setObjectName(QStringLiteral("MM_NetWork1"));
  network->setProperty(kLangKey, QStringLiteral("MM_NetWork1"));
  menus_.insert(QStringLiteral("MM_NetWork1"), network);
  AddAction(network, "MM_NetWork1_Map", "MM_NetWork1_Map", "", [] { TWtConnectNetwork().Execute(); });
  AddAction(network, "MM_NetWork1_UnMap", "MM_NetWork1_UnMap", "", [] { TWtDisconnectNetwork().Execute(); });
  AddAction(ops, "MM_AddPrinter", "MM_AddPrinter", "", [] { TWtAddPrinter().Execute(); });
  AddAction(ops, "MM_SFile", "MM_SFile", "", [this] {
    TWtFindFiles find;
    find.drive = FileManagerFolder();  // the search starts where the file manager is
    find.Execute();
  });
  AddAction(ops, "MM_FindC", "MM_FindC", "", [] { TWtFindComputerDlg().Execute(); });
  AddAction(ops, "ScrP", "ScrP", "", [] { TWtCommandPrompt().Execute(); });

  QMenu* window = menu("Window", "Window1");
  AddAction(window, "WCascade", "WCascade", "", [this] { ArrangeWindows(TWindowArrangement::Cascade); });
  AddAction(window, "WTile1", "WTile1", "", [this] { ArrangeWindows(TWindowArrangement::TileHorizontally); });
  AddAction(window, "WTile2", "WTile2", "", [this] { ArrangeWindows(TWindowArrangement::TileVertically); });
  AddAction(window, "WArrange", "WArrange", "", [this] { ArrangeWindows(TWindowArrangement::ArrangeIcons); });
  AddAction(window, "WMinimize", "WMinimize", "", [this] { ArrangeWindows(TWindowArrangement::MinimizeAll); });

  QMenu* info = menu("Info", "Info");
  AddAction(info, "Help1", "Help1", "F1", [this] { OpenHelp(); });
  AddAction(info, "DoEmail", "DoEmail", "", [this] { SendEmail(); });
  AddAction(info, "Support1", "SupMItem", "", [this] { OpenInBrowser(SupportSite()); });
  AddAction(info, "MM_DoDon", "MM_DoDon", "", [this] { OpenInBrowser(DonateSite()); });
  AddAction(info, "UpdCheck", "UpdCheck", "", [this] {
    TfUpdate console(this, BuildString);
    Prompts().ExecModal(console);
  });
  AddAction(info, "About1", "About1", "", [this] {
    TfAbout box(this, BuildString);
    Prompts().ExecModal(box);
  });

  AddAction(nullptr, "ToolButton35", "Save", "", [this] { ActionSaveExecute(); });

  // Tool-button hints where they differ from the command's caption.
  static const char* const hints[][2] = {
      {"ActionOpen", "TB2"}, {"ToolButton35", "TB3"}, {"PR_DOC1", "TB4"},  {"Cut1", "TB21"},
      {"Copy1", "TB22"},     {"LoadBrowser", "TB50"}, {"ToolButton33", "TB1"}, {"Support1", "KvxSup"},
      {"Italic1", "TB6"},    {"Underline1", "TB7"},   {"ToolButton18", "TB51"}, {"ToolButton19", "TB31"}};
  for (const auto& h : hints) actions_.value(QLatin1String(h[0]))->setProperty(kHintKey, QLatin1String(h[1]));

  // Icons by their names in the desktop's icon theme.
  static const char* const icons[][2] = {
      {"New1", "document-new"}, {"ToolButton33", "document-new"}, {"ActionOpen", "document-open"},
      {"Save2", "document-save"}, {"ToolButton35", "document-save"}, {"SaveAs1", "document-save-as"},
      {"SaveAll", "document-save-all"}, {"Close1", "window-close"}, {"CloseAll", "window-close-all"},
      {"ImpRTF1", "document-import"}, {"ImpDoc1", "document-import"}, {"ExpDoc1", "document-export"},
      {"PR_DOC1", "document-print"}, {"Exit1", "application-exit"}, {"Undo1", "edit-undo"},
      {"Redo1", "edit-redo"}, {"Cut1", "edit-cut"}, {"Copy1", "edit-copy"}, {"Paste1", "edit-paste"},
      {"SelectAll1", "edit-select-all"}, {"GotoLine1", "go-jump"}, {"WWrap1", "format-justify-fill"},
      {"Search1", "edit-find"}, {"SearchReplace", "edit-find-replace"}, {"FindNext", "go-down"},
      {"FindPrevious", "go-up"}, {"Table1", "insert-table"}, {"Bold1", "format-text-bold"},
      {"Italic1", "format-text-italic"}, {"Underline1", "format-text-underline"},
      {"Center1", "format-justify-center"}, {"Left1", "format-justify-left"}, {"Right1", "format-justify-right"},
      {"ToolButton60", "preferences-desktop-font"}, {"ToolButton84", "format-justify-fill"},
      {"ToolButton26", "format-text-direction-ltr"}, {"ToolButton14", "color-picker"},
      {"ToolButton31", "dialog-information"}, {"preview", "document-print-preview"},
      {"nopreview", "accessories-text-editor"}, {"LoadBrowser", "web-browser"}, {"ImgBrowser", "image-x-generic"},
      {"ToolButton22", "insert-link"}, {"stFTPcl", "folder-remote"}, {"ConfigScreen", "preferences-system"},
      {"TBCD", "text-x-script"}, {"C_Lang", "preferences-desktop-locale"}, {"LoadDocs1", "document-new"},
      {"FileMan1", "system-file-manager"}, {"WCascade", "window-cascade"},
      {"WTile1", "window-tile-horizontally"}, {"WTile2", "window-tile-vertically"},
      {"WArrange", "window-arrange-icons"}, {"WMinimize", "window-minimize-all"}, {"Help1", "help-browser"},
      {"DoEmail", "mail-send"}, {"Support1", "help-faq"}, {"MM_DoDon", "emblem-favorite"},
      {"UpdCheck", "system-software-update"}, {"About1", "help-about"}};
  for (const auto& i : icons) actions_.value(QLatin1String(i[0]))->setIcon(ThemeIcon(QLatin1String(i[1])));

  // Tool bars.
  const char* names[5] = {"ToolBar1", "ToolBar5", "ToolBar6", "ToolBar7", "ToolBar8"};
  const QStringList contents[5] = {
      {"ToolButton33", "ActionOpen", "ToolButton35", "SaveAll", "Close1", "Copy1", "Paste1", "Cut1", "DoEmail"},
      {"ImgBrowser", "preview", "LoadBrowser", "stFTPcl"},
      {"Undo1", "Redo1", "Search1", "SearchReplace", "FindNext", "FindPrevious"},
      {"Help1"},
      {"ConfigScreen", "TBCD", "C_Lang"}};
  for (int i = 0; i < 5; ++i) {
    ToolBars[i] = addToolBar(QLatin1String(names[i]));
    ToolBars[i]->setObjectName(QLatin1String(names[i]));
    ToolBars[i]->setMovable(true);
    ToolBars[i]->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const QString& name : contents[i]) ToolBars[i]->addAction(actions_.value(name));
  }
  // The browser button drops down the list of external browsers.
  BrowserPop = new QMenu(this);
  BrowserPop->setObjectName(QStringLiteral("BrowserPop"));
  if (auto* button = qobject_cast<QToolButton*>(ToolBars[1]->widgetForAction(actions_.value("LoadBrowser")))) {
    button->setMenu(BrowserPop);
    button->setPopupMode(QToolButton::MenuButtonPopup);
  }
  // The simple insert commands on the first insert page.
  if (auto* common = qobject_cast<QToolBar*>(PageControl1->widget(0))) {
    for (const char* name : {"Bold1", "Italic1", "Underline1", "Left1", "Center1", "Right1", "ToolButton84"})
      common->addAction(actions_.value(QLatin1String(name)));
    for (QMenu* drop : {PopupMenu4, PopupMenu2}) {
      auto* button = new QToolButton(common);
      button->setObjectName(drop == PopupMenu4 ? QStringLiteral("ToolButton25") : QStringLiteral("ToolButton24"));
      button->setMenu(drop);
      button->setPopupMode(QToolButton::InstantPopup);
      button->setIcon(ThemeIcon(drop == PopupMenu4 ? QStringLiteral("format-text-rich")
                                                   : QStringLiteral("format-indent-more")));
      common->addWidget(button);
    }
    for (const char* name : {"ToolButton26", "ToolButton14", "ToolButton31"})
      common->addAction(actions_.value(QLatin1String(name)));
  }

  // The status bar's one panel.
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  auto* panel = new QLabel(statusBar());
  panel->setObjectName(QStringLiteral("StatusPanel1"));
  statusBar()->addWidget(panel, 1);

  // The tab strip's pop-up: close, close all, preview.
  TabPopup = new QMenu(this);
  TabPopup->setObjectName(QStringLiteral("TabPopup"));
  for (const char* name : {"Close1", "CloseAll", "preview"}) TabPopup->addAction(actions_.value(QLatin1String(name)));
  MDITab1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(MDITab1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const int index = MDITab1->tabAt(pos);
    if (index < 0) return;
    MDITab1->setCurrentIndex(index);  // the commands act on the tab clicked
    TabPopup->popup(MDITab1->mapToGlobal(pos));
  });
  UpdateSaveActions();
}

void TfMain::ArrangeWindows(TWindowArrangement how) {
  const QList<QMdiSubWindow*> windows = MDIClient->subWindowList(QMdiArea::CreationOrder);
  switch (how) {
    case TWindowArrangement::Cascade:
      MDIClient->cascadeSubWindows();
      return;
    case TWindowArrangement::MinimizeAll: {
      // The tab strip restores a window that becomes active; here none should.
      const QSignalBlocker quiet(MDIClient);
      for (QMdiSubWindow* w : windows) w->showMinimized();
      return;
    }
    case TWindowArrangement::ArrangeIcons: {
      // Minimised windows in a row along the bottom of the document area.
      int x = 0;
      for (QMdiSubWindow* w : windows) {
        if (!w->isMinimized()) continue;
        w->move(x, MDIClient->viewport()->height() - w->height());
        x += w->width();
      }
      return;
    }
    case TWindowArrangement::TileHorizontally:
    case TWindowArrangement::TileVertically: {
      QList<QMdiSubWindow*> shown;
      for (QMdiSubWindow* w : windows)
        if (!w->isMinimized() && w->isVisible()) shown << w;
      if (shown.isEmpty()) return;
      const QRect area = MDIClient->viewport()->rect();
      const int n = static_cast<int>(shown.size());
      for (int i = 0; i < n; ++i) {
        shown[i]->showNormal();
        if (how == TWindowArrangement::TileHorizontally) {
          const int top = area.height() * i / n;
          shown[i]->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
        } else {
          const int left = area.width() * i / n;
          shown[i]->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
        }
      }
      return;
    }
  }
}

// ------------------------------------------------------------ show and exit

void TfMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) FormShow();
}

void TfMain::FormShow() {
  if (shown_) return;
  shown_ = true;
  LoadBrowserList();
  RecentFiles2->clear();
  LoadLanguageModule();
  ApplyLanguage();
  ApplyCharset();
  if (Settings::Open().TooLarge())
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("IniTooLarge")), Settings::FileName()}), 2);
  BuildRecentMenu();
  try {
    const TIniFile ini = Settings::Open();
    options_.DoubleClickOpen =
        ini.ReadBool(QStringLiteral("DoubleClick"), QStringLiteral("Open"), options_.DoubleClickOpen);
    LastFolder = ini.ReadString(QStringLiteral("Last"), QStringLiteral("Folder"), QDir::homePath());
    options_.NoDoubles = ini.ReadBool(QStringLiteral("Files"), QStringLiteral("NoDoubles"), options_.NoDoubles);
    RestoreSidePane(ini);
    Settings::ElementsPath();
    HelpPath = Settings::HelpPath();
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  StartSidePane();
  LoadToolbarPositions();
  ApplyFlatLook(this, FlatLookSetting());
}

bool TfMain::FormCloseQuery() {
  if (ProjectPage) ProjectPage->Save();  // reports a failure itself
  if (ShowMessageDlg(LangText(QStringLiteral("ExitMsg")), 10) != 6) return false;
  try {
    SaveToolbarPositions();
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  DeleteTempFiles();
  return true;
}

void TfMain::closeEvent(QCloseEvent* event) {
  // The options screen closes first: it asks about unsaved code-library
  // edits and writes the program paths typed; a refusal ends the exit.
  if (TfConfig* options = TfConfig::Instance(); options && !options->close()) {
    event->ignore();
    return;
  }
  // Every document is asked first; the first that refuses ends the exit.
  const QList<QMdiSubWindow*> windows = MDIClient->subWindowList();
  for (QMdiSubWindow* w : windows) {
    if (auto* c = qobject_cast<TChildForm*>(w); c && !c->FormCloseQuery()) {
      event->ignore();
      return;
    }
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  for (QMdiSubWindow* w : windows) {
    if (auto* c = qobject_cast<TChildForm*>(w)) c->CloseApproved = true;
    w->close();
  }
  event->accept();
}

void TfMain::SaveToolbarPositions() {
  Settings::TMainWindowLayout layout;
  for (int i = 0; i < 5; ++i)
    layout.ToolBars[i] = {ToolBars[i]->x(), ToolBars[i]->y(), ToolBars[i]->height()};
  layout.LastFolder = LastFolder;
  layout.DirectoryHeight = DirectoryHeight;  // the folder tree keeps its stored height
  if (Panel1->isVisible()) FileManWidth = Panel1->width();  // a hidden pane keeps its last width
  layout.FileManWidth = FileManWidth;
  Settings::WriteMainWindowLayout(layout);
}

void TfMain::LoadToolbarPositions() {
  Settings::TMainWindowLayout current;
  for (int i = 0; i < 5; ++i) current.ToolBars[i] = {ToolBars[i]->x(), ToolBars[i]->y(), ToolBars[i]->height()};
  current.DirectoryHeight = DirectoryHeight;
  current.FileManWidth = FileManWidth > 0 ? FileManWidth : Panel1->sizeHint().width();
  const Settings::TMainWindowLayout stored = Settings::ReadMainWindowLayout(current);
  DirectoryHeight = std::max(0, stored.DirectoryHeight);
  // The side pane leaves the documents at least a third of the screen.
  const int room = std::max(width(), screen() ? screen()->availableGeometry().width() : 0);
  FileManWidth = std::clamp(stored.FileManWidth, 0, room * 2 / 3);
  if (auto* split = qobject_cast<QSplitter*>(Panel1->parentWidget()); split && FileManWidth > 0)
    split->setSizes({FileManWidth, std::max(1, split->width() - FileManWidth)});
  RestoreFolderTreeHeight();
  // Bars are put back in rows by their stored top and, inside a row, by
  // their left; positions off the window simply become the last row or place.
  std::array<int, 5> order{0, 1, 2, 3, 4};
  std::stable_sort(order.begin(), order.end(), [&stored](int a, int b) {
    const auto& pa = stored.ToolBars[a];
    const auto& pb = stored.ToolBars[b];
    return pa.Top != pb.Top ? pa.Top < pb.Top : pa.Left < pb.Left;
  });
  for (QToolBar* bar : ToolBars) removeToolBar(bar);
  int rowTop = stored.ToolBars[order[0]].Top;
  for (int i : order) {
    // A bar more than half a bar lower than the row starts a new row.
    if (stored.ToolBars[i].Top > rowTop + std::max(1, stored.ToolBars[i].Height / 2)) {
      addToolBarBreak();
      rowTop = stored.ToolBars[i].Top;
    }
    addToolBar(ToolBars[i]);
    ToolBars[i]->show();
  }
}

namespace {
QString MenuCaption(const QString& key) {
  // Menu captions whose first letter is their accelerator.
  static const QSet<QString> accelerated = {"File",  "New",    "Open",    "Save",     "SaveAs",   "Close",
                                            "CloseAll", "Exit", "Edit",   "Search",   "Tools",    "Info",
                                            "Window1", "WArrange", "WCascade", "WMinimize", "InsertMenu"};
  return accelerated.contains(key) ? AcceleratedLangText(key) : LangText(key);
}
}  // namespace

void TfMain::ApplyActionLanguage(QAction* a) {
  const QString key = a->property(kLangKey).toString();
  const QString hint = a->property(kHintKey).toString();
  a->setText(MenuCaption(key) + a->property("langSuffix").toString());
  a->setToolTip(LangText(hint.isEmpty() ? key : hint));
}

void TfMain::ApplyLanguage() {
  for (QAction* a : std::as_const(actions_)) ApplyActionLanguage(a);
  for (QMenu* m : std::as_const(menus_)) m->setTitle(MenuCaption(m->property(kLangKey).toString()));
  for (auto* b : PageControl1->findChildren<QToolButton*>())
    if (b->menu() && (b->menu() == PopupMenu4 || b->menu() == PopupMenu2)) b->setToolTip(b->menu()->title());
  const char* insertPages[] = {"fMCommon", "HTMLFM", "FormsFM"};
  for (int i = 0; i < PageControl1->count() && i < 3; ++i)
    PageControl1->setTabText(i, LangText(QLatin1String(insertPages[i])));
  const char* sidePages[] = {"FMMAN", "PJMAN", "TagLib"};
  for (int i = 0; i < PageControl2->count() && i < 3; ++i)
    PageControl2->setTabText(i, LangText(QLatin1String(sidePages[i])));
  ApplySidePaneLanguage();
  if (auto* panel = statusBar()->findChild<QLabel*>(QStringLiteral("StatusPanel1")))
    panel->setText(LangText(QStringLiteral("SB02")));
  const char* barNames[] = {"ToolBarName1", "ToolBarName2", "ToolBarName3", "ToolBarName4", "ToolBarName5"};
  for (int i = 0; i < 5; ++i) ToolBars[i]->setWindowTitle(LangText(QLatin1String(barNames[i])));
  for (TChildForm* c : Documents()) c->ApplyLanguage();
}

void TfMain::ApplyCharset() { UICharset = Language().UICharset(); }

// ------------------------------------------------------------ documents

TChildForm* TfMain::ActiveDocument() const {
  QMdiSubWindow* w = MDIClient->currentSubWindow();
  if (!w) w = MDITab1->ActiveForm();
  return qobject_cast<TChildForm*>(w);
}

QList<TChildForm*> TfMain::Documents() const {
  QList<TChildForm*> out;
  for (QMdiSubWindow* w : MDIClient->subWindowList())
    if (auto* c = qobject_cast<TChildForm*>(w)) out << c;
  return out;
}

void TfMain::UpdateSaveActions() {
  TChildForm* c = ActiveDocument();
  const bool modified = c && c->Modified;
  actions_.value(QStringLiteral("Save2"))->setEnabled(modified);
  actions_.value(QStringLiteral("ToolButton35"))->setEnabled(modified);
  actions_.value(QStringLiteral("SaveAs1"))->setEnabled(c != nullptr);
  UpdateDocumentCommands();
}

bool TfMain::CheckRegularFile(const QString& path) {
  if (QFileInfo(path).isFile()) return true;
  ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoFileOpen")), path}), 2);
  return false;
}

void TfMain::LoadXhtmlTemplate() { NewDocSkeleton = Documents::XhtmlSkeleton(Documents::Now()); }
void TfMain::LoadHtmlTemplate() { NewDocSkeleton = Documents::HtmlSkeleton(Documents::Now()); }
void TfMain::LoadPhpTemplate() { NewDocSkeleton = Documents::PhpSkeleton(Documents::Now()); }
void TfMain::LoadCssTemplate() { NewDocSkeleton = Documents::CssSkeleton(Documents::Now()); }

TChildForm* TfMain::CreateDocument(bool FromTemplate, bool IsFile, const QString& Kind, const QString& FileName) {
  if (!Documents::IsTextDocument(FileName)) return nullptr;
  QString path = FileName;
  if (IsFile) {
    if (!CheckRegularFile(FileName)) return nullptr;
    path = QFileInfo(FileName).absoluteFilePath();
  }
  const bool imported = IsFile && IsImportedDocument(path);
  const QString name = Documents::NewDocumentName(LangText(QStringLiteral("NewDocName")), ++DocumentCounter);
  auto* child = new TChildForm(this);
  child->setFont(font());
  child->OnModifiedChange = [this](TChildForm*) { UpdateSaveActions(); };
  const QString ext = Documents::ExtractFileExt(path);
  try {
    if (FromTemplate) {
      if (!FileName.isEmpty()) child->LoadFile(FileName);
      child->SetHighlighterForFile(QFileInfo(FileName).completeBaseName() + Kind);
      child->SetCaption(name);
    } else if (imported) {
      // The window holds HTML made from the document, so it is named like a
      // new document: a plain save must not write over the source.
      child->SetHighlighterForFile(path);
      LoadHtmlTemplate();
      child->Memo1->SetLines(NewDocSkeleton);
      child->SetCaption(name);
    } else if (IsFile) {
      child->LoadFile(path);
      child->SetCaption(path);
      child->SetHighlighterForFile(path);
    } else {
      child->SetCaption(name);
      child->Memo1->SetLines(NewDocSkeleton);
      child->SetHighlighterForFile(Kind);
    }
  } catch (const Exception& e) {
    delete child;
    ShowMessageDlg(e.Message(), 2);
    return nullptr;
  }
  MDIClient->addSubWindow(child);
  child->showMaximized();
  if (imported) ImportDocument(path, ext == u".doc", child);
  if (IsFile) AddRecentFile(path);
  AddTabFor(child, kDocumentTabImage);
  child->Memo1->setFocus();  // a new or opened document is ready for typing
  actions_.value(QStringLiteral("Save2"))->setEnabled(true);
  actions_.value(QStringLiteral("ToolButton35"))->setEnabled(true);
  actions_.value(QStringLiteral("SaveAs1"))->setEnabled(true);
  return child;
}

TChildForm* TfMain::OpenDocument(bool FromTemplate, bool IsFile, const QString& FileName) {
  const QString path = IsFile ? QFileInfo(FileName).absoluteFilePath() : FileName;
  if (options_.NoDoubles && !MDIClient->subWindowList().isEmpty()) {
    TChildForm* match = nullptr;
    for (TChildForm* c : Documents())
      if (c->Caption() == path) match = c;
    if (match) {
      if (match->isMinimized()) match->showNormal();
      MDIClient->setActiveSubWindow(match);
      AddRecentFile(path);
      return match;
    }
  }
  return CreateDocument(FromTemplate, IsFile, QString(), FileName);
}

void TfMain::AddRecentFile(const QString& path) {
  // The list holds one path a line: a name with a line break in it stays out.
  if (path.contains(u'\n') || path.contains(u'\r')) return;
  try {
    RecentFiles::Write(Documents::AddRecentEntry(RecentFiles::Read(), path));
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  RecentFiles2->clear();
  BuildRecentMenu();
}

void TfMain::BuildRecentMenu() {
  RecentFiles2->clear();
  int position = 0;
  for (const QString& path : RecentFiles::Read()) {
    if (!QFileInfo(path).isFile()) continue;
    if (position == Documents::MaxRecentFiles) break;
    QString shown = path;
    shown.replace(u'&', QStringLiteral("&&"));
    QAction* item = RecentFiles2->addAction(QString::number(position + 1) + QStringLiteral("  ") + shown);
    item->setData(path);  // the path itself, never read back from the caption
    connect(item, &QAction::triggered, this, [this, item] { RecentFileClick(item); });
    ++position;
  }
}

void TfMain::RecentFileClick(QAction* sender) { OpenDocument(false, true, sender->data().toString()); }

QString TfMain::StartFolder() const { return QFileInfo(LastFolder).isDir() ? LastFolder : QDir::homePath(); }

namespace {

// File types of the open and save dialogs: the module key of the caption, the
// patterns, and the extensions a document of the type is saved with.
struct TFileType {
  const char* key;
  const char* patterns;
};
constexpr TFileType kFileTypes[] = {
    {"FltWebPages", "*.html *.htm *.xhtml *.shtml *.php *.php3 *.phtml *.inc *.xml *.xsl *.xslt *.dtd *.xsd"},
    {"FltStyleSheets", "*.css"},
    {"FltScripts", "*.js *.vbs *.sql"},
    {"FltAllFiles", "*"},
};

// The extension a document with the highlighter `code` is saved with.
QString ExtensionForHighlighter(const QString& code) {
  static const QHash<QString, QString> extensions = {
      {"CSS", ".css"}, {"JS", ".js"}, {"PHP", ".php"}, {"XML", ".xml"}, {"SQL", ".sql"}, {"VBS", ".vbs"}};
  return extensions.value(code, QStringLiteral(".html"));
}

}  // namespace

QStringList TfMain::DocumentFilters() const {
  QStringList filters;
  for (const TFileType& t : kFileTypes)
    filters << LangText(QLatin1String(t.key)) + QStringLiteral(" (") + QLatin1String(t.patterns) + u')';
  return filters;
}

QString TfMain::ProposedSaveName(const QString& name, const QString& highlighter) {
  if (!QFileInfo(name).suffix().isEmpty()) return name;
  return name + ExtensionForHighlighter(highlighter);
}

void TfMain::PrepareSaveDialog(QFileDialog& dialog, const TChildForm& document, bool SaveAs) {
  const QString proposed = ProposedSaveName(document.PanelText(3), document.CheckedHighlighter());
  const QStringList filters = DocumentFilters();
  dialog.setNameFilters(filters);
  const QString pattern = u'*' + Documents::ExtractFileExt(proposed);
  for (int i = 0; i < std::ssize(kFileTypes); ++i) {
    if (QString::fromLatin1(kFileTypes[i].patterns).split(u' ').contains(pattern) || i + 1 == std::ssize(kFileTypes)) {
      dialog.selectNameFilter(filters[i]);
      break;
    }
  }
  // A name typed without an extension gets the document's.
  dialog.setDefaultSuffix(QFileInfo(proposed).suffix());
  dialog.setDirectory(StartFolder());
  // The next open or save dialog starts where this one saved.
  connect(&dialog, &QFileDialog::fileSelected, this,
          [this](const QString& file) { LastFolder = QFileInfo(file).absolutePath(); });
  const bool saved = QFileInfo(document.PanelText(3)).isFile();
  if (!SaveAs || !saved) dialog.selectFile(proposed);
}

bool TfMain::SaveDocument(bool SaveAs) {
  TChildForm* c = ActiveDocument();
  if (!c) return false;
  if (!SaveAs && QFileInfo(c->PanelText(3)).isFile()) {
    try {
      if (!c->SaveFile()) return false;
    } catch (const Exception& e) {
      ShowMessageDlg(e.Message(), 2);
      return false;
    }
    AddRecentFile(c->Caption());
    UpdateSaveActions();
    return true;
  }
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("SaveDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  PrepareSaveDialog(dialog, *c, SaveAs);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString name = dialog.selectedFiles().first();
  const QString old = c->Caption();
  c->SetCaption(name);
  try {
    if (!c->SaveFile()) {
      c->SetCaption(old);
      return false;
    }
  } catch (const Exception& e) {
    c->SetCaption(old);
    ShowMessageDlg(e.Message(), 2);
    return false;
  }
  MDITab1->SetTabCaption(MDITab1->IndexOf(c), TMDITab::FileNamePart(name));
  MDITab1->setTabToolTip(MDITab1->IndexOf(c), name);
  AddRecentFile(name);
  UpdateSaveActions();
  return true;
}

void TfMain::SaveAllExecute() {
  QMdiSubWindow* remembered = MDITab1->ActiveForm();
  for (TChildForm* c : Documents()) {
    if (c->isMinimized()) c->showNormal();
    MDIClient->setActiveSubWindow(c);
    SaveDocument(false);
  }
  if (remembered) {
    MDITab1->setCurrentIndex(MDITab1->IndexOf(remembered));
    MDIClient->setActiveSubWindow(remembered);
  }
}

void TfMain::CloseAllExecute() { MDITab1->CloseAll(); }

void TfMain::Documenttortf1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcExporterRTF exporter;
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("SaveDialog2"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(exporter.DefaultFilter().section(u'|', 0, 0));
  dialog.setDefaultSuffix(QStringLiteral("rtf"));
  dialog.setDirectory(StartFolder());
  dialog.selectFile(QFileInfo(c->Caption()).completeBaseName() + QStringLiteral(".rtf"));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  // The document is exported as it is shown: its own highlighter (none: plain
  // text) and its editor's font.
  exporter.Font = c->Memo1->Font();
  exporter.SetHighlighter(c->Memo1->Highlighter());
  exporter.ExportAll(c->Memo1->Lines());
  QString error;
  if (!exporter.SaveToFile(dialog.selectedFiles().first(), &error)) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("ExpError")), error}), 2);
    return;
  }
  ShowMessageDlg(LangText(QStringLiteral("ExpComp")), 0);
}

void TfMain::PrintDocument1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcEdit* editor = c->Memo1;
  const bool whole = !editor->SelAvail() || ShowMessageDlg(LangText(QStringLiteral("PrDoc")), 1) == 6;
  TfPrintdoc dialog(this);
  TSrcEditPrint& print = dialog.SrcEditPrint1;
  print.Title = print.DocTitle = QFileInfo(c->Caption()).fileName();
  print.SetFont(editor->Font());
  print.TabWidth = editor->TabWidth();
  QStringList lines;
  for (int i = 0; i < editor->Lines().Count(); ++i) lines << editor->Lines().Get(i);
  print.SetLines(lines);
  // The selection is printed from the whole text, so that its colours and
  // line numbers are those of the document.
  print.SelectedOnly = !whole;
  if (!whole) print.SetSelection(editor->BlockBegin(), editor->BlockEnd(), editor->SelectionMode());
  print.SetHighlighter(editor->Highlighter());
  Prompts().ExecModal(dialog);
}

void TfMain::ActionOpenExecute() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(StartFolder());
  dialog.setNameFilters(DocumentFilters());
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  LastFolder = dialog.directory().absolutePath();  // the next dialog starts here
  QStringList images;
  for (const QString& file : dialog.selectedFiles()) {
    if (Documents::IsImageFile(file))
      images << file;
    else
      OpenDocument(false, true, file);
  }
  if (!images.isEmpty()) OpenImages(images);
}

void TfMain::New1Click() {
  if (AppServices().DocumentManager)
    AppServices().DocumentManager(*this);
  else
    ToolButton33Click();
}

void TfMain::ToolButton33Click() {
  LoadHtmlTemplate();
  CreateDocument(false, false, QStringLiteral("HTML"), QString());
}

// ------------------------------------------------------------ hand-over

void TfMain::OpenImages(const QStringList& files, const QString& folder) {
  if (files.isEmpty() && folder.isEmpty()) return;
  QMdiSubWindow* browser =
      AppServices().ImageBrowser ? AppServices().ImageBrowser(files) : OpenImageBrowser(*this, files);
  if (!browser) return;
  if (files.isEmpty()) {  // the folder holds none: the browser says so
    const QString none = ComposeText({LangText(QStringLiteral("ImgNoPictures")), QDir::toNativeSeparators(folder)});
    if (auto* images = qobject_cast<TfImageBrowser*>(browser)) images->StatusBar1->showMessage(none);
    browser->setStatusTip(none);
  }
  MDIClient->addSubWindow(browser);
  browser->showMaximized();
  AddTabFor(browser, kImageBrowserTabImage);
}

TImageList* TfMain::TabImages() {
  if (tabImages_) return tabImages_;
  tabImages_ = new TImageList(16, 16, this);
  for (int i = 0; i <= kImageBrowserTabImage; ++i) {
    const char* name = i == kDocumentTabImage      ? "text-html"
                       : i == kImageBrowserTabImage ? "image-x-generic"
                                                    : nullptr;
    tabImages_->Add(name ? ThemeIcon(QLatin1String(name)).pixmap(16, 16).toImage() : QImage());
  }
  return tabImages_;
}

void TfMain::AddTabFor(QMdiSubWindow* window, int imageIndex) {
  MDITab1->SetImages(TabImages());
  MDITab1->AddChild(window, imageIndex, true);
  // The area may still list a window while it is being destroyed: the
  // commands are brought up to date once it is gone.
  connect(window, &QObject::destroyed, this, [this] {
    QMetaObject::invokeMethod(this, [this] { UpdateSaveActions(); }, Qt::QueuedConnection);
  });
}

void TfMain::WMOpenParamFile(const QString& path) {
  if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink() && !path.endsWith(u'/')) {
    OpenNewFile(path);
    return;
  }
  if (!CheckRegularFile(path)) return;
  const QString ext = Documents::ExtractFileExt(path);
  if (ext == u".doc" || ext == u".rtf") {
    ImportDocument(path, ext == u".doc", nullptr);
  } else if (Documents::IsImageFile(path)) {
    OpenImages({path});
  } else {
    OpenDocument(false, true, path);
  }
}

TChildForm* TfMain::OpenNewFile(const QString& path) {
  const QString name = QFileInfo(path).absoluteFilePath();
  if (!Documents::IsTextDocument(name)) return nullptr;  // refused as an existing file would be
  // An empty document (not the skeleton of the next new one) named `name`.
  const QStringList skeleton = std::exchange(NewDocSkeleton, {});
  TChildForm* c = CreateDocument(false, false, Documents::ExtractFileExt(name), QString());
  NewDocSkeleton = skeleton;
  if (!c) return nullptr;
  c->SetCaption(name);
  MDITab1->SetTabCaption(MDITab1->IndexOf(c), TMDITab::FileNamePart(name));
  MDITab1->setTabToolTip(MDITab1->IndexOf(c), name);
  return c;
}

void TfMain::WMDropFiles(const QStringList& files) {
  QStringList images;
  for (const QString& file : files) {
    if (!CheckRegularFile(file)) continue;
    const QString ext = Documents::ExtractFileExt(file);
    if (ext == u".doc" || ext == u".rtf") {
      ImportDocument(file, ext == u".doc", nullptr);
    } else if (Documents::IsImageFile(file)) {
      images << file;
    } else {
      OpenDocument(false, true, file);
    }
  }
  if (!images.isEmpty()) OpenImages(images);
}

void TfMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfMain::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  event->acceptProposedAction();
  WMDropFiles(files);
}

// ------------------------------------------------------------ small commands

void TfMain::GotoLine(TChildForm* child) {
  QString text;
  if (!child || !AskLineNumber(this, text)) return;
  int line = 0;
  if (Documents::CheckGotoLine(text, child->Memo1->Lines().Count(), line) != Documents::TGotoCheck::Ok) {
    ShowMessageDlg(
        ComposeText({LangText(QStringLiteral("NoLines")), text.trimmed(), LangText(QStringLiteral("NoLines2"))}), 0);
    return;
  }
  child->HighlightLine = line;
  child->Memo1->SetCaretXY(TPoint{child->Memo1->CaretX(), line});
  child->Memo1->viewport()->update();
  child->Memo1->setFocus();
}

void TfMain::Wordwrap1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcEdit* e = c->Memo1;
  const QStringList wrapped = Documents::WrapLines(e->Lines().ToStringList(), e->CharsInWindow());
  if (wrapped == e->Lines().ToStringList()) return;
  // One change that undo takes back whole; the document counts as changed.
  e->SelectAll();
  e->SetSelText(wrapped.join(QStringLiteral("\r\n")));
}

void TfMain::FTPExecute() {
  const QString path = Settings::Open().ReadString(QStringLiteral("FTP"), QStringLiteral("Path"), QString());
  if (path.isEmpty()) {  // the options screen names the program
    ShowOptions(3, 0);
    return;
  }
  if (QFileInfo(path).isFile()) {
    if (!Launcher().Start(path, {}))
      ShowMessageDlg(LangText(QStringLiteral("FtpLoadError")) + QStringLiteral("\n\r") + path, 0);
    return;
  }
  ShowMessageDlg(LangText(QStringLiteral("FtpLoadError")) + QStringLiteral("\n\r") + path, 0);
}

void TfMain::OpenHelp() {
  QString path = Settings::HelpPath();
  // A help file named in older settings that is not there gives way to the manual shipped with the program.
  if (!QFileInfo(path).isFile() && QFileInfo(Settings::DefaultHelpPath()).isFile()) path = Settings::DefaultHelpPath();
  if (!QFileInfo(path).isFile()) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoOpenFile")), path}), 2);
    return;
  }
  OpenInBrowser(path);
}

bool TfMain::OpenInBrowser(const QString& target) {
  const QString browser = Settings::Open().ReadString(QStringLiteral("WEB"), QStringLiteral("Path"), QString());
  const TShownIn shown = ShowInBrowser(target, browser, [this](const QUrl& url) { return OpenOwnBrowser(url); });
  if (shown != TShownIn::Nothing) return true;
  const QString key = QFileInfo::exists(target) ? QStringLiteral("NoOpenFile") : QStringLiteral("NoOpenAddress");
  const QString reason = BrowserModuleError();
  ShowMessageDlg(ComposeText({LangText(key), target}) +
                     (reason.isEmpty() ? QString() : u'\n' + reason),
                 2);
  return false;
}

QMdiSubWindow* TfMain::OpenOwnBrowser(const QUrl& url) {
  auto* browser = new TEmbeddedBrowser;
  browser->View();
  if (!browser->HasEngine()) {  // no engine: the caller says so
    delete browser;
    return nullptr;
  }
  auto* window = new QMdiSubWindow;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("OwnBrowser"));
  window->setWidget(browser);
  window->setWindowTitle(url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.toString());
  browser->Go(url.toString());
  MDIClient->addSubWindow(window);
  window->showMaximized();
  AddTabFor(window, kDocumentTabImage);
  return window;
}

void TfMain::ShowOptions(int page, int innerPage) {
  ++DocumentCounter;
  OpenOptionsScreen(this, page, innerPage);
}

void TfMain::ChooseNewSkeleton(TNewSkeleton skeleton) {
  switch (skeleton) {
    case TNewSkeleton::Empty: NewDocSkeleton.clear(); break;
    case TNewSkeleton::Html: LoadHtmlTemplate(); break;
    case TNewSkeleton::Php: LoadPhpTemplate(); break;
    case TNewSkeleton::Css: LoadCssTemplate(); break;
    case TNewSkeleton::Xhtml: LoadXhtmlTemplate(); break;
  }
}

void TfMain::ReloadCodeInsideLists() {
  for (TChildForm* c : Documents()) c->LoadCodeTemplates();
  ShowMessageDlg(LangText(QStringLiteral("CCUpARLstb")), 0);
}

void TfMain::SendEmail() {
  if (!Launcher().Open(QStringLiteral("mailto:")))
    ShowMessageDlg(LangText(QStringLiteral("NoMailProgram")), 2);
}

bool TfMain::OpenWithProgram(const QString& program, const QString& file) {
  if (Launcher().Start(program, {file})) return true;
  ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoProgramStart")), program}), 2);
  return false;
}

void TfMain::previewExecute() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  c->PageControl1->setCurrentIndex(c->PageControl1->currentIndex() == 0 ? 1 : 0);
}

void TfMain::nopreviewExecute() {
  if (TChildForm* c = ActiveDocument()) c->PageControl1->setCurrentIndex(0);
}
