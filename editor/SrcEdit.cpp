#include "editor/SrcEdit.h"

#include "platform/ScopeExit.h"

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditKbdHandler.h"
#include "platform/TextCodec.h"

#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <exception>

namespace {

const QString kCRLF = QStringLiteral("\r\n");

// Options that Undo and Redo switch for the time of a replay.
constexpr TSrcEditorOptions kReplayOptions = eoScrollPastEol | eoTrimTrailingSpaces;

QString TrimRight(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && (s[n - 1] == QLatin1Char(' ') || s[n - 1] == QLatin1Char('\t'))) --n;
  return n == s.size() ? s : s.left(n);
}

bool IsBlank(const QString& s) { return TrimRight(s).isEmpty(); }

QString Spaces(int n) { return n > 0 ? QString(n, QLatin1Char(' ')) : QString(); }

bool FontIsFixedPitch(const QFont& font) {
  const QFontMetrics m(font);
  return QFontInfo(font).fixedPitch() && m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W'));
}

QFont DefaultEditorFont() {
  QFont font(QStringLiteral("Courier New"), 10);
  font.setStyleHint(QFont::TypeWriter);
  if (QFontInfo(font).family() != font.family() || !FontIsFixedPitch(font)) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
  }
  return font;
}

}  // namespace

// --------------------------------------------------------- clipboard format

QByteArray EncodeSrcEditBlock(TSrcSelectionMode mode, const QString& text) {
  QByteArray data;
  data.append(static_cast<char>(mode));
  data.append(text.toUtf8());
  data.append('\0');
  return data;
}

bool DecodeSrcEditBlock(const QByteArray& data, TSrcSelectionMode& mode, QString& text) {
  if (data.isEmpty()) return false;
  const auto m = static_cast<unsigned char>(data[0]);
  mode = m <= smColumn ? static_cast<TSrcSelectionMode>(m) : smNormal;
  QByteArrayView body(data.constData() + 1, data.size() - 1);
  const qsizetype nul = body.indexOf('\0');
  if (nul >= 0) body = body.first(nul);
  // Only a mark at the very start is a byte-order mark; U+FEFF further on
  // is text.
  int bom = 0;
  const TextEncoding encoding = TextCodec::detect(body, &bom);
  text = TextCodec::decode(body.sliced(bom), encoding);
  return true;
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
  const int maxTop = HasOption(eoScrollPastEof) ? std::max(1, LineCount()) : std::max(1, LineCount() + 1 - linesInWindow_);
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
  blockBegin_ = WrappedToLogical(blockBegin_);
  blockEnd_ = WrappedToLogical(blockEnd_);
  lines_->SetWordWrap(false);
  caretX_ = caret.X;
  caretY_ = caret.Y;
}

