// Tests of the document manager (app/sidepane/DocumentManager.cpp) and the
// template editor (TemplateEditor.cpp).
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/sidepane/DocumentManager.h"
#include "app/sidepane/TemplateEditor.h"
#include "files/FrListView.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"

namespace {

class DocumentManager : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module = ReadFileBytes(root + "Language Modules/test.lms");
    module += QByteArray("NotRegularFile").leftJustified(20, ' ') + "NotRegularFile\r\n";
    WriteFileBytes(root + "Language Modules/test.lms", module);
    LoadLanguageModule();
  }
  QString Folder() const { return root + "MyDocuments/"; }
  // The template editor is confirmed with `name` and `lines`; `edit` may
  // change it before.
  void AnswerEditor(const QString& name, const QStringList& lines,
                    std::function<void(TfMyDocumentsCreator&)> edit = {}) {
    prompts.AnswerDialog("fMyDocumentsCreator", [=](QDialog& d) {
      auto& editor = static_cast<TfMyDocumentsCreator&>(d);
      if (editor.Edit1->isEnabled()) editor.Edit1->setText(name);
      if (!lines.isEmpty()) editor.Memo1->SetLines(lines);
      if (edit) edit(editor);
      editor.Button2->click();
      return d.result();
    });
  }
  void WriteIndex(const QByteArray& bytes) {
    QDir().mkpath(Folder());
    WriteFileBytes(Folder() + "index.dat", bytes);
  }
  QByteArray Index() const { return ReadFileBytes(Folder() + "index.dat"); }
  QStringList Captions(const TfDocumentManager& m) const {
    QStringList captions;
    for (int i = 0; i < m.FrListView2->topLevelItemCount(); ++i) captions << m.FrListView2->topLevelItem(i)->text(0);
    return captions;
  }
};

TEST_F(DocumentManager, IndexLinesSplitAtTheirLastDollar) {
  struct Case {
    QString line, path, kind, name;
  } cases[] = {
      {"/srv/my$site/MyDocuments/Home.mds$.php", "/srv/my$site/MyDocuments/Home.mds", ".php", "Home"},
      {" /t/Price$list.mds $ .html ", "/t/Price$list.mds", ".html", "Price$list"},
      {"/t/a.b.mds$.css", "/t/a.b.mds", ".css", "a.b"},
      {"no dollar sign", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UserTemplates::Split(c.line).path, c.path) << c.line.toStdString();
    EXPECT_EQ(UserTemplates::Split(c.line).kind, c.kind) << c.line.toStdString();
    EXPECT_EQ(UserTemplates::DisplayName(c.line), c.name) << c.line.toStdString();
  }
}

TEST_F(DocumentManager, FreshInstallFirstTemplateMakesFolderAndIndex) {
  Ini().WriteBool("Show", "DocMan?", true);
  TfDocumentManager manager;
  EXPECT_TRUE(manager.CheckBox1->isChecked());
  manager.CheckBox1->click();
  EXPECT_FALSE(Ini().ReadBool("Show", "DocMan?", true));
  EXPECT_EQ(manager.windowTitle(), "DocCap");
  EXPECT_EQ(manager.PageControl1->tabText(1), "DocCapTab2");
  EXPECT_EQ(manager.FrListView1->topLevelItemCount(), 5);
  EXPECT_EQ(manager.FrListView2->topLevelItemCount(), 0);
  AnswerEditor("Home", {"<p>home</p>"});
  manager.NewTemplate();
  EXPECT_EQ(Index(), (Folder() + "Home.mds$.html\r\n").toUtf8());
  EXPECT_EQ(ReadFileBytes(Folder() + "Home.mds"), "<p>home</p>\r\n");
  EXPECT_EQ(Captions(manager), QStringList{"Home"});
  // Cancel writes nothing.
  prompts.AnswerDialog("fMyDocumentsCreator", [](QDialog& d) {
    static_cast<TfMyDocumentsCreator&>(d).Button3->click();
    return d.result();
  });
  manager.NewTemplate();
  EXPECT_EQ(Index(), (Folder() + "Home.mds$.html\r\n").toUtf8());
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(DocumentManager, OverwriteAfterYesKeepsOneLineAndItsKind) {
  WriteIndex((Folder() + "Home.mds$.php\r\n").toUtf8());
  WriteFileBytes(Folder() + "Home.mds", "old\r\n");
  TfDocumentManager manager;
  prompts.Answer("Home FileExists2", 6);
  AnswerEditor("Home", {"new"});
  manager.NewTemplate();
  EXPECT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].kind, 10);
  EXPECT_EQ(ReadFileBytes(Folder() + "Home.mds"), "new\r\n");
  EXPECT_EQ(Index(), (Folder() + "Home.mds$.php\r\n").toUtf8());
}

