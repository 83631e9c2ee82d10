// The editor's text: an ordered list of lines with, per line, the scanner
// state at its start, the cached tab expansion and the word-wrap
// continuation mark. The records live in one array with a gap at the place
// of the last edit, so local edits move few records however long the text is.
#pragma once

#include "editor/SrcEditMiscProcs.h"
#include "editor/SrcEditTypes.h"
#include "platform/SafeFile.h"
#include "platform/TextCodec.h"
#include "platform/Types.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

enum TSrcEditFileFormat : std::uint8_t { lbsCRLF, lbsLF, lbsCR };

// Flag bits of a line record.
enum : std::uint8_t {
  sfHasTabs = 1,                 // the text holds a TAB
  sfHasNoTabs = 2,               // the text holds none
  sfExpandedLengthUnknown = 4,   // the expanded form has not been computed
};

struct TSrcEditStringRec {
  QString fString;
  TObject* fObject = nullptr;
  std::int32_t fRange = -1;
  std::int32_t fExpandedLength = -1;
  std::uint8_t fContinuation = 0;
  std::uint8_t fFlags = sfExpandedLengthUnknown;
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
  // The length of a line without copying it; 0 out of range.
  int LineLength(int index) const {
    return index >= 0 && index < count_ ? static_cast<int>(Rec(index).fString.size()) : 0;
  }
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
  QString ExpandedText(int index);
  int ExpandedLength(int index);
  int LongestLineLength();
  int LineRange(int index) const;
  void SetLineRange(int index, int range);
  bool IsContinuation(int index) const;
  int RewrapParagraph(int index);

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

  TSrcEditStringRec& Rec(int index) { return store_[index < gapStart_ ? index : index + gapLength()]; }
  const TSrcEditStringRec& Rec(int index) const { return store_[index < gapStart_ ? index : index + gapLength()]; }
  int gapLength() const { return static_cast<int>(store_.size()) - count_; }
  void MoveGap(int index);
  void Grow(int needed);
  // Opens `n` fresh records at `index` and returns the first.
  TSrcEditStringRec* OpenRecords(int index, int n);
  void CloseRecords(int index, int n);
  [[noreturn]] void Error(int index) const;

  void InsertItem(int index, const QString& text);
  // Cuts the next piece off `rest` by the wrap rules.
  QString NextWrapPiece(QString& rest) const;
  void WrapAll();
  void UnwrapAll();
  void ResetExpansion(TSrcEditStringRec& rec);
  // Each original line once, continuations joined.
  template <class F>
  void ForEachLogicalLine(F&& f) const;
  // Raises EWriteError when the text does not fit its encoding.
  void CheckEncoding(const QString& name) const;
  // Replaces the text by the file `data` (named `name` in messages).
  void LoadBytes(const QByteArray& data, const QString& name);
  template <class Unit, class MakeString>
  void LoadLines(const Unit* begin, const Unit* end, TextEncoding encoding, bool bom, const QString& name,
                 MakeString&& makeString);

  std::vector<TSrcEditStringRec> store_;
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
  void Write(QStringView text, bool withBreak);
  // Writes the buffered bytes; raises EWriteError when the stream refuses.
  void Flush();

 protected:
  QIODevice* stream_;

 private:
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
