// Conversion between file bytes and text.
//
// Files are read as UTF-8 when their bytes are valid UTF-8 (a byte-order mark
// is remembered) and as Windows-1252 otherwise. The five bytes Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the code points of
// the same value, so every byte sequence survives a load and a save unchanged.
// Documents also honour what they declare (see sniff()): a byte-order mark of
// UTF-16 or UTF-32, or a page's XML declaration or <meta> character set.
#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>

enum class TextEncoding : std::uint8_t { Utf8, Windows1252, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

struct DecodedText {
  QString text;
  TextEncoding encoding = TextEncoding::Utf8;
  bool bom = false;
};

namespace TextCodec {

// True when every byte is below 0x80.
bool isAscii(QByteArrayView bytes);

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
// When `ascii` is given it tells whether every byte was below 0x80.
bool isValidUtf8(QByteArrayView bytes, bool* ascii = nullptr);

// Chooses the encoding of a whole file; `bomLength` receives 3 when the bytes
// start with a UTF-8 byte-order mark (the mark is not part of the text).
TextEncoding detect(QByteArrayView bytes, int* bomLength = nullptr, bool* ascii = nullptr);

// The encoding of a document: a byte-order mark first (UTF-8, UTF-16 or
// UTF-32, when the bytes after it are valid in it), then the character set
// the page declares in its first 4096 bytes (an XML declaration or a <meta>
// element; UTF-8 when the bytes are valid UTF-8, the single-byte sets
// Windows-1252, ISO-8859-1 and US-ASCII as Windows-1252), else detect().
// `bomLength` receives the length of the mark.
TextEncoding sniff(QByteArrayView bytes, int* bomLength = nullptr);

// sniff() over a file read in pieces: feed() every piece in order, then
// finish() gives what sniff() gives for the whole.
class Sniffer {
 public:
  void feed(QByteArrayView bytes);
  TextEncoding finish(int* bomLength = nullptr) const;

