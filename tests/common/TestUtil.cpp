#include "tests/common/TestUtil.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

QByteArray ReadFileBytes(const QString& fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
  QFile f(fileName);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

std::string MakeDeviceNode(const QString& path, TDeviceNode kind) {
  const dev_t device = makedev(1, kind == TDeviceNode::Null ? 3 : 5);
  if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, device) == 0) return {};
  const int error = errno;
  return "cannot make the device node " + path.toStdString() + " (" + std::strerror(error) +
         "): making one needs root rights or CAP_MKNOD";
}

TPipeDevice::TPipeDevice(QByteArray bytes, qint64 piece) : bytes_(std::move(bytes)), piece_(piece) {
  open(QIODevice::ReadOnly);
}

qint64 TPipeDevice::readData(char* data, qint64 max) {
  const qint64 n = std::min<qint64>({max, piece_, bytes_.size() - at_});
  if (n <= 0) return -1;
  std::memcpy(data, bytes_.constData() + at_, static_cast<std::size_t>(n));
  at_ += n;
  return n;
}
