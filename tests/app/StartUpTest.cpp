#include "app/StartUp.h"

#include "tests/app/AppFixture.h"

#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>

namespace {

class StartUpTest : public AppFixture {
 protected:
  // Runs the start-up with `arguments` and keeps the main window.
  TfMain& Start(const QStringList& arguments) {
    main.reset(StartUp(arguments));
    return *main;
  }
};

TEST_F(StartUpTest, EmptySettingsAskForTheLanguageModule) {
  QFile::remove(Settings::FileName());
  WriteFileBytes(Settings::FileName(), "");
  prompts.AnswerDialog("fFirstTimeSettings", [](QDialog& d) {
    auto& dialog = static_cast<TfFirstTimeSettings&>(d);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("First Time Settings"));
    const QList<QListWidgetItem*> items = dialog.FrFileListBox1->findItems("english.lms", Qt::MatchExactly);
    EXPECT_EQ(dialog.FrFileListBox1->count(), 2);  // english.lms and test.lms
    dialog.FrFileListBox1->setCurrentItem(items.value(0));
    dialog.SpeedButton1->click();
    return dialog.result();
  });
  TfMain& m = Start({});
  EXPECT_EQ(prompts.Dialogs(), QStringList({"fFirstTimeSettings"}));
  EXPECT_EQ(Ini().ReadString("TranslationModule", "Path", ""), root + "Language Modules/english.lms");
  EXPECT_EQ(m.ReleaseKind, QStringLiteral("STABLE"));
  EXPECT_EQ(m.windowTitle(), ProductTitle);
  EXPECT_TRUE(m.isMaximized());
}

TEST_F(StartUpTest, OkWithNothingChosenTakesTheEnglishModule) {
  WriteFileBytes(Settings::FileName(), "[TranslationModule]\nPath=\n");
  prompts.AnswerDialog("fFirstTimeSettings", [](QDialog& d) {
    static_cast<TfFirstTimeSettings&>(d).SpeedButton1->click();
    return d.result();
  });
  Start({});
  EXPECT_EQ(Ini().ReadString("TranslationModule", "Path", ""), root + "Language Modules/english.lms");
}

TEST_F(StartUpTest, OneArgumentOpensTheFile) {
  const QString page = MakeFile("page.html");
  TfMain& m = Start({page});
  ASSERT_EQ(m.Documents().size(), 1);
  EXPECT_EQ(m.Documents()[0]->Caption(), page);
  EXPECT_TRUE(m.isMaximized());
}

TEST_F(StartUpTest, OtherArgumentCountsOpenNothing) {
  TfMain& m = Start({MakeFile("a.html"), MakeFile("b.html")});
  EXPECT_TRUE(m.Documents().isEmpty());
  EXPECT_TRUE(m.isMaximized());
}

TEST_F(StartUpTest, DirectoriesAndDevicesAreRefused) {
  QDir().mkpath(root + "docs");
  TfMain& m = Start({root + "docs"});
  EXPECT_TRUE(m.Documents().isEmpty());
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_TRUE(prompts.Messages()[0].text.contains(root + "docs"));
  m.WMOpenParamFile("/dev/zero");
  EXPECT_TRUE(m.Documents().isEmpty());
}

TEST_F(StartUpTest, UpperCaseRtfOpensAsADocumentAndImagesGetATab) {
  QStringList imported;
  AppServices().Import = [&imported](const QString& file, bool, TChildForm*) { imported << file; };
  AppServices().ImageBrowser = [](const QStringList&) { return new QMdiSubWindow; };
  TfMain& m = Start({MakeFile("x.RTF", "{\\rtf1}")});
  EXPECT_EQ(m.Documents().size(), 1);
  EXPECT_TRUE(imported.isEmpty());
  m.WMOpenParamFile(MakeFile("y.rtf", "{\\rtf1}"));
  EXPECT_EQ(imported, QStringList({root + "docs/y.rtf"}));
  m.WMOpenParamFile(MakeFile("a.png", "x"));
  EXPECT_EQ(m.MDIClient->subWindowList().size(), 2);
  EXPECT_EQ(m.MDITab1->ImageIndexOf(1), 110);
}

TEST_F(StartUpTest, DocumentManagerAtStart) {
  int shown = 0;
  AppServices().DocumentManager = [&shown] { ++shown; };
  Start({});
  EXPECT_EQ(shown, 1);
  main.reset();
  Ini().WriteBool("Show", "DocMan?", true);
  Start({});
  EXPECT_EQ(shown, 1);
}

}  // namespace
