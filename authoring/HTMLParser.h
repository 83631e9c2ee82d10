// The HTML link parser: splits an HTML text into tags and text runs and
// collects what a link check needs (link targets sorted by scheme and file
// kind, image and frame sources, title, keywords and description). It knows
// no grammar beyond tags, attributes and the title, and never fails on
// malformed input.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/Types.h"

// The local and the remote addresses of one file kind.
struct TLocalRemote {
  QStringList Local;
  QStringList Remote;
};

// What one run of the parser found.
struct TParsed {
  QString Title, Keyword, Description;
  QStringList Hyperlinks, Images, EMails, HTTPlinks, FTPlinks, Locallinks, FramePages;
  TLocalRemote HTML, Image, Media, Java, ActiveX, ASP, PHP, PERL;
};

class THTMLParser : public TObject {
 public:
  const char* ClassName() const override { return "THTMLParser"; }

  // The input lines.
  QStringList HTML;
  // The result of the last Parse (all of it is reset by every run).
  TParsed Parsed;

  // Fired once per non-empty line before it is scanned (line from 1, count).
  std::function<void(TObject*, int, int)> OnParsing;
  std::function<void(TObject*, const QString&)> OnFoundTag;
  std::function<void(TObject*, const QString&)> OnFoundText;
  std::function<void(TObject*, const QString&)> OnFoundComment;
  // An address of a scheme other than mail, FTP and plain web.
  std::function<void(TObject*, const QString&)> OnFoundHyperlink;

  // A line break inside a quoted attribute value stays in the value;
  // anywhere else it separates like a blank.
  void Parse();
  // `tag` is the text between "<" and ">".
  void HandleTag(const QString& tag);
  void HandleText(const QString& text);

 private:
  bool inTitle_ = false;
  QString titleText_;
};

// Splits an address into scheme (text before "://", else "MAILTO:" when it
// holds one, else "http"), folder path (ending with "/"), query and file name.
void SplitURL(QString url, QString& protocol, QString& path, QString& query, QString& fileName);
// The characters after the first `c` up to the next `c` or the end (all of
// `s` when it holds no `c`).
QString ExtractBetween(const QString& s, QChar c);
// The attribute `name` of `tag` (whole names only, any case) with its value,
// as "name=value"; empty when the tag has no such attribute.
QString FindAttribute(const QString& tag, const QString& name);
// The value of an attribute text: after the "=", blanks around it skipped,
// without the double or single quotes around it, its character references
// decoded.
QString AttributeValue(const QString& attributeText);
// Decodes the character references of an attribute value as a browser does:
// named ones ("&amp;"; the old ones such as "&amp" also without ";" unless
// "=" follows) and numeric ones ("&#37;", "&#x26;", ";" optional). Anything
// else stays as written.
QString DecodeCharacterReferences(const QString& value);

// The HTML entity name of a character from U+00A0 to U+00FF ("nbsp" ..
// "yuml"); none outside that range.
const char* Latin1EntityName(int code);
