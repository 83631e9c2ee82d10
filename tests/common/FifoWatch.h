// FIFOs for tests of code that must never wait on one. A watcher opens the
// other end of each FIFO as soon as a reader or a writer holds one: the code
// under test, stuck in its open, goes on (a reader with an empty file, a
// writer with its bytes dropped), and the FIFO counts as opened. So a faulty
// build fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "tests/common/TestUtil.h"

// Makes a symbolic link at `path` to `target`; false when it could not be
// made.
inline bool MakeLink(const QString& path, const QString& target) {
  return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

class TFifoWatch {
 public:
  TFifoWatch() = default;
  TFifoWatch(const TFifoWatch&) = delete;
  TFifoWatch& operator=(const TFifoWatch&) = delete;
  ~TFifoWatch() {
    done_ = true;
    if (watcher_.joinable()) watcher_.join();
  }

  // Makes a FIFO at `path`; false when it could not be made.
  bool Make(const QString& path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      paths_ << path;
    }
    if (!watcher_.joinable()) watcher_ = std::thread([this] { Watch(); });
    return true;
  }
  // In `folder` (ending in a slash): a FIFO "pipe", a link "to-pipe" to it
  // and a link "to-null" to the device node "null" (which the test makes with
  // MakeDeviceNode), each name followed by `suffix`; false when one could not
  // be made.
  bool MakePipeAndLinks(const QString& folder, const QString& suffix = QString()) {
    return Make(folder + "pipe" + suffix) && MakeLink(folder + "to-pipe" + suffix, "pipe" + suffix) &&
           MakeLink(folder + "to-null" + suffix, "null" + suffix);
  }
  // The FIFOs that someone opened for reading.
  QStringList Opened() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
  }

 private:
  void Watch() {
    while (!done_) {
      QStringList paths;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        paths = paths_;
      }
      for (const QString& path : paths)
        if (ReleaseReader(path) || ReleaseWriter(path)) {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!opened_.contains(path)) opened_ << path;
        }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  static bool IsFifo(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode);
  }
  // A reader waiting in its open: it gets an empty file.
  static bool ReleaseReader(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;      // no reader
    const bool fifo = IsFifo(fd);  // else replaced by a file: the test's checks see that
    ::close(fd);
    return fifo;
  }
  // A writer (counted as soon as it waits in its open): what it writes is
  // read and dropped until it closes its end, so that it neither waits nor
  // dies of a broken pipe.
  static bool ReleaseWriter(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool writer = false;
    if (IsFifo(fd)) {
      char buffer[65536];
      for (int rounds = 0; rounds < 1000; ++rounds) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;  // no writer (any more)
        writer = true;
        if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    ::close(fd);
    return writer;
  }

  mutable std::mutex mutex_;
  QStringList paths_;
  QStringList opened_;
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

// What `path` is itself (a link is not followed): 'p' FIFO, 'l' link,
// 'c' character device, 'f' regular file, 'd' folder, '-' missing.
inline char EntryKind(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return '-';
  if (S_ISFIFO(st.st_mode)) return 'p';
  if (S_ISLNK(st.st_mode)) return 'l';
  if (S_ISCHR(st.st_mode)) return 'c';
  if (S_ISDIR(st.st_mode)) return 'd';
  return S_ISREG(st.st_mode) ? 'f' : '?';
}
