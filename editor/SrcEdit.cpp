#include "editor/SrcEdit.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditKbdHandler.h"
#include "platform/ScopeExit.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString TrimRight(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && (s[n - 1] == QLatin1Char(' ') || s[n - 1] == QLatin1Char('\t'))) --n;
  return n == s.size() ? s : s.left(n);
}

bool FontIsFixedPitch(const QFont& font) {
  const QFontMetrics m(font);
  return QFontInfo(font).fixedPitch() && m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W'));
}

}  // namespace

QFont DefaultEditorFont(int pointSize) {
  QFont font(QStringLiteral("Courier New"), pointSize);
  font.setStyleHint(QFont::TypeWriter);
  if (QFontInfo(font).family() == font.family() && FontIsFixedPitch(font)) return font;
  font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(pointSize);
  if (FontIsFixedPitch(font)) return font;
  font = QFont(QStringLiteral("monospace"), pointSize);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (FontIsFixedPitch(font)) return font;
  for (const QString& family : QFontDatabase::families()) {
    if (!QFontDatabase::isFixedPitch(family)) continue;
    const QFont fixed(family, pointSize);
    if (FontIsFixedPitch(fixed)) return fixed;
  }
  return font;
}

// ------------------------------------------------------------ construction

TCustomSrcEdit::TCustomSrcEdit(QWidget* parent)
    : QAbstractScrollArea(parent),
      lines_(std::make_unique<TSrcEditStringList>()),
      bookMarkOpt_(this),
      font_(DefaultEditorFont()),
      kbdHandler_(std::make_unique<TSrcEditKbdHandler>()) {
  textDrawer_ = std::make_unique<TSrcTextDrawer>(0, font_);
  offsets_.assign(1, 0);

  // A mark that joins or leaves the list shows in or goes from the gutter.
  marks_.OnChange = [this](TObject*) {
    if (!isVisible()) return;
    const QRect gutter(0, 0, gutterWidth_, viewport()->height());
    if (paintLock_ > 0)
      invalidRegion_ += gutter;
    else
      viewport()->update(gutter);
  };
  lines_->OnChanging = [this](TObject*) { LinesChanging(); };
  lines_->OnChange = [this](TObject*) { LinesChanged(); };
  lines_->OnLinesCleared = [this](TObject*) { LinesCleared(); };
  lines_->OnLinesAdded = [this](int index, const QString& text) { LinesAddedOrInserted(index, text); };
  lines_->OnLineInserted = [this](int index, const QString& text) { LinesAddedOrInserted(index, text); };
  lines_->OnLineReplaced = [this](int index, const QString& text) { LineReplaced(index, text); };
  lines_->OnLineDeleted = [this](int index) { LineDeleted(index); };

  undoList_.OnAdded = [this](TSrcEditUndoList* sender) { UndoRedoAdded(sender); };
  redoList_.OnAdded = [this](TSrcEditUndoList* sender) { UndoRedoAdded(sender); };

  gutter_.OnChange = [this](TObject*) { GutterChanged(); };
  selectedColor_.OnChange = [this](TObject*) { viewport()->update(); };
  bookMarkOpt_.OnChange = [this](TObject*) { viewport()->update(); };

  viewport()->setCursor(Qt::IBeamCursor);
  // The mouse cursor changes over the gutter and a selection without a
  // button held.
  viewport()->setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // Text dragged from editors is always welcome; whether dropped files are
  // taken is decided by eoDropFiles when they arrive.
  setAcceptDrops(true);
  // Drops reach the scroll area through its viewport only.
  viewport()->setAcceptDrops(true);
  resize(200, 150);
  RecalcCharExtent();
  SetDefaultKeystrokes();
}

TCustomSrcEdit::~TCustomSrcEdit() {
  for (TSrcEditPlugin* plugin : plugins_) plugin->owner_ = nullptr;
  if (highlighter_) highlighter_->RemoveChangeHandler(TNotifyEvent::Bind<&TCustomSrcEdit::HighlighterChanged>(this));
  lines_->OnChanging = nullptr;
  lines_->OnChange = nullptr;
  lines_->OnLinesCleared = nullptr;
  lines_->OnLinesAdded = nullptr;
  lines_->OnLineInserted = nullptr;
  lines_->OnLineReplaced = nullptr;
  lines_->OnLineDeleted = nullptr;
}

// ------------------------------------------------------------------ metrics

void TCustomSrcEdit::RecalcCharExtent() {
  MeasureCharExtent();
  gutterWidth_ = GutterPixelWidth();
  SetTextOffset();
  SizeOrFontChanged(true);
}

void TCustomSrcEdit::SetTextOffset() { textOffset_ = gutterWidth_ + 2 - (leftChar_ - 1) * charWidth_; }

