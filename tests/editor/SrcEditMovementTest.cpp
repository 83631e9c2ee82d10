#include "editor/SrcEdit.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace {

std::unique_ptr<TSrcEdit> MakeEdit(const QStringList& lines) {
  auto e = std::make_unique<TSrcEdit>();
  e->SetLines(lines);
  return e;
}

void Select(TCustomSrcEdit& e, TPoint from, TPoint to) {
  e.SetCaretXY(from);
  e.SetBlockBegin(from);
  e.SetCaretXY(to);
  e.SetBlockEnd(to);
}

void Exec(TCustomSrcEdit& e, TSrcEditorCommand command, QChar c = QChar()) { e.ProcessCommand(command, c); }

QStringList LinesOf(const TCustomSrcEdit& e) { return e.Lines().ToStringList(); }

// Marks text between double quotes as string tokens, the rest as symbols;
// counts the lines it is given.
class QuoteHighlighter : public TSrcCustomHighlighter {
 public:
  QuoteHighlighter() {
    string_ = new TSrcHighlighterAttributes(QStringLiteral("String"));
    symbol_ = new TSrcHighlighterAttributes(QStringLiteral("Symbol"));
    AddAttribute(string_);
    AddAttribute(symbol_);
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int role) const override {
    return role == roleString ? string_ : role == roleSymbol ? symbol_ : nullptr;
  }
  bool AtLineEnd() const override { return pos_ >= lineText_.size(); }
  QString GetTokenText() const override { return lineText_.mid(pos_, len_); }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return inString_ ? string_ : symbol_; }
  int GetTokenKind() const override { return inString_ ? 1 : 0; }
  int GetTokenPos() const override { return pos_; }
  int GetTokenLength() const override { return len_; }
  void ScanNext() override {
    pos_ += len_;
    Measure();
  }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    ++linesScanned;
    pos_ = 0;
    len_ = 0;
    Measure();
  }
  int linesScanned = 0;

 private:
  void Measure() {
    const int n = static_cast<int>(lineText_.size());
    if (pos_ >= n) return;
    inString_ = lineText_[pos_] == u'"';
    int end = pos_ + 1;
    if (inString_) {
      while (end < n && lineText_[end] != u'"') ++end;
      end = std::min(end + 1, n);
    } else {
      while (end < n && lineText_[end] != u'"') ++end;
    }
    len_ = end - pos_;
  }
  TSrcHighlighterAttributes* string_;
  TSrcHighlighterAttributes* symbol_;
  int pos_ = 0;
  int len_ = 0;
  bool inString_ = false;
};

}  // namespace

// Readable positions in failure messages (defined with the editor tests).
void PrintTo(const TPoint& p, std::ostream* os);

// ------------------------------------------------------------- conversions

TEST(SrcEditMovement, DisplayColumnsFollowTabStops) {
  auto e = MakeEdit({"a\tb", "ab\t\tc"});
  e->SetTabWidth(4);
  EXPECT_EQ(e->CharToDisplayPos({3, 1}), (TPoint{5, 1}));
  EXPECT_EQ(e->CharToDisplayPos({6, 1}), (TPoint{8, 1}));  // beyond the text one column per character
  EXPECT_EQ(e->CharToDisplayPos({5, 2}), (TPoint{9, 2}));
  EXPECT_EQ(e->DisplayToCharPos({3, 1}), (TPoint{2, 1}));  // inside the tab: the tab's column
  EXPECT_EQ(e->DisplayToCharPos({5, 1}), (TPoint{3, 1}));
  EXPECT_EQ(e->DisplayToCharPos({8, 1}), (TPoint{6, 1}));
  EXPECT_EQ(e->CharToDisplayPos({4, 9}), (TPoint{4, 9}));  // no such line
  for (int x = 1; x <= 8; ++x) EXPECT_EQ(e->DisplayToCharPos(e->CharToDisplayPos({x, 2})), (TPoint{x, 2}));
}

