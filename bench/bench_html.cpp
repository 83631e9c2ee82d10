// Speed of the HTML highlighter: scans a generated HTML document from the
// top, token by token, carrying the state from line to line.
//
//   KV_BENCH_MB   size of the document in MB (default 100)
//
// When the QScintilla development files were found at configure time, the
// same text is also coloured by that component's HTML lexer (set the text,
// set the lexer, colour everything) and the ratio is printed.
#include "highlighters/SrcHighlighterHtml.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include "bench/BenchUtil.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

#ifdef KV_HAVE_QSCINTILLA
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>
#endif

namespace {

const QStringList& Document() {
  static const QStringList lines = GenerateLines(
      static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 100)) * 1000 * 1000,
      {
          "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">",
          "<html><head><title>Page %d</title>",
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
          "<!-- a comment that goes on",
          "     over two lines %d -->",
          "<body bgcolor=\"#FFFFFF\" text=black link=blue>",
          "\t<table width=\"100%%\" border=0 cellpadding=2><tr><td align=left>cell %d</td></tr></table>",
          "\t<p>Some text with &amp; entities &copy; &#169; and <b>bold</b> and <i>italic</i> words %d.</p>",
          "  <a href=\"page%d.html\" target=_blank>Link &raquo;</a><br>",
          "<% Response.Write(\"server side %d\") %>",
          "<img src=\"images/pic%d.gif\" width=32 height=32 alt=\"picture\">",
          "</body></html>",
      });
  return lines;
}

qsizetype DocumentBytes() {
  qsizetype n = 0;
  for (const QString& l : Document()) n += l.size() + 2;
  return n;
}

double ourSeconds = 0;

void BM_HtmlScan(benchmark::State& state) {
  const QStringList& lines = Document();
  TSrcHTMLHighlighter h;
  qint64 tokens = 0;
  QElapsedTimer timer;
  for (auto _ : state) {
    timer.start();
    h.ResetRange();
    for (int i = 0; i < lines.size(); ++i) {
      if (i > 0) h.SetRange(h.GetRange());
      h.SetLine(lines[i], i);
      for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
        benchmark::DoNotOptimize(h.GetTokenAttribute());
        h.ScanNext();
        ++tokens;
      }
    }
    ourSeconds = timer.nsecsElapsed() / 1e9;
  }
  state.SetBytesProcessed(state.iterations() * DocumentBytes());
  state.counters["tokens"] = static_cast<double>(tokens) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HtmlScan)->Unit(benchmark::kMillisecond)->Iterations(1);

#ifdef KV_HAVE_QSCINTILLA
double theirSeconds = 0;

void BM_QScintillaHtmlLexer(benchmark::State& state) {
  const QString text = Document().join(QStringLiteral("\r\n"));
  for (auto _ : state) {
    QsciScintilla editor;
    editor.setText(text);
    QsciLexerHTML lexer;
    QElapsedTimer timer;
    timer.start();
    editor.setLexer(&lexer);
    editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    theirSeconds = timer.nsecsElapsed() / 1e9;
    editor.setLexer(nullptr);
  }
  state.SetBytesProcessed(state.iterations() * DocumentBytes());
}
BENCHMARK(BM_QScintillaHtmlLexer)->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (ourSeconds > 0) std::printf("HTML scan: %.1f MB/s (target >= 100)\n", DocumentBytes() / 1e6 / ourSeconds);
#ifdef KV_HAVE_QSCINTILLA
  if (ourSeconds > 0 && theirSeconds > 0)
    std::printf("ratio QScintilla lexer time / our scan time = %.2f (target >= 1)\n", theirSeconds / ourSeconds);
#endif
  benchmark::Shutdown();
  return 0;
}
