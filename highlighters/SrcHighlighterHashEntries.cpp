#include "highlighters/SrcHighlighterHashEntries.h"

TSrcHashEntry::~TSrcHashEntry() {
  // Unlinks the chain one entry at a time: a long chain must not recurse.
  while (next) next = std::move(next->next);
}

bool TSrcHashEntryList::InsertByLength(int index, std::unique_ptr<TSrcHashEntry> entry) {
  if (index < 0) return false;
  if (index >= static_cast<int>(heads_.size())) heads_.resize(static_cast<size_t>(index) + 1);
  std::unique_ptr<TSrcHashEntry>* link = &heads_[static_cast<size_t>(index)];
  while (*link && (*link)->keyLen <= entry->keyLen) {
    if ((*link)->keyLen == entry->keyLen && (*link)->keyword.compare(entry->keyword, Qt::CaseInsensitive) == 0)
      return false;
    link = &(*link)->next;
  }
  entry->next = std::move(*link);
  *link = std::move(entry);
  ++entries_;
  return true;
}

void TSrcHashEntryList::Clear() {
  heads_.clear();
  entries_ = 0;
}

void SplitKeywordList(QStringView text, const TSrcIdentChars& chars,
                      const std::function<void(QStringView word, int kind)>& found, int kind) {
  if (text.isEmpty() || !found) return;
  qsizetype start = -1;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    const bool in = i < text.size() && chars.Contains(text[i]);
    if (in && start < 0) start = i;
    if (!in && start >= 0) {
      found(text.mid(start, i - start), kind);
      start = -1;
    }
  }
}
