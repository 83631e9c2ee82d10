// The HTML fragments of the main window's simple insert commands, built
// without an editor: each takes what the command knows (the selected text,
// the selection's start, a typed text, a colour) and gives the exact text to
// put in and, for the wrapping commands, the selection to set afterwards.
// Offsets count a line break as two characters, as the editor's do.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/Colors.h"

namespace InsertFragments {

// The length of `text` in editor offsets: every line break (CR LF, a lone
// LF or a lone CR) counts as two characters.
int OffsetLength(const QString& text);

// A wrap of the selection: `open` + the selected text + `close`.
struct TWrapInput {
  QString open;
  QString close;
  QString selected;  // empty when nothing is selected
  int selStart = 1;  // the selection's start (the caret without one)
};
struct TWrapResult {
  QString text;  // what replaces the selection
  int selStart = 0;
  int selEnd = 0;  // the old text selected again between the tags
};
TWrapResult Wrap(const TWrapInput& in);

// The opening and closing tags of a wrapping command.
struct TWrapTags {
  const char* command;  // the handler's control name
  const char* open;
  const char* close;
};
// Bold, italic, underline, the div alignments, the headings 1 to 6 and the
// paragraph alignments, in that order.
const QList<TWrapTags>& WrapCommands();
// The tags of `command`; null for a command that wraps nothing.
const TWrapTags* FindWrapCommand(const QString& command);

// The line break tag.
QString LineBreak();

// A colour as "#" and six lower-case hexadecimal digits (red, green, blue);
// a system colour is resolved to its present value first.
QString ColorToHtml(TColor color);

// `text` as it may stand between the double quotes of a script string and
// inside a script element: backslash, double quote, line breaks, "</" and
// "<!" are escaped.
QString EscapeScriptString(const QString& text);
// The three lines of a script element showing `text` in an alert box, each
// ended by CR LF; empty for an empty text.
QString AlertScript(const QString& text);

// The lines of a list joined as one text, every line (the last one too)
// ended by CR LF.
QString JoinLines(const QStringList& lines);

}  // namespace InsertFragments
