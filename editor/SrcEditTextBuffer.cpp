#include "editor/SrcEditTextBuffer.h"

#include "platform/Exceptions.h"
#include "platform/Memory.h"

#include <QBuffer>
#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

ESrcEditStringList::ESrcEditStringList(int index)
    : ESrcEditError(QStringLiteral("Invalid stringlist index %1").arg(index)) {}

// Holds an update block of the list for its lifetime.
class TSrcEditStringList::UpdateBlock {
 public:
  explicit UpdateBlock(TSrcEditStringList& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateBlock() { list_.EndUpdate(); }

 private:
  TSrcEditStringList& list_;
};

TSrcEditStringList::TSrcEditStringList() : convertTabs_(GetTabConvertProcEx(8)) {}
TSrcEditStringList::~TSrcEditStringList() = default;

void TSrcEditStringList::Error(int index) const { throw ESrcEditStringList(index); }

// -------------------------------------------------------------- text store

namespace {

constexpr std::uint32_t kBlockBits = 20;
constexpr std::uint32_t kBlockSize = 1u << kBlockBits;  // 1 MB
constexpr std::uint32_t kMaxBlocks = 1u << (32 - kBlockBits);
constexpr std::uint32_t kLargeLine = 64 * 1024;  // longer lines get an allocation of their own
constexpr std::uint32_t kLatin1 = 0, kUtf8 = 16, kUtf16 = 32;
constexpr std::uint32_t kNoLength = 0xFFFFFF;   // expanded length unknown (or too long to keep)
constexpr std::uint32_t kSpareLength = 4096;  // longest line widened into a spare string (see Get)

std::uint32_t Kind(const TSrcEditLineRec& r) { return r.fMeta & sfKindMask; }
std::uint8_t Flags(const TSrcEditLineRec& r) { return static_cast<std::uint8_t>(r.fMeta & 0xFF); }
std::uint8_t TabBits(const TSrcEditLineRec& r) { return Flags(r) & 7; }
void SetTabBits(TSrcEditLineRec& r, std::uint8_t bits) { r.fMeta = (r.fMeta & ~7u) | bits; }
int StoredExpandedLength(const TSrcEditLineRec& r) {
  const std::uint32_t v = r.fMeta >> 8;
  return v == kNoLength ? -1 : static_cast<int>(v);
}
void SetExpandedLength(TSrcEditLineRec& r, qsizetype length) {
  const std::uint32_t v = length < 0 || length >= kNoLength ? kNoLength : static_cast<std::uint32_t>(length);
  r.fMeta = (r.fMeta & 0xFF) | (v << 8);
}
TSrcEditLineRec FreshRecord() { return TSrcEditLineRec{0, 0, -1, (kNoLength << 8) | sfExpandedLengthUnknown}; }

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
    case kLatin1: return QLatin1StringView(p, rec.fSize);
    case kUtf8: return QUtf8StringView(p, rec.fSize);
    default: return QStringView(reinterpret_cast<const QChar*>(p), rec.fSize / 2);
  }
}

void TSrcEditTextStore::Encode(const TSrcEditLineRec& rec, TextCodec::Encoder& encoder) const {
  if (rec.fSize == 0) return;
  const char* p = rec.fMeta & sfLarge ? large_[rec.fWhere].get()
                                      : blocks_[rec.fWhere >> kBlockBits].data.get() + (rec.fWhere & (kBlockSize - 1));
  switch (Kind(rec)) {
    case kLatin1: encoder.appendLatin1(p, rec.fSize); break;
    case kUtf8: encoder.appendUtf8(p, rec.fSize); break;
    default: encoder.append(QStringView(reinterpret_cast<const QChar*>(p), rec.fSize / 2)); break;
  }
}

QString TSrcEditTextStore::Text(const TSrcEditLineRec& rec) const {
  if (rec.fSize == 0) return QString();
  const char* p = Data(rec);
  switch (Kind(rec)) {
    case kLatin1: return QString::fromLatin1(p, rec.fSize);
    case kUtf8: return TextCodec::decode(QByteArrayView(p, rec.fSize), TextEncoding::Utf8);
    default: return QString(reinterpret_cast<const QChar*>(p), rec.fSize / 2);
  }
}

