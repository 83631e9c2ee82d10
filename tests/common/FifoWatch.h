// FIFOs for tests of code that must never wait on one. A watcher opens the
// writing end of each FIFO as soon as a reader holds the other: that reader
// (the code under test, stuck in its open) goes on with an empty file, and
// the FIFO counts as opened. So a faulty build fails instead of hanging.
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
      for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;  // no reader
        struct stat st {};
        const bool fifo = ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode);
        ::close(fd);
        if (!fifo) continue;  // replaced by a file: the test's checks see that
        std::lock_guard<std::mutex> lock(mutex_);
        if (!opened_.contains(path)) opened_ << path;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
