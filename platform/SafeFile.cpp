#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Retry(const std::function<int()>& call) {
  int r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

// The mode a new file gets: what the process's umask leaves of rw-rw-rw-.
unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666u & ~static_cast<unsigned>(mask);
}

}  // namespace

ESaveCancelled::ESaveCancelled(const QString& fileName)
    : EStreamError(QStringLiteral("The file \"%1\" was not saved.").arg(fileName)) {}

namespace SafeFile {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

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

}  // namespace SafeFile

TSafeFile::TSafeFile(const QString& fileName, TInPlaceQuestion ask, std::function<qint64()> expectedSize)
    : fileName_(fileName), target_(fileName), ask_(std::move(ask)), expectedSize_(std::move(expectedSize)) {}

TSafeFile::~TSafeFile() { Discard(); }

void TSafeFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.isEmpty()) ::unlink(Native(temp_).constData());
  temp_.clear();
  if (isOpen()) QIODevice::close();
}

void TSafeFile::Open() {
  SafeFile::IgnoreFileSizeSignal();
  const QFileInfo info(fileName_);
  // A link stays a link: the file it points to is the one written.
  if (info.isSymLink())
    target_ = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
  const QString folder = QFileInfo(target_).absolutePath();

  struct stat st {};
  const bool exists = ::stat(Native(target_).constData(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode))
    throw EFCreateError(fileName_, QStringLiteral("It is not a regular file."));
  mode_ = exists ? (st.st_mode & 07777u) : NewFileMode();

  std::optional<TInPlaceReason> reason;
  if (exists && st.st_nlink > 1) reason = TInPlaceReason::HardLinks;
  if (!reason) {
    // A short name of its own, whatever the length of the target's name.
    QByteArray pattern = Native(folder + QStringLiteral("/.kvx-XXXXXX"));
    fd_ = Retry([&] { return ::mkostemp(pattern.data(), O_CLOEXEC); });
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
    fd_ = Retry([&] { return ::open(Native(target_).constData(), O_WRONLY | O_CLOEXEC); });
    if (fd_ < 0) throw EFCreateError(fileName_, SafeFile::Reason(errno) + u'.');
    if (const qint64 size = expectedSize_ ? expectedSize_() : 0; size > 0) {
      // Nothing changes unless the new text fits.
      rlimit limit{};
      if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
          static_cast<rlim_t>(size) > limit.rlim_cur)
        Fail(EFBIG);
      if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) Fail(errno);
    }
  }
  QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TSafeFile::writeData(const char* data, qint64 size) {
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(size - done));
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

void TSafeFile::Fail(int error) {
  Discard();
  throw EWriteError(QStringLiteral("Cannot write file \"%1\". %2.").arg(fileName_, SafeFile::Reason(error)));
}

void TSafeFile::Commit() {
  if (writeErrno_) Fail(writeErrno_);
  if (inPlace_) {
    if (Retry([&] { return ::ftruncate(fd_, written_); }) != 0 || ::fsync(fd_) != 0) Fail(errno);
  } else if (::fchmod(fd_, mode_) != 0 || ::fsync(fd_) != 0) {
    Fail(errno);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(errno);
  if (!inPlace_) {
    if (::rename(Native(temp_).constData(), Native(target_).constData()) != 0) Fail(errno);
    temp_.clear();
    // The new name is on disk too.
    const int dir = ::open(Native(QFileInfo(target_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  QIODevice::close();
}
