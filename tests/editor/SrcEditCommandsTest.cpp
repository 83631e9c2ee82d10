#include "editor/SrcEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

// Readable positions in failure messages (defined with the editor tests).
void PrintTo(const TPoint& p, std::ostream* os);

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

void Exec(TCustomSrcEdit& e, TSrcEditorCommand command, QChar c = QChar(), const TSrcCommandData& data = {}) {
  e.ProcessCommand(command, c, data);
}

void Type(TCustomSrcEdit& e, const QString& text) {
  for (QChar c : text) Exec(e, ecChar, c);
}

QStringList LinesOf(const TCustomSrcEdit& e) { return e.Lines().ToStringList(); }

}  // namespace

// ------------------------------------------------------------- backspace

TEST(SrcEditCommands, BackspaceAtTheStartOfTheTextDoesNothing) {
  auto e = MakeEdit({"ab"});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  EXPECT_EQ(e->UndoList().ItemCount(), 0);
  EXPECT_FALSE(e->Modified());
  auto empty = MakeEdit({});
  Exec(*empty, ecDeleteLastChar);
  EXPECT_EQ(empty->Lines().Count(), 0);
}

TEST(SrcEditCommands, BackspaceJoinsLinesAndUndoSplitsThem) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetCaretXY({1, 2});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"abcd"});
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 2}));
}

TEST(SrcEditCommands, BackspaceRemovesOneCharacterOrPair) {
  auto e = MakeEdit({QStringLiteral("a\U0001F600b")});
  e->SetCaretXY({4, 1});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  EXPECT_EQ(e->CaretX(), 2);
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"b"});
  e->Undo();  // both deletions form one group
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("a\U0001F600b")});
}

TEST(SrcEditCommands, SmartBackspaceGoesToALessIndentedLineAbove) {
  auto e = MakeEdit({"  x", "    y", "        z"});
  e->SetCaretXY({9, 3});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e).at(2), "    z");
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 3}));
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e).at(2), "  z");
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e).at(2), "z");
  e->Undo();
  EXPECT_EQ(LinesOf(*e).at(2), "        z");
  // Inside the indentation a single blank goes.
  e->SetCaretXY({5, 3});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e).at(2), "       z");
}

TEST(SrcEditCommands, BackspaceWithoutSmartDeleteGoesToTheTabStop) {
  auto e = MakeEdit({"      x", "  \tx"});
  e->SetTabWidth(4);
  e->SetOptions(e->Options() & ~eoSmartTabDelete);
  e->SetCaretXY({7, 1});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e).at(0), "    x");
  e->SetCaretXY({4, 2});
  Exec(*e, ecDeleteLastChar);  // the tab ends the removal
  EXPECT_EQ(LinesOf(*e).at(1), "  x");
}

TEST(SrcEditCommands, BackspaceBeyondTheLineEndOnlyMovesTheCaret) {
  auto e = MakeEdit({"    ab", ""});
  e->SetCaretXY({10, 1});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 1}));
  e->SetCaretXY({9, 2});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 2}));
  e->SetOptions(e->Options() & ~eoSmartTabDelete);
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(e->CaretXY(), (TPoint{4, 2}));
  EXPECT_EQ(LinesOf(*e), (QStringList{"    ab", ""}));
  EXPECT_FALSE(e->Modified());
}

TEST(SrcEditCommands, DeleteKeysRecordTheSelectionByItsDirection) {
  auto e = MakeEdit({"abcdef"});
  Select(*e, {2, 1}, {4, 1});
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"adef"});
  EXPECT_EQ(e->UndoList().PeekItem()->fChangeReason, crDelete);
  e->Undo();
  Select(*e, {4, 1}, {2, 1});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"adef"});
  EXPECT_EQ(e->UndoList().PeekItem()->fChangeReason, crDeleteAfterCursor);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"abcdef"});
}

// ---------------------------------------------------------------- deletes

TEST(SrcEditCommands, DeleteCharJoinsTheNextLineAtTheCaretColumn) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetCaretXY({2, 1});
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "cd"}));
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"acd"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd"}));
  e->SetCaretXY({5, 1});
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"ab  cd"});
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd"}));
  e->SetCaretXY({3, 2});
  Exec(*e, ecDeleteChar);  // end of the last line
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd"}));
}

