#include <gtest/gtest.h>

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "editor/SrcEdit.h"
#include "editor/SrcEditPrint.h"
#include "tests/editor/PrintTestSupport.h"

// With the recording canvas (characters 25 pixels wide, lines 40 high) and
// the default margins on A4, a line holds 80 characters and a page 72 lines;
// the text starts at x 230, y 245.
namespace {
constexpr int kLeft = 230, kTop = 245, kRows = 72;

QStringList Numbered(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << QString::number(i);
  return lines;
}

struct PrintEngine : ::testing::Test {
  TRecordingCanvas canvas;
  TSrcEditPrint print;
  std::vector<std::pair<int, int>> statuses;  // (status, page)
  void SetUp() override {
    print.OnPrintStatus = [this](TSrcEditPrint::Status s, int page, bool&) { statuses.emplace_back(s, page); };
  }
  std::vector<int> NewPageStatuses() const {
    std::vector<int> pages;
    for (auto [s, p] : statuses)
      if (s == TSrcEditPrint::psNewPage) pages.push_back(p);
    return pages;
  }
};
}  // namespace

TEST_F(PrintEngine, CopiesPrintCompleteInTurnWithPagesBetweenOnly) {
  print.SetLines(Numbered(2 * kRows + 6));
  print.Copies = 2;
  ASSERT_TRUE(print.Print(canvas));
  EXPECT_EQ(NewPageStatuses(), (std::vector<int>{1, 2, 3, 1, 2, 3}));
  int newPages = 0;
  for (const auto& op : canvas.Ops) newPages += op.kind == TRecordingCanvas::opNewPage;
  EXPECT_EQ(newPages, 5);
  EXPECT_EQ(canvas.Ops.back().kind, TRecordingCanvas::opEnd);
  EXPECT_EQ(canvas.Ops[canvas.Ops.size() - 2].kind, TRecordingCanvas::opText);
  const auto pages = canvas.PageTexts();
  EXPECT_EQ(pages[2], (QStringList{"145", "146", "147", "148", "149", "150"}));
  EXPECT_EQ(statuses.front(), std::make_pair(0, 1));
  EXPECT_EQ(statuses.back(), std::make_pair(2, 3));

  // A range beyond the document is clamped to its last page.
  statuses.clear();
  print.Copies = 1;
  ASSERT_TRUE(print.PrintRange(canvas, 5, 99));
  EXPECT_EQ(NewPageStatuses(), (std::vector<int>{3}));

  // An even page is laid out mirrored before anything is drawn on it.
  canvas.Ops.clear();
  print.Margins.MirrorMargins = true;
  ASSERT_TRUE(print.PrintRange(canvas, 2, 2));
  EXPECT_EQ(canvas.Ops[1].kind, TRecordingCanvas::opFill);
  EXPECT_EQ(canvas.Ops[1].x, 112);
  EXPECT_EQ(canvas.Texts()[0].x, 112);
}

TEST_F(PrintEngine, LongLinesWrapAtBreaksOrAtTheCapacity) {
  TStubHighlighter hl;
  const QString blanks = QString(70, u'a') + u' ' + QString(49, u'b');
  const struct {
    QString line;
    QStringList pieces;
  } cases[] = {
      {QString(300, u'x'), {QString(80, u'x'), QString(80, u'x'), QString(80, u'x'), QString(60, u'x')}},
      {blanks, {QString(70, u'a') + u' ', QString(49, u'b')}},
      {QString(79, u'c') + u')' + QString(10, u'd'), {QString(79, u'c') + u')', QString(10, u'd')}},
  };
  for (TSrcCustomHighlighter* h :
       {static_cast<TSrcCustomHighlighter*>(nullptr), static_cast<TSrcCustomHighlighter*>(&hl)}) {
    for (const auto& c : cases) {
      canvas.Ops.clear();
      print.SetHighlighter(h);
      print.SetLines({c.line});
      ASSERT_TRUE(print.Print(canvas));
      EXPECT_EQ(print.LineCapacity(), 80);
      // The pieces drawn, row by row (a row may hold several tokens).
      QStringList drawn;
      int y = 0;
      for (const auto& t : canvas.Texts()) {
        if (drawn.isEmpty() || t.y != y) {
          EXPECT_EQ(t.x, kLeft) << "every piece starts at the left edge";
          EXPECT_EQ(t.y, kTop + 40 * drawn.size());
          drawn << QString();
          y = t.y;
        }
        drawn.back() += t.text;
      }
      EXPECT_EQ(drawn, c.pieces) << (h ? "highlighted" : "plain");
    }
  }
  // Without wrapping only the first line's worth is printed.
  canvas.Ops.clear();
  print.Wrap = false;
  print.Print(canvas);
  EXPECT_EQ(canvas.PageTexts()[0], QStringList{QString(79, u'c') + u')'});

  EXPECT_EQ(TSrcEditPrint::WrapPositions(u"abcdef", 0), (std::vector<int>{1, 2, 3, 4, 5})) << "capacity at least 1";
}

