#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterKeywordHash.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterSQL.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "highlighters/SrcHighlighterXML.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using namespace Qt::StringLiterals;

namespace {

// Looks a whole word up as the scanners do: hash over the run, then the slot.
int Find(const TSrcKeywordTable& t, const QString& word) {
  qsizetype run = 0;
  const auto* text = reinterpret_cast<const char16_t*>(word.constData());
  const std::int64_t hash = t.Hash(text, word.size(), run);
  return run == word.size() ? t.Find(text, run, hash) : -2;
}

}  // namespace

// Keywords of every length the slots tell apart (up to 62 units, and the
// lengths 63 and more that share one mark), same-hash neighbours and the
// exact against the by-value comparison.
TEST(KeywordTable, FindsOnlyWholeKeywords) {
  const QString a62(62, u'a'), a63(63, u'a'), a64(64, u'a'), a65(65, u'a'), a70(70, u'a');
  const QByteArray k62 = a62.toLatin1(), k64 = a64.toLatin1();
  const std::string words = "ab ba Abc x_y " + k62.toStdString() + " " + k64.toStdString();
  for (const bool exact : {true, false}) {
    SCOPED_TRACE(exact ? "exact" : "by value");
    const TSrcKeywordTable t(TSrcHashRun::Identifier, 300, 0, 0, exact, 16, {{words.c_str(), 7}});
    const struct {
      QString word;
      int exactKind, valueKind;
    } cases[] = {
        {"ab", 7, 7},
        {"ba", 7, 7},
        {"AB", -1, 7},
        {"aB", -1, 7},
        {"abc", -1, 7},
        {"Abc", 7, 7},
        {"abd", -1, -1},
        {"a", -1, -1},
        {"bb", -1, -1},
        {"x_y", 7, 7},
        {"X_Y", -1, 7},
        {"y_x", -1, -1},
        {a62, 7, 7},
        {a63, -1, -1},
        {a64, 7, 7},
        {a65, -1, -1},
        {a70, -1, -1},
        {QString(62, u'A'), -1, 7},
        {QString(61, u'a') + u'b', -1, -1},
        {u'b' + a62, -1, -1},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.word.toStdString());
      EXPECT_EQ(Find(t, c.word), exact ? c.exactKind : c.valueKind);
    }
  }
}

// Names end before any unit from 256 on, whatever its low byte ("Ł" is
// U+0141, "ĭ" U+012D, "š" U+0161: low bytes "A", "-", "a"); a NUL inside the
// line and the one-unit symbols are tokens of one unit.
TEST(KeywordHashFrame, NamesEndBeforeWideUnitsAndOneUnitTokens) {
  using namespace hltest;
  auto expect = [](TSrcCustomHighlighter& h, const QString& line, const QString& kinds) {
    SCOPED_TRACE(line.toStdString());
    EXPECT_EQ(Kinds(h, line), kinds.toStdString());
  };
  TSrcCssHighlighter css;
  expect(css, u"color\u012D x\u0141-y"_s, u"color:2 \u012D:8  :5 x:1 \u0141:8 -:1 y:1 "_s);
  expect(css, u"a"_s + QChar(0) + u"b:(;)"_s, u"a:1 "_s + QChar(0) + u":8 b:1 ::8 (:7 ;:8 ):7 "_s);
  TSrcVBScriptHighlighter vbs;
  expect(vbs, u"Dim\u0161 x\u0141:"_s, u"Dim:2 \u0161:1  :5 x:1 \u0141:1 ::7 "_s);
  expect(vbs, QChar(0) + u"dim"_s, QChar(0) + u":1 dim:2 "_s);
  TSrcJScriptHighlighter js;
  expect(js, u"var\u0141 if;"_s, u"var\u0141:1  :5 if:2 ;:7 "_s);
}

namespace {

// A page of HTML with script and style sections in the other languages.
class TPageMulti : public TSrcMultiHighlighter {
 public:
  TPageMulti() {
    SetDefaultHighlighter(html);
    const struct {
      const char* start;
      const char* end;
      TSrcCustomHighlighter* h;
    } schemes[] = {
        {"<style>", "</style>", css}, {"<script>", "</script>", js}, {"<%", "%>", vbs}, {"<\\?php", "\\?>", php}};
    for (const auto& s : schemes) {
      TMultiScheme* scheme = Schemes().Add();
      scheme->SetSchemeName(QString::fromUtf8(s.start));
      scheme->SetStartExpr(QString::fromUtf8(s.start));
      scheme->SetEndExpr(QString::fromUtf8(s.end));
      scheme->SetHighlighter(s.h);
    }
  }
  TSrcHTMLHighlighter* html = new TSrcHTMLHighlighter(this);
  TSrcJScriptHighlighter* js = new TSrcJScriptHighlighter(this);
  TSrcCssHighlighter* css = new TSrcCssHighlighter(this);
  TSrcVBScriptHighlighter* vbs = new TSrcVBScriptHighlighter(this);
  TSrcPHPHighlighter* php = new TSrcPHPHighlighter(this);
};

// "pos len kind attribute" per token, "| range" at each line's end.
std::string OldCalls(TSrcCustomHighlighter& h, const QStringList& lines) {
  std::string out;
  h.ResetRange();
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) h.SetRange(h.GetRange());
    h.SetLine(lines[i], i);
    for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
      const TSrcHighlighterAttributes* a = h.GetTokenAttribute();
      out += std::to_string(h.GetTokenPos()) + " " + std::to_string(h.GetTokenLength()) + " " +
             std::to_string(h.GetTokenKind()) + " " + (a ? a->Name().toStdString() : "-") + "\n";
      h.ScanNext();
    }
    out += "| " + std::to_string(h.GetRange()) + "\n";
  }
  return out;
}

