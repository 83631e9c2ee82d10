// The PNG codec: a PNG file read and written as a list of chunk objects owned
// by a TPngGraphic, which is a picture usable wherever the framework takes a
// TGraphic.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Colors.h"
#include "platform/DibSection.h"
#include "platform/Exceptions.h"
#include "platform/Graphic.h"

class QIODevice;
class TPngGraphic;
class TChunkIHDR;

// Error classes; each descends directly from the base exception.
// NOLINTBEGIN(bugprone-macro-parentheses): a class name takes no parentheses
#define KV_PNG_ERROR(Name)        \
  class Name : public Exception { \
   public:                        \
    using Exception::Exception;   \
  };
// NOLINTEND(bugprone-macro-parentheses)
KV_PNG_ERROR(EPngError)
KV_PNG_ERROR(EPNGOutMemory)
KV_PNG_ERROR(EPngUnexpectedEnd)
KV_PNG_ERROR(EPngInvalidCRC)
KV_PNG_ERROR(EPngInvalidIHDR)
KV_PNG_ERROR(EPNGMissingMultipleIDAT)
KV_PNG_ERROR(EPNGZLIBError)
KV_PNG_ERROR(EPNGInvalidPalette)
KV_PNG_ERROR(EPNGInvalidFileHeader)
KV_PNG_ERROR(EPNGIHDRNotFirst)
KV_PNG_ERROR(EPNGSizeExceeds)
KV_PNG_ERROR(EPNGUnknownCriticalChunk)
KV_PNG_ERROR(EPNGUnknownCompression)
KV_PNG_ERROR(EPNGUnknownInterlace)
KV_PNG_ERROR(EPNGNoImageData)
KV_PNG_ERROR(EPNGHeaderNotPresent)
#undef KV_PNG_ERROR

// CRC-32 of the PNG standard, continued from a previous value (0 to start).
std::uint32_t PngCrc(std::uint32_t crc, const void* data, std::size_t size);

// Pixel memory of one picture (bitmap and alpha plane), and of every image
// made from it (ToArgb, ToBitmap), is kept below this many bytes; 1 GiB
// unless set otherwise (tests lower it).
std::uint64_t PngMaxImageMemory();
void SetPngMaxImageMemory(std::uint64_t bytes);
// Pictures whose 32-bit form is larger than this (or than the limit above)
// are drawn from the decoded rows at the size they are shown.
inline constexpr std::uint64_t kPngDrawWholeLimit = std::uint64_t{64} << 20;
// Inflated text of all compressed text chunks of one file together is kept
// below this; texts past it stay as read.
inline constexpr std::size_t kPngMaxInflatedText = std::size_t{16} << 20;
// Ancillary chunks a picture keeps from one file; further ones are skipped,
// so that a file of tiny chunks cannot take many times its size in memory.
inline constexpr int kPngMaxAncillaryChunks = 10000;

// Base of all chunk classes, and the class of every chunk whose name is not
// registered: the name and the raw data.
class TChunk {
 public:
  explicit TChunk(TPngGraphic* owner);
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  static QByteArray GetName() { return QByteArray(); }
  // A new chunk of the same class for another owner.
  virtual std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const;
  virtual void Assign(const TChunk& source);
  // Reads Size data bytes and the CRC; raises EPngInvalidCRC on a mismatch.
  virtual bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size);
  virtual bool SaveToStream(QIODevice& stream);

  const QByteArray& Name() const { return name_; }
  void SetName(const QByteArray& name) { name_ = name; }
  std::uint32_t DataSize() const { return dataSize_; }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  // DataSize becomes n; the block keeps one spare zero byte beyond it.
  void ResizeData(std::uint32_t n);
  TPngGraphic* Owner() const { return owner_; }
  // The owner's header chunk.
  TChunkIHDR& Header() const;

 protected:
  // Writes length, name, data and CRC of the current data.
  bool WriteChunk(QIODevice& stream);

  TPngGraphic* owner_;
  QByteArray name_;

 private:
  std::uint32_t dataSize_ = 0;
  std::vector<std::uint8_t> data_;
};

