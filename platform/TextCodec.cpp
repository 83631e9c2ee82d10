#include "platform/TextCodec.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// 0x80..0x9F of Windows-1252; undefined bytes keep their own value.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
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
    case TextEncoding::Utf16BE:
      return 2;
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
      return 4;
    default:
      return 1;
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
    case TextEncoding::Utf8:
      return QByteArrayView("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE:
      return QByteArrayView("\xFF\xFE", 2);
    case TextEncoding::Utf16BE:
      return QByteArrayView("\xFE\xFF", 2);
    case TextEncoding::Utf32LE:
      return QByteArrayView("\xFF\xFE\x00\x00", 4);
    case TextEncoding::Utf32BE:
      return QByteArrayView("\x00\x00\xFE\xFF", 4);
    default:
      return QByteArrayView();
  }
}

QString encodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return QStringLiteral("UTF-8");
    case TextEncoding::Windows1252:
      return QStringLiteral("Windows-1252");
    case TextEncoding::Utf16LE:
      return QStringLiteral("UTF-16LE");
    case TextEncoding::Utf16BE:
      return QStringLiteral("UTF-16BE");
    case TextEncoding::Utf32LE:
      return QStringLiteral("UTF-32LE");
    default:
      return QStringLiteral("UTF-32BE");
  }
}

TextEncoding sniff(QByteArrayView bytes, int* bomLength) {
  Sniffer sniffer;
  sniffer.feed(bytes);
  return sniffer.finish(bomLength);
}

void Sniffer::feed(QByteArrayView bytes) {
  if (bytes.isEmpty()) return;
  const qint64 start = size_;
  size_ += bytes.size();
  if (head_.size() < 4096) head_.append(bytes.first(std::min<qsizetype>(bytes.size(), 4096 - head_.size())));

  // UTF-8: whole sequences are checked; one cut by the end waits for the rest.
  if (utf8Valid_) {
    QByteArrayView rest = bytes;
    if (!utf8Carry_.isEmpty()) {
      // The cut sequence is at most 4 bytes: complete it from this piece.
      const auto lead = static_cast<unsigned char>(utf8Carry_[0]);
      const qsizetype need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      const qsizetype take = std::min<qsizetype>(need - utf8Carry_.size(), rest.size());
      utf8Carry_.append(rest.first(take));
      rest = rest.sliced(take);
      if (utf8Carry_.size() == need) {
        utf8Valid_ = isValidUtf8(utf8Carry_);
        utf8Carry_.clear();
      }
    }
    // Keep back a sequence that the end of the piece cuts.
    qsizetype cut = rest.size();
    for (qsizetype back = 1; back <= 3 && back <= rest.size(); ++back) {
      const auto c = static_cast<unsigned char>(rest[rest.size() - back]);
      if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
      const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (need > back) cut = rest.size() - back;
      break;
    }
    if (utf8Valid_ && !isValidUtf8(rest.first(cut))) utf8Valid_ = false;
    if (utf8Valid_) utf8Carry_.append(rest.sliced(cut));
  }

  // UTF-32: the units after a mark must be Unicode scalar values.
  if (utf32_ < 0 && head_.size() >= 4) {
    utf32_ = head_.startsWith(bomBytes(TextEncoding::Utf32LE))   ? 1
             : head_.startsWith(bomBytes(TextEncoding::Utf32BE)) ? 2
                                                                 : 0;
  }
  if (utf32_ > 0 && utf32Valid_) {
    const qsizetype skip = start < 4 ? static_cast<qsizetype>(std::min<qint64>(4 - start, bytes.size())) : 0;
    unitCarry_.append(bytes.sliced(skip));
    const qsizetype whole = unitCarry_.size() / 4 * 4;
    utf32Valid_ = IsValidWide(QByteArrayView(unitCarry_).first(whole),
                              utf32_ == 1 ? TextEncoding::Utf32LE : TextEncoding::Utf32BE);
    unitCarry_.remove(0, whole);
  }
}

