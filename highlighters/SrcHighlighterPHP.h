// PHP highlighter: keywords (without regard to case), "$" variables,
// numbers with hexadecimal digits, operators, "#" and "//" line comments,
// block comments and single- and double-quoted strings that go on over lines.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

class TSrcPHPHighlighter : public TSrcKeywordHashHighlighter {
  Q_OBJECT
 public:
  // Token kinds.
  enum TtkTokenKind : std::uint8_t {
    tkComment = 0,
    tkIdentifier = 1,
    tkInvalidSymbol = 2,
    tkKey = 3,
    tkNull = 4,
    tkNumber = 5,
    tkSpace = 6,
    tkString = 7,
    tkSymbol = 8,
    tkUnknown = 9,
    tkVariable = 10,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsString39 = 1, rsString34 = 2, rsComment = 3 };

  explicit TSrcPHPHighlighter(QObject* owner = nullptr);

  QString GetLanguageName() const override;
  QString GetSampleSource() const override;
  void ScanNext() override;
  void SetRange(int value) override {
    RestoreRange(
        value, [](int r) { return r <= rsComment; }, rsUnknown);
  }
  void ResetRange() override { fRange = rsUnknown; }

  // Builds the class tables and registers the class (once).
  static void UnitInit();
  static const TSrcKeywordTable& KeywordTable();

  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* InvalidSymbolAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* NumberAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* StringAttri;
  TSrcHighlighterAttributes* SymbolAttri;
  TSrcHighlighterAttributes* VariableAttri;

 private:
  void BuildCharDispatch();

  void AtProc();
  void LineCommentProc();
  void SlashProc();
  void NumberProc();
  void VariableProc();
  void IdentProc();
  void StringOpenProc();
  // Scans a string from the run position to its closing quote (range 0) or
  // the line's end (the range of the open string). A backslash before the
  // quote or before another backslash is taken with it.
  void StringRestProc(char16_t quote);
};