void TCustomSrcEdit::SizeOrFontChanged(bool fontChanged) {
  const QSize client = viewport()->size();
  charsInWindow_ = std::max(1, (client.width() - gutterWidth_ - 2) / charWidth_);
  linesInWindow_ = std::max(1, client.height() / lineHeight_);
  if (fontChanged) viewport()->update();
  SetLeftChar(leftChar_);
  SetTopLine(topLine_);
  UpdateScrollBars();
}

void TCustomSrcEdit::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  SizeOrFontChanged(false);
}

void TCustomSrcEdit::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  for (const QRect& rect : event->region()) Paint(painter, rect);
}

void TCustomSrcEdit::UpdateScrollBars() {
  if (paintLock_ > 0) {
    stateFlags_ |= sfScrollbarChanged;
    return;
  }
  stateFlags_ &= ~sfScrollbarChanged;
  QScrollBar* v = verticalScrollBar();
  QScrollBar* h = horizontalScrollBar();
  const QSignalBlocker bv(v), bh(h);
  const int maxTop =
      HasOption(eoScrollPastEof) ? std::max(1, LineCount()) : std::max(1, LineCount() + 1 - linesInWindow_);
  v->setRange(1, maxTop);
  const int oneLess = HasOption(eoScrollByOneLess) ? 1 : 0;
  v->setPageStep(std::max(1, linesInWindow_ - oneLess));
  v->setValue(topLine_);
  h->setRange(1, std::max(1, LeftCharBound() - charsInWindow_ + 1));
  h->setPageStep(std::max(1, charsInWindow_ - oneLess));
  h->setValue(leftChar_);
  // Bars stay visible, greyed when nothing can scroll, unless the option
  // lets them hide.
  const Qt::ScrollBarPolicy shown = HasOption(eoHideShowScrollbars) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
  const Qt::ScrollBarPolicy hp = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth ? shown : Qt::ScrollBarAlwaysOff;
  const Qt::ScrollBarPolicy vp = scrollBars_ == ssVertical || scrollBars_ == ssBoth ? shown : Qt::ScrollBarAlwaysOff;
  if (horizontalScrollBarPolicy() != hp) setHorizontalScrollBarPolicy(hp);
  if (verticalScrollBarPolicy() != vp) setVerticalScrollBarPolicy(vp);
  h->setEnabled(h->maximum() > h->minimum());
  v->setEnabled(v->maximum() > v->minimum());
}

void TCustomSrcEdit::SetGutterWidth(int value) {
  value = std::max(value, 0);
  if (value == gutterWidth_) return;
  gutterWidth_ = value;
  SetTextOffset();
  charsInWindow_ = std::max(1, (viewport()->width() - gutterWidth_ - 2) / charWidth_);
  UpdateScrollBars();
  viewport()->update();
  UpdateCaret();  // the text area moved
}

void TCustomSrcEdit::SetFont(const QFont& value) {
  QFont font = value;
  if (!FontIsFixedPitch(value)) {
    font = QFont(font_.family());
    if (value.pointSizeF() > 0)
      font.setPointSizeF(value.pointSizeF());
    else if (value.pixelSize() > 0)
      font.setPixelSize(value.pixelSize());
    font.setBold(value.bold());
    font.setItalic(value.italic());
    font.setUnderline(value.underline());
    font.setStrikeOut(value.strikeOut());
  }
  font_ = font;
  textDrawer_->SetBaseFont(&font_);
  RecalcCharExtent();
  if (gutter_.ShowLineNumbers()) gutter_.AutoSizeDigitCount(LineCount());
}

void TCustomSrcEdit::SetExtraLineSpacing(int value) {
  if (value == extraLineSpacing_) return;
  extraLineSpacing_ = value;
  RecalcCharExtent();
}

// ---------------------------------------------------------- paint lock etc.

void TCustomSrcEdit::IncPaintLock() { ++paintLock_; }

void TCustomSrcEdit::DecPaintLock() {
  if (paintLock_ <= 0) return;
  if (--paintLock_ > 0) return;
  if (stateFlags_ & sfScrollbarChanged) UpdateScrollBars();
  if (!invalidRegion_.isEmpty() && !(stateFlags_ & sfLinesChanging)) {
    viewport()->update(invalidRegion_);
    invalidRegion_ = QRegion();
  }
  if (stateFlags_ & sfCaretChanged) UpdateCaret();
  if (statusChanges_ != 0) DoOnStatusChange(statusChanges_);
}

void TCustomSrcEdit::StatusChanged(TSrcStatusChanges changes) {
  statusChanges_ |= changes;
  if (paintLock_ == 0) DoOnStatusChange(statusChanges_);
}