TEST(SrcEditCommands, WordAndLinePartDeletes) {
  auto e = MakeEdit({"foo bar baz"});
  e->SetCaretXY({5, 1});
  Exec(*e, ecDeleteWord);
  EXPECT_EQ(LinesOf(*e), QStringList{"foo baz"});
  Exec(*e, ecDeleteLastWord);
  EXPECT_EQ(LinesOf(*e), QStringList{"baz"});
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  Exec(*e, ecDeleteLastWord);  // nothing before the caret
  EXPECT_EQ(LinesOf(*e), QStringList{"baz"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"foo baz"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"foo bar baz"});
  e->SetCaretXY({5, 1});
  Exec(*e, ecDeleteEOL);
  EXPECT_EQ(LinesOf(*e), QStringList{"foo "});
  e->Undo();
  e->SetCaretXY({5, 1});
  Exec(*e, ecDeleteBOL);
  EXPECT_EQ(LinesOf(*e), QStringList{"bar baz"});
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"foo bar baz"});
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 1}));
}

TEST(SrcEditCommands, DeleteLine) {
  auto e = MakeEdit({"a", "b", "c"});
  e->SetCaretXY({2, 2});
  Exec(*e, ecDeleteLine);
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "c"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 2}));
  Exec(*e, ecDeleteLine);  // the last line
  EXPECT_EQ(LinesOf(*e), QStringList{"a"});
  e->Undo();  // both deletions form one group
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "b", "c"}));
  e->SetOptions(e->Options() & ~eoGroupUndo);
  e->SetCaretXY({1, 3});
  Exec(*e, ecDeleteLine);
  e->SetCaretXY({1, 1});
  Exec(*e, ecDeleteLine);
  EXPECT_EQ(LinesOf(*e), QStringList{"b"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "b"}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{"a", "b", "c"}));
  Exec(*e, ecDeleteLine);
  Exec(*e, ecDeleteLine);
  Exec(*e, ecDeleteLine);
  EXPECT_EQ(LinesOf(*e), QStringList{""});
  const int items = e->UndoList().ItemCount();
  Exec(*e, ecDeleteLine);  // one empty line: nothing to do
  EXPECT_EQ(e->UndoList().ItemCount(), items);
  auto empty = MakeEdit({});
  Exec(*empty, ecDeleteLine);
  EXPECT_EQ(empty->Lines().Count(), 0);
  EXPECT_FALSE(empty->Modified());
}

// ------------------------------------------------------------ line breaks

TEST(SrcEditCommands, AutoIndentedLineBreak) {
  auto e = MakeEdit({"    abc"});
  e->SetCaretXY({7, 1});
  Exec(*e, ecLineBreak);
  EXPECT_EQ(LinesOf(*e), (QStringList{"    ab", "    c"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 2}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"    abc"});
  e->SetTabWidth(4);
  e->SetOptions(e->Options() & ~eoTabsToSpaces);
  e->SetCaretXY({7, 1});
  Exec(*e, ecLineBreak);
  EXPECT_EQ(LinesOf(*e), (QStringList{"    ab", "\tc"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{2, 2}));
  e->SetOptions(e->Options() & ~eoAutoIndent);
  e->SetCaretXY({4, 1});
  Exec(*e, ecLineBreak);
  EXPECT_EQ(LinesOf(*e).mid(0, 2), (QStringList{"", "ab"}));
}

TEST(SrcEditCommands, LineBreakAtTheEdgesOfALine) {
  auto e = MakeEdit({"  abc"});
  e->SetCaretXY({6, 1});
  Exec(*e, ecLineBreak);  // at the end: the new line takes the indentation
  EXPECT_EQ(LinesOf(*e), (QStringList{"  abc", "  "}));
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 2}));
  e->Undo();
  e->SetCaretXY({1, 1});
  Exec(*e, ecLineBreak);
  EXPECT_EQ(LinesOf(*e), (QStringList{"", "  abc"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 2}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"  abc"});
  // Inside the leading white space the indentation is kept once.
  e->SetCaretXY({2, 1});
  Exec(*e, ecLineBreak);
  EXPECT_EQ(LinesOf(*e), (QStringList{"", "  abc"}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"  abc"});
  auto empty = MakeEdit({});
  Exec(*empty, ecLineBreak);
  EXPECT_EQ(LinesOf(*empty), (QStringList{"", ""}));
}

TEST(SrcEditCommands, InsertLineKeepsTheCaret) {
  auto e = MakeEdit({"abcd", "x"});
  e->SetCaretXY({3, 1});
  Exec(*e, ecInsertLine);
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd", "x"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 1}));
}

