// VBScript highlighter: keywords (without regard to case), apostrophe
// comments, double-quoted strings, "#...#" date literals shown as strings,
// numbers and operators. Nothing goes on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

// The keywords of a table keyed by their units folded to one case, eight to
// a 64-bit word, for a match without a per-unit loop: a name's key is looked
// up in one slot of a table whose multiplier is picked so that no two
// keywords share a slot. (Words of up to 16 units; names longer than the
// longest keyword never match.)
class TSrcFoldedKeywords {
 public:
  // A name of up to 16 units as its key: byte k of `lo` (k < 8) or of `hi`
  // (k >= 8) is unit k with 0x20 set, 0 past the name's end. Within names
  // (letters, digits, "_") this maps the two cases of a letter together
  // and nothing else.
  struct TKey {
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
  };
  static constexpr int kMaxLength = 16;

  // The words of the table, with their kinds.
  explicit TSrcFoldedKeywords(const TSrcKeywordTable& table, std::uint8_t noMatchKind);

  // The key of a name of `length` (at most kMaxLength) units.
  static TKey KeyOf(const char16_t* name, int length);
  // The kind of the keyword with this key, else the no-match kind.
  std::uint8_t KindOf(const TKey& key) const {
    const TEntry& e = entries_[slots_[Slot(key)]];
    // (Without a branch: whether a name is a keyword is hard to predict.)
    const unsigned hit = ((e.key.lo ^ key.lo) | (e.key.hi ^ key.hi)) == 0;
    return static_cast<std::uint8_t>(noMatchKind_ ^ ((e.kind ^ noMatchKind_) & (0u - hit)));
  }
  int MaxLength() const { return maxLength_; }

 private:
  static constexpr int kSlotBits = 10;
  struct TEntry {
    TKey key;  // entry 0, no keyword: a key no name has
    std::uint8_t kind = 0;
  };
  std::size_t Slot(const TKey& key) const {
    return static_cast<std::size_t>(((key.lo + key.hi * 0x9E3779B97F4A7C15ULL) * multiplier_) >> (64 - kSlotBits));
  }
  std::uint64_t multiplier_ = 1;
  std::uint8_t noMatchKind_ = 0;
  int maxLength_ = 0;
  std::array<std::uint8_t, 1 << kSlotBits> slots_{};  // index into entries_
  // (In place, not behind a pointer: one load less per name.)
  static constexpr int kMaxEntries = 128;
  std::array<TEntry, kMaxEntries> entries_{};
  int entryCount_ = 0;
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
  // The same words, for the scanner's match.
  static const TSrcFoldedKeywords& FoldedKeywords();

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
  // ScanNext from `run` (fRun).
  Q_ALWAYS_INLINE void ScanOne(int run);
  // A name (any: the scanner takes those of eight units or more, or on a
  // line too short for a window).
  void LongNameProc();

  const TSrcFoldedKeywords* fKeywords = nullptr;
};
