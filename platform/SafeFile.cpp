#include "platform/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/Journal.h"
#include "platform/Posix.h"
#include "platform/ScopeExit.h"

namespace {

using Posix::Native;
using Posix::Retry;

// The mode a new file gets: what the process's umask leaves of rw-rw-rw-.
unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666u & ~static_cast<unsigned>(mask);
}

// Follows symbolic links from `path` to the path they lead to, which need
// not exist yet. 0, or the error number (ELOOP for a circle of links).
int ResolveLinks(const QString& path, QString& target) {
  QString at = QFileInfo(path).absoluteFilePath();
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(Native(at).constData(), &st) != 0) {
      // A name too long for the folder is reported when the file is written.
      if (errno != ENOENT && errno != ENAMETOOLONG) return errno;
      target = at;
      return 0;
    }
    if (!S_ISLNK(st.st_mode)) {
      target = at;
      return 0;
    }
    if (hops >= 40) return ELOOP;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(Native(at).constData(), buffer, sizeof buffer);
    if (n < 0) return errno;
    if (n == sizeof buffer) return ENAMETOOLONG;
    const QString next = QFile::decodeName(QByteArray(buffer, n));
    at = QDir::isAbsolutePath(next) ? next : QFileInfo(at).absolutePath() + u'/' + next;
  }
}

// True when the file's permissions forbid this user writing it; for a user
// whom permissions do not bind, when no one may write it.
bool WriteProtected(const QByteArray& path, const struct stat& st) {
  if (::geteuid() == 0) return (st.st_mode & 0222u) == 0;
  return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}


}  // namespace

ESaveCancelled::ESaveCancelled(const QString& fileName)
    : EStreamError(QStringLiteral("The file \"%1\" was not saved.").arg(fileName)) {}

ENotRegularFile::ENotRegularFile(const QString& fileName)
    : EFCreateError(fileName, QStringLiteral("It is not a regular file.")), fileName_(fileName) {}

