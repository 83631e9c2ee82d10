#include "highlighters/SrcHighlighterKeywordHash.h"

void TSrcKeywordTable::Fill(std::span<const TSrcKeyword> keywords, int slotCount) {
  buckets.assign(static_cast<size_t>(slotCount), {});
  keywordCount = 0;
  for (const TSrcKeyword& k : keywords) {
    const std::int64_t hash = HashWord(QString::fromLatin1(k.word));
    if (hash < 0) continue;
    // A keyword hashing at or above the bound gets a slot of its own beyond it.
    if (hash >= static_cast<std::int64_t>(buckets.size())) buckets.resize(static_cast<size_t>(hash) + 1);
    buckets[static_cast<size_t>(hash)].push_back(k);
    ++keywordCount;
  }
}

// 64-bit sum: a line of 2^31 units of the heaviest weight cannot overflow it.
std::int64_t TSrcKeywordTable::Hash(const char16_t* text, qsizetype length, qsizetype& runLength) const {
  std::int64_t sum = 0;
  qsizetype i = 0;
  switch (run) {
    case TSrcHashRun::Html:
      while (i < length && (IsAsciiLetter(text[i]) || text[i] == u'!' || text[i] == u'/')) sum += values[text[i++]];
      while (i < length && IsDigit(text[i])) sum += text[i++] - u'0';
      break;
    case TSrcHashRun::Identifier:
    case TSrcHashRun::Css:
      while (i < length) {
        const char16_t c = text[i];
        if (!(IsAsciiLetter(c) || IsDigit(c) || c == u'_' || (run == TSrcHashRun::Css && c == u'-'))) break;
        sum += values[c];
        ++i;
      }
      break;
  }
  runLength = i;
  return sum;
}

std::int64_t TSrcKeywordTable::HashWord(QStringView word) const {
  qsizetype runLength = 0;
  return Hash(word.utf16(), word.size(), runLength);
}

void TSrcKeywordHashHighlighter::SetLine(const QString& lineText, int lineIndex) {
  lineText_ = lineText;
  fLine = reinterpret_cast<const char16_t*>(lineText_.constData());
  fLen = static_cast<int>(lineText_.size());
  fRun = 0;
  fLineNumber = lineIndex;
  ScanNext();
}

std::int64_t TSrcKeywordHashHighlighter::HashIdentifier(int pos) {
  qsizetype runLength = 0;
  const std::int64_t sum = fTable->Hash(fLine + pos, fLen - pos, runLength);
  fIdentLength = static_cast<int>(runLength);
  return sum;
}

bool TSrcKeywordHashHighlighter::MatchKeyword(const char* keyword) const {
  int i = 0;
  for (; keyword[i]; ++i) {
    if (i >= fIdentLength) return false;
    const char16_t a = fLine[fIdentStart + i];
    const auto b = static_cast<unsigned char>(keyword[i]);
    if (fTable->exactBytes ? a != b : (a >= 256 || fTable->values[a] != fTable->values[b])) return false;
  }
  return i == fIdentLength;
}

std::uint8_t TSrcKeywordHashHighlighter::ClassifyIdentifier(int pos) {
  fIdentStart = pos;
  const std::int64_t hash = HashIdentifier(pos);
  if (hash >= 0 && hash < static_cast<std::int64_t>(fTable->buckets.size()))
    for (const TSrcKeyword& k : fTable->buckets[static_cast<size_t>(hash)])
      if (MatchKeyword(k.word)) return k.kind;
  return hash >= 0 && hash < fTable->bound ? DefaultKeywordKind() : fTable->outOfRangeKind;
}

std::uint8_t TSrcKeywordHashHighlighter::ClassifyWord(const QString& word) {
  const char16_t* savedLine = fLine;
  const int savedLen = fLen;
  fLine = reinterpret_cast<const char16_t*>(word.constData());
  fLen = static_cast<int>(word.size());
  const std::uint8_t kind = ClassifyIdentifier(0);
  fLine = savedLine;
  fLen = savedLen;
  return kind;
}
