#include "authoring/InsertDialogFragments.h"

#include <QDateTime>
#include <algorithm>

#include "authoring/HTMLParser.h"
#include "authoring/WtInsertFragments.h"

namespace InsertFragments {

namespace {

QString Lit(const char* text) { return QString::fromUtf8(text); }

// A blank, the name, "=" and the value between double quotes; nothing for an
// empty value.
QString OptionalAttr(const char* name, const QString& value) {
  if (value.isEmpty()) return {};
  return u' ' + Lit(name) + u'=' + DoubleQuoted(value);
}

// A whole number in `text` (blanks around it allowed) within 1..max.
bool CountInRange(const QString& text, int max) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  return ok && n >= 1 && n <= max;
}

}  // namespace

QString SingleQuoted(const QString& value) {
  QString v = value;
  return u'\'' + v.replace(u'\'', QStringLiteral("&#39;")) + u'\'';
}

QString DoubleQuoted(const QString& value) {
  QString v = value;
  return u'"' + v.replace(u'"', QStringLiteral("&quot;")) + u'"';
}

// ---------------------------------------------------------------- table

TTableCheck CheckTable(const TTableOptions& o) {
  if (!CountInRange(o.rows, MaxTableRows)) return {QStringLiteral("RowError"), 2};
  if (!CountInRange(o.cols, MaxTableCols)) return {QStringLiteral("ColError"), 2};
  if (o.width.isEmpty()) return {QStringLiteral("TblWidth"), 2};
  if (o.border && o.borderWidth.isEmpty()) return {QStringLiteral("BdWidth"), 0};
  return {};
}

QString TableFragment(const TTableOptions& o) {
  static const char* const aligns[] = {"right", "center", "left"};
  const QString align = Lit(aligns[o.align >= 0 && o.align <= 2 ? o.align : 0]);
  const QString background =
      o.backgroundExists && !o.backgroundImage.isEmpty() ? " background=" + SingleQuoted(o.backgroundImage) : QString();
  const QString colour =
      (o.background & 0xFFFFFF) == clWhite ? QString() : "BGColor=" + ColorToHtml(o.background) + u' ';
  QString tag = "<table align=" + SingleQuoted(align) + background + " width=" + SingleQuoted(o.width) + u' ' + colour;
  if (o.border) {
    tag += " border=" + SingleQuoted(o.borderWidth) + " bordercolor=" + SingleQuoted(ColorToHtml(o.borderColor));
    if (o.lightChosen) tag += " bordercolorlight=" + SingleQuoted(ColorToHtml(o.lightColor));
    if (o.darkChosen) tag += " bordercolordark=" + SingleQuoted(ColorToHtml(o.darkColor));
  } else {
    tag += QStringLiteral(" border='0'");
  }
  tag += " cellpadding=" + SingleQuoted(QString::number(o.cellPadding)) +
         " cellspacing=" + SingleQuoted(QString::number(o.cellSpacing)) + QStringLiteral(" summary=\"\">");

  const int rows = std::clamp(o.rows.trimmed().toInt(), 0, MaxTableRows);
  const int cols = std::clamp(o.cols.trimmed().toInt(), 0, MaxTableCols);
  QStringList lines{tag};
  for (int r = 0; r < rows; ++r) {
    lines << QStringLiteral("<tr>");
    for (int c = 0; c < cols; ++c) lines << QStringLiteral("  <td></td>");
    lines << QStringLiteral("</tr>");
  }
  lines << QStringLiteral("</table>");
  return JoinLines(lines);
}

// ---------------------------------------------------------------- list

QString ListFragment(const TListOptions& o) {
  QStringList lines;
  if (!o.ordered)
    lines << "<ul type=" + DoubleQuoted(o.type) + u'>';
  else if (o.type == u"default")
    lines << "<ol start=\"" + QString::number(o.start) + "\">";
  else
    lines << "<ol type=" + DoubleQuoted(o.type) + " start=\"" + QString::number(o.start) + "\">";
  for (int i = 0; i < o.items; ++i) lines << QStringLiteral("<li></li>");
  lines << (o.ordered ? QStringLiteral("</ol>") : QStringLiteral("</ul>"));
  return JoinLines(lines);
}

