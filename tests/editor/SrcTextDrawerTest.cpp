#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <iterator>
#include <vector>

#include "editor/SrcTextDrawer.h"
#include "tests/editor/TextRecordingDevice.h"

namespace {


QFont TestFont() {
  QFont f(QStringLiteral("Monospace"), 11);
  f.setStyleHint(QFont::TypeWriter);
  return f;
}

}  // namespace

TEST(SrcTextDrawer, CellComesFromTheBaseStyle) {
  TSrcTextDrawer drawer(0, TestFont());
  const int w = drawer.CharWidth();
  const int h = drawer.CharHeight();
  EXPECT_GE(w, 1);
  EXPECT_GE(h, 1);
  drawer.SetStyle(fsBold | fsItalic);
  EXPECT_EQ(drawer.CharWidth(), w);
  EXPECT_EQ(drawer.CharHeight(), h);
  drawer.SetCharExtra(3);
  EXPECT_EQ(drawer.CharWidth(), w + 3);
}

TEST(SrcTextDrawer, MissingFontRaises) {
  TSrcTextDrawer drawer(0, TestFont());
  try {
    drawer.SetBaseFont(nullptr);
    FAIL() << "no exception";
  } catch (const ESrcTextDrawerException& e) {
    EXPECT_EQ(e.Message(), "SetBaseFont: 'Value' must be specified.");
  }
  try {
    TSrcFontStock stock(TestFont());
    stock.SetBaseFont(nullptr);
    FAIL() << "no exception";
  } catch (const ESrcFontStockException& e) {
    EXPECT_EQ(e.Message(), "SetBaseFont: 'Value' must be specified.");
  }
}

TEST(SrcTextDrawer, ExtTextOutUsesTheGrid) {
  TSrcTextDrawer drawer(0, TestFont());
  TTextRecordingDevice device(800);
  QPainter painter(&device);
  drawer.BeginDraw(&painter);
  drawer.ExtTextOut(10, 5, 0, QRect(), u"abc");
  drawer.EndDraw();
  painter.end();
  const auto& texts = device.engine.texts;
  ASSERT_EQ(texts.size(), 3u);
  const int w = drawer.CharWidth();
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(texts[i].pos.x(), 10.0 + i * w);
    EXPECT_EQ(texts[i].text, QString(QChar(u'a' + i)));
  }
  EXPECT_EQ(drawer.DistanceArrayLength(), 64);
  QString longText(100, QLatin1Char('x'));
  QPainter again(&device);
  drawer.BeginDraw(&again);
  drawer.ExtTextOut(0, 0, 0, QRect(), longText);
  drawer.EndDraw();
  EXPECT_EQ(drawer.DistanceArrayLength(), 128);
}

TEST(SrcTextDrawer, WideCharactersTakeTwoCells) {
  TSrcTextDrawer drawer(0, TestFont());
  TTextRecordingDevice device(800);
  QPainter painter(&device);
  drawer.BeginDraw(&painter);
  drawer.ExtTextOut(10, 5, 0, QRect(), u"a\u65E5\uFF21b\U0001F600c");  // a日Ａb😀c
  drawer.EndDraw();
  painter.end();
  const int w = drawer.CharWidth();
  const struct {
    QString text;
    int cell, cells;
  } expected[] = {{"a", 0, 1}, {QStringLiteral("\u65E5"), 1, 2},     {QStringLiteral("\uFF21"), 3, 2},
                  {"b", 5, 1}, {QStringLiteral("\U0001F600"), 6, 2}, {"c", 8, 1}};
  const auto& texts = device.engine.texts;
  ASSERT_EQ(texts.size(), std::size(expected));
  for (size_t i = 0; i < texts.size(); ++i) {
    const auto& e = expected[i];
    EXPECT_EQ(texts[i].text, e.text);
    const double x = texts[i].pos.x(), from = 10.0 + e.cell * w;
    if (e.cells == 1) {
      EXPECT_DOUBLE_EQ(x, from) << i;
    } else {
      // Within its two cells, the middle when the glyph is narrower.
      EXPECT_GE(x, from) << i;
      EXPECT_LT(x, from + w) << i;
    }
  }
}

TEST(SrcTextDrawer, NestedBeginDrawRestoresAtTheMatchingEnd) {
  TSrcTextDrawer drawer(0, TestFont());
  QImage image(50, 20, QImage::Format_RGB32);
  QPainter painter(&image);
  const QFont before = painter.font();
  drawer.BeginDraw(&painter);
  drawer.BeginDraw(&painter);
  EXPECT_EQ(painter.font(), drawer.FontStock().FontHandle());
  drawer.EndDraw();
  EXPECT_TRUE(drawer.Drawing());
  EXPECT_EQ(painter.font(), drawer.FontStock().FontHandle());
  drawer.EndDraw();
  EXPECT_FALSE(drawer.Drawing());
  EXPECT_EQ(painter.font(), before);
  EXPECT_THROW(drawer.EndDraw(), ESrcTextDrawerException);
  QImage other(5, 5, QImage::Format_RGB32);
  QPainter otherPainter(&other);
  drawer.BeginDraw(&painter);
  EXPECT_THROW(drawer.BeginDraw(&otherPainter), ESrcTextDrawerException);
  drawer.EndDraw();
}

TEST(SrcFontStock, EqualBaseFontsShareOneRecord) {
  auto& manager = TSrcFontsInfoManager::Instance();
  const int before = manager.Count();
  QFont a = TestFont();
  QFont b = TestFont();
  b.setItalic(true);
  b.setUnderline(true);
  {
    TSrcFontStock s1(a);
    TSrcFontStock s2(b);
    EXPECT_EQ(s1.FontsInfo(), s2.FontsInfo());
    EXPECT_EQ(manager.Count(), before + 1);
    QFont c = TestFont();
    c.setPointSize(20);
    TSrcFontStock s3(c);
    EXPECT_NE(s3.FontsInfo(), s1.FontsInfo());
    EXPECT_EQ(manager.Count(), before + 2);
  }
  EXPECT_EQ(manager.Count(), before);
}

TEST(SrcTextDrawer, StyleBitsOutweighANamedStyle) {
  // A desktop's font settings name the style ("Book"): bold is still drawn
  // bold.
  QFont base = TestFont();
  base.setStyleName(QFontInfo(base).styleName());
  TSrcTextDrawer drawer(0, base);
  const auto ink = [&drawer](TFontStyles style) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawer.BeginDraw(&painter);
    drawer.SetForeground(clBlack);
    drawer.SetStyle(style);
    drawer.ExtTextOut(2, 2, 0, QRect(), u"MW");
    drawer.EndDraw();
    painter.end();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y).lightness() < 128;
    return n;
  };
  EXPECT_GT(ink(fsBold), ink(0) * 11 / 10);
}
