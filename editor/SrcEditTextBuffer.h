// The editor's text: an ordered list of lines with, per line, the scanner
// state at its start, the cached tab expansion and the word-wrap
// continuation mark.
//
// The characters live in a few large blocks: a line whose characters are all
// below 256 takes one byte per character (Latin-1), any other line is kept as
// UTF-8, or as UTF-16 when it holds a surrogate that UTF-8 cannot carry. A
// line is a 16-byte record (where its bytes are, how many, the scanner state,
// the expanded length and flags) in one array with a gap at the place of the
// last edit, so local edits move few records however long the text is. An
// edited line's new bytes go to the end of the newest block (or over the old
// ones when they fit); the space left behind is reclaimed by a compaction once
// it outweighs the text. The rarely used per-line objects sit in a side table.
//
// Defined in SrcEditTextStorage.cpp (blocks and line records),
// SrcEditTextBuffer.cpp (the line list and word wrap) and SrcEditTextFiles.cpp
// (loading, saving and the writer).
#pragma once

#include <QAnyStringView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "editor/SrcEditMiscProcs.h"
#include "editor/SrcEditTypes.h"
#include "platform/SafeFile.h"
#include "platform/TextCodec.h"
#include "platform/Types.h"

class QIODevice;

enum TSrcEditFileFormat : std::uint8_t { lbsCRLF, lbsLF, lbsCR };

// Flag bits of a line record.
enum : std::uint8_t {
  sfHasTabs = 1,                // the expanded form differs: the text holds a TAB or a wide character
  sfHasNoTabs = 2,              // the text holds neither (its expanded form is itself)
  sfExpandedLengthUnknown = 4,  // the expanded form has not been computed
  sfContinuation = 8,           // a piece of the line before, made by word wrap
  sfKindMask = 48,              // how the text is stored: Latin-1, UTF-8, UTF-16
  sfLarge = 64,                 // the text has an allocation of its own
};

// One line: where its bytes are, how many, its scanner state, and its
// expanded length (bits 8 to 31; all ones while unknown) with flags (bits 0
// to 7: the tab bits above, sfContinuation, the storage kind, sfLarge).
struct TSrcEditLineRec {
  std::uint32_t fWhere = 0;  // block << kBlockBits | offset; a large line's slot
  std::uint32_t fSize = 0;   // bytes of text
  std::int32_t fRange = -1;
  std::uint32_t fMeta = 0;
};
static_assert(sizeof(TSrcEditLineRec) == 16);

// The storage of the lines' text (see TSrcEditStringList).
class TSrcEditTextStore {
 public:
  TSrcEditTextStore() = default;
  TSrcEditTextStore(TSrcEditTextStore&&) noexcept = default;
  TSrcEditTextStore& operator=(TSrcEditTextStore&&) noexcept = default;

  // Bytes of live text, and bytes left behind by edits.
  qint64 LiveBytes() const { return live_; }
  qint64 DeadBytes() const { return dead_; }

  // Stores a text and returns its record (range -1, expansion unknown).
  TSrcEditLineRec Store(QStringView text);
  // Stores bytes known to be Latin-1 or valid UTF-8.
  TSrcEditLineRec StoreLatin1(QByteArrayView bytes);
  TSrcEditLineRec StoreUtf8(QByteArrayView bytes);
  // Puts a new text in place of a record's, over the old bytes when it fits.
  void Replace(TSrcEditLineRec& rec, QStringView text);
  // Gives the record's bytes up.
  void Release(const TSrcEditLineRec& rec);
  // A copy of the record's bytes in this store.
  TSrcEditLineRec Copy(const TSrcEditTextStore& from, const TSrcEditLineRec& rec);

  QAnyStringView View(const TSrcEditLineRec& rec) const;
  // Hands the record's text to an encoder.
  void Encode(const TSrcEditLineRec& rec, TextCodec::Encoder& encoder) const;
  QString Text(const TSrcEditLineRec& rec) const;
  // Length in UTF-16 units.
  int Length(const TSrcEditLineRec& rec) const;

  // Copies the live text of `recs` into fresh blocks.
  void Compact(std::span<TSrcEditLineRec> before, std::span<TSrcEditLineRec> after);
  bool Wasteful() const { return dead_ > live_ && dead_ > (qint64(4) << 20); }

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    std::uint32_t used = 0;
    std::uint32_t dead = 0;
  };
  char* Allocate(TSrcEditLineRec& rec, std::uint32_t size, std::uint32_t kind);
  const char* Data(const TSrcEditLineRec& rec) const;
  TSrcEditLineRec StoreBytes(QByteArrayView bytes, std::uint32_t kind);

  std::vector<Block> blocks_;
  std::vector<std::uint32_t> freeBlocks_;
  std::uint32_t tail_ = 0;  // the block new text goes to (valid when blocks_ is not empty)
  std::vector<std::unique_ptr<char[]>> large_;
  std::vector<std::uint32_t> freeLarge_;
  qint64 live_ = 0;
  qint64 dead_ = 0;
};

