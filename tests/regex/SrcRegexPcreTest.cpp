// The engine against PCRE2's interpreter on generated expressions from the
// syntax both share. Left out on purpose, as the two differ there: "\Z",
// "\x" with one digit, escapes that PCRE2 gives a meaning, "(?:" and other
// group kinds, possessive quantifiers, "*" and "+" on operands that can
// match the empty text, case folding above 127, and an empty match at the
// very end of the input (which the engine never tries).
#include "regex/SrcRegex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>

#include <QRandomGenerator>
#include <string>
#include <vector>

namespace {

// A generated expression in the engine's spelling and in PCRE2's; with
// greedy quantifiers switched off the engine makes every quantifier lazy,
// so PCRE2's spelling gets the "?" written out.
struct Pattern {
  std::string ours, pcre;
};

class Generator {
 public:
  Generator(QRandomGenerator& rng, bool greedy) : rng_(rng), greedy_(greedy) {}

  Pattern Make() {
    Pattern p;
    Alternatives(p, 0);
    return p;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_.bounded(n)); }
  void Add(Pattern& p, const std::string& s) {
    p.ours += s;
    p.pcre += s;
  }
  // Each returns whether what it added can match the empty text.
  bool Alternatives(Pattern& p, int depth) {
    bool empty = Sequence(p, depth);
    if (depth < 2 && Pick(4) == 0) {
      Add(p, "|");
      empty = Sequence(p, depth) || empty;
    }
    return empty;
  }
  bool Sequence(Pattern& p, int depth) {
    const int pieces = 1 + Pick(3);
    bool empty = true;
    for (int i = 0; i < pieces; ++i) empty = Piece(p, depth) && empty;
    return empty;
  }
  bool Piece(Pattern& p, int depth) {
    static const char* const singles[] = {"a",      "b",   "c",   "[1]", "-",   ".",   "[ab]",  "[^a]", "[a-c]",
                                          "[^\\d]", "\\d", "\\w", "\\W", "\\s", "\\S", "\\x61", "B"};
    static const char* const zeroWidth[] = {"^", "$", "\\b", "\\B"};
    const int kind = Pick(10);
    if (kind == 0) {
      Add(p, zeroWidth[Pick(4)]);
      return true;
    }
    if (kind == 1 && !closed_.empty()) {
      Add(p, std::string("\\").append(std::to_string(closed_[Pick(static_cast<int>(closed_.size()))])));
      return true;
    }
    bool empty = false;
    if (kind <= 3 && depth < 3 && groups_ < 9) {
      const int number = ++groups_;
      Pattern inner;
      Generator sub(rng_, greedy_);
      sub.groups_ = groups_;
      sub.closed_ = closed_;
      empty = sub.Alternatives(inner, depth + 1);
      groups_ = sub.groups_;
      closed_ = sub.closed_;
      closed_.push_back(number);
      p.ours += "(" + inner.ours + ")";
      p.pcre += "(" + inner.pcre + ")";
    } else {
      Add(p, singles[Pick(static_cast<int>(std::size(singles)))]);
    }
    static const char* const quantifiers[] = {"*", "+", "?", "{2}", "{1,2}", "{0,}", "{1,}", "{0,2}"};
    if (Pick(3) != 0) return empty;
    // Repeating what can match the empty text is where the two differ.
    const std::string q = empty ? "?" : quantifiers[Pick(8)];
    const bool lazy = Pick(3) == 0;
    p.ours += q + (lazy ? "?" : "");
    p.pcre += q + (lazy || !greedy_ ? "?" : "");
    return empty || q[0] == '*' || q[0] == '?' || q.rfind("{0", 0) == 0;
  }

  QRandomGenerator& rng_;
  bool greedy_;
  int groups_ = 0;
  std::vector<int> closed_;  // groups a back-reference may name
};

// With multi-line anchors, PCRE2's "^" never matches after a line break at
// the very end, so such subjects end otherwise. PCRE2 also treats the place
// between CR and LF unlike the engine (it never starts a match there, and
// "$" holds there): CR LF is tested on its own, not here.
QByteArray Subject(QRandomGenerator& rng, bool multiLine) {
  static const char alphabet[] = "abcAB1 -\r\n";
  QByteArray s;
  const int n = static_cast<int>(rng.bounded(10));
  for (int i = 0; i < n; ++i) {
    const char c = alphabet[rng.bounded(static_cast<int>(sizeof alphabet - 1))];
    s += c == '\n' && s.endsWith('\r') ? ' ' : c;
  }
  if (multiLine && (s.endsWith('\r') || s.endsWith('\n'))) s += 'a';
  return s;
}

std::string Show(const QByteArray& s) {
  std::string out;
  for (char c : s) out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

TEST(SrcRegexPcre, AgreesOnGeneratedExpressions) {
  QRandomGenerator rng(20261207);
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
  int compared = 0, found = 0;
  for (int round = 0; round < 1200; ++round) {
    const bool caseless = rng.bounded(4) == 0, dotAll = rng.bounded(4) != 0, multiLine = rng.bounded(4) == 0,
               greedy = rng.bounded(5) != 0;
    Generator gen(rng, greedy);
    const Pattern pattern = gen.Make();

    TRegexEngine re;
    re.SetModifier(1, caseless);
    re.SetModifier(3, dotAll);
    re.SetModifier(4, greedy);
    re.SetModifier(5, multiLine);
    re.SetExpression(QString::fromStdString(pattern.ours));
    try {
      re.Compile();
    } catch (const ERegexError& e) {
      ADD_FAILURE() << pattern.ours << ": " << e.what();
      continue;
    }
    const uint32_t options = PCRE2_DOLLAR_ENDONLY | (caseless ? PCRE2_CASELESS : 0) | (dotAll ? PCRE2_DOTALL : 0) |
                             (multiLine ? PCRE2_MULTILINE : 0);
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.pcre.c_str()), pattern.pcre.size(), options,
                                     &error, &offset, context);
    ASSERT_NE(code, nullptr) << pattern.pcre;
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    for (int k = 0; k < 5; ++k) {
      const QByteArray subject = Subject(rng, multiLine);
      const int rc =
          pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.constData()), subject.size(), 0, 0, data, nullptr);
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
      const bool theirs = rc > 0;
      if (theirs && ov[0] == static_cast<PCRE2_SIZE>(subject.size())) continue;  // empty match at the end
      const bool ours = re.Exec(QString::fromLatin1(subject));
      ++compared;
      ASSERT_EQ(ours, theirs) << pattern.ours << " on \"" << Show(subject) << "\"";
      if (!ours) continue;
      ++found;
      for (int g = 0; g < rc && g < TRegexEngine::kGroups; ++g) {
        const bool unset = ov[2 * g] == PCRE2_UNSET;
        EXPECT_EQ(re.MatchPos(g), unset ? -1 : static_cast<int>(ov[2 * g]) + 1)
            << pattern.ours << " on \"" << Show(subject) << "\" group " << g;
        EXPECT_EQ(re.MatchLen(g), unset ? -1 : static_cast<int>(ov[2 * g + 1] - ov[2 * g]))
            << pattern.ours << " on \"" << Show(subject) << "\" group " << g;
      }
    }
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
  pcre2_compile_context_free(context);
  EXPECT_GT(compared, 5000);
  EXPECT_GT(found, 1000);
}

}  // namespace
