#include "app/core/RecentFiles.h"

#include <QFile>
#include <QSaveFile>

#include "platform/Exceptions.h"
#include "platform/ProgramFolder.h"
#include "platform/TextCodec.h"

namespace RecentFiles {

QString FileName() { return ProgramFolder() + QStringLiteral("recentfiles.dat"); }

QStringList Read() {
  QFile file(FileName());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return TextCodec::decodeFileLines(file.readAll());
}

void Write(const QStringList& paths) {
  const QString fileName = FileName();
  QSaveFile file(fileName);
  QByteArray bytes;
  for (const QString& line : paths) bytes += line.toUtf8() + '\n';
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw EWriteError(fileName + QStringLiteral(": ") + file.errorString());
}

void Clear() { QFile::remove(FileName()); }

}  // namespace RecentFiles
