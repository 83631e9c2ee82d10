// Reading the icon cache at start: a file of the pictures a run draws
// (KV_BENCH_PICTURES pictures of 24 by 24 pixels), and a well-formed file of
// 640 000 one-pixel pictures (31.8 MB, KV_BENCH_TINY changes the count) that
// no run makes. The growth of the resident memory over each read is given
// beside the time.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/look/IconCache.h"
#include "bench/BenchUtil.h"
#include "platform/Memory.h"
#include "tests/app/look/IconCacheFiles.h"

namespace {

void Read(benchmark::State& state, const QByteArray& bytes) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("icons.cache"));
  QFile f(file);
  if (!f.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write the file");
  f.write(bytes);
  f.close();
  qint64 growth = 0;
  for (auto _ : state) {
    const qint64 before = Memory::Resident();
    TIconCache cache(file);
    benchmark::DoNotOptimize(cache.Load("stamp"));
    growth = std::max(growth, Memory::Resident() - before);
  }
  state.counters["file_MB"] = double(bytes.size()) / (1 << 20);
  state.counters["rss_growth_MB"] = double(growth) / (1 << 20);
}

void BM_IconCacheOfOneRun(benchmark::State& state) {
  Read(state, IconCacheFile("stamp", EnvInt("KV_BENCH_PICTURES", 300), 24));
  state.SetLabel("goal: under 20 ms");
}
BENCHMARK(BM_IconCacheOfOneRun)->Unit(benchmark::kMillisecond);

void BM_IconCacheOfTinyPictures(benchmark::State& state) {
  Read(state, IconCacheFile("stamp", EnvInt("KV_BENCH_TINY", 640000), 1));
  state.SetLabel("goal: refused in under 5 ms, memory growth under 1 MB (was 2 s and 287 MB)");
}
BENCHMARK(BM_IconCacheOfTinyPictures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  RunBenchmarks(argc, argv);
  return 0;
}
