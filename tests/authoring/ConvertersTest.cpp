#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "authoring/WtRgbToHtml.h"
#include "authoring/WtRichEditToHtml.h"
#include "authoring/WtStrToHtml.h"
#include "platform/Exceptions.h"
#include "platform/RtfReader.h"
#include "platform/SafeFile.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

TEST(WtRgbToHtml, ColourRules) {
  TWtRgbToHtml c;
  EXPECT_EQ(c.HtmlColor(), QStringLiteral("000000"));
  for (const auto& [rgb, html] : {std::pair{clRed, "FF0000"}, {0x00563412, "123456"}, {0x00ABCDEF, "EFCDAB"}}) {
    c.SetRgbColor(rgb);
    EXPECT_EQ(c.HtmlColor(), QLatin1String(html));
  }

  // A system colour is resolved to its present red, green and blue.
  c.SetRgbColor(clWindowText);
  EXPECT_EQ(c.RgbColor(), clWindowText);
  EXPECT_EQ(c.HtmlColor(), ToQColor(clWindowText).name().mid(1).toUpper());

  c.SetRgbColor(clBlue);
  c.SetHtmlColor(QStringLiteral("#FF0000"));
  EXPECT_EQ(c.RgbColor(), clBlue);
  EXPECT_EQ(c.HtmlColor(), QStringLiteral("0000FF"));
  c.SetHtmlColor(QStringLiteral("00ff00"));
  EXPECT_EQ(c.RgbColor(), clLime);
  EXPECT_EQ(c.HtmlColor(), QStringLiteral("00ff00"));
  for (const char* bad : {"zz0000", "+1ff00", " 1ff00", "", "0000000"}) {
    c.SetHtmlColor(QLatin1String(bad));
    EXPECT_EQ(c.RgbColor(), clLime) << bad;
    EXPECT_EQ(c.HtmlColor(), QStringLiteral("00ff00")) << bad;
  }
}

TEST(WtStrToHtml, PairTable) {
  const auto& pairs = TWtStrToHtml::Pairs();
  const std::pair<char16_t, const char*> named[] = {
      {34, "&quot;"},   {224, "&agrave;"}, {231, "&ccedil;"}, {233, "&eacute;"}, {232, "&egrave;"},
      {234, "&ecirc;"}, {249, "&ugrave;"}, {235, "&euml;"},   {60, "&lt;"},      {62, "&gt;"}};
  ASSERT_EQ(pairs.size(), 77u);  // the 79 rows less the two for "^" and "~"
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(pairs[i].Char, named[i].first);
    EXPECT_EQ(pairs[i].Entity, QLatin1String(named[i].second));
  }
  std::vector<int> numeric = {163, 167, 176, 178, 179, 181, 183, 188, 189, 191};
  for (int c = 192; c <= 207; ++c) numeric.push_back(c);
  for (int c = 209; c <= 214; ++c) numeric.push_back(c);
  for (int c = 217; c <= 221; ++c) numeric.push_back(c);
  for (int c = 223; c <= 239; ++c) numeric.push_back(c);
  for (int c = 241; c <= 247; ++c) numeric.push_back(c);
  for (int c = 249; c <= 253; ++c) numeric.push_back(c);
  numeric.push_back(255);
  ASSERT_EQ(numeric.size(), 67u);
  for (size_t i = 0; i < numeric.size(); ++i) {
    EXPECT_EQ(pairs[10 + i].Char, numeric[i]);
    EXPECT_EQ(pairs[10 + i].Entity, QStringLiteral("&#%1;").arg(numeric[i]));
  }
}

