#include <gtest/gtest.h>

#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <functional>

#include "platform/CodePage.h"
#include "platform/Graphic.h"
#include "platform/RtfReader.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

TRichTextDocument Read(const char* rtf) { return RtfReader::Read(QByteArray(rtf)); }

const char* kTables =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New Roman;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}";

TEST(RtfReader, PlainParagraphUsesTheDefaultFont) {
  const TRichTextDocument doc = Read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard Hi\\par}");
  ASSERT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(doc.Line(0).Text(), QStringLiteral("Hi"));
  ASSERT_EQ(doc.Line(0).Runs.size(), 1u);
  EXPECT_EQ(doc.Line(0).Runs[0].Font, doc.DefaultAttributes());
  EXPECT_EQ(doc.DefaultAttributes().Name, QStringLiteral("Arial"));
  EXPECT_EQ(doc.DefaultAttributes().Size, 12);
  EXPECT_EQ(doc.DefaultAttributes().Color, clBlack);
}

TEST(RtfReader, CharacterFormattingGroupsAndTables) {
  const QByteArray rtf =
      QByteArray(kTables) + "\\f1\\fs20 a{\\b\\i b}\\cf1 c\\cf0\\ul d\\ulnone\\strike e\\strike0 \\cf9 f\\f7 g\\par}";
  const TRichTextDocument doc = RtfReader::Read(rtf);
  ASSERT_EQ(doc.LineCount(), 1);
  const auto& runs = doc.Line(0).Runs;
  ASSERT_EQ(runs.size(), 7u);
  EXPECT_EQ(runs[0].Text, QStringLiteral("a"));
  EXPECT_EQ(runs[0].Font.Name, QStringLiteral("Times New Roman"));
  EXPECT_EQ(runs[0].Font.Size, 10);
  EXPECT_EQ(runs[1].Text, QStringLiteral("b"));
  EXPECT_EQ(runs[1].Font.Style, fsBold | fsItalic);
  EXPECT_EQ(runs[2].Font.Color, clRed);
  EXPECT_EQ(runs[2].Font.Style, 0);
  EXPECT_EQ(runs[3].Font.Style, fsUnderline);
  EXPECT_EQ(runs[4].Font.Style, fsStrikeOut);
  // An unknown colour is the automatic one; an unknown font the default one.
  EXPECT_EQ(runs[5].Text, QStringLiteral("f"));
  EXPECT_EQ(runs[5].Font.Color, clBlack);
  EXPECT_EQ(runs[5].Font.Name, QStringLiteral("Times New Roman"));
  EXPECT_EQ(runs[6].Text, QStringLiteral("g"));
  EXPECT_EQ(runs[6].Font.Name, QStringLiteral("Arial"));
}

TEST(RtfReader, ParagraphsAlignmentAndBullets) {
  const QByteArray rtf = QByteArray(kTables) +
                         "\\pard one\\par\\qc two\\par\\pard\\qr three\\line four\\par"
                         "{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}\\pard item\\par"
                         "\\pard\\par}";
  const TRichTextDocument doc = RtfReader::Read(rtf);
  ASSERT_EQ(doc.LineCount(), 6);
  EXPECT_EQ(doc.Line(0).Paragraph, TRichParagraph());
  EXPECT_EQ(doc.Line(1).Paragraph.Alignment, TAlignment::taCenter);
  EXPECT_EQ(doc.Line(2).Text(), QStringLiteral("three"));
  EXPECT_EQ(doc.Line(2).Paragraph.Alignment, TAlignment::taRightJustify);
  EXPECT_EQ(doc.Line(3).Text(), QStringLiteral("four"));
  EXPECT_EQ(doc.Line(4).Text(), QStringLiteral("item"));
  EXPECT_EQ(doc.Line(4).Paragraph.Numbering, TNumberingStyle::nsNone);  // \pard after the \pn group
  EXPECT_EQ(doc.Line(5).Text(), QString());
  const TRichTextDocument bullet = Read("{\\rtf1{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}item\\par\\pard plain\\par}");
  ASSERT_EQ(bullet.LineCount(), 2);
  EXPECT_EQ(bullet.Line(0).Paragraph.Numbering, TNumberingStyle::nsBullet);
  EXPECT_EQ(bullet.Line(1).Paragraph.Numbering, TNumberingStyle::nsNone);
}

