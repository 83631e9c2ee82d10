// The source-text editor control: text, caret and selection in three modes,
// undo and redo, text replacement and the clipboard. Everything here works
// without a visible window; painting and input live in their own files.
// The control's members are defined by concern: SrcEdit.cpp (set-up, state,
// caret, selection), SrcEditReplace.cpp, SrcEditClipboard.cpp,
// SrcEditUndoReplay.cpp, SrcEditLineLengths.cpp (lengths and offsets), and
// the files named at the sections below.
#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QFont>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

#include "editor/SrcEditColors.h"
#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditKeyCmds.h"
#include "editor/SrcEditMarks.h"
#include "editor/SrcEditMiscClasses.h"
#include "editor/SrcEditSearch.h"
#include "editor/SrcEditTextBuffer.h"
#include "editor/SrcEditTypes.h"
#include "editor/SrcEditUndo.h"
#include "editor/SrcTextDrawer.h"
#include "platform/Colors.h"
#include "platform/Types.h"

class QPainter;
class QMimeData;
class QTimer;
class TSrcEditKbdHandler;

// Line lengths in an array with a gap at the place of the last change, so
// that adding or removing lines near it moves few entries.
class TLineLengths {
 public:
  int Count() const { return count_; }
  int At(int i) const { return store_[i < gapStart_ ? i : i + Gap()]; }
  int& At(int i) { return store_[i < gapStart_ ? i : i + Gap()]; }
  // Opens `n` entries at `index` (their values are left to the caller).
  void Insert(int index, int n);
  void Erase(int index, int n);
  void Clear();
  void Resize(int n);

 private:
  int Gap() const { return static_cast<int>(store_.size()) - count_; }
  void MoveGap(int index);
  std::vector<int> store_;
  int gapStart_ = 0;
  int count_ = 0;
};

// Editor options: bit values in the order of their bit numbers.
enum TSrcEditorOption : std::uint32_t {
  eoAltSetsColumnMode = 1u << 0,
  eoAutoIndent = 1u << 1,
  eoAutoSizeMaxLeftChar = 1u << 2,
  eoDisableScrollArrows = 1u << 3,
  eoDragDropEditing = 1u << 4,
  eoDropFiles = 1u << 5,
  eoEnhanceHomeKey = 1u << 6,
  eoGroupUndo = 1u << 7,
  eoHalfPageScroll = 1u << 8,
  eoHideShowScrollbars = 1u << 9,
  eoKeepCaretX = 1u << 10,
  eoNoCaret = 1u << 11,
  eoNoSelection = 1u << 12,
  eoRightMouseMovesCursor = 1u << 13,
  eoScrollByOneLess = 1u << 14,
  eoScrollHintFollows = 1u << 15,
  eoScrollPastEof = 1u << 16,
  eoScrollPastEol = 1u << 17,
  eoShowScrollHint = 1u << 18,
  eoShowSpecialChars = 1u << 19,
  eoSmartTabDelete = 1u << 20,
  eoSmartTabs = 1u << 21,
  eoSpecialLineDefaultFg = 1u << 22,
  eoTabIndent = 1u << 23,
  eoTabsToSpaces = 1u << 24,
  eoTrimTrailingSpaces = 1u << 25,
};
using TSrcEditorOptions = std::uint32_t;
inline constexpr TSrcEditorOptions SRCEDIT_DEFAULT_OPTIONS = eoAutoIndent | eoDragDropEditing | eoGroupUndo |
                                                             eoScrollPastEol | eoShowScrollHint | eoSmartTabDelete |
                                                             eoSmartTabs | eoTabsToSpaces | eoTrimTrailingSpaces;

// State flags.
enum TSrcStateFlag : std::uint16_t {
  sfCaretChanged = 1,
  sfScrollbarChanged = 2,
  sfLinesChanging = 4,
  sfIgnoreNextChar = 8,
  sfCaretVisible = 16,
  sfDblClicked = 32,
  sfPossibleGutterClick = 64,
  sfWaitForDragging = 128,
  sfRedoInProgress = 256,
};
using TSrcStateFlags = std::uint16_t;

enum TSrcStatusChange : std::uint16_t {
  scAll = 1,
  scCaretX = 2,
  scCaretY = 4,
  scLeftChar = 8,
  scTopLine = 16,
  scInsertMode = 32,
  scModified = 64,
  scSelection = 128,
  scReadOnly = 256,
};
using TSrcStatusChanges = std::uint16_t;