// ---------------------------------------------------------------- horizontal line

namespace {

// A value as it stands: unquoted when it can, else between double quotes (an
// empty value or one holding a blank would take in the next attribute, a
// ">" would end the tag).
QString BareOrQuoted(const QString& value) {
  static const QString breaking = QStringLiteral(" \t\r\n\f\"'=<>`");
  const bool bare = !value.isEmpty() && std::none_of(value.begin(), value.end(),
                                                      [](QChar c) { return breaking.contains(c); });
  return bare ? value : DoubleQuoted(value);
}

}  // namespace

QString HorLineFragment(const THorLineOptions& o) {
  return "<hr size=" + BareOrQuoted(o.size) + " width=" +
         BareOrQuoted(o.width + (o.percent ? QStringLiteral("%") : QString())) + " color=" + ColorToHtml(o.color) +
         u'>';
}

// ---------------------------------------------------------------- text formatting

TFontTags FontTags(const TFontOptions& o) {
  const auto quoted = [&o](const QString& v) { return o.singleQuote ? SingleQuoted(v) : DoubleQuoted(v); };
  TFontTags t;
  if (o.bold) t.open += QStringLiteral("<b>");
  if (o.italic) t.open += QStringLiteral("<i>");
  if (o.underline) t.open += QStringLiteral("<u>");
  if (o.centered) t.open += QStringLiteral("<center>");
  t.open += "<font face=" + quoted(o.face.toLower()) + " size=" + quoted(o.size) + " color=" + quoted(o.color) + u'>';
  t.close = QStringLiteral("</font>");
  if (o.centered) t.close += QStringLiteral("</center>");
  if (o.underline) t.close += QStringLiteral("</u>");
  if (o.italic) t.close += QStringLiteral("</i>");
  if (o.bold) t.close += QStringLiteral("</b>");
  return t;
}

// ---------------------------------------------------------------- date and time

QString DateText(const QLocale& locale, const QDateTime& when) {
  return locale.toString(when.date(), QLocale::ShortFormat);
}

QString TimeText(const QLocale& locale, const QDateTime& when) {
  // The long format names the time zone ("t"); the text shows the clock only.
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString clock;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (quoted || c != u't') clock += c;
  }
  return locale.toString(when.time(), clock.trimmed());
}

// ---------------------------------------------------------------- last-updated script

namespace {

bool IsDatePart(QChar c) { return c == u'd' || c == u'm' || c == u'y'; }

// The date parts of `format` (lower case, quoted text skipped) in their order.
QString DateParts(const QString& format) {
  QString parts;
  bool quoted = false;
  for (const QChar c : format.toLower()) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && IsDatePart(c) && !parts.contains(c)) parts += c;
  }
  return parts;
}

}  // namespace

QString DateSeparator(const QString& format) {
  const QString lower = format.toLower();
  qsizetype i = 0;
  while (i < lower.size() && !IsDatePart(lower[i])) ++i;
  while (i < lower.size() && IsDatePart(lower[i])) ++i;
  for (; i < lower.size(); ++i)
    if (!lower[i].isLetter() && lower[i] != u'\'' && lower[i].category() != QChar::Other_Format)
      return QString(lower[i]);
  return QStringLiteral(".");
}

QString DateExpression(const QString& format, const QString& separator) {
  QString parts = DateParts(format);
  for (const QChar c : QStringLiteral("dmy"))
    if (!parts.contains(c)) parts += c;
  const QString join = "+ \"" + EscapeScriptString(separator.isEmpty() ? QStringLiteral(".") : separator) + "\" +";
  QStringList components;
  for (const QChar c : parts) {
    if (c == u'd') components << QStringLiteral("modiDate.getDate()");
    if (c == u'm') components << QStringLiteral("(modiDate.getMonth()+1)");
    if (c == u'y') components << QStringLiteral("modiDate.getFullYear()");
  }
  return components.join(join);
}

