// Writing the program's own files (settings, lists, caches).
//
// They ask no one: they are written in place whenever replacing them would
// lose their links or owner, staged, one writer at a time under their
// folder's lock (WriteOwn, TFolderLock).
#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/SafeFile.h"

// Readers and writers of one of the program's own files take turns on the
// file itself (flock on an open descriptor of it): a write in place holds it
// exclusively while it changes the file, a reader holds it shared while it
// reads, so that no reader sees a write in place half done. Both hold it
// only for a moment, and neither waits long for it: a writer goes on
// without it after 50 ms; a reader after 30 ms, and for a second after that
// tries it only once (it then checks what it read instead).
class TOwnFileTurn {
 public:
  TOwnFileTurn(int fd, bool write, const QString& fileName);
  ~TOwnFileTurn();
  TOwnFileTurn(const TOwnFileTurn&) = delete;
  TOwnFileTurn& operator=(const TOwnFileTurn&) = delete;
  bool Held() const { return held_; }

 private:
  int fd_;
  bool held_ = false;
};

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
// without.
//
// The window's thread never waits for a lock that another process holds:
// while the program starts, and on the thread of the application's event
// loop while it runs, such a lock is Busy(); the writer keeps its text in
// memory (KeepOwnWrite), readers get it, and the event loop writes it once
// the lock is free. Elsewhere a holder that does not let go is waited on.
// Either way it is given up to after ten seconds once in a run of the
// program (the writes then go on without the lock, and TakeGaveUp() tells);
// after that the lock is waited on only for a moment.
class TFolderLock {
 public:
  explicit TFolderLock(const QString& fileName);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  // Another process holds the lock and it was not waited on (the program is
  // starting, or this is the window's thread): the writer keeps its text.
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
  // How long the writes kept for a held lock wait before they go on without
  // it (for tests; zero or less brings back the ten seconds).
  static void SetPatience(int ms);

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

// Commits an opened write of one of the program's own files; a write in
// place holds the file's turn (TOwnFileTurn) while it changes the file.
void CommitOwn(TSafeFile& file);

// Writes one of the program's own files under its folder's lock
// (TFolderLock), answering with OwnFileInPlace; in place it is staged (see
// TSafeFile::StageInPlace). Raises as Write() does. Returns what the lock's
// GaveUp() said. A lock that is Busy() is not waited on: the bytes are kept
// (PendingOwn) and written once it is free, or after the patience without
// it; a failure then goes to `report` (when given).
bool WriteOwn(const QString& fileName, QByteArrayView bytes, const TOwnFileReport& report = {});
// As WriteOwn, but true when the file was written now, false when its bytes
// were kept for the lock.
bool WriteOwnUnlessBusy(const QString& fileName, QByteArrayView bytes, const TOwnFileReport& report = {});

// Keeps a write of `fileName` whose folder's lock is Busy(): `write` runs on
// the window's thread once the lock is free (it takes the lock itself, and
// keeps its text again when another process took it first), or, once the
// run's patience is spent, with the lock given up (TakeGaveUp() then tells).
// It replaces a write kept for the same file; `text`, when given, is what
// PendingOwn() gives the file's readers meanwhile.
void KeepOwnWrite(const QString& fileName, std::function<void()> write, std::optional<QByteArray> text = {});
// The text of a write kept for `fileName`, if any.
std::optional<QByteArray> PendingOwn(const QString& fileName);
// Whether a write of `fileName` is kept.
bool OwnWritePending(const QString& fileName);
// Drops the write kept for `fileName` (its writer wrote the file since).
void ForgetOwnWrite(const QString& fileName);
// Runs every kept write, each after a wait for its lock of a few seconds at
// most (at the program's end); then without it.
void WritePendingOwnFiles();
// Drops every kept write (for tests: as in a new run).
void ForgetOwnWrites();

}  // namespace SafeFile
