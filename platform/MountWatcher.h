// Mounted volumes, the Linux counterpart of drive letters. One watcher follows
// the mount table for the whole program and tells its listeners when volumes
// come and go. Tests put a fake table in place of the system's.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>

enum class TDriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CDROM, RAMDisk };

struct TMountEntry {
  QString root;       // the mount point, without a trailing "/" except for "/" itself
  QString label;      // volume name; may be empty
  QByteArray fsType;  // file-system type as the kernel names it
  TDriveType type = TDriveType::Fixed;
  bool operator==(const TMountEntry&) const = default;
};

// Where the mount table comes from.
class TMountSource {
 public:
  virtual ~TMountSource() = default;
  // The mounted volumes: "/" first, then the others in mount-point order.
  virtual QList<TMountEntry> Mounts() = 0;
  // An identity of the volume now mounted at `root` (changes when a medium is
  // exchanged); UINT64_MAX when it cannot be read.
  virtual std::uint64_t VolumeSerial(const QString& root) = 0;
};

// The system's table, read from /proc/self/mountinfo without touching any
// volume (a dead network share never blocks the reader); pseudo file systems
// and bind mounts of single folders and files are left out.
class TSystemMountSource : public TMountSource {
 public:
  QList<TMountEntry> Mounts() override;
  // The volumes of a mountinfo text; `labels` maps device paths to volume names.
  static QList<TMountEntry> ParseMountInfo(const QByteArray& text, const QHash<QByteArray, QString>& labels);
  std::uint64_t VolumeSerial(const QString& root) override;
  // The drive type of a file-system type name.
  static TDriveType TypeOf(const QByteArray& fsType, const QByteArray& device);
  static bool IsPseudo(const QByteArray& fsType);
};

// A table that tests fill and change at will.
class TFakeMountSource : public TMountSource {
 public:
  QList<TMountEntry> mounts;
  QHash<QString, std::uint64_t> serials;
  QList<TMountEntry> Mounts() override { return mounts; }
  std::uint64_t VolumeSerial(const QString& root) override { return serials.value(root, UINT64_MAX); }
};

class TMountWatcher : public QObject {
  Q_OBJECT
 public:
  static TMountWatcher& Instance();

  // Replaces the table (not owned); nullptr brings back the system's. The
  // current table is read again at once and `Changed` fires when it differs.
  void SetSource(TMountSource* source);
  TMountSource& Source();
  const QList<TMountEntry>& Mounts() const { return mounts_; }
  // Reads the table again; fires `Changed` when it differs from the last one.
  void Check();
  // The mount entry whose root holds `path` (the longest matching root).
  const TMountEntry* EntryOf(const QString& path) const;

 signals:
  void Changed();

 private:
  TMountWatcher();
  std::unique_ptr<TMountSource> system_;
  TMountSource* source_ = nullptr;
  QList<TMountEntry> mounts_;
  QTimer poll_;
};

// True when `path` lies at or below the mount point `root`.
bool PathIsBelow(const QString& path, const QString& root);
