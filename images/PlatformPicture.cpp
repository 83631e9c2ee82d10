#include "images/PlatformPicture.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <cmath>
#include <mutex>

#include "images/pngcodec.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"

namespace {

// What drawing a large PNG picture needs beside its result: the bands it is
// drawn in. Bands are made smaller, down to the least, when the decoded rows
// leave little room beside them.
constexpr qint64 kBandBytes = kPngBandBytes;
constexpr qint64 kDrawingRoom = 4 * kBandBytes;
constexpr qint64 kLeastBandBytes = qint64{256} << 10;

// Decoded frames kept per picture before the oldest are dropped.
constexpr qint64 kFrameCacheBytes = qint64{64} << 20;

int MulDiv(int a, int b, int c) { return static_cast<int>((qint64(a) * b + c / 2) / c); }

// Pixels to HIMETRIC units at the loader's 96 dots per inch.
int Himetric(int pixels) { return MulDiv(pixels, 2540, 96); }

// What the PNG codec holds for the picture of `data`, read from its header
// and charged to `budget`; nothing for data whose header cannot be read (the
// codec reports those).
PictureDecoder::TCharge ChargePngRows(const QByteArray& data, PictureDecoder::TPictureBudget& budget) {
  // Signature, then the header chunk: length, "IHDR", width, height, bit
  // depth, colour type.
  if (data.size() < 33 || data.mid(12, 4) != "IHDR") return {};
  auto be32 = [&](qsizetype p) {
    return (std::uint32_t(std::uint8_t(data[p])) << 24) | (std::uint32_t(std::uint8_t(data[p + 1])) << 16) |
           (std::uint32_t(std::uint8_t(data[p + 2])) << 8) | std::uint32_t(std::uint8_t(data[p + 3]));
  };
  const std::uint32_t w = be32(16), h = be32(20);
  const auto depth = static_cast<std::uint8_t>(data[24]), type = static_cast<std::uint8_t>(data[25]);
  const int bits = TChunkIHDR::BitmapBitCount(type, depth);
  if (bits == 0 || w == 0 || h == 0) return {};
  // An alpha plane comes with colour types 4 and 6, and with a transparent
  // colour (a tRNS chunk before the image data) on grey and RGB pictures.
  bool alpha = type == 4 || type == 6;
  for (qsizetype p = 33; !alpha && (type == 0 || type == 2) && p + 8 <= data.size();) {
    const QByteArray name = data.mid(p + 4, 4);
    if (name == "IDAT") break;
    alpha = name == "tRNS";
    p += 12 + qint64(be32(p));
  }
  const std::uint64_t bytes = TDibSection::RowStride(bits, w) * h + (alpha ? std::uint64_t{w} * h : 0);
  return budget.Charge(bytes > std::uint64_t(budget.Limit()) ? budget.Limit() + 1 : qint64(bytes));
}

}  // namespace

void TPlatformPicture::NewStore(const QByteArray& data) {
  store_ = std::make_shared<TStore>();
  store_->data = data;
  store_->index = PictureDecoder::IndexGif(data);
}

void TPlatformPicture::Clear() {
  NewStore({});
  empty_ = true;
  image_ = {};
  frameRect_ = QRect();
  screen_ = QSize();
  ownSize_ = QSize();
  Changed();
}

void TPlatformPicture::Assign(const TGraphic& source) {
  const auto* other = dynamic_cast<const TPlatformPicture*>(&source);
  if (!other) {
    TGraphic::Assign(source);
    return;
  }
  if (other == this) return;
  if (other->empty_) {
    Clear();
    return;
  }
  // The same file: what is decoded of it is shared, with its budget.
  store_ = other->store_;
  empty_ = false;
  frame_ = other->frame_;
  disposal_ = other->disposal_;
  frameRect_ = other->frameRect_;
  screen_ = other->screen_;
  ownSize_ = other->ownSize_;
  image_ = other->image_;
  if (image_.image.isNull() && !store_->data.isEmpty()) LoadPicture();
  Changed();
}

void TPlatformPicture::AssignBitmap(const QImage& bitmap) {
  NewStore({});
  frameRect_ = QRect();
  screen_ = QSize();
  ownSize_ = QSize();
  image_ = {};
  empty_ = bitmap.isNull();
  frame_ = 1;
  if (!bitmap.isNull()) {
    image_.charge = store_->budget->Charge(bitmap.sizeInBytes());
    image_.image = bitmap;
  }
  Changed();
}

