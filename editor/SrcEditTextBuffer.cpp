// The line list of the text buffer: the string-list operations, the
// buffer's own (expansion, scanner states) and word wrap. Its storage and its
// files are in SrcEditTextStorage.cpp and SrcEditTextFiles.cpp.
#include "editor/SrcEditTextBuffer.h"

#include <algorithm>
#include <cstring>

#include "editor/SrcEditTextRecords.h"
#include "platform/Exceptions.h"

using namespace SrcEditLineRecords;

namespace {

constexpr std::uint32_t kSpareLength = 4096;  // longest line widened into a spare string (see Get)

}  // namespace

ESrcEditStringList::ESrcEditStringList(int index)
    : ESrcEditError(QStringLiteral("Invalid stringlist index %1").arg(index)) {}

TSrcEditStringList::TSrcEditStringList() : convertTabs_(GetTabConvertProcEx(8)) {}
TSrcEditStringList::~TSrcEditStringList() = default;

void TSrcEditStringList::Error(int index) const { throw ESrcEditStringList(index); }

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
  const auto it =
      std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
  return it != objects_.end() && it->first == index ? it->second : nullptr;
}

void TSrcEditStringList::PutObject(int index, TObject* object) {
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  const auto it =
      std::lower_bound(objects_.begin(), objects_.end(), std::make_pair(index, static_cast<TObject*>(nullptr)));
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
    copy.fMeta =
        (copy.fMeta & static_cast<std::uint32_t>(sfKindMask | sfLarge)) | (kNoLength << 8) | sfExpandedLengthUnknown;
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
