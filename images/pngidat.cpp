// The image data codec: inflating, unfiltering and de-interlacing IDAT data
// into the header's image, and the reverse.
#include <zlib.h>

#include <QIODevice>
#include <algorithm>
#include <cstring>

#include "images/pngcodec.h"
#include "images/pngio.h"
#include "images/pngmessages.h"

using namespace pngmessages;
using pngio::GetBE32;
using pngio::GetSample;
using pngio::SetSample;

namespace {

struct Pass {
  std::uint32_t row, col, rowStep, colStep;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                            {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
constexpr Pass kPlain = {0, 0, 1, 1};

std::uint32_t PassWidth(const Pass& p, std::uint32_t width) {
  return width > p.col ? (width - p.col + p.colStep - 1) / p.colStep : 0;
}

inline std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  if (pb <= pc) return static_cast<std::uint8_t>(b);
  return static_cast<std::uint8_t>(c);
}

class Decoder {
 public:
  Decoder(TPngGraphic& png, TChunkIHDR& header, QIODevice& stream, std::uint32_t size)
      : png_(png), h_(header), s_(stream), chunkLeft_(size) {
    crc_ = PngCrc(0, "IDAT", 4);
  }
  ~Decoder() {
    if (zReady_) inflateEnd(&z_);
  }

  void Run() {
    if (inflateInit(&z_) != Z_OK) png_.RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
    zReady_ = true;
    Setup();
    if (h_.InterlaceMethod == 0) {
      DecodePass(kPlain);
    } else {
      for (const Pass& p : kAdam7)
        if (!DecodePass(p)) break;
    }
    inflateEnd(&z_);
    zReady_ = false;
    // The CRC of the last chunk covers all of its data, also what the image
    // did not need.
    if (!inputDone_) {
      std::vector<std::uint8_t> rest(std::min<std::size_t>(chunkLeft_, 65535));
      while (chunkLeft_ > 0) {
        const std::uint32_t part = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkLeft_, rest.size()));
        pngio::ReadExact(s_, rest.data(), part);
        crc_ = PngCrc(crc_, rest.data(), part);
        chunkLeft_ -= part;
      }
      CheckCrc();
    }
  }

 private:
  void Setup() {
    // Grey images get a grey colour table of the bitmap's depth.
    if (h_.ColorType == 0 || h_.ColorType == 4) {
      const int n = 1 << h_.ImageData.BitCount();
      auto& table = h_.ImageData.ColorTable();
      for (int i = 0; i < n; ++i) {
        const auto g = static_cast<std::uint8_t>((i * 255 + (n - 1) / 2) / (n - 1));
        table[i] = TRGBQuad{g, g, g, 0};
      }
    }
    // Grey and RGB images with a colour key get an alpha plane: the key is
    // compared with the samples as they are in the file.
    if ((h_.ColorType == 0 || h_.ColorType == 2) && h_.ImageAlpha.empty()) {
      if (const TChunktRNS* trns = png_.Chunks().ItemFromClass<TChunktRNS>()) {
        const std::uint32_t need = h_.ColorType == 0 ? 2 : 6;
        if (trns->DataSize() >= need) {
          for (std::uint32_t i = 0; i < 3; ++i)
            key_[i] = i < need / 2 ? (trns->Data()[2 * i] << 8) | trns->Data()[2 * i + 1] : 0;
          const std::uint64_t pixels = std::uint64_t{h_.Width} * h_.Height;
          if (h_.ImageData.ImageSize() + pixels > PngMaxImageMemory())
            png_.RaiseError<EPNGOutMemory>(EPNGOutMemoryText);
          h_.ImageAlpha.assign(static_cast<std::size_t>(pixels), 0);
          useKey_ = true;
        }
      }
    }
    offset_ = PngPixelOffset(h_.ColorType, h_.BitDepth);
  }

