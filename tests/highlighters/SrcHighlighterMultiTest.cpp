#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using namespace hltest;

namespace {

// The code library's configuration: HTML by default and six schemes.
class TLibraryMulti : public TSrcMultiHighlighter {
 public:
  TLibraryMulti() {
    SetDefaultHighlighter(html);
    struct {
      const char* name;
      const char* start;
      const char* end;
      TSrcCustomHighlighter* h;
    } const schemes[] = {
        {"CSS Full", "<style type=\"text/css\">", "</style>", css},
        {"JS simp", "<script>", "</script>", js},
        {"csssimp", "<style>", "</style>", css},
        {"JS Full", "<script language=\"JavaScript\" type=\"text/javascript\">", "</script>", js},
        {"asp htmllay", "<%", "%>", vbs},
        {"php", "<?php", ">", php},
    };
    for (const auto& s : schemes) {
      TMultiScheme* scheme = Schemes().Add();
      scheme->SetSchemeName(QString::fromUtf8(s.name));
      scheme->SetCaseSensitive(Schemes().Count() == 6);
      scheme->SetStartExpr(QString::fromUtf8(s.start));
      scheme->SetEndExpr(QString::fromUtf8(s.end));
      scheme->SetHighlighter(s.h);
    }
    Schemes().Items(0)->MarkerAttri()->SetForeground(static_cast<TColor>(0x800080));
    Schemes().Items(1)->MarkerAttri()->SetForeground(static_cast<TColor>(0x000080));
  }

  // Who coloured a token: H(TML), J(avaScript), C(SS), V(BScript), P(HP),
  // or M and the scheme index for a marker; "-" for no attribute.
  std::string Who() const {
    TSrcHighlighterAttributes* a = GetTokenAttribute();
    if (!a) return "-";
    for (int i = 0; i < Schemes().Count(); ++i)
      if (a == Schemes().Items(i)->MarkerAttri()) return "M" + std::to_string(i);
    const std::pair<TSrcCustomHighlighter*, const char*> owners[] = {
        {html, "H"}, {js, "J"}, {css, "C"}, {vbs, "V"}, {php, "P"}};
    for (const auto& [h, name] : owners)
      for (int i = 0; i < h->GetAttributeCount(); ++i)
        if (h->GetAttribute(i) == a) return name;
    return "?";
  }

  // "text|who" per token of a line scanned from `range` (-1: the start).
  std::string Tokens(const QString& line, int& range) {
    if (range < 0)
      ResetRange();
    else
      SetRange(range);
    SetLine(line, 0);
    std::string out;
    for (int n = MaxTokens(); n > 0 && !AtLineEnd(); --n, ScanNext())
      out.append("[").append(GetTokenText().toStdString()).append("|").append(Who()).append("]");
    range = GetRange();
    return out;
  }
  std::string Tokens(const QString& line) {
    int range = -1;
    return Tokens(line, range);
  }

