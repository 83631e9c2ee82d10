#include <gtest/gtest.h>

#include <string_view>

#include "regex/SrcRegex.h"

using namespace std::literals;

namespace {

QString Q(std::u16string_view s) { return QString(reinterpret_cast<const QChar*>(s.data()), s.size()); }

// Compiles `expr` with the default modifiers changed by `mods` and searches
// `input`; gives "pos/len", or "none".
std::string Find(const QString& expr, const char* mods, const QString& input) {
  TRegexEngine re;
  int bits = re.Modifiers();
  EXPECT_TRUE(TRegexEngine::ParseModifiers(QString::fromLatin1(mods), bits));
  re.SetModifiers(bits);
  re.SetExpression(expr);
  if (!re.Exec(input)) return "none";
  return std::to_string(re.MatchPos(0)) + "/" + std::to_string(re.MatchLen(0));
}

// The error `f` raises; a failure when it raises none.
template <class F>
ERegexError ErrorOf(F&& f) {
  try {
    f();
  } catch (const ERegexError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return ERegexError(QString(), 0, 0);
}

struct MatchCase {
  std::u16string_view expr;
  const char* mods;
  std::u16string_view input;
  const char* expected;
};

TEST(SrcRegex, FindsTheLeftmostMatch) {
  const MatchCase cases[] = {
      {u"<\\?php", "i", u"<?PHP", "1/5"},
      {u"a{2,3}", "", u"aaaa", "1/3"},
      {u"a{2,3}?", "", u"aaaa", "1/2"},
      {u"a{2,3}", "-g", u"aaaa", "1/2"},
      {u"a{2,3}?", "-g", u"aaaa", "1/2"},
      {u"x*", "", u"", "none"},  // the end of the input is never tried
      {u"^b", "m", u"a\r\nb", "4/1"},
      {u"^b", "", u"a\r\nb", "none"},
      {u"a$", "m", u"a\r\nb", "1/1"},
      {u"a$", "", u"a\n", "none"},
      {u"a\\Z", "m", u"a\n", "none"},
      {u"a{,3}", "", u"xa{,3}", "2/5"},
      {u"a{x}", "", u"a{x}", "1/4"},
      {u"{a", "", u"{a", "1/2"},
      {u"(?i)php", "", u"xPHP", "2/3"},  // folded first character
      {u"x*PHP", "i", u"--php", "3/3"},  // folded must-contain text
      {u"x*PHP", "", u"--php", "none"},
      {u"a*", "", u"b", "1/0"},  // a count of zero reaches the end
      {u"a\\x00b", "", u"-a\0b"sv, "2/3"},
      {u"a\\x{0}c", "", u"a\0b"sv, "none"},
      {u"a.b", "-s", u"a\nb", "none"},
      {u"a..b", "-s", u"a\r\nb", "none"},
      {u"a.b", "", u"a\nb", "1/3"},
      {u"\\bfoo\\b", "", u"afoo foo", "6/3"},
      {u"\\Bo", "", u"o foo", "4/1"},
      {u"[^a-c]+", "", u"abcxyz", "4/3"},
      {u"[]a]+", "", u"x]a]", "2/3"},
      {u"[a-]+", "", u"x-a-", "2/3"},
      {u"[\\d\\s]+", "", u"ab1 2c", "3/3"},
      {u"[A-Z]+", "i", u"12abC", "3/3"},
      {u"[^a]", "i", u"Ab", "2/1"},
      {u"\\d+", "", u"ab123", "3/3"},
      {u"\\W\\w", "", u"ab-c", "3/2"},
      {u"\\S+", "", u" \t\r\nxy ", "5/2"},
      {u"\\t\\n\\r\\f\\a\\e\\x41\\q", "",
       u"\t\n\r\f\a\x1b"
       u"Aq",
       "1/8"},
      {u"(a|ab)(c|bcd)(d*)", "", u"abcd", "1/4"},
      {u"(ab){2}", "", u"abababab", "1/4"},
      {u"(ab){1,}?", "", u"ababab", "1/2"},
      {u"(ab)*c", "", u"ababac abc", "6/1"},
      {u"(a|b)+?b", "", u"aabb", "1/3"},
      {u"(a)\\1", "", u"xaa", "2/2"},
      {u"(a)\\1", "i", u"aA", "1/2"},
      {u"(x)?y\\1", "", u"y", "none"},  // a group that took no part matches nothing
      {u"a b # note\n c", "x", u"abc", "1/3"},
      {u"a(?#note)b", "", u"ab", "1/2"},
      {u"A(?i)b", "", u"aB AB", "4/2"},  // a switch acts on what follows it
      {u"^$", "", u"", "1/0"},
      {u"(a?){2,}", "", u"b", "1/0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Find(Q(c.expr), c.mods, Q(c.input)), c.expected)
        << QString::fromUtf16(c.expr.data(), c.expr.size()).toStdString() << " with " << c.mods;
}

TEST(SrcRegex, RussianRangesAddTheLetterYo) {
  const struct {
    const char* mods;
    const char16_t* expr;
    char16_t input;
    const char* expected;
  } cases[] = {
      {"", u"[\\xE0-\\xFF]", 184, "1/1"}, {"-r", u"[\\xE0-\\xFF]", 184, "none"},
      {"", u"[\\xC0-\\xDF]", 168, "1/1"}, {"", u"[\\xE0-\\xDF]", 168, "1/1"},  // both alphabets
      {"", u"[\\xE0-\\xDF]", 200, "1/1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Find(QString::fromUtf16(c.expr), c.mods, QString(QChar(c.input))), c.expected) << c.mods;
  EXPECT_THROW(Find(u"[\\xE0-\\xDF]"_qs, "-r", u"x"_qs), ERegexError);
}

TEST(SrcRegex, GroupRegisters) {
  TRegexEngine re;
  EXPECT_EQ(re.MatchPos(0), -1);  // nothing searched yet
  re.SetExpression(u"(a)(b)?"_qs);
  ASSERT_TRUE(re.Exec(u"a"_qs));
  EXPECT_EQ(re.MatchPos(1), 1);
  EXPECT_EQ(re.MatchLen(1), 1);
  EXPECT_EQ(re.MatchPos(2), -1);
  EXPECT_EQ(re.MatchLen(2), -1);
  EXPECT_EQ(re.MatchPos(15), -1);
  EXPECT_EQ(re.MatchPos(-1), -1);

  re.SetExpression(u"(\\w)+-(\\d*)"_qs);
  ASSERT_TRUE(re.Exec(u" ab-12"_qs));
  EXPECT_EQ(re.MatchPos(1), 3);  // the last turn of the loop
  EXPECT_EQ(re.MatchPos(2), 5);
  EXPECT_EQ(re.MatchLen(2), 2);
  EXPECT_FALSE(re.Exec(u"--"_qs));
  EXPECT_EQ(re.MatchPos(0), -1);
}

TEST(SrcRegex, ErrorsCarryCodeTextAndPosition) {
  const struct {
    QString expr;
    int code;
  } cases[] = {
      {u"[a"_qs, 113},
      {u"\\x4"_qs, 111},
      {u"\\x"_qs, 111},
      {u"\\x{123}"_qs, 112},
      {u"\\x{012}"_qs, 0},
      {u"\\x{4g}"_qs, 108},
      {u"\\x{}"_qs, 111},
      {u"*a"_qs, 115},
      {u"a|+"_qs, 115},
      {u"(?a"_qs, 127},
      {u"a**"_qs, 107},
      {u"a*?+"_qs, 107},
      {u"a{2}{3}"_qs, 107},
      {u"(a*)*"_qs, 106},
      {u"(a|)+"_qs, 106},
      {u"(\\b)*"_qs, 106},
      {u"(a?){0,}"_qs, 0},
      {u"(?z)"_qs, 127},
      {u"(?#x"_qs, 125},
      {u"a{3,1}"_qs, 124},
      {u"a{123456789}"_qs, 122},
      {u"a{12345678}"_qs, 0},
      {u"[z-a]"_qs, 109},
      {u"a\\"_qs, 110},
      {u"[a\\"_qs, 116},
      {u"(a"_qs, 103},
      {u"a)"_qs, 104},
      {u"(((((((((((((((a)))))))))))))))"_qs, 102},
      {QString(10000, u'('), 102},
      {u""_qs, 1003},
  };
  for (const auto& c : cases) {
    TRegexEngine re;
    re.SetExpression(c.expr);
    int code = 0;
    try {
      re.Compile();
      EXPECT_TRUE(re.IsCompiled());
    } catch (const ERegexError& e) {
      code = e.ErrorCode;
      EXPECT_EQ(re.LastError(), code);
      EXPECT_FALSE(re.IsCompiled());
    }
    EXPECT_EQ(code, c.code) << c.expr.left(40).toStdString();
  }

  TRegexEngine re;
  re.SetExpression(u"ab{3,1}"_qs);
  ERegexError e = ErrorOf([&] { re.Exec(u"x"_qs); });
  EXPECT_EQ(e.Message(), u"TRegexEngine(comp): BRACE Min Param Greater then Max (pos 7)"_qs);
  EXPECT_EQ(e.CompilerErrorPos, 7);
  e = ErrorOf([&] { re.SetModifier(7, true); });
  EXPECT_EQ(e.ErrorCode, 1013);
  EXPECT_EQ(e.Message(), u"Unknown error"_qs);
  re.SetExpression(QString());
  EXPECT_EQ(ErrorOf([&] { re.Exec(u"x"_qs); }).Message(), u"TRegexEngine(exec): Not Assigned Expression Property"_qs);
  const std::pair<int, const char*> texts[] = {
      {0, "No errors"},
      {104, "TRegexEngine(comp): ParseReg Unmatched ()"},
      {106, "TRegexEngine(comp): *+ Operand Could Be Empty"},
      {110, "TRegexEngine(comp): Parse Atom Trailing \\"},
      {115, "TRegexEngine(comp): ?+*{ Follows Nothing"},
      {119, "TRegexEngine(comp): RarseAtom Internal Disaster"},
      {127, "TRegexEngine(comp): Urecognized Modifier"},
      {1005, "TRegexEngine(exec): No Inpit String Specified"},
      {1006, "TRegexEngine(exec): Offset Must Be Greater Then 0"},
      {1015, "TRegexEngine(exec): Loop Without LoopEntry !"},
      {1013, "Unknown error"},
      {1234, "Unknown error"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(TRegexEngine::ErrorText(code), QString::fromLatin1(text)) << code;
}

TEST(SrcRegex, LinePairedSeparator) {
  TRegexEngine re;
  EXPECT_EQ(re.LinePairedSeparator(), u"\r\n"_qs);
  re.SetLinePairedSeparator(u"ab"_qs);
  for (const QString& bad : {u"aa"_qs, u"abc"_qs, u"a"_qs}) {
    const ERegexError e = ErrorOf([&] { re.SetLinePairedSeparator(bad); });
    EXPECT_EQ(e.ErrorCode, 128) << bad.toStdString();
    EXPECT_EQ(
        e.Message(),
        u"TRegexEngine(comp): LinePairedSeparator must countain two different chars or no chars at all (pos 0)"_qs);
  }
  EXPECT_EQ(re.LinePairedSeparator(), u"ab"_qs);  // kept
  re.SetLinePairedSeparator(QString());
  // Without the pair, the carriage return alone ends a line too.
  re.SetModifier(5, true);
  re.SetExpression(u"^$"_qs);
  ASSERT_TRUE(re.Exec(u"a\r\n"_qs));
  EXPECT_EQ(re.MatchPos(0), 3);
}

TEST(SrcRegex, ModifiersAndRecompiling) {
  int bits = 0;
  EXPECT_TRUE(TRegexEngine::ParseModifiers(u"iM-Sx"_qs, bits));
  EXPECT_EQ(bits, TRegexEngine::modI | TRegexEngine::modM);
  EXPECT_FALSE(TRegexEngine::ParseModifiers(u"iq"_qs, bits));

  TRegexEngine re;
  EXPECT_TRUE(re.Modifier(2));   // r
  EXPECT_FALSE(re.Modifier(1));  // i
  re.SetExpression(u"a"_qs);
  EXPECT_FALSE(re.Exec(u"A"_qs));
  re.SetModifier(1, true);  // the program is made again for the new modifiers
  EXPECT_TRUE(re.Exec(u"A"_qs));
  // An inline switch does not touch the engine's own modifiers.
  re.SetModifier(1, false);
  re.SetExpression(u"(?i)b"_qs);
  EXPECT_TRUE(re.Exec(u"B"_qs));
  EXPECT_FALSE(re.Modifier(1));
}

TEST(SrcRegex, AnalysisOfTheProgram) {
  TRegexEngine re;
  const auto compiled = [&re](const QString& expr) -> TRegexEngine& {
    re.SetExpression(expr);
    re.Compile();
    return re;
  };
  EXPECT_EQ(compiled(u"abc|abd"_qs).FirstChar(), 0);
  EXPECT_TRUE(compiled(u"^b"_qs).Anchored());
  re.SetModifier(5, true);
  EXPECT_FALSE(compiled(u"^b"_qs).Anchored());  // a multi-line start is not the input start
  EXPECT_EQ(compiled(u".*<script>x+"_qs).MustContain(), u"<script>"_qs);
  EXPECT_FALSE(compiled(u"x+a"_qs).FirstCharSetIsUniversal());
  EXPECT_TRUE(compiled(u"x*"_qs).FirstCharSetIsUniversal());
}

// Patterns that take a naive backtracker exponential time or unbounded
// stack end promptly, with a clear answer.
TEST(SrcRegex, PathologicalPatternsEndPromptly) {
  TRegexEngine re;
  re.SetExpression(u"(a+)+b"_qs);
  EXPECT_FALSE(re.Exec(QString(30, u'a') + u"cb"_qs));
  EXPECT_TRUE(re.BudgetExhausted());

  re.SetExpression(u"(a?){2,}"_qs);
  ASSERT_TRUE(re.Exec(QString(10000, u'b')));
  EXPECT_EQ(re.MatchLen(0), 0);

  re.SetExpression(u"(ab)*c"_qs);
  QString big;
  for (int i = 0; i < 500000; ++i) big += u"ab"_qs;
  re.Exec(big + u"c"_qs);  // no crash; the answer depends on the stack room

  re.SetExpression(u"(ab)*"_qs);
  ASSERT_TRUE(re.Exec(u"ababx"_qs));
  EXPECT_EQ(re.MatchLen(0), 4);
}

// A back-reference pays a step for every character it compares, so that a
// search comparing long captured texts over and over ends within its step
// budget instead of running for minutes.
TEST(SrcRegex, BackReferencesPayPerCharacter) {
  TRegexEngine re;
  re.SetExpression(u"(a{1000})\\1"_qs);
  ASSERT_TRUE(re.Exec(QString(2000, u'a')));
  EXPECT_FALSE(re.BudgetExhausted());
  EXPECT_GE(re.StepsUsed(), 2000);  // 1000 taken by the repetition, 1000 compared
  EXPECT_LT(re.StepsUsed(), 2100);

  const struct {
    QString expr;
    int length;
  } cases[] = {{u"(a*)\\1x"_qs, 16000}, {u"(a*)\\1\\1\\1\\1x"_qs, 100000}, {u"(a*)\\1x"_qs, 1000000}};
  for (const auto& c : cases) {
    re.SetExpression(c.expr);
    EXPECT_FALSE(re.Exec(QString(c.length, u'a'))) << c.expr.toStdString();
    EXPECT_TRUE(re.BudgetExhausted()) << c.expr.toStdString();
    EXPECT_EQ(re.MatchPos(0), -1);
    // Ran out, and overdrew by one comparison at most.
    const long long budget = TRegexEngine::StepBudget(c.length);
    EXPECT_GT(re.StepsUsed(), budget) << c.expr.toStdString();
    EXPECT_LE(re.StepsUsed(), budget + c.length + 1) << c.expr.toStdString();
  }
}

// Searches given one budget draw on it in turn; a spent budget leaves no
// step for the next search.
TEST(SrcRegex, SharedBudget) {
  EXPECT_EQ(TRegexEngine::StepBudget(0), 20'000'000);
  EXPECT_EQ(TRegexEngine::StepBudget(10), 20'000'640);

  TRegexEngine re;
  re.SetExpression(u"b+c"_qs);
  const QString text = u"abbbc"_qs;
  TRegexBudget budget{1000, 0};
  ASSERT_TRUE(re.ExecView(text, &budget));
  const long long one = re.StepsUsed();
  EXPECT_GT(one, 3);
  EXPECT_EQ(budget.Used, one);
  EXPECT_EQ(budget.Left, 1000 - one);
  ASSERT_TRUE(re.ExecAt(text, 1, &budget));
  EXPECT_EQ(re.MatchLen(0), 4);
  EXPECT_EQ(budget.Used + budget.Left, 1000);

  budget = TRegexBudget{one - 1, 0};  // one step short
  EXPECT_FALSE(re.ExecView(text, &budget));
  EXPECT_TRUE(re.BudgetExhausted());
  EXPECT_TRUE(budget.Exhausted());
  const long long used = budget.Used;
  EXPECT_FALSE(re.ExecAt(text, 1, &budget));
  EXPECT_TRUE(re.BudgetExhausted());
  EXPECT_FALSE(re.ExecView(text, &budget));
  EXPECT_EQ(budget.Used, used);    // nothing more was tried
  EXPECT_TRUE(re.ExecView(text));  // without it, a budget of its own
  EXPECT_FALSE(re.BudgetExhausted());
}

// However long an expression is, compiling it takes no stack in
// proportion: long runs of zero-width nodes, of counted repetitions and of
// alternatives compile, and the program searches.
TEST(SrcRegex, LongExpressionsCompile) {
  const auto repeat = [](const QString& piece, int times) {
    QString out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i) out += piece;
    return out;
  };
  QString alternatives = repeat(u"a|"_qs, 299999) + u"b"_qs;
  const struct {
    QString expr;
    QString input;
    const char* expected;
  } cases[] = {
      {repeat(u"\\b{0,2}"_qs, 100000), u"xa"_qs, "1/0"},
      {QString(300000, u'^'), u"xa"_qs, "1/0"},
      {alternatives, u"xb"_qs, "2/1"},
      {repeat(u"\\b"_qs, 300000), u" a"_qs, "2/0"},
      {repeat(u"(?i)"_qs, 300000) + u"A"_qs, u"xa"_qs, "2/1"},
  };
  for (const auto& c : cases) {
    TRegexEngine re;
    re.SetExpression(c.expr);
    try {
      re.Compile();
    } catch (const ERegexError& e) {
      ADD_FAILURE() << e.ErrorCode << " " << c.expr.left(12).toStdString();
      continue;
    }
    ASSERT_TRUE(re.IsCompiled());
    EXPECT_EQ(re.Exec(c.input) ? std::to_string(re.MatchPos(0)) + "/" + std::to_string(re.MatchLen(0)) : "none",
              c.expected)
        << c.expr.left(12).toStdString();
  }
}

}  // namespace
