// The main window's menus and tool bars: the commands with their keys and
// pictures, the window arrangement, the bars' stored places and the captions
// in the language module's words.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <array>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/FramePictures.h"
#include "app/dialogs/ShellDialogs.h"
#include "app/dialogs/UpdateConsole.h"
#include "app/dialogs/uAbout.h"
#include "app/look/Icons.h"
#include "app/shell/Frame.h"
#include "app/sidepane/FileManagerPane.h"

namespace {
// Properties of actions and menus: the module keys of caption and hint.
constexpr const char* kLangKey = "langKey";
constexpr const char* kHintKey = "hintKey";
}  // namespace

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
  AddAction(tools, "ConfigScreen", "Options", "Ctrl+Alt+C", [this] { ShowOptions(-1, -1); });
  AddAction(tools, "TBCD", "TBCD", "", [this] { ShowOptions(4, -1); });
  AddAction(tools, "C_Lang", "C_Lang", "", [this] { ShowOptions(2, -1); });
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
  static const char* const hints[][2] = {{"ActionOpen", "TB2"},   {"ToolButton35", "TB3"},  {"PR_DOC1", "TB4"},
                                         {"Cut1", "TB21"},        {"Copy1", "TB22"},        {"LoadBrowser", "TB50"},
                                         {"ToolButton33", "TB1"}, {"Support1", "KvxSup"},   {"Italic1", "TB6"},
                                         {"Underline1", "TB7"},   {"ToolButton18", "TB51"}, {"ToolButton19", "TB31"}};
  for (const auto& h : hints) actions_.value(QLatin1String(h[0]))->setProperty(kHintKey, QLatin1String(h[1]));

  // Icons by their names in the desktop's icon theme.
  static const char* const icons[][2] = {{"New1", "document-new"},
                                         {"ToolButton33", "document-new"},
                                         {"ActionOpen", "document-open"},
                                         {"Save2", "document-save"},
                                         {"ToolButton35", "document-save"},
                                         {"SaveAs1", "document-save-as"},
                                         {"SaveAll", "document-save-all"},
                                         {"Close1", "window-close"},
                                         {"CloseAll", "window-close-all"},
                                         {"ImpRTF1", "document-import"},
                                         {"ImpDoc1", "document-import"},
                                         {"ExpDoc1", "document-export"},
                                         {"PR_DOC1", "document-print"},
                                         {"Exit1", "application-exit"},
                                         {"Undo1", "edit-undo"},
                                         {"Redo1", "edit-redo"},
                                         {"Cut1", "edit-cut"},
                                         {"Copy1", "edit-copy"},
                                         {"Paste1", "edit-paste"},
                                         {"SelectAll1", "edit-select-all"},
                                         {"GotoLine1", "go-jump"},
                                         {"WWrap1", "format-justify-fill"},
                                         {"Search1", "edit-find"},
                                         {"SearchReplace", "edit-find-replace"},
                                         {"FindNext", "go-down"},
                                         {"FindPrevious", "go-up"},
                                         {"Table1", "insert-table"},
                                         {"Bold1", "format-text-bold"},
                                         {"Italic1", "format-text-italic"},
                                         {"Underline1", "format-text-underline"},
                                         {"Center1", "format-justify-center"},
                                         {"Left1", "format-justify-left"},
                                         {"Right1", "format-justify-right"},
                                         {"ToolButton60", "preferences-desktop-font"},
                                         {"ToolButton84", "format-justify-fill"},
                                         {"ToolButton26", "format-text-direction-ltr"},
                                         {"ToolButton14", "color-picker"},
                                         {"ToolButton31", "dialog-information"},
                                         {"preview", "document-print-preview"},
                                         {"nopreview", "accessories-text-editor"},
                                         {"LoadBrowser", "web-browser"},
                                         {"ImgBrowser", "image-x-generic"},
                                         {"ToolButton22", "insert-link"},
                                         {"stFTPcl", "folder-remote"},
                                         {"ConfigScreen", "preferences-system"},
                                         {"TBCD", "text-x-script"},
                                         {"C_Lang", "preferences-desktop-locale"},
                                         {"LoadDocs1", "document-new"},
                                         {"FileMan1", "system-file-manager"},
                                         {"WCascade", "window-cascade"},
                                         {"WTile1", "window-tile-horizontally"},
                                         {"WTile2", "window-tile-vertically"},
                                         {"WArrange", "window-arrange-icons"},
                                         {"WMinimize", "window-minimize-all"},
                                         {"Help1", "help-browser"},
                                         {"DoEmail", "mail-send"},
                                         {"Support1", "help-faq"},
                                         {"MM_DoDon", "emblem-favorite"},
                                         {"UpdCheck", "system-software-update"},
                                         {"About1", "help-about"}};
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
      button->setIcon(
          ThemeIcon(drop == PopupMenu4 ? QStringLiteral("format-text-rich") : QStringLiteral("format-indent-more")));
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

void TfMain::SaveToolbarPositions() {
  Settings::TMainWindowLayout layout;
  for (int i = 0; i < 5; ++i) layout.ToolBars[i] = {ToolBars[i]->x(), ToolBars[i]->y(), ToolBars[i]->height()};
  // The folder tree's folder, where the file manager opens next time (the
  // one read at start while the pane was never built).
  const QString tree = FileManager ? FileManager->Folder() : QString();
  layout.LastFolder = !tree.isEmpty() ? tree : !sidePaneState_.folder.isEmpty() ? sidePaneState_.folder : LastFolder;
  layout.DirectoryHeight = DirectoryHeight;                 // the folder tree keeps its stored height
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
  // A bar more than half a bar lower than the row starts a new row.
  std::array<bool, 5> newRow{};
  for (int k = 1, rowTop = stored.ToolBars[order[0]].Top; k < 5; ++k) {
    const auto& bar = stored.ToolBars[order[k]];
    newRow[k] = bar.Top > rowTop + std::max(1, bar.Height / 2);
    if (newRow[k]) rowTop = bar.Top;
  }
  // Built in one row in this order: a start with nothing moved lays out no bar again.
  if (std::is_sorted(order.begin(), order.end()) && std::find(newRow.begin(), newRow.end(), true) == newRow.end())
    return;
  for (QToolBar* bar : ToolBars) removeToolBar(bar);
  for (int k = 0; k < 5; ++k) {
    if (newRow[k]) addToolBarBreak();
    addToolBar(ToolBars[order[k]]);
    ToolBars[order[k]]->show();
  }
}

namespace {
QString MenuCaption(const QString& key) {
  // Menu captions whose first letter is their accelerator.
  static const QSet<QString> accelerated = {"File",     "New",      "Open",     "Save",      "SaveAs",    "Close",
                                            "CloseAll", "Exit",     "Edit",     "Search",    "Tools",     "Info",
                                            "Window1",  "WArrange", "WCascade", "WMinimize", "InsertMenu"};
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
