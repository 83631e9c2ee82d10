// Caret movement, the Home and Tab keys, block indentation, case changes and
// bracket matching of the editor control.
#include <algorithm>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"

namespace {

bool IsBlankChar(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// The character at a column (from 1); a blank beyond the text.
QChar CharAt(const QString& line, int column) {
  return column >= 1 && column <= line.size() ? line[column - 1] : QLatin1Char(' ');
}

// Maps every character on its own, so the text keeps its length; a
// surrogate pair is mapped as one character when its mapping is a pair too.
template <class Map>
QString MapChars(const QString& text, Map map) {
  QString out = text;
  const qsizetype n = out.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = out[i];
    if (c.isHighSurrogate() && i + 1 < n && out[i + 1].isLowSurrogate()) {
      const char32_t mapped = map(QChar::surrogateToUcs4(c, out[i + 1]));
      if (QChar::requiresSurrogates(mapped)) {
        out[i] = QChar(QChar::highSurrogate(mapped));
        out[i + 1] = QChar(QChar::lowSurrogate(mapped));
      }
      ++i;
      continue;
    }
    const char32_t mapped = map(c.unicode());
    if (!QChar::requiresSurrogates(mapped)) out[i] = QChar(static_cast<char16_t>(mapped));
  }
  return out;
}

char32_t Upper(char32_t c) { return QChar::toUpper(c); }
char32_t Lower(char32_t c) { return QChar::toLower(c); }
char32_t Toggle(char32_t c) {
  const char32_t up = QChar::toUpper(c);
  return up != c ? up : QChar::toLower(c);
}

const QString kBrackets = QStringLiteral("()[]{}<>");

}  // namespace

// ------------------------------------------------------ position conversion

TPoint TCustomSrcEdit::CharToDisplayPos(TPoint p) const {
  if (p.Y < 1 || p.Y > LineCount()) return p;
  return TPoint{CharToDisplayColumn(Line(p.Y), p.X, tabWidth_), p.Y};
}

TPoint TCustomSrcEdit::DisplayToCharPos(TPoint p) const {
  if (p.Y < 1 || p.Y > LineCount()) return p;
  return TPoint{DisplayToCharColumn(Line(p.Y), p.X, tabWidth_), p.Y};
}

// -------------------------------------------------------- character extent

void TCustomSrcEdit::MeasureCharExtent() {
  bool bold = font_.bold(), italic = font_.italic();
  if (const TSrcCustomHighlighter* h = Highlighter()) {
    bold = italic = false;
    for (int i = 0; i < h->GetAttributeCount(); ++i) {
      const TFontStyles style = h->GetAttribute(i)->Style();
      bold = bold || (style & fsBold);
      italic = italic || (style & fsItalic);
    }
  }
  textDrawer_->SetBaseFont(&font_);
  textDrawer_->SetBaseStyle(italic ? fsItalic : 0);
  lineHeight_ = std::max(1, textDrawer_->CharHeight() + extraLineSpacing_);
  textDrawer_->SetBaseStyle(bold ? fsBold : 0);
  charWidth_ = std::max(1, textDrawer_->CharWidth());
}

// ----------------------------------------------------------- word positions

bool TCustomSrcEdit::IsIdentChar(QChar c) const {
  if (const TSrcCustomHighlighter* h = Highlighter())
    return h->GetIdentChars().Contains(c) && !h->WordBreakChars().Contains(c);
  // Characters above 255 (surrogate halves among them) belong to words, so
  // a pair is never split.
  static const TSrcIdentChars ident = TSrcIdentChars::Range(33, 255, true);
  static const TSrcIdentChars breaks = DefaultWordBreakChars();
  return ident.Contains(c) && !breaks.Contains(c);
}

TPoint TCustomSrcEdit::NextWordStartPos() {
  const int cx = caretX_, cy = caretY_;
  if (cy < 1 || cy > LineCount()) return CaretXY();
  const QString line = Line(cy);
  const int len = static_cast<int>(line.size());
  auto scan = [&](int from, bool ident) {
    for (int x = std::max(1, from); x <= len; ++x)
      if (IsIdentChar(line[x - 1]) == ident) return x;
    return 0;
  };
  if (cx < len) {
    int x = cx;
    if (IsIdentChar(line[cx - 1])) x = scan(cx, false);
    if (x > 0) x = scan(x, true);
    return TPoint{x > 0 ? x : len + 1, cy};
  }
  if (cy < LineCount()) {
    const QString next = Line(cy + 1);
    int x = 1;
    for (int i = 1; i <= next.size(); ++i)
      if (IsIdentChar(next[i - 1])) {
        x = i;
        break;
      }
    return TPoint{x, cy + 1};
  }
  return TPoint{std::max(cx, len + 1), cy};
}

