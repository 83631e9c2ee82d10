// Files of the text buffer: loading a file or stream into lines (any line
// breaks, in chunks), and saving through the encoder and the safe writer.
#include <QBuffer>
#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "editor/SrcEditTextBuffer.h"
#include "editor/SrcEditTextRecords.h"
#include "platform/Exceptions.h"
#include "platform/Memory.h"
#include "platform/RegularFile.h"

// ------------------------------------------------------------------ files

void TSrcEditStringList::LoadFromFile(const QString& fileName) {
  // A FIFO or a device named as the file is refused at once: its open could
  // wait for a writer, and its reading might never end.
  QFile file;
  OpenRegularFileOrRaise(fileName, file);
  LoadNamed(file, fileName);  // opened from its descriptor, the file knows no name
}

namespace {

// The end of the line that starts at p: the first CR or LF, or `end`.
const char* LineEnd(const char* p, const char* end) {
  const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
  const char* stop = lf ? lf : end;
  const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
  return cr ? cr : stop;
}

const char16_t* LineEnd(const char16_t* p, const char16_t* end) {
  while (p < end && *p != u'\r' && *p != u'\n') ++p;
  return p;
}

// Cuts text that arrives in pieces into lines: a line ends at CR, LF or
// CR LF, also when a piece ends between the CR and the LF; a break at the
// end adds no empty line.
template <class Unit>
class LineSplitter {
 public:
  template <class Emit>
  void Feed(const Unit* p, const Unit* end, Emit&& onLine) {
    if (pendingCR_ && p < end) {
      pendingCR_ = false;
      if (*p == '\n') {
        sawLF = true;
        ++p;
      }
    }
    while (p < end) {
      const Unit* q = LineEnd(p, end);
      if (q == end) {  // the line goes on in the next piece
        partial_.append(p, q);
        return;
      }
      if (partial_.empty()) {
        onLine(p, q - p);
      } else {
        partial_.append(p, q);
        onLine(partial_.data(), static_cast<qsizetype>(partial_.size()));
        partial_.clear();
      }
      if (*q == '\r') {
        sawCR = true;
        if (++q == end) pendingCR_ = true;
      }
      if (q < end && *q == '\n') {
        sawLF = true;
        ++q;
      }
      p = q;
    }
  }
  template <class Emit>
  void Finish(Emit&& onLine) {
    if (!partial_.empty()) onLine(partial_.data(), static_cast<qsizetype>(partial_.size()));
    partial_.clear();
  }
  bool sawCR = false, sawLF = false;

 private:
  std::basic_string<Unit> partial_;
  bool pendingCR_ = false;
};

QString StreamName(QIODevice& stream) {
  auto* file = qobject_cast<QFileDevice*>(&stream);
  return file && !file->fileName().isEmpty() ? file->fileName() : QStringLiteral("the text");
}

// Refuses a load that needs more memory than the machine can give.
void CheckMemory(qint64 needed, const QString& name) {
  const qint64 available = Memory::Available();
  if (available >= 0 && needed > available)
    throw EReadError(QStringLiteral("Not enough memory to open \"%1\": it needs about %2, but only %3 are available.")
                         .arg(name, Memory::Megabytes(needed), Memory::Megabytes(available)));
}

void CheckStream(QIODevice& stream) {
  if (auto* file = qobject_cast<QFileDevice*>(&stream); file && file->error() != QFileDevice::NoError)
    throw EReadError(QStringLiteral("Stream read error: %1").arg(file->errorString()));
}

// The Latin-1 form of valid UTF-8 whose characters are all below 256.
bool Utf8ToLatin1(const char* text, qsizetype n, QByteArray& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  out.resize(n);
  qsizetype k = 0;
  for (qsizetype i = 0; i < n; ++i) {
    if (p[i] < 0x80) {
      out[k++] = static_cast<char>(p[i]);
    } else if (p[i] == 0xC2 || p[i] == 0xC3) {
      out[k++] = static_cast<char>(((p[i] & 3) << 6) | (p[i + 1] & 0x3F));
      ++i;
    } else {
      return false;
    }
  }
  out.truncate(k);
  return true;
}

bool HasC1Bytes(const char* text, qsizetype n) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  for (qsizetype i = 0; i < n; ++i)
    if (p[i] >= 0x80 && p[i] < 0xA0) return true;
  return false;
}

}  // namespace

