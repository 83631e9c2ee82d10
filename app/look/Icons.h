// Icons of menus and tool bars, by their names in the freedesktop icon
// naming scheme ("document-new", "edit-copy", ...). They come from the
// desktop's icon theme, then from the Adwaita theme; a name neither has gets
// a picture of our own: for the insert commands one that shows what they
// insert (vector files built in, drawn through Qt's SVG image plug-in), for
// the others a small drawing. Nothing is looked up, read or drawn before an
// icon is first painted or measured.
#pragma once

#include <QIcon>
#include <QString>

QIcon ThemeIcon(const QString& name);
// Our picture used where no theme has the icon.
QIcon FallbackIcon(const QString& name);

// From now on the pictures ThemeIcon draws are kept in the file `fileName`
// (see IconCache.h), and what it holds is drawn from it without looking the
// theme up; an empty name keeps nothing. The file is read when the first
// icon is drawn.
void UseIconCache(const QString& fileName);
// Writes the pictures drawn since the file was read, if there are any.
void SaveIconCache();

// Makes GNOME's theme the fallback where the desktop names none; call once
// at start, before any icon is looked up.
void UseFallbackIconTheme();

// Puts a style over the application's own under which all tool bars share
// one extension-button icon, read when first drawn; call before any window
// is made.
void ShareToolBarExtensionIcons();
// That style over `base`, which it owns.
class QStyle* SharedExtensionIconStyle(class QStyle* base);

// Reads the icon themes' indexes on a thread of its own while the program
// starts. Until WaitForIconTheme returns, nothing else may look an icon up
// (our own look-ups wait by themselves).
void ReadIconThemeAhead();
void WaitForIconTheme();
