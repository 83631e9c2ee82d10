// Saving a file without losing the old one.
//
// The new bytes go to a temporary file beside the target (a short name, so
// long file names still fit the file system's limit), which takes the place
// of the target only when every byte is on disk; the target keeps its mode,
// owner and group. When that way cannot keep what the user has (the folder
// takes no new file, the file has other hard links, or its owner or group
// cannot be given to a new file), the file is written in place, but only
// after the caller's question was answered yes. Every failure names the file
// and the system's reason.
#pragma once

#include "platform/Exceptions.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <functional>

enum class TInPlaceReason { FolderNotWritable, HardLinks, Owner };

// Asked before the file itself is written over; true lets it go ahead.
using TInPlaceQuestion = std::function<bool(const QString& fileName, TInPlaceReason reason)>;

// The user declined writing in place: nothing was written.
class ESaveCancelled : public EStreamError {
 public:
  explicit ESaveCancelled(const QString& fileName);
};

// A device that writes one file safely. Open() decides how (raising
// EFCreateError or ESaveCancelled), write() appends, Commit() puts the bytes
// in place (raising EWriteError). Without a commit the target stays as it was
// (in place: as far as it was written).
class TSafeFile : public QIODevice {
 public:
  // The size `expectedSize` tells (asked only for an in-place write) is
  // reserved on the disk before that write begins, so a full disk stops it
  // before it changes anything.
  TSafeFile(const QString& fileName, TInPlaceQuestion ask, std::function<qint64()> expectedSize = {});
  ~TSafeFile() override;

  void Open();
  void Commit();
  bool InPlace() const { return inPlace_; }
  // The file really written (a symbolic link is followed to its target).
  const QString& Target() const { return target_; }

  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  [[noreturn]] void Fail(int error);
  void Discard();

  QString fileName_;
  QString target_;
  QString temp_;
  TInPlaceQuestion ask_;
  std::function<qint64()> expectedSize_;
  qint64 written_ = 0;
  int fd_ = -1;
  bool inPlace_ = false;
  int writeErrno_ = 0;
  unsigned mode_ = 0;
};

namespace SafeFile {

// Writes `bytes` to `fileName` through TSafeFile.
void Write(const QString& fileName, QByteArrayView bytes, const TInPlaceQuestion& ask = {});

// The system's wording of an error number ("No space left on device").
QString Reason(int error);

// A file-size limit makes the system stop a program that writes past it;
// ignored, the write fails with an error instead. Called before every save.
void IgnoreFileSizeSignal();

}  // namespace SafeFile
