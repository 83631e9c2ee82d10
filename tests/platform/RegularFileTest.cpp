// Tests of reading only regular files (platform/RegularFile.cpp) and of the
// registry's file (platform/Registry.cpp), which is read and written that way.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/Registry.h"
#include "platform/RegularFile.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

// A FIFO, a device and links to them are told apart from files, folders and
// missing names, and are never opened: ReadRegularFile returns at once.
TEST(RegularFile, PipesAndDevicesAreRefusedWithoutBeingOpened) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  TFifoWatch fifos;
  if (const std::string why = MakeDeviceNode(folder + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(fifos.MakePipeAndLinks(folder));
  ASSERT_TRUE(MakeLink(folder + "dangling", "missing"));
  ASSERT_TRUE(WriteFileBytes(folder + "file", "bytes\n"));
  ASSERT_TRUE(MakeLink(folder + "to-file", "file"));

  for (const char* name : {"pipe", "to-pipe", "to-null"}) {
    QByteArray bytes = "left over";
    EXPECT_EQ(ReadRegularFile(folder + name, bytes), TRegularOpen::NotRegular) << name;
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_TRUE(IsNotRegularFile(folder + name)) << name;
  }
  EXPECT_TRUE(IsNotRegularFile(folder));  // a folder is no file either
  for (const char* name : {"file", "to-file", "missing", "dangling"}) EXPECT_FALSE(IsNotRegularFile(folder + name));
  EXPECT_FALSE(IsNotRegularFile(QString()));

  QByteArray bytes;
  EXPECT_EQ(ReadRegularFile(folder + "to-file", bytes), TRegularOpen::Opened);
  EXPECT_EQ(bytes, "bytes\n");
  QString error;
  EXPECT_EQ(ReadRegularFile(folder + "missing", bytes, &error), TRegularOpen::Failed);
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(folder + "pipe"), 'p');
}

// The registry's file as a FIFO or a link to a device: keys read as missing
// at once, a write fails naming the file, and the FIFO or device stays.
TEST(Registry, APipeOrDeviceInPlaceOfItsFileIsNeitherWaitedOnNorReplaced) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  TFifoWatch fifos;
  ASSERT_TRUE(fifos.Make(folder + "registry.json"));
  if (const std::string why = MakeDeviceNode(folder + "null", TDeviceNode::Null); !why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(MakeLink(folder + "to-null.json", "null"));
  for (const char* name : {"registry.json", "to-null.json"}) {
    const QString file = folder + name;
    TRegistry::SetStorageFile(file);
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Software\\Korvex")));
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Software\\Korvex"), true)) << name;
  }
  TRegistry::SetStorageFile(QString());
  EXPECT_EQ(EntryKind(folder + "registry.json"), 'p');
  EXPECT_EQ(QFile::symLinkTarget(folder + "to-null.json"), folder + "null");
  EXPECT_EQ(EntryKind(folder + "null"), 'c');
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({"null", "registry.json", "to-null.json"}));
  EXPECT_EQ(fifos.Opened(), QStringList());
}

}  // namespace
