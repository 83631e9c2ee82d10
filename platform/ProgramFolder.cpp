#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString& Override() {
  static QString folder;
  return folder;
}

QString WithSlash(QString folder) {
  if (!folder.endsWith(u'/')) folder += u'/';
  return folder;
}

// True when a file can be created in `folder` (permission bits alone do not
// tell, e.g. on read-only mounts).
bool CanWriteIn(const QString& folder) {
  if (!QFileInfo(folder).isDir()) return false;
  QTemporaryFile probe(WithSlash(folder) + QStringLiteral(".kv_probe_XXXXXX"));
  return probe.open();
}

void CopyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                  QDirIterator::Subdirectories);
  const QDir source(from);
  while (it.hasNext()) {
    const QString path = it.next();
    const QFileInfo info = it.fileInfo();
    const QString target = WithSlash(to) + source.relativeFilePath(path);
    if (info.isDir())
      QDir().mkpath(target);
    else if (info.isFile() && info.isExecutable() == false)
      QFile::copy(path, target);
  }
}

}  // namespace

QString ShippedDataFolder(const QString& executableFolder) {
  const QString installed = QDir::cleanPath(executableFolder + QStringLiteral("/" KV_DATA_FROM_BIN));
  if (!QFileInfo(WithSlash(executableFolder) + QStringLiteral("Language Modules")).isDir() &&
      QFileInfo(installed).isDir())
    return WithSlash(installed);
  return WithSlash(executableFolder);
}

QString ChooseProgramFolder(const QString& executableFolder) {
  const QString shipped = ShippedDataFolder(executableFolder);
  // An installed program never writes into its shipped data.
  const bool installed = shipped != WithSlash(executableFolder);
  if (!installed && CanWriteIn(executableFolder)) return WithSlash(executableFolder);
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  const QString user = WithSlash(base) + QStringLiteral("korvex-vantar");
  if (!QFileInfo::exists(user)) CopyTree(shipped, user);
  return WithSlash(user);
}

QString ProgramFolder() {
  if (!Override().isEmpty()) return Override();
  static const QString chosen = ChooseProgramFolder(QCoreApplication::applicationDirPath());
  return chosen;
}

void SetProgramFolder(const QString& folder) { Override() = folder.isEmpty() ? QString() : WithSlash(folder); }