int TSrcEditTextStore::Length(const TSrcEditLineRec& rec) const {
  switch (Kind(rec)) {
    case kLatin1: return static_cast<int>(rec.fSize);
    case kUtf8: return Utf16Length(Data(rec), rec.fSize);
    default: return static_cast<int>(rec.fSize / 2);
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
    std::memmove(base + gapStart_, base + gapStart_ + gap, sizeof(TSrcEditLineRec) * static_cast<size_t>(index - gapStart_));
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
  for (auto it = std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
       it != objects_.end(); ++it)
    it->first += delta;
}

void TSrcEditStringList::DropObjects(int index, int n) {
  if (objects_.empty()) return;
  const auto first = std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
  auto last = first;
  while (last != objects_.end() && last->first < index + n) ++last;
  for (auto it = objects_.erase(first, last); it != objects_.end(); ++it) it->first -= n;
}

// ------------------------------------------------------- string-list parts

QString TSrcEditStringList::Get(int index) const {
  if (index < 0 || index >= count_) return QString();
  const TSrcEditLineRec& r = Rec(index);
  // Scanners read line after line and keep only the last: a short Latin-1
  // line is widened into one of two strings that nobody else holds any more,
  // which saves an allocation per line. A new one is made to measure, so a
  // caller who keeps what it read holds no more than before.
  if (Kind(r) != kLatin1 || r.fSize == 0 || r.fSize > kSpareLength) return text_.Text(r);
  auto fill = [&](QString& spare) {
    spare.resize(r.fSize);
    const auto* p = reinterpret_cast<const unsigned char*>(text_.View(r).data());
    char16_t* out = reinterpret_cast<char16_t*>(spare.data());
    for (std::uint32_t i = 0; i < r.fSize; ++i) out[i] = p[i];
    return spare;
  };
  for (QString& spare : spares_)
    if (spare.isDetached()) return fill(spare);
  // Both are still held elsewhere (or not made yet): a new one takes the
  // place of the older.
  std::swap(spares_[0], spares_[1]);
  spares_[0] = text_.Text(r);
  return spares_[0];
}

QStringList TSrcEditStringList::ToStringList() const {
  QStringList out;
  out.reserve(count_);
  for (int i = 0; i < count_; ++i) out.append(text_.Text(Rec(i)));
  return out;
}

void TSrcEditStringList::Put(int index, const QString& text) {
  if ((index == 0 && count_ == 0) || index == count_) {
    Add(text);
    return;
  }
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  TSrcEditLineRec& r = Rec(index);
  text_.Replace(r, text);
  ResetExpansion(r);
  indexOfLongestLine_ = -1;
  CompactIfWasteful();
  if (OnLineReplaced) OnLineReplaced(index, text);
}

TObject* TSrcEditStringList::GetObject(int index) const {
  if (index < 0 || index >= count_ || objects_.empty()) return nullptr;
  const auto it = std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
  return it != objects_.end() && it->first == index ? it->second : nullptr;
}

void TSrcEditStringList::PutObject(int index, TObject* object) {
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  const auto it = std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
  if (it != objects_.end() && it->first == index) {
    if (object)
      it->second = object;
    else
      objects_.erase(it);
  } else if (object) {
    objects_.insert(it, {index, object});
  }
}

void TSrcEditStringList::BeginUpdate() {
  if (updateCount_++ == 0 && OnChanging) OnChanging(this);
}

void TSrcEditStringList::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && OnChange) OnChange(this);
}

int TSrcEditStringList::Add(const QString& text) {
  UpdateBlock block(*this);
  const int index = count_;
  InsertItem(index, text);
  if (OnLinesAdded) OnLinesAdded(index, text);
  return index;
}

void TSrcEditStringList::AddStrings(const QStringList& lines) {
  if (lines.isEmpty()) return;
  UpdateBlock block(*this);
  indexOfLongestLine_ = -1;
  const int first = count_;
  const int n = static_cast<int>(lines.size());
  const int wanted = ((count_ + n + 15) / 16) * 16;
  if (wanted > Capacity()) SetCapacity(wanted);
  TSrcEditLineRec* recs = OpenRecords(first, n);
  for (int i = 0; i < n; ++i) recs[i] = text_.Store(lines[i]);
  if (OnLinesAdded) OnLinesAdded(first, QString());
}

void TSrcEditStringList::AddStrings(const TSrcEditStringList& other) {
  if (other.count_ == 0) return;
  UpdateBlock block(*this);
  indexOfLongestLine_ = -1;
  const int first = count_;
  const int n = other.count_;
  const int wanted = ((count_ + n + 15) / 16) * 16;
  if (wanted > Capacity()) SetCapacity(wanted);
  // Read the source before opening records: it may be this very list.
  std::vector<TSrcEditLineRec> copies;
  std::vector<std::pair<int, TObject*>> objects;
  copies.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    TSrcEditLineRec copy = text_.Copy(other.text_, other.Rec(i));
    copy.fRange = -1;
    copy.fMeta = (copy.fMeta & static_cast<std::uint32_t>(sfKindMask | sfLarge)) | (kNoLength << 8) |
                 sfExpandedLengthUnknown;
    copies.push_back(copy);
    if (TObject* object = other.GetObject(i)) objects.push_back({first + i, object});
  }
  TSrcEditLineRec* recs = OpenRecords(first, n);
  std::copy(copies.begin(), copies.end(), recs);
  objects_.insert(objects_.end(), objects.begin(), objects.end());
  if (OnLinesAdded) OnLinesAdded(first, QString());
}

