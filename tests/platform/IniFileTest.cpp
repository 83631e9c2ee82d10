#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <random>

#include "platform/Exceptions.h"
#include "platform/IniFile.h"
#include "platform/OwnFile.h"
#include "platform/ScopeExit.h"
#include "tests/common/TestUtil.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path() const { return dir.filePath(QStringLiteral("settings.ini")); }
};

TEST_F(IniFileTest, TypedValuesRoundTripAndAreWrittenAsTheFormatWants) {
  TIniFile ini(path());
  ini.WriteString(QStringLiteral("Font"), QStringLiteral("Style"), QStringLiteral("Courier New"));
  ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 12);
  ini.WriteInteger(QStringLiteral("EditWindow"), QStringLiteral("BGCol"), -16777211);
  ini.WriteBool(QStringLiteral("LN"), QStringLiteral("Enabled"), true);
  ini.WriteBool(QStringLiteral("Ask"), QStringLiteral("ToSave?"), false);

  // A second object sees every write at once: nothing is cached.
  const TIniFile other(path());
  EXPECT_EQ(other.ReadString(QStringLiteral("Font"), QStringLiteral("Style"), QString()),
            QStringLiteral("Courier New"));
  EXPECT_EQ(other.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 0), 12);
  EXPECT_EQ(other.ReadInteger(QStringLiteral("EditWindow"), QStringLiteral("BGCol"), 0), -16777211);
  EXPECT_TRUE(other.ReadBool(QStringLiteral("LN"), QStringLiteral("Enabled"), false));
  EXPECT_FALSE(other.ReadBool(QStringLiteral("Ask"), QStringLiteral("ToSave?"), true));

  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[Font]\nStyle=Courier New\nSize=12\n\n[EditWindow]\nBGCol=-16777211\n\n"
                                              "[LN]\nEnabled=1\n\n[Ask]\nToSave?=0\n"));
}

TEST_F(IniFileTest, ReadsApplyDefaultsAndTheNumberRules) {
  ASSERT_TRUE(WriteFileBytes(path(),
                             "[A]\nsize = 12 \nempty=\nbool=5\nhex=$FF\nhex2=0x10\nbad=12abc\nneg=-3\n"
                             "huge=99999999999\n"));
  const TIniFile ini(path());
  // An empty value reads as the reader's default.
  const struct {
    const char* key;
    int fallback, value;
  } ints[] = {{"size", 0, 12}, {"empty", 7, 7}, {"hex", 0, 255}, {"hex2", 0, 16},
              {"bad", 4, 4},   {"neg", 0, -3},  {"huge", 9, 9},  {"missing", 9, 9}};
  for (const auto& c : ints)
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QLatin1String(c.key), c.fallback), c.value) << c.key;
  EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("size"), QString()), QStringLiteral("12"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("empty"), QStringLiteral("d")), QStringLiteral("d"));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("A"), QStringLiteral("bool"), false));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Nope"), QStringLiteral("size"), 9), 9);
  EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("missing")));
  EXPECT_TRUE(ini.ValueExists(QStringLiteral("a"), QStringLiteral("EMPTY")));
}

TEST_F(IniFileTest, NamesAreCaseInsensitiveFirstDuplicateWinsAndQuestionMarksStay) {
  ASSERT_TRUE(WriteFileBytes(path(), "[Show]\nDocMan?=1\ndocman?=0\n[show]\nDocMan?=0\n"));
  TIniFile ini(path());
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("SHOW"), QStringLiteral("docman?"), false));
  EXPECT_EQ(ini.ReadSection(QStringLiteral("Show")), QStringList{QStringLiteral("DocMan?")});
  EXPECT_EQ(ini.ReadSections(), QStringList{QStringLiteral("Show")});

  ini.WriteBool(QStringLiteral("show"), QStringLiteral("DOCMAN?"), false);
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[Show]\nDocMan?=0\ndocman?=0\n[show]\nDocMan?=0\n"));

  ini.WriteBool(QStringLiteral("XPLook"), QStringLiteral("Enabled?"), true);
  EXPECT_TRUE(ReadFileBytes(path()).endsWith("\n[XPLook]\nEnabled?=1\n"));
}

