// The format-neutral part of exporting highlighted text: it walks the lines
// and tokens of a text, keeps track of colour and style changes and calls the
// format hooks that a concrete exporter (RTF) fills in.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditTypes.h"
#include "platform/Colors.h"
#include "platform/Types.h"

class TSrcCustomHighlighter;
class TSrcHighlighterAttributes;
class TSrcEditStringList;

class TSrcCustomExporter {
 public:
  TSrcCustomExporter();
  virtual ~TSrcCustomExporter() = default;

  // The whole text.
  void ExportAll(const QStringList& lines);
  void ExportAll(const TSrcEditStringList& lines);
  // The text from `start` up to (not including) `stop`, both (column, line)
  // counted from 1. An empty or inverted range exports an empty document.
  void ExportRange(const QStringList& lines, TPoint start, TPoint stop);

  // The document built by the last export.
  const QByteArray& Data() const { return buffer_; }
  // Writes the document safely (SafeFile); false (with `error` set) when the
  // file could not be written completely, or the name leads to something
  // other than a regular file (which is left as it is).
  bool SaveToFile(const QString& fileName, QString* error = nullptr) const;
  // Puts the document on the clipboard in the format's own type, beside the
  // plain text of the last export.
  void CopyToClipboard() const;
  virtual void Clear();

  TColor Color = clWindow;
  // The document font; FontColor stands in for attributes without a text colour.
  QFont Font{QStringLiteral("Courier New"), 10};
  TColor FontColor = clBlack;
  bool UseBackground = false;

  TSrcCustomHighlighter* Highlighter() const { return highlighter_.data(); }
  void SetHighlighter(TSrcCustomHighlighter* value);
  const QString& Title() const { return title_; }
  // An empty title restores the default one.
  void SetTitle(const QString& value);

  virtual QString DefaultFilter() const = 0;
  virtual QString FormatName() const = 0;
  // The clipboard type of the format.
  virtual QString MimeType() const = 0;

  // The colour of `c`, or `fallback` when `c` is none.
  static TColor EffectiveColor(TColor c, TColor fallback) { return c == clNone ? fallback : c; }

 protected:
  // Format hooks.
  virtual void FormatAttributeDone(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesEnded) = 0;
  virtual void FormatAttributeInit(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesBegun) = 0;
  virtual void FormatAfterLastAttribute() {}
  virtual void FormatBeforeFirstAttribute(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesBegun) = 0;
  virtual void FormatToken(const QString& text) { Append(text); }
  virtual void FormatNewLine() = 0;
  virtual QByteArray GetHeader() = 0;
  virtual QByteArray GetFooter() = 0;
  // The text written for one token: characters of the format escaped.
  virtual QString ReplaceChars(QStringView token) const = 0;
  // Called once before the body of each export.
  virtual void StartExport() {}

  void Append(QStringView text) { buffer_ += text.toLatin1(); }
  void Append(const char* text) { buffer_ += text; }

  TColor lastBackground_ = clWindow;
  TColor lastForeground_ = clWindowText;
  TFontStyles lastStyle_ = 0;

 private:
  void SetTokenAttribute(bool blank, const TSrcHighlighterAttributes* attribute);

  QByteArray buffer_;
  QString plainText_;
  QPointer<TSrcCustomHighlighter> highlighter_;
  QString title_;
  bool firstAttribute_ = true;
};
