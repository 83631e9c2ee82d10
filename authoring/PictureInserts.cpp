#include "authoring/PictureInserts.h"

#include <QDir>
#include <QUrl>

namespace PictureInserts {
namespace {

QString Attr(QString value) { return value.replace(u'"', QStringLiteral("&quot;")); }

const char kCab[] = "http://download.macromedia.com/flash2/cabs/swflash.cab#version=4,0,0,0";
const char kPage[] = "http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash";

}  // namespace

QString LinkFragment(const QString& address, const QString& text, bool newWindow) {
  return QStringLiteral("<a href=\"") + Attr(address) + u'"' +
         (newWindow ? QStringLiteral(" target=\"_blank\"") : QString()) + u'>' + text + QStringLiteral("</a>");
}

QString MailLinkFragment(const QString& email, const QString& subject, const QString& text) {
  QString href = QStringLiteral("mailto:") + Attr(email);
  if (!subject.isEmpty()) href += QStringLiteral("?subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject));
  return QStringLiteral("<a href=\"") + href + QStringLiteral("\">") + text + QStringLiteral("</a>");
}

QString EncodedRelativePath(const QString& relative) {
  // Besides letters, digits and "-._~", the characters a path segment may
  // hold as they are; ":" is encoded too, as a first name holding it would
  // read as a scheme, and "&" so that the attribute needs no entity.
  static const QByteArray keep = QByteArrayLiteral("!$'()*+,;=@");
  QStringList names = relative.split(u'/');
  for (QString& name : names) name = QString::fromLatin1(QUrl::toPercentEncoding(name, keep));
  return names.join(u'/');
}

QString PicturePath(const QString& path, TPathStyle style, const QString& documentFolder) {
  switch (style) {
    case psFull: {
      const QString typed = path.trimmed();
      if (documentFolder.isEmpty() || typed.isEmpty()) return path;
      const QDir folder(documentFolder);
      const QString absolute = QDir::cleanPath(folder.absoluteFilePath(typed));
      return EncodedRelativePath(folder.relativeFilePath(absolute));
    }
    case psNoFull: {
      const qsizetype cut = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
      return path.mid(cut + 1);
    }
    case psComp:
      break;
  }
  return path;
}

QString FileFromFolder(const QString& folder, const QString& path) {
  if (folder.isEmpty() || path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QDir(folder).absoluteFilePath(path);
}

QString ImageFragment(const QString& path, const QString& alt, int width, int height) {
  return QStringLiteral("<img src=\"") + Attr(path) + QStringLiteral("\" alt=\"") + Attr(alt) +
         QStringLiteral("\" border=\"0\" width=\"") + QString::number(width) + QStringLiteral("\" height=\"") +
         QString::number(height) + QStringLiteral("\">");
}

QStringList FlashLines(const QString& movie, int width, int height, const QString& loop) {
  const bool sized = width > 0 && height > 0;
  const QString m = Attr(movie);
  QString object = QStringLiteral("<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"") +
                   QLatin1String(kCab) + QStringLiteral("\" id=untitled");
  if (sized) object += QStringLiteral(" width=%1 height=%2").arg(width).arg(height);
  object += u'>';
  return {object,
          QStringLiteral("<param name=movie value=\"") + m + QStringLiteral("\">"),
          QStringLiteral("<param name=quality value=high>"),
          QStringLiteral("<param name=loop value=\"") + loop + QStringLiteral("\">"),
          QStringLiteral("<embed src=\"") + m + QStringLiteral("\" loop=") + loop + QStringLiteral(" quality=high"),
          (sized ? QStringLiteral("width=%1 height=%2 ").arg(width).arg(height) : QString()) +
              QStringLiteral("type=\"application/x-shockwave-flash\""),
          QStringLiteral("pluginspage=\"") + QLatin1String(kPage) + QStringLiteral("\">"),
          QStringLiteral("</embed>"),
          QStringLiteral("</object>")};
}

QString JoinLines(const QStringList& lines) {
  QString out;
  for (const QString& line : lines) out += line + QStringLiteral("\r\n");
  return out;
}

}  // namespace PictureInserts
