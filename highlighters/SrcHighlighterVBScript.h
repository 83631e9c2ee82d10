// VBScript highlighter: keywords (without regard to case), apostrophe
// comments, double-quoted strings, "#...#" date literals shown as strings,
// numbers and operators. Nothing goes on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

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

  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* NumberAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* StringAttri;
  TSrcHighlighterAttributes* SymbolAttri;

 private:
  void BuildCharDispatch();

  void StringProc() { StringRunProc(false); }
  void DateProc();
  void ApostropheProc();
  void NumberProc();
  void IdentProc();
  // ScanNext from `run` (fRun).
  Q_ALWAYS_INLINE void ScanOne(int run);
};
