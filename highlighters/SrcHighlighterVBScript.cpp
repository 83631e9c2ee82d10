#include "highlighters/SrcHighlighterVBScript.h"

#include <bit>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "editor/SrcEditStrConst.h"

namespace {

constexpr int kSlotCount = 134;

const char* const kKeywords =
    "And As Boolean ByRef Byte ByVal Call Case Class Const Currency Debug Dim Do Double Each Else ElseIf Empty End "
    "EndIf Enum Eqv Erase Error Event Exit Explicit False For Function Get GoTo If Imp Implements In Integer Is Let "
    "Like Long Loop LSet Me Mod New Next Not Nothing Null On Option Optional Or ParamArray Preserve Private property "
    "Public RaiseEvent Randomize ReDim Rem Resume RSet Select Set Shared Single Static Stop Sub Then To True Type "
    "TypeOf Until Variant Wend While With Xor";

// By character below 128: 0 when it cannot be in a name, 1 for a digit
// (in a name, not at its start), 2 for a letter or "_" (a name's start).
constexpr std::array<std::uint8_t, 128> kNameUnits = [] {
  std::array<std::uint8_t, 128> w{};
  for (char16_t c = 0; c < 128; ++c) w[c] = IsAsciiLetter(c) || c == u'_' ? 2 : IsDigit(c) ? 1 : 0;
  return w;
}();

bool IsNameUnit(char16_t c) { return c < 128 && kNameUnits[c] != 0; }
// White space: 1..32 but LF and CR.
bool IsBlankUnit(char16_t c) {
  constexpr std::uint32_t kBlanks = ~((1u << (10 - 1)) | (1u << (13 - 1)));  // bit c - 1
  return c - 1u < 32u && ((kBlanks >> (c - 1u)) & 1);
}

#ifdef __SSE2__
// Names, numbers and the text of strings are measured eight units at a
// time, in a window of the line that never reaches past its end: the eight
// from the run's position, or the line's last eight when fewer are left.
constexpr bool kWindows = true;

// The window of eight units of `line` (of `len` >= 8 units) for a run at
// `run`; `skip` is the run's position in it.
__m128i Window(const char16_t* line, int len, int run, int& skip) {
  const int start = std::min(run, len - 8);
  skip = run - start;
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + start));
}

// The length of the run at `skip` in a window whose units of the run's kind
// are flagged by `flags` (all bits set for each such unit): at most the
// units left in the window, 8 - skip.
int RunLength(__m128i flags, int skip) {
  const auto bits = static_cast<unsigned>(_mm_movemask_epi8(flags)) >> (2 * skip);
  return std::countr_zero(~bits) / 2;
}

// Whether each unit of `x` is in first .. first + count - 1: the range is
// moved to the bottom of the signed values, where one signed compare tells.
__m128i InRange(__m128i x, int first, int count) {
  const __m128i moved = _mm_add_epi16(x, _mm_set1_epi16(static_cast<short>(0x8000 - first)));
  return _mm_cmplt_epi16(moved, _mm_set1_epi16(static_cast<short>(-0x8000 + count)));
}

// Letters, digits and "_" in `units`; `folded` is `units` with 0x20 set.
__m128i NameUnitFlags(__m128i units, __m128i folded) {
  // (Digits from the units themselves: 0x10..0x19 fold onto them.)
  return _mm_or_si128(_mm_or_si128(InRange(folded, 'a', 26), InRange(units, '0', 10)),
                      _mm_cmpeq_epi16(units, _mm_set1_epi16('_')));
}

// Digits, ".", "E" and "e" in `units`: the units of a number.
__m128i NumberUnitFlags(__m128i units) {
  const __m128i e = _mm_cmpeq_epi16(_mm_or_si128(units, _mm_set1_epi16(0x20)), _mm_set1_epi16('e'));
  return _mm_or_si128(_mm_or_si128(InRange(units, '0', 10), e), _mm_cmpeq_epi16(units, _mm_set1_epi16('.')));
}

// Units inside a string opened by `quote`: all but the quote and line breaks.
__m128i StringUnitFlags(__m128i units, __m128i quote) {
  const __m128i stop =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, quote), _mm_cmpeq_epi16(units, _mm_set1_epi16(10))),
                   _mm_cmpeq_epi16(units, _mm_set1_epi16(13)));
  return _mm_xor_si128(stop, _mm_set1_epi16(-1));
}
#else
constexpr bool kWindows = false;
#endif

// The end of the run of units from `run` that `is` takes, one at a time, or
// (`flags`) in windows of eight.
template <class Flags, class Is>
int RunEnd(const char16_t* line, int len, int run, [[maybe_unused]] Flags flags, Is is) {
  int i = run;
  if (kWindows && len >= 8) {
#ifdef __SSE2__
    for (;;) {
      int skip = 0;
      const __m128i units = Window(line, len, i, skip);
      const int n = RunLength(flags(units), skip);
      i += n;
      if (n < 8) return i;
    }
#endif
  }
  while (i < len && is(line[i])) ++i;
  return i;
}

}  // namespace

