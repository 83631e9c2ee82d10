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
// language (its lexer class, or for VBScript and PHP the lexer it selects by
// name, given the keywords our highlighter knows): the lexer is set and the
// text loaded once, then only the styling of the whole document is timed,
// several times. Languages it has no lexer for get no comparison. At the end
// a table gives per language and input our styling speed, QScintilla's and
// their ratio beside the goal of 6.
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
#ifdef KV_HAVE_QSCINTILLA
  // The lexer class for the language, or the name of the lexer to select
  // with its keyword lists (set number, words); neither: no comparison.
  std::function<QsciLexer*()> makeLexer;
  const char* lexerName = nullptr;
  std::vector<std::pair<int, QByteArray>> lexerKeywords;
  double theirSeconds = 0;
#endif
};

constexpr double kStylingGoal = 250;  // MB/s
constexpr int kRuns = 5;              // runs of each case, the best counts (the machine may be shared)
#ifdef KV_HAVE_QSCINTILLA
constexpr double kQScintillaGoal = 6;  // our styling speed / QScintilla's
#endif

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

#ifdef KV_HAVE_QSCINTILLA
// The component's lexer styles the whole document; setting the lexer and
// loading the text are not timed.
// Selects the lexer `name` with its keyword lists; false when the component
// has no lexer of that name.
bool SelectLexerByName(QsciScintilla& editor, const char* name,
                       const std::vector<std::pair<int, QByteArray>>& keywords) {
  editor.SendScintilla(QsciScintillaBase::SCI_SETLEXERLANGUAGE, uintptr_t{0}, name);
  const long lexer = editor.SendScintilla(QsciScintillaBase::SCI_GETLEXER);
  if (lexer == QsciScintillaBase::SCLEX_NULL || lexer == QsciScintillaBase::SCLEX_CONTAINER) return false;
  for (const auto& [set, words] : keywords)
    editor.SendScintilla(QsciScintillaBase::SCI_SETKEYWORDS, static_cast<uintptr_t>(set), words.constData());
  return true;
}

// The words of a keyword table, lower case, blank-separated.
QByteArray KeywordList(const TSrcKeywordTable& table) {
  QByteArray out;
  for (const auto& bucket : table.buckets)
    for (const TSrcKeyword& k : bucket) out += (out.isEmpty() ? "" : " ") + k.word.toLower();
  return out;
}

void Lex(benchmark::State& state, TCase* c) {
  QsciScintilla editor;
  std::unique_ptr<QsciLexer> lexer;
  if (c->makeLexer) {
    lexer.reset(c->makeLexer());
    editor.setLexer(lexer.get());
  } else if (!SelectLexerByName(editor, c->lexerName, c->lexerKeywords)) {
    state.SkipWithError("no such lexer");
    return;
  }
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
  // The lexer must have styled the whole text, with more than one style.
  const long length = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  bool varied = false;
  for (long pos = 1; pos < std::min(length, 4096L) && !varied; ++pos)
    varied = editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(pos)) !=
             editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL);
  if (editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) < length || !varied) {
    state.SkipWithError("the lexer did not style the text");
    c->theirSeconds = 0;
  }
  if (lexer) editor.setLexer(nullptr);
  state.SetBytesProcessed(state.iterations() * Bytes(c->lines));
}
#endif

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
#ifdef KV_HAVE_QSCINTILLA
  for (TCase& c : Cases()) {
    if (c.name.starts_with("HTML")) c.makeLexer = [] { return new QsciLexerHTML; };
    if (c.name.starts_with("JavaScript")) c.makeLexer = [] { return new QsciLexerJavaScript; };
    if (c.name.starts_with("CSS")) c.makeLexer = [] { return new QsciLexerCSS; };
    if (c.name.starts_with("XML")) c.makeLexer = [] { return new QsciLexerXML; };
    if (c.name.starts_with("SQL")) c.makeLexer = [] { return new QsciLexerSQL; };
    if (c.name.starts_with("VBScript")) {
      c.lexerName = "vbscript";
      c.lexerKeywords = {{0, KeywordList(TSrcVBScriptHighlighter::KeywordTable())}};
    }
    if (c.name.starts_with("PHP")) {
      c.lexerName = "phpscript";
      c.lexerKeywords = {{4, KeywordList(TSrcPHPHighlighter::KeywordTable())}};
    }
  }
  {
    QsciScintilla probe;
    for (TCase& c : Cases())
      if (c.lexerName && !SelectLexerByName(probe, c.lexerName, {})) c.lexerName = nullptr;
  }
#endif
  for (TCase& c : Cases()) {
    benchmark::RegisterBenchmark(("Scan " + c.name).c_str(), Scan, &c)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(kRuns);
    benchmark::RegisterBenchmark(("Style " + c.name).c_str(), Style, &c)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(kRuns)
        ->UseManualTime();
#ifdef KV_HAVE_QSCINTILLA
    // Only where the component has a lexer for the language.
    if (c.makeLexer || c.lexerName)
      benchmark::RegisterBenchmark(("QScintilla style " + c.name).c_str(), Lex, &c)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(kRuns)
          ->UseManualTime();
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
  }
#ifdef KV_HAVE_QSCINTILLA
  std::printf("\nStyling against QScintilla (best of %d runs each; goal: ours at least %.0fx as fast)\n", kRuns,
              kQScintillaGoal);
  std::printf("%-24s %12s %16s %8s %8s\n", "language, input", "ours MB/s", "QScintilla MB/s", "ratio", "goal");
  for (const TCase& c : Cases()) {
    if (c.styleSeconds <= 0) continue;
    const double mb = Bytes(c.lines) / 1e6;
    if (c.theirSeconds <= 0) {
      std::printf("%-24s %12.1f %16s %8s %8s\n", c.name.c_str(), mb / c.styleSeconds, "no lexer", "-", "-");
      continue;
    }
    const double ratio = c.theirSeconds / c.styleSeconds;
    std::printf("%-24s %12.1f %16.1f %7.2fx %6.0fx%s\n", c.name.c_str(), mb / c.styleSeconds, mb / c.theirSeconds,
                ratio, kQScintillaGoal, ratio >= kQScintillaGoal ? "" : "  SHORT");
  }
#endif
  return 0;
}
