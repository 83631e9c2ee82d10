// Tests of TfMain's simple insert commands (app/shell/FrameInserts.cpp).
#include <QAbstractButton>
#include <QColorDialog>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/dialogs/FramePictures.h"
#include "app/dialogs/InsertDialogs.h"
#include "app/shell/Frame.h"
#include "app/sidepane/ProjectPages.h"
#include "authoring/WtInsertFragments.h"
#include "authoring/uPictureInserts.h"
#include "tests/app/AppFixture.h"

namespace {

class InsertCommands : public AppFixture {
 protected:
  TSrcEdit* Open(const QByteArray& text) {
    TChildForm* doc = Main().OpenDocument(false, true, MakeFile("page.html", text));
    return doc->Memo1;
  }
  QString Text(TSrcEdit* e) { return e->Lines().ToStringList().join(QStringLiteral("\r\n")); }
  void AnswerPrompt(const QString& text, int result) {
    prompts.AnswerDialog("fDosPrompt", [text, result](QDialog& d) {
      static_cast<QInputDialog&>(d).setTextValue(text);
      return result;
    });
  }
  // Answers dialog `name` of type D by running `fill` and pressing the
  // button it returns.
  template <typename D>
  void Press(const char* name, std::function<QAbstractButton*(D&)> fill) {
    prompts.AnswerDialog(QLatin1String(name), [fill](QDialog& d) {
      fill(static_cast<D&>(d))->click();
      return d.result();
    });
  }
  void AnswerTextFormat(bool ok) {
    Ini().WriteString("Font", "Type", "No Such Face");
    Ini().WriteInteger("Font", "Size2", 5);
    Press<TfTextFormat>("fTextFormat", [ok](TfTextFormat& f) { return ok ? f.Button2 : f.Button1; });
  }
};

const QString kFont = QStringLiteral("<font face=\"no such face\" size=\"5\" color=\"#000000\">");

TEST_F(InsertCommands, WrapKeepsTheOldTextSelected) {
  // Bold at the caret (offset 10): the caret stands between the tags.
  TSrcEdit* e = Open("abcdefghijkl\r\nmnopqrstuvwx\r\n");
  e->SetSelStart(10);
  e->SetSelEnd(10);
  Main().Action("Bold1")->trigger();
  EXPECT_EQ(e->Lines()[0], QStringLiteral("abcdefghi<b></b>jkl"));
  EXPECT_FALSE(e->SelAvail());
  EXPECT_EQ(e->SelStart(), 13);
  EXPECT_EQ(Main().SavedSelStart, 10);

  // Two lines, 1 to 13 with the line break counted as two: 4 to 16 after.
  e->SelectAll();
  e->SetSelText("abcde\r\nfghij");
  e->SetSelStart(1);
  e->SetSelEnd(13);
  Main().WrapCommand("Bold");
  EXPECT_EQ(Text(e), QStringLiteral("<b>abcde\r\nfghij</b>"));
  EXPECT_EQ(e->SelStart(), 4);
  EXPECT_EQ(e->SelEnd(), 16);
  EXPECT_EQ(e->SelText(), QStringLiteral("abcde\r\nfghij"));
  EXPECT_EQ(Main().SavedSelEnd, 13);

  // Heading 3 over "Title"; one undo takes the wrap back whole.
  e->SelectAll();
  e->SetSelText("Title");
  e->SelectAll();
  Main().Action("HeadingStyle13")->trigger();
  EXPECT_EQ(Text(e), QStringLiteral("<h3>Title</h3>"));
  EXPECT_EQ(e->SelText(), QStringLiteral("Title"));
  e->Undo();
  EXPECT_EQ(Text(e), QStringLiteral("Title"));
  EXPECT_EQ(Main().Action("HeadingStyle13")->text(), QStringLiteral("fmHeading 3"));
}

TEST_F(InsertCommands, ColumnModeStillInsertsAsText) {
  TSrcEdit* e = Open("one\r\ntwo\r\nthree\r\n");
  e->SetSelectionMode(smColumn);
  e->SetCaretXY(TPoint{4, 1});
  AnswerPrompt("Hi", QDialog::Accepted);
  Main().Action("ToolButton31")->trigger();
  EXPECT_EQ(e->Lines().ToStringList(),
            QStringList({"one<script language=\"javascript\">", "  alert(\"Hi\");", "</script>", "", "two", "three"}));
  EXPECT_EQ(e->SelectionMode(), smColumn);
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), QStringList({"one", "two", "three"}));
}