void TCustomSrcEdit::EndLogicalLines() {
  if (logicalDepth_ <= 0 || --logicalDepth_ > 0 || !wordWrap_ || lines_->WordWrap()) return;
  lines_->SetWordWrap(true);
  const TPoint caret = LogicalToWrapped(CaretXY());
  blockBegin_ = LogicalToWrapped(blockBegin_);
  blockEnd_ = LogicalToWrapped(blockEnd_);
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

QString TCustomSrcEdit::LineText() const {
  return caretY_ >= 1 && caretY_ <= LineCount() ? Line(caretY_) : QString();
}

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

bool TCustomSrcEdit::SelTabBlock() const {
  return blockBegin_.Y != blockEnd_.Y && selectionMode_ != smColumn;
}

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

// ------------------------------------------------------------------ offsets

void TCustomSrcEdit::InvalidateOffsets(int index) {
  offsetsValid_ = std::max(1, std::min(offsetsValid_, index + 1));
}

void TLineLengths::MoveGap(int index) {
  const int gap = Gap();
  if (index < gapStart_)
    std::move_backward(store_.begin() + index, store_.begin() + gapStart_, store_.begin() + gapStart_ + gap);
  else if (index > gapStart_)
    std::move(store_.begin() + gapStart_ + gap, store_.begin() + index + gap, store_.begin() + gapStart_);
  gapStart_ = index;
}

void TLineLengths::Insert(int index, int n) {
  if (Gap() < n) {
    // Grow, leaving the new gap at the insertion point.
    std::vector<int> grown(static_cast<size_t>(count_) + n + std::max(1024, count_ / 4));
    for (int i = 0; i < index; ++i) grown[i] = At(i);
    const int newGap = static_cast<int>(grown.size()) - count_;
    for (int i = index; i < count_; ++i) grown[i + newGap] = At(i);
    store_.swap(grown);
    gapStart_ = index;
  } else {
    MoveGap(index);
  }
  gapStart_ += n;
  count_ += n;
}

void TLineLengths::Erase(int index, int n) {
  MoveGap(index);
  count_ -= n;
}

void TLineLengths::Clear() {
  store_.clear();
  gapStart_ = count_ = 0;
}

void TLineLengths::Resize(int n) {
  store_.assign(n, 0);
  gapStart_ = count_ = n;
}

void TCustomSrcEdit::LengthsInserted(int index) {
  InvalidateOffsets(index);
  const int added = LineCount() - lengths_.Count();
  if (added <= 0 || index < 0 || index > lengths_.Count()) {
    lengths_.Clear();  // out of step: rebuilt on demand
    return;
  }
  lengths_.Insert(index, added);
  for (int i = index; i < index + added; ++i) lengths_.At(i) = lines_->LineLength(i);
}

void TCustomSrcEdit::LengthsDeleted(int index) {
  InvalidateOffsets(index);
  const int removed = lengths_.Count() - LineCount();
  if (removed <= 0 || index < 0 || index + removed > lengths_.Count()) {
    lengths_.Clear();
    return;
  }
  lengths_.Erase(index, removed);
}

int TCustomSrcEdit::LongestLength() const {
  if (longestLength_ < 0 || !longestExact_ || longestTabWidth_ != lines_->TabWidth()) {
    longestLength_ = 0;
    longestIndex_ = -1;
    longestExact_ = true;
    longestTabWidth_ = lines_->TabWidth();
    for (int i = 0; i < LineCount(); ++i) LongestLineReplaced(i);
  }
  return longestLength_;
}

// Lines added (delta > 0) or removed at `index`.
void TCustomSrcEdit::LongestLinesMoved(int index, int delta) {
  if (longestLength_ < 0 || delta == 0) return;
  if (delta < 0 && longestIndex_ >= index && longestIndex_ < index - delta) {
    longestExact_ = false;  // the longest line is gone: its length stays a bound
    return;
  }
  if (longestIndex_ >= index) longestIndex_ += delta;
  for (int i = index; i < index + delta; ++i) LongestLineReplaced(i);
}

void TCustomSrcEdit::LongestLineReplaced(int index) const {
  if (longestLength_ < 0) return;
  const int length = lines_->ExpandedLength(index);
  if (length > longestLength_ || (length == longestLength_ && (!longestExact_ || index < longestIndex_))) {
    // Past the bound, or at it: the longest length is known again.
    longestLength_ = length;
    longestIndex_ = index;
    longestExact_ = true;
  } else if (longestExact_ && index == longestIndex_ && length < longestLength_) {
    // It grew shorter: a near line of its old length may keep the mark;
    // otherwise the old length stays as a bound, counted again only when a
    // caller needs the exact length.
    const int count = LineCount();
    for (int d = 1; d <= 64; ++d) {
      for (const int j : {index + d, index - d}) {
        if (j >= 0 && j < count && lines_->ExpandedLength(j) == longestLength_) {
          longestIndex_ = j;
          return;
        }
      }
    }
    longestExact_ = false;
  }
}

void TCustomSrcEdit::LengthReplaced(int index) {
  InvalidateOffsets(index);
  if (index >= 0 && index < lengths_.Count() && lengths_.Count() == LineCount())
    lengths_.At(index) = lines_->LineLength(index);
  else
    lengths_.Clear();
}

qint64 TCustomSrcEdit::LineStartOffset(int line) const {
  const int count = LineCount();
  if (lengths_.Count() != count) {
    lengths_.Resize(count);
    for (int i = 0; i < count; ++i) lengths_.At(i) = lines_->LineLength(i);
    offsetsValid_ = 1;
  }
  const int n = std::clamp(line - 1, 0, count);
  if (static_cast<int>(offsets_.size()) < count + 1) offsets_.resize(count + 1);
  if (offsetsValid_ <= n) {
    qint64 sum = offsets_[offsetsValid_ - 1];
    qint64* out = offsets_.data();
    for (int i = offsetsValid_; i <= n; ++i) out[i] = sum += lengths_.At(i - 1) + 2;
    offsetsValid_ = n + 1;
  }
  return offsets_[n];
}

int TCustomSrcEdit::SelStart() const {
  const TPoint p = SelAvail() ? BlockBegin() : CaretXY();
  const int count = LineCount();
  if (p.Y > count) return static_cast<int>(LineStartOffset(count + 1) + 2 * (p.Y - 1 - count) + std::min(p.X, 1));
  return static_cast<int>(LineStartOffset(p.Y) + std::min(p.X, static_cast<int>(Line(p.Y).size()) + 1));
}

int TCustomSrcEdit::SelEnd() const {
  const TPoint p = SelAvail() ? BlockEnd() : CaretXY();
  const int count = LineCount();
  if (p.Y > count) return static_cast<int>(LineStartOffset(count + 1) + 2 * (p.Y - 1 - count) + p.X);
  return static_cast<int>(LineStartOffset(p.Y) + p.X);
}

TPoint TCustomSrcEdit::OffsetToPoint(qint64 value) const {
  const int count = LineCount();
  if (count == 0) return TPoint{static_cast<int>(value), 1};
  LineStartOffset(count + 1);
  // The first line whose end (with its break) reaches the value; past the
  // text the search stops at the last line.
  const auto first = offsets_.begin() + 1;
  const auto it = std::lower_bound(first, first + count, value);
  const int index = std::min(static_cast<int>(it - first), count - 1);
  return TPoint{static_cast<int>(value - offsets_[index]), index + 1};
}

void TCustomSrcEdit::SetSelStart(int value) {
  SetCaretXY(OffsetToPoint(value));
  SetBlockBegin(CaretXY());
}

void TCustomSrcEdit::SetSelEnd(int value) { SetBlockEnd(OffsetToPoint(value)); }

// ------------------------------------------------------- buffer reactions

void TCustomSrcEdit::LinesChanging() {
  stateFlags_ |= sfLinesChanging;
}

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

// ------------------------------------------------------------ selected text

QString TCustomSrcEdit::GetSelText() const { return SelTextEx(!HasOption(eoTrimTrailingSpaces)); }

QString TCustomSrcEdit::SelTextForUndo() const { return SelTextEx(false); }

QString TCustomSrcEdit::SelTextEx(bool padColumns) const {
  if (!SelAvail()) return QString();
  const TPoint first = BlockBegin();
  const TPoint last = BlockEnd();
  const int count = LineCount();
  QString out;
  switch (selectionMode_) {
    case smNormal: {
      if (first.Y == last.Y) return Line(first.Y).mid(first.X - 1, std::max(0, last.X - first.X));
      // Wrapped pieces of one line follow each other without a break.
      out = Line(first.Y).mid(first.X - 1);
      for (int y = first.Y + 1; y < last.Y; ++y) {
        if (!lines_->IsContinuation(y - 1)) out += kCRLF;
        out += Line(y);
      }
      if (!lines_->IsContinuation(last.Y - 1)) out += kCRLF;
      out += Line(last.Y).left(last.X - 1);
      return out;
    }
    case smLine:
      for (int y = first.Y; y <= last.Y; ++y) {
        out += Line(y);
        if (y < count && !lines_->IsContinuation(y)) out += kCRLF;
      }
      return out;
    case smColumn: {
      const int left = std::min(first.X, last.X);
      const int right = std::max(first.X, last.X);
      for (int y = first.Y; y <= last.Y; ++y) {
        const QString line = Line(y);
        int l = left, r = right;
        if (l >= 2 && l <= line.size() && line[l - 1].isLowSurrogate()) ++l;
        if (r >= 2 && r <= line.size() && line[r - 1].isLowSurrogate()) ++r;
        QString row = line.mid(l - 1, std::max(0, r - l));
        if (padColumns && row.size() < right - left) row += Spaces(right - left - static_cast<int>(row.size()));
        if (y > first.Y) out += kCRLF;
        out += row;
      }
      return out;
    }
  }
  return out;
}

// ---------------------------------------------------------------- primitive

void TCustomSrcEdit::SetSelTextPrimitive(TSrcSelectionMode mode, const QString& text) {
  const LogicalLines logical(this);
  SetSelTextPrimitiveEx(mode, text, -1);
}

void TCustomSrcEdit::SetSelTextPrimitiveEx(TSrcSelectionMode mode, const QString& text, int rowReason) {
  if (ReadOnly()) return;
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  lines_->BeginUpdate();
  ScopeExit endUpdate([this] { lines_->EndUpdate(); });
  if (SelAvail()) DeleteSelection();
  blockBegin_ = blockEnd_ = CaretXY();
  AllocationPoint();
  if (!text.isEmpty()) {
    const int insertionLine = std::max(1, std::min(caretY_, std::max(1, LineCount())));
    int added = 0;
    switch (mode) {
      case smNormal: added = InsertNormal(text); break;
      case smColumn: added = InsertColumn(text, rowReason); break;
      case smLine: added = InsertLineMode(text); break;
    }
    // Line mode inserts before the caret line, the others after it.
    AllocationPoint();
    if (added > 0) DoLinesInserted(mode == smLine ? insertionLine : insertionLine + 1, added);
    SetCaretXYEx(false, CaretXY());
  }
  if (caretY_ < 1) SetCaretRaw(TPoint{caretX_, 1});
}

void TCustomSrcEdit::DeleteSelection() {
  const TPoint first = BlockBegin();
  const TPoint last = BlockEnd();
  const int count = LineCount();
  switch (selectionMode_) {
    case smNormal: {
      if (count == 0) break;
      // A start beyond the end of its line stands for blanks up to it: they
      // are kept when text follows, so the rest of the line keeps its place.
      QString left = Line(first.Y).left(first.X - 1);
      const QString right = Line(last.Y).mid(last.X - 1);
      if (!right.isEmpty() && left.size() < first.X - 1) left += Spaces(first.X - 1 - static_cast<int>(left.size()));
      // The rest of the line is left as it was (trailing blanks included), so
      // Undo can put back exactly what was there.
      const QString joined = left + right;
      if (last.Y > first.Y) lines_->DeleteLines(first.Y, std::min(last.Y, count) - first.Y);
      PutLine(first.Y, joined);
      SetCaretRaw(first);
      DoLinesDeleted(first.Y, last.Y - first.Y);
      break;
    }
    case smLine: {
      if (count == 0) break;
      const int lastLine = std::min(last.Y, count);
      const int n = lastLine - first.Y + 1;
      if (lastLine == count) {
        if (n > 1) lines_->DeleteLines(first.Y - 1, n - 1);
        PutLine(first.Y, QString());
        DoLinesDeleted(first.Y, n - 1);
      } else {
        lines_->DeleteLines(first.Y - 1, n);
        DoLinesDeleted(first.Y, n);
      }
      SetCaretRaw(TPoint{1, first.Y});
      break;
    }
    case smColumn: {
      const int left = std::min(first.X, last.X);
      const int right = std::max(first.X, last.X);
      for (int y = first.Y; y <= std::min(last.Y, count); ++y) {
        QString line = Line(y);
        int l = left, r = right;
        if (l >= 2 && l <= line.size() && line[l - 1].isLowSurrogate()) ++l;
        if (r >= 2 && r <= line.size() && line[r - 1].isLowSurrogate()) ++r;
        if (line.size() < l) continue;
        line.remove(l - 1, r - l);
        PutLine(y, line);
      }
      SetCaretRaw(TPoint{left, last.Y});
      break;
    }
  }
}

int TCustomSrcEdit::InsertNormal(const QString& text) {
  if (LineCount() == 0) lines_->Add(QString());
  const int y = std::clamp(caretY_, 1, LineCount());
  const int x = caretX_;
  const QString line = Line(y);
  const int kept = std::min(static_cast<int>(line.size()), x - 1);
  QString left = line.left(x - 1);
  if (left.size() < x - 1) left += Spaces(x - 1 - static_cast<int>(left.size()));
  const QString right = line.mid(x - 1);
  const QStringList pieces = SplitTextLines(text);
  if (pieces.size() == 1) {
    PutLine(y, left + text + right);
    SetCaretRaw(TPoint{x + static_cast<int>(text.size()), y});
    StatusChanged(scCaretX);
    return 0;
  }
  // Trailing blanks are trimmed off the inserted pieces only; what the lines
  // held before stays as it was, so Undo can put it back exactly.
  const int n = static_cast<int>(pieces.size()) - 1;
  QString first = left + pieces[0];
  if (HasOption(eoTrimTrailingSpaces)) {
    qsizetype end = first.size();
    while (end > kept && (first[end - 1] == QLatin1Char(' ') || first[end - 1] == QLatin1Char('\t'))) --end;
    first.truncate(end);
  }
  PutLine(y, first);
  lines_->InsertLines(y, n);
  for (int i = 1; i < n; ++i) PutLine(y + i, TrimIfWanted(pieces[i]));
  const QString lastLine = right.isEmpty() ? TrimIfWanted(pieces[n]) : pieces[n] + right;
  PutLine(y + n, lastLine);
  SetCaretRaw(TPoint{static_cast<int>(lastLine.size()) + 1 - static_cast<int>(right.size()), y + n});
  StatusChanged(scCaretX);
  return n;
}

int TCustomSrcEdit::InsertColumn(const QString& text, int rowReason) {
  if (LineCount() == 0) lines_->Add(QString());
  const int insCol = caretX_;
  int y = std::clamp(caretY_, 1, LineCount());
  const QStringList rows = SplitTextLines(text);
  const bool record = rowReason >= 0 || pasting_;
  const auto reason = static_cast<TSrcChangeReason>(rowReason >= 0 ? rowReason : crPaste);
  int appended = 0;
  TPoint appendStart;
  for (const QString& row : rows) {
    if (y <= LineCount() && appended == 0) {
      QString line = Line(y);
      int col = insCol;
      if (col >= 2 && col <= line.size() && line[col - 1].isLowSurrogate()) ++col;
      int startCol = col;
      // A row that ends the line loses its trailing blanks; a row that ends
      // up empty leaves the line alone.
      const bool atEnd = line.size() <= col - 1;
      const QString put = atEnd ? TrimIfWanted(row) : row;
      if (!put.isEmpty()) {
        if (line.size() < col - 1) {
          startCol = static_cast<int>(line.size()) + 1;
          line += Spaces(col - 1 - static_cast<int>(line.size()));
        }
        line.insert(col - 1, put);
        PutLine(y, line);
        if (record)
          undoList_.AddChange(reason, TPoint{startCol, y}, TPoint{col + static_cast<int>(put.size()), y}, QString(),
                              smColumn);
      }
    } else {
      if (appended == 0) appendStart = TPoint{static_cast<int>(Line(y - 1).size()) + 1, y - 1};
      lines_->Add(TrimIfWanted(Spaces(insCol - 1) + row));
      ++appended;
    }
    ++y;
  }
  // Appended lines may have been wrapped into several pieces: they end at
  // the last line.
  const int lastLine = appended > 0 ? LineCount() : y - 1;
  if (appended > 0 && record)
    undoList_.AddChange(reason, appendStart, TPoint{static_cast<int>(Line(lastLine).size()) + 1, lastLine}, QString(),
                        smNormal);
  SetCaretRaw(TPoint{insCol + static_cast<int>(rows.last().size()), lastLine});
  return appended > 0 ? LineCount() - (appendStart.Y) : 0;
}

int TCustomSrcEdit::InsertLineMode(const QString& text) {
  if (LineCount() == 0) lines_->Add(QString());
  int y = std::clamp(caretY_, 1, LineCount());
  const QStringList pieces = SplitTextLines(text);
  const int n = static_cast<int>(pieces.size()) - 1;
  if (n > 0) {
    lines_->InsertLines(y - 1, n);
    for (int i = 0; i < n; ++i) PutLine(y + i, TrimIfWanted(pieces[i]));
    y += n;
  }
  const QString& last = pieces[n];
  const QString line = Line(y);
  if (!last.isEmpty()) PutLine(y, line.isEmpty() && n > 0 ? TrimIfWanted(last) : last + line);
  SetCaretRaw(TPoint{static_cast<int>(last.size()) + 1, y});
  StatusChanged(scCaretX);
  return n;
}

// --------------------------------------------------------- SetSelText etc.

void TCustomSrcEdit::SetSelText(const QString& text) {
  if (ReadOnly()) return;
  const LogicalLines logical(this);
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  const TSrcSelectionMode mode = selectionMode_;
  if (SelAvail()) DeleteSelectionRecorded(false, text.isEmpty());
  const TPoint start = InsertionStart(mode);
  if (mode == smColumn) {
    // Each inserted row is recorded by itself, so rows of any length are
    // taken back exactly.
    SetSelTextPrimitiveEx(smColumn, text, crInsert);
    if (text.isEmpty()) undoList_.AddChange(crInsert, start, start, QString(), smColumn);
    EnsureCursorPosVisible();
    return;
  }
  {
    LockUndo();
    ScopeExit unlockUndo([this] { UnlockUndo(); });
    SetSelTextPrimitiveEx(mode, text, -1);
  }
  // A line-mode insertion is a normal insertion at column 1 of its line, so
  // it is recorded as one.
  undoList_.AddChange(crInsert, start, text.isEmpty() ? start : CaretXY(), QString(), smNormal);
  // Text put in by the host is shown where it ends.
  EnsureCursorPosVisible();
}

int TCustomSrcEdit::InsertFragment(const QString& text) {
  if (ReadOnly()) return SelStart();
  const LogicalLines logical(this);
  undoList_.BeginBlock();
  ScopeExit endBlock([this] { undoList_.EndBlock(); });
  const TSrcSelectionMode mode = selectionMode_;
  TPoint at = CaretXY();
  if (!SelAvail()) {
    // A column block without width selects nothing: it must not become a
    // normal selection below.
    blockBegin_ = blockEnd_ = at;
  } else {
    const TPoint first = BlockBegin(), last = BlockEnd();
    at = first;
    if (mode != smNormal) {
      // Taken out in its own mode, short rows and line ends outside the
      // block untouched; the text goes in at the block's top-left corner.
      at = TPoint{mode == smColumn ? std::min(first.X, last.X) : 1, first.Y};
      DeleteSelectionRecorded(false, true);
      SetCaretXYEx(false, at);
      blockBegin_ = blockEnd_ = at = CaretXY();
    }
  }
  // Several lines put in as a column would be spread over the lines below.
  selectionMode_ = smNormal;
  ScopeExit restore([this, mode] { selectionMode_ = mode; });
  SetSelText(text);
  // Blanks now reach a caret that stood past the line end, so `at` is a
  // place in the text (unless trimmed again: then the line end).
  if (at.Y >= 1 && at.Y <= LineCount()) at.X = std::min(at.X, static_cast<int>(Line(at.Y).size()) + 1);
  return static_cast<int>(PointToOffsetEx(at));
}

TPoint TCustomSrcEdit::InsertionStart(TSrcSelectionMode mode) const {
  TPoint start = CaretXY();
  if (mode == smLine) start.X = 1;
  // Blanks added to reach a caret beyond the line end belong to the
  // insertion, so its record starts at the line end.
  if (mode == smNormal) start.X = std::min(start.X, static_cast<int>(Line(start.Y).size()) + 1);
  return start;
}

void TCustomSrcEdit::ClearSelection() {
  if (SelAvail()) SetSelText(QString());
}

void TCustomSrcEdit::InsertBlock(TPoint begin, TPoint end, const QString& text, bool addToUndoList) {
  Q_UNUSED(end);
  if (lines_->WordWrap()) begin = WrappedToLogical(begin);
  const LogicalLines logical(this);
  SetCaretXYEx(false, begin);
  blockBegin_ = blockEnd_ = CaretXY();
  SetSelectionMode(smColumn);
  SetSelTextPrimitiveEx(smColumn, text, addToUndoList ? crPaste : -1);
  StatusChanged(scSelection);
}

// ---------------------------------------------------------------- clipboard

void TCustomSrcEdit::CopyToClipboard() {
  if (!SelAvail()) return;
  const QString text = GetSelText();
  if (text.isEmpty()) return;
  QClipboard* clipboard = QGuiApplication::clipboard();
  auto* data = new QMimeData;
  // Plain text for other programs breaks lines with LF; the editor's own
  // block keeps the text as it was selected.
  data->setText(QString(text).replace(kCRLF, QStringLiteral("\n")));
  data->setData(QString::fromLatin1(kSrcEditClipboardMimeType), EncodeSrcEditBlock(selectionMode_, text));
  clipboard->setMimeData(data);
  const QMimeData* check = clipboard->mimeData();
  if (!check || !check->hasFormat(QString::fromLatin1(kSrcEditClipboardMimeType)))
    throw ESrcEditError(QStringLiteral("Clipboard copy operation failed"));
}

void TCustomSrcEdit::CutToClipboard() {
  if (ReadOnly() || !SelAvail()) return;
  CopyToClipboard();
  const LogicalLines logical(this);
  DeleteSelectionRecorded(false, true);
}

bool TCustomSrcEdit::CanPaste() const {
  if (ReadOnly()) return false;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && (data->hasText() || data->hasFormat(QString::fromLatin1(kSrcEditClipboardMimeType)));
}

void TCustomSrcEdit::PasteFromClipboard() {
  if (ReadOnly()) return;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  const QString privateType = QString::fromLatin1(kSrcEditClipboardMimeType);
  if (data && data->hasFormat(privateType)) {
    TSrcSelectionMode mode = smNormal;
    QString text;
    // Unreadable data fails before anything is changed or recorded.
    if (!DecodeSrcEditBlock(data->data(privateType), mode, text))
      throw ESrcEditError(QStringLiteral("Clipboard paste operation failed."));
    PasteText(mode, text, true);
  } else if (data && data->hasText()) {
    PasteText(smNormal, data->text(), false);
  }
}

void TCustomSrcEdit::RunWhole(const QString& message, const std::function<void()>& change) {
  const QStringList lines = lines_->ToStringList();
  TSrcEditUndoList undo, redo;
  undo.Assign(undoList_);
  redo.Assign(redoList_);
  const TPoint caret = CaretXY(), begin = blockBegin_, end = blockEnd_;
  const TSrcSelectionMode mode = selectionMode_;
  const bool wrap = wordWrap_, modified = modified_;
  const int top = topLine_, left = leftChar_;
  std::vector<int> markLines;
  for (int i = 0; i < marks_.Count(); ++i) markLines.push_back(marks_.Item(i)->Line());
  try {
    change();
  } catch (const std::bad_alloc&) {
    {
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      lines_->Clear();
      lines_->AddStrings(lines);
    }
    undoList_.Assign(undo);
    redoList_.Assign(redo);
    for (int i = 0; i < marks_.Count() && i < static_cast<int>(markLines.size()); ++i)
      marks_.Item(i)->SetLine(markLines[i]);
    wordWrap_ = wrap;
    selectionMode_ = mode;
    SetModified(modified);
    SetCaretRaw(caret);
    blockBegin_ = begin;
    blockEnd_ = end;
    SetTopLine(top);
    SetLeftChar(left);
    viewport()->update();
    throw ESrcEditError(message);
  }
}

void TCustomSrcEdit::PasteText(TSrcSelectionMode mode, const QString& text, bool privateFormat) {
  // Nothing to insert: the selection stays and nothing is recorded.
  if (text.isEmpty()) return;
  const LogicalLines logical(this);
  RunWhole(QStringLiteral("Not enough memory to paste the text. The document is unchanged."),
           [&] { PasteTextWhole(mode, text, privateFormat); });
}

void TCustomSrcEdit::PasteTextWhole(TSrcSelectionMode mode, const QString& text, bool privateFormat) {
  DoOnPaintTransient(ttBefore);
  bool switchedWrapOff = false;
  {
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    pasting_ = true;
    ScopeExit endPasting([this] { pasting_ = false; });
    if (SelAvail()) DeleteSelectionRecorded(false, false);
    if (privateFormat && wordWrap_) {
      undoList_.AddChange(crWordWrapOff, CaretXY(), CaretXY(), QString(), smNormal);
      SetWordWrap(false);
      switchedWrapOff = true;
    }
    // Plain text goes in the editor's own mode.
    if (!privateFormat) mode = selectionMode_;
    const TPoint start = InsertionStart(mode);
    if (!text.isEmpty()) {
      if (mode == smColumn) {
        // Rows are recorded one by one so that Undo restores the text exactly.
        SetSelTextPrimitiveEx(smColumn, text, crPaste);
        if (privateFormat) SetCaretXY(TPoint{std::min(start.X, caretX_), std::max(start.Y, caretY_) + 1});
      } else {
        {
          LockUndo();
          ScopeExit unlockUndo([this] { UnlockUndo(); });
          SetSelTextPrimitiveEx(mode, text, -1);
        }
        if (mode == smLine && caretX_ == 1)
          undoList_.AddChange(crPaste, start, TPoint{std::max(2, charsInWindow_), caretY_ - 1}, QString(), smLine);
        else
          undoList_.AddChange(crPaste, start, CaretXY(), QString(), smNormal);
      }
    }
    if (switchedWrapOff) {
      SetWordWrap(true);
      undoList_.AddChange(crWordWrapOn, CaretXY(), CaretXY(), QString(), smNormal);
    }
  }
  EnsureCursorPosVisible();
  StatusChanged(scSelection);
  DoOnPaintTransient(ttAfter);
}

// ----------------------------------------------------------- undo and redo

bool TCustomSrcEdit::CanUndo() const { return !ReadOnly() && undoList_.CanUndo(); }
bool TCustomSrcEdit::CanRedo() const { return !ReadOnly() && redoList_.CanUndo(); }

void TCustomSrcEdit::SetMaxUndo(int value) {
  if (value < 0) return;
  undoList_.SetMaxUndoActions(value);
  redoList_.SetMaxUndoActions(value);
}

void TCustomSrcEdit::ClearUndo() {
  undoList_.ClearList();
  redoList_.ClearList();
}

void TCustomSrcEdit::LockUndo() {
  undoList_.Lock();
  redoList_.Lock();
}

void TCustomSrcEdit::UnlockUndo() {
  undoList_.Unlock();
  redoList_.Unlock();
}

void TCustomSrcEdit::UndoRedoAdded(TSrcEditUndoList* sender) {
  SetModified(undoList_.CanUndo() || undoList_.FullUndoImpossible());
  if (sender == &undoList_ && !(stateFlags_ & sfRedoInProgress) && undoList_.LastChangeReason() != crGroupBreak)
    redoList_.ClearList();
  if (OnChange) OnChange(this);
}

namespace {

// Whether the newest change of `list` joins a grouped run of `reason`: every
// item has that reason, or, for typing, the change is one typed step (the
// character after the blanks that pad the line to the caret, or after the
// characters it overwrote). A change made of other items (a replacement
// inside an undo block) is never taken half.
bool ChangeJoinsRun(const TSrcEditUndoList& list, TSrcChangeReason reason) {
  const int n = list.ItemCount();
  if (n == 0 || list.Item(n - 1)->fChangeReason != reason) return false;
  const int number = list.Item(n - 1)->fChangeNumber;
  for (int i = n - 2; i >= 0 && list.Item(i)->fChangeNumber == number; --i) {
    const TSrcChangeReason r = list.Item(i)->fChangeReason;
    const bool typedStep = reason == crInsert && (r == crPadding || r == crSilentDeleteAfterCursor);
    if (r != reason && !typedStep) return false;
  }
  return true;
}

}  // namespace

void TCustomSrcEdit::Undo() { TakeBack(false); }
void TCustomSrcEdit::Redo() { TakeBack(true); }

// Undo (or redo) takes back one change: the items of its change number, a
// bracketed run (auto-completion, paste, special), or with eoGroupUndo a run
// of whole changes of the same reason.
void TCustomSrcEdit::TakeBack(bool redo) {
  if (ReadOnly()) return;
  const LogicalLines logical(this);
  TSrcEditUndoList& from = redo ? redoList_ : undoList_;
  TSrcEditUndoList& to = redo ? undoList_ : redoList_;
  auto step = [&] {
    if (redo)
      RedoItem();
    else
      UndoItem();
  };
  auto moveBreaks = [&] {
    while (from.LastChangeReason() == crGroupBreak) {
      from.PopItem();
      to.AddGroupBreak();
    }
  };
  moveBreaks();
  const TSrcEditUndoItem* item = from.PeekItem();
  if (!item) return;
  const TSrcChangeReason reason = item->fChangeReason;
  const int number = item->fChangeNumber;
  // Undo meets a bracketed run at its end marker, redo at its begin marker;
  // the partner marker is the neighbouring reason.
  const bool bracket = redo ? (reason == crAutoCompleteBegin || reason == crPasteBegin || reason == crSpecial1Begin)
                            : (reason == crAutoCompleteEnd || reason == crPasteEnd || reason == crSpecial1End);
  const int partner = static_cast<int>(reason) + (redo ? 1 : -1);
  const int oldBlock = to.BlockChangeNumber();
  to.SetBlockChangeNumber(number);
  ScopeExit restore([&to, oldBlock] { to.SetBlockChangeNumber(oldBlock); });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  ++replaying_;
  ScopeExit replayed([this] { --replaying_; });
  const bool grouping = HasOption(eoGroupUndo) && reason != crIndent && reason != crUnindent;
  int current = number;  // the change being taken back: always taken whole
  for (;;) {
    step();
    const TSrcEditUndoItem* last = from.PeekItem();
    if (!last) break;
    bool more = false;
    if (bracket) {
      more = static_cast<int>(last->fChangeReason) != partner;
    } else if (last->fChangeNumber == current) {
      more = true;
    } else if (grouping && ChangeJoinsRun(from, reason)) {
      more = true;
      current = last->fChangeNumber;
    }
    if (!more) break;
  }
  moveBreaks();
  if (bracket && static_cast<int>(from.LastChangeReason()) == partner) step();
}

void TCustomSrcEdit::UndoItem() {
  std::unique_ptr<TSrcEditUndoItem> item = undoList_.PopItem();
  if (!item) return;
  const TSrcSelectionMode oldMode = selectionMode_;
  const TSrcEditorOptions oldOptions = options_;
  selectionMode_ = item->fChangeSelMode;
  // Replays put back exactly the recorded text: no trimming, and columns
  // beyond the line end are allowed.
  options_ = (options_ | eoScrollPastEol) & ~eoTrimTrailingSpaces;
  ScopeExit restore([this, oldMode, oldOptions] {
    selectionMode_ = oldMode;
    options_ = (options_ & ~kReplayOptions) | (oldOptions & kReplayOptions);
  });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  const TSrcChangeReason reason = item->fChangeReason;
  const TSrcSelectionMode mode = item->fChangeSelMode;
  TPoint start = item->fChangeStartPos;
  TPoint end = item->fChangeEndPos;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert:
    case crPadding: {
      start = ClampPoint(start);
      end = ClampPoint(end);
      SetSelectionRaw(start, end);
      redoList_.AddChange(reason, start, end, SelTextForUndo(), mode);
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    }
    case crDeleteAfterCursor:
    case crDelete:
    case crSilentDelete:
    case crSilentDeleteAfterCursor:
    case crDeleteAll: {
      TPoint p = mode == smColumn ? TPoint{std::min(start.X, end.X), std::min(start.Y, end.Y)} : EarlierPoint(start, end);
      if ((reason == crDeleteAfterCursor || reason == crSilentDeleteAfterCursor) && LineCount() < p.Y) {
        SetCaretXYEx(false, TPoint{1, LineCount()});
        lines_->Add(QString());
      }
      p = ClampPoint(p);
      SetCaretXYEx(false, p);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      if (reason != crSilentDelete && reason != crSilentDeleteAfterCursor) {
        SetCaretXYEx(false, reason == crDeleteAfterCursor ? start : end);
        blockBegin_ = ClampPoint(start);
        blockEnd_ = ClampPoint(end);
        StatusChanged(scSelection);
      } else {
        SetCaretXYEx(false, reason == crSilentDeleteAfterCursor ? start : end);
      }
      redoList_.AddChange(reason, start, end, QString(), mode);
      if (reason == crDeleteAll) {
        SetCaretXYEx(false, TPoint{1, 1});
        blockBegin_ = blockEnd_ = TPoint{1, 1};
      }
      EnsureCursorPosVisible();
      break;
    }
    case crLineBreak: {
      start = ClampPoint(start);
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      redoList_.AddChange(reason, start, end, QString(), mode);
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      QString line = Line(caretY_);
      if (line.size() < caretX_ - 1 && !IsBlank(item->fChangeStr)) line += Spaces(caretX_ - 1 - static_cast<int>(line.size()));
      if (end.Y >= 0 && end.Y < LineCount()) lines_->Delete(end.Y);
      PutLine(caretY_, TrimIfWanted(line + item->fChangeStr));
      DoLinesDeleted(caretY_ + 1, 1);
      break;
    }
    case crIndent:
      SetCaretXYEx(false, end);
      blockBegin_ = ClampPoint(start);
      blockEnd_ = ClampPoint(end);
      redoList_.PushItem(std::move(item));
      break;
    case crUnindent: {
      SetCaretXYEx(false, TPoint{1, start.Y});
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(smColumn, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      blockBegin_ = ClampPoint(start);
      blockEnd_ = ClampPoint(end);
      redoList_.PushItem(std::move(item));
      break;
    }
    case crWordWrapOn:
      SetWordWrap(false);
      redoList_.PushItem(std::move(item));
      break;
    case crWordWrapOff:
      SetWordWrap(true);
      redoList_.PushItem(std::move(item));
      break;
    default:
      redoList_.PushItem(std::move(item));
      break;
  }
}

void TCustomSrcEdit::RedoItem() {
  std::unique_ptr<TSrcEditUndoItem> item = redoList_.PopItem();
  if (!item) return;
  const TSrcSelectionMode oldMode = selectionMode_;
  const TSrcEditorOptions oldOptions = options_;
  selectionMode_ = item->fChangeSelMode;
  options_ = (options_ | eoScrollPastEol) & ~eoTrimTrailingSpaces;
  stateFlags_ |= sfRedoInProgress;
  ScopeExit restore([this, oldMode, oldOptions] {
    selectionMode_ = oldMode;
    options_ = (options_ & ~kReplayOptions) | (oldOptions & kReplayOptions);
    stateFlags_ &= ~sfRedoInProgress;
  });
  IncPaintLock();
  ScopeExit unlock([this] { DecPaintLock(); });
  const TSrcChangeReason reason = item->fChangeReason;
  const TSrcSelectionMode mode = item->fChangeSelMode;
  const TPoint start = ClampPoint(item->fChangeStartPos);
  const TPoint end = item->fChangeEndPos;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert: {
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, end);
      undoList_.AddChange(reason, start, end, QString(), mode);
      if (reason == crDragDropInsert) {
        blockBegin_ = start;
        blockEnd_ = ClampPoint(end);
      }
      break;
    }
    case crDeleteAfterCursor:
    case crDelete:
    case crSilentDelete:
    case crSilentDeleteAfterCursor:
    case crDeleteAll: {
      SetSelectionRaw(start, end);
      undoList_.AddChange(reason, start, end, SelTextForUndo(), mode);
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    }
    case crLineBreak: {
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      // The break is made again as it was made: with the editor's trimming.
      const TSrcEditorOptions replay = options_;
      options_ = (options_ & ~eoTrimTrailingSpaces) | (oldOptions & eoTrimTrailingSpaces);
      ScopeExit back([this, replay] { options_ = replay; });
      InsertLineBreak();
      break;
    }
    case crIndent:
      SetCaretXYEx(false, end);
      blockBegin_ = start;
      blockEnd_ = ClampPoint(end);
      undoList_.PushItem(std::move(item));
      break;
    case crUnindent: {
      // Takes the removed characters off each line again, but only where
      // the line still starts with them.
      lines_->BeginUpdate();
      ScopeExit endUpdate([this] { lines_->EndUpdate(); });
      const QStringList rows = SplitTextLines(item->fChangeStr);
      int y = start.Y;
      int lastRemoved = 0;
      for (const QString& row : rows) {
        if (y > LineCount()) break;
        const QString line = Line(y);
        lastRemoved = line.startsWith(row) ? static_cast<int>(row.size()) : 0;
        if (lastRemoved > 0) PutLine(y, line.mid(lastRemoved));
        ++y;
      }
      SetCaretXYEx(false, TPoint{1, start.Y});
      blockBegin_ = ClampPoint(TPoint{start.X - tabWidth_, start.Y});
      blockEnd_ = ClampPoint(TPoint{end.X - lastRemoved, end.Y});
      undoList_.PushItem(std::move(item));
      break;
    }
    case crWordWrapOn:
      SetWordWrap(false);
      undoList_.PushItem(std::move(item));
      break;
    case crWordWrapOff:
      SetWordWrap(true);
      undoList_.PushItem(std::move(item));
      break;
    case crPadding:
      undoList_.AddChange(reason, start, end, QString(), mode);
      SetCaretXYEx(false, start);
      blockBegin_ = blockEnd_ = CaretXY();
      SetSelTextPrimitiveEx(mode, item->fChangeStr, -1);
      SetCaretXYEx(false, start);
      break;
    default:
      undoList_.PushItem(std::move(item));
      break;
  }
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
    const bool still = std::any_of(hookedCommandHandlers_.begin(), hookedCommandHandlers_.end(), [&](const auto& e) {
      return e.event == entry.event && e.data == entry.data;
    });
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
  painter->setBrush(palette().color(QPalette::Base));
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

