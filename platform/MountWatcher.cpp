#include "platform/MountWatcher.h"

#include <sys/statvfs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>

bool TSystemMountSource::IsPseudo(const QByteArray& fsType) {
  static const QByteArrayList pseudo = {"proc",     "sysfs",      "devtmpfs",    "devpts", "tmpfs",
                                        "squashfs", "autofs",     "overlay",     "mqueue", "debugfs",
                                        "tracefs",  "securityfs", "pstore",      "bpf",    "configfs",
                                        "fusectl",  "hugetlbfs",  "binfmt_misc", "nsfs",   "ramfs"};
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

namespace {
// Mount points and labels escape blanks and a few other bytes as \ooo.
QByteArray Unescape(const QByteArray& field) {
  QByteArray out;
  for (int i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
      out += static_cast<char>(field.mid(i + 1, 3).toInt(nullptr, 8));
      i += 3;
    } else if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] == 'x') {
      out += static_cast<char>(field.mid(i + 2, 2).toInt(nullptr, 16));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// Volume names by device, from the links in /dev/disk/by-label.
QHash<QByteArray, QString> DeviceLabels() {
  QHash<QByteArray, QString> labels;
  const QDir dir(QStringLiteral("/dev/disk/by-label"));
  for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
    labels.insert(QFile::encodeName(link.symLinkTarget()),
                  QString::fromUtf8(Unescape(QFile::encodeName(link.fileName()))));
  return labels;
}
}  // namespace

QList<TMountEntry> TSystemMountSource::ParseMountInfo(const QByteArray& text,
                                                      const QHash<QByteArray, QString>& labels) {
  QList<TMountEntry> result;
  TMountEntry root{QStringLiteral("/"), QString(), QByteArray(), TDriveType::Fixed};
  for (const QByteArray& line : text.split('\n')) {
    // id parent major:minor root mount-point options [optional fields] - type source super-options
    const QList<QByteArray> f = line.split(' ');
    const int dash = f.indexOf("-");
    if (f.size() < 5 || dash < 6 || dash + 2 >= f.size()) continue;
    const QString mountPoint = QFile::decodeName(Unescape(f[4]));
    const QByteArray& fsType = f[dash + 1];
    const QByteArray device = Unescape(f[dash + 2]);
    const QString label = labels.value(device);
    if (mountPoint == QLatin1String("/")) {
      root.label = label;
      root.fsType = fsType;
      continue;
    }
    if (f[3] != "/" || IsPseudo(fsType)) continue;
    TMountEntry entry{mountPoint, label, fsType, TypeOf(fsType, device)};
    // A later mount on the same point hides the earlier one.
    result.erase(
        std::remove_if(result.begin(), result.end(), [&](const TMountEntry& e) { return e.root == mountPoint; }),
        result.end());
    result.append(entry);
  }
  std::sort(result.begin(), result.end(), [](const TMountEntry& a, const TMountEntry& b) { return a.root < b.root; });
  result.prepend(root);
  return result;
}

QList<TMountEntry> TSystemMountSource::Mounts() {
  QFile file(QStringLiteral("/proc/self/mountinfo"));
  if (!file.open(QIODevice::ReadOnly))
    return {TMountEntry{QStringLiteral("/"), QString(), QByteArray(), TDriveType::Fixed}};
  return ParseMountInfo(file.readAll(), DeviceLabels());
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
  if (source_)
    poll_.stop();
  else
    poll_.start();
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
