#include <gtest/gtest.h>

#include "highlighters/SrcHighlighterXML.h"
#include "tests/highlighters/HighlighterTestUtil.h"

namespace {

using X = TSrcXMLHighlighter;
using namespace hltest;

// "text:kind:range " per token of a line scanned from `range` (-1: the
// start of a text), with the range right after each token.
std::string Trace(const QString& line, int range = -1) {
  X h;
  if (range < 0)
    h.ResetRange();
  else
    h.SetRange(range);
  h.SetLine(line, 0);
  std::string s;
  for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n, h.ScanNext())
    s += h.GetTokenText().toStdString() + ':' + std::to_string(h.GetTokenKind()) + ':' + std::to_string(h.GetRange()) +
         ' ';
  return s;
}

}  // namespace

TEST(XMLHighlighter, TokensAndRanges) {
  const struct {
    const char* line;
    const char* tokens;
  } cases[] = {
      // An empty attribute name before "/" only changes the range.
      {"<a b=\"x\"/>", "<:13:5 a:5:2  :12:2 b:2:7 =\":7:9 x:10:2 \":13:2 /:13:5 >:13:11 "},
      {"<a xmlns:p=\"u\" q = 'v'>",
       "<:13:5 a:5:2  :12:2 xmlns:p:17:14 =\":18:15 u:19:2 \":13:2  :12:2 q:2:7  :12:7 = ':7:0 v:0:2 ':13:2 >:13:11 "},
      {"<a myxmlnsattr='v&amp;w' t=\"&lt;&gt;\">",
       "<:13:5 a:5:2  :12:2 myxmlnsattr:17:14 =':18:12 v:15:13 &amp;:16:12 w:15:2 ':13:2  :12:2 t:2:7 =\":7:9 "
       "&lt;:11:9 &gt;:11:9 \":13:2 >:13:11 "},
      {"<a b='&x;' xmlns=\"&y;\">",
       "<:13:5 a:5:2  :12:2 b:2:7 =':7:0 &x;:1:0 ':13:2  :12:2 xmlns:17:14 =\":18:15 "
       "&y;:20:15 \":13:2 >:13:11 "},
      // A bare "&" in a value keeps the value's closing quote and the tag's end.
      {"<a b=\"&x\">t", "<:13:5 a:5:2  :12:2 b:2:7 =\":7:9 &x:11:9 \":13:2 >:13:11 t:14:11 "},
      {"a &amp; b", "a :14:6 &amp;:6:11  b:14:11 "},
      {"&lt;3 &a<b>", "&lt;:6:11 3 :14:6 &a:6:11 <:13:5 b:5:2 >:13:11 "},
      {"<!-- x -->t", "<!--:13:4  x :4:4 -->:13:11 t:14:11 "},
      {"<?xml v=\"1\"?>t", "<?:9:8 xml v=\"1\"?>:9:11 t:14:11 "},
      {"<?>", "<?:9:8 >:9:11 "},
      {"<![CDATA[ a ]] > ]]>t", "<![CDATA[:3:3  a ]] > ]]>:3:11 t:14:11 "},
      {"<!DOCTYPE r [<!ENTITY e \"x\">]>", "<!DOCTYPE:21:17  r [<!ENTITY e \"x\">]:21:17 >:21:2 "},
      {"<!DOCTYPE r>x", "<!DOCTYPE:21:17  r>:21:2 x:2:7 "},
      {"</a><!x>", "</:13:5 a:5:2 >:13:11 <!:13:5 x:5:2 >:13:11 "},
      // An unquoted value runs to the line's end; "/" there ends the tag's name part.
      {"<b x=y>z", "<:13:5 b:5:2  :12:2 x:2:7 =y>z:7:7 "},
      {"<b x=y/>", "<:13:5 b:5:2  :12:2 x:2:7 =y/:13:5 >:13:11 "},
      {"<a \t b>", "<:13:5 a:5:2  :12:2 \t :12:2 b:2:7 >:13:11 "},
      {"  \tt > \xC3\xA9\xF0\x9F\x98\x80", "  :14:11 \t:12:11 t > \xC3\xA9\xF0\x9F\x98\x80:14:11 "},
      {"<p:n-1.x_y>", "<:13:5 p:n-1.x_y:5:2 >:13:11 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(QString::fromUtf8(c.line)), c.tokens) << c.line;
}

TEST(XMLHighlighter, NamesBeyondAscii) {
  // Every character XML allows in a name: letters of all scripts, marks,
  // the middle dot, and the planes above the basic one.
  const struct {
    const char* line;
    const char* tokens;
  } cases[] = {
      {"<stra\xC3\x9F"
       "e>text</stra\xC3\x9F"
       "e>",
       "<:13:5 stra\xC3\x9F"
       "e:5:2 >:13:11 text:14:11 </:13:5 stra\xC3\x9F"
       "e:5:2 >:13:11 "},
      {"<\xC3\xA9 a-\xC3\xBC=\"v\" \xE4\xB8\xAD\xE6\x96\x87:\xE5\x90\x8D='x'/>",
       "<:13:5 \xC3\xA9:5:2  :12:2 a-\xC3\xBC:2:7 =\":7:9 v:10:2 \":13:2  :12:2 "
       "\xE4\xB8\xAD\xE6\x96\x87:\xE5\x90\x8D:2:7 =':7:0 x:0:2 ':13:2 /:13:5 >:13:11 "},
      {"<a\xC2\xB7\xCC\x81\xF0\x90\x80\x80 xmlns:\xC3\xB6=\"u\">",
       "<:13:5 a\xC2\xB7\xCC\x81\xF0\x90\x80\x80:5:2  :12:2 xmlns:\xC3\xB6:17:14 =\":18:15 u:19:2 \":13:2 >:13:11 "},
      // The multiplication sign is no name character: the name ends before it.
      {"<a\xC3\x97"
       "b>",
       "<:13:5 a:5:2 \xC3\x97"
       "b>:7:7 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Trace(QString::fromUtf8(c.line)), c.tokens) << c.line;
  // The line after a name beyond ASCII is text again.
  X h;
  const LinesScan scan = ScanLines(h, {"<stra\xC3\x9F"
                                       "e>text</stra\xC3\x9F"
                                       "e>",
                                       "next"});
  EXPECT_EQ(scan.ranges, (std::vector<int>{X::rsText, X::rsText}));
  EXPECT_EQ(scan.tokens,
            "[<|13][stra\xC3\x9F"
            "e|5][>|13][text|14][</|13][stra\xC3\x9F"
            "e|5][>|13]|[next|14]");
}

TEST(XMLHighlighter, ConstructsGoOnOverLines) {
  const struct {
    std::vector<const char*> lines;
    const char* tokens;  // per line, "|" between lines
    std::vector<int> ranges;
  } cases[] = {
      {{"<!-- a", "", "b --> c"}, "[<!--|13][ a|4]||[b |4][-->|13][ c|14]", {X::rsComment, X::rsComment, X::rsText}},
      {{"<!DOCTYPE root [", "  ]>"},
       "[<!DOCTYPE|21][ root [|21]|[  ]|21][>|21]",
       {X::rsDocTypeSquareBraces, X::rsAttribute}},
      {{"<!DOCTYPE root", "[ <!ELEMENT r ANY>", "] >"},
       "[<!DOCTYPE|21][ root|21]|[[ <!ELEMENT r ANY>|21]|[]|21][ >|21]",
       {X::rsDocType, X::rsDocTypeSquareBraces, X::rsAttribute}},
      {{"<?pi a", "b?>"}, "[<?|9][pi a|9]|[b?>|9]", {X::rsProcessingInstruction, X::rsText}},
      {{"<![CDATA[ a", "]]>"}, "[<![CDATA[|3][ a|3]|[]]>|3]", {X::rsCDATA, X::rsText}},
      {{"<a b=\"x", "y\">"},
       "[<|13][a|5][ |12][b|2][=\"|7][x|10]|[y|10][\"|13][>|13]",
       {X::rsQuoteAttrValue, X::rsText}},
      {{"<a", "b='x'>"}, "[<|13][a|5]|[b|2][='|7][x|0]['|13][>|13]", {X::rsAttribute, X::rsText}},
      // Cut at the line's end.
      {{"<!", "-->"}, "[<!|13]|[--|5][>|13]", {X::rsElement, X::rsText}},
      {{"<![CDATA"}, "[<!|13][[CDATA|7]", {X::rsEqual}},
  };
  for (const auto& c : cases) {
    X h;
    const LinesScan scan = ScanLines(h, c.lines);
    EXPECT_EQ(scan.tokens, c.tokens) << c.lines[0];
    EXPECT_EQ(scan.ranges, c.ranges) << c.lines[0];
  }
  // A stored value this scanner never gives restarts as text; the low byte counts.
  for (const auto& [stored, expected] : std::vector<std::pair<int, int>>{
           {19, X::rsText}, {255, X::rsText}, {256 + X::rsComment, X::rsComment}, {X::rsDocTypeSquareBraces, 18}}) {
    X h;
    h.SetRange(stored);
    EXPECT_EQ(h.GetRange(), expected) << stored;
  }
  EXPECT_EQ(Trace("a", 40), "a:14:11 ");
}

TEST(XMLHighlighter, AttributesNamesAndSample) {
  X h;
  const struct {
    TSrcHighlighterAttributes* attri;
    const char* name;
    TFontStyles style;
    TColor fg, bg;
  } attributes[] = {
      {h.ElementAttri, "Element Name", fsBold, 0x000080, clNone},
      {h.AttributeAttri, "Attribute Name", 0, 0x000080, clNone},
      {h.NamespaceAttributeAttri, "Namespace Attribute Name", 0, 0x0000FF, clNone},
      {h.AttributeValueAttri, "Attribute Value", fsBold, 0x800000, clNone},
      {h.NamespaceAttributeValueAttri, "Namespace Attribute Value", fsBold, 0x0000FF, clNone},
      {h.TextAttri, "Text", fsBold, 0, clNone},
      {h.CDATAAttri, "CDATA Section", fsItalic, 0x008080, clNone},
      {h.EntityRefAttri, "Entity Reference", fsBold, 0xFF0000, clNone},
      {h.ProcessingInstructionAttri, "Processing Instruction", 0, 0xFF0000, clNone},
      {h.CommentAttri, "Comment", fsBold | fsItalic, 0x808080, 0xC0C0C0},
      {h.DocTypeAttri, "DOCTYPE Section", fsItalic, 0xFF0000, clNone},
      {h.SpaceAttri, "Whitespace", 0, clNone, clNone},
      {h.SymbolAttri, "Symbol", 0, 0xFF0000, clNone},
  };
  EXPECT_EQ(h.GetAttributeCount(), 13);
  for (const auto& a : attributes) {
    EXPECT_EQ(a.attri->Name(), QString::fromLatin1(a.name));
    EXPECT_EQ(a.attri->Style(), a.style) << a.name;
    EXPECT_EQ(a.attri->Foreground(), a.fg) << a.name;
    EXPECT_EQ(a.attri->Background(), a.bg) << a.name;
  }
  // Kind -> attribute, one line each kind can be the first token of.
  const std::pair<const char*, TSrcHighlighterAttributes*> firstTokens[] = {
      {"<", h.SymbolAttri},          {"t", h.TextAttri},
      {"&e;", h.EntityRefAttri},     {"<?", h.ProcessingInstructionAttri},
      {"<!--", h.SymbolAttri},       {"<![CDATA[", h.CDATAAttri},
      {"<!DOCTYPE", h.DocTypeAttri}, {"\t", h.SpaceAttri},
  };
  for (const auto& [line, attri] : firstTokens) {
    h.ResetRange();
    h.SetLine(QString::fromLatin1(line), 0);
    EXPECT_EQ(h.GetTokenAttribute(), attri) << line;
  }
  const std::tuple<int, const char*, TSrcHighlighterAttributes*> rangeTokens[] = {
      {X::rsElement, "e", h.ElementAttri},
      {X::rsAttribute, "a", h.AttributeAttri},
      {X::rsAttribute, "xmlns", h.NamespaceAttributeAttri},
      {X::rsEqual, "=", h.SymbolAttri},
      {X::rsnsEqual, "=", h.SymbolAttri},
      {X::rsQuoteAttrValue, "v", h.AttributeValueAttri},
      {X::rsAposAttrValue, "v", h.AttributeValueAttri},
      {X::rsnsQuoteAttrValue, "v", h.NamespaceAttributeValueAttri},
      {X::rsnsAposAttrValue, "v", h.NamespaceAttributeValueAttri},
      {X::rsnsAposEntityRef, "&", h.EntityRefAttri},
      {X::rsAposEntityRef, "&", h.EntityRefAttri},
      {X::rsQuoteEntityRef, "&", h.EntityRefAttri},
      {X::rsnsQuoteEntityRef, "&", h.EntityRefAttri},
      {X::rsComment, "c", h.CommentAttri},
  };
  for (const auto& [range, line, attri] : rangeTokens) {
    h.SetRange(range);
    h.SetLine(QString::fromLatin1(line), 0);
    EXPECT_EQ(h.GetTokenAttribute(), attri) << range << line;
  }
  h.SetLine("", 0);
  EXPECT_EQ(h.GetTokenAttribute(), nullptr);

  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleComment), h.CommentAttri);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleIdentifier), h.AttributeAttri);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleKeyword), h.ElementAttri);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleString), nullptr);
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleSymbol), h.SymbolAttri);
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("XML document"));
  EXPECT_EQ(h.DefaultFilter(),
            QStringLiteral("XML Document (*.xml,*.xsd,*.xsl,*.xslt,*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd"));
  const TSrcIdentChars ident = h.GetIdentChars();
  for (const char16_t c : {u'-', u'.', u'0', u'Z', u'_', u'z', u'\u00C0', u'\u00F8'}) EXPECT_TRUE(ident.Contains(c));
  for (const char16_t c : {u':', u' ', u'\u00D7', u'\u00F7'}) EXPECT_FALSE(ident.Contains(c));
  EXPECT_TRUE(h.WantBracesParsed());  // its stored default

  EXPECT_EQ(SampleDump(h),
            "[<?|9][xml version=\"1.0\"?>|9]\n"
            "[<!DOCTYPE|21][ root [|21]\n"
            "[  ]|21][>|21]\n"
            "[<!--|13][ Comment |4][-->|13]\n"
            "[<|13][root|5][ |12][version|2][=\"|7][&test;|11][\"|13][>|13]\n"
            "[  |14][<![CDATA[|3][ **CDATA section** ]]>|3]\n"
            "[</|13][root|5][>|13]\n");

  EXPECT_TRUE(RegisteredAtStart(X::staticMetaObject));
}

