// What the files of the text buffer share inside it: the list's update
// block, and the fields packed into a line record (storage kind, tab bits,
// expanded length).
#pragma once

#include <cstdint>

#include "editor/SrcEditTextBuffer.h"

// Holds an update block of the list for its lifetime.
class TSrcEditStringList::UpdateBlock {
 public:
  explicit UpdateBlock(TSrcEditStringList& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateBlock() { list_.EndUpdate(); }

 private:
  TSrcEditStringList& list_;
};

namespace SrcEditLineRecords {

// How a line's text is stored (the sfKindMask bits).
inline constexpr std::uint32_t kLatin1 = 0, kUtf8 = 16, kUtf16 = 32;
inline constexpr std::uint32_t kNoLength = 0xFFFFFF;  // expanded length unknown (or too long to keep)

inline std::uint32_t Kind(const TSrcEditLineRec& r) { return r.fMeta & sfKindMask; }
inline std::uint8_t Flags(const TSrcEditLineRec& r) { return static_cast<std::uint8_t>(r.fMeta & 0xFF); }
inline std::uint8_t TabBits(const TSrcEditLineRec& r) { return Flags(r) & 7; }
inline void SetTabBits(TSrcEditLineRec& r, std::uint8_t bits) { r.fMeta = (r.fMeta & ~7u) | bits; }
inline int StoredExpandedLength(const TSrcEditLineRec& r) {
  const std::uint32_t v = r.fMeta >> 8;
  return v == kNoLength ? -1 : static_cast<int>(v);
}
inline void SetExpandedLength(TSrcEditLineRec& r, qsizetype length) {
  const std::uint32_t v = length < 0 || length >= kNoLength ? kNoLength : static_cast<std::uint32_t>(length);
  r.fMeta = (r.fMeta & 0xFF) | (v << 8);
}
inline TSrcEditLineRec FreshRecord() { return TSrcEditLineRec{0, 0, -1, (kNoLength << 8) | sfExpandedLengthUnknown}; }

}  // namespace SrcEditLineRecords
