// The document window's Tidy report list.
// BM_TidyReportList: KV_BENCH_LINES warnings (default 100 000, each line
// twice) added to the cleared list as one run of Tidy delivers them; goal:
// well under a second.
// BM_TidyFloodCheck: a real check (the helper program included) of a page
// that leaves 25 inline elements open before KV_BENCH_PARAGRAPHS paragraphs
// (default 20 000, about 100 KB; Tidy reports about a million times): the
// time from the command to the last row listed, the longest stall of the
// event loop and the memory the program took.
// BM_TidyInfoFloodCheck: the same for KV_BENCH_ITEMS lines (default 30 000)
// of "<p foo=1 bar=2>item N <img src=xN.png></p>": about 180 000 reports,
// half of them information reports that come before the warnings; the
// 10 000 rows listed are warnings.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/core/LanguageModule.h"
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

// The resident size, in bytes.
qint64 ResidentBytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// A check of `page` in a document window, from the command to its last row.
void CheckFlood(benchmark::State& state, const QString& page) {
  TChildForm form;
  form.Memo1->SetText(page);
  const qint64 before = ResidentBytes();
  qint64 peak = before;
  qint64 longestStall = 0;
  int rows = 0;
  for (auto _ : state) {
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      longestStall = std::max(longestStall, sinceTick.restart());
      peak = std::max(peak, ResidentBytes());
    });
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!form.TidyRunning()) loop.quit();
    });
    sinceTick.start();
    tick.start();
    form.CheckHTMLExecute();
    poll.start();
    loop.exec();
    rows = form.Memo2->count();
  }
  state.counters["rows"] = rows;
  state.counters["stall_ms"] = double(longestStall);
  state.counters["peak_MB"] = double(peak >> 20);
  state.counters["grown_MB"] = double((peak - before) >> 20);
  const QString warning = u' ' + LangText(QStringLiteral("HT_Warning")) + QStringLiteral(": ");
  int warnings = 0;
  for (int i = 0; i < form.Memo2->count(); ++i)
    if (form.Memo2->item(i)->text().contains(warning)) ++warnings;
  state.counters["warning_rows"] = warnings;
  state.SetLabel("goal: every row listed in a few seconds, stall < 500 ms, growth < 150 MB");
}

void BM_TidyFloodCheck(benchmark::State& state) {
  CheckFlood(state, QStringLiteral("<b><i><u><em><strong><small><big><tt><code><kbd><var><cite><dfn><abbr><samp><sub>"
                                   "<sup><s><strike><q><font><label><a><span><bdo>") +
                        QStringLiteral("<p>x\n").repeated(EnvInt("KV_BENCH_PARAGRAPHS", 20000)));
}
BENCHMARK(BM_TidyFloodCheck)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TidyInfoFloodCheck(benchmark::State& state) {
  QString page;
  const int items = EnvInt("KV_BENCH_ITEMS", 30000);
  for (int n = 1; n <= items; ++n) page += QStringLiteral("<p foo=1 bar=2>item %1 <img src=x%1.png></p>\n").arg(n);
  CheckFlood(state, page);
}
BENCHMARK(BM_TidyInfoFloodCheck)->Unit(benchmark::kMillisecond)->Iterations(1);

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