TEST_F(InsertCommands, PromptAndColourAnswers) {
  TSrcEdit* e = Open("text\r\n");
  e->SelectAll();
  const QString before = Text(e);
  // Cancelled, or confirmed empty: nothing, the selection stays.
  AnswerPrompt("Hi", QDialog::Rejected);
  Main().ToolButton31Click();
  AnswerPrompt("", QDialog::Accepted);
  Main().ToolButton31Click();
  EXPECT_EQ(Text(e), before);
  EXPECT_EQ(e->SelText(), QStringLiteral("text"));
  // A quote in the alert text cannot end the script's string.
  AnswerPrompt("a \"b\"", QDialog::Accepted);
  Main().ToolButton31Click();
  EXPECT_EQ(e->Lines()[1], QStringLiteral("  alert(\"a \\\"b\\\"\");"));

  // Colour: cancelled changes nothing; pure blue replaces the selection.
  e->SelectAll();
  e->SetSelText("x");
  e->SelectAll();
  prompts.AnswerDialog("ColorDialog1", [](QDialog&) { return int(QDialog::Rejected); });
  Main().ToolButton14Click();
  EXPECT_EQ(Text(e), QStringLiteral("x"));
  prompts.AnswerDialog("ColorDialog1", [](QDialog& d) {
    static_cast<QColorDialog&>(d).setCurrentColor(Qt::blue);
    return int(QDialog::Accepted);
  });
  Main().ToolButton14Click();
  EXPECT_EQ(Text(e), QStringLiteral("#0000ff"));
  Main().ToolButton26Click();
  EXPECT_EQ(Text(e), QStringLiteral("#0000ff<br>"));
}

TEST_F(InsertCommands, TypingAfterAWrapOverAColumnBlockGoesBeforeTheClosingTag) {
  // The wrapped text spans two lines: selected again as a column it would
  // cover parts of the tags, and the next key would replace them.
  TSrcEdit* e = Open("abcd\r\nefgh\r\n");
  e->SetSelectionMode(smColumn);
  e->SetBlockBegin({2, 1});
  e->SetBlockEnd({4, 2});
  Main().Action("Bold1")->trigger();
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"a<b>bc</b>d", "e<b>fg</b>h"}));
  EXPECT_EQ(e->SelectionMode(), smColumn);
  // The block between the tags is selected again: a key replaces it alone.
  EXPECT_EQ(e->SelText(), "bc\r\nfg");
  QTest::keyClicks(e, "X");
  EXPECT_EQ(e->Lines().ToStringList(), (QStringList{"a<b></b>d", "e<b>X</b>h"}));
  // On one line a column block is the same text: it stays selected.
  e->SetLines({"abcd"});
  e->SetBlockBegin({2, 1});
  e->SetBlockEnd({4, 1});
  Main().Action("Italic1")->trigger();
  EXPECT_EQ(e->SelText(), "bc");
}