void TSrcEditStringList::Clear() {
  if (count_ != 0) {
    std::vector<TSrcEditLineRec>().swap(store_);
    text_ = TSrcEditTextStore();
    objects_.clear();
    count_ = 0;
    gapStart_ = 0;
    if (OnLinesCleared) OnLinesCleared(this);
  }
  indexOfLongestLine_ = -1;
}

void TSrcEditStringList::Delete(int index) {
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  CloseRecords(index, 1);
  indexOfLongestLine_ = -1;
  CompactIfWasteful();
  if (OnLineDeleted) OnLineDeleted(index);
}

void TSrcEditStringList::Exchange(int index1, int index2) {
  if (index1 < 0 || index1 >= count_) Error(index1);
  if (index2 < 0 || index2 >= count_) Error(index2);
  if (index1 == index2) return;
  UpdateBlock block(*this);
  std::swap(Rec(index1), Rec(index2));
  TObject* object1 = GetObject(index1);
  TObject* object2 = GetObject(index2);
  PutObject(index1, object2);
  PutObject(index2, object1);
  if (indexOfLongestLine_ == index1)
    indexOfLongestLine_ = index2;
  else if (indexOfLongestLine_ == index2)
    indexOfLongestLine_ = index1;
  // Both places now hold other text: whoever caches per-line data hears of it.
  if (OnLineReplaced) {
    OnLineReplaced(index1, Get(index1));
    OnLineReplaced(index2, Get(index2));
  }
}

void TSrcEditStringList::Insert(int index, const QString& text) {
  if (index < 0 || index > count_) Error(index);
  UpdateBlock block(*this);
  InsertItem(index, text);
  if (OnLineInserted) OnLineInserted(index, text);
}

QString TSrcEditStringList::NextWrapPiece(QString& rest) const {
  const int w = wrapWidth_;
  if (!wordWrap_ || rest.size() <= w) {
    QString piece;
    piece.swap(rest);
    return piece;
  }
  auto isBreak = [](QChar c) { return c == u'\t' || c == u' ' || c == u',' || c == u';' || c == u'>'; };
  qsizetype end = -1;  // index of the break character that ends the piece
  for (qsizetype i = w - 1; i >= 0; --i)
    if (isBreak(rest[i])) {
      end = i;
      break;
    }
  if (end < 0)
    for (qsizetype i = w; i < rest.size(); ++i)
      if (isBreak(rest[i])) {
        end = i;
        break;
      }
  if (end < 0 || end + 1 >= rest.size()) {
    QString piece;
    piece.swap(rest);
    return piece;
  }
  QString piece = rest.left(end + 1);
  rest.remove(0, end + 1);
  return piece;
}

void TSrcEditStringList::InsertItem(int index, const QString& text) {
  UpdateBlock block(*this);
  indexOfLongestLine_ = -1;
  QString rest = text;
  std::uint32_t continuation = 0;
  do {
    const QString piece = NextWrapPiece(rest);
    if (count_ == Capacity()) Grow(1);
    TSrcEditLineRec rec = text_.Store(piece);
    rec.fMeta |= continuation;
    *OpenRecords(index, 1) = rec;
    ++index;
    continuation = sfContinuation;
  } while (!rest.isEmpty());
}

// ---------------------------------------------------------- own operations

void TSrcEditStringList::InsertLines(int index, int n) {
  if (n <= 0) return;
  if (index < 0 || index > count_) Error(index);
  UpdateBlock block(*this);
  if (gapLength() < n) SetCapacity(count_ + n);
  TSrcEditLineRec* recs = OpenRecords(index, n);
  std::fill(recs, recs + n, TSrcEditLineRec{0, 0, 0, 0});
  indexOfLongestLine_ = -1;
  if (OnLinesAdded) OnLinesAdded(index, QString());
}

void TSrcEditStringList::DeleteLines(int index, int n) {
  if (n <= 0) return;
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  n = std::min(n, count_ - index);
  CloseRecords(index, n);
  indexOfLongestLine_ = -1;
  CompactIfWasteful();
  if (OnLineDeleted) OnLineDeleted(index);
}

