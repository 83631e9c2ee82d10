// The scanning frame shared by the HTML, JavaScript, CSS, VBScript and PHP
// highlighters: a line is cut into tokens by handlers chosen by the token's
// first character, multi-line constructs survive the line end in a one-byte
// range, and identifiers are classified as keywords through a sum-of-values
// hash into a table of buckets, each holding the few keywords with that hash.
//
// Characters are UTF-16 code units. Units below 256 index the tables; units
// of 256 and above share one "other" entry. The scanner works on its own
// copy of the line and never reads past its end.
#pragma once

#include <QByteArray>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "editor/SrcEditHighlighter.h"

// Letters A..Z and a..z weigh 1..26 in every language.
constexpr int LetterValue(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c - u'A' + 1 : (c >= u'a' && c <= u'z') ? c - u'a' + 1 : 0;
}
constexpr bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); }

struct TSrcKeyword {
  QByteArray word;
  std::uint8_t kind;
};

// Appends the words of a blank-separated list, each of the given kind.
void AddKeywords(std::vector<TSrcKeyword>& out, const char* words, std::uint8_t kind);

// A blank-separated list of words and the kind they all get.
struct TSrcKeywordList {
  const char* words;
  std::uint8_t kind;
};

// Which characters an identifier run is made of, for the hash.
enum class TSrcHashRun : std::uint8_t {
  Html,        // "!", "/" and letters, then decimal digits (adding their digit value)
  Identifier,  // letters, digits and "_"
  Css,         // letters, digits, "_" and "-"
};

// The per-class tables of the keyword hash.
struct TSrcKeywordTable {
  std::array<int, 256> values{};  // weight of each character in the hash
  std::array<bool, 256> identFlags{};
  TSrcHashRun run = TSrcHashRun::Identifier;
  // An unmatched hash in 0 .. bound-1 gives the default kind, any other the
  // out-of-range kind. Keywords hashing at or above the bound sit in buckets
  // beyond it.
  int bound = 0;
  std::vector<std::vector<TSrcKeyword>> buckets;
  std::uint8_t defaultKind = 0;     // no keyword of the slot matched
  std::uint8_t outOfRangeKind = 0;  // hash outside 0 .. bound-1
  bool exactBytes = false;          // compare exactly instead of by value
  int keywordCount = 0;

  // A table of the given run with its character values and identifier flags:
  // letters weigh 1..26; "!" 123 and "/" 122 in HTML; "_" 31 in the other
  // runs, and "-" minus 19 in style sheets.
  TSrcKeywordTable(TSrcHashRun run, int bound, std::uint8_t defaultKind, std::uint8_t outOfRangeKind, bool exactBytes);
  // The same, filled with the words of the lists (`slotCount` as for Fill).
  TSrcKeywordTable(TSrcHashRun run, int bound, std::uint8_t defaultKind, std::uint8_t outOfRangeKind, bool exactBytes,
                   int slotCount, std::initializer_list<TSrcKeywordList> lists);

  // Puts every keyword into the slot of its hash (at least `slotCount` buckets).
  void Fill(std::span<const TSrcKeyword> keywords, int slotCount);
  // The sum of the values over the identifier run at the start of `text`;
  // the run's length goes to `runLength`.
  // (Inline: every identifier of a line goes through it.)
  std::int64_t Hash(const char16_t* text, qsizetype length, qsizetype& runLength) const {
    if (run == TSrcHashRun::Html) return HtmlHash(text, length, runLength);
    // 64-bit sum: a line of 2^31 units of the heaviest weight cannot overflow it.
    // Only units below 128 are run characters: 255 stands for all above.
    std::int64_t sum = 0;
    qsizetype i = 0;
    for (; i < length; ++i) {
      const char16_t c = text[i];
      const int v = runValues[c < 256 ? c : 255];
      if (v == kNotInRun) break;
      sum += v;
    }
    runLength = i;
    return sum;
  }
  // The hash of a whole word, as ClassifyIdentifier computes it.
  std::int64_t HashWord(QStringView word) const;
  // The kind of the keyword in slot `hash` that `text` (of `length` units,
  // a whole identifier run) matches, or -1 when none does.
  int Find(const char16_t* text, qsizetype length, std::int64_t hash) const {
    if (static_cast<std::uint64_t>(hash) >= bucketCount) return -1;  // negative too
    const TSlot* slot = slotIndex.data() + hash;
    if (!(slot->lengths & LengthBit(length))) return -1;  // most identifiers end here
    return FindInSlot(text, length, slot);
  }

