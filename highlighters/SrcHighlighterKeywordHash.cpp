#include "highlighters/SrcHighlighterKeywordHash.h"

#include <algorithm>

void AddKeywords(std::vector<TSrcKeyword>& out, const char* words, std::uint8_t kind) {
  for (const QByteArray& w : QByteArray(words).split(' '))
    if (!w.isEmpty()) out.push_back({w, kind});
}

TSrcKeywordTable::TSrcKeywordTable(TSrcHashRun run, int bound, std::uint8_t defaultKind, std::uint8_t outOfRangeKind,
                                   bool exactBytes)
    : run(run), bound(bound), defaultKind(defaultKind), outOfRangeKind(outOfRangeKind), exactBytes(exactBytes) {
  for (int c = 0; c < 256; ++c) {
    const auto ch = static_cast<char16_t>(c);
    values[c] = LetterValue(ch);
    identFlags[c] = run != TSrcHashRun::Html &&
                    (IsAsciiLetter(ch) || IsDigit(ch) || ch == u'_' || (run == TSrcHashRun::Css && ch == u'-'));
  }
  if (run == TSrcHashRun::Html) {
    values['!'] = 123;
    values['/'] = 122;
  } else {
    values['_'] = 31;
    if (run == TSrcHashRun::Css) values['-'] = -19;
  }
  for (int c = 0; c < 256; ++c) runValues[c] = identFlags[c] ? static_cast<std::int16_t>(values[c]) : kNotInRun;
  Q_ASSERT(runValues[255] == kNotInRun);  // stands for every unit from 256 on
}

TSrcKeywordTable::TSrcKeywordTable(TSrcHashRun run, int bound, std::uint8_t defaultKind, std::uint8_t outOfRangeKind,
                                   bool exactBytes, int slotCount, std::initializer_list<TSrcKeywordList> lists)
    : TSrcKeywordTable(run, bound, defaultKind, outOfRangeKind, exactBytes) {
  std::vector<TSrcKeyword> keywords;
  for (const TSrcKeywordList& list : lists) AddKeywords(keywords, list.words, list.kind);
  Fill(keywords, slotCount);
}

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
  slotIndex.clear();
  flat.clear();
  units.clear();
  for (const std::vector<TSrcKeyword>& bucket : buckets) {
    slotIndex.push_back({static_cast<std::uint32_t>(flat.size()), 0});
    for (const TSrcKeyword& k : bucket) slotIndex.back().lengths |= LengthBit(k.word.size());
    for (const TSrcKeyword& k : bucket) {
      flat.push_back({static_cast<std::uint32_t>(units.size()), static_cast<std::uint16_t>(k.word.size()), k.kind});
      for (const char b : k.word) {
        const auto byte = static_cast<unsigned char>(b);
        units.push_back(static_cast<std::int16_t>(exactBytes ? byte : values[byte]));
      }
    }
  }
  slotIndex.push_back({static_cast<std::uint32_t>(flat.size()), 0});
  bucketCount = buckets.size();
}

std::int64_t TSrcKeywordTable::HtmlHash(const char16_t* text, qsizetype length, qsizetype& runLength) const {
  std::int64_t sum = 0;
  qsizetype i = 0;
  while (i < length && (IsAsciiLetter(text[i]) || text[i] == u'!' || text[i] == u'/')) sum += values[text[i++]];
  while (i < length && IsDigit(text[i])) sum += text[i++] - u'0';
  runLength = i;
  return sum;
}

std::int64_t TSrcKeywordTable::HashWord(QStringView word) const {
  qsizetype runLength = 0;
  return Hash(word.utf16(), word.size(), runLength);
}

void TSrcKeywordHashHighlighter::SetLine(const QString& lineText, int lineIndex) {
  // (Copy and swap: inline, where the assignment is a call.)
  QString copy(lineText);
  lineText_.swap(copy);
  fLine = reinterpret_cast<const char16_t*>(lineText_.constData());
  fLen = static_cast<int>(lineText_.size());
  fRun = 0;
  fLineNumber = lineIndex;
  ScanNext();
}