void TSrcEditStringList::ResetExpansion(TSrcEditLineRec& rec) {
  SetExpandedLength(rec, -1);
  SetTabBits(rec, sfExpandedLengthUnknown);
}

QString TSrcEditStringList::ExpandedText(int index) {
  if (index < 0 || index >= count_) return QString();
  TSrcEditLineRec& r = Rec(index);
  if (TabBits(r) & sfHasNoTabs) return text_.Text(r);
  bool hasTabs = false;
  QString expanded = convertTabs_(text_.Text(r), tabWidth_, hasTabs);
  SetExpandedLength(r, expanded.size());
  SetTabBits(r, hasTabs ? sfHasTabs : sfHasNoTabs);
  return expanded;
}

int TSrcEditStringList::ExpandedLength(int index) {
  if (index < 0 || index >= count_) return 0;
  TSrcEditLineRec& r = Rec(index);
  // Records made by InsertLines carry flags 0: treat them as unknown.
  if ((TabBits(r) & sfExpandedLengthUnknown) || TabBits(r) == 0 || StoredExpandedLength(r) < 0) {
    // A line without TAB or wide character needs no expansion: find that
    // out without a copy (a Latin-1 line holds no wide character).
    const QAnyStringView view = text_.View(r);
    bool plain;
    if (TextCodec::viewForm(view) == TextCodec::ViewForm::Utf16) {
      const QStringView units(static_cast<const QChar*>(view.data()), view.size());
      plain = !units.contains(u'\t') && !HasWideChars(units);
    } else {
      plain = !std::memchr(view.data(), '\t', static_cast<size_t>(view.size()));
      if (plain && Kind(r) == kUtf8) {
        // Wide characters of the basic plane start with bytes E1 to EF.
        const auto* p = static_cast<const unsigned char*>(view.data());
        for (qsizetype i = 0; plain && i < view.size(); ++i) plain = p[i] < 0xE1 || p[i] > 0xEF;
      }
    }
    if (plain) {
      SetTabBits(r, sfHasNoTabs);
      SetExpandedLength(r, text_.Length(r));
    } else {
      return static_cast<int>(ExpandedText(index).size());
    }
  }
  if (const int stored = StoredExpandedLength(r); stored >= 0) return stored;
  // Too long to keep in the record.
  return TabBits(r) & sfHasNoTabs ? text_.Length(r) : static_cast<int>(ExpandedText(index).size());
}

int TSrcEditStringList::LongestLineLength() {
  if (indexOfLongestLine_ < 0) {
    int best = 0;
    for (int i = 0; i < count_; ++i) {
      const int len = ExpandedLength(i);
      if (len > best) {
        best = len;
        indexOfLongestLine_ = i;
      }
    }
  }
  return indexOfLongestLine_ >= 0 && indexOfLongestLine_ < count_ ? ExpandedLength(indexOfLongestLine_) : 0;
}

int TSrcEditStringList::LineRange(int index) const {
  if (index < 0 || index >= count_) return 0;
  return Rec(index).fRange;
}

void TSrcEditStringList::SetLineRange(int index, int range) {
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  Rec(index).fRange = range;
}

bool TSrcEditStringList::IsContinuation(int index) const {
  if (index < 0 || index >= count_) return false;
  return (Rec(index).fMeta & sfContinuation) != 0;
}

void TSrcEditStringList::SetTabWidth(int value) {
  value = std::clamp(value, 1, 256);
  if (value == tabWidth_) return;
  tabWidth_ = value;
  convertTabs_ = GetTabConvertProcEx(value);
  indexOfLongestLine_ = -1;
  for (int i = 0; i < count_; ++i) {
    TSrcEditLineRec& r = Rec(i);
    SetExpandedLength(r, -1);
    SetTabBits(r, static_cast<std::uint8_t>((TabBits(r) & ~sfHasNoTabs) | sfExpandedLengthUnknown));
  }
}

// --------------------------------------------------------------- word wrap

void TSrcEditStringList::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  if (value)
    WrapAll();
  else
    UnwrapAll();
}

