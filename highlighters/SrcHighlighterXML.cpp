#include "highlighters/SrcHighlighterXML.h"

#include <array>

#include "editor/SrcEditStrConst.h"

namespace {

// Characters of element and attribute names in ASCII: letters, digits, "-",
// ".", ":" and "_".
constexpr std::array<bool, 128> kNameChars = [] {
  std::array<bool, 128> t{};
  for (char16_t c = 0; c < 128; ++c)
    t[c] = IsAsciiLetter(c) || IsDigit(c) || c == u'-' || c == u'.' || c == u':' || c == u'_';
  return t;
}();

// The name characters XML allows beyond ASCII, as UTF-16 units of the basic
// plane: the letters of every script, combining marks, the middle dot and
// the joiners. (The planes above come as surrogate pairs; see NameEnd.)
constexpr bool IsNonAsciiNameUnit(char16_t c) {
  return c == 0xB7 || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x37D) ||
         (c >= 0x37F && c <= 0x1FFF) || c == 0x200C || c == 0x200D || c == 0x203F || c == 0x2040 ||
         (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

// The end of the run of name characters that starts at `i`. ASCII is one
// table look-up a unit; of the planes above the basic one, XML allows
// U+10000 .. U+EFFFF, whose high surrogates are U+D800 .. U+DB7F.
inline int NameEnd(const char16_t* line, int i, int length) {
  for (;;) {
    while (i < length && line[i] < 128 && kNameChars[line[i]]) ++i;
    if (i >= length || line[i] < 128) return i;
    const char16_t c = line[i];
    if (IsNonAsciiNameUnit(c))
      ++i;
    else if (c >= 0xD800 && c <= 0xDB7F && i + 1 < length && QChar::isLowSurrogate(line[i + 1]))
      i += 2;
    else
      return i;
  }
}

// `name` holds "xmlns".
bool HoldsXmlns(const char16_t* name, int length) {
  for (int i = 0; i + 5 <= length; ++i)
    if (name[i] == u'x' && name[i + 1] == u'm' && name[i + 2] == u'l' && name[i + 3] == u'n' && name[i + 4] == u's')
      return true;
  return false;
}

constexpr bool IsLineBreak(char16_t c) { return c == 10 || c == 13; }

}  // namespace

void TSrcXMLHighlighter::UnitInit() { RegisterHighlighter<TSrcXMLHighlighter>(); }

TSrcXMLHighlighter::TSrcXMLHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  ElementAttri = MakeAttribute(AttrNameElementName, fsBold, clMaroon);
  AttributeAttri = MakeAttribute(AttrNameAttributeName, 0, clMaroon);
  NamespaceAttributeAttri = MakeAttribute(AttrNameNamespaceAttributeName, 0, clRed);
  AttributeValueAttri = MakeAttribute(AttrNameAttributeValue, fsBold, clNavy);
  NamespaceAttributeValueAttri = MakeAttribute(AttrNameNamespaceAttributeValue, fsBold, clRed);
  TextAttri = MakeAttribute(AttrNameText, fsBold, clBlack);
  CDATAAttri = MakeAttribute(AttrNameCDATASection, fsItalic, clOlive);
  EntityRefAttri = MakeAttribute(AttrNameEntityReference, fsBold, clBlue);
  ProcessingInstructionAttri = MakeAttribute(AttrNameProcessingInstruction, 0, clBlue);
  CommentAttri = MakeAttribute(AttrNameComment, fsBold | fsItalic, clGray, clSilver);
  DocTypeAttri = MakeAttribute(AttrNameDOCTYPESection, fsItalic, clBlue);
  SpaceAttri = MakeAttribute(AttrNameWhitespace, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, 0, clBlue);
  SetUpFrame(nullptr, {.null = tkNull, .space = tkSpace, .comment = tkComment, .symbol = tkSymbol},
             {.comment = CommentAttri,
              .identifier = AttributeAttri,
              .keyword = ElementAttri,
              .whitespace = SpaceAttri,
              .symbol = SymbolAttri},
             {
                 {tkAposAttrValue, AttributeValueAttri},
                 {tkAposEntityRef, EntityRefAttri},
                 {tkAttribute, AttributeAttri},
                 {tkCDATA, CDATAAttri},
                 {tkComment, CommentAttri},
                 {tkElement, ElementAttri},
                 {tkEntityRef, EntityRefAttri},
                 {tkEqual, SymbolAttri},
                 {tkProcessingInstruction, ProcessingInstructionAttri},
                 {tkQuoteAttrValue, AttributeValueAttri},
                 {tkQuoteEntityRef, EntityRefAttri},
                 {tkSpace, SpaceAttri},
                 {tkSymbol, SymbolAttri},
                 {tkText, TextAttri},
                 {tknsAposAttrValue, NamespaceAttributeValueAttri},
                 {tknsAposEntityRef, EntityRefAttri},
                 {tknsAttribute, NamespaceAttributeAttri},
                 {tknsEqual, SymbolAttri},
                 {tknsQuoteAttrValue, NamespaceAttributeValueAttri},
                 {tknsQuoteEntityRef, EntityRefAttri},
                 {tkDocType, DocTypeAttri},
             });
  BuildCharDispatch();
  fRange = rsText;
  SetDefaultFilter(FilterXML);
}