TEST_F(IniFileTest, RewritesKeepUnknownLinesCommentsAndLineBreaks) {
  const QByteArray original = "; comment\r\n[Mine]\r\nodd line\r\nx = 1\r\n\r\n[Other]\r\nKey=Value with = sign\r\n";
  ASSERT_TRUE(WriteFileBytes(path(), original));
  TIniFile ini(path());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("Key"), QString()),
            QStringLiteral("Value with = sign"));
  ini.WriteInteger(QStringLiteral("Mine"), QStringLiteral("y"), 2);
  ini.WriteInteger(QStringLiteral("Mine"), QStringLiteral("X"), 3);
  EXPECT_EQ(ReadFileBytes(path()),
            QByteArray("; comment\r\n[Mine]\r\nodd line\r\nx=3\r\ny=2\r\n\r\n[Other]\r\nKey=Value with = sign\r\n"));

  ini.DeleteKey(QStringLiteral("Mine"), QStringLiteral("y"));
  ini.EraseSection(QStringLiteral("Other"));
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("; comment\r\n[Mine]\r\nodd line\r\nx=3\r\n\r\n"));
}

TEST_F(IniFileTest, Windows1252FilesStayByteExactAndNewlinesCannotSplitAValue) {
  ASSERT_TRUE(WriteFileBytes(path(), "[Last]\nFolder=/home/caf\xE9\n"));
  TIniFile ini(path());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Last"), QStringLiteral("Folder"), QString()),
            QStringLiteral("/home/caf\u00E9"));
  ini.WriteString(QStringLiteral("Work"), QStringLiteral("Dir"), QStringLiteral("a\nb=c"));
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[Last]\nFolder=/home/caf\xE9\n\n[Work]\nDir=a b=c\n"));
  EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("Last"), QStringLiteral("Work")}));
}

// Only the file's first three bytes can be a byte-order mark; the same bytes
// further on are text, and a rewrite keeps them.
TEST_F(IniFileTest, OnlyTheFirstThreeBytesAreAByteOrderMark) {
  const QByteArray bom = "\xEF\xBB\xBF";
  ASSERT_TRUE(WriteFileBytes(path(), bom + bom + "[A]\nk=1\n[B]\n" + bom + "k=2\nj=3\n"));
  TIniFile ini(path());
  EXPECT_EQ(ini.ReadSections(), QStringList{QStringLiteral("B")});  // "\uFEFF[A]" is no header
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("B"), QStringLiteral("k"), -1), -1);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("B"), QStringLiteral("j"), -1), 3);
  ini.WriteInteger(QStringLiteral("B"), QStringLiteral("j"), 4);
  EXPECT_EQ(ReadFileBytes(path()), bom + bom + "[A]\nk=1\n[B]\n" + bom + "k=2\nj=4\n");
}

// A file over the size limit is not read and never rewritten.
TEST_F(IniFileTest, AnOversizedFileGivesDefaultsAndStaysAsItIs) {
  QByteArray bytes = "[A]\nk=1\n";
  bytes += QByteArray(TIniFile::MaxFileSize, ';');
  ASSERT_TRUE(WriteFileBytes(path(), bytes));
  TIniFile ini(path());
  EXPECT_TRUE(ini.TooLarge());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 7), 7);
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 2);
  ini.EraseSection(QStringLiteral("A"));
  EXPECT_EQ(ReadFileBytes(path()), bytes);
  ASSERT_TRUE(WriteFileBytes(path(), "[A]\nk=1\n"));
  EXPECT_FALSE(ini.TooLarge());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 7), 1);
}

// Reads of an unchanged file parse it once; a change on disk, even one of
// the same size within the same second, is seen at the next read.
TEST_F(IniFileTest, UnchangedFilesAreParsedOnceAndChangesSeenAtOnce) {
  ASSERT_TRUE(WriteFileBytes(path(), "[A]\nk=1\nj=2\n"));
  TIniFile ini(path());
  const quint64 before = TIniFile::ParseCount();
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 1);
    EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("j"), 0), 2);
  }
  EXPECT_EQ(TIniFile::ParseCount() - before, 1u);
  for (const QByteArray& next : {QByteArray("[A]\nk=5\nj=2\n"), QByteArray("[A]\nk=6\nj=2\n")}) {
    QFile f(path());  // rewritten in place by another program
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(next);
    f.close();
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), next.mid(6, 1).toInt());
  }
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 9);
  EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 9);
  QFile::remove(path());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 0);
}

