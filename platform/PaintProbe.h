// A probe for measuring start-up from outside the process: with
// KV_EXIT_AFTER_PAINT=1 in the environment, the program prints the time of
// the first paint of its main window and ends there. The time is the system's
// monotonic clock in nanoseconds, on a line of its own: "painted <ns>"; what
// the program had put off until that paint was through still runs, then the
// process ends. The line goes on with the processor time the process (all its
// threads) had taken by then, in nanoseconds: "painted <ns> <cpu ns>".
// Header only, so that a bare comparison program can use it too.
#pragma once

#include <time.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace paint_probe {

template <class TWindow>
class Watcher : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow() && qobject_cast<TWindow*>(watched)) {
      seen_ = true;
      // The rest of the window paints and is flushed to the display before
      // the event loop comes back to a zero timer.
      QTimer::singleShot(0, [] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        std::printf("painted %lld %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()),
                    static_cast<long long>(cpu.tv_sec) * 1000000000LL + cpu.tv_nsec);
        std::fflush(stdout);
        // What the program put off until its first paint was through runs
        // still (as in a run that goes on), then the process ends at once.
        QTimer::singleShot(0, [] { std::_Exit(0); });
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

}  // namespace paint_probe

// Arms the probe for the first window of class `TWindow` when
// KV_EXIT_AFTER_PAINT=1; call it once the application object exists.
template <class TWindow>
void ExitAfterFirstPaintOf() {
  if (qgetenv("KV_EXIT_AFTER_PAINT") != "1" || !QCoreApplication::instance()) return;
  QCoreApplication::instance()->installEventFilter(new paint_probe::Watcher<TWindow>(QCoreApplication::instance()));
}
