// Speed and memory of the line buffer.
//
// The inputs are written by a separate step, and every memory figure comes
// from a fresh process that does nothing but load one file, so neither the
// generator's freed memory nor an earlier load flatters the figures:
//
//   bench_textbuffer --generate DIR   writes the inputs into DIR
//   bench_textbuffer --measure FILE   loads FILE and prints time and memory
//   bench_textbuffer [gbench flags]   both steps in child processes, then the
//                                     timed edit and save cases
//
//   KV_BENCH_MB     size of each generated file in MB (default 100)
//   KV_BENCH_LINES  line count of the large insert/delete case (default 2000000)
//   KV_BENCH_DOCS   folder searched for the documentation corpus (default /usr/share/doc)
#include "editor/SrcEditTextBuffer.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include "bench/BenchUtil.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr double kLoadGoal = 1.5;  // resident after loading, over the file size
constexpr double kPeakGoal = 2.5;  // highest resident while loading, over the file size

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
  const bool ok =
      WritePatterned(QDir(dir).filePath(kInputs[0]),
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

void BM_BaselinePlainWrite(benchmark::State& state) {
  QFile in(InputPath(0));
  in.open(QIODevice::ReadOnly);
  const QByteArray bytes = in.readAll();
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
  ScanLines(state, [&](int i) { return lines[i]; }, list.Count(), QFile(InputPath(0)).size());
}
BENCHMARK(BM_ScanFromStrings)->Unit(benchmark::kMillisecond);

void BM_ScanFromBuffer(benchmark::State& state) {
  TSrcEditStringList list;
  list.LoadFromFile(InputPath(0));
  ScanLines(state, [&](int i) { return list.Get(i); }, list.Count(), QFile(InputPath(0)).size());
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

  if (!Dir().isValid() || RunSelf({"--generate", Dir().path()}) != QString() || !QFile::exists(InputPath(2))) {
    std::fprintf(stderr, "could not write the inputs\n");
    return 1;
  }
  MeasureInputs();
  RatioReporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  auto ratio = [&](const char* a, const char* b, double goal) {
    const auto ia = reporter.times.find(a), ib = reporter.times.find(b);
    if (ia == reporter.times.end() || ib == reporter.times.end() || ib->second <= 0) return;
    std::printf("ratio %s / %s = %.2f (goal <= %.1f)\n", a, b, ia->second / ib->second, goal);
  };
  ratio("BM_LoadFromFile", "BM_BaselineReadAndDecode", 3);
  ratio("BM_SaveToFile", "BM_BaselinePlainWrite", 3);
  ratio("BM_ScanFromBuffer", "BM_ScanFromStrings", 1.1);
  return 0;
}
