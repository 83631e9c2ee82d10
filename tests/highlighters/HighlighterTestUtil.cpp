#include "tests/highlighters/HighlighterTestUtil.h"

#include <gtest/gtest.h>

#include <QFile>

#include "highlighters/SrcHighlighters.h"

namespace hltest {

std::string Show(const std::vector<Token>& tokens) {
  std::string s;
  for (const Token& t : tokens) {
    s.append(1, '[').append(t.text.toStdString()).append(1, '|').append(std::to_string(t.kind)).append(1, ']');
  }
  return s;
}

std::vector<Token> Scan(TSrcCustomHighlighter& h, const QString& line, int& range, int limit) {
  if (range < 0)
    h.ResetRange();
  else
    h.SetRange(range);
  h.SetLine(line, 0);
  std::vector<Token> tokens;
  for (int n = h.MaxTokens(); n > 0 && !h.AtLineEnd(); --n) {
    tokens.push_back({h.GetTokenText(), h.GetTokenKind(), h.GetTokenPos()});
    if (--limit == 0) break;  // a painter stops here, at the right edge
    h.ScanNext();
  }
  range = h.GetRange();
  return tokens;
}

std::string Kinds(TSrcCustomHighlighter& h, const QString& line) {
  int range = -1;
  std::string s;
  for (const Token& t : Scan(h, line, range))
    s.append(t.text.toStdString()).append(1, ':').append(std::to_string(t.kind)).append(1, ' ');
  return s;
}

std::string Dump(TSrcCustomHighlighter& h, const QStringList& lines) {
  int range = -1;
  std::string s;
  for (const QString& line : lines) s.append(Show(Scan(h, line, range))).append(1, '\n');
  return s;
}

LinesScan ScanLines(TSrcCustomHighlighter& h, const std::vector<const char*>& lines) {
  LinesScan out;
  int range = -1;
  for (const char* line : lines) {
    if (!out.ranges.empty()) out.tokens += '|';
    out.tokens += Show(Scan(h, QString::fromUtf8(line), range));
    out.ranges.push_back(range);
  }
  return out;
}

std::string SampleDump(TSrcCustomHighlighter& h) { return Dump(h, h.GetSampleSource().split(QStringLiteral("\r\n"))); }

namespace {

void ExpectTiles(const QString& line, const std::vector<Token>& tokens) {
  int pos = 0;
  for (const Token& t : tokens) {
    ASSERT_EQ(t.pos, pos) << line.toStdString();
    ASSERT_GT(t.text.size(), 0) << line.toStdString();
    ASSERT_EQ(line.mid(pos, t.text.size()), t.text);
    pos += static_cast<int>(t.text.size());
  }
  ASSERT_EQ(pos, line.size()) << line.toStdString();
}

}  // namespace

void ExpectScanInvariants(const TFactory& make, const QStringList& lines, QRandomGenerator& rng) {
  auto h = make();
  std::vector<int> starts;
  std::vector<std::vector<Token>> all;
  int range = -1;
  h->ResetRange();
  for (const QString& line : lines) {
    starts.push_back(h->GetRange());
    all.push_back(Scan(*h, line, range));
    ExpectTiles(line, all.back());
  }
  auto other = make();
  for (int i = 0; i < lines.size(); ++i) {
    auto fresh = make();
    int r = starts[i];
    ASSERT_EQ(Show(Scan(*fresh, lines[i], r)), Show(all[i])) << "line " << i << " " << lines[i].toStdString();
    // A partial scan of another line, from its own range, leaves nothing behind.
    const int j = rng.bounded(static_cast<int>(lines.size()));
    int rj = starts[j];
    Scan(*other, lines[j], rj, 1 + rng.bounded(4));
    r = starts[i];
    ASSERT_EQ(Show(Scan(*other, lines[i], r)), Show(all[i]))
        << "line " << i << " " << lines[i].toStdString() << " after part of " << lines[j].toStdString();
    // Any stored value, even one this highlighter never gives, scans the line.
    r = rng.bounded(1000);
    const auto tokens = Scan(*other, lines[i], r);
    ExpectTiles(lines[i], tokens);
  }
}

QStringList PieceDocument(QRandomGenerator& rng, const std::vector<const char*>& pieces, int lines) {
  QStringList out;
  for (int l = 0; l < lines; ++l) {
    QString line;
    const int n = rng.bounded(8);
    for (int i = 0; i < n; ++i) line += QString::fromUtf8(pieces[rng.bounded(static_cast<int>(pieces.size()))]);
    out << line;
  }
  return out;
}

QStringList NoiseDocument(QRandomGenerator& rng, int lines, int longest) {
  QStringList out;
  for (int l = 0; l < lines; ++l) {
    QString line;
    const int len = rng.bounded(longest);
    for (int i = 0; i < len; ++i) {
      const int pick = rng.bounded(10);
      line += pick < 6   ? QChar(rng.bounded(128))
              : pick < 9 ? QChar(rng.bounded(256))
                         : QChar(0xD800 + rng.bounded(0x800));
    }
    out << line;
  }
  return out;
}

std::vector<std::string> ReferenceSpans(const QString& name, QStringList& lines) {
  const QString path = QStringLiteral(KV_TEST_DATA_DIR "/highlighters/") + name;
  QFile source(path), spans(path + ".spans");
  EXPECT_TRUE(source.open(QIODevice::ReadOnly) && spans.open(QIODevice::ReadOnly)) << path.toStdString();
  lines = QString::fromUtf8(source.readAll()).split(u'\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  std::vector<std::string> out;
  for (const QByteArray& line : spans.readAll().split('\n'))
    if (!line.isEmpty() && !line.startsWith('#')) out.push_back(line.toStdString());
  return out;
}

std::vector<std::string> OwnSpans(TSrcCustomHighlighter& h, const QStringList& lines,
                                  const std::function<const char*(const Token&)>& classOf) {
  std::vector<std::string> out;
  int range = -1;
  for (int i = 0; i < lines.size(); ++i) {
    int start = -1, end = -1;
    std::string cls;
    auto flush = [&] {
      if (start >= 0)
        out.push_back(std::to_string(i) + " " + std::to_string(start) + " " + std::to_string(end) + " " + cls);
      start = -1;
    };
    for (const Token& t : Scan(h, lines[i], range)) {
      const std::string c = classOf(t);
      if (c.empty() || c != cls || t.pos != end) flush();
      if (c.empty()) continue;
      if (start < 0) start = t.pos, cls = c;
      end = t.pos + static_cast<int>(t.text.size());
    }
    flush();
  }
  return out;
}

KeywordTableWalk WalkKeywordTable(TSrcKeywordHashHighlighter& h, const TSrcKeywordTable& t, bool foldsCase, int plain) {
  KeywordTableWalk walk;
  for (int i = 0; i < static_cast<int>(t.buckets.size()); ++i)
    for (const TSrcKeyword& k : t.buckets[i]) {
      walk.largest = i;
      ++walk.perKind[k.kind];
      const QString word = QString::fromLatin1(k.word);
      QString mixed = word.toUpper();
      for (int c = 0; c < mixed.size(); c += 2) mixed[c] = mixed[c].toLower();
      for (const QString& w : foldsCase ? QStringList{word, word.toUpper(), word.toLower(), mixed} : QStringList{word})
        EXPECT_EQ(int{h.ClassifyWord(w)}, k.kind) << w.toStdString();
      const int longer = h.ClassifyWord(word + "q");
      if (plain >= 0) {
        EXPECT_EQ(longer, plain) << k.word.constData();
      } else if (t.run != TSrcHashRun::Html || !word.back().isDigit()) {  // "H1Q" hashes as "H1"
        EXPECT_NE(longer, k.kind) << k.word.constData();
      }
    }
  return walk;
}

bool RegisteredAtStart(const QMetaObject& meta) {
  RegisterBuiltinHighlighters();
  for (const TSrcHighlighterClass& cls : TSrcHighlighterList())
    if (cls.meta == &meta) return true;
  return false;
}

void ExpectInvariantsOnRandomDocuments(const TFactory& make, const std::vector<const char*>& pieces, quint32 seed) {
  QRandomGenerator rng(seed);
  for (int doc = 0; doc < 60; ++doc)
    ExpectScanInvariants(make, doc % 2 ? NoiseDocument(rng, 40) : PieceDocument(rng, pieces, 40), rng);
  ExpectScanInvariants(make, NoiseDocument(rng, 3, 1 << 20) + PieceDocument(rng, pieces, 2), rng);
}

void ExpectSpansAgree(const TFactory& make, const QString& name,
                      const std::function<const char*(const Token&)>& classOf) {
  QStringList lines;
  const auto reference = ReferenceSpans(name, lines);
  ASSERT_EQ(lines.size(), 400);
  EXPECT_EQ(OwnSpans(*make(), lines, classOf), reference);
  QRandomGenerator rng(1);
  ExpectScanInvariants(make, lines, rng);
}

}  // namespace hltest
