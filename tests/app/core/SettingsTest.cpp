// Tests of Settings (app/core/Settings.cpp).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "platform/ProgramFolder.h"
#include "platform/ScopeExit.h"
#include "tests/common/TestUtil.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramFolder(dir.path()); }
  void TearDown() override { SetProgramFolder(QString()); }
  QString pf() const { return dir.path() + u'/'; }
  void Write(const QByteArray& bytes) { ASSERT_TRUE(WriteFileBytes(Settings::FileName(), bytes)); }
  QTemporaryDir dir;
};

TEST_F(SettingsTest, TheFileLivesInTheProgramFolder) {
  EXPECT_EQ(ProgramFolder(), pf());
  EXPECT_EQ(Settings::FileName(), pf() + QStringLiteral("settings.ini"));
}

TEST_F(SettingsTest, FirstStartAndExitWriteTheDocumentedKeys) {
  EXPECT_EQ(Settings::TranslationModulePath(), pf() + QStringLiteral("Language Modules/english.lms"));
  EXPECT_EQ(Settings::ElementsPath(), pf() + QStringLiteral("elements/elements.dat"));
  EXPECT_EQ(Settings::HelpPath(), pf() + QStringLiteral("Help/english.html"));
  EXPECT_EQ(Settings::Open().ReadSections(),
            (QStringList{QStringLiteral("TranslationModule"), QStringLiteral("Elements"), QStringLiteral("Help")}));

  Settings::TMainWindowLayout layout;
  layout.LastFolder = QStringLiteral("/home/user/site");
  layout.DirectoryHeight = 200;
  layout.FileManWidth = 180;
  layout.ToolBars[4] = {5, 26, 30};
  Settings::WriteMainWindowLayout(layout);
  EXPECT_EQ(Settings::Open().ReadSections(),
            (QStringList{QStringLiteral("TranslationModule"), QStringLiteral("Elements"), QStringLiteral("Help"),
                         QStringLiteral("tb1"), QStringLiteral("tb5"), QStringLiteral("tb6"), QStringLiteral("tb7"),
                         QStringLiteral("tb8"), QStringLiteral("Last"), QStringLiteral("Directory"),
                         QStringLiteral("FileMan")}));
  const Settings::TMainWindowLayout read = Settings::ReadMainWindowLayout({});
  EXPECT_EQ(read.LastFolder, layout.LastFolder);
  EXPECT_EQ(read.DirectoryHeight, 200);
  EXPECT_EQ(read.FileManWidth, 180);
  EXPECT_EQ(read.ToolBars[4].Top, 26);
  EXPECT_EQ(read.ToolBars[4].Height, 30);
  EXPECT_TRUE(ReadFileBytes(Settings::FileName()).contains("[tb8]\nleft=5\ntop=26\nheight=30\n"));
}

TEST_F(SettingsTest, DefaultPathsAreWrittenOnlyWhenTheirRuleSaysSo) {
  Write("[TranslationModule]\nPath=\n[Help]\nPath=   \n[Elements]\nPath=/x/tags.dat\n");
  // An empty module path means a first run; the section exists, so it stays.
  EXPECT_EQ(Settings::TranslationModulePath(), QString());
  EXPECT_EQ(Settings::ElementsPath(), QStringLiteral("/x/tags.dat"));
  EXPECT_EQ(Settings::HelpPath(), pf() + QStringLiteral("Help/english.html"));
  EXPECT_EQ(ReadFileBytes(Settings::FileName()),
            ("[TranslationModule]\nPath=\n[Help]\nPath=" + pf() + "Help/english.html\n[Elements]\nPath=/x/tags.dat\n")
                .toUtf8());
}

// The store says nothing to the user itself: every write that fails goes to
// the report the application set, with the file and the reason (telling it
// once is the application's part), and readers get the value it holds.
TEST_F(SettingsTest, FailuresGoToTheReportTheApplicationSet) {
  TScriptedPrompts prompts;
  const TPromptsScope scope(prompts);
  QStringList told;
  Settings::SetTroubleReport([&](TOwnFileTrouble trouble, const QString& fileName, const Exception* failure) {
    told << QString::number(int(trouble)) + u' ' + fileName + u' ' + (failure ? failure->Message() : QString());
  });
  const ScopeExit noReport([] { Settings::SetTroubleReport({}); });
  // A file-size limit makes every write fail, whoever runs the test.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const ScopeExit restore([&] { ::setrlimit(RLIMIT_FSIZE, &old); });
  rlimit tiny = old;
  tiny.rlim_cur = 1;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  EXPECT_EQ(Settings::ElementsPath(), pf() + QStringLiteral("elements/elements.dat"));
  EXPECT_EQ(Settings::HelpPath(), pf() + QStringLiteral("Help/english.html"));
  ::setrlimit(RLIMIT_FSIZE, &old);
  const QString failed = "0 " + Settings::FileName() + " Cannot write file \"" + Settings::FileName() +
                         "\". File too large.";
  EXPECT_EQ(told, QStringList({failed, failed}));
  EXPECT_TRUE(prompts.Messages().isEmpty());
  EXPECT_FALSE(QFile::exists(Settings::FileName()));
  EXPECT_EQ(Settings::Open().ReadString(QStringLiteral("Elements"), QStringLiteral("Path"), QString()),
            pf() + QStringLiteral("elements/elements.dat"));
}