  // Fills count bytes of inflated data; fewer when the data ended.
  std::size_t ReadRow(std::uint8_t* buffer, std::size_t count) {
    z_.next_out = buffer;
    z_.avail_out = static_cast<uInt>(count);
    while (z_.avail_out > 0 && !streamEnd_ && !inputDone_) {
      if (z_.avail_in == 0) {
        if (chunkLeft_ == 0) {
          CheckCrc();
          std::uint8_t head[8];
          pngio::ReadExact(s_, head, 8);
          const std::uint32_t length = GetBE32(head);
          const QByteArray name(reinterpret_cast<const char*>(head + 4), 4);
          pngio::CheckChunkLength(s_, length);
          if (name != "IDAT") {
            // The image data ended early; the file loop carries on with this
            // chunk and the rest of the image stays zeroed.
            png_.pending = {true, length, name};
            inputDone_ = true;
            break;
          }
          crc_ = PngCrc(0, "IDAT", 4);
          chunkLeft_ = length;
          continue;
        }
        const std::uint32_t part = static_cast<std::uint32_t>(std::min<std::uint64_t>(chunkLeft_, in_.size()));
        pngio::ReadExact(s_, in_.data(), part);
        crc_ = PngCrc(crc_, in_.data(), part);
        chunkLeft_ -= part;
        z_.next_in = in_.data();
        z_.avail_in = part;
      }
      // Progress, the stream's end, or a call for more input; any other
      // status (an error, or a preset dictionary that a PNG cannot supply)
      // would leave the stream where it stands for ever.
      const int r = inflate(&z_, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        streamEnd_ = true;
      } else if (r != Z_OK && !(r == Z_BUF_ERROR && z_.avail_in == 0)) {
        png_.RaiseError<EPNGZLIBError>(EPNGZLIBErrorText + pngio::ZlibErrorText(r));
      }
    }
    return count - z_.avail_out;
  }

  void CheckCrc() {
    std::uint8_t bytes[4];
    pngio::ReadExact(s_, bytes, 4);
    if (GetBE32(bytes) != crc_) png_.RaiseError<EPngInvalidCRC>(EPNGInvalidCRCText);
  }

  void Unfilter(std::uint8_t* row, const std::uint8_t* prev, std::size_t n) {
    const int bpp = offset_;
    std::uint8_t* d = row + 1;
    const std::uint8_t* up = prev + 1;
    switch (row[0]) {
      case 1:
        for (std::size_t i = bpp; i < n; ++i) d[i] = static_cast<std::uint8_t>(d[i] + d[i - bpp]);
        break;
      case 2:
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<std::uint8_t>(d[i] + up[i]);
        break;
      case 3:
        for (std::size_t i = 0; i < n; ++i) {
          const int left = i >= static_cast<std::size_t>(bpp) ? d[i - bpp] : 0;
          d[i] = static_cast<std::uint8_t>(d[i] + ((left + up[i]) >> 1));
        }
        break;
      case 4:
        for (std::size_t i = 0; i < n; ++i) {
          const bool first = i < static_cast<std::size_t>(bpp);
          const int left = first ? 0 : d[i - bpp];
          const int upLeft = first ? 0 : up[i - bpp];
          d[i] = static_cast<std::uint8_t>(d[i] + Paeth(left, up[i], upLeft));
        }
        break;
      default:
        // None, and unknown filter types: the row is used as it stands.
        break;
    }
  }

