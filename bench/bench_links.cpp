// Speed of the link parser: a generated page of KV_BENCH_MB megabytes
// (default 4) with links, images, tags spread over lines and long runs of
// text, parsed as the link check parses a document.
//
//   KV_BENCH_MB   size of the page in MB
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <cstdio>

#include "authoring/HTMLParser.h"
#include "bench/BenchUtil.h"

namespace {

const QStringList& Lines() {
  static const QStringList lines =
      GenerateLines(static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 4)) * 1000 * 1000,
                    {
                        "<p>Some paragraph text with several words and a link <a href=\"page%d.html\">next</a>.</p>",
                        "<img src=\"images/picture%d.png\" alt=\"a picture\" width=\"20\" height=\"20\">",
                        "<a",
                        "href=\"http://www.example.org/folder/file%d.php?a=1\"",
                        ">remote</a> &nbsp; <b>bold</b> <i>italic %d</i>",
                        "<!-- a comment on line %d -->",
                        "<div class=\"item\">Item %d with a longer text run that continues on the next line</div>",
                    });
  return lines;
}

double lastSeconds = 0;

void BM_ParsePage(benchmark::State& state) {
  THTMLParser parser;
  parser.HTML = Lines();
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    parser.Parse();
    lastSeconds = timer.nsecsElapsed() / 1e9;
    benchmark::DoNotOptimize(parser.Parsed.Hyperlinks.size());
  }
  state.counters["links"] = static_cast<double>(parser.Parsed.Hyperlinks.size());
}
BENCHMARK(BM_ParsePage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  std::printf("parse of a %d MB page: %.3f s (goal: well under 1 s)\n", EnvInt("KV_BENCH_MB", 4), lastSeconds);
  return 0;
}
