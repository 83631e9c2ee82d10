#include "images/PlatformPicture.h"

#include "images/pngcodec.h"
#include "platform/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

namespace {

// Decoded frames kept per picture before the oldest are dropped.
constexpr qint64 kFrameCacheBytes = qint64{64} << 20;

int MulDiv(int a, int b, int c) { return static_cast<int>((qint64(a) * b + c / 2) / c); }

// Pixels to HIMETRIC units at the loader's 96 dots per inch.
int Himetric(int pixels) { return MulDiv(pixels, 2540, 96); }

}  // namespace

void TPlatformPicture::Clear() {
  data_.clear();
  empty_ = true;
  image_ = QImage();
  index_ = {};
  frames_.clear();
  cachedBytes_ = 0;
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
  if (other->data_.isEmpty()) {
    AssignBitmap(other->image_);
    return;
  }
  data_ = other->data_;
  index_ = PictureDecoder::IndexGif(data_);
  frames_.clear();
  cachedBytes_ = 0;
  empty_ = false;
  frame_ = other->frame_;
  LoadPicture();
  Changed();
}

void TPlatformPicture::AssignBitmap(const QImage& bitmap) {
  data_.clear();
  index_ = {};
  frames_.clear();
  cachedBytes_ = 0;
  frameRect_ = QRect();
  screen_ = QSize();
  image_ = bitmap;
  empty_ = bitmap.isNull();
  frame_ = 1;
  Changed();
}

void TPlatformPicture::LoadFromStream(QIODevice& stream) { LoadFromBytes(stream.readAll()); }

void TPlatformPicture::LoadFromBytes(const QByteArray& data) {
  data_ = data;
  index_ = PictureDecoder::IndexGif(data_);
  frames_.clear();
  cachedBytes_ = 0;
  empty_ = false;
  frame_ = 1;
  LoadPicture();
  Changed();
}

void TPlatformPicture::SaveToStream(QIODevice& stream) {
  if (stream.write(data_) != data_.size()) throw EWriteError(stream.errorString());
}

void TPlatformPicture::LoadPicture() {
  frameRect_ = QRect();
  screen_ = QSize();
  image_ = QImage();
  if (!index_.isGif || index_.frames.empty()) {
    ++decodes_;
    image_ = PictureDecoder::Decode(data_);
    return;
  }
  screen_ = index_.screen;
  const int n = qMax(1, frame_);
  if (n > static_cast<int>(index_.frames.size()))
    throw Exception(QString::fromLatin1(PictureDecoder::kInvalidFormatText));
  const PictureDecoder::TGifFrame& f = index_.images[static_cast<std::size_t>(index_.frames[n - 1])];
  frameRect_ = f.rect;
  const auto cached = frames_.find(n);
  if (cached != frames_.end()) {
    image_ = cached->second;
    return;
  }
  ++decodes_;
  image_ = PictureDecoder::Decode(PictureDecoder::SingleImageGif(data_, index_, f));
  if (image_.format() != QImage::Format_ARGB32_Premultiplied)
    image_ = image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const qint64 bytes = image_.sizeInBytes();
  if (cachedBytes_ + bytes > kFrameCacheBytes) {
    frames_.clear();
    cachedBytes_ = 0;
  }
  frames_[n] = image_;
  cachedBytes_ += bytes;
}

void TPlatformPicture::SetFrame(int n) {
  frame_ = n;
  if (data_.isEmpty()) return;
  LoadPicture();
  if (OnFrameChange) OnFrameChange();
}

int TPlatformPicture::FrameCount() const {
  if (!index_.isGif) return -1;
  return static_cast<int>(index_.frames.size());
}

int TPlatformPicture::FrameDelay(int n) {
  if (!index_.isGif || n < 1 || n > static_cast<int>(index_.frames.size())) return -1;
  const PictureDecoder::TGifFrame& f = index_.images[static_cast<std::size_t>(index_.frames[n - 1])];
  disposal_ = f.disposal;
  return f.delay;
}

int TPlatformPicture::GetWidth() const {
  return image_.isNull() ? 0 : MulDiv(Himetric(image_.width()), LogPixelsX, 2540);
}

int TPlatformPicture::GetHeight() const {
  return image_.isNull() ? 0 : MulDiv(Himetric(image_.height()), LogPixelsY, 2540);
}

int TPlatformPicture::ScreenWidth() const {
  if (image_.isNull()) return 0;
  return screen_.width() > 0 ? screen_.width() : GetWidth();
}

int TPlatformPicture::ScreenHeight() const {
  if (image_.isNull()) return 0;
  return screen_.height() > 0 ? screen_.height() : GetHeight();
}

void TPlatformPicture::Draw(QPainter& canvas, const QRect& rect) {
  if (empty_ || image_.isNull() || rect.isEmpty()) return;
  canvas.save();
  canvas.setRenderHint(QPainter::SmoothPixmapTransform);
  if (frameRect_.isNull() || screen_.isEmpty()) {
    canvas.drawImage(rect, image_);
  } else {
    // The frame at its place on the logical screen, scaled with it.
    const double sx = double(rect.width()) / screen_.width();
    const double sy = double(rect.height()) / screen_.height();
    canvas.drawImage(QRectF(rect.x() + frameRect_.x() * sx, rect.y() + frameRect_.y() * sy,
                            image_.width() * sx, image_.height() * sy),
                     image_);
  }
  canvas.restore();
}

void LoadPictureFile(TPlatformPicture& picture, const QString& fileName) {
  if (QFileInfo(fileName).suffix().toLower() == u"png") {
    TPngGraphic png;
    png.LoadFromFile(fileName);
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