QString UpdateScript(const TUpdateScriptOptions& o) {
  QString open, close;
  if (o.bold) open += QStringLiteral("<b>");
  if (o.italic) open += QStringLiteral("<i>");
  if (o.underline) open += QStringLiteral("<u>");
  if (o.underline) close += QStringLiteral("</u>");
  if (o.italic) close += QStringLiteral("</i>");
  if (o.bold) close += QStringLiteral("</b>");
  const bool styled = !open.isEmpty();

  QStringList lines = {
      QStringLiteral("<script language=\"JavaScript\">"),
      QString(),
      QStringLiteral("function lastModified() {"),
      QStringLiteral("  var modiDate=new Date(document.lastModified)"),
      "  var showAs=" + DateExpression(o.dateFormat, o.separator) + u';',
      QStringLiteral("return showAs }"),
      QString(),
      QStringLiteral("function GetTime() {"),
      QStringLiteral("  var modiDate = new Date();"),
      QStringLiteral("  var Seconds"),
      QString(),
      QStringLiteral("    if (modiDate.getSeconds() < 10) {"),
      QStringLiteral("\t    Seconds = \"0\" + modiDate.getSeconds();"),
      QStringLiteral("\t  } else {"),
      QStringLiteral("\t    Seconds = modiDate.getSeconds();"),
      QStringLiteral("\t  }"),
      QString(),
      QStringLiteral("  var modiDate = new Date();"),
      QStringLiteral("  var CurTime =  modiDate.getHours() + \":\" + modiDate.getMinutes() + \":\" + Seconds"),
      QStringLiteral("  return CurTime }"),
      QString(),
  };
  if (styled) lines << "  document.write (\"" + open + "\");";
  if (!o.lead.isEmpty())
    lines << "  document.write (\"" + EscapeScriptString(o.lead) + " \") ";
  else
    lines << "  document.write (\"" + EscapeScriptString(o.defaultLead) + "  \");";
  lines << QStringLiteral("  document.write (lastModified() + \" @ \" + GetTime() );");
  if (styled) lines << "  document.write (\"" + close + "\");";
  lines << QString() << QStringLiteral("</script>");
  return JoinLines(lines);
}

// ---------------------------------------------------------------- form controls

QString CheckBoxFragment(const TCheckControl& c, bool radio) {
  return (radio ? QStringLiteral("<input type=\"radio\"") : QStringLiteral("<input type=\"checkbox\"")) +
         OptionalAttr("name", c.name) + OptionalAttr("OnClick", c.onClick) +
         (c.checked ? QStringLiteral(" Checked=\"Yes\"") : QString()) + u'>' + c.value;
}

QString ButtonFragment(const TButtonControl& c) {
  static const char* const types[] = {"Button", "Reset", "Submit"};
  return "<input type=\"" + Lit(types[c.type >= 0 && c.type <= 2 ? c.type : 0]) + u'"' +
         OptionalAttr("value", c.value) + OptionalAttr("name", c.name) + OptionalAttr("onClick", c.onClick) + u'>';
}

QString EditFragment(const TEditControl& c, bool password) {
  return (password ? QStringLiteral("<input type=\"password\"") : QStringLiteral("<input type=\"text\"")) +
         OptionalAttr("name", c.name) + OptionalAttr("value", c.value) + OptionalAttr("maxlength", c.maxLength) +
         OptionalAttr("size", c.size) + OptionalAttr("onBlur", c.onBlur) + OptionalAttr("onChange", c.onChange) +
         OptionalAttr("onFocus", c.onFocus) + OptionalAttr("onSelect", c.onSelect) + u'>';
}

