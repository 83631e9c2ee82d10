// Pictures of icons kept from one run to the next.
//
// Looking an icon up in the desktop's theme reads the indexes of the theme
// and of the themes it falls back on, then decodes the picture file; at
// start every tool-bar button waits for that. The pictures the program drew
// are kept in one file of plain pixels (in the user's cache folder) and read
// with one call at the next start. The file carries a stamp of what the
// pictures came from: the theme names and search folders, the times and
// sizes of every theme's folder, index and cache file, and the program
// itself. When any of that changed the file is not used, and is written anew
// from what this run draws.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

class TIconCache {
 public:
  explicit TIconCache(QString fileName) : fileName_(std::move(fileName)) {}

  const QString& FileName() const { return fileName_; }

  // Takes the pictures of the file when its stamp is `stamp`; false (and
  // nothing taken) when the file is missing, stale, damaged or too large.
  bool Load(const QByteArray& stamp);
  // The picture kept for `name` asked for in `deviceSize` pixels, or null.
  const QImage* Find(const QString& name, QSize deviceSize) const;
  // Keeps `image` for the next run (written by Save).
  void Add(const QString& name, QSize deviceSize, const QImage& image);
  bool Dirty() const { return dirty_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // Writes the file (whole, replacing the old one) when something was
  // added since it was read or written; false when that failed. A cache that
  // cannot be written costs the next start time, nothing else.
  bool Save();

  // The stamp of the icon themes as the icon loader sees them now, and of
  // the running program.
  static QByteArray CurrentStamp();

 private:
  static QString Key(const QString& name, QSize deviceSize);
  QString fileName_;
  QByteArray stamp_;
  QHash<QString, QImage> images_;
  bool dirty_ = false;
};

// The program's cache file: $XDG_CACHE_HOME/korvex-vantar/icons.cache
// (~/.cache/... when the variable is not set).
QString DefaultIconCacheFile();
