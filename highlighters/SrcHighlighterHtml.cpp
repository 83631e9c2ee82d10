#include "highlighters/SrcHighlighterHtml.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "editor/SrcEditStrConst.h"

namespace {

// Tag names that have an opening and, unless listed below, a closing form:
// the classic names first, then the elements of today's HTML.
const char* const kOpeningNames[] = {
    "A",
    "ABBR",
    "ACRONYM",
    "ADDRESS",
    "APPLET",
    "AREA",
    "B",
    "BASE",
    "BASEFONT",
    "BGSOUND",
    "BIG",
    "BLINK",
    "BLOCKQUOTE",
    "BODY",
    "BR",
    "BUTTON",
    "CAPTION",
    "CENTER",
    "CITE",
    "CODE",
    "COL",
    "COLGROUP",
    "COMMENT",
    "DD",
    "DEL",
    "DFN",
    "DIR",
    "DIV",
    "DL",
    "DT",
    "EM",
    "EMBED",
    "FIELDSET",
    "FONT",
    "FORM",
    "FRAME",
    "FRAMESET",
    "H1",
    "H2",
    "H3",
    "H4",
    "H5",
    "H6",
    "HEAD",
    "HR",
    "HTML",
    "I",
    "IFRAME",
    "ILAYER",
    "IMG",
    "INPUT",
    "INS",
    "ISINDEX",
    "KBD",
    "KEYGEN",
    "LABEL",
    "LAYER",
    "LEGEND",
    "LI",
    "LINK",
    "LISTING",
    "MAP",
    "MARQUEE",
    "MENU",
    "META",
    "MULTICOL",
    "NEXTID",
    "NOBR",
    "NOEMBED",
    "NOFRAMES",
    "NOLAYER",
    "NOSCRIPT",
    "OBJECT",
    "OL",
    "OPTION",
    "P",
    "PARAM",
    "PLAINTEXT",
    "PRE",
    "Q",
    "S",
    "SAMP",
    "SCRIPT",
    "SELECT",
    "SERVER",
    "SMALL",
    "SPACER",
    "SPAN",
    "STRIKE",
    "STRONG",
    "STYLE",
    "SUB",
    "SUP",
    "TABLE",
    "TBODY",
    "TD",
    "TEXTAREA",
    "TFOOT",
    "TH",
    "THEAD",
    "TITLE",
    "TR",
    "TT",
    "U",
    "UL",
    "VAR",
    "WBR",
    "XMP",
    // Today's elements.
    "ARTICLE",
    "ASIDE",
    "AUDIO",
    "BDI",
    "BDO",
    "CANVAS",
    "DATA",
    "DATALIST",
    "DETAILS",
    "DIALOG",
    "FIGCAPTION",
    "FIGURE",
    "FOOTER",
    "HEADER",
    "HGROUP",
    "MAIN",
    "MARK",
    "MATH",
    "METER",
    "NAV",
    "OPTGROUP",
    "OUTPUT",
    "PICTURE",
    "PROGRESS",
    "RP",
    "RT",
    "RUBY",
    "SEARCH",
    "SECTION",
    "SLOT",
    "SOURCE",
    "SUMMARY",
    "SVG",
    "TEMPLATE",
    "TIME",
    "TRACK",
    "VIDEO",
};

// Opening names without a closing form.
const char* const kNoClosingNames[] = {"AREA",   "BASE",  "BASEFONT",  "BGSOUND", "BR",     "COL",    "FRAME",
                                       "HR",     "IMG",   "INPUT",     "ISINDEX", "KEYGEN", "LINK",   "META",
                                       "NEXTID", "PARAM", "PLAINTEXT", "SPACER",  "WBR",    "SOURCE", "TRACK"};

const char* const kEntities =
    "&Alpha; &Beta; &Gamma; &Delta; &Epsilon; &Zeta; &Eta; &Theta; &Iota; &Kappa; &Lambda; &Mu; &Nu; &Xi; "
    "&Omicron; &Pi; &Rho; &Sigma; &Tau; &Upsilon; &Phi; &Chi; &Psi; &Omega; &alpha; &beta; &gamma; &delta; "
    "&epsilon; &zeta; &eta; &theta; &iota; &kappa; &lambda; &mu; &nu; &xi; &omicron; &pi; &rho; &sigmaf; &sigma; "
    "&tau; &upsilon; &phi; &chi; &psi; &omega; &thetasym; &upsih; &piv; &bull; &hellip; &prime; &Prime; &oline; "
    "&frasl; &weierp; &image; &real; &trade; &alefsym; &larr; &uarr; &rarr; &darr; &harr; &crarr; &lArr; &uArr; "
    "&rArr; &dArr; &hArr; &forall; &part; &exist; &empty; &nabla; &isin; &notin; &ni; &prod; &sum; &minus; "
    "&lowast; &radic; &prop; &infin; &ang; &and; &or; &cap; &cup; &int; &there4; &sim; &cong; &asymp; &ne; "
    "&equiv; &le; &ge; &sub; &sup; &nsub; &sube; &supe; &oplus; &otimes; &perp; &sdot; &lceil; &rceil; &lfloor; "
    "&rfloor; &lang; &rang; &loz; &spades; &clubs; &hearts; &diams; &lsquo; &rsquo; &sbquo; &ldquo; &rdquo; "
    "&bdquo; &dagger; &Dagger; &permil; &lsaquo; &rsaquo; &quot; &amp; &lt; &gt; &ndash; &mdash; &nbsp; "
    "&thinsp; &ensp; &emsp; &iexcl; &cent; &pound; &curren; &yen; &brvbar; &brkbar; &sect; &uml; &die; &copy; "
    "&ordf; &laquo; &not; &shy; &reg; &macr; &hibar; &deg; &plusmn; &sup2; &sup3; &acute; &micro; &para; "
    "&middot; &cedil; &sup1; &ordm; &raquo; &frac14; &frac12; &frac34; &iquest; &Agrave; &Aacute; &Acirc; "
    "&Atilde; &Auml; &Aring; &AElig; &Ccedil; &Egrave; &Eacute; &Ecirc; &Euml; &Igrave; &Iacute; &Icirc; "
    "&Iuml; &ETH; &Ntilde; &Ograve; &Oacute; &Ocirc; &Otilde; &Ouml; &times; &Oslash; &Ugrave; &Uacute; "
    "&Ucirc; &Uuml; &Yacute; &THORN; &szlig; &agrave; &aacute; &acirc; &atilde; &auml; &aring; &aelig; "
    "&ccedil; &egrave; &eacute; &ecirc; &euml; &igrave; &iacute; &icirc; &iuml; &eth; &ntilde; &ograve; "
    "&oacute; &ocirc; &otilde; &ouml; &divide; &oslash; &ugrave; &uacute; &ucirc; &uuml; &yacute; &thorn; "
    "&yuml; &euro; &OElig; &oelig; &scaron; &Scaron; &fnof; &circ;";

constexpr int kSlotCount = 244;
constexpr int kLongestEntity = 10;  // "&thetasym;"

// The entity names in lower case.
const std::unordered_set<std::string_view>& LowerEntityNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const QString& name : TSrcHTMLHighlighter::EntityNames()) v.push_back(name.toLower().toStdString());
    return v;
  }();
  static const std::unordered_set<std::string_view> set(names.begin(), names.end());
  return set;
}

