#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

TRegularOpen OpenRegularFile(const QString& path, QFile& file, QString* error) {
  const QByteArray native = QFile::encodeName(path);
  const auto failed = [error](int code) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(code));
    return TRegularOpen::Failed;
  };
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

bool IsNotRegularFile(const QString& path) {
  struct stat st {};
  return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}
