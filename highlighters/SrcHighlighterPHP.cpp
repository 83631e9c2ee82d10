#include "highlighters/SrcHighlighterPHP.h"

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSlotCount = 207;

const char* const kKeywords =
    "__FILE__ __LINE__ and array break case cfunction class const continue default die do double echo else "
    "elseif empty endfor endif endswitch endwhile eval exit extends false float for function global "
    "highlight_file highlight_string if include int integer isset list new object old_function or print real "
    "require return show_source static string switch true unset var while xor";

}  // namespace

const TSrcKeywordTable& TSrcPHPHighlighter::KeywordTable() {
  static const TSrcKeywordTable table(TSrcHashRun::Identifier, kSlotCount, tkIdentifier, tkIdentifier, false,
                                      kSlotCount, {{kKeywords, tkKey}});
  return table;
}

void TSrcPHPHighlighter::UnitInit() { RegisterHighlighter<TSrcPHPHighlighter>(); }

TSrcPHPHighlighter::TSrcPHPHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  CommentAttri = MakeAttribute(AttrNameComment, fsItalic);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, 0);
  InvalidSymbolAttri = MakeAttribute(AttrNameInvalidSymbol, 0);
  KeyAttri = MakeAttribute(AttrNameReservedWord, fsBold);
  NumberAttri = MakeAttribute(AttrNameNumber, 0);
  SpaceAttri = MakeAttribute(AttrNameSpace, 0);
  StringAttri = MakeAttribute(AttrNameString, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, 0);
  VariableAttri = MakeAttribute(AttrNameVariable, 0);
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
                 {tkInvalidSymbol, InvalidSymbolAttri},
                 {tkKey, KeyAttri},
                 {tkNumber, NumberAttri},
                 {tkSpace, SpaceAttri},
                 {tkString, StringAttri},
                 {tkSymbol, SymbolAttri},
                 {tkUnknown, IdentifierAttri},
                 {tkVariable, VariableAttri},
             });
  BuildCharDispatch();
  SetDefaultFilter(FilterPHP);
}

void TSrcPHPHighlighter::BuildCharDispatch() {
  using P = TSrcPHPHighlighter;
  // Every other character is unknown.
  FillHandlers([](char16_t c) -> THandler {
    if (c < 128 && QByteArrayView("(),.:;?[]{}~").contains(static_cast<char>(c))) return &P::SymbolProc;
    if (c < 128 && QByteArrayView("!%*^").contains(static_cast<char>(c))) return &P::AssignOpProc;
    if (c == '#') return Handler(&P::LineCommentProc);
    if (c == '$') return Handler(&P::VariableProc);
    if (c == '"' || c == '\'') return Handler(&P::StringOpenProc);
    if (c == '/') return Handler(&P::SlashProc);
    if (c == '@') return Handler(&P::AtProc);
    if (c == '&') return &P::AndOpProc;
    if (c == '+') return &P::PlusOpProc;
    if (c == '-') return &P::MinusOpProc;
    if (c == '=' || c == '>') return &P::CompareOpProc;
    if (c == '<') return &P::ShiftLeftProc;
    if (c == '|') return &P::OrOpProc;
    if (IsDigit(c)) return Handler(&P::NumberProc);
    if (IsAsciiLetter(c) || c == '_') return Handler(&P::IdentProc);
    return nullptr;
  });
}

QString TSrcPHPHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNamePHP; }

QString TSrcPHPHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "// Syntax highlighting\r\n"
      "function printNumber()\r\n"
      "{\r\n"
      "  $number = 1234;\r\n"
      "  print \"The number is $number\";\r\n"
      "  for ($i = 0; $i <= $number; $i++)\r\n"
      "  {\r\n"
      "    $x++;\r\n"
      "    $x--;\r\n"
      "    $x += 1.0;\r\n"
      "  }\r\n"
      "  $number += @; // illegal character\r\n"
      "}");
}

void TSrcPHPHighlighter::ScanNext() {
  fTokenPos = fRun;
  if (fRun >= fLen) return NullProc();
  const char16_t c = fLine[fRun];
  if (fRange != rsUnknown && (c == 10 || c == 13)) return c == 10 ? LFProc() : CRProc();
  switch (fRange) {
    case rsString39:
      return StringRestProc(u'\'');
    case rsString34:
      return StringRestProc(u'"');
    case rsComment:
      return CommentRestProc();
    default:
      return DispatchNamesFirst<TSrcPHPHighlighter, &TSrcPHPHighlighter::IdentProc>();
  }
}

void TSrcPHPHighlighter::AtProc() {
  fTokenKind = tkInvalidSymbol;
  ++fRun;
}

void TSrcPHPHighlighter::LineCommentProc() {
  fTokenKind = tkComment;
  fRun = fLen;
}

void TSrcPHPHighlighter::SlashProc() {
  switch (Peek(fRun + 1)) {
    case u'*':
      fTokenKind = tkComment;
      fRange = rsComment;
      ScanToCommentEnd(fRun + 2);
      break;
    case u'/':
      LineCommentProc();
      break;
    case u'=':
      fTokenKind = tkSymbol;
      fRun += 2;
      break;
    default:
      SymbolProc();
  }
}

void TSrcPHPHighlighter::NumberProc() {
  fTokenKind = tkNumber;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == u'.') {
      if (Peek(fRun + 1) == u'.') break;
    } else if (!(IsHexDigit(c) || c == u'-' || c == u'L' || c == u'l' || c == u'X' || c == u'x')) {
      break;
    }
    ++fRun;
  }
}

void TSrcPHPHighlighter::VariableProc() {
  fTokenKind = tkVariable;
  ++fRun;
  while (fRun < fLen && fLine[fRun] < 256 && fTable->identFlags[fLine[fRun]]) ++fRun;
}

void TSrcPHPHighlighter::IdentProc() {
  fTokenKind = ClassifyIdentifier(fRun);
  fRun += fIdentLength;
}

void TSrcPHPHighlighter::StringOpenProc() {
  const char16_t quote = fLine[fRun++];
  StringRestProc(quote);
}

void TSrcPHPHighlighter::StringRestProc(char16_t quote) {
  fTokenKind = tkString;
  fRange = quote == u'"' ? rsString34 : rsString39;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == 10 || c == 13) return;
    if (c == u'\\' && (Peek(fRun + 1) == quote || Peek(fRun + 1) == u'\\')) {
      fRun += 2;
    } else {
      ++fRun;
      if (c == quote) {
        fRange = rsUnknown;
        return;
      }
    }
  }
}