void TCustomSrcEdit::DoOnStatusChange(TSrcStatusChanges changes) {
  statusChanges_ = 0;
  if (OnStatusChange) OnStatusChange(this, changes);
}

// ------------------------------------------------------------ state setters

void TCustomSrcEdit::SetOptions(TSrcEditorOptions value) {
  if (value == options_) return;
  const TSrcEditorOptions old = options_;
  options_ = value;
  SetLeftChar(leftChar_);
  SetTopLine(topLine_);
  if (!(value & eoScrollPastEol)) SetCaretXY(CaretXY());
  if ((old ^ value) & eoShowSpecialChars) viewport()->update();
  if ((old ^ value) & (eoScrollByOneLess | eoScrollPastEof | eoScrollPastEol | eoHideShowScrollbars))
    UpdateScrollBars();
}

void TCustomSrcEdit::SetModified(bool value) {
  if (value == modified_) return;
  modified_ = value;
  StatusChanged(scModified);
}

void TCustomSrcEdit::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  StatusChanged(scReadOnly);
}

void TCustomSrcEdit::SetInsertMode(bool value) {
  if (value == insertMode_) return;
  insertMode_ = value;
  StatusChanged(scInsertMode);
  UpdateCaret();
}

void TCustomSrcEdit::SetTabWidth(int value) {
  value = std::clamp(value, 1, 256);
  if (value == tabWidth_) return;
  tabWidth_ = value;
  lines_->SetTabWidth(value);
  viewport()->update();
}

int TCustomSrcEdit::MaxLeftChar() const {
  // A bound on the longest line within MaxLeftChar settles it without a count.
  if (longestLength_ >= 0 && longestTabWidth_ == lines_->TabWidth() && longestLength_ + 1 <= maxLeftChar_)
    return maxLeftChar_;
  return std::max(maxLeftChar_, LongestLength() + 1);
}

void TCustomSrcEdit::SetMaxLeftChar(int value) {
  value = std::max(value, 1);
  if (value == maxLeftChar_) return;
  maxLeftChar_ = value;
  SetLeftChar(leftChar_);
  viewport()->update();
}

void TCustomSrcEdit::SetRightEdge(int value) {
  if (StoreIfChanged(rightEdge_, value)) viewport()->update();
}

void TCustomSrcEdit::SetRightEdgeColor(TColor value) {
  if (value == rightEdgeColor_) return;
  rightEdgeColor_ = value;
  // Only the three-pixel column around the edge line changes.
  if (rightEdge_ > 0) viewport()->update(QRect(rightEdge_ * charWidth_ + textOffset_ - 1, 0, 3, viewport()->height()));
}

void TCustomSrcEdit::SetScrollBars(TScrollStyle value) {
  if (value == scrollBars_) return;
  scrollBars_ = value;
  UpdateScrollBars();
  viewport()->update();
}

void TCustomSrcEdit::SetHideSelection(bool value) {
  if (StoreIfChanged(hideSelection_, value)) viewport()->update();
}

void TCustomSrcEdit::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  // Inside a change the lines stay unwrapped; its end wraps them.
  if (logicalDepth_ == 0) lines_->SetWordWrap(value);
  viewport()->update();
}

TPoint TCustomSrcEdit::WrappedToLogical(TPoint p) const {
  const int count = LineCount();
  int logical = 0;  // file lines before the piece's line
  int first = 0;    // the first piece of the piece's line
  const int last = std::min(p.Y, count);
  for (int i = 0; i < last; ++i)
    if (!lines_->IsContinuation(i)) {
      ++logical;
      first = i;
    }
  if (p.Y > count || p.Y < 1) return TPoint{p.X, logical + std::max(0, p.Y - count)};
  int x = p.X;
  for (int i = first; i < p.Y - 1; ++i) x += lines_->LineLength(i);
  return TPoint{x, logical};
}

TPoint TCustomSrcEdit::LogicalToWrapped(TPoint p) const {
  const int count = LineCount();
  int logical = 0, r = -1;
  for (int i = 0; i < count; ++i)
    if (!lines_->IsContinuation(i) && ++logical == p.Y) {
      r = i;
      break;
    }
  if (r < 0) return TPoint{p.X, count + std::max(0, p.Y - logical)};
  int x = p.X;
  while (x > lines_->LineLength(r) + 1 && r + 1 < count && lines_->IsContinuation(r + 1)) {
    x -= lines_->LineLength(r);
    ++r;
  }
  return TPoint{x, r + 1};
}

void TCustomSrcEdit::BeginLogicalLines() {
  if (logicalDepth_++ > 0 || !lines_->WordWrap()) return;
  const TPoint caret = WrappedToLogical(CaretXY());
  const TPoint begin = WrappedToLogical(blockBegin_), end = WrappedToLogical(blockEnd_);
  // The buffer's change notice puts the selection on the caret: it is set
  // once the lines are joined.
  lines_->SetWordWrap(false);
  blockBegin_ = begin;
  blockEnd_ = end;
  caretX_ = caret.X;
  caretY_ = caret.Y;
}

