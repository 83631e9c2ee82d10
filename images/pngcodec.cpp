#include "images/pngcodec.h"

#include <zlib.h>

#include <QIODevice>
#include <cmath>
#include <cstring>

#include "images/pngio.h"
#include "images/pngmessages.h"

using namespace pngmessages;
using pngio::GetBE32;
using pngio::PutBE32;

namespace {

const std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Created on the first registration; emptied at shutdown.
std::unique_ptr<TPNGPointerList<TChunkClass>>& ChunkRegistry() {
  static std::unique_ptr<TPNGPointerList<TChunkClass>> registry;
  return registry;
}

template <class T>
std::unique_ptr<TChunk> Make(TPngGraphic* owner) {
  return std::make_unique<T>(owner);
}

template <class T>
void RegisterClass() {
  RegisterChunk(T::GetName(), &Make<T>);
}

int g_initCount = 0;
std::uint64_t g_maxImageMemory = std::uint64_t{1} << 30;
const char kPngClassId = 0;

}  // namespace

std::uint64_t PngMaxImageMemory() { return g_maxImageMemory; }
void SetPngMaxImageMemory(std::uint64_t bytes) { g_maxImageMemory = bytes; }

std::uint32_t PngCrc(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const Bytef*>(data);
  while (size > 0) {
    const uInt part = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = static_cast<std::uint32_t>(crc32(crc, p, part));
    p += part;
    size -= part;
  }
  return crc;
}

std::size_t PngRowBytes(std::uint8_t colorType, std::uint8_t bitDepth, std::uint32_t w) {
  const std::uint64_t d = bitDepth;
  switch (colorType) {
    case 0:
    case 3:
      return static_cast<std::size_t>((d * w + 7) / 8);
    case 2:
      return static_cast<std::size_t>(3 * d * w / 8);
    case 4:
      return static_cast<std::size_t>(2 * d * w / 8);
    case 6:
      return static_cast<std::size_t>(4 * d * w / 8);
    default:
      return 0;
  }
}

int PngPixelOffset(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case 0:
      return bitDepth == 16 ? 2 : 1;
    case 2:
      return 3 * bitDepth / 8;
    case 3:
      return 1;
    case 4:
      return 2 * bitDepth / 8;
    case 6:
      return 4 * bitDepth / 8;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------- registry

void RegisterChunk(const QByteArray& name, TChunkFactory factory) {
  auto& registry = ChunkRegistry();
  if (!registry) registry = std::make_unique<TPNGPointerList<TChunkClass>>();
  registry->Add(new TChunkClass{name, factory});
}

std::unique_ptr<TChunk> CreateChunkByName(TPngGraphic* owner, const QByteArray& name) {
  if (const auto& registry = ChunkRegistry())
    for (int i = 0; i < registry->Count(); ++i)
      if (registry->Item(i)->name == name) return registry->Item(i)->factory(owner);
  auto chunk = std::make_unique<TChunk>(owner);
  chunk->SetName(name);
  return chunk;
}

void PngCodecInitialize() {
  if (g_initCount++ > 0) return;
  RegisterClass<TChunkIEND>();
  RegisterClass<TChunkIHDR>();
  RegisterClass<TChunkIDAT>();
  RegisterClass<TChunkPLTE>();
  RegisterClass<TChunkgAMA>();
  RegisterClass<TChunktRNS>();
  RegisterClass<TChunktIME>();
  RegisterClass<TChunktEXt>();
  RegisterClass<TChunkzTXt>();
  TPicture::RegisterFileFormat(QStringLiteral("PNG"), QStringLiteral("Portable Network Graphics"), &kPngClassId,
                               [] { return std::unique_ptr<TGraphic>(new TPngGraphic); });
}

void PngCodecFinalize() {
  if (g_initCount == 0 || --g_initCount > 0) return;
  TPicture::UnregisterGraphicClass(&kPngClassId);
  if (auto& registry = ChunkRegistry()) {
    for (int i = 0; i < registry->Count(); ++i) delete registry->Item(i);
    registry.reset();
  }
}

namespace {
struct PngCodecUnit {
  PngCodecUnit() { PngCodecInitialize(); }
  ~PngCodecUnit() { PngCodecFinalize(); }
} g_pngCodecUnit;
}  // namespace

// ---------------------------------------------------------------- TChunk

TChunk::TChunk(TPngGraphic* owner) : owner_(owner), data_(1, 0) {}

std::unique_ptr<TChunk> TChunk::NewInstance(TPngGraphic* owner) const {
  auto chunk = std::make_unique<TChunk>(owner);
  chunk->SetName(name_);
  return chunk;
}

void TChunk::ResizeData(std::uint32_t n) {
  data_.resize(std::size_t{n} + 1);
  data_[n] = 0;
  dataSize_ = n;
}

void TChunk::Assign(const TChunk& source) {
  name_ = source.name_;
  data_ = source.data_;
  dataSize_ = source.dataSize_;
}

TChunkIHDR& TChunk::Header() const { return owner_->Header(); }

bool TChunk::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  name_ = chunkName;
  std::vector<std::uint8_t> block;
  pngio::ReadBlock(stream, block, size);
  block.push_back(0);
  data_.swap(block);
  dataSize_ = size;
  std::uint8_t crcBytes[4];
  pngio::ReadExact(stream, crcBytes, 4);
  std::uint32_t crc = PngCrc(0, name_.constData(), 4);
  crc = PngCrc(crc, data_.data(), dataSize_);
  if (crc != GetBE32(crcBytes)) owner_->RaiseError<EPngInvalidCRC>(EPNGInvalidCRCText);
  return true;
}

