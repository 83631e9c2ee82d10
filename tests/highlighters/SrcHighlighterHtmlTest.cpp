#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <string>
#include <vector>

#include "highlighters/SrcHighlighterHtml.h"
#include "tests/highlighters/HighlighterTestUtil.h"

namespace {

using H = TSrcHTMLHighlighter;
using namespace hltest;

std::string Kinds(const QString& line) {
  H h;
  return hltest::Kinds(h, line);
}

}  // namespace

TEST(HtmlHighlighter, TagsAndAttributes) {
  EXPECT_EQ(Kinds("<p>"), "<:8 p:4 >:8 ");
  EXPECT_EQ(Kinds("</P>"), "<:8 /P:4 >:8 ");
  EXPECT_EQ(Kinds("<foo>"), "<:8 foo:10 >:8 ");
  EXPECT_EQ(Kinds("</xyzzy>"), "<:8 /xyzzy:3 >:8 ");
  EXPECT_EQ(Kinds("<a href=x.htm>"), "<:8 a:4  :6 href:3 =:8 x.htm:11 >:8 ");
  EXPECT_EQ(Kinds("<img src=\"a.gif\">"), "<:8 img:4  :6 src:3 =:8 \"a.gif\":11 >:8 ");
  EXPECT_EQ(Kinds("<H1>x</h1>"), "<:8 H1:4 >:8 x:9 <:8 /h1:4 >:8 ");
  EXPECT_EQ(Kinds("<!DOCTYPE html>"), "<:8 !DOCTYPE:4  :6 html:3 >:8 ");
  // A quoted text that is not a value is a string; it ends at the line end.
  EXPECT_EQ(Kinds("<a \"t\" \"open"), "<:8 a:4  :6 \"t\":7  :6 \"open:7 ");
  // A tab starts a new white-space token.
  EXPECT_EQ(Kinds("<a  \t b>"), "<:8 a:4   :6 \t :6 b:3 >:8 ");
}

TEST(HtmlHighlighter, TextAndEntities) {
  EXPECT_EQ(Kinds("a &amp; b"), "a :9 &amp;:0  b:9 ");
  EXPECT_EQ(Kinds("&AMP;"), "&AMP;:0 ");
  EXPECT_EQ(Kinds("&#169;"), "&#169;:0 ");
  EXPECT_EQ(Kinds("x&#169"), "x&#169:9 ");
  // Hexadecimal character references.
  EXPECT_EQ(Kinds("a&#x263A;b"), "a:9 &#x263A;:0 b:9 ");
  EXPECT_EQ(Kinds("&#X26a;"), "&#X26a;:0 ");
  EXPECT_EQ(Kinds("&#x;"), "&#:9 x;:9 ");  // like "&#" without digits
  EXPECT_EQ(Kinds("&#x26"), "&#x26:9 ");
  EXPECT_EQ(Kinds("<a &#xFF;"), "<:8 a:4  :6 &#xFF;:0 ");
  EXPECT_EQ(Kinds("&foo; bar"), "&foo; bar:9 ");
  EXPECT_EQ(Kinds("&thetasym;&euro;"), "&thetasym;:0 &euro;:0 ");
  // Only ASCII letters fold: the Kelvin sign is no "k".
  EXPECT_EQ(Kinds(QString::fromUtf8("&\u212Aappa; &KAPPA;")), "&\u212Aappa; :9 &KAPPA;:0 ");
  // An "&" that begins a token inside a tag ends the tag.
  EXPECT_EQ(Kinds("<a &amp;"), "<:8 a:4  :6 &amp;:0 ");

  H h;
  for (const QString& name : H::EntityNames()) {
    int range = -1;
    const auto tokens = Scan(h, "x" + name + "y", range);
    ASSERT_EQ(tokens.size(), 3u) << name.toStdString();
    EXPECT_EQ(tokens[1].kind, H::tkAmpersand) << name.toStdString();
    EXPECT_EQ(tokens[1].text, name);
    range = -1;
    EXPECT_EQ(Scan(h, name.toUpper(), range)[0].kind, H::tkAmpersand) << name.toStdString();
  }
}

