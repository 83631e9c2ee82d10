// The matcher of the regular-expression engine: a backtracking search over
// the compiled program with its own stack and a step budget.
#include <algorithm>
#include <string_view>

#include "regex/SrcRegex.h"
#include "regex/SrcRegexOps.h"

namespace {

// Search limits: steps of the matcher per search (a base plus a share per
// input character) and entries of the backtrack stack.
constexpr long long kBaseSteps = 20'000'000;
constexpr long long kStepsPerChar = 64;
constexpr size_t kMaxFrames = 4'000'000;

const char16_t* const kInvert = gRegexInvertCase;

}  // namespace

// ---------------------------------------------------------------------------
// Searching.

void TRegexEngine::MakeReady() {
  if (program_.empty() || programModifiers_ != modifiers_) Compile();
}

bool TRegexEngine::Exec(const QString& input) {
  inputCopy_ = input;
  in_ = reinterpret_cast<const char16_t*>(inputCopy_.utf16());
  len_ = static_cast<int>(inputCopy_.size());
  haveInput_ = true;
  matched_ = ExecFrom(0, nullptr);
  return matched_;
}

bool TRegexEngine::ExecView(QStringView input, TRegexBudget* budget) {
  inputCopy_.clear();
  in_ = reinterpret_cast<const char16_t*>(input.utf16());
  len_ = static_cast<int>(input.size());
  haveInput_ = true;
  matched_ = ExecFrom(0, budget);
  in_ = nullptr;
  return matched_;
}

void TRegexEngine::AddFirstChars(std::bitset<256>& set, bool& high) {
  MakeReady();
  if (firstAll_) {
    set.set();
    high = true;
    return;
  }
  set |= firstSet_;
  high = high || firstHigh_;
}

bool TRegexEngine::ExecAt(QStringView input, int pos, TRegexBudget* budget) {
  MakeReady();
  in_ = reinterpret_cast<const char16_t*>(input.utf16());
  len_ = static_cast<int>(input.size());
  inputCopy_.clear();
  haveInput_ = true;
  StartBudget(budget);
  bool found = false;
  if (!exhausted_ && pos >= 0 && pos < len_ && CanStartWith(in_[pos]) && !(anchored_ && pos > 0) &&
      (!firstChar_ || TextAt(program_[0], pos))) {
    reg_.fill(-1);
    found = TryAt(pos);
  }
  EndBudget(budget);
  matched_ = found;
  in_ = nullptr;
  return found;
}

int TRegexEngine::MatchPos(int n) const {
  if (n < 0 || n >= kGroups || !matched_ || reg_[2 * n] < 0 || reg_[2 * n + 1] < 0) return -1;
  return reg_[2 * n] + 1;
}

int TRegexEngine::MatchLen(int n) const {
  if (n < 0 || n >= kGroups || !matched_ || reg_[2 * n] < 0 || reg_[2 * n + 1] < 0) return -1;
  return reg_[2 * n + 1] - reg_[2 * n];
}

long long TRegexEngine::StepBudget(int length) { return kBaseSteps + kStepsPerChar * std::max(length, 0); }

void TRegexEngine::StartBudget(TRegexBudget* shared) {
  budgetStart_ = budget_ = shared ? shared->Left : StepBudget(len_);
  stepsUsed_ = 0;
  // A spent shared budget leaves nothing to try.
  exhausted_ = budget_ < 0;
}

void TRegexEngine::EndBudget(TRegexBudget* shared) {
  stepsUsed_ = budgetStart_ - budget_;
  if (!shared) return;
  shared->Used += stepsUsed_;
  shared->Left = exhausted_ ? std::min<long long>(budget_, -1) : budget_;
}

bool TRegexEngine::ExecFrom(int start, TRegexBudget* shared) {
  reg_.fill(-1);
  exhausted_ = false;
  stepsUsed_ = 0;
  MakeReady();
  if (!haveInput_) RaiseError(1005);
  if (start < 0) RaiseError(1006);
  if (start > len_) return false;
  StartBudget(shared);
  if (exhausted_) return false;
  struct TEnd {
    TRegexEngine* e;
    TRegexBudget* shared;
    ~TEnd() { e->EndBudget(shared); }
  } end{this, shared};
  const std::u16string_view text(in_ ? in_ : u"", static_cast<size_t>(len_));

  if (!mustText_.isEmpty()) {
    const std::u16string_view must(reinterpret_cast<const char16_t*>(mustText_.utf16()), mustText_.size());
    if (!mustFold_) {
      if (QStringView(in_, len_).indexOf(mustText_, start) < 0) return false;
    } else {
      bool found = false;
      for (int p = start; !found && p + static_cast<int>(must.size()) <= len_; ++p) {
        found = true;
        for (size_t i = 0; found && i < must.size(); ++i)
          found = text[p + i] == must[i] || RegexInvertCase(text[p + i]) == must[i];
      }
      if (!found) return false;
    }
  }
  if (anchored_) return TryAt(start);
  if (firstChar_) {
    for (int p = start; p < len_; ++p) {
      if (firstChar_ == firstCharAlt_) {
        p = static_cast<int>(QStringView(in_, len_).indexOf(QChar(firstChar_), p));
        if (p < 0) return false;
      } else {
        while (p < len_ && text[p] != firstChar_ && text[p] != firstCharAlt_) ++p;
        if (p >= len_) return false;
      }
      // The whole leading text must be there before a try is worth it.
      if (!TextAt(program_[0], p)) continue;
      if (TryAt(p)) return true;
      if (exhausted_) return false;
    }
    return false;
  }
  for (int p = start; p < len_; ++p) {
    const char16_t c = text[p];
    if (!firstAll_ && !(c < 256 ? firstSet_[c] : firstHigh_)) continue;
    if (TryAt(p)) return true;
    if (exhausted_) return false;
  }
  return false;
}

