#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <functional>

#include "platform/Journal.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

QByteArray N(const QString& path) { return QFile::encodeName(path); }

// Text beyond ASCII and beyond the BMP, repeated to `size` bytes or so.
QByteArray Text(const char* what, qsizetype size) {
  const QByteArray line = QByteArray(what) + " \xc3\xa9t\xc3\xa9 \xf0\x9d\x84\x9e\n";
  QByteArray text;
  while (text.size() < size) text += line;
  return text;
}

const auto yes = [](const QString&, TInPlaceReason) { return true; };

// A staged write in place of `text` to `path`, as printing and the file
// manager's copy do it.
void WriteStaged(const QString& path, const QByteArray& text) {
  TSafeFile file(path, yes);
  file.StageInPlace();
  file.Open();
  file.write(text);
  file.Commit();
}

QByteArray Read(const QString& path) {
  QByteArray bytes;
  EXPECT_EQ(ReadRegularFile(path, bytes), TRegularOpen::Opened);
  return bytes;
}

bool IsJournal(const char* name) { return std::strncmp(name, ".kvx-journal-", 13) == 0; }
bool IsKept(const char* name) { return name[0] != '.'; }

QStringList Journals(const QString& folder) {
  return QDir(folder).entryList({QStringLiteral(".kvx-journal-*")},
                                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A write in place (the file has a second link) killed at moments spread
// evenly over its commit: read back at once, the file is the old or the new
// text whole; edited in place after the kill (shorter, or a few bytes over
// at its start), or deleted and made anew under its name (which gets the
// freed inode back), it reads back as that later text, and the journal is
// gone.
TEST(Journal, AWriteKilledAtAnyMomentPutsBackOnlyWhatNoOneChangedSince) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/', path = folder + "page.html", link = folder + "page.bak";
  const QByteArray old = Text("old", 1 << 20), text = Text("new", (2 << 20) + 123);
  const auto reset = [&] {
    ::unlink(N(link).constData());
    ASSERT_TRUE(WriteFileBytes(path, old));
    ASSERT_EQ(::link(N(path).constData(), N(link).constData()), 0);
  };
  const auto write = [&] { WriteStaged(path, text); };
  // How long the journal lies there while the file is written.
  // (A write that ends while this process waits for its turn goes unseen.)
  TKillWindow window;
  int seen = 0;
  for (int calibration = 0; seen < 3 && calibration < 30; ++calibration) {
    reset();
    TKillWindow w;
    if (KillWhileInFolder(write, folder, IsJournal, -1, &w, path)) ++seen;
    window.Join(w);
  }
  ASSERT_GT(seen, 0);
  constexpr int kMoments = 24;
  int torn = 0;
  // Once more, at moments in between, while none caught a file half
  // written (this process may be slow to wake on a busy machine).
  for (int set = 0; set < 3 && (set == 0 || torn == 0); ++set)
    for (int i = 0; i < kMoments; ++i) {
      for (int later = 0; later < 4; ++later) {
        reset();
        KillWhileInFolder(write, folder, IsJournal, window.Moment(i * 3 + set, kMoments * 3));
        if (const QByteArray left = ReadFileBytes(path); !(left == old || left == text)) ++torn;
        QByteArray expected;
        switch (later) {
          case 0: {  // read back as it is
            const QByteArray read = Read(path);
            EXPECT_TRUE(read == old || read == text) << "moment " << i << ": " << read.size() << " bytes";
            expected = read;
            break;
          }
          case 1:  // a shell's ">"
            expected = "later \xf0\x9d\x84\x9e\n";
            ASSERT_TRUE(WriteFileBytes(path, expected));
            break;
          case 2: {  // an editor that keeps the inode and the size
            expected = ReadFileBytes(path);
            expected.replace(0, 5, "EDIT!");
            const int fd = ::open(N(path).constData(), O_WRONLY);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, "EDIT!", 5, 0), 5);
            ::close(fd);
            break;
          }
          case 3:  // deleted with its link and made anew
            ASSERT_EQ(::unlink(N(path).constData()), 0);
            ASSERT_EQ(::unlink(N(link).constData()), 0);
            expected = "a new file\n";
            ASSERT_TRUE(WriteFileBytes(path, expected));
            break;
        }
        EXPECT_TRUE(Read(path) == expected) << "moment " << i << ", later change " << later;
        EXPECT_TRUE(ReadFileBytes(path) == expected);
        EXPECT_EQ(Journals(folder), QStringList()) << "moment " << i << ", later change " << later;
      }
    }
  // The moments did catch files half written.
  EXPECT_GT(torn, 0);
}

