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
// from what this run draws. Only the pictures a run drew are written back;
// a file with more pictures or bytes than any run draws is not read.
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
  // The picture kept for `name` asked for in `deviceSize` pixels, or null;
  // one found counts as drawn by this run.
  const QImage* Find(const QString& name, QSize deviceSize);
  // Keeps `image` for the next run (written by Save).
  void Add(const QString& name, QSize deviceSize, const QImage& image);
  bool Dirty() const { return dirty_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // Writes the pictures this run drew (replacing the old file safely) when
  // one was added, or drawn again after the last save left it out; false
  // when that failed. A cache that cannot be written costs the next start
  // time, nothing else; a pipe or device in the file's place is left as it
  // is and named to the user (once).
  bool Save();

  // The stamp of the icon themes as the icon loader sees them now, and of
  // the running program.
  static QByteArray CurrentStamp();

 private:
  struct TEntry {
    QImage image;
    bool drawn = false;   // by this run
    bool inFile = false;  // as the file holds it now
  };
  static QString Key(const QString& name, QSize deviceSize);
  QString fileName_;
  QByteArray stamp_;
  QHash<QString, TEntry> images_;
  bool dirty_ = false;
  bool refusalShown_ = false;
};

// The program's cache file: $XDG_CACHE_HOME/korvex-vantar/icons.cache
// (~/.cache/... when the variable is not set).
QString DefaultIconCacheFile();