// ------------------------------------------------------- plug-ins, focus

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

void TCustomSrcEdit::AddFocusControl(QWidget* control) {
  if (control) focusControls_.emplace_back(control);
}

void TCustomSrcEdit::RemoveFocusControl(QWidget* control) {
  focusControls_.erase(std::remove(focusControls_.begin(), focusControls_.end(), control), focusControls_.end());
}

void TCustomSrcEdit::focusInEvent(QFocusEvent* event) {
  while (!focusControls_.empty() && !focusControls_.back()) focusControls_.pop_back();
  if (!focusControls_.empty()) {
    focusControls_.back()->setFocus(event->reason());
    return;
  }
  QAbstractScrollArea::focusInEvent(event);
  FocusGained();
}

// --------------------------------------------------------- mouse cursor

TPoint TCustomSrcEdit::PositionAt(QPoint pixel) const { return PixelsToRowColumn(pixel); }

bool TCustomSrcEdit::IsPointInSelection(TPoint p) const {
  if (!SelAvail()) return false;
  const TPoint first = BlockBegin(), last = BlockEnd();
  if (p.Y < first.Y || p.Y > last.Y) return false;
  switch (selectionMode_) {
    case smLine: return true;
    case smColumn: return p.X >= std::min(first.X, last.X) && p.X < std::max(first.X, last.X);
    case smNormal:
      if (p.Y == first.Y && p.X < first.X) return false;
      if (p.Y == last.Y && p.X >= last.X) return false;
      return true;
  }
  return false;
}

