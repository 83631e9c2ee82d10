#include "platform/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <cerrno>
#include <climits>
#include <functional>

#include "platform/ScopeExit.h"

namespace Journal {

namespace {

int Retry(const std::function<int()>& call) {
  int r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

// Copies `length` bytes of `from`, starting at `fromAt`, to the start of
// `to`; 0, or the error number.
int CopyRange(int from, off_t fromAt, int to, qint64 length) {
  QByteArray buffer(1 << 16, Qt::Uninitialized);
  for (off_t at = 0; at < length;) {
    const ssize_t n = ::pread(from, buffer.data(), static_cast<size_t>(std::min<qint64>(buffer.size(), length - at)),
                              fromAt + at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;  // shorter than it said
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::pwrite(to, buffer.constData() + done, static_cast<size_t>(n - done), at + done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return w < 0 ? errno : ENOSPC;
      done += w;
    }
    at += n;
  }
  return 0;
}

// ------------------------------------------------------------ journals
//
// "KVX-JOURNAL 1\n", then one line of four fields of fixed width (the
// target's device and inode, the text's length and its SHA-256 in hex), then
// the target's file name and "\n", then the text.

constexpr char kJournalMagic[] = "KVX-JOURNAL 1\n";
constexpr qsizetype kMagicSize = sizeof kJournalMagic - 1;
constexpr qsizetype kFieldsSize = 20 + 1 + 20 + 1 + 20 + 1 + 64 + 1;

// ".kvx-journal-" and sixteen hex digits (FNV-1a of the target's name): one
// name for each file whatever its own name's length, stable across runs.
QByteArray FileName(const QByteArray& targetName) {
  quint64 h = 14695981039346656037ull;
  for (const char c : targetName) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return ".kvx-journal-" + QByteArray::number(h, 16).rightJustified(16, '0');
}

qint64 HeaderSize(const QByteArray& targetName) { return kMagicSize + kFieldsSize + targetName.size() + 1; }

namespace {

struct TJournalHeader {
  quint64 device = 0, inode = 0;
  qint64 length = -1;
  QByteArray sha256;
  qint64 size = 0;  // of the header
};

}  // namespace

QByteArray Header(const struct stat& target, qint64 length, const QByteArray& sha256, const QByteArray& name) {
  QByteArray fields = QByteArray::number(quint64(target.st_dev)).rightJustified(20, '0') + ' ' +
                      QByteArray::number(quint64(target.st_ino)).rightJustified(20, '0') + ' ' +
                      QByteArray::number(length).rightJustified(20, '0') + ' ' + sha256 + '\n';
  return kJournalMagic + fields + name + '\n';
}

namespace {

// Reads the header of a journal made for the file `name` (a name may hold
// any byte but "/", so its length is known, not looked for).
bool ParseJournalHeader(const QByteArray& head, const QByteArray& name, TJournalHeader& h) {
  h.size = HeaderSize(name);
  if (!head.startsWith(kJournalMagic) || head.size() < h.size || head[h.size - 1] != '\n' ||
      head.mid(kMagicSize + kFieldsSize, name.size()) != name)
    return false;
  const QByteArray fields = head.mid(kMagicSize, kFieldsSize);
  if (fields[20] != ' ' || fields[41] != ' ' || fields[62] != ' ' || fields[kFieldsSize - 1] != '\n') return false;
  bool ok[3] = {};
  h.device = fields.left(20).toULongLong(&ok[0]);
  h.inode = fields.mid(21, 20).toULongLong(&ok[1]);
  h.length = fields.mid(42, 20).toLongLong(&ok[2]);
  h.sha256 = fields.mid(63, 64);
  return ok[0] && ok[1] && ok[2] && h.length >= 0;
}

// The SHA-256 (hex) of `length` bytes of `fd` from `at`; empty when they
// cannot all be read.
QByteArray HashRange(int fd, off_t at, qint64 length) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QByteArray buffer(1 << 16, Qt::Uninitialized);
  for (qint64 done = 0; done < length;) {
    const ssize_t n =
        ::pread(fd, buffer.data(), static_cast<size_t>(std::min<qint64>(buffer.size(), length - done)), at + done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};
    hash.addData(QByteArrayView(buffer.constData(), n));
    done += n;
  }
  return hash.result().toHex();
}

}  // namespace

// Puts the text of the journal `journal` (in the folder `dirFd`) into the
// file `name` beside it, when the journal is whole, unlocked and made for
// that file; removes it when it is unlocked but not whole or made for a file
// that is gone.
void Replay(int dirFd, const QByteArray& journal, const QByteArray& name) {
  const int fd = ::openat(dirFd, journal.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  const ScopeExit closeJournal([fd] { ::close(fd); });
  struct stat js {
  }, now{};
  // Someone else's, or held by the write that is making it: left alone. Once
  // locked here, it must still be the one of that name.
  if (::fstat(fd, &js) != 0 || !S_ISREG(js.st_mode) || js.st_uid != ::geteuid() ||
      ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstatat(dirFd, journal.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
      now.st_dev != js.st_dev || now.st_ino != js.st_ino)
    return;
  QByteArray head(kMagicSize + kFieldsSize + NAME_MAX + 1, Qt::Uninitialized);
  const ssize_t n = ::pread(fd, head.data(), static_cast<size_t>(head.size()), 0);
  head.truncate(std::max<ssize_t>(n, 0));
  TJournalHeader h;
  const bool whole = ParseJournalHeader(head, name, h) && js.st_size == h.size + h.length &&
                     HashRange(fd, h.size, h.length) == h.sha256;
  struct stat ts {};
  if (whole && ::fstatat(dirFd, name.constData(), &ts, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(ts.st_mode) &&
      quint64(ts.st_dev) == h.device && quint64(ts.st_ino) == h.inode) {
    const int target = ::openat(dirFd, name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (target < 0) return;
    const ScopeExit closeTarget([target] { ::close(target); });
    struct stat opened {};
    if (::fstat(target, &opened) != 0 || opened.st_ino != ts.st_ino || opened.st_dev != ts.st_dev ||
        CopyRange(fd, h.size, target, h.length) != 0 || Retry([&] { return ::ftruncate(target, h.length); }) != 0 ||
        ::fsync(target) != 0)
      return;
  }
  ::unlinkat(dirFd, journal.constData(), 0);
  ::fsync(dirFd);
}

}  // namespace Journal
