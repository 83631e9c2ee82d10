#include "tests/common/TestUtil.h"

#include <QFile>

QByteArray ReadFileBytes(const QString& fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
  QFile f(fileName);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