  void CopyRow(const std::uint8_t* raw, std::uint32_t y, const Pass& p, std::uint32_t width) {
    std::uint8_t* scan = h_.ImageData.Scanline(y);
    std::uint8_t* alpha = h_.ImageAlpha.empty() ? nullptr : h_.ImageAlpha.data() + std::size_t{h_.Width} * y;
    const std::uint32_t c0 = p.col, step = p.colStep;
    const int depth = h_.BitDepth;
    switch (h_.ColorType) {
      case 0:
      case 3:
        if (depth == 16) {
          for (std::uint32_t k = 0; k < width; ++k) scan[c0 + k * step] = raw[2 * k];
        } else if (depth == 2) {
          const bool grey = h_.ColorType == 0;
          for (std::uint32_t k = 0; k < width; ++k) {
            const unsigned v = GetSample(raw, k, 2);
            SetSample(scan, c0 + k * step, 4, grey ? v * 5 : v);
          }
        } else if (step == 1) {
          std::memcpy(scan, raw, PngRowBytes(h_.ColorType, h_.BitDepth, width));
        } else {
          for (std::uint32_t k = 0; k < width; ++k) SetSample(scan, c0 + k * step, depth, GetSample(raw, k, depth));
        }
        // NOLINTBEGIN(clang-analyzer-core.NullDereference): a colour key and the colour types with
        // alpha always have their alpha plane (made with the header).
        if (useKey_) {
          for (std::uint32_t k = 0; k < width; ++k) {
            const unsigned v = depth == 16 ? (raw[2 * k] << 8) | raw[2 * k + 1] : GetSample(raw, k, depth);
            alpha[c0 + k * step] = v == key_[0] ? 0 : 255;
          }
        }
        break;
      case 2:
        if (depth == 8) {
          for (std::uint32_t k = 0; k < width; ++k) {
            std::uint8_t* px = scan + 3 * (c0 + k * step);
            const std::uint8_t* s = raw + 3 * k;
            px[0] = s[2], px[1] = s[1], px[2] = s[0];
          }
        } else {
          for (std::uint32_t k = 0; k < width; ++k) {
            std::uint8_t* px = scan + 3 * (c0 + k * step);
            const std::uint8_t* s = raw + 6 * k;
            px[0] = s[4], px[1] = s[2], px[2] = s[0];
          }
        }
        if (useKey_) {
          for (std::uint32_t k = 0; k < width; ++k) {
            unsigned r, g, b;
            if (depth == 8) {
              r = raw[3 * k], g = raw[3 * k + 1], b = raw[3 * k + 2];
            } else {
              const std::uint8_t* s = raw + 6 * k;
              r = (s[0] << 8) | s[1], g = (s[2] << 8) | s[3], b = (s[4] << 8) | s[5];
            }
            alpha[c0 + k * step] = (r == key_[0] && g == key_[1] && b == key_[2]) ? 0 : 255;
          }
        }
        break;
      case 4: {
        const int bytes = depth / 8;
        for (std::uint32_t k = 0; k < width; ++k) {
          const std::uint32_t c = c0 + k * step;
          scan[c] = raw[2 * bytes * k];
          alpha[c] = raw[2 * bytes * k + bytes];
        }
        break;
      }
      case 6: {
        const int bytes = depth / 8;
        for (std::uint32_t k = 0; k < width; ++k) {
          const std::uint32_t c = c0 + k * step;
          const std::uint8_t* s = raw + 4 * bytes * k;
          std::uint8_t* px = scan + 3 * c;
          px[0] = s[2 * bytes], px[1] = s[bytes], px[2] = s[0];
          alpha[c] = s[3 * bytes];
        }
        break;
      }
      // NOLINTEND(clang-analyzer-core.NullDereference)
      default:
        break;
    }
  }

  // False when the data ended.
  bool DecodePass(const Pass& p) {
    const std::uint32_t width = PassWidth(p, h_.Width);
    const std::size_t rowBytes = PngRowBytes(h_.ColorType, h_.BitDepth, width);
    if (rowBytes == 0 || p.row >= h_.Height) return true;
    cur_.assign(rowBytes + 1, 0);
    prev_.assign(rowBytes + 1, 0);
    for (std::uint32_t y = p.row; y < h_.Height; y += p.rowStep) {
      if (ReadRow(cur_.data(), rowBytes + 1) != rowBytes + 1) return false;
      Unfilter(cur_.data(), prev_.data(), rowBytes);
      CopyRow(cur_.data() + 1, y, p, width);
      cur_.swap(prev_);
    }
    return true;
  }