TEST(SrcEditCommands, LineBreakMovesMarksBelow) {
  auto e = MakeEdit({"ab", "cd"});
  e->SetBookmark(1, 1, 2);
  e->SetCaretXY({2, 1});
  Exec(*e, ecLineBreak);
  int x = 0, y = 0;
  ASSERT_TRUE(e->GetBookmark(1, x, y));
  EXPECT_EQ(y, 3);
}

// ----------------------------------------------------------------- typing

TEST(SrcEditCommands, TypingPastTheLineEndPads) {
  auto e = MakeEdit({""});
  e->SetCaretXY({5, 1});
  Exec(*e, ecChar, QLatin1Char('x'));
  EXPECT_EQ(LinesOf(*e), QStringList{"    x"});
  EXPECT_EQ(e->CaretXY(), (TPoint{6, 1}));
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{""});
  // An empty line is padded with the indentation string.
  e->SetTabWidth(4);
  e->SetOptions(e->Options() & ~eoTabsToSpaces);
  e->SetCaretXY({7, 1});
  Exec(*e, ecChar, QLatin1Char('y'));
  EXPECT_EQ(LinesOf(*e), QStringList{"\t  y"});
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 1}));
}

TEST(SrcEditCommands, TypedCharactersGroupAndTrimOnlyWhatTheyAdd) {
  auto e = MakeEdit({"ab  "});
  e->SetCaretXY({3, 1});
  Type(*e, QStringLiteral("c d"));
  EXPECT_EQ(LinesOf(*e), QStringList{"abc d  "});  // the blanks that were there stay
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"ab  "});
  auto f = MakeEdit({"ab"});
  f->SetCaretXY({3, 1});
  Type(*f, QStringLiteral("x "));
  EXPECT_EQ(LinesOf(*f), QStringList{"abx"});
  EXPECT_EQ(f->CaretX(), 5);
}

TEST(SrcEditCommands, ControlCharactersAreNotTyped) {
  auto e = MakeEdit({"ab"});
  for (char16_t c : {u'\t', u'\r', u'\n', u'\x1f', u'\x7f'}) Exec(*e, ecChar, QChar(c));
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  EXPECT_FALSE(e->Modified());
}

TEST(SrcEditCommands, OverwriteMode) {
  auto e = MakeEdit({QStringLiteral("ab\U0001F600c")});
  Exec(*e, ecOverwriteMode);
  e->SetCaretXY({2, 1});
  Exec(*e, ecChar, QLatin1Char('x'));
  Exec(*e, ecChar, QLatin1Char('y'));  // half of a pair is never left behind
  EXPECT_EQ(LinesOf(*e), QStringList{"axy c"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("ab\U0001F600c")});
  Exec(*e, ecToggleMode);
  EXPECT_TRUE(e->InsertMode());
}

TEST(SrcEditCommands, TypingReplacesTheSelectionInOneStep) {
  auto e = MakeEdit({"hello world"});
  Select(*e, {1, 1}, {6, 1});
  Exec(*e, ecChar, QLatin1Char('J'));
  EXPECT_EQ(LinesOf(*e), QStringList{"J world"});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"hello world"});
}

TEST(SrcEditCommands, InputMethodString) {
  auto e = MakeEdit({"ab"});
  e->SetCaretXY({2, 1});
  Exec(*e, ecImeStr, QChar(), QStringLiteral("\u65e5\u672c"));
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("a\u65e5\u672cb")});
  EXPECT_EQ(e->CaretX(), 4);
  Exec(*e, ecImeStr);  // no string: nothing
  EXPECT_EQ(e->UndoList().ItemCount(), 1);
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{"ab"});
  Exec(*e, ecImeStr, QChar(), QStringLiteral("x\ny"));
  EXPECT_EQ(LinesOf(*e), (QStringList{"ax", "yb"}));
}

// --------------------------------------------------------------- read-only

