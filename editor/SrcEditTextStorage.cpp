// The storage of the text buffer: the blocks that hold the lines' bytes
// (TSrcEditTextStore), and the list's array of line records with its gap and
// the side table of objects.
#include <algorithm>
#include <cstring>
#include <new>

#include "editor/SrcEditTextBuffer.h"
#include "editor/SrcEditTextRecords.h"

using namespace SrcEditLineRecords;

// -------------------------------------------------------------- text store

namespace {

constexpr std::uint32_t kBlockBits = 20;
constexpr std::uint32_t kBlockSize = 1u << kBlockBits;  // 1 MB
constexpr std::uint32_t kMaxBlocks = 1u << (32 - kBlockBits);
constexpr std::uint32_t kLargeLine = 64 * 1024;  // longer lines get an allocation of their own

// The number of UTF-16 units of valid UTF-8.
int Utf16Length(const char* text, qsizetype n) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  qsizetype units = 0;
  for (qsizetype i = 0; i < n; ++i) units += ((p[i] & 0xC0) != 0x80) + (p[i] >= 0xF0);
  return static_cast<int>(units);
}

// How a text is best kept, and in how many bytes.
std::uint32_t KindFor(QStringView text, std::uint32_t& size) {
  char16_t all = 0;
  for (QChar c : text) all |= c.unicode();
  if (all < 0x100) {
    size = static_cast<std::uint32_t>(text.size());
    return kLatin1;
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {  // UTF-8 cannot carry a lone surrogate
      size = static_cast<std::uint32_t>(text.size() * 2);
      return kUtf16;
    }
  }
  size = static_cast<std::uint32_t>(TextCodec::encodedSize(text, TextEncoding::Utf8));
  return kUtf8;
}

void WriteAs(char* p, QStringView text, std::uint32_t kind) {
  if (kind == kLatin1) {
    for (qsizetype i = 0; i < text.size(); ++i) p[i] = static_cast<char>(text[i].unicode());
  } else if (kind == kUtf16) {
    std::memcpy(p, text.data(), static_cast<size_t>(text.size()) * 2);
  } else {
    TextCodec::encodeInto(p, text, TextEncoding::Utf8);
  }
}

void CheckSize(qsizetype size) {
  if (size > 0x7FFFFFF0) throw std::bad_alloc();
}

}  // namespace

char* TSrcEditTextStore::Allocate(TSrcEditLineRec& rec, std::uint32_t size, std::uint32_t kind) {
  rec.fMeta = (rec.fMeta & ~static_cast<std::uint32_t>(sfKindMask | sfLarge)) | kind;
  rec.fSize = size;
  rec.fWhere = 0;
  if (size == 0) return nullptr;
  if (size > kLargeLine) {
    std::unique_ptr<char[]> data(new char[size]);
    std::uint32_t slot;
    if (!freeLarge_.empty()) {
      slot = freeLarge_.back();
      freeLarge_.pop_back();
    } else {
      slot = static_cast<std::uint32_t>(large_.size());
      large_.emplace_back();
    }
    large_[slot] = std::move(data);
    rec.fWhere = slot;
    rec.fMeta |= sfLarge;
    live_ += size;
    return large_[slot].get();
  }
  const std::uint32_t align = kind == kUtf16 ? 1 : 0;
  if (blocks_.empty() || ((blocks_[tail_].used + align) & ~align) + size > kBlockSize) {
    std::uint32_t index;
    if (!freeBlocks_.empty()) {
      index = freeBlocks_.back();
      freeBlocks_.pop_back();
    } else {
      if (blocks_.size() >= kMaxBlocks) throw std::bad_alloc();
      index = static_cast<std::uint32_t>(blocks_.size());
      blocks_.emplace_back();
    }
    blocks_[index].data.reset(new char[kBlockSize]);
    blocks_[index].used = blocks_[index].dead = 0;
    tail_ = index;
  }
  Block& b = blocks_[tail_];
  const std::uint32_t offset = (b.used + align) & ~align;
  b.dead += offset - b.used;  // a byte of padding before UTF-16
  dead_ += offset - b.used;
  b.used = offset + size;
  rec.fWhere = tail_ << kBlockBits | offset;
  live_ += size;
  return b.data.get() + offset;
}

const char* TSrcEditTextStore::Data(const TSrcEditLineRec& rec) const {
  if (rec.fSize == 0) return "";
  if (rec.fMeta & sfLarge) return large_[rec.fWhere].get();
  return blocks_[rec.fWhere >> kBlockBits].data.get() + (rec.fWhere & (kBlockSize - 1));
}

