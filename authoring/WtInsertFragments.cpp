#include "authoring/WtInsertFragments.h"

#include "authoring/WtRgbToHtml.h"

namespace InsertFragments {

int OffsetLength(const QString& text) {
  int length = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    length += (c == u'\r' || c == u'\n') ? 2 : 1;
  }
  return length;
}

TWrapResult Wrap(const TWrapInput& in) {
  TWrapResult r;
  r.text = in.open + in.selected + in.close;
  r.selStart = in.selStart + OffsetLength(in.open);
  r.selEnd = r.selStart + OffsetLength(in.selected);
  return r;
}

const QList<TWrapTags>& WrapCommands() {
  static const QList<TWrapTags> commands = {
      {"Bold", "<b>", "</b>"},
      {"Italic", "<i>", "</i>"},
      {"Underline", "<u>", "</u>"},
      {"center", "<div align=\"center\">", "</div>"},
      {"Left", "<div align=\"left\">", "</div>"},
      {"Right", "<div align=\"right\">", "</div>"},
      {"ToolButton84", "<div align=\"justify\">", "</div>"},
      {"HeadingStyle11", "<h1>", "</h1>"},
      {"HeadingStyle12", "<h2>", "</h2>"},
      {"HeadingStyle13", "<h3>", "</h3>"},
      {"HeadingStyle14", "<h4>", "</h4>"},
      {"HeadingStyle15", "<h5>", "</h5>"},
      {"HeadingStyle16", "<h6>", "</h6>"},
      {"AlignLeft1", "<p align=\"left\">", "</p>"},
      {"AlignCenter1", "<p align=\"center\">", "</p>"},
      {"AlignRight1", "<p align=\"right\">", "</p>"},
      {"AlignJustify1", "<p style=\"text-align:justify;\">", "</p>"},
  };
  return commands;
}

const TWrapTags* FindWrapCommand(const QString& command) {
  for (const TWrapTags& t : WrapCommands())
    if (command == QLatin1String(t.command)) return &t;
  return nullptr;
}

QString LineBreak() { return QStringLiteral("<br>"); }

QString ColorToHtml(TColor color) {
  TWtRgbToHtml rgb;
  rgb.SetRgbColor(color);
  return u'#' + rgb.HtmlColor().toLower();
}

QString EscapeScriptString(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\\' || c == u'"') {
      out += u'\\';
      out += c;
    } else if (c == u'\n') {
      out += QStringLiteral("\\n");
    } else if (c == u'\r') {
      out += QStringLiteral("\\r");
    } else if ((c == u'/' || c == u'!') && i > 0 && text[i - 1] == u'<') {
      // Neither "</" (an end tag) nor "<!--" (after which "<script" would
      // keep the element's own end tag from ending it) stands in the script.
      out += u'\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

QString AlertScript(const QString& text) {
  if (text.isEmpty()) return {};
  return JoinLines({QStringLiteral("<script language=\"javascript\">"),
                    QStringLiteral("  alert(\"") + EscapeScriptString(text) + QStringLiteral("\");"),
                    QStringLiteral("</script>")});
}

QString JoinLines(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) text += line + QStringLiteral("\r\n");
  return text;
}

}  // namespace InsertFragments