enum TSrcEditCaretType : std::uint8_t { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum TSrcScrollHintFormat : std::uint8_t { shfTopLineOnly, shfTopToBottom };
enum TScrollStyle : std::uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TSrcReplaceAction : std::uint8_t { raCancel, raSkip, raReplace, raReplaceAll };
enum TTransientType : std::uint8_t { ttBefore, ttAfter };

// Options of SearchReplace, as one byte.
enum TSrcSearchOption : std::uint8_t {
  ssoMatchCase = 1,
  ssoWholeWord = 2,
  ssoBackwards = 4,
  ssoEntireScope = 8,
  ssoSelectedOnly = 16,
  ssoReplace = 32,
  ssoReplaceAll = 64,
  ssoPrompt = 128,
};
using TSrcSearchOptions = std::uint8_t;

// The window framework's standard edit actions, executed on the editor.
enum TSrcEditAction : std::uint8_t { eaCut, eaCopy, eaPaste, eaDelete, eaUndo, eaSelectAll };

class TCustomSrcEdit;

// An object attached to an editor that is told of line insertions and
// deletions and may paint over the text area.
class TSrcEditPlugin {
 public:
  explicit TSrcEditPlugin(TCustomSrcEdit* owner);
  virtual ~TSrcEditPlugin();
  TSrcEditPlugin(const TSrcEditPlugin&) = delete;
  TSrcEditPlugin& operator=(const TSrcEditPlugin&) = delete;
  TCustomSrcEdit* Editor() const { return owner_; }

 protected:
  friend class TCustomSrcEdit;
  virtual void AfterPaint(QPainter&, const QRect&, int /*firstLine*/, int /*lastLine*/) {}
  virtual void LinesInserted(int /*firstLine*/, int /*count*/) {}
  virtual void LinesDeleted(int /*firstLine*/, int /*count*/) {}

 private:
  TCustomSrcEdit* owner_;
};

// What a command carries besides its character: a position (goto, markers)
// or a string (the input method's text).
using TSrcCommandData = std::variant<std::monostate, TPoint, QString>;

// (editor, after processing, handled, command, character, data, handler data)
using THookedCommandEvent = TMethod<TObject*, bool, bool&, TSrcEditorCommand&, QChar&, const TSrcCommandData*, void*>;

struct THookedCommandHandlerEntry {
  THookedCommandEvent event;
  void* data = nullptr;
};

// The private clipboard format: one mode byte, the text (UTF-8), one NUL.
inline const char* const kSrcEditClipboardFormatName = "SrcEdit Control Block Type";
inline const char* const kSrcEditClipboardMimeType = "application/x-srcedit-control-block-type";
QByteArray EncodeSrcEditBlock(TSrcSelectionMode mode, const QString& text);
// Reads private clipboard data: false for empty data; a mode outside 0..2
// reads as normal; the text ends at the first NUL or at the end of the data.
bool DecodeSrcEditBlock(const QByteArray& data, TSrcSelectionMode& mode, QString& text);

// The editor's font when none is given, of `pointSize` points: Courier New
// where it is installed, else the desktop's fixed-pitch font, else the font
// the system matches to a fixed-pitch request, else any fixed-pitch family.
// (A desktop's settings may name a proportional font as its fixed one.)
QFont DefaultEditorFont(int pointSize = 10);

class TCustomSrcEdit : public QAbstractScrollArea, public TObject {
  Q_OBJECT
 public:
  explicit TCustomSrcEdit(QWidget* parent = nullptr);
  ~TCustomSrcEdit() override;
  const char* ClassName() const override { return "TCustomSrcEdit"; }

  // ---- text
  TSrcEditStringList& Lines() { return *lines_; }
  const TSrcEditStringList& Lines() const { return *lines_; }
  void SetLines(const QStringList& lines);
  QString Text() const;
  void SetText(const QString& text);
  QString LineText() const;
  void SetLineText(const QString& value);
  void ClearAll();

  // ---- caret
  TPoint CaretXY() const { return TPoint{caretX_, caretY_}; }
  int CaretX() const { return caretX_; }
  int CaretY() const { return caretY_; }
  void SetCaretX(int value) { SetCaretXY(TPoint{value, caretY_}); }
  void SetCaretY(int value) { SetCaretXY(TPoint{caretX_, value}); }
  virtual void SetCaretXY(TPoint p) { SetCaretXYEx(true, p); }
  virtual void SetCaretXYEx(bool ensureVisible, TPoint p);
  void EnsureCursorPosVisible();
  // Scrolls so that the caret and, when both fit, the other end of a
  // selection on the caret's line are on screen (found text).
  void EnsureSelectionVisible();
  // Typing that puts the caret at `p`, right of the window, scrolls ahead
  // by a step of up to 25 columns.
  void ScrollAheadOfCaret(TPoint p);

  // ---- selection
  TPoint BlockBegin() const;
  TPoint BlockEnd() const;
  void SetBlockBegin(TPoint p);
  void SetBlockEnd(TPoint p);
  bool SelAvail() const;
  TSrcSelectionMode SelectionMode() const { return selectionMode_; }
  void SetSelectionMode(TSrcSelectionMode value);
  void SelectAll();
  bool SelTabBlock() const;
  bool SelTabLine() const;
  QString GetWordAtCursor();

  // Character offsets: each line counts its length plus 2; the text starts at 1.
  int SelStart() const;
  void SetSelStart(int value);
  int SelEnd() const;
  void SetSelEnd(int value);

