// Painting of the editor's client area: the gutter with line numbers and
// marks, the text lines token by token, the selection, the right edge and
// the caret. All text goes through the text drawer on a fixed grid.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "editor/SrcEdit.h"

namespace {

// The display column (counted from 1) reached after the characters
// [from, to) of `line`, starting at display column `disp`.
int AdvanceDisplay(QStringView line, int from, int to, int disp, int tabWidth) {
  const int end = std::min(to, static_cast<int>(line.size()));
  for (int i = from; i < end; ++i) {
    const char16_t c = line[i].unicode();
    if (c == u'\t')
      disp += tabWidth > 1 ? tabWidth - (disp - 1) % tabWidth : 1;
    else
      disp += 1 + IsWideChar(c);
  }
  if (to > end) disp += to - std::max(from, end);
  return disp;
}

// What a character of the expanded text looks like on screen. TAB fillers
// are blanks; control characters and NUL get the visible pictures of their
// codes, so nothing in the text is invisible.
QChar VisibleChar(QChar c, bool showSpecial) {
  const char16_t u = c.unicode();
  if (u == u'\t') return QLatin1Char(' ');
  if (u == u' ') return showSpecial ? QChar(0x00B7) : c;
  if (u < 32) return QChar(static_cast<char16_t>(0x2400 + u));
  if (u == 127) return QChar(0x2421);
  if (u == kWideFiller) return QChar(0xFFFD);  // the text's own, not a wide character's second cell
  return c;
}

QColor Resolved(TColor color, TColor fallback) {
  QColor c = ToQColor(color == clNone || color == clDefault ? fallback : color);
  if (!c.isValid()) c = ToQColor(fallback);
  return c.isValid() ? c : QColor(Qt::white);
}

bool IsBlankToken(QStringView text) {
  for (QChar c : text)
    if (c != QLatin1Char(' ') && c != QLatin1Char('\t')) return false;
  return true;
}

}  // namespace

// ------------------------------------------------------------- properties

void TCustomSrcEdit::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  viewport()->update();
}

void TCustomSrcEdit::SetFontColor(TColor value) {
  if (value == fontColor_) return;
  fontColor_ = value;
  viewport()->update();
}

void TCustomSrcEdit::SetTextDrawer(std::unique_ptr<TSrcTextDrawer> drawer) {
  if (!drawer) return;
  textDrawer_ = std::move(drawer);
  RecalcCharExtent();
}

TColor TCustomSrcEdit::DefaultBackground() const {
  if (highlighter_) {
    if (const TSrcHighlighterAttributes* ws = highlighter_->GetRoleAttribute(TSrcCustomHighlighter::roleWhitespace))
      if (ws->Background() != clNone) return ws->Background();
  }
  return color_;
}

// ------------------------------------------------------------------ gutter

int TCustomSrcEdit::GutterPixelWidth() const {
  // A digit takes the wider of a text cell and a digit of the gutter font,
  // so that no line number is ever cut.
  const QFontMetrics metrics(gutter_.NumberFont());
  int digit = charWidth_;
  for (char c = '0'; c <= '9'; ++c) digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
  return gutter_.RealGutterWidth(digit);
}

void TCustomSrcEdit::GutterChanged() {
  // With auto size the digits follow the line count at once, whichever
  // property changed (this may come back here once, through the gutter).
  gutter_.AutoSizeDigitCount(LineCount());
  SetGutterWidth(GutterPixelWidth());
  viewport()->update();
}

// ------------------------------------------------------ pixel conversion

TPoint TCustomSrcEdit::PixelsToRowColumn(QPoint pixel) const {
  const double q = static_cast<double>(pixel.x() - gutterWidth_ - 2) / charWidth_;
  const double f = q + leftChar_;
  int disp = static_cast<int>(f >= 0 ? f + 0.5 : f - 0.5);
  const int y = std::clamp(pixel.y(), 0, std::max(0, linesInWindow_ * lineHeight_ - 1));
  const int line = y / lineHeight_ + topLine_;
  disp = std::max(disp, 1);
  if (line < 1 || line > LineCount()) return TPoint{disp, line};
  // The nearest cell border may be the middle of a wide character (or of a
  // surrogate pair): the caret goes before it from its left half, after it
  // from its right half.
  const QString text = lines_->Get(line - 1);
  bool inside = false;
  int column = DisplayToCharColumn(text, disp, tabWidth_, &inside);
  if (inside && f >= disp) column += text[column - 1].isHighSurrogate() ? 2 : 1;
  return TPoint{column, line};
}

