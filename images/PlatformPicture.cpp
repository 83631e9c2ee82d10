#include "images/PlatformPicture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

#include "images/pngcodec.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"

namespace {

// Decoded frames kept per picture before the oldest are dropped.
constexpr qint64 kFrameCacheBytes = qint64{64} << 20;

int MulDiv(int a, int b, int c) { return static_cast<int>((qint64(a) * b + c / 2) / c); }

// Pixels to HIMETRIC units at the loader's 96 dots per inch.
int Himetric(int pixels) { return MulDiv(pixels, 2540, 96); }

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
  image_ = other->image_;
  if (image_.image.isNull() && !store_->data.isEmpty()) LoadPicture();
  Changed();
}

void TPlatformPicture::AssignBitmap(const QImage& bitmap) {
  NewStore({});
  frameRect_ = QRect();
  screen_ = QSize();
  image_ = {};
  empty_ = bitmap.isNull();
  frame_ = 1;
  if (!bitmap.isNull()) {
    image_.charge = store_->budget->Charge(bitmap.sizeInBytes());
    image_.image = bitmap;
  }
  Changed();
}

void TPlatformPicture::LoadFromStream(QIODevice& stream) { LoadFromBytes(stream.readAll()); }

void TPlatformPicture::LoadFromFile(const QString& fileName) { LoadFromBytes(ReadPictureFile(fileName)); }

void TPlatformPicture::LoadFromBytes(const QByteArray& data) {
  NewStore(data);
  image_ = {};
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
  LoadPicture();
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
  return image_.image.isNull() ? 0 : MulDiv(Himetric(image_.image.width()), LogPixelsX, 2540);
}

int TPlatformPicture::GetHeight() const {
  return image_.image.isNull() ? 0 : MulDiv(Himetric(image_.image.height()), LogPixelsY, 2540);
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
  if (QFileInfo(fileName).suffix().toLower() == u"png") {
    QByteArray data = ReadPictureFile(fileName);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TPngGraphic png;
    png.LoadFromStream(buffer);
    picture.AssignBitmap(png.ToBitmap());
  } else {
    picture.LoadFromFile(fileName);
  }
}

QSize FitSize(QSize picture, QSize box) {
  const int w = qMax(1, box.width()), h = qMax(1, box.height());
  const double rw = double(picture.width()) / w, rh = double(picture.height()) / h;
  if (rw <= 1 && rh <= 1) return picture;
  if (rw <= rh) return QSize(static_cast<int>(std::lround(picture.width() / rh)), h);
  return QSize(w, static_cast<int>(std::lround(picture.height() / rw)));
}
