#include "app/core/RecentFiles.h"

#include <QFile>

#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"
#include "platform/TextCodec.h"

namespace RecentFiles {

QString FileName() { return ProgramFolder() + QStringLiteral("recentfiles.dat"); }

QStringList Read() {
  // A FIFO or device in the file's place is not waited on: no list.
  QByteArray bytes;
  if (ReadRegularFile(FileName(), bytes) != TRegularOpen::Opened) return {};
  return TextCodec::decodeFileLines(bytes);
}

void Write(const QStringList& paths) {
  QByteArray bytes;
  for (const QString& line : paths) bytes += line.toUtf8() + '\n';
  SafeFile::Write(FileName(), bytes);
}

void Clear() {
  // A pipe or device in the file's place (or a link to one) stays as it is.
  if (!IsNotRegularFile(FileName())) QFile::remove(FileName());
}

}  // namespace RecentFiles
