// Mouse, wheel, scroll bars, focus, dropped files and drag and drop of the editor.
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>

#include "editor/SrcEdit.h"
#include "editor/SrcEditKbdHandler.h"

namespace {

// Commands passed on focus changes; they have no effect of their own.
constexpr TSrcEditorCommand kFocusGainedCommand = 700;
constexpr TSrcEditorCommand kFocusLostCommand = 701;

// The one scroll-hint window shared by all editors.
QLabel* ScrollHintWindow() {
  static QPointer<QLabel> hint;
  if (!hint) {
    hint = new QLabel(nullptr, Qt::ToolTip);
    hint->setMargin(2);
    hint->setFrameStyle(QFrame::Box | QFrame::Plain);
  }
  return hint;
}

// By code point, so that letters beyond the basic plane make words too.
bool IsWordCharacter(char32_t c, const TSrcCustomHighlighter* hl) {
  if (hl && c < 0x10000 && !QChar::isSurrogate(c)) return hl->GetIdentChars().Contains(QChar(static_cast<char16_t>(c)));
  return QChar::isLetterOrNumber(c) || c == U'_';
}

// The character that ends just before index `end` / starts at index `at` of
// a text (a whole surrogate pair where there is one) and its length.
char32_t CodePointBefore(const QString& text, int end, int& width) {
  width = end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate() ? 2 : 1;
  return width == 2 ? QChar::surrogateToUcs4(text[end - 2], text[end - 1]) : text[end - 1].unicode();
}

char32_t CodePointAt(const QString& text, int at, int& width) {
  width = at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate() ? 2 : 1;
  return width == 2 ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
}

}  // namespace

// ------------------------------------------------------------------- keys

void TCustomSrcEdit::keyPressEvent(QKeyEvent* event) {
  // Key down: the host's handlers first, then the key map. One Qt event
  // carries both the key and its character, so a key that became a command
  // types nothing.
  std::uint16_t key = QtKeyToVirtualKey(*event);
  const TShiftState shift = QtModifiersToShiftState(event->modifiers());
  if (key != 0) {
    kbdHandler_->ExecuteKeyDown(this, key, shift);
    if (key == 0) {
      event->accept();
      return;
    }
    TSrcCommandData data;
    const TSrcEditorCommand command = TranslateKeyCode(key, shift, data);
    if (command != ecNone) {
      stateFlags_ |= sfIgnoreNextChar;
      event->accept();
      ProcessCommand(command, QChar(), data);
      return;
    }
  }
  stateFlags_ &= ~sfIgnoreNextChar;
  // Characters. Ctrl or Alt alone with a key types nothing (the key is a
  // shortcut that nobody took); both together are AltGr on many keyboards.
  const Qt::KeyboardModifiers chord = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
  const bool typesText = chord == Qt::NoModifier || chord == (Qt::ControlModifier | Qt::AltModifier);
  const QString text = typesText ? event->text() : QString();
  bool typed = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c.unicode() < 32 || c.unicode() == 127) continue;
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      // A character beyond the basic plane goes in whole.
      ProcessCommand(ecImeStr, QChar(), TSrcCommandData(text.mid(i, 2)));
      ++i;
      typed = true;
      continue;
    }
    kbdHandler_->ExecuteKeyPress(this, c);
    if (c.isNull()) continue;
    ProcessCommand(ecChar, c);
    typed = true;
  }
  if (typed)
    event->accept();
  else
    event->ignore();
}

void TCustomSrcEdit::inputMethodEvent(QInputMethodEvent* event) {
  // Only the committed text goes in; nothing typed afterwards is swallowed.
  if (!event->commitString().isEmpty()) ProcessCommand(ecImeStr, QChar(), TSrcCommandData(event->commitString()));
  event->accept();
}

// ------------------------------------------------------------------ mouse

