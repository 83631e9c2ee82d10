// Command execution of the editor control: key translation, the dispatch
// through host events and hooked handlers, and every built-in command.
#include <algorithm>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

bool IsBlankChar(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

int LeadingWhiteCount(const QString& line) {
  int n = 0;
  while (n < line.size() && IsBlankChar(line[n])) ++n;
  return n;
}

// Display width of the first `count` characters of a line.
int DisplayWidth(const QString& line, int count, int tabWidth) {
  int column = 0;
  for (int i = 0; i < count && i < line.size(); ++i)
    column += line[i] == QLatin1Char('\t') ? tabWidth - column % tabWidth : 1;
  return column;
}

// Commands that change the text, refused while the editor is read-only.
bool ChangesText(TSrcEditorCommand command) {
  return (command >= ecDeleteLastChar && command <= ecChar) || command == ecImeStr || command == ecUndo ||
         command == ecRedo || command == ecCut || command == ecPaste ||
         (command >= ecBlockIndent && command <= ecShiftTab) || (command >= ecUpperCase && command <= ecTitleCase);
}

}  // namespace

// ------------------------------------------------------- key translation

void TCustomSrcEdit::SetDefaultKeystrokes() { keystrokes_.SetDefaults(); }

TSrcEditorCommand TCustomSrcEdit::TranslateKeyCode(std::uint16_t key, TShiftState shift, TSrcCommandData& data) {
  data = std::monostate{};
  TSrcEditorCommand command = ecNone;
  int index = lastKey_ != 0 ? keystrokes_.FindKeycode2(lastKey_, lastShift_, key, shift) : -1;
  if (index < 0) index = keystrokes_.FindKeycode(key, shift);
  if (index >= 0) command = keystrokes_.Item(index).Command();
  if (command == ecNone && key >= 30 && key <= 145) {
    lastKey_ = key;
    lastShift_ = shift;
  } else {
    lastKey_ = 0;
    lastShift_ = 0;
  }
  if (command >= ecSetMarker0 && command <= ecSetMarker9) data = CaretXY();
  return command;
}

// ---------------------------------------------------------------- dispatch

void TCustomSrcEdit::DoOnProcessCommand(TSrcEditorCommand& command, QChar& achar, const TSrcCommandData& data) {
  if (command >= ecUserFirst) {
    if (OnProcessUserCommand) OnProcessUserCommand(this, command, achar, data);
  } else if (OnProcessCommand) {
    OnProcessCommand(this, command, achar, data);
  }
}

void TCustomSrcEdit::DoOnCommandProcessed(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data) {
  if (OnCommandProcessed) OnCommandProcessed(this, command, achar, data);
}

void TCustomSrcEdit::ProcessCommand(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data) {
  DoOnProcessCommand(command, achar, data);
  if (command != ecNone) {
    NotifyCommandHandlers(false, command, achar, &data);
    if (command != ecNone && command < ecUserFirst) ExecuteCommand(command, achar, data);
    if (command != ecNone) NotifyCommandHandlers(true, command, achar, &data);
  }
  DoOnCommandProcessed(command, achar, data);
}

// ----------------------------------------------------------------- helpers

int TCustomSrcEdit::IndentWidth(const QString& line) const {
  if (!HasOption(eoAutoIndent)) return 0;
  return DisplayWidth(line, LeadingWhiteCount(line), tabWidth_);
}

int TCustomSrcEdit::NearestNonEmptyLine(int line) const {
  for (int y = std::min(line, LineCount()); y >= 1; --y)
    if (!Line(y).isEmpty()) return y;
  return 0;
}

QString TCustomSrcEdit::IndentString(int width) const {
  if (width <= 0) return QString();
  if (HasOption(eoTabsToSpaces)) return QString(width, QLatin1Char(' '));
  return QString(width / tabWidth_, QLatin1Char('\t')) + QString(width % tabWidth_, QLatin1Char(' '));
}

int TCustomSrcEdit::SmallerIndentAbove(int line, int width) const {
  for (int y = std::min(line, LineCount() + 1) - 1; y >= 1; --y) {
    const QString text = Line(y);
    const int indent = DisplayWidth(text, LeadingWhiteCount(text), tabWidth_);
    if (indent < width) return indent;
  }
  return 0;
}