namespace SafeFile {

void SyncFolder(const QByteArray& folder) {
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

int RenameNoReplace(const QString& from, const QString& to) {
  const QByteArray source = Native(from), target = Native(to);
  if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system that cannot refuse by itself: checked just before.
  struct stat st {};
  if (::lstat(target.constData(), &st) == 0) return EEXIST;
  return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

void Write(const QString& fileName, QByteArrayView bytes, const TInPlaceQuestion& ask) {
  TSafeFile file(fileName, ask, [size = bytes.size()] { return qint64(size); });
  file.Open();
  if (!bytes.isEmpty()) file.write(bytes.data(), bytes.size());
  file.Commit();
}

void Recover(const QString& fileName) {
  // For a name that is no link, its lstat serves the look for its journals.
  struct stat st {};
  if (fileName.isEmpty() || ::lstat(Native(fileName).constData(), &st) != 0) return;
  if (!S_ISLNK(st.st_mode)) return Journal::Recover(Native(fileName), &st);
  QString target;
  if (ResolveLinks(fileName, target) == 0) Journal::Recover(Native(target));
}

int CreateLocked(QByteArray& pattern) {
  const QByteArray original = pattern;
  for (int attempt = 0; attempt < 100; ++attempt) {
    pattern = original;
    const int fd = Retry([&] { return ::mkostemp(pattern.data(), O_CLOEXEC); });
    if (fd < 0) return -1;
    // A sweep may have taken the file before it was locked: then it is gone.
    struct stat st {};
    if (Retry([&] { return ::flock(fd, LOCK_EX); }) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

void SweepUnlocked(const QString& folder, const std::function<bool(const QByteArray& name)>& matches,
                   const std::function<bool(int fd, const QString& path)>& stale) {
  const int dirFd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* dir = ::fdopendir(dirFd);
  if (!dir) {
    ::close(dirFd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (!matches(name)) continue;
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat st {
    }, now{};
    // Held by a running save, or not ours to judge: left alone.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(dirFd, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == st.st_dev && now.st_ino == st.st_ino &&
        stale(fd, QFileInfo(folder).absoluteFilePath() + u'/' + QFile::decodeName(name)))
      ::unlinkat(dirFd, name.constData(), 0);
    ::close(fd);
  }
  ::closedir(dir);
}

bool IsSaveTemporaryName(const QByteArray& name) {
  if (name.size() != 11 || !name.startsWith(".kvx-")) return false;
  for (qsizetype i = 5; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

void RemoveStaleTemporaries(const QString& folder) {
  SweepUnlocked(folder, IsSaveTemporaryName, [](int, const QString&) { return true; });
}

}  // namespace SafeFile

TSafeFile::TSafeFile(const QString& fileName, TInPlaceQuestion ask, std::function<qint64()> expectedSize)
    : fileName_(fileName), target_(fileName), ask_(std::move(ask)), expectedSize_(std::move(expectedSize)) {}

TSafeFile::~TSafeFile() { Discard(); }

void TSafeFile::Discard() {
  if (!temp_.isEmpty()) ::unlink(Native(temp_).constData());
  temp_.clear();
  // A journal on disk stays: the target may be torn, and the journal puts it
  // right with the next read or save.
  journal_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
  if (isOpen()) QIODevice::close();
}

void TSafeFile::Open() {
  SafeFile::IgnoreFileSizeSignal();
  if (struct stat taken {}; newOnly_ && ::lstat(Native(fileName_).constData(), &taken) == 0)
    throw EFCreateError(fileName_, SafeFile::Reason(EEXIST) + u'.');
  // A link stays a link: the file it leads to is the one written. A circle
  // of links leads nowhere and is refused.
  if (const int error = ResolveLinks(fileName_, target_))
    throw EFCreateError(fileName_, SafeFile::Reason(error) + u'.');
  const QString folder = QFileInfo(target_).absolutePath();
  // A write in place that was stopped half way is finished first, and the
  // temporaries of saves that were killed go.
  SafeFile::Recover(target_);
  SafeFile::RemoveStaleTemporaries(folder);

  struct stat st {};
  const bool exists = ::stat(Native(target_).constData(), &st) == 0;
  if (!exists && errno != ENOENT && errno != ENAMETOOLONG)
    throw EFCreateError(fileName_, SafeFile::Reason(errno) + u'.');
  if (exists && !S_ISREG(st.st_mode)) throw ENotRegularFile(fileName_);
  mode_ = exists ? (st.st_mode & 07777u) : NewFileMode();

  std::optional<TInPlaceReason> reason;
  if (exists && st.st_nlink > 1) reason = TInPlaceReason::HardLinks;
  if (!reason && exists && WriteProtected(Native(target_), st)) {
    if (!ask_) throw EFCreateError(fileName_, SafeFile::Reason(EACCES) + u'.');
    if (!ask_(fileName_, TInPlaceReason::WriteProtected)) throw ESaveCancelled(fileName_);
  }
  if (!reason) {
    // A short name of its own, whatever the length of the target's name.
    QByteArray pattern = Native(folder + QStringLiteral("/.kvx-XXXXXX"));
    fd_ = SafeFile::CreateLocked(pattern);
    if (fd_ < 0) {
      const int error = errno;
      const bool refused = error == EACCES || error == EPERM || error == EROFS;
      if (!(refused && exists && ::access(Native(target_).constData(), W_OK) == 0)) {
        QString why = SafeFile::Reason(error);
        if (refused) why += QStringLiteral(" on the folder \"%1\"").arg(folder);
        throw EFCreateError(fileName_, why + u'.');
      }
      reason = TInPlaceReason::FolderNotWritable;
    } else {
      temp_ = QFile::decodeName(pattern);
      if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
          ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
        Discard();
        reason = TInPlaceReason::Owner;
      }
    }
  }

  if (reason) {
    if (!ask_ || !ask_(fileName_, *reason)) throw ESaveCancelled(fileName_);
    inPlace_ = true;
    // Opened without waiting and checked again: a FIFO put in the file's
    // place meanwhile would hold the open until a reader came.
    // A staged write reads the old bytes too, where the file lets it: they
    // tell its journal whether anyone changed the file after a stop.
    const auto open = [this](int access) {
      return Retry([&] { return ::open(Native(target_).constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); });
    };
    fd_ = stage_ ? open(O_RDWR) : -1;
    if (fd_ < 0) fd_ = open(O_WRONLY);
    if (fd_ < 0) {
      if (errno == ENXIO) throw ENotRegularFile(fileName_);
      throw EFCreateError(fileName_, SafeFile::Reason(errno) + u'.');
    }
    struct stat opened {};
    const bool known = ::fstat(fd_, &opened) == 0;
    if (!known || !S_ISREG(opened.st_mode)) {
      const int error = errno;
      ::close(fd_);
      fd_ = -1;
      if (!known) throw EFCreateError(fileName_, SafeFile::Reason(error) + u'.');
      throw ENotRegularFile(fileName_);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    // Staged bytes are measured when they are all there.
    if (stage_)
      OpenStage();
    else if (const qint64 size = expectedSize_ ? expectedSize_() : 0; size > 0)
      Reserve(size);
  }
  QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void TSafeFile::Reserve(qint64 size) {
  // Nothing changes unless the new text fits.
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(size) > limit.rlim_cur)
    Fail(EFBIG);
  if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) Fail(errno);
}

void TSafeFile::OpenStage() {
  journal_ = std::make_unique<TJournalWriter>(target_);
  if (const int error = journal_->Open()) Fail(error, journal_->Why());
}

qint64 TSafeFile::writeData(const char* data, qint64 size) {
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = journal_ ? journal_->Write(data + done, size - done)
                               : ::write(fd_, data + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      writeErrno_ = n < 0 ? errno : ENOSPC;
      setErrorString(QStringLiteral("Cannot write file \"%1\". %2.").arg(fileName_, SafeFile::Reason(writeErrno_)));
      return done > 0 ? done : -1;
    }
    done += n;
  }
  written_ += done;
  return done;
}

void TSafeFile::Fail(int error, const QString& why) {
  Discard();
  QString message = QStringLiteral("Cannot write file \"%1\". %2.").arg(fileName_, SafeFile::Reason(error));
  if (!why.isEmpty()) message += u' ' + why;
  throw EWriteError(message);
}

void TSafeFile::Commit() {
  if (writeErrno_) Fail(writeErrno_);
  if (inPlace_) {
    if (journal_) {
      if (written_ > 0) Reserve(written_);
      // The whole new text is on disk in the journal before the file is
      // touched; the journal puts it into the file.
      if (const int error = journal_->Commit(fd_)) Fail(error, journal_->Why());
    } else if (Retry([&] { return ::ftruncate(fd_, written_); }) != 0 || ::fsync(fd_) != 0) {
      Fail(errno);
    }
  } else if (::fchmod(fd_, mode_) != 0 || ::fsync(fd_) != 0) {
    Fail(errno);
  }
  // The lock stays until the temporary has its final name.
  if (!inPlace_) lockFd_ = ::dup(fd_);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(errno);
  if (!inPlace_) {
    if (newOnly_) {
      if (const int error = SafeFile::RenameNoReplace(temp_, target_)) Fail(error);
    } else if (::rename(Native(temp_).constData(), Native(target_).constData()) != 0) {
      Fail(errno);
    }
    temp_.clear();
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    // The new name is on disk too.
    SafeFile::SyncFolder(Native(QFileInfo(target_).absolutePath()));
  }
  QIODevice::close();
}
