// Turns formatted text into HTML: a font tag with colour, size and face and
// the style tags for every change of font, a paragraph tag for every change
// of alignment or bullet, entities for special characters, and one "<br>"
// line per line of the text.
#pragma once

#include <QString>
#include <QStringList>

#include "authoring/WtRgbToHtml.h"
#include "authoring/WtStrToHtml.h"
#include "platform/RichText.h"

class TWtRichEditToHtml {
 public:
  // The HTML lines of `source`.
  QStringList ConvertToHtmlstringList(const TRichTextSource& source);
  // Converts and saves the lines to `fileName` as UTF-8, each line ended by
  // CR LF, safely (SafeFile). Raises EFCreateError or EWriteError when the
  // file cannot be written (ENotRegularFile when the name leads to a pipe,
  // device or folder); an existing file is then left as it was.
  void ConvertToHtml(const TRichTextSource& source, const QString& fileName);

  // The opening tags of `font`; sets the pending font close.
  QString FontToHtml(const TRichFont& font);
  // The opening tag of a paragraph; sets the pending paragraph close.
  QString ParagraphToHtml(TAlignment alignment, TNumberingStyle numbering);
  static bool FontsDiffer(const TRichFont& a, const TRichFont& b);
  static bool ParagraphsDiffer(const TRichParagraph& a, const TRichParagraph& b);

  // The HTML font size (1 to 7) of a size in points, growing with it.
  static int HtmlFontSize(int points);

  const QString& PendingFontClose() const { return fontClose_; }
  const QString& PendingParagraphClose() const { return paragraphClose_; }

  TWtRgbToHtml& RgbToHtml() { return rgbToHtml_; }
  TWtStrToHtml& StrToHtml() { return strToHtml_; }

 private:
  TWtRgbToHtml rgbToHtml_;
  TWtStrToHtml strToHtml_;
  QString fontClose_;
  QString paragraphClose_;
};