TSrcKeywordTable BuildHTMLCharTables() {
  TSrcKeywordTable t(TSrcHashRun::Html, kSlotCount, TSrcHTMLHighlighter::tkUndefKey, TSrcHTMLHighlighter::tkIdentifier,
                     false);
  std::vector<TSrcKeyword> keywords;
  for (const char* name : kOpeningNames) keywords.push_back({name, TSrcHTMLHighlighter::tkKey});
  for (const char* name : kOpeningNames) {
    bool closes = true;
    for (const char* no : kNoClosingNames)
      if (qstrcmp(name, no) == 0) closes = false;
    if (closes) keywords.push_back({QByteArray("/") + name, TSrcHTMLHighlighter::tkKey});
  }
  keywords.push_back({"!DOCTYPE", TSrcHTMLHighlighter::tkKey});
  t.Fill(keywords, kSlotCount);
  return t;
}

}  // namespace

const TSrcKeywordTable& TSrcHTMLHighlighter::KeywordTable() {
  static const TSrcKeywordTable table = BuildHTMLCharTables();
  return table;
}

const QStringList& TSrcHTMLHighlighter::EntityNames() {
  static const QStringList names = QString::fromLatin1(kEntities).split(u' ');
  return names;
}

// The keyword and entity tables are built when the first highlighter of the
// language is made, not at start.
void TSrcHTMLHighlighter::UnitInit() { RegisterHighlighter<TSrcHTMLHighlighter>(); }