const TSrcKeywordTable& TSrcVBScriptHighlighter::KeywordTable() {
  static const TSrcKeywordTable table(TSrcHashRun::Identifier, kSlotCount, tkIdentifier, tkIdentifier, false,
                                      kSlotCount, {{kKeywords, tkKey}});
  return table;
}

const TSrcShortKeywords& TSrcVBScriptHighlighter::ShortKeywords() {
  static const TSrcShortKeywords keywords(KeywordTable(), tkIdentifier);
  return keywords;
}

TSrcShortKeywords::TSrcShortKeywords(const TSrcKeywordTable& table, std::uint8_t noMatchKind)
    : noMatchKind_(noMatchKind) {
  std::vector<std::pair<std::uint64_t, std::uint8_t>> words;
  for (const auto& bucket : table.buckets)
    for (const TSrcKeyword& k : bucket) {
      if (k.word.isEmpty() || k.word.size() > kMaxLength) continue;
      const QString word = QString::fromLatin1(k.word);
      const std::uint64_t key = KeyOf(reinterpret_cast<const char16_t*>(word.utf16()), static_cast<int>(word.size()));
      // A word listed twice keeps its first kind, as the table's match does.
      if (std::none_of(words.begin(), words.end(), [key](const auto& w) { return w.first == key; }))
        words.emplace_back(key, k.kind);
    }
  Q_ASSERT(words.size() <= keys_.size() / 4);
  // Odd multipliers in a fixed sequence until one puts every keyword in a
  // slot of its own (a few hundred tries for a hundred words).
  std::uint64_t seed = 0x2545F4914F6CDD1DULL;
  for (bool apart = false; !apart;) {
    seed += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = seed;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    multiplier_ = (z ^ (z >> 31)) | 1;
    keys_.fill(0);
    apart = true;
    for (size_t w = 0; w < words.size() && apart; ++w) {
      std::uint64_t& slot = keys_[Slot(words[w].first)];
      apart = slot == 0;
      slot = words[w].first;
    }
  }
  for (const auto& [key, kind] : words) kinds_[Slot(key)] = kind;
}

std::uint64_t TSrcShortKeywords::KeyOf(const char16_t* name, int length) {
  std::uint64_t key = 0;
  for (int k = 0; k < length && k < kMaxLength; ++k)
    key |= std::uint64_t{static_cast<std::uint8_t>(name[k] | 0x20)} << (8 * k);
  return key;
}

void TSrcVBScriptHighlighter::UnitInit() { RegisterHighlighter<TSrcVBScriptHighlighter>(); }

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
  for (char16_t c = 0; c < 128; ++c)
    fUnitClasses[c] = c == u' ' || c == u'\t'       ? kOtherStart
                      : kNameUnits[c] == 2          ? kNameStart
                      : fPlainKinds[c] != kNotPlain ? fPlainKinds[c]
                                                    : kOtherStart;
  fKeywords = &ShortKeywords();
  for (const auto& bucket : KeywordTable().buckets)
    for (const TSrcKeyword& k : bucket) fLongestKeyword = std::max(fLongestKeyword, static_cast<int>(k.word.size()));
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
    if (IsAsciiLetter(c) || c == '_') return Handler(&V::LongNameProc);
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
  auto isNumberUnit = [](char16_t c) { return IsDigit(c) || c == u'.' || c == u'E' || c == u'e'; };
#ifdef __SSE2__
  fRun = RunEnd(fLine, fLen, fRun + 1, NumberUnitFlags, isNumberUnit);
#else
  fRun = RunEnd(fLine, fLen, fRun + 1, nullptr, isNumberUnit);
#endif
}

void TSrcVBScriptHighlighter::StringProc() {
  // To the next quote (taken in) or line break; a string opened by three
  // quotes looks for it after the third.
  fTokenKind = tkString;
  const char16_t quote = fLine[fRun];
  int start = fRun + 1;
  if (Peek(start) == quote && Peek(start + 1) == quote) start += 2;
  auto inString = [quote](char16_t c) { return c != quote && c != 10 && c != 13; };
#ifdef __SSE2__
  const __m128i quotes = _mm_set1_epi16(static_cast<short>(quote));
  const int end = RunEnd(
      fLine, fLen, start, [quotes](__m128i units) { return StringUnitFlags(units, quotes); }, inString);
#else
  const int end = RunEnd(fLine, fLen, start, nullptr, inString);
#endif
  fRun = end < fLen ? end + 1 : end;
}

