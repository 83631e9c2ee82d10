#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterJScript.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using J = TSrcJScriptHighlighter;
using namespace hltest;

TEST(JScriptHighlighter, Tokens) {
  ExpectTokens<J>({
      {"Function function FUNCTION", "Function:9  :5 function:2  :5 FUNCTION:1 "},
      {"onLoad onload", "onLoad:10  :5 onload:1 "},
      {"0x1F 0xZ 12.5", "0x1F:4  :5 0:4 xZ:1  :5 12.5:4 "},
      {"1..5", "1:4 .:7 .:7 5:4 "},
      {"a...b", "a:1 ...:7 b:1 "},
      {"1e5 0xff 09x", "1:4 e5:1  :5 0xff:4  :5 09:4 x:1 "},
      {"\"a\\\"b\" 'c'", "\"a\\\"b\":6  :5 'c':6 "},
      {"\"a\\\\\" + x", "\"a\\\\\":6  :5 +:7  :5 x:1 "},  // an escaped backslash does not escape the quote
      {"'open \\", "'open \\:6 "},
      {"\"\"\"x\" y", "\"\"\"x\":6  :5 y:1 "},
      {"@ # $ ^ `", "@:8  :5 #:8  :5 $:8  :5 ^:8  :5 `:8 "},
      {"a+=b++ c-->d &&e|=f||g %=h*i",
       "a:1 +=:7 b:1 ++:7  :5 c:1 --:7 >:7 d:1  :5 &&:7 e:1 |=:7 f:1 ||:7 g:1  :5 "
       "%=:7 h:1 *:7 i:1 "},
      {"x/=2/y // rest", "x:1 /=:7 2:4 /:7 y:1  :5 // rest:0 "},
      {"a/*b*/c /*/ d", "a:1 /*b*/:0 c:1  :5 /*/ d:0 "},
      {"x\t \x01y", "x:1 \t \x01:5 y:1 "},
      {"_a1 $b", "_a1:1  :5 $:8 b:1 "},
      {"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "\xC3\xA9t\xC3\xA9:1  :5 \xF0\x9F\x98\x80:8 "},
  });
}

TEST(JScriptHighlighter, NamesBeyondAscii) {
  ExpectTokens<J>({
      // The letters 192..255 and the letters of every script make names.
      {"var caf\xC3\xA9 = 1;", "var:2  :5 caf\xC3\xA9:1  :5 =:7  :5 1:4 ;:7 "},
      {"\xC3\x80\xC3\xBF\xC3\x98_1 stra\xC3\x9F"
       "e",
       "\xC3\x80\xC3\xBF\xC3\x98_1:1  :5 stra\xC3\x9F"
       "e:1 "},
      {"\xE6\x97\xA5\xE6\x9C\xAC.\xD0\xB8\xD0\xBC\xD1\x8F()",
       "\xE6\x97\xA5\xE6\x9C\xAC:1 .:7 \xD0\xB8\xD0\xBC\xD1\x8F:1 (:7 ):7 "},
      // A keyword with a letter after it is a name; marks, digits and
      // joiners go on a name but do not begin one.
      {"delete\xC3\xA9 function\xCC\x81", "delete\xC3\xA9:1  :5 function\xCC\x81:1 "},
      {"x\xD9\xA3 a\xE2\x80\x8D"
       "b \xCC\x81",
       "x\xD9\xA3:1  :5 a\xE2\x80\x8D"
       "b:1  :5 \xCC\x81:8 "},
      // Beyond the basic plane: a letter (mathematical italic x) and a symbol.
      {"\xF0\x9D\x91\xA5\xF0\x9D\x91\xA5 \xF0\x9F\x98\x80",
       "\xF0\x9D\x91\xA5\xF0\x9D\x91\xA5:1  :5 \xF0\x9F\x98\x80:8 "},
      // The multiplication and division signs and the Latin-1 symbols are no letters.
      {"a\xC3\x97"
       "b\xC3\xB7\xC2\xA9",
       "a:1 \xC3\x97:8 b:1 \xC3\xB7:8 \xC2\xA9:8 "},
      {"1\xC3\xA9", "1:4 \xC3\xA9:1 "},
  });
}

TEST(JScriptHighlighter, CommentsGoOnOverLines) {
  J h;
  // A string does not go on.
  const LinesScan scan = ScanLines(h, {"x /* a", "", "*", "y */ z", "/*", "*/x", "\"open"});
  EXPECT_EQ(scan.tokens, "[x|1][ |5][/* a|0]||[*|0]|[y */|0][ |5][z|1]|[/*|0]|[*/|0][x|1]|[\"open|6]");
  EXPECT_EQ(scan.ranges,
            (std::vector<int>{J::rsANSI, J::rsANSI, J::rsANSI, J::rsUnknown, J::rsANSI, J::rsUnknown, J::rsUnknown}));
  h.SetRange(7);
  EXPECT_EQ(h.GetRange(), J::rsUnknown);
}

TEST(JScriptHighlighter, KeywordTableAsGiven) {
  const TSrcKeywordTable& t = J::KeywordTable();
  EXPECT_EQ(t.keywordCount, 399);
  J h;
  const KeywordTableWalk walk = WalkKeywordTable(h, t, false, J::tkIdentifier);
  EXPECT_EQ(walk.largest, 252);
  EXPECT_EQ(walk.perKind, (std::map<int, int>{{J::tkKey, 63}, {J::tkEvent, 20}, {J::tkNonReservedKey, 316}}));
  EXPECT_EQ(t.bound, 253);
}

TEST(JScriptHighlighter, AttributesNamesAndSample) {
  J h;
  EXPECT_EQ(h.GetAttributeCount(), 9);
  EXPECT_EQ(h.CommentAttri->Style(), fsItalic);
  EXPECT_EQ(h.KeyAttri->Style(), fsBold);
  EXPECT_EQ(h.KeyAttri->Name(), QStringLiteral("Reserved word"));
  EXPECT_EQ(h.NonReservedKeyAttri->Name(), QStringLiteral("Non-reserved keyword"));
  EXPECT_EQ(h.EventAttri->Name(), QStringLiteral("Event"));
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("Javascript"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("Javascript Files (*.js)|*.js"));
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleString), h.StringAttri);
  EXPECT_TRUE(h.GetIdentChars().Contains(QChar(248)));
  EXPECT_FALSE(h.GetIdentChars().Contains(QChar(247)));

  EXPECT_EQ(SampleDump(h),
            "[// Syntax highlighting|0]\n"
            "[function|2][ |5][printNumber|1][(|7][)|7]\n"
            "[{|7]\n"
            "[  |5][var|2][ |5][number|1][ |5][=|7][ |5][1234|4][;|7]\n"
            "[  |5][var|2][ |5][x|1][;|7]\n"
            "[  |5][document|9][.|7][write|9][(|7][\"The number is \"|6][ |5][+|7][ |5][number|1][)|7][;|7]\n"
            "[  |5][for|2][ |5][(|7][var|2][ |5][i|1][ |5][=|7][ |5][0|4][;|7][ |5][i|1][ |5][<|7][=|7][ |5]"
            "[number|1][;|7][ |5][i|1][++|7][)|7]\n"
            "[  |5][{|7]\n"
            "[    |5][x|1][++|7][;|7]\n"
            "[    |5][x|1][--|7][;|7]\n"
            "[    |5][x|1][ |5][+=|7][ |5][1.0|4][;|7]\n"
            "[  |5][}|7]\n"
            "[  |5][i|1][ |5][+=|7][ |5][@|8][;|7][ |5][// illegal character|0]\n"
            "[}|7]\n"
            "[body|9][.|7][onLoad|10][ |5][=|7][ |5][printNumber|1][;|7]\n");
  h.ResetRange();
  h.SetLine("@", 0);
  EXPECT_EQ(h.GetTokenAttribute(), nullptr);
  EXPECT_TRUE(RegisteredAtStart(J::staticMetaObject));
}

TEST(JScriptHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "function ",  "f(a, b)",
      "{",          "}",
      "var x = ",   "0x1F",
      "12.5",       "1..5",
      "...",        "\"str\\\"ing\"",
      "'s'",        "\"open",
      "\\",         "/* ",
      " */",        "*/",
      "/*",         "// line",
      "x /= 2",     "a++",
      "b--",        "&&",
      "||",         "<=",
      "=>",         "document.write(",
      "onClick",    "@",
      "#",          "\t",
      "  ",         "\u00e9",
      "\U0001F600", "0xZ",
      "1e5",        "*",
      "/",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<J>(); }, kPieces, 20261207);
}

TEST(JScriptHighlighter, SpansAgreeWithSecondOpinion) {
  ExpectSpansAgree([] { return std::make_unique<J>(); }, QStringLiteral("generated.js"),
                   [](const Token& t) {
                     return t.kind == J::tkComment  ? "comment"
                            : t.kind == J::tkString ? "string"
                            : t.kind == J::tkNumber ? "number"
                                                    : "";
                   });
}
