// What the options screen keeps and converts, apart from its window: the
// character-set list, the stored form of the gutter width and the list of
// external browsers.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

#include "app/document/ImportsPreviews.h"

namespace ConfigModel {

struct TCharsetName {
  const char* name;
  int value;
};
// The 19 character sets the editor font can take, in the order they are offered.
const std::array<TCharsetName, 19>& Charsets();
// The index of the set whose value is `value`; -1 when none has it.
int CharsetIndex(int value);
// The value of the set at `index`; DEFAULT_CHARSET (1) when nothing is selected.
int CharsetValue(int index);

// The gutter offset is shown doubled and stored halved (rounding toward zero).
inline int GutterShown(int stored) { return stored * 2; }
inline int GutterStored(int shown) { return shown / 2; }

}  // namespace ConfigModel

// The operation options the main window and the file manager follow while
// the program runs; the options screen sets them.
struct TAppOptions {
  bool DoubleClickOpen = false;  // DoubleClick / Open
  bool NoDoubles = false;        // Files / NoDoubles
};

// The external browsers of browserlist.dat, one "name#path" line each.
class TBrowserList {
 public:
  using TEntry = ExternalPreviews::TBrowserEntry;

  // ProgramFolder() + "browserlist.dat", the one file the list is kept in.
  static QString FileName();
  // A file that is missing or cannot be read gives an empty list (false).
  bool Load(const QString& fileName);
  // Replaces the file once the new one is complete (raises EStreamError).
  void Save(const QString& fileName) const;

  const QList<TEntry>& Entries() const { return entries_; }
  // The entry whose program is `path` (both trimmed); -1 when none.
  int IndexOfPath(const QString& path) const;
  void Add(const QString& name, const QString& path);
  void Remove(int index);
  // The line of an entry: "name#path", or the bare path of an entry without a
  // name ("#path" when the path holds a "#").
  static QString Line(const TEntry& entry);
  QStringList Lines() const;
  // "#" separates the name from the path, so a name cannot hold one.
  static bool ValidName(const QString& name) { return !name.contains(QLatin1Char('#')); }

 private:
  QList<TEntry> entries_;
};