  TPngGraphic& png_;
  TChunkIHDR& h_;
  QIODevice& s_;
  z_stream z_{};
  bool zReady_ = false;
  bool streamEnd_ = false;
  bool inputDone_ = false;
  std::uint32_t crc_ = 0;
  std::uint64_t chunkLeft_ = 0;
  std::vector<std::uint8_t> in_ = std::vector<std::uint8_t>(65535);
  std::vector<std::uint8_t> cur_, prev_;
  int offset_ = 1;
  bool useKey_ = false;
  unsigned key_[3] = {0, 0, 0};
};

class Encoder {
 public:
  Encoder(TPngGraphic& png, TChunkIHDR& header, QIODevice& stream) : png_(png), h_(header), s_(stream) {
    depth_ = h_.BitDepth == 2 ? 4 : h_.BitDepth;
  }
  ~Encoder() {
    if (zReady_) deflateEnd(&z_);
  }

  void Run() {
    const int r = deflateInit(&z_, pngio::ClampLevel(png_.CompressionLevel));
    if (r != Z_OK) png_.RaiseError<EPNGZLIBError>(EPNGZLIBCompressText + pngio::ZlibErrorText(r));
    zReady_ = true;
    offset_ = PngPixelOffset(h_.ColorType, depth_);
    SetupKey();
    const std::size_t full = PngRowBytes(h_.ColorType, depth_, h_.Width);
    raw_.resize(full);
    prev_.resize(full + 1);
    for (int f = 1; f <= 4; ++f)
      if (png_.Filters & (1u << f)) out_[f].resize(full + 1);
    if (png_.InterlaceMethod == 0) {
      EncodePass(kPlain);
    } else {
      for (const Pass& p : kAdam7) EncodePass(p);
    }
    Feed(nullptr, 0, Z_FINISH);
    deflateEnd(&z_);
    zReady_ = false;
    if (!pending_.empty()) WriteIdat(pending_.data(), pending_.size());
  }

 private:
  void EncodePass(const Pass& p) {
    const std::uint32_t width = PassWidth(p, h_.Width);
    const std::size_t rowBytes = PngRowBytes(h_.ColorType, depth_, width);
    if (rowBytes == 0 || p.row >= h_.Height) return;
    std::fill(prev_.begin(), prev_.end(), 0);
    for (std::uint32_t y = p.row; y < h_.Height; y += p.rowStep) {
      FillRaw(y, p, width);
      const std::uint8_t* row = ChooseFilter(rowBytes);
      Feed(row, rowBytes + 1, Z_NO_FLUSH);
    }
  }

  // 16-bit grey and RGB samples are written as their high byte twice, but a
  // colour key compares all 16 bits: pixels decoded as transparent are
  // written as the key itself, and opaque pixels that would now equal it
  // are moved off it by one in the low byte.
  void SetupKey() {
    const TChunktRNS* trns = png_.Chunks().ItemFromClass<TChunktRNS>();
    channels_ = h_.ColorType == 0 ? 1 : 3;
    if (depth_ != 16 || (h_.ColorType != 0 && h_.ColorType != 2) || h_.ImageAlpha.empty() || !trns ||
        trns->DataSize() < 2u * channels_)
      return;
    std::memcpy(key_, trns->Data(), 2u * channels_);
    keyed_ = true;
  }

  void ApplyKey(std::uint32_t y, const Pass& p, std::uint32_t width) {
    const std::uint8_t* alpha = h_.ImageAlpha.data() + std::size_t{h_.Width} * y;
    const std::size_t size = 2u * channels_;
    for (std::uint32_t k = 0; k < width; ++k) {
      std::uint8_t* o = raw_.data() + size * k;
      if (alpha[p.col + k * p.colStep] == 0)
        std::memcpy(o, key_, size);
      else if (std::memcmp(o, key_, size) == 0)
        o[size - 1] ^= 1;
    }
  }

