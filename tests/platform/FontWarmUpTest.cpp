// Tests of the font library's reading ahead (platform/FontWarmUp).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <cstdlib>

#include "platform/FontWarmUp.h"

namespace {

// Waiting with nothing started returns; starting twice reads once; a program
// that ends while the reading still runs ends normally (the reading is
// waited for, not torn down); and text is measured as usual afterwards.
TEST(FontWarmUp, StartsOnceAndEndsCleanlyWhateverTheOrder) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    FontWarmUp::Start();
    FontWarmUp::Start();
    std::exit(0);  // while the reading may still run
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  FontWarmUp::Wait();
  FontWarmUp::Start();
  FontWarmUp::Start();
  FontWarmUp::Wait();
  FontWarmUp::Wait();
  EXPECT_GT(QFontMetrics(QGuiApplication::font()).horizontalAdvance(QStringLiteral("Korvex Vantar")), 0);
}

}  // namespace
