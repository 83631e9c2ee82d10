// Reading files that the user names without ever waiting on one that is not
// a file: a FIFO, a socket or a device found where a file was expected is
// refused at once, before and after it is opened.
#pragma once

#include <QFile>
#include <QString>

enum class TRegularOpen { Opened, NotRegular, Failed };

// Opens `path` in `file` for reading when it is a regular file (symbolic
// links followed). The entry is checked before it is opened, opened without
// waiting, and checked again on the open descriptor, so an entry swapped in
// between is refused as well. `error` receives the system's reason on Failed.
// A file whose staged write in place was stopped half way, and that no one
// changed since, is put right from its journal first (SafeFile::Recover).
TRegularOpen OpenRegularFile(const QString& path, QFile& file, QString* error = nullptr);

// Reads the whole of `path`, opened as OpenRegularFile does; Failed also when
// the reading fails. `bytes` is left empty unless Opened.
TRegularOpen ReadRegularFile(const QString& path, QByteArray& bytes, QString* error = nullptr);

// As OpenRegularFile and ReadRegularFile, raising EFOpenError with the
// reason ("It is not a regular file." or the system's) when `path` cannot be
// read.
void OpenRegularFileOrRaise(const QString& path, QFile& file);
QByteArray ReadRegularFileOrRaise(const QString& path);

// True when `path` leads (through its links, if any) to something that is
// there and is not a regular file: a FIFO, a socket, a device or a folder.
bool IsNotRegularFile(const QString& path);
