// Edits as users make them: what they change and what one Undo gives back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <functional>

#include "editor/SrcEdit.h"
#include "tests/editor/SrcEditCommandCase.h"

namespace {

void PutOnClipboard(TSrcSelectionMode mode, const QString& text) {
  auto* data = new QMimeData;
  data->setText(text);
  data->setData(QString::fromLatin1(kSrcEditClipboardMimeType), EncodeSrcEditBlock(mode, text));
  QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace

TEST(SrcEditEditing, PasteOrDropOfNothingRecordsNothing) {
  auto e = MakeEdit({"abc", ""});
  Select(*e, TPoint{1, 1}, TPoint{3, 1});
  PutOnClipboard(smNormal, QString());
  e->PasteFromClipboard();
  QGuiApplication::clipboard()->setText(QString());
  e->PasteFromClipboard();
  EXPECT_EQ(LinesOf(*e), (QStringList{"abc", ""}));
  EXPECT_EQ(e->GetSelText(), "ab");
  // The empty last line selected in line mode holds no text.
  e->SetSelectionMode(smLine);
  Select(*e, TPoint{1, 2}, TPoint{2, 2});
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{2, 1}, false, false));
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{2, 1}, true, false));
  EXPECT_EQ(e->UndoList().ItemCount(), 0);
  EXPECT_EQ(e->RedoList().ItemCount(), 0);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"abc", ""}));
}

TEST(SrcEditEditing, WrappedPiecesJoinWithoutALineBreak) {
  struct {
    const char* name;
    TPoint caret;
    TSrcEditorCommand command;
    QString after;
  } const cases[] = {
      {"backspace at the start of a piece", {1, 2}, ecDeleteLastChar, "abcdef"},
      {"delete at the end of the piece before", {5, 1}, ecDeleteChar, "abc ef"},
  };
  auto wrapped = MakeEdit({"abc def", "x"});
  wrapped->Lines().SetWrapWidth(4);
  wrapped->SetWordWrap(true);
  Select(*wrapped, TPoint{3, 1}, TPoint{2, 3});
  EXPECT_EQ(wrapped->GetSelText(), "c def\r\nx");  // the text as the file has it
  wrapped->SetSelectionMode(smLine);
  EXPECT_EQ(wrapped->GetSelText(), "abc def\r\nx");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit({"abc def", "x"});
    e->Lines().SetWrapWidth(4);
    e->SetWordWrap(true);
    ASSERT_EQ(LinesOf(*e), (QStringList{"abc ", "def", "x"}));
    e->SetCaretXY(c.caret);
    Exec(*e, c.command);
    EXPECT_EQ(e->Text(), c.after + "\r\nx");
    e->Undo();
    EXPECT_EQ(e->Text(), "abc def\r\nx");
    e->Redo();
    EXPECT_EQ(e->Text(), c.after + "\r\nx");
  }
}

TEST(SrcEditEditing, HostCallsNeverSplitASurrogatePair) {
  const QString line = QStringLiteral("a\U0001F600b");  // the pair takes columns 2 and 3
  const QString x = QStringLiteral("ax\U0001F600b");    // "x" put in before the pair
  auto other = MakeEdit({"x"});
  Select(*other, TPoint{1, 1}, TPoint{2, 1});
  struct {
    const char* name;
    std::function<void(TCustomSrcEdit&)> call;
    QString after;
  } const cases[] = {
      {"SetCaretXY",
       [](TCustomSrcEdit& e) {
         e.SetCaretXY(TPoint{3, 1});
       },
       line},
      {"SetSelStart", [](TCustomSrcEdit& e) { e.SetSelStart(3); }, line},
      {"SetSelEnd", [](TCustomSrcEdit& e) { e.SetSelEnd(3); }, line},
      {"SetSelText",
       [](TCustomSrcEdit& e) {
         e.SetCaretXY(TPoint{3, 1});
         e.SetSelText("x");
       },
       x},
      {"paste",
       [](TCustomSrcEdit& e) {
         QGuiApplication::clipboard()->setText("x");
         e.SetCaretXY(TPoint{3, 1});
         e.PasteFromClipboard();
       },
       x},
      {"drop",
       [&](TCustomSrcEdit& e) {
         e.DropSelection(other.get(), TPoint{3, 1}, false, false);
       },
       x},
      {"InsertBlock",
       [](TCustomSrcEdit& e) {
         e.InsertBlock(TPoint{3, 1}, TPoint{3, 1}, "x", true);
       },
       x},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit({line});
    c.call(*e);
    EXPECT_EQ(e->Lines().Get(0), c.after);
    for (const TPoint p : {e->CaretXY(), e->BlockBegin(), e->BlockEnd()})
      EXPECT_FALSE(p.X >= 2 && p.X <= c.after.size() && c.after[p.X - 1].isLowSurrogate()) << p.X;
  }
}

