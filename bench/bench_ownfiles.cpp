// The window's longest stall while another process holds the program
// folder's lock: a child process takes the lock and keeps it for
// KV_BENCH_HOLD_MS (2000; the argument 0 lets it go at once, for the same
// work with the lock free); meanwhile the event loop changes a setting every
// 50 ms, reads the settings a new window reads, and adds a recent file, as
// clicks and opened documents do. A 1 ms timer measures the longest time the
// loop was kept from it. Once the holder lets go, the settings file holds the
// last value written.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "app/core/RecentFiles.h"
#include "app/core/Settings.h"
#include "bench/BenchUtil.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"

namespace {

// A child process holding `folder`'s lock for `ms` milliseconds; returns
// once the lock is held.
pid_t HoldFolderLock(const QString& folder, int ms) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "r", 1) != 1) _exit(1);
    ::usleep(static_cast<useconds_t>(ms) * 1000);
    _exit(0);
  }
  ::close(ready[1]);
  char c = 0;
  const bool held = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  return held ? child : -1;
}

void BM_WindowStallWithTheFolderLockHeld(benchmark::State& state) {
  const int runMs = EnvInt("KV_BENCH_HOLD_MS", 2000);
  const int holdMs = state.range(0) == 0 ? 0 : runMs;
  double longest = 0, written = 0;
  for (auto _ : state) {
    QFile::remove(Settings::FileName());
    Settings::Open().WriteInteger(QStringLiteral("Margin"), QStringLiteral("Right"), 0);
    const pid_t holder = HoldFolderLock(ProgramFolder(), holdMs);
    if (holder < 0) {
      state.SkipWithError("the folder's lock could not be taken");
      return;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, stall = 0;
    int value = 0;
    QTimer tick, click;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      stall = std::max(stall, now - last);
      last = now;
    });
    QObject::connect(&click, &QTimer::timeout, [&] {
      TIniFile ini = Settings::Open();
      ini.WriteInteger(QStringLiteral("Margin"), QStringLiteral("Right"), ++value);
      benchmark::DoNotOptimize(Settings::ReadEditorSettings({}));
      RecentFiles::Write({QStringLiteral("/tmp/page%1.html").arg(value)});
    });
    tick.start(1);
    click.start(50);
    QTimer::singleShot(runMs + 500, [] { QCoreApplication::exit(); });
    last = clock.nsecsElapsed();
    QCoreApplication::exec();
    tick.stop();
    click.stop();
    int status = 0;
    ::waitpid(holder, &status, 0);
    longest = std::max(longest, double(stall) / 1e6);
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    written = TIniFile(Settings::FileName()).ReadInteger(QStringLiteral("Margin"), QStringLiteral("Right"), -1) == value;
  }
  state.counters["longest_stall_ms"] = longest;
  state.counters["last_value_on_disk"] = written;
  state.SetLabel("goal: longest stall under 100 ms; the last value on disk (1)");
}
BENCHMARK(BM_WindowStallWithTheFolderLockHeld)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  SetProgramFolder(dir.path());
  RunBenchmarks(argc, argv);
  SetProgramFolder(QString());
  return 0;
}
