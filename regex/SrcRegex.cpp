#include "regex/SrcRegex.h"

#include <QChar>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>

namespace {

constexpr int kInfinite = 2147483646;
// Search limits: steps of the matcher per search (a base plus a share per
// input character) and entries of the backtrack stack.
constexpr long long kBaseSteps = 20'000'000;
constexpr long long kStepsPerChar = 64;
constexpr size_t kMaxFrames = 4'000'000;

// Filled when the first engine is made: a program that never searches
// does not pay for it at start.
char16_t gInvertTable[65536];

void FillInvertTable() {
  static const bool filled = [] {
    for (int c = 0; c < 65536; ++c) {
      const QChar ch(static_cast<char16_t>(c));
      const char16_t up = ch.toUpper().unicode();
      gInvertTable[c] = up != c ? up : ch.toLower().unicode();
    }
    return true;
  }();
  Q_UNUSED(filled);
}

bool IsHex(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
int HexValue(QChar c) {
  const char16_t u = c.unicode();
  return u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10;
}

std::bitset<256> SetOf(const QString& chars) {
  std::bitset<256> set;
  for (QChar c : chars)
    if (c.unicode() < 256) set.set(c.unicode());
  return set;
}

}  // namespace

const char16_t* const gRegexInvertCase = gInvertTable;

namespace {
const char16_t* const kInvert = gRegexInvertCase;
}

enum TRegexEngine::Op : std::uint8_t {
  opMatch, opBol, opEol, opMBol, opMEol, opBoi, opEoi,
  opAny, opAnyNL, opText, opClass, opDigit, opNotDigit, opWord, opNotWord, opSpace, opNotSpace,
  opBound, opNotBound, opBackref, opSave, opSplit, opJmp, opRep, opLoopInit, opLoop, opLoopEnd,
};

namespace {
// Nodes that match one character, or (text) begin with one.
bool StartsWithChar(TRegexEngine::Op op) {
  return op >= TRegexEngine::opAny && op <= TRegexEngine::opNotSpace;
}
}  // namespace

bool TRegexEngine::TClass::Contains(char16_t c) const {
  auto in = [this](char16_t u) {
    if (u < 256) return static_cast<bool>(bits[u]);
    if (allHigh) return true;
    for (const auto& [lo, hi] : high)
      if (u >= lo && u <= hi) return true;
    return false;
  };
  const bool hit = in(c) || (fold && in(RegexInvertCase(c)));
  return hit != negated;
}

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
      case TNode::ZeroWidth: return true;
      case TNode::Single:
      case TNode::Text:
      case TNode::Backref: return false;
      case TNode::Group: return Nullable(nd.kids[0]);
      case TNode::Alt: return std::any_of(nd.kids.begin(), nd.kids.end(), Nullable);
      case TNode::Seq: return std::all_of(nd.kids.begin(), nd.kids.end(), Nullable);
      case TNode::Repeat: return nd.min == 0 || Nullable(nd.kids[0]);
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
          const int bit = c == u'i' ? modI : c == u'r' ? modR : c == u's' ? modS : c == u'g' ? modG
                        : c == u'm' ? modM : c == u'x' ? modX : 0;
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
      case u'^': ++p_; return Make(TNode::ZeroWidth, MultiLine() ? opMBol : opBol);
      case u'$': ++p_; return Make(TNode::ZeroWidth, MultiLine() ? opMEol : opEol);
      case u'.': ++p_; return Make(TNode::Single, (mods_ & modS) ? opAny : opAnyNL);
      case u'*':
      case u'+':
      case u'?': Fail(115);
      case u'[': return ParseClass();
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
          case u'd': ++p_; return Make(TNode::Single, opDigit);
          case u'D': ++p_; return Make(TNode::Single, opNotDigit);
          case u'w': ++p_; return Make(TNode::Single, opWord);
          case u'W': ++p_; return Make(TNode::Single, opNotWord);
          case u's': ++p_; return Make(TNode::Single, opSpace);
          case u'S': ++p_; return Make(TNode::Single, opNotSpace);
          case u'b': ++p_; return Make(TNode::ZeroWidth, opBound);
          case u'B': ++p_; return Make(TNode::ZeroWidth, opNotBound);
          case u'A': ++p_; return Make(TNode::ZeroWidth, opBoi);
          case u'Z': ++p_; return Make(TNode::ZeroWidth, opEoi);
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
      default: ++p_; return MakeText(c);
    }
  }

  // The character of an escape at the parse position (just after the "\").
  char16_t ParseCharEscape() {
    const char16_t e = s_[p_++].unicode();
    switch (e) {
      case u't': return 9;
      case u'n': return 10;
      case u'r': return 13;
      case u'f': return 12;
      case u'a': return 7;
      case u'e': return 27;
      case u'x': break;
      default: return e;
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
        case u'd': case u'D': for (int d = '0'; d <= '9'; ++d) set.set(d); break;
        case u'w': case u'W': set = e_.wordSet_; break;
        case u's': case u'S': set = e_.spaceSet_; break;
        default: out = ParseCharEscape(); return true;
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

TRegexEngine::TRegexEngine() {
  FillInvertTable();
  SetSpaceChars(QStringLiteral(" \t\n\r\f"));
  SetWordChars(QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_"));
  SetLineSeparators(QStringLiteral("\r\n"));
  SetLinePairedSeparator(QStringLiteral("\r\n"));
}

void TRegexEngine::DropProgram() {
  program_.clear();
  classes_.clear();
  texts_.clear();
}

void TRegexEngine::SetExpression(const QString& text) {
  if (text != expression_ || program_.empty()) DropProgram();
  expression_ = text;
}

bool TRegexEngine::Modifier(int index) const {
  if (index < 1 || index > 6) const_cast<TRegexEngine*>(this)->RaiseError(1013);
  return (modifiers_ >> (index - 1)) & 1;
}

void TRegexEngine::SetModifier(int index, bool on) {
  if (index < 1 || index > 6) RaiseError(1013);
  const int bit = 1 << (index - 1);
  modifiers_ = on ? modifiers_ | bit : modifiers_ & ~bit;
}

bool TRegexEngine::ParseModifiers(QStringView text, int& modifiers) {
  bool off = false;
  for (QChar ch : text) {
    const char16_t c = ch.toLower().unicode();
    const int bit = c == u'i' ? modI : c == u'r' ? modR : c == u's' ? modS : c == u'g' ? modG
                  : c == u'm' ? modM : c == u'x' ? modX : 0;
    if (c == u'-') {
      off = true;
    } else if (bit == 0) {
      return false;
    } else {
      modifiers = off ? modifiers & ~bit : modifiers | bit;
    }
  }
  return true;
}

void TRegexEngine::SetSpaceChars(const QString& chars) {
  spaceChars_ = chars;
  spaceSet_ = SetOf(chars);
  DropProgram();
}
void TRegexEngine::SetWordChars(const QString& chars) {
  wordChars_ = chars;
  wordSet_ = SetOf(chars);
  DropProgram();
}
void TRegexEngine::SetLineSeparators(const QString& chars) {
  lineSeparators_ = chars;
  sepSet_ = SetOf(chars);
  DropProgram();
}

QString TRegexEngine::LinePairedSeparator() const {
  return hasPaired_ ? QString(QChar(paired0_)) + QChar(paired1_) : QString();
}

void TRegexEngine::SetLinePairedSeparator(const QString& pair) {
  if (pair.isEmpty()) {
    hasPaired_ = false;
  } else if (pair.size() == 2 && pair[0] != pair[1]) {
    hasPaired_ = true;
    paired0_ = pair[0].unicode();
    paired1_ = pair[1].unicode();
  } else {
    RaiseError(128);
  }
  DropProgram();
}

QString TRegexEngine::ErrorText(int code) {
  switch (code) {
    case 0: return QStringLiteral("No errors");
    case 100: return QStringLiteral("TRegexEngine(comp): Null Argument");
    case 101: return QStringLiteral("TRegexEngine(comp): Regexp Too Big");
    case 102: return QStringLiteral("TRegexEngine(comp): ParseReg Too Many ()");
    case 103:
    case 104: return QStringLiteral("TRegexEngine(comp): ParseReg Unmatched ()");
    case 105: return QStringLiteral("TRegexEngine(comp): ParseReg Junk On End");
    case 106: return QStringLiteral("TRegexEngine(comp): *+ Operand Could Be Empty");
    case 107: return QStringLiteral("TRegexEngine(comp): Nested *?+");
    case 108: return QStringLiteral("TRegexEngine(comp): Bad Hex Digit");
    case 109: return QStringLiteral("TRegexEngine(comp): Invalid [] Range");
    case 110: return QStringLiteral("TRegexEngine(comp): Parse Atom Trailing \\");
    case 111: return QStringLiteral("TRegexEngine(comp): No Hex Code After \\x");
    case 112: return QStringLiteral("TRegexEngine(comp): Hex Code After \\x Is Too Big");
    case 113: return QStringLiteral("TRegexEngine(comp): Unmatched []");
    case 114: return QStringLiteral("TRegexEngine(comp): Internal Urp");
    case 115: return QStringLiteral("TRegexEngine(comp): ?+*{ Follows Nothing");
    case 116: return QStringLiteral("TRegexEngine(comp): Trailing \\");
    case 119: return QStringLiteral("TRegexEngine(comp): RarseAtom Internal Disaster");
    case 122: return QStringLiteral("TRegexEngine(comp): BRACES Argument Too Big");
    case 124: return QStringLiteral("TRegexEngine(comp): BRACE Min Param Greater then Max");
    case 125: return QStringLiteral("TRegexEngine(comp): Unclosed (?#Comment)");
    case 127: return QStringLiteral("TRegexEngine(comp): Urecognized Modifier");
    case 128:
      return QStringLiteral(
          "TRegexEngine(comp): LinePairedSeparator must countain two different chars or no chars at all");
    case 1000: return QStringLiteral("TRegexEngine(exec): RegRepeat Called Inappropriately");
    case 1001: return QStringLiteral("TRegexEngine(exec): MatchPrim Memory Corruption");
    case 1002: return QStringLiteral("TRegexEngine(exec): MatchPrim Corrupted Pointers");
    case 1003: return QStringLiteral("TRegexEngine(exec): Not Assigned Expression Property");
    case 1004: return QStringLiteral("TRegexEngine(exec): Corrupted Program");
    case 1005: return QStringLiteral("TRegexEngine(exec): No Inpit String Specified");
    case 1006: return QStringLiteral("TRegexEngine(exec): Offset Must Be Greater Then 0");
    case 1007: return QStringLiteral("TRegexEngine(exec): ExecNext Without Exec[Pos]");
    case 1008: return QStringLiteral("TRegexEngine(exec): GetInputString Without InputString");
    case 1011: return QStringLiteral("TRegexEngine(dump): Corrupted Opcode");
    case 1014: return QStringLiteral("TRegexEngine(exec): Loop Stack Exceeded");
    case 1015: return QStringLiteral("TRegexEngine(exec): Loop Without LoopEntry !");
    default: return QStringLiteral("Unknown error");
  }
}

void TRegexEngine::RaiseError(int code) {
  lastError_ = code;
  const int pos = compiling_ ? compilePos_ : 0;
  QString message = ErrorText(code);
  if (code < 1000) message += QStringLiteral(" (pos %1)").arg(pos);
  throw ERegexError(message, code, pos);
}

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
      case TTree::Empty: break;
      case TTree::Single:
      case TTree::ZeroWidth:
      case TTree::Backref: push(nd.inst); break;
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
          if (u < 256) firstSet_.set(u);
          else firstHigh_ = true;
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
      case opDigit: for (int d = '0'; d <= '9'; ++d) firstSet_.set(d); break;
      case opNotDigit:
        for (int c = 0; c < 256; ++c)
          if (c < '0' || c > '9') firstSet_.set(c);
        firstHigh_ = true;
        break;
      case opWord: firstSet_ |= wordSet_; break;
      case opNotWord: firstSet_ |= ~wordSet_; firstHigh_ = true; break;
      case opSpace: firstSet_ |= spaceSet_; break;
      case opNotSpace: firstSet_ |= ~spaceSet_; firstHigh_ = true; break;
      default: firstAll_ = true; break;  // any character
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
      case opBackref: firstAll_ = true; break;
      case opSplit:
        visit(in.b);
        visit(in.a);
        break;
      case opJmp: visit(in.a); break;
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
      default: visit(pc + 1); break;  // zero width
    }
  }
}

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
    case opAny: return true;
    case opAnyNL: return !IsSep(c) && !IsPaired(pos + 1);
    case opText: {
      const char16_t t = texts_[in.a];
      return c == t || (in.fold && RegexInvertCase(c) == t);
    }
    case opClass: return classes_[in.a].Contains(c);
    case opDigit: return c >= u'0' && c <= u'9';
    case opNotDigit: return !(c >= u'0' && c <= u'9');
    case opWord: return c < 256 && wordSet_[c];
    case opNotWord: return !(c < 256 && wordSet_[c]);
    case opSpace: return c < 256 && spaceSet_[c];
    case opNotSpace: return !(c < 256 && spaceSet_[c]);
    default: return false;
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
  auto push = [this](int kind, int fpc, int fpos, int a) {
    stack_.push_back(TFrame{kind, fpc, fpos, a});
  };
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
      case opBol: ok = pos == 0; ++pc; break;
      case opBoi: ok = pos == 0; ++pc; break;
      case opEol:
      case opEoi: ok = pos == len_; ++pc; break;
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
      case opJmp: pc = in.a; break;
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