void TSrcEditStringList::WrapAll() {
  UpdateBlock block(*this);
  std::vector<TSrcEditLineRec> fresh;
  std::vector<std::pair<int, TObject*>> objects;
  fresh.reserve(static_cast<size_t>(count_) + 16);
  for (int i = 0; i < count_; ++i) {
    TSrcEditLineRec r = Rec(i);
    if (TObject* object = GetObject(i)) objects.push_back({static_cast<int>(fresh.size()), object});
    if (text_.Length(r) <= wrapWidth_) {
      fresh.push_back(r);
      continue;
    }
    QString rest = text_.Text(r);
    text_.Replace(r, NextWrapPiece(rest));
    ResetExpansion(r);
    fresh.push_back(r);
    while (!rest.isEmpty()) {
      TSrcEditLineRec piece = text_.Store(NextWrapPiece(rest));
      piece.fMeta |= sfContinuation;
      fresh.push_back(piece);
    }
  }
  count_ = static_cast<int>(fresh.size());
  gapStart_ = count_;
  store_.swap(fresh);
  objects_.swap(objects);
  indexOfLongestLine_ = -1;
}

void TSrcEditStringList::UnwrapAll() {
  UpdateBlock block(*this);
  std::vector<TSrcEditLineRec> fresh;
  std::vector<std::pair<int, TObject*>> objects;
  fresh.reserve(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i) {
    TSrcEditLineRec r = Rec(i);
    // A continuation with no line before it becomes a line of its own rather
    // than losing its text.
    if ((r.fMeta & sfContinuation) && !fresh.empty()) {
      TSrcEditLineRec& back = fresh.back();
      text_.Replace(back, text_.Text(back) + text_.Text(r));
      ResetExpansion(back);
      text_.Release(r);
    } else {
      r.fMeta &= ~static_cast<std::uint32_t>(sfContinuation);
      if (TObject* object = GetObject(i)) objects.push_back({static_cast<int>(fresh.size()), object});
      fresh.push_back(r);
    }
  }
  count_ = static_cast<int>(fresh.size());
  gapStart_ = count_;
  store_.swap(fresh);
  objects_.swap(objects);
  indexOfLongestLine_ = -1;
  CompactIfWasteful();
}

int TSrcEditStringList::RewrapParagraph(int index) {
  if (!wordWrap_ || index < 0 || index >= count_) return index;
  UpdateBlock block(*this);
  int first = index;
  while (first > 0 && (Rec(first).fMeta & sfContinuation)) --first;
  int last = index;
  while (last + 1 < count_ && (Rec(last + 1).fMeta & sfContinuation)) ++last;
  QString rest;
  for (int i = first; i <= last; ++i) rest += Get(i);
  CloseRecords(first + 1, last - first);
  TSrcEditLineRec& head = Rec(first);
  text_.Replace(head, NextWrapPiece(rest));
  ResetExpansion(head);
  std::vector<TSrcEditLineRec> pieces;
  while (!rest.isEmpty()) {
    TSrcEditLineRec piece = text_.Store(NextWrapPiece(rest));
    piece.fMeta |= sfContinuation;
    pieces.push_back(piece);
  }
  if (!pieces.empty()) {
    TSrcEditLineRec* recs = OpenRecords(first + 1, static_cast<int>(pieces.size()));
    std::copy(pieces.begin(), pieces.end(), recs);
  }
  indexOfLongestLine_ = -1;
  CompactIfWasteful();
  return first;
}

// ------------------------------------------------------------------ files

void TSrcEditStringList::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) throw EFOpenError(fileName, file.errorString());
  LoadFromStream(file);
}

namespace {

// The end of the line that starts at p: the first CR or LF, or `end`.
const char* LineEnd(const char* p, const char* end) {
  const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
  const char* stop = lf ? lf : end;
  const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(stop - p)));
  return cr ? cr : stop;
}

const char16_t* LineEnd(const char16_t* p, const char16_t* end) {
  while (p < end && *p != u'\r' && *p != u'\n') ++p;
  return p;
}

// Cuts text that arrives in pieces into lines: a line ends at CR, LF or
// CR LF, also when a piece ends between the CR and the LF; a break at the
// end adds no empty line.
template <class Unit>
class LineSplitter {
 public:
  template <class Emit>
  void Feed(const Unit* p, const Unit* end, Emit&& onLine) {
    if (pendingCR_ && p < end) {
      pendingCR_ = false;
      if (*p == '\n') {
        sawLF = true;
        ++p;
      }
    }
    while (p < end) {
      const Unit* q = LineEnd(p, end);
      if (q == end) {  // the line goes on in the next piece
        partial_.append(p, q);
        return;
      }
      if (partial_.empty()) {
        onLine(p, q - p);
      } else {
        partial_.append(p, q);
        onLine(partial_.data(), static_cast<qsizetype>(partial_.size()));
        partial_.clear();
      }
      if (*q == '\r') {
        sawCR = true;
        if (++q == end) pendingCR_ = true;
      }
      if (q < end && *q == '\n') {
        sawLF = true;
        ++q;
      }
      p = q;
    }
  }
  template <class Emit>
  void Finish(Emit&& onLine) {
    if (!partial_.empty()) onLine(partial_.data(), static_cast<qsizetype>(partial_.size()));
    partial_.clear();
  }
  bool sawCR = false, sawLF = false;

