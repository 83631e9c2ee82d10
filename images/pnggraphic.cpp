// TPngGraphic: the PNG picture object, its conversions, drawing and pixel
// access. Samples are kept as they are in the file; the gamma table applies
// on the way out (drawing, conversion, GetPixels) and its inverse on the way
// in (SetPixels).
#include <QMimeData>
#include <QPainter>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "images/pngcodec.h"
#include "images/pngio.h"
#include "images/pngmessages.h"

using namespace pngmessages;

namespace {

constexpr TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

unsigned IndexAt(const TDibSection& dib, std::uint32_t x, std::uint32_t y) {
  return pngio::GetSample(dib.Scanline(y), x, dib.BitCount());
}

void SetIndexAt(TDibSection& dib, std::uint32_t x, std::uint32_t y, unsigned v) {
  pngio::SetSample(dib.Scanline(y), x, dib.BitCount(), v);
}

}  // namespace

TPngGraphic::TPngGraphic() { ResetGamma(); }

TPngGraphic::~TPngGraphic() { ClearChunks(); }

void TPngGraphic::ResetGamma() {
  for (int i = 0; i < 256; ++i) GammaTable[i] = InverseTable[i] = static_cast<std::uint8_t>(i);
}

void TPngGraphic::ClearChunks() {
  ResetGamma();
  chunks_.Clear();
}

bool TPngGraphic::HeaderPresent() const {
  const auto* header = dynamic_cast<const TChunkIHDR*>(chunks_.Item(0));
  return header && !header->ImageData.IsNull();
}

TChunkIHDR& TPngGraphic::Header() const {
  if (!HeaderPresent()) RaiseError<EPNGHeaderNotPresent>(EPNGHeaderNotPresentText);
  return *static_cast<TChunkIHDR*>(chunks_.Item(0));
}

void TPngGraphic::GetPixelInfo(std::size_t& rowBytes, int& offset) const {
  if (!HeaderPresent()) {
    rowBytes = 0;
    offset = 0;
    return;
  }
  const TChunkIHDR& h = Header();
  rowBytes = PngRowBytes(h.ColorType, h.BitDepth, h.Width);
  offset = PngPixelOffset(h.ColorType, h.BitDepth);
}

std::uint8_t* TPngGraphic::Scanline(int row) { return Header().ImageData.Scanline(static_cast<std::uint32_t>(row)); }

int TPngGraphic::GetWidth() const { return HeaderPresent() ? static_cast<int>(Header().Width) : 0; }
int TPngGraphic::GetHeight() const { return HeaderPresent() ? static_cast<int>(Header().Height) : 0; }
void TPngGraphic::SetWidth(int) { RaiseError<EPngError>(EPNGCannotChangeSizeText); }
void TPngGraphic::SetHeight(int) { RaiseError<EPngError>(EPNGCannotChangeSizeText); }

void TPngGraphic::SetMaxIdatSize(std::uint64_t value) {
  maxIdatSize_ = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(value, 65535, 0x7FFFFFFF));
}

int TPngGraphic::TransparencyMode() const {
  if (!HeaderPresent()) return 0;
  const TChunktRNS* trns = chunks_.ItemFromClass<TChunktRNS>();
  switch (Header().ColorType) {
    case 0:
    case 2:
      return trns ? 1 : 0;
    case 3:
      if (!trns) return 0;
      return trns->BitTransparency ? 1 : 2;
    case 4:
    case 6:
      return 2;
    default:
      return 0;
  }
}

TColor TPngGraphic::TransparentColor() const {
  const TChunktRNS* trns = chunks_.ItemFromClass<TChunktRNS>();
  return trns && HeaderPresent() ? trns->TransparentColor() : 0;
}

QList<QRgb> TPngGraphic::GetPalette() const {
  QList<QRgb> palette;
  if (!HeaderPresent()) return palette;
  const TChunkIHDR& h = Header();
  if (h.ColorType != 0 && h.ColorType != 3) return palette;
  for (const TRGBQuad& q : h.ImageData.ColorTable())
    palette << qRgb(GammaTable[q.rgbRed], GammaTable[q.rgbGreen], GammaTable[q.rgbBlue]);
  return palette;
}

// ---------------------------------------------------------------- conversion

