#pragma once
// The longest time the event loop went without turning: what a user feels as
// the window not answering. Shared by the tests and the benchmarks.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Runs the event loop for up to `ms` milliseconds, or until `done`; the
// longest time it went without running a 1 ms timer.
inline qint64 LongestPause(int ms, const std::function<bool()>& done) {
  QElapsedTimer clock, since;
  clock.start();
  since.start();
  qint64 longest = 0;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] { longest = qMax(longest, since.restart()); });
  timer.start();
  while (clock.elapsed() < ms && !done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return qMax(longest, since.elapsed());
}