// A file that was changed a while ago is opened once for any number of reads
// and writes; a change on disk (another file put in its place, a rewrite in
// place with a new time) is read at the next look.
TEST_F(IniFileTest, AnUnchangedFileIsOpenedOnceAndAChangeIsSeen) {
  const auto age = [this](int seconds) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
  };
  ASSERT_TRUE(WriteFileBytes(path(), "[A]\nk=1\nj=2\n"));
  age(3600);
  const quint64 before = TIniFile::OpenCount(path());
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 1);
    EXPECT_TRUE(TIniFile(path()).SectionExists(QStringLiteral("A")));
  }
  EXPECT_EQ(TIniFile::OpenCount(path()) - before, 1u);

  // Rewritten in place by another program, same size, its time set back
  // again: the change time still tells.
  {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write("[A]\nk=3\nj=2\n");
  }
  age(3600);
  EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 3);
  // Replaced by another file of the same size.
  ASSERT_TRUE(WriteFileBytes(path() + ".new", "[A]\nk=4\nj=2\n"));
  ASSERT_EQ(::rename(QFile::encodeName(path() + ".new").constData(), QFile::encodeName(path()).constData()), 0);
  EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 4);

  // Our own write goes to disk at once and is read back from memory.
  TIniFile ini(path());
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k"), 5);
  EXPECT_EQ(ReadFileBytes(path()), "[A]\nk=5\nj=2\n");
  EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 5);
}

TEST_F(IniFileTest, AFailedWriteIsReportedAndTheOldFileStays) {
  const QByteArray original = "[Font]\nSize=10\n";
  ASSERT_TRUE(WriteFileBytes(path(), original));
  TIniFile ini(path());

  // A file-size limit makes the write itself fail, whoever runs the test.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &tiny);
  EXPECT_THROW(ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 12), EStreamError);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(ReadFileBytes(path()), original);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("settings.ini")});

  // A folder without write permission (not enforced for the super-user).
  if (geteuid() != 0) {
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    try {
      ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 12);
      ADD_FAILURE() << "write to a read-only folder succeeded";
    } catch (const EStreamError& e) {
      EXPECT_TRUE(e.Message().contains(path())) << e.Message().toStdString();
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadFileBytes(path()), original);
  }
}

TEST_F(IniFileTest, NamesTheFormatCannotHoldAreRefused) {
  TIniFile ini(path());
  for (const char* key : {"a=b", "", "[x", ";x", "a\nb"})
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QLatin1String(key), QStringLiteral("v")), EConvertError) << key;
  EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("k"), QStringLiteral("v")), EConvertError);
  EXPECT_FALSE(QFile::exists(path()));
}