  // ---- text replacement (SrcEditReplace.cpp)
  QString SelText() const { return GetSelText(); }
  QString GetSelText() const;
  // Replaces the selection (or inserts at the caret) as one command: one
  // undoable change, never grouped with the typing before or after it.
  void SetSelText(const QString& text);
  // Replaces the selection by the text in normal mode, as one undoable
  // change, whatever the selection mode: a column or line block is taken
  // out as such and the text goes in at its top-left corner. Returns the
  // offset (as SelStart) where the text starts.
  int InsertFragment(const QString& text);
  // Replaces the whole text by `text` as one command (in normal mode,
  // whatever the selection mode); the caret ends after it. Undo gives back
  // the text and the caret and selection from before.
  void ReplaceWholeText(const QString& text);
  // Puts `before` and `after` around the piece of each line that a column
  // block covers, each in its own line, as one command; a line the block
  // covers no character of stays as it is. When every piece was as wide as
  // the block, the old text is selected again as a column between the tags;
  // otherwise the caret stands after the last piece, before its `after`.
  // Returns false (changing nothing) when the selection is no column block
  // over several lines.
  bool WrapColumnRows(const QString& before, const QString& after);
  // Replaces the selection by the text in the given mode. It records nothing
  // itself, except column rows while a paste runs.
  void SetSelTextPrimitive(TSrcSelectionMode mode, const QString& text);
  void ClearSelection();
  void InsertBlock(TPoint begin, TPoint end, const QString& text, bool addToUndoList);

  // ---- clipboard (SrcEditClipboard.cpp)
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanPaste() const;

  // ---- drag and drop (SrcEditClipboard.cpp; the events in SrcEditInput.cpp)
  // Whether a drag from `source` may be dropped here.
  bool CanAcceptDrop(const TCustomSrcEdit* source) const;
  // Drops the selection of `source` at `dropPos`: inside one editor a move
  // unless `ctrl`; between editors a move only with `shift`. Returns whether
  // anything was dropped.
  bool DropSelection(TCustomSrcEdit* source, TPoint dropPos, bool ctrl, bool shift);
  bool IsPointInSelection(TPoint p) const;

  // ---- standard edit actions
  bool EditActionEnabled(TSrcEditAction action) const;
  void ExecuteEditAction(TSrcEditAction action);
  // Sets `enabled` and returns true while the editor has the focus; without
  // it the action is left to other controls.
  bool UpdateEditAction(TSrcEditAction action, bool& enabled) const;

  // ---- undo and redo (SrcEditUndoReplay.cpp)
  void Undo();
  void Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  int MaxUndo() const { return undoList_.MaxUndoActions(); }
  void SetMaxUndo(int value);
  void ClearUndo();
  // Everything recorded between the outermost pair is one command: one
  // undoable change, with a group break before and after it, so that it is
  // never grouped with the typing around it. The outermost Begin remembers
  // the caret and the selection, and Undo of the command gives them back:
  // a command that selects in order to replace opens the block before it
  // selects anything.
  void BeginUndoBlock();
  void EndUndoBlock();
  void LockUndo();
  void UnlockUndo();
  TSrcEditUndoList& UndoList() { return undoList_; }
  TSrcEditUndoList& RedoList() { return redoList_; }

