// Speed of the link parser and of the link check.
//
// The parser: a generated page of KV_BENCH_MB megabytes (default 4) with
// links, images, tags spread over lines and long runs of text, parsed as the
// link check parses a document.
//
// The link check: a page of 1000 and of 3000 local links (three in four
// anchors, one in four images; every other target there, the rest missing)
// checked on the "Verify Links" page of a shown document window, as the
// start button runs it, until the last row is listed and the list drawn.
// Each check runs in a fresh process of its own (`bench_links --check N`),
// KV_BENCH_RUNS times (default 5); the median is printed beside the goal.
//
//   KV_BENCH_MB     size of the parsed page in MB
//   KV_BENCH_RUNS   processes per link count
//   KV_BENCH_LINKS  link counts, separated by commas (default 1000,3000)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/LinkCheck.h"
#include "app/document/Child.h"
#include "authoring/HTMLParser.h"
#include "bench/BenchUtil.h"
#include "platform/ProgramFolder.h"

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

// Checks a page of `count` local links on the link page of a shown document
// window; prints the seconds from the press of the start button until the
// last row is listed and drawn. Returns the process's exit code.
int CheckLinks(int argc, char** argv, int count) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString root = dir.path() + u'/';
  SetProgramFolder(root);
  // The program's own English texts.
  QDir(root).mkpath(QStringLiteral("Language Modules"));
  const QString module = root + QStringLiteral("Language Modules/english.lms");
  QFile::copy(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms"), module);
  Settings::Open().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), module);
  LoadLanguageModule();
  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);

  const QString site = root + QStringLiteral("site/");
  QDir().mkpath(site + QStringLiteral("images"));
  QString page = QStringLiteral("<html><body>\n");
  for (int i = 0; i < count; ++i) {
    const QString name = (i % 4 == 3 ? QStringLiteral("images/p%1.png") : QStringLiteral("page%1.html")).arg(i);
    if (i % 2 == 0) {
      QFile file(site + name);
      if (!file.open(QIODevice::WriteOnly)) return 1;
    }
    page += i % 4 == 3 ? QStringLiteral("<p><img src=\"%1\" alt=\"\"></p>\n").arg(name)
                       : QStringLiteral("<p><a href=\"%1\">Page %2</a></p>\n").arg(name).arg(i);
  }
  page += QStringLiteral("</body></html>\n");

  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  form.resize(1000, 700);
  form.show();
  form.Memo1->SetText(page);
  TLinkCheckPage& links = *form.LinkPage;
  links.Edit2->setText(site);
  form.PageControl1->setCurrentWidget(&links);
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();

  QEventLoop loop;
  QObject::connect(links.Checker(), &TLinkChecker::Finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  QElapsedTimer timer;
  timer.start();
  form.vfLinksClick();
  if (links.Checker()->Running()) loop.exec();
  // What is left to lay out and draw of the list.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

  const int rows = links.ListView1->topLevelItemCount();
  if (rows != count) {
    std::fprintf(stderr, "%d rows listed for %d links\n", rows, count);
    return 1;
  }
  std::printf("%.4f\n", seconds);
  SetPrompts(nullptr);
  SetProgramFolder(QString());
  return 0;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Runs the link check of each count in fresh processes and prints the
// medians beside the goal (0.5 s per 1000 links).
void MeasureLinkChecks() {
  const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  const int runs = std::max(1, EnvInt("KV_BENCH_RUNS", 5));
  const char* env = std::getenv("KV_BENCH_LINKS");
  const QStringList counts = QString::fromLatin1(env && *env ? env : "1000,3000").split(u',', Qt::SkipEmptyParts);
  for (const QString& count : counts) {
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
      QProcess p;
      p.start(self, {QStringLiteral("--check"), count});
      p.waitForFinished(-1);
      bool ok = false;
      const double s = QString::fromLatin1(p.readAllStandardOutput()).trimmed().toDouble(&ok);
      if (p.exitCode() != 0 || !ok) {
        std::printf("link check of %s local links: failed (%s)\n", qPrintable(count),
                    p.readAllStandardError().trimmed().constData());
        break;
      }
      seconds.push_back(s);
    }
    if (seconds.empty()) continue;
    const double goal = 0.5 * count.toInt() / 1000;
    std::printf("link check of %s local links, listed: %.3f s, median of %zu processes (goal: %.1f s)\n",
                qPrintable(count), Median(seconds), seconds.size(), goal);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--check") {
    int one = 1;
    return CheckLinks(one, argv, std::atoi(argv[2]));
  }
  RunBenchmarks(argc, argv);
  std::printf("parse of a %d MB page: %.3f s (goal: well under 1 s)\n", EnvInt("KV_BENCH_MB", 4), lastSeconds);
  MeasureLinkChecks();
  return 0;
}
