#include "highlighters/SrcHighlighterKeywordHash.h"

#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "tests/highlighters/HighlighterTestUtil.h"

#include <gtest/gtest.h>

#include <QString>

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
        {"ab", 7, 7},    {"ba", 7, 7},   {"AB", -1, 7},   {"aB", -1, 7}, {"abc", -1, 7}, {"Abc", 7, 7},
        {"abd", -1, -1}, {"a", -1, -1},  {"bb", -1, -1},  {"x_y", 7, 7}, {"X_Y", -1, 7}, {"y_x", -1, -1},
        {a62, 7, 7},     {a63, -1, -1},  {a64, 7, 7},     {a65, -1, -1}, {a70, -1, -1},
        {QString(62, u'A'), -1, 7},      {QString(61, u'a') + u'b', -1, -1}, {u'b' + a62, -1, -1},
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
