#include "platform/FontWarmUp.h"

#include <dlfcn.h>

#include <mutex>
#include <thread>

namespace {

// Joined at the latest when the program ends.
std::jthread& Reader() {
  static std::jthread reader;
  return reader;
}

}  // namespace

void FontWarmUp::Start() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The font library comes into the process with the toolkit's drawing
    // library; its entry point is looked up there rather than linked, so
    // that a toolkit without it costs nothing. Reading once more later (as
    // the toolkit does) finds everything read.
    using TInit = int (*)();
    if (const auto init = reinterpret_cast<TInit>(dlsym(RTLD_DEFAULT, "FcInit")))
      Reader() = std::jthread([init] { init(); });
  });
}

void FontWarmUp::Wait() {
  if (Reader().joinable()) Reader().join();
}