void TCustomSrcEdit::EndLogicalLines() {
  if (logicalDepth_ <= 0 || --logicalDepth_ > 0 || !wordWrap_ || lines_->WordWrap()) return;
  const TPoint logicalCaret = CaretXY(), begin = blockBegin_, end = blockEnd_;
  lines_->SetWordWrap(true);
  const TPoint caret = LogicalToWrapped(logicalCaret);
  blockBegin_ = LogicalToWrapped(begin);
  blockEnd_ = LogicalToWrapped(end);
  SetCaretRaw(caret);
  // The lines were wrapped anew without notice: every state is in doubt.
  RescanEverything();
  longestLength_ = -1;
  RunPendingRescan();
  viewport()->update();
}

void TCustomSrcEdit::SetTopLine(int value) {
  const int bound = HasOption(eoScrollPastEof) ? LineCount() : LineCount() + 1 - linesInWindow_;
  value = std::max(std::min(value, bound), 1);
  if (value == topLine_) return;
  const int delta = topLine_ - value;
  topLine_ = value;
  UpdateScrollBars();
  if (std::abs(delta) < linesInWindow_)
    ScrollViewport(0, delta * lineHeight_);
  else
    viewport()->update();
  StatusChanged(scTopLine);
}

void TCustomSrcEdit::SetLeftChar(int value) {
  value = std::max(std::min(value, LeftCharBound() - charsInWindow_ + 1), 1);
  if (value == leftChar_) return;
  const int delta = leftChar_ - value;
  leftChar_ = value;
  SetTextOffset();
  UpdateScrollBars();
  if (std::abs(delta) < charsInWindow_)
    ScrollViewport(delta * charWidth_, 0);
  else
    viewport()->update();
  StatusChanged(scLeftChar);
}

void TCustomSrcEdit::SetHighlighter(TSrcCustomHighlighter* value) {
  if (value == highlighter_.data()) return;
  const TNotifyEvent handler = TNotifyEvent::Bind<&TCustomSrcEdit::HighlighterChanged>(this);
  if (highlighter_) {
    highlighter_->RemoveChangeHandler(handler);
    disconnect(highlighter_, &QObject::destroyed, this, nullptr);
  }
  highlighter_ = value;
  if (value) {
    value->AddChangeHandler(handler);
    connect(value, &QObject::destroyed, this, [this] {
      highlighter_ = nullptr;
      rescanFrom_ = rescanReach_ = -1;
      RecalcCharExtent();
      viewport()->update();
    });
  }
  RecalcCharExtent();
  RescanEverything();
  RunPendingRescan();
  viewport()->update();
}

// A changed highlighter may scan the same text into other states.
void TCustomSrcEdit::HighlighterChanged(TObject*) {
  RecalcCharExtent();
  RescanEverything();
  RunPendingRescan();
  viewport()->update();
}

// --------------------------------------------------------------------- text

QString TCustomSrcEdit::TrimIfWanted(const QString& s) const {
  return HasOption(eoTrimTrailingSpaces) ? TrimRight(s) : s;
}

QString TCustomSrcEdit::Text() const {
  QString out;
  const int n = LineCount();
  for (int i = 0; i < n; ++i) {
    if (i > 0 && !lines_->IsContinuation(i)) out += kCRLF;
    out += lines_->Get(i);
  }
  return out;
}

void TCustomSrcEdit::SetText(const QString& text) {
  QStringList lines = SplitTextLines(text);
  if (!text.isEmpty() && (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))) lines.removeLast();
  if (text.isEmpty()) lines.clear();
  SetLines(lines);
}

void TCustomSrcEdit::SetLines(const QStringList& lines) {
  {
    lines_->BeginUpdate();
    ScopeExit end([this] { lines_->EndUpdate(); });
    lines_->Clear();
    lines_->AddStrings(lines);
  }
  ClearUndo();
}

QString TCustomSrcEdit::LineText() const { return caretY_ >= 1 && caretY_ <= LineCount() ? Line(caretY_) : QString(); }

void TCustomSrcEdit::SetLineText(const QString& value) {
  const LogicalLines logical(this);
  if (caretY_ >= 1 && caretY_ <= std::max(1, LineCount())) lines_->Put(caretY_ - 1, TrimIfWanted(value));
}

void TCustomSrcEdit::ClearAll() {
  lines_->Clear();
  marks_.Clear();
  bookmarks_.fill(nullptr);
  ClearUndo();
  SetModified(false);
}

// -------------------------------------------------------------------- caret