TPoint TCustomSrcEdit::CurrentWordStartPos() {
  if (caretY_ < 1 || caretY_ > LineCount()) return CaretXY();
  const QString line = Line(caretY_);
  int x = std::min(caretX_, static_cast<int>(line.size()) + 1);
  if (x > 1 && IsIdentChar(line[x - 2])) {
    while (x > 1 && IsIdentChar(line[x - 2])) --x;
  }
  return TPoint{x, caretY_};
}

TPoint TCustomSrcEdit::CurrentWordEndPos() {
  if (caretY_ < 1 || caretY_ > LineCount()) return CaretXY();
  const QString line = Line(caretY_);
  const int len = static_cast<int>(line.size());
  for (int x = std::max(1, caretX_); x <= len; ++x)
    if (!IsIdentChar(line[x - 1])) return TPoint{x, caretY_};
  return TPoint{len + 1, caretY_};
}

TPoint TCustomSrcEdit::PrevWordStartPos() {
  const int cy = caretY_;
  if (cy < 1 || cy > LineCount()) return CaretXY();
  const QString line = Line(cy);
  int x = std::min(caretX_, static_cast<int>(line.size()) + 1);
  if (x > 1) {
    int p = x - 1;  // the character before the caret
    while (p >= 1 && !IsIdentChar(line[p - 1])) --p;
    if (p >= 1) {
      while (p > 1 && IsIdentChar(line[p - 2])) --p;
      return TPoint{p, cy};
    }
  }
  if (cy > 1) return TPoint{static_cast<int>(Line(cy - 1).size()) + 1, cy - 1};
  return TPoint{1, cy};
}

// ------------------------------------------------------------- caret moves

void TCustomSrcEdit::MoveCaretWithSelection(TPoint before, TPoint after, bool extend) {
  if (HasOption(eoGroupUndo)) undoList_.AddGroupBreak();
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  if (extend) {
    // A selection that the caret is extending keeps its anchor, also while
    // it has no width (a column block after moves up and down); only one
    // that ends elsewhere starts anew at the caret.
    if (!SelAvail() && blockEnd_ != before) SetBlockBegin(before);
    SetBlockEnd(after);
  } else {
    SetBlockBegin(after);
  }
  SetCaretXY(after);
}

void TCustomSrcEdit::PlaceCaretAndSelection(TPoint caret, TPoint selStart, TPoint selEnd) {
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  SetCaretXY(caret);
  SetBlockBegin(selStart);
  SetBlockEnd(selEnd);
}

void TCustomSrcEdit::MoveCaretHorizontally(int dx, bool extend) {
  const TPoint caret = CaretXY();
  const QString line = LineText();
  const int len = static_cast<int>(line.size());
  const bool wrap = !HasOption(eoScrollPastEol);
  TPoint target;
  if (wrap && dx == -1 && caret.X == 1 && caret.Y > 1) {
    target = TPoint{static_cast<int>(Line(caret.Y - 1).size()) + 1, caret.Y - 1};
  } else if (wrap && dx == 1 && caret.X > len && caret.Y < LineCount()) {
    target = TPoint{1, caret.Y + 1};
  } else {
    int x = std::max(1, caret.X + dx);
    if (wrap && dx > 0) x = std::min(x, len + 1);
    // Never between the halves of a surrogate pair.
    if (x >= 2 && x <= len && line[x - 1].isLowSurrogate() && line[x - 2].isHighSurrogate()) x += dx < 0 ? -1 : 1;
    target = TPoint{x, caret.Y};
  }
  MoveCaretWithSelection(caret, target, extend);
}

