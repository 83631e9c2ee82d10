// The regular-expression engine: compiles an expression into a small
// program of nodes and finds the leftmost match in a text with a
// backtracking matcher. The matcher keeps its own backtrack stack (no
// recursion per repetition) and a step budget per search: a search that
// runs out of steps or stack reports no match. Every character a
// repetition takes or a back-reference compares costs a step. Searches
// may also share one budget (TRegexBudget), as the marker search of a
// line does.
//
// Characters are UTF-16 code units. Classes and the fast paths keep a
// 256-bit map for the codes below 256; codes from 256 on are checked by
// range.
//
// Defined in SrcRegex.cpp (settings and errors), SrcRegexParser.cpp (the
// compiler) and SrcRegexMatcher.cpp (the search).
#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "platform/Exceptions.h"

// A failure of the engine: the code of the error table and, for compile
// errors, the position in the expression where parsing stopped.
class ERegexError : public Exception {
 public:
  ERegexError(const QString& message, int code, int position)
      : Exception(message), ErrorCode(code), CompilerErrorPos(position) {}
  int ErrorCode;
  int CompilerErrorPos;
};

// The case-folding partner of a code unit: its upper-case form, or its
// lower-case form when upper-casing leaves it unchanged. One table, built
// when the first engine is made, serves every engine.
extern const char16_t* const gRegexInvertCase;
inline char16_t RegexInvertCase(char16_t c) { return gRegexInvertCase[c]; }

// Steps that several searches draw on in turn: each takes what it uses
// from Left, and once Left is below zero every further search reports no
// match at once.
struct TRegexBudget {
  long long Left = 0;
  long long Used = 0;
  bool Exhausted() const { return Left < 0; }
};

class TRegexEngine {
 public:
  // Modifier bits.
  enum : int { modI = 1, modR = 2, modS = 4, modG = 8, modM = 16, modX = 32 };
  static constexpr int kGroups = 15;  // the whole match and groups 1 to 14
  static constexpr char16_t kMagic = 216;

  TRegexEngine();

  const QString& Expression() const { return expression_; }
  // Stores the text and drops the compiled program.
  void SetExpression(const QString& text);

  int Modifiers() const { return modifiers_; }
  void SetModifiers(int bits) { modifiers_ = bits & 63; }
  // Modifier by index: 1 i, 2 r, 3 s, 4 g, 5 m, 6 x; any other index is
  // error 1013.
  bool Modifier(int index) const;
  void SetModifier(int index, bool on);
  // The letters i, r, s, g, m, x in either case switch their bit on, or off
  // after a "-"; any other character ends the walk with false.
  static bool ParseModifiers(QStringView text, int& modifiers);

  const QString& SpaceChars() const { return spaceChars_; }
  void SetSpaceChars(const QString& chars);
  const QString& WordChars() const { return wordChars_; }
  void SetWordChars(const QString& chars);
  const QString& LineSeparators() const { return lineSeparators_; }
  void SetLineSeparators(const QString& chars);
  // Two different characters that form one line break, or none (empty).
  // Anything else is error 128.
  QString LinePairedSeparator() const;
  void SetLinePairedSeparator(const QString& pair);

  // Compiles the expression (error 1003 when there is none).
  void Compile();
  bool IsCompiled() const { return !program_.empty(); }

  // Keeps a copy of the input and searches it from position 1.
  bool Exec(const QString& input);
  // Searches a text that the caller keeps alive until the match registers
  // have been read; nothing is copied. With `budget`, the search draws on
  // it instead of a budget of its own.
  bool ExecView(QStringView input, TRegexBudget* budget = nullptr);

  // Tries a match that starts exactly at `pos` (0-based) of a text the
  // caller keeps alive; "^" and "\A" still mean the text's start.
  bool ExecAt(QStringView input, int pos, TRegexBudget* budget = nullptr);

  // The steps a search of a text of `length` characters may take.
  static long long StepBudget(int length);
  // Whether a match can start with the character; false for every
  // character only when no match can start anywhere.
  bool CanStartWith(char16_t c) const { return firstAll_ || (c < 256 ? static_cast<bool>(firstSet_[c]) : firstHigh_); }

  // A cheap first look: false when no match can start at `pos` (0-based)
  // of the input, judged by its first character and leading text.
  bool MayMatchAt(QStringView input, int pos) const {
    if (program_.empty()) return true;
    if (pos >= input.size() || !CanStartWith(input[pos].unicode())) return false;
    if (pos + static_cast<qsizetype>(prefix_.size()) > input.size()) return false;
    const char16_t* s = reinterpret_cast<const char16_t*>(input.utf16()) + pos;
    for (size_t i = 0; i < prefix_.size(); ++i)
      if (s[i] != prefix_[i] && !(prefixFold_ && RegexInvertCase(s[i]) == prefix_[i])) return false;
    return true;
  }