namespace {

// Raises EPNGOutMemory when an image of `bytes` would exceed the limit.
void CheckImageMemory(const TPngGraphic& png, std::uint64_t bytes) {
  if (bytes > PngMaxImageMemory()) png.RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
}

// The colours of the decoded rows as ARGB, gamma and transparency applied,
// pixel by pixel: the whole conversion and the scaled drawing share it.
class TArgbReader {
 public:
  explicit TArgbReader(const TPngGraphic& png) : h_(png.Header()), dib_(h_.ImageData), gamma_(png.GammaTable) {
    alphaPlane_ = h_.ImageAlpha.empty() ? nullptr : h_.ImageAlpha.data();
    const TChunktRNS* trns = png.Chunks().ItemFromClass<TChunktRNS>();
    const TChunkPLTE* plte = png.Chunks().ItemFromClass<TChunkPLTE>();
    const int paletteCount = plte ? plte->Count : 0;
    // A colour key on an RGB image that was not decoded from a file (one
    // made from a bitmap) is compared with the stored samples.
    if (h_.ColorType == 2 && !alphaPlane_ && trns && trns->DataSize() >= 6) {
      rgbKey_ = true;
      for (int i = 0; i < 3; ++i) key_[i] = (trns->Data()[2 * i] << 8) | trns->Data()[2 * i + 1];
    }
    // Colours of the indices; palette indices without an entry are opaque
    // black.
    for (int i = 0; i < 256; ++i) {
      const TRGBQuad& q = dib_.ColorTable()[i];
      QRgb c = qRgb(gamma_[q.rgbRed], gamma_[q.rgbGreen], gamma_[q.rgbBlue]);
      int a = 255;
      if (h_.ColorType == 3) {
        if (i >= paletteCount)
          c = qRgb(0, 0, 0);
        else if (trns)
          a = trns->AlphaTable[i];
      }
      lut_[i] = (c & 0x00FFFFFF) | (static_cast<QRgb>(a) << 24);
    }
  }

  void SetRow(std::uint32_t y) {
    row_ = dib_.Scanline(y);
    alpha_ = alphaPlane_ ? alphaPlane_ + std::size_t{h_.Width} * y : nullptr;
  }

  QRgb Pixel(std::uint32_t x) const {
    QRgb c;
    switch (dib_.BitCount()) {
      case 24: {
        const std::uint8_t* px = row_ + 3 * std::size_t{x};
        const int a = rgbKey_ && px[2] == key_[0] && px[1] == key_[1] && px[0] == key_[2] ? 0 : 255;
        c = qRgba(gamma_[px[2]], gamma_[px[1]], gamma_[px[0]], a);
        break;
      }
      default:
        c = lut_[pngio::GetSample(row_, x, dib_.BitCount())];
        break;
    }
    return alpha_ ? (c & 0x00FFFFFF) | (static_cast<QRgb>(alpha_[x]) << 24) : c;
  }

 private:
  const TChunkIHDR& h_;
  const TDibSection& dib_;
  const std::array<std::uint8_t, 256>& gamma_;
  const std::uint8_t* alphaPlane_ = nullptr;
  const std::uint8_t* row_ = nullptr;
  const std::uint8_t* alpha_ = nullptr;
  bool rgbKey_ = false;
  int key_[3] = {0, 0, 0};
  QRgb lut_[256];
};

}  // namespace

QImage TPngGraphic::ToArgb() const {
  const TChunkIHDR& h = Header();
  CheckImageMemory(*this, std::uint64_t{h.Width} * h.Height * 4);
  QImage image(static_cast<int>(h.Width), static_cast<int>(h.Height), QImage::Format_ARGB32);
  if (image.isNull()) RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
  TArgbReader reader(*this);
  for (std::uint32_t y = 0; y < h.Height; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
    reader.SetRow(y);
    for (std::uint32_t x = 0; x < h.Width; ++x) out[x] = reader.Pixel(x);
  }
  return image;
}

QImage TPngGraphic::ToBitmap() const {
  if (!HeaderPresent()) return QImage();
  const TChunkIHDR& h = Header();
  if (TransparencyMode() != 0) return ToArgb();
  if (h.ColorType == 0 || h.ColorType == 3) {
    const TDibSection& dib = h.ImageData;
    const bool mono = dib.BitCount() == 1;
    CheckImageMemory(*this, TDibSection::RowStride(mono ? 1 : 8, h.Width) * h.Height);
    QImage image(static_cast<int>(h.Width), static_cast<int>(h.Height),
                 mono ? QImage::Format_Mono : QImage::Format_Indexed8);
    if (image.isNull()) RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
    const TChunkPLTE* plte = chunks_.ItemFromClass<TChunkPLTE>();
    const int count = h.ColorType == 3 ? (plte ? plte->Count : 0) : (1 << dib.BitCount());
    QList<QRgb> colors;
    for (int i = 0; i < (mono ? 2 : 256); ++i) {
      const TRGBQuad& q = dib.ColorTable()[i];
      colors << (i < count ? qRgb(GammaTable[q.rgbRed], GammaTable[q.rgbGreen], GammaTable[q.rgbBlue]) : qRgb(0, 0, 0));
    }
    image.setColorTable(colors);
    for (std::uint32_t y = 0; y < h.Height; ++y) {
      uchar* out = image.scanLine(static_cast<int>(y));
      if (mono || dib.BitCount() == 8) {
        std::memcpy(out, dib.Scanline(y), static_cast<std::size_t>(image.bytesPerLine()));
      } else {
        for (std::uint32_t x = 0; x < h.Width; ++x) out[x] = static_cast<uchar>(IndexAt(dib, x, y));
      }
    }
    return image;
  }
  return ToArgb().convertToFormat(QImage::Format_RGB32);
}

