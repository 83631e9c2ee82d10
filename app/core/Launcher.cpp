#include "app/core/Launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

TLauncher*& Current() {
  static TLauncher* current = nullptr;
  return current;
}

}  // namespace

bool TLauncher::Start(const QString& program, const QStringList& arguments, const QString& folder) {
  return QProcess::startDetached(program, arguments, folder);
}

bool TLauncher::Open(const QString& target) {
  const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()) : QUrl(target);
  return QDesktopServices::openUrl(url);
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
