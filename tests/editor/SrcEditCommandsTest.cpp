#include <QClipboard>
#include <QGuiApplication>
#include <random>
#include <vector>

#include "tests/editor/SrcEditCommandCase.h"

namespace {
constexpr TSrcEditorOptions kSmartDelete = eoSmartTabDelete, kSpaces = eoTabsToSpaces, kIndent = eoAutoIndent;
}  // namespace

TEST(SrcEditCommands, Deletions) {
  const CommandCase cases[] = {
      {"backspace at the start", {"ab"}, {1, 1}, ecDeleteLastChar, {"ab"}, {1, 1}},
      {"backspace without text", {}, {1, 1}, ecDeleteLastChar, {}, {1, 1}},
      {"backspace joins", {"ab", "cd"}, {1, 2}, ecDeleteLastChar, {"abcd"}, {3, 1}},
      {"backspace a pair", {QStringLiteral("a\U0001F600b")}, {4, 1}, ecDeleteLastChar, {"ab"}, {2, 1}},
      {"smart backspace", {"  x", "    y", "        z"}, {9, 3}, ecDeleteLastChar, {"  x", "    y", "    z"}, {5, 3}},
      {"inside the indentation", {"        z"}, {5, 1}, ecDeleteLastChar, {"       z"}, {4, 1}},
      {"back to the tab stop", {"      x"}, {7, 1}, ecDeleteLastChar, {"    x"}, {5, 1}, 0, kSmartDelete, 4},
      {"a tab ends the removal", {"  \tx"}, {4, 1}, ecDeleteLastChar, {"  x"}, {3, 1}, 0, kSmartDelete, 4},
      {"beyond the end", {"    ab"}, {10, 1}, ecDeleteLastChar, {"    ab"}, {7, 1}},
      {"beyond an empty line", {"    ab", ""}, {9, 2}, ecDeleteLastChar, {"    ab", ""}, {5, 2}},
      {"beyond the end, plain", {"ab"}, {9, 1}, ecDeleteLastChar, {"ab"}, {8, 1}, 0, kSmartDelete},
      {"delete", {"ab", "cd"}, {2, 1}, ecDeleteChar, {"a", "cd"}, {2, 1}},
      {"delete joins", {"ab", "cd"}, {3, 1}, ecDeleteChar, {"abcd"}, {3, 1}},
      {"delete pads and joins", {"ab", "cd"}, {5, 1}, ecDeleteChar, {"ab  cd"}, {5, 1}},
      {"delete at the text end", {"ab", "cd"}, {3, 2}, ecDeleteChar, {"ab", "cd"}, {3, 2}},
      {"word", {"foo bar baz"}, {5, 1}, ecDeleteWord, {"foo baz"}, {5, 1}},
      {"last word", {"foo bar baz"}, {9, 1}, ecDeleteLastWord, {"foo baz"}, {5, 1}},
      {"no last word", {"foo"}, {1, 1}, ecDeleteLastWord, {"foo"}, {1, 1}},
      {"to line start", {"foo bar"}, {5, 1}, ecDeleteBOL, {"bar"}, {1, 1}},
      {"to line end", {"foo bar"}, {5, 1}, ecDeleteEOL, {"foo "}, {5, 1}},
      {"line", {"a", "b", "c"}, {2, 2}, ecDeleteLine, {"a", "c"}, {1, 2}},
      {"last line", {"a", "b"}, {2, 2}, ecDeleteLine, {"a"}, {1, 1}},
      {"only line", {"abc"}, {2, 1}, ecDeleteLine, {""}, {1, 1}},
      {"one empty line", {""}, {1, 1}, ecDeleteLine, {""}, {1, 1}},
      {"no lines", {}, {1, 1}, ecDeleteLine, {}, {1, 1}},
  };
  for (const CommandCase& c : cases) RunCase(c);
}

TEST(SrcEditCommands, SelectionEndsStayOnCharacters) {
  auto e = MakeEdit({QStringLiteral("ab\U0001F600c"), "x"});
  e->SetBlockBegin({4, 1});  // between the halves of the pair
  EXPECT_EQ(e->BlockBegin(), (TPoint{3, 1}));
  e->SetSelectionMode(smColumn);
  Select(*e, {9, 1}, {1, 2});
  e->SetSelectionMode(smNormal);  // a normal selection ends at the line end
  EXPECT_EQ(e->BlockBegin(), (TPoint{6, 1}));
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("ab\U0001F600cx")});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), (QStringList{QStringLiteral("ab\U0001F600c"), "x"}));
}