QPoint TCustomSrcEdit::RowColumnToPixels(TPoint p) const {
  const int disp = CharToDisplayPos(p).X;
  return QPoint((disp - 1) * charWidth_ + textOffset_, (p.Y - topLine_) * lineHeight_);
}

// ------------------------------------------------------------------ caret

QRect TCustomSrcEdit::CaretShape(TSrcEditCaretType type, int charWidth, int lineHeight) {
  const int w = charWidth, h = lineHeight;
  switch (type) {
    case ctVerticalLine:
      return QRect(-1, 0, 2, h - 2);
    case ctHorizontalLine:
      return QRect(0, h - 2, w, 2);
    case ctHalfBlock:
      return QRect(0, (h - 2) / 2, w, (h - 2) / 2);
    case ctBlock:
      return QRect(0, 0, w, h - 2);
  }
  return QRect();
}

QRect TCustomSrcEdit::CaretRect() const {
  if (!hasFocus() || HasOption(eoNoCaret)) return QRect();
  // A caret shaped as a cell covers both cells of a wide character.
  int cells = 1;
  if (caretY_ >= 1 && caretY_ <= LineCount()) {
    const QString line = Line(caretY_);
    if (caretX_ >= 1 && caretX_ <= line.size()) {
      const QChar c = line[caretX_ - 1];
      cells = c.isHighSurrogate() && caretX_ < line.size() && line[caretX_].isLowSurrogate() ? 2 : CharCells(c);
    }
  }
  const QRect shape = CaretShape(insertMode_ ? insertCaret_ : overwriteCaret_, charWidth_ * cells, lineHeight_);
  const QPoint cell = RowColumnToPixels(CaretXY());
  const QRect r(cell.x() + shape.x(), cell.y() + shape.y() + 1, shape.width(), shape.height());
  if (r.x() < gutterWidth_ + 2 || !viewport()->rect().contains(r.topLeft())) return QRect();
  return r;
}

void TCustomSrcEdit::UpdateCaret() {
  if (paintLock_ > 0) {
    stateFlags_ |= sfCaretChanged;
    return;
  }
  stateFlags_ &= ~sfCaretChanged;
  const QRect r = CaretRect();
  // A moved caret shows at once and blinks from there.
  caretBlinkOn_ = true;
  if (caretTimer_ && caretTimer_->isActive()) caretTimer_->start();
  viewport()->update(caretRect_);
  viewport()->update(r);
  caretRect_ = r;
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TCustomSrcEdit::CaretFocusChanged(bool focused) {
  if (focused) {
    if (!testAttribute(Qt::WA_InputMethodEnabled)) {
      setAttribute(Qt::WA_InputMethodEnabled, true);
      QGuiApplication::inputMethod()->update(Qt::ImEnabled);
    }
    if (!caretTimer_) {
      caretTimer_ = new QTimer(this);
      connect(caretTimer_, &QTimer::timeout, this, [this] {
        caretBlinkOn_ = !caretBlinkOn_;
        viewport()->update(caretRect_);
      });
    }
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
      caretTimer_->setInterval(flash / 2);
      caretTimer_->start();
    }
  } else if (caretTimer_) {
    caretTimer_->stop();
  }
  UpdateCaret();
  if (hideSelection_ && SelAvail()) viewport()->update();
}

void TCustomSrcEdit::PaintCaret(QPainter& painter, const QRect& clip) {
  if (!caretBlinkOn_) return;
  const QRect r = CaretRect();
  if (r.isEmpty() || !r.intersects(clip)) return;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.fillRect(r, Qt::white);
  painter.restore();
}

