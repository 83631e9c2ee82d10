#include "highlighters/SrcHighlighterVBScript.h"

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSlotCount = 134;

const char* const kKeywords =
    "And As Boolean ByRef Byte ByVal Call Case Class Const Currency Debug Dim Do Double Each Else ElseIf Empty End "
    "EndIf Enum Eqv Erase Error Event Exit Explicit False For Function Get GoTo If Imp Implements In Integer Is Let "
    "Like Long Loop LSet Me Mod New Next Not Nothing Null On Option Optional Or ParamArray Preserve Private property "
    "Public RaiseEvent Randomize ReDim Rem Resume RSet Select Set Shared Single Static Stop Sub Then To True Type "
    "TypeOf Until Variant Wend While With Xor";

// By character below 128: 0 when it is not part of a name, else 1 + its
// weight in the keyword hash (letters 1..26, "_" 31, digits 0).
constexpr std::array<std::uint8_t, 128> kNameWeights = [] {
  std::array<std::uint8_t, 128> w{};
  for (char16_t c = 0; c < 128; ++c)
    if (IsAsciiLetter(c) || IsDigit(c) || c == u'_')
      w[c] = static_cast<std::uint8_t>(1 + (c == u'_' ? 31 : LetterValue(c)));
  return w;
}();

}  // namespace

const TSrcKeywordTable& TSrcVBScriptHighlighter::KeywordTable() {
  static const TSrcKeywordTable table(TSrcHashRun::Identifier, kSlotCount, tkIdentifier, tkIdentifier, false,
                                      kSlotCount, {{kKeywords, tkKey}});
  return table;
}

void TSrcVBScriptHighlighter::UnitInit() { RegisterWithKeywordTable<TSrcVBScriptHighlighter>(); }

TSrcVBScriptHighlighter::TSrcVBScriptHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  CommentAttri = MakeAttribute(AttrNameComment, fsItalic);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, 0);
  KeyAttri = MakeAttribute(AttrNameReservedWord, fsBold);
  NumberAttri = MakeAttribute(AttrNameNumber, 0);
  SpaceAttri = MakeAttribute(AttrNameSpace, 0);
  StringAttri = MakeAttribute(AttrNameString, 0);
  SymbolAttri = MakeAttribute(AttrNameSymbol, 0);
  SetUpFrame(&KeywordTable(),
             {.null = tkNull,
              .space = tkSpace,
              .unknown = tkIdentifier,
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
             });
  BuildCharDispatch();
  SetDefaultFilter(FilterVBScript);
}

void TSrcVBScriptHighlighter::BuildCharDispatch() {
  using V = TSrcVBScriptHighlighter;
  // Every other character is an identifier of one character.
  FillHandlers([](char16_t c) -> THandler {
    if (c == '"') return Handler(&V::StringProc);
    if (c == '#') return Handler(&V::DateProc);
    if (c == '\'') return Handler(&V::ApostropheProc);
    if (c < 128 && QByteArrayView("&()*+,-./:;=^{}").contains(static_cast<char>(c))) return &V::SymbolProc;
    if (c == '<') return &V::CompareOpProc;
    if (c == '>') return &V::AssignOpProc;
    if (IsDigit(c)) return Handler(&V::NumberProc);
    if (IsAsciiLetter(c) || c == '_') return Handler(&V::IdentProc);
    return nullptr;
  });
}

QString TSrcVBScriptHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameVBScript; }

QString TSrcVBScriptHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "' Syntax highlighting\r\n"
      "function printNumber()\r\n"
      "  number = 12345\r\n"
      "  document.write(\"The number is \" + number)\r\n"
      "  for i = 0 to 10\r\n"
      "    x = x + 1.0\r\n"
      "  next\r\n"
      "end function");
}

// "#" to the next "#" or the line's end.
void TSrcVBScriptHighlighter::DateProc() {
  fTokenKind = tkString;
  ++fRun;
  while (fRun < fLen && fLine[fRun] != u'#') ++fRun;
  if (fRun < fLen) ++fRun;
}

void TSrcVBScriptHighlighter::ApostropheProc() {
  fTokenKind = tkComment;
  fRun = fLen;
}

void TSrcVBScriptHighlighter::NumberProc() {
  fTokenKind = tkNumber;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (!(IsDigit(c) || c == u'.' || c == u'E' || c == u'e')) break;
    ++fRun;
  }
}

void TSrcVBScriptHighlighter::IdentProc() {
  fTokenKind = ClassifyIdentifier(fRun);
  fRun += fIdentLength;
}

void TSrcVBScriptHighlighter::ScanOne(const int run) {
  // Names, blanks and one-character symbols, the commonest tokens, are
  // scanned here with the line in registers; the others by the table. The
  // range is always 0: nothing goes on over lines.
  const char16_t* const line = fLine;
  const int len = fLen;
  fTokenPos = run;
  if (run >= len) return NullProc();
  const char16_t c = line[run];
  if (c < 128) {
    if (const unsigned w = kNameWeights[c]; w > 1) {  // a letter or "_": a name
      std::int64_t hash = w - 1;
      int i = run + 1;
      while (i < len) {
        const char16_t d = line[i];
        if (d >= 128) break;
        const unsigned v = kNameWeights[d];
        if (v == 0) break;
        hash += v - 1;
        ++i;
      }
      fIdentStart = run;
      fIdentLength = i - run;
      // An unmatched name is an identifier whatever its hash.
      const int kind = fTable->Find(line + run, i - run, hash);
      fTokenKind = static_cast<std::uint8_t>(kind >= 0 ? kind : int{tkIdentifier});
      fRun = i;
      return;
    }
    if (c == u' ' || c == u'\t') {
      int i = run + 1;
      while (i < len && line[i] - 1u < 32u && line[i] != 10 && line[i] != 13) ++i;
      fTokenKind = tkSpace;
      fRun = i;
      return;
    }
    if (const std::uint8_t kind = fPlainKinds[c]; kind != kNotPlain) {
      fTokenKind = kind;
      fRun = run + 1;
      return;
    }
    // Numbers, strings and comments, the next commonest, by direct calls:
    // the handlers the table gives them.
    if (IsDigit(c)) return NumberProc();
    if (c == u'"') return StringProc();
    if (c == u'\'') return ApostropheProc();
  }
  Dispatch();
}

void TSrcVBScriptHighlighter::ScanNext() { ScanOne(fRun); }

bool TSrcVBScriptHighlighter::NextToken(TSrcTokenInfo& token) {
  // The fields are read before the scan and written after it, so that
  // neither waits for the other.
  const std::uint8_t kind = fTokenKind;
  if (kind == tkNull) return false;
  const int pos = fTokenPos;
  const int run = fRun;
  TSrcHighlighterAttributes* const attribute = kind < fKindAttri.size() ? fKindAttri[kind] : nullptr;
  ScanOne(run);
  token.pos = pos;
  token.length = run - pos;
  token.kind = kind;
  token.attribute = attribute;
  return true;
}

void TSrcVBScriptHighlighter::ScanToLineEnd() {
  for (int n = MaxTokens(); n > 0 && fTokenKind != tkNull; --n) ScanOne(fRun);
}
