#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <stdexcept>
#include <string>
#include <vector>

#include "editor/SrcEditKbdHandler.h"
#include "editor/SrcEditMiscClasses.h"
#include "editor/SrcEditMiscProcs.h"

TEST(Gutter, LimitsAndNotifications) {
  TSrcGutter g;
  int changes = 0;
  g.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &g);
    ++changes;
  };
  g.SetDigitCount(1);
  EXPECT_EQ(g.DigitCount(), 2);
  g.SetDigitCount(20);
  EXPECT_EQ(g.DigitCount(), 12);
  EXPECT_EQ(changes, 2);
  g.SetDigitCount(12);  // unchanged: no notification
  EXPECT_EQ(changes, 2);
  g.SetLeftOffset(-5);
  g.SetRightOffset(-1);
  g.SetWidth(-3);
  EXPECT_EQ(g.LeftOffset(), 0);
  EXPECT_EQ(g.RightOffset(), 0);
  EXPECT_EQ(g.Width(), 0);
  g.SetFont(QFont("Monospace", 11));
  EXPECT_EQ(changes, 6);

  TSrcGutter defaults;
  EXPECT_FALSE(defaults.AutoSize());
  EXPECT_EQ(defaults.Color(), clBtnFace);
  EXPECT_EQ(defaults.DigitCount(), 4);
  EXPECT_EQ(defaults.LeftOffset(), 16);
  EXPECT_EQ(defaults.RightOffset(), 2);
  EXPECT_EQ(defaults.Width(), 30);
  EXPECT_TRUE(defaults.Visible());
  EXPECT_TRUE(defaults.UseFontStyle());
  EXPECT_EQ(defaults.Font().pointSize(), 8);
}

TEST(Gutter, WidthAndNumbers) {
  TSrcGutter g;
  EXPECT_EQ(g.RealGutterWidth(8), 30);  // no line numbers: Width
  g.SetShowLineNumbers(true);
  g.SetLeftOffset(15);
  g.SetRightOffset(2);
  EXPECT_EQ(g.RealGutterWidth(8), 15 + 2 + 32 + 2);
  g.SetVisible(false);
  EXPECT_EQ(g.RealGutterWidth(8), 0);
  g.SetVisible(true);

  EXPECT_EQ(g.FormatLineNumber(7), QStringLiteral("   7"));
  g.SetLeadingZeros(true);
  EXPECT_EQ(g.FormatLineNumber(7), QStringLiteral("0007"));
  g.SetZeroStart(true);
  EXPECT_EQ(g.FormatLineNumber(1), QStringLiteral("0000").left(3) + "0");
  g.SetLeadingZeros(false);
  EXPECT_EQ(g.FormatLineNumber(1), QStringLiteral("   0"));

  int changes = 0;
  g.OnChange = [&](TObject*) { ++changes; };
  g.AutoSizeDigitCount(123456);  // not auto-sizing: the digit count stays
  EXPECT_EQ(g.AutoSizeDigitCount(), 4);
  g.SetAutoSize(true);
  changes = 0;
  g.AutoSizeDigitCount(100001);  // zero start: 100000 is the highest number
  EXPECT_EQ(g.AutoSizeDigitCount(), 6);
  EXPECT_EQ(changes, 1);
  g.AutoSizeDigitCount(100001);
  EXPECT_EQ(changes, 1);
  g.AutoSizeDigitCount(12);
  EXPECT_EQ(g.AutoSizeDigitCount(), 4);  // never below DigitCount
  EXPECT_EQ(g.RealGutterWidth(10), 15 + 2 + 40 + 2);
}

TEST(OptionObjects, AssignCopiesAndNotifiesOnce) {
  TSrcGutter a, b;
  a.SetShowLineNumbers(true);
  a.SetDigitCount(7);
  a.SetColor(clRed);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.ShowLineNumbers());
  EXPECT_EQ(b.DigitCount(), 7);
  EXPECT_EQ(b.Color(), clRed);

  TSrcSelectedColor sel;
  EXPECT_EQ(sel.Background(), clHighlight);
  EXPECT_EQ(sel.Foreground(), clHighlightText);
  EXPECT_THROW(sel.Assign(&a), EConvertError);
  EXPECT_THROW(b.Assign(&sel), EConvertError);

  TSrcBookMarkOpt opt;
  EXPECT_TRUE(opt.DrawBookmarksFirst());
  EXPECT_TRUE(opt.EnableKeys());
  EXPECT_TRUE(opt.GlyphsVisible());
  EXPECT_EQ(opt.LeftMargin(), 2);
  EXPECT_EQ(opt.Xoffset(), 12);
  auto* images = new TImageList(12, 14);
  opt.SetBookmarkImages(images);
  EXPECT_EQ(opt.BookmarkImages(), images);
  delete images;  // the option learns of it
  EXPECT_EQ(opt.BookmarkImages(), nullptr);
}