TEST(SrcEditCommands, TextCommandsLeaveAReadOnlyEditorAlone) {
  const std::vector<TSrcEditorCommand> commands = {
      ecDeleteLastChar, ecDeleteChar, ecDeleteWord, ecDeleteLastWord, ecDeleteBOL, ecDeleteEOL,
      ecDeleteLine,     ecClearAll,   ecLineBreak,  ecInsertLine,     ecChar,      ecImeStr,
      ecUndo,           ecRedo,       ecCut,        ecPaste,          ecBlockIndent, ecBlockUnindent,
      ecTab,            ecShiftTab,   ecUpperCase,  ecLowerCase,      ecToggleCase, ecTitleCase};
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  for (bool withSelection : {false, true}) {
    for (TSrcEditorCommand command : commands) {
      auto e = MakeEdit({"  foo bar", "    baz", "qux"});
      e->SetCaretXY({1, 3});
      e->SetSelText(QStringLiteral("a"));
      e->SetSelText(QStringLiteral("b"));
      e->Undo();
      e->SetReadOnly(true);
      if (withSelection)
        Select(*e, {3, 1}, {5, 2});
      else
        e->SetCaretXY({4, 2});
      const QString text = e->Text();
      const int undoItems = e->UndoList().ItemCount(), redoItems = e->RedoList().ItemCount();
      const bool modified = e->Modified();
      Exec(*e, command, QLatin1Char('x'), QStringLiteral("ime"));
      SCOPED_TRACE(EditorCommandToIdent(command).toStdString() + (withSelection ? " with selection" : ""));
      EXPECT_EQ(e->Text(), text);
      EXPECT_EQ(e->UndoList().ItemCount(), undoItems);
      EXPECT_EQ(e->RedoList().ItemCount(), redoItems);
      EXPECT_EQ(e->Modified(), modified);
    }
  }
}

TEST(SrcEditCommands, ReadOnlyEditorStillMovesAndCopies) {
  auto e = MakeEdit({"abc def"});
  e->SetReadOnly(true);
  Exec(*e, ecSelWordRight);
  EXPECT_EQ(e->SelText(), "abc ");
  Exec(*e, ecCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc ");
  Exec(*e, ecLineSelect);
  EXPECT_EQ(e->SelectionMode(), smLine);
}

// -------------------------------------------------------------- movement

TEST(SrcEditCommands, PagesAndEnds) {
  QStringList lines;
  for (int i = 1; i <= 100; ++i) lines << QStringLiteral("line %1").arg(i);
  auto e = MakeEdit(lines);
  const int page = e->LinesInWindow();
  Exec(*e, ecPageDown);
  EXPECT_EQ(e->CaretY(), 1 + page);
  EXPECT_EQ(e->TopLine(), 1 + page);
  Exec(*e, ecPageUp);
  EXPECT_EQ(e->CaretY(), 1);
  Exec(*e, ecSelEditorBottom);
  EXPECT_EQ(e->CaretXY(), (TPoint{9, 100}));
  EXPECT_EQ(e->BlockBegin(), (TPoint{1, 1}));
  Exec(*e, ecEditorTop);
  EXPECT_EQ(e->CaretXY(), (TPoint{1, 1}));
  EXPECT_FALSE(e->SelAvail());
  Exec(*e, ecLineEnd);
  EXPECT_EQ(e->CaretXY(), (TPoint{7, 1}));
  Exec(*e, ecGotoXY, QChar(), TPoint{3, 50});
  EXPECT_EQ(e->CaretXY(), (TPoint{3, 50}));
  Exec(*e, ecSelGotoXY, QChar(), TPoint{5, 50});
  EXPECT_EQ(e->SelText(), "ne");
  Exec(*e, ecGotoXY);  // no position: nothing
  EXPECT_EQ(e->CaretXY(), (TPoint{5, 50}));
  Exec(*e, ecSelectAll);
  EXPECT_EQ(e->BlockEnd(), (TPoint{9, 100}));
}

TEST(SrcEditCommands, ScrollingKeepsTheCaretInTheWindow) {
  QStringList lines;
  for (int i = 1; i <= 100; ++i) lines << QStringLiteral("x");
  auto e = MakeEdit(lines);
  Exec(*e, ecScrollDown);
  EXPECT_EQ(e->TopLine(), 2);
  EXPECT_EQ(e->CaretY(), 2);
  Exec(*e, ecScrollUp);
  EXPECT_EQ(e->TopLine(), 1);
  EXPECT_EQ(e->CaretY(), 2);
}

// ---------------------------------------------------------- key handling

TEST(SrcEditCommands, KeyTranslation) {
  auto e = MakeEdit({"abc"});
  TSrcCommandData data;
  EXPECT_EQ(e->TranslateKeyCode(vk::Left, ssShift, data), ecSelLeft);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(data));
  e->SetCaretXY({3, 1});
  EXPECT_EQ(e->TranslateKeyCode('3', ssCtrl | ssShift, data), ecSetMarker0 + 3);
  ASSERT_TRUE(std::holds_alternative<TPoint>(data));
  EXPECT_EQ(std::get<TPoint>(data), (TPoint{3, 1}));
  // A two-key chord: the first key is remembered, the second completes it.
  e->Keystrokes().AddKey(ecUserFirst + 5, 'K', ssCtrl, 'B', 0);
  EXPECT_EQ(e->TranslateKeyCode('K', ssCtrl, data), ecNone);
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecUserFirst + 5);
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecNone);  // the memory is gone
  EXPECT_EQ(e->TranslateKeyCode('K', ssCtrl, data), ecNone);
  EXPECT_EQ(e->TranslateKeyCode(vk::Up, 0, data), ecUp);
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecNone);
}

