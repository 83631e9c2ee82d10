// Tests of the search dialogs (app/dialogs/SearchDialogs.cpp).
#include <QComboBox>

#include "app/dialogs/SearchDialogs.h"
#include "tests/app/AppFixture.h"

namespace {

using namespace SearchReplace;

TEST(SearchHistory, NewestOnTopOnceAndTenHandedBack) {
  EXPECT_EQ(AddToHistory({"a", "b", "c"}, "b"), QStringList({"b", "a", "c"}));
  EXPECT_EQ(AddToHistory({"a"}, ""), QStringList({"a"}));
  EXPECT_EQ(AddToHistory({}, "x"), QStringList({"x"}));
  QStringList twelve;
  for (int i = 1; i <= 12; ++i) twelve << QString::number(i);
  EXPECT_EQ(HistoryText(twelve), QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10"));
  EXPECT_EQ(HistoryItems(HistoryText({"a b", "c"})), QStringList({"a b", "c"}));
  EXPECT_EQ(HistoryItems(""), QStringList());
}

TEST(SearchHistory, ReplaceQuestionTakesTheTextLiterally) {
  EXPECT_EQ(ReplaceQuestion("Replace %s? (100%d, %s)", "a%sb%n"), QStringLiteral("Replace a%sb%n? (100%d, %s)"));
  EXPECT_EQ(ReplaceQuestion("Replace it?", "x"), QStringLiteral("Replace it?"));
}

TEST(ConfirmReplace, Placement) {
  const QSize dialog(328, 98);
  struct Case {
    const char* name;
    QRect editor;
    int x, y2, y;
    QPoint expected;
  };
  const Case cases[] = {
      {"narrow editor: centred", {100, 50, 300, 600}, 150, 80, 64, {86, 84}},
      {"odd difference truncated", {100, 50, 301, 600}, 150, 80, 64, {87, 84}},
      {"as wide as the dialog", {10, 0, 328, 600}, 40, 30, 14, {10, 34}},
      {"wide editor: at the match", {0, 0, 800, 600}, 200, 30, 14, {200, 34}},
      {"clamped to the right edge", {0, 0, 800, 600}, 700, 30, 14, {472, 34}},
      {"low match: above", {0, 0, 800, 600}, 0, 401, 385, {0, 283}},
      {"at two thirds: below", {0, 0, 800, 600}, 0, 400, 384, {0, 404}},
      {"two thirds rounded up", {0, 0, 800, 100}, 0, 67, 51, {0, 71}},
      {"past the rounded two thirds", {0, 0, 800, 100}, 0, 68, 52, {0, -50}},
  };
  for (const Case& c : cases) EXPECT_EQ(ConfirmPlacement(c.editor, c.x, c.y2, c.y, dialog), c.expected) << c.name;
}

class SearchDialogs : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    State() = TSearchState();
  }
  void TearDown() override {
    State() = TSearchState();
    AppFixture::TearDown();
  }
  TChildForm* Open(const QByteArray& text) { return Main().OpenDocument(false, true, MakeFile("page.html", text)); }
  // Answers the search (or replace) dialog with these texts and options.
  void AnswerSearch(const QString& search, const QString& replace = QString(), bool backwards = false,
                    bool fromCaret = false) {
    const auto answer = [=](QDialog& d) {
      auto& s = static_cast<TTextSearchDialog&>(d);
      s.SetSearchText(search);
      s.SetSearchBackwards(backwards);
      s.SetSearchFromCursor(fromCaret);
      if (auto* r = dynamic_cast<TTextReplaceDialog*>(&s)) r->SetReplaceText(replace);
      s.accept();
      return s.result();
    };
    prompts.AnswerDialog("TextSearchDialog", answer);
    prompts.AnswerDialog("TextReplaceDialog", answer);
  }
  // Answers the confirmations in turn.
  void AnswerConfirmations(QList<int> answers) {
    prompts.AnswerDialog("ConfirmReplaceDialog",
                         [answers](QDialog&) mutable { return answers.isEmpty() ? 0 : answers.takeFirst(); });
  }
  QString Selected(TChildForm* doc) {
    const TPoint b = doc->Memo1->BlockBegin();
    return QStringLiteral("%1,%2 %3").arg(b.X).arg(b.Y).arg(doc->Memo1->SelText());
  }
  int Confirmations() { return static_cast<int>(prompts.Dialogs().count("ConfirmReplaceDialog")); }
};

