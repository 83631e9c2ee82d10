#include "platform/PictureDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"
#include "platform/WmfPicture.h"

namespace PictureDecoder {
namespace {

int Word(const QByteArray& d, qsizetype p) {
  return static_cast<unsigned char>(d[p]) | (static_cast<unsigned char>(d[p + 1]) << 8);
}

int Byte(const QByteArray& d, qsizetype p) { return static_cast<unsigned char>(d[p]); }

struct TCounters {
  std::atomic<int> decodes{0};
};
TCounters& Counters() {
  static TCounters counters;
  return counters;
}

// Skips a chain of data sub-blocks starting at `p`; the offset after the
// terminating empty block, or -1 when the data ends first.
qsizetype SkipSubBlocks(const QByteArray& d, qsizetype p) {
  while (p < d.size()) {
    const int n = Byte(d, p);
    if (n == 0) return p + 1;
    p += 1 + n;
  }
  return -1;
}

QByteArray FormatOf(const QByteArray& d) {
  if (d.size() >= 3 && Byte(d, 0) == 0xFF && Byte(d, 1) == 0xD8 && Byte(d, 2) == 0xFF) return "jpeg";
  if (IsGif(d)) return "gif";
  if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return "bmp";
  if (d.size() >= 4 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) && d[3] == 0) return "ico";
  return {};
}

}  // namespace

bool ReadWithLimit(QImageReader& reader, QImage* image, qint64 megabytes) {
  // Qt's image allocation limit is the whole program's, and pictures are
  // decoded on more than one thread. Reads that ask for the limit in place
  // (a whole picture's, as a rule) run side by side; a read that needs
  // another has the limit to itself for the read alone, and puts back the
  // one it found.
  static std::shared_mutex mutex;
  const int limit = static_cast<int>(qBound<qint64>(qint64{1}, megabytes, qint64{1} << 30));
  {
    const std::shared_lock lock(mutex);
    if (QImageReader::allocationLimit() == limit) return reader.read(image);
  }
  const std::unique_lock lock(mutex);
  const int before = QImageReader::allocationLimit();
  const ScopeExit restore([before] { QImageReader::setAllocationLimit(before); });
  QImageReader::setAllocationLimit(limit);
  return reader.read(image);
}

bool IsGif(const QByteArray& data) { return data.size() > 4 && data.startsWith("GIF8"); }

TGifIndex IndexGif(const QByteArray& d) {
  TGifIndex index;
  if (!IsGif(d)) return index;
  index.isGif = true;
  if (d.size() < 13) {
    index.truncated = true;
    return index;
  }
  index.screen = QSize(Word(d, 6), Word(d, 8));
  const int packed = Byte(d, 10);
  qsizetype p = 13;
  if (packed & 0x80) p += 3 * (qsizetype{1} << ((packed & 7) + 1));
  index.headerEnd = qMin(p, d.size());
  qsizetype pendingControl = -1;
  int delay = 0, disposal = 0;
  bool transparent = false;
  while (p < d.size()) {
    const int introducer = Byte(d, p);
    if (introducer == 0x3B) return index;  // trailer
    if (introducer == 0x21) {
      if (p + 2 > d.size()) break;
      const int label = Byte(d, p + 1);
      if (label == 0xF9 && p + 3 < d.size() && Byte(d, p + 2) == 4 && p + 7 < d.size()) {
        pendingControl = p;
        const int flags = Byte(d, p + 3);
        disposal = (flags >> 2) & 7;
        transparent = flags & 1;
        delay = Word(d, p + 4);
      }
      p = SkipSubBlocks(d, p + 2);
      if (p < 0) break;
      continue;
    }
    if (introducer != 0x2C) break;  // not a block a GIF can hold
    if (p + 10 > d.size()) break;
    TGifFrame image;
    image.descriptorStart = p;
    image.rect = QRect(Word(d, p + 1), Word(d, p + 3), Word(d, p + 5), Word(d, p + 7));
    const int flags = Byte(d, p + 9);
    qsizetype q = p + 10;
    if (flags & 0x80) q += 3 * (qsizetype{1} << ((flags & 7) + 1));
    q += 1;  // LZW minimum code size
    if (q > d.size()) break;
    q = SkipSubBlocks(d, q);
    if (q < 0) break;
    image.end = q;
    if (pendingControl >= 0) {
      image.controlStart = pendingControl;
      image.delay = delay;
      image.disposal = disposal;
      image.transparent = transparent;
      index.frames.push_back(static_cast<int>(index.images.size()));
    }
    index.images.push_back(image);
    pendingControl = -1;
    p = q;
  }
  index.truncated = true;
  return index;
}

QByteArray SingleImageGif(const QByteArray& d, const TGifIndex& index, const TGifFrame& image) {
  QByteArray out = d.left(index.headerEnd);
  const int w = image.rect.width(), h = image.rect.height();
  out[6] = char(w & 0xFF);
  out[7] = char(w >> 8);
  out[8] = char(h & 0xFF);
  out[9] = char(h >> 8);
  if (image.controlStart >= 0) out += d.mid(image.controlStart, 8);
  QByteArray descriptor = d.mid(image.descriptorStart, image.end - image.descriptorStart);
  for (int i = 1; i <= 4; ++i) descriptor[i] = 0;  // left and top
  out += descriptor;
  out += char(0x3B);
  return out;
}

