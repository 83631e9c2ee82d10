#include "platform/TextCodec.h"

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

}  // namespace

namespace TextCodec {

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
  const qsizetype start = out.size();
  out.resize(start + bytes.size());
  char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + start;
  for (qsizetype i = 0; i < bytes.size(); ++i)
    dst[i] = windows1252ToUnicode(static_cast<unsigned char>(bytes[i]));
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
  if (encoding == TextEncoding::Utf8) {
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
  if (encoding != TextEncoding::Utf8) return text.size();
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
  if (bom && encoding == TextEncoding::Utf8) out.append("\xEF\xBB\xBF", 3);
  encodeAppend(out, text, encoding);
  return out;
}

}  // namespace TextCodec
