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
  SetUpFrame(&KeywordTable(), {tkNull, tkSpace, tkIdentifier, tkString, tkComment, tkSymbol},
             {CommentAttri, IdentifierAttri, KeyAttri, StringAttri, SpaceAttri, SymbolAttri},
             {CommentAttri, IdentifierAttri, KeyAttri, nullptr, NumberAttri, SpaceAttri, StringAttri, SymbolAttri});
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

void TSrcVBScriptHighlighter::ScanNext() {
  ScanNextNamesFirst<TSrcVBScriptHighlighter, &TSrcVBScriptHighlighter::IdentProc>();
}
