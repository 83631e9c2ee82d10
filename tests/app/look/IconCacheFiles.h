// Icon cache files written directly, for the cache's tests and its benchmark
// alike (no test framework here).
#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QString>

// A well-formed cache file under `stamp` of `count` pictures of side x side
// pixels at scale 1, named "kv_<n>@<side>x<side>".
inline QByteArray IconCacheFile(const QByteArray& stamp, qint32 count, int side) {
  QByteArray bytes("KVICONS1");
  QDataStream out(&bytes, QIODevice::Append);
  out << stamp << count;
  const QByteArray pixels(side * side * 4, '\x7f');
  for (qint32 i = 0; i < count; ++i) {
    out << QStringLiteral("kv_") + QString::number(i) + QStringLiteral("@%1x%1").arg(side) << qint32(side)
        << qint32(side) << 1.0;
    out.writeRawData(pixels.constData(), static_cast<int>(pixels.size()));
  }
  return bytes;
}
