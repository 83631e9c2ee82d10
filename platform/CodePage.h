// Character sets by their platform numbers, as language modules and font
// settings name them, and the decoding of 8-bit and double-byte texts in them.
//
// The single-byte Windows code pages and the double-byte ones (GBK for
// 134, Big5 for 136) come from Qt's ICU-backed QStringDecoder; numbers
// without a code page of their own (0 ANSI, 1 DEFAULT, and any unknown one)
// use the program's own Windows-1252 codec, which keeps every byte.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace CodePage {

inline constexpr int DEFAULT_CHARSET = 1;

// The character-set number of a DefCharSet name ("GREEK_CHARSET" -> 161);
// names are matched exactly, so "greek_charset" gives nothing.
std::optional<int> CharsetFromName(const QString& name);

// The code-page name a character set is decoded with ("windows-1253").
QString CodecName(int charset);

// Decodes bytes written in the code page of `charset`. Bytes that do not
// form a character become U+FFFD.
QString Decode(QByteArrayView bytes, int charset);

}  // namespace CodePage
