#include "platform/TextCodec.h"

#include <QList>
#include <QStringEncoder>

#include <array>
#include <cstring>

namespace {

// 0x80..0x9F of Windows-1252; undefined bytes keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Byte for a character, or -1 when Windows-1252 has no form for it.
int unicodeToWindows1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

int UnitSize(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: return 2;
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE: return 4;
    default: return 1;
  }
}

char32_t ReadUnit(const unsigned char* p, int unit, bool little) {
  char32_t c = 0;
  for (int k = 0; k < unit; ++k) c |= char32_t(p[little ? k : unit - 1 - k]) << (8 * k);
  return c;
}

void WriteUnit(char* p, char32_t c, int unit, bool little) {
  for (int k = 0; k < unit; ++k) p[little ? k : unit - 1 - k] = static_cast<char>((c >> (8 * k)) & 0xFF);
}

// UTF-16 keeps any sequence of units; UTF-32 needs whole units of Unicode
// scalar values.
bool IsValidWide(QByteArrayView bytes, TextEncoding encoding) {
  const int unit = UnitSize(encoding);
  if (bytes.size() % unit != 0) return false;
  if (unit == 2) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const bool little = encoding == TextEncoding::Utf32LE;
  for (qsizetype i = 0; i < bytes.size(); i += 4) {
    const char32_t c = ReadUnit(p + i, 4, little);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  }
  return true;
}

bool IsCharsetChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == ':' || c == '-';
}

// The places (start, length) of the character-set names declared in `lower`
// (a lower-case copy of the start of a page): the XML declaration's
// encoding and the charset of every <meta> element.
QList<std::pair<qsizetype, qsizetype>> DeclarationRanges(const QByteArray& lower) {
  QList<std::pair<qsizetype, qsizetype>> ranges;
  // The name after `key` within [from, to): key, blanks, "=", blanks, a quote.
  auto valueAfter = [&](qsizetype key, qsizetype keyLength, qsizetype to) {
    qsizetype i = key + keyLength;
    while (i < to && (lower[i] == ' ' || lower[i] == '\t' || lower[i] == '\r' || lower[i] == '\n')) ++i;
    if (i >= to || lower[i] != '=') return;
    ++i;
    while (i < to && (lower[i] == ' ' || lower[i] == '\t' || lower[i] == '"' || lower[i] == '\'')) ++i;
    qsizetype j = i;
    while (j < to && IsCharsetChar(lower[j])) ++j;
    if (j > i) ranges.append({i, j - i});
  };
  if (lower.startsWith("<?xml")) {
    const qsizetype end = lower.indexOf("?>");
    const qsizetype to = end < 0 ? lower.size() : end;
    const qsizetype key = lower.indexOf("encoding");
    if (key >= 0 && key < to) valueAfter(key, 8, to);
  }
  for (qsizetype at = lower.indexOf("<meta"); at >= 0; at = lower.indexOf("<meta", at + 5)) {
    const qsizetype end = lower.indexOf('>', at);
    const qsizetype to = end < 0 ? lower.size() : end;
    for (qsizetype key = lower.indexOf("charset", at); key >= 0 && key < to; key = lower.indexOf("charset", key + 7))
      valueAfter(key, 7, to);
  }
  return ranges;
}

}  // namespace

namespace TextCodec {

QByteArray declaredCharset(QByteArrayView head) {
  const QByteArray lower = head.toByteArray().toLower();
  const auto ranges = DeclarationRanges(lower);
  return ranges.isEmpty() ? QByteArray() : lower.mid(ranges.first().first, ranges.first().second);
}

bool replaceDeclaredCharset(QString& text, QStringView name) {
  // One byte per character keeps the positions of the text.
  const auto ranges = DeclarationRanges(text.toLatin1().toLower());
  for (qsizetype i = ranges.size() - 1; i >= 0; --i) text.replace(ranges[i].first, ranges[i].second, name.toString());
  return !ranges.isEmpty();
}

QByteArrayView bomBytes(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8: return QByteArrayView("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE: return QByteArrayView("\xFF\xFE", 2);
    case TextEncoding::Utf16BE: return QByteArrayView("\xFE\xFF", 2);
    case TextEncoding::Utf32LE: return QByteArrayView("\xFF\xFE\x00\x00", 4);
    case TextEncoding::Utf32BE: return QByteArrayView("\x00\x00\xFE\xFF", 4);
    default: return QByteArrayView();
  }
}

QString encodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Windows1252: return QStringLiteral("Windows-1252");
    case TextEncoding::Utf16LE: return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE: return QStringLiteral("UTF-16BE");
    case TextEncoding::Utf32LE: return QStringLiteral("UTF-32LE");
    default: return QStringLiteral("UTF-32BE");
  }
}

TextEncoding sniff(QByteArrayView bytes, int* bomLength, bool* ascii) {
  bool plain = false;
  bool* const isAscii = ascii ? ascii : &plain;
  *isAscii = false;
  int bom = 0;
  TextEncoding found = TextEncoding::Utf8;
  // UTF-32LE before UTF-16LE: its mark begins with the other's.
  for (TextEncoding e : {TextEncoding::Utf32LE, TextEncoding::Utf32BE, TextEncoding::Utf8, TextEncoding::Utf16LE,
                         TextEncoding::Utf16BE}) {
    const QByteArrayView mark = bomBytes(e);
    if (!bytes.startsWith(mark)) continue;
    const QByteArrayView rest = bytes.sliced(mark.size());
    if (e == TextEncoding::Utf8 ? isValidUtf8(rest, isAscii) : IsValidWide(rest, e)) {
      bom = static_cast<int>(mark.size());
      found = e;
    }
    break;
  }
  if (bomLength) *bomLength = bom;
  if (bom > 0) return found;
  static const QList<QByteArray> utf8 = {"utf-8", "utf8", "unicode-1-1-utf-8"};
  static const QList<QByteArray> singleByte = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                                               "iso_8859-1", "latin1", "latin-1", "l1", "us-ascii", "ascii",
                                               "iso-ir-100", "ibm819", "cp819", "csisolatin1"};
  const QByteArray declared = declaredCharset(bytes.first(std::min<qsizetype>(bytes.size(), 4096)));
  if (singleByte.contains(declared)) return TextEncoding::Windows1252;
  if (utf8.contains(declared) && isValidUtf8(bytes, isAscii)) return TextEncoding::Utf8;
  return detect(bytes, nullptr, isAscii);
}


