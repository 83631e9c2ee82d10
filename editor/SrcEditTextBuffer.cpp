#include "editor/SrcEditTextBuffer.h"

#include "platform/Exceptions.h"
#include "platform/Memory.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cstring>

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

// ------------------------------------------------------------ record array

void TSrcEditStringList::MoveGap(int index) {
  const int gap = gapLength();
  if (gap == 0) {
    gapStart_ = index;
    return;
  }
  auto* base = store_.data();
  if (index < gapStart_) {
    std::move_backward(base + index, base + gapStart_, base + gapStart_ + gap);
  } else if (index > gapStart_) {
    std::move(base + gapStart_ + gap, base + index + gap, base + gapStart_);
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
  std::vector<TSrcEditStringRec> fresh(static_cast<size_t>(capacity));
  for (int i = 0; i < count_; ++i) fresh[i] = std::move(Rec(i));
  store_.swap(fresh);
  gapStart_ = count_;
}

TSrcEditStringRec* TSrcEditStringList::OpenRecords(int index, int n) {
  if (gapLength() < n) Grow(n);
  MoveGap(index);
  gapStart_ += n;
  count_ += n;
  return &store_[index];
}

void TSrcEditStringList::CloseRecords(int index, int n) {
  MoveGap(index);
  const int gap = gapLength();
  for (int i = 0; i < n; ++i) store_[index + gap + i] = TSrcEditStringRec();
  count_ -= n;
}

// ------------------------------------------------------- string-list parts

QString TSrcEditStringList::Get(int index) const {
  if (index < 0 || index >= count_) return QString();
  return Rec(index).fString;
}

QStringList TSrcEditStringList::ToStringList() const {
  QStringList out;
  out.reserve(count_);
  for (int i = 0; i < count_; ++i) out.append(Rec(i).fString);
  return out;
}

void TSrcEditStringList::Put(int index, const QString& text) {
  if ((index == 0 && count_ == 0) || index == count_) {
    Add(text);
    return;
  }
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  TSrcEditStringRec& r = Rec(index);
  r.fString = text;
  ResetExpansion(r);
  indexOfLongestLine_ = -1;
  if (OnLineReplaced) OnLineReplaced(index, text);
}

TObject* TSrcEditStringList::GetObject(int index) const {
  if (index < 0 || index >= count_) return nullptr;
  return Rec(index).fObject;
}

void TSrcEditStringList::PutObject(int index, TObject* object) {
  if (index < 0 || index >= count_) Error(index);
  UpdateBlock block(*this);
  Rec(index).fObject = object;
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
  TSrcEditStringRec* recs = OpenRecords(first, n);
  for (int i = 0; i < n; ++i) recs[i] = TSrcEditStringRec{lines[i], nullptr, -1, -1, 0, sfExpandedLengthUnknown};
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
  std::vector<TSrcEditStringRec> copies;
  copies.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto& src = other.Rec(i);
    copies.push_back(TSrcEditStringRec{src.fString, src.fObject, -1, -1, 0, sfExpandedLengthUnknown});
  }
  TSrcEditStringRec* recs = OpenRecords(first, n);
  for (int i = 0; i < n; ++i) recs[i] = std::move(copies[i]);
  if (OnLinesAdded) OnLinesAdded(first, QString());
}

