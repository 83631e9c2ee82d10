// Speed of the highlighters: each scans a generated document of its language
// and the real files of that language found on this machine, from the top,
// token by token, carrying the state from line to line, as the editor does
// when it opens a file.
//
//   KV_BENCH_MB   size of each generated document in MB (default 50)
//
// Styling is measured apart: the same scan writing a style byte for every
// character (line breaks included), as a lexer that colours a document does;
// goal 250 MB/s. When the QScintilla development files were found at
// configure time, the same texts are styled by that component's lexer for the
// language: the lexer is set and the text loaded once, then only the styling
// of the whole document is timed, several times, and the ratio is printed.
#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterSQL.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "highlighters/SrcHighlighterXML.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include "bench/BenchUtil.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef KV_HAVE_QSCINTILLA
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexersql.h>
#include <Qsci/qscilexerxml.h>
#include <Qsci/qsciscintilla.h>
#endif

namespace {

qsizetype TargetBytes() { return static_cast<qsizetype>(EnvInt("KV_BENCH_MB", 50)) * 1000 * 1000; }

QStringList HtmlDocument() {
  return GenerateLines(TargetBytes(), {
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
  return GenerateLines(TargetBytes(), {
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
  return GenerateLines(TargetBytes(), {
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
  return GenerateLines(TargetBytes(), {
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
  double target;  // MB/s
  double bestSeconds = 0;
  double styleSeconds = 0;  // best styling time, ours
#ifdef KV_HAVE_QSCINTILLA
  std::function<QsciLexer*()> makeLexer{};  // none: no comparison
  double theirSeconds = 0;
#endif
};

constexpr double kStylingGoal = 250;  // MB/s

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
      for (int n = h->MaxTokens(); n > 0 && !h->AtLineEnd(); --n) {
        benchmark::DoNotOptimize(h->GetTokenAttribute());
        h->ScanNext();
        ++tokens;
      }
    }
    KeepBest(c->bestSeconds, timer.nsecsElapsed() / 1e9);
  }
  state.SetBytesProcessed(state.iterations() * Bytes(c->lines));
  state.counters["tokens"] = static_cast<double>(tokens) / static_cast<double>(state.iterations());
}

// The scan again, filling a style byte per character from each token's kind.
void Style(benchmark::State& state, TCase* c) {
  auto h = c->make();
  std::vector<unsigned char> styles(static_cast<size_t>(Bytes(c->lines)));
  QElapsedTimer timer;
  for (auto _ : state) {
    timer.start();
    h->ResetRange();
    unsigned char* line = styles.data();
    for (int i = 0; i < c->lines.size(); ++i) {
      if (i > 0) h->SetRange(h->GetRange());
      h->SetLine(c->lines[i], i);
      for (int n = h->MaxTokens(); n > 0 && !h->AtLineEnd(); --n) {
        const int pos = std::min<int>(h->GetTokenPos(), c->lines[i].size());
        const int length = std::min<int>(h->GetTokenLength(), c->lines[i].size() - pos);
        std::memset(line + pos, static_cast<unsigned char>(h->GetTokenKind()), length);
        h->ScanNext();
      }
      line += c->lines[i].size();
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

#ifdef KV_HAVE_QSCINTILLA
// The component's lexer styles the whole document; setting the lexer and
// loading the text are not timed.
void Lex(benchmark::State& state, TCase* c) {
  QsciScintilla editor;
  std::unique_ptr<QsciLexer> lexer(c->makeLexer());
  editor.setLexer(lexer.get());
  editor.setText(c->lines.join(QStringLiteral("\r\n")));
  QElapsedTimer timer;
  for (auto _ : state) {
    editor.SendScintilla(QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
    timer.start();
    editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    const double s = timer.nsecsElapsed() / 1e9;
    state.SetIterationTime(s);
    KeepBest(c->theirSeconds, s);
  }
  editor.setLexer(nullptr);
  state.SetBytesProcessed(state.iterations() * Bytes(c->lines));
}
#endif

void AddCase(TCase c) {
  if (c.lines.isEmpty()) return;
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
  AddCase({"HTML generated", HtmlDocument(), html, 100});
  AddCase({"HTML real files", RealFiles(docs, QStringLiteral("*.html")), html, 100});
  AddCase({"JavaScript generated", JScriptDocument(), js, 250});
  AddCase({"JavaScript real files", RealFiles(docs, QStringLiteral("*.js")), js, 250});
  AddCase({"CSS generated", CssDocument(), css, 250});
  AddCase({"CSS real files", RealFiles(docs, QStringLiteral("*.css")), css, 250});
  AddCase({"XML generated", XmlDocument(), xml, 250});
  AddCase({"XML real files", RealFiles({QStringLiteral("/usr/share")}, QStringLiteral("*.xml")), xml, 250});
  AddCase({"VBScript generated", VBScriptDocument(), vbs, 250});
  AddCase({"VBScript real files", RealFiles(docs, QStringLiteral("*.vbs")), vbs, 250});
  AddCase({"SQL generated", SqlDocument(), sql, 250});
  AddCase({"SQL real files", RealFiles(docs, QStringLiteral("*.sql")), sql, 250});
  AddCase({"PHP generated", PhpDocument(), php, 250});
  AddCase({"PHP real files", RealFiles(docs, QStringLiteral("*.php")), php, 250});
#ifdef KV_HAVE_QSCINTILLA
  for (TCase& c : Cases()) {
    if (c.name.starts_with("HTML")) c.makeLexer = [] { return new QsciLexerHTML; };
    if (c.name.starts_with("JavaScript")) c.makeLexer = [] { return new QsciLexerJavaScript; };
    if (c.name.starts_with("CSS")) c.makeLexer = [] { return new QsciLexerCSS; };
    if (c.name.starts_with("XML")) c.makeLexer = [] { return new QsciLexerXML; };
    if (c.name.starts_with("SQL")) c.makeLexer = [] { return new QsciLexerSQL; };
  }
#endif
  for (TCase& c : Cases()) {
    benchmark::RegisterBenchmark(("Scan " + c.name).c_str(), Scan, &c)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark(("Style " + c.name).c_str(), Style, &c)
        ->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
#ifdef KV_HAVE_QSCINTILLA
    if (c.makeLexer)
      benchmark::RegisterBenchmark(("QScintilla style " + c.name).c_str(), Lex, &c)
          ->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
#endif
  }
  RunBenchmarks(argc, argv);
  for (const TCase& c : Cases()) {
    if (c.bestSeconds <= 0) continue;
    const double mb = Bytes(c.lines) / 1e6;
    std::printf("%s: %.1f MB/s over %.1f MB (target >= %.0f)\n", c.name.c_str(), mb / c.bestSeconds, mb, c.target);
    if (c.styleSeconds > 0)
      std::printf("  styling, a style byte per character: %.1f MB/s (goal >= %.0f)\n", mb / c.styleSeconds,
                  kStylingGoal);
#ifdef KV_HAVE_QSCINTILLA
    if (c.theirSeconds > 0 && c.styleSeconds > 0)
      std::printf("  QScintilla styling: %.1f MB/s; its time / our styling time = %.2f (target >= 5)\n",
                  mb / c.theirSeconds, c.theirSeconds / c.styleSeconds);
#endif
  }
  return 0;
}
