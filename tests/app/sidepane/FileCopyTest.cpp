// Tests of the file manager's copy and rename against targets that are
// there, or that come while the operation runs.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/sidepane/FileOperations.h"
#include "platform/Journal.h"
#include "platform/RegularFile.h"
#include "tests/common/TestUtil.h"

namespace {
// When set, the next rename first makes a file of these bytes at the new
// name: another program saving there in the moment after the name was
// looked at.
std::atomic<const char*> plantBeforeRename{nullptr};
}  // namespace

extern "C" int renameat2(int oldFd, const char* oldPath, int newFd, const char* newPath, unsigned flags) noexcept {
  using TRename = int (*)(int, const char*, int, const char*, unsigned);
  static const auto real = reinterpret_cast<TRename>(::dlsym(RTLD_NEXT, "renameat2"));
  if (const char* bytes = plantBeforeRename.exchange(nullptr)) {
    const int fd = ::openat(newFd, newPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      if (::write(fd, bytes, std::strlen(bytes)) < 0) std::perror("planted file");
      ::close(fd);
    }
  }
  return real(oldFd, oldPath, newFd, newPath, flags);
}

namespace {

ino_t Inode(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// An existing target with a second link is written in place. A copy stopped
// after its first piece leaves it whole and old under both names, with no
// temporary behind; a copy that runs to its end gives both names the new
// bytes and keeps the link.
TEST(FileCopy, AStoppedCopyOntoALinkedTargetLeavesItAsItWas) {
  QTemporaryDir dir;
  const QString from = dir.path() + "/from/", to = dir.path() + "/to/";
  ASSERT_TRUE(QDir().mkpath(from));
  ASSERT_TRUE(QDir().mkpath(to));
  const qint64 chunk = FileOps::TFileCopyRun::kChunk;
  const QByteArray fresh(3 * chunk, 'n'), old(2 * chunk + 5, 'o');
  ASSERT_TRUE(WriteFileBytes(from + "big.bin", fresh));
  ASSERT_TRUE(WriteFileBytes(to + "big.bin", old));
  ASSERT_EQ(::link(QFile::encodeName(to + "big.bin").constData(), QFile::encodeName(to + "backup.bin").constData()),
            0);

  FileOps::TFileCopyRun run;
  run.sourceFolder = from;
  run.destination = to;
  run.names = {"big.bin"};
  run.askOverwrite = [](const QString&) { return FileOps::TFileCopyRun::kYes; };
  int checks = 0;
  run.stopRequested = [&checks] { return ++checks == 2; };  // before the file, then after its first piece
  FileOps::TFileCopyRun::Result result = run.Run();
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.copied, 0);
  EXPECT_EQ(checks, 2);
  EXPECT_TRUE(ReadFileBytes(to + "big.bin") == old);
  EXPECT_TRUE(ReadFileBytes(to + "backup.bin") == old);
  EXPECT_EQ(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"backup.bin", "big.bin"}));

  run.stopRequested = {};
  result = run.Run();
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.copied, 1);
  EXPECT_TRUE(ReadFileBytes(to + "backup.bin") == fresh);
  EXPECT_EQ(Inode(to + "big.bin"), Inode(to + "backup.bin"));
  EXPECT_EQ(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"backup.bin", "big.bin"}));
}

// A copy onto a file in a folder that takes no new file (mode 555) is
// written in place through a journal kept in the program's folder: killed
// at moments spread over the copy, 20 times, the target reads back old or
// new whole.
TEST(FileCopy, ACopyOntoAFileInAFolderThatTakesNoNewFileIsWholeAfterAKill) {
  QTemporaryDir dir;
  const QString from = dir.path() + "/from/", to = dir.path() + "/to/", kept = dir.path() + "/kept";
  ASSERT_TRUE(QDir().mkpath(from));
  ASSERT_TRUE(QDir().mkpath(to));
  QByteArray fresh, old;
  while (fresh.size() < 8 * FileOps::TFileCopyRun::kChunk) fresh += "new \xf0\x9d\x84\x9e\n";
  while (old.size() < 5 * FileOps::TFileCopyRun::kChunk + 3) old += "old \xc3\xa9\n";
  ASSERT_TRUE(WriteFileBytes(from + "big.bin", fresh));
  ASSERT_TRUE(QDir().mkpath(from + "old"));
  ASSERT_TRUE(WriteFileBytes(from + "old/big.bin", old));
  ASSERT_TRUE(WriteFileBytes(to + "big.bin", old));
  const int failures = AsUserBoundByPermissions(dir.path(), [&] {
    Journal::SetKeptFolder(kept);
    if (::chmod(QFile::encodeName(to).constData(), 0555) != 0) return 50;
    FileOps::TFileCopyRun run;
    run.sourceFolder = from;
    run.destination = to;
    run.names = {"big.bin"};
    run.askOverwrite = [](const QString&) { return FileOps::TFileCopyRun::kYes; };
    if (run.Run().copied != 1 || ReadFileBytes(to + "big.bin") != fresh) return 51;
    // Old onto new, and new onto old in turn: how long the journal lies
    // there while the file is written.
    const auto isKept = [](const char* name) { return name[0] != '.'; };
    const auto copy = [&](int round) {
      return [&run, &from, round] {
        run.sourceFolder = round % 2 ? from + "old/" : from;
        run.Run();
      };
    };
    TKillWindow window;
    int seen = 0;
    for (int calibration = 0; seen < 4 && calibration < 30; ++calibration) {
      TKillWindow w;
      if (KillWhileInFolder(copy(calibration + 1), kept, isKept, -1, &w, to + "big.bin")) ++seen;
      window.Join(w);
    }
    if (seen == 0) return 52;
    int failed = 0, torn = 0;
    constexpr int kRounds = 20;
    // Once more, at moments in between, while none caught a file half
    // written (this process may be slow to wake on a busy machine).
    for (int set = 0; set < 3 && (set == 0 || torn == 0); ++set)
      for (int round = 0; round < kRounds; ++round) {
        // Onto what the last round left, whole: old or new.
        const QByteArray before = ReadFileBytes(to + "big.bin");
        KillWhileInFolder(copy(before == old ? 0 : 1), kept, isKept, window.Moment(round * 3 + set, kRounds * 3));
        if (const QByteArray left = ReadFileBytes(to + "big.bin"); !(left == old || left == fresh)) ++torn;
        QByteArray read;
        if (ReadRegularFile(to + "big.bin", read) != TRegularOpen::Opened || !(read == old || read == fresh)) {
          std::fprintf(stderr, "round %d: torn after the read (%lld bytes)\n", round, qint64(read.size()));
          ++failed;
        }
        if (!QDir(kept).entryList(QDir::Files).isEmpty()) {
          std::fprintf(stderr, "round %d: a journal stays\n", round);
          ++failed;
        }
      }
    if (torn == 0) {
      std::fprintf(stderr, "no round caught a file half written (changed %lld-%lld us of %lld)\n", window.changeFrom,
                   window.changeTo, window.lies);
      ++failed;
    }
    Journal::SetKeptFolder({});
    return failed;
  });
  ::chmod(QFile::encodeName(to).constData(), 0755);
  EXPECT_EQ(failures, 0);
}