class TChunkIEND : public TChunk {
 public:
  explicit TChunkIEND(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("IEND"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
};

// The header; it also holds the decoded image: an indexed (1, 4, 8 bits) or
// 24-bit bitmap with a 256-entry colour table, and for colour types 4 and 6
// (and grey or RGB images with a transparent colour) an alpha plane of
// Width × Height bytes, top row first.
class TChunkIHDR : public TChunk {
 public:
  explicit TChunkIHDR(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("IHDR"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  void Assign(const TChunk& source) override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;

  // Sets up the bitmap and alpha plane for the header fields, zeroed.
  void PrepareImageData();
  // Fills the header and the image from a bitmap: indexed below 16 bits per
  // pixel, RGB otherwise.
  void ReadFromBitmap(const QImage& bitmap);
  // Bits per pixel of the bitmap for a colour type and bit depth; 0 when the
  // pair is not a valid PNG format.
  static int BitmapBitCount(std::uint8_t colorType, std::uint8_t bitDepth);

  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColorType = 0;
  std::uint8_t CompressionMethod = 0;
  std::uint8_t FilterMethod = 0;
  std::uint8_t InterlaceMethod = 0;

  TDibSection ImageData;
  bool HasPalette = false;
  std::size_t BytesPerRow = 0;
  std::vector<std::uint8_t> ImageAlpha;  // empty when the image has no alpha plane
};

class TChunkPLTE : public TChunk {
 public:
  explicit TChunkPLTE(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("PLTE"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  void Assign(const TChunk& source) override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;
  // Entry N of the colour table as stored; EPngError beyond Count.
  TRGBQuad GetPaletteItem(std::uint8_t n) const;

  int Count = 0;
};

class TChunktRNS : public TChunk {
 public:
  explicit TChunktRNS(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("tRNS"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  void Assign(const TChunk& source) override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;

  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

  bool BitTransparency = false;
  std::array<std::uint8_t, 256> AlphaTable{};
};

class TChunkgAMA : public TChunk {
 public:
  explicit TChunkgAMA(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("gAMA"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  void Assign(const TChunk& source) override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  // Gamma × 100000.
  std::uint32_t Gamma();
  void SetGamma(std::uint32_t value);
};

class TChunktIME : public TChunk {
 public:
  explicit TChunktIME(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("tIME"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;

  std::uint16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
 public:
  explicit TChunktEXt(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("tEXt"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  void Assign(const TChunk& source) override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;

  QByteArray Keyword;
  QByteArray Text;
};

class TChunkzTXt : public TChunktEXt {
 public:
  explicit TChunkzTXt(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("zTXt"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;
};

// The image data: decodes into the header's image on load and encodes it on
// save (as one or more IDAT chunks).
class TChunkIDAT : public TChunk {
 public:
  explicit TChunkIDAT(TPngGraphic* owner);
  static QByteArray GetName() { return QByteArrayLiteral("IDAT"); }
  std::unique_ptr<TChunk> NewInstance(TPngGraphic* owner) const override;
  bool LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) override;
  bool SaveToStream(QIODevice& stream) override;
};

// A growable list of pointers: an item read out of range is null, a write
// out of range is ignored, and Remove takes out the last position holding
// the pointer.
template <class T>
class TPNGPointerList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  T* Item(int index) const { return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : nullptr; }
  void SetItem(int index, T* value) {
    if (index >= 0 && index < Count()) items_[static_cast<std::size_t>(index)] = value;
  }
  void Add(T* value) { items_.push_back(value); }
  void Remove(T* value) {
    for (std::size_t i = items_.size(); i-- > 0;)
      if (items_[i] == value) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
  }

 protected:
  std::vector<T*> items_;
};

// Chunk-class registry.
using TChunkFactory = std::unique_ptr<TChunk> (*)(TPngGraphic* owner);
struct TChunkClass {
  QByteArray name;
  TChunkFactory factory;
};
void RegisterChunk(const QByteArray& name, TChunkFactory factory);
// A chunk of the first class registered under exactly this name, or a plain
// TChunk carrying the name.
std::unique_ptr<TChunk> CreateChunkByName(TPngGraphic* owner, const QByteArray& name);

// The chunk list of a picture, in file order; it owns its chunks.
class TPNGList : public TPNGPointerList<TChunk> {
 public:
  TPNGList() = default;
  TPNGList(const TPNGList&) = delete;
  TPNGList& operator=(const TPNGList&) = delete;
  ~TPNGList() { Clear(); }
  TChunk* Add(std::unique_ptr<TChunk> chunk) {
    items_.push_back(chunk.release());
    return items_.back();
  }
  // Takes a chunk out of the list and hands it to the caller.
  std::unique_ptr<TChunk> Extract(TChunk* chunk) {
    const int before = Count();
    Remove(chunk);
    return std::unique_ptr<TChunk>(Count() < before ? chunk : nullptr);
  }
  void Clear() {
    for (TChunk* c : items_) delete c;
    items_.clear();
  }
  // The first chunk of class T (or a class derived from it).
  template <class T>
  T* ItemFromClass() const {
    for (TChunk* c : items_)
      if (auto* t = dynamic_cast<T*>(c)) return t;
    return nullptr;
  }

 private:
  using TPNGPointerList<TChunk>::Add;
  using TPNGPointerList<TChunk>::SetItem;
};

enum TFilter : std::uint8_t { pfNone = 0, pfSub = 1, pfUp = 2, pfAverage = 3, pfPaeth = 4 };
using TFilters = std::uint8_t;  // bit n = filter n
constexpr TFilters FilterBit(TFilter f) { return static_cast<TFilters>(1u << f); }

class TPngGraphic : public TGraphic {
 public:
  TPngGraphic();
  ~TPngGraphic() override;
  const char* ClassName() const override { return "TPngGraphic"; }

  void Assign(const TGraphic& source) override;
  void AssignTo(TGraphic& dest) const override;
  // From a bitmap; not transparent.
  void Assign(const QImage& bitmap) { AssignHandle(bitmap, false, 0); }
  // To a bitmap: indexed for opaque palette and grey images, ARGB32 for
  // images with transparency, RGB32 otherwise; gamma applied. Null without
  // a header.
  QImage ToBitmap() const;
  void AssignPNG(const TPngGraphic& source);
  void AssignHandle(const QImage& bitmap, bool transparent, TColor color);

  void Draw(QPainter& canvas, const QRect& rect) override;
  bool GetEmpty() const override { return chunks_.Count() == 0; }
  int GetWidth() const override;
  int GetHeight() const override;
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  bool GetTransparent() const override { return TransparencyMode() != 0; }
  void LoadFromStream(QIODevice& stream) override;
  void SaveToStream(QIODevice& stream) override;
  void LoadFromClipboardFormat(const QMimeData& data) override;
  void SaveToClipboardFormat(QMimeData& data) override;
  virtual TColor GetPixels(int x, int y) const;
  virtual void SetPixels(int x, int y, TColor color);

  // The colour table (256 entries, gamma applied) for grey and palette
  // images; empty for the others.
  QList<QRgb> GetPalette() const;
  int TransparencyMode() const;
  TColor TransparentColor() const;

  void ClearChunks();
  TChunkIHDR& Header() const;
  bool HeaderPresent() const;
  // RowBytes and Offset of a row of the full width.
  void GetPixelInfo(std::size_t& rowBytes, int& offset) const;
  std::uint8_t* Scanline(int row);
  const TPNGList& Chunks() const { return chunks_; }
  TPNGList& Chunks() { return chunks_; }

  TFilters Filters = FilterBit(pfSub);
  int CompressionLevel = 7;
  std::uint8_t InterlaceMethod = 0;
  std::uint32_t MaxIdatSize() const { return maxIdatSize_; }
  void SetMaxIdatSize(std::uint64_t value);

  std::array<std::uint8_t, 256> GammaTable{};
  std::array<std::uint8_t, 256> InverseTable{};

  template <class E>
  [[noreturn]] void RaiseError(const QString& message) const {
    throw E(message);
  }

  // A chunk header the image decoder read past the end of the image data;
  // the file loop continues with it.
  struct PendingHeader {
    bool present = false;
    std::uint32_t length = 0;
    QByteArray name;
  } pending;
  // Bytes of compressed text inflated so far by the current file read.
  std::size_t inflatedText = 0;

  // The whole image as ARGB32 with gamma and transparency applied;
  // EPNGOutMemory when it would exceed PngMaxImageMemory().
  QImage ToArgb() const;

 private:
  void ResetGamma();
  void DrawPartialTrans(QPainter& canvas, const QRect& rect);
  // Draws the picture stretched to `target`.
  void DrawImage(QPainter& canvas, const QRect& target) const;
  // Draws only the visible part of `target`, sampled from the decoded rows
  // at the resolution of the device.
  void DrawScaled(QPainter& canvas, const QRect& target) const;

  TPNGList chunks_;
  std::uint32_t maxIdatSize_ = 65535;
};

// Row geometry for a row of w pixels.
std::size_t PngRowBytes(std::uint8_t colorType, std::uint8_t bitDepth, std::uint32_t w);
int PngPixelOffset(std::uint8_t colorType, std::uint8_t bitDepth);

// Registers the chunk classes and the PNG picture format; counted, so only
// the first call acts. Runs when the program starts.
void PngCodecInitialize();
void PngCodecFinalize();