QSize PeekSize(const QByteArray& data) {
  if (WmfPicture::IsWmf(data)) return WmfPicture::Size(data);
  const QByteArray format = FormatOf(data);
  if (format.isEmpty()) return {};
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  return reader.size();
}

std::shared_ptr<TPictureBudget> TPictureBudget::Create(qint64 limit) {
  return std::shared_ptr<TPictureBudget>(new TPictureBudget(limit, &Program()));
}

TPictureBudget& TPictureBudget::Program() {
  // Made once and never freed: charges given back while the program ends
  // still find it.
  static TPictureBudget* const program = new TPictureBudget(kPictureBudget, nullptr);
  return *program;
}

bool TPictureBudget::Fits(qint64 bytes) const {
  const std::lock_guard lock(mutex_);
  return bytes >= 0 && used_ + bytes <= limit_;
}

qint64 TPictureBudget::Used() const {
  const std::lock_guard lock(mutex_);
  return used_;
}

qint64 TPictureBudget::Peak() const {
  const std::lock_guard lock(mutex_);
  return peak_;
}

int TPictureBudget::Refusals() const {
  const std::lock_guard lock(mutex_);
  return refusals_;
}

void TPictureBudget::ResetPeak() {
  const std::lock_guard lock(mutex_);
  peak_ = used_;
}

int TPictureBudget::Waiting() const {
  const std::lock_guard lock(mutex_);
  return waiting_;
}

bool TPictureBudget::WaitUntilFits(std::unique_lock<std::mutex>& lock, qint64 bytes) {
  ++waiting_;
  const ScopeExit counted([this] { --waiting_; });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBudgetWaitMs);
  while (used_ + bytes > limit_) {
    if (Stopped()) throw EPictureDeferred(QString::fromLatin1(kNoMemoryText));
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // The stop flag is looked at every few milliseconds.
    freed_.wait_for(lock, std::chrono::milliseconds(20));
  }
  return true;
}

void TPictureBudget::Take(qint64 bytes, qint64 held) {
  std::unique_lock lock(mutex_);
  if (CurrentStop() && used_ + bytes > limit_ && bytes <= limit_) {
    // A picture thread that holds nothing waits for the others to give back
    // what it needs; one that holds memory gives way at once, so that two
    // decodes never wait for what the other holds. Bytes that never fit are
    // taken at once and refused by the account.
    if (held > 0) throw EPictureGaveWay(QString::fromLatin1(kNoMemoryText), held + bytes);
    if (!WaitUntilFits(lock, bytes)) {
      ++refusals_;
      throw EPictureDeferred(QString::fromLatin1(kNoMemoryText));
    }
  }
  used_ += bytes;
  peak_ = qMax(peak_, used_);
}

void TPictureBudget::WaitForRoom(qint64 bytes) {
  if (!CurrentStop()) return;
  std::unique_lock lock(mutex_);
  if (bytes > limit_) return;  // never fits: the account refuses it
  if (!WaitUntilFits(lock, bytes)) {
    ++refusals_;
    throw EPictureDeferred(QString::fromLatin1(kNoMemoryText));
  }
}

void TPictureBudget::Give(qint64 bytes) {
  {
    const std::lock_guard lock(mutex_);
    used_ -= bytes;
  }
  freed_.notify_all();
}

TCharge TPictureBudget::Charge(qint64 bytes) {
  qint64 held = 0;
  {
    const std::lock_guard lock(mutex_);
    if (bytes < 0 || used_ + bytes > limit_) {
      ++refusals_;
      throw Exception(QString::fromLatin1(kNoMemoryText));
    }
    held = used_;
  }
  if (parent_) {
    try {
      parent_->Take(bytes, held);
    } catch (const EPictureDeferred&) {
      const std::lock_guard lock(mutex_);
      ++refusals_;
      throw;
    }
  }
  {
    const std::lock_guard lock(mutex_);
    used_ += bytes;
    peak_ = qMax(peak_, used_);
  }
  // The charge points at the account it keeps alive and gives the bytes
  // back to it and to the program.
  return TCharge(this, [self = shared_from_this(), bytes](const void*) {
    self->Give(bytes);
    if (self->parent_) self->parent_->Give(bytes);
  });
}

namespace {
thread_local const TStopFlag* currentStop = nullptr;
thread_local bool insideScope = false;
}  // namespace

TDecodeScope::TDecodeScope(const TStopFlag* flag) : outer_(currentStop), outerInside_(insideScope) {
  static const TStopFlag never{false};
  currentStop = flag ? flag : &never;
  insideScope = true;
}

TDecodeScope::~TDecodeScope() {
  currentStop = outer_;
  insideScope = outerInside_;
}

const TStopFlag* CurrentStop() { return insideScope ? currentStop : nullptr; }

bool Stopped() {
  const TStopFlag* flag = CurrentStop();
  return flag && flag->load(std::memory_order_relaxed);
}

