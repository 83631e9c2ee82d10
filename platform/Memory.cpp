#include "platform/Memory.h"

#include <sys/resource.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <QFile>
#include <QString>

namespace {

qint64& Fixed() {
  static qint64 fixed = -1;
  return fixed;
}

// The values of "Key:   123 kB" lines of a /proc file, in bytes.
qint64 ProcValue(const QByteArray& text, const QByteArray& key) {
  const qsizetype at = text.indexOf("\n" + key + ':');
  const qsizetype start = at < 0 ? (text.startsWith(key + ':') ? 0 : -1) : at + 1;
  if (start < 0) return -1;
  const qsizetype end = text.indexOf('\n', start);
  const QByteArray line = text.mid(start + key.size() + 1, end < 0 ? -1 : end - start - key.size() - 1).trimmed();
  bool ok = false;
  const qint64 kb = line.split(' ').first().toLongLong(&ok);
  return ok ? kb * 1024 : -1;
}

QByteArray ReadProc(const char* name) {
  QFile file(QString::fromLatin1(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

namespace Memory {

void SetAvailableForTesting(qint64 bytes) { Fixed() = bytes; }

qint64 Available() {
  if (Fixed() >= 0) return Fixed();
  qint64 best = -1;
  const QByteArray info = ReadProc("/proc/meminfo");
  const qint64 available = ProcValue(info, "MemAvailable");
  if (available >= 0) best = available + std::max<qint64>(0, ProcValue(info, "SwapFree"));
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const qint64 used = std::max<qint64>(0, ProcValue(ReadProc("/proc/self/status"), "VmSize"));
    const qint64 left = std::max<qint64>(0, static_cast<qint64>(limit.rlim_cur) - used);
    best = best < 0 ? left : std::min(best, left);
  }
  return best;
}

qint64 Resident() { return ProcValue(ReadProc("/proc/self/status"), "VmRSS"); }

qint64 PeakResident() { return ProcValue(ReadProc("/proc/self/status"), "VmHWM"); }

bool ResetPeakResident() {
  QFile refs(QStringLiteral("/proc/self/clear_refs"));
  return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1 && refs.flush();
}

bool GiveBackFreed() {
#if defined(__GLIBC__)
  ::malloc_trim(0);
  return true;
#else
  return false;
#endif
}

bool GiveBackBlocksFrom(qint64 bytes) {
#if defined(__GLIBC__)
  // A fixed threshold also stops the allocator from raising it (and the
  // free memory it keeps) after each large block freed.
  return ::mallopt(M_MMAP_THRESHOLD, static_cast<int>(qBound<qint64>(0, bytes, qint64{32} << 20))) == 1;
#else
  return false;
#endif
}

QString Megabytes(qint64 bytes) { return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + " MB"; }

}  // namespace Memory
