// The main window's insert and wrap commands as a user meets them with the
// keys: each is one undo step of its own, and a wrap over a column block
// changes each line where it stands. Undo gives back where the user was:
// the caret and the selection from before a command, and the text typed
// over a selection together with that text.
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <ostream>

#include "app/dialogs/InsertDialogs.h"
#include "app/document/Child.h"
#include "app/shell/Frame.h"
#include "authoring/WtInsertFragments.h"
#include "tests/app/AppFixture.h"

namespace {

// The caret and the selection as the user sees them.
struct TWhere {
  TPoint caret, begin, end;
  bool operator==(const TWhere&) const = default;
};

void PrintTo(const TWhere& w, std::ostream* os) {
  *os << "caret (" << w.caret.X << "," << w.caret.Y << "), selection (" << w.begin.X << "," << w.begin.Y << ")-("
      << w.end.X << "," << w.end.Y << ")";
}

TWhere Where(const TSrcEdit* e) { return {e->CaretXY(), e->BlockBegin(), e->BlockEnd()}; }

class WrapAndUndo : public AppFixture {
 protected:
  TSrcEdit* Open(const QByteArray& text) {
    TSrcEdit* e = Main().OpenDocument(false, true, MakeFile("page.html", text))->Memo1;
    QApplication::setActiveWindow(&Main());
    e->setFocus();
    return e;
  }
  static QStringList Lines(TSrcEdit* e) { return e->Lines().ToStringList(); }
  static void Key(TSrcEdit* e, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(e, key, mods);
  }
  // Ctrl+T, answered with OK.
  void InsertTable(TSrcEdit* e) {
    prompts.AnswerDialog("fTable", [](QDialog& d) {
      static_cast<TfTable&>(d).Button1->click();
      return d.result();
    });
    Key(e, Qt::Key_T, Qt::ControlModifier);
  }
  // Column mode, then a block from the caret `right` columns on and `down`
  // lines down, with the keys.
  static void ColumnBlock(TSrcEdit* e, TPoint from, int right, int down) {
    e->SetCaretXY(from);
    e->SetBlockBegin(from);
    Key(e, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(e->SelectionMode(), smColumn);
    Key(e, Qt::Key_Right, Qt::ShiftModifier, right);
    Key(e, Qt::Key_Down, Qt::ShiftModifier, down);
  }
};

TEST_F(WrapAndUndo, ATableAndTheTypingAroundItAreUndoneApart) {
  TSrcEdit* e = Open("<p>x</p>\r\n");
  Key(e, Qt::Key_End);
  QTest::keyClicks(e, "ab");
  InsertTable(e);
  const QStringList table = Lines(e);
  ASSERT_TRUE(table[0].startsWith("<p>x</p>ab<table")) << table[0].toStdString();
  QTest::keyClicks(e, "abc");
  const QStringList typed = Lines(e);
  ASSERT_NE(typed, table);

  // One Ctrl+Z each: the typing after the table, the table, the typing
  // before it.
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), table);
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), QStringList{"<p>x</p>ab"});
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), QStringList{"<p>x</p>"});
  EXPECT_FALSE(e->Modified());
  // Redo gives them back in the same steps.
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Lines(e), QStringList{"<p>x</p>ab"});
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Lines(e), table);
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Lines(e), typed);

  // A wrap is a step of its own too.
  Key(e, Qt::Key_B, Qt::ControlModifier);
  QTest::keyClicks(e, "xy");
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), typed);
}

TEST_F(WrapAndUndo, BoldOverAColumnBlockWrapsEachLineInItsPlace) {
  const QStringList before{"<h1>Welcome</h1>", "<p>This is</p>", "<a>Link</a>", "end"};
  TSrcEdit* e = Open(before.join("\r\n").toLatin1() + "\r\n");
  ColumnBlock(e, TPoint{5, 1}, 3, 2);
  ASSERT_EQ(e->SelText(), "Wel\r\nhis\r\nink");
  Key(e, Qt::Key_B, Qt::ControlModifier);
  const QStringList bold{"<h1><b>Wel</b>come</h1>", "<p>T<b>his</b> is</p>", "<a>L<b>ink</b></a>", "end"};
  EXPECT_EQ(Lines(e), bold);
  // The old text is the block again, between the tags: a second wrap nests
  // inside the first, line by line.
  EXPECT_EQ(e->SelectionMode(), smColumn);
  EXPECT_EQ(e->SelText(), "Wel\r\nhis\r\nink");
  Key(e, Qt::Key_I, Qt::ControlModifier);
  const QStringList italic{"<h1><b><i>Wel</i></b>come</h1>", "<p>T<b><i>his</i></b> is</p>",
                           "<a>L<b><i>ink</i></b></a>", "end"};
  EXPECT_EQ(Lines(e), italic);
  EXPECT_EQ(e->SelText(), "Wel\r\nhis\r\nink");
  // One Ctrl+Z takes back one wrap, exactly; redo puts it back.
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), bold);
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), before);
  EXPECT_FALSE(e->Modified());
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Lines(e), bold);
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Lines(e), italic);
}

