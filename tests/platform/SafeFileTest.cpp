#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "platform/Graphic.h"
#include "platform/OwnFile.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

QStringList Temporaries(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral(".kvx-*")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A save running in a process of its own: it stops after `size` bytes were
// written and waits to be killed.
pid_t SaveAndWait(const QString& fileName, qint64 size) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    try {
      TSafeFile file(fileName, {});
      file.Open();
      file.write(QByteArray(size, 'x'));
      if (::write(ready[1], "r", 1) != 1) _exit(1);
      for (;;) ::pause();
    } catch (...) {
      _exit(1);
    }
  }
  ::close(ready[1]);
  char c = 0;
  const bool started = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);
  if (!started && child > 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -1;
  }
  return child;
}

void Kill(pid_t child) {
  if (::kill(child, SIGKILL) != 0) return;
  int status = 0;
  ::waitpid(child, &status, 0);
}

TEST(SafeFile, TemporariesOfKilledSavesGoWithTheNextSaveThoseOfRunningSavesStay) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  ASSERT_TRUE(WriteFileBytes(folder + "big.html", "old\n"));
  // Names like ours that no save made, and a link with our name: left alone.
  for (const char* name : {".kvx-abc", ".kvx-abcdefg", "kvx-abcdef", ".kvx-abc.de"})
    ASSERT_TRUE(WriteFileBytes(folder + name, "keep"));
  ASSERT_TRUE(MakeLink(folder + ".kvx-LINK01", "big.html"));
  const QStringList foreign = Temporaries(folder);

  const pid_t running = SaveAndWait(folder + "big.html", 3 << 20);
  ASSERT_GT(running, 0);
  struct Reaper {
    pid_t child;
    ~Reaper() { Kill(child); }
  } reaper{running};
  const QStringList withRunning = Temporaries(folder);
  ASSERT_EQ(withRunning.size(), foreign.size() + 1)
      << withRunning.join(',').toStdString() << " / " << foreign.join(',').toStdString();

  // A save in this process, too, holds its temporary while it runs.
  TSafeFile mine(folder + "mine.html", {});
  mine.Open();
  mine.write("mine\n");
  ASSERT_EQ(Temporaries(folder).size(), foreign.size() + 2);

  SafeFile::Write(folder + "other.html", "other\n");
  EXPECT_EQ(Temporaries(folder).size(), foreign.size() + 2);  // both saves still run

  Kill(running);
  EXPECT_EQ(Temporaries(folder).size(), foreign.size() + 2);  // nothing removes it on its own
  SafeFile::Write(folder + "other.html", "again\n");
  QStringList left = Temporaries(folder);
  EXPECT_EQ(left.size(), foreign.size() + 1);
  for (const QString& name : withRunning)
    EXPECT_TRUE(left.contains(name) == foreign.contains(name)) << name.toStdString();
  EXPECT_EQ(ReadFileBytes(folder + "big.html"), QByteArray("old\n"));

  mine.Commit();
  EXPECT_EQ(Temporaries(folder), foreign);
  EXPECT_EQ(ReadFileBytes(folder + "mine.html"), QByteArray("mine\n"));
  EXPECT_EQ(ReadFileBytes(folder + ".kvx-abc"), QByteArray("keep"));
}

