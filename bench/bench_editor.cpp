// Speed of the editor model on large documents: a one-character change in
// the middle and its undo, and character offsets near the end. The HTML
// highlighter is attached, as in a document window.
//
//   KV_BENCH_LINES  line count of the large document (default 2000000)
//
// After the runs the program prints the ratio of the large to the small
// document for the one-character change (target: within 2x).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "bench/BenchUtil.h"
#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterHtml.h"

namespace {

TSrcHTMLHighlighter& Html() {
  static TSrcHTMLHighlighter html;
  return html;
}

// One editor per size, built once; they go before the application does.
std::map<int, std::unique_ptr<TSrcEdit>> editors;

TSrcEdit& EditorWithLines(int lines) {
  auto& slot = editors[lines];
  if (!slot) {
    QStringList text;
    text.reserve(lines);
    for (int i = 0; i < lines; ++i)
      text.append(QStringLiteral("<td class=\"cell\">value %1</td><td>more text</td>").arg(i));
    slot = std::make_unique<TSrcEdit>();
    slot->SetLines(text);
    slot->SetHighlighter(&Html());
    slot->FinishRescan();
  }
  return *slot;
}

void BM_TypeAndUndoMiddle(benchmark::State& state) {
  TSrcEdit& e = EditorWithLines(static_cast<int>(state.range(0)));
  const int middle = static_cast<int>(state.range(0)) / 2;
  const QString before = e.Lines()[middle - 1];
  for (auto _ : state) {
    e.SetCaretXY(TPoint{5, middle});
    e.SetSelText(QStringLiteral("x"));
    e.Undo();
  }
  if (e.Lines()[middle - 1] != before) state.SkipWithError("undo did not restore the line");
  state.SetLabel("goal: within 2x of the 10 000-line time");
}
BENCHMARK(BM_TypeAndUndoMiddle)->Arg(10000)->Arg(EnvInt("KV_BENCH_LINES", 2000000))->Unit(benchmark::kMicrosecond);

// A line break adds a line: the buffer and the editor's line lengths move.
void BM_LineBreakAndUndoMiddle(benchmark::State& state) {
  TSrcEdit& e = EditorWithLines(static_cast<int>(state.range(0)));
  const int middle = static_cast<int>(state.range(0)) / 2;
  const int count = e.Lines().Count();
  for (auto _ : state) {
    e.SetCaretXY(TPoint{5, middle});
    e.SetSelText(QStringLiteral("\r\n"));
    e.Undo();
  }
  if (e.Lines().Count() != count) state.SkipWithError("undo did not restore the lines");
}
BENCHMARK(BM_LineBreakAndUndoMiddle)->Arg(10000)->Arg(EnvInt("KV_BENCH_LINES", 2000000))->Unit(benchmark::kMicrosecond);

void BM_SelStartNearEnd(benchmark::State& state) {
  TSrcEdit& e = EditorWithLines(static_cast<int>(state.range(0)));
  const int line = static_cast<int>(state.range(0)) - 3;
  e.SetCaretXY(TPoint{7, line});
  const int offset = e.SelStart();
  for (auto _ : state) {
    e.SetSelStart(offset);
    benchmark::DoNotOptimize(e.SelStart());
  }
}
BENCHMARK(BM_SelStartNearEnd)->Arg(10000)->Arg(EnvInt("KV_BENCH_LINES", 2000000))->Unit(benchmark::kMicrosecond);

// Every call follows an edit, in the middle or on the first line, so the
// offsets after it are counted again.
void BM_SelStartNearEndAfterEdit(benchmark::State& state) {
  TSrcEdit& e = EditorWithLines(static_cast<int>(state.range(0)));
  const int lines = static_cast<int>(state.range(0));
  const int editLine = state.range(1) ? 1 : lines / 2;
  for (auto _ : state) {
    state.PauseTiming();
    e.SetCaretXY(TPoint{5, editLine});
    e.SetSelText(QStringLiteral("x"));
    e.Undo();
    e.SetCaretXY(TPoint{7, lines - 3});
    state.ResumeTiming();
    const int offset = e.SelStart();
    e.SetSelStart(offset);
  }
}
BENCHMARK(BM_SelStartNearEndAfterEdit)
    ->ArgNames({"lines", "firstLine"})
    ->Args({10000, 0})
    ->Args({EnvInt("KV_BENCH_LINES", 2000000), 0})
    ->Args({EnvInt("KV_BENCH_LINES", 2000000), 1})
    ->Unit(benchmark::kMillisecond);

// Replace-all over a document with one hit per line, and its undo.
void BM_ReplaceAll(benchmark::State& state) {
  const int hits = static_cast<int>(state.range(0));
  QStringList text;
  text.reserve(hits);
  for (int i = 0; i < hits; ++i) text.append(QStringLiteral("<p>line %1 holds the word needle once</p>").arg(i));
  double undoSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TSrcEdit editor;
    editor.SetLines(text);
    editor.SetHighlighter(&Html());
    editor.FinishRescan();
    state.ResumeTiming();
    const int done =
        editor.SearchReplace(QStringLiteral("needle"), QStringLiteral("pin"), ssoReplaceAll | ssoEntireScope);
    state.PauseTiming();
    if (done != hits) state.SkipWithError("wrong hit count");
    const auto start = std::chrono::steady_clock::now();
    editor.Undo();
    undoSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.ResumeTiming();
  }
  state.counters["undo_ms"] = undoSeconds * 1000;
}
BENCHMARK(BM_ReplaceAll)
    ->Arg(EnvInt("KV_BENCH_HITS", 100000) / 10)
    ->Arg(EnvInt("KV_BENCH_HITS", 100000))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  const std::string big = "BM_TypeAndUndoMiddle/" + std::to_string(EnvInt("KV_BENCH_LINES", 2000000));
  const auto small = reporter.times.find("BM_TypeAndUndoMiddle/10000");
  const auto large = reporter.times.find(big);
  if (small != reporter.times.end() && large != reporter.times.end() && small->second > 0)
    std::printf("ratio %s / BM_TypeAndUndoMiddle/10000 = %.2f (target <= 2)\n", big.c_str(),
                large->second / small->second);
  editors.clear();
  return 0;
}