namespace {

struct Recorder {
  std::vector<std::string>* log;
  std::string name;
  void Hit(TObject*) { log->push_back(name); }
  void Throw(TObject*) {
    log->push_back(name);
    throw std::runtime_error("boom");
  }
};

}  // namespace

TEST(MethodChain, AddRemoveFireAndErrors) {
  TObject sender;
  TSrcNotifyEventChain chain(&sender);
  std::vector<std::string> log;
  Recorder a{&log, "a"}, b{&log, "b"}, c{&log, "c"};
  const auto ma = TNotifyEvent::Bind<&Recorder::Hit>(&a);
  const auto mb = TNotifyEvent::Bind<&Recorder::Hit>(&b);
  const auto mc = TNotifyEvent::Bind<&Recorder::Throw>(&c);
  chain.Add(ma);
  chain.Add(mb);
  chain.Add(ma);
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a"}));
  chain.Remove(ma);  // both entries go
  EXPECT_EQ(chain.Count(), 1);

  try {
    chain.Add(TNotifyEvent());
    FAIL();
  } catch (const ESrcMethodChain& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("TSrcNotifyEventChain.Entry : the parameter `AEvent' must be specified."));
  }
  try {
    chain.Remove(TNotifyEvent());
    FAIL();
  } catch (const ESrcMethodChain& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("TSrcNotifyEventChain.Remove: the parameter `AEvent' must be specified."));
  }

  // Without an error handler the exception reaches the caller.
  chain.Add(mc);
  chain.Add(ma);
  log.clear();
  EXPECT_THROW(chain.Fire(), std::runtime_error);
  EXPECT_EQ(log, (std::vector<std::string>{"b", "c"}));

  // With one, the chain goes on or stops as the handler says.
  bool goOn = true;
  int errors = 0;
  chain.OnHandlerError = [&](TSrcMethodChain* s, const std::exception& e, bool& doContinue) {
    EXPECT_EQ(s, &chain);
    EXPECT_STREQ(e.what(), "boom");
    ++errors;
    doContinue = goOn;
  };
  log.clear();
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"b", "c", "a"}));
  goOn = false;
  log.clear();
  chain.Fire();
  EXPECT_EQ(log, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(errors, 2);
}

namespace {

struct KeyLog {
  std::vector<std::string>* log;
  std::string name;
  bool eat = false;
  void Down(TObject*, std::uint16_t& key, TShiftState) {
    log->push_back(name);
    if (eat) key = 0;
  }
  void Press(TObject*, QChar& c) {
    log->push_back(name);
    if (eat) c = QChar();
  }
};

}  // namespace

TEST(KbdHandler, LastAddedFirstAndEatenKeysStop) {
  TSrcEditKbdHandler h;
  std::vector<std::string> log;
  KeyLog host{&log, "host"}, x{&log, "x"}, y{&log, "y"};
  h.SetOnKeyDown(TKeyEvent::Bind<&KeyLog::Down>(&host));
  h.SetOnKeyPress(TKeyPressEvent::Bind<&KeyLog::Press>(&host));
  h.AddKeyDownHandler(TKeyEvent::Bind<&KeyLog::Down>(&x));
  h.AddKeyDownHandler(TKeyEvent::Bind<&KeyLog::Down>(&y));
  h.AddKeyPressHandler(TKeyPressEvent::Bind<&KeyLog::Press>(&x));

  std::uint16_t key = 65;
  h.ExecuteKeyDown(nullptr, key, ssShift);
  EXPECT_EQ(log, (std::vector<std::string>{"y", "x", "host"}));
  log.clear();
  y.eat = true;
  key = 65;
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"y"}));
  EXPECT_EQ(key, 0);

  log.clear();
  QChar c(u'q');
  h.ExecuteKeyPress(nullptr, c);
  EXPECT_EQ(log, (std::vector<std::string>{"x", "host"}));

  h.RemoveKeyDownHandler(TKeyEvent::Bind<&KeyLog::Down>(&y));
  log.clear();
  key = 65;
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"x", "host"}));
}