TEST(WtStrToHtml, BothDirections) {
  // Every character of the table encodes to its first entity and back, and
  // every entity of the table decodes to its character.
  for (const TWtEntityPair& pair : TWtStrToHtml::Pairs()) {
    const QString c(QChar(pair.Char));
    EXPECT_EQ(TWtStrToHtml::TextToHtml(TWtStrToHtml::HtmlToText(c)), c);
    EXPECT_EQ(TWtStrToHtml::TextToHtml(pair.Entity), c) << pair.Entity.toStdString();
  }
  EXPECT_EQ(TWtStrToHtml::CharToHtml(QChar(224)), QStringLiteral("&agrave;"));
  EXPECT_EQ(TWtStrToHtml::CharToHtml(QChar(192)), QStringLiteral("&#192;"));
  EXPECT_EQ(TWtStrToHtml::CharToHtml(QChar(u'x')), QStringLiteral("x"));
  EXPECT_EQ(TWtStrToHtml::HtmlToText(QStringLiteral("a<b>&c")), QStringLiteral("a&lt;b&gt;&c"));
  EXPECT_EQ(TWtStrToHtml::TextToHtml(QStringLiteral("&EACUTE;")), QStringLiteral("\u00E9"));
  EXPECT_EQ(TWtStrToHtml::TextToHtml(QStringLiteral("&#233;")), QStringLiteral("\u00E9"));
  EXPECT_EQ(TWtStrToHtml::TextToHtml(QStringLiteral("&amp;&nbsp;")), QStringLiteral("&amp;&nbsp;"));
  // Caret and tilde stay as they are, both ways.
  EXPECT_EQ(TWtStrToHtml::HtmlToText(QStringLiteral("^~")), QStringLiteral("^~"));
  EXPECT_EQ(TWtStrToHtml::TextToHtml(QStringLiteral("&#136;&#152;")), QStringLiteral("&#136;&#152;"));

  TWtStrToHtml s;
  s.SetHtml(QStringLiteral("\"x\""));
  EXPECT_EQ(s.Text(), QStringLiteral("&quot;x&quot;"));
  EXPECT_EQ(s.Html(), QString());
  s.SetText(QStringLiteral("&lt;p&gt;"));
  EXPECT_EQ(s.Html(), QStringLiteral("<p>"));
  EXPECT_EQ(s.Text(), QStringLiteral("&quot;x&quot;"));
}

TRichFont Font(const char* name, int size, TFontStyles style = 0, TColor color = clBlack) {
  return TRichFont{QLatin1String(name), size, color, style};
}

TEST(WtRichEditToHtml, FontAndParagraphTags) {
  TWtRichEditToHtml conv;
  EXPECT_EQ(conv.FontToHtml(Font("Arial", 10, fsBold | fsItalic)),
            QStringLiteral("<font color=\"#000000\" size=\"2\" face=\"Arial\"><b><i>"));
  EXPECT_EQ(conv.PendingFontClose(), QStringLiteral("</i></b></font>"));
  EXPECT_EQ(conv.FontToHtml(Font("Verdana", 12, fsBold | fsItalic | fsUnderline | fsStrikeOut, clRed)),
            QStringLiteral("<font color=\"#FF0000\" size=\"3\" face=\"Verdana\"><b><i><strike><u>"));
  EXPECT_EQ(conv.PendingFontClose(), QStringLiteral("</u></strike></i></b></font>"));

  const std::pair<int, int> sizes[] = {{1, 1},  {8, 1},  {9, 2},  {10, 2}, {11, 3}, {12, 3}, {14, 4},
                                       {16, 5}, {18, 5}, {20, 6}, {24, 6}, {25, 7}, {72, 7}};
  for (const auto& [points, html] : sizes) EXPECT_EQ(TWtRichEditToHtml::HtmlFontSize(points), html) << points;

  EXPECT_EQ(conv.ParagraphToHtml(TAlignment::taLeftJustify, TNumberingStyle::nsNone),
            QStringLiteral("<p align=\"left\">"));
  EXPECT_EQ(conv.PendingParagraphClose(), QStringLiteral("</p>"));
  EXPECT_EQ(conv.ParagraphToHtml(TAlignment::taRightJustify, TNumberingStyle::nsNone),
            QStringLiteral("<p align=\"right\">"));
  EXPECT_EQ(conv.ParagraphToHtml(TAlignment::taCenter, TNumberingStyle::nsBullet),
            QStringLiteral("<li><p align=\"center\">"));
  EXPECT_EQ(conv.PendingParagraphClose(), QStringLiteral("</p></li>"));

  EXPECT_FALSE(TWtRichEditToHtml::FontsDiffer(Font("Arial", 10), Font("Arial", 10)));
  EXPECT_TRUE(TWtRichEditToHtml::FontsDiffer(Font("Arial", 10), Font("arial", 10)));
  EXPECT_TRUE(TWtRichEditToHtml::FontsDiffer(Font("Arial", 10), Font("Arial", 11)));
  EXPECT_TRUE(TWtRichEditToHtml::FontsDiffer(Font("Arial", 10), Font("Arial", 10, fsUnderline)));
  EXPECT_TRUE(TWtRichEditToHtml::FontsDiffer(Font("Arial", 10), Font("Arial", 10, 0, clRed)));
  EXPECT_TRUE(TWtRichEditToHtml::ParagraphsDiffer({}, {TAlignment::taLeftJustify, TNumberingStyle::nsBullet}));
  EXPECT_FALSE(TWtRichEditToHtml::ParagraphsDiffer({}, {}));
}