 private:
  // The value of each character in an identifier run, kNotInRun for the
  // characters that end it (Identifier and Css runs).
  static constexpr std::int16_t kNotInRun = INT16_MIN;
  std::array<std::int16_t, 256> runValues{};
  // The buckets laid out for matching: the keywords of slot s are
  // flat[slotIndex[s].first .. slotIndex[s + 1].first), each with its characters in
  // `units` (the bytes themselves when matching exactly, else their values);
  // bit n of `lengths` is set when the slot holds a keyword of n units
  // (bit 63: of 63 or more).
  struct TSlot {
    std::uint32_t first;
    std::uint64_t lengths;
  };
  struct TFlatKeyword {
    std::uint32_t offset;
    std::uint16_t length;
    std::uint8_t kind;
  };
  std::int64_t HtmlHash(const char16_t* text, qsizetype length, qsizetype& runLength) const;
  int FindInSlot(const char16_t* text, qsizetype length, const TSlot* slot) const {
    const TFlatKeyword* end = flat.data() + slot[1].first;
    for (const TFlatKeyword* k = flat.data() + slot->first; k != end; ++k) {
      if (k->length != length) continue;
      const std::int16_t* u = units.data() + k->offset;
      qsizetype i = 0;
      if (exactBytes)
        while (i < length && text[i] == static_cast<char16_t>(u[i])) ++i;
      else
        while (i < length && text[i] < 256 && values[text[i]] == u[i]) ++i;
      if (i == length) return k->kind;
    }
    return -1;
  }
  static std::uint64_t LengthBit(qsizetype length) { return std::uint64_t{1} << std::min<qsizetype>(length, 63); }
  std::uint64_t bucketCount = 0;  // buckets.size()
  std::vector<TSlot> slotIndex;
  std::vector<TFlatKeyword> flat;
  std::vector<std::int16_t> units;
};

class TSrcKeywordHashHighlighter : public TSrcCustomHighlighter {
  Q_OBJECT
 public:
  using TSrcCustomHighlighter::TSrcCustomHighlighter;

  // (Final: the token fields are the frame's; a language brings its own
  // ScanNext only.)
  bool AtLineEnd() const final { return fTokenKind == fNullKind; }
  int GetRange() const final { return fRange; }
  QString GetTokenText() const override { return GetTokenView().toString(); }
  int GetTokenKind() const final { return fTokenKind; }
  int GetTokenPos() const final { return fTokenPos; }
  int GetTokenLength() const final { return fRun - fTokenPos; }
  // The token fields read at once, then the language's ScanNext.
  bool NextToken(TSrcTokenInfo& token) override {
    if (fTokenKind == fNullKind) return false;
    ReadToken(token);
    ScanNext();
    return true;
  }
  void ScanToLineEnd() override {
    for (int n = MaxTokens(); n > 0 && fTokenKind != fNullKind; --n) ScanNext();
  }
  void SetLine(const QString& lineText, int lineIndex) override;
  // Scans the caller's text in place: no copy, no reference count.
  void SetLineView(QStringView lineText, int lineIndex) override;
  int LineNumber() const { return fLineNumber; }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override;
  TSrcHighlighterAttributes* GetTokenAttribute() const final {
    return fTokenKind < fKindAttri.size() ? fKindAttri[fTokenKind] : nullptr;
  }
  TSrcIdentChars GetIdentChars() const override { return LetterIdentChars(); }

  // Languages with one continuation range, 1 inside a "/*" comment, and the
  // start range 0: the comment goes on, or the handler of the character
  // scans the token.
  void ScanNext() override;
  void SetRange(int value) override {
    RestoreRange(
        value, [](int r) { return r == rsBlockComment; }, 0);
  }
  void ResetRange() override { fRange = 0; }

  // Classifies a word as the scanner would (for tests and tools).
  std::uint8_t ClassifyWord(const QString& word);

 protected:
  // Sets the range stored as `value` (its low byte) when `stores` says the
  // scanner stores it; a state the scanner never stores restarts from
  // `fallback`.
  template <class Stores>
  void RestoreRange(int value, Stores stores, std::uint8_t fallback) {
    const int r = value & 0xFF;
    fRange = stores(r) ? static_cast<std::uint8_t>(r) : fallback;
  }
  // The current token into `token`.
  void ReadToken(TSrcTokenInfo& token) const {
    token.pos = fTokenPos;
    token.length = fRun - fTokenPos;
    token.kind = fTokenKind;
    token.attribute = fTokenKind < fKindAttri.size() ? fKindAttri[fTokenKind] : nullptr;
  }
  // The code unit at `i`, or 0 beyond the line.
  char16_t Peek(int i) const { return i >= 0 && i < fLen ? fLine[i] : 0; }
  bool AtEnd(int i) const { return i >= fLen; }
  // Table index of a code unit: itself below 256, else 256 ("other").
  static int Slot(char16_t c) { return c < 256 ? c : 256; }