  TSrcHTMLHighlighter* html = new TSrcHTMLHighlighter(this);
  TSrcJScriptHighlighter* js = new TSrcJScriptHighlighter(this);
  TSrcCssHighlighter* css = new TSrcCssHighlighter(this);
  TSrcVBScriptHighlighter* vbs = new TSrcVBScriptHighlighter(this);
  TSrcPHPHighlighter* php = new TSrcPHPHighlighter(this);
};

TEST(SrcHighlighterMulti, MarkersSwitchHighlighters) {
  const struct {
    QString line;
    std::string tokens;
  } cases[] = {
      {u"a<SCRIPT>b</script>c"_qs, "[a|H][<SCRIPT>|M1][b|J][</script>|M1][c|H]"},
      // The leftmost start marker wins, whatever the order of the schemes.
      {u"<script>x<style type=\"text/css\">"_qs,
       "[<script>|M1][x|J][<|J][style|J][ |J][type|J][=|J][\"text/css\"|J][>|J]"},
      // Adjacent markers: each switch is made.
      {u"<script></script>b"_qs, "[<script>|M1][</script>|M1][b|H]"},
      {u"<% %><style></style>"_qs, "[<%|M4][ |V][%>|M4][<style>|M2][</style>|M2]"},
      // "<?php" makes the "<" optional: "php" alone opens, the next ">" closes.
      {u"a php $x>b"_qs, "[a |H][php|M5][ |P][$x|P][>|M5][b|H]"},
      {u"<?PHP x>"_qs, "[<|H][?PHP|H][ |H][x|H][>|H]"},  // this scheme heeds case
      {QString(), ""},
  };
  TLibraryMulti m;
  for (const auto& c : cases) EXPECT_EQ(m.Tokens(c.line), c.tokens) << c.line.toStdString();

  // Marker tokens: kind 0, positions in the line.
  m.ResetRange();
  m.SetLine(u"a<SCRIPT>b</script>c"_qs, 0);
  std::vector<int> positions, kinds;
  for (; !m.AtLineEnd(); m.ScanNext()) positions.push_back(m.GetTokenPos()), kinds.push_back(m.GetTokenKind());
  EXPECT_EQ(positions, (std::vector<int>{0, 1, 9, 10, 19}));
  EXPECT_EQ(kinds[1], 0);
  EXPECT_EQ(m.GetTokenAttribute(), nullptr);  // the HTML null token
}

TEST(SrcHighlighterMulti, SchemesGoOnOverLines) {
  TLibraryMulti m;
  int range = -1;
  EXPECT_EQ(m.Tokens(u"<p><script>"_qs, range), "[<|H][p|H][>|H][<script>|M1]");
  EXPECT_EQ(range & 31, 1 + 2);
  EXPECT_EQ(m.Tokens(u"if /* x"_qs, range), "[if|J][ |J][/* x|J]");
  EXPECT_EQ(m.Tokens(u"*/ y</script><b"_qs, range), "[*/|J][ |J][y|J][</script>|M1][<|H][b|H]");
  EXPECT_EQ(range & 31, 1);
  // The HTML state inside the tag carries over the next line.
  EXPECT_EQ(m.Tokens(u"c=1>"_qs, range), "[c|H][=|H][1|H][>|H]");

  // A line read alone from its stored range: the HTML state from before the
  // scheme comes back after it (here: inside a comment).
  range = -1;
  m.Tokens(u"<!-- <script>"_qs, range);
  const int stored = range;
  m.Tokens(u"unrelated line"_qs, range);
  range = stored;
  EXPECT_EQ(m.Tokens(u"x</script>y -->z"_qs, range), "[x|J][</script>|M1][y -->|H][z|H]");

  // A stored range that names no scheme means the default highlighter.
  range = 29 + 2;
  EXPECT_EQ(m.Tokens(u"<b>"_qs, range), "[<|H][b|H][>|H]");
}

TEST(SrcHighlighterMulti, MarkerChecks) {
  TLibraryMulti m;
  TMultiScheme* js = m.Schemes().Items(1);
  // Length 0 drops the start marker; the search still goes on in the scheme.
  js->OnCheckStartMarker = [](TObject*, int&, int& len, QString&) { len = 0; };
  int range = -1;
  EXPECT_EQ(m.Tokens(u"<script>a</script>b"_qs, range), "[<|H][script|H][>|H][a|H][</script>|M1][b|H]");
  EXPECT_EQ(range & 31, 1);

  // Markers moved outside the line or over the one before are dropped.
  const struct {
    int start, len;
    std::string tokens;
  } moved[] = {
      {0, 8, "[<|H][script|H][>|H][a|H][</script>|M1]"},
      {30, 1, "[<|H][script|H][>|H][a|H][</script>|M1]"},
      {3, 40, "[<|H][s|H][cript>a</script>|M1]"},  // cut at the line's end; the end marker overlaps
      {1, 1, "[<|M1][script|J][>|J][a|J][</script>|M1]"},
  };
  for (const auto& mv : moved) {
    js->OnCheckStartMarker = [&](TObject* sender, int& start, int& len, QString&) {
      EXPECT_EQ(sender, &m);
      start = mv.start;
      len = mv.len;
    };
    EXPECT_EQ(m.Tokens(u"<script>a</script>"_qs), mv.tokens) << mv.start;
  }
}

TEST(SrcHighlighterMulti, ExpressionsAndSchemes) {
  TLibraryMulti m;
  TMultiScheme* s = m.Schemes().Items(4);
  EXPECT_THROW(s->SetStartExpr(u"(<%"_qs), ERegexError);
  EXPECT_EQ(s->StartExpr(), u"<%"_qs);

  // Not case-sensitive: the expression is searched folded, never upper-cased.
  s->SetStartExpr(u"\\d+"_qs);
  s->SetEndExpr(u"\\s"_qs);
  EXPECT_EQ(m.Tokens(u"ab12 c"_qs), "[ab|H][12|M4][ |M4][c|H]");

  // A start that may begin with any character is searched as a whole; the
  // leftmost start still wins, and the earlier scheme among equals.
  s->SetStartExpr(u".script>"_qs);
  s->SetEndExpr(u"%>"_qs);
  EXPECT_EQ(m.Tokens(u"ascript>%>"_qs), "[ascript>|M4][%>|M4]");
  EXPECT_EQ(m.Tokens(u"x<script>"_qs), "[x|H][<script>|M1]");
  EXPECT_EQ(m.Tokens(u"<b>xscript><script>"_qs), "[<|H][b|H][>|H][xscript>|M4][<|V][script|V][>|V]");

  // Expressions that match the empty text end the search all the same.
  s->SetStartExpr(u"x*"_qs);
  s->SetEndExpr(u"y*"_qs);
  const QString line(5000, u'a');
  m.Tokens(line);
  EXPECT_TRUE(m.Markers().empty());

  // A sub-highlighter that goes away leaves its schemes out.
  delete m.vbs;
  m.vbs = nullptr;
  EXPECT_EQ(s->Highlighter(), nullptr);
  EXPECT_FALSE(s->Active());

  for (int i = m.Schemes().Count(); i < TMultiSchemes::kMaxSchemes; ++i) m.Schemes().Add();
  EXPECT_THROW(m.Schemes().Add(), Exception);
  EXPECT_EQ(m.GetAttributeCount(), 30);
  TSrcHighlighterAttributes* marker = m.GetAttribute(29);
  EXPECT_EQ(marker->Name(), u"Marker"_qs);
  EXPECT_EQ(marker->Background(), static_cast<TColor>(65535));
  EXPECT_EQ(marker->Style(), fsBold);
  EXPECT_EQ(m.GetAttribute(30), nullptr);

  int told = 0;
  struct Counter {
    int* n;
    void Told(TObject*) { ++*n; }
  } counter{&told};
  m.AddChangeHandler(TNotifyEvent::Bind<&Counter::Told>(&counter));
  marker->SetForeground(static_cast<TColor>(255));
  m.js->CommentAttri->SetForeground(static_cast<TColor>(0x123456));  // a sub-highlighter's colours
  EXPECT_EQ(told, 2);
}

TEST(SrcHighlighterMulti, DefaultHighlighter) {
  TLibraryMulti m;
  try {
    m.SetDefaultHighlighter(&m);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              u"It is not good to set the DefaultHighlighter of a SrcMultiHighlighter to the "
              u"SrcMultiHighlighter itself. Please do not try this again"_qs);
  }
  EXPECT_EQ(m.DefaultHighlighter(), m.html);
  EXPECT_EQ(m.GetLanguageName(), u"General Multi-Highlighter"_qs);