TEST(WtRichEditToHtml, OneLineInTheDefaultFontGivesFiveLines) {
  TRichTextDocument doc;
  doc.Default = Font("Arial", 10);
  doc.Lines.push_back(TRichLine{{}, {TRichRun{QStringLiteral("Hi"), doc.Default}}});
  TWtRichEditToHtml conv;
  EXPECT_EQ(conv.ConvertToHtmlstringList(doc),
            (QStringList{QStringLiteral("<font color=\"#000000\" size=\"2\" face=\"Arial\">"), QStringLiteral("<br>Hi"),
                         QString(), QString(), QStringLiteral("</font>")}));
}

TEST(WtRichEditToHtml, TheTextIsShownAsWritten) {
  TRichTextDocument doc;
  doc.Default = Font("Arial", 10);
  doc.Lines.push_back(TRichLine{{}, {TRichRun{QStringLiteral("AT&T: &lt;b&gt; & &nbsp;"), doc.Default}}});
  TWtRichEditToHtml conv;
  EXPECT_EQ(conv.ConvertToHtmlstringList(doc).value(1),
            QStringLiteral("<br>AT&amp;T: &amp;lt;b&amp;gt; & &amp;nbsp;"));
  // A NUL or another control character of the document is left out; a tab
  // and what lies beyond the first plane stay.
  const QStringList html = conv.ConvertToHtmlstringList(
      RtfReader::Read("{\\rtf1\\ansi a\\u0?b\\u7?c\\tab d\\u-10179?\\u-8704?\\par}"));
  EXPECT_EQ(html.value(1), QStringLiteral("<br>abc\td\U0001F600"));
}

TEST(WtRichEditToHtml, ParagraphChangesAndBullets) {
  TRichTextDocument doc;
  doc.Default = Font("Arial", 10);
  const TRichParagraph centred{TAlignment::taCenter, TNumberingStyle::nsNone};
  const TRichParagraph bullet{TAlignment::taLeftJustify, TNumberingStyle::nsBullet};
  doc.Lines.push_back(TRichLine{{}, {TRichRun{QStringLiteral("a"), doc.Default}}});
  doc.Lines.push_back(TRichLine{centred, {TRichRun{QStringLiteral("b"), doc.Default}}});
  doc.Lines.push_back(TRichLine{bullet, {}});  // an empty line opens nothing
  doc.Lines.push_back(TRichLine{bullet, {TRichRun{QStringLiteral("c"), doc.Default}}});
  TWtRichEditToHtml conv;
  EXPECT_EQ(conv.ConvertToHtmlstringList(doc),
            (QStringList{QStringLiteral("<font color=\"#000000\" size=\"2\" face=\"Arial\">"), QStringLiteral("<br>a"),
                         QStringLiteral("<br><p align=\"center\">b"), QStringLiteral("<br>"),
                         QStringLiteral("<br></p><li><p align=\"left\">c"), QString(), QStringLiteral("</p></li>"),
                         QStringLiteral("</font>")}));
}