void TCustomSrcEdit::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const Qt::MouseButton button = event->button();
  const bool hadSelection = SelAvail();
  selectionExistedAtPress_ = false;
  if (hadSelection && button == Qt::RightButton && HasOption(eoRightMouseMovesCursor) &&
      !IsPointInSelection(PixelsToRowColumn(pos))) {
    SetBlockBegin(CaretXY());
    viewport()->update();
  }
  if (SelAvail() && button != Qt::LeftButton) return;
  if (hadSelection && button == Qt::LeftButton) {
    selectionExistedAtPress_ = SelAvail();
  }
  mouseDownPixel_ = pos;
  lastMousePixel_ = pos;
  QAbstractScrollArea::mousePressEvent(event);
  if (button == Qt::LeftButton || (button == Qt::RightButton && HasOption(eoRightMouseMovesCursor)))
    SetCaretXY(PixelsToRowColumn(pos));
  if (button == Qt::LeftButton) {
    mouseCaptured_ = true;
    stateFlags_ &= ~sfWaitForDragging;
    stateFlags_ &= ~sfDblClicked;
    if (selectionExistedAtPress_ && HasOption(eoDragDropEditing) && pos.x() >= gutterWidth_ + 2 &&
        selectionMode_ == smNormal && IsPointInSelection(CaretXY())) {
      stateFlags_ |= sfWaitForDragging;
    } else {
      const TPoint anchor = blockBegin_;
      ProcessCommand(ecGotoXY, QChar(), TSrcCommandData(CaretXY()));
      if (event->modifiers() & Qt::ShiftModifier) {
        // The old anchor stays; the block end follows the caret.
        SetBlockBegin(anchor);
        SetBlockEnd(CaretXY());
      } else {
        if (HasOption(eoAltSetsColumnMode) && selectionMode_ != smLine)
          SetSelectionMode((event->modifiers() & Qt::AltModifier) ? smColumn : smNormal);
        SetBlockBegin(CaretXY());
      }
    }
  }
  if (pos.x() < gutterWidth_) stateFlags_ |= sfPossibleGutterClick;
  setFocus(Qt::MouseFocusReason);
}

void TCustomSrcEdit::MouseMoved(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  lastMousePixel_ = pos;
  lastMouseModifiers_ = event->modifiers();
  if (!mouseCaptured_) return;
  if (stateFlags_ & sfWaitForDragging) {
    const int distance = QApplication::startDragDistance();
    if (std::abs(pos.x() - mouseDownPixel_.x()) >= distance || std::abs(pos.y() - mouseDownPixel_.y()) >= distance) {
      stateFlags_ &= ~sfWaitForDragging;
      mouseCaptured_ = false;
      StartSelectionDrag();
    }
    return;
  }
  if (!(event->buttons() & Qt::LeftButton)) return;
  TPoint p = PixelsToRowColumn(pos);
  const int textLeft = gutterWidth_ + 2;
  if (pos.x() < textLeft || pos.x() >= textLeft + charsInWindow_ * charWidth_) p.X = caretX_;
  if (pos.y() < 0 || pos.y() >= linesInWindow_ * lineHeight_) p.Y = caretY_;
  SetCaretXY(p);
  SetBlockEnd(CaretXY());
  ComputeScrollDeltas(pos);
}

void TCustomSrcEdit::ComputeScrollDeltas(QPoint pixel) {
  const int cw = charWidth_, lh = lineHeight_;
  int dx = pixel.x() - gutterWidth_ - charsInWindow_ * cw;
  if (dx > 0) dx += cw;
  dx = std::max(0, dx / cw);
  if (dx == 0 && pixel.x() < gutterWidth_) dx = std::min(0, (pixel.x() - gutterWidth_ - cw) / cw);
  int dy = pixel.y() - linesInWindow_ * lh;
  if (dy > 0) dy += lh;
  dy = std::max(0, dy / lh);
  if (dy == 0 && pixel.y() < 0) dy = std::min(0, (pixel.y() - lh) / lh);
  scrollDeltaX_ = dx;
  scrollDeltaY_ = dy;
  if (dx != 0 || dy != 0) {
    if (!scrollTimer_) {
      scrollTimer_ = new QTimer(this);
      scrollTimer_->setInterval(100);
      connect(scrollTimer_, &QTimer::timeout, this, [this] { ScrollTimerTick(); });
    }
    if (!scrollTimer_->isActive()) scrollTimer_->start();
  } else if (scrollTimer_) {
    scrollTimer_->stop();
  }
}