// The registers are unset on entry; a failed run has undone every change
// to them on its way back, unless it ran out of steps.
bool TRegexEngine::TryAt(int pos) {
  const bool found = MatchPrim(0, pos);
  // A long backtrack stack is not kept for the next search.
  if (stack_.capacity() > 65536) std::vector<TFrame>().swap(stack_);
  if (!found) {
    if (exhausted_) reg_.fill(-1);
    return false;
  }
  reg_[0] = pos;
  return true;
}

bool TRegexEngine::TextAt(const TInst& in, int pos) const {
  const int n = in.b;
  if (pos + n > len_) return false;
  const char16_t* t = texts_.data() + in.a;
  const char16_t* s = in_ + pos;
  if (!in.fold) return std::char_traits<char16_t>::compare(s, t, n) == 0;
  for (int i = 0; i < n; ++i)
    if (s[i] != t[i] && kInvert[s[i]] != t[i]) return false;
  return true;
}

bool TRegexEngine::IsWord(int pos) const { return pos >= 0 && pos < len_ && in_[pos] < 256 && wordSet_[in_[pos]]; }

bool TRegexEngine::IsPaired(int pos) const {
  return hasPaired_ && pos > 0 && pos < len_ && in_[pos - 1] == paired0_ && in_[pos] == paired1_;
}

bool TRegexEngine::MatchOne(const TInst& in, int pos) const {
  if (pos >= len_) return false;
  const char16_t c = in_[pos];
  switch (in.op) {
    case opAny:
      return true;
    case opAnyNL:
      return !IsSep(c) && !IsPaired(pos + 1);
    case opText: {
      const char16_t t = texts_[in.a];
      return c == t || (in.fold && RegexInvertCase(c) == t);
    }
    case opClass:
      return classes_[in.a].Contains(c);
    case opDigit:
      return c >= u'0' && c <= u'9';
    case opNotDigit:
      return !(c >= u'0' && c <= u'9');
    case opWord:
      return c < 256 && wordSet_[c];
    case opNotWord:
      return !(c < 256 && wordSet_[c]);
    case opSpace:
      return c < 256 && spaceSet_[c];
    case opNotSpace:
      return !(c < 256 && spaceSet_[c]);
    default:
      return false;
  }
}

int TRegexEngine::CountMatches(const TInst& in, int pos, int max) const {
  const int room = len_ - pos;
  if (in.op == opAny) return std::min(max, room);
  int n = 0;
  const int limit = std::min(max, room);
  while (n < limit && MatchOne(in, pos + n)) ++n;
  return n;
}

namespace {
enum : int { fAlt, fReg, fCounter, fRepGreedy, fRepLazy, fLoopBody };
}

