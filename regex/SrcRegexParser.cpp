// The compiler of the regular-expression engine: the expression is parsed
// into a tree, laid out as a program of nodes, and analysed for the fast
// paths of the search.
#include <QChar>
#include <algorithm>
#include <functional>

#include "regex/SrcRegex.h"
#include "regex/SrcRegexOps.h"

namespace {

constexpr int kInfinite = 2147483646;

bool IsHex(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
int HexValue(QChar c) {
  const char16_t u = c.unicode();
  return u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10;
}

// Nodes that match one character, or (text) begin with one.
bool StartsWithChar(TRegexEngine::Op op) { return op >= TRegexEngine::opAny && op <= TRegexEngine::opNotSpace; }

}  // namespace

// ---------------------------------------------------------------------------
// Parsing: the expression becomes a tree, which is then laid out as nodes.

class TRegexEngine::TParser {
 public:
  struct TNode {
    enum Kind : std::uint8_t { Empty, Single, ZeroWidth, Text, Backref, Group, Alt, Seq, Repeat } kind = Empty;
    TInst inst{opMatch};  // Single, ZeroWidth, Backref
    std::u16string text;  // Text
    bool fold = false;    // Text
    int group = 0;
    int min = 0, max = 0;
    bool greedy = true;
    std::vector<TNode> kids;
  };

  TParser(TRegexEngine& engine) : e_(engine), s_(engine.expression_), n_(static_cast<int>(s_.size())) {}

  TNode ParseAll() {
    mods_ = e_.modifiers_;
    TNode top = ParseReg();
    if (p_ < n_) Fail(104);
    return top;
  }

  static bool Nullable(const TNode& nd) {
    switch (nd.kind) {
      case TNode::Empty:
      case TNode::ZeroWidth:
        return true;
      case TNode::Single:
      case TNode::Text:
      case TNode::Backref:
        return false;
      case TNode::Group:
        return Nullable(nd.kids[0]);
      case TNode::Alt:
        return std::any_of(nd.kids.begin(), nd.kids.end(), Nullable);
      case TNode::Seq:
        return std::all_of(nd.kids.begin(), nd.kids.end(), Nullable);
      case TNode::Repeat:
        return nd.min == 0 || Nullable(nd.kids[0]);
    }
    return true;
  }

 private:
  [[noreturn]] void Fail(int code) {
    e_.compilePos_ = p_;
    e_.RaiseError(code);
  }
  QChar At(int i) const { return i < n_ ? s_[i] : QChar(); }

  // Skips what emits nothing: blanks and "#" comments in extended mode,
  // "(?#...)" comments and "(?imsx-...)" modifier switches.
  void Skip() {
    for (;;) {
      if (mods_ & modX) {
        const QChar c = At(p_);
        if (p_ < n_ && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')) {
          ++p_;
          continue;
        }
        if (p_ < n_ && c == u'#') {
          while (p_ < n_ && s_[p_] != u'\r' && s_[p_] != u'\n') ++p_;
          continue;
        }
      }
      if (At(p_) == u'(' && At(p_ + 1) == u'?') {
        if (At(p_ + 2) == u'#') {
          int q = p_ + 3;
          while (q < n_ && s_[q] != u')') ++q;
          if (q >= n_) Fail(125);
          p_ = q + 1;
          continue;
        }
        int q = p_ + 2;
        bool off = false;
        int mods = mods_;
        for (; q < n_ && s_[q] != u')'; ++q) {
          const char16_t c = s_[q].toLower().unicode();
          const int bit = c == u'i'   ? modI
                          : c == u'r' ? modR
                          : c == u's' ? modS
                          : c == u'g' ? modG
                          : c == u'm' ? modM
                          : c == u'x' ? modX
                                      : 0;
          if (c == u'-') {
            off = true;
          } else if (bit == 0) {
            p_ = q;
            Fail(127);
          } else {
            mods = off ? mods & ~bit : mods | bit;
          }
        }
        if (q >= n_) {
          p_ = q;
          Fail(127);
        }
        mods_ = mods;
        p_ = q + 1;
        continue;
      }
      return;
    }
  }

  TNode ParseReg() {
    TNode first = ParseSequence();
    if (At(p_) != u'|' || p_ >= n_) return first;
    TNode alt;
    alt.kind = TNode::Alt;
    alt.kids.push_back(std::move(first));
    while (p_ < n_ && s_[p_] == u'|') {
      ++p_;
      alt.kids.push_back(ParseSequence());
    }
    return alt;
  }

