// What the external-browser previews and the document imports need without
// a window: the browser list, the names of external preview files and the
// conversion of rich-text and word-processor documents to HTML lines.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/Exceptions.h"

namespace ExternalPreviews {

// One line of browserlist.dat: "caption#program".
struct TBrowserEntry {
  QString caption;
  QString program;
  bool operator==(const TBrowserEntry&) const = default;
};
// The browsers of a browser list: each non-empty line split at its first
// "#", both parts trimmed; a line without "#" has no caption and is all
// program path.
QList<TBrowserEntry> ParseBrowserList(const QString& text);

// "korvex_temp" + counter + ".html".
QString FileName(int counter);

}  // namespace ExternalPreviews

namespace Imports {

// The HTML lines made from the rich-text file `path`; text without a font
// of its own takes `fontName`. Raises an Exception when the file cannot be
// read or is no rich text.
QStringList RtfToHtml(const QString& path, const QString& fontName);

// The word processor's converter ("soffice"), searched on the PATH; empty
// when there is none.
QString WordConverter();
// The user stopped a conversion.
class EImportStopped : public Exception {
 public:
  using Exception::Exception;
};
// There is no converter on the PATH.
class ENoConverter : public Exception {
 public:
  using Exception::Exception;
};
// The converter did not start or made no rich text; the message is what it
// said (its output, or why it did not start), empty when it said nothing.
class EConverterFailed : public Exception {
 public:
  using Exception::Exception;
};
// Converts the word-processor document `path` to rich text in `folder` and
// returns the rich-text file's path. `keepGoing` is asked while the
// converter runs; false stops it (EImportStopped). Raises ENoConverter or
// EConverterFailed.
QString WordToRtf(const QString& path, const QString& folder, const std::function<bool()>& keepGoing = {});

}  // namespace Imports
