// Speed of the regular-expression engine and of the multi-language
// highlighter over a generated mixed document (HTML with scripts, style
// sheets, server-side VBScript and PHP):
//   - the code library's twelve marker expressions searched line by line,
//     ours against PCRE2's interpreter (no JIT) on the same lines;
//   - the multi highlighter's scan of the whole document from the top;
//   - one keystroke in an editor holding a document of twice that size: the
//     ">" that completes a "<script" on the first line, with the rescan the
//     editor makes at once. Measured on the mixed document (later scripts
//     close again) and on one without any "</script>" after the top (every
//     line changes state).
//   - hostile searches that end with the step budget spent: back-references
//     compared over and over on long lines, and a line on which a marker
//     expression backtracks without end at every place.
//
//   KV_BENCH_MB   size of the generated document in MB (default 50)
#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>

#include "bench/BenchUtil.h"
#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "regex/SrcRegex.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

qsizetype TargetBytes() { return static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 50)) * 1000 * 1000; }

const char* const kMixed[] = {
    "<html><head><title>Page %d</title>",
    "<style type=\"text/css\">",
    "  body.page%d { font-family: 'Arial', sans-serif; color: #FF00aa; }",
    "  div#main > p { margin: -5px 0 %dpx 0; /* note */ }",
    "</style>",
    "<SCRIPT>",
    "  function printNumber%d(number) { var total = 0x1F + number * 12.5; return total; }",
    "  document.write(\"The number is \" + %d + \" and 'more'\");",
    "</script>",
    "<body bgcolor=\"#FFFFFF\"><table width=\"100%%\"><tr><td align=left>cell %d</td></tr></table>",
    "\t<p>Some text with &amp; entities and <b>bold</b> and <i>italic</i> words %d.</p>",
    "<% Response.Write(\"server side %d\") %>",
    "<?php echo \"row %d\"; $total = $total + 1; ?>",
    "  <a href=\"page%d.html\" target=_blank>Link &raquo;</a><br>",
    "</body></html>",
};

// The same without any script block: nothing closes a script opened above.
const char* const kNoScripts[] = {
    "<html><head><title>Page %d</title>",
    "<style type=\"text/css\">",
    "  body.page%d { font-family: 'Arial', sans-serif; color: #FF00aa; }",
    "</style>",
    "<body bgcolor=\"#FFFFFF\"><table width=\"100%%\"><tr><td align=left>cell %d</td></tr></table>",
    "\t<p>Some text with &amp; entities and <b>bold</b> and <i>italic</i> words %d.</p>",
    "<% Response.Write(\"server side %d\") %>",
    "  <a href=\"page%d.html\" target=_blank>Link &raquo;</a><br>",
    "</body></html>",
};

QStringList Generate(qsizetype bytes, bool scripts) {
  QStringList out;
  qsizetype size = 0;
  char line[512];
  const auto* patterns = scripts ? kMixed : kNoScripts;
  const int count = scripts ? static_cast<int>(std::size(kMixed)) : static_cast<int>(std::size(kNoScripts));
  for (int i = 0; size < bytes; ++i) {
    const int n = std::snprintf(line, sizeof line, patterns[i % count], i);
    out << QString::fromLatin1(line, n);
    size += n + 2;
  }
  return out;
}

const QStringList& Document() {
  static const QStringList doc = Generate(TargetBytes(), true);
  return doc;
}

qsizetype Bytes(const QStringList& lines) {
  qsizetype n = 0;
  for (const QString& l : lines) n += l.size() + 2;
  return n;
}

// The code library's schemes: start, end, highlighter index, case rule.
struct TSchemeSpec {
  const char* name;
  const char* start;
  const char* end;
  int highlighter;  // 0 CSS, 1 JavaScript, 2 VBScript, 3 PHP
  bool caseSensitive;
};
const TSchemeSpec kSchemes[] = {
    {"CSS Full", "<style type=\"text/css\">", "</style>", 0, false},
    {"JS simp", "<script>", "</script>", 1, false},
    {"csssimp", "<style>", "</style>", 0, false},
    {"JS Full", "<script language=\"JavaScript\" type=\"text/javascript\">", "</script>", 1, false},
    {"asp htmllay", "<%", "%>", 2, false},
    {"php", "<?php", ">", 3, true},
};

