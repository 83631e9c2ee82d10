#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>
#include <memory>
#include <vector>

#include "editor/SrcEdit.h"
#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "highlighters/SrcHighlighterPHP.h"

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

// The states of a scan from the top with the editor's highlighter.
std::vector<int> ScannedFromTop(TSrcCustomHighlighter& h, const TSrcEditStringList& lines) {
  std::vector<int> out;
  h.ResetRange();
  for (int i = 0; i < lines.Count(); ++i) {
    out.push_back(h.GetRange());
    h.SetLine(lines.Get(i), i);
    h.ScanToLineEnd();
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

TEST(SrcEditRescan, EditsRescanUntilTheStatesMatch) {
  TSrcEdit e;
  QStringList text = Numbered(100);
  text[10] = "start /* of a comment";
  text[40] = "end */ of it";
  e.SetLines(text);
  CommentHighlighter h;
  e.SetHighlighter(&h);
  e.FinishRescan();
  EXPECT_EQ(h.linesScanned, 99);  // the last line's end state is of no use
  EXPECT_EQ(Stored(e.Lines()), ScannedFromTop(h, e.Lines()));

  // Each edit with the number of lines its pass scans.
  struct Case {
    int line;
    const char* put;  // nullptr: the line is deleted
    int scanned;
  } const cases[] = {
      {20, "still inside", 1},     // the state after it matches at once
      {20, "closed */ here", 21},  // every line up to the old end changes state
      {70, nullptr, 2},            // the line before and the one moved up
  };
  for (const Case& c : cases) {
    h.linesScanned = 0;
    if (c.put)
      e.Lines().Put(c.line, c.put);
    else
      e.Lines().Delete(c.line);
    e.FinishRescan();
    EXPECT_EQ(h.linesScanned, c.scanned) << c.line;
    EXPECT_EQ(Stored(e.Lines()), ScannedFromTop(h, e.Lines())) << c.line;
  }
  EXPECT_EQ(e.RescanRanges(e.Lines().Count() - 1), e.Lines().Count() - 1);
}

TEST(SrcEditRescan, ManyLinesInOneBlockRescanOnce) {
  TSrcEdit e;
  e.SetLines(Numbered(50));
  CommentHighlighter h;
  e.SetHighlighter(&h);
  e.FinishRescan();
  h.linesScanned = 0;
  e.Lines().BeginUpdate();
  e.Lines().InsertLines(10, 200);
  for (int i = 10; i < 210; ++i) e.Lines().Put(i, i == 10 ? "/* opened" : "inside");
  e.Lines().Insert(5, "plain");
  e.Lines().EndUpdate();
  e.FinishRescan();
  // Once, from the line before the lowest change to the end (the comment
  // never closes), the part on screen and the rest together.
  EXPECT_EQ(h.linesScanned, e.Lines().Count() - 5);
  EXPECT_EQ(Stored(e.Lines()), ScannedFromTop(h, e.Lines()));
}

TEST(SrcEditRescan, OnlyTheScreenIsRescannedAtOnceAndReadersCatchUp) {
  TSrcEdit e;
  e.resize(400, 300);
  QStringList text = Numbered(5000);
  e.SetLines(text);
  CommentHighlighter h;
  e.SetHighlighter(&h);
  e.FinishRescan();
  h.linesScanned = 0;
  e.Lines().Put(0, "/* opened");
  EXPECT_TRUE(e.RescanPending());
  EXPECT_LE(h.linesScanned, 3 * e.LinesInWindow());

  // Readers far below see the new states without waiting for the rest.
  QString token;
  int kind = 0, start = 0;
  TSrcHighlighterAttributes* attri = nullptr;
  ASSERT_TRUE(e.GetTokenAttributeAt(TPoint{1, 3000}, token, kind, start, attri));
  EXPECT_EQ(kind, 1);
  EXPECT_TRUE(e.RescanPending());
  QImage image(e.viewport()->size(), QImage::Format_RGB32);
  QPainter painter(&image);
  e.SetTopLine(4000);
  e.Paint(painter, image.rect());
  EXPECT_EQ(e.Lines().LineRange(4000 + e.LinesInWindow() - 2), 1);

  // Edits above and below a pending pass: the comment closes on line 4500,
  // is opened again on line 10 and the first line no longer opens one.
  e.Lines().Put(4500, "*/");
  e.Lines().Put(10, "/*");
  e.Lines().Put(0, "plain");
  EXPECT_TRUE(e.RescanPending());
  // The rest runs from the event loop, which is left idle afterwards.
  for (int round = 0; e.RescanPending() && round < 10000; ++round) QCoreApplication::processEvents();
  EXPECT_FALSE(e.RescanPending());
  EXPECT_EQ(Stored(e.Lines()), ScannedFromTop(h, e.Lines()));
  QTimer* slices = e.findChild<QTimer*>();
  ASSERT_TRUE(slices);
  EXPECT_FALSE(slices->isActive());
  // Also when the lines go while a pass is pending.
  e.Lines().Put(4600, "/* opened");
  EXPECT_TRUE(slices->isActive());
  e.Lines().Clear();
  QCoreApplication::processEvents();
  EXPECT_FALSE(slices->isActive());
}

namespace {

// HTML with scripts, styles, comments and quotes spread over lines.
QStringList MixedPage(int count) {
  const QStringList pieces = {"<p class=\"a\">text</p>",
                              "<!-- a comment",
                              "still in it -->",
                              "<script>",
                              "var s = 'x'; /* c",
                              "*/ var t = \"y\";",
                              "</script>",
                              "<style>",
                              "p { color: red; } /*",
                              "*/",
                              "</style>",
                              "<a href=\"open",
                              "still quoted\">link</a>",
                              "<?php echo 'x'; ?>",
                              "plain words"};
  QStringList out;
  for (int i = 0; i < count; ++i) out << pieces[(i * 7 + i / 13) % pieces.size()];
  return out;
}

class PageHighlighters : public TSrcMultiHighlighter {
 public:
  PageHighlighters() {
    SetDefaultHighlighter(&html);
    const std::pair<const char*, TSrcCustomHighlighter*> schemes[] = {{"<script>", &js}, {"<style>", &css}};
    for (const auto& [open, h] : schemes) {
      TMultiScheme* s = Schemes().Add();
      s->SetStartExpr(QString::fromLatin1(open));
      s->SetEndExpr(QString::fromLatin1(open).insert(1, u'/'));
      s->SetHighlighter(h);
    }
  }
  TSrcHTMLHighlighter html;
  TSrcJScriptHighlighter js;
  TSrcCssHighlighter css;
};

}  // namespace

TEST(SrcEditRescan, RandomEditsEndInTheStatesOfAScanFromTheTop) {
  PageHighlighters multi;
  TSrcHTMLHighlighter html;
  TSrcJScriptHighlighter js;
  TSrcCssHighlighter css;
  TSrcPHPHighlighter php;
  const std::pair<const char*, TSrcCustomHighlighter*> highlighters[] = {
      {"multi", &multi}, {"html", &html}, {"js", &js}, {"css", &css}, {"php", &php}};
  const QStringList inserts = {"<!--", "-->", "<script>", "</script>", "\"", "'", "/*", "*/", "<style>", "x"};
  for (const auto& [name, h] : highlighters) {
    TSrcEdit e;
    e.resize(400, 300);
    e.SetLines(MixedPage(3000));
    e.SetHighlighter(h);
    QRandomGenerator rng(7);
    for (int step = 0; step < 400; ++step) {
      const int n = e.Lines().Count();
      const int line = rng.bounded(n);
      const QString& piece = inserts[rng.bounded(inserts.size())];
      switch (rng.bounded(6)) {
        case 0:
          e.Lines().Put(line, e.Lines().Get(line).insert(rng.bounded(e.Lines().Get(line).size() + 1), piece));
          break;
        case 1:
          e.Lines().Insert(line, piece);
          break;
        case 2:
          if (n > 1) e.Lines().DeleteLines(line, 1 + rng.bounded(3));
          break;
        case 3:
          e.Lines().InsertLines(line, 1 + rng.bounded(3));
          break;
        case 4:
          e.SetCaretXY(TPoint{1, 1 + line});
          e.SetSelText(piece + "\r\n" + inserts[rng.bounded(inserts.size())]);
          break;
        case 5:
          QCoreApplication::processEvents();
          break;  // a slice of the pending pass
      }
      if (step % 10 == 9) {  // a reader far off sees the right state
        const int probe = rng.bounded(e.Lines().Count());
        QString token;
        int kind = 0, start = 0;
        TSrcHighlighterAttributes* attri = nullptr;
        e.GetTokenAttributeAt(TPoint{1, probe + 1}, token, kind, start, attri);
        const int seen = e.Lines().LineRange(probe);
        ASSERT_EQ(seen, ScannedFromTop(*h, e.Lines())[probe]) << name << " step " << step;
      }
      if (step % 50 == 49) {
        e.FinishRescan();
        ASSERT_EQ(Stored(e.Lines()), ScannedFromTop(*h, e.Lines())) << name << " step " << step;
      }
    }
  }
}

TEST(SrcEditRescan, AChangedHighlighterRescans) {
  PageHighlighters multi;
  TSrcEdit e;
  e.SetLines(MixedPage(400));
  e.SetHighlighter(&multi);
  e.FinishRescan();
  multi.Schemes().Items(0)->SetStartExpr("<style>");  // scripts are HTML now
  e.FinishRescan();
  EXPECT_EQ(Stored(e.Lines()), ScannedFromTop(multi, e.Lines()));
}

// The longest line is followed through the changes, not counted anew.
TEST(SrcEditLongestLine, FollowsEveryChange) {
  TSrcEdit e;
  QRandomGenerator rng(3);
  const QStringList pieces = {"a", "\t", "abcdefghij", "", "\tx\t", "0123456789012345678901234567890"};
  const auto piece = [&] { return pieces[rng.bounded(pieces.size())]; };
  for (int i = 0; i < 200; ++i) e.Lines().Add(piece() + piece());
  for (int step = 0; step < 1500; ++step) {
    const int limit = step % 300 < 150 ? 1 : 40;  // a bound above the lines settles it
    e.SetMaxLeftChar(limit);
    const int n = e.Lines().Count(), line = rng.bounded(std::max(1, n));
    switch (rng.bounded(8)) {
      case 0:
        if (n) e.Lines().Put(line, piece() + piece() + piece());
        break;
      case 1:
        if (n) e.Lines().Put(line, e.Lines().Get(line).left(rng.bounded(3)));
        break;
      case 2:
        e.Lines().Insert(std::min(line, n), piece());
        break;
      case 3:
        if (n) e.Lines().DeleteLines(line, 1 + rng.bounded(4));
        break;
      case 4:
        e.Lines().InsertLines(std::min(line, n), 2);
        break;
      case 5:
        e.SetCaretXY(TPoint{1, 1 + line});
        e.SetSelText(piece() + "\r\n" + piece() + piece());
        break;
      case 6:
        e.SetTabWidth(1 + rng.bounded(8));
        break;
      case 7:
        e.Undo();
        break;
    }
    ASSERT_EQ(e.MaxLeftChar(), std::max(limit, e.Lines().LongestLineLength() + 1)) << step;
  }
}

TEST(SrcEditBookmarks, SetClearAndGo) {
  TSrcEdit e;
  e.SetLines(Numbered(200));
  e.SetBookmark(3, 1, 0);   // no line 0
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

// While the user is asked about a hit, the editor shows it: the hit's line
// is in view, the hit selected and painted (a replace-all with a prompt
// holds back painting only once "replace all" is answered), and the caret's
// position is reported.
TEST(SrcEditSearchReplace, ThePromptedHitIsShownWhileAsked) {
  TSrcEdit e;
  QStringList text;
  for (int i = 1; i <= 600; ++i) text << (i % 200 == 0 ? QStringLiteral("find me") : QStringLiteral("line"));
  e.SetLines(text);
  e.resize(400, 300);
  e.show();
  QCoreApplication::processEvents();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  e.viewport()->installEventFilter(&counter);
  int statusChanges = 0;
  e.OnStatusChange = [&](TObject*, TSrcStatusChanges) { ++statusChanges; };
  std::vector<int> asked;
  e.OnReplaceText = [&](TObject*, const QString&, const QString&, int line, int column, TSrcReplaceAction& a) {
    asked.push_back(line);
    EXPECT_GT(statusChanges, 0) << "the caret's move to line " << line << " is reported";
    statusChanges = 0;
    counter.paints = 0;
    QCoreApplication::processEvents();  // as the question's own message loop does
    EXPECT_EQ(e.PaintLock(), 0) << line;
    EXPECT_GT(counter.paints, 0) << "the hit on line " << line << " is painted";
    EXPECT_GE(line, e.TopLine());
    EXPECT_LT(line, e.TopLine() + e.LinesInWindow());
    EXPECT_EQ(e.BlockBegin(), (TPoint{column, line}));
    EXPECT_EQ(e.BlockEnd(), (TPoint{column + 4, line}));
    a = raSkip;
  };
  EXPECT_EQ(e.SearchReplace("find", "lost", ssoReplace | ssoReplaceAll | ssoPrompt | ssoEntireScope), 3);
  EXPECT_EQ(asked, (std::vector<int>{200, 400, 600}));
  e.viewport()->removeEventFilter(&counter);
  e.OnStatusChange = nullptr;
  e.OnReplaceText = nullptr;
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
