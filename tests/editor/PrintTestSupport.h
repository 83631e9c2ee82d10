// A small highlighter for the export and printing tests: words, runs of
// blanks, keywords ("if", "then", "end") in bold blue, "//" comments to the
// end of the line in italic green, and "{" ... "}" comments that may span
// lines (kept as the range).
#pragma once

#include "editor/SrcEditHighlighter.h"

class TStubHighlighter : public TSrcCustomHighlighter {
 public:
  TStubHighlighter() {
    keyword = Add(QStringLiteral("Reserved word"), clBlue, fsBold);
    comment = Add(QStringLiteral("Comment"), clGreen, fsItalic);
    ident = Add(QStringLiteral("Identifier"), clNone, 0);
    space = Add(QStringLiteral("Space"), clNone, 0);
  }
  TSrcHighlighterAttributes* Add(const QString& name, TColor fg, TFontStyles style) {
    auto* a = new TSrcHighlighterAttributes(name);
    a->SetForeground(fg);
    a->SetStyle(style);
    AddAttribute(a);
    return a;
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override {
    return role == roleComment ? comment : role == roleKeyword ? keyword : ident;
  }
  bool AtLineEnd() const override { return start_ >= lineText_.size(); }
  QString GetTokenText() const override { return GetTokenView().toString(); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return attr_; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return start_; }
  int GetTokenLength() const override { return pos_ - start_; }
  int GetRange() const override { return inBrace_; }
  void SetRange(int r) override { inBrace_ = r; }
  void ResetRange() override { inBrace_ = 0; }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    pos_ = 0;
    ScanNext();
  }
  void ScanNext() override {
    start_ = pos_;
    const qsizetype n = lineText_.size();
    if (pos_ >= n) return;
    const QChar c = lineText_[pos_];
    if (inBrace_ || c == u'{') {
      attr_ = comment;
      inBrace_ = 1;
      while (pos_ < n && lineText_[pos_] != u'}') ++pos_;
      if (pos_ < n) {
        ++pos_;
        inBrace_ = 0;
      }
    } else if (lineText_.mid(pos_, 2) == u"//") {
      attr_ = comment;
      pos_ = n;
    } else if (c == u' ') {
      attr_ = space;
      while (pos_ < n && lineText_[pos_] == u' ') ++pos_;
    } else {
      while (pos_ < n && lineText_[pos_] != u' ' && lineText_[pos_] != u'{') ++pos_;
      const QString word = lineText_.mid(start_, pos_ - start_);
      attr_ = (word == u"if" || word == u"then" || word == u"end") ? keyword : ident;
    }
  }

  TSrcHighlighterAttributes *keyword, *comment, *ident, *space;

 private:
  TSrcHighlighterAttributes* attr_ = nullptr;
  qsizetype start_ = 0, pos_ = 0;
  int inBrace_ = 0;
};

#include <vector>

#include "editor/SrcEditPrinterInfo.h"

// A canvas that records what is drawn, with a fixed font: every character
// CharWidth pixels wide, every line Height pixels high. The page is A4 at
// 300 dots per inch.
class TRecordingCanvas : public TPrintCanvas {
 public:
  enum Kind { opBegin, opNewPage, opEnd, opAbort, opText, opFill, opRect, opLine };
  struct Op {
    Kind kind;
    int x = 0, y = 0;
    QString text{};
    QColor color{}, background{};
    bool bold = false, italic = false;
  };

  int CharWidth = 25, Height = 40, Descent = 8;
  TSrcEditPrinterGeometry Page;
  std::vector<Op> Ops;

  TSrcEditPrinterGeometry Geometry() const override { return Page; }
  bool BeginDoc(const QString& title) override {
    Ops.push_back({opBegin, 0, 0, title});
    return true;
  }
  void NewPage() override { Ops.push_back({opNewPage}); }
  bool EndDoc() override {
    Ops.push_back({opEnd});
    return true;
  }
  void Abort() override { Ops.push_back({opAbort}); }
  void SetFont(const QFont& font) override { font_ = font; }
  QFont Font() const override { return font_; }
  TPrintFontMetrics Metrics() const override { return {Height, Height - Descent, Descent, 0, CharWidth}; }
  int TextWidth(const QString& text) const override { return CharWidth * static_cast<int>(text.size()); }
  void DrawText(int x, int y, const QString& text, const QColor& color, const QColor& background, int, bool) override {
    Ops.push_back({opText, x, y, text, color, background, font_.bold(), font_.italic()});
  }
  void FillRect(const QRect& r, const QColor& color) override { Ops.push_back({opFill, r.x(), r.y(), {}, color}); }
  void DrawRect(const QRect& r, const QColor& pen, const QColor& brush) override {
    Ops.push_back({opRect, r.x(), r.y(), {}, pen, brush});
  }
  void DrawLine(int x1, int y1, int, int, const QColor& color) override { Ops.push_back({opLine, x1, y1, {}, color}); }

  // The texts drawn, page by page.
  std::vector<QStringList> PageTexts() const {
    std::vector<QStringList> pages(1);
    for (const Op& op : Ops) {
      if (op.kind == opNewPage) pages.emplace_back();
      if (op.kind == opText) pages.back() << op.text;
    }
    return pages;
  }
  std::vector<Op> Texts() const {
    std::vector<Op> out;
    for (const Op& op : Ops)
      if (op.kind == opText) out.push_back(op);
    return out;
  }

 private:
  QFont font_;
};
