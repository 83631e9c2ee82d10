#include "app/document/DocumentFile.h"

#include <sys/stat.h>

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "platform/RegularFile.h"

namespace DocumentFile {

QString Question(const QString& fileName, const QString& key) {
  return u'"' + fileName + QStringLiteral("\"\n") + LangText(key);
}

QString ChooseSaveFile(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  for (;;) {
    if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString file = dialog.selectedFiles().constFirst();
    if (!QFileInfo::exists(file) || IsNotRegularFile(file) ||
        ShowMessageDlg(Question(file, QStringLiteral("SaveReplace")), 1) == 6)
      return file;
    dialog.selectFile(file);
  }
}

bool AskSaveInPlace(const QString& fileName, TInPlaceReason reason) {
  if (reason == TInPlaceReason::WriteProtected)
    return ShowMessageDlg(Question(fileName, QStringLiteral("SaveWriteProtected")), 1) == 6;
  const char* why = reason == TInPlaceReason::FolderNotWritable ? "SaveInPlaceDir"
                    : reason == TInPlaceReason::HardLinks       ? "SaveInPlaceLinks"
                                                                : "SaveInPlaceOwner";
  const QString text = Question(fileName, QLatin1String(why)) + u' ' + LangText(QStringLiteral("SaveInPlaceAsk"));
  return ShowMessageDlg(text, 1) == 6;
}

void ConvertToUtf8(TSrcEditStringList& lines) {
  lines.SetEncoding(TextEncoding::Utf8);
  lines.SetWriteBom(false);
  // Declarations count where a browser looks for them: near the top.
  qsizetype seen = 0;
  for (int i = 0; i < lines.Count() && seen < 4096; ++i) {
    QString line = lines.Get(i);
    seen += line.size() + 1;
    if (TextCodec::replaceDeclaredCharset(line, u"utf-8")) lines.Put(i, line);
  }
}

}  // namespace DocumentFile

TFileStamp TFileStamp::Of(const QString& path) {
  TFileStamp stamp;
  struct stat st {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.size = st.st_size;
  stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  return stamp;
}

TFileWatch::TFileWatch(QObject* window) : QObject(window) {
  // The other program may still be writing: look once it had a moment.
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this,
          [this] { QTimer::singleShot(300, this, &TFileWatch::Check); });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) Check();
  });
  if (window) window->installEventFilter(this);
}

void TFileWatch::Track(const QString& path) {
  if (!path_.isEmpty() && path_ != path) watcher_.removePath(path_);
  path_ = path;
  stamp_ = offered_ = TFileStamp::Of(path);
  if (stamp_.exists && !watcher_.files().contains(path)) watcher_.addPath(path);
}

bool TFileWatch::Changed() const {
  if (path_.isEmpty() || !stamp_.exists) return false;
  const TFileStamp now = TFileStamp::Of(path_);
  return now.exists && !(now == stamp_);
}

bool TFileWatch::TakeNewChange() {
  if (!Changed()) return false;
  const TFileStamp now = TFileStamp::Of(path_);
  if (now == offered_) return false;
  offered_ = now;
  return true;
}

void TFileWatch::Check() {
  // A file replaced by a new one is no longer watched by the system.
  if (!path_.isEmpty() && !watcher_.files().contains(path_) && QFile::exists(path_)) watcher_.addPath(path_);
  if (Changed() && OnChanged) OnChanged();
}

bool TFileWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate) QTimer::singleShot(0, this, &TFileWatch::Check);
  return QObject::eventFilter(watched, event);
}
