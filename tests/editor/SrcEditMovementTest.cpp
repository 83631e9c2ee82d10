#include "tests/editor/SrcEditCommandCase.h"

namespace {

// Marks text between double quotes as string tokens, the rest as symbols;
// counts the lines it is given.
class QuoteHighlighter : public TSrcCustomHighlighter {
 public:
  QuoteHighlighter() {
    AddAttribute(string_ = new TSrcHighlighterAttributes(QStringLiteral("String")));
    AddAttribute(symbol_ = new TSrcHighlighterAttributes(QStringLiteral("Symbol")));
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override {
    return role == roleString ? string_ : nullptr;
  }
  bool AtLineEnd() const override { return pos_ >= lineText_.size(); }
  QString GetTokenText() const override { return lineText_.mid(pos_, len_); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return lineText_[pos_] == u'"' ? string_ : symbol_; }
  int GetTokenKind() const override { return 0; }
  int GetTokenPos() const override { return pos_; }
  int GetTokenLength() const override { return len_; }
  void ScanNext() override {
    pos_ += len_;
    Measure();
  }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    ++linesScanned;
    pos_ = len_ = 0;
    Measure();
  }
  int linesScanned = 0;

 private:
  void Measure() {
    const int n = static_cast<int>(lineText_.size());
    if (pos_ >= n) return;
    int end = pos_ + 1;
    while (end < n && lineText_[end] != u'"') ++end;
    if (lineText_[pos_] == u'"') end = std::min(end + 1, n);
    len_ = end - pos_;
  }
  TSrcHighlighterAttributes* string_;
  TSrcHighlighterAttributes* symbol_;
  int pos_ = 0, len_ = 0;
};

constexpr TSrcEditorOptions kPastEol = eoScrollPastEol, kHome = eoEnhanceHomeKey;

}  // namespace

TEST(SrcEditMovement, DisplayColumnsFollowTabStops) {
  auto e = MakeEdit({"a\tb", "ab\t\tc"}, 4);
  EXPECT_EQ(e->CharToDisplayPos({3, 1}), (TPoint{5, 1}));
  EXPECT_EQ(e->CharToDisplayPos({6, 1}), (TPoint{8, 1}));  // beyond the text one column per character
  EXPECT_EQ(e->DisplayToCharPos({3, 1}), (TPoint{2, 1}));  // inside the tab: the tab's column
  EXPECT_EQ(e->DisplayToCharPos({8, 1}), (TPoint{6, 1}));
  EXPECT_EQ(e->CharToDisplayPos({4, 9}), (TPoint{4, 9}));  // no such line
  for (int x = 1; x <= 8; ++x) EXPECT_EQ(e->DisplayToCharPos(e->CharToDisplayPos({x, 2})), (TPoint{x, 2}));
}

TEST(SrcEditMovement, CaretMoves) {
  const CommandCase cases[] = {
      {"right wraps", {"ab", "cd"}, {3, 1}, ecRight, {"ab", "cd"}, {1, 2}, 0, kPastEol},
      {"right stays at the end", {"ab", "cd"}, {3, 2}, ecRight, {"ab", "cd"}, {3, 2}, 0, kPastEol},
      {"right past the end", {"ab"}, {3, 1}, ecRight, {"ab"}, {4, 1}},
      {"left wraps", {"ab", "cd"}, {1, 2}, ecLeft, {"ab", "cd"}, {3, 1}, 0, kPastEol},
      {"left over a pair", {QStringLiteral("a\U0001F600")}, {4, 1}, ecLeft, {QStringLiteral("a\U0001F600")}, {2, 1}},
      {"up on line 1", {"abc"}, {3, 1}, ecUp, {"abc"}, {3, 1}},
      {"down by display column", {"\tx", "abcdefgh"}, {2, 1}, ecDown, {"\tx", "abcdefgh"}, {5, 2}, 0, 0, 4},
      {"home to the text", {"    word"}, {7, 1}, ecLineStart, {"    word"}, {5, 1}, kHome},
      {"home to column 1", {"    word"}, {5, 1}, ecLineStart, {"    word"}, {1, 1}, kHome},
      {"home back to the text", {"    word"}, {1, 1}, ecLineStart, {"    word"}, {5, 1}, kHome},
      {"plain home", {"    word"}, {7, 1}, ecLineStart, {"    word"}, {1, 1}},
      {"word right", {"foo bar(baz)"}, {5, 1}, ecWordRight, {"foo bar(baz)"}, {9, 1}},
      {"word right to the next line", {"foo", "  x"}, {3, 1}, ecWordRight, {"foo", "  x"}, {3, 2}},
      {"word left", {"foo bar"}, {7, 1}, ecWordLeft, {"foo bar"}, {5, 1}},
      {"word left to the previous line", {"foo", "x"}, {1, 2}, ecWordLeft, {"foo", "x"}, {4, 1}},
      {"line end", {"abc"}, {1, 1}, ecLineEnd, {"abc"}, {4, 1}},
      {"editor bottom", {"a", "bcd"}, {1, 1}, ecEditorBottom, {"a", "bcd"}, {4, 2}},
      {"goto", {"a", "bcd"}, {1, 1}, ecGotoXY, {"a", "bcd"}, {2, 2}, 0, 0, 8, QChar(), TPoint{2, 2}},
      {"goto without a position", {"a", "bcd"}, {1, 1}, ecGotoXY, {"a", "bcd"}, {1, 1}},
  };
  for (const CommandCase& c : cases) RunCase(c);
}