TPoint TCustomSrcEdit::PairStart(TPoint p) const {
  if (p.Y < 1 || p.Y > LineCount() || p.X < 2 || p.X > lines_->LineLength(p.Y - 1)) return p;
  const QString line = Line(p.Y);
  if (line[p.X - 1].isLowSurrogate() && line[p.X - 2].isHighSurrogate()) --p.X;
  return p;
}

int TCustomSrcEdit::ClampColumn(int x) const {
  // Replays put recorded positions back whatever the column limit; the
  // longest line is looked at only for a column beyond MaxLeftChar.
  if (x <= maxLeftChar_ || replaying_ > 0) return std::max(x, 1);
  return std::min(x, MaxLeftChar());
}

TPoint TCustomSrcEdit::ClampPoint(TPoint p) const {
  p.X = ClampColumn(p.X);
  p.Y = std::clamp(p.Y, 1, std::max(1, LineCount()));
  return p;
}

void TCustomSrcEdit::SetCaretXYEx(bool ensureVisible, TPoint p) {
  DoOnPaintTransient(ttBefore);
  int maxX = std::max(1, ClampColumn(p.X));
  int y = p.Y;
  if (y > LineCount()) y = LineCount();
  if (y < 1) {
    y = 1;
    if (!HasOption(eoScrollPastEol)) maxX = 1;
  } else if (!HasOption(eoScrollPastEol)) {
    maxX = static_cast<int>(Line(y).size()) + 1;
  }
  int x = std::max(std::min(p.X, maxX), 1);
  // Never between the two halves of a surrogate pair: to the pair's start.
  // Undo and redo put the caret back exactly where it was recorded.
  if (replaying_ == 0) x = PairStart(TPoint{x, y}).X;
  if (x == caretX_ && y == caretY_) {
    lastCaretX_ = CharToDisplayPos(CaretXY()).X;
    DoOnPaintTransient(ttAfter);
    return;
  }
  {
    IncPaintLock();
    ScopeExit unlock([this] { DecPaintLock(); });
    SetCaretRaw(TPoint{x, y});
    if (ensureVisible) EnsureCursorPosVisible();
    stateFlags_ |= sfCaretChanged | sfScrollbarChanged;
  }
  DoOnPaintTransient(ttAfter);
}

void TCustomSrcEdit::SetCaretRaw(TPoint p) {
  if (p.X != caretX_) {
    caretX_ = p.X;
    StatusChanged(scCaretX);
  }
  if (p.Y != caretY_) {
    caretY_ = p.Y;
    StatusChanged(scCaretY);
  }
  lastCaretX_ = CharToDisplayPos(CaretXY()).X;
  stateFlags_ |= sfCaretChanged;
  if (paintLock_ == 0) UpdateCaret();
}

void TCustomSrcEdit::EnsureCursorPosVisible() {
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  // The caret's place on the screen counts: its column with tabs expanded.
  const int column = CharToDisplayPos(CaretXY()).X;
  if (column < leftChar_)
    SetLeftChar(column);
  else if (column >= leftChar_ + charsInWindow_)
    SetLeftChar(column - charsInWindow_ + 1);
  if (caretY_ < topLine_)
    SetTopLine(caretY_);
  else if (caretY_ > topLine_ + linesInWindow_ - 1)
    SetTopLine(caretY_ - linesInWindow_ + 1);
}

void TCustomSrcEdit::ScrollAheadOfCaret(TPoint p) {
  // Typing past the right side jumps ahead by a good step instead of one
  // column per character.
  if (CharToDisplayPos(p).X >= leftChar_ + charsInWindow_)
    SetLeftChar(leftChar_ + std::max(1, std::min(25, charsInWindow_ - 1)));
}

void TCustomSrcEdit::EnsureSelectionVisible() {
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  EnsureCursorPosVisible();
  // The other end of a selection on the caret's line is shown too when the
  // window is wide enough for both.
  const TPoint other = blockBegin_ == CaretXY() ? blockEnd_ : blockBegin_;
  if (other.Y != caretY_ || other == CaretXY()) return;
  const int caretColumn = CharToDisplayPos(CaretXY()).X;
  const int otherColumn = CharToDisplayPos(other).X;
  const int from = std::min(caretColumn, otherColumn), to = std::max(caretColumn, otherColumn);
  if (to - from >= charsInWindow_) return;
  if (from < leftChar_)
    SetLeftChar(from);
  else if (to >= leftChar_ + charsInWindow_)
    SetLeftChar(to - charsInWindow_ + 1);
}

int TCustomSrcEdit::LeftCharBound() const {
  // The caret can always be brought into view: past the longest line when
  // the caret may not go beyond line ends, and to the caret's own column
  // when tabs widen its line beyond MaxLeftChar.
  if (!HasOption(eoScrollPastEol)) return LongestLength() + 1;
  return std::max(MaxLeftChar(), CharToDisplayPos(CaretXY()).X);
}

