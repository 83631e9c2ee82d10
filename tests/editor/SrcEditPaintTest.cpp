#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTextItem>
#include <cmath>
#include <map>
#include <memory>

#include "tests/editor/TextRecordingDevice.h"
#include "editor/SrcEdit.h"
#include "editor/SrcEditStrConst.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "tests/common/TestUtil.h"

namespace {

// Tokens are runs of one repeated character. 'k' is a bold keyword, 'c' a
// comment, 'u' underlined, 'n' a token without attribute, blanks are white
// space, everything else an identifier.
class RunHighlighter : public TSrcCustomHighlighter {
  Q_OBJECT
 public:
  RunHighlighter() {
    ident = Add(SrcEditStrConst::AttrNameIdentifier);
    keyword = Add(SrcEditStrConst::AttrNameReservedWord);
    keyword->SetForeground(clBlue);
    keyword->SetStyle(fsBold);
    comment = Add(SrcEditStrConst::AttrNameComment);
    comment->SetForeground(clGreen);
    space = Add(SrcEditStrConst::AttrNameSpace);
    space->SetForeground(clRed);
    under = Add(QStringLiteral("Underlined"));
    under->SetStyle(fsUnderline);
  }
  TSrcHighlighterAttributes* Add(const QString& name) {
    auto* a = new TSrcHighlighterAttributes(name);
    AddAttribute(a);
    return a;
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override {
    return role == roleWhitespace ? space : role == roleComment ? comment : role == roleKeyword ? keyword : ident;
  }
  bool AtLineEnd() const override { return start_ >= lineText_.size(); }
  QString GetTokenText() const override { return GetTokenView().toString(); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override {
    switch (lineText_[start_].unicode()) {
      case u'k':
        return keyword;
      case u'c':
        return comment;
      case u'u':
        return under;
      case u'n':
        return nullptr;
      case u' ':
        return space;
      default:
        return ident;
    }
  }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return start_; }
  int GetTokenLength() const override { return pos_ - start_; }
  void ScanNext() override {
    start_ = pos_;
    if (pos_ >= lineText_.size()) return;
    const QChar c = lineText_[pos_];
    while (pos_ < lineText_.size() && lineText_[pos_] == c) ++pos_;
  }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    pos_ = 0;
    ScanNext();
    ++lines;
  }
  TSrcHighlighterAttributes *ident, *keyword, *comment, *space, *under;
  int start_ = 0, pos_ = 0, lines = 0;
};

// A text drawer that counts its text outputs.
class RecordingDrawer : public TSrcTextDrawer {
 public:
  using TSrcTextDrawer::TSrcTextDrawer;
  void ExtTextOut(int x, int y, int options, const QRect& rect, QStringView text) override {
    calls.push_back(text.toString());
    TSrcTextDrawer::ExtTextOut(x, y, options, rect, text);
  }
  QStringList calls;
};

// Pixels of an area in a colour other than `background`.
int Ink(const QImage& image, const QRect& area, QColor background) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) != background;
  return n;
}

