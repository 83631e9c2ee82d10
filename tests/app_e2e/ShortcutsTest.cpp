// The main window's keys as a person presses them on a real X display, with
// the caret in the editor of a page given on the command line.
#include "app/Frame.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/ProgramFolder.h"
#include "tests/common/TestUtil.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

TEST(Shortcuts, MainWindowKeysWinOverTheEditor) {
  QTemporaryDir dir;
  const QString root = dir.path() + u'/';
  SetProgramFolder(root);
  QDir(root).mkpath("Language Modules");
  WriteFileBytes(root + "Language Modules/english.lms", "ExitMsg             ExitMsg\r\n");
  Settings::Open().WriteString("TranslationModule", "Path", root + "Language Modules/english.lms");
  Settings::Open().WriteBool("Ask", "ToSave?", false);
  const QString page = root + "page.html";
  const QByteArray text = "<html>\n<body>\nword one\n</body>\n</html>\n";
  WriteFileBytes(page, text);

  TScriptedPrompts prompts;
  TPromptsScope scope(prompts);
  prompts.Answer("ExitMsg", 6);
  std::unique_ptr<TfMain> main(StartUp({page}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  main->activateWindow();  // no window manager hands out the focus here
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  const auto windows = [&main] { return main->MDIClient->subWindowList().size(); };
  const auto press = [](const char* keys) {
    const QKeyCombination k = QKeySequence(QLatin1String(keys))[0];
    QTest::keyClick(QApplication::focusWidget(), k.key(), k.keyboardModifiers());
    QCoreApplication::processEvents();
  };
  TChildForm* doc = main->ActiveDocument();
  ASSERT_NE(doc, nullptr);
  doc->Memo1->SetCaretXY({5, 3});
  ASSERT_EQ(QApplication::focusWidget(), doc->Memo1);

  press("Ctrl+T");  // inserting a table is not there yet: the key does nothing
  EXPECT_FALSE(doc->Modified);
  press("Ctrl+L");  // the desktop's key for left alignment wraps, as Ctrl+Alt+L does
  EXPECT_EQ(doc->Memo1->Lines()[2], QStringLiteral("word<div align=\"left\"></div> one"));
  press("Ctrl+N");  // a new document, not a line split
  EXPECT_EQ(windows(), 2);
  EXPECT_EQ(doc->Memo1->Lines().Count(), 5);
  press("Ctrl+Shift+W");  // close all
  EXPECT_EQ(windows(), 0);

  EXPECT_TRUE(main->close());
  main.reset();
  SetProgramFolder(QString());
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  RegisterBuiltinHighlighters();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