class ESrcEditStringList : public ESrcEditError {
 public:
  explicit ESrcEditStringList(int index);
};

class TSrcEditStringList : public TObject {
 public:
  TSrcEditStringList();
  ~TSrcEditStringList() override;
  TSrcEditStringList(const TSrcEditStringList&) = delete;
  TSrcEditStringList& operator=(const TSrcEditStringList&) = delete;
  const char* ClassName() const override { return "TSrcEditStringList"; }

  // ---- string-list operations
  int Count() const { return count_; }
  int Capacity() const { return static_cast<int>(store_.size()); }
  void SetCapacity(int capacity);
  // The text of a line; an index out of range gives an empty string.
  QString Get(int index) const;
  QString operator[](int index) const { return Get(index); }
  // The text of a line without copying it, as Latin-1, UTF-8 or UTF-16
  // (see the class comment); valid until the list next changes. An index out
  // of range gives an empty view.
  QAnyStringView View(int index) const {
    return index >= 0 && index < count_ ? text_.View(Rec(index)) : QAnyStringView();
  }
  // The length of a line in UTF-16 units without copying it; 0 out of range.
  int LineLength(int index) const { return index >= 0 && index < count_ ? text_.Length(Rec(index)) : 0; }
  void Put(int index, const QString& text);
  TObject* GetObject(int index) const;
  void PutObject(int index, TObject* object);
  int Add(const QString& text);
  void AddStrings(const QStringList& lines);
  void AddStrings(const TSrcEditStringList& other);
  void Clear();
  void Delete(int index);
  void Exchange(int index1, int index2);
  void Insert(int index, const QString& text);
  // The lines as a list (continuations stay separate records).
  QStringList ToStringList() const;

  // Update blocks: OnChanging fires when the outermost block begins,
  // OnChange when it ends.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // ---- files and streams
  // Raises EFOpenError with the system's reason, or at once, unopened, for a
  // name that leads to a FIFO, a device or a folder.
  void LoadFromFile(const QString& fileName);
  void LoadFromStream(QIODevice& stream);
  // Writes through a temporary file that replaces the target only when every
  // byte was written; any failure raises EStreamError naming the file and the
  // system's reason, and keeps the old file. Where a temporary file cannot
  // keep the folder's, the links' or the owner's terms, `ask` decides whether
  // the file is written in place (no answer or false: ESaveCancelled).
  void SaveToFile(const QString& fileName, const TInPlaceQuestion& ask = {});
  void SaveToStream(QIODevice& stream);
  // The file's bytes as SaveToStream writes them.
  QByteArray SaveToBytes();
  // The number of bytes a save writes.
  qint64 EncodedSize() const;

  // ---- operations of its own
  void InsertLines(int index, int count);
  void DeleteLines(int index, int count);
  // A line laid out on the character grid, one unit per cell (GridText: TAB
  // fillers, a filler after each wide character); its length is the line's
  // width in cells.
  QString ExpandedText(int index);
  int ExpandedLength(int index);
  int LongestLineLength();
  int LineRange(int index) const;
  void SetLineRange(int index, int range);
  bool IsContinuation(int index) const;
  int RewrapParagraph(int index);
  // Packs the text of edited lines back into as few blocks as it needs (done
  // by itself once the space left behind by edits outweighs the text).
  void Compact();
  // Bytes the text takes in its blocks, and bytes left behind by edits.
  qint64 TextBytes() const { return text_.LiveBytes(); }
  qint64 WastedBytes() const { return text_.DeadBytes(); }