void TSrcEditStringList::Clear() {
  if (count_ != 0) {
    std::vector<TSrcEditStringRec>().swap(store_);
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
  if (OnLineDeleted) OnLineDeleted(index);
}

void TSrcEditStringList::Exchange(int index1, int index2) {
  if (index1 < 0 || index1 >= count_) Error(index1);
  if (index2 < 0 || index2 >= count_) Error(index2);
  if (index1 == index2) return;
  UpdateBlock block(*this);
  std::swap(Rec(index1), Rec(index2));
  if (indexOfLongestLine_ == index1)
    indexOfLongestLine_ = index2;
  else if (indexOfLongestLine_ == index2)
    indexOfLongestLine_ = index1;
  // Both places now hold other text: whoever caches per-line data hears of it.
  if (OnLineReplaced) {
    OnLineReplaced(index1, Rec(index1).fString);
    OnLineReplaced(index2, Rec(index2).fString);
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
  if (!wordWrap_ || text.size() <= wrapWidth_) {
    if (count_ == Capacity()) Grow(1);
    *OpenRecords(index, 1) = TSrcEditStringRec{text, nullptr, -1, -1, 0, sfExpandedLengthUnknown};
    return;
  }
  QString rest = text;
  std::uint8_t continuation = 0;
  do {
    QString piece = NextWrapPiece(rest);
    if (count_ == Capacity()) Grow(1);
    *OpenRecords(index, 1) = TSrcEditStringRec{std::move(piece), nullptr, -1, -1, continuation, sfExpandedLengthUnknown};
    ++index;
    continuation = 1;
  } while (!rest.isEmpty());
}

// ---------------------------------------------------------- own operations

void TSrcEditStringList::InsertLines(int index, int n) {
  if (n <= 0) return;
  if (index < 0 || index > count_) Error(index);
  UpdateBlock block(*this);
  if (gapLength() < n) SetCapacity(count_ + n);
  TSrcEditStringRec* recs = OpenRecords(index, n);
  for (int i = 0; i < n; ++i) recs[i] = TSrcEditStringRec{QString(), nullptr, 0, 0, 0, 0};
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
  if (OnLineDeleted) OnLineDeleted(index);
}

void TSrcEditStringList::ResetExpansion(TSrcEditStringRec& rec) {
  rec.fExpandedLength = -1;
  rec.fFlags = sfExpandedLengthUnknown;
}

QString TSrcEditStringList::ExpandedText(int index) {
  if (index < 0 || index >= count_) return QString();
  TSrcEditStringRec& r = Rec(index);
  if (r.fFlags & sfHasNoTabs) return r.fString;
  bool hasTabs = false;
  QString expanded = convertTabs_(r.fString, tabWidth_, hasTabs);
  r.fExpandedLength = static_cast<int>(expanded.size());
  r.fFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
  return expanded;
}

int TSrcEditStringList::ExpandedLength(int index) {
  if (index < 0 || index >= count_) return 0;
  TSrcEditStringRec& r = Rec(index);
  // Records made by InsertLines carry flags 0: treat them as unknown.
  if ((r.fFlags & sfExpandedLengthUnknown) || r.fFlags == 0 || r.fExpandedLength < 0) ExpandedText(index);
  if (r.fFlags & sfHasNoTabs) return static_cast<int>(r.fString.size());
  return r.fExpandedLength;
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
  return Rec(index).fContinuation != 0;
}

void TSrcEditStringList::SetTabWidth(int value) {
  value = std::clamp(value, 1, 256);
  if (value == tabWidth_) return;
  tabWidth_ = value;
  convertTabs_ = GetTabConvertProcEx(value);
  indexOfLongestLine_ = -1;
  for (int i = 0; i < count_; ++i) {
    TSrcEditStringRec& r = Rec(i);
    r.fExpandedLength = -1;
    r.fFlags = static_cast<std::uint8_t>((r.fFlags & ~sfHasNoTabs) | sfExpandedLengthUnknown);
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
  std::vector<TSrcEditStringRec> fresh;
  fresh.reserve(static_cast<size_t>(count_) + 16);
  for (int i = 0; i < count_; ++i) {
    TSrcEditStringRec& r = Rec(i);
    if (r.fString.size() <= wrapWidth_) {
      fresh.push_back(std::move(r));
      continue;
    }
    QString rest = std::move(r.fString);
    TSrcEditStringRec first = std::move(r);
    first.fString = NextWrapPiece(rest);
    ResetExpansion(first);
    fresh.push_back(std::move(first));
    while (!rest.isEmpty())
      fresh.push_back(TSrcEditStringRec{NextWrapPiece(rest), nullptr, -1, -1, 1, sfExpandedLengthUnknown});
  }
  count_ = static_cast<int>(fresh.size());
  gapStart_ = count_;
  store_.swap(fresh);
  indexOfLongestLine_ = -1;
}

void TSrcEditStringList::UnwrapAll() {
  UpdateBlock block(*this);
  std::vector<TSrcEditStringRec> fresh;
  fresh.reserve(static_cast<size_t>(count_));
  for (int i = 0; i < count_; ++i) {
    TSrcEditStringRec& r = Rec(i);
    // A continuation with no line before it becomes a line of its own rather
    // than losing its text.
    if (r.fContinuation && !fresh.empty()) {
      fresh.back().fString += r.fString;
      ResetExpansion(fresh.back());
    } else {
      r.fContinuation = 0;
      fresh.push_back(std::move(r));
    }
  }
  count_ = static_cast<int>(fresh.size());
  gapStart_ = count_;
  store_.swap(fresh);
  indexOfLongestLine_ = -1;
}

int TSrcEditStringList::RewrapParagraph(int index) {
  if (!wordWrap_ || index < 0 || index >= count_) return index;
  UpdateBlock block(*this);
  int first = index;
  while (first > 0 && Rec(first).fContinuation) --first;
  int last = index;
  while (last + 1 < count_ && Rec(last + 1).fContinuation) ++last;
  QString text;
  for (int i = first; i <= last; ++i) text += Rec(i).fString;
  TSrcEditStringRec head = std::move(Rec(first));
  CloseRecords(first, last - first + 1);
  std::vector<TSrcEditStringRec> pieces;
  QString rest = text;
  head.fString = NextWrapPiece(rest);
  ResetExpansion(head);
  pieces.push_back(std::move(head));
  while (!rest.isEmpty())
    pieces.push_back(TSrcEditStringRec{NextWrapPiece(rest), nullptr, -1, -1, 1, sfExpandedLengthUnknown});
  TSrcEditStringRec* recs = OpenRecords(first, static_cast<int>(pieces.size()));
  for (size_t i = 0; i < pieces.size(); ++i) recs[i] = std::move(pieces[i]);
  indexOfLongestLine_ = -1;
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

// Calls f(first, past) for every line of [begin, end): a line ends at CR,
// LF or CR LF; a break at the end adds no empty line.
template <class Unit, class F>
void ForEachLine(const Unit* begin, const Unit* end, bool& sawCR, bool& sawLF, F&& f) {
  for (const Unit* p = begin; p < end;) {
    const Unit* q = LineEnd(p, end);
    f(p, q);
    if (q < end && *q == '\r') {
      sawCR = true;
      ++q;
    }
    if (q < end && *q == '\n') {
      sawLF = true;
      ++q;
    }
    p = q;
  }
}

}  // namespace

namespace {

// What one more line costs beyond its characters: its record, the editor's
// own bookkeeping and, for a line that is not empty, its string's header.
constexpr qint64 kLineCost = sizeof(TSrcEditStringRec) + 16;
constexpr qint64 kStringCost = 40;

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

QByteArray ReadWhole(QIODevice& stream, const QString& name) {
  QByteArray data;
  if (!stream.isSequential()) {
    stream.seek(0);
    // One read into a buffer of the known size.
    const qint64 size = stream.size();
    if (size > 0x7FFFFFF0LL) throw EReadError(QStringLiteral("The file is too large to be edited."));
    CheckMemory(size, name);
    data.resize(static_cast<qsizetype>(size));
    qint64 got = 0;
    while (got < size) {
      const qint64 n = stream.read(data.data() + got, size - got);
      if (n <= 0) break;
      got += n;
    }
    data.truncate(static_cast<qsizetype>(got));
    data.append(stream.readAll());  // anything that grew meanwhile
  } else {
    data = stream.readAll();
  }
  if (auto* file = qobject_cast<QFileDevice*>(&stream); file && file->error() != QFileDevice::NoError)
    throw EReadError(QStringLiteral("Stream read error: %1").arg(file->errorString()));
  return data;
}

}  // namespace

void TSrcEditStringList::LoadFromStream(QIODevice& stream) {
  const QString name = StreamName(stream);
  try {
    LoadBytes(ReadWhole(stream, name), name);
  } catch (const std::bad_alloc&) {
    throw EReadError(QStringLiteral("Not enough memory to open \"%1\".").arg(name));
  }
}

void TSrcEditStringList::LoadBytes(const QByteArray& data, const QString& name) {
  int bom = 0;
  bool ascii = false;
  const TextEncoding encoding = TextCodec::sniff(data, &bom, &ascii);
  const QByteArrayView body = QByteArrayView(data).sliced(bom);
  if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Windows1252) {
    // UTF-16 and UTF-32: the lines are found in the decoded text.
    CheckMemory(2 * body.size(), name);
    const QString text = TextCodec::decode(body, encoding);
    const auto* units = reinterpret_cast<const char16_t*>(text.constData());
    LoadLines(units, units + text.size(), encoding, bom > 0, name,
              [](const char16_t* p, const char16_t* q) { return QString(reinterpret_cast<const QChar*>(p), q - p); });
    return;
  }
  LoadLines(body.data(), body.data() + body.size(), encoding, bom > 0, name, [&](const char* p, const char* q) {
    const QByteArrayView bytes(p, q - p);
    return ascii ? QString::fromLatin1(bytes) : TextCodec::decode(bytes, encoding);
  });
}

template <class Unit, class MakeString>
void TSrcEditStringList::LoadLines(const Unit* begin, const Unit* end, TextEncoding encoding, bool bom,
                                   const QString& name, MakeString&& makeString) {
  // Count the lines first: the memory they need is known before any is made.
  qsizetype lines = 0, filled = 0;
  bool sawCR = false, sawLF = false;
  ForEachLine(begin, end, sawCR, sawLF, [&](const Unit* p, const Unit* q) {
    ++lines;
    if (q > p) ++filled;
  });
  if (lines > INT_MAX - 16) throw EReadError(QStringLiteral("The text has too many lines."));
  CheckMemory(lines * kLineCost + filled * kStringCost + 2 * (end - begin), name);

  // The new text is made whole before the old one goes, so a failure leaves
  // the list as it was.
  std::vector<TSrcEditStringRec> fresh(static_cast<size_t>(lines));
  qsizetype index = 0, longest = -1;
  ForEachLine(begin, end, sawCR, sawLF, [&](const Unit* p, const Unit* q) {
    fresh[index].fString = makeString(p, q);
    if (longest < 0 || fresh[index].fString.size() > fresh[longest].fString.size()) longest = index;
    ++index;
  });

  UpdateBlock block(*this);
  Clear();
  const QString longestText = longest >= 0 ? fresh[longest].fString : QString();
  store_.swap(fresh);
  count_ = gapStart_ = static_cast<int>(lines);
  indexOfLongestLine_ = -1;
  encoding_ = encoding;
  writeBom_ = bom;
  if (sawCR && !sawLF)
    fileFormat_ = lbsCR;
  else if (sawLF && !sawCR)
    fileFormat_ = lbsLF;
  else
    fileFormat_ = lbsCRLF;
  if (wordWrap_) WrapAll();
  if (count_ > 0 && OnLinesAdded) OnLinesAdded(0, longestText);
}

template <class F>
void TSrcEditStringList::ForEachLogicalLine(F&& f) const {
  int i = 0;
  while (i < count_) {
    int j = i + 1;
    while (j < count_ && Rec(j).fContinuation) ++j;
    if (j == i + 1) {
      f(QStringView(Rec(i).fString), j == count_);
    } else {
      QString joined = Rec(i).fString;
      for (int k = i + 1; k < j; ++k) joined += Rec(k).fString;
      f(QStringView(joined), j == count_);
    }
    i = j;
  }
}

bool TSrcEditStringList::CanEncode() const {
  if (!TextCodec::isSingleByte(encoding_)) return true;
  for (int i = 0; i < count_; ++i)
    if (!TextCodec::canEncode(Rec(i).fString, encoding_)) return false;
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

QByteArray TSrcEditStringList::SaveToBytes() {
  const QStringView lineBreak = BreakText(fileFormat_);
  qsizetype estimate = 0;
  for (int i = 0; i < count_; ++i) estimate += Rec(i).fString.size() + lineBreak.size();
  QByteArray out;
  out.reserve(estimate + 4);
  if (writeBom_) out.append(TextCodec::bomBytes(encoding_));
  ForEachLogicalLine([&](QStringView text, bool last) {
    TextCodec::encodeAppend(out, text, encoding_);
    if (!last || appendLineBreakAtEnd_) TextCodec::encodeAppend(out, lineBreak, encoding_);
  });
  return out;
}

void TSrcEditStringList::SaveToStream(QIODevice& stream) {
  CheckEncoding(QStringLiteral("the text"));
  const QByteArray bytes = SaveToBytes();
  if (bytes.isEmpty()) return;
  if (stream.write(bytes) != bytes.size())
    throw EWriteError(QStringLiteral("Stream write error: %1").arg(stream.errorString()));
}

qint64 TSrcEditStringList::EncodedSize() const {
  const qint64 lineBreak = TextCodec::encodedSize(BreakText(fileFormat_), encoding_);
  qint64 size = writeBom_ ? TextCodec::bomBytes(encoding_).size() : 0;
  for (int i = 0; i < count_; ++i) {
    size += TextCodec::encodedSize(Rec(i).fString, encoding_);
    if (i + 1 < count_ ? !Rec(i + 1).fContinuation : appendLineBreakAtEnd_) size += lineBreak;
  }
  return size;
}

void TSrcEditStringList::SaveToFile(const QString& fileName, const TInPlaceQuestion& ask) {
  CheckEncoding(fileName);
  TSrcEditFileWriter writer(fileName, ask, [this] { return EncodedSize(); });
  writer.SetLineBreakStyle(fileFormat_);
  writer.SetEncoding(encoding_);
  if (writeBom_) writer.WriteRaw(TextCodec::bomBytes(encoding_));
  ForEachLogicalLine([&](QStringView text, bool last) { writer.Write(text, !last || appendLineBreakAtEnd_); });
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

void TSrcEditFiler::Write(QStringView text, bool withBreak) {
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

void TSrcEditFiler::Flush() {
  if (used_ == 0) return;
  const qint64 written = stream_->write(buffer_.constData(), used_);
  if (written != used_) {
    // A safe file's message names the file and the reason.
    if (dynamic_cast<TSafeFile*>(stream_)) throw EWriteError(stream_->errorString());
    throw EWriteError(QStringLiteral("Stream write error: %1").arg(stream_->errorString()));
  }
  used_ = 0;
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