void TCustomSrcEdit::ScrollViewport(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  QWidget* vp = viewport();
  if (dy != 0) vp->scroll(0, dy);
  if (dx != 0) {
    const int left = gutterWidth_ + 2;
    vp->scroll(dx, 0, QRect(left, 0, std::max(0, vp->width() - left), vp->height()));
  }
  // The caret drawn on the moved pixels moved with them.
  caretRect_.translate(dx, dy);
  vp->update(caretRect_);
  if (!invalidRegion_.isEmpty()) invalidRegion_.translate(dx, dy);
  UpdateCaret();
}

// ------------------------------------------------------------------ paint

void TCustomSrcEdit::Paint(QPainter& painter, const QRect& clip) {
  if (clip.isEmpty()) return;
  const int cw = std::max(1, charWidth_), lh = std::max(1, lineHeight_);
  const int textLeft = gutterWidth_ + 2;
  const int clipRight = clip.x() + clip.width();    // exclusive
  const int clipBottom = clip.y() + clip.height();  // exclusive
  int firstCol = leftChar_;
  if (clip.x() > textLeft) firstCol = leftChar_ + (clip.x() - textLeft) / cw;
  const int lastCol = std::max(firstCol, (clipRight - textLeft + cw - 1) / cw + leftChar_);
  const int firstLine = std::max(std::max(clip.y(), 0) / lh + topLine_, topLine_);
  const int lastLine = std::min((clipBottom - 1) / lh + topLine_, LineCount());

  painter.save();
  painter.setClipRect(clip);
  if (clip.x() < gutterWidth_)
    PaintGutter(painter, QRect(clip.x(), clip.y(), std::min(clipRight, gutterWidth_) - clip.x(), clip.height()),
                firstLine, lastLine);
  if (clipRight > gutterWidth_) {
    const int left = std::max(clip.x(), gutterWidth_);
    PaintTextLines(painter, QRect(left, clip.y(), clipRight - left, clip.height()), firstLine, lastLine, firstCol,
                   lastCol);
  }
  DoPluginsAfterPaint(painter, clip, firstLine, lastLine);
  PaintCaret(painter, clip);
  painter.restore();

  painter.save();
  DoOnPaint(&painter);
  if (OnPaintTransient && paintTransientLock_ == 0) OnPaintTransient(this, &painter, ttAfter);
  painter.restore();
}

void TCustomSrcEdit::PaintGutter(QPainter& painter, const QRect& area, int firstLine, int lastLine) {
  const int lh = lineHeight_;
  FillRect(painter, area, Resolved(gutter_.Color(), clBtnFace));
  if (gutter_.ShowLineNumbers()) {
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setFont(gutter_.NumberFont());
    painter.setPen(Resolved(gutter_.FontColor(), clWindowText));
    const int numberWidth = std::max(0, gutterWidth_ - gutter_.LeftOffset() - gutter_.RightOffset() - 2);
    for (int line = firstLine; line <= lastLine; ++line) {
      if (lines_->IsContinuation(line - 1)) continue;  // a wrapped part has no number of its own
      const QRect cell(gutter_.LeftOffset(), (line - topLine_) * lh, numberWidth, lh);
      // A number wider than its field (auto size off) grows to the left
      // rather than losing digits.
      painter.drawText(cell, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip, gutter_.FormatLineNumber(line));
    }
    painter.restore();
  }
  // The edge: a dark line and a light one.
  const int top = area.y(), bottom = area.y() + area.height() - 1;
  if (gutterWidth_ >= 2) {
    painter.setPen(Resolved(clBtnShadow, clGray));
    painter.drawLine(gutterWidth_ - 2, top, gutterWidth_ - 2, bottom);
    painter.setPen(Resolved(clBtnHighlight, clWhite));
    painter.drawLine(gutterWidth_ - 1, top, gutterWidth_ - 1, bottom);
  }
  if (!bookMarkOpt_.GlyphsVisible() || lastLine < firstLine || marks_.Count() == 0) return;

  std::vector<int> offsets(static_cast<size_t>(lastLine - firstLine + 1), 0);
  TImageList* images = bookMarkOpt_.BookmarkImages();
  auto drawMark = [&](TSrcEditMark* mark) {
    const int row = mark->Line() - firstLine;
    const int y = (mark->Line() - topLine_) * lh;
    int& offset = offsets[static_cast<size_t>(row)];
    const int x = bookMarkOpt_.LeftMargin() + offset;
    if (!mark->InternalImage() && images) {
      const int index = mark->ImageIndex();
      if (index >= 0 && index < images->Count()) images->Draw(painter, x, y + (lh - images->Height()) / 2, index);
    } else {
      const int glyph = mark->IsBookmark() ? mark->BookmarkNumber() : mark->ImageIndex();
      if (glyph < 0 || glyph >= kSrcEditInternalImageCount) return;
      if (!internalImage_)
        internalImage_ = std::make_unique<TSrcInternalImage>(QString::fromLatin1(kSrcEditInternalImages),
                                                             kSrcEditInternalImageCount);
      if (offset == 0) internalImage_->Draw(painter, glyph, x, y, lh);
    }
    offset += bookMarkOpt_.Xoffset();
  };
  for (int pass = 0; pass < 2; ++pass) {
    const bool bookmarks = (pass == 0) == bookMarkOpt_.DrawBookmarksFirst();
    for (int i = 0; i < marks_.Count(); ++i) {
      TSrcEditMark* mark = marks_.Item(i);
      if (!mark->Visible() || mark->IsBookmark() != bookmarks) continue;
      if (mark->Line() < firstLine || mark->Line() > lastLine) continue;
      drawMark(mark);
    }
  }
}

