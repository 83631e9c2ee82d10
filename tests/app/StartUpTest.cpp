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

// The splash window: borderless, 500 x 299, white, with the product's name
// drawn on it.
TEST_F(StartUpTest, SplashWindowIsWhiteWithTheName) {
  TfSplash splash;
  EXPECT_EQ(splash.size(), QSize(500, 299));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  const QImage image = splash.grab().toImage();
  EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(497, 296), QColor(Qt::white));
  int inked = 0;
  for (int x = 0; x < image.width(); ++x) inked += image.pixelColor(x, image.height() / 2) != QColor(Qt::white);
  EXPECT_GT(inked, 10);
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

TEST_F(StartUpTest, AnOversizedSettingsFileIsReportedAndLeftAsItIs) {
  QByteArray bytes = "[TranslationModule]\nPath=\n";
  bytes += QByteArray(TIniFile::MaxFileSize, ';') + "\n";
  WriteFileBytes(Settings::FileName(), bytes);
  prompts.Answer("ExitMsg", 6);
  TfMain& m = Start({});
  EXPECT_TRUE(prompts.Dialogs().isEmpty());  // no first-time question
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "IniTooLarge " + Settings::FileName());
  EXPECT_EQ(prompts.Messages()[0].kind, 2);
  EXPECT_EQ(LangText("ExitMsg"), "ExitMsg");  // the module was loaded all the same
  EXPECT_TRUE(m.close());
  EXPECT_EQ(ReadFileBytes(Settings::FileName()), bytes);
}

TEST_F(StartUpTest, OneArgumentOpensTheFile) {
  const QString page = MakeFile("page.html");
  TfMain& m = Start({page});
  ASSERT_EQ(m.Documents().size(), 1);
  EXPECT_EQ(m.Documents()[0]->Caption(), page);
  EXPECT_TRUE(m.isMaximized());
}

TEST_F(StartUpTest, EveryArgumentOpensAndNewNamesBecomeEmptyDocuments) {
  Main().LoadCssTemplate();  // the skeleton of the next new document stays
  const QStringList skeleton = Main().NewDocSkeleton;
  main.reset();
  const QString fresh = root + "docs/fresh.css";
  MakeFile("-dash.html");
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(root + "docs");
  TfMain& m = Start({MakeFile("a.html"), "-dash.html", fresh, root + "docs/fresh.exe"});
  QDir::setCurrent(cwd);
  ASSERT_EQ(m.Documents().size(), 3);
  EXPECT_EQ(m.Documents()[1]->Caption(), root + "docs/-dash.html");
  TChildForm* doc = m.Documents()[2];
  EXPECT_EQ(doc->Caption(), fresh);
  EXPECT_EQ(doc->PanelText(3), fresh);
  EXPECT_EQ(m.MDITab1->tabText(2), "fresh.css");
  EXPECT_EQ(doc->Memo1->Lines().Count(), 0);
  EXPECT_FALSE(QFileInfo::exists(fresh));
  EXPECT_TRUE(m.isMaximized());
}

// The toolkit's options come only from before "--"; after it every
// argument is a file, whatever it looks like.
TEST(CommandLine, FilesAfterTheToolkitsOptions) {
  const char* const argv[] = {"kv", "-page.html", "--", "-style", "--", "b.html"};
  EXPECT_EQ(ToolkitArgumentCount(6, argv), 2);
  EXPECT_EQ(ToolkitArgumentCount(2, argv), 2);
  EXPECT_EQ(CommandLineFiles({"-page.html"}, 6, argv, 2), (QStringList{"-page.html", "-style", "--", "b.html"}));
  EXPECT_EQ(CommandLineFiles({"a"}, 2, argv, 2), QStringList{"a"});
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
