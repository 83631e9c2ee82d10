#include <gtest/gtest.h>

#include <QLocale>

#include "editor/SrcEditPrintHeaderFooter.h"
#include "tests/editor/PrintTestSupport.h"

TEST(PrintMargins, PixelPositionsOnTheA4PageWithoutPrinter) {
  TRecordingCanvas canvas;
  TSrcEditPrinterInfo info;
  EXPECT_EQ(info.PhysicalWidth(), 2481);
  EXPECT_EQ(info.PhysicalHeight(), 3507);
  EXPECT_EQ(info.RightGutter(), 58);
  EXPECT_EQ(info.BottomGutter(), 50);
  EXPECT_EQ(info.PixFromLeft(25), 230);

  TSrcEditPrintMargins m;
  const struct {
    bool mirror;
    double gutter;
    int page;
    bool lineNumbers;
    int left, right;
  } cases[] = {
      {false, 0, 1, false, 230, 2239},  // 25 mm, and 15 mm from the right
      {false, 0, 2, false, 230, 2239},  // no mirroring: every page alike
      {true, 10, 1, false, 348, 2239},  // 25 + 10 mm on the left
      {true, 10, 2, false, 112, 2003},  // 15 mm on the left, 25 + 10 mm on the right
      {false, 0, 1, true, 355, 2239},   // "250: " is 5 characters of 25 pixels
  };
  for (const auto& c : cases) {
    m.MirrorMargins = c.mirror;
    m.SetGutter(c.gutter);
    m.LayoutPage(canvas, c.page, info, c.lineNumbers, false, 250);
    EXPECT_EQ(m.PLeft, c.left) << c.page << c.mirror;
    EXPECT_EQ(m.PRight, c.right) << c.page << c.mirror;
  }
  m.LayoutPage(canvas, 1, info, true, true, 250);
  EXPECT_EQ(m.PLeft, 230) << "numbers in the margin leave the text in place";
  m.SetGutter(0);
  m.LayoutPage(canvas, 1, info, false, false, 0);
  EXPECT_EQ(m.PTop, 245);
  EXPECT_EQ(m.PBottom, 3162);
  EXPECT_EQ(m.PHeader, 127);
  EXPECT_EQ(m.PFooter, 3280);
  EXPECT_EQ(m.PHFInternalMargin, 6);
  EXPECT_EQ(m.PLeftHFTextIndent, 254);
  EXPECT_EQ(m.PRightHFTextIndent, 2215);

  // Margins that leave no room still give the text a pixel.
  m.SetLeft(150);
  m.SetRight(150);
  m.SetTop(200);
  m.SetBottom(200);
  m.LayoutPage(canvas, 1, info, false, false, 0);
  EXPECT_EQ(m.PRight, m.PLeft + 1);
  EXPECT_EQ(m.PBottom, m.PTop + 1);
}

TEST(PrintMargins, UnitSystems) {
  const struct {
    TUnitSystem unit;
    double value, mm;
  } cases[] = {{usMM, 25, 25}, {usCM, 2.5, 25}, {usInch, 1, 25.4}, {muThousandthsOfInches, 1000, 25.4}};
  for (const auto& c : cases) {
    TSrcEditPrintMargins m;
    m.UnitSystem = c.unit;
    EXPECT_DOUBLE_EQ(m.ToMM(m.Left()), 25) << "defaults stay millimetres inside";
    m.SetTop(c.value);
    EXPECT_DOUBLE_EQ(m.Top(), c.value);
    m.UnitSystem = usMM;
    EXPECT_DOUBLE_EQ(m.Top(), c.mm);
  }
}

TEST(PrintHeaderFooter, RomanNumerals) {
  const struct {
    int n;
    const char* roman;
  } cases[] = {{14, "XIV"}, {1994, "MCMXCIV"}, {3999, "MMMCMXCIX"}, {4, "IV"}, {49, "XLIX"}, {0, ""}, {-3, ""}};
  for (const auto& c : cases) EXPECT_EQ(IntToRoman(c.n), c.roman) << c.n;
}

TEST(PrintHeaderFooter, MacrosExpand) {
  TRecordingCanvas canvas;
  TSrcEditPrintMargins margins;
  THeader header;
  const QDateTime when(QDate(2024, 3, 9), QTime(14, 5));
  header.InitPrint(canvas, 7, "Doc", margins, when);
  const QLocale locale;
  const QString date = locale.toString(when.date(), QLocale::ShortFormat);
  const QString time = locale.toString(when.time(), QLocale::ShortFormat);
  const struct {
    const char* text;
    QString expanded;
  } cases[] = {
      {"$pagenum$ of $PAGECOUNT$", "3 of 7"}, {"$Title$: $FOO$ $TITLE$", "Doc: $FOO$ Doc"},
      {"$5 and $$PAGENUM$", "$5 and $3"},     {"$DATETIME$|$TIMEDATE$", date + u' ' + time + u'|' + time + u' ' + date},
      {"$DATE$ $TIME$", date + u' ' + time},  {"100$", "100$"},
  };
  for (const auto& c : cases) EXPECT_EQ(header.GetText({c.text, {}, {}}, 3), c.expanded) << c.text;
  header.RomanNumbers = true;
  EXPECT_EQ(header.GetText({"$PAGENUM$/$PAGECOUNT$", {}, {}}, 14), "XIV/7");
}

TEST(PrintHeaderFooter, LayoutOfLinesFramesAndAlignment) {
  TRecordingCanvas canvas;
  TSrcEditPrinterInfo info;
  TSrcEditPrintMargins margins;
  margins.LayoutPage(canvas, 1, info, false, false, 0);

  THeader empty;
  empty.InitPrint(canvas, 1, {}, margins, QDateTime::currentDateTime());
  EXPECT_EQ(empty.Height(), -1);
  empty.Print(canvas, 1);
  EXPECT_TRUE(canvas.Ops.empty()) << "no items: no room and no frame";

  THeader header;
  header.MirrorPosition = true;
  header.FrameTypes = ftLine | ftBox;
  header.Add("right", nullptr, 1, 5);
  header.Add("left", nullptr, 0, 2);
  header.Add("mid", nullptr, 2, 5);
  header.InitPrint(canvas, 1, {}, margins, QDateTime::currentDateTime());
  EXPECT_EQ(header.Height(), 2 * 40 + 2 * 6);
  header.Print(canvas, 1);
  header.Print(canvas, 2);
  const auto texts = canvas.Texts();
  ASSERT_EQ(texts.size(), 6u);
  const int top = 127 - 92 + 6;  // header position - height + internal margin
  const struct {
    const char* text;
    int x, y;
  } expected[] = {
      {"left", 254, top + 32},
      {"right", 2215 - 125, top + 40 + 32},
      {"mid", (254 + 2215) / 2 - 37, top + 72},
      {"left", 2215 - 100, top + 32},
      {"right", 254, top + 72},
      {"mid", (254 + 2215) / 2 - 37, top + 72},
  };
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].text, expected[i].text);
    EXPECT_EQ(texts[i].x, expected[i].x) << i;
    EXPECT_EQ(texts[i].y, expected[i].y) << i;
  }
  const auto& box = canvas.Ops[0];
  EXPECT_EQ(box.kind, TRecordingCanvas::opRect);
  EXPECT_EQ(box.y, 127 - 92);
  EXPECT_FALSE(box.background.isValid()) << "a box without shading is hollow";
  EXPECT_EQ(canvas.Ops[1].kind, TRecordingCanvas::opLine);
  EXPECT_EQ(canvas.Ops[1].y, 127);
}