char16_t windows1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool isValidUtf8(QByteArrayView bytes, bool* ascii) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  bool onlyAscii = true;
  while (p < end) {
    // Fast path over runs of ASCII, eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= end) break;
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    onlyAscii = false;
    int need;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      need = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      need = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      need = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= need) return false;
    for (int i = 1; i <= need; ++i) {
      unsigned char t = p[i];
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (need == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return false;
    if (need == 3 && (cp < 0x10000 || cp > 0x10FFFF)) return false;
    p += need + 1;
  }
  if (ascii) *ascii = onlyAscii;
  return true;
}

TextEncoding detect(QByteArrayView bytes, int* bomLength, bool* ascii) {
  int bom = 0;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
    bom = 3;
  bool isAscii = false;
  const bool utf8 = isValidUtf8(bytes.sliced(bom), &isAscii);
  if (!utf8) bom = 0;  // a mark on bytes that are not UTF-8 is ordinary text
  if (bomLength) *bomLength = bom;
  if (ascii) *ascii = utf8 && isAscii;
  return utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

void decodeAppend(QString& out, QByteArrayView bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    // U+FEFF inside a text is a character like any other (the converter
    // would drop it at the start of every piece it is given).
    while (bytes.size() >= 3 && bytes.startsWith(QByteArrayView("\xEF\xBB\xBF", 3))) {
      out.append(QChar(0xFEFF));
      bytes = bytes.sliced(3);
    }
    out.append(QString::fromUtf8(bytes));
    return;
  }
  const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  if (encoding == TextEncoding::Windows1252) {
    const qsizetype start = out.size();
    out.resize(start + n);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + start;
    for (qsizetype i = 0; i < n; ++i) dst[i] = windows1252ToUnicode(src[i]);
    return;
  }
  const int unit = UnitSize(encoding);
  const bool little = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf32LE;
  out.reserve(out.size() + n / unit);
  for (qsizetype i = 0; i + unit <= n; i += unit) {
    const char32_t c = ReadUnit(src + i, unit, little);
    if (unit == 2 || c < 0x10000) {
      out.append(QChar(static_cast<char16_t>(c)));
    } else {
      out.append(QChar(QChar::highSurrogate(c)));
      out.append(QChar(QChar::lowSurrogate(c)));
    }
  }
}

QString decode(QByteArrayView bytes, TextEncoding encoding) {
  QString out;
  decodeAppend(out, bytes, encoding);
  return out;
}

DecodedText decodeFile(QByteArrayView bytes) {
  DecodedText result;
  int bom = 0;
  result.encoding = detect(bytes, &bom);
  result.bom = bom > 0;
  result.text = decode(bytes.sliced(bom), result.encoding);
  return result;
}

bool canEncode(QStringView text, TextEncoding encoding) {
  if (encoding != TextEncoding::Windows1252) {
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c.isHighSurrogate()) {
        if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) return false;
        ++i;
      } else if (c.isLowSurrogate()) {
        return false;
      }
    }
    return true;
  }
  for (QChar c : text)
    if (unicodeToWindows1252(c.unicode()) < 0) return false;
  return true;
}

qsizetype encodedSize(QStringView text, TextEncoding encoding) {
  if (encoding == TextEncoding::Windows1252) return text.size();
  if (UnitSize(encoding) == 2) return text.size() * 2;
  if (UnitSize(encoding) == 4) {
    qsizetype pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
      if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) ++pairs, ++i;
    return (text.size() - pairs) * 4;
  }
  qsizetype size = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < 0x80) {
      size += 1;
    } else if (c < 0x800) {
      size += 2;
    } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      size += 4;
      ++i;
    } else {
      size += 3;
    }
  }
  return size;
}

qsizetype encodeInto(char* dst, QStringView text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    QStringEncoder encoder(QStringEncoder::Utf8);
    return encoder.appendToBuffer(dst, text) - dst;
  }
  if (const int unit = UnitSize(encoding); unit > 1) {
    const bool little = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf32LE;
    char* out = dst;
    for (qsizetype i = 0; i < text.size(); ++i) {
      char32_t c = text[i].unicode();
      if (unit == 4 && QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        ++i;
      }
      WriteUnit(out, c, unit, little);
      out += unit;
    }
    return out - dst;
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int b = unicodeToWindows1252(text[i].unicode());
    dst[i] = static_cast<char>(b < 0 ? '?' : b);
  }
  return text.size();
}

void encodeAppend(QByteArray& out, QStringView text, TextEncoding encoding) {
  const qsizetype start = out.size();
  out.resize(start + maxEncodedSize(text.size(), encoding));
  out.truncate(start + encodeInto(out.data() + start, text, encoding));
}

QByteArray encode(QStringView text, TextEncoding encoding) {
  QByteArray out;
  encodeAppend(out, text, encoding);
  return out;
}

QByteArray encodeFile(QStringView text, TextEncoding encoding, bool bom) {
  QByteArray out;
  if (bom) out.append(bomBytes(encoding));
  encodeAppend(out, text, encoding);
  return out;
}

}  // namespace TextCodec