  TNode ParseSequence() {
    TNode seq;
    seq.kind = TNode::Seq;
    for (;;) {
      Skip();
      if (p_ >= n_ || s_[p_] == u'|' || s_[p_] == u')') break;
      TNode piece = ParseQuantified();
      // Neighbouring plain characters form one text.
      if (piece.kind == TNode::Text && !seq.kids.empty() && seq.kids.back().kind == TNode::Text &&
          seq.kids.back().fold == piece.fold) {
        seq.kids.back().text += piece.text;
        continue;
      }
      seq.kids.push_back(std::move(piece));
    }
    if (seq.kids.size() == 1) return std::move(seq.kids[0]);
    if (seq.kids.empty()) seq.kind = TNode::Empty;
    return seq;
  }

  // An atom and the quantifier after it, if any.
  TNode ParseQuantified() {
    TNode atom = ParseAtom();
    Skip();
    int min = 0, max = 0;
    const QChar quantifier = At(p_);
    if (!ParseQuantifier(min, max)) return atom;
    bool greedy = (mods_ & modG) != 0;
    if (At(p_) == u'?' && p_ < n_) {
      greedy = false;
      ++p_;
    }
    const QChar next = At(p_);
    if (p_ < n_ && (next == u'*' || next == u'+' || next == u'?' || next == u'{')) Fail(107);
    if ((quantifier == u'*' || quantifier == u'+') && Nullable(atom)) Fail(106);
    TNode rep;
    rep.kind = TNode::Repeat;
    rep.min = min;
    rep.max = max;
    rep.greedy = greedy;
    rep.kids.push_back(std::move(atom));
    return rep;
  }

  // "*", "+", "?", "{n}", "{n,}" or "{n,m}" at the parse position. A "{"
  // that does not continue as one of these is left as an ordinary character.
  bool ParseQuantifier(int& min, int& max) {
    if (p_ >= n_) return false;
    const QChar c = s_[p_];
    if (c == u'*' || c == u'+' || c == u'?') {
      min = c == u'+' ? 1 : 0;
      max = c == u'?' ? 1 : kInfinite;
      ++p_;
      return true;
    }
    if (c != u'{') return false;
    int q = p_ + 1;
    auto number = [&](int& value) {
      const int start = q;
      long long v = 0;
      while (q < n_ && s_[q].isDigit() && s_[q].unicode() < 128) {
        v = v * 10 + (s_[q].unicode() - u'0');
        ++q;
        if (q - start > 8) {
          p_ = q;
          Fail(122);
        }
      }
      value = static_cast<int>(v);
      return q > start;
    };
    if (!number(min)) return false;
    if (At(q) == u'}' && q < n_) {
      max = min;
    } else if (At(q) == u',' && q < n_) {
      ++q;
      if (At(q) == u'}' && q < n_) {
        max = kInfinite;
      } else {
        if (!number(max) || At(q) != u'}' || q >= n_) return false;
      }
    } else {
      return false;
    }
    p_ = q + 1;
    if (min > max) Fail(124);
    return true;
  }

  TNode Make(TNode::Kind kind, Op op) {
    TNode nd;
    nd.kind = kind;
    nd.inst.op = op;
    return nd;
  }
  TNode MakeText(char16_t c) {
    TNode nd;
    nd.kind = TNode::Text;
    nd.text = std::u16string(1, c);
    nd.fold = (mods_ & modI) != 0;
    return nd;
  }
  bool MultiLine() const { return (mods_ & modM) && (!e_.lineSeparators_.isEmpty() || e_.hasPaired_); }

