// VBScript highlighter: keywords (without regard to case), apostrophe
// comments, double-quoted strings, "#...#" date literals shown as strings,
// numbers and operators. Nothing goes on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

// The keywords of up to eight units of a table, keyed by their units folded
// to one case as the bytes of a 64-bit word, for a match without a per-unit
// loop: a name's key is compared with the one key in its slot of a table
// whose multiplier is picked so that no two keywords share a slot. (Key and
// kind sit in parallel arrays: both are read at once, neither waits for the
// other.)
class TSrcShortKeywords {
 public:
  static constexpr int kMaxLength = 8;

  // The words of the table up to kMaxLength units, with their kinds.
  TSrcShortKeywords(const TSrcKeywordTable& table, std::uint8_t noMatchKind);

  // The key of a name of 1..kMaxLength units: byte k is unit k with 0x20
  // set, 0 past the name's end. Within names (letters, digits, "_") this
  // maps the two cases of a letter together and nothing else; no name's
  // key is 0.
  static std::uint64_t KeyOf(const char16_t* name, int length);
  // The kind of the keyword with this key, else the no-match kind.
  std::uint8_t KindOf(std::uint64_t key) const {
    const std::size_t slot = Slot(key);
    // (A select, not a branch: whether a name is a keyword is hard to
    // predict.)
    const std::uint8_t kind = kinds_[slot];
    const std::uint8_t noMatch = noMatchKind_;
    return keys_[slot] == key ? kind : noMatch;
  }

 private:
  static constexpr int kSlotBits = 9;
  std::size_t Slot(std::uint64_t key) const {
    return static_cast<std::size_t>((key * multiplier_) >> (64 - kSlotBits));
  }
  std::uint64_t multiplier_ = 1;
  std::uint8_t noMatchKind_ = 0;
  std::array<std::uint64_t, 1 << kSlotBits> keys_{};  // 0: no keyword
  std::array<std::uint8_t, 1 << kSlotBits> kinds_{};
};

class TSrcVBScriptHighlighter final : public TSrcKeywordHashHighlighter {
  Q_OBJECT
 public:
  // Token kinds.
  enum TtkTokenKind : std::uint8_t {
    tkComment = 0,
    tkIdentifier = 1,
    tkKey = 2,
    tkNull = 3,
    tkNumber = 4,
    tkSpace = 5,
    tkString = 6,
    tkSymbol = 7,
  };

  explicit TSrcVBScriptHighlighter(QObject* owner = nullptr);

  QString GetLanguageName() const override;
  QString GetSampleSource() const override;
  // There is no state to keep between lines.
  void SetRange(int) override {}
  // Names and blanks, the commonest tokens, are scanned without the table.
  void ScanNext() final;
  // With the scanner above inlined.
  bool NextToken(TSrcTokenInfo& token) final;
  void ScanToLineEnd() final;

  // Builds the class tables and registers the class (once).
  static void UnitInit();
  static const TSrcKeywordTable& KeywordTable();
  // Its words of up to eight units, for the scanner's match.
  static const TSrcShortKeywords& ShortKeywords();

  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* NumberAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* StringAttri;
  TSrcHighlighterAttributes* SymbolAttri;

 private:
  void BuildCharDispatch();

  void StringProc();
  void DateProc();
  void ApostropheProc();
  void NumberProc();
  // ScanNext from `run` (fRun); true.
  Q_ALWAYS_INLINE bool ScanFrom(int run);
  // The token by `handler`, for the paths of ScanFrom that end in a call;
  // true.
  template <void (TSrcVBScriptHighlighter::*handler)()>
  [[gnu::noinline]] bool Token() {
    (this->*handler)();
    return true;
  }
  // A name (any: the scanner leaves it those of more than eight units, and
  // those on lines too short for a window): one of up to eight units by its
  // key, one longer than every keyword without a look-up, the others by the
  // keyword table's hash.
  void LongNameProc();
  int fLongestKeyword = 0;  // units
  // By unit below 128: the kind of the token of that one unit it makes, or
  // kNameStart for a letter or "_", kOtherStart for the rest.
  static constexpr std::uint8_t kNameStart = 8;
  static constexpr std::uint8_t kOtherStart = 9;
  static_assert(tkSymbol < kNameStart);
  std::array<std::uint8_t, 128> fUnitClasses{};
  // The token by the table's handler.
  void TableProc() { Dispatch(); }

  const TSrcShortKeywords* fKeywords = nullptr;
};