bool TChunk::WriteChunk(QIODevice& stream) {
  pngio::WriteChunk(stream, name_.constData(), data_.data(), dataSize_);
  return true;
}

bool TChunk::SaveToStream(QIODevice& stream) { return WriteChunk(stream); }

// ---------------------------------------------------------------- IEND

TChunkIEND::TChunkIEND(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunkIEND::NewInstance(TPngGraphic* owner) const { return Make<TChunkIEND>(owner); }

// ---------------------------------------------------------------- IHDR

TChunkIHDR::TChunkIHDR(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunkIHDR::NewInstance(TPngGraphic* owner) const { return Make<TChunkIHDR>(owner); }

int TChunkIHDR::BitmapBitCount(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case 0:
      if (bitDepth == 1 || bitDepth == 4 || bitDepth == 8) return bitDepth;
      if (bitDepth == 2) return 4;
      if (bitDepth == 16) return 8;
      return 0;
    case 3:
      if (bitDepth == 1 || bitDepth == 4 || bitDepth == 8) return bitDepth;
      if (bitDepth == 2) return 4;
      return 0;
    case 4:
      return bitDepth == 8 || bitDepth == 16 ? 8 : 0;
    case 2:
    case 6:
      return bitDepth == 8 || bitDepth == 16 ? 24 : 0;
    default:
      return 0;
  }
}

bool TChunkIHDR::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() < 13) owner_->RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
  const std::uint8_t* d = Data();
  Width = GetBE32(d);
  Height = GetBE32(d + 4);
  BitDepth = d[8];
  ColorType = d[9];
  CompressionMethod = d[10];
  FilterMethod = d[11];
  InterlaceMethod = d[12];
  if (Width >= 65536 || Height >= 65536) owner_->RaiseError<EPNGSizeExceeds>(EPNGSizeExceedsText);
  if (CompressionMethod != 0) owner_->RaiseError<EPNGUnknownCompression>(EPNGUnknownCompressionText);
  if (InterlaceMethod > 1) owner_->RaiseError<EPNGUnknownInterlace>(EPNGUnknownInterlaceText);
  // An empty image, a format without a decoder or an unknown filter method
  // cannot be decoded.
  if (Width == 0 || Height == 0 || BitmapBitCount(ColorType, BitDepth) == 0 || FilterMethod != 0)
    owner_->RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
  owner_->InterlaceMethod = InterlaceMethod;
  PrepareImageData();
  return true;
}

