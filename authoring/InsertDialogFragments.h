// The HTML fragments of the insert dialogs (table, list, horizontal line,
// text formatting, date and time, last-updated script, form controls,
// special characters), built without a window: each takes what its dialog
// collected and gives the exact text to put in. Fragments of several lines
// end every line, the last one too, with CR LF.
#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "platform/Colors.h"

class QDateTime;

namespace InsertFragments {

// `value` between single quotes, a single quote inside written "&#39;".
QString SingleQuoted(const QString& value);
// `value` between double quotes, a double quote inside written "&quot;".
QString DoubleQuoted(const QString& value);

// ---------------------------------------------------------------- table

// Rows and columns a table may have.
inline constexpr int MaxTableRows = 1000;
inline constexpr int MaxTableCols = 1000;

struct TTableOptions {
  QString rows = QStringLiteral("1");
  QString cols = QStringLiteral("1");
  QString width = QStringLiteral("100%");
  TColor background = clWhite;  // white: no colour written
  QString backgroundImage;      // written only when the file exists
  bool backgroundExists = false;
  int align = 0;  // 0 right, 1 center, 2 left
  int cellPadding = 0;
  int cellSpacing = 0;
  bool border = false;
  QString borderWidth = QStringLiteral("1");
  TColor borderColor = clBlack;
  bool lightChosen = false;  // the light colour was confirmed in its dialog
  TColor lightColor = clWhite;
  bool darkChosen = false;
  TColor darkColor = clWhite;
};

// The first check a table's fields fail: its message key and the kind of
// message box (2 error, 0 notice); an empty key when all pass.
struct TTableCheck {
  QString key;
  int kind = 0;
};
TTableCheck CheckTable(const TTableOptions& options);
// The whole table: the opening tag, one block of cells per row, the end tag.
// Only for options that pass CheckTable.
QString TableFragment(const TTableOptions& options);

// ---------------------------------------------------------------- list

struct TListOptions {
  bool ordered = false;
  QString type;  // "default", "a", "A", "i", "I" or "disc", "circle", "square"
  int items = 1;
  int start = 1;  // ordered lists only
};
QString ListFragment(const TListOptions& options);

// ---------------------------------------------------------------- horizontal line

// Size and width stand unquoted unless they are empty or hold what would end
// an unquoted value.
struct THorLineOptions {
  QString size = QStringLiteral("1");
  QString width = QStringLiteral("100");
  bool percent = true;
  TColor color = clBlack;
};
QString HorLineFragment(const THorLineOptions& options);

// ---------------------------------------------------------------- text formatting

struct TFontOptions {
  QString face;  // written in lower case
  QString size;
  QString color;  // "#rrggbb"
  bool bold = false, italic = false, underline = false, centered = false;
  bool singleQuote = false;  // the quote around the attribute values
};
struct TFontTags {
  QString open;
  QString close;
};
TFontTags FontTags(const TFontOptions& options);

// ---------------------------------------------------------------- date and time

// The date in the locale's short format and the time in its long format
// (without a time zone).
QString DateText(const QLocale& locale, const QDateTime& when);
QString TimeText(const QLocale& locale, const QDateTime& when);

// ---------------------------------------------------------------- last-updated script

// The separator of a short-date format: the first character after the first
// date part that is neither a letter, a quote nor a format mark (such as a
// right-to-left mark); "." when there is none.
QString DateSeparator(const QString& format);
// The script expression of the page's modification date: day, month and
// year in the order of `format` (parts it lacks follow in the order day,
// month, year; day, month, year when it is empty), `separator` between them.
QString DateExpression(const QString& format, const QString& separator);

struct TUpdateScriptOptions {
  bool bold = false, italic = false, underline = false;
  QString lead;         // the typed lead text
  QString defaultLead;  // the module's lead text, used when `lead` is empty
  QString dateFormat;   // the locale's short-date format
  QString separator;
};
QString UpdateScript(const TUpdateScriptOptions& options);

// ---------------------------------------------------------------- form controls

// A check box or radio button; the value text follows the tag as the
// control's visible text.
struct TCheckControl {
  QString name, value, onClick;
  bool checked = false;
};
QString CheckBoxFragment(const TCheckControl& c, bool radio);

struct TButtonControl {
  int type = 0;  // 0 Button, 1 Reset, 2 Submit
  QString name, value, onClick;
};
QString ButtonFragment(const TButtonControl& c);

// A text or password field.
struct TEditControl {
  QString name, value, maxLength, size, onBlur, onChange, onFocus, onSelect;
};
QString EditFragment(const TEditControl& c, bool password);

struct TTextAreaControl {
  QString name, rows, cols;
  int wrap = -1;  // 0 virtual, 1 physical, none chosen: off
  QString text;
};
QString TextAreaFragment(const TTextAreaControl& c);

struct TImageControl {
  QString src, name, onClick, width, height, alt;
  bool border = false;
};
QString ImageButtonFragment(const TImageControl& c);

QString HiddenFragment(const QString& name, const QString& value);

// The small mail form sending to `address`.
QString MailForm(const QString& address);

// ---------------------------------------------------------------- special characters

struct TCharButton {
  QString caption;    // what the button shows
  QString entity;     // inserted in HTML mode
  QString character;  // inserted in character mode
};
// The 93 characters from the cent sign to y with diaeresis (without the
// soft hyphen), then the ten special buttons.
const QList<TCharButton>& CharacterButtons();
inline constexpr int CharacterCount = 93;

}  // namespace InsertFragments
