#include <gtest/gtest.h>

#include <QStringEncoder>
#include <string>
#include <vector>

#include "platform/TextCodec.h"

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(static_cast<char>(v));
  return b;
}

}  // namespace

TEST(TextCodec, StrictUtf8Validation) {
  EXPECT_TRUE(TextCodec::isValidUtf8(QByteArray("plain ascii")));
  EXPECT_TRUE(TextCodec::isValidUtf8(QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80")));
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({0xC0, 0x80})));              // overlong NUL
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({0xE0, 0x80, 0xAF})));        // overlong "/"
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({0xED, 0xA0, 0x80})));        // surrogate
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({0xF4, 0x90, 0x80, 0x80})));  // above U+10FFFF
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({'a', 0xE2, 0x82})));         // cut short
  EXPECT_FALSE(TextCodec::isValidUtf8(Bytes({0x80})));                    // lone continuation
  EXPECT_TRUE(TextCodec::isValidUtf8(Bytes({0x00, 'x'})));                // NUL is a character
  bool ascii = false;
  EXPECT_TRUE(TextCodec::isValidUtf8(QByteArray("0123456789abcdefghij"), &ascii));
  EXPECT_TRUE(ascii);
  EXPECT_TRUE(TextCodec::isValidUtf8(QByteArray("0123456789abcdef\xC3\xA9"), &ascii));
  EXPECT_FALSE(ascii);
}

TEST(TextCodec, DetectsEncodingAndMark) {
  int bom = -1;
  EXPECT_EQ(TextCodec::detect(QByteArray("\xEF\xBB\xBFhi"), &bom), TextEncoding::Utf8);
  EXPECT_EQ(bom, 3);
  EXPECT_EQ(TextCodec::detect(QByteArray("hi"), &bom), TextEncoding::Utf8);
  EXPECT_EQ(bom, 0);
  // A mark in front of bytes that are not UTF-8 is just text.
  EXPECT_EQ(TextCodec::detect(QByteArray("\xEF\xBB\xBF\xE9t\xE9"), &bom), TextEncoding::Windows1252);
  EXPECT_EQ(bom, 0);

  const DecodedText d = TextCodec::decodeFile(QByteArray("\xEF\xBB\xBF\xC3\xA9"));
  EXPECT_TRUE(d.bom);
  EXPECT_EQ(d.text, QString(QChar(0xE9)));
}

TEST(TextCodec, Windows1252MapsEveryByteAndBack) {
  EXPECT_EQ(TextCodec::windows1252ToUnicode(0x80), u'\u20AC');
  EXPECT_EQ(TextCodec::windows1252ToUnicode(0x9F), u'\u0178');
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(TextCodec::windows1252ToUnicode(undefined), undefined);
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = TextCodec::decode(all, TextEncoding::Windows1252);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(TextCodec::encode(text, TextEncoding::Windows1252), all);
  EXPECT_TRUE(TextCodec::canEncode(text, TextEncoding::Windows1252));
}

TEST(TextCodec, CanEncodeTellsWhatWouldBeLost) {
  EXPECT_FALSE(TextCodec::canEncode(QStringLiteral("\u4E2D"), TextEncoding::Windows1252));
  EXPECT_TRUE(TextCodec::canEncode(QStringLiteral("\u4E2D"), TextEncoding::Utf8));
  EXPECT_FALSE(TextCodec::canEncode(QString(QChar(0xD800)), TextEncoding::Utf8));
  EXPECT_EQ(TextCodec::encode(QStringLiteral("a\u4E2Db"), TextEncoding::Windows1252), QByteArray("a?b"));
  EXPECT_EQ(TextCodec::encodeFile(QStringLiteral("x"), TextEncoding::Utf8, true), QByteArray("\xEF\xBB\xBFx"));
}