// ------------------------------------------------------------- caret moves

TEST(SrcEditMovement, HorizontalMovesWrapWithoutScrollPastEol) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetCaretXY({3, 1});
  Exec(*e, ecRight);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 2}));
  Exec(*e, ecLeft);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 1}));
  e->SetCaretXY({3, 2});
  Exec(*e, ecRight);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 2}));  // end of the last line
  e->SetOptions(e->Options() | eoScrollPastEol);
  Exec(*e, ecRight);
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 2}));
}

TEST(SrcEditMovement, SelectingMovesExtendFromTheAnchor) {
  auto e = MakeEdit({"foo bar baz"});
  Exec(*e, ecSelWordRight);
  EXPECT_EQ(e->SelText(), "foo ");
  Exec(*e, ecSelRight);
  EXPECT_EQ(e->SelText(), "foo b");
  Exec(*e, ecLeft);
  EXPECT_FALSE(e->SelAvail());
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 1}));
}

TEST(SrcEditMovement, VerticalMovesKeepTheCaretColumn) {
  auto e = MakeEdit({"abcdefgh", "ab", "abcdefgh"});
  e->SetOptions((e->Options() & ~eoScrollPastEol) | eoKeepCaretX);
  e->SetCaretXY({7, 1});
  Exec(*e, ecUp);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 1}));  // line 1 stays
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 2}));
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 3}));
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 3}));
  e->SetOptions(e->Options() & ~eoKeepCaretX);
  e->SetCaretXY({7, 1});
  Exec(*e, ecDown);
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 3}));
}

TEST(SrcEditMovement, VerticalMovesGoByDisplayColumn) {
  auto e = MakeEdit({"\tx", "abcdefgh"});
  e->SetTabWidth(4);
  e->SetCaretXY({2, 1});  // after the tab: display column 5
  Exec(*e, ecDown);
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 2}));
  Exec(*e, ecUp);
  EXPECT_EQ(e->CaretXY(), (TPoint{2, 1}));
}

TEST(SrcEditMovement, EnhancedHomeKey) {
  auto e = MakeEdit({"    word"});
  e->SetOptions(e->Options() | eoEnhanceHomeKey);
  e->SetCaretXY({7, 1});
  Exec(*e, ecLineStart);
  EXPECT_EQ(e->CaretX(), 5);
  Exec(*e, ecLineStart);
  EXPECT_EQ(e->CaretX(), 1);
  Exec(*e, ecLineStart);
  EXPECT_EQ(e->CaretX(), 5);
  e->SetOptions(e->Options() & ~eoEnhanceHomeKey);
  Exec(*e, ecLineStart);
  EXPECT_EQ(e->CaretX(), 1);
}

TEST(SrcEditMovement, WordPositions) {
  auto e = MakeEdit({"foo bar(baz)", "  next"});
  e->SetCaretXY({1, 1});
  EXPECT_EQ(e->NextWordStartPos(), (TPoint{5, 1}));
  e->SetCaretXY({5, 1});
  EXPECT_EQ(e->NextWordStartPos(), (TPoint{9, 1}));  // "(" breaks words
  EXPECT_EQ(e->CurrentWordEndPos(), (TPoint{8, 1}));
  e->SetCaretXY({7, 1});
  EXPECT_EQ(e->CurrentWordStartPos(), (TPoint{5, 1}));
  EXPECT_EQ(e->PrevWordStartPos(), (TPoint{5, 1}));
  e->SetCaretXY({5, 1});
  EXPECT_EQ(e->PrevWordStartPos(), (TPoint{1, 1}));
  e->SetCaretXY({12, 1});
  EXPECT_EQ(e->NextWordStartPos(), (TPoint{3, 2}));  // at the line end: the next line's first word
  e->SetCaretXY({1, 2});
  EXPECT_EQ(e->PrevWordStartPos(), (TPoint{13, 1}));
  e->SetCaretXY({1, 1});
  EXPECT_EQ(e->PrevWordStartPos(), (TPoint{1, 1}));
  e->SetCaretXY({30, 2});
  EXPECT_EQ(e->CurrentWordStartPos(), (TPoint{3, 2}));
  EXPECT_EQ(e->GetWordAtCursor(), "next");
  EXPECT_EQ(e->CaretXY(), (TPoint{30, 2}));
  EXPECT_FALSE(e->SelAvail());
}

