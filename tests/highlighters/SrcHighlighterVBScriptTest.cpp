#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterVBScript.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using V = TSrcVBScriptHighlighter;
using namespace hltest;

TEST(VBScriptHighlighter, Tokens) {
  ExpectTokens<V>({
      {"Dim x", "Dim:2  :5 x:1 "},
      {"DIM dim ElseIf ELSEIF property PROPERTY",
       "DIM:2  :5 dim:2  :5 ElseIf:2  :5 ELSEIF:2  :5 property:2  :5 PROPERTY:2 "},
      {"' note \"x\"", "' note \"x\":0 "},
      {"Rem note", "Rem:2  :5 note:1 "},
      {"x ' rest", "x:1  :5 ' rest:0 "},
      {"#1/1/2000# #1/1", "#1/1/2000#:6  :5 #1/1:6 "},
      {"## x", "##:6  :5 x:1 "},  // the closing "#" is looked for after the opening one
      {"1.5E3 12 1e 2.3.4x", "1.5E3:4  :5 12:4  :5 1e:4  :5 2.3.4:4 x:1 "},
      {"a<>b <= >= < > =", "a:1 <>:7 b:1  :5 <=:7  :5 >=:7  :5 <:7  :5 >:7  :5 =:7 "},
      {"&()*+,-./:;=^{}", "&:7 (:7 ):7 *:7 +:7 ,:7 -:7 .:7 /:7 ::7 ;:7 =:7 ^:7 {:7 }:7 "},
      {"!$%?@[\\]`|~", "!:1 $:1 %:1 ?:1 @:1 [:1 \\:1 ]:1 `:1 |:1 ~:1 "},
      {"\"a\"\"b\" \"\" \"\"\"x\" \"open", "\"a\":6 \"b\":6  :5 \"\":6  :5 \"\"\"x\":6  :5 \"open:6 "},
      {"_a1 x.y", "_a1:1  :5 x:1 .:7 y:1 "},
      {"x\t \x01y", "x:1 \t \x01:5 y:1 "},
      {"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "\xC3\xA9:1 t:1 \xC3\xA9:1  :5 \xF0\x9F\x98\x80:1 "},
  });

  // Nothing goes on over lines.
  V h;
  int range = -1;
  Scan(h, "s = \"open", range);
  EXPECT_EQ(range, 0);
  EXPECT_EQ(Show(Scan(h, "x\"", range)), "[x|1][\"|6]");
  h.SetRange(5);
  EXPECT_EQ(h.GetRange(), 0);
}

TEST(VBScriptHighlighter, KeywordTableAsGiven) {
  const TSrcKeywordTable& t = V::KeywordTable();
  EXPECT_EQ(t.keywordCount, 84);
  EXPECT_EQ(t.bound, 134);
  V h;
  const KeywordTableWalk walk = WalkKeywordTable(h, t, true, V::tkIdentifier);
  EXPECT_EQ(walk.largest, 133);
  EXPECT_EQ(walk.perKind, (std::map<int, int>{{V::tkKey, 84}}));
}

TEST(VBScriptHighlighter, AttributesNamesAndSample) {
  V h;
  const struct {
    TSrcHighlighterAttributes* attri;
    const char* name;
    TFontStyles style;
  } attributes[] = {
      {h.CommentAttri, "Comment", fsItalic},
      {h.IdentifierAttri, "Identifier", 0},
      {h.KeyAttri, "Reserved word", fsBold},
      {h.NumberAttri, "Number", 0},
      {h.SpaceAttri, "Space", 0},
      {h.StringAttri, "String", 0},
      {h.SymbolAttri, "Symbol", 0},
  };
  EXPECT_EQ(h.GetAttributeCount(), 7);
  for (const auto& a : attributes) {
    EXPECT_EQ(a.attri->Name(), QString::fromLatin1(a.name));
    EXPECT_EQ(a.attri->Style(), a.style) << a.name;
    EXPECT_EQ(a.attri->Foreground(), clNone) << a.name;
  }
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("MS VBScript"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("VBScript Files (*.vbs)|*.vbs"));
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleString), h.StringAttri);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleKeyword), h.KeyAttri);
  EXPECT_TRUE(h.GetIdentChars().Contains(QChar(192)));
  EXPECT_FALSE(h.GetIdentChars().Contains(QChar(215)));

  EXPECT_EQ(SampleDump(h),
            "[' Syntax highlighting|0]\n"
            "[function|2][ |5][printNumber|1][(|7][)|7]\n"
            "[  |5][number|1][ |5][=|7][ |5][12345|4]\n"
            "[  |5][document|1][.|7][write|1][(|7][\"The number is \"|6][ |5][+|7][ |5][number|1][)|7]\n"
            "[  |5][for|2][ |5][i|1][ |5][=|7][ |5][0|4][ |5][to|2][ |5][10|4]\n"
            "[    |5][x|1][ |5][=|7][ |5][x|1][ |5][+|7][ |5][1.0|4]\n"
            "[  |5][next|2]\n"
            "[end|2][ |5][function|2]\n");
  h.SetLine("@", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);
  h.SetLine("", 0);
  EXPECT_EQ(h.GetTokenAttribute(), nullptr);

  EXPECT_TRUE(RegisteredAtStart(V::staticMetaObject));
}

