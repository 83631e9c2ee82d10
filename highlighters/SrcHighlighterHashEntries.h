// Keyword entries of the SQL highlighter: one chain of entries per hash
// value, each chain kept in ascending keyword length.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "editor/SrcEditHighlighter.h"

// One keyword and its token kind; owns the rest of its chain.
struct TSrcHashEntry {
  TSrcHashEntry(const QString& word, int tokenKind)
      : keyLen(static_cast<int>(word.size())), keyword(word), kind(tokenKind) {}
  ~TSrcHashEntry();

  std::unique_ptr<TSrcHashEntry> next;
  int keyLen;
  QString keyword;
  int kind;
  // The keyword as its owner compares it (such as case-folded).
  QByteArray matchKey;
};

// Chain heads by hash value. Reading beyond the count gives no chain.
class TSrcHashEntryList {
 public:
  const TSrcHashEntry* Get(int index) const {
    return index >= 0 && index < static_cast<int>(heads_.size()) ? heads_[static_cast<size_t>(index)].get() : nullptr;
  }
  // Inserts into the chain at `index` after the entries of equal or smaller
  // length. A keyword already in the chain (without regard to case) is not
  // added again: the entry is dropped and false returned.
  bool InsertByLength(int index, std::unique_ptr<TSrcHashEntry> entry);
  int Count() const { return static_cast<int>(heads_.size()); }
  // Number of entries over all chains.
  int EntryCount() const { return entries_; }
  void Clear();

 private:
  std::vector<std::unique_ptr<TSrcHashEntry>> heads_;
  int entries_ = 0;
};

// Calls `found`(word, kind) for every maximal run of characters of `chars` in
// `text`, in order.
void SplitKeywordList(QStringView text, const TSrcIdentChars& chars,
                      const std::function<void(QStringView word, int kind)>& found, int kind);
