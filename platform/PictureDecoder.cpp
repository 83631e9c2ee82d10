#include "platform/PictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

#include "platform/Exceptions.h"

namespace PictureDecoder {
namespace {

int Word(const QByteArray& d, qsizetype p) {
  return static_cast<unsigned char>(d[p]) | (static_cast<unsigned char>(d[p + 1]) << 8);
}

int Byte(const QByteArray& d, qsizetype p) { return static_cast<unsigned char>(d[p]); }

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
  const QByteArray format = FormatOf(data);
  if (format.isEmpty()) return {};
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  return reader.size();
}

std::shared_ptr<TPictureBudget> TPictureBudget::Create(qint64 limit) {
  return std::shared_ptr<TPictureBudget>(new TPictureBudget(limit));
}

TCharge TPictureBudget::Charge(qint64 bytes) {
  if (!Fits(bytes)) {
    ++refusals_;
    throw Exception(QString::fromLatin1(kNoMemoryText));
  }
  used_ += bytes;
  peak_ = qMax(peak_, used_);
  // The charge points at the budget it keeps alive and gives the bytes back.
  return TCharge(this, [self = shared_from_this(), bytes](const void*) { self->used_ -= bytes; });
}

TDecoded Decode(const QByteArray& data, TPictureBudget& budget, QSize scaledTo) {
  const QByteArray format = FormatOf(data);
  if (format.isEmpty()) throw Exception(QString::fromLatin1(kInvalidFormatText));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoTransform(false);
  const qint64 room = budget.Limit() - budget.Used();
  if (room <= 0) budget.Charge(1);  // refused
  // The reader's own limit, in whole megabytes, guards the decoders that
  // report no size beforehand; the charge below those that do.
  QImageReader::setAllocationLimit(static_cast<int>(qBound<qint64>(qint64{1}, room >> 20, qint64{1} << 30)));
  const QSize size = reader.size();
  const QSize target = scaledTo.isValid() ? scaledTo : size;
  TDecoded decoded;
  if (target.isValid()) decoded.charge = budget.Charge(qint64(target.width()) * target.height() * 4);
  if (scaledTo.isValid()) reader.setScaledSize(scaledTo);
  if (!reader.read(&decoded.image)) {
    throw Exception(QString::fromLatin1(reader.error() == QImageReader::InvalidDataError ||
                                                reader.error() == QImageReader::UnsupportedFormatError
                                            ? kInvalidFormatText
                                            : kNoImageText));
  }
  if (decoded.image.isNull()) throw Exception(QString::fromLatin1(kNoImageText));
  if (!target.isValid() || decoded.image.sizeInBytes() > qint64(target.width()) * target.height() * 4) {
    decoded.charge.reset();
    decoded.charge = budget.Charge(decoded.image.sizeInBytes());
  }
  return decoded;
}

QImage Decode(const QByteArray& data, QSize scaledTo, qint64 limit) {
  const std::shared_ptr<TPictureBudget> budget = TPictureBudget::Create(limit);
  return Decode(data, *budget, scaledTo).image;
}

}  // namespace PictureDecoder
