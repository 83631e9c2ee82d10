#include "app/PreviewFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Preview {

namespace {

constexpr int kMaxNames = 100;

QString Candidate(const QString& fileName, int n) {
  if (n == 1) return fileName;
  const qsizetype dot = fileName.lastIndexOf(u'.');
  const QString suffix = u'~' + QString::number(n);
  return dot < 0 ? fileName + suffix : fileName.left(dot) + suffix + fileName.mid(dot);
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
  for (int n = 1; n <= kMaxNames; ++n) {
    const QString path = dir + Candidate(fileName, n);
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
    return true;
  }
  error = dir + Candidate(fileName, 1) + QStringLiteral(": ") + Reason(EEXIST);
  return false;
}

bool Remove(const TPreviewFile& file) {
  if (file.path.isEmpty()) return false;
  const QByteArray native = QFile::encodeName(file.path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != file.device ||
      st.st_ino != file.inode)
    return false;
  return ::unlink(native.constData()) == 0;
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

}  // namespace Preview