void TCustomSrcEdit::MoveCaretVertically(int dy, bool extend) {
  const TPoint caret = CaretXY();
  TPoint display = CharToDisplayPos(caret);
  display.Y = std::clamp(display.Y + dy, 1, std::max(1, LineCount()));
  const bool lineChanged = display.Y != caret.Y;
  if (lineChanged && HasOption(eoKeepCaretX)) display.X = lastCaretX_;
  TPoint target = DisplayToCharPos(display);
  if (lineChanged && target.Y <= LineCount()) {
    const QString line = Line(target.Y);
    if (target.X >= 2 && target.X <= line.size() && line[target.X - 1].isLowSurrogate()) --target.X;
  }
  const int remembered = lastCaretX_;
  MoveCaretWithSelection(caret, target, extend);
  lastCaretX_ = remembered;
}

void TCustomSrcEdit::DoHomeKey(bool extend) {
  const TPoint caret = CaretXY();
  int target = 1;
  if (HasOption(eoEnhanceHomeKey)) {
    const QString line = LineText();
    int first = 1;
    while (first <= line.size() && IsBlankChar(line[first - 1])) ++first;
    if (caret.X > first || caret.X == 1) target = first;
  }
  MoveCaretWithSelection(caret, TPoint{target, caret.Y}, extend);
}

// ------------------------------------------------------------ tab keys

void TCustomSrcEdit::InsertAtCaret(const QString& text) {
  // Without a selection the text goes in as running text whatever the
  // selection mode.
  const TSrcSelectionMode oldMode = selectionMode_;
  if (!SelAvail()) {
    // (A column block of no width is no selection, but would be one in
    // normal mode.)
    blockBegin_ = blockEnd_ = CaretXY();
    selectionMode_ = smNormal;
  }
  ScopeExit restore([this, oldMode] { selectionMode_ = oldMode; });
  ReplaceSelText(text);
}