// ---------------------------------------------------------------- selection

TPoint TCustomSrcEdit::BlockBegin() const { return EarlierPoint(blockBegin_, blockEnd_); }
TPoint TCustomSrcEdit::BlockEnd() const { return LaterPoint(blockBegin_, blockEnd_); }

bool TCustomSrcEdit::SelAvail() const {
  return !(blockBegin_.X == blockEnd_.X && (blockBegin_.Y == blockEnd_.Y || selectionMode_ == smColumn));
}

void TCustomSrcEdit::SetBlockBegin(TPoint p) {
  p.X = ClampColumn(p.X);
  p.Y = std::clamp(p.Y, 1, std::max(1, LineCount()));
  if (selectionMode_ == smNormal) p.X = p.Y <= LineCount() ? std::min(p.X, static_cast<int>(Line(p.Y).size()) + 1) : 1;
  // As for the moving end: never between the halves of a surrogate pair.
  p = PairStart(p);
  const bool hadSelection = SelAvail();
  const TPoint oldFirst = BlockBegin(), oldLast = BlockEnd();
  const bool changed = !(blockBegin_ == p && blockEnd_ == p);
  blockBegin_ = p;
  blockEnd_ = p;
  if (hadSelection) InvalidateLines(oldFirst.Y, oldLast.Y);
  if (changed) StatusChanged(scSelection);
}

void TCustomSrcEdit::SetBlockEnd(TPoint p) {
  if (HasOption(eoNoSelection)) return;
  p.X = ClampColumn(p.X);
  p.Y = std::clamp(p.Y, 1, std::max(1, LineCount()));
  if (selectionMode_ == smNormal) p.X = p.Y <= LineCount() ? std::min(p.X, static_cast<int>(Line(p.Y).size()) + 1) : 1;
  p = PairStart(p);
  if (p == blockEnd_) return;
  const TPoint old = blockEnd_;
  blockEnd_ = p;
  if (selectionMode_ == smColumn)
    InvalidateLines(std::min({blockBegin_.Y, old.Y, p.Y}), std::max({blockBegin_.Y, old.Y, p.Y}));
  else
    InvalidateLines(std::min(old.Y, p.Y), std::max(old.Y, p.Y));
  StatusChanged(scSelection);
}

void TCustomSrcEdit::SetSelectionRaw(TPoint begin, TPoint end) {
  blockBegin_ = ClampPoint(begin);
  blockEnd_ = ClampPoint(end);
  SetCaretRaw(blockBegin_);
  StatusChanged(scSelection);
}

void TCustomSrcEdit::SetSelectionMode(TSrcSelectionMode value) {
  if (value == selectionMode_) return;
  selectionMode_ = value;
  // A column block may end past a line end; a normal selection may not, or
  // deleting it would record blanks that were never there.
  if (value == smNormal) {
    auto clampToLine = [this](TPoint& p) {
      if (p.Y >= 1 && p.Y <= LineCount()) p.X = std::min(p.X, lines_->LineLength(p.Y - 1) + 1);
    };
    clampToLine(blockBegin_);
    clampToLine(blockEnd_);
  }
  if (SelAvail()) viewport()->update();
  StatusChanged(scSelection);
}

void TCustomSrcEdit::SelectAll() {
  TPoint last{1, 1};
  if (LineCount() > 0) last = TPoint{static_cast<int>(Line(LineCount()).size()) + 1, LineCount()};
  SetBlockBegin(TPoint{1, 1});
  SetCaretXY(last);
  SetBlockEnd(last);
}

bool TCustomSrcEdit::SelTabBlock() const { return blockBegin_.Y != blockEnd_.Y && selectionMode_ != smColumn; }

bool TCustomSrcEdit::SelTabLine() const {
  return BlockBegin().X == 1 && BlockEnd().X > LineText().size() && SelAvail();
}

QString TCustomSrcEdit::GetWordAtCursor() {
  const TPoint caret = CaretXY();
  SetBlockBegin(CurrentWordStartPos());
  SetBlockEnd(CurrentWordEndPos());
  const QString word = GetSelText();
  SetBlockBegin(caret);
  return word;
}

// ------------------------------------------------------- buffer reactions

void TCustomSrcEdit::LinesChanging() { stateFlags_ |= sfLinesChanging; }