TEST(SrcEditMovement, WordAtPosition) {
  auto e = MakeEdit({"foo_bar baz9"});
  EXPECT_EQ(e->GetWordAtRowCol({2, 1}), "foo");  // letters only without a highlighter
  EXPECT_EQ(e->GetWordAtRowCol({9, 1}), "baz");
  EXPECT_EQ(e->GetWordAtRowCol({13, 1}), "");
  EXPECT_EQ(e->GetWordAtRowCol({14, 1}), "");
  EXPECT_EQ(e->GetWordAtRowCol({1, 2}), "");
}

// ---------------------------------------------------------------- tab keys

TEST(SrcEditMovement, TabInsertsToTheNextTabStop) {
  auto e = MakeEdit({"ab"});
  e->SetTabWidth(4);
  e->SetOptions((e->Options() | eoTabsToSpaces) & ~eoSmartTabs);
  e->SetCaretXY({3, 1});
  Exec(*e, ecTab);
  EXPECT_EQ(LinesOf(*e), QStringList{"ab  "});
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  e->SetOptions(e->Options() & ~eoTabsToSpaces);
  e->SetCaretXY({1, 1});
  Exec(*e, ecTab);
  EXPECT_EQ(LinesOf(*e), QStringList{"\tab"});
}

TEST(SrcEditMovement, SmartTabLinesUpWithTheWordAbove) {
  auto e = MakeEdit({"foo    bar", "x"});
  e->SetTabWidth(4);
  e->SetCaretXY({1, 2});
  Exec(*e, ecTab);  // "foo" and the blanks after it: 7 columns
  EXPECT_EQ(LinesOf(*e).at(1), "       x");
  EXPECT_EQ(e->CaretXY(), (TPoint{8, 2}));
  e->Undo();
  e->SetOptions(e->Options() & ~eoTabsToSpaces);
  e->SetCaretXY({1, 2});
  Exec(*e, ecTab);  // tabs up to the last tab stop, blanks for the rest
  EXPECT_EQ(LinesOf(*e).at(1), "\t   x");
  // No line above reaches the caret: a full tab.
  auto f = MakeEdit({"ab", "cdefgh"});
  f->SetTabWidth(4);
  f->SetCaretXY({5, 2});
  Exec(*f, ecTab);
  EXPECT_EQ(LinesOf(*f).at(1), "cdef    gh");
}

TEST(SrcEditMovement, ShiftTab) {
  auto e = MakeEdit({"        x"});
  e->SetTabWidth(4);
  e->SetOptions(e->Options() & ~eoSmartTabs);
  e->SetCaretXY({9, 1});
  Exec(*e, ecShiftTab);
  EXPECT_EQ(LinesOf(*e), QStringList{"    x"});
  EXPECT_EQ(e->CaretX(), 5);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"        x"});
  // Smart: back to the start of the word above.
  auto f = MakeEdit({"ab  cd  ef", "          x"});
  f->SetCaretXY({11, 2});
  Exec(*f, ecShiftTab);
  EXPECT_EQ(LinesOf(*f).at(1), "        x");
  EXPECT_EQ(f->CaretX(), 9);
  // Written text before the caret is never removed.
  auto g = MakeEdit({"ab  cd  ef", "abcdefghij"});
  g->SetCaretXY({11, 2});
  Exec(*g, ecShiftTab);
  EXPECT_EQ(LinesOf(*g).at(1), "abcdefghij");
  EXPECT_FALSE(g->Modified());
}

