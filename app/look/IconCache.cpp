#include "app/look/IconCache.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <cstring>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "platform/Exceptions.h"
#include "platform/OwnFile.h"
#include "platform/RegularFile.h"

namespace {

// "KVICONS" and the layout's version.
constexpr char kMagic[8] = {'K', 'V', 'I', 'C', 'O', 'N', 'S', '1'};
// More than any run draws: a larger file, or one with more pictures, is not
// ours, or damaged.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
constexpr qint32 kMaxCount = 4096;
constexpr int kMaxSide = 1024;

// "<modification time in ns>/<size>" of `path`, or "-" when it is missing.
QByteArray FileStamp(const QString& path) {
  struct stat st {};
  if (stat(QFile::encodeName(path).constData(), &st) != 0) return QByteArrayLiteral("-");
  return QByteArray::number(static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec) + '/' +
         QByteArray::number(static_cast<qint64>(st.st_size));
}

}  // namespace

QString TIconCache::Key(const QString& name, QSize deviceSize) {
  return name + u'@' + QString::number(deviceSize.width()) + u'x' + QString::number(deviceSize.height());
}

QByteArray TIconCache::CurrentStamp() {
  QByteArray stamp;
  stamp += "theme=" + QIcon::themeName().toUtf8() + "\nfallback=" + QIcon::fallbackThemeName().toUtf8() + '\n';
  stamp += "program=" + FileStamp(QCoreApplication::applicationFilePath()) + '\n';
  // Every theme in every folder the loader searches: a theme installed,
  // removed or updated (its cache file is rebuilt then) changes a time.
  for (const QString& folder : QIcon::themeSearchPaths()) {
    stamp += "path=" + folder.toUtf8() + '\n';
    if (folder.startsWith(u':')) continue;  // built into the program: its stamp covers it
    const QDir dir(folder);
    for (const QString& theme : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
      const QString path = dir.filePath(theme);
      stamp += theme.toUtf8() + ' ' + FileStamp(path) + ' ' + FileStamp(path + QStringLiteral("/index.theme")) + ' ' +
               FileStamp(path + QStringLiteral("/icon-theme.cache")) + '\n';
    }
  }
  return stamp;
}

bool TIconCache::Load(const QByteArray& stamp) {
  images_.clear();
  stamp_ = stamp;
  dirty_ = false;
  // A FIFO or device in the file's place is not waited on (nor read).
  QFile file;
  if (OpenRegularFile(fileName_, file) != TRegularOpen::Opened || file.size() > kMaxFileSize) return false;
  // The head first, so that a count beyond any run's is refused before the
  // pictures are read.
  QDataStream head(&file);
  char magic[sizeof kMagic];
  if (head.readRawData(magic, sizeof magic) != sizeof magic || std::memcmp(magic, kMagic, sizeof magic) != 0)
    return false;
  QByteArray fileStamp;
  qint32 count = 0;
  head >> fileStamp >> count;
  if (head.status() != QDataStream::Ok || fileStamp != stamp || count < 0 || count > kMaxCount) return false;
  const QByteArray bytes = file.read(kMaxFileSize);
  QDataStream in(bytes);
  QHash<QString, TEntry> images;
  images.reserve(count);
  for (qint32 i = 0; i < count; ++i) {
    QString key;
    qint32 width = 0, height = 0;
    double ratio = 0;
    in >> key >> width >> height >> ratio;
    if (in.status() != QDataStream::Ok || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        !(ratio > 0 && ratio <= 16) || qint64(width) * height * 4 > bytes.size() - in.device()->pos())
      return false;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    for (int y = 0; y < height; ++y)
      if (in.readRawData(reinterpret_cast<char*>(image.scanLine(y)), width * 4) != width * 4) return false;
    image.setDevicePixelRatio(ratio);
    images.insert(key, TEntry{image, false, true});
  }
  if (!in.atEnd() || !file.atEnd()) return false;
  images_ = std::move(images);
  return true;
}

const QImage* TIconCache::Find(const QString& name, QSize deviceSize) {
  const auto it = images_.find(Key(name, deviceSize));
  if (it == images_.end()) return nullptr;
  if (!it->drawn) {
    it->drawn = true;
    // Drawn again after a save left it out: the next save keeps it.
    if (!it->inFile) dirty_ = true;
  }
  return &it->image;
}

void TIconCache::Add(const QString& name, QSize deviceSize, const QImage& image) {
  if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) return;
  const QString key = Key(name, deviceSize);
  if (images_.size() >= kMaxCount && !images_.contains(key)) return;
  images_.insert(key, TEntry{image.convertToFormat(QImage::Format_ARGB32_Premultiplied), true, false});
  dirty_ = true;
}

bool TIconCache::Save() {
  if (!dirty_) return true;
  QByteArray bytes;
  QList<TEntry*> written;
  {
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.writeRawData(kMagic, sizeof kMagic);
    QByteArray pictures;
    QDataStream body(&pictures, QIODevice::WriteOnly);
    qint32 count = 0;
    // Only what this run drew, and no more than the next start reads.
    for (auto it = images_.begin(); it != images_.end(); ++it) {
      if (!it->drawn) continue;
      const QImage& image = it->image;
      const qsizetype size = pictures.size();
      body << it.key() << static_cast<qint32>(image.width()) << static_cast<qint32>(image.height())
           << image.devicePixelRatio();
      for (int y = 0; y < image.height(); ++y)
        body.writeRawData(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
      if (pictures.size() + stamp_.size() + 64 > kMaxFileSize) {
        pictures.truncate(size);
        break;
      }
      written << &*it;
      ++count;
    }
    out << stamp_ << count;
    out.writeRawData(pictures.constData(), static_cast<int>(pictures.size()));
    if (out.status() != QDataStream::Ok || body.status() != QDataStream::Ok) return false;
  }
  QDir().mkpath(QFileInfo(fileName_).absolutePath());
  try {
    SafeFile::WriteOwn(fileName_, bytes);
  } catch (const ENotRegularFile& e) {
    // Said once a run; the pipe or device stays as it is.
    if (!refusalShown_) {
      refusalShown_ = true;
      ShowMessageDlg(NotRegularFileText(e.FileName()), 2);
    }
    return false;
  } catch (const Exception&) {
    return false;
  }
  for (TEntry& entry : images_) entry.inFile = false;
  for (TEntry* entry : written) entry->inFile = true;
  dirty_ = false;
  return true;
}

QString DefaultIconCacheFile() {
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (!QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
  return base + QStringLiteral("/korvex-vantar/icons.cache");
}