struct Fixture {
  explicit Fixture(const QStringList& lines, QSize size = QSize(420, 200)) {
    edit = std::make_unique<TSrcEdit>();
    edit->SetScrollBars(ssNone);
    edit->resize(size);
    edit->show();
    edit->SetLines(lines);
    edit->SetColor(clWhite);
    edit->SetFontColor(clBlack);
    edit->SelectedColor().SetBackground(clRed);
    edit->SelectedColor().SetForeground(clYellow);
    edit->Gutter().SetColor(clSilver);
    edit->SetRightEdge(0);
  }
  QImage Render() {
    QImage image(edit->viewport()->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    edit->Paint(p, image.rect());
    return image;
  }
  // Top-left pixel of a text cell (column, line): background, never ink.
  QColor CellBackground(const QImage& image, int column, int line) const {
    const int x = (column - 1) * edit->CharWidth() + edit->TextOffset();
    const int y = (line - edit->TopLine()) * edit->LineHeight();
    return image.pixelColor(x, y);
  }
  // Pixels of a cell in a colour other than `background`.
  int InkInCell(const QImage& image, int column, int line, QColor background) const {
    const int x0 = (column - 1) * edit->CharWidth() + edit->TextOffset();
    const int y0 = (line - edit->TopLine()) * edit->LineHeight();
    return Ink(image, QRect(x0, y0, edit->CharWidth(), edit->LineHeight()), background);
  }
  std::unique_ptr<TSrcEdit> edit;
};

const QColor White(Qt::white), Red(255, 0, 0), Blue(0, 0, 255), Green(0, 128, 0), Silver(192, 192, 192);

TEST(SrcEditPaint, NormalSelectionRunsFromBlockBeginToBlockEnd) {
  Fixture f({"aaaa bbbb", "cccc dddd", "eeee ffff", "gggg"});
  f.edit->SetBlockBegin(TPoint{3, 1});
  f.edit->SetBlockEnd(TPoint{2, 3});
  const QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 2, 1), White);
  EXPECT_EQ(f.CellBackground(img, 3, 1), Red);
  EXPECT_EQ(f.CellBackground(img, 20, 1), Red);  // continues on the next line
  EXPECT_EQ(f.CellBackground(img, 1, 2), Red);
  EXPECT_EQ(f.CellBackground(img, 1, 3), Red);
  EXPECT_EQ(f.CellBackground(img, 2, 3), White);
  EXPECT_EQ(f.CellBackground(img, 20, 3), White);
  EXPECT_EQ(f.CellBackground(img, 1, 4), White);
}

TEST(SrcEditPaint, LineAndColumnSelections) {
  Fixture f({"aaaa bbbb", "cccc dddd", "eeee ffff", "gggg"});
  f.edit->SetSelectionMode(smLine);
  f.edit->SetBlockBegin(TPoint{3, 2});
  f.edit->SetBlockEnd(TPoint{2, 3});
  QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 1, 1), White);
  EXPECT_EQ(f.CellBackground(img, 1, 2), Red);
  EXPECT_EQ(f.CellBackground(img, 30, 3), Red);
  EXPECT_EQ(f.CellBackground(img, 1, 4), White);

  f.edit->SetSelectionMode(smColumn);
  f.edit->SetBlockBegin(TPoint{4, 1});
  f.edit->SetBlockEnd(TPoint{2, 3});
  img = f.Render();
  for (int line = 1; line <= 3; ++line) {
    EXPECT_EQ(f.CellBackground(img, 1, line), White) << line;
    EXPECT_EQ(f.CellBackground(img, 2, line), Red) << line;
    EXPECT_EQ(f.CellBackground(img, 3, line), Red) << line;
    EXPECT_EQ(f.CellBackground(img, 4, line), White) << line;
  }
  EXPECT_EQ(f.CellBackground(img, 2, 4), White);
}

TEST(SrcEditPaint, SelectionFollowsTabExpansion) {
  Fixture f({"\tab"});
  f.edit->SetTabWidth(4);
  f.edit->SetBlockBegin(TPoint{2, 1});  // from the "a" after the TAB
  f.edit->SetBlockEnd(TPoint{3, 1});
  const QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 4, 1), White);
  EXPECT_EQ(f.CellBackground(img, 5, 1), Red);
  EXPECT_EQ(f.CellBackground(img, 6, 1), White);
}

TEST(SrcEditPaint, SpecialLinesSwapTheirColoursInsideTheSelection) {
  Fixture f({"aaaa", "bbbb", "cccc"});
  f.edit->OnSpecialLineColors = [](TObject*, int line, bool& special, TColor& fg, TColor& bg) {
    if (line != 2) return;
    special = true;
    fg = clBlue;
    bg = clGreen;
  };
  f.edit->SetBlockBegin(TPoint{3, 1});
  f.edit->SetBlockEnd(TPoint{3, 2});
  const QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 1, 2), Blue);    // selected: FG as background
  EXPECT_EQ(f.CellBackground(img, 3, 2), Green);   // the rest: the special background
  EXPECT_EQ(f.CellBackground(img, 30, 2), Green);  // up to the right side
  EXPECT_EQ(f.CellBackground(img, 3, 1), Red);
  // Without the focus a hidden selection is not painted.
  f.edit->SetHideSelection(true);
  ASSERT_FALSE(f.edit->hasFocus());
  EXPECT_EQ(f.CellBackground(f.Render(), 3, 1), White);
}

