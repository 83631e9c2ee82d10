// Speed of the rich-text import: reading an RTF document and turning it into
// HTML lines.
//
//   KV_BENCH_RTF_KB  size of the generated RTF document in KB (default 4096)
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstdlib>

#include "authoring/WtRichEditToHtml.h"
#include "bench/BenchUtil.h"
#include "platform/RtfReader.h"

namespace {

const QByteArray& Document() {
  static const QByteArray rtf = [] {
    const qsizetype target = static_cast<qsizetype>(EnvInt("KV_BENCH_RTF_KB", 4096)) * 1024;
    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n";
    for (int i = 0; out.size() < target; ++i) {
      out += "\\pard";
      if (i % 7 == 0) out += "\\qc";
      if (i % 11 == 0) out += "{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}";
      out += " Paragraph ";
      out += QByteArray::number(i);
      out +=
          " with {\\b bold}, {\\i\\cf1 red italic}, caf\\'e9 <tags> & {\\f1\\fs28 a larger face} and plain "
          "text that runs on for a while before the end.\\par\n";
    }
    out += "}";
    return out;
  }();
  return rtf;
}

void BM_ReadRtf(benchmark::State& state) {
  const QByteArray& rtf = Document();
  for (auto _ : state) benchmark::DoNotOptimize(RtfReader::Read(rtf));
  state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_ConvertToHtml(benchmark::State& state) {
  const TRichTextDocument doc = RtfReader::Read(Document());
  TWtRichEditToHtml conv;
  for (auto _ : state) benchmark::DoNotOptimize(conv.ConvertToHtmlstringList(doc));
  state.SetBytesProcessed(state.iterations() * Document().size());
}
BENCHMARK(BM_ConvertToHtml)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  RunBenchmarks(argc, argv);
  return 0;
}
