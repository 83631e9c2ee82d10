// What documents, dialogs and panes may ask of the main window: the active
// document, opening documents and pictures, running a program, the shared
// commands, the code-library lists, going to a line and the options the
// window follows. They are handed a host when they are made and never reach
// the concrete window. The few events that several parts follow come through
// one signals object.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QWidget;
class TChildForm;
class IAppHost;
struct TAppOptions;

// Events that the options screen and the panes announce and the main window
// follows.
class TAppSignals : public QObject {
  Q_OBJECT
 signals:
  // Another language module was loaded.
  void LanguageChanged();
  // The user interface's character set may have changed.
  void CharsetChanged();
  // browserlist.dat was written.
  void BrowserListChanged();
  // recentfiles.dat was removed.
  void RecentFilesCleared();
  // Another tag-library file was chosen.
  void TagLibraryChosen(const QString& file);
};

// The skeletons a new document can start with.
enum class TNewSkeleton { Empty, Html, Php, Css, Xhtml };

class IAppHost {
 public:
  virtual ~IAppHost() = default;

  // The window dialogs are shown over and take their font from.
  virtual QWidget* HostWindow() = 0;
  // The document area, with every document and image-browser window.
  virtual QMdiArea* DocumentArea() const = 0;
  // The active document window; null when none is open or another kind of
  // window is active.
  virtual TChildForm* ActiveDocument() const = 0;
  // The one creator of document windows; null when nothing was opened.
  virtual TChildForm* CreateDocument(bool FromTemplate, bool IsFile, const QString& Kind, const QString& FileName) = 0;
  virtual TChildForm* OpenDocument(bool FromTemplate, bool IsFile, const QString& FileName) = 0;
  // The skeleton the next new document starts with.
  virtual void ChooseNewSkeleton(TNewSkeleton skeleton) = 0;
  // An image browser with `files`; with none, one at `folder` that says the
  // folder holds no pictures.
  virtual void OpenImages(const QStringList& files, const QString& folder = QString()) = 0;
  virtual bool OpenWithProgram(const QString& program, const QString& file) = 0;
  // A command of the menus and tool bars by its name ("Bold1", "Table1",
  // "ToolButton60", ...); null when there is none of that name.
  virtual QAction* Action(const QString& name) const = 0;
  // Replaces the selection (or puts the text in at the caret) of the active
  // document as one undoable change.
  virtual void InsertTextAtCursor(const QString& text) = 0;
  // Puts the tags around the active document's selection.
  virtual void WrapSelection(const QString& openTag, const QString& closeTag) = 0;
  // Keeps the selection a formatting command started from.
  virtual void RememberSelection(int selStart, int selEnd) = 0;
  // Reloads the code templates of every document window.
  virtual void ReloadCodeInsideLists() = 0;
  // The go-to-line prompt for `child`.
  virtual void GotoLine(TChildForm* child) = 0;
  // Shows the options screen at a page and a page inside it, as a command.
  virtual void ShowOptions(int page, int innerPage) = 0;
  // Shows or hides the side pane.
  virtual void ShowSidePane(bool show) = 0;
  // The folder the open and picture dialogs start in.
  virtual QString LastUsedFolder() const = 0;
  // The options the window follows while the program runs.
  virtual TAppOptions& Options() = 0;
  virtual TAppSignals& Signals() = 0;
};

// Windows and converters that other parts of the program provide. Where one
// is not set, its command falls back: the program's own image browser, the
// built-in import, a new HTML document instead of the document manager, the
// options screen; ShowFolder is set by the side pane when it is built.
struct TAppServices {
  // An image-browser window holding one thumbnail per file.
  std::function<QMdiSubWindow*(const QStringList& files)> ImageBrowser;
  // Imports a rich-text (`word` false) or word-processor document as HTML
  // into `target` (the active document when null).
  std::function<void(const QString& file, bool word, TChildForm* target)> Import;
  // Shows the document manager modally over `host`.
  std::function<void(IAppHost& host)> DocumentManager;
  // Shows the options screen (non-modal) at a page and a page inside it.
  std::function<void(int page, int innerPage)> OptionsScreen;
  // Opens the file manager's folder tree at `folder`.
  std::function<void(const QString& folder)> ShowFolder;
};
TAppServices& AppServices();

// The go-to-line prompt; false when it was cancelled.
bool AskLineNumber(QWidget* parent, QString& text);
