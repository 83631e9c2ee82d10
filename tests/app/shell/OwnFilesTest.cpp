// Tests of the files the program keeps for itself (recent files, browser
// list, project list, tag library, code templates, icon cache) and of the
// main window's writers when a pipe or device takes a file's place.
#include <unistd.h>

#include <QApplication>
#include <QTest>

#include "app/core/RecentFiles.h"
#include "app/look/Icons.h"
#include "app/sidepane/DocumentManager.h"
#include "app/sidepane/ProjectPages.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"

namespace {

class OwnFiles : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module;
    for (const QString& key : ModuleKeys() + QStringList{"NotRegularFile", "ExpError", "ExpComp"}) {
      const QByteArray k = key.toLatin1();
      module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : k) + "\r\n";
    }
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    LoadLanguageModule();
  }
  void TearDown() override {
    main.reset();
    UseIconCache(QString());
    AppFixture::TearDown();
  }
  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& m : prompts.Messages()) texts << m.text;
    return texts;
  }
  TFifoWatch fifos;
};

// Every file the program reads for itself at start, and the icon cache, as
// FIFOs: none is opened (nothing waits for a writer), the main window is
// shown and drawn, each that would be written is named and stays a FIFO.
TEST_F(OwnFiles, StartUpReachesTheMainWindowWithPipesInPlaceOfItsFiles) {
  QDir().mkpath(root + "elements");
  QDir().mkpath(root + "CodeC");
  QDir().mkpath(root + "cache");
  QDir().mkpath(root + "MyDocuments");
  const QStringList own = {root + "recentfiles.dat",       root + "browserlist.dat",      root + "WorkList.Dat",
                           root + "elements/elements.dat", root + "CodeC/codeinside.dci", root + "cache/icons.cache",
                           root + "MyDocuments/index.dat"};
  for (const QString& path : own) ASSERT_TRUE(fifos.Make(path)) << path.toStdString();
  Ini().WriteBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), true);
  UseIconCache(root + "cache/icons.cache");

  Main();
  QApplication::processEvents();
  ASSERT_TRUE(Main().isVisible());
  ThemeIcon(QStringLiteral("document-new")).pixmap(24);  // drawn: kept for the next start
  EXPECT_EQ(MessageTexts(), QStringList({"PMLoadErr " + root + "WorkList.Dat NotRegularFile",
                                         "ElementsLE " + root + "elements/elements.dat NotRegularFile"}));

  // Opening a document reads the code templates and adds the file to the
  // recent files.
  ASSERT_TRUE(Main().OpenDocument(false, true, MakeFile("a.html")));
  SaveIconCache();
  SaveIconCache();  // said once a run
  Main().ProjectPage->Save();
  RecentFiles::Clear();
  EXPECT_EQ(MessageTexts().mid(2),
            QStringList({root + "recentfiles.dat NotRegularFile", root + "cache/icons.cache NotRegularFile"}));
  for (const QString& path : own) EXPECT_EQ(EntryKind(path), 'p') << path.toStdString();
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_TRUE(RecentFiles::Read().isEmpty());
  EXPECT_TRUE(UserTemplates::ReadIndex().isEmpty());  // the document manager's list, shown after start
}

// The RTF export to a FIFO, a link to one or a link to a device: refused
// with the name in the module's words, and the target stays what it was.
TEST_F(OwnFiles, TheRtfExportRefusesPipesAndDevices) {
  ASSERT_TRUE(fifos.Make(root + "pipe.rtf"));
  ASSERT_EQ(::symlink("pipe.rtf", QFile::encodeName(root + "to-pipe.rtf").constData()), 0);
  if (const std::string why = MakeDeviceNode(root + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_EQ(::symlink("null", QFile::encodeName(root + "to-null.rtf").constData()), 0);
  ASSERT_TRUE(Main().OpenDocument(false, true, MakeFile("a.html")));
  QStringList expected;
  for (const char* name : {"pipe.rtf", "to-pipe.rtf", "to-null.rtf"}) {
    AnswerFileDialog(QStringLiteral("SaveDialog2"), {root + name});
    Main().Documenttortf1Click();
    expected << "ExpError " + root + name + " NotRegularFile";
  }
  AnswerFileDialog(QStringLiteral("SaveDialog2"), {root + "a.rtf"});
  Main().Documenttortf1Click();  // a file is written as before
  expected << "ExpComp";
  EXPECT_EQ(MessageTexts(), expected);
  EXPECT_TRUE(ReadFileBytes(root + "a.rtf").startsWith("{\\rtf1"));
  EXPECT_EQ(EntryKind(root + "pipe.rtf"), 'p');
  EXPECT_EQ(QFile::symLinkTarget(root + "to-pipe.rtf"), root + "pipe.rtf");
  EXPECT_EQ(QFile::symLinkTarget(root + "to-null.rtf"), root + "null");
  EXPECT_EQ(EntryKind(root + "null"), 'c');
  EXPECT_EQ(fifos.Opened(), QStringList());
}

}  // namespace