void TChunkIHDR::PrepareImageData() {
  ImageData.Clear();
  std::vector<std::uint8_t>().swap(ImageAlpha);
  HasPalette = false;
  BytesPerRow = 0;
  const int bitCount = BitmapBitCount(ColorType, BitDepth);
  if (bitCount == 0 || Width == 0 || Height == 0) owner_->RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
  HasPalette = bitCount < 24;
  const std::uint64_t pixels = std::uint64_t{Width} * Height;
  const bool alpha = ColorType == 4 || ColorType == 6;
  const std::uint64_t bitmapBytes = TDibSection::RowStride(bitCount, Width) * Height;
  const std::uint64_t total = bitmapBytes + (alpha ? pixels : 0);
  if (total > PngMaxImageMemory() || !ImageData.Create(Width, Height, bitCount, PngMaxImageMemory()))
    owner_->RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
  if (alpha) {
    try {
      ImageAlpha.assign(static_cast<std::size_t>(pixels), 0);
    } catch (const std::bad_alloc&) {
      ImageData.Clear();
      owner_->RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
    }
  }
  BytesPerRow = ImageData.BytesPerRow();
}

bool TChunkIHDR::SaveToStream(QIODevice& stream) {
  // 2-bit images are held as 4-bit pixels and written so; a grey key is
  // widened like the samples (p × 5), so that it still matches them. A key
  // outside the 2-bit range stays outside the 4-bit one.
  if (BitDepth == 2) {
    BitDepth = 4;
    TChunktRNS* trns = owner_->Chunks().ItemFromClass<TChunktRNS>();
    if (ColorType == 0 && trns && trns->DataSize() >= 2) {
      std::uint8_t* d = trns->Data();
      const std::uint32_t key = std::min<std::uint32_t>(((d[0] << 8) | d[1]) * 5u, 0xFFFF);
      d[0] = static_cast<std::uint8_t>(key >> 8);
      d[1] = static_cast<std::uint8_t>(key);
    }
  }
  ResizeData(13);
  std::uint8_t* d = Data();
  PutBE32(d, Width);
  PutBE32(d + 4, Height);
  d[8] = BitDepth;
  d[9] = ColorType;
  d[10] = CompressionMethod;
  d[11] = FilterMethod;
  d[12] = owner_->InterlaceMethod;
  return WriteChunk(stream);
}

void TChunkIHDR::Assign(const TChunk& source) {
  const auto* src = dynamic_cast<const TChunkIHDR*>(&source);
  if (!src) owner_->RaiseError<EPngError>(EPNGCannotAssignChunkText);
  Width = src->Width;
  Height = src->Height;
  BitDepth = src->BitDepth;
  ColorType = src->ColorType;
  CompressionMethod = src->CompressionMethod;
  FilterMethod = src->FilterMethod;
  InterlaceMethod = src->InterlaceMethod;
  PrepareImageData();
  std::memcpy(ImageData.Bits(), src->ImageData.Bits(), std::min(ImageData.ImageSize(), src->ImageData.ImageSize()));
  ImageAlpha = src->ImageAlpha;
  ImageData.ColorTable() = src->ImageData.ColorTable();
}

// ---------------------------------------------------------------- PLTE

TChunkPLTE::TChunkPLTE(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunkPLTE::NewInstance(TPngGraphic* owner) const { return Make<TChunkPLTE>(owner); }

bool TChunkPLTE::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  // The size is known before the data is read: refuse a bad palette early.
  if (size % 3 != 0 || size / 3 > 256) {
    TChunk::LoadFromStream(stream, chunkName, size);
    owner_->RaiseError<EPNGInvalidPalette>(EPNGInvalidPaletteText);
  }
  TChunk::LoadFromStream(stream, chunkName, size);
  Count = static_cast<int>(DataSize() / 3);
  auto& table = Header().ImageData.ColorTable();
  const std::uint8_t* d = Data();
  for (int i = 0; i < Count; ++i) table[i] = TRGBQuad{d[3 * i + 2], d[3 * i + 1], d[3 * i], 0};
  return true;
}

bool TChunkPLTE::SaveToStream(QIODevice& stream) {
  ResizeData(static_cast<std::uint32_t>(Count * 3));
  const auto& table = Header().ImageData.ColorTable();
  std::uint8_t* d = Data();
  for (int i = 0; i < Count; ++i) {
    d[3 * i] = table[i].rgbRed;
    d[3 * i + 1] = table[i].rgbGreen;
    d[3 * i + 2] = table[i].rgbBlue;
  }
  return WriteChunk(stream);
}

