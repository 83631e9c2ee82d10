// Style-sheet highlighter: property names and units as keys (without regard
// to case, hyphens inside names), numbers with their units split off,
// "#"/"$" hexadecimal colours, single-quoted strings and block comments
// that go on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

class TSrcCssHighlighter : public TSrcKeywordHashHighlighter {
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
    tkUnknown = 8,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsCStyle = 1 };

  explicit TSrcCssHighlighter(QObject* owner = nullptr);

  QString GetLanguageName() const override;
  QString GetSampleSource() const override;

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

  // Names and blanks, the commonest tokens, are scanned without the table.
  void ScanNext() override;

 private:
  void BuildCharDispatch();

  void HexNumberProc();
  void StringProc() { StringRunProc(false); }
  void MinusProc();
  void SlashProc();
  void NumberProc();
  void IdentProc();
  void BraceProc();
};