TEST(RtfReader, SpecialCharactersAndCodePages) {
  const TRichTextDocument doc = Read(
      "{\\rtf1\\ansi caf\\'e9 \\u8364?\\uc2\\u8212\\'97\\'97 \\{x\\}\\\\ \\tab\\emdash\\~{\\*\\unknown skip}"
      "{\\info{\\title t}}{\\pict 0102}\\par}");
  ASSERT_EQ(doc.LineCount(), 1);
  EXPECT_EQ(doc.Line(0).Text(), QStringLiteral("caf\u00E9 \u20AC\u2014 {x}\\ \t\u2014\u00A0"));

  const TRichTextDocument greek = Read("{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2\\par}");
  EXPECT_EQ(greek.Line(0).Text(), QStringLiteral("\u03B1\u03B2"));
  // Two escapes of a double-byte code page form one character.
  const TRichTextDocument chinese =
      Read("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'d6\\'d0\\'ce\\'c4\\par}");
  EXPECT_EQ(chinese.Line(0).Text(), QStringLiteral("\u4E2D\u6587"));
  // Negative \u values count from 65536.
  EXPECT_EQ(Read("{\\rtf1 \\u-4064?\\par}").Line(0).Text(), QString(QChar(0xF020)));
}

TEST(RtfReader, MalformedInputFailsWithAClearError) {
  const auto fails = [](const QByteArray& rtf) {
    try {
      RtfReader::Read(rtf);
    } catch (const ERtfError& e) {
      return !e.Message().isEmpty();
    }
    return false;
  };
  for (const QByteArray& rtf :
       {QByteArray("plain text"), QByteArray(), QByteArray("{\\rtf1 open"), QByteArray("{\\rtf1 a}}"),
        QByteArray("{\\rtf1 a} trailing"), QByteArray("{\\rtf1 \\'zz}"), QByteArray("{\\rtf1 \\'4"),
        QByteArray("{\\rtf1 \\bin999999 ab}"), QByteArray("{\\rtf1 \\"),
        QByteArray("{\\rtf1 ") + QByteArray(100000, '{'),
        QByteArray("{\\rtf1 ") + QByteArray(RtfReader::MaxDepth, '{') + QByteArray(RtfReader::MaxDepth + 1, '}')})
    EXPECT_TRUE(fails(rtf)) << rtf.left(30).toStdString();

  // Nesting up to the limit is fine, and huge numbers are clamped.
  const QByteArray deep =
      QByteArray("{\\rtf1 ") + QByteArray(RtfReader::MaxDepth - 1, '{') + "x" + QByteArray(RtfReader::MaxDepth, '}');
  EXPECT_EQ(RtfReader::Read(deep).Line(0).Text(), QStringLiteral("x"));
  const TRichTextDocument huge = Read("{\\rtf1 \\fs99999999999999999 a\\cf-5 b\\u99999999 c\\uc99999 \\par}");
  EXPECT_EQ(huge.Line(0).Runs[0].Font.Size, 1638);
  EXPECT_EQ(huge.Line(0).Text().left(2), QStringLiteral("ab"));
}