Qt::CursorShape TCustomSrcEdit::CursorAt(QPoint pixel) const {
  if (gutter_.Visible() && pixel.x() < gutterWidth_) return gutter_.Cursor();
  if (HasOption(eoDragDropEditing) && IsPointInSelection(PositionAt(pixel))) return Qt::ArrowCursor;
  return Qt::IBeamCursor;
}

void TCustomSrcEdit::mouseMoveEvent(QMouseEvent* event) {
  viewport()->setCursor(CursorAt(event->position().toPoint()));
  QAbstractScrollArea::mouseMoveEvent(event);
  MouseMoved(event);
}

// ---------------------------------------------------------- edit actions

bool TCustomSrcEdit::EditActionEnabled(TSrcEditAction action) const {
  switch (action) {
    case eaCut: return SelAvail() && !ReadOnly();
    case eaCopy: return SelAvail();
    case eaPaste: return CanPaste();
    case eaUndo: return CanUndo();
    case eaDelete:
    case eaSelectAll: return true;
  }
  return false;
}

void TCustomSrcEdit::ExecuteEditAction(TSrcEditAction action) {
  switch (action) {
    case eaCut: CutToClipboard(); break;
    case eaCopy: CopyToClipboard(); break;
    case eaPaste: PasteFromClipboard(); break;
    case eaDelete: ClearSelection(); break;
    case eaUndo: Undo(); break;
    case eaSelectAll: SelectAll(); break;
  }
}

