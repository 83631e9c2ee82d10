#include "app/look/IconInk.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Below this ratio a line cannot be told from its background.
constexpr double kVisible = 3.0;

// The linear light of each 8-bit channel value: every pixel of every tool-bar
// picture is measured at start, too many for a power each.
const std::array<double, 256>& Linear() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int value = 0; value < 256; ++value) {
      const double c = value / 255.0;
      t[value] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
  }();
  return table;
}

double Luminance(QRgb rgb) {
  const std::array<double, 256>& linear = Linear();
  return 0.2126 * linear[qRed(rgb)] + 0.7152 * linear[qGreen(rgb)] + 0.0722 * linear[qBlue(rgb)];
}

double Ratio(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// Without a colour of its own.
bool Grey(QRgb rgb) {
  return std::max({qRed(rgb), qGreen(rgb), qBlue(rgb)}) - std::min({qRed(rgb), qGreen(rgb), qBlue(rgb)}) <= 48;
}

// Whether the pixel at (x, y) borders on the bar: it lets the bar through
// itself, or a neighbour does. (A dark line inside a light part of the
// picture, text on a page, stays dark there.)
bool OnTheBar(const QImage& image, int x, int y) {
  if (qAlpha(image.pixel(x, y)) < 255) return true;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= image.width() || ny >= image.height() || qAlpha(image.pixel(nx, ny)) < 128)
        return true;
    }
  return false;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) { return Ratio(Luminance(a.rgb()), Luminance(b.rgb())); }

QImage InkedFor(const QImage& picture, const QColor& background, const QColor& ink) {
  const double under = Luminance(background.rgb());
  if (Ratio(Luminance(ink.rgb()), under) < kVisible) return picture;
  const QImage in = picture.convertToFormat(QImage::Format_ARGB32);
  // A picture all in greys that vanishes on the background, on the whole and
  // in its darkest lines: drawn as a mask of its darkness, its darkest grey
  // in ink and white in the background's colour, so that its light details
  // stay apart from its lines.
  bool grey = true;
  double weight = 0, luminance = 0;
  int darkest = 255;
  for (int y = 0; y < in.height() && grey; ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(in.constScanLine(y));
    for (int x = 0; x < in.width() && grey; ++x) {
      const QRgb rgb = from[x];
      if (qAlpha(rgb) == 0) continue;
      grey = Grey(rgb);
      darkest = std::min(darkest, qGreen(rgb));
      weight += qAlpha(rgb);
      luminance += qAlpha(rgb) * Luminance(rgb);
    }
  }
  const bool negative = grey && weight > 0 && darkest < 255 && Ratio(luminance / weight, under) < kVisible &&
                        Ratio(Luminance(qRgb(darkest, darkest, darkest)), under) < kVisible;
  QImage out;
  for (int y = 0; y < in.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(in.constScanLine(y));
    for (int x = 0; x < in.width(); ++x) {
      const QRgb rgb = from[x];
      QRgb to = rgb;
      if (qAlpha(rgb) == 0) continue;
      if (negative) {
        const double t = (255.0 - qGreen(rgb)) / (255.0 - darkest);
        const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + t * (b - a))); };
        to = qRgba(mix(background.red(), ink.red()), mix(background.green(), ink.green()),
                   mix(background.blue(), ink.blue()), qAlpha(rgb));
      } else if (Grey(rgb) && qGreen(rgb) < 128 && Ratio(Luminance(rgb), under) < kVisible && OnTheBar(in, x, y)) {
        to = qRgba(ink.red(), ink.green(), ink.blue(), qAlpha(rgb));
      }
      if (to == rgb) continue;
      if (out.isNull()) out = in.copy();
      reinterpret_cast<QRgb*>(out.scanLine(y))[x] = to;
    }
  }
  return out.isNull() ? picture : out;
}