TSrcEditLineRec TSrcEditTextStore::StoreBytes(QByteArrayView bytes, std::uint32_t kind) {
  CheckSize(bytes.size());
  TSrcEditLineRec rec = FreshRecord();
  if (char* p = Allocate(rec, static_cast<std::uint32_t>(bytes.size()), kind))
    std::memcpy(p, bytes.data(), static_cast<size_t>(bytes.size()));
  return rec;
}

TSrcEditLineRec TSrcEditTextStore::StoreLatin1(QByteArrayView bytes) { return StoreBytes(bytes, kLatin1); }
TSrcEditLineRec TSrcEditTextStore::StoreUtf8(QByteArrayView bytes) { return StoreBytes(bytes, kUtf8); }

TSrcEditLineRec TSrcEditTextStore::Store(QStringView text) {
  CheckSize(text.size() * 3);
  std::uint32_t size = 0;
  const std::uint32_t kind = KindFor(text, size);
  TSrcEditLineRec rec = FreshRecord();
  if (char* p = Allocate(rec, size, kind)) WriteAs(p, text, kind);
  return rec;
}

void TSrcEditTextStore::Replace(TSrcEditLineRec& rec, QStringView text) {
  CheckSize(text.size() * 3);
  std::uint32_t size = 0;
  const std::uint32_t kind = KindFor(text, size);
  const bool inBlock = rec.fSize > 0 && !(rec.fMeta & sfLarge);
  const std::uint32_t offset = rec.fWhere & (kBlockSize - 1);
  const bool aligned = kind != kUtf16 || (offset & 1) == 0;
  if (inBlock && aligned && size > 0) {
    Block& b = blocks_[rec.fWhere >> kBlockBits];
    const bool atEnd = rec.fWhere >> kBlockBits == tail_ && offset + rec.fSize == b.used;
    if (size <= rec.fSize || (atEnd && offset + size <= kBlockSize)) {
      // Over the old bytes: what is left over stays behind as waste, or is
      // given back when the line is the last thing in the newest block.
      if (atEnd) {
        b.used = offset + size;
      } else {
        b.dead += rec.fSize - size;
        dead_ += rec.fSize - size;
      }
      live_ += qint64(size) - qint64(rec.fSize);
      rec.fSize = size;
      rec.fMeta = (rec.fMeta & ~static_cast<std::uint32_t>(sfKindMask)) | kind;
      WriteAs(b.data.get() + offset, text, kind);
      return;
    }
  }
  TSrcEditLineRec fresh = rec;
  if (char* p = Allocate(fresh, size, kind)) WriteAs(p, text, kind);
  Release(rec);
  rec = fresh;
}

void TSrcEditTextStore::Release(const TSrcEditLineRec& rec) {
  if (rec.fSize == 0) return;
  live_ -= rec.fSize;
  if (rec.fMeta & sfLarge) {
    large_[rec.fWhere].reset();
    freeLarge_.push_back(rec.fWhere);
    return;
  }
  const std::uint32_t index = rec.fWhere >> kBlockBits;
  Block& b = blocks_[index];
  const std::uint32_t offset = rec.fWhere & (kBlockSize - 1);
  if (index == tail_ && offset + rec.fSize == b.used) {  // the newest bytes: simply taken back
    b.used = offset;
    if (b.dead == b.used) {  // only padding is left
      dead_ -= b.dead;
      b.used = b.dead = 0;
    }
    return;
  }
  b.dead += rec.fSize;
  dead_ += rec.fSize;
  if (b.dead == b.used) {  // nothing in the block is alive: it is free again
    dead_ -= b.dead;
    b.used = b.dead = 0;
    if (index != tail_) {
      b.data.reset();
      freeBlocks_.push_back(index);
    }
  }
}

TSrcEditLineRec TSrcEditTextStore::Copy(const TSrcEditTextStore& from, const TSrcEditLineRec& rec) {
  TSrcEditLineRec copy = rec;
  if (char* p = Allocate(copy, rec.fSize, Kind(rec))) std::memcpy(p, from.Data(rec), rec.fSize);
  return copy;
}

QAnyStringView TSrcEditTextStore::View(const TSrcEditLineRec& rec) const {
  const char* p = Data(rec);
  switch (Kind(rec)) {
    case kLatin1:
      return QLatin1StringView(p, rec.fSize);
    case kUtf8:
      return QUtf8StringView(p, rec.fSize);
    default:
      return QStringView(reinterpret_cast<const QChar*>(p), rec.fSize / 2);
  }
}