TEST(SrcEditMovement, WideCharactersTakeTwoDisplayColumns) {
  // 中文 are wide, ☔ is an emoji shown as a picture, 😀 a pair of the
  // other planes: each two cells.
  auto e = MakeEdit({QStringLiteral("\u4E2D\u6587x\u2614y\U0001F600z"), "abcdefghij"}, 4);
  const int display[] = {1, 3, 5, 6, 8, 9, 10, 11, 12};  // of character columns 1 to 9
  for (int x = 1; x <= 9; ++x) {
    EXPECT_EQ(e->CharToDisplayPos({x, 1}), (TPoint{display[x - 1], 1})) << x;
    if (x != 7) {
      EXPECT_EQ(e->DisplayToCharPos({display[x - 1], 1}), (TPoint{x, 1})) << x;
    }  // 7: the pair's second half
    EXPECT_EQ(e->RowColumnToPixels({x, 1}).x(), (display[x - 1] - 1) * e->CharWidth() + e->TextOffset()) << x;
  }
  // The second cell of a wide character belongs to it.
  EXPECT_EQ(e->DisplayToCharPos({2, 1}), (TPoint{1, 1}));
  EXPECT_EQ(e->DisplayToCharPos({7, 1}), (TPoint{4, 1}));
  EXPECT_EQ(e->DisplayToCharPos({10, 1}), (TPoint{6, 1}));
}

TEST(SrcEditMovement, TheCaretNeverStandsInsideAWideCharacter) {
  const QString wide = QStringLiteral("\u4E2D\u6587\u5B57\u7B26");  // 中文字符
  const QString pair = QStringLiteral("\U00020000\U00020001");      // CJK extension B
  const CommandCase cases[] = {
      {"right over a wide character", {wide}, {1, 1}, ecRight, {wide}, {2, 1}},
      {"left over a wide character", {wide}, {3, 1}, ecLeft, {wide}, {2, 1}},
      {"right over a wide pair", {pair}, {1, 1}, ecRight, {pair}, {3, 1}},
      {"down into the middle of a wide character", {"abcd", wide}, {2, 1}, ecDown, {"abcd", wide}, {1, 2}},
      {"down onto a wide character", {"abcd", wide}, {3, 1}, ecDown, {"abcd", wide}, {2, 2}},
      {"up out of wide characters", {"abcdefgh", wide}, {3, 2}, ecUp, {"abcdefgh", wide}, {5, 1}},
      {"down into a wide pair", {"abcd", pair}, {4, 1}, ecDown, {"abcd", pair}, {3, 2}},
      {"line end", {wide}, {1, 1}, ecLineEnd, {wide}, {5, 1}},
  };
  for (const CommandCase& c : cases) RunCase(c);
  // The remembered column is a display column.
  auto e = MakeEdit({wide, "ab", "abcdefgh"});
  e->SetOptions((e->Options() & ~eoScrollPastEol) | eoKeepCaretX);
  e->SetCaretXY({4, 1});  // display column 7
  Exec(*e, ecDown);
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 3}));
  Exec(*e, ecUp);
  Exec(*e, ecUp);
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 1}));
}

