#include "highlighters/SrcHighlighterJScript.h"

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSlotCount = 253;

const char* const kReservedWords =
    "abstract boolean break byte callee case catch char class const constructor continue debugger default delete "
    "do double else enum export extends false final finally float for function goto if implements import in "
    "instanceof int interface long NaN native new null package private protected prototype public return short "
    "start static super switch synchronized this throw throws transient true try typeof var void while with";

const char* const kEvents =
    "onAbort onBlur onChange onClick onDblClick onError onFocus onKeyDown onKeyPress onKeyUp onLoad onMouseDown "
    "onMouseMove onMouseOut onMouseOver onMouseUp onReset onSelect onSubmit onUnload";

const char* const kNonReservedWords =
    "abs acos action alert align alinkColor All all Anchor anchor anchors appCodeName Applet applets appName "
    "appVersion Area Arguments arguments Array asin atan atan2 back background bgColor big blink blur body bold "
    "Boolean border bottom Button call caller captureEvents ceil charAt charCodeAt Checkbox checked clear "
    "clearInterval clearTimeout click close closed color complete concat confirm cookie cos current Date "
    "defaultChecked defaultSelected defaultStatus defaultValue description display document domain E elements "
    "Embed embeds enabledPlugin encoding escape eval event exp fgColor filename FileUpload find fixed Float floor "
    "focus fontcolor fontsize Form form forms forward Frame frames fromCharCode Function getDate getDay "
    "getElementById getFullYear getHours getMilliseconds getMinutes getMonth getSeconds getTime getTimezoneOffset "
    "getUTCDate getUTCDay getUTCFullYear getUTCHours getUTCMilliseconds getUTCMinutes getUTCMonth getUTCSeconds "
    "getYear Global go handleEvent hash height Hidden History history home host hostname href hspace Image images "
    "index indexOf Infinity innerHeight innerWidth input isFinite isNaN italics java javaEnabled join lastIndexOf "
    "lastModified Layer layers left length Link link linkColor links LN10 LN2 Location location locationbar log "
    "LOG10E LOG2E logon lowsrc match Math max MAX_VALUE menubar method MimeType mimeTypes min MIN_VALUE moveBy "
    "moveTo name Navigator navigator NEGATIVE_INFINITY netscape next Null Number Object open opener Option options "
    "outerHeight outerWidth Packages pageX pageXOffset pageY pageYOffset parent parse parseFloat parseInt Password "
    "pathname personalbar PI platform Plugin plugins port POSITIVE_INFINITY pow previous print prompt protocol "
    "Radio random referrer refresh RegExp releaseEvents reload replace Reset reset resizeBy resizeTo reverse right "
    "round routeEvent screen scroll scrollbars scrollBy scrollTo search Select select selected selectedIndex self "
    "setDate setFullYear setHours setInterval setMilliseconds setMinutes setMonth setSeconds setTime setTimeout "
    "setUTCDate setUTCFullYear setUTCHours setUTCMilliseconds setUTCMinutes setUTCMonth setUTCSeconds setYear sin "
    "slice small sort split sqrt SQRT1_2 SQRT2 src status statusbar stop strike String style sub Submit submit "
    "substr substring suffixes sup tags taint taintEnabled tan target Text text Textarea title toGMTString "
    "toLocaleString toLowerCase toolbar top toSource toString toUpperCase toUTCString type Undefined undefined "
    "unescape untaint unwatch URL userAgent UTC value valueOf visibility vlinkColor vspace watch width Window "
    "window write writeln zIndex";

// Identifier characters beyond ASCII: the letters 192..255 (all but the
// multiplication and division signs), and above them the letters, marks,
// digits and connectors of every script, as the language allows them in
// names. `first`: the character begins a name, where only letters may.
bool IsNonAsciiIdentChar(char32_t c, bool first) {
  if (c < 256) return c >= 192 && c != 215 && c != 247;
  if (c == 0x200C || c == 0x200D) return !first;
  switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_Letter:
      return true;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Number_DecimalDigit:
    case QChar::Punctuation_Connector:
      return !first;
    default:
      return false;
  }
}

}  // namespace

const TSrcKeywordTable& TSrcJScriptHighlighter::KeywordTable() {
  static const TSrcKeywordTable table(
      TSrcHashRun::Identifier, kSlotCount, tkIdentifier, tkIdentifier, true, kSlotCount,
      {{kReservedWords, tkKey}, {kEvents, tkEvent}, {kNonReservedWords, tkNonReservedKey}});
  return table;
}

void TSrcJScriptHighlighter::UnitInit() { RegisterHighlighter<TSrcJScriptHighlighter>(); }

TSrcJScriptHighlighter::TSrcJScriptHighlighter(QObject* owner) : TSrcKeywordHashHighlighter(owner) {
  using namespace SrcEditStrConst;
  CommentAttri = MakeAttribute(AttrNameComment, fsItalic);
  IdentifierAttri = MakeAttribute(AttrNameIdentifier, 0);
  KeyAttri = MakeAttribute(AttrNameReservedWord, fsBold);
  NonReservedKeyAttri = MakeAttribute(AttrNameNonReservedKeyword, 0);
  EventAttri = MakeAttribute(AttrNameEvent, 0);
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
                 {tkNonReservedKey, NonReservedKeyAttri},
                 {tkEvent, EventAttri},
             });
  BuildCharDispatch();
  fRange = rsUnknown;
  SetDefaultFilter(FilterJScript);
}