TSrcHTMLHighlighter::TSrcHTMLHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  AndAttri = MakeAttribute(AttrNameEscapeAmpersand, fsBold, 0x0000FF00);
  ASPAttri = MakeAttribute(AttrNameAsp, 0, 0, 0x0000FFFF);
  CommentAttri = MakeAttribute(AttrNameComment, 0);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, fsBold);
  KeyAttri = MakeAttribute(AttrNameReservedWord, fsBold, 0x00FF0080);
  SpaceAttri = MakeAttribute(AttrNameSpace, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, fsBold);
  TextAttri = MakeAttribute(AttrNameText, 0);
  UndefKeyAttri = MakeAttribute(AttrNameUnknownWord, fsBold, 0x000000FF);
  ValueAttri = MakeAttribute(AttrNameValue, 0, 0x00FF8000);
  SetUpFrame(&KeywordTable(), {.null = tkNull, .space = tkSpace, .symbol = tkSymbol},
             {.comment = CommentAttri,
              .identifier = IdentifierAttri,
              .keyword = KeyAttri,
              .whitespace = SpaceAttri,
              .symbol = SymbolAttri},
             {
                 {tkAmpersand, AndAttri},
                 {tkASP, ASPAttri},
                 {tkComment, CommentAttri},
                 {tkIdentifier, IdentifierAttri},
                 {tkKey, KeyAttri},
                 {tkSpace, SpaceAttri},
                 {tkString, ValueAttri},
                 {tkSymbol, SymbolAttri},
                 {tkText, TextAttri},
                 {tkUndefKey, UndefKeyAttri},
                 {tkValue, ValueAttri},
             });
  BuildCharDispatch();
  fRange = rsText;
  SetDefaultFilter(FilterHTML);
}

void TSrcHTMLHighlighter::BuildCharDispatch() {
  using H = TSrcHTMLHighlighter;
  for (int c = 0; c < 257; ++c) {
    THandler h = Handler(&H::IdentProc);
    switch (c) {
      case 10:
        h = &H::LFProc;
        break;
      case 13:
        h = &H::CRProc;
        break;
      case '"':
        h = Handler(&H::StringProc);
        break;
      case '&':
        h = Handler(&H::AmpersandProc);
        break;
      case '<':
        h = Handler(&H::TagOpenProc);
        break;
      case '=':
        h = Handler(&H::EqualsProc);
        break;
      case '>':
        h = Handler(&H::TagCloseProc);
        break;
      default:
        // A NUL inside the line is white space; the line's end is found by length.
        if (c <= 32) h = Handler(&H::SpaceProc);
    }
    fProcTable[static_cast<size_t>(c)] = h;
  }
}

QString TSrcHTMLHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameHTML; }

QString TSrcHTMLHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "<!-- Syntax highlighting -->\r\n"
      "\r\n"
      "<html>\r\n"
      "<body bgcolor=\"red\">\r\n"
      " <% out.println(\"Hello World\"); %>\r\n"
      " <invalid>Sample HTML code &copy; 2001</invalid>\r\n"
      "</body>\r\n"
      "</html>");
}

// Some steps only change the state (an entity at the start of a text run,
// an empty tag name): scan again so that every token holds characters.
void TSrcHTMLHighlighter::ScanNext() { ScanNonEmpty(&TSrcHTMLHighlighter::ScanOne, 4); }

void TSrcHTMLHighlighter::ScanOne() {
  switch (fRange) {
    case rsASP:
      ASPProc();
      break;
    case rsComment:
      CommentProc();
      break;
    case rsText:
      TextProc();
      break;
    default:
      Dispatch();
  }
}

void TSrcHTMLHighlighter::SpaceProc() {
  ++fRun;
  fTokenKind = tkSpace;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == 0 || c > 32 || c == 9 || c == 10 || c == 13) break;
    ++fRun;
  }
}

void TSrcHTMLHighlighter::StringProc() {
  if (fRange == rsValue) {
    fRange = rsParam;
    fTokenKind = tkValue;
  } else {
    fTokenKind = tkString;
  }
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == 0 || c == 10 || c == 13) return;
    ++fRun;
    if (c == u'"') return;
  }
}

// The end of the digits of a numeric character reference at `amp`: "&#"
// and decimal digits, or "&#x" and at least one hexadecimal digit.
int TSrcHTMLHighlighter::NumericRefEnd(int amp) const {
  int i = amp + 2;
  if ((Peek(i) == u'x' || Peek(i) == u'X') && IsHexDigit(Peek(i + 1))) {
    i += 2;
    while (IsHexDigit(Peek(i))) ++i;
    return i;
  }
  while (IsDigit(Peek(i))) ++i;
  return i;
}

