#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <vector>

#include "editor/SrcEditSearch.h"

namespace {

std::vector<int> All(TSrcEditSearch& s, const QString& text) {
  s.FindAll(text);
  std::vector<int> out;
  for (int i = 0; i < s.ResultCount(); ++i) out.push_back(s.Results(i));
  return out;
}

// A plain left-to-right search that never overlaps hits.
std::vector<int> Naive(const QString& pattern, const QString& text, bool sensitive, bool whole) {
  std::vector<int> out;
  auto fold = [&](QChar c) { return sensitive || c.isSurrogate() ? c : c.toLower(); };
  auto delim = [](QChar c) { return c != u'_' && !c.isLetterOrNumber(); };
  for (int i = 0; i + pattern.size() <= text.size();) {
    bool match = true;
    for (int k = 0; k < pattern.size() && match; ++k) match = fold(text[i + k]) == fold(pattern[k]);
    if (match && whole) {
      const int after = i + static_cast<int>(pattern.size());
      match = (i == 0 || delim(text[i - 1])) && (after >= text.size() || delim(text[after]));
    }
    if (match) {
      out.push_back(i + 1);
      i += static_cast<int>(pattern.size());
    } else {
      ++i;
    }
  }
  return out;
}

}  // namespace

TEST(SearchEngine, PartCases) {
  TSrcEditSearch s;
  s.SetPattern("aa");
  EXPECT_EQ(All(s, "aaaa"), (std::vector<int>{1, 3}));
  EXPECT_EQ(All(s, "aaa"), (std::vector<int>{1}));
  EXPECT_EQ(All(s, "a"), (std::vector<int>{}));

  s.SetPattern("ab");
  s.SetWhole(true);
  EXPECT_EQ(All(s, "ab_ab ab"), (std::vector<int>{7}));
  s.SetWhole(false);

  s.SetPattern("word");
  EXPECT_EQ(All(s, "A WORD here"), (std::vector<int>{3}));
  s.SetSensitive(true);
  EXPECT_EQ(All(s, "A WORD here"), (std::vector<int>{}));
  EXPECT_EQ(s.Results(0), 0);
  EXPECT_EQ(s.Results(-1), 0);

  // NUL is a character like any other.
  s.SetPattern(QString::fromUtf16(u"a\0b", 3));
  EXPECT_EQ(All(s, QString::fromUtf16(u"xa\0b", 4)), (std::vector<int>{2}));

  TSrcEditSearch empty;
  try {
    empty.FindFirst("text");
    FAIL();
  } catch (const ESrcEditError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Pattern is empty"));
  }
}

TEST(SearchEngine, ResultsShiftAndCount) {
  TSrcEditSearch s;
  s.SetPattern("x");
  EXPECT_EQ(s.FindAll("x x x x"), 4);
  EXPECT_EQ(s.Count(), 4);
  s.ShiftResults(3, -2);  // the line grew by 2 before the later hits
  EXPECT_EQ(All(s, "x x x x").size(), 4u);
  s.FindAll("x x x x");
  s.ShiftResults(3, -2);
  EXPECT_EQ(s.Results(0), 1);
  EXPECT_EQ(s.Results(1), 3);
  EXPECT_EQ(s.Results(2), 7);
  EXPECT_EQ(s.Results(3), 9);
  s.SetPattern("x");
  EXPECT_EQ(s.Count(), 0);
}

TEST(SearchEngine, EnginesFoldOnTheirOwn) {
  TSrcEditSearch a, b;
  a.SetPattern("Ab");
  b.SetPattern("Ab");
  b.SetSensitive(true);
  EXPECT_EQ(a.FindAll("ab AB Ab"), 3);
  EXPECT_EQ(b.FindAll("ab AB Ab"), 1);
  EXPECT_EQ(a.FindAll("ab AB Ab"), 3);
}

TEST(SearchEngine, MatchesANaiveSearchAtRandom) {
  QRandomGenerator rng(4242);
  const QString alphabet = QString::fromUtf16(u"aAbB_ .\u00e9\u00c9\U0001F600");
  for (int round = 0; round < 3000; ++round) {
    QString text, pattern;
    const int tl = rng.bounded(40), pl = 1 + rng.bounded(4);
    for (int i = 0; i < tl; ++i) text += alphabet[rng.bounded(alphabet.size())];
    for (int i = 0; i < pl; ++i) pattern += alphabet[rng.bounded(4)];  // repeated letters are common
    if (round % 5 == 0) pattern = QString::fromUtf16(u"\U0001F600");
    const bool sensitive = rng.bounded(2), whole = rng.bounded(2);
    TSrcEditSearch s;
    s.SetPattern(pattern);
    s.SetSensitive(sensitive);
    s.SetWhole(whole);
    ASSERT_EQ(All(s, text), Naive(pattern, text, sensitive, whole))
        << text.toStdString() << " / " << pattern.toStdString() << " " << sensitive << whole;
  }
}