TEST(SrcEditMovement, VerticalMovesRememberTheColumn) {
  auto e = MakeEdit({"abcdefgh", "ab", "abcdefgh"});
  e->SetOptions((e->Options() & ~eoScrollPastEol) | eoKeepCaretX);
  e->SetCaretXY({7, 1});
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 2}));
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 3}));
  e->SetOptions(e->Options() & ~eoKeepCaretX);
  e->SetCaretXY({7, 1});
  Exec(*e, ecDown);
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 3}));
  Exec(*e, ecSelUp);  // the selecting twin extends from the anchor
  EXPECT_EQ(e->SelText(), "\r\nab");
}

TEST(SrcEditMovement, WordsAroundTheCaret) {
  auto e = MakeEdit({"foo bar(baz)", "  next"});
  e->SetCaretXY({7, 1});
  EXPECT_EQ(e->CurrentWordStartPos(), (TPoint{5, 1}));
  EXPECT_EQ(e->CurrentWordEndPos(), (TPoint{8, 1}));
  e->SetCaretXY({30, 2});
  EXPECT_EQ(e->GetWordAtCursor(), "next");
  EXPECT_EQ(e->CaretXY(), (TPoint{30, 2}));
  EXPECT_FALSE(e->SelAvail());
  auto f = MakeEdit({"foo_bar baz9"});
  EXPECT_EQ(f->GetWordAtRowCol({2, 1}), "foo");  // letters only without a highlighter
  EXPECT_EQ(f->GetWordAtRowCol({13, 1}), "");
}

TEST(SrcEditMovement, TabKeys) {
  constexpr TSrcEditorOptions kSmart = eoSmartTabs, kSpaces = eoTabsToSpaces;
  const CommandCase cases[] = {
      {"tab to the tab stop", {"ab"}, {3, 1}, ecTab, {"ab  "}, {5, 1}, 0, kSmart, 4},
      {"one tab character", {"ab"}, {1, 1}, ecTab, {"\tab"}, {2, 1}, 0, kSmart | kSpaces},
      {"smart tab", {"foo    bar", "x"}, {1, 2}, ecTab, {"foo    bar", "       x"}, {8, 2}, 0, 0, 4},
      {"smart tab with tabs", {"foo    bar", "x"}, {1, 2}, ecTab, {"foo    bar", "\t   x"}, {5, 2}, 0, kSpaces, 4},
      {"no line reaches the caret", {"ab", "cdefgh"}, {5, 2}, ecTab, {"ab", "cdef    gh"}, {9, 2}, 0, 0, 4},
      {"shift tab to the tab stop", {"        x"}, {9, 1}, ecShiftTab, {"    x"}, {5, 1}, 0, kSmart, 4},
      {"smart shift tab", {"ab  cd  ef", "          x"}, {11, 2}, ecShiftTab, {"ab  cd  ef", "        x"}, {9, 2}},
      {"smart shift tab removes text", {"foo bar", "xxxxxxx"}, {8, 2}, ecShiftTab, {"foo bar", "xxxx"}, {5, 2}},
  };
  for (const CommandCase& c : cases) RunCase(c);
}

TEST(SrcEditMovement, BlockIndentAndUnindent) {
  auto e = MakeEdit({"l1", "l2", "l3", "l4", "l5"}, 4);
  Select(*e, {1, 2}, {1, 5});
  Exec(*e, ecBlockIndent);
  Exec(*e, ecBlockIndent);
  EXPECT_EQ(LinesOf(*e), (QStringList{"l1", "        l2", "        l3", "        l4", "l5"}));
  EXPECT_EQ(e->BlockBegin(), (TPoint{9, 2}));
  EXPECT_EQ(e->BlockEnd(), (TPoint{1, 5}));
  e->Undo();  // indents are taken back one at a time
  EXPECT_EQ(LinesOf(*e)[1], "    l2");
  e->Undo();
  EXPECT_EQ(LinesOf(*e)[1], "l2");

  auto u = MakeEdit({"  \tx", "\t\ty", "      z", "w"}, 4);
  Select(*u, {1, 1}, {2, 4});
  u->SetCaretXY({5, 3});
  Exec(*u, ecBlockUnindent);
  EXPECT_EQ(LinesOf(*u), (QStringList{"x", "\ty", "  z", "w"}));
  EXPECT_EQ(u->CaretXY(), (TPoint{1, 3}));
  u->Undo();
  EXPECT_EQ(LinesOf(*u), (QStringList{"  \tx", "\t\ty", "      z", "w"}));

  auto t = MakeEdit({"a", "b", "c"}, 2);  // with eoTabIndent the Tab keys act on the lines
  t->SetOptions(t->Options() | eoTabIndent);
  Select(*t, {1, 1}, {2, 2});
  Exec(*t, ecTab);
  EXPECT_EQ(LinesOf(*t), (QStringList{"  a", "  b", "c"}));
  Exec(*t, ecShiftTab);
  EXPECT_EQ(LinesOf(*t), (QStringList{"a", "b", "c"}));
  t->SetOptions(t->Options() & ~eoTabsToSpaces);
  Select(*t, {1, 1}, {2, 2});
  Exec(*t, ecBlockIndent);
  EXPECT_EQ(LinesOf(*t), (QStringList{"\ta", "\tb", "c"}));
}

