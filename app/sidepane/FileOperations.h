// The file manager's rules that need no window: size texts, the fragments
// that add a file to a document, file-name checks, renaming, the desktop
// trash, the run box's reading of its text and the file-copy engine.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

namespace FileOps {

// `value` with `digits` significant digits: formatted with three decimals
// in `locale` (no group separators), cut to digits + 1 characters but never
// inside the integer part, and without a trailing decimal separator. Throws
// Exception for a digit count outside 1 to 16.
QString SignificantDigits(double value, int digits, const QLocale& locale);
// "999 bytes", "0.97 KB", "1.50 MB", "12.3 GB": binary units, three
// significant digits.
QString SizeText(qint64 bytes, const QLocale& locale = QLocale());
// The size text of a file, or why its size cannot be known.
QString FileSizeText(const QString& path, const QLocale& locale = QLocale());

// Add a file to a document: pictures go to the picture dialog ("BMP", "ICO",
// "WMF", "EMF", "GIF", "JPG", "JPEG", "PNG", any case); other files are
// included or linked by name.
bool IsInsertablePicture(const QString& fileName);
// `<!--#include file="NAME" -->`
QString IncludeFragment(const QString& fileName);
// `<a href="NAME">BASE</a>`, BASE being the name up to its first ".".
QString LinkFragment(const QString& fileName);

// The outcome of renaming a file or making a folder.
enum class TNameResult { Done, BadName, Exists, Missing, Failed };
// A name for one entry of a folder: not empty, not "." or "..", without "/"
// and without control characters.
bool IsFitName(const QString& name);
// Renames `path` to `newName` in its own folder; an existing entry of that
// name is never replaced. `error` receives the system's reason on Failed.
TNameResult RenameFile(const QString& path, const QString& newName, QString* error = nullptr);

// Moves `path` to the desktop trash; false (with the reason) when it cannot
// be moved there. Never deletes anything for good.
bool MoveToTrash(const QString& path, QString* error = nullptr);
// Deletes `path` for good; false (with the reason) on failure.
bool DeleteForGood(const QString& path, QString* error = nullptr);

// What the run box's text names. A "file:" address is read as one; in any
// other text "%20" stands for a blank.
struct TRunTarget {
  enum Kind { Nothing, File, Tool, Folder };
  Kind kind = Nothing;
  QString path;  // the file or folder; the tool's name ("cmd", "calc", ...)
};
TRunTarget ResolveRunText(const QString& text);
// The programs tried, in order, for the run-box tools "calc", "regedit" and
// "msconfig" ("cmd" and "command" open the command prompt); empty for other
// names.
QList<QStringList> ToolPrograms(const QString& name);

// Copies files from one folder into another, each to a temporary name in the
// destination that is renamed when the copy is whole (a target written in
// place, for its other links or owner, changes only then). Existing targets are
// replaced only when the question says so; a file is never copied onto
// itself.
class TFileCopyRun {
 public:
  // Answers of the overwrite question (the message box's results).
  static constexpr int kYes = 6, kNo = 7, kYesToAll = 10;
  static constexpr qint64 kChunk = 1 << 20;

  struct Result {
    int copied = 0;
    int skipped = 0;
    bool stopped = false;
    QStringList failures;  // "name: reason"
  };

  QString sourceFolder;
  QString destination;
  QStringList names;
  // Asked for an existing target; returns kYes, kNo or kYesToAll (anything
  // else counts as No).
  std::function<int(const QString& name)> askOverwrite;
  // Before each file: its index (from 0), source and target.
  std::function<void(int index, const QString& source, const QString& target)> progress;
  // Lets waiting events through (between chunks and files).
  std::function<void()> processEvents;
  // Read before each file and between chunks.
  std::function<bool()> stopRequested;

  Result Run();
  // Copies one file; false with the reason on failure or when stopped
  // (`stopped` set then). Without `replace` only a new file is made: a name
  // taken meanwhile (or by a link leading nowhere) fails.
  bool CopyOne(const QString& source, const QString& target, bool replace, QString& error, bool& stopped);
};

}  // namespace FileOps
