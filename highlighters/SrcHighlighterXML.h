// XML highlighter: element and attribute names, single- and double-quoted
// attribute values with the entity references inside them, entity
// references in text, comments, processing instructions, CDATA sections and
// DOCTYPE declarations with an internal subset, all of which go on over
// lines. Attributes whose name contains "xmlns" get a colour set of their
// own. There are no keywords.
#pragma once

#include "highlighters/SrcHighlighterKeywordHash.h"

class TSrcXMLHighlighter : public TSrcKeywordHashHighlighter {
  Q_OBJECT
 public:
  // Token kinds.
  enum TtkTokenKind : std::uint8_t {
    tkAposAttrValue = 0,
    tkAposEntityRef = 1,
    tkAttribute = 2,
    tkCDATA = 3,
    tkComment = 4,
    tkElement = 5,
    tkEntityRef = 6,
    tkEqual = 7,
    tkNull = 8,
    tkProcessingInstruction = 9,
    tkQuoteAttrValue = 10,
    tkQuoteEntityRef = 11,
    tkSpace = 12,
    tkSymbol = 13,
    tkText = 14,
    tknsAposAttrValue = 15,
    tknsAposEntityRef = 16,
    tknsAttribute = 17,
    tknsEqual = 18,
    tknsQuoteAttrValue = 19,
    tknsQuoteEntityRef = 20,
    tkDocType = 21,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t {
    rsAposAttrValue = 0,
    rsAposEntityRef = 1,
    rsAttribute = 2,
    rsCDATA = 3,
    rsComment = 4,
    rsElement = 5,
    rsEntityRef = 6,
    rsEqual = 7,
    rsProcessingInstruction = 8,
    rsQuoteAttrValue = 9,
    rsQuoteEntityRef = 10,
    rsText = 11,
    rsnsAposAttrValue = 12,
    rsnsAposEntityRef = 13,
    rsnsEqual = 14,
    rsnsQuoteAttrValue = 15,
    rsnsQuoteEntityRef = 16,
    rsDocType = 17,
    rsDocTypeSquareBraces = 18,
  };

  explicit TSrcXMLHighlighter(QObject* owner = nullptr);

  TSrcIdentChars GetIdentChars() const override;
  QString GetLanguageName() const override;
  QString GetSampleSource() const override;
  void ScanNext() override;
  void SetRange(int value) override {
    RestoreRange(
        value, [](int r) { return r <= rsDocTypeSquareBraces; }, rsText);
  }
  void ResetRange() override { fRange = rsText; }

  // Registers the class (once).
  static void UnitInit();

  // Kept with the highlighter's settings; scanning does not use it.
  bool WantBracesParsed() const { return fWantBracesParsed; }
  void SetWantBracesParsed(bool value) { fWantBracesParsed = value; }

  TSrcHighlighterAttributes* ElementAttri;
  TSrcHighlighterAttributes* AttributeAttri;
  TSrcHighlighterAttributes* NamespaceAttributeAttri;
  TSrcHighlighterAttributes* AttributeValueAttri;
  TSrcHighlighterAttributes* NamespaceAttributeValueAttri;
  TSrcHighlighterAttributes* TextAttri;
  TSrcHighlighterAttributes* CDATAAttri;
  TSrcHighlighterAttributes* EntityRefAttri;
  TSrcHighlighterAttributes* ProcessingInstructionAttri;
  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* DocTypeAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* SymbolAttri;

 private:
  void BuildCharDispatch();
  // One token from the run position, before the line's end; it may hold no
  // characters when only the range changes.
  void ScanOne();
  bool LookingAt(const char16_t* text) const;
  // The byte before the run position on this line is `c`.
  bool AfterChar(char16_t c) const { return Peek(fRun - 1) == c; }

  void SpaceProc();
  void LessThanProc();
  void GreaterThanProc() { SymbolProc(rsText); }
  // The handler of the current range, for bytes without one of their own.
  void RangeProc();
  void ElementProc();
  void AttributeProc();
  void EqualProc(bool ns);
  void ValueProc(char16_t quote, std::uint8_t kind, std::uint8_t entityRange);
  void EntityRefProc(std::uint8_t kind, std::uint8_t nextRange);
  void TextProc();
  void CommentProc();
  // A processing instruction or CDATA section: to a ">" after `last`.
  void SectionProc(std::uint8_t kind, char16_t last);
  void DocTypeProc();

  bool fWantBracesParsed = true;
};