TEST(WtRichEditToHtml, GoldenHtmlOfAnRtfDocument) {
  const QByteArray rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}\n"
      "\\fs20 Hello {\\b bold} \\cf1 red\\par\n\\qc Centred <x>\\par\n\\pard \\'e9t\\'e9 a^b\\par}";
  const TRichTextDocument doc = RtfReader::Read(rtf);
  TWtRichEditToHtml conv;
  const QStringList html = conv.ConvertToHtmlstringList(doc);
  const QStringList expected = {QStringLiteral("<font color=\"#000000\" size=\"3\" face=\"Arial\">"),
                                QStringLiteral("<br><font color=\"#000000\" size=\"2\" face=\"Arial\">Hello </font>"
                                               "<font color=\"#000000\" size=\"2\" face=\"Arial\"><b>bold</b></font>"
                                               "<font color=\"#000000\" size=\"2\" face=\"Arial\"> </font>"
                                               "<font color=\"#FF0000\" size=\"2\" face=\"Arial\">red"),
                                QStringLiteral("<br><p align=\"center\">Centred &lt;x&gt;"),
                                QStringLiteral("<br></p><p align=\"left\">&eacute;t&eacute; a^b"),
                                QStringLiteral("</font>"),
                                QStringLiteral("</p>"),
                                QStringLiteral("</font>")};
  EXPECT_EQ(html, expected);

  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("rtfTemp.html"));
  conv.ConvertToHtml(doc, file);
  EXPECT_EQ(ReadFileBytes(file), (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
  EXPECT_THROW(conv.ConvertToHtml(doc, dir.filePath(QStringLiteral("missing/x.html"))), EStreamError);
  // A FIFO, or a link to a device, is refused by name and stays as it is.
  TFifoWatch fifos;
  const QString pipe = dir.filePath(QStringLiteral("pipe.html"));
  const QString toNull = dir.filePath(QStringLiteral("to-null.html"));
  ASSERT_TRUE(fifos.Make(pipe));
  const QString null = dir.filePath(QStringLiteral("null"));
  if (const std::string why = MakeDeviceNode(null, TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(::symlink("null", QFile::encodeName(toNull).constData()), 0);
  for (const QString& target : {pipe, toNull}) {
    try {
      conv.ConvertToHtml(doc, target);
      ADD_FAILURE() << "written: " << target.toStdString();
    } catch (const ENotRegularFile& e) {
      EXPECT_EQ(e.FileName(), target);
    }
  }
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(QFile::symLinkTarget(toNull), null);
  EXPECT_EQ(EntryKind(null), 'c');
  EXPECT_EQ(fifos.Opened(), QStringList());
}

TEST(WtRichEditToHtml, ValuesFromTheDocumentCannotOpenMarkup) {
  // Font names from the document's font table, and colours out of range or
  // given as system colours, stay inside their attribute values.
  const std::pair<const char*, const char*> faces[] = {
      {"Evil\"><script>alert(1)</script>", "Evil&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"a&b' onmouseover='x", "a&amp;b' onmouseover='x"},
      {"<img src=x onerror=y>", "&lt;img src=x onerror=y&gt;"}};
  TWtRichEditToHtml conv;
  for (const auto& [face, escaped] : faces) {
    EXPECT_EQ(conv.FontToHtml(Font(face, 10)),
              QStringLiteral("<font color=\"#000000\" size=\"2\" face=\"%1\">").arg(QLatin1String(escaped)));
    EXPECT_EQ(conv.FontToHtml(Font(face, 10, 0, clWindowText)).count(QLatin1Char('"')), 6) << face;
  }
  const QByteArray rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Evil\"><script>alert(1)</script>;}}"
      "{\\colortbl ;\\red999\\green-5\\blue300;}\\cf1 x\\par}";
  const QString html = conv.ConvertToHtmlstringList(RtfReader::Read(rtf)).join(QLatin1Char('\n'));
  EXPECT_FALSE(html.contains(QLatin1String("<script"))) << html.toStdString();
  EXPECT_TRUE(html.contains(QLatin1String("face=\"Evil&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\">")))
      << html.toStdString();
  static const QRegularExpression tag(QStringLiteral("<font color=\"#[0-9A-F]{6}\" size=\"[1-7]\" face=\"[^\"<>]*\">"));
  EXPECT_EQ(html.count(QStringLiteral("<font")), html.count(tag)) << html.toStdString();
}

TEST(WtRichEditToHtml, TextOutsideLatin1IsSavedAsUtf8) {
  TRichTextDocument doc;
  doc.Default = Font("Arial", 12);
  doc.Lines.push_back(TRichLine{{}, {TRichRun{QStringLiteral("\u4E2D\u20AC"), doc.Default}}});
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("out.html"));
  TWtRichEditToHtml().ConvertToHtml(doc, file);
  EXPECT_TRUE(ReadFileBytes(file).contains("<br>\xE4\xB8\xAD\xE2\x82\xAC\r\n"));
}

}  // namespace
