// Speed and memory of the line buffer.
//
// The inputs are written by a separate step, and every memory figure comes
// from a fresh process that does nothing but load one file, so neither the
// generator's freed memory nor an earlier load flatters the figures:
//
//   bench_textbuffer --generate DIR   writes the inputs into DIR
//   bench_textbuffer --measure FILE   loads FILE and prints time and memory
//   bench_textbuffer --save FILE OUT  loads FILE, then times its save to OUT
//   bench_textbuffer --write FILE OUT times a plain durable write of FILE's
//                                     bytes to OUT (see DurableWrite)
//   bench_textbuffer [gbench flags]   these steps in child processes, then the
//                                     timed edit and save cases
//
//   KV_BENCH_MB     size of each generated file in MB (default 100)
//   KV_BENCH_LINES  line count of the large insert/delete case (default 2000000)
//   KV_BENCH_DOCS   folder searched for the documentation corpus (default /usr/share/doc)
//   KV_BENCH_SAVES  pairs of save and plain write per input (default 7)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchUtil.h"
#include "editor/SrcEditTextBuffer.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "platform/TextCodec.h"

namespace {

constexpr double kLoadGoal = 1.5;  // resident after loading, over the file size
constexpr double kPeakGoal = 2.5;  // highest resident while loading, over the file size
constexpr double kSaveGoal = 1.5;  // a save's time over a plain durable write of the same bytes

const char* const kInputs[] = {"ascii.html", "docs.html", "wide.txt"};

qint64 TargetBytes() { return static_cast<qint64>(EnvInt("KV_BENCH_MB", 100)) * 1000 * 1000; }

// Writes lines made from the patterns until the file reaches the target size.
bool WritePatterned(const QString& path, std::initializer_list<const char*> patterns, bool utf8) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  const QStringList lines = GenerateLines(TargetBytes(), patterns);
  QByteArray chunk;
  for (const QString& line : lines) {
    chunk += utf8 ? line.toUtf8() : line.toLatin1();
    chunk += "\r\n";
    if (chunk.size() > (1 << 20)) f.write(std::exchange(chunk, QByteArray()));
  }
  f.write(chunk);
  return true;
}

// Real pages: the HTML documentation on this machine, one after the other,
// repeated until the target size.
bool WriteCorpus(const QString& path) {
  QStringList pages;
  const QString root = qEnvironmentVariableIsSet("KV_BENCH_DOCS") ? qEnvironmentVariable("KV_BENCH_DOCS")
                                                                  : QStringLiteral("/usr/share/doc");
  for (QDirIterator it(root, {"*.html", "*.htm"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
    pages << it.next();
  pages.sort();
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return false;
  qint64 written = 0;
  bool any = true;
  while (written < TargetBytes() && any) {
    any = false;
    for (const QString& page : pages) {
      QFile in(page);
      if (!in.open(QIODevice::ReadOnly)) continue;
      const QByteArray bytes = in.readAll();
      if (bytes.isEmpty()) continue;
      any = true;
      written += out.write(bytes.left(TargetBytes() - written));
      if (written >= TargetBytes()) break;
    }
  }
  if (written == 0) {  // no documentation here: a page of our own
    out.close();
    return WritePatterned(path, {"<p>Paragraph %d of the manual, with <a href=\"x.html\">a link</a>.</p>"}, false);
  }
  return true;
}

int Generate(const QString& dir) {
  QDir().mkpath(dir);
  const bool ok = WritePatterned(QDir(dir).filePath(kInputs[0]),
                                 {
                                     "<div class=\"item\"><a href=\"page%d.html\">Link</a></div>",
                                     "\t<p>Some paragraph text with &amp; entities and <b>bold</b> words %d.</p>",
                                     "\t\t<td align=\"left\">cell %d</td><td>value</td>",
                                     "<!-- comment line %d -->",
                                     "  <script type=\"text/javascript\">var x = %d;</script>",
                                     "",
                                 },
                                 false) &&
                  WriteCorpus(QDir(dir).filePath(kInputs[1])) &&
                  WritePatterned(QDir(dir).filePath(kInputs[2]),
                                 {
                                     "<p>Line %d costs 12 \u20AC and reads &quot;plain&quot; otherwise.</p>",
                                     "<li>Item %d: \u0416 is a Cyrillic letter among ASCII ones</li>",
                                     "<td>%d \u4E2D</td><td>more cells of ordinary text</td>",
                                 },
                                 true);
  return ok ? 0 : 1;
}

qint64 StatusKb(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
  return 0;
}

// Prints "ms rssRatio peakRatio" for one load of the file.
int Measure(const QString& path) {
  const qint64 size = QFile(path).size();
  const qint64 before = StatusKb("VmRSS:");
  QElapsedTimer timer;
  timer.start();
  TSrcEditStringList list;
  list.LoadFromFile(path);
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  const qint64 after = StatusKb("VmRSS:");
  const qint64 peak = StatusKb("VmHWM:");
  std::printf("%.1f %.3f %.3f %d\n", ms, 1024.0 * static_cast<double>(after - before) / static_cast<double>(size),
              1024.0 * static_cast<double>(peak - before) / static_cast<double>(size), list.Count());
  return 0;
}

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The least a safe save must do: the bytes into a new file beside the target,
// on disk (fsync), under the target's name (rename), the new name on disk too
// (fsync of the folder). False on any failure.
bool DurableWrite(const QByteArray& bytes, const QString& target) {
  const QByteArray path = QFile::encodeName(target);
  const QByteArray temp = path + ".plain";
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  for (qsizetype done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      return false;
    }
    done += n;
  }
  const bool synced = ::fsync(fd) == 0;
  if (::close(fd) != 0 || !synced || ::rename(temp.constData(), path.constData()) != 0) return false;
  const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
  if (dir < 0) return false;
  ::fsync(dir);
  ::close(dir);
  return true;
}

// Prints "ms cpuMs" for one save of FILE to OUT.
int TimeSave(const QString& path, const QString& out) {
  TSrcEditStringList list;
  list.LoadFromFile(path);
  QElapsedTimer timer;
  const double cpu = CpuMs();
  timer.start();
  list.SaveToFile(out);
  std::printf("%.1f %.1f\n", static_cast<double>(timer.nsecsElapsed()) / 1e6, CpuMs() - cpu);
  return 0;
}

// Prints "ms cpuMs" for one durable write of FILE's bytes to OUT.
int TimePlainWrite(const QString& path, const QString& out) {
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) return 1;
  const QByteArray bytes = in.readAll();
  QElapsedTimer timer;
  const double cpu = CpuMs();
  timer.start();
  if (!DurableWrite(bytes, out)) return 1;
  std::printf("%.1f %.1f\n", static_cast<double>(timer.nsecsElapsed()) / 1e6, CpuMs() - cpu);
  return 0;
}

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}
QString InputPath(int i) { return Dir().filePath(kInputs[i]); }

