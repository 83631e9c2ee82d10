#include "editor/SrcTextDrawer.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

#include "editor/SrcEditMiscProcs.h"

namespace {

const char* const kSetBaseFontMissing = "SetBaseFont: 'Value' must be specified.";

}  // namespace

QFont SelfContainedFont(QFont font) {
  font.setResolveMask(QFont::AllPropertiesResolved);
  return font;
}

// ------------------------------------------------------------- font records

TSrcFontsInfoManager& TSrcFontsInfoManager::Instance() {
  static TSrcFontsInfoManager manager;
  return manager;
}

QString TSrcFontsInfoManager::KeyOf(const QFont& font) {
  QFont f(font);
  f.setItalic(false);
  f.setUnderline(false);
  f.setStrikeOut(false);
  return f.toString();
}

TSrcFontInfo* TSrcFontsInfoManager::LockFontsInfo(const QFont& font) {
  const QString key = KeyOf(font);
  for (auto& info : infos_) {
    if (info->key == key) {
      ++info->refCount;
      return info.get();
    }
  }
  auto info = std::make_unique<TSrcFontInfo>();
  info->baseFont = font;
  info->key = key;
  info->refCount = 1;
  infos_.push_back(std::move(info));
  return infos_.back().get();
}

void TSrcFontsInfoManager::ReleaseFontsInfo(TSrcFontInfo* info) {
  Q_ASSERT(info->lockCount < info->refCount);  // Call DeactivateFontsInfo before calling this.
  if (--info->refCount > 0) return;
  for (auto it = infos_.begin(); it != infos_.end(); ++it) {
    if (it->get() == info) {
      infos_.erase(it);
      return;
    }
  }
}

void TSrcFontsInfoManager::UnlockInfo(TSrcFontInfo* info) {
  if (info->lockCount > 0 && --info->lockCount == 0) {
    for (auto& pattern : info->styles) pattern.font.reset();
  }
}

// --------------------------------------------------------------- font stock

TSrcFontStock::TSrcFontStock(const QFont& baseFont) { SetBaseFont(&baseFont); }

TSrcFontStock::~TSrcFontStock() {
  if (info_) {
    Unlock();
    TSrcFontsInfoManager::Instance().ReleaseFontsInfo(info_);
  }
}

void TSrcFontStock::Unlock() {
  if (locked_) {
    TSrcFontsInfoManager::Instance().UnlockInfo(info_);
    locked_ = false;
  }
}

void TSrcFontStock::ReleaseFontsInfo() { Unlock(); }

void TSrcFontStock::SetBaseFont(const QFont* font) {
  if (!font) throw ESrcFontStockException(QString::fromLatin1(kSetBaseFontMissing));
  auto& manager = TSrcFontsInfoManager::Instance();
  TSrcFontInfo* info = manager.LockFontsInfo(*font);
  if (info == info_) {
    manager.ReleaseFontsInfo(info);
  } else {
    if (info_) {
      Unlock();
      manager.ReleaseFontsInfo(info_);
    }
    info_ = info;
  }
  TFontStyles style = 0;
  if (font->bold()) style |= fsBold;
  if (font->italic()) style |= fsItalic;
  if (font->underline()) style |= fsUnderline;
  if (font->strikeOut()) style |= fsStrikeOut;
  current_ = nullptr;
  SetStyle(style);
}

void TSrcFontStock::SetStyle(TFontStyles style) {
  style &= 15;
  if (!locked_) {
    TSrcFontsInfoManager::Instance().LockInfo(info_);
    locked_ = true;
  }
  TSrcStockFontPattern& pattern = info_->styles[style];
  style_ = style;
  current_ = &pattern;
  if (pattern.font) return;
  QFont styled = info_->baseFont;
  // A named style ("Book", from a desktop's font settings) would outweigh
  // the bold and italic bits.
  styled.setStyleName(QString());
  styled.setBold(style & fsBold);
  styled.setItalic(style & fsItalic);
  styled.setUnderline(style & fsUnderline);
  styled.setStrikeOut(style & fsStrikeOut);
  auto font = std::make_unique<QFont>(SelfContainedFont(styled));
  const QFontMetricsF metrics(*font);
  // The cell is the advance of "M"; a font without a usable "M" falls back
  // to its average width.
  qreal advance = metrics.horizontalAdvance(QLatin1Char('M'));
  if (advance <= 0) advance = metrics.averageCharWidth();
  pattern.charAdvance = std::max(1, static_cast<int>(std::ceil(advance - 0.01)));
  pattern.charHeight = std::max(1, static_cast<int>(std::ceil(metrics.height() - 0.01)));
  pattern.ascent = static_cast<int>(std::ceil(metrics.ascent() - 0.01));
  pattern.font = std::move(font);
}

