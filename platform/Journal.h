// The journal of a staged write in place: the text that is to go into a
// file, kept on disk beside it until the file holds it whole, so that a write
// stopped half way is put right by the next read or save of the file.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>

namespace Journal {

// Copies `length` bytes of `from`, starting at `fromAt`, to the start of
// `to`; 0, or the error number.
int CopyRange(int from, off_t fromAt, int to, qint64 length);

// The journal's name beside the file `targetName`.
QByteArray FileName(const QByteArray& targetName);
// The size of the header of a journal made for `targetName`.
qint64 HeaderSize(const QByteArray& targetName);
// The header for the file `target` and a text of `length` bytes.
QByteArray Header(const struct stat& target, qint64 length, const QByteArray& sha256, const QByteArray& name);

// Puts the text of the journal `journal` (in the folder `dirFd`) into the
// file `name` beside it, when the journal is whole, unlocked and made for
// that file; removes it when it is unlocked but not whole or made for a file
// that is gone.
void Replay(int dirFd, const QByteArray& journal, const QByteArray& name);

}  // namespace Journal