  void FillRaw(std::uint32_t y, const Pass& p, std::uint32_t width) {
    const std::uint8_t* scan = h_.ImageData.Scanline(y);
    const std::uint8_t* alpha = h_.ImageAlpha.empty() ? nullptr : h_.ImageAlpha.data() + std::size_t{h_.Width} * y;
    const std::uint32_t c0 = p.col, step = p.colStep;
    std::uint8_t* r = raw_.data();
    auto alphaAt = [alpha](std::uint32_t c) -> std::uint8_t { return alpha ? alpha[c] : 255; };
    switch (h_.ColorType) {
      case 0:
      case 3:
        if (depth_ == 16) {
          for (std::uint32_t k = 0; k < width; ++k) r[2 * k] = r[2 * k + 1] = scan[c0 + k * step];
        } else if (step == 1) {
          std::memcpy(r, scan, PngRowBytes(h_.ColorType, depth_, width));
        } else {
          std::memset(r, 0, PngRowBytes(h_.ColorType, depth_, width));
          for (std::uint32_t k = 0; k < width; ++k) SetSample(r, k, depth_, GetSample(scan, c0 + k * step, depth_));
        }
        break;
      case 2:
        for (std::uint32_t k = 0; k < width; ++k) {
          const std::uint8_t* px = scan + 3 * (c0 + k * step);
          if (depth_ == 8) {
            r[3 * k] = px[2], r[3 * k + 1] = px[1], r[3 * k + 2] = px[0];
          } else {
            std::uint8_t* o = r + 6 * k;
            o[0] = o[1] = px[2], o[2] = o[3] = px[1], o[4] = o[5] = px[0];
          }
        }
        break;
      case 4:
        for (std::uint32_t k = 0; k < width; ++k) {
          const std::uint32_t c = c0 + k * step;
          if (depth_ == 8) {
            r[2 * k] = scan[c], r[2 * k + 1] = alphaAt(c);
          } else {
            std::uint8_t* o = r + 4 * k;
            o[0] = o[1] = scan[c], o[2] = o[3] = alphaAt(c);
          }
        }
        break;
      case 6:
        for (std::uint32_t k = 0; k < width; ++k) {
          const std::uint32_t c = c0 + k * step;
          const std::uint8_t* px = scan + 3 * c;
          if (depth_ == 8) {
            std::uint8_t* o = r + 4 * k;
            o[0] = px[2], o[1] = px[1], o[2] = px[0], o[3] = alphaAt(c);
          } else {
            std::uint8_t* o = r + 8 * k;
            o[0] = o[1] = px[2], o[2] = o[3] = px[1], o[4] = o[5] = px[0], o[6] = o[7] = alphaAt(c);
          }
        }
        break;
      default:
        break;
    }
    if (keyed_) ApplyKey(y, p, width);
  }

  static int Score(const std::uint8_t* d, std::size_t n) {
    int score = 0;
    for (std::size_t i = 2; i < n; ++i)
      if (d[i] == d[i - 1] || d[i] == d[i - 2]) ++score;
    return score;
  }