void TSrcKeywordHashHighlighter::SetLineView(QStringView lineText, int lineIndex) {
  // A string over the caller's characters: it owns nothing, so neither
  // making it nor letting the previous one go touches a reference count
  // (but for a copy that SetLine left, released once).
  // (What QString::fromRawData makes, without the call.)
  lineText_ = QString(QString::DataPointer(nullptr, const_cast<char16_t*>(lineText.utf16()), lineText.size()));
  fLine = lineText.isNull() ? u"" : reinterpret_cast<const char16_t*>(lineText.utf16());
  fLen = static_cast<int>(lineText.size());
  fRun = 0;
  fLineNumber = lineIndex;
  ScanNext();
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

TSrcHighlighterAttributes* TSrcKeywordHashHighlighter::MakeAttribute(const QString& name, TFontStyles style, TColor fg,
                                                                     TColor bg) {
  auto* a = new TSrcHighlighterAttributes(name);
  a->SetStyle(style);
  a->SetForeground(fg);
  a->SetBackground(bg);
  AddAttribute(a);
  return a;
}

TSrcIdentChars TSrcKeywordHashHighlighter::LetterIdentChars() {
  TSrcIdentChars set(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz", true);
  for (int c = 192; c <= 255; ++c)
    if (c != 215 && c != 247) set.Include(QChar(c));
  return set;
}

void TSrcKeywordHashHighlighter::LFProc() {
  fTokenKind = fSpaceKind;
  ++fRun;
}

void TSrcKeywordHashHighlighter::CRProc() {
  fTokenKind = fSpaceKind;
  ++fRun;
  if (Peek(fRun) == 10) ++fRun;
}

void TSrcKeywordHashHighlighter::UnknownProc() {
  fTokenKind = fUnknownKind;
  fRun += QChar::isHighSurrogate(fLine[fRun]) && QChar::isLowSurrogate(Peek(fRun + 1)) ? 2 : 1;
}

void TSrcKeywordHashHighlighter::StringRunProc(bool backslashEscapes) {
  fTokenKind = fStringKind;
  const char16_t quote = fLine[fRun];
  if (Peek(fRun + 1) == quote && Peek(fRun + 2) == quote) fRun += 2;
  auto breaks = [](char16_t c) { return c == 10 || c == 13; };
  while (fRun < fLen && !breaks(fLine[fRun])) {
    const bool escape = backslashEscapes && fLine[fRun] == u'\\' && fRun + 1 < fLen && !breaks(fLine[fRun + 1]);
    fRun += escape ? 2 : 1;
    if (Peek(fRun) == quote) break;
  }
  if (fRun < fLen) ++fRun;  // the closing quote (or the line break)
}

bool TSrcKeywordHashHighlighter::ScanToCommentEnd(int i) {
  while (i < fLen && fLine[i] != 10 && fLine[i] != 13) {
    if (fLine[i] == u'*' && Peek(i + 1) == u'/') {
      fRun = i + 2;
      fRange = 0;
      return true;
    }
    ++i;
  }
  fRun = i;
  return false;
}

void TSrcKeywordHashHighlighter::CommentRestProc() {
  fTokenKind = fCommentKind;
  if (fLine[fRun] == u'*' && Peek(fRun + 1) == u'/') {
    fRun += 2;
    fRange = 0;
  } else {
    ScanToCommentEnd(fRun + 1);
  }
}

void TSrcKeywordHashHighlighter::OperatorProc(const char16_t* seconds) {
  SymbolProc();
  const char16_t next = Peek(fRun);
  for (const char16_t* s = seconds; *s; ++s)
    if (next == *s) {
      ++fRun;
      return;
    }
}

void TSrcKeywordHashHighlighter::ShiftLeftProc() {
  OperatorProc(u"<=");
  if (fRun - fTokenPos == 2 && fLine[fTokenPos + 1] == u'<' && Peek(fRun) == u'=') ++fRun;
}

void TSrcKeywordHashHighlighter::ScanNext() {
  fTokenPos = fRun;
  if (fRun >= fLen)
    NullProc();
  else if (fRange == rsBlockComment)
    CommentRestProc();
  else
    Dispatch();
}

TSrcHighlighterAttributes* TSrcKeywordHashHighlighter::GetRoleAttribute(int role) const {
  return role >= 0 && role < static_cast<int>(fRoleAttri.size()) ? fRoleAttri[static_cast<size_t>(role)] : nullptr;
}

void TSrcKeywordHashHighlighter::FillCommonHandlers() {
  // A NUL inside the line is unknown too: the line's end is found by length.
  fProcTable.fill(&TSrcKeywordHashHighlighter::UnknownProc);
  for (int c = 1; c <= 32; ++c) fProcTable[static_cast<size_t>(c)] = &TSrcKeywordHashHighlighter::SpaceRunProc;
  fProcTable[10] = &TSrcKeywordHashHighlighter::LFProc;
  fProcTable[13] = &TSrcKeywordHashHighlighter::CRProc;
}

void TSrcKeywordHashHighlighter::SetUpFrame(const TSrcKeywordTable* table, const TFrameKinds& kinds,
                                            const TRoleAttributes& roles,
                                            std::initializer_list<TKindAttribute> byKind) {
  SetAttributesOnChange(TNotifyEvent::Bind<&TSrcCustomHighlighter::AttributesChanged>(this));
  fTable = table;
  fNullKind = kinds.null;
  fSpaceKind = kinds.space;
  fUnknownKind = kinds.unknown;
  fStringKind = kinds.string;
  fCommentKind = kinds.comment;
  fSymbolKind = kinds.symbol;
  fRoleAttri.fill(nullptr);
  fRoleAttri[roleComment] = roles.comment;
  fRoleAttri[roleIdentifier] = roles.identifier;
  fRoleAttri[roleKeyword] = roles.keyword;
  fRoleAttri[roleString] = roles.string;
  fRoleAttri[roleWhitespace] = roles.whitespace;
  fRoleAttri[roleSymbol] = roles.symbol;
  fKindAttri.fill(nullptr);
  for (const TKindAttribute& row : byKind) {
    Q_ASSERT(row.kind < fKindAttri.size());
    if (row.kind < fKindAttri.size()) fKindAttri[row.kind] = row.attribute;
  }
}
