#include "highlighters/SrcHighlighterKeywordHash.h"

void TSrcKeywordTable::Fill(std::span<const TSrcKeyword> keywords, int slotCount) {
  buckets.assign(static_cast<size_t>(slotCount), {});
  keywordCount = 0;
  for (const TSrcKeyword& k : keywords) {
    const int hash = HashWord(QString::fromLatin1(k.word));
    if (hash >= 0 && hash < slotCount) {
      buckets[static_cast<size_t>(hash)].push_back(k);
      ++keywordCount;
    }
  }
}

int TSrcKeywordTable::HashWord(QStringView word) const {
  int sum = 0;
  qsizetype i = 0;
  auto value = [&](char16_t c) { return c < 256 ? values[c] : 0; };
  switch (run) {
    case TSrcHashRun::Html:
      while (i < word.size() && (IsAsciiLetter(word[i].unicode()) || word[i] == u'!' || word[i] == u'/'))
        sum += value(word[i++].unicode());
      while (i < word.size() && IsDigit(word[i].unicode())) sum += word[i++].unicode() - u'0';
      break;
    case TSrcHashRun::Identifier:
    case TSrcHashRun::Css:
      while (i < word.size()) {
        const char16_t c = word[i].unicode();
        if (!(IsAsciiLetter(c) || IsDigit(c) || c == u'_' || (run == TSrcHashRun::Css && c == u'-'))) break;
        sum += value(c);
        ++i;
      }
      break;
  }
  return sum;
}

void TSrcKeywordHashHighlighter::SetLine(const QString& lineText, int lineIndex) {
  lineText_ = lineText;
  fLine = reinterpret_cast<const char16_t*>(lineText_.constData());
  fLen = static_cast<int>(lineText_.size());
  fRun = 0;
  fLineNumber = lineIndex;
  ScanNext();
}

int TSrcKeywordHashHighlighter::HashIdentifier(int pos) {
  const auto& values = fTable->values;
  int sum = 0;
  int i = pos;
  switch (fTable->run) {
    case TSrcHashRun::Html:
      while (i < fLen && (IsAsciiLetter(fLine[i]) || fLine[i] == u'!' || fLine[i] == u'/')) sum += values[fLine[i++]];
      while (i < fLen && IsDigit(fLine[i])) sum += fLine[i++] - u'0';
      break;
    case TSrcHashRun::Identifier:
    case TSrcHashRun::Css:
      while (i < fLen) {
        const char16_t c = fLine[i];
        if (!(IsAsciiLetter(c) || IsDigit(c) || c == u'_' || (fTable->run == TSrcHashRun::Css && c == u'-'))) break;
        sum += values[c];
        ++i;
      }
      break;
  }
  fIdentLength = i - pos;
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
  const int hash = HashIdentifier(pos);
  if (hash < 0 || hash >= fTable->bound || hash >= static_cast<int>(fTable->buckets.size())) return fTable->outOfRangeKind;
  for (const TSrcKeyword& k : fTable->buckets[static_cast<size_t>(hash)])
    if (MatchKeyword(k.word)) return k.kind;
  return DefaultKeywordKind();
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