TEST(SrcEditCommands, JoinedLinesTakeTheirMarksAlong) {
  auto e = MakeEdit({"a", "b", "c", "d"});
  e->SetBookmark(1, 1, 2);
  e->SetBookmark(2, 1, 4);
  e->SetCaretXY({1, 2});
  Exec(*e, ecDeleteLastChar);
  e->SetCaretXY({2, 2});
  Exec(*e, ecDeleteChar);
  int x = 0, y1 = 0, y2 = 0;
  e->GetBookmark(1, x, y1);
  e->GetBookmark(2, x, y2);
  EXPECT_EQ(LinesOf(*e), (QStringList{"ab", "cd"}));
  EXPECT_EQ(y1, 1);
  EXPECT_EQ(y2, 2);
}

TEST(SrcEditCommands, DeletingASelectionRecordsItsDirection) {
  auto e = MakeEdit({"abcdef"});
  Select(*e, {2, 1}, {4, 1});
  Exec(*e, ecDeleteChar);
  EXPECT_EQ(e->UndoList().PeekItem()->fChangeReason, crDelete);
  e->Undo();
  Select(*e, {4, 1}, {2, 1});
  Exec(*e, ecDeleteLastChar);
  EXPECT_EQ(LinesOf(*e), QStringList{"adef"});
  EXPECT_EQ(e->UndoList().PeekItem()->fChangeReason, crDeleteAfterCursor);
}

TEST(SrcEditCommands, LineBreaks) {
  const CommandCase cases[] = {
      {"auto indent", {"    abc"}, {7, 1}, ecLineBreak, {"    ab", "    c"}, {5, 2}},
      {"auto indent with tabs", {"    abc"}, {7, 1}, ecLineBreak, {"    ab", "\tc"}, {2, 2}, 0, kSpaces, 4},
      {"no auto indent", {"    abc"}, {7, 1}, ecLineBreak, {"    ab", "c"}, {1, 2}, 0, kIndent},
      {"at the line end", {"  abc"}, {6, 1}, ecLineBreak, {"  abc", "  "}, {3, 2}},
      {"at column 1", {"  abc"}, {1, 1}, ecLineBreak, {"", "  abc"}, {1, 2}},
      {"inside the indentation", {"  abc"}, {2, 1}, ecLineBreak, {"", "  abc"}, {3, 2}},
      {"on an empty line", {"  a", ""}, {1, 2}, ecLineBreak, {"  a", "", ""}, {3, 3}},
      {"insert line", {"abcd", "x"}, {3, 1}, ecInsertLine, {"ab", "cd", "x"}, {3, 1}},
      {"a trimmed tab comes back", {"ab\tcd"}, {4, 1}, ecLineBreak, {"ab", "cd"}, {1, 2}, 0, kIndent},
  };
  for (const CommandCase& c : cases) RunCase(c);
  auto s = MakeEdit({"abcd"});  // a break that replaces a selection is one change, also after a redo
  Select(*s, {2, 1}, {3, 1});
  Exec(*s, ecLineBreak);
  EXPECT_EQ(LinesOf(*s), (QStringList{"a", "cd"}));
  s->Undo();
  s->Redo();
  s->Undo();
  EXPECT_EQ(LinesOf(*s), QStringList{"abcd"});
  auto e = MakeEdit({"ab", "cd"});
  e->SetBookmark(1, 1, 2);
  e->SetCaretXY({2, 1});
  Exec(*e, ecLineBreak);
  int x = 0, y = 0;
  ASSERT_TRUE(e->GetBookmark(1, x, y));
  EXPECT_EQ(y, 3);  // marks below move down
}

