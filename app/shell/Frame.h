// The main window: the one frame that holds the document windows, their tab
// strip, the menus and tool bars, and the document commands (new, open,
// save, close, recent files), the small commands it carries itself and the
// exit sequence.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>

#include "app/core/AppHost.h"
#include "app/document/Child.h"
#include "app/document/PreviewFile.h"
#include "app/options/ConfigModel.h"
#include "app/shell/MDITab.h"
#include "platform/Colors.h"

class QAction;
class QFileDialog;
class QMdiArea;
class QMenu;
class QTabWidget;
class QToolBar;
class QSplitter;
class QTabBar;
class TFileManagerPane;
class TIniFile;

class TfMain : public QMainWindow, public IAppHost {
  Q_OBJECT
 public:
  // FormCreate.
  explicit TfMain(QWidget* parent = nullptr);
  ~TfMain() override;

  // Show-time loading (runs once, just before the window first shows).
  void FormShow();
  // Runs FormShow before the window first becomes visible: the texts,
  // tool-bar places and side pane then change on hidden widgets, which
  // are laid out once when they show.
  void setVisible(bool visible) override;
  // The exit question and what is saved on Yes; false keeps the program.
  bool FormCloseQuery();

  // ---- documents
  // The only creator of document windows; null when nothing was opened.
  TChildForm* CreateDocument(bool FromTemplate, bool IsFile, const QString& Kind, const QString& FileName) override;
  TChildForm* OpenDocument(bool FromTemplate, bool IsFile, const QString& FileName) override;
  void ChooseNewSkeleton(TNewSkeleton skeleton) override;
  void LoadXhtmlTemplate();
  void LoadHtmlTemplate();
  void LoadPhpTemplate();
  void LoadCssTemplate();
  void AddRecentFile(const QString& path);
  void BuildRecentMenu();
  void RecentFileClick(QAction* sender);
  // Plain save or Save As of the active document; true when it was written.
  bool SaveDocument(bool SaveAs);
  bool ActionSaveExecute() { return SaveDocument(false); }
  bool SaveAs1Click() { return SaveDocument(true); }
  void SaveAllExecute();
  void CloseAllExecute();
  void ActionOpenExecute();
  void New1Click();
  void ToolButton33Click();

  // ---- files handed over
  // Opens a file named on the command line; a name that does not exist yet
  // becomes a new, empty document of that name.
  void WMOpenParamFile(const QString& path);
  TChildForm* OpenNewFile(const QString& path);
  void WMDropFiles(const QStringList& files);
  // An image browser with `files`; with none, one at `folder` that says the
  // folder holds no pictures (nothing opens when `folder` is empty too).
  void OpenImages(const QStringList& files, const QString& folder = QString()) override;

  // ---- small commands
  void GotoLine(TChildForm* child) override;
  void GotoLine1Click() { GotoLine(ActiveDocument()); }
  void Wordwrap1Click();
  // Exports the active document as RTF under a name asked for.
  void Documenttortf1Click();
  // Prints the active document, or its selection, through the print dialog.
  void PrintDocument1Click();
  void FTPExecute();
  // Opens the help file (Help / Path), the manual shipped in "Help" when
  // the file named there is not present.
  void OpenHelp();
  // Help and web pages: in the browser set in the options, else the
  // desktop's, else the program's own preview browser; a failure is said.
  bool OpenInBrowser(const QString& target);
  // The program's own browser as a document-area window showing `url`; null
  // when the browser engine cannot be started.
  QMdiSubWindow* OpenOwnBrowser(const QUrl& url);
  static QString SupportSite() { return QStringLiteral("https://korvex-vantar.org/support"); }
  static QString DonateSite() { return QStringLiteral("https://korvex-vantar.org/donate"); }
  // `name` with the extension of the highlighter `code` when it has none
  // (".html" without a highlighter).
  static QString ProposedSaveName(const QString& name, const QString& code);
  void SendEmail();
  bool OpenWithProgram(const QString& program, const QString& file) override;
  void previewExecute();
  void nopreviewExecute();