// Where nothing lay when the copy looked, the copy only ever makes a new
// file: a link there that leads nowhere is not written through (that would
// make a file wherever it points, unasked), and a file that takes the name
// while the copy runs is kept; each is reported as not copied. The other
// files are copied all the same.
TEST(FileCopy, ANameTakenWithoutAQuestionIsNeverWrittenOver) {
  QTemporaryDir dir;
  const QString from = dir.path() + "/from/", to = dir.path() + "/to/", away = dir.path() + "/away/";
  for (const QString& folder : {from, to, away}) ASSERT_TRUE(QDir().mkpath(folder));
  const qint64 chunk = FileOps::TFileCopyRun::kChunk;
  ASSERT_TRUE(WriteFileBytes(from + "linked.html", "mine"));
  ASSERT_TRUE(WriteFileBytes(from + "big.bin", QByteArray(3 * chunk, 'n')));
  ASSERT_TRUE(WriteFileBytes(from + "last.txt", "last"));
  ASSERT_TRUE(QFile::link("../away/planted.html", to + "linked.html"));

  FileOps::TFileCopyRun run;
  run.sourceFolder = from;
  run.destination = to;
  run.names = {"linked.html", "big.bin", "last.txt"};
  int asked = 0;
  run.askOverwrite = [&asked](const QString&) {
    ++asked;
    return FileOps::TFileCopyRun::kYes;
  };
  // Another program saves big.bin once its copy has begun.
  QString current;
  run.progress = [&current](int, const QString& source, const QString&) { current = QFileInfo(source).fileName(); };
  run.processEvents = [&] {
    if (current == u"big.bin" && !QFileInfo::exists(to + "big.bin")) WriteFileBytes(to + "big.bin", "theirs");
  };
  const FileOps::TFileCopyRun::Result result = run.Run();
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(result.copied, 1);
  ASSERT_EQ(result.failures.size(), 2) << result.failures.join(u'\n').toStdString();
  EXPECT_TRUE(result.failures[0].startsWith("linked.html: ")) << result.failures[0].toStdString();
  EXPECT_TRUE(result.failures[1].startsWith("big.bin: ")) << result.failures[1].toStdString();
  EXPECT_FALSE(QFileInfo::exists(away + "planted.html"));
  EXPECT_EQ(QFileInfo(to + "linked.html").symLinkTarget(), away + "planted.html");
  EXPECT_EQ(ReadFileBytes(to + "big.bin"), "theirs");
  EXPECT_EQ(ReadFileBytes(to + "last.txt"), "last");
  EXPECT_EQ(QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"big.bin", "last.txt", "linked.html"}));
}

// A file saved under the new name just before the rename is kept: the
// rename is refused as for a name that was taken when it was looked at.
TEST(FileRename, ANameTakenJustBeforeTheRenameIsKept) {
  QTemporaryDir dir;
  const QString site = dir.path() + "/";
  ASSERT_TRUE(WriteFileBytes(site + "a.html", "mine"));
  plantBeforeRename = "theirs";
  const FileOps::TNameResult result = FileOps::RenameFile(site + "a.html", "b.html");
  ASSERT_EQ(plantBeforeRename.exchange(nullptr), nullptr);  // the other program did save
  EXPECT_EQ(result, FileOps::TNameResult::Exists);
  EXPECT_EQ(ReadFileBytes(site + "a.html"), "mine");
  EXPECT_EQ(ReadFileBytes(site + "b.html"), "theirs");
}

}  // namespace
