#include "files/FileServices.h"

#include <QApplication>
#include <QCollator>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QStyle>
#include <QUrl>
#include <algorithm>

namespace {
TFileServices& Services() {
  static TFileServices services{
      [](const QString&) { return QString(); }, [](QDialog& dialog) { return dialog.exec(); },
      [](const QString& text, int) {
        QMessageBox::information(nullptr, QString(), text);
        return 1;
      },
      [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); },
      [] { QApplication::beep(); }};
  return services;
}
}  // namespace

void SetFileServices(const TFileServices& services) {
  TFileServices& s = Services();
  if (services.langText) s.langText = services.langText;
  if (services.execModal) s.execModal = services.execModal;
  if (services.messageDlg) s.messageDlg = services.messageDlg;
  if (services.openFile) s.openFile = services.openFile;
  if (services.beep) s.beep = services.beep;
}

const TFileServices& FileServices() { return Services(); }

QString FilesText(const QString& key) { return Services().langText(key); }
int FilesExecModal(QDialog& dialog) { return Services().execModal(dialog); }
int FilesMessage(const QString& text, int kind) { return Services().messageDlg(text, kind); }

bool NameLess(const QString& a, const QString& b) {
  static const QCollator collator = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
  const int r = collator.compare(a, b);
  return r != 0 ? r < 0 : a < b;
}

bool IsSingleFolderName(const QString& name) {
  if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  return std::none_of(name.begin(), name.end(), [](QChar c) { return c == u'/' || c.unicode() < 32; });
}

TFileIconCache& TFileIconCache::Instance() {
  static TFileIconCache cache;
  return cache;
}

void TFileIconCache::Clear() {
  byExtension_.clear();
  lookups_ = 0;
}

QIcon TFileIconCache::IconFor(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  const QString key = suffix.isEmpty() ? QString() : u'.' + suffix;
  auto it = byExtension_.constFind(key);
  if (it != byExtension_.constEnd()) return *it;
  ++lookups_;
  static const QMimeDatabase mimes;
  const QMimeType type = mimes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);  // no icon theme
  byExtension_.insert(key, icon);
  return icon;
}

QIcon TFileIconCache::FolderIcon() {
  if (folder_.isNull()) {
    folder_ = QIcon::fromTheme(QStringLiteral("folder"));
    if (folder_.isNull()) folder_ = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
  }
  return folder_;
}