  // ---- previews in external browsers and imports
  // F12: the active document in the browser of WEB / Path (without one, the
  // options screen's browser page).
  void LoadBrowserExecute();
  // Fills the browser pop-up from browserlist.dat.
  void LoadBrowserList();
  void BrowserItemClick(QAction* item);
  // Deletes the external preview files this run made (only those).
  void DeleteTempFiles();
  // Imports a rich-text or word-processor document as HTML: into
  // `newDocument` (the window just made for the file) at its empty body
  // line; without one into the active document at the caret or, when the
  // user wants it or no document is open, into a new HTML document. A
  // failure names its reason; a window made for the import (`newDocument`
  // too) is closed again. False when nothing was imported.
  bool ImportRtf(const QString& path, TChildForm* newDocument);
  bool ImportWordDoc(const QString& path, TChildForm* newDocument);
  bool ImportDocument(const QString& path, bool word, TChildForm* newDocument);
  void ImportRTFExecute();
  void ImportWordExecute();

  // ---- insertion at the caret
  // Replaces the selection (or puts the text in at the caret) as one
  // undoable change, in normal selection mode whatever mode is set.
  void InsertTextAtCursor(const QString& text) override;
  // Puts the tags around the selection and selects the text between them.
  void WrapSelection(const QString& openTag, const QString& closeTag) override;
  void RememberSelection(int selStart, int selEnd) override {
    SavedSelStart = selStart;
    SavedSelEnd = selEnd;
  }
  static QString ColorToHtml(TColor color);
  // The wrapping commands by their control name ("Bold", "HeadingStyle13",
  // "AlignJustify1", ...).
  void WrapCommand(const QString& name);
  void ToolButton26Click();  // line break
  void ToolButton14Click();  // colour
  void ToolButton31Click();  // script alert box
  void Exit1Click() { close(); }
  // The Window menu's arrangements of the document windows.
  enum class TWindowArrangement { Cascade, TileHorizontally, TileVertically, ArrangeIcons, MinimizeAll };
  void ArrangeWindows(TWindowArrangement how);

  // ---- side pane (file manager, project tree, tag library)
  // Shows or hides the pane and keeps the choice (ToolBars / FileManager).
  void ShowSidePane(bool show) override;
  // Shows the pane at page `index`: 0 files, 1 projects, 2 tag library.
  void ShowSidePage(int index);
  // Turns the pane to page `index` (the tabs at its foot follow).
  void SelectSidePage(int index);
  // F8: the pictures of the file manager's folder in a new image browser.
  void ImageBrowserOnFolder();
  // Builds the pane's pages (file manager, project tree, tag library) and
  // their commands, which wait until the pane is first shown or used; once
  // the window has been shown they come with their stored state.
  void EnsureSidePane();

  // Reloads the code templates of every document window from the code
  // library and says so.
  void ReloadCodeInsideLists() override;
  // Counts the call and opens the options screen at a page and a page inside it.
  void ShowOptions(int page, int innerPage) override;

  void SaveToolbarPositions();
  void LoadToolbarPositions();
  void ApplyLanguage();
  void ApplyCharset();

  // The active document window; null when none is open or another kind of
  // window is active.
  TChildForm* ActiveDocument() const override;
  QList<TChildForm*> Documents() const;
  QAction* Action(const QString& name) const override { return actions_.value(name); }
  QWidget* HostWindow() override { return this; }
  QMdiArea* DocumentArea() const override { return MDIClient; }
  // The picture dialog browses from the file manager's folder.
  QString LastUsedFolder() const override { return FileManagerFolder(); }
  TAppOptions& Options() override { return options_; }
  TAppSignals& Signals() override { return signals_; }

