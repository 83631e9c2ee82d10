#include "platform/DibSection.h"

#include <new>

bool TDibSection::Create(std::uint32_t width, std::uint32_t height, int bitCount, std::uint64_t maxBytes) {
  Clear();
  const std::uint64_t stride = RowStride(bitCount, width);
  const std::uint64_t size = stride * height;
  if (size == 0 || size > maxBytes) return false;
  try {
    bits_.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    bits_.clear();
    return false;
  }
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  stride_ = static_cast<std::size_t>(stride);
  return true;
}

void TDibSection::Clear() {
  std::vector<std::uint8_t>().swap(bits_);
  width_ = height_ = 0;
  bitCount_ = 0;
  stride_ = 0;
  colors_ = {};
}