void TCustomSrcEdit::ScrollTimerTick() {
  BeginUpdate();
  struct Unlock {
    TCustomSrcEdit* e;
    ~Unlock() { e->EndUpdate(); }
  } unlock{this};
  // Columns here are screen columns (tabs expanded); each becomes a
  // character column on the line the caret goes to.
  const TPoint mouse = PixelsToRowColumn(lastMousePixel_);
  const int mouseColumn = CharToDisplayPos(mouse).X;
  if (scrollDeltaX_ != 0) {
    SetLeftChar(leftChar_ + scrollDeltaX_);
    const int x = leftChar_ + (scrollDeltaX_ > 0 ? charsInWindow_ : 0);
    TPoint at = DisplayToCharPos(TPoint{x, mouse.Y});
    // A tab or a wide character across the left side: the caret goes
    // after it, on screen.
    if (scrollDeltaX_ < 0 && CharToDisplayPos(at).X < leftChar_) {
      const QString line = Line(at.Y);
      at.X += at.X < line.size() && line[at.X - 1].isHighSurrogate() && line[at.X].isLowSurrogate() ? 2 : 1;
    }
    SetCaretXYEx(false, at);
    SetBlockEnd(CaretXY());
  }
  if (scrollDeltaY_ != 0) {
    const int step = (lastMouseModifiers_ & Qt::ShiftModifier) ? scrollDeltaY_ * linesInWindow_ : scrollDeltaY_;
    SetTopLine(topLine_ + step);
    const int y = topLine_ + (scrollDeltaY_ > 0 ? linesInWindow_ - 1 : 0);
    SetCaretXYEx(false, DisplayToCharPos(TPoint{mouseColumn, y}));
    SetBlockEnd(CaretXY());
  }
}

void TCustomSrcEdit::StartSelectionDrag() {
  // Dragging the selection to another place is the drag-and-drop code's
  // business; it starts from the text and mode of the selection.
  auto* drag = new QDrag(this);
  auto* data = new QMimeData;
  data->setText(GetSelText());
  data->setData(QString::fromLatin1(kSrcEditClipboardMimeType), EncodeSrcEditBlock(selectionMode_, GetSelText()));
  drag->setMimeData(data);
  drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void TCustomSrcEdit::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (scrollTimer_) scrollTimer_->stop();
  scrollDeltaX_ = scrollDeltaY_ = 0;
  QAbstractScrollArea::mouseReleaseEvent(event);
  mouseCaptured_ = false;
  if ((stateFlags_ & sfPossibleGutterClick) && pos.x() < gutterWidth_) DoOnGutterClick(pos.x(), pos.y());
  if ((stateFlags_ & sfWaitForDragging) && !(stateFlags_ & sfDblClicked)) {
    // Released inside the selection without dragging: the click collapses it.
    SetCaretXY(PixelsToRowColumn(pos));
    SetBlockBegin(CaretXY());
  }
  stateFlags_ &= ~(sfWaitForDragging | sfDblClicked | sfPossibleGutterClick);
}

void TCustomSrcEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() != Qt::LeftButton) return;
  if (pos.x() >= gutterWidth_ + 2 && !HasOption(eoNoSelection)) {
    SetCaretXY(PixelsToRowColumn(pos));
    const QString text = LineText();
    if (text.size() >= caretX_) {
      const TSrcCustomHighlighter* hl = highlighter_.data();
      int start = caretX_, end = caretX_;
      int width = 1;
      while (start > 1 && IsWordCharacter(CodePointBefore(text, start - 1, width), hl)) start -= width;
      while (end <= text.size() && IsWordCharacter(CodePointAt(text, end - 1, width), hl)) end += width;
      SetCaretXY(TPoint{end, caretY_});
      SetBlockBegin(TPoint{start, caretY_});
      SetBlockEnd(TPoint{end, caretY_});
      InvalidateLine(caretY_);
      StatusChanged(scSelection);
    } else {
      SetCaretXY(TPoint{static_cast<int>(text.size()), caretY_});
    }
  }
  stateFlags_ |= sfDblClicked;
  mouseCaptured_ = false;
}

void TCustomSrcEdit::DoOnGutterClick(int x, int y) {
  if (!OnGutterClick) return;
  const int line = y / lineHeight_ + topLine_;
  if (line < 1 || line > LineCount()) return;
  TSrcEditMarks marks{};
  marks_.GetMarksForLine(line, marks);
  TSrcEditMark* clicked = nullptr;
  int right = bookMarkOpt_.LeftMargin();
  for (TSrcEditMark* mark : marks) {
    if (!mark) break;
    right += bookMarkOpt_.Xoffset();
    if (x < right) {
      clicked = mark;
      break;
    }
  }
  OnGutterClick(this, x, y, line, clicked);
}

// --------------------------------------------------------- mouse cursor