  // ---- settings
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int value);  // clamped to 1..256
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  int WrapWidth() const { return wrapWidth_; }
  void SetWrapWidth(int value) { wrapWidth_ = value < 1 ? 1 : value; }
  TSrcEditFileFormat FileFormat() const { return fileFormat_; }
  void SetFileFormat(TSrcEditFileFormat value) { fileFormat_ = value; }
  bool AppendLineBreakAtEnd() const { return appendLineBreakAtEnd_; }
  void SetAppendLineBreakAtEnd(bool value) { appendLineBreakAtEnd_ = value; }
  // The encoding the text was read with and is written back in, with its
  // byte-order mark when it had one. A text that no longer fits a single-byte
  // encoding is not saved (EWriteError): the caller decides about another.
  TextEncoding Encoding() const { return encoding_; }
  bool CanEncode() const;
  void SetEncoding(TextEncoding value) { encoding_ = value; }
  bool WriteBom() const { return writeBom_; }
  void SetWriteBom(bool value) { writeBom_ = value; }

  // ---- notifications
  std::function<void(TObject* sender)> OnChange;
  std::function<void(TObject* sender)> OnChanging;
  std::function<void(int index, const QString& text)> OnLinesAdded;
  std::function<void(TObject* sender)> OnLinesCleared;
  std::function<void(int index)> OnLineDeleted;
  std::function<void(int index, const QString& text)> OnLineInserted;
  std::function<void(int index, const QString& text)> OnLineReplaced;

 private:
  friend class UpdateBlock;
  class UpdateBlock;

  TSrcEditLineRec& Rec(int index) { return store_[index < gapStart_ ? index : index + gapLength()]; }
  const TSrcEditLineRec& Rec(int index) const { return store_[index < gapStart_ ? index : index + gapLength()]; }
  int gapLength() const { return static_cast<int>(store_.size()) - count_; }
  void MoveGap(int index);
  void Grow(int needed);
  // Opens `n` fresh records at `index` and returns the first.
  TSrcEditLineRec* OpenRecords(int index, int n);
  // Gives up the text of `n` records at `index` and closes them.
  void CloseRecords(int index, int n);
  void CompactIfWasteful();
  [[noreturn]] void Error(int index) const;

  // The side table of objects follows insertions and deletions.
  void ShiftObjects(int index, int delta);
  void DropObjects(int index, int n);

  void InsertItem(int index, const QString& text);
  // Cuts the next piece off `rest` by the wrap rules.
  QString NextWrapPiece(QString& rest) const;
  void WrapAll();
  void UnwrapAll();
  static void ResetExpansion(TSrcEditLineRec& rec);
  // Raises EWriteError when the text does not fit its encoding.
  void CheckEncoding(const QString& name) const;
  // Encodes the file's bytes straight from the lines into the encoder:
  // byte-order mark, every line with its break, continuations joined.
  void Encode(TextCodec::Encoder& encoder) const;
  // Reads the text from `stream`, called `name` in the messages.
  void LoadNamed(QIODevice& stream, const QString& name);
  // Reads the text from a stream that can seek, in chunks.
  void LoadChunks(QIODevice& stream, const QString& name);

  std::vector<TSrcEditLineRec> store_;
  TSrcEditTextStore text_;
  std::vector<std::pair<int, TObject*>> objects_;  // by line index, ascending
  mutable QString spares_[2];                      // see Get()
  int count_ = 0;
  int gapStart_ = 0;
  int updateCount_ = 0;
  bool wordWrap_ = false;
  int wrapWidth_ = 80;
  TSrcEditFileFormat fileFormat_ = lbsCRLF;
  bool appendLineBreakAtEnd_ = true;
  TConvertTabsProcEx convertTabs_ = nullptr;
  int indexOfLongestLine_ = -1;
  int tabWidth_ = 8;
  TextEncoding encoding_ = TextEncoding::Utf8;
  bool writeBom_ = false;
};

// A buffered writer of lines: text, then the line break of its style.
class TSrcEditFiler {
 public:
  explicit TSrcEditFiler(QIODevice* stream);
  virtual ~TSrcEditFiler() = default;
  void SetLineBreakStyle(TSrcEditFileFormat style) { style_ = style; }
  void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }
  int BufferSize() const { return static_cast<int>(buffer_.size()); }
  void WriteRaw(QByteArrayView bytes);
  // Writes the buffered bytes, then `bytes` straight to the stream (for
  // pieces as large as the buffer or larger).
  void WriteThrough(QByteArrayView bytes);
  void Write(QAnyStringView text, bool withBreak);
  // Writes the buffered bytes; raises EWriteError when the stream refuses.
  void Flush();

 protected:
  QIODevice* stream_;

 private:
  void Put(const char* data, qint64 size);

  QByteArray buffer_;
  qsizetype used_ = 0;
  TSrcEditFileFormat style_ = lbsLF;
  TextEncoding encoding_ = TextEncoding::Utf8;
};

// The filer over a file saved safely (see TSafeFile).
class TSrcEditFileWriter : public TSrcEditFiler {
 public:
  TSrcEditFileWriter(const QString& fileName, const TInPlaceQuestion& ask, std::function<qint64()> expectedSize);
  // Flushes and puts the new file in place; raises EWriteError on failure.
  void Commit();

 private:
  TSafeFile file_;
};
