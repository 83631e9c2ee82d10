// Runs cleanup code when a scope ends, also when it ends by an exception:
// locks, blocks and flags held this way are never left set.
#pragma once

#include <exception>
#include <utility>

// Runs `f` when the scope ends. While an exception is already on its way the
// cleanup's own failure is dropped, so it cannot end the program.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)), exceptions_(std::uncaught_exceptions()) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() noexcept(false) {
    if (std::uncaught_exceptions() > exceptions_) {
      try {
        f_();
      } catch (...) {
      }
    } else {
      f_();
    }
  }

 private:
  F f_;
  int exceptions_;
};