TRGBQuad TChunkPLTE::GetPaletteItem(std::uint8_t n) const {
  if (int{n} > Count - 1) owner_->RaiseError<EPngError>(EPNGUnknownPalEntryText);
  return Header().ImageData.ColorTable()[n];
}

void TChunkPLTE::Assign(const TChunk& source) {
  const auto* src = dynamic_cast<const TChunkPLTE*>(&source);
  if (!src) owner_->RaiseError<EPngError>(EPNGCannotAssignChunkText);
  Count = src->Count;
}

// ---------------------------------------------------------------- tRNS

TChunktRNS::TChunktRNS(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunktRNS::NewInstance(TPngGraphic* owner) const { return Make<TChunktRNS>(owner); }

bool TChunktRNS::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() > 256) owner_->RaiseError<EPNGInvalidPalette>(EPNGInvalidPaletteText);
  AlphaTable.fill(255);
  std::memcpy(AlphaTable.data(), Data(), DataSize());
  const std::uint8_t colorType = Header().ColorType;
  if (colorType == 0 || colorType == 2) {
    BitTransparency = true;
  } else if (colorType == 3) {
    // One colour key: exactly one entry below 255, and that one fully
    // transparent; anything else is drawn with partial transparency.
    int below = 0, zero = 0;
    for (std::uint32_t i = 0; i < DataSize(); ++i) {
      if (AlphaTable[i] < 255) ++below;
      if (AlphaTable[i] == 0) ++zero;
    }
    BitTransparency = below == 1 && zero == 1;
  } else {
    BitTransparency = false;
  }
  return true;
}

bool TChunktRNS::SaveToStream(QIODevice& stream) {
  // For palette images the data is the alpha table; grey and RGB images keep
  // their colour key as it is.
  if (Header().ColorType == 3 && DataSize() <= 256) std::memcpy(Data(), AlphaTable.data(), DataSize());
  return WriteChunk(stream);
}

void TChunktRNS::Assign(const TChunk& source) {
  const auto* src = dynamic_cast<const TChunktRNS*>(&source);
  if (!src) owner_->RaiseError<EPngError>(EPNGCannotAssignChunkText);
  TChunk::Assign(source);
  AlphaTable = src->AlphaTable;
  BitTransparency = src->BitTransparency;
}

TColor TChunktRNS::TransparentColor() const {
  const TChunkIHDR& header = Header();
  const std::uint8_t* d = Data();
  auto rgb = [](int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); };
  switch (header.ColorType) {
    case 0:
      if (DataSize() < 2) return 0;
      return rgb(d[1], d[1], d[1]);
    case 2:
      if (DataSize() < 6) return 0;
      return rgb(d[1], d[3], d[5]);
    case 3:
      for (std::uint32_t i = 0; i < DataSize(); ++i)
        if (AlphaTable[i] == 0) {
          const TRGBQuad& q = header.ImageData.ColorTable()[i];
          return rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
      return 0;
    default:
      return 0;
  }
}