TEST_F(SettingsTest, EditorSettingsFollowTheKeyTable) {
  Settings::TEditorSettings current;
  current.RightEdge = 100;
  current.SelectionMode = 1;
  // Nothing stored: the current values stay, the fixed defaults apply.
  Settings::TEditorSettings s = Settings::ReadEditorSettings(current);
  EXPECT_EQ(s.FontName, QStringLiteral("Courier New"));
  EXPECT_EQ(s.FontSize, 10);
  EXPECT_EQ(s.BackgroundColor, clWhite);  // the editor's own, not the desktop's window colour
  EXPECT_EQ(s.FontColor, clBlack);
  EXPECT_EQ(s.RightEdge, 100);
  EXPECT_EQ(s.RightEdgeColor, 0xC0C0C0);
  EXPECT_EQ(s.SelectionMode, 0);

  Write(
      "[Margin]\nEnabled=0\nRight=80\n[Font]\nSize=12\nStyle=Mono\nColor=255\n[SelectionMode]\nSet=5\n"
      "[EditWindow]\nBGCol=-16777211\n[Gutter]\nVis=0\nWidth=-4\n[BlockIndent]\nWidth=0\n[LN]\nEnabled=0\n"
      "[Scrollhint]\nEnabled=1\n[Autoindent]\nEnabled=7\n[TtoSpaces]\nEnabled=1\n[SpecialChar]\nVis=1\n"
      "[SHigh]\nEnabled=1\n[HTMLTidy]\nEnabled=1\nSize=90\n");
  s = Settings::ReadEditorSettings(current);
  EXPECT_EQ(s.RightEdge, 80);
  EXPECT_EQ(s.RightEdgeColor, 0xFFFFFF);
  EXPECT_EQ(s.FontSize, 12);
  EXPECT_EQ(s.FontName, QStringLiteral("Mono"));
  EXPECT_EQ(s.FontColor, clRed);
  EXPECT_EQ(s.SelectionMode, 1);  // 5 is no mode: the current one stays
  EXPECT_EQ(s.BackgroundColor, clWindow);
  EXPECT_FALSE(s.GutterVisible);
  EXPECT_EQ(s.GutterWidth, 15);  // negative: ignored
  EXPECT_EQ(s.TabWidth, 1);      // 0: ignored
  EXPECT_FALSE(s.LineNumbers);
  EXPECT_TRUE(s.ScrollHint && s.AutoIndent && s.TabsToSpaces && s.SpecialChars && s.HighlightByExtension);
  EXPECT_TRUE(s.TidyPanel);
  EXPECT_EQ(s.TidyPanelSize, 90);

  Write("[Font]\nSize=500\n[SelectionMode]\nSet=2\n");
  s = Settings::ReadEditorSettings(current);
  EXPECT_EQ(s.FontSize, 10);
  EXPECT_EQ(s.SelectionMode, 2);
}

TEST(ProgramFolderChoice, WritableFolderOrSeededUserFolder) {
  QTemporaryDir root;
  const QString exe = root.filePath(QStringLiteral("bin"));
  QDir().mkpath(exe + QStringLiteral("/Language Modules"));
  ASSERT_TRUE(WriteFileBytes(exe + QStringLiteral("/Language Modules/english.lms"), "btOk                OK\n"));
  EXPECT_EQ(ChooseProgramFolder(exe), exe + u'/');

  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
  const QString user = root.filePath(QStringLiteral("data/korvex-vantar/"));
  // A folder that cannot hold files (here: one that does not exist).
  EXPECT_EQ(ChooseProgramFolder(root.filePath(QStringLiteral("gone"))), user);
  EXPECT_TRUE(QFileInfo(user).isDir());
  if (geteuid() != 0) {
    QDir(user).removeRecursively();
    QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(ChooseProgramFolder(exe), user);
    EXPECT_EQ(ReadFileBytes(user + QStringLiteral("Language Modules/english.lms")),
              QByteArray("btOk                OK\n"));
    QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  qputenv("XDG_DATA_HOME", oldXdg);
}

// An installed program: bin/korvex-vantar with its data in share/korvex-vantar.
// The data there is never written, even when the folders could be (as root).
TEST(ProgramFolderChoice, InstalledDataIsReadOnlyUserFilesGoToTheUserFolder) {
  QTemporaryDir root;
  const QString bin = root.filePath(QStringLiteral("bin"));
  const QString shared = root.filePath(QStringLiteral("share/korvex-vantar/"));
  QDir().mkpath(bin);
  QDir().mkpath(shared + QStringLiteral("Language Modules"));
  ASSERT_TRUE(WriteFileBytes(shared + QStringLiteral("Language Modules/english.lms"), "btOk                OK\n"));
  EXPECT_EQ(ShippedDataFolder(bin), shared);
  EXPECT_EQ(ShippedDataFolder(root.filePath(QStringLiteral("other/bin"))), root.filePath(QStringLiteral("other/bin/")));

  const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("home-data")).toUtf8());
  const QString user = root.filePath(QStringLiteral("home-data/korvex-vantar/"));
  EXPECT_EQ(ChooseProgramFolder(bin), user);
  EXPECT_EQ(ReadFileBytes(user + QStringLiteral("Language Modules/english.lms")),
            QByteArray("btOk                OK\n"));
  EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  EXPECT_EQ(QDir(shared).entryList(QDir::Files | QDir::Hidden), QStringList());  // nothing written there
  // Data beside the executable (a build tree) wins over an installed folder.
  QDir().mkpath(bin + QStringLiteral("/Language Modules"));
  EXPECT_EQ(ShippedDataFolder(bin), bin + u'/');
  EXPECT_EQ(ChooseProgramFolder(bin), bin + u'/');
  qputenv("XDG_DATA_HOME", oldXdg);
}

}  // namespace