TEST(IniFileParse, IntegerTexts) {
  const struct {
    const char* text;
    bool ok;
    int value;
  } cases[] = {{"$FF000005", true, static_cast<int>(0xFF000005u)},
               {"-2147483648", true, INT_MIN},
               {"2147483648", false, 0},
               {"-", false, 0},
               {"$", false, 0},
               {"1 2", false, 0}};
  for (const auto& c : cases) {
    int v = 0;
    EXPECT_EQ(TIniFile::ParseInteger(QLatin1String(c.text), v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(IniFileUnreadable, ReadsGiveDefaultsAndWritesRefuse) {
  QTemporaryDir dir;
  // A folder where the file should be cannot be read as a file by anyone.
  const QString path = dir.filePath(QStringLiteral("settings.ini"));
  ASSERT_TRUE(QDir().mkpath(path));
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 10), 10);
  EXPECT_FALSE(ini.SectionExists(QStringLiteral("Font")));
  EXPECT_THROW(ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 12), EStreamError);
  EXPECT_TRUE(QFileInfo(path).isDir());
  // A pipe in its place is not waited on.
  const QString pipe = dir.filePath(QStringLiteral("pipe.ini"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  EXPECT_EQ(TIniFile(pipe).ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 10), 10);
}

// Runs `work` in a child process and gives its exit status, or -1 when it
// had not ended after a minute (a read that waits on a pipe never ends).
int RunInChild(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    int status = 1;
    try {
      status = work();
    } catch (...) {
    }
    _exit(status);
  }
  int status = 0;
  for (int tenths = 0; tenths < 600; ++tenths) {
    if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::usleep(100'000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  return -1;
}

QStringList AllFiles(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Two instances of the program writing different keys at the same moment.
TEST_F(IniFileTest, TwoProcessesWritingAtOnceKeepEveryKey) {
  ASSERT_TRUE(WriteFileBytes(path(), "[Keep]\nk=1\n"));
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  pid_t writers[2];
  for (int n = 0; n < 2; ++n) {
    writers[n] = ::fork();
    if (writers[n] == 0) {
      ::close(go[1]);
      char c;
      if (::read(go[0], &c, 1) != 0) _exit(2);  // both start when the pipe closes
      try {
        TIniFile ini(path());
        for (int i = 0; i < 200; ++i)
          ini.WriteInteger(QStringLiteral("Keys"), QStringLiteral("k%1-%2").arg(n).arg(i), i);
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const TIniFile ini(path());
  int found = 0;
  for (int n = 0; n < 2; ++n)
    for (int i = 0; i < 200; ++i)
      found += ini.ReadInteger(QStringLiteral("Keys"), QStringLiteral("k%1-%2").arg(n).arg(i), -1) == i;
  EXPECT_EQ(found, 400);
  EXPECT_EQ(ini.ReadSection(QStringLiteral("Keys")).size(), 400);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Keep"), QStringLiteral("k"), 0), 1);
  EXPECT_EQ(AllFiles(dir.path()), QStringList{QStringLiteral("settings.ini")});
}

// Another editor saves the file in place after the program read it and
// before its new text took the file's place: the write starts again from
// the editor's text. Once with a file changed long ago, whose time stamps
// tell, once with one just written, same size, whose bytes must tell.
TEST_F(IniFileTest, AnEditorSavingInPlaceDuringAWriteLosesNothing) {
  ScopeExit noHook([] { TIniFile::SetBeforeReplace({}); });
  const auto saveInPlace = [](const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));  // same file, new text
    ASSERT_EQ(f.write(bytes), bytes.size());
  };
  ASSERT_TRUE(WriteFileBytes(path(), "[A]\nk=1\n"));
  {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
  }
  TIniFile ini(path());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 1);
  int calls = 0;
  TIniFile::SetBeforeReplace([&](const QString& name) {
    if (calls++ == 0) saveInPlace(name, "[A]\nk=2\nEditor=1\n");
  });
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 3);
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[A]\nk=2\nEditor=1\nj=3\n"));

  calls = 0;
  TIniFile::SetBeforeReplace([&](const QString& name) {
    if (calls++ == 0) saveInPlace(name, "[A]\nk=5\nEditor=1\nj=3\n");
  });
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 4);
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[A]\nk=5\nEditor=1\nj=4\n"));
  EXPECT_EQ(TIniFile(path()).ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 5);

  // A file that changes under every attempt is reported, and keeps the
  // other program's text.
  TIniFile::SetBeforeReplace(
      [&](const QString& name) { saveInPlace(name, "[A]\nk=" + QByteArray::number(++calls) + "\n"); });
  EXPECT_THROW(ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 6), EWriteError);
  EXPECT_EQ(ReadFileBytes(path()), "[A]\nk=" + QByteArray::number(calls) + "\n");
  EXPECT_EQ(AllFiles(dir.path()), QStringList{QStringLiteral("settings.ini")});
}

// The program's own settings with a backup made by "ln": written in place,
// without a question, so that both names see every write; a change by
// another program during the write starts it again from that change, and
// nothing of the first attempt reaches the file.
TEST_F(IniFileTest, ASecondLinkIsKeptAndBothNamesSeeEveryWrite) {
  ScopeExit noHook([] { TIniFile::SetBeforeReplace({}); });
  ASSERT_TRUE(WriteFileBytes(path(), "[A]\nk=1\n"));
  const QString backup = dir.filePath(QStringLiteral("settings.bak"));
  ASSERT_EQ(::link(QFile::encodeName(path()).constData(), QFile::encodeName(backup).constData()), 0);
  TIniFile ini(path());
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 2);
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[A]\nk=1\nj=2\n"));
  EXPECT_EQ(ReadFileBytes(backup), QByteArray("[A]\nk=1\nj=2\n"));

  QByteArray seen;
  int calls = 0;
  TIniFile::SetBeforeReplace([&](const QString& name) {
    if (calls++ > 0) return;
    seen = ReadFileBytes(name);  // the new text is ready, the file not yet touched
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[A]\nk=7\nj=2\nEditor=1\n");
  });
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 3);
  EXPECT_EQ(seen, QByteArray("[A]\nk=1\nj=2\n"));
  EXPECT_EQ(ReadFileBytes(backup), QByteArray("[A]\nk=7\nj=3\nEditor=1\n"));
  struct stat a {}, b{};
  ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &a), 0);
  ASSERT_EQ(::stat(QFile::encodeName(backup).constData(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(a.st_nlink, 2u);
  EXPECT_EQ(AllFiles(dir.path()), QStringList({QStringLiteral("settings.bak"), QStringLiteral("settings.ini")}));
}

// A settings file with a second link (so it is written in place) is written
// over and over by a child process that is killed at a random moment, 300
// times. The key written first changes the file's length, so a write cut
// short tears every line after it. After each kill a read gives the whole
// text of one write, the old or the new: every key, both names alike, and
// nothing else left in the folder (no temporary, no journal).
TEST_F(IniFileTest, AWriteInPlaceKilledAtAnyMomentLeavesAWholeFile) {
  constexpr int kKeys = 4000;  // about 100 KB: written in more than one piece
  const auto text = [&](int padding) {
    QByteArray t = "[A]\nPad=" + QByteArray(padding, 'x') + "\n\n[Keys]\n";
    for (int i = 0; i < kKeys; ++i) t += "Key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + "\n";
    return t;
  };
  const QString backup = dir.filePath(QStringLiteral("settings.bak"));
  ASSERT_TRUE(WriteFileBytes(path(), text(1)));
  ASSERT_EQ(::link(QFile::encodeName(path()).constData(), QFile::encodeName(backup).constData()), 0);
  std::mt19937 random(20261207);
  int torn = 0;
  for (int round = 0; round < 300; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      try {
        TIniFile ini(path());
        if (::write(ready[1], "r", 1) != 1) _exit(1);
        for (int n = 0;; ++n) ini.WriteString(QStringLiteral("A"), QStringLiteral("Pad"), QString(1 + n % 2000, u'x'));
      } catch (...) {
        _exit(1);
      }
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 8000)(random));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;

    const TIniFile ini(path());
    const QString pad = ini.ReadString(QStringLiteral("A"), QStringLiteral("Pad"), QString());
    const QByteArray bytes = ReadFileBytes(path());
    if (bytes != text(int(pad.size())) || ReadFileBytes(backup) != bytes) ++torn;
    for (const int key : {0, kKeys / 2, kKeys - 1})
      if (ini.ReadString(QStringLiteral("Keys"), QStringLiteral("Key%1").arg(key), QString()) !=
          QStringLiteral("value %1").arg(key))
        ADD_FAILURE() << "round " << round << ": Key" << key << " lost";
    const QStringList files = AllFiles(dir.path());
    if (files != QStringList({QStringLiteral("settings.bak"), QStringLiteral("settings.ini")}))
      ADD_FAILURE() << "round " << round << ": " << files.join(u' ').toStdString();
  }
  EXPECT_EQ(torn, 0);
}