 private:
  std::basic_string<Unit> partial_;
  bool pendingCR_ = false;
};

QString StreamName(QIODevice& stream) {
  auto* file = qobject_cast<QFileDevice*>(&stream);
  return file && !file->fileName().isEmpty() ? file->fileName() : QStringLiteral("the text");
}

// Refuses a load that needs more memory than the machine can give.
void CheckMemory(qint64 needed, const QString& name) {
  const qint64 available = Memory::Available();
  if (available >= 0 && needed > available)
    throw EReadError(QStringLiteral("Not enough memory to open \"%1\": it needs about %2, but only %3 are available.")
                         .arg(name, Memory::Megabytes(needed), Memory::Megabytes(available)));
}

void CheckStream(QIODevice& stream) {
  if (auto* file = qobject_cast<QFileDevice*>(&stream); file && file->error() != QFileDevice::NoError)
    throw EReadError(QStringLiteral("Stream read error: %1").arg(file->errorString()));
}

// The Latin-1 form of valid UTF-8 whose characters are all below 256.
bool Utf8ToLatin1(const char* text, qsizetype n, QByteArray& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  out.resize(n);
  qsizetype k = 0;
  for (qsizetype i = 0; i < n; ++i) {
    if (p[i] < 0x80) {
      out[k++] = static_cast<char>(p[i]);
    } else if (p[i] == 0xC2 || p[i] == 0xC3) {
      out[k++] = static_cast<char>(((p[i] & 3) << 6) | (p[i + 1] & 0x3F));
      ++i;
    } else {
      return false;
    }
  }
  out.truncate(k);
  return true;
}

bool HasC1Bytes(const char* text, qsizetype n) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  for (qsizetype i = 0; i < n; ++i)
    if (p[i] >= 0x80 && p[i] < 0xA0) return true;
  return false;
}

}  // namespace

void TSrcEditStringList::LoadFromStream(QIODevice& stream) {
  const QString name = StreamName(stream);
  try {
    if (!stream.isSequential()) {
      LoadChunks(stream, name);
      return;
    }
    // A pipe cannot be read twice: keep what it gives.
    QByteArray data = stream.readAll();
    CheckStream(stream);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    LoadChunks(buffer, name);
  } catch (const std::bad_alloc&) {
    throw EReadError(QStringLiteral("Not enough memory to open \"%1\".").arg(name));
  }
}