TEST_F(InsertCommands, InsertsOverAColumnBlockTakeOutOnlyTheBlock) {
  // "bc", "f" and "jk": the middle row is shorter than the block.
  TSrcEdit* e = Open("abcd\r\nef\r\nijkl\r\n");
  TChildForm* doc = Main().ActiveDocument();
  const QStringList before{"abcd", "ef", "ijkl"};
  const QString png = MakeFile("x.png");
  QImage(32, 16, QImage::Format_RGB32).save(png);
  struct Case {
    const char* what;
    std::function<void()> run;
    QString head, tail;  // of the inserted fragment
    QStringList wrapped = {};  // a wrap: the lines, each wrapped in its place
  };
  const auto action = [this](const char* name) { return [this, name] { Main().Action(name)->trigger(); }; };
  const Case cases[] = {
      {"bold", action("Bold1"), "", "", {"a<b>bc</b>d", "e<b>f</b>", "i<b>jk</b>l"}},
      {"heading", action("HeadingStyle12"), "", "", {"a<h2>bc</h2>d", "e<h2>f</h2>", "i<h2>jk</h2>l"}},
      {"text formatting",
       [&] {
         AnswerTextFormat(true);
         action("ToolButton60")();
       },
       "",
       "",
       {"a" + kFont + "bc</font>d", "e" + kFont + "f</font>", "i" + kFont + "jk</font>l"}},
      {"line break", action("ToolButton26"), "<br>", "<br>"},
      {"colour",
       [&] {
         prompts.AnswerDialog("ColorDialog1", [](QDialog& d) {
           static_cast<QColorDialog&>(d).setCurrentColor(Qt::blue);
           return int(QDialog::Accepted);
         });
         action("ToolButton14")();
       },
       "#0000ff", "#0000ff"},
      {"alert",
       [&] {
         AnswerPrompt("Hi", QDialog::Accepted);
         action("ToolButton31")();
       },
       "<script language=", "</script>\r\n"},
      {"table",
       [&] {
         Press<TfTable>("fTable", [](TfTable& t) { return t.Button1; });
         action("Table1")();
       },
       "<table", "</table>\r\n"},
      {"list",
       [&] {
         Press<TfNumber>("fNumber", [](TfNumber& n) {
           n.SpeedButtons[5]->click();
           return n.Button1;
         });
         action("ToolButton51")();
       },
       "<ul type=", "</ul>\r\n"},
      {"horizontal line",
       [&] {
         Press<TfHorLine>("fHorLine", [](TfHorLine& h) { return h.Button1; });
         action("ToolButton27")();
       },
       "<hr size=1", "color=#000000>"},
      {"date and time",
       [&] {
         Press<TfDT>("fDT", [](TfDT& d) { return d.Button1; });
         action("ToolButton30")();
       },
       "", ""},
      {"last-updated script",
       [&] {
         Press<TfUpdateScript>("fUpdateScript", [](TfUpdateScript& u) { return u.Button1; });
         action("ToolButton32")();
       },
       "<script language=\"JavaScript\">\r\n", "</script>\r\n"},
      {"form control",
       [&] {
         Press<TfHTMLButton>("fHTMLButton", [](TfHTMLButton& b) { return b.Button1; });
         action("ToolButton29")();
       },
       "<input type=\"checkbox\"", ""},
      {"mail form",
       [&] {
         AnswerPrompt("me@x.org", QDialog::Accepted);
         action("ToolButton17")();
       },
       "<form ", "</form>\r\n"},
      {"character map",
       [&] {
         Press<TfCharacter>("fCharacter", [](TfCharacter& c) {
           c.SpeedButtons[0]->click();
           return c.Button1;
         });
         action("ToolButton5")();
       },
       "&cent;", "&cent;"},
      {"tag library",
       [&] {
         Main().EnsureSidePane();
         Main().TagPage->OnInsert("<p>");
       },
       "<p>", "<p>"},
      {"link",
       [&] {
         Press<TfUrl>("fUrl", [](TfUrl& u) {
           u.Edit2->setText("x.html");
           u.Edit3->setText("X");
           return u.Button1;
         });
         action("ToolButton18")();
       },
       "<a href=\"x.html\">X</a>", "</a>"},
      {"picture",
       [&] {
         Press<TfImage>("fImage", [](TfImage& i) { return i.Button2; });
         InsertImage(Main(), png);
       },
       "<img src=\"x.png\"", "height=\"16\">"},
      {"flash movie",
       [&] {
         prompts.AnswerDialog("fFlash", [](QDialog& d) {
           static_cast<TfFlash&>(d).Edit1->setText("m.swf");
           return int(QDialog::Accepted);
         });
         InsertFlashMovie(*doc);
       },
       "<object classid=", "</object>\r\n"},
      {"fixed text", [&] { doc->InsertFixedText("<hr>"); }, "<hr>", "<hr>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    e->SetLines(before);
    e->SetSelectionMode(smColumn);
    e->SetCaretXY(TPoint{2, 1});
    e->SetBlockBegin(TPoint{2, 1});
    e->SetCaretXY(TPoint{4, 3});
    e->SetBlockEnd(TPoint{4, 3});
    c.run();
    // The block's text is gone as a column, the fragment stands at its
    // top-left corner, every other character stays where it was.
    const QString text = Text(e);
    if (!c.wrapped.isEmpty()) {
      EXPECT_EQ(e->Lines().ToStringList(), c.wrapped);
    } else {
      EXPECT_TRUE(text.startsWith("a" + c.head)) << text.toStdString();
      EXPECT_TRUE(text.endsWith(c.tail + "d\r\ne\r\nil")) << text.toStdString();
      EXPECT_GT(text.size(), QStringLiteral("ad\r\ne\r\nil").size());
    }
    EXPECT_EQ(e->SelectionMode(), smColumn);
    e->Undo();
    EXPECT_EQ(e->Lines().ToStringList(), before);
  }
  // A wrap selects the block's text again between its tags.
  e->SetLines(before);
  e->SetSelectionMode(smColumn);
  e->SetBlockBegin(TPoint{2, 1});
  e->SetBlockEnd(TPoint{3, 1});
  Main().Action("Italic1")->trigger();
  EXPECT_EQ(e->Lines()[0], "a<i>b</i>cd");
  EXPECT_EQ(e->SelText(), "b");
}

TEST_F(InsertCommands, CaretPastTheLineEndEndsBetweenTheTags) {
  TSrcEdit* e = Open("abc\r\n");
  const char* const actions[] = {
      "Bold1",          "Italic1",        "Underline1",     "Center1",        "Left1",          "Right1",
      "ToolButton84",   "HeadingStyle11", "HeadingStyle12", "HeadingStyle13", "HeadingStyle14", "HeadingStyle15",
      "HeadingStyle16", "AlignLeft1",     "AlignCenter1",   "AlignRight1",    "AlignJustify1"};
  const QList<InsertFragments::TWrapTags>& tags = InsertFragments::WrapCommands();
  ASSERT_EQ(tags.size(), 17);
  const QString padded = "abc" + QString(52, u' ');
  // Typing right after the command lands between the tags.
  const auto check = [&](const QString& open, const QString& close) {
    EXPECT_EQ(e->Lines()[0], padded + open + close);
    EXPECT_FALSE(e->SelAvail());
    EXPECT_EQ(e->CaretXY(), (TPoint{56 + static_cast<int>(open.size()), 1}));
    e->ProcessCommand(ecChar, QLatin1Char('x'));
    EXPECT_EQ(e->Lines()[0], padded + open + "x" + close);
  };
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE(actions[i]);
    e->SetLines({"abc"});
    e->SetCaretXY(TPoint{56, 1});
    Main().Action(actions[i])->trigger();
    check(QLatin1String(tags[i].open), QLatin1String(tags[i].close));
  }
  // Text formatting: the same; cancelled, the caret stays where it stood.
  e->SetLines({"abc"});
  e->SetCaretXY(TPoint{56, 1});
  AnswerTextFormat(false);
  Main().Action("ToolButton60")->trigger();
  EXPECT_EQ(e->Lines()[0], "abc");
  EXPECT_EQ(e->CaretXY(), (TPoint{56, 1}));
  AnswerTextFormat(true);
  Main().Action("ToolButton60")->trigger();
  check(kFont, "</font>");
  e->Undo();
  e->Undo();
  EXPECT_EQ(e->Lines().ToStringList(), QStringList{"abc"});

  // Typing far right in an empty document: blanks, as the screen shows.
  TSrcEdit* empty = Main().OpenDocument(false, true, MakeFile("empty.html", ""))->Memo1;
  ASSERT_EQ(empty->TabWidth(), 1);
  empty->SetCaretXY(TPoint{650, 1});
  for (QChar c : QStringLiteral("hello")) empty->ProcessCommand(ecChar, c);
  EXPECT_EQ(empty->Lines().ToStringList(), QStringList{QString(649, u' ') + "hello"});
}