void TPngGraphic::AssignTo(TGraphic& dest) const {
  if (auto* png = dynamic_cast<TPngGraphic*>(&dest)) {
    png->AssignPNG(*this);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TPngGraphic::Assign(const TGraphic& source) {
  if (const auto* png = dynamic_cast<const TPngGraphic*>(&source)) {
    AssignPNG(*png);
    return;
  }
  TGraphic::Assign(source);
}

void TPngGraphic::AssignPNG(const TPngGraphic& source) {
  if (&source == this) return;
  InterlaceMethod = source.InterlaceMethod;
  SetMaxIdatSize(source.MaxIdatSize());
  CompressionLevel = source.CompressionLevel;
  Filters = source.Filters;
  ClearChunks();
  // The copy shows the same colours: the gamma tables go with the gAMA chunk.
  GammaTable = source.GammaTable;
  InverseTable = source.InverseTable;
  for (int i = 0; i < source.chunks_.Count(); ++i) {
    const TChunk* from = source.chunks_.Item(i);
    TChunk* to = chunks_.Add(from->NewInstance(this));
    to->Assign(*from);
  }
}

void TChunkIHDR::ReadFromBitmap(const QImage& bitmap) {
  QImage source = bitmap;
  int bits;
  switch (source.format()) {
    case QImage::Format_Mono:
      bits = 1;
      break;
    case QImage::Format_MonoLSB:
      source = source.convertToFormat(QImage::Format_Mono);
      bits = 1;
      break;
    case QImage::Format_Indexed8:
      bits = 8;
      break;
    case QImage::Format_Grayscale8: {
      QList<QRgb> grey;
      for (int i = 0; i < 256; ++i) grey << qRgb(i, i, i);
      QImage indexed(source.size(), QImage::Format_Indexed8);
      indexed.setColorTable(grey);
      for (int y = 0; y < source.height(); ++y)
        std::memcpy(indexed.scanLine(y), source.constScanLine(y), static_cast<std::size_t>(source.width()));
      source = indexed;
      bits = 8;
      break;
    }
    default:
      source = source.convertToFormat(QImage::Format_RGB32);
      bits = 24;
      break;
  }
  Width = static_cast<std::uint32_t>(source.width());
  Height = static_cast<std::uint32_t>(std::abs(source.height()));
  if (bits < 16) {
    BitDepth = static_cast<std::uint8_t>(bits);
    ColorType = 3;
  } else {
    BitDepth = 8;
    ColorType = 2;
  }
  CompressionMethod = 0;
  FilterMethod = 0;
  InterlaceMethod = 0;
  PrepareImageData();
  for (std::uint32_t y = 0; y < Height; ++y) {
    const uchar* in = source.constScanLine(static_cast<int>(y));
    std::uint8_t* out = ImageData.Scanline(y);
    if (bits == 24) {
      const auto* px = reinterpret_cast<const QRgb*>(in);
      for (std::uint32_t x = 0; x < Width; ++x) {
        out[3 * x] = static_cast<std::uint8_t>(qBlue(px[x]));
        out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(px[x]));
        out[3 * x + 2] = static_cast<std::uint8_t>(qRed(px[x]));
      }
    } else {
      std::memcpy(out, in, std::min<std::size_t>(BytesPerRow, static_cast<std::size_t>(source.bytesPerLine())));
    }
  }
  if (bits < 16) {
    const QList<QRgb> colors = source.colorTable();
    auto& table = ImageData.ColorTable();
    for (int i = 0; i < std::min<int>(256, static_cast<int>(colors.size())); ++i)
      table[i] = TRGBQuad{static_cast<std::uint8_t>(qBlue(colors[i])), static_cast<std::uint8_t>(qGreen(colors[i])),
                          static_cast<std::uint8_t>(qRed(colors[i])), 0};
  }
}

void TPngGraphic::AssignHandle(const QImage& bitmap, bool transparent, TColor color) {
  // Check before anything is cleared: a failed assignment keeps the picture.
  if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0) RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
  if (bitmap.width() >= 65536 || bitmap.height() >= 65536) RaiseError<EPNGSizeExceeds>(EPNGSizeExceedsText);
  TPngGraphic built;
  built.InterlaceMethod = InterlaceMethod;
  built.Filters = Filters;
  built.CompressionLevel = CompressionLevel;
  built.SetMaxIdatSize(MaxIdatSize());
  auto* header = static_cast<TChunkIHDR*>(built.chunks_.Add(std::make_unique<TChunkIHDR>(&built)));
  const int depth = bitmap.depth();
  TChunkPLTE* plte = nullptr;
  if (depth < 16) plte = static_cast<TChunkPLTE*>(built.chunks_.Add(std::make_unique<TChunkPLTE>(&built)));
  TChunktRNS* trns = nullptr;
  if (transparent) trns = static_cast<TChunktRNS*>(built.chunks_.Add(std::make_unique<TChunktRNS>(&built)));
  built.chunks_.Add(std::make_unique<TChunkIDAT>(&built));
  built.chunks_.Add(std::make_unique<TChunkIEND>(&built));
  header->ReadFromBitmap(bitmap);
  if (plte) plte->Count = 1 << header->BitDepth;
  if (trns) trns->SetTransparentColor(color);
  AssignPNG(built);
}