void TSrcJScriptHighlighter::BuildCharDispatch() {
  using J = TSrcJScriptHighlighter;
  FillHandlers([](char16_t c) -> THandler {
    if (c < 128 && QByteArrayView("!(),:;<=>?[]{}~").contains(static_cast<char>(c))) return &J::SymbolProc;
    if (c == '"' || c == '\'') return Handler(&J::StringProc);
    if (c == '%' || c == '*') return &J::AssignOpProc;
    if (c == '&') return &J::AndOpProc;
    if (c == '+') return &J::PlusOpProc;
    if (c == '-') return &J::MinusOpProc;
    if (c == '|') return &J::OrOpProc;
    if (c == '.') return Handler(&J::PointProc);
    if (c == '/') return Handler(&J::SlashProc);
    if (IsDigit(c)) return Handler(&J::NumberProc);
    if (IsAsciiLetter(c) || c == '_') return Handler(&J::IdentProc);
    // The letters 192..255, and every character from 256 on ("other").
    if (c >= 192 && c != 215 && c != 247) return Handler(&J::NonAsciiProc);
    return nullptr;
  });
}

QString TSrcJScriptHighlighter::GetLanguageName() const { return SrcEditStrConst::LangNameJScript; }

QString TSrcJScriptHighlighter::GetSampleSource() const {
  return QStringLiteral(
      "// Syntax highlighting\r\n"
      "function printNumber()\r\n"
      "{\r\n"
      "  var number = 1234;\r\n"
      "  var x;\r\n"
      "  document.write(\"The number is \" + number);\r\n"
      "  for (var i = 0; i <= number; i++)\r\n"
      "  {\r\n"
      "    x++;\r\n"
      "    x--;\r\n"
      "    x += 1.0;\r\n"
      "  }\r\n"
      "  i += @; // illegal character\r\n"
      "}\r\n"
      "body.onLoad = printNumber;");
}

void TSrcJScriptHighlighter::PointProc() {
  SymbolProc();
  if (Peek(fRun) == u'.' && Peek(fRun + 1) == u'.') fRun += 2;
}

void TSrcJScriptHighlighter::SlashProc() {
  ++fRun;
  switch (Peek(fRun)) {
    case u'*':
      fTokenKind = tkComment;
      fRange = rsANSI;
      ScanToCommentEnd(fRun + 1);
      break;
    case u'/':
      fTokenKind = tkComment;
      fRun = fLen;
      break;
    case u'=':
      fTokenKind = tkSymbol;
      ++fRun;
      break;
    default:
      fTokenKind = tkSymbol;
  }
}

void TSrcJScriptHighlighter::NumberProc() {
  fTokenKind = tkNumber;
  const int start = fRun;
  bool hex = false;
  ++fRun;
  while (fRun < fLen) {
    const char16_t c = fLine[fRun];
    if (c == u'.') {
      if (Peek(fRun + 1) == u'.') break;
    } else if (c == u'x' || c == u'X') {
      if (fLine[start] != u'0' || fRun != start + 1 || !IsHexDigit(Peek(fRun + 1))) break;
      hex = true;
    } else if (IsHexDigit(c) && !IsDigit(c)) {
      if (!hex) break;
    } else if (!IsDigit(c)) {
      break;
    }
    ++fRun;
  }
}

void TSrcJScriptHighlighter::IdentProc() {
  fTokenKind = ClassifyIdentifier(fRun);
  fRun += fIdentLength;
  // The hashed run takes every ASCII name character; a name goes on only
  // beyond ASCII, and is then no keyword ("deleté").
  if (fRun < fLen && fLine[fRun] >= 128) {
    if (const int end = IdentEnd(fRun); end != fRun) {
      fTokenKind = tkIdentifier;
      fRun = end;
    }
  }
}

int TSrcJScriptHighlighter::IdentEnd(int i) const {
  while (i < fLen) {
    const char16_t c = fLine[i];
    if (c < 128) {
      if (!fTable->identFlags[c]) break;
      ++i;
    } else if (QChar::isHighSurrogate(c) && i + 1 < fLen && QChar::isLowSurrogate(fLine[i + 1])) {
      if (!IsNonAsciiIdentChar(QChar::surrogateToUcs4(c, fLine[i + 1]), false)) break;
      i += 2;
    } else if (IsNonAsciiIdentChar(c, false)) {
      ++i;
    } else {
      break;
    }
  }
  return i;
}

void TSrcJScriptHighlighter::NonAsciiProc() {
  const char16_t c = fLine[fRun];
  const bool pair = QChar::isHighSurrogate(c) && QChar::isLowSurrogate(Peek(fRun + 1));
  if (!IsNonAsciiIdentChar(pair ? QChar::surrogateToUcs4(c, fLine[fRun + 1]) : char32_t{c}, true)) {
    UnknownProc();
    return;
  }
  fTokenKind = tkIdentifier;
  fRun = IdentEnd(fRun + (pair ? 2 : 1));
}

void TSrcJScriptHighlighter::ScanNext() {
  ScanNextNamesFirst<TSrcJScriptHighlighter, &TSrcJScriptHighlighter::IdentProc>();
}
