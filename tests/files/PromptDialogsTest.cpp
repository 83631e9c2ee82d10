#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "files/FrDirectoryTree.h"
#include "files/PromptDialogs.h"
#include "tests/files/FilesFixture.h"

class Dialogs : public FilesFixture {};

TEST_F(Dialogs, PromptReturnsItsTextAndOkFlag) {
  struct Case {
    std::function<int(QDialog&)> answer;
    bool ok;
    QString text;
  } cases[] = {
      {[](QDialog& d) {
         static_cast<TfDosPrompt&>(d).Button1->click();
         return 1;
       },
       true, "prefilled"},
      {[](QDialog& d) {
         auto& p = static_cast<TfDosPrompt&>(d);
         p.Edit1->setText("typed");
         p.Button1->click();
         return 1;
       },
       true, "typed"},
      {[](QDialog& d) {
         static_cast<TfDosPrompt&>(d).Button2->click();
         return 0;
       },
       false, "prefilled"},
      {[](QDialog& d) {
         d.close();
         return 0;
       },
       false, "prefilled"},  // the window's close button
  };
  for (const Case& c : cases) {
    prompts.AnswerDialog("fDosPrompt", c.answer);
    TfDosPrompt prompt;
    prompt.Setup(LangText("GLineTo"), "Line:", "prefilled");
    EXPECT_EQ(prompt.Execute(), c.ok);
    EXPECT_EQ(prompt.Text(), c.text);
    EXPECT_EQ(prompt.windowTitle(), "Go to line");
    EXPECT_EQ(prompt.Button1->text(), "OK");
    EXPECT_EQ(prompt.Button2->text(), "Cancel");
  }
}

TEST_F(Dialogs, FolderChooserStartsAtTheCurrentFolder) {
  prompts.AnswerDialog("fSelDir", [](QDialog& d) {
    static_cast<TfSelDir&>(d).Button1->click();
    return 1;
  });
  TfSelDir sel;
  EXPECT_EQ(sel.windowTitle(), "Select destination directory ...");
  EXPECT_TRUE(sel.Execute());
  EXPECT_EQ(sel.FrDirectoryTree1->GetDirectory(), QDir::currentPath());
  EXPECT_TRUE(sel.Panel1->isHidden());
  EXPECT_FALSE(sel.FrDirectoryTree1->HideSelection());
}

TEST_F(Dialogs, CreateFolderMakesOneLevelAndRefusesUnfitNames) {
  Make({"site/", "site/old/"});
  TFrDirectoryTree tree;
  TfFolder dialog(&tree);
  dialog.SetParentFolder(root + "/site");
  EXPECT_EQ(dialog.windowTitle(), "Create New Folder");
  EXPECT_EQ(dialog.StatusText->text(), "Create a folder in: " + root + "/site");
  const QString bad = "Enter the name of one new folder: not empty, \".\", \"..\" or holding \"/\".";
  struct Case {
    QString name;
    QString message;
  } refused[] = {{"", bad},
                 {"  ", bad},
                 {".", bad},
                 {"..", bad},
                 {"/", bad},
                 {"../x", bad},
                 {"old", "This folder already exists: " + root + "/site/old"}};
  for (const Case& c : refused) {
    dialog.Edit2->setText(c.name);
    EXPECT_FALSE(dialog.CreateFolder()) << c.name.toStdString();
    EXPECT_EQ(Messages().last(), c.message);
    EXPECT_EQ(dialog.Edit2->text(), c.name);  // the dialog stays as it was
  }
  EXPECT_EQ(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"site"});

  prompts.AnswerDialog("fFolder", [](QDialog& d) {
    auto& f = static_cast<TfFolder&>(d);
    f.Edit2->setText("new one");
    f.Button6->click();
    return d.result();
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_TRUE(QFileInfo(root + "/site/new one").isDir());
  EXPECT_EQ(tree.GetDirectory(), root + "/site/new one");
  EXPECT_EQ(dialog.Edit2->text(), "");
}