  TNode ParseAtom() {
    const char16_t c = s_[p_].unicode();
    switch (c) {
      case u'^':
        ++p_;
        return Make(TNode::ZeroWidth, MultiLine() ? opMBol : opBol);
      case u'$':
        ++p_;
        return Make(TNode::ZeroWidth, MultiLine() ? opMEol : opEol);
      case u'.':
        ++p_;
        return Make(TNode::Single, (mods_ & modS) ? opAny : opAnyNL);
      case u'*':
      case u'+':
      case u'?':
        Fail(115);
      case u'[':
        return ParseClass();
      case u'(': {
        if (groups_ >= kGroups - 1) Fail(102);
        ++p_;
        TNode g;
        g.kind = TNode::Group;
        g.group = ++groups_;
        g.kids.push_back(ParseReg());
        if (p_ >= n_ || s_[p_] != u')') Fail(103);
        ++p_;
        return g;
      }
      case u'\\': {
        ++p_;
        if (p_ >= n_) Fail(110);
        const char16_t e = s_[p_].unicode();
        switch (e) {
          case u'd':
            ++p_;
            return Make(TNode::Single, opDigit);
          case u'D':
            ++p_;
            return Make(TNode::Single, opNotDigit);
          case u'w':
            ++p_;
            return Make(TNode::Single, opWord);
          case u'W':
            ++p_;
            return Make(TNode::Single, opNotWord);
          case u's':
            ++p_;
            return Make(TNode::Single, opSpace);
          case u'S':
            ++p_;
            return Make(TNode::Single, opNotSpace);
          case u'b':
            ++p_;
            return Make(TNode::ZeroWidth, opBound);
          case u'B':
            ++p_;
            return Make(TNode::ZeroWidth, opNotBound);
          case u'A':
            ++p_;
            return Make(TNode::ZeroWidth, opBoi);
          case u'Z':
            ++p_;
            return Make(TNode::ZeroWidth, opEoi);
          default:
            if (e >= u'1' && e <= u'9') {
              ++p_;
              TNode nd = Make(TNode::Backref, opBackref);
              nd.inst.a = e - u'0';
              nd.inst.fold = (mods_ & modI) != 0;
              return nd;
            }
            return MakeText(ParseCharEscape());
        }
      }
      default:
        ++p_;
        return MakeText(c);
    }
  }

  // The character of an escape at the parse position (just after the "\").
  char16_t ParseCharEscape() {
    const char16_t e = s_[p_++].unicode();
    switch (e) {
      case u't':
        return 9;
      case u'n':
        return 10;
      case u'r':
        return 13;
      case u'f':
        return 12;
      case u'a':
        return 7;
      case u'e':
        return 27;
      case u'x':
        break;
      default:
        return e;
    }
    if (At(p_) == u'{' && p_ < n_) {
      ++p_;
      int value = 0, digits = 0, significant = 0;
      while (p_ < n_ && s_[p_] != u'}') {
        if (!IsHex(s_[p_])) Fail(108);
        const int h = HexValue(s_[p_]);
        if (significant > 0 || h != 0) ++significant;
        if (significant > 2) Fail(112);
        value = value * 16 + h;
        ++digits;
        ++p_;
      }
      if (p_ >= n_) Fail(108);
      if (digits == 0) Fail(111);
      ++p_;
      return static_cast<char16_t>(value);
    }
    if (p_ + 1 >= n_ || !IsHex(s_[p_]) || !IsHex(s_[p_ + 1])) Fail(111);
    const int value = HexValue(s_[p_]) * 16 + HexValue(s_[p_ + 1]);
    p_ += 2;
    return static_cast<char16_t>(value);
  }

  TNode ParseClass() {
    ++p_;
    TNode nd = Make(TNode::Single, opClass);
    TClass cl;
    cl.fold = (mods_ & modI) != 0;
    if (At(p_) == u'^' && p_ < n_) {
      cl.negated = true;
      ++p_;
    }
    const bool russian = (mods_ & modR) != 0;
    auto addRange = [&](char16_t lo, char16_t hi) {
      for (int c = lo; c <= std::min<int>(hi, 255); ++c) cl.bits.set(c);
      if (hi >= 256) cl.high.emplace_back(std::max<char16_t>(lo, 256), hi);
    };
    // One member: a character (true) or a set escape added at once (false).
    auto member = [&](char16_t& out) {
      if (s_[p_] != u'\\') {
        out = s_[p_++].unicode();
        return true;
      }
      ++p_;
      if (p_ >= n_) Fail(116);
      const char16_t e = s_[p_].unicode();
      std::bitset<256> set;
      bool complement = false;
      switch (e) {
        case u'd':
        case u'D':
          for (int d = '0'; d <= '9'; ++d) set.set(d);
          break;
        case u'w':
        case u'W':
          set = e_.wordSet_;
          break;
        case u's':
        case u'S':
          set = e_.spaceSet_;
          break;
        default:
          out = ParseCharEscape();
          return true;
      }
      complement = QChar(e).isUpper();
      ++p_;
      if (complement) {
        cl.bits |= ~set;
        cl.allHigh = true;
      } else {
        cl.bits |= set;
      }
      return false;
    };
    bool first = true;
    for (;;) {
      if (p_ >= n_) Fail(113);
      if (s_[p_] == u']' && !first) {
        ++p_;
        break;
      }
      first = false;
      char16_t lo = 0;
      if (!member(lo)) continue;
      if (At(p_) == u'-' && p_ + 1 < n_ && s_[p_ + 1] != u']') {
        ++p_;
        char16_t hi = 0;
        if (!member(hi)) {  // "a-\d": the dash is a plain member
          addRange(lo, lo);
          addRange(u'-', u'-');
          continue;
        }
        if (russian && lo == 224 && hi == 223) {
          addRange(192, 255);
          addRange(168, 168);
          addRange(184, 184);
          continue;
        }
        if (hi < lo) Fail(109);
        addRange(lo, hi);
        if (russian && lo == 224 && hi == 255) addRange(184, 184);
        if (russian && lo == 192 && hi == 223) addRange(168, 168);
        continue;
      }
      addRange(lo, lo);
    }
    if (cl.fold) {
      const std::bitset<256> own = cl.bits;
      for (int c = 0; c < 256; ++c) {
        const char16_t inv = RegexInvertCase(static_cast<char16_t>(c));
        if (own[c] && inv < 256) cl.bits.set(inv);
      }
    }
    nd.inst.a = static_cast<int>(e_.classes_.size());
    e_.classes_.push_back(std::move(cl));
    return nd;
  }

