#include "editor/SrcEdit.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Each line is one token; the state is 1 inside a "/* ... */" comment.
// Counts the lines it is given.
class CommentHighlighter : public TSrcCustomHighlighter {
 public:
  CommentHighlighter() {
    attr = new TSrcHighlighterAttributes(QStringLiteral("Comment"));
    AddAttribute(attr);
  }
  TSrcHighlighterAttributes* GetRoleAttribute(int) const override { return attr; }
  bool AtLineEnd() const override { return done_; }
  QString GetTokenText() const override { return lineText_; }
  TSrcHighlighterAttributes* GetTokenAttribute() const override { return attr; }
  int GetTokenKind() const override { return range_; }
  int GetTokenPos() const override { return 0; }
  int GetTokenLength() const override { return static_cast<int>(lineText_.size()); }
  int GetRange() const override { return range_; }
  void SetRange(int value) override { range_ = value; }
  void ResetRange() override { range_ = 0; }
  void ScanNext() override {
    done_ = true;
    range_ = end_;
  }
  void SetLine(const QString& text, int) override {
    lineText_ = text;
    ++linesScanned;
    end_ = EndState(range_, text);
    done_ = text.isEmpty();
    if (done_) range_ = end_;
  }
  static int EndState(int state, const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
      if (state == 0 && text[i] == u'/' && text[i + 1] == u'*') {
        state = 1;
        ++i;
      } else if (state == 1 && text[i] == u'*' && text[i + 1] == u'/') {
        state = 0;
        ++i;
      }
    }
    return state;
  }
  TSrcHighlighterAttributes* attr;
  int linesScanned = 0;

 private:
  int range_ = 0;
  int end_ = 0;
  bool done_ = true;
};

// The states a scan from the top gives.
std::vector<int> Expected(const TSrcEditStringList& lines) {
  std::vector<int> out;
  int state = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    out.push_back(state);
    state = CommentHighlighter::EndState(state, lines.Get(i));
  }
  return out;
}

std::vector<int> Stored(const TSrcEditStringList& lines) {
  std::vector<int> out;
  for (int i = 0; i < lines.Count(); ++i) out.push_back(lines.LineRange(i));
  return out;
}

QStringList Numbered(int n) {
  QStringList l;
  for (int i = 0; i < n; ++i) l << QStringLiteral("line %1").arg(i);
  return l;
}

}  // namespace

TEST(SrcEditRescan, AttachScansEverythingThenOnlyWhatChanged) {
  TSrcEdit e;
  QStringList text = Numbered(100);
  text[10] = "start /* of a comment";
  text[40] = "end */ of it";
  e.SetLines(text);
  CommentHighlighter h;
  e.SetHighlighter(&h);
  EXPECT_EQ(h.linesScanned, 100);
  EXPECT_EQ(Stored(e.Lines()), Expected(e.Lines()));

  // An edit inside the comment that keeps the state: this line and the next.
  h.linesScanned = 0;
  e.Lines().Put(20, "still inside");
  EXPECT_EQ(h.linesScanned, 2);

  // Closing the comment early: every line up to the old end changes state.
  h.linesScanned = 0;
  e.Lines().Put(20, "closed */ here");
  EXPECT_EQ(Stored(e.Lines()), Expected(e.Lines()));
  EXPECT_EQ(h.linesScanned, 41 - 19);

  // Without a change of state after it, a deletion rescans two lines.
  h.linesScanned = 0;
  e.Lines().Delete(70);
  EXPECT_EQ(h.linesScanned, 2);
  EXPECT_EQ(Stored(e.Lines()), Expected(e.Lines()));
  EXPECT_EQ(e.RescanRanges(e.Lines().Count() - 1), e.Lines().Count() - 1);
}

TEST(SrcEditRescan, ManyLinesInOneBlockRescanOnce) {
  TSrcEdit e;
  e.SetLines(Numbered(50));
  CommentHighlighter h;
  e.SetHighlighter(&h);
  h.linesScanned = 0;
  e.Lines().BeginUpdate();
  e.Lines().InsertLines(10, 200);
  for (int i = 10; i < 210; ++i) e.Lines().Put(i, i == 10 ? "/* opened" : "inside");
  e.Lines().Insert(5, "plain");
  e.Lines().EndUpdate();
  EXPECT_EQ(Stored(e.Lines()), Expected(e.Lines()));
  // Once, from the line before the lowest change to the end (the comment
  // never closes).
  EXPECT_EQ(h.linesScanned, e.Lines().Count() - 4);
}

