// The rules of the document commands that need no window: which files are
// opened as documents, how new documents are named, the skeleton texts new
// documents start with, the recent-files list, preview-file names and the
// goto-line entry.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace Documents {

// The product title shown as the main window's caption.
QString ProductTitle();

// False for the extensions never opened (archives, programs and libraries,
// temporary files, audio, video, PDF and compiled help); the extension is
// taken with its dot and compared in lower case.
bool IsTextDocument(const QString& fileName);
// The refused extensions, in their fixed order.
const QStringList& RefusedExtensions();
// True for picture files (".bmp", ".ico", ".wmf", ".emf", ".gif", ".jpg",
// ".jpeg", ".png", compared in lower case).
bool IsImageFile(const QString& fileName);
// The extension with its dot as the name spells it ("" when none).
QString ExtractFileExt(const QString& fileName);
// True for the names of HTML and PHP pages (".htm", ".html", ".xhtml",
// ".shtml", ".php", ".php3", ".phtml", compared in lower case). A PHP
// include (".inc") is a piece of a page, not a page.
bool IsPageName(const QString& fileName);

// `newDocName` (or "Untitled" when empty), "~" and the counter.
QString NewDocumentName(const QString& newDocName, int counter);

// The clock the skeletons take their date from; tests set a fixed one.
QDateTime Now();
void SetClock(std::function<QDateTime()> clock);

// "<!-- ** file created on <date> <time> ** -->" in the short formats of the
// default locale.
QString DateComment(const QDateTime& when);
QString BannerLine();
// The HTML skeletons declare UTF-8, the encoding new documents are saved in.
QStringList XhtmlSkeleton(const QDateTime& when);
QStringList HtmlSkeleton(const QDateTime& when);
QStringList PhpSkeleton(const QDateTime& when);
QStringList CssSkeleton(const QDateTime& when);

// The recent-files list after opening `path`: the path first, then the old
// entries without it (exact comparison: paths that differ in case are
// different files) and without empty lines, at most 10 in all.
QStringList AddRecentEntry(const QStringList& old, const QString& path);
inline constexpr int MaxRecentFiles = 10;

// Where the preview file of a document goes: "kvx_tmp~" and the document's
// file name with the extension ".html", in the document's folder. A new
// document (its caption is a name, not a path) has its preview in
// `programFolder`; a file without an extension is previewed beside itself.
struct TPreviewPlace {
  QString folder;  // with a trailing '/'
  QString fileName;
};
TPreviewPlace PreviewPlace(const QString& caption, const QString& programFolder);

// Reads a goto-line entry: true and `line` when the text is a whole number
// from 1 to `lineCount`.
enum class TGotoCheck { Ok, NotANumber, TooSmall, TooLarge };
TGotoCheck CheckGotoLine(const QString& text, int lineCount, int& line);

// Breaks each line at blanks so that no piece is wider than `width`
// characters (a word longer than that is cut between two characters).
QStringList WrapLines(const QStringList& lines, int width);

}  // namespace Documents
