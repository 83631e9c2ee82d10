#include "app/document/PreviewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include "editor/SrcEditTextBuffer.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeFile.h"

namespace Preview {

namespace {

constexpr int kMaxNames = 100;

// The n-th name tried for `fileName`, its name part shortened (never the
// extension) until it takes at most `maxBytes` bytes on the file system.
QString Candidate(const QString& fileName, int n, qsizetype maxBytes) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  QString stem = dot < 0 ? fileName : fileName.left(dot);
  const QString tail = (n == 1 ? QString() : u'~' + QString::number(n)) + (dot < 0 ? QString() : fileName.mid(dot));
  qsizetype over = QFile::encodeName(stem + tail).size() - maxBytes;
  while (over > 0 && !stem.isEmpty()) {
    const qsizetype cut = stem.size() >= 2 && stem.back().isLowSurrogate() ? 2 : 1;
    over -= QFile::encodeName(stem.right(cut)).size();
    stem.chop(cut);
  }
  return stem + tail;
}

qsizetype MaxNameBytes(const QString& folder) {
  const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
  return max > 0 && max < 4096 ? max : NAME_MAX;
}

// The record of the preview files this process made and has not removed:
// a file in the program folder, locked while the process lives, one line per
// preview file: size, modification time (ns), device, inode and the path's
// bytes, percent-encoded.
struct TRecord {
  std::mutex lock;
  pid_t pid = 0;
  QString path;
  int fd = -1;
  QList<QByteArray> lines;
};

TRecord& Record() {
  static TRecord record;
  return record;
}

const QByteArray kRecordPrefix = "kvx-previews-";

QByteArray RecordLine(const QString& path, const struct stat& st) {
  return QByteArray::number(qint64(st.st_size)) + ' ' +
         QByteArray::number(qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec) + ' ' +
         QByteArray::number(quint64(st.st_dev)) + ' ' + QByteArray::number(quint64(st.st_ino)) + ' ' +
         QFile::encodeName(path).toPercentEncoding();
}

void WriteRecord(TRecord& r) {
  if (r.lines.isEmpty()) {
    ::unlink(QFile::encodeName(r.path).constData());
    ::close(r.fd);
    r.fd = -1;
    return;
  }
  const QByteArray bytes = r.lines.join('\n') + '\n';
  if (::ftruncate(r.fd, 0) == 0) (void)!::pwrite(r.fd, bytes.constData(), size_t(bytes.size()), 0);
}

// Notes a preview file just made; failures only cost the clean-up.
void NoteMade(const QString& path, const struct stat& st) {
  TRecord& r = Record();
  const std::lock_guard guard(r.lock);
  const QString folder = ProgramFolder();
  // A record of the process this one was forked from, or of another program
  // folder, is not this one's to write.
  if (r.fd >= 0 && (r.pid != ::getpid() || QFileInfo(r.path).absolutePath() + u'/' != folder)) {
    ::close(r.fd);
    r.fd = -1;
    r.lines.clear();
  }
  if (r.fd < 0) {
    QByteArray pattern = QFile::encodeName(folder) + kRecordPrefix + "XXXXXX";
    r.fd = SafeFile::CreateLocked(pattern);
    if (r.fd < 0) return;
    r.pid = ::getpid();
    r.path = QFile::decodeName(pattern);
  }
  r.lines << RecordLine(path, st);
  WriteRecord(r);
}

void NoteRemoved(const TPreviewFile& file) {
  TRecord& r = Record();
  const std::lock_guard guard(r.lock);
  if (r.fd < 0 || r.pid != ::getpid()) return;
  const QByteArray tail = ' ' + QByteArray::number(quint64(file.device)) + ' ' +
                          QByteArray::number(quint64(file.inode)) + ' ' +
                          QFile::encodeName(file.path).toPercentEncoding();
  const qsizetype before = r.lines.size();
  r.lines.removeIf([&](const QByteArray& line) { return line.endsWith(tail); });
  if (r.lines.size() != before) WriteRecord(r);
}

bool IsRecordName(const QByteArray& name) {
  return name.size() == kRecordPrefix.size() + 6 && name.startsWith(kRecordPrefix);
}

// Removes the files a record lists that are still as they were made.
void RemoveListed(int fd) {
  QByteArray bytes;
  char buffer[65536];
  for (ssize_t n; bytes.size() < (16 << 20) && (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    bytes.append(buffer, n);
  }
  for (const QByteArray& line : bytes.split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 5) continue;
    bool ok[4] = {};
    const qint64 size = parts[0].toLongLong(&ok[0]);
    const qint64 modified = parts[1].toLongLong(&ok[1]);
    const quint64 device = parts[2].toULongLong(&ok[2]), inode = parts[3].toULongLong(&ok[3]);
    const QByteArray path = QByteArray::fromPercentEncoding(parts[4]);
    struct stat st {};
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || path.isEmpty() || ::lstat(path.constData(), &st) != 0) continue;
    if (S_ISREG(st.st_mode) && st.st_size == size &&
        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == modified && st.st_dev == device &&
        st.st_ino == inode)
      ::unlink(path.constData());
  }
}