// ---------------------------------------------------------- block indents

TEST(SrcEditMovement, BlockIndentLeavesTheLineOfAColumnOneEnd) {
  auto e = MakeEdit({"l1", "l2", "l3", "l4", "l5"});
  e->SetTabWidth(4);
  Select(*e, {1, 2}, {1, 5});
  Exec(*e, ecBlockIndent);
  EXPECT_EQ(LinesOf(*e), (QStringList{"l1", "    l2", "    l3", "    l4", "l5"}));
  EXPECT_EQ(e->BlockBegin(), (TPoint{5, 2}));
  EXPECT_EQ(e->BlockEnd(), (TPoint{1, 5}));
  Exec(*e, ecBlockIndent);
  EXPECT_EQ(LinesOf(*e).at(1), "        l2");
  e->Undo();  // indents are taken back one at a time
  EXPECT_EQ(LinesOf(*e).at(1), "    l2");
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"l1", "l2", "l3", "l4", "l5"}));
  e->SetOptions(e->Options() & ~eoTabsToSpaces);
  Select(*e, {1, 1}, {3, 2});
  Exec(*e, ecBlockIndent);
  EXPECT_EQ(LinesOf(*e).mid(0, 3), (QStringList{"\tl1", "\tl2", "l3"}));
}

TEST(SrcEditMovement, BlockUnindent) {
  auto e = MakeEdit({"  \tx", "\t\ty", "      z", "w"});
  e->SetTabWidth(4);
  Select(*e, {1, 1}, {2, 4});
  e->SetCaretXY({5, 3});
  Exec(*e, ecBlockUnindent);
  // Two blanks and a tab in one step; one tab; at most a tab width of blanks.
  EXPECT_EQ(LinesOf(*e), (QStringList{"x", "\ty", "  z", "w"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 3}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"  \tx", "\t\ty", "      z", "w"}));
  e->Redo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"x", "\ty", "  z", "w"}));
  // Nothing indented: nothing recorded.
  auto f = MakeEdit({"a", "b"});
  Select(*f, {1, 1}, {2, 2});
  Exec(*f, ecBlockUnindent);
  EXPECT_FALSE(f->Modified());
}

TEST(SrcEditMovement, TabIndentActsOnSelectedLines) {
  auto e = MakeEdit({"a", "b", "c"});
  e->SetTabWidth(2);
  e->SetOptions(e->Options() | eoTabIndent);
  Select(*e, {1, 1}, {2, 2});
  Exec(*e, ecTab);
  EXPECT_EQ(LinesOf(*e), (QStringList{"  a", "  b", "c"}));
  Exec(*e, ecShiftTab);
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "b", "c"}));
}

// -------------------------------------------------------------------- case

TEST(SrcEditMovement, CaseCommandsOnTheWordAtTheCaret) {
  auto e = MakeEdit({"say hELLo there"});
  e->SetCaretXY({7, 1});
  Exec(*e, ecTitleCase);
  EXPECT_EQ(LinesOf(*e), QStringList{"say Hello there"});
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 1}));
  EXPECT_FALSE(e->SelAvail());
  Exec(*e, ecUpperCase);
  EXPECT_EQ(LinesOf(*e), QStringList{"say HELLO there"});
  Exec(*e, ecLowerCase);
  EXPECT_EQ(LinesOf(*e), QStringList{"say hello there"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"say HELLO there"});
}

TEST(SrcEditMovement, CaseMappingKeepsTheLength) {
  auto e = MakeEdit({QStringLiteral("stra\u00dfe \U0001D400x")});
  Exec(*e, ecUpperCase);
  EXPECT_EQ(LinesOf(*e).at(0), QStringLiteral("STRA\u00dfE \U0001D400x"));
  e->SetCaretXY({8, 1});
  Exec(*e, ecUpperCase);
  EXPECT_EQ(LinesOf(*e).at(0).size(), 10);
}