void TCustomSrcEdit::DoTabKey() {
  if (ReadOnly()) return;
  if (HasOption(eoTabIndent) && (SelTabBlock() || SelTabLine())) {
    DoBlockIndent();
    return;
  }
  const int displayX = CharToDisplayPos(CaretXY()).X;
  int width = 0;
  if (HasOption(eoSmartTabs)) {
    // Line up with the next word of the nearest line above that reaches
    // the caret's display column.
    for (int y = caretY_ - 1; y >= 1; --y) {
      const QString above = lines_->ExpandedText(y - 1);
      if (above.size() < displayX) continue;
      int i = displayX - 1;
      const int n = static_cast<int>(above.size());
      while (i < n && !IsBlankChar(above[i])) ++i;
      while (i < n && IsBlankChar(above[i])) ++i;
      width = i - (displayX - 1);
      break;
    }
  }
  if (width == 0) width = HasOption(eoTabsToSpaces) ? tabWidth_ - (displayX - 1) % tabWidth_ : tabWidth_;
  QString text;
  if (HasOption(eoTabsToSpaces)) {
    text = QString(width, QLatin1Char(' '));
  } else if (HasOption(eoSmartTabs)) {
    const int target = displayX - 1 + width;  // display offset to reach, from 0
    int at = displayX - 1;
    for (int stop = (at / tabWidth_ + 1) * tabWidth_; stop <= target; stop += tabWidth_) {
      text += QLatin1Char('\t');
      at = stop;
    }
    text += QString(target - at, QLatin1Char(' '));
  } else {
    text = QStringLiteral("\t");
  }
  {
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    const TSrcEditorOptions oldOptions = options_;
    options_ |= eoScrollPastEol;
    ScopeExit restore(
        [this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
    InsertAtCaret(text);
  }
  EnsureCursorPosVisible();
}

void TCustomSrcEdit::DoShiftTabKey() {
  if (ReadOnly()) return;
  if (HasOption(eoTabIndent) && (SelTabBlock() || SelTabLine())) {
    DoBlockUnindent();
    return;
  }
  if (caretY_ < 1 || caretY_ > LineCount()) return;
  const QString line = Line(caretY_);
  const int caretX = caretX_;
  int newX = caretX;
  // Smart: back to the start of the word (or blanks) of the line above that
  // reaches the caret; the text between goes.
  if (HasOption(eoSmartTabs) && caretX > 1) {
    for (int y = caretY_ - 1; y >= 1; --y) {
      const QString above = Line(y);
      if (above.size() < caretX - 1) continue;
      int p = caretX - 1;
      while (p >= 1 && IsBlankChar(above[p - 1])) --p;
      while (p >= 1 && !IsBlankChar(above[p - 1])) --p;
      newX = p + 1;
      break;
    }
  }
  // Otherwise only blanks before the caret go, back to the previous tab stop.
  if (newX == caretX) {
    int blankStart = caretX;
    while (blankStart > 1 && IsBlankChar(CharAt(line, blankStart - 1))) --blankStart;
    const int stop = std::max(1, (caretX - 2) / tabWidth_ * tabWidth_ + 1);
    newX = std::max(stop, blankStart);
  }
  newX = PairStart(TPoint{newX, caretY_}).X;
  if (newX == caretX) return;
  const int len = static_cast<int>(line.size());
  const int removeEnd = std::min(caretX, len + 1);
  if (newX < removeEnd) {
    const QString removed = line.mid(newX - 1, removeEnd - newX);
    PutLine(caretY_, QString(line).remove(newX - 1, removeEnd - newX));
    undoList_.AddChange(crDeleteAfterCursor, TPoint{newX, caretY_}, TPoint{removeEnd, caretY_}, removed, smNormal);
  }
  const TSrcEditorOptions oldOptions = options_;
  options_ |= eoScrollPastEol;
  ScopeExit restore([this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
  SetCaretXY(TPoint{newX, caretY_});
  SetBlockBegin(CaretXY());
}

// ------------------------------------------------------ block indentation

void TCustomSrcEdit::DoBlockIndent() {
  if (ReadOnly() || !SelAvail()) return;
  const TPoint oldBegin = BlockBegin(), oldEnd = BlockEnd();
  const TPoint caret = CaretXY();
  const TSrcSelectionMode oldMode = selectionMode_;
  int last = oldEnd.Y;
  int newCaretX;
  if (oldEnd.X == 1 && oldEnd.Y > oldBegin.Y) {
    --last;
    newCaretX = 1;
  } else {
    newCaretX = caret.X + (HasOption(eoTabsToSpaces) ? tabWidth_ : 1);
  }
  const QString indent = HasOption(eoTabsToSpaces) ? QString(tabWidth_, QLatin1Char(' ')) : QStringLiteral("\t");
  QStringList rows;
  for (int y = oldBegin.Y; y <= last; ++y) rows.append(indent);
  {
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    IncPaintLock();
    ScopeExit unlock([this] { DecPaintLock(); });
    InsertBlock(TPoint{1, oldBegin.Y}, TPoint{1, last}, rows.join(QStringLiteral("\r\n")), true);
    undoList_.AddChange(crIndent, oldBegin, oldEnd, QString(), smColumn);
    SetSelectionMode(oldMode);
  }
  const int shift = static_cast<int>(indent.size());
  const TPoint newBegin{oldBegin.X + shift, oldBegin.Y};
  const TPoint newEnd{last == oldEnd.Y ? oldEnd.X + shift : oldEnd.X, oldEnd.Y};
  PlaceCaretAndSelection(TPoint{newCaretX, caret.Y}, newBegin, newEnd);
}

void TCustomSrcEdit::DoBlockUnindent() {
  if (ReadOnly() || !SelAvail()) return;
  const TPoint oldBegin = BlockBegin(), oldEnd = BlockEnd();
  const TPoint caret = CaretXY();
  const TSrcSelectionMode oldMode = selectionMode_;
  const int last = oldEnd.X == 1 && oldEnd.Y > oldBegin.Y ? oldEnd.Y - 1 : oldEnd.Y;
  int caretX = caret.X;
  QStringList prefixes;
  bool anyIndented = false;
  int firstStep = 0, lastStep = 0;
  for (int y = oldBegin.Y; y <= last; ++y) {
    const QString line = Line(y);
    int step = 0;
    while (step < line.size() && step < tabWidth_) {
      const QChar c = line[step];
      if (c == QLatin1Char(' ')) {
        ++step;
      } else if (c == QLatin1Char('\t')) {
        ++step;
        break;
      } else {
        break;
      }
    }
    if (step > 0) anyIndented = true;
    prefixes.append(line.left(step));
    if (y == caret.Y && caret.X != 1) caretX -= step;
    if (y == oldBegin.Y) firstStep = step;
    lastStep = step;
  }
  if (anyIndented) {
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    IncPaintLock();
    ScopeExit unlock([this] { DecPaintLock(); });
    lines_->BeginUpdate();
    {
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      int y = oldBegin.Y;
      for (const QString& prefix : prefixes) {
        if (!prefix.isEmpty()) PutLine(y, Line(y).mid(prefix.size()));
        ++y;
      }
    }
    undoList_.AddChange(crUnindent, oldBegin, oldEnd, prefixes.join(QStringLiteral("\r\n")), smColumn);
  } else {
    firstStep = lastStep = 0;
  }
  SetSelectionMode(oldMode);
  const TPoint newBegin{oldBegin.X - firstStep, oldBegin.Y};
  const TPoint newEnd{last == oldEnd.Y ? oldEnd.X - lastStep : oldEnd.X, oldEnd.Y};
  PlaceCaretAndSelection(TPoint{std::max(1, caretX), caret.Y}, TPoint{std::max(1, newBegin.X), newBegin.Y},
                         TPoint{std::max(1, newEnd.X), newEnd.Y});
}

// ------------------------------------------------------------------- case

void TCustomSrcEdit::DoCaseChange(TSrcEditorCommand command) {
  if (ReadOnly()) return;
  const TPoint caret = CaretXY();
  // A case change is undone on its own, not with the typing before it.
  if (HasOption(eoGroupUndo)) undoList_.AddGroupBreak();
  if (command == ecToggleCase) {
    if (SelAvail()) {
      const TPoint anchor = blockBegin_, moving = blockEnd_;
      const QString text = SelTextForUndo();
      const QString mapped = MapChars(text, Toggle);
      if (mapped != text) SetSelText(mapped);
      PlaceCaretAndSelection(caret, anchor, moving);
      return;
    }
    const QString line = LineText();
    if (caret.X < 1 || caret.X > line.size()) return;
    int width = 1;
    if (line[caret.X - 1].isHighSurrogate() && caret.X < line.size() && line[caret.X].isLowSurrogate()) width = 2;
    const QString text = line.mid(caret.X - 1, width);
    const QString mapped = MapChars(text, Toggle);
    if (mapped != text) {
      BeginUndoBlock();  // Undo gives back the caret, not the character selected
      ScopeExit endBlock([this] { EndUndoBlock(); });
      const TSrcSelectionMode oldMode = selectionMode_;
      selectionMode_ = smNormal;
      ScopeExit restore([this, oldMode] { selectionMode_ = oldMode; });
      SetBlockBegin(caret);
      SetBlockEnd(TPoint{caret.X + width, caret.Y});
      SetSelText(mapped);
    }
    SetCaretXY(TPoint{caret.X + width, caret.Y});
    SetBlockBegin(CaretXY());
    return;
  }
  const TPoint start = CurrentWordStartPos();
  const TPoint end = CurrentWordEndPos();
  if (end.X <= start.X) return;
  const QString word = Line(caret.Y).mid(start.X - 1, end.X - start.X);
  QString mapped;
  if (command == ecUpperCase) {
    mapped = MapChars(word, Upper);
  } else if (command == ecLowerCase) {
    mapped = MapChars(word, Lower);
  } else {
    const int head = word[0].isHighSurrogate() && word.size() > 1 ? 2 : 1;
    mapped = MapChars(word.left(head), Upper) + MapChars(word.mid(head), Lower);
  }
  if (mapped == word) return;
  {
    BeginUndoBlock();  // Undo gives back the caret, not the word selected
    ScopeExit endBlock([this] { EndUndoBlock(); });
    const TSrcSelectionMode oldMode = selectionMode_;
    selectionMode_ = smNormal;
    ScopeExit restore([this, oldMode] { selectionMode_ = oldMode; });
    SetBlockBegin(start);
    SetBlockEnd(end);
    SetSelText(mapped);
  }
  SetCaretXY(caret);
  SetBlockBegin(caret);
}

// --------------------------------------------------------------- brackets

bool TCustomSrcEdit::GetTokenAttributeAt(TPoint p, QString& token, int& tokenKind, int& start,
                                         TSrcHighlighterAttributes*& attri) {
  token.clear();
  tokenKind = 0;
  start = 0;
  attri = nullptr;
  TSrcCustomHighlighter* h = Highlighter();
  if (!h || p.Y < 1 || p.Y > LineCount()) return false;
  RescanThrough(p.Y - 1);
  h->SetRange(lines_->LineRange(p.Y - 1));
  h->SetLine(Line(p.Y), p.Y - 1);
  for (int guard = h->MaxTokens(); guard > 0 && !h->AtLineEnd(); --guard) {
    const int tokenStart = h->GetTokenPos() + 1;
    const int length = h->GetTokenLength();
    if (p.X >= tokenStart && p.X < tokenStart + length) {
      token = h->GetTokenText();
      tokenKind = h->GetTokenKind();
      start = tokenStart;
      attri = h->GetTokenAttribute();
      return true;
    }
    h->ScanNext();
  }
  return false;
}

std::vector<char> TCustomSrcEdit::HiddenBracketMask(int line) {
  const QString text = Line(line);
  std::vector<char> mask;
  TSrcCustomHighlighter* h = Highlighter();
  if (!h) return mask;
  TSrcHighlighterAttributes* stringAttr = h->GetRoleAttribute(TSrcCustomHighlighter::roleString);
  TSrcHighlighterAttributes* commentAttr = h->GetRoleAttribute(TSrcCustomHighlighter::roleComment);
  if (!stringAttr && !commentAttr) return mask;
  mask.assign(text.size(), 0);
  RescanThrough(line - 1);
  h->SetRange(lines_->LineRange(line - 1));
  h->SetLine(text, line - 1);
  for (int guard = h->MaxTokens(); guard > 0 && !h->AtLineEnd(); --guard) {
    TSrcHighlighterAttributes* a = h->GetTokenAttribute();
    if (a && (a == stringAttr || a == commentAttr)) {
      const int from = std::clamp(h->GetTokenPos(), 0, static_cast<int>(text.size()));
      const int to = std::clamp(from + h->GetTokenLength(), from, static_cast<int>(text.size()));
      std::fill(mask.begin() + from, mask.begin() + to, 1);
    }
    h->ScanNext();
  }
  return mask;
}

TPoint TCustomSrcEdit::GetMatchingBracketAt(TPoint p, bool adjustForTabs) {
  const TPoint none{0, 0};
  if (p.Y < 1 || p.Y > LineCount()) return none;
  const QString first = Line(p.Y);
  if (p.X < 1 || p.X > first.size()) return none;
  const int index = static_cast<int>(kBrackets.indexOf(first[p.X - 1]));
  if (index < 0) return none;
  const QChar bracket = kBrackets[index];
  const bool forward = index % 2 == 0;
  const QChar partner = kBrackets[forward ? index + 1 : index - 1];
  int depth = 1;
  const int step = forward ? 1 : -1;
  for (int y = p.Y; y >= 1 && y <= LineCount(); y += step) {
    const QString line = y == p.Y ? first : Line(y);
    const int n = static_cast<int>(line.size());
    int x = y == p.Y ? p.X - 1 + step : (forward ? 0 : n - 1);  // index from 0
    // The highlighter is asked once per line, and only for a line that
    // holds one of the two brackets.
    bool maskDone = false;
    std::vector<char> mask;
    for (; x >= 0 && x < n; x += step) {
      const QChar c = line[x];
      if (c != bracket && c != partner) continue;
      if (!maskDone) {
        mask = HiddenBracketMask(y);
        maskDone = true;
      }
      if (!mask.empty() && mask[x]) continue;
      depth += c == bracket ? 1 : -1;
      if (depth == 0) {
        TPoint result{x + 1, y};
        if (adjustForTabs) result = CharToDisplayPos(result);
        return result;
      }
    }
  }
  return none;
}

TPoint TCustomSrcEdit::GetMatchingBracket() { return GetMatchingBracketAt(CaretXY(), false); }

void TCustomSrcEdit::GotoMatchingBracket() {
  const TPoint p = GetMatchingBracket();
  if (p.X < 1 || p.Y < 1) return;
  SetCaretXY(p);
  SetBlockBegin(CaretXY());
}

QString TCustomSrcEdit::GetWordAtRowCol(TPoint p) const {
  if (p.Y < 1 || p.Y > LineCount()) return QString();
  const QString line = Line(p.Y);
  const int len = static_cast<int>(line.size());
  if (p.X < 1 || p.X > len + 1) return QString();
  const TSrcCustomHighlighter* h = Highlighter();
  const TSrcIdentChars ident =
      h ? h->GetIdentChars() : TSrcIdentChars(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int start = p.X;
  while (start > 1 && ident.Contains(line[start - 2])) --start;
  int end = p.X;
  while (end <= len && ident.Contains(line[end - 1])) ++end;
  return line.mid(start - 1, end - start);
}