TEST(HtmlHighlighter, StateCarriesAcrossLines) {
  H h;
  const LinesScan scan = ScanLines(h, {"text <!-- open", "", "still -->after <b>"});
  EXPECT_EQ(scan.tokens, "[text |9][<!--|2][ open|2]||[still -->|2][after |9][<|8][b|4][>|8]");
  EXPECT_EQ(scan.ranges, (std::vector<int>{H::rsComment, H::rsComment, H::rsText}));

  int range = -1;
  EXPECT_EQ(Show(Scan(h, "<!-->x", range)), "[<!--|2][>|2][x|9]");
  range = -1;
  EXPECT_EQ(Show(Scan(h, "<% x %>y", range)), "[<%|1][ x %>|1][y|9]");
  range = -1;
  Scan(h, "<% open", range);
  EXPECT_EQ(range, H::rsASP);
  EXPECT_EQ(Show(Scan(h, "%> z", range)), "[%>|1][ z|9]");
  range = -1;
  Scan(h, "<table width=", range);
  EXPECT_EQ(range, H::rsValue);
  EXPECT_EQ(Show(Scan(h, "100 border>", range)), "[100|11][ |6][border|3][>|8]");

  // An empty line gives one null token at 0.
  h.ResetRange();
  h.SetLine(QString(), 0);
  EXPECT_TRUE(h.AtLineEnd());
  EXPECT_EQ(h.GetTokenPos(), 0);
  EXPECT_EQ(h.GetTokenKind(), H::tkNull);
  EXPECT_EQ(h.GetTokenAttribute(), nullptr);

  // Nothing of a partly scanned line reaches the next one: here the text
  // scanner has just found "&amp;" when the caller stops.
  int r = -1;
  Scan(h, "x&amp;", r, 1);
  r = H::rsParam;
  EXPECT_EQ(Show(Scan(h, "&zzzzz", r)), "[&zzzzz|9]");
  r = -1;
  Scan(h, "x&thetasym;", r, 1);
  r = H::rsParam;
  EXPECT_EQ(Show(Scan(h, "&", r)), "[&|9]");

  // States this scanner never stores restart as text.
  for (int stored : {6, 300}) {
    h.SetRange(stored);
    EXPECT_EQ(h.GetRange(), H::rsText) << stored;
  }
}

TEST(HtmlHighlighter, KeywordTableAsGiven) {
  // 198 classic names and 72 of today's elements (37 opening, 35 closing).
  const TSrcKeywordTable& t = H::KeywordTable();
  EXPECT_EQ(t.keywordCount, 270);
  EXPECT_EQ(t.bound, 244);
  H h;
  const KeywordTableWalk walk = WalkKeywordTable(h, t, true, -1);
  EXPECT_EQ(walk.largest, 250);  // "/OPTGROUP", beyond the bound
  EXPECT_EQ(walk.perKind, (std::map<int, int>{{H::tkKey, 270}}));
  EXPECT_EQ(H::EntityNames().size(), 249);
  EXPECT_EQ(t.HashWord(u"/xyzzy"), 248);

  const struct {
    const char* word;
    int kind;
  } cases[] = {
      {"/AREA", H::tkUndefKey},    {"H7", H::tkUndefKey},
      {"section", H::tkKey},       {"/NAV", H::tkKey},
      {"figcaption", H::tkKey},    {"/optgroup", H::tkKey},
      {"template", H::tkKey},      {"search", H::tkKey},
      {"svg", H::tkKey},           {"math", H::tkKey},
      {"wbr", H::tkKey},           {"bdi", H::tkKey},
      {"/source", H::tkUndefKey},  {"/track", H::tkUndefKey},
      {"/xyzzy", H::tkIdentifier}, {"/optgroupq", H::tkIdentifier},
  };
  for (const auto& c : cases) EXPECT_EQ(h.ClassifyWord(c.word), c.kind) << c.word;
  EXPECT_EQ(Kinds("<main><video src=a.mp4></video></main>"),
            "<:8 main:4 >:8 <:8 video:4  :6 src:3 =:8 a.mp4:11 >:8 <:8 /video:4 >:8 <:8 /main:4 >:8 ");
}

