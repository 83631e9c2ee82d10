// HTML Tidy itself: the engine behind TTidy, on libtidy. Linked into the
// Tidy helper program and the tidy module (tidy-module.so), never into the
// program itself.
#include "authoring/LibTidy.h"

#include <tidy/tidybuffio.h>

#include <QFile>
#include <algorithm>
#include <utility>

#include "platform/RegularFile.h"

namespace {

// For a run: Tidy reads and writes UTF-8, whatever its options say (the
// text holds every character; the document's own encoding is applied when
// it is saved), and leaves the entities of the page as they were written.
// The options are as before afterwards.
class TUnicodeRun {
 public:
  explicit TUnicodeRun(TidyDoc doc)
      : doc_(doc),
        in_(tidyOptGetInt(doc, TidyInCharEncoding)),
        out_(tidyOptGetInt(doc, TidyOutCharEncoding)),
        entities_(tidyOptGetBool(doc, TidyPreserveEntities)) {
    tidySetInCharEncoding(doc, "utf8");
    tidySetOutCharEncoding(doc, "utf8");
    tidyOptSetBool(doc, TidyPreserveEntities, yes);
  }
  ~TUnicodeRun() {
    tidyOptSetInt(doc_, TidyInCharEncoding, in_);
    tidyOptSetInt(doc_, TidyOutCharEncoding, out_);
    tidyOptSetBool(doc_, TidyPreserveEntities, entities_);
  }
  TUnicodeRun(const TUnicodeRun&) = delete;
  TUnicodeRun& operator=(const TUnicodeRun&) = delete;

  // Cleaning makes a page's character set declaration name Tidy's output
  // encoding, unless that is raw: so the declaration stays as the user
  // wrote it, which is the encoding the document is saved in.
  void CleanAndRepair() {
    tidySetOutCharEncoding(doc_, "raw");
    tidyCleanAndRepair(doc_);
    tidySetOutCharEncoding(doc_, "utf8");
  }

 private:
  TidyDoc doc_;
  ulong in_;
  ulong out_;
  Bool entities_;
};

// Where a save writes: the bytes up to the bound; past it, none are kept.
struct TBoundedOutput {
  QByteArray bytes;
  qint64 limit = -1;
  bool cut = false;

  static void TIDY_CALL PutByte(void* sink, byte b) {
    auto* self = static_cast<TBoundedOutput*>(sink);
    if (self->cut) return;
    if (self->limit >= 0 && self->bytes.size() >= self->limit) {
      self->cut = true;
      self->bytes = QByteArray();
      return;
    }
    self->bytes.append(static_cast<char>(b));
  }
};

int ParseBytes(TidyDoc doc, const QByteArray& bytes) {
  TidyBuffer in;
  tidyBufInit(&in);
  if (!bytes.isEmpty()) tidyBufAppend(&in, const_cast<char*>(bytes.data()), static_cast<uint>(bytes.size()));
  const int rc = tidyParseBuffer(doc, &in);
  tidyBufFree(&in);
  return rc;
}

}  // namespace

TLibTidy::TLibTidy() : doc_(tidyCreate()) { tidySetAppData(doc_, this); }

TLibTidy::~TLibTidy() { tidyRelease(doc_); }

bool TLibTidy::GetBool(TidyOptionId id) const {
  // A few former yes/no options are choices now (no, yes, auto...).
  if (tidyOptGetType(tidyGetOption(doc_, id)) == TidyInteger) return tidyOptGetInt(doc_, id) != 0;
  return tidyOptGetBool(doc_, id) != no;
}

void TLibTidy::SetBool(TidyOptionId id, bool v) {
  const bool ok = tidyOptGetType(tidyGetOption(doc_, id)) == TidyInteger ? tidyOptSetInt(doc_, id, v ? 1 : 0)
                                                                         : tidyOptSetBool(doc_, id, v ? yes : no);
  if (!ok) optionsOk_ = false;
}

int TLibTidy::GetInt(TidyOptionId id) const { return static_cast<int>(tidyOptGetInt(doc_, id)); }

void TLibTidy::SetInt(TidyOptionId id, int v) {
  if (v < 0 || !tidyOptSetInt(doc_, id, static_cast<ulong>(v))) optionsOk_ = false;
}

QString TLibTidy::GetText(TidyOptionId id) const { return QString::fromUtf8(tidyOptGetValue(doc_, id)); }

void TLibTidy::SetText(TidyOptionId id, const QString& v) {
  if (!tidyOptSetValue(doc_, id, v.toUtf8().constData())) optionsOk_ = false;
}

QString TLibTidy::ErrorFile() const { return GetText(TidyErrFile); }

void TLibTidy::SetErrorFile(const QString& v) {
  SetText(TidyErrFile, v);
  if (!tidySetErrorFile(doc_, QFile::encodeName(v).constData())) optionsOk_ = false;
}

