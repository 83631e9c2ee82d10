// HTML fragments of the link, picture and flash-movie insert commands.
// Double quotes inside attribute values are written as "&quot;".
#pragma once

#include <QString>
#include <QStringList>

namespace PictureInserts {

// <a href="A">T</a>, with target="_blank" for a new window.
QString LinkFragment(const QString& address, const QString& text, bool newWindow);
// <a href="mailto:E?subject=S">T</a>; the subject percent-encoded, left out
// when empty.
QString MailLinkFragment(const QString& email, const QString& subject, const QString& text);

enum TPathStyle { psFull, psNoFull, psComp };
// The picture path as written. psFull: for a saved document (its folder in
// `documentFolder`) the path relative to that folder, "/" between the names
// and each name percent-encoded where an address needs it ("links/logo.gif",
// "../img/a%20b.png"); for a document never saved (no folder) the path as
// typed. psNoFull: the file name alone. psComp: the path as typed.
QString PicturePath(const QString& path, TPathStyle style, const QString& documentFolder = QString());
// `relative` (names parted by "/") with every name percent-encoded: blanks,
// "#", "?", "%", ":", "&", quotes and all that is not ASCII (as UTF-8).
QString EncodedRelativePath(const QString& relative);
// The file `path` names: a relative path is taken from `folder` (the saved
// page's folder) when one is given, never from the working folder.
QString FileFromFolder(const QString& folder, const QString& path);
// <img src="P" alt="A" border="0" width="W" height="H">
QString ImageFragment(const QString& path, const QString& alt, int width, int height);

// The lines of the flash-movie block; width and height are written only
// when both are above 0.
QStringList FlashLines(const QString& movie, int width, int height, const QString& loop);

// Lines joined with CR LF after every line, the last one too.
QString JoinLines(const QStringList& lines);

}  // namespace PictureInserts
