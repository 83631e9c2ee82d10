#include <gtest/gtest.h>

#include "platform/MountWatcher.h"

TEST(MountWatcher, ReadsTheKernelTable) {
  const QByteArray table =
      "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "22 21 0:5 / /proc rw - proc proc rw\n"
      "23 21 0:20 / /run rw - tmpfs tmpfs rw\n"
      "24 21 8:17 / /media/My\\040Disk rw shared:5 - vfat /dev/sdb1 rw\n"
      "25 21 0:40 / /mnt/share rw - nfs4 srv:/export rw\n"
      "26 21 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
      "27 21 8:1 /var/lib/x/hosts /etc/hosts rw - ext4 /dev/sda1 rw\n"  // a bind mount of a file
      "28 21 0:50 / /mnt/share rw - cifs //h/s rw\n"                    // mounted over the earlier one
      "garbage line\n";
  const QHash<QByteArray, QString> labels = {{"/dev/sdb1", "STICK"}, {"/dev/sda1", "system"}};
  const QList<TMountEntry> mounts = TSystemMountSource::ParseMountInfo(table, labels);
  const QList<TMountEntry> expected = {
      {"/", "system", "ext4", TDriveType::Fixed},
      {"/media/My Disk", "STICK", "vfat", TSystemMountSource::TypeOf("vfat", "/dev/sdb1")},
      {"/media/cd", "", "iso9660", TDriveType::CDROM},
      {"/mnt/share", "", "cifs", TDriveType::Remote},
  };
  EXPECT_EQ(mounts, expected);
  EXPECT_TRUE(PathIsBelow("/media/cd/x", "/media/cd"));
  EXPECT_FALSE(PathIsBelow("/media/cdrom", "/media/cd"));
  EXPECT_TRUE(PathIsBelow("/media", "/"));
}
