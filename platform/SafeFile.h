// Saving a file without losing the old one.
//
// The new bytes go to a temporary file beside the target (a short name, so
// long file names still fit the file system's limit), which takes the place
// of the target only when every byte is on disk; the target keeps its mode,
// owner and group. When that way cannot keep what the user has (the folder
// takes no new file, the file has other hard links, or its owner or group
// cannot be given to a new file), the file is written in place, but only
// after the caller's question was answered yes. A file whose permissions
// forbid writing is replaced only after the same question, too. Every
// failure names the file and the system's reason.
//
// The temporary (".kvx-" and six letters or digits) is locked for as long as
// its save runs; a save removes the unlocked ones it finds in its folder,
// left by saves that were killed.
//
// A staged write in place (StageInPlace) gathers the new bytes in a journal
// (platform/Journal.h) beside the target, or in the program's folder for
// journals where the target's folder takes no new file: the target is
// touched only once the whole text is on disk there, and a write killed (or
// failed) half way is put right by the next read (OpenRegularFile) or save
// of that file, as long as no one changed the file since (Recover).
//
// The program's own files (settings, lists, caches) ask no one: they are
// written in place whenever replacing them would lose their links or owner,
// staged, one writer at a time under their folder's lock (platform/OwnFile.h).
#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

#include "platform/Exceptions.h"

class TJournalWriter;

// Why a save asks first. WriteProtected: the file's permissions forbid
// writing it; on yes it is replaced the normal way (and keeps its mode).
enum class TInPlaceReason { FolderNotWritable, HardLinks, Owner, WriteProtected };

// Asked before the file itself is written over; true lets it go ahead.
using TInPlaceQuestion = std::function<bool(const QString& fileName, TInPlaceReason reason)>;

// The user declined writing in place: nothing was written.
class ESaveCancelled : public EStreamError {
 public:
  explicit ESaveCancelled(const QString& fileName);
};

// The name leads (through its links, if any) to something other than a
// regular file: a FIFO, a socket, a device or a folder. Nothing is written
// and it is left as it is.
class ENotRegularFile : public EFCreateError {
 public:
  explicit ENotRegularFile(const QString& fileName);
  const QString& FileName() const { return fileName_; }

 private:
  QString fileName_;
};

// A device that writes one file safely. Open() decides how (raising
// EFCreateError or ESaveCancelled), write() appends, Commit() puts the bytes
// in place (raising EWriteError). Without a commit the target stays as it was
// (in place: as far as it was written).
class TSafeFile : public QIODevice {
 public:
  // Open() raises ENotRegularFile for a name that does not lead to a
  // regular file (or to nothing yet).
  // The size `expectedSize` tells (asked only for an in-place write) is
  // reserved on the disk before that write begins, so a full disk stops it
  // before it changes anything.
  TSafeFile(const QString& fileName, TInPlaceQuestion ask, std::function<qint64()> expectedSize = {});
  ~TSafeFile() override;

  // An in-place write that is stopped before Commit() leaves the file as it
  // was, untouched: the bytes are gathered in the file's journal, still
  // without a name, and go into the file (its size reserved first) only at
  // Commit(), so that a write stopped during Commit() is put right by the
  // next read or save. Where no journal can be kept (the file's folder
  // takes no new file and the program's folder for journals cannot be
  // made), Open() raises EWriteError saying so. Called before Open().
  void StageInPlace() { stage_ = true; }
  // Only a new file is made: Open() raises EFCreateError when anything (a
  // link that leads nowhere too) has the name, and Commit() raises
  // EWriteError, leaving it as it is, when something took the name since.
  // Called before Open().
  void NewOnly() { newOnly_ = true; }

  void Open();
  void Commit();
  bool InPlace() const { return inPlace_; }
  // Whether a write failed (errorString() names the file and says why).
  bool WriteFailed() const { return writeErrno_ != 0; }
  // The file really written (a symbolic link is followed to its target).
  const QString& Target() const { return target_; }

  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  [[noreturn]] void Fail(int error, const QString& why = {});
  void Discard();
  void Reserve(qint64 size);
  void OpenStage();

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
  int lockFd_ = -1;
  bool stage_ = false;
  bool newOnly_ = false;
  // The journal the bytes of a staged write in place gather in.
  std::unique_ptr<TJournalWriter> journal_;
};

namespace SafeFile {

// Writes `bytes` to `fileName` through TSafeFile.
void Write(const QString& fileName, QByteArrayView bytes, const TInPlaceQuestion& ask = {});

// Puts right a file whose staged write in place was stopped half way (the
// writer killed, the system down) from its journal, when the file is still
// the one the journal was made for and no one changed it since; else the
// file is left as it is. Never waits; what fails stays as it was.
// `fileName` may be a link: the file it leads to is put right. See
// platform/Journal.h.
void Recover(const QString& fileName);

// Puts the entries of `folder` on disk (fsync).
void SyncFolder(const QByteArray& folder);

// The system's wording of an error number ("No space left on device").
QString Reason(int error);

// Renames `from` (a file or a folder) to `to` in one step that never
// replaces what lies at `to`, even when it appears after a check: 0, or the
// error number (EEXIST when `to` exists, a dangling link included).
int RenameNoReplace(const QString& from, const QString& to);

// A file-size limit makes the system stop a program that writes past it;
// ignored, the write fails with an error instead. Called before every save.
void IgnoreFileSizeSignal();

// Creates a new file from `pattern` (ending in "XXXXXX", which is replaced by
// the name made) and locks it (flock) for as long as the returned
// descriptor, or a duplicate of it, stays open; -1 with errno set on failure.
// A sweep never takes a file made this way while it is locked.
int CreateLocked(QByteArray& pattern);

// Calls `stale` for every regular file of `folder` that this user owns,
// whose name `matches` and that no process holds locked, while it is held
// locked here; the file is deleted when `stale` returns true. Errors are
// ignored: the files stay.
void SweepUnlocked(const QString& folder, const std::function<bool(const QByteArray& name)>& matches,
                   const std::function<bool(int fd, const QString& path)>& stale);

// True for the names of save temporaries: ".kvx-" and six letters or digits.
bool IsSaveTemporaryName(const QByteArray& name);

// Deletes the save temporaries in `folder` that no running save holds.
void RemoveStaleTemporaries(const QString& folder);

}  // namespace SafeFile
