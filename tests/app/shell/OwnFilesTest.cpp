// Tests of the files the program keeps for itself (recent files, browser
// list, project list, tag library, code templates, icon cache) and of the
// main window's writers when a pipe or device takes a file's place.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/core/RecentFiles.h"
#include "app/core/Settings.h"
#include "app/look/Icons.h"
#include "app/shell/StartUp.h"
#include "app/sidepane/DocumentManager.h"
#include "app/sidepane/ProjectPages.h"
#include "platform/OwnFile.h"
#include "platform/ScopeExit.h"
#include "tests/app/AppFixture.h"
#include "tests/common/FifoWatch.h"

namespace {

ino_t Inode(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Another process's hold on a folder's lock that never lets go, with the
// run's one long wait for it replaced by one that counts its calls and gives
// up at once.
class THeldFolderLock {
 public:
  explicit THeldFolderLock(const QString& folder)
      : holder_(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    TFolderLock::SetWait([this](int) {
      ++waits;
      return false;
    });
    held_ = holder_ >= 0 && ::flock(holder_, LOCK_EX) == 0;
  }
  ~THeldFolderLock() {
    TFolderLock::SetWait({});
    if (holder_ >= 0) ::close(holder_);
  }
  THeldFolderLock(const THeldFolderLock&) = delete;
  THeldFolderLock& operator=(const THeldFolderLock&) = delete;
  bool Held() const { return held_; }
  // Lets go of the lock; the long waits are still counted.
  void LetGo() {
    if (holder_ >= 0) ::close(holder_);
    holder_ = -1;
  }
  int waits = 0;

 private:
  int holder_;
  bool held_ = false;
};

class OwnFiles : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    QByteArray module;
    for (const QString& key : ModuleKeys() + QStringList{"NotRegularFile", "ExpError", "ExpComp", "OwnFilesKept", "OwnFilesNoLock"}) {
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
  EXPECT_EQ(MessageTexts().mid(2), QStringList({root + "recentfiles.dat NotRegularFile\nOwnFilesKept",
                                                root + "cache/icons.cache NotRegularFile"}));
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

// settings.ini and recentfiles.dat with a backup made by "ln": opening files
// and changing options write both in place, with no message, and both names
// see the new text.
TEST_F(OwnFiles, SettingsAndRecentFilesWithASecondLinkAreWrittenWithoutAMessage) {
  Main();
  RecentFiles::Write({root + "old.html"});
  const auto link = [](const QString& from, const QString& to) {
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
  };
  ASSERT_TRUE(link(Settings::FileName(), root + "settings.bak"));
  ASSERT_TRUE(link(RecentFiles::FileName(), root + "recentfiles.bak"));
  const QString a = MakeFile("a.html"), b = MakeFile("b.html");
  ASSERT_TRUE(Main().OpenDocument(false, true, a));
  ASSERT_TRUE(Main().OpenDocument(false, true, b));
  Main().ShowSidePane(true);
  Main().ShowSidePane(false);
  EXPECT_EQ(MessageTexts(), QStringList());
  EXPECT_EQ(ReadFileBytes(root + "recentfiles.bak"), (b + '\n' + a + '\n' + root + "old.html\n").toUtf8());
  EXPECT_EQ(ReadFileBytes(root + "recentfiles.bak"), ReadFileBytes(RecentFiles::FileName()));
  EXPECT_TRUE(ReadFileBytes(root + "settings.bak").contains("[ToolBars]\nFileManager=0\n"));
  EXPECT_EQ(ReadFileBytes(root + "settings.bak"), ReadFileBytes(Settings::FileName()));
  EXPECT_EQ(Inode(Settings::FileName()), Inode(root + "settings.bak"));
}

// A data folder where nothing can be written (read-only; for the super-user,
// whom permissions do not stop, a file-size limit fails every write too):
// many opens and option changes give one message, naming the first file and
// why; the program goes on with the recent files and options it holds.
TEST_F(OwnFiles, AReadOnlyDataFolderIsToldOnceAndTheProgramGoesOnWithWhatItHolds) {
  Main();
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  ScopeExit restore([&] {
    ::setrlimit(RLIMIT_FSIZE, &old);
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  });
  for (const char* name : {"a.html", "b.html", "c.html"}) MakeFile(name);
  ASSERT_TRUE(QFile::setPermissions(root, QFile::ReadOwner | QFile::ExeOwner));
  if (::geteuid() == 0) {
    rlimit tiny = old;
    tiny.rlim_cur = 1;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  }
  QStringList opened;
  for (const char* name : {"a.html", "b.html", "c.html"}) {
    opened.prepend(root + "docs/" + name);
    ASSERT_TRUE(Main().OpenDocument(false, true, opened.first()));
    Main().ShowSidePane(opened.size() % 2 == 1);
  }
  ASSERT_EQ(prompts.Messages().size(), 1) << MessageTexts().join(u'|').toStdString();
  const TScriptedPrompts::Message& told = prompts.Messages().first();
  EXPECT_EQ(told.kind, 2);
  const QString why = ::geteuid() == 0 ? QStringLiteral("Cannot write file \"%1\". File too large.")
                                       : QStringLiteral("Cannot create file \"%1\". Permission denied on the "
                                                        "folder \"") + root.chopped(1) + QStringLiteral("\".");
  EXPECT_EQ(told.text, why.arg(root + "recentfiles.dat") + "\nOwnFilesKept");
  EXPECT_FALSE(QFileInfo::exists(RecentFiles::FileName()));
  EXPECT_EQ(RecentFiles::Read(), opened);
  EXPECT_TRUE(Ini().ReadBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), false));
}

// Another process holds the program folder's lock and never lets go: the
// first write waits for it once (a wait that gives up at once here), every
// write goes ahead without it, and a notice names the folder once.
TEST_F(OwnFiles, AHeldFolderLockIsWaitedOnOnceAndToldOnce) {
  Main();
  THeldFolderLock lock(root);
  ASSERT_TRUE(lock.Held());
  for (const char* name : {"a.html", "b.html", "c.html"}) {
    ASSERT_TRUE(Main().OpenDocument(false, true, MakeFile(name)));
    Main().ShowSidePane(true);
  }
  EXPECT_EQ(lock.waits, 1);
  EXPECT_EQ(MessageTexts(), QStringList{"OwnFilesNoLock " + root.chopped(1)});
  EXPECT_EQ(RecentFiles::Read().size(), 3);
  EXPECT_TRUE(Ini().ReadBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), false));
}