  m.SetDefaultHighlighter(nullptr);
  EXPECT_EQ(m.Tokens(u"a<script>b"_qs), "[a<script>b|-]");
  EXPECT_EQ(m.Tokens(QString()), "");
}

TEST(SrcHighlighterMulti, AnyLineScansAloneAsInTheWhole) {
  const TFactory make = [] { return std::make_unique<TLibraryMulti>(); };
  ExpectInvariantsOnRandomDocuments(make,
                                    {"<script>",
                                     "</script>",
                                     "<SCRIPT>",
                                     "<style type=\"text/css\">",
                                     "<style>",
                                     "</style>",
                                     "<%",
                                     "%>",
                                     "<?php",
                                     "php",
                                     ">",
                                     "?>",
                                     "var x = 'a';",
                                     "/* c",
                                     "*/",
                                     "<!-- ",
                                     "-->",
                                     "<b ",
                                     "c=\"",
                                     "\"",
                                     "'",
                                     "x",
                                     " ",
                                     "{a:b}",
                                     "&amp;",
                                     "$v",
                                     "<% ' c"},
                                    2026);
}

// All searches for the markers of a line share one step budget: a start
// expression that backtracks without end at every place of the line spends
// it once, not once per place, and the next line has a budget of its own.
TEST(SrcHighlighterMulti, OneStepBudgetPerLine) {
  TLibraryMulti m;
  TMultiScheme* s = m.Schemes().Items(4);
  s->SetStartExpr(u"(a+)+b"_qs);
  const QString line(40, u'a');
  EXPECT_EQ(m.Tokens(line), "[" + line.toStdString() + "|H]");
  EXPECT_TRUE(m.Markers().empty());
  EXPECT_TRUE(m.LineBudget().Exhausted());
  const long long budget = TRegexEngine::StepBudget(40);
  EXPECT_GT(m.LineBudget().Used, budget);
  EXPECT_LE(m.LineBudget().Used, budget + 41);

  // Once it is spent, the line keeps the markers found before.
  s->SetEndExpr(u"(a+)+c"_qs);
  m.Tokens(u"<script>x</script>"_qs + line);
  EXPECT_EQ(m.Markers().size(), 2u);
  EXPECT_TRUE(m.LineBudget().Exhausted());
  EXPECT_LE(m.LineBudget().Used, TRegexEngine::StepBudget(58) + 59);

  EXPECT_EQ(m.Tokens(u"<script>x</script>"_qs), "[<script>|M1][x|J][</script>|M1]");
  EXPECT_FALSE(m.LineBudget().Exhausted());
  EXPECT_GT(m.LineBudget().Used, 0);
}

}  // namespace