void StopPoint() {
  if (Stopped()) throw EPictureDeferred(QStringLiteral("Decoding stopped"));
}

TDecoded Decode(const QByteArray& data, TPictureBudget& budget, QSize scaledTo) {
  StopPoint();
  if (WmfPicture::IsWmf(data)) {
    ++Counters().decodes;
    WmfPicture::TWork work;
    work.stop = CurrentStop();
    TDecoded decoded = WmfPicture::Render(data, budget, scaledTo, &work);
    StopPoint();  // what was drawn before the stop is not a picture
    return decoded;
  }
  const QByteArray format = FormatOf(data);
  if (format.isEmpty()) throw Exception(QString::fromLatin1(kInvalidFormatText));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoTransform(false);
  const qint64 room = budget.Limit() - budget.Used();
  if (room <= 0) budget.Charge(1);  // refused
  StopPoint();
  const QSize size = reader.size();
  if (scaledTo.isValid()) scaledTo = scaledTo.expandedTo(QSize(1, 1));
  if (scaledTo.isValid() && size.isValid() && scaledTo.width() >= size.width() && scaledTo.height() >= size.height())
    scaledTo = QSize();  // pictures are only ever made smaller
  // A codec that scales while it decodes (JPEG) decodes at the nearest
  // eighth of the picture's size that is not below the asked size, and
  // scales the rest of the way; any other decodes the whole picture first,
  // and it is scaled afterwards, band by band.
  const bool scalesItself = scaledTo.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize);
  TDecoded decoded;
  if (size.isValid()) {
    const qint64 scaled = scaledTo.isValid() ? qint64(scaledTo.width()) * scaledTo.height() * 4 : 0;
    qint64 first = qint64(size.width()) * size.height() * 4;
    if (scalesItself) {
      const int ratio = std::clamp(qMin(size.width() / scaledTo.width(), size.height() / scaledTo.height()), 1, 8);
      const qint64 eighths = (8 + ratio - 1) / ratio;
      first = ((size.width() * eighths + 7) / 8) * ((size.height() * eighths + 7) / 8) * 4;
    }
    decoded.charge = budget.Charge(first + scaled);
  }
  if (scalesItself) reader.setScaledSize(scaledTo);
  ++Counters().decodes;
  // The reader's own limit, in whole megabytes, guards the decoders that
  // report no size beforehand; the charge above those that do.
  const bool read = ReadWithLimit(reader, &decoded.image, room >> 20);
  if (!read) {
    throw Exception(QString::fromLatin1(reader.error() == QImageReader::InvalidDataError ||
                                                reader.error() == QImageReader::UnsupportedFormatError
                                            ? kInvalidFormatText
                                            : kNoImageText));
  }
  if (decoded.image.isNull()) throw Exception(QString::fromLatin1(kNoImageText));
  StopPoint();
  if (scaledTo.isValid() && decoded.image.size() != scaledTo) {
    if (!size.isValid()) {
      decoded.charge.reset();
      decoded.charge = budget.Charge(decoded.image.sizeInBytes() + qint64(scaledTo.width()) * scaledTo.height() * 4);
    }
    decoded.image = ScaleDown(decoded.image, scaledTo);
  }
  // What is kept is charged at its size.
  decoded.charge.reset();
  decoded.charge = budget.Charge(decoded.image.sizeInBytes());
  return decoded;
}

QImage ScaleDown(const QImage& image, QSize size) {
  const int w = image.width(), h = image.height();
  const int tw = qMax(1, size.width()), th = qMax(1, size.height());
  if (tw == w && th == h) return image;
  if (tw > w || th > h) return image.scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  QImage out(tw, th, format);
  if (out.isNull()) throw Exception(QString::fromLatin1(kNoMemoryText));
  // Each band of rows of the picture becomes whole rows of the result, so
  // that no seam shows; only a band is ever converted at a time.
  constexpr qint64 kBandBytes = qint64{4} << 20;
  const qint64 bandRows = qMax<qint64>(1, kBandBytes / (qint64(w) * 4));
  const int step = static_cast<int>(qBound<qint64>(1, bandRows * th / h, qint64{th}));
  for (int ty = 0; ty < th; ty += step) {
    const int ty1 = qMin(th, ty + step);
    const int sy0 = static_cast<int>(qint64(ty) * h / th);
    const int sy1 = static_cast<int>(qint64(ty1) * h / th);
    const QImage band = image.copy(0, sy0, w, qMax(1, sy1 - sy0))
                            .scaled(tw, ty1 - ty, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(format);
    for (int y = 0; y < band.height(); ++y)
      std::memcpy(out.scanLine(ty + y), band.constScanLine(y), static_cast<std::size_t>(out.bytesPerLine()));
  }
  return out;
}

int DecodeCount() { return Counters().decodes; }

QImage Decode(const QByteArray& data, QSize scaledTo, qint64 limit) {
  const std::shared_ptr<TPictureBudget> budget = TPictureBudget::Create(limit);
  return Decode(data, *budget, scaledTo).image;
}

}  // namespace PictureDecoder