TPoint TCustomSrcEdit::PositionAt(QPoint pixel) const { return PixelsToRowColumn(pixel); }

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

// ------------------------------------------------------------------ wheel

void TCustomSrcEdit::wheelEvent(QWheelEvent* event) {
  int step = QApplication::wheelScrollLines();
  if (event->modifiers() & Qt::ControlModifier)
    step = HasOption(eoHalfPageScroll) ? std::max(1, linesInWindow_ / 2) : linesInWindow_;
  if (step < 0 || step > linesInWindow_) step = linesInWindow_;
  // Deltas are gathered until they make whole notches of 120.
  wheelAccumulator_ += event->angleDelta().y();
  const int notches = wheelAccumulator_ / 120;
  wheelAccumulator_ %= 120;
  if (notches != 0) SetTopLine(topLine_ - notches * step);
  event->accept();
}

// ------------------------------------------------------------ scroll bars

void TCustomSrcEdit::scrollContentsBy(int, int) {
  // The bars' values are the view's first line and column.
  SetTopLine(verticalScrollBar()->value());
  SetLeftChar(horizontalScrollBar()->value());
  if (verticalScrollBar()->isSliderDown() && HasOption(eoShowScrollHint)) ShowScrollHint();
}

QString TCustomSrcEdit::ScrollHintText() const {
  if (scrollHintFormat_ == shfTopToBottom)
    return QStringLiteral("%1 - %2").arg(topLine_).arg(std::min(topLine_ + linesInWindow_ - 1, LineCount()));
  return QStringLiteral("Top Line: %1").arg(topLine_);
}

void TCustomSrcEdit::ShowScrollHint() {
  QLabel* hint = ScrollHintWindow();
  hint->setText(ScrollHintText());
  QPalette pal = hint->palette();
  pal.setColor(QPalette::Window, ToQColor(scrollHintColor_));
  hint->setPalette(pal);
  hint->setAutoFillBackground(true);
  hint->adjustSize();
  QScrollBar* bar = verticalScrollBar();
  int y = 10;
  if (HasOption(eoScrollHintFollows) && bar->maximum() > bar->minimum())
    y = (bar->value() - bar->minimum()) * std::max(0, viewport()->height() - hint->height()) /
        (bar->maximum() - bar->minimum());
  const QPoint at = viewport()->mapToGlobal(QPoint(viewport()->width() - hint->width() - 4, y));
  hint->move(at);
  hint->show();
  connect(bar, &QScrollBar::sliderReleased, hint, &QLabel::hide, Qt::UniqueConnection);
}

// ------------------------------------------------------------------ focus

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

void TCustomSrcEdit::FocusGained() {
  CaretFocusChanged(true);
  ProcessCommand(kFocusGainedCommand, QChar());
}

bool TCustomSrcEdit::focusNextPrevChild(bool next) {
  if (wantTabs_) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

QVariant TCustomSrcEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImCursorRectangle: {
      // The composition window goes where the caret is.
      const QPoint cell = RowColumnToPixels(CaretXY());
      return QRect(viewport()->mapTo(this, cell), QSize(1, lineHeight_));
    }
    case Qt::ImFont:
      return font_;
    case Qt::ImEnabled:
      return !ReadOnly();
    case Qt::ImCursorPosition:
      return caretX_ - 1;
    case Qt::ImSurroundingText:
      return LineText();
    case Qt::ImCurrentSelection:
      return SelText();
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void TCustomSrcEdit::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  // Losing the focus loses the mouse too: no more auto-scrolling.
  if (scrollTimer_) scrollTimer_->stop();
  scrollDeltaX_ = scrollDeltaY_ = 0;
  mouseCaptured_ = false;
  CaretFocusChanged(false);
  ProcessCommand(kFocusLostCommand, QChar());
}

// ---------------------------------------------------------- dropped files

bool TCustomSrcEdit::AcceptsFileDrop(const QMimeData* data) const {
  return HasOption(eoDropFiles) && OnDropFiles && data && data->hasUrls();
}

bool TCustomSrcEdit::DropFiles(const QMimeData* data, QPoint pixel) {
  if (!AcceptsFileDrop(data)) return false;
  QStringList files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files.append(url.toLocalFile());  // whole paths, however long
  if (files.isEmpty()) return false;
  OnDropFiles(this, pixel.x(), pixel.y(), files);
  return true;
}

// ---------------------------------------------------------- drag and drop

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