QString TextAreaFragment(const TTextAreaControl& c) {
  static const char* const wraps[] = {" wrap=\"virtual\"", " wrap=\"physical\""};
  // An end tag inside the initial text would close the element early.
  QString text = c.text;
  text.replace(QStringLiteral("</textarea"), QStringLiteral("&lt;/textarea"), Qt::CaseInsensitive);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  QStringList lines{QStringLiteral("<textarea") + OptionalAttr("name", c.name) + OptionalAttr("rows", c.rows) +
                    OptionalAttr("cols", c.cols) +
                    (c.wrap == 0 || c.wrap == 1 ? Lit(wraps[c.wrap]) : QStringLiteral(" wrap=\"off\"")) + u'>'};
  lines << text.split(u'\n');
  lines << QStringLiteral("</textarea>");
  return JoinLines(lines);
}

QString ImageButtonFragment(const TImageControl& c) {
  return QStringLiteral("<input type=\"image\"") + OptionalAttr("src", c.src) + OptionalAttr("name", c.name) +
         (c.border ? QStringLiteral(" border=\"1\"") : QString()) + OptionalAttr("onClick", c.onClick) +
         OptionalAttr("width", c.width) + OptionalAttr("height", c.height) + OptionalAttr("alt", c.alt) + u'>';
}

QString HiddenFragment(const QString& name, const QString& value) {
  return QStringLiteral("<input type=\"hidden\"") + OptionalAttr("name", name) + OptionalAttr("value", value) + u'>';
}

QString MailForm(const QString& address) {
  return JoinLines({"<form enctype=\"text/plain\" method=\"post\" action=" + DoubleQuoted("mailto:" + address) + u'>',
                    QStringLiteral("Your First Name: <input type=\"text\" name=\"first_name\">"),
                    QStringLiteral("<br>"), QStringLiteral("Your Last Name: <input type=\"text\" name=\"last_name\">"),
                    QStringLiteral("<br>"), QStringLiteral("<input type=\"submit\" value=\"Send\">"),
                    QStringLiteral("</form>")});
}

// ---------------------------------------------------------------- special characters

const QList<TCharButton>& CharacterButtons() {
  static const QList<TCharButton> buttons = [] {
    // The characters U+00A2 .. U+00FF by their entity names; the soft hyphen
    // (U+00AD) has no button.
    QList<TCharButton> list;
    for (int code = 0xA2; code <= 0xFF; ++code) {
      const char* name = code == 0xAD ? nullptr : Latin1EntityName(code);
      if (!name) continue;
      const QString c = QChar(char16_t(code));
      list.append(TCharButton{c, u'&' + Lit(name) + u';', c});
    }
    const TCharButton specials[] = {
        {QStringLiteral("nbsp"), QStringLiteral("&nbsp;"), QStringLiteral("&nbsp;")},
        {QStringLiteral("\""), QStringLiteral("&quot;"), QStringLiteral("\"")},
        {QStringLiteral("&"), QStringLiteral("&amp;"), QStringLiteral("&")},
        {QStringLiteral("<"), QStringLiteral("&lt;"), QStringLiteral("<")},
        {QStringLiteral(">"), QStringLiteral("&gt;"), QStringLiteral(">")},
        {QString(QChar(0x20AC)), QStringLiteral("&euro;"), QString(QChar(0x20AC))},
        {QStringLiteral("^"), QStringLiteral("&circ;"), QStringLiteral("^")},
        {QStringLiteral("~"), QStringLiteral("&tilde;"), QStringLiteral("~")},
        {QStringLiteral("..."), QStringLiteral("&hellip;"), QStringLiteral("...")},
        {QStringLiteral("tm"), QStringLiteral("&trade;"), QStringLiteral("tm")},
    };
    for (const TCharButton& b : specials) list.append(b);
    return list;
  }();
  return buttons;
}

}  // namespace InsertFragments