TextEncoding Sniffer::finish(int* bomLength) const {
  const bool utf8 = utf8Valid_ && utf8Carry_.isEmpty();
  int bom = 0;
  TextEncoding found = TextEncoding::Utf8;
  // UTF-32LE before UTF-16LE: its mark begins with the other's. Only the
  // first mark that matches counts.
  for (TextEncoding e : {TextEncoding::Utf32LE, TextEncoding::Utf32BE, TextEncoding::Utf8, TextEncoding::Utf16LE,
                         TextEncoding::Utf16BE}) {
    const QByteArrayView mark = bomBytes(e);
    if (!head_.startsWith(mark)) continue;
    const qint64 rest = size_ - mark.size();
    bool valid;
    switch (e) {
      case TextEncoding::Utf8:
        valid = utf8;
        break;  // the mark itself is valid UTF-8
      case TextEncoding::Utf16LE:
      case TextEncoding::Utf16BE:
        valid = rest % 2 == 0;
        break;
      default:
        valid = rest % 4 == 0 && utf32Valid_ && unitCarry_.isEmpty();
        break;
    }
    if (valid) {
      bom = static_cast<int>(mark.size());
      found = e;
    }
    break;
  }
  if (bomLength) *bomLength = bom;
  if (bom > 0) return found;
  static const QList<QByteArray> singleByte = {"windows-1252", "cp1252",     "x-cp1252", "iso-8859-1", "iso8859-1",
                                               "iso_8859-1",   "latin1",     "latin-1",  "l1",         "us-ascii",
                                               "ascii",        "iso-ir-100", "ibm819",   "cp819",      "csisolatin1"};
  const QByteArray declared = declaredCharset(head_);
  if (singleByte.contains(declared)) return TextEncoding::Windows1252;
  // A declared UTF-8 counts only when the bytes are UTF-8, as without one.
  return utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

char16_t windows1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool isAscii(QByteArrayView bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  for (; i + 8 <= n; i += 8) {  // eight bytes at a time
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ULL) return false;
  }
  for (; i < n; ++i)
    if (p[i] & 0x80) return false;
  return true;
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
  bool plain = false;
  const bool utf8 = isValidUtf8(bytes.sliced(bom), &plain);
  if (!utf8) bom = 0;  // a mark on bytes that are not UTF-8 is ordinary text
  if (bomLength) *bomLength = bom;
  if (ascii) *ascii = utf8 && plain;
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

QStringList decodeFileLines(QByteArrayView bytes) {
  QString text = decodeFile(bytes).text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
  QStringList lines = text.split(u'\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

namespace {

bool CanEncode16(QStringView text, TextEncoding encoding) {
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

qsizetype EncodedSize16(QStringView text, TextEncoding encoding) {
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

// Writes the UTF-8 form of a code point; returns its length.
int PutUtf8(char* out, char32_t c) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Latin-1 into UTF-16 or UTF-32.
qsizetype EncodeLatin1Wide(char* dst, const unsigned char* p, qsizetype n, TextEncoding encoding) {
  const int unit = UnitSize(encoding);
  const bool little = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf32LE;
  for (qsizetype i = 0; i < n; ++i) WriteUnit(dst + i * unit, p[i], unit, little);
  return n * unit;
}

// UTF-8 into an encoding other than UTF-8, character by character as the
// UTF-16 form would be encoded. Valid UTF-8 is expected; a byte that does not
// belong to a valid sequence counts as U+FFFD.
// The character at p[i] of valid UTF-8, moving i past it; a byte that does
// not begin a whole sequence counts as U+FFFD.
char32_t NextUtf8(const unsigned char* p, qsizetype n, qsizetype& i) {
  const char32_t c = p[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  const int need = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  bool ok = need > 0 && i + need < n;
  char32_t cp = c & (0x3F >> need);
  for (int k = 1; ok && k <= need; ++k) {
    ok = (p[i + k] & 0xC0) == 0x80;
    cp = (cp << 6) | (p[i + k] & 0x3F);
  }
  i += ok ? need + 1 : 1;
  return ok ? cp : 0xFFFD;
}

qsizetype EncodeUtf8Other(char* dst, const unsigned char* p, qsizetype n, TextEncoding encoding) {
  const int unit = UnitSize(encoding);
  const bool little = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf32LE;
  char* out = dst;
  for (qsizetype i = 0; i < n;) {
    const char32_t c = NextUtf8(p, n, i);
    if (unit == 1) {  // Windows-1252: a character beyond U+FFFF is two "?", one per surrogate
      const int b = c < 0x10000 ? unicodeToWindows1252(static_cast<char16_t>(c)) : -1;
      *out++ = static_cast<char>(b < 0 ? '?' : b);
      if (c >= 0x10000) *out++ = '?';
    } else if (unit == 2 && c >= 0x10000) {
      WriteUnit(out, QChar::highSurrogate(c), 2, little);
      WriteUnit(out + 2, QChar::lowSurrogate(c), 2, little);
      out += 4;
    } else {
      WriteUnit(out, c, unit, little);
      out += unit;
    }
  }
  return out - dst;
}

// The length of the start of `p` that is copied as it is: bytes below 0x80
// for UTF-8; for Windows-1252 every byte but the C1 controls 0x80 to 0x9F.
qsizetype CopyablePrefix(const unsigned char* p, qsizetype n, bool windows1252) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL, kOnes = 0x0101010101010101ULL;
  qsizetype i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (!(w & kHighBits)) continue;
    if (!windows1252) break;
    const std::uint64_t x = (w & 0xE0E0E0E0E0E0E0E0ULL) ^ kHighBits;  // zero where a byte is 0x80..0x9F
    if ((x - kOnes) & ~x & kHighBits) break;
  }
  while (i < n && (p[i] < 0x80 || (windows1252 && p[i] >= 0xA0))) ++i;
  return i;
}

qsizetype EncodeInto16(char* dst, QStringView text, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) {
    // A surrogate without its partner has no UTF-8 form: U+FFFD takes its
    // place (as many bytes as encodedSize() counts for it).
    char* out = dst;
    for (qsizetype i = 0; i < text.size(); ++i) {
      char32_t c = text[i].unicode();
      if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        ++i;
      } else if (QChar::isSurrogate(c)) {
        c = 0xFFFD;
      }
      out += PutUtf8(out, c);
    }
    return out - dst;
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

// The UTF-16 form of a UTF-8 view (a leading U+FEFF stays a character).
QString Utf8Text(QAnyStringView text) {
  return decode(QByteArrayView(static_cast<const char*>(text.data()), text.size()), TextEncoding::Utf8);
}

}  // namespace

bool canEncode(QAnyStringView text, TextEncoding encoding) {
  if (viewForm(text) == ViewForm::Utf16)
    return CanEncode16(QStringView(static_cast<const QChar*>(text.data()), text.size()), encoding);
  if (viewForm(text) == ViewForm::Utf8) {
    if (encoding != TextEncoding::Windows1252) return true;
    const auto* p = static_cast<const unsigned char*>(text.data());
    for (qsizetype i = 0, n = text.size(); i < n;) {
      i += CopyablePrefix(p + i, n - i, false);
      if (i < n) {
        const char32_t c = NextUtf8(p, n, i);
        if (c >= 0x10000 || unicodeToWindows1252(static_cast<char16_t>(c)) < 0) return false;
      }
    }
    return true;
  }
  if (encoding != TextEncoding::Windows1252) return true;
  // Latin-1: only the C1 controls Windows-1252 leaves undefined have a form.
  const auto* p = static_cast<const unsigned char*>(text.data());
  for (qsizetype i = 0, n = text.size(); (i += CopyablePrefix(p + i, n - i, true)) < n; ++i)
    if (unicodeToWindows1252(p[i]) < 0) return false;
  return true;
}

qsizetype encodedSize(QAnyStringView text, TextEncoding encoding) {
  if (viewForm(text) == ViewForm::Utf16)
    return EncodedSize16(QStringView(static_cast<const QChar*>(text.data()), text.size()), encoding);
  if (viewForm(text) == ViewForm::Utf8)
    return encoding == TextEncoding::Utf8 ? text.size() : EncodedSize16(Utf8Text(text), encoding);
  switch (encoding) {
    case TextEncoding::Utf8: {
      const auto* p = static_cast<const unsigned char*>(text.data());
      qsizetype size = text.size();
      for (qsizetype i = 0; i < text.size(); ++i) size += p[i] >> 7;
      return size;
    }
    case TextEncoding::Windows1252:
      return text.size();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
      return text.size() * 2;
    default:
      return text.size() * 4;
  }
}

qsizetype encodeInto(char* dst, QAnyStringView text, TextEncoding encoding) {
  if (viewForm(text) == ViewForm::Utf16)
    return EncodeInto16(dst, QStringView(static_cast<const QChar*>(text.data()), text.size()), encoding);
  if (viewForm(text) == ViewForm::Utf8) {
    if (encoding != TextEncoding::Utf8) return EncodeInto16(dst, Utf8Text(text), encoding);
    std::memcpy(dst, text.data(), static_cast<size_t>(text.size()));
    return text.size();
  }
  const auto* p = static_cast<const unsigned char*>(text.data());
  const qsizetype n = text.size();
  if ((encoding == TextEncoding::Utf8 || encoding == TextEncoding::Windows1252) && isAscii(QByteArrayView(p, n))) {
    std::memcpy(dst, p, static_cast<size_t>(n));
    return n;
  }
  if (encoding == TextEncoding::Utf8) {
    char* out = dst;
    for (qsizetype i = 0; i < n; ++i) {
      if (p[i] < 0x80) {
        *out++ = static_cast<char>(p[i]);
      } else {
        *out++ = static_cast<char>(0xC0 | (p[i] >> 6));
        *out++ = static_cast<char>(0x80 | (p[i] & 0x3F));
      }
    }
    return out - dst;
  }
  return EncodeInto16(dst, QString::fromLatin1(reinterpret_cast<const char*>(p), n), encoding);
}

void encodeAppend(QByteArray& out, QAnyStringView text, TextEncoding encoding) {
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

Encoder::Encoder(TextEncoding encoding, Sink sink, qsizetype bufferSize)
    : encoding_(encoding),
      narrow_(encoding == TextEncoding::Utf8 || encoding == TextEncoding::Windows1252),
      sink_(std::move(sink)),
      size_(std::max<qsizetype>(bufferSize, 64)) {
  buffer_.reset(new char[static_cast<size_t>(size_)]);
}

void Encoder::flush() {
  if (used_ == 0) return;
  const qsizetype n = std::exchange(used_, 0);
  sink_(QByteArrayView(buffer_.get(), n));
}

void Encoder::finish() {
  flushPendingHigh();
  flush();
}

void Encoder::appendRawSlow(QByteArrayView bytes) {
  flushPendingHigh();
  while (!bytes.isEmpty()) {
    if (used_ == size_) flush();
    const qsizetype k = std::min(bytes.size(), size_ - used_);
    std::memcpy(buffer_.get() + used_, bytes.data(), static_cast<size_t>(k));
    used_ += k;
    bytes = bytes.sliced(k);
  }
}

void Encoder::flushPendingHigh() {
  if (pendingHigh_ == 0) return;
  const char16_t high = std::exchange(pendingHigh_, 0);
  appendInPieces(QStringView(&high, 1), maxEncodedSize(1, encoding_));
}

void Encoder::append(QAnyStringView text) {
  if (text.isEmpty()) return;
  const ViewForm form = viewForm(text);
  if (form == ViewForm::Utf16) {
    QStringView units(static_cast<const QChar*>(text.data()), text.size());
    if (pendingHigh_ != 0 && units.front().isLowSurrogate()) {  // the rest of a pair
      const char16_t pair[2] = {std::exchange(pendingHigh_, 0), units.front().unicode()};
      appendInPieces(QStringView(pair, 2), maxEncodedSize(1, encoding_));
      units = units.sliced(1);
    }
    flushPendingHigh();
    if (!units.isEmpty() && units.back().isHighSurrogate()) {  // its partner may begin the next text
      pendingHigh_ = units.back().unicode();
      units.chop(1);
    }
    appendInPieces(units, maxEncodedSize(1, encoding_));
    return;
  }
  flushPendingHigh();
  const auto* p = static_cast<const unsigned char*>(text.data());
  if (form == ViewForm::Latin1) {
    if (encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Windows1252)
      encodeLatin1(p, text.size());
    else
      appendInPieces(text, UnitSize(encoding_));
  } else if (encoding_ == TextEncoding::Utf8) {
    appendRawSlow(QByteArrayView(p, text.size()));
  } else {
    appendInPieces(text, UnitSize(encoding_));
  }
}

void Encoder::encodeLatin1(const unsigned char* p, qsizetype n) {
  const bool windows1252 = encoding_ == TextEncoding::Windows1252;
  if (!windows1252 && size_ - used_ >= 2 * n) {  // room for the longest form: no checks on the way
    char* const start = buffer_.get() + used_;
    char* out = start;
    for (qsizetype i = 0; i < n;) {
      const qsizetype plain = CopyablePrefix(p + i, n - i, false);
      std::memcpy(out, p + i, static_cast<size_t>(plain));
      out += plain;
      i += plain;
      if (i < n) out += PutUtf8(out, p[i++]);
    }
    used_ += out - start;
    return;
  }
  while (n > 0) {
    if (size_ - used_ < 2) flush();
    char* dst = buffer_.get() + used_;
    const qsizetype k = std::min(n, size_ - used_);
    const qsizetype plain = CopyablePrefix(p, k, windows1252);
    std::memcpy(dst, p, static_cast<size_t>(plain));
    used_ += plain;
    p += plain;
    n -= plain;
    if (plain == k) continue;
    // A character that changes (room for two bytes is left: plain < k).
    if (windows1252) {
      const int b = unicodeToWindows1252(*p);
      buffer_[used_++] = static_cast<char>(b < 0 ? '?' : b);
    } else if (size_ - used_ >= 2) {
      used_ += PutUtf8(buffer_.get() + used_, *p);
    } else {
      continue;  // the next buffer takes it
    }
    ++p;
    --n;
  }
}

void Encoder::appendInPieces(QAnyStringView text, qsizetype per) {
  const ViewForm form = viewForm(text);
  const int width = form == ViewForm::Utf16 ? 2 : 1;
  const char* src = static_cast<const char*>(text.data());
  qsizetype n = text.size();
  while (n > 0) {
    qsizetype k = std::min(n, (size_ - used_) / per);
    if (k < n && k < 4) {  // not even a whole character may fit
      flush();
      continue;
    }
    if (k < n) {  // the piece ends where a character does
      if (form == ViewForm::Utf8) {
        for (int back = 0; back < 3 && (static_cast<unsigned char>(src[k]) & 0xC0) == 0x80; ++back) --k;
      } else if (form == ViewForm::Utf16) {
        const auto* u = reinterpret_cast<const char16_t*>(src);
        if (QChar::isHighSurrogate(u[k - 1]) && QChar::isLowSurrogate(u[k])) --k;
      }
    }
    char* dst = buffer_.get() + used_;
    const auto* bytes = reinterpret_cast<const unsigned char*>(src);
    switch (form) {
      case ViewForm::Latin1:
        used_ += EncodeLatin1Wide(dst, bytes, k, encoding_);
        break;
      case ViewForm::Utf8:
        used_ += EncodeUtf8Other(dst, bytes, k, encoding_);
        break;
      default:
        used_ += EncodeInto16(dst, QStringView(reinterpret_cast<const QChar*>(src), k), encoding_);
        break;
    }
    src += k * width;
    n -= k;
  }
}

}  // namespace TextCodec