TEST(SrcEditCommands, Typing) {
  const CommandCase cases[] = {
      {"padding", {""}, {5, 1}, ecChar, {"    x"}, {6, 1}, 0, 0, 8, QLatin1Char('x')},
      {"padding with tabs", {""}, {7, 1}, ecChar, {"\t  y"}, {5, 1}, 0, kSpaces, 4, QLatin1Char('y')},
      {"padding a line", {"ab"}, {5, 1}, ecChar, {"ab  x"}, {6, 1}, 0, 0, 8, QLatin1Char('x')},
      // A TAB of width 1 looks like a blank: the bytes are the blanks seen.
      {"padding, tab width 1", {""}, {7, 1}, ecChar, {"      h"}, {8, 1}, 0, kSpaces, 1, QLatin1Char('h')},
      {"padding, tab width 1, input method",
       {""},
       {4, 1},
       ecImeStr,
       {"   hi"},
       {6, 1},
       0,
       kSpaces,
       1,
       QChar(),
       QStringLiteral("hi")},
      {"blanks that were there stay", {"ab  "}, {3, 1}, ecChar, {"abc  "}, {4, 1}, 0, 0, 8, QLatin1Char('c')},
      {"tab character", {"ab"}, {1, 1}, ecChar, {"ab"}, {1, 1}, 0, 0, 8, QLatin1Char('\t')},
      {"return character", {"ab"}, {1, 1}, ecChar, {"ab"}, {1, 1}, 0, 0, 8, QLatin1Char('\r')},
      {"delete character", {"ab"}, {1, 1}, ecChar, {"ab"}, {1, 1}, 0, 0, 8, QChar(127)},
      {"input method",
       {"ab"},
       {2, 1},
       ecImeStr,
       {QStringLiteral("a\u65e5\u672cb")},
       {4, 1},
       0,
       0,
       8,
       QChar(),
       QStringLiteral("\u65e5\u672c")},
      {"input method breaks", {"ab"}, {2, 1}, ecImeStr, {"ax", "yb"}, {2, 2}, 0, 0, 8, QChar(), QStringLiteral("x\ny")},
      {"input method without text", {"ab"}, {2, 1}, ecImeStr, {"ab"}, {2, 1}},
  };
  for (const CommandCase& c : cases) RunCase(c);

  auto e = MakeEdit({QStringLiteral("ab\U0001F600c")});
  Exec(*e, ecOverwriteMode);
  e->SetCaretXY({2, 1});
  Exec(*e, ecChar, QLatin1Char('x'));
  Exec(*e, ecChar, QLatin1Char('y'));  // half of a pair is never left behind
  EXPECT_EQ(LinesOf(*e), QStringList{"axy c"});
  e->Undo();  // the overwritten run in one step
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("ab\U0001F600c")});
  Exec(*e, ecToggleMode);
  Select(*e, {1, 1}, {3, 1});
  Exec(*e, ecChar, QLatin1Char('J'));
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("J\U0001F600c")});
  e->Undo();
  EXPECT_EQ(LinesOf(*e), QStringList{QStringLiteral("ab\U0001F600c")});
}

