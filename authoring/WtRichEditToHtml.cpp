#include "authoring/WtRichEditToHtml.h"

#include "platform/SafeFile.h"

int TWtRichEditToHtml::HtmlFontSize(int points) {
  if (points <= 8) return 1;
  if (points <= 10) return 2;
  if (points <= 12) return 3;
  if (points <= 14) return 4;
  if (points <= 18) return 5;
  if (points <= 24) return 6;
  return 7;
}

QString TWtRichEditToHtml::FontToHtml(const TRichFont& font) {
  fontClose_ = QStringLiteral("</font>");
  rgbToHtml_.SetRgbColor(font.Color);
  // Every attribute value is escaped: the font name comes from the document
  // and must not end the value or open markup.
  QString tag = QStringLiteral("<font color=\"#") + rgbToHtml_.HtmlColor().toHtmlEscaped() +
                QStringLiteral("\" size=\"") + QString::number(HtmlFontSize(font.Size)) + QStringLiteral("\" face=\"") +
                font.Name.toHtmlEscaped() + QStringLiteral("\">");
  struct StyleTag {
    TFontStyle style;
    const char* open;
    const char* close;
  };
  static constexpr StyleTag kTags[] = {{fsBold, "<b>", "</b>"},
                                       {fsItalic, "<i>", "</i>"},
                                       {fsStrikeOut, "<strike>", "</strike>"},
                                       {fsUnderline, "<u>", "</u>"}};
  for (const StyleTag& t : kTags) {
    if (font.Style & t.style) {
      tag += QLatin1String(t.open);
      fontClose_.prepend(QLatin1String(t.close));
    }
  }
  return tag;
}

QString TWtRichEditToHtml::ParagraphToHtml(TAlignment alignment, TNumberingStyle numbering) {
  paragraphClose_ = QStringLiteral("</p>");
  QString tag;
  switch (alignment) {
    case TAlignment::taLeftJustify:
      tag = QStringLiteral("<p align=\"left\">");
      break;
    case TAlignment::taRightJustify:
      tag = QStringLiteral("<p align=\"right\">");
      break;
    case TAlignment::taCenter:
      tag = QStringLiteral("<p align=\"center\">");
      break;
  }
  if (numbering == TNumberingStyle::nsBullet) {
    tag.prepend(QStringLiteral("<li>"));
    paragraphClose_ += QStringLiteral("</li>");
  }
  return tag;
}

bool TWtRichEditToHtml::FontsDiffer(const TRichFont& a, const TRichFont& b) { return !(a == b); }

bool TWtRichEditToHtml::ParagraphsDiffer(const TRichParagraph& a, const TRichParagraph& b) { return !(a == b); }

QStringList TWtRichEditToHtml::ConvertToHtmlstringList(const TRichTextSource& source) {
  QStringList result;
  paragraphClose_.clear();
  TRichParagraph previousParagraph;

  TRichFont previous = source.DefaultAttributes();
  result.append(FontToHtml(previous));
  const QString outerClose = fontClose_;
  fontClose_.clear();

  // A run is characters in one font and a line has one paragraph format, so
  // comparing at the first character of each run gives what comparing at
  // every character would.
  for (int i = 0; i < source.LineCount(); ++i) {
    const TRichLine& line = source.Line(i);
    QString text;
    bool first = true;
    for (const TRichRun& run : line.Runs) {
      if (run.Text.isEmpty()) continue;
      if (FontsDiffer(run.Font, previous)) {
        text += fontClose_;
        previous = run.Font;
        text += FontToHtml(run.Font);
      }
      if (first && ParagraphsDiffer(line.Paragraph, previousParagraph)) {
        text += paragraphClose_;
        previousParagraph = line.Paragraph;
        text += ParagraphToHtml(line.Paragraph.Alignment, line.Paragraph.Numbering);
      }
      first = false;
      // The document's text is text, not markup: an "&" in it that could
      // start a character reference is written "&amp;", so it shows as
      // written. Control characters (a NUL from "\u0", say) have no place in
      // a page and are left out.
      qsizetype from = 0;
      for (qsizetype at = 0; at < run.Text.size(); ++at) {
        const QChar c = run.Text[at];
        if (c == u'&') {
          const QChar next = at + 1 < run.Text.size() ? run.Text[at + 1] : QChar();
          if (!(next == u'#' || (next.unicode() < 128 && next.isLetterOrNumber()))) continue;
        } else if (c.unicode() >= 0x20 || c == u'\t') {
          continue;
        }
        TWtStrToHtml::AppendHtml(text, QStringView(run.Text).sliced(from, at - from));
        if (c == u'&') text += QStringLiteral("&amp;");
        from = at + 1;
      }
      TWtStrToHtml::AppendHtml(text, QStringView(run.Text).sliced(from));
    }
    result.append(QStringLiteral("<br>") + text);
  }
  result.append(fontClose_);
  result.append(paragraphClose_);
  result.append(outerClose);
  return result;
}

void TWtRichEditToHtml::ConvertToHtml(const TRichTextSource& source, const QString& fileName) {
  const QStringList lines = ConvertToHtmlstringList(source);
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += line.toUtf8();
    bytes += "\r\n";
  }
  SafeFile::Write(fileName, bytes);
}
