// Small helpers for calls to the system.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <functional>

namespace Posix {

// Calls `call` again for as long as a signal interrupts it (-1 with EINTR).
inline int Retry(const std::function<int()>& call) {
  int r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

// The path as the system takes it.
inline QByteArray Native(const QString& path) { return QFile::encodeName(path); }

}  // namespace Posix