TEST_F(InsertCommands, WrappedLinesStillReplaceTheSelection) {
  // One long line shown as several rows.
  QStringList words;
  for (int i = 0; i < 60; ++i) words << QStringLiteral("w%1").arg(i, 2, 10, QLatin1Char('0'));
  const QString line = words.join(u' ');
  TSrcEdit* e = Open(line.toUtf8() + "\r\n");
  e->SetWordWrap(true);
  ASSERT_GT(e->Lines().Count(), 2);

  // Within the first row: the words are wrapped, not doubled.
  e->SetSelStart(5);
  e->SetSelEnd(12);
  ASSERT_EQ(e->SelText(), QStringLiteral("w01 w02"));
  Main().Action("Bold1")->trigger();
  QString expected = line;
  expected.replace(QStringLiteral("w01 w02"), QStringLiteral("<b>w01 w02</b>"));
  EXPECT_EQ(e->Text(), expected);
  EXPECT_EQ(e->SelText(), QStringLiteral("w01 w02"));

  // On a later row: offsets count the text's characters, not the rows, so
  // the old text is selected again, and typing replaces it.
  const int w41 = static_cast<int>(expected.indexOf(QStringLiteral("w41"))) + 1;
  e->SetSelStart(w41);
  e->SetSelEnd(w41 + 3);
  ASSERT_GT(e->BlockBegin().Y, 1);
  ASSERT_EQ(e->SelText(), QStringLiteral("w41"));
  Main().Action("Italic1")->trigger();
  expected.replace(QStringLiteral("w41"), QStringLiteral("<i>w41</i>"));
  EXPECT_EQ(e->Text(), expected);
  EXPECT_EQ(e->SelStart(), w41 + 3);
  EXPECT_EQ(e->SelText(), QStringLiteral("w41"));
  e->ProcessCommand(ecChar, QLatin1Char('x'));
  expected.replace(QStringLiteral("<i>w41</i>"), QStringLiteral("<i>x</i>"));
  EXPECT_EQ(e->Text(), expected);

  // Across the rows: the fragment takes the selection's place.
  e->SetBlockBegin(TPoint{5, 1});
  e->SetBlockEnd(TPoint{9, 2});
  const QString gone = e->SelText();
  ASSERT_GT(gone.size(), 20);
  Main().Action("ToolButton26")->trigger();
  EXPECT_EQ(e->Text(), expected.replace(gone, QStringLiteral("<br>")));
  for (int i = 0; i < 4; ++i) e->Undo();
  EXPECT_EQ(e->Text(), line);
}

