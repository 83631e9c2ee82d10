#include "images/PictureThreads.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>
#include <set>

#include "platform/Memory.h"

namespace PictureThreads {
namespace {

// The tasks not yet ended, so that the program's end can stop them all
// instead of waiting for them.
struct TLive {
  std::mutex mutex;
  std::set<TTask*> tasks;
};
TLive& Live() {
  static TLive* const live = new TLive;
  return *live;
}

std::atomic<int>& RunningCount() {
  static std::atomic<int> count{0};
  return count;
}

// Blocks of pictures from this size on are taken from the system one by one.
constexpr qint64 kOwnBlockBytes = qint64{1} << 20;

// Memory is to be handed back once no decode runs.
std::atomic<bool>& GiveBackWanted() {
  static std::atomic<bool> wanted{false};
  return wanted;
}

// Made on first use; when the toolkit ends, every decode still running is
// stopped and its end waited for.
QThreadPool& MakePool(int threads) {
  auto* pool = new QThreadPool;
  pool->setMaxThreadCount(threads);
  // Threads that came and went would each leave the allocator's memory of
  // their own behind; and the large blocks of pictures (decoded rows, file
  // bytes, bitmaps) go back to the system when freed, instead of staying
  // with the thread that freed them.
  pool->setExpiryTimeout(-1);
  Memory::GiveBackBlocksFrom(kOwnBlockBytes);
  pool->setObjectName(QStringLiteral("pictures"));
  qAddPostRoutine([] {
    {
      TLive& live = Live();
      const std::lock_guard lock(live.mutex);
      for (TTask* task : live.tasks) task->Cancel();
    }
    Thumbnails().waitForDone();
    Pictures().waitForDone();
  });
  return *pool;
}

}  // namespace

int ThumbnailThreads() { return qBound(2, QThread::idealThreadCount(), 4); }

QThreadPool& Thumbnails() {
  static QThreadPool& pool = MakePool(ThumbnailThreads());
  return pool;
}

QThreadPool& Pictures() {
  static QThreadPool& pool = MakePool(2);
  return pool;
}

int Running() { return RunningCount().load(); }

void GiveBackMemoryWhenIdle() {
  // From the event loop: what the window's own pictures held is freed with
  // the window, after the call.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app,
      [] {
        GiveBackWanted().store(true);
        if (RunningCount().load() == 0 && GiveBackWanted().exchange(false)) Memory::GiveBackFreed();
      },
      Qt::QueuedConnection);
}

std::shared_ptr<TTask> TTask::Start(QThreadPool& pool, std::function<void()> work, std::function<void()> done) {
  std::shared_ptr<TTask> task(new TTask);
  task->work_ = std::move(work);
  task->done_ = std::move(done);
  {
    TLive& live = Live();
    const std::lock_guard lock(live.mutex);
    live.tasks.insert(task.get());
  }
  ++RunningCount();
  pool.start([task] { task->Run(); });
  return task;
}

void TTask::Run() {
  if (!stop_.load()) {
    const PictureDecoder::TDecodeScope scope(&stop_);
    try {
      work_();
    } catch (...) {
      // The work keeps its own failures; nothing may leave a pool's thread.
    }
  }
  work_ = nullptr;  // with what it holds
  {
    TLive& live = Live();
    const std::lock_guard lock(live.mutex);
    live.tasks.erase(this);
  }
  {
    const std::lock_guard lock(mutex_);
    workEnded_ = true;
  }
  ended_.notify_all();
  if (--RunningCount() == 0 && GiveBackWanted().exchange(false)) Memory::GiveBackFreed();
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(
        app,
        [self = shared_from_this()] {
          const std::function<void()> done = std::move(self->done_);
          self->done_ = nullptr;
          if (!self->stop_.load() && done) done();
        },
        Qt::QueuedConnection);
}

void TTask::Cancel() {
  stop_.store(true);
  done_ = nullptr;  // with what it holds
}

std::shared_ptr<TTask> LoadPicture(const QString& fileName, TPictureDone done) {
  struct TLoaded {
    TPlatformPicture picture;
    QString error;
  };
  auto loaded = std::make_shared<TLoaded>();
  return TTask::Start(
      Pictures(),
      [loaded, fileName] {
        try {
          LoadPictureFile(loaded->picture, fileName);
        } catch (const std::exception& e) {
          loaded->error = QString::fromUtf8(e.what());
        }
      },
      [loaded, done = std::move(done)] { done(loaded->picture, loaded->error); });
}

bool RunEventsWhile(const std::function<bool()>& busy, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (busy()) {
    if (clock.elapsed() >= ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

bool TTask::WaitForWork(qint64 ms) {
  std::unique_lock lock(mutex_);
  return ended_.wait_for(lock, std::chrono::milliseconds(qMax<qint64>(0, ms)), [this] { return workEnded_; });
}

}  // namespace PictureThreads