TEST(SrcEditMovement, CaseCommands) {
  const CommandCase cases[] = {
      {"title", {"say hELLo there"}, {7, 1}, ecTitleCase, {"say Hello there"}, {7, 1}},
      {"upper", {"say hELLo there"}, {7, 1}, ecUpperCase, {"say HELLO there"}, {7, 1}},
      {"lower", {"say hELLo there"}, {5, 1}, ecLowerCase, {"say hello there"}, {5, 1}},
      {"the length stays",
       {QStringLiteral("stra\u00dfe")},
       {1, 1},
       ecUpperCase,
       {QStringLiteral("STRA\u00dfE")},
       {1, 1}},
      {"toggle a letter", {"aB1"}, {1, 1}, ecToggleCase, {"AB1"}, {2, 1}},
      {"toggle a capital", {"aB1"}, {2, 1}, ecToggleCase, {"ab1"}, {3, 1}},
      {"toggle a digit", {"aB1"}, {3, 1}, ecToggleCase, {"aB1"}, {4, 1}},
  };
  for (const CommandCase& c : cases) RunCase(c);
  auto e = MakeEdit({"aB1"});
  Select(*e, {1, 1}, {3, 1});
  Exec(*e, ecToggleCase);
  EXPECT_EQ(e->SelText(), "Ab");  // a selection stays selected
}

TEST(SrcEditMovement, MatchingBrackets) {
  auto e = MakeEdit({"f(\"(\", x);", "  [b] <c>", "}", "{"});
  EXPECT_EQ(e->GetMatchingBracketAt({2, 1}, false), (TPoint{0, 0}));  // the quoted "(" counts
  QuoteHighlighter h;
  e->SetHighlighter(&h);
  EXPECT_EQ(e->GetMatchingBracketAt({2, 1}, false), (TPoint{9, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({9, 1}, false), (TPoint{2, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({5, 2}, false), (TPoint{3, 2}));
  EXPECT_EQ(e->GetMatchingBracketAt({9, 2}, false), (TPoint{7, 2}));
  EXPECT_EQ(e->GetMatchingBracketAt({1, 4}, false), (TPoint{0, 0}));  // open to the end
  EXPECT_EQ(e->GetMatchingBracketAt({1, 1}, false), (TPoint{0, 0}));
  e->SetCaretXY({2, 1});
  Exec(*e, ecMatchBracket);
  EXPECT_EQ(e->CaretXY(), (TPoint{9, 1}));
  QString token;
  int kind = 0, start = 0;
  TSrcHighlighterAttributes* attri = nullptr;
  ASSERT_TRUE(e->GetTokenAttributeAt({4, 1}, token, kind, start, attri));
  EXPECT_EQ(token, "\"(\"");
  EXPECT_EQ(start, 3);
  EXPECT_EQ(attri, h.GetRoleAttribute(TSrcCustomHighlighter::roleString));

  auto tabs = MakeEdit({"ab\t(x)"}, 4);  // a tab off its tab stop
  EXPECT_EQ(tabs->GetMatchingBracketAt({4, 1}, true), (TPoint{7, 1}));
}

TEST(SrcEditMovement, BracketMatchingScansALongLineOnce) {
  QString line;
  for (int i = 0; i < 2000; ++i) line += QStringLiteral("(\"(\"");
  line += QString(2000, QLatin1Char(')'));
  auto e = MakeEdit({line});
  QuoteHighlighter h;
  e->SetHighlighter(&h);
  h.linesScanned = 0;
  EXPECT_EQ(e->GetMatchingBracketAt({1, 1}, false), (TPoint{static_cast<int>(line.size()), 1}));
  EXPECT_EQ(h.linesScanned, 1);
}