TEST_F(SearchDialogs, FirstSearchCoversAllThenFindNextGoesOn) {
  TChildForm* doc = Open("abc abc\r\nabc\r\n");
  doc->Memo1->SetCaretXY(TPoint{4, 2});
  AnswerSearch("abc");
  Main().Action("Search1")->trigger();
  EXPECT_EQ(Selected(doc), QStringLiteral("1,1 abc"));  // the whole text, not from the caret
  Main().Action("FindNext")->trigger();
  EXPECT_EQ(Selected(doc), QStringLiteral("5,1 abc"));
  Main().Action("FindNext")->trigger();
  EXPECT_EQ(Selected(doc), QStringLiteral("1,2 abc"));
  EXPECT_TRUE(prompts.Messages().isEmpty());
  // Nothing more: the notice, and the selection collapses at its end.
  Main().Action("FindNext")->trigger();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, QStringLiteral("STextNotFound"));
  EXPECT_EQ(prompts.Messages()[0].kind, 0);
  EXPECT_FALSE(doc->Memo1->SelAvail());
  EXPECT_EQ(doc->Memo1->CaretXY(), (TPoint{4, 2}));
  // Backwards from the top: nothing, and the selection collapses at its start.
  doc->Memo1->SetCaretXY(TPoint{1, 1});
  doc->Memo1->SetBlockBegin(TPoint{1, 1});
  doc->Memo1->SetBlockEnd(TPoint{3, 1});
  Main().Action("FindPrevious")->trigger();
  EXPECT_EQ(prompts.Messages().size(), 2);
  EXPECT_EQ(doc->Memo1->BlockEnd(), (TPoint{1, 1}));

  // A search text holding a line break is refused and not kept.
  AnswerSearch("abc\nabc");
  Main().Action("Search1")->trigger();
  EXPECT_EQ(prompts.Messages().last().text, QStringLiteral("SearchLineBreak"));
  EXPECT_EQ(State().SearchText, QStringLiteral("abc"));
  EXPECT_EQ(State().SearchTextHistory, QStringLiteral("abc"));
}

TEST_F(SearchDialogs, ReplaceAnswers) {
  struct Case {
    const char* name;
    QList<int> answers;
    QString text;
    int asked;
  };
  const Case cases[] = {
      {"replace, skip, replace all", {6, 7, 10}, "X a X X X", 3},
      {"cancel stops", {6, 2}, "X a a a a", 2},
      {"closed box cancels", {0}, "a a a a a", 1},
  };
  for (const Case& c : cases) {
    TChildForm* doc = Open("a a a a a\r\n");
    AnswerSearch("a", "X");
    AnswerConfirmations(c.answers);
    const int before = Confirmations();
    Main().Action("SearchReplace")->trigger();
    EXPECT_EQ(doc->Memo1->Lines()[0], c.text) << c.name;
    EXPECT_EQ(Confirmations() - before, c.asked) << c.name;
    EXPECT_EQ(ConfirmReplaceDialog, nullptr) << c.name;  // freed after the run
  }
  // Replacing a text by itself asks nothing and changes nothing.
  TChildForm* doc = Open("a a\r\n");
  const int before = Confirmations();
  AnswerSearch("a", "a");
  Main().Action("SearchReplace")->trigger();
  EXPECT_EQ(Confirmations(), before);
  EXPECT_FALSE(doc->Modified);
}

TEST_F(SearchDialogs, StateAndHistorySharedByAllWindows) {
  TChildForm* first = Open("one two\r\n");
  AnswerSearch("two", "2");
  Main().Action("Search1")->trigger();
  AnswerSearch("one");
  Main().Action("Search1")->trigger();
  AnswerSearch("two");
  Main().Action("Search1")->trigger();
  EXPECT_EQ(State().SearchTextHistory, QStringLiteral("two\r\none"));
  EXPECT_EQ(Selected(first), QStringLiteral("5,1 two"));

  // Another window searches with the same text; its first run covers all.
  TChildForm* second = Main().OpenDocument(false, true, MakeFile("other.html", "two two\r\n"));
  second->Memo1->SetCaretXY(TPoint{9, 1});
  Main().Action("FindNext")->trigger();
  EXPECT_EQ(Selected(second), QStringLiteral("1,1 two"));
  // The dialog opens with the shared state and its history.
  prompts.AnswerDialog("TextReplaceDialog", [](QDialog& d) {
    auto& r = static_cast<TTextReplaceDialog&>(d);
    EXPECT_EQ(r.SearchText(), QStringLiteral("two"));
    EXPECT_EQ(r.cbSearchText->count(), 2);
    EXPECT_EQ(r.windowTitle(), QString());  // "cpRepDialog" is not in the test module
    return int(QDialog::Rejected);
  });
  Main().Action("SearchReplace")->trigger();
}

}  // namespace