void TSrcEditStringList::LoadFromStream(QIODevice& stream) { LoadNamed(stream, StreamName(stream)); }

void TSrcEditStringList::LoadNamed(QIODevice& stream, const QString& name) {
  try {
    if (!stream.isSequential()) {
      LoadChunks(stream, name);
      return;
    }
    // A pipe cannot be read twice: keep what it gives.
    QByteArray data = stream.readAll();
    CheckStream(stream);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LoadChunks(buffer, name);
  } catch (const std::bad_alloc&) {
    throw EReadError(QStringLiteral("Not enough memory to open \"%1\".").arg(name));
  }
}

void TSrcEditStringList::LoadChunks(QIODevice& stream, const QString& name) {
  constexpr qint64 kMaxFile = 0x7FFFFFF0LL;
  if (stream.size() > kMaxFile) throw EReadError(QStringLiteral("The file is too large to be edited."));
  // Pieces of 1 MB; a smaller file needs no more room than itself.
  const qint64 kChunk = std::clamp<qint64>(stream.size() + 1, 4096, 1 << 20);
  QByteArray chunk(kChunk, Qt::Uninitialized);
  auto read = [&] {
    const qint64 n = stream.read(chunk.data(), kChunk);
    CheckStream(stream);
    return n;
  };

  // First the encoding, and the number of lines to make room for.
  stream.seek(0);
  TextCodec::Sniffer sniffer;
  qint64 total = 0, lfs = 0, crs = 0;
  for (qint64 n; (n = read()) > 0;) {
    total += n;
    if (total > kMaxFile) throw EReadError(QStringLiteral("The file is too large to be edited."));
    sniffer.feed(QByteArrayView(chunk.constData(), n));
    lfs += std::count(chunk.constData(), chunk.constData() + n, '\n');
    crs += std::count(chunk.constData(), chunk.constData() + n, '\r');
  }
  const qint64 lines = std::max(lfs, crs) + 1;
  if (lines > INT_MAX - 16) throw EReadError(QStringLiteral("The text has too many lines."));
  CheckMemory(lines * qint64(sizeof(TSrcEditLineRec)) + total, name);
  int bom = 0;
  const TextEncoding encoding = sniffer.finish(&bom);

  // Then the lines. The new text is made whole before the old one goes, so a
  // failure leaves the list as it was.
  TSrcEditTextStore fresh;
  std::vector<TSrcEditLineRec> recs;
  recs.reserve(static_cast<size_t>(lines));
  qsizetype longest = -1;
  int longestLength = -1;
  auto add = [&](const TSrcEditLineRec& rec) {
    if (recs.size() >= size_t(INT_MAX - 16)) throw EReadError(QStringLiteral("The text has too many lines."));
    const int length = fresh.Length(rec);
    if (length > longestLength) {
      longestLength = length;
      longest = static_cast<qsizetype>(recs.size());
    }
    recs.push_back(rec);
  };
  QByteArray latin1;
  auto addBytes = [&](const char* p, qsizetype n) {
    const QByteArrayView bytes(p, n);
    if (TextCodec::isAscii(bytes) || (encoding == TextEncoding::Windows1252 && !HasC1Bytes(p, n))) {
      add(fresh.StoreLatin1(bytes));
    } else if (encoding == TextEncoding::Utf8 && TextCodec::isValidUtf8(bytes)) {
      add(Utf8ToLatin1(p, n, latin1) ? fresh.StoreLatin1(latin1) : fresh.StoreUtf8(bytes));
    } else {  // Windows-1252 beyond Latin-1, or bytes that changed since they were looked at
      add(fresh.Store(TextCodec::decode(bytes, encoding)));
    }
  };
  auto addUnits = [&](const char16_t* p, qsizetype n) { add(fresh.Store(QStringView(p, n))); };

  stream.seek(bom);
  bool sawCR = false, sawLF = false;
  if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Windows1252) {
    LineSplitter<char> splitter;
    for (qint64 n; (n = read()) > 0;) splitter.Feed(chunk.constData(), chunk.constData() + n, addBytes);
    splitter.Finish(addBytes);
    sawCR = splitter.sawCR;
    sawLF = splitter.sawLF;
  } else {
    // Wide text is decoded piece by piece; a unit cut by the end of a piece
    // waits for the rest.
    const int unit = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 4;
    LineSplitter<char16_t> splitter;
    QByteArray carry;
    for (qint64 n; (n = read()) > 0;) {
      carry.append(chunk.constData(), n);
      const qsizetype whole = carry.size() / unit * unit;
      const QString part = TextCodec::decode(QByteArrayView(carry).first(whole), encoding);
      carry.remove(0, whole);
      const auto* units = reinterpret_cast<const char16_t*>(part.constData());
      splitter.Feed(units, units + part.size(), addUnits);
    }
    splitter.Finish(addUnits);
    sawCR = splitter.sawCR;
    sawLF = splitter.sawLF;
  }

  UpdateBlock block(*this);
  Clear();
  store_.swap(recs);
  text_ = std::move(fresh);
  objects_.clear();
  count_ = gapStart_ = static_cast<int>(store_.size());
  indexOfLongestLine_ = -1;
  encoding_ = encoding;
  writeBom_ = bom > 0;
  if (sawCR && !sawLF)
    fileFormat_ = lbsCR;
  else if (sawLF && !sawCR)
    fileFormat_ = lbsLF;
  else
    fileFormat_ = lbsCRLF;
  const QString longestText = longest >= 0 ? Get(static_cast<int>(longest)) : QString();
  if (wordWrap_) WrapAll();
  if (count_ > 0 && OnLinesAdded) OnLinesAdded(0, longestText);
}

