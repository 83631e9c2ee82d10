// Reading settings.ini the way a new document window does (about 25 keys),
// with the file unchanged and with the file
// changed on disk before every window. KV_BENCH_LINES adds unrelated lines
// to the file. Writing one key the way the options screen does when a
// control changes: the file locked, read, written through the safe save and
// checked for changes by others before it is replaced; and the same with a
// second link to the file, which is written in place through its journal.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/core/Settings.h"
#include "bench/BenchUtil.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

namespace {

QByteArray SettingsText(int extraLines, int version) {
  QByteArray text =
      "[EditWindow]\nBGCol=16777215\n[Font]\nColor=0\nStyle=Courier New\nSize=10\nCharSet=1\n"
      "[Gutter]\nVis=1\nWidth=15\n[LN]\nEnabled=1\n[BlockIndent]\nWidth=2\n[Margin]\nEnabled=1\nRight=80\n"
      "[Scrollhint]\nEnabled=0\n[Autoindent]\nEnabled=1\n[TtoSpaces]\nEnabled=0\n[SpecialChar]\nVis=0\n"
      "[SHigh]\nEnabled=1\n[SelectionMode]\nSet=0\n[HTMLTidy]\nEnabled=0\nSize=120\n"
      "[pvEdit]\nleft=0\ntop=0\n[pvtb]\nleft=0\ntop=0\n";
  text += "[Version]\nCount=" + QByteArray::number(version) + "\n[Other]\n";
  for (int i = 0; i < extraLines; ++i) text += "Key" + QByteArray::number(i) + "=some value\n";
  return text;
}

void Write(const QByteArray& bytes) {
  QFile f(Settings::FileName());
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

void ReadWindowSettings() {
  benchmark::DoNotOptimize(Settings::ReadEditorSettings({}));
  benchmark::DoNotOptimize(Settings::ReadPreviewBarLayout({}));
}

// How often settings.ini was opened for each window.
void CountOpens(benchmark::State& state, quint64 before) {
  state.counters["opens"] =
      benchmark::Counter(double(TIniFile::OpenCount(Settings::FileName()) - before), benchmark::Counter::kAvgIterations);
}

void BM_WindowSettingsUnchanged(benchmark::State& state) {
  Write(SettingsText(EnvInt("KV_BENCH_LINES", 200), 0));
  const quint64 opens = TIniFile::OpenCount(Settings::FileName());
  for (auto _ : state) ReadWindowSettings();
  CountOpens(state, opens);
  state.SetLabel("goal: under 1 ms for one window");
}
BENCHMARK(BM_WindowSettingsUnchanged)->Unit(benchmark::kMicrosecond);

void BM_WindowSettingsChangedOnDisk(benchmark::State& state) {
  const int lines = EnvInt("KV_BENCH_LINES", 200);
  int version = 0;
  const quint64 opens = TIniFile::OpenCount(Settings::FileName());
  for (auto _ : state) {
    state.PauseTiming();
    Write(SettingsText(lines, ++version));
    state.ResumeTiming();
    ReadWindowSettings();
  }
  CountOpens(state, opens);
  state.SetLabel("goal: under 2 ms for one window");
}
BENCHMARK(BM_WindowSettingsChangedOnDisk)->Unit(benchmark::kMicrosecond);

// With `linked`, the file has a second link (a backup made with "ln"), so it
// is written in place, through its journal.
void WriteOneKey(benchmark::State& state, bool linked) {
  Write(SettingsText(EnvInt("KV_BENCH_LINES", 200), 0));
  const QString backup = Settings::FileName() + QStringLiteral(".bak");
  QFile::remove(backup);
  if (linked) ::link(QFile::encodeName(Settings::FileName()).constData(), QFile::encodeName(backup).constData());
  TIniFile ini(Settings::FileName());
  int value = 0;
  for (auto _ : state) ini.WriteInteger(QStringLiteral("Margin"), QStringLiteral("Right"), ++value % 200);
  state.SetLabel("goal: under 20 ms a key (a control change of the options screen)");
  QFile::remove(backup);
}

void BM_WriteOneKey(benchmark::State& state) { WriteOneKey(state, false); }
BENCHMARK(BM_WriteOneKey)->Unit(benchmark::kMicrosecond);

void BM_WriteOneKeyWithASecondLink(benchmark::State& state) { WriteOneKey(state, true); }
BENCHMARK(BM_WriteOneKeyWithASecondLink)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  RunBenchmarks(argc, argv);
  SetProgramFolder(QString());
  return 0;
}