  QString ProgramFolder;
  QString BuildString;
  QString ReleaseKind;
  int DocumentCounter = 0;
  int PreviewCounter = 0;
  int SavedSelStart = 0;
  int SavedSelEnd = 0;
  int UICharset = 0;
  QStringList NewDocSkeleton;
  QStringList PreviewTempFiles;
  // Where the open and save dialogs start when the file manager's folder is
  // gone: the file manager's folder of the last run at first, then the folder
  // a dialog last opened or saved in.
  QString LastFolder;
  // Height of the folder-tree pane and width of the side pane, kept from one
  // run to the next.
  int DirectoryHeight = 0;
  int FileManWidth = 0;
  QString HelpPath;
  class TProjectTree* ProjectPage = nullptr;  // side pane, page 1
  class TTagLibrary* TagPage = nullptr;       // side pane, page 2

  QMdiArea* MDIClient = nullptr;
  TMDITab* MDITab1 = nullptr;
  std::array<QToolBar*, 5> ToolBars{};  // ToolBar1, 5, 6, 7, 8
  QMenu* RecentFiles2 = nullptr;
  QWidget* Panel1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QTabWidget* PageControl2 = nullptr;
  QTabBar* TabSet1 = nullptr;               // the side pane's page tabs, at its foot
  TFileManagerPane* FileManager = nullptr;  // page 0 of the side pane
  QMenu* TabPopup = nullptr;                // the tab strip's pop-up menu
  QMenu* BrowserPop = nullptr;              // the external browsers
  QMenu* PopupMenu4 = nullptr;              // headings
  QMenu* PopupMenu2 = nullptr;              // paragraph alignment

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // A command named `name` whose caption (and hint, unless one is set
  // apart) is the module text of `key`.
  QAction* AddAction(QMenu* menu, const QString& name, const QString& key, const QString& keys,
                     std::function<void()> handler, bool later = false);
  void BuildMenusAndBars();
  void BuildSidePane();
  void ApplySidePaneLanguage();
  // Caption and hint of a command from the language module.
  void ApplyActionLanguage(QAction* action);
  // Show-time settings of the side pane: its visibility, mask and folder.
  void RestoreSidePane(const TIniFile& ini);
  // Puts the pane as the settings have it, once the window is shown.
  void StartSidePane();
  // Gives the built pages their stored state: mask, folder, projects, tags.
  void LoadSidePane();
  struct {
    bool started = false, visible = false;
    QString mask, folder;
  } sidePaneState_;
  void RestoreFolderTreeHeight();
  void UpdateSaveActions();
  // The folder the file manager shows (or will show once it is built); the
  // open, save, import and export dialogs start there.
  QString FileManagerFolder() const;
  // Registers a document or image-browser window with the tab strip; the
  // commands follow the windows left once it is gone, however it went.
  void AddTabFor(QMdiSubWindow* window, int imageIndex);
  // The tab strip's pictures, made when the first window gets its tab.
  TImageList* TabImages();
  TImageList* tabImages_ = nullptr;
  // Offers the document commands only while a document window is active.
  void UpdateDocumentCommands();
  // Refuses what is no regular file, with a message; true for a file.
  bool CheckRegularFile(const QString& path);
  // Writes the active document to a new external preview file and opens
  // it with `program`.
  void PreviewInBrowser(const QString& program);
  void BuildInsertCommands(QMenu* insert);
  bool ImportInto(const QString& path, bool word, TChildForm* newDocument);
  // LastFolder while it exists, else the home folder.
  QString StartFolder() const;
  // The name filters of the open and save dialogs: web pages, style sheets,
  // scripts and all files.
  QStringList DocumentFilters() const;
  // Sets up the save dialog for `document`: the filters, the type's
  // extension and, for a document not saved yet (and for a plain save), its
  // name with that extension.
  void PrepareSaveDialog(QFileDialog& dialog, const TChildForm& document, bool SaveAs);

  TAppOptions options_;
  TAppSignals signals_;
  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> menus_;
  QList<Preview::TPreviewFile> previewTempMade_;
  bool shown_ = false;
};
