#include "platform/CodePage.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>

#include "platform/TextCodec.h"

namespace {

struct CharsetName {
  const char* name;
  int number;
};

constexpr std::array<CharsetName, 11> kNames = {{
    {"GB2312_CHARSET", 134},
    {"ARABIC_CHARSET", 178},
    {"BALTIC_CHARSET", 186},
    {"CHINESEBIG5_CHARSET", 136},
    {"DEFAULT_CHARSET", 1},
    {"EASTEUROPE_CHARSET", 238},
    {"GREEK_CHARSET", 161},
    {"HEBREW_CHARSET", 177},
    {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},
    {"TURKISH_CHARSET", 162},
}};

}  // namespace

namespace CodePage {

std::optional<int> CharsetFromName(const QString& name) {
  for (const auto& entry : kNames)
    if (name == QLatin1String(entry.name)) return entry.number;
  return std::nullopt;
}

QString CodecName(int charset) {
  switch (charset) {
    case 134:
      return QStringLiteral("GBK");
    case 136:
      return QStringLiteral("Big5");
    case 161:
      return QStringLiteral("windows-1253");
    case 162:
      return QStringLiteral("windows-1254");
    case 177:
      return QStringLiteral("windows-1255");
    case 178:
      return QStringLiteral("windows-1256");
    case 186:
      return QStringLiteral("windows-1257");
    case 204:
      return QStringLiteral("windows-1251");
    case 222:
      return QStringLiteral("windows-874");
    case 238:
      return QStringLiteral("windows-1250");
    default:
      return QStringLiteral("windows-1252");
  }
}

QString Decode(QByteArrayView bytes, int charset) {
  // Every character set above reads the bytes below 0x80 as ASCII.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return QString::fromLatin1(bytes);
  const QString name = CodecName(charset);
  if (name != QLatin1String("windows-1252")) {
    QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (decoder.isValid()) {
      QString text = decoder.decode(bytes);
      // A character cut off at the end shows as a replacement character
      // instead of vanishing.
      if (decoder.hasError() && !text.endsWith(QChar(QChar::ReplacementCharacter)))
        text += QChar(QChar::ReplacementCharacter);
      return text;
    }
  }
  return TextCodec::decode(bytes, TextEncoding::Windows1252);
}

}  // namespace CodePage