TEST_F(InsertCommands, TextThatTakesNoChangesKeepsTextAndSelection) {
  // While Tidy works on a page its text takes no changes: no insert command
  // asks for anything it could not put in, and the selection stays.
  TSrcEdit* e = Open("abcdef\r\n");
  TChildForm* doc = Main().ActiveDocument();
  const QString png = MakeFile("x.png");
  QImage(4, 4, QImage::Format_RGB32).save(png);
  e->SetSelStart(2);
  e->SetSelEnd(4);
  e->SetReadOnly(true);
  const char* const actions[] = {"Bold1",        "HeadingStyle12", "AlignJustify1", "ToolButton26", "ToolButton14",
                                 "ToolButton31", "ToolButton60",   "Table1",        "ToolButton51", "ToolButton50",
                                 "ToolButton27", "ToolButton30",   "ToolButton32",  "ToolButton5",  "ToolButton29",
                                 "ToolButton63", "ToolButton17",   "ToolButton18"};
  for (const char* name : actions) {
    SCOPED_TRACE(name);
    Main().Action(name)->trigger();
    EXPECT_EQ(Text(e), QStringLiteral("abcdef"));
    EXPECT_EQ(e->SelText(), QStringLiteral("bc"));
  }
  InsertImage(Main(), png);
  InsertFlashMovie(*doc);
  EXPECT_EQ(Text(e), QStringLiteral("abcdef"));
  EXPECT_EQ(prompts.Dialogs(), QStringList());
}

TEST_F(InsertCommands, HeadingCaptionsInEnglish) {
  WriteFileBytes(root + "Language Modules/test.lms",
                 ReadFileBytes(QStringLiteral(KV_SOURCE_DIR "/data/Language Modules/english.lms")));
  LoadLanguageModule();
  for (int level = 1; level <= 6; ++level)
    EXPECT_EQ(Main().Action(QStringLiteral("HeadingStyle1%1").arg(level))->text(),
              QStringLiteral("Heading Style %1").arg(level));
}

}  // namespace
