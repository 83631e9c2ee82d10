#include "highlighters/SrcHighlighterCss.h"

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSlotCount = 256;
constexpr int kBound = 255;

const char* const kKeywords =
    "ascent azimuth b-box background background-attachment background-color background-image "
    "background-position background-position-x background-position-y baseline behavior border border-bottom "
    "border-bottom-color border-bottom-style border-bottom-width border-collapse border-color border-left "
    "border-left-color border-left-style border-left-width border-right border-right-color border-right-style "
    "border-right-width border-spacing border-style border-top border-top-color border-top-style border-top-width "
    "border-width bottom cap-height caption-side centerline clear clip cm color content counter counter-increment "
    "counter-reset cue cue-after cue-before cursor definition-src deg descent direction display elevation em "
    "empty-cells ex filter float font font-family font-size font-size-adjust font-stretch font-style font-variant "
    "font-weight grad height Hz ime-mode in kHz layout-grid layout-grid-line layout-grid-mode layout-grid-type "
    "left letter-spacing line-break line-height list-style list-style-image list-style-position list-style-type "
    "margin margin-bottom margin-left margin-right margin-top marker-offset marks mathline max-height max-width "
    "min-height min-width mm ms orphans outline outline-color outline-style outline-width overflow overflow-x "
    "overflow-y padding padding-bottom padding-left padding-right padding-top page page-break-after "
    "page-break-before page-break-inside panose-1 pause pause-after pause-before pc pitch pitch-range play-during "
    "position pt px quotes rad richness right ruby-align ruby-overhang ruby-position run-in s "
    "scrollbar-3d-light-color scrollbar-arrow-color scrollbar-base-color scrollbar-dark-shadow-color "
    "scrollbar-face-color scrollbar-highlight-color scrollbar-shadow-color size slope speak speak-header "
    "speak-numeral speak-punctuation speech-rate src stemh stemv stress table-layout text-align text-autospace "
    "text-decoration text-indent text-justify text-kashida-space text-shadow text-transform "
    "text-underline-position top top-line unicode-bidi unicode-range units-per-em vertical-align visibility "
    "voice-family volume white-space widows width widths word-break word-spacing word-wrap writing-mode x-height "
    "z-index zoom";

}  // namespace

const TSrcKeywordTable& TSrcCssHighlighter::KeywordTable() {
  static const TSrcKeywordTable table(TSrcHashRun::Css, kBound, tkIdentifier, tkIdentifier, false, kSlotCount,
                                      {{kKeywords, tkKey}});
  return table;
}

void TSrcCssHighlighter::UnitInit() { RegisterHighlighter<TSrcCssHighlighter>(); }

TSrcCssHighlighter::TSrcCssHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  CommentAttri = MakeAttribute(AttrNameComment, fsItalic);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, 0);
  KeyAttri = MakeAttribute(AttrNameKey, fsBold);
  NumberAttri = MakeAttribute(AttrNameNumber, 0);
  SpaceAttri = MakeAttribute(AttrNameSpace, 0);
  StringAttri = MakeAttribute(AttrNameString, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, 0);
  SetUpFrame(&KeywordTable(),
             {.null = tkNull,
              .space = tkSpace,
              .unknown = tkUnknown,
              .string = tkString,
              .comment = tkComment,
              .symbol = tkSymbol},
             {.comment = CommentAttri,
              .identifier = IdentifierAttri,
              .keyword = KeyAttri,
              .string = StringAttri,
              .whitespace = SpaceAttri,
              .symbol = SymbolAttri},
             {
                 {tkComment, CommentAttri},
                 {tkIdentifier, IdentifierAttri},
                 {tkKey, KeyAttri},
                 {tkNumber, NumberAttri},
                 {tkSpace, SpaceAttri},
                 {tkString, StringAttri},
                 {tkSymbol, SymbolAttri},
                 {tkUnknown, IdentifierAttri},
             });
  BuildCharDispatch();
  fRange = rsUnknown;
  SetDefaultFilter(FilterCSS);
}

void TSrcCssHighlighter::BuildCharDispatch() {
  using C = TSrcCssHighlighter;
  FillHandlers([](char16_t c) -> THandler {
    if (c == '#' || c == '$') return Handler(&C::HexNumberProc);
    if (c == '\'') return Handler(&C::StringProc);
    if (c == '(' || c == ')') return &C::SymbolProc;
    if (c == '-') return Handler(&C::MinusProc);
    if (c == '/') return Handler(&C::SlashProc);
    if (IsDigit(c)) return Handler(&C::NumberProc);
    if (IsAsciiLetter(c) || c == '_') return Handler(&C::IdentProc);
    if (c == '{' || c == '}') return Handler(&C::BraceProc);
    return nullptr;
  });
}

QString TSrcCssHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameCSS; }

QString TSrcCssHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "/* Syntax highlighting */\r\n"
      "body\r\n"
      "{\r\n"
      "  font-family: \"Arial\";\r\n"
      "  font-size: 12pt;\r\n"
      "}");
}

void TSrcCssHighlighter::HexNumberProc() {
  fTokenKind = tkNumber;
  ++fRun;
  while (fRun < fLen && IsHexDigit(fLine[fRun])) ++fRun;
}

void TSrcCssHighlighter::MinusProc() {
  // A "-" after a blank is a sign when a number or a name follows.
  if (Peek(fRun - 1) == u' ') {
    auto alnum = [](char16_t c) { return IsDigit(c) || IsAsciiLetter(c); };
    if (alnum(Peek(fRun + 1))) {
      fTokenKind = tkNumber;
      ++fRun;
    } else if (Peek(fRun + 1) == u'.' && alnum(Peek(fRun + 2))) {
      fTokenKind = tkNumber;
      fRun += 2;
    } else {
      fTokenKind = tkSpace;
      ++fRun;
    }
  } else {
    fTokenKind = tkIdentifier;
    ++fRun;
  }
}

void TSrcCssHighlighter::SlashProc() {
  ++fRun;
  if (Peek(fRun) == u'*') {
    fTokenKind = tkComment;
    fRange = rsCStyle;
    ++fRun;
    if (fRun < fLen) CommentRestProc();  // within the same token
  } else {
    fTokenKind = tkSymbol;
  }
}

void TSrcCssHighlighter::NumberProc() {
  fTokenKind = tkNumber;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == u'.') {
      if (Peek(fRun + 1) == u'.') break;
    } else if (c == u'e') {
      if (Peek(fRun + 1) == u'x' || Peek(fRun + 1) == u'm') break;  // the units "ex" and "em"
    } else if (c != u'E' && !IsDigit(c)) {
      break;
    }
    ++fRun;
  }
}

void TSrcCssHighlighter::IdentProc() {
  fTokenKind = ClassifyIdentifier(fRun);
  fRun += fIdentLength;
}

void TSrcCssHighlighter::BraceProc() {
  fTokenKind = tkString;
  ++fRun;
  while (fRun < fLen && IsDigit(fLine[fRun])) ++fRun;
}

void TSrcCssHighlighter::ScanNext() { ScanNextNamesFirst<TSrcCssHighlighter, &TSrcCssHighlighter::IdentProc>(); }
