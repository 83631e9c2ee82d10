#include "platform/DibSection.h"

bool TDibSection::Create(std::uint32_t width, std::uint32_t height, int bitCount, std::uint64_t maxBytes) {
  Clear();
  const std::uint64_t stride = RowStride(bitCount, width);
  const std::uint64_t size = stride * height;
  if (size == 0 || size > maxBytes) return false;
  bits_.reset(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(size), 1)));
  if (!bits_) return false;
  size_ = static_cast<std::size_t>(size);
  width_ = width;
  height_ = height;
  bitCount_ = bitCount;
  stride_ = static_cast<std::size_t>(stride);
  return true;
}

void TDibSection::Clear() {
  bits_.reset();
  size_ = 0;
  width_ = height_ = 0;
  bitCount_ = 0;
  stride_ = 0;
  colors_ = {};
}
