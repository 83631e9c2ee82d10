#include "app/core/Launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <optional>

namespace {

TLauncher*& Current() {
  static TLauncher* current = nullptr;
  return current;
}

const char kEngineFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";

// The preview engine's flags as the program found them, taken before main:
// what the program adds for its own preview browser (no sandbox where it can
// have none, quiet logs) is not handed on to the programs it starts.
const std::optional<QByteArray> kFoundEngineFlags =
    qEnvironmentVariableIsSet(kEngineFlags) ? std::optional<QByteArray>(qgetenv(kEngineFlags)) : std::nullopt;

}  // namespace

bool TLauncher::Start(const QString& program, const QStringList& arguments, const QString& folder) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  if (kFoundEngineFlags)
    environment.insert(QLatin1String(kEngineFlags), QString::fromLocal8Bit(*kFoundEngineFlags));
  else
    environment.remove(QLatin1String(kEngineFlags));
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.setWorkingDirectory(folder);
  process.setProcessEnvironment(environment);
  return process.startDetached();
}

bool TLauncher::Open(const QString& target) {
  const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()) : QUrl(target);
  // The desktop starts its program from this process's environment: the
  // flags found are put back for the call (as a value, empty for none, so
  // that no variable comes or goes while other threads may read them).
  const QByteArray own = qgetenv(kEngineFlags);
  const QByteArray found = kFoundEngineFlags.value_or(QByteArray());
  const bool lend = qEnvironmentVariableIsSet(kEngineFlags) && own != found;
  if (lend) qputenv(kEngineFlags, found);
  const bool opened = QDesktopServices::openUrl(url);
  if (lend) qputenv(kEngineFlags, own);
  return opened;
}

TShownIn ShowInBrowser(const QString& target, const QString& userBrowser,
                       const std::function<bool(const QUrl&)>& ownBrowser) {
  const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()) : QUrl(target);
  if (!userBrowser.trimmed().isEmpty() && Launcher().Start(userBrowser.trimmed(), {url.toString()}))
    return TShownIn::UserBrowser;
  if (Launcher().Open(target)) return TShownIn::Desktop;
  if (ownBrowser && url.isValid() && ownBrowser(url)) return TShownIn::OwnBrowser;
  return TShownIn::Nothing;
}

TLauncher& Launcher() {
  static TLauncher real;
  return Current() ? *Current() : real;
}

void SetLauncher(TLauncher* launcher) { Current() = launcher; }