TEST(TextCodec, FindsAndReplacesDeclaredCharacterSets) {
  const struct {
    QByteArray head;
    QByteArray declared;
    QString replaced;  // with "utf-8" in place of every declared name
  } cases[] = {
      {"<meta charset=\"ISO-8859-1\">", "iso-8859-1", "<meta charset=\"utf-8\">"},
      {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">", "windows-1252",
       "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"},
      {"<?xml version='1.0' encoding = 'Latin1'?><meta charset=latin1>", "latin1",
       "<?xml version='1.0' encoding = 'utf-8'?><meta charset=utf-8>"},
      {"<p>charset=x</p><meta name=\"author\" content=\"\">", "",
       "<p>charset=x</p><meta name=\"author\" content=\"\">"},
      {"<p>no xml <?xml encoding=\"x\"?></p>", "", "<p>no xml <?xml encoding=\"x\"?></p>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextCodec::declaredCharset(c.head), c.declared) << c.head.toStdString();
    QString text = QString::fromLatin1(c.head);
    EXPECT_EQ(TextCodec::replaceDeclaredCharset(text, u"utf-8"), !c.declared.isEmpty());
    EXPECT_EQ(text, c.replaced);
  }
  // Only the first 4096 bytes of a page count.
  EXPECT_EQ(TextCodec::sniff(QByteArray(4096, ' ') + "<meta charset=latin1>"), TextEncoding::Utf8);
  EXPECT_EQ(TextCodec::sniff(QByteArray(4000, ' ') + "<meta charset=latin1>"), TextEncoding::Windows1252);
}

TEST(TextCodec, SnifferFedInPiecesAgreesWithTheWhole) {
  QStringEncoder utf32(QStringConverter::Utf32LE);
  const struct {
    QByteArray bytes;
    TextEncoding encoding;
    int bom;
  } cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80.", TextEncoding::Utf8, 0},
      {"\xEF\xBB\xBF\xE2\x82\xAC", TextEncoding::Utf8, 3},
      {"\xEF\xBB\xBF\xE2\x82", TextEncoding::Windows1252, 0},  // cut short at the end
      {"ab\xE2\x82"
       "c",
       TextEncoding::Windows1252, 0},  // cut short inside
      {"ab\xF0\x9F\x98", TextEncoding::Windows1252, 0},
      {"<meta charset=latin1>\xC3\xA9", TextEncoding::Windows1252, 0},
      {Bytes({0xFF, 0xFE, 'a', 0}), TextEncoding::Utf16LE, 2},
      {Bytes({0xFF, 0xFE, 'a'}), TextEncoding::Windows1252, 0},
      {QByteArray("\xFF\xFE\0\0", 4) + QByteArray(utf32(QStringLiteral("a\U0001F600"))), TextEncoding::Utf32LE, 4},
      {QByteArray("\xFF\xFE\0\0", 4) + Bytes({0, 0, 0x11, 0}), TextEncoding::Windows1252, 0},  // above U+10FFFF
      {QByteArray("\0\0\xFE\xFF", 4) + Bytes({0, 0, 0xD8, 0}), TextEncoding::Windows1252, 0},  // a surrogate
  };
  for (const auto& c : cases) {
    for (int piece = 1; piece <= 5; ++piece) {
      SCOPED_TRACE(c.bytes.toHex().toStdString() + " in pieces of " + std::to_string(piece));
      TextCodec::Sniffer sniffer;
      for (qsizetype at = 0; at < c.bytes.size(); at += piece)
        sniffer.feed(QByteArrayView(c.bytes).sliced(at).first(std::min<qsizetype>(piece, c.bytes.size() - at)));
      int bom = -1;
      EXPECT_EQ(sniffer.finish(&bom), c.encoding);
      EXPECT_EQ(bom, c.bom);
    }
  }
}

TEST(TextCodec, NarrowViewsEncodeAsTheirUtf16Form) {
  // Lines are kept as Latin-1 or UTF-8 and written from those forms directly.
  const QString texts[] = {"plain", QStringLiteral("caf\u00E9 \u00FF"), QStringLiteral("\u0080\u0081\u009D"),
                           QStringLiteral("\uFEFF\u20AC \U0001F600")};
  for (const QString& text : texts) {
    const QByteArray utf8 = text.toUtf8();
    const QByteArray latin1 = text.toLatin1();
    std::vector<QAnyStringView> views = {QUtf8StringView(utf8)};
    if (QString::fromLatin1(latin1) == text) views.push_back(QLatin1StringView(latin1));
    for (QAnyStringView view : views) {
      for (TextEncoding e :
           {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16BE, TextEncoding::Utf32LE}) {
        SCOPED_TRACE(text.toStdString() + " as " + TextCodec::encodingName(e).toStdString());
        const QByteArray expected = TextCodec::encode(text, e);
        QByteArray out;
        TextCodec::encodeAppend(out, view, e);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(TextCodec::encodedSize(view, e), expected.size());
        EXPECT_EQ(TextCodec::canEncode(view, e), TextCodec::canEncode(text, e));
      }
    }
  }
}

