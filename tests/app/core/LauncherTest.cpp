// Tests of the launcher (app/core/Launcher.cpp) with real programs.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "app/core/Launcher.h"
#include "tests/common/TestUtil.h"

namespace {

const char kFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";

// The flags as this process found them, taken before main as the launcher
// takes them.
const std::optional<QByteArray> kFound =
    qEnvironmentVariableIsSet(kFlags) ? std::optional<QByteArray>(qgetenv(kFlags)) : std::nullopt;

// What a started program wrote into `file`, once it is there.
QByteArray Written(const QString& file) {
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo(file).isFile(); }, 10000)) << file.toStdString();
  return ReadFileBytes(file);
}

// The flags the program sets for its own preview browser (no sandbox, quiet
// logs) are not handed on to the programs it starts (a browser on the same
// engine would run without its sandbox, and so would every program started
// from a terminal it opens).
TEST(Launcher, ProgramsGetTheEngineFlagsTheProgramFound) {
  QTemporaryDir dir;
  const QString starter = dir.filePath("starter");
  WriteFileBytes(starter,
                 "#!/bin/sh\nprintf %s \"${QTWEBENGINE_CHROMIUM_FLAGS-unset}\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
  QFile(starter).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv(kFlags, "--no-sandbox --log-level=3");
  const bool started = Launcher().Start(starter, {});
  const QByteArray own = qgetenv(kFlags);
  if (kFound)
    qputenv(kFlags, *kFound);
  else
    qunsetenv(kFlags);
  EXPECT_EQ(own, "--no-sandbox --log-level=3");  // the program's own stay as they are
  ASSERT_TRUE(started);
  EXPECT_EQ(Written(starter + ".out"), kFound.value_or("unset"));
}

}  // namespace
