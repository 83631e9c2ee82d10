// TPngGraphic: the PNG picture object, its conversions, drawing and pixel
// access. Samples are kept as they are in the file; the gamma table applies
// on the way out (drawing, conversion, GetPixels) and its inverse on the way
// in (SetPixels).
#include <QMimeData>
#include <QPainter>
#include <QVariant>

#include <algorithm>
#include <cstring>

#include "images/pngcodec.h"
#include "images/pngmessages.h"

using namespace pngmessages;

namespace {

constexpr TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

unsigned IndexAt(const TDibSection& dib, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* row = dib.Scanline(y);
  switch (dib.BitCount()) {
    case 8: return row[x];
    case 4: return (row[x >> 1] >> ((1 - (x & 1)) * 4)) & 0x0F;
    default: return (row[x >> 3] >> (7 - (x & 7))) & 0x01;
  }
}

void SetIndexAt(TDibSection& dib, std::uint32_t x, std::uint32_t y, unsigned v) {
  std::uint8_t* row = dib.Scanline(y);
  switch (dib.BitCount()) {
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    case 4: {
      const int shift = (1 - static_cast<int>(x & 1)) * 4;
      row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & ~(0x0F << shift)) | ((v & 0x0F) << shift));
      break;
    }
    default: {
      const int shift = 7 - static_cast<int>(x & 7);
      row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(1 << shift)) | ((v & 1) << shift));
      break;
    }
  }
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
    case 2: return trns ? 1 : 0;
    case 3:
      if (!trns) return 0;
      return trns->BitTransparency ? 1 : 2;
    case 4:
    case 6: return 2;
    default: return 0;
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

QImage TPngGraphic::ToArgb() const {
  const TChunkIHDR& h = Header();
  QImage image(static_cast<int>(h.Width), static_cast<int>(h.Height), QImage::Format_ARGB32);
  if (image.isNull()) RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
  const TDibSection& dib = h.ImageData;
  const std::uint8_t* alphaPlane = h.ImageAlpha.empty() ? nullptr : h.ImageAlpha.data();
  const TChunktRNS* trns = chunks_.ItemFromClass<TChunktRNS>();
  const TChunkPLTE* plte = chunks_.ItemFromClass<TChunkPLTE>();
  const int paletteCount = plte ? plte->Count : 0;
  // A colour key on an RGB image that was not decoded from a file (one made
  // from a bitmap) is compared with the stored samples.
  bool rgbKey = false;
  int key[3] = {0, 0, 0};
  if (h.ColorType == 2 && !alphaPlane && trns && trns->DataSize() >= 6) {
    rgbKey = true;
    for (int i = 0; i < 3; ++i) key[i] = (trns->Data()[2 * i] << 8) | trns->Data()[2 * i + 1];
  }
  // Colours of the indices, gamma applied; palette indices without an entry
  // are opaque black.
  QRgb lut[256];
  for (int i = 0; i < 256; ++i) {
    const TRGBQuad& q = dib.ColorTable()[i];
    QRgb c = qRgb(GammaTable[q.rgbRed], GammaTable[q.rgbGreen], GammaTable[q.rgbBlue]);
    int a = 255;
    if (h.ColorType == 3) {
      if (i >= paletteCount) c = qRgb(0, 0, 0);
      else if (trns) a = trns->AlphaTable[i];
    }
    lut[i] = (c & 0x00FFFFFF) | (static_cast<QRgb>(a) << 24);
  }
  for (std::uint32_t y = 0; y < h.Height; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
    const std::uint8_t* alpha = alphaPlane ? alphaPlane + std::size_t{h.Width} * y : nullptr;
    if (dib.BitCount() == 24) {
      const std::uint8_t* px = dib.Scanline(y);
      for (std::uint32_t x = 0; x < h.Width; ++x, px += 3) {
        int a = alpha ? alpha[x] : 255;
        if (rgbKey && px[2] == key[0] && px[1] == key[1] && px[0] == key[2]) a = 0;
        out[x] = qRgba(GammaTable[px[2]], GammaTable[px[1]], GammaTable[px[0]], a);
      }
    } else {
      for (std::uint32_t x = 0; x < h.Width; ++x) {
        QRgb c = lut[IndexAt(dib, x, y)];
        if (alpha) c = (c & 0x00FFFFFF) | (static_cast<QRgb>(alpha[x]) << 24);
        out[x] = c;
      }
    }
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
    QImage image(static_cast<int>(h.Width), static_cast<int>(h.Height),
                 mono ? QImage::Format_Mono : QImage::Format_Indexed8);
    if (image.isNull()) RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
    const TChunkPLTE* plte = chunks_.ItemFromClass<TChunkPLTE>();
    const int count = h.ColorType == 3 ? (plte ? plte->Count : 0) : (1 << dib.BitCount());
    QList<QRgb> colors;
    for (int i = 0; i < (mono ? 2 : 256); ++i) {
      const TRGBQuad& q = dib.ColorTable()[i];
      colors << (i < count ? qRgb(GammaTable[q.rgbRed], GammaTable[q.rgbGreen], GammaTable[q.rgbBlue])
                           : qRgb(0, 0, 0));
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
    case QImage::Format_Mono: bits = 1; break;
    case QImage::Format_MonoLSB:
      source = source.convertToFormat(QImage::Format_Mono);
      bits = 1;
      break;
    case QImage::Format_Indexed8: bits = 8; break;
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
  if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
    RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
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
    case 1: {
      // One transparent colour: stretched to the rectangle, the background
      // showing through the transparent pixels.
      const QImage image = ToArgb();
      canvas.save();
      canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
      canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
      canvas.drawImage(rect, image);
      canvas.restore();
      break;
    }
    case 2: DrawPartialTrans(canvas, rect); break;
    default: {
      const QImage image = ToArgb();
      canvas.save();
      canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
      canvas.drawImage(rect, image);
      canvas.restore();
      break;
    }
  }
}

void TPngGraphic::DrawPartialTrans(QPainter& canvas, const QRect& rect) {
  // Blended at the picture's own size at the rectangle's top-left corner.
  const QImage image = ToArgb();
  canvas.save();
  canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
  canvas.drawImage(rect.topLeft(), image);
  canvas.restore();
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
    default: return 0;
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
    default: break;
  }
}