TEST_F(PrintEngine, WrappedPiecesBreakPagesAndTallLinesMakeNoEmptyPage) {
  QStringList lines = Numbered(kRows - 1);
  lines << QString(300, u'x');
  print.SetLines(lines);
  ASSERT_TRUE(print.Print(canvas));
  const auto pages = canvas.PageTexts();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), kRows);
  EXPECT_EQ(pages[1].size(), 3);
  for (const auto& op : canvas.Texts()) EXPECT_LE(op.y + 40, 3162) << "nothing below the bottom margin";

  canvas.Ops.clear();
  canvas.Height = 5000;  // taller than the page
  print.SetLines(Numbered(3));
  EXPECT_EQ(print.PageCount(canvas), 3);
}

TEST_F(PrintEngine, LineNumbersShiftTheTextAndCountFromTheOffset) {
  print.SetLines(Numbered(250));
  print.LineNumbers = true;
  print.LineOffset = 0;
  ASSERT_TRUE(print.PrintRange(canvas, 1, 1));
  const auto texts = canvas.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "1: ");
  EXPECT_EQ(texts[0].x, kLeft + 125 - 75);  // right-aligned to the text's left edge
  EXPECT_EQ(texts[0].color, QColor(Qt::black));
  EXPECT_EQ(texts[1].text, "1");
  EXPECT_EQ(texts[1].x, kLeft + 125);  // moved right by the width of "250: "

  canvas.Ops.clear();
  print.LineOffset = 9;
  print.LineNumbersInMargin = true;
  print.PrintRange(canvas, 1, 1);
  EXPECT_EQ(canvas.Texts()[0].text, "10: ");
  EXPECT_EQ(canvas.Texts()[1].x, kLeft);
}

TEST_F(PrintEngine, AbortInBeginStatusPrintsNothing) {
  print.SetLines(Numbered(10));
  print.OnPrintStatus = [](TSrcEditPrint::Status s, int, bool& abort) { abort = s == TSrcEditPrint::psBegin; };
  EXPECT_FALSE(print.Print(canvas));
  ASSERT_EQ(canvas.Ops.size(), 2u);
  EXPECT_EQ(canvas.Ops[1].kind, TRecordingCanvas::opAbort);
  EXPECT_FALSE(print.Printing());
}

TEST_F(PrintEngine, WideCharactersTakeTwoCellsAsOnTheScreen) {
  TStubHighlighter hl;
  const QString wide = QStringLiteral("\u4E2D\u6587");  // 中文
  // The printed x of every token is its display column on the editor's
  // grid, and a row holds 80 cells.
  const QString line = wide + QStringLiteral(" ab\t\u5B57 c");
  auto e = std::make_unique<TSrcEdit>();
  e->SetLines({line});
  e->SetTabWidth(8);
  print.TabWidth = 8;
  for (TSrcCustomHighlighter* h :
       {static_cast<TSrcCustomHighlighter*>(nullptr), static_cast<TSrcCustomHighlighter*>(&hl)}) {
    canvas.Ops.clear();
    print.SetHighlighter(h);
    print.SetLines({line, QString(60, QChar(0x65E5)), QString(79, u'x') + wide});
    ASSERT_TRUE(print.Print(canvas));
    std::vector<TRecordingCanvas::Op> t;  // the first row's pieces
    std::map<int, QStringList> rows;      // y: the row's pieces
    for (const auto& op : canvas.Texts()) {
      rows[op.y] << op.text;
      if (op.y == kTop) t.push_back(op);
    }
    if (h) {
      // 中文, blank, ab, the TAB's blanks, 字, blank, c
      ASSERT_GE(t.size(), 5u);
      EXPECT_EQ(t[2].text, "ab");
      EXPECT_EQ(t[2].x, kLeft + (e->CharToDisplayPos({4, 1}).X - 1) * 25);
      EXPECT_EQ(t.back().text, "c");
      EXPECT_EQ(t.back().x, kLeft + (e->CharToDisplayPos({9, 1}).X - 1) * 25);
      EXPECT_EQ(t.back().x, kLeft + 11 * 25);
    }
    // 60 wide characters fill 120 cells: 40 on the first row, 20 on the
    // next; a wide character that does not fit starts the next row.
    EXPECT_EQ(rows[kTop + 40].join(QString()), QString(40, QChar(0x65E5))) << (h ? "highlighted" : "plain");
    EXPECT_EQ(rows[kTop + 80].join(QString()), QString(20, QChar(0x65E5)));
    EXPECT_EQ(rows[kTop + 120].join(QString()), QString(79, u'x'));
    EXPECT_EQ(rows[kTop + 160].join(QString()), wide);
  }
}