// Another process holds the program folder's lock while the program starts,
// with defaults to write and a file named on the command line: the start
// waits for nothing (the run's long wait is not spent) and writes nothing,
// while everything reads what it would have written. The first write the
// user asks for after the start waits (here: gives up at once), puts it all
// on disk and tells the notice once.
TEST_F(OwnFiles, AHeldFolderLockKeepsTheStartWaitingForNothing) {
  Ini().WriteBool(QStringLiteral("Show"), QStringLiteral("DocMan?"), true);
  const QByteArray settings = ReadFileBytes(Settings::FileName());
  const QString a = MakeFile("a.html"), b = MakeFile("b.html");
  THeldFolderLock lock(root);
  ASSERT_TRUE(lock.Held());
  main.reset(StartUp({a}));
  EXPECT_EQ(lock.waits, 0);
  EXPECT_TRUE(ReadFileBytes(Settings::FileName()) == settings);
  EXPECT_FALSE(QFileInfo::exists(RecentFiles::FileName()));
  EXPECT_EQ(RecentFiles::Read(), QStringList{a});
  EXPECT_EQ(Ini().ReadString(QStringLiteral("Elements"), QStringLiteral("Path"), QString()),
            root + "elements/elements.dat");
  EXPECT_EQ(Main().HelpPath, root + "Help/english.html");
  EXPECT_EQ(MessageTexts(), QStringList());

  Main().ShowSidePane(true);
  ASSERT_TRUE(Main().OpenDocument(false, true, b));
  EXPECT_EQ(lock.waits, 1);
  EXPECT_EQ(MessageTexts(), QStringList{"OwnFilesNoLock " + root.chopped(1)});
  const QByteArray written = ReadFileBytes(Settings::FileName());
  EXPECT_TRUE(written.startsWith(settings));
  for (const QByteArray& line : {"[Elements]\nPath=" + QFile::encodeName(root) + "elements/elements.dat\n",
                                 "[Help]\nPath=" + QFile::encodeName(root) + "Help/english.html\n",
                                 QByteArray("[ToolBars]\nFileManager=1\n")})
    EXPECT_TRUE(written.contains(line)) << line.toStdString();
  EXPECT_EQ(ReadFileBytes(RecentFiles::FileName()), (b + '\n' + a + '\n').toUtf8());
}