void TSrcEditStringList::LoadChunks(QIODevice& stream, const QString& name) {
  constexpr qint64 kMaxFile = 0x7FFFFFF0LL;
  if (stream.size() > kMaxFile) throw EReadError(QStringLiteral("The file is too large to be edited."));
  // Pieces of 1 MB; a smaller file needs no more room than itself.
  const qint64 kChunk = std::clamp<qint64>(stream.size() + 1, 4096, 1 << 20);
  QByteArray chunk(kChunk, Qt::Uninitialized);
  auto read = [&] {
    const qint64 n = stream.read(chunk.data(), kChunk);
    CheckStream(stream);
    return n;
  };

  // First the encoding, and the number of lines to make room for.
  stream.seek(0);
  TextCodec::Sniffer sniffer;
  qint64 total = 0, lfs = 0, crs = 0;
  for (qint64 n; (n = read()) > 0;) {
    total += n;
    if (total > kMaxFile) throw EReadError(QStringLiteral("The file is too large to be edited."));
    sniffer.feed(QByteArrayView(chunk.constData(), n));
    lfs += std::count(chunk.constData(), chunk.constData() + n, '\n');
    crs += std::count(chunk.constData(), chunk.constData() + n, '\r');
  }
  const qint64 lines = std::max(lfs, crs) + 1;
  if (lines > INT_MAX - 16) throw EReadError(QStringLiteral("The text has too many lines."));
  CheckMemory(lines * qint64(sizeof(TSrcEditLineRec)) + total, name);
  int bom = 0;
  const TextEncoding encoding = sniffer.finish(&bom);

  // Then the lines. The new text is made whole before the old one goes, so a
  // failure leaves the list as it was.
  TSrcEditTextStore fresh;
  std::vector<TSrcEditLineRec> recs;
  recs.reserve(static_cast<size_t>(lines));
  qsizetype longest = -1;
  int longestLength = -1;
  auto add = [&](const TSrcEditLineRec& rec) {
    if (recs.size() >= size_t(INT_MAX - 16)) throw EReadError(QStringLiteral("The text has too many lines."));
    const int length = fresh.Length(rec);
    if (length > longestLength) {
      longestLength = length;
      longest = static_cast<qsizetype>(recs.size());
    }
    recs.push_back(rec);
  };
  QByteArray latin1;
  auto addBytes = [&](const char* p, qsizetype n) {
    const QByteArrayView bytes(p, n);
    if (TextCodec::isAscii(bytes) || (encoding == TextEncoding::Windows1252 && !HasC1Bytes(p, n))) {
      add(fresh.StoreLatin1(bytes));
    } else if (encoding == TextEncoding::Utf8 && TextCodec::isValidUtf8(bytes)) {
      add(Utf8ToLatin1(p, n, latin1) ? fresh.StoreLatin1(latin1) : fresh.StoreUtf8(bytes));
    } else {  // Windows-1252 beyond Latin-1, or bytes that changed since they were looked at
      add(fresh.Store(TextCodec::decode(bytes, encoding)));
    }
  };
  auto addUnits = [&](const char16_t* p, qsizetype n) {
    add(fresh.Store(QStringView(p, n)));
  };

  stream.seek(bom);
  bool sawCR = false, sawLF = false;
  if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Windows1252) {
    LineSplitter<char> splitter;
    for (qint64 n; (n = read()) > 0;) splitter.Feed(chunk.constData(), chunk.constData() + n, addBytes);
    splitter.Finish(addBytes);
    sawCR = splitter.sawCR;
    sawLF = splitter.sawLF;
  } else {
    // Wide text is decoded piece by piece; a unit cut by the end of a piece
    // waits for the rest.
    const int unit = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 : 4;
    LineSplitter<char16_t> splitter;
    QByteArray carry;
    for (qint64 n; (n = read()) > 0;) {
      carry.append(chunk.constData(), n);
      const qsizetype whole = carry.size() / unit * unit;
      const QString part = TextCodec::decode(QByteArrayView(carry).first(whole), encoding);
      carry.remove(0, whole);
      const auto* units = reinterpret_cast<const char16_t*>(part.constData());
      splitter.Feed(units, units + part.size(), addUnits);
    }
    splitter.Finish(addUnits);
    sawCR = splitter.sawCR;
    sawLF = splitter.sawLF;
  }

  UpdateBlock block(*this);
  Clear();
  store_.swap(recs);
  text_ = std::move(fresh);
  objects_.clear();
  count_ = gapStart_ = static_cast<int>(store_.size());
  indexOfLongestLine_ = -1;
  encoding_ = encoding;
  writeBom_ = bom > 0;
  if (sawCR && !sawLF)
    fileFormat_ = lbsCR;
  else if (sawLF && !sawCR)
    fileFormat_ = lbsLF;
  else
    fileFormat_ = lbsCRLF;
  const QString longestText = longest >= 0 ? Get(static_cast<int>(longest)) : QString();
  if (wordWrap_) WrapAll();
  if (count_ > 0 && OnLinesAdded) OnLinesAdded(0, longestText);
}

bool TSrcEditStringList::CanEncode() const {
  if (!TextCodec::isSingleByte(encoding_)) return true;
  for (int i = 0; i < count_; ++i)
    if (!TextCodec::canEncode(View(i), encoding_)) return false;
  return true;
}

void TSrcEditStringList::CheckEncoding(const QString& name) const {
  if (!CanEncode())
    throw EWriteError(QStringLiteral("Cannot save \"%1\" in %2: the text holds characters that %2 cannot hold.")
                          .arg(name, TextCodec::encodingName(encoding_)));
}

namespace {

QStringView BreakText(TSrcEditFileFormat format) {
  switch (format) {
    case lbsLF: return u"\n";
    case lbsCR: return u"\r";
    default: return u"\r\n";
  }
}

}  // namespace

// The size of the pieces a save hands to the file: large enough that the
// system calls cost next to nothing, small enough to stay in the cache.
constexpr qsizetype kSaveBuffer = qsizetype(1) << 20;

void TSrcEditStringList::Encode(TextCodec::Encoder& encoder) const {
  if (writeBom_) encoder.appendRaw(TextCodec::bomBytes(encoding_));
  const QByteArray lineBreak = TextCodec::encode(BreakText(fileFormat_), encoding_);
  // A record's break is written unless the next one continues it (word
  // wrap): continuations are joined by writing them one after the other.
  const TSrcEditLineRec* before = store_.data();              // the records before the gap
  const TSrcEditLineRec* after = store_.data() + gapLength();  // and after it, by index
  for (int i = 0; i < count_; ++i) {
    text_.Encode((i < gapStart_ ? before : after)[i], encoder);
    const bool lineEnds = i + 1 < count_ ? !((i + 1 < gapStart_ ? before : after)[i + 1].fMeta & sfContinuation)
                                         : appendLineBreakAtEnd_;
    if (lineEnds) encoder.appendRaw(lineBreak);
  }
  encoder.finish();
}