TEST(TextCodec, EncoderGivesTheBytesOfTheWholeTextInBufferSizedPieces) {
  // Texts in each form a line can be held in, longer than the buffer and
  // with characters of every length placed across its boundary.
  QString latin1, wide;
  for (int i = 0; i < 40; ++i) latin1 += QStringLiteral("caf\u00E9 \u00FF\u0081 ");
  for (int shift = 0; shift < 8; ++shift) wide += QString(shift, u'a') + QStringLiteral("\u00E9\u20AC\U0001F600");
  const QByteArray latin1Bytes = latin1.toLatin1(), wideUtf8 = wide.toUtf8();
  const QAnyStringView views[] = {QLatin1StringView(latin1Bytes), QUtf8StringView(wideUtf8), QStringView(wide)};
  const QString whole = latin1 + wide + wide;
  for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE, TextEncoding::Utf16BE,
                         TextEncoding::Utf32LE, TextEncoding::Utf32BE}) {
    SCOPED_TRACE(TextCodec::encodingName(e).toStdString());
    for (qsizetype size : {64, 67, 100}) {
      QByteArray out;
      int pieces = 0;
      TextCodec::Encoder encoder(
          e,
          [&](QByteArrayView bytes) {
            EXPECT_LE(bytes.size(), size);
            EXPECT_FALSE(bytes.isEmpty());
            out.append(bytes);
            ++pieces;
          },
          size);
      for (QAnyStringView view : views) encoder.append(view);
      encoder.appendRaw("\r\n");  // as it is, in every encoding
      encoder.finish();
      EXPECT_EQ(out, TextCodec::encode(whole, e) + "\r\n");
      EXPECT_GE(pieces, out.size() / size);
      if (e != TextEncoding::Windows1252) {  // the other encodings hold every character
        QStringEncoder reference(e == TextEncoding::Utf8      ? QStringConverter::Utf8
                                 : e == TextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                 : e == TextEncoding::Utf16BE ? QStringConverter::Utf16BE
                                 : e == TextEncoding::Utf32LE ? QStringConverter::Utf32LE
                                                              : QStringConverter::Utf32BE);
        EXPECT_EQ(out, QByteArray(reference(whole)) + "\r\n");
      }
    }
  }
  // Windows-1252 keeps the undefined C1 byte and has no form for the rest.
  QByteArray out;
  TextCodec::Encoder encoder(
      TextEncoding::Windows1252, [&](QByteArrayView bytes) { out.append(bytes); }, 64);
  encoder.append(QLatin1StringView("\x80\x81\xE9"));
  encoder.append(QStringLiteral("\u20AC\U0001F600"));
  encoder.finish();
  EXPECT_EQ(out, QByteArray("?\x81\xE9\x80??"));
}

TEST(TextCodec, SurrogatesAcrossTextsAndWithoutPartners) {
  auto encoded = [](std::initializer_list<QString> texts, TextEncoding e) {
    QByteArray out;
    TextCodec::Encoder encoder(
        e, [&](QByteArrayView bytes) { out.append(bytes); }, 64);
    for (const QString& t : texts) encoder.append(t);
    encoder.finish();
    return out;
  };
  const QString high(QChar(0xD83D)), low(QChar(0xDE00));
  // A pair cut between two texts is one character.
  EXPECT_EQ(encoded({"x" + high, low + "y"}, TextEncoding::Utf8), QByteArray("x\xF0\x9F\x98\x80y"));
  EXPECT_EQ(encoded({"x" + high, low}, TextEncoding::Utf32BE),
            TextCodec::encode(QStringLiteral("x\U0001F600"), TextEncoding::Utf32BE));
  // Alone, a surrogate has no UTF-8 form: U+FFFD takes its place, at the end
  // of a text too, and it takes the bytes encodedSize() counts.
  const QByteArray fffd("\xEF\xBF\xBD");
  EXPECT_EQ(encoded({"x" + high, "y"}, TextEncoding::Utf8), "x" + fffd + "y");
  EXPECT_EQ(encoded({"x" + high}, TextEncoding::Utf8), "x" + fffd);
  EXPECT_EQ(encoded({low + "x"}, TextEncoding::Utf8), fffd + "x");
  for (const QString& text : {"a" + high, low + high + "b"}) {
    const QByteArray bytes = TextCodec::encode(text, TextEncoding::Utf8);
    EXPECT_EQ(bytes.size(), TextCodec::encodedSize(text, TextEncoding::Utf8));
    EXPECT_TRUE(bytes.endsWith(text.endsWith(u'b') ? "b" : fffd));
  }
  // UTF-16 keeps them as they are.
  EXPECT_EQ(encoded({"x" + high, "y"}, TextEncoding::Utf16LE),
            TextCodec::encode("x" + high + "y", TextEncoding::Utf16LE));
}