// ---------------------------------------------------------------- clipboard

void TPngGraphic::LoadFromClipboardFormat(const QMimeData& data) {
  const QImage image = qvariant_cast<QImage>(data.imageData());
  if (image.isNull()) throw EConvertError(QStringLiteral("The clipboard holds no picture."));
  AssignHandle(image, false, 0);
}

void TPngGraphic::SaveToClipboardFormat(QMimeData& data) { data.setImageData(ToBitmap()); }

// ---------------------------------------------------------------- drawing

void TPngGraphic::Draw(QPainter& canvas, const QRect& rect) {
  if (!HeaderPresent()) return;
  switch (TransparencyMode()) {
    case 2:
      DrawPartialTrans(canvas, rect);
      break;
    case 1: {
      // One transparent colour: stretched to the rectangle, the background
      // showing through the transparent pixels.
      canvas.save();
      canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
      DrawImage(canvas, rect);
      canvas.restore();
      break;
    }
    default:
      DrawImage(canvas, rect);
      break;
  }
}

void TPngGraphic::DrawPartialTrans(QPainter& canvas, const QRect& rect) {
  // Blended at the picture's own size at the rectangle's top-left corner.
  canvas.save();
  canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
  DrawImage(canvas, QRect(rect.topLeft(), QSize(GetWidth(), GetHeight())));
  canvas.restore();
}

void TPngGraphic::DrawImage(QPainter& canvas, const QRect& target) const {
  canvas.save();
  canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const std::uint64_t whole = std::uint64_t{Header().Width} * Header().Height * 4;
  if (whole <= std::min(PngMaxImageMemory(), kPngDrawWholeLimit))
    canvas.drawImage(target, ToArgb());
  else
    DrawScaled(canvas, target);
  canvas.restore();
}

