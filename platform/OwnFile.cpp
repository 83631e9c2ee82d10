#include "platform/OwnFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/Posix.h"
#include "platform/ScopeExit.h"

namespace {

using Posix::Native;
using Posix::Retry;

}  // namespace

namespace SafeFile {

void CommitOwn(TSafeFile& file) {
  // Readers wait for a write in place to be done.
  const int fd = file.InPlace() ? ::open(Native(file.Target()).constData(),
                                         O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC)
                                : -1;
  const ScopeExit close([fd] {
    if (fd >= 0) ::close(fd);
  });
  const TOwnFileTurn turn(fd, true, file.Target());
  file.Commit();
}

bool OwnFileInPlace(const QString& fileName, TInPlaceReason reason) {
  switch (reason) {
    case TInPlaceReason::HardLinks:
    case TInPlaceReason::Owner:
      return true;
    case TInPlaceReason::FolderNotWritable:
      throw EFCreateError(fileName, Reason(EACCES) + QStringLiteral(" on the folder \"%1\".")
                                                         .arg(QFileInfo(fileName).absolutePath()));
    case TInPlaceReason::WriteProtected:
      break;
  }
  throw EFCreateError(fileName, Reason(EACCES) + u'.');
}

namespace {

void WriteOwnStaged(const QString& fileName, QByteArrayView bytes) {
  TSafeFile file(fileName, OwnFileInPlace, [size = bytes.size()] { return qint64(size); });
  file.StageInPlace();
  file.Open();
  if (!bytes.isEmpty()) file.write(bytes.data(), bytes.size());
  CommitOwn(file);
}

}  // namespace

namespace {

// Keeps the bytes of a write whose folder's lock is busy.
void KeepBytes(const QString& fileName, const QByteArray& bytes, const TOwnFileReport& report) {
  KeepOwnWrite(
      fileName,
      [fileName, bytes, report] {
        try {
          WriteOwnUnlessBusy(fileName, bytes, report);
        } catch (const Exception& e) {
          if (report) report(TOwnFileTrouble::NotWritten, fileName, &e);
        }
        if (report && TFolderLock::TakeGaveUp()) report(TOwnFileTrouble::Unlocked, fileName, nullptr);
      },
      bytes);
}

}  // namespace

namespace {

// Writes the file under its folder's lock, or keeps the bytes for a later
// write while the lock is busy: nothing when kept, else the lock's GaveUp().
std::optional<bool> WriteOwnOrKeep(const QString& fileName, QByteArrayView bytes, const TOwnFileReport& report) {
  const TFolderLock lock(fileName);
  if (lock.Busy()) {
    KeepBytes(fileName, bytes.toByteArray(), report);
    return std::nullopt;
  }
  ForgetOwnWrite(fileName);
  WriteOwnStaged(fileName, bytes);
  return lock.GaveUp();
}

}  // namespace

bool WriteOwnUnlessBusy(const QString& fileName, QByteArrayView bytes, const TOwnFileReport& report) {
  return WriteOwnOrKeep(fileName, bytes, report).has_value();
}

bool WriteOwn(const QString& fileName, QByteArrayView bytes, const TOwnFileReport& report) {
  return WriteOwnOrKeep(fileName, bytes, report).value_or(false);
}

}  // namespace SafeFile

namespace {

std::function<bool(int fd)>& LockWait() {
  static std::function<bool(int fd)> wait;
  return wait;
}

// A holder that did not let go within the patience ended a wait of this run.
std::atomic<bool> lockGivenUp{false};
std::atomic<bool> giveUpUntold{false};
std::atomic<bool> starting{false};

// Writes of the program's files take milliseconds; a holder stopped in the
// middle of one is not waited on for ever.
constexpr int kPatienceMs = 10'000;
std::atomic<int> patienceMs{kPatienceMs};
// After a run gave up waiting once: long enough for a write of another
// instance, short enough not to be noticed.
constexpr int kMomentMs = 20;
// At the program's end, for a write kept in memory.
constexpr int kEndPatienceMs = 2000;

bool WaitForLock(int fd, int patience) {
  // Readers hold the lock only for the moment of a read: looked at often,
  // so that they do not keep a writer out.
  constexpr int kStepUs = 500;
  for (int waited = 0; waited < patience * 1000; waited += kStepUs) {
    ::usleep(kStepUs);
    if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0) return true;
    if (errno != EWOULDBLOCK) return false;
  }
  return false;
}