TEST(SrcEditMovement, ToggleCase) {
  auto e = MakeEdit({"aB1"});
  Exec(*e, ecToggleCase);
  Exec(*e, ecToggleCase);
  Exec(*e, ecToggleCase);
  EXPECT_EQ(LinesOf(*e), QStringList{"Ab1"});
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 1}));
  Select(*e, {1, 1}, {3, 1});
  Exec(*e, ecToggleCase);
  EXPECT_EQ(LinesOf(*e), QStringList{"aB1"});
  EXPECT_EQ(e->SelText(), "aB");  // still selected
}

// ---------------------------------------------------------------- brackets

TEST(SrcEditMovement, BracketsSkipStringsOfTheHighlighter) {
  auto e = MakeEdit({"f(\"(\", x);"});
  EXPECT_EQ(e->GetMatchingBracketAt({2, 1}, false), (TPoint{0, 0}));  // the quoted "(" counts
  QuoteHighlighter h;
  e->SetHighlighter(&h);
  EXPECT_EQ(e->GetMatchingBracketAt({2, 1}, false), (TPoint{9, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({9, 1}, false), (TPoint{2, 1}));
  e->SetCaretXY({2, 1});
  Exec(*e, ecMatchBracket);
  EXPECT_EQ(e->CaretXY(), (TPoint{9, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({1, 1}, false), (TPoint{0, 0}));
  EXPECT_EQ(e->GetMatchingBracketAt({40, 1}, false), (TPoint{0, 0}));
  QString token;
  int kind = -1, start = 0;
  TSrcHighlighterAttributes* attri = nullptr;
  ASSERT_TRUE(e->GetTokenAttributeAt({4, 1}, token, kind, start, attri));
  EXPECT_EQ(token, "\"(\"");
  EXPECT_EQ(start, 3);
  EXPECT_EQ(attri, h.GetRoleAttribute(TSrcCustomHighlighter::roleString));
  e->SetHighlighter(nullptr);
  EXPECT_FALSE(e->GetTokenAttributeAt({4, 1}, token, kind, start, attri));
}

TEST(SrcEditMovement, BracketsAcrossLines) {
  auto e = MakeEdit({"a {", "  [b] <c>", "}", "{"});
  EXPECT_EQ(e->GetMatchingBracketAt({3, 1}, false), (TPoint{1, 3}));
  EXPECT_EQ(e->GetMatchingBracketAt({1, 3}, false), (TPoint{3, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({5, 2}, false), (TPoint{3, 2}));
  EXPECT_EQ(e->GetMatchingBracketAt({9, 2}, false), (TPoint{7, 2}));
  EXPECT_EQ(e->GetMatchingBracketAt({1, 4}, false), (TPoint{0, 0}));  // open to the end
}

TEST(SrcEditMovement, BracketTabAdjustmentUsesTabStops) {
  auto e = MakeEdit({"ab\t(x)"});
  e->SetTabWidth(4);
  EXPECT_EQ(e->GetMatchingBracketAt({4, 1}, false), (TPoint{6, 1}));
  EXPECT_EQ(e->GetMatchingBracketAt({4, 1}, true), (TPoint{7, 1}));
}

TEST(SrcEditMovement, BracketMatchingScansALongLineOnce) {
  QString line;
  for (int i = 0; i < 2000; ++i) line += QStringLiteral("(\"(\"");
  for (int i = 0; i < 2000; ++i) line += QLatin1Char(')');
  auto e = MakeEdit({line});
  QuoteHighlighter h;
  e->SetHighlighter(&h);
  h.linesScanned = 0;
  EXPECT_EQ(e->GetMatchingBracketAt({1, 1}, false), (TPoint{static_cast<int>(line.size()), 1}));
  EXPECT_EQ(h.linesScanned, 1);
}
