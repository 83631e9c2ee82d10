// The document window's Tidy report list: KV_BENCH_LINES warnings (default
// 100 000, each line twice) added to the cleared list as one run of Tidy
// delivers them; goal: well under a second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include "app/document/Child.h"
#include "authoring/TidyRun.h"
#include "authoring/tidy.h"
#include "bench/BenchUtil.h"
#include "platform/ProgramFolder.h"

namespace {

void BM_TidyReportList(benchmark::State& state) {
  const int count = EnvInt("KV_BENCH_LINES", 100000);
  QList<TTidyReport> reports;
  for (int i = 0; i < count; ++i)
    reports << TTidyReport{trlWarning, unsigned(i / 2 + 1), 7, QStringLiteral("<div> proprietary attribute \"x\"")};
  TChildForm form;
  for (auto _ : state) {
    form.Memo2->clear();
    form.AddTidyReports(reports);
  }
  state.SetLabel("goal: 100 000 warnings well under 1 s");
}
BENCHMARK(BM_TidyReportList)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  RunBenchmarks(argc, argv);
  SetProgramFolder(QString());
  return 0;
}