void TPlatformPicture::LoadPng(const QByteArray& data) {
  // What was shown goes before the new picture is decoded.
  NewStore({});
  frameRect_ = QRect();
  screen_ = QSize();
  ownSize_ = QSize();
  image_ = {};
  empty_ = true;
  frame_ = 1;
  PictureDecoder::TPictureBudget& budget = *store_->budget;
  try {
    TPngGraphic png;
    const PictureDecoder::TCharge rows = DecodePng(data, png, budget);
    const QSize own(png.GetWidth(), png.GetHeight());
    QSize size = own;
    qint64 band = kBandBytes;
    const qint64 whole = qint64(own.width()) * own.height() * 4;
    if (!budget.Fits(whole + kDrawingRoom)) {
      // The largest copy that fits beside the decoded rows and the two bands
      // it is drawn in, at most the size of a picture drawn whole. Rows that
      // fill nearly the whole budget (a large picture with transparency)
      // leave room for a smaller copy drawn in smaller bands.
      const qint64 left = budget.Limit() - budget.Used();
      qint64 room = qMin<qint64>(left - kDrawingRoom, kPngDrawWholeLimit);
      if (room < kDrawingRoom) {
        band = qBound(kLeastBandBytes, left / 8, kBandBytes);
        room = left - 2 * band;
      }
      if (room <= 0) budget.Charge(whole);  // refused
      const double shrink = std::sqrt(double(room) / double(whole));
      size = QSize(qMax(1, static_cast<int>(own.width() * shrink)), qMax(1, static_cast<int>(own.height() * shrink)));
    }
    image_ = PngBitmap(png, size, budget, band);
    if (size != own) ownSize_ = own;
  } catch (...) {
    Changed();  // the picture shown before is gone
    throw;
  }
  empty_ = false;
  Changed();
}

void TPlatformPicture::LoadFromStream(QIODevice& stream) { LoadFromBytes(stream.readAll()); }

void TPlatformPicture::LoadFromFile(const QString& fileName) { LoadFromBytes(ReadPictureFile(fileName)); }

void TPlatformPicture::LoadFromBytes(const QByteArray& data) {
  NewStore(data);
  image_ = {};
  ownSize_ = QSize();
  empty_ = false;
  frame_ = 1;
  LoadPicture();
  Changed();
}

void TPlatformPicture::SaveToStream(QIODevice& stream) {
  if (stream.write(store_->data) != store_->data.size()) throw EWriteError(stream.errorString());
}

void TPlatformPicture::LoadPicture() {
  frameRect_ = QRect();
  screen_ = QSize();
  image_ = {};  // the frame shown so far goes before the next is decoded
  TStore& store = *store_;
  PictureDecoder::TPictureBudget& budget = *store.budget;
  const PictureDecoder::TGifIndex& index = store.index;
  if (!index.isGif || index.frames.empty()) {
    ++store.decodes;
    image_ = PictureDecoder::Decode(store.data, budget);
    return;
  }
  screen_ = index.screen;
  const int n = qMax(1, frame_);
  if (n > static_cast<int>(index.frames.size()))
    throw Exception(QString::fromLatin1(PictureDecoder::kInvalidFormatText));
  const PictureDecoder::TGifFrame& f = index.images[static_cast<std::size_t>(index.frames[n - 1])];
  frameRect_ = f.rect;
  const auto cached = store.frames.find(n);
  if (cached != store.frames.end()) {
    image_ = cached->second;
    return;
  }
  // The frame is decoded and then converted: both are held for a moment.
  const qint64 bytes = qint64(f.rect.width()) * f.rect.height() * 4;
  if (!budget.Fits(2 * bytes) && !store.frames.empty()) {
    store.frames.clear();  // kept frames give way to the one asked for
    store.cachedBytes = 0;
  }
  if (!budget.Fits(2 * bytes)) budget.Charge(2 * bytes);  // refused before anything is taken
  PictureDecoder::TCharge converted = budget.Charge(bytes);
  ++store.decodes;
  PictureDecoder::TDecoded decoded =
      PictureDecoder::Decode(PictureDecoder::SingleImageGif(store.data, index, f), budget);
  if (decoded.image.format() != QImage::Format_ARGB32_Premultiplied) {
    image_.image = decoded.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image_.charge = std::move(converted);
  } else {
    image_ = std::move(decoded);
  }
  decoded = {};
  if (store.cachedBytes + bytes > kFrameCacheBytes) {
    store.frames.clear();
    store.cachedBytes = 0;
  }
  store.frames[n] = image_;
  store.cachedBytes += bytes;
}

void TPlatformPicture::SetFrame(int n) {
  frame_ = n;
  if (store_->data.isEmpty()) return;
  // A picture without frames is the same at every frame: what is decoded of
  // it stays.
  const bool framed = store_->index.isGif && !store_->index.frames.empty();
  if (framed || image_.image.isNull()) LoadPicture();
  if (OnFrameChange) OnFrameChange();
}