  TRegexEngine& e_;
  const QString& s_;
  int n_;
  int p_ = 0;
  int mods_ = 0;
  int groups_ = 0;
};

// ---------------------------------------------------------------------------
// Compiling.

void TRegexEngine::Compile() {
  DropProgram();
  if (expression_.isEmpty()) RaiseError(1003);
  using TTree = TParser::TNode;
  TTree top;
  compiling_ = true;
  compilePos_ = 0;
  try {
    TParser parser(*this);
    top = parser.ParseAll();
  } catch (...) {
    compiling_ = false;
    DropProgram();
    throw;
  }
  compiling_ = false;

  loopCount_ = 0;
  auto push = [this](const TInst& in) {
    program_.push_back(in);
    return static_cast<int>(program_.size()) - 1;
  };
  auto here = [this] { return static_cast<int>(program_.size()); };
  std::function<void(const TTree&)> lay = [&](const TTree& nd) {
    switch (nd.kind) {
      case TTree::Empty:
        break;
      case TTree::Single:
      case TTree::ZeroWidth:
      case TTree::Backref:
        push(nd.inst);
        break;
      case TTree::Text: {
        TInst in{opText};
        in.a = static_cast<int>(texts_.size());
        in.b = static_cast<int>(nd.text.size());
        in.fold = nd.fold;
        texts_ += nd.text;
        push(in);
        break;
      }
      case TTree::Seq:
        for (const TTree& kid : nd.kids) lay(kid);
        break;
      case TTree::Group: {
        TInst open{opSave};
        open.a = 2 * nd.group;
        push(open);
        lay(nd.kids[0]);
        TInst close{opSave};
        close.a = 2 * nd.group + 1;
        push(close);
        break;
      }
      case TTree::Alt: {
        std::vector<int> jumps;
        for (size_t i = 0; i + 1 < nd.kids.size(); ++i) {
          const int split = push(TInst{opSplit});
          program_[split].a = split + 1;
          lay(nd.kids[i]);
          jumps.push_back(push(TInst{opJmp}));
          program_[split].b = here();
        }
        lay(nd.kids.back());
        for (int j : jumps) program_[j].a = here();
        break;
      }
      case TTree::Repeat: {
        const TTree& kid = nd.kids[0];
        const bool simple = kid.kind == TTree::Single || (kid.kind == TTree::Text && kid.text.size() == 1);
        if (simple) {
          TInst rep{opRep};
          rep.a = nd.min;
          rep.b = nd.max;
          rep.greedy = nd.greedy;
          push(rep);
          lay(kid);
        } else if (nd.min == 0 && nd.max == 1) {
          const int split = push(TInst{opSplit});
          lay(kid);
          program_[split].a = nd.greedy ? split + 1 : here();
          program_[split].b = nd.greedy ? here() : split + 1;
        } else {
          const int k = loopCount_++;
          TInst init{opLoopInit};
          init.a = k;
          push(init);
          TInst loop{opLoop};
          loop.a = k;
          loop.b = nd.min;
          loop.c = nd.max;
          loop.greedy = nd.greedy;
          const int at = push(loop);
          lay(kid);
          TInst end{opLoopEnd};
          end.a = k;
          end.b = at;
          push(end);
          program_[at].d = here();
        }
        break;
      }
    }
  };
  lay(top);
  push(TInst{opMatch});
  programModifiers_ = modifiers_;

  const TTree* seq = &top;
  const bool single = top.kind != TTree::Alt;
  mustText_.clear();
  mustFold_ = false;
  if (single && seq->kind == TTree::Seq && !seq->kids.empty() && seq->kids[0].kind == TTree::Repeat &&
      seq->kids[0].max == kInfinite) {
    for (const TTree& kid : seq->kids)
      if (kid.kind == TTree::Text && static_cast<qsizetype>(kid.text.size()) > mustText_.size()) {
        mustText_ = QString::fromStdU16String(kid.text);
        mustFold_ = kid.fold;
      }
  }
  firstChar_ = firstCharAlt_ = 0;
  anchored_ = false;
  prefix_.clear();
  prefixFold_ = false;
  if (single) {
    const TInst& in = program_[0];
    if (in.op == opText) {
      prefix_ = texts_.substr(in.a, in.b);
      prefixFold_ = in.fold;
      firstChar_ = texts_[in.a];
      firstCharAlt_ = in.fold ? RegexInvertCase(firstChar_) : firstChar_;
    }
    anchored_ = in.op == opBol || in.op == opBoi;
  }
  firstSet_.reset();
  firstHigh_ = firstAll_ = false;
  BuildFirstCharSet();
  loopCount_v_.assign(loopCount_, 0);
  loopStart_v_.assign(loopCount_, -1);
  startDependent_ = std::any_of(program_.begin(), program_.end(), [](const TInst& in) {
    return in.op == opBol || in.op == opBoi || in.op == opMBol || in.op == opMEol || in.op == opBound ||
           in.op == opNotBound;
  });
}

// Walks the program from its first node with a list of nodes still to
// visit (no recursion: a program may hold hundreds of thousands of nodes
// in a row).
void TRegexEngine::BuildFirstCharSet() {
  auto addOne = [this](const TInst& one) {
    switch (one.op) {
      case opText: {
        const char16_t c = texts_[one.a];
        for (char16_t u : {c, one.fold ? RegexInvertCase(c) : c}) {
          if (u < 256)
            firstSet_.set(u);
          else
            firstHigh_ = true;
        }
        break;
      }
      case opClass: {
        const TClass& cl = classes_[one.a];
        for (int c = 0; c < 256; ++c)
          if (cl.Contains(static_cast<char16_t>(c))) firstSet_.set(c);
        if (cl.allHigh || !cl.high.empty() || cl.negated || cl.fold) firstHigh_ = true;
        break;
      }
      case opDigit:
        for (int d = '0'; d <= '9'; ++d) firstSet_.set(d);
        break;
      case opNotDigit:
        for (int c = 0; c < 256; ++c)
          if (c < '0' || c > '9') firstSet_.set(c);
        firstHigh_ = true;
        break;
      case opWord:
        firstSet_ |= wordSet_;
        break;
      case opNotWord:
        firstSet_ |= ~wordSet_;
        firstHigh_ = true;
        break;
      case opSpace:
        firstSet_ |= spaceSet_;
        break;
      case opNotSpace:
        firstSet_ |= ~spaceSet_;
        firstHigh_ = true;
        break;
      default:
        firstAll_ = true;
        break;  // any character
    }
  };
  std::vector<char> seen(program_.size(), 0);
  std::vector<int> todo{0};
  auto visit = [&](int pc) {
    if (!seen[pc]) todo.push_back(pc);
  };
  while (!todo.empty() && !firstAll_) {
    const int pc = todo.back();
    todo.pop_back();
    if (seen[pc]) continue;
    seen[pc] = 1;
    const TInst& in = program_[pc];
    if (StartsWithChar(in.op)) {
      addOne(in);
      continue;
    }
    switch (in.op) {
      case opMatch:
      case opBackref:
        firstAll_ = true;
        break;
      case opSplit:
        visit(in.b);
        visit(in.a);
        break;
      case opJmp:
        visit(in.a);
        break;
      case opRep:
        addOne(program_[pc + 1]);
        if (in.a == 0) visit(pc + 2);
        break;
      case opLoop:
        if (in.b == 0) visit(in.d);
        visit(pc + 1);
        break;
      case opLoopEnd:
        visit(in.b);
        visit(program_[in.b].d);
        break;
      default:
        visit(pc + 1);
        break;  // zero width
    }
  }
}