void TCustomSrcEdit::LinesChanged() {
  stateFlags_ &= ~sfLinesChanging;
  if (inRescan_) return;  // storing scanner states changes no text
  // Lines rearranged without a notification (wrapped anew) leave every
  // stored state in doubt.
  if (LineCount() != knownCount_) {
    RescanEverything();
    longestLength_ = -1;
  }
  RunPendingRescan();
  UpdateScrollBars();
  SetBlockBegin(CaretXY());
  if (!invalidRegion_.isEmpty()) {
    viewport()->update(invalidRegion_);
    invalidRegion_ = QRegion();
  }
  if (gutter_.AutoSize() && gutter_.ShowLineNumbers()) gutter_.AutoSizeDigitCount(LineCount());
  if (!HasOption(eoScrollPastEof)) SetTopLine(topLine_);
}

void TCustomSrcEdit::LinesCleared() {
  rescanFrom_ = rescanReach_ = -1;
  longestLength_ = -1;
  knownCount_ = 0;
  InvalidateOffsets(0);
  lengths_.Clear();
  ClearUndo();
  invalidRegion_ = QRegion();
  viewport()->update();
  blockBegin_ = blockEnd_ = TPoint{1, 1};
  SetCaretRaw(TPoint{1, 1});
  SetTopLine(1);
  SetLeftChar(1);
  StatusChanged(scAll);
}

void TCustomSrcEdit::LinesAddedOrInserted(int index, const QString& text) {
  // The new lines end where the lines after them start again.
  LongestLinesMoved(index, NoteChangedLines(index - 1, index, index + std::max(0, LineCount() - knownCount_) - 1));
  LengthsInserted(index);
  if (HasOption(eoAutoSizeMaxLeftChar) && text.size() > maxLeftChar_ - 1)
    SetMaxLeftChar(static_cast<int>(text.size()) + 1);
  InvalidateLines(index + 1, topLine_ + linesInWindow_);
}

void TCustomSrcEdit::LineReplaced(int index, const QString& text) {
  LongestLinesMoved(index + 1, NoteChangedLines(index, index + 1, index));
  LongestLineReplaced(index);
  LengthReplaced(index);
  if (HasOption(eoAutoSizeMaxLeftChar) && text.size() >= maxLeftChar_ - 1)
    SetMaxLeftChar(static_cast<int>(text.size()) + 2);
  InvalidateLine(index + 1);
}

void TCustomSrcEdit::LineDeleted(int index) {
  LongestLinesMoved(index, NoteChangedLines(index - 1, index, index));
  LengthsDeleted(index);
  InvalidateLines(index + 1, topLine_ + linesInWindow_);
}

// ----------------------------------------------------------- invalidation

void TCustomSrcEdit::InvalidateLines(int first, int last) {
  if (!isVisible()) return;
  if (first > last) std::swap(first, last);
  first = std::max(first, topLine_);
  last = std::min(last, topLine_ + linesInWindow_);
  if (first > last) return;
  const QRect rect(0, (first - topLine_) * lineHeight_, viewport()->width(), (last - first + 1) * lineHeight_);
  if (paintLock_ > 0 || (stateFlags_ & sfLinesChanging))
    invalidRegion_ += rect;
  else
    viewport()->update(rect);
}

void TCustomSrcEdit::InvalidateLine(int line) {
  if (line < 1 || line > LineCount()) return;
  InvalidateLines(line, line);
}

void TCustomSrcEdit::InvalidateGutterLine(int line) {
  if (!isVisible() || line < topLine_ || line > topLine_ + linesInWindow_ || line > LineCount()) return;
  const QRect rect(0, (line - topLine_) * lineHeight_, gutterWidth_, lineHeight_);
  if (paintLock_ > 0)
    invalidRegion_ += rect;
  else
    viewport()->update(rect);
}

// ------------------------------------------------------------- marks, hooks

void TCustomSrcEdit::SetBookmarkSlot(int index, TSrcEditMark* mark) {
  if (index >= 0 && index < 10) bookmarks_[index] = mark;
}

void TCustomSrcEdit::RegisterCommandHandler(const THookedCommandEvent& handler, void* handlerData) {
  if (!handler) return;
  for (const auto& e : hookedCommandHandlers_)
    if (e.event == handler && e.data == handlerData) return;
  hookedCommandHandlers_.push_back(THookedCommandHandlerEntry{handler, handlerData});
}

void TCustomSrcEdit::UnregisterCommandHandler(const THookedCommandEvent& handler, void* handlerData) {
  for (auto it = hookedCommandHandlers_.begin(); it != hookedCommandHandlers_.end(); ++it) {
    if (it->event == handler && it->data == handlerData) {
      hookedCommandHandlers_.erase(it);
      return;
    }
  }
}