bool TRegexEngine::MatchPrim(int pc, int pos) {
  stack_.clear();
  const TInst* prog = program_.data();
  auto push = [this](int kind, int fpc, int fpos, int a) { stack_.push_back(TFrame{kind, fpc, fpos, a}); };
  // The next node's first character, when it is case-sensitive text: a
  // repetition only stops where that character follows.
  auto nextChar = [&](int rest) -> int {
    const TInst& nx = prog[rest];
    return nx.op == opText && !nx.fold ? texts_[nx.a] : -1;
  };
  for (;;) {
    if (--budget_ < 0 || stack_.size() > kMaxFrames) {
      exhausted_ = true;
      return false;
    }
    const TInst& in = prog[pc];
    bool ok = true;
    switch (in.op) {
      case opMatch:
        reg_[1] = pos;
        return true;
      case opBol:
        ok = pos == 0;
        ++pc;
        break;
      case opBoi:
        ok = pos == 0;
        ++pc;
        break;
      case opEol:
      case opEoi:
        ok = pos == len_;
        ++pc;
        break;
      case opMBol:
        ok = pos == 0 || (IsSep(in_[pos - 1]) && !IsPaired(pos)) ||
             (hasPaired_ && pos >= 2 && in_[pos - 2] == paired0_ && in_[pos - 1] == paired1_);
        ++pc;
        break;
      case opMEol:
        ok = pos == len_ || (IsSep(in_[pos]) && !IsPaired(pos)) ||
             (hasPaired_ && pos + 1 < len_ && in_[pos] == paired0_ && in_[pos + 1] == paired1_);
        ++pc;
        break;
      case opText:
        ok = TextAt(in, pos);
        pos += in.b;
        ++pc;
        break;
      default:  // one character
        ok = MatchOne(in, pos);
        ++pos;
        ++pc;
        break;
      case opBound:
      case opNotBound:
        ok = (IsWord(pos - 1) != IsWord(pos)) == (in.op == opBound);
        ++pc;
        break;
      case opBackref: {
        const int s = reg_[2 * in.a], e = reg_[2 * in.a + 1];
        if (s < 0 || e < s || pos + (e - s) > len_) {
          ok = false;
          break;
        }
        // Each character compared costs a step.
        int i = 0;
        for (; ok && i < e - s; ++i) {
          const char16_t a = in_[s + i], b = in_[pos + i];
          ok = a == b || (in.fold && RegexInvertCase(b) == a);
        }
        budget_ -= i;
        pos += e - s;
        ++pc;
        break;
      }
      case opSave:
        push(fReg, in.a, 0, reg_[in.a]);
        reg_[in.a] = pos;
        ++pc;
        break;
      case opSplit:
        push(fAlt, in.b, pos, 0);
        pc = in.a;
        break;
      case opJmp:
        pc = in.a;
        break;
      case opRep: {
        const TInst& one = prog[pc + 1];
        const int rest = pc + 2;
        if (in.greedy) {
          int n = CountMatches(one, pos, in.b);
          budget_ -= n;
          const int nc = nextChar(rest);
          if (nc >= 0)
            while (n >= in.a && !(pos + n < len_ && in_[pos + n] == nc)) --n;
          if (n < in.a) {
            ok = false;
            break;
          }
          if (n > in.a) push(fRepGreedy, pc, pos, n - 1);
          pos += n;
        } else {
          const int n = CountMatches(one, pos, in.a);
          budget_ -= n;
          if (n < in.a) {
            ok = false;
            break;
          }
          push(fRepLazy, pc, pos, n);
          pos += n;
        }
        pc = rest;
        break;
      }
      case opLoopInit:
        push(fCounter, in.a, loopStart_v_[in.a], loopCount_v_[in.a]);
        loopCount_v_[in.a] = 0;
        loopStart_v_[in.a] = -1;
        ++pc;
        break;
      case opLoop: {
        const int k = in.a, count = loopCount_v_[k];
        if (count >= in.c) {
          pc = in.d;
        } else if (count < in.b || in.greedy) {
          if (count >= in.b) push(fAlt, in.d, pos, 0);
          push(fCounter, k, loopStart_v_[k], count);
          loopStart_v_[k] = pos;
          ++pc;
        } else {
          push(fLoopBody, pc, pos, 0);
          pc = in.d;
        }
        break;
      }
      case opLoopEnd: {
        const int k = in.a;
        push(fCounter, k, loopStart_v_[k], loopCount_v_[k]);
        ++loopCount_v_[k];
        // An iteration that consumed nothing ends the loop.
        pc = pos == loopStart_v_[k] ? prog[in.b].d : in.b;
        break;
      }
    }
    if (ok) continue;

    // Backtrack to the latest open choice.
    for (;;) {
      if (stack_.empty()) return false;
      const TFrame f = stack_.back();
      stack_.pop_back();
      if (f.kind == fReg) {
        reg_[f.pc] = f.a;
      } else if (f.kind == fCounter) {
        loopStart_v_[f.pc] = f.pos;
        loopCount_v_[f.pc] = f.a;
      } else if (f.kind == fAlt) {
        pc = f.pc;
        pos = f.pos;
        break;
      } else if (f.kind == fLoopBody) {
        const int k = prog[f.pc].a;
        push(fCounter, k, loopStart_v_[k], loopCount_v_[k]);
        loopStart_v_[k] = f.pos;
        pc = f.pc + 1;
        pos = f.pos;
        break;
      } else if (f.kind == fRepGreedy) {
        const TInst& rep = prog[f.pc];
        int n = f.a;
        const int nc = nextChar(f.pc + 2);
        if (nc >= 0)
          while (n >= rep.a && !(f.pos + n < len_ && in_[f.pos + n] == nc)) --n;
        if (n < rep.a) continue;
        if (n > rep.a) push(fRepGreedy, f.pc, f.pos, n - 1);
        pc = f.pc + 2;
        pos = f.pos + n;
        break;
      } else {  // fRepLazy
        const TInst& rep = prog[f.pc];
        const int n = f.a;
        if (n >= rep.b || !MatchOne(prog[f.pc + 1], f.pos + n)) continue;
        push(fRepLazy, f.pc, f.pos, n + 1);
        pc = f.pc + 2;
        pos = f.pos + n + 1;
        break;
      }
      if (--budget_ < 0) {
        exhausted_ = true;
        return false;
      }
    }
  }
}
