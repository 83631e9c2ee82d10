// Speed and memory of the line buffer on a large HTML-like file.
//
//   KV_BENCH_MB     size of the generated file in MB (default 100)
//   KV_BENCH_LINES  line count of the large insert/delete case (default 2000000)
//
// After the runs the program prints the ratios against the baselines.
#include "editor/SrcEditTextBuffer.h"
#include "platform/TextCodec.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include "bench/BenchUtil.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}
QString SourcePath() { return Dir().filePath("big.html"); }

const QByteArray& FileBytes() {
  static const QByteArray bytes = [] {
    const QStringList lines = GenerateLines(
        static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 100)) * 1000 * 1000,
        {
            "<div class=\"item\"><a href=\"page%d.html\">Link</a></div>",
            "\t<p>Some paragraph text with &amp; entities and <b>bold</b> words %d.</p>",
            "\t\t<td align=\"left\">cell %d</td><td>value</td>",
            "<!-- comment line %d -->",
            "  <script type=\"text/javascript\">var x = %d;</script>",
            "",
        });
    const QByteArray out = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
    QFile f(SourcePath());
    if (f.open(QIODevice::WriteOnly)) f.write(out);
    return out;
  }();
  return bytes;
}

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

void BM_BaselineReadAndDecode(benchmark::State& state) {
  FileBytes();
  for (auto _ : state) {
    QFile f(SourcePath());
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    const QString text = TextCodec::decode(bytes, TextEncoding::Utf8);
    benchmark::DoNotOptimize(text.size());
  }
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
}
BENCHMARK(BM_BaselineReadAndDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadFromFile(benchmark::State& state) {
  FileBytes();
  long rssAfterLoad = 0;
  for (auto _ : state) {
    auto list = std::make_unique<TSrcEditStringList>();
    const long before = ResidentBytes();
    list->LoadFromFile(SourcePath());
    benchmark::DoNotOptimize(list->Count());
    state.PauseTiming();  // freeing the text is not part of loading it
    rssAfterLoad = ResidentBytes() - before;
    list.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
  state.counters["rss_per_file_byte"] = static_cast<double>(rssAfterLoad) / static_cast<double>(FileBytes().size());
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BaselinePlainWrite(benchmark::State& state) {
  const QByteArray& bytes = FileBytes();
  const QString out = Dir().filePath("plain.html");
  for (auto _ : state) {
    QFile f(out);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_BaselinePlainWrite)->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state) {
  FileBytes();
  TSrcEditStringList list;
  list.LoadFromFile(SourcePath());
  const QString out = Dir().filePath("saved.html");
  for (auto _ : state) list.SaveToFile(out);
  state.SetBytesProcessed(state.iterations() * FileBytes().size());
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

void BM_InsertDeleteMiddle(benchmark::State& state) {
  TSrcEditStringList list;
  const int lines = static_cast<int>(state.range(0));
  list.BeginUpdate();
  for (int i = 0; i < lines; ++i) list.Add(QStringLiteral("<td>cell</td>"));
  list.EndUpdate();
  const QString line = QStringLiteral("<p>inserted line</p>");
  const int where = lines / 2;
  for (auto _ : state) {
    list.Insert(where, line);
    list.Delete(where);
  }
}
BENCHMARK(BM_InsertDeleteMiddle)->Arg(10000)->Arg(EnvInt("KV_BENCH_LINES", 2000000))->Unit(benchmark::kMicrosecond);

// Keeps the mean time of every run so that ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find('/'));
      times[name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  auto ratio = [&](const char* a, const char* b) {
    const auto ia = reporter.times.find(a), ib = reporter.times.find(b);
    if (ia == reporter.times.end() || ib == reporter.times.end() || ib->second <= 0) return;
    std::printf("ratio %s / %s = %.2f (target <= 3)\n", a, b, ia->second / ib->second);
  };
  ratio("BM_LoadFromFile", "BM_BaselineReadAndDecode");
  ratio("BM_SaveToFile", "BM_BaselinePlainWrite");
  return 0;
}
