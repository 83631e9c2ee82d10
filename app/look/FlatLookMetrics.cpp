#include "app/look/FlatLookMetrics.h"

#include <QPixmapCache>
#include <algorithm>
#include <cmath>

namespace FlatLook {

namespace {

// n / 100 rounded to the nearest integer, halves to the even neighbour.
int RoundPercent(int n) {
  int q = n / 100;
  const int r = n % 100;
  if (r > 50 || (r == 50 && (q & 1))) ++q;
  return q;
}

int LightenChannel(int x, int p) { return x + RoundPercent((255 - x) * p); }

int converted = 0;

}  // namespace

QColor Lighten(const QColor& c, int p) {
  p = std::clamp(p, 0, 100);
  return QColor(LightenChannel(c.red(), p), LightenChannel(c.green(), p), LightenChannel(c.blue(), p));
}

QColor Darken(const QColor& c, int d) {
  auto ch = [d](int x) { return std::clamp(x - d, 0, 255); };
  return QColor(ch(c.red()), ch(c.green()), ch(c.blue()));
}

QColor Grey(const QColor& c, int g) {
  const int v = std::clamp((c.red() + c.green() + c.blue()) / 3 + g, 0, 240);
  return QColor(v, v, v);
}

bool IsDark(const QColor& c) { return (c.red() + c.blue()) / 2 < 151 && c.green() < 201; }

QColor SelectedTextColor(const QColor& text, const QColor& selectFill) {
  return IsDark(selectFill) ? Lighten(text, 90) : text;
}

TPalette MakePalette(const TColors& colors, int bitsPerPixel, const TColorResolver& resolve) {
  TPalette p;
  p.HighColor = bitsPerPixel >= 16;
  const QColor btnFace = resolve(clBtnFace), btnShadow = resolve(clBtnShadow), highlight = resolve(clHighlight);
  const QColor white(255, 255, 255);
  p.Menu = resolve(colors.Color);
  p.IconColumn = resolve(colors.IconBackColor);
  if (p.HighColor) {
    const QColor select = resolve(colors.SelectColor);
    p.SelectFill = Lighten(select, 68);
    p.CheckFill = Lighten(select, 80);
    p.SelectedCheckFill = Lighten(select, 50);
    p.Frame1 = Darken(btnFace, 90);
    p.Frame2 = Darken(btnFace, 76);
  } else {
    p.SelectFill = resolve(colors.SelectColor);
    p.CheckFill = white;
    p.SelectedCheckFill = QColor(0xC0, 0xC0, 0xC0);
    p.Frame1 = p.Frame2 = btnShadow;
  }
  p.SelectBorder = resolve(colors.SelectBorderColor);
  p.SelectText = resolve(colors.SelectFontColor);
  p.MenuBar = resolve(colors.MenuBarColor);
  p.Disabled = resolve(colors.DisabledColor);
  p.CheckBorder = resolve(colors.CheckedColor);
  p.Separator = resolve(colors.SeparatorColor);
  if (!colors.UseSystemColors) return p;

  p.SelectText = resolve(clMenuText);
  p.SelectBorder = highlight;
  p.CheckBorder = highlight;
  if (p.HighColor) {
    p.Menu = Lighten(btnFace, 86);
    p.IconColumn = Lighten(btnFace, 16);
    p.SelectFill = Lighten(highlight, 68);
    p.MenuBar = btnFace;
    p.Disabled = Lighten(btnShadow, 10);
    p.Separator = Lighten(btnShadow, 25);
    p.CheckFill = Lighten(highlight, 80);
    p.SelectedCheckFill = Lighten(highlight, 50);
  } else {
    p.Menu = white;
    p.IconColumn = btnFace;
    p.SelectFill = white;
    p.MenuBar = p.IconColumn;
    p.Disabled = btnShadow;
    p.Separator = btnShadow;
    p.CheckFill = p.SelectedCheckFill = white;
  }
  return p;
}

QSize MeasureMenuItem(const TMenuItemMeasure& item, const TTextMetrics& text) {
  if (item.Caption == u"-") return QSize(0, SeparatorHeight);
  int width = text.Width(item.Caption + QStringLiteral("WWW") + item.Shortcut) + 5;
  if (item.Caption.contains(u'&')) width -= text.Width(QStringLiteral("&"));
  width += std::max(item.Image.width(), item.IconWidth);
  if (item.WindowList) width += WindowListExtra;
  const int height = std::max(text.Height + static_cast<int>(std::lrint(0.75 * text.Height)), item.Image.height() + 6);
  return QSize(width, height);
}

QRect MarkBox(const QRect& item, int iconWidth, bool rightToLeft) {
  const int columnLeft = rightToLeft ? item.right() + 1 - iconWidth : item.left();
  const int left = columnLeft + (iconWidth - MarkBoxSize) / 2;
  const int top = item.top() + (item.height() - MarkBoxSize) / 2;
  return QRect(left, top, MarkBoxSize, MarkBoxSize);
}

std::array<QLine, 5> CheckMarkLines(const QRect& box) {
  // Edges as the box's outer coordinates: right and bottom lie just outside.
  const int l = box.left(), t = box.top(), r = box.left() + box.width(), b = box.top() + box.height();
  return {QLine(l + 1, t + 5, l + 4, b - 2), QLine(l + 2, t + 5, l + 4, b - 3), QLine(l + 2, t + 4, l + 5, b - 3),
          QLine(l + 4, b - 3, r + 2, t - 1), QLine(l + 4, b - 2, r - 2, t + 3)};
}

QRect SelectionRect(const QRect& item, bool flatMenu) { return item.adjusted(0, 1, flatMenu ? -1 : 0, -1); }

std::vector<int> GradientSteps(int width, int iconWidth, bool rightToLeft) {
  std::vector<int> steps;
  steps.reserve(std::max(width, 0));
  const int fastZone = rightToLeft ? iconWidth - 5 : iconWidth + 5;
  int amount = 0;
  for (int i = 0; i < width; ++i) {
    steps.push_back(amount);
    amount = std::min(96, amount + (i > 0 && i < fastZone ? 3 : 1));
  }
  return steps;
}

QColor EditFrameColor(const TPalette& palette, const QColor& parent, bool hotOrFocused, bool bordered) {
  if (hotOrFocused) return Lighten(palette.SelectBorder, bordered ? 60 : 80);
  return bordered ? Darken(parent, 60) : parent;
}

TButtonColors ButtonColors(const TPalette& palette, const QColor& btnFace, const QColor& btnShadow, bool hot,
                           bool pressed, bool focused) {
  if (hot || pressed) return {Lighten(btnFace, 60), Lighten(palette.SelectBorder, 60)};
  return {palette.IconColumn, focused ? Lighten(palette.SelectBorder, 60) : btnShadow};
}

namespace {

// Converts every pixel with `op`, remembering the last pixel converted
// (icons are mostly runs of one colour).
template <typename Op>
QImage ConvertPixels(const QImage& image, Op op) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  QRgb lastIn = 0, lastOut = 0;
  bool have = false;
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const QRgb px = line[x];
      if (!have || px != lastIn) {
        const QColor c = op(QColor::fromRgb(px));
        lastIn = px;
        lastOut = qRgba(c.red(), c.green(), c.blue(), qAlpha(px));
        have = true;
      }
      line[x] = lastOut;
    }
  }
  return out;
}