// Two instances write one settings file with a second link (so in place)
// over and over, the first key's length changing with every write, while a
// third reads it for a few seconds and fresh processes ask for every key:
// each read sees the whole text of one write, never a mix, and every fresh
// process gets every key.
TEST_F(IniFileTest, ReadersNeverSeeAHalfWrittenFile) {
  constexpr int kKeys = 1000;
  QStringList keys;
  QByteArray text = "[A]\nPad=x\n\n[Keys]\n";
  for (int i = 0; i < kKeys; ++i) {
    keys << QStringLiteral("Key%1").arg(i);
    text += "Key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + "\n";
  }
  ASSERT_TRUE(WriteFileBytes(path(), text));
  const QString backup = dir.filePath(QStringLiteral("settings.bak"));
  ASSERT_EQ(::link(QFile::encodeName(path()).constData(), QFile::encodeName(backup).constData()), 0);
  // Whether `ini` holds every key, each with its value, and a whole pad.
  const auto whole = [&](const TIniFile& ini) {
    const QString pad = ini.ReadString(QStringLiteral("A"), QStringLiteral("Pad"), QString());
    return ini.ReadSection(QStringLiteral("Keys")) == keys && !pad.isEmpty() && pad == QString(pad.size(), u'x') &&
           ini.ReadString(QStringLiteral("Keys"), keys.last(), QString()) == QStringLiteral("value %1").arg(kKeys - 1);
  };
  pid_t writers[2];
  for (int n = 0; n < 2; ++n) {
    writers[n] = ::fork();
    if (writers[n] == 0) {
      try {
        TIniFile ini(path());
        std::mt19937 random(n);
        for (;;)
          ini.WriteString(QStringLiteral("A"), QStringLiteral("Pad"),
                          QString(std::uniform_int_distribution<int>(1, 300'000)(random), u'x'));
      } catch (...) {
        _exit(1);
      }
    }
  }
  ScopeExit stop([&] {
    for (const pid_t writer : writers) {
      ::kill(writer, SIGKILL);
      ::waitpid(writer, nullptr, 0);
    }
  });
  // The reader: how many of its reads were torn (or 255 when it failed).
  const int torn = RunInChild([&] {
    int count = 0;
    const qint64 end = QDateTime::currentMSecsSinceEpoch() + 3000;
    for (int reads = 0; QDateTime::currentMSecsSinceEpoch() < end || reads < 50; ++reads)
      count += whole(TIniFile(path())) ? 0 : 1;
    return std::min(count, 254);
  });
  EXPECT_EQ(torn, 0);
  // Fresh processes asking for each of the 1000 keys: how many they missed.
  for (int start = 0; start < 5; ++start) {
    const int missed = RunInChild([&] {
      const TIniFile ini(path());
      int count = 0;
      for (int i = 0; i < kKeys; ++i)
        count += ini.ReadString(QStringLiteral("Keys"), keys[i], QString()) == QStringLiteral("value %1").arg(i) ? 0 : 1;
      return std::min(count, 254);
    });
    EXPECT_EQ(missed, 0) << "start " << start;
  }
  // The writers were not kept out by the readers.
  const QString pad = TIniFile(path()).ReadString(QStringLiteral("A"), QStringLiteral("Pad"), QString());
  EXPECT_GT(pad.size(), 1);
}

// Made with a report, a write that fails raises nothing: the failure is told
// (each time; the program tells the user once), and the new text is what
// readers get while the file stays as it was. The next write that succeeds
// puts it all on disk. Once with a file there, once with none yet.
TEST_F(IniFileTest, AFailedWriteWithAReportIsToldAndItsTextHeld) {
  QStringList told;
  const TOwnFileReport report = [&](TOwnFileTrouble trouble, const QString& name, const Exception* failure) {
    told << (trouble == TOwnFileTrouble::NotWritten ? QStringLiteral("failed ") : QStringLiteral("unlocked ")) + name +
                (failure ? u' ' + failure->Message() : QString());
  };
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  // A file-size limit makes every write fail, whoever runs the test.
  const auto failWrites = [&](bool on) {
    rlimit limit = old;
    if (on) limit.rlim_cur = 1;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  };
  ScopeExit restore([&] { ::setrlimit(RLIMIT_FSIZE, &old); });
  for (const bool exists : {true, false}) {
    told.clear();
    const QString name = dir.filePath(exists ? QStringLiteral("settings.ini") : QStringLiteral("new.ini"));
    if (exists) {
      ASSERT_TRUE(WriteFileBytes(name, "[A]\nk=1\n"));
    }
    TIniFile ini(name, report);
    failWrites(true);
    EXPECT_NO_THROW(ini.WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 2));
    EXPECT_NO_THROW(ini.WriteString(QStringLiteral("B"), QStringLiteral("s"), QStringLiteral("x")));
    failWrites(false);
    const QString why = "Cannot write file \"" + name + "\". File too large.";
    EXPECT_EQ(told, QStringList({"failed " + name + u' ' + why, "failed " + name + u' ' + why}));
    EXPECT_EQ(ReadFileBytes(name), exists ? QByteArray("[A]\nk=1\n") : QByteArray());
    EXPECT_EQ(QFileInfo::exists(name), exists);
    const TIniFile reader(name);
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("A"), QStringLiteral("j"), 0), 2);
    EXPECT_EQ(reader.ReadString(QStringLiteral("B"), QStringLiteral("s"), QString()), QStringLiteral("x"));
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), exists ? 1 : 0);

    ini.WriteInteger(QStringLiteral("A"), QStringLiteral("m"), 3);
    EXPECT_EQ(ReadFileBytes(name), exists ? QByteArray("[A]\nk=1\nj=2\nm=3\n\n[B]\ns=x\n")
                                          : QByteArray("[A]\nj=2\nm=3\n\n[B]\ns=x\n"));
    EXPECT_EQ(told.size(), 2);
  }
  // Without a report the failure is raised, as before.
  failWrites(true);
  EXPECT_THROW(TIniFile(path()).WriteInteger(QStringLiteral("A"), QStringLiteral("j"), 5), EWriteError);
}