bool TCustomSrcEdit::UpdateEditAction(TSrcEditAction action, bool& enabled) const {
  if (!hasFocus()) return false;
  enabled = EditActionEnabled(action);
  return true;
}

// ---------------------------------------------------------- drag and drop

qint64 TCustomSrcEdit::PointToOffsetEx(TPoint p) const {
  if (p.Y > LineCount()) return LineStartOffset(LineCount() + 1) + 2 * (p.Y - 1 - LineCount()) + p.X;
  return LineStartOffset(p.Y) + p.X;
}

bool TCustomSrcEdit::CanAcceptDrop(const TCustomSrcEdit* source) const {
  return source && !source->ReadOnly() && !ReadOnly();
}

bool TCustomSrcEdit::DropSelection(TCustomSrcEdit* source, TPoint dropPos, bool ctrl, bool shift) {
  if (ReadOnly() || !source || !source->SelAvail()) return false;
  const bool sameEditor = source == this;
  const bool move = sameEditor ? !ctrl : shift;
  dropPos = ClampPoint(dropPos);
  if (lines_->WordWrap()) dropPos = WrappedToLogical(dropPos);
  const LogicalLines logical(this);
  dropPos = PairStart(dropPos);
  const TPoint first = BlockBegin(), last = BlockEnd();
  // Moving a selection into itself is refused; a copy may go anywhere.
  if (sameEditor && move && IsPointInSelection(dropPos) && !(dropPos == first)) return false;
  const TSrcSelectionMode mode = source->SelectionMode();
  const QString text = source->GetSelText();
  // A selection with no text in it (an empty line in line mode) drops
  // nothing and records nothing.
  if (text.isEmpty()) return false;
  {
    undoList_.BeginBlock();
    ScopeExit endBlock([this] { undoList_.EndBlock(); });
    if (sameEditor && move) {
      undoList_.AddChange(crDelete, first, last, SelTextForUndo(), selectionMode_);
      // The drop position is carried over the deletion as a character
      // offset, so it lands on the same character wherever it was.
      const int lineLength = static_cast<int>(Line(dropPos.Y).size());
      const int beyond = std::max(0, dropPos.X - lineLength - 1);
      TPoint at{dropPos.X - beyond, dropPos.Y};
      if (selectionMode_ == smNormal) {
        qint64 offset = PointToOffsetEx(at);
        const qint64 s = PointToOffsetEx(first), e = PointToOffsetEx(last);
        if (offset >= e) offset -= e - s;
        LockUndo();
        ScopeExit unlockUndo([this] { UnlockUndo(); });
        SetSelTextPrimitiveEx(selectionMode_, QString(), -1);
        at = OffsetToPoint(offset);
      } else {
        const int removedLines = last.Y - first.Y + 1;
        const int left = std::min(first.X, last.X), width = std::abs(last.X - first.X);
        LockUndo();
        ScopeExit unlockUndo([this] { UnlockUndo(); });
        const bool lastLineEmptied = selectionMode_ == smLine && last.Y >= LineCount();
        SetSelTextPrimitiveEx(selectionMode_, QString(), -1);
        if (selectionMode_ == smLine && at.Y > last.Y)
          at.Y -= lastLineEmptied ? removedLines - 1 : removedLines;
        else if (selectionMode_ == smColumn && at.Y >= first.Y && at.Y <= last.Y && at.X >= left + width)
          at.X -= width;
      }
      dropPos = TPoint{at.X + beyond, at.Y};
    } else if (move) {
      source->SetSelText(QString());
    }
    const TSrcEditorOptions oldOptions = options_;
    options_ |= eoScrollPastEol;
    ScopeExit restoreOptions([this, oldOptions] {
      options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol);
    });
    SetCaretXYEx(false, dropPos);
    blockBegin_ = blockEnd_ = CaretXY();
    const TSrcChangeReason reason = sameEditor ? crDragDropInsert : crInsert;
    const TPoint start{mode == smNormal ? std::min(dropPos.X, static_cast<int>(Line(dropPos.Y).size()) + 1)
                                        : (mode == smLine ? 1 : dropPos.X),
                       dropPos.Y};
    const TSrcSelectionMode oldMode = selectionMode_;
    selectionMode_ = mode;
    ScopeExit restoreMode([this, oldMode] { selectionMode_ = oldMode; });
    if (mode == smColumn) {
      SetSelTextPrimitiveEx(smColumn, text, reason);
    } else {
      {
        LockUndo();
        ScopeExit unlockUndo([this] { UnlockUndo(); });
        SetSelTextPrimitiveEx(mode, text, -1);
      }
      undoList_.AddChange(reason, start, CaretXY(), QString(), smNormal);
    }
    // The dropped text ends up selected.
    blockBegin_ = mode == smLine ? TPoint{1, dropPos.Y} : dropPos;
    blockEnd_ = CaretXY();
  }
  StatusChanged(scSelection);
  return true;
}