// The converted pixmap from the cache; converted (and counted) on a miss.
template <typename Convert>
QPixmap Cached(const char* kind, const QPixmap& pixmap, const QString& level, Convert convert) {
  if (pixmap.isNull()) return pixmap;
  const QString key = QStringLiteral("flatlook-%1-%2-%3").arg(QLatin1String(kind)).arg(pixmap.cacheKey()).arg(level);
  QPixmap result;
  if (QPixmapCache::find(key, &result)) return result;
  ++converted;
  result = QPixmap::fromImage(convert(pixmap.toImage()));
  result.setDevicePixelRatio(pixmap.devicePixelRatio());
  QPixmapCache::insert(key, result);
  return result;
}

}  // namespace

QImage DimImage(const QImage& image, int percent) {
  return ConvertPixels(image, [percent](const QColor& c) { return Lighten(c, percent); });
}

QImage GreyImage(const QImage& image, int level) {
  return ConvertPixels(image, [level](const QColor& c) { return Grey(c, level); });
}

QPixmap DimmedPixmap(const QPixmap& pixmap, int percent) {
  return Cached("dim", pixmap, QString::number(percent), [percent](const QImage& i) { return DimImage(i, percent); });
}

QPixmap DisabledPixmap(const QPixmap& pixmap, int greyLevel) {
  return Cached("grey", pixmap, QString::number(greyLevel),
                [greyLevel](const QImage& i) { return DimImage(GreyImage(i, greyLevel), 40); });
}

QPixmap ShadowPixmap(const QPixmap& pixmap, const QColor& color) {
  return Cached("shadow", pixmap, QString::number(color.rgb()),
                [color](const QImage& i) { return ConvertPixels(i, [color](const QColor&) { return color; }); });
}

int ConvertedImages() { return converted; }

}  // namespace FlatLook
