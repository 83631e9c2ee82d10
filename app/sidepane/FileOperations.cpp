#include "app/sidepane/FileOperations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "files/FileServices.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

namespace FileOps {

QString SignificantDigits(double value, int digits, const QLocale& locale) {
  if (digits < 1 || digits > 16)
    throw Exception(QStringLiteral("GetSignificantDigits: A number of significant digits out of range"));
  QLocale plain = locale;
  plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
  QString text = plain.toString(value, 'f', 3);
  const QString point = plain.decimalPoint();
  const qsizetype integerPart = text.indexOf(point) < 0 ? text.size() : text.indexOf(point);
  // The cut never shortens the integer part: 12345 stays 12345, not 1234.
  text.truncate(std::max<qsizetype>(digits + 1, integerPart));
  if (text.endsWith(point)) text.chop(point.size());
  return text;
}

QString SizeText(qint64 bytes, const QLocale& locale) {
  constexpr qint64 KB = 1024, MB = KB * KB, GB = MB * KB;
  if (bytes < 1000) return QString::number(bytes) + QStringLiteral(" bytes");
  if (bytes < MB) return SignificantDigits(double(bytes) / KB, 3, locale) + QStringLiteral(" KB");
  if (bytes < GB) return SignificantDigits(double(bytes) / MB, 3, locale) + QStringLiteral(" MB");
  return SignificantDigits(double(bytes) / GB, 3, locale) + QStringLiteral(" GB");
}

QString FileSizeText(const QString& path, const QLocale& locale) {
  // Size and reason both come from the file's entry: a file that cannot be
  // read still shows its size, and nothing is opened, so a pipe put in the
  // file's place never holds the dialog.
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QString::fromLocal8Bit(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return QString::fromLocal8Bit(std::strerror(EISDIR));
  return SizeText(st.st_size, locale);
}

bool IsInsertablePicture(const QString& fileName) {
  static const QStringList pictures = {".BMP", ".ICO", ".WMF", ".EMF", ".GIF", ".JPG", ".JPEG", ".PNG"};
  const qsizetype dot = fileName.lastIndexOf(u'.');
  return dot >= 0 && pictures.contains(fileName.mid(dot).toUpper());
}

namespace {
QString Escaped(const QString& text) {
  QString out = text;
  out.replace(u'&', QStringLiteral("&amp;"))
      .replace(u'<', QStringLiteral("&lt;"))
      .replace(u'"', QStringLiteral("&quot;"));
  return out;
}
}  // namespace

QString IncludeFragment(const QString& fileName) {
  return QStringLiteral("<!--#include file=\"") + Escaped(fileName) + QStringLiteral("\" -->");
}

QString LinkFragment(const QString& fileName) {
  const qsizetype dot = fileName.indexOf(u'.');
  const QString base = dot < 0 ? fileName : fileName.left(dot);
  return QStringLiteral("<a href=\"") + Escaped(fileName) + QStringLiteral("\">") + Escaped(base) +
         QStringLiteral("</a>");
}

bool IsFitName(const QString& name) { return IsSingleFolderName(name) && name.trimmed() == name; }

TNameResult RenameFile(const QString& path, const QString& newName, QString* error) {
  if (!IsFitName(newName)) return TNameResult::BadName;
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return TNameResult::Missing;
  const QString target = info.absoluteDir().filePath(newName);
  if (target == info.absoluteFilePath()) return TNameResult::Done;
  // One step that refuses whatever lies at the new name, a file saved there
  // after any look included.
  switch (const int failure = SafeFile::RenameNoReplace(path, target)) {
    case 0:
      return TNameResult::Done;
    case EEXIST:
      return TNameResult::Exists;
    default:
      if (error) *error = SafeFile::Reason(failure);
      return TNameResult::Failed;
  }
}

namespace {
// What is wrong with the trash folders or the file's own folder, named; empty
// when nothing is (the system's reason alone names neither).
QString TrashProblem(const QString& data, const QString& path) {
  const auto reason = [](const QString& where, int error) {
    return LangText(QStringLiteral("NoTrash")) + u' ' + where + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(error));
  };
  if (data.isEmpty()) return QString();
  for (const QString& folder : {data, data + QStringLiteral("/Trash"), data + QStringLiteral("/Trash/files"),
                                data + QStringLiteral("/Trash/info")}) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0) return reason(folder, errno);
    if (!S_ISDIR(st.st_mode)) return reason(folder, ENOTDIR);
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) return reason(folder, errno);
  }
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return reason(path, errno);
  const QString parent = QFileInfo(path).absolutePath();
  if (::access(QFile::encodeName(parent).constData(), W_OK | X_OK) != 0) return reason(parent, errno);
  return QString();
}

// The reason of a failed move: what is wrong with the folders, else what the
// system said, else that there is no usable trash.
QString TrashFailure(const QString& data, const QString& path, const QString& said) {
  QString why = TrashProblem(data, path);
  if (why.isEmpty()) why = said;
  return why.isEmpty() ? LangText(QStringLiteral("NoTrash")) : why;
}
}  // namespace