// A journal that was put back once is not put back again, even where the
// folder no longer lets it be removed: an edit made in place after the
// first read stays.
TEST(Journal, AJournalThatCannotBeRemovedIsNeverReplayedTwice) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/', path = folder + "list.dat", link = folder + "list.bak";
  const QByteArray old = Text("old", 1 << 20), text = Text("new", 2 << 20);
  ASSERT_TRUE(WriteFileBytes(path, old));
  ASSERT_EQ(::link(N(path).constData(), N(link).constData()), 0);
  const auto write = [&] { WriteStaged(path, text); };
  QString journal;
  for (int tries = 0; journal.isEmpty() && tries < 20; ++tries) {
    ASSERT_TRUE(WriteFileBytes(path, old));
    KillWhileInFolder(write, folder, IsJournal, 0);
    if (!Journals(folder).isEmpty()) journal = folder + Journals(folder).first();
  }
  ASSERT_FALSE(journal.isEmpty()) << "no write was caught with its journal";
  const QByteArray kept = ReadFileBytes(journal);
  // A folder that takes no changes is the same to the journal as one whose
  // journal comes back after each read: planted again, here.
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(WriteFileBytes(journal, kept));
    if (round == 0) {
      const QByteArray read = Read(path);
      EXPECT_TRUE(read == text || read == old);
      const int fd = ::open(N(path).constData(), O_WRONLY);
      ASSERT_EQ(::pwrite(fd, "EDIT!", 5, 10), 5);
      ::close(fd);
    }
    QByteArray edited = Read(path);
    EXPECT_EQ(edited.mid(10, 5), "EDIT!") << "round " << round;
  }
  EXPECT_TRUE(ReadFileBytes(link).mid(10, 5) == "EDIT!");

  // The same in a folder made read-only after the kill, the file itself
  // still writable.
  const int failures = AsUserBoundByPermissions(dir.path(), [&] {
    int failed = 0;
    if (!WriteFileBytes(journal, kept) || !WriteFileBytes(path, old)) return 60;
    // Only the journal of a write stopped in this very file's current
    // state is replayed: made so again.
    ::unlink(N(journal).constData());
    for (int tries = 0; !QFileInfo::exists(journal) && tries < 20; ++tries) {
      if (!WriteFileBytes(path, old)) return 61;
      KillWhileInFolder(write, folder, IsJournal, 0);
      const QStringList left = Journals(folder);
      if (!left.isEmpty() && folder + left.first() != journal)
        ::rename(N(folder + left.first()).constData(), N(journal).constData());
    }
    if (!QFileInfo::exists(journal) || ::chmod(N(folder).constData(), 0555) != 0) return 62;
    QByteArray read;
    if (ReadRegularFile(path, read) != TRegularOpen::Opened || !(read == old || read == text)) ++failed;
    if (!QFileInfo::exists(journal)) ++failed;  // the folder kept it
    const int fd = ::open(N(path).constData(), O_WRONLY);
    if (fd < 0 || ::pwrite(fd, "EDIT!", 5, 10) != 5) ++failed;
    ::close(fd);
    for (int again = 0; again < 2; ++again)
      if (ReadRegularFile(path, read) != TRegularOpen::Opened || read.mid(10, 5) != "EDIT!") ++failed;
    ::chmod(N(folder).constData(), 0755);
    return failed;
  });
  ::chmod(N(folder).constData(), 0755);
  EXPECT_EQ(failures, 0);
}