bool TSrcEditStringList::CanEncode() const {
  if (!TextCodec::isSingleByte(encoding_)) return true;
  for (int i = 0; i < count_; ++i)
    if (!TextCodec::canEncode(View(i), encoding_)) return false;
  return true;
}

void TSrcEditStringList::CheckEncoding(const QString& name) const {
  if (!CanEncode())
    throw EWriteError(QStringLiteral("Cannot save \"%1\" in %2: the text holds characters that %2 cannot hold.")
                          .arg(name, TextCodec::encodingName(encoding_)));
}

namespace {

QStringView BreakText(TSrcEditFileFormat format) {
  switch (format) {
    case lbsLF:
      return u"\n";
    case lbsCR:
      return u"\r";
    default:
      return u"\r\n";
  }
}

}  // namespace

// The size of the pieces a save hands to the file: large enough that the
// system calls cost next to nothing, small enough to stay in the cache.
constexpr qsizetype kSaveBuffer = qsizetype(1) << 20;

void TSrcEditStringList::Encode(TextCodec::Encoder& encoder) const {
  if (writeBom_) encoder.appendRaw(TextCodec::bomBytes(encoding_));
  const QByteArray lineBreak = TextCodec::encode(BreakText(fileFormat_), encoding_);
  // A record's break is written unless the next one continues it (word
  // wrap): continuations are joined by writing them one after the other.
  const TSrcEditLineRec* before = store_.data();               // the records before the gap
  const TSrcEditLineRec* after = store_.data() + gapLength();  // and after it, by index
  for (int i = 0; i < count_; ++i) {
    text_.Encode((i < gapStart_ ? before : after)[i], encoder);
    const bool lineEnds =
        i + 1 < count_ ? !((i + 1 < gapStart_ ? before : after)[i + 1].fMeta & sfContinuation) : appendLineBreakAtEnd_;
    if (lineEnds) encoder.appendRaw(lineBreak);
  }
  encoder.finish();
}

QByteArray TSrcEditStringList::SaveToBytes() {
  QByteArray out;
  TextCodec::Encoder encoder(
      encoding_, [&](QByteArrayView bytes) { out.append(bytes); }, kSaveBuffer);
  Encode(encoder);
  return out;
}

