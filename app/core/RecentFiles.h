// recentfiles.dat in the program folder: the paths of the recent-files
// menu, one a line, newest first. The one place that reads, writes and
// removes the file.
#pragma once

#include <QString>
#include <QStringList>

namespace RecentFiles {

QString FileName();
// The lines of the file (any line-break style); none when it is missing or
// is not a regular file.
QStringList Read();
// Replaces the file safely (SafeFile); raises EFCreateError or EWriteError on
// failure, ENotRegularFile when the name leads to no regular file.
void Write(const QStringList& paths);
// Removes the file (not a pipe or device in its place).
void Clear();

}  // namespace RecentFiles