void TSrcEditTextStore::Encode(const TSrcEditLineRec& rec, TextCodec::Encoder& encoder) const {
  if (rec.fSize == 0) return;
  const char* p = rec.fMeta & sfLarge ? large_[rec.fWhere].get()
                                      : blocks_[rec.fWhere >> kBlockBits].data.get() + (rec.fWhere & (kBlockSize - 1));
  switch (Kind(rec)) {
    case kLatin1:
      encoder.appendLatin1(p, rec.fSize);
      break;
    case kUtf8:
      encoder.appendUtf8(p, rec.fSize);
      break;
    default:
      encoder.append(QStringView(reinterpret_cast<const QChar*>(p), rec.fSize / 2));
      break;
  }
}

QString TSrcEditTextStore::Text(const TSrcEditLineRec& rec) const {
  if (rec.fSize == 0) return QString();
  const char* p = Data(rec);
  switch (Kind(rec)) {
    case kLatin1:
      return QString::fromLatin1(p, rec.fSize);
    case kUtf8:
      return TextCodec::decode(QByteArrayView(p, rec.fSize), TextEncoding::Utf8);
    default:
      return QString(reinterpret_cast<const QChar*>(p), rec.fSize / 2);
  }
}

int TSrcEditTextStore::Length(const TSrcEditLineRec& rec) const {
  switch (Kind(rec)) {
    case kLatin1:
      return static_cast<int>(rec.fSize);
    case kUtf8:
      return Utf16Length(Data(rec), rec.fSize);
    default:
      return static_cast<int>(rec.fSize / 2);
  }
}

void TSrcEditTextStore::Compact(std::span<TSrcEditLineRec> before, std::span<TSrcEditLineRec> after) {
  TSrcEditTextStore fresh;
  for (auto part : {before, after}) {
    for (TSrcEditLineRec& rec : part) {
      if (rec.fSize == 0) continue;
      if (rec.fMeta & sfLarge) {  // large lines keep their allocation
        TSrcEditLineRec moved = rec;
        moved.fWhere = static_cast<std::uint32_t>(fresh.large_.size());
        fresh.large_.push_back(std::move(large_[rec.fWhere]));
        fresh.live_ += rec.fSize;
        rec = moved;
      } else {
        rec = fresh.Copy(*this, rec);
      }
    }
  }
  *this = std::move(fresh);
}

// ------------------------------------------------------------ record array

void TSrcEditStringList::MoveGap(int index) {
  const int gap = gapLength();
  if (gap == 0) {
    gapStart_ = index;
    return;
  }
  auto* base = store_.data();
  if (index < gapStart_) {
    std::memmove(base + index + gap, base + index, sizeof(TSrcEditLineRec) * static_cast<size_t>(gapStart_ - index));
  } else if (index > gapStart_) {
    std::memmove(base + gapStart_, base + gapStart_ + gap,
                 sizeof(TSrcEditLineRec) * static_cast<size_t>(index - gapStart_));
  }
  gapStart_ = index;
}

void TSrcEditStringList::Grow(int needed) {
  const int capacity = Capacity();
  int grown = capacity > 64 ? capacity + capacity / 4 : capacity + 16;
  SetCapacity(std::max(grown, count_ + needed));
}

void TSrcEditStringList::SetCapacity(int capacity) {
  if (capacity < count_) capacity = count_;
  if (capacity == Capacity()) return;
  std::vector<TSrcEditLineRec> fresh(static_cast<size_t>(capacity));
  for (int i = 0; i < count_; ++i) fresh[i] = Rec(i);
  store_.swap(fresh);
  gapStart_ = count_;
}

TSrcEditLineRec* TSrcEditStringList::OpenRecords(int index, int n) {
  if (gapLength() < n) Grow(n);
  MoveGap(index);
  gapStart_ += n;
  count_ += n;
  ShiftObjects(index, n);
  return &store_[index];
}

void TSrcEditStringList::CloseRecords(int index, int n) {
  MoveGap(index);
  const int gap = gapLength();
  for (int i = 0; i < n; ++i) text_.Release(store_[index + gap + i]);
  count_ -= n;
  DropObjects(index, n);
}

void TSrcEditStringList::Compact() {
  MoveGap(count_);
  text_.Compact(std::span(store_.data(), static_cast<size_t>(count_)), {});
}

void TSrcEditStringList::CompactIfWasteful() {
  if (text_.Wasteful()) Compact();
}

void TSrcEditStringList::ShiftObjects(int index, int delta) {
  for (auto it =
           std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
       it != objects_.end(); ++it)
    it->first += delta;
}

void TSrcEditStringList::DropObjects(int index, int n) {
  if (objects_.empty()) return;
  const auto first =
      std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
  auto last = first;
  while (last != objects_.end() && last->first < index + n) ++last;
  for (auto it = objects_.erase(first, last); it != objects_.end(); ++it) it->first -= n;
}
