// Preview files: the document's text written where the embedded browser can
// show it. A preview file is always a new file made by this program: never
// written through a symbolic link, never over anything that exists; and only
// the very file made is ever deleted again. Its name is shortened to fit the
// file system's limit. Every preview file made is noted (path, size, time)
// in a record in the program folder until it is removed, so that those of a
// program that was killed go at the next start.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

class TSrcEditStringList;

namespace Preview {

// A file this program made, with the identity it had then.
struct TPreviewFile {
  QString path;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// Makes a new file in `folder` holding `bytes`, named `fileName` or, when that
// name is taken by anything (a file, a folder, a link even when it leads
// nowhere), the next free of "name~2.html", "name~3.html", ... Returns false
// with the system's reason in `error` when no file could be made or written;
// nothing is left behind then.
bool Create(const QString& folder, const QString& fileName, const QByteArray& bytes, TPreviewFile& file,
            QString& error);
// Create in `folder` or, when that folder takes no new file (read-only,
// gone), in PrivateFolder() with a <base href> of `folder`, so that the
// page's links still resolve beside the document. On failure `error` holds
// the first folder's reason.
bool CreateNear(const QString& folder, const QString& fileName, const QByteArray& bytes, TPreviewFile& file,
                QString& error);
// Deletes the file when the path still names the file that was made; true
// when it was deleted. Whatever stands there instead is left alone.
bool Remove(const TPreviewFile& file);

// Removes the preview files noted by programs of `programFolder` that ended
// without removing them, where they are still as they were made; their
// records go too. Records of running programs are left alone.
void RemoveLeftovers(const QString& programFolder);

// A folder of this process's own, readable only by the user, for previews of
// documents whose folder takes no new files; removed when the program ends.
// Empty when none could be made.
QString PrivateFolder();

// The bytes of a preview page: the editor's lines as a save writes them (the
// document's encoding), with CR LF line breaks whatever the document uses.
QByteArray PageBytes(TSrcEditStringList& lines);

// The page with a <base href> of `folder` so that its relative links resolve
// there although the page is shown from elsewhere: put after the <head> tag,
// else after <html>, else after the document type, else first (after a byte
// order mark). The page's own bytes stay as they are.
QByteArray WithBaseHref(const QByteArray& page, const QString& folder);

}  // namespace Preview