  // Adds the characters a match can start with to `set` (codes from 256
  // on to `high`).
  void AddFirstChars(std::bitset<256>& set, bool& high);

  // 1-based position and length of register n (0 the whole match, 1 to 14
  // the groups); -1 when n is out of range, no input was searched or the
  // register is unset.
  int MatchPos(int n) const;
  int MatchLen(int n) const;

  // True when the last search stopped because it ran out of steps or stack.
  bool BudgetExhausted() const { return exhausted_; }
  // The steps the last search took.
  long long StepsUsed() const { return stepsUsed_; }
  int LastError() const { return lastError_; }

  static QString ErrorText(int code);
  // Records the code and raises ERegexError; compile errors (below 1000)
  // carry " (pos N)".
  [[noreturn]] void RaiseError(int code);

  // The program's analysis, for tests: the first character (0 when none),
  // anchoring and the text every match must contain.
  char16_t FirstChar() const { return firstChar_; }
  bool Anchored() const { return anchored_; }
  const QString& MustContain() const { return mustText_; }
  bool FirstCharSetIsUniversal() const { return firstAll_; }
  // Whether a match may depend on what precedes the place where the search
  // starts (anchors and word boundaries look there). Without them, a match
  // found from one place is also the leftmost from any later place up to it.
  bool StartDependent() const { return startDependent_; }

  enum Op : std::uint8_t;
  struct TInst {
    Op op;
    bool fold = false;   // text, class, back-reference: compare folded
    bool greedy = true;  // repetitions
    int a = 0, b = 0, c = 0, d = 0;
  };
  struct TClass {
    std::bitset<256> bits;
    std::vector<std::pair<char16_t, char16_t>> high;  // ranges from 256 on
    bool allHigh = false;                             // every code from 256 on
    bool negated = false;
    bool fold = false;
    bool Contains(char16_t c) const;
  };

 private:
  struct TFrame {
    int kind, pc, pos, a;
  };
  class TParser;
  friend class TParser;

  void DropProgram();
  void MakeReady();
  bool ExecFrom(int start, TRegexBudget* shared);
  // Sets the step budget for a search, from `shared` or of its own, and
  // hands back what is left.
  void StartBudget(TRegexBudget* shared);
  void EndBudget(TRegexBudget* shared);
  bool TryAt(int pos);
  // Backtracks through the program from node `pc` at `pos`.
  bool MatchPrim(int pc, int pos);
  bool MatchOne(const TInst& in, int pos) const;
  bool TextAt(const TInst& in, int pos) const;
  int CountMatches(const TInst& in, int pos, int max) const;
  bool IsSep(char16_t c) const { return c < 256 ? sepSet_[c] : false; }
  bool IsWord(int pos) const;
  bool IsPaired(int pos) const;  // a paired separator's halves around pos
  void BuildFirstCharSet();

  QString expression_;
  int modifiers_ = modR | modS | modG;
  QString spaceChars_, wordChars_, lineSeparators_;
  char16_t paired0_ = 0, paired1_ = 0;
  bool hasPaired_ = false;
  std::bitset<256> spaceSet_, wordSet_, sepSet_;

  // The compiled program.
  std::vector<TInst> program_;
  std::vector<TClass> classes_;
  std::u16string texts_;  // operands of the text nodes
  int programModifiers_ = 0;
  int loopCount_ = 0;
  char16_t firstChar_ = 0, firstCharAlt_ = 0;
  bool anchored_ = false;
  std::bitset<256> firstSet_;
  bool firstHigh_ = false, firstAll_ = false;
  QString mustText_;
  bool mustFold_ = false;
  bool startDependent_ = true;
  std::u16string prefix_;  // the text every match starts with
  bool prefixFold_ = false;

  // The search.
  QString inputCopy_;
  const char16_t* in_ = nullptr;
  int len_ = 0;
  bool haveInput_ = false;
  bool matched_ = false;
  std::array<int, 2 * kGroups> reg_{};
  std::vector<TFrame> stack_;
  std::vector<int> loopCount_v_, loopStart_v_;
  long long budget_ = 0;
  long long budgetStart_ = 0;
  long long stepsUsed_ = 0;
  bool exhausted_ = false;
  int lastError_ = 0;
  int compilePos_ = 0;
  bool compiling_ = false;
};