TEST(KbdHandler, NestedDispatchOfTheSameKindIsIgnored) {
  TSrcEditKbdHandler h;
  int calls = 0;
  struct Reenter {
    TSrcEditKbdHandler* h;
    int* calls;
    void Down(TObject*, std::uint16_t&, TShiftState) {
      ++*calls;
      std::uint16_t k = 1;
      h->ExecuteKeyDown(nullptr, k, 0);
    }
  } r{&h, &calls};
  h.AddKeyDownHandler(TKeyEvent::Bind<&Reenter::Down>(&r));
  std::uint16_t key = 9;
  h.ExecuteKeyDown(nullptr, key, 0);
  EXPECT_EQ(calls, 1);
}

TEST(InternalImage, SharedStripOfTenGlyphs) {
  EXPECT_EQ(TSrcInternalImage::SharedCount(), 0);
  {
    TSrcInternalImage a(QString::fromLatin1(kSrcEditInternalImages), kSrcEditInternalImageCount);
    TSrcInternalImage b(QStringLiteral("srcEDITinternalIMAGES"), kSrcEditInternalImageCount);
    EXPECT_EQ(TSrcInternalImage::SharedCount(), 1);
    EXPECT_GT(a.Width(), 0);
    EXPECT_GT(a.Height(), 0);

    QImage canvas(40, 40, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
      QPainter p(&canvas);
      a.Draw(p, 10, 0, 0, 40);  // out of range: nothing
      a.Draw(p, -1, 0, 0, 40);
    }
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(canvas.pixel(x, y), qRgb(255, 255, 255));
    {
      QPainter p(&canvas);
      a.Draw(p, 3, 0, 0, 40);  // centred in a tall line
    }
    EXPECT_EQ(canvas.pixel(a.Width() / 2, 0), qRgb(255, 255, 255));
    EXPECT_NE(canvas.pixel(1, 20), qRgb(255, 255, 255));  // the tag's edge
  }
  EXPECT_EQ(TSrcInternalImage::SharedCount(), 0);
}