void TSrcEditStringList::SaveToStream(QIODevice& stream) {
  CheckEncoding(QStringLiteral("the text"));
  TSrcEditFiler filer(&stream);
  TextCodec::Encoder encoder(
      encoding_, [&](QByteArrayView bytes) { filer.WriteThrough(bytes); }, kSaveBuffer);
  Encode(encoder);
  filer.Flush();
}

qint64 TSrcEditStringList::EncodedSize() const {
  const qint64 lineBreak = TextCodec::encodedSize(BreakText(fileFormat_), encoding_);
  qint64 size = writeBom_ ? TextCodec::bomBytes(encoding_).size() : 0;
  for (int i = 0; i < count_; ++i) {
    size += TextCodec::encodedSize(View(i), encoding_);
    if (i + 1 < count_ ? !(Rec(i + 1).fMeta & sfContinuation) : appendLineBreakAtEnd_) size += lineBreak;
  }
  return size;
}

void TSrcEditStringList::SaveToFile(const QString& fileName, const TInPlaceQuestion& ask) {
  CheckEncoding(fileName);
  TSrcEditFileWriter writer(fileName, ask, [this] { return EncodedSize(); });
  writer.SetLineBreakStyle(fileFormat_);
  writer.SetEncoding(encoding_);
  TextCodec::Encoder encoder(
      encoding_, [&](QByteArrayView bytes) { writer.WriteThrough(bytes); }, kSaveBuffer);
  Encode(encoder);
  writer.Commit();
}

// ------------------------------------------------------------------ writer

TSrcEditFiler::TSrcEditFiler(QIODevice* stream) : stream_(stream), buffer_(16384, Qt::Uninitialized) {}

void TSrcEditFiler::WriteRaw(QByteArrayView bytes) {
  if (used_ + bytes.size() > buffer_.size()) Flush();
  if (bytes.size() > buffer_.size()) buffer_.resize(bytes.size());
  std::memcpy(buffer_.data() + used_, bytes.data(), static_cast<size_t>(bytes.size()));
  used_ += bytes.size();
}

void TSrcEditFiler::Write(QAnyStringView text, bool withBreak) {
  const QStringView lineBreak = withBreak ? BreakText(style_) : QStringView();
  // Room for the longest encoded form of the text and its break.
  const qsizetype room = TextCodec::maxEncodedSize(text.size() + lineBreak.size(), encoding_);
  if (used_ + room > buffer_.size()) {
    Flush();
    if (room > buffer_.size()) buffer_.resize(room);
  }
  used_ += TextCodec::encodeInto(buffer_.data() + used_, text, encoding_);
  if (encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Windows1252) {
    for (QChar c : lineBreak) buffer_[used_++] = static_cast<char>(c.unicode());  // ASCII as it is
  } else {
    used_ += TextCodec::encodeInto(buffer_.data() + used_, lineBreak, encoding_);
  }
}

void TSrcEditFiler::WriteThrough(QByteArrayView bytes) {
  Flush();
  if (!bytes.isEmpty()) Put(bytes.data(), bytes.size());
}

void TSrcEditFiler::Flush() {
  if (used_ == 0) return;
  Put(buffer_.constData(), used_);
  used_ = 0;
}

void TSrcEditFiler::Put(const char* data, qint64 size) {
  if (stream_->write(data, size) != size) {
    // A safe file's message names the file and the reason.
    if (dynamic_cast<TSafeFile*>(stream_)) throw EWriteError(stream_->errorString());
    throw EWriteError(QStringLiteral("Stream write error: %1").arg(stream_->errorString()));
  }
}

TSrcEditFileWriter::TSrcEditFileWriter(const QString& fileName, const TInPlaceQuestion& ask,
                                       std::function<qint64()> expectedSize)
    : TSrcEditFiler(&file_), file_(fileName, ask, std::move(expectedSize)) {
  file_.Open();
}

void TSrcEditFileWriter::Commit() {
  Flush();
  file_.Commit();
}
