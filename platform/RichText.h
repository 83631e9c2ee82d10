// Formatted text as a rich-text control holds it: lines (paragraphs) of runs,
// each run a piece of text in one font, each line with one paragraph format.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "platform/Colors.h"

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum class TNumberingStyle : std::uint8_t { nsNone, nsBullet };

struct TRichFont {
  QString Name;
  int Size = 12;  // points
  TColor Color = clBlack;
  TFontStyles Style = 0;
  bool operator==(const TRichFont&) const = default;
};

struct TRichParagraph {
  TAlignment Alignment = TAlignment::taLeftJustify;
  TNumberingStyle Numbering = TNumberingStyle::nsNone;
  bool operator==(const TRichParagraph&) const = default;
};

struct TRichRun {
  QString Text;
  TRichFont Font;
};

struct TRichLine {
  TRichParagraph Paragraph;
  std::vector<TRichRun> Runs;
  QString Text() const;
};

// Where a converter reads formatted text from.
class TRichTextSource {
 public:
  virtual ~TRichTextSource() = default;
  // The font of text that carries no formatting of its own.
  virtual TRichFont DefaultAttributes() const = 0;
  virtual int LineCount() const = 0;
  virtual const TRichLine& Line(int index) const = 0;
};

// Formatted text held in memory.
class TRichTextDocument : public TRichTextSource {
 public:
  TRichFont Default;
  std::vector<TRichLine> Lines;

  TRichFont DefaultAttributes() const override { return Default; }
  int LineCount() const override { return static_cast<int>(Lines.size()); }
  const TRichLine& Line(int index) const override { return Lines.at(static_cast<size_t>(index)); }
};
