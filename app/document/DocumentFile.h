// The questions a document's save and load put to the user, and what the
// document remembers of its file on disk.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <functional>

#include "editor/SrcEditTextBuffer.h"
#include "platform/SafeFile.h"

class QFileDialog;

namespace DocumentFile {

// Asks whether `fileName` may be written in place, saying why a normal save
// cannot keep what the file has, or whether a write-protected file may be
// replaced (kind 1; true on Yes).
bool AskSaveInPlace(const QString& fileName, TInPlaceReason reason);

// A question about `fileName`: the quoted name on its own line, then the
// module text of `key`.
QString Question(const QString& fileName, const QString& key);

// Shows `dialog` as a save dialog (through the prompts seam) and gives the
// file chosen, empty when none was. Before a file is replaced the program
// asks in its own words, naming the file (kind 1); any answer but Yes shows
// the dialog again with the same name. A pipe or device is not asked about:
// the write refuses it.
QString ChooseSaveFile(QFileDialog& dialog);

// Makes `lines` UTF-8 (without a byte-order mark) and changes the character
// set its page declares near the top (XML declaration, <meta>) to "utf-8".
void ConvertToUtf8(TSrcEditStringList& lines);

}  // namespace DocumentFile

// What tells a file's content apart without reading it: existence, size,
// modification time and identity (a file replaced by another has a new one).
struct TFileStamp {
  bool exists = false;
  qint64 size = -1;
  qint64 modifiedNs = 0;
  quint64 device = 0;
  quint64 inode = 0;
  static TFileStamp Of(const QString& path);
  bool operator==(const TFileStamp&) const = default;
};

// Watches the file of one document: remembers how it was at the last load or
// save and notices when another program changes it, through the system's
// file watch and whenever the window or the program becomes active.
class TFileWatch : public QObject {
  Q_OBJECT
 public:
  // `window` is the document window whose activation triggers a check.
  explicit TFileWatch(QObject* window);
  // Remembers the file as it is now and watches it.
  void Track(const QString& path);
  const QString& Path() const { return path_; }
  // True when the file on disk is no longer the one remembered (a file that
  // is gone counts only when it existed).
  bool Changed() const;
  // True once for each new state of a changed file: so one change is offered
  // once, however often it is noticed.
  bool TakeNewChange();
  // Looks at the file now; calls OnChanged when it changed.
  void Check();
  std::function<void()> OnChanged;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QFileSystemWatcher watcher_;
  QString path_;
  TFileStamp stamp_;
  TFileStamp offered_;
};