bool MoveToTrash(const QString& path, QString* error) {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty()) {
    if (error) *error = LangText(QStringLiteral("NoTrash"));
    return false;
  }
  // The trash's folders are made when missing (for this user only, as the
  // system makes them) and checked before anything moves: without a usable
  // trash the system would make "files" and "info" below the working folder.
  QDir().mkpath(data);
  for (const QString& folder :
       {data + QStringLiteral("/Trash"), data + QStringLiteral("/Trash/files"), data + QStringLiteral("/Trash/info")})
    ::mkdir(QFile::encodeName(folder).constData(), 0700);  // what failed is found by the check
  if (const QString why = TrashProblem(data, path); !why.isEmpty()) {
    if (error) *error = why;
    return false;
  }
  QFile file(path);
  if (!file.moveToTrash()) {
    if (error) *error = TrashFailure(data, path, file.errorString());
    return false;
  }
  // Without a usable trash the system moves the file into "files" below the
  // working folder: it is put back, and the move counts as failed.
  if (QDir::isRelativePath(file.fileName())) {
    const QString misplaced = QFileInfo(file.fileName()).absoluteFilePath();
    // Never over a file that took the name meanwhile: then it stays where
    // the system put it.
    SafeFile::RenameNoReplace(misplaced, path);
    QFile::remove(QFileInfo(misplaced).absolutePath() + QStringLiteral("/../info/") + QFileInfo(misplaced).fileName() +
                  QStringLiteral(".trashinfo"));
    if (error) *error = TrashFailure(data, path, QString());
    return false;
  }
  return true;
}

bool DeleteForGood(const QString& path, QString* error) {
  QFile file(path);
  if (file.remove()) return true;
  if (error) *error = file.errorString();
  return false;
}

TRunTarget ResolveRunText(const QString& text) {
  QString t = text.trimmed();
  if (t.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
    t = QUrl(t, QUrl::TolerantMode).toLocalFile().trimmed();
  else
    t.replace(QStringLiteral("%20"), QStringLiteral(" "));
  if (t.isEmpty()) return {};
  const QFileInfo info(t);
  if (info.isFile()) return {TRunTarget::File, info.absoluteFilePath()};
  static const QStringList tools = {"cmd", "command", "regedit", "msconfig", "calc"};
  if (tools.contains(t)) return {TRunTarget::Tool, t};
  if (info.isDir()) return {TRunTarget::Folder, QDir::cleanPath(info.absoluteFilePath())};
  return {};
}

QList<QStringList> ToolPrograms(const QString& name) {
  if (name == u"calc") return {{"gnome-calculator"}, {"kcalc"}, {"galculator"}, {"mate-calc"}, {"xcalc"}};
  if (name == u"regedit") return {{"dconf-editor"}};
  if (name == u"msconfig") return {{"gnome-system-monitor"}, {"ksysguard"}, {"xfce4-taskmanager"}};
  return {};
}

bool TFileCopyRun::CopyOne(const QString& source, const QString& target, bool replace, QString& error,
                           bool& stopped) {
  // Only a regular file is copied: a FIFO or device would hold the open (or
  // the reading) for ever.
  QFile in;
  switch (OpenRegularFile(source, in, &error)) {
    case TRegularOpen::Opened:
      break;
    case TRegularOpen::NotRegular:
      error = LangText(QStringLiteral("NotRegular"));
      return false;
    case TRegularOpen::Failed:
      return false;
  }
  // Written safely (under a temporary name beside the target, renamed when
  // whole); a pipe or device in the target's place is left as it is. The
  // user agreed to replace the target, so it is written in place where
  // replacing it would lose its links or owner: staged, so that a copy
  // stopped or failed half way leaves it as it was.
  try {
    TSafeFile out(
        target, [](const QString&, TInPlaceReason) { return true; }, [&in] { return in.size(); });
    out.StageInPlace();
    if (!replace) out.NewOnly();
    out.Open();
    QByteArray chunk;
    while (!in.atEnd()) {
      chunk = in.read(kChunk);
      if (chunk.isEmpty() && in.error() != QFileDevice::NoError) {
        error = in.errorString();
        return false;
      }
      if (out.write(chunk) != chunk.size()) {
        error = out.errorString();
        return false;
      }
      if (processEvents) processEvents();
      if (stopRequested && stopRequested()) {
        stopped = true;
        return false;
      }
    }
    out.Commit();
  } catch (const ENotRegularFile&) {
    error = NotRegularFileText(target);
    return false;
  } catch (const Exception& e) {
    error = e.Message();
    return false;
  }
  QFile::setPermissions(target, QFileInfo(source).permissions());
  return true;
}

TFileCopyRun::Result TFileCopyRun::Run() {
  Result result;
  bool yesToAll = false;
  const QDir from(sourceFolder);
  const QDir to(destination);
  for (int i = 0; i < names.size(); ++i) {
    if (stopRequested && stopRequested()) {
      result.stopped = true;
      break;
    }
    if (processEvents) processEvents();
    const QString& name = names[i];
    const QString source = from.filePath(name);
    const QString target = to.filePath(name);
    if (progress) progress(i, source, target);
    const QFileInfo targetInfo(target);
    // Nothing to ask about a pipe or device in the target's place: it stays.
    if (IsNotRegularFile(target)) {
      result.failures << name + QStringLiteral(": ") + NotRegularFileText(target);
      continue;
    }
    if (targetInfo.exists()) {
      // The same file under both names: nothing to do, and the source stays.
      if (targetInfo.canonicalFilePath() == QFileInfo(source).canonicalFilePath()) {
        ++result.skipped;
        continue;
      }
      if (!yesToAll) {
        const int answer = askOverwrite ? askOverwrite(name) : kNo;
        if (answer == kYesToAll) {
          yesToAll = true;
        } else if (answer != kYes) {
          ++result.skipped;
          continue;
        }
      }
    }
    QString error;
    bool stopped = false;
    // Only what the question let go is written over.
    if (CopyOne(source, target, targetInfo.exists(), error, stopped)) {
      ++result.copied;
    } else if (stopped) {
      result.stopped = true;
      break;
    } else {
      result.failures << name + QStringLiteral(": ") + error;
    }
    if (processEvents) processEvents();
  }
  return result;
}

}  // namespace FileOps