TEST_F(DocumentManager, TemplateNamesThatLeaveTheFolderAreRefused) {
  QDir().mkpath(Folder());
  WriteFileBytes(Folder() + "Taken.mds", "x");
  struct Case {
    QString name;
    QString message;  // empty: the name box only turns red
  } cases[] = {{"", ""},
               {"../evil", "TplNameBad"},
               {"a/b", "TplNameBad"},
               {"a\\b", "TplNameBad"},
               {".", "TplNameBad"},
               {"..", "TplNameBad"},
               {"  ", "TplNameBad"},
               {"Taken", "Taken FileExists2"}};
  for (const Case& c : cases) {
    TScriptedPrompts answers;
    TPromptsScope scope(answers);
    TfMyDocumentsCreator editor(Folder());
    editor.Edit1->setText(c.name);
    editor.Button2Click();
    EXPECT_FALSE(editor.Ok) << c.name.toStdString();
    EXPECT_EQ(answers.Messages().isEmpty() ? QString() : answers.Messages()[0].text, c.message);
  }
  TfMyDocumentsCreator editor(Folder());
  editor.Edit1->setText("Fine name");
  editor.Button2Click();
  EXPECT_TRUE(editor.Ok);
  EXPECT_FALSE(editor.Exists);
}

TEST_F(DocumentManager, EditKeepsOrChangesTheKindOfItsOwnLine) {
  // The second line names a template outside the program folder (an older
  // installation): its own line and file are the ones edited.
  QDir().mkpath(root + "old");
  WriteIndex((Folder() + "Page.mds$.html\r\n" + root + "old/Menu.mds$.php\r\n").toUtf8());
  WriteFileBytes(Folder() + "Page.mds", "<p>page</p>\r\n");
  WriteFileBytes(root + "old/Menu.mds", "<?php menu(); ?>\r\n");
  TfDocumentManager manager;
  manager.FrListView2->setCurrentItem(manager.FrListView2->topLevelItem(0));
  QString loaded;
  AnswerEditor("", {}, [&loaded](TfMyDocumentsCreator& e) {
    loaded = e.Memo1->Lines().ToStringList().join('\n') + "|" + e.Edit1->text() + "|" + e.TemplateExt;
    e.HighLighterPopUp->actions()[1]->trigger();  // PHP
  });
  manager.EditTemplate();
  EXPECT_EQ(loaded, "<p>page</p>|Page|.html");
  EXPECT_EQ(Index(), (Folder() + "Page.mds$.php\r\n" + root + "old/Menu.mds$.php\r\n").toUtf8());

  // Without highlighting by extension the design highlighter shows, and the
  // template stays of its kind.
  Ini().WriteBool("SHigh", "Enabled", false);
  manager.FrListView2->setCurrentItem(manager.FrListView2->topLevelItem(1));
  QString highlighter;
  AnswerEditor("", {"<?php menu(2); ?>"},
               [&highlighter](TfMyDocumentsCreator& e) { highlighter = e.CheckedHighlighter() + e.TemplateExt; });
  manager.EditTemplate();
  EXPECT_EQ(highlighter, "HTML.php");
  EXPECT_EQ(ReadFileBytes(root + "old/Menu.mds"), "<?php menu(2); ?>\r\n");
  EXPECT_EQ(Index(), (Folder() + "Page.mds$.php\r\n" + root + "old/Menu.mds$.php\r\n").toUtf8());
  EXPECT_FALSE(QFileInfo::exists(Folder() + "Menu.mds"));
}