void TCustomSrcEdit::DeleteSelectionRecorded(bool byAnchor, bool trim) {
  const TPoint first = BlockBegin(), last = BlockEnd();
  const TSrcSelectionMode mode = selectionMode_;
  const QString text = SelTextForUndo();
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  if (byAnchor && !(blockBegin_ == first))
    undoList_.AddChange(crDeleteAfterCursor, last, first, text, mode);
  else
    undoList_.AddChange(crDelete, first, last, text, mode);
  {
    LockUndo();
    ScopeExit unlockUndo([this] { UnlockUndo(); });
    SetSelTextPrimitiveEx(mode, QString(), -1);
  }
  if (trim) TrimAfterDeletion(mode, first.Y, last.Y);
}

void TCustomSrcEdit::TrimAfterDeletion(TSrcSelectionMode mode, int first, int last) {
  if (!HasOption(eoTrimTrailingSpaces) || !HasOption(eoScrollPastEol) || mode == smLine) return;
  if (mode == smNormal) first = last = caretY_;
  for (int y = first; y <= last; ++y) TrimLineEnd(y);
}

void TCustomSrcEdit::TrimLineEnd(int line) {
  if (line < 1 || line > LineCount()) return;
  const QString text = Line(line);
  int keep = static_cast<int>(text.size());
  while (keep > 0 && IsBlankChar(text[keep - 1])) --keep;
  if (keep == text.size()) return;
  PutLine(line, text.left(keep));
  // Recorded apart, so that Undo puts the blanks (tabs too) back as they were.
  undoList_.AddChange(crSilentDelete, TPoint{keep + 1, line}, TPoint{static_cast<int>(text.size()) + 1, line},
                      text.mid(keep), smNormal);
}

QString TCustomSrcEdit::DeleteRange(TPoint from, TPoint to, TSrcChangeReason reason) {
  const TSrcSelectionMode oldMode = selectionMode_;
  selectionMode_ = smNormal;
  ScopeExit restore([this, oldMode] { selectionMode_ = oldMode; });
  blockBegin_ = from;
  blockEnd_ = to;
  const QString text = SelTextForUndo();
  {
    LockUndo();
    ScopeExit unlockUndo([this] { UnlockUndo(); });
    SetSelTextPrimitiveEx(smNormal, QString(), -1);
  }
  if (!text.isEmpty()) undoList_.AddChange(reason, from, to, text, smNormal);
  return text;
}

void TCustomSrcEdit::StepCaretOutOfPair() {
  if (caretY_ < 1 || caretY_ > LineCount() || caretX_ < 2 || caretX_ > lines_->LineLength(caretY_ - 1)) return;
  const QString line = Line(caretY_);
  if (line[caretX_ - 1].isLowSurrogate() && line[caretX_ - 2].isHighSurrogate())
    SetCaretXYEx(false, TPoint{caretX_ + 1, caretY_});
}

// --------------------------------------------------------------- deletions

