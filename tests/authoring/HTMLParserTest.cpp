#include <gtest/gtest.h>

#include "authoring/HTMLParser.h"

namespace {

TParsed ParseText(const QString& text) {
  THTMLParser p;
  p.HTML = text.split(u'\n');
  p.Parse();
  return p.Parsed;
}

QStringList L(std::initializer_list<const char*> items) {
  QStringList out;
  for (const char* s : items) out << QString::fromUtf8(s);
  return out;
}

TEST(HTMLParser, LinksBySchemeAndKind) {
  struct Case {
    const char* html;
    QStringList TParsed::*list;
    QStringList expected;
  };
  const Case cases[] = {
      {"<a href='news.htm'>", &TParsed::Hyperlinks, L({"news.htm"})},
      {"<a href='news.htm'>", &TParsed::Locallinks, L({"news.htm"})},
      {"<A HREF=mailto:x>", &TParsed::EMails, L({"x"})},
      {"<A HREF=mailto:x>", &TParsed::Hyperlinks, L({"mailto:x"})},
      {"<a href=\"http://h/a.gif\">", &TParsed::HTTPlinks, L({"http://h/a.gif"})},
      {"<a href=\"ftp://h/f.zip\">", &TParsed::FTPlinks, L({"ftp://h/f.zip"})},
      {"<a href=\"https://h/\">", &TParsed::Hyperlinks, L({"https://h/"})},
      // whole attribute names, any quoting, blanks around "="
      {"<a hreflang=\"en\" href=\"x.htm\">", &TParsed::Hyperlinks, L({"x.htm"})},
      {"<a href = \"y.htm\">", &TParsed::Hyperlinks, L({"y.htm"})},
      {"<a href=\"a b.htm\" title=t>", &TParsed::Hyperlinks, L({"a b.htm"})},
      {"<a\nhref=\"z.htm\">", &TParsed::Hyperlinks, L({"z.htm"})},
      {"<a name=\"top\">", &TParsed::Hyperlinks, L({})},
      {"<img srcset=\"big.png 2x\" src='p.png'>", &TParsed::Images, L({"p.png"})},
      {"<IMG SRC=p.gif ALT=x><frame src=\"f.htm\">", &TParsed::FramePages, L({"f.htm"})},
      // a "<" inside a tag starts the tag anew
      {"<b <a href=q.htm>", &TParsed::Hyperlinks, L({"q.htm"})},
      // malformed input: unclosed tag, stray ">", NUL, unclosed quote
      {"text > more <a href=\"open", &TParsed::Hyperlinks, L({})},
      {"<a href=\"open>", &TParsed::Hyperlinks, L({"open"})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseText(QString::fromUtf8(c.html)).*c.list, c.expected) << c.html;
  }
  // a NUL inside the text is an ordinary character
  const QString withNul = QStringLiteral("<a href=\"x") + QChar(0) + QStringLiteral("y.htm\">");
  EXPECT_EQ(ParseText(withNul).Hyperlinks, QStringList{withNul.mid(9, 7)});
}

TEST(HTMLParser, FileKinds) {
  struct Case {
    const char* href;
    TLocalRemote TParsed::*kind;
    bool remote;
  };
  const Case cases[] = {
      {"news.htm", &TParsed::HTML, false},
      {"http://h/a.gif", &TParsed::Image, true},
      {"a.JPEG", &TParsed::Image, false},
      {"m.mp3", &TParsed::Media, false},
      {"s.js", &TParsed::Java, false},
      {"x.php?a=1", &TParsed::PHP, false},
      {"c.cab", &TParsed::ActiveX, false},
      {"p.asp", &TParsed::ASP, false},
      {"http://h/cgi/x.cgi", &TParsed::PERL, true},
      {"https://h/i.html", &TParsed::HTML, false},
  };
  for (const Case& c : cases) {
    const TParsed p = ParseText(QStringLiteral("<a href=\"%1\">").arg(QLatin1String(c.href)));
    const TLocalRemote& lr = p.*c.kind;
    EXPECT_EQ(c.remote ? lr.Remote : lr.Local, QStringList{QLatin1String(c.href)}) << c.href;
    EXPECT_TRUE((c.remote ? lr.Local : lr.Remote).isEmpty()) << c.href;
  }
}

TEST(HTMLParser, TitleMetaAndReset) {
  THTMLParser p;
  p.HTML = QStringList{"<html><head><title>Home</title>", "<meta name=\"keywords\" content=\"a, b\">",
                       "<META NAME=Description CONTENT='About us'>", "<a href=x.htm></head>"};
  p.Parse();
  EXPECT_EQ(p.Parsed.Title, "Home");
  EXPECT_EQ(p.Parsed.Keyword, "a, b");
  EXPECT_EQ(p.Parsed.Description, "About us");
  p.HTML = QStringList{"<title>Home", "Page</title>", "<meta name=KEYWORD content=k>"};
  p.Parse();
  EXPECT_EQ(p.Parsed.Title, "Home Page");  // a line break is a blank
  EXPECT_EQ(p.Parsed.Keyword, "k");
  EXPECT_TRUE(p.Parsed.Description.isEmpty());
  EXPECT_TRUE(p.Parsed.HTML.Local.isEmpty());
  p.HTML = QStringList{"<title>A <b>bold</b> title</title>"};
  p.Parse();
  EXPECT_EQ(p.Parsed.Title, " title");  // the last text run
}

TEST(HTMLParser, Events) {
  THTMLParser p;
  QStringList tags, texts, comments, others;
  QList<int> lines;
  p.OnParsing = [&](TObject* sender, int line, int count) {
    EXPECT_EQ(sender, &p);
    lines << line << count;
  };
  p.OnFoundTag = [&](TObject*, const QString& t) { tags << t; };
  p.OnFoundText = [&](TObject*, const QString& t) { texts << t; };
  p.OnFoundComment = [&](TObject*, const QString& t) { comments << t; };
  p.OnFoundHyperlink = [&](TObject*, const QString& t) { others << t; };
  p.HTML = QStringList{"<p>Hello", "", "world<!-- note --><a href=\"https://s/\">", "tail"};
  p.Parse();
  EXPECT_EQ(lines, (QList<int>{1, 4, 3, 4, 4, 4}));
  EXPECT_EQ(tags, (QStringList{"p", "a href=\"https://s/\""}));
  EXPECT_EQ(texts, QStringList{"Hello world"});  // "tail" is left over, not handed on
  EXPECT_EQ(comments, QStringList{"note"});
  EXPECT_EQ(others, QStringList{"https://s/"});
}

// A line break inside a quoted value stays in the value (a link check drops
// it, as a browser does); outside quotes it separates like a blank. A quote
// opens a value only where one begins.
TEST(HTMLParser, LineBreaksInsideAndOutsideQuotes) {
  THTMLParser p;
  QStringList tags;
  p.OnFoundTag = [&](TObject*, const QString& t) { tags << t; };
  p.HTML = L({"<a href=\"pdfs/project-", "brief.pdf\">brief</a> <img", "src=\"pics/", "four.png\">", "<a title=it's",
              "href='caf\u00e9/", "", "\U0001F600.htm'>", "<p class=x", "title=\"a", "b\" id=y", ">"});
  p.Parse();
  EXPECT_EQ(p.Parsed.Hyperlinks, L({"pdfs/project-\nbrief.pdf", "caf\u00e9/\n\n\U0001F600.htm"}));
  EXPECT_EQ(p.Parsed.Images, L({"pics/\nfour.png"}));
  EXPECT_EQ(tags, L({"a href=\"pdfs/project-\nbrief.pdf\"", "/a", "img src=\"pics/\nfour.png\"",
                     "a title=it's href='caf\u00e9/\n\n\U0001F600.htm'", "p class=x title=\"a\nb\" id=y "}));
  // A "<" starts the tag anew, its quotes too; an unclosed quote ends with
  // its tag.
  p.HTML = L({"<b title=\"x<a href=\"y/", "z.htm\">", "<a href=\"open>", "<img src=", "\"q.png\">"});
  tags.clear();
  p.Parse();
  EXPECT_EQ(p.Parsed.Hyperlinks, L({"y/\nz.htm", "open"}));
  EXPECT_EQ(p.Parsed.Images, L({"q.png"}));
  EXPECT_EQ(tags.last(), "img src= \"q.png\"");
}

TEST(HTMLParser, TextRoutines) {
  struct Split {
    const char* url;
    const char *protocol, *path, *query, *fileName;
  };
  const Split splits[] = {
      {"HTTP://H/DIR/X.PHP?A=1", "HTTP", "H/DIR/", "A=1", "X.PHP"},
      {"NEWS.HTM", "http", "", "", "NEWS.HTM"},
      {"MAILTO:X@Y.COM", "MAILTO:", "", "", "X@Y.COM"},
      {"http://host", "http", "host/", "", ""},
      {"a/b/c", "http", "a/b/c/", "", ""},
  };
  for (const Split& s : splits) {
    QString protocol, path, query, fileName;
    SplitURL(QLatin1String(s.url), protocol, path, query, fileName);
    EXPECT_EQ(QStringList({protocol, path, query, fileName}), QStringList({s.protocol, s.path, s.query, s.fileName}))
        << s.url;
  }
  EXPECT_EQ(ExtractBetween("a|b|c", u'|'), "b");
  EXPECT_EQ(ExtractBetween("abc", u'|'), "abc");
  EXPECT_EQ(FindAttribute("a HREF=\"x y\" t=1", "href"), "HREF=\"x y\"");
  EXPECT_EQ(FindAttribute("a hreflang=en", "href"), "");
  EXPECT_EQ(FindAttribute("href x=1", "href"), "");  // the tag name is no attribute
  EXPECT_EQ(AttributeValue("x = 'q'"), "q");
  EXPECT_EQ(AttributeValue("x=\"open"), "open");
  EXPECT_EQ(AttributeValue("x"), "");
}

}  // namespace

