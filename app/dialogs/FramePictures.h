// The main window's picture commands: the image browser opened as a
// document-area tab, and the link, picture and flash-movie insert commands.
#pragma once

#include <QStringList>

class QMdiSubWindow;
class TChildForm;
class IAppHost;

// The line of an image browser on `folder` that holds no pictures.
QString NoPicturesLine(const QString& folder);
// A new image browser holding one thumbnail per file.
QMdiSubWindow* OpenImageBrowser(IAppHost& host, const QStringList& files);

// The link command: asks for a link or mail link and inserts it into the
// active document.
void InsertLink(IAppHost& host);
// The picture command; `fileName` preselects a picture.
void InsertImage(IAppHost& host, const QString& fileName = QString());
// The flash-movie command of a document window.
void InsertFlashMovie(TChildForm& child);
