#include "app/core/RecentFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <optional>

#include "app/core/Settings.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

namespace RecentFiles {

namespace {

// What tells one state of the file from another.
struct TState {
  bool exists = false;
  qint64 size = -1;
  QDateTime modified;
  bool operator==(const TState&) const = default;
};

TState StateOf(const QString& fileName) {
  const QFileInfo info(fileName);
  return {info.exists(), info.size(), info.lastModified()};
}

// A list that could not be written, and the state of the file then.
struct THeld {
  QString fileName;
  TState state;
  QStringList paths;
};

std::optional<THeld>& Held() {
  static std::optional<THeld> held;
  return held;
}

}  // namespace

QString FileName() { return ProgramFolder() + QStringLiteral("recentfiles.dat"); }

QStringList Read() {
  // A list that waits for the folder's lock is what the file will hold.
  if (const std::optional<QByteArray> kept = SafeFile::PendingOwn(FileName())) return TextCodec::decodeFileLines(*kept);
  if (const auto& held = Held()) {
    if (held->fileName == FileName() && held->state == StateOf(held->fileName)) return held->paths;
    Held().reset();
  }
  // A FIFO or device in the file's place is not waited on: no list.
  QByteArray bytes;
  if (ReadRegularFile(FileName(), bytes) != TRegularOpen::Opened) return {};
  return TextCodec::decodeFileLines(bytes);
}

void Write(const QStringList& paths) {
  QByteArray bytes;
  for (const QString& line : paths) bytes += line.toUtf8() + '\n';
  const QString fileName = FileName();
  try {
    // While another process holds the folder's lock, the list waits in
    // memory and is written once the lock is free.
    if (SafeFile::WriteOwnUnlessBusy(fileName, bytes, Settings::ReportOwnFileTrouble))
      Held().reset();
    else
      Held() = THeld{fileName, StateOf(fileName), paths};
  } catch (const Exception& e) {
    Held() = THeld{fileName, StateOf(fileName), paths};
    Settings::ReportOwnFileTrouble(TOwnFileTrouble::NotWritten, fileName, &e);
  }
  // Also when another of the program's files gave up waiting first.
  if (TFolderLock::TakeGaveUp()) Settings::ReportOwnFileTrouble(TOwnFileTrouble::Unlocked, fileName, nullptr);
}

void Clear() {
  Held().reset();
  // A pipe or device in the file's place (or a link to one) stays as it is.
  if (!IsNotRegularFile(FileName())) QFile::remove(FileName());
}

}  // namespace RecentFiles
