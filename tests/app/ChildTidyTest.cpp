#include "app/Child.h"

#include "authoring/tidy.h"
#include "tests/app/AppFixture.h"

#include <QListWidget>

namespace {

class ChildTidy : public AppFixture {
 protected:
  std::unique_ptr<TChildForm> Form() {
    auto form = std::make_unique<TChildForm>();
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    return form;
  }
  static QStringList Reports(const TChildForm& f) {
    QStringList out;
    for (int i = 0; i < f.Memo2->count(); ++i) out << f.Memo2->item(i)->text();
    return out;
  }
};

TEST_F(ChildTidy, ReportLines) {
  auto f = Form();
  const struct {
    int level;
    const char* expected;
  } cases[] = {
      {trlInfo, "InformMsg1Lib: m %s"},      {trlWarning, "3:14 HT_Warning: m %s"},
      {trlAccess, "3:14 HTAccess: m %s"},    {trlError, "3:14 ErrorMsg1Lib: m %s"},
      {trlBadDocument, "HtBadDoc: m %s"},    {trlFatal, "HtFatal: m %s"},
      {7, "m %s"},
  };
  for (const auto& c : cases) {
    f->Memo2->clear();
    f->Tidy1Report(c.level, 3, 14, QStringLiteral("m %s"));
    f->Tidy1Report(c.level, 3, 14, QStringLiteral("m %s"));  // the same report twice is listed once
    EXPECT_EQ(Reports(*f), QStringList{QLatin1String(c.expected)}) << c.level;
  }
}

TEST_F(ChildTidy, CheckRepairForce) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>x"));
  f->CheckHTMLExecute();
  EXPECT_EQ(f->Memo1->Text(), "<p>x");
  EXPECT_TRUE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration")) << Reports(*f).join('\n').toStdString();

  f->RepairExecute();
  const QString repaired = f->Memo1->Text();
  EXPECT_TRUE(repaired.contains(QLatin1String("<html>")) && repaired.contains(QLatin1String("<p>x</p>")));
  EXPECT_FALSE(Reports(*f).contains("1:1 HT_Warning: missing <!DOCTYPE> declaration"));  // checked again
  f->Memo1->Undo();  // one change
  EXPECT_EQ(f->Memo1->Text(), "<p>x");

  f->Memo1->SetText(QStringLiteral("plain words"));
  f->RepairExecute();
  EXPECT_TRUE(f->Memo1->Text().contains(QLatin1String("plain words")));

  f->Memo1->SetText(QStringLiteral("<p>a</p>"));
  f->ForceExecute();
  EXPECT_TRUE(f->Memo1->Text().contains(QLatin1String("<body>")));
  EXPECT_FALSE(f->Tidy1->ForceOutput());
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(ChildTidy, NoOutputKeepsTheTextAndConfigReportsComeOnce) {
  WriteFileBytes(root + QStringLiteral("tidyconfig.ini"), "markup: no\nno-such-option: 1\nother-unknown: 2\n");
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("<p>keep me"));
  const auto run = [&](const char* name) {
    for (QAction* a : f->findChildren<QAction*>(QLatin1String(name))) a->trigger();
  };
  run("HT_Force");
  EXPECT_EQ(f->Memo1->Text(), "<p>keep me");
  run("HT_Repair");
  EXPECT_EQ(f->Memo1->Text(), "<p>keep me");
  QStringList texts;
  for (const auto& m : prompts.Messages()) texts << m.text;
  // The configuration's faults come once, together, after the first command.
  ASSERT_EQ(texts.size(), 3) << texts.join('|').toStdString();
  EXPECT_EQ(texts[0], "HTMLTidyCannotFix");
  EXPECT_TRUE(texts[1].contains("no-such-option") && texts[1].contains("other-unknown")) << texts[1].toStdString();
  EXPECT_EQ(texts[2], "HTMLTidyCannotFix");
}

TEST_F(ChildTidy, CommandsShowTheirReports) {
  auto f = Form();
  QAction* panel = f->findChild<QAction*>(QStringLiteral("ToolButton20"));
  ASSERT_TRUE(panel);
  for (const char* name : {"HT_Check", "HT_Repair", "HT_Force"}) {
    panel->setChecked(false);
    ASSERT_TRUE(f->TidyPanel->isHidden());
    f->Memo1->SetText(QStringLiteral("<p>x"));
    f->findChild<QAction*>(QLatin1String(name))->trigger();
    EXPECT_FALSE(Reports(*f).isEmpty()) << name;
    EXPECT_FALSE(f->TidyPanel->isHidden()) << name;
    EXPECT_TRUE(panel->isChecked()) << name;
    EXPECT_TRUE(Ini().ReadBool("HTMLTidy", "Enabled", false)) << name;
  }
}

TEST_F(ChildTidy, DoubleClickGoesToTheLine) {
  auto f = Form();
  f->Memo1->SetText(QStringLiteral("a\nb\nc"));
  for (const char* line : {"InformMsg1Lib: x", "no number: x", "2:5 HT_Warning: y"}) f->Memo2->addItem(line);
  for (int i = 0; i < 3; ++i) {
    f->Memo2->setCurrentRow(i);
    f->Memo2DblClick();
    EXPECT_EQ(f->HighlightLine, i < 2 ? -1 : 2);
  }
  EXPECT_EQ(f->Memo1->CaretY(), 2);
}

}  // namespace