namespace {

// Attribute values as a browser reads them: the targets of links and
// pictures hold characters, not their references.
TEST(HTMLParser, CharacterReferencesDecoded) {
  const struct {
    const char* written;
    const char* decoded;
  } cases[] = {
      {"buglist.cgi?a=1&amp;b=2", "buglist.cgi?a=1&b=2"},
      {"show.cgi?x=1&#x26;y=2", "show.cgi?x=1&y=2"},
      {"file&#37;20name.html", "file%20name.html"},
      {"index&#46;html", "index.html"},
      {"a&#X2e;htm", "a.htm"},
      {"&lt;&gt;&quot;&apos;", "<>\"'"},
      {"caf&eacute;.html", "caf\u00e9.html"},
      {"&euro;&mdash;&alpha;&Omega;&sigmaf;&lang;", "\u20ac\u2014\u03b1\u03a9\u03c2\u27e8"},
      {"&#38", "&"},                   // ";" is optional after digits
      {"a&amp b", "a& b"},             // an old name without ";"
      {"?x=1&copy=2", "?x=1&copy=2"},  // ... but not before "="
      {"&copyright", "&copyright"},    // nor inside a longer name
      {"&euro ", "&euro "},            // newer names need their ";"
      {"&nosuch; & &; &#; &#x; &", "&nosuch; & &; &#; &#x; &"},
      {"&#0;&#xD800;&#x110000;&#99999999999999999999;", "\ufffd\ufffd\ufffd\ufffd"},
      {"&#128;&#x9F;", "\u20ac\u0178"},  // the old Windows characters
      {"&#x1F600;", "\U0001F600"},
      {"&amp;amp;", "&amp;"},  // decoded once
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeCharacterReferences(QString::fromUtf8(c.written)), QString::fromUtf8(c.decoded)) << c.written;

  // Lines as documentation pages write them.
  const TParsed p = ParseText(QStringLiteral(
      "<p>See <a href=\"https://bugs.example.org/buglist.cgi?product=x&amp;component=y&amp;bug_status=NEW\">open "
      "bugs</a>\n"
      "<a href='../manual/ch&#46;2.html#s&#x2d;1'>chapter</a> <a href=faq&#46;html>faq</a>\n"
      "<img src=\"logo&#x2e;png\" alt=\"&lt;logo&gt;\"><a href=\"mailto:dev&#64;example.org\">mail</a>\n"
      "<meta name=\"description\" content=\"Tom &amp; Jerry\"><frame src=\"nav&#46;htm\">"));
  EXPECT_EQ(p.Hyperlinks, L({"https://bugs.example.org/buglist.cgi?product=x&component=y&bug_status=NEW",
                             "../manual/ch.2.html#s-1", "faq.html", "mailto:dev@example.org"}));
  EXPECT_EQ(p.Images, L({"logo.png"}));
  EXPECT_EQ(p.EMails, L({"dev@example.org"}));
  EXPECT_EQ(p.FramePages, L({"nav.htm"}));
  EXPECT_EQ(p.HTML.Local, L({"../manual/ch.2.html#s-1", "faq.html"}));
  EXPECT_EQ(p.Description, "Tom & Jerry");
}

}  // namespace