int TPlatformPicture::FrameCount() const {
  if (!store_->index.isGif) return -1;
  return static_cast<int>(store_->index.frames.size());
}

int TPlatformPicture::FrameDelay(int n) {
  const PictureDecoder::TGifIndex& index = store_->index;
  if (!index.isGif || n < 1 || n > static_cast<int>(index.frames.size())) return -1;
  const PictureDecoder::TGifFrame& f = index.images[static_cast<std::size_t>(index.frames[n - 1])];
  disposal_ = f.disposal;
  return f.delay;
}

bool TPlatformPicture::RestoresPrevious() const {
  const PictureDecoder::TGifIndex& index = store_->index;
  for (int i : index.frames)
    if (index.images[static_cast<std::size_t>(i)].disposal == 3) return true;
  return false;
}

int TPlatformPicture::GetWidth() const {
  if (image_.image.isNull()) return 0;
  return MulDiv(Himetric(ownSize_.isValid() ? ownSize_.width() : image_.image.width()), LogPixelsX, 2540);
}

int TPlatformPicture::GetHeight() const {
  if (image_.image.isNull()) return 0;
  return MulDiv(Himetric(ownSize_.isValid() ? ownSize_.height() : image_.image.height()), LogPixelsY, 2540);
}

int TPlatformPicture::ScreenWidth() const {
  if (image_.image.isNull()) return 0;
  return screen_.width() > 0 ? screen_.width() : GetWidth();
}

int TPlatformPicture::ScreenHeight() const {
  if (image_.image.isNull()) return 0;
  return screen_.height() > 0 ? screen_.height() : GetHeight();
}

void TPlatformPicture::Draw(QPainter& canvas, const QRect& rect) {
  if (empty_ || image_.image.isNull() || rect.isEmpty()) return;
  canvas.save();
  canvas.setRenderHint(QPainter::SmoothPixmapTransform);
  if (frameRect_.isNull() || screen_.isEmpty()) {
    canvas.drawImage(rect, image_.image);
  } else {
    // The frame at its place on the logical screen, scaled with it.
    const double sx = double(rect.width()) / screen_.width();
    const double sy = double(rect.height()) / screen_.height();
    canvas.drawImage(QRectF(rect.x() + frameRect_.x() * sx, rect.y() + frameRect_.y() * sy, image_.image.width() * sx,
                            image_.image.height() * sy),
                     image_.image);
  }
  canvas.restore();
}

QByteArray ReadPictureFile(const QString& fileName) {
  QFile file;
  QString error;
  switch (OpenRegularFile(fileName, file, &error)) {
    case TRegularOpen::Opened:
      break;
    case TRegularOpen::NotRegular:
      throw EFOpenError(fileName, QStringLiteral("Not a regular file"));
    case TRegularOpen::Failed:
      throw EFOpenError(fileName, error);
  }
  QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) throw EReadError(file.errorString());
  return data;
}

void LoadPictureFile(TPlatformPicture& picture, const QString& fileName) {
  const QString known = PictureFailures::Known(fileName);
  if (!known.isEmpty()) {
    picture.Clear();
    throw Exception(known);
  }
  if (QFileInfo(fileName).suffix().toLower() == u"png") {
    const QByteArray data = ReadPictureFile(fileName);
    DecodePictureFile(fileName, [&] { picture.LoadPng(data); });
  } else {
    const QByteArray data = ReadPictureFile(fileName);
    DecodePictureFile(fileName, [&] { picture.LoadFromBytes(data); });
  }
}

PictureDecoder::TCharge DecodePng(const QByteArray& data, TPngGraphic& png, PictureDecoder::TPictureBudget& budget) {
  PictureDecoder::TCharge rows = ChargePngRows(data, budget);
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  png.LoadFromStream(buffer);
  return rows;
}