// A template, or a file to insert into one, that turns out to be a pipe or a
// link to a device is refused at once in the module's words naming it; the
// text in the editor stays as it was.
TEST_F(DocumentManager, APipeOrDeviceIsRefusedAtOnce) {
  TFifoWatch fifos;
  QDir().mkpath(Folder());
  const QString pipe = Folder() + "Pipe.mds";
  ASSERT_TRUE(fifos.Make(pipe));
  const QString toNull = root + "to-null.txt";
  if (const std::string why = MakeDeviceNode(root + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(root + "null", toNull));
  WriteIndex((pipe + "$.html\r\n").toUtf8());
  TfDocumentManager manager;
  manager.FrListView2->setCurrentItem(manager.FrListView2->topLevelItem(0));
  prompts.AnswerDialog("fMyDocumentsCreator", [](QDialog&) {
    ADD_FAILURE() << "the editor opened";
    return 0;
  });
  manager.EditTemplate();
  ASSERT_FALSE(prompts.Messages().isEmpty());
  EXPECT_EQ(prompts.Messages().last().text, pipe + " NotRegularFile");

  TfMyDocumentsCreator editor(Folder());
  editor.Memo1->SetLines({"keep"});
  for (const QString& path : {pipe, toNull}) {
    AnswerFileDialog("OpenDialog1", {path});
    editor.SpeedButton1Click();
    ASSERT_FALSE(prompts.Messages().isEmpty());
    EXPECT_EQ(prompts.Messages().last().text, path + " NotRegularFile");
  }
  EXPECT_EQ(prompts.Messages().size(), 3);
  EXPECT_EQ(editor.Memo1->Lines().ToStringList(), QStringList({"keep"}));
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(EntryKind(toNull), 'l');
}

TEST_F(DocumentManager, DeleteRemovesTheSelectedLineAndItsFile) {
  QDir().mkpath(root + "old");
  WriteIndex((Folder() + "A.mds$.html\r\n" + root + "old/B.mds$.css\r\nbroken line\r\n").toUtf8());
  WriteFileBytes(Folder() + "A.mds", "a");
  WriteFileBytes(root + "old/B.mds", "b");
  TfDocumentManager manager;
  EXPECT_EQ(Captions(manager), (QStringList{"A", "B", ""}));
  manager.FrListView2->setCurrentItem(manager.FrListView2->topLevelItem(1));
  prompts.Answer("DelFile1 [ B ] DelFile2", 7);
  manager.DeleteTemplate();
  EXPECT_TRUE(QFileInfo::exists(root + "old/B.mds"));
  prompts.Answer("DelFile1 [ B ] DelFile2", 6);
  manager.FrListView2->setCurrentItem(manager.FrListView2->topLevelItem(1));
  manager.DeleteTemplate();
  EXPECT_FALSE(QFileInfo::exists(root + "old/B.mds"));
  EXPECT_TRUE(QFileInfo::exists(Folder() + "A.mds"));
  EXPECT_EQ(Index(), (Folder() + "A.mds$.html\r\nbroken line\r\n").toUtf8());
  EXPECT_EQ(Captions(manager), (QStringList{"A", ""}));
}

TEST_F(DocumentManager, DoubleClickCreatesDocuments) {
  WriteIndex((Folder() + "Snip.mds$.php\r\nno dollar\r\n").toUtf8());
  WriteFileBytes(Folder() + "Snip.mds", "<?php echo 1; ?>\r\n");
  TfDocumentManager manager(&Main());
  manager.OpenStandard(0);
  ASSERT_NE(Main().ActiveDocument(), nullptr);
  EXPECT_EQ(Main().ActiveDocument()->Memo1->Text(), "");
  EXPECT_EQ(Main().ActiveDocument()->CheckedHighlighter(), "HTML");
  manager.OpenStandard(2);
  EXPECT_EQ(Main().ActiveDocument()->CheckedHighlighter(), "PHP");
  manager.OpenUserTemplate(0);
  EXPECT_EQ(Main().Documents().size(), 3);
  EXPECT_EQ(Main().ActiveDocument()->Memo1->Lines().ToStringList(), QStringList{"<?php echo 1; ?>"});
  EXPECT_EQ(Main().ActiveDocument()->CheckedHighlighter(), "PHP");
  manager.OpenUserTemplate(1);  // a line without a template
  EXPECT_EQ(Main().Documents().size(), 3);
}

TEST_F(DocumentManager, TemplateEditorHighlighterStatusAndGoToLine) {
  TfMyDocumentsCreator editor(Folder());
  EXPECT_EQ(editor.windowTitle(), "DocCap - ChildEDTBSH");
  EXPECT_EQ(editor.Panels[0]->text(), "Ln:     1, Col:  1");
  struct Ext {
    const char* name;
    const char* code;
    const char* kind;
  } exts[] = {{"a.xslt", "XML", ".xml"}, {"a.inc", "PHP", ".php"}, {"a.txt", "HTML", ".html"}};
  for (const Ext& e : exts) {
    editor.SetHighlighterByExt(e.name);
    EXPECT_EQ(editor.CheckedHighlighter() + editor.TemplateExt, QString(e.code) + e.kind) << e.name;
  }

  editor.Memo1->SetLines({"one", "two", "three"});
  QTest::keyClick(editor.Memo1, Qt::Key_Down, Qt::ShiftModifier);  // "one" selected, gone from below
  struct Go {
    const char* text;
    QString message;
    int line;
  } goes[] = {{"0", "NoLines 0 NoLines2", -1}, {"abc", "ONummie", -1}, {"4", "NoLines 4 NoLines2", -1}, {"2", "", 2}};
  for (const Go& g : goes) {
    TScriptedPrompts answers;
    TPromptsScope scope(answers);
    answers.AnswerDialog("fDosPrompt", [&g](QDialog& d) {
      static_cast<QInputDialog&>(d).setTextValue(g.text);
      return int(QDialog::Accepted);
    });
    editor.HighlightLine = -1;
    editor.GotoLine1Click();
    EXPECT_EQ(answers.Messages().size(), g.message.isEmpty() ? 0 : 1) << g.text;
    if (!g.message.isEmpty()) {
      EXPECT_EQ(answers.Messages()[0].text, g.message);
    }
    EXPECT_EQ(editor.HighlightLine, g.line) << g.text;
  }
  EXPECT_EQ(editor.Memo1->CaretY(), 2);
  EXPECT_FALSE(editor.Memo1->SelAvail());
}

TEST_F(DocumentManager, TemplateEditorHasTheDocumentKeys) {
  TfMyDocumentsCreator editor(Folder());
  TSrcEditKeyStrokes documentKeys;
  documentKeys.SetDocumentDefaults();
  const TSrcEditKeyStrokes& keys = editor.Memo1->Keystrokes();
  ASSERT_EQ(keys.Count(), documentKeys.Count());
  for (int i = 0; i < keys.Count(); ++i) {
    EXPECT_EQ(keys.Item(i).Command(), documentKeys.Item(i).Command()) << i;
    EXPECT_EQ(keys.Item(i).GetShortCut(), documentKeys.Item(i).GetShortCut()) << i;
  }
  // As typed: Ctrl+Z undoes, Ctrl+Shift+Z redoes, Alt+Backspace is no key
  // here, Ctrl+Y deletes the line.
  TSrcEdit& memo = *editor.Memo1;
  memo.SetLines({"one", "two"});
  QTest::keyClicks(&memo, QStringLiteral("x"));
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"one", "two"}));
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"xone", "two"}));
  QTest::keyClick(&memo, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"xone", "two"}));
  QTest::keyClick(&memo, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(memo.Lines().ToStringList(), QStringList({"two"}));
}

}  // namespace