  std::uint8_t DefaultKeywordKind() const { return fTable->defaultKind; }
  // The kind of the identifier run at `pos`; its length goes to fIdentLength.
  std::uint8_t ClassifyIdentifier(int pos) {
    fIdentStart = pos;
    qsizetype runLength = 0;
    const std::int64_t hash = fTable->Hash(fLine + pos, fLen - pos, runLength);
    fIdentLength = static_cast<int>(runLength);
    if (const int kind = fTable->Find(fLine + pos, runLength, hash); kind >= 0) return static_cast<std::uint8_t>(kind);
    return hash >= 0 && hash < fTable->bound ? DefaultKeywordKind() : fTable->outOfRangeKind;
  }

  // The kinds the shared handlers give.
  struct TFrameKinds {
    std::uint8_t null = 0, space = 0, unknown = 0, string = 0, comment = 0, symbol = 0;
  };
  // The attribute of each token role (GetRoleAttribute); a role left out has none.
  struct TRoleAttributes {
    TSrcHighlighterAttributes* comment = nullptr;
    TSrcHighlighterAttributes* identifier = nullptr;
    TSrcHighlighterAttributes* keyword = nullptr;
    TSrcHighlighterAttributes* string = nullptr;
    TSrcHighlighterAttributes* whitespace = nullptr;
    TSrcHighlighterAttributes* symbol = nullptr;
  };
  // One row of a language's token-to-attribute table.
  struct TKindAttribute {
    std::uint8_t kind;
    TSrcHighlighterAttributes* attribute;
  };
  // Ends a language's construction once its attributes are made: installs the
  // change handler on them (their values become the defaults) and sets the
  // keyword table (none for a language without one), the shared kinds, the
  // attributes by role and the token-to-attribute table (kinds not listed
  // have none). The table goes into a flat array indexed by kind, which the
  // scanner reads per token.
  void SetUpFrame(const TSrcKeywordTable* table, const TFrameKinds& kinds, const TRoleAttributes& roles,
                  std::initializer_list<TKindAttribute> byKind);

  // Creates an attribute with its defaults and adds it to the list.
  TSrcHighlighterAttributes* MakeAttribute(const QString& name, TFontStyles style, TColor fg = clNone,
                                           TColor bg = clNone);
  // "0".."9", "A".."Z", "_", "a".."z" and the letters 192..255 but 215 and 247.
  static TSrcIdentChars LetterIdentChars();

  using THandler = void (TSrcKeywordHashHighlighter::*)();
  template <class T>
  static THandler Handler(void (T::*handler)()) {
    return static_cast<THandler>(handler);
  }
  // Unknown for every character, white space for 1..9, 11, 12 and 14..32,
  // and the line-break handlers for LF and CR.
  void FillCommonHandlers();
  // The common handlers, then in every slot the handler `pick` gives for its
  // character (none: the common one stays). Called after SetUpFrame, whose
  // kinds the one-character tokens take.
  template <class Pick>
  void FillHandlers(Pick pick) {
    FillCommonHandlers();
    for (size_t c = 0; c < fProcTable.size(); ++c)
      if (const THandler h = pick(static_cast<char16_t>(c))) fProcTable[c] = h;
    for (size_t c = 0; c < fPlainKinds.size(); ++c) {
      const THandler h = fProcTable[c];
      fPlainKinds[c] = h == static_cast<THandler>(&TSrcKeywordHashHighlighter::SymbolProc)    ? fSymbolKind
                       : h == static_cast<THandler>(&TSrcKeywordHashHighlighter::UnknownProc) ? fUnknownKind
                                                                                              : kNotPlain;
    }
  }
  // For languages whose table (made by FillHandlers) gives `identProc` to
  // letters and "_" and SpaceRunProc to blank and tab: those, the commonest
  // tokens, and the tokens of one character below 128 that the table makes
  // symbols or unknown are scanned by direct calls, which predict better than
  // the table's; the others by the table.
  // (The handler is a template argument, so that it can be inlined.)
  template <class T, void (T::*identProc)()>
  void DispatchNamesFirst() {
    const char16_t c = fLine[fRun];
    if (IsAsciiLetter(c) || c == u'_') return (static_cast<T*>(this)->*identProc)();
    if (c == u' ' || c == u'\t') return SpaceRunProc();
    if (c < fPlainKinds.size() && fPlainKinds[c] != kNotPlain) {
      fTokenKind = fPlainKinds[c];
      ++fRun;
      return;
    }
    Dispatch();
  }
  // ScanNext with DispatchNamesFirst in place of Dispatch.
  template <class T, void (T::*identProc)()>
  void ScanNextNamesFirst() {
    fTokenPos = fRun;
    if (fRun >= fLen) return NullProc();
    if (fRange == rsBlockComment) return CommentRestProc();
    DispatchNamesFirst<T, identProc>();
  }
  // Calls the handler of the character at the run position.
  void Dispatch() { (this->*fProcTable[static_cast<size_t>(Slot(fLine[fRun]))])(); }

