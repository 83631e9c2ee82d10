#include "editor/SrcEditExport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <algorithm>
#include <limits>

#include "editor/SrcEditHighlighter.h"
#include "editor/SrcEditStrConst.h"
#include "editor/SrcEditTextBuffer.h"
#include "platform/Exceptions.h"
#include "platform/SafeFile.h"

namespace {
bool IsBlank(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' ' || c == u'\t'; });
}
}  // namespace

TSrcCustomExporter::TSrcCustomExporter() : title_(SrcEditStrConst::TextUntitled) {}

void TSrcCustomExporter::SetHighlighter(TSrcCustomHighlighter* value) { highlighter_ = value; }

void TSrcCustomExporter::SetTitle(const QString& value) {
  title_ = value.isEmpty() ? SrcEditStrConst::TextUntitled : value;
}

void TSrcCustomExporter::Clear() {
  buffer_.clear();
  plainText_.clear();
  lastBackground_ = clWindow;
  lastForeground_ = clWindowText;
  lastStyle_ = 0;
}

void TSrcCustomExporter::ExportAll(const QStringList& lines) {
  constexpr int kMax = std::numeric_limits<int>::max();
  ExportRange(lines, {1, 1}, {kMax, kMax});
}

void TSrcCustomExporter::ExportAll(const TSrcEditStringList& lines) {
  QStringList copy;
  copy.reserve(lines.Count());
  for (int i = 0; i < lines.Count(); ++i) copy << lines.Get(i);
  ExportAll(copy);
}

void TSrcCustomExporter::ExportRange(const QStringList& lines, TPoint start, TPoint stop) {
  buffer_.clear();
  plainText_.clear();
  lastBackground_ = clWindow;
  lastForeground_ = clWindowText;
  lastStyle_ = 0;
  firstAttribute_ = true;
  StartExport();

  const int count = static_cast<int>(lines.size());
  bool any = count > 0 && start.Y >= 1 && start.Y <= count && start.Y <= stop.Y;
  if (any) {
    stop.Y = std::clamp(stop.Y, 1, count);
    stop.X = std::clamp(stop.X, 1, static_cast<int>(lines[stop.Y - 1].size()) + 1);
    start.X = std::clamp(start.X, 1, static_cast<int>(lines[start.Y - 1].size()) + 1);
    any = !(start.Y == stop.Y && start.X >= stop.X);
  }
  if (any) {
    buffer_.reserve(std::max<qsizetype>(4096, qsizetype(stop.Y - start.Y + 1) * 128));
    TSrcCustomHighlighter* hl = highlighter_.data();
    if (hl) hl->ResetRange();
    for (int i = start.Y; i <= stop.Y; ++i) {
      QString text = lines[i - 1];
      if (i == stop.Y) text.truncate(stop.X - 1);
      if (i == start.Y) text.remove(0, start.X - 1);
      plainText_ += text;
      if (i < stop.Y) plainText_ += u'\n';
      if (hl) {
        hl->SetLine(text, i);
        for (int n = hl->MaxTokens(); n > 0 && !hl->AtLineEnd(); --n) {
          const QStringView token = QStringView(hl->LineText()).mid(hl->GetTokenPos(), hl->GetTokenLength());
          SetTokenAttribute(IsBlank(token), hl->GetTokenAttribute());
          FormatToken(ReplaceChars(token));
          hl->ScanNext();
        }
      } else if (!text.isEmpty()) {
        SetTokenAttribute(IsBlank(text), nullptr);
        FormatToken(ReplaceChars(text));
      }
      FormatNewLine();
    }
    if (!firstAttribute_) FormatAfterLastAttribute();
  }
  buffer_ = GetHeader() + buffer_ + GetFooter();
}

void TSrcCustomExporter::SetTokenAttribute(bool blank, const TSrcHighlighterAttributes* attribute) {
  const TColor b = EffectiveColor(attribute ? attribute->Background() : clNone, Color);
  const TColor f = EffectiveColor(attribute ? attribute->Foreground() : clNone, FontColor);
  const TFontStyles s = attribute ? attribute->Style() : 0;
  if (firstAttribute_) {
    firstAttribute_ = false;
    lastBackground_ = b;
    lastForeground_ = f;
    lastStyle_ = s;
    FormatBeforeFirstAttribute(UseBackground && b != Color, f != FontColor, s);
    return;
  }
  const bool bChanged = UseBackground && b != lastBackground_;
  const bool fChanged = !blank && f != lastForeground_;
  if (!bChanged && !fChanged && s == lastStyle_) return;
  FormatAttributeDone(bChanged, fChanged, blank ? TFontStyles(0) : TFontStyles(lastStyle_ & ~s));
  const TFontStyles begun = blank ? TFontStyles(0) : TFontStyles(s & ~lastStyle_);
  lastBackground_ = b;
  if (!blank) {
    lastForeground_ = f;
    lastStyle_ = s;
  }
  FormatAttributeInit(bChanged, fChanged, begun);
}

bool TSrcCustomExporter::SaveToFile(const QString& fileName, QString* error) const {
  try {
    SafeFile::Write(fileName, buffer_);
    return true;
  } catch (const Exception& e) {
    if (error) *error = e.Message();
    return false;
  }
}

void TSrcCustomExporter::CopyToClipboard() const {
  auto* data = new QMimeData;
  data->setData(MimeType(), buffer_);
  data->setText(plainText_);
  QGuiApplication::clipboard()->setMimeData(data);
}
