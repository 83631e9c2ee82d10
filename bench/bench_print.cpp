// What the user waits for when exporting and printing a large highlighted
// HTML document: the RTF export (build and write the file), the page layout
// of the print engine, and printing every page to a PDF file.
//
//   KV_BENCH_KB   size of the document in KB (default 1000)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <string>

#include "bench/BenchUtil.h"
#include "editor/SrcEditPrint.h"
#include "editor/SrcExportRTF.h"
#include "highlighters/SrcHighlighterHtml.h"

namespace {
const QStringList& Lines() {
  static const QStringList lines = GenerateLines(
      static_cast<qsizetype>(EnvInt("KV_BENCH_KB", 1000)) * 1000,
      {
          "<p class=\"intro\">Some paragraph text with several words, line %d, and a {brace} \\ here.</p>",
          "\t<td align=\"left\">cell %d</td><td>value</td><td>banner</td>",
          "<a href=\"page%d.html\">next page</a> &nbsp; <b>bold</b> caf\xe9",
          "<!-- a comment on line %d -->",
          "<script>var counter = %d; function go() { return counter; }</script>",
      });
  return lines;
}

std::map<std::string, double> seconds;

void BM_ExportRtf(benchmark::State& state) {
  TSrcHTMLHighlighter hl;
  QTemporaryDir dir;
  for (auto _ : state) {
    TSrcExporterRTF rtf;
    rtf.SetHighlighter(&hl);
    rtf.ExportAll(Lines());
    rtf.SaveToFile(dir.filePath("out.rtf"));
  }
}
BENCHMARK(BM_ExportRtf)->Unit(benchmark::kMillisecond);

void BM_PrintLayout(benchmark::State& state) {
  TSrcHTMLHighlighter hl;
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("layout.pdf"));
  TPrinterCanvas canvas(printer);
  for (auto _ : state) {
    TSrcEditPrint print;
    print.SetFont(QFont(QStringLiteral("Courier New"), 10));
    print.SetLines(Lines());
    print.SetHighlighter(&hl);
    state.counters["pages"] = print.PageCount(canvas);
  }
}
BENCHMARK(BM_PrintLayout)->Unit(benchmark::kMillisecond);

void BM_PrintToPdf(benchmark::State& state) {
  TSrcHTMLHighlighter hl;
  QTemporaryDir dir;
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    TSrcEditPrint print;
    print.SetFont(QFont(QStringLiteral("Courier New"), 10));
    print.SetLines(Lines());
    print.SetHighlighter(&hl);
    print.Colors = true;
    print.LineNumbers = true;
    print.Print(printer);
  }
}
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) seconds[r.benchmark_name()] = r.GetAdjustedRealTime() / 1000.0;
    ConsoleReporter::ReportRuns(runs);
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Reporter reporter;
  RunBenchmarks(argc, argv, &reporter);
  const double mb = EnvInt("KV_BENCH_KB", 1000) / 1000.0;
  const struct {
    const char* name;
    double goal;  // seconds per MB
  } goals[] = {{"BM_ExportRtf", 1.0}, {"BM_PrintLayout", 0.5}, {"BM_PrintToPdf/iterations:1", 20.0}};
  for (const auto& g : goals)
    if (seconds.count(g.name) && mb > 0)
      std::printf("%s: %.2f s per MB (goal <= %.1f s per MB)\n", g.name, seconds[g.name] / mb, g.goal);
  return 0;
}
