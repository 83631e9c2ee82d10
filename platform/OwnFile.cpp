#include "platform/OwnFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>

namespace {

int Retry(const std::function<int()>& call) {
  int r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

}  // namespace

namespace SafeFile {

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
  file.Commit();
}

}  // namespace

bool WriteOwn(const QString& fileName, QByteArrayView bytes) {
  const TFolderLock lock(fileName);
  WriteOwnStaged(fileName, bytes);
  return lock.GaveUp();
}

bool WriteOwnUnlessBusy(const QString& fileName, QByteArrayView bytes) {
  const TFolderLock lock(fileName);
  if (lock.Busy()) return false;
  WriteOwnStaged(fileName, bytes);
  return true;
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
// After a run gave up waiting once: long enough for a write of another
// instance, short enough not to be noticed.
constexpr int kMomentMs = 20;

bool WaitForLock(int fd, int patienceMs) {
  constexpr int kStepMs = 2;
  for (int waited = 0; waited < patienceMs; waited += kStepMs) {
    ::usleep(kStepMs * 1000);
    if (Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0) return true;
    if (errno != EWOULDBLOCK) return false;
  }
  return false;
}

}  // namespace

TFolderLock::TFolderLock(const QString& fileName) : folder_(QFileInfo(fileName).absolutePath()) {
  fd_ = ::open(Native(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  if (Retry([&] { return ::flock(fd_, LOCK_EX | LOCK_NB); }) == 0) return;
  bool had = false;
  if (errno == EWOULDBLOCK) {
    if (lockGivenUp) {
      had = WaitForLock(fd_, kMomentMs);
    } else if (starting) {
      // The first window is not kept waiting, not even for a moment: the
      // writer keeps its text, and the long wait comes with a later write.
      busy_ = true;
    } else {
      const auto& wait = LockWait();
      had = wait ? wait(fd_) : WaitForLock(fd_, kPatienceMs);
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
}

void TFolderLock::SetStarting(bool on) { starting = on; }
