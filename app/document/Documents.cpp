#include "app/document/Documents.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringView>
#include <QTextBoundaryFinder>

namespace Documents {

QString ProductTitle() { return QStringLiteral("Korvex Vantar - KV Web Editor 2001-2026"); }

const QStringList& RefusedExtensions() {
  static const QStringList list = {
      QStringLiteral(".zip"),  QStringLiteral(".exe"), QStringLiteral(".rar"), QStringLiteral(".mpg"),
      QStringLiteral(".mpeg"), QStringLiteral(".avi"), QStringLiteral(".dll"), QStringLiteral(".tmp"),
      QStringLiteral(".vtd"),  QStringLiteral(".mp3"), QStringLiteral(".vqf"), QStringLiteral(".wav"),
      QStringLiteral(".snd"),  QStringLiteral(".au"),  QStringLiteral(".cda"), QStringLiteral(".asf"),
      QStringLiteral(".wma"),  QStringLiteral(".wm"),  QStringLiteral(".wmv"), QStringLiteral(".mid"),
      QStringLiteral(".midi"), QStringLiteral(".pdf"), QStringLiteral(".chm")};
  return list;
}

QString ExtractFileExt(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  const qsizetype sep = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
  return dot > sep ? fileName.mid(dot) : QString();
}

bool IsTextDocument(const QString& fileName) {
  return !RefusedExtensions().contains(ExtractFileExt(fileName).toLower());
}

bool IsPageName(const QString& fileName) {
  static const QStringList pages = {QStringLiteral(".htm"),   QStringLiteral(".html"), QStringLiteral(".xhtml"),
                                    QStringLiteral(".shtml"), QStringLiteral(".php"),  QStringLiteral(".php3"),
                                    QStringLiteral(".phtml")};
  return pages.contains(ExtractFileExt(fileName).toLower());
}

bool IsImageFile(const QString& fileName) {
  static const QStringList images = {QStringLiteral(".bmp"),  QStringLiteral(".ico"), QStringLiteral(".wmf"),
                                     QStringLiteral(".emf"),  QStringLiteral(".gif"), QStringLiteral(".jpg"),
                                     QStringLiteral(".jpeg"), QStringLiteral(".png")};
  return images.contains(ExtractFileExt(fileName).toLower());
}

QString NewDocumentName(const QString& newDocName, int counter) {
  return (newDocName.isEmpty() ? QStringLiteral("Untitled") : newDocName) + u'~' + QString::number(counter);
}

namespace {
std::function<QDateTime()>& Clock() {
  static std::function<QDateTime()> clock;
  return clock;
}
}  // namespace

QDateTime Now() { return Clock() ? Clock()() : QDateTime::currentDateTime(); }
void SetClock(std::function<QDateTime()> clock) { Clock() = std::move(clock); }

QString DateComment(const QDateTime& when) {
  const QLocale locale;
  return QStringLiteral("<!-- ** file created on ") + locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
         locale.toString(when.time(), QLocale::ShortFormat) + QStringLiteral(" ** -->");
}

QString BannerLine() {
  return QStringLiteral("<!-- made with Korvex Vantar, the editor for web pages: https://korvex-vantar.org/ -->");
}

QStringList XhtmlSkeleton(const QDateTime& when) {
  return {QStringLiteral("<!DOCTYPE html"),
          QStringLiteral("PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\""),
          QStringLiteral("\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">"),
          QStringLiteral("<html>"),
          QStringLiteral("<head>"),
          QStringLiteral("  <meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\" />"),
          QStringLiteral("  <title></title>"),
          QStringLiteral("</head>"),
          QStringLiteral("<body>"),
          QString(),
          QString(),
          QString(),
          QStringLiteral("</body>"),
          QStringLiteral("</html>"),
          QString(),
          DateComment(when),
          BannerLine()};
}

QStringList HtmlSkeleton(const QDateTime& when) {
  return {QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                         "\"http://www.w3.org/TR/html4/loose.dtd\">"),
          QStringLiteral("<html>"),
          QStringLiteral("<head>"),
          QStringLiteral("  <meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">"),
          QStringLiteral("  <title></title>"),
          QStringLiteral("  <meta name=\"description\" content=\"\">"),
          QStringLiteral("  <meta name=\"keywords\" content=\"\">"),
          QStringLiteral("  <meta name=\"author\" content=\"\">"),
          QStringLiteral("  <meta name=\"generator\" content=\"Korvex Vantar, by the Korvex Vantar makers\">"),
          QStringLiteral("</head>"),
          QStringLiteral("<body>"),
          QString(),
          QString(),
          QString(),
          QStringLiteral("</body>"),
          QStringLiteral("</html>"),
          QString(),
          DateComment(when),
          BannerLine()};
}

QStringList PhpSkeleton(const QDateTime& when) {
  return {QStringLiteral("<?php"), QString(), QStringLiteral("?>"), QString(), DateComment(when), BannerLine()};
}

QStringList CssSkeleton(const QDateTime& when) {
  return {QStringLiteral("<style>"),
          QStringLiteral("<!--"),
          QString(),
          QStringLiteral("-->"),
          QStringLiteral("</style>"),
          QString(),
          DateComment(when),
          BannerLine()};
}

QStringList AddRecentEntry(const QStringList& old, const QString& path) {
  // Kept exactly: a file name may begin or end with a blank here, and a
  // trimmed path would name another file.
  const QString& entry = path;
  QStringList out{entry};
  for (const QString& line : old) {
    if (out.size() >= MaxRecentFiles) break;
    if (line.isEmpty() || line == entry) continue;
    out << line;
  }
  return out;
}

TPreviewPlace PreviewPlace(const QString& caption, const QString& programFolder) {
  TPreviewPlace place;
  QString name = caption;
  place.folder = programFolder;
  if (QFileInfo(caption).isAbsolute()) {
    const QFileInfo info(caption);
    place.folder = info.absolutePath();
    name = info.fileName();
  }
  if (!place.folder.endsWith(u'/')) place.folder += u'/';
  place.fileName =
      QStringLiteral("kvx_tmp~") + name.left(name.size() - ExtractFileExt(name).size()) + QStringLiteral(".html");
  return place;
}

TGotoCheck CheckGotoLine(const QString& text, int lineCount, int& line) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) return TGotoCheck::NotANumber;
  if (value < 1) return TGotoCheck::TooSmall;
  if (value > lineCount) return TGotoCheck::TooLarge;
  line = value;
  return TGotoCheck::Ok;
}

QStringList WrapLines(const QStringList& lines, int width) {
  width = std::max(1, width);
  QStringList out;
  for (const QString& line : lines) {
    // Cuts fall between characters only: never inside a surrogate pair, nor
    // between a letter and the marks that follow it.
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, line);
    const auto between = [&characters](qsizetype at) {
      characters.setPosition(at);
      return characters.isAtBoundary();
    };
    qsizetype start = 0;
    while (line.size() - start > width) {
      const qsizetype limit = start + width;
      const qsizetype blank = QStringView(line).mid(start, width + 1).lastIndexOf(u' ');
      if (blank > 0 && between(start + blank + 1)) {
        out << line.mid(start, blank);
        start += blank + 1;
        continue;
      }
      characters.setPosition(limit);
      qsizetype cut = characters.isAtBoundary() ? limit : characters.toPreviousBoundary();
      if (cut <= start) {
        // One character wider than the line: it stays whole.
        characters.setPosition(limit);
        cut = characters.toNextBoundary();
      }
      out << line.mid(start, cut - start);
      start = cut;
    }
    out << line.mid(start);
  }
  return out;
}

}  // namespace Documents