TEST_F(WrapAndUndo, ShortLinesInAColumnBlock) {
  // "f" is shorter than the block, the empty line has nothing in it.
  const QStringList before{"abcd", "ef", "", "ijkl"};
  TSrcEdit* e = Open("abcd\r\nef\r\n\r\nijkl\r\n");
  ColumnBlock(e, TPoint{2, 1}, 2, 3);
  ASSERT_EQ(e->BlockBegin(), (TPoint{2, 1}));
  ASSERT_EQ(e->BlockEnd(), (TPoint{4, 4}));
  Key(e, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), (QStringList{"a<b>bc</b>d", "e<b>f</b>", "", "i<b>jk</b>l"}));
  // No block would cover the old text alone: the caret stands after it.
  EXPECT_FALSE(e->SelAvail());
  QTest::keyClicks(e, "X");
  EXPECT_EQ(Lines(e)[3], "i<b>jkX</b>l");
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), before);

  // A block past the end of every line: the tags at its top-left corner.
  ColumnBlock(e, TPoint{7, 1}, 2, 1);
  Key(e, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), (QStringList{"abcd  <b></b>", "ef", "", "ijkl"}));
  EXPECT_EQ(e->CaretXY(), (TPoint{10, 1}));
}

TEST_F(WrapAndUndo, EveryWrapOverAColumnBlock) {
  const QStringList before{"abcd", "efgh", "ijkl"};
  TSrcEdit* e = Open("abcd\r\nefgh\r\nijkl\r\n");
  const auto wrapped = [&](const QString& open, const QString& close) {
    return QStringList{"a" + open + "bc" + close + "d", "e" + open + "fg" + close + "h",
                       "i" + open + "jk" + close + "l"};
  };
  const auto block = [&] {
    e->SetSelectionMode(smColumn);
    e->SetBlockBegin(TPoint{2, 1});
    e->SetBlockEnd(TPoint{4, 3});
  };
  // The actions of the wrap commands, in the order of their tags.
  const char* const actions[] = {
      "Bold1",          "Italic1",        "Underline1",     "Center1",        "Left1",          "Right1",
      "ToolButton84",   "HeadingStyle11", "HeadingStyle12", "HeadingStyle13", "HeadingStyle14", "HeadingStyle15",
      "HeadingStyle16", "AlignLeft1",     "AlignCenter1",   "AlignRight1",    "AlignJustify1"};
  const QList<InsertFragments::TWrapTags>& all = InsertFragments::WrapCommands();
  ASSERT_EQ(all.size(), std::ssize(actions));
  for (int i = 0; i < all.size(); ++i) {
    const InsertFragments::TWrapTags& tags = all[i];
    SCOPED_TRACE(actions[i]);
    block();
    Main().Action(QLatin1String(actions[i]))->trigger();
    EXPECT_EQ(Lines(e), wrapped(QLatin1String(tags.open), QLatin1String(tags.close)));
    EXPECT_EQ(e->SelText(), "bc\r\nfg\r\njk");
    e->Undo();
    EXPECT_EQ(Lines(e), before);
  }
  // The text formatting of F4.
  Ini().WriteString("Font", "Type", "No Such Face");
  Ini().WriteInteger("Font", "Size2", 5);
  prompts.AnswerDialog("fTextFormat", [](QDialog& d) {
    static_cast<TfTextFormat&>(d).Button2->click();
    return d.result();
  });
  block();
  Key(e, Qt::Key_F4);
  EXPECT_EQ(Lines(e), wrapped("<font face=\"no such face\" size=\"5\" color=\"#000000\">", "</font>"));
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), before);
  // The editor menu's comment command.
  block();
  Main().ActiveDocument()->Commenttext1Click();
  EXPECT_EQ(Lines(e), wrapped("<!-- ", " -->"));
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), before);
}