bool TLibTidy::LoadConfigFile(const QString& fileName) {
  // Tidy opens the file by name, and would wait on a FIFO: it gets the file
  // already opened here, once known to be a regular one, through the open
  // descriptor's name.
  QFile file;
  if (OpenRegularFile(fileName, file) != TRegularOpen::Opened) return false;
  const QByteArray name = "/proc/self/fd/" + QByteArray::number(file.handle());
  const uint before = tidyConfigErrorCount(doc_);
  const int rc = tidyLoadConfig(doc_, name.constData());
  return rc >= 0 && tidyConfigErrorCount(doc_) == before;
}

void TLibTidy::SetSourceString(const QString& s) {
  source_ = s.toUtf8();
  hasSource_ = !s.isEmpty();
}

void TLibTidy::Execute(QString& output, bool& congruent) {
  if (!tidyOptSetBool(doc_, TidyHtmlOut, yes)) optionsOk_ = false;
  Run(output, congruent);
}

void TLibTidy::Run(QString& output, bool& congruent) {
  output.clear();
  outputCut_ = false;
  if (congruent) SetInt(TidyIndentContent, TidyNoState);
  if (!hasSource_) return;
  const TUnicodeRun unicode(doc_);
  ParseBytes(doc_, source_);
  source_.clear();
  hasSource_ = false;
  CleanAndSave(output, congruent);
  if (output.size() < 3 && (output.startsWith(u'\n') || output.startsWith(u'\r'))) output.clear();
}

void TLibTidy::CleanAndSave(QString& output, bool& congruent) {
  const int passes = congruent ? 10 : 1;
  QByteArray previous;
  QByteArray saved;
  bool done = false;
  TUnicodeRun unicode(doc_);
  for (int pass = 0; pass < passes && !done; ++pass) {
    muted_ = pass > 0;  // positions of later passes are in Tidy's own text
    unicode.CleanAndRepair();
    tidyRunDiagnostics(doc_);
    saved = outputLimit_ == 0 ? QByteArray() : SaveOutput();  // no output wanted: none made
    if (outputCut_) break;
    done = saved == previous;
    if (!done && pass + 1 < passes) {
      previous = saved;
      muted_ = true;
      ParseBytes(doc_, saved);
    }
  }
  muted_ = false;
  congruent = done && !outputCut_;
  output = QString::fromUtf8(saved);
}

QByteArray TLibTidy::SaveOutput() {
  TBoundedOutput out;
  out.limit = outputLimit_;
  TidyOutputSink sink{&out, &TBoundedOutput::PutByte};
  tidySaveSink(doc_, &sink);
  outputCut_ = out.cut;
  return std::move(out.bytes);
}

void TLibTidy::Reset() {
  const QString errorFile = ErrorFile();
  TidyDoc keep = tidyCreate();
  tidyOptCopyConfig(keep, doc_);
  tidyRelease(doc_);
  doc_ = tidyCreate();
  tidyOptCopyConfig(doc_, keep);
  tidyRelease(keep);
  if (!errorFile.isEmpty()) SetErrorFile(errorFile);
  tidySetAppData(doc_, this);
  InstallReportHandler();
}

QByteArray TLibTidy::ConfigText() const {
  TidyBuffer buffer;
  tidyBufInit(&buffer);
  TidyOutputSink sink;
  tidyInitOutputBuffer(&sink, &buffer);
  tidyOptSaveSink(doc_, &sink);
  QByteArray text(reinterpret_cast<const char*>(buffer.bp), static_cast<qsizetype>(buffer.size));
  tidyBufFree(&buffer);
  if (!text.isEmpty() && !text.endsWith('\n')) text += '\n';
  for (const auto& [name, id] :
       {std::pair{"input-encoding: ", TidyInCharEncoding}, std::pair{"output-encoding: ", TidyOutCharEncoding}})
    text += QByteArray(name) + tidyOptGetEncName(doc_, id) + '\n';
  return text;
}

void TLibTidy::SetOnReport(TReport handler) {
  onReport_ = std::move(handler);
  rawFilter_ = nullptr;
  InstallReportHandler();
}

void TLibTidy::SetReportFilter(TidyReportFilter filter) {
  rawFilter_ = filter;
  onReport_ = nullptr;
  InstallReportHandler();
}

void TLibTidy::InstallReportHandler() {
  tidySetMessageCallback(doc_, onReport_ ? &TLibTidy::ReportMessage : nullptr);
  tidySetReportFilter(doc_, onReport_ ? nullptr : rawFilter_);
}

Bool TIDY_CALL TLibTidy::ReportMessage(TidyMessage message) {
  auto* self = static_cast<TLibTidy*>(tidyGetAppData(tidyGetMessageDoc(message)));
  if (!self || !self->onReport_) return yes;
  if (self->muted_) return no;
  bool writeOut = true;
  // The message's own text, without Tidy's position and level prefix.
  self->onReport_(static_cast<int>(tidyGetMessageLevel(message)) - static_cast<int>(TidyInfo),
                  static_cast<unsigned>(std::max(0, tidyGetMessageLine(message))),
                  static_cast<unsigned>(std::max(0, tidyGetMessageColumn(message))),
                  QString::fromUtf8(tidyGetMessage(message)), writeOut);
  return writeOut ? yes : no;
}

void UseLinkedTidyEngine() {
  SetTidyEngineFactory([]() -> ITidyEngine* { return new TLibTidy; });
}