void TCustomSrcEdit::NotifyCommandHandlers(bool afterProcessing, TSrcEditorCommand& command, QChar& achar,
                                           const TSrcCommandData* data) {
  bool handled = false;
  // A handler may unregister itself or others while being told; entries
  // removed meanwhile are skipped.
  const std::vector<THookedCommandHandlerEntry> snapshot = hookedCommandHandlers_;
  for (const auto& entry : snapshot) {
    const bool still = std::any_of(hookedCommandHandlers_.begin(), hookedCommandHandlers_.end(),
                                   [&](const auto& e) { return e.event == entry.event && e.data == entry.data; });
    if (!still) continue;
    entry.event(this, afterProcessing, handled, command, achar, data, entry.data);
  }
  if (handled) command = ecNone;
}

// -------------------------------------------------------------- dispatchers

void TCustomSrcEdit::DoOnClearBookmark(TSrcEditMark* mark) {
  if (OnClearBookmark) OnClearBookmark(this, mark);
}

void TCustomSrcEdit::DoOnPlaceBookmark(TSrcEditMark*& mark) {
  if (OnPlaceBookmark) OnPlaceBookmark(this, mark);
}

void TCustomSrcEdit::DoOnPaint(QPainter* painter) {
  if (!OnPaint) return;
  painter->setFont(font_);
  const QColor background = ToQColor(color_);
  painter->setBrush(background.isValid() ? background : QColor(Qt::white));
  OnPaint(this, painter);
}

void TCustomSrcEdit::DoOnPaintTransientEx(TTransientType type, bool lock) {
  if (lock && type == ttBefore) ++paintTransientLock_;
  // Outside a paint event there is no canvas to hand over.
  if (paintTransientLock_ == 0 && OnPaintTransient) OnPaintTransient(this, nullptr, type);
  if (lock && type == ttAfter && paintTransientLock_ > 0) --paintTransientLock_;
}

TSrcReplaceAction TCustomSrcEdit::DoOnReplaceText(const QString& search, const QString& replace, int line, int column) {
  TSrcReplaceAction action = raCancel;
  if (OnReplaceText) OnReplaceText(this, search, replace, line, column, action);
  return action;
}

bool TCustomSrcEdit::DoOnSpecialLineColors(int line, TColor& foreground, TColor& background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, line, special, foreground, background);
  return special;
}

// --------------------------------------------------------------- plug-ins

TSrcEditPlugin::TSrcEditPlugin(TCustomSrcEdit* owner) : owner_(owner) {
  if (owner_) owner_->plugins_.push_back(this);
}

TSrcEditPlugin::~TSrcEditPlugin() {
  if (!owner_) return;
  auto& list = owner_->plugins_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TCustomSrcEdit::DoLinesInserted(int firstLine, int count) {
  marks_.LinesInserted(firstLine, count);
  const std::vector<TSrcEditPlugin*> snapshot = plugins_;
  for (TSrcEditPlugin* plugin : snapshot)
    if (std::find(plugins_.begin(), plugins_.end(), plugin) != plugins_.end()) plugin->LinesInserted(firstLine, count);
}

void TCustomSrcEdit::DoLinesDeleted(int firstLine, int count) {
  marks_.LinesDeleted(firstLine, count);
  const std::vector<TSrcEditPlugin*> snapshot = plugins_;
  for (TSrcEditPlugin* plugin : snapshot)
    if (std::find(plugins_.begin(), plugins_.end(), plugin) != plugins_.end()) plugin->LinesDeleted(firstLine, count);
}

void TCustomSrcEdit::DoPluginsAfterPaint(QPainter& painter, const QRect& rect, int firstLine, int lastLine) {
  const std::vector<TSrcEditPlugin*> snapshot = plugins_;
  for (TSrcEditPlugin* plugin : snapshot)
    if (std::find(plugins_.begin(), plugins_.end(), plugin) != plugins_.end())
      plugin->AfterPaint(painter, rect, firstLine, lastLine);
}

// ---------------------------------------------------------- edit actions

bool TCustomSrcEdit::EditActionEnabled(TSrcEditAction action) const {
  switch (action) {
    case eaCut:
      return SelAvail() && !ReadOnly();
    case eaCopy:
      return SelAvail();
    case eaPaste:
      return CanPaste();
    case eaUndo:
      return CanUndo();
    case eaDelete:
    case eaSelectAll:
      return true;
  }
  return false;
}

void TCustomSrcEdit::ExecuteEditAction(TSrcEditAction action) {
  switch (action) {
    case eaCut:
      CutToClipboard();
      break;
    case eaCopy:
      CopyToClipboard();
      break;
    case eaPaste:
      PasteFromClipboard();
      break;
    case eaDelete:
      ClearSelection();
      break;
    case eaUndo:
      Undo();
      break;
    case eaSelectAll:
      SelectAll();
      break;
  }
}

bool TCustomSrcEdit::UpdateEditAction(TSrcEditAction action, bool& enabled) const {
  if (!hasFocus()) return false;
  enabled = EditActionEnabled(action);
  return true;
}