// Another process holds the program folder's lock while the user changes
// an option and opens a file from the running window: nothing waits for the
// lock, the window reads what it wrote, and once the holder lets go both
// files get it, with no message.
TEST_F(OwnFiles, AHeldFolderLockNeverKeepsTheRunningWindowWaiting) {
  Main();
  const QString a = MakeFile("a.html");
  THeldFolderLock waitCount(root);  // counts the long waits; its own hold is let go at once
  waitCount.LetGo();
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    char c = 0;
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "r", 1) != 1 || ::read(go[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const QByteArray settings = ReadFileBytes(Settings::FileName());
  QEventLoop loop;
  QTimer::singleShot(0, &loop, [&] {
    Main().ShowSidePane(true);
    Main().OpenDocument(false, true, a);
    loop.quit();
  });
  loop.exec();
  EXPECT_EQ(waitCount.waits, 0);
  EXPECT_TRUE(ReadFileBytes(Settings::FileName()) == settings);
  EXPECT_FALSE(QFileInfo::exists(RecentFiles::FileName()));
  EXPECT_TRUE(Ini().ReadBool(QStringLiteral("ToolBars"), QStringLiteral("FileManager"), false));
  EXPECT_EQ(RecentFiles::Read(), QStringList{a});

  ASSERT_EQ(::write(go[1], "g", 1), 1);
  ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
  for (const int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  QTRY_VERIFY_WITH_TIMEOUT(!SafeFile::OwnWritePending(Settings::FileName()) &&
                               !SafeFile::OwnWritePending(RecentFiles::FileName()),
                           60'000);
  EXPECT_TRUE(ReadFileBytes(Settings::FileName()).contains("[ToolBars]\nFileManager=1\n"));
  EXPECT_EQ(ReadFileBytes(RecentFiles::FileName()), (a + '\n').toUtf8());
  EXPECT_EQ(MessageTexts(), QStringList());
  EXPECT_EQ(waitCount.waits, 0);
}

// The run's one wait may be spent by a file whose writer tells nobody (the
// browser list, the icon cache): the next write that can tell still does.
TEST_F(OwnFiles, AWaitSpentByAQuietWriterIsStillToldOnce) {
  Main();
  THeldFolderLock lock(root);
  ASSERT_TRUE(lock.Held());
  SafeFile::WriteOwn(root + "browserlist.dat", "quiet\n");
  EXPECT_TRUE(MessageTexts().isEmpty());
  for (const char* name : {"a.html", "b.html"}) ASSERT_TRUE(Main().OpenDocument(false, true, MakeFile(name)));
  EXPECT_EQ(lock.waits, 1);
  EXPECT_EQ(MessageTexts(), QStringList{"OwnFilesNoLock " + root.chopped(1)});
  EXPECT_EQ(RecentFiles::Read().size(), 2);
}

}  // namespace
