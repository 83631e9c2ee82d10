// A colour and its HTML form: six upper-case hexadecimal digits, red, green
// and blue, without "#".
#pragma once

#include <QString>

#include "platform/Colors.h"

class TWtRgbToHtml {
 public:
  TColor RgbColor() const { return rgbColor_; }
  // A system colour (negative value) is first resolved to its present red,
  // green and blue.
  void SetRgbColor(TColor color);

  const QString& HtmlColor() const { return htmlColor_; }
  // Takes only a text of exactly six hexadecimal digits and keeps it as
  // given; anything else changes nothing.
  void SetHtmlColor(const QString& html);

 private:
  TColor rgbColor_ = 0;
  QString htmlColor_ = QStringLiteral("000000");
};
