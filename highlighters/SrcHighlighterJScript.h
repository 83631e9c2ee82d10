// JavaScript highlighter: reserved words, browser-object and event-handler
// names (case-sensitive), numbers with hexadecimal literals, strings,
// operators and comments; block comments go on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

class TSrcJScriptHighlighter : public TSrcKeywordHashHighlighter {
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
    tkNonReservedKey = 9,
    tkEvent = 10,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsANSI = 1 };

  explicit TSrcJScriptHighlighter(QObject* owner = nullptr);

  QString GetLanguageName() const override;
  QString GetSampleSource() const override;

  // Builds the class tables and registers the class (once).
  static void UnitInit();
  static const TSrcKeywordTable& KeywordTable();

  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* NonReservedKeyAttri;
  TSrcHighlighterAttributes* EventAttri;
  TSrcHighlighterAttributes* NumberAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* StringAttri;
  TSrcHighlighterAttributes* SymbolAttri;

  // Names and blanks, the commonest tokens, are scanned without the table.
  void ScanNext() override;

 private:
  void BuildCharDispatch();

  void PointProc();
  void SlashProc();
  void NumberProc();
  void StringProc() { StringRunProc(true); }
  void IdentProc();
  // A name that begins beyond ASCII, or an unknown character.
  void NonAsciiProc();
  // The end of the identifier characters from `i` on.
  int IdentEnd(int i) const;
};
