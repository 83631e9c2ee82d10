#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/Exceptions.h"
#include "platform/SafeFile.h"

TRegularOpen OpenRegularFile(const QString& path, QFile& file, QString* error) {
  const QByteArray native = QFile::encodeName(path);
  const auto failed = [error](int code) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(code));
    return TRegularOpen::Failed;
  };
  // A write in place that was stopped half way is put right first.
  SafeFile::Recover(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) return failed(errno);
  if (!S_ISREG(st.st_mode)) return TRegularOpen::NotRegular;
  // Without O_NONBLOCK a FIFO put in the file's place would hold the open
  // until a writer came.
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failed(errno);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int code = errno;
    const bool regular = S_ISREG(st.st_mode);
    ::close(fd);
    return regular ? failed(code) : TRegularOpen::NotRegular;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (error) *error = file.errorString();
    ::close(fd);
    return TRegularOpen::Failed;
  }
  return TRegularOpen::Opened;
}

TRegularOpen ReadRegularFile(const QString& path, QByteArray& bytes, QString* error) {
  bytes.clear();
  QFile file;
  const TRegularOpen opened = OpenRegularFile(path, file, error);
  if (opened != TRegularOpen::Opened) return opened;
  QByteArray read = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return TRegularOpen::Failed;
  }
  bytes = std::move(read);
  return TRegularOpen::Opened;
}

namespace {

void Raise(TRegularOpen result, const QString& path, const QString& reason) {
  if (result == TRegularOpen::NotRegular) throw EFOpenError(path, QStringLiteral("It is not a regular file."));
  if (result == TRegularOpen::Failed) throw EFOpenError(path, reason);
}

}  // namespace

void OpenRegularFileOrRaise(const QString& path, QFile& file) {
  QString reason;
  Raise(OpenRegularFile(path, file, &reason), path, reason);
}

QByteArray ReadRegularFileOrRaise(const QString& path) {
  QByteArray bytes;
  QString reason;
  Raise(ReadRegularFile(path, bytes, &reason), path, reason);
  return bytes;
}

bool IsNotRegularFile(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}