// Whether text of about a colour was drawn in an area (edges of glyphs may
// be blended with the background).
bool HasPixel(const QImage& image, const QRect& area, QColor colour) {
  auto near = [](int a, int b) { return std::abs(a - b) < 60; };
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (near(c.red(), colour.red()) && near(c.green(), colour.green()) && near(c.blue(), colour.blue())) return true;
    }
  return false;
}

TEST(SrcEditPaint, ASpecialLineColoursTheWholeLine) {
  for (const bool tokensKeepForeground : {false, true}) {
    SCOPED_TRACE(tokensKeepForeground);
    Fixture f({"kkkk aaaa", "kkkk aaaa"});
    RunHighlighter hl;
    hl.keyword->SetBackground(clAqua);
    f.edit->SetHighlighter(&hl);
    if (tokensKeepForeground) f.edit->SetOptions(f.edit->Options() | eoSpecialLineDefaultFg);
    f.edit->OnSpecialLineColors = [](TObject*, int line, bool& special, TColor& fg, TColor& bg) {
      special = line == 2;
      fg = clFuchsia;
      bg = clGreen;
    };
    const QImage img = f.Render();
    EXPECT_EQ(f.CellBackground(img, 1, 1), QColor(0, 255, 255));  // the keyword's own background
    for (int column : {1, 5, 6, 20}) EXPECT_EQ(f.CellBackground(img, column, 2), Green) << column;
    const int cw = f.edit->CharWidth(), lh = f.edit->LineHeight();
    const QRect keyword(f.edit->TextOffset(), lh, 4 * cw, lh);
    const QRect word(f.edit->TextOffset() + 5 * cw, lh, 4 * cw, lh);
    EXPECT_EQ(HasPixel(img, keyword, QColor(255, 0, 255)), !tokensKeepForeground);
    EXPECT_EQ(HasPixel(img, keyword, Blue), tokensKeepForeground);
    EXPECT_EQ(HasPixel(img, word, QColor(Qt::black)), tokensKeepForeground);
  }
}

TEST(SrcEditPaint, LineNumbersTakeTheGutterFontColourAndStyle) {
  Fixture f({"a", "b"});
  f.edit->SetFontColor(clBlack);
  TSrcGutter& gutter = f.edit->Gutter();
  gutter.SetShowLineNumbers(true);
  gutter.SetFontColor(clRed);
  const QRect row(0, 0, f.edit->GutterWidth() - 2, f.edit->LineHeight());
  QImage img = f.Render();
  EXPECT_TRUE(HasPixel(img, row, Red));
  EXPECT_FALSE(HasPixel(img, row, QColor(Qt::black)));

  auto ink = [&] { return Ink(f.Render(), QRect(0, 0, f.edit->GutterWidth() - 2, f.edit->LineHeight()), Silver); };
  const int plain = ink();
  QFont bold = gutter.Font();
  bold.setBold(true);
  gutter.SetFont(bold);
  EXPECT_GT(ink(), plain);
  gutter.SetUseFontStyle(false);
  EXPECT_EQ(ink(), plain);
}

