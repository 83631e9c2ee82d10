#include "app/document/ImportsPreviews.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "authoring/WtRichEditToHtml.h"
#include "platform/Exceptions.h"
#include "platform/RtfReader.h"

namespace ExternalPreviews {

QList<TBrowserEntry> ParseBrowserList(const QString& text) {
  QList<TBrowserEntry> entries;
  for (QString line : text.split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.trimmed().isEmpty()) continue;
    const qsizetype hash = line.indexOf(u'#');
    if (hash < 0)
      entries.append({QString(), line.trimmed()});
    else
      entries.append({line.left(hash).trimmed(), line.mid(hash + 1).trimmed()});
  }
  return entries;
}

QString FileName(int counter) {
  return QStringLiteral("korvex_temp") + QString::number(counter) + QStringLiteral(".html");
}

}  // namespace ExternalPreviews

namespace Imports {

QStringList RtfToHtml(const QString& path, const QString& fontName) {
  TRichTextDocument document = RtfReader::ReadFile(path);
  if (document.Default.Name.isEmpty()) document.Default.Name = fontName;
  for (TRichLine& line : document.Lines)
    for (TRichRun& run : line.Runs)
      if (run.Font.Name.isEmpty()) run.Font.Name = document.Default.Name;
  TWtRichEditToHtml converter;
  return converter.ConvertToHtmlstringList(document);
}

QString WordConverter() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

QString WordToRtf(const QString& path, const QString& folder, const std::function<bool()>& keepGoing) {
  const QString converter = WordConverter();
  if (converter.isEmpty()) throw ENoConverter(QStringLiteral("No converter for word-processor documents"));
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(converter, {QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                            QStringLiteral("--outdir"), folder, QFileInfo(path).absoluteFilePath()});
  if (!process.waitForStarted()) throw EConverterFailed(process.errorString());
  while (!process.waitForFinished(50)) {
    if (process.state() == QProcess::NotRunning) break;
    if (keepGoing && !keepGoing()) {
      process.kill();
      process.waitForFinished();
      throw EImportStopped(QStringLiteral("The conversion was stopped"));
    }
  }
  const QString rtf = QDir(folder).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".rtf"));
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !QFileInfo(rtf).isFile()) {
    // What it said, in the system's encoding; its last lines when it said much.
    QString said = QString::fromLocal8Bit(process.readAll()).trimmed();
    constexpr qsizetype kMostShown = 1000;
    if (said.size() > kMostShown) {
      said = said.right(kMostShown);
      if (said.front().isLowSurrogate()) said.remove(0, 1);  // never half a character
      said.prepend(QStringLiteral("..."));
    }
    throw EConverterFailed(said);
  }
  return rtf;
}

}  // namespace Imports
