// Drawing text on a fixed character grid. The font stock keeps, for one base
// font, a font for each of the 16 combinations of bold, italic, underline and
// strike-out, measured once and shared between all editors with an equal
// base font.
#pragma once

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <QStringView>
#include <array>
#include <memory>
#include <vector>

#include "editor/SrcEditTypes.h"
#include "platform/Colors.h"
#include "platform/Types.h"

class QPainter;

// `font` with every property its own: a painter takes none of them from the
// font of the widget it paints on (which follows the desktop's application
// font), so the glyphs drawn are those the font was measured with.
QFont SelfContainedFont(QFont font);

class ESrcTextDrawerException : public ESrcEditError {
 public:
  using ESrcEditError::ESrcEditError;
};
class ESrcFontStockException : public ESrcEditError {
 public:
  using ESrcEditError::ESrcEditError;
};

// One styled variant of a base font.
struct TSrcStockFontPattern {
  std::unique_ptr<QFont> font;  // none until first needed
  int charAdvance = 0;
  int charHeight = 0;
  int ascent = 0;
};

// What the process knows about one base font (its key ignores italic,
// underline and strike-out).
struct TSrcFontInfo {
  int refCount = 0;
  int lockCount = 0;
  QFont baseFont;
  QString key;
  TSrcStockFontPattern styles[16];
};

// The process-wide list of font records.
class TSrcFontsInfoManager {
 public:
  static TSrcFontsInfoManager& Instance();
  // The record for a font (created on first use); its reference count grows.
  TSrcFontInfo* LockFontsInfo(const QFont& font);
  // Drops one reference; the last one frees the record.
  void ReleaseFontsInfo(TSrcFontInfo* info);
  void LockInfo(TSrcFontInfo* info) { ++info->lockCount; }
  // Drops one lock; at 0 the styled fonts are let go (made again on demand).
  void UnlockInfo(TSrcFontInfo* info);
  int Count() const { return static_cast<int>(infos_.size()); }
  static QString KeyOf(const QFont& font);

 private:
  std::vector<std::unique_ptr<TSrcFontInfo>> infos_;
};

class TSrcFontStock {
 public:
  explicit TSrcFontStock(const QFont& baseFont);
  ~TSrcFontStock();
  TSrcFontStock(const TSrcFontStock&) = delete;
  TSrcFontStock& operator=(const TSrcFontStock&) = delete;

  void SetBaseFont(const QFont* font);
  void SetStyle(TFontStyles style);
  TFontStyles Style() const { return style_; }
  const QFont& FontHandle() const { return *current_->font; }
  int CharAdvance() const { return current_->charAdvance; }
  int CharHeight() const { return current_->charHeight; }
  int Ascent() const { return current_->ascent; }
  const TSrcFontInfo* FontsInfo() const { return info_; }
  void ReleaseFontsInfo();

 private:
  void Unlock();
  TSrcFontInfo* info_ = nullptr;
  bool locked_ = false;
  TFontStyles style_ = 0;
  TSrcStockFontPattern* current_ = nullptr;
};

// Options of ExtTextOut.
enum : int { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };

class TSrcTextDrawer {
 public:
  TSrcTextDrawer(TFontStyles baseStyle, const QFont& baseFont);
  virtual ~TSrcTextDrawer();
  TSrcTextDrawer(const TSrcTextDrawer&) = delete;
  TSrcTextDrawer& operator=(const TSrcTextDrawer&) = delete;

  // Cell size; never below 1.
  int CharWidth() const;
  int CharHeight() const;

  void BeginDraw(QPainter* painter);
  void EndDraw();
  bool Drawing() const { return drawingCount_ > 0; }

  void TextOut(int x, int y, QStringView text);
  // Draws the text on the grid, each character in the cell after the one
  // before, a wide character (East Asian width W or F) in two cells: with
  // narrow characters only, character i at x + i * CharWidth. ETO_OPAQUE
  // fills the rectangle with the background first, ETO_CLIPPED clips to it.
  virtual void ExtTextOut(int x, int y, int options, const QRect& rect, QStringView text);

  // No font raises ESrcTextDrawerException.
  void SetBaseFont(const QFont* font);
  void SetBaseStyle(TFontStyles style);
  void SetStyle(TFontStyles style);
  TFontStyles Style() const { return stock_.Style(); }
  void SetForeground(TColor color);
  void SetBackground(TColor color);
  TColor Foreground() const { return foreground_; }
  TColor Background() const { return background_; }
  void SetCharExtra(int value);
  int CharExtra() const { return charExtra_; }
  // Lets the styled fonts go until they are needed again.
  void ReleaseTemporaryResources() { stock_.ReleaseFontsInfo(); }
  const TSrcFontStock& FontStock() const { return stock_; }
  // Length of the reusable position array.
  int DistanceArrayLength() const { return static_cast<int>(distances_.size()); }

 private:
  void FreeDistanceArray() { distances_.clear(); }
  void ApplyColors();
  void ApplyFont();

  // Draws the text as one run of glyphs placed on the grid; false when a
  // character is not a glyph of the font itself or the style has lines
  // (the caller then draws it character by character, with the platform's
  // font fallback and decorations).
  bool DrawGlyphRun(int x, int y, QStringView text, bool wide);
  // Draws one wide character in the `span` pixels from x.
  void DrawWideChar(int x, int baseline, int span, const QString& c);

  TSrcFontStock stock_;
  std::array<std::unique_ptr<QRawFont>, 16> rawFonts_;  // per style, made on first use
  std::vector<quint32> glyphs_;
  std::vector<QPointF> positions_;
  TFontStyles baseStyle_;
  int charWidth_ = 1;
  int charHeight_ = 1;
  int ascent_ = 0;
  TColor foreground_ = clWindowText;
  TColor background_ = clWindow;
  int charExtra_ = 0;
  QPainter* painter_ = nullptr;
  int drawingCount_ = 0;
  std::vector<int> distances_;
};
