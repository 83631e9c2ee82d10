#include "authoring/WtRgbToHtml.h"

#include <cctype>

void TWtRgbToHtml::SetRgbColor(TColor color) {
  rgbColor_ = color;
  TColor resolved = color;
  if (color < 0) resolved = FromQColor(ToQColor(color));
  const auto v = static_cast<std::uint32_t>(resolved);
  htmlColor_ = QStringLiteral("%1%2%3")
                   .arg(v & 0xFF, 2, 16, QLatin1Char('0'))
                   .arg((v >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                   .arg((v >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
                   .toUpper();
}

void TWtRgbToHtml::SetHtmlColor(const QString& html) {
  if (html.size() != 6) return;
  bool okR = false, okG = false, okB = false;
  const uint r = html.mid(0, 2).toUInt(&okR, 16);
  const uint g = html.mid(2, 2).toUInt(&okG, 16);
  const uint b = html.mid(4, 2).toUInt(&okB, 16);
  // toUInt accepts a sign or blanks; only digits are a colour.
  for (QChar c : html)
    if (!std::isxdigit(c.toLatin1())) return;
  if (!okR || !okG || !okB) return;
  rgbColor_ = static_cast<TColor>(r | (g << 8) | (b << 16));
  htmlColor_ = html;
}