void TSrcHTMLHighlighter::AmpersandProc() {
  // A named entity is the token only where the text scanner stopped before
  // it (range 0); it is found again here, so nothing but the range carries
  // it from one token to the next.
  const int named = fRange == rsAmpersand ? EntityAt(fRun) : 0;
  fTokenKind = tkText;
  if (named > 0) {
    fTokenKind = tkAmpersand;
    fRun += named;
  } else if (Peek(fRun + 1) == u'#') {
    fRun = NumericRefEnd(fRun);
    if (Peek(fRun) == u';') {
      ++fRun;
      fTokenKind = tkAmpersand;
    }
  }
  fRange = rsText;
}

void TSrcHTMLHighlighter::TagOpenProc() {
  ++fRun;
  if (Peek(fRun) == u'!' && Peek(fRun + 1) == u'-' && Peek(fRun + 2) == u'-') {
    fRange = rsComment;
    fTokenKind = tkComment;
    fRun += 3;
  } else if (Peek(fRun) == u'%') {
    fRange = rsASP;
    fTokenKind = tkASP;
    ++fRun;
  } else {
    fRange = rsKey;
    fTokenKind = tkSymbol;
  }
}

void TSrcHTMLHighlighter::IdentProc() {
  switch (fRange) {
    case rsKey:
      fRange = rsParam;
      fTokenKind = ClassifyIdentifier(fRun);
      fRun += fIdentLength;
      break;
    case rsValue:
      fRange = rsParam;
      fTokenKind = tkValue;
      ++fRun;
      while (fRun < fLen && fLine[fRun] >= 33 && fLine[fRun] != u'>') ++fRun;
      break;
    default:
      fTokenKind = tkIdentifier;
      ++fRun;
      while (fRun < fLen) {
        const char16_t c = fLine[fRun];
        if (c < 33 || c == u'"' || c == u'=' || c == u'>') break;
        ++fRun;
      }
  }
}

int TSrcHTMLHighlighter::EntityAt(int pos) const {
  // Every entry ends with the first ";" after its "&"; letters compare
  // without regard to ASCII case, and nothing else folds.
  char key[kLongestEntity];
  const int limit = std::min(fLen, pos + kLongestEntity);
  for (int i = pos; i < limit; ++i) {
    const char16_t c = fLine[i];
    if (c >= 128) return 0;
    key[i - pos] = static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    if (c == u';') {
      const int length = i - pos + 1;
      return LowerEntityNames().contains(std::string_view(key, static_cast<size_t>(length))) ? length : 0;
    }
  }
  return 0;
}

void TSrcHTMLHighlighter::TextProc() {
  const char16_t first = fLine[fRun];
  if (first < 32 || first == u'<') {
    Dispatch();
    return;
  }
  fTokenKind = tkText;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c < 32 || c == u'<') return;
    if (c == u'&') {
      if (Peek(fRun + 1) == u'#') {
        const int amp = fRun;
        fRun = NumericRefEnd(amp);
        if (Peek(fRun) == u';') {
          fRange = rsAmpersand;
          fRun = amp;
        }
        return;
      }
      if (EntityAt(fRun) > 0) {
        fRange = rsAmpersand;
        return;
      }
    }
    ++fRun;
  }
}

// Scans on inside a block that ends at a ">" preceded on the same line by
// `closer` (one or two characters); the block may go on to the next line.
void TSrcHTMLHighlighter::BlockProc(std::uint8_t kind, QStringView closer) {
  fTokenKind = kind;
  const char16_t first = fLine[fRun];
  if (first == 0 || first == 10 || first == 13) {
    Dispatch();
    return;
  }
  const int n = static_cast<int>(closer.size());
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == 0 || c == 10 || c == 13) return;
    if (c == u'>') {
      bool closes = true;
      for (int i = 0; i < n && closes; ++i) closes = Peek(fRun - n + i) == closer[i].unicode();
      if (closes) {
        fRange = rsText;
        ++fRun;
        return;
      }
    }
    ++fRun;
  }
}

void TSrcHTMLHighlighter::ASPProc() { BlockProc(tkASP, u"%"); }

void TSrcHTMLHighlighter::CommentProc() { BlockProc(tkComment, u"--"); }