TEST(XMLHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "<",          ">",     "</", "/>",          "<a",   "<p:item", " b=", "=\"",   "\"", "'",  "xmlns:p=\"u\"",
      " c='v'",     "&amp;", "&",  ";",           "<!--", "-->",     "--",  "<?xml", "?>", "?",  "<![CDATA[",
      "]]>",        "]",     "[",  "<!DOCTYPE r", "<!",   "text ",   "\t",  "  ",    "/",  "=x", "\u00e9",
      "\U0001F600", "-",     "x",
  };
  ExpectInvariantsOnRandomDocuments([] { return std::make_unique<X>(); }, kPieces, 20261209);
}

TEST(XMLHighlighter, SpansAgreeWithSecondOpinion) {
  ExpectSpansAgree([] { return std::make_unique<X>(); }, QStringLiteral("generated.xml"),
                   [](const Token& t) -> const char* {
                     switch (t.kind) {
                       case X::tkComment:
                         return "comment";
                       case X::tkSymbol:
                         return t.text == u"<!--" || t.text == u"-->" ? "comment" : "";
                       case X::tkCDATA:
                       case X::tkProcessingInstruction:
                       case X::tkDocType:
                         return "preproc";
                       case X::tkEntityRef:
                         return "entity";
                       case X::tkAposAttrValue:
                       case X::tkAposEntityRef:
                       case X::tkQuoteAttrValue:
                       case X::tkQuoteEntityRef:
                       case X::tknsAposAttrValue:
                       case X::tknsAposEntityRef:
                       case X::tknsQuoteAttrValue:
                       case X::tknsQuoteEntityRef:
                         return "value";
                       default:
                         return "";
                     }
                   });
}
