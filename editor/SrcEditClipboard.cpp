// The editor's clipboard (its own block format beside plain text) and the
// dropping of a selection dragged from an editor.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>

#include "editor/SrcEdit.h"
#include "platform/ScopeExit.h"
#include "platform/TextCodec.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

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

// ---------------------------------------------------------- drag and drop

bool TCustomSrcEdit::IsPointInSelection(TPoint p) const {
  if (!SelAvail()) return false;
  const TPoint first = BlockBegin(), last = BlockEnd();
  if (p.Y < first.Y || p.Y > last.Y) return false;
  switch (selectionMode_) {
    case smLine:
      return true;
    case smColumn:
      return p.X >= std::min(first.X, last.X) && p.X < std::max(first.X, last.X);
    case smNormal:
      if (p.Y == first.Y && p.X < first.X) return false;
      if (p.Y == last.Y && p.X >= last.X) return false;
      return true;
  }
  return false;
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
    ScopeExit restoreOptions(
        [this, oldOptions] { options_ = (options_ & ~eoScrollPastEol) | (oldOptions & eoScrollPastEol); });
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