// An RTF document to import or a picture to load that turns out to be a pipe,
// a link to a device or a folder is refused at once, unopened; a file is read
// whole, and a missing one gives the system's reason.
TEST(RtfReader, ImportsAndPicturesRefuseAPipeOrDeviceAtOnce) {
  class TBytesGraphic : public TGraphic {
   public:
    void Draw(QPainter&, const QRect&) override {}
    bool GetEmpty() const override { return bytes.isEmpty(); }
    int GetWidth() const override { return 1; }
    int GetHeight() const override { return 1; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadFromStream(QIODevice& stream) override { bytes = stream.readAll(); }
    void SaveToStream(QIODevice&) override {}
    void LoadFromClipboardFormat(const QMimeData&) override {}
    void SaveToClipboardFormat(QMimeData&) override {}
    QByteArray bytes;
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TFifoWatch fifos;
  const QString pipe = dir.filePath("pipe.rtf");
  ASSERT_TRUE(fifos.Make(pipe));
  const QString toNull = dir.filePath("to-null.rtf");
  if (const std::string why = MakeDeviceNode(dir.filePath("null"), TDeviceNode::Null); !why.empty())
    GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(dir.filePath("null"), toNull));
  const QString folder = dir.filePath("folder.rtf");
  ASSERT_TRUE(QDir().mkdir(folder));
  const auto message = [](const std::function<void()>& read) -> QString {
    try {
      read();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "read";
  };
  for (const QString& path : {pipe, toNull, folder}) {
    const QString refusal = "Cannot open file \"" + path + "\". It is not a regular file.";
    EXPECT_EQ(message([&] { RtfReader::ReadFile(path); }), refusal);
    TBytesGraphic graphic;
    EXPECT_EQ(message([&] { graphic.LoadFromFile(path); }), refusal);
  }
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(EntryKind(toNull), 'l');

  const QString file = dir.filePath("a.rtf");
  ASSERT_TRUE(WriteFileBytes(file, "{\\rtf1\\ansi Hello}"));
  EXPECT_EQ(RtfReader::ReadFile(file).Line(0).Text(), "Hello");
  TBytesGraphic graphic;
  graphic.LoadFromFile(file);
  EXPECT_EQ(graphic.bytes, "{\\rtf1\\ansi Hello}");
  const QString missing = dir.filePath("missing.rtf");
  EXPECT_EQ(message([&] { RtfReader::ReadFile(missing); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
}

TEST(CodePage, CharsetNamesAndDecoding) {
  const std::pair<const char*, int> names[] = {
      {"GB2312_CHARSET", 134},  {"ARABIC_CHARSET", 178},     {"BALTIC_CHARSET", 186}, {"CHINESEBIG5_CHARSET", 136},
      {"DEFAULT_CHARSET", 1},   {"EASTEUROPE_CHARSET", 238}, {"GREEK_CHARSET", 161},  {"HEBREW_CHARSET", 177},
      {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},       {"TURKISH_CHARSET", 162}};
  for (const auto& [name, number] : names) EXPECT_EQ(CodePage::CharsetFromName(QLatin1String(name)), number) << name;
  EXPECT_FALSE(CodePage::CharsetFromName(QStringLiteral("greek_charset")));
  EXPECT_FALSE(CodePage::CharsetFromName(QStringLiteral("ANSI_CHARSET")));

  // The code pages themselves are checked through language modules of every character set.
  EXPECT_EQ(CodePage::Decode("\x80\x81", 1), QStringLiteral("\u20AC\u0081"));

  // Text of ASCII bytes alone is taken as it stands: every code page must
  // read those bytes so, and a byte above them still goes through the page.
  QByteArray ascii;
  for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
  for (const auto& [name, number] : names) {
    QStringDecoder page(CodePage::CodecName(number).toLatin1().constData());
    ASSERT_TRUE(page.isValid()) << name;
    EXPECT_EQ(page.decode(ascii), QString::fromLatin1(ascii)) << name;
    EXPECT_EQ(CodePage::Decode(ascii, number), QString::fromLatin1(ascii)) << name;
  }
  EXPECT_EQ(CodePage::Decode("ab\xE9", 204), QStringLiteral("ab\u0439"));
  EXPECT_EQ(CodePage::Decode("ab\xE9", 1), QStringLiteral("ab\u00E9"));
}

}  // namespace