TEST(SrcEditEditing, WordsOfLettersBeyondTheBasicPlane) {
  // Double-click on the second letter of a word of two script letters.
  const QString word = QStringLiteral("\U0001D4B3\U0001D4B4");
  TSrcEdit e;
  e.SetScrollBars(ssNone);
  e.resize(300, 100);
  e.show();
  e.SetLines({"a " + word + " b"});
  const QPoint pixel((4 - e.LeftChar()) * e.CharWidth() + e.GutterWidth() + 3, 1);
  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(pixel), e.viewport()->mapToGlobal(QPointF(pixel)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(e.viewport(), &click);
  EXPECT_EQ(e.GetSelText(), word);

  // Whole-word search judges the character next to a hit by its code point:
  // a letter beyond the basic plane joins the word, an emoji does not.
  struct {
    QString text, pattern;
    int hits;
  } const cases[] = {
      {QStringLiteral("a\U0001F600b"), "a", 1},
      {QStringLiteral("a\U0001F600b"), "b", 1},
      {word, QStringLiteral("\U0001D4B3"), 0},
      {word, QStringLiteral("\U0001D4B4"), 0},
      {QStringLiteral("x\U0001D4B3 \U0001D4B3"), QStringLiteral("\U0001D4B3"), 1},
      {QStringLiteral("\U0001D4B3x x"), "x", 1},
  };
  TSrcEditSearch search;
  search.SetWhole(true);
  for (const auto& c : cases) {
    search.SetPattern(c.pattern);
    EXPECT_EQ(search.FindAll(c.text), c.hits) << c.text.toStdString() << " / " << c.pattern.toStdString();
  }
}

TEST(SrcEditEditing, GroupedUndoTakesATypedRunWhole) {
  struct {
    const char* name;
    QStringList before;
    TPoint caret;
    bool overwrite;
    TSrcEditorOptions off;
    QStringList after;
    int undos;  // to get back to the start
  } const cases[] = {
      {"overwrite", {"abcdef"}, {1, 1}, true, 0, {"xyzdef"}, 1},
      {"overwrite without grouping", {"abcdef"}, {1, 1}, true, eoGroupUndo, {"xyzdef"}, 3},
      {"past the line end", {"ab"}, {5, 1}, false, 0, {"ab  xyz"}, 1},
      {"overwrite past the line end", {"ab"}, {5, 1}, true, 0, {"ab  xyz"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit(c.before);
    e->SetOptions(e->Options() & ~c.off);
    e->SetInsertMode(!c.overwrite);
    e->SetCaretXY(c.caret);
    for (QChar ch : QStringLiteral("xyz")) Exec(*e, ecChar, ch);
    EXPECT_EQ(LinesOf(*e), c.after);
    for (int i = 1; i < c.undos; ++i) {
      e->Undo();
      EXPECT_NE(LinesOf(*e), c.before);
    }
    e->Undo();
    EXPECT_EQ(LinesOf(*e), c.before);
    while (e->CanRedo()) e->Redo();
    EXPECT_EQ(LinesOf(*e), c.after);
  }
}

TEST(SrcEditEditing, DeletionsTrimTrailingBlanksAndUndoExactly) {
  struct {
    const char* name;
    QStringList before;
    TPoint from, to;  // the selection; none when equal (the caret)
    std::function<void(TCustomSrcEdit&)> act;
    QStringList after;
  } const cases[] = {
      {"backspace joins",
       {"x", "abc \t "},
       {1, 2},
       {1, 2},
       [](TCustomSrcEdit& e) { Exec(e, ecDeleteLastChar); },
       {"xabc"}},
      {"delete key on a selection",
       {"ab  cd"},
       {5, 1},
       {7, 1},
       [](TCustomSrcEdit& e) { Exec(e, ecDeleteChar); },
       {"ab"}},
      {"backspace on a selection made leftwards",
       {"ab \tcd"},
       {7, 1},
       {5, 1},
       [](TCustomSrcEdit& e) { Exec(e, ecDeleteLastChar); },
       {"ab"}},
      {"host deletion", {"ab  cd"}, {7, 1}, {5, 1}, [](TCustomSrcEdit& e) { e.SetSelText(QString()); }, {"ab"}},
      {"cut", {"ab  cd"}, {5, 1}, {7, 1}, [](TCustomSrcEdit& e) { e.CutToClipboard(); }, {"ab"}},
      {"column block",
       {"ab  cd", "x", "ef \tgh"},
       {5, 1},
       {7, 3},
       [](TCustomSrcEdit& e) {
         e.SetSelectionMode(smColumn);
         Exec(e, ecDeleteChar);
       },
       {"ab", "x", "ef"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit(c.before);
    Select(*e, c.from, c.to);
    c.act(*e);
    EXPECT_EQ(LinesOf(*e), c.after);
    e->Undo();
    EXPECT_EQ(LinesOf(*e), c.before);
    EXPECT_FALSE(e->CanUndo());
    e->Redo();
    EXPECT_EQ(LinesOf(*e), c.after);
  }
}

TEST(SrcEditEditing, CopyDropInsideTheOwnSelection) {
  auto e = MakeEdit({"abcdef"});
  Select(*e, TPoint{2, 1}, TPoint{5, 1});
  EXPECT_FALSE(e->DropSelection(e.get(), TPoint{3, 1}, false, false));  // a move into itself
  ASSERT_TRUE(e->DropSelection(e.get(), TPoint{3, 1}, true, false));
  EXPECT_EQ(LinesOf(*e), (QStringList{"abbcdcdef"}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"abcdef"}));
}

TEST(SrcEditEditing, LinesLongerThanTheColumnLimit) {
  auto e = MakeEdit({"ab"});
  ASSERT_EQ(e->MaxLeftChar(), 1024);
  QGuiApplication::clipboard()->setText(QString(20000, QLatin1Char('x')));
  e->SetCaretXY(TPoint{2, 1});
  e->PasteFromClipboard();
  EXPECT_EQ(e->Lines().Get(0).size(), 20002);
  EXPECT_EQ(e->CaretXY(), (TPoint{20002, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  e->Redo();
  EXPECT_EQ(e->Lines().Get(0).size(), 20002);

  // End reaches the end of any line, and typing there can be undone.
  const QString line(19999, QLatin1Char('y'));
  e = MakeEdit({line, "z"});
  Exec(*e, ecLineEnd);
  EXPECT_EQ(e->CaretXY(), (TPoint{20000, 1}));
  EXPECT_EQ(e->MaxLeftChar(), 20000);
  Exec(*e, ecChar, QLatin1Char('q'));
  EXPECT_EQ(e->Lines().Get(0), line + "q");
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{line, "z"}));
  e->SetCaretXY(TPoint{1, 2});
  Exec(*e, ecDeleteLastChar);  // the join puts the long line's end back exactly
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{line, "z"}));
}

namespace {

// An editor whose memory runs out at the given step of a replacement.
class ShortOfMemoryEdit : public TSrcEdit {
 public:
  int failAt = 0;

 protected:
  void AllocationPoint() override {
    if (failAt > 0 && --failAt == 0) throw std::bad_alloc();
  }
};

}  // namespace

TEST(SrcEditEditing, RunningOutOfMemoryChangesNothing) {
  struct {
    const char* name;
    const char* message;
    std::function<void(TCustomSrcEdit&)> change;
  } const cases[] = {
      {"paste", "Not enough memory to paste the text. The document is unchanged.",
       [](TCustomSrcEdit& e) {
         QGuiApplication::clipboard()->setText("1\r\n2\r\n3");
         e.PasteFromClipboard();
       }},
      {"block paste", "Not enough memory to paste the text. The document is unchanged.",
       [](TCustomSrcEdit& e) {
         PutOnClipboard(smColumn, "1\r\n2\r\n3");
         e.PasteFromClipboard();
       }},
      {"replace all", "Not enough memory to replace the text. The document is unchanged.",
       [](TCustomSrcEdit& e) { e.SearchReplace("a", "b\r\nc", ssoReplaceAll | ssoEntireScope); }},
  };
  for (const auto& c : cases) {
    // Every step of the change fails once, until the change gets through.
    bool failed = true;
    int failAt = 0;
    while (failed && ++failAt < 50) {
      SCOPED_TRACE(testing::Message() << c.name << " failing at step " << failAt);
      ShortOfMemoryEdit e;
      e.SetLines({"a a", "xa", "a"});
      e.SetOptions(e.Options() & ~eoGroupUndo);
      e.SetSelText("q");  // one change to undo, one to redo
      e.SetSelText("r");
      e.Undo();
      Select(e, TPoint{2, 1}, TPoint{2, 2});
      const QStringList before = LinesOf(e);
      const int undoItems = e.UndoList().ItemCount(), redoItems = e.RedoList().ItemCount();
      e.failAt = failAt;
      try {
        c.change(e);
        failed = false;
        continue;
      } catch (const ESrcEditError& error) {
        EXPECT_EQ(error.Message(), QString::fromLatin1(c.message));
      }
      e.failAt = 0;
      EXPECT_EQ(LinesOf(e), before);
      EXPECT_EQ(e.GetSelText(), "a a\r\nx");
      EXPECT_EQ(e.UndoList().ItemCount(), undoItems);
      EXPECT_EQ(e.RedoList().ItemCount(), redoItems);
      e.Redo();
      EXPECT_EQ(e.Lines().Get(0), "qra a");
    }
    EXPECT_GT(failAt, 2) << c.name;
  }
}

TEST(SrcEditEditing, OneUndoTakesBackOneCommand) {
  // A command that puts in a piece of text is one step, the typing before
  // and after it others; Redo gives them back in the same steps.
  const QString table = QStringLiteral("<table>\r\n</table>\r\n");
  struct {
    const char* name;
    std::function<void(TSrcEdit&)> command;
    std::vector<QStringList> steps;  // the text after each step of the command
  } const cases[] = {
      {"fragment", [&](TSrcEdit& e) { e.InsertFragment(table); }, {{"ab<table>", "</table>", ""}}},
      {"selected text", [&](TSrcEdit& e) { e.SetSelText(table); }, {{"ab<table>", "</table>", ""}}},
      {"replace-all after a fragment",
       [](TSrcEdit& e) {
         e.InsertFragment("x-x");
         e.SearchReplace("x", "yy", ssoReplace | ssoReplaceAll | ssoEntireScope);
       },
       {{"abx-x"}, {"abyy-yy"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit({""});
    for (QChar ch : QStringLiteral("ab")) Exec(*e, ecChar, ch);
    c.command(*e);
    EXPECT_EQ(LinesOf(*e), c.steps.back());
    for (QChar ch : QStringLiteral("cde")) Exec(*e, ecChar, ch);
    std::vector<QStringList> states{{""}, {"ab"}};
    states.insert(states.end(), c.steps.begin(), c.steps.end());
    states.push_back(LinesOf(*e));
    for (auto state = states.rbegin() + 1; state != states.rend(); ++state) {
      e->Undo();
      EXPECT_EQ(LinesOf(*e), *state);
    }
    EXPECT_FALSE(e->CanUndo());
    for (auto state = states.begin() + 1; state != states.end(); ++state) {
      e->Redo();
      EXPECT_EQ(LinesOf(*e), *state);
    }
    EXPECT_FALSE(e->CanRedo());
  }
}

TEST(SrcEditEditing, UndoOfACommandGivesBackTheCaretAndSelection) {
  // Commands that select what they replace: one Undo puts back the text and
  // where the user was, the selection with its anchor too.
  struct {
    const char* name;
    QStringList before;
    TSrcSelectionMode mode;
    TPoint anchor, caret;  // the user's selection; none when both are one
    std::function<void(TSrcEdit&)> command;
    QStringList after;
  } const cases[] = {
      {"upper case of a word", {"say hello there"}, smNormal, {7, 1}, {7, 1},
       [](TSrcEdit& e) { Exec(e, ecUpperCase); }, {"say HELLO there"}},
      {"a letter's case", {"aB1"}, smNormal, {1, 1}, {1, 1}, [](TSrcEdit& e) { Exec(e, ecToggleCase); }, {"AB1"}},
      {"replace-all", {"a-a", "xa"}, smNormal, {3, 2}, {1, 2},
       [](TSrcEdit& e) { e.SearchReplace("a", "bb", ssoReplace | ssoReplaceAll | ssoEntireScope); }, {"bb-bb", "xbb"}},
      {"whole text over a column block", {"abcd", "efgh"}, smColumn, {2, 1}, {4, 2},
       [](TSrcEdit& e) { e.ReplaceWholeText("new\r\ntext\r\nhere"); }, {"new", "text", "here"}},
      {"whole text over whole lines", {"one", "two", "three"}, smLine, {1, 3}, {1, 2},
       [](TSrcEdit& e) { e.ReplaceWholeText("x"); }, {"x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = MakeEdit(c.before);
    e->SetSelectionMode(c.mode);
    Select(*e, c.anchor, c.caret);
    const TPoint begin = e->BlockBegin(), end = e->BlockEnd();
    c.command(*e);
    EXPECT_EQ(LinesOf(*e), c.after);
    e->Undo();
    EXPECT_EQ(LinesOf(*e), c.before);
    EXPECT_EQ(e->SelectionMode(), c.mode);
    EXPECT_EQ(e->CaretXY(), c.caret);
    EXPECT_EQ(e->BlockBegin(), begin);
    EXPECT_EQ(e->BlockEnd(), end);
  }
}

TEST(SrcEditEditing, TypingOverASelectionBeginsARun) {
  // The first character typed over a selection is undone with the
  // selection's text, apart from the typing before the selection was made.
  auto e = MakeEdit({"This is", "end"});
  e->SetCaretXY(TPoint{4, 2});
  for (QChar ch : QStringLiteral("ab")) Exec(*e, ecChar, ch);
  Select(*e, TPoint{1, 1}, TPoint{5, 1});
  Exec(*e, ecChar, QLatin1Char('x'));
  ASSERT_EQ(LinesOf(*e), (QStringList{"x is", "endab"}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"This is", "endab"}));
  EXPECT_EQ(e->SelText(), "This");
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"This is", "end"}));
}
