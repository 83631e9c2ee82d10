#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterPHP.h"
#include "tests/highlighters/HighlighterTestUtil.h"

using P = TSrcPHPHighlighter;
using namespace hltest;

TEST(PHPHighlighter, Tokens) {
  ExpectTokens<P>({
      {"$x = 1;", "$x:10  :6 =:8  :6 1:5 ;:8 "},
      {"ECHO echo echos __file__", "ECHO:3  :6 echo:3  :6 echos:1  :6 __file__:3 "},
      {"\"a\\\"b\" 'c\\'d' \"e\\\\\" f", "\"a\\\"b\":7  :6 'c\\'d':7  :6 \"e\\\\\":7  :6 f:1 "},
      {"\"\" '' \"a\\b\"", "\"\":7  :6 '':7  :6 \"a\\b\":7 "},
      {"# note", "# note:0 "},
      {"x // note", "x:1  :6 // note:0 "},
      {"a/*b*/c/=d/e", "a:1 /*b*/:0 c:1 /=:8 d:1 /:8 e:1 "},
      {"@", "@:2 "},
      {"a..b 1..2", "a:1 .:8 .:8 b:1  :6 1:5 .:8 .:8 2:5 "},
      {"0x1F 10L 1e5 1.5 9-1 0xZ", "0x1F:5  :6 10L:5  :6 1e5:5  :6 1.5:5  :6 9-1:5  :6 0x:5 Z:1 "},
      {"$_a1 $ $2x", "$_a1:10  :6 $:10  :6 $2x:10 "},
      {"a<<=b<<c<=d<e", "a:1 <<=:8 b:1 <<:8 c:1 <=:8 d:1 <:8 e:1 "},
      {"a->b-=c--d-e", "a:1 ->:8 b:1 -=:8 c:1 --:8 d:1 -:8 e:1 "},
      {"a!=b%=c*d^=e!", "a:1 !=:8 b:1 %=:8 c:1 *:8 d:1 ^=:8 e:1 !:8 "},
      {"a&&b&=c&d++e+=f+g", "a:1 &&:8 b:1 &=:8 c:1 &:8 d:1 ++:8 e:1 +=:8 f:1 +:8 g:1 "},
      {"a==b=>c>=d>>e>f", "a:1 ==:8 b:1 =>:8 c:1 >=:8 d:1 >>:8 e:1 >:8 f:1 "},
      {"a||b|=c|d", "a:1 ||:8 b:1 |=:8 c:1 |:8 d:1 "},
      {"(),.:;?[]{}~", "(:8 ):8 ,:8 .:8 ::8 ;:8 ?:8 [:8 ]:8 {:8 }:8 ~:8 "},
      {"x\t \x01y", "x:1 \t \x01:6 y:1 "},
      {"\\ ` \xC3\xA9t\xF0\x9F\x98\x80", "\\:9  :6 `:9  :6 \xC3\xA9:9 t:1 \xF0\x9F\x98\x80:9 "},
  });
}

TEST(PHPHighlighter, ConstructsGoOnOverLines) {
  const struct {
    std::vector<const char*> lines;
    const char* dump;
  } cases[] = {
      {{"/* a", "", "b */ c", "/*/", "*/x"}, "[/* a|0]\n\n[b */|0][ |6][c|1]\n[/*/|0]\n[*/|0][x|1]\n"},
      {{"x \"abc", "de", "\"", "'"}, "[x|1][ |6][\"abc|7]\n[de|7]\n[\"|7]\n['|7]\n"},
      // Continuation lines know the same escapes as the line that opens the string.
      {{"\"abc", "d\\\\\" e"}, "[\"abc|7]\n[d\\\\\"|7][ |6][e|1]\n"},
      {{"'abc", "d\\'e' f"}, "['abc|7]\n[d\\'e'|7][ |6][f|1]\n"},
      {{"'a\\", "\\'b'"}, "['a\\|7]\n[\\'b'|7]\n"},
  };
  for (const auto& c : cases) {
    P h;
    QStringList lines;
    for (const char* l : c.lines) lines << QString::fromUtf8(l);
    EXPECT_EQ(Dump(h, lines), c.dump) << c.lines[0];
  }
  const struct {
    const char* line;
    int range;
  } ranges[] = {
      {"\"open", P::rsString34}, {"'open", P::rsString39}, {"/* open", P::rsComment}, {"'a' \"b\" /**/", P::rsUnknown}};
  for (const auto& r : ranges) {
    P h;
    int range = -1;
    Scan(h, QString::fromUtf8(r.line), range);
    EXPECT_EQ(range, r.range) << r.line;
  }
  P h;
  int range = 9;  // a state this scanner never stores
  EXPECT_EQ(Show(Scan(h, "x\"", range)), "[x|1][\"|7]");
  EXPECT_EQ(range, P::rsString34);
}