// -------------------------------------------------------------- text drawer

TSrcTextDrawer::TSrcTextDrawer(TFontStyles baseStyle, const QFont& baseFont)
    : stock_(baseFont), baseStyle_(baseStyle & 15) {
  SetBaseFont(&baseFont);
}

TSrcTextDrawer::~TSrcTextDrawer() = default;

int TSrcTextDrawer::CharWidth() const { return std::max(1, charWidth_ + charExtra_); }
int TSrcTextDrawer::CharHeight() const { return std::max(1, charHeight_); }

void TSrcTextDrawer::SetBaseFont(const QFont* font) {
  if (!font) throw ESrcTextDrawerException(QString::fromLatin1(kSetBaseFontMissing));
  FreeDistanceArray();
  for (auto& raw : rawFonts_) raw.reset();
  stock_.SetBaseFont(font);
  const TFontStyles own = stock_.Style();
  stock_.SetStyle(baseStyle_);
  charWidth_ = stock_.CharAdvance();
  charHeight_ = stock_.CharHeight();
  ascent_ = stock_.Ascent();
  SetStyle(own);
}

void TSrcTextDrawer::SetBaseStyle(TFontStyles style) {
  style &= 15;
  if (style == baseStyle_) return;
  baseStyle_ = style;
  FreeDistanceArray();
  const TFontStyles current = stock_.Style();
  stock_.SetStyle(baseStyle_);
  charWidth_ = stock_.CharAdvance();
  charHeight_ = stock_.CharHeight();
  ascent_ = stock_.Ascent();
  SetStyle(current);
}

void TSrcTextDrawer::SetStyle(TFontStyles style) {
  stock_.SetStyle(style);
  ApplyFont();
}

void TSrcTextDrawer::ApplyFont() {
  if (painter_) painter_->setFont(stock_.FontHandle());
}

void TSrcTextDrawer::ApplyColors() {
  if (!painter_) return;
  const QColor fg = ToQColor(foreground_);
  const QColor bg = ToQColor(background_);
  painter_->setPen(fg.isValid() ? fg : QColor(Qt::black));
  painter_->setBackground(bg.isValid() ? bg : QColor(Qt::white));
}

void TSrcTextDrawer::SetForeground(TColor color) {
  if (color == foreground_) return;
  foreground_ = color;
  ApplyColors();
}

void TSrcTextDrawer::SetBackground(TColor color) {
  if (color == background_) return;
  background_ = color;
  ApplyColors();
}

void TSrcTextDrawer::SetCharExtra(int value) {
  if (value == charExtra_) return;
  charExtra_ = value;
  FreeDistanceArray();
}

void TSrcTextDrawer::BeginDraw(QPainter* painter) {
  if (painter_ && painter_ != painter)
    throw ESrcTextDrawerException(QStringLiteral("BeginDraw: another painter is in use"));
  if (!painter_) {
    if (!painter) throw ESrcTextDrawerException(QStringLiteral("BeginDraw: no painter"));
    painter_ = painter;
    painter_->save();
    ApplyFont();
    ApplyColors();
  }
  ++drawingCount_;
}

void TSrcTextDrawer::EndDraw() {
  if (drawingCount_ <= 0) throw ESrcTextDrawerException(QStringLiteral("EndDraw: drawing was not begun"));
  if (--drawingCount_ == 0) {
    painter_->restore();
    painter_ = nullptr;
  }
}

void TSrcTextDrawer::TextOut(int x, int y, QStringView text) {
  if (painter_) painter_->drawText(QPoint(x, y + ascent_), text.toString());
}