 private:
  QByteArray head_;       // the first 4096 bytes
  QByteArray utf8Carry_;  // a UTF-8 sequence cut by the end of a piece
  QByteArray unitCarry_;  // a UTF-32 unit cut likewise
  qint64 size_ = 0;
  bool utf8Valid_ = true;
  bool utf32Valid_ = true;  // the units after a UTF-32 mark
  int utf32_ = -1;          // 1 LE, 2 BE, 0 neither, -1 not yet known
};

// The character set declared by an XML declaration or a <meta> element
// (charset attribute or http-equiv content type) in `head`, in lower case;
// empty when there is none.
QByteArray declaredCharset(QByteArrayView head);

// Replaces the character set named by every declaration in `text` (as
// declaredCharset() finds them) by `name`; true when one was found.
bool replaceDeclaredCharset(QString& text, QStringView name);

// True for encodings of one byte per character.
inline bool isSingleByte(TextEncoding encoding) { return encoding == TextEncoding::Windows1252; }
// The byte-order mark of an encoding.
QByteArrayView bomBytes(TextEncoding encoding);
// "UTF-8", "Windows-1252", "UTF-16LE", ...
QString encodingName(TextEncoding encoding);

// Decodes bytes known to be in `encoding` (no byte-order mark handling).
QString decode(QByteArrayView bytes, TextEncoding encoding);
void decodeAppend(QString& out, QByteArrayView bytes, TextEncoding encoding);

// Decodes a whole file: detects the encoding and strips a UTF-8 mark.
DecodedText decodeFile(QByteArrayView bytes);
// The lines of a whole file as decodeFile reads it, whatever its line breaks
// (CR LF, LF or CR); the empty rest after a final break is no line.
QStringList decodeFileLines(QByteArrayView bytes);

// How a view holds its characters.
enum class ViewForm : std::uint8_t { Latin1, Utf8, Utf16 };
inline ViewForm viewForm(QAnyStringView text) {
  return text.visit([](auto view) {
    if constexpr (std::is_same_v<decltype(view), QStringView>)
      return ViewForm::Utf16;
    else if constexpr (std::is_same_v<decltype(view), QLatin1StringView>)
      return ViewForm::Latin1;
    else
      return ViewForm::Utf8;
  });
}

// True when every character of `text` has a form in `encoding`.
bool canEncode(QAnyStringView text, TextEncoding encoding);

// Appends the encoded form of `text`. Characters without a Windows-1252 form
// are written as "?"; callers check canEncode() first when that matters.
void encodeAppend(QByteArray& out, QAnyStringView text, TextEncoding encoding);
QByteArray encode(QStringView text, TextEncoding encoding);

// The most bytes encodeInto() may write for `length` characters (or for a
// view of `length` bytes of Latin-1 or UTF-8).
inline qsizetype maxEncodedSize(qsizetype length, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return length * 3;
    case TextEncoding::Windows1252:
      return length;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
      return length * 2;
    default:
      return length * 4;
  }
}
// The number of bytes encodeInto() writes for `text`.
qsizetype encodedSize(QAnyStringView text, TextEncoding encoding);
// Writes the encoded text at `dst` (room for maxEncodedSize bytes) and
// returns the number of bytes written.
qsizetype encodeInto(char* dst, QAnyStringView text, TextEncoding encoding);

// Encodes texts one after another into an output buffer of a fixed size and
// hands the buffer to the sink whenever it is full, and at finish(): however
// many texts there are, the sink sees a few large pieces. A text need not fit
// one buffer; its bytes go on in the next. The texts are encoded as encodeInto()
// does, as if they were one: a surrogate pair cut between two UTF-16 texts is
// one character.
class Encoder {
 public:
  using Sink = std::function<void(QByteArrayView bytes)>;
  Encoder(TextEncoding encoding, Sink sink, qsizetype bufferSize = qsizetype(1) << 20);
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  void append(QAnyStringView text);
  // append() for a text held as Latin-1, or as valid UTF-8, with the common
  // cases (ASCII into a byte encoding, UTF-8 into UTF-8) done in line.
  void appendLatin1(const char* p, qsizetype n) {
    if (narrow_ && pendingHigh_ == 0 && n <= size_ - used_ && CopyAscii(buffer_.get() + used_, p, n)) {
      used_ += n;
      return;
    }
    append(QLatin1StringView(p, n));
  }
  void appendUtf8(const char* p, qsizetype n) {
    if (encoding_ == TextEncoding::Utf8 && pendingHigh_ == 0 && n <= size_ - used_) {
      std::memcpy(buffer_.get() + used_, p, static_cast<size_t>(n));
      used_ += n;
      return;
    }
    append(QUtf8StringView(p, n));
  }
  // Bytes written as they are (a byte-order mark, a line break encoded once).
  void appendRaw(QByteArrayView bytes) {
    if (pendingHigh_ == 0 && bytes.size() <= size_ - used_) {  // the common case: a line break
      std::memcpy(buffer_.get() + used_, bytes.data(), static_cast<size_t>(bytes.size()));
      used_ += bytes.size();
    } else {
      appendRawSlow(bytes);
    }
  }
  // Hands what is left to the sink.
  void finish();

 private:
  void flush();
  void appendRawSlow(QByteArrayView bytes);
  void flushPendingHigh();
  // Encodes a text in pieces that fit the room left, each ending on a
  // character boundary; `per` is the most bytes one unit of `text` gives.
  void appendInPieces(QAnyStringView text, qsizetype per);
  void encodeLatin1(const unsigned char* p, qsizetype n);

  // Copies `n` bytes to `dst` and tells whether they were all ASCII (else
  // what was copied is to be written over).
  static bool CopyAscii(char* dst, const char* p, qsizetype n) {
    std::uint64_t all = 0, w;
    if (n >= 8) {
      for (qsizetype i = 0; i + 8 <= n; i += 8) {
        std::memcpy(&w, p + i, 8);
        std::memcpy(dst + i, &w, 8);
        all |= w;
      }
      std::memcpy(&w, p + n - 8, 8);  // the last eight, overlapping
      std::memcpy(dst + n - 8, &w, 8);
      all |= w;
    } else {
      for (qsizetype i = 0; i < n; ++i) {
        dst[i] = p[i];
        all |= static_cast<unsigned char>(p[i]);
      }
    }
    return !(all & 0x8080808080808080ULL);
  }

  TextEncoding encoding_;
  bool narrow_;  // UTF-8 or Windows-1252: ASCII stays as it is
  Sink sink_;
  std::unique_ptr<char[]> buffer_;
  qsizetype size_;
  qsizetype used_ = 0;
  char16_t pendingHigh_ = 0;  // a high surrogate that ended the last text
};

// Encodes a whole file, with a leading byte-order mark when `bom` is set.
QByteArray encodeFile(QStringView text, TextEncoding encoding, bool bom);

// The Windows-1252 character of one byte.
char16_t windows1252ToUnicode(unsigned char byte);

}  // namespace TextCodec
