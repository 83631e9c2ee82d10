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
