#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

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

// The data files shipped with the program, by folder (relative to the
// program folder) and name pattern. Everything else there (settings, recent
// files, projects, the user's own templates, last folders) is one user's
// state and never reaches another user's folder.
struct TShipped {
  const char* folder;
  const char* pattern;
};
constexpr TShipped kShipped[] = {
    {"Language Modules", "*.lms"},
    {"CodeC", "codeinside.dci"},
    {"elements", "elements.dat"},
    {"Help", "*"},
    {"MyDocuments", nullptr},  // the templates' folder: made, but the templates in it are a user's own
    // The installation's configuration, which the program only reads.
    {"", "tidyconfig.ini"},
    {"", "uconsole.dat"},
};

// Copies the shipped data files of `from` into a new folder `to`. The copy
// is made beside it and takes its name only when complete.
void CopyShipped(const QString& from, const QString& to) {
  const QString parent = QFileInfo(to).absolutePath();
  QDir().mkpath(parent);
  QTemporaryDir work(parent + QStringLiteral("/.korvex-vantar-XXXXXX"));
  if (!work.isValid()) return;
  for (const TShipped& shipped : kShipped) {
    const QString folder = QString::fromLatin1(shipped.folder);
    const QString target = folder.isEmpty() ? work.path() : work.path() + u'/' + folder;
    QDir().mkpath(target);
    if (!shipped.pattern) continue;
    const QDir source(WithSlash(from) + folder);
    for (const QFileInfo& info : source.entryInfoList({QString::fromLatin1(shipped.pattern)}, QDir::Files, QDir::Name))
      // Regular files only: no devices, pipes or links out of the folder.
      if (QByteArray bytes; !info.isSymLink() && ReadRegularFile(info.filePath(), bytes) == TRegularOpen::Opened) {
        try {
          SafeFile::Write(target + u'/' + info.fileName(), bytes);
        } catch (const Exception&) {
          return;  // an incomplete copy never takes the folder's name
        }
      }
  }
  if (QDir().rename(work.path(), to)) work.setAutoRemove(false);
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
  if (!QFileInfo::exists(user)) CopyShipped(shipped, user);
  return WithSlash(user);
}

QString ProgramFolder() {
  if (!Override().isEmpty()) return Override();
  static const QString chosen = ChooseProgramFolder(QCoreApplication::applicationDirPath());
  return chosen;
}

void SetProgramFolder(const QString& folder) { Override() = folder.isEmpty() ? QString() : WithSlash(folder); }
