// A device-independent bitmap held in memory: rows of 1, 4, 8 or 24 bits per
// pixel, each row padded to a multiple of 4 bytes, 24-bit pixels in blue,
// green, red order, and a 256-entry colour table for the indexed depths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

struct TRGBQuad {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};

class TDibSection {
 public:
  // Bytes of one row: bits per pixel × width rounded up to 32 bits.
  static std::uint64_t RowStride(int bitCount, std::uint32_t width) {
    return ((static_cast<std::uint64_t>(bitCount) * width + 31) & ~std::uint64_t{31}) / 8;
  }

  // Allocates zeroed pixels; false (and empty) when the memory cannot be had
  // or exceeds maxBytes. Large blocks come zeroed from the system and take
  // room only where rows are written.
  bool Create(std::uint32_t width, std::uint32_t height, int bitCount, std::uint64_t maxBytes);
  void Clear();

  bool IsNull() const { return !bits_; }
  std::uint32_t Width() const { return width_; }
  std::uint32_t Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  std::size_t BytesPerRow() const { return stride_; }
  std::size_t ImageSize() const { return size_; }

  // The row that holds image row y (0 = top).
  std::uint8_t* Scanline(std::uint32_t y) { return bits_.get() + stride_ * y; }
  const std::uint8_t* Scanline(std::uint32_t y) const { return bits_.get() + stride_ * y; }
  std::uint8_t* Bits() { return bits_.get(); }
  const std::uint8_t* Bits() const { return bits_.get(); }

  std::array<TRGBQuad, 256>& ColorTable() { return colors_; }
  const std::array<TRGBQuad, 256>& ColorTable() const { return colors_; }

 private:
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  int bitCount_ = 0;
  std::size_t stride_ = 0;
  struct FreeBits {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t[], FreeBits> bits_;
  std::size_t size_ = 0;
  std::array<TRGBQuad, 256> colors_{};
};