// Things at a journal's name that are not a journal of ours for this file:
// each leaves the file and itself as they were, none is followed or opened,
// and a write of the file goes ahead at once under another name. A journal
// of ours made for another inode is removed.
TEST(Journal, WhatIsNotOurJournalChangesNothingAndBlocksNoWrite) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/', path = folder + "page.html", link = folder + "page.bak";
  const QByteArray page = Text("page", 20000);
  ASSERT_TRUE(WriteFileBytes(path, page));
  ASSERT_EQ(::link(N(path).constData(), N(link).constData()), 0);
  ASSERT_TRUE(WriteFileBytes(folder + "victim", "victim\n"));
  const QString first = folder + QFile::decodeName(Journal::NameBeside("page.html"));
  struct stat st {};
  ASSERT_EQ(::stat(N(path).constData(), &st), 0);
  // A header of ours in form, for the file with the given inode and length.
  const auto header = [](quint64 inode, const char* length, const QByteArray& name) {
    return "KVX-JOURNAL 2\nL " + QByteArray::number(inode).rightJustified(20, '0').prepend("00000000000000000000 ") +
           " 00000000000000000000 000000000 00000000000000000000 " + QByteArray(length).rightJustified(20, '0') + ' ' +
           QByteArray(64, 'a') + ' ' + QByteArray::number(name.size()).rightJustified(5, '0') + '\n' + name + '\n';
  };
  TFifoWatch fifos;
  const auto plant = [&](int kind) -> bool {
    switch (kind) {
      case 0: {  // 8 GiB, stored as a hole, made for another inode
        const QByteArray head = header(st.st_ino + 1, "8589934592", "page.html");
        if (!WriteFileBytes(first, head)) return false;
        return ::truncate(N(first).constData(), head.size() + (qint64(8) << 30)) == 0;
      }
      case 1:  // a length of 2^63-1
        return WriteFileBytes(first, header(st.st_ino, "9223372036854775807", "page.html"));
      case 2:  // naming ".."
        return WriteFileBytes(first, header(st.st_ino, "5", ".."));
      case 3:
        return MakeLink(first, "victim");
      case 4:
        return fifos.Make(first);
      case 5:
        return QDir().mkdir(first);
      case 6:  // another user's
        return WriteFileBytes(first, header(st.st_ino, "5", "page.html") + "abcde") &&
               ::chown(N(first).constData(), 65534, 65534) == 0;
    }
    return false;
  };
  for (int kind = 0; kind < 7; ++kind) {
    if (kind == 6 && ::geteuid() != 0) continue;  // only root makes another user's file
    ASSERT_TRUE(plant(kind)) << kind;
    struct stat planted {};
    ASSERT_EQ(::lstat(N(first).constData(), &planted), 0);
    EXPECT_TRUE(Read(path) == page) << kind;
    // Written in place (the second link) under another journal name: no
    // wait, no failure.
    const QByteArray text = Text("new", 30000 + kind);
    WriteStaged(path, text);
    EXPECT_TRUE(Read(link) == text) << kind;
    WriteStaged(path, page);
    struct stat after {};
    if (kind == 0) {
      EXPECT_NE(::lstat(N(first).constData(), &after), 0) << "a journal of ours for another inode stays";
    } else {
      ASSERT_EQ(::lstat(N(first).constData(), &after), 0) << kind;
      EXPECT_EQ(after.st_ino, planted.st_ino) << kind;
      EXPECT_EQ(after.st_mode, planted.st_mode) << kind;
      EXPECT_EQ(after.st_size, planted.st_size) << kind;
    }
    EXPECT_EQ(ReadFileBytes(folder + "victim"), "victim\n");
    EXPECT_EQ(Journals(folder).size(), kind == 0 ? 0 : 1) << Journals(folder).join(u',').toStdString();
    if (QFileInfo(first).isDir() && !QFileInfo(first).isSymLink())
      ASSERT_TRUE(QDir().rmdir(first));
    else
      ::unlink(N(first).constData());
  }
  EXPECT_EQ(fifos.Opened(), QStringList());
}

// A folder that takes no new file (mode 555): a staged write into a file
// there (a PDF printed, the file manager's copy onto it) killed at moments
// spread over its commit leaves the file old or new whole once the journal,
// kept in the program's folder for them, is found: by the next read, or at
// the next start.
TEST(Journal, AWriteIntoAFolderThatTakesNoNewFileIsWholeAfterAKill) {
  QTemporaryDir dir;
  const QString folder = dir.path() + QStringLiteral("/pdfs/"), kept = dir.path() + QStringLiteral("/kept");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + "listing.pdf";
  const QByteArray old = Text("%PDF old", 3 << 20), text = Text("%PDF new", (6 << 20) + 77);
  ASSERT_TRUE(WriteFileBytes(path, old));
  const int failures = AsUserBoundByPermissions(dir.path(), [&] {
    int failed = 0;
    Journal::SetKeptFolder(kept);
    if (::chmod(N(folder).constData(), 0555) != 0) return 50;
    // The folder really takes no new file.
    if (::open(N(folder + "probe").constData(), O_CREAT | O_WRONLY, 0600) >= 0) return 51;
    try {
      WriteStaged(path, old);
    } catch (...) {
      return 52;
    }
    TKillWindow window;
    int seen = 0;
    for (int calibration = 0; seen < 3 && calibration < 30; ++calibration) {
      TKillWindow w;
      WriteStaged(path, old);
      if (KillWhileInFolder([&] { WriteStaged(path, text); }, kept, IsKept, -1, &w, path)) ++seen;
      window.Join(w);
    }
    if (seen == 0) return 53;
    int torn = 0;
    for (int set = 0; set < 3 && (set == 0 || torn == 0); ++set)
      for (int round = 0; round < 20; ++round) {
        KillWhileInFolder([&] { WriteStaged(path, text); }, kept, IsKept, window.Moment(round * 3 + set, 60));
        if (const QByteArray left = ReadFileBytes(path); !(left == old || left == text)) ++torn;
        if (round % 2) Journal::RecoverKept();  // the next start
        QByteArray read;
        if (ReadRegularFile(path, read) != TRegularOpen::Opened || !(read == old || read == text)) ++failed;
        if (!QDir(kept).entryList(QDir::Files).isEmpty()) ++failed;
        try {
          WriteStaged(path, old);
        } catch (...) {
          ++failed;
        }
      }
    if (torn == 0) ++failed;  // the moments did catch files half written
    Journal::SetKeptFolder({});
    ::chmod(N(folder).constData(), 0755);
    return failed;
  });
  ::chmod(N(folder).constData(), 0755);
  EXPECT_EQ(failures, 0);
}

}  // namespace
