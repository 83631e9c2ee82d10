// Speed of the highlighters: each scans a generated document of its language
// and the real files of that language found on this machine, from the top,
// token by token, carrying the state from line to line, as the editor does
// when it opens a file.
//
//   KV_BENCH_MB   size of each generated document in MB (default 50)
//
// Styling is measured apart: the same scan writing a style byte for every
// character (line breaks included), as a lexer that colours a document does;
// goal 250 MB/s.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchUtil.h"
#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterSQL.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "highlighters/SrcHighlighterXML.h"


namespace {

qsizetype TargetBytes() { return static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 50)) * 1000 * 1000; }

QStringList HtmlDocument() {
  return GenerateLines(
      TargetBytes(),
      {
          "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">",
          "<html><head><title>Page %d</title>",
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
          "<!-- a comment that goes on",
          "     over two lines %d -->",
          "<body bgcolor=\"#FFFFFF\" text=black link=blue>",
          "\t<table width=\"100%%\" border=0 cellpadding=2><tr><td align=left>cell %d</td></tr></table>",
          "\t<p>Some text with &amp; entities &copy; &#169; and <b>bold</b> and <i>italic</i> words %d.</p>",
          "  <a href=\"page%d.html\" target=_blank>Link &raquo;</a><br>",
          "<% Response.Write(\"server side %d\") %>",
          "<img src=\"images/pic%d.gif\" width=32 height=32 alt=\"picture\">",
          "<section><nav><a href=\"#top\">Top &#x2191;</a></nav></section>",
          "</body></html>",
      });
}

QStringList JScriptDocument() {
  return GenerateLines(TargetBytes(), {
                                          "// Script part %d",
                                          "function printNumber%d(number, count)",
                                          "{",
                                          "  var total = 0x1F + %d * 12.5;",
                                          "  document.write(\"The number is \" + number + \" and \\\"more\\\"\");",
                                          "  for (var i = 0; i <= count; i++) { total += i; }",
                                          "  /* a block comment that goes on",
                                          "     over two lines %d */",
                                          "  if (total >= 100 && window.status != null) alert('total: ' + total);",
                                          "  return Math.max(total, parseInt(\"%d\"));",
                                          "}",
                                          "body.onLoad = printNumber%d;",
                                      });
}

QStringList CssDocument() {
  return GenerateLines(TargetBytes(), {
                                          "/* Section %d */",
                                          "body.page%d, div#main > p",
                                          "{",
                                          "  font-family: 'Arial', sans-serif;",
                                          "  font-size: 12pt; line-height: 1.5em;",
                                          "  color: #FF00aa; background-color: #FFFFFF;",
                                          "  margin: -5px 0 %dpx 0; padding: 0.5em 1em;",
                                          "  /* a comment that goes on",
                                          "     over two lines */",
                                          "  border-bottom: 1px solid #ccc; z-index: %d;",
                                          "}",
                                      });
}

QStringList XmlDocument() {
  return GenerateLines(
      TargetBytes(),
      {
          "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
          "<!DOCTYPE catalog [",
          "  <!ENTITY part \"Part %d\">",
          "]>",
          "<catalog xmlns=\"urn:example:catalog\" xmlns:x=\"urn:example:x\" version='%d'>",
          "  <!-- an entry with a comment that goes on",
          "       over two lines %d -->",
          "  <item id=\"i%d\" name='Tom &amp; Jerry' x:kind=\"a&lt;b\">Text with &part; and &#169; %d</item>",
          "  <?process data=\"%d\"?>",
          "  <![CDATA[ raw <text> & more %d ]]>",
          "  <empty attr=\"\"/><br/>",
          "</catalog>",
      });
}

QStringList VBScriptDocument() {
  return GenerateLines(TargetBytes(), {
                                          "' Script part %d",
                                          "Option Explicit",
                                          "Function PrintNumber%d(ByVal number, count)",
                                          "  Dim total, i : total = 0",
                                          "  document.write(\"The number is \" & number & \" and \"\"more\"\"\")",
                                          "  For i = 0 To count Step 2 ' loop %d",
                                          "    total = total + i * 12.5 - 1.5E3",
                                          "  Next",
                                          "  If total >= 100 And Not IsEmpty(total) Then MsgBox \"total: \" & total",
                                          "  started = #1/1/2000#",
                                          "  PrintNumber%d = total",
                                          "End Function",
                                      });
}

