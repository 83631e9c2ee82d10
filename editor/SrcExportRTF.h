// Highlighted text as a Rich Text Format document.
#pragma once

#include <vector>

#include "editor/SrcEditExport.h"

class TSrcExporterRTF : public TSrcCustomExporter {
 public:
  QString DefaultFilter() const override;
  QString FormatName() const override;
  QString MimeType() const override { return QStringLiteral("text/rtf"); }
  void Clear() override;

  // Text escaped for RTF: "\", "{" and "}" get a backslash, line breaks and
  // tabs become control words, other control characters are dropped,
  // Windows-1252 characters beyond ASCII are written as \'xx and all others
  // as \uN? (N the signed 16-bit code unit).
  static QString Escape(QStringView text);
  // Twice the point size of `font` (pixel sizes are turned into points).
  static int HalfPoints(const QFont& font);

 protected:
  void FormatAttributeDone(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesEnded) override;
  void FormatAttributeInit(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesBegun) override;
  void FormatBeforeFirstAttribute(bool backgroundChanged, bool foregroundChanged, TFontStyles stylesBegun) override;
  void FormatNewLine() override;
  QByteArray GetHeader() override;
  QByteArray GetFooter() override;
  QString ReplaceChars(QStringView token) const override { return Escape(token); }
  void StartExport() override;

 private:
  int ColorIndex(TColor color);
  void ControlWord(const char* word);

  std::vector<QRgb> colors_;
  bool attributesWritten_ = false;
};