// Line numbers of six digits show whole, in a gutter as wide as they need
// when it sizes itself, and spilling into the left offset when it does not.
TEST(SrcEditPaint, LineNumbersAreNeverCut) {
  QStringList lines;
  lines.reserve(123456);
  for (int i = 0; i < 123456; ++i) lines << QStringLiteral("x");
  for (const bool autoSize : {true, false}) {
    SCOPED_TRACE(autoSize);
    Fixture f(lines);
    TSrcGutter& gutter = f.edit->Gutter();
    gutter.SetShowLineNumbers(true);
    gutter.SetFontColor(clBlack);
    const int narrow = f.edit->GutterWidth();
    const int offset = f.edit->TextOffset();
    gutter.SetAutoSize(autoSize);
    const int digit = (narrow - gutter.LeftOffset() - gutter.RightOffset() - 2) / 4;
    EXPECT_EQ(gutter.AutoSizeDigitCount(), autoSize ? 6 : 4);
    EXPECT_EQ(f.edit->GutterWidth(), narrow + (autoSize ? 2 * digit : 0));
    EXPECT_EQ(f.edit->TextOffset(), offset + (autoSize ? 2 * digit : 0));

    f.edit->SetTopLine(123456);
    const int lh = f.edit->LineHeight();
    const int row = 123456 - f.edit->TopLine();
    const QImage img = f.Render();
    // The same number drawn alone, uncut.
    QImage alone(400, lh, QImage::Format_RGB32);
    alone.fill(Silver);
    {
      QPainter p(&alone);
      p.setFont(gutter.NumberFont());
      p.setPen(Qt::black);
      p.drawText(QRect(0, 0, 300, lh), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("123456"));
    }
    EXPECT_EQ(Ink(img, QRect(0, row * lh, f.edit->GutterWidth() - 2, lh), Silver), Ink(alone, alone.rect(), Silver));
  }
}


TEST(SrcEditPaint, WideCharactersAreDrawnInTwoCells) {
  Fixture f({QStringLiteral("\u4E2D\u6587a\u2614b\U0001F600c")});  // 中文a☔b😀c
  TTextRecordingDevice device(420);
  {
    QPainter p(&device);
    f.edit->Paint(p, QRect(0, 0, 420, 200));
  }
  const int cw = f.edit->CharWidth(), off = f.edit->TextOffset();
  std::map<QString, double> at;
  for (const auto& t : device.engine.texts)
    if (t.pos.x() >= off) at.emplace(t.text, t.pos.x());
  // Each character in its own cells: a wide one anywhere in its two, a
  // narrow one at the start of its one.
  const struct {
    QString text;
    int cell, cells;  // first cell (from 1), cells taken
  } expected[] = {{QStringLiteral("\u4E2D"), 1, 2},
                  {QStringLiteral("\u6587"), 3, 2},
                  {"a", 5, 1},
                  {QStringLiteral("\u2614"), 6, 2},
                  {"b", 8, 1},
                  {QStringLiteral("\U0001F600"), 9, 2},
                  {"c", 11, 1}};
  for (const auto& e : expected) {
    ASSERT_TRUE(at.count(e.text)) << e.text.toStdString();
    const double x = at[e.text];
    if (e.cells == 1) {
      EXPECT_EQ(x, (e.cell - 1) * cw + off) << e.text.toStdString();
    } else {
      EXPECT_GE(x, (e.cell - 1) * cw + off) << e.text.toStdString();
      EXPECT_LT(x, (e.cell + 1) * cw + off) << e.text.toStdString();
    }
  }
}

TEST(SrcEditPaint, PaintedWideGlyphsNeverOverlap) {
  // Each line of wide characters, and each of its characters alone on a
  // line of its own: the two cells of every character look the same in
  // both, so no glyph reaches into its neighbours' cells.
  const QStringList rows = {QStringLiteral("\u4E2D\u6587\u5B57\u7B26"), QStringLiteral("\u2614\u26A1\u2648\u26A1")};
  QStringList lines = rows;
  for (const QString& row : rows)
    for (QChar c : row) lines << QString(c);
  Fixture f(lines, QSize(420, 400));
  const QImage img = f.Render();
  const int cw = f.edit->CharWidth(), lh = f.edit->LineHeight(), off = f.edit->TextOffset();
  auto span = [&](int line, int index) { return img.copy(off + 2 * index * cw, (line - 1) * lh, 2 * cw, lh); };
  int single = static_cast<int>(rows.size()) + 1;
  for (int r = 0; r < rows.size(); ++r) {
    for (int i = 0; i < rows[r].size(); ++i, ++single) {
      SCOPED_TRACE(QString(rows[r][i]).toStdString());
      EXPECT_TRUE(span(r + 1, i) == span(single, 0)) << "the glyph differs from its own, or a neighbour reaches in";
      EXPECT_EQ(Ink(img, QRect(off + 2 * cw, (single - 1) * lh, 4 * cw, lh), White), 0) << "past its two cells";
    }
  }
  // The emoji have glyphs in the test font: the comparison saw ink.
  EXPECT_GT(Ink(img, QRect(off, lh, 2 * cw, lh), White), 0);

  // Scrolled by one column, the first visible cell shows the right half of
  // the first character.
  const QImage whole = span(2, 0).copy(cw, 0, cw, lh);
  f.edit->SetLeftChar(2);
  const QImage scrolled = f.Render();
  EXPECT_TRUE(scrolled.copy(f.edit->GutterWidth() + 2, lh, cw, lh) == whole);
}