TEST_F(PrintEngine, HighlightingStylesAlwaysColoursOnlyWhenAsked) {
  TStubHighlighter hl;
  print.SetHighlighter(&hl);
  print.SetLines({"if x", "{ spans", "lines } end"});
  for (const bool colors : {false, true}) {
    canvas.Ops.clear();
    print.Colors = colors;
    ASSERT_TRUE(print.Print(canvas));
    const auto t = canvas.Texts();
    QStringList drawn;
    for (const auto& op : t) drawn << op.text;
    EXPECT_EQ(drawn, (QStringList{"if", " ", "x", "{ spans", "lines }", " ", "end"}));
    EXPECT_TRUE(t[0].bold);
    EXPECT_EQ(t[0].color, colors ? QColor(Qt::blue) : QColor(Qt::black));
    EXPECT_EQ(t[2].color, QColor(Qt::black));
    EXPECT_TRUE(t[4].italic) << "the comment's range carries over to the next line";
    EXPECT_EQ(t[4].color, colors ? QColor(0, 128, 0) : QColor(Qt::black));
    EXPECT_EQ(t[6].x, kLeft + 8 * 25);
  }
  canvas.Ops.clear();
  print.Highlight = false;
  print.Print(canvas);
  EXPECT_EQ(canvas.Texts()[0].text, "if x");
  EXPECT_FALSE(canvas.Texts()[0].bold);
}

TEST_F(PrintEngine, EmptyDocumentIsOnePageWithHeaderAndFooter) {
  print.Title = "empty.html";
  print.Header.Add("$TITLE$", nullptr, 0, 1);
  print.Footer.Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, 1, 1);
  print.PageOffset = 1;
  ASSERT_TRUE(print.Print(canvas));
  EXPECT_EQ(NewPageStatuses(), std::vector<int>{1});
  EXPECT_EQ(canvas.PageTexts()[0], (QStringList{"empty.html", "Page 2 of 1"}));
  EXPECT_EQ(canvas.Ops[0].text, "empty.html") << "the job is named after the title";
}

TEST_F(PrintEngine, SelectionOnlyPrintsTheSelectedPart) {
  print.SetLines({"line one", "line two", "line three", "line four"});
  print.SelectedOnly = true;
  EXPECT_FALSE(print.Print(canvas)) << "nothing without a selection";
  EXPECT_TRUE(canvas.Ops.empty());
  print.LineNumbers = true;
  print.LineNumbersInMargin = true;
  const struct {
    TPoint begin, end;
    TSrcSelectionMode mode;
    QStringList drawn;
  } cases[] = {
      {{6, 1}, {5, 3}, smNormal, {"1: ", "one", "2: ", "line two", "3: ", "line"}},
      {{1, 3}, {1, 2}, smNormal, {"2: ", "line two"}},
      {{6, 2}, {9, 3}, smColumn, {"2: ", "two", "3: ", "thr"}},
      {{3, 2}, {1, 3}, smLine, {"2: ", "line two", "3: ", "line three"}},
  };
  for (const auto& c : cases) {
    canvas.Ops.clear();
    print.SetSelection(c.begin, c.end, c.mode);
    ASSERT_TRUE(print.Print(canvas));
    EXPECT_EQ(canvas.PageTexts()[0], c.drawn) << c.mode;
  }
}

TEST_F(PrintEngine, TabsExpandWhenLinesAreAssigned) {
  print.TabWidth = 4;
  print.SetLines({"a\tb", "\t\tc"});
  EXPECT_EQ(print.Lines(), (QStringList{"a   b", "        c"}));
}

TEST(PrintToPdf, PagesAndCopiesReachTheFile) {
  QTemporaryDir dir;
  const auto pdfPages = [](const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = f.readAll();
    return static_cast<int>(data.count("/Type /Page\n") + data.count("/Type /Page\r") + data.count("/Type /Page ") +
                            data.count("/Type /Page/") + data.count("/Type /Page>"));
  };
  TSrcEditPrint print;
  print.SetFont(QFont("Courier New", 10));
  print.SetLines(Numbered(200));
  print.Header.Add("$TITLE$", nullptr, 0, 1);
  print.Title = "numbers";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("one.pdf"));
  TPrinterCanvas canvas(printer);
  const int pages = print.PageCount(canvas);
  EXPECT_GT(pages, 1);
  ASSERT_TRUE(print.Print(printer));
  EXPECT_EQ(pdfPages(dir.filePath("one.pdf")), pages);

  print.Copies = 2;
  printer.setOutputFileName(dir.filePath("two.pdf"));
  ASSERT_TRUE(print.Print(printer));
  EXPECT_EQ(pdfPages(dir.filePath("two.pdf")), 2 * pages);
}