// Another process holds the folder's lock and never lets go: the first write
// of the run waits for it (here: a wait that gives up at once), is made
// without it and tells so; every later write is made without a long wait and
// without telling again.
TEST_F(IniFileTest, AHeldLockIsWaitedOnOnceARun) {
  int waits = 0;
  TFolderLock::NewRun();
  TFolderLock::SetWait([&](int) {
    ++waits;
    return false;
  });
  ScopeExit reset([] {
    TFolderLock::SetWait({});
    TFolderLock::NewRun();
  });
  const int holder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ScopeExit release([holder] { ::close(holder); });
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  QStringList told;
  TIniFile ini(path(), [&](TOwnFileTrouble trouble, const QString& name, const Exception*) {
    told << (trouble == TOwnFileTrouble::Unlocked ? QStringLiteral("unlocked ") : QStringLiteral("failed ")) + name;
  });
  for (int i = 0; i < 5; ++i) ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k%1").arg(i), i);
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(told, QStringList{"unlocked " + path()});
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[A]\nk0=0\nk1=1\nk2=2\nk3=3\nk4=4\n"));
  // Let go: the lock is had again, without a wait.
  ASSERT_EQ(::flock(holder, LOCK_UN), 0);
  ini.WriteInteger(QStringLiteral("A"), QStringLiteral("k5"), 5);
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(told.size(), 1);
}