void TSrcXMLHighlighter::BuildCharDispatch() {
  using X = TSrcXMLHighlighter;
  fProcTable.fill(Handler(&X::RangeProc));
  // A NUL inside the line is a control character like the others: the
  // line's end is found by its length.
  for (int c = 0; c <= 32; ++c) fProcTable[static_cast<size_t>(c)] = Handler(&X::SpaceProc);
  fProcTable[10] = Handler(&X::LFProc);
  fProcTable[13] = Handler(&X::CRProc);
  fProcTable['<'] = Handler(&X::LessThanProc);
  fProcTable['>'] = Handler(&X::GreaterThanProc);
}

TSrcIdentChars TSrcXMLHighlighter::GetIdentChars() const {
  TSrcIdentChars set = LetterIdentChars();
  set.Include(QChar(u'-'));
  set.Include(QChar(u'.'));
  return set;
}

QString TSrcXMLHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameXML; }

QString TSrcXMLHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "<?xml version=\"1.0\"?>\r\n"
      "<!DOCTYPE root [\r\n"
      "  ]>\r\n"
      "<!-- Comment -->\r\n"
      "<root version=\"&test;\">\r\n"
      "  <![CDATA[ **CDATA section** ]]>\r\n"
      "</root>");
}

// Some steps only change the range (an empty name, a value or text that ends
// where it begins); at most three of them come in a row.
void TSrcXMLHighlighter::ScanNext() { ScanNonEmpty(&TSrcXMLHighlighter::ScanOne, 8); }

void TSrcXMLHighlighter::ScanOne() {
  switch (fRange) {
    case rsCDATA:
      SectionProc(tkCDATA, u']');
      break;
    case rsComment:
      CommentProc();
      break;
    case rsProcessingInstruction:
      SectionProc(tkProcessingInstruction, u'?');
      break;
    case rsText:
      TextProc();
      break;
    case rsDocType:
    case rsDocTypeSquareBraces:
      DocTypeProc();
      break;
    default: {
      // Inside a tag every character but blanks, controls, "<" and ">" goes
      // on in the range (as the handler table says), so the common case
      // needs no table call.
      const char16_t c = fLine[fRun];
      if (c > 32 && c != u'<' && c != u'>')
        RangeProc();
      else
        Dispatch();
    }
  }
}

bool TSrcXMLHighlighter::LookingAt(const char16_t* text) const {
  for (int i = 0; text[i]; ++i)
    if (Peek(fRun + i) != text[i]) return false;
  return true;
}

void TSrcXMLHighlighter::SpaceProc() {
  fTokenKind = tkSpace;
  ++fRun;
  while (fRun < fLen && fLine[fRun] <= 32 && fLine[fRun] != 9 && !IsLineBreak(fLine[fRun])) ++fRun;
}

void TSrcXMLHighlighter::LessThanProc() {
  ++fRun;
  if (Peek(fRun) == u'/') ++fRun;
  fTokenKind = tkSymbol;
  fRange = rsElement;
  if (Peek(fRun) == u'!') {
    ++fRun;
    if (LookingAt(u"--")) {
      fRange = rsComment;
      fRun += 2;
    } else if (LookingAt(u"DOCTYPE")) {
      fTokenKind = tkDocType;
      fRange = rsDocType;
      fRun += 7;
    } else if (LookingAt(u"[CDATA[")) {
      fTokenKind = tkCDATA;
      fRange = rsCDATA;
      fRun += 7;
    }
  } else if (Peek(fRun) == u'?') {
    fTokenKind = tkProcessingInstruction;
    fRange = rsProcessingInstruction;
    ++fRun;
  }
}

void TSrcXMLHighlighter::RangeProc() {
  switch (fRange) {
    case rsElement:
      ElementProc();
      break;
    case rsAttribute:
      AttributeProc();
      break;
    case rsEqual:
      EqualProc(false);
      break;
    case rsnsEqual:
      EqualProc(true);
      break;
    case rsQuoteAttrValue:
      ValueProc(u'"', tkQuoteAttrValue, rsQuoteEntityRef);
      break;
    case rsnsQuoteAttrValue:
      ValueProc(u'"', tknsQuoteAttrValue, rsnsQuoteEntityRef);
      break;
    case rsAposAttrValue:
      ValueProc(u'\'', tkAposAttrValue, rsAposEntityRef);
      break;
    case rsnsAposAttrValue:
      ValueProc(u'\'', tknsAposAttrValue, rsnsAposEntityRef);
      break;
    case rsQuoteEntityRef:
      EntityRefProc(tkQuoteEntityRef, rsQuoteAttrValue);
      break;
    case rsnsQuoteEntityRef:
      EntityRefProc(tknsQuoteEntityRef, rsnsQuoteAttrValue);
      break;
    case rsAposEntityRef:
      EntityRefProc(tkAposEntityRef, rsAposAttrValue);
      break;
    case rsnsAposEntityRef:
      EntityRefProc(tknsAposEntityRef, rsnsAposAttrValue);
      break;
    case rsEntityRef:
      EntityRefProc(tkEntityRef, rsText);
      break;
    default:  // the other ranges have continuations of their own
      fTokenKind = tkText;
      ++fRun;
  }
}