  // Common handlers.
  void NullProc() { fTokenKind = fNullKind; }
  // White space over the codes 1..9, 11, 12 and 14..32.
  void SpaceRunProc() {
    fTokenKind = fSpaceKind;
    ++fRun;
    while (fRun < fLen) {
      const char16_t c = fLine[fRun];
      if (c == 0 || c > 32 || c == 10 || c == 13) break;
      ++fRun;
    }
  }
  void LFProc();
  void CRProc();
  // One character of the unknown kind; a surrogate pair stays whole.
  void UnknownProc();
  // A string opened by the quote at the run position, to the closing quote
  // or the line's end; with `backslashEscapes` a backslash takes the next
  // character into the string.
  void StringRunProc(bool backslashEscapes);
  // Scans a block comment from `i` to just past "*/" (range 0, true) or up to
  // a line break or the line's end (false).
  bool ScanToCommentEnd(int i);
  // Goes on inside a block comment (range 1).
  void CommentRestProc();
  // A symbol of one character; of two when the next one is among `seconds`.
  void SymbolProc() {
    fTokenKind = fSymbolKind;
    ++fRun;
  }
  void OperatorProc(const char16_t* seconds);
  // A symbol of one character after which the scan goes on in `range`.
  void SymbolProc(std::uint8_t range) {
    SymbolProc();
    fRange = range;
  }
  // The operators of the C-like languages by their possible second character.
  void AssignOpProc() { OperatorProc(u"="); }
  void CompareOpProc() { OperatorProc(u"=>"); }
  void AndOpProc() { OperatorProc(u"&="); }
  void PlusOpProc() { OperatorProc(u"+="); }
  void MinusOpProc() { OperatorProc(u"-=>"); }
  void OrOpProc() { OperatorProc(u"=|"); }
  // "<", "<=", "<<" or "<<=".
  void ShiftLeftProc();
  // For scanners with steps that only change the range (an empty name, a
  // run that ends where it begins): starts a token at the run position and
  // calls `scanOne` again, at most `steps` times, until the token holds
  // characters or the line ends.
  // (Inline, so that the handler call can be resolved at compile time.)
  template <class T>
  void ScanNonEmpty(void (T::*scanOne)(), int steps) {
    for (int i = 0; i < steps; ++i) {
      fTokenPos = fRun;
      if (fRun >= fLen) {
        NullProc();
        return;
      }
      (static_cast<T*>(this)->*scanOne)();
      if (fRun > fTokenPos) return;
    }
    fRun = fTokenPos + 1;  // keeps callers moving should a scanner stall
  }

  static constexpr std::uint8_t rsBlockComment = 1;
  std::array<THandler, 257> fProcTable{};  // by character, 256 for all from 256 on
  // By character: the kind of the one-character token that the table's
  // SymbolProc or UnknownProc makes of it, else kNotPlain.
  static constexpr std::uint8_t kNotPlain = 0xFF;
  std::array<std::uint8_t, 128> fPlainKinds{};
  std::array<TSrcHighlighterAttributes*, 6> fRoleAttri{};
  std::array<TSrcHighlighterAttributes*, 24> fKindAttri{};  // by token kind
  const TSrcKeywordTable* fTable = nullptr;
  std::uint8_t fCommentKind = 0;
  std::uint8_t fNullKind = 0;
  std::uint8_t fSpaceKind = 0;
  std::uint8_t fUnknownKind = 0;
  std::uint8_t fStringKind = 0;
  std::uint8_t fSymbolKind = 0;
  const char16_t* fLine = u"";
  int fLen = 0;
  int fRun = 0;
  int fTokenPos = 0;
  std::uint8_t fTokenKind = 0;
  std::uint8_t fRange = 0;
  int fLineNumber = 0;
  int fIdentStart = 0;
  int fIdentLength = 0;
};