TEST(SrcEditCommands, TextCommandsLeaveAReadOnlyEditorAlone) {
  const TSrcEditorCommand commands[] = {ecDeleteLastChar, ecDeleteChar,    ecDeleteWord, ecDeleteLastWord,
                                        ecDeleteBOL,      ecDeleteEOL,     ecDeleteLine, ecClearAll,
                                        ecLineBreak,      ecInsertLine,    ecChar,       ecImeStr,
                                        ecUndo,           ecRedo,          ecCut,        ecPaste,
                                        ecBlockIndent,    ecBlockUnindent, ecTab,        ecShiftTab,
                                        ecUpperCase,      ecLowerCase,     ecToggleCase, ecTitleCase};
  QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
  for (bool withSelection : {false, true}) {
    for (TSrcEditorCommand command : commands) {
      SCOPED_TRACE(EditorCommandToIdent(command).toStdString() + (withSelection ? " with a selection" : ""));
      auto e = MakeEdit({"  foo bar", "    baz", "qux"});
      e->SetCaretXY({1, 3});
      e->SetSelText(QStringLiteral("a"));
      e->UndoList().AddGroupBreak();
      e->SetSelText(QStringLiteral("b"));
      e->Undo();  // something to undo and something to redo
      e->SetReadOnly(true);
      if (withSelection)
        Select(*e, {3, 1}, {5, 2});
      else
        e->SetCaretXY({4, 2});
      const QString text = e->Text();
      const int undoItems = e->UndoList().ItemCount(), redoItems = e->RedoList().ItemCount();
      Exec(*e, command, QLatin1Char('x'), QStringLiteral("ime"));
      EXPECT_EQ(e->Text(), text);
      EXPECT_EQ(e->UndoList().ItemCount(), undoItems);
      EXPECT_EQ(e->RedoList().ItemCount(), redoItems);
      EXPECT_TRUE(e->Modified());
    }
  }
  auto e = MakeEdit({"abc def"});  // moving and copying still work
  e->SetReadOnly(true);
  Exec(*e, ecSelWordRight);
  Exec(*e, ecCopy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc ");
}

TEST(SrcEditCommands, PagesAndScrolling) {
  QStringList lines;
  for (int i = 1; i <= 100; ++i) lines << QStringLiteral("line %1").arg(i);
  auto e = MakeEdit(lines);
  const int page = e->LinesInWindow();
  Exec(*e, ecPageDown);
  EXPECT_EQ(e->CaretY(), 1 + page);
  EXPECT_EQ(e->TopLine(), 1 + page);
  Exec(*e, ecPageUp);
  EXPECT_EQ(e->CaretY(), 1);
  Exec(*e, ecScrollDown);  // the caret is kept in the window
  EXPECT_EQ(e->TopLine(), 2);
  EXPECT_EQ(e->CaretY(), 2);
  Exec(*e, ecSelPageBottom);
  EXPECT_EQ(e->CaretY(), 1 + page);
  EXPECT_EQ(e->BlockBegin(), (TPoint{1, 2}));
}

TEST(SrcEditCommands, KeyTranslation) {
  auto e = MakeEdit({"abc"});
  TSrcCommandData data;
  EXPECT_EQ(e->TranslateKeyCode(vk::Left, ssShift, data), ecSelLeft);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(data));
  e->SetCaretXY({3, 1});
  EXPECT_EQ(e->TranslateKeyCode('3', ssCtrl | ssShift, data), ecSetMarker0 + 3);
  EXPECT_EQ(std::get<TPoint>(data), (TPoint{3, 1}));  // the caret
  e->Keystrokes().AddKey(ecUserFirst + 5, 'K', ssCtrl, 'B', 0);
  EXPECT_EQ(e->TranslateKeyCode('K', ssCtrl, data), ecNone);  // remembered as a chord start
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecUserFirst + 5);
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecNone);
  e->TranslateKeyCode('K', ssCtrl, data);
  EXPECT_EQ(e->TranslateKeyCode(vk::Up, 0, data), ecUp);  // a bound key clears the memory
  EXPECT_EQ(e->TranslateKeyCode('B', 0, data), ecNone);
}

TEST(SrcEditCommands, Markers) {
  auto e = MakeEdit({"a", "b"});
  Exec(*e, ecSetMarker0 + 3, QChar(), TPoint{1, 1});
  EXPECT_TRUE(e->IsBookmark(3));
  Exec(*e, ecSetMarker0 + 3, QChar(), TPoint{1, 1});  // again on its line: removed
  EXPECT_FALSE(e->IsBookmark(3));
  Exec(*e, ecSetMarker0 + 3);
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
  auto e = MakeEdit({"ab call myFunc(1)"});
  std::vector<QString> calls;
  auto log = [&](const char* what) {
    return [&calls, what](TObject*, TSrcEditorCommand& command, QChar& c, const TSrcCommandData&) {
      calls.push_back(QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(command));
      if (c == QLatin1Char('a')) c = QLatin1Char('b');
    };
  };
  e->OnProcessCommand = log("host");
  e->OnProcessUserCommand = log("user");
  e->OnCommandProcessed = log("done");
  struct Hook {
    std::vector<QString>* calls;
    bool handle = false;
    void On(TObject*, bool after, bool& handled, TSrcEditorCommand& command, QChar&, const TSrcCommandData*, void*) {
      calls->push_back(QStringLiteral("%1 %2").arg(after ? "after" : "before").arg(command));
      handled = handle;
    }
  } hook{&calls};
  e->RegisterCommandHandler(THookedCommandEvent::Bind<&Hook::On>(&hook), nullptr);
  Exec(*e, ecChar, QLatin1Char('a'));
  EXPECT_EQ(LinesOf(*e)[0], "bab call myFunc(1)");  // the host changed the character
  EXPECT_EQ(calls, (std::vector<QString>{"host 511", "before 511", "after 511", "done 511"}));
  calls.clear();
  Exec(*e, ecUserFirst);
  EXPECT_EQ(calls, (std::vector<QString>{"user 1001", "before 1001", "after 1001", "done 1001"}));
  calls.clear();
  hook.handle = true;
  Exec(*e, ecChar, QLatin1Char('z'));
  EXPECT_EQ(LinesOf(*e)[0], "bab call myFunc(1)");  // handled before: not executed
  EXPECT_EQ(calls, (std::vector<QString>{"host 511", "before 511", "done 0"}));
  hook.handle = false;
  QString asked;
  e->OnContextHelp = [&](TObject*, const QString& word) { asked = word; };
  Select(*e, {1, 1}, {13, 1});
  Exec(*e, ecContextHelp);
  EXPECT_EQ(asked, "myFunc");
  EXPECT_FALSE(e->SelAvail());
  Exec(*e, ecColumnSelect);
  EXPECT_EQ(e->SelectionMode(), smColumn);
}

