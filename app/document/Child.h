// A document window: one open document in the main window's document area.
// Its caption is the document's path (or, before the first save, its
// new-document name). It holds the source editor with its highlighters, the
// preview page with the embedded browser, the link-check page, a status bar
// and the question asked before a modified document closes.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <array>
#include <memory>

#include "app/core/Settings.h"
#include "app/document/EmbeddedBrowser.h"
#include "app/document/PreviewFile.h"
#include "authoring/TidyRun.h"
#include "editor/SrcEdit.h"
#include "editor/SrcEditKeyCmds.h"
#include "platform/Types.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QAction;
class TSrcCustomHighlighter;
class TSrcAutoComplete;
class TTidy;
class TLinkCheckPage;
class IAppHost;

// Gives `editor` the editor options of settings.ini that every editor of
// documents and templates shares (colours, gutter, font, tab width, right
// edge, scroll hint, special characters, auto indent), with its present
// values as defaults; returns all that was read.
Settings::TEditorSettings ApplyEditorSettings(TSrcEdit& editor);
// The editor's status bar: caret position, modified, insert mode, and a
// last panel that takes the width left.
QStatusBar* EditorStatusBar(QWidget* parent, std::array<QLabel*, 4>& panels);

class TChildForm : public QMdiSubWindow, public TObject {
  Q_OBJECT
 public:
  // Applies the editor settings of settings.ini (FormCreate). Without a
  // host the window lacks the main window's shared commands.
  explicit TChildForm(IAppHost* host = nullptr, QWidget* parent = nullptr);
  ~TChildForm() override;
  const char* ClassName() const override { return "TChildForm"; }

