#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterCss.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using C = TSrcCssHighlighter;
using namespace hltest;

TEST(CssHighlighter, Tokens) {
  ExpectTokens<C>({
      {"font-family FONT-FAMILY font-familyx", "font-family:2  :5 FONT-FAMILY:2  :5 font-familyx:1 "},
      {"12pt 1.5em 2ex 3e2 4E5m", "12:4 pt:2  :5 1.5:4 em:2  :5 2:4 ex:2  :5 3e2:4  :5 4E5:4 m:1 "},
      {"1..2", "1:4 .:8 .:8 2:4 "},
      {"#FF00aa # $1f", "#FF00aa:4  :5 #:4  :5 $1f:4 "},
      {"margin: -5px", "margin:2 ::8  :5 -:4 5:4 px:2 "},
      {"a -.5 b - c", "a:1  :5 -.:4 5:4  :5 b:1  :5 -:5  :5 c:1 "},
      {"a-b a- -x", "a-b:1  :5 a-:1  :5 -:4 x:1 "},
      {"-x", "-:1 x:1 "},
      {"\"x\" 'it''s' ''' 'open", "\":8 x:1 \":8  :5 'it':6 's':6  :5 ''' ':6 open:1 "},
      {"'open", "'open:6 "},
      {"url(a/b) {12 }", "url:1 (:7 a:1 /:7 b:1 ):7  :5 {12:6  :5 }:6 "},
      {"panose-1 panose-2 PANOSE-9", "panose-1:2  :5 panose-2:2  :5 PANOSE-9:2 "},
      {"kHz khz KHZ Hz", "kHz:2  :5 khz:2  :5 KHZ:2  :5 Hz:2 "},
      {"a{color:red;}", "a:1 {:6 color:2 ::8 red:1 ;:8 }:6 "},
      {"\xC3\xA9 \xF0\x9F\x98\x80!", "\xC3\xA9:8  :5 \xF0\x9F\x98\x80:8 !:8 "},
  });
  C h;
  EXPECT_EQ(h.ClassifyWord("a-"), C::tkIdentifier);  // hash -18
  EXPECT_EQ(C::KeywordTable().HashWord(u"a-"), -18);
}

TEST(CssHighlighter, CommentsGoOnOverLines) {
  C h;
  const LinesScan scan = ScanLines(h, {"p /*", "", "x */ y", "/**/a /*/ b", "*/"});
  EXPECT_EQ(scan.tokens, "[p|1][ |5][/*|0]||[x */|0][ |5][y|1]|[/**/|0][a|1][ |5][/*/ b|0]|[*/|0]");
  EXPECT_EQ(scan.ranges, (std::vector<int>{C::rsCStyle, C::rsCStyle, C::rsUnknown, C::rsCStyle, C::rsUnknown}));
  h.SetRange(2);
  EXPECT_EQ(h.GetRange(), C::rsUnknown);
}

TEST(CssHighlighter, KeywordTableAsGiven) {
  const TSrcKeywordTable& t = C::KeywordTable();
  EXPECT_EQ(t.keywordCount, 186);
  EXPECT_EQ(t.bound, 255);
  EXPECT_EQ(t.buckets.size(), 256u);
  EXPECT_TRUE(t.buckets[255].empty());
  C h;
  const KeywordTableWalk walk = WalkKeywordTable(h, t, true, C::tkIdentifier);
  EXPECT_EQ(walk.largest, 250);
  EXPECT_EQ(walk.perKind, (std::map<int, int>{{C::tkKey, 186}}));
}

TEST(CssHighlighter, AttributesNamesAndSample) {
  C h;
  EXPECT_EQ(h.GetAttributeCount(), 7);
  EXPECT_EQ(h.CommentAttri->Style(), fsItalic);
  EXPECT_EQ(h.KeyAttri->Style(), fsBold);
  EXPECT_EQ(h.KeyAttri->Name(), QStringLiteral("Key"));
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("Cascading style sheets"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("Cascading Stylesheets (*.css)|*.css"));
  EXPECT_FALSE(h.GetIdentChars().Contains(u'-'));

  EXPECT_EQ(SampleDump(h),
            "[/* Syntax highlighting */|0]\n"
            "[body|1]\n"
            "[{|6]\n"
            "[  |5][font-family|2][:|8][ |5][\"|8][Arial|1][\"|8][;|8]\n"
            "[  |5][font-size|2][:|8][ |5][12|4][pt|2][;|8]\n"
            "[}|6]\n");
  h.ResetRange();
  h.SetLine("\"", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);
  EXPECT_TRUE(RegisteredAtStart(C::staticMetaObject));
}

TEST(CssHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "body",
      " {",
      "}",
      "{12",
      "color: ",
      "#FFF",
      "$a0",
      "12pt",
      "1.5em",
      "-5px",
      " - ",
      " -.5",
      "a-",
      "'str'",
      "'open",
      "''",
      "\"dq\"",
      "/* ",
      " */",
      "*/",
      "/*",
      "/",
      "(",
      ")",
      ";",
      "\t",
      "  ",
      "\u00e9",
      "\U0001F600",
      "font-family",
      "scrollbar-3d-light-color",
      "1..2",
      "e",
      "-",
      "x",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<C>(); }, kPieces, 20261208);
}

TEST(CssHighlighter, SpansAgreeWithSecondOpinion) {
  // Braces share the string kind; only quoted text counts as a string.
  ExpectSpansAgree(
      [] { return std::make_unique<C>(); }, QStringLiteral("generated.css"),
      [](const Token& t) {
        return t.kind == C::tkComment ? "comment" : t.kind == C::tkString && t.text.startsWith(u'\'') ? "string" : "";
      });
}