TEST(SrcEditPaint, SelectionCoversTheCellsOfWideCharacters) {
  Fixture f({QStringLiteral("\u4E2D\u6587\u5B57\u7B26"), "abcdefghij"});
  f.edit->SetBlockBegin(TPoint{2, 1});  // 文字
  f.edit->SetBlockEnd(TPoint{4, 1});
  const QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 1, 1), White);
  EXPECT_EQ(f.CellBackground(img, 3, 1), Red);
  EXPECT_EQ(f.CellBackground(img, 6, 1), Red);
  EXPECT_EQ(f.CellBackground(img, 7, 1), White);
  // A column block by the same character columns, over both lines.
  f.edit->SetSelectionMode(smColumn);
  f.edit->SetBlockBegin(TPoint{2, 1});
  f.edit->SetBlockEnd(TPoint{4, 2});
  const QImage block = f.Render();
  EXPECT_EQ(f.CellBackground(block, 6, 1), Red);
  EXPECT_EQ(f.CellBackground(block, 7, 1), White);
  EXPECT_EQ(f.CellBackground(block, 2, 2), Red);
  EXPECT_EQ(f.CellBackground(block, 4, 2), White);
}

TEST(SrcEditPaint, RightEdgeSitsAtItsColumn) {
  Fixture f({"short", ""});
  f.edit->SetRightEdge(10);
  f.edit->SetRightEdgeColor(clFuchsia);
  const QImage img = f.Render();
  const int x = 10 * f.edit->CharWidth() + f.edit->TextOffset();
  const int below = 3 * f.edit->LineHeight() + 2;
  EXPECT_EQ(img.pixelColor(x, below), QColor(255, 0, 255));
  EXPECT_EQ(img.pixelColor(x, 1), QColor(255, 0, 255));
  EXPECT_EQ(img.pixelColor(x - 1, below), White);
  EXPECT_EQ(img.pixelColor(x + 1, below), White);
}

TEST(SrcEditPaint, ClipLimitsThePaintedArea) {
  Fixture f({"aaaa", "bbbb", "cccc", "dddd"});
  auto drawer = std::make_unique<RecordingDrawer>(0, f.edit->Font());
  RecordingDrawer* rec = drawer.get();
  f.edit->SetTextDrawer(std::move(drawer));
  QImage image(f.edit->viewport()->size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  const int lh = f.edit->LineHeight();
  const QRect clip(f.edit->TextOffset(), lh, 50, lh);  // line 2 only
  {
    QPainter p(&image);
    f.edit->Paint(p, clip);
  }
  EXPECT_EQ(rec->calls, QStringList{QStringLiteral("bbbb")});
  EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::magenta));
  EXPECT_EQ(image.pixelColor(clip.right() + 1, lh + 1), QColor(Qt::magenta));
  EXPECT_EQ(image.pixelColor(clip.left(), 2 * lh + 1), QColor(Qt::magenta));
  EXPECT_EQ(image.pixelColor(clip.left(), lh), White);
}