// The same through NextToken, the line handed over in place as painting does.
std::string OneCall(TSrcCustomHighlighter& h, const QStringList& lines) {
  std::string out;
  h.ResetRange();
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) h.SetRange(h.GetRange());
    h.SetLineView(lines[i], i);
    TSrcTokenInfo t;
    for (int n = h.MaxTokens(); n > 0 && h.NextToken(t); --n)
      out += std::to_string(t.pos) + " " + std::to_string(t.length) + " " + std::to_string(t.kind) + " " +
             (t.attribute ? t.attribute->Name().toStdString() : "-") + "\n";
    EXPECT_FALSE(h.NextToken(t));  // stays at the end
    out += "| " + std::to_string(h.GetRange()) + "\n";
  }
  return out;
}

// Only the range at each line's end, by ScanToLineEnd.
std::string Ranges(TSrcCustomHighlighter& h, const QStringList& lines) {
  std::string out;
  h.ResetRange();
  for (int i = 0; i < lines.size(); ++i) {
    if (i > 0) h.SetRange(h.GetRange());
    h.SetLineView(lines[i], i);
    h.ScanToLineEnd();
    EXPECT_TRUE(h.AtLineEnd());
    out += std::to_string(h.GetRange()) + " ";
  }
  return out;
}

std::string RangesOf(const std::string& scan) {
  std::string out;
  for (size_t at = scan.find("| "); at != std::string::npos; at = scan.find("| ", at + 2))
    out += scan.substr(at + 2, scan.find('\n', at) - at - 2) + " ";
  return out;
}

}  // namespace

// NextToken gives the tokens (position, length, kind and attribute) and the
// ranges of the call sequence it stands for, and ScanToLineEnd reaches the
// same ranges, for every highlighter, the multi-language one too, over every
// file of the test data (each language over the others' files as well) and a
// page that mixes them.
TEST(KeywordHashFrame, NextTokenGivesTheTokensOfTheCallSequence) {
  const QDir dir(QStringLiteral(KV_TEST_DATA_DIR "/highlighters"));
  std::vector<QStringList> inputs;
  for (const QString& name : dir.entryList({QStringLiteral("generated*")}, QDir::Files)) {
    if (name.endsWith(QStringLiteral(".spans"))) continue;
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    inputs.push_back(QString::fromUtf8(f.readAll()).split(u'\n'));
  }
  ASSERT_GE(inputs.size(), 7u);
  QStringList page{u"<html><style>body { color: red; } /* open"_s,
                   u"*/ p { }</style>"_s,
                   u"<script>var s = \"x\"; /* a"_s,
                   u"b */ if (s) f();</script><% Dim x ' c"_s,
                   u"x = \"y\" %><?php echo $a; /* c"_s,
                   u"d */ ?><!-- e"_s,
                   u"f --><b>\u0141\t</b>\r"_s,
                   QString(QChar(0)) + u"<% Rem %>"_s};
  inputs.push_back(page);
  using Make = std::unique_ptr<TSrcCustomHighlighter> (*)();
  const std::pair<const char*, Make> makers[] = {
      {"HTML", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcHTMLHighlighter>(); }},
      {"JavaScript",
       []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcJScriptHighlighter>(); }},
      {"CSS", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcCssHighlighter>(); }},
      {"XML", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcXMLHighlighter>(); }},
      {"VBScript",
       []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcVBScriptHighlighter>(); }},
      {"SQL", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcSQLHighlighter>(); }},
      {"MySQL",
       []() -> std::unique_ptr<TSrcCustomHighlighter> {
         auto h = std::make_unique<TSrcSQLHighlighter>();
         h->SetSQLDialect(sqlMySQL);
         return h;
       }},
      {"PHP", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TSrcPHPHighlighter>(); }},
      {"multi", []() -> std::unique_ptr<TSrcCustomHighlighter> { return std::make_unique<TPageMulti>(); }},
  };
  for (const auto& [name, make] : makers)
    for (size_t i = 0; i < inputs.size(); ++i) {
      SCOPED_TRACE(std::string(name) + " over input " + std::to_string(i));
      const std::string expected = OldCalls(*make(), inputs[i]);
      ASSERT_GT(expected.size(), static_cast<size_t>(inputs[i].size()) * 4);  // tokens were found
      EXPECT_EQ(OneCall(*make(), inputs[i]), expected);
      EXPECT_EQ(Ranges(*make(), inputs[i]), RangesOf(expected));
    }
}