PictureDecoder::TDecoded PngBitmap(TPngGraphic& png, QSize size, PictureDecoder::TPictureBudget& budget,
                                   qint64 bandBytes) {
  const QSize own(png.GetWidth(), png.GetHeight());
  PictureDecoder::TDecoded out;
  if (own.isEmpty()) return out;
  size = size.boundedTo(own).expandedTo(QSize(1, 1));
  const qint64 whole = qint64(own.width()) * own.height() * 4;
  const qint64 shown = qint64(size.width()) * size.height() * 4;
  if (whole <= qMin<qint64>(kPngDrawWholeLimit, qint64(PngMaxImageMemory()))) {
    // Small enough to convert whole (the codec draws it so too); a smaller
    // copy is scaled from it.
    const PictureDecoder::TCharge converted = budget.Charge(whole + (size != own ? whole + shown : 0));
    const QImage bitmap = png.ToBitmap();
    out.image = size == own ? bitmap : bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

  } else {
    // Drawn from the decoded rows, a band of the result at a time; for a
    // result much smaller than the picture, at up to four times its size
    // first and then scaled smoothly, so that every pixel averages several.
    QSize drawn = size;
    if (size.width() * 4 <= own.width() && size.height() * 4 <= own.height()) {
      const QSize four = size * 4;
      if (budget.Fits(qint64(four.width()) * four.height() * 4 + 2 * shown + 2 * bandBytes)) drawn = four;
    }
    const qint64 drawnBytes = qint64(drawn.width()) * drawn.height() * 4;
    const PictureDecoder::TCharge charge = budget.Charge(drawnBytes + 2 * bandBytes + (drawn != size ? 2 * shown : 0));
    QImage image(drawn, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) throw Exception(QString::fromLatin1(PictureDecoder::kNoMemoryText));
    image.fill(Qt::transparent);
    const int bandRows = static_cast<int>(qMax<qint64>(1, bandBytes / (qint64(drawn.width()) * 4)));
    QPainter painter(&image);
    for (int y = 0; y < drawn.height(); y += bandRows) {
      painter.save();
      painter.setClipRect(QRect(0, y, drawn.width(), bandRows));
      painter.scale(double(drawn.width()) / own.width(), double(drawn.height()) / own.height());
      png.Draw(painter, QRect(QPoint(0, 0), own));
      painter.restore();
    }
    painter.end();
    out.image = drawn == size ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  // Only what is kept stays charged.
  return {out.image, budget.Charge(out.image.sizeInBytes())};
}

namespace PictureFailures {
namespace {

struct TFailure {
  qint64 size = 0;
  QDateTime changed;
  QString message;
};

// Failures kept at most; the oldest go first.
constexpr int kKept = 1000;

// Pictures are decoded on the thumbnail lists' threads too.
struct TKept {
  std::mutex mutex;
  QHash<QString, TFailure> byPath;
  QStringList order;
};

TKept& Kept() {
  static TKept kept;
  return kept;
}

}  // namespace

QString Known(const QString& fileName) {
  const QFileInfo info(fileName);
  const QString path = info.absoluteFilePath();
  const bool exists = info.exists();
  const qint64 size = info.size();
  const QDateTime changed = info.lastModified();
  TKept& kept = Kept();
  const std::lock_guard lock(kept.mutex);
  const auto found = kept.byPath.constFind(path);
  if (found == kept.byPath.constEnd() || !exists || found->size != size || found->changed != changed) return {};
  return found->message;
}

void Remember(const QString& fileName, const QString& message) {
  const QFileInfo info(fileName);
  const QString path = info.absoluteFilePath();
  const TFailure failure{info.size(), info.lastModified(), message};
  TKept& kept = Kept();
  const std::lock_guard lock(kept.mutex);
  if (!kept.byPath.contains(path)) {
    if (kept.order.size() >= kKept) kept.byPath.remove(kept.order.takeFirst());
    kept.order << path;
  }
  kept.byPath.insert(path, failure);
}

void Clear() {
  TKept& kept = Kept();
  const std::lock_guard lock(kept.mutex);
  kept.byPath.clear();
  kept.order.clear();
}

}  // namespace PictureFailures

void DecodePictureFile(const QString& fileName, const std::function<void()>& decode) {
  const QString known = PictureFailures::Known(fileName);
  if (!known.isEmpty()) throw Exception(known);
  try {
    for (;;) {
      try {
        decode();
        return;
      } catch (const PictureDecoder::EPictureGaveWay& e) {
        // It gave its memory back to another decode: it starts again once
        // what it needs fits (deferred when that takes too long).
        PictureDecoder::TPictureBudget::Program().WaitForRoom(e.Needed());
      }
    }
  } catch (const EStreamError&) {
    throw;  // the file could not be read: it may be readable next time
  } catch (const PictureDecoder::EPictureDeferred&) {
    throw;  // no room for it now, or no longer wanted: it may do next time
  } catch (const Exception& e) {
    PictureFailures::Remember(fileName, e.Message());
    throw;
  }
}

QSize FitSize(QSize picture, QSize box) {
  const int w = qMax(1, box.width()), h = qMax(1, box.height());
  const double rw = double(picture.width()) / w, rh = double(picture.height()) / h;
  if (rw <= 1 && rh <= 1) return picture;
  // A picture far narrower (or flatter) than the box keeps one pixel.
  if (rw <= rh) return QSize(qMax(1, static_cast<int>(std::lround(picture.width() / rh))), h);
  return QSize(w, qMax(1, static_cast<int>(std::lround(picture.height() / rw))));
}