// The folder whose kept writes go on without its lock (given up, or the end).
QString& GoingAhead() {
  static QString folder;
  return folder;
}

// The thread of the application's event loop while the loop runs: the one
// that draws the windows.
bool OnWindowThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread() && QThread::currentThread()->loopLevel() > 0;
}

qint64 NowMs() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer c;
    c.start();
    return c;
  }();
  return clock.elapsed();
}

}  // namespace

TFolderLock::TFolderLock(const QString& fileName) : folder_(QFileInfo(fileName).absolutePath()) {
  fd_ = ::open(Native(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  bool had = Retry([&] { return ::flock(fd_, LOCK_EX | LOCK_NB); }) == 0;
  if (!had && errno == EWOULDBLOCK) {
    if (GoingAhead() == folder_) {
      // Kept writes that waited their time: without the lock.
    } else if (starting || OnWindowThread()) {
      // The window is not kept waiting, not even for a moment: the writer
      // keeps its text, and the event loop writes it.
      busy_ = true;
    } else if (lockGivenUp) {
      had = WaitForLock(fd_, kMomentMs);
    } else {
      const auto& wait = LockWait();
      had = wait ? wait(fd_) : WaitForLock(fd_, patienceMs);
      // One long wait a run: the program goes on without the lock after it.
      gaveUp_ = !had && !lockGivenUp.exchange(true);
      if (gaveUp_) giveUpUntold = true;
    }
  }
  if (!had) {
    ::close(fd_);
    fd_ = -1;
  }
}

TFolderLock::~TFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

void TFolderLock::SetWait(std::function<bool(int fd)> wait) { LockWait() = std::move(wait); }

bool TFolderLock::TakeGaveUp() { return giveUpUntold.exchange(false); }

void TFolderLock::NewRun() {
  lockGivenUp = false;
  giveUpUntold = false;
  SafeFile::ForgetOwnWrites();
}

void TFolderLock::SetStarting(bool on) { starting = on; }

void TFolderLock::SetPatience(int ms) { patienceMs = ms > 0 ? ms : kPatienceMs; }

namespace {

// A held turn is tried for this long in all, and by a reader, after it
// failed once, not again for a while.
constexpr int kReadPatienceUs = 30'000;
constexpr int kWritePatienceUs = 50'000;
constexpr qint64 kReadRestMs = 1000;

std::mutex busyMutex;
QHash<QString, qint64>& BusyForReaders() {
  static QHash<QString, qint64> since;
  return since;
}

}  // namespace

TOwnFileTurn::TOwnFileTurn(int fd, bool write, const QString& fileName) : fd_(fd) {
  if (fd_ < 0) return;
  bool rested = true;
  if (!write) {
    const std::lock_guard guard(busyMutex);
    const auto busy = BusyForReaders().constFind(fileName);
    rested = busy == BusyForReaders().cend() || NowMs() - *busy >= kReadRestMs;
  }
  constexpr int kStepUs = 200;
  const int patience = write ? kWritePatienceUs : kReadPatienceUs;
  for (int waited = 0;; waited += kStepUs) {
    if (Retry([&] { return ::flock(fd_, (write ? LOCK_EX : LOCK_SH) | LOCK_NB); }) == 0) {
      held_ = true;
      break;
    }
    if (errno != EWOULDBLOCK || !rested || waited >= patience) break;
    ::usleep(kStepUs);
  }
  if (write || held_ == rested) return;
  const std::lock_guard guard(busyMutex);
  if (held_)
    BusyForReaders().remove(fileName);
  else
    BusyForReaders().insert(fileName, NowMs());
}

TOwnFileTurn::~TOwnFileTurn() {
  // Released for every descriptor of the open file, kept ones too.
  if (held_) ::flock(fd_, LOCK_UN);
}

// ------------------------------------------------------------ kept writes

namespace {

struct TKeptWrite {
  std::function<void()> write;
  std::optional<QByteArray> text;
  qint64 since = 0;
};

class TKeptWrites {
 public:
  QHash<QString, TKeptWrite> writes;
  // The application's child: gone with it.
  QPointer<QTimer> timer;
  bool running = false;

  void Start() {
    if (timer || !QCoreApplication::instance()) return;
    timer = new QTimer(QCoreApplication::instance());
    constexpr int kPollMs = 5;
    timer->setInterval(kPollMs);
    QObject::connect(timer, &QTimer::timeout, [this] { Poll(false); });
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] {
      SafeFile::WritePendingOwnFiles();
    });
  }

  // Runs the kept writes whose folder is free, or whose patience is spent;
  // at the end all of them, each folder waited on for a while.
  void Poll(bool end) {
    if (running) return;
    running = true;
    QHash<QString, QStringList> byFolder;
    for (auto it = writes.cbegin(); it != writes.cend(); ++it)
      byFolder[QFileInfo(it.key()).absolutePath()] << it.key();
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend(); ++folder) {
      bool free = false;
      if (const int fd = ::open(Native(folder.key()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        free = Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0 || errno != EWOULDBLOCK;
        if (!free && end) {
          const auto& wait = LockWait();
          free = wait ? wait(fd) : WaitForLock(fd, kEndPatienceMs);
        }
        ::close(fd);
      } else {
        free = true;  // no lock to be had: the write says why it fails
      }
      qint64 oldest = NowMs();
      for (const QString& name : *folder) oldest = std::min(oldest, writes.value(name).since);
      const bool spent = NowMs() - oldest >= (lockGivenUp ? kMomentMs : patienceMs.load());
      if (!free && !end && !spent) continue;
      if (!free && !end && !lockGivenUp.exchange(true)) giveUpUntold = true;
      if (!free || end) GoingAhead() = folder.key();
      for (const QString& name : *folder) {
        const TKeptWrite kept = writes.take(name);
        if (kept.write) kept.write();
      }
      GoingAhead().clear();
    }
    running = false;
    if (writes.isEmpty() && timer) timer->stop();
  }
};

TKeptWrites& Kept() {
  static TKeptWrites kept;
  return kept;
}

}  // namespace

namespace SafeFile {

void KeepOwnWrite(const QString& fileName, std::function<void()> write, std::optional<QByteArray> text) {
  TKeptWrites& kept = Kept();
  const auto old = kept.writes.constFind(fileName);
  const qint64 since = old != kept.writes.cend() ? old->since : NowMs();
  kept.writes.insert(fileName, TKeptWrite{std::move(write), std::move(text), since});
  kept.Start();
  if (kept.timer && !kept.timer->isActive()) kept.timer->start();
}

std::optional<QByteArray> PendingOwn(const QString& fileName) {
  const auto it = Kept().writes.constFind(fileName);
  return it != Kept().writes.cend() ? it->text : std::nullopt;
}

bool OwnWritePending(const QString& fileName) { return Kept().writes.contains(fileName); }

void ForgetOwnWrite(const QString& fileName) { Kept().writes.remove(fileName); }

void WritePendingOwnFiles() { Kept().Poll(true); }

void ForgetOwnWrites() {
  Kept().writes.clear();
  if (Kept().timer) Kept().timer->stop();
}

}  // namespace SafeFile