QByteArray TSrcEditStringList::SaveToBytes() {
  QByteArray out;
  TextCodec::Encoder encoder(encoding_, [&](QByteArrayView bytes) { out.append(bytes); }, kSaveBuffer);
  Encode(encoder);
  return out;
}

void TSrcEditStringList::SaveToStream(QIODevice& stream) {
  CheckEncoding(QStringLiteral("the text"));
  TSrcEditFiler filer(&stream);
  TextCodec::Encoder encoder(encoding_, [&](QByteArrayView bytes) { filer.WriteThrough(bytes); }, kSaveBuffer);
  Encode(encoder);
  filer.Flush();
}

qint64 TSrcEditStringList::EncodedSize() const {
  const qint64 lineBreak = TextCodec::encodedSize(BreakText(fileFormat_), encoding_);
  qint64 size = writeBom_ ? TextCodec::bomBytes(encoding_).size() : 0;
  for (int i = 0; i < count_; ++i) {
    size += TextCodec::encodedSize(View(i), encoding_);
    if (i + 1 < count_ ? !(Rec(i + 1).fMeta & sfContinuation) : appendLineBreakAtEnd_) size += lineBreak;
  }
  return size;
}

void TSrcEditStringList::SaveToFile(const QString& fileName, const TInPlaceQuestion& ask) {
  CheckEncoding(fileName);
  TSrcEditFileWriter writer(fileName, ask, [this] { return EncodedSize(); });
  writer.SetLineBreakStyle(fileFormat_);
  writer.SetEncoding(encoding_);
  TextCodec::Encoder encoder(encoding_, [&](QByteArrayView bytes) { writer.WriteThrough(bytes); }, kSaveBuffer);
  Encode(encoder);
  writer.Commit();
}

// ------------------------------------------------------------------ writer

TSrcEditFiler::TSrcEditFiler(QIODevice* stream) : stream_(stream), buffer_(16384, Qt::Uninitialized) {}

void TSrcEditFiler::WriteRaw(QByteArrayView bytes) {
  if (used_ + bytes.size() > buffer_.size()) Flush();
  if (bytes.size() > buffer_.size()) buffer_.resize(bytes.size());
  std::memcpy(buffer_.data() + used_, bytes.data(), static_cast<size_t>(bytes.size()));
  used_ += bytes.size();
}

void TSrcEditFiler::Write(QAnyStringView text, bool withBreak) {
  const QStringView lineBreak = withBreak ? BreakText(style_) : QStringView();
  // Room for the longest encoded form of the text and its break.
  const qsizetype room = TextCodec::maxEncodedSize(text.size() + lineBreak.size(), encoding_);
  if (used_ + room > buffer_.size()) {
    Flush();
    if (room > buffer_.size()) buffer_.resize(room);
  }
  used_ += TextCodec::encodeInto(buffer_.data() + used_, text, encoding_);
  if (encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Windows1252) {
    for (QChar c : lineBreak) buffer_[used_++] = static_cast<char>(c.unicode());  // ASCII as it is
  } else {
    used_ += TextCodec::encodeInto(buffer_.data() + used_, lineBreak, encoding_);
  }
}

void TSrcEditFiler::WriteThrough(QByteArrayView bytes) {
  Flush();
  if (!bytes.isEmpty()) Put(bytes.data(), bytes.size());
}

void TSrcEditFiler::Flush() {
  if (used_ == 0) return;
  Put(buffer_.constData(), used_);
  used_ = 0;
}

void TSrcEditFiler::Put(const char* data, qint64 size) {
  if (stream_->write(data, size) != size) {
    // A safe file's message names the file and the reason.
    if (dynamic_cast<TSafeFile*>(stream_)) throw EWriteError(stream_->errorString());
    throw EWriteError(QStringLiteral("Stream write error: %1").arg(stream_->errorString()));
  }
}

TSrcEditFileWriter::TSrcEditFileWriter(const QString& fileName, const TInPlaceQuestion& ask,
                                       std::function<qint64()> expectedSize)
    : TSrcEditFiler(&file_), file_(fileName, ask, std::move(expectedSize)) {
  file_.Open();
}

void TSrcEditFileWriter::Commit() {
  Flush();
  file_.Commit();
}