class TLibraryMulti : public TSrcMultiHighlighter {
 public:
  TLibraryMulti() {
    SetDefaultHighlighter(new TSrcHTMLHighlighter(this));
    TSrcCustomHighlighter* subs[] = {new TSrcCssHighlighter(this), new TSrcJScriptHighlighter(this),
                                     new TSrcVBScriptHighlighter(this), new TSrcPHPHighlighter(this)};
    for (const TSchemeSpec& s : kSchemes) {
      TMultiScheme* scheme = Schemes().Add();
      scheme->SetSchemeName(QString::fromLatin1(s.name));
      scheme->SetCaseSensitive(s.caseSensitive);
      scheme->SetStartExpr(QString::fromLatin1(s.start));
      scheme->SetEndExpr(QString::fromLatin1(s.end));
      scheme->SetHighlighter(subs[s.highlighter]);
    }
  }
};

struct TFigures {
  double ours = 0, pcre = 0, scan = 0, htmlScan = 0, keyMixed = 0, keyWorst = 0;
  double keyMixedBytes = 0, keyWorstBytes = 0;
  double backref1 = 0, backref4 = 0, hostileLine = 0;
} figures;

void Keep(double& slot, double seconds) { slot = slot > 0 ? std::min(slot, seconds) : seconds; }

// Runs `search` (which gives its number of hits) on every line of the
// document, `expressions` searches per line, keeping the best time.
template <class F>
void SearchEachLine(benchmark::State& state, double& best, int expressions, F search) {
  const QStringList& doc = Document();
  qint64 hits = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    for (const QString& line : doc) hits += search(line);
    Keep(best, timer.nsecsElapsed() / 1e9);
  }
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * Bytes(doc) * expressions);
}

// Every marker expression once over every line, as the marker finder
// searches a line that holds no marker.
void OurMarkers(benchmark::State& state) {
  std::vector<std::unique_ptr<TRegexEngine>> engines;
  for (const TSchemeSpec& s : kSchemes)
    for (const char* expr : {s.start, s.end}) {
      auto re = std::make_unique<TRegexEngine>();
      re->SetModifier(1, !s.caseSensitive);
      re->SetExpression(QString::fromLatin1(expr));
      re->Compile();
      engines.push_back(std::move(re));
    }
  SearchEachLine(state, figures.ours, static_cast<int>(engines.size()), [&](const QString& line) {
    int hits = 0;
    for (auto& re : engines) hits += re->ExecView(line) ? 1 : 0;
    return hits;
  });
}

void PcreMarkers(benchmark::State& state) {
  std::vector<pcre2_code*> codes;
  for (const TSchemeSpec& s : kSchemes)
    for (const char* expr : {s.start, s.end}) {
      const QString pattern = QString::fromLatin1(expr);
      int error = 0;
      PCRE2_SIZE offset = 0;
      codes.push_back(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), pattern.size(),
                                    PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | (s.caseSensitive ? 0 : PCRE2_CASELESS),
                                    &error, &offset, nullptr));
    }
  pcre2_match_data* data = pcre2_match_data_create(16, nullptr);
  SearchEachLine(state, figures.pcre, static_cast<int>(codes.size()), [&](const QString& line) {
    int hits = 0;
    for (pcre2_code* code : codes)
      hits += pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.utf16()), line.size(), 0, 0, data, nullptr) > 0;
    return hits;
  });
  pcre2_match_data_free(data);
  for (pcre2_code* code : codes) pcre2_code_free(code);
}

// A scan of the whole document from the top; the HTML highlighter alone on
// the same text shows what the switching costs.
void MultiScan(benchmark::State& state, bool multi) {
  TLibraryMulti library;
  // NOLINTNEXTLINE(clang-analyzer-core.NullDereference): the library makes its default highlighter
  TSrcCustomHighlighter& h = multi ? static_cast<TSrcCustomHighlighter&>(library) : *library.DefaultHighlighter();
  const QStringList& doc = Document();
  qint64 tokens = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    h.ResetRange();
    for (int i = 0; i < doc.size(); ++i) {
      if (i > 0) h.SetRange(h.GetRange());
      h.SetLine(doc[i], i);
      for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
        benchmark::DoNotOptimize(h.GetTokenAttribute());
        h.ScanNext();
        ++tokens;
      }
    }
    Keep(multi ? figures.scan : figures.htmlScan, timer.nsecsElapsed() / 1e9);
  }
  state.counters["tokens"] = static_cast<double>(tokens) / static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * Bytes(doc));
}

