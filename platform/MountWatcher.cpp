#include "platform/MountWatcher.h"

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <cctype>
#include <sys/statvfs.h>

bool TSystemMountSource::IsPseudo(const QByteArray& fsType) {
  static const QByteArrayList pseudo = {"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "squashfs", "autofs",
                                        "overlay", "mqueue", "debugfs", "tracefs", "securityfs", "pstore",
                                        "bpf", "configfs", "fusectl", "hugetlbfs", "binfmt_misc", "nsfs", "ramfs"};
  return fsType.startsWith("cgroup") || pseudo.contains(fsType);
}

TDriveType TSystemMountSource::TypeOf(const QByteArray& fsType, const QByteArray& device) {
  if (fsType.startsWith("nfs") || fsType == "cifs" || fsType == "smb3" || fsType == "fuse.sshfs" ||
      fsType.startsWith("fuse.gvfs"))
    return TDriveType::Remote;
  if (fsType == "iso9660" || fsType == "udf") return TDriveType::CDROM;
  if (fsType == "tmpfs" || fsType == "ramfs") return TDriveType::RAMDisk;
  if (device.startsWith("/dev/")) {
    QByteArray name = device.mid(5);
    while (!name.isEmpty() && (std::isdigit(static_cast<unsigned char>(name.back())))) name.chop(1);
    QFile removable(QStringLiteral("/sys/block/%1/removable").arg(QString::fromLocal8Bit(name)));
    if (removable.open(QIODevice::ReadOnly) && removable.readAll().trimmed() == "1") return TDriveType::Removable;
  }
  return TDriveType::Fixed;
}

QList<TMountEntry> TSystemMountSource::Mounts() {
  QList<TMountEntry> result;
  TMountEntry root{QStringLiteral("/"), QString(), QByteArray(), TDriveType::Fixed};
  for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
    if (!info.isValid()) continue;
    const QString mountPoint = info.rootPath();
    if (mountPoint == QLatin1String("/")) {
      root.label = info.name();
      root.fsType = info.fileSystemType();
      continue;
    }
    if (IsPseudo(info.fileSystemType())) continue;
    result.append({mountPoint, info.name(), info.fileSystemType(), TypeOf(info.fileSystemType(), info.device())});
  }
  std::sort(result.begin(), result.end(), [](const TMountEntry& a, const TMountEntry& b) { return a.root < b.root; });
  result.erase(std::unique(result.begin(), result.end(),
                           [](const TMountEntry& a, const TMountEntry& b) { return a.root == b.root; }),
               result.end());
  result.prepend(root);
  return result;
}

std::uint64_t TSystemMountSource::VolumeSerial(const QString& root) {
  struct statvfs st {};
  if (::statvfs(QFile::encodeName(root).constData(), &st) != 0) return UINT64_MAX;
  return static_cast<std::uint64_t>(st.f_fsid);
}

TMountWatcher& TMountWatcher::Instance() {
  static TMountWatcher* watcher = new TMountWatcher;  // lives as long as the program
  return *watcher;
}

TMountWatcher::TMountWatcher() : system_(std::make_unique<TSystemMountSource>()) {
  mounts_ = Source().Mounts();
  // The kernel's table is cheap to read; a poll every two seconds follows it
  // without blocking on any of the volumes.
  poll_.setInterval(2000);
  connect(&poll_, &QTimer::timeout, this, &TMountWatcher::Check);
  poll_.start();
}

TMountSource& TMountWatcher::Source() { return source_ ? *source_ : *system_; }

void TMountWatcher::SetSource(TMountSource* source) {
  source_ = source;
  if (source_) poll_.stop(); else poll_.start();
  Check();
}

void TMountWatcher::Check() {
  QList<TMountEntry> now = Source().Mounts();
  if (now == mounts_) return;
  mounts_ = std::move(now);
  emit Changed();
}

bool PathIsBelow(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(u'/');
  return path == root || path.startsWith(root + u'/');
}

const TMountEntry* TMountWatcher::EntryOf(const QString& path) const {
  const TMountEntry* best = nullptr;
  for (const TMountEntry& e : mounts_)
    if (PathIsBelow(path, e.root) && (!best || e.root.size() > best->root.size())) best = &e;
  return best;
}