TEST(SrcEditRescan, RandomEditsKeepEveryStateRight) {
  TSrcEdit e;
  e.SetLines(Numbered(60));
  CommentHighlighter h;
  e.SetHighlighter(&h);
  QRandomGenerator rng(99);
  const QStringList pieces = {"a", "/*", "*/", "x /* y", "y */ x", ""};
  for (int step = 0; step < 500; ++step) {
    const int n = e.Lines().Count();
    switch (rng.bounded(5)) {
      case 0: e.Lines().Put(rng.bounded(n), pieces[rng.bounded(pieces.size())]); break;
      case 1: e.Lines().Insert(rng.bounded(n + 1), pieces[rng.bounded(pieces.size())]); break;
      case 2: if (n > 1) e.Lines().Delete(rng.bounded(n)); break;
      case 3: e.Lines().InsertLines(rng.bounded(n + 1), 1 + rng.bounded(3)); break;
      case 4:
        e.SetCaretXY(TPoint{1, 1 + rng.bounded(n)});
        e.SetSelText(pieces[rng.bounded(pieces.size())] + "\r\n" + pieces[rng.bounded(pieces.size())]);
        break;
    }
    ASSERT_EQ(Stored(e.Lines()), Expected(e.Lines())) << step;
  }
}

TEST(SrcEditBookmarks, SetClearAndGo) {
  TSrcEdit e;
  e.SetLines(Numbered(200));
  e.SetBookmark(3, 1, 0);  // no line 0
  e.SetBookmark(10, 1, 1);  // no bookmark 10
  EXPECT_EQ(e.Marks().Count(), 0);
  e.SetBookmark(3, 2, 5);
  e.SetBookmark(3, 4, 150);
  EXPECT_EQ(e.Marks().Count(), 1);
  int x = 0, y = 0;
  ASSERT_TRUE(e.GetBookmark(3, x, y));
  EXPECT_EQ(x, 4);
  EXPECT_EQ(y, 150);
  EXPECT_TRUE(e.Bookmark(3)->InternalImage());

  e.SetCaretXY(TPoint{1, 1});
  e.SetBlockBegin(TPoint{1, 1});
  e.SetBlockEnd(TPoint{3, 2});
  e.GotoBookmark(3);
  EXPECT_EQ(e.CaretXY(), (TPoint{4, 150}));
  EXPECT_FALSE(e.SelAvail());

  int cleared = 0;
  e.OnClearBookmark = [&](TObject*, TSrcEditMark* m) {
    EXPECT_EQ(m->BookmarkNumber(), 3);
    ++cleared;
  };
  e.ClearBookmark(3);
  EXPECT_EQ(cleared, 1);
  EXPECT_FALSE(e.IsBookmark(3));
  EXPECT_EQ(e.Marks().Count(), 0);

  // The placing handler may discard the mark.
  e.OnPlaceBookmark = [](TObject*, TSrcEditMark*& m) { m = nullptr; };
  e.SetBookmark(1, 1, 1);
  EXPECT_FALSE(e.IsBookmark(1));
  EXPECT_EQ(e.Marks().Count(), 0);
}

// ---------------------------------------------------------- search, replace

TEST(SrcEditSearchReplace, FindSelectsTheFirstHitAfterTheCaret) {
  TSrcEdit e;
  e.SetLines({"one two one", "two one"});
  e.SetCaretXY(TPoint{3, 1});
  EXPECT_EQ(e.SearchReplace("one", "", 0), 1);
  EXPECT_EQ(e.BlockBegin(), (TPoint{9, 1}));  // not the hit before the caret
  EXPECT_EQ(e.BlockEnd(), (TPoint{12, 1}));
  EXPECT_EQ(e.CaretXY(), (TPoint{12, 1}));
  EXPECT_EQ(e.SearchReplace("one", "", 0), 1);
  EXPECT_EQ(e.BlockBegin(), (TPoint{5, 2}));
  // No hit: 0, and the selection stays.
  EXPECT_EQ(e.SearchReplace("three", "", 0), 0);
  EXPECT_EQ(e.BlockBegin(), (TPoint{5, 2}));
  EXPECT_TRUE(e.SelAvail());
  EXPECT_EQ(e.SearchReplace("", "", 0), 0);
  // Backwards from the caret, then over the entire scope.
  e.SetCaretXY(TPoint{1, 2});
  EXPECT_EQ(e.SearchReplace("ONE", "", ssoBackwards), 1);
  EXPECT_EQ(e.BlockBegin(), (TPoint{9, 1}));
  EXPECT_EQ(e.SearchReplace("ONE", "", ssoBackwards | ssoMatchCase), 0);
  e.SetCaretXY(TPoint{8, 2});
  EXPECT_EQ(e.SearchReplace("one", "", ssoEntireScope), 1);
  EXPECT_EQ(e.BlockBegin(), (TPoint{1, 1}));
}