TEST(SrcEditPaint, EqualAttributesAreDrawnAsOneRun) {
  Fixture f({"abdefghijm", "kkaakk", "ab  de", "uu  aa", "a k"});
  RunHighlighter hl;
  f.edit->SetHighlighter(&hl);
  auto drawer = std::make_unique<RecordingDrawer>(0, f.edit->Font());
  RecordingDrawer* rec = drawer.get();
  f.edit->SetTextDrawer(std::move(drawer));
  f.Render();
  // Ten identifier tokens: one call. Keyword, identifier, keyword: three.
  // Blanks join identifiers whatever their colour, but not an underline.
  EXPECT_EQ(rec->calls, (QStringList{"abdefghijm", "kk", "aa", "kk", "ab  de", "uu", "  aa", "a ", "k"}));
}

TEST(SrcEditPaint, NoneColoursFallBackToTheEditor) {
  Fixture f({"n"});
  RunHighlighter hl;
  hl.space->SetBackground(clAqua);
  f.edit->SetHighlighter(&hl);
  EXPECT_EQ(f.edit->DefaultBackground(), clAqua);
  const QImage img = f.Render();
  EXPECT_EQ(f.CellBackground(img, 1, 1), QColor(0, 255, 255));   // no attribute: default background
  EXPECT_EQ(f.CellBackground(img, 10, 1), QColor(0, 255, 255));  // after the line end
  EXPECT_GT(f.InkInCell(img, 1, 1, QColor(0, 255, 255)), 0);
}

TEST(SrcEditPaint, LineNumbersSkipContinuations) {
  Fixture f({"one two three four five six", "x"});
  f.edit->Gutter().SetShowLineNumbers(true);
  f.edit->Lines().SetWrapWidth(10);
  f.edit->SetWordWrap(true);
  ASSERT_TRUE(f.edit->Lines().IsContinuation(1));
  const QImage img = f.Render();
  const int lh = f.edit->LineHeight();
  auto inkInRow = [&](int row) {
    int ink = 0;
    for (int y = row * lh; y < (row + 1) * lh; ++y)
      for (int x = 0; x < f.edit->GutterWidth() - 2; ++x)
        if (img.pixelColor(x, y) != Silver) ++ink;
    return ink;
  };
  EXPECT_GT(inkInRow(0), 0);
  EXPECT_EQ(inkInRow(1), 0);
  EXPECT_EQ(inkInRow(2), 0);
  const int lineTwoRow = f.edit->Lines().Count() - 1;
  EXPECT_GT(inkInRow(lineTwoRow), 0);
}

TEST(SrcEditPaint, SpecialCharactersAreShown) {
  Fixture f({"a b\tc", QString(QChar(0)) + QChar(1) + QStringLiteral("\x7f")});
  f.edit->SetTabWidth(4);
  QImage img = f.Render();
  EXPECT_EQ(f.InkInCell(img, 2, 1, White), 0);  // a blank
  EXPECT_EQ(f.InkInCell(img, 4, 1, White), 0);  // the TAB span
  // NUL and other control characters are never invisible.
  for (int column = 1; column <= 3; ++column) EXPECT_GT(f.InkInCell(img, column, 2, White), 0) << column;

  f.edit->SetOptions(f.edit->Options() | eoShowSpecialChars);
  img = f.Render();
  EXPECT_GT(f.InkInCell(img, 2, 1, White), 0);  // middle dot
  int tabInk = 0;
  for (int column = 4; column <= 4; ++column) tabInk += f.InkInCell(img, column, 1, White);
  EXPECT_GT(tabInk, 0);
}

TEST(SrcEditPaint, MarksOutOfRangeDrawNothing) {
  Fixture f({"a", "b", "c"});
  const QImage plain = f.Render();
  auto* bad = new TSrcEditMark(f.edit.get());
  bad->SetLine(1);
  bad->SetImageIndex(12);
  bad->SetInternalImage(true);
  bad->SetVisible(true);
  f.edit->Marks().Add(bad);
  TImageList images(12, 12);
  images.Add(QImage(12, 12, QImage::Format_ARGB32));
  f.edit->BookMarkOptions().SetBookmarkImages(&images);
  auto* listed = new TSrcEditMark(f.edit.get());
  listed->SetLine(2);
  listed->SetImageIndex(5);
  listed->SetVisible(true);
  f.edit->Marks().Add(listed);
  EXPECT_EQ(f.Render(), plain);

  auto* bookmark = new TSrcEditMark(f.edit.get());
  bookmark->SetLine(3);
  bookmark->SetBookmarkNumber(3);
  bookmark->SetImageIndex(3);
  bookmark->SetInternalImage(true);
  bookmark->SetVisible(true);
  f.edit->Marks().Add(bookmark);
  EXPECT_NE(f.Render(), plain);
}