TEST(SafeFile, LinksAreFollowedACircleIsRefusedWithTheReason) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  ASSERT_TRUE(MakeLink(folder + "loop1", "loop2"));
  ASSERT_TRUE(MakeLink(folder + "loop2", folder + "loop1"));
  try {
    SafeFile::Write(folder + "loop1", "text\n");
    ADD_FAILURE() << "a circle of links was written";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + folder + "loop1\". Too many levels of symbolic links.");
  }
  struct stat st {};
  ASSERT_EQ(::lstat(QFile::encodeName(folder + "loop2").constData(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_TRUE(Temporaries(folder).isEmpty());

  // A chain of links to a file not made yet: the file is made, the links stay.
  ASSERT_TRUE(MakeLink(folder + "chain1", "chain2"));
  ASSERT_TRUE(MakeLink(folder + "chain2", "new.html"));
  SafeFile::Write(folder + "chain1", "new\n");
  EXPECT_EQ(ReadFileBytes(folder + "new.html"), QByteArray("new\n"));
  ASSERT_EQ(::lstat(QFile::encodeName(folder + "chain2").constData(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(SafeFile, AWriteProtectedFileIsReplacedOnlyAfterYes) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/page.html";
  ASSERT_TRUE(WriteFileBytes(path, "old\n"));
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
  QList<TInPlaceReason> asked;
  const auto answer = [&](bool yes) {
    return [&asked, yes](const QString&, TInPlaceReason why) {
      asked << why;
      return yes;
    };
  };

  EXPECT_THROW(SafeFile::Write(path, "new\n", answer(false)), ESaveCancelled);
  EXPECT_EQ(asked, QList<TInPlaceReason>{TInPlaceReason::WriteProtected});
  EXPECT_EQ(ReadFileBytes(path), QByteArray("old\n"));
  try {
    SafeFile::Write(path, "new\n");  // no one to ask: refused
    ADD_FAILURE() << "written unasked";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". Permission denied.");
  }
  EXPECT_EQ(ReadFileBytes(path), QByteArray("old\n"));

  SafeFile::Write(path, "new\n", answer(true));
  EXPECT_EQ(ReadFileBytes(path), QByteArray("new\n"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_TRUE(Temporaries(dir.path()).isEmpty());
}

// Written in place because of a second link, a staged write leaves the file
// untouched until Commit(): a write given up before it leaves both names as
// they were, and no temporary behind; committed, both names see the new
// bytes. The program's own files are written so without a question, and a
// write-protected one is refused with the system's reason.
TEST(SafeFile, AStagedWriteInPlaceChangesTheFileOnlyWhenCommitted) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/settings.ini";
  const QString backup = dir.path() + "/settings.bak";
  const QByteArray old(300'000, 'o');
  ASSERT_TRUE(WriteFileBytes(path, old));
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()), 0);
  const auto yes = [](const QString&, TInPlaceReason) { return true; };
  {
    TSafeFile file(path, yes);
    file.StageInPlace();
    file.Open();
    ASSERT_TRUE(file.InPlace());
    file.write(QByteArray(200'000, 'n'));
    EXPECT_TRUE(ReadFileBytes(path) == old);
  }
  EXPECT_TRUE(ReadFileBytes(path) == old);
  EXPECT_TRUE(ReadFileBytes(backup) == old);
  EXPECT_TRUE(Temporaries(dir.path()).isEmpty());
  {
    TSafeFile file(path, yes);
    file.StageInPlace();
    file.Open();
    file.write(QByteArray(200'000, 'n'));
    file.Commit();
  }
  EXPECT_TRUE(ReadFileBytes(backup) == QByteArray(200'000, 'n'));

  EXPECT_FALSE(SafeFile::WriteOwn(path, "[A]\nk=1\n"));
  EXPECT_EQ(ReadFileBytes(backup), "[A]\nk=1\n");
  EXPECT_TRUE(Temporaries(dir.path()).isEmpty());
  const QString locked = dir.path() + "/locked.ini";
  ASSERT_TRUE(WriteFileBytes(locked, "old\n"));
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
  try {
    SafeFile::WriteOwn(locked, "new\n");
    ADD_FAILURE() << "a write-protected file was written";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + locked + "\". Permission denied.");
  }
  EXPECT_EQ(ReadFileBytes(locked), "old\n");
}

// A staged write in place stopped while its journal is on disk: a read does
// not wait for a write that still runs (here: stopped) and leaves its journal
// alone. Once the writer is killed, a journal that is not whole is removed
// and the file left as it is; a whole one puts its text into the file, for
// both names; one made for a file since replaced by another is removed and
// the new file left as it is. Nothing else is left beside the file.
TEST(SafeFile, AJournalPutsRightOnlyTheFileItWasMadeFor) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/', path = folder + "list.dat", backup = folder + "list.bak";
  ASSERT_TRUE(WriteFileBytes(path, QByteArray(3 << 20, 'o')));
  ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()), 0);
  const QByteArray a(4 << 20, 'a'), b(2 << 20, 'b');
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      for (int n = 0;; ++n) {
        TSafeFile file(path, [](const QString&, TInPlaceReason) { return true; });
        file.StageInPlace();
        file.Open();
        file.write(n % 2 ? b : a);
        file.Commit();
      }
    } catch (...) {
      _exit(1);
    }
  }
  struct Reaper {
    pid_t child;
    ~Reaper() { Kill(child); }
  } reaper{child};
  const auto journals = [&] {
    return QDir(folder).entryList({QStringLiteral(".kvx-journal-*")}, QDir::Files | QDir::Hidden | QDir::System);
  };
  // Stopped while its journal is there.
  QString journal;
  for (int tries = 0; journal.isEmpty() && tries < 20'000; ++tries) {
    if (journals().isEmpty()) {
      ::usleep(200);
      continue;
    }
    ASSERT_EQ(::kill(child, SIGSTOP), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    if (journals().size() == 1) journal = folder + journals().first();
    else ASSERT_EQ(::kill(child, SIGCONT), 0);
  }
  ASSERT_FALSE(journal.isEmpty()) << "the writer was never caught with its journal";
  QByteArray read;
  ASSERT_EQ(ReadRegularFile(path, read), TRegularOpen::Opened);
  EXPECT_TRUE(QFileInfo::exists(journal));
  Kill(child);
  const QByteArray journalBytes = ReadFileBytes(journal), torn = ReadFileBytes(path);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList({QFileInfo(journal).fileName(), "list.bak", "list.dat"}));

  QByteArray damaged = journalBytes;
  damaged[damaged.size() / 2] = 'x';  // in the text
  ASSERT_TRUE(WriteFileBytes(journal, damaged));
  ASSERT_EQ(ReadRegularFile(path, read), TRegularOpen::Opened);
  EXPECT_TRUE(read == torn);
  EXPECT_FALSE(QFileInfo::exists(journal));

  ASSERT_TRUE(WriteFileBytes(journal, journalBytes));
  ASSERT_EQ(ReadRegularFile(path, read), TRegularOpen::Opened);
  EXPECT_TRUE(read == a || read == b);
  EXPECT_TRUE(journalBytes.contains(read));
  EXPECT_TRUE(ReadFileBytes(backup) == read);
  EXPECT_FALSE(QFileInfo::exists(journal));

  ASSERT_TRUE(WriteFileBytes(journal, journalBytes));
  ASSERT_TRUE(WriteFileBytes(folder + "new.dat", "another file\n"));
  ASSERT_EQ(::rename(QFile::encodeName(folder + "new.dat").constData(), QFile::encodeName(path).constData()), 0);
  ASSERT_EQ(ReadRegularFile(path, read), TRegularOpen::Opened);
  EXPECT_EQ(read, "another file\n");
  EXPECT_FALSE(QFileInfo::exists(journal));
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"list.bak", "list.dat"}));
}

// A FIFO, a device and links to them (one or two hops) are never written,
// neither by a replacing save nor by one in place: each is refused with its
// name and stays what it was; no temporary is left beside it.
TEST(SafeFile, PipesAndDevicesAreRefusedByNameAndStayAsTheyAre) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  TFifoWatch fifos;
  if (const std::string why = MakeDeviceNode(folder + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(fifos.MakePipeAndLinks(folder));
  ASSERT_TRUE(MakeLink(folder + "to-to-null", "to-null"));
  ASSERT_TRUE(QDir().mkdir(folder + "folder"));
  const auto yes = [](const QString&, TInPlaceReason) { return true; };
  for (const char* name : {"pipe", "to-pipe", "to-null", "to-to-null", "folder"}) {
    const QString path = folder + name;
    for (const bool ask : {false, true}) {
      try {
        SafeFile::Write(path, "text\n", ask ? TInPlaceQuestion(yes) : TInPlaceQuestion());
        ADD_FAILURE() << name << " was written";
      } catch (const ENotRegularFile& e) {
        EXPECT_EQ(e.FileName(), path);
        EXPECT_EQ(e.Message(), "Cannot create file \"" + path + "\". It is not a regular file.");
      }
    }
  }
  EXPECT_EQ(EntryKind(folder + "pipe"), 'p');
  EXPECT_EQ(QFile::symLinkTarget(folder + "to-pipe"), folder + "pipe");
  EXPECT_EQ(QFile::symLinkTarget(folder + "to-null"), folder + "null");
  EXPECT_EQ(EntryKind(folder + "to-to-null"), 'l');
  EXPECT_EQ(EntryKind(folder + "null"), 'c');
  EXPECT_TRUE(Temporaries(folder).isEmpty());
  EXPECT_EQ(fifos.Opened(), QStringList());
}

// A picture saved to a FIFO or a link to a device is refused like any save;
// to a file it is written whole.
// A rename in one step never replaces what lies at the new name: an empty
// folder (which a plain rename of a folder would silently take the place
// of) and a dangling link are refused and stay; a free name is taken.
TEST(SafeFile, ARenameNeverReplacesWhatLiesAtTheNewName) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("folder"), empty = dir.filePath("empty"), link = dir.filePath("link");
  ASSERT_TRUE(QDir().mkpath(folder + "/inner"));
  ASSERT_TRUE(QDir().mkpath(empty));
  ASSERT_EQ(::symlink("nowhere", QFile::encodeName(link).constData()), 0);

  EXPECT_EQ(SafeFile::RenameNoReplace(folder, empty), EEXIST);
  EXPECT_TRUE(QFileInfo::exists(folder + "/inner"));
  EXPECT_TRUE(QFileInfo(empty).isDir());
  EXPECT_EQ(SafeFile::RenameNoReplace(folder, link), EEXIST);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_TRUE(QFileInfo::exists(folder + "/inner"));

  EXPECT_EQ(SafeFile::RenameNoReplace(folder, dir.filePath("moved")), 0);
  EXPECT_TRUE(QFileInfo::exists(dir.filePath("moved/inner")));
  EXPECT_EQ(SafeFile::RenameNoReplace(folder, dir.filePath("again")), ENOENT);
}

TEST(SafeFile, PicturesAreSavedTheSameWay) {
  class TBytesGraphic : public TGraphic {
   public:
    void Draw(QPainter&, const QRect&) override {}
    bool GetEmpty() const override { return false; }
    int GetWidth() const override { return 1; }
    int GetHeight() const override { return 1; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadFromStream(QIODevice&) override {}
    void SaveToStream(QIODevice& stream) override { stream.write("picture bytes"); }
    void LoadFromClipboardFormat(const QMimeData&) override {}
    void SaveToClipboardFormat(QMimeData&) override {}
  } graphic;
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  TFifoWatch fifos;
  ASSERT_TRUE(fifos.Make(folder + "pipe.png"));
  if (const std::string why = MakeDeviceNode(folder + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(MakeLink(folder + "to-null.png", "null"));
  EXPECT_THROW(graphic.SaveToFile(folder + "pipe.png"), ENotRegularFile);
  EXPECT_THROW(graphic.SaveToFile(folder + "to-null.png"), ENotRegularFile);
  graphic.SaveToFile(folder + "a.png");
  EXPECT_EQ(ReadFileBytes(folder + "a.png"), "picture bytes");
  EXPECT_EQ(EntryKind(folder + "pipe.png"), 'p');
  EXPECT_EQ(EntryKind(folder + "null"), 'c');
  EXPECT_EQ(fifos.Opened(), QStringList());
}

}  // namespace