void TChunktRNS::SetTransparentColor(TColor color) {
  const TChunkIHDR& header = Header();
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  AlphaTable.fill(0);
  BitTransparency = true;
  switch (header.ColorType) {
    case 0: {
      ResizeData(2);
      Data()[0] = 0;
      Data()[1] = static_cast<std::uint8_t>(r);
      break;
    }
    case 2: {
      ResizeData(6);
      std::uint8_t* d = Data();
      d[0] = 0, d[1] = static_cast<std::uint8_t>(r);
      d[2] = 0, d[3] = static_cast<std::uint8_t>(g);
      d[4] = 0, d[5] = static_cast<std::uint8_t>(b);
      break;
    }
    case 3: {
      // Only an entry of the palette itself can be the key; without a match
      // nothing becomes transparent.
      const TChunkPLTE* plte = owner_->Chunks().ItemFromClass<TChunkPLTE>();
      const int count = plte ? plte->Count : 0;
      const auto& table = header.ImageData.ColorTable();
      int found = -1;
      for (int i = 0; i < count && found < 0; ++i)
        if (table[i].rgbBlue == b && table[i].rgbGreen == g && table[i].rgbRed == r) found = i;
      AlphaTable.fill(255);
      if (found < 0) {
        BitTransparency = false;
        ResizeData(0);
        break;
      }
      AlphaTable[found] = 0;
      ResizeData(static_cast<std::uint32_t>(found + 1));
      std::memcpy(Data(), AlphaTable.data(), DataSize());
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------- gAMA

TChunkgAMA::TChunkgAMA(TPngGraphic* owner) : TChunk(owner) {
  name_ = GetName();
  SetGamma(1);
}
std::unique_ptr<TChunk> TChunkgAMA::NewInstance(TPngGraphic* owner) const { return Make<TChunkgAMA>(owner); }

std::uint32_t TChunkgAMA::Gamma() {
  if (DataSize() != 4) {
    SetGamma(1);
    return 1;
  }
  return GetBE32(Data());
}

void TChunkgAMA::SetGamma(std::uint32_t value) {
  if (DataSize() != 4) ResizeData(4);
  PutBE32(Data(), value);
}

bool TChunkgAMA::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  const std::uint32_t value = Gamma();
  if (value != 0) {
    const double exponent = 1.0 / (value / 100000.0 * 2.2);
    for (int i = 0; i < 256; ++i) {
      const double g = i == 0 ? 0.0 : std::pow(i / 255.0, exponent);
      const long level = std::clamp(std::lround(g * 255.0), 0L, 255L);
      owner_->GammaTable[i] = static_cast<std::uint8_t>(level);
      owner_->InverseTable[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(i);
    }
  }
  return true;
}

void TChunkgAMA::Assign(const TChunk& source) {
  const auto* src = dynamic_cast<const TChunkgAMA*>(&source);
  if (!src) owner_->RaiseError<EPngError>(EPNGCannotAssignChunkText);
  TChunk::Assign(source);
}

// ---------------------------------------------------------------- tIME

TChunktIME::TChunktIME(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunktIME::NewInstance(TPngGraphic* owner) const { return Make<TChunktIME>(owner); }

bool TChunktIME::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() == 7) {
    const std::uint8_t* d = Data();
    Year = static_cast<std::uint16_t>(d[0] * 256 + d[1]);
    Month = d[2], Day = d[3], Hour = d[4], Minute = d[5], Second = d[6];
  }
  return true;
}

bool TChunktIME::SaveToStream(QIODevice& stream) {
  ResizeData(7);
  std::uint8_t* d = Data();
  d[0] = static_cast<std::uint8_t>(Year >> 8);
  d[1] = static_cast<std::uint8_t>(Year);
  d[2] = Month, d[3] = Day, d[4] = Hour, d[5] = Minute, d[6] = Second;
  return WriteChunk(stream);
}

// ---------------------------------------------------------------- tEXt

TChunktEXt::TChunktEXt(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunktEXt::NewInstance(TPngGraphic* owner) const { return Make<TChunktEXt>(owner); }

bool TChunktEXt::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() >= 3) {
    const auto* d = reinterpret_cast<const char*>(Data());
    const auto* zero = static_cast<const char*>(std::memchr(d, 0, DataSize()));
    if (!zero) {
      // No separator inside the chunk: all of it is the keyword.
      Keyword = QByteArray(d, DataSize());
      Text.clear();
    } else {
      const qsizetype keyLen = zero - d;
      Keyword = QByteArray(d, keyLen);
      Text = QByteArray(zero + 1, static_cast<qsizetype>(DataSize()) - keyLen - 1);
    }
  }
  return true;
}

bool TChunktEXt::SaveToStream(QIODevice& stream) {
  ResizeData(static_cast<std::uint32_t>(Keyword.size() + 1 + Text.size()));
  std::memset(Data(), 0, DataSize());
  std::memcpy(Data(), Keyword.constData(), static_cast<std::size_t>(Keyword.size()));
  std::memcpy(Data() + Keyword.size() + 1, Text.constData(), static_cast<std::size_t>(Text.size()));
  return WriteChunk(stream);
}

void TChunktEXt::Assign(const TChunk& source) {
  TChunk::Assign(source);
  if (const auto* src = dynamic_cast<const TChunktEXt*>(&source)) {
    Keyword = src->Keyword;
    Text = src->Text;
  }
}

// ---------------------------------------------------------------- zTXt

TChunkzTXt::TChunkzTXt(TPngGraphic* owner) : TChunktEXt(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunkzTXt::NewInstance(TPngGraphic* owner) const { return Make<TChunkzTXt>(owner); }

bool TChunkzTXt::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  TChunktEXt::LoadFromStream(stream, chunkName, size);
  const std::size_t methodPos = static_cast<std::size_t>(Keyword.size()) + 1;
  if (DataSize() >= 4 && methodPos < DataSize() && Data()[Keyword.size()] == 0 && Data()[methodPos] == 0) {
    QByteArray inflated;
    const std::size_t room = kPngMaxInflatedText - std::min(kPngMaxInflatedText, owner_->inflatedText);
    if (pngio::InflateAll(Data() + methodPos + 1, DataSize() - methodPos - 1, room, inflated)) {
      Text = inflated;
      owner_->inflatedText += static_cast<std::size_t>(inflated.size());
    }
  }
  return true;
}

bool TChunkzTXt::SaveToStream(QIODevice& stream) {
  if (Text.isEmpty()) Text = QByteArrayLiteral(" ");
  QByteArray packed;
  int code = 0;
  if (!pngio::DeflateAll(Text, owner_->CompressionLevel, packed, code))
    owner_->RaiseError<EPNGZLIBError>(EPNGZLIBCompressText + pngio::ZlibErrorText(code));
  ResizeData(static_cast<std::uint32_t>(Keyword.size() + 2 + packed.size()));
  std::uint8_t* d = Data();
  std::memcpy(d, Keyword.constData(), static_cast<std::size_t>(Keyword.size()));
  d[Keyword.size()] = 0;
  d[Keyword.size() + 1] = 0;
  std::memcpy(d + Keyword.size() + 2, packed.constData(), static_cast<std::size_t>(packed.size()));
  return WriteChunk(stream);
}

// ---------------------------------------------------------------- file read and write

void TPngGraphic::LoadFromStream(QIODevice& stream) {
  ClearChunks();
  pending = {};
  inflatedText = 0;
  std::uint8_t signature[8];
  if (pngio::ReadUpTo(stream, signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0)
    RaiseError<EPNGInvalidFileHeader>(EPNGInvalidFileHeaderText);

  bool hasIDAT = false;
  int ancillary = 0;
  for (;;) {
    std::uint32_t length;
    QByteArray name;
    if (pending.present) {
      length = pending.length;
      name = pending.name;
      pending = {};
    } else {
      std::uint8_t head[8];
      if (pngio::ReadUpTo(stream, head, 4) != 4) RaiseError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
      pngio::ReadExact(stream, head + 4, 4);
      length = GetBE32(head);
      name = QByteArray(reinterpret_cast<const char*>(head + 4), 4);
    }
    if (chunks_.Count() == 0 && name != "IHDR") RaiseError<EPNGIHDRNotFirst>(EPNGIHDRNotFirstText);
    if (chunks_.Count() > 0 && name == "IHDR") RaiseError<EPngInvalidIHDR>(EPNGInvalidIHDRText);
    pngio::CheckChunkLength(stream, length);
    const bool isAncillary = (static_cast<std::uint8_t>(name[0]) & 0x20) != 0;
    if (name == "cHRM" || (name == "IDAT" && hasIDAT) || (isAncillary && ++ancillary > kPngMaxAncillaryChunks)) {
      pngio::Skip(stream, qint64{length} + 4);
      continue;
    }
    std::unique_ptr<TChunk> chunk = CreateChunkByName(this, name);
    if (typeid(*chunk) == typeid(TChunk) && !isAncillary)
      RaiseError<EPNGUnknownCriticalChunk>(EPNGUnknownCriticalChunkText);
    if (name == "IDAT") hasIDAT = true;
    TChunk* added = chunks_.Add(std::move(chunk));
    if (!added->LoadFromStream(stream, name, length)) break;
    if (name == "IEND") break;
  }
  if (!hasIDAT) RaiseError<EPNGNoImageData>(EPNGNoImageDataText);
}

void TPngGraphic::SaveToStream(QIODevice& stream) {
  if (!HeaderPresent()) RaiseError<EPNGHeaderNotPresent>(EPNGHeaderNotPresentText);
  pngio::WriteAll(stream, kSignature, 8);
  for (int i = 0; i < chunks_.Count(); ++i) chunks_.Item(i)->SaveToStream(stream);
}