// Records the areas the editor is asked to paint.
class PaintRecordingEdit : public TSrcEdit {
 public:
  using TSrcEdit::TSrcEdit;
  QRegion painted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    painted += event->region();
    TSrcEdit::paintEvent(event);
  }
};

TEST(SrcEditPaint, ScrollingLessThanAPageRepaintsOnlyTheNewRows) {
  PaintRecordingEdit edit;
  edit.SetScrollBars(ssNone);
  edit.resize(300, 200);
  QStringList lines;
  for (int i = 1; i <= 100; ++i) lines << QStringLiteral("line %1").arg(i);
  edit.SetLines(lines);
  edit.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
  QCoreApplication::processEvents();
  edit.painted = QRegion();
  edit.SetTopLine(3);
  QCoreApplication::processEvents();
  const QRect r = edit.painted.boundingRect();
  EXPECT_LE(r.height(), 3 * edit.LineHeight());
  EXPECT_GE(r.bottom(), edit.viewport()->height() - 2 * edit.LineHeight());

  edit.painted = QRegion();
  edit.SetTopLine(60);  // more than a page: everything
  QCoreApplication::processEvents();
  EXPECT_EQ(edit.painted.boundingRect(), edit.viewport()->rect());

  // A new edge colour repaints the column around the edge line only.
  edit.SetRightEdge(10);
  QCoreApplication::processEvents();
  edit.painted = QRegion();
  edit.SetRightEdgeColor(clRed);
  QCoreApplication::processEvents();
  EXPECT_EQ(edit.painted.boundingRect().width(), 3);
  EXPECT_EQ(edit.painted.boundingRect().x(), 10 * edit.CharWidth() + edit.TextOffset() - 1);
}

// Under a real display server: the editor window as the screen shows it.
TEST(SrcEditScreenshot, HighlightedDocumentInAWindow) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display (Xvfb)";
  Fixture f({"kkkk aaaa cccccccc", "\tuuu aa  kk", "", "kk aa cc nn"}, QSize(480, 160));
  RunHighlighter hl;
  f.edit->SetHighlighter(&hl);
  f.edit->Gutter().SetShowLineNumbers(true);
  f.edit->SetRightEdge(30);
  f.edit->setWindowTitle(QStringLiteral("Korvex Vantar editor"));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.edit.get()));
  f.edit->activateWindow();
  f.edit->setFocus();
  QTest::qWait(200);
  const QImage shot = f.edit->screen()->grabWindow(f.edit->winId()).toImage();
  ASSERT_FALSE(shot.isNull());
  const QString dir = qEnvironmentVariable("KV_ARTEFACT_DIR", QDir::currentPath());
  QDir().mkpath(dir);
  EXPECT_TRUE(shot.save(QDir(dir).filePath(QStringLiteral("srcedit_window.png"))));
  // The keyword colour is on the screen.
  bool blue = false;
  for (int y = 0; y < shot.height() && !blue; ++y)
    for (int x = 0; x < shot.width() && !blue; ++x) blue = shot.pixelColor(x, y) == QColor(0, 0, 255);
  EXPECT_TRUE(blue);
}

}  // namespace

#include "SrcEditPaintTest.moc"

TEST(SrcEditPaint, ABookmarkSetOrClearedRepaintsTheGutter) {
  // A bookmark joins the mark list after its line is set: the list itself
  // has the gutter painted again, or the glyph shows only at the next full
  // repaint.
  PaintRecordingEdit edit;
  edit.SetScrollBars(ssNone);
  edit.resize(300, 200);
  edit.SetLines({"a", "b", "c"});
  edit.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
  QCoreApplication::processEvents();
  const QRect gutter(0, 0, edit.Gutter().Width(), edit.viewport()->height());
  for (TSrcEditorCommand command : {TSrcEditorCommand(ecSetMarker0 + 1), TSrcEditorCommand(ecSetMarker0 + 1)}) {
    edit.painted = QRegion();
    edit.SetCaretXY({1, 2});
    edit.ProcessCommand(command, QChar());  // the second time clears it
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit.painted.intersects(gutter.adjusted(0, edit.LineHeight(), 0, 0)));
  }
}