  // ---- state
  TSrcEditorOptions Options() const { return options_; }
  void SetOptions(TSrcEditorOptions value);
  bool HasOption(TSrcEditorOptions o) const { return (options_ & o) != 0; }
  TSrcStateFlags StateFlags() const { return stateFlags_; }
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  bool ReadOnly() const { return GetReadOnly(); }
  virtual bool GetReadOnly() const { return readOnly_; }
  virtual void SetReadOnly(bool value);
  bool InsertMode() const { return insertMode_; }
  void SetInsertMode(bool value);
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int value);
  // The widest column: the MaxLeftChar set, or the end of the longest line
  // when that lies further right.
  int MaxLeftChar() const;
  void SetMaxLeftChar(int value);
  int RightEdge() const { return rightEdge_; }
  void SetRightEdge(int value);
  TColor RightEdgeColor() const { return rightEdgeColor_; }
  void SetRightEdgeColor(TColor value);
  int ExtraLineSpacing() const { return extraLineSpacing_; }
  void SetExtraLineSpacing(int value);
  TSrcScrollHintFormat ScrollHintFormat() const { return scrollHintFormat_; }
  void SetScrollHintFormat(TSrcScrollHintFormat v) { scrollHintFormat_ = v; }
  TColor ScrollHintColor() const { return scrollHintColor_; }
  void SetScrollHintColor(TColor v) { scrollHintColor_ = v; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  TSrcEditCaretType InsertCaret() const { return insertCaret_; }
  void SetInsertCaret(TSrcEditCaretType v) { insertCaret_ = v; }
  TSrcEditCaretType OverwriteCaret() const { return overwriteCaret_; }
  void SetOverwriteCaret(TSrcEditCaretType v) { overwriteCaret_ = v; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool Pasting() const { return pasting_; }

  int TopLine() const { return topLine_; }
  void SetTopLine(int value);
  int LeftChar() const { return leftChar_; }
  void SetLeftChar(int value);
  int LinesInWindow() const { return linesInWindow_; }
  int CharsInWindow() const { return charsInWindow_; }
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  int TextOffset() const { return textOffset_; }
  int GutterWidth() const { return gutterWidth_; }
  void SetGutterWidth(int value);

  const QFont& Font() const { return font_; }
  // A font that is not fixed pitch keeps the editor's face and takes only
  // the size and style of the given font.
  void SetFont(const QFont& value);
  TSrcTextDrawer& TextDrawer() { return *textDrawer_; }
  TSrcGutter& Gutter() { return gutter_; }
  TSrcSelectedColor& SelectedColor() { return selectedColor_; }
  TSrcBookMarkOpt& BookMarkOptions() { return bookMarkOpt_; }
  TSrcEditKbdHandler& KbdHandler() { return *kbdHandler_; }

  TSrcCustomHighlighter* Highlighter() const { return highlighter_.data(); }
  void SetHighlighter(TSrcCustomHighlighter* value);

  // ---- paint lock and status
  void BeginUpdate() { IncPaintLock(); }
  void EndUpdate() { DecPaintLock(); }
  int PaintLock() const { return paintLock_; }
  // Adds changes to the pending set; reported at once outside a paint lock.
  void StatusChanged(TSrcStatusChanges changes);

  // ---- marks and bookmarks
  TSrcEditMarkList& Marks() { return marks_; }
  TSrcEditMark* Bookmark(int index) const { return index >= 0 && index < 10 ? bookmarks_[index] : nullptr; }
  void SetBookmarkSlot(int index, TSrcEditMark* mark);
  void InvalidateGutterLine(int line);
  void InvalidateLine(int line);
  void InvalidateLines(int first, int last);
  QRegion PendingInvalidRegion() const { return invalidRegion_; }

  // Marks and plug-ins follow lines inserted or deleted at `firstLine`.
  void DoLinesInserted(int firstLine, int count);
  void DoLinesDeleted(int firstLine, int count);
  // Gives each plug-in the painted area (called after the text is painted).
  void DoPluginsAfterPaint(QPainter& painter, const QRect& rect, int firstLine, int lastLine);
  int PluginCount() const { return static_cast<int>(plugins_.size()); }

  // Controls that take the focus in place of the editor (the last one).
  void AddFocusControl(QWidget* control);
  void RemoveFocusControl(QWidget* control);

  // The text position under a pixel of the text area.
  TPoint PositionAt(QPoint pixel) const;
  // The mouse cursor over a pixel: the gutter's over the gutter, the arrow
  // over a selection that can be dragged, the editor's own elsewhere.
  Qt::CursorShape CursorAt(QPoint pixel) const;

  // ---- command hooks
  void RegisterCommandHandler(const THookedCommandEvent& handler, void* handlerData);
  void UnregisterCommandHandler(const THookedCommandEvent& handler, void* handlerData);
  int CommandHandlerCount() const { return static_cast<int>(hookedCommandHandlers_.size()); }
  virtual void NotifyCommandHandlers(bool afterProcessing, TSrcEditorCommand& command, QChar& achar,
                                     const TSrcCommandData* data);

  // ---- event dispatchers
  virtual void DoOnClearBookmark(TSrcEditMark* mark);
  // The handler may replace the mark or discard it (set it to none).
  virtual void DoOnPlaceBookmark(TSrcEditMark*& mark);
  virtual void DoOnPaint(QPainter* painter);
  virtual void DoOnPaintTransientEx(TTransientType type, bool lock);
  virtual void DoOnPaintTransient(TTransientType type) { DoOnPaintTransientEx(type, false); }
  virtual TSrcReplaceAction DoOnReplaceText(const QString& search, const QString& replace, int line, int column);
  virtual bool DoOnSpecialLineColors(int line, TColor& foreground, TColor& background);
  virtual void DoOnStatusChange(TSrcStatusChanges changes);

  // ---- events
  TOnChange OnChange;
  std::function<void(TObject* sender, TSrcStatusChanges changes)> OnStatusChange;
  std::function<void(TObject* sender, TSrcEditMark* mark)> OnClearBookmark;
  std::function<void(TObject* sender, TSrcEditMark*& mark)> OnPlaceBookmark;
  std::function<void(TObject* sender, QPainter* canvas)> OnPaint;
  std::function<void(TObject* sender, QPainter* canvas, TTransientType kind)> OnPaintTransient;
  std::function<void(TObject* sender, const QString& search, const QString& replace, int line, int column,
                     TSrcReplaceAction& action)>
      OnReplaceText;
  std::function<void(TObject* sender, int line, bool& special, TColor& foreground, TColor& background)>
      OnSpecialLineColors;

  // Inserts a line break at the caret (the text right of the caret moves to
  // a new line) and records it.
  virtual void InsertLineBreak();

  // ---- rescan, bookmarks and search-and-replace driver
  // Rescans from line `index` (counted from 0; the highlighter's state is the
  // stored range of that line) until a stored state matches again; returns
  // the last line rescanned.
  int RescanRanges(int index);
  // Stores every line's start state anew, from the top.
  void RescanAll();
  // After a change only the lines the screen needs are rescanned at once;
  // the rest follows in short slices from the event loop. True while such a
  // pass is still to run.
  bool RescanPending() const { return rescanFrom_ >= 0; }
  // Brings the pending pass up to line `index` (counted from 0), so that its
  // stored start state is right; every reader of states beyond the screen
  // calls this first.
  void RescanThrough(int index);
  // Runs the pending pass to its end.
  void FinishRescan();
  // Bookmarks 0 to 9.
  void SetBookmark(int bookmark, int x, int y);
  void ClearBookmark(int bookmark);
  void GotoBookmark(int bookmark);
  bool GetBookmark(int bookmark, int& x, int& y) const;
  bool IsBookmark(int bookmark) const { return Bookmark(bookmark) != nullptr; }
  // Finds (and replaces) `search`; returns the number of hits taken.
  int SearchReplace(const QString& search, const QString& replace, TSrcSearchOptions options);
  // May hand SearchReplace an engine of its own (not owned by the editor).
  std::function<void(TObject* sender, TSrcEditSearch*& engine)> OnSearchEngineOverride;

  // ---- movement, indentation, case and brackets
  // Character column to display column (tabs expanded, wide characters two
  // cells) and back, on the point's line; a line outside the text leaves the
  // point as it is. A display column inside a wide character gives its start.
  TPoint CharToDisplayPos(TPoint p) const;
  TPoint DisplayToCharPos(TPoint p) const;
  // Word positions around the caret (the caret itself when its line does
  // not exist).
  virtual TPoint NextWordStartPos();
  virtual TPoint CurrentWordStartPos();
  virtual TPoint CurrentWordEndPos();
  virtual TPoint PrevWordStartPos();
  // Moves the caret from `before` to `after`, extending the selection or
  // collapsing it there.
  void MoveCaretWithSelection(TPoint before, TPoint after, bool extend);
  void PlaceCaretAndSelection(TPoint caret, TPoint selStart, TPoint selEnd);
  void MoveCaretHorizontally(int dx, bool extend);
  void MoveCaretVertically(int dy, bool extend);
  void DoHomeKey(bool extend);
  void DoTabKey();
  void DoShiftTabKey();
  void DoBlockIndent();
  void DoBlockUnindent();
  // ecUpperCase, ecLowerCase, ecToggleCase or ecTitleCase.
  void DoCaseChange(TSrcEditorCommand command);
  // The bracket matching the one at a position; (0, 0) for none.
  virtual TPoint GetMatchingBracket();
  virtual TPoint GetMatchingBracketAt(TPoint p, bool adjustForTabs);
  virtual void GotoMatchingBracket();
  // The highlighter's token covering a position; false without a
  // highlighter or outside the text.
  bool GetTokenAttributeAt(TPoint p, QString& token, int& tokenKind, int& start, TSrcHighlighterAttributes*& attri);
  QString GetWordAtRowCol(TPoint p) const;

  // ---- command execution
  using TProcessCommandEvent =
      std::function<void(TObject* sender, TSrcEditorCommand& command, QChar& achar, const TSrcCommandData& data)>;
  TSrcEditKeyStrokes& Keystrokes() { return keystrokes_; }
  void SetKeystrokes(const TSrcEditKeyStrokes& value) { keystrokes_ = value; }
  virtual void SetDefaultKeystrokes();
  // The command bound to a key (or to a two-key chord whose first key came
  // just before); ecNone when there is none.
  TSrcEditorCommand TranslateKeyCode(std::uint16_t key, TShiftState shift, TSrcCommandData& data);
  // Lets the host and the hooked handlers see the command, then executes it.
  virtual void ProcessCommand(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data = {});
  virtual void ExecuteCommand(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data);
  virtual void DoOnProcessCommand(TSrcEditorCommand& command, QChar& achar, const TSrcCommandData& data);
  virtual void DoOnCommandProcessed(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data);
  TProcessCommandEvent OnProcessCommand;
  TProcessCommandEvent OnProcessUserCommand;
  TProcessCommandEvent OnCommandProcessed;
  std::function<void(TObject* sender, const QString& word)> OnContextHelp;

 private:
  bool IsIdentChar(QChar c) const;
  // Leading white space of a line counted in display columns (0 without
  // eoAutoIndent); the nearest line at or above `line` that is not empty.
  int IndentWidth(const QString& line) const;
  int NearestNonEmptyLine(int line) const;
  // White space of a display width: TABs then blanks, or only blanks with
  // eoTabsToSpaces.
  QString IndentString(int width) const;
  // The indentation (display width) of the nearest line above `line` that
  // is indented less than `width`; 0 when there is none.
  int SmallerIndentAbove(int line, int width) const;
  void DoDeleteLastChar();
  void DoDeleteChar();
  // Removes the text between two positions of the caret line or across
  // lines (normal mode), records it and returns it.
  QString DeleteRange(TPoint from, TPoint to, TSrcChangeReason reason);
  // Deletes the selection as one recorded change: reason 4, or with
  // `byAnchor` reason 3 when the anchor lies after the moving end; with
  // `trim` the blanks it leaves at line ends go too.
  void DeleteSelectionRecorded(bool byAnchor, bool trim);
  // With eoTrimTrailingSpaces and eoScrollPastEol: the blanks a deletion of
  // a selection in `mode` left at the end of its lines (the caret line; in
  // column mode each line from `first` to `last`) go too, each recorded as an
  // item of its own.
  void TrimAfterDeletion(TSrcSelectionMode mode, int first, int last);
  void TrimLineEnd(int line);
  // A caret between the halves of a surrogate pair (placed by a click, the
  // host or a column deletion) steps past the pair, so no edit splits it.
  void StepCaretOutOfPair();
  void DoLineBreak(bool moveCaret);
  void DoInsertText(const QString& text);
  void DoDeleteLine();
  void DoScrollLines(int delta);
  void DoSetMarker(int index, TPoint p);
  // Inserts text in normal mode at the caret as one undoable change.
  void InsertAtCaret(const QString& text);
  // SetSelText for typing: one undoable change that groups with the typing
  // around it as its reason allows.
  void ReplaceSelText(const QString& text);
  // The characters of a line that lie in string or comment tokens.
  std::vector<char> HiddenBracketMask(int line);
  // Line height (measured in italic when any style in use is italic) and
  // character width (in bold when any is bold).
  void MeasureCharExtent();

  TSrcEditKeyStrokes keystrokes_;
  std::uint16_t lastKey_ = 0;
  TShiftState lastShift_ = 0;

 protected:
  void IncPaintLock();
  void DecPaintLock();
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Recomputes character cell, line height and the window metrics.
  void RecalcCharExtent();
  void SizeOrFontChanged(bool fontChanged);
  void UpdateScrollBars();

 private:
  friend class TSrcEditMark;
  friend class TSrcEditPlugin;

  // Line helpers (lines counted from 1).
  int LineCount() const { return lines_->Count(); }
  QString Line(int line) const { return lines_->Get(line - 1); }
  void PutLine(int line, const QString& text) { lines_->Put(line - 1, text); }
  QString TrimIfWanted(const QString& s) const;
  TPoint ClampPoint(TPoint p) const;
  int ClampColumn(int x) const;
  // A column between the halves of a surrogate pair moves to the pair's start.
  TPoint PairStart(TPoint p) const;

  // With word wrap on, every change runs on the unwrapped lines: positions
  // (and so every recorded change) count in the file's own lines, and no
  // change can put a line break where a line was only wrapped. The lines are
  // wrapped again, and caret and selection taken back to the pieces, when
  // the outermost change ends.
  void BeginLogicalLines();
  void EndLogicalLines();
  class LogicalLines {
   public:
    explicit LogicalLines(TCustomSrcEdit* edit, bool active = true) : edit_(active ? edit : nullptr) {
      if (edit_) edit_->BeginLogicalLines();
    }
    ~LogicalLines() {
      if (edit_) edit_->EndLogicalLines();
    }
    LogicalLines(const LogicalLines&) = delete;
    LogicalLines& operator=(const LogicalLines&) = delete;

   private:
    TCustomSrcEdit* edit_;
  };
  TPoint WrappedToLogical(TPoint p) const;
  TPoint LogicalToWrapped(TPoint p) const;
  int logicalDepth_ = 0;

  // The primitive. `rowReason` >= 0 records column rows (and lines appended
  // by a column insertion) under that reason.
  void SetSelTextPrimitiveEx(TSrcSelectionMode mode, const QString& text, int rowReason);
  void DeleteSelection();
  int InsertNormal(const QString& text);
  int InsertColumn(const QString& text, int rowReason);
  int InsertLineMode(const QString& text);
  // Where an insertion in `mode` at the caret starts, as undo records it.
  TPoint InsertionStart(TSrcSelectionMode mode) const;
  // The selected text as undo records it: column rows without padding.
  QString SelTextForUndo() const;
  QString SelTextEx(bool padColumns) const;
  // Sets both ends of the selection and the caret without clamping to line
  // lengths (used when replaying changes).
  void SetSelectionRaw(TPoint begin, TPoint end);
  void SetCaretRaw(TPoint p);

  void UndoItem();
  void RedoItem();
  TSrcEditSelectionState SelectionState() const;
  // Puts the caret and the selection back as they were (the selection only
  // when the selection mode is still the same; otherwise none).
  void RestoreSelectionState(const TSrcEditSelectionState& state);
  void UndoRedoAdded(TSrcEditUndoList* sender);

  void LinesChanging();
  void LinesChanged();
  void LinesCleared();
  void LinesAddedOrInserted(int index, const QString& text);
  void LineReplaced(int index, const QString& text);
  void LineDeleted(int index);
  void InvalidateOffsets(int index);
  // Offset of the first character of `line` (counted from 1), counted from 0.
  qint64 LineStartOffset(int line) const;
  TPoint OffsetToPoint(qint64 value) const;
  // The line breaks LineStartOffset counts between the rows of wrapped lines
  // up to `line` (two characters each), which offsets do not count: they
  // count the lines of the text.
  qint64 WrapBreaksBefore(int line) const;
  // Offset of a position that may lie beyond its line end.
  qint64 PointToOffsetEx(TPoint p) const;
  // Keep the line lengths in step with the buffer.
  void LengthsInserted(int index);
  void LengthsDeleted(int index);
  void LengthReplaced(int index);
  // The longest expanded line, followed through the buffer's notifications
  // so that a change does not walk every line (length -1: to be counted;
  // not exact: an upper bound, left when the longest line grew shorter).
  int LongestLength() const;
  void LongestLinesMoved(int index, int delta);
  void LongestLineReplaced(int index) const;
  mutable int longestLength_ = -1;
  mutable int longestIndex_ = -1;
  mutable int longestTabWidth_ = 0;
  mutable bool longestExact_ = true;
  static TCustomSrcEdit* DragSource(const QDropEvent* event);

  void HighlighterChanged(TObject* sender);
  void PasteText(TSrcSelectionMode mode, const QString& text, bool privateFormat);
  void PasteTextWhole(TSrcSelectionMode mode, const QString& text, bool privateFormat);
  int SearchReplaceEx(const QString& search, const QString& replace, TSrcSearchOptions options);
  // Runs a large change whole or not at all: when memory runs out part-way,
  // text, caret, selection and both undo lists are put back as they were,
  // and ESrcEditError reports `message`.
  void RunWhole(const QString& message, const std::function<void()>& change);
  void SetTextOffset();

  std::unique_ptr<TSrcEditStringList> lines_;
  TPoint blockBegin_{1, 1};
  TPoint blockEnd_{1, 1};
  int caretX_ = 1;
  int caretY_ = 1;
  int lastCaretX_ = 1;
  bool insertMode_ = true;
  int linesInWindow_ = 1;
  int charsInWindow_ = 1;
  int leftChar_ = 1;
  int maxLeftChar_ = 1024;
  int paintLock_ = 0;
  int rightEdge_ = 80;
  TColor rightEdgeColor_ = clSilver;
  TColor scrollHintColor_ = clInfoBk;
  TSrcScrollHintFormat scrollHintFormat_ = shfTopLineOnly;
  TScrollStyle scrollBars_ = ssBoth;
  int lineHeight_ = 1;
  int charWidth_ = 1;
  int textOffset_ = 0;
  int topLine_ = 1;
  QPointer<TSrcCustomHighlighter> highlighter_;
  TSrcSelectedColor selectedColor_;
  TSrcEditUndoList undoList_;
  TSrcEditUndoList redoList_;
  std::array<TSrcEditMark*, 10> bookmarks_{};
  void TakeBack(bool redo);
  // Rescan state. The lines up to `rescanFrom_` (counted from 0) hold right
  // start states (-1: all of them do). From there a pass stores each next
  // line's state, through line `rescanReach_` (the last line whose text
  // changed) and then until a stored state matches again.
  int NoteChangedLines(int start, int index, int last);
  void RescanEverything();
  void RunPendingRescan();
  void RescanSlice();
  int ScanOn(int index, int reach, int through, qint64 budgetNs, bool& matched);
  void ContinueRescan(int through, qint64 budgetNs, bool repaint);
  void ScrollCaretToMiddle();
  int rescanFrom_ = -1;
  int rescanReach_ = -1;
  int knownCount_ = 0;  // the line count the last notification left
  bool inRescan_ = false;
  QTimer* rescanTimer_ = nullptr;
  std::unique_ptr<TSrcEditSearch> searchEngine_;
  TSrcBookMarkOpt bookMarkOpt_;
  bool hideSelection_ = false;
  TSrcEditCaretType overwriteCaret_ = ctBlock;
  TSrcEditCaretType insertCaret_ = ctVerticalLine;
  bool modified_ = false;
  bool readOnly_ = false;
  TSrcEditMarkList marks_;
  int extraLineSpacing_ = 0;
  TSrcSelectionMode selectionMode_ = smNormal;
  bool wantTabs_ = false;
  TSrcGutter gutter_;
  int tabWidth_ = 8;
  QFont font_;
  std::unique_ptr<TSrcTextDrawer> textDrawer_;
  QRegion invalidRegion_;
  TSrcStateFlags stateFlags_ = 0;
  TSrcEditorOptions options_ = SRCEDIT_DEFAULT_OPTIONS;
  TSrcStatusChanges statusChanges_ = 0;
  std::vector<THookedCommandHandlerEntry> hookedCommandHandlers_;
  std::unique_ptr<TSrcEditKbdHandler> kbdHandler_;
  bool wordWrap_ = false;
  bool pasting_ = false;
  int gutterWidth_ = 0;
  int paintTransientLock_ = 0;
  int replaying_ = 0;  // above 0 while Undo or Redo replays recorded changes

  std::vector<TSrcEditPlugin*> plugins_;
  std::vector<QPointer<QWidget>> focusControls_;
  TPoint mouseDownPos_{1, 1};

  // The length of every line, kept in step with the buffer's notifications
  // (rebuilt when the count disagrees), and the start offsets of lines
  // (prefix sums of length + 2), valid for the first offsetsValid_ entries.
  mutable TLineLengths lengths_;
  mutable std::vector<qint64> offsets_;
  mutable int offsetsValid_ = 1;

  // ---- painting, caret and input (SrcEditPaint.cpp, SrcEditInput.cpp)
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);
  // Paints the part `clip` of the client area (viewport pixels).
  void Paint(QPainter& painter, const QRect& clip);
  // Puts another text drawer in place (for drawers that record their calls).
  void SetTextDrawer(std::unique_ptr<TSrcTextDrawer> drawer);
  // The background of the text area: the highlighter's white-space
  // background when it has one, else Color.
  TColor DefaultBackground() const;
  // Text position under a pixel of the client area, and the pixel of a
  // text position (its top-left corner).
  TPoint PixelsToRowColumn(QPoint pixel) const;
  QPoint RowColumnToPixels(TPoint p) const;
  // The caret's rectangle in client pixels by its shape; empty when the
  // caret is not shown (no focus, eoNoCaret, or outside the text area).
  QRect CaretRect() const;
  // Places the caret after a move: repaints its old and new place.
  void UpdateCaret();
  // Scrolls the client area (and the caret drawn on it) by whole pixels;
  // a horizontal scroll moves only the text area.
  void ScrollViewport(int dx, int dy);
  // Dropped files: (sender, x, y, file names).
  std::function<void(TObject* sender, int x, int y, const QStringList& files)> OnDropFiles;
  // Gutter clicks: (sender, x, y, line, mark or none).
  std::function<void(TObject* sender, int x, int y, int line, TSrcEditMark* mark)> OnGutterClick;
  void DoOnGutterClick(int x, int y);
  int ScrollDeltaX() const { return scrollDeltaX_; }
  int ScrollDeltaY() const { return scrollDeltaY_; }
  // One tick of the auto-scroll timer (every 100 ms while dragging outside).
  void ScrollTimerTick();
  // The text of the scroll hint for the current view.
  QString ScrollHintText() const;
  // The caret rectangle of a shape relative to the caret's cell: offset,
  // width and height.
  static QRect CaretShape(TSrcEditCaretType type, int charWidth, int lineHeight);

 protected:
  void PaintGutter(QPainter& painter, const QRect& area, int firstLine, int lastLine);
  void PaintTextLines(QPainter& painter, const QRect& area, int firstLine, int lastLine, int firstCol, int lastCol);
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  // Tab stays in the editor when it wants tabs.
  bool focusNextPrevChild(bool next) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void MouseMoved(QMouseEvent* event);
  void CaretFocusChanged(bool focused);
  // The caret comes back and the host hears of the focus.
  void FocusGained();
  // Starts dragging the selection; a test may replace it.
  virtual void StartSelectionDrag();
  // Called by the replacing primitive between its steps; a test may fail
  // here as an allocation would.
  virtual void AllocationPoint() {}
  void ComputeScrollDeltas(QPoint pixel);

 private:
  void PaintCaret(QPainter& painter, const QRect& clip);
  // The highest display column the view may scroll to show.
  int LeftCharBound() const;
  // The gutter's width for the editor's cell and the gutter font's digits.
  int GutterPixelWidth() const;
  // Any gutter property changed: digits, width and picture follow.
  void GutterChanged();
  bool AcceptsFileDrop(const QMimeData* data) const;
  bool DropFiles(const QMimeData* data, QPoint pixel);
  void ShowScrollHint();
  std::unique_ptr<TSrcInternalImage> internalImage_;
  QPoint lastMousePixel_;
  Qt::KeyboardModifiers lastMouseModifiers_;
  TColor color_ = kSrcEditDefaultColor;
  TColor fontColor_ = kSrcEditDefaultFontColor;
  QTimer* caretTimer_ = nullptr;
  QTimer* scrollTimer_ = nullptr;
  bool caretBlinkOn_ = true;
  QRect caretRect_;  // where the caret was last placed
  int scrollDeltaX_ = 0;
  int scrollDeltaY_ = 0;
  QPoint mouseDownPixel_;
  bool mouseCaptured_ = false;
  bool selectionExistedAtPress_ = false;
  int wheelAccumulator_ = 0;
  // ---- end of painting, caret and input
};

// The editor with its properties published.
class TSrcEdit : public TCustomSrcEdit {
  Q_OBJECT
 public:
  using TCustomSrcEdit::TCustomSrcEdit;
  const char* ClassName() const override { return "TSrcEdit"; }
};