TEST(SrcEditSearchReplace, ReplaceAllShiftsLaterHits) {
  TSrcEdit e;
  e.SetLines({"aaa"});
  EXPECT_EQ(e.SearchReplace("a", "bb", ssoReplaceAll | ssoEntireScope), 3);
  EXPECT_EQ(e.Lines().Get(0), "bbbbbb");
  e.SetLines({"abcabc", "xabc"});
  EXPECT_EQ(e.SearchReplace("abc", "", ssoReplaceAll | ssoEntireScope), 3);
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"", "x"}));
  e.SetLines({"a word, words and word_x word"});
  EXPECT_EQ(e.SearchReplace("word", "W", ssoReplaceAll | ssoEntireScope | ssoWholeWord), 2);
  EXPECT_EQ(e.Lines().Get(0), "a W, words and word_x W");
}

TEST(SrcEditSearchReplace, ReplacementWithALineBreak) {
  TSrcEdit e;
  e.SetLines({"a-b-c", "d-e", "f"});
  EXPECT_EQ(e.SearchReplace("-", "\r\n", ssoReplaceAll | ssoEntireScope), 3);
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"a", "b", "c", "d", "e", "f"}));
  // The scope moves down with the lines added: a selection-only run keeps
  // to its end.
  e.SetLines({"x.x.x", "x.x", "x.x"});
  e.SetCaretXY(TPoint{1, 1});
  e.SetBlockBegin(TPoint{1, 1});
  e.SetBlockEnd(TPoint{4, 2});
  EXPECT_EQ(e.SearchReplace(".", "\r\n", ssoReplaceAll | ssoSelectedOnly), 3);
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"x", "x", "x", "x", "x", "x.x"}));
  // One Undo takes the whole run back.
  e.Undo();
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"x.x.x", "x.x", "x.x"}));
}

TEST(SrcEditSearchReplace, PromptAnswers) {
  TSrcEdit e;
  e.SetLines({"a a a a"});
  std::vector<int> asked;
  int answerAt = 2;
  e.OnReplaceText = [&](TObject*, const QString& s, const QString& r, int line, int column, TSrcReplaceAction& a) {
    EXPECT_EQ(s, "a");
    EXPECT_EQ(r, "b");
    EXPECT_EQ(line, 1);
    asked.push_back(column);
    a = static_cast<int>(asked.size()) == answerAt ? raReplaceAll : raReplace;
  };
  EXPECT_EQ(e.SearchReplace("a", "b", ssoReplace | ssoReplaceAll | ssoPrompt | ssoEntireScope), 4);
  EXPECT_EQ(asked, (std::vector<int>{1, 3}));  // not asked after "replace all"
  EXPECT_EQ(e.Lines().Get(0), "b b b b");
  e.Undo();  // the replacements after the answer, in one step
  EXPECT_EQ(e.Lines().Get(0), "b a a a");
  e.Undo();
  EXPECT_EQ(e.Lines().Get(0), "a a a a");
  e.Redo();
  EXPECT_EQ(e.Lines().Get(0), "b a a a");
  e.Redo();
  EXPECT_EQ(e.Lines().Get(0), "b b b b");

  e.SetLines({"a a a"});
  e.OnReplaceText = [&](TObject*, const QString&, const QString&, int, int column, TSrcReplaceAction& a) {
    a = column == 3 ? raSkip : column == 5 ? raCancel : raReplace;
  };
  EXPECT_EQ(e.SearchReplace("a", "b", ssoReplaceAll | ssoPrompt | ssoEntireScope), 3);
  EXPECT_EQ(e.Lines().Get(0), "b a a");
  // Replace without replace-all takes one hit.
  e.OnReplaceText = nullptr;
  e.SetCaretXY(TPoint{1, 1});
  EXPECT_EQ(e.SearchReplace("a", "c", ssoReplace), 1);
  EXPECT_EQ(e.Lines().Get(0), "b c a");
}

TEST(SrcEditSearchReplace, ColumnSelectionScope) {
  TSrcEdit e;
  e.SetLines({"aaaa", "aaaa", "aaaa"});
  e.SetSelectionMode(smColumn);
  e.SetCaretXY(TPoint{2, 1});
  e.SetBlockBegin(TPoint{2, 1});
  e.SetBlockEnd(TPoint{4, 2});
  EXPECT_EQ(e.SearchReplace("a", "b", ssoReplaceAll | ssoSelectedOnly), 4);
  EXPECT_EQ(e.Lines().ToStringList(), QStringList({"abba", "abba", "aaaa"}));
}

TEST(SrcEditSearchReplace, ManyHitsUndoneInOneStep) {
  TSrcEdit e;
  QStringList text;
  for (int i = 0; i < 3000; ++i) text << "x y x";
  e.SetLines(text);
  EXPECT_EQ(e.SearchReplace("x", "zz", ssoReplaceAll | ssoEntireScope), 6000);
  EXPECT_EQ(e.Lines().Get(2999), "zz y zz");
  e.Undo();
  EXPECT_EQ(e.Lines().ToStringList(), text);
}
