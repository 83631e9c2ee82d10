#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighters.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using H = TSrcHTMLHighlighter;

struct Token {
  QString text;
  int kind;
  int pos;
  bool operator==(const Token&) const = default;
};

std::string Show(const std::vector<Token>& tokens) {
  std::string s;
  for (const Token& t : tokens) s.append(QStringLiteral("[%1|%2]").arg(t.text).arg(t.kind).toStdString());
  return s;
}

// Scans one line from `range` (-1: the start of a text); returns the tokens
// and leaves the range at the line's end in `range`.
std::vector<Token> Scan(H& h, const QString& line, int& range) {
  if (range < 0)
    h.ResetRange();
  else
    h.SetRange(range);
  h.SetLine(line, 0);
  std::vector<Token> tokens;
  for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
    tokens.push_back({h.GetTokenText(), h.GetTokenKind(), h.GetTokenPos()});
    h.ScanNext();
  }
  range = h.GetRange();
  return tokens;
}

std::vector<Token> Scan(const QString& line) {
  H h;
  int range = -1;
  return Scan(h, line, range);
}

std::string Kinds(const QString& line) {
  std::string s;
  for (const Token& t : Scan(line)) s.append(QStringLiteral("%1:%2 ").arg(t.text).arg(t.kind).toStdString());
  return s;
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
  EXPECT_EQ(Kinds("&foo; bar"), "&foo; bar:9 ");
  EXPECT_EQ(Kinds("&thetasym;&euro;"), "&thetasym;:0 &euro;:0 ");
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
  int range = -1;
  auto t1 = Scan(h, "text <!-- open", range);
  EXPECT_EQ(Show(t1), "[text |9][<!--|2][ open|2]");
  EXPECT_EQ(range, H::rsComment);
  auto t2 = Scan(h, "", range);
  EXPECT_TRUE(t2.empty());
  EXPECT_EQ(range, H::rsComment);
  auto t3 = Scan(h, "still -->after <b>", range);
  EXPECT_EQ(Show(t3), "[still -->|2][after |9][<|8][b|4][>|8]");
  EXPECT_EQ(range, H::rsText);

  range = -1;
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

  // States this scanner never stores restart as text.
  h.SetRange(6);
  EXPECT_EQ(h.GetRange(), H::rsText);
  h.SetRange(300);
  EXPECT_EQ(h.GetRange(), H::rsText);
}

TEST(HtmlHighlighter, KeywordTableAsGiven) {
  const TSrcKeywordTable& t = H::KeywordTable();
  EXPECT_EQ(t.keywordCount, 198);
  EXPECT_EQ(t.bound, 244);
  int largest = -1;
  for (int i = 0; i < static_cast<int>(t.buckets.size()); ++i)
    if (!t.buckets[i].empty()) largest = i;
  EXPECT_EQ(largest, 243);
  EXPECT_EQ(H::EntityNames().size(), 249);
  EXPECT_EQ(t.HashWord(u"/xyzzy"), 248);

  H h;
  int checked = 0;
  for (const auto& bucket : t.buckets)
    for (const TSrcKeyword& k : bucket) {
      const QString word = QString::fromLatin1(k.word);
      EXPECT_EQ(h.ClassifyWord(word), H::tkKey) << k.word;
      EXPECT_EQ(h.ClassifyWord(word.toLower()), H::tkKey) << k.word;
      QString mixed = word;
      for (int i = 0; i < mixed.size(); i += 2) mixed[i] = mixed[i].toLower();
      EXPECT_EQ(h.ClassifyWord(mixed), H::tkKey) << k.word;
      if (!word.back().isDigit()) {  // digits end the hashed run: "H1Q" is "H1" then "Q"
        EXPECT_NE(h.ClassifyWord(word + "Q"), H::tkKey) << k.word;
      }
      ++checked;
    }
  EXPECT_EQ(checked, 198);
  EXPECT_EQ(h.ClassifyWord("/AREA"), H::tkUndefKey);  // no closing form
  EXPECT_EQ(h.ClassifyWord("H7"), H::tkUndefKey);
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

  const QStringList sample = h.GetSampleSource().split(QStringLiteral("\r\n"));
  ASSERT_EQ(sample.size(), 8);
  int range = -1;
  std::string dump;
  for (const QString& line : sample) dump += Show(Scan(h, line, range)) + "\n";
  EXPECT_EQ(dump,
            "[<!--|2][ Syntax highlighting -->|2]\n"
            "\n"
            "[<|8][html|4][>|8]\n"
            "[<|8][body|4][ |6][bgcolor|3][=|8][\"red\"|11][>|8]\n"
            "[ |9][<%|1][ out.println(\"Hello World\"); %>|1]\n"
            "[ |9][<|8][invalid|10][>|8][Sample HTML code |9][&copy;|0][ 2001|9][<|8][/invalid|10][>|8]\n"
            "[<|8][/body|4][>|8]\n"
            "[<|8][/html|4][>|8]\n");

  RegisterBuiltinHighlighters();
  bool found = false;
  for (const auto& cls : TSrcHighlighterList()) found |= cls.meta == &H::staticMetaObject;
  EXPECT_TRUE(found);
}