QStringList SqlDocument() {
  return GenerateLines(TargetBytes(),
                       {
                           "-- Report part %d",
                           "select c.name, sum(o.total) as total, count(*) from customers c",
                           "  inner join orders o on o.customer_id = c.id and o.state <> 'closed'",
                           "  where c.city like 'Ber%%' and o.created >= '2026-01-%d' -- trailing comment",
                           "  group by c.name having sum(o.total) > 1234.5 order by 2 desc;",
                           "/* a block comment that goes on",
                           "   over two lines %d */",
                           "insert into notes (id, text) values (%d, 'it''s a \"quoted\" note');",
                           "update \"Order Items\" set price = price * 1.1, qty = qty + 1 where id = @id;",
                           "create table items (id integer primary key, price decimal(10, 2), name varchar(80));",
                           "commit;",
                       });
}

QStringList PhpDocument() {
  return GenerateLines(TargetBytes(),
                       {
                           "// Script part %d",
                           "function printNumber%d($number, $count)",
                           "{",
                           "  $total = 0x1F + %d * 12.5;",
                           "  echo \"The number is \" . $number . \" and \\\"more\\\"\";",
                           "  for ($i = 0; $i <= $count; $i++) { $total += $i; }",
                           "  /* a block comment that goes on",
                           "     over two lines %d */",
                           "  if ($total >= 100 && isset($list['key'])) print 'total: ' . $total; # note",
                           "  return array('a' => $total, 'b' => @$missing);",
                           "}",
                       });
}

// Real files of a language under the given folders, joined (and repeated
// when they are few) up to a tenth of the generated size; empty when there
// are none.
QStringList RealFiles(const QStringList& folders, const QString& pattern) {
  const qsizetype target = TargetBytes() / 10;
  QStringList lines;
  qsizetype size = 0;
  for (const QString& folder : folders) {
    QDirIterator it(folder, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext() && size < target) {
      QFile f(it.next());
      if (f.size() > 8 * 1024 * 1024 || !f.open(QIODevice::ReadOnly)) continue;
      for (const QString& l : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) lines << l, size += l.size() + 2;
    }
  }
  for (qsizetype i = 0, n = lines.size(); n > 0 && size < target; i = (i + 1) % n) {
    const QString again = lines[i];
    lines << again;
    size += again.size() + 2;
  }
  return lines;
}

qsizetype Bytes(const QStringList& lines) {
  qsizetype n = 0;
  for (const QString& l : lines) n += l.size() + 2;
  return n;
}

struct TCase {
  std::string name;
  QStringList lines;
  std::function<std::unique_ptr<TSrcCustomHighlighter>()> make;
  double target = 0;  // MB/s
  double bestSeconds = 0;
  double styleSeconds = 0;  // best styling time, ours
};

constexpr double kStylingGoal = 250;  // MB/s
constexpr int kRuns = 5;              // runs of each case, the best counts (the machine may be shared)

void KeepBest(double& best, double seconds) { best = best > 0 ? std::min(best, seconds) : seconds; }

std::vector<TCase>& Cases() {
  static std::vector<TCase> cases;
  return cases;
}

void Scan(benchmark::State& state, TCase* c) {
  auto h = c->make();
  qint64 tokens = 0;
  QElapsedTimer timer;
  for (auto _ : state) {
    timer.start();
    h->ResetRange();
    for (int i = 0; i < c->lines.size(); ++i) {
      if (i > 0) h->SetRange(h->GetRange());
      h->SetLine(c->lines[i], i);
      TSrcTokenInfo t;
      for (int n = h->MaxTokens(); n > 0 && h->NextToken(t); --n) {
        benchmark::DoNotOptimize(t.attribute);
        ++tokens;
      }
    }
    KeepBest(c->bestSeconds, timer.nsecsElapsed() / 1e9);
  }
  state.SetBytesProcessed(state.iterations() * Bytes(c->lines));
  state.counters["tokens"] = static_cast<double>(tokens) / static_cast<double>(state.iterations());
}

// Writes `style` over the `length` bytes at `p`, eight at a time: up to
// seven bytes past them may be written too, which the tokens and line breaks
// that follow write again (the buffer ends with that much to spare). Tokens
// are a few characters long: a call to memset for each costs more than
// styling it.
inline void FillStyle(unsigned char* p, int length, unsigned char style) {
  const std::uint64_t eight = 0x0101010101010101ULL * style;
  for (int i = 0; i < length; i += 8) std::memcpy(p + i, &eight, 8);
}

