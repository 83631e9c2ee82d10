// Writing the program's own files (settings, lists, caches).
//
// They ask no one: they are written in place whenever replacing them would
// lose their links or owner, staged, one writer at a time under their
// folder's lock (WriteOwn, TFolderLock).
#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

#include "platform/Exceptions.h"
#include "platform/SafeFile.h"

// What can befall a write of one of the program's own files: it failed, or
// it went ahead without its folder's lock, which another process held.
enum class TOwnFileTrouble { NotWritten, Unlocked };
// Where such troubles are told: the file, and for NotWritten the failure.
using TOwnFileReport = std::function<void(TOwnFileTrouble trouble, const QString& fileName, const Exception* failure)>;

// Holds the folder of a file locked (flock) while it lives, so that the
// program's writers of its own files take turns. The folder, not the file: a
// write puts a new file in the old one's place, and a lock on the old file
// would not keep the next writer from reading the new one before it is in
// place. A folder that cannot be locked (a file system without locks) is gone
// without. A holder that does not let go is waited on for up to ten seconds
// once in a run of the program; after that the lock is waited on only for a
// moment, and writes go on without it. While the program starts, a held lock
// is waited on only for that moment too: the lock is then Busy(), and the
// writer keeps its text for a later write (or, where it cannot, writes
// without the lock); the run's one long wait is left for a write after the
// start.
class TFolderLock {
 public:
  explicit TFolderLock(const QString& fileName);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  // The program is starting and another process holds the lock: it was not
  // waited on, and the run's long wait is still to come.
  bool Busy() const { return busy_; }
  // This lock ended the run's one wait without the lock: the moment to tell
  // the user that the folder's files are written without it.
  bool GaveUp() const { return gaveUp_; }
  const QString& Folder() const { return folder_; }

  // The long wait for a held lock: gets the folder's descriptor and returns
  // true once it holds the lock. Tests put one in place that counts its
  // calls and gives up at once; an empty function brings back the ten seconds.
  static void SetWait(std::function<bool(int fd)> wait);
  // True once after the run gave up waiting, whichever writer gave up: the
  // first writer that can tell the user takes it, so the notice is not lost
  // to a writer that tells nobody or whose write then failed.
  static bool TakeGaveUp();
  // Forgets that the run gave up waiting (for tests: as in a new run).
  static void NewRun();
  // Marks the program's start (true) and its end (false): see Busy().
  static void SetStarting(bool starting);

 private:
  QString folder_;
  int fd_ = -1;
  bool gaveUp_ = false;
  bool busy_ = false;
};

namespace SafeFile {

// The answer for the program's own files: in place wherever replacing the
// file would lose its other links or its owner. A file whose folder takes no
// new file, or whose permissions forbid writing, is refused (EFCreateError
// with the system's reason).
bool OwnFileInPlace(const QString& fileName, TInPlaceReason reason);

// Writes one of the program's own files under its folder's lock
// (TFolderLock), answering with OwnFileInPlace; in place it is staged (see
// TSafeFile::StageInPlace). Raises as Write() does. Returns what the lock's
// GaveUp() said.
bool WriteOwn(const QString& fileName, QByteArrayView bytes);
// As WriteOwn, but a lock that is Busy() (the program is starting) is not
// written without: nothing is written and false returned, for the caller to
// keep the text for its next write. True when the file was written.
bool WriteOwnUnlessBusy(const QString& fileName, QByteArrayView bytes);

}  // namespace SafeFile