  // The document's path or name.
  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString& caption);

  // Reads a file into the editor, keeping its line breaks and encoding for
  // the save; raises EStreamError when it cannot be read.
  void LoadFile(const QString& fileName);
  // Writes the editor's lines to the file the caption names, atomically, in
  // the line-break style and encoding the text was read with, and clears the
  // modified state; true when written. Where only writing in place keeps the
  // folder's, the links' or the owner's terms, it asks first; No saves
  // nothing (false). Raises EStreamError (the old file stays) on failure.
  bool SaveFile();
  // When the document's file was changed by another program and the document
  // has no changes of its own, offers to read the file again (once per change).
  void CheckDiskChange();
  // The document's file as last loaded or saved; null before either.
  class TFileWatch* DiskWatch = nullptr;
  // Remembers `fileName` as the document's file on disk, as it is now, and
  // the document's type by its name (SetDocumentKind).
  void TrackFile(const QString& fileName);

  // Attaches the highlighter the extension asks for (case-sensitive) when
  // SHigh / Enabled is set; otherwise the editor keeps none.
  void SetHighlighterForFile(const QString& name);
  // Ticks the highlighter item of `code` ("HTML", "PHP", "CSS", "VBS", "JS",
  // "SQL", "XML") and unticks the others.
  void CheckHighlighterMenu(const QString& code);
  QString CheckedHighlighter() const;
  // 0 normal, 1 line, 2 column: ticks the item and writes SelectionMode / Set.
  void SetSelectionModeSetting(int mode);

  void ApplyLanguage();
  // Writes the editor text to a new preview file and shows it in the browser.
  // When the document's folder takes no new file, the preview goes to a
  // private temporary folder and its links still resolve in the document's
  // folder. A failure is reported; the document is not touched.
  void ShowPreview();
  // Deletes every preview file this window made (and only those); errors
  // are ignored.
  void DeletePreviewFiles();

  // Search and replace: the dialog (replace: the replace dialog) and then a
  // run with the shared search state; a search text with a line break is
  // refused with a message.
  void ShowSearchDialog(bool replace);
  // One run of the editor's search (and replace) with the shared state;
  // nothing found: a beep, the notice and the selection collapsed.
  void DoSearchReplace(bool replace, bool backwards);
  // The question before a replacement; a text replaced by itself is skipped
  // without asking.
  TSrcReplaceAction Memo1ReplaceText(const QString& search, const QString& replace, int line, int column);
  // False until this window's first search: that one covers the whole text
  // unless it starts from the caret.
  bool SearchStarted = false;

  // The link check on the "Verify Links" page (brought forward).
  void vfLinksClick();
  // HTML Tidy: check (lists the reports), repair and force (replace the
  // text by Tidy's output as one undoable change; never by nothing). Tidy
  // runs in a process of its own; meanwhile the window stays responsive
  // (busy cursor, a status text, Stop) and the editor read-only. A page
  // Tidy cannot finish gives a message and changes nothing. Tidy makes a
  // whole HTML page of what it reads, so it works on pages only: on any
  // other document (a picture, XML, plain text, a style sheet or a script),
  // and on a page read as a style sheet, script, SQL or XML (by the
  // highlighter chosen), the commands are disabled and do nothing.
  void CheckHTMLExecute();
  void RepairExecute();
  void ForceExecute();
  // Whether the Tidy commands apply to the document: a page, highlighted
  // as one or with no highlighter.
  bool TidyApplies() const;
  // The document's type by `name`: its file's name, or for a new document
  // the name of the kind it is made as (".html", ".php", ...). Only an HTML
  // or PHP page (Documents::IsPageName) is one for Tidy. A window starts as
  // a page; a file read or saved sets the type by its name.
  void SetDocumentKind(const QString& name);
  // Adds one Tidy report to the list (once); configuration reports are
  // gathered and shown together when the command ends.
  void Tidy1Report(int level, unsigned line, unsigned col, const QString& msg);
  // The same for many reports, added to the list in one go. The list holds
  // at most kTidyMaxReports of them: returns how many were not listed (no
  // room, or the same line is there already).
  qsizetype AddTidyReports(const QList<TTidyReport>& reports);
  // Whether a Tidy command is running (its reports still being listed
  // included); Stop ends it and drops its result.
  bool TidyRunning() const;
  void StopTidy();
  // Marks the line a report names and goes to its column.
  void Memo2DblClick();
  // (Re)reads tidyconfig.ini of the program folder into the Tidy object.
  void LoadTidyConfig();

  // The close question (FormCloseQuery): true when the window may close.
  bool FormCloseQuery();

  // Pop-up commands.
  void InsertFixedText(const QString& text);
  void Commenttext1Click();
  // (Re)reads the code templates of CodeC/codeinside.dci; without the file
  // the list is empty.
  void LoadCodeTemplates();
  // The main window's go-to-line question, for this window.
  void GotoLine1Click();
  void Setdocumentinlowercase1Click();
  // Replaces the whole text by `text` as one undoable change (word wrap,
  // lower case); the caret keeps its line and column and the view its first
  // line, as far as the new text reaches.
  void ReplaceTextInPlace(const QString& text);
  void ToggleInsertMode();
  void ChangeFontSize(int delta);

  bool Modified = false;
  // Set by the main window once the close was agreed to, so it is not asked twice.
  bool CloseApproved = false;
  // The line marked by going to a line or to a Tidy report (-1: none). A
  // click in the text or the caret leaving the line ends the mark; a
  // selection on the line is drawn as a selection.
  int HighlightLine = -1;
  QString PreviewName;
  QString PreviewPath;
  QStringList PreviewFiles;
  QString DocStatusNow, DocStateI, DocStateO;

  QTabWidget* PageControl1 = nullptr;
  TSrcEdit* Memo1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 4> Panels{};
  QWidget* TidyPanel = nullptr;
  QListWidget* Memo2 = nullptr;
  TEmbeddedBrowser* wb = nullptr;
  QLineEdit* Edit1 = nullptr;
  QStatusBar* StatusBar2 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QMenu* HighlighterMenu = nullptr;
  QMenu* SelectionMenu = nullptr;
  std::array<QAction*, 3> SelectionItems{};
  TSrcCustomHighlighter* SrcHTMLHighlighter1 = nullptr;
  std::unique_ptr<TTidy> Tidy1;
  // Shown while Tidy runs: the status text and Stop.
  QLabel* TidyStatus = nullptr;
  QToolButton* TidyStop = nullptr;
  TLinkCheckPage* LinkPage = nullptr;
  // The code templates of CodeC/codeinside.dci, expanded with Ctrl+J.
  TSrcAutoComplete* AutoComplete = nullptr;

  // Told when the modified state changes (the main window enables Save).
  std::function<void(TChildForm*)> OnModifiedChange;

  // Status panel texts.
  QString PanelText(int index) const;
  static QString CaretText(int line, int column);

 protected:
  // Keys of the main window's commands go to those commands first; other
  // keys the editor has a command for go to the editor.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildEditorPage();
  void BuildPreviewPage();
  void ApplySettings();
  // Puts the preview tool bar and its address box at the offsets of
  // previewBar_ (each inside a holder whose margins are the offsets).
  void PlacePreviewBar();
  void Memo1Change();
  void Memo1StatusChange(TSrcStatusChanges changes);
  void AttachHighlighter(const QString& code);
  // The Tidy commands of the editor tool bar and the Tidy object.
  void BuildTidyCommands(class QToolBar* bar);
  // Runs one Tidy command, then shows the configuration reports it raised.
  void RunTidyCommand(const std::function<void()>& command);
  // Starts Tidy on `source` with Tidy1's options; `then` gets the output
  // (empty without `wantOutput`) once it is done and its reports are listed
  // (not after Stop, nor when Tidy could not finish).
  void StartTidy(const QString& source, bool wantOutput, std::function<void(const QString&)> then);
  // Lists the next reports of a finished run, for a moment of the event
  // loop at most; the next turn goes on. The last one adds the line that
  // counts the reports left out and hands on the output.
  void ListTidyReports();
  // Back to idle; shows what the command found.
  void EndTidy();
  // Enables the Tidy commands where they apply and no command runs.
  void UpdateTidyCommands();
  // The list line of a report; empty for configuration reports (gathered).
  QString TidyReportLine(int level, unsigned line, unsigned col, const QString& msg);
  QStringList tidyConfigReports_;
  TTidyRun* tidyRun_ = nullptr;
  // While Tidy runs: the busy cursor and the read-only editor.
  QObject* tidyBusy_ = nullptr;
  // The lines in Memo2, for the duplicate check.
  QSet<QString> tidyListed_;
  // A finished run's reports being listed, how many are listed, how many
  // were left out, and what follows once they are (null when none are).
  QList<TTidyReport> tidyToList_;
  qsizetype tidyListedUpTo_ = 0;
  qint64 tidyLeftOut_ = 0;
  std::function<void()> tidyAfterList_;
  class QTimer* tidyListTimer_ = nullptr;
  // The document is an HTML or PHP page (SetDocumentKind).
  bool page_ = true;

  struct Highlighters;
  IAppHost* host_ = nullptr;
  std::unique_ptr<Highlighters> highlighters_;
  QList<QAction*> highlighterItems_;
  TSrcEditKeyStrokes editorKeys_;
  bool shown_ = false;
  Settings::TPreviewBarLayout previewBar_;
  // Height of the Tidy panel as last seen or stored; 0 while unknown.
  int tidyPanelSize_ = 0;
  QList<Preview::TPreviewFile> previewsMade_;
};
