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
// Replaces the file safely (SafeFile::WriteOwn: in place when it has other
// links). A failure is told through Settings::ReportOwnFileTrouble, and the
// list is held in memory: Read() gives it while the file stays as it was. So
// is a list written while the program starts and another process holds the
// folder's lock: the next write puts it on disk.
void Write(const QStringList& paths);
// Removes the file (not a pipe or device in its place) and a held list.
void Clear();

}  // namespace RecentFiles
