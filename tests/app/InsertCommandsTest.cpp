#include "app/Frame.h"
#include "tests/app/AppFixture.h"

#include <QColorDialog>
#include <QInputDialog>

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
};

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
  EXPECT_EQ(e->Lines().ToStringList(), QStringList({"one<script language=\"javascript\">", "  alert(\"Hi\");",
                                                    "</script>", "", "two", "three"}));
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

}  // namespace