TEST(VBScriptHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "Dim ",  "x = ", "\"str\"", "\"\"", "\"open", "#1/1/2000#", "#",      "' comment",    "Rem ",
      "1.5E3", "12",   "<>",      "<=",   ">",      "If ",        "Then",   "End Function", "(",
      ")",     "&",    "_",       "@",    "\t",     "  ",         "\u00e9", "\U0001F600",   "e",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<V>(); }, kPieces, 20261210);
}

TEST(VBScriptHighlighter, SpansAgreeWithSecondOpinion) {
  ExpectSpansAgree([] { return std::make_unique<V>(); }, QStringLiteral("generated.vbs"),
                   [](const Token& t) {
                     return t.kind == V::tkComment  ? "comment"
                            : t.kind == V::tkString ? "string"
                            : t.kind == V::tkNumber ? "number"
                                                    : "";
                   });
}

// A line scanned in place gives the tokens of the same line handed as a
// copy, and every name the kind the keyword table gives it.
TEST(VBScriptHighlighter, InPlaceLinesScanAsCopies) {
  QStringList lines{QStringLiteral("  If total >= 100 And Not IsEmpty(total) Then MsgBox \"t: \" & total ' x"),
                    QStringLiteral("Dim1 d_im _ x9y __ ElseIf2 PaRaMaRrAy Implements1 z #1/1"), QString(),
                    QStringLiteral("a\u00e9b \U0001F600Dim")};
  for (const auto& bucket : V::KeywordTable().buckets)
    for (const TSrcKeyword& k : bucket) {
      const QString w = QString::fromLatin1(k.word);
      lines << w + QLatin1Char(' ') + w.toUpper() + QLatin1Char(' ') + w.toLower() + QStringLiteral("x _") + w;
    }
  V copy, inPlace, words;
  for (const QString& line : lines) {
    copy.SetLine(line, 0);
    inPlace.SetLineView(line, 0);
    EXPECT_EQ(inPlace.LineText(), line);
    for (int n = copy.MaxTokens(); n > 0 && !copy.AtLineEnd(); --n, copy.ScanNext(), inPlace.ScanNext()) {
      ASSERT_FALSE(inPlace.AtLineEnd()) << qPrintable(line);
      EXPECT_EQ(inPlace.GetTokenPos(), copy.GetTokenPos());
      EXPECT_EQ(inPlace.GetTokenLength(), copy.GetTokenLength());
      EXPECT_EQ(inPlace.GetTokenKind(), copy.GetTokenKind());
      const QString token = copy.GetTokenText();
      if (token.front() == u'_' || IsAsciiLetter(token.front().unicode())) {
        EXPECT_EQ(copy.GetTokenKind(), words.ClassifyWord(token)) << qPrintable(token);
      }
    }
    EXPECT_TRUE(inPlace.AtLineEnd());
  }
}

