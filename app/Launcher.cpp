#include "app/Launcher.h"

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

bool TLauncher::Start(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

bool TLauncher::Open(const QString& target) {
  const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath())
                                             : QUrl(target);
  return QDesktopServices::openUrl(url);
}

TLauncher& Launcher() {
  static TLauncher real;
  return Current() ? *Current() : real;
}

void SetLauncher(TLauncher* launcher) { Current() = launcher; }
