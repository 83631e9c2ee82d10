// The arithmetic of the flat owner-drawn look: colour operations, the
// working palette, menu-item measures and the small shapes (check marks,
// drop-down arrows, gradient steps). Nothing here needs a window.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "platform/Colors.h"

namespace FlatLook {

// Every channel x becomes x + (255 - x) * p / 100 (p capped at 100), the
// quotient rounded to the nearest integer, halves to the even neighbour.
QColor Lighten(const QColor& c, int p);
// Every channel less d, kept within 0..255.
QColor Darken(const QColor& c, int d);
// The mean of the three channels plus g, at most 240, as a grey.
QColor Grey(const QColor& c, int g);
// Whether a colour counts as dark: (red + blue) / 2 < 151 and green < 201.
bool IsDark(const QColor& c);
// The caption colour of a selected item under the system colours: the
// selection text, lightened by 90 when the selection fill is dark (so that
// it stays readable on it).
QColor SelectedTextColor(const QColor& text, const QColor& selectFill);

// The colours the component is given (the properties of its colour group).
struct TColors {
  TColor Color = clBtnFace;
  TColor IconBackColor = clBtnFace;
  TColor MenuBarColor = clBtnFace;
  TColor SelectColor = clHighlight;
  TColor SelectBorderColor = clHighlight;
  TColor SelectFontColor = clMenuText;
  TColor DisabledColor = clInactiveCaption;
  TColor SeparatorColor = clBtnFace;
  TColor CheckedColor = clHighlight;
  TColor FontColor = clMenuText;
  bool UseSystemColors = true;
};

// The colours every drawing operation works with.
struct TPalette {
  QColor Menu, IconColumn, SelectFill, SelectBorder, SelectText, CheckFill, SelectedCheckFill, MenuBar, Disabled,
      CheckBorder, Separator, Frame1, Frame2;
  bool HighColor = true;  // at least 16 bits per pixel
};

// Turns a stored colour (system colours included) into red, green and blue.
using TColorResolver = std::function<QColor(TColor)>;

// The palette for the given properties on a display of `bitsPerPixel`.
// With the system colours the font is the system menu font, whose colour
// (`FontColor`, menu text) the selection text takes.
TPalette MakePalette(const TColors& colors, int bitsPerPixel, const TColorResolver& resolve = ToQColor);

// ---- menu items

inline constexpr int SeparatorHeight = 4;
inline constexpr int CaptionIndent = 3;
inline constexpr int ShortcutIndent = 10;
inline constexpr int SeparatorIndent = 7;
inline constexpr int WindowListExtra = 8;
inline constexpr int MarkBoxSize = 10;

struct TMenuItemMeasure {
  QString Caption;
  QString Shortcut;
  QSize Image;  // (0, 0) without an image
  int IconWidth = 24;
  bool WindowList = false;  // the form's window-list menu
};
// Width of a text in the menu font, and its height.
struct TTextMetrics {
  std::function<int(const QString&)> Width;
  int Height = 0;
};
// The size of a menu item: a separator ("-") is SeparatorHeight high;
// otherwise width = text width of caption + "WWW" + shortcut + 5, less the
// width of "&" when the caption holds one, plus the image width (at least
// the icon width), plus 8 for the window list; height = the larger of
// text height + round(0.75 x text height) (halves to even) and image height + 6.
QSize MeasureMenuItem(const TMenuItemMeasure& item, const TTextMetrics& text);

// The 10 by 10 mark box of a check item without image, centred in the icon
// column of `item` (on the right for right-to-left menus).
QRect MarkBox(const QRect& item, int iconWidth, bool rightToLeft);
// The five lines of a check mark in the box (l, t, r, b).
std::array<QLine, 5> CheckMarkLines(const QRect& box);
// The selection rectangle of a popup item: one pixel in at the top and the
// bottom, and at the right with the flat menu frame.
QRect SelectionRect(const QRect& item, bool flatMenu);

// How much the icon-column colour is lightened in each one-pixel column of
// a gradient item `width` columns wide, from the icon-column side: 0 first,
// then 3 more for every column strictly inside the fast zone (icon width + 5
// from the edge, icon width - 5 for right-to-left menus) and 1 more for
// every other column, never above 96.
std::vector<int> GradientSteps(int width, int iconWidth, bool rightToLeft);

// The darkening amounts of the four shadow strips beside an open menu-bar
// item, from the item outwards (a shadow that fades).
inline constexpr std::array<int, 4> MenuBarShadowSteps = {100, 60, 30, 10};
// The lengths of the drop-down arrow's three lines, top to bottom, and the
// caption room a drop-down button gives up.
inline constexpr std::array<int, 3> DropDownArrowLines = {5, 3, 1};
inline constexpr int DropDownArrowRoom = 12;
// A control-bar band's background (lightened by 6) and the darkening of its
// grip lines (30, 37, 44, ...).
inline constexpr int BandLighten = 6;
inline int GripDarkening(int line) { return 30 + 7 * line; }

// ---- flat controls

// The one-pixel frame of an edit, memo or rich edit: the selection border
// lightened by 60 (80 without border) when focused or under the mouse, else
// the parent's colour darkened by 60 (the parent's colour without border).
QColor EditFrameColor(const TPalette& palette, const QColor& parent, bool hotOrFocused, bool bordered);

struct TButtonColors {
  QColor Face, Frame;
};
// Face and frame of a button: lightened button face and selection border
// (60) when hot or pressed; else the icon column with a button-shadow frame
// (the lightened selection border when only focused).
TButtonColors ButtonColors(const TPalette& palette, const QColor& btnFace, const QColor& btnShadow, bool hot,
                           bool pressed, bool focused);

// ---- images

// Every pixel lightened by `percent`; alpha is kept.
QImage DimImage(const QImage& image, int percent);
// Every pixel greyed by `level`; alpha is kept.
QImage GreyImage(const QImage& image, int level);
// The dimmed image, and the greyed one (greyed by `level`, then dimmed by
// 40) of a disabled item, converted once per pixmap and level and then
// taken from the pixmap cache.
QPixmap DimmedPixmap(const QPixmap& pixmap, int percent);
QPixmap DisabledPixmap(const QPixmap& pixmap, int greyLevel);
// The image's shape in one colour (the shadow under a lifted image).
QPixmap ShadowPixmap(const QPixmap& pixmap, const QColor& color);
// How many images were converted so far (the cache's misses).
int ConvertedImages();

}  // namespace FlatLook
