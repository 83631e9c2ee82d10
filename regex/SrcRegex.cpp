// The regular-expression engine's settings, error texts and case table;
// the compiler is in SrcRegexParser.cpp, the matcher in SrcRegexMatcher.cpp.
#include "regex/SrcRegex.h"

#include <QChar>

namespace {

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

std::bitset<256> SetOf(const QString& chars) {
  std::bitset<256> set;
  for (QChar c : chars)
    if (c.unicode() < 256) set.set(c.unicode());
  return set;
}

}  // namespace

const char16_t* const gRegexInvertCase = gInvertTable;

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
    case 0:
      return QStringLiteral("No errors");
    case 100:
      return QStringLiteral("TRegexEngine(comp): Null Argument");
    case 101:
      return QStringLiteral("TRegexEngine(comp): Regexp Too Big");
    case 102:
      return QStringLiteral("TRegexEngine(comp): ParseReg Too Many ()");
    case 103:
    case 104:
      return QStringLiteral("TRegexEngine(comp): ParseReg Unmatched ()");
    case 105:
      return QStringLiteral("TRegexEngine(comp): ParseReg Junk On End");
    case 106:
      return QStringLiteral("TRegexEngine(comp): *+ Operand Could Be Empty");
    case 107:
      return QStringLiteral("TRegexEngine(comp): Nested *?+");
    case 108:
      return QStringLiteral("TRegexEngine(comp): Bad Hex Digit");
    case 109:
      return QStringLiteral("TRegexEngine(comp): Invalid [] Range");
    case 110:
      return QStringLiteral("TRegexEngine(comp): Parse Atom Trailing \\");
    case 111:
      return QStringLiteral("TRegexEngine(comp): No Hex Code After \\x");
    case 112:
      return QStringLiteral("TRegexEngine(comp): Hex Code After \\x Is Too Big");
    case 113:
      return QStringLiteral("TRegexEngine(comp): Unmatched []");
    case 114:
      return QStringLiteral("TRegexEngine(comp): Internal Urp");
    case 115:
      return QStringLiteral("TRegexEngine(comp): ?+*{ Follows Nothing");
    case 116:
      return QStringLiteral("TRegexEngine(comp): Trailing \\");
    case 119:
      return QStringLiteral("TRegexEngine(comp): RarseAtom Internal Disaster");
    case 122:
      return QStringLiteral("TRegexEngine(comp): BRACES Argument Too Big");
    case 124:
      return QStringLiteral("TRegexEngine(comp): BRACE Min Param Greater then Max");
    case 125:
      return QStringLiteral("TRegexEngine(comp): Unclosed (?#Comment)");
    case 127:
      return QStringLiteral("TRegexEngine(comp): Urecognized Modifier");
    case 128:
      return QStringLiteral(
          "TRegexEngine(comp): LinePairedSeparator must countain two different chars or no chars at all");
    case 1000:
      return QStringLiteral("TRegexEngine(exec): RegRepeat Called Inappropriately");
    case 1001:
      return QStringLiteral("TRegexEngine(exec): MatchPrim Memory Corruption");
    case 1002:
      return QStringLiteral("TRegexEngine(exec): MatchPrim Corrupted Pointers");
    case 1003:
      return QStringLiteral("TRegexEngine(exec): Not Assigned Expression Property");
    case 1004:
      return QStringLiteral("TRegexEngine(exec): Corrupted Program");
    case 1005:
      return QStringLiteral("TRegexEngine(exec): No Inpit String Specified");
    case 1006:
      return QStringLiteral("TRegexEngine(exec): Offset Must Be Greater Then 0");
    case 1007:
      return QStringLiteral("TRegexEngine(exec): ExecNext Without Exec[Pos]");
    case 1008:
      return QStringLiteral("TRegexEngine(exec): GetInputString Without InputString");
    case 1011:
      return QStringLiteral("TRegexEngine(dump): Corrupted Opcode");
    case 1014:
      return QStringLiteral("TRegexEngine(exec): Loop Stack Exceeded");
    case 1015:
      return QStringLiteral("TRegexEngine(exec): Loop Without LoopEntry !");
    default:
      return QStringLiteral("Unknown error");
  }
}

void TRegexEngine::RaiseError(int code) {
  lastError_ = code;
  const int pos = compiling_ ? compilePos_ : 0;
  QString message = ErrorText(code);
  if (code < 1000) message += QStringLiteral(" (pos %1)").arg(pos);
  throw ERegexError(message, code, pos);
}