  // Filters the raw row with every filter in the set and returns the chosen
  // output, filter byte first.
  const std::uint8_t* ChooseFilter(std::size_t n) {
    const std::uint8_t* cur = raw_.data();
    const std::uint8_t* up = prev_.data() + 1;
    const std::size_t bpp = static_cast<std::size_t>(offset_);
    if (!out_[1].empty()) {
      std::uint8_t* o = out_[1].data();
      o[0] = 1;
      for (std::size_t i = 0; i < n; ++i) o[i + 1] = static_cast<std::uint8_t>(cur[i] - (i >= bpp ? cur[i - bpp] : 0));
    }
    if (!out_[2].empty()) {
      std::uint8_t* o = out_[2].data();
      o[0] = 2;
      for (std::size_t i = 0; i < n; ++i) o[i + 1] = static_cast<std::uint8_t>(cur[i] - up[i]);
    }
    if (!out_[3].empty()) {
      std::uint8_t* o = out_[3].data();
      o[0] = 3;
      for (std::size_t i = 0; i < n; ++i) {
        const int left = i >= bpp ? cur[i - bpp] : 0;
        o[i + 1] = static_cast<std::uint8_t>(cur[i] - ((left + up[i]) >> 1));
      }
    }
    if (!out_[4].empty()) {
      std::uint8_t* o = out_[4].data();
      o[0] = 4;
      for (std::size_t i = 0; i < n; ++i) {
        const bool first = i < bpp;
        o[i + 1] = static_cast<std::uint8_t>(cur[i] - Paeth(first ? 0 : cur[i - bpp], up[i], first ? 0 : up[i - bpp]));
      }
    }
    // The raw row becomes the previous row and the output of None.
    prev_[0] = 0;
    std::memcpy(prev_.data() + 1, cur, n);

    const TFilters set = png_.Filters & 0x1F;
    auto output = [this](int f) -> const std::uint8_t* { return f == 0 ? prev_.data() : out_[f].data(); };
    if (set == 0 || set == FilterBit(pfNone)) return prev_.data();
    if ((set & (set - 1)) == 0) {
      for (int f = 0; f <= 4; ++f)
        if (set == (1u << f)) return output(f);
    }
    int best = 0, bestScore = 0;
    for (int f = 0; f <= 4; ++f) {
      if (!(set & (1u << f))) continue;
      const int score = Score(output(f) + 1, n);
      if (score > bestScore) best = f, bestScore = score;
    }
    return output(best);
  }

  void Feed(const std::uint8_t* data, std::size_t size, int flush) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    for (;;) {
      z_.next_out = scratch_;
      z_.avail_out = sizeof scratch_;
      const int r = deflate(&z_, flush);
      const std::size_t produced = sizeof scratch_ - z_.avail_out;
      if (r < 0 && !(r == Z_BUF_ERROR && produced > 0) && !(r == Z_BUF_ERROR && flush == Z_NO_FLUSH))
        png_.RaiseError<EPNGZLIBError>(EPNGZLIBCompressText + pngio::ZlibErrorText(r));
      pending_.insert(pending_.end(), scratch_, scratch_ + produced);
      Flush();
      if (flush == Z_FINISH) {
        if (r == Z_STREAM_END) break;
      } else if (z_.avail_out != 0 || r == Z_BUF_ERROR) {
        break;
      }
    }
  }

  void Flush() {
    const std::size_t max = png_.MaxIdatSize();
    std::size_t pos = 0;
    while (pending_.size() - pos >= max) {
      WriteIdat(pending_.data() + pos, max);
      pos += max;
    }
    if (pos) pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
  }

  void WriteIdat(const std::uint8_t* data, std::size_t size) {
    pngio::WriteChunk(s_, "IDAT", data, static_cast<std::uint32_t>(size));
  }

  TPngGraphic& png_;
  TChunkIHDR& h_;
  QIODevice& s_;
  z_stream z_{};
  bool zReady_ = false;
  int depth_ = 8;
  int offset_ = 1;
  int channels_ = 1;
  bool keyed_ = false;
  std::uint8_t key_[6] = {};
  std::vector<std::uint8_t> raw_, prev_;
  std::vector<std::uint8_t> out_[5];
  std::vector<std::uint8_t> pending_;
  Bytef scratch_[65536];
};

}  // namespace

TChunkIDAT::TChunkIDAT(TPngGraphic* owner) : TChunk(owner) { name_ = GetName(); }
std::unique_ptr<TChunk> TChunkIDAT::NewInstance(TPngGraphic* owner) const {
  return std::make_unique<TChunkIDAT>(owner);
}

bool TChunkIDAT::LoadFromStream(QIODevice& stream, const QByteArray& chunkName, std::uint32_t size) {
  name_ = chunkName;
  Decoder decoder(*owner_, Header(), stream, size);
  decoder.Run();
  return true;
}

bool TChunkIDAT::SaveToStream(QIODevice& stream) {
  auto encoder = std::make_unique<Encoder>(*owner_, Header(), stream);
  encoder->Run();
  return true;
}