// Windows-1252 text whose non-ASCII letters happen to form valid UTF-8
// sequences ("\xDF\x85", "\xDF\xB0") once the one byte that does not ("\xE9")
// is written over: the file stays Windows-1252 and reads back as such.
TEST_F(IniFileTest, AWindows1252FileStaysSoAfterAWrite) {
  const QString key = QStringLiteral("Fu\u00DF\u2026"), value = QStringLiteral("Ma\u00DF\u00B0");
  ASSERT_TRUE(WriteFileBytes(path(), "[Units]\nFu\xDF\x85=Ma\xDF\xB0\nPath=/home/caf\xE9\n"));
  TIniFile ini(path());
  EXPECT_EQ(ini.ReadString(QStringLiteral("Units"), key, QString()), value);
  ini.WriteString(QStringLiteral("Units"), QStringLiteral("Path"), QStringLiteral("/home/user"));
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[Units]\nFu\xDF\x85=Ma\xDF\xB0\nPath=/home/user\n"));
  for (const TIniFile& reader : {ini, TIniFile(path())}) {
    EXPECT_EQ(reader.ReadString(QStringLiteral("Units"), key, QString()), value);
    EXPECT_EQ(reader.ReadString(QStringLiteral("Units"), QStringLiteral("Path"), QString()),
              QStringLiteral("/home/user"));
  }
  ini.WriteString(QStringLiteral("Units"), key, QStringLiteral("\u00E9"));
  EXPECT_EQ(ReadFileBytes(path()), QByteArray("[Units]\nFu\xDF\x85=\xE9\nPath=/home/user\n"));
}

