#include "app/look/IconCache.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QSaveFile>
#include <cstring>

namespace {

// "KVICONS" and the layout's version.
constexpr char kMagic[8] = {'K', 'V', 'I', 'C', 'O', 'N', 'S', '1'};
// More than any run draws: a larger file is not ours, or damaged.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;
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
  QFile file(fileName_);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) return false;
  const QByteArray bytes = file.read(kMaxFileSize + 1);
  if (bytes.size() > kMaxFileSize) return false;
  QDataStream in(bytes);
  char magic[sizeof kMagic];
  if (in.readRawData(magic, sizeof magic) != sizeof magic || std::memcmp(magic, kMagic, sizeof magic) != 0) return false;
  QByteArray fileStamp;
  qint32 count = 0;
  in >> fileStamp >> count;
  if (in.status() != QDataStream::Ok || fileStamp != stamp || count < 0) return false;
  QHash<QString, QImage> images;
  for (qint32 i = 0; i < count; ++i) {
    QString key;
    qint32 width = 0, height = 0;
    double ratio = 0;
    in >> key >> width >> height >> ratio;
    if (in.status() != QDataStream::Ok || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        !(ratio > 0 && ratio <= 16))
      return false;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    for (int y = 0; y < height; ++y)
      if (in.readRawData(reinterpret_cast<char*>(image.scanLine(y)), width * 4) != width * 4) return false;
    image.setDevicePixelRatio(ratio);
    images.insert(key, image);
  }
  if (!in.atEnd()) return false;
  images_ = std::move(images);
  return true;
}

const QImage* TIconCache::Find(const QString& name, QSize deviceSize) const {
  const auto it = images_.constFind(Key(name, deviceSize));
  return it == images_.cend() ? nullptr : &*it;
}

void TIconCache::Add(const QString& name, QSize deviceSize, const QImage& image) {
  if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) return;
  images_.insert(Key(name, deviceSize), image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  dirty_ = true;
}

bool TIconCache::Save() {
  if (!dirty_) return true;
  QDir().mkpath(QFileInfo(fileName_).absolutePath());
  QSaveFile file(fileName_);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QDataStream out(&file);
  out.writeRawData(kMagic, sizeof kMagic);
  out << stamp_ << static_cast<qint32>(images_.size());
  for (auto it = images_.cbegin(); it != images_.cend(); ++it) {
    const QImage& image = *it;
    out << it.key() << static_cast<qint32>(image.width()) << static_cast<qint32>(image.height())
        << image.devicePixelRatio();
    for (int y = 0; y < image.height(); ++y)
      out.writeRawData(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
  }
  if (out.status() != QDataStream::Ok || !file.commit()) return false;
  dirty_ = false;
  return true;
}

QString DefaultIconCacheFile() {
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (!QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
  return base + QStringLiteral("/korvex-vantar/icons.cache");
}