void TSrcXMLHighlighter::ElementProc() {
  if (fLine[fRun] == u'/') ++fRun;
  fRun = NameEnd(fLine, fRun, fLen);
  fTokenKind = tkElement;
  fRange = rsAttribute;
}

void TSrcXMLHighlighter::AttributeProc() {
  // The closing quote of a value.
  if (fLine[fRun] == u'"' || fLine[fRun] == u'\'') {
    fTokenKind = tkSymbol;
    ++fRun;
    return;
  }
  fRun = NameEnd(fLine, fRun, fLen);
  const int length = fRun - fTokenPos;
  if (HoldsXmlns(fLine + fTokenPos, length)) {
    fTokenKind = tknsAttribute;
    fRange = rsnsEqual;
  } else {
    fTokenKind = tkAttribute;
    fRange = rsEqual;
  }
}

// "=", blanks and the value's opening quote; an unquoted value runs on to
// the line's end.
void TSrcXMLHighlighter::EqualProc(bool ns) {
  fTokenKind = ns ? tknsEqual : tkEqual;
  while (fRun < fLen && !IsLineBreak(fLine[fRun])) {
    const char16_t c = fLine[fRun++];
    if (c == u'/') {
      fTokenKind = tkSymbol;
      fRange = rsElement;
      return;
    }
    if (c == u'"') {
      fRange = ns ? rsnsQuoteAttrValue : rsQuoteAttrValue;
      return;
    }
    if (c == u'\'') {
      fRange = ns ? rsnsAposAttrValue : rsAposAttrValue;
      return;
    }
  }
}

void TSrcXMLHighlighter::ValueProc(char16_t quote, std::uint8_t kind, std::uint8_t entityRange) {
  fTokenKind = kind;
  while (fRun < fLen && !IsLineBreak(fLine[fRun])) {
    const char16_t c = fLine[fRun];
    if (c == quote) {
      fRange = rsAttribute;  // the quote follows as a symbol
      return;
    }
    if (c == u'&') {
      fRange = entityRange;
      return;
    }
    ++fRun;
  }
}

// "&", the name and a closing ";". The name also ends before a quote, "<",
// ">" or another "&", so that a bare "&" in a value does not swallow the
// value's closing quote and the rest of the tag.
void TSrcXMLHighlighter::EntityRefProc(std::uint8_t kind, std::uint8_t nextRange) {
  fTokenKind = kind;
  fRange = nextRange;
  auto nameChar = [](char16_t c) { return c > 32 && c != u';'; };
  auto ends = [](char16_t c) { return c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\''; };
  if (fRun < fLen && nameChar(fLine[fRun])) ++fRun;
  while (fRun < fLen && nameChar(fLine[fRun]) && !ends(fLine[fRun])) ++fRun;
  if (Peek(fRun) == u';') ++fRun;
}

void TSrcXMLHighlighter::TextProc() {
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
      fRange = rsEntityRef;
      return;
    }
    ++fRun;
  }
}

void TSrcXMLHighlighter::CommentProc() {
  if (LookingAt(u"-->")) {
    fTokenKind = tkSymbol;
    fRange = rsText;
    fRun += 3;
    return;
  }
  if (IsLineBreak(fLine[fRun])) {
    Dispatch();
    return;
  }
  fTokenKind = tkComment;
  while (fRun < fLen && !IsLineBreak(fLine[fRun]) && !(fLine[fRun] == u'-' && LookingAt(u"-->"))) ++fRun;
}

void TSrcXMLHighlighter::SectionProc(std::uint8_t kind, char16_t last) {
  if (IsLineBreak(fLine[fRun])) {
    Dispatch();
    return;
  }
  fTokenKind = kind;
  while (fRun < fLen && !IsLineBreak(fLine[fRun])) {
    if (fLine[fRun] == u'>' && AfterChar(last)) {
      ++fRun;
      fRange = rsText;
      return;
    }
    ++fRun;
  }
}

void TSrcXMLHighlighter::DocTypeProc() {
  if (IsLineBreak(fLine[fRun])) {
    Dispatch();
    return;
  }
  fTokenKind = tkDocType;
  while (fRun < fLen && !IsLineBreak(fLine[fRun])) {
    const char16_t c = fLine[fRun++];
    if (fRange == rsDocTypeSquareBraces) {
      if (c == u']') {
        fRange = rsDocType;
        return;
      }
    } else if (c == u'>') {
      fRange = rsAttribute;
      return;
    } else if (c == u'[') {
      fRange = rsDocTypeSquareBraces;
    }
  }
}