// Random command scripts: undoing everything gives the starting text back and
// redoing everything the final text. KV_SEED picks other scripts.
TEST(SrcEditCommands, RandomScriptsUndoAndRedoExactly) {
  const TSrcEditorCommand commands[] = {
      ecChar,        ecChar,          ecChar,         ecDeleteLastChar, ecDeleteChar,   ecDeleteWord, ecDeleteLastWord,
      ecDeleteBOL,   ecDeleteEOL,     ecDeleteLine,   ecLineBreak,      ecInsertLine,   ecTab,        ecShiftTab,
      ecBlockIndent, ecBlockUnindent, ecUpperCase,    ecToggleCase,     ecTitleCase,    ecImeStr,     ecToggleMode,
      ecCut,         ecPaste,         ecColumnSelect, ecNormalSelect,   ecSelWordRight, ecSelDown,    ecLeft,
      ecLineStart,   ecMatchBracket};
  const QString chars = QStringLiteral("ab \tXy(");
  std::mt19937 random(qEnvironmentVariableIntValue("KV_SEED") + 20261206);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 3000; ++round) {
    const QStringList start{"  alpha beta", "\tgamma(delta)", "", "    epsilon", "zeta"};
    QGuiApplication::clipboard()->setText(QStringLiteral("p\r\nq\U0001F600"));
    auto e = MakeEdit(start, 1 + pick(8));
    TSrcEditorOptions options = e->Options();
    for (TSrcEditorOptions o :
         {eoTabsToSpaces, eoSmartTabs, eoTrimTrailingSpaces, eoAutoIndent, eoSmartTabDelete, eoTabIndent})
      if (pick(2)) options ^= o;
    e->SetOptions(options);
    const bool wrap = pick(4) == 0;
    if (wrap) {
      e->Lines().SetWrapWidth(6);
      e->SetWordWrap(true);
    }
    QStringList script{
        QStringLiteral("tab width %1, options %2%3").arg(e->TabWidth()).arg(options).arg(wrap ? ", wrapped" : "")};
    for (int step = 0; step < 12; ++step) {
      const int lines = std::max(1, e->Lines().Count());
      TPoint p = e->CaretXY();
      QString selected;
      if (pick(3) != 0) {  // otherwise the command works where the last one left caret and selection
        p = TPoint{1 + pick(16), 1 + pick(lines)};
        e->SetCaretXY(p);
        e->SetBlockBegin(p);
      } else {
        selected = QStringLiteral(" as left");
      }
      if (pick(4) == 0) {
        e->SetCaretXY({1 + pick(16), 1 + pick(lines)});
        e->SetBlockEnd(e->CaretXY());
        selected = QStringLiteral(" to %1,%2").arg(e->CaretX()).arg(e->CaretY());
      }
      const TSrcEditorCommand command = commands[pick(static_cast<int>(std::size(commands)))];
      const QChar c = chars[pick(static_cast<int>(chars.size()))];
      script
          << QStringLiteral("%1 '%2' at %3,%4%5").arg(EditorCommandToIdent(command), c).arg(p.X).arg(p.Y).arg(selected);
      Exec(*e, command, c, QStringLiteral("i\U0001F600"));
    }
    SCOPED_TRACE(script.join(QStringLiteral("; ")).toStdString());
    const QString final = e->Text();
    while (e->CanUndo()) e->Undo();
    ASSERT_EQ(e->Text(), start.join(QStringLiteral("\r\n")));
    while (e->CanRedo()) e->Redo();
    ASSERT_EQ(e->Text(), final);
  }
}
