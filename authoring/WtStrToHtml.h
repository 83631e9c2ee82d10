// Characters and their HTML entity references, over a fixed table of pairs.
//
// The names of the two conversions follow their historic use: HtmlToText
// turns text into HTML (characters to entities), TextToHtml turns HTML into
// text (entities to characters). The ampersand has no pair, and neither have
// "^" and "~", which stay as they are both ways (their old numeric
// references 136 and 152 stand for other characters in HTML).
#pragma once

#include <QString>
#include <QStringView>
#include <vector>

struct TWtEntityPair {
  char16_t Char;
  QString Entity;
};

class TWtStrToHtml {
 public:
  // The pairs in table order; the first pair of a character wins when
  // encoding.
  static const std::vector<TWtEntityPair>& Pairs();

  // The entity of the first pair whose character is `c`, else `c` itself.
  static QString CharToHtml(QChar c);
  // Encodes every character of `s`.
  static QString HtmlToText(const QString& s);
  // Appends the encoded characters of `s` to `out`.
  static void AppendHtml(QString& out, QStringView s);
  // Replaces, pair by pair in table order, every entity of `s` (compared
  // without regard to case) by its character.
  static QString TextToHtml(const QString& s);

  // Writing one property sets the value the other one reads.
  const QString& Text() const { return text_; }
  const QString& Html() const { return html_; }
  // Stores `html` with its characters turned into entities, read through Text.
  void SetHtml(const QString& html) { text_ = HtmlToText(html); }
  // Stores `text` with its entities turned into characters, read through Html.
  void SetText(const QString& text) { html_ = TextToHtml(text); }

 private:
  QString text_;
  QString html_;
};
