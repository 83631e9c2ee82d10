// The program as a person uses it, with the real embedded browser: open a
// page given on the command line, change it, preview it and save it. Runs
// under a virtual X server.
#include "app/Frame.h"
#include "app/LanguageModule.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/BrowserView.h"
#include "platform/ProgramFolder.h"
#include "tests/common/TestUtil.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

TEST(EndToEnd, OpenTypePreviewSave) {
  QTemporaryDir dir;
  const QString root = dir.path() + u'/';
  SetProgramFolder(root);
  QDir(root).mkpath("Language Modules");
  WriteFileBytes(root + "Language Modules/english.lms", "ExitMsg             ExitMsg\r\n");
  Settings::Open().WriteString("TranslationModule", "Path", root + "Language Modules/english.lms");
  Settings::Open().WriteBool("SHigh", "Enabled", true);
  const QString page = root + "site/page.html";
  QDir().mkpath(root + "site");
  WriteFileBytes(page, "<html>\n<head><title>Generated page</title></head>\n<body>\n</body>\n</html>\n");

  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  prompts.Answer("ExitMsg", 6);
  std::unique_ptr<TfMain> main(StartUp({page}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  TChildForm* doc = main->ActiveDocument();
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Caption(), page);
  EXPECT_EQ(doc->CheckedHighlighter(), QStringLiteral("HTML"));

  // Type a paragraph into the body and a new title, key by key.
  doc->Memo1->setFocus();
  doc->Memo1->SetCaretXY({1, 4});
  QTest::keyClicks(doc->Memo1, "<p>typed</p>");
  QTest::keyClick(doc->Memo1, Qt::Key_Return);
  doc->Memo1->SetCaretXY({28, 2});
  QTest::keyClicks(doc->Memo1, " (edited)");
  EXPECT_TRUE(doc->Modified);

  main->previewExecute();
  EXPECT_EQ(doc->PageControl1->currentIndex(), 1);
  ASSERT_TRUE(doc->wb->HasView());
  EXPECT_TRUE(QTest::qWaitFor([doc] { return doc->wb->View().Title() == "Generated page (edited)"; }, 60000))
      << doc->wb->View().Title().toStdString();
  EXPECT_TRUE(QFileInfo::exists(root + "site/kvx_tmp~page.html"));

  EXPECT_TRUE(main->ActionSaveExecute());
  EXPECT_EQ(ReadFileBytes(page),
            QByteArray("<html>\n<head><title>Generated page (edited)</title></head>\n<body>\n<p>typed</p>\n</body>\n</html>\n"));
  EXPECT_TRUE(main->close());
  EXPECT_FALSE(QFileInfo::exists(root + "site/kvx_tmp~page.html"));
  main.reset();
  SetProgramFolder(QString());
}

int main(int argc, char** argv) {
  PrepareBrowserEngine();  // as the program does: as root the engine runs without its sandbox
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  RegisterBuiltinHighlighters();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
