// Speed of editor commands: bracket matching across a minified one-line page
// (each line's tokens are scanned once) against asking the highlighter for
// the token of every bracket met, and typing through the command path.
//
//   KV_BENCH_KB     size of the one-line page in kilobytes (default 1024)
//   KV_BENCH_LINES  line count of the document typed into (default 200000)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "bench/BenchUtil.h"
#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterHtml.h"

namespace {

// "(" then many small elements holding bracket pairs, then ")": the match of
// the first bracket is the last character.
QString MinifiedLine(int bytes) {
  const QString piece = QStringLiteral("<p class=\"x\">(a)[b]</p>");
  QString line = QStringLiteral("(");
  while (line.size() < bytes) line += piece;
  line += QLatin1Char(')');
  return line;
}

struct Page {
  TSrcEdit edit;
  TSrcHTMLHighlighter highlighter;
  explicit Page(int bytes) {
    edit.SetLines({MinifiedLine(bytes)});
    edit.SetHighlighter(&highlighter);
  }
};

void BM_MatchBracketMinifiedLine(benchmark::State& state) {
  Page page(static_cast<int>(state.range(0)));
  const int expected = static_cast<int>(page.edit.Lines()[0].size());
  for (auto _ : state) {
    const TPoint p = page.edit.GetMatchingBracketAt(TPoint{1, 1}, false);
    if (p.X != expected) state.SkipWithError("wrong match");
    benchmark::DoNotOptimize(p);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_MatchBracketMinifiedLine)
    ->Arg(16 * 1024)
    ->Arg(EnvInt("KV_BENCH_KB", 1024) * 1024)
    ->Unit(benchmark::kMillisecond);

// The same match asking for the token of every bracket met, each time from
// the start of the line: quadratic in the line length.
void BM_MatchBracketTokenPerBracket(benchmark::State& state) {
  Page page(static_cast<int>(state.range(0)));
  const QString line = page.edit.Lines()[0];
  TSrcHighlighterAttributes* comment = page.highlighter.GetRoleAttribute(TSrcCustomHighlighter::roleComment);
  for (auto _ : state) {
    int depth = 1, found = 0;
    for (int x = 1; x < line.size() && found == 0; ++x) {
      const QChar c = line[x];
      if (c != QLatin1Char('(') && c != QLatin1Char(')')) continue;
      QString token;
      int kind = 0, start = 0;
      TSrcHighlighterAttributes* attri = nullptr;
      if (page.edit.GetTokenAttributeAt(TPoint{x + 1, 1}, token, kind, start, attri) && attri == comment) continue;
      depth += c == QLatin1Char('(') ? 1 : -1;
      if (depth == 0) found = x + 1;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_MatchBracketTokenPerBracket)->Arg(16 * 1024)->Unit(benchmark::kMillisecond);

// Twenty characters and a line break typed in the middle of a large
// document, then taken back.
void BM_TypeLineAndUndo(benchmark::State& state) {
  static std::unique_ptr<TSrcEdit> e;
  const int lines = EnvInt("KV_BENCH_LINES", 200000);
  if (!e) {
    e = std::make_unique<TSrcEdit>();
    e->SetLines(GenerateLines(static_cast<qsizetype>(lines) * 40, {"  <td class=\"cell\">value %d</td>"}));
  }
  const int middle = e->Lines().Count() / 2;
  const int count = e->Lines().Count();
  for (auto _ : state) {
    e->SetCaretXY(TPoint{3, middle});
    for (QChar c : QStringLiteral("<b>typed words</b> x")) e->ProcessCommand(ecChar, c);
    e->ProcessCommand(ecLineBreak, QChar());
    e->ProcessCommand(ecUndo, QChar());
    e->ProcessCommand(ecUndo, QChar());
  }
  if (e->Lines().Count() != count) state.SkipWithError("undo did not restore the lines");
}
BENCHMARK(BM_TypeLineAndUndo)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RunBenchmarks(argc, argv);
  return 0;
}