// Under a desktop theme that sets the application's font (another family and
// size, bold, stretched, widely spaced): the editor draws every style in the
// very font its cells were measured with, never one resolved against the
// application's.
TEST(SrcEditPaint, CellsFitTheFontDrawnWhateverTheApplicationFont) {
  TDarkDesktopTheme theme;
  const QFontMetricsF own(DefaultEditorFont(12));  // whatever the desktop names its fixed font
  EXPECT_EQ(own.horizontalAdvance(QLatin1Char('i')), own.horizontalAdvance(QLatin1Char('W')));
  TSrcEdit edit;
  edit.SetScrollBars(ssNone);
  edit.resize(420, 200);
  edit.SetFont(QFont(QStringLiteral("Monospace"), 12));  // as the options give it: a family and a size
  edit.SetLines({"<!DOCTYPE html> kk uu"});
  RunHighlighter hl;  // bold 'k', underlined 'u'
  edit.SetHighlighter(&hl);
  TTextRecordingDevice device(420);
  {
    QPainter p(&device);
    edit.Paint(p, QRect(0, 0, 420, 200));
  }
  const int cw = edit.CharWidth();
  int drawn = 0;
  for (const auto& t : device.engine.texts) {
    if (t.pos.x() < edit.TextOffset()) continue;
    ++drawn;
    const std::string text = t.text.toStdString();
    EXPECT_EQ(std::ceil(QFontMetricsF(t.font, &device).horizontalAdvance(QStringLiteral("M")) - 0.01), cw) << text;
    EXPECT_EQ(QFontInfo(t.font).pointSize(), 12) << text;
    EXPECT_EQ(t.font.bold(), t.text == u"k") << text;
    EXPECT_EQ(t.font.underline(), t.text == u"u") << text;
  }
  EXPECT_EQ(drawn, 18);
}

// Under a dark palette the text area keeps the colours the highlighters'
// colours are made for: dark text on white, also for what OnPaint draws.
TEST(SrcEditPaint, DefaultColoursStayTheHighlightersOwnUnderADarkPalette) {
  TDarkDesktopTheme theme;
  TSrcEdit edit;
  edit.SetScrollBars(ssNone);
  edit.resize(420, 200);
  edit.SetLines({"<p>plain</p>", "plain"});
  TSrcHTMLHighlighter html;
  QColor canvas;
  edit.OnPaint = [&canvas](TObject*, QPainter* painter) { canvas = painter->brush().color(); };
  for (TSrcCustomHighlighter* hl : {static_cast<TSrcCustomHighlighter*>(nullptr), static_cast<TSrcCustomHighlighter*>(&html)}) {
    edit.SetHighlighter(hl);
    QImage image(edit.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&image);
    edit.Paint(p, image.rect());
    const int cw = edit.CharWidth(), lh = edit.LineHeight(), off = edit.TextOffset();
    const QColor white(Qt::white), black(Qt::black);
    EXPECT_EQ(image.pixelColor(off + 20 * cw, lh / 2), white);  // after a line's end
    EXPECT_EQ(image.pixelColor(off + cw, 3 * lh), white);       // below the last line
    EXPECT_EQ(image.pixelColor(off - 1, lh / 2), white);        // the margin beside the gutter
    // The plain text of the second line is black.
    QColor darkest = white;
    for (int x = off; x < off + 5 * cw; ++x)
      for (int y = lh; y < 2 * lh; ++y)
        if (image.pixelColor(x, y).lightness() < darkest.lightness()) darkest = image.pixelColor(x, y);
    EXPECT_EQ(darkest, black);
    EXPECT_EQ(canvas, white);
  }
}
