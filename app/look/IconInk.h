// Icon themes draw their pictures for light bars: dark grey pictures and
// lines (symbolic pictures, our own line drawings) vanish on the dark bars of
// a dark colour scheme. There a grey picture is drawn in the bar's text
// colour, and so are the dark lines of a coloured one that lie on the bar;
// colours, light parts and the lines drawn on them stay as they are.
#pragma once

#include <QColor>
#include <QImage>

// `picture` as it shows on `background`, when `ink` stands out from it: a
// picture all in greys that stands out by a contrast ratio of less than 3, on
// the whole and in its darkest grey, is drawn as a mask of its darkness (its darkest grey in ink,
// white in the background's colour); in any other, each dark grey pixel that
// stands out by less and borders on the background (lets it through, or a
// neighbour does) takes `ink`, with its own opacity. A picture that needs
// neither comes back as it is.
QImage InkedFor(const QImage& picture, const QColor& background, const QColor& ink);

// The contrast ratio of two opaque colours, from 1 (equal) to 21 (black and
// white), by their relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);