void TCustomSrcEdit::DoDeleteLastChar() {
  DoOnPaintTransientEx(ttBefore, true);
  ScopeExit after([this] { DoOnPaintTransientEx(ttAfter, true); });
  if (SelAvail()) {
    DeleteSelectionRecorded(true, true);
    EnsureCursorPosVisible();
    return;
  }
  if (LineCount() == 0 || caretY_ > LineCount()) return;
  const TPoint oldCaret = CaretXY();
  const int x = caretX_, y = caretY_;
  const QString line = Line(y);
  const int len = static_cast<int>(line.size());
  // A joined line loses its trailing blanks: one change with the join.
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  int trimLine = 0;
  QString removed;
  TPoint newCaret = oldCaret;
  if (x <= len + 1) {
    const int leading = LeadingWhiteCount(line);
    if (x == 1) {
      if (y == 1) return;  // nothing before the start of the text
      const QString prev = Line(y - 1);
      newCaret = TPoint{static_cast<int>(prev.size()) + 1, y - 1};
      {
        lines_->BeginUpdate();
        ScopeExit endUpdate([this] { lines_->EndUpdate(); });
        // The joined text is kept as it was, so Undo splits it exactly.
        PutLine(y - 1, prev + line);
        lines_->Delete(y - 1);
      }
      DoLinesDeleted(y - 1, 1);  // marks of the joined line go with its text
      removed = kCRLF;
      if (HasOption(eoTrimTrailingSpaces)) trimLine = y - 1;
    } else if (!IsBlankChar(line[x - 2]) || leading != x - 1) {
      int width = 1;
      if (x >= 3 && line[x - 2].isLowSurrogate() && line[x - 3].isHighSurrogate()) width = 2;
      removed = line.mid(x - 1 - width, width);
      PutLine(y, QString(line).remove(x - 1 - width, width));
      newCaret = TPoint{x - width, y};
    } else {
      // The caret stands right after the leading white space.
      std::vector<int> display(static_cast<size_t>(x), 0);  // display offset before each character
      for (int i = 1; i < x; ++i)
        display[i] = display[i - 1] + (line[i - 1] == QLatin1Char('\t') ? tabWidth_ - display[i - 1] % tabWidth_ : 1);
      int keep = x - 1;
      if (HasOption(eoSmartTabDelete)) {
        const int target = SmallerIndentAbove(y, display[x - 1]);
        while (keep > 0 && display[keep] > target) --keep;
      } else {
        const int target = (display[x - 1] - 1) / tabWidth_ * tabWidth_;
        while (keep > 0 && display[keep] > target) {
          --keep;
          if (line[keep] == QLatin1Char('\t')) break;
        }
      }
      removed = line.mid(keep, x - 1 - keep);
      if (!removed.isEmpty()) PutLine(y, QString(line).remove(keep, x - 1 - keep));
      newCaret = TPoint{keep + 1, y};
    }
  } else if (!HasOption(eoSmartTabDelete)) {
    newCaret = TPoint{x - 1, y};
  } else if (len > 0) {
    newCaret = TPoint{len + 1, y};
  } else {
    newCaret = TPoint{SmallerIndentAbove(y, x - 1) + 1, y};
  }
  {
    const TSrcEditorOptions oldOptions = options_;
    options_ |= eoScrollPastEol;
    ScopeExit restore(
        [this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
    SetCaretXYEx(false, newCaret);
    SetBlockBegin(CaretXY());
  }
  // A move over nothing but empty columns changes no text and records nothing.
  if (!removed.isEmpty()) undoList_.AddChange(crSilentDelete, newCaret, oldCaret, removed, smNormal);
  if (trimLine > 0) TrimLineEnd(trimLine);
  EnsureCursorPosVisible();
}

void TCustomSrcEdit::DoDeleteChar() {
  if (SelAvail()) {
    DeleteSelectionRecorded(true, true);
    EnsureCursorPosVisible();
    return;
  }
  if (LineCount() == 0 || caretY_ > LineCount()) return;
  const int x = caretX_, y = caretY_;
  const QString line = Line(y);
  const int len = static_cast<int>(line.size());
  if (x <= len) {
    int width = 1;
    if (x < len && line[x - 1].isHighSurrogate() && line[x].isLowSurrogate()) width = 2;
    const QString removed = line.mid(x - 1, width);
    PutLine(y, QString(line).remove(x - 1, width));
    undoList_.AddChange(crSilentDeleteAfterCursor, TPoint{x, y}, TPoint{x + width, y}, removed, smNormal);
    return;
  }
  if (y >= LineCount()) return;
  // Beyond the line end: the next line joins at the caret column.
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  QString joined = line;
  if (x - 1 > len) {
    joined += QString(x - 1 - len, QLatin1Char(' '));
    undoList_.AddChange(crPadding, TPoint{len + 1, y}, TPoint{x, y}, QString(), smNormal);
  }
  {
    lines_->BeginUpdate();
    ScopeExit endUpdate([this] { lines_->EndUpdate(); });
    PutLine(y, joined + Line(y + 1));
    lines_->Delete(y);
  }
  DoLinesDeleted(y, 1);
  undoList_.AddChange(crSilentDeleteAfterCursor, TPoint{x, y}, TPoint{1, y + 1}, kCRLF, smNormal);
  SetBlockBegin(CaretXY());
}

void TCustomSrcEdit::DoDeleteLine() {
  const int count = LineCount();
  if (count == 0 || (count == 1 && Line(1).isEmpty())) return;
  const int y = std::clamp(caretY_, 1, count);
  const QString line = Line(y);
  if (y < count) {
    undoList_.AddChange(crDeleteAfterCursor, TPoint{1, y}, TPoint{1, y + 1}, line + kCRLF, smNormal);
  } else if (y > 1) {
    // The last line goes with the break before it, so a redo removes the
    // line and not only its text.
    undoList_.AddChange(crDeleteAfterCursor, TPoint{static_cast<int>(Line(y - 1).size()) + 1, y - 1},
                        TPoint{static_cast<int>(line.size()) + 1, y}, kCRLF + line, smNormal);
  } else {
    undoList_.AddChange(crDeleteAfterCursor, TPoint{1, 1}, TPoint{static_cast<int>(line.size()) + 1, 1}, line,
                        smNormal);
  }
  if (count == 1) {
    PutLine(1, QString());
  } else {
    lines_->Delete(y - 1);
    DoLinesDeleted(y, 1);
  }
  SetCaretXY(TPoint{1, y});
  SetBlockBegin(CaretXY());
}

// ------------------------------------------------------------ line breaks

void TCustomSrcEdit::InsertLineBreak() { DoLineBreak(true); }

void TCustomSrcEdit::DoLineBreak(bool moveCaret) {
  if (ReadOnly()) return;
  // A redo replays the break inside the change number of the step it
  // redoes, so only a break made by hand opens a change of its own.
  const bool ownBlock = !(stateFlags_ & sfRedoInProgress);
  if (ownBlock) undoList_.BeginBlock();
  ScopeExit endBlock([this, ownBlock] {
    if (ownBlock) undoList_.EndBlock();
  });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  if (SelAvail()) {
    DeleteSelectionRecorded(false, false);
    StepCaretOutOfPair();  // a column block's left edge may cut a pair
  }
  const TSrcEditorOptions oldOptions = options_;
  options_ |= eoScrollPastEol;
  ScopeExit restore([this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
  TPoint newCaret;
  {
    lines_->BeginUpdate();
    ScopeExit endUpdate([this] { lines_->EndUpdate(); });
    if (LineCount() == 0) lines_->Add(QString());
    const int y = std::clamp(caretY_, 1, LineCount());
    const int x = caretX_;
    const TPoint caret{x, y};
    const QString line = Line(y);
    const int len = static_cast<int>(line.size());
    if (line.isEmpty()) {
      undoList_.AddChange(crLineBreak, caret, caret, QString(), selectionMode_);
      lines_->Insert(y - 1, QString());
      DoLinesInserted(y, 1);
      const int above = NearestNonEmptyLine(y - 1);
      newCaret = TPoint{(above > 0 ? IndentWidth(Line(above)) : 0) + 1, y + 1};
    } else if (x > len) {
      undoList_.AddChange(crLineBreak, caret, caret, QString(), selectionMode_);
      // Both break commands give the new line the same text, so that a redo
      // (which makes the break with the caret moving) gives back the same.
      QString white;
      if (HasOption(eoAutoIndent)) {
        const int source = NearestNonEmptyLine(y);
        if (source > 0) white = Line(source).left(LeadingWhiteCount(Line(source)));
      }
      lines_->Insert(y, white);
      DoLinesInserted(y + 1, 1);
      newCaret = TPoint{static_cast<int>(white.size()) + 1, y + 1};
    } else if (x == 1) {
      undoList_.AddChange(crLineBreak, caret, caret, line, selectionMode_);
      lines_->Insert(y - 1, QString());
      DoLinesInserted(y, 1);
      newCaret = TPoint{1, y + 1};
    } else {
      QString left = line.left(x - 1);
      const QString right = line.mid(x - 1);
      const bool leftBlank = LeadingWhiteCount(left) == left.size();
      int keep = static_cast<int>(left.size());
      if (HasOption(eoTrimTrailingSpaces))
        while (keep > 0 && IsBlankChar(left[keep - 1])) --keep;
      const QString trimmed = left.mid(keep);
      left.truncate(keep);
      // A break inside the leading white space keeps the indentation once,
      // on the new line.
      const QString moved = leftBlank ? right.mid(LeadingWhiteCount(right)) : right;
      const QString indent = IndentString(IndentWidth(line));
      undoList_.AddChange(crLineBreak, caret, caret, right, selectionMode_);
      PutLine(y, left);
      lines_->Insert(y, indent + moved);
      DoLinesInserted(y + 1, 1);
      // The blanks trimmed off are recorded apart, so Undo puts them back as
      // they were (tabs too).
      if (!trimmed.isEmpty()) undoList_.AddChange(crSilentDelete, TPoint{keep + 1, y}, caret, trimmed, smNormal);
      newCaret = TPoint{static_cast<int>(indent.size()) + 1, y + 1};
    }
    if (!moveCaret) newCaret = TPoint{x, y};
  }
  SetCaretXYEx(false, newCaret);
  SetBlockBegin(CaretXY());
  EnsureCursorPosVisible();
}

// ---------------------------------------------------------------- typing

void TCustomSrcEdit::DoInsertText(const QString& text) {
  if (text.isEmpty()) return;
  if (SelAvail()) {
    ReplaceSelText(text);
  } else if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
    // A string with line breaks becomes several lines, never a line that
    // holds a break.
    InsertAtCaret(text);
  } else {
    const TSrcEditorOptions oldOptions = options_;
    options_ |= eoScrollPastEol;
    ScopeExit restore(
        [this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    if (LineCount() == 0) lines_->Add(QString());
    const int y = std::clamp(caretY_, 1, LineCount());
    const int x = caretX_;
    const QString line = Line(y);
    const int len = static_cast<int>(line.size());
    QString padded = line;
    if (x - 1 > len) {
      // A TAB one column wide looks like a blank: the bytes are blanks too.
      const QString pad =
          line.isEmpty() && tabWidth_ > 1 ? IndentString(x - 1) : QString(x - 1 - len, QLatin1Char(' '));
      padded += pad;
      undoList_.AddChange(crPadding, TPoint{len + 1, y}, TPoint{len + 1 + static_cast<int>(pad.size()), y}, QString(),
                          smNormal);
    }
    const int at = std::min(x - 1, static_cast<int>(padded.size()));  // index of the insertion
    QString newLine;
    QString inserted = text;
    if (InsertMode()) {
      newLine = padded;
      newLine.insert(at, text);
      // Only blanks that this insertion added at the end are trimmed.
      if (HasOption(eoTrimTrailingSpaces) && at >= len) {
        qsizetype n = newLine.size();
        while (n > len && IsBlankChar(newLine[n - 1])) --n;
        newLine.truncate(n);
      }
      PutLine(y, newLine);
      undoList_.AddChange(crInsert, TPoint{at + 1, y}, TPoint{at + 1 + static_cast<int>(text.size()), y}, QString(),
                          smNormal);
    } else {
      int count = static_cast<int>(text.size());
      // A surrogate pair cut in half by the overwrite gives way to a blank.
      if (at + count < padded.size() && padded[at + count].isLowSurrogate() &&
          padded[at + count - 1].isHighSurrogate()) {
        ++count;
        inserted += QLatin1Char(' ');
      }
      const QString overwritten = padded.mid(at, count);
      newLine = padded;
      newLine.replace(at, count, inserted);
      PutLine(y, newLine);
      // Recorded as the removal of the overwritten characters after the
      // caret and the insertion of the new ones, so a redo overwrites them
      // again and grouped undo takes an overwritten run as a typed one.
      if (!overwritten.isEmpty())
        undoList_.AddChange(crSilentDeleteAfterCursor, TPoint{at + 1, y},
                            TPoint{at + 1 + static_cast<int>(overwritten.size()), y}, overwritten, smNormal);
      undoList_.AddChange(crInsert, TPoint{at + 1, y}, TPoint{at + 1 + static_cast<int>(inserted.size()), y}, QString(),
                          smNormal);
    }
    const int newX = at + 1 + static_cast<int>(text.size());
    ScrollAheadOfCaret(TPoint{newX, y});
    SetCaretXY(TPoint{newX, y});
  }
  SetBlockBegin(CaretXY());
}

// --------------------------------------------------------------- viewing

void TCustomSrcEdit::DoScrollLines(int delta) {
  if (caretY_ < topLine_ || caretY_ > topLine_ + linesInWindow_ - 1) {
    EnsureCursorPosVisible();
    return;
  }
  const int old = topLine_;
  SetTopLine(topLine_ + delta);
  const int moved = topLine_ - old;
  if (moved != 0 && (caretY_ < topLine_ || caretY_ > topLine_ + linesInWindow_ - 1)) MoveCaretVertically(moved, false);
  viewport()->update();
}

void TCustomSrcEdit::DoSetMarker(int index, TPoint p) {
  if (TSrcEditMark* mark = Bookmark(index)) {
    const int line = mark->Line();
    ClearBookmark(index);
    if (line != p.Y) SetBookmark(index, p.X, p.Y);
  } else {
    SetBookmark(index, p.X, p.Y);
  }
}

// -------------------------------------------------------------- execution

void TCustomSrcEdit::ExecuteCommand(TSrcEditorCommand command, QChar achar, const TSrcCommandData& data) {
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  const bool changesText = ChangesText(command);
  if (changesText && ReadOnly()) return;
  const LogicalLines logical(this, changesText);
  if (changesText) StepCaretOutOfPair();
  const bool extend = command >= ecSelLeft && command <= ecSelGotoXY;
  const TSrcEditorCommand move = extend ? command - ecSelection : command;
  const TPoint caret = CaretXY();
  if (move >= ecLeft && move <= ecGotoXY) {
    switch (move) {
      case ecLeft:
        MoveCaretHorizontally(-1, extend);
        break;
      case ecRight:
        MoveCaretHorizontally(1, extend);
        break;
      case ecUp:
        MoveCaretVertically(-1, extend);
        break;
      case ecDown:
        MoveCaretVertically(1, extend);
        break;
      case ecWordLeft:
        MoveCaretWithSelection(caret, PrevWordStartPos(), extend);
        break;
      case ecWordRight:
        MoveCaretWithSelection(caret, NextWordStartPos(), extend);
        break;
      case ecLineStart:
        DoHomeKey(extend);
        break;
      case ecLineEnd:
        MoveCaretWithSelection(caret, TPoint{static_cast<int>(LineText().size()) + 1, caretY_}, extend);
        break;
      case ecPageUp:
      case ecPageDown: {
        int page = linesInWindow_;
        if (HasOption(eoHalfPageScroll)) page /= 2;
        if (HasOption(eoScrollByOneLess)) --page;
        page = std::max(1, page);
        if (move == ecPageUp) page = -page;
        SetTopLine(topLine_ + page);
        MoveCaretVertically(page, extend);
        break;
      }
      case ecPageLeft:
        MoveCaretHorizontally(-charsInWindow_, extend);
        break;
      case ecPageRight:
        MoveCaretHorizontally(charsInWindow_, extend);
        break;
      case ecPageTop:
        MoveCaretWithSelection(caret, TPoint{caretX_, topLine_}, extend);
        break;
      case ecPageBottom:
        MoveCaretWithSelection(
            caret, TPoint{caretX_, std::min(topLine_ + linesInWindow_ - 1, std::max(1, LineCount()))}, extend);
        break;
      case ecEditorTop:
        MoveCaretWithSelection(caret, TPoint{1, 1}, extend);
        break;
      case ecEditorBottom: {
        const int last = std::max(1, LineCount());
        MoveCaretWithSelection(caret, TPoint{static_cast<int>(Line(last).size()) + 1, last}, extend);
        break;
      }
      case ecGotoXY:
        if (const TPoint* p = std::get_if<TPoint>(&data)) MoveCaretWithSelection(caret, *p, extend);
        break;
      default:
        break;
    }
    return;
  }
  if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
    if (BookMarkOptions().EnableKeys()) GotoBookmark(command - ecGotoMarker0);
    return;
  }
  if (command >= ecSetMarker0 && command <= ecSetMarker9) {
    if (BookMarkOptions().EnableKeys()) {
      const TPoint* p = std::get_if<TPoint>(&data);
      DoSetMarker(command - ecSetMarker0, p ? *p : caret);
    }
    return;
  }
  switch (command) {
    case ecSelectAll:
      SelectAll();
      break;
    case ecCopy:
      CopyToClipboard();
      break;
    case ecScrollUp:
      DoScrollLines(-1);
      break;
    case ecScrollDown:
      DoScrollLines(1);
      break;
    case ecScrollLeft:
      SetLeftChar(leftChar_ - 1);
      break;
    case ecScrollRight:
      SetLeftChar(leftChar_ + 1);
      break;
    case ecInsertMode:
      SetInsertMode(true);
      break;
    case ecOverwriteMode:
      SetInsertMode(false);
      break;
    case ecToggleMode:
      SetInsertMode(!InsertMode());
      break;
    case ecNormalSelect:
      SetSelectionMode(smNormal);
      break;
    case ecColumnSelect:
      SetSelectionMode(WordWrap() ? smNormal : smColumn);
      break;
    case ecLineSelect:
      SetSelectionMode(smLine);
      break;
    case ecMatchBracket:
      GotoMatchingBracket();
      break;
    case ecContextHelp:
      if (OnContextHelp) {
        const QString word = GetWordAtCursor();
        OnContextHelp(this, word);
      }
      break;
    case ecDeleteLastChar:
      DoDeleteLastChar();
      break;
    case ecDeleteChar:
      DoDeleteChar();
      break;
    case ecDeleteWord: {
      const QString line = LineText();
      if (caretX_ > line.size() + 1) SetCaretX(static_cast<int>(line.size()) + 1);
      const TPoint from = CaretXY();
      const TPoint to = NextWordStartPos();
      if (!(to == from)) DeleteRange(from, to, crSilentDeleteAfterCursor);
      SetCaretXY(from);
      SetBlockBegin(from);
      break;
    }
    case ecDeleteLastWord:
    case ecDeleteBOL: {
      const TPoint from = command == ecDeleteLastWord ? PrevWordStartPos() : TPoint{1, caretY_};
      if (from == caret) break;
      DeleteRange(from, caret, crSilentDelete);
      SetCaretXY(from);
      SetBlockBegin(from);
      break;
    }
    case ecDeleteEOL: {
      const int end = static_cast<int>(LineText().size()) + 1;
      if (caretX_ < end) DeleteRange(caret, TPoint{end, caretY_}, crSilentDeleteAfterCursor);
      SetCaretXY(caret);
      SetBlockBegin(caret);
      break;
    }
    case ecDeleteLine:
      DoDeleteLine();
      break;
    case ecClearAll:
      ClearAll();
      break;
    case ecLineBreak:
      DoLineBreak(true);
      break;
    case ecInsertLine:
      DoLineBreak(false);
      break;
    case ecChar:
      if (achar.unicode() >= 32 && achar.unicode() != 127) DoInsertText(QString(achar));
      break;
    case ecImeStr:
      if (const QString* s = std::get_if<QString>(&data)) DoInsertText(*s);
      break;
    case ecUndo:
      Undo();
      break;
    case ecRedo:
      Redo();
      break;
    case ecCut:
      if (SelAvail()) CutToClipboard();
      break;
    case ecPaste:
      PasteFromClipboard();
      break;
    case ecBlockIndent:
      DoBlockIndent();
      break;
    case ecBlockUnindent:
      DoBlockUnindent();
      break;
    case ecTab:
      DoTabKey();
      break;
    case ecShiftTab:
      DoShiftTabKey();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
      DoCaseChange(command);
      break;
    default:
      break;  // ecNone, ecString, ecAutoCompletion and others: left to hooked handlers
  }
}