// Names, numbers and strings are measured several units at a time where
// the line is long enough, one at a time elsewhere: either way each ends
// where a scan unit by unit ends it, wherever that falls against the line's
// end, and a name gets the kind the keyword table gives it (whatever the
// case).
TEST(VBScriptHighlighter, RunsEndAnywhereAsScannedUnitByUnit) {
  const QStringList pieces{"Dim",
                           "dIM",
                           "x",
                           "_",
                           "Di",
                           "Dimx",
                           "a_b9",
                           "ElseIf",
                           "elseif0",
                           "Preserve",
                           "FUNCTION",
                           "Functions",
                           "Randomize",
                           "randomizer",
                           "PARAMARRAY",
                           "ImPlEmEnTs",
                           "ParamArrayX",
                           "abcdefghijklmnop",
                           "abcdefghijklmnopq",
                           "Wend9",
                           "1.5E3",
                           "12",
                           "2.3.4",
                           "0",
                           "1234567890123e",
                           "\"a\"",
                           "\"open",
                           "\"\"\"x\"",
                           "\"a string of some length\"",
                           "\"\""};
  // What follows: nothing, a blank, a symbol, a digit, a quote, a line
  // break, units of 128..255, 256 and above (one a surrogate pair), and a
  // name straight after those.
  const QStringList tails{"",       " ",      "(",          "9",         "\"",      "\r",        "\u00e9",
                          "\u0141", "\u4e2d", "\U0001F600", "\u00e9Dim", "\u0141x", "\u4e2dEnd", "\u00ffrem"};
  auto isNameUnit = [](QChar c) { return c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_'); };
  auto isNumberUnit = [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'.' || c == u'E' || c == u'e'; };
  V h, words;
  // The end of a name, number or string token at `pos`, else -1.
  auto expectedEnd = [&](const QString& line, int pos) {
    const QChar first = line[pos];
    int end = pos + 1;
    if (first.unicode() < 128 && (first.isLetter() || first == u'_')) {
      while (end < line.size() && isNameUnit(line[end])) ++end;
    } else if (first >= u'0' && first <= u'9') {
      while (end < line.size() && isNumberUnit(line[end])) ++end;
    } else if (first == u'"') {
      if (line.mid(pos, 3) == QStringLiteral("\"\"\"")) end += 2;
      while (end < line.size() && line[end] != u'"' && line[end] != u'\r') ++end;
      if (end < line.size()) ++end;
    } else {
      return -1;
    }
    return end;
  };
  auto check = [&](const QString& line) {
    int range = -1;
    int next = 0;
    for (const Token& t : Scan(h, line, range)) {
      ASSERT_EQ(t.pos, next) << qPrintable(line);
      next = t.pos + static_cast<int>(t.text.size());
      const int end = expectedEnd(line, t.pos);
      if (end < 0) continue;
      EXPECT_EQ(next, end) << qPrintable(line) << " at " << t.pos;
      if (isNameUnit(t.text.front()) && !t.text.front().isDigit()) {
        EXPECT_EQ(t.kind, words.ClassifyWord(t.text)) << qPrintable(line) << " at " << t.pos;
      }
    }
    EXPECT_EQ(next, line.size()) << qPrintable(line);
  };
  int lines = 0;
  for (int pad = 0; pad <= 11; ++pad)
    for (const QString& piece : pieces)
      for (const QString& tail : tails) {
        check(QString(pad, u'+') + piece + tail);
        ++lines;
      }
  EXPECT_EQ(lines, 12 * 30 * 14);

  // Random lines of the same pieces, runs far from the line's end too.
  QRandomGenerator rng(20261207);
  for (int n = 0; n < 2000; ++n) {
    QString line;
    for (int k = rng.bounded(1, 12); k > 0; --k)
      line += pieces[rng.bounded(pieces.size())] + tails[rng.bounded(tails.size())];
    check(line);
  }
}