TEST(PHPHighlighter, KeywordTableAsGiven) {
  const TSrcKeywordTable& t = P::KeywordTable();
  EXPECT_EQ(t.keywordCount, 55);
  EXPECT_EQ(t.bound, 207);
  P h;
  const KeywordTableWalk walk = WalkKeywordTable(h, t, true, P::tkIdentifier);
  EXPECT_EQ(walk.largest, 206);
  EXPECT_EQ(walk.perKind, (std::map<int, int>{{P::tkKey, 55}}));
}

TEST(PHPHighlighter, AttributesNamesAndSample) {
  P h;
  EXPECT_EQ(h.GetAttributeCount(), 9);
  EXPECT_EQ(h.CommentAttri->Style(), fsItalic);
  EXPECT_EQ(h.KeyAttri->Style(), fsBold);
  EXPECT_EQ(h.KeyAttri->Name(), QStringLiteral("Reserved word"));
  EXPECT_EQ(h.InvalidSymbolAttri->Name(), QStringLiteral("Invalid symbol"));
  EXPECT_EQ(h.VariableAttri->Name(), QStringLiteral("Variable"));
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("PHP"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("PHP Files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc"));
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleSymbol), h.SymbolAttri);
  EXPECT_TRUE(h.GetIdentChars().Contains(QChar(192)));
  EXPECT_FALSE(h.GetIdentChars().Contains(QChar(u'$')));

  EXPECT_EQ(SampleDump(h),
            "[// Syntax highlighting|0]\n"
            "[function|3][ |6][printNumber|1][(|8][)|8]\n"
            "[{|8]\n"
            "[  |6][$number|10][ |6][=|8][ |6][1234|5][;|8]\n"
            "[  |6][print|3][ |6][\"The number is $number\"|7][;|8]\n"
            "[  |6][for|3][ |6][(|8][$i|10][ |6][=|8][ |6][0|5][;|8][ |6][$i|10][ |6][<=|8][ |6][$number|10][;|8][ |6]"
            "[$i|10][++|8][)|8]\n"
            "[  |6][{|8]\n"
            "[    |6][$x|10][++|8][;|8]\n"
            "[    |6][$x|10][--|8][;|8]\n"
            "[    |6][$x|10][ |6][+=|8][ |6][1.0|5][;|8]\n"
            "[  |6][}|8]\n"
            "[  |6][$number|10][ |6][+=|8][ |6][@|2][;|8][ |6][// illegal character|0]\n"
            "[}|8]\n");
  h.SetLine("@", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.InvalidSymbolAttri);
  h.SetLine("\\", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);

  EXPECT_TRUE(RegisteredAtStart(P::staticMetaObject));
}

TEST(PHPHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "function ", "f($a, $b)", "{",      "}",       "$x = ",      "0x1F", "12.5", "1..5", "10L",  "\"str\\\"ing\"",
      "'s\\'q'",   "\"open",    "'open",  "\"",      "'",          "\\",   "\\\\", "/* ",  " */",  "*/",
      "/*",        "// line",   "# hash", "$x /= 2", "a++",        "b--",  "->",   "<<=",  "echo", "@",
      "`",         "\t",        "  ",     "\u00e9",  "\U0001F600", ";",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<P>(); }, kPieces, 20261208);
}

TEST(PHPHighlighter, SpansAgreeWithSecondOpinion) {
  ExpectSpansAgree([] { return std::make_unique<P>(); }, QStringLiteral("generated.php"),
                   [](const Token& t) {
                     return t.kind == P::tkComment ? "comment" : t.kind == P::tkString ? "string" : "";
                   });
}
