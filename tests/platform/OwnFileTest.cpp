// The program's own files while another process holds their folder's lock:
// the window's thread never waits for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "platform/IniFile.h"
#include "platform/OwnFile.h"
#include "platform/ScopeExit.h"
#include "tests/common/TestUtil.h"

namespace {

// Another process holding a folder's lock until told to let go; before it
// lets go it may write a file of that folder, as another instance would.
class THolder {
 public:
  explicit THolder(const QString& folder, const QString& file = {}, const QByteArray& bytes = {}) {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(go_) != 0) return;
    child_ = ::fork();
    if (child_ == 0) {
      ::close(ready[0]);
      ::close(go_[1]);
      const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "r", 1) != 1) _exit(1);
      char c = 0;
      if (::read(go_[0], &c, 1) < 0) _exit(1);
      if (!file.isEmpty() && !WriteFileBytes(file, bytes)) _exit(1);
      _exit(0);
    }
    ::close(ready[1]);
    ::close(go_[0]);
    char c = 0;
    held_ = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
  }
  ~THolder() { LetGo(); }
  THolder(const THolder&) = delete;
  THolder& operator=(const THolder&) = delete;
  bool Held() const { return held_; }
  void LetGo() {
    if (child_ <= 0) return;
    if (::write(go_[1], "g", 1) != 1) ::kill(child_, SIGKILL);
    ::close(go_[1]);
    int status = 0;
    ::waitpid(child_, &status, 0);
    child_ = -1;
  }

 private:
  pid_t child_ = -1;
  int go_[2] = {-1, -1};
  bool held_ = false;
};

// Runs `work` from the event loop, as a click is handled.
void FromTheEventLoop(const std::function<void()>& work) {
  QEventLoop loop;
  QTimer::singleShot(0, &loop, [&] {
    work();
    loop.quit();
  });
  loop.exec();
}

// Lets the event loop run until `done` or a minute has passed.
bool RunUntil(const std::function<bool()>& done) {
  const QDeadlineTimer deadline(60'000);
  while (!done() && !deadline.hasExpired()) {
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

class OwnFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFolderLock::NewRun();
    TFolderLock::SetWait([this](int) {
      ++waits;
      return false;
    });
  }
  void TearDown() override {
    TFolderLock::SetWait({});
    TFolderLock::SetPatience(0);
    TFolderLock::NewRun();
  }
  QString File(const char* name) const { return dir.filePath(QLatin1String(name)); }
  TOwnFileReport Report() {
    return [this](TOwnFileTrouble trouble, const QString& name, const Exception*) {
      told << (trouble == TOwnFileTrouble::Unlocked ? QStringLiteral("unlocked ") : QStringLiteral("failed ")) + name;
    };
  }

  QTemporaryDir dir;
  int waits = 0;
  QStringList told;
};

// A setting changed and a list written from the window while another
// instance holds the folder: both return without waiting for the lock,
// readers see the new texts at once, and once the holder lets go (having
// written a key of its own meanwhile) the files get them, the other
// instance's key kept. Letters beyond ASCII and the BMP stay as they are.
TEST_F(OwnFileTest, AHeldLockKeepsTheWindowWaitingForNothing) {
  const QString settings = File("settings.ini"), list = File("list.dat");
  ASSERT_TRUE(WriteFileBytes(settings, "[A]\nk=0\n"));
  ASSERT_TRUE(WriteFileBytes(list, "old\n"));
  THolder holder(dir.path(), settings, "[A]\nk=0\nother=2\n");
  ASSERT_TRUE(holder.Held());
  const QString value = QStringLiteral("Gr\u00FC\u00DFe \U0001F600");
  TIniFile ini(settings, Report());
  FromTheEventLoop([&] {
    ini.WriteString(QStringLiteral("A"), QStringLiteral("k"), value);
    ini.WriteInteger(QStringLiteral("B"), QStringLiteral("n"), 7);
    SafeFile::WriteOwn(list, "new \xF0\x9F\x98\x80\n");
  });
  EXPECT_EQ(waits, 0);
  EXPECT_EQ(ReadFileBytes(settings), "[A]\nk=0\n");
  EXPECT_EQ(ReadFileBytes(list), "old\n");
  EXPECT_TRUE(SafeFile::OwnWritePending(settings));
  EXPECT_EQ(SafeFile::PendingOwn(list), std::optional<QByteArray>("new \xF0\x9F\x98\x80\n"));
  const TIniFile reader(settings);
  EXPECT_EQ(reader.ReadString(QStringLiteral("A"), QStringLiteral("k"), QString()), value);
  EXPECT_EQ(reader.ReadInteger(QStringLiteral("B"), QStringLiteral("n"), 0), 7);
  EXPECT_EQ(reader.ReadSections(), QStringList({QStringLiteral("A"), QStringLiteral("B")}));

  holder.LetGo();
  ASSERT_TRUE(RunUntil([&] { return !SafeFile::OwnWritePending(settings) && !SafeFile::OwnWritePending(list); }));
  EXPECT_EQ(ReadFileBytes(settings), ("[A]\nk=" + value + "\nother=2\n\n[B]\nn=7\n").toUtf8());
  EXPECT_EQ(ReadFileBytes(list), "new \xF0\x9F\x98\x80\n");
  EXPECT_EQ(reader.ReadString(QStringLiteral("A"), QStringLiteral("other"), QString()), QStringLiteral("2"));
  EXPECT_EQ(waits, 0);
  EXPECT_EQ(told, QStringList());
}

// A holder that never lets go: the window still waits for nothing; after
// the patience the kept changes are written without the lock and told once;
// a later change waits only for a moment before it goes ahead too.
TEST_F(OwnFileTest, AHolderThatNeverLetsGoIsGivenUpWithoutWaiting) {
  const QString settings = File("settings.ini");
  THolder holder(dir.path());
  ASSERT_TRUE(holder.Held());
  TFolderLock::SetPatience(50);
  TIniFile ini(settings, Report());
  FromTheEventLoop([&] { ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 1); });
  EXPECT_FALSE(QFile::exists(settings));
  ASSERT_TRUE(RunUntil([&] { return !SafeFile::OwnWritePending(settings); }));
  EXPECT_EQ(ReadFileBytes(settings), "[A]\nk=1\n");
  EXPECT_EQ(told, QStringList{"unlocked " + settings});

  FromTheEventLoop([&] { ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 2); });
  ASSERT_TRUE(RunUntil([&] { return !SafeFile::OwnWritePending(settings); }));
  EXPECT_EQ(ReadFileBytes(settings), "[A]\nk=2\n");
  EXPECT_EQ(told.size(), 1);
  EXPECT_EQ(waits, 0);
}

// At the program's end what still waits is written: after a bounded wait
// for the lock (here one that gives up at once), without it.
TEST_F(OwnFileTest, WhatWaitsIsWrittenAtTheEnd) {
  const QString settings = File("settings.ini"), list = File("list.dat");
  THolder holder(dir.path());
  ASSERT_TRUE(holder.Held());
  TIniFile ini(settings, Report());
  FromTheEventLoop([&] {
    ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 3);
    SafeFile::WriteOwn(list, "end\n");
  });
  EXPECT_EQ(waits, 0);
  SafeFile::WritePendingOwnFiles();
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(ReadFileBytes(settings), "[A]\nk=3\n");
  EXPECT_EQ(ReadFileBytes(list), "end\n");
  EXPECT_FALSE(SafeFile::OwnWritePending(settings));
}

}  // namespace
