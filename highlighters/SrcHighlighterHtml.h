// HTML highlighter: tags and their names, attribute names and values, text,
// character entities, comments and ASP blocks.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

class TSrcHTMLHighlighter : public TSrcKeywordHashHighlighter {
  Q_OBJECT
 public:
  // Token kinds.
  enum TtkTokenKind : std::uint8_t {
    tkAmpersand = 0,
    tkASP = 1,
    tkComment = 2,
    tkIdentifier = 3,
    tkKey = 4,
    tkNull = 5,
    tkSpace = 6,
    tkString = 7,
    tkSymbol = 8,
    tkText = 9,
    tkUndefKey = 10,
    tkValue = 11,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t {
    rsAmpersand = 0,
    rsASP = 1,
    rsComment = 2,
    rsKey = 3,
    rsParam = 4,
    rsText = 5,
    rsValue = 7,
  };

  explicit TSrcHTMLHighlighter(QObject* owner = nullptr);

  QString GetLanguageName() const override;
  QString GetSampleSource() const override;
  void ScanNext() override;
  void SetRange(int value) override {
    RestoreRange(
        value, [](int r) { return r <= rsText || r == rsValue; }, rsText);
  }
  void ResetRange() override { fRange = rsText; }

  // Builds the class tables and registers the class (once).
  static void UnitInit();
  static const TSrcKeywordTable& KeywordTable();
  // The 249 entity names with their "&" and ";".
  static const QStringList& EntityNames();

  TSrcHighlighterAttributes* AndAttri;
  TSrcHighlighterAttributes* ASPAttri;
  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* SymbolAttri;
  TSrcHighlighterAttributes* TextAttri;
  TSrcHighlighterAttributes* UndefKeyAttri;
  TSrcHighlighterAttributes* ValueAttri;

 private:
  void BuildCharDispatch();
  void ScanOne();
  // The length of the entity that starts at `pos` ("&" through ";"), or 0.
  int EntityAt(int pos) const;
  int NumericRefEnd(int amp) const;

  void SpaceProc();
  void StringProc();
  void AmpersandProc();
  void TagOpenProc();
  void EqualsProc() { SymbolProc(rsValue); }
  void TagCloseProc() { SymbolProc(rsText); }
  void IdentProc();
  void TextProc();
  void BlockProc(std::uint8_t kind, QStringView closer);
  void ASPProc();
  void CommentProc();
};
