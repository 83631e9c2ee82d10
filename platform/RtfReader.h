// Reads RTF documents into formatted text: groups, the font and colour
// tables, character formatting (\b \i \ul \strike \fs \cf \f and their
// resets), paragraphs (\par \line \pard \ql \qc \qr \qj), bullets (\pnlvlblt,
// \ls), special characters (\'hh, \uN with \uc, \tab and the quote and dash
// words) and the code pages named by \ansicpg and \fcharset. Destinations
// that carry no text of the document (style sheet, information, pictures,
// fields' instructions, "\*" groups) are skipped.
//
// Malformed input raises ERtfError: a text that is not RTF, unbalanced
// braces, nesting deeper than MaxDepth, or data that ends inside a \bin run.
// Out-of-range numbers are clamped; unknown font and colour numbers fall
// back to the default font and the automatic colour.
#pragma once

#include <QByteArrayView>

#include "platform/Exceptions.h"
#include "platform/RichText.h"

class ERtfError : public Exception {
 public:
  using Exception::Exception;
};

namespace RtfReader {

inline constexpr int MaxDepth = 200;

TRichTextDocument Read(QByteArrayView rtf);
TRichTextDocument ReadFile(const QString& fileName);

}  // namespace RtfReader