namespace {

// Checks that the tokens tile the line and that each holds characters.
void ExpectTiles(const QString& line, const std::vector<Token>& tokens) {
  int pos = 0;
  for (const Token& t : tokens) {
    ASSERT_EQ(t.pos, pos) << line.toStdString();
    ASSERT_GT(t.text.size(), 0) << line.toStdString();
    ASSERT_EQ(line.mid(pos, t.text.size()), t.text);
    pos += static_cast<int>(t.text.size());
  }
  ASSERT_EQ(pos, line.size()) << line.toStdString();
}

QStringList RandomDocument(QRandomGenerator& rng, int lines) {
  static const char* const kPieces[] = {
      "<html>", "</html>", "<body bgcolor=\"#FFFFFF\">", "<p>", "</p>", "<a href=page.html>", "</a>",
      "<img src=\"x.gif\" width=10>", "<!-- ", " -->", "<% ", " %>", "&amp;", "&copy;", "&#169;", "&#12",
      "&bogus;", "text ", "more text", "\t", "  ", "<script type=\"text/javascript\">", "var x = a < b;",
      "</script>", "<", ">", "=", "\"", "<br/>", "<td align=left", "value\"", "<table", "&", "<!DOCTYPE html>",
      "\u00e9\u00e8", "\U0001F600", "<xyzzy>", "</xyzzy>", "<%", "-->", "%>", "<!-->",
  };
  QStringList out;
  for (int l = 0; l < lines; ++l) {
    QString line;
    const int n = rng.bounded(8);
    for (int i = 0; i < n; ++i) line += QString::fromUtf8(kPieces[rng.bounded(int(std::size(kPieces)))]);
    out << line;
  }
  return out;
}

}  // namespace

TEST(HtmlHighlighter, AnyInputTilesAndRescansAlike) {
  QRandomGenerator rng(20261206);
  H h;
  for (int doc = 0; doc < 60; ++doc) {
    QStringList lines;
    if (doc % 2 == 0) {
      lines = RandomDocument(rng, 40);
    } else {
      // Random code units, NUL and surrogate halves included.
      for (int l = 0; l < 40; ++l) {
        QString line;
        const int len = rng.bounded(60);
        for (int i = 0; i < len; ++i) {
          const int pick = rng.bounded(10);
          line += pick < 6 ? QChar(rng.bounded(128)) : pick < 9 ? QChar(rng.bounded(256)) : QChar(0xD800 + rng.bounded(0x800));
        }
        lines << line;
      }
    }
    // From the top, keeping each line's start state.
    std::vector<int> starts;
    std::vector<std::vector<Token>> all;
    int range = -1;
    for (const QString& line : lines) {
      starts.push_back(range < 0 ? H::rsText : range);
      all.push_back(Scan(h, line, range));
      ExpectTiles(line, all.back());
    }
    // From any line with its stored state: the same tokens.
    for (int i = 0; i < lines.size(); ++i) {
      H fresh;
      int r = starts[i];
      ASSERT_EQ(Show(Scan(fresh, lines[i], r)), Show(all[i])) << doc << ":" << i;
    }
  }
}
