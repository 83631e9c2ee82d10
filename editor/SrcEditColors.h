// The editor's colours when none are given: those the highlighters' colours
// are made for (dark text on white), whatever the desktop's palette, so that
// a page stays readable under a dark one.
#pragma once

#include "platform/Colors.h"

inline constexpr TColor kSrcEditDefaultColor = clWhite;
inline constexpr TColor kSrcEditDefaultFontColor = clBlack;