TEST(HtmlHighlighter, HugeTagNameHashesWithoutOverflow) {
  // 34 918 434 times "!" (weight 123) sums to 2^32 + 86: in 32 bits the sum
  // overflows and lands in slot 86, an unknown tag instead of a name beyond
  // the table.
  const QString name(34918434, u'!');
  H h;
  EXPECT_EQ(h.ClassifyWord(name), H::tkIdentifier);
  h.ResetRange();
  h.SetLine("<" + name + ">", 0);
  h.ScanNext();
  EXPECT_EQ(h.GetTokenKind(), H::tkIdentifier);
  EXPECT_EQ(h.GetTokenLength(), name.size());
}

TEST(HtmlHighlighter, AttributesNamesAndSample) {
  H h;
  EXPECT_EQ(h.GetAttributeCount(), 10);
  EXPECT_EQ(h.KeyAttri->Name(), QStringLiteral("Reserved word"));
  EXPECT_EQ(h.KeyAttri->Foreground(), 0x00FF0080);
  EXPECT_EQ(h.KeyAttri->Style(), fsBold);
  EXPECT_EQ(h.ASPAttri->Background(), clYellow);
  EXPECT_EQ(h.ASPAttri->Foreground(), clBlack);
  EXPECT_EQ(h.AndAttri->Foreground(), clLime);
  EXPECT_EQ(h.UndefKeyAttri->Foreground(), clRed);
  EXPECT_EQ(h.ValueAttri->Foreground(), 0x00FF8000);
  EXPECT_EQ(h.CommentAttri->Foreground(), clNone);
  EXPECT_FALSE(h.KeyAttri->ForegroundStored());
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("HTML document"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html"));
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleString), nullptr);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleKeyword), h.KeyAttri);
  EXPECT_TRUE(h.GetIdentChars().Contains(QChar(192)));
  EXPECT_FALSE(h.GetIdentChars().Contains(QChar(215)));
  EXPECT_FALSE(h.GetIdentChars().Contains(u'-'));

  EXPECT_EQ(SampleDump(h),
            "[<!--|2][ Syntax highlighting -->|2]\n"
            "\n"
            "[<|8][html|4][>|8]\n"
            "[<|8][body|4][ |6][bgcolor|3][=|8][\"red\"|11][>|8]\n"
            "[ |9][<%|1][ out.println(\"Hello World\"); %>|1]\n"
            "[ |9][<|8][invalid|10][>|8][Sample HTML code |9][&copy;|0][ 2001|9][<|8][/invalid|10][>|8]\n"
            "[<|8][/body|4][>|8]\n"
            "[<|8][/html|4][>|8]\n");
  EXPECT_TRUE(RegisteredAtStart(H::staticMetaObject));
}

TEST(HtmlHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "<html>",
      "</html>",
      "<body bgcolor=\"#FFFFFF\">",
      "<p>",
      "</p>",
      "<a href=page.html>",
      "</a>",
      "<img src=\"x.gif\" width=10>",
      "<!-- ",
      " -->",
      "<% ",
      " %>",
      "&amp;",
      "&copy;",
      "&#169;",
      "&#12",
      "&#x263A;",
      "&#xZ;",
      "&bogus;",
      "text ",
      "more text",
      "\t",
      "  ",
      "<script type=\"text/javascript\">",
      "var x = a < b;",
      "</script>",
      "<",
      ">",
      "=",
      "\"",
      "<br/>",
      "<td align=left",
      "value\"",
      "<table",
      "&",
      "<!DOCTYPE html>",
      "\u00e9\u00e8",
      "\U0001F600",
      "<xyzzy>",
      "</xyzzy>",
      "<%",
      "-->",
      "%>",
      "<!-->",
      "<section>",
      "</nav>",
      "&thetasym",
      "&#x",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<H>(); }, kPieces, 20261206);
}
