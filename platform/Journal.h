// The journal of a staged write in place: the new text of a file, kept on
// disk until the file holds it whole, so that a write stopped half way (the
// writer killed, the system down) is put right by the next read or save.
//
// Where it lies. Beside the file, named ".kvx-journal-" and sixteen hex
// digits made from the file's name; when something that is not a journal of
// ours has that name (another user's file, a link, a FIFO, a folder), the
// next free of the names with "-1" to "-15" added. A folder that takes no new
// file keeps no journal: then it lies in the program's journal folder
// (KeptFolder()), named by the file's device and inode ("801-1f2a3", "-1"...),
// and names the file by its whole path.
//
// What it holds. A header: a state ('L' live, 'D' done), the file's identity
// (device, inode, birth time where the file system keeps one), the file's
// size before the write, the text's length and SHA-256, the file's name;
// then the text; then what tells the old bytes: a 64-bit hash of every 4 KiB
// page of the old file and the old bytes from the text's end to the end of
// its page.
//
// The write. The journal is whole on disk before the file is touched. The
// text then goes into the file front to back in page-aligned steps, so that
// a write stopped at any moment leaves the file as "the first x bytes of the
// text, then the old bytes from x on" (x a page boundary or the text's end),
// or the text whole; the file is cut to the text's length, put on disk, and
// the journal removed.
//
// The replay: when a read may write. A read of a file (OpenRegularFile) or a
// save of it finds its journals with one look for each place where none
// lies. It writes into the file only when all of these hold, checked cheapest
// first: the journal is a regular file of this user that no running write
// holds, no longer than the longest text a journal takes; its header names
// this file, whose device, inode and birth time are still those of the file
// it was made for; its text is whole (SHA-256); and the file's bytes are
// exactly what the stopped write left, page by page, not changed by anyone
// since. Then the text goes into the file in the same steps, so a replay that
// is itself stopped is put right the same way. A file that is whole already,
// gone, replaced or changed since is left as it is. Either way the journal is
// removed; where it cannot be (a folder that no longer takes changes), it is
// marked done and never replayed again. Anything at a journal's name that is
// not our own journal made for this file is never followed, opened for long,
// written or removed.
#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QString>
#include <memory>

class QCryptographicHash;

namespace Journal {

// The longest text a staged write in place takes (1 TiB): a journal claiming
// more is not ours.
constexpr qint64 kMaxText = qint64(1) << 40;

// Puts right the file `target` (a path without links in its last part) from
// its journals, beside it and in the journal folder. `st` is its lstat, when
// the caller has it. Never waits; what fails stays as it was.
void Recover(const QByteArray& target, const struct stat* st = nullptr);

// The name of a journal beside the file named `fileName` (the first, or the
// next ones where something else has a name before).
QByteArray NameBeside(const QByteArray& fileName, int index = 0);

// Puts right every file whose journal lies in the journal folder (once at
// the program's start), and removes the journals of files that are gone.
void RecoverKept();

// The folder for the journals of files whose folder takes no new file:
// $XDG_STATE_HOME/korvex-vantar/journals (~/.local/state/... by default).
QString KeptFolder();
// Makes KeptFolder() return `folder` (tests); an empty text returns to the
// normal choice.
void SetKeptFolder(const QString& folder);

}  // namespace Journal

// The journal a staged write in place makes of its text while it gathers.
class TJournalWriter {
 public:
  // `target`: the file's path, links resolved.
  explicit TJournalWriter(QString target);
  ~TJournalWriter();
  TJournalWriter(const TJournalWriter&) = delete;
  TJournalWriter& operator=(const TJournalWriter&) = delete;

  // Makes the journal, still without a name: beside the file, or in the
  // journal folder where the file's folder takes no new file. 0, or the
  // error number with Why() telling more.
  int Open();
  // Appends text: the bytes written, or -1 with errno set.
  qint64 Write(const char* data, qint64 size);
  // Puts the text into the file, open on `fd` (for reading too, where the
  // file allows it: else a write stopped half way is left as it is). 0, or
  // the error number with Why() telling more; a journal already named stays
  // for the next read to put the file right.
  int Commit(int fd);
  // What a failure concerned beyond the system's reason (or empty).
  const QString& Why() const { return why_; }

 private:
  int Link(const struct stat& target);

  QString target_;
  int fd_ = -1;
  bool kept_ = false;
  QString stageName_;   // a stage with a name (where files without one cannot be made)
  QByteArray journal_;  // the journal's path, once it has one
  qint64 headerSize_ = 0;
  qint64 length_ = 0;
  std::unique_ptr<QCryptographicHash> hash_;
  QString why_;
};