TEST_F(WrapAndUndo, LineModeWrapsTheWholeLines) {
  TSrcEdit* e = Open("one\r\ntwo\r\nthree\r\n");
  Key(e, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(e->SelectionMode(), smLine);
  Key(e, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(e->SelText(), "one\r\ntwo\r\n");
  Key(e, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), (QStringList{"<b>one", "two</b>", "three"}));
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), (QStringList{"one", "two", "three"}));
  // The last line of the text, which has no line break after it.
  e->SetCaretXY(TPoint{1, 3});
  e->SetBlockBegin(TPoint{1, 3});
  Key(e, Qt::Key_Up, Qt::ShiftModifier);
  Key(e, Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), (QStringList{"one", "<b>two", "three</b>"}));
}

TEST_F(WrapAndUndo, WholePageCommandsGiveBackTheCaretAndSelection) {
  QString words;
  for (int i = 0; i < 60; ++i) words += QStringLiteral(" Word%1").arg(i);
  const QStringList before{"<P>" + words.mid(1) + "</P>", "<P>Second Line</P>"};
  TSrcEdit* e = Open(before.join("\r\n").toLatin1() + "\r\n");
  TChildForm* child = Main().ActiveDocument();
  const auto trigger = [child](const char* name) {
    const QList<QAction*> actions = child->findChildren<QAction*>(QLatin1String(name));
    ASSERT_FALSE(actions.isEmpty()) << name;
    actions.first()->trigger();
  };
  const auto tidy = [&](const char* name) {
    trigger(name);
    // Tidy runs in a process of its own (and the repair checks again).
    ASSERT_TRUE(QTest::qWaitFor([&] { return !child->TidyRunning(); }, 120000)) << "Tidy never ended";
  };
  prompts.Answer("LowerCase", 6);
  const struct {
    const char* name;
    std::function<void()> run;
  } commands[] = {
      {"word wrap", [&] { Main().Action("WWrap1")->trigger(); }},
      {"lower case", [&] { trigger("Setdocumentinlowercase1"); }},
      {"repair", [&] { tidy("HT_Repair"); }},
      {"force", [&] { tidy("HT_Force"); }},
  };
  for (const auto& command : commands) {
    for (const bool selected : {false, true}) {
      SCOPED_TRACE(std::string(command.name) + (selected ? ", \"Sec\" selected backwards" : ", no selection"));
      // The caret after "Sec" of the second line, and "Sec" selected with
      // the caret at its start.
      Key(e, Qt::Key_Home, Qt::ControlModifier);
      Key(e, Qt::Key_Down);
      Key(e, Qt::Key_Right, Qt::NoModifier, 6);
      if (selected) Key(e, Qt::Key_Left, Qt::ShiftModifier, 3);
      const TWhere where = Where(e);
      ASSERT_EQ(where.caret, (TPoint{selected ? 4 : 7, 2}));
      ASSERT_EQ(e->SelText(), selected ? "Sec" : "");

      command.run();
      const QStringList changed = Lines(e);
      ASSERT_NE(changed, before);
      Key(e, Qt::Key_Z, Qt::ControlModifier);
      EXPECT_EQ(Lines(e), before);
      EXPECT_EQ(Where(e), where);
      // Undo after Redo gives them back again.
      Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      EXPECT_EQ(Lines(e), changed);
      Key(e, Qt::Key_Z, Qt::ControlModifier);
      EXPECT_EQ(Lines(e), before);
      EXPECT_EQ(Where(e), where);
      // The next key replaces what the user had selected, not the page.
      QTest::keyClicks(e, "Q");
      EXPECT_EQ(Lines(e), (QStringList{before[0], selected ? "<P>Qond Line</P>" : "<P>SecQond Line</P>"}));
      Key(e, Qt::Key_Z, Qt::ControlModifier);
      ASSERT_EQ(Lines(e), before);
    }
  }
}

