// Helpers shared by the highlighter tests: scanning a line into tokens and
// the invariants every highlighter keeps on any input.
#pragma once

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/SrcEditHighlighter.h"
#include "highlighters/SrcHighlighterKeywordHash.h"

namespace hltest {

struct Token {
  QString text;
  int kind;
  int pos;
  bool operator==(const Token&) const = default;
};

// "[text|kind]" per token.
std::string Show(const std::vector<Token>& tokens);

// Scans one line from `range` (-1: the start of a text) and leaves the range
// at the line's end in `range`. After `limit` tokens the scan stops where it
// is, as a painter does at the window's edge (-1: the whole line).
std::vector<Token> Scan(TSrcCustomHighlighter& h, const QString& line, int& range, int limit = -1);

// "text:kind " per token of a line scanned from the start range.
std::string Kinds(TSrcCustomHighlighter& h, const QString& line);

// A line (UTF-8) and its expected "text:kind " tokens.
struct TokenCase {
  const char* line;
  const char* tokens;
};

// Each line, scanned by a fresh `H` from the start range, gives its tokens.
template <class H>
void ExpectTokens(std::initializer_list<TokenCase> cases) {
  for (const TokenCase& c : cases) {
    H h;
    EXPECT_EQ(Kinds(h, QString::fromUtf8(c.line)), c.tokens) << c.line;
  }
}

// Lines (UTF-8) scanned in turn from the start range: "[text|kind]" per
// token with "|" between lines, and the range after each line.
struct LinesScan {
  std::string tokens;
  std::vector<int> ranges;
};
LinesScan ScanLines(TSrcCustomHighlighter& h, const std::vector<const char*>& lines);

// "[text|kind]" per token, one line of output per line, from the start range.
std::string Dump(TSrcCustomHighlighter& h, const QStringList& lines);
// The same for the highlighter's sample source.
std::string SampleDump(TSrcCustomHighlighter& h);

using TFactory = std::function<std::unique_ptr<TSrcCustomHighlighter>()>;

// Checks on a document: the tokens of each line tile it and hold characters;
// scanning any line with a fresh highlighter from that line's stored range
// gives the tokens of the scan from the top; and scanning a line after a
// partial scan of another line gives the same tokens as a fresh scan; and
// any range value at all, set before a line, still tiles it.
void ExpectScanInvariants(const TFactory& make, const QStringList& lines, QRandomGenerator& rng);

// Random documents: lines of pieces of the language, and lines of random
// code units (NUL, line breaks and surrogate halves included).
QStringList PieceDocument(QRandomGenerator& rng, const std::vector<const char*>& pieces, int lines);
QStringList NoiseDocument(QRandomGenerator& rng, int lines, int longest = 60);

// Spans of comments, strings and numbers, "line start end class" per span,
// as a second opinion wrote them for tests/data/highlighters/`name` (the
// file's lines go to `lines`), and as `h` finds them: `classOf` names the
// class of a token (or gives an empty text); neighbours of one class join.
std::vector<std::string> ReferenceSpans(const QString& name, QStringList& lines);
std::vector<std::string> OwnSpans(TSrcCustomHighlighter& h, const QStringList& lines,
                                  const std::function<const char*(const Token&)>& classOf);

// Walks a keyword table: every word is classified as its kind, in upper,
// lower and mixed case too when `foldsCase`, and is `plain` with a letter
// after it (-1: anything but its kind, unless a digit ends it where digits
// end the hashed run). Gives the words per kind and the last bucket that
// holds any.
struct KeywordTableWalk {
  std::map<int, int> perKind;
  int largest = -1;
};
KeywordTableWalk WalkKeywordTable(TSrcKeywordHashHighlighter& h, const TSrcKeywordTable& t, bool foldsCase, int plain);

// The class is in the highlighter list once the program has registered its
// highlighters.
bool RegisteredAtStart(const QMetaObject& meta);

// The invariants on 60 random documents, pieces of the language and noise
// by turns, and on a few lines of a million code units.
void ExpectInvariantsOnRandomDocuments(const TFactory& make, const std::vector<const char*>& pieces, quint32 seed);

// The spans `make`'s highlighter finds in the generated file `name` (400
// lines) equal the second opinion's, and the invariants hold on the file.
void ExpectSpansAgree(const TFactory& make, const QString& name,
                      const std::function<const char*(const Token&)>& classOf);

}  // namespace hltest