QString Reason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

bool WriteAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

// The end of the first start tag `<name ...>` in the lower-case page, or -1.
qsizetype AfterTag(const QByteArray& lower, const QByteArray& name) {
  for (qsizetype at = lower.indexOf(name); at >= 0; at = lower.indexOf(name, at + 1)) {
    const qsizetype next = at + name.size();
    if (next >= lower.size()) return -1;
    const char c = lower[next];
    if (c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
      const qsizetype end = lower.indexOf('>', next);
      return end < 0 ? -1 : end + 1;
    }
  }
  return -1;
}

}  // namespace

bool Create(const QString& folder, const QString& fileName, const QByteArray& bytes, TPreviewFile& file,
            QString& error) {
  QString dir = folder;
  if (!dir.endsWith(u'/')) dir += u'/';
  const qsizetype maxBytes = MaxNameBytes(dir);
  for (int n = 1; n <= kMaxNames; ++n) {
    const QString path = dir + Candidate(fileName, n, maxBytes);
    const QByteArray native = QFile::encodeName(path);
    // O_EXCL: a new file or nothing, also where a link of that name stands.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      error = path + QStringLiteral(": ") + Reason(errno);
      return false;
    }
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && WriteAll(fd, bytes);
    const int writeError = errno;
    if (::close(fd) != 0 || !ok) {
      ::unlink(native.constData());
      error = path + QStringLiteral(": ") + Reason(ok ? errno : writeError);
      return false;
    }
    file.path = path;
    file.device = st.st_dev;
    file.inode = st.st_ino;
    if (::lstat(native.constData(), &st) == 0) NoteMade(path, st);
    return true;
  }
  error = dir + Candidate(fileName, 1, maxBytes) + QStringLiteral(": ") + Reason(EEXIST);
  return false;
}

bool Remove(const TPreviewFile& file) {
  if (file.path.isEmpty()) return false;
  const QByteArray native = QFile::encodeName(file.path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != file.device ||
      st.st_ino != file.inode)
    return false;
  const bool removed = ::unlink(native.constData()) == 0;
  if (removed) NoteRemoved(file);
  return removed;
}

void RemoveLeftovers(const QString& programFolder) {
  SafeFile::SweepUnlocked(programFolder, IsRecordName, [](int fd, const QString&) {
    RemoveListed(fd);
    return true;
  });
}

bool CreateNear(const QString& folder, const QString& fileName, const QByteArray& bytes, TPreviewFile& file,
                QString& error) {
  if (Create(folder, fileName, bytes, file, error)) return true;
  const QString own = PrivateFolder();
  QString second;
  return !own.isEmpty() && Create(own, fileName, WithBaseHref(bytes, folder), file, second);
}

QString PrivateFolder() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/korvex-vantar-XXXXXX"));
  return dir.isValid() ? dir.path() : QString();
}

QByteArray WithBaseHref(const QByteArray& page, const QString& folder) {
  const QByteArray lower = page.toLower();
  for (qsizetype at = lower.indexOf("<base"); at >= 0; at = lower.indexOf("<base", at + 1))
    if (at + 5 < lower.size() && QByteArray(" \t\r\n\f").contains(lower[at + 5])) return page;  // its own base
  QString dir = folder;
  if (!dir.endsWith(u'/')) dir += u'/';
  const QString href = QString::fromLatin1(QUrl::fromLocalFile(dir).toEncoded()).toHtmlEscaped();
  const QByteArray base = "<base href=\"" + href.toLatin1() + "\">";
  qsizetype at = AfterTag(lower, "<head");
  if (at < 0) at = AfterTag(lower, "<html");
  if (at < 0) at = AfterTag(lower, "<!doctype");
  if (at < 0) at = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  QByteArray out = page;
  out.insert(at, base);
  return out;
}

QByteArray PageBytes(TSrcEditStringList& lines) {
  const TSrcEditFileFormat kept = lines.FileFormat();
  lines.SetFileFormat(lbsCRLF);
  const QByteArray bytes = lines.SaveToBytes();
  lines.SetFileFormat(kept);
  return bytes;
}

}  // namespace Preview