TEST_F(WrapAndUndo, TypingOverASelectionIsOneStepWithTheTextItReplaced) {
  const QStringList before{"<p>This is</p>", "<p>That was</p>", "end"};
  TSrcEdit* e = Open("<p>This is</p>\r\n<p>That was</p>\r\nend\r\n");
  // Typing elsewhere first: a step of its own.
  Key(e, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(e, "ab");
  const QStringList typed{"<p>This is</p>", "<p>That was</p>", "endab"};
  ASSERT_EQ(Lines(e), typed);
  const auto selectThis = [&] {
    Key(e, Qt::Key_Home, Qt::ControlModifier);
    Key(e, Qt::Key_Right, Qt::NoModifier, 3);
    Key(e, Qt::Key_Right, Qt::ShiftModifier, 4);
    ASSERT_EQ(e->SelText(), "This");
  };
  // "xyz" typed over the selection; one Ctrl+Z gives back the text with the
  // old selection.
  const auto typeAndUndo = [&](const QStringList& typedOver) {
    const QStringList old = Lines(e);
    const QString selected = e->SelText();
    QTest::keyClicks(e, "xyz");
    EXPECT_EQ(Lines(e), typedOver);
    Key(e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Lines(e), old);
    EXPECT_EQ(e->SelText(), selected);
  };

  selectThis();
  typeAndUndo({"<p>xyz is</p>", "<p>That was</p>", "endab"});
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), before);
  Key(e, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(Lines(e), typed);

  // Over the text that Ctrl+U selected again between its tags.
  selectThis();
  Key(e, Qt::Key_U, Qt::ControlModifier);
  ASSERT_EQ(Lines(e)[0], "<p><u>This</u> is</p>");
  typeAndUndo({"<p><u>xyz</u> is</p>", "<p>That was</p>", "endab"});
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Lines(e), typed);

  // Over a column block: the first character takes the block's place on its
  // last line.
  ColumnBlock(e, TPoint{4, 1}, 4, 1);
  ASSERT_EQ(e->SelText(), "This\r\nThat");
  typeAndUndo({"<p> is</p>", "<p>xyz was</p>", "endab"});
  EXPECT_EQ(e->SelectionMode(), smColumn);
}

TEST_F(WrapAndUndo, UndoOfAWrapOverAColumnBlockSelectsTheWholeBlock) {
  const QStringList before{"abcd", "efgh", "ijkl"};
  TSrcEdit* e = Open("abcd\r\nefgh\r\nijkl\r\n");
  ColumnBlock(e, TPoint{2, 1}, 2, 2);
  const TWhere block = Where(e);
  ASSERT_EQ(e->SelText(), "bc\r\nfg\r\njk");
  for (const Qt::Key key : {Qt::Key_B, Qt::Key_U}) {
    Key(e, key, Qt::ControlModifier);
    ASSERT_NE(Lines(e), before);
    Key(e, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Lines(e), before);
    EXPECT_EQ(e->SelectionMode(), smColumn);
    EXPECT_EQ(Where(e), block);
    EXPECT_EQ(e->SelText(), "bc\r\nfg\r\njk");
  }
  // The comment command of the editor's menu too.
  Main().ActiveDocument()->Commenttext1Click();
  ASSERT_EQ(Lines(e)[2], "i<!-- jk -->l");
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Where(e), block);
}

// Word wrap and lower case change the whole page; the caret stays at the
// user's line and column, and the view where it was.
TEST_F(WrapAndUndo, WrapAndLowerCaseKeepTheCaretsLineAndColumn) {
  TSrcEdit* e = Open("");
  QStringList before;
  for (int i = 1; i <= 60; ++i) before << QStringLiteral("<P>Line %1</P>").arg(i);
  before[55] = QStringLiteral("W\u00d6RD \U00010400X ").repeated(60).trimmed();  // wider than any window
  before[50] = QStringLiteral("<P>CAF\u00c9 \U00010400\U00010401 End</P>");
  e->SetLines(before);
  Key(e, Qt::Key_Home, Qt::ControlModifier);
  Key(e, Qt::Key_Down, Qt::NoModifier, 50);
  Key(e, Qt::Key_Right, Qt::NoModifier, 9);  // between the two pairs: column 11
  const TPoint where{11, 51};
  ASSERT_EQ(e->CaretXY(), where);
  const int top = e->TopLine();
  ASSERT_GT(top, 1);

  Main().Action("WWrap1")->trigger();
  ASSERT_GT(e->Lines().Count(), before.size());
  EXPECT_EQ(e->CaretXY(), where);
  EXPECT_EQ(e->TopLine(), top);
  EXPECT_EQ(Lines(e).join(QString()).remove(u' '), before.join(QString()).remove(u' '));  // every letter kept
  Key(e, Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(Lines(e), before);

  const int shown = e->TopLine();  // where the undo left the view
  prompts.Answer("LowerCase", 6);
  const QList<QAction*> lower =
      Main().ActiveDocument()->findChildren<QAction*>(QStringLiteral("Setdocumentinlowercase1"));
  ASSERT_FALSE(lower.isEmpty());
  lower.first()->trigger();
  EXPECT_EQ(Lines(e)[50], QStringLiteral("<p>caf\u00e9 \U00010428\U00010429 end</p>"));
  EXPECT_EQ(e->CaretXY(), where);
  EXPECT_EQ(e->TopLine(), shown);
  // The user types on where he was.
  QTest::keyClicks(e, "x");
  EXPECT_EQ(Lines(e)[50], QStringLiteral("<p>caf\u00e9 \U00010428x\U00010429 end</p>"));
}

}  // namespace