QString RunSelf(const QStringList& args) {
  QProcess p;
  p.start(QCoreApplication::applicationFilePath(), args);
  p.waitForFinished(-1);
  return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The memory table: each file loaded in a process of its own.
void MeasureInputs() {
  std::printf("%-12s %10s %10s %14s %14s\n", "input", "MB", "load ms", "resident/size", "peak/size");
  for (int i = 0; i < 3; ++i) {
    const QStringList f = RunSelf({"--measure", InputPath(i)}).split(' ');
    if (f.size() < 3) {
      std::printf("%-12s measuring failed\n", kInputs[i]);
      continue;
    }
    std::printf("%-12s %10.1f %10s %8s (<= %.1f) %8s (<= %.1f)\n", kInputs[i],
                static_cast<double>(QFile(InputPath(i)).size()) / 1e6, qPrintable(f[0]), qPrintable(f[1]), kLoadGoal,
                qPrintable(f[2]), kPeakGoal);
  }
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The save table: each save and each plain durable write of the same bytes
// in a process of its own, in interleaved pairs (the order alternating), as
// medians of wall and CPU time.
void MeasureSaves() {
  const int pairs = std::max(1, EnvInt("KV_BENCH_SAVES", 7));
  QFile loadavg(QStringLiteral("/proc/loadavg"));
  const QByteArray load = loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().trimmed() : QByteArray("?");
  std::printf("\nsave vs plain write + fsync + rename, medians of %d pairs (load average %s)\n", pairs,
              load.constData());
  std::printf("%-12s %10s %10s %10s %10s %18s %10s\n", "input", "save ms", "write ms", "save cpu", "write cpu",
              "save/write", "cpu ratio");
  for (int i = 0; i < 3; ++i) {
    const QString saved = Dir().filePath(QStringLiteral("saved-") + kInputs[i]);
    const QString plain = Dir().filePath(QStringLiteral("plain-") + kInputs[i]);
    // A first save, not counted, gives the bytes the plain write writes: a
    // save may differ from the file read (a break after the last line, one
    // style of line break).
    const QString bytes = Dir().filePath(QStringLiteral("bytes-") + kInputs[i]);
    std::vector<double> save, write, saveCpu, writeCpu;
    bool failed = RunSelf({"--save", InputPath(i), bytes}).isEmpty();
    for (int r = 0; r < pairs && !failed; ++r) {
      for (int k = 0; k < 2; ++k) {
        const bool doSave = (k == 0) == (r % 2 == 0);
        const QStringList f =
            RunSelf({doSave ? "--save" : "--write", doSave ? InputPath(i) : bytes, doSave ? saved : plain}).split(' ');
        if (f.size() < 2) {
          failed = true;
          break;
        }
        (doSave ? save : write).push_back(f[0].toDouble());
        (doSave ? saveCpu : writeCpu).push_back(f[1].toDouble());
      }
    }
    if (failed) {
      std::printf("%-12s measuring failed\n", kInputs[i]);
      continue;
    }
    const QByteArray written = FileBytes(saved);
    const bool same = FileBytes(plain) == written && FileBytes(bytes) == written;
    QFile::remove(bytes);
    std::printf("%-12s %10.1f %10.1f %10.1f %10.1f %8.2f (<= %.1f) %10.2f%s\n", kInputs[i], Median(save), Median(write),
                Median(saveCpu), Median(writeCpu), Median(save) / Median(write), kSaveGoal,
                Median(saveCpu) / std::max(Median(writeCpu), 0.1), same ? "" : "  (bytes differ!)");
  }
  std::printf("\n");
}

// Reading the file and decoding it into one string: what any editor does.
void BM_BaselineReadAndDecode(benchmark::State& state) {
  for (auto _ : state) {
    QFile f(InputPath(0));
    f.open(QIODevice::ReadOnly);
    const QString text = TextCodec::decode(f.readAll(), TextEncoding::Utf8);
    benchmark::DoNotOptimize(text.size());
  }
  state.SetBytesProcessed(state.iterations() * QFile(InputPath(0)).size());
}
BENCHMARK(BM_BaselineReadAndDecode)->Unit(benchmark::kMillisecond);

void BM_LoadFromFile(benchmark::State& state) {
  for (auto _ : state) {
    auto list = std::make_unique<TSrcEditStringList>();
    list->LoadFromFile(InputPath(0));
    benchmark::DoNotOptimize(list->Count());
    state.PauseTiming();  // freeing the text is not part of loading it
    list.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * QFile(InputPath(0)).size());
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);

// The same bytes as the save writes, with the same durability.
void BM_BaselineDurableWrite(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  const QByteArray bytes = list.SaveToBytes();
  const QString out = Dir().filePath("plain.html");
  for (auto _ : state)
    if (!DurableWrite(bytes, out)) state.SkipWithError("the plain write failed");
  state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_BaselineDurableWrite)->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  const QString out = Dir().filePath("saved.html");
  for (auto _ : state) list.SaveToFile(out);
  state.SetBytesProcessed(state.iterations() * QFile(InputPath(0)).size());
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

// What a scan of the whole text (the rescan after a highlighter is attached)
// costs, reading the lines from the buffer, against the same scan over
// strings already in hand: the buffer's narrow forms are widened per line.
void ScanLines(benchmark::State& state, const std::function<QString(int)>& line, int count, qint64 bytes) {
  TSrcHTMLHighlighter html;
  for (auto _ : state) {
    html.ResetRange();
    for (int i = 0; i < count; ++i) {
      html.SetLine(line(i), i);
      html.ScanToLineEnd();
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_ScanFromStrings(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  const QStringList lines = list.ToStringList();
  ScanLines(
      state, [&](int i) { return lines[i]; }, list.Count(), QFile(InputPath(0)).size());
}
BENCHMARK(BM_ScanFromStrings)->Unit(benchmark::kMillisecond);

void BM_ScanFromBuffer(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  ScanLines(
      state, [&](int i) { return list.Get(i); }, list.Count(), QFile(InputPath(0)).size());
}
BENCHMARK(BM_ScanFromBuffer)->Unit(benchmark::kMillisecond);

// Typing on one line in the middle of a large text: the line is replaced at
// every keystroke.
void BM_TypeInTheMiddle(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  const int where = list.Count() / 2;
  QString line = list.Get(where);
  for (auto _ : state) {
    line += u'x';
    if (line.size() > 200) line.truncate(10);
    list.Put(where, line);
  }
}
BENCHMARK(BM_TypeInTheMiddle)->Unit(benchmark::kMicrosecond);

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
  QCoreApplication app(argc, argv);
  if (argc == 3 && std::string(argv[1]) == "--generate") return Generate(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && std::string(argv[1]) == "--measure") return Measure(QString::fromLocal8Bit(argv[2]));
  if (argc == 4 && std::string(argv[1]) == "--save")
    return TimeSave(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  if (argc == 4 && std::string(argv[1]) == "--write")
    return TimePlainWrite(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

  if (!Dir().isValid() || RunSelf({"--generate", Dir().path()}) != QString() || !QFile::exists(InputPath(2))) {
    std::fprintf(stderr, "could not write the inputs\n");
    return 1;
  }
  MeasureInputs();
  MeasureSaves();
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  auto ratio = [&](const char* a, const char* b, double goal) {
    const auto ia = reporter.times.find(a), ib = reporter.times.find(b);
    if (ia == reporter.times.end() || ib == reporter.times.end() || ib->second <= 0) return;
    std::printf("ratio %s / %s = %.2f (goal <= %.1f)\n", a, b, ia->second / ib->second, goal);
  };
  ratio("BM_LoadFromFile", "BM_BaselineReadAndDecode", 3);
  ratio("BM_SaveToFile", "BM_BaselineDurableWrite", kSaveGoal);
  ratio("BM_ScanFromBuffer", "BM_ScanFromStrings", 1.1);
  return 0;
}
