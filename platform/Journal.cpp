#include "platform/Journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/SafeFile.h"
#include "platform/Posix.h"
#include "platform/ScopeExit.h"

namespace {

using Posix::Native;
using Posix::Retry;

// ------------------------------------------------------------ format
//
// "KVX-JOURNAL 2\n"; one line of fixed width: the state ('L' live, 'U' live
// without the old bytes' hashes, 'D' done), the file's device, inode, birth
// time (seconds, nanoseconds; 0 where unknown), its size before the write,
// the text's length, the text's SHA-256 in hex and the length of the name;
// the name and "\n"; the text; the trailer (see the header file).

constexpr char kMagic[] = "KVX-JOURNAL 2\n";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
// state, device, inode, birth s, birth ns, old size, length, sha, name length
constexpr int kWidths[] = {1, 20, 20, 20, 9, 20, 20, 64, 5};
constexpr qsizetype kFieldsSize = [] {
  qsizetype n = 0;
  for (const int w : kWidths) n += w + 1;
  return n;
}();
constexpr qsizetype kStateAt = kMagicSize;
constexpr qint64 kPage = 4096;
constexpr int kMaxIndex = 16;
constexpr qint64 kStep = 256 * 1024;  // a multiple of kPage

struct TIdentity {
  quint64 device = 0, inode = 0;
  qint64 birthSec = 0, birthNsec = 0;
  bool operator==(const TIdentity&) const = default;
};

// The file's identity on `fd`, or of `path` (not followed) when fd < 0.
bool Identify(int fd, const char* path, TIdentity& id) {
  struct statx sx {};
  const int r = fd >= 0 ? ::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &sx)
                        : ::statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &sx);
  if (r != 0 && errno == ENOSYS) {
    // A system without statx: no birth time.
    struct stat st {};
    if ((fd >= 0 ? ::fstat(fd, &st) : ::lstat(path, &st)) != 0) return false;
    id.device = (quint64(major(st.st_dev)) << 32) | minor(st.st_dev);
    id.inode = st.st_ino;
    return true;
  }
  if (r != 0) return false;
  id.device = (quint64(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
  id.inode = sx.stx_ino;
  if (sx.stx_mask & STATX_BTIME) {
    id.birthSec = sx.stx_btime.tv_sec;
    id.birthNsec = sx.stx_btime.tv_nsec;
  }
  return true;
}

struct THeader {
  char state = 0;
  TIdentity id;
  qint64 oldSize = 0, length = 0;
  QByteArray sha256, name;
  qint64 size = 0;  // of the header
};

qint64 HeaderSize(qsizetype nameSize) { return kMagicSize + kFieldsSize + nameSize + 1; }

// Old bytes kept raw: from the text's end to the end of its page.
qint64 RawTail(qint64 oldSize, qint64 length) {
  if (length >= oldSize) return 0;
  return std::min(oldSize, (length + kPage - 1) / kPage * kPage) - length;
}
qint64 TrailerSize(qint64 oldSize, qint64 length) {
  return (oldSize + kPage - 1) / kPage * 8 + RawTail(oldSize, length);
}

QByteArray Field(qint64 value, int width) { return QByteArray::number(value).rightJustified(width, '0'); }

QByteArray MakeHeader(char state, const TIdentity& id, qint64 oldSize, qint64 length, const QByteArray& sha256,
                      const QByteArray& name) {
  const QByteArray fields = QByteArray(1, state) + ' ' + Field(qint64(id.device), 20) + ' ' +
                            Field(qint64(id.inode), 20) + ' ' + Field(id.birthSec, 20) + ' ' + Field(id.birthNsec, 9) +
                            ' ' + Field(oldSize, 20) + ' ' + Field(length, 20) + ' ' + sha256 + ' ' +
                            Field(name.size(), 5) + '\n';
  return kMagic + fields + name + '\n';
}

// Reads the header on `fd` (a journal of `fileSize` bytes); false when it is
// not one of ours or does not fit the file.
bool ReadHeader(int fd, qint64 fileSize, THeader& h) {
  QByteArray head(kMagicSize + kFieldsSize, Qt::Uninitialized);
  if (::pread(fd, head.data(), size_t(head.size()), 0) != head.size() || !head.startsWith(kMagic)) return false;
  qint64 values[9] = {};
  qsizetype at = kMagicSize;
  for (int i = 0; i < 9; ++i) {
    const QByteArray field = head.mid(at, kWidths[i]);
    at += kWidths[i];
    if (head[at] != (i == 8 ? '\n' : ' ')) return false;
    ++at;
    if (i == 0) {
      h.state = field[0];
      continue;
    }
    if (i == 7) {
      h.sha256 = field;
      continue;
    }
    bool ok = false;
    values[i] = field.toLongLong(&ok);
    if (!ok || values[i] < 0) return false;
  }
  if (h.state != 'L' && h.state != 'U' && h.state != 'D') return false;
  h.id = {quint64(values[1]), quint64(values[2]), values[3], values[4]};
  h.oldSize = values[5];
  h.length = values[6];
  const qint64 nameSize = values[8];
  if (nameSize == 0 || nameSize > PATH_MAX) return false;
  h.size = HeaderSize(qsizetype(nameSize));
  // Lengths no larger than the program ever writes: the sums below cannot
  // overflow.
  if (h.oldSize > Journal::kMaxText || h.length > Journal::kMaxText ||
      fileSize != h.size + h.length + TrailerSize(h.oldSize, h.length))
    return false;
  h.name.resize(qsizetype(nameSize) + 1);
  if (::pread(fd, h.name.data(), size_t(h.name.size()), kMagicSize + kFieldsSize) != h.name.size() ||
      !h.name.endsWith('\n'))
    return false;
  h.name.chop(1);
  return true;
}

quint64 PageHash(const char* p, qint64 n) {
  quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(n);
  qint64 i = 0;
  for (; i + 8 <= n; i += 8) {
    quint64 w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 0xff51afd7ed558ccdull;
    h ^= h >> 29;
  }
  for (; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 0x100000001b3ull;
  return h;
}

// Reads exactly `n` bytes at `at`; false when they are not all there.
bool ReadAt(int fd, char* to, qint64 n, qint64 at) {
  for (qint64 done = 0; done < n;) {
    const ssize_t r = ::pread(fd, to + done, size_t(n - done), at + done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += r;
  }
  return true;
}

bool WriteAt(int fd, const char* from, qint64 n, qint64 at) {
  for (qint64 done = 0; done < n;) {
    const ssize_t w = ::pwrite(fd, from + done, size_t(n - done), at + done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = ENOSPC;
      return false;
    }
    done += w;
  }
  return true;
}

// The SHA-256 (hex) of `length` bytes of `fd` from `at`; empty when they
// cannot all be read.
QByteArray HashRange(int fd, qint64 at, qint64 length) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QByteArray buffer(kStep, Qt::Uninitialized);
  for (qint64 done = 0; done < length;) {
    const qint64 n = std::min<qint64>(buffer.size(), length - done);
    if (!ReadAt(fd, buffer.data(), n, at + done)) return {};
    hash.addData(QByteArrayView(buffer.constData(), n));
    done += n;
  }
  return hash.result().toHex();
}

// Puts the text (`length` bytes of the journal `from`, from `at`) into the
// file `to` front to back in page-aligned steps, cuts the file to it and
// puts it on disk: 0, or the error number.
int CopyIn(int from, qint64 at, int to, qint64 length) {
  QByteArray buffer(kStep, Qt::Uninitialized);
  for (qint64 done = 0; done < length;) {
    const qint64 n = std::min<qint64>(buffer.size(), length - done);
    if (!ReadAt(from, buffer.data(), n, at + done)) return errno ? errno : EIO;
    if (!WriteAt(to, buffer.constData(), n, done)) return errno;
    done += n;
  }
  if (Retry([&] { return ::ftruncate(to, length); }) != 0 || ::fsync(to) != 0) return errno;
  return 0;
}

enum class TVerdict { Whole, Torn, Changed };

// Whether the file on `fd` is what a write of the journal `h` (on `j`) left
// when it stopped: "the first x bytes of the text, then the old bytes from x
// on", or the text whole.
TVerdict Judge(int fd, int j, const THeader& h) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return TVerdict::Changed;
  const qint64 size = st.st_size, oldSize = h.oldSize, length = h.length;
  // How far the file and the text agree.
  qint64 same = 0;
  {
    QByteArray a(kStep, Qt::Uninitialized), b(kStep, Qt::Uninitialized);
    const qint64 end = std::min(size, length);
    while (same < end) {
      const qint64 n = std::min<qint64>(kStep, end - same);
      if (!ReadAt(fd, a.data(), n, same) || !ReadAt(j, b.data(), n, h.size + same)) return TVerdict::Changed;
      const qint64 equal = std::mismatch(a.constData(), a.constData() + n, b.constData()).first - a.constData();
      same += equal;
      if (equal < n) break;
    }
  }
  if (size == length && same == length) return TVerdict::Whole;
  if (size > oldSize) return same == size ? TVerdict::Torn : TVerdict::Changed;
  if (size != oldSize || h.state != 'L') return TVerdict::Changed;
  // The old bytes from where the text stopped.
  qint64 x = same == length ? length : same / kPage * kPage;
  const qint64 trailer = h.size + length;
  QByteArray page(kPage, Qt::Uninitialized), kept(kPage, Qt::Uninitialized);
  if (x % kPage != 0 && x < oldSize) {
    const qint64 n = RawTail(oldSize, length);
    if (!ReadAt(fd, page.data(), n, x) || !ReadAt(j, kept.data(), n, trailer + (oldSize + kPage - 1) / kPage * 8) ||
        std::memcmp(page.constData(), kept.constData(), size_t(n)) != 0)
      return TVerdict::Changed;
    x += n;
  }
  for (; x < oldSize; x += kPage) {
    const qint64 n = std::min(kPage, oldSize - x);
    quint64 stored = 0;
    if (!ReadAt(fd, page.data(), n, x) || !ReadAt(j, reinterpret_cast<char*>(&stored), 8, trailer + x / kPage * 8) ||
        PageHash(page.constData(), n) != stored)
      return TVerdict::Changed;
  }
  return TVerdict::Torn;
}

// A journal found: `dirFd` and `name` say where, `target` is the file it
// should be made for, `expected` the name its header must give (empty: any,
// for the journal folder, where the identity alone ties it to the file).
void Examine(int dirFd, const QByteArray& name, const QByteArray& target, const QByteArray& expected,
             const struct stat& cheap) {
  // What is not a regular file of this user, or longer than any journal, is
  // not ours: never opened.
  if (!S_ISREG(cheap.st_mode) || cheap.st_uid != ::geteuid() || cheap.st_size < HeaderSize(1) ||
      cheap.st_size > HeaderSize(PATH_MAX) + 2 * Journal::kMaxText)
    return;
  int fd = ::openat(dirFd, name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  const ScopeExit closeJournal([fd] { ::close(fd); });
  struct stat js {
  }, now{};
  // Held by the write that is making it: left alone. Once locked here, it
  // must still be the one of that name.
  if (::fstat(fd, &js) != 0 || js.st_dev != cheap.st_dev || js.st_ino != cheap.st_ino ||
      ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstatat(dirFd, name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
      now.st_dev != js.st_dev || now.st_ino != js.st_ino)
    return;
  THeader h;
  if (!ReadHeader(fd, js.st_size, h) || (!expected.isEmpty() && h.name != expected)) return;
  const auto done = [&] {
    // Not waited on to be on disk: a journal that comes back after the
    // system went down is judged again, and leaves the file as it is.
    if (::unlinkat(dirFd, name.constData(), 0) == 0) return;
    // A folder that no longer takes changes: never replayed again.
    if (h.state != 'D' && ::pwrite(fd, "D", 1, kStateAt) == 1) ::fsync(fd);
  };
  TIdentity id;
  if (h.state == 'D' || !Identify(-1, target.constData(), id) || !(id == h.id)) return done();
  // Opened without waiting (checked as this very file first), before the
  // text is read: a file that cannot be written now costs nothing more.
  const int file = ::open(target.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file < 0) return;  // tried again by the next read
  const ScopeExit closeFile([file] { ::close(file); });
  TIdentity opened;
  if (!Identify(file, "", opened) || !(opened == h.id)) return;
  if (HashRange(fd, h.size, h.length) != h.sha256) return done();
  if (Judge(file, fd, h) == TVerdict::Torn && CopyIn(fd, h.size, file, h.length) != 0) return;
  done();
}

QByteArray KeptName(const TIdentity& id, int index) {
  QByteArray name = QByteArray::number(id.device, 16) + '-' + QByteArray::number(id.inode, 16);
  if (index > 0) name += '-' + QByteArray::number(index);
  return name;
}

bool IsKeptName(const QByteArray& name) {
  const QList<QByteArray> parts = name.split('-');
  if (parts.size() < 2 || parts.size() > 3) return false;
  for (const QByteArray& part : parts) {
    if (part.isEmpty() || part.size() > 16) return false;
    for (const char c : part)
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Examines the journals `names(0)`, `names(1)`... in `folder`, up to the
// first name where nothing lies.
void Look(const QByteArray& folder, const std::function<QByteArray(int)>& names, const QByteArray& target,
          const QByteArray& expected) {
  int dirFd = -1;
  for (int i = 0; i < kMaxIndex; ++i) {
    const QByteArray name = names(i);
    struct stat st {};
    if (::lstat((folder + '/' + name).constData(), &st) != 0) break;
    if (dirFd < 0) dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) break;
    Examine(dirFd, name, target, expected, st);
  }
  if (dirFd >= 0) ::close(dirFd);
}

QMutex keptMutex;
QString keptFolder;

}  // namespace

namespace Journal {

QByteArray NameBeside(const QByteArray& targetName, int index) {
  quint64 h = 14695981039346656037ull;
  for (const char c : targetName) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  QByteArray name = ".kvx-journal-" + QByteArray::number(h, 16).rightJustified(16, '0');
  if (index > 0) name += '-' + QByteArray::number(index);
  return name;
}

QString KeptFolder() {
  {
    const QMutexLocker lock(&keptMutex);
    if (!keptFolder.isEmpty()) return keptFolder;
  }
  static const QString standard = [] {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/korvex-vantar/journals");
  }();
  return standard;
}

void SetKeptFolder(const QString& folder) {
  const QMutexLocker lock(&keptMutex);
  keptFolder = folder;
}

void Recover(const QByteArray& target, const struct stat* known) {
  if (target.isEmpty()) return;
  struct stat st {};
  const bool exists = known ? (st = *known, true) : ::lstat(target.constData(), &st) == 0;
  const qsizetype slash = target.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
  const QByteArray name = target.mid(slash + 1);
  Look(
      folder, [&](int i) { return Journal::NameBeside(name, i); }, target, name);
  if (!exists || !S_ISREG(st.st_mode)) return;
  TIdentity id;
  id.device = (quint64(major(st.st_dev)) << 32) | minor(st.st_dev);
  id.inode = st.st_ino;
  Look(Native(KeptFolder()), [&](int i) { return KeptName(id, i); }, target, {});
}

void RecoverKept() {
  const QByteArray folder = Native(KeptFolder());
  DIR* dir = ::opendir(folder.constData());
  if (!dir) return;
  const ScopeExit closeDir([dir] { ::closedir(dir); });
  const int dirFd = ::dirfd(dir);
  std::vector<QByteArray> names;
  while (const dirent* entry = ::readdir(dir))
    if (IsKeptName(entry->d_name)) names.emplace_back(entry->d_name);
  for (const QByteArray& name : names) {
    struct stat st {};
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid())
      continue;
    // The file the header names, by its whole path: what is gone, or is no
    // longer the file it was made for, gets its journal removed.
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    THeader h;
    const bool read = ReadHeader(fd, st.st_size, h);
    ::close(fd);
    if (!read || !h.name.startsWith('/') || QDir::cleanPath(QFile::decodeName(h.name)) != QFile::decodeName(h.name))
      continue;
    Examine(dirFd, name, h.name, {}, st);
  }
}

}  // namespace Journal

TJournalWriter::TJournalWriter(QString target) : target_(std::move(target)) {}

TJournalWriter::~TJournalWriter() {
  // A journal with a name stays: the file may be torn, and the journal puts
  // it right with the next read or save.
  if (!stageName_.isEmpty()) ::unlink(Native(stageName_).constData());
  if (fd_ >= 0) ::close(fd_);
}

int TJournalWriter::Open() {
  const QFileInfo info(target_);
  const QString beside = info.absolutePath();
  const auto stage = [this](const QString& folder) {
    // Without a name where the system makes such files (nothing of it
    // outlasts a killed write), else under a temporary's name.
    if (::access("/proc/self/fd", X_OK) == 0) {
      fd_ = Retry([&] { return ::open(Native(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
      if (fd_ >= 0 && Retry([&] { return ::flock(fd_, LOCK_EX); }) != 0) {
        ::close(fd_);
        fd_ = -1;
      }
    }
    if (fd_ < 0) {
      QByteArray pattern = Native(folder + QStringLiteral("/.kvx-XXXXXX"));
      fd_ = SafeFile::CreateLocked(pattern);
      if (fd_ >= 0) stageName_ = QFile::decodeName(pattern);
    }
    return fd_ >= 0 ? 0 : errno;
  };
  int error = stage(beside);
  if (error == EACCES || error == EPERM) {
    // A folder that takes no new file: the journal goes to the program's
    // own folder for such journals.
    const QString kept = Journal::KeptFolder();
    if (!QDir().mkpath(kept) || ::chmod(Native(kept).constData(), 0700) != 0) {
      why_ = QStringLiteral("Its folder takes no new file, and the folder for its journal (\"%1\") cannot be made.")
                 .arg(kept);
      return EACCES;
    }
    SafeFile::RemoveStaleTemporaries(kept);
    kept_ = true;
    error = stage(kept);
    if (error) {
      why_ = QStringLiteral("Its folder takes no new file, and no journal can be made in \"%1\".").arg(kept);
      return error;
    }
  }
  if (error) return error;
  const QByteArray name = kept_ ? Native(info.absoluteFilePath()) : Native(info.fileName());
  headerSize_ = HeaderSize(name.size());
  hash_ = std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256);
  if (::lseek(fd_, headerSize_, SEEK_SET) < 0) return errno;
  return 0;
}

qint64 TJournalWriter::Write(const char* data, qint64 size) {
  if (size > Journal::kMaxText - length_) {
    errno = EFBIG;
    return -1;
  }
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size_t(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      if (done == 0) return -1;
      break;
    }
    done += n;
  }
  hash_->addData(QByteArrayView(data, done));
  length_ += done;
  return done;
}

int TJournalWriter::Commit(int fd) {
  struct stat target {};
  TIdentity id;
  if (::fstat(fd, &target) != 0 || !Identify(fd, "", id)) return errno;
  const qint64 oldSize = target.st_size;
  if (oldSize > Journal::kMaxText) return EFBIG;
  // What tells the old bytes, after the text.
  bool known = true;
  {
    const qint64 at = headerSize_ + length_;
    QByteArray page(kPage, Qt::Uninitialized);
    QByteArray hashes;
    hashes.reserve((oldSize + kPage - 1) / kPage * 8);
    for (qint64 x = 0; x < oldSize && known; x += kPage) {
      const qint64 n = std::min(kPage, oldSize - x);
      known = ReadAt(fd, page.data(), n, x);
      const quint64 h = known ? PageHash(page.constData(), n) : 0;
      hashes.append(reinterpret_cast<const char*>(&h), 8);
    }
    hashes.resize((oldSize + kPage - 1) / kPage * 8, '\0');
    QByteArray tail(RawTail(oldSize, length_), '\0');
    if (known && !tail.isEmpty()) known = ReadAt(fd, tail.data(), tail.size(), length_);
    if (!WriteAt(fd_, hashes.constData(), hashes.size(), at) ||
        !WriteAt(fd_, tail.constData(), tail.size(), at + hashes.size()))
      return errno;
  }
  const QByteArray name = kept_ ? Native(QFileInfo(target_).absoluteFilePath()) : Native(QFileInfo(target_).fileName());
  const QByteArray header = MakeHeader(known ? 'L' : 'U', id, oldSize, length_, hash_->result().toHex(), name);
  if (header.size() != headerSize_) return EINVAL;
  if (!WriteAt(fd_, header.constData(), header.size(), 0) || ::fsync(fd_) != 0) return errno;
  // The whole new text is on disk before the file is touched.
  if (const int error = Link(target)) return error;
  if (const int error = CopyIn(fd_, headerSize_, fd, length_)) return error;
  ::unlink(journal_.constData());
  SafeFile::SyncFolder(Native(QFileInfo(QFile::decodeName(journal_)).absolutePath()));
  journal_.clear();
  return 0;
}

int TJournalWriter::Link(const struct stat& target) {
  const QFileInfo info(target_);
  const QByteArray folder = kept_ ? Native(Journal::KeptFolder()) : Native(info.absolutePath());
  TIdentity id;
  id.device = (quint64(major(target.st_dev)) << 32) | minor(target.st_dev);
  id.inode = target.st_ino;
  const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
  // A name taken by anything (another write's journal, or what is not a
  // journal of ours) is passed over for the next.
  for (int i = 0; i < kMaxIndex; ++i) {
    const QByteArray journal =
        folder + '/' + (kept_ ? KeptName(id, i) : Journal::NameBeside(Native(info.fileName()), i));
    const int linked = stageName_.isEmpty()
                           ? ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, journal.constData(), AT_SYMLINK_FOLLOW)
                           : ::link(Native(stageName_).constData(), journal.constData());
    if (linked != 0 && errno == EEXIST) continue;
    if (linked != 0) return errno;
    journal_ = journal;
    if (!stageName_.isEmpty()) ::unlink(Native(stageName_).constData());
    stageName_.clear();
    SafeFile::SyncFolder(folder);
    return 0;
  }
  why_ = QStringLiteral("Every name for its journal beside it is taken (\"%1\" and the next %2).")
             .arg(QFile::decodeName(Journal::NameBeside(Native(info.fileName()), 0)))
             .arg(kMaxIndex - 1);
  return EEXIST;
}
