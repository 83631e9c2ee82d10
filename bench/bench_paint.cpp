// Painting speed: one full screen of 50 lines by 120 columns of highlighted
// HTML into an offscreen image, and a one-line repaint (what a keystroke
// costs on screen). Target: a full repaint under 5 ms.
//
//   KV_BENCH_PAINT_LINES  lines in the document (default 2000)
#include "bench/BenchUtil.h"
#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterHtml.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct Screen {
  Screen() {
    const int count = EnvInt("KV_BENCH_PAINT_LINES", 2000);
    QStringList lines;
    for (int i = 0; i < count; ++i)
      lines << QStringLiteral("  <tr><td class=\"cell\" id=\"c%1\">value %1 &amp; more</td><!-- note --><td>text "
                              "and words to fill the line up</td></tr>")
                   .arg(i);
    edit.SetScrollBars(ssNone);
    edit.SetHighlighter(&html);
    edit.Gutter().SetShowLineNumbers(true);
    edit.SetLines(lines);
    // Each line starts in the state the one before ends in.
    html.ResetRange();
    for (int i = 0; i < count; ++i) {
      edit.Lines().SetLineRange(i, html.GetRange());
      html.SetLine(lines[i], i);
      html.ScanToLineEnd();
    }
    const QSize size(edit.GutterWidth() + 2 + 120 * edit.CharWidth(), 50 * edit.LineHeight());
    edit.resize(size + QSize(2 * edit.frameWidth(), 2 * edit.frameWidth()));
    edit.show();
    image = QImage(edit.viewport()->size(), QImage::Format_RGB32);
    edit.SetTopLine(count / 2);
  }
  TSrcHTMLHighlighter html;
  TSrcEdit edit;
  QImage image;
};

Screen& TheScreen() {
  static Screen screen;
  return screen;
}

void BM_PaintFullScreen(benchmark::State& state) {
  Screen& s = TheScreen();
  QPainter p(&s.image);
  for (auto _ : state) s.edit.Paint(p, s.image.rect());
  state.counters["lines"] = s.edit.LinesInWindow();
  state.counters["columns"] = s.edit.CharsInWindow();
}
BENCHMARK(BM_PaintFullScreen)->Unit(benchmark::kMillisecond);

void BM_PaintOneLine(benchmark::State& state) {
  Screen& s = TheScreen();
  QPainter p(&s.image);
  const QRect row(0, 10 * s.edit.LineHeight(), s.image.width(), s.edit.LineHeight());
  for (auto _ : state) s.edit.Paint(p, row);
}
BENCHMARK(BM_PaintOneLine)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
