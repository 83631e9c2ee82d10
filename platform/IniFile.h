// The program's INI files (settings.ini and the other small option files).
//
// A TIniFile names a file; it keeps nothing in memory between calls. Every
// read loads the file afresh and every write rewrites it at once through the
// safe save (a temporary file that replaces the old one only when it was
// written whole), so a key that was written is visible to the next reader
// immediately and a failed write leaves the old file as it was. A write
// refuses a target that is no regular file; a read never waits on one.
//
// Programs write the same file at once (two instances, an editor saving it
// in place). A write holds its folder locked (flock) from its reading to the
// replacing, so writers of this program take turns; and when the file was
// changed by anyone between the reading and the replacing, the write starts
// again from the changed file. Only a change by another program in the
// instant between that check and the replacing can still be lost.
//
// The text keeps the encoding it was read in: a file read as Windows-1252
// is written so (unless a new value needs more) and read back so.
//
// Format: "[Section]" lines, then "Key=Value" lines. Section and key names
// are compared without regard to case; when a name occurs twice the first
// one counts. Names and values are trimmed. Comment lines (";"), blank lines,
// unknown sections and lines that are not understood are kept as they are
// when the file is rewritten. Key names are taken literally ("DocMan?").
// A file that cannot be read gives every reader its default.
//
// The files are the program's own: one with other hard links (a backup made
// with "ln") is written in place, staged so that it changes only once the
// new text is whole, and through a journal, so that a write killed half way
// is put right by the next read or write (TSafeFile). While it is written in
// place the writer holds the file's turn, and a reader holds it shared while
// it reads (TOwnFileTurn), so a reader gets the old text or the new one
// whole, never a mix; a reader that does not get its turn in a moment reads
// the file twice and takes only the same bytes with an unchanged stamp.
//
// A TIniFile made with a report tells it of a failed write (and of a write
// that went ahead without the folder's lock) instead of raising; the new
// text is then held in memory, and readers get it, for as long as the file
// on disk stays as it was. A change made while another process holds the
// folder's lock and the lock is not waited on (TFolderLock::Busy(): the
// program is starting, or this is the window's thread) waits in memory:
// readers get the file with it, and once the lock is free the event loop
// makes it, with any others that waited, on the file as it is then, so that
// another instance's changes meanwhile stay.
//
// The process keeps the text of each file it read or wrote in memory, and
// reads and writes work on that copy while the file on disk is unchanged
// (same file, size, modification and change time), so a file is opened once
// however many keys are read. A file whose time stamps lie within a tick of
// the file system's clock of its reading (two seconds on the coarsest file
// systems, a few milliseconds on those that keep the system's time) could
// change again unseen: until its stamps are older than that, every read
// compares its bytes with what the file holds now, through the descriptor
// kept from the reading, without opening it again. A file larger than
// MaxFileSize is not read: every reader gets its default, and writes leave
// the file as it is.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/OwnFile.h"
#include "platform/TextCodec.h"

struct stat;

class TIniFile {
 public:
  explicit TIniFile(QString fileName, TOwnFileReport report = {});

  const QString& FileName() const { return fileName_; }

  static constexpr qint64 MaxFileSize = 1024 * 1024;
  // The file is over MaxFileSize, so it is neither read nor written.
  bool TooLarge() const;
  // How many times a file's text was parsed in this process (for tests).
  static quint64 ParseCount();
  // How many times `fileName` was opened for reading in this process (for tests).
  static quint64 OpenCount(const QString& fileName);

  // A missing key, or a key whose value is empty, gives the default.
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // Decimal with an optional sign; "$" or "0x" introduce hexadecimal. A value
  // that is no number gives the default.
  int ReadInteger(const QString& section, const QString& key, int def) const;
  // True for any non-zero number.
  bool ReadBool(const QString& section, const QString& key, bool def) const;

  // Writes create the file and the section when needed. They raise
  // EWriteError (or EFCreateError) when the file cannot be replaced, unless
  // the file was made with a report.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);

  bool SectionExists(const QString& section) const;
  bool ValueExists(const QString& section, const QString& key) const;
  // Key names of a section, in file order, each name once.
  QStringList ReadSection(const QString& section) const;
  // Section names in file order, each name once.
  QStringList ReadSections() const;
  void EraseSection(const QString& section);
  void DeleteKey(const QString& section, const QString& key);

  // Reads an integer text the way ReadInteger does; false when it is none.
  static bool ParseInteger(const QString& text, int& value);

  // Called with the file's name when the new text of a write is ready to
  // replace the file (for tests: another program changing the file at the
  // worst moment). An empty function removes it.
  static void SetBeforeReplace(std::function<void(const QString& fileName)> hook);

 private:
  struct Content {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Utf8;
    bool bom = false;
    QString lineBreak = QStringLiteral("\n");
    bool tooLarge = false;
  };
  // What tells one state of a file on disk from another.
  struct Stamp {
    quint64 device = 0, inode = 0;
    qint64 size = -1;
    qint64 modified = 0, changed = 0;  // nanoseconds since the epoch
    bool operator==(const Stamp&) const = default;
  };
  static Stamp StampOf(const struct stat& st);
  // The state of the file a write started from.
  struct Base {
    bool exists = false;
    QByteArray bytes;
    Stamp stamp;
    bool settled = false;
  };
  // The file's text with the changes that wait for the folder's lock.
  Content Current() const;
  static QHash<QString, QList<std::function<bool(Content&)>>>& KeptEdits();
  // The time from which a stamp settles: its latest.
  static qint64 Settling(const Stamp& stamp);
  // Whether `fd` holds exactly `bytes`.
  static bool SameBytes(int fd, const QByteArray& bytes);
  // Reads fall back to defaults when the file cannot be read; a write must
  // not go on with what it could not read, so it raises EFOpenError. `base`
  // receives what was read.
  Content Load(bool forWrite = false, Base* base = nullptr) const;
  static Content Parse(const QByteArray& bytes);
  // True while the file on disk is still the one `base` tells of.
  bool Unchanged(const Base& base) const;
  // Reads, changes and writes the file under the folder's lock; `edit`
  // returns false when there is nothing to write.
  void Update(const std::function<bool(Content&)>& edit);
  void Rewrite(const std::function<bool(Content&)>& edit);
  // Keeps `content`, which could not be written, for the readers while the
  // file stays as `base` tells of it.
  void Hold(const Content& content, const Base& base) const;
  // The bytes last read or written of each file, with what they parse to,
  // the file's stamp then, and whether that stamp can be trusted to change
  // with the next change of the file.
  struct Parsed {
    QByteArray bytes;
    Content content;
    Stamp stamp;
    bool settled = false;
    bool held = false;  // not on disk: a write failed
    // While the stamp is young: the file as it was read, to look at it again.
    std::shared_ptr<const int> descriptor;
  };
  static QHash<QString, Parsed>& ParsedFiles();
  // Writes `content` unless the file is no longer the one `base` tells of;
  // false then, and nothing was written.
  bool Save(Content content, const Base& base) const;
  // Index of the section's header line, or -1.
  static int FindSection(const QStringList& lines, const QString& section);
  // Index of the key's line inside the section that starts at `header`, or -1.
  static int FindKey(const QStringList& lines, int header, const QString& key);
  // Index just past the last non-blank line of the section at `header`.
  static int SectionEnd(const QStringList& lines, int header);
  bool LookUp(const QString& section, const QString& key, QString& value) const;

  QString fileName_;
  TOwnFileReport report_;
};
