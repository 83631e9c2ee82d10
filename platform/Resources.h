// Named bitmaps compiled into the program. Components register the pictures
// they ship under a name; look-ups ignore case.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

namespace Resources {

// Registers a maker for the bitmap `name`; a later registration replaces it.
void RegisterBitmap(const QString& name, std::function<QImage()> maker);
// The bitmap of that name, or a null image when none is registered.
QImage LoadBitmap(const QString& name);

}  // namespace Resources