TEST(MiscProcs, ScanningAndPoints) {
  EXPECT_EQ(Clamp(5, 1, 3), 3);
  EXPECT_EQ(Clamp(-5, 1, 3), 1);
  int a = 1, b = 2;
  SwapInts(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ((LaterPoint({9, 1}, {1, 2})), (TPoint{1, 2}));
  EXPECT_EQ((EarlierPoint({9, 1}, {3, 1})), (TPoint{3, 1}));
  EXPECT_TRUE(IsPowerOfTwo(65536));
  EXPECT_FALSE(IsPowerOfTwo(1));
  EXPECT_FALSE(IsPowerOfTwo(131072));
  EXPECT_FALSE(IsPowerOfTwo(12));

  int before = -1;
  EXPECT_TRUE(HasTabs(u"ab\tc", before));
  EXPECT_EQ(before, 2);
  EXPECT_FALSE(HasTabs(u"abc", before));
  EXPECT_EQ(ExpandTabs(QStringLiteral("abc\tx"), 8), QStringLiteral("abc\t\t\t\t\tx"));  // 5 fillers
  EXPECT_EQ(ExpandTabs(QStringLiteral("abc\tx"), 1), QStringLiteral("abc x"));

  // Wide characters: the TAB stops count their two cells; the printer's
  // expansion keeps them as they are, the grid text adds their fillers.
  EXPECT_EQ(ExpandTabs(QStringLiteral("\u4E2D\tx"), 4), QStringLiteral("\u4E2D\t\tx"));
  EXPECT_EQ(GridText(QStringLiteral("\u4E2D\tx"), 4), QStringLiteral("\u4E2D\uFFFF\t\tx"));
  EXPECT_EQ(GridText(QStringLiteral("\u4E2D\tx"), 1), QStringLiteral("\u4E2D\uFFFF x"));
  EXPECT_TRUE(IsWideFiller(u"\u4E2D\uFFFF\uFFFF", 2));
  EXPECT_FALSE(IsWideFiller(u"\u4E2D\uFFFF\uFFFF", 3)) << "the text's own U+FFFF";

  const QString text = QStringLiteral("a,b;c");
  EXPECT_EQ(ScanForCharInSet(text, 1, u",;"), 2);
  EXPECT_EQ(ScanForCharInSet(text, 3, u",;"), 4);
  EXPECT_EQ(ScanForCharInSet(text, 5, u",;"), 0);
  EXPECT_EQ(ScanBackForCharInSet(text, 5, u",;"), 4);
  EXPECT_EQ(ScanBackForCharInSet(text, 1, u",;"), 0);

  // A surrogate pair is one character: never split, never matched half-way.
  const QString pair = QString::fromUtf16(u"x\U0001F600,");
  EXPECT_EQ(ScanForLeadByte(pair, 1), 2);
  EXPECT_EQ(ScanBackForLeadByte(pair, 4), 2);
  EXPECT_EQ(ScanForLeadByte(u"abc", 1), 0);
  const QString low(QChar(0xDE00));
  EXPECT_EQ(ScanForCharInSet(pair, 3, QString(QChar(0xDE00))), 0);
  EXPECT_EQ(ScanForCharInSet(pair, 3, u","), 4);

  EXPECT_EQ(FindLineEnd(u"ab\ncd"), 3);
  EXPECT_EQ(FindLineEnd(u"abc"), 4);
}

TEST(WideChars, EastAsianWideAndFullwidthTakeTwoCells) {
  // Both ends of ranges, and their neighbours.
  const struct {
    char16_t c;
    bool wide;
  } cases[] = {
      {u'a', false},   {0x00E9, false}, {0x10FF, false}, {0x1100, true},  {0x115F, true},  {0x1160, false},
      {0x2614, true},  {0x2616, false}, {0x2E80, true},  {0x2E9A, false}, {0x3000, true},  {0x303E, true},
      {0x303F, false}, {0x3041, true},  {0x3097, false}, {0x4E00, true},  {0x9FFF, true},  {0xA48C, true},
      {0xA4D0, false}, {0xAC00, true},  {0xD7A3, true},  {0xD7A4, false}, {0xD83D, false}, {0xF900, true},
      {0xFE30, true},  {0xFE53, false}, {0xFF01, true},  {0xFF60, true},  {0xFF61, false}, {0xFFE6, true},
      {0xFFE7, false}, {0xFFFF, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsWideChar(c.c), c.wide) << std::hex << int(c.c);
  EXPECT_FALSE(HasWideChars(u"caf\u00E9 \u20AC"));
  EXPECT_TRUE(HasWideChars(u"x\u65E5"));
  EXPECT_EQ(TextCells(u"a\u65E5\u672Cb", 0, 4), 6);
  EXPECT_EQ(TextCells(u"a\u65E5\u672Cb", 2, 9), 3);
}

TEST(WideChars, CharacterAndDisplayColumnsMapBothWays) {
  // a | 中 中 | 文 文 | TAB TAB TAB | b | 😀 😀 | c   (tab width 4)
  const QString line = QStringLiteral("a\u4E2D\u6587\tb\U0001F600c");
  const int display[] = {1, 2, 4, 6, 9, 10, 11, 12, 13, 14};  // of character columns 1 to 10
  for (int column = 1; column <= 10; ++column) {
    EXPECT_EQ(CharToDisplayColumn(line, column, 4), display[column - 1]) << column;
    if (column == 7) continue;  // the second half of the pair
    bool inside = true;
    EXPECT_EQ(DisplayToCharColumn(line, display[column - 1], 4, &inside), column) << column;
    EXPECT_FALSE(inside);
  }
  const struct {
    int display, column;
    bool inside;
  } within[] = {{3, 2, true}, {5, 3, true}, {7, 4, false}, {8, 4, false}, {11, 6, true}, {20, 16, false}};
  for (const auto& w : within) {
    bool inside = !w.inside;
    EXPECT_EQ(DisplayToCharColumn(line, w.display, 4, &inside), w.column) << w.display;
    EXPECT_EQ(inside, w.inside) << w.display;
  }
}
