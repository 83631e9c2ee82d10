// Helpers shared by the test programs.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QIODevice>
#include <QPalette>
#include <QString>
#include <functional>
#include <string>
#include <utility>

// Reads a whole file; an empty array when it cannot be read.
QByteArray ReadFileBytes(const QString& fileName);
// Writes a whole file; false on failure.
bool WriteFileBytes(const QString& fileName, const QByteArray& bytes);

// A character device a test makes of its own, in its own folder, to stand
// for the system's null or zero device (same numbers): a faulty refusal then
// replaces or fills the test's node, never the machine's.
enum class TDeviceNode { Null, Zero };
// Makes the node at `path`: an empty string when made, else why not (making
// one needs the right to, as root has), for the test to skip with.
std::string MakeDeviceNode(const QString& path, TDeviceNode kind);

// Runs `body` as a user whom permissions bind, so that a folder of mode 555
// really takes no new file: as root, in a child process as "nobody" (uid
// 65534), with `dir` and all in it given to that user first. Returns what
// `body` returns (a count of failures; 100 and more: it could not be run).
int AsUserBoundByPermissions(const QString& dir, const std::function<int()>& body);

// When the entry a KillWhileInFolder() watches for lay there, and when the
// file it was written for changed meanwhile: microseconds after the entry
// appeared (-1: never seen changing).
struct TKillWindow {
  qint64 lies = 0;
  qint64 changeFrom = -1, changeTo = -1;
  // Moment `i` of `n` spread evenly over the file's changes (over the
  // whole time the entry lay there when they were not seen), a little
  // before and after them too.
  qint64 Moment(int i, int n) const;
  // Takes in another measure of the same write.
  void Join(const TKillWindow& other);
};

// Runs `write` in a child process, watching `folder` for an entry whose name
// `matches` (a journal, say). With `delayUs` >= 0 the child is killed that
// long after the entry appeared (or when `write` ends without one): true
// when it appeared. With `delayUs` < 0 the child runs to its end while
// `window` is filled in, the changes of the file `changing` watched.
bool KillWhileInFolder(const std::function<void()>& write, const QString& folder,
                       const std::function<bool(const char* name)>& matches, qint64 delayUs,
                       TKillWindow* window = nullptr, const QString& changing = {});

// Where a module's largest loaded segment lies in its file (offset, length):
// the bytes the loader maps, where a changed byte is a damaged module in any
// build, with debugging information or without.
std::pair<qsizetype, qsizetype> LargestLoadedSegment(const QByteArray& elf);

// A read-only device that cannot seek, like a pipe: its bytes come out in
// pieces of at most `piece` bytes, and a read at the end gives -1.
class TPipeDevice : public QIODevice {
 public:
  explicit TPipeDevice(QByteArray bytes, qint64 piece = 1 << 30);
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return bytes_.size() - at_ + QIODevice::bytesAvailable(); }

 protected:
  qint64 readData(char* data, qint64 max) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray bytes_;
  qint64 piece_;
  qint64 at_ = 0;
};

// While it lives, the application looks as a desktop theme makes it look
// (Debian's qt6ct with its "darker" colour scheme and a font of the user's
// choice): a dark palette, and an application font of another family and
// size, bold, stretched and widely spaced.
class TDarkDesktopTheme {
 public:
  TDarkDesktopTheme();
  ~TDarkDesktopTheme();
  TDarkDesktopTheme(const TDarkDesktopTheme&) = delete;
  TDarkDesktopTheme& operator=(const TDarkDesktopTheme&) = delete;

 private:
  QFont font_;
  QPalette palette_;
};