bool TSrcTextDrawer::DrawGlyphRun(int x, int y, QStringView text, bool wide) {
  const int n = static_cast<int>(text.size());
  if (n == 0) return true;
  const TFontStyles style = stock_.Style() & 15;
  // Glyph runs leave out the lines of underline and strike-out.
  if (style & (fsUnderline | fsStrikeOut)) return false;
  auto& raw = rawFonts_[style];
  if (!raw) raw = std::make_unique<QRawFont>(QRawFont::fromFont(stock_.FontHandle()));
  if (!raw->isValid()) return false;
  if (static_cast<int>(glyphs_.size()) < n) {
    glyphs_.resize(static_cast<size_t>(n));
    positions_.resize(static_cast<size_t>(n));
  }
  int count = n;
  if (!raw->glyphIndexesForChars(text.data(), n, glyphs_.data(), &count) || count != n) return false;
  for (int i = 0; i < n; ++i)
    if (glyphs_[static_cast<size_t>(i)] == 0 || text[i].isSurrogate()) return false;
  if (wide) {
    // A wide glyph sits in the middle of its two cells (the advances are
    // taken into the position array, then replaced).
    if (!raw->advancesForGlyphIndexes(glyphs_.data(), positions_.data(), n)) return false;
  }
  int cx = x;
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<size_t>(i);
    const int cell = distances_[k];
    if (wide && IsWideChar(text[i].unicode())) {
      const qreal span = 2 * cell;
      if (positions_[k].x() > span) return false;  // too wide: squeezed by the caller
      positions_[k] = QPointF(cx + (span - positions_[k].x()) / 2, y + ascent_);
      cx += 2 * cell;
    } else {
      positions_[k] = QPointF(cx, y + ascent_);
      cx += cell;
    }
  }
  QGlyphRun run;
  run.setRawFont(*raw);
  run.setRawData(glyphs_.data(), positions_.data(), n);
  painter_->drawGlyphRun(QPointF(0, 0), run);
  return true;
}

void TSrcTextDrawer::DrawWideChar(int x, int baseline, int span, const QString& c) {
  // In the middle of its two cells; a glyph wider than them (a fallback
  // font's) is squeezed into them, so it never reaches a neighbour.
  const qreal advance = QFontMetricsF(painter_->font()).horizontalAdvance(c);
  if (advance <= span) {
    painter_->drawText(QPointF(x + (span - advance) / 2, baseline), c);
    return;
  }
  painter_->save();
  painter_->translate(x, baseline);
  painter_->scale(span / advance, 1.0);
  painter_->drawText(QPointF(0, 0), c);
  painter_->restore();
}

void TSrcTextDrawer::ExtTextOut(int x, int y, int options, const QRect& rect, QStringView text) {
  if (!painter_) return;
  const int n = static_cast<int>(text.size());
  if (static_cast<int>(distances_.size()) < n) distances_.resize((n / 64) * 64 + 64, CharWidth());
  if (options & ETO_OPAQUE) painter_->fillRect(rect, painter_->background());
  const bool clip = (options & ETO_CLIPPED) != 0;
  if (clip) {
    painter_->save();
    painter_->setClipRect(rect, Qt::IntersectClip);
  }
  const bool wide = HasWideChars(text);
  if (painter_->paintEngine() && painter_->paintEngine()->type() == QPaintEngine::Raster &&
      DrawGlyphRun(x, y, text, wide)) {
    if (clip) painter_->restore();
    return;
  }
  // Every character sits in its own cell whatever its glyph's advance, a
  // wide character in two; a surrogate pair shares the cell of its first
  // half, and takes the second half's too.
  int cx = x;
  for (int i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
      painter_->drawText(QPoint(cx, y + ascent_), text.mid(i, 2).toString());
    } else if (wide && IsWideChar(c.unicode())) {
      DrawWideChar(cx, y + ascent_, 2 * distances_[i], QString(c));
      cx += distances_[i];
    } else if (!c.isLowSurrogate() && c != QLatin1Char(' ') && c != QLatin1Char('\t')) {
      painter_->drawText(QPoint(cx, y + ascent_), QString::fromRawData(text.data() + i, 1));
    }
    cx += distances_[i];
  }
  if (clip) painter_->restore();
}