bool TSrcVBScriptHighlighter::ScanFrom(const int run) {
  // Names, blanks and one-character symbols, the commonest tokens, are
  // scanned here with the line in registers; the others by their handlers,
  // called last (as a jump: these paths then need no stack frame). The
  // range is always 0: nothing goes on over lines.
  const char16_t* const line = fLine;
  const int len = fLen;
  fTokenPos = run;
  if (run >= len) {
    NullProc();
    return true;
  }
  const char16_t c = line[run];
  auto blanks = [&] {
    fTokenKind = tkSpace;
    int i = run + 1;
    while (i < len && IsBlankUnit(line[i])) ++i;
    fRun = i;
    return true;
  };
  if (c == u' ') return blanks();
  if (c >= 128) return Token<&TSrcVBScriptHighlighter::TableProc>();
  const std::uint8_t unitClass = fUnitClasses[c];
  if (unitClass < kNameStart) {  // a token of one unit of that kind
    fTokenKind = unitClass;
    fRun = run + 1;
    return true;
  }
  if (unitClass == kNameStart) {
#ifdef __SSE2__
    // The name in a window of eight units: those from its start, or near the
    // line's end its last eight, the name `skip` units into them.
    auto name = [&](const __m128i units, const int skip) {
      const __m128i folded = _mm_or_si128(units, _mm_set1_epi16(0x20));
      const int n = RunLength(NameUnitFlags(units, folded), skip);
      fRun = run + n;
      // The window's units as bytes (those of the name are below 128), then
      // the name's alone (of 1..8 units): its key.
      const auto bytes = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(folded, folded))) >> (8 * skip);
      if (n < 8) [[likely]] {
        fTokenKind = fKeywords->KindOf(bytes & ((std::uint64_t{1} << (8 * n)) - 1));
        return true;
      }
      // All eight: the name may go on past the window; a name of eight
      // units just ends there.
      if (run + 8 != len && IsNameUnit(line[run + 8])) return Token<&TSrcVBScriptHighlighter::LongNameProc>();
      fTokenKind = fKeywords->KindOf(bytes);
      return true;
    };
    if (run <= len - 8) [[likely]]
      return name(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line + run)), 0);
    if (len >= 8) {
      int skip = 0;
      const __m128i units = Window(line, len, run, skip);
      return name(units, skip);
    }
#endif
    return Token<&TSrcVBScriptHighlighter::LongNameProc>();
  }
  if (c == u'\t') return blanks();
  // Numbers, strings and comments, the next commonest, by direct calls: the
  // handlers the table gives them.
  if (IsDigit(c)) return Token<&TSrcVBScriptHighlighter::NumberProc>();
  if (c == u'"') return Token<&TSrcVBScriptHighlighter::StringProc>();
  if (c == u'\'') return Token<&TSrcVBScriptHighlighter::ApostropheProc>();
  return Token<&TSrcVBScriptHighlighter::TableProc>();
}

void TSrcVBScriptHighlighter::LongNameProc() {
  // (From the token's start: the scanner may have moved the run position
  // into the name, to a point the name reaches.)
  const int pos = fTokenPos;
  auto isName = [](char16_t c) { return IsNameUnit(c); };
#ifdef __SSE2__
  auto flags = [](__m128i units) { return NameUnitFlags(units, _mm_or_si128(units, _mm_set1_epi16(0x20))); };
#else
  const std::nullptr_t flags = nullptr;
#endif
  const int end = RunEnd(fLine, fLen, fRun, flags, isName);
  fRun = end;
  if (end - pos <= TSrcShortKeywords::kMaxLength)  // (on a line too short for a window)
    fTokenKind = fKeywords->KindOf(TSrcShortKeywords::KeyOf(fLine + pos, end - pos));
  else if (end - pos > fLongestKeyword)
    fTokenKind = tkIdentifier;  // the kind the keyword table gives every other name
  else
    fTokenKind = ClassifyIdentifier(pos);
}

void TSrcVBScriptHighlighter::ScanNext() { ScanFrom(fRun); }

bool TSrcVBScriptHighlighter::NextToken(TSrcTokenInfo& token) {
  // The token is written before the scan: nothing then lives across the
  // scan's calls, and the paths without one need no saved registers.
  const std::uint8_t kind = fTokenKind;
  if (kind == tkNull) return false;
  const int pos = fTokenPos;
  const int run = fRun;
  // (Two plain stores: joined in a vector register they take more
  // instructions.)
  token.pos = pos;
#if defined(__GNUC__)
  asm("" : "+m"(token.pos));
#endif
  token.length = run - pos;
  token.kind = kind;
  token.attribute = fKindAttri[kind];
  return ScanFrom(run);
}

void TSrcVBScriptHighlighter::ScanToLineEnd() {
  for (int n = MaxTokens(); n > 0 && fTokenKind != tkNull; --n) ScanFrom(fRun);
}