TEST(SrcEditCommands, MarkersSetAndRemoveOnTheSameLine) {
  auto e = MakeEdit({"a", "b"});
  Exec(*e, ecSetMarker0 + 3, QChar(), TPoint{1, 1});
  EXPECT_TRUE(e->IsBookmark(3));
  Exec(*e, ecSetMarker0 + 3, QChar(), TPoint{1, 1});
  EXPECT_FALSE(e->IsBookmark(3));
  Exec(*e, ecSetMarker0 + 3);  // without data: at the caret
  e->SetCaretXY({1, 2});
  Exec(*e, ecSetMarker0 + 3);  // on another line: moved there
  int x = 0, y = 0;
  ASSERT_TRUE(e->GetBookmark(3, x, y));
  EXPECT_EQ(y, 2);
  e->SetCaretXY({1, 1});
  Exec(*e, ecGotoMarker0 + 3);
  EXPECT_EQ(e->CaretY(), 2);
  e->BookMarkOptions().SetEnableKeys(false);
  Exec(*e, ecSetMarker0 + 3);
  EXPECT_TRUE(e->IsBookmark(3));
}

TEST(SrcEditCommands, DispatchOrder) {
  auto e = MakeEdit({"ab"});
  std::vector<QString> calls;
  e->OnProcessCommand = [&](TObject*, TSrcEditorCommand& command, QChar& c, const TSrcCommandData&) {
    calls.push_back(QStringLiteral("host %1").arg(command));
    if (c == QLatin1Char('a')) c = QLatin1Char('b');
  };
  e->OnProcessUserCommand = [&](TObject*, TSrcEditorCommand& command, QChar&, const TSrcCommandData&) {
    calls.push_back(QStringLiteral("user %1").arg(command));
  };
  e->OnCommandProcessed = [&](TObject*, TSrcEditorCommand& command, QChar&, const TSrcCommandData&) {
    calls.push_back(QStringLiteral("done %1").arg(command));
  };
  struct Hook {
    std::vector<QString>* calls;
    bool handle = false;
    void On(TObject*, bool after, bool& handled, TSrcEditorCommand& command, QChar&, const TSrcCommandData*, void*) {
      calls->push_back(QStringLiteral("%1 %2").arg(after ? "after" : "before").arg(command));
      if (handle) handled = true;
    }
  } hook{&calls};
  e->RegisterCommandHandler(THookedCommandEvent::Bind<&Hook::On>(&hook), nullptr);
  Exec(*e, ecChar, QLatin1Char('a'));
  EXPECT_EQ(LinesOf(*e), QStringList{"bab"});  // the host changed the character
  EXPECT_EQ(calls, (std::vector<QString>{"host 511", "before 511", "after 511", "done 511"}));
  calls.clear();
  Exec(*e, ecUserFirst);
  EXPECT_EQ(calls, (std::vector<QString>{"user 1001", "before 1001", "after 1001", "done 1001"}));
  calls.clear();
  hook.handle = true;
  Exec(*e, ecChar, QLatin1Char('z'));
  EXPECT_EQ(LinesOf(*e), QStringList{"bab"});  // handled before: not executed
  EXPECT_EQ(calls, (std::vector<QString>{"host 511", "before 511", "done 0"}));
}

TEST(SrcEditCommands, ContextHelpAndSelectionModes) {
  auto e = MakeEdit({"call myFunc(1)"});
  QString asked;
  e->OnContextHelp = [&](TObject*, const QString& word) { asked = word; };
  Select(*e, {1, 1}, {9, 1});
  Exec(*e, ecContextHelp);
  EXPECT_EQ(asked, "myFunc");
  EXPECT_FALSE(e->SelAvail());
  Exec(*e, ecColumnSelect);
  EXPECT_EQ(e->SelectionMode(), smColumn);
  Exec(*e, ecNormalSelect);
  EXPECT_EQ(e->SelectionMode(), smNormal);
}