// The ">" that completes "<script" on the first line of a document twice
// the generated size, in an editor that has scanned it all.
void Keystroke(benchmark::State& state, bool mixed) {
  QStringList lines = Generate(2 * TargetBytes(), mixed);
  lines.prepend(QStringLiteral("<script"));
  const double bytes = static_cast<double>(Bytes(lines));
  TLibraryMulti h;
  TSrcEdit editor;
  editor.SetLines(lines);
  lines.clear();
  editor.SetHighlighter(&h);
  for (auto _ : state) {
    editor.SetCaretXY(TPoint{8, 1});
    QElapsedTimer timer;
    timer.start();
    editor.SetSelText(QStringLiteral(">"));
    Keep(mixed ? figures.keyMixed : figures.keyWorst, timer.nsecsElapsed() / 1e9);
  }
  (mixed ? figures.keyMixedBytes : figures.keyWorstBytes) = bytes;
  editor.SetHighlighter(nullptr);
}

// A search that compares captured text over and over, on a line of `length`
// "a": it ends when its step budget is spent.
void BackReferences(benchmark::State& state, const char* expr, int length, double* slot) {
  TRegexEngine re;
  re.SetExpression(QString::fromLatin1(expr));
  const QString line(length, u'a');
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    benchmark::DoNotOptimize(re.Exec(line));
    Keep(*slot, timer.nsecsElapsed() / 1e9);
  }
  state.counters["exhausted"] = re.BudgetExhausted() ? 1 : 0;
}

// The marker search of a 40-character line on which a start expression
// backtracks without end at every place.
void HostileLine(benchmark::State& state) {
  TLibraryMulti library;
  library.Schemes().Items(4)->SetStartExpr(QStringLiteral("(a+)+b"));
  const QString line(40, u'a');
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    library.ResetRange();
    library.SetLine(line, 0);
    Keep(figures.hostileLine, timer.nsecsElapsed() / 1e9);
  }
  state.counters["steps"] = static_cast<double>(library.LineBudget().Used);
}

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  benchmark::RegisterBenchmark("Markers TRegexEngine", OurMarkers)->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("Markers PCRE2 interpreter", PcreMarkers)->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("Multi highlighter scan", MultiScan, true)->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("HTML highlighter alone", MultiScan, false)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  // One keystroke each: a second ">" would change no state.
  benchmark::RegisterBenchmark("Keystroke opening a script, mixed", Keystroke, true)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark("Keystroke opening a script, no script after", Keystroke, false)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
  benchmark::RegisterBenchmark("Back-reference (a*)\\1x, 16000 characters", BackReferences, "(a*)\\1x", 16000,
                               &figures.backref1)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  benchmark::RegisterBenchmark("Back-reference (a*)\\1\\1\\1\\1x, 100000 characters", BackReferences,
                               "(a*)\\1\\1\\1\\1x", 100000, &figures.backref4)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  benchmark::RegisterBenchmark("Marker search, hostile 40-character line", HostileLine)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  RunBenchmarks(argc, argv);
  const double mb = Bytes(Document()) / 1e6;
  if (figures.ours > 0 && figures.pcre > 0)
    std::printf("Marker expressions over %.1f MB: PCRE2 time / our time = %.2f (target >= 0.5)\n", mb,
                figures.pcre / figures.ours);
  if (figures.scan > 0)
    std::printf("Multi highlighter scan: %.1f MB/s over %.1f MB (target >= 150)\n", mb / figures.scan, mb);
  if (figures.htmlScan > 0)
    std::printf("  the HTML highlighter alone on the same text: %.1f MB/s\n", mb / figures.htmlScan);
  if (figures.keyMixed > 0)
    std::printf("Keystroke opening <script> at the top of %.1f MB, mixed: %.3f ms (target < 2)\n",
                figures.keyMixedBytes / 1e6, figures.keyMixed * 1e3);
  if (figures.keyWorst > 0)
    std::printf(
        "Keystroke opening <script> at the top of %.1f MB, no script after: %.3f ms (target < 2; "
        "needs a rescan that stops at the screen)\n",
        figures.keyWorstBytes / 1e6, figures.keyWorst * 1e3);
  if (figures.backref1 > 0)
    std::printf(
        "Back-references to the step budget: %.3f s on 16000 characters, %.3f s on 100000 (target < 0.5 "
        "each)\n",
        figures.backref1, figures.backref4);
  if (figures.hostileLine > 0)
    std::printf("Marker search of a hostile 40-character line: %.3f s (target < 0.5)\n", figures.hostileLine);
  return 0;
}