void TCustomSrcEdit::PaintTextLines(QPainter& painter, const QRect& area, int firstLine, int lastLine, int firstCol,
                                    int lastCol) {
  const int cw = charWidth_, lh = lineHeight_;
  const int textLeft = gutterWidth_ + 2;
  const int areaRight = area.x() + area.width();
  const TColor defaultBg = DefaultBackground();
  const bool showSpecial = HasOption(eoShowSpecialChars);
  if (highlighter_) RescanThrough(lastLine - 1);

  int edgeX = -1;
  if (rightEdge_ > 0) {
    const int x = rightEdge_ * cw + textOffset_;
    if (x >= area.x() && x < areaRight) edgeX = x;
  }
  const QRect margin = QRect(gutterWidth_, area.y(), 2, area.height()).intersected(area);
  if (!margin.isEmpty()) FillRect(painter, margin, Resolved(defaultBg, clWindow));

  const bool anySelection = SelAvail() && (hasFocus() || !hideSelection_);
  const TPoint selFirst = BlockBegin(), selLast = BlockEnd();

  TSrcTextDrawer& drawer = *textDrawer_;
  drawer.BeginDraw(&painter);
  struct EndDrawGuard {
    TSrcTextDrawer& d;
    ~EndDrawGuard() { d.EndDraw(); }
  } endDraw{drawer};
  TSrcCustomHighlighter* hl = highlighter_.data();

  QString shown;  // the visible characters of one run, reused
  for (int line = firstLine; line <= lastLine; ++line) {
    const int y = (line - topLine_) * lh;
    const QString raw = Line(line);
    const QString expanded = lines_->ExpandedText(line - 1);
    const int expandedLength = static_cast<int>(expanded.size());

    TColor specialFg = fontColor_, specialBg = defaultBg;
    const bool special = DoOnSpecialLineColors(line, specialFg, specialBg);
    // A special line's background is that of the whole line, whatever the
    // tokens say; its foreground too unless the tokens keep their own.
    const bool specialFgWins = special && !HasOption(eoSpecialLineDefaultFg);
    const TColor lineBg = special ? specialBg : defaultBg;
    const TColor lineFg = specialFgWins ? specialFg : fontColor_;
    TColor selFg = selectedColor_.Foreground(), selBg = selectedColor_.Background();
    if (special) {
      selFg = specialBg;
      selBg = specialFg;
    }

    // The selected display columns of this line: [selFrom, selTo).
    int selFrom = 0, selTo = 0;
    if (anySelection && line >= selFirst.Y && line <= selLast.Y) {
      switch (selectionMode_) {
        case smNormal:
          selFrom = line == selFirst.Y ? CharToDisplayPos(selFirst).X : 1;
          selTo = line == selLast.Y ? CharToDisplayPos(selLast).X : INT_MAX;
          break;
        case smLine:
          selFrom = 1;
          selTo = INT_MAX;
          break;
        case smColumn:
          selFrom = CharToDisplayPos(TPoint{std::min(selFirst.X, selLast.X), line}).X;
          selTo = CharToDisplayPos(TPoint{std::max(selFirst.X, selLast.X), line}).X;
          break;
      }
    }

    auto drawPart = [&](int from, int to, TColor fg, TColor bg, TFontStyles style) {
      if (from >= to) return;
      QRect rect((from - 1) * cw + textOffset_, y, (to - from) * cw, lh);
      rect = rect.intersected(QRect(textLeft, area.y(), areaRight - textLeft, area.height()));
      if (rect.isEmpty()) return;
      // A part that starts on the second cell of a wide character (cut by
      // the window's left side or the clip) draws the whole character,
      // clipped to the part. The drawer gives a wide character its two
      // cells itself: the fillers stay out of the text it gets.
      const int first = IsWideFiller(expanded, from) ? from - 1 : from;
      const int x = (first - 1) * cw + textOffset_;
      shown.resize(to - first);
      int n = 0;
      for (int i = first; i < to; ++i)
        if (!IsWideFiller(expanded, i)) shown[n++] = VisibleChar(expanded[i - 1], showSpecial);
      shown.truncate(n);
      drawer.SetBackground(bg);
      drawer.SetForeground(fg);
      drawer.SetStyle(style);
      drawer.ExtTextOut(x, y, ETO_OPAQUE | ETO_CLIPPED, rect, shown);
      if (showSpecial && tabWidth_ > 1) {
        // A marker in the middle of every TAB span.
        for (int i = from; i < to; ++i) {
          if (expanded[i - 1] != QLatin1Char('\t')) continue;
          int spanStart = i;
          while (spanStart > 1 && expanded[spanStart - 2] == QLatin1Char('\t') && (spanStart - 1) % tabWidth_ != 0)
            --spanStart;
          int spanEnd = i;
          while (spanEnd < expandedLength && expanded[spanEnd] == QLatin1Char('\t') && spanEnd % tabWidth_ != 0)
            ++spanEnd;
          const int middle = (spanStart + spanEnd) / 2;
          if (middle != i) continue;
          const int mx = (i - 1) * cw + textOffset_, my = y + lh / 2;
          painter.save();
          painter.setClipRect(rect, Qt::IntersectClip);
          painter.setPen(ToQColor(fg));
          painter.drawLine(mx + 1, my, mx + cw - 2, my);
          painter.drawLine(mx + cw - 2, my, mx + cw / 2, my - cw / 3);
          painter.drawLine(mx + cw - 2, my, mx + cw / 2, my + cw / 3);
          painter.restore();
        }
      }
    };
    // Draws the columns [from, to) of a run, split at the selection bounds.
    auto drawRun = [&](int from, int to, TColor fg, TColor bg, TFontStyles style) {
      from = std::max(from, firstCol);
      to = std::min(to, lastCol + 1);
      if (from >= to) return;
      const QColor fgc = Resolved(fg, lineFg), bgc = Resolved(bg, lineBg);
      const TColor fgv = FromQColor(fgc), bgv = FromQColor(bgc);
      if (selFrom >= selTo) {
        drawPart(from, to, fgv, bgv, style);
        return;
      }
      drawPart(from, std::min(to, selFrom), fgv, bgv, style);
      drawPart(std::max(from, selFrom), std::min(to, selTo), FromQColor(Resolved(selFg, clHighlightText)),
               FromQColor(Resolved(selBg, clHighlight)), style);
      drawPart(std::max(from, selTo), to, fgv, bgv, style);
    };

    if (!hl) {
      drawRun(1, expandedLength + 1, lineFg, lineBg, 0);
    } else {
      struct Run {
        int from = 1, to = 1;
        TColor fg = clNone, bg = clNone;
        TFontStyles style = 0;
        bool blank = false;
      } run;
      bool hasRun = false;
      hl->SetRange(lines_->LineRange(line - 1));
      hl->SetLineView(raw, line - 1);  // `raw` outlives the token loop below
      int disp = 1, charPos = 0;
      TSrcTokenInfo token;  // one call per token reads it and moves on
      for (int guard = hl->MaxTokens(); guard > 0 && hl->NextToken(token); --guard) {
        const int pos = std::clamp(token.pos, charPos, static_cast<int>(raw.size()));
        const int len = std::max(0, std::min(token.length, static_cast<int>(raw.size()) - pos));
        const int start = AdvanceDisplay(raw, charPos, pos, disp, tabWidth_);
        const int end = AdvanceDisplay(raw, pos, pos + len, start, tabWidth_);
        disp = end;
        charPos = pos + len;
        if (start > lastCol) break;  // nothing more is visible
        if (end > firstCol && end > start) {
          const TSrcHighlighterAttributes* attr = token.attribute;
          TColor fg = attr && !specialFgWins ? attr->Foreground() : clNone;
          const TColor bg = attr && !special ? attr->Background() : clNone;
          const TFontStyles style = attr ? attr->Style() : 0;
          if (fg == clNone) fg = lineFg;
          const bool blank = !showSpecial && IsBlankToken(QStringView(raw).mid(pos, len));
          const bool noUnderline = !((run.style | style) & fsUnderline);
          const bool joins = hasRun && run.bg == bg && run.to == start &&
                             ((run.fg == fg && run.style == style) || (blank && noUnderline));
          if (joins) {
            run.to = end;
            run.blank = run.blank && blank;
          } else if (hasRun && run.blank && !blank && run.bg == bg && run.to == start && noUnderline) {
            // Blanks alone look the same in any colour: they take the word's.
            run.to = end;
            run.fg = fg;
            run.style = style;
            run.blank = false;
          } else {
            if (hasRun) drawRun(run.from, run.to, run.fg, run.bg, run.style);
            run = Run{start, end, fg, bg, style, blank};
            hasRun = true;
          }
        }
      }
      if (hasRun) drawRun(run.from, run.to, run.fg, run.bg, run.style);
      // Text the highlighter left unscanned is still shown.
      if (disp <= expandedLength && disp <= lastCol) drawRun(disp, expandedLength + 1, lineFg, lineBg, 0);
    }

    // The rest of the row, selected where the selection runs past the end.
    const int restCol = std::max(expandedLength + 1, firstCol);
    const int restX = std::max((restCol - 1) * cw + textOffset_, textLeft);
    if (restX < areaRight) {
      FillRect(painter, QRect(restX, y, areaRight - restX, lh), Resolved(lineBg, clWindow));
      if (selFrom < selTo && selTo > restCol) {
        const int from = std::max(selFrom, restCol);
        const int x0 = std::max((from - 1) * cw + textOffset_, textLeft);
        const int x1 = selTo == INT_MAX ? areaRight : std::min(areaRight, (selTo - 1) * cw + textOffset_);
        if (x1 > x0) FillRect(painter, QRect(x0, y, x1 - x0, lh), Resolved(selBg, clHighlight));
      }
    }
  }

  // Below the last line.
  const int belowY = std::max(area.y(), (std::max(lastLine, topLine_ - 1) - topLine_ + 1) * lh);
  const int areaBottom = area.y() + area.height();
  if (belowY < areaBottom)
    FillRect(painter, QRect(area.x(), belowY, area.width(), areaBottom - belowY), Resolved(defaultBg, clWindow));

  if (edgeX >= 0) {
    painter.setPen(Resolved(rightEdgeColor_, clSilver));
    painter.drawLine(edgeX, area.y(), edgeX, areaBottom - 1);
  }
}