// A pipe or a link to a device where settings.ini should be: reads give
// their defaults at once, writes refuse and leave the entry as it is.
TEST(IniFileNotAFile, PipesAndDevicesGiveDefaultsAndAreLeftAsTheyAre) {
  QTemporaryDir dir, devices;  // the device node beside the file would be listed with it
  const QString path = dir.filePath(QStringLiteral("settings.ini"));
  const QByteArray native = QFile::encodeName(path);
  for (const bool pipe : {true, false}) {
    SCOPED_TRACE(pipe ? "pipe" : "link to a null device");
    QFile::remove(path);
    if (!pipe)
      if (const std::string why = MakeDeviceNode(devices.filePath("null"), TDeviceNode::Null); !why.empty())
        GTEST_SKIP() << why;
    ASSERT_EQ(pipe ? ::mkfifo(native.constData(), 0600)
                   : ::symlink(QFile::encodeName(devices.filePath("null")).constData(), native.constData()),
              0);
    const int status = RunInChild([&] {
      TIniFile ini(path);
      if (ini.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 10) != 10 || !ini.ReadSections().isEmpty())
        return 2;
      try {
        ini.WriteInteger(QStringLiteral("Font"), QStringLiteral("Size"), 12);
        return 3;
      } catch (const EStreamError&) {
      }
      return 0;
    });
    EXPECT_EQ(status, 0);
    struct stat st {};
    ASSERT_EQ(::lstat(native.constData(), &st), 0);
    if (pipe) {
      EXPECT_TRUE(S_ISFIFO(st.st_mode));
    } else {
      EXPECT_TRUE(S_ISLNK(st.st_mode));
      EXPECT_EQ(QFile::symLinkTarget(path), devices.filePath("null"));
      ASSERT_EQ(::stat(native.constData(), &st), 0);
      EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    EXPECT_EQ(AllFiles(dir.path()), QStringList{QStringLiteral("settings.ini")});
  }
}

// A pipe that takes the file's place between the look at the entry and its
// opening (another program swapping the two back and forth) is not waited on.
TEST(IniFileNotAFile, APipeSwappedInWhileReadingIsNotWaitedOn) {
  QTemporaryDir dir;
  const QByteArray file = QFile::encodeName(dir.filePath(QStringLiteral("settings.ini")));
  const QByteArray other = QFile::encodeName(dir.filePath(QStringLiteral("other")));
  ASSERT_TRUE(WriteFileBytes(QFile::decodeName(file), "[Font]\nSize=12\n"));
  ASSERT_EQ(::mkfifo(other.constData(), 0600), 0);
  if (::renameat2(AT_FDCWD, file.constData(), AT_FDCWD, other.constData(), RENAME_EXCHANGE) != 0)
    GTEST_SKIP() << "the file system cannot exchange two names";
  const pid_t swapper = ::fork();
  if (swapper == 0) {
    for (;;) ::renameat2(AT_FDCWD, file.constData(), AT_FDCWD, other.constData(), RENAME_EXCHANGE);
  }
  const int status = RunInChild([&] {
    int seen = 0;
    for (int i = 0; i < 20000; ++i) {
      const int size =
          TIniFile(QFile::decodeName(file)).ReadInteger(QStringLiteral("Font"), QStringLiteral("Size"), 10);
      if (size != 10 && size != 12) return 2;
      seen |= size == 12 ? 1 : 0;
    }
    return seen ? 0 : 3;
  });
  ::kill(swapper, SIGKILL);
  ::waitpid(swapper, nullptr, 0);
  EXPECT_EQ(status, 0);
}

}  // namespace