void TPngGraphic::DrawScaled(QPainter& canvas, const QRect& target) const {
  const QRect dest = target.normalized();
  QPaintDevice* device = canvas.device();
  bool invertible = false;
  const QTransform toLogical = canvas.combinedTransform().inverted(&invertible);
  if (dest.isEmpty() || !device || !invertible) return;
  QRectF visible = QRectF(dest) & toLogical.mapRect(QRectF(0, 0, device->width(), device->height()));
  if (canvas.hasClipping()) visible &= canvas.clipBoundingRect();
  if (visible.isEmpty()) return;
  // One sample per device pixel, never more than the device holds.
  const QSizeF shown = canvas.combinedTransform().mapRect(visible).size() * device->devicePixelRatioF();
  const double deviceCap = std::max(
      1.0, double(device->width()) * device->height() * device->devicePixelRatioF() * device->devicePixelRatioF());
  const double shrink = std::min(1.0, std::sqrt(deviceCap / std::max(1.0, shown.width() * shown.height())));
  const int ow = std::max(1, static_cast<int>(std::ceil(shown.width() * shrink)));
  const int oh = std::max(1, static_cast<int>(std::ceil(shown.height() * shrink)));
  QImage out(ow, oh, QImage::Format_ARGB32);
  if (out.isNull()) RaiseError<EPNGOutMemory>(EPNGOutMemoryText);

  // The sample under the centre of each output pixel; a centre that falls
  // exactly on a border between samples takes the earlier one, as the
  // painter does when it stretches a whole image.
  const TChunkIHDR& h = Header();
  auto source = [](int outPos, double visibleStart, double visibleSize, int count, int destStart, int destSize,
                   std::uint32_t pictureSize) {
    const double logical = visibleStart + (outPos + 0.5) * visibleSize / count;
    const double s = std::ceil((logical - destStart) * pictureSize / destSize - 1e-7) - 1;
    return static_cast<std::uint32_t>(std::clamp(s, 0.0, double(pictureSize - 1)));
  };
  std::vector<std::uint32_t> columns(static_cast<std::size_t>(ow));
  for (int i = 0; i < ow; ++i)
    columns[static_cast<std::size_t>(i)] =
        source(i, visible.left(), visible.width(), ow, dest.left(), dest.width(), h.Width);
  TArgbReader reader(*this);
  for (int j = 0; j < oh; ++j) {
    reader.SetRow(source(j, visible.top(), visible.height(), oh, dest.top(), dest.height(), h.Height));
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(j));
    for (int i = 0; i < ow; ++i) line[i] = reader.Pixel(columns[static_cast<std::size_t>(i)]);
  }
  canvas.drawImage(visible, out);
}

// ---------------------------------------------------------------- pixels

TColor TPngGraphic::GetPixels(int x, int y) const {
  if (!HeaderPresent()) return 0;
  const TChunkIHDR& h = Header();
  if (x < 0 || y < 0 || x >= static_cast<int>(h.Width) || y >= static_cast<int>(h.Height)) return 0;
  const TDibSection& dib = h.ImageData;
  const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
  switch (h.ColorType) {
    case 0:
    case 4: {
      const unsigned sample = IndexAt(dib, ux, uy);
      const unsigned max = (1u << dib.BitCount()) - 1;
      const int g = GammaTable[sample * 255 / max];
      return Rgb(g, g, g);
    }
    case 3: {
      const unsigned index = IndexAt(dib, ux, uy);
      const TChunkPLTE* plte = chunks_.ItemFromClass<TChunkPLTE>();
      if (!plte || static_cast<int>(index) >= plte->Count) return 0;
      const TRGBQuad q = plte->GetPaletteItem(static_cast<std::uint8_t>(index));
      return Rgb(GammaTable[q.rgbRed], GammaTable[q.rgbGreen], GammaTable[q.rgbBlue]);
    }
    case 2:
    case 6: {
      const std::uint8_t* px = dib.Scanline(uy) + 3 * std::size_t{ux};
      return Rgb(GammaTable[px[2]], GammaTable[px[1]], GammaTable[px[0]]);
    }
    default:
      return 0;
  }
}

void TPngGraphic::SetPixels(int x, int y, TColor color) {
  if (!HeaderPresent()) return;
  TChunkIHDR& h = Header();
  if (x < 0 || y < 0 || x >= static_cast<int>(h.Width) || y >= static_cast<int>(h.Height)) return;
  TDibSection& dib = h.ImageData;
  const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
  const int r = InverseTable[color & 0xFF], g = InverseTable[(color >> 8) & 0xFF],
            b = InverseTable[(color >> 16) & 0xFF];
  switch (h.ColorType) {
    case 0:
    case 3:
    case 4: {
      // The nearest entry among those the image can index.
      int count = 1 << dib.BitCount();
      if (h.ColorType == 3) {
        const TChunkPLTE* plte = chunks_.ItemFromClass<TChunkPLTE>();
        count = std::min(count, plte ? plte->Count : 0);
      }
      int best = -1;
      long bestDistance = 0;
      for (int i = 0; i < count; ++i) {
        const TRGBQuad& q = dib.ColorTable()[i];
        const long dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) best = i, bestDistance = distance;
      }
      if (best >= 0) SetIndexAt(dib, ux, uy, static_cast<unsigned>(best));
      break;
    }
    case 2:
    case 6: {
      std::uint8_t* px = dib.Scanline(uy) + 3 * std::size_t{ux};
      px[0] = static_cast<std::uint8_t>(b);
      px[1] = static_cast<std::uint8_t>(g);
      px[2] = static_cast<std::uint8_t>(r);
      break;
    }
    default:
      break;
  }
}