TCustomSrcEdit* TCustomSrcEdit::DragSource(const QDropEvent* event) {
  for (QObject* o = event->source(); o; o = o->parent())
    if (auto* edit = qobject_cast<TCustomSrcEdit*>(o)) return edit;
  return nullptr;
}

void TCustomSrcEdit::dragEnterEvent(QDragEnterEvent* event) {
  mouseDownPos_ = CaretXY();
  if (AcceptsFileDrop(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  if (event->mimeData()->hasFormat(QString::fromLatin1(kSrcEditClipboardMimeType)) && CanAcceptDrop(DragSource(event)))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TCustomSrcEdit::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptsFileDrop(event->mimeData())) {
    event->acceptProposedAction();
    return;
  }
  if (!CanAcceptDrop(DragSource(event))) {
    event->ignore();
    return;
  }
  SetCaretXYEx(true, PositionAt(event->position().toPoint()));
  event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
}

void TCustomSrcEdit::dragLeaveEvent(QDragLeaveEvent* event) {
  SetCaretXYEx(false, mouseDownPos_);
  QAbstractScrollArea::dragLeaveEvent(event);
}

void TCustomSrcEdit::dropEvent(QDropEvent* event) {
  if (AcceptsFileDrop(event->mimeData())) {
    // The drop of files is always finished, whatever the handler does.
    DropFiles(event->mimeData(), event->position().toPoint());
    event->acceptProposedAction();
    return;
  }
  TCustomSrcEdit* source = DragSource(event);
  if (!CanAcceptDrop(source)) {
    event->ignore();
    return;
  }
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (DropSelection(source, PositionAt(event->position().toPoint()), mods & Qt::ControlModifier,
                    mods & Qt::ShiftModifier))
    event->acceptProposedAction();
  else
    event->ignore();
}
