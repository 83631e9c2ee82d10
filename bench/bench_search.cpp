// Speed of the search engine: a 6-character word over a generated document,
// line by line as the editor searches, against std::boyer_moore_horspool_searcher
// over the same text held as one QString.
//
//   KV_BENCH_MB   size of the document in MB (default 100)
#include <benchmark/benchmark.h>

#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "bench/BenchUtil.h"
#include "editor/SrcEditSearch.h"

namespace {

const QStringList& Lines() {
  static const QStringList lines =
      GenerateLines(static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 100)) * 1000 * 1000,
                    {
                        "<p>Some paragraph text with several words and a few tables %d here.</p>",
                        "\t<td align=\"left\">cell %d</td><td>value</td><td>banner</td>",
                        "<a href=\"page%d.html\">next page</a> &nbsp; <b>bold</b>",
                        "<!-- the target word appears in every seventh line: %d -->",
                        "<script>var counter = %d; function go() { return counter; }</script>",
                        "<div class=\"item\">Item %d</div>",
                        "<span>target</span> <span>Target %d</span>",
                    });
  return lines;
}

std::map<std::string, double> times;

void BM_EngineSearch(benchmark::State& state) {
  const QStringList& lines = Lines();
  TSrcEditSearch s;
  s.SetPattern(QStringLiteral("target"));
  s.SetSensitive(state.range(0) != 0);
  qint64 hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const QString& line : lines) hits += s.FindAll(line);
  }
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_EngineSearch)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_BoyerMooreHorspool(benchmark::State& state) {
  const QString text = Lines().join(QStringLiteral("\r\n"));
  const std::u16string_view pattern = u"target";
  const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
  const auto* begin = reinterpret_cast<const char16_t*>(text.constData());
  const auto* end = begin + text.size();
  qint64 hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (auto it = begin;;) {
      auto [first, last] = searcher(it, end);
      if (first == end) break;
      ++hits;
      it = last;
    }
  }
  state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_BoyerMooreHorspool)->Unit(benchmark::kMillisecond);

class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  Reporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  const double ref = times["BM_BoyerMooreHorspool"];
  if (ref > 0)
    for (const char* name : {"BM_EngineSearch/1", "BM_EngineSearch/0"})
      if (times[name] > 0)
        std::printf("speed %s relative to boyer_moore_horspool = %.2f (target >= 0.5)\n", name, ref / times[name]);
  return 0;
}