// The scan again, filling a style byte per character from each token's kind.
void Style(benchmark::State& state, TCase* c) {
  auto h = c->make();
  std::vector<unsigned char> styles(static_cast<size_t>(Bytes(c->lines)) + 8);
  QElapsedTimer timer;
  for (auto _ : state) {
    timer.start();
    h->ResetRange();
    unsigned char* line = styles.data();
    for (int i = 0; i < c->lines.size(); ++i) {
      if (i > 0) h->SetRange(h->GetRange());
      const QString& text = c->lines[i];
      const int size = static_cast<int>(text.size());
      h->SetLineView(text, i);
      // One call per token, as the editor's painting makes.
      TSrcTokenInfo t;
      for (int n = h->MaxTokens(); n > 0 && h->NextToken(t); --n) {
        const int pos = std::min<int>(t.pos, size);
        const int length = std::min<int>(t.length, size - pos);
        FillStyle(line + pos, length, static_cast<unsigned char>(t.kind));
      }
      line += size;
      line[0] = line[1] = 0;  // the line break
      line += 2;
    }
    const double s = timer.nsecsElapsed() / 1e9;
    state.SetIterationTime(s);
    KeepBest(c->styleSeconds, s);
    benchmark::DoNotOptimize(styles.data());
  }
  state.SetBytesProcessed(state.iterations() * Bytes(c->lines));
}


void AddCase(std::string name, QStringList lines, std::function<std::unique_ptr<TSrcCustomHighlighter>()> make,
             double target) {
  if (lines.isEmpty()) return;
  TCase c;
  c.name = std::move(name);
  c.lines = std::move(lines);
  c.make = std::move(make);
  c.target = target;
  Cases().push_back(std::move(c));
}

}  // namespace

int main(int argc, char** argv) {
  OffscreenUnlessSet();
  QApplication app(argc, argv);
  const QStringList docs{QStringLiteral("/usr/share/doc"), QStringLiteral("/usr/share/javascript")};
  auto html = [] { return std::make_unique<TSrcHTMLHighlighter>(); };
  auto js = [] { return std::make_unique<TSrcJScriptHighlighter>(); };
  auto css = [] { return std::make_unique<TSrcCssHighlighter>(); };
  auto xml = [] { return std::make_unique<TSrcXMLHighlighter>(); };
  auto vbs = [] { return std::make_unique<TSrcVBScriptHighlighter>(); };
  auto sql = [] { return std::make_unique<TSrcSQLHighlighter>(); };
  auto php = [] { return std::make_unique<TSrcPHPHighlighter>(); };
  AddCase("HTML generated", HtmlDocument(), html, 100);
  AddCase("HTML real files", RealFiles(docs, QStringLiteral("*.html")), html, 100);
  AddCase("JavaScript generated", JScriptDocument(), js, 250);
  AddCase("JavaScript real files", RealFiles(docs, QStringLiteral("*.js")), js, 250);
  AddCase("CSS generated", CssDocument(), css, 250);
  AddCase("CSS real files", RealFiles(docs, QStringLiteral("*.css")), css, 250);
  AddCase("XML generated", XmlDocument(), xml, 250);
  AddCase("XML real files", RealFiles({QStringLiteral("/usr/share")}, QStringLiteral("*.xml")), xml, 250);
  AddCase("VBScript generated", VBScriptDocument(), vbs, 250);
  AddCase("VBScript real files", RealFiles(docs, QStringLiteral("*.vbs")), vbs, 250);
  AddCase("SQL generated", SqlDocument(), sql, 250);
  AddCase("SQL real files", RealFiles({QStringLiteral("/usr/share")}, QStringLiteral("*.sql")), sql, 250);
  AddCase("PHP generated", PhpDocument(), php, 250);
  const QStringList phpFolders{QStringLiteral("/usr/share"), QStringLiteral("/usr/lib")};
  AddCase("PHP real files", RealFiles(phpFolders, QStringLiteral("*.php")), php, 250);
  for (TCase& c : Cases()) {
    benchmark::RegisterBenchmark(("Scan " + c.name).c_str(), Scan, &c)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(kRuns);
    benchmark::RegisterBenchmark(("Style " + c.name).c_str(), Style, &c)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(kRuns)
        ->UseManualTime();
  }
  RunBenchmarks(argc, argv);
  for (const TCase& c : Cases()) {
    if (c.bestSeconds <= 0) continue;
    const double mb = Bytes(c.lines) / 1e6;
    std::printf("%s: %.1f MB/s over %.1f MB (target >= %.0f)\n", c.name.c_str(), mb / c.bestSeconds, mb, c.target);
    if (c.styleSeconds > 0)
      std::printf("  styling, a style byte per character: %.1f MB/s (goal >= %.0f)\n", mb / c.styleSeconds,
                  kStylingGoal);
  }
  return 0;
}
