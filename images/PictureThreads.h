// Pictures decoded off the window's thread, on threads of the picture
// module's own: never on the toolkit's global thread pool, which the
// toolkit's own image conversions on the window's thread wait on. The
// threads live as long as the program, so that the memory the allocator
// keeps for each thread is kept for a few threads only.
#pragma once

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "images/PlatformPicture.h"
#include "platform/PictureDecoder.h"

class QThreadPool;

namespace PictureThreads {

// Thumbnails decoded at once, by all thumbnail lists together.
int ThumbnailThreads();
// The threads thumbnails are decoded on.
QThreadPool& Thumbnails();
// The threads a picture shown whole (the picture view, a dialog's preview)
// is decoded on, so that it never waits behind thumbnails.
QThreadPool& Pictures();

// One decode on a picture thread. Its work runs inside a decode scope with
// the task's stop flag, so that it may wait for memory and stops at its next
// unit of work once the task is cancelled. `done` runs on the window's
// thread after the work, unless the task was cancelled first.
class TTask : public std::enable_shared_from_this<TTask> {
 public:
  static std::shared_ptr<TTask> Start(QThreadPool& pool, std::function<void()> work, std::function<void()> done);
  // No longer wanted: the work stops and `done` is not run. On the window's
  // thread only.
  void Cancel();
  bool Cancelled() const { return stop_.load(); }
  // Waits at most `ms` milliseconds for the work to end; true when it has.
  bool WaitForWork(qint64 ms);

 private:
  TTask() = default;
  void Run();
  std::function<void()> work_;
  std::function<void()> done_;
  PictureDecoder::TStopFlag stop_{false};
  std::mutex mutex_;
  std::condition_variable ended_;
  bool workEnded_ = false;
};

// Loads the picture file `fileName` (LoadPictureFile) on a picture thread;
// `done` then gets the picture, or the failure's message and an empty
// picture, on the window's thread.
using TPictureDone = std::function<void(const TPlatformPicture& picture, const QString& error)>;
std::shared_ptr<TTask> LoadPicture(const QString& fileName, TPictureDone done);

// Tasks whose work is running or waiting for a thread (tests).
int Running();

// A window that showed pictures has gone: once its decodes have ended, what
// they freed is handed back to the system (the allocator keeps it per
// thread otherwise).
void GiveBackMemoryWhenIdle();

// Runs the event loop while `busy`, at most `ms` milliseconds; false when
// time ran out (tests and benchmarks wait so for a picture being decoded).
bool RunEventsWhile(const std::function<bool()>& busy, int ms);

}  // namespace PictureThreads
